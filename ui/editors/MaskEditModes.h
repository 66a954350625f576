#pragma once
// The mask editor's modes: every keystroke, paste and caret move of the editor goes to the mode of
// its mask kind. A mode reaches its editor only through IcxMaskEditSide, so that the same modes
// run over the editor's inner edit and over a plain text-and-selection model.
#include <memory>

#include "ui/editors/RegExpr.h"
#include "ui/editors/StandardMask.h"
#include "ui/editors/TextEditText.h"

VZ_EXCEPTION_CLASS(EcxMaskEditError, EcxEditError);

enum TcxEditMaskKind { emkStandard, emkRegExpr, emkRegExprEx };

// What a mode uses of its editor.
class IcxMaskEditSide {
public:
    virtual ~IcxMaskEditSide() = default;
    virtual bool HandleAllocated() const = 0;
    virtual int SelStart() const = 0;
    virtual int SelLength() const = 0;
    // The character index of the caret: either end of the selection.
    virtual int CaretPos() const = 0;
    // A new caret position with nothing selected; the editor refreshes the mode's selection.
    virtual void SetSelStart(int value) = 0;
    // The guarded setters leave the mode's selection alone.
    virtual void SetSelStartGuarded(int value) = 0;
    virtual void SetSelLengthGuarded(int value) = 0;
    virtual AnsiString DisplayText() const = 0;
    virtual void WriteDisplayValue(const AnsiString& text) = 0;
    // Through the data binding.
    virtual void PutDisplayValue(const AnsiString& text) = 0;
    // Straight to the inner edit, past the editor's own key handling.
    virtual void SendKeyDown(unsigned short key) = 0;
    virtual void SendChar(char ch) = 0;
    virtual bool ShiftHeld() const = 0;
    virtual void SetShiftHeld(bool value) = 0;
    // position is 1-based.
    virtual bool AcceptsMaskChar(char& /*ch*/, int /*position*/) { return true; }
    // A system beep when the properties allow it.
    virtual void BeepIfAllowed() = 0;
};

// The properties a mode reads.
struct TcxMaskModeProperties {
    bool CaseInsensitive = false;
    bool IgnoreMaskBlank = false;
    TEditCharCase CharCase = ecNormal;
};

class TcxMaskEditCustomMode {
public:
    TcxMaskEditCustomMode(IcxMaskEditSide* edit, const TcxMaskModeProperties& properties)
        : Properties(properties), edit_(edit) {}
    virtual ~TcxMaskEditCustomMode() = default;

    // Empty, or nothing but #0, tab, line feed, form feed, carriage return and spaces.
    static bool IsBlankMask(const AnsiString& mask);

    virtual TcxEditMaskKind KindOfMode() const = 0;
    virtual void FinishPaste() {}
    virtual void ApplyMask(const AnsiString& mask) = 0;
    virtual AnsiString EmptyValueOfMask() = 0;
    virtual AnsiString FitToMask(const AnsiString& text, bool matchLiterals) = 0;
    virtual void HandleSelectAll() {}
    virtual bool IsCaretAtStart() = 0;
    virtual bool IsCaretAtEnd() = 0;
    virtual bool IsTextValid(const AnsiString& text) = 0;
    virtual void RefreshSelection() = 0;
    // The text a paste may put in place of the selection.
    virtual AnsiString PreparePaste(const AnsiString& clipboard) { return clipboard; }
    virtual bool HandleBackspace() = 0;
    virtual bool HandleDelete() = 0;
    virtual bool HandleEnd() = 0;
    virtual bool HandleHome() = 0;
    virtual bool HandleLeft() = 0;
    virtual bool HandleRight() = 0;
    // True lets the inner edit take the character too.
    virtual bool HandleChar(char& ch) = 0;
    virtual void TextAssigned(const AnsiString& text) = 0;
    virtual AnsiString DisplayToValue(const AnsiString& text, bool matchLiterals) = 0;

    TcxMaskModeProperties Properties;
    AnsiString EditMask;
    int PastedLength = 0;

protected:
    IcxMaskEditSide& Edit() const { return *edit_; }
    // The lead byte of a double-byte character waits for its trail byte, so that the two go in
    // together: true when ch is held; else lead is the byte held before it, or 0.
    bool HoldLeadByte(char ch, char& lead);

    char pendingLead_ = 0;

private:
    IcxMaskEditSide* edit_;
};

