#pragma once
// The base editor, value side: the edit value and the display value, the modified and validated
// state, the change events and their deferral, validation, posting, and the keys, clipboard
// commands and focus transitions that start them. Painting, layout, buttons and inplace activation
// by mouse come with the editor's control side; where the value side needs them it calls a hook
// that does nothing here.
#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Filer.h"
#include "platform/forms/Menus.h"
#include "ui/core/WindowServices.h"
#include "ui/editors/framework/Container.h"
#include "ui/editors/framework/CustomInnerEdit.h"
#include "ui/editors/framework/EditDataBinding.h"
#include "ui/editors/framework/EditError.h"
#include "ui/editors/framework/EditProperties.h"
#include "ui/editors/framework/EditRepository.h"
#include "ui/editors/framework/EditViewData.h"

VZ_EXCEPTION_CLASS(EcxEditValidationError, EcxEditError);

class TcxCustomEdit;

// Defers OnChange and OnEditValueChanged while locked: any number of changes inside the outermost
// lock give at most one OnChange, then at most one OnEditValueChanged.
class TcxEditChangeEventsCatcher : public TObject {
public:
    VZ_CLASS(TcxEditChangeEventsCatcher, TObject)
    explicit TcxEditChangeEventsCatcher(TcxCustomEdit* edit = nullptr) : Edit(edit) {}

    void Lock();
    // Fires what was caught when fireEvents and this was the outermost lock; drops it otherwise.
    void Unlock(bool fireEvents);
    bool Locked() const { return LockCount > 0; }

    TcxCustomEdit* Edit;
    int LockCount = 0;
    bool OnChangePending = false;
    bool OnEditValueChangedPending = false;
};

using TcxEditEditingEvent = std::function<void(TObject* Sender, bool& CanEdit)>;
using TcxEditHostKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TcxEditKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

// The sound an editor makes on a rejected character or a validation error. Tests put a counter in.
using TcxEditBeepProc = void (*)();
TcxEditBeepProc SetEditBeepProc(TcxEditBeepProc proc); // returns the previous one
void EditBeep();

class TcxCustomEdit : public TcxContainer, public IcxEditSide, public IcxEditRepositoryItemListener {
public:
    VZ_CLASS(TcxCustomEdit, TcxContainer)
    // A standalone editor; CreateWithMode makes an inplace one for a host.
    explicit TcxCustomEdit(TComponent* owner) : TcxCustomEdit(owner, false) {}
    TcxCustomEdit(TComponent* owner, bool isInplace);
    ~TcxCustomEdit() override;

    // Builds an editor of class T in the given mode, ready for use.
    template <class T> static std::unique_ptr<T> CreateWithMode(TComponent* owner, bool isInplace) {
        auto edit = std::make_unique<T>(owner, isInplace);
        edit->EnsureInitialized();
        return edit;
    }
    // The owned companions come from the class operations below, which a constructor cannot reach
    // in a descendant: the first use of the editor runs its initialisation.
    void EnsureInitialized();

    // --- value
    Variant EditValue() override { return editValue_; }
    void SetEditValue(const Variant& value) { AssignEditValue(value); }
    virtual void AssignEditValue(const Variant& value);
    virtual void AssignEditValueDirect(const Variant& value);
    virtual void ClearValue() { AssignEditValue(GetEmptyValue()); }
    virtual void StoreEditValueQuiet(const Variant& value) { StoreEditValue(value, false); }
    virtual Variant GetEmptyValue() { return Variant::Null(); }
    virtual bool HasValue() { return !editValue_.IsNull(); }
    virtual Variant FetchEditValue() { return editValue_; }
    virtual Variant GetValueToPost();
    // The display value the edit value gives, in the focus state given.
    virtual void ConvertEditToDisplay(const Variant& editValue, Variant& displayValue, bool isFocused);
    virtual void ConvertDisplayToEdit(Variant& displayValue, bool isFocused) { (void)displayValue, (void)isFocused; }
    bool IsFocusedForConversion();

