#include "ui/editors/framework/EditStyles.h"

#include "ui/editors/framework/Container.h"

namespace {

const char* const EditStyleValueNames[] = {"ButtonStyle",     "ButtonTransparency", "PopupBorderStyle",
                                           "GradientButtons", "Gradient",           "GradientDirection"};

// Values 3, 4, 5, 6, 9, 11, 12, 13, 14 and 15: the editor does not publish them per state.
constexpr TcxContainerStyleValues EditUnpublishedValues =
    StyleValueBit(svEdges) | StyleValueBit(svFont) | StyleValueBit(svHotTrack) | StyleValueBit(svShadow) |
    StyleValueBit(svTransparentBorder) | StyleValueBit(svButtonTransparency) | StyleValueBit(svPopupBorderStyle) |
    StyleValueBit(svGradientButtons) | StyleValueBit(svGradient) | StyleValueBit(svGradientDirection);

constexpr int MaxEditControllerChain = 64;

std::unique_ptr<TcxEditStyleController> defaultController;
bool defaultControllerCreating = false;
bool defaultControllerGoing = false;

} // namespace

// ---------------------------------------------------------------------------------------------
TcxCustomEditStyle::TcxCustomEditStyle(TPersistent* owner, bool directAccessMode, TcxContainerStyle* parentStyle,
                                       TcxContainerStyleState state)
    : TcxContainerStyle(owner, directAccessMode, parentStyle, state) {
    // The base constructor asked its own StandardStyleController; this class names another.
    if (state == csNormal) AttachStandardStyleController();
}

TcxContainerStyleClass TcxCustomEditStyle::Class() {
    return [](TPersistent* owner, bool directAccessMode, TcxContainerStyle* parentStyle,
              TcxContainerStyleState state) -> std::unique_ptr<TcxContainerStyle> {
        return std::make_unique<TcxCustomEditStyle>(owner, directAccessMode, parentStyle, state);
    };
}

TcxContainerStyleClass TcxEditStyle::Class() {
    return [](TPersistent* owner, bool directAccessMode, TcxContainerStyle* parentStyle,
              TcxContainerStyleState state) -> std::unique_ptr<TcxContainerStyle> {
        return std::make_unique<TcxEditStyle>(owner, directAccessMode, parentStyle, state);
    };
}

TcxCustomEditStyle* TcxCustomEditStyle::BaseStyle() const {
    if (auto* parent = dynamic_cast<TcxCustomEditStyle*>(ParentStyle())) return parent;
    return const_cast<TcxCustomEditStyle*>(this);
}

TcxEditStyleController* TcxCustomEditStyle::EditStyleController() const {
    return dynamic_cast<TcxEditStyleController*>(ActiveStyleController());
}

TcxStyleController* TcxCustomEditStyle::StandardStyleController() const {
    if (DirectAccessMode()) return nullptr;
    if (TcxContainer* container = Container())
        if (container->IsInplace()) return nullptr;
    if (defaultControllerCreating || defaultControllerGoing) return nullptr;
    return GetDefaultEditStyleController();
}

const TcxCustomEditStyle* TcxCustomEditStyle::FindEditAssigning(TcxContainerStyleValue value) const {
    const TcxContainerStyle* style = this;
    for (int depth = 0; style && depth < MaxEditControllerChain; ++depth) {
        auto* edit = dynamic_cast<const TcxCustomEditStyle*>(style);
        if (!edit) return nullptr;
        if ((edit->AssignedValues() & StyleValueBit(value)) != 0) return edit;
        const TcxContainerStyle* normal = style->ParentStyle() ? style->ParentStyle() : style;
        TcxStyleController* controller = normal->ActiveStyleController();
        if (!controller) controller = normal->StyleController();
        if (!controller || controller->IsDestroying()) return nullptr;
        style = controller->Styles().Style(style->State());
    }
    return nullptr;
}

bool TcxCustomEditStyle::IsStyleValueAssigned(TcxContainerStyleValue value) const {
    if (value < svButtonStyle) return TcxContainerStyle::IsStyleValueAssigned(value);
    if (value >= CountStyleValues()) return false;
    if (DirectAccessMode()) return (AssignedValues() & StyleValueBit(value)) != 0;
    return FindEditAssigning(value) != nullptr;
}

bool TcxCustomEditStyle::FindStyleValueName(TcxContainerStyleValue value, AnsiString& name) const {
    if (TcxContainerStyle::FindStyleValueName(value, name)) return true;
    if (value < svButtonStyle || value > svGradientDirection) return false;
    name = EditStyleValueNames[value - svButtonStyle];
    return true;
}

TcxContainerStyleValues TcxCustomEditStyle::GetUnpublishedStyleValues() const {
    return EditUnpublishedValues;
}

// A value: in direct-access mode the own one when assigned; otherwise from the style that
// assigns it through the controller chain; else the fallback.
#define VZ_EDIT_STYLE_READ(field, index, fallback)                                                           \
    do {                                                                                                     \
        if (DirectAccessMode())                                                                              \
            return (AssignedValues() & StyleValueBit(index)) != 0 ? static_cast<decltype(fallback())>(field)  \
                                                                  : fallback();                              \
        if (const TcxCustomEditStyle* style = FindEditAssigning(index))                                      \
            return static_cast<decltype(fallback())>(style->field);                                          \
        return fallback();                                                                                   \
    } while (false)

