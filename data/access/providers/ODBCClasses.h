#pragma once
// The internal objects of the ODBC provider: connection, transaction, command with its parameter
// descriptors, dialect and lexer. Every call reaches the driver manager through the process-wide
// binding of ODBCCall.h; failed calls become EODBCError through the connection's error processing.
#include <cstdint>
#include <memory>
#include <vector>

#include "data/access/CRAccess.h"
#include "data/access/providers/ODBCCall.h"
#include "data/memory/CRParser.h"

class TODBCConnection;
class TODBCCommand;
class TBlob;
class TCRRecordSet;
struct TBlobPieceHeader;

enum TDSNType : uint8_t { ntAuto, ntName, ntFile, ntConnectionString };

// ---------------------------------------------------------------------------------------------

class TODBCParser : public TSQLParser {
public:
    using TSQLParser::TSQLParser;
};

class TODBCSQLInfo : public TSQLInfo {
public:
    VZ_CLASS(TODBCSQLInfo, TSQLInfo)
    TODBCSQLInfo() = default;
    // The connection's identifier case; mixed while no connection is linked.
    int IdentCase() const override;
    TODBCConnection* Connection = nullptr;
};

// ---------------------------------------------------------------------------------------------

class TODBCParamDesc : public TParamDesc {
public:
    VZ_CLASS(TODBCParamDesc, TParamDesc)
    TODBCParamDesc();
    ~TODBCParamDesc() override;

    // Each frees the buffer when the value changes in a way the buffer depends on.
    void SetDataType(uint16_t value) override;
    void SetParamType(uint8_t value) override;
    void SetSize(int value) override;

    // Allocates the zero-filled buffer of the data type when there is none. Raises "Unknown data
    // type" for type 0 and "Data type is not supported" for a type no buffer is known for.
    void AllocBuffer();
    void FreeBuffer();
    // Fills the buffer and the indicator from the value.
    void WriteValue(bool isInputOnly, bool keepEmptyStrings, int& precision, int& scale, bool& dataAtExec);
    // Reads the value back from the buffer after execution; never past the buffer.
    void ReadValue();

    // The object the value holds by reference (a blob); nullptr when none.
    TObject* ValueObject() const { return static_cast<TObject*>(valuePtr_); }
    void* Buffer() const { return buffer_; }
    int BufferSize() const { return bufferSize_; }
    SQLLEN* Indicator() const { return indicator_; }

    bool SendFraction = true;

private:
    void* buffer_ = nullptr;
    int bufferSize_ = -1;
    SQLLEN* indicator_;
};

// ---------------------------------------------------------------------------------------------

class TODBCCommand : public TCRCommand {
public:
    VZ_CLASS(TODBCCommand, TCRCommand)
    TODBCCommand() = default;
    ~TODBCCommand() override;

    TClass GetSQLInfoClass() const override { return TODBCSQLInfo::StaticClass(); }
    const TSQLParserClass* GetParserClass() const override;
    TClass GetParamDescClass() const override { return TODBCParamDesc::StaticClass(); }
    void SetConnection(TCRConnection* value) override;
    // Raises "Connection is not defined"; a failed preparation leaves no statement handle.
    void Prepare() override;
    void Unprepare() override;
    bool GetPrepared() override { return stmt_ != nullptr; }
    void Execute() override;
    uint8_t GetCursorState() override { return cursorState_; }
    void SetCursorState(uint8_t value) override;
    // {call P(:A, :B)} or, with a result parameter first, {:R = call P(:A, :B)}; the final SQL
    // gets the same with "?".
    AnsiString CreateProcCall(const AnsiString& name, bool needDescribe) override;
    bool SetProp(int prop, const Variant& value) override;
    bool GetProp(int prop, Variant& value) override;

    virtual void InternalPrepare();
    virtual void InternalExecute();
    virtual SQLSMALLINT GetCType(uint16_t dataType, int16_t subType);
    virtual SQLSMALLINT GetSQLType(uint16_t dataType, int16_t subType);
    virtual void AdjustParamSize(TODBCParamDesc* param, SQLULEN& columnSize, SQLSMALLINT& decimalDigits);
    virtual SQLULEN LongBinaryLength(SQLULEN columnSize);

    void Check(SQLRETURN code);
    TODBCCli* GetCli();
    void BindParams();
    void SendDataAtExec();
    void PutParamData(TODBCParamDesc* param);
    void ReadOutParams();
    static SQLSMALLINT GetParamIOType(uint8_t paramType);
    AnsiString RemoveComments(const AnsiString& text);
    // Reads the procedure's parameters from the catalog.
    virtual void DescribeProcParams(const AnsiString& name);
    // A long value of the current row read piecewise with SQLGetData into the blob. The shared
    // piece (when given) takes the first piece; False for NULL and for an empty value.
    bool ReadLongData(TBlob* blob, int column, TBlobPieceHeader*& sharedPiece, uint16_t dataType);
    // ODBC column or parameter description to a data type code.
    void GetFieldDataType(SQLSMALLINT sqlType, SQLULEN columnSize, SQLSMALLINT decimalDigits,
                          bool fieldsAsString, bool flatBuffers, bool longStrings, uint16_t& dataType,
                          int16_t& subType, int& length, int& scale, bool& fixed);

