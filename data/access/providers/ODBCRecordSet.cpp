// ODBC record set: result description, block fetch (array and row by row), value conversion and
// long values read piecewise.
#include "data/access/providers/ODBCRecordSet.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "data/memory/Blob.h"
#include "platform/core/Bcd.h"
#include "platform/core/DateTime.h"

namespace {
// What a slot of slotSize bytes really holds: an indicator above it (a truncated value) or
// SQL_NO_TOTAL means the slot is full.
int Fit(SQLLEN indicator, int slotSize) {
    if (indicator == SQL_NO_TOTAL || indicator > slotSize) return slotSize;
    return indicator < 0 ? 0 : static_cast<int>(indicator);
}

// Without a total the driver still ends a text with its terminator: the text is what lies before
// it (bytes of a wide text), never more than the slot.
int TextInSlot(TDataTypeCode type, const void* source, int slotBytes) {
    if (type == tcBlob) return slotBytes;
    if (type == tcWideMemo || type == tcExtWideString)
        return static_cast<int>(
                   wcsnlen(static_cast<const wchar_t*>(source), static_cast<size_t>(slotBytes / 2))) *
               2;
    return static_cast<int>(strnlen(static_cast<const char*>(source), static_cast<size_t>(slotBytes)));
}

constexpr double InvalidDateValue = -657434.0; // 1 January 100

// Decimal text as the driver gave it, with either separator; nullopt-like false when empty.
bool ReadDecimalText(const void* source, int slotSize, TBcd& value) {
    const char* text = static_cast<const char*>(source);
    AnsiString s(text, strnlen(text, static_cast<size_t>(slotSize)));
    if (s.empty()) return false;
    // The driver writes a point, a driver honouring the locale may write a comma.
    size_t comma = s.find(',');
    if (s.find('.') == AnsiString::npos && comma != AnsiString::npos) s[comma] = '.';
    if (!TBcd::TryFromString(s, value)) value = TBcd();
    return true;
}

// The common shape of a driver's decimal text, [-+]digits[.digits] with at most 14 digits before
// the point, read straight into a currency's scaled integer: the result ReadDecimalText and
// ToCurrency give (four decimals, the fifth rounding half away from zero), without making texts.
// False for any other text, which takes that road.
bool PlainDecimalToCurrency(const char* text, int slotSize, int64_t& scaled) {
    const char* p = text;
    const char* const end = text + strnlen(text, static_cast<size_t>(slotSize));
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    int64_t whole = 0;
    int significant = 0, digits = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p, ++digits) {
        if (significant || *p != '0') ++significant;
        if (significant > 14) return false;
        whole = whole * 10 + (*p - '0');
    }
    int64_t part = 0;
    int decimals = 0;
    bool roundUp = false;
    if (p < end && *p == '.') {
        for (++p; p < end && *p >= '0' && *p <= '9'; ++p, ++digits, ++decimals) {
            if (decimals == 40) return false; // the decimal type's limit on digits is that road's
            if (decimals < 4)
                part = part * 10 + (*p - '0');
            else if (decimals == 4)
                roundUp = *p >= '5';
        }
    }
    if (p != end || digits == 0) return false;
    for (int i = decimals; i < 4; ++i)
        part *= 10;
    const int64_t v = whole * 10000 + part + (roundUp ? 1 : 0);
    scaled = negative ? -v : v;
    return true;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Long values

bool TODBCCommand::ReadLongData(TBlob* blob, int column, PPieceHeader& sharedPiece, uint16_t dataType) {
    const SQLSMALLINT cType = GetCType(dataType, 0);
    const int terminator = cType == SQL_C_WCHAR ? 2 : cType == SQL_C_CHAR ? 1 : 0;
    const int pieceSize = blob->GetPieceSize();
    TODBCCli* cli = GetCli();
    PPieceHeader piece = sharedPiece;
    bool shared = piece != nullptr;
    if (!piece) blob->AllocPiece(piece, pieceSize);
    auto release = [&] {
        if (!shared) std::free(piece);
    };
    bool first = true;
    for (;;) {
        SQLLEN indicator = 0;
        SQLRETURN r = cli->SQLGetData(stmt_, static_cast<SQLUSMALLINT>(column), cType, PieceData(piece),
                                      pieceSize, &indicator);
        if (r == SQL_NO_DATA) {
            release();
            return true;
        }
        if (IsODBCError(r)) {
            release();
            Check(r);
            return false;
        }
        if (indicator == SQL_NULL_DATA || indicator == 0) {
            release();
            // An empty long value counts as NULL; an empty tail ends a value that has pieces.
            return !first;
        }
        int used = (indicator != SQL_NO_TOTAL && indicator < pieceSize) ? static_cast<int>(indicator)
                                                                        : pieceSize - terminator;
        piece->UsedBytes = used;
        if (shared) {
            if (used < pieceSize / 2) {
                // Keep the shared piece for the next value; an exact-size copy joins the blob.
                PPieceHeader copy = nullptr;
                blob->AllocPiece(copy, used);
                std::memcpy(PieceData(copy), PieceData(piece), static_cast<size_t>(used));
                copy->UsedBytes = used;
                blob->AppendPiece(copy);
            } else {
                blob->AppendPiece(piece);
                sharedPiece = nullptr;
            }
        } else {
            if (used < pieceSize / 2) blob->ShrinkPiece(piece);
            blob->AppendPiece(piece);
        }
        if (r == SQL_SUCCESS) return true;
        first = false;
        shared = false;
        piece = nullptr;
        blob->AllocPiece(piece, pieceSize);
    }
}

// ---------------------------------------------------------------------------------------------

TODBCRecordSet::TODBCRecordSet() {
    NullFlagSize = sizeof(SQLLEN); // the driver's indicators, bound in place
    CreateCommandAndTablesInfo();
    fetchRows_ = 25;
    fetchAll_ = true;
    rowsFetched_ = new SQLULEN(0);
}

TODBCRecordSet::~TODBCRecordSet() {
    try {
        Close();
    } catch (...) {
    }
    delete rowsFetched_;
    FreeBindBuffer();
}

void TODBCRecordSet::CreateCommand() {
    SetCommand(new TODBCCommand());
}

void TODBCRecordSet::SetCommand(TCRCommand* value) {
    TCRRecordSet::SetCommand(value);
    odbcCommand_ = static_cast<TODBCCommand*>(value);
}

void TODBCRecordSet::Check(SQLRETURN code) {
    if (IsODBCError(code))
        odbcCommand_->Connection()->ProcessODBCError(SQL_HANDLE_STMT, odbcCommand_->StatementHandle(),
                                                     GetComponent(), code);
}

bool TODBCRecordSet::SetProp(int prop, const Variant& value) {
    switch (prop) {
    case prODBCRecordSetFlag:
        FieldsAsString = value.AsBoolean();
        return true;
    case prCommandTimeout:
        return odbcCommand_->SetProp(prop, value);
    default:
        return TCRRecordSet::SetProp(prop, value);
    }
}

bool TODBCRecordSet::GetProp(int prop, Variant& value) {
    switch (prop) {
    case prODBCRecordSetFlag:
        value = FieldsAsString;
        return true;
    case prCommandTimeout:
        return odbcCommand_->GetProp(prop, value);
    default:
        return TCRRecordSet::GetProp(prop, value);
    }
}

void TODBCRecordSet::DoPrepare() {
    TCRRecordSet::DoPrepare();
    TODBCConnection* connection = odbcCommand_->Connection();
    if (connection && connection->DetectFieldsOnPrepare) {
        // psqlODBC cannot describe some statements before they run ("No query has been executed
        // with that handle"): the type stays unknown and is found after execution.
        SQLSMALLINT columns = 0;
        SQLRETURN r = odbcCommand_->GetCli()->SQLNumResultCols(odbcCommand_->StatementHandle(), &columns);
        CommandType = IsODBCError(r) ? ctUnknown : columns < 1 ? ctNoRows : ctRows;
    }
}

void TODBCRecordSet::DoUnprepare() {
    ForgetBindings();
    TCRRecordSet::DoUnprepare();
    CommandType = ctUnknown;
}

void TODBCRecordSet::DoClose() {
    if (odbcCommand_->GetCursorState() > csPrepared) {
        // An executed result nobody fetched from still holds the driver's cursor.
        if (odbcCommand_->GetCursorState() == csExecuted && odbcCommand_->StatementHandle())
            odbcCommand_->GetCli()->SQLCloseCursor(odbcCommand_->StatementHandle());
        odbcCommand_->SetCursorState(csPrepared);
    }
    TCRRecordSet::DoClose();
    FreeBindBuffer();
    std::vector<uint8_t>().swap(staging_);
    ForgetBindings();
    if (!Prepared) DoUnprepare();
}

void TODBCRecordSet::Reopen() {
    if (odbcCommand_->GetCursorState() > csPrepared) odbcCommand_->SetCursorState(csPrepared);
    FreeData();
    InitData();
    if (OnReopen) OnReopen();
    DoOpen(true);
}

void TODBCRecordSet::SetToEnd() {
    FetchAll();
    TCRRecordSet::SetToEnd();
}

void TODBCRecordSet::DetectCommandType() {
    SQLSMALLINT columns = 0;
    Check(odbcCommand_->GetCli()->SQLNumResultCols(odbcCommand_->StatementHandle(), &columns));
    CommandType = columns < 1 ? ctNoRows : ctRows;
}

void TODBCRecordSet::ExecCommand() {
    ForgetBindings(); // a new result binds its columns afresh
    odbcCommand_->ExecutingForRecordSet = true;
    const bool needPrepare = !Prepared;
    try {
        try {
            if (needPrepare) DoPrepare();
            TCRRecordSet::ExecCommand();
            TODBCConnection* connection = odbcCommand_->Connection();
            if (!connection->DetectFieldsOnPrepare || CommandType != ctRows) {
                DetectCommandType();
                if (CommandType == ctNoRows) {
                    // A batch whose first statement returns no rows is read from its next result.
                    // Without a next result the statement handle has nothing to describe.
                    SQLRETURN r = odbcCommand_->GetCli()->SQLMoreResults(odbcCommand_->StatementHandle());
                    if (SQL_SUCCEEDED(r)) DetectCommandType();
                }
            }
            if (CommandType == ctRows) odbcCommand_->SetCursorState(csExecuted);
        } catch (...) {
            if (needPrepare) DoUnprepare();
            throw;
        }
        if (needPrepare && CommandType != ctRows) DoUnprepare();
    } catch (...) {
        odbcCommand_->ExecutingForRecordSet = false;
        if (odbcCommand_->OnAfterExecute) odbcCommand_->OnAfterExecute(false);
        throw;
    }
    odbcCommand_->ExecutingForRecordSet = false;
    if (odbcCommand_->OnAfterExecute) odbcCommand_->OnAfterExecute(true);
}

// ---- description ----

void TODBCRecordSet::DoInitFields() {
    const bool prepareHere = odbcCommand_->GetCursorState() == csInactive;
    if (prepareHere) DoPrepare();
    try {
        if (CommandType != ctRows) throw Exception("SQL statement doesn't return rows");
        TSQLInfo* sqlInfo = odbcCommand_->GetSQLInfo();
        tablesInfo_->SetCaseSensitive(sqlInfo->IdentCase() != icMixed);
        sqlInfo->ParseTablesInfo(odbcCommand_->FinalSQL(), *tablesInfo_);
        needsBindBuffer_ = false;
        sizesUnbounded_ = DriverIgnoresDeclaredSizes();
        SQLSMALLINT columns = 0;
        Check(odbcCommand_->GetCli()->SQLNumResultCols(odbcCommand_->StatementHandle(), &columns));
        for (int i = 0; i < columns; ++i) {
            std::unique_ptr<TObject> made(GetFieldDescClass()->CreateInstance());
            auto* field = static_cast<TFieldDesc*>(made.get());
            DescribeField(field, i);
            needsBindBuffer_ = needsBindBuffer_ || NeedsConversion(field->TypeCode);
            FieldDescs().Add(made.release());
        }
    } catch (...) {
        if (prepareHere) DoUnprepare();
        throw;
    }
    if (prepareHere) DoUnprepare();
}

void TODBCRecordSet::DescribeField(TFieldDesc* field, int index) {
    const SQLUSMALLINT column = static_cast<SQLUSMALLINT>(index + 1);
    TODBCCli* cli = odbcCommand_->GetCli();
    SQLHSTMT stmt = odbcCommand_->StatementHandle();
    field->Position = column;
    field->SourcePosition = static_cast<int16_t>(column);
    char name[256] = {};
    SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    Check(cli->SQLDescribeCol(stmt, column, reinterpret_cast<SQLCHAR*>(name), sizeof name, &nameLength,
                              &sqlType, &size, &digits, &nullable));
    name[sizeof name - 1] = 0;
    field->FieldName = name;
    field->SourceName = name;
    field->IsRequired = nullable == SQL_NO_NULLS;
    SQLLEN value = 0;
    Check(cli->SQLColAttribute(stmt, column, SQL_DESC_AUTO_UNIQUE_VALUE, nullptr, 0, nullptr, &value));
    if (value == SQL_TRUE) {
        field->IsAutoIncrement = true;
        field->IsRequired = false;
    }
    value = SQL_ATTR_WRITE;
    Check(cli->SQLColAttribute(stmt, column, SQL_DESC_UPDATABLE, nullptr, 0, nullptr, &value));
    if (value == SQL_ATTR_READONLY) field->IsReadOnly = true;
    // The size of 8-bit text counts characters; in a double-byte code page a value may take twice
    // as many bytes. A driver tells them as the octet length; one that keeps any length reports
    // the declared size as it stands, so its characters get the code page's widest size.
    SQLULEN octetRoom = 0;
    if ((sqlType == SQL_CHAR || sqlType == SQL_VARCHAR) && !odbcCommand_->Connection()->UseUnicode) {
        SQLLEN octets = 0;
        octetRoom = size;
        if (SQL_SUCCEEDED(
                cli->SQLColAttribute(stmt, column, SQL_DESC_OCTET_LENGTH, nullptr, 0, nullptr, &octets)) &&
            octets > 0 && static_cast<SQLULEN>(octets) > octetRoom)
            octetRoom = static_cast<SQLULEN>(octets);
        CPINFO codePage = {};
        if (sizesUnbounded_ && GetCPInfo(CP_ACP, &codePage) && codePage.MaxCharSize > 1)
            octetRoom = size * codePage.MaxCharSize > octetRoom ? size * codePage.MaxCharSize : octetRoom;
    }
    uint16_t dataType = 0;
    int16_t subType = 0;
    int length = 0, scale = 0;
    bool fixed = false;
    odbcCommand_->GetFieldDataType(sqlType, size, digits, FieldsAsString, flatBuffers_, longStrings_,
                                   dataType, subType, length, scale, fixed);
    // The kind of string (in the record, on the string heap or a memo) follows the declared
    // characters, as for any other text; only its room (a memo's part in line) takes the bytes they
    // may need. Short text stays in the record: no string-heap copy per value while fetching.
    if (octetRoom > static_cast<SQLULEN>(length) &&
        (dataType == tcString || dataType == tcExtString || dataType == tcMemo))
        length = static_cast<int>(octetRoom);
    if (sizesUnbounded_) DescribeUnbounded(sqlType, dataType, fixed);
    // A long column whose length does not fit the descriptor is read piecewise.
    if (IsBlobCode(dataType) && length > 0xFFFF) length = 0;
    field->TypeCode = dataType;
    field->SubTypeCode = subType;
    field->DeclaredLength = static_cast<uint16_t>(length);
    field->DeclaredScale = static_cast<int16_t>(scale);
    field->IsFixedLength = fixed;
    field->StorageSize = DataTypeStorageSize(dataType, field->DeclaredLength);
}

bool TODBCRecordSet::DriverIgnoresDeclaredSizes() {
    // SQLite keeps any length in any column whatever its declaration says, and its driver reports
    // the declared size (255 for a BLOB). A driver that cannot answer is taken at its word.
    TODBCConnection* connection = odbcCommand_->Connection();
    char name[64] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(connection->Cli()->SQLGetInfo(connection->ConnectionHandle(), SQL_DBMS_NAME, name,
                                                     sizeof name, &length)))
        return false;
    name[sizeof name - 1] = 0;
    return AnsiSameText(name, "SQLite");
}

