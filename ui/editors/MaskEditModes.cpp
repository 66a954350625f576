#include "ui/editors/MaskEditModes.h"

#include <algorithm>
#include <utility>

#include "ui/core/CoreClasses.h"
#include "ui/editors/framework/EditorStrings.h"

namespace {

bool IsLeadByte(char ch) {
    return static_cast<uint8_t>(ch) >= 0x80 && IsDBCSLeadByte(static_cast<BYTE>(ch));
}

} // namespace

AnsiString RegExprErrorsText(const TcxRegExprErrors& errors) {
    AnsiString text = GetResourceStringText(&scxMaskEditRegExprError);
    for (int i = 0; i < errors.Count(); ++i)
        text += "\r\n" + errors.Item(i).FullMessage();
    return text;
}

bool TcxMaskEditCustomMode::IsBlankMask(const AnsiString& mask) {
    return mask.find_first_not_of(std::string_view("\0\t\n\f\r ", 6)) == AnsiString::npos;
}

bool TcxMaskEditCustomMode::HoldLeadByte(char ch, char& lead) {
    lead = std::exchange(pendingLead_, 0);
    if (lead || !IsLeadByte(ch)) return false;
    pendingLead_ = ch;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Standard mode: the display text has one character per mask position; the caret is a
// one-character block over the position to be overwritten.
void TcxMaskEditStandardMode::ApplyMask(const AnsiString& mask) {
    EditMask = mask;
    if (IsBlankMask(mask)) Mask.ClearMask();
    else Mask.SetMask(mask);
}

AnsiString TcxMaskEditStandardMode::FitToMask(const AnsiString& text, bool matchLiterals) {
    AnsiString result = text;
    Mask.FitText(result, true, matchLiterals);
    return result;
}

AnsiString TcxMaskEditStandardMode::DisplayToValue(const AnsiString& text, bool matchLiterals) {
    if (Mask.GetCount() == 0) return text;
    AnsiString result = text;
    Mask.FitText(result, Properties.CharCase == ecNormal, matchLiterals);
    Mask.ExtractValue(result);
    return result;
}

bool TcxMaskEditStandardMode::IsTextValid(const AnsiString& text) {
    AnsiString checked = text;
    if (Mask.IsComplete(checked)) return true;
    return Properties.IgnoreMaskBlank && text == FitToMask(AnsiString(), true);
}

void TcxMaskEditStandardMode::RefreshSelection() {
    if (Edit().HandleAllocated() && !IsBlankMask(EditMask) && Edit().SelLength() == 0)
        Edit().SetSelLengthGuarded(1);
}

bool TcxMaskEditStandardMode::IsCaretAtStart() {
    int firstInput = 0;
    while (firstInput < Mask.GetCount() && Mask.IsLiteral(firstInput))
        ++firstInput;
    return Edit().SelStart() <= firstInput &&
           (Edit().SelLength() < 2 || Edit().CaretPos() == Edit().SelStart());
}

bool TcxMaskEditStandardMode::IsCaretAtEnd() {
    return Edit().SelStart() == TextLength();
}

bool TcxMaskEditStandardMode::HandleChar(char& ch) {
    char lead;
    if (HoldLeadByte(ch, lead)) return false;
    if (lead) {
        HandleDoubleByteChar(lead, ch);
        return false;
    }
    const AnsiString text = Edit().DisplayText();
    const int start = Edit().SelStart();
    if (text.empty() || start >= static_cast<int>(text.size()) || start >= Mask.GetCount()) return false;
    if (Mask.IsLiteral(start)) {
        Edit().SetShiftHeld(false);
        if (Edit().SelLength() > 1) HandleDelete();
        const int saved = Edit().SelStart();
        HandleRight();
        if (Edit().SelStart() != saved) HandleChar(ch);
        return false;
    }
    char converted = ch;
    if (!Mask.GetItem(start)->Check(converted) || !Edit().AcceptsMaskChar(converted, start + 1)) return false;
    ch = converted;
    if (ch == 0) {
        Edit().BeepIfAllowed();
        return false;
    }
    if (Edit().SelLength() > 1) HandleDelete();
    AnsiString display = Edit().DisplayText();
    display[static_cast<size_t>(start)] = ch;
    Edit().WriteDisplayValue(display);
    Edit().SetSelStartGuarded(start);
    Edit().SetShiftHeld(false);
    HandleRight();
    return false;
}

// Both bytes go to two input positions in a row, unconverted, or the character is refused whole.
bool TcxMaskEditStandardMode::HandleDoubleByteChar(char lead, char trail) {
    const int length = TextLength();
    int start = Edit().SelStart();
    while (start < length && start < Mask.GetCount() && Mask.IsLiteral(start)) {
        Edit().SetShiftHeld(false);
        const int saved = start;
        HandleRight();
        start = Edit().SelStart();
        if (start == saved) return false;
    }
    if (start + 1 >= length || start + 1 >= Mask.GetCount()) return false;
    char first = lead, second = trail;
    if (!Mask.GetItem(start)->Check(first) || !Mask.GetItem(start + 1)->Check(second)) return false;
    first = lead;
    second = trail;
    if (!Edit().AcceptsMaskChar(first, start + 1) || !Edit().AcceptsMaskChar(second, start + 2)) return false;
    if (Edit().SelLength() > 1) HandleDelete();
    AnsiString display = Edit().DisplayText();
    display[static_cast<size_t>(start)] = lead;
    display[static_cast<size_t>(start) + 1] = trail;
    Edit().WriteDisplayValue(display);
    Edit().SetSelStartGuarded(start);
    Edit().SetShiftHeld(false);
    HandleRight();
    HandleRight();
    return true;
}

bool TcxMaskEditStandardMode::HandleDelete() {
    const int start = Edit().SelStart();
    const int end = std::min(start + Edit().SelLength(), Mask.GetCount());
    for (int i = start; i < end; ++i) {
        if (Mask.IsLiteral(i)) continue;
        AnsiString display = Edit().DisplayText();
        if (i >= static_cast<int>(display.size())) break;
        display[static_cast<size_t>(i)] = Mask.BlankChar;
        Edit().WriteDisplayValue(display);
        Edit().SetSelStartGuarded(start);
    }
    return false;
}

bool TcxMaskEditStandardMode::HandleBackspace() {
    if (Edit().SelLength() <= 1) HandleLeft();
    HandleDelete();
    return false;
}

bool TcxMaskEditStandardMode::HandleHome() {
    if (Edit().ShiftHeld()) return true;
    Edit().SetSelStart(0);
    if (Mask.GetCount() > 0 && Mask.IsLiteral(0)) HandleRight();
    return false;
}

bool TcxMaskEditStandardMode::HandleEnd() {
    if (Edit().ShiftHeld()) return true;
    Edit().SetSelStart(TextLength());
    return false;
}

bool TcxMaskEditStandardMode::HandleLeft() {
    const int start = Edit().SelStart(), length = Edit().SelLength();
    if (Edit().ShiftHeld()) {
        if (length != 1) return true;
        Edit().SetSelStartGuarded(start + 1);
        Edit().SetSelLengthGuarded(0);
        Edit().SendKeyDown(VK_LEFT);
        Edit().SendKeyDown(VK_LEFT);
        return true;
    }
    const int count = Mask.GetCount();
    if (length >= 2) {
        const int limit = std::min(start + length + 1, count);
        int k = 0;
        while (start + k < limit && Mask.IsLiteral(start + k))
            ++k;
        if (start + k == limit) k = start + length >= TextLength() ? length : 0;
        Edit().SetSelStart(start + k);
        return false;
    }
    int before = start - 1;
    while (before >= 0 && before < count && Mask.IsLiteral(before))
        --before;
    if (before >= 0) Edit().SetSelStart(before);
    return false;
}

bool TcxMaskEditStandardMode::HandleRight() {
    const int start = Edit().SelStart(), length = Edit().SelLength();
    if (Edit().ShiftHeld()) {
        if (length == 1 && Edit().CaretPos() == start) Edit().SetSelLengthGuarded(0);
        return true;
    }
    const int count = Mask.GetCount(), textLength = TextLength();
    if (length < 2) {
        int literals = 0;
        while (start + 1 + literals < count && Mask.IsLiteral(start + 1 + literals))
            ++literals;
        if (start + literals + 1 <= textLength) Edit().SetSelStart(start + literals + 1);
        return false;
    }
    const int end = start + length;
    if (end >= textLength) {
        Edit().SetSelStart(end);
        return false;
    }
    int last = end;
    while (last > start && Mask.IsLiteral(last - 1))
        --last;
    Edit().SetSelStart(std::max(last - 1, start));
    return false;
}

// The paste overwrites as many characters as it brings, and brings no more than the positions
// left after the caret.
AnsiString TcxMaskEditStandardMode::PreparePaste(const AnsiString& clipboard) {
    savedSelStart_ = Edit().SelStart();
    const size_t left = static_cast<size_t>(std::max(TextLength() - savedSelStart_, 0));
    AnsiString pasted;
    for (size_t i = 0; i < clipboard.size();) {
        const size_t length = IsLeadByte(clipboard[i]) && i + 1 < clipboard.size() ? 2 : 1;
        if (pasted.size() + length > left) break;
        pasted.append(clipboard, i, length);
        i += length;
    }
    PastedLength = static_cast<int>(pasted.size());
    Edit().SetSelStartGuarded(savedSelStart_);
    Edit().SetSelLengthGuarded(PastedLength);
    return pasted;
}

void TcxMaskEditStandardMode::FinishPaste() {
    const int position = std::max(std::min(savedSelStart_ + PastedLength, TextLength() - 1), 0);
    PastedLength = 0;
    Edit().SetSelStart(position);
    if (position < Mask.GetCount() && Mask.IsLiteral(position)) {
        Edit().SetShiftHeld(false);
        HandleRight();
    }
}

// ---------------------------------------------------------------------------------------------
// Regular-expression mode: Prefix (left of the caret, fed) and Suffix (right of it, not fed)
// make up the text; the selection, when taken out, lies between them.
TcxMaskEditRegExprMode::TcxMaskEditRegExprMode(IcxMaskEditSide* edit, const TcxMaskModeProperties& properties)
    : TcxMaskEditCustomMode(edit, properties), automaton_(std::make_unique<TcxRegExpr>()) {
    automaton_->CaseInsensitive = properties.CaseInsensitive;
}

void TcxMaskEditRegExprMode::ApplyMask(const AnsiString& mask) {
    EditMask = mask;
    if (IsBlankMask(mask)) return;
    automaton_->CaseInsensitive = Properties.CaseInsensitive;
    TStringStream stream(mask);
    try {
        automaton_->Compile(&stream);
    } catch (const EcxRegExprError& e) {
        throw EcxMaskEditError(RegExprErrorsText(e.Errors()));
    }
    prefix_.clear();
    suffix_.clear();
    needsResync_ = true;
}

AnsiString TcxMaskEditRegExprMode::FitToMask(const AnsiString& text, bool) {
    if (!automaton_->IsCompiled()) return {};
    automaton_->Restart();
    const AnsiString fitted = automaton_->FeedText(text);
    needsResync_ = true;
    return fitted;
}

bool TcxMaskEditRegExprMode::IsTextValid(const AnsiString& text) {
    if (text.empty()) return true;
    TStream* source = automaton_->GetSourceStream();
    if (!source) return false;
    TcxRegExpr check;
    check.CaseInsensitive = automaton_->CaseInsensitive;
    source->SetPosition(0);
    check.Compile(source);
    for (char ch : text)
        if (!check.Feed(ch)) return false;
    return Properties.IgnoreMaskBlank || check.AtFinal();
}

void TcxMaskEditRegExprMode::Resync() {
    const AnsiString text = Edit().DisplayText();
    if (!needsResync_ && !(prefix_.empty() && suffix_.empty() && !text.empty())) return;
    needsResync_ = false;
    automaton_->Restart();
    prefix_.clear();
    suffix_ = text;
    const int caret = std::min(Edit().CaretPos(), static_cast<int>(text.size()));
    for (int i = 0; i < caret; ++i) {
        char ch = suffix_[0];
        automaton_->Feed(ch);
        prefix_ += suffix_[0];
        suffix_.erase(0, 1);
    }
}

bool TcxMaskEditRegExprMode::SuffixFits() {
    size_t fed = 0;
    bool fits = true;
    for (char ch : suffix_) {
        if (!automaton_->Feed(ch)) {
            fits = false;
            break;
        }
        ++fed;
    }
    while (fed-- > 0)
        automaton_->StepBack();
    return fits;
}

void TcxMaskEditRegExprMode::Truncate() {
    AnsiString text = Edit().DisplayText();
    const size_t caret = static_cast<size_t>(std::min(Edit().CaretPos(), static_cast<int>(text.size())));
    text.erase(caret, suffix_.size());
    Edit().PutDisplayValue(text);
    Edit().SetSelStartGuarded(static_cast<int>(text.size()));
    suffix_.clear();
}

void TcxMaskEditRegExprMode::SplitSelection() {
    const int start = Edit().SelStart(), length = Edit().SelLength();
    if (length <= 0) return;
    if (start == static_cast<int>(prefix_.size())) {
        selection_ = suffix_.substr(0, static_cast<size_t>(length));
        suffix_.erase(0, static_cast<size_t>(length));
        selectionAtStart_ = true;
    } else if (start + length == static_cast<int>(prefix_.size())) {
        selection_ = prefix_.substr(static_cast<size_t>(start));
        prefix_.erase(static_cast<size_t>(start));
        for (int i = 0; i < length; ++i)
            automaton_->StepBack();
        selectionAtStart_ = false;
    }
}

void TcxMaskEditRegExprMode::RejoinSelection() {
    if (selectionAtStart_) {
        suffix_ = selection_ + suffix_;
    } else {
        for (char ch : selection_)
            automaton_->Feed(ch);
        prefix_ += selection_;
    }
    selection_.clear();
}

bool TcxMaskEditRegExprMode::HandleChar(char& ch) {
    char lead;
    if (HoldLeadByte(ch, lead)) return false;
    Resync();
    if (Edit().SelLength() > 0) SplitSelection();
    bool result;
    bool accepted = true;
    if (lead) {
        // A double-byte character goes in whole: both bytes fed, or neither.
        char first = lead, second = ch;
        accepted = automaton_->Feed(first);
        if (accepted && !automaton_->Feed(second)) {
            automaton_->StepBack();
            accepted = false;
        }
    } else {
        accepted = automaton_->Feed(ch);
    }
    if (accepted) {
        if (lead) prefix_ += lead;
        prefix_ += ch;
        result = true;
        const bool fits = SuffixFits();
        if (!fits && !selection_.empty()) {
            Edit().SendKeyDown(VK_DELETE);
            if (lead) Edit().SendChar(lead);
            Edit().SendChar(ch);
            result = false;
        } else if (lead) {
            Edit().SendChar(lead);
        }
        if (!fits) Truncate();
    } else {
        RejoinSelection();
        result = false;
    }
    selection_.clear();
    if (!result) Edit().BeepIfAllowed();
    return result;
}

// Takes a selection out for Backspace or Delete; false when the inner edit must not act itself.
bool TcxMaskEditRegExprMode::TakeDeletion(bool backspace) {
    SplitSelection();
    selection_.clear();
    if (SuffixFits()) return true;
    if (backspace)
        Edit().SendChar('\b');
    else
        Edit().SendKeyDown(VK_DELETE);
    Truncate();
    return false;
}

bool TcxMaskEditRegExprMode::HandleBackspace() {
    Resync();
    if (Edit().SelLength() > 0) {
        const bool result = TakeDeletion(true);
        if (!result) Edit().BeepIfAllowed();
        return result;
    }
    if (!prefix_.empty()) {
        automaton_->StepBack();
        if (!SuffixFits()) Truncate();
        prefix_.pop_back();
    }
    return true;
}

bool TcxMaskEditRegExprMode::HandleDelete() {
    Resync();
    if (Edit().SelLength() > 0) {
        const bool result = TakeDeletion(false);
        if (!result) Edit().BeepIfAllowed();
        return result;
    }
    if (!suffix_.empty()) {
        suffix_.erase(0, 1);
        if (!SuffixFits()) {
            Truncate();
            if (Edit().SelStart() > 0) Edit().SetSelStartGuarded(Edit().SelStart() - 1);
        }
    }
    return true;
}

bool TcxMaskEditRegExprMode::HandleHome() {
    Resync();
    suffix_ = prefix_ + suffix_;
    prefix_.clear();
    automaton_->Restart();
    return true;
}

bool TcxMaskEditRegExprMode::HandleEnd() {
    Resync();
    for (char ch : suffix_) {
        char fed = ch;
        automaton_->Feed(fed);
    }
    prefix_ += suffix_;
    suffix_.clear();
    return true;
}

void TcxMaskEditRegExprMode::HandleSelectAll() {
    HandleEnd();
}

void TcxMaskEditRegExprMode::MoveLeft(int count) {
    for (int i = 0; i < count && !prefix_.empty(); ++i) {
        automaton_->StepBack();
        suffix_.insert(suffix_.begin(), prefix_.back());
        prefix_.pop_back();
    }
}

void TcxMaskEditRegExprMode::MoveRight(int count) {
    for (int i = 0; i < count && !suffix_.empty(); ++i) {
        char ch = suffix_[0];
        automaton_->Feed(ch);
        prefix_ += suffix_[0];
        suffix_.erase(0, 1);
    }
}

bool TcxMaskEditRegExprMode::HandleLeft() {
    Resync();
    const int length = Edit().SelLength();
    int count = 1;
    if (!Edit().ShiftHeld() && length > 0)
        count = Edit().CaretPos() == Edit().SelStart() + length ? length : 0;
    MoveLeft(count);
    return true;
}

bool TcxMaskEditRegExprMode::HandleRight() {
    Resync();
    const int length = Edit().SelLength();
    int count = 1;
    if (!Edit().ShiftHeld() && length > 0) count = Edit().CaretPos() == Edit().SelStart() ? length : 0;
    MoveRight(count);
    return true;
}

void TcxMaskEditRegExprMode::TextAssigned(const AnsiString& text) {
    if (!automaton_->IsCompiled()) return;
    automaton_->Restart();
    if (PastedLength < 1 || text.empty()) {
        prefix_.clear();
        suffix_ = text;
        return;
    }
    const size_t fed = std::min(static_cast<size_t>(Edit().SelStart() + PastedLength), text.size());
    prefix_ = text.substr(0, fed);
    for (char ch : prefix_)
        automaton_->Feed(ch);
    suffix_ = text.substr(fed);
    PastedLength = 0;
}

// ---------------------------------------------------------------------------------------------
// Extended mode: completion is switched on only while a key steps the automaton, so that the
// characters it types or takes back by itself are collected (AutoText) or counted (DeleteCount).
TcxMaskEditRegExprExMode::TcxMaskEditRegExprExMode(IcxMaskEditSide* edit,
                                                   const TcxMaskModeProperties& properties)
    : TcxMaskEditRegExprMode(edit, properties) {
    automaton_->OnForcedCharAdded = [this](char ch) { autoText_ += ch; };
    automaton_->OnForcedCharRemoved = [this] { ++deleteCount_; };
}

void TcxMaskEditRegExprExMode::SetCompletion(bool on) {
    automaton_->SetUpdateOn(on);
}

void TcxMaskEditRegExprExMode::ApplyMask(const AnsiString& mask) {
    SetCompletion(false);
    TcxMaskEditRegExprMode::ApplyMask(mask);
    startAutoText_.clear();
    if (!automaton_->IsCompiled()) return;
    automaton_->Restart();
    autoText_.clear();
    SetCompletion(true);
    startAutoText_ = autoText_;
    SetCompletion(false);
    needsResync_ = true;
}

AnsiString TcxMaskEditRegExprExMode::EmptyValueOfMask() {
    return startAutoText_;
}

AnsiString TcxMaskEditRegExprExMode::FitToMask(const AnsiString& text, bool matchLiterals) {
    AnsiString fitted = TcxMaskEditRegExprMode::FitToMask(text, matchLiterals);
    if (!automaton_->IsCompiled()) return fitted;
    autoText_.clear();
    SetCompletion(true);
    SetCompletion(false);
    return fitted + autoText_;
}

bool TcxMaskEditRegExprExMode::IsTextValid(const AnsiString& text) {
    return (!text.empty() && text == startAutoText_) || TcxMaskEditRegExprMode::IsTextValid(text);
}

// Moves the split right by whole runs up to the caret; forced characters the text lacks are typed.
void TcxMaskEditRegExprExMode::Resync() {
    const AnsiString text = Edit().DisplayText();
    if (!needsResync_ && !(prefix_.empty() && suffix_.empty() && !text.empty())) return;
    needsResync_ = false;
    const int caret = Edit().SelLength() > 0 ? Edit().SelStart() : Edit().CaretPos();
    SetCompletion(false);
    automaton_->Restart();
    prefix_.clear();
    suffix_ = text;
    auto takeRun = [&] {
        for (char forced : std::exchange(autoText_, AnsiString())) {
            if (!suffix_.empty() && suffix_[0] == forced) {
                suffix_.erase(0, 1);
            } else {
                Edit().SetSelStartGuarded(static_cast<int>(prefix_.size()));
                Edit().SendChar(forced);
            }
            prefix_ += forced;
        }
    };
    autoText_.clear();
    SetCompletion(true);
    takeRun();
    while (static_cast<int>(prefix_.size()) < caret && !suffix_.empty()) {
        char ch = suffix_[0];
        if (!automaton_->Feed(ch)) break;
        prefix_ += suffix_[0];
        suffix_.erase(0, 1);
        takeRun();
    }
    SetCompletion(false);
    if (Edit().SelLength() == 0 && Edit().CaretPos() != static_cast<int>(prefix_.size()))
        Edit().SetSelStartGuarded(static_cast<int>(prefix_.size()));
}

void TcxMaskEditRegExprExMode::BeginKey() {
    autoText_.clear();
    deleteCount_ = 0;
    Resync();
}

void TcxMaskEditRegExprExMode::SendKeys(unsigned short key, size_t count) {
    for (size_t i = 0; i < count; ++i)
        Edit().SendKeyDown(key);
}

// The rest of the text stays when it still fits after the change, else it is cut.
void TcxMaskEditRegExprExMode::RefitSuffix() {
    if (!suffix_.empty() && !SuffixFits()) Truncate();
}

AnsiString TcxMaskEditRegExprExMode::RunAfterSplit() {
    if (suffix_.empty()) return {};
    autoText_.clear();
    deleteCount_ = 0;
    SetCompletion(true);
    char ch = suffix_[0];
    AnsiString run;
    if (automaton_->Feed(ch)) {
        run = autoText_;
        automaton_->StepBack();
    }
    SetCompletion(false);
    autoText_.clear();
    deleteCount_ = 0;
    return run;
}

bool TcxMaskEditRegExprExMode::HandleChar(char& ch) {
    char lead;
    if (HoldLeadByte(ch, lead)) return false;
    BeginKey();
    if (Edit().SelLength() > 0) SplitSelection();
    bool accepted = true;
    if (lead) {
        char first = lead;
        accepted = automaton_->Feed(first);
    }
    if (accepted) {
        autoText_.clear();
        SetCompletion(true);
        autoText_.clear();
        accepted = automaton_->Feed(ch);
        SetCompletion(false);
        if (!accepted && lead) automaton_->StepBack();
    }
    if (!accepted) {
        RejoinSelection();
        Edit().BeepIfAllowed();
        return false;
    }
    selection_.clear();
    const AnsiString typed = (lead ? AnsiString(1, lead) : AnsiString()) + ch + autoText_;
    if (Edit().SelLength() > 0) Edit().SendKeyDown(VK_DELETE);
    for (char each : typed)
        Edit().SendChar(each);
    prefix_ += typed;
    RefitSuffix();
    return false;
}

bool TcxMaskEditRegExprExMode::HandleBackspace() {
    BeginKey();
    if (Edit().SelLength() > 0) {
        // The forced characters at the start stay.
        const int start = Edit().SelStart(), end = start + Edit().SelLength();
        const int first = std::max(start, static_cast<int>(startAutoText_.size()));
        if (first >= end) {
            Edit().BeepIfAllowed();
            return false;
        }
        Edit().SetSelStartGuarded(first);
        Edit().SetSelLengthGuarded(end - first);
        needsResync_ = true;
        BeginKey();
        SplitSelection();
        selection_.clear();
        Edit().SendKeyDown(VK_DELETE);
        RefitSuffix();
        return false;
    }
    if (prefix_.size() <= startAutoText_.size()) {
        Edit().BeepIfAllowed();
        return false;
    }
    deleteCount_ = 0;
    SetCompletion(true);
    automaton_->StepBack();
    SetCompletion(false);
    const size_t count = std::min(static_cast<size_t>(deleteCount_) + 1, prefix_.size());
    for (size_t i = 0; i < count; ++i)
        Edit().SendChar('\b');
    prefix_.erase(prefix_.size() - count);
    RefitSuffix();
    return false;
}

bool TcxMaskEditRegExprExMode::HandleDelete() {
    if (Edit().SelLength() > 0) return HandleBackspace();
    if (Edit().CaretPos() < static_cast<int>(startAutoText_.size())) {
        Edit().BeepIfAllowed(); // a forced leading character stays
        return false;
    }
    BeginKey();
    if (suffix_.empty()) return false;
    const size_t count = std::min(RunAfterSplit().size() + 1, suffix_.size());
    SendKeys(VK_DELETE, count);
    suffix_.erase(0, count);
    RefitSuffix();
    return false;
}

bool TcxMaskEditRegExprExMode::HandleLeft() {
    BeginKey();
    if (Edit().ShiftHeld() || Edit().SelLength() > 0 || prefix_.size() <= startAutoText_.size())
        return TcxMaskEditRegExprMode::HandleLeft();
    deleteCount_ = 0;
    SetCompletion(true);
    automaton_->StepBack();
    SetCompletion(false);
    const size_t count = std::min(static_cast<size_t>(deleteCount_) + 1, prefix_.size());
    suffix_.insert(0, prefix_, prefix_.size() - count, count);
    prefix_.erase(prefix_.size() - count);
    SendKeys(VK_LEFT, count - 1);
    return true;
}

bool TcxMaskEditRegExprExMode::HandleRight() {
    BeginKey();
    if (Edit().ShiftHeld() || Edit().SelLength() > 0 || suffix_.empty())
        return TcxMaskEditRegExprMode::HandleRight();
    const AnsiString run = RunAfterSplit();
    const size_t count = std::min(run.size() + 1, suffix_.size());
    for (size_t i = 0; i < count; ++i) {
        char ch = suffix_[0];
        automaton_->Feed(ch);
        prefix_ += suffix_[0];
        suffix_.erase(0, 1);
    }
    SendKeys(VK_RIGHT, count - 1);
    return true;
}

void TcxMaskEditRegExprExMode::TextAssigned(const AnsiString& text) {
    if (!automaton_->IsCompiled()) return;
    SetCompletion(false);
    automaton_->Restart();
    prefix_ = automaton_->FeedText(text);
    autoText_.clear();
    SetCompletion(true);
    SetCompletion(false);
    prefix_ = text + autoText_;
    suffix_.clear();
    PastedLength = 0;
    needsResync_ = true;
}
