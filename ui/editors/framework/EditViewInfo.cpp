#include "ui/editors/framework/EditViewInfo.h"

void TcxEditButtonViewInfo::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TcxEditButtonViewInfo*>(source);
    if (!other) return TPersistent::Assign(source);
    Bounds = other->Bounds;
    Data = other->Data;
    Glyph = other->Glyph;
    HasBackground = other->HasBackground;
}
std::unique_ptr<TcxRegion> TcxEditButtonViewInfo::GetUpdateRegion(const TcxEditButtonViewInfo*) const {
    return TcxRegion::CreateEmpty();
}
bool TcxEditButtonViewInfo::Repaint(HWND, const TcxEditButtonViewInfo*) const { return false; }
bool TcxEditButtonViewInfo::IsSameLook(const TcxEditButtonViewInfo*) const { return true; }

TcxCustomEditViewInfo::TcxCustomEditViewInfo() = default;
TcxCustomEditViewInfo::~TcxCustomEditViewInfo() = default;
TcxContainerViewInfoClass TcxCustomEditViewInfo::Class() {
    return []() -> std::unique_ptr<TcxContainerViewInfo> { return std::make_unique<TcxCustomEditViewInfo>(); };
}
void TcxCustomEditViewInfo::SetButtonCount(int count) {
    ButtonInfos.clear();
    TcxEditButtonViewInfoClass make = ButtonViewInfoClass();
    for (int i = 0; i < count; ++i) ButtonInfos.push_back(make());
}
TcxEditButtonViewInfoClass TcxCustomEditViewInfo::ButtonViewInfoClass() {
    return [] { return std::make_unique<TcxEditButtonViewInfo>(); };
}
void TcxCustomEditViewInfo::GetPainterEditorColors(TColor& background, TColor& text) {
    background = text = static_cast<TColor>(536870912);
}
void TcxCustomEditViewInfo::RenderButton(TcxCanvas&, int) {}
void TcxCustomEditViewInfo::DrawButtonFrame3D(TcxCanvas&, int, TRect&, TRect&, TColor&, TColor&) {}
void TcxCustomEditViewInfo::DrawButtonFrameFlat(TcxCanvas&, int, TRect&, TRect&, TColor&, TColor&) {}
void TcxCustomEditViewInfo::DrawButtonFrameHotFlat(TcxCanvas&, int, TRect&, TRect&, TColor&, TColor&) {}
void TcxCustomEditViewInfo::DrawButtonFrameNative(TcxCanvas&, int, TRect&, TRect&) {}
void TcxCustomEditViewInfo::DrawButtonFrameSimple(TcxCanvas&, int, TRect&, TRect&, TColor&, TColor&) {}
void TcxCustomEditViewInfo::DrawButtonFrameUltraFlat(TcxCanvas&, int, TRect&, TRect&, TColor&, TColor&) {}
void TcxCustomEditViewInfo::DrawThemedButton(TcxCanvas&, int, const TRect&) {}
void TcxCustomEditViewInfo::FillButtonBackground(TcxCanvas&, int, const TRect&, TColor) {}
void TcxCustomEditViewInfo::PaintButton(TcxCanvas&, int) {}
void TcxCustomEditViewInfo::DrawNativeBackground(TcxCanvas&, bool, TColor, int) {}
void TcxCustomEditViewInfo::DrawButtonFrameByStyle(TcxCanvas&, int, TRect&, TRect&, TColor&, TColor&) {}
void TcxCustomEditViewInfo::DrawButtonContent(TcxCanvas&, int, bool, TColor, const TRect&) {}
bool TcxCustomEditViewInfo::FindHotButton(int& index) {
    index = -1;
    return false;
}
bool TcxCustomEditViewInfo::IsPointOnButton(TPoint) { return false; }
void TcxCustomEditViewInfo::GetHintText(TPoint, AnsiString& text) { text = AnsiString(); }
bool TcxCustomEditViewInfo::GetHintInfo(TPoint, bool& flag, AnsiString& text, TRect& rect) {
    flag = false;
    text = AnsiString();
    rect = TRect{};
    return false;
}
bool TcxCustomEditViewInfo::RepaintChanges(TWinControl*, const TRect&, TcxContainerViewInfo*) { return false; }
void TcxCustomEditViewInfo::DrawContainer(TcxCanvas& canvas) { TcxContainerViewInfo::DrawContainer(canvas); }
void TcxCustomEditViewInfo::AssignFromViewInfo(TcxContainerViewInfo* other) {
    TcxContainerViewInfo::AssignFromViewInfo(other);
}
std::unique_ptr<TcxRegion> TcxCustomEditViewInfo::GetChangedRegion(TcxContainerViewInfo* other) {
    return TcxContainerViewInfo::GetChangedRegion(other);
}
void TcxCustomEditViewInfo::ShiftRects(int dx, int dy) { TcxContainerViewInfo::ShiftRects(dx, dy); }
void TcxCustomEditViewInfo::DrawOn(TcxCanvas& canvas) { DrawContainer(canvas); }
void TcxCustomEditViewInfo::DrawStandardFrame(TcxCanvas&, bool) {}
int TcxCustomEditViewInfo::GetBackgroundKind() { return 1; }
void TcxCustomEditViewInfo::PaintBackground(TcxCanvas&, const TRect&, bool, const TRect&) {}
bool TcxCustomEditViewInfo::IsTransparent() { return Transparent; }
int TcxCustomEditViewInfo::ButtonAt(TPoint) { return -1; }

void DrawEditBackground(TcxCanvas&, TcxCustomEditViewInfo*, bool, int) {}
