// The simple loader over an ODBC command on SQLite: the statement it builds and the rows it sends
// for sequences of column puts, the rejected ones among them.
#include "OdbcTestSupport.h"
#include "data/access/CRLoader.h"

namespace {

class OdbcSimpleLoader : public TCRSimpleLoader {
public:
    OdbcSimpleLoader() { InitCommand(); }
    void CreateCommand() override { command_ = std::make_unique<TODBCCommand>(); }
};

class LoaderTest : public testing::Test {
protected:
    void SetUp() override {
        std::string dir = BuildFolderUnix("odbc-provider-tests");
        CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
        std::string file = dir + "/loader-" + std::to_string(GetCurrentProcessId()) + ".db";
        dbFile = "Z:" + file;
        DeleteFileA(dbFile.c_str());
        connection = std::make_unique<TODBCConnection>();
        connection->SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
        connection->Connect("");
        Exec(*connection, "CREATE TABLE t (a INTEGER, b VARCHAR(20))");
    }
    void TearDown() override {
        connection.reset();
        DeleteFileA(dbFile.c_str());
    }
    void Prepare(OdbcSimpleLoader& loader) {
        loader.SetConnection(connection.get());
        loader.TableName = "t";
        for (auto [name, type] : {std::pair<const char*, uint16_t>{"a", tcInt32}, {"b", tcString}}) {
            auto* column = new TCRLoaderColumn();
            column->Name = name;
            column->DataType = type;
            column->Size = type == tcString ? 20 : 0;
            loader.Columns().Add(column);
        }
        loader.Prepare();
    }
    std::unique_ptr<TODBCConnection> connection;
    std::string dbFile;
};

TEST_F(LoaderTest, BuildsOneInsertAndSendsEachRowOnce) {
    OdbcSimpleLoader loader;
    Prepare(loader);
    EXPECT_EQ("INSERT INTO t(a,b) VALUES (?,?)", std::string(loader.Command()->SQL().c_str()));

    struct Put {
        int column, row;
        Variant value;
        const char* error; // nullptr: accepted
    };
    struct Case {
        const char* name;
        std::vector<Put> puts;
        const char* rows; // what the table holds after DoLoad, "a:b;" per row in order
    };
    const Case cases[] = {
        {"two rows",
         {{0, 1, 1, nullptr},
          {1, 1, AnsiString("x"), nullptr},
          {0, 2, 2, nullptr},
          {1, 2, AnsiString("y"), nullptr}},
         "1:x;2:y;"},
        {"nothing put sends nothing", {}, ""},
        // A row number that skips one is refused before anything is sent: the row goes once.
        {"skipped row refused",
         {{0, 1, 1, nullptr}, {0, 3, 3, "Invalid row number"}, {0, 2, 2, nullptr}},
         "1:<null>;2:<null>;"},
        {"going back refused",
         {{0, 1, 1, nullptr}, {0, 2, 2, nullptr}, {0, 1, 9, "Invalid row number"}},
         "1:<null>;2:<null>;"},
        {"row 0 refused", {{0, 0, 1, "Invalid row number"}}, ""},
        {"column out of range", {{2, 1, 1, "Invalid column number"}, {0, 1, 5, nullptr}}, "5:<null>;"},
        // A column not put for a row is NULL, not the previous row's value.
        {"unset column is null",
         {{0, 1, 1, nullptr}, {1, 1, AnsiString("x"), nullptr}, {0, 2, 2, nullptr}},
         "1:x;2:<null>;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Exec(*connection, "DELETE FROM t");
        OdbcSimpleLoader l;
        Prepare(l);
        for (const Put& p : c.puts) {
            std::string error = MessageOf([&] { l.PutColumnData(p.column, p.row, p.value); });
            EXPECT_EQ(p.error ? p.error : "<no error>", error);
        }
        l.DoLoad();
        l.Finish();
        std::string got;
        for (auto& row : QueryRows(*connection, "SELECT a, b FROM t ORDER BY rowid"))
            got += row[0] + ":" + row[1] + ";";
        EXPECT_EQ(c.rows, got);
    }
}

TEST_F(LoaderTest, ATableNameIsRequiredAndPropertiesAreRefused) {
    OdbcSimpleLoader loader;
    loader.TableName = "  ";
    EXPECT_EQ("TableName must be defined", MessageOf([&] { loader.Prepare(); }));
    EXPECT_THROW(loader.SetProp(prAutoCommit, true), EAssertionFailed);
}

} // namespace
