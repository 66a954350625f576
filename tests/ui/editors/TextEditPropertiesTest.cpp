#include <gtest/gtest.h>

#include "platform/core/Exceptions.h"
#include "platform/core/Filer.h"
#include "platform/core/Streams.h"
#include "platform/core/FormatSettings.h"
#include "ui/editors/TextEditProperties.h"
#include "ui/editors/framework/EditRegistration.h"

#include "NotificationCount.h"

namespace {

// A provider with settable answers, standing for a bound field.
class TFieldProvider : public TcxCustomEditDefaultValuesProvider {
public:
    VZ_CLASS(TFieldProvider, TcxCustomEditDefaultValuesProvider)
    AnsiString displayFormat, editFormat;
    bool textHandler = false;
    bool currency = false;
    int maxLength = 0;
    AnsiString DisplayFormatPreset() override { return displayFormat; }
    AnsiString EditFormatPreset() override { return editFormat; }
    bool HasTextHandler() override { return textHandler; }
    bool IsCurrencyValue() override { return currency; }
    int MaxLengthPreset() override { return maxLength; }
};

// Numbers shown by the text rules, as the spin editor shows them.
class TNumericProperties : public TcxCustomTextEditProperties {
public:
    VZ_CLASS(TNumericProperties, TcxCustomTextEditProperties)
    explicit TNumericProperties(TPersistent* owner = nullptr) : TcxCustomTextEditProperties(owner) {}
    bool thousands = false;
    bool IsNumericDisplay() override { return true; }
    bool UsesThousandSeparator() override { return thousands; }
};

class TStyledProperties : public TcxCustomTextEditProperties {
public:
    VZ_CLASS(TStyledProperties, TcxCustomTextEditProperties)
    explicit TStyledProperties(TPersistent* owner = nullptr) : TcxCustomTextEditProperties(owner) {}
    TcxTextEditingStyle style = tesListText;
    TcxTextEditingStyle GetEditingStyle() override { return style; }
};

TEST(TextEditProperties, MaxLengthStoresNegativesAsZeroAndFallsBackToTheProvider) {
    TcxTextEditProperties properties;
    TFieldProvider provider;
    provider.maxLength = 40;
    EXPECT_EQ(0, properties.MaxLength());
    properties.SetDefaultValuesProvider(&provider);
    EXPECT_EQ(40, properties.MaxLength());
    EXPECT_EQ(1, CountNotifications(properties, [&] { properties.SetMaxLength(-5); }));
    EXPECT_EQ(0, properties.MaxLength());
    EXPECT_TRUE(properties.IsMaxLengthStored());
    EXPECT_EQ(0, CountNotifications(properties, [&] { properties.SetMaxLength(0); }));
    properties.AssignedValues()->ResetAssigned();
    EXPECT_EQ(40, properties.MaxLength());
    properties.SetDefaultValuesProvider(nullptr);
}

TEST(TextEditProperties, ViewModeJoinsTheButtonLayoutAndNoTextEditing) {
    const struct {
        int viewMode;
        uint8_t layout;
        bool noText;
    } cases[] = {{0, 0, false}, {1, 0, true}, {2, 1, true}, {3, 2, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.viewMode);
        TcxTextEditProperties properties;
        properties.SetViewMode(3 - c.viewMode); // from another mode
        int notified = CountNotifications(properties, [&] { properties.SetViewMode(c.viewMode); });
        EXPECT_EQ(c.viewMode == 3 - c.viewMode ? 0 : 1, notified);
        EXPECT_EQ(c.layout, properties.ButtonLayoutMode());
        EXPECT_EQ(c.noText, properties.NoTextEditing());
        EXPECT_EQ(c.viewMode, properties.ViewMode());
        EXPECT_EQ(c.noText ? tesNoText : tesFreeText, properties.GetEditingStyle());
    }
}

TEST(TextEditProperties, BoundsAreActiveByWhatWasAssigned) {
    const struct {
        bool minSet;
        double min;
        bool maxSet;
        double max;
        bool minActive, maxActive;
    } cases[] = {
        {false, 0, false, 0, false, false}, {true, 5, false, 0, true, false}, {false, 0, true, -3, false, true},
        {true, 1, true, 10, true, true},    {true, 10, true, 1, false, false}, {true, 2, true, 2, false, false},
    };
    for (const auto& c : cases) {
        TcxTextEditProperties properties;
        if (c.minSet) properties.SetMinValue(c.min);
        if (c.maxSet) properties.SetMaxValue(c.max);
        EXPECT_EQ(c.minActive, properties.IsBoundActive(0)) << c.min << ".." << c.max;
        EXPECT_EQ(c.maxActive, properties.IsBoundActive(1)) << c.min << ".." << c.max;
        EXPECT_EQ(c.minActive || c.maxActive, properties.HasValueBounds());
    }
}

TEST(TextEditProperties, OnlyAMinimumDoesNotRejectLargeValues) {
    TNumericProperties properties;
    properties.SetMinValue(10);
    const std::pair<double, bool> cases[] = {{5, true}, {10, false}, {1e6, false}, {0, true}};
    for (const auto& [number, rejected] : cases) {
        Variant value = number;
        AnsiString errorText;
        bool error = false;
        properties.CheckValueBounds(value, errorText, nullptr, error);
        EXPECT_EQ(rejected, error) << number;
        EXPECT_EQ(rejected ? "Value out of bounds" : "", errorText) << number;
    }
}

TEST(TextEditProperties, DisplayTextTransforms) {
    const struct {
        TcxEditEchoMode echo;
        char passwordChar;
        TEditCharCase charCase;
        AnsiString text, expected;
    } cases[] = {
        {eemPassword, 0, ecNormal, "中a", "**"},
        {eemPassword, '#', ecUpperCase, "ab", "##"}, // the case is not applied to an echo
        {eemPassword, 0, ecNormal, "", ""},
        // The locale's case mapping: the trail bytes 0x61 of 奱 and 0x41 of 夾 are no letters.
        {eemNormal, 0, ecUpperCase, "a奱", "A奱"},
        {eemNormal, 0, ecLowerCase, "B夾", "b夾"},
        {eemNormal, 0, ecNormal, "Ab", "Ab"},
    };
    for (const auto& c : cases) {
        TcxTextEditProperties properties;
        properties.SetEchoMode(c.echo);
        properties.SetPasswordChar(c.passwordChar);
        properties.SetCharCase(c.charCase);
        EXPECT_EQ(c.expected, properties.TransformDisplayText(c.text)) << c.text;
    }
}

TEST(TextEditProperties, EditFormatRulesTakeTheFirstThatApplies) {
    const struct {
        const char* name;
        const char* ownEdit;    // nullptr: not assigned
        const char* ownDisplay; // nullptr: not assigned
        bool useDisplayWhenEditing;
        const char* providerDisplay;
        const char* providerEdit;
        bool providerText, providerCurrency;
        bool currency, useProviderText;
        const char* format;
    } cases[] = {
        {"own edit format", "0.0", "0.00", false, "", "#", true, false, false, false, "0.0"},
        {"provider text", nullptr, "0.00", true, "", "#", true, false, false, true, ""},
        {"provider edit format", nullptr, "0.00", false, "", "#.0", false, false, false, false, "#.0"},
        {"own display format", nullptr, "0.00", true, "0.000", "", false, false, false, false, "0.00"},
        {"display format unused", nullptr, "0.00", false, "", "", false, false, false, false, ""},
        {"provider display format", nullptr, nullptr, true, "0.000", "", false, true, false, false, "0.000"},
        {"currency", nullptr, nullptr, true, "", "", false, true, true, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TcxTextEditProperties properties;
        TFieldProvider provider;
        provider.displayFormat = c.providerDisplay;
        provider.editFormat = c.providerEdit;
        provider.textHandler = c.providerText;
        provider.currency = c.providerCurrency;
        properties.SetDefaultValuesProvider(&provider);
        if (c.ownEdit) properties.SetEditFormat(c.ownEdit);
        if (c.ownDisplay) properties.SetDisplayFormat(c.ownDisplay);
        properties.SetUseDisplayFormatWhenEditing(c.useDisplayWhenEditing);
        bool currency = true, providerText = true;
        AnsiString format = "stale";
        properties.GetEditFormatInfo(currency, providerText, format, nullptr);
        EXPECT_EQ(c.currency, currency);
        EXPECT_EQ(c.useProviderText, providerText);
        EXPECT_EQ(c.format, format);
        EXPECT_EQ(c.format, properties.EditFormat());
        properties.SetDefaultValuesProvider(nullptr);
    }
}

TEST(TextEditProperties, NumericDisplayOfEditValues) {
    TFormatSettingsPin pin(TFormatSettingsPin::Invariant());
    const struct {
        Variant value;
        bool focused, thousands;
        const char* displayFormat;
        const char* expected;
    } cases[] = {
        {Variant::Null(), true, false, nullptr, ""},
        {Variant(), false, false, "0.00", ""},
        {Variant(1234567), true, true, nullptr, "1,234,567"},
        {Variant(-123456.5), true, true, nullptr, "-123,456.5"},
        {Variant(1234567), true, false, nullptr, "1234567"},
        {Variant(AnsiString("2.5")), true, false, nullptr, "2.5"},
        {Variant(2.5), false, false, "0.00", "2.50"},
        {Variant(AnsiString("2.5")), false, false, "0.00", "2.50"},
        {Variant(2.5), false, false, nullptr, "2.5"},
        {Variant(AnsiString("abc")), true, false, nullptr, "abc"},
    };
    for (const auto& c : cases) {
        TNumericProperties properties;
        properties.thousands = c.thousands;
        if (c.displayFormat) properties.SetDisplayFormat(c.displayFormat);
        Variant display;
        properties.EditValueToDisplay(c.value, display, c.focused);
        EXPECT_EQ(c.expected, VarToStr(display)) << c.expected;
    }
    TNumericProperties properties;
    for (const Variant& value : {Variant(true), Variant::FromDateTime(45000.0)}) {
        Variant display;
        try {
            properties.EditValueToDisplay(value, display, true);
            ADD_FAILURE() << "no error for " << Variant::TypeName(value.VarType());
        } catch (const EConvertError& e) {
            EXPECT_STREQ("Could not convert to numeric value", e.what());
        }
    }
    TcxTextEditProperties text;
    Variant display;
    text.EditValueToDisplay(VarArrayOf({Variant(1), Variant(2)}), display, false);
    EXPECT_EQ("", VarToStr(display));
    text.EditValueToDisplay(Variant(true), display, false);
    EXPECT_EQ(VarToStr(Variant(true)), VarToStr(display));
}

TEST(TextEditProperties, LookupValuesOfTheListStyles) {
    const struct {
        TcxTextEditingStyle style;
        TEditCharCase charCase;
        AnsiString text;
        bool accepted;
        AnsiString value;
    } cases[] = {
        {tesListText, ecNormal, "apple", true, "apple"},
        {tesFixedList, ecUpperCase, "apple", true, "APPLE"},
        {tesListText, ecNormal, "pear", false, "pear"},
        {tesFixedList, ecNormal, "", true, ""},
        {tesFreeText, ecNormal, "pear", true, "pear"},
        {tesListText, ecNormal, "中国", true, "中国"},
        // 夾 and 奱 differ only in a trail byte that reads as an ASCII letter.
        {tesListText, ecNormal, "奱", false, "奱"},
    };
    for (const auto& c : cases) {
        TStyledProperties properties;
        properties.style = c.style;
        properties.SetCharCase(c.charCase);
        properties.LookupItems()->SetCommaText("Apple,中国,夾");
        Variant value = c.text;
        EXPECT_EQ(c.accepted, properties.AcceptsLookupValue(value)) << c.text;
        EXPECT_EQ(c.value, VarToStr(value)) << c.text;
        EXPECT_EQ(c.accepted, properties.IsEditValueValid(Variant(c.text))) << c.text;
    }
}

TEST(TextEditProperties, AssignCopiesValuesItemsAndOnlyTheAssignedFormats) {
    TcxTextEditProperties source;
    source.SetCharCase(ecLowerCase);
    source.SetEchoMode(eemPassword);
    source.SetPasswordChar('#');
    source.SetMaxLength(7);
    source.SetDisplayFormat("0.0");
    source.SetIncrementalSearch(false);
    source.SetExactLookupMatch(true);
    source.AllowedChars.set('x');
    source.LookupItems()->SetCommaText("b,a");
    source.SetLookupItemsSorted(true);
    source.SetImeName("pinyin");
    int newText = 0;
    source.OnNewLookupDisplayText = [&](TObject*, const AnsiString&) { ++newText; };

    TcxTextEditProperties target;
    target.SetEditFormat("0.00");
    target.LookupItems()->SetCommaText("z");
    int notified = CountNotifications(target, [&] { target.Assign(&source); });
    EXPECT_EQ(1, notified);
    EXPECT_EQ(ecLowerCase, target.CharCase());
    EXPECT_EQ(eemPassword, target.EchoMode());
    EXPECT_EQ('#', target.PasswordChar());
    EXPECT_EQ(7, target.MaxLength());
    EXPECT_TRUE(target.IsDisplayFormatStored());
    EXPECT_EQ("0.0", target.DisplayFormat());
    EXPECT_FALSE(target.IsEditFormatStored()); // the source had none
    EXPECT_FALSE(target.IncrementalSearch());
    EXPECT_TRUE(target.ExactLookupMatch());
    EXPECT_TRUE(target.AllowedChars.test('x'));
    EXPECT_EQ("a,b", target.LookupItems()->CommaText());
    EXPECT_TRUE(target.LookupItemsSorted());
    EXPECT_EQ("pinyin", target.ImeName());
    target.OnNewLookupDisplayText(&target, "q");
    EXPECT_EQ(1, newText);
}

TEST(TextEditProperties, SettersNotifyOnlyOnChange) {
    TStyledProperties properties;
    properties.style = tesListText;
    EXPECT_EQ(1, CountNotifications(properties, [&] { properties.SetCharCase(ecUpperCase); }));
    EXPECT_EQ(0, CountNotifications(properties, [&] { properties.SetCharCase(ecUpperCase); }));
    EXPECT_EQ(1, CountNotifications(properties, [&] { properties.LookupItems()->Add("a"); }));
    // The highlight matters only to the fixed list.
    EXPECT_EQ(0, CountNotifications(properties, [&] { properties.SetHighlightListSelection(false); }));
    properties.style = tesFixedList;
    EXPECT_EQ(1, CountNotifications(properties, [&] { properties.SetHighlightListSelection(true); }));
    EXPECT_EQ(1, CountNotifications(properties, [&] { properties.SetDisplayFormat("0"); }));
    EXPECT_EQ(0, CountNotifications(properties, [&] { properties.SetDisplayFormat("0"); }));
    EXPECT_EQ(1, CountNotifications(properties, [&] { properties.NotifyFormatChanged(); }));
    EXPECT_FALSE(properties.FormatChanging());
}

TEST(TextEditProperties, DisplayFormatResolvesOwnThenProviderThenDefault) {
    TcxTextEditProperties properties;
    TFieldProvider provider;
    provider.displayFormat = "#,##0";
    EXPECT_EQ("", properties.DisplayFormat());
    properties.SetDefaultValuesProvider(&provider);
    EXPECT_EQ("#,##0", properties.DisplayFormat());
    properties.SetDisplayFormat("");
    EXPECT_EQ("", properties.DisplayFormat()); // assigned empty wins
    properties.SetDefaultValuesProvider(nullptr);
}

TEST(TextEditProperties, TheUnitRegistersThePropertiesAndTheirFilterHelper) {
    TcxRegisteredClasses* list = GetEditPropertiesClassList();
    int index = list->IndexOfClass(TcxTextEditProperties::StaticClass());
    ASSERT_GE(index, 0);
    EXPECT_EQ("TextEdit", list->GetDescription(index));
    EXPECT_NE(0u, WM_REDRAWMISSPELLS());

    TcxCustomFilterEditHelperClass helper = GetFilterEditsController()->FindHelper(TcxTextEditProperties::StaticClass());
    ASSERT_NE(nullptr, helper);
    TcxTextEditProperties source, properties;
    properties.SetAutoSelect(false);
    properties.SetHideSelection(false);
    properties.SetViewMode(2);
    helper->SetUpFilterProperties(&properties, &source, false);
    EXPECT_TRUE(properties.AutoSelect());
    EXPECT_TRUE(properties.HideSelection());
    EXPECT_EQ(0, properties.ViewMode());
}

TEST(TextEditProperties, OlderStreamsFlagAnAssignedDisplayFormat) {
    for (bool assigned : {true, false}) {
        TMemoryStream stream;
        {
            TWriter writer(&stream);
            writer.WritePropertyName("IsDisplayFormatAssigned");
            writer.WriteBoolean(assigned);
            writer.WriteListEnd();
        }
        stream.SetPosition(0);
        TcxTextEditProperties properties;
        TReader reader(&stream);
        reader.ReadProperties(&properties);
        EXPECT_EQ(assigned, properties.IsDisplayFormatStored());
    }
    // Never written back: an assigned format writes what a blank object writes.
    TcxTextEditProperties blank, properties;
    properties.SetDisplayFormat("0.0");
    TMemoryStream blankStream, stream;
    {
        TWriter blankWriter(&blankStream), writer(&stream);
        blankWriter.WriteProperties(&blank);
        writer.WriteProperties(&properties);
    }
    EXPECT_EQ(blankStream.Size(), stream.Size());
}

} // namespace
