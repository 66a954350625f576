#pragma once
// The single-line text editor: an editor that hosts an edit box (TcxCustomInnerTextEdit) and
// speaks to it through IcxInnerTextEdit. It adds caret and selection handling, clipboard commands
// that keep the editing rules, typed text composed with the maximum length in characters, lookup
// typing and navigation, the spell checker's calls and the window-text messages. The mask,
// drop-down, combo, popup and spin editors derive from it.
#include <functional>
#include <memory>

#include "ui/editors/TextEditInner.h"
#include "ui/editors/TextEditLookupData.h"
#include "ui/editors/TextEditProperties.h"
#include "ui/editors/TextEditViewInfo.h"
#include "ui/editors/framework/Edit.h"

class TcxCustomTextEdit;

// The calls a spell checker takes from every text editor. None is registered in this program;
// a checker that registers gets them all.
class IcxSpellCheckerHook {
public:
    virtual ~IcxSpellCheckerHook() = default;
    virtual void Redraw(TcxCustomTextEdit* edit) = 0;
    virtual void Reset(TcxCustomTextEdit* edit) = 0;
    virtual void SelectionChanged(TcxCustomTextEdit* edit) = 0;
    virtual void TextChanged(TcxCustomTextEdit* edit) = 0;
    // The checker owns the window (its suggestion list, say).
    virtual bool OwnsWindow(HWND window) = 0;
};
// Returns the previous hook; nullptr removes it.
IcxSpellCheckerHook* SetSpellCheckerHook(IcxSpellCheckerHook* hook);
IcxSpellCheckerHook* SpellCheckerHook();

// The clipboard's text in the ANSI code page; false when it holds none.
bool ReadClipboardText(HWND owner, AnsiString& text);

class TcxCustomTextEdit : public TcxCustomEdit, public IcxTextEditLookupSide {
public:
    VZ_CLASS(TcxCustomTextEdit, TcxCustomEdit)
    explicit TcxCustomTextEdit(TComponent* owner) : TcxCustomTextEdit(owner, false) {}
    TcxCustomTextEdit(TComponent* owner, bool isInplace);
    ~TcxCustomTextEdit() override;

    TcxCustomTextEditProperties* ActiveProperties();
    // The inner edit's interface (nullptr before the editor is initialised).
    IcxInnerTextEdit* InnerTextEdit();
    TcxCustomInnerTextEdit* InnerTextEditControl();
    TcxCustomTextEditLookupData* LookupData() const { return lookupData_.get(); }
    TcxCustomTextEditViewInfo* TextViewInfo() const;

    // --- text and selection (byte offsets on character boundaries)
    AnsiString Text();
    void SetText(const AnsiString& value);
    int SelStart();
    void SetSelStart(int value);
    // 0 in the fixed-list style without a completion and in the no-text style.
    int SelLength();
    void SetSelLength(int value);
    AnsiString SelText();
    void SetSelText(const AnsiString& value);
    void SelectAll();
    // The byte offset at the caret.
    int CursorPos();
    int ItemIndex() { return GetItemIndex(); }
    void SetItemIndexValue(int value) { SetItemIndex(value); }
    bool BeepOnEnter = true;

    // --- state flags
    bool Completion() const { return completion_; }
    bool UserInput() const { return UserAction(); }
    bool LookupChangePending() const { return lookupChangePending_; }
    void SetLookupChangePending(bool value) { lookupChangePending_ = value; }
    bool LookupNavigating() const { return lookupNavigating_; }
    bool DisplaySyncing() const { return displaySyncing_; }
    bool SettingWindowText() const { return settingWindowText_; }
    // Set by a descendant for a dialog key it consumes (Enter or Escape then never reach the
    // edit box); cleared when taken.
    bool DialogKeyPending = false;
    // The two flags descendants use to force the inner edit hidden or shown.
    bool ForceInnerEditHidden = false;
    bool ForceInnerEditShown = false;
    // Set while a mouse press that reached the editor came from its edit box.
    bool ClickFromInnerEdit = false;

    // --- clipboard and value
    void CopySelectionToClipboard() override;
    void CutSelectionToClipboard() override;
    void PasteClipboardText() override;
    void SelectAllContent() override { SelectAll(); }
    bool CanEditText() override { return CanEditPlainText(); }
    void SetTextAndPost(const AnsiString& text) override { SetTextAndPost(text, false); }
    virtual void SetTextAndPost(const AnsiString& text, bool post);
    void ActivateInplace(TcxCustomEditData*& editData) override;
    // The text the inner edit shows as the editor's display text.
    AnsiString ReadDisplayText() override;
    void WriteDisplayValue(const Variant& value) override;
    void SyncDisplayFromValue() override;
    void ApplyPropertiesChange(TObject* sender) override;
    bool IsPopupOpen() override { return false; }
    // The inner edit keeps Tab (a descendant that takes it answers true).
    virtual bool WantsTab() { return false; }
    // The edit box's alignment follows the properties (left while editing when they ask).
    void AlignInnerEdit();
    bool UsesLeftAlignmentOnEditing();

