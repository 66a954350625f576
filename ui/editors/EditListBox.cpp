#include "ui/editors/EditListBox.h"

#include <algorithm>

#include "ui/editors/TextEditProperties.h"
#include "ui/editors/framework/ContainerPopup.h"
#include "ui/editors/framework/Edit.h"

TcxCustomEditListBox::TcxCustomEditListBox(TComponent* owner) : TcxCustomInnerListBox(owner) {
    SetStyle(lbOwnerDrawFixed);
    SetBorderStyle(bsNone);
}

TcxCustomEdit* TcxCustomEditListBox::Edit() const {
    if (edit_) return edit_;
    auto* popup = dynamic_cast<TcxCustomPopupWindow*>(Owner());
    return popup ? dynamic_cast<TcxCustomEdit*>(popup->OwnerControl()) : nullptr;
}

void TcxCustomEditListBox::CreateWnd() {
    SetItemHeight(GetItemHeight(0));
    TcxCustomInnerListBox::CreateWnd();
}

bool TcxCustomEditListBox::CustomDrawItem(int, const TRect&, TOwnerDrawState) {
    return false;
}

AnsiString TcxCustomEditListBox::GetItemText(int index) {
    return Items()[index];
}

int TcxCustomEditListBox::GetItemHeight(int) {
    TcxCanvas& canvas = *GetSharedScreenCanvas();
    canvas.AssignFont(Font());
    return canvas.MeasureTextHeight("Wg");
}

int TcxCustomEditListBox::GetItemWidth(int index) {
    TcxCanvas& canvas = *GetSharedScreenCanvas();
    canvas.AssignFont(Font());
    return canvas.MeasureTextWidth(GetItemText(index));
}

void TcxCustomEditListBox::DoSelectItem() {
    if (OnSelectItem) OnSelectItem(this);
}

void TcxCustomEditListBox::SetItemIndex(int value) {
    TcxCustomInnerListBox::SetItemIndex(value);
    DoSelectItem();
}

bool TcxCustomEditListBox::IsVisible() {
    return HandleAllocated() && IsWindowVisible(Handle());
}

void TcxCustomEditListBox::SetScrollWidth(int width) {
    if (!HandleAllocated()) return;
    SendMessageA(Handle(), LB_SETHORIZONTALEXTENT, 0, 0);
    SendMessageA(Handle(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(std::max(width, 0)), 0);
}

void TcxCustomEditListBox::SetItemCount(int count) {
    if (count < 0) count = 0;
    TListBoxStrings& items = Items();
    items.BeginUpdate();
    while (items.Count() < count)
        items.Add(AnsiString());
    while (items.Count() > count)
        items.Delete(items.Count() - 1);
    items.EndUpdate();
}

int TcxCustomEditListBox::ItemAtPos(TPoint p) {
    if (!HandleAllocated()) return -1;
    const LRESULT hit = SendMessageA(Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(p.x, p.y));
    if (HIWORD(hit) != 0) return -1; // outside the client area
    const int index = LOWORD(hit);
    return index < Items().Count() ? index : -1;
}

void TcxCustomEditListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
    if (CustomDrawItem(index, rect, state)) return;
    TCanvas& canvas = Canvas();
    RECT fill = rect;
    FillRect(canvas.Handle(), &fill, canvas.Brush().Handle());
    if (index < 0 || index >= Items().Count()) return;
    const AnsiString text = GetItemText(index);
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    RECT textRect = rect;
    if (HandleAllocated() && (GetWindowLongPtrA(Handle(), GWL_EXSTYLE) & WS_EX_RTLREADING)) {
        flags |= DT_RIGHT | DT_RTLREADING;
        textRect.right -= 2;
    } else {
        textRect.left += 2;
    }
    SetBkMode(canvas.Handle(), TRANSPARENT);
    canvas.RequiredState(true, false, true);
    DrawTextA(canvas.Handle(), text.c_str(), static_cast<int>(text.size()), &textRect, flags);
}

bool TcxCustomEditListBox::DrawsFocusRect() {
    TcxCustomEdit* edit = Edit();
    auto* properties = edit ? dynamic_cast<TcxCustomTextEditProperties*>(edit->Properties()) : nullptr;
    if (!properties) return false;
    const TcxTextEditingStyle style = properties->GetEditingStyle();
    return style == tesFixedList || style == tesNoText;
}

void TcxCustomEditListBox::Click() {
    TcxCustomInnerListBox::Click();
    DoSelectItem();
}

bool TcxCustomEditListBox::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    if (TcxCustomInnerListBox::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    if (!HandleAllocated()) return false;
    const WPARAM code = wheelDelta > 0 ? SB_LINEUP : SB_LINEDOWN;
    UINT lines = Mouse().ScrollLines();
    if (lines == WHEEL_PAGESCROLL) lines = 1;
    for (UINT i = 0; i < lines; ++i)
        SendMessageA(Handle(), WM_VSCROLL, code, 0);
    return true;
}

void TcxCustomEditListBox::MouseMove(TShiftState shift, int x, int y) {
    TcxCustomInnerListBox::MouseMove(shift, x, y);
    if (!HotTrack || !HandleAllocated() || GetCapture() == Handle()) return;
    const int index = ItemAtPos(TPoint{x, y});
    if (index >= 0 && index != ItemIndex()) SetItemIndex(index);
}

LRESULT TcxCustomEditListBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = TcxCustomInnerListBox::WndProc(message, wParam, lParam);
    // Shown: the list paints its selection as focused without taking the focus.
    if (message == WM_SHOWWINDOW && wParam && HandleAllocated()) DefaultHandler(WM_SETFOCUS, 0, 0);
    return result;
}
