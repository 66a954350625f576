#pragma once
// The base of every windowed control of the library: painting on a TcxCanvas, its own look and
// feel, a pair of scroll bars and a size grip inside the client area, in-control drag and drop
// beside the platform's, panning with the middle button, wheel scrolling and popup menus.
// Also the small companions that need it: child components, the size grip and the drag objects.
#include <functional>
#include <memory>
#include <vector>

#include "platform/forms/Menus.h"
#include "platform/graphics/ImageList.h"
#include "ui/core/ControlServices.h"
#include "ui/core/CoreClasses.h"
#include "ui/core/ScrollBar.h"

class TcxControl;

// The object that holds the mouse inside a control is told to let go through this interface.
class IcxMouseCaptureObject {
public:
    virtual ~IcxMouseCaptureObject() = default;
    virtual void DoCancelMode() = 0;
};

// Told when the control's font changes.
class IcxFontListener {
public:
    virtual ~IcxFontListener() = default;
    virtual void Changed(TObject* sender, TFont* font) = 0;
};

// ---------------------------------------------------------------------------------------------
// A component that belongs to a control (a view, a painter of its parts).
class TcxControlChildComponent : public TcxComponent {
public:
    VZ_CLASS(TcxControlChildComponent, TcxComponent)
    // Owned by the control's owner when assignOwner, else by its creator.
    explicit TcxControlChildComponent(TcxControl* control, bool assignOwner = true);
    ~TcxControlChildComponent() override;

    TcxControl* Control() const { return control_; }
    virtual bool IsDestroying() const { return HasState(csDestroying); }
    virtual void SetControl(TcxControl* control) { control_ = control; }
    // A TcxControl as the parent component takes this one in.
    void SetParentComponent(TComponent* parent);
    TComponent* GetParentComponent() const;
    bool HasParent() const { return control_ != nullptr; }

protected:
    virtual void Initialize() {}

private:
    TcxControl* control_ = nullptr;
};

// The square between the two scroll bars.
class TcxSizeGrip : public TCustomControl {
public:
    VZ_CLASS(TcxSizeGrip, TCustomControl)
    explicit TcxSizeGrip(TComponent* owner);
    ~TcxSizeGrip() override;
    TcxLookAndFeel& LookAndFeel() { return *lookAndFeel_; }

protected:
    void Paint() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    using TCustomControl::WndProc;

private:
    std::unique_ptr<TcxLookAndFeel> lookAndFeel_;
};

// ---------------------------------------------------------------------------------------------
// In-control drag and drop: the control creates one per drag and drives it.
class TcxDragAndDropObject : public TObject {
public:
    VZ_CLASS(TcxDragAndDropObject, TObject)
    explicit TcxDragAndDropObject(TcxControl* control);

    TcxControl* Control;
    TcxCanvas* Canvas;
    TPoint CurMousePos{-1, -1}; // client coordinates
    TPoint PrevMousePos{-1, -1};
    bool Dirty() const { return dirty_; }
    void SetDirty(bool value);

    virtual TCursor GetDragAndDropCursor(bool accepted);
    virtual bool GetImmediateStart() { return false; }

    // What the control calls: the start, each move, the end.
    void DoBeginDragAndDrop();
    void DoDragAndDrop(TPoint point, bool& accepted);
    void DoEndDragAndDrop(bool accepted);

protected:
    virtual void DirtyChanged() {}
    virtual void AfterDragAndDrop(bool accepted) { (void)accepted; }
    virtual void BeginDragAndDrop() { DirtyChanged(); }
    virtual void DragAndDrop(TPoint point, bool& accepted);
    virtual void EndDragAndDrop(bool accepted);

private:
    bool dirty_ = false;
};
using TcxDragAndDropObjectClass = std::function<std::unique_ptr<TcxDragAndDropObject>(TcxControl* control)>;

// The platform drag of a control: the copy cursor while Ctrl asks for a copy.
class TcxDragControlObject : public TDragControlObject {
public:
    VZ_CLASS(TcxDragControlObject, TDragControlObject)
    explicit TcxDragControlObject(TControl* control) : TDragControlObject(control) {}
    TCursor GetDragCursor(bool accepted, int x, int y) override;
};

class TcxDragImageList : public TDragImageList {
public:
    VZ_CLASS(TcxDragImageList, TDragImageList)
    explicit TcxDragImageList(TComponent* owner = nullptr) : TDragImageList(owner) {}
};