    // --- hooks the inner edit calls
    virtual bool CanEditPlainText();
    virtual void RefreshProperties() { ApplyPropertiesChange(ActiveProperties()); }
    virtual void SpellCheckRedraw();
    virtual void SpellCheckReset();
    virtual void SpellCheckSelectionChanged();
    virtual void SpellCheckTextChanged();
    virtual void TrackInnerEditMessage(const TMessage& message);
    virtual void SyncInnerEditColors();
    // Composes text inserted over the selection (see ComposeTextInsertion); false: refused.
    virtual bool ComposeInsertedText(const AnsiString& text, AnsiString& result, int& caret);
    virtual void ApplyValueBoundsOnEntry() {}
    virtual void EnforceValueBounds() {}
    virtual void FireNewLookupDisplayText(const AnsiString& text);
    virtual int GetInnerEditTextHeight();
    virtual int GetItemIndex();
    virtual TObject* GetSelectedObject();
    virtual bool CanNavigateLookup(bool byWheel) { (void)byWheel; return false; }
    virtual void HandleLookupSelectItem(TObject* sender);
    virtual AnsiString GetInnerText();
    virtual bool SetInnerText(const AnsiString& text);
    virtual Variant LookupKeyFromIndex(int index) { return Variant(index); }
    virtual Variant LookupKeyToEditValue(const Variant& key);
    virtual int LookupKeyToIndex(const Variant& key);
    virtual bool HasNoDataStorage();
    virtual void ResetCompletion() { completion_ = false; }
    virtual void HandleInnerSelChange(TObject* sender) { (void)sender; }
    virtual bool SetTextIfEditable(const AnsiString& text);
    virtual void SetItemIndex(int value);
    virtual void InsertText(const AnsiString& text);
    virtual void AfterUndo() {}
    virtual void SyncTextWithLookupRules();
    virtual void DeleteSelection();
    virtual void ResetByBinding() { ResetThroughBinding(); }

    bool TrySetDisplayText(const AnsiString& text);
    // The inner edit tells the editor that its focus changed.
    void InnerFocusChanged(bool entering, HWND other);
    void SetUserInput(bool value) { SetUserAction(value); }
    // Refreshes the text the view info paints (the edit box hidden).
    void RefreshDisplayText() override;
    void KeyPress(char& key) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void KeyDown(WORD& key, TShiftState shift) override;

    // IcxTextEditLookupSide
    TcxCustomTextEditProperties* LookupProperties() override { return ActiveProperties(); }
    AnsiString LookupText() override { return Text(); }
    int LookupSelStart() override { return SelStart(); }
    int LookupSelLength() override { return SelLength(); }
    void LookupSetText(const AnsiString& text, int selStart, int selLength) override;
    void LookupSetSelection(int selStart, int selLength) override;
    bool LookupCompletion() override { return completion_; }
    void LookupSetCompletion(bool value) override { completion_ = value; }
    bool LookupLocked() override { return lookupLocked_; }
    bool LookupTryEnterEditMode() override { return TryEnterEditMode(); }
    void LookupSetChangePending(bool value) override { lookupChangePending_ = value; }
    void LookupMarkModified() override { MarkModifiedAndClick(); }

protected:
    TClass InnerEditClass() override;
    IcxCustomInnerEdit* QueryInnerEdit(TWinControl* control) override;
    TClass PropertiesClass() override { return TcxCustomTextEditProperties::StaticClass(); }
    void InitializeEditor() override;
    void ApplyDisplayValue(const Variant& displayValue) override;
    Variant GetValueFromDisplay() override { return Variant(Text()); }
    void SyncValueFromDisplay() override;
    void CommitDisplayValue(const Variant& displayValue) override;
    bool IsInnerEditVisible() override;
    bool IsEditingPossible() override;
    void HandleInnerEditChange() override;
    void HandleKeyDown(WORD& key, TShiftState shift) override;
    bool HandleKeyPress(char& key) override;
    bool IsCharAllowed(char ch) override;
    bool IsEditingKey(WORD key, TShiftState shift) override;
    bool IsEditingChar(char ch) override;
    bool HandlesNavigationKeys() override { return true; }
    void DoExit() override;
    void CalculateInnerControlBounds(const TRect& clientRect, TControl* control, TcxInnerBounds& result) override;
    void AlignControls(TControl* control, TRect& rect) override;
    void AlignInnerControl() override;
    void FillViewData(TcxCustomEditViewData* viewData) override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    void WndProc(TMessage& message) override;
    using TcxCustomEdit::WndProc;
    void Loaded() override;
    // Moves through the lookup items by a navigation key; true when the key was used.
    bool NavigateLookupByKey(WORD key, TShiftState shift);
    void NavigateLookup(TcxEditLookupDirection direction);
    // The display text, with the case and echo the properties give.
    AnsiString DisplayTextOf(const AnsiString& text);

private:
    friend class TcxCustomInnerTextEdit;
    TcxTextEditingStyle EditingStyle();
    IcxInnerTextEdit* Inner();
    void WithUserInput(const std::function<void()>& f);
    bool SelectionLeavesEditor();

    std::unique_ptr<TcxCustomTextEditLookupData> lookupData_;
    bool completion_ = false;
    bool settingWindowText_ = false;
    bool lookupChangePending_ = false;
    bool lookupNavigating_ = false;
    bool displaySyncing_ = false;
    bool lookupLocked_ = false;
    bool aligningInnerEdit_ = false;
    TcxEditEchoMode lastEchoMode_ = eemNormal;
    char lastPasswordChar_ = 0;
    int lastSelLength_ = 0;
    AnsiString textAtDestruction_;
    bool destroyed_ = false;
};

// The published text editor.
class TcxTextEdit : public TcxCustomTextEdit {
public:
    VZ_CLASS(TcxTextEdit, TcxCustomTextEdit)
    using TcxCustomTextEdit::TcxCustomTextEdit;

    TcxTextEditProperties* Properties();
    // Assigns into the editor's own properties.
    void SetProperties(TcxTextEditProperties* value);
    bool CanEditText() override { return CanEditPlainText(); }

protected:
    TClass PropertiesClass() override { return TcxTextEditProperties::StaticClass(); }
};
