#pragma once
// The system's list box ("LISTBOX") as a control of its own window class: the items (kept here
// too, so that they outlive the window), the selection, the top item, owner drawing through the
// reflected WM_DRAWITEM, clicks from the list's notifications and typed characters.
#include <functional>
#include <vector>

#include "platform/core/StringLists.h"
#include "platform/forms/Forms.h"

// A parent's WM_DRAWITEM reflected to the owner-drawn child it names.
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;

// The virtual styles keep no items: the list has Count rows whose texts OnData gives (lbVirtual
// draws them; lbVirtualOwnerDraw leaves drawing to OnDrawItem) and OnDataFind searches.
enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };
enum TOwnerDrawStateItem { odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault };
using TOwnerDrawState = TSmallSet<TOwnerDrawStateItem>;
using TDrawItemEvent =
    std::function<void(TWinControl* control, int index, const TRect& rect, TOwnerDrawState state)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& key)>;
using TLBGetDataEvent = std::function<void(TWinControl* control, int index, AnsiString& data)>;
// The index of the first row whose text starts with findString; -1 for none.
using TLBFindDataEvent = std::function<int(TWinControl* control, const AnsiString& findString)>;

class TCustomListBox;

// The items of a list box: every change goes to the window when it exists.
class TListBoxStrings : public TStrings {
public:
    VZ_CLASS(TListBoxStrings, TStrings)
    explicit TListBoxStrings(TCustomListBox* listBox) : listBox_(listBox) {}
    void Insert(int index, const AnsiString& s) override;
    void Delete(int index) override;
    void Clear() override;

protected:
    AnsiString Get(int index) const override;
    void Put(int index, const AnsiString& s) override;
    int GetCount() const override { return static_cast<int>(items_.size()); }

private:
    friend class TCustomListBox;
    TCustomListBox* listBox_;
    std::vector<AnsiString> items_;
};

class TCustomListBox : public TCustomControl {
public:
    VZ_CLASS(TCustomListBox, TCustomControl)
    explicit TCustomListBox(TComponent* owner);
    ~TCustomListBox() override;

    TListBoxStrings& Items() { return items_; }
    // The selected item (the caret item of a multi-select list); -1 for none.
    int ItemIndex();
    void SetItemIndex(int value);
    // The first item shown.
    int TopIndex();
    void SetTopIndex(int value);
    int ItemHeight();
    void SetItemHeight(int value);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    bool Selected(int index);
    void SetSelected(int index, bool value);
    void ClearSelection();
    int SelCount();
    // The first item starting with text, case-insensitive, searched from the start; -1 for none.
    int FindPrefix(const AnsiString& text);
    TListBoxStyle Style() const { return style_; }
    void SetStyle(TListBoxStyle value);
    bool IsVirtual() const { return style_ == lbVirtual || style_ == lbVirtualOwnerDraw; }
    // The rows of the list: the items, or the rows of a virtual list (which only a virtual list sets).
    int Count() const;
    void SetCount(int value);
    // bsNone or bsSingle (a one-pixel border).
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    // Typed characters select items (the list's own descendants decide how).
    bool AutoComplete = true;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TKeyPressEvent OnKeyPress;
    TDrawItemEvent OnDrawItem;
    TLBGetDataEvent OnData;
    TLBFindDataEvent OnDataFind;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWindowHandle() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    using TCustomControl::WndProc;
    // A selection change by the user.
    virtual void Click();
    virtual void DblClick();
    // A typed character; 0 keeps it from the list.
    virtual void KeyPress(char& key);
    // Draws an owner-drawn item on Canvas (the handler, else its text).
    virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
    // Whether the focused item gets the focus rectangle after it is drawn.
    virtual bool DrawsFocusRect() { return true; }
    // Owner drawing: the reflected WM_DRAWITEM.
    virtual void CnDrawItem(DRAWITEMSTRUCT& item);
    // A virtual list's row text (OnData; empty without one) and search (OnDataFind; -1 without one).
    virtual AnsiString DoGetData(int index);
    virtual int DoFindData(const AnsiString& data);

private:
    friend class TListBoxStrings;
    TListBoxStrings items_;
    bool multiSelect_ = false;
    TListBoxStyle style_ = lbStandard;
    TFormBorderStyle borderStyle_ = bsSingle;
    int itemHeight_ = 16;
    int savedItemIndex_ = -1;
    int savedTopIndex_ = 0;
    int virtualCount_ = 0;
};

class TListBox : public TCustomListBox {
public:
    VZ_CLASS(TListBox, TCustomListBox)
    using TCustomListBox::TCustomListBox;
};
