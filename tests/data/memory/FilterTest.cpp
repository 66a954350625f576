#include <gtest/gtest.h>

#include "DataTestFixture.h"
#include "data/memory/BoolParser.h"
#include "platform/core/FormatSettings.h"

namespace {
constexpr int optNone = 0, optCase = 1, optNoPartial = 2;

class FilterTest : public ::testing::Test {
protected:
    FilterTest()
        : pin_(TFormatSettingsPin::Invariant()), data_({{"NAME", tcString, 20},
                                                        {"AMOUNT", tcInt32},
                                                        {"ORDER DATE", tcDate},
                                                        {"W", tcWideString, 10},
                                                        {"F", tcFloat}}),
          rec_(data_) {
        data_.FilterRecord = rec_;
    }

    // Row: NAME (nullptr: null), AMOUNT (Null or a number), ORDER DATE, W.
    void SetRow(const char* name, const Variant& amount, double date = 44197.0, const wchar_t* w = L"") {
        data_.PutFieldAsVariant(1, rec_, false, name ? Variant(name) : Variant::Null());
        data_.PutFieldAsVariant(2, rec_, false, amount);
        data_.PutFieldAsVariant(3, rec_, false, Variant::FromDateTime(date));
        data_.PutFieldAsVariant(4, rec_, false, Variant(WideString(w)));
        data_.PutFieldAsVariant(5, rec_, false, Variant(2.5));
    }

    bool Accepts(const char* filter, int options) {
        data_.FilterCaseInsensitive = (options & optCase) != 0;
        data_.FilterNoPartialCompare = (options & optNoPartial) != 0;
        data_.ParseFilterText(filter);
        return data_.EvalExprNode(data_.FilterRoot);
    }

    TFormatSettingsPin pin_;
    TTestData data_;
    TRecord rec_;
};
} // namespace

TEST_F(FilterTest, AcceptsRowsByFilterAndOptions) {
    struct Case {
        const char* filter;
        const char* name;
        Variant amount;
        int options;
        bool accepted;
    } cases[] = {
        {"AMOUNT >= 100 AND (NAME LIKE 'A%' OR NAME IS NULL)", "ADAMS", Variant(100), optNone, true},
        {"AMOUNT >= 100 AND (NAME LIKE 'A%' OR NAME IS NULL)", nullptr, Variant(150), optNone, true},
        {"AMOUNT >= 100 AND (NAME LIKE 'A%' OR NAME IS NULL)", "BAKER", Variant(150), optNone, false},
        {"NAME = 'SM*'", "SMITH", Variant(1), optNone, true},
        {"NAME = 'SMITH'", "SMITHS", Variant(1), optNone, false},
        {"NAME = 'smith'", "SMITH", Variant(1), optCase, true},
        {"NAME = 'smith'", "SMITH", Variant(1), optNone, false},
        {"NAME = 'SM*'", "SMITH", Variant(1), optNoPartial, false},
        {"NAME LIKE 'SM*'", "SMITH", Variant(1), optNoPartial, false},
        {"NAME = 'SM*'", "SM*", Variant(1), optNoPartial, true},
        {"NAME <> 'SM*'", "SMITH", Variant(1), optNone, false},
        {"NAME NOT LIKE 'S_ITH'", "SMITH", Variant(1), optNone, false},
        {"NAME = 'O''BRIEN'", "O'BRIEN", Variant(1), optNone, true},
        {"NAME = \"O''BRIEN\"", "O'BRIEN", Variant(1), optNone, true},
        // Null handling: IS NULL never matches an empty text, NOT over a null comparison is True.
        {"NAME IS NULL", "", Variant(1), optNone, false},
        {"NAME IS NULL", nullptr, Variant(1), optNone, true},
        {"NAME IS NOT NULL", "", Variant(1), optNone, true},
        {"NAME IS NOT NULL", nullptr, Variant(1), optNone, false},
        {"NAME = ''", "", Variant(1), optNone, true},
        {"AMOUNT > 1", "A", Variant::Null(), optNone, false},
        {"NOT (AMOUNT > 1)", "A", Variant::Null(), optNone, true},
        {"AMOUNT = -5", "A", Variant(-5), optNone, true},
        {"AMOUNT < +5", "A", Variant(4), optNone, true},
        {"AMOUNT <= 4 or false", "A", Variant(4), optNone, true},
        {"AMOUNT <> 4", "A", Variant(4), optNone, false},
        {"[ORDER DATE] > '2020-12-31'", "A", Variant(1), optNone, true},
        {"[ORDER DATE] = '2021-01-01'", "A", Variant(1), optNone, true},
        {"'2021-01-02' > [ORDER DATE]", "A", Variant(1), optNone, true},
        {"F = 2.5", "A", Variant(1), optNone, true},
        {"F > 2", "A", Variant(1), optNone, true},
        {"TRUE", nullptr, Variant(1), optNone, true},
        {"not TRUE or FALSE", nullptr, Variant(1), optNone, false},
        {"name like 'a%' and amount is not null", "ABC", Variant(1), optCase, true},
        {"NAME = '中*'", "中文", Variant(1), optNone, true},
        {"NAME = '_文'", "中文", Variant(1), optNone, true},
    };
    for (const auto& c : cases) {
        SetRow(c.name, c.amount);
        EXPECT_EQ(Accepts(c.filter, c.options), c.accepted)
            << c.filter << " with NAME=" << (c.name ? c.name : "NULL") << " options " << c.options;
    }
}

