#include "ui/editors/SpinEditProperties.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/core/Filer.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"
#include "ui/editors/framework/EditButtons.h"
#include "ui/editors/framework/EditError.h"
#include "ui/editors/framework/EditorStrings.h"

namespace {

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();

using TUpdateScope = TcxPropertiesUpdateScope;

Variant Int64Value(int64_t value) { return Variant::FromInteger(value, varInt64); }

// a - b, held at the Int64 limits where it does not fit.
int64_t SaturatedSub(int64_t a, int64_t b) {
    int64_t result;
    if (!__builtin_sub_overflow(a, b, &result)) return result;
    return b < 0 ? kInt64Max : kInt64Min;
}

// One step of value by step inside [lo, hi], value lying in it: mode 1 stops at the bound,
// mode 2 wraps around (landing on the opposite bound when the wrap would still leave the range),
// mode 0 refuses a step past the type's limits.
template <typename T>
bool StepInside(T value, T step, T lo, T hi, int mode, T& result) {
    T roomBelow, roomAbove;
    if constexpr (std::is_same_v<T, int64_t>) {
        roomBelow = SaturatedSub(lo, value);
        roomAbove = SaturatedSub(hi, value);
    } else {
        roomBelow = lo - value;
        roomAbove = hi - value;
    }
    if (roomBelow <= step && step <= roomAbove) {
        result = value + step;
        return true;
    }
    bool up = step > roomAbove;
    if (mode == 1) {
        result = up ? hi : lo;
        return true;
    }
    if (mode != 2) return false;
    T wrapped;
    bool fits;
    if (up) {
        // step > roomAbove >= 0, so the offset is in 0 .. step - 1
        T offset = step - 1 - roomAbove;
        if constexpr (std::is_same_v<T, int64_t>)
            fits = !__builtin_add_overflow(lo, offset, &wrapped);
        else
            fits = true, wrapped = lo + offset;
        result = fits && wrapped >= lo && wrapped <= hi ? wrapped : lo;
    } else {
        // step < roomBelow <= 0, so the offset is in step + 1 .. 0
        T offset = step + 1 - roomBelow;
        if constexpr (std::is_same_v<T, int64_t>)
            fits = !__builtin_add_overflow(hi, offset, &wrapped);
        else
            fits = true, wrapped = hi + offset;
        result = fits && wrapped >= lo && wrapped <= hi ? wrapped : hi;
    }
    return true;
}

template <typename T>
bool SpinNumber(T value, T step, T lo, T hi, int mode, bool increasing, T& result) {
    if (value > hi) {
        if (increasing && mode != 2) return false;
        result = increasing ? lo : hi;
        return true;
    }
    if (value < lo) {
        if (!increasing && mode != 2) return false;
        result = increasing ? lo : hi;
        return true;
    }
    return StepInside(value, step, lo, hi, mode, result);
}

} // namespace

// ---------------------------------------------------------------------------------------------
void TcxSpinEditButtons::Changed() {
    if (OwnerProperties) OwnerProperties->NotifyChanged();
}

void TcxSpinEditButtons::SetPosition(TcxSpinEditButtonsPosition value) {
    if (position_ == value) return;
    position_ = value;
    Changed();
}

void TcxSpinEditButtons::SetShowFastButtons(bool value) {
    if (showFastButtons_ == value) return;
    showFastButtons_ = value;
    Changed();
}

void TcxSpinEditButtons::SetVisible(bool value) {
    if (visible_ == value) return;
    visible_ = value;
    Changed();
}

void TcxSpinEditButtons::Assign(TPersistent* source) {
    auto* buttons = dynamic_cast<TcxSpinEditButtons*>(source);
    if (!buttons) {
        TPersistent::Assign(source);
        return;
    }
    TUpdateScope update(OwnerProperties);
    SetPosition(buttons->position_);
    SetShowFastButtons(buttons->showFastButtons_);
    SetVisible(buttons->visible_);
}

// ---------------------------------------------------------------------------------------------
void TcxSpinEditPropertiesValues::ResetAssigned() {
    TUpdateScope update(Owner);
    TcxTextEditPropertiesValues::ResetAssigned();
    valueType_ = false;
}

void TcxSpinEditPropertiesValues::Assign(TPersistent* source) {
    TUpdateScope update(Owner);
    TcxTextEditPropertiesValues::Assign(source);
    if (auto* values = dynamic_cast<TcxSpinEditPropertiesValues*>(source)) valueType_ = values->valueType_;
}

// ---------------------------------------------------------------------------------------------
TcxCustomSpinEditProperties::TcxCustomSpinEditProperties(TPersistent* owner)
    : TcxCustomMaskEditProperties(owner) {
    Buttons()->Add();
    Buttons()->Add();
    spinButtons_ = std::make_unique<TcxSpinEditButtons>(this);
}

