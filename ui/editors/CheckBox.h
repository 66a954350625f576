#pragma once
// The check box's settings: three states mapped to three configurable values, their display
// texts, the caption, the glyph strip, and the value-model answers the base editor asks for. Also
// the check-mark mask the hand-drawn box uses, the filter helper and the unit's start and end.
#include <cstdint>
#include <memory>

#include "platform/graphics/Graphics.h"
#include "ui/core/LookAndFeelPainters.h"
#include "ui/editors/framework/EditProperties.h"
#include "ui/editors/framework/FilterEditHelper.h"

enum TcxCheckBoxNullValueShowingStyle : uint8_t { nssUnchecked, nssInactive, nssGrayedChecked };

// The box's button state while painting.
enum TcxCheckBoxButtonState : uint8_t { cbbsNormal, cbbsHot, cbbsPressed, cbbsDisabled };

extern const char* const CheckBoxStateNames[3];
extern const char* const CheckBoxNullStyleNames[3];

class TcxCustomCheckBoxProperties : public TcxCustomEditProperties {
public:
    VZ_CLASS(TcxCustomCheckBoxProperties, TcxCustomEditProperties)
    explicit TcxCustomCheckBoxProperties(TPersistent* owner = nullptr);
    ~TcxCustomCheckBoxProperties() override;

    // Takes the three values only when they are pairwise different and neither the checked nor the
    // unchecked value is Null.
    void Assign(TPersistent* source) override;
    // The legacy "Caption" entry of older forms.
    void DefineProperties(TFiler* filer) override;

    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool value);
    const AnsiString& Caption() const { return caption_; }
    bool IsCaptionAssigned() const { return captionAssigned_; }
    void SetCaption(const AnsiString& value);
    const WideString& DisplayChecked() const { return displayChecked_; }
    void SetDisplayChecked(const WideString& value);
    const WideString& DisplayGrayed() const { return displayGrayed_; }
    void SetDisplayGrayed(const WideString& value);
    const WideString& DisplayUnchecked() const { return displayUnchecked_; }
    void SetDisplayUnchecked(const WideString& value);
    bool FullFocusRect() const { return fullFocusRect_; }
    void SetFullFocusRect(bool value);
    // Made empty on first read; its changes notify.
    TBitmap* Glyph();
    bool HasGlyph() const { return glyph_ != nullptr; }
    // A copy of the bitmap; nullptr frees it.
    void SetGlyph(TBitmap* value);
    int GlyphCount() const { return glyphCount_; }
    // Notifies only while a glyph exists.
    void SetGlyphCount(int value);
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool value);
    TcxCheckBoxNullValueShowingStyle NullStyle() const { return nullStyle_; }
    void SetNullStyle(TcxCheckBoxNullValueShowingStyle value);
    bool UseAlignmentWhenInplace() const { return useAlignmentWhenInplace_; }
    void SetUseAlignmentWhenInplace(bool value);
    const Variant& ValueChecked() const { return valueChecked_; }
    const Variant& ValueGrayed() const { return valueGrayed_; }
    const Variant& ValueUnchecked() const { return valueUnchecked_; }
    // Accepted while loading, or when the value equals none of the three values and is not Null
    // (ValueGrayed may be Null).
    void SetValueChecked(const Variant& value);
    void SetValueGrayed(const Variant& value);
    void SetValueUnchecked(const Variant& value);

    bool IsDisplayCheckedStored() const;
    bool IsDisplayGrayedStored() const;
    bool IsDisplayUncheckedStored() const;
    bool IsValueCheckedStored() const;
    bool IsValueGrayedStored() const { return !valueGrayed_.IsNull(); }
    bool IsValueUncheckedStored() const;

    // The state a value shows: checked or unchecked when it equals that value, else grayed.
    TcxCheckBoxState GetState(const Variant& value) const;
    const Variant& StateToValue(TcxCheckBoxState state) const;
    WideString StateDisplayText(TcxCheckBoxState state) const;
    // Inplace check boxes draw no caption.
    virtual bool ShowsCaptionWhenInplace() { return false; }
    // A usable glyph strip: a glyph with a picture, a positive count and cells at least a pixel wide.
    bool UsesGlyph() const;

    // Editor slots.
    void EditValueToDisplay(const Variant& editValue, Variant& displayValue, bool isFocused) override;
    WideString FormatDisplayText(const Variant& value) override;
    bool SameDisplayValue(const Variant& a, const Variant& b) override;
    bool IsEditValueValid(const Variant& value) override;
    bool IsActivationChar(char ch) override { return ch == ' '; }
    bool NeedsValidation() override { return true; }
    bool TracksDisplayChanges() override { return true; }
    bool ComparesEditValues() override { return true; }
    bool RemembersEntryValue() override { return true; }
    unsigned GetFeatureFlags() override { return TcxCustomEditProperties::GetFeatureFlags() | 4u; }
    unsigned GetSupportedOperations() override { return 1453; }
    TcxCustomEditViewDataClass ViewDataClass() const override;
    TcxContainerStyleClass StyleClass() const override;
    TcxContainerViewInfoClass ViewInfoClass() const override;

