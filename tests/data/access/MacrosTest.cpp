// Macros: finding the references of an SQL text, expanding them, telling the owner of changes.
#include <gtest/gtest.h>

#include <string>

#include "data/access/Macros.h"
#include "platform/core/Components.h"
#include "platform/core/Streams.h"
#include "platform/db/DBTypes.h"

namespace {

std::string Names(const TMacros& macros) {
    std::string s;
    for (int i = 0; i < macros.Count(); ++i)
        s += (i ? "," : "") + macros[i]->Name();
    return s;
}

// A statement (or dataset) that counts its resets.
class TOwnerStub : public TComponent, public TMacrosOwner {
public:
    explicit TOwnerStub(bool dataSet) : TComponent(nullptr), dataSet(dataSet) {}
    bool MacrosOwnerIsDataSet() const override { return dataSet; }
    bool MacrosOwnerActive() const override { return active; }
    AnsiString MacrosOwnerSQL() const override { return sql; }
    void MacrosChanged() override { ++resets; }
    bool dataSet;
    bool active = false;
    AnsiString sql;
    int resets = 0;
};

struct NumericParser : TSQLParser {
    using TSQLParser::TSQLParser;
    static bool AllowNumericMacro() { return true; }
};

} // namespace

TEST(Macros, ScanAndExpandTable) {
    struct Case {
        const char* sql;
        const char* names;
        const char* expanded; // with every macro's value "<name>", macro "b" inactive
    };
    const Case cases[] = {
        {"SELECT * FROM t", "", "SELECT * FROM t"},
        {"SELECT * FROM &tab WHERE &cond", "tab,cond", "SELECT * FROM <tab> WHERE <cond>"},
        {"SELECT '&x', \"&y\" FROM t", "", "SELECT '&x', \"&y\" FROM t"},
        {"SELECT * FROM t &b", "b", "SELECT * FROM t "},
        {"SELECT &a, &A, &a FROM t", "a", "SELECT <a>, <a>, <a> FROM t"},
        {"SELECT & a, &&a, a&1 FROM t", "", "SELECT & a, &&a, a&1 FROM t"},
        {"SELECT * FROM t &WHERE", "WHERE", "SELECT * FROM t <WHERE>"},
        {"  SELECT  /* &c */ x -- &d\r\n FROM t\t&e", "e", "  SELECT  /* &c */ x -- &d\r\n FROM t\t<e>"},
        {"SELECT x FROM t WHERE s = 'it''s &x' AND &f=1;", "f",
         "SELECT x FROM t WHERE s = 'it''s &x' AND <f>=1;"},
        {"SELECT &", "", "SELECT &"},
        {"SELECT 中文 FROM &表", "表", "SELECT 中文 FROM <表>"},
    };
    for (const Case& c : cases) {
        TMacros macros;
        macros.Scan(c.sql);
        EXPECT_EQ(Names(macros), c.names) << c.sql;
        for (int i = 0; i < macros.Count(); ++i) {
            macros[i]->SetValue("<" + macros[i]->Name() + ">");
            macros[i]->SetActive(macros[i]->Name() != "b");
        }
        AnsiString text = c.sql;
        macros.Expand(text);
        EXPECT_EQ(text, AnsiString(c.expanded)) << c.sql;
    }
}

TEST(Macros, UnknownReferenceVanishesAndNumericNamesFollowTheLexer) {
    TMacros macros;
    AnsiString text = "SELECT * FROM t &x";
    macros.Expand(text);
    EXPECT_EQ(text, "SELECT * FROM t ");

    macros.Scan("SELECT &1a, &2 b FROM t");
    EXPECT_EQ(Names(macros), "");
    macros.SetParserClass(ParserClassOf<NumericParser>("NumericParser"));
    macros.Scan("SELECT &1a, &2 b FROM t");
    EXPECT_EQ(Names(macros), "1a,2");
}

