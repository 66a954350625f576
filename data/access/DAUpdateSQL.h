#pragma once
// The component a dataset names to replace its generated write-back statements with the user's
// own: per statement type an SQL text or another component that runs in its place.
#include <memory>

#include "data/access/DASQLText.h"
#include "platform/core/Components.h"
#include "platform/core/StringLists.h"

class TCustomDADataSet;

class TCustomDAUpdateSQL : public TComponent {
public:
    VZ_CLASS(TCustomDAUpdateSQL, TComponent)
    explicit TCustomDAUpdateSQL(TComponent* owner = nullptr);
    ~TCustomDAUpdateSQL() override;

    // The slots by statement type; the types without a slot answer nullptr.
    TStringList* SQLOf(TStatementType type) const;
    void SetSQLOf(TStatementType type, const TStrings& value);
    TComponent* ObjectOf(TStatementType type) const;
    void SetObjectOf(TStatementType type, TComponent* value);

    TStringList* InsertSQL() const { return SQLOf(stInsert); }
    TStringList* ModifySQL() const { return SQLOf(stUpdate); }
    TStringList* DeleteSQL() const { return SQLOf(stDelete); }
    TStringList* LockSQL() const { return SQLOf(stLock); }
    TStringList* RefreshSQL() const { return SQLOf(stRefresh); }
    void SetInsertObject(TComponent* value) { SetObjectOf(stInsert, value); }
    void SetModifyObject(TComponent* value) { SetObjectOf(stUpdate, value); }
    void SetDeleteObject(TComponent* value) { SetObjectOf(stDelete, value); }
    void SetLockObject(TComponent* value) { SetObjectOf(stLock, value); }
    void SetRefreshObject(TComponent* value) { SetObjectOf(stRefresh, value); }
    TComponent* RefreshObject() const { return ObjectOf(stRefresh); }
    TComponent* ModifyObject() const { return ObjectOf(stUpdate); }

    // The text for an update kind (ukModify, ukInsert, ukDelete).
    virtual TStringList* GetSQL(int updateKind) const;
    virtual TCustomDADataSet* GetDataSet() const { return dataSet_; }
    virtual void SetDataSet(TCustomDADataSet* value);
    virtual TClass DataSetClass() const;
    virtual TClass SQLClass() const;
    // Runs the text of the kind through the dataset's updater for its current record.
    virtual void ExecSQL(int updateKind);

    void AssignTo(TPersistent* dest) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void CheckUpdateObject(TComponent* value);

    std::unique_ptr<TStringList> sql_[stBatchUpdate + 1];
    TComponent* objects_[stBatchUpdate + 1] = {};
    TCustomDADataSet* dataSet_ = nullptr;
};
