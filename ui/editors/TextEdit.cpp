#include "ui/editors/TextEdit.h"

#include <algorithm>
#include <cstring>

#include "ui/editors/TextEditViewData.h"
#include "ui/editors/framework/ScopeExit.h"
#include "ui/editors/framework/Variants.h"

bool ReadClipboardText(HWND owner, AnsiString& text) {
    if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(owner)) return false;
    TScopeExit close([] { CloseClipboard(); });
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data) return false;
    const char* locked = static_cast<const char*>(GlobalLock(data));
    if (!locked) return false;
    text.assign(locked, strnlen(locked, GlobalSize(data)));
    GlobalUnlock(data);
    return true;
}

namespace {
IcxSpellCheckerHook* spellCheckerHook = nullptr;

template <class F> void WithFlag(bool& flag, F&& f) {
    const bool saved = flag;
    flag = true;
    TScopeExit restore([&flag, saved] { flag = saved; });
    f();
}
} // namespace

IcxSpellCheckerHook* SetSpellCheckerHook(IcxSpellCheckerHook* hook) {
    IcxSpellCheckerHook* previous = spellCheckerHook;
    spellCheckerHook = hook;
    return previous;
}

IcxSpellCheckerHook* SpellCheckerHook() { return spellCheckerHook; }

// --- life -----------------------------------------------------------------------------------------
TcxCustomTextEdit::TcxCustomTextEdit(TComponent* owner, bool isInplace) : TcxCustomEdit(owner, isInplace) {}

TcxCustomTextEdit::~TcxCustomTextEdit() {
    // Window-text queries after this point answer the text the editor had.
    if (TcxCustomInnerTextEdit* inner = InnerTextEditControl()) textAtDestruction_ = inner->Text();
    destroyed_ = true;
    if (lookupData_) {
        lookupData_->OnSelectItem = nullptr;
        lookupData_->Side = nullptr;
    }
    lookupData_.reset();
}

TClass TcxCustomTextEdit::InnerEditClass() { return TcxCustomInnerTextEdit::StaticClass(); }

IcxCustomInnerEdit* TcxCustomTextEdit::QueryInnerEdit(TWinControl* control) {
    auto* inner = dynamic_cast<TcxCustomInnerTextEdit*>(control);
    return inner ? static_cast<IcxCustomInnerEdit*>(inner->Helper()) : TcxCustomEdit::QueryInnerEdit(control);
}

void TcxCustomTextEdit::InitializeEditor() {
    TcxCustomEdit::InitializeEditor();
    BeepOnEnter = true;
    completion_ = false;
    if (TcxCustomInnerTextEdit* inner = InnerTextEditControl()) {
        inner->SetColor(clWindow);
        inner->OnSelChange = [this](TObject* sender) { HandleInnerSelChange(sender); };
    }
    SetBounds(Left(), Top(), 121, 21);
    if (TClass lookupClass = ActiveProperties()->LookupDataClass()) {
        lookupData_ = lookupClass->Create<TcxCustomTextEditLookupData>();
        lookupData_->Side = this;
        lookupData_->OnSelectItem = [this](TObject* sender) { HandleLookupSelectItem(sender); };
    }
}

TcxCustomTextEditProperties* TcxCustomTextEdit::ActiveProperties() {
    return static_cast<TcxCustomTextEditProperties*>(GetEffectiveProperties());
}

TcxCustomInnerTextEdit* TcxCustomTextEdit::InnerTextEditControl() {
    IcxCustomInnerEdit* inner = InnerEdit();
    return inner ? dynamic_cast<TcxCustomInnerTextEdit*>(inner->GetControl()) : nullptr;
}

IcxInnerTextEdit* TcxCustomTextEdit::InnerTextEdit() {
    TcxCustomInnerTextEdit* inner = InnerTextEditControl();
    return inner ? inner->Helper() : nullptr;
}

IcxInnerTextEdit* TcxCustomTextEdit::Inner() { return InnerTextEdit(); }

TcxCustomTextEditViewInfo* TcxCustomTextEdit::TextViewInfo() const {
    return dynamic_cast<TcxCustomTextEditViewInfo*>(ViewInfo());
}

TcxTextEditingStyle TcxCustomTextEdit::EditingStyle() { return ActiveProperties()->GetEditingStyle(); }

// --- text and selection ---------------------------------------------------------------------------
AnsiString TcxCustomTextEdit::Text() {
    TcxCustomInnerTextEdit* inner = destroyed_ ? nullptr : InnerTextEditControl();
    return inner ? inner->Text() : textAtDestruction_;
}

void TcxCustomTextEdit::SetText(const AnsiString& value) { SetEditValue(Variant(value)); }