void TODBCRecordSet::DescribeUnbounded(SQLSMALLINT sqlType, uint16_t& dataType, bool& fixed) {
    // Bytes are long values: the declared length is still bound in line, a longer value is read
    // whole after it. Text keeps its string type (keys, comparisons and updates rely on it).
    switch (sqlType) {
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        break;
    default:
        return;
    }
    if (dataType != tcBytes && dataType != tcVarBytes && dataType != tcExtVarBytes) return;
    dataType = tcBlob;
    fixed = false;
}

bool TODBCRecordSet::NeedsConversion(TDataTypeCode dataType) {
    switch (dataType) {
    case tcDate:
    case tcTime:
    case tcDateTime:
    case tcVarBytes:
    case tcBCD:
    case tcFMTBCD:
    case tcGuid:
        return true;
    default:
        return IsComplexCode(dataType);
    }
}

int TODBCRecordSet::GetBindBufferSize(TFieldDesc* field) {
    const int l = field->DeclaredLength;
    switch (field->TypeCode) {
    case tcExtString:
        return l + 1;
    case tcMemo:
        return l == 0 ? 0 : l + 1;
    case tcDate:
    case tcTime:
        return 6;
    case tcDateTime:
        return 16;
    case tcBlob:
    case tcVarBytes:
    case tcExtVarBytes:
        return l;
    case tcExtWideString:
        return l * 2 + 2;
    case tcWideMemo:
        return l == 0 ? 0 : l * 2 + 2;
    case tcBCD:
    case tcFMTBCD:
        return 256;
    case tcGuid:
        return 39;
    default:
        return 0;
    }
}

