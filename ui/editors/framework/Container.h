#pragma once
// The windowed control every editor descends from: four state styles from which its border,
// colours, font, edges, shadow and hot tracking are resolved, a view info that holds the
// computed geometry and paints the frame, and an optional inner control (an edit box, a list
// box) placed into the content area, kept focused and fed with the container's colour and font.
#include <memory>
#include <vector>

#include "ui/core/Control.h"
#include "ui/editors/framework/ContainerStyles.h"
#include "ui/editors/framework/ContainerViewInfo.h"

// Posted by CreateHandle to the new window: the first refresh at the cursor.
constexpr UINT CM_CONTAINERCREATED = 0x807F;
// Runs SyncScrollBars.
constexpr UINT CM_SYNCSCROLLBARS = 0x8080;

class TcxContainer;

// Inner controls (edit boxes, list boxes) answer their own control and their container.
class IcxContainerInnerControl {
public:
    virtual TWinControl* GetControl() = 0;
    virtual TcxContainer* GetControlContainer() = 0;

protected:
    ~IcxContainerInnerControl() = default;
};

class TcxContainer : public TcxControl {
public:
    VZ_CLASS(TcxContainer, TcxControl)
    explicit TcxContainer(TComponent* owner);
    ~TcxContainer() override;

    TcxContainerStyles& StateStyles() const { return *stateStyles_; }
    TcxContainerStyle* GetNormalStyle() const { return stateStyles_->Normal(); }
    TcxContainerStyle* Style() const { return stateStyles_->Normal(); }
    TcxContainerStyle* StyleFocused() const { return stateStyles_->Focused(); }
    TcxContainerStyle* StyleDisabled() const { return stateStyles_->Disabled(); }
    TcxContainerStyle* StyleHot() const { return stateStyles_->Hot(); }
    TcxContainerViewInfo* DrawInfo() const { return drawInfo_.get(); }
    TcxContainerViewInfo* ViewInfo() const { return drawInfo_.get(); }
    // The style controller set on the Normal style; nullptr when only the standard one applies.
    TcxStyleController* FakeStyleController() const { return GetNormalStyle()->StyleController(); }
    void SetFakeStyleController(TcxStyleController*) {}

    TWinControl* HostedControl() const { return hostedControl_; }
    TWinControl* InnerControl() const { return hostedControl_; }
    void SetInnerControl(TWinControl* value);

    // The container's window or its inner control has the focus (never at design time).
    bool Focused();
    bool HasFocus() override { return Focused(); }
    void SetFocus() override;
    bool CanTakeFocus() override;
    // Recomputes the state at the mouse position.
    void RefreshAtCursor(bool isMouseEvent = false);
    void LockAlignControls(bool lock);
    void GetTabOrderList(std::vector<TWinControl*>& list) override;
    // Whether a style value goes into the stored form: a state style stores only what it
    // publishes, and nothing the container does not use.
    bool IsStyleValueStored(const AnsiString& name, bool isStateStyle);
    bool IsDestroying() const { return destroying_ || HasState(csDestroying); }
    void ChangeScale(int multiplier, int divider) override;
    void Loaded() override;
    // Font scaling of a shared controller was asked for while loading.
    bool ScaleFontWhileLoading = false;
    void SetDragMode(TDragMode value);

