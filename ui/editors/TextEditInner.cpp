#include "ui/editors/TextEditInner.h"

#include <algorithm>

#include "platform/core/Win32Boundary.h"
#include "ui/editors/TextEdit.h"
#include "ui/editors/framework/SolidBrushCache.h"
#include "ui/editors/framework/ScopeExit.h"

// --- how the system's EDIT counts -------------------------------------------------------------
namespace {
bool unitsProbed = false;
TNativeEditUnits probedUnits = TNativeEditUnits::Bytes;

// A double-byte character selected whole: one position for it means the control counts characters.
TNativeEditUnits ProbeNativeEditUnits() {
    HWND window = CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (!window) return TNativeEditUnits::Bytes;
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("\xD6\xD0")); // one CP936 character
    SendMessageA(window, EM_SETSEL, 0, -1);
    DWORD start = 0, end = 0;
    SendMessageA(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    DestroyWindow(window);
    return end == 1 ? TNativeEditUnits::Characters : TNativeEditUnits::Bytes;
}

int SelectionMessageAnswer(HWND window, int& end) {
    DWORD s = 0, e = 0;
    SendMessageA(window, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    end = static_cast<int>(e);
    return static_cast<int>(s);
}
} // namespace

TNativeEditUnits NativeEditUnits() {
    if (!unitsProbed) {
        probedUnits = ProbeNativeEditUnits();
        unitsProbed = true;
    }
    return probedUnits;
}

TNativeEditUnits SetNativeEditUnitsForTest(TNativeEditUnits units) {
    TNativeEditUnits previous = NativeEditUnits();
    probedUnits = units;
    return previous;
}

int TcxCustomInnerTextEdit::ToNative(std::string_view text, int byteOffset) {
    const int boundary = CharBoundaryAtOrBefore(text, byteOffset);
    if (NativeEditUnits() == TNativeEditUnits::Bytes) return boundary;
    return CharCount(text.substr(0, static_cast<size_t>(boundary)));
}

int TcxCustomInnerTextEdit::FromNative(std::string_view text, int nativePosition) {
    if (nativePosition < 0) nativePosition = 0;
    if (NativeEditUnits() == TNativeEditUnits::Bytes) return CharBoundaryAtOrBefore(text, nativePosition);
    return CharsToBytes(text, nativePosition);
}

// --- helper -------------------------------------------------------------------------------------
TcxCustomInnerTextEditHelper::TcxCustomInnerTextEditHelper(TcxCustomInnerTextEdit* edit)
    : TcxInterfacedPersistent(edit), edit_(edit) {}

TWinControl* TcxCustomInnerTextEditHelper::GetControl() { return edit_; }
TcxContainer* TcxCustomInnerTextEditHelper::GetControlContainer() { return dynamic_cast<TcxContainer*>(edit_->Owner()); }

LRESULT TcxCustomInnerTextEditHelper::CallNativeWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) return edit_->PassCharToControl(static_cast<char>(wParam), lParam);
    return edit_->Native(message, wParam, lParam);
}

Variant TcxCustomInnerTextEditHelper::GetTextValue() { return Variant(edit_->Text()); }
TNotifyEvent TcxCustomInnerTextEditHelper::GetOnChange() { return edit_->OnChange; }
bool TcxCustomInnerTextEditHelper::GetReadOnly() { return edit_->ReadOnly(); }

void TcxCustomInnerTextEditHelper::LockInnerBounds(bool lock) {
    if (lock)
        ++edit_->boundsLock_;
    else if (edit_->boundsLock_ > 0)
        --edit_->boundsLock_;
}

void TcxCustomInnerTextEditHelper::FocusWithoutAutoSelect() {
    const bool saved = edit_->AutoSelect;
    edit_->AutoSelect = false;
    TScopeExit restore([this, saved] { edit_->AutoSelect = saved; });
    edit_->SetFocus();
}

void TcxCustomInnerTextEditHelper::SetTextValue(const Variant& value) {
    const AnsiString text = value.IsEmptyOrNull() ? AnsiString() : value.AsAnsiString();
    const bool changed = text != edit_->Text();
    edit_->SetText(text);
    if (changed && edit_->HasState(csDesigning) && edit_->OnChange) edit_->OnChange(edit_);
}

