// ODBC command: preparation, parameter binding, execution, data at execution, output values and
// the type tables.
#include "data/access/providers/ODBCClasses.h"
#include "data/memory/Blob.h"
#include "data/memory/FieldDescs.h"

namespace {
[[noreturn]] void CannotConvert() {
    throw Exception("Cannot convert type");
}

SQLPOINTER IntPointer(intptr_t value) {
    return reinterpret_cast<SQLPOINTER>(value);
}
} // namespace

TODBCCommand::~TODBCCommand() {
    try {
        Unprepare();
    } catch (...) {
    }
}

const TSQLParserClass* TODBCCommand::GetParserClass() const {
    return ParserClassOf<TODBCParser>("TODBCParser");
}

void TODBCCommand::SetConnection(TCRConnection* value) {
    if (value == connection_) return;
    TCRCommand::SetConnection(value);
    odbcConnection_ = static_cast<TODBCConnection*>(value);
}

TODBCCli* TODBCCommand::GetCli() {
    return odbcConnection_->Cli();
}

void TODBCCommand::Check(SQLRETURN code) {
    if (IsODBCError(code)) odbcConnection_->ProcessODBCError(SQL_HANDLE_STMT, stmt_, Component, code);
}

void TODBCCommand::Prepare() {
    if (stmt_) return;
    if (!odbcConnection_) throw Exception("Connection is not defined");
    // A blank statement fails before anything reaches the driver.
    if (Trim(finalSQL_).empty()) throw Exception("No SQL statement provided");
    TODBCCli* cli = GetCli();
    SQLHSTMT handle = SQL_NULL_HSTMT;
    SQLRETURN r = cli->SQLAllocHandle(SQL_HANDLE_STMT, odbcConnection_->ConnectionHandle(), &handle);
    if (IsODBCError(r)) odbcConnection_->Check(r);
    stmt_ = handle;
    bound_.clear();
    try {
        if (CommandTimeout != 0)
            Check(cli->SQLSetStmtAttr(stmt_, SQL_ATTR_QUERY_TIMEOUT, IntPointer(CommandTimeout), 0));
        InternalPrepare();
    } catch (...) {
        cli->SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
        stmt_ = nullptr;
        throw;
    }
    cursorState_ = csPrepared;
}

void TODBCCommand::InternalPrepare() {
    if (Trim(finalSQL_).empty()) throw Exception("No SQL statement provided");
    AnsiString text = odbcConnection_->SupportsComments() ? finalSQL_ : RemoveComments(finalSQL_);
    Check(GetCli()->SQLPrepare(stmt_, reinterpret_cast<SQLCHAR*>(text.data()),
                               static_cast<SQLINTEGER>(text.size())));
}

void TODBCCommand::Unprepare() {
    if (stmt_) {
        GetCli()->SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
        stmt_ = nullptr;
    }
    bound_.clear();
    cursorState_ = csInactive;
}

void TODBCCommand::SetCursorState(uint8_t value) {
    if (value == cursorState_) return;
    if (cursorState_ == csFetching && stmt_) GetCli()->SQLCloseCursor(stmt_);
    cursorState_ = value;
}

void TODBCCommand::Execute() {
    if (cursorState_ > csPrepared) return;
    bool needPrepare = !GetPrepared();
    executing_ = true;
    try {
        if (needPrepare) Prepare();
        try {
            InternalExecute();
        } catch (...) {
            if (needPrepare) Unprepare();
            throw;
        }
        if (needPrepare) Unprepare();
        if (!ExecutingForRecordSet && !needPrepare) CloseResultSet();
    } catch (...) {
        executing_ = false;
        if (!ExecutingForRecordSet && OnAfterExecute) OnAfterExecute(false);
        throw;
    }
    executing_ = false;
    if (!ExecutingForRecordSet && OnAfterExecute) OnAfterExecute(true);
}

