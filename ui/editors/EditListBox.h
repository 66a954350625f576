#pragma once
// The list of text-editor-based editors (combo boxes and the like) shown in their popup: owner
// drawn with a fixed item height, hot-tracked, without border, telling its owner when an item is
// chosen (a click or a new item index).
#include "ui/editors/framework/InnerListBox.h"

class TcxCustomEdit;

class TcxCustomEditListBox : public TcxCustomInnerListBox {
public:
    VZ_CLASS(TcxCustomEditListBox, TcxCustomInnerListBox)
    explicit TcxCustomEditListBox(TComponent* owner);

    // The item under the mouse becomes the current one.
    bool HotTrack = true;
    TNotifyEvent OnSelectItem;

    // The editor served: the one given, else the owner control of the popup that owns the list.
    TcxCustomEdit* Edit() const;
    void SetEdit(TcxCustomEdit* edit) { edit_ = edit; }

    // True when the item is drawn here (nothing else draws it).
    virtual bool CustomDrawItem(int index, const TRect& rect, TOwnerDrawState state);
    virtual AnsiString GetItemText(int index);
    virtual void AfterItemsSet() {}
    virtual int GetItemsHeight(int count) { return count * GetItemHeight(0); }
    // The height of "Wg" in the list's font.
    virtual int GetItemHeight(int index);
    // The width of the item's text in the list's font.
    virtual int GetItemWidth(int index);

    // The new item index, then the select notification.
    void SetItemIndex(int value);
    bool IsVisible();
    // The horizontal extent, set through 0 so that the list refreshes its bar.
    void SetScrollWidth(int width);
    // Appends empty items or deletes the last ones until there are count.
    void SetItemCount(int count);
    void RecreateWindow() { RecreateWnd(); }
    // The item at a point of the client area; -1 for none.
    int ItemAtPos(TPoint p);

protected:
    void CreateWnd() override;
    void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
    bool DrawsFocusRect() override;
    void Click() override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    using TcxCustomInnerListBox::WndProc;
    void DoSelectItem();

private:
    TcxCustomEdit* edit_ = nullptr;
};
