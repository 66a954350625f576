#pragma once
// The skin look-and-feel painter: the Office 2003 painter that draws with a skin's elements and
// colours wherever its skin info has them, and takes the inherited path wherever it has not.
#include "ui/core/UltraFlatPainters.h"
#include "ui/skins/SkinInfo.h"

// The skin info registered with a skin painter.
class TdxSkinLookAndFeelPainterInfo : public TdxSkinInfo {
public:
    VZ_CLASS(TdxSkinLookAndFeelPainterInfo, TdxSkinInfo)
    explicit TdxSkinLookAndFeelPainterInfo(TdxSkin* skin) : TdxSkinInfo(skin) {}
};

TdxSkinElementState ButtonStateToSkinState(TcxButtonPaintState state);

class TdxSkinLookAndFeelPainter : public TcxOffice11LookAndFeelPainter {
public:
    VZ_CLASS(TdxSkinLookAndFeelPainter, TcxOffice11LookAndFeelPainter)
    static const TdxSkinLookAndFeelPainter* Painter();

    // The data the painter registry holds for this painter; nil when it is not registered.
    virtual TdxSkinLookAndFeelPainterInfo* GetSkinInfo() const;
    virtual void GetSkinUnitName(AnsiString& name) const;
    // "CloseButton" or "EditorButton" of "Editors" in r; false, drawing nothing, without it.
    virtual bool PaintEditButtonBackground(TcxCanvas* canvas, const TRect& r, TdxSkinElementState state,
                                           bool isCloseButton) const;

    TColor GetContentColor() const override;
    TColor GetContentEvenColor() const override;
    TColor GetContentOddColor() const override;
    TColor GetContentTextColor() const override;
    TColor GetDetailsSiteColor() const override;
    TColor GetEditorBackColor(bool disabled) const override;
    TColor GetEditorTextColor(bool disabled) const override;
    TColor GetHeaderAreaColor() const override;
    TColor GetSelectionColor() const override;
    TColor GetSelectionTextColor() const override;
    void PaintWindowBackground(TcxCanvas* canvas, const TRect& r) const override;

protected:
    TdxSkinLookAndFeelPainter() = default;
};
