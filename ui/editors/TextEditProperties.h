#pragma once
// The settings of every single-line text editor: how an edit value becomes display text
// (formats, numbers, character case, password echo), how typed text is accepted (maximum length,
// allowed characters, lookup items, value bounds), and the flags of the settings that were set.
#include <bitset>
#include <functional>
#include <memory>

#include "platform/core/StringLists.h"
#include "ui/editors/TextEditText.h"
#include "ui/editors/framework/EditProperties.h"
#include "ui/editors/framework/FilterEditHelper.h"
#include "ui/editors/framework/Formats.h"

class TcxCustomEdit;

enum TcxEditEchoMode : uint8_t { eemNormal, eemPassword };
enum TImeMode : uint8_t { imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata, imKata,
                          imChinese, imSHanguel, imHanguel };

using TcxNewLookupDisplayTextEvent = std::function<void(TObject* Sender, const AnsiString& AText)>;

// Which of DisplayFormat, EditFormat and MaxLength are set, beside the inherited flags.
class TcxTextEditPropertiesValues : public TcxCustomEditPropertiesValues {
public:
    VZ_CLASS(TcxTextEditPropertiesValues, TcxCustomEditPropertiesValues)
    explicit TcxTextEditPropertiesValues(TcxCustomEditProperties* owner = nullptr)
        : TcxCustomEditPropertiesValues(owner) {}

    bool DisplayFormat() const { return displayFormat_; }
    bool EditFormat() const { return editFormat_; }
    bool MaxLength() const { return maxLength_; }
    void SetDisplayFormat(bool value);
    void SetEditFormat(bool value);
    void SetMaxLength(bool value);
    void ResetAssigned() override;
    void Assign(TPersistent* source) override;
    // A set flag is written only while the owner's format text is empty and its class publishes it.
    bool IsDisplayFormatStored();
    bool IsEditFormatStored();

private:
    bool displayFormat_ = false;
    bool editFormat_ = false;
    bool maxLength_ = false;
};

class TcxCustomTextEditProperties : public TcxCustomEditProperties, public IcxLocaleFormatListener {
public:
    VZ_CLASS(TcxCustomTextEditProperties, TcxCustomEditProperties)
    explicit TcxCustomTextEditProperties(TPersistent* owner = nullptr);
    ~TcxCustomTextEditProperties() override;

    TcxTextEditPropertiesValues* AssignedValues() {
        return static_cast<TcxTextEditPropertiesValues*>(TcxCustomEditProperties::AssignedValues());
    }

    // --- settings
    TEditCharCase CharCase() const { return charCase_; }
    virtual void SetCharCase(TEditCharCase value);
    // The own format when set, else the provider's, else GetDefaultDisplayFormat.
    AnsiString DisplayFormat();
    void SetDisplayFormat(const AnsiString& value);
    bool IsDisplayFormatStored() { return AssignedValues()->DisplayFormat(); }
    TcxEditEchoMode EchoMode() const { return echoMode_; }
    void SetEchoMode(TcxEditEchoMode value);
    // The format GetEditFormatInfo resolves without an editor.
    AnsiString EditFormat();
    void SetEditFormat(const AnsiString& value);
    bool IsEditFormatStored() { return AssignedValues()->EditFormat(); }
    bool HighlightListSelection() const { return highlightListSelection_; }
    void SetHighlightListSelection(bool value);
    bool FormatChanging() const { return formatChanging_; }
    bool NoTextEditing() const { return noTextEditing_; }
    void SetNoTextEditing(bool value);
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    TImeMode ImeMode() const { return imeMode_; }
    void SetImeMode(TImeMode value);
    const AnsiString& ImeName() const { return imeName_; }
    void SetImeName(const AnsiString& value);
    bool ImmediateUpdateText() const { return immediateUpdateText_; }
    void SetImmediateUpdateText(bool value);
    bool IncrementalSearch() const { return incrementalSearch_; }
    void SetIncrementalSearch(bool value);
    TStringList* LookupItems() const { return lookupItems_.get(); }
    void SetLookupItems(TStrings* value) { lookupItems_->Assign(value); }
    bool LookupItemsSorted() const { return lookupItems_->Sorted(); }
    void SetLookupItemsSorted(bool value) { lookupItems_->SetSorted(value); }
    // The own value when set, else GetDefaultMaxLength.
    int MaxLength();
    // Negative values are stored as 0.
    void SetMaxLength(int value);
    bool IsMaxLengthStored() { return AssignedValues()->MaxLength(); }
    bool ExactLookupMatch() const { return exactLookupMatch_; }
    void SetExactLookupMatch(bool value);
    bool OEMConvert() const { return oemConvert_; }
    void SetOEMConvert(bool value);
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char value);
    bool UseDisplayFormatWhenEditing() const { return useDisplayFormatWhenEditing_; }
    void SetUseDisplayFormatWhenEditing(bool value);
    std::bitset<256> AllowedChars;
    TcxNewLookupDisplayTextEvent OnNewLookupDisplayText;
    // 0 text with normal buttons, 1 no text, 2 buttons fill the editor, 3 with automatic width.
    int ViewMode();
    void SetViewMode(int value);

    // --- what the text editors ask
    virtual void NotifyFormatChanged();
    virtual void CheckValueBounds(Variant& displayValue, AnsiString& errorText, TcxCustomEdit* edit,
                                  bool& error);
    virtual Variant GetEmptyDisplayValue() { return Variant(AnsiString()); }
    // Case-insensitive equality with some lookup item (the locale's rules).
    virtual bool IsLookupItemText(const AnsiString& text);
    virtual AnsiString GetDefaultDisplayFormat() { return {}; }
    virtual int GetDefaultMaxLength();
    virtual int GetLookupPageSize() { return 8; }
    virtual TcxTextEditingStyle GetEditingStyle() { return noTextEditing_ ? tesNoText : tesFreeText; }
    virtual TClass LookupDataClass();
    virtual bool UsesThousandSeparator() { return false; }
    virtual void GetEditFormatInfo(bool& isCurrency, bool& useProviderText, AnsiString& format,
                                   TcxCustomEdit* edit);
    virtual bool IsNumericDisplay() { return false; }
    virtual bool HasPopupList() { return false; }
    virtual bool SuppressesTextWrap() { return false; }
    virtual bool IsPopupKey(WORD key, TShiftState shift) { (void)key, (void)shift; return false; }
    // 0 the minimum, 1 the maximum.
    virtual bool IsBoundActive(int which);
    virtual bool HasValueBounds() { return IsBoundActive(0) || IsBoundActive(1); }
    virtual void DisplayFormatChanged() { NotifyChanged(); }
    virtual void MaxLengthChanged() { NotifyChanged(); }
    bool UsesLookupData() { return LookupDataClass() != nullptr; }
    // The class publishes DisplayFormat and EditFormat (descendants that show formatted values).
    virtual bool PublishesFormats() { return false; }
    AnsiString TransformDisplayText(const AnsiString& text);
    // Non-empty text of a list style must be a lookup item; the accepted value is case-converted.
    bool AcceptsLookupValue(Variant& value);
    // The display text of a value: formatted unless the provider's display format applies.
    AnsiString PrepareDisplayValue(const Variant& value, bool editFocused);

    // --- overrides
    void Assign(TPersistent* source) override;
    void DefineProperties(TFiler* filer) override;
    void SetAlignment(TcxEditAlignment* value) override;
    bool NeedsValidation() override { return true; }
    TClass AssignedValuesClass() const override { return TcxTextEditPropertiesValues::StaticClass(); }
    unsigned GetDisplayFormatOptions() override { return dfoUseProviderFormat; }
    bool TracksDisplayChanges() override { return true; }
    bool ComparesEditValues() override { return true; }
    bool CanUseProviderFormat(bool) override { return true; }
    bool SameDisplayValue(const Variant& a, const Variant& b) override;
    WideString FormatDisplayText(const Variant& value) override;
    unsigned GetSupportedOperations() override;
    bool IsEditValueValid(const Variant& value) override;
    bool RemembersEntryValue() override { return GetEditingStyle() != tesNoText; }
    void EditValueToDisplay(const Variant& editValue, Variant& displayValue, bool isFocused) override;
    void ValidateDisplayValue(Variant& displayValue, AnsiString& errorText, IcxEditSide* edit,
                              bool& error) override;
    TcxCustomEditViewDataClass ViewDataClass() const override;
    TcxContainerViewInfoClass ViewInfoClass() const override;

    // IcxLocaleFormatListener
    void FormatChanged() override { NotifyFormatChanged(); }