int TODBCRecordSet::GetBindLength(TFieldDesc* field) {
    const int l = field->DeclaredLength;
    switch (field->TypeCode) {
    case tcString:
    case tcExtString:
        return l + 1;
    case tcMemo:
        return l == 0 ? -1 : l + 1;
    case tcBlob:
        return l == 0 ? -1 : l;
    case tcVarBytes:
    case tcExtVarBytes:
    case tcBytes:
        return l;
    case tcWideString:
    case tcExtWideString:
        return l * 2 + 2;
    case tcWideMemo:
        return l == 0 ? -1 : l * 2 + 2;
    case tcBCD:
    case tcFMTBCD:
        return 256;
    case tcGuid:
        return 39;
    default:
        return 0;
    }
}

void TODBCRecordSet::AllocBindBuffer() {
    if (bindBuffer_) return;
    int size = 0;
    for (int i = 0; i < FieldDescs().Count(); ++i) {
        TFieldDesc* field = FieldDescs()[i];
        if (field->FieldKind == fkData) size += GetBindBufferSize(field);
    }
    if (size == 0) return;
    bindBuffer_ = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(size), 1));
    if (!bindBuffer_) throw EOutOfMemory("Out of memory");
    bindBufferSize_ = size;
}

void TODBCRecordSet::FreeBindBuffer() {
    std::free(bindBuffer_);
    bindBuffer_ = nullptr;
    bindBufferSize_ = 0;
}

