// The progress bar on a real form: painted through its own window (WM_PAINT, WM_PRINT), read back
// by pixels; a position change that moves nothing is not repainted, yet an uncovered bar or a copy
// is painted in full; a hidden bar is never painted; animation ticks repaint at once.
#include <gtest/gtest.h>

#include <memory>

#include "tests/ui/core/ControlWindows.h"
#include "tests/ui/core/PaintSurface.h"
#include "tests/ui/core/ThemeSeam.h"
#include "ui/editors/ProgressBarEdit.h"
#include "ui/editors/ProgressBarViewData.h"

namespace {
constexpr TColor FormColor = 0xF0DCC8; // RGB(200, 220, 240)
constexpr COLORREF Face = RGB(200, 220, 240);

class ProgressBarWindow : public testing::Test {
protected:
    void SetUp() override {
        form.SetColor(FormColor);
        bar = TcxCustomEdit::CreateWithMode<TcxProgressBar>(nullptr, false);
        bar->SetBounds(10, 10, 297, 21);
        bar->Properties()->SetShowText(false);
        bar->SetParent(&form);
        // Every paint message that reaches the bar, from the system or sent.
        TWndMethod saved = bar->WindowProc;
        bar->WindowProc = [this, saved](TMessage& message) {
            if (message.Msg == WM_PAINT) ++paints;
            saved(message);
        };
    }
    void TearDown() override {
        bar.reset();
        form.Hide();
    }

    void ShowForm() {
        form.Show();
        UpdateWindow(form.Handle());
        PumpMessages();
    }
    // What the bar's window shows now.
    std::unique_ptr<TPaintSurface> Shown() {
        auto surface = std::make_unique<TPaintSurface>(bar->Width(), bar->Height(), RGB(255, 0, 255));
        HDC dc = GetDC(bar->Handle());
        BitBlt(surface->DC(), 0, 0, bar->Width(), bar->Height(), dc, 0, 0, SRCCOPY);
        ReleaseDC(bar->Handle(), dc);
        return surface;
    }
    // A copy of the bar through WM_PRINT.
    std::unique_ptr<TPaintSurface> Printed() {
        auto surface = std::make_unique<TPaintSurface>(bar->Width(), bar->Height(), RGB(255, 0, 255));
        SendMessageA(bar->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(surface->DC()), PRF_CLIENT);
        return surface;
    }
    bool Invalid() { return GetUpdateRect(bar->Handle(), nullptr, FALSE) != FALSE; }
    TcxCustomProgressBarViewInfo& ViewInfo() { return bar->ProgressViewInfo(); }
    // The fill up to the position and the track beyond it, at the middle row.
    void ExpectBarAt(const TPaintSurface& s) {
        const TRect f = ViewInfo().FilledRect, t = ViewInfo().TrackRect;
        ASSERT_GT(GetRectWidth(f), 4);
        const int y = (f.top + f.bottom) / 2;
        const COLORREF fill = ColorToRGB(bar->Properties()->BeginColor());
        EXPECT_EQ(s.At(f.left + 1, y), fill);
        EXPECT_EQ(s.At(f.right - 1, y), fill);
        EXPECT_EQ(s.At(f.right + 1, y), Face);
        EXPECT_EQ(s.At(t.right - 2, y), Face);
    }

    TScopedThemeSeam themesOff{false, L"", L""};
    TCursorAt cursor{TPoint{0, 0}};
    THostForm form;
    std::unique_ptr<TcxProgressBar> bar;
    int paints = 0;
};
} // namespace

TEST_F(ProgressBarWindow, PaintsItsPositionThroughItsWindow) {
    bar->SetPosition(40);
    ShowForm();
    EXPECT_GT(paints, 0);
    auto shown = Shown();
    ExpectBarAt(*shown);
    const TRect f = ViewInfo().FilledRect;
    EXPECT_EQ(GetRectWidth(f), GetRectWidth(ViewInfo().ContentRect) * 40 / 100);

    // A new position reaches the screen at the next paint.
    bar->SetPosition(75);
    EXPECT_TRUE(Invalid());
    UpdateWindow(bar->Handle());
    auto moved = Shown();
    ExpectBarAt(*moved);
    EXPECT_GT(ViewInfo().FilledRect.right, f.right);
    EXPECT_EQ(moved->At(ViewInfo().FilledRect.right - 1, 10), RGB(0, 0, 128));
}

TEST_F(ProgressBarWindow, OnlyChangesThatShowAreInvalidated) {
    struct {
        const char* name;
        bool showText;
        double to;
        bool invalidated;
    } cases[] = {
        {"within the same pixel, no text", false, 50.01, false},
        {"one pixel further", false, 51, true},
        {"within the same pixel, text shown", true, 50.01, true},
        {"back to the start", false, 0, true},
    };
    ShowForm();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bar->Properties()->SetShowText(c.showText);
        bar->SetPosition(50);
        UpdateWindow(bar->Handle());
        ASSERT_FALSE(Invalid());
        bar->SetPosition(c.to);
        EXPECT_EQ(ViewInfo().Position, c.to);
        EXPECT_EQ(Invalid(), c.invalidated);
        UpdateWindow(bar->Handle());
    }
}

