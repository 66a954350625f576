#include "data/access/UniConnection.h"

#include "data/access/CRConnectionPool.h"
#include "data/access/CRProps.h"
#include "data/access/DASQL.h"
#include "data/access/DASQLMonitor.h"
#include "data/access/UniQuery.h"
#include "platform/core/Strings.h"
#include "platform/core/Variant.h"

// ---- errors -------------------------------------------------------------------------------------

namespace {
EDAError* DAErrorOf(const std::exception_ptr& p) {
    try {
        std::rethrow_exception(p);
    } catch (EDAError& e) {
        return &e;
    } catch (...) {
        return nullptr;
    }
}

} // namespace

EUniError::EUniError(std::exception_ptr inner) : EDAError(""), owned_(std::move(inner)) {
    inner_ = DAErrorOf(owned_);
    if (!inner_) return;
    SetMessage(inner_->Message());
    ErrorCode = inner_->ErrorCode;
    Component = inner_->Component;
}

EUniError::EUniError(EDAError& inner) : EDAError(inner.Message()), inner_(&inner) {
    ErrorCode = inner.ErrorCode;
    Component = inner.Component;
}

void ReraiseAsUniError() {
    std::exception_ptr current = std::current_exception();
    // Raised again as it is, so that InnerError is always the layer's own error.
    EDAError* error = DAErrorOf(current);
    if (error && !dynamic_cast<EUniError*>(error)) throw EUniError(current);
    std::rethrow_exception(current);
}

// ---- specific options ---------------------------------------------------------------------------

AnsiString TSpecificOptionsList::ProviderPrefix() const {
    TUniProvider* provider = getProvider_ ? getProvider_() : nullptr;
    if (!provider) DatabaseError("Provider is not defined");
    return provider->GetProviderName();
}

AnsiString TSpecificOptionsList::Prefixed(const AnsiString& s) const {
    if (s.empty()) return s;
    const size_t dot = s.find('.');
    const size_t sep = s.find(NameValueSeparator);
    if (dot != AnsiString::npos && (sep == AnsiString::npos || dot < sep)) return s;
    return ProviderPrefix() + "." + s;
}

void TSpecificOptionsList::Put(int index, const AnsiString& s) {
    TStringList::Put(index, Prefixed(s));
}

void TSpecificOptionsList::InsertItem(int index, const AnsiString& s, TObject* object) {
    TStringList::InsertItem(index, Prefixed(s), object);
}

int TSpecificOptionsList::IndexOfName(const AnsiString& name) const {
    int index = TStringList::IndexOfName(name);
    if (index < 0 && !name.empty() && name.find('.') == AnsiString::npos)
        index = TStringList::IndexOfName(ProviderPrefix() + "." + name);
    return index;
}

TSpecificOptionsHolder::TSpecificOptionsHolder(std::function<TUniProvider*()> getProvider)
    : values_(std::make_unique<TSpecificOptionsList>(std::move(getProvider))) {
    values_->OnChanging = [this](TObject*) { ValuesChanging(); };
    values_->OnChange = [this](TObject*) { ValuesChanged(); };
}

void TUniConnectionSpecificOptions::ValuesChanging() {
    if (owner_->Connected()) owner_->Disconnect();
}

// ---- macros -------------------------------------------------------------------------------------

void TUniMacros::Add(const AnsiString& name, const AnsiString& value, const AnsiString& condition) {
    items_.push_back({name, value, condition});
    Changed();
}

void TUniMacros::SetValue(int index, const AnsiString& value) {
    TUniMacro& item = items_.at(static_cast<size_t>(index));
    if (item.Value == value) return;
    item.Value = value;
    Changed();
}

void TUniMacros::Delete(int index) {
    items_.erase(items_.begin() + index);
    Changed();
}

void TUniMacros::Clear() {
    items_.clear();
    Changed();
}

void TUniMacros::Changed() {
    if (owner_) owner_->MacrosModified();
}

