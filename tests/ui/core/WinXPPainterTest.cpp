// The native painter: theme parts and states per operation, its answers read from the theme, and
// the standard painter wherever a theme does not open.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "PainterTestSupport.h"
#include "ThemeSeam.h"
#include "ui/core/Geometry.h"
#include "ui/core/StandardPainters.h"
#include "ui/core/WinXPPainter.h"

namespace {
constexpr COLORREF kBack = RGB(1, 2, 3);

const TcxWinXPLookAndFeelPainter* Native() {
    return TcxWinXPLookAndFeelPainter::Painter();
}
const TcxStandardLookAndFeelPainter* Standard() {
    return TcxStandardLookAndFeelPainter::Painter();
}

int Differences(const TPaintSurface& a, const TPaintSurface& b) {
    int count = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            count += a.At(x, y) != b.At(x, y);
    return count;
}

HDC ScreenDC() {
    return GetSharedScreenCanvas()->Handle();
}
} // namespace

TEST(NativePainter, StateMappings) {
    struct {
        const char* name;
        std::function<int(TcxButtonPaintState)> map;
        int expected[5]; // default, normal, hot, pressed, disabled
    } rows[] = {
        {"push button", ButtonStateToThemeState, {5, 1, 2, 3, 4}},
        {"item", ItemStateToThemeState, {1, 1, 2, 3, 4}},
        {"check box checked", [](auto s) { return CheckStateToThemeState(s, true); }, {5, 5, 6, 7, 8}},
        {"check box unchecked", [](auto s) { return CheckStateToThemeState(s, false); }, {1, 1, 2, 3, 4}},
        {"header item", HeaderStateToThemeState, {1, 1, 2, 3, 1}},
        {"toolbar button", ToolBarStateToThemeState, {2, 2, 5, 3, 4}},
        {"right arrow", [](auto s) { return ScrollArrowToThemeState(apRight, s); }, {13, 13, 14, 15, 16}},
        {"down arrow", [](auto s) { return ScrollArrowToThemeState(apDown, s); }, {5, 5, 6, 7, 8}},
    };
    for (const auto& row : rows)
        for (int s = 0; s < 5; ++s)
            EXPECT_EQ(row.map(TcxButtonPaintState(s)), row.expected[s]) << row.name << " state " << s;
}

// Each drawing operation puts one theme part in one theme state over its rectangle.
TEST(NativePainter, OperationsDrawTheirThemePart) {
    const TRect r = Rect(0, 0, 40, 24);
    struct Row {
        const char* name;
        TdxThemedObjectType type;
        int part, state;
        std::function<void(TcxCanvas*)> paint;
    } rows[] = {
        {"push button hot", totButton, 1, 2, [&](auto c) { Native()->PaintButton(c, r, "", bpsHot); }},
        {"push button default", totButton, 1, 5,
         [&](auto c) { Native()->PaintButton(c, r, "", bpsDefault); }},
        {"arrow button frame pressed", totButton, 1, 3,
         [&](auto c) { Native()->PaintArrowButtonFrame(c, r, bpsPressed); }},
        {"check mark checked hot", totButton, 3, 6,
         [&](auto c) { Native()->PaintCheckMark(c, r, bpsHot, true, clBlack); }},
        {"check mark unchecked disabled", totButton, 3, 4,
         [&](auto c) { Native()->PaintCheckMark(c, r, bpsDisabled, false, clBlack); }},
        {"header disabled looks normal", totHeader, 1, 1,
         [&](auto c) {
             Native()->PaintHeader(c, r, r, TcxNeighbors{}, cxBordersAll, bpsDisabled, taLeftJustify, vaTop,
                                   false, false, "", nullptr, clDefault, clDefault);
         }},
        {"header pressed", totHeader, 1, 3,
         [&](auto c) {
             Native()->PaintHeader(c, r, r, TcxNeighbors{}, cxBordersAll, bpsPressed, taLeftJustify, vaTop,
                                   false, false, "", nullptr, clDefault, clDefault);
         }},
        {"arrow button left hot", totScrollBar, 1, 10,
         [&](auto c) { Native()->PaintArrowButton(c, r, bpsHot, apLeft); }},
        {"filter drop button pressed", totComboBox, 1, 3,
         [&](auto c) { Native()->PaintFilterDropButton(c, r, bpsPressed, false); }},
        {"filter close button hot", totWindow, 19, 2,
         [&](auto c) { Native()->PaintFilterCloseButton(c, r, bpsHot); }},
        {"tab hot", totTab, 1, 2, [&](auto c) { Native()->PaintTab(c, r, bpsHot, false); }},
        {"tab area", totTab, 9, 0, [&](auto c) { Native()->PaintTabArea(c, r, cxBordersAll, false); }},
        {"navigator button pressed", totToolBar, 1, 3,
         [&](auto c) { Native()->PaintSchedulerNavigatorButton(c, r, bpsPressed); }},
        {"expand button expanded", totTreeView, 2, 2,
         [&](auto c) { Native()->PaintExpandButton(c, r, true); }},
        {"expand button collapsed", totTreeView, 2, 1,
         [&](auto c) { Native()->PaintExpandButton(c, r, false); }},
        {"footer cell", totTrackBar, 1, 1,
         [&](auto c) {
             Native()->PaintFooterCell(c, r, taLeftJustify, vaTop, false, "", nullptr, clDefault, clRed);
         }},
    };
    int drawn = 0;
    for (const Row& row : rows) {
        HTHEME theme = OpenCachedTheme(row.type);
        if (!theme) continue; // the fallback is checked with themes off
        TPaintSurface painted(40, 24, kBack), themed(40, 24, kBack);
        row.paint(&painted.cx);
        dxUxTheme::DrawThemeBackground(theme, themed.DC(), row.part, row.state, &r, nullptr);
        if (themed.Count(kBack) == 40 * 24) continue; // the theme has no picture for this part
        ++drawn;
        EXPECT_EQ(Differences(painted, themed), 0) << row.name;
    }
    // The prefix's light theme draws nearly all of them; only a missing class may be left out.
    EXPECT_GE(drawn, 12);
}

