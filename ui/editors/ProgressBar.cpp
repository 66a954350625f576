#include "ui/editors/ProgressBar.h"

#include <algorithm>

#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"
#include "ui/editors/framework/EditRegistration.h"
#include "ui/editors/framework/EditButtons.h"
#include "ui/editors/framework/FilterEditHelper.h"

const char* const ProgressBarAnimationPathNames[2] = {"cxapCycle", "cxapPingPong"};
const char* const ProgressBarBevelOuterNames[3] = {"cxbvNone", "cxbvLowered", "cxbvRaised"};
const char* const ProgressBarOrientationNames[2] = {"cxorHorizontal", "cxorVertical"};
const char* const ProgressBarTextStyleNames[3] = {"cxtsPercent", "cxtsPosition", "cxtsText"};
const char* const ProgressBarBarStyleNames[8] = {"cxbsSolid",       "cxbsLEDs",         "cxbsGradient",
                                                 "cxbsGradientLEDs", "cxbsBitmap",       "cxbsBitmapLEDs",
                                                 "cxbsAnimation",    "cxbsAnimationLEDs"};

bool IsLEDStyle(TcxProgressBarBarStyle style) {
    return style == cxbsLEDs || style == cxbsGradientLEDs || style == cxbsBitmapLEDs ||
           style == cxbsAnimationLEDs;
}

bool IsAnimationStyle(TcxProgressBarBarStyle style) {
    return style == cxbsAnimation || style == cxbsAnimationLEDs;
}

double ProgressBarValueToNumber(const Variant& value) {
    if (value.IsString()) {
        double number = 0;
        return TryStrToFloat(value.AsAnsiString(), number, FormatSettings()) ? number : 0.0;
    }
    if (value.IsNumeric() || value.VarType() == varDate) return value.AsDouble();
    return 0.0;
}

// ---------------------------------------------------------------------------------------------
namespace {
// One notification for a setter that changes several values.
class TPropertiesUpdate {
public:
    explicit TPropertiesUpdate(TcxCustomEditProperties* properties) : properties_(properties) {
        properties_->BeginUpdate();
    }
    ~TPropertiesUpdate() { properties_->EndUpdate(); }
    TPropertiesUpdate(const TPropertiesUpdate&) = delete;
    TPropertiesUpdate& operator=(const TPropertiesUpdate&) = delete;

private:
    TcxCustomEditProperties* properties_;
};

double OwnerValue(TcxCustomEditPropertiesValues* values, bool max) {
    auto* owner = dynamic_cast<TcxCustomProgressBarProperties*>(values->Owner);
    if (!owner) return 0;
    return max ? owner->Max() : owner->Min();
}
} // namespace

bool TcxProgressBarPropertiesValues::IsMaxStored() const {
    return Max() && OwnerValue(const_cast<TcxProgressBarPropertiesValues*>(this), true) == 0;
}

bool TcxProgressBarPropertiesValues::IsMinStored() const {
    return Min() && OwnerValue(const_cast<TcxProgressBarPropertiesValues*>(this), false) == 0;
}

// ---------------------------------------------------------------------------------------------
TcxCustomProgressBarProperties::TcxCustomProgressBarProperties(TPersistent* owner)
    : TcxCustomEditProperties(owner) {}

TcxCustomProgressBarProperties::~TcxCustomProgressBarProperties() = default;

template <class T> void TcxCustomProgressBarProperties::Store(T& field, T value) {
    if (field == value) return;
    field = value;
    NotifyChanged();
}

TcxProgressBarPropertiesValues* TcxCustomProgressBarProperties::AssignedValues() {
    return static_cast<TcxProgressBarPropertiesValues*>(TcxCustomEditProperties::AssignedValues());
}

void TcxCustomProgressBarProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TcxCustomProgressBarProperties*>(source);
    if (!other) {
        TcxCustomEditProperties::Assign(source);
        return;
    }
    TPropertiesUpdate update(this);
    {
        TcxCustomEditProperties::Assign(source);
        SetAnimationPath(other->AnimationPath());
        SetAnimationRestartDelay(other->AnimationRestartDelay());
        SetAnimationSpeed(other->AnimationSpeed());
        SetBeginColor(other->BeginColor());
        SetBarBevelOuter(other->BarBevelOuter());
        SetEndColor(other->EndColor());
        SetForegroundImage(other->foregroundImage_.get());
        SetMarquee(other->Marquee());
        SetMin(other->Min());
        SetMax(other->Max());
        SetOrientation(other->Orientation());
        SetShowText(other->ShowText());
        // The text before its style: a text that is not empty would choose cxtsText itself.
        SetText(other->Text());
        SetShowTextStyle(other->ShowTextStyle());
        SetTextOrientation(other->TextOrientation());
        SetSolidTextColor(other->SolidTextColor());
        SetBarStyle(other->BarStyle());
        // The bar style may have chosen the animation colour; the source's colour holds.
        SetBeginColor(other->BeginColor());
        SetTransparentImage(other->TransparentImage());
        SetBorderWidth(other->BorderWidth());
        SetOverloadValue(other->OverloadValue());
        SetShowOverload(other->ShowOverload());
        SetOverloadBeginColor(other->OverloadBeginColor());
        SetOverloadEndColor(other->OverloadEndColor());
        SetPeakValue(other->PeakValue());
        SetShowPeak(other->ShowPeak());
        SetPeakColor(other->PeakColor());
        SetPeakSize(other->PeakSize());
    }
}

