#pragma once
// The SQL statement component: one statement that returns no rows, with its parameters and
// macros, run through the provider's command inside the connection's use and transaction.
#include <functional>
#include <memory>
#include <vector>

#include "data/access/CRAccess.h"
#include "data/access/DBAccess.h"
#include "data/access/Macros.h"
#include "platform/core/Components.h"
#include "platform/core/StringLists.h"

class TCustomDAConnection;
class TDATransaction;
class TDataTypesMap;
class TBlob;

using TAfterExecuteEvent = std::function<void(TObject* sender, bool result)>;

class TCustomDASQL : public TComponent, public TMacrosOwner {
public:
    VZ_CLASS(TCustomDASQL, TComponent)
    explicit TCustomDASQL(TComponent* owner);
    ~TCustomDASQL() override;

    TCustomDAConnection* Connection() const { return connection_; }
    void SetConnection(TCustomDAConnection* value);
    TDATransaction* Transaction() const { return transaction_; }
    void SetTransaction(TDATransaction* value);
    TStringList* SQL() const { return sql_.get(); }
    TDAParams* Params() const { return params_.get(); }
    TDAParam* ParamByName(const AnsiString& name) const { return params_->ParamByName(name); }
    TMacros* Macros() const { return macros_.get(); }
    TMacro* MacroByName(const AnsiString& name) const { return macros_->MacroByName(name); }
    bool ParamCheck() const { return paramCheck_; }
    void SetParamCheck(bool value);
    bool AutoCommit() const { return autoCommit_; }
    void SetAutoCommit(bool value);
    TCRCommand* ICommand() const { return command_.get(); }

    virtual TCustomDAConnection* UsedConnection() const { return connection_; }
    virtual TDATransaction* UsedTransaction() const;

    bool Prepared() const;
    void SetPrepared(bool value) { value ? Prepare() : Unprepare(); }
    virtual void Prepare();
    virtual void Unprepare();
    void Execute() { ExecuteIters(1); }
    virtual void ExecuteIters(int iterations);
    int RowsAffected() const;
    int64_t LastInsertId() const { return lastInsertId_; }
    // The SQL without trailing blanks and line breaks, macros expanded.
    virtual AnsiString GetFinalSQL() const;
    // Makes the call text of a stored procedure the SQL text. With needDescribe the parameters
    // come from the server's description, else the current ones are written into the call.
    virtual void CreateProcCall(const AnsiString& name, bool needDescribe, bool isQuery = false);
    const AnsiString& StoredProcName() const { return storedProcName_; }
    bool StoredProcIsQuery() const { return storedProcIsQuery_; }

    // The stored form: "ParamData" and "MacroData" are written when they hold items, the
    // procedure name when set and the query flag when on; reading the name tells the command.
    bool IsParamDataStored() const { return params_->Count() > 0; }
    bool IsMacroDataStored() const { return macros_->Count() > 0; }
    bool IsCommandStoredProcNameStored() const { return !storedProcName_.empty(); }
    bool IsStoredProcIsQueryStored() const { return storedProcIsQuery_; }
    void SetParamData(TDAParams* value) { params_->Assign(value); }
    void SetMacroData(TMacros* value) { macros_->Assign(value); }
    void SetCommandStoredProcName(const AnsiString& value);
    void SetStoredProcIsQuery(bool value) { storedProcIsQuery_ = value; }
    // The last result parameter; nullptr when none.
    virtual TDAParam* FindResultParam() const;

    // Sets a generated text for the updater: with noMacroScan the macros are not read from it,
    // with keepParams the parameters stay as they are (no re-scan).
    void SetSQLTextWithHints(const AnsiString& text, bool noMacroScan, bool keepParams);
    // An update query of a dataset writes no monitor trace of its own.
    bool TraceSuppressed = false;

    bool Debug = false;
    TNotifyEvent BeforeExecute;
    TAfterExecuteEvent AfterExecute;

    // Statement side of the macros: a change unprepares and re-reads the text.
    void MacrosChanged() override;

    // The parameter's name, types and size into a command's description; the SQL dataset writes
    // its parameters through it too. Only text and byte types are sized from their value (or the
    // connection's default): a driver takes any other size as the column size, and a timestamp
    // sized by its text would lose its fraction.
    static void DescribeParam(TParamDesc* desc, TDAParam* param, TCustomDAConnection* connection,
                              bool unknownParamsAreInOut);
    // An input parameter's value other than a blob into its description.
    static void WritePlainParamValue(TParamDesc* desc, TDAParam* param);

protected:
    // Connection, parameter check, text, macros, parameters, debug flag, auto-commit and the
    // procedure name and flag.
    void AssignTo(TPersistent* dest) override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual void BeginConnection(bool internal);
    virtual void EndConnection();
    virtual void ConnectChange(TObject* sender, bool connecting);
    virtual void CheckICommand();
    virtual void SetICommand(std::unique_ptr<TCRCommand> value);
    virtual void InternalPrepare();
    virtual void InternalExecute(int iterations);
    virtual void DoAfterExecute(bool result);
    virtual void WriteParams(bool withValues);
    virtual void WriteParamDesc(TParamDesc* desc, TDAParam* param);
    virtual void WriteParamValue(TParamDesc* desc, TDAParam* param);
    virtual void ReadParamValue(TDAParam* param, TParamDesc* desc);
    virtual void ReadParamDesc(TDAParam* param, TParamDesc* desc);
    // Whether binary blobs take part in the line-end conversion; text blobs always do.
    virtual bool ConvertsBlobEOL() const { return false; }
    // Whether the call text of the stored procedure is rebuilt before a single execution.
    virtual bool NeedsProcCallRebuild() const { return false; }
    virtual void CheckProcCall(int iterations);
    // Params made again from the command's descriptions after a prepare that described them:
    // existing parameter objects are kept by position, surplus ones freed.
    virtual void UpdateParamsFromDescs();
    virtual void ReadOutParams();
    virtual bool UnknownParamsAreInOut() const { return false; }
    virtual void ScanParams();
    // The parameters made anew from the command's descriptions.
    virtual void ReadParamDescs();
    // A descendant's own parameter list, set by its constructor.
    void SetParamsObject(std::unique_ptr<TDAParams> value) { params_ = std::move(value); }
    void SQLChanged();
    void ResetAfterSQLChange(bool noMacroScan);
    void SetCommandSQL();
    // The monitor class to trace with: when a monitor is active or Debug is on, unless suppressed.
    TClass TracedBy() const;
    // Tells the monitor once that this statement goes; a descendant's destructor calls it first,
    // while the statement still answers its own class name.
    void NotifyDestroyed();

    static const TDataTypesMap& TypesMap();

private:
    TCustomDAConnection* connection_ = nullptr;
    TDATransaction* transaction_ = nullptr;
    std::unique_ptr<TStringList> sql_;
    std::unique_ptr<TDAParams> params_;
    std::unique_ptr<TMacros> macros_;
    std::unique_ptr<TCRCommand> command_;
    bool paramCheck_ = true;
    bool autoCommit_ = true;

    bool scanningMacros_ = false;
    bool settingProcCall_ = false;
    AnsiString storedProcName_;
    bool storedProcIsQuery_ = false;
    bool destroyedNotified_ = false;
    int64_t lastInsertId_ = 0;

    // Hints while SetSQLTextWithHints sets a text.
    bool noMacroScanHint_ = false;
    bool keepParamsHint_ = false;
    // Collapsed copies of input blobs, sent in their place until the execution ends.
    std::vector<TBlob*> sentCopies_;
    void ReleaseSentCopies();
};