    // --- state
    bool Modified() override { return modified_; }
    void SetModified(bool value) override;
    bool ChangedSinceEnter() const { return changedSinceEnter_; }
    void SetChangedSinceEnter(bool value);
    bool Validated() const { return validated_; }
    bool Validating() const { return validating_; }
    bool UserAction() const { return userAction_; }
    bool Posting() const { return posting_; }
    bool EditingCheckActive() const { return editingCheckActive_; }
    bool EscapeResetDone() const { return escapeResetDone_; }
    bool ValidationErrorFocusing() const { return validationErrorFocusing_; }
    int UpdateLockCount() const { return updateLockCount_; }
    int ClickLockCount() const { return clickLockCount_; }
    const Variant& PrevEditValue() const { return prevEditValue_; }
    bool IsInplace() override { return inplaceMode_; }
    bool IsValueModified();
    bool UsesDataStorage();

    void PushModifiedState();
    void PopModifiedState();
    int ModifiedStateDepth() const { return static_cast<int>(modifiedStateStack_.size()); }

    void LockChangeEvents(bool lock, bool fireEvents = true);
    bool AreChangeEventsLocked();
    void LockClick(bool lock);

    // --- validation and posting
    bool ValidateValue(bool raise);
    void PostValue(bool validateFirst);
    bool TryEnterEditMode();
    void ResetThroughBinding() { DataBinding()->RevertEditor(); }
    void FireHostKeyEvent(WORD& key, TShiftState shift);

    // --- properties, binding, repository item
    TcxCustomEditProperties* OwnProperties() override;
    TcxCustomEditProperties* EffectiveProperties() override { return GetEffectiveProperties(); }
    TcxCustomEditProperties* GetEffectiveProperties();
    TcxCustomEditProperties* Properties() { return GetEffectiveProperties(); }
    TcxEditDataBinding* DataBinding();
    TcxEditRepositoryItem* RepositoryItem() override { return repositoryItem_; }
    void SetRepositoryItem(TcxEditRepositoryItem* value);
    TcxEditChangeEventsCatcher* ChangeEventsCatcher();
    // Published by the editors that support it.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    TcxCustomEditData* EditData() override { return editData_; }
    void SetEditData(TcxCustomEditData* value) { editData_ = value; }
    void InitNewEditData() override {}

    // --- events and host hooks
    TcxEditEditingEvent OnEditing;
    TNotifyEvent PropertiesEvents; // stored, never called by the editor
    TcxEditHostKeyEvent HostKeyHandler;
    TNotifyEvent HostPostHandler;
    // Key events of the editor's window (the character and the key release).
    TcxEditKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    // --- IcxEditSide (the rest)
    TComponent* EditComponent() override { return this; }
    void ApplyPropertiesChange(TObject* sender) override;
    bool Focused() override { return TcxContainer::Focused(); }
    AnsiString ReadDisplayText() override { return {}; }
    void WriteDisplayValue(const Variant& value) override { (void)value; }
    void RevertValue() override;
    void SyncDisplayFromValue() override {}

    // --- IcxEditRepositoryItemListener
    void ItemRemoved(TcxEditRepositoryItem* sender) override;
    void PropertiesChanged(TcxEditRepositoryItem* sender) override;

    // Clipboard commands of the window; nothing in the base, the text editors do them.
    virtual void CopySelectionToClipboard() {}
    virtual void CutSelectionToClipboard() {}
    virtual void PasteClipboardText() {}
    virtual void SelectAllContent() {}
    virtual bool CanEditText() { return false; }
    virtual void SetTextAndPost(const AnsiString& text) { (void)text; }
    virtual void StoreSpareFlag(bool value) { spareFlag_ = value; }

    bool IsValueReadOnly();