void TcxCustomInnerTextEditHelper::SetParent(TWinControl* parent) { edit_->SetParent(parent); }
void TcxCustomInnerTextEditHelper::SetOnChange(TNotifyEvent handler) { edit_->OnChange = std::move(handler); }
void TcxCustomInnerTextEditHelper::SetReadOnly(bool value) { edit_->SetReadOnly(value); }

void TcxCustomInnerTextEditHelper::ClearSelection() { edit_->SetSelText(AnsiString()); }

void TcxCustomInnerTextEditHelper::CopyToClipboard() {
    if (edit_->HandleAllocated()) edit_->Native(WM_COPY, 0, 0);
}

TAlignment TcxCustomInnerTextEditHelper::GetAlignment() { return edit_->Alignment(); }
bool TcxCustomInnerTextEditHelper::GetAutoSelect() { return edit_->AutoSelect; }
TEditCharCase TcxCustomInnerTextEditHelper::GetCharCase() { return edit_->CharCase(); }
TcxEditEchoMode TcxCustomInnerTextEditHelper::GetEchoMode() { return edit_->EchoMode(); }

int TcxCustomInnerTextEditHelper::GetTopCharIndex() {
    if (!edit_->HandleAllocated()) return 0;
    const LRESULT answer = edit_->Native(EM_CHARFROMPOS, 0, 0);
    return TcxCustomInnerTextEdit::FromNative(edit_->Text(), LOWORD(answer));
}

bool TcxCustomInnerTextEditHelper::GetHideSelection() { return edit_->HideSelection(); }

char TcxCustomInnerTextEditHelper::GetPendingImeByte() {
    return edit_->imeCount_ == 2 ? edit_->imeByte_ : '\0';
}

TImeMode TcxCustomInnerTextEditHelper::GetImeMode() { return edit_->ImeMode; }
AnsiString TcxCustomInnerTextEditHelper::GetImeName() { return edit_->ImeName; }
bool TcxCustomInnerTextEditHelper::GetKeyConsumed() { return edit_->KeyConsumed; }
int TcxCustomInnerTextEditHelper::GetMaxLength() { return edit_->MaxLength(); }
bool TcxCustomInnerTextEditHelper::GetOEMConvert() { return edit_->OEMConvert(); }
TNotifyEvent TcxCustomInnerTextEditHelper::GetOnSelChange() { return edit_->OnSelChange; }
char TcxCustomInnerTextEditHelper::GetPasswordChar() { return edit_->PasswordChar(); }

int TcxCustomInnerTextEditHelper::GetSelLength() {
    return edit_->imeCount_ > 0 ? ImeSelLength : edit_->SelLength();
}

int TcxCustomInnerTextEditHelper::GetSelStart() {
    return edit_->imeCount_ > 0 ? ImeSelStart : edit_->SelStart();
}

AnsiString TcxCustomInnerTextEditHelper::GetSelText() { return edit_->SelText(); }

void TcxCustomInnerTextEditHelper::SelectAll() {
    if (edit_->HandleAllocated()) edit_->SelectAll();
}

void TcxCustomInnerTextEditHelper::SetAlignment(TAlignment value) {
    if (AlignmentLock) return;
    TcxCustomTextEdit* owner = edit_->Container();
    if (owner && owner->UsesLeftAlignmentOnEditing() && owner->IsInplace() && owner->Focused())
        value = taLeftJustify;
    if (value == edit_->Alignment()) return;
    AlignmentLock = true;
    TScopeExit unlock([this] { AlignmentLock = false; });
    edit_->SetAlignment(value);
}

