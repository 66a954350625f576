#include "ui/core/WinXPPainter.h"

const TcxWinXPLookAndFeelPainter* TcxWinXPLookAndFeelPainter::Painter() {
    static const TcxWinXPLookAndFeelPainter painter;
    return &painter;
}

int TcxWinXPLookAndFeelPainter::GetPaintStyle() const {
    return cxPaintStyleNative;
}
