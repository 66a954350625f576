// Internal command, its parameter scan and the parameter descriptors.
#include "data/access/CRAccess.h"
#include "data/memory/CLRClasses.h"
#include "data/memory/CRParser.h"

// ---------------------------------------------------------------------------------------------
// TParamDesc

bool TParamDesc::SetValue(const Variant& value) {
    value_ = value;
    valuePtr_ = nullptr;
    isNull_ = value.IsEmptyOrNull();
    return isNull_;
}

void* TParamDesc::GetValuePtr() const {
    if (valuePtr_) return valuePtr_;
    if (value_.IsEmptyOrNull()) return nullptr;
    CRAccessAssertFailed("Parameter value is not held by reference", __LINE__);
}

void TParamDesc::SetValuePtr(void* value) {
    value_ = Variant();
    valuePtr_ = value;
}

void TParamDesc::SetNull(bool value) {
    isNull_ = value;
    if (!valuePtr_) value_ = Variant();
}

// ---------------------------------------------------------------------------------------------
// TParamDescs

TParamDesc* TParamDescs::Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
    return items_[static_cast<size_t>(index)].get();
}

int TParamDescs::Add(TParamDesc* item) {
    items_.emplace_back(item);
    return Count() - 1;
}

TParamDesc* TParamDescs::FindParam(const AnsiString& name) const {
    for (auto& item : items_)
        if (AnsiSameText(item->GetName(), name)) return item.get();
    return nullptr;
}

int TParamDescs::IndexOf(const TParamDesc* item) const {
    for (int i = 0; i < Count(); ++i)
        if (items_[static_cast<size_t>(i)].get() == item) return i;
    return -1;
}

void TParamDescs::Delete(int index) {
    Items(index); // range check
    items_.erase(items_.begin() + index);
}

// ---------------------------------------------------------------------------------------------
// TCRCommand

TCRCommand::~TCRCommand() = default;

std::unique_ptr<TSQLInfo> TCRCommand::CreateSQLInfo() {
    return TSQLInfo::CreateOf(GetSQLInfoClass(), GetParserClass());
}

const TSQLParserClass* TCRCommand::GetParserClass() const {
    CRAccessAssertFailed("Not overriden in an inherited class", __LINE__);
}

TSQLInfo* TCRCommand::GetSQLInfo() {
    if (connection_) return connection_->GetSQLInfo();
    if (!sqlInfo_) sqlInfo_ = CreateSQLInfo();
    return sqlInfo_.get();
}

void TCRCommand::ScanInto(const AnsiString& sql) {
    // The scan fills params_ as it goes; keep the old list until it has succeeded.
    TParamDescs previous;
    previous.Swap(params_);
    AnsiString finalSQL;
    try {
        finalSQL = ParseSQL(sql, &params_, AnsiString());
    } catch (...) {
        params_.Swap(previous);
        throw;
    }
    finalSQL_ = std::move(finalSQL);
}

void TCRCommand::SetSQL(const AnsiString& value) {
    if (value == userSQL_) return;
    if (disableParamScan_) {
        userSQL_ = value;
        finalSQL_ = value;
        return;
    }
    // The text is kept only once it has been scanned, so that a text the lexer rejects can be set
    // again (and fail again) rather than silently run the previous statement.
    ScanInto(value);
    userSQL_ = value;
}

void TCRCommand::RescanParams() {
    ScanInto(userSQL_);
}

