// Internal transactions and the distributed transaction over the coordinator's client library.
#include <gtest/gtest.h>

#include <cstring>

#include "TestProvider.h"
#include "data/access/MTSTransaction.h"

namespace {

void ExpectMessage(const std::function<void()>& call, const char* message) {
    try {
        call();
        ADD_FAILURE() << "no error, expected " << message;
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), message);
    }
}

// A connection whose provider can take part in distributed transactions.
class TEnlistingConnection : public TTestConnection {
public:
    VZ_CLASS(TEnlistingConnection, TTestConnection)
    bool enlistFails = false;
    void Enlist(TMTSTransaction* transaction) override {
        log.push_back(transaction->Transaction() ? "enlist" : "enlist-without-transaction");
        if (enlistFails) throw Exception("enlist refused");
    }
    void UnEnlist(TMTSTransaction*) override { log.push_back("unenlist"); }
};

struct FakeTransaction : ICRTransactionSC {
    int commits = 0, aborts = 0, refs = 1;
    HRESULT __stdcall QueryInterface(const GUID*, void**) override { return E_NOINTERFACE; }
    ULONG __stdcall AddRef() override { return ++refs; }
    ULONG __stdcall Release() override { return --refs; }
    HRESULT __stdcall Commit(BOOL retaining, DWORD, DWORD) override {
        EXPECT_FALSE(retaining);
        ++commits;
        return S_OK;
    }
    HRESULT __stdcall Abort(void* reason, BOOL retaining, BOOL async) override {
        EXPECT_EQ(reason, nullptr);
        EXPECT_FALSE(retaining);
        EXPECT_FALSE(async);
        ++aborts;
        return S_OK;
    }
    HRESULT __stdcall GetTransactionInfo(void*) override { return E_NOTIMPL; }
};

struct FakeDispenser : ICRTransactionDispenserSC {
    int begins = 0, refs = 1;
    LONG lastIsoLevel = -1;
    FakeTransaction transaction;
    HRESULT __stdcall QueryInterface(const GUID*, void**) override { return E_NOINTERFACE; }
    ULONG __stdcall AddRef() override { return ++refs; }
    ULONG __stdcall Release() override { return --refs; }
    HRESULT __stdcall GetOptionsObject(void**) override { return E_NOTIMPL; }
    HRESULT __stdcall BeginTransaction(void* outer, LONG isoLevel, ULONG isoFlags, void* options,
                                       ICRTransactionSC** result) override {
        EXPECT_EQ(outer, nullptr);
        EXPECT_EQ(isoFlags, 0u);
        EXPECT_EQ(options, nullptr);
        ++begins;
        lastIsoLevel = isoLevel;
        transaction.refs = 1;
        *result = &transaction;
        return S_OK;
    }
};

FakeDispenser* fakeDispenser = nullptr;
int fakeEntryCalls = 0;

HRESULT __cdecl FakeEntry(char* host, char* tmName, const GUID* iid, DWORD options, void* config,
                          void** object) {
    ++fakeEntryCalls;
    bool expected = host == nullptr && tmName == nullptr && options == 0 && config == nullptr &&
                    std::memcmp(iid, &IID_ICRTransactionDispenserSC, sizeof(GUID)) == 0;
    if (!expected) return E_INVALIDARG;
    *object = static_cast<ICRTransactionDispenserSC*>(fakeDispenser);
    return S_OK;
}

class MTSFixture : public ::testing::Test {
protected:
    void SetUp() override {
        fakeDispenser = &dispenser;
        fakeEntryCalls = 0;
        SetDtcGetTransactionManagerEx(&FakeEntry);
    }
    void TearDown() override {
        SetDtcGetTransactionManagerEx(nullptr);
        fakeDispenser = nullptr;
    }
    FakeDispenser dispenser;
};

} // namespace

