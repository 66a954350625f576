#include <gtest/gtest.h>

#include "TestEditSide.h"
#include "ui/editors/framework/EditButtons.h"
#include "ui/editors/framework/EditorStrings.h"

namespace {
// Counts the changed handler's calls.
struct TNotifications {
    explicit TNotifications(TcxCustomEditProperties& properties) {
        properties.ChangedHandler = [this](TObject*) { ++count; };
    }
    int count = 0;
};

// A provider with settable answers, standing for a bound field.
class TFieldProvider : public TcxCustomEditDefaultValuesProvider {
public:
    VZ_CLASS(TFieldProvider, TcxCustomEditDefaultValuesProvider)
    bool readOnly = false;
    bool allowsModification = true;
    bool allowsEditMode = true;
    double maxValue = 0;
    TAlignment horz = taLeftJustify;
    bool ReadOnlyPreset() override { return readOnly; }
    bool AllowsModification() override { return allowsModification; }
    bool AllowsEditMode() override { return allowsEditMode; }
    double MaxValuePreset() override { return maxValue; }
    TAlignment HorzAlignmentPreset() override { return horz; }
};

class TValidatingProperties : public TcxCustomEditProperties {
public:
    VZ_CLASS(TValidatingProperties, TcxCustomEditProperties)
    using TcxCustomEditProperties::TcxCustomEditProperties;
    bool NeedsValidation() override { return true; }
};

using TPropertiesAction = void (*)(TcxCustomEditProperties&);
struct TSetterCase {
    const char* name;
    TPropertiesAction set;
};
} // namespace

TEST(EditProperties, EachSetterNotifiesOnceAndNotAgainForTheSameValue) {
    const TSetterCase cases[] = {
        {"AutoSelect", [](TcxCustomEditProperties& p) { p.SetAutoSelect(false); }},
        {"ReadOnly", [](TcxCustomEditProperties& p) { p.SetReadOnly(true); }},
        {"ReadOnly False", [](TcxCustomEditProperties& p) { p.SetReadOnly(false); }},
        {"MaxValue", [](TcxCustomEditProperties& p) { p.SetMaxValue(5.5); }},
        {"MinValue zero", [](TcxCustomEditProperties& p) { p.SetMinValue(0); }},
        {"Transparent", [](TcxCustomEditProperties& p) { p.SetTransparent(true); }},
        {"ButtonLayoutMode", [](TcxCustomEditProperties& p) { p.SetButtonLayoutMode(2); }},
        {"UseLeftAlignmentOnEditing",
         [](TcxCustomEditProperties& p) { p.SetUseLeftAlignmentOnEditing(false); }},
        {"Alignment Horz", [](TcxCustomEditProperties& p) { p.Alignment()->SetHorz(taRightJustify); }},
        {"Alignment Horz default", [](TcxCustomEditProperties& p) { p.Alignment()->SetHorz(taLeftJustify); }},
        {"Alignment Vert", [](TcxCustomEditProperties& p) { p.Alignment()->SetVert(taVCenter); }},
        {"a button",
         [](TcxCustomEditProperties& p) {
             if (p.Buttons()->Count() == 0) p.Buttons()->Add();
         }},
    };
    for (const TSetterCase& c : cases) {
        TcxCustomEditProperties properties;
        TNotifications notified(properties);
        c.set(properties);
        EXPECT_EQ(notified.count, 1) << c.name;
        c.set(properties);
        EXPECT_EQ(notified.count, 1) << c.name << " again";
        EXPECT_EQ(properties.NotifyDepth(), 0) << c.name;
    }
}

