#pragma once
// Provider-neutral internal objects: connection, command with its parameter descriptors, and
// transaction. A provider derives from them and supplies the input and output; components talk to
// them through the numbered properties of CRProps.h.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "data/access/CRProps.h"
#include "data/access/CRSQLInfo.h"
#include "data/memory/CompressedBlob.h"
#include "platform/core/ObjectModel.h"
#include "platform/core/Variant.h"

class AnsiStringBuilder;
class TParser;
struct TSQLParserClass;
class TCRConnection;
class TCRCommand;
class TCRTransaction;
class TMTSTransaction;
class TCRIOHandler;
class TCRCursor;

// Consistency check of this unit: raises EAssertionFailed naming CRAccess and the line.
[[noreturn]] void CRAccessAssertFailed(const AnsiString& message, int line);
// A numbered property id that no layer knows: the id is the message.
[[noreturn]] void CRAccessUnknownProp(int prop, int line);

// Elapsed milliseconds between two tick counts; right across a wrap of the counter.
inline uint32_t GetTickInterval(uint32_t startTick, uint32_t finishTick) {
    return finishTick - startTick;
}

enum TConnLostCause : uint8_t {
    clUnknown,
    clExecute,
    clOpen,
    clRefresh,
    clApply,
    clServiceQuery,
    clTransStart,
    clConnectionApply,
    clConnect
};

// Tells a component to repeat its operation: the lost connection has been re-established.
class EFailOver : public Exception {
public:
    explicit EFailOver(TConnLostCause cause) : Exception(""), ConnLostCause(cause) {}
    TConnLostCause ConnLostCause;
};

// The owner's error handler. fail: raise the error afterwards (else abort silently); reconnect and
// reexecute: the handler's wishes; reconnectAttempt counts from 0.
using TErrorProc = std::function<void(Exception& e, bool& fail, bool& reconnect, bool& reexecute,
                                      int reconnectAttempt, TConnLostCause& connLostCause)>;
using TReconnectProc = std::function<void()>;

// What a connection needs of the pool that handed it out; the pool implements it.
class TCRConnectionPoolLink {
public:
    virtual ~TCRConnectionPoolLink() = default;
    virtual void PutConnection(TCRConnection* connection) = 0;
};

// Internal connections, not owned.
class TCRConnections {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises EListError "List index out of bounds (%d)".
    TCRConnection* Items(int index) const;
    TCRConnection* operator[](int index) const { return Items(index); }
    int IndexOf(const TCRConnection* connection) const;
    void Add(TCRConnection* connection) { items_.push_back(connection); }
    void Delete(int index) { items_.erase(items_.begin() + index); }
    void Clear() { items_.clear(); }

private:
    std::vector<TCRConnection*> items_;
};

// ---------------------------------------------------------------------------------------------
// Transaction

enum TCRIsolationLevel : uint8_t {
    ilReadCommitted,
    ilReadUnCommitted,
    ilRepeatableRead,
    ilIsolated,
    ilSnapshot,
    ilCustom
};
enum TCRTransactionAction { taCommit, taRollback };

class TCRTransaction : public TObject {
public:
    VZ_CLASS(TCRTransaction, TObject)
    TCRTransaction() = default;

    // Answers whether the list changed.
    virtual bool AddConnection(TCRConnection* connection);
    virtual bool RemoveConnection(TCRConnection* connection);
    virtual bool SetProp(int prop, const Variant& value);
    virtual bool GetProp(int prop, Variant& value);
    virtual bool GetInTransaction() { return active_; }
    virtual bool DetectInTransaction() { return GetInTransaction(); }
    // Mirrors another transaction's state without owning it.
    virtual void AssignConnect(TCRTransaction* source);
    virtual void StartTransaction();
    virtual void Commit();
    virtual void Rollback();
    virtual void CommitRetaining();
    virtual void RollbackRetaining();
    virtual void Savepoint(const AnsiString& name);
    virtual void ReleaseSavepoint(const AnsiString& name);
    virtual void RollbackToSavepoint(const AnsiString& name);
    virtual void Reset() { active_ = false; }
    virtual bool CanRestoreAfterFailover() { return false; }

