// Editing through the SQL dataset over the ODBC provider, on SQLite and the private PostgreSQL
// server: refreshes after posts and on request, the user's own statement texts, locks held in the
// update transaction, cached updates, the provider's service and generator, batches and the unified
// query. A second connection checks what the server holds.
#include "OdbcDAConnection.h"
#include <windows.h>

#include "OdbcTestSupport.h"
#include "data/access/DAConnection.h"
#include "data/access/DADataSet.h"
#include "data/access/DADataSetService.h"
#include "data/access/DADataSetUpdater.h"
#include "data/access/DASQLMonitor.h"
#include "data/access/DATransaction.h"
#include "data/access/DAUpdateSQL.h"
#include "data/access/DBMonitorClient.h"
#include "data/access/UniQuery.h"
#include "data/access/providers/AccessUniProvider.h"
#include "data/access/providers/ODBCRecordSet.h"
#include "data/access/providers/ODBCServices.h"
#include "data/access/providers/ODBCUniProvider.h"
#include "platform/db/DataSet.h"
#include "support/PostgresServer.h"

namespace {

[[maybe_unused]] testing::Environment* const kUniUnits = testing::AddGlobalTestEnvironment(
    new DataAccessUnitsEnvironment({"DBAccess", "UniProvider", "ODBCUniProvider", "AccessUniProvider"}));

// The dataset as the ODBC provider serves it.
class TOdbcEditDataSet : public TCustomDADataSet {
public:
    VZ_CLASS(TOdbcEditDataSet, TCustomDADataSet)
    TOdbcEditDataSet() : TCustomDADataSet(nullptr) {}
    ~TOdbcEditDataSet() override { Close(); }
    TDADataSetService* Svc() {
        EnsureService();
        return static_cast<TDADataSetService*>(Service());
    }

protected:
    TClass GetServiceClass() const override { return TCustomODBCDataSetService::StaticClass(); }
    TCRRecordSet* NewRecordSet() override { return new TODBCRecordSet(); }
    TCustomDADataSet* NewDataSet() override { return new TOdbcEditDataSet(); }
};

// The base updater: savepoints inside a caller's transaction, and batches. It keeps the text of
// every batch statement it runs.
class TBatchingUpdater : public TDADataSetUpdater {
public:
    VZ_CLASS(TBatchingUpdater, TDADataSetUpdater)
    explicit TBatchingUpdater(TDataSetService* service) : TDADataSetUpdater(service) {}
    void ExecuteUpdateQuery(TStatementTypes types) override {
        if (types == StatementTypes(stBatchUpdate)) BatchTexts.push_back(BatchSQL());
        TDADataSetUpdater::ExecuteUpdateQuery(types);
    }
    std::vector<std::string> BatchTexts;
};

class TBaseService : public TDADataSetService {
public:
    VZ_CLASS(TBaseService, TDADataSetService)
    explicit TBaseService(TComponent* dataSet = nullptr) : TDADataSetService(dataSet) {
        SetUpdater(new TBatchingUpdater(this));
    }
    bool FieldTablesKnown() override { return false; }
    // Writable as a provider's service is: the base one writes only through LocalUpdate, cached
    // updates with OnUpdateRecord or an update component.
    bool CanModify() override { return !DADataSet()->ReadOnly() && HasWritableField(); }
};

class TBaseEditDataSet : public TOdbcEditDataSet {
public:
    VZ_CLASS(TBaseEditDataSet, TOdbcEditDataSet)
    TBatchingUpdater* Upd() { return static_cast<TBatchingUpdater*>(Updater()); }

protected:
    TClass GetServiceClass() const override { return TBaseService::StaticClass(); }
    TCustomDADataSet* NewDataSet() override { return new TBaseEditDataSet(); }
};

void SetLines(TStrings* list, const char* text) {
    list->SetText(text);
}

class DAEditTest : public testing::Test {
protected:
    void SetUp() override {
        Connect(connection);
        CreateTables();
        other = std::make_unique<TOdbcDAConnection>();
        Connect(*other);
    }
    virtual void CreateTables() {
        Run("CREATE TABLE e (id INTEGER PRIMARY KEY, name VARCHAR(20), code VARCHAR(10) DEFAULT 'def', "
            "stamp VARCHAR(20))");
        Run("CREATE TRIGGER e_ins AFTER INSERT ON e BEGIN UPDATE e SET stamp = 'trg-' || NEW.name WHERE id = "
            "NEW.id; END");
        Run("CREATE TRIGGER e_upd AFTER UPDATE OF name ON e BEGIN UPDATE e SET stamp = 'upd-' || NEW.name "
            "WHERE id = NEW.id; END");
        Run("INSERT INTO e (id, name) VALUES (1, 'one')");
        Run("INSERT INTO e (id, name) VALUES (2, 'two')");
    }
    virtual void Connect(TOdbcDAConnection& c) {
        if (file.empty()) {
            std::string dir = BuildFolderUnix("da-edit-tests");
            CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
            file = dir + "/edit-" + std::to_string(GetCurrentProcessId()) + ".db";
            DeleteFileA(("Z:" + file).c_str());
        }
        c.SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
        c.Connect();
    }
    void TearDown() override {
        ds.Close();
        base.Close();
        other->Disconnect();
        connection.Disconnect();
        if (!file.empty()) DeleteFileA(("Z:" + file).c_str());
    }
    void Run(const std::string& sql) { Exec(connection.Internal(), sql); }
    // What the second connection sees.
    std::string Seen(const std::string& sql) {
        auto rows = QueryRows(other->Internal(), sql);
        return rows.empty() ? "<none>" : rows.at(0).at(0);
    }
    void Open(TCustomDADataSet& d, const char* sql, const char* keyFields = "id") {
        d.Close();
        SetLines(d.SQL(), sql);
        d.SetConnection(&connection);
        d.KeyFields = keyFields;
        d.Open();
    }
    std::string Str(TCustomDADataSet& d, const char* field) { return d.FieldByName(field)->GetAsString(); }

    void RefreshOptionsBringBackDefaultsAndTriggerValues();
    void RefreshRecordRereadsTheRow();
    void RefreshesBringBackBlobAndMemoValues(const char* blobType);
    void CachedUpdatesAndConnectionApplyUpdates();
    void RecordCountWrapsTheStatementWithAnAlias();
    void RefreshKeepsTheCurrentRecord();
    void DefaultExpressionsOfNewRecords();
    void QuickRefreshWithTheDeletedRecordCheck();
    void ServerDefaultsAndOrigins();
    void UniQueryEditsThroughTheProvider(TUniConnection& uni);
    void StarSelectsTakeTheTablesColumns(TCustomDADataSet& d);