// ---- transaction --------------------------------------------------------------------------------

TClass TUniTransaction::GetSQLMonitorClass() {
    return TUniSQLMonitor::StaticClass();
}

namespace {
TConnectDialogClassHook connectDialogClassHook;
}

void SetConnectDialogClassHook(TConnectDialogClassHook hook) {
    connectDialogClassHook = std::move(hook);
}

TClass TUniConnection::GetConnectDialogClass() {
    return connectDialogClassHook ? connectDialogClassHook() : nullptr;
}

TClass TUniTransaction::GetInternalTransactionClass() {
    if (TransactionType() != ttNative) return TDATransaction::GetInternalTransactionClass();
    auto* connection = dynamic_cast<TUniConnection*>(UsedConnection());
    if (!connection) DatabaseError("Connection is not defined");
    return connection->CheckProvider()->GetInternalTransactionClass();
}

void TUniTransaction::CheckActive() {
    if (!Active()) DatabaseError("Can't perform operation on inactive transaction");
}

void TUniTransaction::Commit() {
    CheckActive();
    TDATransaction::Commit();
}

void TUniTransaction::Rollback() {
    CheckActive();
    TDATransaction::Rollback();
}

void TUniTransaction::Savepoint(const AnsiString& name) {
    CheckActive();
    TDATransaction::Savepoint(name);
}

void TUniTransaction::ReleaseSavepoint(const AnsiString& name) {
    CheckActive();
    TDATransaction::ReleaseSavepoint(name);
}

void TUniTransaction::RollbackToSavepoint(const AnsiString& name) {
    CheckActive();
    TDATransaction::RollbackToSavepoint(name);
}

// ---- connection ---------------------------------------------------------------------------------

TUniConnection::TUniConnection(TComponent* owner)
    : TCustomDAConnection(owner), macroNames_(std::make_unique<TStringList>()),
      macroValues_(std::make_unique<TStringList>()) {
    specificOptions_ =
        std::make_unique<TUniConnectionSpecificOptions>(this, [this] { return CheckProvider(); });
    statementTransaction_.reset(static_cast<TUniTransaction*>(CreateTransaction().release()));
    statementTransaction_->SetIsolationLevel(ilReadCommitted);
    macros_ = std::make_unique<TUniMacros>(this);
}

TUniConnection::~TUniConnection() {
    Destroying();
    Disconnect();
    statementTransaction_.reset();
    // Told here: the base destructor no longer reaches this class's monitor.
    TCustomDASQLMonitor::ObjectDestroyedNotify(GetSQLMonitorClass(), this);
}

TUniProvider* TUniConnection::CheckProvider() const {
    if (!provider_) RaiseProviderNotRegistered(providerName_);
    return provider_;
}

void TUniConnection::SetProviderName(const AnsiString& value) {
    if (Connected()) DatabaseError("This operation is not allowed on active connection");
    const AnsiString name = Trim(value);
    if (!AnsiSameText(name, providerName_)) {
        provider_ = name.empty() || !UniProviders ? nullptr : UniProviders->GetProvider(name);
        ClearInternalConnection();
    }
    providerName_ = name;
    macrosChanged_ = true;
}

void TUniConnection::SetDatabase(const AnsiString& value) {
    const AnsiString name = Trim(value);
    if (name == database_) return;
    if (Connected() && !(iConnection_ && iConnection_->CanChangeDatabase())) Disconnect();
    database_ = name;
    if (iConnection_) iConnection_->SetProp(prDatabase, database_);
}

void TUniConnection::SetPort(int value) {
    if (value == port_) return;
    Disconnect();
    port_ = value;
    if (iConnection_) iConnection_->SetProp(prPort, port_);
}

