// What a unified query writes to the Access stand-in and to PostgreSQL, read back by each
// database's own client: generated statements bind each value with its own field's type, cached
// changes reach the rows they were made on, a read-only query writes nothing, and parameters keep
// a timestamp's milliseconds.
#include <functional>

#include "NativeClient.h"
#include "UniTestSupport.h"
#include "platform/core/DateTime.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"

namespace {

// One database: its connection, the test table and the native reading of it. The native select
// list prints timestamps with milliseconds and amounts with two decimals on both databases.
struct Road {
    TUniConnection& connection;
    std::string table;
    std::string ts, amount;
    std::function<std::string(const std::string&)> native;

    std::string Rows(const std::string& where = "") const {
        return native("SELECT id, n, d, " + ts + ", t, " + amount + " FROM " + table + where +
                      " ORDER BY id");
    }
    void Exec(const std::string& sql) const { ::Exec(Internal(connection), sql); }
    void Make() const {
        Exec("CREATE TABLE " + table +
             " (id INTEGER PRIMARY KEY, n INTEGER, d DATE, ts TIMESTAMP, t VARCHAR(40), amount "
             "NUMERIC(10,2))");
    }
    void Open(TUniQuery& query, const char* select = "id, n, d, ts, t, amount",
              const char* keys = "id") const {
        query.SetConnection(&connection);
        SetSQL(query.SQL(), (std::string("SELECT ") + select + " FROM " + table + " ORDER BY id").c_str());
        query.KeyFields = keys;
        query.Open();
    }
};

void GoTo(TDataSet& dataSet, int id) {
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        if (dataSet.FieldByName("id")->AsInteger() == id) return;
    FAIL() << "no row " << id;
}

// Integer, date, timestamp, text and numeric columns edited in turn on one open query, after an
// insert of every type: each statement's parameters bound the values of other columns before.
void EachPostBindsItsFieldsType(const Road& road) {
    road.Make();
    road.Exec(
        "INSERT INTO " + road.table +
        " (id, n, d, ts, t, amount) VALUES (1, 1, '2026-01-01', '2026-01-01 08:00:00.000', 'one', 1.5)");
    TUniQuery query;
    road.Open(query);
    query.Append();
    query.FieldByName("id")->SetAsInteger(2);
    query.FieldByName("n")->SetAsInteger(2);
    query.FieldByName("d")->SetAsDateTime(EncodeDate(2030, 5, 6));
    query.FieldByName("ts")->SetAsDateTime(EncodeDateTime(2030, 5, 6, 7, 8, 9, 125));
    query.FieldByName("t")->SetAsString("two");
    query.FieldByName("amount")->SetAsFloat(2.25);
    query.Post();
    EXPECT_EQ(road.Rows(" WHERE id = 2"), "2|2|2030-05-06|2030-05-06 07:08:09.125|two|2.25\n");

    struct Step {
        const char* what;
        std::function<void(TDataSet&)> set;
        const char* row;
    };
    const Step steps[] = {
        {"integer", [](TDataSet& d) { d.FieldByName("n")->SetAsInteger(7); },
         "1|7|2026-01-01|2026-01-01 08:00:00.000|one|1.50\n"},
        {"date", [](TDataSet& d) { d.FieldByName("d")->SetAsDateTime(EncodeDate(2031, 1, 2)); },
         "1|7|2031-01-02|2026-01-01 08:00:00.000|one|1.50\n"},
        {"timestamp",
         [](TDataSet& d) { d.FieldByName("ts")->SetAsDateTime(EncodeDateTime(2031, 1, 2, 13, 45, 30, 250)); },
         "1|7|2031-01-02|2031-01-02 13:45:30.250|one|1.50\n"},
        {"text", [](TDataSet& d) { d.FieldByName("t")->SetAsString("seven"); },
         "1|7|2031-01-02|2031-01-02 13:45:30.250|seven|1.50\n"},
        {"numeric", [](TDataSet& d) { d.FieldByName("amount")->SetAsFloat(12.34); },
         "1|7|2031-01-02|2031-01-02 13:45:30.250|seven|12.34\n"},
        {"integer after text", [](TDataSet& d) { d.FieldByName("n")->SetAsInteger(8); },
         "1|8|2031-01-02|2031-01-02 13:45:30.250|seven|12.34\n"},
        {"date after numeric", [](TDataSet& d) { d.FieldByName("d")->SetAsDateTime(EncodeDate(2032, 3, 4)); },
         "1|8|2032-03-04|2031-01-02 13:45:30.250|seven|12.34\n"},
        {"text and integer together",
         [](TDataSet& d) {
             d.FieldByName("t")->SetAsString("nine");
             d.FieldByName("n")->SetAsInteger(9);
         },
         "1|9|2032-03-04|2031-01-02 13:45:30.250|nine|12.34\n"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        GoTo(query, 1);
        query.Edit();
        step.set(query);
        EXPECT_EQ(MessageOf([&] { query.Post(); }), "<no error>");
        if (query.State() != dsBrowse) query.Cancel();
        EXPECT_EQ(road.Rows(" WHERE id = 1"), step.row);
    }
    EXPECT_EQ(road.Rows(" WHERE id = 2"), "2|2|2030-05-06|2030-05-06 07:08:09.125|two|2.25\n");
}

// Cached changes of several rows in a mixed order, applied by the query and by the connection:
// each reaches the row it was made on, by its key (id and t, so that a NULL text takes part), and
// the untouched row stays as it was.
void CachedChangesReachTheirOwnRows(const Road& road) {
    road.Make();
    const std::function<void(TUniQuery&)> applies[] = {
        [](TUniQuery& q) {
            q.ApplyCachedUpdates();
            q.CommitCachedUpdates();
        },
        [&road](TUniQuery& q) { road.connection.ApplyUpdatesFor({&q}); },
    };
    for (const auto& apply : applies) {
        road.Exec("DELETE FROM " + road.table);
        // Row 4 has no text: its delete compares "t IS NULL", which only its own old values tell.
        for (int id = 1; id <= 5; ++id)
            road.Exec("INSERT INTO " + road.table + " (id, t) VALUES (" + std::to_string(id) + ", " +
                      (id == 4 ? "NULL" : "'a" + std::to_string(id) + "'") + ")");
        TUniQuery query;
        query.SetCachedUpdates(true);
        road.Open(query, "id, t", "id;t");
        GoTo(query, 2);
        query.Edit();
        query.FieldByName("t")->SetAsString("b2");
        query.Post();
        GoTo(query, 4);
        query.Delete();
        query.Append();
        query.FieldByName("id")->SetAsInteger(6);
        query.FieldByName("t")->SetAsString("a6");
        query.Post();
        GoTo(query, 1);
        query.Delete();
        GoTo(query, 5);
        query.Edit();
        query.FieldByName("t")->SetAsString("b5");
        query.Post();
        // The cursor rests on another row than any change.
        GoTo(query, 3);
        EXPECT_EQ(MessageOf([&] { apply(query); }), "<no error>");
        EXPECT_EQ(road.native("SELECT id, t FROM " + road.table + " ORDER BY id"),
                  "2|b2\n3|a3\n5|b5\n6|a6\n");
    }
}

// Every change a read-only query is asked for is refused before it reaches the server.
void ReadOnlyQueryWritesNothing(const Road& road) {
    road.Make();
    road.Exec("INSERT INTO " + road.table + " (id, n, t) VALUES (1, 1, 'one')");
    road.Exec("INSERT INTO " + road.table + " (id, n, t) VALUES (2, 2, 'two')");
    const std::string before = road.Rows();
    TUniQuery query;
    query.SetReadOnly(true);
    road.Open(query);
    EXPECT_FALSE(query.CanModify());
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"Edit",
         [&] {
             query.Edit();
             query.FieldByName("t")->SetAsString("changed");
             query.Post();
         }},
        {"Insert",
         [&] {
             query.Insert();
             query.FieldByName("id")->SetAsInteger(3);
             query.Post();
         }},
        {"Append",
         [&] {
             query.Append();
             query.FieldByName("id")->SetAsInteger(4);
             query.Post();
         }},
        {"Delete", [&] { query.Delete(); }},
    };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        query.First();
        EXPECT_EQ(MessageOf(change), "Cannot modify a read-only dataset");
        EXPECT_EQ(query.State(), dsBrowse);
        EXPECT_EQ(query.RecordCount(), 2);
        EXPECT_EQ(road.Rows(), before);
    }
}

