// The ODBC command's tables: column descriptions to data types, C and SQL types of parameters,
// comments removed from statements and stored-procedure calls.
#include <gtest/gtest.h>

#include "OdbcTestSupport.h"
#include "data/memory/FieldDescs.h"

namespace {

struct Described {
    uint16_t type;
    int16_t subType;
    int length;
    int scale;
    bool fixed;
};

Described Describe(TODBCCommand& command, SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits,
                   bool asString = false, bool flat = false, bool longStrings = false) {
    Described d{};
    command.GetFieldDataType(sqlType, size, digits, asString, flat, longStrings, d.type, d.subType, d.length,
                             d.scale, d.fixed);
    return d;
}

TEST(ODBCFieldDataType, ColumnDescriptionsGiveTheirDataTypes) {
    TODBCConnection connection;
    TODBCCommand command;
    command.SetConnection(&connection);
    struct Case {
        const char* name;
        SQLSMALLINT sqlType;
        SQLULEN size;
        SQLSMALLINT digits;
        bool asString, flat, longStrings;
        Described expected;
    } cases[] = {
        {"short varchar", SQL_VARCHAR, 20, 0, false, false, false, {tcString, 0, 20, 0, false}},
        {"char 40 on the heap", SQL_CHAR, 40, 0, false, false, false, {tcExtString, 0, 40, 0, true}},
        {"char 40 flat", SQL_CHAR, 40, 0, false, true, false, {tcString, 0, 40, 0, true}},
        {"varchar 300", SQL_VARCHAR, 300, 0, false, false, false, {tcMemo, 0, 300, 0, false}},
        {"varchar 300 long strings",
         SQL_VARCHAR,
         300,
         0,
         false,
         false,
         true,
         {tcExtString, 0, 300, 0, false}},
        {"varchar 300 long flat", SQL_VARCHAR, 300, 0, false, true, true, {tcString, 0, 300, 0, false}},
        {"varchar 4096 long strings", SQL_VARCHAR, 4096, 0, false, false, true, {tcMemo, 0, 4096, 0, false}},
        {"wchar 10", SQL_WCHAR, 10, 0, false, false, false, {tcWideString, 0, 10, 0, true}},
        {"-95", -95, 10, 0, false, false, false, {tcWideString, 0, 10, 0, true}},
        {"wvarchar 100", SQL_WVARCHAR, 100, 0, false, false, false, {tcExtWideString, 0, 100, 0, false}},
        {"longvarchar", SQL_LONGVARCHAR, 0, 0, false, false, false, {tcMemo, 0, 0, 0, false}},
        {"-97", -97, 0, 0, false, false, false, {tcWideMemo, 0, 0, 0, false}},
        {"-98", -98, 0, 0, false, false, false, {tcBlob, 100, 0, 0, false}},
        {"-99", -99, 0, 0, false, false, false, {tcMemo, 101, 0, 0, false}},
        {"-350", -350, 0, 0, false, false, false, {tcWideMemo, 102, 0, 0, false}},
        {"numeric as float", SQL_NUMERIC, 38, 10, false, false, false, {tcFloat, 0, 0, 0, false}},
        {"integer", SQL_INTEGER, 10, 0, false, false, false, {tcInt32, 0, 0, 0, false}},
        {"smallint", SQL_SMALLINT, 5, 0, false, false, false, {tcInt16, 0, 0, 0, false}},
        {"real", SQL_REAL, 7, 0, false, false, false, {tcFloat, 0, 0, 0, false}},
        {"old date", SQL_DATE, 10, 0, false, false, false, {tcDate, 0, 0, 0, false}},
        {"type time", SQL_TYPE_TIME, 8, 0, false, false, false, {tcTime, 0, 0, 0, false}},
        {"timestamp", SQL_TYPE_TIMESTAMP, 23, 3, false, false, false, {tcDateTime, 0, 0, 0, false}},
        {"bit", SQL_BIT, 1, 0, false, false, false, {tcBoolean, 0, 0, 0, false}},
        {"tinyint", SQL_TINYINT, 3, 0, false, false, false, {tcUInt16, 0, 0, 0, false}},
        {"bigint", SQL_BIGINT, 19, 0, false, false, false, {tcInt64, 0, 0, 0, false}},
        {"binary", SQL_BINARY, 16, 0, false, false, false, {tcBytes, 0, 16, 0, false}},
        {"varbinary small", SQL_VARBINARY, 20, 0, false, false, false, {tcVarBytes, 0, 20, 0, false}},
        {"varbinary heap", SQL_VARBINARY, 100, 0, false, false, false, {tcExtVarBytes, 0, 100, 0, false}},
        {"varbinary large", SQL_VARBINARY, 5000, 0, false, false, false, {tcBlob, 0, 5000, 0, false}},
        {"longvarbinary unbounded",
         SQL_LONGVARBINARY,
         2147483647,
         0,
         false,
         false,
         false,
         {tcBlob, 0, 0, 0, false}},
        {"guid", SQL_GUID, 36, 0, false, false, false, {tcGuid, 0, 38, 0, false}},
        {"integer as string", SQL_INTEGER, 10, 0, true, false, false, {tcMemo, 0, 255, 0, false}},
        {"integer as string long", SQL_INTEGER, 10, 0, true, false, true, {tcExtString, 0, 255, 0, false}},
        {"char stays as string", SQL_CHAR, 10, 0, true, false, false, {tcString, 0, 10, 0, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Described d = Describe(command, c.sqlType, c.size, c.digits, c.asString, c.flat, c.longStrings);
        EXPECT_EQ(c.expected.type, d.type);
        EXPECT_EQ(c.expected.subType, d.subType);
        EXPECT_EQ(c.expected.length, d.length);
        EXPECT_EQ(c.expected.scale, d.scale);
        EXPECT_EQ(c.expected.fixed, d.fixed);
    }
    EXPECT_THROW(Describe(command, 12345, 0, 0), Exception);
}

TEST(ODBCFieldDataType, DecimalsFollowTheBCDSwitchesAndTextFollowsUseUnicode) {
    TODBCConnection connection;
    TODBCCommand command;
    command.SetConnection(&connection);
    connection.SetProp(prEnableBCD, true);
    Described bcd = Describe(command, SQL_NUMERIC, 38, 10);
    EXPECT_EQ(tcBCD, bcd.type);
    EXPECT_EQ(18, bcd.length);
    EXPECT_EQ(4, bcd.scale);
    command.SetProp(prEnableFmtBCD, true);
    Described fmt = Describe(command, SQL_NUMERIC, 38, 10);
    EXPECT_EQ(tcFMTBCD, fmt.type);
    EXPECT_EQ(32, fmt.length);
    EXPECT_EQ(10, fmt.scale);
    Described small = Describe(command, SQL_DECIMAL, 6, 2);
    EXPECT_EQ(6, small.length);
    EXPECT_EQ(2, small.scale);

    connection.SetProp(prUseUnicode, true);
    EXPECT_EQ(tcWideString, Describe(command, SQL_VARCHAR, 20, 0).type);
    EXPECT_EQ(tcWideMemo, Describe(command, SQL_VARCHAR, 300, 0).type);
    EXPECT_EQ(tcExtWideString, Describe(command, SQL_VARCHAR, 300, 0, false, false, true).type);
}

TEST(ODBCTypeTables, ParameterTypesMapToCAndSQLTypes) {
    TODBCCommand command;
    struct Case {
        uint16_t type;
        SQLSMALLINT c, sql;
    } cases[] = {
        {tcString, SQL_C_CHAR, SQL_VARCHAR},
        {tcExtString, SQL_C_CHAR, SQL_VARCHAR},
        {tcInt8, SQL_C_UTINYINT, SQL_TINYINT},
        {tcInt16, SQL_C_SSHORT, SQL_SMALLINT},
        {tcInt32, SQL_C_SLONG, SQL_INTEGER},
        {tcFloat, SQL_C_DOUBLE, SQL_DOUBLE},
        {tcCurrency, SQL_C_DOUBLE, SQL_DOUBLE},
        {tcDate, SQL_C_TYPE_DATE, SQL_TYPE_DATE},
        {tcTime, SQL_C_TYPE_TIME, SQL_TYPE_TIME},
        {tcDateTime, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP},
        {tcUInt16, SQL_C_USHORT, SQL_TINYINT},
        {tcBoolean, SQL_C_SSHORT, SQL_BIT},
        {tcInt64, SQL_C_SBIGINT, SQL_BIGINT},
        {tcBlob, SQL_C_BINARY, SQL_LONGVARBINARY},
        {tcMemo, SQL_C_CHAR, SQL_LONGVARCHAR},
        {tcVarBytes, SQL_C_BINARY, SQL_VARBINARY},
        {tcWideString, SQL_C_WCHAR, SQL_WVARCHAR},
        {tcWideMemo, SQL_C_WCHAR, SQL_WLONGVARCHAR},
        {tcBCD, SQL_C_CHAR, SQL_NUMERIC},
        {tcFMTBCD, SQL_C_CHAR, SQL_NUMERIC},
        {tcGuid, SQL_C_CHAR, SQL_GUID},
        {tcSQLTimeStamp, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(c.c, command.GetCType(c.type, 0));
        EXPECT_EQ(c.sql, command.GetSQLType(c.type, 0));
    }
    EXPECT_THROW(command.GetCType(tcVariant, 0), Exception);
    EXPECT_EQ(SQL_PARAM_INPUT, TODBCCommand::GetParamIOType(pdUnknown));
    EXPECT_EQ(SQL_PARAM_INPUT_OUTPUT, TODBCCommand::GetParamIOType(pdInputOutput));
    EXPECT_EQ(SQL_PARAM_OUTPUT, TODBCCommand::GetParamIOType(pdResult));
}

TEST(ODBCParamBuffer, UnknownAndUnsupportedTypesAreRefused) {
    TODBCParamDesc param;
    EXPECT_EQ("Unknown data type", MessageOf([&] { param.AllocBuffer(); }));
    param.SetDataType(tcVariant);
    EXPECT_EQ("Data type is not supported", MessageOf([&] { param.AllocBuffer(); }));
    param.SetDataType(tcString);
    param.SetSize(10);
    param.AllocBuffer();
    EXPECT_EQ(11, param.BufferSize());
    param.SetSize(20); // a new size needs a new buffer
    EXPECT_EQ(-1, param.BufferSize());
    param.SetDataType(tcInt32);
    param.AllocBuffer();
    param.SetSize(30); // a fixed-size type keeps it
    EXPECT_EQ(4, param.BufferSize());
}

TEST(ODBCRemoveComments, CommentsGoEverythingElseStays) {
    TODBCCommand command;
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"SELECT 1 -- note\nFROM t", "SELECT 1 \nFROM t"},
        {"select /* a\nblock */ a, 'x -- not a comment' /*b*/ from T",
         "select  a, 'x -- not a comment'  from T"},
        {"SELECT \"A /* B */\" FROM t", "SELECT \"A /* B */\" FROM t"},
        {"update t set a = 'it''s'\r\n  where b = 1", "update t set a = 'it''s'\r\n  where b = 1"},
        {"/* only */", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.expected, command.RemoveComments(c.text));
    }
}

TEST(ODBCProcCall, CallTextWithAndWithoutAResult) {
    struct Case {
        std::vector<std::pair<const char*, uint8_t>> params;
        const char* user;
        const char* final;
    } cases[] = {
        {{{"R", pdResult}, {"A", pdInput}, {"B", pdOutput}}, "{:R = call P(:A, :B)}", "{? = call P(?, ?)}"},
        {{{"A", pdInput}, {"B", pdInputOutput}}, "{call P(:A, :B)}", "{call P(?, ?)}"},
        {{}, "{call P()}", "{call P()}"},
        {{{"R", pdResult}}, "{:R = call P()}", "{? = call P()}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user);
        TODBCCommand command;
        for (auto [name, type] : c.params) {
            TParamDesc* p = command.AddParam();
            p->SetName(name);
            p->SetParamType(type);
        }
        EXPECT_EQ(c.user, command.CreateProcCall("P", false));
        EXPECT_EQ(c.user, command.SQL());
        EXPECT_EQ(c.final, command.FinalSQL());
    }
}

TEST(ODBCProps, ConnectionAndCommandAnswerTheirNumberedProperties) {
    TODBCConnection connection;
    Variant v;
    EXPECT_TRUE(connection.GetProp(prDefaultTextParamSize, v));
    EXPECT_EQ(8000, v.AsInteger());
    EXPECT_TRUE(connection.SetProp(prDSNType, static_cast<int>(ntFile)));
    connection.GetProp(prDSNType, v);
    EXPECT_EQ(static_cast<int>(ntFile), v.AsInteger());
    connection.SetProp(prConnectionTimeout, 15);
    connection.GetProp(prConnectionTimeout, v);
    EXPECT_EQ(15, v.AsInteger());
    connection.SetProp(prDetectFieldsOnPrepare, false);
    connection.GetProp(prDetectFieldsOnPrepare, v);
    EXPECT_FALSE(v.AsBoolean());
    EXPECT_FALSE(connection.CanChangeDatabase());
    TODBCCommand command;
    command.SetProp(prCommandTimeout, 30);
    command.GetProp(prCommandTimeout, v);
    EXPECT_EQ(30, v.AsInteger());
    EXPECT_THROW(command.SetProp(9999, 1), EAssertionFailed);
}

} // namespace
