#include <gtest/gtest.h>

#include <functional>

#include "ui/editors/MaskEditProperties.h"
#include "ui/editors/framework/EditRegistration.h"
#include "ui/editors/framework/FilterEditHelper.h"

#include "NotificationCount.h"

namespace {

// A provider with settable answers, standing for a bound field.
class TMaskFieldProvider : public TcxCustomEditDefaultValuesProvider {
public:
    VZ_CLASS(TMaskFieldProvider, TcxCustomEditDefaultValuesProvider)
    AnsiString editMask;
    bool displayFormat = false;
    AnsiString EditMaskPreset() override { return editMask; }
    bool HasDisplayFormat(bool) override { return displayFormat; }
};

AnsiString Shown(TcxCustomMaskEditProperties& properties, const char* value, bool focused) {
    return properties.FormatValue(Variant(AnsiString(value)), focused);
}

TEST(MaskEditProperties, DefaultsAndBlankMasksLeaveAPlainTextEditor) {
    TcxMaskEditProperties properties;
    EXPECT_EQ(properties.MaskKind(), emkStandard);
    EXPECT_TRUE(properties.CaseInsensitive());
    EXPECT_TRUE(properties.ValidateOnEnter);
    EXPECT_FALSE(properties.AlwaysShowBlanksAndLiterals());
    EXPECT_FALSE(properties.IgnoreMaskBlank());
    const AnsiString blanks[] = {"", "   ", "\t\r\n\f", AnsiString("\0 \0", 3)};
    for (const AnsiString& mask : blanks) {
        properties.SetEditMask(mask);
        EXPECT_FALSE(properties.IsMasked()) << mask.size();
        EXPECT_TRUE(properties.UsesLookupData());
        EXPECT_EQ(properties.GetDisplayFormatOptions(), dfoUseProviderFormat);
        EXPECT_EQ(Shown(properties, "12345", true), "12345");
        EXPECT_EQ(properties.TempMode(), nullptr);
    }
    properties.SetEditMask(" 0");
    EXPECT_TRUE(properties.IsMasked());
    EXPECT_FALSE(properties.UsesLookupData()); // masked editors never use the lookup items
    EXPECT_EQ(properties.GetDisplayFormatOptions(), 0u);
    EXPECT_TRUE(properties.IsEditValueValid(Variant(AnsiString("anything"))));
}

TEST(MaskEditProperties, AnExpressionThatDoesNotCompileRaisesAndKeepsTheOldMask) {
    struct Case {
        TcxEditMaskKind kind;
        const char* mask;
        const char* message;
    } cases[] = {
        {emkRegExpr, "*\\d", "Regular expression errors:\r\nLine1, Char1: Illegal quantifier '*'"},
        {emkRegExprEx, "\\d\r\n|*b", "Regular expression errors:\r\nLine2, Char2: Illegal quantifier '*'"},
        {emkRegExpr, "*a)((b?)+",
         "Regular expression errors:\r\nLine1, Char1: Illegal quantifier '*'\r\nLine1, Char3: Illegal ')'\r\n"
         "Line1, Char9: The '+' quantifier cannot be applied here"},
    };
    for (const Case& c : cases) {
        TcxMaskEditProperties properties;
        properties.SetMaskKind(c.kind);
        properties.SetEditMask("\\d\\d");
        int notifications = 0;
        try {
            notifications = CountNotifications(properties, [&] { properties.SetEditMask(c.mask); });
            ADD_FAILURE() << c.mask << " compiled";
        } catch (const EcxMaskEditError& e) {
            EXPECT_EQ(AnsiString(e.Message()), c.message) << c.mask;
        }
        EXPECT_EQ(notifications, 0);
        EXPECT_EQ(properties.EditMask(), "\\d\\d");
        EXPECT_EQ(Shown(properties, "12", true), "12");
    }
    // The standard kind takes any text as a mask.
    TcxMaskEditProperties standard;
    standard.SetEditMask("(000");
    EXPECT_EQ(standard.EditMask(), "(000");
}

TEST(MaskEditProperties, MaskKindChecksItsPairAndLeavingAnExpressionClearsTheMask) {
    TcxMaskEditProperties properties;
    properties.SetEditMask("(000"); // a standard mask, no expression
    EXPECT_THROW(properties.SetMaskKind(emkRegExpr), EcxMaskEditError);
    EXPECT_EQ(properties.MaskKind(), emkStandard);
    EXPECT_EQ(properties.EditMask(), "(000");
    EXPECT_EQ(Shown(properties, "123", true), "(123");

    properties.SetEditMask("\\d{3}");
    EXPECT_EQ(1, CountNotifications(properties, [&] { properties.SetMaskKind(emkRegExpr); }));
    properties.SetMaskKind(emkRegExprEx);
    EXPECT_EQ(properties.EditMask(), "\\d{3}");
    EXPECT_EQ(1, CountNotifications(properties, [&] { properties.SetMaskKind(emkStandard); }));
    EXPECT_EQ(properties.EditMask(), "");
    EXPECT_FALSE(properties.IsMasked());
}

TEST(MaskEditProperties, CharCaseForcesCaseInsensitive) {
    TcxMaskEditProperties properties;
    properties.SetMaskKind(emkRegExpr);
    properties.SetEditMask("[abc]+");
    properties.SetCaseInsensitive(false);
    EXPECT_EQ(Shown(properties, "AbC", true), "b"); // what does not fit is skipped
    for (TEditCharCase charCase : {ecUpperCase, ecLowerCase}) {
        properties.SetCharCase(ecNormal);
        properties.SetCaseInsensitive(false);
        EXPECT_EQ(1, CountNotifications(properties, [&] { properties.SetCharCase(charCase); }));
        EXPECT_TRUE(properties.CaseInsensitive());
        EXPECT_TRUE(properties.ModeProperties().CaseInsensitive);
        EXPECT_EQ(0, CountNotifications(properties, [&] { properties.SetCaseInsensitive(false); }));
        EXPECT_TRUE(properties.CaseInsensitive());
        EXPECT_EQ(Shown(properties, "AbC", true), "AbC");
    }
    properties.SetCharCase(ecNormal);
    properties.SetCaseInsensitive(false);
    EXPECT_FALSE(properties.CaseInsensitive());
}

TEST(MaskEditProperties, AMaskedEditorHasNoMaximumLength) {
    TcxMaskEditProperties properties;
    properties.SetMaxLength(10);
    EXPECT_EQ(properties.MaxLength(), 10);
    properties.SetEditMask("000-00");
    EXPECT_EQ(1, CountNotifications(properties, [&] { properties.SetMaxLength(4); }));
    EXPECT_EQ(properties.MaxLength(), 0);
    properties.SetEditMask("");
    properties.SetMaxLength(4);
    EXPECT_EQ(properties.MaxLength(), 4);
}

TEST(MaskEditProperties, ValuesAreShownUnderTheMask) {
    struct Case {
        TcxEditMaskKind kind;
        const char* mask;
        bool alwaysShow;
        const char* value;
        const char* unfocused;
        const char* focused;
    } cases[] = {
        {emkStandard, "000-00;0", false, "12345", "12345", "123-45"},
        {emkStandard, "000-00;0", true, "12345", "123-45", "123-45"},
        {emkStandard, "000-00;1", false, "123-45", "123-45", "123-45"},
        {emkStandard, "000-00;0;*", true, "", "***-**", "***-**"},
        {emkRegExpr, "\\d\\d-\\d\\d", false, "12x-34", "12-34", "12-34"},
        {emkRegExpr, "\\d\\d-\\d\\d", true, "1234", "12", "12"},
        {emkRegExprEx, "\\d\\d-\\d\\d", false, "12", "12-", "12-"},
    };
    for (const Case& c : cases) {
        TcxMaskEditProperties properties;
        properties.SetMaskKind(c.kind);
        properties.SetEditMask(c.mask);
        properties.SetAlwaysShowBlanksAndLiterals(c.alwaysShow);
        EXPECT_EQ(Shown(properties, c.value, false), c.unfocused) << c.mask << " " << c.value;
        EXPECT_EQ(Shown(properties, c.value, true), c.focused) << c.mask << " " << c.value;
    }
}

TEST(MaskEditProperties, TheFieldsMaskServesTheStandardKindOnly) {
    TMaskFieldProvider provider;
    provider.editMask = "00/00";
    TcxMaskEditProperties properties;
    properties.SetDefaultValuesProvider(&provider);
    EXPECT_EQ(properties.EffectiveEditMask(), "00/00");
    EXPECT_EQ(Shown(properties, "1234", true), "12/34");
    // A display format of the field wins while unfocused.
    provider.displayFormat = true;
    EXPECT_EQ(Shown(properties, "1234", false), "1234");
    EXPECT_EQ(Shown(properties, "1234", true), "12/34");
    // An own mask wins.
    properties.SetEditMask("0-0-0-0");
    EXPECT_EQ(Shown(properties, "1234", true), "1-2-3-4");
    properties.SetEditMask("");
    properties.SetMaskKind(emkRegExpr);
    EXPECT_EQ(properties.EffectiveEditMask(), "");
    EXPECT_FALSE(properties.IsMasked());
    EXPECT_EQ(Shown(properties, "1234", true), "1234");
    properties.SetDefaultValuesProvider(nullptr);
}

TEST(MaskEditProperties, AnIncompleteValueIsInvalidUnlessBlanksAreIgnored) {
    struct Case {
        TcxEditMaskKind kind;
        const char* mask;
        bool ignoreBlank;
        const char* text;
        bool valid;
    } cases[] = {
        {emkStandard, "000-00;0", false, "123-45", true},
        {emkStandard, "000-00;0", false, "12_-__", false},
        {emkStandard, "000-00;0", false, "___-__", false},
        {emkStandard, "000-00;0", true, "___-__", true},
        {emkStandard, "000-00;0", true, "12_-__", false},
        {emkStandard, "999-99;0", false, "___-__", true}, // optional positions
        {emkRegExpr, "\\d{3}-\\d{0,4}", false, "123-", true},
        {emkRegExpr, "\\d{3}-\\d{0,4}", false, "12", false},
        {emkRegExpr, "\\d{3}-\\d{0,4}", true, "12", true},
        {emkRegExpr, "\\d{3}-\\d{0,4}", true, "12x", false},
        {emkRegExprEx, "\\d\\d-\\d\\d", false, "12-34", true},
        {emkRegExprEx, "\\d\\d-\\d\\d", false, "12-3", false},
    };
    for (const Case& c : cases) {
        TcxMaskEditProperties properties;
        properties.SetMaskKind(c.kind);
        properties.SetEditMask(c.mask);
        properties.SetIgnoreMaskBlank(c.ignoreBlank);
        Variant display = AnsiString(c.text);
        AnsiString errorText;
        bool error = false;
        properties.ValidateDisplayValue(display, errorText, nullptr, error);
        EXPECT_EQ(error, !c.valid) << c.mask << " " << c.text;
        if (!c.valid) {
            EXPECT_EQ(errorText, "The edit value is invalid") << c.mask << " " << c.text;
        }
    }
    // An error flagged before keeps its own message.
    TcxMaskEditProperties properties;
    properties.SetEditMask("000");
    Variant display = AnsiString("1__");
    AnsiString errorText = "earlier";
    bool error = true;
    properties.ValidateDisplayValue(display, errorText, nullptr, error);
    EXPECT_EQ(errorText, "earlier");
}

TEST(MaskEditProperties, AssignTakesTheKindAndTheEffectiveMaskAsOnePair) {
    TMaskFieldProvider provider;
    provider.editMask = "00:00";
    TcxMaskEditProperties source;
    source.SetDefaultValuesProvider(&provider);
    source.SetIgnoreMaskBlank(true);
    source.SetAlwaysShowBlanksAndLiterals(true);
    source.SetCaseInsensitive(false);
    TcxMaskEditProperties target;
    target.Assign(&source);
    EXPECT_EQ(target.EditMask(), "00:00"); // the field's mask becomes the own one
    EXPECT_TRUE(target.IgnoreMaskBlank());
    EXPECT_TRUE(target.AlwaysShowBlanksAndLiterals());
    EXPECT_FALSE(target.CaseInsensitive());

    // An expression over a standard mask that is no expression: each alone would not compile.
    TcxMaskEditProperties expression;
    expression.SetMaskKind(emkRegExpr);
    expression.SetEditMask("\\d+");
    TcxMaskEditProperties standard;
    standard.SetEditMask("(000");
    EXPECT_EQ(1, CountNotifications(standard, [&] { standard.Assign(&expression); }));
    EXPECT_EQ(standard.MaskKind(), emkRegExpr);
    EXPECT_EQ(standard.EditMask(), "\\d+");
    EXPECT_EQ(Shown(standard, "12a3", true), "123");
    source.SetDefaultValuesProvider(nullptr);
}

TEST(MaskEditProperties, FilterHelperAndRegistration) {
    TcxCustomFilterEditHelperClass helper = GetFilterEditsController()->FindHelper(TcxMaskEditProperties::StaticClass());
    ASSERT_EQ(helper, FilterEditHelperClass<TcxFilterMaskEditHelper>());
    const int index = GetEditPropertiesClassList()->IndexOfClass(TcxMaskEditProperties::StaticClass());
    ASSERT_GE(index, 0);
    EXPECT_EQ(GetEditPropertiesClassList()->GetDescription(index), "MaskEdit");

    TcxMaskEditProperties properties;
    TcxFilterOperators operators;
    helper->ListFilterOperatorsFor(&properties, ValueTypeClass<TcxStringValueType>(), operators, false);
    EXPECT_TRUE(operators.test(7) && operators.test(8)); // "like" while unmasked
    properties.SetEditMask("000");
    helper->ListFilterOperatorsFor(&properties, ValueTypeClass<TcxStringValueType>(), operators, true);
    EXPECT_FALSE(operators.test(7) || operators.test(8));
    EXPECT_TRUE(operators.test(6) && operators.test(9) && operators.test(14));

    struct Case {
        TcxEditMaskKind kind;
        const char* mask;
        TcxEditMaskKind filterKind;
        bool autoSelect;
    } cases[] = {
        {emkRegExpr, "\\d+", emkRegExprEx, false},
        {emkRegExprEx, "\\d+", emkRegExprEx, false},
        {emkStandard, "000", emkStandard, false},
        {emkStandard, "", emkStandard, true},
    };
    for (const Case& c : cases) {
        TcxMaskEditProperties source, filter;
        source.SetMaskKind(c.kind);
        source.SetEditMask(c.mask);
        source.SetAutoSelect(true);
        helper->SetUpFilterProperties(&filter, &source, false);
        EXPECT_EQ(filter.MaskKind(), c.filterKind) << c.mask;
        EXPECT_EQ(filter.EditMask(), c.mask);
        EXPECT_EQ(filter.AutoSelect(), c.autoSelect) << c.mask;
    }
}

} // namespace