// ---- null flags ----

bool TODBCRecordSet::GetNull(int fieldNo, void* record) {
    TFieldDesc* field = FieldDescOf(fieldNo);
    if (field->HasParent() || field->FieldKind != fkData) return TCRRecordSet::GetNull(fieldNo, record);
    if (*Indicator(record, field) != SQL_NULL_DATA) return false;
    return IsBlobCode(field->TypeCode) ? IsBlobFieldEmpty(fieldNo, record) : true;
}

// ---- fetching ----

bool TODBCRecordSet::Fetch(bool /*backward*/) {
    bool result = false;
    const uint8_t state = odbcCommand_->GetCursorState();
    // After a failed block (or the last one) nothing more is fetched.
    if (state != csInactive && state != csFetched && !atEndOfData_) {
        bool cancel = false;
        DoBeforeFetch(cancel);
        if (!cancel) {
            try {
                result = FetchBlock();
            } catch (...) {
                // No further fetch is tried after a failed block.
                atEndOfData_ = true;
                DoAfterFetch();
                throw;
            }
        }
        DoAfterFetch();
    }
    if (odbcCommand_->GetCursorState() == csFetched && !Prepared) {
        uint8_t commandType = CommandType;
        DoUnprepare();
        CommandType = commandType;
    }
    return result;
}

