#include "ui/editors/MaskEdit.h"

#include <algorithm>

#include "ui/editors/framework/ScopeExit.h"

namespace {
template <class F> void WithFlagSet(bool& flag, F&& f) {
    const bool saved = flag;
    flag = true;
    TScopeExit restore([&flag, saved] { flag = saved; });
    f();
}
} // namespace

// The editor as its mode sees it: the inner edit's text and selection, keys sent past the
// editor's own handling.
class TcxCustomMaskEdit::TSide : public IcxMaskEditSide {
public:
    explicit TSide(TcxCustomMaskEdit* edit) : edit_(edit) {}

    bool HandleAllocated() const override {
        TcxCustomInnerTextEdit* inner = edit_->InnerTextEditControl();
        return inner && inner->HandleAllocated();
    }
    int SelStart() const override { return edit_->SelStart(); }
    int SelLength() const override { return edit_->SelLength(); }
    int CaretPos() const override { return edit_->CursorPos(); }
    void SetSelStart(int value) override {
        WithFlagSet(edit_->settingSelection_, [&] { edit_->SetSelStart(value); });
        if (edit_->mode_) edit_->mode_->RefreshSelection();
    }
    void SetSelStartGuarded(int value) override {
        WithFlagSet(edit_->settingSelection_, [&] { edit_->SetSelStart(value); });
    }
    void SetSelLengthGuarded(int value) override {
        WithFlagSet(edit_->settingSelection_, [&] { edit_->SetSelLength(value); });
    }
    AnsiString DisplayText() const override { return edit_->Text(); }
    void WriteDisplayValue(const AnsiString& text) override {
        WithFlagSet(edit_->settingSelection_, [&] { edit_->TcxCustomTextEdit::WriteDisplayValue(Variant(text)); });
    }
    void PutDisplayValue(const AnsiString& text) override {
        WithFlagSet(edit_->settingSelection_, [&] { edit_->DataBinding()->PutDisplayValue(Variant(text)); });
    }
    void SendKeyDown(unsigned short key) override { Send(WM_KEYDOWN, key); }
    void SendChar(char ch) override { Send(WM_CHAR, static_cast<BYTE>(ch)); }
    bool ShiftHeld() const override { return edit_->shiftHeld_; }
    void SetShiftHeld(bool value) override { edit_->shiftHeld_ = value; }
    bool AcceptsMaskChar(char& ch, int position) override { return edit_->AcceptsMaskChar(ch, position); }
    void BeepIfAllowed() override {
        if (edit_->ActiveProperties()->BeepOnError) EditBeep();
    }

private:
    void Send(UINT message, WPARAM wParam) {
        TcxCustomInnerTextEdit* inner = edit_->InnerTextEditControl();
        if (!inner || !inner->HandleAllocated()) return;
        WithFlagSet(edit_->sendingKey_, [&] { SendMessageA(inner->Handle(), message, wParam, 1); });
    }

    TcxCustomMaskEdit* edit_;
};

TcxCustomMaskEdit::TcxCustomMaskEdit(TComponent* owner, bool isInplace)
    : TcxCustomTextEdit(owner, isInplace), side_(std::make_unique<TSide>(this)) {}

TcxCustomMaskEdit::~TcxCustomMaskEdit() = default;

TcxCustomMaskEditProperties* TcxCustomMaskEdit::ActiveProperties() {
    return static_cast<TcxCustomMaskEditProperties*>(GetEffectiveProperties());
}

bool TcxCustomMaskEdit::IsMasked() {
    return ActiveProperties()->IsMasked();
}

void TcxCustomMaskEdit::MakeMode() {
    TcxCustomMaskEditProperties* properties = ActiveProperties();
    mode_ = properties->GetModeClass(properties->MaskKind())(side_.get(), properties->ModeProperties());
    mode_->ApplyMask(properties->EffectiveEditMask());
}

void TcxCustomMaskEdit::InitializeEditor() {
    TcxCustomTextEdit::InitializeEditor();
    MakeMode();
    shiftHeld_ = false;
}

void TcxCustomMaskEdit::ReapplyDisplayText() {
    ApplyDisplayValue(Variant(Text()));
}

// --- display and value -----------------------------------------------------------------------------
void TcxCustomMaskEdit::ApplyDisplayValue(const Variant& displayValue) {
    if (!mode_ || !IsMasked() || IsLoading()) {
        TcxCustomTextEdit::ApplyDisplayValue(displayValue);
        return;
    }
    const AnsiString text = VarToStr(displayValue);
    AnsiString shown;
    if (Focused() || mode_->KindOfMode() != emkStandard || ActiveProperties()->AlwaysShowBlanksAndLiterals())
        shown = mode_->FitToMask(text, true);
    else
        shown = mode_->DisplayToValue(text, true);
    TcxCustomTextEdit::ApplyDisplayValue(Variant(shown));
    mode_->TextAssigned(Text());
}

