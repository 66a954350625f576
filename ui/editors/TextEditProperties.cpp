#include "ui/editors/TextEditProperties.h"

#include <optional>

#include "platform/core/DateTime.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Filer.h"
#include "platform/core/FloatText.h"
#include "platform/core/FormatFloat.h"
#include "ui/editors/TextEditLookupData.h"
#include "ui/editors/framework/Edit.h"
#include "ui/editors/framework/EditRegistration.h"
#include "ui/editors/framework/EditorStrings.h"

namespace {
using TUpdateScope = TcxPropertiesUpdateScope;

// Stores a value and notifies only when it differs.
template <class T> void StoreChanged(TcxCustomEditProperties* properties, T& field, const T& value) {
    if (field == value) return;
    field = value;
    properties->NotifyChanged();
}
} // namespace

// --- assigned flags -------------------------------------------------------------------------------

void TcxTextEditPropertiesValues::SetDisplayFormat(bool value) {
    if (displayFormat_ == value) return;
    displayFormat_ = value;
    if (Owner) Owner->NotifyChanged();
}

void TcxTextEditPropertiesValues::SetEditFormat(bool value) {
    if (editFormat_ == value) return;
    editFormat_ = value;
    if (Owner) Owner->NotifyChanged();
}

void TcxTextEditPropertiesValues::SetMaxLength(bool value) {
    if (maxLength_ == value) return;
    maxLength_ = value;
    if (auto* text = dynamic_cast<TcxCustomTextEditProperties*>(Owner)) text->MaxLengthChanged();
    else if (Owner) Owner->NotifyChanged();
}

void TcxTextEditPropertiesValues::ResetAssigned() {
    TUpdateScope update(Owner);
    TcxCustomEditPropertiesValues::ResetAssigned();
    SetDisplayFormat(false);
    SetEditFormat(false);
    SetMaxLength(false);
}

void TcxTextEditPropertiesValues::Assign(TPersistent* source) {
    TUpdateScope update(Owner);
    TcxCustomEditPropertiesValues::Assign(source);
    if (auto* values = dynamic_cast<TcxTextEditPropertiesValues*>(source)) {
        SetDisplayFormat(values->displayFormat_);
        SetEditFormat(values->editFormat_);
        SetMaxLength(values->maxLength_);
    }
}

bool TcxTextEditPropertiesValues::IsDisplayFormatStored() {
    auto* owner = dynamic_cast<TcxCustomTextEditProperties*>(Owner);
    return displayFormat_ && owner && owner->DisplayFormat().empty() && owner->PublishesFormats();
}

bool TcxTextEditPropertiesValues::IsEditFormatStored() {
    auto* owner = dynamic_cast<TcxCustomTextEditProperties*>(Owner);
    return editFormat_ && owner && owner->EditFormat().empty() && owner->PublishesFormats();
}

// --- properties -------------------------------------------------------------------------------------

TcxCustomTextEditProperties::TcxCustomTextEditProperties(TPersistent* owner) : TcxCustomEditProperties(owner) {
    lookupItems_ = std::make_unique<TStringList>();
    lookupItems_->Duplicates = dupAccept;
    lookupItems_->OnChange = [this](TObject*) { NotifyChanged(); };
    if (TcxFormatController* controller = GetFormatController()) controller->AddListener(this);
}

TcxCustomTextEditProperties::~TcxCustomTextEditProperties() {
    if (TcxFormatController* controller = GetFormatController()) controller->RemoveListener(this);
    lookupItems_->OnChange = nullptr;
}

void TcxCustomTextEditProperties::SetCharCase(TEditCharCase value) {
    StoreChanged(this, charCase_, value);
}

AnsiString TcxCustomTextEditProperties::DisplayFormat() {
    if (AssignedValues()->DisplayFormat()) return displayFormat_;
    if (DefaultValuesProvider()) {
        AnsiString preset = DefaultValuesProvider()->DisplayFormatPreset();
        if (!preset.empty()) return preset;
    }
    return GetDefaultDisplayFormat();
}