TEST(Transaction, ConnectionListAndBaseOperations) {
    TTestConnection a, b;
    TCRTransaction transaction;
    EXPECT_TRUE(transaction.AddConnection(&a));
    EXPECT_FALSE(transaction.AddConnection(&a));
    EXPECT_TRUE(transaction.AddConnection(&b));
    EXPECT_EQ(transaction.Connections().Count(), 2);
    EXPECT_TRUE(transaction.RemoveConnection(&a));
    EXPECT_FALSE(transaction.RemoveConnection(&a));
    EXPECT_EQ(transaction.Connections()[0], &b);
    EXPECT_THROW(transaction.Connections()[1], EListError);

    EXPECT_THROW(transaction.StartTransaction(), EAssertionFailed);
    EXPECT_THROW(transaction.Commit(), EAssertionFailed);
    EXPECT_THROW(transaction.Rollback(), EAssertionFailed);
    const char* notSupported = "Operation is not supported by the database";
    ExpectMessage([&] { transaction.CommitRetaining(); }, notSupported);
    ExpectMessage([&] { transaction.RollbackRetaining(); }, notSupported);
    ExpectMessage([&] { transaction.Savepoint("s"); }, notSupported);
    ExpectMessage([&] { transaction.ReleaseSavepoint("s"); }, notSupported);
    ExpectMessage([&] { transaction.RollbackToSavepoint("s"); }, notSupported);
    EXPECT_FALSE(transaction.CanRestoreAfterFailover());
}

TEST(Transaction, ActiveStateChecksAndMirroring) {
    TTestTransaction transaction;
    ExpectMessage([&] { transaction.Commit(); }, "Can't perform operation on inactive transaction");
    transaction.StartTransaction();
    EXPECT_TRUE(transaction.GetInTransaction());
    EXPECT_TRUE(transaction.DetectInTransaction());
    ExpectMessage([&] { transaction.StartTransaction(); }, "Can't perform operation on active transaction");

    TTestTransaction mirror;
    mirror.AssignConnect(&transaction);
    EXPECT_TRUE(mirror.GetInTransaction());
    EXPECT_FALSE(mirror.Native());
    mirror.Reset();
    EXPECT_FALSE(mirror.GetInTransaction());

    transaction.Commit();
    TTestTransaction idle;
    idle.AssignConnect(&transaction);
    EXPECT_FALSE(idle.GetInTransaction());
    EXPECT_TRUE(idle.Native());
}

TEST(MTSTransaction, NotConnectedFailsBeforeTheLibraryIsTouched) {
    SetDtcGetTransactionManagerEx(nullptr);
    TTestConnection connected, idle;
    connected.Connect("");
    TMTSTransaction transaction;
    transaction.AddConnection(&connected);
    transaction.AddConnection(&idle);
    ExpectMessage([&] { transaction.StartTransaction(); },
                  "One of the connections in the transaction is not active");
    EXPECT_FALSE(DtcLibraryLoaded());
    EXPECT_FALSE(transaction.GetInTransaction());
}

TEST_F(MTSFixture, NotConnectedNeverCallsTheCoordinator) {
    TTestConnection idle;
    TMTSTransaction transaction;
    transaction.AddConnection(&idle);
    EXPECT_THROW(transaction.StartTransaction(), Exception);
    EXPECT_EQ(fakeEntryCalls, 0);
    EXPECT_EQ(dispenser.begins, 0);
}

TEST_F(MTSFixture, IsolationLevelsMapOrAreRefused) {
    struct Case {
        TCRIsolationLevel level;
        LONG mapped; // 0: refused
    } cases[] = {{ilReadCommitted, 0x1000},
                 {ilReadUnCommitted, 0x100},
                 {ilRepeatableRead, 0x10000},
                 {ilIsolated, 0x100000},
                 {ilSnapshot, 0},
                 {ilCustom, 0}};
    for (auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.level));
        TEnlistingConnection connection;
        connection.Connect("");
        TMTSTransaction transaction;
        transaction.AddConnection(&connection);
        transaction.SetProp(prIsolationLevel, Variant(static_cast<int>(c.level)));
        int beginsBefore = dispenser.begins;
        if (c.mapped == 0) {
            ExpectMessage([&] { transaction.StartTransaction(); },
                          "Transaction isolation level is not supported with MTS");
            EXPECT_EQ(dispenser.begins, beginsBefore);
            EXPECT_FALSE(transaction.GetInTransaction());
        } else {
            transaction.StartTransaction();
            EXPECT_EQ(dispenser.lastIsoLevel, c.mapped);
            transaction.Rollback();
        }
    }
    // The dispenser is obtained once per transaction object and kept.
    EXPECT_EQ(fakeEntryCalls, 6);
}

