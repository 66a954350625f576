// The built-in skins and the user skin in the painter registry: the start order, the painters'
// queries, refusals, the reverse at the end and nothing at all without GDI+.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "SkinPaintersSupport.h"
#include "ui/core/GdiPlusApi.h"
#include "ui/core/GdiPlusClasses.h"
#include "ui/core/PainterRegistry.h"
#include "ui/skins/SkinModel.h"

namespace {
// The skin name of a skin painter, from the table.
std::string NameOf(TcxCustomLookAndFeelPainterClass painter) {
    if (painter == TdxSkinsUserSkinPainter::Painter()) return "UserSkin";
    for (int i = 0; i < dxBuiltInSkinCount; ++i)
        if (BuiltInSkin(i).Painter == painter) return BuiltInSkin(i).Name;
    return "?";
}

class TRegistryLog : public IcxPainterRegistryListener {
public:
    void PainterListChanged(TcxCustomLookAndFeelPainterClass painter) override {
        Names.push_back(NameOf(painter));
    }
    std::vector<std::string> Names;
};

const TdxSkinLookAndFeelPainter* SkinPainterOf(TcxCustomLookAndFeelPainterClass painter) {
    return dynamic_cast<const TdxSkinLookAndFeelPainter*>(painter);
}

std::vector<std::string> StartOrder() {
    std::vector<std::string> names{"UserSkin"};
    for (int i = dxBuiltInSkinCount - 1; i >= 0; --i)
        names.push_back(BuiltInSkin(i).Name);
    return names;
}

} // namespace

TEST(SkinRegistration, EverySkinIsPublishedWithItsPainterAndUnitName) {
    TcxExtendedStylePainters* registry = GetStylePainterRegistry();
    ASSERT_NE(registry, nullptr);
    for (int i = 0; i < dxBuiltInSkinCount; ++i) {
        const TdxBuiltInSkin& skin = BuiltInSkin(i);
        SCOPED_TRACE(skin.Name);
        TcxCustomLookAndFeelPainterClass painter = nullptr;
        ASSERT_TRUE(registry->FindPainterOfName(skin.Name, painter));
        EXPECT_EQ(painter, skin.Painter);
        const TdxSkinLookAndFeelPainter* skinPainter = SkinPainterOf(painter);
        ASSERT_NE(skinPainter, nullptr);
        TdxSkinLookAndFeelPainterInfo* info = skinPainter->GetSkinInfo();
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->ClassType(), TdxSkinLookAndFeelPainterInfo::StaticClass());
        EXPECT_EQ(info->Skin->Name, skin.Name);
        TObject* data = nullptr;
        ASSERT_TRUE(registry->FindDataOfPainter(painter, data));
        EXPECT_EQ(data, info);
        AnsiString unit;
        skinPainter->GetSkinUnitName(unit);
        EXPECT_EQ(unit, std::string("dxSkin") + skin.Name);
        EXPECT_EQ(unit, skin.UnitName);
    }
    TcxCustomLookAndFeelPainterClass user = nullptr;
    ASSERT_TRUE(registry->FindPainterOfName("UserSkin", user));
    EXPECT_EQ(user, TdxSkinsUserSkinPainter::Painter());
    EXPECT_EQ(TdxSkinsUserSkinPainter::Painter()->GetSkinInfo(), UserSkinInfo());
    ASSERT_NE(UserSkinInfo(), nullptr);
    EXPECT_EQ(UserSkinInfo()->Skin->Name, "Office2007Black");
    // As the Office2007Black skin holds it, under its own skin info.
    TdxSkinLookAndFeelPainterInfo office2007Black(
        new TdxSkin("Office2007Black", GetModuleHandle(nullptr), true));
    EXPECT_TRUE(SkinBytes(*UserSkinInfo()->Skin) == SkinBytes(*office2007Black.Skin));
    AnsiString unit;
    TdxSkinsUserSkinPainter::Painter()->GetSkinUnitName(unit);
    EXPECT_EQ(unit, "dxSkinsDefaultPainters");
    TdxSkinLookAndFeelPainter::Painter()->GetSkinUnitName(unit);
    EXPECT_EQ(unit, "dxSkinsLookAndFeelPainter");
    // The base painter is not registered: it has no skin info.
    EXPECT_EQ(TdxSkinLookAndFeelPainter::Painter()->GetSkinInfo(), nullptr);
}