int TcxCustomTextEdit::SelStart() {
    IcxInnerTextEdit* inner = Inner();
    return inner ? inner->GetSelStart() : 0;
}

void TcxCustomTextEdit::SetSelStart(int value) {
    if (IcxInnerTextEdit* inner = Inner()) inner->SetSelStart(value);
}

int TcxCustomTextEdit::SelLength() {
    const TcxTextEditingStyle style = EditingStyle();
    if ((style == tesFixedList && !completion_) || style == tesNoText) return 0;
    IcxInnerTextEdit* inner = Inner();
    return inner ? inner->GetSelLength() : 0;
}

void TcxCustomTextEdit::SetSelLength(int value) {
    if (IcxInnerTextEdit* inner = Inner()) inner->SetSelLength(value);
}

AnsiString TcxCustomTextEdit::SelText() {
    IcxInnerTextEdit* inner = Inner();
    return inner ? inner->GetSelText() : AnsiString();
}

void TcxCustomTextEdit::SetSelText(const AnsiString& value) {
    if (IcxInnerTextEdit* inner = Inner()) inner->SetSelText(value);
}

void TcxCustomTextEdit::SelectAll() {
    if (IcxInnerTextEdit* inner = Inner()) inner->SelectAll();
}

int TcxCustomTextEdit::CursorPos() {
    TcxCustomInnerTextEdit* inner = InnerTextEditControl();
    if (!inner || !inner->HandleAllocated()) return 0;
    // The caret's point, then the character whose left edge is there, by halving.
    POINT caret{};
    GetCaretPos(&caret);
    const AnsiString text = inner->Text();
    int low = 0, high = CharCount(text);
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        const LRESULT at = SendMessageA(inner->Handle(), EM_POSFROMCHAR,
                                        static_cast<WPARAM>(TcxCustomInnerTextEdit::ToNative(text, CharsToBytes(text, middle))), 0);
        if (at != -1 && static_cast<short>(LOWORD(at)) <= caret.x)
            low = middle;
        else
            high = middle - 1;
    }
    return CharsToBytes(text, low);
}

// --- lookup side ------------------------------------------------------------------------------------
void TcxCustomTextEdit::LookupSetText(const AnsiString& text, int selStart, int selLength) {
    WithFlag(lookupLocked_, [&] { DataBinding()->PutDisplayValue(Variant(text)); });
    LookupSetSelection(selStart, selLength);
    RefreshDisplayText();
}

void TcxCustomTextEdit::LookupSetSelection(int selStart, int selLength) {
    SetSelStart(selStart);
    SetSelLength(selLength);
}

// --- display and value ------------------------------------------------------------------------------
AnsiString TcxCustomTextEdit::ReadDisplayText() { return Text(); }

void TcxCustomTextEdit::WriteDisplayValue(const Variant& value) {
    IcxCustomInnerEdit* inner = destroyed_ ? nullptr : InnerEdit();
    if (!inner) return;
    Variant text = value;
    if (text.IsEmptyOrNull()) text = Variant(AnsiString());
    inner->SetTextValue(text);
}

void TcxCustomTextEdit::SyncDisplayFromValue() {
    if (destroyed_ || displaySyncing_) return;
    TcxCustomTextEditProperties* properties = ActiveProperties();
    Variant display;
    const Variant value = EditValue();
    if (!properties->NeedsValidation() || properties->IsEditValueValid(value)) {
        ConvertEditToDisplay(value, display, IsFocusedForConversion());
    } else if (Focused()) {
        display = properties->GetEmptyDisplayValue();
    } else {
        try {
            display = Variant(value.IsEmptyOrNull() ? AnsiString() : value.AsAnsiString());
        } catch (const Exception&) {
            display = Variant(AnsiString());
        }
    }
    PushModifiedState();
    {
        TScopeExit pop([this] { PopModifiedState(); });
        WithFlag(displaySyncing_, [&] { DataBinding()->PutDisplayValue(display); });
    }
    ResetCompletion();
    RefreshDisplayText();
}

void TcxCustomTextEdit::ApplyDisplayValue(const Variant& displayValue) {
    DataBinding()->PutDisplayValue(displayValue);
    if (UserAction()) return;
    ResetCompletion();
    SyncValueFromDisplay();
    SetChangedSinceEnter(false);
}

void TcxCustomTextEdit::SyncValueFromDisplay() {
    Variant value(Text());
    ConvertDisplayToEdit(value, IsFocusedForConversion());
    // The display is the source here: storing the value must not write it back.
    WithFlag(displaySyncing_, [&] { TcxCustomEdit::StoreEditValue(value, false); });
}

