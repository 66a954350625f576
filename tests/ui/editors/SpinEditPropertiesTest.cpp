#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/core/Filer.h"
#include "ui/editors/SpinEditProperties.h"
#include "ui/editors/framework/EditButtons.h"

#include "ui/editors/framework/EditError.h"

namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

class TFieldProvider : public TcxCustomEditDefaultValuesProvider {
public:
    VZ_CLASS(TFieldProvider, TcxCustomEditDefaultValuesProvider)
    bool isFloat = false;
    bool HoldsFloatValue() override { return isFloat; }
};

TEST(SpinEditProperties, DefaultsButtonsAndValueTypeResolution) {
    TcxSpinEditProperties properties;
    EXPECT_TRUE(properties.CanEdit());
    EXPECT_FALSE(properties.Circular());
    EXPECT_EQ(1.0, properties.Increment());
    EXPECT_EQ(10.0, properties.LargeIncrement());
    EXPECT_EQ(sbpVert, properties.SpinButtons()->Position());
    EXPECT_EQ(2, properties.Buttons()->Count());
    EXPECT_EQ(vtFloat, properties.ValueType());
    EXPECT_FALSE(properties.IsValueTypeStored());

    // The edit buttons follow the spin buttons: 4 with the fast ones, none hidden.
    properties.SpinButtons()->SetShowFastButtons(true);
    EXPECT_EQ(4, properties.Buttons()->Count());
    properties.SpinButtons()->SetVisible(false);
    EXPECT_EQ(0, properties.Buttons()->Count());
    properties.SpinButtons()->SetVisible(true);
    EXPECT_EQ(4, properties.Buttons()->Count());

    // Without an own type the provider's field decides.
    TFieldProvider provider;
    properties.SetDefaultValuesProvider(&provider);
    EXPECT_EQ(vtInt, properties.ValueType());
    provider.isFloat = true;
    EXPECT_EQ(vtFloat, properties.ValueType());
    properties.SetValueType(vtInt);
    EXPECT_EQ(vtInt, properties.ValueType());
    EXPECT_TRUE(properties.IsValueTypeStored());
    properties.AssignedValues()->ResetAssigned();
    EXPECT_EQ(vtFloat, properties.ValueType());
    properties.SetDefaultValuesProvider(nullptr);
}

TEST(SpinEditProperties, AssignCopiesSettingsAndTheTypeOnlyWhenSet) {
    TcxSpinEditProperties source, target;
    source.SetCircular(true);
    source.SetCanEdit(false);
    source.SetIncrement(0.5);
    source.SetLargeIncrement(4);
    source.SetUseCtrlIncrement(true);
    source.SpinButtons()->SetPosition(sbpHorzRight);
    source.SpinButtons()->SetShowFastButtons(true);
    target.SetValueType(vtInt);
    target.Assign(&source);
    EXPECT_TRUE(target.Circular());
    EXPECT_FALSE(target.CanEdit());
    EXPECT_EQ(0.5, target.Increment());
    EXPECT_EQ(4.0, target.LargeIncrement());
    EXPECT_TRUE(target.UseCtrlIncrement());
    EXPECT_EQ(sbpHorzRight, target.SpinButtons()->Position());
    EXPECT_EQ(4, target.Buttons()->Count());
    EXPECT_FALSE(target.IsValueTypeStored());
    source.SetValueType(vtInt);
    TcxSpinEditProperties other;
    other.Assign(&source);
    EXPECT_EQ(vtInt, other.ValueType());
    EXPECT_TRUE(other.IsValueTypeStored());
}

TEST(SpinEditProperties, ZeroIncrementsRoundTripThroughTheStream) {
    struct Case {
        double increment, largeIncrement;
    } cases[] = {{0, 10}, {1, 0}, {0, 0}, {2, 3}};
    for (const auto& c : cases) {
        TcxSpinEditProperties written;
        written.SetIncrement(c.increment);
        written.SetLargeIncrement(c.largeIncrement);
        TMemoryStream stream;
        {
            TWriter writer(&stream);
            writer.WriteProperties(&written);
        }
        stream.SetPosition(0);
        TcxSpinEditProperties read;
        TReader reader(&stream);
        reader.ReadProperties(&read);
        // Only the zero steps travel in these entries; other steps are the published values' business.
        EXPECT_EQ(c.increment == 0 ? 0.0 : 1.0, read.Increment()) << c.increment;
        EXPECT_EQ(c.largeIncrement == 0 ? 0.0 : 10.0, read.LargeIncrement()) << c.largeIncrement;
    }
    // Against an ancestor with a zero step nothing more is written.
    TcxSpinEditProperties ancestor, zero;
    ancestor.SetIncrement(0);
    zero.SetIncrement(0);
    TMemoryStream withAncestor, blank;
    {
        TWriter writer(&withAncestor), blankWriter(&blank);
        writer.Ancestor = &ancestor;
        writer.WriteProperties(&zero);
        TcxSpinEditProperties plain;
        blankWriter.WriteProperties(&plain);
    }
    EXPECT_EQ(blank.Size(), withAncestor.Size());
}