    std::string file;
    TOdbcDAConnection connection;
    std::unique_ptr<TOdbcDAConnection> other;
    TOdbcEditDataSet ds;
    TBaseEditDataSet base;
    bool serverQuotesDefaults = false;
};

// The same tables in a schema of their own on the private PostgreSQL server; the trigger is a
// BEFORE trigger there.
class DAEditPgTest : public DAEditTest {
protected:
    void CreateTables() override {
        Run("DROP SCHEMA IF EXISTS i21edit CASCADE");
        Run("CREATE SCHEMA i21edit");
        Run("SET search_path TO i21edit");
        Run("CREATE TABLE e (id INTEGER PRIMARY KEY, name VARCHAR(20), code VARCHAR(10) DEFAULT 'def', "
            "stamp VARCHAR(20))");
        Run("CREATE FUNCTION e_stamp() RETURNS trigger AS $$ BEGIN IF TG_OP = 'INSERT' THEN NEW.stamp := "
            "'trg-' || NEW.name; ELSIF NEW.name IS DISTINCT FROM OLD.name THEN NEW.stamp := 'upd-' || "
            "NEW.name; END IF; RETURN NEW; END $$ LANGUAGE plpgsql");
        Run("CREATE TRIGGER e_trg BEFORE INSERT OR UPDATE ON e FOR EACH ROW EXECUTE FUNCTION e_stamp()");
        Run("INSERT INTO e (id, name) VALUES (1, 'one')");
        Run("INSERT INTO e (id, name) VALUES (2, 'two')");
    }
    void Connect(TOdbcDAConnection& c) override {
        const PostgresServer& server = PostgresServer::Get();
        c.SetServer(server.ServerText());
        c.SetUsername(server.User);
        c.SetPassword(server.Password);
        if (!c.Connected()) c.Connect();
        Exec(c.Internal(), "SET search_path TO i21edit");
    }
    // The second connection asks for the row without waiting: true when another session holds it.
    bool RowLocked(int id) {
        try {
            other->Internal().ExecSQL("SELECT id FROM e WHERE id = " + std::to_string(id) +
                                      " FOR UPDATE NOWAIT");
            return false;
        } catch (const Exception&) {
            return true;
        }
    }
};

// ---- refresh -----------------------------------------------------------------------------------

void DAEditTest::RefreshOptionsBringBackDefaultsAndTriggerValues() {
    Open(ds, "SELECT id, name, code, stamp FROM e ORDER BY id");
    // Without refresh options the record keeps what the client gave.
    ds.Append();
    ds.FieldByName("id")->SetAsInteger(3);
    ds.FieldByName("name")->SetAsString("three");
    ds.Post();
    EXPECT_TRUE(ds.FieldByName("code")->IsNull());
    EXPECT_EQ(Seen("SELECT code FROM e WHERE id = 3"), "def");

    ds.RefreshOptions = roAfterInsert | roAfterUpdate;
    ds.Append();
    ds.FieldByName("id")->SetAsInteger(4);
    ds.FieldByName("name")->SetAsString("four");
    ds.Post();
    EXPECT_EQ(Str(ds, "code"), "def");
    EXPECT_EQ(Str(ds, "stamp"), "trg-four");
    EXPECT_EQ(Str(ds, "id"), "4");
    ds.Edit();
    ds.FieldByName("name")->SetAsString("vier");
    ds.Post();
    EXPECT_EQ(Str(ds, "stamp"), "upd-vier");
    // The refreshed values are the stored record's, not only the buffer's.
    ds.First();
    ASSERT_TRUE(static_cast<TDataSet&>(ds).Locate("id", Variant(4), 0));
    EXPECT_EQ(Str(ds, "stamp"), "upd-vier");
    EXPECT_EQ(Seen("SELECT stamp FROM e WHERE id = 4"), "upd-vier");
}

void DAEditTest::RefreshRecordRereadsTheRow() {
    Open(ds, "SELECT id, name, code FROM e ORDER BY id");
    ds.Next();
    Exec(other->Internal(), "UPDATE e SET name = 'zwei' WHERE id = 2");
    Exec(other->Internal(), "UPDATE e SET name = 'eins' WHERE id = 1");
    ds.RefreshRecord();
    EXPECT_EQ(Str(ds, "id"), "2");
    EXPECT_EQ(Str(ds, "name"), "zwei");
    // Only the current record is read again.
    ds.First();
    EXPECT_EQ(Str(ds, "name"), "one");
    // A refresh text of the form "WHERE ..." extends the dataset's own statement.
    SetLines(ds.SQLRefresh(), "WHERE id = :id");
    ds.RefreshRecord();
    EXPECT_EQ(Str(ds, "name"), "eins");
    ds.SQLRefresh()->Clear();
    // A row the server no longer has fails the refresh.
    Exec(other->Internal(), "DELETE FROM e WHERE id = 1");
    EXPECT_EQ(MessageOf([&] { ds.RefreshRecord(); }), "Refresh failed. Found 0 records");
    ds.Options()->StrictUpdate = false;
    ds.RefreshRecord();
    EXPECT_EQ(Str(ds, "name"), "eins");
    ds.Options()->StrictUpdate = true;
}

TEST_F(DAEditTest, RefreshOptionsBringBackDefaultsAndTriggerValues) {
    RefreshOptionsBringBackDefaultsAndTriggerValues();
}
TEST_F(DAEditPgTest, RefreshOptionsBringBackDefaultsAndTriggerValues) {
    RefreshOptionsBringBackDefaultsAndTriggerValues();
}
TEST_F(DAEditTest, RefreshRecordRereadsTheRow) {
    RefreshRecordRereadsTheRow();
}
TEST_F(DAEditPgTest, RefreshRecordRereadsTheRow) {
    RefreshRecordRereadsTheRow();
}

// A record refresh and a quick refresh bring back memo and blob values another session wrote,
// set to null or left alone; a lock that re-reads the record compares no blobs.
void DAEditTest::RefreshesBringBackBlobAndMemoValues(const char* blobType) {
    Run(std::string("CREATE TABLE b (id INTEGER PRIMARY KEY, note TEXT, data ") + blobType + ")");
    Run("INSERT INTO b VALUES (1, 'first note', NULL)");
    Run("INSERT INTO b VALUES (2, 'second note', NULL)");
    Open(ds, "SELECT id, note, data FROM b ORDER BY id");
    ASSERT_TRUE(ds.FieldByName("note")->IsBlob());
    ASSERT_TRUE(ds.FieldByName("data")->IsBlob());
    const std::string longNote(70000, 'n');
    Exec(other->Internal(), "UPDATE b SET note = '" + longNote + "' WHERE id = 1");
    Exec(other->Internal(), "UPDATE b SET note = NULL WHERE id = 2");
    TCustomDADataSet& d = ds;
    const std::string bytes("\0\xff\r\n", 4);
    // The same four bytes written as each server reads a binary literal.
    Exec(other->Internal(), std::string("UPDATE b SET data = ") +
                                (std::string(blobType) == "BLOB" ? "X'00FF0D0A'" : "'\\x00ff0d0a'::bytea") +
                                " WHERE id = 1");
    d.RefreshRecord();
    EXPECT_EQ(Str(ds, "note"), longNote);
    EXPECT_EQ(ds.FieldByName("data")->GetAsString(), bytes);
    // Only the current record was read again; its stored record holds the new values.
    ds.Next();
    EXPECT_EQ(Str(ds, "note"), "second note");
    ds.First();
    EXPECT_EQ(Str(ds, "note"), longNote);
    // Null on the server empties the record's blob.
    Exec(other->Internal(), "UPDATE b SET note = NULL, data = NULL WHERE id = 1");
    d.RefreshRecord();
    TOdbcEditDataSet fresh;
    Open(fresh, "SELECT id, note, data FROM b WHERE id = 1");
    for (const char* name : {"note", "data"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Str(ds, name), "");
        EXPECT_EQ(ds.FieldByName(name)->IsNull(), fresh.FieldByName(name)->IsNull());
    }
    fresh.Close();
    // The quick refresh of the current record takes them as well.
    Exec(other->Internal(), "UPDATE b SET note = 'quick note' WHERE id = 1");
    ds.RefreshQuick(false);
    EXPECT_EQ(Str(ds, "note"), "quick note");
    ds.Next();
    EXPECT_EQ(Str(ds, "note"), "second note");
    Exec(other->Internal(), "UPDATE b SET note = 'other quick note' WHERE id = 2");
    ds.RefreshQuick(false);
    EXPECT_EQ(Str(ds, "note"), "other quick note");
    // After a refresh the memo is the record's own again: an edit is written and cancelled as usual.
    ds.First();
    ds.Edit();
    ds.FieldByName("note")->SetAsString("edited");
    ds.Cancel();
    EXPECT_EQ(Str(ds, "note"), "quick note");
    ds.Edit();
    ds.FieldByName("note")->SetAsString("edited");
    ds.Post();
    EXPECT_EQ(Seen("SELECT note FROM b WHERE id = 1"), "edited");
}

TEST_F(DAEditTest, RefreshesBringBackBlobAndMemoValues) {
    RefreshesBringBackBlobAndMemoValues("BLOB");
}
TEST_F(DAEditPgTest, RefreshesBringBackBlobAndMemoValues) {
    RefreshesBringBackBlobAndMemoValues("bytea");
}

// Fields a provider's service keeps out of sight are hidden and read-only in the default fields.
class THidingService : public TCustomODBCDataSetService {
public:
    VZ_CLASS(THidingService, TCustomODBCDataSetService)
    explicit THidingService(TComponent* dataSet = nullptr) : TCustomODBCDataSetService(dataSet) {}
    void GetHiddenFields(std::vector<TField*>& fields) override {
        if (TField* f = DataSet()->FindField("stamp")) fields.push_back(f);
    }
};
class THidingDataSet : public TOdbcEditDataSet {
protected:
    TClass GetServiceClass() const override { return THidingService::StaticClass(); }
};

TEST_F(DAEditTest, HiddenFieldsOfTheServiceAreInvisibleAndReadOnly) {
    THidingDataSet hiding;
    Open(hiding, "SELECT id, name, stamp FROM e ORDER BY id");
    EXPECT_FALSE(hiding.FieldByName("stamp")->Visible);
    EXPECT_TRUE(hiding.FieldByName("stamp")->ReadOnly());
    EXPECT_TRUE(hiding.FieldByName("name")->Visible);
    EXPECT_FALSE(hiding.FieldByName("name")->ReadOnly());
    hiding.Close();
}

// ---- the user's texts --------------------------------------------------------------------------

TEST_F(DAEditTest, UserTextsRunInPlaceOfGeneratedOnes) {
    SetLines(ds.SQLInsert(), "INSERT INTO e (id, name) VALUES (:id, :name || '+')");
    SetLines(ds.SQLUpdate(), "UPDATE e SET name = :name || '*' WHERE id = :OLD_id");
    SetLines(ds.SQLDelete(), "DELETE FROM e WHERE id = :OLD_id AND 1 = 1");
    Open(ds, "SELECT id, name FROM e ORDER BY id");
    ds.Append();
    ds.FieldByName("id")->SetAsInteger(7);
    ds.FieldByName("name")->SetAsString("seven");
    ds.Post();
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 7"), "seven+");
    ds.First();
    ds.Edit();
    ds.FieldByName("id")->SetAsInteger(8);
    ds.FieldByName("name")->SetAsString("uno");
    ds.Post();
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "uno*");
    ds.Last();
    ds.Delete();
    EXPECT_EQ(Seen("SELECT count(*) FROM e WHERE id = 7"), "0");
    // A parameter that names no field is refused before anything runs.
    SetLines(ds.SQLUpdate(), "UPDATE e SET name = :nothing WHERE id = :OLD_id");
    ds.First();
    ds.Edit();
    ds.FieldByName("name")->SetAsString("x");
    EXPECT_EQ(MessageOf([&] { ds.Post(); }), "Not found field corresponding parameter nothing");
    ds.Cancel();
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "uno*");
}

