#pragma once
// The spin editor's settings: a mask editor for one number (whole or floating), stepped up and
// down by buttons, keys and the wheel inside optional bounds, clamped or wrapping around. The
// stepping arithmetic lives here so that it needs no window.
#include <functional>

#include "ui/editors/MaskEditProperties.h"

enum TcxSpinEditButtonsPosition : uint8_t { sbpHorzLeftRight, sbpHorzRight, sbpVert };
enum TcxSpinEditValueType : uint8_t { vtInt, vtFloat };

// Sender, the text (read only), the value (out), the error text and the error flag (in and out).
using TcxSpinEditGetValueEvent =
    std::function<void(TObject* Sender, const AnsiString& AText, Variant& AValue, AnsiString& ErrorText, bool& Error)>;

class TcxCustomSpinEditProperties;

// Where the spin buttons go and whether the fast ones show.
class TcxSpinEditButtons : public TPersistent {
public:
    VZ_CLASS(TcxSpinEditButtons, TPersistent)
    explicit TcxSpinEditButtons(TcxCustomSpinEditProperties* owner = nullptr) : OwnerProperties(owner) {}

    TcxSpinEditButtonsPosition Position() const { return position_; }
    void SetPosition(TcxSpinEditButtonsPosition value);
    bool ShowFastButtons() const { return showFastButtons_; }
    void SetShowFastButtons(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    // 4 with the fast buttons, 2 without, 0 hidden.
    int Count() const { return visible_ ? (showFastButtons_ ? 4 : 2) : 0; }
    void Assign(TPersistent* source) override;

    TcxCustomSpinEditProperties* OwnerProperties;

private:
    void Changed();

    TcxSpinEditButtonsPosition position_ = sbpVert;
    bool showFastButtons_ = false;
    bool visible_ = true;
};

// Whether ValueType was set, beside the text editor's flags. Never stored.
class TcxSpinEditPropertiesValues : public TcxTextEditPropertiesValues {
public:
    VZ_CLASS(TcxSpinEditPropertiesValues, TcxTextEditPropertiesValues)
    explicit TcxSpinEditPropertiesValues(TcxCustomEditProperties* owner = nullptr)
        : TcxTextEditPropertiesValues(owner) {}

    bool ValueType() const { return valueType_; }
    void SetValueType(bool value) { valueType_ = value; }
    void ResetAssigned() override;
    void Assign(TPersistent* source) override;

private:
    bool valueType_ = false;
};

// Spin button indexes, also the order of the edit buttons.
enum : int { spbDecrement = 0, spbIncrement = 1, spbFastDecrement = 2, spbFastIncrement = 3 };

class TcxCustomSpinEditProperties : public TcxCustomMaskEditProperties {
public:
    VZ_CLASS(TcxCustomSpinEditProperties, TcxCustomMaskEditProperties)
    explicit TcxCustomSpinEditProperties(TPersistent* owner = nullptr);
    ~TcxCustomSpinEditProperties() override;

    TcxSpinEditPropertiesValues* AssignedValues() {
        return static_cast<TcxSpinEditPropertiesValues*>(TcxCustomEditProperties::AssignedValues());
    }

    // --- settings
    bool CanEdit() const { return canEdit_; }
    void SetCanEdit(bool value);
    // Wrap-around stepping (not stored).
    bool Circular() const { return circular_; }
    void SetCircular(bool value);
    bool ExceptionOnInvalidInput() const { return exceptionOnInvalidInput_; }
    void SetExceptionOnInvalidInput(bool value);
    double Increment() const { return increment_; }
    void SetIncrement(double value);
    bool IsIncrementStored() const { return increment_ != 1.0; }
    double LargeIncrement() const { return largeIncrement_; }
    void SetLargeIncrement(double value);
    bool IsLargeIncrementStored() const { return largeIncrement_ != 10.0; }
    TcxSpinEditButtons* SpinButtons() const { return spinButtons_.get(); }
    void SetSpinButtons(TcxSpinEditButtons* value) { spinButtons_->Assign(value); }
    bool UseCtrlIncrement() const { return useCtrlIncrement_; }
    void SetUseCtrlIncrement(bool value);
    // The own type when set; else, with a provider, vtFloat for a float field and vtInt otherwise;
    // else vtFloat.
    TcxSpinEditValueType ValueType();
    void SetValueType(TcxSpinEditValueType value);
    bool IsValueTypeStored() { return AssignedValues()->ValueType(); }
    TcxSpinEditGetValueEvent OnGetValue;

    // --- values
    // A number of the value type: a Double, or an Int64 rounded to nearest (ties to even) and
    // saturated at the Int64 limits; NaN counts as 0.
    Variant ToValueTypeNumber(double value);
    // A numeric value of the value type (whole numbers keep every digit).
    Variant ToValueType(const Variant& value);
    // True with the typed value when the text is a number of the value type.
    bool TextToValue(const AnsiString& text, Variant& value);
    // MaxValue (typed) while the maximum bound is active, else the type's maximum.
    void GetMaxBound(Variant& value);
    // MinValue (typed) while the minimum bound is active, else the type's minimum.
    void GetMinBound(Variant& value);
    // A numeric value past an active bound becomes that bound.
    Variant ClampToBounds(const Variant& value);
    // Null or Empty as 0, typed.
    virtual void PrepareValue(const Variant& value, Variant& result);
    virtual bool IsValueLimited() { return true; }
    // 2 circular, 1 clamped, 0 unbounded.
    int GetBoundMode();
    virtual bool CanCheckBounds() { return true; }
    virtual bool KeepsSelectionOnSpin() { return false; }
    // The typed step of a spin button: LargeIncrement for the fast buttons, negative downwards.
    Variant GetIncrement(int index);
    // The value one spin of the button gives from value (typed); False when nothing changes.
    bool CalculateSpinValue(const Variant& value, int index, Variant& result);
    // The check of a value the user leaves: Null as 0; out of bounds clamped, or an error with
    // "Value out of bounds" under ExceptionOnInvalidInput.
    void CheckSpinValue(Variant& value, AnsiString& errorText, bool& error);

    // --- overrides
    void Assign(TPersistent* source) override;
    void DefineProperties(TFiler* filer) override;
    void NotifyChanged() override;
    TClass AssignedValuesClass() const override { return TcxSpinEditPropertiesValues::StaticClass(); }
    bool IsEditValueValid(const Variant& value) override;

private:
    bool canEdit_ = true;
    bool circular_ = false;
    bool exceptionOnInvalidInput_ = false;
    double increment_ = 1.0;
    double largeIncrement_ = 10.0;
    std::unique_ptr<TcxSpinEditButtons> spinButtons_;
    bool useCtrlIncrement_ = false;
    TcxSpinEditValueType valueType_ = vtFloat;
    bool syncingButtons_ = false;
};

// The published spin editor settings.
class TcxSpinEditProperties : public TcxCustomSpinEditProperties {
public:
    VZ_CLASS(TcxSpinEditProperties, TcxCustomSpinEditProperties)
    explicit TcxSpinEditProperties(TPersistent* owner = nullptr) : TcxCustomSpinEditProperties(owner) {}
};