void TcxCustomTextEdit::CommitDisplayValue(const Variant& displayValue) {
    TcxCustomTextEditProperties* properties = ActiveProperties();
    if (EditingStyle() == tesFreeText && lookupData_ && !displayValue.IsEmptyOrNull()) {
        const AnsiString text = displayValue.AsAnsiString();
        if (!text.empty() && !properties->IsLookupItemText(text)) FireNewLookupDisplayText(text);
    }
    TcxCustomEdit::CommitDisplayValue(displayValue);
}

void TcxCustomTextEdit::FireNewLookupDisplayText(const AnsiString& text) {
    if (TcxNewLookupDisplayTextEvent handler = ActiveProperties()->OnNewLookupDisplayText) handler(this, text);
    if (TcxEditRepositoryItem* item = RepositoryItem())
        if (auto* properties = dynamic_cast<TcxCustomTextEditProperties*>(item->Properties()))
            if (TcxNewLookupDisplayTextEvent handler = properties->OnNewLookupDisplayText) handler(this, text);
}

void TcxCustomTextEdit::RefreshDisplayText() {
    TcxCustomTextEditViewInfo* viewInfo = TextViewInfo();
    if (!viewInfo || destroyed_) return;
    {
        std::unique_ptr<TcxCustomEditViewData> data = CreateViewData();
        if (auto* textData = dynamic_cast<TcxCustomTextEditViewData*>(data.get()))
            textData->SetTextFromValue(Variant(Text()), viewInfo);
        else
            viewInfo->Text = DisplayTextOf(Text());
    }
    if (!HandleAllocated()) return;
    RefreshAtCursor();
    const TcxTextEditingStyle style = EditingStyle();
    if (style == tesFixedList || style == tesNoText) {
        // A focused list without an edit box shows its whole content as a bar.
        viewInfo->DrawSelectionBar = style == tesFixedList && Focused() && !IsInplace() && !IsPopupOpen();
        viewInfo->SelStart = viewInfo->SelLength = 0;
        if (style == tesFixedList && completion_ && ActiveProperties()->HighlightListSelection()) {
            IcxInnerTextEdit* inner = Inner();
            const int selStart = inner ? inner->GetSelStart() : 0;
            if (viewInfo->DrawSelectionBar) {
                // The typed part, inverted on the bar.
                viewInfo->SelLength = selStart;
                viewInfo->SelBackgroundColor = clHighlightText;
                viewInfo->SelTextColor = clHighlight;
            } else {
                viewInfo->SelStart = selStart;
                viewInfo->SelLength = inner ? inner->GetSelLength() : 0;
                viewInfo->SelBackgroundColor = clHighlight;
                viewInfo->SelTextColor = clHighlightText;
            }
        }
    }
    Invalidate();
}

AnsiString TcxCustomTextEdit::DisplayTextOf(const AnsiString& text) { return ActiveProperties()->TransformDisplayText(text); }

void TcxCustomTextEdit::HandleInnerEditChange() {
    LockChangeEvents(true);
    {
        TScopeExit unlock([this] { LockChangeEvents(false); });
        TcxCustomEdit::HandleInnerEditChange();
    }
    if (!IsInnerEditVisible()) RefreshDisplayText();
    TcxCustomTextEditProperties* properties = ActiveProperties();
    if (!Focused() || displaySyncing_) return;
    bool numeric = false;
    WithFlag(displaySyncing_, [&] { numeric = properties->IsNumericDisplay() && properties->UsesThousandSeparator(); });
    if (!numeric) return;
    const TFormatSettings& fs = FormatSettings();
    const AnsiString text = Text();
    const AnsiString grouped = FormatNumberWithThousands(text, fs);
    if (grouped == text) return;
    // The caret stays after the same number of characters other than separators.
    const int caret = SelStart();
    int kept = 0;
    for (int i = 0; i < caret && i < static_cast<int>(text.size()); ++i)
        if (text[static_cast<size_t>(i)] != fs.ThousandSeparator) ++kept;
    WithFlag(displaySyncing_, [&] { InnerEdit()->SetTextValue(Variant(grouped)); });
    int position = 0;
    while (position < static_cast<int>(grouped.size()) && kept > 0) {
        if (grouped[static_cast<size_t>(position)] != fs.ThousandSeparator) --kept;
        ++position;
    }
    SetSelStart(position);
}

