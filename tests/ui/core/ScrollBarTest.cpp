#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "ControlWindows.h"
#include "PainterTestSupport.h"
#include "ui/core/ScrollBar.h"

namespace {

std::string CodeName(TScrollCode code) {
    static const char* const names[] = {"lineUp", "lineDown", "pageUp", "pageDown", "position",
                                        "track",  "top",      "bottom", "end"};
    return names[code];
}

// A bar that logs its scroll codes, changes and the states its parts are painted in.
class TLoggingBar : public TcxScrollBar {
public:
    explicit TLoggingBar(TWinControl* parent) : TcxScrollBar(nullptr) {
        LookAndFeel().SetKind(lfStandard);
        LookAndFeel().SetNativeStyle(false);
        OnScroll = [this](TObject*, TScrollCode code, int& pos) {
            log += CodeName(code) + "(" + std::to_string(pos) + ") ";
            if (onScroll) onScroll(code, pos);
        };
        OnChange = [this](TObject*) { log += "change "; };
        if (parent) SetParent(parent);
    }
    std::string log;
    std::function<void(TScrollCode, int&)> onScroll;
    std::vector<std::pair<TcxScrollBarPart, TcxButtonPaintState>> painted;
    bool recordOnly = false;

    void PaintInto(TcxCanvas& canvas) { PaintParts(canvas); }

protected:
    void PaintPart(TcxCanvas& canvas, const TRect& rect, TcxButtonPaintState state,
                   TcxScrollBarPart part) override {
        painted.emplace_back(part, state);
        if (!recordOnly) TcxScrollBar::PaintPart(canvas, rect, state, part);
    }
};

class ScrollBarTest : public testing::Test {
protected:
    TFixedMetrics metrics;
    THostForm form;

    void SetUp() override { form.Show(); }

    // A horizontal bar 234 x 17 at (10, 10): arrows of 17, a track of 200 from x = 17.
    std::unique_ptr<TLoggingBar> MakeBar(int min = 0, int max = 100, int pageSize = 10, int position = 0) {
        auto bar = std::make_unique<TLoggingBar>(&form);
        bar->SetBounds(10, 10, 234, 17);
        bar->SetScrollValues(min, max, false, pageSize, position);
        bar->SetLargeChange(10);
        bar->log.clear();
        return bar;
    }
    TPoint Screen(TWinControl& control, int x, int y) { return control.ClientToScreen(TPoint{x, y}); }
};

struct TGeometryCase {
    const char* name;
    TScrollBarKind kind;
    int width, height, min, max, pageSize, position;
    bool enabled;
    TRect thumb, pageUp, pageDown;
};

} // namespace