TEST(NativePainter, RadioButtonAtItsPointInItsSize) {
    HTHEME theme = OpenCachedTheme(totButton);
    if (!theme) GTEST_SKIP() << "the \"Button\" theme class does not open";
    const TSize size = Native()->GetRadioButtonSize();
    SIZE trueSize{};
    ASSERT_HRESULT_SUCCEEDED(dxUxTheme::GetThemePartSize(theme, ScreenDC(), 2, 1, TS_TRUE, &trueSize));
    EXPECT_EQ(size.cx, trueSize.cx);
    EXPECT_EQ(size.cy, trueSize.cy);
    TPaintSurface painted(40, 40, kBack), themed(40, 40, kBack);
    Native()->PaintRadioButton(&painted.cx, 5, 7, bpsPressed, true, false, clWindow);
    const RECT r = Rect(5, 7, 5 + size.cx, 7 + size.cy);
    dxUxTheme::DrawThemeBackground(theme, themed.DC(), 2, 7, &r, nullptr);
    EXPECT_EQ(Differences(painted, themed), 0);
}

TEST(NativePainter, ThumbAndGripperThenTheVerticalTabTurned) {
    HTHEME scrollBar = OpenCachedTheme(totScrollBar);
    if (!scrollBar) GTEST_SKIP() << "the \"ScrollBar\" theme class does not open";
    const RECT r = Rect(0, 0, 17, 40);
    TPaintSurface painted(17, 40, kBack), themed(17, 40, kBack);
    Native()->PaintScrollBarPart(&painted.cx, false, r, sbpThumbnail, bpsHot);
    dxUxTheme::DrawThemeBackground(scrollBar, themed.DC(), 3, 2, &r, nullptr);
    dxUxTheme::DrawThemeBackground(scrollBar, themed.DC(), 9, 0, &r, nullptr);
    EXPECT_EQ(Differences(painted, themed), 0);

    HTHEME tab = OpenCachedTheme(totTab);
    if (!tab) return;
    // A vertical tab is the horizontal one turned a quarter counter-clockwise: its top becomes its left.
    TPaintSurface upright(40, 17, kBack), turned(17, 40, kBack);
    const RECT flat = Rect(0, 0, 40, 17);
    dxUxTheme::DrawThemeBackground(tab, upright.DC(), 1, 1, &flat, nullptr);
    Native()->PaintTab(&turned.cx, Rect(0, 0, 17, 40), bpsNormal, true);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(turned.At(y, 39 - x), upright.At(x, y)) << x << "," << y;
}