void TcxCustomProgressBarProperties::SetAnimationPath(TcxProgressBarAnimationPath value) {
    Store(animationPath_, value);
}

void TcxCustomProgressBarProperties::SetAnimationRestartDelay(unsigned value) {
    Store(animationRestartDelay_, value);
}

void TcxCustomProgressBarProperties::SetAnimationSpeed(unsigned value) {
    Store(animationSpeed_, static_cast<TcxProgressBarAnimationSpeed>(
                               std::min<unsigned>(value, cxProgressBarMaxAnimationSpeed)));
}

void TcxCustomProgressBarProperties::SetBarBevelOuter(TcxProgressBarBevelOuter value) {
    Store(barBevelOuter_, value);
}

void TcxCustomProgressBarProperties::SetBarStyle(TcxProgressBarBarStyle value) {
    if (barStyle_ == value) return;
    barStyle_ = value;
    if (IsAnimationStyle(value)) beginColor_ = cxProgressBarAnimationColor;
    NotifyChanged();
}

void TcxCustomProgressBarProperties::SetBeginColor(TColor value) {
    Store(beginColor_, value);
}

void TcxCustomProgressBarProperties::SetBorderWidth(TcxBorderWidth value) {
    Store(borderWidth_, value);
}

void TcxCustomProgressBarProperties::SetEndColor(TColor value) {
    Store(endColor_, value);
}

TBitmap* TcxCustomProgressBarProperties::ForegroundImage() {
    if (!foregroundImage_) {
        foregroundImage_ = std::make_unique<TBitmap>();
        foregroundImage_->OnChange = [this](TObject*) { NotifyChanged(); };
    }
    return foregroundImage_.get();
}

void TcxCustomProgressBarProperties::SetForegroundImage(TBitmap* value) {
    if (value) {
        if (value != foregroundImage_.get()) {
            TBitmap* image = ForegroundImage();
            // One notification for the replacement, below.
            TNotifyEvent onChange = std::move(image->OnChange);
            image->OnChange = nullptr;
            image->Assign(*value);
            image->OnChange = std::move(onChange);
        }
    } else {
        foregroundImage_.reset();
    }
    ImageChanged = true;
    NotifyChanged();
}

void TcxCustomProgressBarProperties::SetMarquee(bool value) {
    if (marquee_ == value) return;
    marquee_ = value;
    if (value) showTextStyle_ = cxtsText;
    NotifyChanged();
}

void TcxCustomProgressBarProperties::SetMax(double value) {
    TPropertiesUpdate update(this);
    SetMaxValue(value);
    double max = Max();
    if (Min() > max) SetMinValue(max);
    if (overloadValue_ > max) overloadValue_ = max;
    if (peakValue_ > max) peakValue_ = max;
}

void TcxCustomProgressBarProperties::SetMin(double value) {
    TPropertiesUpdate update(this);
    SetMinValue(value);
    double min = Min();
    if (Max() < min) SetMax(min);
    if (overloadValue_ < min) overloadValue_ = min;
    if (peakValue_ < min) peakValue_ = min;
}

void TcxCustomProgressBarProperties::SetOrientation(TcxProgressBarOrientation value) {
    Store(orientation_, value);
}

void TcxCustomProgressBarProperties::SetOverloadBeginColor(TColor value) {
    Store(overloadBeginColor_, value);
}

void TcxCustomProgressBarProperties::SetOverloadEndColor(TColor value) {
    Store(overloadEndColor_, value);
}

void TcxCustomProgressBarProperties::SetOverloadValue(double value) {
    double max = Max(), min = Min();
    // Max first, then Min: with Max below Min (never left so by the setters) Min wins.
    value = std::max(std::min(value, max), min);
    Store(overloadValue_, value);
}

