#pragma once
// The layout of one editor: its state (normal, focused, disabled, hot), border style and extents,
// colours, the client rect the inner edit or the content occupies, the bounds, states and group
// marks of the edit buttons, and the size the editor needs. A view data object lives for one
// calculation; hosts use one without an editor to lay out a cell (Edit is then nullptr).
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/forms/Forms.h"
#include "ui/core/Canvas.h"
#include "ui/core/LookAndFeel.h"
#include "ui/editors/framework/EditProperties.h"
#include "ui/editors/framework/EditStyles.h"
#include "ui/editors/framework/EditViewInfo.h"

class TcxCustomEdit;
class IcxCustomInnerEdit;
class TcxScrollBar;

// Not set: the value of the two size fields after construction, and of colours nobody gave.
constexpr int cxEditNotSet = 536870912;

// The container's state bits as the layout keeps them.
constexpr uint8_t cxEditStateNormal = 1;
constexpr uint8_t cxEditStateFocused = 2;
constexpr uint8_t cxEditStateDisabled = 4;
constexpr uint8_t cxEditStateHot = 8;

// Where the inner edit lies within the client rect (computed once per editor).
struct TcxEditInnerEditOffsets {
    TRect Rect{};
    TRect ContentOffsets{}; // left, top, right, bottom
    uint8_t Flags = 0;      // bit 1: a pressed button's content moves by one pixel
    int HorzCorrection = 0; // 3 - (left + right)
    int HeightCorrection = 0;
};

// Limits of the auto size: negative values are not limits.
struct TcxEditSizeLimits {
    int Height = -1;
    int LineCount = 0;
    int Width = -1;
};

using TcxEditGetDefaultButtonWidthEvent = std::function<void(TObject* Sender, int AIndex, int& AWidth)>;
using TcxEditGetDisplayTextEvent = std::function<void(TObject* Sender, AnsiString& AText)>;

class TcxCustomEditViewData : public TPersistent {
public:
    VZ_CLASS(TcxCustomEditViewData, TPersistent)
    TcxCustomEditViewData(TcxCustomEditProperties* properties, TcxCustomEditStyle* style, bool isInplace);
    ~TcxCustomEditViewData() override;
    // Reads the properties (a constructor cannot reach a descendant's ReadProperties).
    virtual void Initialize();
    // A factory of class T: constructs it and runs Initialize.
    template <class T> static TcxCustomEditViewDataClass ClassOf() {
        return [](TcxCustomEditProperties* properties, TcxCustomEditStyle* style, bool isInplace) {
            std::unique_ptr<TcxCustomEditViewData> data = std::make_unique<T>(properties, style, isInplace);
            data->Initialize();
            return data;
        };
    }
    static TcxCustomEditViewDataClass Class() { return ClassOf<TcxCustomEditViewData>(); }

    TObject* HostData = nullptr;
    bool InplaceMode = false;
    int LeftGroupFirst = -1;
    int LeftGroupLast = -1;
    int RightGroupFirst = -1;
    int RightGroupLast = -1;
    TcxEditGetDefaultButtonWidthEvent OnGetDefaultButtonWidth;
    TcxEditGetDisplayTextEvent OnGetDisplayText;
    TcxCustomEdit* Edit = nullptr;
    TcxCustomEditProperties* Properties = nullptr;
    TcxCustomEditStyle* Style = nullptr;
    bool FillButtons = false;
    TRect BoundsRect{};
    int VisibleButtonCount = 0;
    uint8_t ContainerState = cxEditStateNormal;
    TRect InplaceBorderExtent{};
    TcxEditInnerEditOffsets InnerEditOffsets;
    bool Enabled = true;
    bool Focused = false;
    TAlignment HorzAlignment = taLeftJustify;
    TControl* HScrollBar = nullptr;
    TControl* VScrollBar = nullptr;
    IcxCustomInnerEdit* InnerEdit = nullptr;
    // The inner edit's control, whose bounds the inner edit rect takes.
    TControl* InnerEditControl = nullptr;
    bool IsDesigning = false;
    bool UsesDisplayFormat = false;
    bool NativeLook = false;
    uint8_t PaintFlags = 0;
    bool ExternalFlag = false;
    bool FocusedOrHot = false;
    int MaxWidth = cxEditNotSet;
    int MaxHeight = cxEditNotSet;
    TcxEditVertAlignment VertAlignment = taTopJustify;
    HWND WindowHandle = nullptr;