TEST(EditProperties, UpdatesBatchChangesIntoOneNotificationOrNone) {
    struct TCase {
        const char* name;
        int updates; // nested BeginUpdate calls
        bool notify; // how the outermost update ends
        bool lock;   // SuspendChanged around the changes
        int expected;
    };
    const TCase cases[] = {
        {"no update", 0, true, false, 3},
        {"one update", 1, true, false, 1},
        {"nested updates", 3, true, false, 1},
        {"ended without notification", 1, false, false, 0},
        {"nested, ended without notification", 2, false, false, 0},
        {"locked", 0, true, true, 0},
    };
    for (const TCase& c : cases) {
        TcxCustomEditProperties properties;
        TNotifications notified(properties);
        properties.SuspendChanged(c.lock);
        for (int i = 0; i < c.updates; ++i)
            properties.BeginUpdate();
        properties.SetReadOnly(true);
        properties.SetMaxValue(10);
        properties.SetAutoSelect(false);
        for (int i = 1; i < c.updates; ++i)
            properties.EndUpdate(true);
        if (c.updates > 0) properties.EndUpdate(c.notify);
        EXPECT_EQ(notified.count, c.expected) << c.name;
        EXPECT_EQ(properties.UpdateDepth(), 0) << c.name;
        if (c.lock) {
            EXPECT_TRUE(properties.ChangePending()) << c.name;
        }
    }
    // An extra EndUpdate neither goes below 0 nor notifies.
    TcxCustomEditProperties properties;
    TNotifications notified(properties);
    properties.EndUpdate();
    EXPECT_EQ(properties.UpdateDepth(), 0);
    properties.SetAutoSelect(false);
    EXPECT_EQ(notified.count, 1);
}

TEST(EditProperties, AnOwnerBeingDestroyedGetsNoNotification) {
    TComponent owner(nullptr);
    auto properties = TcxCustomEditProperties::Create(TcxCustomEditProperties::StaticClass(), &owner);
    TNotifications notified(*properties);
    owner.Destroying();
    properties->SetReadOnly(true);
    properties->Buttons()->Add();
    EXPECT_EQ(notified.count, 0);
    EXPECT_TRUE(properties->ChangePending());
}

TEST(EditProperties, AssignedValuesDecideBetweenOwnValueProviderAndZero) {
    TcxCustomEditProperties properties;
    EXPECT_EQ(properties.MaxValue(), 0.0);
    EXPECT_FALSE(properties.ReadOnly());

    TFieldProvider provider;
    provider.readOnly = true;
    provider.maxValue = 99;
    properties.SetDefaultValuesProvider(&provider);
    EXPECT_TRUE(properties.ReadOnly());
    EXPECT_EQ(properties.MaxValue(), 99.0);
    EXPECT_FALSE(properties.IsReadOnlyStored());

    // False is a value of its own once set: the provider's True no longer shows, and it is stored.
    properties.SetReadOnly(false);
    EXPECT_FALSE(properties.ReadOnly());
    EXPECT_TRUE(properties.IsReadOnlyStored());
    properties.SetMaxValue(0);
    EXPECT_EQ(properties.MaxValue(), 0.0);
    EXPECT_TRUE(properties.IsMaxValueStored());
    EXPECT_FALSE(properties.IsMinValueStored());

    properties.Alignment()->SetHorz(taCenter);
    TNotifications notified(properties);
    properties.ResetToDefaults();
    EXPECT_EQ(notified.count, 1);
    EXPECT_FALSE(properties.IsReadOnlyStored());
    EXPECT_FALSE(properties.IsMaxValueStored());
    EXPECT_FALSE(properties.Alignment()->IsHorzAssigned());
    EXPECT_TRUE(properties.ReadOnly());
    properties.SetDefaultValuesProvider(nullptr);
}

