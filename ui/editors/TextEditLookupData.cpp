#include "ui/editors/TextEditLookupData.h"

#include <algorithm>

#include "platform/core/Exceptions.h"
#include "ui/editors/EditListBox.h"
#include "ui/editors/framework/EditStyles.h"
#include "ui/editors/TextEditProperties.h"

namespace {
const AnsiString emptyItem;

// Clears a flag of the side when the scope ends, also when a handler raises.
class TChangePendingScope {
public:
    explicit TChangePendingScope(IcxTextEditLookupSide* side) : side_(side) {
        if (side_) side_->LookupSetChangePending(true);
    }
    ~TChangePendingScope() {
        if (side_) side_->LookupSetChangePending(false);
    }
    TChangePendingScope(const TChangePendingScope&) = delete;
    TChangePendingScope& operator=(const TChangePendingScope&) = delete;

private:
    IcxTextEditLookupSide* side_;
};

bool StartsWithText(std::string_view item, std::string_view text) {
    if (text.size() > item.size()) return false;
    std::string_view head = item.substr(0, text.size());
    return IsCharBoundary(item, static_cast<int>(text.size())) && AnsiCompareText(head, text) == 0;
}
} // namespace

TcxCustomTextEditLookupData::TcxCustomTextEditLookupData(TPersistent* owner) : TcxInterfacedPersistent(owner) {}

TcxCustomTextEditLookupData::~TcxCustomTextEditLookupData() {
    if (list_ && listWatch_) {
        listWatch_->Unwatch(list_);
        list_->OnSelectItem = nullptr;
    }
}

TWinControl* TcxCustomTextEditLookupData::GetListControl() {
    return list_;
}

void TcxCustomTextEditLookupData::ListFreed(TComponent* component) {
    if (component == list_) list_ = nullptr;
}

void TcxCustomTextEditLookupData::AttachList(TWinControl* parent) {
    if (!list_) {
        TClass listClass = GetListBoxClass();
        if (!listClass) return;
        TObject* made = listClass->CreateInstance(parent);
        list_ = dynamic_cast<TcxCustomEditListBox*>(made);
        if (!list_) {
            delete made;
            throw Exception("The lookup list class is no edit list box");
        }
        if (!listWatch_) {
            listWatch_ = std::make_unique<TcxFreeNotificator>(nullptr);
            listWatch_->OnFreeNotification = [this](TComponent* component) { ListFreed(component); };
        }
        listWatch_->Watch(list_);
    }
    if (Side) {
        if (TcxCustomEditStyle* style = Side->LookupStyle()) {
            list_->SetColor(style->GetColor());
            list_->Font().Assign(*style->GetEffectiveFont());
        }
    }
    list_->SetParent(parent);
    list_->OnSelectItem = [this](TObject* sender) { HandleListSelectItem(sender); };
    SyncListItemCount();
    list_->SetItemIndex(itemIndex_);
    list_->AfterItemsSet();
    HandleTextChange();
}

void TcxCustomTextEditLookupData::PlaceList(const TRect& bounds) {
    if (!list_) return;
    list_->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
    int widest = 0;
    for (int i = 0; i < list_->Items().Count(); ++i)
        widest = std::max(widest, list_->GetItemWidth(i));
    list_->SetScrollWidth(widest);
}

void TcxCustomTextEditLookupData::HandleListSelectItem(TObject*) {
    if (list_) itemIndex_ = list_->ItemIndex();
}

void TcxCustomTextEditLookupData::SyncListItemCount() {
    if (list_) list_->SetItemCount(GetItemCount());
}

bool TcxCustomTextEditLookupData::IsPointOverList(POINT screenPoint) {
    if (!list_ || !list_->HandleAllocated()) return false;
    RECT bounds{};
    GetWindowRect(list_->Handle(), &bounds);
    return PtInRect(&bounds, screenPoint) != FALSE;
}

void TcxCustomTextEditLookupData::SetCurrentKey(const Variant& key) {
    int index = key.IsEmptyOrNull() ? -1 : key.AsInteger();
    if (index < -1 || index >= GetItemCount()) return;
    currentKey_ = index;
    SyncListItemIndex(index);
}

const AnsiString& TcxCustomTextEditLookupData::GetItem(int index) {
    if (index < 0 || index >= GetItemCount()) return emptyItem;
    return Side->LookupProperties()->LookupItems()->StringRef(index);
}

int TcxCustomTextEditLookupData::GetItemCount() {
    TcxCustomTextEditProperties* properties = Side ? Side->LookupProperties() : nullptr;
    return properties ? properties->LookupItems()->Count() : 0;
}

AnsiString TcxCustomTextEditLookupData::GetItemTextByKey(const Variant& key) {
    int index = key.IsEmptyOrNull() ? -1 : key.AsInteger();
    return index >= 0 && index < GetItemCount() ? GetItem(index) : AnsiString();
}

bool TcxCustomTextEditLookupData::IsItemText(const AnsiString& text) {
    int count = GetItemCount();
    for (int i = 0; i < count; ++i)
        if (AnsiCompareText(GetItem(i), text) == 0) return true;
    return false;
}