void TODBCCommand::CloseResultSet() {
    // A statement without a result set has no cursor to close: some drivers answer the close
    // with an error of their own and drop the prepared statement's plan with it.
    SQLSMALLINT columns = 0;
    TODBCCli* cli = GetCli();
    SQLRETURN r = cli->SQLNumResultCols(stmt_, &columns);
    if (IsODBCError(r) || columns > 0) cli->SQLCloseCursor(stmt_);
}

void TODBCCommand::InternalExecute() {
    BindParams();
    TODBCCli* cli = GetCli();
    SQLRETURN r = cli->SQLExecute(stmt_);
    if (r == SQL_NEED_DATA)
        SendDataAtExec();
    else if (r == SQL_NO_DATA)
        rowsAffected_ = 0;
    else
        Check(r);
    if (r != SQL_NO_DATA) {
        SQLLEN rows = 0;
        Check(cli->SQLRowCount(stmt_, &rows));
        rowsAffected_ = static_cast<int>(rows);
    }
    ReadOutParams();
}

SQLSMALLINT TODBCCommand::GetParamIOType(uint8_t paramType) {
    switch (paramType) {
    case pdInputOutput:
        return SQL_PARAM_INPUT_OUTPUT;
    case pdOutput:
    case pdResult:
        return SQL_PARAM_OUTPUT;
    default:
        return SQL_PARAM_INPUT;
    }
}

void TODBCCommand::BindParams() {
    TODBCCli* cli = GetCli();
    const bool keepEmpty = odbcConnection_->KeepsEmptyStrings();
    if (static_cast<int>(bound_.size()) > params_.Count())
        bound_.resize(static_cast<size_t>(params_.Count()));
    for (int i = 0; i < params_.Count(); ++i) {
        auto* param = static_cast<TODBCParamDesc*>(params_[i]);
        param->AllocBuffer();
        const uint8_t type = param->GetParamType();
        int precision = 0, scale = 0;
        bool dataAtExec = false;
        if (type == pdUnknown || type == pdInput || type == pdInputOutput)
            param->WriteValue(type == pdInput, keepEmpty, precision, scale, dataAtExec);

        uint16_t dataType = param->GetDataType();
        SQLULEN columnSize = static_cast<SQLULEN>(param->GetSize());
        SQLSMALLINT digits = 0;
        switch (dataType) {
        case tcBlob:
        case tcMemo:
        case tcWideMemo:
            columnSize = 2147483647;
            break;
        case tcBCD:
            columnSize = 18;
            digits = 4;
            break;
        case tcFMTBCD:
            columnSize = static_cast<SQLULEN>(precision);
            digits = static_cast<SQLSMALLINT>(scale);
            break;
        default:
            break;
        }
        AdjustParamSize(param, columnSize, digits);

        SQLLEN bufferLength = param->BufferSize();
        SQLPOINTER value = dataAtExec ? IntPointer(i) : param->Buffer();
        if (dataType == tcBlob || dataType == tcMemo || dataType == tcWideMemo) {
            TObject* object = param->ValueObject();
            auto* blob = dynamic_cast<TBlob*>(object);
            if (object && !blob) CannotConvert();
            if (dataType != tcBlob) dataType = blob && blob->IsUnicode() ? tcWideMemo : tcMemo;
            if (!dataAtExec) {
                if (type == pdInput) {
                    if (blob) {
                        blob->MergePieces();
                        PPieceHeader piece = blob->GetFirstPiece();
                        bufferLength = piece ? piece->UsedBytes : 0;
                        value = piece ? PieceData(piece) : nullptr;
                    }
                } else {
                    if (!blob) CannotConvert();
                    int size = param->GetSize() ? param->GetSize() : 8000;
                    if (dataType == tcWideMemo) size *= 2;
                    bufferLength = size;
                    blob->MergePieces();
                    PPieceHeader piece = blob->GetFirstPiece();
                    if (!piece) {
                        blob->AllocPiece(piece, size);
                        blob->AppendPiece(piece);
                    } else if (piece->Capacity < size) {
                        blob->ReallocPiece(piece, size);
                    }
                    value = PieceData(piece);
                }
            }
        }
        BoundParam binding{GetParamIOType(type),
                           GetCType(dataType, param->GetSubDataType()),
                           GetSQLType(dataType, param->GetSubDataType()),
                           columnSize,
                           digits,
                           value,
                           bufferLength,
                           param->Indicator()};
        // A parameter bound the same way before keeps its binding: the driver reads the buffer and
        // the indicator again at each execution.
        if (i < static_cast<int>(bound_.size()) && bound_[static_cast<size_t>(i)] == binding) continue;
        Check(cli->SQLBindParameter(stmt_, static_cast<SQLUSMALLINT>(i + 1), binding.io, binding.cType,
                                    binding.sqlType, binding.columnSize, binding.digits, binding.value,
                                    binding.bufferLength, binding.indicator));
        if (i < static_cast<int>(bound_.size()))
            bound_[static_cast<size_t>(i)] = binding;
        else
            bound_.push_back(binding);
    }
}

