#include "ui/editors/MaskEditProperties.h"

#include "ui/editors/MaskEdit.h"

#include "ui/editors/framework/EditRegistration.h"
#include "ui/editors/framework/EditorStrings.h"
#include "ui/editors/framework/ScopeExit.h"

namespace {

// The side of a mode that only formats texts: no window, no selection, no keys.
class TWindowlessMaskEditSide : public IcxMaskEditSide {
public:
    bool HandleAllocated() const override { return false; }
    int SelStart() const override { return 0; }
    int SelLength() const override { return 0; }
    int CaretPos() const override { return 0; }
    void SetSelStart(int) override {}
    void SetSelStartGuarded(int) override {}
    void SetSelLengthGuarded(int) override {}
    AnsiString DisplayText() const override { return {}; }
    void WriteDisplayValue(const AnsiString&) override {}
    void PutDisplayValue(const AnsiString&) override {}
    void SendKeyDown(unsigned short) override {}
    void SendChar(char) override {}
    bool ShiftHeld() const override { return false; }
    void SetShiftHeld(bool) override {}
    void BeepIfAllowed() override {}
};

template <class T>
std::unique_ptr<TcxMaskEditCustomMode> MakeMode(IcxMaskEditSide* edit, const TcxMaskModeProperties& properties) {
    return std::make_unique<T>(edit, properties);
}

} // namespace

TcxCustomMaskEditProperties::TcxCustomMaskEditProperties(TPersistent* owner)
    : TcxCustomTextEditProperties(owner), tempSide_(std::make_unique<TWindowlessMaskEditSide>()) {
    ValidateOnEnter = true;
}

TcxCustomMaskEditProperties::~TcxCustomMaskEditProperties() = default;

void TcxCustomMaskEditProperties::SetAlwaysShowBlanksAndLiterals(bool value) {
    if (alwaysShowBlanksAndLiterals_ == value) return;
    alwaysShowBlanksAndLiterals_ = value;
    NotifyChanged();
}

void TcxCustomMaskEditProperties::SetCaseInsensitive(bool value) {
    if (CharCase() != ecNormal) value = true;
    if (caseInsensitive_ == value) return;
    caseInsensitive_ = value;
    NotifyChanged();
}

void TcxCustomMaskEditProperties::SetCharCase(TEditCharCase value) {
    BeginUpdate();
    TScopeExit endUpdate([this] { EndUpdate(true); });
    if (value != ecNormal) SetCaseInsensitive(true);
    TcxCustomTextEditProperties::SetCharCase(value);
}

void TcxCustomMaskEditProperties::CheckMask(TcxEditMaskKind kind, const AnsiString& mask) {
    if (TcxMaskEditCustomMode::IsBlankMask(mask)) return;
    TWindowlessMaskEditSide side;
    GetModeClass(kind)(&side, ModeProperties())->ApplyMask(mask);
}

void TcxCustomMaskEditProperties::SetEditMask(const TcxEditMask& value) {
    if (value == EffectiveEditMask()) {
        editMask_ = value;
        return;
    }
    CheckMask(maskKind_, value);
    editMask_ = value;
    NotifyChanged();
}

void TcxCustomMaskEditProperties::SetIgnoreMaskBlank(bool value) {
    if (ignoreMaskBlank_ == value) return;
    ignoreMaskBlank_ = value;
    NotifyChanged();
}

void TcxCustomMaskEditProperties::SetMaskKind(TcxEditMaskKind value) {
    if (maskKind_ == value) return;
    // A regular expression is no standard mask.
    const bool clearsMask = value == emkStandard;
    if (!clearsMask) CheckMask(value, editMask_);
    BeginUpdate();
    TScopeExit endUpdate([this] { EndUpdate(true); });
    maskKind_ = value;
    if (clearsMask) editMask_.clear();
    NotifyChanged();
}

