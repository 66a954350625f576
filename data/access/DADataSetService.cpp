#include "data/access/DADataSetService.h"

#include "data/access/CRProps.h"
#include "data/access/CRRecordSet.h"
#include "data/access/DADataSet.h"
#include "data/access/DAMetaData.h"
#include "platform/db/DBTypes.h"
#include "platform/db/Fields.h"

namespace {

std::vector<AnsiString> SplitFieldNames(const AnsiString& names) {
    std::vector<AnsiString> list;
    size_t pos = 0;
    while (pos < names.size()) {
        AnsiString name = ExtractFieldName(names, pos);
        if (!name.empty()) list.push_back(name);
    }
    return list;
}

} // namespace

TDADataSetService::TDADataSetService(TComponent* dataSet)
    : TDataSetService(dataSet), dataSet_(static_cast<TCustomDADataSet*>(dataSet)) {
    CreateSQLGenerator();
}

TDADataSetService::~TDADataSetService() = default;

void TDADataSetService::CreateSQLGenerator() {
    SetSQLGenerator(new TDASQLGenerator(this));
}

void TDADataSetService::SetSQLGenerator(TDASQLGenerator* generator) {
    generator_.reset(generator);
}

TCRRecordSet* TDADataSetService::RecordSet() const {
    return dataSet_->RecordSet();
}

TSQLInfo* TDADataSetService::SQLInfo() const {
    TCRCommand* command = dataSet_->Command();
    if (!command) DatabaseError("Dataset has no command");
    return command->GetSQLInfo();
}

void TDADataSetService::ResetTableKeyFields() {
    keyInfoReady_ = false;
    updatingTableIndex_ = -1;
    identityField_ = nullptr;
    for (int i = 0; i < 2; ++i) {
        keyFields_[i].clear();
        keyFieldsReady_[i] = false;
        dataFields_[i].clear();
        dataFieldsReady_[i] = false;
    }
}

void TDADataSetService::PrepareFieldInfo() {
    // The descriptors are made again on every open, so nothing cached of them outlives it.
    ResetTableKeyFields();
    if (!RecordSet() || !dataSet_->Command()) return;
    keyInfoReady_ = true;
    try {
        InitUpdatingTable();
        if (!FieldTablesKnown()) MatchFieldTables();
        identityField_ = DetectIdentityField();
        MarkFieldDescsReadOnly();
    } catch (...) {
        ResetTableKeyFields();
        throw;
    }
}

void TDADataSetService::InitUpdatingTable() {
    propertyOnlyTable_.reset();
    updatingTableIndex_ = -1;
    TCRTablesInfo& tables = RecordSet()->TablesInfo();
    AnsiString name =
        dataSet_->UpdatingTable.empty() ? AnsiString() : SQLInfo()->NormalizeName(dataSet_->UpdatingTable);
    if (tables.Count() > 0) {
        if (name.empty()) {
            updatingTableIndex_ = 0;
            return;
        }
        int index = tables.FindByName(name);
        if (index < 0) index = tables.FindByAlias(name);
        if (index < 0) DatabaseErrorFmt("Wrong UpdatingTable value - table %s is unknown", name);
        updatingTableIndex_ = index;
        return;
    }
    if (!name.empty()) {
        propertyOnlyTable_ = std::make_unique<TCRTableInfo>();
        propertyOnlyTable_->SetTableName(name);
        updatingTableIndex_ = 0;
    }
}

TCRTableInfo* TDADataSetService::UpdatingTableInfo() {
    EnsureFieldInfo();
    if (updatingTableIndex_ < 0) return nullptr;
    if (propertyOnlyTable_) return propertyOnlyTable_.get();
    return RecordSet()->TablesInfo()[updatingTableIndex_];
}

