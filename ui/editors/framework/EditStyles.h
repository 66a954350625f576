#pragma once
// The editor's state styles: the container's values plus six of the editor's own (the style of
// the edit buttons, their transparency, the popup border, gradient buttons, gradient and its
// direction), each assigned in the style, read from the style controller for the same state, or
// taken from a fallback. TcxEditStyleController shares edit styles among editors; one default
// controller serves every standalone editor without a controller of its own.
#include <cstdint>
#include <memory>

#include "ui/core/CoreClasses.h"
#include "ui/editors/framework/ContainerStyles.h"

// Same order as TcxContainerBorderStyle.
enum TcxEditBorderStyle { ebsNone, ebsSingle, ebsThick, ebsFlat, ebs3D, ebsUltraFlat, ebsOffice11 };
enum TcxEditButtonStyle { btsDefault, bts3D, btsFlat, btsSimple, btsHotFlat, btsUltraFlat, btsOffice11 };
enum TcxEditButtonTransparency { ebtNone, ebtInactive, ebtAlways, ebtHideInactive, ebtHideUnselected };
enum TcxEditPopupBorderStyle { epbsDefault, epbsSingle, epbsFrame3D, epbsFlat };
// dirLeft .. dirDown of TcxDirection.
using TcxEditGradientDirection = TcxDirection;

constexpr TcxContainerStyleValue svButtonStyle = 10;
constexpr TcxContainerStyleValue svButtonTransparency = 11;
constexpr TcxContainerStyleValue svPopupBorderStyle = 12;
constexpr TcxContainerStyleValue svGradientButtons = 13;
constexpr TcxContainerStyleValue svGradient = 14;
constexpr TcxContainerStyleValue svGradientDirection = 15;

class TcxEditStyleController;

class TcxCustomEditStyle : public TcxContainerStyle {
public:
    VZ_CLASS(TcxCustomEditStyle, TcxContainerStyle)
    TcxCustomEditStyle(TPersistent* owner, bool directAccessMode, TcxContainerStyle* parentStyle = nullptr,
                       TcxContainerStyleState state = csNormal);
    static TcxContainerStyleClass Class();

    void Assign(TPersistent* source) override;

    // The container's border style under the editor's names.
    TcxEditBorderStyle BorderStyle() const {
        return static_cast<TcxEditBorderStyle>(TcxContainerStyle::BorderStyle());
    }
    void SetBorderStyle(TcxEditBorderStyle value) {
        TcxContainerStyle::SetBorderStyle(static_cast<TcxContainerBorderStyle>(value));
    }

    TcxEditButtonStyle ButtonStyle() const;
    void SetButtonStyle(TcxEditButtonStyle value);
    TcxEditButtonTransparency ButtonTransparency() const;
    void SetButtonTransparency(TcxEditButtonTransparency value);
    bool Gradient() const;
    void SetGradient(bool value);
    // Read only: nothing public sets it.
    bool GradientButtons() const;
    TcxEditGradientDirection GradientDirection() const;
    void SetGradientDirection(TcxEditGradientDirection value);
    TcxEditPopupBorderStyle PopupBorderStyle() const;
    void SetPopupBorderStyle(TcxEditPopupBorderStyle value);
    // Whether the editor's popups show a close button: the Normal style's flag.
    bool HasPopupCloseButton() const;
    bool PopupCloseFlag = true;

    // The edit style of the Normal state (this one for the Normal style).
    TcxCustomEditStyle* BaseStyle() const;
    TcxEditStyleController* EditStyleController() const;

    bool IsStyleValueAssigned(TcxContainerStyleValue value) const override;
    int CountStyleValues() const override { return 16; }
    bool FindStyleValueName(TcxContainerStyleValue value, AnsiString& name) const override;
    TcxContainerStyleValues GetUnpublishedStyleValues() const override;

protected:
    TcxStyleController* StandardStyleController() const override;

    virtual TcxEditButtonStyle FallbackButtonStyle() const;
    virtual TcxEditButtonTransparency FallbackButtonTransparency() const;
    virtual bool FallbackGradient() const;
    virtual bool FallbackGradientButtons() const;
    virtual TcxEditGradientDirection FallbackGradientDirection() const;
    virtual TcxEditPopupBorderStyle FallbackPopupBorderStyle() const;

private:
    // The style whose own bit sets an edit value (through the controller chain), nullptr when none.
    const TcxCustomEditStyle* FindEditAssigning(TcxContainerStyleValue value) const;
    template <class T> void StoreValue(T& field, T value, TcxContainerStyleValue index);
    TcxCustomEditStyle* StoreTarget() { return BaseStyle(); }

    uint8_t buttonStyle_ = btsDefault;
    uint8_t buttonTransparency_ = ebtNone;
    bool gradient_ = false;
    bool gradientButtons_ = false;
    uint8_t gradientDirection_ = dirDown;
    uint8_t popupBorderStyle_ = epbsDefault;
};

// The published edit style.
class TcxEditStyle : public TcxCustomEditStyle {
public:
    VZ_CLASS(TcxEditStyle, TcxCustomEditStyle)
    using TcxCustomEditStyle::TcxCustomEditStyle;
    static TcxContainerStyleClass Class();
    TcxEditStyleController* StyleController() const;
    void SetStyleController(TcxEditStyleController* value);
};

// A component whose edit styles several editors share.
class TcxEditStyleController : public TcxStyleController {
public:
    VZ_CLASS(TcxEditStyleController, TcxStyleController)
    explicit TcxEditStyleController(TComponent* owner);
    TcxContainerStyleClass StyleClass() const override { return TcxEditStyle::Class(); }

    TcxEditStyle* Style() const { return static_cast<TcxEditStyle*>(Styles().Normal()); }
    TcxEditStyle* StyleDisabled() const { return static_cast<TcxEditStyle*>(Styles().Disabled()); }
    TcxEditStyle* StyleFocused() const { return static_cast<TcxEditStyle*>(Styles().Focused()); }
    TcxEditStyle* StyleHot() const { return static_cast<TcxEditStyle*>(Styles().Hot()); }
    void SetStyle(TcxEditStyle* value) { Style()->Assign(value); }
    void SetStyleDisabled(TcxEditStyle* value) { StyleDisabled()->Assign(value); }
    void SetStyleFocused(TcxEditStyle* value) { StyleFocused()->Assign(value); }
    void SetStyleHot(TcxEditStyle* value) { StyleHot()->Assign(value); }
};

// The default controller of standalone editors: made on first use (the base editor unit makes it
// at its start) and freed by FreeDefaultEditStyleController (the unit's end). While it is being
// freed the styles fall back to no controller.
TcxEditStyleController* GetDefaultEditStyleController();
void FreeDefaultEditStyleController();