AnsiString TcxCustomMaskEditProperties::EffectiveEditMask() {
    if (maskKind_ == emkStandard && TcxMaskEditCustomMode::IsBlankMask(editMask_))
        return DefaultValuesProvider() ? DefaultValuesProvider()->EditMaskPreset() : AnsiString();
    return editMask_;
}

TcxMaskEditModeClass TcxCustomMaskEditProperties::GetModeClass(TcxEditMaskKind kind) {
    switch (kind) {
    case emkStandard: return MakeMode<TcxMaskEditStandardMode>;
    case emkRegExpr: return MakeMode<TcxMaskEditRegExprMode>;
    default: return MakeMode<TcxMaskEditRegExprExMode>;
    }
}

TcxMaskModeProperties TcxCustomMaskEditProperties::ModeProperties() {
    TcxMaskModeProperties properties;
    properties.CaseInsensitive = caseInsensitive_;
    properties.IgnoreMaskBlank = ignoreMaskBlank_;
    properties.CharCase = CharCase();
    return properties;
}

TcxMaskEditCustomMode* TcxCustomMaskEditProperties::TempMode() {
    const AnsiString mask = EffectiveEditMask();
    if (TcxMaskEditCustomMode::IsBlankMask(mask)) {
        tempMode_.reset();
        return nullptr;
    }
    if (!tempMode_ || tempMode_->KindOfMode() != maskKind_ || tempMode_->EditMask != mask) {
        tempMode_.reset();
        auto mode = GetModeClass(maskKind_)(tempSide_.get(), ModeProperties());
        mode->ApplyMask(mask);
        tempMode_ = std::move(mode);
    }
    return tempMode_.get();
}

AnsiString TcxCustomMaskEditProperties::FormatValue(const Variant& value, bool isFocused) {
    Variant display;
    EditValueToDisplay(value, display, isFocused);
    return VarToStr(display);
}

void TcxCustomMaskEditProperties::Assign(TPersistent* source) {
    auto* mask = dynamic_cast<TcxCustomMaskEditProperties*>(source);
    if (!mask || mask == this) {
        TcxCustomTextEditProperties::Assign(source);
        return;
    }
    // The pair assigned is checked as a whole, before anything changes: a kind and a mask that only
    // compile together are taken.
    const TcxEditMaskKind kind = mask->maskKind_;
    const AnsiString editMask = mask->EffectiveEditMask();
    if (kind != maskKind_ || editMask != EffectiveEditMask()) CheckMask(kind, editMask);
    BeginUpdate();
    TScopeExit endUpdate([this] { EndUpdate(true); });
    TcxCustomTextEditProperties::Assign(source);
    if (maskKind_ != kind || editMask_ != editMask) {
        maskKind_ = kind;
        editMask_ = editMask;
        NotifyChanged();
    }
    SetCaseInsensitive(mask->caseInsensitive_);
    SetIgnoreMaskBlank(mask->ignoreMaskBlank_);
    SetAlwaysShowBlanksAndLiterals(mask->alwaysShowBlanksAndLiterals_);
}

void TcxCustomMaskEditProperties::NotifyChanged() {
    tempMode_.reset();
    TcxCustomTextEditProperties::NotifyChanged();
}

void TcxCustomMaskEditProperties::MaxLengthChanged() {
    if (maxLengthSetting_ || !IsMasked()) {
        TcxCustomTextEditProperties::MaxLengthChanged();
        return;
    }
    // A masked editor takes as many characters as its mask has room for.
    BeginUpdate();
    TScopeExit endUpdate([this] { EndUpdate(true); });
    maxLengthSetting_ = true;
    TScopeExit reset([this] { maxLengthSetting_ = false; });
    SetMaxLength(0);
}

unsigned TcxCustomMaskEditProperties::GetDisplayFormatOptions() {
    return IsMasked() ? 0 : TcxCustomTextEditProperties::GetDisplayFormatOptions();
}

TClass TcxCustomMaskEditProperties::LookupDataClass() {
    return IsMasked() ? nullptr : TcxCustomTextEditProperties::LookupDataClass();
}