void TDADataSetService::MatchFieldTables() {
    TCRTablesInfo& tables = RecordSet()->TablesInfo();
    if (tables.Count() == 0) return;
    TSQLInfo* info = SQLInfo();
    TColumnsInfo columns;
    info->ParseColumnsInfo(dataSet_->GetFinalSQL(), columns);
    const bool propertyOnly = UpdatingTableIsPropertyOnly();
    bool ambiguous = propertyOnly;
    int starTable = -1;
    for (int i = 0; i < columns.Count(); ++i) {
        TColumnInfo* column = columns[i];
        if (!column->Table.empty() && !propertyOnly) {
            const AnsiString prefix = info->NormalizeName(column->Table);
            for (int t = 0; t < tables.Count() && column->TableIndex < 0; ++t) {
                const AnsiString& alias = tables[t]->TableAlias();
                const AnsiString name = alias.empty() ? tables[t]->TableName() : alias;
                if (SameText(info->NormalizeName(name), prefix)) column->TableIndex = t;
            }
        }
        if (column->Name == "*") {
            const int table = column->Table.empty() || propertyOnly ? 0 : column->TableIndex;
            if (column->Table.empty() || (starTable >= 0 && starTable != table)) ambiguous = true;
            if (starTable < 0) starTable = table;
            continue;
        }
        if (column->Alias.empty()) column->Alias = column->Name.empty() ? column->Expr : column->Name;
        if (!column->Name.empty() && column->Table.empty()) ambiguous = true;
    }
    // An unprefixed column is ambiguous only where the fields' tables matter for more than writing.
    Variant extended;
    const bool extendedInfo = RecordSet()->GetProp(prExtendedFieldsInfo, extended) && extended.AsBoolean();
    // A bare "*" over several tables cannot tell whose its columns are without the server's
    // column lists; taking them all for the first table would write a joined table's value into
    // the updating table's column of the same name.
    bool bareStarOverJoin = false;
    for (int i = 0; i < columns.Count(); ++i)
        if (columns[i]->Name == "*" && columns[i]->Table.empty() && tables.Count() > 1)
            bareStarOverJoin = true;
    if (extendedInfo || bareStarOverJoin || dataSet_->Options()->DefaultValues() ||
        dataSet_->Options()->FieldsOrigin())
        FillExtFieldsInfo(columns);
    else
        ambiguous = false;
    const bool mixedCase = info->IdentCase() == icMixed;
    TFieldDescs& descs = RecordSet()->FieldDescs();
    for (int i = 0; i < descs.Count(); ++i) {
        auto* desc = static_cast<TCRFieldDesc*>(descs[i]);
        if (desc->FieldKind != fkData || desc->HasParent()) continue;
        const AnsiString& source = desc->SourceName.empty() ? desc->FieldName : desc->SourceName;
        bool matched = false;
        for (int c = 0; c < columns.Count() && !matched; ++c) {
            TColumnInfo* column = columns[c];
            if (column->Used || column->Name == "*" || column->Name.empty()) continue;
            const AnsiString alias = info->UnQuote(column->Alias);
            if (!(mixedCase ? SameText(alias, source) : alias == source)) continue;
            if (ambiguous && column->TableIndex < 0) continue;
            column->Used = true;
            matched = true;
            const int table = column->TableIndex >= 0 ? column->TableIndex : (ambiguous ? -1 : 0);
            if (table >= 0) desc->TableInfo = tables[table];
            desc->DefaultExpr = column->Expr;
        }
        if (!matched && !ambiguous && !desc->TableInfo) {
            if (starTable >= 0)
                desc->TableInfo = tables[starTable];
            else if (tables.Count() == 1)
                desc->TableInfo = tables[0];
        }
    }
}

void TDADataSetService::MarkFieldDescsReadOnly() {
    TCRTableInfo* table = UpdatingTableInfo();
    TFieldDescs& descs = RecordSet()->FieldDescs();
    for (int i = 0; i < descs.Count(); ++i) {
        auto* desc = static_cast<TCRFieldDesc*>(descs[i]);
        if (desc->FieldKind != fkData) continue;
        const bool otherTable = desc->TableInfo && desc->TableInfo != table;
        if (dataSet_->Options()->SetFieldsReadOnly) {
            if (otherTable) desc->IsReadOnly = true;
        } else {
            desc->IsReadOnly = false;
            if (otherTable) desc->IsRequired = false;
        }
    }
}

void TDADataSetService::SetFieldsReadOnly() {
    if (dataSet_->ReadOnly() || !dataSet_->Options()->SetFieldsReadOnly || !RecordSet()) return;
    // Only fields of a known table change; a column of no table (an expression) keeps what it has.
    TCRTableInfo* table = UpdatingTableInfo();
    for (int i = 0; i < dataSet_->FieldCount(); ++i) {
        TField* field = dataSet_->Fields()[i];
        if (field->FieldKind() != TFieldKind::fkData) continue;
        TFieldDesc* desc = dataSet_->GetFieldDesc(field);
        while (desc && desc->HasParent())
            desc = desc->ParentDesc;
        auto* column = dynamic_cast<TCRFieldDesc*>(desc);
        if (!column || !column->TableInfo) continue;
        field->SetReadOnly(column->TableInfo != table);
        if (column->TableInfo == table) column->IsReadOnly = false;
    }
}