void TODBCCommand::SendDataAtExec() {
    TODBCCli* cli = GetCli();
    SQLPOINTER token = nullptr;
    SQLRETURN r = cli->SQLParamData(stmt_, &token);
    while (r == SQL_NEED_DATA) {
        auto index = static_cast<int>(reinterpret_cast<intptr_t>(token));
        PutParamData(static_cast<TODBCParamDesc*>(params_.Items(index)));
        r = cli->SQLParamData(stmt_, &token);
    }
    Check(r);
}

void TODBCCommand::PutParamData(TODBCParamDesc* param) {
    TODBCCli* cli = GetCli();
    if (TObject* object = param->ValueObject()) {
        auto* blob = dynamic_cast<TBlob*>(object);
        if (!blob) CannotConvert();
        // One call per piece: a large value is never joined into one copy.
        for (PPieceHeader piece = blob->GetFirstPiece(); piece; piece = piece->NextPiece)
            Check(cli->SQLPutData(stmt_, PieceData(piece), piece->UsedBytes));
        return;
    }
    Variant value = param->GetValue();
    if (value.IsByteArray()) {
        const TBytes& bytes = value.Bytes();
        Check(cli->SQLPutData(stmt_, const_cast<uint8_t*>(bytes.data()), static_cast<SQLLEN>(bytes.size())));
    } else if (VarIsArray(value)) {
        CannotConvert();
    } else {
        AnsiString text = value.AsAnsiString();
        Check(cli->SQLPutData(stmt_, text.data(), static_cast<SQLLEN>(text.size())));
    }
}

void TODBCCommand::ReadOutParams() {
    for (int i = 0; i < params_.Count(); ++i) {
        auto* param = static_cast<TODBCParamDesc*>(params_[i]);
        if (param->GetParamType() != pdInput) param->ReadValue();
    }
}

void TODBCCommand::AdjustParamSize(TODBCParamDesc*, SQLULEN&, SQLSMALLINT&) {}

SQLULEN TODBCCommand::LongBinaryLength(SQLULEN columnSize) {
    return columnSize == 2147483647 ? 0 : columnSize;
}

SQLSMALLINT TODBCCommand::GetCType(uint16_t dataType, int16_t) {
    switch (dataType) {
    case tcString:
    case tcExtString:
    case tcMemo:
    case tcBCD:
    case tcFMTBCD:
    case tcGuid:
        return SQL_C_CHAR;
    case tcInt8:
        return SQL_C_UTINYINT;
    case tcInt16:
    case tcBoolean:
        return SQL_C_SSHORT;
    case tcInt32:
        return SQL_C_SLONG;
    case tcFloat:
    case tcCurrency:
        return SQL_C_DOUBLE;
    case tcDate:
        return SQL_C_TYPE_DATE;
    case tcTime:
        return SQL_C_TYPE_TIME;
    case tcDateTime:
    case tcSQLTimeStamp:
        return SQL_C_TYPE_TIMESTAMP;
    case tcUInt16:
        return SQL_C_USHORT;
    case tcInt64:
        return SQL_C_SBIGINT;
    case tcBlob:
    case tcBytes:
    case tcVarBytes:
    case tcExtVarBytes:
        return SQL_C_BINARY;
    case tcWideString:
    case tcExtWideString:
    case tcWideMemo:
        return SQL_C_WCHAR;
    default:
        throw Exception("Data type is not supported");
    }
}

