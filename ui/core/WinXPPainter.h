#pragma once
// The native painter: draws through the visual-style library and falls back to the standard
// painter where a theme does not open.
#include "ui/core/StandardPainters.h"

class TcxWinXPLookAndFeelPainter : public TcxStandardLookAndFeelPainter {
public:
    VZ_CLASS(TcxWinXPLookAndFeelPainter, TcxStandardLookAndFeelPainter)
    static const TcxWinXPLookAndFeelPainter* Painter();

    int GetPaintStyle() const override;

protected:
    TcxWinXPLookAndFeelPainter() = default;
};
