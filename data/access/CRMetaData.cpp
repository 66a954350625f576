// Metadata: the layouts of every kind, the kinds and restrictions lists and the dispatch.
#include "data/access/CRMetaData.h"

#include <cstdlib>

namespace {
[[noreturn]] void Unsupported() {
    throw Exception("Unsupported metadata kind");
}
} // namespace

AnsiString RestrictionValue(TStrings& restrictions, const AnsiString& name) {
    for (int i = 0; i < restrictions.Count(); ++i) {
        AnsiString line = restrictions[i];
        size_t eq = line.find('=');
        if (eq == AnsiString::npos) continue;
        if (UpperCase(Trim(std::string_view(line).substr(0, eq))) == UpperCase(name))
            return Trim(std::string_view(line).substr(eq + 1));
    }
    return AnsiString();
}

// ---------------------------------------------------------------------------------------------

TDataHelper::~TDataHelper() {
    FreeBuffer();
}

void TDataHelper::AllocBuffer() {
    FreeBuffer();
    data_->AllocRecBuf(buffer_);
}

void TDataHelper::FreeBuffer() {
    if (!buffer_) return;
    if (ownsObjects_ && data_->HasComplexFields) data_->FreeComplexFields(buffer_, true);
    ownsObjects_ = false;
    data_->FreeRecBuf(buffer_);
    buffer_ = nullptr;
}

void TDataHelper::InitRecord() {
    // The record list keeps the objects of an appended record; the buffer gets fresh ones.
    if (ownsObjects_ && data_->HasComplexFields) data_->FreeComplexFields(buffer_, true);
    data_->InitRecordBuf(buffer_);
    if (data_->HasComplexFields) data_->CreateComplexFields(buffer_, true);
    ownsObjects_ = true;
}

void TDataHelper::AppendRecord() {
    data_->AppendRecord(buffer_);
    ownsObjects_ = false; // the appended item holds them now
}

bool TDataHelper::NextRecord() {
    if (ownsObjects_ && data_->HasComplexFields) data_->FreeComplexFields(buffer_, true);
    ownsObjects_ = false;
    data_->GetNextRecord(buffer_);
    return !data_->IsEOF();
}

Variant TDataHelper::GetFieldValue(int fieldNo) {
    Variant value;
    data_->GetFieldAsVariant(fieldNo, buffer_, value);
    return value;
}

void TDataHelper::SetFieldValue(int fieldNo, const Variant& value) {
    if (value.IsNull()) {
        data_->SetNull(fieldNo, buffer_, true);
        return;
    }
    TFieldDesc* desc = data_->FieldDescOf(fieldNo);
    switch (desc->TypeCode) {
    case tcString:
    case tcMemo:
        data_->PutFieldAsVariant(fieldNo, buffer_, false, Variant(value.AsAnsiString()));
        break;
    case tcInt32:
        data_->PutFieldAsVariant(fieldNo, buffer_, false, Variant(value.AsInteger()));
        break;
    default:
        data_->PutFieldAsVariant(fieldNo, buffer_, false, value);
    }
}

// ---------------------------------------------------------------------------------------------

TCRMetaData::TCRMetaData() : data_(std::make_unique<TMemData>()) {
    data_->AutoFields = false;
    memDataHelper_ = std::make_unique<TDataHelper>(data_.get());
}

TCRMetaData::~TCRMetaData() {
    recordSetHelper_.reset();
    memDataHelper_.reset();
    recordSet_.reset();
    data_.reset();
}

TCRRecordSet* TCRMetaData::RecordSet() {
    // Created on first use: the provider's class cannot be reached from the base constructor.
    if (!recordSet_) {
        recordSet_.reset(CreateRecordSet());
        recordSet_->SetProp(prFetchAll, true);
        recordSet_->SetProp(prFlatBuffers, false);
        recordSetHelper_ = std::make_unique<TDataHelper>(recordSet_.get());
    }
    return recordSet_.get();
}

TDataHelper& TCRMetaData::RecordSetHelper() {
    RecordSet();
    return *recordSetHelper_;
}

void TCRMetaData::BeginLayout() {
    memDataHelper_->FreeBuffer();
    data_->Close();
    data_->FieldDescs().Clear();
}

void TCRMetaData::OpenResult() {
    data_->InitFields();
    data_->Open();
    memDataHelper_->AllocBuffer();
}

void TCRMetaData::AddField(const AnsiString& name, TDataTypeCode dataType, int length) {
    auto* desc = new TFieldDesc();
    desc->FieldName = name;
    desc->SourceName = name;
    desc->TypeCode = dataType;
    desc->StorageSize = DataTypeStorageSize(dataType, length > 0 ? length : 0);
    if (length > 0) desc->DeclaredLength = static_cast<uint16_t>(length);
    data_->FieldDescs().Add(desc);
    desc->Position = static_cast<uint16_t>(data_->FieldDescs().Count());
}

