// The skin info over every built-in pack of the program's resources.
#include <gtest/gtest.h>

#include <set>

#include "SkinDrawingSupport.h"
#include "SkinTestSupport.h"
#include "ui/skins/SkinInfo.h"

using skindraw::SkinInfoElementReferences;

namespace {
std::set<const void*> ElementsAndGroups(TdxSkin& skin) {
    std::set<const void*> objects;
    for (int i = 0; i < skin.ColorCount(); ++i)
        objects.insert(skin.ColorAt(i));
    for (int g = 0; g < skin.GroupCount(); ++g) {
        TdxSkinControlGroup* group = skin.GroupAt(g);
        objects.insert(group);
        for (int e = 0; e < group->ElementCount(); ++e)
            objects.insert(group->ElementAt(e));
    }
    return objects;
}

TEST(SkinInfoBuiltIn, EveryPackWithoutErrorOrPlaceholder) {
    for (const std::string& name : skintest::BuiltInSkinNames()) {
        SCOPED_TRACE(name);
        std::unique_ptr<TdxSkinInfo> info;
        ASSERT_NO_THROW(info =
                            std::make_unique<TdxSkinInfo>(new TdxSkin(name, GetModuleHandle(nullptr), true)));
        TdxSkin& skin = *info->Skin;
        for (int g = 0; g < skin.GroupCount(); ++g) {
            EXPECT_NE(skin.GroupAt(g)->LookupState, 2) << skin.GroupAt(g)->Name;
            for (int e = 0; e < skin.GroupAt(g)->ElementCount(); ++e)
                EXPECT_NE(skin.GroupAt(g)->ElementAt(e)->LookupState, 2)
                    << skin.GroupAt(g)->ElementAt(e)->Name;
        }
        EXPECT_EQ(info->ContentTextColor, nullptr);
        EXPECT_EQ(info->MainMenuCustomize, nullptr);
        EXPECT_EQ(info->MainMenuDrag, nullptr);
        EXPECT_EQ(info->SchedulerTimeGridCurrentTimeIndicator, nullptr);
        EXPECT_NE(info->SelectionColor, nullptr);
        std::set<const void*> content = ElementsAndGroups(skin);
        for (const void* ref : SkinInfoElementReferences(*info))
            EXPECT_TRUE(!ref || content.count(ref));
        // Normalised as stored: the frames hold the active states, the buttons no esActive.
        EXPECT_EQ(info->FormFrames[1][0]->Image().States() & StateBit(esNormal), 0);
        EXPECT_EQ(info->FormCaptionButtons[1][5]->Image().States() & StateBit(esActive), 0);
        EXPECT_GE(info->FormFrameSizes[1].left, 1);
    }
}

TEST(SkinInfoBuiltIn, LoadingAnotherPackMovesEveryReference) {
    TdxSkinInfo info(new TdxSkin("Black", GetModuleHandle(nullptr), true));
    const std::string bytes = skintest::ResourceBytes("Blue");
    TMemoryStream pack;
    pack.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
    pack.SetPosition(0);
    info.Skin->LoadFromStream(&pack);
    EXPECT_EQ(info.Skin->Name, "Blue");
    std::set<const void*> content = ElementsAndGroups(*info.Skin);
    int found = 0;
    for (const void* ref : SkinInfoElementReferences(info)) {
        EXPECT_TRUE(!ref || content.count(ref));
        found += ref != nullptr;
    }
    EXPECT_GT(found, 200);
}
} // namespace