TEST(SkinRegistration, ASecondUserSkinInAnyLetterCaseIsRefused) {
    auto data = std::make_unique<TObject>();
    std::unique_ptr<TObject> owned(std::move(data));
    EXPECT_FALSE(GetStylePainterRegistry()->Register("userskin", TdxSkinLookAndFeelPainter::Painter(),
                                                     std::move(owned)));
    EXPECT_NE(owned, nullptr); // still the caller's
    TcxCustomLookAndFeelPainterClass painter = nullptr;
    ASSERT_TRUE(GetStylePainterRegistry()->FindPainterOfName("UserSkin", painter));
    EXPECT_EQ(painter, TdxSkinsUserSkinPainter::Painter());
}

TEST(SkinRegistration, UnitsRegisterInStartOrderAndUnregisterInReverse) {
    const std::vector<UnitEntry> units = SkinPainterUnits(63);
    ASSERT_EQ(units.size(), 22u);
    EXPECT_STREQ(units.front().Name, "dxSkinsDefaultPainters");
    EXPECT_STREQ(units[1].Name, "dxSkinXmas2008Blue");
    EXPECT_STREQ(units.back().Name, "dxSkinBlack");

    TRegistryLog log;
    GetStylePainterRegistry()->AttachListener(&log);
    StopSkinUnits(units);
    std::vector<std::string> reverse = StartOrder();
    std::reverse(reverse.begin(), reverse.end());
    EXPECT_EQ(log.Names, reverse);
    EXPECT_EQ(UserSkinInfo(), nullptr);
    for (int i = 0; i < dxBuiltInSkinCount; ++i)
        EXPECT_EQ(SkinPainterOf(BuiltInSkin(i).Painter)->GetSkinInfo(), nullptr) << BuiltInSkin(i).Name;
    TcxCustomLookAndFeelPainterClass painter = nullptr;
    EXPECT_FALSE(GetStylePainterRegistry()->FindPainterOfName("UserSkin", painter));
    TStringStream stream(PackBytes("DadavAzodo"));
    EXPECT_FALSE(LoadUserSkinFromStream(&stream, ""));
    EXPECT_FALSE(LoadUserSkinAt(&stream, 0));
    EXPECT_FALSE(LoadUserSkinFromFile("no such file.dll", "DadavAzodo"));

    log.Names.clear();
    StartSkinUnits(units);
    GetStylePainterRegistry()->RemoveListener(&log);
    EXPECT_EQ(log.Names, StartOrder());
    ASSERT_NE(UserSkinInfo(), nullptr);
    for (int i = 0; i < dxBuiltInSkinCount; ++i)
        EXPECT_NE(SkinPainterOf(BuiltInSkin(i).Painter)->GetSkinInfo(), nullptr) << BuiltInSkin(i).Name;
}

TEST(SkinRegistration, NothingIsRegisteredWithoutGdiPlus) {
    const std::vector<UnitEntry> units = SkinPainterUnits(63);
    StopSkinUnits(units);
    SkinModelFinalize();
    GdiPlusClassesFinalize();
    UnloadGdiPlus();
    SetGdiPlusMissingNameForTest("GdipAlloc");
    GdiPlusClassesInitialize();
    SkinModelInitialize();
    StartSkinUnits(units);

    TcxExtendedStylePainters* registry = GetStylePainterRegistry();
    TcxCustomLookAndFeelPainterClass painter = nullptr;
    EXPECT_FALSE(registry->FindPainterOfName("UserSkin", painter));
    for (int i = 0; i < dxBuiltInSkinCount; ++i) {
        EXPECT_FALSE(registry->FindPainterOfName(BuiltInSkin(i).Name, painter)) << BuiltInSkin(i).Name;
        EXPECT_EQ(SkinPainterOf(BuiltInSkin(i).Painter)->GetSkinInfo(), nullptr);
    }
    EXPECT_EQ(UserSkinInfo(), nullptr);
    TStringStream stream(PackBytes("DadavAzodo"));
    EXPECT_FALSE(LoadUserSkinFromStream(&stream, "DadavAzodo"));

    StopSkinUnits(units);
    SkinModelFinalize();
    GdiPlusClassesFinalize();
    SetGdiPlusMissingNameForTest(nullptr);
    GdiPlusClassesInitialize();
    SkinModelInitialize();
    StartSkinUnits(units);
    EXPECT_TRUE(registry->FindPainterOfName("UserSkin", painter));
    ASSERT_NE(UserSkinInfo(), nullptr);
}
