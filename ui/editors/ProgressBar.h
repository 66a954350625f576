#pragma once
// The progress bar's settings: the enumerations with their stored names, the assigned-value flags
// of Min and Max, and the properties object with the side effects of its setters.
#include <cstdint>
#include <memory>

#include "platform/graphics/Graphics.h"
#include "ui/editors/TextEditProperties.h"
#include "ui/editors/framework/EditProperties.h"

enum TcxProgressBarAnimationPath : uint8_t { cxapCycle, cxapPingPong };
enum TcxProgressBarBevelOuter : uint8_t { cxbvNone, cxbvLowered, cxbvRaised };
enum TcxProgressBarOrientation : uint8_t { cxorHorizontal, cxorVertical };
enum TcxProgressBarTextStyle : uint8_t { cxtsPercent, cxtsPosition, cxtsText };
enum TcxProgressBarBarStyle : uint8_t {
    cxbsSolid,
    cxbsLEDs,
    cxbsGradient,
    cxbsGradientLEDs,
    cxbsBitmap,
    cxbsBitmapLEDs,
    cxbsAnimation,
    cxbsAnimationLEDs
};

// The names stored in forms, indexed by value.
extern const char* const ProgressBarAnimationPathNames[2];
extern const char* const ProgressBarBevelOuterNames[3];
extern const char* const ProgressBarOrientationNames[2];
extern const char* const ProgressBarTextStyleNames[3];
extern const char* const ProgressBarBarStyleNames[8];

using TcxProgressBarAnimationSpeed = uint8_t; // 0..20
using TcxBorderWidth = uint16_t;
using TcxNaturalNumber = int32_t; // 1..2147483647

constexpr TcxProgressBarAnimationSpeed cxProgressBarMaxAnimationSpeed = 20;
// The colour the animation styles start from.
constexpr TColor cxProgressBarAnimationColor = 0x00D328;

bool IsLEDStyle(TcxProgressBarBarStyle style);
bool IsAnimationStyle(TcxProgressBarBarStyle style);

// A progress bar's edit value as a number: a string that converts completely, a number or a date
// as it is, anything else 0.
double ProgressBarValueToNumber(const Variant& value);

class TcxCustomProgressBarProperties;

// The assigned flags of Min and Max under the names the progress bar stores.
class TcxProgressBarPropertiesValues : public TcxCustomEditPropertiesValues {
public:
    VZ_CLASS(TcxProgressBarPropertiesValues, TcxCustomEditPropertiesValues)
    explicit TcxProgressBarPropertiesValues(TcxCustomEditProperties* owner = nullptr)
        : TcxCustomEditPropertiesValues(owner) {}

    bool Max() const { return MaxValue(); }
    void SetMax(bool value) { SetMaxValue(value); }
    bool Min() const { return MinValue(); }
    void SetMin(bool value) { SetMinValue(value); }
    // Stored only when set while the value itself is 0 (the value alone would not be written).
    bool IsMaxStored() const;
    bool IsMinStored() const;
};

class TcxCustomProgressBarProperties : public TcxCustomEditProperties {
public:
    VZ_CLASS(TcxCustomProgressBarProperties, TcxCustomEditProperties)
    explicit TcxCustomProgressBarProperties(TPersistent* owner = nullptr);
    ~TcxCustomProgressBarProperties() override;

    void Assign(TPersistent* source) override;

