#pragma once
// The list box inside list editors and drop-downs: a platform list box without a border whose
// native scroll bars are covered by look-and-feel bars in its parent, which hands its keys,
// mouse and drags to its container, and which selects items as the user types (auto-complete,
// restarted after a pause).
#include <memory>

#include "platform/forms/ListBox.h"
#include "ui/core/Canvas.h"
#include "ui/core/LookAndFeel.h"
#include "ui/core/ScrollBar.h"
#include "ui/editors/framework/Container.h"

// Where the auto-complete clock comes from (nullptr: GetTickCount). Returns the previous source.
using TcxTickCountSource = DWORD (*)();
TcxTickCountSource SetInnerListBoxTickCountSource(TcxTickCountSource source);

class TcxCustomInnerListBox : public TListBox, public IcxContainerInnerControl {
public:
    VZ_CLASS(TcxCustomInnerListBox, TListBox)
    explicit TcxCustomInnerListBox(TComponent* owner);
    ~TcxCustomInnerListBox() override;

    // Milliseconds of pause after which typing starts a new search.
    DWORD AutoCompleteDelay = 500;
    // What has been typed since the last pause.
    const AnsiString& AutoCompleteFilter() const { return autoCompleteFilter_; }
    TcxContainer* Container() const { return container_; }
    void SetContainer(TcxContainer* value) { container_ = value; }
    TcxLookAndFeel& LookAndFeel() { return *lookAndFeel_; }
    TcxScrollBar* HScrollBar() const { return hScrollBar_; }
    TcxScrollBar* VScrollBar() const { return vScrollBar_; }
    // The corner between the two shown bars, in window coordinates; empty unless both show.
    TRect GetSizeGripRect();

    virtual void ProcessAutoCompleteChar(char& key);
    virtual void Redraw();
    bool DrawsFocusRect() override { return !OnDrawItem; }
    // Shows, places and fills the own bars from the list's native ones.
    virtual void SyncScrollBars();

    // IcxContainerInnerControl
    TWinControl* GetControl() override { return this; }
    TcxContainer* GetControlContainer() override { return container_; }

protected:
    void Click() override;
    void DblClick() override;
    void KeyPress(char& key) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    void DragOver(TObject* source, int x, int y, TDragState state, bool& accept) override;
    void DragDrop(TObject* source, int x, int y) override;
    void DestroyWindowHandle() override;
    void Notification(TComponent* component, TOperation operation) override;
    void WndProc(TMessage& message) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void HScrollEvent(TScrollCode scrollCode, int& scrollPos);
    void VScrollEvent(TScrollCode scrollCode, int& scrollPos);
    void SyncScrollBar(TcxScrollBar* bar, TScrollBarKind kind);
    void PaintSizeGrip(HDC dc);
    void LeftButtonDown(TMessage& message);
    bool Destroying() const { return HasState(csDestroying); }

    AnsiString autoCompleteFilter_;
    std::unique_ptr<TcxCanvas> canvas_;
    TcxScrollBar* hScrollBar_ = nullptr;
    bool isRedrawLocked_ = false;
    std::unique_ptr<TcxLookAndFeel> lookAndFeel_;
    DWORD prevKeyPressTime_ = 0;
    bool scrollBarsCalculating_ = false;
    int scrollBarsLockCount_ = 0;
    TcxScrollBar* vScrollBar_ = nullptr;
    TcxContainer* container_ = nullptr;
};