// The text the updater runs for a lock or a refresh, from SQLLock and SQLRefresh.
TEST_F(DAEditTest, LockAndRefreshTextForms) {
    const char* select = "SELECT id, name FROM e";
    const char* generatedRefresh = "SELECT id AS _0, name AS _1 FROM e\r\nWHERE\r\n  id = :id";
    struct Case {
        const char* what;
        const char* refresh;
        const char* lock;
        TStatementType type;
        std::string expected;
    };
    const Case cases[] = {
        {"refresh as written", "SELECT name FROM e WHERE id = :id", "", stRefresh,
         "SELECT name FROM e WHERE id = :id"},
        {"refresh condition", "  where id = :id ", "", stRefresh, "SELECT id, name FROM e\rWHERE id = :id "},
        {"lock as written", "", "UPDATE e SET name = name WHERE id = :OLD_id", stLock,
         "UPDATE e SET name = name WHERE id = :OLD_id"},
        {"lock after the user's refresh", "WHERE id = :id", "FOR UPDATE", stLock,
         "SELECT id, name FROM e\rWHERE id = :id \rFOR UPDATE"},
        // Without a refresh text of the user's the generated one leads, not the lock clause alone.
        {"lock after the generated refresh", "", "for update nowait", stLock,
         std::string(generatedRefresh) + "\rfor update nowait"},
        {"nothing given", "", "", stLock, ""},
    };
    Open(ds, select);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLines(ds.SQLRefresh(), c.refresh);
        SetLines(ds.SQLLock(), c.lock);
        EXPECT_EQ(ds.Updater()->GetUpdateSQLText(c.type), c.expected);
    }
}

// ---- locks -------------------------------------------------------------------------------------

TEST_F(DAEditPgTest, PessimisticLockHoldsTheRowFromEditToPostOrCancel) {
    ds.LockMode = lmPessimistic;
    SetLines(ds.SQLLock(), "FOR UPDATE");
    Open(ds, "SELECT id, name FROM e ORDER BY id");
    EXPECT_FALSE(RowLocked(1));
    ds.Edit();
    EXPECT_TRUE(RowLocked(1));
    EXPECT_FALSE(RowLocked(2));
    EXPECT_EQ(ds.Updater()->LockState(), lsStarted);
    ds.FieldByName("name")->SetAsString("uno");
    ds.Post();
    // The post commits the transaction the lock started.
    EXPECT_FALSE(RowLocked(1));
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "uno");
    EXPECT_EQ(ds.Updater()->LockState(), lsNone);
    ds.Next();
    ds.Edit();
    EXPECT_TRUE(RowLocked(2));
    ds.FieldByName("name")->SetAsString("dos");
    ds.Cancel();
    EXPECT_FALSE(RowLocked(2));
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 2"), "two");
    EXPECT_FALSE(connection.GetInTransaction());
    // A row changed since it was read refuses the lock, and the edit does not begin.
    Exec(other->Internal(), "UPDATE e SET name = 'deux' WHERE id = 2");
    EXPECT_EQ(MessageOf([&] { ds.Edit(); }), "Record was changed by another user");
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_FALSE(RowLocked(2));
    EXPECT_FALSE(connection.GetInTransaction());
}

// The ODBC generator's lock writes the first field with its own value under the update's
// condition: a row changed elsewhere matches nothing, and nothing is written.
TEST_F(DAEditPgTest, OptimisticLockRefusesARowChangedElsewhere) {
    ds.LockMode = lmOptimistic;
    Open(ds, "SELECT id, name, code FROM e ORDER BY id");
    ds.Edit();
    ds.FieldByName("code")->SetAsString("c1");
    ds.Post();
    EXPECT_EQ(Seen("SELECT code FROM e WHERE id = 1"), "c1");
    EXPECT_FALSE(connection.GetInTransaction());
    ds.Next();
    Exec(other->Internal(), "UPDATE e SET name = 'deux' WHERE id = 2");
    ds.Edit();
    ds.FieldByName("code")->SetAsString("c2");
    EXPECT_EQ(MessageOf([&] { ds.Post(); }), "Update failed. Found 0 records");
    ds.Cancel();
    EXPECT_EQ(Seen("SELECT coalesce(code, '-') || name FROM e WHERE id = 2"), "defdeux");
    EXPECT_FALSE(connection.GetInTransaction());
    EXPECT_FALSE(RowLocked(2));
}

// A lock inside the caller's transaction ends without touching the caller's work: under a
// savepoint with the base updater, and left as it is by the ODBC updater, which sets none.
TEST_F(DAEditPgTest, CancelledLockKeepsTheCallersTransaction) {
    for (TCustomDADataSet* d : {static_cast<TCustomDADataSet*>(&ds), static_cast<TCustomDADataSet*>(&base)}) {
        const bool savepoints = d == &base;
        SCOPED_TRACE(savepoints ? "savepoint" : "no savepoint");
        d->SetName("Orders");
        d->LockMode = lmPessimistic;
        SetLines(d->SQLLock(), "FOR UPDATE");
        Open(*d, "SELECT id, name FROM e ORDER BY id");
        connection.StartTransaction();
        d->Append();
        d->FieldByName("id")->SetAsInteger(savepoints ? 11 : 10);
        d->FieldByName("name")->SetAsString("kept");
        d->Post();
        d->First();
        d->Edit();
        EXPECT_EQ(d->Updater()->LockState(), lsNone);
        EXPECT_TRUE(RowLocked(1));
        d->Cancel();
        ASSERT_TRUE(connection.GetInTransaction());
        // A failed optimistic update ends its lock the same way.
        d->LockMode = lmOptimistic;
        Exec(other->Internal(), "UPDATE e SET name = 'elsewhere' WHERE id = 2");
        d->Next();
        d->Edit();
        d->FieldByName("name")->SetAsString("mine");
        EXPECT_EQ(MessageOf([&] { d->Post(); }), "Record was changed by another user");
        if (d->State() != dsBrowse) d->Cancel();
        ASSERT_TRUE(connection.GetInTransaction());
        connection.Commit();
        EXPECT_EQ(Seen("SELECT name FROM e WHERE id = " + std::string(savepoints ? "11" : "10")), "kept");
        Exec(other->Internal(), "UPDATE e SET name = 'two' WHERE id = 2");
        d->Close();
    }
}