SQLSMALLINT TODBCCommand::GetSQLType(uint16_t dataType, int16_t) {
    switch (dataType) {
    case tcString:
    case tcExtString:
        return SQL_VARCHAR;
    case tcInt8:
    case tcUInt16:
        return SQL_TINYINT;
    case tcInt16:
        return SQL_SMALLINT;
    case tcInt32:
        return SQL_INTEGER;
    case tcFloat:
    case tcCurrency:
        return SQL_DOUBLE;
    case tcDate:
        return SQL_TYPE_DATE;
    case tcTime:
        return SQL_TYPE_TIME;
    case tcDateTime:
    case tcSQLTimeStamp:
        return SQL_TYPE_TIMESTAMP;
    case tcBoolean:
        return SQL_BIT;
    case tcInt64:
        return SQL_BIGINT;
    case tcBlob:
        return SQL_LONGVARBINARY;
    case tcMemo:
        return SQL_LONGVARCHAR;
    case tcBytes:
    case tcVarBytes:
    case tcExtVarBytes:
        return SQL_VARBINARY;
    case tcWideString:
    case tcExtWideString:
        return SQL_WVARCHAR;
    case tcWideMemo:
        return SQL_WLONGVARCHAR;
    case tcBCD:
    case tcFMTBCD:
        return SQL_NUMERIC;
    case tcGuid:
        return SQL_GUID;
    default:
        throw Exception("Data type is not supported");
    }
}

AnsiString TODBCCommand::RemoveComments(const AnsiString& text) {
    std::unique_ptr<TSQLParser> parser = GetParserClass()->Create(text);
    parser->SkipBlankLexemes = false;
    parser->SkipCommentLexemes = true;
    parser->UpperCaseKeywords = false;
    parser->KeepQuotes = true;
    parser->ResetPos();
    AnsiString result;
    AnsiString lexeme;
    while (parser->GetNext(lexeme) != lcEnd)
        result += lexeme;
    return result;
}

AnsiString TODBCCommand::CreateProcCall(const AnsiString& name, bool needDescribe) {
    if (needDescribe) DescribeProcParams(name);
    AnsiString user, final;
    int first = 0;
    if (params_.Count() > 0 && params_[0]->GetParamType() == pdResult) {
        // ODBC's call escape puts the result marker before "call".
        user = "{:" + params_[0]->GetName() + " = call " + name + "(";
        final = "{? = call " + name + "(";
        first = 1;
    } else {
        user = "{call " + name + "(";
        final = user;
    }
    for (int i = first; i < params_.Count(); ++i) {
        if (i > first) {
            user += ", ";
            final += ", ";
        }
        user += ":" + params_[i]->GetName();
        final += "?";
    }
    user += ")}";
    final += ")}";
    finalSQL_ = final;
    userSQL_ = user;
    return user;
}

