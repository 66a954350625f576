#include "data/access/DASQLGenerator.h"

#include "data/access/CRRecordSet.h"
#include "data/access/DADataSet.h"
#include "data/access/DADataSetService.h"
#include "data/memory/Blob.h"
#include "platform/db/DBTypes.h"

namespace {

const char* const kCRLF = "\r\n";

void AddSeparated(AnsiString& section, const AnsiString& text) {
    if (!section.empty()) section += ", ";
    section += text;
}

} // namespace

TDASQLGenerator::TDASQLGenerator(TDADataSetService* service) : service_(service) {
    if (!service_ || !service_->DADataSet()) Assert(false, "Service and dataset must be given (DBAccess)");
    dataSet_ = service_->DADataSet();
    paramsInfo_ = std::make_unique<TDAParamsInfo>(ParamInfoClass());
}

TDASQLGenerator::~TDASQLGenerator() = default;

void TDASQLGenerator::Clear() {
    header_.clear();
    fldList_.clear();
    middle_.clear();
    fldParamList_.clear();
    condition_.clear();
    footer_.clear();
    oldBuffer_ = nullptr;
    newBuffer_ = nullptr;
}

AnsiString TDASQLGenerator::AssembleSQL() const {
    return header_ + fldList_ + middle_ + fldParamList_ + condition_ + footer_;
}

bool TDASQLGenerator::IsBlobType(TDataTypeCode code) const {
    return code == tcBlob || code == tcMemo || code == tcWideMemo;
}

bool TDASQLGenerator::IsObjectType(TDataTypeCode code) const {
    return code == tcObject || code == tcArray;
}

TSQLInfo* TDASQLGenerator::SQLInfo() const {
    return service_->SQLInfo();
}

bool TDASQLGenerator::QuoteNames() const {
    return dataSet_->Options()->QuoteNames();
}

AnsiString TDASQLGenerator::TableName() const {
    return SQLInfo()->NormalizeName(table_->TableName(), QuoteNames());
}

void* TDASQLGenerator::Buffer(bool old) {
    void*& cached = old ? oldBuffer_ : newBuffer_;
    if (!cached) cached = old ? dataSet_->OldValueBuffer() : dataSet_->NewValueBuffer();
    return cached;
}

bool TDASQLGenerator::FieldIsNull(TFieldDesc* desc, bool old) {
    if (!dataSet_->Active()) return true;
    TCRRecordSet* rs = service_->RecordSet();
    if (IsObjectType(desc->TypeCode)) {
        for (int i = 0; i < rs->FieldDescs().Count(); ++i) {
            TFieldDesc* attr = rs->FieldDescs()[i];
            if (attr->ParentDesc == desc && !FieldIsNull(attr, old)) return false;
        }
        return true;
    }
    void* buffer = Buffer(old);
    if (!buffer) return true;
    return rs->GetNull(rs->FieldDescs().IndexOf(desc) + 1, buffer);
}

bool TDASQLGenerator::FieldModified(TFieldDesc* desc) {
    TCRRecordSet* rs = service_->RecordSet();
    if (IsObjectType(desc->TypeCode)) {
        for (int i = 0; i < rs->FieldDescs().Count(); ++i) {
            TFieldDesc* attr = rs->FieldDescs()[i];
            if (attr->ParentDesc == desc && FieldModified(attr)) return true;
        }
        return false;
    }
    void* oldBuffer = Buffer(true);
    void* newBuffer = Buffer(false);
    if (IsBlobType(desc->TypeCode)) {
        if (!oldBuffer || !newBuffer) return true;
        const int fieldNo = rs->FieldDescs().IndexOf(desc) + 1;
        TBlob* blob = rs->ReadBlobRef(fieldNo, newBuffer);
        // An applied change: the cached record holds another blob than its first version.
        if (dataSet_->InCacheProcessing()) return blob != rs->ReadBlobRef(fieldNo, oldBuffer);
        TField* field = dataSet_->FindField(desc->FieldName);
        if (field && field->IsBlob() && field->Modified) return true;
        return blob && blob->HasRollback();
    }
    if (!oldBuffer || !newBuffer) return true;
    return rs->CompareRecordField(oldBuffer, newBuffer, 8, desc) != 0;
}

