#include "ui/editors/framework/ContainerStyles.h"

#include <algorithm>

#include "platform/core/Filer.h"
#include "ui/editors/framework/Container.h"

namespace {

const char* const StyleValueNames[] = {"BorderColor", "BorderStyle", "Color",  "Edges",     "Font",
                                       "HotTrack",    "Shadow",      "TextColor", "TextStyle", "TransparentBorder"};

// Values the Normal style keeps for the state styles.
constexpr TcxContainerStyleValues NormalOwnedValues = StyleValueBit(svEdges) | StyleValueBit(svFont) |
                                                      StyleValueBit(svHotTrack) | StyleValueBit(svShadow) |
                                                      StyleValueBit(svTransparentBorder);

constexpr TcxContainerStyleValues DirectAccessInitialValues =
    StyleValueBit(svColor) | StyleValueBit(svFont) | StyleValueBit(svTextColor) | StyleValueBit(svTextStyle);

// A controller chain longer than this is taken as broken rather than followed for ever.
constexpr int MaxControllerChain = 64;

// The raised border of a Focused or Hot style with hot tracking, from the Normal style's.
TcxContainerBorderStyle RaisedBorderStyle(TcxContainerBorderStyle normal) {
    switch (normal) {
    case cbsNone:
        return cbsFlat;
    case cbsSingle:
    case cbsThick:
        return cbsThick;
    case cbsFlat:
    case cbs3D:
        return cbs3D;
    default:
        return normal;
    }
}

TcxContainerBorderStyle BorderStyleOfKind(TcxLookAndFeelKind kind) {
    switch (kind) {
    case lfFlat:
        return cbsFlat;
    case lfStandard:
        return cbs3D;
    case lfOffice11:
        return cbsOffice11;
    default:
        return cbsUltraFlat;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
TcxContainerStyle::TcxContainerStyle(TPersistent* owner, bool directAccessMode, TcxContainerStyle* parentStyle,
                                     TcxContainerStyleState state)
    : TcxInterfacedPersistent(owner), directAccessMode_(directAccessMode), state_(state) {
    if (state != csNormal) parentStyle_ = parentStyle;
    if (directAccessMode) assignedValues_ = DirectAccessInitialValues;
    if (state == csNormal && !directAccessMode) {
        ownedFont_ = std::make_unique<TFont>();
        font_ = ownedFont_.get();
        font_->OnChange = [this](TGraphicsObject*) { HandleFontChange(); };
    }
    visibleFont_ = std::make_unique<TFont>();
    if (state == csNormal) {
        lookAndFeel_ = std::make_unique<TcxLookAndFeel>(this);
        lookAndFeel_->OnChanged = [this](TcxLookAndFeel*, TcxLookAndFeelValues) { NotifyChanged(); };
        AttachStandardStyleController();
    }
}

TcxContainerStyle::~TcxContainerStyle() {
    destroying_ = true;
    if (state_ == csNormal && styleController_) styleController_->DetachStyle(this);
    styleController_ = nullptr;
    lookAndFeel_.reset();
    visibleFont_.reset();
}

TcxContainerStyleClass TcxContainerStyle::Class() {
    return [](TPersistent* owner, bool directAccessMode, TcxContainerStyle* parentStyle,
              TcxContainerStyleState state) {
        return std::make_unique<TcxContainerStyle>(owner, directAccessMode, parentStyle, state);
    };
}

void TcxContainerStyle::AttachStandardStyleController() {
    TcxStyleController* standard = StandardStyleController();
    if (!standard || standard == GetOwner() || standard == styleController_) return;
    if (styleController_) styleController_->DetachStyle(this);
    styleController_ = nullptr;
    standard->AttachStyle(this);
    styleController_ = standard;
    UpdateFont();
}

TcxContainer* TcxContainerStyle::Container() const {
    return dynamic_cast<TcxContainer*>(Owner);
}

// ---------------------------------------------------------------------------------------------
// Resolving

const TcxContainerStyle* TcxContainerStyle::FindAssigning(TcxContainerStyleValue value) const {
    const TcxContainerStyle* style = this;
    if ((NormalOwnedValues & StyleValueBit(value)) != 0) style = NormalStyle();
    for (int depth = 0; style && depth < MaxControllerChain; ++depth) {
        if (style->OwnsValue(value)) return style;
        TcxStyleController* controller = style->NormalStyle()->styleController_;
        if (!controller || controller->IsDestroying()) return nullptr;
        style = controller->Styles().Style(style->state_);
        if ((NormalOwnedValues & StyleValueBit(value)) != 0) style = style->NormalStyle();
    }
    return nullptr;
}

TcxContainerStyleValues TcxContainerStyle::AssignedValues() const {
    if (directAccessMode_) return (1u << CountStyleValues()) - 1;
    return assignedValues_;
}

void TcxContainerStyle::SetAssignedValues(TcxContainerStyleValues value) {
    if (value == assignedValues_) return;
    assignedValues_ = value;
    if (state_ == csNormal) UpdateFont();
    NotifyChanged();
}

TColor TcxContainerStyle::BorderColor() const {
    if (directAccessMode_) return borderColor_;
    if (const TcxContainerStyle* style = FindAssigning(svBorderColor)) return style->borderColor_;
    return FallbackBorderColor();
}

TcxContainerBorderStyle TcxContainerStyle::BorderStyle() const {
    if (directAccessMode_) return OwnsValue(svBorderStyle) ? borderStyle_ : FallbackBorderStyle();
    if (const TcxContainerStyle* style = FindAssigning(svBorderStyle)) return style->borderStyle_;
    return FallbackBorderStyle();
}

TColor TcxContainerStyle::GetColor() const {
    if (directAccessMode_) return color_;
    if (state_ == csNormal) {
        TcxContainer* container = Container();
        if (container && container->ParentColor() && container->Parent()) return container->Parent()->Color();
    }
    if (const TcxContainerStyle* style = FindAssigning(svColor)) return style->color_;
    return FallbackColor();
}

TColor TcxContainerStyle::GetControlColor() const {
    if (!directAccessMode_) {
        if (const TcxContainerStyle* style = FindAssigning(svColor)) return style->color_;
        if (state_ == csNormal) {
            TcxContainer* container = Container();
            if (container && !container->IsInplace() && container->ParentColor() && container->Parent())
                return container->Parent()->Color();
        }
        return FallbackColor();
    }
    return color_;
}

TcxBorders TcxContainerStyle::Edges() const {
    if (directAccessMode_) return edges_;
    if (const TcxContainerStyle* style = FindAssigning(svEdges)) return style->edges_;
    return FallbackEdges();
}

TFont* TcxContainerStyle::Font() const {
    if (directAccessMode_) return font_;
    return NormalStyle()->font_;
}

bool TcxContainerStyle::HotTrack() const {
    if (directAccessMode_) return OwnsValue(svHotTrack) ? hotTrack_ : FallbackHotTrack();
    if (const TcxContainerStyle* style = FindAssigning(svHotTrack)) return style->hotTrack_;
    return FallbackHotTrack();
}

bool TcxContainerStyle::Shadow() const {
    if (directAccessMode_) return shadow_;
    if (const TcxContainerStyle* style = FindAssigning(svShadow)) return style->shadow_;
    return FallbackShadow();
}

TColor TcxContainerStyle::GetTextColor() const {
    if (directAccessMode_) return textColor_;
    if (const TcxContainerStyle* style = FindAssigning(svTextColor)) return style->textColor_;
    return FallbackTextColor();
}

TFontStyles TcxContainerStyle::GetTextStyle() const {
    if (directAccessMode_) return textStyle_;
    if (const TcxContainerStyle* style = FindAssigning(svTextStyle)) return style->textStyle_;
    return FallbackTextStyle();
}

bool TcxContainerStyle::TransparentBorder() const {
    if (directAccessMode_) return transparentBorder_;
    if (const TcxContainerStyle* style = FindAssigning(svTransparentBorder)) return style->transparentBorder_;
    return FallbackTransparentBorder();
}

TcxLookAndFeel& TcxContainerStyle::LookAndFeel() const {
    return *NormalStyle()->lookAndFeel_;
}

TcxStyleController* TcxContainerStyle::ActiveStyleController() const {
    return NormalStyle()->styleController_;
}

TcxStyleController* TcxContainerStyle::StyleController() const {
    TcxStyleController* controller = ActiveStyleController();
    return controller == NormalStyle()->StandardStyleController() ? nullptr : controller;
}

TFont* TcxContainerStyle::GetEffectiveFont() const {
    if (TFont* font = Font()) visibleFont_->Assign(*font);
    visibleFont_->SetColor(GetTextColor());
    visibleFont_->SetStyle(GetTextStyle());
    return visibleFont_.get();
}

bool TcxContainerStyle::IsStyleValueAssigned(TcxContainerStyleValue value) const {
    if (value < 0 || value > svTextStyle) return false;
    if (directAccessMode_) return true;
    return FindAssigning(value) != nullptr;
}

// ---------------------------------------------------------------------------------------------
// Fallbacks

TColor TcxContainerStyle::FallbackBorderColor() const {
    switch (state_) {
    case csNormal:
        return clWindowFrame;
    case csDisabled:
        return clBtnShadow;
    default:
        return parentStyle_ ? parentStyle_->BorderColor() : clWindowFrame;
    }
}

TcxContainerBorderStyle TcxContainerStyle::FallbackBorderStyle() const {
    if (state_ == csNormal || !parentStyle_) return BorderStyleOfKind(LookAndFeel().Kind());
    const TcxContainerBorderStyle normal = parentStyle_->BorderStyle();
    if (state_ != csDisabled && HotTrack()) return RaisedBorderStyle(normal);
    return normal;
}

TColor TcxContainerStyle::FallbackColor() const {
    TcxContainer* container = Container();
    const bool parentColored = !container || container->DefaultParentColor();
    switch (state_) {
    case csNormal:
        return parentColored ? clBtnFace : clWindow;
    case csDisabled:
        if (parentColored) return parentStyle_ ? parentStyle_->GetColor() : clBtnFace;
        return clBtnFace;
    default:
        return parentStyle_ ? parentStyle_->GetColor() : clWindow;
    }
}

TColor TcxContainerStyle::FallbackTextColor() const {
    switch (state_) {
    case csNormal:
        return Font() ? Font()->Color() : clWindowText;
    case csDisabled:
        return clBtnShadow;
    default:
        return parentStyle_ ? parentStyle_->GetTextColor() : clWindowText;
    }
}

TFontStyles TcxContainerStyle::FallbackTextStyle() const {
    if (state_ == csNormal || !parentStyle_) return Font() ? Font()->Style() : TFontStyles{};
    return parentStyle_->GetTextStyle();
}

// ---------------------------------------------------------------------------------------------
// Setters

template <class T> void TcxContainerStyle::SetOwned(T& field, const T& value, TcxContainerStyleValue index) {
    if (OwnsValue(index) && field == value) return;
    field = value;
    SetValueBit(index);
    NotifyChanged();
}

void TcxContainerStyle::SetBorderColor(TColor value) {
    SetOwned(borderColor_, value, svBorderColor);
}

void TcxContainerStyle::SetBorderStyle(TcxContainerBorderStyle value) {
    SetOwned(borderStyle_, value, svBorderStyle);
}

void TcxContainerStyle::SetColor(TColor value) {
    SetOwned(color_, value, svColor);
}

void TcxContainerStyle::SetEdges(TcxBorders value) {
    if (parentStyle_ && !directAccessMode_) return parentStyle_->SetEdges(value);
    SetOwned(edges_, value, svEdges);
}

void TcxContainerStyle::SetHotTrack(bool value) {
    if (parentStyle_ && !directAccessMode_) return parentStyle_->SetHotTrack(value);
    SetOwned(hotTrack_, value, svHotTrack);
}

void TcxContainerStyle::SetShadow(bool value) {
    if (parentStyle_ && !directAccessMode_) return parentStyle_->SetShadow(value);
    SetOwned(shadow_, value, svShadow);
}

void TcxContainerStyle::SetTransparentBorder(bool value) {
    if (parentStyle_ && !directAccessMode_) return parentStyle_->SetTransparentBorder(value);
    SetOwned(transparentBorder_, value, svTransparentBorder);
}

void TcxContainerStyle::SetTextColor(TColor value) {
    if (OwnsValue(svTextColor) && GetTextColor() == value) return;
    textColor_ = value;
    SetValueBit(svTextColor);
    NotifyChanged();
}

void TcxContainerStyle::SetTextStyle(TFontStyles value) {
    if (OwnsValue(svTextStyle) && GetTextStyle() == value) return;
    textStyle_ = value;
    SetValueBit(svTextStyle);
    NotifyChanged();
}

void TcxContainerStyle::SetFont(TFont* value) {
    if (directAccessMode_) {
        font_ = value;
        return;
    }
    if (parentStyle_) return parentStyle_->SetFont(value);
    if (value) font_->Assign(*value); // the change handler sets the bit and notifies
}

// ---------------------------------------------------------------------------------------------
// Font

void TcxContainerStyle::ResetFont() {
    TFont defaults;
    font_->Assign(defaults);
}

void TcxContainerStyle::UpdateFont() {
    if (directAccessMode_ || state_ != csNormal || !font_ || OwnsValue(svFont)) return;
    ++fontAssignedLockCount_;
    const TcxContainerStyle* source = nullptr;
    if (styleController_ && !styleController_->IsDestroying())
        source = styleController_->Styles().Normal()->FindAssigning(svFont);
    if (source && source->font_) {
        font_->Assign(*source->font_);
    } else {
        TcxContainer* container = Container();
        if (!container || !container->ParentFont()) ResetFont();
    }
    --fontAssignedLockCount_;
}

void TcxContainerStyle::ClearFontAssigned() {
    ++fontAssignedLockCount_;
    assignedValues_ &= ~StyleValueBit(svFont);
    --fontAssignedLockCount_;
}

void TcxContainerStyle::HandleFontChange() {
    if (fontAssignedLockCount_ == 0) SetValueBit(svFont);
    NotifyChanged();
}

// ---------------------------------------------------------------------------------------------
// Notifications and the controller

void TcxContainerStyle::NotifyChanged() {
    modified_ = true;
    if (updateCount_ != 0) return;
    modified_ = false;
    if (!destroying_ && !directAccessMode_ && OnChanged) OnChanged(this);
}

void TcxContainerStyle::FinishUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0 && modified_) NotifyChanged();
}

void TcxContainerStyle::SetStyleController(TcxStyleController* value) {
    if (parentStyle_) return parentStyle_->SetStyleController(value);
    TcxStyleController* standard = StandardStyleController();
    if (standard && standard == GetOwner()) return;
    if (!value) value = standard;
    // A controller whose chain leads back to this style would make every lookup go round.
    int depth = 0;
    for (TcxStyleController* c = value; c; c = c->Style()->styleController_) {
        if (c->Style() == this || ++depth > MaxControllerChain) return;
    }
    if (value == styleController_) return;
    StartUpdate();
    if (styleController_) styleController_->DetachStyle(this);
    styleController_ = nullptr;
    if (value) {
        value->AttachStyle(this);
        styleController_ = value;
    }
    StyleControllerChanged();
    FinishUpdate();
}

void TcxContainerStyle::StyleControllerChanged() {
    UpdateFont();
    NotifyChanged();
}

void TcxContainerStyle::StyleControllerFreed(TcxStyleController* controller) {
    if (styleController_ != controller) return;
    // The look and feel's new master notifies too: one notification for the whole change.
    StartUpdate();
    controller->DetachStyle(this);
    styleController_ = nullptr;
    // The standard controller itself may be the one going: then the fallbacks apply.
    TcxStyleController* standard = StandardStyleController();
    if (standard && standard != controller && !standard->IsDestroying()) {
        standard->AttachStyle(this);
        styleController_ = standard;
    }
    StyleControllerChanged();
    FinishUpdate();
}

// ---------------------------------------------------------------------------------------------
// Reset, Assign, storing

void TcxContainerStyle::ResetToDefaults() {
    StartUpdate();
    assignedValues_ = 0;
    if (state_ == csNormal) {
        lookAndFeel_->ClearAssignedValues();
        TcxContainer* container = Container();
        if (container) {
            container->SetParentColor(false);
            container->SetParentFont(true);
        } else if (!directAccessMode_) {
            ++fontAssignedLockCount_;
            ResetFont();
            --fontAssignedLockCount_;
        }
        UpdateFont();
        if (container && container->DefaultParentColor()) {
            const bool controllerSetsColor = styleController_ && !styleController_->IsDestroying() &&
                                             styleController_->Style()->IsStyleValueAssigned(svColor);
            if (!controllerSetsColor) container->SetParentColor(true);
        }
    }
    NotifyChanged();
    FinishUpdate();
}

void TcxContainerStyle::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TcxContainerStyle*>(source);
    if (!other) return TcxInterfacedPersistent::Assign(source);
    StartUpdate();
    if (state_ == csNormal) {
        SetStyleController(other->StyleController());
        lookAndFeel_->Assign(&other->LookAndFeel());
    }
    borderColor_ = other->BorderColor();
    borderStyle_ = other->BorderStyle();
    edges_ = other->Edges();
    hotTrack_ = other->HotTrack();
    shadow_ = other->Shadow();
    transparentBorder_ = other->TransparentBorder();
    color_ = other->GetColor();
    if (directAccessMode_) {
        font_ = other->Font();
        textColor_ = other->GetTextColor();
    } else {
        if (font_ && other->Font()) {
            ++fontAssignedLockCount_;
            font_->Assign(*other->Font());
            if (other->directAccessMode_) font_->SetColor(other->GetTextColor());
            --fontAssignedLockCount_;
        }
        textColor_ = other->GetTextColor();
        textStyle_ = other->GetTextStyle();
    }
    assignedValues_ = other->assignedValues_;
    if (other->directAccessMode_) assignedValues_ = other->AssignedValues();
    NotifyChanged();
    FinishUpdate();
}