    virtual void CalcNativeButtonPart(TcxEditButtonViewInfo* button);
    virtual bool CanButtonTrackMouse(int index) {
        (void)index;
        return true;
    }
    virtual uint8_t GetContainerState(TPoint p, bool isMouseEvent);
    virtual TRect GetContentOffsets();
    virtual int GetNativeState(uint8_t state);
    virtual bool UsesThickBorder();
    virtual void ReadProperties();
    virtual void CalcInnerEditOffsets(TcxEditInnerEditOffsets& offsets);
    virtual void ResetState();
    virtual void FormatValueText(const Variant& value, AnsiString& text) {
        (void)value, (void)text;
    }
    virtual void CalcEditorContentSize(TcxCanvas& canvas, TcxCustomEditViewInfo* viewInfo, TSize& minSize,
                                       TSize& extraSize);
    virtual TSize MeasureContent(TcxCanvas& canvas, const Variant& value, int width) {
        (void)canvas, (void)value, (void)width;
        return TSize{0, 0};
    }
    virtual bool ShowsButtonPressed(int index) {
        (void)index;
        return false;
    }
    // bounds: the editor's; p: the mouse (-1, -1 none); button: the mouse button of the event
    // (mbLeft...) or -1; shift: only its mouse-button bits count.
    virtual void CalculateLayout(TcxCanvas& canvas, const TRect& bounds, TPoint p, int button, TShiftState shift,
                                 TcxCustomEditViewInfo* viewInfo, bool isMouseEvent);
    virtual void PlaceButton(TcxCustomEditViewInfo* viewInfo, int index, TRect& rest, int width);
    virtual void CalculateButtonStates(TcxCanvas& canvas, TcxCustomEditViewInfo* viewInfo, TPoint p,
                                       TShiftState shift, bool isMouseEvent);
    virtual void FillButtonViewInfo(TcxCanvas& canvas, TcxCustomEditViewInfo* viewInfo, int index,
                                    TcxEditButton* button, int collectionIndex);
    virtual void DistributeButtonWidths(TcxCustomEditViewInfo* viewInfo, int totalWidth, int extraWidth);
    virtual void EditValueToViewInfo(TcxCanvas& canvas, const Variant& value, TcxCustomEditViewInfo* viewInfo) {
        (void)canvas, (void)value, (void)viewInfo;
    }
    virtual TColor ResolveBorderColor();
    virtual TRect GetBorderExtent();
    virtual TRect ExtentOnEdges(int width);
    virtual TRect GetStyleBorderExtent();
    virtual TcxEditBorderStyle EffectiveBorderStyle();
    virtual TRect GetNativeBorderExtent();
    // Margins between the bounds and the client rect.
    virtual TRect CalcEditSize(TcxCanvas& canvas, TcxCustomEditViewInfo* viewInfo);
    // Lays out a temporary view info when none is given.
    virtual TSize MeasureValue(TcxCanvas& canvas, bool isInplace, const Variant& value,
                               TcxCustomEditViewInfo* viewInfo);
    virtual TSize GetTextContentSize(TcxCanvas& canvas, const Variant& value, int width);
    virtual TSize SumContentOffsets();
    virtual bool HasShadow();
    virtual bool IsButtonWidthFixed(int index) {
        (void)index;
        return false;
    }
    // The look and feel asks for native style and the edit theme opens.
    static bool UsesNativeLook(const TcxLookAndFeel& lookAndFeel);

    // The size for auto size within limits.
    TSize CalculateAutoSize(TcxCanvas& canvas, const Variant& value, const TcxEditSizeLimits& limits);
    TcxCustomEditStyle* GetEditStyle() const { return Style; }
    bool IsFocusedForConversion();
    // FormatValueText, then OnGetDisplayText.
    void GetDisplayTextOfValue(const Variant& value, AnsiString& text);
    TcxCustomLookAndFeelPainterClass SkinPainter() const;
    // The width a button needs (margins, glyph, caption).
    int GetEditButtonWidth(TcxCanvas& canvas, TcxEditButton* button, bool loneDropDown);

protected:
    // The Normal style of the style in force.
    TcxCustomEditStyle* BaseStyle() const;
    bool IsInplace() const { return InplaceMode; }

    // The resolved style of the buttons: the style's ButtonStyle, else by border style (by the
    // look-and-feel kind for an inplace editor).
    TcxEditButtonStyle ResolveButtonStyle();
    // Native style is on and the push-button (combo-box for a lone drop-down button) theme opens.
    bool IsNativeButton(bool loneDropDown);
    int GetButtonWidth(TcxCanvas& canvas, TcxEditButtonKind kind, int width, TBitmap* glyph,
                       const AnsiString& caption, bool loneDropDown);

private:
    void StateStep(TcxCustomEditViewInfo* viewInfo, TPoint p, bool isMouseEvent);
    void SetGroupMarks(TcxCustomEditViewInfo* viewInfo);
    // Widens a button by delta, moving the buttons of its side that lie further in.
    void WidenButton(TcxCustomEditViewInfo* viewInfo, int index, int delta);
    TShiftState mouseShift_;
    int mouseButton_ = -1;
};