// The lock's four states by whether a transaction was active and whether savepoints are set.
TEST_F(DAEditTest, LockStatesAndTheirEnd) {
    struct Case {
        const char* what;
        bool active;
        bool cached;
        bool savepoints;
        TLockState begun;
        bool activeAfterEnd;
    };
    const Case cases[] = {
        {"started", false, false, true, lsStarted, false},
        {"started under cached updates", false, true, true, lsStartedCached, false},
        {"savepoint in the caller's", true, false, true, lsNone, true},
        {"savepoint under cached updates", true, true, true, lsSavepointCached, true},
        {"caller's without savepoints", true, false, false, lsNone, true},
        {"caller's without savepoints, cached", true, true, false, lsSavepointCached, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TCustomDADataSet& d = c.savepoints ? static_cast<TCustomDADataSet&>(base) : ds;
        d.Close();
        d.SetCachedUpdates(c.cached);
        Open(d, "SELECT id, name FROM e ORDER BY id");
        if (c.active) connection.StartTransaction();
        Run("INSERT INTO e (id, name) VALUES (20, 'before')");
        TDADataSetUpdater* updater = d.Updater();
        updater->BeginLockTransaction(updater->LockSavepointName(c.cached), c.cached);
        EXPECT_EQ(updater->LockState(), c.begun);
        EXPECT_TRUE(connection.GetInTransaction());
        Run("INSERT INTO e (id, name) VALUES (21, 'inside')");
        updater->EndLockTransaction(updater->LockSavepointName(c.cached), c.cached);
        EXPECT_EQ(updater->LockState(), lsNone);
        EXPECT_EQ(connection.GetInTransaction(), c.activeAfterEnd);
        if (connection.GetInTransaction()) connection.Commit();
        // What the lock's transaction did is undone; the caller's earlier work stays.
        EXPECT_EQ(Seen("SELECT count(*) FROM e WHERE id = 20"), "1");
        EXPECT_EQ(Seen("SELECT count(*) FROM e WHERE id = 21"), c.active && !c.savepoints ? "1" : "0");
        Run("DELETE FROM e WHERE id >= 20");
        updater->ResetLockState();
        d.Close();
        d.SetCachedUpdates(false);
    }
}

// ---- cached updates ----------------------------------------------------------------------------

void DAEditTest::CachedUpdatesAndConnectionApplyUpdates() {
    ds.SetCachedUpdates(true);
    Open(ds, "SELECT id, name FROM e ORDER BY id");
    ds.Edit();
    ds.FieldByName("name")->SetAsString("uno");
    ds.Post();
    ds.Append();
    ds.FieldByName("id")->SetAsInteger(5);
    ds.FieldByName("name")->SetAsString("five");
    ds.Post();
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "one");
    ds.ApplyCachedUpdates();
    ds.CommitCachedUpdates();
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "uno");
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 5"), "five");

    // Two datasets applied together: the second fails, and the first's changes go with it.
    base.SetCachedUpdates(true);
    Open(base, "SELECT id, name FROM e ORDER BY id");
    ds.Append();
    ds.FieldByName("id")->SetAsInteger(6);
    ds.FieldByName("name")->SetAsString("six");
    ds.Post();
    base.Append();
    base.FieldByName("id")->SetAsInteger(1);
    base.FieldByName("name")->SetAsString("duplicate");
    base.Post();
    EXPECT_THROW(connection.ApplyUpdatesFor({&ds, &base}), Exception);
    EXPECT_FALSE(connection.GetInTransaction());
    EXPECT_EQ(Seen("SELECT count(*) FROM e WHERE id = 6"), "0");
    // The refused row is dropped with its dataset's cache.
    Open(base, "SELECT id, name FROM e ORDER BY id");
    base.Append();
    base.FieldByName("id")->SetAsInteger(7);
    base.FieldByName("name")->SetAsString("seven");
    base.Post();
    connection.ApplyUpdatesFor({&ds, &base});
    EXPECT_EQ(Seen("SELECT count(*) FROM e WHERE id IN (6, 7)"), "2");
    base.Close();
    ds.Close();
    base.SetCachedUpdates(false);
    ds.SetCachedUpdates(false);
}

TEST_F(DAEditTest, CachedUpdatesAndConnectionApplyUpdates) {
    CachedUpdatesAndConnectionApplyUpdates();
}
TEST_F(DAEditPgTest, CachedUpdatesAndConnectionApplyUpdates) {
    CachedUpdatesAndConnectionApplyUpdates();
}

// Five cached inserts with UpdateBatchSize 3 run as two statements of three and two inserts.
TEST_F(DAEditPgTest, BatchesOfCachedInserts) {
    base.SetCachedUpdates(true);
    base.Options()->UpdateBatchSize = 3;
    Open(base, "SELECT id, name FROM e ORDER BY id");
    for (int id = 31; id <= 35; ++id) {
        base.Append();
        base.FieldByName("id")->SetAsInteger(id);
        base.FieldByName("name")->SetAsString("b" + std::to_string(id));
        base.Post();
    }
    base.ApplyCachedUpdates();
    const std::string insert = "INSERT INTO e\r\n  (id, name)\r\nVALUES\r\n  (";
    ASSERT_EQ(base.Upd()->BatchTexts.size(), 2u);
    EXPECT_EQ(base.Upd()->BatchTexts[0], insert + ":P_0_id, :P_0_name);\r\n" + insert +
                                             ":P_1_id, :P_1_name);\r\n" + insert + ":P_2_id, :P_2_name);");
    EXPECT_EQ(base.Upd()->BatchTexts[1],
              insert + ":P_0_id, :P_0_name);\r\n" + insert + ":P_1_id, :P_1_name);");
    EXPECT_EQ(Seen("SELECT string_agg(name, ',' ORDER BY id) FROM e WHERE id > 30"), "b31,b32,b33,b34,b35");
}

// ---- the service and the provider's classes ----------------------------------------------------

TEST_F(DAEditTest, KeysFromTheFirstUniqueIndexAndReadOnlyJoinedColumns) {
    Run("CREATE TABLE k (id INTEGER, code VARCHAR(5), name VARCHAR(10))");
    Run("CREATE UNIQUE INDEX k_code ON k (id, code)");
    Run("INSERT INTO k VALUES (1, 'a', 'x')");
    Run("CREATE TABLE j (k_id INTEGER, label VARCHAR(10))");
    Run("INSERT INTO j VALUES (1, 'joined')");
    auto keys = [&] {
        TFieldDescArray list;
        ds.Svc()->GetKeyFieldDescs(list);
        std::string names;
        for (TFieldDesc* desc : list)
            names += (names.empty() ? "" : ";") + desc->FieldName;
        return names;
    };
    ds.SetConnection(&connection);
    SetLines(ds.SQL(), "SELECT id, code, name FROM k");
    ds.KeyFields = "";
    // A closed dataset is prepared for its keys and left closed and unprepared.
    EXPECT_EQ(ds.PSGetKeyFields(), "id;code");
    EXPECT_FALSE(ds.Active());
    EXPECT_FALSE(ds.IsPrepared());
    EXPECT_EQ(ds.PSGetTableName(), "k");
    Open(ds, "SELECT id, code, name FROM k", "");
    EXPECT_EQ(keys(), "id;code");
    EXPECT_EQ(ds.PSGetKeyFields(), "id;code");
    EXPECT_EQ(ds.PSGetTableName(), "k");
    EXPECT_EQ(ds.Svc()->SQLGenerator()->GenerateSQL(stDelete, false),
              "DELETE FROM k\r\nWHERE\r\n  id = :Old_id AND code = :Old_code");
    // Without code selected there is no key: every data field identifies the row.
    Open(ds, "SELECT id, name FROM k", "");
    EXPECT_EQ(keys(), "");
    EXPECT_EQ(ds.Svc()->SQLGenerator()->GenerateSQL(stDelete, false),
              "DELETE FROM k\r\nWHERE\r\n  id = :Old_id AND name = :Old_name");

    // A column of the joined table is read-only and never written.
    Open(ds, "SELECT a.id, a.name, b.label FROM k a, j b WHERE b.k_id = a.id", "id");
    EXPECT_TRUE(ds.Svc()->RecordSet()->FieldDescs().FindDesc("label")->IsReadOnly);
    EXPECT_FALSE(ds.Svc()->RecordSet()->FieldDescs().FindDesc("name")->IsReadOnly);
    ds.Edit();
    ds.FieldByName("name")->SetAsString("y");
    EXPECT_EQ(ds.Svc()->SQLGenerator()->GenerateSQL(stUpdate, false),
              "UPDATE k\r\nSET\r\n  id = :id, name = :name\r\nWHERE\r\n  id = :Old_id");
    ds.Post();
    EXPECT_EQ(Seen("SELECT name FROM k WHERE id = 1"), "y");
    EXPECT_EQ(Seen("SELECT label FROM j"), "joined");
}

TEST_F(DAEditTest, OdbcGeneratorLockAndInsertTexts) {
    Open(ds, "SELECT id, name FROM e ORDER BY id");
    TDASQLGenerator* generator = ds.Svc()->SQLGenerator();
    EXPECT_EQ(generator->GenerateSQL(stLock, false),
              "UPDATE e\rSET\r  id = :id\rWHERE\r  id = :Old_id AND name = :Old_name");
    // An insert with no value given writes every column.
    ds.Append();
    EXPECT_EQ(generator->GenerateSQL(stInsert, true),
              "INSERT INTO e\r\n  (id, name)\r\nVALUES\r\n  (:id, :name)");
    ds.Cancel();
    // One data field gives no lock statement.
    Open(ds, "SELECT id FROM e ORDER BY id");
    EXPECT_EQ(generator->GenerateSQL(stLock, false), "");
}