void TcxCustomTextEditProperties::SetDisplayFormat(const AnsiString& value) {
    if (AssignedValues()->DisplayFormat() && displayFormat_ == value) return;
    TUpdateScope update(this);
    displayFormat_ = value;
    AssignedValues()->SetDisplayFormat(true);
    DisplayFormatChanged();
}

void TcxCustomTextEditProperties::SetEchoMode(TcxEditEchoMode value) {
    StoreChanged(this, echoMode_, value);
}

AnsiString TcxCustomTextEditProperties::EditFormat() {
    bool isCurrency, useProviderText;
    AnsiString format;
    GetEditFormatInfo(isCurrency, useProviderText, format, nullptr);
    return format;
}

void TcxCustomTextEditProperties::SetEditFormat(const AnsiString& value) {
    if (AssignedValues()->EditFormat() && editFormat_ == value) return;
    TUpdateScope update(this);
    editFormat_ = value;
    AssignedValues()->SetEditFormat(true);
    NotifyChanged();
}

void TcxCustomTextEditProperties::SetHighlightListSelection(bool value) {
    if (highlightListSelection_ == value) return;
    highlightListSelection_ = value;
    if (GetEditingStyle() == tesFixedList) NotifyChanged();
}

void TcxCustomTextEditProperties::SetNoTextEditing(bool value) {
    StoreChanged(this, noTextEditing_, value);
}

void TcxCustomTextEditProperties::SetHideSelection(bool value) {
    StoreChanged(this, hideSelection_, value);
}

void TcxCustomTextEditProperties::SetImeMode(TImeMode value) {
    StoreChanged(this, imeMode_, value);
}

void TcxCustomTextEditProperties::SetImeName(const AnsiString& value) {
    StoreChanged(this, imeName_, value);
}

void TcxCustomTextEditProperties::SetImmediateUpdateText(bool value) {
    StoreChanged(this, immediateUpdateText_, value);
}

void TcxCustomTextEditProperties::SetIncrementalSearch(bool value) {
    StoreChanged(this, incrementalSearch_, value);
}

int TcxCustomTextEditProperties::MaxLength() {
    return AssignedValues()->MaxLength() ? maxLength_ : GetDefaultMaxLength();
}

void TcxCustomTextEditProperties::SetMaxLength(int value) {
    if (value < 0) value = 0;
    if (AssignedValues()->MaxLength() && maxLength_ == value) return;
    TUpdateScope update(this);
    maxLength_ = value;
    AssignedValues()->SetMaxLength(true);
    MaxLengthChanged();
}

void TcxCustomTextEditProperties::SetExactLookupMatch(bool value) {
    StoreChanged(this, exactLookupMatch_, value);
}

void TcxCustomTextEditProperties::SetOEMConvert(bool value) {
    StoreChanged(this, oemConvert_, value);
}

void TcxCustomTextEditProperties::SetPasswordChar(char value) {
    StoreChanged(this, passwordChar_, value);
}

void TcxCustomTextEditProperties::SetUseDisplayFormatWhenEditing(bool value) {
    StoreChanged(this, useDisplayFormatWhenEditing_, value);
}

int TcxCustomTextEditProperties::ViewMode() {
    switch (ButtonLayoutMode()) {
    case 1: return 2;
    case 2: return 3;
    default: return noTextEditing_ ? 1 : 0;
    }
}

void TcxCustomTextEditProperties::SetViewMode(int value) {
    if (value < 0 || value > 3 || value == ViewMode()) return;
    static constexpr uint8_t layouts[] = {0, 0, 1, 2};
    TUpdateScope update(this);
    SetButtonLayoutMode(layouts[value]);
    SetNoTextEditing(value != 0);
}

void TcxCustomTextEditProperties::NotifyFormatChanged() {
    formatChanging_ = true;
    struct TReset {
        bool& flag;
        ~TReset() { flag = false; }
    } reset{formatChanging_};
    NotifyChanged();
}