void TcxCustomInnerTextEditHelper::SetAutoSelect(bool value) { edit_->AutoSelect = value; }
void TcxCustomInnerTextEditHelper::SetCharCase(TEditCharCase value) { edit_->SetCharCase(value); }
void TcxCustomInnerTextEditHelper::SetEchoMode(TcxEditEchoMode value) { edit_->SetEchoMode(value); }
void TcxCustomInnerTextEditHelper::SetHideSelection(bool value) { edit_->SetHideSelection(value); }
void TcxCustomInnerTextEditHelper::SetKeyConsumed(bool value) { edit_->KeyConsumed = value; }
void TcxCustomInnerTextEditHelper::SetImeMode(TImeMode value) { edit_->ImeMode = value; }
void TcxCustomInnerTextEditHelper::SetImeName(const AnsiString& value) { edit_->ImeName = value; }
void TcxCustomInnerTextEditHelper::SetMaxLength(int value) { edit_->SetMaxLength(value); }
void TcxCustomInnerTextEditHelper::SetOEMConvert(bool value) { edit_->SetOEMConvert(value); }
void TcxCustomInnerTextEditHelper::SetOnSelChange(TNotifyEvent handler) { edit_->OnSelChange = std::move(handler); }
void TcxCustomInnerTextEditHelper::SetPasswordChar(char value) { edit_->SetPasswordChar(value); }

void TcxCustomInnerTextEditHelper::SetSelLength(int value) {
    if (!edit_->HandleAllocated()) return;
    if (edit_->imeCount_ > 0)
        ImeSelLength = value;
    else
        edit_->SetSel(edit_->SelStart(), value);
}

void TcxCustomInnerTextEditHelper::SetSelStart(int value) {
    if (!edit_->HandleAllocated()) return;
    if (edit_->imeCount_ > 0)
        ImeSelStart = value;
    else
        edit_->SetSel(value, 0);
}

void TcxCustomInnerTextEditHelper::SetSelText(const AnsiString& value) { edit_->SetSelText(value); }

// --- the control ----------------------------------------------------------------------------------
TcxCustomInnerTextEdit::TcxCustomInnerTextEdit(TComponent* owner) : TCustomControl(owner) {
    creating_ = true;
    dblClickTimer_ = std::make_unique<TcxTimer>();
    dblClickTimer_->SetEnabled(false);
    dblClickTimer_->SetInterval(GetDoubleClickTime());
    TcxTimer* timer = dblClickTimer_.get();
    dblClickTimer_->SetOnTimer([timer](TObject*) { timer->SetEnabled(false); });
    helper_ = std::make_unique<TcxCustomInnerTextEditHelper>(this);
    ControlStyle.Include(csDoubleClicks);
    ControlStyle.Exclude(csCaptureMouse); // the edit box captures the mouse itself
    parentColor_ = true;
    parentFont_ = false;
    tabStop_ = true;
    width_ = 121;
    height_ = 21;
    color_ = clWindow;
    alignment_ = taLeftJustify;
    echoMode_ = eemNormal;
    UpdateNativePasswordChar();
    creating_ = false;
}

TcxCustomInnerTextEdit::~TcxCustomInnerTextEdit() {
    Destroying();
    DestroyHandle();
    OnChange = nullptr;
    OnSelChange = nullptr;
    dblClickTimer_.reset();
    helper_.reset();
}

TcxCustomTextEdit* TcxCustomInnerTextEdit::Container() const { return dynamic_cast<TcxCustomTextEdit*>(Owner()); }

void TcxCustomInnerTextEdit::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.SuperClass = "EDIT";
    static const DWORD alignments[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
    params.Style |= alignments[alignment_] | ES_AUTOHSCROLL | (readOnly_ ? ES_READONLY : 0) |
                    (hideSelection_ ? 0 : ES_NOHIDESEL) | (oemConvert_ ? ES_OEMCONVERT : 0) |
                    (charCase_ == ecUpperCase ? ES_UPPERCASE : charCase_ == ecLowerCase ? ES_LOWERCASE : 0);
    params.Style &= ~static_cast<DWORD>(WS_BORDER | WS_DLGFRAME | WS_THICKFRAME);
    params.ExStyle &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE);
}

void TcxCustomInnerTextEdit::CreateWnd() {
    if (TcxCustomTextEdit* owner = Container()) owner->ResetInnerControlBounds();
    TCustomControl::CreateWnd();
    if (!handle_) return;
    Native(WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0);
    Native(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text_.c_str()));
    Native(EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
    UpdateNativePasswordChar();
    SetSel(selStart_, selLength_);
    SetEditMargins();
}

