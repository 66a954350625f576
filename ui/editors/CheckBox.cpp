#include "ui/editors/CheckBox.h"

#include "platform/core/Components.h"
#include "platform/core/Filer.h"
#include "platform/core/Strings.h"
#include "ui/core/PainterResources.h"
#include "ui/editors/framework/EditRegistration.h"
#include "ui/editors/framework/Edit.h"
#include "ui/editors/framework/EditorStrings.h"
#include "ui/editors/framework/Variants.h"

const char* const CheckBoxStateNames[3] = {"cbsUnchecked", "cbsChecked", "cbsGrayed"};
const char* const CheckBoxNullStyleNames[3] = {"nssUnchecked", "nssInactive", "nssGrayedChecked"};

namespace {
std::unique_ptr<TBitmap> markMask;

// The mask from the system's check-box strip: its first cell (unchecked) against its second
// (checked), both of the painter's check-box size.
std::unique_ptr<TBitmap> MakeMarkMask() {
    const TSize size = MeasureSystemCheckBoxSize();
    auto mask = std::make_unique<TBitmap>(size.cx, size.cy);
    HDC maskDC = mask->Canvas().Handle();
    RECT all{0, 0, size.cx, size.cy};
    FillRect(maskDC, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HBITMAP strip = LoadBitmapA(nullptr, MAKEINTRESOURCEA(32759)); // OBM_CHECKBOXES
    if (!strip) return mask;
    HDC stripDC = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(stripDC, strip);
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x)
            if (GetPixel(stripDC, x, y) != GetPixel(stripDC, x + size.cx, y))
                SetPixel(maskDC, x, y, RGB(0, 0, 0));
    SelectObject(stripDC, old);
    DeleteDC(stripDC);
    DeleteObject(strip);
    return mask;
}
} // namespace

TBitmap* CheckBoxMarkMask() {
    return markMask.get();
}

// ---------------------------------------------------------------------------------------------
TcxCustomCheckBoxProperties::TcxCustomCheckBoxProperties(TPersistent* owner)
    : TcxCustomEditProperties(owner), displayChecked_(AnsiToWide(cxSEditCheckBoxChecked)),
      displayGrayed_(AnsiToWide(cxSEditCheckBoxGrayed)),
      displayUnchecked_(AnsiToWide(cxSEditCheckBoxUnchecked)) {}

TcxCustomCheckBoxProperties::~TcxCustomCheckBoxProperties() = default;

template <class T> void TcxCustomCheckBoxProperties::Store(T& field, const T& value) {
    if (field == value) return;
    field = value;
    NotifyChanged();
}

bool TcxCustomCheckBoxProperties::IsLoading() const {
    TComponent* owner = FindOwningComponent(const_cast<TcxCustomCheckBoxProperties*>(this));
    return owner && owner->HasState(csLoading);
}

void TcxCustomCheckBoxProperties::SetAllowGrayed(bool value) {
    Store(allowGrayed_, value);
}

void TcxCustomCheckBoxProperties::SetCaption(const AnsiString& value) {
    captionAssigned_ = true;
    Store(caption_, value);
}

void TcxCustomCheckBoxProperties::SetDisplayChecked(const WideString& value) {
    Store(displayChecked_, value);
}

void TcxCustomCheckBoxProperties::SetDisplayGrayed(const WideString& value) {
    Store(displayGrayed_, value);
}

void TcxCustomCheckBoxProperties::SetDisplayUnchecked(const WideString& value) {
    Store(displayUnchecked_, value);
}

void TcxCustomCheckBoxProperties::SetFullFocusRect(bool value) {
    Store(fullFocusRect_, value);
}

TBitmap* TcxCustomCheckBoxProperties::Glyph() {
    if (!glyph_) {
        glyph_ = std::make_unique<TBitmap>();
        glyph_->OnChange = [this](TObject* sender) { GlyphChanged(sender); };
    }
    return glyph_.get();
}

void TcxCustomCheckBoxProperties::GlyphChanged(TObject*) {
    NotifyChanged();
}

void TcxCustomCheckBoxProperties::SetGlyph(TBitmap* value) {
    if (!value) {
        if (!glyph_) return;
        glyph_.reset();
        NotifyChanged();
        return;
    }
    // Assigning into the glyph fires its OnChange, which notifies.
    Glyph()->Assign(*value);
}

void TcxCustomCheckBoxProperties::SetGlyphCount(int value) {
    if (value == glyphCount_) return;
    glyphCount_ = value;
    if (glyph_) NotifyChanged();
}

void TcxCustomCheckBoxProperties::SetMultiLine(bool value) {
    Store(multiLine_, value);
}

void TcxCustomCheckBoxProperties::SetNullStyle(TcxCheckBoxNullValueShowingStyle value) {
    Store(nullStyle_, value);
}