AnsiString TDASQLGenerator::GetActualFieldName(TFieldDesc* desc, bool tablePrefixAllowed) {
    auto* crDesc = static_cast<TCRFieldDesc*>(desc);
    AnsiString name = crDesc->GetActualFieldName(SQLInfo(), QuoteNames() ? 1 : 0);
    if (tablePrefixAllowed && (dataSet_->Options()->FullRefresh || dataSet_->ReadOnly()) &&
        crDesc->TableInfo && !service_->UpdatingTableIsPropertyOnly()) {
        const AnsiString& alias = crDesc->TableInfo->TableAlias();
        AnsiString prefix = alias.empty() ? crDesc->TableInfo->TableName() : alias;
        name = SQLInfo()->NormalizeName(prefix, QuoteNames()) + "." + name;
    }
    return name;
}

int TDASQLGenerator::ColumnAliasToIndex(const AnsiString& name) const {
    if (name.size() <= 1 || name[0] != '_') return -1;
    int value = 0;
    for (size_t i = 1; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || value > 100000000) return -1;
        value = value * 10 + (name[i] - '0');
    }
    return value;
}

void TDASQLGenerator::AddParam(AnsiString& section, TFieldDesc* desc, TStatementType type,
                               TParamType paramType, int index, bool old) {
    const AnsiString& baseName = desc->FieldName;
    AnsiString prefix = old ? "Old_" : "";
    if (type == stRefresh && dataSet_->Params()->FindParam(baseName)) index = 1;
    if (index >= 0) prefix = "P_" + IntToStr(index) + "_" + prefix;
    AnsiString name;
    bool shortened = false;
    if (static_cast<int64_t>(prefix.size() + baseName.size()) > MaxParamNameLength()) {
        name = prefix + IntToStr(desc->Position);
        shortened = true;
    } else {
        name = prefix + baseName;
    }
    TSQLInfo* info = SQLInfo();
    if (info->ParamQuoteAllowed() && !shortened && (QuoteNames() || info->QuotesNeeded(baseName)))
        name = info->QuoteName(name);
    const bool keepNames =
        type == stRefresh && (dataSet_->Params()->Count() > 0 || dataSet_->Options()->FullRefresh);
    if (params_ && UsesPositionalMarkers() && !keepNames)
        section += "?";
    else
        section += ":" + name;
    if (params_) {
        params_->CreateParam(ftUnknown, name, paramType);
        auto* info = static_cast<TDAParamInfo*>(paramsInfo_->Add());
        info->Field = dataSet_->FindField(desc->FieldName);
        info->Old = old;
        info->ParamIndex = index;
    }
}

void TDASQLGenerator::AddFieldToInsertSQL(TFieldDesc* desc, int index) {
    if (!fldList_.empty()) {
        fldList_ += ", ";
        fldParamList_ += ", ";
    }
    fldList_ += GetActualFieldName(desc, false);
    AddParam(fldParamList_, desc, stInsert, ptInput, index, false);
}

void TDASQLGenerator::AddFieldToUpdateSQL(TFieldDesc* desc, int index) {
    if (!fldList_.empty()) fldList_ += ", ";
    fldList_ += GetActualFieldName(desc, false) + " = ";
    AddParam(fldList_, desc, stUpdate, ptInput, index, false);
}

void TDASQLGenerator::AddFieldToRefreshSQL(TFieldDesc* desc) {
    AnsiString item = GetActualFieldName(desc, false);
    if (!(dataSet_->ComponentState() & csDesigning))
        item += " AS " + MakeColumnAlias(IntToStr(service_->RecordSet()->FieldDescs().IndexOf(desc)));
    AddSeparated(fldList_, item);
}