private:
    template <class T> void Store(T& field, const T& value);
    bool IsLoading() const;
    // A new value for one of the three: while loading anything, else only one that none of the
    // three has (and not Null unless nullAllowed).
    bool AcceptsValue(const Variant& value, bool nullAllowed) const;
    void GlyphChanged(TObject* sender);

    bool allowGrayed_ = false;
    AnsiString caption_;
    bool captionAssigned_ = false;
    WideString displayChecked_;
    WideString displayGrayed_;
    WideString displayUnchecked_;
    bool fullFocusRect_ = false;
    std::unique_ptr<TBitmap> glyph_;
    int glyphCount_ = 6;
    bool multiLine_ = false;
    TcxCheckBoxNullValueShowingStyle nullStyle_ = nssGrayedChecked;
    bool useAlignmentWhenInplace_ = false;
    Variant valueChecked_{true};
    Variant valueGrayed_ = Variant::Null();
    Variant valueUnchecked_{false};
};

class TcxCheckBoxProperties : public TcxCustomCheckBoxProperties {
public:
    VZ_CLASS(TcxCheckBoxProperties, TcxCustomCheckBoxProperties)
    using TcxCustomCheckBoxProperties::TcxCustomCheckBoxProperties;
};

// The check mark as a mask, black where the system's checked box differs from its unchecked one,
// white elsewhere; made at the unit's start (nullptr before and after).
TBitmap* CheckBoxMarkMask();

// The filter editor of a check box: a fixed list of the display texts of the checked and the
// unchecked value; a grayed value selects nothing and reads back as Null.
class TcxFilterCheckBoxHelper : public TcxCustomFilterEditHelper {
public:
    VZ_CLASS(TcxFilterCheckBoxHelper, TcxCustomFilterEditHelper)
    bool KeepsValuesProvider(TcxCustomEditProperties*) const override { return false; }
    bool FiltersByDisplayText() const override { return true; }
    void ListFilterOperators(TcxValueTypeClass valueType, TcxFilterOperators& operators,
                             bool extended) const override;
    // The filter editor holds the text of the item chosen (empty for none); properties are the
    // check box's. Other properties are left to the base.
    void PutFilterValue(TcxCustomEdit* edit, TcxCustomEditProperties* properties,
                        const Variant& value) const override;
    void ReadFilterValue(TcxCustomEdit* edit, TcxCustomEditProperties* properties, WideString& displayText,
                         Variant& value) const override;
    // The two items the filter's list shows: [0] checked, [1] unchecked.
    static void GetFilterItems(TcxCustomCheckBoxProperties* properties, WideString items[2]);
    // The item a filter value selects: 0 checked, 1 unchecked, -1 none.
    static int FilterItemIndex(TcxCustomCheckBoxProperties* properties, const Variant& value);
    // The value an item gives back: ValueChecked, ValueUnchecked or Null.
    static Variant FilterItemValue(TcxCustomCheckBoxProperties* properties, int itemIndex);
};

// Start and end of the check box's unit.
void CheckBoxUnitInitialize();
void CheckBoxUnitFinalize();
