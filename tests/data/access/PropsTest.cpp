// Numbered properties: which layer knows which id, and the assertion for every other id.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "TestProvider.h"

namespace {

const int kAllIds[] = {0,  1,  2,  5,  11, 13, 20, 21, 22,   23,   24,   25,   27,   28,   29,   30,  31,
                       32, 33, 34, 35, 37, 38, 39, 40, 41,   42,   43,   44,   45,   46,   47,   48,  49,
                       50, 51, 52, 53, 54, 55, 56, -1, 1001, 1002, 1003, 1004, 1005, 2001, 2002, 2003};

struct ClassCase {
    const char* name;
    std::function<bool(int, const Variant&)> set;
    std::function<bool(int, Variant&)> get;
    std::set<int> setIds;
    std::set<int> getIds;
};

void ExpectUnknown(const std::function<void()>& call, int id, const char* what) {
    try {
        call();
        ADD_FAILURE() << what << " id " << id << " was accepted";
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.FileName(), "CRAccess") << what << " id " << id;
        EXPECT_EQ(e.Message().rfind(IntToStr(id) + " (", 0), 0u) << e.Message();
    }
}

} // namespace

TEST(NumberedProps, EachBaseClassKnowsItsIdsAndAssertsOnTheRest) {
    TTestConnection connection;
    TTestCommand command;
    TTestTransaction transaction;
    ClassCase cases[] = {
        {"TCRConnection",
         [&](int id, const Variant& v) { return connection.SetProp(id, v); },
         [&](int id, Variant& v) { return connection.GetProp(id, v); },
         {5, 28, 31, 38, 39, 41, 42, 48},
         {1, 40, 49}},
        {"TCRCommand",
         [&](int id, const Variant& v) { return command.SetProp(id, v); },
         [&](int id, Variant& v) { return command.GetProp(id, v); },
         {5, 11, 30, 32, 33, 34, 41, 42, 43, 45},
         {24, 43, 46, 54}},
        {"TCRTransaction",
         [&](int id, const Variant& v) { return transaction.SetProp(id, v); },
         [&](int id, Variant& v) { return transaction.GetProp(id, v); },
         {35, 37},
         {35, 37}},
    };
    for (auto& c : cases) {
        for (int id : kAllIds) {
            SCOPED_TRACE(std::string(c.name) + " id " + std::to_string(id));
            if (c.setIds.count(id))
                EXPECT_TRUE(c.set(id, Variant(0)));
            else
                ExpectUnknown([&] { c.set(id, Variant(0)); }, id, "set");
            Variant value;
            if (c.getIds.count(id))
                EXPECT_TRUE(c.get(id, value));
            else
                ExpectUnknown([&] { c.get(id, value); }, id, "get");
        }
    }
}

TEST(NumberedProps, AnswersAndStoredValues) {
    TTestConnection connection;
    connection.SetUsername("scott");
    Variant v;
    connection.GetProp(prUsername, v);
    EXPECT_EQ(v.AsAnsiString(), "scott");
    connection.GetProp(prDefaultTextParamSize, v);
    EXPECT_EQ(v.VarType(), varInteger);
    EXPECT_EQ(v.AsInteger(), 0);
    connection.GetProp(prLastInsertId, v);
    EXPECT_EQ(v.AsInt64(), 0);

    // Database and port are accepted without effect by the base.
    EXPECT_TRUE(connection.SetProp(prDatabase, Variant("c:\\data.mdb")));
    EXPECT_TRUE(connection.SetProp(prPort, Variant(1433)));
    EXPECT_TRUE(connection.SetProp(prEnableBCD, Variant(true)));
    EXPECT_TRUE(connection.SetProp(prDefaultSortType, Variant(2)));
    EXPECT_TRUE(connection.EnableBCD());
    EXPECT_EQ(connection.DefaultSortType(), 2);
    EXPECT_TRUE(connection.SetProp(prConvertEOL, Variant(true)));
    EXPECT_TRUE(connection.SetProp(prDisconnectedMode, Variant(true)));
    EXPECT_TRUE(connection.SetProp(prAutoCommit, Variant(true)));
    EXPECT_TRUE(connection.ConvertEOL());
    EXPECT_TRUE(connection.DisconnectedMode());
    EXPECT_TRUE(connection.AutoCommit());

    TTestCommand command;
    command.GetProp(prOutParamIsSet, v);
    EXPECT_EQ(v.VarType(), varBoolean);
    EXPECT_TRUE(v.AsBoolean());
    command.GetProp(prParamsDescribed, v);
    EXPECT_FALSE(v.AsBoolean());
    command.GetProp(prExecuting, v);
    EXPECT_FALSE(v.AsBoolean());
    command.SetProp(prQuoteNames, Variant(true));
    command.SetProp(prCompressBlobMode, Variant(3));
    EXPECT_TRUE(command.QuoteNames());
    EXPECT_EQ(command.CompressBlob(), 3);

    TTestTransaction transaction;
    transaction.GetProp(prIsolationLevel, v);
    EXPECT_EQ(v.AsInteger(), ilReadCommitted);
    transaction.SetProp(prIsolationLevel, Variant(static_cast<int>(ilRepeatableRead)));
    transaction.SetProp(prTransactionReadOnly, Variant(true));
    transaction.GetProp(prIsolationLevel, v);
    EXPECT_EQ(v.AsInteger(), ilRepeatableRead);
    transaction.GetProp(prTransactionReadOnly, v);
    EXPECT_TRUE(v.AsBoolean());
}

TEST(NumberedProps, UnconvertibleValueRaisesAndKeepsTheField) {
    TTestConnection connection;
    connection.SetProp(prEnableFmtBCD, Variant(true));
    EXPECT_THROW(connection.SetProp(prEnableFmtBCD, Variant("maybe")), EConvertError);
    EXPECT_TRUE(connection.EnableFMTBCD());

    TTestCommand command;
    command.SetProp(prCompressBlobMode, Variant(1));
    EXPECT_THROW(command.SetProp(prCompressBlobMode, Variant("lots")), EConvertError);
    EXPECT_EQ(command.CompressBlob(), 1);
}