void TcxCustomTextEditProperties::CheckValueBounds(Variant& displayValue, AnsiString& errorText,
                                                   TcxCustomEdit* edit, bool& error) {
    Variant value = displayValue;
    if (edit) edit->ConvertDisplayToEdit(value, edit->IsFocusedForConversion());
    if (!value.IsNumeric() && value.VarType() != varDate) return;
    double number = value.AsDouble();
    if ((IsBoundActive(0) && number < MinValue()) || (IsBoundActive(1) && number > MaxValue())) {
        error = true;
        errorText = cxSEditValueOutOfBounds;
    }
}

bool TcxCustomTextEditProperties::IsLookupItemText(const AnsiString& text) {
    for (int i = 0; i < lookupItems_->Count(); ++i)
        if (AnsiSameText(lookupItems_->Strings(i), text)) return true;
    return false;
}

int TcxCustomTextEditProperties::GetDefaultMaxLength() {
    return DefaultValuesProvider() ? DefaultValuesProvider()->MaxLengthPreset() : 0;
}

TClass TcxCustomTextEditProperties::LookupDataClass() {
    return TcxCustomTextEditLookupData::StaticClass();
}

void TcxCustomTextEditProperties::GetEditFormatInfo(bool& isCurrency, bool& useProviderText, AnsiString& format,
                                                    TcxCustomEdit* edit) {
    isCurrency = false;
    useProviderText = false;
    format.clear();
    if (AssignedValues()->EditFormat()) {
        format = editFormat_;
        return;
    }
    IcxEditDefaultValuesProvider* provider = DefaultValuesProvider();
    if ((!edit || !edit->IsInplace()) && provider && provider->HasTextHandler()) {
        useProviderText = true;
        return;
    }
    if (provider && !provider->EditFormatPreset().empty()) {
        format = provider->EditFormatPreset();
        return;
    }
    if (AssignedValues()->DisplayFormat()) {
        format = displayFormat_;
    } else if (provider && !provider->DisplayFormatPreset().empty()) {
        format = provider->DisplayFormatPreset();
    } else if (!GetDefaultDisplayFormat().empty()) {
        format = GetDefaultDisplayFormat();
    } else if (provider && (GetDisplayFormatOptions() & dfoProviderDisplayForm) == 0) {
        isCurrency = provider->IsCurrencyValue();
    }
    if (!useDisplayFormatWhenEditing_) format.clear();
}

bool TcxCustomTextEditProperties::IsBoundActive(int which) {
    bool minAssigned = AssignedValues()->MinValue();
    bool maxAssigned = AssignedValues()->MaxValue();
    if (minAssigned != maxAssigned) return which == 0 ? minAssigned : maxAssigned;
    return MaxValue() > MinValue();
}

AnsiString TcxCustomTextEditProperties::TransformDisplayText(const AnsiString& text) {
    if (echoMode_ == eemPassword) return AnsiString(static_cast<size_t>(CharCount(text)), passwordChar_ ? passwordChar_ : '*');
    switch (charCase_) {
    case ecUpperCase: return AnsiUpperCase(text);
    case ecLowerCase: return AnsiLowerCase(text);
    default: return text;
    }
}

bool TcxCustomTextEditProperties::AcceptsLookupValue(Variant& value) {
    AnsiString text = VarToStr(value);
    TcxTextEditingStyle style = GetEditingStyle();
    if (!text.empty() && (style == tesListText || style == tesFixedList) && UsesLookupData() &&
        !IsLookupItemText(text))
        return false;
    if (charCase_ != ecNormal) {
        AnsiString converted = charCase_ == ecUpperCase ? AnsiUpperCase(text) : AnsiLowerCase(text);
        if (converted != text || !value.IsString()) value = converted;
    }
    return true;
}