TEST_F(FilterTest, WideStringFieldsMatchByCharacters) {
    SetRow("A", Variant(1), 44197.0, L"\u4e2d\u6587x");
    EXPECT_TRUE(Accepts("W LIKE '%x'", optNone));
    EXPECT_TRUE(Accepts("W = '__X'", optCase));
    EXPECT_FALSE(Accepts("W = '_X'", optCase));
}

TEST_F(FilterTest, ParsesIntoTheExpectedTree) {
    data_.ParseFilterText("AMOUNT >= 100 AND (NAME LIKE 'A%' OR NAME IS NULL)");
    TExpressionNode* root = data_.FilterRoot;
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->NodeKind, nkAnd);
    EXPECT_EQ(root->LeftNode->NodeKind, nkGreaterOrEqual);
    EXPECT_EQ(root->LeftNode->LeftNode->NodeField, data_.FieldDescByName("AMOUNT"));
    EXPECT_EQ(root->LeftNode->RightNode->NodeValue.VarType(), varInt64);
    TExpressionNode* orNode = root->RightNode;
    EXPECT_EQ(orNode->NodeKind, nkOr);
    EXPECT_EQ(orNode->LeftNode->NodeKind, nkLike);
    EXPECT_EQ(orNode->RightNode->NodeKind, nkEqual);
    EXPECT_TRUE(orNode->RightNode->RightNode->NodeValue.IsNull());
    int chained = 0;
    for (TExpressionNode* n = data_.FilterNodeChain; n; n = n->ChainNext)
        ++chained;
    EXPECT_EQ(chained, 11);

    data_.ParseFilterText("AMOUNT = -5 OR F = 1.5");
    EXPECT_EQ(data_.FilterRoot->NodeKind, nkOr);
    EXPECT_EQ(data_.FilterRoot->LeftNode->RightNode->NodeValue.VarType(), varDouble);
    data_.ParseFilterText("   ");
    EXPECT_EQ(data_.FilterRoot, nullptr);
    EXPECT_EQ(data_.FilterNodeChain, nullptr);
}

TEST_F(FilterTest, ParseErrorsAndTheirMessages) {
    struct Case {
        const char* filter;
        const char* message;
    } cases[] = {
        {"AMOUNT = 1 AND", "Illegal filter expression"},  {"AMOUNT = 1 AMOUNT", "Illegal filter expression"},
        {"(AMOUNT = 1", "Illegal filter expression"},     {"AMOUNT", "Illegal filter expression"},
        {"AMOUNT NOT 1", "Illegal filter expression"},    {"AMOUNT IS 1", "Illegal filter expression"},
        {"AMOUNT IS NOT 1", "Illegal filter expression"}, {"AMOUNT = - 'x'", "Illegal filter expression"},
        {"] = 1", "Illegal filter expression"},           {"= 1", "Illegal filter expression"},
        {"AMOUNT = )", "Illegal filter expression"},      {"NOPE = 1", "Field NOPE not found"},
        {"[NO PE] = 1", "Field NO PE not found"},         {"A.B.C = 1", "Field A.B.C not found"},
    };
    for (const auto& c : cases) {
        try {
            data_.ParseFilterText(c.filter);
            ADD_FAILURE() << c.filter << " parsed";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message) << c.filter;
        }
        EXPECT_EQ(data_.FilterRoot, nullptr) << c.filter;
        EXPECT_EQ(data_.FilterNodeChain, nullptr) << c.filter;
    }
}

TEST_F(FilterTest, EvaluationErrorsPropagate) {
    SetRow("A", Variant(1));
    EXPECT_THROW(Accepts("AMOUNT > 'abc'", optNone), EConvertError);
    EXPECT_THROW(Accepts("[ORDER DATE] > 'no date'", optNone), EConvertError);
}

TEST(MatchWildcardTest, Patterns) {
    struct Case {
        const char* text;
        const char* pattern;
        bool match;
    } cases[] = {
        {"ABC", "A_C", true},
        {"ABBC", "A_C", false},
        {"A", "A*", true},
        {"", "*", true},
        {"", "", true},
        {"A", "", false},
        {"", "_", false},
        {"abc", "%c", true},
        {"abc", "a%b", false},
        {"abcbc", "a*bc", true},
        {"abc", "ABC", false},
        {"aXbXc", "a*b*c", true},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*c", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchWildcard(AnsiString(c.text), AnsiString(c.pattern)), c.match)
            << c.text << " ~ " << c.pattern;
}
