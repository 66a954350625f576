#pragma once
// The unified statement and dataset: the provider's command and record set under a
// TUniConnection, statement text expanded by the connection's macros and escapes, every
// data-access error raised as EUniError.
#include "data/access/DADataSet.h"
#include "data/access/DASQL.h"
#include "data/access/DAUpdateSQL.h"
#include "data/access/UniConnection.h"
#include "data/access/UniParams.h"

class TUniSQL : public TCustomDASQL {
public:
    VZ_CLASS(TUniSQL, TCustomDASQL)
    explicit TUniSQL(TComponent* owner);
    ~TUniSQL() override;

    TSpecificOptionsList* SpecificOptions() const { return specificOptions_->Values(); }
    TUniParams* Params() const { return static_cast<TUniParams*>(TCustomDASQL::Params()); }
    // The last result parameter; one of unknown type reads as an integer.
    TDAParam* FindResultParam() const override;
    // Entry i is the parameter of the command's i-th description; a name used twice in the text
    // has one parameter and two entries.
    const std::vector<TDAParam*>& ParamMap() const { return paramMap_; }
    // Expanded by the connection's formatter when ProcessMacros is on.
    AnsiString GetFinalSQL() const override;
    void Prepare() override;
    void Unprepare() override;
    void ExecuteIters(int iterations) override;
    // The call text is the driver's own escape: it is no longer expanded.
    void CreateProcCall(const AnsiString& name, bool needDescribe, bool isQuery = false) override;
    bool ProcessMacros = true;

    // The text with each ":name" (also ":@name" and ':"quoted name"') replaced: by "?" with a
    // parameter added to params for each new name, or by renamePrefix and the name without params.
    // Anything else after a colon (":=", a string) stays as it is.
    static AnsiString ParseSQLParams(const AnsiString& text, TDAParams* params,
                                     const AnsiString& renamePrefix);

protected:
    void InternalPrepare() override;
    void InternalExecute(int iterations) override;
    bool UnknownParamsAreInOut() const override;
    // Without a provider the parameters come from the text itself.
    void ScanParams() override;
    void ReadParamDescs() override;
    void WriteParams(bool withValues) override;
    // A blob value reaches the command as the provider's own blob, by reference.
    void ReadOutParams() override;

private:
    TUniConnection* UniConnection() const { return dynamic_cast<TUniConnection*>(UsedConnection()); }
    TUniProvider* GetProvider() const;
    void CheckMacrosVersion();
    // The map's parameter for description i; by name (and noted in the map) when the map is empty.
    TDAParam* MappedParam(int index, bool mapWasEmpty);
    std::unique_ptr<TSpecificOptionsHolder> specificOptions_;
    int macrosVersionSeen_ = 0;
    std::vector<TDAParam*> paramMap_;
    bool rebuildingParams_ = false;
    bool destroying_ = false;
    // While set, the parameters are written and read by position, not through the map.
    bool skipParamScan_ = false;
};

// The unified dataset's options: those of the SQL dataset, fields of other tables read-only.
class TUniDataSetOptions : public TDASQLDataSetOptions {
public:
    VZ_CLASS(TUniDataSetOptions, TDASQLDataSetOptions)
    explicit TUniDataSetOptions(TCustomDADataSet* owner) : TDASQLDataSetOptions(owner) {
        SetFieldsReadOnly = true;
    }
};

class TCustomUniDataSet : public TCustomDADataSet {
public:
    VZ_CLASS(TCustomUniDataSet, TCustomDADataSet)
    explicit TCustomUniDataSet(TComponent* owner);
    ~TCustomUniDataSet() override;

    TSpecificOptionsList* SpecificOptions() const { return specificOptions_->Values(); }
    TUniDataSetOptions* Options() const {
        return static_cast<TUniDataSetOptions*>(TCustomDADataSet::Options());
    }
    TUniParams* Params() const { return static_cast<TUniParams*>(TCustomDADataSet::Params()); }
    AnsiString GetFinalSQL() const override;
    void Prepare() override;
    void Unprepare() override;
    void SetActive(bool value) override;
    // The SQL-text routines in the provider's dialect.
    AnsiString SQLGetFrom(const AnsiString& sql) override;
    AnsiString SQLAddWhere(const AnsiString& sql, const AnsiString& condition) override;
    AnsiString SQLDeleteWhere(const AnsiString& sql) override;
    AnsiString SQLGetWhere(const AnsiString& sql) override;
    AnsiString SQLSetOrderBy(const AnsiString& sql, const AnsiString& fields) override;
    AnsiString SQLGetOrderBy(const AnsiString& sql) override;

    // What the record set does: the provider's "FetchAll" option may differ from the dataset's flag.
    bool GetFetchAll() const override;
    // Goes through even while fetching all is locked.
    void SetFetchAll(bool value) override;
    // While set, the record set ignores every FetchAll value, the provider option's too.
    bool FetchAllLocked() const { return fetchAllLocked_; }
    void SetFetchAllLocked(bool value);

    // Cursor values get the cursor field.
    TClass GetFieldClass(TFieldType fieldType) override;
    // The transaction edits are written in: the statement transaction stands for the default one.
    bool PSInTransaction() override;
    void PSStartTransaction() override;

protected:
    std::unique_ptr<TDADataSetOptions> CreateOptions() override;
    TCRRecordSet* NewRecordSet() override;
    TCustomDADataSet* NewDataSet() override;
    // The provider's dataset service, which writes edits back through the provider.
    TClass GetServiceClass() const override;
    void OpenCursor(bool infoQuery) override;
    void CloseCursor() override;
    void InternalExecute() override;
    void SetRecordSet(TData* recordSet) override;
    // One parameter for each name, however often the text uses it.
    void ReadParamDescs() override;
    void WriteCommand() override;

private:
    TUniConnection* UniConnection() const { return dynamic_cast<TUniConnection*>(Connection()); }
    TUniProvider* GetProvider() const;
    const TSQLParserClass* SQLParserClass() const;
    void ApplyOptions();
    // A connection macro changed since the statement was prepared: it is prepared again with the
    // new text.
    void CheckMacrosVersion();
    TDATransaction* PSTransaction();

    std::unique_ptr<TSpecificOptionsHolder> specificOptions_;
    int macrosVersionSeen_ = 0;
    bool fetchAllLocked_ = false;
    // Entry i is the parameter of the command's i-th description.
    std::vector<TDAParam*> paramMap_;
    bool rebuildingParams_ = false;
};

class TUniQuery : public TCustomUniDataSet {
public:
    VZ_CLASS(TUniQuery, TCustomUniDataSet)
    explicit TUniQuery(TComponent* owner = nullptr) : TCustomUniDataSet(owner) {}
};

// The update component of the unified datasets: its objects are unified datasets and statements.
class TUniUpdateSQL : public TCustomDAUpdateSQL {
public:
    VZ_CLASS(TUniUpdateSQL, TCustomDAUpdateSQL)
    explicit TUniUpdateSQL(TComponent* owner = nullptr) : TCustomDAUpdateSQL(owner) {}
    TClass DataSetClass() const override { return TCustomUniDataSet::StaticClass(); }
    TClass SQLClass() const override { return TUniSQL::StaticClass(); }
};