// A timestamp parameter with milliseconds written by a query and by a statement, then found again
// by a parameter of the same value.
void TimestampParametersKeepMilliseconds(const Road& road) {
    road.Make();
    // Each writer's own milliseconds.
    auto stamp = [](int id) { return EncodeDateTime(2031, 1, 2, 13, 45, 30, 250 + id); };
    const std::string insert = "INSERT INTO " + road.table + " (id, ts) VALUES (:id, :ts)";
    const std::pair<const char*, std::function<void(int)>> writers[] = {
        {"TUniQuery",
         [&](int id) {
             TUniQuery query;
             query.SetConnection(&road.connection);
             SetSQL(query.SQL(), insert.c_str());
             query.ParamByName("id")->SetAsInteger(id);
             query.ParamByName("ts")->SetAsDateTime(stamp(id));
             query.Execute();
         }},
        {"TUniSQL",
         [&](int id) {
             TUniSQL statement(nullptr);
             statement.SetConnection(&road.connection);
             SetSQL(statement.SQL(), insert.c_str());
             statement.ParamByName("id")->SetAsInteger(id);
             statement.ParamByName("ts")->SetAsDateTime(stamp(id));
             statement.Execute();
         }},
    };
    int id = 0;
    for (const auto& [name, write] : writers) {
        SCOPED_TRACE(name);
        ++id;
        write(id);
        const std::string millis = std::to_string(250 + id);
        EXPECT_EQ(
            road.native("SELECT " + road.ts + " FROM " + road.table + " WHERE id = " + std::to_string(id)),
            "2031-01-02 13:45:30." + millis + "\n");
        TUniQuery found;
        found.SetConnection(&road.connection);
        SetSQL(found.SQL(), ("SELECT id FROM " + road.table + " WHERE ts = :ts").c_str());
        found.ParamByName("ts")->SetAsDateTime(stamp(id));
        found.Open();
        EXPECT_EQ(found.RecordCount(), 1);
        EXPECT_EQ(found.FieldByName("id")->AsInteger(), id);
    }
}

