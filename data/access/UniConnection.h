#pragma once
// The unified connection: the provider picked by name gives every internal class; provider
// options as "Provider.Name=Value" lines; connection macros for the SQL escapes; every
// data-access error re-raised as EUniError.
#include <exception>
#include <functional>
#include <memory>

#include "data/access/DAConnection.h"
#include "data/access/DATransaction.h"
#include "data/access/UniProvider.h"
#include "data/access/UniSqlFormatter.h"
#include "platform/core/StringLists.h"

class TUniConnection;

// A data-access error as the unified components raise it. The wrapped error is kept alive through
// an exception pointer, so InnerError stays valid after the handler that caught it has ended.
class EUniError : public EDAError {
public:
    // Wraps the exception being handled when it is an EDAError.
    explicit EUniError(std::exception_ptr inner);
    // Refers to inner without owning it (the temporary that OnError receives).
    explicit EUniError(EDAError& inner);

    EDAError* InnerError() const { return inner_; }
    bool IsFatalError() const override { return inner_ && inner_->IsFatalError(); }
    bool IsKeyViolation() const override { return inner_ && inner_->IsKeyViolation(); }

private:
    std::exception_ptr owned_;
    EDAError* inner_ = nullptr;
};

// Re-raises the exception being handled: an EDAError wrapped in a new EUniError, an EUniError and
// anything else unchanged. Call only inside a catch block.
[[noreturn]] void ReraiseAsUniError();

// Option lines "Provider.Name=Value"; a line without a prefix gets the provider's name.
class TSpecificOptionsList : public TStringList {
public:
    VZ_CLASS(TSpecificOptionsList, TStringList)
    explicit TSpecificOptionsList(std::function<TUniProvider*()> getProvider = nullptr)
        : getProvider_(std::move(getProvider)) {}
    // Falls back to the provider-prefixed name.
    int IndexOfName(const AnsiString& name) const override;

protected:
    void Put(int index, const AnsiString& s) override;
    void InsertItem(int index, const AnsiString& s, TObject* object) override;

private:
    AnsiString Prefixed(const AnsiString& s) const;
    AnsiString ProviderPrefix() const;
    std::function<TUniProvider*()> getProvider_;
};

class TSpecificOptionsHolder : public TObject {
public:
    VZ_CLASS(TSpecificOptionsHolder, TObject)
    explicit TSpecificOptionsHolder(std::function<TUniProvider*()> getProvider);
    TSpecificOptionsList* Values() const { return values_.get(); }
    bool IsModified = false;

protected:
    virtual void ValuesChanging() {}
    virtual void ValuesChanged() { IsModified = true; }

private:
    std::unique_ptr<TSpecificOptionsList> values_;
};

class TUniConnectionSpecificOptions : public TSpecificOptionsHolder {
public:
    TUniConnectionSpecificOptions(TUniConnection* owner, std::function<TUniProvider*()> getProvider)
        : TSpecificOptionsHolder(std::move(getProvider)), owner_(owner) {}

protected:
    void ValuesChanging() override;

private:
    TUniConnection* owner_;
};

// One connection macro: a name with its value, active when its condition is.
struct TUniMacro {
    AnsiString Name, Value, Condition;
};

// The connection's macros; every change marks the connection.
class TUniMacros {
public:
    explicit TUniMacros(TUniConnection* owner) : owner_(owner) {}
    int Count() const { return static_cast<int>(items_.size()); }
    const TUniMacro& Items(int index) const { return items_.at(static_cast<size_t>(index)); }
    void Add(const AnsiString& name, const AnsiString& value, const AnsiString& condition = AnsiString());
    void SetValue(int index, const AnsiString& value);
    void Delete(int index);
    void Clear();

private:
    void Changed();
    TUniConnection* owner_;
    std::vector<TUniMacro> items_;
};