// ---------------------------------------------------------------------------------------------
// What a control wants its bar to show; it goes to the bar in one piece.
struct TcxScrollBarData {
    int Min = 0;
    int Max = 100;
    int Position = 0;
    int PageSize = 0;
    TScrollBarInc SmallChange = 1;
    TScrollBarInc LargeChange = 1;
    bool Enabled = true;
    bool Visible = false;
    bool AllowShow = true;
    bool AllowHide = true;
};

class TcxControlScrollBar : public TcxScrollBar {
public:
    VZ_CLASS(TcxControlScrollBar, TcxScrollBar)
    explicit TcxControlScrollBar(TComponent* owner);
    ~TcxControlScrollBar() override;

    TcxScrollBarData Data;
    // Puts Data in force: the values by one SetScrollValues call, then Enabled and Visible.
    void ApplyData();

protected:
    virtual void FocusParentControl();
    void WndProc(TMessage& message) override;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TcxDragAndDropState { ddsNone, ddsStarting, ddsInProcess };
enum TcxKey { kAll, kArrows, kChars, kTab };
using TcxKeys = TSmallSet<TcxKey>;
enum TcxScrollKind { skNone, skHorizontal, skVertical };

class TcxControl : public TCustomControl, public IcxMouseTrackingCaller {
public:
    VZ_CLASS(TcxControl, TCustomControl)
    explicit TcxControl(TComponent* owner);
    ~TcxControl() override;

    TcxCanvas& Canvas() { return *canvas_; }
    TcxLookAndFeel& LookAndFeel() { return *lookAndFeel_; }
    int BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(int value);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    TcxControlScrollBar* HScrollBar() const { return hScrollBar_; }
    TcxControlScrollBar* VScrollBar() const { return vScrollBar_; }
    TcxSizeGrip* SizeGrip() const { return sizeGrip_; }
    bool FocusOnClick = true;
    TCursor DefaultCursor() const { return defaultCursor_; }
    TcxKeys Keys() const { return keys_; }
    void SetWantedKeys(TcxKeys keys) { keys_ = keys; }
    // Either a TPopupMenu or a component with the popup interface; anything else is refused.
    TComponent* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TComponent* value);
    // Explicit bounds; empty: the client rectangle.
    TRect BoundsOverride{};
    TPoint MouseDownPos() const { return mouseDownPos_; }
    bool MouseButtonPressed() const { return mouseButtonPressed_; }
    bool MouseRightButtonReleased() const { return mouseRightButtonReleased_; }
    bool IsScrollingContent() const { return isScrollingContent_; }
    TcxDragAndDropState DragAndDropState() const { return dragAndDropState_; }
    void SetDragAndDropState(TcxDragAndDropState value);
    TcxDragAndDropObject* DragAndDropObject();
    TcxDragAndDropObjectClass DragAndDropObjectClass;
    TObject* MouseCaptureObject() const { return mouseCaptureObject_; }
    void SetMouseCaptureObject(TObject* value);

    void AddFontListener(IcxFontListener* listener);
    void RemoveFontListener(IcxFontListener* listener);

    TNotifyEvent OnFocusChanged;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    // Geometry.
    virtual TRect GetBounds();
    virtual TRect GetClientBounds();
    virtual int GetBorderWidth();
    bool IsHorzScrollBarVisible() const;
    bool IsVertScrollBarVisible() const;
    virtual TRect CalcHScrollBarRect();
    virtual TRect CalcVScrollBarRect();
    virtual TRect CalcSizeGripRect();
    // Fills the pending data of one bar; RecalcScrollBars puts it in force.
    void SetScrollBarInfo(TScrollBarKind kind, int min, int max, int smallChange, int pageSize, int position,
                          bool allowShow, bool allowHide);
    virtual void RecalcScrollBars();
    void LockScrollBars() { ++scrollBarsLockCount_; }
    void UnlockScrollBars();
    virtual void BoundsChanged();
    using TCustomControl::BoundsChanged;