TEST(NativePainter, ThemedCellTextFlags) {
    HTHEME theme = OpenCachedTheme(totHeader);
    if (!theme) GTEST_SKIP() << "the \"Header\" theme class does not open";
    const TRect r = Rect(0, 0, 80, 30);
    struct {
        TAlignment horz;
        TcxAlignmentVert vert;
        bool ellipsis, prefix;
        DWORD flags;
    } cases[] = {
        {taLeftJustify, vaTop, false, false, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_EDITCONTROL},
        {taRightJustify, vaBottom, true, false,
         DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX | DT_EDITCONTROL},
        {taCenter, vaCenter, false, true, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_EDITCONTROL},
    };
    for (const auto& c : cases) {
        TPaintSurface painted(80, 30, kBack), themed(80, 30, kBack);
        Native()->PaintThemedCellText(&painted.cx, theme, 1, 1, r, r, c.horz, c.vert, false, c.ellipsis,
                                      c.prefix, "A&b 中文 wide text", nullptr, clDefault, clDefault);
        dxUxTheme::DrawThemeText(theme, themed.DC(), 1, 1, AnsiString("A&b 中文 wide text"), c.flags, 0, &r);
        EXPECT_LT(painted.Count(kBack), 80 * 30) << c.flags;
        EXPECT_EQ(Differences(painted, themed), 0) << c.flags;
    }
    TPaintSurface empty(80, 30, kBack);
    Native()->PaintThemedCellText(&empty.cx, theme, 1, 1, r, r, taLeftJustify, vaTop, true, false, false, "",
                                  nullptr, clDefault, clDefault);
    EXPECT_EQ(empty.Count(kBack), 80 * 30);
}

// Answers read from the theme; a read that fails gives the inherited answer.
TEST(NativePainter, AnswersFromTheThemeOrInherited) {
    auto trueSize = [](TdxThemedObjectType type, int part, int state, SIZE& size) {
        HTHEME theme = OpenCachedTheme(type);
        return theme &&
               SUCCEEDED(dxUxTheme::GetThemePartSize(theme, ScreenDC(), part, state, TS_TRUE, &size));
    };
    auto color = [](TdxThemedObjectType type, int part, int state, int prop, COLORREF& value) {
        HTHEME theme = OpenCachedTheme(type);
        return theme && SUCCEEDED(dxUxTheme::GetThemeColor(theme, part, state, prop, &value));
    };
    auto leftInset = [](TdxThemedObjectType type, int part, int state, int& inset) {
        HTHEME theme = OpenCachedTheme(type);
        const RECT box{0, 0, 100, 100};
        RECT content{};
        if (!theme ||
            FAILED(dxUxTheme::GetThemeBackgroundContentRect(theme, ScreenDC(), part, state, &box, &content)))
            return false;
        inset = content.left;
        return true;
    };
    SIZE size{};
    COLORREF value = 0;
    int inset = 0;

    EXPECT_EQ(Native()->GetExpandButtonSize(), trueSize(totTreeView, 2, 2, size) ? size.cx : 12);
    EXPECT_EQ(Native()->GetSmallExpandButtonSize(), trueSize(totTreeView, 2, 2, size) ? size.cx : 9);
    EXPECT_EQ(Native()->GetGroupExpandButtonSize(), trueSize(totExplorerBar, 7, 1, size) ? size.cx : 15);
    const TSize checkBox = Native()->GetCheckBoxSize();
    if (trueSize(totButton, 3, 5, size))
        EXPECT_EQ(checkBox.cx, size.cx);
    else
        EXPECT_EQ(checkBox.cx, PainterResources().CheckBoxSize.cx);
    EXPECT_EQ(Native()->GetSchedulerBorderColor(),
              color(totComboBox, 1, 1, 3801, value) ? TColor(value) : Standard()->GetSchedulerBorderColor());
    EXPECT_EQ(Native()->GetButtonColor(bpsHot),
              color(totButton, 1, 2, 204, value) ? TColor(value) : Standard()->GetButtonColor(bpsHot));
    EXPECT_EQ(Native()->GetButtonGlyphColor(bpsDisabled, clRed),
              color(totButton, 1, 4, 3803, value) ? TColor(value)
                                                  : Standard()->GetButtonGlyphColor(bpsDisabled, clRed));
    EXPECT_EQ(Native()->GetButtonBorderWidth(bpsPressed), leftInset(totButton, 1, 3, inset) ? inset : 2);
    EXPECT_EQ(Native()->GetHeaderBorderWidth(),
              leftInset(totHeader, 1, 1, inset) ? std::max(1, inset / 2) : 1);
    EXPECT_EQ(Native()->GetFooterCellBorderWidth(), leftInset(totTrackBar, 1, 1, inset) ? inset : 1);
    EXPECT_EQ(Native()->GetCheckFrameWidth(), OpenCachedTheme(totButton) ? 0 : 2);
    EXPECT_EQ(Native()->GetBorderWidth(), OpenCachedTheme(totListView) ? 1 : 2);
    EXPECT_EQ(Native()->GetSchedulerViewColor(), TColor(RGB(255, 255, 213)));
    EXPECT_EQ(Native()->GetButtonTextIndent(), 2);
    EXPECT_EQ(Native()->GetButtonPressShift(), 0);
    EXPECT_TRUE(Native()->HasHotButtons());
    EXPECT_TRUE(Native()->HasHotHeaders());
    EXPECT_FALSE(Native()->PaintsExpandButtonFirst());
    EXPECT_FALSE(Native()->PaintsFooterCellsFirst());
    EXPECT_EQ(Native()->GetSortMarkSize().cx, 7);
    EXPECT_EQ(Native()->GetSortMarkSize().cy, 8);
    const TRect margins = Native()->GetEventProgressMargins();
    EXPECT_TRUE(SameRects(margins, TRect{3, 3, 3, 3}));
}