void TDASQLGenerator::AddFieldToCondition(AnsiString& section, TFieldDesc* desc, TStatementType type,
                                          int index) {
    if (!desc) Assert(false, "Field must be given (DBAccess)");
    if (!section.empty()) section += " AND ";
    section += GetActualFieldName(desc, type == stRefresh);
    bool old = true;
    if (type == stRefresh) old = dataSet_->CachedUpdates() && !dataSet_->InCacheProcessing();
    if (FieldIsNull(desc, type == stRefresh ? false : true)) {
        section += " IS NULL";
        return;
    }
    section += " = ";
    AddParam(section, desc, type, ptInput, index, old);
}

void TDASQLGenerator::GenerateConditions(AnsiString& section, TStatementType type, bool,
                                         const TKeyAndDataFields& fields, int index) {
    if (!fields.KeyFieldDescs.empty()) {
        for (TFieldDesc* desc : fields.KeyFieldDescs)
            AddFieldToCondition(section, desc, type, index);
        return;
    }
    if (service_->IdentityField()) {
        AddFieldToCondition(section, service_->IdentityField(), type, index);
        return;
    }
    for (TFieldDesc* desc : fields.DataFieldDescs)
        if (!IsBlobType(desc->TypeCode)) AddFieldToCondition(section, desc, type, index);
    if (section.empty()) DatabaseError("Key fields not found");
}

void TDASQLGenerator::GenerateInsertSQL(const TKeyAndDataFields& fields, bool modifiedOnly, int index) {
    for (TFieldDesc* desc : fields.DataFieldDescs)
        if (!modifiedOnly || !FieldIsNull(desc, false)) AddFieldToInsertSQL(desc, index);
    // A record whose values are all Null still inserts a row: every column is named then.
    if (modifiedOnly && fldList_.empty() && !fields.DataFieldDescs.empty()) {
        GenerateInsertSQL(fields, false, index);
        return;
    }
    header_ = "INSERT INTO " + TableName() + kCRLF + "  (";
    middle_ = AnsiString(")") + kCRLF + "VALUES" + kCRLF + "  (";
    footer_ = ")";
}

void TDASQLGenerator::GenerateUpdateSQL(const TKeyAndDataFields& fields, bool modifiedOnly, int index) {
    for (TFieldDesc* desc : fields.DataFieldDescs)
        if (!modifiedOnly || FieldModified(desc)) AddFieldToUpdateSQL(desc, index);
    if (fldList_.empty()) return;
    header_ = "UPDATE " + TableName() + kCRLF + "SET" + kCRLF + "  ";
    middle_ = AnsiString(kCRLF) + "WHERE" + kCRLF + "  ";
    GenerateConditions(condition_, stUpdate, modifiedOnly, fields, index);
}

void TDASQLGenerator::GenerateDeleteSQL(const TKeyAndDataFields& fields, bool modifiedOnly, int index) {
    header_ = "DELETE FROM " + TableName() + kCRLF + "WHERE" + kCRLF + "  ";
    GenerateConditions(condition_, stDelete, modifiedOnly, fields, index);
}

void TDASQLGenerator::GenerateLockSQL(const TKeyAndDataFields&, bool, int) {}

void TDASQLGenerator::GenerateRefreshSQL(const TKeyAndDataFields& fields, bool modifiedOnly) {
    GenerateConditions(condition_, stRefresh, modifiedOnly, fields, -1);
    if (!dataSet_->Options()->FullRefresh && !dataSet_->ReadOnly()) {
        header_ = "SELECT ";
        const TFieldDescArray& list =
            fields.DataFieldDescs.empty() ? fields.KeyFieldDescs : fields.DataFieldDescs;
        for (TFieldDesc* desc : list)
            AddFieldToRefreshSQL(desc);
        middle_ = " FROM " + TableName();
        if (!table_->TableAlias().empty())
            middle_ += " " + SQLInfo()->NormalizeName(table_->TableAlias(), QuoteNames());
        middle_ += AnsiString(kCRLF) + "WHERE" + kCRLF + "  ";
    } else if (!condition_.empty()) {
        const TSQLParserClass* parser = dataSet_->Command() ? dataSet_->Command()->GetParserClass() : nullptr;
        header_ = SqlAppendCondition(dataSet_->GetFinalSQL(), AnsiString(kCRLF) + "  " + condition_, parser);
        condition_.clear();
    } else {
        header_ = dataSet_->GetFinalSQL();
    }
}