SQLRETURN TODBCRecordSet::SetRowArrayAttributes() {
    return SetRowArrayAttributes(RecordSize + RowItemHeaderSize);
}

SQLRETURN TODBCRecordSet::SetRowArrayAttributes(int stride) {
    TODBCCli* cli = odbcCommand_->GetCli();
    SQLHSTMT stmt = odbcCommand_->StatementHandle();
    SQLRETURN r = cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE,
                                      reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(stride)), 0);
    if (IsODBCError(r)) return r;
    return cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, rowsFetched_, 0);
}

void TODBCRecordSet::BindColumns(void* record, int rows) {
    TODBCCli* cli = odbcCommand_->GetCli();
    SQLHSTMT stmt = odbcCommand_->StatementHandle();
    Check(cli->SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE,
                              reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(rows)), 0));
    int offset = 0;
    for (int i = 0; i < FieldDescs().Count(); ++i) {
        TFieldDesc* field = FieldDescs()[i];
        if (field->FieldKind != fkData) continue;
        const int bindLength = GetBindLength(field);
        SQLLEN* indicator = Indicator(record, field);
        if (bindLength == -1) {
            *indicator = 0;
            continue;
        }
        void* target;
        if (NeedsConversion(field->TypeCode)) {
            target = bindBuffer_ + offset;
            offset += GetBindBufferSize(field);
        } else {
            target = static_cast<uint8_t*>(record) + field->RecordOffset;
        }
        Check(cli->SQLBindCol(stmt, static_cast<SQLUSMALLINT>(field->SourcePosition),
                              odbcCommand_->GetCType(field->TypeCode, field->SubTypeCode), target, bindLength,
                              indicator));
    }
}

void TODBCRecordSet::ConvertRow(void* record, PPieceHeader& sharedPiece) {
    int offset = 0;
    for (int i = 0; i < FieldDescs().Count(); ++i) {
        TFieldDesc* field = FieldDescs()[i];
        if (field->FieldKind != fkData) continue;
        SQLLEN* indicator = Indicator(record, field);
        if (*indicator != SQL_NULL_DATA &&
            !ConvertFetchedValue(field, bindBuffer_ ? bindBuffer_ + offset : nullptr, sharedPiece, *indicator,
                                 static_cast<uint8_t*>(record) + field->RecordOffset))
            *indicator = SQL_NULL_DATA;
        offset += GetBindBufferSize(field);
    }
}

void TODBCRecordSet::ForgetBindings() {
    stagingBound_ = false;
    arrayBound_ = false;
    // The statement may still point at the offset: it must add nothing to later bindings.
    bindOffset_ = 0;
}

bool TODBCRecordSet::BindArray(void* firstRecord, int rows) {
    auto* first = static_cast<uint8_t*>(firstRecord);
    // Bound once per result: later blocks only move the bind offset, which the driver reads at
    // each fetch, instead of binding every column again.
    if (arrayBound_ && arrayRows_ == rows) {
        bindOffset_ = static_cast<SQLULEN>(first - arrayBase_);
        return true;
    }
    bindOffset_ = 0;
    if (IsODBCError(SetRowArrayAttributes())) return false;
    BindColumns(firstRecord, rows);
    arrayBase_ = first;
    arrayRows_ = rows;
    // A driver without bind offsets gets the columns bound again for each block.
    arrayBound_ = SQL_SUCCEEDED(odbcCommand_->GetCli()->SQLSetStmtAttr(
        odbcCommand_->StatementHandle(), SQL_ATTR_ROW_BIND_OFFSET_PTR, &bindOffset_, 0));
    return true;
}