TcxTextEditingStyle TcxCustomTextEditLookupData::Style() {
    TcxCustomTextEditProperties* properties = Side ? Side->LookupProperties() : nullptr;
    return properties ? properties->GetEditingStyle() : tesFreeText;
}

void TcxCustomTextEditLookupData::NotFound(bool textChange, bool textEmpty) {
    switch (Style()) {
    case tesListText:
        if (textChange || textEmpty) SetCurrentKey(-1);
        break;
    case tesFixedList:
        if (textChange) SetCurrentKey(-1);
        break;
    default: SetCurrentKey(-1);
    }
}

bool TcxCustomTextEditLookupData::SearchItems(AnsiString& text, AnsiString& tail, bool textChange, bool next) {
    int count = GetItemCount();
    if (count == 0) {
        NotFound(textChange, text.empty());
        return false;
    }
    if (textChange && Side->LookupProperties()->ExactLookupMatch()) {
        for (int i = 0; i < count; ++i)
            if (AnsiCompareText(GetItem(i), text) == 0) {
                tail.clear();
                SetCurrentKey(i);
                return true;
            }
        SetCurrentKey(-1);
        return false;
    }
    if (!text.empty()) {
        for (int i = (next ? itemIndex_ : -1) + 1; i < count; ++i) {
            const AnsiString& item = GetItem(i);
            if (!StartsWithText(item, text)) continue;
            text.assign(item, 0, text.size());
            tail.assign(item, text.size());
            SetCurrentKey(i);
            return true;
        }
    }
    NotFound(textChange, text.empty());
    return false;
}

int TcxCustomTextEditLookupData::NavigationTarget(TcxEditLookupDirection direction, bool cycle) {
    int count = GetItemCount();
    int from = itemIndex_ != -1 ? itemIndex_ : currentKey_;
    int page = Side ? Side->LookupProperties()->GetLookupPageSize() : 8;
    int step = std::max(page - 1, 1);
    switch (direction) {
    case eldFirst: return 0;
    case eldLast: return count - 1;
    case eldNext:
        if (from + 1 < count) return from + 1;
        return cycle ? 0 : from;
    case eldPrev:
        if (from - 1 >= 0) return from - 1;
        return cycle ? count - 1 : from;
    case eldPageUp:
        if (from == -1) return cycle ? count - 1 : -1;
        if (from == 0 && cycle) return count - 1;
        return std::max(from - step, 0);
    case eldPageDown:
        if (from == count - 1 && cycle) return 0;
        return std::min(from == -1 ? std::max(page - 1, 0) : from + step, count - 1);
    }
    return from;
}

void TcxCustomTextEditLookupData::Navigate(TcxEditLookupDirection direction, bool cycle) {
    if (GetItemCount() == 0) return;
    const int target = NavigationTarget(direction, cycle);
    // Without a shown list the move changes the current item at once; over a shown one only the
    // highlight moves, unless the text follows it at once.
    TcxCustomTextEditProperties* properties = Side ? Side->LookupProperties() : nullptr;
    if (!list_ || !list_->IsVisible() ||
        (properties && properties->ImmediateUpdateText() && Side->LookupTryEnterEditMode()))
        ChangeCurrentKey(target);
    else
        SyncListItemIndex(target);
}

void TcxCustomTextEditLookupData::ChangeCurrentKey(const Variant& key) {
    int old = currentKey_;
    SetCurrentKey(key);
    TChangePendingScope pending(Side);
    bool reselect = currentKey_ == old && currentKey_ >= 0 && currentKey_ < GetItemCount() && Side &&
                    GetItem(currentKey_) != Side->LookupText();
    if ((currentKey_ != old || reselect) && OnSelectItem) OnSelectItem(this);
}

void TcxCustomTextEditLookupData::CommitListItem() {
    if (itemIndex_ == -1) return;
    if (itemIndex_ != currentKey_ && !(Side && Side->LookupTryEnterEditMode())) return;
    int old = currentKey_;
    ChangeCurrentKey(itemIndex_);
    if (currentKey_ == old && OnSelectItem) OnSelectItem(this);
}

void TcxCustomTextEditLookupData::HandleTextChange() {
    if (!Side || Side->LookupLocked()) return;
    AnsiString text = Side->LookupText();
    if (itemIndex_ >= 0 && itemIndex_ < GetItemCount() && AnsiCompareText(GetItem(itemIndex_), text) == 0)
        return;
    AnsiString tail;
    SearchItems(text, tail, true, false);
}

void TcxCustomTextEditLookupData::RestoreListHighlight() {
    if (Side && Side->LookupLocked()) return;
    SyncListItemIndex(currentKey_);
}

void TcxCustomTextEditLookupData::SyncListItemIndex(int index) {
    if (index < -1 || index >= GetItemCount() || (index == itemIndex_ && index != -1)) return;
    if (list_ && list_->Items().Count() > 0) {
        // Through the first item, so that the list scrolls to the top.
        if (index == -1) list_->SetItemIndex(0);
        list_->SetItemIndex(index);
    }
    itemIndex_ = index;
}