TEST(EditProperties, AlignmentShowsTheEffectiveHorzButStoresOnlyWhatWasSet) {
    TcxCustomEditProperties properties;
    TFieldProvider provider;
    provider.horz = taRightJustify;
    EXPECT_EQ(properties.Alignment()->Horz(), taLeftJustify);
    EXPECT_FALSE(properties.IsAlignmentStored());

    properties.SetDefaultValuesProvider(&provider);
    EXPECT_EQ(properties.Alignment()->Horz(), taRightJustify);
    EXPECT_FALSE(properties.Alignment()->IsHorzAssigned());
    EXPECT_FALSE(properties.IsAlignmentStored());

    properties.Alignment()->SetHorz(taCenter);
    EXPECT_EQ(properties.Alignment()->Horz(), taCenter);
    EXPECT_TRUE(properties.IsAlignmentStored());

    // Another alignment object assigned whole.
    TcxEditAlignment other;
    other.SetVert(taBottomJustify);
    TNotifications notified(properties);
    properties.SetAlignment(&other);
    EXPECT_EQ(notified.count, 1);
    EXPECT_EQ(properties.Alignment()->Vert(), taBottomJustify);
    EXPECT_EQ(properties.Alignment()->Horz(), taRightJustify);
    EXPECT_TRUE(properties.IsAlignmentStored());
    properties.SetDefaultValuesProvider(nullptr);
}

TEST(EditProperties, AResolvedHorzDoesNotStayAfterItsProviderWent) {
    TcxCustomEditProperties properties;
    auto provider = std::make_unique<TFieldProvider>();
    provider->horz = taRightJustify;
    properties.SetDefaultValuesProvider(provider.get());
    // A change made through the public copy, which shows the provider's Horz.
    properties.Alignment()->SetVert(taVCenter);
    provider.reset();
    EXPECT_EQ(properties.Alignment()->Horz(), taLeftJustify);
    EXPECT_FALSE(properties.Alignment()->IsHorzAssigned());
    EXPECT_EQ(properties.Alignment()->Vert(), taVCenter);
}

TEST(EditProperties, UseLeftAlignmentOnEditingIsStoredWhenItDiffersFromTheInitialValue) {
    TcxCustomEditProperties properties;
    EXPECT_TRUE(properties.UseLeftAlignmentOnEditing());
    EXPECT_FALSE(properties.IsUseLeftAlignmentOnEditingStored());
    properties.SetUseLeftAlignmentOnEditing(false);
    EXPECT_TRUE(properties.IsUseLeftAlignmentOnEditingStored());
}

TEST(EditProperties, CanEditValueWeighsReadOnlyThenTheProvider) {
    struct TCase {
        int readOnly; // -1 not set, 0 False, 1 True
        bool providerReadOnly, allowsModification, allowsEditMode, withProvider;
        bool expected;
    };
    const TCase cases[] = {
        {-1, false, true, true, false, true},  {-1, false, true, true, true, true},
        {-1, false, false, true, true, false}, {-1, false, true, false, true, false},
        {-1, true, true, true, true, false},   {0, true, false, false, true, true},
        {1, false, true, true, true, false},   {1, false, true, true, false, false},
        {0, false, false, false, false, true},
    };
    int row = 0;
    for (const TCase& c : cases) {
        TcxCustomEditProperties properties;
        TFieldProvider provider;
        provider.readOnly = c.providerReadOnly;
        provider.allowsModification = c.allowsModification;
        provider.allowsEditMode = c.allowsEditMode;
        if (c.withProvider) properties.SetDefaultValuesProvider(&provider);
        if (c.readOnly >= 0) properties.SetReadOnly(c.readOnly == 1);
        EXPECT_EQ(properties.CanEditValue(), c.expected) << "row " << row;
        properties.SetDefaultValuesProvider(nullptr);
        ++row;
    }
}

