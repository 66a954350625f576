// The escape formatter with the ODBC and Access maps: text in, text or error out.
#include <gtest/gtest.h>

#include "OdbcTestSupport.h"
#include "data/access/providers/AccessUniProvider.h"
#include "data/access/providers/ODBCUniProvider.h"

namespace {

struct Case {
    const char* in;
    const char* out; // the text, or the error's message
};

class Formatters : public ::testing::Test {
protected:
    void SetUp() override {
        InitializeUnits(DataAccessUnitsNamed({"UniProvider", "ODBCUniProvider", "AccessUniProvider"}));
        names_.Add("M");
        values_.Add("x");
        names_.Add("ON");
        values_.Add("");
        names_.Add("SELF");
        values_.Add("a {SELF}");
        names_.Add("PING");
        values_.Add("{PONG}");
        names_.Add("PONG");
        values_.Add("b {PING}");
        names_.Add("NEST");
        values_.Add("{M} and {fn USER}");
        names_.Add("TWICE");
        values_.Add("{M}{M}");
    }
    void TearDown() override { FinalizeUnits(); }

    void Check(TUniSqlFormatter& formatter, const std::vector<Case>& cases) {
        formatter.SetUserMacros(&names_, &values_);
        for (const Case& c : cases) {
            AnsiString text = c.in;
            try {
                formatter.Expand(text);
            } catch (const Exception& e) {
                text = e.Message();
            }
            EXPECT_EQ(text, c.out) << c.in;
        }
    }

    TStringList names_;
    TStringList values_;
};

const std::vector<Case> commonCases = {
    {"SELECT a, \"b c\" FROM t WHERE x = 'it''s {fn X}' /* {if} */",
     "SELECT a, \"b c\" FROM t WHERE x = 'it''s {fn X}' /* {if} */"},
    {"SELECT 1 -- note", "SELECT 1 /* note*/"},
    {"{fn UCASE(name)}", "Unknown function: UCASE"},
    {"{fn UNKNOWN}", "Unknown function: UNKNOWN"},
    {"{fn LOCATE('a', b)}", "POSSTR( b, 'a')"},
    {"{fn SUBSTRING(a, 1, 2, 3)}", "Wrong argument count for function: SUBSTRING"},
    {"{fn TRIM(a}", "Invalid bracket count in function call"},
    {"{fn TRIM(a) b}", "Invalid bracket count in function call"},
    {"{fn TRIM x}", "Unexpected character"},
    {"{fn 'a'}", "Empty function name"},
    {"{fn user}", "USER"},
    {"{ x}", "Empty macro or function name"},
    {"{M,}", "Unexpected character"},
    {"{date 2024-01-31}", "Invalid year-month-day string. The format is {date 'yyyy-mm-dd'}"},
    {"{time 10:00}", "Invalid hour-minute-second string. The format is {time 'hh:mm:ss'}"},
    {"{timestamp '}", "Invalid timestamp string. The format is {timestamp 'yyyy-mm-dd hh:mm:ss'}"},
    {"{if Z}a{else}b{endif}", "b"},
    {"{if m}a{else}b{endif}", "a"},
    {"{if ON}a{else}b{endif}", "a"},
    {"{if}a{else}b{endif}", "a"},
    {"{if Z}a{else}b{else}c{endif}", "Unexpected {else}"},
    {"{else}", "Unexpected {else}"},
    {"a{endif}", "Unexpected {endif}"},
    {"{if M}a", "{if} statement not completed"},
    {"{if M}1{if Z}2{else}3{if ON}4{endif}{endif}5{else}6{endif}", "1345"},
    {"{if Z}{fn NOPE}{M}{else}ok{endif}", "ok"},
    {"{M tail}", "x tail"},
    {"{m}", "x"},
    {"{Undefined tail}", ""},
    {"{NEST}", "x and USER"},
    {"{TWICE}", "xx"},
    {"{SELF}", "Macro SELF refers to itself"},
    {"{PING}", "Macro PING refers to itself"},
    {"[a b] {M}", "[a b] x"},
};

TEST_F(Formatters, ODBC) {
    TODBCFormatter formatter;
    Check(formatter, commonCases);
    Check(formatter, {
                         {"{fn CONCAT('a', f(b, c))}", "'a' ||  f(b, c)"},
                         {"{date '2024-01-31'}", "CAST('2024-01-31' AS DATE)"},
                         {"{time ' 10:00:00 '}", "CAST(' 10:00:00 ' AS TIME)"},
                         {"{timestamp '2024-01-31 10:00:00'}", "CAST('2024-01-31 10:00:00' AS TIMESTAMP)"},
                         {"{fn CHAR_LENGTH(n)}", "LENGTH(n)"},
                         {"{fn TOCHAR(n)}", "CAST(n AS VARCHAR)"},
                         {"CAST(a AS {DATETIME}) {PROVIDER}", "CAST(a AS TIMESTAMP) ODBC"},
                         {"{if ODBC}o{else}a{endif}{if ACCESS}!{endif}", "o"},
                         {"{fn SUBSTRING(s, {fn CHAR_LENGTH(t)}, 2)}", "SUBSTR(s,  LENGTH(t),  2)"},
                     });
}

TEST_F(Formatters, Access) {
    TAccessFormatter formatter;
    Check(formatter, commonCases);
    Check(formatter, {
                         {"{fn CONCAT('a', f(b, c))}", "'a' +  f(b, c)"},
                         {"{date '2024-01-31'}", "('2024-01-31')"},
                         {"{timestamp '2024-01-31 10:00:00'}", "('2024-01-31 10:00:00')"},
                         {"{fn CHAR_LENGTH(n)}", "LEN(n)"},
                         {"{fn TRUNCATE(n, 2)}", "TRUNC(n,  2)"},
                         {"CAST(a AS {VARCHAR}) {PROVIDER}", "CAST(a AS TEXT) Access"},
                         {"{if ODBC}o{else}a{endif}{if ACCESS}!{endif}", "a!"},
                     });
}

} // namespace