void TcxCustomProgressBarProperties::SetPeakColor(TColor value) {
    Store(peakColor_, value);
}

void TcxCustomProgressBarProperties::SetPeakSize(TcxNaturalNumber value) {
    if (value < 1) return;
    Store(peakSize_, value);
}

void TcxCustomProgressBarProperties::SetPeakValue(double value) {
    Store(peakValue_, value);
}

void TcxCustomProgressBarProperties::SetShowOverload(bool value) {
    Store(showOverload_, value);
}

void TcxCustomProgressBarProperties::SetShowPeak(bool value) {
    Store(showPeak_, value);
}

void TcxCustomProgressBarProperties::SetShowText(bool value) {
    Store(showText_, value);
}

void TcxCustomProgressBarProperties::SetShowTextStyle(TcxProgressBarTextStyle value) {
    if (marquee_ && value != cxtsText) return;
    Store(showTextStyle_, value);
}

void TcxCustomProgressBarProperties::SetSolidTextColor(bool value) {
    Store(solidTextColor_, value);
}

void TcxCustomProgressBarProperties::SetText(const AnsiString& value) {
    if (text_ == value) return;
    text_ = value;
    if (!value.empty()) showTextStyle_ = cxtsText;
    NotifyChanged();
}

void TcxCustomProgressBarProperties::SetTextOrientation(TcxProgressBarOrientation value) {
    Store(textOrientation_, value);
}

void TcxCustomProgressBarProperties::SetTransparentImage(bool value) {
    Store(transparentImage_, value);
}

double TcxCustomProgressBarProperties::GetMaxValue() {
    return AssignedValues()->Max() ? TcxCustomEditProperties::GetMaxValue() : 100.0;
}

double TcxCustomProgressBarProperties::GetMinValue() {
    return AssignedValues()->Min() ? TcxCustomEditProperties::GetMinValue() : 0.0;
}

double TcxCustomProgressBarProperties::UpdatePeak(double position) {
    double result = std::max(position, std::min(Max(), std::max(Min(), peakValue_)));
    peakValue_ = std::max(result, peakValue_);
    return result;
}

double TcxCustomProgressBarProperties::AdjustPosition(double position) {
    double max = Max(), min = Min();
    if (max > min) position = std::min(max, std::max(min, position));
    return position;
}

void TcxCustomProgressBarProperties::EditValueToDisplay(const Variant& editValue, Variant& displayValue,
                                                        bool) {
    displayValue = Variant(ProgressBarValueToNumber(editValue));
}

AnsiString TcxCustomProgressBarProperties::DisplayText(const Variant& value) {
    AnsiString text = FloatToStr(ProgressBarValueToNumber(value));
    if (showTextStyle_ == cxtsPercent) text += " %";
    return text;
}

WideString TcxCustomProgressBarProperties::FormatDisplayText(const Variant& value) {
    return AnsiToWide(DisplayText(value));
}

// ---------------------------------------------------------------------------------------------
void TcxFilterProgressBarHelper::ListFilterOperators(TcxValueTypeClass, TcxFilterOperators& operators,
                                                     bool extended) const {
    // The six comparisons, between and not between; the extended filter's four more when asked.
    operators = TcxFilterOperators(0x67E);
    if (extended) operators |= TcxFilterOperators(0x7800);
}

void TcxFilterProgressBarHelper::SetUpFilterProperties(TcxCustomEditProperties* properties,
                                                       TcxCustomEditProperties* source, bool keepButtons) const {
    TcxFilterTextEditHelper::SetUpFilterProperties(properties, source, keepButtons);
    properties->Buttons()->Add();
    properties->Buttons()->Add();
    if (auto* bar = dynamic_cast<TcxCustomProgressBarProperties*>(source)) {
        properties->SetMinValue(bar->Min());
        properties->SetMaxValue(bar->Max());
    }
}

// ---------------------------------------------------------------------------------------------
void ProgressBarUnitInitialize() {
    GetEditPropertiesClassList()->Register(TcxProgressBarProperties::StaticClass(),
                                           "ProgressBar|Represents a ProgressBar");
    GetFilterEditsController()->Register(TcxProgressBarProperties::StaticClass(),
                                         FilterEditHelperClass<TcxFilterProgressBarHelper>());
}

void ProgressBarUnitFinalize() {
    if (FilterEditsControllerExists())
        GetFilterEditsController()->Unregister(TcxProgressBarProperties::StaticClass(),
                                               FilterEditHelperClass<TcxFilterProgressBarHelper>());
    if (EditPropertiesClassListExists())
        GetEditPropertiesClassList()->Unregister(TcxProgressBarProperties::StaticClass());
}
