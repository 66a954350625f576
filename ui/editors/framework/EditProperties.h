#pragma once
// Editor properties: the settings and events of an editor, kept apart from the control so that
// one properties object can serve many editors (through a repository item). Also the flags that
// say which optional values are set, the alignment object, the defaults of the place a value is
// stored in (the default values provider and its neutral implementation), and the list of every
// live properties object.
#include <functional>
#include <memory>
#include <optional>

#include "platform/core/Components.h"
#include "platform/core/Variant.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "ui/core/CoreClasses.h"
#include "ui/editors/framework/ContainerStyles.h"
#include "ui/editors/framework/ContainerViewInfo.h"

class TcxCustomEditProperties;
class TcxEditButtons;
class TcxEditRepositoryItem;
class TcxCustomEditData;
class TcxCustomEditStyle;
class TcxCustomEditViewData;

// Makes the view data of properties for a style and a mode, ready for use.
using TcxCustomEditViewDataClass = std::function<std::unique_ptr<TcxCustomEditViewData>(
    TcxCustomEditProperties* properties, TcxCustomEditStyle* style, bool isInplace)>;

// The editor as its properties, data binding and edit data see it. TcxCustomEdit implements it;
// nothing here reaches the editor in any other way.
class IcxEditSide {
public:
    // The editor itself: the sender of the properties' events and the component watched for its
    // going away.
    virtual TComponent* EditComponent() = 0;
    virtual TcxCustomEditProperties* OwnProperties() = 0;
    // nullptr while the editor uses its own properties.
    virtual TcxEditRepositoryItem* RepositoryItem() = 0;
    // The item's properties while an item is set, else the own ones.
    virtual TcxCustomEditProperties* EffectiveProperties() = 0;
    // The properties changed (sender: the properties object).
    virtual void ApplyPropertiesChange(TObject* sender) = 0;
    virtual bool Modified() = 0;
    virtual void SetModified(bool value) = 0;
    virtual bool Focused() = 0;
    virtual Variant EditValue() = 0;
    virtual AnsiString ReadDisplayText() = 0;
    virtual void WriteDisplayValue(const Variant& value) = 0;
    virtual void RevertValue() = 0;
    virtual void SyncDisplayFromValue() = 0;
    // The host data attached at inplace activation (nullptr none) and its re-initialisation.
    virtual TcxCustomEditData* EditData() = 0;
    virtual void InitNewEditData() = 0;

protected:
    ~IcxEditSide() = default;
};

// ---------------------------------------------------------------------------------------------
// Defaults and capabilities of the place where a value is stored.
class IcxEditDefaultValuesProvider {
public:
    virtual bool AllowsEditMode() = 0;
    // Every live properties object whose provider is this one forgets it.
    virtual void DetachFromProperties() = 0;
    virtual TAlignment HorzAlignmentPreset() = 0;
    virtual int SpareKind() = 0;
    virtual bool AllowsModification() = 0;
    virtual AnsiString DisplayFormatPreset() = 0;
    virtual AnsiString EditFormatPreset() = 0;
    virtual AnsiString EditMaskPreset() = 0;
    virtual bool HoldsFloatValue() = 0;
    virtual int MaxLengthPreset() = 0;
    virtual double MaxValuePreset() = 0;
    virtual double MinValuePreset() = 0;
    virtual int PrecisionPreset() = 0;
    virtual bool ReadOnlyPreset() = 0;
    virtual bool IsValueRequired() = 0;
    virtual TObject* ImplementingObject() = 0;
    virtual bool IsValueStorage() = 0;
    virtual bool SpareTest() = 0;
    virtual bool IsCurrencyValue() = 0;
    virtual bool IsValueAvailable() = 0;
    virtual bool HasDisplayFormat(bool display) = 0;
    virtual bool HasTextHandler() = 0;
    virtual bool AllowsAnyInput() = 0;
    virtual bool AcceptsChar(char ch) = 0;

protected:
    ~IcxEditDefaultValuesProvider() = default;
};