void TcxCustomTextEdit::ApplyPropertiesChange(TObject* sender) {
    TcxCustomTextEditProperties* properties = ActiveProperties();
    IcxInnerTextEdit* inner = Inner();
    if (inner) inner->SetAlignment(static_cast<TAlignment>(properties->Alignment()->Horz()));
    if (lookupData_) {
        lookupData_->HandlePropertiesChange();
        if (!lookupChangePending_) lookupData_->HandleTextChange();
    }
    if (!IsInnerEditVisible()) RefreshDisplayText();
    if (inner) {
        inner->SetAutoSelect(properties->AutoSelect() && !IsInplace());
        inner->SetCharCase(properties->CharCase());
        if (inner->GetEchoMode() != properties->EchoMode()) {
            inner->SetEchoMode(properties->EchoMode());
            SpellCheckReset();
        }
        inner->SetHideSelection(properties->HideSelection());
        inner->SetImeMode(properties->ImeMode());
        inner->SetImeName(properties->ImeName());
        inner->SetMaxLength(properties->MaxLength());
        inner->SetOEMConvert(properties->OEMConvert());
        inner->SetPasswordChar(properties->PasswordChar());
    }
    if (TWinControl* control = InnerControl()) control->SetVisible(IsInnerEditVisible());
    ApplyValueBoundsOnEntry();
    if (inner) SyncTextWithLookupRules();
    RefreshDisplayText();
    TcxCustomEdit::ApplyPropertiesChange(sender);
    if (TWinControl* control = InnerControl()) control->Invalidate();
}

void TcxCustomTextEdit::SyncTextWithLookupRules() {
    if (!Inner()) return;
    TcxCustomTextEditProperties* properties = ActiveProperties();
    const TcxTextEditingStyle style = EditingStyle();
    if (style == tesFreeText || style == tesNoText) {
        if (!Modified()) DataBinding()->RefreshDisplayValue();
        return;
    }
    if ((Modified() && !Validated()) || HasNoDataStorage()) {
        Variant display(Text());
        if (!properties->AcceptsLookupValue(display)) {
            PushModifiedState();
            {
                TScopeExit pop([this] { PopModifiedState(); });
                DataBinding()->PutDisplayValue(properties->GetEmptyDisplayValue());
            }
            if (!Modified()) SyncValueFromDisplay();
        }
    } else {
        SyncDisplayFromValue();
    }
}

bool TcxCustomTextEdit::HasNoDataStorage() {
    return !IsInplace() && !DataBinding()->QueryDefaultValuesProvider()->IsValueStorage();
}

// --- composing and inserting ------------------------------------------------------------------------
bool TcxCustomTextEdit::ComposeInsertedText(const AnsiString& text, AnsiString& result, int& caret) {
    const TcxTextEditingStyle style = EditingStyle();
    const bool userInput = UserAction();
    if (userInput && style == tesNoText) return false;
    IcxInnerTextEdit* inner = Inner();
    const int selStart = inner ? inner->GetSelStart() : 0;
    const int selLength = inner ? inner->GetSelLength() : 0;
    const TcxTextInsertion insertion = ComposeTextInsertion(style, Text(), selStart, selLength, text,
                                                            ActiveProperties()->MaxLength(), userInput);
    if (!insertion.Accepted) return false;
    Variant value(insertion.Text);
    if (!ActiveProperties()->AcceptsLookupValue(value)) return false;
    if (userInput && !TryEnterEditMode()) return false;
    result = value.AsAnsiString();
    caret = std::min(insertion.Caret, static_cast<int>(result.size()));
    return true;
}

void TcxCustomTextEdit::InsertText(const AnsiString& text) {
    AnsiString result;
    int caret = 0;
    if (!ComposeInsertedText(text, result, caret)) return;
    ApplyDisplayValue(Variant(result));
    SetSelStart(caret);
}

bool TcxCustomTextEdit::TrySetDisplayText(const AnsiString& text) {
    Variant value(text);
    if (!ActiveProperties()->AcceptsLookupValue(value)) return false;
    if (UserAction() && !TryEnterEditMode()) return false;
    ApplyDisplayValue(value);
    return true;
}

bool TcxCustomTextEdit::SetTextIfEditable(const AnsiString& text) {
    if (!CanEditPlainText() && !IsInplace() && !HasState(csDesigning)) return false;
    return TrySetDisplayText(text);
}

void TcxCustomTextEdit::DeleteSelection() {
    const int length = SelLength();
    if (length <= 0) return;
    const int start = SelStart();
    AnsiString text = Text();
    text.erase(static_cast<size_t>(start), static_cast<size_t>(length));
    if (TrySetDisplayText(text)) SetSelStart(start);
}

void TcxCustomTextEdit::SetTextAndPost(const AnsiString& text, bool post) {
    WithUserInput([&] { InsertText(text); });
    if (post && !IsInplace() && Modified() && !Focused()) {
        StoreEditValueQuiet(Variant(Text()));
        PostValue(false);
    }
    SetModified(true);
}