bool TcxContainerStyle::FindStyleValueName(TcxContainerStyleValue value, AnsiString& name) const {
    if (value < 0 || value > svTransparentBorder) return false;
    name = StyleValueNames[value];
    return true;
}

TcxContainerStyleValue TcxContainerStyle::FindStyleValueIndex(const AnsiString& name) const {
    AnsiString candidate;
    for (int i = 0; i < CountStyleValues(); ++i)
        if (FindStyleValueName(i, candidate) && SameText(candidate, name)) return i;
    return -1;
}

TcxContainerStyleValues TcxContainerStyle::GetUnpublishedStyleValues() const {
    return NormalOwnedValues;
}

bool TcxContainerStyle::IsPropertyPublished(const AnsiString& name) const {
    if (name == "LookAndFeel" || name == "StyleController") return false;
    const TcxContainerStyleValue value = FindStyleValueIndex(name);
    return value < 0 || (GetUnpublishedStyleValues() & StyleValueBit(value)) == 0;
}

bool TcxContainerStyle::IsValueStored(TcxContainerStyleValue value) const {
    if ((AssignedValues() & StyleValueBit(value)) == 0) return false;
    TcxContainer* container = Container();
    if (!container) return true;
    AnsiString name;
    if (!FindStyleValueName(value, name)) return true;
    return container->IsStyleValueStored(name, state_ != csNormal);
}