void TcxCustomMaskEdit::ConvertDisplayToEdit(Variant& displayValue, bool isFocused) {
    if (mode_ && IsMasked()) {
        auto* standard = dynamic_cast<TcxMaskEditStandardMode*>(mode_.get());
        const bool alwaysShow = ActiveProperties()->AlwaysShowBlanksAndLiterals();
        if (isFocused || !standard || (alwaysShow && !standard->Mask.KeepsLiterals)) {
            displayValue = mode_->DisplayToValue(VarToStr(displayValue), true);
            return;
        }
    }
    TcxCustomTextEdit::ConvertDisplayToEdit(displayValue, isFocused);
}

void TcxCustomMaskEdit::SyncDisplayFromValue() {
    TcxCustomTextEdit::SyncDisplayFromValue();
    if (mode_ && IsMasked()) mode_->TextAssigned(Text());
}

void TcxCustomMaskEdit::HandleInnerEditChange() {
    if (mode_ && IsMasked()) valueText_ = mode_->DisplayToValue(Text(), true);
    TcxCustomTextEdit::HandleInnerEditChange();
}

bool TcxCustomMaskEdit::CanEditPlainText() {
    if (!TcxMaskEditCustomMode::IsBlankMask(ActiveProperties()->EffectiveEditMask())) return false;
    return TcxCustomTextEdit::CanEditPlainText();
}

// --- clipboard ---------------------------------------------------------------------------------------
void TcxCustomMaskEdit::PasteClipboardText() {
    if (!mode_ || !IsMasked()) {
        TcxCustomTextEdit::PasteClipboardText();
        return;
    }
    AnsiString text;
    if (!ReadClipboardText(HandleAllocated() ? Handle() : nullptr, text)) return;
    InsertText(text);
}

void TcxCustomMaskEdit::InsertText(const AnsiString& text) {
    if (!mode_ || !IsMasked()) {
        TcxCustomTextEdit::InsertText(text);
        return;
    }
    mode_->PastedLength = static_cast<int>(text.size());
    const AnsiString pasted = mode_->PreparePaste(text);
    mode_->PastedLength = static_cast<int>(pasted.size());
    const int caret = SelStart() + static_cast<int>(pasted.size());
    WithFlagSet(settingSelection_, [&] {
        AnsiString result = Text();
        const size_t start = static_cast<size_t>(std::min(SelStart(), static_cast<int>(result.size())));
        result.replace(start, static_cast<size_t>(SelLength()), pasted);
        if (!TrySetDisplayText(result)) return;
        TcxCustomTextEdit::SetSelStart(std::min(caret, static_cast<int>(Text().size())));
    });
    mode_->FinishPaste();
}

void TcxCustomMaskEdit::CutSelectionToClipboard() {
    if (!mode_ || !IsMasked()) {
        TcxCustomTextEdit::CutSelectionToClipboard();
        return;
    }
    if (Focused() && !TryEnterEditMode()) return;
    CopySelectionToClipboard();
    if (mode_->HandleDelete()) side_->SendChar('\b');
}

// --- keys ----------------------------------------------------------------------------------------------
void TcxCustomMaskEdit::KeyDown(WORD& key, TShiftState shift) {
    if (!sendingKey_) TcxCustomTextEdit::KeyDown(key, shift);
}

void TcxCustomMaskEdit::KeyPress(char& key) {
    if (!sendingKey_) TcxCustomTextEdit::KeyPress(key);
}

void TcxCustomMaskEdit::KeyUp(WORD& key, TShiftState shift) {
    if (!sendingKey_) TcxCustomTextEdit::KeyUp(key, shift);
}

void TcxCustomMaskEdit::HandleKeyDown(WORD& key, TShiftState shift) {
    TcxCustomMaskEditProperties* properties = ActiveProperties();
    const TShortCut shortCut = ShortCut(key, shift.Contains(ssShift), shift.Contains(ssCtrl), shift.Contains(ssAlt));
    if (!mode_ || !IsMasked() || (properties->ClearKey != 0 && shortCut == properties->ClearKey) ||
        IsClickKey(key, shift)) {
        TcxCustomTextEdit::HandleKeyDown(key, shift);
        return;
    }
    auto drop = [&] { key = 0; };
    if (!AllowsKey(key, shift)) {
        FireHostKeyEvent(key, shift);
        drop();
        return;
    }
    if (key == VK_TAB) {
        TcxCustomTextEdit::HandleKeyDown(key, shift);
        return;
    }
    shiftHeld_ = shift.Contains(ssShift);
    const bool ctrl = shift.Contains(ssCtrl);
    switch (key) {
    case VK_UP:
    case VK_DOWN:
        if (!IsPopupOpen()) {
            FireHostKeyEvent(key, shift);
            drop();
        }
        break;
    case VK_LEFT:
    case VK_RIGHT: {
        const bool left = key == VK_LEFT;
        if (ctrl) {
            if (!(left ? mode_->HandleHome() : mode_->HandleEnd())) {
                side_->SendKeyDown(left ? VK_HOME : VK_END);
                drop();
            }
            break;
        }
        const bool atEdge = left ? mode_->IsCaretAtStart() : mode_->IsCaretAtEnd();
        if (!(left ? mode_->HandleLeft() : mode_->HandleRight())) {
            if (atEdge) FireHostKeyEvent(key, shift);
            drop();
        }
        break;
    }
    case VK_DELETE:
        if (!shiftHeld_) {
            if (!mode_->HandleDelete()) drop();
        } else if (SelLength() == 0 && !mode_->HandleBackspace()) {
            drop();
        }
        break;
    case VK_HOME:
        if (!mode_->HandleHome()) drop();
        break;
    case VK_END:
        if (!mode_->HandleEnd()) drop();
        break;
    default:
        break;
    }
    if (key != 0) TcxCustomTextEdit::HandleKeyDown(key, shift);
}