bool TcxCustomMaskEditProperties::IsEditValueValid(const Variant& value) {
    return IsMasked() || TcxCustomTextEditProperties::IsEditValueValid(value);
}

void TcxCustomMaskEditProperties::EditValueToDisplay(const Variant& editValue, Variant& displayValue,
                                                     bool isFocused) {
    IcxEditDefaultValuesProvider* provider = DefaultValuesProvider();
    if (!IsMasked() || (!isFocused && provider && provider->HasDisplayFormat(true))) {
        TcxCustomTextEditProperties::EditValueToDisplay(editValue, displayValue, isFocused);
        return;
    }
    const AnsiString text = VarIsArray(editValue) ? AnsiString() : VarToStr(editValue);
    TcxMaskEditCustomMode* mode = TempMode();
    if (!mode) {
        displayValue = AnsiString();
        return;
    }
    if (isFocused || mode->KindOfMode() != emkStandard || alwaysShowBlanksAndLiterals_)
        displayValue = mode->FitToMask(text, false);
    else
        displayValue = mode->DisplayToValue(text, false);
}

Variant TcxCustomMaskEditProperties::GetEmptyDisplayValue() {
    TcxMaskEditCustomMode* mode = TempMode();
    if (!mode) return TcxCustomTextEditProperties::GetEmptyDisplayValue();
    return Variant(mode->FitToMask(mode->EmptyValueOfMask(), false));
}

void TcxCustomMaskEditProperties::ValidateDisplayValue(Variant& displayValue, AnsiString& errorText,
                                                       IcxEditSide* edit, bool& error) {
    if (!error && IsMasked()) {
        TcxMaskEditCustomMode* mode = TempMode();
        if (mode && !mode->IsTextValid(VarToStr(displayValue))) {
            error = true;
            errorText = GetResourceStringText(&scxMaskEditInvalidEditValue);
        }
    }
    TcxCustomTextEditProperties::ValidateDisplayValue(displayValue, errorText, edit, error);
}

// --- filters --------------------------------------------------------------------------------------

TClass TcxFilterMaskEditHelper::FilterEditorClass() const {
    return TcxMaskEdit::StaticClass();
}

void TcxFilterMaskEditHelper::ListFilterOperatorsFor(TcxCustomEditProperties* properties,
                                                     TcxValueTypeClass valueType, TcxFilterOperators& operators,
                                                     bool extended) const {
    ListFilterOperators(valueType, operators, extended);
    auto* mask = dynamic_cast<TcxCustomMaskEditProperties*>(properties);
    if (mask && mask->IsMasked()) {
        operators.reset(7);
        operators.reset(8);
    }
}

void TcxFilterMaskEditHelper::SetUpFilterProperties(TcxCustomEditProperties* properties,
                                                    TcxCustomEditProperties* source, bool keepButtons) const {
    TcxFilterTextEditHelper::SetUpFilterProperties(properties, source, keepButtons);
    auto* mask = dynamic_cast<TcxCustomMaskEditProperties*>(properties);
    if (!mask) return;
    if (mask->MaskKind() == emkRegExpr) mask->SetMaskKind(emkRegExprEx);
    mask->SetAutoSelect(!mask->IsMasked());
}

// --- unit -------------------------------------------------------------------------------------------

void MaskEditInitialize() {
    GetEditPropertiesClassList()->Register(TcxMaskEditProperties::StaticClass(), scxSEditRepositoryMaskItem);
    GetFilterEditsController()->Register(TcxMaskEditProperties::StaticClass(),
                                         FilterEditHelperClass<TcxFilterMaskEditHelper>());
}

void MaskEditFinalize() {
    GetFilterEditsController()->Unregister(TcxMaskEditProperties::StaticClass(),
                                           FilterEditHelperClass<TcxFilterMaskEditHelper>());
    if (EditPropertiesClassListExists())
        GetEditPropertiesClassList()->Unregister(TcxMaskEditProperties::StaticClass());
}
