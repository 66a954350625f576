#pragma once
// The styles a container takes its border, colours, font, edges, hot tracking and shadow from:
// one style per state (Normal, Focused, Disabled, Hot). A value a style does not set itself
// comes from the style controller attached to the Normal style (a component several containers
// share), then from the style's fallback, which for the state styles is mostly the Normal
// style's value. Edges, Font, HotTrack, Shadow, TransparentBorder and the look and feel belong to
// the Normal style: the state styles read and write them through it.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Components.h"
#include "platform/graphics/Graphics.h"
#include "ui/core/Canvas.h"
#include "ui/core/CoreClasses.h"
#include "ui/core/LookAndFeel.h"

enum TcxContainerBorderStyle { cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11 };

// Style values by index; a set of them is a 32-bit mask, bit i for value i.
using TcxContainerStyleValue = int;
using TcxContainerStyleValues = uint32_t;
constexpr TcxContainerStyleValue svBorderColor = 0;
constexpr TcxContainerStyleValue svBorderStyle = 1;
constexpr TcxContainerStyleValue svColor = 2;
constexpr TcxContainerStyleValue svEdges = 3;
constexpr TcxContainerStyleValue svFont = 4;
constexpr TcxContainerStyleValue svHotTrack = 5;
constexpr TcxContainerStyleValue svShadow = 6;
constexpr TcxContainerStyleValue svTextColor = 7;
constexpr TcxContainerStyleValue svTextStyle = 8;
constexpr TcxContainerStyleValue svTransparentBorder = 9;
constexpr TcxContainerStyleValues StyleValueBit(TcxContainerStyleValue value) {
    return 1u << static_cast<unsigned>(value);
}

enum TcxContainerStyleState { csNormal, csFocused, csDisabled, csHot };

class TcxContainer;
class TcxContainerStyle;
class TcxContainerStyles;
class TcxStyleController;

// Makes a style for a state: (owner, direct-access mode, parent style, state).
using TcxContainerStyleClass = std::function<std::unique_ptr<TcxContainerStyle>(
    TPersistent* owner, bool directAccessMode, TcxContainerStyle* parentStyle, TcxContainerStyleState state)>;
// Makes the four styles of an owner from a style class.
using TcxContainerStylesClass =
    std::function<std::unique_ptr<TcxContainerStyles>(TPersistent* owner, const TcxContainerStyleClass& styleClass)>;

using TcxStyleChangedEvent = std::function<void(TObject* sender)>;

class TcxContainerStyle : public TcxInterfacedPersistent {
public:
    VZ_CLASS(TcxContainerStyle, TcxInterfacedPersistent)
    // CreateForState: the parent is kept only for a state other than Normal.
    TcxContainerStyle(TPersistent* owner, bool directAccessMode, TcxContainerStyle* parentStyle = nullptr,
                      TcxContainerStyleState state = csNormal);
    ~TcxContainerStyle() override;
    static TcxContainerStyleClass Class();

    void Assign(TPersistent* source) override;
    // Names "IsFontAssigned" beside the stored Font.
    void DefineProperties(TFiler* filer) override;

    // Collapses the notifications made inside into one at the outermost FinishUpdate.
    void StartUpdate() { ++updateCount_; }
    void FinishUpdate();
    virtual void ResetToDefaults();

    TcxContainerStyleValues AssignedValues() const;
    void SetAssignedValues(TcxContainerStyleValues value);
    TColor BorderColor() const;
    void SetBorderColor(TColor value);
    TcxContainerBorderStyle BorderStyle() const;
    void SetBorderStyle(TcxContainerBorderStyle value);
    virtual TColor GetColor() const;
    void SetColor(TColor value);
    TcxBorders Edges() const;
    void SetEdges(TcxBorders value);
    TFont* Font() const;
    // Copies the font in; a direct-access style keeps the reference instead.
    void SetFont(TFont* value);
    bool HotTrack() const;
    void SetHotTrack(bool value);
    bool Shadow() const;
    void SetShadow(bool value);
    virtual TColor GetTextColor() const;
    void SetTextColor(TColor value);
    virtual TFontStyles GetTextStyle() const;
    void SetTextStyle(TFontStyles value);
    bool TransparentBorder() const;
    void SetTransparentBorder(bool value);
    TcxLookAndFeel& LookAndFeel() const;
    void SetLookAndFeel(TcxLookAndFeel* value) { LookAndFeel().Assign(value); }
    // nullptr while only the standard controller applies.
    TcxStyleController* StyleController() const;
    void SetStyleController(TcxStyleController* value);
    // The controller in force, the standard one included.
    TcxStyleController* ActiveStyleController() const;