void TcxCustomTextEdit::WithUserInput(const std::function<void()>& f) {
    const bool saved = UserAction();
    SetUserAction(true);
    TScopeExit restore([this, saved] { SetUserAction(saved); });
    f();
}

// --- clipboard ------------------------------------------------------------------------------------------
// A password never leaves the editor: copying is refused, and so is a cut, which would otherwise
// delete text that reached no clipboard.
bool TcxCustomTextEdit::SelectionLeavesEditor() {
    IcxInnerTextEdit* inner = Inner();
    return inner && inner->GetEchoMode() != eemPassword;
}

void TcxCustomTextEdit::CopySelectionToClipboard() {
    if (!SelectionLeavesEditor()) return;
    const TcxTextEditingStyle style = EditingStyle();
    if (style == tesFixedList || style == tesNoText) SelectAll();
    IcxInnerTextEdit* inner = Inner();
    if (inner && inner->GetSelLength() > 0) inner->CopyToClipboard();
}

void TcxCustomTextEdit::CutSelectionToClipboard() {
    IcxInnerTextEdit* inner = Inner();
    if (!inner || inner->GetSelLength() <= 0 || !SelectionLeavesEditor()) return;
    if (Focused()) {
        AnsiString result;
        int caret = 0;
        if (ComposeInsertedText(AnsiString(), result, caret)) InnerEdit()->CallNativeWndProc(WM_CUT, 0, 0);
    } else {
        CopySelectionToClipboard();
        InsertText(AnsiString());
    }
}

void TcxCustomTextEdit::PasteClipboardText() {
    AnsiString text;
    if (!ReadClipboardText(HandleAllocated() ? Handle() : nullptr, text)) return;
    if (Focused()) {
        AnsiString result;
        int caret = 0;
        if (ComposeInsertedText(text, result, caret)) InnerEdit()->CallNativeWndProc(WM_PASTE, 0, 0);
    } else {
        InsertText(text);
    }
}

// --- lookup ---------------------------------------------------------------------------------------------
int TcxCustomTextEdit::GetItemIndex() {
    return lookupData_ ? LookupKeyToIndex(lookupData_->GetCurrentKey()) : -1;
}

int TcxCustomTextEdit::LookupKeyToIndex(const Variant& key) { return key.IsEmptyOrNull() ? -1 : key.AsInteger(); }

Variant TcxCustomTextEdit::LookupKeyToEditValue(const Variant& key) {
    Variant display(lookupData_ ? lookupData_->GetItemTextByKey(key) : AnsiString());
    ConvertDisplayToEdit(display, IsFocusedForConversion());
    return display;
}

void TcxCustomTextEdit::SetItemIndex(int value) {
    if (!lookupData_) return;
    LockClick(true);
    const int old = GetItemIndex();
    {
        TScopeExit unlock([this] { LockClick(false); });
        const Variant key = LookupKeyFromIndex(value);
        lookupData_->SetCurrentKey(key);
        const Variant edit = LookupKeyToEditValue(lookupData_->GetCurrentKey());
        if (!VarEqualsForEdit(edit, EditValue())) SetEditValue(edit);
    }
    if (GetItemIndex() != old) {
        SetChangedSinceEnter(false);
        Click();
    }
}

TObject* TcxCustomTextEdit::GetSelectedObject() {
    const int index = GetItemIndex();
    TStringList* items = ActiveProperties()->LookupItems();
    return index < 0 || index >= items->Count() ? nullptr : items->Objects(index);
}

void TcxCustomTextEdit::HandleLookupSelectItem(TObject* sender) {
    (void)sender;
    if (!lookupData_) return;
    const AnsiString text = lookupData_->GetItemTextByKey(lookupData_->GetCurrentKey());
    WithFlag(lookupLocked_, [&] {
        if (UserAction() || lookupNavigating_)
            DataBinding()->PutDisplayValue(Variant(text));
        else
            ApplyDisplayValue(Variant(text));
    });
    ResetCompletion();
    if (Focused() && Inner()) SelectAll();
    RefreshDisplayText();
}

void TcxCustomTextEdit::NavigateLookup(TcxEditLookupDirection direction) {
    LockChangeEvents(true);
    LockClick(true);
    const int old = lookupData_->CurrentKey();
    {
        TScopeExit unlock([this] {
            LockClick(false);
            LockChangeEvents(false);
        });
        WithFlag(lookupNavigating_, [&] { lookupData_->Navigate(direction, false); });
    }
    if (lookupData_->CurrentKey() == old) return;
    MarkModifiedAndClick();
    if (Modified() && ActiveProperties()->ImmediatePost && ValidateValue(false)) PostValue(false);
}

