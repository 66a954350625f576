#include "platform/forms/Menus.h"

#include "platform/core/Exceptions.h"

TShortCut ShortCut(WORD key, bool shift, bool ctrl, bool alt) {
    return static_cast<TShortCut>(key | (shift ? scShift : 0) | (ctrl ? scCtrl : 0) | (alt ? scAlt : 0));
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu() {
    if (handle_) DestroyMenu(handle_);
}

HMENU TPopupMenu::Handle() {
    if (handle_) DestroyMenu(handle_);
    handle_ = CreatePopupMenu();
    if (!handle_) RaiseLastOSError();
    for (size_t i = 0; i < Items.size(); ++i)
        AppendMenuA(handle_, MF_STRING | (Items[i].Enabled ? 0 : MF_GRAYED), i + 1, Items[i].Caption.c_str());
    return handle_;
}

bool TPopupMenu::IsShortCut(TShortCut shortCut) {
    for (TMenuItem& item : Items)
        if (item.ShortCut == shortCut && item.Enabled) {
            if (item.OnClick) item.OnClick(this);
            return true;
        }
    return false;
}

void TPopupMenu::Popup(int x, int y) {
    HMENU menu = Handle();
    HWND owner = WindowHandle ? WindowHandle : GetActiveWindow();
    UINT chosen =
        static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0, owner, nullptr));
    if (chosen >= 1 && chosen <= Items.size() && Items[chosen - 1].OnClick) Items[chosen - 1].OnClick(this);
}