TEST(NativePainter, MinimalThumbLength) {
    HTHEME theme = OpenCachedTheme(totScrollBar);
    if (!theme) {
        EXPECT_EQ(Native()->GetMinThumbSize(true), 8);
        GTEST_SKIP() << "the \"ScrollBar\" theme class does not open";
    }
    for (bool vertical : {false, true}) {
        const int part = vertical ? 9 : 8;
        SIZE minimum{}, trueSize{};
        int expected = 8;
        if (SUCCEEDED(dxUxTheme::GetThemePartSize(theme, ScreenDC(), part, 0, TS_MIN, &minimum))) {
            const int minLength = vertical ? minimum.cy : minimum.cx;
            expected = minLength;
            if (SUCCEEDED(dxUxTheme::GetThemePartSize(theme, ScreenDC(), part, 0, TS_TRUE, &trueSize)))
                expected = std::max<int>(vertical ? trueSize.cy : trueSize.cx, minLength + 4);
            expected = std::max(expected, 8);
        }
        EXPECT_EQ(Native()->GetMinThumbSize(vertical), expected) << vertical;
        EXPECT_GE(Native()->GetMinThumbSize(vertical), 8);
    }
}

// A class the theme does not have (the light theme has no explorer bar) gives the fallback.
TEST(NativePainter, AClassThatDoesNotOpenFallsBack) {
    if (OpenCachedTheme(totExplorerBar)) GTEST_SKIP() << "the theme has an explorer bar";
    const TRect r = Rect(0, 0, 20, 20);
    for (bool expanded : {false, true}) {
        TPaintSurface painted(20, 20, kBack), standard(20, 20, kBack);
        Native()->PaintGroupExpandButton(&painted.cx, r, expanded, bpsHot);
        Standard()->PaintGroupExpandButton(&standard.cx, r, expanded, bpsHot);
        EXPECT_LT(standard.Count(kBack), 20 * 20);
        EXPECT_EQ(Differences(painted, standard), 0) << expanded;
    }
    EXPECT_EQ(Native()->GetGroupExpandButtonSize(), 15);
    EXPECT_EQ(Native()->HitGroupExpandButton(r, TPoint{5, 5}),
              Standard()->HitGroupExpandButton(r, TPoint{5, 5}));
}