void TcxCustomInnerTextEdit::DestroyWindowHandle() {
    if (handle_) {
        text_ = Text();
        selStart_ = SelStart();
        selLength_ = SelLength();
    }
    TCustomControl::DestroyWindowHandle();
}

void TcxCustomInnerTextEdit::SetEditMargins() {
    if (HandleAllocated()) Native(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(0, 1));
}

void TcxCustomInnerTextEdit::SetBounds(int left, int top, int width, int height) {
    if (creating_ || boundsLock_ > 0) return;
    TCustomControl::SetBounds(left, top, width, height);
}

bool TcxCustomInnerTextEdit::CanFocus() {
    TcxCustomTextEdit* owner = Container();
    if (!owner) return TCustomControl::CanFocus();
    // Hidden in the list styles, where the editor itself takes the focus.
    return Visible() && owner->CanFocus();
}

// --- text and selection ---------------------------------------------------------------------------
AnsiString TcxCustomInnerTextEdit::Text() {
    if (!handle_) return text_;
    const int length = static_cast<int>(Native(WM_GETTEXTLENGTH, 0, 0));
    AnsiString text(static_cast<size_t>(std::max(length, 0)) + 1, '\0');
    const int copied = static_cast<int>(Native(WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(static_cast<size_t>(std::clamp(copied, 0, length)));
    return text;
}

void TcxCustomInnerTextEdit::SetText(const AnsiString& value) {
    if (!handle_) {
        text_ = value;
        selStart_ = selLength_ = 0;
        if (OnChange) OnChange(this);
        return;
    }
    // Through the window procedure: the change notice comes back as EN_CHANGE.
    SendMessageA(handle_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
}

int TcxCustomInnerTextEdit::SelStart() {
    if (!handle_) return selStart_;
    int end = 0;
    const int start = SelectionMessageAnswer(handle_, end);
    return FromNative(Text(), start);
}

int TcxCustomInnerTextEdit::SelLength() {
    if (!handle_) return selLength_;
    int end = 0;
    const int start = SelectionMessageAnswer(handle_, end);
    const AnsiString text = Text();
    return FromNative(text, end) - FromNative(text, start);
}

void TcxCustomInnerTextEdit::SetSel(int start, int length) {
    if (!handle_) {
        selStart_ = std::max(start, 0);
        selLength_ = std::max(length, 0);
        return;
    }
    const AnsiString text = Text();
    const int size = static_cast<int>(text.size());
    const int from = CharBoundaryAtOrBefore(text, std::clamp(start, 0, size));
    const int to = CharBoundaryAtOrAfter(text, std::clamp(start + std::max(length, 0), from, size));
    SendMessageA(handle_, EM_SETSEL, static_cast<WPARAM>(ToNative(text, from)), ToNative(text, to));
}

void TcxCustomInnerTextEdit::SelectAll() {
    if (handle_) SendMessageA(handle_, EM_SETSEL, 0, -1);
}

AnsiString TcxCustomInnerTextEdit::SelText() {
    const AnsiString text = Text();
    const int start = std::min(SelStart(), static_cast<int>(text.size()));
    return text.substr(static_cast<size_t>(start), static_cast<size_t>(SelLength()));
}

void TcxCustomInnerTextEdit::SetSelText(const AnsiString& value) {
    if (!handle_) {
        text_.replace(static_cast<size_t>(std::min<int>(selStart_, static_cast<int>(text_.size()))),
                      static_cast<size_t>(selLength_), value);
        selStart_ += static_cast<int>(value.size());
        selLength_ = 0;
        return;
    }
    SendMessageA(handle_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(value.c_str()));
}

int TcxCustomInnerTextEdit::CharFromPos(TPoint p) {
    if (!handle_) return 0;
    const LRESULT answer = Native(EM_CHARFROMPOS, 0, MAKELPARAM(p.x, p.y));
    return FromNative(Text(), LOWORD(answer));
}

// --- settings -------------------------------------------------------------------------------------
void TcxCustomInnerTextEdit::SetReadOnly(bool value) {
    readOnly_ = value;
    if (handle_) Native(EM_SETREADONLY, value, 0);
}

void TcxCustomInnerTextEdit::SetMaxLength(int value) {
    maxLength_ = std::max(value, 0);
    // The editor's limit counts characters; where the control counts bytes a character may take
    // two, and the editor's own composition keeps the count.
    const int limit = NativeEditUnits() == TNativeEditUnits::Bytes ? maxLength_ * 2 : maxLength_;
    if (handle_) Native(EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
}

void TcxCustomInnerTextEdit::SetCharCase(TEditCharCase value) {
    if (value == charCase_) return;
    charCase_ = value;
    RecreateWnd();
}

void TcxCustomInnerTextEdit::SetHideSelection(bool value) {
    if (value == hideSelection_) return;
    hideSelection_ = value;
    RecreateWnd();
}

void TcxCustomInnerTextEdit::SetOEMConvert(bool value) {
    if (value == oemConvert_) return;
    oemConvert_ = value;
    RecreateWnd();
}

namespace {
// Asks the box to make its window again once the message that changed its alignment is over: the
// change may come from inside the box's own focus or click handling.
constexpr UINT WM_RECREATEINNEREDIT = WM_APP + 0x50;
} // namespace

void TcxCustomInnerTextEdit::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    if (handle_) PostMessageA(handle_, WM_RECREATEINNEREDIT, 0, 0);
}

void TcxCustomInnerTextEdit::RecreateKeepingFocus() {
    const bool focused = GetFocus() == handle_;
    RecreateWnd();
    if (!focused || !handle_) return;
    const bool autoSelect = AutoSelect;
    AutoSelect = false;
    TScopeExit restore([this, autoSelect] { AutoSelect = autoSelect; });
    ::SetFocus(handle_);
}

void TcxCustomInnerTextEdit::SetEchoMode(TcxEditEchoMode value) {
    if (value == echoMode_) return;
    echoMode_ = value;
    UpdateNativePasswordChar();
}

void TcxCustomInnerTextEdit::SetPasswordChar(char value) {
    if (value == passwordChar_) return;
    passwordChar_ = value;
    if (echoMode_ == eemPassword) UpdateNativePasswordChar();
}

void TcxCustomInnerTextEdit::UpdateNativePasswordChar() {
    if (!handle_) return;
    const char echo = echoMode_ == eemPassword ? (passwordChar_ ? passwordChar_ : '*') : '\0';
    Native(EM_SETPASSWORDCHAR, static_cast<BYTE>(echo), 0);
    Invalidate();
}

void TcxCustomInnerTextEdit::UpdateEditingAlignment() {
    TcxCustomTextEdit* owner = Container();
    if (!owner || !owner->UsesLeftAlignmentOnEditing()) return;
    const TAlignment wanted = owner->Focused() || owner->InplaceActivated()
                                  ? taLeftJustify
                                  : static_cast<TAlignment>(owner->ActiveProperties()->Alignment()->Horz());
    helper_->SetAlignment(wanted);
    owner->RefreshAtCursor();
}

// --- keys -----------------------------------------------------------------------------------------
void TcxCustomInnerTextEdit::KeyDown(WORD& key, TShiftState shift) {
    dblClickTimer_->SetEnabled(false);
    KeyConsumed = false;
    if (TcxCustomTextEdit* owner = Container()) {
        owner->KeyDown(key, shift);
        if (key == 0) KeyConsumed = true;
    } else {
        TCustomControl::KeyDown(key, shift);
    }
}

void TcxCustomInnerTextEdit::KeyPress(char& key) {
    if (key == '\t') key = 0;
    TcxCustomTextEdit* owner = Container();
    if (!owner) return;
    owner->KeyPress(key);
    if (key != '\r' && key != '\x1b') return;
    bool swallow = owner->IsInplace() || (key == '\r' && !owner->BeepOnEnter);
    if (owner->DialogKeyPending) {
        owner->DialogKeyPending = false;
        swallow = true;
    }
    if (swallow) key = 0;
}

void TcxCustomInnerTextEdit::KeyUp(WORD& key, TShiftState shift) {
    if (key == VK_TAB) key = 0;
    if (TcxCustomTextEdit* owner = Container()) owner->KeyUp(key, shift);
}

namespace {
struct TEditState {
    AnsiString Text;
    int SelStart, SelLength;
    bool operator==(const TEditState&) const = default;
};
} // namespace

void TcxCustomInnerTextEdit::HandleKeyDownMessage(TMessage& message) {
    const HWND window = handle_;
    WORD key = static_cast<WORD>(message.WParam);
    const TShiftState shift = KeyboardShiftState();
    TcxCustomTextEdit* owner = Container();
    const TEditState before{Text(), SelStart(), SelLength()};
    KeyDown(key, shift);
    if (FindControl(window) != this) return;
    if (key == 0) {
        message.Result = 0;
        return;
    }
    message.Result = Native(WM_KEYDOWN, key, message.LParam);
    if (FindControl(window) != this || !owner || KeyConsumed) return;
    if (TEditState{Text(), SelStart(), SelLength()} == before) owner->FireHostKeyEvent(key, shift);
}

void TcxCustomInnerTextEdit::HandleCharMessage(TMessage& message) {
    const HWND window = handle_;
    TcxCustomTextEdit* owner = Container();
    const TEditState before{Text(), SelStart(), SelLength()};
    char key = static_cast<char>(message.WParam);
    KeyPress(key);
    if (FindControl(window) != this) return;
    if (key != 0) message.Result = PassCharToControl(key, message.LParam);
    if (FindControl(window) != this) return;
    if (imeCount_ > 0 && --imeCount_ == 0 && owner && owner->Completion())
        SetSel(helper_->ImeSelStart, helper_->ImeSelLength);
    if (!owner) return;
    owner->SetLookupChangePending(false);
    if (!KeyConsumed && TEditState{Text(), SelStart(), SelLength()} != before) owner->ResetCompletion();
}

// The system control takes a double-byte character whole: its ANSI entry converts every byte of a
// WM_CHAR on its own (a lead byte alone becomes "?"), so the pair goes to its wide entry as one
// character.
LRESULT TcxCustomInnerTextEdit::PassCharToControl(char ch, LPARAM lParam) {
    const BYTE byte = static_cast<BYTE>(ch);
    if (pendingLead_) {
        const BYTE lead = static_cast<BYTE>(pendingLead_);
        pendingLead_ = 0;
        return Native(WM_CHAR, MAKEWORD(byte, lead), lParam);
    }
    if (IsDBCSLeadByte(byte)) {
        pendingLead_ = ch;
        return 0;
    }
    return Native(WM_CHAR, byte, lParam);
}

LRESULT TcxCustomInnerTextEdit::Native(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR && HIBYTE(LOWORD(wParam)) != 0 && handle_) {
        const char pair[2] = {static_cast<char>(HIBYTE(LOWORD(wParam))), static_cast<char>(LOBYTE(LOWORD(wParam)))};
        wchar_t wide = 0;
        if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pair, 2, &wide, 1) != 1) return 0;
        static WNDPROC editProcW = [] {
            WNDCLASSW info{};
            return GetClassInfoW(nullptr, L"EDIT", &info) ? info.lpfnWndProc : nullptr;
        }();
        if (!editProcW) return 0;
        return CallWindowProcW(editProcW, handle_, WM_CHAR, wide, lParam);
    }
    return DefaultHandler(message, wParam, lParam);
}