TClass TUniConnection::GetInternalConnectionClass() {
    return CheckProvider()->GetInternalConnectionClass();
}
TClass TUniConnection::GetInternalCommandClass() {
    return CheckProvider()->GetInternalCommandClass();
}
TClass TUniConnection::GetInternalMetaDataClass() {
    return CheckProvider()->GetInternalMetaDataClass();
}
TClass TUniConnection::GetInternalRecordSetClass() {
    return CheckProvider()->GetInternalRecordSetClass();
}

bool TUniConnection::IsMultipleTransactionsSupported() {
    return CheckProvider()->IsMultipleTransactionsSupported();
}

AnsiString TUniConnection::GetProviderText() {
    if (providerName_.empty()) DatabaseError("Provider is not defined");
    TUniProvider* provider = UniProviders ? UniProviders->GetProvider(providerName_) : nullptr;
    if (!provider) RaiseProviderNotRegistered(providerName_);
    return provider->GetProviderText();
}

std::unique_ptr<TDATransaction> TUniConnection::CreateTransaction() {
    auto transaction = std::make_unique<TUniTransaction>(nullptr);
    transaction->SetDefaultConnection(this);
    return transaction;
}

std::unique_ptr<TCustomDADataSet> TUniConnection::CreateDataSet() {
    auto data = std::make_unique<TUniQuery>(nullptr);
    data->SetConnection(this);
    return data;
}

std::unique_ptr<TCustomDASQL> TUniConnection::CreateSQL() {
    auto sql = std::make_unique<TUniSQL>(nullptr);
    sql->SetConnection(this);
    return sql;
}

bool TUniConnection::GetInTransaction() {
    return DefaultTransaction()->Active();
}

TDATransaction* TUniConnection::UsedTransaction() {
    if (HasProvider() && provider_->IsMultipleTransactionsSupported() && !DefaultTransaction()->Active())
        return statementTransaction_.get();
    return TCustomDAConnection::UsedTransaction();
}

void TUniConnection::StartTransactionWithLevel(TCRIsolationLevel level, bool readOnly) {
    TDATransaction* transaction = DefaultTransaction();
    if (!transaction->Active()) {
        transaction->SetIsolationLevel(level);
        transaction->SetReadOnly(readOnly);
    }
    try {
        TCustomDAConnection::StartTransaction();
    } catch (...) {
        ReraiseAsUniError();
    }
}

void TUniConnection::AssignConnect(TUniConnection* source) {
    TCustomDAConnection::AssignConnect(source);
    if (!source) return;
    SetProviderName(source->ProviderName());
    SetDatabase(source->Database());
    SetPort(source->Port());
    SpecificOptions()->Clear();
    for (int i = 0; i < source->SpecificOptions()->Count(); ++i)
        SpecificOptions()->Add(source->SpecificOptions()->Strings(i));
}

TClass TUniConnection::GetSQLMonitorClass() {
    return TUniSQLMonitor::StaticClass();
}

void TUniConnection::CreateInternalConnection() {
    TUniProvider* provider = CheckProvider();
    if (!iConnection_) {
        std::unique_ptr<TCRConnection> connection;
        if (Pooling() && provider->SupportsPooling()) {
            connection = PooledInternalConnection(provider->GetConnectionParametersClass(),
                                                  provider->GetConnectionPoolManagerClass(),
                                                  [&](TCRConnectionParameters& key) {
                                                      if (provider->SupportsDatabase())
                                                          key.SetSpecific(prDatabase, database_);
                                                      if (provider->SupportsPort())
                                                          key.SetSpecific(prPort, port_);
                                                      provider->ApplyProviderOptions(&key, SpecificOptions());
                                                  });
        } else {
            connection = provider->GetInternalConnectionClass()->Create<TCRConnection>();
            if (provider->SupportsDatabase()) connection->SetProp(prDatabase, database_);
            if (provider->SupportsPort()) connection->SetProp(prPort, port_);
        }
        connection->SetProp(prDisconnectedMode, Options()->DisconnectedMode());
        connection->SetProp(prEnableBCD, Options()->EnableBCD());
        connection->SetProp(prEnableFmtBCD, Options()->EnableFMTBCD());
        provider->ApplyProviderOptions(connection.get(), SpecificOptions());
        specificOptions_->IsModified = false;
        SetInternalConnection(std::move(connection));
        return;
    }
    if (specificOptions_->IsModified) {
        provider->ApplyProviderOptions(iConnection_.get(), SpecificOptions());
        specificOptions_->IsModified = false;
    }
}