    TcxProgressBarAnimationPath AnimationPath() const { return animationPath_; }
    void SetAnimationPath(TcxProgressBarAnimationPath value);
    unsigned AnimationRestartDelay() const { return animationRestartDelay_; }
    void SetAnimationRestartDelay(unsigned value);
    TcxProgressBarAnimationSpeed AnimationSpeed() const { return animationSpeed_; }
    // Values above 20 become 20.
    void SetAnimationSpeed(unsigned value);
    TcxProgressBarPropertiesValues* AssignedValues();
    TcxProgressBarBevelOuter BarBevelOuter() const { return barBevelOuter_; }
    void SetBarBevelOuter(TcxProgressBarBevelOuter value);
    TcxProgressBarBarStyle BarStyle() const { return barStyle_; }
    // An animation style also sets BeginColor to the animation colour.
    void SetBarStyle(TcxProgressBarBarStyle value);
    TColor BeginColor() const { return beginColor_; }
    void SetBeginColor(TColor value);
    TcxBorderWidth BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(TcxBorderWidth value);
    TColor EndColor() const { return endColor_; }
    void SetEndColor(TColor value);
    // Made empty on first read; its changes notify.
    TBitmap* ForegroundImage();
    bool HasForegroundImage() const { return foregroundImage_ != nullptr; }
    // A copy of the bitmap; nullptr drops the image.
    void SetForegroundImage(TBitmap* value);
    bool Marquee() const { return marquee_; }
    // On, it also shows Text.
    void SetMarquee(bool value);
    double Max() { return MaxValue(); }
    // Pulls Min, OverloadValue and PeakValue down to the new Max.
    void SetMax(double value);
    double Min() { return MinValue(); }
    // Pushes Max up and pulls OverloadValue and PeakValue up to the new Min.
    void SetMin(double value);
    TcxProgressBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TcxProgressBarOrientation value);
    TColor OverloadBeginColor() const { return overloadBeginColor_; }
    void SetOverloadBeginColor(TColor value);
    TColor OverloadEndColor() const { return overloadEndColor_; }
    void SetOverloadEndColor(TColor value);
    double OverloadValue() const { return overloadValue_; }
    // Kept inside [Min, Max].
    void SetOverloadValue(double value);
    TColor PeakColor() const { return peakColor_; }
    void SetPeakColor(TColor value);
    TcxNaturalNumber PeakSize() const { return peakSize_; }
    // Values below 1 are refused.
    void SetPeakSize(TcxNaturalNumber value);
    double PeakValue() const { return peakValue_; }
    void SetPeakValue(double value);
    bool ShowOverload() const { return showOverload_; }
    void SetShowOverload(bool value);
    bool ShowPeak() const { return showPeak_; }
    void SetShowPeak(bool value);
    bool ShowText() const { return showText_; }
    void SetShowText(bool value);
    TcxProgressBarTextStyle ShowTextStyle() const { return showTextStyle_; }
    // Only cxtsText while Marquee is on.
    void SetShowTextStyle(TcxProgressBarTextStyle value);
    bool SolidTextColor() const { return solidTextColor_; }
    void SetSolidTextColor(bool value);
    const AnsiString& Text() const { return text_; }
    // A text that is not empty is shown (cxtsText).
    void SetText(const AnsiString& value);
    TcxProgressBarOrientation TextOrientation() const { return textOrientation_; }
    void SetTextOrientation(TcxProgressBarOrientation value);
    bool TransparentImage() const { return transparentImage_; }
    void SetTransparentImage(bool value);

    bool IsMaxStored() { return IsMaxValueStored(); }
    bool IsMinStored() { return IsMinValueStored(); }
    bool IsOverloadValueStored() const { return overloadValue_ != 80; }
    bool IsPeakValueStored() const { return peakValue_ != 0; }
    bool IsShowTextStyleStored() const { return !marquee_ && showTextStyle_ != cxtsPercent; }

    // One-shot flags for the next layout.
    bool ImageChanged = false;
    bool PositionChanged = false;

    // The highest of the position and the peak kept inside the range; the peak follows it.
    double UpdatePeak(double position);
    // The position kept inside [Min, Max] when the range is not empty.
    double AdjustPosition(double position);

    // Editor slots.
    TClass AssignedValuesClass() const override { return TcxProgressBarPropertiesValues::StaticClass(); }
    TcxCustomEditViewDataClass ViewDataClass() const override;
    TcxContainerViewInfoClass ViewInfoClass() const override;
    double GetMaxValue() override;
    double GetMinValue() override;
    bool DisplayDependsOnFocus() override { return false; }
    bool ComparesEditValues() override { return true; }
    unsigned GetSupportedOperations() override { return 0x109; }
    void EditValueToDisplay(const Variant& editValue, Variant& displayValue, bool isFocused) override;
    WideString FormatDisplayText(const Variant& value) override;
    // The display text as the ANSI text the bar shows.
    AnsiString DisplayText(const Variant& value);

private:
    template <class T> void Store(T& field, T value);

    TcxProgressBarAnimationPath animationPath_ = cxapCycle;
    unsigned animationRestartDelay_ = 0;
    TcxProgressBarAnimationSpeed animationSpeed_ = 10;
    TcxProgressBarBevelOuter barBevelOuter_ = cxbvNone;
    TcxProgressBarBarStyle barStyle_ = cxbsSolid;
    TColor beginColor_ = 0x800000;
    TcxBorderWidth borderWidth_ = 0;
    TColor endColor_ = 0xFFFFFF;
    std::unique_ptr<TBitmap> foregroundImage_;
    bool marquee_ = false;
    TcxProgressBarOrientation orientation_ = cxorHorizontal;
    TColor overloadBeginColor_ = 0x8080FF;
    TColor overloadEndColor_ = 0xFF00FF;
    double overloadValue_ = 80;
    TColor peakColor_ = 0x0000FF;
    TcxNaturalNumber peakSize_ = 2;
    double peakValue_ = 0;
    bool showOverload_ = false;
    bool showPeak_ = false;
    bool showText_ = true;
    TcxProgressBarTextStyle showTextStyle_ = cxtsPercent;
    bool solidTextColor_ = false;
    AnsiString text_;
    TcxProgressBarOrientation textOrientation_ = cxorHorizontal;
    bool transparentImage_ = true;
};

class TcxProgressBarProperties : public TcxCustomProgressBarProperties {
public:
    VZ_CLASS(TcxProgressBarProperties, TcxCustomProgressBarProperties)
    using TcxCustomProgressBarProperties::TcxCustomProgressBarProperties;
};

// How filters use a progress bar: a number editor with two buttons, bounded by the bar's range.
// The number editor's own helper is not part of the library yet; its rules are kept here: the
// buttons stay, and the comparisons and ranges of numbers are offered.
class TcxFilterProgressBarHelper : public TcxFilterTextEditHelper {
public:
    VZ_CLASS(TcxFilterProgressBarHelper, TcxFilterTextEditHelper)
    bool KeepsButtons() const override { return true; }
    void ListFilterOperators(TcxValueTypeClass valueType, TcxFilterOperators& operators,
                             bool extended) const override;
    void SetUpFilterProperties(TcxCustomEditProperties* properties, TcxCustomEditProperties* source,
                               bool keepButtons) const override;
};

// Start and end of the progress bar's unit: its properties join the editors' registry and the
// filters' and leave both.
void ProgressBarUnitInitialize();
void ProgressBarUnitFinalize();
