#include "ui/core/UltraFlatPainters.h"

const TcxUltraFlatLookAndFeelPainter* TcxUltraFlatLookAndFeelPainter::Painter() {
    static const TcxUltraFlatLookAndFeelPainter painter;
    return &painter;
}

int TcxUltraFlatLookAndFeelPainter::GetPaintStyle() const {
    return cxPaintStyleUltraFlat;
}

TColor TcxUltraFlatLookAndFeelPainter::GetFilterDropButtonBorderColor(TcxButtonPaintState state) const {
    return state == bpsNormal ? clBtnShadow : clHighlight;
}

TColor TcxUltraFlatLookAndFeelPainter::GetTabEdgeLightColor() const {
    return clBtnShadow;
}

TColor TcxUltraFlatLookAndFeelPainter::GetTabEdgeDarkColor() const {
    return clBtnText;
}

TColor TcxUltraFlatLookAndFeelPainter::GetHotFrameColor() const {
    return clHighlight;
}

// ---------------------------------------------------------------------------------------------
const TcxOffice11LookAndFeelPainter* TcxOffice11LookAndFeelPainter::Painter() {
    static const TcxOffice11LookAndFeelPainter painter;
    return &painter;
}

int TcxOffice11LookAndFeelPainter::GetPaintStyle() const {
    return cxPaintStyleOffice11;
}
