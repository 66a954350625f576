#pragma once
// The unified statement and dataset: the provider's command and record set under a
// TUniConnection, statement text expanded by the connection's macros and escapes, every
// data-access error raised as EUniError.
#include "data/access/DADataSet.h"
#include "data/access/DASQL.h"
#include "data/access/DAUpdateSQL.h"
#include "data/access/UniConnection.h"

class TUniSQL : public TCustomDASQL {
public:
    VZ_CLASS(TUniSQL, TCustomDASQL)
    explicit TUniSQL(TComponent* owner);
    ~TUniSQL() override;

    TSpecificOptionsList* SpecificOptions() const { return specificOptions_->Values(); }
    // Expanded by the connection's formatter when ProcessMacros is on.
    AnsiString GetFinalSQL() const override;
    void Prepare() override;
    void Unprepare() override;
    void ExecuteIters(int iterations) override;
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

private:
    TUniConnection* UniConnection() const { return dynamic_cast<TUniConnection*>(UsedConnection()); }
    TUniProvider* GetProvider() const;
    void CheckMacrosVersion();
    std::unique_ptr<TSpecificOptionsHolder> specificOptions_;
    int macrosVersionSeen_ = 0;
};

class TCustomUniDataSet : public TCustomDADataSet {
public:
    VZ_CLASS(TCustomUniDataSet, TCustomDADataSet)
    explicit TCustomUniDataSet(TComponent* owner);
    ~TCustomUniDataSet() override;

    TSpecificOptionsList* SpecificOptions() const { return specificOptions_->Values(); }
    AnsiString GetFinalSQL() const override;
    void Prepare() override;
    void Unprepare() override;
    void SetActive(bool value) override;

protected:
    TCRRecordSet* NewRecordSet() override;
    TCustomDADataSet* NewDataSet() override;
    // The provider's dataset service, which writes edits back through the provider.
    TClass GetServiceClass() const override;
    void OpenCursor(bool infoQuery) override;
    void CloseCursor() override;
    void InternalExecute() override;
    void SetRecordSet(TData* recordSet) override;

private:
    TUniConnection* UniConnection() const { return dynamic_cast<TUniConnection*>(Connection()); }
    TUniProvider* GetProvider() const;
    void ApplyOptions();
    // A connection macro changed since the statement was prepared: it is prepared again with the
    // new text.
    void CheckMacrosVersion();

    std::unique_ptr<TSpecificOptionsHolder> specificOptions_;
    int macrosVersionSeen_ = 0;
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
