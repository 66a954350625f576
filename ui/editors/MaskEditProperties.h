#pragma once
// The mask editor's settings: the mask and its kind, how case and blanks count, and the display
// of values under the mask. An editor is masked while its effective mask is not blank; unmasked,
// these settings behave exactly as the text editor's.
#include <memory>

#include "ui/editors/MaskEditModes.h"
#include "ui/editors/TextEditProperties.h"

using TcxEditMask = AnsiString;

// Makes a mode for an editor side (never nullptr; a mode for display formatting gets a side that
// has no window).
using TcxMaskEditModeClass = std::unique_ptr<TcxMaskEditCustomMode> (*)(IcxMaskEditSide* edit,
                                                                        const TcxMaskModeProperties& properties);

class TcxCustomMaskEditProperties : public TcxCustomTextEditProperties {
public:
    VZ_CLASS(TcxCustomMaskEditProperties, TcxCustomTextEditProperties)
    explicit TcxCustomMaskEditProperties(TPersistent* owner = nullptr);
    ~TcxCustomMaskEditProperties() override;

    // --- settings
    bool AlwaysShowBlanksAndLiterals() const { return alwaysShowBlanksAndLiterals_; }
    void SetAlwaysShowBlanksAndLiterals(bool value);
    bool CaseInsensitive() const { return caseInsensitive_; }
    // Stays True while CharCase converts.
    void SetCaseInsensitive(bool value);
    // The mask as set; EffectiveEditMask is the one in force.
    const TcxEditMask& EditMask() const { return editMask_; }
    // An expression that does not compile raises EcxMaskEditError and the old mask stays.
    void SetEditMask(const TcxEditMask& value);
    bool IgnoreMaskBlank() const { return ignoreMaskBlank_; }
    void SetIgnoreMaskBlank(bool value);
    TcxEditMaskKind MaskKind() const { return maskKind_; }
    // An expression kind over a mask that does not compile raises EcxMaskEditError and the old kind
    // stays; leaving an expression kind for the standard one clears EditMask.
    void SetMaskKind(TcxEditMaskKind value);
    void SetCharCase(TEditCharCase value) override;

    // --- what the editor asks
    // EditMask; with the standard kind and a blank EditMask, the provider's edit mask.
    AnsiString EffectiveEditMask();
    bool IsMasked() { return !TcxMaskEditCustomMode::IsBlankMask(EffectiveEditMask()); }
    virtual TcxMaskEditModeClass GetModeClass(TcxEditMaskKind kind);
    // The settings a mode of these properties reads.
    TcxMaskModeProperties ModeProperties();
    // The mode that formats values for display, made from the effective mask when missing or out of
    // date; nullptr while unmasked.
    TcxMaskEditCustomMode* TempMode();
    // The display text of a value (EditValueToDisplay).
    AnsiString FormatValue(const Variant& value, bool isFocused);

    // --- overrides
    void Assign(TPersistent* source) override;
    void NotifyChanged() override;
    void MaxLengthChanged() override;
    unsigned GetDisplayFormatOptions() override;
    TClass LookupDataClass() override;
    bool IsEditValueValid(const Variant& value) override;
    void EditValueToDisplay(const Variant& editValue, Variant& displayValue, bool isFocused) override;
    // The empty value under the mask (blanks and literals, or the forced start of an expression).
    Variant GetEmptyDisplayValue() override;
    void ValidateDisplayValue(Variant& displayValue, AnsiString& errorText, IcxEditSide* edit,
                              bool& error) override;

private:
    // Raises when the pair does not make a mode (an expression that does not compile).
    void CheckMask(TcxEditMaskKind kind, const AnsiString& mask);

    bool alwaysShowBlanksAndLiterals_ = false;
    bool caseInsensitive_ = true;
    TcxEditMask editMask_;
    bool ignoreMaskBlank_ = false;
    TcxEditMaskKind maskKind_ = emkStandard;
    bool maxLengthSetting_ = false;
    std::unique_ptr<IcxMaskEditSide> tempSide_;
    std::unique_ptr<TcxMaskEditCustomMode> tempMode_;
};

// The published mask editor settings.
class TcxMaskEditProperties : public TcxCustomMaskEditProperties {
public:
    VZ_CLASS(TcxMaskEditProperties, TcxCustomMaskEditProperties)
    explicit TcxMaskEditProperties(TPersistent* owner = nullptr) : TcxCustomMaskEditProperties(owner) {}
};

// How filters use a mask editor.
class TcxFilterMaskEditHelper : public TcxFilterTextEditHelper {
public:
    VZ_CLASS(TcxFilterMaskEditHelper, TcxFilterTextEditHelper)
    TClass FilterEditorClass() const override;
    // "like" and "not like" only while unmasked.
    void ListFilterOperatorsFor(TcxCustomEditProperties* properties, TcxValueTypeClass valueType,
                                TcxFilterOperators& operators, bool extended) const override;
    // A typed expression completes its forced characters in a filter; AutoSelect only while unmasked.
    void SetUpFilterProperties(TcxCustomEditProperties* properties, TcxCustomEditProperties* source,
                               bool keepButtons) const override;
};

// The mask editor's unit.
void MaskEditInitialize();
void MaskEditFinalize();
