#pragma once
// The inner edit control of an editor (an edit box inside it) as the editor uses it: its control,
// the focus, its parent, its change handler and its read-only state. The text editors' inner edit
// implements it; the base editor has none.
#include "platform/core/Variant.h"
#include "platform/forms/Forms.h"

class IcxCustomInnerEdit {
public:
    virtual TWinControl* GetControl() = 0;
    // Runs the message through the edit window's own procedure.
    virtual LRESULT CallNativeWndProc(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual Variant GetTextValue() = 0;
    virtual TNotifyEvent GetOnChange() = 0;
    virtual bool GetReadOnly() = 0;
    // lock: one more bounds lock; unlock: one less while any is held.
    virtual void LockInnerBounds(bool lock) = 0;
    virtual void FocusWithoutAutoSelect() = 0;
    virtual void SetTextValue(const Variant& value) = 0;
    virtual void SetParent(TWinControl* parent) = 0;
    virtual void SetOnChange(TNotifyEvent handler) = 0;
    virtual void SetReadOnly(bool value) = 0;

protected:
    ~IcxCustomInnerEdit() = default;
};
