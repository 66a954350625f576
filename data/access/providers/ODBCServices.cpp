#include "data/access/providers/ODBCServices.h"

#include "data/access/CRRecordSet.h"
#include "data/access/CRSQLInfo.h"
#include "data/access/DADataSet.h"
#include "data/access/DAMetaData.h"
#include "data/access/DASQLText.h"
#include "data/access/DBAccessUtils.h"
#include "data/access/providers/ODBCRecordSet.h"
#include "platform/db/DBTypes.h"

#include <map>
#include <set>
#include <vector>

namespace {
bool IsSQLite(TCustomDAConnection* connection) {
    auto* odbc = dynamic_cast<TODBCConnection*>(TDBAccessUtils::GetIConnection(connection));
    if (!odbc || !odbc->Cli()) return false;
    char name[64] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(
            odbc->Cli()->SQLGetInfo(odbc->ConnectionHandle(), SQL_DBMS_NAME, name, sizeof name, &length)))
        return false;
    name[sizeof name - 1] = 0;
    return AnsiSameText(name, "SQLite");
}

AnsiString DoubleQuoted(const AnsiString& name) {
    AnsiString text = "\"";
    for (char c : name)
        text += c == '"' ? AnsiString("\"\"") : AnsiString(1, c);
    return text + "\"";
}
} // namespace

// ---- generator ---------------------------------------------------------------------------------

void TCustomODBCSQLGenerator::GenerateInsertSQL(const TKeyAndDataFields& fields, bool modifiedOnly,
                                                int index) {
    TDASQLGenerator::GenerateInsertSQL(fields, modifiedOnly, index);
    // No field given: every field is inserted rather than an empty list no server runs.
    if (fldList_.empty() && modifiedOnly) {
        Clear();
        TDASQLGenerator::GenerateInsertSQL(fields, false, index);
    }
}

void TCustomODBCSQLGenerator::GenerateLockSQL(const TKeyAndDataFields& fields, bool, int index) {
    if (fields.DataFieldDescs.size() < 2) return;
    header_ = "UPDATE " + TableName() + "\r" + "SET" + "\r" + "  ";
    TFieldDesc* first = fields.DataFieldDescs[0];
    fldList_ = GetActualFieldName(first, false) + " = ";
    AddParam(fldList_, first, stLock, ptInput, index, false);
    middle_ = AnsiString("\r") + "WHERE" + "\r" + "  ";
    // The row is matched as an update would match it: by every data field, then the read-only keys.
    TKeyAndDataFields condition;
    condition.DataFieldDescs =
        (dataSet_->ComponentState() & csDesigning) ? fields.KeyFieldDescs : fields.DataFieldDescs;
    for (TFieldDesc* key : fields.KeyFieldDescs)
        if (key->IsReadOnly) condition.DataFieldDescs.push_back(key);
    GenerateConditions(condition_, stUpdate, false, condition, -1);
}

// ---- updater -----------------------------------------------------------------------------------

void TCustomODBCDataSetUpdater::AfterCreateUpdateQuery(TCustomDADataSet* query) {
    TCRRecordSet* own = service_->RecordSet();
    TCRRecordSet* rs = TDBAccessUtils::GetIRecordSet(query);
    if (!rs || !own) return;
    Variant timeout;
    if (own->GetProp(prCommandTimeout, timeout)) rs->SetProp(prCommandTimeout, timeout);
    rs->SetProp(prExtendedFieldsInfo, false);
}

bool TCustomAccessDataSetUpdater::GetIdentityValue(Variant& value) {
    value = ExecuteSelectValue("SELECT @@IDENTITY");
    return true;
}

// ---- services ----------------------------------------------------------------------------------

TCustomODBCDataSetService::TCustomODBCDataSetService(TComponent* dataSet) : TDADataSetService(dataSet) {
    // The base constructors made the base updater and generator: the provider's take their place.
    TCustomODBCDataSetService::MakeUpdater();
    TCustomODBCDataSetService::CreateSQLGenerator();
}

void TCustomODBCDataSetService::MakeUpdater() {
    SetUpdater(new TCustomODBCDataSetUpdater(this));
}

