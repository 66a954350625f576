#pragma once
// Ultra-flat (one-pixel frames that take the highlight colour under the mouse) and Office 11
// (the Office 2003 colours, gradient headers and bitmap expand buttons) painters.
#include "ui/core/LookAndFeelPainters.h"

class TcxUltraFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
public:
    VZ_CLASS(TcxUltraFlatLookAndFeelPainter, TcxCustomLookAndFeelPainter)
    static const TcxUltraFlatLookAndFeelPainter* Painter();

    int GetPaintStyle() const override;

    virtual TColor GetFilterDropButtonBorderColor(TcxButtonPaintState state) const;
    virtual TColor GetTabEdgeLightColor() const;
    virtual TColor GetTabEdgeDarkColor() const;
    virtual TColor GetHotFrameColor() const;

protected:
    TcxUltraFlatLookAndFeelPainter() = default;
};

class TcxOffice11LookAndFeelPainter : public TcxUltraFlatLookAndFeelPainter {
public:
    VZ_CLASS(TcxOffice11LookAndFeelPainter, TcxUltraFlatLookAndFeelPainter)
    static const TcxOffice11LookAndFeelPainter* Painter();

    int GetPaintStyle() const override;

protected:
    TcxOffice11LookAndFeelPainter() = default;
};
