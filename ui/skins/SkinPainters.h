#pragma once
// The built-in skins and the user skin: each is read from the program's resources at start-up,
// wrapped in a skin info and published in the painter registry under its name. The user skin,
// "UserSkin", can take another pack from a skin-library file at run time.
#include <vector>

#include "platform/core/Streams.h"
#include "platform/core/UnitTable.h"
#include "ui/skins/SkinPainter.h"

// Skin name, painter class, unit name.
#define VZ_BUILT_IN_SKINS(X)                                                                                 \
    X(0, "Black", TdxBlackPainter, "dxSkinBlack")                                                            \
    X(1, "Blue", TdxBluePainter, "dxSkinBlue")                                                               \
    X(2, "Caramel", TdxCaramelPainter, "dxSkinCaramel")                                                      \
    X(3, "Coffee", TdxCoffeePainter, "dxSkinCoffee")                                                         \
    X(4, "GlassOceans", TdxGlassOceansPainter, "dxSkinGlassOceans")                                          \
    X(5, "iMaginary", TdxiMaginaryPainter, "dxSkiniMaginary")                                                \
    X(6, "Lilian", TdxLilianPainter, "dxSkinLilian")                                                         \
    X(7, "LiquidSky", TdxLiquidSkyPainter, "dxSkinLiquidSky")                                                \
    X(8, "LondonLiquidSky", TdxLondonLiquidSkyPainter, "dxSkinLondonLiquidSky")                              \
    X(9, "McSkin", TdxMcSkinPainter, "dxSkinMcSkin")                                                         \
    X(10, "DadavAzodo", TdxDadavAzodoPainter, "dxSkinDadavAzodo")                                            \
    X(11, "Office2007Black", TdxOffice2007BlackPainter, "dxSkinOffice2007Black")                             \
    X(12, "Office2007Blue", TdxOffice2007BluePainter, "dxSkinOffice2007Blue")                                \
    X(13, "Office2007Green", TdxOffice2007GreenPainter, "dxSkinOffice2007Green")                             \
    X(14, "Office2007Pink", TdxOffice2007PinkPainter, "dxSkinOffice2007Pink")                                \
    X(15, "Office2007Silver", TdxOffice2007SilverPainter, "dxSkinOffice2007Silver")                          \
    X(16, "Silver", TdxSilverPainter, "dxSkinSilver")                                                        \
    X(17, "Stardust", TdxStardustPainter, "dxSkinStardust")                                                  \
    X(18, "Summer2008", TdxSummer2008Painter, "dxSkinSummer2008")                                            \
    X(19, "Valentine", TdxValentinePainter, "dxSkinValentine")                                               \
    X(20, "Xmas2008Blue", TdxXmas2008BluePainter, "dxSkinXmas2008Blue")

constexpr int dxBuiltInSkinCount = 21;

#define VZ_SKIN_PAINTER_CLASS(index, name, Class, unitName)                                                  \
    class Class : public TdxSkinLookAndFeelPainter {                                                         \
    public:                                                                                                  \
        VZ_CLASS(Class, TdxSkinLookAndFeelPainter)                                                           \
        static const Class* Painter();                                                                       \
        TdxSkinLookAndFeelPainterInfo* GetSkinInfo() const override;                                         \
        void GetSkinUnitName(AnsiString& unit) const override;                                               \
                                                                                                             \
    protected:                                                                                               \
        Class() = default;                                                                                   \
    };
VZ_BUILT_IN_SKINS(VZ_SKIN_PAINTER_CLASS)
#undef VZ_SKIN_PAINTER_CLASS

struct TdxBuiltInSkin {
    const char* Name;
    TcxCustomLookAndFeelPainterClass Painter;
    const char* UnitName;
};
// The table above, in its order.
const TdxBuiltInSkin& BuiltInSkin(int index);

// ---------------------------------------------------------------------------------------------
// The user skin.
class TdxSkinUserLookAndFeelPainterInfo : public TdxSkinLookAndFeelPainterInfo {
public:
    VZ_CLASS(TdxSkinUserLookAndFeelPainterInfo, TdxSkinLookAndFeelPainterInfo)
    explicit TdxSkinUserLookAndFeelPainterInfo(TdxSkin* skin) : TdxSkinLookAndFeelPainterInfo(skin) {}
    // Every look and feel repaints with the new content.
    void SkinChanged(TdxSkin* skin) override;
};

class TdxSkinsUserSkinPainter : public TdxSkinLookAndFeelPainter {
public:
    VZ_CLASS(TdxSkinsUserSkinPainter, TdxSkinLookAndFeelPainter)
    static const TdxSkinsUserSkinPainter* Painter();
    TdxSkinLookAndFeelPainterInfo* GetSkinInfo() const override;
    void GetSkinUnitName(AnsiString& unit) const override;

protected:
    TdxSkinsUserSkinPainter() = default;
};

// Owned by the registry entry "UserSkin"; nil while that is not registered.
TdxSkinUserLookAndFeelPainterInfo* UserSkinInfo();

// Whether a pack was loaded into the user skin. A missing file raises EFOpenError; a damaged
// selected pack raises its reader's error. Without a user skin the answer is False.
bool LoadUserSkinFromFile(const AnsiString& fileName, const AnsiString& skinName);
bool LoadUserSkinFromStream(TStream* stream, const AnsiString& skinName);
bool LoadUserSkinAt(TStream* stream, int64_t position);
void ReadSkinPackName(TStream* stream, AnsiString& name);

// The unit entries in start order: the user skin ("dxSkinsDefaultPainters"), then the built-in
// skins from Xmas2008Blue back to Black, numbered from firstOrder. Each runs its load and unload
// through the units loader.
std::vector<UnitEntry> SkinPainterUnits(int firstOrder);