void DAEditTest::RecordCountWrapsTheStatementWithAnAlias() {
    ds.SetConnection(&connection);
    SetLines(ds.SQL(), "SELECT id, name FROM e WHERE id > :low ORDER BY name");
    ds.ParamByName("low")->SetAsInteger(1);
    auto* service = static_cast<TCustomODBCDataSetService*>(ds.Svc());
    EXPECT_EQ(service->RecCountSQL(), "SELECT count(*) FROM (\rSELECT id, name FROM e WHERE id > :low\r) q");
    EXPECT_EQ(service->GetRecCount(), 1);
    ds.ParamByName("low")->SetAsInteger(0);
    EXPECT_EQ(service->GetRecCount(), 2);
}

TEST_F(DAEditTest, RecordCountWrapsTheStatementWithAnAlias) {
    RecordCountWrapsTheStatementWithAnAlias();
}
TEST_F(DAEditPgTest, RecordCountWrapsTheStatementWithAnAlias) {
    RecordCountWrapsTheStatementWithAnAlias();
}

TEST_F(DAEditTest, SelectValueAndUpdateObjectForAnotherDataSet) {
    Open(ds, "SELECT id, name FROM e ORDER BY id");
    EXPECT_EQ(ds.Updater()->ExecuteSelectValue("SELECT max(id) + 40 FROM e").AsInteger(), 42);
    TCustomDAUpdateSQL upd;
    ds.SetUpdateObject(&upd);
    // Without a text for the kind nothing runs.
    EXPECT_FALSE(ds.Updater()->PerformUpdateObject(static_cast<int>(TUpdateKind::ukModify), &base));
    SetLines(upd.ModifySQL(), "UPDATE e SET name = :name WHERE id = :OLD_id");
    Open(base, "SELECT id, name FROM e ORDER BY id");
    base.Next();
    base.Edit();
    base.FieldByName("name")->SetAsString("from the other");
    EXPECT_TRUE(ds.Updater()->PerformUpdateObject(static_cast<int>(TUpdateKind::ukModify), &base));
    base.Cancel();
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 2"), "from the other");
    ds.SetUpdateObject(nullptr);
}

// A provider update the handler leaves unapplied runs the update component's text of its kind
// for the delta's record; one the handler applies does not.
TEST_F(DAEditTest, UnhandledProviderUpdatesRunTheUpdateComponentsText) {
    Open(ds, "SELECT id, name FROM e ORDER BY id");
    TCustomDAUpdateSQL upd;
    SetLines(upd.ModifySQL(), "UPDATE e SET name = :name WHERE id = :OLD_id");
    ds.SetUpdateObject(&upd);
    int answer = uaFail, calls = 0;
    ds.OnUpdateRecord = [&](TDataSet*, TUpdateKind, int& action) {
        ++calls;
        action = answer;
    };
    Open(base, "SELECT id, name FROM e ORDER BY id");
    base.Next();
    base.Edit();
    base.FieldByName("name")->SetAsString("from the delta");
    EXPECT_TRUE(ds.PSUpdateRecord(TUpdateKind::ukModify, &base));
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 2"), "from the delta");
    // Without a text for the kind, or without a delta, nothing runs.
    EXPECT_FALSE(ds.PSUpdateRecord(TUpdateKind::ukDelete, &base));
    EXPECT_FALSE(ds.PSUpdateRecord(TUpdateKind::ukModify, nullptr));
    EXPECT_EQ(Seen("SELECT count(*) FROM e"), "2");
    answer = uaApplied;
    base.FieldByName("name")->SetAsString("not sent");
    EXPECT_TRUE(ds.PSUpdateRecord(TUpdateKind::ukModify, &base));
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 2"), "from the delta");
    EXPECT_EQ(calls, 4);
    base.Cancel();
    ds.SetUpdateObject(nullptr);
}

// Without a result set a provider statement runs on the updater's custom query: traced, in the
// update transaction, its markers numbered and its parameters given by position.
TEST_F(DAEditTest, ProviderStatementWithoutResultRunsOnTheUpdaterQuery) {
    Open(ds, "SELECT id, name FROM e ORDER BY id");
    TCustomDADataSet* custom = ds.Updater()->CheckUpdateQuery(stCustom);
    TParams given;
    given.CreateParam(ftString, "a", ptUnknown)->SetAsString("why?");
    given.CreateParam(ftInteger, "b", ptUnknown)->SetAsInteger(2);
    EXPECT_EQ(ds.PSExecuteStatement("UPDATE e SET name = ? WHERE id = ? AND name <> '?'", &given), 1);
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 2"), "why?");
    EXPECT_EQ(Trim(custom->SQL()->Text()), "UPDATE e SET name = :1 WHERE id = :2 AND name <> '?'");
    EXPECT_FALSE(custom->TraceSuppressed);
    EXPECT_EQ(custom->GetAssignedTransaction(), ds.UsedUpdateTransaction());
    EXPECT_EQ(custom->Params()->Items(1)->Name(), "2");
    EXPECT_EQ(custom->Params()->Items(1)->ParamType(), ptInput);
}

// ---- the unified query -------------------------------------------------------------------------

void DAEditTest::UniQueryEditsThroughTheProvider(TUniConnection& uni) {
    TUniQuery query;
    query.SetConnection(&uni);
    SetLines(query.SQL(), "SELECT id, name, code FROM e ORDER BY id");
    query.KeyFields = "id";
    query.RefreshOptions = roAfterInsert;
    query.Open();
    query.Append();
    query.FieldByName("id")->SetAsInteger(9);
    query.FieldByName("name")->SetAsString("nine");
    query.Post();
    EXPECT_EQ(query.FieldByName("code")->GetAsString(), "def");
    query.First();
    query.Edit();
    query.FieldByName("name")->SetAsString("uno");
    query.Post();
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "uno");
    query.Last();
    query.Delete();
    EXPECT_EQ(Seen("SELECT count(*) FROM e WHERE id = 9"), "0");
    // The unified update component's text, and the lock statement of the provider.
    TUniUpdateSQL upd;
    SetLines(upd.ModifySQL(), "UPDATE e SET name = :name || '!' WHERE id = :OLD_id");
    query.SetUpdateObject(&upd);
    query.LockMode = lmOptimistic;
    query.First();
    query.Edit();
    query.FieldByName("name")->SetAsString("one");
    query.Post();
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "one!");
    Exec(other->Internal(), "UPDATE e SET name = 'changed' WHERE id = 1");
    query.Edit();
    query.FieldByName("name")->SetAsString("again");
    EXPECT_EQ(MessageOf([&] { query.Post(); }), "Update failed. Found 0 records");
    query.Cancel();
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "changed");
    query.SetUpdateObject(nullptr);
    query.Close();
}

TEST_F(DAEditTest, UniQueryEditsThroughTheProvider) {
    TUniConnection uni;
    uni.SetProviderName("ODBC");
    uni.LoginPrompt = false;
    uni.SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
    uni.Connect();
    UniQueryEditsThroughTheProvider(uni);
    uni.Disconnect();
}

TEST_F(DAEditPgTest, UniQueryEditsThroughTheProvider) {
    TUniConnection uni;
    const PostgresServer& server = PostgresServer::Get();
    uni.SetProviderName("ODBC");
    uni.LoginPrompt = false;
    uni.SetServer(server.ServerText().c_str());
    uni.SetUsername(server.User.c_str());
    uni.SetPassword(server.Password.c_str());
    uni.Connect();
    Exec(*static_cast<TODBCConnection*>(uni.InternalConnection()), "SET search_path TO i21edit");
    UniQueryEditsThroughTheProvider(uni);
    uni.Disconnect();
}

// The whole result read again: the current record stays current while its key is there.
void DAEditTest::RefreshKeepsTheCurrentRecord() {
    Open(ds, "SELECT id, name FROM e ORDER BY id");
    ds.Next();
    Exec(other->Internal(), "INSERT INTO e (id, name) VALUES (0, 'zero')");
    Exec(other->Internal(), "UPDATE e SET name = 'zwei' WHERE id = 2");
    ds.Refresh();
    EXPECT_EQ(Str(ds, "id"), "2");
    EXPECT_EQ(Str(ds, "name"), "zwei");
    EXPECT_EQ(ds.RecordCount(), 3);
    Exec(other->Internal(), "DELETE FROM e WHERE id = 2");
    ds.Refresh();
    EXPECT_EQ(Str(ds, "id"), "0");
}

TEST_F(DAEditTest, RefreshKeepsTheCurrentRecord) {
    RefreshKeepsTheCurrentRecord();
}
TEST_F(DAEditPgTest, RefreshKeepsTheCurrentRecord) {
    RefreshKeepsTheCurrentRecord();
}