void TcxCustomCheckBoxProperties::SetUseAlignmentWhenInplace(bool value) {
    Store(useAlignmentWhenInplace_, value);
}

bool TcxCustomCheckBoxProperties::AcceptsValue(const Variant& value, bool nullAllowed) const {
    if (IsLoading()) return true;
    if (value.IsNull() && !nullAllowed) return false;
    return !VarEqualsForEdit(value, valueChecked_) && !VarEqualsForEdit(value, valueGrayed_) &&
           !VarEqualsForEdit(value, valueUnchecked_);
}

void TcxCustomCheckBoxProperties::SetValueChecked(const Variant& value) {
    if (!AcceptsValue(value, false)) return;
    valueChecked_ = value;
    NotifyChanged();
}

void TcxCustomCheckBoxProperties::SetValueGrayed(const Variant& value) {
    if (!AcceptsValue(value, true)) return;
    valueGrayed_ = value;
    NotifyChanged();
}

void TcxCustomCheckBoxProperties::SetValueUnchecked(const Variant& value) {
    if (!AcceptsValue(value, false)) return;
    valueUnchecked_ = value;
    NotifyChanged();
}

bool TcxCustomCheckBoxProperties::IsDisplayCheckedStored() const {
    return displayChecked_ != AnsiToWide(cxSEditCheckBoxChecked);
}

bool TcxCustomCheckBoxProperties::IsDisplayGrayedStored() const {
    return displayGrayed_ != AnsiToWide(cxSEditCheckBoxGrayed);
}

bool TcxCustomCheckBoxProperties::IsDisplayUncheckedStored() const {
    return displayUnchecked_ != AnsiToWide(cxSEditCheckBoxUnchecked);
}

bool TcxCustomCheckBoxProperties::IsValueCheckedStored() const {
    return !VarSameTypeAndValue(valueChecked_, Variant(true));
}

bool TcxCustomCheckBoxProperties::IsValueUncheckedStored() const {
    return !VarSameTypeAndValue(valueUnchecked_, Variant(false));
}

void TcxCustomCheckBoxProperties::Assign(TPersistent* source) {
    auto* properties = dynamic_cast<TcxCustomCheckBoxProperties*>(source);
    if (!properties || properties == this) {
        TcxCustomEditProperties::Assign(source);
        return;
    }
    BeginUpdate();
    struct TEnd {
        TcxCustomEditProperties* p;
        ~TEnd() { p->EndUpdate(); }
    } end{this};
    TcxCustomEditProperties::Assign(source);
    SetAllowGrayed(properties->AllowGrayed());
    if (properties->IsCaptionAssigned()) SetCaption(properties->Caption());
    SetDisplayChecked(properties->DisplayChecked());
    SetDisplayGrayed(properties->DisplayGrayed());
    SetDisplayUnchecked(properties->DisplayUnchecked());
    SetFullFocusRect(properties->FullFocusRect());
    SetGlyph(properties->glyph_.get());
    SetGlyphCount(properties->GlyphCount());
    SetMultiLine(properties->MultiLine());
    SetNullStyle(properties->NullStyle());
    SetUseAlignmentWhenInplace(properties->UseAlignmentWhenInplace());
    const Variant& checked = properties->ValueChecked();
    const Variant& grayed = properties->ValueGrayed();
    const Variant& unchecked = properties->ValueUnchecked();
    if (!checked.IsNull() && !unchecked.IsNull() && !VarEqualsForEdit(checked, grayed) &&
        !VarEqualsForEdit(checked, unchecked) && !VarEqualsForEdit(grayed, unchecked)) {
        valueChecked_ = checked;
        valueGrayed_ = grayed;
        valueUnchecked_ = unchecked;
        NotifyChanged();
    }
}

void TcxCustomCheckBoxProperties::DefineProperties(TFiler* filer) {
    TcxCustomEditProperties::DefineProperties(filer);
    filer->DefineProperty(
        "Caption", [this](TReader& reader) { SetCaption(reader.ReadText()); }, nullptr, false);
}

TcxCheckBoxState TcxCustomCheckBoxProperties::GetState(const Variant& value) const {
    if (VarEqualsForEdit(value, valueChecked_)) return cbsChecked;
    if (VarEqualsForEdit(value, valueUnchecked_)) return cbsUnchecked;
    return cbsGrayed;
}

const Variant& TcxCustomCheckBoxProperties::StateToValue(TcxCheckBoxState state) const {
    switch (state) {
    case cbsChecked:
        return valueChecked_;
    case cbsUnchecked:
        return valueUnchecked_;
    default:
        return valueGrayed_;
    }
}