// --- messages -------------------------------------------------------------------------------------
void TcxCustomInnerTextEdit::WndProc(TMessage& message) {
    TcxCustomTextEdit* owner = Container();
    if (owner && owner->HandleInnerShortCut(message)) return;
    const HWND window = handle_;
    auto gone = [&] { return window && FindControl(window) != this; };
    auto asUserInput = [&](auto&& f) {
        if (!owner) return;
        const bool saved = owner->UserInput();
        owner->SetUserInput(true);
        TScopeExit restore([owner, saved] { owner->SetUserInput(saved); });
        f();
    };
    bool handled = true;
    switch (message.Msg) {
    case WM_KEYDOWN:
        HandleKeyDownMessage(message);
        break;
    case WM_CHAR:
        HandleCharMessage(message);
        break;
    case WM_KEYUP: {
        WORD key = static_cast<WORD>(message.WParam);
        KeyUp(key, KeyboardShiftState());
        if (!gone()) message.Result = key ? Native(WM_KEYUP, key, message.LParam) : 0;
        if (owner && !gone()) owner->SpellCheckSelectionChanged();
        break;
    }
    case WM_IME_CHAR: {
        const bool doubleByte = HIBYTE(LOWORD(message.WParam)) != 0;
        imeCount_ = doubleByte ? 2 : 1;
        if (doubleByte) imeByte_ = static_cast<char>(LOBYTE(LOWORD(message.WParam)));
        helper_->ImeSelStart = SelStart();
        helper_->ImeSelLength = SelLength();
        message.Result = Native(message.Msg, message.WParam, message.LParam);
        break;
    }
    case WM_IME_COMPOSITION:
        message.Result = !owner || owner->TryEnterEditMode() ? Native(message.Msg, message.WParam, message.LParam) : 0;
        break;
    case WM_CUT:
        asUserInput([&] {
            if (readOnly_)
                owner->CopySelectionToClipboard();
            else
                owner->CutSelectionToClipboard();
        });
        message.Result = 0;
        break;
    case WM_COPY:
        // The editor decides what may be copied (never a password).
        if (owner) {
            owner->CopySelectionToClipboard();
            message.Result = 0;
        } else {
            handled = false;
        }
        break;
    case WM_PASTE:
        if (!readOnly_) asUserInput([&] { owner->PasteClipboardText(); });
        message.Result = 0;
        break;
    case WM_CLEAR:
        if (!readOnly_) asUserInput([&] { owner->DeleteSelection(); });
        message.Result = 0;
        break;
    case WM_UNDO:
        asUserInput([&] {
            message.Result = Native(message.Msg, message.WParam, message.LParam);
            owner->AfterUndo();
        });
        break;
    case EM_SETSEL:
        message.Result = Native(message.Msg, message.WParam, message.LParam);
        if (OnSelChange) OnSelChange(this);
        break;
    case WM_GETDLGCODE:
        message.Result = Native(message.Msg, message.WParam, message.LParam) | DLGC_WANTCHARS;
        if (owner) {
            if (owner->WantsTab() && GetKeyState(VK_CONTROL) >= 0) message.Result |= DLGC_WANTTAB;
            if (owner->IsInplace() || owner->IsPopupOpen()) message.Result |= DLGC_WANTALLKEYS;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        const bool entering = message.Msg == WM_SETFOCUS;
        if (!HasState(csDestroying)) UpdateEditingAlignment();
        if (!entering) dblClickTimer_->SetEnabled(false);
        message.Result = Native(message.Msg, message.WParam, message.LParam);
        if (owner && !gone()) owner->InnerFocusChanged(entering, reinterpret_cast<HWND>(message.WParam));
        // A click places the caret itself; the keyboard's entry selects the whole text.
        if (entering && AutoSelect && !gone() && GetKeyState(VK_LBUTTON) >= 0) SelectAll();
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        handled = HandleMouseClickMessage(message);
        break;
    case WM_MOUSEWHEEL:
        // The edit box's own wheel does nothing; the editor decides.
        message.Result = owner ? owner->Perform(WM_MOUSEWHEEL, message.WParam, message.LParam) : 0;
        break;
    case WM_CONTEXTMENU:
        handled = !(owner && !owner->HandleInnerControlMessage(message));
        break;
    default:
        handled = false;
        break;
    }
    if (!handled) TCustomControl::WndProc(message);
    if (gone()) return;
    if (owner) owner->TrackInnerEditMessage(message);
}

bool TcxCustomInnerTextEdit::HandleMouseClickMessage(TMessage& message) {
    TcxCustomTextEdit* owner = Container();
    if (!owner) return false;
    if (message.Msg == WM_LBUTTONDOWN) {
        const bool switches = owner->UsesLeftAlignmentOnEditing() && alignment_ != taLeftJustify && !Focused();
        if (switches) {
            ControlState.Include(csLButtonDown);
            SetFocus();
            TCustomControl::WndProc(message);
            dblClickTimer_->SetEnabled(false);
            dblClickTimer_->SetEnabled(true);
            clickFocused_ = true;
            return true;
        }
        if (owner->DragMode() == dmAutomatic && !HasState(csDesigning)) {
            owner->BeginDrag(false);
            return true;
        }
        if (dblClickTimer_->Enabled()) {
            // The second click after the one that switched the alignment: a double click.
            message.Msg = WM_LBUTTONDBLCLK;
            dblClickTimer_->SetEnabled(false);
            dblClickTimer_->SetEnabled(true);
        }
        return false;
    }
    if (owner->DragMode() == dmAutomatic && !HasState(csDesigning)) {
        owner->BeginDrag(false);
        return true;
    }
    if (dblClickTimer_->Enabled()) {
        message.Result = 0;
        return true;
    }
    return false;
}

LRESULT TcxCustomInnerTextEdit::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    TcxCustomTextEdit* owner = Container();
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_NCPAINT:
        return 0;
    case WM_PAINT: {
        const LRESULT result = Native(message, wParam, lParam);
        if (owner) owner->SpellCheckRedraw();
        return result;
    }
    case WM_SIZE: {
        const LRESULT result = TCustomControl::WndProc(message, wParam, lParam);
        SetEditMargins();
        if (owner) owner->SpellCheckReset();
        return result;
    }
    case WM_SETFONT: {
        const LRESULT result = Native(message, wParam, lParam);
        if (owner) owner->SpellCheckReset();
        return result;
    }
    case WM_PRINTCLIENT:
        return Native(message, wParam, lParam);
    case CN_COMMAND:
        switch (HIWORD(wParam)) {
        case EN_CHANGE:
            if (OnChange) OnChange(this);
            if (owner && FindControl(handle_) == this) owner->SpellCheckTextChanged();
            return 0;
        case EN_HSCROLL:
        case EN_VSCROLL:
            if (owner) owner->SpellCheckReset();
            return 0;
        default:
            return 0;
        }
    case CN_BASE + WM_CTLCOLOREDIT:
    case CN_BASE + WM_CTLCOLORSTATIC: {
        // The parent's colour answer: the edit box's own colours.
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, ColorToRGB(Font().Color()));
        SetBkColor(dc, ColorToRGB(Color()));
        if (owner) PostMessageA(handle_, WM_REDRAWMISSPELLS(), 0, 0);
        return reinterpret_cast<LRESULT>(GetCachedSolidBrush(Color()));
    }
    case WM_RECREATEINNEREDIT: {
        static const DWORD alignments[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
        const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(handle_, GWL_STYLE));
        if ((style & (ES_LEFT | ES_RIGHT | ES_CENTER)) != alignments[alignment_]) RecreateKeepingFocus();
        return 0;
    }
    default:
        if (message == WM_REDRAWMISSPELLS() && message != 0) {
            if (owner) owner->SpellCheckRedraw();
            return 0;
        }
        return TCustomControl::WndProc(message, wParam, lParam);
    }
}

void TcxCustomInnerTextEdit::FontChanged() {
    TCustomControl::FontChanged();
    if (handle_) SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
}

// --- mouse ------------------------------------------------------------------------------------------
void TcxCustomInnerTextEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TcxCustomTextEdit* owner = Container();
    if (!owner) return;
    owner->ClickFromInnerEdit = true;
    TScopeExit clear([owner] { owner->ClickFromInnerEdit = false; });
    owner->MouseDown(button, shift, x + Left(), y + Top());
}

void TcxCustomInnerTextEdit::MouseMove(TShiftState shift, int x, int y) {
    if (TcxCustomTextEdit* owner = Container()) owner->MouseMove(shift, x + Left(), y + Top());
}

void TcxCustomInnerTextEdit::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (TcxCustomTextEdit* owner = Container()) owner->MouseUp(button, shift, x + Left(), y + Top());
}

bool TcxCustomInnerTextEdit::DoMouseWheel(TShiftState, int, TPoint) { return false; }