    // The colour the container gives itself.
    virtual TColor GetControlColor() const;
    // The resolved font with TextColor and TextStyle, recomputed on every call.
    TFont* GetEffectiveFont() const;
    virtual bool IsBorderShown() const { return BorderStyle() != cbsNone; }
    // The style or its controller chain sets the value (only values 0 to 8 are answered).
    virtual bool IsStyleValueAssigned(TcxContainerStyleValue value) const;
    virtual int CountStyleValues() const { return 10; }
    virtual bool FindStyleValueName(TcxContainerStyleValue value, AnsiString& name) const;
    // The index of a value name (case-insensitive); -1 when none.
    TcxContainerStyleValue FindStyleValueIndex(const AnsiString& name) const;
    virtual TcxContainerStyleValues GetUnpublishedStyleValues() const;
    // A property of the style that streaming treats as published.
    bool IsPropertyPublished(const AnsiString& name) const;
    // Whether the value goes into the stored form.
    bool IsValueStored(TcxContainerStyleValue value) const;
    bool IsStyleControllerStored() const { return state_ == csNormal && StyleController() != nullptr; }

    TcxContainerStyleState State() const { return state_; }
    TcxContainerStyle* ParentStyle() const { return parentStyle_; }
    bool DirectAccessMode() const { return directAccessMode_; }
    // The container owning the style, nullptr for a controller's or a free style.
    TcxContainer* Container() const;
    bool IsDestroying() const { return destroying_; }

    TcxStyleChangedEvent OnChanged;

    // A change from the container's own font that must not count as the style's own font: the
    // bit goes, under the font-assigned lock and without the font being read again.
    void ClearFontAssigned();
    // Reads the font from the controller chain again (unless the style has its own).
    void RefreshFont() { UpdateFont(); }

    // Called by the controller.
    virtual void StyleControllerChanged();
    virtual void StyleControllerFreed(TcxStyleController* controller);

protected:
    virtual void NotifyChanged();
    virtual TColor FallbackBorderColor() const;
    virtual TcxContainerBorderStyle FallbackBorderStyle() const;
    virtual TColor FallbackColor() const;
    virtual TcxBorders FallbackEdges() const { return cxBordersAll; }
    virtual bool FallbackHotTrack() const { return true; }
    virtual bool FallbackShadow() const { return false; }
    virtual TColor FallbackTextColor() const;
    virtual TFontStyles FallbackTextStyle() const;
    virtual bool FallbackTransparentBorder() const { return true; }
    virtual void HandleFontChange();
    // The controller every Normal style starts with and falls back to; none in the base.
    virtual TcxStyleController* StandardStyleController() const { return nullptr; }
    // Attaches the standard controller (construction of a Normal style).
    void AttachStandardStyleController();

    // The style whose own bit sets the value: this one, else the same state's style of the
    // controller chain; nullptr when none does. Normal-owned values are looked up by the Normal style.
    const TcxContainerStyle* FindAssigning(TcxContainerStyleValue value) const;
    const TcxContainerStyle* NormalStyle() const { return parentStyle_ ? parentStyle_ : this; }
    TcxContainerStyle* NormalStyle() { return parentStyle_ ? parentStyle_ : this; }
    bool OwnsValue(TcxContainerStyleValue value) const { return (assignedValues_ & StyleValueBit(value)) != 0; }
    // Re-reads the Normal style's font from the controller chain under the font-assigned lock.
    void UpdateFont();
    void SetValueBit(TcxContainerStyleValue value) { assignedValues_ |= StyleValueBit(value); }

private:
    friend class TcxStyleController;
    void ResetFont();
    template <class T> void SetOwned(T& field, const T& value, TcxContainerStyleValue index);
    TColor ParentControlColor(bool& found) const;