bool TcxCustomMaskEdit::HandleKeyPress(char& key) {
    if (!mode_ || !IsMasked()) return TcxCustomTextEdit::HandleKeyPress(key);
    if (key == '\t' || key == '\x1b' || !FilterKeyPress(key)) {
        key = 0;
        return false;
    }
    if (key == '\r') return true;
    if (key == '\x03' || key == '\x16' || key == '\x18') return TcxCustomTextEdit::HandleKeyPress(key);
    if (!TryEnterEditMode()) {
        key = 0;
        return false;
    }
    const bool accepted = key == '\b' ? mode_->HandleBackspace() : mode_->HandleChar(key);
    if (!accepted) key = 0;
    return accepted;
}

// --- selection, focus and mouse -------------------------------------------------------------------------
void TcxCustomMaskEdit::HandleInnerSelChange(TObject* sender) {
    TcxCustomTextEdit::HandleInnerSelChange(sender);
    if (mode_ && IsMasked() && !settingSelection_) mode_->RefreshSelection();
}

void TcxCustomMaskEdit::DblClick() {
    if (mode_ && IsMasked()) mode_->HandleSelectAll();
    TcxCustomTextEdit::DblClick();
}

void TcxCustomMaskEdit::DoEnter() {
    if (mode_ && IsMasked() && ActiveProperties()->AutoSelect()) mode_->HandleSelectAll();
    TcxCustomTextEdit::DoEnter();
}

void TcxCustomMaskEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && mode_ && IsMasked()) mode_->RefreshSelection();
    TcxCustomTextEdit::MouseDown(button, shift, x, y);
}

void TcxCustomMaskEdit::Loaded() {
    TcxCustomTextEdit::Loaded();
    LockChangeEvents(true);
    TScopeExit unlock([this] { LockChangeEvents(false); });
    ReapplyDisplayText();
}

// --- properties ---------------------------------------------------------------------------------------
void TcxCustomMaskEdit::ApplyPropertiesChange(TObject* sender) {
    if (!mode_ || applyingProperties_) {
        TcxCustomTextEdit::ApplyPropertiesChange(sender);
        return;
    }
    TcxCustomMaskEditProperties* properties = ActiveProperties();
    const bool locked = properties->NotifyLocked();
    properties->SuspendChanged(true);
    applyingProperties_ = true;
    TScopeExit restore([&] {
        applyingProperties_ = false;
        properties->SuspendChanged(locked);
    });
    const AnsiString mask = properties->EffectiveEditMask();
    const bool kindChanged = mode_->KindOfMode() != properties->MaskKind();
    const bool maskChanged = kindChanged || mode_->EditMask != mask;
    const bool caseChanged = mode_->Properties.CharCase != properties->CharCase();
    if (kindChanged) mode_ = properties->GetModeClass(properties->MaskKind())(side_.get(), properties->ModeProperties());
    mode_->Properties = properties->ModeProperties();
    const bool masked = !TcxMaskEditCustomMode::IsBlankMask(mask);
    if (maskChanged) mode_->ApplyMask(mask);
    TcxCustomTextEdit::ApplyPropertiesChange(sender);
    if (IcxInnerTextEdit* inner = InnerTextEdit(); inner && masked) inner->SetMaxLength(0);
    if ((maskChanged || caseChanged) && masked) SyncDisplayFromValue();
    if (maskChanged && !masked && mode_->KindOfMode() == emkStandard && SelLength() == 1)
        TcxCustomTextEdit::SetSelLength(0);
    if (maskChanged || caseChanged) valueText_ = masked ? mode_->DisplayToValue(Text(), true) : Text();
}

// --- published editor -------------------------------------------------------------------------------
TcxMaskEditProperties* TcxMaskEdit::Properties() {
    return static_cast<TcxMaskEditProperties*>(OwnProperties());
}

void TcxMaskEdit::SetProperties(TcxMaskEditProperties* value) {
    OwnProperties()->Assign(value);
}
