#include "data/access/DADump.h"

#include "data/access/CRAccess.h"
#include "data/access/CRRecordSet.h"
#include "data/access/DAConnection.h"
#include "data/access/DADataSet.h"
#include "data/access/DBAccessUtils.h"

#include "platform/core/DateTime.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Streams.h"
#include "platform/core/Variant.h"
#include "platform/db/DBTypes.h"

namespace {
TFormatSettings PointSettings() {
    TFormatSettings fs = FormatSettings();
    fs.DecimalSeparator = '.';
    fs.ThousandSeparator = ',';
    return fs;
}

// 15 significant digits where they read back to the same double, else the shortest text that
// does: 0.1 + 0.2 must not come back as 0.3.
AnsiString RoundTripFloat(double value) {
    TFormatSettings fs = PointSettings();
    for (int digits = 15; digits < 17; ++digits) {
        AnsiString text = FloatToStrPrecision(value, digits, fs);
        double back = 0;
        if (TryStrToFloat(text, back, fs) && back == value) return text;
    }
    return FloatToStrPrecision(value, 17, fs);
}

AnsiString Quoted(const AnsiString& text) {
    AnsiString result = "'";
    for (char c : text) {
        if (c == '\'') result += '\'';
        result += c;
    }
    return result + "'";
}

AnsiString TimeText(TDateTime value, const char* format) {
    int h, n, s, ms;
    DecodeTime(value, h, n, s, ms);
    AnsiString text = FormatDateTime(format, value, PointSettings());
    // Milliseconds are kept when there are any.
    if (ms != 0) text += FormatDateTime(".zzz", value, PointSettings());
    return text;
}

bool IsBinary(TFieldType type) {
    switch (type) {
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftGraphic:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
        return true;
    default:
        return false;
    }
}
} // namespace

std::unique_ptr<TDataSet> TDADumpOwner::OpenQuery(const AnsiString&) {
    DatabaseError("Connection is not defined");
}

void TDADumpOwner::GetTableNames(TStrings*) {
    DatabaseError("Connection is not defined");
}

void TDADumpOwner::QueryTables(const AnsiString&, TStrings*) {
    DatabaseError("Connection is not defined");
}

TDADumpProcessor::TDADumpProcessor(TDADumpOwner* owner) : owner_(owner) {}

TDADumpProcessor::~TDADumpProcessor() = default;

std::unique_ptr<TDADumpProcessor> TDADumpProcessor::CreateOf(TClass processorClass, TDADumpOwner* owner) {
    auto processor = processorClass->Create<TDADumpProcessor>();
    processor->owner_ = owner;
    return processor;
}

std::unique_ptr<TCustomDADataSet> TDADumpProcessor::NewQuery() {
    TCustomDAConnection* connection = owner_->Connection();
    if (!connection) DatabaseError("Connection is not defined");
    std::unique_ptr<TCustomDADataSet> query = connection->CreateDataSet();
    query->Options()->SetExtendedFieldsInfo(false);
    return query;
}

std::unique_ptr<TCustomDADataSet> TDADumpProcessor::DataQuery() {
    return NewQuery();
}

TSQLInfo* TDADumpProcessor::SQLInfo() {
    Assert(query_ != nullptr, "Dump query is not created");
    if (TCRCommand* command = TDBAccessUtils::GetICommand(query_.get())) return command->GetSQLInfo();
    // Before the query has a record set its connection's dialect serves.
    TCustomDAConnection* connection = query_->Connection();
    if (connection && connection->InternalConnection()) return connection->InternalConnection()->GetSQLInfo();
    return DefaultSQLInfo();
}

std::unique_ptr<TDataSet> TDADumpProcessor::OpenData(const AnsiString& sql) {
    if (!owner_->Connection()) return owner_->OpenQuery(sql);
    std::unique_ptr<TCustomDADataSet> query = DataQuery();
    query->SQL()->SetText(sql);
    query->Open();
    return query;
}

AnsiString TDADumpProcessor::NormalizeName(const AnsiString& name) {
    if (!owner_->Connection()) return owner_->NormalizeName(name, owner_->QuoteNames);
    return SQLInfo()->NormalizeName(name, owner_->QuoteNames);
}

void TDADumpProcessor::AddLine(const AnsiString& text) {
    if (owner_->Stream) {
        AnsiString line = text + "\r\n";
        owner_->Stream->Write(line.data(), static_cast<int64_t>(line.size()));
    } else {
        owner_->Lines.Add(text);
    }
}

void TDADumpProcessor::CheckQuery(const AnsiString& query) {
    if (!query.empty() && owner_->TableNames.Count() > 1)
        throw Exception("To execute BackupQuery TableNames must have not more than one table");
}

void TDADumpProcessor::Backup(const AnsiString& queryText) {
    AnsiString query = Trim(queryText);
    CheckQuery(query);
    owner_->Lines.BeginUpdate();
    struct TEnd {
        TStringList& lines;
        ~TEnd() { lines.EndUpdate(); }
    } end{owner_->Lines};
    owner_->Lines.Clear();
    if (owner_->AddHeader) {
        TStringList header;
        header.SetText(owner_->HeaderText());
        for (int i = 0; i < header.Count(); ++i)
            AddLine(header[i]);
    }
    BeforeObjects();
    BackupObjects(query);
    AfterObjects();
}