// The answers when nothing is bound. Going away, it leaves every properties object that used it.
class TcxCustomEditDefaultValuesProvider : public TcxInterfacedPersistent,
                                           public IcxEditDefaultValuesProvider {
public:
    VZ_CLASS(TcxCustomEditDefaultValuesProvider, TcxInterfacedPersistent)
    explicit TcxCustomEditDefaultValuesProvider(TPersistent* owner = nullptr)
        : TcxInterfacedPersistent(owner) {}
    ~TcxCustomEditDefaultValuesProvider() override;

    bool AllowsEditMode() override { return true; }
    void DetachFromProperties() final;
    TAlignment HorzAlignmentPreset() override { return taLeftJustify; }
    int SpareKind() override { return 3; }
    bool AllowsModification() override { return true; }
    AnsiString DisplayFormatPreset() override { return {}; }
    AnsiString EditFormatPreset() override { return {}; }
    AnsiString EditMaskPreset() override { return {}; }
    bool HoldsFloatValue() override { return false; }
    int MaxLengthPreset() override { return 0; }
    double MaxValuePreset() override { return 0.0; }
    double MinValuePreset() override { return 0.0; }
    int PrecisionPreset() override { return 15; }
    bool ReadOnlyPreset() override { return false; }
    bool IsValueRequired() override { return false; }
    TObject* ImplementingObject() final { return this; }
    bool SpareTest() override { return false; }
    bool IsCurrencyValue() override { return false; }
    bool IsValueAvailable() override { return true; }
    bool IsValueStorage() override { return false; }
    bool HasDisplayFormat(bool) override { return false; }
    bool HasTextHandler() override { return false; }
    bool AllowsAnyInput() override { return false; }
    bool AcceptsChar(char) override { return true; }
};

// ---------------------------------------------------------------------------------------------
// Which of MaxValue, MinValue and ReadOnly are set. A flag that changes notifies the owner.
class TcxCustomEditPropertiesValues : public TPersistent {
public:
    VZ_CLASS(TcxCustomEditPropertiesValues, TPersistent)
    explicit TcxCustomEditPropertiesValues(TcxCustomEditProperties* owner = nullptr) : Owner(owner) {}

    TcxCustomEditProperties* Owner;
    bool MaxValue() const { return maxValue_; }
    bool MinValue() const { return minValue_; }
    bool ReadOnly() const { return readOnly_; }
    void SetMaxValue(bool value) { SetFlag(maxValue_, value); }
    void SetMinValue(bool value) { SetFlag(minValue_, value); }
    void SetReadOnly(bool value) { SetFlag(readOnly_, value); }
    // Clears the three flags inside one update of the owner.
    virtual void ResetAssigned();
    // From another flag set, inside one update of the owner.
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() override;

private:
    void SetFlag(bool& flag, bool value);
    bool maxValue_ = false;
    bool minValue_ = false;
    bool readOnly_ = false;
};

enum TcxEditVertAlignment { taTopJustify, taBottomJustify, taVCenter };

class TcxEditAlignment : public TPersistent {
public:
    VZ_CLASS(TcxEditAlignment, TPersistent)
    explicit TcxEditAlignment(TPersistent* owner = nullptr) : Owner(owner) {}

    TPersistent* Owner;
    TNotifyEvent OnChanged;

    TAlignment Horz() const { return horz_; }
    bool IsHorzAssigned() const { return horzAssigned_; }
    TcxEditVertAlignment Vert() const { return vert_; }
    // Marks Horz set; nothing when it is set and equal.
    void SetHorz(TAlignment value);
    void SetVert(TcxEditVertAlignment value);
    // Horz no longer set.
    void Reset();
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() override { return Owner; }
    bool IsHorzStored() const { return horzAssigned_; }
    bool IsVertStored() const { return vert_ != taTopJustify; }

private:
    friend class TcxCustomEditProperties;
    void Changed();
    TAlignment horz_ = taLeftJustify;
    bool horzAssigned_ = false;
    TcxEditVertAlignment vert_ = taTopJustify;
};