// --- typing -----------------------------------------------------------------------------------------

TcxLookupKeyResult TcxCustomTextEditLookupData::HandleKeyPress(char key, char pendingImeTrail) {
    TcxLookupKeyResult result;
    if (trailFate_ != TTrailFate::None) {
        // The trail of a character whose lead was handled whole.
        bool passOn = trailFate_ == TTrailFate::PassOn && key == announcedTrail_;
        bool isTrail = key == announcedTrail_;
        trailFate_ = TTrailFate::None;
        if (isTrail) {
            result.Consumed = !passOn;
            if (passOn) result.PassOn.assign(1, key);
            return result;
        }
    }
    if (heldLead_) {
        char pair[2] = {heldLead_, key};
        heldLead_ = 0;
        return TypeChar(std::string_view(pair, 2));
    }
    if (IsDBCSLeadByte(static_cast<BYTE>(key))) {
        if (!pendingImeTrail) {
            heldLead_ = key;
            result.Consumed = true;
            return result;
        }
        char pair[2] = {key, pendingImeTrail};
        result = TypeChar(std::string_view(pair, 2));
        announcedTrail_ = pendingImeTrail;
        trailFate_ = result.Consumed ? TTrailFate::Consume : TTrailFate::PassOn;
        if (!result.Consumed) result.PassOn.assign(1, key);
        return result;
    }
    return TypeChar(std::string_view(&key, 1));
}

bool TcxCustomTextEditLookupData::ApplyTyped(AnsiString text) {
    AnsiString tail;
    bool found = SearchPrefix(text, tail, false);
    Side->LookupSetCompletion(found);
    if (text.empty() && Style() != tesFixedList) {
        Side->LookupSetText(AnsiString(), 0, 0);
        Side->LookupSetCompletion(false);
        return false;
    }
    if (found) {
        int typed = static_cast<int>(text.size());
        Side->LookupSetText(text + tail, typed, static_cast<int>(tail.size()));
    }
    return found;
}

TcxLookupKeyResult TcxCustomTextEditLookupData::TypeChar(std::string_view ch) {
    TcxLookupKeyResult result;
    TcxCustomTextEditProperties* properties = Side ? Side->LookupProperties() : nullptr;
    if (!properties) {
        result.PassOn.assign(ch);
        return result;
    }
    TcxTextEditingStyle style = Style();
    bool listStyle = style == tesListText || style == tesFixedList;
    bool active = style != tesFreeText || properties->IncrementalSearch();
    bool highlight = properties->HighlightListSelection();
    int oldKey = currentKey_;
    bool completionBefore = Side->LookupCompletion();
    AnsiString text = Side->LookupText();
    int length = static_cast<int>(text.size());
    int selStart = CharBoundaryAtOrBefore(text, Side->LookupSelStart());
    int selEnd = CharBoundaryAtOrAfter(text, selStart + std::max(Side->LookupSelLength(), 0));

    if (ch == "\b") {
        if (style == tesFixedList && !highlight) {
            Side->LookupSetCompletion(false);
            result.Consumed = true;
        } else if (active) {
            bool completion = completionBefore;
            if (style == tesListText && length > 0 && !completion) {
                selEnd = length;
                Side->LookupSetSelection(selStart, selEnd - selStart);
                Side->LookupSetCompletion(true);
                completion = true;
            }
            if (completion) {
                AnsiString typed = text.substr(0, static_cast<size_t>(selStart));
                typed.resize(static_cast<size_t>(PrevCharStart(typed, static_cast<int>(typed.size()))));
                result.Consumed = ApplyTyped(typed);
            }
            if (style == tesFixedList) result.Consumed = true;
        }
    } else if (static_cast<unsigned char>(ch[0]) >= 32 && ch[0] != 127) {
        // Free text completes only where what follows the caret is the completion tail (or nothing):
        // text after a selection that ends before the end is never dropped.
        bool mayComplete = listStyle || selEnd == length;
        if (active && mayComplete) {
            AnsiString typed;
            if (selEnd > selStart) typed = text.substr(0, static_cast<size_t>(selStart)).append(ch);
            else if (style != tesFixedList) typed = AnsiString(text).insert(static_cast<size_t>(selStart), ch);
            else typed = completionBefore ? text + AnsiString(ch) : AnsiString(ch);
            bool found = ApplyTyped(typed);
            if (!found && style == tesFixedList && typed != ch &&
                ((selEnd == selStart && completionBefore) || !highlight))
                found = ApplyTyped(AnsiString(ch));
            if (found) {
                result.Consumed = true;
            } else if (listStyle) {
                result.Consumed = true;
                if (style == tesListText) Side->LookupSetCompletion(!Side->LookupText().empty());
                else Side->LookupSetCompletion(highlight && completionBefore);
            }
        }
    }
    if (currentKey_ != oldKey) Side->LookupMarkModified();
    if (!result.Consumed) result.PassOn.assign(ch);
    return result;
}
