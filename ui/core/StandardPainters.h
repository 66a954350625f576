#pragma once
// The two classic painters: standard (two-pixel 3-D frames, the system's scroll-bar arrows) and
// flat (one-pixel 3-D frames).
#include "ui/core/LookAndFeelPainters.h"

class TcxStandardLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
public:
    VZ_CLASS(TcxStandardLookAndFeelPainter, TcxCustomLookAndFeelPainter)
    static const TcxStandardLookAndFeelPainter* Painter();

    int GetPaintStyle() const override;

protected:
    TcxStandardLookAndFeelPainter() = default;
};

class TcxFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
public:
    VZ_CLASS(TcxFlatLookAndFeelPainter, TcxCustomLookAndFeelPainter)
    static const TcxFlatLookAndFeelPainter* Painter();

    int GetPaintStyle() const override;

protected:
    TcxFlatLookAndFeelPainter() = default;
};