    // --- control side (EditControl.cpp): inner edit, inplace activation, clicks, stored size
    IcxCustomInnerEdit* InnerEdit() const { return innerEdit_; }
    // Inplace activation by a host. A new edit data made for editData belongs to the host.
    virtual void ActivateInplace(TcxCustomEditData*& editData);
    // Activates with the inner edit's messages passing through InnerEditWndProc, then replays key
    // as a character to the editor's window.
    virtual void ActivateByKey(char key, TcxCustomEditData*& editData);
    // x and y in the parent's client coordinates; a second click within the double-click time
    // becomes a double click.
    virtual void ActivateByMouse(TShiftState shift, int x, int y, TcxCustomEditData*& editData);
    // Validates (raising on an invalid value, the editor staying active) and settles the display.
    virtual bool DeactivateInplace();
    bool InplaceActivated() const { return inplaceActivated_; }
    TcxTimer* DblClickTimer();
    bool AutoSize() const { return autoSize_; }
    virtual void SetAutoSize(bool value);
    bool CanAutoHeight() { return autoSize_ && !IsInplace(); }
    bool CanAutoWidth();
    bool IsInnerEditSubclassed() const { return innerEditSubclassed_; }
    void DefineProperties(TFiler* filer) override;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    virtual void Click();
    virtual void DblClick();
    void MarkModifiedAndClick();
    // The view-info index of the button under p; -1 when none.
    virtual int GetButtonIndexAt(TPoint p);
    // The view info as the editor's own (nullptr before the editor is initialised).
    TcxCustomEditViewInfo* EditViewInfo() const;
    // Lays the view info out for the state at p; with isMouseEvent, compares with the layout
    // before, repaints only what changed and works the buttons' state changes (false: nothing
    // changed).
    bool RefreshAtPoint(TPoint p, int button, TShiftState shift, bool isMouseEvent) override;
    void FireButtonClick(int viewInfoIndex);
    // Clicks the first enabled shown button whose caption has ch as accelerator; false when none.
    bool ClickButtonByAccelerator(WORD ch);
    bool RegionUpdating() const { return regionUpdating_; }
    // Set once initialised; the first parent given applies the properties and shows the value.
    bool ParentPending() const { return parentPending_; }
    void SetParent(TWinControl* parent) override;
    void SetName(const AnsiString& newName) override;
    void Loaded() override;
    // Fills the hint for info.CursorPos: a button's hint (the editor's when the button has none
    // and ShowHint), or the editor's over the edit area while ShowHint; false refuses the hint.
    virtual bool GetHintInfo(THintInfo& info);
    // --- layout and painting: what the view data reads
    // The edit button pressed while the editor holds the mouse capture; -1 none.
    int CapturedButtonIndex = -1;
    // Computed once by a view data; copied into the view data of an inplace editor.
    TcxEditInnerEditOffsets InnerEditOffsets;
    bool InnerEditOffsetsValid = false;
    // The active state style as an edit style (nullptr when the styles are not edit styles).
    TcxCustomEditStyle* ActiveEditStyle();
    // A view data of the properties for the active style and the editor's mode, filled in.
    virtual std::unique_ptr<TcxCustomEditViewData> CreateViewData();
    virtual void FillViewData(TcxCustomEditViewData* viewData);
    virtual bool SuppressesButtonPaint() { return false; }
    virtual bool UsesParentBackground() { return false; }
    // The value lives in a data storage and the window is painting a copy of itself.
    bool PaintsCopy();
    // Draws the editor showing its binding's stored value through a view info of its own, then
    // leaves the editor's bounds out of the canvas clip.
    void PaintDetached(TcxCanvas& canvas);
    // --- auto size, alignment and the platform's slots
    // Auto width applies: auto height, automatic button widths and an alignment that leaves the
    // width free (alNone, alLeft, alRight).
    bool AppliesAutoWidth();
    // The size auto size gives in place of width and height (unchanged when not auto-sizing).
    void CalculateAutoSize(int& width, int& height);
    // Sizes the editor by its content, then places the inner edit on the client rect.
    void AlignInnerControl() override;
    void GetTabOrderList(std::vector<TWinControl*>& list) override;
    bool ExecuteAction(TObject* action) override;
    bool UpdateAction(TObject* action) override;
    void ReadState(TReader& reader) override;
    bool FirstAutoSizePending() const { return firstAutoSizePending_; }

protected:
    // Editors that grow to the left: a width change moves the left edge instead of the right one.
    virtual bool KeepsRightEdge() { return false; }
    virtual void FillSizeLimits(TcxEditSizeLimits& limits);
    virtual void AlignInnerEdit();
    bool CanResize(int& newWidth, int& newHeight) override;
    void RequestAlign() override;
    virtual TClass InnerEditClass() { return nullptr; }
    // The inner-edit interface of a control of InnerEditClass; nullptr when it offers none.
    virtual IcxCustomInnerEdit* QueryInnerEdit(TWinControl* control);
    virtual void SetUpInnerEdit();
    virtual bool ReplaysActivationKey(char key) { (void)key; return true; }
    virtual bool ClicksWhileLoading() { return false; }
    void SubclassInnerEdit();
    void UnsubclassInnerEdit();
    // Every message of the inner edit while it is subclassed: passed to its saved procedure.
    virtual void InnerEditWndProc(TMessage& message);
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void Paint() override;
    void CreateHandle() override;
    // Hooks of a button's press and release; the drop-down editors open their popup here.
    virtual void ButtonDown(int viewInfoIndex) { (void)viewInfoIndex; }
    virtual void ButtonUp(int viewInfoIndex) { (void)viewInfoIndex; }
    virtual void HandleButtonStateChange(TcxCustomEditViewInfo* old, bool isMouseEvent);
    TcxContainerStyleClass StyleClass() override;
    TcxContainerViewInfoClass ViewInfoClass() override;
    // The six edit-style values a plain editor does not use.
    TcxContainerStyleValues GetUnsupportedStyleValues() override { return 64512; }