// ---------------------------------------------------------------------------------------------
using TcxEditValidateEvent =
    std::function<void(TObject* Sender, Variant& DisplayValue, AnsiString& ErrorText, bool& Error)>;
using TcxEditButtonClickEvent = std::function<void(TObject* Sender, int AButtonIndex)>;
using TcxEditClosePopupEvent = std::function<void(TObject* Sender, int Reason)>;

// Bits of GetDisplayFormatOptions.
constexpr unsigned dfoUseProviderFormat = 1;
constexpr unsigned dfoProviderDisplayForm = 2;
// GetSupportedOperations: the editor has buttons.
constexpr unsigned esoHasButtons = 32;

class TcxCustomEditProperties : public TcxInterfacedPersistent {
public:
    VZ_CLASS(TcxCustomEditProperties, TcxInterfacedPersistent)
    // owner: the editor, a repository item, or nullptr. Joins the list of live properties.
    explicit TcxCustomEditProperties(TPersistent* owner = nullptr);
    ~TcxCustomEditProperties() override;

    // The virtual constructor: new properties of propertiesClass (this class or a descendant).
    static std::unique_ptr<TcxCustomEditProperties> Create(TClass propertiesClass, TComponent* owner);
    // New properties of this object's class without owner.
    std::unique_ptr<TcxCustomEditProperties> CreateBlank() const;

    // Change notification, batched by nested updates; the outermost EndUpdate(true) delivers one
    // held-back change, EndUpdate(false) drops it.
    void BeginUpdate();
    void EndUpdate(bool notify = true);
    int UpdateDepth() const { return updateDepth_; }
    int NotifyDepth() const { return notifyDepth_; }
    bool ChangePending() const { return changePending_; }
    bool NotifyLocked() const { return notifyLocked_; }
    void SuspendChanged(bool locked) { notifyLocked_ = locked; }
    virtual void NotifyChanged();
    // The owning editor's ApplyPropertiesChange, or the repository item's notification.
    TNotifyEvent ChangedHandler;