protected:
    void HandleAlignmentChange(TObject* sender) override;

private:
    AnsiString FormatNumber(const Variant& value, bool editFocused);

    TEditCharCase charCase_ = ecNormal;
    AnsiString displayFormat_;
    TcxEditEchoMode echoMode_ = eemNormal;
    AnsiString editFormat_;
    bool highlightListSelection_ = true;
    bool formatChanging_ = false;
    bool noTextEditing_ = false;
    bool hideSelection_ = true;
    TImeMode imeMode_ = imDontCare;
    AnsiString imeName_;
    bool immediateUpdateText_ = false;
    bool incrementalSearch_ = true;
    std::unique_ptr<TStringList> lookupItems_;
    int maxLength_ = 0;
    bool exactLookupMatch_ = false;
    bool oemConvert_ = false;
    char passwordChar_ = 0;
    bool useDisplayFormatWhenEditing_ = false;
};

// The published text editor settings.
class TcxTextEditProperties : public TcxCustomTextEditProperties {
public:
    VZ_CLASS(TcxTextEditProperties, TcxCustomTextEditProperties)
    explicit TcxTextEditProperties(TPersistent* owner = nullptr) : TcxCustomTextEditProperties(owner) {}
};

// How filters use a text editor.
class TcxFilterTextEditHelper : public TcxCustomFilterEditHelper {
public:
    VZ_CLASS(TcxFilterTextEditHelper, TcxCustomFilterEditHelper)
    // TcxTextEdit.
    TClass FilterEditorClass() const override;
    void SetUpFilterProperties(TcxCustomEditProperties* properties, TcxCustomEditProperties* source,
                               bool keepButtons) const override;
    void PutFilterValue(TcxCustomEdit* edit, TcxCustomEditProperties* properties,
                        const Variant& value) const override;
};

// Holds the change notices of properties (nullptr: none) from its making to its end, then
// delivers one.
class TcxPropertiesUpdateScope {
public:
    explicit TcxPropertiesUpdateScope(TcxCustomEditProperties* properties) : properties_(properties) {
        if (properties_) properties_->BeginUpdate();
    }
    ~TcxPropertiesUpdateScope() {
        if (properties_) properties_->EndUpdate(true);
    }
    TcxPropertiesUpdateScope(const TcxPropertiesUpdateScope&) = delete;
    TcxPropertiesUpdateScope& operator=(const TcxPropertiesUpdateScope&) = delete;

private:
    TcxCustomEditProperties* properties_;
};

// The registered message that asks a spell checker to redraw its marks (0 before the unit starts).
UINT WM_REDRAWMISSPELLS();

// The text editor's unit.
void TextEditInitialize();
void TextEditFinalize();