TEST_F(ProgressBarWindow, AnUncoveredBarAndACopyArePaintedInFullAfterAChangeThatMovedNothing) {
    bar->SetPosition(50);
    ShowForm();
    bar->SetPosition(50.01); // moves nothing: no repaint asked, the layout kept
    EXPECT_FALSE(ViewInfo().LayoutChanged);
    EXPECT_FALSE(Invalid());

    // A sibling laid over the bar, then taken away: the system asks the bar to paint again.
    HWND cover = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, 0, 0, 400, 50,
                                 form.Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(cover, nullptr);
    SetWindowPos(cover, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    UpdateWindow(cover);
    const COLORREF covered = Shown()->At(150, 10);
    ASSERT_NE(covered, Face);
    const int before = paints;
    DestroyWindow(cover);
    ASSERT_TRUE(Invalid());
    UpdateWindow(bar->Handle());
    EXPECT_GT(paints, before);
    auto uncovered = Shown();
    ExpectBarAt(*uncovered);
    EXPECT_EQ(uncovered->Count(covered), 0);

    // A copy through WM_PRINT paints in full too.
    auto printed = Printed();
    ExpectBarAt(*printed);
    const TRect t = ViewInfo().TrackRect;
    for (int y = t.top; y < t.bottom; ++y)
        for (int x = t.left; x < t.right; ++x)
            ASSERT_NE(printed->At(x, y), RGB(255, 0, 255)) << "the whole track is drawn, at " << x << "," << y;
}

TEST_F(ProgressBarWindow, AHiddenBarOnAShownFormIsNeverPainted) {
    bar->Properties()->SetBarStyle(cxbsAnimation);
    bar->SetVisible(false);
    ShowForm();
    bar->Handle();
    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    bar->SetPosition(30);
    bar->SetPosition(60);
    ASSERT_NE(ViewInfo().StepTimer(), nullptr);
    TickTimer(*ViewInfo().StepTimer());
    PumpMessages();
    EXPECT_FALSE(IsWindowVisible(bar->Handle()));
    EXPECT_EQ(paints, 0);

    // The count is real: shown, it paints its position.
    bar->Properties()->SetBarStyle(cxbsSolid);
    bar->SetVisible(true);
    UpdateWindow(bar->Handle());
    EXPECT_GT(paints, 0);
    ExpectBarAt(*Shown());
}

TEST_F(ProgressBarWindow, EachAnimationTickRepaintsTheWindowAtOnce) {
    bar->Properties()->SetBarStyle(cxbsAnimation);
    bar->SetPosition(100);
    ShowForm();
    TcxTimer* timer = ViewInfo().StepTimer();
    ASSERT_NE(timer, nullptr);
    const int offset = ViewInfo().BandOffset();
    const int before = paints;
    TickTimer(*timer);
    EXPECT_EQ(paints, before + 1);
    EXPECT_EQ(ViewInfo().BandOffset(), offset + 20);
    EXPECT_FALSE(Invalid());
}

TEST_F(ProgressBarWindow, AutoSizeTakesTheFilledPartAndTheFontHeight) {
    bar->SetPosition(50);
    ShowForm();
    TcxCanvas& canvas = *GetSharedScreenCanvas();
    struct {
        const char* name;
        bool inPlace;
        int margin;
    } cases[] = {{"standalone", false, 4}, {"in place", true, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto edit = TcxCustomEdit::CreateWithMode<TcxProgressBar>(nullptr, c.inPlace);
        edit->SetBounds(10, 40, 200, 21);
        edit->SetParent(&form);
        edit->SetPosition(50);
        edit->Handle();
        edit->RefreshAtPoint(TPoint{-1, -1}, 0, TShiftState{}, false);
        const int filled = GetRectWidth(edit->ProgressViewInfo().FilledRect);
        ASSERT_GT(filled, 0);
        std::unique_ptr<TcxCustomEditViewData> data = edit->CreateViewData();
        const int fontHeight = canvas.MeasureFontHeight(*edit->ActiveEditStyle()->GetEffectiveFont());
        const TSize content = data->GetTextContentSize(canvas, edit->EditValue(), -1);
        EXPECT_EQ(content.cx, filled + c.margin + 3);
        EXPECT_EQ(content.cy, fontHeight);
        // The height auto size asks for: the borders and one line of the font.
        const TSize size = data->CalculateAutoSize(canvas, edit->EditValue(), TcxEditSizeLimits{});
        const TcxCustomEditViewInfo& vi = edit->ProgressViewInfo();
        const int borders = GetRectHeight(vi.OuterRect) - GetRectHeight(vi.ContentRect);
        EXPECT_EQ(size.cy, borders + fontHeight);
    }
}

TEST_F(ProgressBarWindow, AnAutoSizedBarKeepsItsWidthWhateverItsPosition) {
    bar->Properties()->SetShowText(true);
    ShowForm();
    ASSERT_TRUE(bar->AutoSize());
    const int width = bar->Width();
    for (double position : {0.0, 50.0, 100.0}) {
        SCOPED_TRACE(position);
        bar->SetPosition(position);
        PumpMessages();
        EXPECT_EQ(bar->Width(), width);
    }
}