// Literal defaults are set as written; the other expressions come from the server in one SELECT.
void DAEditTest::DefaultExpressionsOfNewRecords() {
    Open(ds, "SELECT id, name, code, stamp FROM e ORDER BY id");
    ds.FieldByName("id")->DefaultExpression = "((40))";
    ds.FieldByName("name")->DefaultExpression = "'it''s'";
    ds.FieldByName("code")->DefaultExpression = "upper('ab')";
    ds.FieldByName("stamp")->DefaultExpression = "2 * 21";
    ds.Append();
    EXPECT_EQ(Str(ds, "id"), "40");
    EXPECT_EQ(Str(ds, "name"), "it's");
    EXPECT_EQ(Str(ds, "code"), "AB");
    EXPECT_EQ(Str(ds, "stamp"), "42");
    ds.Post();
    EXPECT_EQ(Seen("SELECT name || code FROM e WHERE id = 40"), "it'sAB");
    ds.FieldByName("code")->DefaultExpression = "no_such_function()";
    EXPECT_THROW(ds.Append(), Exception);
    EXPECT_EQ(ds.State(), dsBrowse);
    for (const char* name : {"id", "name", "code", "stamp"})
        ds.FieldByName(name)->DefaultExpression.clear();
}

TEST_F(DAEditTest, DefaultExpressionsOfNewRecords) {
    DefaultExpressionsOfNewRecords();
}
TEST_F(DAEditPgTest, DefaultExpressionsOfNewRecords) {
    DefaultExpressionsOfNewRecords();
}

// The quick refresh reads the current record again by its key, and with the check drops the
// cached rows the server no longer has.
void DAEditTest::QuickRefreshWithTheDeletedRecordCheck() {
    Run("INSERT INTO e (id, name) VALUES (3, 'three')");
    Open(ds, "SELECT id, name FROM e ORDER BY id");
    ds.Next();
    Exec(other->Internal(), "UPDATE e SET name = 'zwei' WHERE id = 2");
    Exec(other->Internal(), "UPDATE e SET name = 'drei' WHERE id = 3");
    Exec(other->Internal(), "DELETE FROM e WHERE id = 1");
    ds.RefreshQuick(false);
    EXPECT_EQ(Str(ds, "name"), "zwei");
    EXPECT_EQ(ds.RecordCount(), 3);
    ds.RefreshQuick(true);
    EXPECT_EQ(Str(ds, "id"), "2");
    EXPECT_EQ(ds.RecordCount(), 2);
    ds.First();
    EXPECT_EQ(Str(ds, "id"), "2");
    ds.Last();
    EXPECT_EQ(Str(ds, "name"), "three");
    // Nothing of this reached the server.
    EXPECT_EQ(Seen("SELECT count(*) FROM e"), "2");
    Open(ds, "SELECT name FROM e", "");
    EXPECT_EQ(MessageOf([&] { ds.RefreshQuick(true); }), "Unique keyfields required");
}

TEST_F(DAEditTest, QuickRefreshWithTheDeletedRecordCheck) {
    QuickRefreshWithTheDeletedRecordCheck();
}
TEST_F(DAEditPgTest, QuickRefreshWithTheDeletedRecordCheck) {
    QuickRefreshWithTheDeletedRecordCheck();
}

// With DefaultValues the fields take the columns' server defaults, and a new record gets them
// (an expression asked from the server); with FieldsOrigin each field names its table and column.
void DAEditTest::ServerDefaultsAndOrigins() {
    ds.Options()->SetDefaultValues(true);
    ds.Options()->SetFieldsOrigin(true);
    Open(ds, "SELECT id, name, code FROM e ORDER BY id");
    EXPECT_EQ(ds.FieldByName("name")->Origin, "e.name");
    EXPECT_EQ(ds.FieldByName("name")->DefaultExpression, "");
    EXPECT_NE(ds.FieldByName("code")->DefaultExpression.find("'def'"), std::string::npos)
        << ds.FieldByName("code")->DefaultExpression;
    ds.Append();
    EXPECT_EQ(Str(ds, "code"), "def");
    ds.Cancel();
    // Each kind of default a new record takes: quoted text with a quote inside, a number, a
    // function of the server, an expression in brackets.
    Run(std::string(
            "CREATE TABLE d (id INTEGER PRIMARY KEY, t VARCHAR(10) DEFAULT 'it''s', n INTEGER DEFAULT ") +
        "42, ts " + (serverQuotesDefaults ? "TIMESTAMP" : "VARCHAR(30)") +
        " DEFAULT CURRENT_TIMESTAMP, x VARCHAR(10) DEFAULT ('a' || 'b'), q VARCHAR(20) DEFAULT "
        "'CURRENT_DATE')");
    Open(ds, "SELECT id, t, n, ts, x, q FROM d");
    ds.Append();
    EXPECT_EQ(Str(ds, "t"), "it's");
    EXPECT_EQ(Str(ds, "n"), "42");
    EXPECT_FALSE(ds.FieldByName("ts")->IsNull());
    EXPECT_EQ(Str(ds, "x"), "ab");
    EXPECT_EQ(Str(ds, "q"), "CURRENT_DATE");
    ds.FieldByName("id")->SetAsInteger(1);
    ds.Post();
    EXPECT_EQ(Seen("SELECT t || n || x || q FROM d WHERE id = 1"), "it's42abCURRENT_DATE");
    ds.Close();
    ds.Options()->SetDefaultValues(false);
    ds.Options()->SetFieldsOrigin(false);
}

TEST_F(DAEditTest, ServerDefaultsAndOrigins) {
    ServerDefaultsAndOrigins();
}
TEST_F(DAEditPgTest, ServerDefaultsAndOrigins) {
    serverQuotesDefaults = true;
    ServerDefaultsAndOrigins();
}

// The Access provider reads a new row's auto-increment value back with SELECT @@IDENTITY.
TEST(DAEditAccess, InsertReadsTheIdentityBack) {
    std::string dir = BuildFolderUnix("da-edit-tests");
    CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
    std::string file = "Z:" + dir + "/ident" + std::to_string(GetCurrentProcessId()) + ".mdb";
    for (char& c : file)
        if (c == '/') c = '\\';
    CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    {
        TUniConnection uni;
        uni.SetProviderName("Access");
        uni.LoginPrompt = false;
        uni.SetDatabase(file.c_str());
        uni.Connect();
        auto& internal = *static_cast<TODBCConnection*>(uni.InternalConnection());
        Exec(internal, "CREATE TABLE a (id INTEGER PRIMARY KEY AUTOINCREMENT, name VARCHAR(20))");
        Exec(internal, "INSERT INTO a (name) VALUES ('first')");
        TUniQuery query;
        query.SetConnection(&uni);
        SetLines(query.SQL(), "SELECT id, name FROM a ORDER BY id");
        query.Open();
        for (const char* name : {"second", "third"}) {
            query.Append();
            query.FieldByName("name")->SetAsString(name);
            query.Post();
        }
        EXPECT_EQ(query.FieldByName("id")->GetAsInteger(), 3);
        query.Prior();
        EXPECT_EQ(query.FieldByName("id")->GetAsInteger(), 2);
        EXPECT_EQ(query.FieldByName("id")->AutoGenerateValue, arAutoInc);
        EXPECT_EQ(QueryRows(internal, "SELECT name FROM a WHERE id = 3").at(0).at(0), "third");
        query.Close();
        uni.Disconnect();
    }
    DeleteFileA(file.c_str());
}

// A memo is written only when it changed: by its field, or by a stream that wrote into it.
TEST_F(DAEditTest, MemoChangesAreDetected) {
    Run("CREATE TABLE m (id INTEGER PRIMARY KEY, note TEXT, name VARCHAR(10))");
    Run("INSERT INTO m VALUES (1, 'long text', 'n')");
    Open(ds, "SELECT id, note, name FROM m");
    ASSERT_TRUE(
        ds.Svc()->SQLGenerator()->IsBlobType(ds.Svc()->RecordSet()->FieldDescs().FindDesc("note")->TypeCode));
    ds.Edit();
    ds.FieldByName("name")->SetAsString("m");
    EXPECT_EQ(ds.Svc()->SQLGenerator()->GenerateSQL(stUpdate, true),
              "UPDATE m\r\nSET\r\n  name = :name\r\nWHERE\r\n  id = :Old_id");
    ds.FieldByName("note")->SetAsString("other text");
    EXPECT_EQ(ds.Svc()->SQLGenerator()->GenerateSQL(stUpdate, true),
              "UPDATE m\r\nSET\r\n  note = :note, name = :name\r\nWHERE\r\n  id = :Old_id");
    ds.Post();
    EXPECT_EQ(Seen("SELECT note || name FROM m"), "other textm");
}