AnsiString TcxCustomTextEditProperties::FormatNumber(const Variant& value, bool editFocused) {
    const TFormatSettings& fs = FormatSettings();
    auto number = [&] {
        double d;
        if (value.IsString()) {
            if (!TryStrToFloat(value.AsAnsiString(), d, fs)) return value.AsDouble();
            return d;
        }
        return value.AsDouble();
    };
    if (!editFocused) {
        AnsiString display = DisplayFormat();
        if (!display.empty()) return FormatFloat(display, number(), fs);
        return VarToStr(value);
    }
    bool isCurrency, useProviderText;
    AnsiString format;
    GetEditFormatInfo(isCurrency, useProviderText, format, nullptr);
    int precision = DefaultValuesProvider() ? DefaultValuesProvider()->PrecisionPreset() : 15;
    if (precision <= 0) precision = 15;
    TBcd bcd;
    if (isCurrency) {
        if (TBcd::TryFromString(VarToStr(value), bcd))
            return FloatToStrFixed(bcd.ToDouble(), precision, fs.CurrencyDecimals, fs);
        return VarToStr(value);
    }
    if (!format.empty()) return FormatFloat(format, number(), fs);
    if (!TBcd::TryFromString(VarToStr(value), bcd)) return VarToStr(value);
    AnsiString text = FloatToStrPrecision(bcd.ToDouble(), precision, fs);
    if (UsesThousandSeparator()) text = FormatNumberWithThousands(text, fs);
    return text;
}

void TcxCustomTextEditProperties::EditValueToDisplay(const Variant& editValue, Variant& displayValue,
                                                     bool isFocused) {
    if (IsNumericDisplay()) {
        if (editValue.IsEmptyOrNull()) {
            displayValue = AnsiString();
        } else if (editValue.IsNumeric() || editValue.IsString()) {
            displayValue = FormatNumber(editValue, isFocused);
        } else {
            throw EConvertError(cxSEditNumericValueConvertError);
        }
        return;
    }
    if (VarIsArray(editValue)) displayValue = AnsiString();
    else displayValue = VarToStr(editValue);
}

AnsiString TcxCustomTextEditProperties::PrepareDisplayValue(const Variant& value, bool editFocused) {
    if (IsEditValueValid(value)) {
        Variant display;
        EditValueToDisplay(value, display, editFocused);
        return VarToStr(display);
    }
    if (value.VarType() == varDate) return DateTimeToStr(value.AsDateTime());
    return VarToStr(value);
}

WideString TcxCustomTextEditProperties::FormatDisplayText(const Variant& value) {
    AnsiString text = UsesProviderDisplayFormat() ? VarToStr(value) : PrepareDisplayValue(value, false);
    return AnsiToWide(TransformDisplayText(text));
}

bool TcxCustomTextEditProperties::SameDisplayValue(const Variant& a, const Variant& b) {
    return FormatDisplayText(a) == FormatDisplayText(b);
}

unsigned TcxCustomTextEditProperties::GetSupportedOperations() {
    return TcxCustomEditProperties::GetSupportedOperations() | 0x15E;
}

bool TcxCustomTextEditProperties::IsEditValueValid(const Variant& value) {
    if (value.IsNull() || !value.IsString()) return true;
    Variant copy = value;
    return AcceptsLookupValue(copy);
}

void TcxCustomTextEditProperties::ValidateDisplayValue(Variant& displayValue, AnsiString& errorText,
                                                       IcxEditSide* edit, bool& error) {
    if (IsNumericDisplay() && HasValueBounds())
        CheckValueBounds(displayValue, errorText, dynamic_cast<TcxCustomEdit*>(edit), error);
    TcxCustomEditProperties::ValidateDisplayValue(displayValue, errorText, edit, error);
}

void TcxCustomTextEditProperties::HandleAlignmentChange(TObject* sender) {
    TUpdateScope update(this);
    TcxCustomEditProperties::HandleAlignmentChange(sender);
}

void TcxCustomTextEditProperties::SetAlignment(TcxEditAlignment* value) {
    TUpdateScope update(this);
    TcxCustomEditProperties::SetAlignment(value);
}