    virtual void ScrollContentStep(TcxDirection direction);
    virtual void RunContentPanning();
    void FinishDragAndDrop(bool accepted);
    void InvalidateArea(const TRect& rect, bool erase);
    virtual bool CanTakeFocus();
    virtual bool HasFocus() { return Focused(); }
    virtual bool IsDesigning() { return HasState(csDesigning); }
    virtual TcxCustomLookAndFeelPainterClass GetCurrentPainter() {
        return lookAndFeel_->GetEffectivePainter();
    }
    virtual bool TryPopupMenuShortCut(WORD key);
    virtual bool CanFocusOnScrollBarClick() { return CanFocusOnClick(); }
    // A platform drag of this control copies (Ctrl held).
    virtual bool IsCopyDragDrop() { return IsControlKeyDown(); }
    virtual void AddChildComponent(TcxControlChildComponent* child);
    virtual void RemoveChildComponent(TcxControlChildComponent* child);
    // The window that marks where panning began; nullptr while no panning runs.
    HWND PanningAnchorWindow() const;
    // The thread timer of the running panning (its WM_TIMER has no window); 0 when none.
    UINT_PTR PanningTimer() const { return panningTimer_; }
    // The drag images of a platform drag of this control: made once while HasDragImages, filled
    // by FillDragImageList; nullptr without images. Freed when the drag ends.
    TDragImageList* GetDragImages() override;
    void DragOver(TObject* source, int x, int y, TDragState state, bool& accept) override;
    // HandleParentBackgroundChange is told when the value really changes.
    void SetParentBackground(bool value) override;
    // The bars and the grip are this control's children to place.
    void Realign(TControl* control = nullptr) override {
        TCustomControl::Realign(control);
        // A child's own move leaves the bars and grip where they are.
        if (!control) BoundsChanged();
    }

protected:
    virtual bool ShowPopupMenu(TComponent* menu, int x, int y);
    virtual void StartDragOrPanning(TMouseButton button, int x, int y);
    virtual bool CanDragAt(int x, int y) {
        (void)x, (void)y;
        return true;
    }
    virtual void BeforeMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
        (void)button, (void)shift, (void)x, (void)y;
    }
    virtual void BringScrollBarsToFront();
    virtual void EndMouseAction();
    virtual bool CanFocusOnClick();
    virtual bool CanFocusOnMouseDown(int x, int y) {
        (void)x, (void)y;
        return CanFocusOnClick();
    }
    virtual TCursor GetDefaultCursor(int x, int y) {
        (void)x, (void)y;
        return defaultCursor_;
    }
    virtual TcxScrollKind GetWheelScrollKind();
    virtual bool ErasesBackground() { return false; }
    virtual void AttachScrollBars();
    virtual bool IsOwnScrollControl(TControl* control);
    virtual void HandleLookAndFeelChange(TcxLookAndFeel* lookAndFeel, TcxLookAndFeelValues changedValues) {
        (void)lookAndFeel, (void)changedValues;
    }
    virtual bool CanScrollWithoutBars(TcxDirection direction) {
        (void)direction;
        return false;
    }
    virtual void CalcScrollBarParams() {}
    virtual bool CanAutoHideScrollBar(TScrollBarKind kind) {
        (void)kind;
        return false;
    }
    virtual bool HasScrollBars() { return true; }
    virtual bool KeepScrollBarsOnTop() { return true; }
    virtual void HandleScroll(TScrollBarKind kind, TScrollCode scrollCode, int& scrollPos) {
        (void)kind, (void)scrollCode, (void)scrollPos;
    }
    virtual void PlaceScrollBars();
    virtual void RefreshScrollBarStates();
    virtual std::unique_ptr<TcxDragAndDropObject> CreateDragAndDropObject();
    virtual bool AcceptsDragObject(TDragObject* dragObject) {
        (void)dragObject;
        return true;
    }
    virtual bool StartDragAndDrop(TPoint point) {
        (void)point;
        return false;
    }
    virtual bool CanBeginDragAndDrop() { return dragAndDropState_ == ddsNone; }
    virtual bool CanStartDragAt(int x, int y);
    virtual bool AllowsMouseDownWithoutFocus() { return false; }
    virtual void CancelMouseOperations();
    virtual void DoFocusChanged();
    virtual void DoMouseEnter(TControl* control);
    virtual void DoMouseLeave(TControl* control);
    virtual void BeginDragAndDrop();
    virtual void DragAndDrop(TPoint point, bool& accepted);
    virtual void EndDragAndDrop(bool accepted);
    virtual bool DefaultTabStop() { return true; }
    virtual void DoCursorChanged() { defaultCursor_ = cursor_; }
    virtual void RefreshHotState() {}
    virtual bool HasDragImages() { return false; }
    virtual TClass GetDragImageListClass() { return TcxDragImageList::StaticClass(); }
    virtual TSize GetDragImageSize() { return TSize{0, 0}; }
    // Sizes the list and adds the picture PaintDragImage draws, its bottom-left colour transparent.
    virtual void FillDragImageList(TDragImageList* list);
    virtual void PaintDragImage(TcxCanvas& canvas, const TRect& rect) { (void)canvas, (void)rect; }
    void DoEndDrag(TObject* target, int x, int y) override;
    // Told after the colour, visibility or text changed, and when ParentBackground changed.
    virtual void DoColorChanged() {}
    virtual void DoVisibleChanged() {}
    virtual void DoTextChanged() {}
    virtual void HandleParentBackgroundChange() {}
    // The designer's mouse goes to the control at this point (while a drag or a press runs).
    virtual bool GetDesignHitTest(int x, int y, TShiftState shift);
    // Tells the form designer that the control changed it (only at design time).
    virtual void NotifyDesignerModified();

    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWindowHandle() override;
    void Paint() override;
    void Resize() override;
    void WndProc(TMessage& message) override;
    using TCustomControl::WndProc;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    void DoContextPopup(TPoint mousePos, bool& handled) override;
    bool DoStartDrag(TDragObject*& dragObject) override;
    void Notification(TComponent* component, TOperation operation) override;
    void FontChanged() override;
    // The mouse left (the tracking caller's report).
    void MouseLeave() override {}