TEST_F(ScrollBarTest, PartRectanglesFollowRangePageAndPosition) {
    const TRect none{};
    const TGeometryCase cases[] = {
        {"page 10 of 0..100 on a 200-pixel track",
         sbHorizontal,
         234,
         17,
         0,
         100,
         10,
         0,
         true,
         {17, 0, 37, 17},
         {17, 0, 17, 17},
         {37, 0, 217, 17}},
        {"at the end",
         sbHorizontal,
         234,
         17,
         0,
         100,
         10,
         100,
         true,
         {197, 0, 217, 17},
         {17, 0, 197, 17},
         {217, 0, 217, 17}},
        {"vertical",
         sbVertical,
         17,
         234,
         0,
         100,
         10,
         0,
         true,
         {0, 17, 17, 37},
         {0, 17, 17, 17},
         {0, 37, 17, 217}},
        {"page 0: the system thumb, half way",
         sbHorizontal,
         234,
         17,
         0,
         100,
         0,
         50,
         true,
         {109, 0, 126, 17},
         {17, 0, 109, 17},
         {126, 0, 217, 17}},
        {"page 0 with Max = Min: at the start",
         sbHorizontal,
         234,
         17,
         5,
         5,
         0,
         5,
         true,
         {17, 0, 34, 17},
         {17, 0, 17, 17},
         {34, 0, 217, 17}},
        {"a page with Max = Min: no thumb", sbHorizontal, 234, 17, 5, 5, 1, 5, true, none, none, none},
        {"shorter than two arrows", sbHorizontal, 20, 17, 0, 100, 10, 50, true, none, none, none},
        {"disabled", sbHorizontal, 234, 17, 0, 100, 10, 50, false, none, none, none},
        // The page covers the range: the thumb fills the track instead of starting in the arrow.
        {"page covers 1..10",
         sbHorizontal,
         234,
         17,
         1,
         10,
         10,
         1,
         true,
         {17, 0, 217, 17},
         {17, 0, 17, 17},
         {217, 0, 217, 17}},
        // The whole integer range: 2^32 positions, half way.
        {"whole integer range",
         sbHorizontal,
         234,
         17,
         INT_MIN,
         INT_MAX,
         0,
         0,
         true,
         {109, 0, 126, 17},
         {17, 0, 109, 17},
         {126, 0, 217, 17}},
    };
    for (const TGeometryCase& c : cases) {
        SCOPED_TRACE(c.name);
        TLoggingBar bar(&form);
        bar.SetKind(c.kind);
        bar.SetBounds(0, 0, c.width, c.height);
        bar.SetScrollValues(c.min, c.max, false, c.pageSize, c.position);
        bar.SetEnabled(c.enabled);
        const TcxScrollBarViewInfo& info = bar.ViewInfo();
        EXPECT_EQ(c.thumb, info.ThumbnailRect);
        EXPECT_EQ(c.pageUp, info.PageUpRect);
        EXPECT_EQ(c.pageDown, info.PageDownRect);
    }
    TLoggingBar shortBar(&form);
    shortBar.SetBounds(0, 0, 20, 17);
    EXPECT_EQ((TRect{0, 0, 10, 17}), shortBar.ViewInfo().TopLeftArrowRect);
    EXPECT_EQ((TRect{10, 0, 20, 17}), shortBar.ViewInfo().BottomRightArrowRect);
}