void TCustomODBCDataSetService::CreateSQLGenerator() {
    SetSQLGenerator(new TCustomODBCSQLGenerator(this));
}

namespace {

struct TServerColumn {
    AnsiString Name;
    AnsiString Default; // empty: none
};

// The table's columns in catalog order, by SQLColumns through the metadata component.
std::vector<TServerColumn> ReadServerColumns(TSQLInfo* info, TCustomDAConnection* connection,
                                             const AnsiString& table) {
    AnsiString name, schema, catalog, dbLink;
    info->SplitObjectName(table, name, schema, catalog, dbLink);
    TDAMetaData meta(nullptr);
    meta.SetConnection(connection);
    meta.SetMetaDataKind("columns");
    TStringList restrictions;
    restrictions.SetText("TABLE_CATALOG=" + info->UnQuote(catalog) + "\r\nTABLE_SCHEMA=" +
                         info->UnQuote(schema) + "\r\nTABLE_NAME=" + info->UnQuote(name));
    meta.SetRestrictions(&restrictions);
    meta.Open();
    std::vector<TServerColumn> result;
    TField* nameField = meta.FindField("COLUMN_NAME");
    TField* defaultField = meta.FindField("DEFAULT_VALUE");
    for (meta.First(); nameField && !meta.Eof(); meta.Next()) {
        TServerColumn column;
        column.Name = nameField->GetAsString();
        // The word NULL stands for no default: a new record's field is Null anyway.
        if (defaultField && !defaultField->IsNull() && !SameText(defaultField->GetAsString(), "NULL"))
            column.Default = defaultField->GetAsString();
        result.push_back(column);
    }
    meta.Close();
    return result;
}

} // namespace

std::map<AnsiString, AnsiString> TCustomODBCDataSetService::SQLiteWrittenDefaults(const AnsiString& table) {
    TSQLInfo* info = SQLInfo();
    AnsiString name, schema, catalog, dbLink;
    info->SplitObjectName(table, name, schema, catalog, dbLink);
    std::map<AnsiString, AnsiString> written;
    TCustomDADataSet* query = static_cast<TDADataSetUpdater*>(Updater())->CheckUpdateQuery(stCustom);
    TStringList lines;
    const AnsiString unquotedSchema = info->UnQuote(schema);
    lines.SetText("PRAGMA " + (unquotedSchema.empty() ? AnsiString() : DoubleQuoted(unquotedSchema) + ".") +
                  "table_info(" + DoubleQuoted(info->UnQuote(name)) + ")");
    query->SetSQL(lines);
    query->Params()->Clear();
    query->Open();
    struct Close {
        TCustomDADataSet* q;
        ~Close() { q->Close(); }
    } close{query};
    TField* column = query->FindField("name");
    TField* value = query->FindField("dflt_value");
    for (query->First(); column && value && !query->Eof(); query->Next())
        if (!value->IsNull()) written[column->GetAsString()] = value->GetAsString();
    return written;
}