// Changing KeyFields or UpdatingTable of an open dataset takes effect at once.
TEST_F(DAEditTest, KeyFieldsAndUpdatingTableChangedWhileOpen) {
    Run("CREATE TABLE u (id INTEGER, e_id INTEGER, label VARCHAR(10))");
    Run("INSERT INTO u VALUES (5, 1, 'x')");
    Open(ds, "SELECT a.id, a.name, b.label FROM e a, u b WHERE b.e_id = a.id", "id");
    TDASQLGenerator* generator = ds.Svc()->SQLGenerator();
    EXPECT_EQ(generator->GenerateSQL(stDelete, false), "DELETE FROM e\r\nWHERE\r\n  id = :Old_id");
    ds.SetKeyFields("name");
    EXPECT_EQ(generator->GenerateSQL(stDelete, false), "DELETE FROM e\r\nWHERE\r\n  name = :Old_name");
    EXPECT_FALSE(ds.FieldByName("name")->ReadOnly());
    EXPECT_TRUE(ds.FieldByName("label")->ReadOnly());
    ds.SetUpdatingTable("b");
    ds.SetKeyFields("label");
    EXPECT_EQ(generator->GenerateSQL(stDelete, false), "DELETE FROM u\r\nWHERE\r\n  label = :Old_label");
    // The fields follow the updating table, and the new one's columns are written.
    EXPECT_TRUE(ds.FieldByName("name")->ReadOnly());
    EXPECT_TRUE(ds.FieldByName("id")->ReadOnly());
    EXPECT_FALSE(ds.FieldByName("label")->ReadOnly());
    ds.Edit();
    ds.FieldByName("label")->SetAsString("y");
    ds.Post();
    EXPECT_EQ(Seen("SELECT label FROM u WHERE id = 5"), "y");
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "one");
    EXPECT_EQ(MessageOf([&] { ds.SetUpdatingTable("c"); }), "Wrong UpdatingTable value - table c is unknown");
    ds.Close();
    ds.SetUpdatingTable("");
}

// Under cached updates a pessimistic lock lasts until the changes are applied, or until the edit
// is cancelled.
TEST_F(DAEditPgTest, PessimisticLockUnderCachedUpdates) {
    ds.SetCachedUpdates(true);
    ds.LockMode = lmPessimistic;
    SetLines(ds.SQLLock(), "FOR UPDATE");
    Open(ds, "SELECT id, name FROM e ORDER BY id");
    ds.Edit();
    EXPECT_TRUE(RowLocked(1));
    ds.Cancel();
    EXPECT_FALSE(RowLocked(1));
    EXPECT_FALSE(connection.GetInTransaction());
    ds.Edit();
    ds.FieldByName("name")->SetAsString("uno");
    ds.Post();
    EXPECT_TRUE(RowLocked(1));
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "one");
    ds.ApplyCachedUpdates();
    EXPECT_FALSE(RowLocked(1));
    EXPECT_FALSE(connection.GetInTransaction());
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "uno");
    ds.Close();
    ds.SetCachedUpdates(false);
}

// The update-execute events see each statement's types and parameters; the first may fill a
// parameter that names no field, which must then have a type.
TEST_F(DAEditTest, UpdateExecuteEvents) {
    std::vector<std::string> seen;
    ds.BeforeUpdateExecute = [&](TDataSet*, TStatementTypes types, TDAParams* params) {
        seen.push_back("before " + std::to_string(types) + " " + std::to_string(params->Count()));
        if (TDAParam* extra = params->FindParam("extra")) extra->SetAsString("!");
    };
    ds.AfterUpdateExecute = [&](TDataSet*, TStatementTypes types, TDAParams*) {
        seen.push_back("after " + std::to_string(types));
    };
    Open(ds, "SELECT id, name FROM e ORDER BY id");
    ds.Edit();
    ds.FieldByName("name")->SetAsString("uno");
    ds.Post();
    const std::string update = std::to_string(StatementTypes(stUpdate));
    EXPECT_EQ(seen, (std::vector<std::string>{"before " + update + " 2", "after " + update}));
    SetLines(ds.SQLUpdate(), "UPDATE e SET name = :name || :extra WHERE id = :OLD_id");
    ds.Edit();
    ds.FieldByName("name")->SetAsString("eins");
    ds.Post();
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "eins!");
    // A parameter the handler leaves without a type is refused before the statement runs.
    ds.BeforeUpdateExecute = [](TDataSet*, TStatementTypes, TDAParams*) {};
    SetLines(ds.SQLUpdate(), "UPDATE e SET name = :name || :other WHERE id = :OLD_id");
    ds.Edit();
    ds.FieldByName("name")->SetAsString("x");
    EXPECT_EQ(MessageOf([&] { ds.Post(); }), "Unknown data type of parameter other");
    ds.Cancel();
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "eins!");
    ds.BeforeUpdateExecute = nullptr;
    ds.AfterUpdateExecute = nullptr;
}

// With roBeforeEdit an edit starts from the row as the server has it: read first (the ODBC
// updater), or in the lock statement itself (the base updater with SQLLock "FOR UPDATE").
TEST_F(DAEditPgTest, EditReadsTheRowAgainFirst) {
    for (TCustomDADataSet* d : {static_cast<TCustomDADataSet*>(&ds), static_cast<TCustomDADataSet*>(&base)}) {
        SCOPED_TRACE(d == &base ? "refreshed by the lock" : "refreshed before the lock");
        d->RefreshOptions = roBeforeEdit;
        d->LockMode = lmPessimistic;
        SetLines(d->SQLLock(), "FOR UPDATE");
        Open(*d, "SELECT id, name FROM e ORDER BY id");
        Exec(other->Internal(), "UPDATE e SET name = 'changed' WHERE id = 1");
        d->Edit();
        EXPECT_EQ(Str(*d, "name"), "changed");
        EXPECT_TRUE(RowLocked(1));
        d->FieldByName("name")->SetAsString("mine");
        d->Post();
        EXPECT_FALSE(RowLocked(1));
        EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "mine");
        d->Close();
    }
}

// With PrepareUpdateSQL the update statement stays prepared between posts, and closing the
// dataset gives its queries' connection uses back.
TEST_F(DAEditTest, PreparedUpdateStatements) {
    ds.Options()->PrepareUpdateSQL = true;
    Open(ds, "SELECT id, name FROM e ORDER BY id");
    for (const char* name : {"a", "b"}) {
        ds.First();
        ds.Edit();
        ds.FieldByName("name")->SetAsString(name);
        ds.Post();
        ds.Next();
        ds.Edit();
        ds.FieldByName("name")->SetAsString(name);
        ds.Post();
    }
    EXPECT_EQ(Seen("SELECT group_concat(name, '') FROM e"), "bb");
    ds.Close();
    ds.Options()->PrepareUpdateSQL = false;
    connection.Disconnect();
    EXPECT_FALSE(connection.Connected());
}

} // namespace

// ---- monitor traces --------------------------------------------------------------------------------