    virtual bool DefaultParentColor() { return false; }
    virtual bool IsInplace() { return false; }
    virtual bool IsReadOnly() { return false; }
    virtual bool IsTransparent() { return false; }
    virtual bool IsPopupOpen() { return false; }
    virtual TcxContainerStyle* GetActiveStyle();
    virtual bool UsesNativeStyle();
    virtual bool HasShadow();
    virtual void GetBorderExtent(TRect& extent);
    virtual void GetHotTrackRect(TRect& rect);
    virtual void GetWindowShapeRect(TRect& rect);
    virtual bool RefreshAtPoint(TPoint p, int button, TShiftState shift, bool isMouseEvent);
    virtual void UpdateWindowRegion();
    // The region of GetWindowShapeRect (united with its shadow); the caller owns it.
    HRGN CreateWindowShapeRegion();
    // Visible part of a child placed into clientRect, in the child's coordinates; empty when it
    // lies wholly inside.
    struct TcxInnerBounds {
        bool Empty = true;
        TRect Rect{};
    };
    virtual void CalculateInnerControlBounds(const TRect& clientRect, TControl* control, TcxInnerBounds& result);
    TcxInnerBounds InnerBounds() const { return innerBounds_; }

protected:
    virtual bool SkipsSetFocus() { return Focused(); }
    virtual void UpdateInnerControlStyle();
    virtual void CalculateViewInfo(TPoint p, bool hot);
    virtual bool NavigatesOnTab() { return true; }
    virtual bool NeedsWindowRegion();
    virtual bool CanShowContextPopupAt(TPoint p) {
        (void)p;
        return true;
    }
    virtual void HandleStylesChanged();
    virtual void EmptyHookA() {}
    virtual void RefreshFromCursor() { RefreshAtCursor(); }
    virtual void LeaveMouseTracking();
    virtual TcxContainerStyleClass StyleClass() { return TcxContainerStyle::Class(); }
    virtual TcxContainerStylesClass StylesClass() { return TcxContainerStyles::Class(); }
    virtual TcxContainerViewInfoClass ViewInfoClass();
    void CallSavedInnerWndProc(TMessage& message);
    virtual TcxContainerStyle* SelectStyleForState(TcxContainerState state);
    virtual TcxContainerStyleValues GetUnsupportedStyleValues() { return 0; }
    virtual bool UsesStandardChildLayout() { return false; }
    virtual void AlignInnerControl();
    virtual void ClipCanvasToWindowRegion();
    virtual void EmptyHookB() {}
    virtual int GetNativeObjectType() { return totEdit; }
    virtual int GetNativePart();
    virtual int GetNativeState();
    virtual bool GetInnerScrollBarInfo(SCROLLBARINFO& info, TScrollBarKind kind);
    virtual void FocusInnerControl();
    virtual void ResetInnerControlBounds() { innerBounds_ = TcxInnerBounds{}; }
    virtual bool HandleInnerControlMessage(TMessage& message);
    virtual bool HandleInnerShortCut(TMessage& message);
    // Keeps the container's own scroll bars in step with the inner control's; only for a
    // container with scroll bars, which none here has.
    virtual void SyncScrollBars();
    // Makes the state styles and the view info again from StyleClass, StylesClass and
    // ViewInfoClass, for descendants whose classes the constructor could not reach yet.
    void RecreateStylesAndViewInfo();
    void MarkViewInfoCalculated() { viewInfoCalculated_ = true; }

    // TcxControl and platform overrides.
    bool CanDragAt(int, int) override { return false; }
    bool CanFocusOnClick() override;
    bool CanFocusOnScrollBarClick() override { return false; }
    TRect GetClientBounds() override { return drawInfo_ ? drawInfo_->ContentRect : TRect{}; }
    bool HasScrollBars() override { return false; }
    void RefreshHotState() override { RefreshAtCursor(); }
    bool DefaultTabStop() override;
    void AlignControls(TControl* control, TRect& rect) override;
    void AdjustClientRect(TRect& rect) override;
    void CreateWnd() override;
    void Paint() override;
    void Resize() override;
    void WndProc(TMessage& message) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void DoMouseEnter(TControl* control) override;
    void DoMouseLeave(TControl* control) override;
    void MouseLeave() override;
    void DoFocusChanged() override;
    void DoCursorChanged() override;
    void DoContextPopup(TPoint mousePos, bool& handled) override;
    void Notification(TComponent* component, TOperation operation) override;

    // What an inner list hands on: typed characters, released keys, clicks and double clicks.
    virtual void KeyPress(char& key) { (void)key; }
    virtual void KeyUp(WORD& key, TShiftState shift) { (void)key, (void)shift; }
    virtual void Click() {}
    virtual void DblClick() {}

    // The inner control's previous window procedure while a descendant subclasses it.
    TWndMethod SavedInnerWndProc;
    bool InnerMouseDown = false;

private:
    friend class TcxCustomInnerListBox;
    friend struct TcxPopupHooks;
    void HandleColorChanged();
    void HandleFontChanged();
    void HandleParentColorChanged();
    void HandleParentFontChanged();
    void HandleEnabledChanged();
    void SetInternalColor(TColor color);
    bool IsWindowTreeFocused();

    TcxContainerState activeState_;
    TcxContainerStyle* activeStyle_ = nullptr;
    TWinControl* hostedControl_ = nullptr;
    TcxInnerBounds innerBounds_;
    bool destroying_ = false;
    bool refreshLocked_ = false;
    bool viewInfoCalculated_ = false;
    int alignLockCount_ = 0;
    bool refreshing_ = false;
    bool scrollBarsCalculating_ = false;
    TRect sizeGripRect_{};
    bool sizeGripVisible_ = false;
    bool internalSetting_ = false;
    bool creating_ = false;
    std::unique_ptr<TcxContainerStyles> stateStyles_;
    std::unique_ptr<TcxContainerViewInfo> drawInfo_;
};