TEST_F(MTSFixture, CommitAndRollbackEndTheCoordinatorTransaction) {
    TEnlistingConnection a, b, c;
    a.Connect("");
    b.Connect("");
    c.Connect("");
    {
        TMTSTransaction transaction;
        transaction.AddConnection(&a);
        transaction.AddConnection(&b);
        transaction.StartTransaction();
        EXPECT_TRUE(transaction.GetInTransaction());
        // A connection added while active is enlisted at once.
        transaction.AddConnection(&c);
        transaction.Commit();
        EXPECT_FALSE(transaction.GetInTransaction());
        EXPECT_EQ(dispenser.transaction.commits, 1);
        EXPECT_EQ(dispenser.transaction.refs, 0);
        ExpectMessage([&] { transaction.Commit(); }, "Can't perform operation on inactive transaction");

        transaction.StartTransaction();
        transaction.Rollback();
        EXPECT_EQ(dispenser.transaction.aborts, 1);
        EXPECT_EQ(fakeEntryCalls, 1);
    }
    EXPECT_EQ(a.log, (std::vector<std::string>{"connect", "enlist", "unenlist", "enlist", "unenlist"}));
    EXPECT_EQ(c.log, (std::vector<std::string>{"connect", "enlist", "unenlist", "enlist", "unenlist"}));
    EXPECT_EQ(dispenser.refs, 0); // released with the transaction object
}

TEST_F(MTSFixture, FailedEnlistmentRollsBackAndReportsTheEnlistError) {
    TEnlistingConnection a, b;
    a.Connect("");
    b.Connect("");
    b.enlistFails = true;
    TMTSTransaction transaction;
    transaction.AddConnection(&a);
    transaction.AddConnection(&b);
    ExpectMessage([&] { transaction.StartTransaction(); }, "enlist refused");
    EXPECT_FALSE(transaction.GetInTransaction());
    EXPECT_EQ(dispenser.transaction.aborts, 1);

    // Providers of this system cannot enlist: the base connection's error comes through.
    TTestConnection plain;
    plain.Connect("");
    TMTSTransaction other;
    other.AddConnection(&plain);
    ExpectMessage([&] { other.StartTransaction(); }, "MS DTC transactions not supported");
    EXPECT_FALSE(other.GetInTransaction());
}

TEST(MTSCall, EntryPointBeforeBindingIsNotLinked) {
    SetDtcGetTransactionManagerEx(nullptr);
    void* object = nullptr;
    ExpectMessage([&] { DtcGetTransactionManagerEx(&IID_ICRTransactionDispenserSC, &object); },
                  "Function is not linked");
}

// The real library: on Windows the coordinator answers (or refuses with an OLE error); under Wine
// xolehlp.dll is missing or its entry point is a placeholder. Either way the caller gets an error,
// not a crashed process.
TEST(MTSCall, RealLibraryGivesAClearAnswer) {
    SetDtcGetTransactionManagerEx(nullptr);
    TTestConnection plain;
    plain.Connect("");
    TMTSTransaction transaction;
    transaction.AddConnection(&plain);
    try {
        transaction.StartTransaction();
        ADD_FAILURE() << "a provider without enlistment cannot start";
    } catch (const Exception& e) {
        EXPECT_FALSE(e.Message().empty());
        std::printf("distributed start: %s\n", e.Message().c_str());
    }
    EXPECT_FALSE(transaction.GetInTransaction());
    UnloadDtcLibrary();
    EXPECT_FALSE(DtcLibraryLoaded());
}