    // Raise "Can't perform operation on active/inactive transaction".
    void CheckInactive() const;
    void CheckActive() const;

    const TCRConnections& Connections() const { return connections_; }
    TCRIsolationLevel IsolationLevel() const { return isolationLevel_; }
    bool ReadOnly() const { return readOnly_; }
    bool Native() const { return native_; }

    TObject* Component = nullptr; // the transaction component that attached this object
    TErrorProc OnError;

protected:
    bool active_ = false;
    TCRConnections connections_;
    TCRIsolationLevel isolationLevel_ = ilReadCommitted;
    bool readOnly_ = false;
    bool native_ = true;
};

// ---------------------------------------------------------------------------------------------
// Connection

class TCRConnection : public TObject {
public:
    VZ_CLASS(TCRConnection, TObject)
    TCRConnection() = default;
    // A provider disconnects in its own destructor: the base can no longer reach its Disconnect.
    ~TCRConnection() override;

    virtual std::unique_ptr<TSQLInfo> CreateSQLInfo();
    // Raise "MS DTC transactions not supported".
    virtual void Enlist(TMTSTransaction* transaction);
    virtual void UnEnlist(TMTSTransaction* transaction);
    // Runs the owner's error handler and the reconnect loop it asks for; raises EFailOver when a
    // reconnect succeeded and the handler wants the operation repeated.
    virtual void ProcessError(Exception& e, bool& fail);
    virtual TClass GetCommandClass() = 0;
    virtual TClass GetTransactionClass() = 0;
    // A provider calls this after it has connected.
    virtual void Connect(const AnsiString& connectString);
    virtual void Disconnect() = 0;
    virtual void Assign(TCRConnection* source);
    virtual void AssignConnect(TCRConnection* source) = 0;
    virtual void SetUsername(const AnsiString& value) { username_ = value; }
    virtual void SetPassword(const AnsiString& value) { password_ = value; }
    virtual void SetServer(const AnsiString& value) { server_ = value; }
    virtual bool CheckIsValid() = 0;
    virtual void ReturnToPool();
    virtual AnsiString GetServerVersion() = 0;
    virtual AnsiString GetServerVersionFull() = 0;
    virtual AnsiString GetClientVersion() = 0;
    virtual bool CanChangeDatabase() { return true; }
    virtual bool SetProp(int prop, const Variant& value);
    virtual bool GetProp(int prop, Variant& value);

    // The dialect object, created on first use.
    TSQLInfo* GetSQLInfo();
    // The default transaction of the provider's class, created on first use (the provider's class
    // factory cannot be reached from the base constructor) with this connection in its list.
    TCRTransaction* GetInternalTransaction();
    bool GetConnected() const { return connected_; }

    const AnsiString& Username() const { return username_; }
    const AnsiString& Password() const { return password_; }
    const AnsiString& Server() const { return server_; }
    bool AutoCommit() const { return autoCommit_; }
    bool ConvertEOL() const { return convertEOL_; }
    bool DisconnectedMode() const { return disconnectedMode_; }
    bool EnableBCD() const { return enableBCD_; }
    bool EnableFMTBCD() const { return enableFMTBCD_; }
    uint8_t DefaultSortType() const { return defaultSortType_; }
    bool NativeConnection() const { return nativeConnection_; }
    bool Reconnected() const { return reconnected_; }
    uint32_t ConnectTime() const { return connectTime_; }

    TErrorProc OnError;
    TReconnectProc OnReconnectError;
    TReconnectProc OnReconnectSuccess;
    bool IsValid = true;
    TCRConnectionPoolLink* Pool = nullptr;
    int PoolVersion = 0;
    TObject* Component = nullptr; // owner component, named in provider errors
    TCRIOHandler* IOHandler = nullptr;

protected:
    uint32_t connectTime_ = 0;
    std::unique_ptr<TSQLInfo> sqlInfo_;
    std::unique_ptr<TCRTransaction> internalTransaction_;
    bool connected_ = false;
    bool nativeConnection_ = true;
    AnsiString username_;
    AnsiString password_;
    AnsiString server_;
    bool autoCommit_ = false;
    bool convertEOL_ = false;
    bool disconnectedMode_ = false;
    bool enableBCD_ = false;
    bool enableFMTBCD_ = false;
    bool inProcessError_ = false;
    bool reconnected_ = false;
    uint8_t defaultSortType_ = 0; // stCaseSensitive
};