bool TODBCRecordSet::BindStaging(int rows) {
    const int stride = RecordSize + bindBufferSize_;
    const size_t size = static_cast<size_t>(stride) * rows;
    // The staging area stays where it is for the whole result: bound once, fetched into per block.
    if (stagingBound_ && staging_.size() == size) return true;
    staging_.assign(size, 0);
    if (IsODBCError(SetRowArrayAttributes(stride))) return false;
    uint8_t* const ownBuffer = bindBuffer_;
    try {
        bindBuffer_ = staging_.data() + RecordSize;
        BindColumns(staging_.data(), rows);
    } catch (...) {
        bindBuffer_ = ownBuffer;
        throw;
    }
    bindBuffer_ = ownBuffer;
    // The fields converted after each fetch and where their values lie in a staged row.
    stagedFields_.clear();
    std::vector<StagedSpan> heapSlots;
    int offset = 0;
    for (int i = 0; i < FieldDescs().Count(); ++i) {
        TFieldDesc* field = FieldDescs()[i];
        if (field->FieldKind != fkData) continue;
        if (NeedsConversion(field->TypeCode)) stagedFields_.push_back({field, offset});
        if (IsComplexDataType(field->TypeCode))
            heapSlots.push_back({field->RecordOffset, static_cast<int>(sizeof(void*))});
        offset += GetBindBufferSize(field);
    }
    // What of a staged row is copied into its item: the record without the string-heap slots.
    std::sort(heapSlots.begin(), heapSlots.end(),
              [](const StagedSpan& a, const StagedSpan& b) { return a.Offset < b.Offset; });
    stagedSpans_.clear();
    int from = 0;
    for (const StagedSpan& slot : heapSlots) {
        if (slot.Offset > from) stagedSpans_.push_back({from, slot.Offset - from});
        from = slot.Offset + slot.Size;
    }
    if (RecordSize > from) stagedSpans_.push_back({from, RecordSize - from});
    stagingBound_ = true;
    return true;
}

bool TODBCRecordSet::ComplexFieldsStageable() {
    // Values in the string heap are made from the staged row; blobs and variants hold objects and
    // long values read with SQLGetData, which reaches only the row the cursor stands on.
    for (int i = 0; i < FieldDescs().Count(); ++i) {
        TFieldDesc* field = FieldDescs()[i];
        if (!IsComplexDataType(field->TypeCode)) continue;
        const TDataTypeCode type = field->TypeCode;
        if (field->FieldKind != fkData || !(type == tcExtString || type == tcExtWideString || type == tcExtVarBytes))
            return false;
    }
    return true;
}