TEST(SpinEditProperties, IntegerValuesSaturateAndRoundToEven) {
    TcxSpinEditProperties properties;
    properties.SetValueType(vtInt);
    struct Case {
        double value;
        int64_t expected;
    } cases[] = {
        {1e30, kMax}, {-1e30, kMin}, {9223372036854775808.0, kMax}, {-9223372036854775808.0, kMin},
        {2.5, 2},     {3.5, 4},      {-2.5, -2},                   {std::nan(""), 0},
    };
    for (const auto& c : cases) {
        Variant typed = properties.ToValueTypeNumber(c.value);
        EXPECT_EQ(varInt64, typed.VarType()) << c.value;
        EXPECT_EQ(c.expected, typed.AsInt64()) << c.value;
    }
    // A maximum beyond the range is the largest value, not the smallest.
    properties.SetMaxValue(1e19);
    Variant hi;
    properties.GetMaxBound(hi);
    EXPECT_EQ(kMax, hi.AsInt64());
    // Whole values keep every digit on their way to the type.
    EXPECT_EQ(kMax - 1, properties.ToValueType(Variant(kMax - 1)).AsInt64());
}

TEST(SpinEditProperties, TextToValueByType) {
    TcxSpinEditProperties properties;
    struct Case {
        TcxSpinEditValueType type;
        const char* text;
        bool ok;
        double value;
    } cases[] = {
        {vtFloat, "2.5", true, 2.5},  {vtFloat, "-1e3", true, -1000}, {vtFloat, "1e400", false, 0},
        {vtFloat, "abc", false, 0},   {vtInt, "42", true, 42},        {vtInt, "2.5", false, 0},
        {vtInt, "-7", true, -7},      {vtInt, "99999999999999999999", false, 0}, {vtFloat, "", false, 0},
    };
    for (const auto& c : cases) {
        properties.SetValueType(c.type);
        Variant value;
        EXPECT_EQ(c.ok, properties.TextToValue(c.text, value)) << c.text;
        if (c.ok) {
            EXPECT_EQ(c.type == vtInt ? varInt64 : varDouble, value.VarType()) << c.text;
            EXPECT_EQ(c.value, value.AsDouble()) << c.text;
        }
    }
    properties.SetValueType(vtInt);
    EXPECT_TRUE(properties.IsEditValueValid(Variant(AnsiString("12"))));
    EXPECT_FALSE(properties.IsEditValueValid(Variant(AnsiString("x"))));
    EXPECT_TRUE(properties.IsEditValueValid(Variant(3.5)));
    EXPECT_FALSE(properties.IsEditValueValid(Variant::Null()));
}

struct SpinCase {
    const char* name;
    TcxSpinEditValueType type;
    double minValue, maxValue;
    bool circular;
    Variant value;
    int index;
    double increment, largeIncrement;
    bool changes;
    Variant expected;
};

Variant I(int64_t value) { return Variant::FromInteger(value, varInt64); }

