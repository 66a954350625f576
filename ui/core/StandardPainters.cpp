#include "ui/core/StandardPainters.h"

const TcxStandardLookAndFeelPainter* TcxStandardLookAndFeelPainter::Painter() {
    static const TcxStandardLookAndFeelPainter painter;
    return &painter;
}

int TcxStandardLookAndFeelPainter::GetPaintStyle() const {
    return cxPaintStyleStandard;
}

// ---------------------------------------------------------------------------------------------
const TcxFlatLookAndFeelPainter* TcxFlatLookAndFeelPainter::Painter() {
    static const TcxFlatLookAndFeelPainter painter;
    return &painter;
}

int TcxFlatLookAndFeelPainter::GetPaintStyle() const {
    return cxPaintStyleFlat;
}
