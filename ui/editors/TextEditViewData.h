#pragma once
// The text editor's layout step: the text rectangle and its flags, the display text of a value,
// the selection colours, the size the text needs (auto size) and where the inner edit goes.
#include "ui/editors/TextEditProperties.h"
#include "ui/editors/TextEditViewInfo.h"
#include "ui/editors/framework/EditViewData.h"

// Where the inner edit of height lineHeight goes in the client rect: offsets applied, one pixel
// wider than the room between them, placed by the vertical alignment and never above the top.
TRect CalcInnerTextEditRect(const TRect& client, const TRect& contentOffsets, int lineHeight,
                            TcxEditVertAlignment alignment);

class TcxCustomTextEditViewData : public TcxCustomEditViewData {
public:
    VZ_CLASS(TcxCustomTextEditViewData, TcxCustomEditViewData)
    using TcxCustomEditViewData::TcxCustomEditViewData;
    static TcxCustomEditViewDataClass Class() { return ClassOf<TcxCustomTextEditViewData>(); }

    // The selection to paint (bytes) and the colours asked for (clDefault: none asked).
    int SelStart = 0;
    int SelLength = 0;
    TColor SelBackgroundColor = clDefault;
    TColor SelTextColor = clDefault;
    // The row limit (0: none).
    int MaxRowCount = 0;
    // The text may wrap at words (with the properties' support, and unless they suppress it).
    bool WordWrap = false;
    // Values are painted without text.
    bool NoDisplayText = false;
    // An empty text measures no height.
    bool EmptyTextHasNoHeight = false;
    // The glass look of a native button part.
    bool IsGlass = false;
    // A popup of the editor is open (no focus rectangle then).
    bool HasPopupWindow = false;
    // The text rectangle may be lower than one line.
    bool SkipsMinTextHeight = false;
    // Values are shown by their string form (the provider's display format applies).
    bool ValueShownUnformatted() const { return valueShownUnformatted_; }

    TcxCustomTextEditProperties* TextProperties() const;

    virtual bool HasVisibleInnerEdit();
    virtual int GetMaxRowCount() { return MaxRowCount; }
    virtual bool HasThemedTextArea() { return false; }
    virtual void PrepareTextFlags(TcxCanvas& canvas, TcxCustomTextEditViewInfo* viewInfo);
    virtual void SetTextFromValue(const Variant& value, TcxCustomTextEditViewInfo* viewInfo);
    virtual int GetTextFlags();
    virtual TRect GetTextOffsets();

    void CalcNativeButtonPart(TcxEditButtonViewInfo* button) override;
    void ReadProperties() override;
    void FormatValueText(const Variant& value, AnsiString& text) override;
    TSize MeasureContent(TcxCanvas& canvas, const Variant& value, int width) override;
    void CalculateLayout(TcxCanvas& canvas, const TRect& bounds, TPoint p, int button, TShiftState shift,
                         TcxCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    void EditValueToViewInfo(TcxCanvas& canvas, const Variant& value, TcxCustomEditViewInfo* viewInfo) override;
    TRect CalcEditSize(TcxCanvas& canvas, TcxCustomEditViewInfo* viewInfo) override;

private:
    TcxTextEditingStyle EditingStyle() const;
    bool WrapsText();
    bool valueShownUnformatted_ = false;
};
