#include "ui/skins/SkinPainter.h"

#include "ui/core/PainterRegistry.h"

TdxSkinElementState ButtonStateToSkinState(TcxButtonPaintState state) {
    switch (state) {
    case bpsHot:
        return esHot;
    case bpsPressed:
        return esPressed;
    case bpsDisabled:
        return esDisabled;
    default:
        return esNormal;
    }
}

namespace {
// The colour's value, or clDefault when there is no such colour.
TColor ColorOf(const TdxSkinColor* color) {
    return color ? color->Value() : clDefault;
}
} // namespace

const TdxSkinLookAndFeelPainter* TdxSkinLookAndFeelPainter::Painter() {
    static const TdxSkinLookAndFeelPainter painter;
    return &painter;
}

TdxSkinLookAndFeelPainterInfo* TdxSkinLookAndFeelPainter::GetSkinInfo() const {
    TcxExtendedStylePainters* registry = GetStylePainterRegistry();
    TObject* data = nullptr;
    if (!registry || !registry->FindDataOfPainter(this, data)) return nullptr;
    return dynamic_cast<TdxSkinLookAndFeelPainterInfo*>(data);
}

void TdxSkinLookAndFeelPainter::GetSkinUnitName(AnsiString& name) const {
    name = "dxSkinsLookAndFeelPainter";
}

bool TdxSkinLookAndFeelPainter::PaintEditButtonBackground(TcxCanvas* canvas, const TRect& r,
                                                          TdxSkinElementState state,
                                                          bool isCloseButton) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (!info) return false;
    TdxSkinElement* element = isCloseButton ? info->CloseButton : info->EditorButton;
    if (!element) return false;
    element->Render(canvas->GetDCHandle(), r, 0, state);
    return true;
}

// Each colour operation: the skin's value, else the inherited one.
#define VZ_SKIN_COLOR(Operation, Reference)                                                                  \
    TColor TdxSkinLookAndFeelPainter::Operation() const {                                                    \
        TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();                                                 \
        if (info && info->Reference) return info->Reference->Value();                                        \
        return TcxOffice11LookAndFeelPainter::Operation();                                                   \
    }
VZ_SKIN_COLOR(GetContentColor, ContentColor)
VZ_SKIN_COLOR(GetContentTextColor, ContentTextColor)
VZ_SKIN_COLOR(GetDetailsSiteColor, ContentColor)
VZ_SKIN_COLOR(GetHeaderAreaColor, HeaderBackgroundColor)
VZ_SKIN_COLOR(GetSelectionColor, SelectionColor)
VZ_SKIN_COLOR(GetSelectionTextColor, SelectionTextColor)
#undef VZ_SKIN_COLOR

// A clDefault even or odd colour counts as missing.
TColor TdxSkinLookAndFeelPainter::GetContentEvenColor() const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TColor color = info ? ColorOf(info->ContentEvenColor) : clDefault;
    return color != clDefault ? color : TcxOffice11LookAndFeelPainter::GetContentEvenColor();
}

TColor TdxSkinLookAndFeelPainter::GetContentOddColor() const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TColor color = info ? ColorOf(info->ContentOddColor) : clDefault;
    return color != clDefault ? color : TcxOffice11LookAndFeelPainter::GetContentOddColor();
}

TColor TdxSkinLookAndFeelPainter::GetEditorBackColor(bool disabled) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinColor* color =
        info ? (disabled ? info->EditorsBackgroundDisabledColor : info->EditorsBackgroundColor) : nullptr;
    return color ? color->Value() : TcxOffice11LookAndFeelPainter::GetEditorBackColor(disabled);
}

TColor TdxSkinLookAndFeelPainter::GetEditorTextColor(bool disabled) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    TdxSkinColor* color =
        info ? (disabled ? info->EditorsTextDisabledColor : info->EditorsTextColor) : nullptr;
    return color ? color->Value() : TcxOffice11LookAndFeelPainter::GetEditorTextColor(disabled);
}

void TdxSkinLookAndFeelPainter::PaintWindowBackground(TcxCanvas* canvas, const TRect& r) const {
    TdxSkinLookAndFeelPainterInfo* info = GetSkinInfo();
    if (info && info->FormContent)
        canvas->FillRectColor(r, info->FormContent->Color());
    else
        TcxOffice11LookAndFeelPainter::PaintWindowBackground(canvas, r);
}
