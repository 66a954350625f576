#pragma once
// A minimal popup menu: items with captions and shortcuts, popped up at a screen point.
#include <functional>
#include <vector>

#include "platform/core/Components.h"
#include "platform/graphics/Graphics.h"

// A key with its modifier bits, as menus store their shortcuts.
using TShortCut = WORD;
enum : WORD { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000 };
TShortCut ShortCut(WORD key, bool shift, bool ctrl, bool alt);

struct TMenuItem {
    AnsiString Caption;
    TShortCut ShortCut = 0;
    bool Enabled = true;
    TNotifyEvent OnClick;
};

class TPopupMenu : public TComponent {
public:
    VZ_CLASS(TPopupMenu, TComponent)
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    std::vector<TMenuItem> Items;
    // Pops up by itself on the context-menu click of the control it belongs to.
    bool AutoPopup = true;
    // The component the menu was last popped up for.
    TComponent* PopupComponent = nullptr;
    // The window that receives the menu's commands; while it is not set the menu handles no keys.
    HWND WindowHandle = nullptr;

    // The menu built from Items, made on demand and owned by the menu.
    HMENU Handle();
    // Runs the item with that shortcut; true when one ran.
    virtual bool IsShortCut(TShortCut shortCut);
    // Shows the menu at the screen point and runs the item chosen.
    virtual void Popup(int x, int y);

private:
    HMENU handle_ = nullptr;
};
