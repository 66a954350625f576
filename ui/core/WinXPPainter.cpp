#include "ui/core/WinXPPainter.h"

#include "ui/core/Geometry.h"
#include "ui/core/ThemeManager.h"

namespace {
// Theme parts and states of the scroll bar and the toolbar.
constexpr int SbpArrowButton = 1;
constexpr int SbpThumbHorizontal = 2;
constexpr int SbpThumbVertical = 3;
constexpr int SbpPageHorizontalUp = 4;
constexpr int SbpPageHorizontalDown = 5;
constexpr int SbpPageVerticalUp = 6;
constexpr int SbpPageVerticalDown = 7;
constexpr int SbpGripperHorizontal = 8;
constexpr int SbpGripperVertical = 9;
constexpr int TpButton = 1;

// Normal 1, hot 2, pressed 3, disabled 4; the default state looks normal.
int ScrollStateOf(TcxButtonPaintState state) {
    static const int states[] = {1, 1, 2, 3, 4};
    return states[state];
}

int ToolBarStateOf(TcxButtonPaintState state) {
    static const int states[] = {2, 2, 5, 3, 4};
    return states[state];
}

void DrawPart(HTHEME theme, TcxCanvas* canvas, int part, int state, const TRect& r) {
    dxUxTheme::DrawThemeBackground(theme, canvas->Handle(), part, state, &r, nullptr);
}
} // namespace

const TcxWinXPLookAndFeelPainter* TcxWinXPLookAndFeelPainter::Painter() {
    static const TcxWinXPLookAndFeelPainter painter;
    return &painter;
}

int TcxWinXPLookAndFeelPainter::GetPaintStyle() const {
    return cxPaintStyleNative;
}

void TcxWinXPLookAndFeelPainter::PaintArrowButton(TcxCanvas* canvas, const TRect& r,
                                                  TcxButtonPaintState state, TcxArrowPointing direction,
                                                  bool withFrame) const {
    HTHEME theme = OpenCachedTheme(totScrollBar);
    if (!theme) {
        TcxCustomLookAndFeelPainter::PaintArrowButton(canvas, r, state, direction, withFrame);
        return;
    }
    DrawPart(theme, canvas, SbpArrowButton, 4 * direction + ScrollStateOf(state), r);
}

void TcxWinXPLookAndFeelPainter::PaintScrollBarPart(TcxCanvas* canvas, bool horizontal, const TRect& r,
                                                    TcxScrollBarPart part, TcxButtonPaintState state) const {
    if (IsEmptyRect(r)) return;
    HTHEME theme = OpenCachedTheme(totScrollBar);
    if (!theme) {
        TcxStandardLookAndFeelPainter::PaintScrollBarPart(canvas, horizontal, r, part, state);
        return;
    }
    switch (part) {
    case sbpLineUp:
    case sbpLineDown:
        PaintArrowButton(canvas, r, state, GetArrowForScrollPart(horizontal, part), true);
        break;
    case sbpThumbnail:
        DrawPart(theme, canvas, horizontal ? SbpThumbHorizontal : SbpThumbVertical, ScrollStateOf(state), r);
        DrawPart(theme, canvas, horizontal ? SbpGripperHorizontal : SbpGripperVertical, 0, r);
        break;
    case sbpPageUp:
        DrawPart(theme, canvas, horizontal ? SbpPageHorizontalUp : SbpPageVerticalUp, ScrollStateOf(state),
                 r);
        break;
    case sbpPageDown:
        DrawPart(theme, canvas, horizontal ? SbpPageHorizontalDown : SbpPageVerticalDown,
                 ScrollStateOf(state), r);
        break;
    default:
        break;
    }
}

void TcxWinXPLookAndFeelPainter::PaintSchedulerNavigatorButton(TcxCanvas* canvas, const TRect& r,
                                                               TcxButtonPaintState state) const {
    if (HTHEME theme = OpenCachedTheme(totToolBar))
        DrawPart(theme, canvas, TpButton, ToolBarStateOf(state), r);
    else
        TcxStandardLookAndFeelPainter::PaintSchedulerNavigatorButton(canvas, r, state);
}