// ---------------------------------------------------------------------------------------------
// Parameter descriptors

// Parameter directions.
constexpr uint8_t pdUnknown = 0;
constexpr uint8_t pdInput = 1;
constexpr uint8_t pdOutput = 2;
constexpr uint8_t pdInputOutput = 3;
constexpr uint8_t pdResult = 4;

class TParamDesc : public TObject {
public:
    VZ_CLASS(TParamDesc, TObject)
    TParamDesc() = default;

    virtual void SetDataType(uint16_t value) { dataType_ = value; }
    virtual void SetSubDataType(int16_t value) { subDataType_ = value; }
    virtual void SetParamType(uint8_t value) { paramType_ = value; }
    virtual void SetSize(int value) { size_ = value; }
    virtual Variant GetValue() const { return value_; }
    // Answers whether the parameter is now null.
    virtual bool SetValue(const Variant& value);
    // The provider's by-reference object; nullptr when there is no value.
    virtual void* GetValuePtr() const;
    virtual void SetValuePtr(void* value);
    virtual bool GetNull() const { return isNull_; }
    virtual void SetNull(bool value);
    virtual void SetIsBound(bool value) { isBound_ = value; }
    virtual bool GetNational() const { return national_; }
    virtual void SetNational(bool value) { national_ = value; }

    const AnsiString& GetName() const { return name_; }
    void SetName(const AnsiString& value) { name_ = value; }
    uint16_t GetDataType() const { return dataType_; }
    int16_t GetSubDataType() const { return subDataType_; }
    uint8_t GetParamType() const { return paramType_; }
    int GetSize() const { return size_; }
    bool GetIsBound() const { return isBound_; }
    bool GetConvertEOL() const { return convertEOL_; }
    void SetConvertEOL(bool value) { convertEOL_ = value; }

protected:
    AnsiString name_;
    uint16_t dataType_ = 0;
    int16_t subDataType_ = 0;
    uint8_t paramType_ = pdUnknown;
    int size_ = 0;
    Variant value_;
    void* valuePtr_ = nullptr; // set only while the value is held by reference
    bool isNull_ = false;
    bool isBound_ = true;
    bool convertEOL_ = false;
    bool national_ = false;
};

// Owning list of descriptors.
class TParamDescs {
public:
    TParamDescs() = default;
    TParamDescs(const TParamDescs&) = delete;
    TParamDescs& operator=(const TParamDescs&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    // Raises EListError "List index out of bounds (%d)".
    TParamDesc* Items(int index) const;
    TParamDesc* operator[](int index) const { return Items(index); }
    int Add(TParamDesc* item); // takes ownership
    // First descriptor of that name, ignoring case; nullptr when none.
    TParamDesc* FindParam(const AnsiString& name) const;
    int IndexOf(const TParamDesc* item) const;
    void Delete(int index);
    void Clear() { items_.clear(); }
    void Swap(TParamDescs& other) noexcept { items_.swap(other.items_); }

private:
    std::vector<std::unique_ptr<TParamDesc>> items_;
};

// ---------------------------------------------------------------------------------------------
// Command

// Cursor states a provider keeps; above csPrepared a result set is open.
constexpr uint8_t csInactive = 0;
constexpr uint8_t csPrepared = 3;
constexpr uint8_t csExecuted = 7;
constexpr uint8_t csFetching = 8;
constexpr uint8_t csFetchingAll = 9;
constexpr uint8_t csFetched = 10;

class TCRCommand : public TObject {
public:
    VZ_CLASS(TCRCommand, TObject)
    TCRCommand() = default;
    ~TCRCommand() override;

