// The Office 2003 colours: scheme detection through the theme seam, the scheme tables, the
// formulas over seam system colours, the gradient on both paths and the size grip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "PaintSurface.h"
#include "ThemeSeam.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/core/Office11Colors.h"

namespace {

COLORREF Rgb(TColor color) {
    return ColorToRGB(color) & 0xFFFFFF;
}

// Mixes as the formulas say: p percent of a, the rest of b, per channel.
COLORREF Mix(COLORREF a, COLORREF b, int p) {
    auto ch = [&](int shift) {
        return std::min(255, MulDiv((b >> shift) & 0xFF, 100 - p, 100) + MulDiv((a >> shift) & 0xFF, p, 100));
    };
    return RGB(ch(0), ch(8), ch(16));
}
COLORREF SysMix(COLORREF f, COLORREF h, COLORREF w, int pf, int ph, int pw) {
    auto ch = [&](int shift) {
        int v = MulDiv((f >> shift) & 0xFF, pf, 100) + MulDiv((h >> shift) & 0xFF, ph, 100) +
                MulDiv((w >> shift) & 0xFF, pw, 100);
        return std::clamp(v, 0, 255);
    };
    return RGB(ch(0), ch(8), ch(16));
}

class Office11ColorsTest : public testing::Test {
protected:
    void SetUp() override {
        if (!dxUxTheme::IsThemeLibraryBound()) GTEST_SKIP() << "UxTheme.dll did not load";
    }
    void TearDown() override { ReloadOffice11Colors(); }
};

TEST_F(Office11ColorsTest, DetectsTheSchemeFromTheThemeFileColourAndVersion) {
    struct Case {
        const wchar_t* file;
        const wchar_t* color;
        DWORD major, minor;
        bool active, nameFails;
        int scheme;
    } cases[] = {
        {L"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles", L"NormalColor", 5, 1, true, false, 1},
        {L"C:\\WINDOWS\\Resources\\Themes\\Luna\\luna.msstyles", L"HomeStead", 5, 1, true, false, 2},
        {L"C:\\WINDOWS\\Resources\\Themes\\Luna\\LUNA.MSSTYLES", L"metallic", 5, 2, true, false, 3},
        {L"C:\\WINDOWS\\Resources\\Themes\\Luna\\luna.msstyles", L"Blue", 5, 1, true, false, 0},
        {L"C:\\WINDOWS\\Resources\\Themes\\Royale\\royale.msstyles", L"NormalColor", 5, 1, true, false, 0},
        {L"C:\\Windows\\Resources\\Themes\\Aero\\aero.msstyles", L"NormalColor", 6, 0, true, false, 1},
        {L"C:\\windows\\resources\\themes\\light\\light.msstyles", L"Blue", 10, 0, true, false, 0},
        {L"C:\\WINDOWS\\Resources\\Themes\\Luna\\luna.msstyles", L"NormalColor", 5, 1, false, false, 0},
        {L"C:\\WINDOWS\\Resources\\Themes\\Luna\\luna.msstyles", L"NormalColor", 5, 1, true, true, 0},
    };
    for (const Case& c : cases) {
        TScopedThemeSeam seam(c.active, c.file, c.color, c.major, c.minor, c.nameFails);
        EXPECT_EQ(DetectOffice11Scheme(), c.scheme)
            << "colour " << testing::PrintToString(std::wstring(c.color)) << " version " << c.major << "."
            << c.minor;
    }
}

TEST_F(Office11ColorsTest, ThePrefixThemeGivesNoScheme) {
    // Wine's own light theme is not one of the XP colour variants.
    EXPECT_EQ(DetectOffice11Scheme(), Office11SchemeNone);
    ReloadOffice11Colors();
    EXPECT_FALSE(Office11SchemeInUse());
    EXPECT_EQ(Rgb(Office11ButtonFaceColor), Rgb(clBtnFace));
}

TEST_F(Office11ColorsTest, EachSchemeGivesItsTableAndTheDerivedColours) {
    struct Expected {
        const wchar_t* color;
        COLORREF light, dark, face, groupByBox, headerTop, gripDark, selectedBorder, groupRow,
            schedulerBorder;
    } schemes[] = {
        {L"NormalColor", RGB(221, 236, 254), RGB(129, 169, 226), RGB(158, 190, 245), RGB(62, 109, 185),
         RGB(176, 203, 240), RGB(39, 65, 118), RGB(0, 0, 128), RGB(190, 218, 251), RGB(0, 45, 150)},
        {L"HomeStead", RGB(244, 247, 222), RGB(183, 198, 145), RGB(217, 217, 167), RGB(139, 158, 126),
         RGB(214, 223, 184), RGB(81, 94, 51), RGB(63, 93, 56), RGB(175, 186, 145), RGB(96, 128, 88)},
        {L"Metallic", RGB(243, 244, 250), RGB(153, 151, 181), RGB(215, 215, 229), RGB(133, 131, 161),
         RGB(199, 198, 216), RGB(84, 84, 117), RGB(75, 75, 111), RGB(229, 229, 235), RGB(124, 124, 148)},
    };
    for (const Expected& e : schemes) {
        TScopedThemeSeam seam(true, L"C:\\WINDOWS\\Resources\\Themes\\Luna\\luna.msstyles", e.color);
        ReloadOffice11Colors();
        SCOPED_TRACE(testing::PrintToString(std::wstring(e.color)));
        ASSERT_TRUE(Office11SchemeInUse());
        EXPECT_EQ(Rgb(Office11LightColor), e.light);
        EXPECT_EQ(Rgb(Office11DarkColor), e.dark);
        EXPECT_EQ(Rgb(Office11ButtonFaceColor), e.face);
        EXPECT_EQ(Rgb(Office11GroupByBoxColor), e.groupByBox);
        EXPECT_EQ(Rgb(MixColors(Office11LightColor, Office11DarkColor, 50)), e.headerTop);
        EXPECT_EQ(Rgb(Office11GripDarkColor), e.gripDark);
        EXPECT_EQ(Rgb(Office11SelectedBorderColor), e.selectedBorder);
        EXPECT_EQ(Rgb(Office11GroupRowColor), e.groupRow);
        EXPECT_EQ(Rgb(Office11SchedulerBorderColor), e.schedulerBorder);
        // The same in every scheme.
        EXPECT_EQ(Rgb(Office11HotColor), RGB(255, 244, 204));
        EXPECT_EQ(Rgb(Office11PressedDarkColor), RGB(254, 145, 78));
        EXPECT_EQ(Rgb(Office11DisabledTextColor), RGB(141, 141, 141));
        EXPECT_EQ(Rgb(Office11DateSelectionColor), RGB(251, 230, 148));
        EXPECT_EQ(Rgb(Office11FilterBoxTextColor), RGB(255, 255, 255));
        EXPECT_EQ(Rgb(Office11GripLightColor), RGB(255, 255, 255));
    }
}

TEST_F(Office11ColorsTest, WithoutASchemeEveryColourFollowsTheSeamSystemColours) {
    const COLORREF face = RGB(200, 180, 160), window = RGB(250, 240, 230), shadow = RGB(100, 90, 80),
                   highlight = RGB(20, 60, 200), text = RGB(10, 20, 30), gray = RGB(120, 121, 122),
                   btnHighlight = RGB(245, 246, 247);
    TScopedSysColors colors({{COLOR_BTNFACE, face},
                             {COLOR_WINDOW, window},
                             {COLOR_BTNSHADOW, shadow},
                             {COLOR_HIGHLIGHT, highlight},
                             {COLOR_BTNTEXT, text},
                             {COLOR_GRAYTEXT, gray},
                             {COLOR_BTNHIGHLIGHT, btnHighlight}});
    TScopedThemeSeam seam(true, L"C:\\themes\\royale.msstyles", L"NormalColor");
    ReloadOffice11Colors();
    ASSERT_FALSE(Office11SchemeInUse());
    struct Case {
        const char* name;
        TColor actual;
        COLORREF expected;
    } cases[] = {
        {"light", Office11LightColor, Mix(face, window, 22)},
        {"dark", Office11DarkColor, Mix(face, window, 96)},
        {"button face", Office11ButtonFaceColor, face},
        {"tab", Office11TabColor, Mix(face, window, 20)},
        {"group-by box", Office11GroupByBoxColor, Mix(shadow, face, 50)},
        {"grip dark", Office11GripDarkColor, Mix(shadow, window, 76)},
        {"grip light", Office11GripLightColor, window},
        {"header shadow", Office11HeaderShadowColor, Mix(shadow, window, 70)},
        {"header highlight", Office11HeaderHighlightColor, RGB(255, 255, 255)},
        {"filter box", Office11FilterBoxColor, shadow},
        {"filter box text", Office11FilterBoxTextColor, btnHighlight},
        {"control border", Office11ControlBorderColor, shadow},
        {"selected border", Office11SelectedBorderColor, highlight},
        {"hot", Office11HotColor, SysMix(face, highlight, window, -2, 30, 72)},
        {"hot dark", Office11HotDarkColor, SysMix(face, highlight, window, -2, 30, 72)},
        {"pressed", Office11PressedColor, SysMix(face, highlight, window, 14, 44, 40)},
        {"pressed dark", Office11PressedDarkColor, SysMix(face, highlight, window, 14, 44, 40)},
        {"text", Office11TextColor, text},
        {"disabled text", Office11DisabledTextColor, gray},
        {"group row", Office11GroupRowColor, face},
        {"date selection", Office11DateSelectionColor, SysMix(face, highlight, window, 41, 11, 48)},
        {"scheduler control", Office11SchedulerControlColor, face},
        {"scheduler border", Office11SchedulerBorderColor, shadow},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Rgb(c.actual), c.expected) << c.name;
    // The selection tints are the same two mixes.
    EXPECT_EQ(Rgb(GetLightPressedSelectionColor()), SysMix(face, highlight, window, -2, 30, 72));
    EXPECT_EQ(Rgb(GetLightSelectionColor()), SysMix(face, highlight, window, 14, 44, 40));
}

TEST_F(Office11ColorsTest, ABlackOrWhiteButtonFaceMakesEverySystemMixTheHighlight) {
    for (COLORREF face : {RGB(255, 255, 255), RGB(0, 0, 0)}) {
        TScopedSysColors colors({{COLOR_BTNFACE, face}, {COLOR_HIGHLIGHT, RGB(10, 100, 200)}});
        TScopedThemeSeam seam(false, L"", L"");
        ReloadOffice11Colors();
        EXPECT_EQ(Rgb(MixSystemColors(41, 11, 48)), RGB(10, 100, 200));
        EXPECT_EQ(Rgb(Office11HotColor), RGB(10, 100, 200));
        EXPECT_EQ(Rgb(Office11PressedColor), RGB(10, 100, 200));
        EXPECT_EQ(Rgb(Office11DateSelectionColor), RGB(10, 100, 200));
        EXPECT_EQ(Rgb(GetLightSelectionColor()), RGB(10, 100, 200));
        EXPECT_EQ(Rgb(GetLightPressedSelectionColor()), RGB(10, 100, 200));
    }
}

TEST(Office11ColorRoutinesTest, DarkenLightenAndChannels) {
    EXPECT_EQ(Rgb(DarkenColor(RGB(200, 101, 3), 50)), RGB(100, 50, 1));
    EXPECT_EQ(Rgb(LightenColor(RGB(154, 0, 255), 50)), RGB(204, 127, 255));
    EXPECT_EQ(ClampColorChannel(-5), 0);
    EXPECT_EQ(ClampColorChannel(300), 255);
    EXPECT_EQ(ClampColorChannel(77), 77);
    RGBQUAD quad = ColorToRGBQuad(RGB(1, 2, 3), 4);
    EXPECT_EQ(quad.rgbRed, 1);
    EXPECT_EQ(quad.rgbGreen, 2);
    EXPECT_EQ(quad.rgbBlue, 3);
    EXPECT_EQ(quad.rgbReserved, 4);
    EXPECT_EQ(Rgb(MixColors(RGB(255, 0, 100), RGB(0, 255, 100), 100)), RGB(255, 0, 100));
}

// Runs of equal colour along a row or a column.
std::vector<std::pair<COLORREF, int>> Runs(const TPaintSurface& s, bool horizontal, int length) {
    std::vector<std::pair<COLORREF, int>> runs;
    for (int i = 0; i < length; ++i) {
        COLORREF c = horizontal ? s.At(i, 0) : s.At(0, i);
        if (runs.empty() || runs.back().first != c)
            runs.push_back({c, 1});
        else
            ++runs.back().second;
    }
    return runs;
}

class GradientTest : public testing::Test {
protected:
    void SetUp() override { saved_ = GradientFillEntry(); }
    void TearDown() override { SetGradientFillEntry(saved_); }
    TGradientFillProc saved_ = nullptr;
};

TEST_F(GradientTest, SoftwareGradientOf600PixelsHas256BandsOf2Or3Pixels) {
    SetGradientFillEntry(nullptr);
    for (bool horizontal : {true, false}) {
        TPaintSurface s(horizontal ? 600 : 4, horizontal ? 4 : 600);
        PaintGradient(s.DC(), Rect(0, 0, s.Width(), s.Height()), RGB(0, 0, 0), RGB(255, 255, 255),
                      horizontal);
        auto runs = Runs(s, horizontal, 600);
        ASSERT_EQ(runs.size(), 256u) << (horizontal ? "horizontal" : "vertical");
        for (auto [color, length] : runs)
            EXPECT_TRUE(length == 2 || length == 3) << length;
        EXPECT_EQ(runs.front().first, RGB(0, 0, 0));
        EXPECT_EQ(runs.back().first, RGB(255, 255, 255));
    }
}

TEST_F(GradientTest, SoftwareGradientOfOnePixelTakesTheFirstColour) {
    SetGradientFillEntry(nullptr);
    TPaintSurface s(3, 3, RGB(1, 2, 3));
    PaintGradient(s.DC(), Rect(1, 0, 2, 3), RGB(200, 10, 10), RGB(10, 10, 200), true);
    EXPECT_TRUE(s.AllOf(Rect(1, 0, 2, 3), RGB(200, 10, 10)));
    EXPECT_EQ(s.At(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(s.At(2, 2), RGB(1, 2, 3));
    // Nothing at all for an empty extent.
    PaintGradient(s.DC(), Rect(0, 1, 3, 1), RGB(200, 10, 10), RGB(10, 10, 200), false);
    EXPECT_EQ(s.Count(RGB(1, 2, 3)), 6);
    // Wider than the row buffer: the same bands.
    TPaintSurface wide(4100, 3);
    PaintGradient(wide.DC(), Rect(0, 0, 4100, 3), RGB(0, 0, 0), RGB(200, 200, 200), false);
    EXPECT_TRUE(wide.AllOf(Rect(0, 0, 4100, 1), RGB(0, 0, 0)));
    EXPECT_TRUE(wide.AllOf(Rect(0, 1, 4100, 2), RGB(100, 100, 100)));
    EXPECT_TRUE(wide.AllOf(Rect(0, 2, 4100, 3), RGB(200, 200, 200)));
    // Few pixels: one band each, the ends exact.
    TPaintSurface t(5, 1);
    PaintGradient(t.DC(), Rect(0, 0, 5, 1), RGB(0, 0, 0), RGB(200, 200, 200), true);
    EXPECT_EQ(t.At(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(t.At(2, 0), RGB(100, 100, 100));
    EXPECT_EQ(t.At(4, 0), RGB(200, 200, 200));
}

int gradientFillCalls = 0;
TGradientFillProc realGradientFill = nullptr;
BOOL WINAPI CountingGradientFill(HDC dc, PTRIVERTEX v, ULONG n, PVOID mesh, ULONG m, ULONG mode) {
    ++gradientFillCalls;
    return realGradientFill(dc, v, n, mesh, m, mode);
}

TEST_F(GradientTest, BoundPathCallsGradientFillExceptForEqualColours) {
    ASSERT_NE(saved_, nullptr) << "msimg32 GradientFill is not bound";
    realGradientFill = saved_;
    SetGradientFillEntry(&CountingGradientFill);
    gradientFillCalls = 0;
    TPaintSurface s(100, 20);
    PaintGradient(s.DC(), Rect(0, 0, 100, 20), RGB(70, 80, 90), RGB(70, 80, 90), true);
    EXPECT_EQ(gradientFillCalls, 0);
    EXPECT_TRUE(s.AllOf(Rect(0, 0, 100, 20), RGB(70, 80, 90)));
    // System colours are resolved before they are compared.
    PaintGradient(s.DC(), Rect(0, 0, 100, 20), clBtnFace, static_cast<TColor>(Rgb(clBtnFace)), false);
    EXPECT_EQ(gradientFillCalls, 0);

    PaintGradient(s.DC(), Rect(0, 0, 100, 20), RGB(255, 0, 0), RGB(0, 0, 255), true);
    EXPECT_EQ(gradientFillCalls, 1);
    EXPECT_EQ(s.At(0, 10), RGB(255, 0, 0));
    COLORREF right = s.At(99, 10);
    EXPECT_LE(GetRValue(right), 5);
    EXPECT_GE(GetBValue(right), 250);
    PaintGradient(s.DC(), Rect(0, 0, 100, 20), RGB(0, 255, 0), RGB(0, 0, 0), false);
    EXPECT_EQ(gradientFillCalls, 2);
    EXPECT_EQ(s.At(50, 0), RGB(0, 255, 0));
    EXPECT_LE(GetGValue(s.At(50, 19)), 15);
}

TEST(Office11SizeGripTest, PaintsThreeRowsOfFingersInTheCorner) {
    TPaintSurface s(20, 20);
    const COLORREF dark = RGB(200, 0, 0), light = RGB(0, 200, 0), white = RGB(255, 255, 255);
    PaintOffice11SizeGrip(s.DC(), Rect(0, 0, 20, 20), static_cast<TColor>(dark), static_cast<TColor>(light));
    // A finger at (x, y): dark 2 x 2 at its corner, light showing at the right and bottom.
    auto finger = [&](int x, int y) {
        EXPECT_EQ(s.At(x, y), dark) << x << "," << y;
        EXPECT_EQ(s.At(x + 1, y + 1), dark) << x << "," << y;
        EXPECT_EQ(s.At(x + 2, y + 2), light) << x << "," << y;
        EXPECT_EQ(s.At(x + 2, y + 1), light) << x << "," << y;
    };
    for (int x : {8, 12, 16})
        finger(x, 17);
    for (int x : {12, 16})
        finger(x, 13);
    finger(16, 9);
    EXPECT_EQ(s.Count(dark), 6 * 4);
    EXPECT_EQ(s.Count(light), 6 * 3);
    EXPECT_EQ(s.At(8, 13), white); // no finger left of the second row
    EXPECT_EQ(s.At(19, 19), white);
}

TEST(Office11ResourcesTest, AcquiredColoursHoldBrushesAndBitmapsUntilTheLastDrop) {
    int before = Office11ColorsUsers();
    AcquireOffice11Colors();
    AcquireOffice11Colors();
    ASSERT_NE(Office11GripDarkBrush(), nullptr);
    ASSERT_NE(Office11ExpandButtonBitmap(true), nullptr);
    EXPECT_EQ(Office11ExpandButtonBitmap(false)->Width(), 11);
    EXPECT_EQ(Office11ExpandButtonBitmap(true)->Height(), 11);
    TBitmap* subMenu = Office11SubMenuExpandBitmap();
    ASSERT_NE(subMenu, nullptr);
    EXPECT_EQ(subMenu->Width(), 16);
    // The top-left background and black stay; the shading takes the light and dark ends.
    TColor background = subMenu->Canvas().Pixel(0, 0);
    bool sawLight = false, sawDark = false;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            COLORREF p = subMenu->Canvas().Pixel(x, y) & 0xFFFFFF;
            sawLight = sawLight || p == Rgb(Office11LightColor);
            sawDark = sawDark || p == Rgb(Office11DarkColor);
        }
    EXPECT_EQ(background & 0xFFFFFF, RGB(255, 0, 255));
    EXPECT_TRUE(sawLight);
    EXPECT_TRUE(sawDark);

    DropOffice11Colors();
    EXPECT_NE(Office11GripDarkBrush(), nullptr);
    DropOffice11Colors();
    EXPECT_EQ(Office11ColorsUsers(), before);
    if (before == 0) {
        EXPECT_EQ(Office11GripDarkBrush(), nullptr);
        EXPECT_EQ(Office11SubMenuExpandBitmap(), nullptr);
    }
}

TEST(Office11ResourcesTest, RecolouringWithOneRedLevelTakesTheDarkColour) {
    ReloadOffice11Colors();
    TBitmap bitmap(3, 1, pf32bit);
    bitmap.Canvas().SetPixel(0, 0, RGB(255, 0, 255)); // background
    bitmap.Canvas().SetPixel(1, 0, RGB(128, 128, 128));
    bitmap.Canvas().SetPixel(2, 0, RGB(0, 0, 0));
    RecolorOffice11SubMenuExpand(bitmap);
    EXPECT_EQ(bitmap.Canvas().Pixel(0, 0) & 0xFFFFFF, RGB(255, 0, 255));
    EXPECT_EQ(bitmap.Canvas().Pixel(1, 0) & 0xFFFFFF, Rgb(Office11DarkColor));
    EXPECT_EQ(bitmap.Canvas().Pixel(2, 0) & 0xFFFFFF, RGB(0, 0, 0));
}

} // namespace