void TcxCustomTextEditProperties::DefineProperties(TFiler* filer) {
    TcxCustomEditProperties::DefineProperties(filer);
    // Older stored forms flag an assigned display format on its own.
    filer->DefineProperty(
        "IsDisplayFormatAssigned",
        [this](TReader& reader) { AssignedValues()->SetDisplayFormat(reader.ReadBoolean()); }, nullptr, false);
}

void TcxCustomTextEditProperties::Assign(TPersistent* source) {
    auto* text = dynamic_cast<TcxCustomTextEditProperties*>(source);
    if (!text) {
        TcxCustomEditProperties::Assign(source);
        return;
    }
    if (text == this) return;
    TUpdateScope update(this);
    TcxCustomEditProperties::Assign(source);
    SetCharCase(text->charCase_);
    SetEchoMode(text->echoMode_);
    SetHighlightListSelection(text->highlightListSelection_);
    SetNoTextEditing(text->noTextEditing_);
    SetHideSelection(text->hideSelection_);
    SetImmediateUpdateText(text->immediateUpdateText_);
    SetIncrementalSearch(text->incrementalSearch_);
    SetExactLookupMatch(text->exactLookupMatch_);
    AllowedChars = text->AllowedChars;
    lookupItems_->SetSorted(false);
    lookupItems_->Assign(text->lookupItems_.get());
    lookupItems_->SetSorted(text->lookupItems_->Sorted());
    AssignedValues()->SetDisplayFormat(false);
    AssignedValues()->SetEditFormat(false);
    AssignedValues()->SetMaxLength(false);
    if (text->AssignedValues()->DisplayFormat()) SetDisplayFormat(text->displayFormat_);
    if (text->AssignedValues()->EditFormat()) SetEditFormat(text->editFormat_);
    if (text->AssignedValues()->MaxLength()) SetMaxLength(text->maxLength_);
    SetOEMConvert(text->oemConvert_);
    SetImeMode(text->imeMode_);
    SetImeName(text->imeName_);
    SetPasswordChar(text->passwordChar_);
    SetUseDisplayFormatWhenEditing(text->useDisplayFormatWhenEditing_);
    OnNewLookupDisplayText = text->OnNewLookupDisplayText;
}

// --- filters --------------------------------------------------------------------------------------

void TcxFilterTextEditHelper::SetUpFilterProperties(TcxCustomEditProperties* properties,
                                                    TcxCustomEditProperties* source, bool keepButtons) const {
    TcxCustomFilterEditHelper::SetUpFilterProperties(properties, source, keepButtons);
    auto* text = dynamic_cast<TcxCustomTextEditProperties*>(properties);
    if (!text) return;
    text->SetAutoSelect(true);
    text->SetHideSelection(true);
    text->SetViewMode(0);
}

void TcxFilterTextEditHelper::PutFilterValue(TcxCustomEdit* edit, TcxCustomEditProperties*,
                                             const Variant& value) const {
    if (edit) edit->SetEditValue(value);
}

// --- unit -------------------------------------------------------------------------------------------

namespace {
UINT redrawMisspellsMessage = 0;
} // namespace

UINT WM_REDRAWMISSPELLS() {
    return redrawMisspellsMessage;
}

void TextEditInitialize() {
    redrawMisspellsMessage = RegisterWindowMessageA("WM_REDRAWMISSPELLS");
    GetEditPropertiesClassList()->Register(TcxTextEditProperties::StaticClass(), scxSEditRepositoryTextItem);
    GetFilterEditsController()->Register(TcxTextEditProperties::StaticClass(),
                                         FilterEditHelperClass<TcxFilterTextEditHelper>());
}

void TextEditFinalize() {
    GetFilterEditsController()->Unregister(TcxTextEditProperties::StaticClass(),
                                           FilterEditHelperClass<TcxFilterTextEditHelper>());
    if (EditPropertiesClassListExists())
        GetEditPropertiesClassList()->Unregister(TcxTextEditProperties::StaticClass());
    redrawMisspellsMessage = 0;
}