TEST(Macros, RescanKeepsValuesAndFindIgnoresCase) {
    TMacros macros;
    macros.Scan("SELECT * FROM &Tab");
    macros.MacroByName("TAB")->SetValue("t1");
    macros.MacroByName("tab")->SetActive(false);
    macros.Scan("SELECT &col FROM &tab");
    ASSERT_EQ(Names(macros), "col,Tab");
    EXPECT_EQ(macros[1]->Value(), "t1");
    EXPECT_FALSE(macros[1]->Active());
    EXPECT_TRUE(macros[0]->Active());
    EXPECT_EQ(macros.FindMacro("none"), nullptr);
    try {
        macros.MacroByName("none");
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(AnsiString(e.Message()), "Macro none not found");
    }
    macros.Scan("SELECT 1");
    EXPECT_EQ(macros.Count(), 0);
}

TEST(Macros, OwnerIsToldOfChanges) {
    TOwnerStub statement(false);
    TMacros macros(&statement);
    macros.Scan("SELECT * FROM &tab");
    const int afterScan = statement.resets;
    EXPECT_GE(afterScan, 1);
    macros.Scan("SELECT * FROM &tab");
    EXPECT_EQ(statement.resets, afterScan) << "the same text twice";
    macros[0]->SetValue("t");
    macros[0]->SetValue("t");
    EXPECT_EQ(statement.resets, afterScan + 1);
    macros.BeginUpdate();
    macros[0]->SetActive(false);
    EXPECT_EQ(statement.resets, afterScan + 1);
    macros.EndUpdate();
    EXPECT_EQ(statement.resets, afterScan + 2);

    // An open dataset resets only when its SQL names the macro, in any case.
    TOwnerStub dataSet(true);
    TMacros dsMacros(&dataSet);
    dsMacros.Scan("SELECT * FROM &Tab, &other");
    dataSet.active = true;
    dataSet.sql = "SELECT * FROM &Tab";
    const int before = dataSet.resets;
    dsMacros[1]->SetValue("x");
    EXPECT_EQ(dataSet.resets, before);
    dsMacros.MacroByName("tab")->SetValue("x");
    EXPECT_EQ(dataSet.resets, before + 1);
    dataSet.sql = "SELECT * FROM &TAB";
    dsMacros.MacroByName("tab")->SetValue("y");
    EXPECT_EQ(dataSet.resets, before + 2);
    dataSet.active = false;
    dsMacros[1]->SetValue("z");
    EXPECT_EQ(dataSet.resets, before + 3);
}

TEST(Macros, OlderStoredFormData) {
    auto stream = [](const std::string& bytes) {
        auto s = std::make_unique<TMemoryStream>();
        s->WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
        s->SetPosition(0);
        return s;
    };
    TMacros macros;
    macros.Scan("SELECT &a FROM &bb");
    auto with = stream(std::string("dX") +
                       "\x01"
                       "a" +
                       std::string("\x02\x00", 2) + "v1" + std::string("\x00", 1) +
                       "\x02"
                       "bb" +
                       std::string("\x00\x00", 2) + "\x01");
    macros.ReadData(with.get());
    EXPECT_EQ(macros[0]->Value(), "v1");
    EXPECT_FALSE(macros[0]->Active());
    EXPECT_EQ(macros[1]->Value(), "");
    EXPECT_TRUE(macros[1]->Active());

    auto without = stream(std::string("\x00", 1) +
                          "\x01"
                          "A" +
                          std::string("\x01\x00", 2) + "w" +
                          "\x02"
                          "bb" +
                          std::string("\x01\x00", 2) + "z");
    macros.ReadData(without.get());
    EXPECT_EQ(macros[0]->Value(), "w");
    EXPECT_FALSE(macros[0]->Active()) << "no active flag in this form";
    EXPECT_EQ(macros[1]->Value(), "z");

    auto unknown = stream(std::string("\x00", 1) +
                          "\x01"
                          "q" +
                          std::string("\x00\x00", 2));
    EXPECT_THROW(macros.ReadData(unknown.get()), EDatabaseError);
    auto shortStream = stream(std::string("\x00", 1) +
                              "\x01"
                              "a" +
                              std::string("\x00\x00", 2));
    EXPECT_ANY_THROW(macros.ReadData(shortStream.get()));
}