void TCustomODBCDataSetService::FillExtFieldsInfo(TColumnsInfo& columns) {
    TCRTablesInfo& tables = RecordSet()->TablesInfo();
    const int updating = UpdatingTableIndex();
    if (UpdatingTableIsPropertyOnly()) return;
    TSQLInfo* info = SQLInfo();
    const bool defaults = dataSet_->Options()->DefaultValues();
    const bool origins = dataSet_->Options()->FieldsOrigin();
    const bool mixedCase = info->IdentCase() == icMixed;
    // A bare "*" stands for the columns of every table in FROM order, so each table is read for
    // it; it stays in the list until the last table has put its columns in front of it.
    bool bareStar = false;
    for (int i = 0; i < columns.Count(); ++i)
        if (columns[i]->Name == "*" && columns[i]->Table.empty()) bareStar = true;
    std::set<TColumnInfo*> expandedBareStars;
    for (int t = 0; t < tables.Count(); ++t) {
        if (!(origins || t == updating || bareStar)) continue;
        std::vector<TServerColumn> serverColumns =
            ReadServerColumns(info, dataSet_->Connection(), tables[t]->TableName());
        const bool withDefaults = defaults && t == updating;
        if (withDefaults && IsSQLite(dataSet_->Connection())) {
            // The SQLite driver hands a text default over without its quotes ("def" for 'def'),
            // which then reads as a column's name; the table's own description keeps each default
            // as it was written.
            const std::map<AnsiString, AnsiString> written = SQLiteWrittenDefaults(tables[t]->TableName());
            for (TServerColumn& c : serverColumns) {
                auto found = written.find(c.Name);
                c.Default =
                    found != written.end() && !SameText(found->second, "NULL") ? found->second : AnsiString();
            }
        }
        for (int i = 0; i < columns.Count(); ++i) {
            TColumnInfo* item = columns[i];
            if (item->Name.empty()) continue;
            if (item->TableIndex >= 0 && item->TableIndex != t) continue;
            // A prefix that names no table of the statement is left alone.
            if (item->TableIndex < 0 && !item->Table.empty()) continue;
            if (item->Name == "*") {
                for (const TServerColumn& c : serverColumns) {
                    auto* expanded = new TColumnInfo;
                    expanded->Name = c.Name;
                    expanded->Alias = c.Name;
                    expanded->Table = item->Table;
                    expanded->TableIndex = t;
                    if (withDefaults) expanded->Expr = c.Default;
                    columns.Insert(i++, expanded);
                }
                if (item->Table.empty()) {
                    expandedBareStars.insert(item);
                } else {
                    // A qualified star belongs to this table alone: its columns take its place.
                    columns.Delete(i--);
                }
                continue;
            }
            if (item->TableIndex == t && !withDefaults) continue;
            const AnsiString bare = info->UnQuote(item->Name);
            for (const TServerColumn& c : serverColumns) {
                if (!(mixedCase ? SameText(bare, c.Name) : bare == c.Name)) continue;
                item->TableIndex = t;
                if (defaults) item->Expr = c.Default;
                break;
            }
        }
    }
    for (int i = columns.Count() - 1; i >= 0; --i)
        if (expandedBareStars.count(columns[i])) columns.Delete(i);
}

bool TCustomODBCDataSetService::CanModify() {
    return TDADataSetService::CanModify() || (!dataSet_->ReadOnly() && HasWritableField());
}

AnsiString TCustomODBCDataSetService::RecCountSQL() {
    TCRCommand* command = TDBAccessUtils::GetICommand(dataSet_);
    const TSQLParserClass* parser = command ? command->GetParserClass() : nullptr;
    AnsiString text = SqlReplaceOrderBy(dataSet_->GetFinalSQL(), AnsiString(), parser);
    // The derived table needs a name on most servers (PostgreSQL, SQL Server, MySQL).
    return "SELECT count(*) FROM (\r" + text + "\r) q";
}

int TCustomODBCDataSetService::GetRecCount() {
    auto* updater = static_cast<TDADataSetUpdater*>(Updater());
    TCustomDADataSet* query = updater->CheckUpdateQuery(stCustom);
    TStringList lines;
    lines.SetText(RecCountSQL());
    query->SetSQL(lines);
    query->Params()->Assign(dataSet_->Params());
    query->Open();
    struct Close {
        TCustomDADataSet* q;
        ~Close() { q->Close(); }
    } close{query};
    if (query->IsEmpty()) return 0;
    return query->Fields()[0]->GetAsInteger();
}

TCustomAccessDataSetService::TCustomAccessDataSetService(TComponent* dataSet)
    : TCustomODBCDataSetService(dataSet) {
    TCustomAccessDataSetService::MakeUpdater();
}

void TCustomAccessDataSetService::MakeUpdater() {
    SetUpdater(new TCustomAccessDataSetUpdater(this));
}

TFieldDesc* TCustomAccessDataSetService::DetectIdentityField() {
    TCRTableInfo* table = UpdatingTableInfo();
    TFieldDescs& descs = RecordSet()->FieldDescs();
    for (int i = 0; i < descs.Count(); ++i) {
        auto* desc = static_cast<TCRFieldDesc*>(descs[i]);
        if (desc->IsAutoIncrement && table && desc->TableInfo == table) return desc;
    }
    return nullptr;
}
