#pragma once
// The edit box inside every text editor: the system's EDIT window as a control of our own class.
// It hands keys, mouse and focus to its editor, lets the editor vet clipboard and IME input, and
// shows its state to the editor through the interfaces of its helper object.
//
// Positions: the editor counts byte offsets of its ANSI text, on character boundaries. The
// system's EDIT counts characters on some platforms (Wine keeps UTF-16 in an ANSI window) and
// bytes on others; the inner edit probes which once and translates every position and limit in
// one place (ToNative/FromNative), so nothing else sees the control's own counting.
#include <memory>

#include "ui/core/WindowServices.h"
#include "ui/editors/TextEditProperties.h"
#include "ui/editors/framework/Container.h"
#include "ui/editors/framework/CustomInnerEdit.h"

class TcxCustomTextEdit;
class TcxCustomInnerTextEdit;

// What a text editor asks of its inner edit. Offsets and lengths are bytes.
class IcxInnerTextEdit {
public:
    virtual void ClearSelection() = 0;
    virtual void CopyToClipboard() = 0;
    virtual TAlignment GetAlignment() = 0;
    virtual bool GetAutoSelect() = 0;
    virtual TEditCharCase GetCharCase() = 0;
    virtual TcxEditEchoMode GetEchoMode() = 0;
    // The byte offset of the first character shown.
    virtual int GetTopCharIndex() = 0;
    virtual bool GetHideSelection() = 0;
    // The trail byte an IME announced for the double-byte character whose lead is on its way
    // (0 when none).
    virtual char GetPendingImeByte() = 0;
    virtual TImeMode GetImeMode() = 0;
    virtual AnsiString GetImeName() = 0;
    virtual bool GetKeyConsumed() = 0;
    // In characters.
    virtual int GetMaxLength() = 0;
    virtual bool IsMultiLineEdit() = 0;
    virtual bool GetOEMConvert() = 0;
    virtual TNotifyEvent GetOnSelChange() = 0;
    virtual char GetPasswordChar() = 0;
    virtual int GetSelLength() = 0;
    virtual int GetSelStart() = 0;
    virtual AnsiString GetSelText() = 0;
    virtual void SelectAll() = 0;
    virtual void SetAlignment(TAlignment value) = 0;
    virtual void SetAutoSelect(bool value) = 0;
    virtual void SetCharCase(TEditCharCase value) = 0;
    virtual void SetEchoMode(TcxEditEchoMode value) = 0;
    virtual void SetHideSelection(bool value) = 0;
    virtual void SetKeyConsumed(bool value) = 0;
    virtual void SetImeMode(TImeMode value) = 0;
    virtual void SetImeName(const AnsiString& value) = 0;
    virtual void SetMaxLength(int value) = 0;
    virtual void SetOEMConvert(bool value) = 0;
    virtual void SetOnSelChange(TNotifyEvent handler) = 0;
    virtual void SetPasswordChar(char value) = 0;
    virtual void SetSelLength(int value) = 0;
    virtual void SetSelStart(int value) = 0;
    virtual void SetSelText(const AnsiString& value) = 0;

protected:
    ~IcxInnerTextEdit() = default;
};

// The interfaces of an inner text edit, kept apart from the control.
class TcxCustomInnerTextEditHelper : public TcxInterfacedPersistent,
                                     public IcxContainerInnerControl,
                                     public IcxCustomInnerEdit,
                                     public IcxInnerTextEdit {
public:
    VZ_CLASS(TcxCustomInnerTextEditHelper, TcxInterfacedPersistent)
    explicit TcxCustomInnerTextEditHelper(TcxCustomInnerTextEdit* edit = nullptr);

    TcxCustomInnerTextEdit* Edit() const { return edit_; }
    // While set, SetAlignment is ignored.
    bool AlignmentLock = false;
    // The selection when the last IME character arrived (bytes).
    int ImeSelStart = 0;
    int ImeSelLength = 0;

    // IcxContainerInnerControl / IcxCustomInnerEdit
    TWinControl* GetControl() override;
    TcxContainer* GetControlContainer() override;
    LRESULT CallNativeWndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    Variant GetTextValue() override;
    TNotifyEvent GetOnChange() override;
    bool GetReadOnly() override;
    void LockInnerBounds(bool lock) override;
    void FocusWithoutAutoSelect() override;
    void SetTextValue(const Variant& value) override;
    void SetParent(TWinControl* parent) override;
    void SetOnChange(TNotifyEvent handler) override;
    void SetReadOnly(bool value) override;

    // IcxInnerTextEdit
    void ClearSelection() override;
    void CopyToClipboard() override;
    TAlignment GetAlignment() override;
    bool GetAutoSelect() override;
    TEditCharCase GetCharCase() override;
    TcxEditEchoMode GetEchoMode() override;
    int GetTopCharIndex() override;
    bool GetHideSelection() override;
    char GetPendingImeByte() override;
    TImeMode GetImeMode() override;
    AnsiString GetImeName() override;
    bool GetKeyConsumed() override;
    int GetMaxLength() override;
    bool IsMultiLineEdit() override { return false; }
    bool GetOEMConvert() override;
    TNotifyEvent GetOnSelChange() override;
    char GetPasswordChar() override;
    int GetSelLength() override;
    int GetSelStart() override;
    AnsiString GetSelText() override;
    void SelectAll() override;
    void SetAlignment(TAlignment value) override;
    void SetAutoSelect(bool value) override;
    void SetCharCase(TEditCharCase value) override;
    void SetEchoMode(TcxEditEchoMode value) override;
    void SetHideSelection(bool value) override;
    void SetKeyConsumed(bool value) override;
    void SetImeMode(TImeMode value) override;
    void SetImeName(const AnsiString& value) override;
    void SetMaxLength(int value) override;
    void SetOEMConvert(bool value) override;
    void SetOnSelChange(TNotifyEvent handler) override;
    void SetPasswordChar(char value) override;
    void SetSelLength(int value) override;
    void SetSelStart(int value) override;
    void SetSelText(const AnsiString& value) override;

private:
    TcxCustomInnerTextEdit* edit_;
};