WideString TcxCustomCheckBoxProperties::StateDisplayText(TcxCheckBoxState state) const {
    switch (state) {
    case cbsChecked:
        return displayChecked_;
    case cbsUnchecked:
        return displayUnchecked_;
    default:
        return displayGrayed_;
    }
}

bool TcxCustomCheckBoxProperties::UsesGlyph() const {
    // A strip narrower than its count has no cell of a pixel: the box is drawn as without one.
    return glyph_ && !glyph_->Empty() && glyphCount_ > 0 && glyph_->Width() >= glyphCount_;
}

void TcxCustomCheckBoxProperties::EditValueToDisplay(const Variant& editValue, Variant& displayValue, bool) {
    displayValue = Variant(static_cast<int>(GetState(editValue)));
}

WideString TcxCustomCheckBoxProperties::FormatDisplayText(const Variant& value) {
    return StateDisplayText(GetState(value));
}

bool TcxCustomCheckBoxProperties::SameDisplayValue(const Variant& a, const Variant& b) {
    return GetState(a) == GetState(b);
}

bool TcxCustomCheckBoxProperties::IsEditValueValid(const Variant& value) {
    return VarSameTypeAndValue(value, valueChecked_) || VarSameTypeAndValue(value, valueGrayed_) ||
           VarSameTypeAndValue(value, valueUnchecked_);
}

// ---------------------------------------------------------------------------------------------
void TcxFilterCheckBoxHelper::ListFilterOperators(TcxValueTypeClass, TcxFilterOperators& operators,
                                                  bool) const {
    operators.reset();
    for (size_t bit : {1, 2, 9, 10})
        operators.set(bit);
}

void TcxFilterCheckBoxHelper::GetFilterItems(TcxCustomCheckBoxProperties* properties, WideString items[2]) {
    items[0] = properties->FormatDisplayText(properties->ValueChecked());
    items[1] = properties->FormatDisplayText(properties->ValueUnchecked());
}

int TcxFilterCheckBoxHelper::FilterItemIndex(TcxCustomCheckBoxProperties* properties, const Variant& value) {
    switch (properties->GetState(value)) {
    case cbsChecked:
        return 0;
    case cbsUnchecked:
        return 1;
    default:
        return -1;
    }
}

Variant TcxFilterCheckBoxHelper::FilterItemValue(TcxCustomCheckBoxProperties* properties, int itemIndex) {
    if (itemIndex == 0) return properties->ValueChecked();
    if (itemIndex == 1) return properties->ValueUnchecked();
    return Variant::Null();
}

void TcxFilterCheckBoxHelper::PutFilterValue(TcxCustomEdit* edit, TcxCustomEditProperties* properties,
                                             const Variant& value) const {
    auto* checkBox = dynamic_cast<TcxCustomCheckBoxProperties*>(properties);
    if (!checkBox) return TcxCustomFilterEditHelper::PutFilterValue(edit, properties, value);
    WideString items[2];
    GetFilterItems(checkBox, items);
    const int index = FilterItemIndex(checkBox, value);
    edit->SetEditValue(Variant(index < 0 ? AnsiString() : WideToAnsi(items[index])));
}

void TcxFilterCheckBoxHelper::ReadFilterValue(TcxCustomEdit* edit, TcxCustomEditProperties* properties,
                                              WideString& displayText, Variant& value) const {
    auto* checkBox = dynamic_cast<TcxCustomCheckBoxProperties*>(properties);
    if (!checkBox) return TcxCustomFilterEditHelper::ReadFilterValue(edit, properties, displayText, value);
    const Variant shown = edit->EditValue();
    displayText = shown.IsString() ? AnsiToWide(shown.AsAnsiString()) : WideString();
    WideString items[2];
    GetFilterItems(checkBox, items);
    int index = -1;
    if (!displayText.empty()) index = displayText == items[0] ? 0 : displayText == items[1] ? 1 : -1;
    value = FilterItemValue(checkBox, index);
    if (index < 0) displayText.clear();
}

// ---------------------------------------------------------------------------------------------
void CheckBoxUnitInitialize() {
    GetEditPropertiesClassList()->Register(
        TcxCheckBoxProperties::StaticClass(),
        "CheckBox|Represents a check box control that allows selecting an option");
    GetFilterEditsController()->Register(TcxCheckBoxProperties::StaticClass(),
                                         FilterEditHelperClass<TcxFilterCheckBoxHelper>());
    markMask = MakeMarkMask();
}

void CheckBoxUnitFinalize() {
    // The properties' registry goes with the base editor unit.
    markMask.reset();
    if (FilterEditsControllerExists())
        GetFilterEditsController()->Unregister(TcxCheckBoxProperties::StaticClass(),
                                               FilterEditHelperClass<TcxFilterCheckBoxHelper>());
}