AnsiString TCRCommand::ParseSQL(const AnsiString& sql, TParamDescs* params, const AnsiString& renamePrefix) {
    TSQLInfo* sqlInfo = GetSQLInfo();
    const char leftQuote = sqlInfo->LeftQuote();
    const char rightQuote = sqlInfo->RightQuote();

    const int length = static_cast<int>(sql.size());
    AnsiStringBuilder builder(length + length / 2);
    std::unique_ptr<TSQLParser> parser = GetParserClass()->Create(sql);
    if (params) params->Clear();

    parser->SkipBlankLexemes = false;
    parser->SkipCommentLexemes = true;
    parser->KeepQuotes = true;
    parser->NumberDecimalChar = '.';
    parser->ResetPos();

    // SkipToLexeme never matches inside strings or comments.
    int64_t copied = 0;
    while (parser->SkipToLexeme(":")) {
        int64_t colon = parser->CurrentOffset() - 1;
        builder.Append(sql.data() + copied, static_cast<int>(colon - copied));
        ParseSQLParam(builder, *parser, params, renamePrefix, rightQuote, leftQuote);
        copied = parser->CurrentOffset();
    }
    if (copied < length) builder.Append(sql.data() + copied, static_cast<int>(length - copied));
    return builder.ToString();
}

void TCRCommand::ParseSQLParam(AnsiStringBuilder& builder, TParser& parser, TParamDescs* params,
                               const AnsiString& renamePrefix, char rightQuote, char leftQuote) {
    AnsiString lexeme;
    int code = parser.GetNext(lexeme);
    bool at = false;
    if (code != lcString && lexeme == "@") {
        at = true;
        code = parser.GetNext(lexeme);
    }

    bool keyword = false;
    if (code > 0 && !lexeme.empty()) {
        unsigned char c = static_cast<unsigned char>(lexeme[0]);
        keyword = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
    }
    bool isParam = (params || !renamePrefix.empty()) && (code == lcIdent || code == lcNumber || keyword);
    if (!isParam) {
        builder.AppendChar(':');
        if (at) builder.AppendChar('@');
        builder.Append(lexeme);
        return;
    }

    AnsiString name = at ? "@" + lexeme : lexeme;
    if (name.size() >= 2 && name.front() == leftQuote && name.back() == rightQuote)
        name = name.substr(1, name.size() - 2);

    if (params) {
        TParamDesc* param = AddParam();
        param->SetName(name);
        builder.AppendChar('?');
    } else {
        builder.Append(renamePrefix);
        builder.Append(name);
    }
}

TParamDesc* TCRCommand::AddParam() {
    std::unique_ptr<TParamDesc> param = GetParamDescClass()->Create<TParamDesc>();
    TParamDesc* result = param.get();
    params_.Add(param.release());
    return result;
}

void TCRCommand::SetCursor(TCRCursor* /*value*/) {
    throw Exception("Operation is not supported by the database");
}

bool TCRCommand::SetProp(int prop, const Variant& value) {
    switch (prop) {
    case prAutoCommit:
        autoCommit_ = value.AsBoolean();
        break;
    case prScanParams: {
        bool scan = value.AsBoolean();
        if (scan != scanParams_) {
            scanParams_ = scan;
            if (scan && !userSQL_.empty()) RescanParams();
        }
        break;
    }
    case prCompressBlobMode:
        compressBlob_ = static_cast<TCompressBlobMode>(value.AsInteger());
        break;
    case prDisableParamScan:
        disableParamScan_ = value.AsBoolean();
        break;
    case prQuoteNames:
        quoteNames_ = value.AsBoolean();
        break;
    case prEnableBCD:
        enableBCD_ = value.AsBoolean();
        break;
    case prEnableFmtBCD:
        enableFMTBCD_ = value.AsBoolean();
        break;
    case prReserved33:
    case prOutParamIsSet:
    case prIsStoredProc:
        break;
    default:
        CRAccessUnknownProp(prop, __LINE__);
    }
    return true;
}

bool TCRCommand::GetProp(int prop, Variant& value) {
    switch (prop) {
    case prExecuting:
        value = executing_;
        break;
    case prOutParamIsSet:
        value = true;
        break;
    case prIsRowsAffectedKnown:
    case prParamsDescribed:
        value = false;
        break;
    default:
        CRAccessUnknownProp(prop, __LINE__);
    }
    return true;
}