TcxCustomSpinEditProperties::~TcxCustomSpinEditProperties() = default;

void TcxCustomSpinEditProperties::SetCanEdit(bool value) {
    if (canEdit_ == value) return;
    canEdit_ = value;
    NotifyChanged();
}

void TcxCustomSpinEditProperties::SetCircular(bool value) {
    if (circular_ == value) return;
    circular_ = value;
    NotifyChanged();
}

void TcxCustomSpinEditProperties::SetExceptionOnInvalidInput(bool value) {
    if (exceptionOnInvalidInput_ == value) return;
    exceptionOnInvalidInput_ = value;
    NotifyChanged();
}

void TcxCustomSpinEditProperties::SetIncrement(double value) {
    if (increment_ == value) return;
    increment_ = value;
    NotifyChanged();
}

void TcxCustomSpinEditProperties::SetLargeIncrement(double value) {
    if (largeIncrement_ == value) return;
    largeIncrement_ = value;
    NotifyChanged();
}

void TcxCustomSpinEditProperties::SetUseCtrlIncrement(bool value) {
    if (useCtrlIncrement_ == value) return;
    useCtrlIncrement_ = value;
    NotifyChanged();
}

TcxSpinEditValueType TcxCustomSpinEditProperties::ValueType() {
    if (AssignedValues()->ValueType()) return valueType_;
    if (auto* provider = DefaultValuesProvider()) return provider->HoldsFloatValue() ? vtFloat : vtInt;
    return vtFloat;
}

void TcxCustomSpinEditProperties::SetValueType(TcxSpinEditValueType value) {
    if (AssignedValues()->ValueType() && valueType_ == value) return;
    AssignedValues()->SetValueType(true);
    valueType_ = value;
    NotifyChanged();
}

Variant TcxCustomSpinEditProperties::ToValueTypeNumber(double value) {
    if (ValueType() == vtFloat) return Variant(value);
    if (std::isnan(value)) return Int64Value(0);
    // 2^63 is the first double past the Int64 range; -2^63 is its minimum exactly.
    if (value >= 9223372036854775808.0) return Int64Value(kInt64Max);
    if (value <= -9223372036854775808.0) return Int64Value(kInt64Min);
    return Int64Value(static_cast<int64_t>(std::nearbyint(value)));
}

Variant TcxCustomSpinEditProperties::ToValueType(const Variant& value) {
    if (ValueType() == vtInt && value.IsOrdinal()) return Int64Value(value.AsInt64());
    return ToValueTypeNumber(value.AsDouble());
}

bool TcxCustomSpinEditProperties::TextToValue(const AnsiString& text, Variant& value) {
    if (ValueType() == vtFloat) {
        double number;
        if (!TryStrToFloat(text, number, FormatSettings()) || !(std::fabs(number) <= DBL_MAX)) return false;
        value = Variant(number);
        return true;
    }
    int64_t number;
    if (!TryStrToInt64(text, number)) return false;
    value = Int64Value(number);
    return true;
}

void TcxCustomSpinEditProperties::GetMaxBound(Variant& value) {
    if (IsBoundActive(1))
        value = ToValueTypeNumber(MaxValue());
    else
        value = ValueType() == vtFloat ? Variant(DBL_MAX) : Int64Value(kInt64Max);
}

void TcxCustomSpinEditProperties::GetMinBound(Variant& value) {
    if (IsBoundActive(0))
        value = ToValueTypeNumber(MinValue());
    else
        value = ValueType() == vtFloat ? Variant(-DBL_MAX) : Int64Value(kInt64Min);
}

Variant TcxCustomSpinEditProperties::ClampToBounds(const Variant& value) {
    if (!value.IsNumeric()) return value;
    double number = value.AsDouble();
    if (IsBoundActive(0) && number < MinValue()) return Variant(MinValue());
    if (IsBoundActive(1) && number > MaxValue()) return Variant(MaxValue());
    return value;
}

void TcxCustomSpinEditProperties::PrepareValue(const Variant& value, Variant& result) {
    result = ToValueType(value.IsEmptyOrNull() ? Variant(0) : value);
}

int TcxCustomSpinEditProperties::GetBoundMode() {
    if (circular_) return 2;
    return IsValueLimited() ? 1 : 0;
}

Variant TcxCustomSpinEditProperties::GetIncrement(int index) {
    bool fast = index == spbFastDecrement || index == spbFastIncrement;
    bool down = index == spbDecrement || index == spbFastDecrement;
    double step = fast ? largeIncrement_ : increment_;
    if (ValueType() == vtFloat) return Variant(down ? -step : step);
    int64_t whole = ToValueTypeNumber(step).AsInt64();
    // The negation of the Int64 minimum holds at the maximum.
    if (down) whole = whole == kInt64Min ? kInt64Max : -whole;
    return Int64Value(whole);
}