TEST_F(ScrollBarTest, ScrollCodesMoveClampAndReachTheHandler) {
    struct {
        TScrollCode code;
        int from, handlerSets, expected;
        const char* log;
    } cases[] = {
        {scLineUp, 50, -1, 49, "lineUp(49) change "},
        {scLineDown, 50, -1, 51, "lineDown(51) change "},
        {scPageUp, 50, -1, 40, "pageUp(40) change "},
        {scPageDown, 95, -1, 100, "pageDown(100) change "},
        {scPageUp, 3, -1, 0, "pageUp(0) change "},
        {scTop, 50, -1, 0, "top(0) change "},
        {scBottom, 50, -1, 100, "bottom(100) change "},
        {scPosition, 50, -1, 50, "position(50) "},
        {scEndScroll, 50, -1, 50, "end(50) "},
        {scLineDown, 50, 7, 7, "lineDown(51) change "},
        {scLineDown, 50, 1000, 100, "lineDown(51) change "},
        // Tracking moves the position without a change notification.
        {scTrack, 50, 30, 30, "track(50) "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(CodeName(c.code) + " from " + std::to_string(c.from));
        auto bar = MakeBar(0, 100, 0, c.from);
        const int sets = c.handlerSets;
        bar->onScroll = [sets](TScrollCode, int& pos) {
            if (sets >= 0) pos = sets;
        };
        // As the parent reflects a scroll message of its child.
        SendMessageA(form.Handle(), WM_HSCROLL, c.code, reinterpret_cast<LPARAM>(bar->Handle()));
        EXPECT_EQ(c.expected, bar->Position());
        EXPECT_EQ(c.log, bar->log);
    }
}

TEST_F(ScrollBarTest, OutOfRangeValuesRaiseAndChangeNothing) {
    auto bar = MakeBar(0, 100, 10, 40);
    struct {
        const char* name;
        std::function<void()> set;
    } cases[] = {
        {"Max below Min", [&] { bar->SetMax(-1); }},
        {"Max below PageSize", [&] { bar->SetMax(9); }},
        {"PageSize above Max", [&] { bar->SetPageSize(101); }},
        {"Min above Max", [&] { bar->SetMin(101); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.set();
            ADD_FAILURE() << "no error";
        } catch (const EInvalidOperation& e) {
            EXPECT_STREQ("Scrollbar property out of range", e.what());
        }
        EXPECT_EQ(0, bar->Min());
        EXPECT_EQ(100, bar->Max());
        EXPECT_EQ(10, bar->PageSize());
        EXPECT_EQ(40, bar->Position());
        EXPECT_EQ("", bar->log);
    }
    bar->SetPosition(500); // positions are clamped, not refused
    EXPECT_EQ(100, bar->Position());
}

TEST_F(ScrollBarTest, HeldArrowStepsAtOnceThenRepeatsWhileTheMouseStaysOnIt) {
    auto bar = MakeBar(0, 100, 10, 0);
    TCursorAt cursor(Screen(*bar, 225, 8)); // over the right arrow
    SendMouse(*bar, WM_LBUTTONDOWN, 225, 8, MK_LBUTTON);
    EXPECT_EQ(1, bar->Position());
    EXPECT_EQ(sbpLineDown, bar->State());
    EXPECT_TRUE(bar->Timer().Enabled());
    EXPECT_EQ(400u, bar->Timer().Interval());
    EXPECT_TRUE(bar->MouseCapture());

    TickTimer(bar->Timer());
    EXPECT_EQ(2, bar->Position());
    EXPECT_EQ(60u, bar->Timer().Interval());
    TickTimer(bar->Timer());
    EXPECT_EQ(3, bar->Position());

    // Off the arrow the repeat pauses; a tick then finds no running timer.
    SendMouse(*bar, WM_MOUSEMOVE, 100, 8, MK_LBUTTON);
    cursor.MoveTo(Screen(*bar, 100, 8));
    EXPECT_FALSE(bar->Timer().Enabled());
    TickTimer(bar->Timer());
    EXPECT_EQ(3, bar->Position());
    SendMouse(*bar, WM_MOUSEMOVE, 225, 8, MK_LBUTTON);
    cursor.MoveTo(Screen(*bar, 225, 8));
    EXPECT_TRUE(bar->Timer().Enabled());
    TickTimer(bar->Timer());
    EXPECT_EQ(4, bar->Position());

    bar->log.clear();
    SendMouse(*bar, WM_LBUTTONUP, 225, 8);
    EXPECT_EQ("end(4) ", bar->log);
    EXPECT_EQ(sbpNone, bar->State());
    EXPECT_FALSE(bar->Timer().Enabled());
    EXPECT_FALSE(bar->MouseCapture());
}

TEST_F(ScrollBarTest, PageAreaRepeatsUntilTheThumbReachesTheCursor) {
    auto bar = MakeBar(0, 100, 10, 0);
    TCursorAt cursor(Screen(*bar, 120, 8));
    SendMouse(*bar, WM_LBUTTONDOWN, 120, 8, MK_LBUTTON); // page down area
    EXPECT_EQ(10, bar->Position());
    for (int i = 0; i < 20 && bar->Timer().Enabled(); ++i)
        TickTimer(bar->Timer());
    // The thumb came under the cursor: the page area there is gone and the repeat stopped.
    EXPECT_FALSE(bar->Timer().Enabled());
    const TRect thumb = bar->ViewInfo().ThumbnailRect;
    EXPECT_LE(thumb.left, 120 + 20);
    SendMouse(*bar, WM_LBUTTONUP, 120, 8);
}

TEST_F(ScrollBarTest, TheRepeatTimerRunsInRealTime) {
    auto bar = MakeBar(0, 100, 10, 0);
    TCursorAt cursor(Screen(*bar, 225, 8));
    SendMouse(*bar, WM_LBUTTONDOWN, 225, 8, MK_LBUTTON);
    const DWORD start = GetTickCount();
    while (bar->Position() < 4 && GetTickCount() - start < 5000) {
        PumpMessages();
        Sleep(5);
    }
    EXPECT_GE(bar->Position(), 4);
    SendMouse(*bar, WM_LBUTTONUP, 225, 8);
}

TEST_F(ScrollBarTest, DraggedThumbFollowsAndSnapsBackFarFromTheBar) {
    for (bool unlimited : {false, true}) {
        SCOPED_TRACE(unlimited ? "unlimited tracking" : "limited tracking");
        auto bar = MakeBar(0, 100, 10, 0);
        bar->UnlimitedTracking = unlimited;
        SendMouse(*bar, WM_LBUTTONDOWN, 20, 8, MK_LBUTTON); // on the thumb (17..37)
        EXPECT_EQ(sbpThumbnail, bar->State());
        SendMouse(*bar, WM_MOUSEMOVE, 110, 8, MK_LBUTTON);
        // 90 of 180 free pixels: half of the 91 positions.
        EXPECT_EQ(46, bar->Position());
        EXPECT_EQ((TRect{107, 0, 127, 17}), bar->ViewInfo().ThumbnailRect);
        // 140 pixels below the bar: outside the 136-pixel tolerance.
        SendMouse(*bar, WM_MOUSEMOVE, 110, 17 + 140, MK_LBUTTON);
        EXPECT_EQ(unlimited ? 46 : 0, bar->Position());
        bar->log.clear();
        SendMouse(*bar, WM_LBUTTONUP, 110, 17 + 140);
        const int end = unlimited ? 46 : 0;
        EXPECT_EQ("position(" + std::to_string(end) + ") end(" + std::to_string(end) + ") ", bar->log);
        EXPECT_EQ(end, bar->Position());
    }
}

TEST_F(ScrollBarTest, ThumbThatFillsTheTrackKeepsThePositionWhenDragged) {
    struct {
        const char* name;
        int width, min, max, pageSize;
    } cases[] = {
        {"page covers the range", 234, 1, 10, 10},
        {"minimal thumb as long as the track", 17 + 8 + 17, 0, 100, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto bar = MakeBar(c.min, c.max, c.pageSize, c.min);
        bar->SetBounds(10, 10, c.width, 17);
        ASSERT_FALSE(IsEmptyRect(bar->ViewInfo().ThumbnailRect));
        SendMouse(*bar, WM_LBUTTONDOWN, 20, 8, MK_LBUTTON);
        SendMouse(*bar, WM_MOUSEMOVE, 25, 8, MK_LBUTTON);
        SendMouse(*bar, WM_LBUTTONUP, 25, 8);
        EXPECT_EQ(c.min, bar->Position());
        EXPECT_EQ(std::string::npos, bar->log.find("change"));
    }
}

TEST_F(ScrollBarTest, DisablingOrHidingMidPressCancels) {
    struct {
        const char* name;
        std::function<void(TcxScrollBar&)> act;
    } cases[] = {
        {"disabled", [](TcxScrollBar& b) { b.SetEnabled(false); }},
        {"hidden", [](TcxScrollBar& b) { b.SetVisible(false); }},
        {"cancel mode", [](TcxScrollBar& b) { SendMessageA(b.Handle(), WM_CANCELMODE, 0, 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto bar = MakeBar(0, 100, 10, 50);
        SendMouse(*bar, WM_LBUTTONDOWN, 5, 8, MK_LBUTTON);
        EXPECT_EQ(49, bar->Position());
        bar->log.clear();
        c.act(*bar);
        EXPECT_EQ(sbpNone, bar->State());
        EXPECT_FALSE(bar->Timer().Enabled());
        EXPECT_EQ("end(49) ", bar->log);
    }
}

TEST_F(ScrollBarTest, PartStatesFollowPressAndHover) {
    auto bar = MakeBar(0, 100, 10, 50);
    bar->recordOnly = true;
    auto stateOf = [&](TcxScrollBarPart part) {
        bar->painted.clear();
        TPaintSurface surface(234, 17);
        bar->PaintInto(surface.cx);
        for (const auto& [p, s] : bar->painted)
            if (p == part) return s;
        return bpsDefault;
    };
    // The standard painter has no hot parts: a hovered thumb stays normal (its arrows are
    // handed the hot state and draw it as normal).
    const TRect thumb = bar->ViewInfo().ThumbnailRect;
    SendMouse(*bar, WM_MOUSEMOVE, thumb.left + 2, 8);
    EXPECT_EQ(sbpThumbnail, bar->HotPart());
    EXPECT_EQ(bpsNormal, stateOf(sbpThumbnail));
    bar->LookAndFeel().SetKind(lfUltraFlat);
    EXPECT_EQ(bpsHot, stateOf(sbpThumbnail));
    SendMouse(*bar, WM_MOUSEMOVE, 6, 8);
    EXPECT_EQ(sbpLineUp, bar->HotPart());
    EXPECT_EQ(bpsHot, stateOf(sbpLineUp));
    EXPECT_EQ(bpsNormal, stateOf(sbpLineDown));
    SendMouse(*bar, WM_LBUTTONDOWN, 6, 8, MK_LBUTTON);
    EXPECT_EQ(bpsPressed, stateOf(sbpLineUp));
    // Off the pressed part: it shows normal, and nothing else is hot meanwhile.
    SendMouse(*bar, WM_MOUSEMOVE, 225, 8, MK_LBUTTON);
    EXPECT_EQ(bpsNormal, stateOf(sbpLineUp));
    EXPECT_EQ(bpsNormal, stateOf(sbpLineDown));
    SendMouse(*bar, WM_LBUTTONUP, 225, 8);
    EXPECT_EQ(bpsHot, stateOf(sbpLineDown));
    bar->SetEnabled(false);
    EXPECT_EQ(bpsDisabled, stateOf(sbpLineDown));
    // Without a thumb the whole bar is one page area under the arrows.
    bar->painted.clear();
    TPaintSurface surface(234, 17);
    bar->PaintInto(surface.cx);
    ASSERT_EQ(3u, bar->painted.size());
    EXPECT_EQ(sbpPageUp, bar->painted[0].first);
    EXPECT_EQ(bpsNormal, bar->painted[0].second);
}

TEST_F(ScrollBarTest, StandardPainterDrawsEachPart) {
    TScrollBarPatterns patterns;
    auto bar = MakeBar(0, 100, 10, 50);
    auto paint = [&](TPaintSurface& surface) {
        SendMessageA(bar->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(surface.DC()), 0);
    };
    TPaintSurface surface(234, 17, RGB(1, 2, 3));
    paint(surface);
    const TRect thumb = bar->ViewInfo().ThumbnailRect;
    EXPECT_EQ(Sys(clBtnFace), surface.At((thumb.left + thumb.right) / 2, 8));
    EXPECT_EQ(Sys(cl3DDkShadow), surface.At(16, 16)); // the left arrow's raised edge
    EXPECT_EQ(Sys(cl3DDkShadow), surface.At(233, 16));
    const int x = 40, y = 5; // in the page-up area
    EXPECT_EQ(Sys(TScrollBarPatterns::Expected(0, x, y)), surface.At(x, y));
    SendMouse(*bar, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    TPaintSurface pressed(234, 17, RGB(1, 2, 3));
    paint(pressed);
    const TRect pageUp = bar->ViewInfo().PageUpRect;
    ASSERT_FALSE(IsEmptyRect(pageUp));
    EXPECT_EQ(Sys(TScrollBarPatterns::Expected(1, 20, y)), pressed.At(20, y));
    SendMouse(*bar, WM_LBUTTONUP, x, y);
}

TEST_F(ScrollBarTest, NativeStyleDrawsThroughTheScrollBarTheme) {
    auto bar = MakeBar(0, 100, 10, 50);
    bar->LookAndFeel().SetNativeStyle(true);
    if (!CanUseVisualStyles(0) || !OpenCachedTheme(totScrollBar))
        GTEST_SKIP() << "no visual style is active here, so the theme library opens no \"ScrollBar\" class";
    TPaintSurface surface(234, 17, RGB(1, 2, 3));
    SendMessageA(bar->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(surface.DC()), 0);
    EXPECT_EQ(0, surface.Count(RGB(1, 2, 3)));
}
