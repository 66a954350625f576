#pragma once
// The view info of editors that show a text: the text, where it goes, its colour and font, the
// editing style, the selection to paint (with its colours, or the whole-content bar of a
// fixed-list completion), the text flags and the rows the text was laid out in. It paints the
// text itself when no inner edit shows it, and offers the full text as a hint when it is cut.
#include <memory>

#include "ui/core/TextLayout.h"
#include "ui/editors/TextEditText.h"
#include "ui/editors/framework/EditViewInfo.h"

class TcxCustomTextEditViewInfo : public TcxCustomEditViewInfo {
public:
    VZ_CLASS(TcxCustomTextEditViewInfo, TcxCustomEditViewInfo)
    TcxCustomTextEditViewInfo();
    ~TcxCustomTextEditViewInfo() override;
    static TcxContainerViewInfoClass Class();

    AnsiString Text;
    TRect TextRect{};
    TColor TextColor = clWindowText;
    // The font the text is drawn in (a copy of the style's visible font).
    TFont& Font() { return *font_; }

    TcxTextEditingStyle EditingStyle = tesFreeText;
    // An inner edit shows the text: the view info paints none.
    bool HasInnerEdit = false;
    bool HasPopupWindow = false;
    // The selection to paint, in bytes of Text, and its colours.
    int SelStart = 0;
    int SelLength = 0;
    TColor SelBackgroundColor = clHighlight;
    TColor SelTextColor = clHighlightText;
    // A fixed-list completion: the whole content is painted as a selection bar.
    bool DrawSelectionBar = false;
    // The most rows the text is laid out in (0: no limit).
    int MaxLineCount = 0;
    // The text layout flags (txo...).
    int DrawTextFlags = 0;
    // Paints the content instead of the text when set.
    TcxEditPaintEvent OnDrawContentHandler;

    // The rows cache: laid out at the first paint or hint test after a layout.
    bool TextRowsInitialized() const { return rowsInitialized_; }
    const TRect& TextRowsRect() const { return rowsRect_; }
    const TcxTextRows& TextRows() const { return rows_; }
    int TextRowCount() const { return rowCount_; }
    // Not every row fitted the text rectangle.
    bool TextWasCut() const { return textWasCut_; }
    // Lays the text out into the rows cache (nothing when it is in force).
    void PrepareTextRows(TcxCanvas& canvas);
    void InvalidateTextRows();

    // Draws the text on the canvas (laid-out rows, the selection in its colours).
    virtual void PaintText(TcxCanvas& canvas);
    // Moves the view info, its text rectangle and its laid-out rows.
    virtual void Offset(int dx, int dy);
    void ShiftRects(int dx, int dy) override;
    // The editor's background, buttons, content fill, text and focus rectangle.
    void DrawContainer(TcxCanvas& canvas) override;
    // Buttons first; then a point over a text that does not fit shows the full text over it.
    bool GetHintInfo(TPoint p, bool& flag, AnsiString& text, TRect& rect) override;
    void AssignFromViewInfo(TcxContainerViewInfo* other) override;

protected:
    // The rectangle the content is painted in (the client rect less a pixel on every side for a
    // standalone editor), filled when the editor fills it.
    TRect PaintContentBackground(TcxCanvas& canvas);
    void DrawFocusRectangle(TcxCanvas& canvas, const TRect& rect);

private:
    std::unique_ptr<TFont> font_;
    bool rowsInitialized_ = false;
    TRect rowsRect_{};
    TcxTextRows rows_;
    int rowCount_ = 0;
    bool textWasCut_ = false;
};
