#pragma once
// The native painter: draws through the visual-style library and falls back to the standard
// painter where a theme does not open.
#include "ui/core/StandardPainters.h"

class TcxWinXPLookAndFeelPainter : public TcxStandardLookAndFeelPainter {
public:
    VZ_CLASS(TcxWinXPLookAndFeelPainter, TcxStandardLookAndFeelPainter)
    static const TcxWinXPLookAndFeelPainter* Painter();

    int GetPaintStyle() const override;
    void PaintArrowButton(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                          TcxArrowPointing direction, bool withFrame = true) const override;
    void PaintScrollBarPart(TcxCanvas* canvas, bool horizontal, const TRect& r, TcxScrollBarPart part,
                            TcxButtonPaintState state) const override;
    void PaintSchedulerNavigatorButton(TcxCanvas* canvas, const TRect& r,
                                       TcxButtonPaintState state) const override;

protected:
    TcxWinXPLookAndFeelPainter() = default;
};