// The monitor as it starts by default: its TCP client sends from a thread of its own. This program
// never starts the TCP transport's unit, as a program without a TCP provider would not; the sender
// connecting then must not fault.
TEST_F(DAEditTest, MonitorTracesTheUpdaterStatementsAsTheQuerys) {
    struct TSeen {
        TObject* Object;
        AnsiString Operation;
        AnsiString SQL;
    };
    std::vector<TSeen> dialog;
    std::vector<AnsiString> texts;
    SetDebugDialogHook([&](TObject* object, const AnsiString& sql, const AnsiString& operation, TDAParams*) {
        dialog.push_back({object, operation, sql});
    });
    TUniConnection uni;
    uni.SetProviderName("ODBC");
    uni.LoginPrompt = false;
    uni.SetServer(("DRIVER={SQLite3};Database=" + file).c_str());
    {
        auto monitor = std::make_unique<TUniSQLMonitor>(nullptr);
        monitor->SetOptions(MonitorOption(moDialog) | MonitorOption(moDBMonitor));
        monitor->TraceFlags = TraceFlag(tfQExecute);
        monitor->OnSQL = [&](TObject*, const AnsiString& text, TDATraceFlag) { texts.push_back(text); };
        uni.Connect();
        auto query = std::make_unique<TUniQuery>(nullptr);
        query->SetConnection(&uni);
        SetLines(query->SQL(), "SELECT id, name FROM e ORDER BY id");
        query->KeyFields = "id";
        query->Open();
        query->Edit();
        query->FieldByName("name")->SetAsString("uno");
        query->Post();
        query->Append();
        query->FieldByName("id")->SetAsInteger(3);
        query->FieldByName("name")->SetAsString("three");
        query->Post();
        query->Delete();
        query->Close();
        query.reset();
        // Freed before the query that still edits, and with the sender at work.
        query = std::make_unique<TUniQuery>(nullptr);
        query->SetConnection(&uni);
        SetLines(query->SQL(), "SELECT id, name FROM e ORDER BY id");
        query->Open();
        monitor.reset();
        query->Edit();
        query->FieldByName("name")->SetAsString("one");
        query->Post();
    }
    SetDebugDialogHook(nullptr);
    uni.Disconnect();
    // The updater's statements come as the query's, named by their types; once the monitor is gone
    // the edit is traced nowhere.
    const char* const select = "SELECT id, name FROM e ORDER BY id";
    const char* const update = "UPDATE e\r\nSET\r\n  name = :1\r\nWHERE\r\n  id = :2";
    const char* const insert = "INSERT INTO e\r\n  (id, name)\r\nVALUES\r\n  (:1, :2)";
    const char* const remove = "DELETE FROM e\r\nWHERE\r\n  id = :1";
    const std::vector<std::pair<AnsiString, AnsiString>> wantDialog = {
        {"Execute", select}, {"Update", update}, {"Insert", insert}, {"Delete", remove}, {"Execute", select}};
    ASSERT_EQ(dialog.size(), wantDialog.size());
    for (size_t i = 0; i < dialog.size(); ++i) {
        EXPECT_EQ(dialog[i].Operation, wantDialog[i].first) << i;
        EXPECT_EQ(dialog[i].SQL, wantDialog[i].second) << i;
    }
    EXPECT_EQ(dialog[1].Object, dialog[0].Object);
    const std::vector<AnsiString> wantTexts = {
        select,
        AnsiString(update) + "\r\n:1(String[3],IN)='uno' \r\n:2(Integer,IN)=1",
        AnsiString(insert) + "\r\n:1(Integer,IN)=3 \r\n:2(String[5],IN)='three'",
        AnsiString(remove) + "\r\n:1(Integer,IN)=3",
        select,
    };
    EXPECT_EQ(texts, wantTexts);
    EXPECT_EQ(Seen("SELECT group_concat(id || name) FROM e"), "1one,2two");
    DBMonitorClientFinalize();
}

// "*" and "t.*" stand for the tables' columns in catalog order: each field gets its table (its
// origin, and read-only when it is not the updating table's), the updating table's defaults, and a
// row of SELECT * is edited and inserted as one of a named list is.
void DAEditTest::StarSelectsTakeTheTablesColumns(TCustomDADataSet& d) {
    Run("CREATE TABLE f (fid INTEGER PRIMARY KEY, eid INTEGER, note VARCHAR(20))");
    Run("INSERT INTO f (fid, eid, note) VALUES (5, 1, 'first')");
    Run("CREATE TABLE g (id INTEGER PRIMARY KEY, name VARCHAR(20))");
    Run("INSERT INTO g (id, name) VALUES (1, 'gee')");
    d.Options()->SetDefaultValues(true);
    d.Options()->SetFieldsOrigin(true);
    auto open = [&](const char* sql) {
        d.Close();
        SetLines(d.SQL(), sql);
        d.Open();
    };
    // Each field as its origin (its name without FieldsOrigin), "!" when read-only.
    auto describe = [&] {
        std::string text;
        for (int i = 0; i < d.FieldCount(); ++i) {
            TField* field = d.Fields()[i];
            text += (text.empty() ? "" : " ") + (field->Origin.empty() ? field->FieldName() : field->Origin) +
                    (field->ReadOnly() ? "!" : "");
        }
        return text;
    };
    const std::string e = "e.id e.name e.code e.stamp";
    const struct {
        const char* sql;
        std::string fields;
    } cases[] = {
        {"SELECT * FROM e", e},
        {"SELECT x.* FROM e x", e},
        {"SELECT x.*, y.note FROM e x JOIN f y ON y.eid = x.id", e + " f.note!"},
        {"SELECT y.note, x.* FROM e x JOIN f y ON y.eid = x.id", "f.note! " + e},
        {"SELECT * FROM e JOIN f ON f.eid = e.id", e + " f.fid! f.eid! f.note!"},
        {"SELECT name, f.* FROM e JOIN f ON f.eid = e.id", "e.name f.fid! f.eid! f.note!"},
        {"SELECT * FROM e JOIN g ON g.id = e.id", e + " g.id! g.name!"},
        {"SELECT g.*, e.* FROM e JOIN g ON g.id = e.id", "g.id! g.name! " + e},
    };
    for (const auto& c : cases) {
        open(c.sql);
        EXPECT_EQ(describe(), c.fields) << c.sql;
        if (TField* field = d.FindField("code")) {
            if (serverQuotesDefaults) {
                EXPECT_NE(field->DefaultExpression.find("'def'"), std::string::npos) << c.sql;
            } else {
                // SQLite's default as the table was written, quotes and all.
                EXPECT_EQ(field->DefaultExpression, "'def'") << c.sql;
            }
        }
        if (TField* field = d.FindField("note")) {
            EXPECT_EQ(field->DefaultExpression, "") << c.sql;
        }
    }
    // Without FieldsOrigin only the updating table is read, and a bare "*" still takes every
    // table's columns so that the other table's stay read-only.
    d.Close();
    d.Options()->SetFieldsOrigin(false);
    open("SELECT * FROM e JOIN f ON f.eid = e.id");
    EXPECT_EQ(describe(), "id name code stamp fid! eid! note!");
    open("SELECT x.*, y.note FROM e x JOIN f y ON y.eid = x.id");
    EXPECT_EQ(describe(), "id name code stamp note!");
    EXPECT_EQ(d.FieldByName("code")->DefaultExpression.empty(), false);
    // The key comes from the table's index, as for a named list. The SQLite driver's defaults are
    // no SQL to run, so new records here take the server's default.
    d.Close();
    d.Options()->SetDefaultValues(false);
    open("SELECT * FROM e ORDER BY id");
    d.Edit();
    d.FieldByName("name")->SetAsString("uno");
    d.Post();
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "uno");
    d.Append();
    d.FieldByName("id")->SetAsInteger(7);
    d.FieldByName("name")->SetAsString("seven");
    d.Post();
    EXPECT_EQ(Seen("SELECT name || code FROM e WHERE id = 7"), "sevendef");
    open("SELECT x.*, y.note FROM e x JOIN f y ON y.eid = x.id");
    d.Edit();
    d.FieldByName("name")->SetAsString("joined");
    d.Post();
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "joined");
    EXPECT_EQ(Seen("SELECT note FROM f WHERE fid = 5"), "first");
    // With neither option set, a joined table's column is still not written into the updating
    // table's column of the same name.
    open("SELECT * FROM e JOIN g ON g.id = e.id");
    d.Edit();
    try {
        d.Fields()[5]->SetAsString("wrong");
        d.Post();
    } catch (const Exception&) {
        d.Cancel();
    }
    EXPECT_EQ(Seen("SELECT name FROM e WHERE id = 1"), "joined");
    d.Close();
}

TEST_F(DAEditTest, StarSelectsTakeTheTablesColumns) {
    ds.SetConnection(&connection);
    StarSelectsTakeTheTablesColumns(ds);
}
TEST_F(DAEditPgTest, StarSelectsTakeTheTablesColumns) {
    serverQuotesDefaults = true;
    ds.SetConnection(&connection);
    StarSelectsTakeTheTablesColumns(ds);
}

// Through the unified layer over the stand-in Access driver.
TEST_F(DAEditTest, StarSelectsTakeTheTablesColumnsThroughTheAccessProvider) {
    TUniConnection uni;
    uni.SetProviderName("Access");
    uni.LoginPrompt = false;
    uni.SetPassword("qmvadlorp");
    std::string path = "Z:" + file;
    for (char& c : path)
        if (c == '/') c = '\\';
    uni.SetDatabase(path.c_str());
    TUniQuery query;
    query.SetConnection(&uni);
    StarSelectsTakeTheTablesColumns(query);
    uni.Disconnect();
}

TEST_F(DAEditPgTest, StarSelectsTakeTheTablesColumnsThroughTheUnifiedQuery) {
    serverQuotesDefaults = true;
    TUniConnection uni;
    const PostgresServer& server = PostgresServer::Get();
    uni.SetProviderName("ODBC");
    uni.LoginPrompt = false;
    uni.SetServer(server.ServerText().c_str());
    uni.SetUsername(server.User.c_str());
    uni.SetPassword(server.Password.c_str());
    uni.Connect();
    Exec(*static_cast<TODBCConnection*>(uni.InternalConnection()), "SET search_path TO i21edit");
    TUniQuery query;
    query.SetConnection(&uni);
    StarSelectsTakeTheTablesColumns(query);
    uni.Disconnect();
}