    // Class operations: the companions this editor is made with.
    virtual TClass PropertiesClass() { return TcxCustomEditProperties::StaticClass(); }
    virtual TClass DataBindingClass() { return TcxEditDataBinding::StaticClass(); }
    virtual TClass EditDataClass() { return nullptr; }
    virtual void InitializeEditor();

    // Value hooks of the descendants.
    virtual void StoreEditValue(const Variant& value, bool spare);
    virtual void CommitDisplayValue(const Variant& displayValue);
    virtual void ApplyDisplayValue(const Variant& displayValue) { (void)displayValue; }
    virtual Variant GetValueFromDisplay() { return editValue_; }
    virtual void SyncValueFromDisplay() {}
    virtual void RefreshDisplayText() {}
    virtual bool IsInnerEditVisible() { return false; }
    virtual bool UpdatesDisplayOnFocus() { return true; }
    virtual bool IsEditingPossible() { return true; }
    virtual bool CanChangeValue();
    virtual bool AcceptsRepositoryItem(TcxEditRepositoryItem* item);
    virtual void BeforeRepositoryItemChange() {}
    virtual void AfterRepositoryItemChange() {}

    // Change processing.
    virtual void ProcessChange();
    void EditValueChanged();
    virtual void HandleInnerEditChange();
    virtual void FireChange();
    virtual void FireEditValueChanged();
    void FireValidate(Variant& displayValue, AnsiString& errorText, bool& error);
    virtual void HandleValidationError(const AnsiString& errorText, bool abort);
    virtual void BeginPosting() { posting_ = true; }
    virtual void EndPosting() { posting_ = false; }