TEST(SpinEditProperties, SpinStepsInsideTheBounds) {
    const SpinCase cases[] = {
        // name, type, min, max, circular, value, index, increment, large, changes, expected
        {"clamped at the top", vtInt, 0, 10, false, I(9), 1, 3, 10, true, I(10)},
        {"wraps past the top", vtInt, 0, 10, true, I(9), 1, 3, 10, true, I(1)},
        {"wraps past the bottom", vtInt, 0, 10, true, I(1), 0, 3, 10, true, I(9)},
        {"clamped at the bottom", vtInt, 0, 10, false, I(1), 0, 3, 10, true, I(0)},
        {"inside", vtInt, 0, 10, false, I(4), 3, 1, 5, true, I(9)},
        {"above: up keeps", vtInt, 0, 10, false, I(12), 1, 1, 10, false, I(0)},
        {"above: up wraps to min", vtInt, 0, 10, true, I(12), 1, 1, 10, true, I(0)},
        {"above: down to max", vtInt, 0, 10, false, I(12), 0, 1, 10, true, I(10)},
        {"below: up to min", vtInt, 0, 10, false, I(-3), 1, 1, 10, true, I(0)},
        {"below: down keeps", vtInt, 0, 10, false, I(-3), 0, 1, 10, false, I(0)},
        {"below: down wraps to max", vtInt, 0, 10, true, I(-3), 0, 1, 10, true, I(10)},
        {"2.5 steps by 2", vtInt, 0, 0, false, I(0), 1, 2.5, 10, true, I(2)},
        {"3.5 steps by 4", vtInt, 0, 0, false, I(0), 0, 3.5, 10, true, I(-4)},
        {"no bounds", vtInt, 0, 0, false, I(1000), 3, 1, 1e6, true, I(1001000)},
        {"only a maximum", vtInt, 0, -5, false, I(-100), 0, 1, 10, true, I(-101)},
        {"stops at the Int64 maximum", vtInt, 0, 0, false, I(kMax - 1), 3, 1, 10, true, I(kMax)},
        {"stops at the Int64 minimum", vtInt, 0, 0, false, I(kMin + 1), 2, 1, 10, true, I(kMin)},
        {"wraps across the Int64 maximum", vtInt, 0, 0, true, I(kMax), 1, 1, 10, true, I(kMin)},
        {"wraps across the Int64 minimum", vtInt, 0, 0, true, I(kMin + 2), 2, 1, 10, true, I(kMax - 7)},
        {"float inside", vtFloat, 0, 1, false, Variant(0.25), 1, 0.5, 10, true, Variant(0.75)},
        {"null counts as 0", vtFloat, -1, 1, false, Variant::Null(), 0, 0.5, 10, true, Variant(-0.5)},
        // A wrap that would still leave the range lands on the opposite bound.
        {"large step wrapping past", vtInt, 0, 5, true, I(3), 3, 1, 10, true, I(0)},
        {"large step wrapping below", vtInt, 0, 5, true, I(3), 2, 1, 10, true, I(5)},
        {"float wrap past the top", vtFloat, 0, 1, true, Variant(0.9), 1, 0.2, 10, true, Variant(0.0)},
        {"float wrap past the bottom", vtFloat, 0, 1, true, Variant(0.1), 0, 0.2, 10, true, Variant(1.0)},
        // Steps beyond the Int64 range saturate instead of turning round.
        {"huge large step up", vtInt, 0, 0, false, I(5), 3, 1, 1e19, true, I(kMax)},
        {"huge large step down", vtInt, 0, 0, false, I(5), 2, 1, 1e19, true, I(5 - kMax)},
        {"huge maximum", vtInt, 0, 1e19, false, I(5), 1, 1, 10, true, I(6)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TcxSpinEditProperties properties;
        properties.SetValueType(c.type);
        properties.SetMinValue(c.minValue);
        properties.SetMaxValue(c.maxValue);
        properties.SetCircular(c.circular);
        properties.SetIncrement(c.increment);
        properties.SetLargeIncrement(c.largeIncrement);
        Variant result;
        ASSERT_EQ(c.changes, properties.CalculateSpinValue(c.value, c.index, result));
        if (!c.changes) continue;
        EXPECT_EQ(c.expected.VarType(), result.VarType());
        if (c.type == vtInt)
            EXPECT_EQ(c.expected.AsInt64(), result.AsInt64());
        else
            EXPECT_DOUBLE_EQ(c.expected.AsDouble(), result.AsDouble());
    }
}

TEST(SpinEditProperties, BoundModesAndBadIndexes) {
    TcxSpinEditProperties properties;
    EXPECT_EQ(1, properties.GetBoundMode());
    properties.SetCircular(true);
    EXPECT_EQ(2, properties.GetBoundMode());
    Variant result;
    EXPECT_THROW(properties.CalculateSpinValue(Variant(0), 4, result), EcxEditError);
    EXPECT_THROW(properties.CalculateSpinValue(Variant(0), -1, result), EcxEditError);
}

TEST(SpinEditProperties, CheckedValuesClampOrReportOutOfBounds) {
    struct Case {
        bool exceptionOnInvalidInput;
        Variant value;
        bool error;
        double expected;
    } cases[] = {
        {false, Variant(15), false, 10}, {false, Variant(-2), false, 0},  {false, Variant::Null(), false, 0},
        {false, Variant(4), false, 4},   {true, Variant(15), true, 15},  {true, Variant(4), false, 4},
    };
    for (const auto& c : cases) {
        TcxSpinEditProperties properties;
        properties.SetValueType(vtInt);
        properties.SetMinValue(0);
        properties.SetMaxValue(10);
        properties.SetExceptionOnInvalidInput(c.exceptionOnInvalidInput);
        Variant value = c.value;
        AnsiString errorText;
        bool error = false;
        properties.CheckSpinValue(value, errorText, error);
        EXPECT_EQ(c.error, error);
        EXPECT_EQ(c.error ? AnsiString("Value out of bounds") : AnsiString(), errorText);
        EXPECT_EQ(c.expected, value.AsDouble());
    }
}

} // namespace