bool TcxCustomTextEdit::NavigateLookupByKey(WORD key, TShiftState shift) {
    if (!lookupData_ || !CanNavigateLookup(false) || lookupData_->HasNoItems()) return false;
    const bool ctrl = shift.Contains(ssCtrl);
    const bool fixedList = EditingStyle() == tesFixedList;
    switch (key) {
    case VK_PRIOR: NavigateLookup(ctrl ? eldFirst : eldPageUp); return true;
    case VK_NEXT: NavigateLookup(ctrl ? eldLast : eldPageDown); return true;
    case VK_UP: NavigateLookup(eldPrev); return true;
    case VK_DOWN: NavigateLookup(eldNext); return true;
    case VK_HOME:
        if (!fixedList) return false;
        NavigateLookup(eldFirst);
        return true;
    case VK_END:
        if (!fixedList) return false;
        NavigateLookup(eldLast);
        return true;
    default: return false;
    }
}

bool TcxCustomTextEdit::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    if (TcxCustomEdit::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    if (!CanNavigateLookup(true) || IsPopupOpen() || !lookupData_ || lookupData_->HasNoItems() || !Focused())
        return false;
    NavigateLookup(wheelDelta >= 1 ? eldPrev : eldNext);
    return true;
}

// --- keys -----------------------------------------------------------------------------------------------
void TcxCustomTextEdit::KeyDown(WORD& key, TShiftState shift) { TcxCustomEdit::KeyDown(key, shift); }

void TcxCustomTextEdit::KeyUp(WORD& key, TShiftState shift) { TcxCustomEdit::KeyUp(key, shift); }

void TcxCustomTextEdit::KeyPress(char& key) {
    if (key == '\x1b' && DialogKeyPending && !IsPopupOpen()) DialogKeyPending = false;
    TcxCustomEdit::KeyPress(key);
}

void TcxCustomTextEdit::HandleKeyDown(WORD& key, TShiftState shift) {
    if (NavigateLookupByKey(key, shift)) {
        key = 0;
        return;
    }
    IcxInnerTextEdit* inner = Inner();
    if (inner) inner->SetKeyConsumed(true);
    const bool completionBefore = completion_;
    TcxCustomEdit::HandleKeyDown(key, shift);
    if (key == 0) return;
    const TcxTextEditingStyle style = EditingStyle();
    const bool plainKey = !IsClickKey(key, shift) &&
                          ShortCut(key, shift.Contains(ssShift), shift.Contains(ssCtrl), shift.Contains(ssAlt)) !=
                              ActiveProperties()->ClearKey;
    switch (key) {
    case VK_RETURN:
        if (completionBefore) SelectAll();
        break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_DELETE:
        if (style == tesFixedList && plainKey) {
            ResetCompletion();
            FireHostKeyEvent(key, shift);
            key = 0;
            break;
        }
        if (key == VK_DELETE) {
            if (style == tesListText) {
                FireHostKeyEvent(key, shift);
                key = 0;
            } else {
                ResetCompletion();
            }
            break;
        }
        if (!shift.Contains(ssShift) && inner && inner->GetSelLength() > 0) {
            const int start = inner->GetSelStart();
            const int length = inner->GetSelLength();
            inner->SetSelStart(key == VK_LEFT ? start : start + length);
            key = 0;
        }
        ResetCompletion();
        break;
    case VK_END:
        if (style != tesFixedList && inner && inner->GetSelLength() == 0) ResetCompletion();
        break;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
        if (inner && !inner->IsMultiLineEdit()) {
            FireHostKeyEvent(key, shift);
            key = 0;
        }
        break;
    default:
        break;
    }
    if (key != 0 && inner) inner->SetKeyConsumed(false);
}

bool TcxCustomTextEdit::HandleKeyPress(char& key) {
    IcxInnerTextEdit* inner = Inner();
    if (inner) inner->SetKeyConsumed(true);
    if (!TcxCustomEdit::HandleKeyPress(key)) return false;
    if (lookupData_ && ActiveProperties()->UsesLookupData()) {
        lookupChangePending_ = false;
        LockClick(true);
        TcxLookupKeyResult result;
        {
            TScopeExit unlock([this] { LockClick(false); });
            WithUserInput([&] { result = lookupData_->HandleKeyPress(key, inner ? inner->GetPendingImeByte() : '\0'); });
        }
        if (result.Consumed || result.PassOn.empty()) {
            key = 0;
        } else {
            // A held lead byte goes on first; its trail takes the key's own way.
            for (size_t i = 0; i + 1 < result.PassOn.size(); ++i)
                if (InnerEdit()) InnerEdit()->CallNativeWndProc(WM_CHAR, static_cast<BYTE>(result.PassOn[i]), 0);
            key = result.PassOn.back();
        }
    }
    if (key != 0 && inner) inner->SetKeyConsumed(false);
    return key != 0;
}