    // Keys.
    void KeyDown(WORD& key, TShiftState shift) override;
    virtual void KeyPress(char& key);
    virtual void KeyUp(WORD& key, TShiftState shift);
    virtual void HandleKeyDown(WORD& key, TShiftState shift);
    virtual bool HandleKeyPress(char& key) { return FilterKeyPress(key); }
    virtual void HandleKeyUp(WORD& key, TShiftState shift) { (void)key, (void)shift; }
    virtual bool FilterKeyPress(char& key);
    virtual bool IsCharAllowed(char ch);
    virtual bool IsEditingKey(WORD key, TShiftState shift) { (void)key, (void)shift; return false; }
    virtual bool IsEditingChar(char ch) { (void)ch; return false; }
    virtual bool AllowsKey(WORD key, TShiftState shift);
    virtual bool ForwardsKeyToHost(WORD key, TShiftState shift) { (void)key, (void)shift; return false; }
    virtual bool HandlesNavigationKeys() { return false; }
    virtual bool IsClickKey(WORD key, TShiftState shift);
    virtual void ClickDefaultButton() {}
    virtual void PrepareTabExit(TShiftState shift) { (void)shift; }
    bool HasDefaultButton();

    // Focus.
    virtual void DoEnter();
    virtual void DoExit();
    virtual void HandleEnter();
    void ExitProcessing(bool callDoExit);
    void DoFocusChanged() override;
    virtual void HandleFocusLoss();
    bool NavigatesOnTab() override { return false; }

    void WndProc(TMessage& message) override;
    using TcxContainer::WndProc;
    void Notification(TComponent* component, TOperation operation) override;

    bool IsLoading() const { return HasState(csLoading); }
    // The text editors mark typing and clipboard work as the user's own.
    void SetUserAction(bool value) { userAction_ = value; }
    bool IsFocusExitTo(HWND window) { return IsExitTo(window); }
    // Runs f with the change events caught and fired at its end, also when f raises.
    void RunWithChangeEventsLocked(const std::function<void()>& f);

private:
    friend class TcxEditChangeEventsCatcher;
    void AttachOwnProperties();
    void DetachOwnProperties();
    void HandleClipboardMessage(UINT message);
    bool IsExitTo(HWND window);
    template <class F> void Locked(F&& f);
    template <class F> void FireAsChanged(F&& fire);

    bool initialized_ = false;
    bool inplaceMode_ = false;
    int clickLockCount_ = 0;
    int updateLockCount_ = 0;
    bool editingCheckActive_ = false;
    bool lastFocusedState_ = false;
    bool validated_ = false;
    bool validating_ = false;
    bool escapeResetDone_ = false;
    bool posting_ = false;
    bool userAction_ = false;
    bool changedSinceEnter_ = false;
    bool modified_ = false;
    bool validationErrorFocusing_ = false;
    bool spareFlag_ = false;
    bool transparent_ = false;
    Variant prevEditValue_ = Variant::Null();
    std::vector<std::pair<bool, bool>> modifiedStateStack_; // (ChangedSinceEnter, Modified)
    Variant editValue_ = Variant::Null();
    TcxEditRepositoryItem* repositoryItem_ = nullptr;
    TcxCustomEditData* editData_ = nullptr;
    std::unique_ptr<TcxEditChangeEventsCatcher> catcher_;
    std::unique_ptr<TcxCustomEditProperties> ownProperties_;
    std::unique_ptr<TcxEditDataBinding> dataBinding_;
    // Control side.
    static LRESULT CALLBACK ForeignInnerEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    IcxCustomInnerEdit* innerEdit_ = nullptr;
    std::unique_ptr<TcxTimer> dblClickTimer_;
    bool inplaceActivated_ = false;
    bool autoSize_ = false;
    bool innerEditSubclassed_ = false;
    bool regionUpdating_ = false;
    bool parentPending_ = false;
    bool firstAutoSizePending_ = true;
    bool ensuringHandle_ = false;
    TWndMethod savedInnerWindowProc_;    // a platform inner edit: its WindowProc
    WNDPROC savedInnerWndProc_ = nullptr; // any other window: its window procedure
};
