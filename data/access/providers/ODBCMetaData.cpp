// ODBC metadata: catalog calls, the copy rules into the kinds' layouts, procedure description.
#include "data/access/providers/ODBCMetaData.h"

namespace {
SQLCHAR* Text(AnsiString& s) {
    return reinterpret_cast<SQLCHAR*>(s.data());
}
SQLSMALLINT Length(const AnsiString& s) {
    return static_cast<SQLSMALLINT>(s.size());
}
// An empty catalog or schema goes as a null pointer: an empty text would ask for objects without one.
SQLCHAR* OptionalText(AnsiString& s) {
    return s.empty() ? nullptr : Text(s);
}

// Column positions of the ODBC 3 catalog results.
namespace tables {
constexpr int Cat = 1, Schem = 2, Name = 3, Type = 4;
}
namespace columns {
constexpr int Cat = 1, Schem = 2, Table = 3, Name = 4, TypeName = 6, Size = 7, Digits = 9, Nullable = 11,
              Def = 13, Ordinal = 17;
}
namespace procs {
constexpr int Cat = 1, Schem = 2, Name = 3, Type = 8;
}
namespace procCols {
constexpr int Cat = 1, Schem = 2, Proc = 3, Name = 4, ColumnType = 5, DataType = 6, TypeName = 7, Size = 8,
              Digits = 10, Ordinal = 18;
}
namespace stats {
constexpr int Cat = 1, Schem = 2, Table = 3, NonUnique = 4, IndexName = 6, Type = 7, Ordinal = 8, Column = 9,
              AscOrDesc = 10;
}

int IntOf(const Variant& v, int fallback = 0) {
    return v.IsNull() ? fallback : v.AsInteger();
}
} // namespace

// ---------------------------------------------------------------------------------------------

TODBCMetaDataCommand::TODBCMetaDataCommand() : args_(std::make_unique<TMetaDataArgs>()) {
    SetMetaDataKind(mkTables);
}

void TODBCMetaDataCommand::SetMetaDataKind(int kind) {
    kind_ = kind;
    // No statement text: the catalog function stands in its place (and names it in traces).
    static const char* const names[] = {"SQLTables",           "SQLColumns",    "SQLProcedures",
                                        "SQLProcedureColumns", "SQLStatistics", "SQLSpecialColumns"};
    finalSQL_ = kind >= 0 && kind <= 5 ? names[kind] : "?";
    userSQL_ = finalSQL_;
}

void TODBCMetaDataCommand::InternalExecute() {
    TODBCCli* cli = GetCli();
    TMetaDataArgs& a = *args_;
    SQLRETURN r;
    switch (kind_) {
    case mkTables:
        r = cli->SQLTables(stmt_, OptionalText(a.CatalogName), Length(a.CatalogName),
                           OptionalText(a.SchemaName), Length(a.SchemaName), Text(a.ObjectName),
                           Length(a.ObjectName), Text(a.TableTypes), Length(a.TableTypes));
        break;
    case mkColumns:
        r = cli->SQLColumns(stmt_, OptionalText(a.CatalogName), Length(a.CatalogName),
                            OptionalText(a.SchemaName), Length(a.SchemaName), Text(a.ObjectName),
                            Length(a.ObjectName), Text(a.ColumnName), Length(a.ColumnName));
        break;
    case mkProcedures:
        r = cli->SQLProcedures(stmt_, OptionalText(a.CatalogName), Length(a.CatalogName),
                               OptionalText(a.SchemaName), Length(a.SchemaName), Text(a.ObjectName),
                               Length(a.ObjectName));
        break;
    case mkProcedureColumns:
        // psqlODBC takes the column argument as a name, not a pattern: "%" (every column) goes
        // as the null pointer, which means the same to every driver.
        r = cli->SQLProcedureColumns(stmt_, OptionalText(a.CatalogName), Length(a.CatalogName),
                                     OptionalText(a.SchemaName), Length(a.SchemaName), Text(a.ObjectName),
                                     Length(a.ObjectName), a.ColumnName == "%" ? nullptr : Text(a.ColumnName),
                                     a.ColumnName == "%" ? 0 : Length(a.ColumnName));
        break;
    case mkStatistics:
        r = cli->SQLStatistics(stmt_, OptionalText(a.CatalogName), Length(a.CatalogName),
                               OptionalText(a.SchemaName), Length(a.SchemaName), Text(a.ObjectName),
                               Length(a.ObjectName), a.Option1, a.Option2);
        break;
    case mkSpecialColumns:
        r = cli->SQLSpecialColumns(stmt_, a.Option1, OptionalText(a.CatalogName), Length(a.CatalogName),
                                   OptionalText(a.SchemaName), Length(a.SchemaName), Text(a.ObjectName),
                                   Length(a.ObjectName), a.Option2, a.Option3);
        break;
    default:
        CRAccessAssertFailed("Unknown metadata kind", __LINE__);
    }
    Check(r);
}