bool TcxCustomTextEdit::IsCharAllowed(char ch) {
    return TcxCustomEdit::IsCharAllowed(ch) || ActiveProperties()->AllowedChars.test(static_cast<unsigned char>(ch));
}

bool TcxCustomTextEdit::IsEditingKey(WORD key, TShiftState shift) {
    if (key == VK_DELETE) return true;
    TcxCustomTextEditProperties* properties = ActiveProperties();
    if (!properties->UsesLookupData() || !lookupData_ || lookupData_->HasNoItems() || !CanNavigateLookup(false) ||
        IsPopupOpen())
        return false;
    if (key == VK_PRIOR || key == VK_NEXT) return true;
    return (key == VK_UP || key == VK_DOWN) && !shift.Contains(ssAlt);
}

bool TcxCustomTextEdit::IsEditingChar(char ch) {
    const unsigned char c = static_cast<unsigned char>(ch);
    return c == 8 || c == 22 || c == 24 || c >= 32;
}

// --- state ----------------------------------------------------------------------------------------------
bool TcxCustomTextEdit::CanEditPlainText() {
    return ActiveProperties()->EchoMode() == eemNormal && ActiveProperties()->CanEditValue();
}

bool TcxCustomTextEdit::IsEditingPossible() { return EditingStyle() != tesNoText; }

bool TcxCustomTextEdit::IsInnerEditVisible() {
    if (ForceInnerEditShown) return true;
    if (ForceInnerEditHidden || !InnerEdit() || HasState(csDesigning)) return false;
    const TcxTextEditingStyle style = EditingStyle();
    return style != tesFixedList && style != tesNoText;
}

void TcxCustomTextEdit::ActivateInplace(TcxCustomEditData*& editData) {
    TcxCustomEdit::ActivateInplace(editData);
    SetSelStart(0);
    if (ActiveProperties()->AutoSelect()) SelectAll();
}

void TcxCustomTextEdit::DoExit() {
    TcxCustomEdit::DoExit();
    ResetCompletion();
}

void TcxCustomTextEdit::Loaded() {
    TcxCustomEdit::Loaded();
    RefreshAtCursor();
}

void TcxCustomTextEdit::InnerFocusChanged(bool entering, HWND other) {
    if (IsDestroying()) return;
    const bool fromOwner = HandleAllocated() && other == Handle();
    if (entering) {
        if (!fromOwner) DoEnter();
    } else if (!fromOwner && IsFocusExitTo(other)) {
        DoExit();
    }
    DoFocusChanged();
}

// --- layout ---------------------------------------------------------------------------------------------
bool TcxCustomTextEdit::UsesLeftAlignmentOnEditing() {
    TcxCustomTextEditProperties* properties = ActiveProperties();
    return properties->UseLeftAlignmentOnEditing() && properties->Alignment()->Horz() != taLeftJustify;
}

int TcxCustomTextEdit::GetInnerEditTextHeight() {
    TWinControl* control = InnerControl();
    if (!control) return 0;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, control->Font().Handle());
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return metrics.tmHeight;
}

void TcxCustomTextEdit::AlignInnerControl() { AlignInnerEdit(); }

void TcxCustomTextEdit::FillViewData(TcxCustomEditViewData* viewData) {
    TcxCustomEdit::FillViewData(viewData);
    if (auto* textData = dynamic_cast<TcxCustomTextEditViewData*>(viewData)) textData->HasPopupWindow = IsPopupOpen();
}

void TcxCustomTextEdit::AlignInnerEdit() {
    TWinControl* control = InnerControl();
    TcxCustomEditViewInfo* viewInfo = EditViewInfo();
    if (!control || !viewInfo || aligningInnerEdit_) return;
    WithFlag(aligningInnerEdit_, [&] {
        TRect bounds{};
        if (IsInnerEditVisible())
            bounds = CalcInnerTextEditRect(viewInfo->ContentRect, InnerEditOffsets.ContentOffsets,
                                           GetInnerEditTextHeight(), ActiveProperties()->Alignment()->Vert());
        const TRect current = control->BoundsRect();
        if (!EqualRect(&bounds, &current))
            control->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
    });
}