bool TODBCRecordSet::FetchBlock() {
    TBlockManager& manager = BlockManager();
    const int fetchRows = fetchRows_ > 0 ? fetchRows_ : 25;
    PRowBlock block = nullptr;
    bool newBlock = false;
    if (!manager.NewestBlock || !uniDirectional_) {
        manager.AllocBlock(block, fetchRows);
        newBlock = true;
    } else {
        // Unidirectional: the one block is filled again.
        block = manager.NewestBlock;
        while (block->OlderBlock())
            block = block->OlderBlock();
        if (HasComplexFields)
            for (int i = 0; i < block->ItemCount(); ++i)
                FreeComplexFields(block->Item(i, RecordSize)->Record(), true);
    }
    const int itemCount = block->ItemCount();
    PRowItem savedFirst = FirstItem, savedLast = LastItem;
    PPieceHeader sharedPiece = nullptr;
    int count = 0;
    try {
        if (HasComplexFields || needsBindBuffer_) AllocBindBuffer();
        if (HasComplexFields)
            for (int i = 0; i < itemCount; ++i)
                CreateComplexFields(block->Item(i, RecordSize)->Record(), true);
        TODBCCli* cli = odbcCommand_->GetCli();
        SQLHSTMT stmt = odbcCommand_->StatementHandle();
        TODBCConnection* connection = odbcCommand_->Connection();
        if (itemCount >= 2 && connection->IsODBC3Driver() && !HasComplexFields && !needsBindBuffer_ &&
            BindArray(block->Item(0, RecordSize)->Record(), itemCount)) {
            *rowsFetched_ = 0;
            SQLRETURN r = cli->SQLFetch(stmt);
            if (r != SQL_NO_DATA) {
                Check(r);
                count = static_cast<int>(*rowsFetched_);
            }
            // A value cut to its buffer comes with a warning: refuse it rather than keep part of it.
            if (r == SQL_SUCCESS_WITH_INFO)
                for (int i = 0; i < count; ++i)
                    CheckValuesFit(block->Item(i, RecordSize)->Record());
        } else if (itemCount >= 2 && connection->IsODBC3Driver() && ComplexFieldsStageable() && bindBuffer_ &&
                   BindStaging(itemCount)) {
            // Values that need conversion: the block is fetched as one array into a staging area
            // (each row the record followed by its conversion slots) and every row is converted
            // into its item, instead of binding again and fetching once per row.
            const int stride = RecordSize + bindBufferSize_;
            *rowsFetched_ = 0;
            SQLRETURN r = cli->SQLFetch(stmt);
            if (r != SQL_NO_DATA) {
                Check(r);
                count = static_cast<int>(*rowsFetched_);
            }
            if (r == SQL_SUCCESS_WITH_INFO)
                for (int i = 0; i < count; ++i)
                    CheckValuesFit(staging_.data() + static_cast<size_t>(i) * stride);
            uint8_t* const ownBuffer = bindBuffer_;
            try {
                for (int i = 0; i < count; ++i) {
                    uint8_t* row = staging_.data() + static_cast<size_t>(i) * stride;
                    uint8_t* record = block->Item(i, RecordSize)->Record();
                    // The slots of string-heap values stay as the item has them (empty).
                    for (const StagedSpan& span : stagedSpans_)
                        std::memcpy(record + span.Offset, row + span.Offset, static_cast<size_t>(span.Size));
                    bindBuffer_ = row + RecordSize;
                    for (const StagedField& f : stagedFields_) {
                        SQLLEN* indicator = Indicator(record, f.Field);
                        if (*indicator != SQL_NULL_DATA &&
                            !ConvertFetchedValue(f.Field, bindBuffer_ + f.Offset, sharedPiece, *indicator,
                                                 record + f.Field->RecordOffset))
                            *indicator = SQL_NULL_DATA;
                    }
                }
            } catch (...) {
                bindBuffer_ = ownBuffer;
                throw;
            }
            bindBuffer_ = ownBuffer;
        } else {
            for (int i = 0; i < itemCount; ++i) {
                void* record = block->Item(i, RecordSize)->Record();
                BindColumns(record, 1);
                SQLRETURN r = cli->SQLFetch(stmt);
                if (r == SQL_NO_DATA) break;
                Check(r);
                if (r == SQL_SUCCESS_WITH_INFO) CheckValuesFit(record);
                ConvertRow(record, sharedPiece);
                ++count;
            }
        }
        std::free(sharedPiece);
        sharedPiece = nullptr;
        if (odbcCommand_->GetCursorState() < csFetching) odbcCommand_->SetCursorState(csFetching);
        if (count < itemCount) {
            odbcCommand_->SetCursorState(csFetched);
            FreeBindBuffer();
        }
        if (HasComplexFields)
            for (int i = count; i < itemCount; ++i)
                FreeComplexFields(block->Item(i, RecordSize)->Record(), true);
        if (count == 0) {
            if (newBlock)
                manager.FreeBlock(block);
            else
                // The reused block is empty now: nothing of it stays in the list.
                FirstItem = LastItem = CurrentItem = nullptr;
            if (!newBlock) atEndOfData_ = true;
        } else {
            InitFetchedBlock(block, count, false);
        }
    } catch (...) {
        std::free(sharedPiece);
        // A lost connection closes the record set from within the error handler: the block went
        // with the rest of the data and there is nothing left to restore.
        if (!Active) throw;
        if (HasComplexFields)
            for (int i = 0; i < itemCount; ++i)
                FreeComplexFields(block->Item(i, RecordSize)->Record(), true);
        if (newBlock) {
            manager.FreeBlock(block);
            FirstItem = savedFirst;
            LastItem = savedLast;
            if (FirstItem) FirstItem->SetPrevItem(nullptr);
            if (LastItem) LastItem->SetNextItem(nullptr);
        }
        throw;
    }
    return count > 0;
}

// ---- conversions ----

void TODBCRecordSet::ReadWholeLongValue(TFieldDesc* field, TBlob* blob, PPieceHeader& sharedPiece,
                                        SQLLEN indicator) {
    // The drivers answer a bound column's value again from its start.
    if (!sharedPiece) TCRBlobData::AllocPiece(sharedPiece, blob->GetPieceSize());
    odbcCommand_->ReadLongData(blob, field->SourcePosition, sharedPiece, field->TypeCode);
    if (indicator != SQL_NO_TOTAL && blob->GetSize() != indicator) {
        const int64_t got = blob->GetSize();
        blob->Clear();
        throw Exception(AnsiString("String data, right truncated: field ") + field->FieldName + " read " +
                        AnsiString(std::to_string(got).c_str()) + " of " +
                        AnsiString(std::to_string(indicator).c_str()) + " bytes");
    }
}

void TODBCRecordSet::CheckValuesFit(void* record) {
    for (int i = 0; i < FieldDescs().Count(); ++i) {
        TFieldDesc* field = FieldDescs()[i];
        if (field->FieldKind != fkData) continue;
        int room;
        switch (field->TypeCode) {
        case tcString:
        case tcExtString:
        case tcVarBytes:
        case tcExtVarBytes:
        case tcBytes:
            room = field->DeclaredLength;
            break;
        case tcWideString:
        case tcExtWideString:
            room = field->DeclaredLength * 2;
            break;
        default:
            continue; // long values are read whole; other types have the C type's own size
        }
        const SQLLEN indicator = *Indicator(record, field);
        if (indicator > room)
            throw Exception(AnsiString("String data, right truncated: field ") + field->FieldName +
                            " holds " + AnsiString(std::to_string(indicator).c_str()) +
                            " bytes, its buffer " + AnsiString(std::to_string(room).c_str()));
    }
}