TcxEditButtonStyle TcxCustomEditStyle::ButtonStyle() const {
    VZ_EDIT_STYLE_READ(buttonStyle_, svButtonStyle, FallbackButtonStyle);
}
TcxEditButtonTransparency TcxCustomEditStyle::ButtonTransparency() const {
    VZ_EDIT_STYLE_READ(buttonTransparency_, svButtonTransparency, FallbackButtonTransparency);
}
bool TcxCustomEditStyle::Gradient() const {
    VZ_EDIT_STYLE_READ(gradient_, svGradient, FallbackGradient);
}
bool TcxCustomEditStyle::GradientButtons() const {
    VZ_EDIT_STYLE_READ(gradientButtons_, svGradientButtons, FallbackGradientButtons);
}
TcxEditGradientDirection TcxCustomEditStyle::GradientDirection() const {
    VZ_EDIT_STYLE_READ(gradientDirection_, svGradientDirection, FallbackGradientDirection);
}
TcxEditPopupBorderStyle TcxCustomEditStyle::PopupBorderStyle() const {
    VZ_EDIT_STYLE_READ(popupBorderStyle_, svPopupBorderStyle, FallbackPopupBorderStyle);
}
#undef VZ_EDIT_STYLE_READ

template <class T> void TcxCustomEditStyle::StoreValue(T& field, T value, TcxContainerStyleValue index) {
    if ((AssignedValues() & StyleValueBit(index)) != 0 && field == value) return;
    field = value;
    SetValueBit(index);
    NotifyChanged();
}

void TcxCustomEditStyle::SetButtonStyle(TcxEditButtonStyle value) {
    StoreValue(buttonStyle_, static_cast<uint8_t>(value), svButtonStyle);
}
void TcxCustomEditStyle::SetButtonTransparency(TcxEditButtonTransparency value) {
    TcxCustomEditStyle* target = StoreTarget();
    target->StoreValue(target->buttonTransparency_, static_cast<uint8_t>(value), svButtonTransparency);
}
void TcxCustomEditStyle::SetGradient(bool value) {
    TcxCustomEditStyle* target = StoreTarget();
    target->StoreValue(target->gradient_, value, svGradient);
}
void TcxCustomEditStyle::SetGradientDirection(TcxEditGradientDirection value) {
    TcxCustomEditStyle* target = StoreTarget();
    target->StoreValue(target->gradientDirection_, static_cast<uint8_t>(value), svGradientDirection);
}
void TcxCustomEditStyle::SetPopupBorderStyle(TcxEditPopupBorderStyle value) {
    TcxCustomEditStyle* target = StoreTarget();
    target->StoreValue(target->popupBorderStyle_, static_cast<uint8_t>(value), svPopupBorderStyle);
}

bool TcxCustomEditStyle::HasPopupCloseButton() const {
    return BaseStyle()->PopupCloseFlag;
}

// A state style takes what its Normal style reads; the Normal style has the defaults.
TcxEditButtonStyle TcxCustomEditStyle::FallbackButtonStyle() const {
    return BaseStyle() != this ? BaseStyle()->ButtonStyle() : btsDefault;
}
TcxEditButtonTransparency TcxCustomEditStyle::FallbackButtonTransparency() const {
    return BaseStyle() != this ? BaseStyle()->ButtonTransparency() : ebtNone;
}
bool TcxCustomEditStyle::FallbackGradient() const {
    return BaseStyle() != this ? BaseStyle()->Gradient() : false;
}
bool TcxCustomEditStyle::FallbackGradientButtons() const {
    return BaseStyle() != this ? BaseStyle()->GradientButtons() : false;
}
TcxEditGradientDirection TcxCustomEditStyle::FallbackGradientDirection() const {
    return BaseStyle() != this ? BaseStyle()->GradientDirection() : dirDown;
}
TcxEditPopupBorderStyle TcxCustomEditStyle::FallbackPopupBorderStyle() const {
    return BaseStyle() != this ? BaseStyle()->PopupBorderStyle() : epbsDefault;
}

void TcxCustomEditStyle::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TcxCustomEditStyle*>(source);
    if (!other) return TcxContainerStyle::Assign(source);
    StartUpdate();
    TcxContainerStyle::Assign(source);
    buttonStyle_ = other->buttonStyle_;
    buttonTransparency_ = other->buttonTransparency_;
    gradient_ = other->gradient_;
    gradientButtons_ = other->gradientButtons_;
    gradientDirection_ = other->gradientDirection_;
    popupBorderStyle_ = other->popupBorderStyle_;
    PopupCloseFlag = other->PopupCloseFlag;
    NotifyChanged();
    FinishUpdate();
}

TcxEditStyleController* TcxEditStyle::StyleController() const {
    return dynamic_cast<TcxEditStyleController*>(TcxContainerStyle::StyleController());
}

void TcxEditStyle::SetStyleController(TcxEditStyleController* value) {
    TcxContainerStyle::SetStyleController(value);
}

// ---------------------------------------------------------------------------------------------
TcxEditStyleController::TcxEditStyleController(TComponent* owner)
    : TcxStyleController(owner, TcxContainerStyles::Class(), TcxEditStyle::Class()) {}

TcxEditStyleController* GetDefaultEditStyleController() {
    if (!defaultController && !defaultControllerCreating && !defaultControllerGoing) {
        defaultControllerCreating = true;
        try {
            defaultController = std::make_unique<TcxEditStyleController>(nullptr);
        } catch (...) {
            defaultControllerCreating = false;
            throw;
        }
        defaultControllerCreating = false;
    }
    return defaultController.get();
}

void FreeDefaultEditStyleController() {
    if (!defaultController) return;
    defaultControllerGoing = true;
    defaultController.reset();
    defaultControllerGoing = false;
}
