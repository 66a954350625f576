#pragma once
// The view info of editors that show a text: the text, where it goes, its colour and font, and the
// slot that draws it. Text editors extend it with their editing state.
#include "ui/editors/framework/EditViewInfo.h"

class TcxCustomTextEditViewInfo : public TcxCustomEditViewInfo {
public:
    VZ_CLASS(TcxCustomTextEditViewInfo, TcxCustomEditViewInfo)
    TcxCustomTextEditViewInfo();
    ~TcxCustomTextEditViewInfo() override;

    AnsiString Text;
    TRect TextRect{};
    TColor TextColor = clWindowText;
    // The font the text is drawn in (a copy of the style's visible font).
    TFont& Font() { return *font_; }

    // Draws the text on the canvas; nothing in the base.
    virtual void PaintText(TcxCanvas& canvas);
    // Moves the view info and its text rectangle.
    virtual void Offset(int dx, int dy);
    void ShiftRects(int dx, int dy) override;
    // No hint of its own: an empty text.
    void GetHintText(TPoint p, AnsiString& text) override;

private:
    std::unique_ptr<TFont> font_;
};
