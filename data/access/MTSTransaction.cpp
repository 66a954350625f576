#include "data/access/MTSTransaction.h"

namespace {

void CheckOle(HRESULT result) {
    if (FAILED(result))
        throw EOSError(SysErrorMessage(static_cast<unsigned long>(result)),
                       static_cast<unsigned long>(result));
}

} // namespace

TMTSTransaction::~TMTSTransaction() {
    if (transaction_) transaction_->Release();
    if (dispenser_) dispenser_->Release();
}

bool TMTSTransaction::AddConnection(TCRConnection* connection) {
    bool added = TCRTransaction::AddConnection(connection);
    if (added && active_) EnlistConnection(connection);
    return added;
}

bool TMTSTransaction::RemoveConnection(TCRConnection* connection) {
    bool removed = TCRTransaction::RemoveConnection(connection);
    if (removed && active_) UnEnlistConnection(connection);
    return removed;
}

void TMTSTransaction::StartTransaction() {
    CheckInactive();
    // Checked before the coordinator is touched at all.
    for (int i = 0; i < connections_.Count(); ++i)
        if (!connections_[i]->GetConnected())
            throw Exception("One of the connections in the transaction is not active");
    StartMTSTransaction();
    active_ = true;
    try {
        for (int i = 0; i < connections_.Count(); ++i)
            EnlistConnection(connections_[i]);
    } catch (...) {
        // The enlistment error is the one worth reporting; rollback trouble must not hide it.
        try {
            Rollback();
        } catch (...) {
        }
        throw;
    }
}

void TMTSTransaction::StartMTSTransaction() {
    LoadDtcLibrary();
    if (!dispenser_) {
        void* object = nullptr;
        CheckOle(DtcGetTransactionManagerEx(&IID_ICRTransactionDispenserSC, &object));
        if (!object) CheckOle(E_NOINTERFACE);
        dispenser_ = static_cast<ICRTransactionDispenserSC*>(object);
    }
    LONG isoLevel;
    switch (isolationLevel_) {
    case ilReadCommitted:
        isoLevel = 0x1000;
        break;
    case ilReadUnCommitted:
        isoLevel = 0x100;
        break;
    case ilRepeatableRead:
        isoLevel = 0x10000;
        break;
    case ilIsolated:
        isoLevel = 0x100000;
        break;
    default:
        throw Exception("Transaction isolation level is not supported with MTS");
    }
    ICRTransactionSC* transaction = nullptr;
    CheckOle(dispenser_->BeginTransaction(nullptr, isoLevel, 0, nullptr, &transaction));
    transaction_ = transaction;
}

void TMTSTransaction::CompleteMTSTransaction(bool commit) {
    if (!transaction_) CRAccessAssertFailed("No distributed transaction", __LINE__);
    active_ = false;
    ICRTransactionSC* transaction = transaction_;
    transaction_ = nullptr;
    HRESULT result = commit ? transaction->Commit(FALSE, 0, 0) : transaction->Abort(nullptr, FALSE, FALSE);
    transaction->Release();
    CheckOle(result);
    for (int i = 0; i < connections_.Count(); ++i)
        UnEnlistConnection(connections_[i]);
}

void TMTSTransaction::Commit() {
    CheckActive();
    CompleteMTSTransaction(true);
}

void TMTSTransaction::Rollback() {
    CheckActive();
    CompleteMTSTransaction(false);
}

void TMTSTransaction::EnlistConnection(TCRConnection* connection) {
    connection->Enlist(this);
}

void TMTSTransaction::UnEnlistConnection(TCRConnection* connection) {
    connection->UnEnlist(this);
}

void TMTSTransaction::Savepoint(const AnsiString& name) {
    for (int i = 0; i < connections_.Count(); ++i)
        connections_[i]->GetInternalTransaction()->Savepoint(name);
}

void TMTSTransaction::ReleaseSavepoint(const AnsiString& name) {
    for (int i = 0; i < connections_.Count(); ++i)
        connections_[i]->GetInternalTransaction()->ReleaseSavepoint(name);
}

void TMTSTransaction::RollbackToSavepoint(const AnsiString& name) {
    for (int i = 0; i < connections_.Count(); ++i)
        connections_[i]->GetInternalTransaction()->RollbackToSavepoint(name);
}
