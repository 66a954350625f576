#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "data/access/DADump.h"
#include "platform/VectorDataSet.h"
#include "platform/core/DateTime.h"
#include "platform/core/Streams.h"

namespace {
// A dump over one table of the tests' own dataset.
class TTableDump : public TDADumpOwner {
public:
    std::vector<TColumn> Columns;
    std::function<void(TDataSet&)> Fill;
    std::vector<AnsiString> Queries;
    std::unique_ptr<TDataSet> OpenQuery(const AnsiString& sql) override {
        Queries.push_back(sql);
        auto data = std::make_unique<TVectorDataSet>();
        data->Columns = Columns;
        data->Open();
        if (Fill) Fill(*data);
        data->First();
        return data;
    }
    void GetTableNames(TStrings* names) override { names->Add("t"); }
    void QueryTables(const AnsiString&, TStrings* tables) override { tables->Add("t"); }
};

void Row(TDataSet& data, std::initializer_list<std::function<void(TField*)>> setters) {
    data.Append();
    int i = 0;
    for (auto& set : setters)
        set(data.Fields()[i++]);
    data.Post();
}
} // namespace

TEST(DADump, SampleRowAndEmptyTable) {
    TTableDump dump;
    dump.Columns = {{"i", ftInteger}, {"s", ftString, 10}, {"n", ftInteger}};
    dump.Fill = [](TDataSet& data) {
        Row(data, {[](TField* f) { f->SetAsInteger(1); }, [](TField* f) { f->SetAsString("it's"); },
                   [](TField* f) { f->Clear(); }});
    };
    dump.AddDelete = true;
    TDADumpProcessor processor(&dump);
    processor.Backup("");
    ASSERT_EQ(3, dump.Lines.Count());
    EXPECT_EQ("", dump.Lines[0]);
    EXPECT_EQ("DELETE FROM t;", dump.Lines[1]);
    EXPECT_EQ("INSERT INTO t VALUES (1, 'it''s', NULL);", dump.Lines[2]);
    EXPECT_EQ("SELECT * FROM t", dump.Queries[0]);

    dump.Fill = nullptr;
    processor.Backup("");
    EXPECT_EQ(2, dump.Lines.Count());
}

TEST(DADump, ValueTexts) {
    TTableDump dump;
    dump.Columns = {{"f", ftFloat},   {"d", ftDateTime},   {"t", ftTime},    {"b", ftVarBytes, 4},
                    {"o", ftBoolean}, {"s", ftString, 20}, {"l", ftLargeint}};
    const TDateTime stamp = EncodeDate(2024, 1, 2) + EncodeTime(3, 4, 5, 678);
    struct {
        const char* name;
        std::function<void(TField*)> set;
        int column;
        AnsiString text;
    } cases[] = {
        {"0.1 + 0.2", [](TField* f) { f->SetAsFloat(0.1 + 0.2); }, 0, "0.30000000000000004"},
        {"1/3", [](TField* f) { f->SetAsFloat(1.0 / 3); }, 0, "0.3333333333333333"},
        {"1E300", [](TField* f) { f->SetAsFloat(1e300); }, 0, "1E+300"},
        {"2.5", [](TField* f) { f->SetAsFloat(2.5); }, 0, "2.5"},
        {"milliseconds", [&](TField* f) { f->SetAsDateTime(stamp); }, 1, "'2024-01-02 03:04:05.678'"},
        {"whole seconds", [](TField* f) { f->SetAsDateTime(EncodeDate(2024, 1, 2)); }, 1,
         "'2024-01-02 00:00:00'"},
        {"time", [](TField* f) { f->SetAsDateTime(EncodeTime(13, 5, 9, 0)); }, 2, "'13:05:09'"},
        {"bytes",
         [](TField* f) {
             f->SetAsBytes(TBytes{0x00, 0xFF, 0x27});
         },
         3, "X'00FF27'"},
        {"true", [](TField* f) { f->SetAsBoolean(true); }, 4, "-1"},
        {"false", [](TField* f) { f->SetAsBoolean(false); }, 4, "0"},
        {"Chinese and a quote", [](TField* f) { f->SetAsString("中'文"); }, 5, "'中''文'"},
        {"large", [](TField* f) { f->SetAsLargeInt(-9007199254740993LL); }, 6, "-9007199254740993"},
    };
    TDADumpProcessor processor(&dump);
    for (auto& c : cases) {
        TVectorDataSet data;
        data.Columns = dump.Columns;
        data.Open();
        data.Append();
        c.set(data.Fields()[c.column]);
        data.Post();
        EXPECT_EQ(c.text, processor.ValueText(data.Fields()[c.column])) << c.name;
    }
}

TEST(DADump, QueryWithTwoTablesFailsBeforeAnyOutput) {
    TTableDump dump;
    dump.Columns = {{"i", ftInteger}};
    dump.TableNames.Add("a");
    dump.TableNames.Add("b");
    dump.Lines.Add("kept");
    TDADumpProcessor processor(&dump);
    try {
        processor.Backup("select * from a");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ("To execute BackupQuery TableNames must have not more than one table", e.Message());
    }
    ASSERT_EQ(1, dump.Lines.Count());
    EXPECT_EQ("kept", dump.Lines[0]);
    EXPECT_TRUE(dump.Queries.empty());
}

TEST(DADump, QueryDumpListsFieldsAndWritesToStream) {
    TTableDump dump;
    dump.Columns = {{"i", ftInteger}, {"s", ftString, 10}};
    dump.Fill = [](TDataSet& data) {
        Row(data, {[](TField* f) { f->SetAsInteger(1); }, [](TField* f) { f->SetAsString("a"); }});
        Row(data, {[](TField* f) { f->SetAsInteger(2); }, [](TField* f) { f->SetAsString("b"); }});
    };
    TMemoryStream stream;
    dump.Stream = &stream;
    std::vector<int> percents;
    dump.OnProgress = [&](TDADumpOwner*, const AnsiString& table, int percent, int count, int number) {
        EXPECT_EQ("t", table);
        EXPECT_EQ(1, count);
        EXPECT_EQ(1, number);
        percents.push_back(percent);
    };
    TDADumpProcessor processor(&dump);
    processor.Backup("  select i, s from t  ");
    EXPECT_EQ("select i, s from t", dump.Queries[0]);
    std::string text(static_cast<size_t>(stream.Size()), '\0');
    stream.SetPosition(0);
    stream.Read(text.data(), stream.Size());
    EXPECT_EQ("\r\nINSERT INTO t(i, s) VALUES (1, 'a');\r\nINSERT INTO t(i, s) VALUES (2, 'b');\r\n", text);
    EXPECT_EQ((std::vector<int>{50, 100}), percents);
}