AnsiString TDADumpProcessor::QuoteName(const AnsiString& name) {
    if (owner_->Connection()) {
        TSQLInfo* info = SQLInfo();
        return owner_->QuoteNames || info->QuotesNeeded(name) ? info->QuoteName(name) : name;
    }
    if (owner_->QuoteNames || owner_->NeedsQuoting(name)) return owner_->Quote(name);
    return name;
}

void TDADumpProcessor::BackupObjects(const AnsiString& query) {
    if (owner_->Connection() && !query_) query_ = NewQuery();
    if (!query.empty()) {
        BackupData(AnsiString(), query, 1, 1);
        return;
    }
    TStringList names;
    if (owner_->TableNames.Count() > 0) {
        for (int i = 0; i < owner_->TableNames.Count(); ++i)
            names.Add(NormalizeName(owner_->TableNames[i]));
    } else {
        TStringList all;
        if (TCustomDAConnection* connection = owner_->Connection())
            connection->GetTableNames(all);
        else
            owner_->GetTableNames(&all);
        for (int i = 0; i < all.Count(); ++i)
            names.Add(QuoteName(all[i]));
    }
    for (int i = 0; i < names.Count(); ++i)
        BackupData(names[i], AnsiString(), names.Count(), i + 1);
}

void TDADumpProcessor::BackupData(const AnsiString& tableName, const AnsiString& query, int tableCount,
                                  int tableNumber) {
    std::unique_ptr<TDataSet> data = OpenData(query.empty() ? "SELECT * FROM " + tableName : query);
    AnsiString name = tableName;
    if (name.empty()) {
        TStringList tables;
        if (owner_->Connection()) {
            TCRTablesInfo info;
            SQLInfo()->ParseTablesInfo(query, info);
            for (int i = 0; i < info.Count(); ++i)
                tables.Add(info[i]->TableName());
        } else {
            owner_->QueryTables(query, &tables);
        }
        if (tables.Count() != 1) throw Exception("Query must contain one table");
        name = NormalizeName(tables[0]);
    }
    AddLine(AnsiString());
    if (owner_->AddDelete) AddLine("DELETE FROM " + name + ";");
    if (!data->IsEmpty()) {
        AnsiString prefix = "INSERT INTO " + name;
        if (owner_->CompleteInsert || !query.empty()) {
            AnsiString fields;
            for (int i = 0; i < data->FieldCount(); ++i)
                fields += (i ? ", " : "") + QuoteName(data->Fields()[i]->FieldName());
            prefix += "(" + fields + ")";
        }
        prefix += " VALUES (";
        int count = data->RecordCount();
        // A fresh query stands on its first row; a forward-only one cannot go back to it.
        for (; !data->Eof(); data->Next()) {
            AnsiString values;
            for (int i = 0; i < data->FieldCount(); ++i)
                values += (i ? ", " : "") + ValueText(data->Fields()[i]);
            AddLine(prefix + values + ");");
            if (owner_->OnProgress)
                owner_->OnProgress(owner_, name, count > 0 ? data->RecNo() * 100 / count : 100, tableCount,
                                   tableNumber);
        }
    }
    data->Close();
}

AnsiString TDADumpProcessor::ValueText(TField* field) {
    if (field->IsNull()) return "NULL";
    TFieldType type = field->DataType();
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftLargeint:
        return IntToStr(field->GetAsLargeInt());
    case ftBoolean:
        return field->GetAsBoolean() ? "-1" : "0";
    case ftFloat:
        return RoundTripFloat(field->GetAsFloat());
    case ftBCD:
        return FloatToStr(field->GetAsCurrency().ToDouble(), PointSettings());
    case ftDate:
        return "'" + FormatDateTime("yyyy-mm-dd", field->GetAsDateTime(), PointSettings()) + "'";
    case ftTime:
        return "'" + TimeText(field->GetAsDateTime(), "hh:nn:ss") + "'";
    case ftDateTime:
        return "'" + TimeText(field->GetAsDateTime(), "yyyy-mm-dd hh:nn:ss") + "'";
    case ftFMTBcd: {
        AnsiString text = field->GetAsString();
        char separator = FormatSettings().DecimalSeparator;
        for (char& c : text)
            if (c == separator) c = '.';
        return text;
    }
    default:
        break;
    }
    if (IsBinary(type)) {
        // Bytes pass through no code page: the standard hexadecimal literal keeps every one.
        static const char digits[] = "0123456789ABCDEF";
        TBytes bytes = field->GetAsBytes();
        AnsiString text = "X'";
        for (uint8_t b : bytes) {
            text += digits[b >> 4];
            text += digits[b & 15];
        }
        return text + "'";
    }
    return Quoted(field->GetAsString());
}