    virtual std::unique_ptr<TSQLInfo> CreateSQLInfo();
    // Class-level factories of the provider.
    virtual TClass GetTableInfoClass() const { return TCRTableInfo::StaticClass(); }
    virtual TClass GetSQLInfoClass() const { return TSQLInfo::StaticClass(); }
    // Every provider names its lexer; the base fails its consistency check.
    virtual const TSQLParserClass* GetParserClass() const;
    virtual TClass GetParamDescClass() const { return TParamDesc::StaticClass(); }

    virtual void Prepare() { SetCursorState(csPrepared); }
    virtual void Unprepare() { SetCursorState(csInactive); }
    virtual bool GetPrepared() = 0;
    virtual void Execute() = 0;
    virtual void SetConnection(TCRConnection* value) { connection_ = value; }
    virtual void SetTransaction(TCRTransaction* /*value*/) {}
    virtual uint8_t GetCursorState() = 0;
    virtual void SetCursorState(uint8_t value) = 0;
    // Keeps the text and the final SQL with "?" for each :name; an unchanged text is not scanned
    // again. A scan error leaves text, final SQL and parameters as they were.
    virtual void SetSQL(const AnsiString& value);
    // The parameter scan: params (may be null) receives a descriptor per reference; without
    // params, renamePrefix (when not empty) replaces the colon.
    virtual AnsiString ParseSQL(const AnsiString& sql, TParamDescs* params, const AnsiString& renamePrefix);
    // Call text of a stored procedure; with needDescribe the parameters come from the server.
    virtual AnsiString CreateProcCall(const AnsiString& name, bool needDescribe) = 0;
    virtual TParamDesc* AddParam();
    virtual TCRCursor* GetCursor() { return nullptr; }
    // Raises "Operation is not supported by the database".
    virtual void SetCursor(TCRCursor* value);
    virtual bool SetProp(int prop, const Variant& value);
    virtual bool GetProp(int prop, Variant& value);
    virtual void BreakFetch() {}

    // The connection's dialect when a connection is attached, else the command's own.
    TSQLInfo* GetSQLInfo();
    void RescanParams();
    TCRConnection* GetConnection() const { return connection_; }
    int ParamCount() const { return params_.Count(); }
    TParamDesc* GetParam(int index) const { return params_.Items(index); }
    TParamDesc* FindParam(const AnsiString& name) const { return params_.FindParam(name); }
    void DeleteParam(int index) { params_.Delete(index); }
    TParamDescs& Params() { return params_; }

    const AnsiString& SQL() const { return userSQL_; }
    const AnsiString& FinalSQL() const { return finalSQL_; }
    bool AutoCommit() const { return autoCommit_; }
    bool Executing() const { return executing_; }
    bool ScanParams() const { return scanParams_; }
    bool DisableParamScan() const { return disableParamScan_; }
    bool QuoteNames() const { return quoteNames_; }
    TCompressBlobMode CompressBlob() const { return compressBlob_; }
    bool EnableBCD() const { return enableBCD_; }
    bool EnableFMTBCD() const { return enableFMTBCD_; }

    TObject* Component = nullptr; // the dataset or SQL component the command works for
    std::function<void(bool result)> OnAfterExecute;
    std::function<void()> OnReadParams;

protected:
    // Handles the lexeme after one ":" found by the scan.
    virtual void ParseSQLParam(AnsiStringBuilder& builder, TParser& parser, TParamDescs* params,
                               const AnsiString& renamePrefix, char rightQuote, char leftQuote);

    std::unique_ptr<TSQLInfo> sqlInfo_;
    TCRConnection* connection_ = nullptr;
    AnsiString finalSQL_;
    AnsiString userSQL_;
    TParamDescs params_;
    bool autoCommit_ = false;
    bool executing_ = false;
    bool scanParams_ = true;
    bool disableParamScan_ = false;
    bool quoteNames_ = false;
    TCompressBlobMode compressBlob_ = cbNone;
    bool enableBCD_ = false;
    bool enableFMTBCD_ = false;

private:
    // Scans the user SQL into a fresh list; on success the list and final SQL replace the old.
    void ScanInto(const AnsiString& sql);
};
