#pragma once
// Writes an SQL dataset's changes back to the server through generated statements run on
// internal queries of the dataset's connection, one query per statement type.
#include <memory>

#include "data/access/DASQLGenerator.h"
#include "data/memory/DataSetServices.h"

class TCustomDADataSet;
class TDADataSetService;

class TDADataSetUpdater : public TDataSetUpdater {
public:
    VZ_CLASS(TDADataSetUpdater, TDataSetUpdater)
    explicit TDADataSetUpdater(TDataSetService* service);
    ~TDADataSetUpdater() override;

    bool PerformInsert() override;
    bool PerformDelete() override;
    bool PerformUpdate() override;
    virtual bool SavepointAllowed() { return true; }

    // Equal variants, or two date-times less than about a millisecond apart.
    static bool ValuesEqual(const Variant& a, const Variant& b);
    // "LOCK_" (or "LOCK_CU_" under cached updates) and the dataset's name, at most 30 characters.
    AnsiString LockSavepointName(bool cached) const;
    // Runs the update component's object or text for the type, else the generated statement;
    // the rows it affected (-1 when nothing ran).
    int PerformSQL(TStatementType type);
    // The query a statement type runs on; made on first use.
    TCustomDADataSet* CheckUpdateQuery(TStatementType type);

protected:
    // Each parameter from the field of its name, old or new value.
    void FillParamsByName(TDAParams* params);
    // A name "OLD_x" means the old value of field x, unless a field is named so itself.
    virtual bool FindFieldForParam(AnsiString& name, bool& old, TField*& field);
    void CheckRowsAffected(int rows, bool insert);

    TCustomDADataSet* dataSet_;
    TDADataSetService* service_;
    std::unique_ptr<TCustomDADataSet> queries_[stBatchUpdate + 1];
};