void TDADataSetService::DetectKeyFields(TFieldDescArray& list) {
    list.clear();
    TFieldDescs& descs = RecordSet()->FieldDescs();
    if (!dataSet_->KeyFields.empty()) {
        for (const AnsiString& name : SplitFieldNames(dataSet_->KeyFields)) {
            TFieldDesc* desc = descs.FindDesc(name);
            if (!desc) DatabaseError(dataSet_->Name() + ": Key field '" + name + "' not found");
            list.push_back(desc);
        }
        return;
    }
    if (identityField_) {
        list.push_back(identityField_);
        return;
    }
    TCRTableInfo* table = UpdatingTableInfo();
    if (!table) return;
    AnsiString names = GetKeyFieldsFromIndex(table->TableName(), AnsiString());
    if (names.empty()) return;
    for (const AnsiString& name : SplitFieldNames(names)) {
        TFieldDesc* desc = descs.FindDesc(name);
        if (!desc) {
            list.clear();
            return;
        }
        list.push_back(desc);
    }
}

AnsiString TDADataSetService::GetCurrentSchema() {
    return AnsiString();
}

AnsiString TDADataSetService::GetKeyFieldsFromIndex(const AnsiString& tableName,
                                                    const AnsiString& indexName) {
    TCustomDAConnection* connection = dataSet_->Connection();
    if (!connection) return AnsiString();
    dataSet_->BeginConnection(true);
    struct End {
        TCustomDADataSet* d;
        ~End() { d->EndConnection(); }
    } end{dataSet_};
    AnsiString name, schema, catalog, dbLink;
    SQLInfo()->SplitObjectName(tableName, name, schema, catalog, dbLink);
    name = SQLInfo()->UnQuote(name);
    schema = SQLInfo()->UnQuote(schema);
    catalog = SQLInfo()->UnQuote(catalog);
    if (schema.empty()) schema = GetCurrentSchema();
    TDAMetaData meta(nullptr);
    meta.SetConnection(connection);
    meta.SetMetaDataKind("indexcolumns");
    TStringList restrictions;
    restrictions.SetText("table_catalog=" + catalog + "\r\ntable_schema=" + schema +
                         "\r\ntable_name=" + name + "\r\nindex_name=" + indexName + "\r\nunique=1");
    meta.SetRestrictions(&restrictions);
    meta.Open();
    AnsiString names;
    AnsiString firstIndex, firstSchema;
    bool first = true;
    TField* indexField = meta.FindField("INDEX_NAME");
    TField* schemaField = meta.FindField("INDEX_SCHEMA");
    TField* columnField = meta.FindField("COLUMN_NAME");
    for (meta.First(); columnField && !meta.Eof(); meta.Next()) {
        const AnsiString index = indexField ? indexField->GetAsString() : AnsiString();
        const AnsiString indexSchema = schemaField ? schemaField->GetAsString() : AnsiString();
        if (first) {
            firstIndex = index;
            firstSchema = indexSchema;
            first = false;
        } else if (index != firstIndex || indexSchema != firstSchema) {
            break;
        }
        if (!names.empty()) names += ";";
        names += columnField->GetAsString();
    }
    meta.Close();
    return names;
}

void TDADataSetService::DetectDataFields(TFieldDescArray& list, bool allTables) {
    list.clear();
    TCRTableInfo* table = UpdatingTableInfo();
    TFieldDescs& descs = RecordSet()->FieldDescs();
    const bool defaultFields = dataSet_->DefaultFields();
    for (int i = 0; i < descs.Count(); ++i) {
        auto* desc = static_cast<TCRFieldDesc*>(descs[i]);
        if (desc->HasParent() || desc->FieldKind != fkData || desc->IsReadOnly) continue;
        if (desc == identityField_ && !IdentityIsDataField()) continue;
        if (!allTables && desc->TableInfo && desc->TableInfo != table) continue;
        if (!defaultFields && desc->TypeCode != tcTable && !dataSet_->FindField(desc->FieldName)) continue;
        list.push_back(desc);
    }
}