bool TODBCRecordSet::ConvertFetchedValue(TFieldDesc* field, void* source, PPieceHeader& sharedPiece,
                                         SQLLEN indicator, void* dest) {
    const int l = field->DeclaredLength;
    auto* out = static_cast<uint8_t*>(dest);
    switch (field->TypeCode) {
    case tcDate: {
        SQL_DATE_STRUCT s;
        std::memcpy(&s, source, sizeof s);
        TDateTime d;
        double v = TryEncodeDate(s.year, s.month, s.day, d) ? d : InvalidDateValue;
        std::memcpy(out, &v, 8);
        return true;
    }
    case tcTime: {
        SQL_TIME_STRUCT s;
        std::memcpy(&s, source, sizeof s);
        TDateTime t;
        double v = TryEncodeTime(s.hour, s.minute, s.second, 0, t) ? t : 0.0;
        std::memcpy(out, &v, 8);
        return true;
    }
    case tcDateTime: {
        SQL_TIMESTAMP_STRUCT s;
        std::memcpy(&s, source, sizeof s);
        TDateTime d, t;
        double v = InvalidDateValue;
        if (TryEncodeDate(s.year, s.month, s.day, d) &&
            TryEncodeTime(s.hour, s.minute, s.second, static_cast<int>(s.fraction / 1000000u), t))
            v = d >= 0 ? d + t : d - t;
        std::memcpy(out, &v, 8);
        return true;
    }
    case tcBlob:
    case tcMemo:
    case tcWideMemo: {
        TBlob* blob = LoadUnaligned<TBlob*>(out, 0);
        if (l != 0) {
            const int slot = field->TypeCode == tcBlob ? l : field->TypeCode == tcMemo ? l : l * 2;
            int n = Fit(indicator, slot);
            if (indicator == SQL_NO_TOTAL) n = TextInSlot(field->TypeCode, source, n);
            if (indicator > slot || (indicator == SQL_NO_TOTAL && n == slot)) {
                ReadWholeLongValue(field, blob, sharedPiece, indicator);
                return true;
            }
            if (n >= 1) {
                PPieceHeader piece = nullptr;
                blob->AllocPiece(piece, n);
                std::memcpy(PieceData(piece), source, static_cast<size_t>(n));
                piece->UsedBytes = n;
                blob->AppendPiece(piece);
            }
            return true;
        }
        if (!sharedPiece) TCRBlobData::AllocPiece(sharedPiece, blob->GetPieceSize());
        return odbcCommand_->ReadLongData(blob, field->SourcePosition, sharedPiece, field->TypeCode);
    }
    case tcExtString: {
        int n = Fit(indicator, l);
        if (indicator == SQL_NO_TOTAL) n = TextInSlot(tcExtString, source, n);
        char* text =
            StringHeap().AllocStr(static_cast<const char*>(source), field->IsFixedLength && TrimFixedChar, n);
        StoreUnaligned<char*>(out, 0, text);
        return true;
    }
    case tcExtWideString: {
        int n = Fit(indicator, l * 2);
        if (indicator == SQL_NO_TOTAL) n = TextInSlot(tcExtWideString, source, n);
        n /= 2;
        wchar_t* text = StringHeap().AllocWideStr(static_cast<const wchar_t*>(source),
                                                  field->IsFixedLength && TrimFixedChar, n);
        StoreUnaligned<wchar_t*>(out, 0, text);
        return true;
    }
    case tcVarBytes: {
        int n = Fit(indicator, l);
        StoreUnaligned<uint16_t>(out, 0, static_cast<uint16_t>(n));
        std::memcpy(out + 2, source, static_cast<size_t>(n));
        return true;
    }
    case tcExtVarBytes: {
        int n = Fit(indicator, l);
        auto* bytes = static_cast<uint8_t*>(StringHeap().NewBuf(n + 2));
        StoreUnaligned<uint16_t>(bytes, 0, static_cast<uint16_t>(n));
        if (n > 0) std::memcpy(bytes + 2, source, static_cast<size_t>(n));
        StoreUnaligned<uint8_t*>(out, 0, bytes);
        return true;
    }
    case tcBCD: {
        int64_t scaled;
        if (!PlainDecimalToCurrency(static_cast<const char*>(source), 256, scaled)) {
            TBcd value;
            if (!ReadDecimalText(source, 256, value)) return false;
            scaled = value.ToCurrency().Value;
        }
        std::memcpy(out, &scaled, 8);
        return true;
    }
    case tcFMTBCD: {
        TBcd value;
        if (!ReadDecimalText(source, 256, value)) return false;
        TBcdRecord record;
        try {
            record = BcdToRecord(value);
        } catch (const Exception&) {
            record = TBcdRecord();
        }
        std::memcpy(out, &record, sizeof record);
        return true;
    }
    case tcGuid: {
        const char* text = static_cast<const char*>(source);
        AnsiString s(text, strnlen(text, 39));
        if (!s.empty() && s[0] != '{') s = "{" + s + "}";
        if (s.size() > 38) s.resize(38);
        std::memcpy(out, s.c_str(), s.size() + 1);
        return true;
    }
    default:
        return true;
    }
}
