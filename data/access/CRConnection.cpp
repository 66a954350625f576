// Internal connection, the unit's consistency checks and the connection list.
#include "data/access/CRAccess.h"
#include "data/memory/CRParser.h"

void CRAccessAssertFailed(const AnsiString& message, int line) {
    throw EAssertionFailed(message, "CRAccess", line);
}

void CRAccessUnknownProp(int prop, int line) {
    CRAccessAssertFailed(IntToStr(prop), line);
}

TCRConnection* TCRConnections::Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
    return items_[static_cast<size_t>(index)];
}

int TCRConnections::IndexOf(const TCRConnection* connection) const {
    for (int i = 0; i < Count(); ++i)
        if (items_[static_cast<size_t>(i)] == connection) return i;
    return -1;
}

TCRConnection::~TCRConnection() {
    // The transaction must not keep a dangling entry for this connection.
    if (internalTransaction_) internalTransaction_->RemoveConnection(this);
    internalTransaction_.reset();
    sqlInfo_.reset();
}

std::unique_ptr<TSQLInfo> TCRConnection::CreateSQLInfo() {
    // The factories are class-level; a command of the provider's class answers them.
    std::unique_ptr<TCRCommand> command = GetCommandClass()->Create<TCRCommand>();
    return TSQLInfo::CreateOf(command->GetSQLInfoClass(), command->GetParserClass());
}

void TCRConnection::Enlist(TMTSTransaction* /*transaction*/) {
    throw Exception("MS DTC transactions not supported");
}

void TCRConnection::UnEnlist(TMTSTransaction* /*transaction*/) {
    throw Exception("MS DTC transactions not supported");
}

void TCRConnection::ProcessError(Exception& e, bool& fail) {
    int attempt = 0;
    TConnLostCause connLostCause = clUnknown;
    for (;;) {
        // A nested call from inside a callback or a reconnect does nothing.
        if (inProcessError_) return;
        bool reconnect = attempt > 0;
        bool reexecute = false;

        if (OnError) {
            inProcessError_ = true;
            try {
                OnError(e, fail, reconnect, reexecute, attempt, connLostCause);
            } catch (...) {
                inProcessError_ = false;
                throw;
            }
            inProcessError_ = false;
        }

        if (reconnect) {
            reconnected_ = false;
            inProcessError_ = true;
            if (attempt == 0) {
                try {
                    Disconnect();
                } catch (const std::exception&) {
                }
            }
            try {
                Connect("");
                if (OnReconnectSuccess) OnReconnectSuccess();
                reconnected_ = true;
            } catch (const std::exception&) {
            }
            inProcessError_ = false;
            if (reconnected_ && reexecute) throw EFailOver(connLostCause);
            ++attempt;
        } else if (attempt > 0 && !reconnected_ && OnReconnectError) {
            // The handler sees the connection as connected while it reports the failure.
            inProcessError_ = true;
            connected_ = true;
            try {
                OnReconnectError();
            } catch (const std::exception&) {
            }
            connected_ = false;
            inProcessError_ = false;
        }

        if (!reconnect || reconnected_) return;
    }
}

void TCRConnection::Connect(const AnsiString& /*connectString*/) {
    connectTime_ = GetTickCount();
    IsValid = true;
}

void TCRConnection::Assign(TCRConnection* source) {
    server_ = source->server_;
    username_ = source->username_;
    password_ = source->password_;
    enableBCD_ = source->enableBCD_;
    enableFMTBCD_ = source->enableFMTBCD_;
    OnError = source->OnError;
    IOHandler = source->IOHandler;
}

void TCRConnection::ReturnToPool() {
    if (!Pool) CRAccessAssertFailed("Connection has no pool", __LINE__);
    OnError = nullptr;
    // The component that held it may be gone before the pool hands it out again.
    OnReconnectError = nullptr;
    OnReconnectSuccess = nullptr;
    Component = nullptr;
    Pool->PutConnection(this);
}

bool TCRConnection::SetProp(int prop, const Variant& value) {
    switch (prop) {
    case prAutoCommit:
        autoCommit_ = value.AsBoolean();
        break;
    case prConvertEOL:
        convertEOL_ = value.AsBoolean();
        break;
    case prDisconnectedMode:
        disconnectedMode_ = value.AsBoolean();
        break;
    case prDatabase:
    case prPort:
        break; // a provider that needs them keeps them itself
    case prEnableBCD:
        enableBCD_ = value.AsBoolean();
        break;
    case prEnableFmtBCD:
        enableFMTBCD_ = value.AsBoolean();
        break;
    case prDefaultSortType:
        defaultSortType_ = static_cast<uint8_t>(value.AsInteger());
        break;
    default:
        CRAccessUnknownProp(prop, __LINE__);
    }
    return true;
}

bool TCRConnection::GetProp(int prop, Variant& value) {
    switch (prop) {
    case prUsername:
        value = username_;
        break;
    case prDefaultTextParamSize:
        value = 0;
        break;
    case prLastInsertId:
        value = int64_t{0};
        break;
    default:
        CRAccessUnknownProp(prop, __LINE__);
    }
    return true;
}

TSQLInfo* TCRConnection::GetSQLInfo() {
    if (!sqlInfo_) sqlInfo_ = CreateSQLInfo();
    return sqlInfo_.get();
}

TCRTransaction* TCRConnection::GetInternalTransaction() {
    if (!internalTransaction_) {
        std::unique_ptr<TCRTransaction> transaction = GetTransactionClass()->Create<TCRTransaction>();
        transaction->AddConnection(this);
        internalTransaction_ = std::move(transaction);
    }
    return internalTransaction_.get();
}