void TDADataSetService::GetKeyFieldDescs(TFieldDescArray& list, bool allTables) {
    if (!keyInfoReady_) PrepareFieldInfo();
    const int index = 0; // one key list serves every statement
    (void)allTables;
    if (!keyFieldsReady_[index]) {
        DetectKeyFields(keyFields_[index]);
        keyFieldsReady_[index] = true;
    }
    list = keyFields_[index];
}

void TDADataSetService::GetDataFieldDescs(TFieldDescArray& list, bool allTables) {
    if (!keyInfoReady_) PrepareFieldInfo();
    const int index = allTables ? 1 : 0;
    if (!dataFieldsReady_[index]) {
        DetectDataFields(dataFields_[index], allTables);
        dataFieldsReady_[index] = true;
    }
    list = dataFields_[index];
}

void TDADataSetService::GetKeyAndDataFields(TKeyAndDataFields& fields, bool allTables) {
    GetKeyFieldDescs(fields.KeyFieldDescs, allTables);
    GetDataFieldDescs(fields.DataFieldDescs, allTables);
}

AnsiString TDADataSetService::QuoteName(const AnsiString& name) {
    TSQLInfo* info = SQLInfo();
    if (dataSet_->Options()->QuoteNames() || info->QuotesNeeded(name)) return info->QuoteName(name);
    return name;
}

void TDADataSetService::RaiseNotSupported() {
    throw EDatabaseError("Operation is not supported by the database");
}

bool TDADataSetService::CanModify() {
    if (dataSet_->ReadOnly() || dataSet_->UniDirectional()) return false;
    return dataSet_->LocalUpdate() || (dataSet_->CachedUpdates() && dataSet_->OnUpdateRecord) ||
           dataSet_->UpdateObject() != nullptr;
}

bool TDADataSetService::HasWritableField() const {
    for (int i = 0; i < dataSet_->FieldCount(); ++i)
        if (!dataSet_->Fields()[i]->ReadOnly()) return true;
    return false;
}

void TDADataSetService::InitFieldsProperties() {
    if (!RecordSet() || !dataSet_->Command()) return;
    EnsureFieldInfo();
    for (int i = 0; i < dataSet_->FieldCount(); ++i) {
        TField* field = dataSet_->Fields()[i];
        if (field->FieldKind() != TFieldKind::fkData) continue;
        auto* desc = dynamic_cast<TCRFieldDesc*>(dataSet_->GetFieldDesc(field));
        if (!desc) continue;
        if (dataSet_->Options()->FieldsOrigin()) {
            const AnsiString& source = desc->SourceName.empty() ? desc->FieldName : desc->SourceName;
            field->Origin = desc->TableInfo
                                ? SQLInfo()->NormalizeName(desc->TableInfo->TableName()) + "." + source
                                : source;
        }
        if (desc->IsAutoIncrement) field->AutoGenerateValue = arAutoInc;
    }
    if (dataSet_->DefaultFields()) {
        std::vector<TField*> hidden;
        GetHiddenFields(hidden);
        for (TField* field : hidden) {
            field->Visible = false;
            field->SetReadOnly(true);
        }
    }
    if (dataSet_->Options()->DefaultValues()) FillDefaultValues();
}

void TDADataSetService::FillDefaultValues() {
    TFieldDescArray dataFields;
    GetDataFieldDescs(dataFields);
    for (TFieldDesc* desc : dataFields)
        if (TField* field = dataSet_->FindField(desc->FieldName))
            field->DefaultExpression = static_cast<TCRFieldDesc*>(desc)->DefaultExpr;
}

void TDADataSetService::ResetKeyFieldsCache() {
    for (int i = 0; i < 2; ++i) {
        keyFields_[i].clear();
        keyFieldsReady_[i] = false;
        dataFields_[i].clear();
        dataFieldsReady_[i] = false;
    }
}

void TDADataSetService::InitUpdatingTableAndFields() {
    ResetKeyFieldsCache();
    if (!keyInfoReady_) {
        PrepareFieldInfo();
    } else {
        InitUpdatingTable();
        MarkFieldDescsReadOnly();
        SetFieldsReadOnly();
    }
    InitFieldsProperties();
}