void TCRMetaData::CopyRecord(const std::vector<int>& sourceFields, const std::vector<int>& destFields) {
    for (size_t i = 0; i < sourceFields.size() && i < destFields.size(); ++i)
        memDataHelper_->SetFieldValue(destFields[i], recordSetHelper_->GetFieldValue(sourceFields[i]));
}

TData* TCRMetaData::GetMetaData(TCRConnection* connection, TCRTransaction* transaction,
                                const AnsiString& kind, TStrings& restrictions) {
    RecordSet()->SetConnection(connection);
    recordSet_->SetTransaction(transaction);
    return InternalGetMetaData(LowerCase(Trim(kind)), restrictions);
}

TData* TCRMetaData::InternalGetMetaData(const AnsiString& kind, TStrings& restrictions) {
    if (kind.empty() || kind == "metadatakinds") return GetMetaDataKinds();
    if (kind == "restrictions") return GetRestrictions(restrictions);
    if (kind == "tables") return GetTables(restrictions);
    if (kind == "columns") return GetColumns(restrictions);
    if (kind == "procedures") return GetProcedures(restrictions);
    if (kind == "procedureparameters") return GetProcedureParameters(restrictions);
    if (kind == "indexes") return GetIndexes(restrictions);
    if (kind == "indexcolumns") return GetIndexColumns(restrictions);
    if (kind == "constraints") return GetConstraints(restrictions);
    if (kind == "databases") return GetDatabases(restrictions);
    if (kind == "datatypes") return GetDataTypes(restrictions);
    if (kind == "users") return GetUsers(restrictions);
    if (kind == "roles") return GetRoles(restrictions);
    if (kind == "userdefinedtypes") return GetUDTs(restrictions);
    if (kind == "packages") return GetPackages(restrictions);
    Unsupported();
}

void TCRMetaData::GetMetaDataKindsList(TStrings& list) {
    for (const char* name : {"MetaDataKinds", "Restrictions", "Tables", "Columns", "Procedures",
                             "ProcedureParameters", "Indexes", "IndexColumns", "Constraints"})
        list.Add(name);
}

void TCRMetaData::CreateMetaDataKindsFields() {
    BeginLayout();
    AddField("METADATA_NAME", tcString, 50);
}

TData* TCRMetaData::GetMetaDataKinds() {
    TStringList kinds;
    GetMetaDataKindsList(kinds);
    CreateMetaDataKindsFields();
    OpenResult();
    for (int i = 0; i < kinds.Count(); ++i) {
        memDataHelper_->InitRecord();
        memDataHelper_->SetFieldValue(1, Variant(kinds[i]));
        memDataHelper_->AppendRecord();
    }
    data_->SetToBegin();
    return data_.get();
}

void TCRMetaData::CreateRestrictionsFields() {
    BeginLayout();
    AddField("METADATA_NAME", tcString, 50);
    AddField("RESTRICTION_NAME", tcString, 50);
}