void TODBCCommand::GetFieldDataType(SQLSMALLINT sqlType, SQLULEN columnSize, SQLSMALLINT decimalDigits,
                                    bool fieldsAsString, bool flatBuffers, bool longStrings,
                                    uint16_t& dataType, int16_t& subType, int& length, int& scale,
                                    bool& fixed) {
    fixed = false;
    length = 0;
    scale = 0;
    subType = 0;
    SQLSMALLINT t = sqlType;
    SQLULEN n = columnSize;
    if (fieldsAsString) {
        switch (t) {
        case SQL_CHAR:
        case SQL_VARCHAR:
        case SQL_LONGVARCHAR:
        case SQL_WCHAR:
        case SQL_WVARCHAR:
        case SQL_WLONGVARCHAR:
        case -95:
        case -96:
        case -97:
        case -99:
        case -350:
            break;
        default:
            t = SQL_VARCHAR;
            n = 255;
        }
    }
    auto textRule = [&](uint16_t inRecord, uint16_t heap, uint16_t memo) {
        if (n < 255 || (longStrings && n <= 4095))
            dataType = (n < 32 || flatBuffers) ? inRecord : heap;
        else
            dataType = memo;
        length = static_cast<int>(n);
    };
    auto binaryRule = [&] {
        // Size 0: the driver does not know it (psqlODBC's bytea); any length may come.
        if (n > 4095 || n == 0)
            dataType = tcBlob;
        else
            dataType = (n < 32 || flatBuffers) ? tcVarBytes : tcExtVarBytes;
        length = static_cast<int>(t == SQL_LONGVARBINARY ? LongBinaryLength(n) : n);
    };
    bool fmtBCD = enableFMTBCD_ || (odbcConnection_ && odbcConnection_->EnableFMTBCD());
    bool bcd = enableBCD_ || (odbcConnection_ && odbcConnection_->EnableBCD());
    switch (t) {
    case SQL_CHAR:
    case SQL_VARCHAR:
        textRule(tcString, tcExtString, tcMemo);
        fixed = t == SQL_CHAR;
        break;
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case -95:
    case -96:
        textRule(tcWideString, tcExtWideString, tcWideMemo);
        fixed = t == SQL_WCHAR || t == -95;
        break;
    case SQL_LONGVARCHAR:
        dataType = tcMemo;
        break;
    case SQL_WLONGVARCHAR:
    case -97:
        dataType = tcWideMemo;
        break;
    case -99:
        dataType = tcMemo;
        subType = 101;
        break;
    case -98:
        dataType = tcBlob;
        subType = 100;
        break;
    case -350:
        dataType = tcWideMemo;
        subType = 102;
        break;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        if (fmtBCD) {
            dataType = tcFMTBCD;
            length = (n > 0 && n <= 32) ? static_cast<int>(n) : 32;
            scale = std::min<int>(decimalDigits, length);
        } else if (bcd) {
            dataType = tcBCD;
            scale = std::min<int>(decimalDigits, 4);
            length = std::min<int>(static_cast<int>(n) - decimalDigits, 14) + scale;
        } else
            dataType = tcFloat;
        break;
    case SQL_INTEGER:
        dataType = tcInt32;
        break;
    case SQL_SMALLINT:
        dataType = tcInt16;
        break;
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
        dataType = tcFloat;
        break;
    case SQL_DATE:
    case SQL_TYPE_DATE:
        dataType = tcDate;
        break;
    case SQL_TIME:
    case SQL_TYPE_TIME:
        dataType = tcTime;
        break;
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
        dataType = tcDateTime;
        break;
    case SQL_BIT:
        dataType = tcBoolean;
        break;
    case SQL_TINYINT:
        dataType = tcUInt16;
        break;
    case SQL_BIGINT:
        dataType = tcInt64;
        break;
    case SQL_BINARY:
        dataType = tcBytes;
        length = static_cast<int>(n);
        break;
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        binaryRule();
        break;
    case SQL_GUID:
        dataType = tcGuid;
        length = 38;
        break;
    default:
        throw Exception("Data type is not supported");
    }
    if (odbcConnection_ && odbcConnection_->UseUnicode) {
        if (dataType == tcString)
            dataType = tcWideString;
        else if (dataType == tcMemo)
            dataType = tcWideMemo;
        else if (dataType == tcExtString)
            dataType = tcExtWideString;
    }
}

bool TODBCCommand::SetProp(int prop, const Variant& value) {
    if (prop == prCommandTimeout) {
        CommandTimeout = value.AsInteger();
        return true;
    }
    return TCRCommand::SetProp(prop, value);
}

bool TODBCCommand::GetProp(int prop, Variant& value) {
    switch (prop) {
    case prRowsProcessed:
        value = rowsAffected_;
        return true;
    case prCommandTimeout:
        value = CommandTimeout;
        return true;
    default:
        return TCRCommand::GetProp(prop, value);
    }
}