TEST(EditProperties, AFreedProviderLeavesEveryPropertiesObject) {
    auto provider = std::make_unique<TFieldProvider>();
    provider->readOnly = true;
    TFieldProvider other;
    TcxCustomEditProperties first, second, third;
    first.SetDefaultValuesProvider(provider.get());
    second.SetDefaultValuesProvider(provider.get());
    third.SetDefaultValuesProvider(&other);
    {
        // Properties that go before the provider leave the list and are not touched later.
        TcxCustomEditProperties gone;
        gone.SetDefaultValuesProvider(provider.get());
    }
    int live = EditPropertiesCount();
    provider.reset();
    EXPECT_EQ(first.DefaultValuesProvider(), nullptr);
    EXPECT_EQ(second.DefaultValuesProvider(), nullptr);
    EXPECT_FALSE(first.ReadOnly());
    EXPECT_EQ(third.DefaultValuesProvider(), static_cast<IcxEditDefaultValuesProvider*>(&other));
    EXPECT_EQ(EditPropertiesCount(), live);
    third.SetDefaultValuesProvider(nullptr);
}

TEST(EditProperties, EveryLivePropertiesObjectIsListedUntilItGoes) {
    int before = EditPropertiesCount();
    auto properties = std::make_unique<TcxCustomEditProperties>();
    auto blank = properties->CreateBlank();
    ASSERT_EQ(EditPropertiesCount(), before + 2);
    EXPECT_EQ(EditPropertiesAt(before), properties.get());
    EXPECT_EQ(EditPropertiesAt(before + 1), blank.get());
    EXPECT_EQ(blank->Owner, nullptr);
    properties.reset();
    EXPECT_EQ(EditPropertiesCount(), before + 1);
    EXPECT_EQ(EditPropertiesAt(before), blank.get());
    EXPECT_THROW(EditPropertiesAt(before + 1), EListError);
}

TEST(EditProperties, TheProviderNotifiesOnlyPropertiesOwnedByAnEditor) {
    TTestEditSide edit;
    TcxCustomEditProperties* own = edit.OwnProperties();
    size_t applied = edit.applied.size();
    own->SetDefaultValuesProvider(nullptr);
    EXPECT_EQ(edit.applied.size(), applied + 1);

    TcxCustomEditProperties unowned;
    TNotifications notified(unowned);
    TFieldProvider provider;
    unowned.SetDefaultValuesProvider(&provider);
    EXPECT_EQ(notified.count, 0);
    unowned.SetDefaultValuesProvider(nullptr);
}

TEST(EditProperties, AssignCopiesSettingsHandlersAndAssignedValuesInOneNotification) {
    TcxCustomEditProperties source;
    int clicked = 0, popups = 0;
    source.SetAutoSelect(false);
    source.Buttons()->Add()->SetKind(bkEllipsis);
    source.SetButtonLayoutMode(1);
    source.BeepOnError = true;
    source.ClearKey = 46;
    source.ClickShortCut = 13;
    source.SetUseLeftAlignmentOnEditing(false);
    source.Alignment()->SetHorz(taRightJustify);
    source.SetMaxValue(7);
    source.ImmediatePost = true;
    source.SetTransparent(true);
    source.AllowMouseWheel = false;
    source.ValidateOnEnter = true;
    source.OnButtonClicked = [&](TObject*, int) { ++clicked; };
    source.OnPopupClosed = [&](TObject*, int) { ++popups; };

    TcxCustomEditProperties target;
    target.SetMinValue(3);
    TNotifications notified(target);
    target.Assign(&source);
    EXPECT_EQ(notified.count, 1);
    EXPECT_FALSE(target.AutoSelect());
    ASSERT_EQ(target.Buttons()->Count(), 1);
    EXPECT_EQ(target.Buttons()->GetItem(0)->Kind(), bkEllipsis);
    EXPECT_EQ(target.ButtonLayoutMode(), 1);
    EXPECT_TRUE(target.BeepOnError);
    EXPECT_EQ(target.ClearKey, 46);
    EXPECT_EQ(target.ClickShortCut, 13);
    EXPECT_FALSE(target.UseLeftAlignmentOnEditing());
    EXPECT_EQ(target.Alignment()->Horz(), taRightJustify);
    EXPECT_TRUE(target.Alignment()->IsHorzAssigned());
    EXPECT_TRUE(target.IsMaxValueStored());
    EXPECT_EQ(target.MaxValue(), 7.0);
    EXPECT_FALSE(target.IsMinValueStored()) << "the source had no MinValue";
    EXPECT_FALSE(target.IsReadOnlyStored());
    EXPECT_TRUE(target.ImmediatePost);
    EXPECT_TRUE(target.Transparent());
    EXPECT_FALSE(target.AllowMouseWheel);
    EXPECT_TRUE(target.ValidateOnEnter);
    ASSERT_TRUE(target.OnButtonClicked);
    target.OnButtonClicked(nullptr, 0);
    EXPECT_EQ(clicked, 1);
    EXPECT_FALSE(target.OnPopupClosed);

    TcxEditAlignment notProperties;
    EXPECT_THROW(target.Assign(&notProperties), EConvertError);
}