void TcxContainerStyle::DefineProperties(TFiler* filer) {
    TcxInterfacedPersistent::DefineProperties(filer);
    // Whatever it holds, the entry says the font was the style's own.
    filer->DefineProperty(
        "IsFontAssigned", [this](TReader& reader) {
            reader.ReadBoolean();
            SetValueBit(svFont);
        },
        [](TWriter& writer) { writer.WriteBoolean(true); }, IsValueStored(svFont));
}

// ---------------------------------------------------------------------------------------------
TcxContainerStyles::TcxContainerStyles(TPersistent* owner, const TcxContainerStyleClass& styleClass) {
    styles_[csNormal] = styleClass(owner, false, nullptr, csNormal);
    for (TcxContainerStyleState state : {csFocused, csDisabled, csHot})
        styles_[state] = styleClass(owner, false, styles_[csNormal].get(), state);
}

TcxContainerStyles::~TcxContainerStyles() {
    for (int state = csHot; state >= csNormal; --state)
        styles_[state].reset();
}

TcxContainerStylesClass TcxContainerStyles::Class() {
    return [](TPersistent* owner, const TcxContainerStyleClass& styleClass) {
        return std::make_unique<TcxContainerStyles>(owner, styleClass);
    };
}

void TcxContainerStyles::SetOnChanged(const TcxStyleChangedEvent& handler) {
    for (auto& style : styles_)
        style->OnChanged = handler;
}