void TCRMetaData::GetRestrictionsList(TStrings& list, const AnsiString& kind) {
    std::vector<const char*> names;
    if (kind == "restrictions")
        names = {"METADATA_NAME"};
    else if (kind == "tables")
        names = {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"};
    else if (kind == "columns")
        names = {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "COLUMN_NAME"};
    else if (kind == "procedures")
        names = {"PROCEDURE_CATALOG", "PROCEDURE_SCHEMA", "PROCEDURE_NAME", "PROCEDURE_TYPE"};
    else if (kind == "procedureparameters")
        names = {"PROCEDURE_CATALOG", "PROCEDURE_SCHEMA", "PROCEDURE_NAME", "PARAMETER_NAME"};
    else if (kind == "indexes" || kind == "indexcolumns")
        names = {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "INDEX_NAME"};
    else if (kind == "constraints")
        names = {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "CONSTRAINT_NAME", "CONSTRAINT_TYPE"};
    for (const char* name : names)
        list.Add(name);
}

TData* TCRMetaData::GetRestrictions(TStrings& restrictions) {
    // The restriction this kind lists is METADATA_NAME; METAINFO_NAME is honoured as well.
    AnsiString wanted = LowerCase(RestrictionValue(restrictions, "METADATA_NAME"));
    if (wanted.empty()) wanted = LowerCase(RestrictionValue(restrictions, "METAINFO_NAME"));
    CreateRestrictionsFields();
    OpenResult();
    auto append = [this](const AnsiString& kind, const AnsiString& restriction) {
        memDataHelper_->InitRecord();
        memDataHelper_->SetFieldValue(1, Variant(kind));
        memDataHelper_->SetFieldValue(2, Variant(restriction));
        memDataHelper_->AppendRecord();
    };
    if (!wanted.empty()) {
        TStringList names;
        GetRestrictionsList(names, wanted);
        for (int i = 0; i < names.Count(); ++i)
            append(wanted, names[i]);
    } else {
        TStringList kinds;
        GetMetaDataKindsList(kinds);
        for (int k = 0; k < kinds.Count(); ++k) {
            TStringList names;
            GetRestrictionsList(names, LowerCase(kinds[k]));
            for (int i = 0; i < names.Count(); ++i)
                append(kinds[k], names[i]);
        }
    }
    data_->SetToBegin();
    return data_.get();
}

void TCRMetaData::CreateTablesFields() {
    BeginLayout();
    AddField("TABLE_CATALOG", tcString, 100);
    AddField("TABLE_SCHEMA", tcString, 100);
    AddField("TABLE_NAME", tcString, 100);
    AddField("TABLE_TYPE", tcString, 50);
}

void TCRMetaData::CreateColumnsFields() {
    BeginLayout();
    AddField("TABLE_CATALOG", tcString, 100);
    AddField("TABLE_SCHEMA", tcString, 100);
    AddField("TABLE_NAME", tcString, 100);
    AddField("COLUMN_NAME", tcString, 100);
    AddField("POSITION", tcInt32);
    AddField("DATA_TYPE", tcString, 50);
    AddField("DATA_LENGTH", tcInt32);
    AddField("DATA_PRECISION", tcInt32);
    AddField("DATA_SCALE", tcInt32);
    AddField("NULLABLE", tcInt32);
    AddField("DEFAULT_VALUE", tcMemo);
}

void TCRMetaData::CreateProceduresFields() {
    BeginLayout();
    AddField("PROCEDURE_CATALOG", tcString, 100);
    AddField("PROCEDURE_SCHEMA", tcString, 100);
    AddField("PROCEDURE_NAME", tcString, 100);
    AddField("PROCEDURE_TYPE", tcString, 50);
}

void TCRMetaData::CreateProcedureParametersFields() {
    BeginLayout();
    AddField("PROCEDURE_CATALOG", tcString, 100);
    AddField("PROCEDURE_SCHEMA", tcString, 100);
    AddField("PROCEDURE_NAME", tcString, 100);
    AddField("PARAMETER_NAME", tcString, 100);
    AddField("POSITION", tcInt32);
    AddField("DIRECTION", tcString, 10);
    AddField("DATA_TYPE", tcString, 50);
    AddField("DATA_LENGTH", tcInt32);
    AddField("DATA_PRECISION", tcInt32);
    AddField("DATA_SCALE", tcInt32);
}

void TCRMetaData::CreateIndexesFields() {
    BeginLayout();
    for (const char* name :
         {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "INDEX_CATALOG", "INDEX_SCHEMA", "INDEX_NAME"})
        AddField(name, tcString, 100);
    AddField("UNIQUE", tcInt32);
}

void TCRMetaData::CreateIndexColumnsFields() {
    BeginLayout();
    for (const char* name : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "INDEX_CATALOG", "INDEX_SCHEMA",
                             "INDEX_NAME", "COLUMN_NAME"})
        AddField(name, tcString, 100);
    AddField("COLUMN_POSITION", tcInt32);
    AddField("SORT_ORDER", tcString, 4);
}

void TCRMetaData::CreateConstraintsFields() {
    BeginLayout();
    for (const char* name : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "CONSTRAINT_NAME",
                             "CONSTRAINT_TYPE", "INDEX_CATALOG", "INDEX_SCHEMA", "INDEX_NAME"})
        AddField(name, tcString, 100);
}

void TCRMetaData::CreateDatabasesFields() {
    BeginLayout();
    AddField("DATABASE_NAME", tcString, 100);
}

TData* TCRMetaData::GetDatabases(TStrings&) {
    Unsupported();
}
TData* TCRMetaData::GetDataTypes(TStrings&) {
    Unsupported();
}
TData* TCRMetaData::GetUsers(TStrings&) {
    Unsupported();
}
TData* TCRMetaData::GetRoles(TStrings&) {
    Unsupported();
}
TData* TCRMetaData::GetUDTs(TStrings&) {
    Unsupported();
}
TData* TCRMetaData::GetPackages(TStrings&) {
    Unsupported();
}

void TCRMetaData::GetMetaDataKindsNames(TStrings& list) {
    TStringList names;
    GetMetaDataKindsList(names);
    list.Assign(&names);
}

void TCRMetaData::GetRestrictionsNames(TStrings& list, const AnsiString& kind) {
    TStringList names;
    GetRestrictionsList(names, LowerCase(Trim(kind)));
    list.Assign(&names);
}