void TcxCustomTextEdit::CalculateInnerControlBounds(const TRect& clientRect, TControl* control, TcxInnerBounds& result) {
    if (!IsInnerEditVisible()) {
        result = TcxInnerBounds{false, TRect{}};
        return;
    }
    TcxCustomEdit::CalculateInnerControlBounds(clientRect, control, result);
}

void TcxCustomTextEdit::AlignControls(TControl* control, TRect& rect) {
    if (IsInplace()) {
        ++rect.top;
        --rect.bottom;
    } else if (UsesNativeStyle() && (EditingStyle() == tesFreeText || EditingStyle() == tesListText)) {
        --rect.right;
        --rect.bottom;
    }
    TcxCustomEdit::AlignControls(control, rect);
}

void TcxCustomTextEdit::SyncInnerEditColors() {
    TWinControl* control = InnerControl();
    TcxCustomEditViewInfo* viewInfo = EditViewInfo();
    if (!control || !viewInfo || IsLoading()) return;
    InnerEdit()->LockInnerBounds(true);
    TScopeExit unlock([this] { InnerEdit()->LockInnerBounds(false); });
    control->SetColor(viewInfo->FillColor);
    TFont* font = GetActiveStyle()->GetEffectiveFont();
    control->Font().Assign(*font);
    if (TcxCustomTextEditViewInfo* text = TextViewInfo()) control->Font().SetColor(text->TextColor);
}

// --- spell checker --------------------------------------------------------------------------------------
void TcxCustomTextEdit::SpellCheckRedraw() {
    if (spellCheckerHook) spellCheckerHook->Redraw(this);
}

void TcxCustomTextEdit::SpellCheckReset() {
    if (IcxInnerTextEdit* inner = Inner()) lastEchoMode_ = inner->GetEchoMode();
    if (spellCheckerHook) spellCheckerHook->Reset(this);
}

void TcxCustomTextEdit::SpellCheckSelectionChanged() {
    IcxInnerTextEdit* inner = Inner();
    if (!inner) return;
    const int length = inner->GetSelLength();
    const char password = inner->GetPasswordChar();
    if (length == lastSelLength_ && password == lastPasswordChar_) return;
    lastSelLength_ = length;
    lastPasswordChar_ = password;
    if (spellCheckerHook) spellCheckerHook->SelectionChanged(this);
}

void TcxCustomTextEdit::SpellCheckTextChanged() {
    if (spellCheckerHook) spellCheckerHook->TextChanged(this);
}

void TcxCustomTextEdit::TrackInnerEditMessage(const TMessage& message) {
    switch (message.Msg) {
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        SpellCheckSelectionChanged();
        break;
    default:
        break;
    }
}

// --- window text ----------------------------------------------------------------------------------------
AnsiString TcxCustomTextEdit::GetInnerText() { return Text(); }

bool TcxCustomTextEdit::SetInnerText(const AnsiString& text) {
    if (destroyed_ || !InnerEdit()) return false;
    ApplyDisplayValue(Variant(text));
    return true;
}

void TcxCustomTextEdit::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_SETTEXT:
        if (settingWindowText_) {
            DefaultHandler(message);
            return;
        }
        WithFlag(settingWindowText_, [&] {
            const char* text = reinterpret_cast<const char*>(message.LParam);
            message.Result = SetInnerText(text ? AnsiString(text) : AnsiString()) ? 1 : 0;
        });
        return;
    case WM_GETTEXT: {
        const AnsiString text = GetInnerText();
        const int size = message.WParam > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(message.WParam);
        char* buffer = reinterpret_cast<char*>(message.LParam);
        if (size < 1 || !buffer) {
            message.Result = 0;
            return;
        }
        const int length = WindowTextCopyLength(text, size);
        std::memcpy(buffer, text.data(), static_cast<size_t>(length));
        buffer[length] = '\0';
        message.Result = length;
        return;
    }
    case WM_GETTEXTLENGTH:
        message.Result = static_cast<LRESULT>(GetInnerText().size());
        return;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        // The edit box answers its own colours.
        if (TWinControl* control = InnerControl();
            control && control->HandleAllocated() && reinterpret_cast<HWND>(message.LParam) == control->Handle()) {
            message.Result = control->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
            return;
        }
        break;
    default:
        break;
    }
    TcxCustomEdit::WndProc(message);
}

// --- TcxTextEdit ----------------------------------------------------------------------------------------
TcxTextEditProperties* TcxTextEdit::Properties() {
    return static_cast<TcxTextEditProperties*>(OwnProperties());
}

void TcxTextEdit::SetProperties(TcxTextEditProperties* value) { OwnProperties()->Assign(value); }

TClass TcxFilterTextEditHelper::FilterEditorClass() const { return TcxTextEdit::StaticClass(); }