class TUniTransaction : public TDATransaction {
public:
    VZ_CLASS(TUniTransaction, TDATransaction)
    explicit TUniTransaction(TComponent* owner) : TDATransaction(owner) {}
    ~TUniTransaction() override { NotifyDestroyed(); }
    bool AutoCommitsExplicit() override { return false; }
    TClass GetSQLMonitorClass() override;
    // Refused on an inactive transaction.
    void Commit() override;
    void Rollback() override;
    void Savepoint(const AnsiString& name) override;
    void ReleaseSavepoint(const AnsiString& name) override;
    void RollbackToSavepoint(const AnsiString& name) override;

protected:
    TClass GetInternalTransactionClass() override;

private:
    void CheckActive();
};

// Names the connect dialog class of unified connections; nothing in the system installs one, so
// they prompt for no login.
using TConnectDialogClassHook = std::function<TClass()>;
void SetConnectDialogClassHook(TConnectDialogClassHook hook);

class TUniConnection : public TCustomDAConnection {
public:
    VZ_CLASS(TUniConnection, TCustomDAConnection)
    explicit TUniConnection(TComponent* owner = nullptr);
    ~TUniConnection() override;

    const AnsiString& ProviderName() const { return providerName_; }
    void SetProviderName(const AnsiString& value);
    const AnsiString& Database() const { return database_; }
    void SetDatabase(const AnsiString& value);
    int Port() const { return port_; }
    void SetPort(int value);
    TSpecificOptionsList* SpecificOptions() const { return specificOptions_->Values(); }
    TUniMacros* Macros() const { return macros_.get(); }

    bool HasProvider() const { return provider_ != nullptr; }
    // The provider; the not-registered error when there is none.
    TUniProvider* CheckProvider() const;

    TClass GetConnectDialogClass() override;
    std::unique_ptr<TCustomDADataSet> CreateDataSet() override;
    TClass GetInternalConnectionClass() override;
    TClass GetInternalCommandClass() override;
    TClass GetInternalMetaDataClass() override;
    TClass GetSQLMonitorClass() override;
    TClass GetInternalRecordSetClass();
    bool IsMultipleTransactionsSupported() override;
    bool GetInTransaction() override;
    TDATransaction* UsedTransaction() override;
    TUniTransaction* StatementTransaction() const { return statementTransaction_.get(); }

    void StartTransaction() { StartTransactionWithLevel(ilReadCommitted, false); }
    void StartTransactionWithLevel(TCRIsolationLevel level, bool readOnly);
    void AssignConnect(TUniConnection* source);

    // Escapes and connection macros expanded; unchanged without a provider.
    void ExpandSQL(AnsiString& text);
    void RebuildMacros();
    bool IsMacroActive(int depth, const AnsiString& condition);
    int MacrosVersion() const { return macrosVersion_; }
    TStrings* MacroNames() const { return macroNames_.get(); }
    TStrings* MacroValues() const { return macroValues_.get(); }

    void DoError(Exception& e, bool& fail, bool& reconnect, bool& reexecute, int reconnectAttempt,
                 TConnLostCause& connLostCause) override;

protected:
    friend class TUniMacros;
    void CreateInternalConnection() override;
    void DoConnect() override;
    void DoDisconnect() override;
    AnsiString GetProviderText() override;
    std::unique_ptr<TDATransaction> CreateTransaction() override;
    std::unique_ptr<TCustomDASQL> CreateSQL() override;

private:
    void EnsureFormatter();
    void MacrosModified();

    AnsiString providerName_;
    TUniProvider* provider_ = nullptr;
    int port_ = 0;
    AnsiString database_;
    std::unique_ptr<TUniConnectionSpecificOptions> specificOptions_;
    std::unique_ptr<TUniMacros> macros_;
    std::unique_ptr<TUniSqlFormatter> sqlFormatter_;
    std::unique_ptr<TStringList> macroNames_, macroValues_;
    bool macrosChanged_ = true;
    int macrosVersion_ = 0;
    std::unique_ptr<TUniTransaction> statementTransaction_;
};
