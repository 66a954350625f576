// Internal transaction base.
#include "data/access/CRAccess.h"

namespace {
const char* const SOperationNotSupported = "Operation is not supported by the database";
const char* const SNotOverriden = "Not overriden in an inherited class";
} // namespace

bool TCRTransaction::AddConnection(TCRConnection* connection) {
    if (connections_.IndexOf(connection) >= 0) return false;
    connections_.Add(connection);
    return true;
}

bool TCRTransaction::RemoveConnection(TCRConnection* connection) {
    int index = connections_.IndexOf(connection);
    if (index < 0) return false;
    connections_.Delete(index);
    return true;
}

bool TCRTransaction::SetProp(int prop, const Variant& value) {
    switch (prop) {
    case prIsolationLevel:
        isolationLevel_ = static_cast<TCRIsolationLevel>(value.AsInteger());
        break;
    case prTransactionReadOnly:
        readOnly_ = value.AsBoolean();
        break;
    default:
        CRAccessUnknownProp(prop, __LINE__);
    }
    return true;
}

bool TCRTransaction::GetProp(int prop, Variant& value) {
    switch (prop) {
    case prIsolationLevel:
        value = static_cast<int>(isolationLevel_);
        break;
    case prTransactionReadOnly:
        value = readOnly_;
        break;
    default:
        CRAccessUnknownProp(prop, __LINE__);
    }
    return true;
}

void TCRTransaction::AssignConnect(TCRTransaction* source) {
    active_ = source->active_;
    // Ending a mirrored transaction must not end the source's at the server.
    if (active_) native_ = false;
}

void TCRTransaction::StartTransaction() {
    CRAccessAssertFailed(SNotOverriden, __LINE__);
}
void TCRTransaction::Commit() {
    CRAccessAssertFailed(SNotOverriden, __LINE__);
}
void TCRTransaction::Rollback() {
    CRAccessAssertFailed(SNotOverriden, __LINE__);
}
void TCRTransaction::CommitRetaining() {
    throw Exception(SOperationNotSupported);
}
void TCRTransaction::RollbackRetaining() {
    throw Exception(SOperationNotSupported);
}
void TCRTransaction::Savepoint(const AnsiString& /*name*/) {
    throw Exception(SOperationNotSupported);
}
void TCRTransaction::ReleaseSavepoint(const AnsiString& /*name*/) {
    throw Exception(SOperationNotSupported);
}
void TCRTransaction::RollbackToSavepoint(const AnsiString& /*name*/) {
    throw Exception(SOperationNotSupported);
}

void TCRTransaction::CheckInactive() const {
    if (active_) throw Exception("Can't perform operation on active transaction");
}

void TCRTransaction::CheckActive() const {
    if (!active_) throw Exception("Can't perform operation on inactive transaction");
}