// ---------------------------------------------------------------------------------------------
TcxStyleController::TcxStyleController(TComponent* owner)
    : TcxStyleController(owner, TcxContainerStyles::Class(), TcxContainerStyle::Class()) {}

TcxStyleController::TcxStyleController(TComponent* owner, const TcxContainerStylesClass& stylesClass,
                                       const TcxContainerStyleClass& styleClass)
    : TcxComponent(owner) {
    styles_ = stylesClass(this, styleClass);
    styles_->SetOnChanged([this](TObject*) { Changed(); });
}

TcxStyleController::~TcxStyleController() {
    destroying_ = true;
    // Each listener leaves the list as it is told.
    for (auto it = listeners_.rbegin(); it != listeners_.rend(); it = listeners_.rbegin()) {
        TcxContainerStyle* style = *it;
        style->StyleControllerFreed(this);
        if (!listeners_.empty() && listeners_.back() == style) listeners_.pop_back();
        if (listeners_.empty()) break;
    }
    styles_.reset();
    listeners_.clear();
}

void TcxStyleController::Loaded() {
    TcxComponent::Loaded();
    Changed();
}

void TcxStyleController::AttachStyle(TcxContainerStyle* style) {
    if (std::find(listeners_.begin(), listeners_.end(), style) != listeners_.end()) return;
    listeners_.push_back(style);
    style->LookAndFeel().SetMaster(&Style()->LookAndFeel());
}

void TcxStyleController::DetachStyle(TcxContainerStyle* style) {
    auto it = std::find(listeners_.begin(), listeners_.end(), style);
    if (it == listeners_.end()) return;
    listeners_.erase(it);
    if (!style->IsDestroying()) style->LookAndFeel().SetMaster(nullptr);
}

void TcxStyleController::Changed() {
    if (OnStyleChanged) OnStyleChanged(this);
    if (destroying_) return;
    for (TcxContainerStyle* style : std::vector<TcxContainerStyle*>(listeners_))
        style->StyleControllerChanged();
}

void TcxStyleController::ScaleFont(int multiplier, int divider) {
    TcxContainerStyle* style = Style();
    if (style->OwnsValue(svFont)) {
        if (fontScaled_) return;
        fontScaled_ = true;
        style->font_->SetSize(MulDiv(style->font_->Size(), multiplier, divider));
    } else if (TcxStyleController* next = style->styleController_; next && next != this) {
        next->ScaleFont(multiplier, divider);
    }
}