class TcxMaskEditStandardMode : public TcxMaskEditCustomMode {
public:
    using TcxMaskEditCustomMode::TcxMaskEditCustomMode;
    TcxEditMaskKind KindOfMode() const override { return emkStandard; }
    void FinishPaste() override;
    void ApplyMask(const AnsiString& mask) override;
    AnsiString EmptyValueOfMask() override { return Mask.EmptyValueText(); }
    AnsiString FitToMask(const AnsiString& text, bool matchLiterals) override;
    bool IsCaretAtStart() override;
    bool IsCaretAtEnd() override;
    bool IsTextValid(const AnsiString& text) override;
    void RefreshSelection() override;
    AnsiString PreparePaste(const AnsiString& clipboard) override;
    bool HandleBackspace() override;
    bool HandleDelete() override;
    bool HandleEnd() override;
    bool HandleHome() override;
    bool HandleLeft() override;
    bool HandleRight() override;
    bool HandleChar(char& ch) override;
    void TextAssigned(const AnsiString&) override { RefreshSelection(); }
    AnsiString DisplayToValue(const AnsiString& text, bool matchLiterals) override;
    char GetBlankChar() const { return Mask.BlankChar; }

    TcxStandardMask Mask;

private:
    bool HandleDoubleByteChar(char lead, char trail);
    int TextLength() const { return static_cast<int>(Edit().DisplayText().size()); }

    int savedSelStart_ = 0;
};

class TcxMaskEditRegExprMode : public TcxMaskEditCustomMode {
public:
    TcxMaskEditRegExprMode(IcxMaskEditSide* edit, const TcxMaskModeProperties& properties);
    TcxEditMaskKind KindOfMode() const override { return emkRegExpr; }
    void ApplyMask(const AnsiString& mask) override;
    AnsiString EmptyValueOfMask() override { return {}; }
    AnsiString FitToMask(const AnsiString& text, bool matchLiterals) override;
    void HandleSelectAll() override;
    bool IsCaretAtStart() override { return Edit().SelStart() == 0; }
    bool IsCaretAtEnd() override {
        return Edit().SelStart() == static_cast<int>(Edit().DisplayText().size());
    }
    bool IsTextValid(const AnsiString& text) override;
    void RefreshSelection() override { needsResync_ = true; }
    bool HandleBackspace() override;
    bool HandleDelete() override;
    bool HandleEnd() override;
    bool HandleHome() override;
    bool HandleLeft() override;
    bool HandleRight() override;
    bool HandleChar(char& ch) override;
    void TextAssigned(const AnsiString& text) override;
    AnsiString DisplayToValue(const AnsiString& text, bool) override { return text; }

    void SplitSelection();
    void RejoinSelection();
    const AnsiString& Prefix() const { return prefix_; }
    const AnsiString& Suffix() const { return suffix_; }

protected:
    virtual void Resync();
    bool SuffixFits();
    void Truncate();
    void MoveLeft(int count);
    void MoveRight(int count);
    bool TakeDeletion(bool backspace);

    bool selectionAtStart_ = false;
    AnsiString prefix_;
    std::unique_ptr<TcxRegExpr> automaton_;
    AnsiString selection_;
    AnsiString suffix_;
    bool needsResync_ = false;
};

// The regular-expression mode with the characters the expression forces typed by the automaton:
// the text is runs of one typed character and the forced characters after it (after a run of
// forced characters at the start), and the caret never stands inside a run.
class TcxMaskEditRegExprExMode : public TcxMaskEditRegExprMode {
public:
    TcxMaskEditRegExprExMode(IcxMaskEditSide* edit, const TcxMaskModeProperties& properties);
    TcxEditMaskKind KindOfMode() const override { return emkRegExprEx; }
    void ApplyMask(const AnsiString& mask) override;
    AnsiString EmptyValueOfMask() override;
    AnsiString FitToMask(const AnsiString& text, bool matchLiterals) override;
    bool IsTextValid(const AnsiString& text) override;
    bool HandleBackspace() override;
    bool HandleDelete() override;
    bool HandleLeft() override;
    bool HandleRight() override;
    bool HandleChar(char& ch) override;
    void TextAssigned(const AnsiString& text) override;

    const AnsiString& StartAutoText() const { return startAutoText_; }

protected:
    void Resync() override;

private:
    void BeginKey();
    void SetCompletion(bool on);
    // Feeds the first character of the suffix with completion on; the forced characters after it.
    AnsiString RunAfterSplit();
    void SendKeys(unsigned short key, size_t count);
    void RefitSuffix();

    AnsiString startAutoText_;
    int deleteCount_ = 0;
    AnsiString autoText_;
};

// "Regular expression errors:" and each error's full message on a line of its own.
AnsiString RegExprErrorsText(const TcxRegExprErrors& errors);