// With visual styles off every operation draws what the standard painter draws.
TEST(NativePainter, ThemesOffDrawsTheStandardPainter) {
    TScrollBarPatterns patterns;
    TScopedThemeSeam off(false, L"", L"");
    ASSERT_EQ(OpenCachedTheme(totButton), nullptr);
    const TRect r = Rect(0, 0, 30, 20);
    using Paint = std::function<void(const TcxCustomLookAndFeelPainter*, TcxCanvas*)>;
    struct {
        const char* name;
        Paint paint;
    } rows[] = {
        {"button",
         [&](auto p, auto c) { p->PaintButton(c, r, "Ok", bpsHot); }}, // a pressed caption shifts by 0, not 1
        {"arrow button", [&](auto p, auto c) { p->PaintArrowButton(c, r, bpsHot, apDown); }},
        {"control border", [&](auto p, auto c) { p->PaintControlBorder(c, r); }},
        {"check box",
         [&](auto p, auto c) { p->PaintCheckBox(c, Rect(2, 2, 15, 15), bpsNormal, cbsChecked); }},
        {"expand button", [&](auto p, auto c) { p->PaintExpandButton(c, Rect(2, 2, 13, 13), true); }},
        {"header",
         [&](auto p, auto c) {
             p->PaintHeader(c, r, r, TcxNeighbors{}, cxBordersAll, bpsNormal, taLeftJustify, vaTop, false,
                            false, "", nullptr, clDefault, clBtnFace);
         }},
        {"footer frame", [&](auto p, auto c) { p->PaintFooterFrame(c, r); }},
        {"filter drop", [&](auto p, auto c) { p->PaintFilterDropButton(c, r, bpsNormal, true); }},
        {"tab area", [&](auto p, auto c) { p->PaintTabArea(c, r, cxBordersAll, false); }},
        {"scroll page", [&](auto p, auto c) { p->PaintScrollBarPart(c, true, r, sbpPageUp, bpsNormal); }},
        {"size grip", [&](auto p, auto c) { p->PaintSizeGrip(c, r, clWindow); }},
        {"navigator button", [&](auto p, auto c) { p->PaintSchedulerNavigatorButton(c, r, bpsHot); }},
    };
    for (const auto& row : rows) {
        TPaintSurface painted(30, 20, kBack), standard(30, 20, kBack);
        row.paint(Native(), &painted.cx);
        row.paint(Standard(), &standard.cx);
        EXPECT_EQ(Differences(painted, standard), 0) << row.name;
    }
    EXPECT_EQ(Native()->GetCheckFrameWidth(), 2);
    EXPECT_EQ(Native()->GetBorderWidth(), 2);
    EXPECT_EQ(Native()->GetExpandButtonSize(), 12);
    EXPECT_EQ(Native()->GetMinThumbSize(false), 8);
    EXPECT_EQ(Native()->GetSchedulerBorderColor(), Standard()->GetSchedulerBorderColor());
    EXPECT_EQ(Native()->GetButtonColor(bpsHot), Standard()->GetButtonColor(bpsHot));
}

TEST(NativePainter, CheckBoxFillsTheWholeCheckRectangle) {
    HTHEME theme = OpenCachedTheme(totButton);
    if (!theme) GTEST_SKIP() << "the \"Button\" theme class does not open";
    const RECT r = Rect(0, 0, 13, 13);
    TPaintSurface painted(13, 13, kBack), themed(13, 13, kBack);
    Native()->PaintCheckBox(&painted.cx, r, bpsNormal, cbsChecked);
    dxUxTheme::DrawThemeBackground(theme, themed.DC(), 3, 5, &r, nullptr);
    EXPECT_EQ(Differences(painted, themed), 0);
}

TEST(NativePainter, PanelBackgroundOfAColour) {
    TPaintSurface s(20, 20, kBack);
    Native()->PaintPanelBackground(&s.cx, nullptr, Rect(0, 0, 20, 20), clRed, clBlue);
    EXPECT_TRUE(s.AllOf(Rect(0, 0, 20, 20), RGB(255, 0, 0)));
    s.Clear(kBack);
    Native()->PaintPanelBackground(&s.cx, nullptr, Rect(0, 0, 20, 20), clDefault,
                                   clBlue); // no parent: nothing
    EXPECT_EQ(s.Count(kBack), 20 * 20);
}

TEST(NativePainter, LastHeaderOfTheBlueSchemeIsTheRightEndItem) {
    const TRect r = Rect(0, 0, 40, 20);
    TScopedThemeSeam blue(true, L"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles", L"NormalColor");
    HTHEME theme = OpenCachedTheme(totHeader);
    if (!theme) GTEST_SKIP() << "the \"Header\" theme class does not open";
    struct {
        TcxButtonPaintState state;
        bool last;
        int part, themeState;
    } cases[] = {
        {bpsNormal, true, 3, 1}, {bpsDisabled, true, 3, 1}, {bpsHot, true, 1, 2}, {bpsNormal, false, 1, 1}};
    for (const auto& c : cases) {
        TPaintSurface painted(40, 20, kBack), themed(40, 20, kBack);
        Native()->PaintHeader(&painted.cx, r, r, TcxNeighbors{}, cxBordersAll, c.state, taLeftJustify, vaTop,
                              false, false, "", nullptr, clDefault, clDefault, nullptr, c.last);
        dxUxTheme::DrawThemeBackground(theme, themed.DC(), c.part, c.themeState, &r, nullptr);
        EXPECT_LT(themed.Count(kBack), 40 * 20);
        EXPECT_EQ(Differences(painted, themed), 0) << c.state << " " << c.last;
    }
}