    TColor borderColor_ = clDefault;
    TcxContainerBorderStyle borderStyle_ = cbsNone;
    TcxBorders edges_;
    bool hotTrack_ = true;
    bool shadow_ = false;
    bool transparentBorder_ = true;
    bool directAccessMode_ = false;
    int fontAssignedLockCount_ = 0;
    bool destroying_ = false;
    std::unique_ptr<TcxLookAndFeel> lookAndFeel_;
    bool modified_ = false;
    TcxContainerStyle* parentStyle_ = nullptr;
    TcxContainerStyleState state_ = csNormal;
    TFontStyles textStyle_;
    int updateCount_ = 0;
    std::unique_ptr<TFont> visibleFont_;
    TcxContainerStyleValues assignedValues_ = 0;
    TcxStyleController* styleController_ = nullptr;
    TColor color_ = clDefault;
    TFont* font_ = nullptr; // owned by a Normal style outside direct-access mode
    std::unique_ptr<TFont> ownedFont_;
    TColor textColor_ = clDefault;
};

// The four styles of an owner, by state.
class TcxContainerStyles : public TObject {
public:
    VZ_CLASS(TcxContainerStyles, TObject)
    TcxContainerStyles(TPersistent* owner, const TcxContainerStyleClass& styleClass);
    ~TcxContainerStyles() override;
    static TcxContainerStylesClass Class();

    TcxContainerStyle* Style(TcxContainerStyleState state) const { return styles_[state].get(); }
    TcxContainerStyle* Normal() const { return Style(csNormal); }
    TcxContainerStyle* Focused() const { return Style(csFocused); }
    TcxContainerStyle* Disabled() const { return Style(csDisabled); }
    TcxContainerStyle* Hot() const { return Style(csHot); }
    void SetStyle(TcxContainerStyleState state, TcxContainerStyle* value) { Style(state)->Assign(value); }
    void SetOnChanged(const TcxStyleChangedEvent& handler);

private:
    std::unique_ptr<TcxContainerStyle> styles_[4];
};

// A component whose styles several containers share.
class TcxStyleController : public TcxComponent {
public:
    VZ_CLASS(TcxStyleController, TcxComponent)
    explicit TcxStyleController(TComponent* owner);
    ~TcxStyleController() override;

    void Loaded() override;
    virtual void AttachStyle(TcxContainerStyle* style);
    virtual void DetachStyle(TcxContainerStyle* style);
    virtual TcxContainerStyleClass StyleClass() const { return TcxContainerStyle::Class(); }
    virtual TcxContainerStylesClass StylesClass() const { return TcxContainerStyles::Class(); }

    TcxContainerStyles& Styles() const { return *styles_; }
    TcxContainerStyle* Style() const { return styles_->Normal(); }
    // The controller of its own Normal style unless that is the standard one.
    TcxStyleController* FakeStyleController() const { return Style()->StyleController(); }
    void SetFakeStyleController(TcxStyleController*) {}
    int ListenerCount() const { return static_cast<int>(listeners_.size()); }
    bool IsDestroying() const { return destroying_; }
    // Scales the shared font once in the controller's life (a container's scaling while loading).
    void ScaleFont(int multiplier, int divider);
    // Fires OnStyleChanged, then tells every listener.
    void Changed();

    TNotifyEvent OnStyleChanged;

protected:
    // A descendant names its own style classes.
    TcxStyleController(TComponent* owner, const TcxContainerStylesClass& stylesClass,
                       const TcxContainerStyleClass& styleClass);

private:
    bool destroying_ = false;
    bool fontScaled_ = false;
    std::vector<TcxContainerStyle*> listeners_;
    std::unique_ptr<TcxContainerStyles> styles_;
};