void TDASQLGenerator::GenerateRefreshQuickSQL(const TKeyAndDataFields& fields) {
    GenerateConditions(condition_, stRefreshQuick, false, fields, -1);
    const TSQLParserClass* parser = dataSet_->Command() ? dataSet_->Command()->GetParserClass() : nullptr;
    header_ = SqlAppendCondition(dataSet_->GetFinalSQL(), condition_, parser);
    condition_.clear();
}

void TDASQLGenerator::GenerateRefreshCheckDeletedSQL(const TKeyAndDataFields& fields) {
    header_ = "SELECT ";
    for (TFieldDesc* desc : fields.KeyFieldDescs) {
        AnsiString name = GetActualFieldName(desc, true);
        AnsiString item = name;
        if (!SameText(desc->SourceName, desc->FieldName))
            item += " AS " + service_->QuoteName(desc->FieldName);
        AddSeparated(fldList_, item);
        AddSeparated(footer_, name);
    }
    const TSQLParserClass* parser = dataSet_->Command() ? dataSet_->Command()->GetParserClass() : nullptr;
    AnsiString finalSQL = dataSet_->GetFinalSQL();
    middle_ = " FROM " + SqlFromText(finalSQL, parser);
    AnsiString where = SqlWhereText(finalSQL, parser);
    if (!where.empty()) middle_ += " WHERE " + where;
    middle_ += " ORDER BY ";
}

AnsiString TDASQLGenerator::GenerateSQL(TStatementType type, bool modifiedOnly, int index,
                                        TDAParams* params) {
    service_->EnsureFieldInfo();
    if (service_->UpdatingTableIndex() < 0) return AnsiString();
    TKeyAndDataFields fields;
    service_->GetKeyAndDataFields(fields, false);
    return GenerateSQLforUpdTable(service_->UpdatingTableInfo(), fields, index, params, modifiedOnly, type);
}

AnsiString TDASQLGenerator::GenerateSQLforUpdTable(TCRTableInfo* table, const TKeyAndDataFields& fields,
                                                   int index, TDAParams* params, bool modifiedOnly,
                                                   TStatementType type) {
    if (!table || table->TableName().empty()) DatabaseError("TableInfo name must be provided");
    Clear();
    table_ = table;
    params_ = params;
    struct UpdateScope {
        TDAParams* params;
        ~UpdateScope() {
            if (params) params->EndUpdate();
        }
    } scope{params};
    if (params) {
        params->BeginUpdate();
        params->Clear();
        paramsInfo_->Clear();
    }
    switch (type) {
    case stInsert:
        GenerateInsertSQL(fields, modifiedOnly, index);
        break;
    case stUpdate:
        GenerateUpdateSQL(fields, modifiedOnly, index);
        break;
    case stDelete:
        GenerateDeleteSQL(fields, modifiedOnly, index);
        break;
    case stLock:
        GenerateLockSQL(fields, modifiedOnly, index);
        break;
    case stRefresh:
        GenerateRefreshSQL(fields, modifiedOnly);
        break;
    case stRefreshQuick:
        GenerateRefreshQuickSQL(fields);
        break;
    case stRefreshCheckDeleted:
        GenerateRefreshCheckDeletedSQL(fields);
        break;
    default:
        DatabaseError("Bad statement type");
    }
    return AssembleSQL();
}

AnsiString TDASQLGenerator::GenerateTableSQL(const AnsiString& tableName, const AnsiString& orderFields) {
    AnsiString sql = "SELECT * FROM " + SQLInfo()->NormalizeName(tableName, QuoteNames()) + "\r";
    AnsiString order = Trim(orderFields);
    if (!order.empty()) sql += "ORDER BY " + order;
    return sql + "\r";
}