private:
    void CreateScrollBars();
    void DestroyScrollBars();
    void CalcScrollBarsParams();
    void ScrollBarScroll(TScrollBarKind kind, TScrollCode scrollCode, int& scrollPos);
    int DlgCode();
    void AdoptScrollBarMetrics();
    void SyncDragImageStyle();

    HWND panningAnchor_ = nullptr;
    UINT_PTR panningTimer_ = 0;
    int borderStyle_ = 0;
    bool calculatingScrollBarsParams_ = false;
    std::unique_ptr<TcxCanvas> canvas_;
    TCursor defaultCursor_ = crDefault;
    std::unique_ptr<TcxDragAndDropObject> dragAndDropObject_;
    TCursor dragAndDropPrevCursor_ = crDefault;
    TcxDragAndDropState dragAndDropState_ = ddsNone;
    bool finishingDragAndDrop_ = false;
    std::vector<IcxFontListener*> fontListeners_;
    TcxControlScrollBar* hScrollBar_ = nullptr;
    bool initialHScrollBarVisible_ = false;
    bool initialVScrollBarVisible_ = false;
    bool isInitialScrollBarsParams_ = false;
    TcxKeys keys_;
    std::unique_ptr<TcxLookAndFeel> lookAndFeel_;
    bool mouseButtonPressed_ = false;
    TObject* mouseCaptureObject_ = nullptr;
    TPoint mouseDownPos_{};
    bool mouseRightButtonReleased_ = false;
    TComponent* popupMenu_ = nullptr;
    TScrollStyle scrollBars_ = ssBoth;
    int scrollBarsLockCount_ = 0;
    bool scrollBarsUpdateNeeded_ = false;
    TcxSizeGrip* sizeGrip_ = nullptr;
    bool updatingScrollBars_ = false;
    TcxControlScrollBar* vScrollBar_ = nullptr;
    bool isScrollingContent_ = false;
    bool lastParentBackground_ = true;
    std::unique_ptr<TDragImageList> dragImages_;
    bool releasingButton_ = false;
};

// Panning: the step direction and speed for the cursor at point when panning began at anchor;
// zoneSize is the anchor mark's width, the neutral square around it. Outside: the point left it.
struct TcxPanningMove {
    TcxDirection Direction;
    int Speed; // a step every 13 - Speed ticks
    bool Outside;
};
TcxPanningMove CalcPanningMove(TPoint anchor, TPoint point, int zoneSize, bool canH, bool canV, TSize screen);
TCursor PanningCursor(TcxDirection direction, bool canH, bool canV);
constexpr UINT PanningTickMs = 20;

// How many times RecalcScrollBars may ask CalcScrollBarParams before it takes what it has: a
// descendant whose answer keeps flipping must not hang the program.
constexpr int MaxScrollBarParamsRounds = 8;