TEST(EditProperties, ButtonsAddTheSupportedOperationAndTheirChangesNotify) {
    TcxCustomEditProperties properties;
    EXPECT_EQ(properties.GetSupportedOperations(), 0u);
    TNotifications notified(properties);
    TcxEditButton* button = properties.Buttons()->Add();
    EXPECT_EQ(properties.GetSupportedOperations(), esoHasButtons);
    button->SetVisible(false);
    properties.Buttons()->Delete(0);
    EXPECT_EQ(notified.count, 3);
    EXPECT_EQ(properties.GetSupportedOperations(), 0u);
}

TEST(EditProperties, ValidationFiresOwnThenItemHandlersAndKeepsTheShownTextOnAnUntouchedError) {
    struct TCase {
        const char* name;
        bool changeText;
        bool setError;
        const char* expectedText;
    };
    const TCase cases[] = {
        {"error, text untouched: the editor's text", false, true, "shown"},
        {"error, text changed: the handler's text", true, true, "fixed"},
        {"no error, text changed", true, false, "fixed"},
        {"no error, text untouched", false, false, "typed"},
    };
    for (const TCase& c : cases) {
        TTestEditSide edit;
        edit.displayText = "shown";
        TcxEditRepositoryItem item(nullptr);
        // The item's properties validate; the editor's own handler runs first.
        auto validating = TcxCustomEditProperties::Create(TValidatingProperties::StaticClass(), nullptr);
        std::vector<std::string> order;
        edit.OwnProperties()->OnValidate = [&](TObject* sender, Variant& value, AnsiString&, bool& error) {
            EXPECT_EQ(sender, &edit);
            order.push_back("own");
            if (c.changeText) value = Variant("fixed");
            error = c.setError;
        };
        item.Properties()->OnValidate = [&](TObject*, Variant&, AnsiString& text, bool&) {
            order.push_back("item:" + text);
        };
        edit.SetRepositoryItem(&item);
        Variant value("typed");
        AnsiString errorText;
        bool error = false;
        validating->ValidateDisplayValue(value, errorText, &edit, error);
        EXPECT_EQ(order, (std::vector<std::string>{"own", "item:" + AnsiString(cxSEditValidateErrorText)}))
            << c.name;
        EXPECT_EQ(value.AsAnsiString(), c.expectedText) << c.name;
        EXPECT_EQ(error, c.setError) << c.name;
        edit.SetRepositoryItem(nullptr);
    }
    // Without validation nothing runs and the error text stays empty.
    TTestEditSide edit;
    int calls = 0;
    edit.OwnProperties()->OnValidate = [&](TObject*, Variant&, AnsiString&, bool&) { ++calls; };
    Variant value("x");
    AnsiString errorText;
    bool error = false;
    edit.OwnProperties()->ValidateDisplayValue(value, errorText, &edit, error);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(errorText.empty());
}

