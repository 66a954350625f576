#include "ui/editors/TextEditViewInfo.h"

#include "ui/core/Geometry.h"

TcxCustomTextEditViewInfo::TcxCustomTextEditViewInfo() : font_(std::make_unique<TFont>()) {}

TcxCustomTextEditViewInfo::~TcxCustomTextEditViewInfo() = default;

void TcxCustomTextEditViewInfo::PaintText(TcxCanvas&) {}

void TcxCustomTextEditViewInfo::Offset(int dx, int dy) {
    ShiftRects(dx, dy);
}

void TcxCustomTextEditViewInfo::ShiftRects(int dx, int dy) {
    TcxCustomEditViewInfo::ShiftRects(dx, dy);
    TextRect = ShiftRect(TextRect, dx, dy);
}

void TcxCustomTextEditViewInfo::GetHintText(TPoint, AnsiString& text) {
    text.clear();
}
