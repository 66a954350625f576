#pragma once
// The lookup items of a text editor: the current item, the prefix search that completes typed
// text, navigation through the items, and the typing rules of incremental search. The editor is
// reached only through IcxTextEditLookupSide, so the rules run over any text-and-selection model.
#include <memory>

#include "platform/core/Variant.h"
#include "ui/core/CoreClasses.h"
#include "ui/editors/TextEditText.h"

class TcxCustomEditListBox;
class TcxCustomEditStyle;
class TcxCustomTextEditProperties;
class TcxFreeNotificator;
class TWinControl;

// The editor as its lookup data sees it. Offsets are byte offsets on character boundaries.
class IcxTextEditLookupSide {
public:
    // The editor's active properties.
    virtual TcxCustomTextEditProperties* LookupProperties() = 0;
    virtual AnsiString LookupText() = 0;
    virtual int LookupSelStart() = 0;
    virtual int LookupSelLength() = 0;
    // The display value becomes text, with the selection given.
    virtual void LookupSetText(const AnsiString& text, int selStart, int selLength) = 0;
    virtual void LookupSetSelection(int selStart, int selLength) = 0;
    // The shown tail after the caret is an auto-completed item.
    virtual bool LookupCompletion() = 0;
    virtual void LookupSetCompletion(bool value) = 0;
    // The editor's lock flag: no list highlight restore, no text-change search.
    virtual bool LookupLocked() = 0;
    virtual bool LookupTryEnterEditMode() = 0;
    // Set around the selection notice of a current-key change.
    virtual void LookupSetChangePending(bool value) = 0;
    // A typed key changed the current item.
    virtual void LookupMarkModified() = 0;
    // The style whose colour and font a shown list takes (none: the list keeps its own).
    virtual TcxCustomEditStyle* LookupStyle() { return nullptr; }

protected:
    ~IcxTextEditLookupSide() = default;
};

// Directions of Navigate.
enum TcxEditLookupDirection { eldFirst, eldLast, eldNext, eldPrev, eldPageUp, eldPageDown };

// What becomes of a typed byte.
struct TcxLookupKeyResult {
    bool Consumed = false; // the lookup handled it (or dropped it)
    AnsiString PassOn;     // bytes that go on to the native control (empty: none)
};

class TcxCustomTextEditLookupData : public TcxInterfacedPersistent {
public:
    VZ_CLASS(TcxCustomTextEditLookupData, TcxInterfacedPersistent)
    explicit TcxCustomTextEditLookupData(TPersistent* owner = nullptr);
    ~TcxCustomTextEditLookupData() override;

    IcxTextEditLookupSide* Side = nullptr;
    TNotifyEvent OnCurrentKeyChanged;
    TNotifyEvent OnSelectItem;

    int CurrentKey() const { return currentKey_; }
    Variant GetCurrentKey() const { return Variant(currentKey_); }
    // An index outside -1 .. count-1 is ignored.
    void SetCurrentKey(const Variant& key);
    int ItemIndex() const { return itemIndex_; }

    // --- items
    // The item's text in place: searches read long lists without copying.
    virtual const AnsiString& GetItem(int index);
    virtual int GetItemCount();
    // The class of the shown list (a TcxCustomEditListBox); none here.
    virtual TClass GetListBoxClass() { return nullptr; }
    TcxCustomEditListBox* List() const { return list_; }
    virtual TWinControl* GetListControl();
    bool HasNoItems() { return GetItemCount() == 0; }
    // The item's text for 0 <= key < count, else empty.
    AnsiString GetItemTextByKey(const Variant& key);
    // The text equals an item, case-insensitively.
    virtual bool IsItemText(const AnsiString& text);

    // --- search and navigation
    // Looks for the first item (after ItemIndex when next) that starts with text, compared by the
    // locale without regard to case and only at a character boundary of the item. Found: text
    // takes the item's own bytes, tail the rest. Moves the current key by the not-found rules.
    virtual bool SearchItems(AnsiString& text, AnsiString& tail, bool textChange, bool next);
    bool SearchPrefix(AnsiString& text, AnsiString& tail, bool next) {
        return SearchItems(text, tail, false, next);
    }
    // A page moves at least one item, whatever page size the properties answer.
    void Navigate(TcxEditLookupDirection direction, bool cycle);
    // The index Navigate goes to (count > 0), without moving.
    int NavigationTarget(TcxEditLookupDirection direction, bool cycle);
    void ChangeCurrentKey(const Variant& key);
    void CommitListItem();
    virtual void HandleTextChange();
    virtual void HandlePropertiesChange() { SyncListItemCount(); }
    void RestoreListHighlight();
    virtual bool CanResizeList() { return true; }
    // The list gets as many items as there are.
    virtual void SyncListItemCount();
    // The screen point lies within the shown list.
    bool IsPointOverList(POINT screenPoint);
    // Makes the list (of GetListBoxClass) when there is none and puts it into parent, which owns
    // it, with the editor's colour and font, the items and the highlight.
    virtual void AttachList(TWinControl* parent);
    virtual void PlaceList(const TRect& bounds);
    // The list's select notice: its item index becomes the highlight.
    virtual void HandleListSelectItem(TObject* sender);
    virtual TSize GetListPreferredSize() { return TSize{0, 0}; }

    // --- typing
    // The rules of incremental search for one typed byte (the editor's character handling).
    // pendingImeTrail: the trail byte an IME announced for the double-byte character whose lead
    // this key is (0 none). A lead byte without announced trail is held until its trail comes; the
    // trail always shares the fate of its lead and is never searched alone.
    TcxLookupKeyResult HandleKeyPress(char key, char pendingImeTrail = 0);
    // A held lead byte waits for its trail.
    bool HoldsLeadByte() const { return heldLead_ != 0; }
    void ResetTyping() {
        heldLead_ = 0;
        trailFate_ = TTrailFate::None;
    }

protected:
    void SyncListItemIndex(int index);

private:
    enum class TTrailFate { None, Consume, PassOn };
    TcxTextEditingStyle Style();
    TcxLookupKeyResult TypeChar(std::string_view ch);
    bool ApplyTyped(AnsiString text);
    void NotFound(bool textChange, bool textEmpty);

    void ListFreed(TComponent* component);

    TcxCustomEditListBox* list_ = nullptr; // owned by its parent
    std::unique_ptr<TcxFreeNotificator> listWatch_;
    int currentKey_ = -1;
    int itemIndex_ = -1;
    char heldLead_ = 0;
    char announcedTrail_ = 0;
    TTrailFate trailFate_ = TTrailFate::None;
};