    SQLHSTMT StatementHandle() const { return stmt_; }
    int RowsAffected() const { return rowsAffected_; }
    TODBCConnection* Connection() const { return odbcConnection_; }

    bool ExecutingForRecordSet = false;
    int CommandTimeout = 0;

protected:
    SQLHSTMT stmt_ = nullptr;
    uint8_t cursorState_ = csInactive;
    int rowsAffected_ = 0;
    TODBCConnection* odbcConnection_ = nullptr;

private:
    // What each parameter was last bound with on this statement: the same call is not repeated.
    struct BoundParam {
        SQLSMALLINT io, cType, sqlType;
        SQLULEN columnSize;
        SQLSMALLINT digits;
        SQLPOINTER value;
        SQLLEN bufferLength;
        SQLLEN* indicator;
        bool operator==(const BoundParam&) const = default;
    };
    std::vector<BoundParam> bound_;
    // Closes the cursor of a prepared statement after a plain execution, when it has one.
    void CloseResultSet();
};

// ---------------------------------------------------------------------------------------------

class TODBCTransaction : public TCRTransaction {
public:
    VZ_CLASS(TODBCTransaction, TCRTransaction)
    TODBCTransaction() = default;

    void StartTransaction() override;
    void Commit() override;
    void Rollback() override;
    void Savepoint(const AnsiString& name) override;
    void ReleaseSavepoint(const AnsiString& name) override;
    void RollbackToSavepoint(const AnsiString& name) override;

private:
    TODBCConnection* FirstConnection() const;
    void EndTransaction(SQLSMALLINT completion);
};

// ---------------------------------------------------------------------------------------------

class TODBCConnection : public TCRConnection {
public:
    VZ_CLASS(TODBCConnection, TCRConnection)
    TODBCConnection();
    ~TODBCConnection() override;

    std::unique_ptr<TSQLInfo> CreateSQLInfo() override;
    TClass GetCommandClass() override { return TODBCCommand::StaticClass(); }
    TClass GetTransactionClass() override { return TODBCTransaction::StaticClass(); }
    void Connect(const AnsiString& connectString) override;
    void Disconnect() override;
    void Assign(TCRConnection* source) override;
    void AssignConnect(TCRConnection* source) override;
    bool CheckIsValid() override { return true; }
    AnsiString GetServerVersion() override;
    AnsiString GetServerVersionFull() override;
    AnsiString GetClientVersion() override;
    bool CanChangeDatabase() override { return false; }
    bool SetProp(int prop, const Variant& value) override;
    bool GetProp(int prop, Variant& value) override;

    virtual AnsiString GetConnectionString();
    virtual TODBCCli* GetCli() { return GetODBCCli(); }
    virtual void AfterDriverConnect() {}
    virtual bool SupportsComments() { return true; }
    virtual bool KeepsEmptyStrings() { return true; }
    virtual bool IsODBC3Driver() { return odbcVersion_ >= 0x300; }
    virtual bool ReportsReturnValue() { return true; }
    virtual bool OutParamsAreInOut() { return false; }
    // Raises the error of the handle's first diagnostic record unless the error handler turns it
    // into a silent abort (EAbort) or a repeat after reconnecting (EFailOver).
    virtual void ProcessODBCError(SQLSMALLINT handleType, SQLHANDLE handle, TObject* component,
                                  SQLRETURN code);
    virtual AnsiString GetCurrentCatalog() { return AnsiString(); }
    AnsiString GetCachedCatalog();
    virtual AnsiString GetCurrentSchema() { return AnsiString(); }
    AnsiString GetCachedSchema();

    void Check(SQLRETURN code);
    AnsiString GetInfoText(SQLUSMALLINT infoType);
    bool IsDriverInstalled(const AnsiString& description);
    // Runs a statement of the connection's own (savepoints) through the internal record set.
    void ExecSQL(const AnsiString& text);
    virtual TClass GetRecordSetClass();
    TCRRecordSet* GetInternalRecordSet();

    TODBCCli* Cli() const { return cli_; }
    SQLHDBC ConnectionHandle() const { return hdbc_; }
    uint16_t ODBCVersion() const { return odbcVersion_; }
    int IdentifierCase() const { return identCase_; }

    bool UseUnicode = false;
    int ConnectionTimeout = 0;
    TDSNType DSNType = ntAuto;
    bool DetectFieldsOnPrepare = true;

protected:
    void ReadDriverInfo();

    TODBCCli* cli_ = nullptr;
    SQLHDBC hdbc_ = nullptr;
    uint16_t odbcVersion_ = 0;
    int identCase_ = icMixed;
    std::unique_ptr<TCRRecordSet> internalRecordSet_;
    AnsiString cachedCatalog_;
    AnsiString cachedSchema_;
};

// A value of a connection string: braced when it holds ";" or starts with "{" (a "}" inside is
// doubled), else as it is.
AnsiString ODBCConnectionValue(const AnsiString& value);
