#pragma once
// The check box's layout (box, caption and focus rectangle by alignment) and its drawing: the box
// from a glyph strip, a skin painter, the native theme or by hand by frame style, then the caption
// and the focus rectangle. A change of the check state or the box state repaints the box alone.
#include "ui/editors/CheckBox.h"
#include "ui/editors/TextEditViewInfo.h"
#include "ui/editors/framework/EditViewData.h"

// The themed button part of a check box.
constexpr int cxCheckBoxThemePart = 3; // BP_CHECKBOX

// The index in a glyph strip of count images for a state (0 unchecked, 1 checked, 2 grayed) and
// the pressed look: R images a set (3 when count is a multiple of 3 or odd, else 2), the pressed
// set after the normal one, an index past the strip taken modulo R and, still past it, image 0.
int CheckBoxGlyphIndex(int glyphCount, TcxCheckBoxState state, bool pressed);
// The themed state: 1 + 4 x check state + button state.
int CheckBoxThemeState(TcxCheckBoxState state, TcxCheckBoxButtonState buttonState);
// The frame style the hand-drawn box takes while hot.
TcxEditBorderStyle CheckBoxHotFrameStyle(TcxEditBorderStyle style);

class TcxCustomCheckBoxViewInfo : public TcxCustomTextEditViewInfo {
public:
    VZ_CLASS(TcxCustomCheckBoxViewInfo, TcxCustomTextEditViewInfo)

    TcxCheckBoxState State = cbsUnchecked;
    TcxCheckBoxButtonState BoxState = cbbsNormal;
    TRect BoxRect{};
    TRect FocusRect{};
    TBitmap* Glyph = nullptr; // the properties' (not owned)
    int GlyphCount = 0;
    bool UsesGlyph = false;
    TcxCheckBoxNullValueShowingStyle NullStyle = nssGrayedChecked;
    // The style's border style, which frames the hand-drawn box (the editor has no border).
    TcxEditBorderStyle BoxFrameStyle = ebsNone;
    // Where the box's inside starts within it.
    int MarkOffset = 2;
    int TextFlags = 0;
    // The themed check box is in force.
    bool NativeBox = false;
    TcxCustomLookAndFeelPainterClass Painter = nullptr;

    // The state the box shows: a grayed value shown with nssUnchecked looks unchecked.
    TcxCheckBoxState ShownState() const;
    void DrawOn(TcxCanvas& canvas) override;
    void PaintText(TcxCanvas& canvas) override;
    void PaintBox(TcxCanvas& canvas);
    void AssignFromViewInfo(TcxContainerViewInfo* other) override;
    bool RepaintsOnStateChange() override { return false; }
    // A change of only the check state or the box state invalidates the box.
    bool RepaintChanges(TWinControl* control, const TRect& innerRect, TcxContainerViewInfo* old) override;
    void Offset(int dx, int dy) override;

protected:
    void DrawGlyphBox(TcxCanvas& canvas);
    void DrawThemedBox(TcxCanvas& canvas, HTHEME theme);
    void DrawOwnBox(TcxCanvas& canvas);
};

class TcxCustomCheckBoxViewData : public TcxCustomEditViewData {
public:
    VZ_CLASS(TcxCustomCheckBoxViewData, TcxCustomEditViewData)
    using TcxCustomEditViewData::TcxCustomEditViewData;

    // The editor has no border of its own.
    TRect GetBorderExtent() override { return TRect{}; }
    void CalculateLayout(TcxCanvas& canvas, const TRect& bounds, TPoint p, int button, TShiftState shift,
                         TcxCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    void EditValueToViewInfo(TcxCanvas& canvas, const Variant& value,
                             TcxCustomEditViewInfo* viewInfo) override;
    // The box's size: the glyph cell, the skin's, the themed or the painter's check box.
    TSize GetBoxSize(TcxCanvas& canvas);
    // Auto size: the whole box and the caption beside it, with the 2-pixel margins of the layout.
    TSize MeasureContent(TcxCanvas& canvas, const Variant& value, int width) override;

private:
    TcxCustomCheckBoxProperties* CheckBoxProperties() const;
    // Set by EditValueToViewInfo (a host's value); otherwise the editor's state is shown.
    bool stateGiven_ = false;
};
