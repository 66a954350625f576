#include "data/access/DAUpdateSQL.h"

#include "data/access/DADataSet.h"
#include "data/access/DADataSetUpdater.h"
#include "data/access/DASQL.h"
#include "platform/db/DBTypes.h"

namespace {

bool HasSlot(TStatementType type) {
    return type == stInsert || type == stUpdate || type == stDelete || type == stLock || type == stRefresh;
}

} // namespace

TCustomDAUpdateSQL::TCustomDAUpdateSQL(TComponent* owner) : TComponent(owner) {
    for (TStatementType type : {stUpdate, stInsert, stDelete, stRefresh, stLock})
        sql_[type] = std::make_unique<TStringList>();
}

TCustomDAUpdateSQL::~TCustomDAUpdateSQL() {
    if (dataSet_ && dataSet_->UpdateObject() == this) dataSet_->SetUpdateObject(nullptr);
}

TStringList* TCustomDAUpdateSQL::SQLOf(TStatementType type) const {
    return sql_[type].get();
}

void TCustomDAUpdateSQL::SetSQLOf(TStatementType type, const TStrings& value) {
    if (!HasSlot(type)) return;
    sql_[type]->Assign(const_cast<TStrings*>(&value));
}

TComponent* TCustomDAUpdateSQL::ObjectOf(TStatementType type) const {
    return objects_[type];
}

void TCustomDAUpdateSQL::CheckUpdateObject(TComponent* value) {
    if (!value) return;
    if (!value->InheritsFrom(SQLClass()) && !value->InheritsFrom(DataSetClass()))
        throw Exception("Only " + DataSetClass()->ClassName() + " and " + SQLClass()->ClassName() +
                        " objects are allowed in update properties");
    if (value == dataSet_)
        throw Exception(
            "Circular references are not allowed between TCustomDADataset and TCustomDAUpdateSQL objects");
}

void TCustomDAUpdateSQL::SetObjectOf(TStatementType type, TComponent* value) {
    if (!HasSlot(type)) return;
    CheckUpdateObject(value);
    if (objects_[type] == value) return;
    objects_[type] = value;
    if (value) value->FreeNotification(this);
}

TStringList* TCustomDAUpdateSQL::GetSQL(int updateKind) const {
    TStatementType type = StatementTypeOfUpdateKind(updateKind);
    return HasSlot(type) ? sql_[type].get() : nullptr;
}

void TCustomDAUpdateSQL::SetDataSet(TCustomDADataSet* value) {
    dataSet_ = value;
}

TClass TCustomDAUpdateSQL::DataSetClass() const {
    return TCustomDADataSet::StaticClass();
}

TClass TCustomDAUpdateSQL::SQLClass() const {
    return TCustomDASQL::StaticClass();
}

void TCustomDAUpdateSQL::ExecSQL(int updateKind) {
    if (!dataSet_) DatabaseError("DataSet is not defined");
    dataSet_->EnsureService();
    auto* updater = dynamic_cast<TDADataSetUpdater*>(dataSet_->Service()->Updater());
    if (!updater) DatabaseError("DataSet is not defined");
    updater->PerformSQL(StatementTypeOfUpdateKind(updateKind));
}

void TCustomDAUpdateSQL::AssignTo(TPersistent* dest) {
    auto* other = dynamic_cast<TCustomDAUpdateSQL*>(dest);
    if (!other) {
        TComponent::AssignTo(dest);
        return;
    }
    // The lock text and object stay the destination's own.
    for (TStatementType type : {stRefresh, stUpdate, stInsert, stDelete})
        other->SetSQLOf(type, *sql_[type]);
    other->SetDataSet(dataSet_);
    for (TStatementType type : {stRefresh, stUpdate, stInsert, stDelete})
        other->SetObjectOf(type, objects_[type]);
}

void TCustomDAUpdateSQL::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove) return;
    for (TComponent*& object : objects_)
        if (object == component) object = nullptr;
}
