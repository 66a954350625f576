#include "platform/forms/ListBox.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TListBoxStrings

AnsiString TListBoxStrings::Get(int index) const {
    if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
    return items_[index];
}

void TListBoxStrings::Put(int index, const AnsiString& s) {
    if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
    const int selected = listBox_->ItemIndex();
    Delete(index);
    Insert(index, s);
    if (selected == index) listBox_->SetItemIndex(index);
}

void TListBoxStrings::Insert(int index, const AnsiString& s) {
    if (listBox_->IsVirtual()) throw EListError("Operation not supported on virtual list");
    if (index < 0 || index > GetCount()) Error("List index out of bounds (%d)", index);
    if (listBox_->HandleAllocated()) {
        const LRESULT result = SendMessageA(listBox_->Handle(), LB_INSERTSTRING, static_cast<WPARAM>(index),
                                            reinterpret_cast<LPARAM>(s.c_str()));
        if (result == LB_ERR || result == LB_ERRSPACE)
            throw EOutOfResources("Not enough storage for the list");
    }
    items_.insert(items_.begin() + index, s);
}

void TListBoxStrings::Delete(int index) {
    if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
    items_.erase(items_.begin() + index);
    if (listBox_->HandleAllocated())
        SendMessageA(listBox_->Handle(), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void TListBoxStrings::Clear() {
    items_.clear();
    if (listBox_->IsVirtual()) listBox_->virtualCount_ = 0;
    if (listBox_->HandleAllocated()) SendMessageA(listBox_->Handle(), LB_RESETCONTENT, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// TCustomListBox

TCustomListBox::TCustomListBox(TComponent* owner) : TCustomControl(owner), items_(this) {
    ControlStyle = TControlStyle{csDoubleClicks, csOpaque};
    width_ = 121;
    height_ = 97;
    tabStop_ = true;
    parentColor_ = false;
    color_ = clWindow;
}

TCustomListBox::~TCustomListBox() {
    Destroying();
    DestroyHandle();
}

void TCustomListBox::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.SuperClass = "LISTBOX";
    // A virtual list keeps no data in the window: fixed-height rows drawn by their owner.
    params.Style |= WS_HSCROLL | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                    (IsVirtual() ? LBS_NODATA : LBS_HASSTRINGS) | (multiSelect_ ? LBS_EXTENDEDSEL : 0) |
                    (style_ == lbOwnerDrawFixed || IsVirtual() ? LBS_OWNERDRAWFIXED
                     : style_ == lbOwnerDrawVariable           ? LBS_OWNERDRAWVARIABLE
                                                               : 0) |
                    (borderStyle_ == bsSingle ? WS_BORDER : 0);
}

void TCustomListBox::CreateWnd() {
    TCustomControl::CreateWnd();
    if (!handle_) return;
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0);
    if (style_ != lbStandard) SendMessageA(handle_, LB_SETITEMHEIGHT, 0, itemHeight_);
    if (IsVirtual())
        SendMessageA(handle_, LB_SETCOUNT, static_cast<WPARAM>(virtualCount_), 0);
    else
        for (const AnsiString& item : items_.items_)
            SendMessageA(handle_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SetTopIndex(savedTopIndex_);
    SetItemIndex(savedItemIndex_);
}

void TCustomListBox::DestroyWindowHandle() {
    if (handle_) {
        savedItemIndex_ = ItemIndex();
        savedTopIndex_ = TopIndex();
    }
    TCustomControl::DestroyWindowHandle();
}

int TCustomListBox::ItemIndex() {
    if (!handle_) return savedItemIndex_;
    const UINT message = multiSelect_ ? LB_GETCARETINDEX : LB_GETCURSEL;
    const LRESULT index = SendMessageA(handle_, message, 0, 0);
    if (multiSelect_ && index >= 0 && !Selected(static_cast<int>(index))) return -1;
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

void TCustomListBox::SetItemIndex(int value) {
    if (!handle_) {
        savedItemIndex_ = value;
        return;
    }
    if (multiSelect_) {
        SendMessageA(handle_, LB_SETCARETINDEX, static_cast<WPARAM>(value), FALSE);
        if (value >= 0) SendMessageA(handle_, LB_SETSEL, TRUE, value);
    } else {
        SendMessageA(handle_, LB_SETCURSEL, static_cast<WPARAM>(value), 0);
    }
}

int TCustomListBox::TopIndex() {
    if (!handle_) return savedTopIndex_;
    return static_cast<int>(SendMessageA(handle_, LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(int value) {
    if (!handle_) {
        savedTopIndex_ = value;
        return;
    }
    if (TopIndex() != value)
        SendMessageA(handle_, LB_SETTOPINDEX, static_cast<WPARAM>(std::max(value, 0)), 0);
}

int TCustomListBox::ItemHeight() {
    if (handle_ && style_ == lbStandard)
        return static_cast<int>(SendMessageA(handle_, LB_GETITEMHEIGHT, 0, 0));
    return itemHeight_;
}

void TCustomListBox::SetItemHeight(int value) {
    if (value <= 0 || value == itemHeight_) return;
    itemHeight_ = value;
    if (handle_ && style_ != lbStandard) {
        SendMessageA(handle_, LB_SETITEMHEIGHT, 0, value);
        Invalidate();
    }
}

void TCustomListBox::SetMultiSelect(bool value) {
    if (value == multiSelect_) return;
    multiSelect_ = value;
    RecreateWnd();
}

void TCustomListBox::SetStyle(TListBoxStyle value) {
    if (value == style_) return;
    style_ = value;
    RecreateWnd();
}

int TCustomListBox::Count() const {
    return IsVirtual() ? virtualCount_ : items_.Count();
}

void TCustomListBox::SetCount(int value) {
    if (!IsVirtual()) throw EListError("Operation not supported on non-virtual list");
    if (value < 0) throw EListError(Format("List count out of bounds (%d)", {value}));
    if (handle_ && SendMessageA(handle_, LB_SETCOUNT, static_cast<WPARAM>(value), 0) < 0)
        throw EOutOfResources("Not enough storage for the list");
    virtualCount_ = value;
}

AnsiString TCustomListBox::DoGetData(int index) {
    AnsiString data;
    if (OnData) OnData(this, index, data);
    return data;
}

int TCustomListBox::DoFindData(const AnsiString& data) {
    return OnDataFind ? OnDataFind(this, data) : -1;
}

void TCustomListBox::SetBorderStyle(TFormBorderStyle value) {
    if (value == borderStyle_) return;
    borderStyle_ = value;
    RecreateWnd();
}

bool TCustomListBox::Selected(int index) {
    if (!handle_) return false;
    return SendMessageA(handle_, LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

void TCustomListBox::SetSelected(int index, bool value) {
    if (!handle_) return;
    if (multiSelect_)
        SendMessageA(handle_, LB_SETSEL, value, index);
    else
        SendMessageA(handle_, LB_SETCURSEL, static_cast<WPARAM>(value ? index : -1), 0);
}

void TCustomListBox::ClearSelection() {
    if (!handle_) return;
    if (multiSelect_)
        SendMessageA(handle_, LB_SETSEL, FALSE, -1);
    else
        SendMessageA(handle_, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

int TCustomListBox::SelCount() {
    if (!handle_) return 0;
    if (!multiSelect_) return ItemIndex() >= 0 ? 1 : 0;
    return static_cast<int>(SendMessageA(handle_, LB_GETSELCOUNT, 0, 0));
}

int TCustomListBox::FindPrefix(const AnsiString& text) {
    if (handle_) {
        const LRESULT index = SendMessageA(handle_, LB_FINDSTRING, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(text.c_str()));
        return index == LB_ERR ? -1 : static_cast<int>(index);
    }
    for (int i = 0; i < items_.Count(); ++i) {
        const AnsiString& item = items_.items_[i];
        if (item.size() >= text.size() &&
            CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, item.c_str(), static_cast<int>(text.size()),
                           text.c_str(), static_cast<int>(text.size())) == CSTR_EQUAL)
            return i;
    }
    return -1;
}

void TCustomListBox::Click() {
    if (OnClick) OnClick(this);
}

void TCustomListBox::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TCustomListBox::KeyPress(char& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

void TCustomListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
    if (OnDrawItem) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    TCanvas& canvas = Canvas();
    RECT r = rect;
    FillRect(canvas.Handle(), &r, canvas.Brush().Handle());
    if (IsVirtual() || index < items_.Count()) {
        const AnsiString text = IsVirtual() ? DoGetData(index) : items_.items_[index];
        SetBkMode(canvas.Handle(), TRANSPARENT);
        TextOutA(canvas.Handle(), rect.left + 2, rect.top, text.c_str(), static_cast<int>(text.size()));
    }
}

void TCustomListBox::CnDrawItem(DRAWITEMSTRUCT& item) {
    TOwnerDrawState state;
    if (item.itemState & ODS_SELECTED) state.Include(odSelected);
    if (item.itemState & ODS_GRAYED) state.Include(odGrayed);
    if (item.itemState & ODS_DISABLED) state.Include(odDisabled);
    if (item.itemState & ODS_FOCUS) state.Include(odFocused);
    TCanvas& canvas = Canvas();
    canvas.SetHandle(item.hDC);
    try {
        canvas.Font().Assign(Font());
        canvas.Brush().SetColor(Color());
        const int index = static_cast<int>(item.itemID);
        const TRect rect = item.rcItem;
        if (index >= 0 && state.Contains(odSelected)) {
            canvas.Brush().SetColor(clHighlight);
            canvas.Font().SetColor(clHighlightText);
        }
        if (index >= 0) {
            DrawItem(index, rect, state);
        } else {
            RECT r = rect;
            FillRect(item.hDC, &r, canvas.Brush().Handle());
        }
        if (state.Contains(odFocused) && DrawsFocusRect()) DrawFocusRect(item.hDC, &item.rcItem);
    } catch (...) {
        canvas.SetHandle(nullptr);
        throw;
    }
    canvas.SetHandle(nullptr);
}

LRESULT TCustomListBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case CN_COMMAND:
        switch (HIWORD(wParam)) {
        case LBN_SELCHANGE:
            Click();
            break;
        case LBN_DBLCLK:
            DblClick();
            break;
        default:
            break;
        }
        return 0;
    case CN_DRAWITEM:
        CnDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_CHAR: {
        char key = static_cast<char>(wParam);
        KeyPress(key);
        if (key == 0) return 0;
        return DefaultHandler(message, static_cast<BYTE>(key), lParam);
    }
    case WM_ERASEBKGND:
    case WM_PAINT:
    case WM_PRINTCLIENT:
        // The system class draws the list.
        return DefaultHandler(message, wParam, lParam);
    default:
        return TCustomControl::WndProc(message, wParam, lParam);
    }
}