std::string UnixPath(std::string windowsPath) {
    for (char& c : windowsPath)
        if (c == '\\') c = '/';
    return windowsPath.rfind("Z:", 0) == 0 ? windowsPath.substr(2) : windowsPath;
}

class UniWriteAccess : public UniAccess {
protected:
    void SetUp() override {
        UniAccess::SetUp();
        connection.Connect();
    }
    Road TheRoad() {
        const std::string path = UnixPath(file);
        return Road{connection, "w", "ts", "printf('%.2f', amount)",
                    [path](const std::string& sql) { return native::Sqlite(path, sql); }};
    }
};

class UniWritePostgres : public UniPostgres {
protected:
    void SetUp() override {
        UniPostgres::SetUp();
        written = table + "_w";
        Exec(Internal(connection), "DROP TABLE IF EXISTS " + written);
    }
    void TearDown() override {
        if (!connection.Connected()) connection.Connect();
        Exec(Internal(connection), "DROP TABLE IF EXISTS " + written);
        UniPostgres::TearDown();
    }
    Road TheRoad() {
        return Road{connection, written, "to_char(ts, 'YYYY-MM-DD HH24:MI:SS.MS')", "amount",
                    [](const std::string& sql) { return native::Psql(sql); }};
    }
    std::string written;
};

} // namespace

TEST_F(UniWriteAccess, EachPostBindsItsFieldsType) {
    EachPostBindsItsFieldsType(TheRoad());
}
TEST_F(UniWritePostgres, EachPostBindsItsFieldsType) {
    EachPostBindsItsFieldsType(TheRoad());
}
TEST_F(UniWriteAccess, CachedChangesReachTheirOwnRows) {
    CachedChangesReachTheirOwnRows(TheRoad());
}
TEST_F(UniWritePostgres, CachedChangesReachTheirOwnRows) {
    CachedChangesReachTheirOwnRows(TheRoad());
}
TEST_F(UniWriteAccess, ReadOnlyQueryWritesNothing) {
    ReadOnlyQueryWritesNothing(TheRoad());
}
TEST_F(UniWritePostgres, ReadOnlyQueryWritesNothing) {
    ReadOnlyQueryWritesNothing(TheRoad());
}
TEST_F(UniWriteAccess, TimestampParametersKeepMilliseconds) {
    TimestampParametersKeepMilliseconds(TheRoad());
}
TEST_F(UniWritePostgres, TimestampParametersKeepMilliseconds) {
    TimestampParametersKeepMilliseconds(TheRoad());
}