// How the system's EDIT counts its positions and limit.
enum class TNativeEditUnits { Bytes, Characters };
// Probed once with a real EDIT window; tests may pin it (returns the previous answer).
TNativeEditUnits NativeEditUnits();
TNativeEditUnits SetNativeEditUnitsForTest(TNativeEditUnits units);

class TcxCustomInnerTextEdit : public TCustomControl {
public:
    VZ_CLASS(TcxCustomInnerTextEdit, TCustomControl)
    explicit TcxCustomInnerTextEdit(TComponent* owner = nullptr);
    ~TcxCustomInnerTextEdit() override;

    TcxCustomInnerTextEditHelper* Helper() const { return helper_.get(); }
    // The text editor that owns it (nullptr when the owner is something else).
    TcxCustomTextEdit* Container() const;

    // --- the edit box's own state (what the platform's edit control keeps)
    AnsiString Text();
    void SetText(const AnsiString& value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    bool AutoSelect = true;
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase value);
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    bool OEMConvert() const { return oemConvert_; }
    void SetOEMConvert(bool value);
    TImeMode ImeMode = imDontCare;
    AnsiString ImeName;
    TAlignment Alignment() const { return alignment_; }
    TcxEditEchoMode EchoMode() const { return echoMode_; }
    char PasswordChar() const { return passwordChar_; }
    // Byte offsets on character boundaries (a selection is widened to whole characters).
    int SelStart();
    int SelLength();
    void SetSel(int start, int length);
    void SelectAll();
    AnsiString SelText();
    void SetSelText(const AnsiString& value);
    // The byte offset of the character at the client point's column.
    int CharFromPos(TPoint p);
    int ImeCharsPending() const { return imeCount_; }
    char ImeByte() const { return imeByte_; }
    bool KeyConsumed = false;
    bool ClickFocused() const { return clickFocused_; }
    TcxTimer* DblClickTimer() const { return dblClickTimer_.get(); }
    int BoundsLockCount() const { return boundsLock_; }
    TNotifyEvent OnChange;
    TNotifyEvent OnSelChange;
    void SetBounds(int left, int top, int width, int height) override;
    bool CanFocus() override;

    // --- position translation: byte offsets of text <-> the control's positions
    static int ToNative(std::string_view text, int byteOffset);
    static int FromNative(std::string_view text, int nativePosition);

    virtual void UpdateEditingAlignment();
    virtual void SetEditMargins();

protected:
    friend class TcxCustomInnerTextEditHelper;
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWindowHandle() override;
    void WndProc(TMessage& message) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    virtual void KeyPress(char& key);
    virtual void KeyUp(WORD& key, TShiftState shift);
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    void FontChanged() override;
    void SetAlignment(TAlignment value);
    void SetEchoMode(TcxEditEchoMode value);
    void SetPasswordChar(char value);
    void UpdateNativePasswordChar();
    // Makes the window again (the alignment is a creation style), the focus staying on it.
    void RecreateKeepingFocus();
    // The system control's own handling of a message. A WM_CHAR whose wParam has a high byte is a
    // double-byte character (lead byte high, as WM_IME_CHAR has it).
    virtual LRESULT Native(UINT message, WPARAM wParam, LPARAM lParam);
    // A typed byte for the system control: a lead byte waits for its trail.
    LRESULT PassCharToControl(char ch, LPARAM lParam);

private:
    void HandleKeyDownMessage(TMessage& message);
    void HandleCharMessage(TMessage& message);
    bool HandleMouseClickMessage(TMessage& message);

    std::unique_ptr<TcxCustomInnerTextEditHelper> helper_;
    std::unique_ptr<TcxTimer> dblClickTimer_;
    TAlignment alignment_ = taLeftJustify;
    TcxEditEchoMode echoMode_ = eemNormal;
    bool clickFocused_ = false;
    int imeCount_ = 0;
    char imeByte_ = 0;
    char pendingLead_ = 0; // a lead byte on its way to the system control
    bool creating_ = false;
    int boundsLock_ = 0;
    char passwordChar_ = 0;
    bool readOnly_ = false;
    int maxLength_ = 0;
    TEditCharCase charCase_ = ecNormal;
    bool hideSelection_ = true;
    bool oemConvert_ = false;
    AnsiString text_; // kept while there is no window
    int selStart_ = 0, selLength_ = 0;
};