bool TcxCustomSpinEditProperties::CalculateSpinValue(const Variant& value, int index, Variant& result) {
    if (index < spbDecrement || index > spbFastIncrement)
        throw EcxEditError("Spin button index out of range (" + std::to_string(index) + ")");
    Variant typed, lo, hi;
    PrepareValue(value.IsNumeric() ? value : Variant(0), typed);
    GetMinBound(lo);
    GetMaxBound(hi);
    Variant step = GetIncrement(index);
    bool increasing = index == spbIncrement || index == spbFastIncrement;
    int mode = GetBoundMode();
    if (ValueType() == vtInt) {
        int64_t next;
        if (!SpinNumber(typed.AsInt64(), step.AsInt64(), lo.AsInt64(), hi.AsInt64(), mode, increasing, next))
            return false;
        result = Int64Value(next);
    } else {
        double next;
        if (!SpinNumber(typed.AsDouble(), step.AsDouble(), lo.AsDouble(), hi.AsDouble(), mode, increasing, next))
            return false;
        result = Variant(next);
    }
    return true;
}

void TcxCustomSpinEditProperties::CheckSpinValue(Variant& value, AnsiString& errorText, bool& error) {
    if (value.IsEmptyOrNull()) value = ClampToBounds(Variant(0));
    if (!value.IsNumeric()) {
        error = true;
        errorText = cxSSpinEditInvalidNumericValue;
        return;
    }
    Variant lo, hi;
    GetMinBound(lo);
    GetMaxBound(hi);
    Variant typed = ToValueType(value);
    bool below = ValueType() == vtInt ? typed.AsInt64() < lo.AsInt64() : typed.AsDouble() < lo.AsDouble();
    bool above = ValueType() == vtInt ? typed.AsInt64() > hi.AsInt64() : typed.AsDouble() > hi.AsDouble();
    if ((below || above) && exceptionOnInvalidInput_) {
        error = true;
        errorText = cxSEditValueOutOfBounds;
        return;
    }
    value = below ? lo : above ? hi : typed;
}

bool TcxCustomSpinEditProperties::IsEditValueValid(const Variant& value) {
    if (value.IsString()) {
        Variant parsed;
        return TextToValue(value.AsAnsiString(), parsed);
    }
    return value.IsNumeric() || value.VarType() == varDate;
}

void TcxCustomSpinEditProperties::NotifyChanged() {
    if (spinButtons_ && !syncingButtons_) {
        syncingButtons_ = true;
        bool locked = NotifyLocked();
        SuspendChanged(true);
        int wanted = spinButtons_->Count();
        while (Buttons()->Count() < wanted) Buttons()->Add();
        while (Buttons()->Count() > wanted) Buttons()->Delete(0);
        SuspendChanged(locked);
        syncingButtons_ = false;
    }
    TcxCustomMaskEditProperties::NotifyChanged();
}

void TcxCustomSpinEditProperties::Assign(TPersistent* source) {
    auto* spin = dynamic_cast<TcxCustomSpinEditProperties*>(source);
    if (!spin) {
        TcxCustomMaskEditProperties::Assign(source);
        return;
    }
    if (spin == this) return;
    TUpdateScope update(this);
    SetDefaultValuesProvider(spin->DefaultValuesProvider());
    if (spin->AssignedValues()->ValueType())
        SetValueType(spin->valueType_);
    else
        AssignedValues()->SetValueType(false);
    TcxCustomMaskEditProperties::Assign(source);
    SetCanEdit(spin->canEdit_);
    SetCircular(spin->circular_);
    SetExceptionOnInvalidInput(spin->exceptionOnInvalidInput_);
    SetIncrement(spin->increment_);
    SetLargeIncrement(spin->largeIncrement_);
    spinButtons_->Assign(spin->spinButtons_.get());
    SetUseCtrlIncrement(spin->useCtrlIncrement_);
    OnGetValue = spin->OnGetValue;
}

void TcxCustomSpinEditProperties::DefineProperties(TFiler* filer) {
    TcxCustomMaskEditProperties::DefineProperties(filer);
    // A zero step is the one value the default rule cannot tell from "not stored".
    auto* ancestor = dynamic_cast<TcxCustomSpinEditProperties*>(filer->Ancestor);
    filer->DefineProperty(
        "ZeroIncrement", [this](TReader& reader) { if (reader.ReadBoolean()) SetIncrement(0); },
        [](TWriter& writer) { writer.WriteBoolean(true); },
        increment_ == 0 && (!ancestor || ancestor->increment_ != 0));
    filer->DefineProperty(
        "ZeroLargeIncrement", [this](TReader& reader) { if (reader.ReadBoolean()) SetLargeIncrement(0); },
        [](TWriter& writer) { writer.WriteBoolean(true); },
        largeIncrement_ == 0 && (!ancestor || ancestor->largeIncrement_ != 0));
}
