#include "data/access/DAMetaData.h"

#include "data/access/DAConnection.h"
#include "data/access/DATransaction.h"
#include "platform/core/Win32Boundary.h"
#include "platform/db/DBTypes.h"

TDAMetaData::TDAMetaData(TComponent* owner) : TMemDataSet(owner) {
    restrictions_ = std::make_unique<TStringList>();
    restrictions_->OnChange = [this](TObject*) { CloseUnlessLoading(); };
}

TDAMetaData::~TDAMetaData() {
    // The record set belongs to the reader: it must be let go of before the reader goes.
    Destroying();
    try {
        Close();
    } catch (...) {
        HandleBoundaryException(std::current_exception());
    }
    FIRecordSet = nullptr;
    SetConnection(nullptr);
    SetTransaction(nullptr);
}

void TDAMetaData::CloseUnlessLoading() {
    if (!HasState(csLoading)) Close();
}

void TDAMetaData::SetConnection(TCustomDAConnection* value) {
    if (value == connection_) return;
    CloseUnlessLoading();
    // A connection that is being freed has lost its client list already: only forget it.
    if (connection_ && !connection_->HasState(csDestroying)) {
        connection_->UnRegisterClient(this);
        connection_->RemoveFreeNotification(this);
    }
    connection_ = value;
    if (connection_) {
        connection_->FreeNotification(this);
        connection_->RegisterClient(
            this, [this](TObject* sender, bool connecting) { ConnectChange(sender, connecting); });
    }
}

void TDAMetaData::SetTransaction(TDATransaction* value) {
    if (value == transaction_) return;
    if (transaction_ && !transaction_->HasState(csDestroying)) transaction_->RemoveFreeNotification(this);
    transaction_ = value;
    if (transaction_) transaction_->FreeNotification(this);
}

void TDAMetaData::SetMetaDataKind(const AnsiString& value) {
    if (value == metaDataKind_) return;
    CloseUnlessLoading();
    metaDataKind_ = value;
}

void TDAMetaData::Notification(TComponent* component, TOperation operation) {
    TMemDataSet::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == connection_) SetConnection(nullptr);
    if (component == transaction_) SetTransaction(nullptr);
}

bool TDAMetaData::MultipleTransactions() {
    return connection_ && connection_->IsMultipleTransactionsSupported();
}

TDATransaction* TDAMetaData::UsedTransaction() {
    if (MultipleTransactions() && transaction_) return transaction_;
    return connection_ ? connection_->UsedTransaction() : nullptr;
}

void TDAMetaData::BeginConnection() {
    if (!connection_) DatabaseError("Connection is not defined", this);
    connection_->AcquireUse();
    if (!MultipleTransactions()) return;
    try {
        TDATransaction* transaction = UsedTransaction();
        Assert(transaction != nullptr, "No transaction to use");
        transaction->AcquireTransaction();
    } catch (...) {
        connection_->ReleaseUse();
        throw;
    }
}

void TDAMetaData::EndConnection() {
    if (!connection_) return;
    if (MultipleTransactions())
        if (TDATransaction* transaction = UsedTransaction()) transaction->ReleaseTransaction();
    connection_->ReleaseUse();
}

void TDAMetaData::ConnectChange(TObject*, bool connecting) {
    if (connecting) return;
    if (connection_ && connection_->Options()->DisconnectedMode()) {
        // A disconnected-mode connection goes after every use, the opening's own too: the rows
        // stay. A reader's result list is in memory already; a record set lets go of its server
        // side.
        if (auto* recordSet = dynamic_cast<TCRRecordSet*>(FIRecordSet)) recordSet->Disconnect();
        return;
    }
    Close();
}

void TDAMetaData::CheckInternalMetaData() {
    TClass wanted = connection_->GetInternalMetaDataClass();
    if (!metaData_ || metaData_->ClassType() != wanted) metaData_ = wanted->Create<TCRMetaData>();
}

void TDAMetaData::OpenCursor(bool infoQuery) {
    struct FailOver {
        TCustomDAConnection* connection;
        ~FailOver() {
            if (connection) connection->PopOperation();
        }
    } failOver{connection_};
    if (connection_) connection_->PushOperation(clOpen, connection_->IsFailoverAllowed());
    BeginConnection();
    try {
        for (;;) {
            try {
                TMemDataSet::OpenCursor(infoQuery);
                break;
            } catch (const EFailOver&) {
                connection_->RestoreTransactions();
            }
        }
    } catch (...) {
        EndConnection();
        throw;
    }
    EndConnection();
}

void TDAMetaData::InternalOpen() {
    CheckInternalMetaData();
    TDATransaction* transaction = UsedTransaction();
    TData* answer = metaData_->GetMetaData(connection_->InternalConnection(),
                                           transaction ? transaction->InternalTransaction() : nullptr,
                                           metaDataKind_, *restrictions_);
    // The answer is the reader's: it replaces (and frees) what the dataset made, and is let go of
    // on closing, never freed here.
    SetRecordSet(answer);
    TMemDataSet::InternalOpen();
}

void TDAMetaData::CloseCursor() {
    TMemDataSet::CloseCursor();
    if (!HasState(csDestroying)) FieldDefs().Updated = false;
    FIRecordSet = nullptr;
}