void TUniConnection::DoConnect() {
    try {
        TCustomDAConnection::DoConnect();
    } catch (...) {
        ReraiseAsUniError();
    }
    if (provider_ && provider_->SupportsDatabase() && database_.empty() && iConnection_) {
        Variant value;
        if (iConnection_->GetProp(prDatabase, value)) database_ = VarToStr(value);
    }
}

void TUniConnection::DoDisconnect() {
    try {
        TCustomDAConnection::DoDisconnect();
    } catch (...) {
        ReraiseAsUniError();
    }
}

void TUniConnection::DoError(Exception& e, bool& fail, bool& reconnect, bool& reexecute, int reconnectAttempt,
                             TConnLostCause& connLostCause) {
    auto* error = dynamic_cast<EDAError*>(&e);
    if (!error) {
        TCustomDAConnection::DoError(e, fail, reconnect, reexecute, reconnectAttempt, connLostCause);
        return;
    }
    EUniError temporary(*error);
    TCustomDAConnection::DoError(temporary, fail, reconnect, reexecute, reconnectAttempt, connLostCause);
}

void TUniConnection::MacrosModified() {
    macrosChanged_ = true;
    ++macrosVersion_;
}

void TUniConnection::EnsureFormatter() {
    TClass cls = CheckProvider()->GetSqlFormatterClass();
    if (!sqlFormatter_ || sqlFormatter_->ClassType() != cls) {
        sqlFormatter_ = cls->Create<TUniSqlFormatter>();
        sqlFormatter_->SetUserMacros(macroNames_.get(), macroValues_.get());
        sqlFormatter_->ParserClass = provider_->GetParserClass();
    }
}

void TUniConnection::ExpandSQL(AnsiString& text) {
    if (!provider_) return;
    EnsureFormatter();
    if (macrosChanged_) RebuildMacros();
    sqlFormatter_->Expand(text);
}

void TUniConnection::RebuildMacros() {
    EnsureFormatter();
    macroNames_->Clear();
    macroValues_->Clear();
    TStringList unconditional;
    for (int i = 0; i < macros_->Count(); ++i) {
        const TUniMacro& item = macros_->Items(i);
        const AnsiString cond = Trim(UpperText(item.Condition));
        if (!cond.empty() && !IsMacroActive(1, cond)) continue;
        const AnsiString name = UpperText(item.Name);
        const int at = macroNames_->IndexOf(name);
        if (at < 0) {
            macroNames_->Add(name);
            macroValues_->Add(item.Value);
        } else if (!cond.empty()) {
            const int u = unconditional.IndexOf(name);
            if (u >= 0) {
                macroValues_->SetStrings(at, item.Value);
                unconditional.Delete(u);
            }
        }
        if (cond.empty()) unconditional.Add(name);
    }
    macrosChanged_ = false;
}

bool TUniConnection::IsMacroActive(int depth, const AnsiString& condition) {
    if (macros_->Count() < depth) DatabaseError("Cyclic macros conditions");
    EnsureFormatter();
    if (sqlFormatter_->IsMacroDefined(condition)) return true;
    for (int i = 0; i < macros_->Count(); ++i) {
        const TUniMacro& item = macros_->Items(i);
        if (UpperText(item.Name) != condition) continue;
        const AnsiString cond2 = Trim(UpperText(item.Condition));
        if (cond2.empty() || IsMacroActive(depth + 1, cond2)) return true;
    }
    return false;
}