namespace {
// Properties of a text-like editor that may take the provider's display format.
class TFormattingProperties : public TcxCustomEditProperties {
public:
    VZ_CLASS(TFormattingProperties, TcxCustomEditProperties)
    using TcxCustomEditProperties::TcxCustomEditProperties;
    unsigned options = 0;
    bool useWhenFocused = false;
    bool useWhenUnfocused = true;
    unsigned GetDisplayFormatOptions() override { return options; }
    bool CanUseProviderFormat(bool isFocused) override {
        return isFocused ? useWhenFocused : useWhenUnfocused;
    }
};

// Has a display format only for the form asked for.
class TFormatProvider : public TcxCustomEditDefaultValuesProvider {
public:
    VZ_CLASS(TFormatProvider, TcxCustomEditDefaultValuesProvider)
    bool forDisplay = true;
    bool HasDisplayFormat(bool display) override { return display == forDisplay; }
};
} // namespace

TEST(EditProperties, TheProvidersDisplayFormatIsUsedOnlyWhenOptionsAndProviderAgree) {
    struct TCase {
        const char* name;
        unsigned options;
        bool withProvider, providerForDisplay, editing, useWhenFocused, useWhenUnfocused;
        bool hasFormat, usesFormat;
    };
    const TCase cases[] = {
        {"no options", 0, true, false, false, false, true, false, false},
        {"edit form", dfoUseProviderFormat, true, false, false, false, true, true, true},
        {"edit form asked, display form offered", dfoUseProviderFormat, true, true, false, false, true, false,
         false},
        {"display form", dfoUseProviderFormat | dfoProviderDisplayForm, true, true, false, false, true, true,
         true},
        {"editing", dfoUseProviderFormat, true, false, true, false, true, false, true},
        {"no provider", dfoUseProviderFormat, false, false, false, false, true, false, false},
        {"usable while focused too", dfoUseProviderFormat, true, false, false, true, true, true, false},
        {"not usable unfocused", dfoUseProviderFormat, true, false, false, false, false, true, false},
    };
    for (const TCase& c : cases) {
        TFormattingProperties properties;
        TFormatProvider provider;
        provider.forDisplay = c.providerForDisplay;
        properties.options = c.options;
        properties.useWhenFocused = c.useWhenFocused;
        properties.useWhenUnfocused = c.useWhenUnfocused;
        if (c.withProvider) properties.SetDefaultValuesProvider(&provider);
        EXPECT_EQ(properties.HasProviderDisplayFormat(c.editing), c.hasFormat) << c.name;
        EXPECT_EQ(properties.UsesProviderDisplayFormat(), c.usesFormat) << c.name;
        properties.SetDefaultValuesProvider(nullptr);
    }
}

TEST(EditProperties, DisplayValuesCompareAfterConversion) {
    TcxCustomEditProperties properties;
    const struct {
        Variant a, b;
        bool same;
    } cases[] = {
        {Variant(1), Variant(1.0), true},        {Variant("abc"), Variant("abc"), true},
        {Variant("abc"), Variant("abd"), false}, {Variant::Null(), Variant::Null(), true},
        {Variant::Null(), Variant(0), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(properties.SameDisplayValue(c.a, c.b), c.same);
}

TEST(EditProperties, AssignedFlagsCopyAndClearInOneNotification) {
    TcxCustomEditProperties source, target;
    source.SetMaxValue(1);
    source.SetReadOnly(true);
    target.SetMinValue(2);
    TNotifications notified(target);
    target.AssignedValues()->Assign(source.AssignedValues());
    EXPECT_EQ(notified.count, 1);
    EXPECT_TRUE(target.AssignedValues()->MaxValue());
    EXPECT_FALSE(target.AssignedValues()->MinValue());
    EXPECT_TRUE(target.AssignedValues()->ReadOnly());
    target.AssignedValues()->ResetAssigned();
    EXPECT_EQ(notified.count, 2);
    EXPECT_FALSE(target.AssignedValues()->MaxValue() || target.AssignedValues()->ReadOnly());
    // A flag set to what it is already says nothing.
    target.AssignedValues()->SetReadOnly(false);
    EXPECT_EQ(notified.count, 2);
    EXPECT_EQ(target.AssignedValues()->GetOwner(), &target);
}