    // Published values.
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool value);
    bool BeepOnError = false;
    TShortCut ClearKey = 0;
    TShortCut ClickShortCut = 16397; // Ctrl+Enter
    bool ImmediatePost = false;
    bool ValidateOnEnter = false;
    bool AllowMouseWheel = true;
    uint8_t ButtonLayoutMode() const { return buttonLayoutMode_; }
    void SetButtonLayoutMode(uint8_t value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool UseLeftAlignmentOnEditing() const;
    void SetUseLeftAlignmentOnEditing(bool value);
    bool IsUseLeftAlignmentOnEditingStored() const;

    // Own value when assigned, else the provider's, else False / 0.
    bool ReadOnly();
    void SetReadOnly(bool value);
    double MaxValue() { return GetMaxValue(); }
    void SetMaxValue(double value);
    double MinValue() { return GetMinValue(); }
    void SetMinValue(double value);
    bool IsReadOnlyStored() { return AssignedValues()->ReadOnly(); }
    bool IsMaxValueStored() { return AssignedValues()->MaxValue(); }
    bool IsMinValueStored() { return AssignedValues()->MinValue(); }

    TcxCustomEditPropertiesValues* AssignedValues();
    TcxEditButtons* Buttons();
    // The effective alignment: Horz from ResolveHorzAlignment while not set (except while the
    // owner writes itself and the alignment is stored).
    TcxEditAlignment* Alignment();
    bool IsAlignmentStored() const;
    virtual void SetAlignment(TcxEditAlignment* value);

    IcxEditDefaultValuesProvider* DefaultValuesProvider() const { return provider_; }
    // Notifies when the owner is an editor.
    void SetDefaultValuesProvider(IcxEditDefaultValuesProvider* provider);
    virtual void DropDefaultValuesProvider() { provider_ = nullptr; }

    bool CanEditValue();
    bool UsesProviderDisplayFormat();

    TcxEditButtonClickEvent OnButtonClicked;
    TNotifyEvent OnChange;
    TcxEditClosePopupEvent OnPopupClosed;
    TNotifyEvent OnEditValueChanged;
    TcxEditValidateEvent OnValidate;

    // What editors of these properties do and need.
    virtual bool NeedsValidation() { return false; }
    virtual bool InitialUseLeftAlignmentOnEditing() const { return true; }
    virtual TClass AssignedValuesClass() const { return TcxCustomEditPropertiesValues::StaticClass(); }
    virtual TClass ButtonsClass() const;
    virtual TAlignment ResolveHorzAlignment();
    virtual unsigned GetDisplayFormatOptions() { return 0; }
    virtual double GetMaxValue();
    virtual double GetMinValue();
    virtual AnsiString ValidationErrorMessage();
    virtual bool HasProviderDisplayFormat(bool editing);
    virtual bool TracksDisplayChanges() { return false; }
    virtual bool KeepsTabKey() { return false; }
    virtual bool DisplayDependsOnFocus() { return true; }
    virtual bool ComparesEditValues() { return false; }
    virtual bool SameDisplayValue(const Variant& a, const Variant& b);
    virtual WideString FormatDisplayText(const Variant&) { return {}; }
    virtual unsigned GetFeatureFlags() { return 0; }
    virtual unsigned GetSupportedOperations();
    virtual bool IsActivationChar(char) { return false; }
    virtual bool IsEditValueValid(const Variant&) { return true; }
    virtual bool RemembersEntryValue() { return false; }
    virtual void EditValueToDisplay(const Variant& editValue, Variant& displayValue, bool isFocused);
    virtual void ResetToDefaults();
    // Fires OnValidate (own properties, then the repository item's) for a text editor.
    virtual void ValidateDisplayValue(Variant& displayValue, AnsiString& errorText, IcxEditSide* edit,
                                      bool& error);
    virtual bool CanUseProviderFormat(bool) { return false; }

    // The layout and painting companions (defined with the view data and view info).
    virtual TcxCustomEditViewDataClass ViewDataClass() const;
    virtual TcxContainerStyleClass StyleClass() const;
    virtual TcxContainerViewInfoClass ViewInfoClass() const;
    // A view data of ViewDataClass for these properties; flag is kept in it as ExternalFlag.
    std::unique_ptr<TcxCustomEditViewData> MakeViewData(TcxCustomEditStyle* style, bool isInplace,
                                                        bool flag = false);

    void Assign(TPersistent* source) override;

protected:
    virtual void HandleAlignmentChange(TObject* sender);
    virtual void HandleButtonsChange(TObject* sender);
    virtual void HandleFreeNotification(TComponent*) {}
    TcxFreeNotificator* Notificator() const { return notificator_.get(); }
    TcxEditAlignment* StoredAlignment() const { return storedAlignment_.get(); }

private:
    bool OwnerIsDestroying();
    bool OwnerIsWriting();

    bool changePending_ = false;
    bool notifyLocked_ = false;
    int updateDepth_ = 0;
    int notifyDepth_ = 0;
    bool autoSelect_ = true;
    uint8_t buttonLayoutMode_ = 0;
    bool transparent_ = false;
    std::optional<bool> useLeftAlignmentOnEditing_; // the initial value until set
    bool readOnly_ = false;
    double maxValue_ = 0.0;
    double minValue_ = 0.0;
    IcxEditDefaultValuesProvider* provider_ = nullptr;
    std::unique_ptr<TcxFreeNotificator> notificator_;
    std::unique_ptr<TcxEditAlignment> alignment_;
    std::unique_ptr<TcxEditAlignment> storedAlignment_;
    // Made from the virtual class operations on first use.
    std::unique_ptr<TcxCustomEditPropertiesValues> assignedValues_;
    std::unique_ptr<TcxEditButtons> buttons_;
};

// Every live properties object, in the order made.
int EditPropertiesCount();
TcxCustomEditProperties* EditPropertiesAt(int index);

void EditPropertiesInitialize();
void EditPropertiesFinalize();
