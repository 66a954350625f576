#pragma once
// The drop-down window of the editors: a borderless form opened beside its owner control, which
// takes the focus and runs a loop of its own until it closes, or shows without ever being
// activated. Every open popup is in one list; three thread hooks close them when the user clicks
// elsewhere, switches programs, hides or closes the owner, or presses system keys they do not take.
#include <memory>

#include "ui/core/PopupWindow.h"
#include "ui/editors/framework/ContainerStyles.h"
#include "ui/editors/framework/ContainerViewInfo.h"

// Posted to a popup: it closes (PostClose).
constexpr UINT CM_CLOSEPOPUPWINDOW = 0x807D;
// Posted to a popup: it opens again with the control it last focused.
constexpr UINT CM_SHOWPOPUPWINDOW = 0x807E;

class TcxCustomPopupWindow : public TcxPopupWindow {
public:
    VZ_CLASS(TcxCustomPopupWindow, TcxPopupWindow)
    explicit TcxCustomPopupWindow(TControl* ownerControl);
    ~TcxCustomPopupWindow() override;

    bool IsOpen() const;
    bool IsOwnerVisible() const;
    void PostClose();
    TControl* OwnerControl() const { return ownerControl_; }
    TWinControl* FocusedControl() const { return focusedControl_; }
    bool TakesFocus() const { return takesFocus_; }
    void SetTakesFocus(bool value);
    bool TopMost() const { return topMost_; }
    void SetTopMost(bool value);
    bool ModalLoop = true;
    TcxContainerStyle& Style() const { return *style_; }
    TcxContainerViewInfo& ViewInfo() const { return *viewInfo_; }

    TNotifyEvent OnPopupClosed;
    TNotifyEvent OnPopupClosing;
    TNotifyEvent OnPopupShown;
    TNotifyEvent OnPopupShowing;
    // The mouse entered or left the popup or a control on it (the sender).
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    virtual bool AdjustsToWorkArea() { return false; }
    virtual void FireClosed();
    virtual void FireClosing();
    virtual void FireShown();
    virtual void FireShowing();
    virtual bool ErasesBackground() { return false; }
    virtual bool AcceptsSysKey(WORD key) { return (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_F4; }
    virtual void CloseOnModalResult() { ClosePopup(); }
    virtual bool SwallowsClosingClick(HWND window, UINT message, TPoint point, TShiftState shift);
    virtual void HandleStyleChanged() {}
    // Keeps the popup inside the work area of the monitor at p (only when AdjustsToWorkArea).
    virtual void FitToWorkArea(TPoint& p);
    virtual void RunPopup(TWinControl* controlToFocus);
    // Lays the frame out for the current size from the style (the view info's rectangles, frame
    // and colours); runs before the popup paints and before its children are placed.
    virtual void CalculateViewInfo();

    void ClosePopup() override;
    TRect GetOwnerScreenBounds() override;
    void InheritOwnerFont() override {}
    void SetFocus() override;
    bool CanFocus() override { return Visible(); }
    // The popup's own shortcuts, then those of its owner's form.
    bool IsShortCut(WORD key, TShiftState shift) override;

    // Close-lock held while the popup closes itself; deactivation then leaves it open.
    int CloseLockCount() const { return closeLockCount_; }

protected:
    void CreateHandle() override;
    void AdjustClientRect(TRect& rect) override;
    // The mouse entered or left the popup or a control on it (named by CM_MOUSEENTER and
    // CM_MOUSELEAVE; the popup itself when the message names none).
    virtual void DoMouseEnter(TControl* control);
    virtual void DoMouseLeave(TControl* control);
    void KeyDown(WORD& key, TShiftState shift) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    using TcxPopupWindow::WndProc;
    void PaintWindow(HDC dc) override;

private:
    friend struct TcxPopupHooks;
    void Deactivate(HWND activated);
    void Reopen();
    void ClosePopupLocked();

    bool takesFocus_ = true;
    int closeLockCount_ = 0;
    TWinControl* focusedControl_ = nullptr;
    bool topMost_ = false;
    TControl* ownerControl_ = nullptr;
    std::unique_ptr<TcxContainerStyle> style_;
    std::unique_ptr<TcxContainerViewInfo> viewInfo_;
};

// The open popups, the first opened first.
int OpenPopupCount();
TcxCustomPopupWindow* OpenPopup(int index);

// The container unit installs the hooks and makes the list at its start, and ends them at its end.
void PopupHooksInitialize();
void PopupHooksFinalize();