// ---------------------------------------------------------------------------------------------

TODBCMetaDataRecordSet::TODBCMetaDataRecordSet() {
    // The base made a plain command; catalog calls need their own.
    CreateCommand();
}

void TODBCMetaDataRecordSet::CreateCommand() {
    SetCommand(new TODBCMetaDataCommand());
}

// ---------------------------------------------------------------------------------------------

AnsiString TODBCMetaData::Normalize(const AnsiString& name) {
    if (name.empty()) return name;
    return Command()->GetSQLInfo()->NormalizeName(name, false, true);
}

TData* TODBCMetaData::Run(int kind, void (TCRMetaData::*layout)(), void (TODBCMetaData::*copy)()) {
    TODBCMetaDataRecordSet* rs = MetaRecordSet();
    rs->Close();
    rs->Unprepare();
    Command()->SetMetaDataKind(kind);
    try {
        rs->Open();
    } catch (const EODBCError& e) {
        // Gone or timed out is no answer about the catalog: "no tables" would be a lie.
        if (e.IsFatalError() || e.State == "HYT00" || e.State == "HYT01") throw;
        if (!e.IsFatalError()) {
            SQLINTEGER dead = SQL_CD_FALSE;
            TODBCConnection* connection = Connection();
            if (connection && connection->ConnectionHandle() &&
                SQL_SUCCEEDED(connection->Cli()->SQLGetConnectAttr(
                    connection->ConnectionHandle(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
                dead == SQL_CD_TRUE)
                throw;
        }
        (this->*layout)();
        OpenResult();
        return data_.get();
    }
    (this->*layout)();
    OpenResult();
    try {
        RecordSetHelper().AllocBuffer();
        (this->*copy)();
    } catch (...) {
        rs->Close();
        throw;
    }
    rs->Close();
    data_->SetToBegin();
    return data_.get();
}

TData* TODBCMetaData::InternalGetMetaData(const AnsiString& kind, TStrings& restrictions) {
    if (kind == "specialcolumns") return GetSpecialColumns(restrictions);
    return TCRMetaData::InternalGetMetaData(kind, restrictions);
}

void TODBCMetaData::GetMetaDataKindsList(TStrings& list) {
    TCRMetaData::GetMetaDataKindsList(list);
    list.Add("SpecialColumns");
}

void TODBCMetaData::GetRestrictionsList(TStrings& list, const AnsiString& kind) {
    if (kind == "specialcolumns") {
        for (const char* name :
             {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "COLUMN_TYPE", "SCOPE", "NULLABLE"})
            list.Add(name);
        return;
    }
    TCRMetaData::GetRestrictionsList(list, kind);
}

TData* TODBCMetaData::GetTables(TStrings& restrictions) {
    TMetaDataArgs& a = Command()->Args();
    a.Clear();
    if (UpperCase(RestrictionValue(restrictions, "SCOPE")) == "LOCAL") {
        a.CatalogName = Connection()->GetCachedCatalog();
        a.SchemaName = Connection()->GetCachedSchema();
        a.TableTypes = "'TABLE','VIEW','SYNONYM','ALIAS'";
    } else {
        a.CatalogName = Normalize(RestrictionValue(restrictions, "TABLE_CATALOG"));
        a.SchemaName = Normalize(RestrictionValue(restrictions, "TABLE_SCHEMA"));
        a.TableTypes = RestrictionValue(restrictions, "TABLE_TYPE");
        if (a.TableTypes.empty()) a.TableTypes = "'TABLE','SYSTEM TABLE','VIEW','SYNONYM','ALIAS'";
    }
    a.ObjectName = Normalize(RestrictionValue(restrictions, "TABLE_NAME"));
    if (a.ObjectName.empty()) a.ObjectName = "%";
    return Run(mkTables, &TCRMetaData::CreateTablesFields, &TODBCMetaData::CopyTablesData);
}

TData* TODBCMetaData::GetColumns(TStrings& restrictions) {
    TMetaDataArgs& a = Command()->Args();
    a.Clear();
    a.CatalogName = Normalize(RestrictionValue(restrictions, "TABLE_CATALOG"));
    a.SchemaName = Normalize(RestrictionValue(restrictions, "TABLE_SCHEMA"));
    a.ObjectName = Normalize(RestrictionValue(restrictions, "TABLE_NAME"));
    if (a.ObjectName.empty()) a.ObjectName = "%";
    a.ColumnName = Normalize(RestrictionValue(restrictions, "COLUMN_NAME"));
    if (a.ColumnName.empty()) a.ColumnName = "%";
    return Run(mkColumns, &TCRMetaData::CreateColumnsFields, &TODBCMetaData::CopyColumnsData);
}

TData* TODBCMetaData::GetProcedures(TStrings& restrictions) {
    TMetaDataArgs& a = Command()->Args();
    a.Clear();
    if (UpperCase(RestrictionValue(restrictions, "SCOPE")) == "LOCAL") {
        a.CatalogName = Connection()->GetCachedCatalog();
        a.SchemaName = Connection()->GetCachedSchema();
    } else {
        a.CatalogName = Normalize(RestrictionValue(restrictions, "PROCEDURE_CATALOG"));
        a.SchemaName = Normalize(RestrictionValue(restrictions, "PROCEDURE_SCHEMA"));
    }
    a.ObjectName = Normalize(RestrictionValue(restrictions, "PROCEDURE_NAME"));
    if (a.ObjectName.empty()) a.ObjectName = "%";
    return Run(mkProcedures, &TCRMetaData::CreateProceduresFields, &TODBCMetaData::CopyProceduresData);
}

TData* TODBCMetaData::GetProcedureParameters(TStrings& restrictions) {
    TMetaDataArgs& a = Command()->Args();
    a.Clear();
    a.CatalogName = Normalize(RestrictionValue(restrictions, "PROCEDURE_CATALOG"));
    a.SchemaName = Normalize(RestrictionValue(restrictions, "PROCEDURE_SCHEMA"));
    a.ObjectName = Normalize(RestrictionValue(restrictions, "PROCEDURE_NAME"));
    if (a.ObjectName.empty()) a.ObjectName = "%";
    a.ColumnName = Normalize(RestrictionValue(restrictions, "PARAMETER_NAME"));
    if (a.ColumnName.empty()) a.ColumnName = "%";
    return Run(mkProcedureColumns, &TCRMetaData::CreateProcedureParametersFields,
               &TODBCMetaData::CopyProcedureParametersData);
}

TData* TODBCMetaData::GetIndexes(TStrings& restrictions) {
    TMetaDataArgs& a = Command()->Args();
    a.Clear();
    a.CatalogName = Normalize(RestrictionValue(restrictions, "TABLE_CATALOG"));
    a.SchemaName = Normalize(RestrictionValue(restrictions, "TABLE_SCHEMA"));
    a.ObjectName = Normalize(RestrictionValue(restrictions, "TABLE_NAME"));
    a.Option1 = SQL_INDEX_ALL;
    a.Option2 = SQL_QUICK;
    return Run(mkStatistics, &TCRMetaData::CreateIndexesFields, &TODBCMetaData::CopyIndexesData);
}

TData* TODBCMetaData::GetIndexColumns(TStrings& restrictions) {
    TMetaDataArgs& a = Command()->Args();
    a.Clear();
    a.CatalogName = Normalize(RestrictionValue(restrictions, "TABLE_CATALOG"));
    a.SchemaName = Normalize(RestrictionValue(restrictions, "TABLE_SCHEMA"));
    a.ObjectName = Normalize(RestrictionValue(restrictions, "TABLE_NAME"));
    a.Option1 = RestrictionValue(restrictions, "UNIQUE") == "1" ? SQL_INDEX_UNIQUE : SQL_INDEX_ALL;
    a.Option2 = SQL_QUICK;
    return Run(mkStatistics, &TCRMetaData::CreateIndexColumnsFields, &TODBCMetaData::CopyIndexColumnsData);
}

TData* TODBCMetaData::GetConstraints(TStrings&) {
    CreateConstraintsFields();
    OpenResult();
    return data_.get();
}

// ---- copy rules ----

void TODBCMetaData::CopyTablesData() {
    TDataHelper& source = RecordSetHelper();
    while (source.NextRecord()) {
        MemDataHelper().InitRecord();
        CopyRecord({tables::Cat, tables::Schem, tables::Name, tables::Type}, {1, 2, 3, 4});
        MemDataHelper().AppendRecord();
    }
}

void TODBCMetaData::CopyColumnsData() {
    TDataHelper& source = RecordSetHelper();
    // An ODBC 2 driver answers 12 columns: no ordinal position, no default.
    const bool odbc2 = RecordSet()->GetFieldDescCount() <= 16;
    int row = 0;
    while (source.NextRecord()) {
        ++row;
        MemDataHelper().InitRecord();
        CopyRecord({columns::Cat, columns::Schem, columns::Table, columns::Name, columns::TypeName,
                    columns::Size, columns::Size, columns::Digits, columns::Nullable},
                   {1, 2, 3, 4, 6, 7, 8, 9, 10});
        if (odbc2)
            MemDataHelper().SetFieldValue(5, Variant(row));
        else
            CopyRecord({columns::Ordinal, columns::Def}, {5, 11});
        MemDataHelper().AppendRecord();
    }
}

void TODBCMetaData::CopyProceduresData() {
    TDataHelper& source = RecordSetHelper();
    while (source.NextRecord()) {
        MemDataHelper().InitRecord();
        CopyRecord({procs::Cat, procs::Schem, procs::Name}, {1, 2, 3});
        int type = IntOf(source.GetFieldValue(procs::Type));
        MemDataHelper().SetFieldValue(
            4, Variant(AnsiString(type == SQL_PT_FUNCTION ? "FUNCTION" : "PROCEDURE")));
        MemDataHelper().AppendRecord();
    }
}

void TODBCMetaData::CopyProcedureParametersData() {
    TDataHelper& source = RecordSetHelper();
    const bool shortResult = RecordSet()->GetFieldDescCount() < 18;
    int row = 0;
    while (source.NextRecord()) {
        ++row;
        int columnType = IntOf(source.GetFieldValue(procCols::ColumnType), SQL_PARAM_TYPE_UNKNOWN);
        if (columnType == SQL_RESULT_COL) continue;
        MemDataHelper().InitRecord();
        CopyRecord({procCols::Cat, procCols::Schem, procCols::Proc, procCols::Name, procCols::TypeName,
                    procCols::Size, procCols::Size, procCols::Digits},
                   {1, 2, 3, 4, 7, 8, 9, 10});
        // A parameter of unknown kind shows no direction rather than the previous row's.
        const char* direction = nullptr;
        switch (columnType) {
        case SQL_PARAM_INPUT:
            direction = "IN";
            break;
        case SQL_PARAM_INPUT_OUTPUT:
            direction = "IN/OUT";
            break;
        case SQL_PARAM_OUTPUT:
        case SQL_RETURN_VALUE:
            direction = "OUT";
            break;
        default:
            break;
        }
        if (direction) MemDataHelper().SetFieldValue(6, Variant(AnsiString(direction)));
        if (shortResult)
            MemDataHelper().SetFieldValue(5, Variant(row));
        else
            CopyRecord({procCols::Ordinal}, {5});
        MemDataHelper().AppendRecord();
    }
}

void TODBCMetaData::CopyIndexesData() {
    TDataHelper& source = RecordSetHelper();
    bool written = false;
    AnsiString lastName;
    while (source.NextRecord()) {
        if (IntOf(source.GetFieldValue(stats::Type)) == SQL_TABLE_STAT) continue;
        Variant name = source.GetFieldValue(stats::IndexName);
        AnsiString text = name.IsNull() ? AnsiString() : name.AsAnsiString();
        if (written && text == lastName) continue;
        MemDataHelper().InitRecord();
        CopyRecord({stats::Cat, stats::Schem, stats::Table, stats::Cat, stats::Schem, stats::IndexName},
                   {1, 2, 3, 4, 5, 6});
        MemDataHelper().SetFieldValue(7,
                                      Variant(IntOf(source.GetFieldValue(stats::NonUnique), 1) == 0 ? 1 : 0));
        MemDataHelper().AppendRecord();
        written = true;
        lastName = text;
    }
}

void TODBCMetaData::CopyIndexColumnsData() {
    TDataHelper& source = RecordSetHelper();
    while (source.NextRecord()) {
        if (IntOf(source.GetFieldValue(stats::Type)) == SQL_TABLE_STAT) continue;
        MemDataHelper().InitRecord();
        CopyRecord({stats::Cat, stats::Schem, stats::Table, stats::Cat, stats::Schem, stats::IndexName,
                    stats::Column, stats::Ordinal},
                   {1, 2, 3, 4, 5, 6, 7, 8});
        Variant order = source.GetFieldValue(stats::AscOrDesc);
        bool desc = !order.IsNull() && order.AsAnsiString() == "D";
        MemDataHelper().SetFieldValue(9, Variant(AnsiString(desc ? "DESC" : "ASC")));
        MemDataHelper().AppendRecord();
    }
}

// ---- special columns ----

void TODBCMetaData::CreateSpecialColumnsFields() {
    BeginLayout();
    AddField("TABLE_CATALOG", tcString, 100);
    AddField("TABLE_SCHEMA", tcString, 100);
    AddField("TABLE_NAME", tcString, 100);
    AddField("COLUMN_NAME", tcString, 100);
    AddField("COLUMN_POSITION", tcInt32);
}

TData* TODBCMetaData::GetSpecialColumns(TStrings& restrictions) {
    TMetaDataArgs& a = Command()->Args();
    a.Clear();
    a.CatalogName = Normalize(RestrictionValue(restrictions, "TABLE_CATALOG"));
    a.SchemaName = Normalize(RestrictionValue(restrictions, "TABLE_SCHEMA"));
    a.ObjectName = Normalize(RestrictionValue(restrictions, "TABLE_NAME"));
    a.Option1 =
        UpperCase(RestrictionValue(restrictions, "COLUMN_TYPE")) == "ROWVER" ? SQL_ROWVER : SQL_BEST_ROWID;
    AnsiString scope = UpperCase(RestrictionValue(restrictions, "SCOPE"));
    a.Option2 = scope == "SESSION"       ? SQL_SCOPE_SESSION
                : scope == "TRANSACTION" ? SQL_SCOPE_TRANSACTION
                                         : SQL_SCOPE_CURROW;
    a.Option3 = RestrictionValue(restrictions, "NULLABLE") == "0" ? SQL_NO_NULLS : SQL_NULLABLE;
    AnsiString catalog = a.CatalogName.empty() ? Connection()->GetCachedCatalog() : a.CatalogName;
    AnsiString schema = a.SchemaName.empty() ? Connection()->GetCachedSchema() : a.SchemaName;
    AnsiString table = a.ObjectName;
    specialCatalog_ = catalog;
    specialSchema_ = schema;
    specialTable_ = table;
    return Run(mkSpecialColumns,
               static_cast<void (TCRMetaData::*)()>(&TODBCMetaData::CreateSpecialColumnsFields),
               &TODBCMetaData::CopySpecialColumns);
}

void TODBCMetaData::CopySpecialColumns() {
    CopySpecialColumnsData(specialCatalog_, specialSchema_, specialTable_);
}

void TODBCMetaData::CopySpecialColumnsData(const AnsiString& catalog, const AnsiString& schema,
                                           const AnsiString& table) {
    TDataHelper& source = RecordSetHelper();
    int row = 0;
    while (source.NextRecord()) {
        ++row;
        MemDataHelper().InitRecord();
        MemDataHelper().SetFieldValue(1, catalog.empty() ? Variant::Null() : Variant(catalog));
        MemDataHelper().SetFieldValue(2, schema.empty() ? Variant::Null() : Variant(schema));
        MemDataHelper().SetFieldValue(3, Variant(table));
        CopyRecord({2}, {4});
        MemDataHelper().SetFieldValue(5, Variant(row));
        MemDataHelper().AppendRecord();
    }
}

// ---------------------------------------------------------------------------------------------
// Procedure description

void TODBCCommand::DescribeProcParams(const AnsiString& name) {
    if (!odbcConnection_) throw Exception("Connection is not defined");
    TSQLInfo* info = GetSQLInfo();
    AnsiString procedure, schema, catalog, dbLink;
    info->SplitObjectName(name, procedure, schema, catalog, dbLink);
    procedure = info->NormalizeName(procedure, false, true);
    schema = schema.empty() ? odbcConnection_->GetCachedSchema() : info->NormalizeName(schema, false, true);
    catalog =
        catalog.empty() ? odbcConnection_->GetCachedCatalog() : info->NormalizeName(catalog, false, true);
    TODBCMetaDataRecordSet rs;
    rs.SetConnection(odbcConnection_);
    rs.SetComponent(Component);
    rs.SetProp(prFetchAll, true);
    TODBCMetaDataCommand* command = rs.MetaDataCommand();
    command->SetMetaDataKind(mkProcedureColumns);
    command->Args().CatalogName = catalog;
    command->Args().SchemaName = schema;
    command->Args().ObjectName = procedure;
    command->Args().ColumnName = "%";
    rs.Open();
    params_.Clear();
    void* buffer = nullptr;
    rs.AllocRecBuf(buffer);
    try {
        for (rs.GetNextRecord(buffer); !rs.IsEOF(); rs.GetNextRecord(buffer)) {
            auto value = [&](int field) {
                Variant v;
                rs.GetFieldAsVariant(field, buffer, v);
                return v;
            };
            int columnType = IntOf(value(procCols::ColumnType), SQL_PARAM_TYPE_UNKNOWN);
            if (columnType == SQL_RESULT_COL) continue;
            if (columnType == SQL_RETURN_VALUE && !odbcConnection_->ReportsReturnValue()) continue;
            uint8_t direction = pdUnknown;
            switch (columnType) {
            case SQL_PARAM_INPUT:
                direction = pdInput;
                break;
            case SQL_PARAM_INPUT_OUTPUT:
                direction = pdInputOutput;
                break;
            case SQL_PARAM_OUTPUT:
                direction = odbcConnection_->OutParamsAreInOut() ? pdInputOutput : pdOutput;
                break;
            case SQL_RETURN_VALUE:
                direction = pdResult;
                break;
            default:
                break;
            }
            Variant columnName = value(procCols::Name);
            AnsiString paramName = columnName.IsNull() ? AnsiString() : columnName.AsAnsiString();
            if (!paramName.empty() && paramName[0] == '@') paramName.erase(0, 1);
            uint16_t dataType = 0;
            int16_t subType = 0;
            int length = 0, scale = 0;
            bool fixed = false;
            GetFieldDataType(static_cast<SQLSMALLINT>(IntOf(value(procCols::DataType))),
                             static_cast<SQLULEN>(IntOf(value(procCols::Size))),
                             static_cast<SQLSMALLINT>(IntOf(value(procCols::Digits))), false, true, true,
                             dataType, subType, length, scale, fixed);
            TParamDesc* param = AddParam();
            param->SetName(paramName);
            param->SetParamType(direction);
            param->SetDataType(dataType);
            param->SetSubDataType(subType);
            param->SetSize(length);
        }
    } catch (...) {
        rs.FreeRecBuf(buffer);
        throw;
    }
    rs.FreeRecBuf(buffer);
    rs.Close();
}
