// A driver manager that does what the test scripts: return codes per function, diagnostics on the
// handle or only on the environment, driver facts, output values and indicators after execution,
// data at execution. Every call is logged. Scripted through its one extra export:
//   reset                       forget script, bindings and log
//   ret NAME CODE               the next call of NAME returns CODE (queued)
//   diag handle|env STATE NATIVE MESSAGE    the diagnostic record (rest of the line is the text)
//   nodiag                      no record anywhere
//   info ID TEXT | infon ID N   SQLGetInfo answers
//   rows N                      SQLRowCount's answer
//   dead 0|1                    SQL_ATTR_CONNECTION_DEAD
//   out PARAM IND TEXT          after SQLExecute: TEXT written into the parameter's buffer as the
//                               driver would (cut to the buffer), indicator set to IND; "\n" in
//                               TEXT is a line feed
//   col NAME SQLTYPE SIZE       a result column (SQLNumResultCols, SQLDescribeCol)
//   row V1|V2|...               a result row of texts, "~" for NULL
//   ind COL IND                 the indicator SQLFetch reports for every value of the column
//                               (the value itself is still cut to the bound buffer)
//   failfetch N                 the Nth SQLFetch of the result fails (with the diagnostic)
//   drivers A|B|...             SQLDrivers lists these descriptions
//   log                         answers the log, one call a line
#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <deque>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Handle {
    SQLSMALLINT type;
};

struct Binding {
    SQLSMALLINT io = 0, cType = 0, sqlType = 0, digits = 0;
    SQLULEN size = 0;
    SQLPOINTER value = nullptr;
    SQLLEN bufferLength = 0;
    SQLLEN* ind = nullptr;
};

struct Output {
    SQLLEN ind;
    std::string text;
};

struct State {
    std::map<std::string, std::deque<SQLRETURN>> returns;
    std::string diagState, diagText;
    SQLINTEGER diagNative = 0;
    int diagWhere = 0; // 0 none, 1 on the handle, 2 on the environment only
    std::map<int, std::string> infoText;
    std::map<int, SQLUINTEGER> infoNum;
    SQLLEN rows = 1;
    SQLUINTEGER dead = SQL_CD_FALSE;
    std::map<int, Output> outputs;
    std::map<int, Binding> bindings;
    std::vector<int> pendingDae; // parameters still waiting for their data
    std::vector<std::string> drivers;
    size_t nextDriver = 0;
    std::string log;
    std::string answer;
    // The scripted result and what the record set bound to it.
    struct Column {
        std::string name;
        SQLSMALLINT sqlType;
        SQLULEN size;
    };
    std::vector<Column> columns;
    std::vector<std::vector<std::string>> resultRows;
    std::map<int, SQLLEN> forcedInd;
    std::map<int, Binding> colBindings;
    size_t nextRow = 0;
    int fetches = 0;
    int failFetch = 0;
    std::map<int, size_t> getDataPos;
    SQLULEN bindType = 0, arraySize = 1;
    SQLULEN* rowsFetched = nullptr;
    SQLULEN* bindOffset = nullptr;
} st;

void Log(const std::string& line) {
    st.log += line;
    st.log += '\n';
}

SQLRETURN Ret(const char* name, SQLRETURN normal = SQL_SUCCESS) {
    auto it = st.returns.find(name);
    if (it == st.returns.end() || it->second.empty()) return normal;
    SQLRETURN r = it->second.front();
    it->second.pop_front();
    return r;
}

void Defaults() {
    st = State();
    st.infoText[SQL_DRIVER_ODBC_VER] = "03.52";
    st.infoText[SQL_DBMS_NAME] = "FakeDB";
    st.infoText[SQL_DBMS_VER] = "01.00.0000";
    st.infoText[SQL_DRIVER_VER] = "02.00.0000";
    st.infoNum[SQL_IDENTIFIER_CASE] = SQL_IC_MIXED;
}

struct Init {
    Init() { Defaults(); }
} init;

void CopyOut(SQLCHAR* dest, SQLSMALLINT size, SQLSMALLINT* length, const std::string& text) {
    if (length) *length = static_cast<SQLSMALLINT>(text.size());
    if (!dest || size <= 0) return;
    size_t n = text.size() < static_cast<size_t>(size - 1) ? text.size() : static_cast<size_t>(size - 1);
    std::memcpy(dest, text.data(), n);
    dest[n] = 0;
}

void WriteOutputs() {
    for (auto& [param, out] : st.outputs) {
        auto it = st.bindings.find(param);
        if (it == st.bindings.end()) continue;
        Binding& b = it->second;
        if (b.value && b.bufferLength > 0) {
            size_t limit = static_cast<size_t>(b.bufferLength);
            if (b.cType == SQL_C_CHAR) {
                size_t n = out.text.size() < limit - 1 ? out.text.size() : limit - 1;
                std::memcpy(b.value, out.text.data(), n);
                static_cast<char*>(b.value)[n] = 0;
            } else if (b.cType == SQL_C_WCHAR) {
                // Text given as ASCII, widened.
                size_t chars = limit / 2 - 1;
                size_t n = out.text.size() < chars ? out.text.size() : chars;
                auto* w = static_cast<wchar_t*>(b.value);
                for (size_t i = 0; i < n; ++i)
                    w[i] = static_cast<unsigned char>(out.text[i]);
                w[n] = 0;
            } else {
                size_t n = out.text.size() < limit ? out.text.size() : limit;
                std::memcpy(b.value, out.text.data(), n);
            }
        }
        if (b.ind) *b.ind = out.ind;
    }
}

} // namespace

extern "C" {

const char* __stdcall FakeOdbcScript(const char* command) {
    std::string line = command;
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    st.answer.clear();
    auto rest = [&] {
        std::string r;
        std::getline(in, r);
        if (!r.empty() && r[0] == ' ') r.erase(0, 1);
        return r;
    };
    if (verb == "reset") {
        Defaults();
    } else if (verb == "ret") {
        std::string name;
        int code;
        in >> name >> code;
        st.returns[name].push_back(static_cast<SQLRETURN>(code));
    } else if (verb == "diag") {
        std::string where;
        in >> where >> st.diagState >> st.diagNative;
        st.diagText = rest();
        st.diagWhere = where == "env" ? 2 : 1;
    } else if (verb == "nodiag") {
        st.diagWhere = 0;
    } else if (verb == "drivers") {
        std::istringstream list(rest());
        std::string name;
        st.drivers.clear();
        while (std::getline(list, name, '|'))
            st.drivers.push_back(name);
    } else if (verb == "info") {
        int id;
        in >> id;
        st.infoText[id] = rest();
    } else if (verb == "infon") {
        int id;
        unsigned n;
        in >> id >> n;
        st.infoNum[id] = n;
    } else if (verb == "rows") {
        long n;
        in >> n;
        st.rows = n;
    } else if (verb == "dead") {
        int d;
        in >> d;
        st.dead = d ? SQL_CD_TRUE : SQL_CD_FALSE;
    } else if (verb == "out") {
        int param;
        long ind;
        in >> param >> ind;
        // "\n" in the text stands for a line feed.
        std::string text = rest();
        for (size_t at; (at = text.find("\\n")) != std::string::npos;)
            text.replace(at, 2, "\n");
        st.outputs[param] = Output{static_cast<SQLLEN>(ind), text};
    } else if (verb == "col") {
        std::string name;
        int type;
        unsigned long size;
        in >> name >> type >> size;
        st.columns.push_back({name, static_cast<SQLSMALLINT>(type), size});
    } else if (verb == "row") {
        std::string text = rest();
        std::vector<std::string> values;
        size_t start = 0;
        for (;;) {
            size_t bar = text.find('|', start);
            values.push_back(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
        st.resultRows.push_back(values);
    } else if (verb == "ind") {
        int column;
        long ind;
        in >> column >> ind;
        st.forcedInd[column] = ind;
    } else if (verb == "failfetch") {
        in >> st.failFetch;
    } else if (verb == "log") {
        st.answer = st.log;
    } else if (verb == "clearlog") {
        st.log.clear();
    } else {
        st.answer = "unknown command";
    }
    return st.answer.c_str();
}

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE, SQLHANDLE* out) {
    Log("SQLAllocHandle " + std::to_string(type));
    SQLRETURN r = Ret("SQLAllocHandle");
    if (r != SQL_SUCCESS && r != SQL_SUCCESS_WITH_INFO) {
        *out = SQL_NULL_HANDLE;
        return r;
    }
    *out = new Handle{type};
    return r;
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
    Log("SQLFreeHandle " + std::to_string(type));
    SQLRETURN r = Ret("SQLFreeHandle");
    if (type == SQL_HANDLE_STMT) st.bindings.clear();
    delete static_cast<Handle*>(handle);
    return r;
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
    Log("SQLSetEnvAttr " + std::to_string(attr) + " " + std::to_string(reinterpret_cast<intptr_t>(value)));
    return Ret("SQLSetEnvAttr");
}

SQLRETURN SQL_API SQLConnect(SQLHDBC, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
    Log("SQLConnect");
    return Ret("SQLConnect");
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC, SQLHWND, SQLCHAR* in, SQLSMALLINT inLength, SQLCHAR*, SQLSMALLINT,
                                   SQLSMALLINT*, SQLUSMALLINT completion) {
    std::string text = inLength == SQL_NTS
                           ? std::string(reinterpret_cast<char*>(in))
                           : std::string(reinterpret_cast<char*>(in), static_cast<size_t>(inLength));
    Log("SQLDriverConnect " + std::to_string(completion) + " " + text);
    return Ret("SQLDriverConnect");
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC) {
    Log("SQLDisconnect");
    return Ret("SQLDisconnect");
}

SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER, SQLINTEGER*) {
    Log("SQLGetConnectAttr " + std::to_string(attr));
    if (attr == SQL_ATTR_CONNECTION_DEAD && value) *static_cast<SQLUINTEGER*>(value) = st.dead;
    return Ret("SQLGetConnectAttr");
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
    Log("SQLSetConnectAttr " + std::to_string(attr) + " " +
        std::to_string(reinterpret_cast<intptr_t>(value)));
    return Ret("SQLSetConnectAttr");
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT, SQLHANDLE, SQLSMALLINT completion) {
    Log("SQLEndTran " + std::to_string(completion));
    return Ret("SQLEndTran");
}

SQLRETURN SQL_API SQLGetInfo(SQLHDBC, SQLUSMALLINT id, SQLPOINTER value, SQLSMALLINT size,
                             SQLSMALLINT* length) {
    Log("SQLGetInfo " + std::to_string(id));
    auto t = st.infoText.find(id);
    if (t != st.infoText.end()) {
        CopyOut(static_cast<SQLCHAR*>(value), size, length, t->second);
    } else {
        auto n = st.infoNum.find(id);
        SQLUINTEGER v = n == st.infoNum.end() ? 0 : n->second;
        if (id == SQL_IDENTIFIER_CASE)
            *static_cast<SQLUSMALLINT*>(value) = static_cast<SQLUSMALLINT>(v);
        else
            *static_cast<SQLUINTEGER*>(value) = v;
    }
    return Ret("SQLGetInfo");
}

SQLRETURN SQL_API SQLDataSources(SQLHENV, SQLUSMALLINT, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*, SQLCHAR*,
                                 SQLSMALLINT, SQLSMALLINT*) {
    Log("SQLDataSources");
    return Ret("SQLDataSources", SQL_NO_DATA);
}

SQLRETURN SQL_API SQLDrivers(SQLHENV, SQLUSMALLINT direction, SQLCHAR* description,
                             SQLSMALLINT descriptionMax, SQLSMALLINT* descriptionLength, SQLCHAR* attributes,
                             SQLSMALLINT attributesMax, SQLSMALLINT*) {
    Log("SQLDrivers " + std::to_string(direction) + " " + std::to_string(descriptionMax) + " " +
        (attributes ? "attributes" : "nil") + " " + std::to_string(attributesMax));
    SQLRETURN r = Ret("SQLDrivers");
    if (r != SQL_SUCCESS) return r;
    if (direction == SQL_FETCH_FIRST) st.nextDriver = 0;
    if (st.nextDriver >= st.drivers.size()) return SQL_NO_DATA;
    CopyOut(description, descriptionMax, descriptionLength, st.drivers[st.nextDriver++]);
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLPrepare(SQLHSTMT, SQLCHAR* text, SQLINTEGER length) {
    std::string sql = length == SQL_NTS
                          ? std::string(reinterpret_cast<char*>(text))
                          : std::string(reinterpret_cast<char*>(text), static_cast<size_t>(length));
    Log("SQLPrepare " + sql);
    return Ret("SQLPrepare");
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT) {
    Log("SQLExecute");
    SQLRETURN r = Ret("SQLExecute");
    if (r != SQL_SUCCESS) return r;
    st.pendingDae.clear();
    for (auto& [param, b] : st.bindings)
        if (b.ind && (*b.ind == SQL_DATA_AT_EXEC || *b.ind <= SQL_LEN_DATA_AT_EXEC_OFFSET))
            st.pendingDae.push_back(param);
    if (!st.pendingDae.empty()) return SQL_NEED_DATA;
    WriteOutputs();
    return r;
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT, SQLCHAR*, SQLINTEGER) {
    Log("SQLExecDirect");
    return Ret("SQLExecDirect");
}

SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT, SQLINTEGER, SQLPOINTER, SQLINTEGER, SQLINTEGER*) {
    Log("SQLGetStmtAttr");
    return Ret("SQLGetStmtAttr");
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
    Log("SQLSetStmtAttr " + std::to_string(attr) + " " + std::to_string(reinterpret_cast<intptr_t>(value)));
    SQLRETURN r = Ret("SQLSetStmtAttr");
    if (!SQL_SUCCEEDED(r)) return r;
    if (attr == SQL_ATTR_ROW_BIND_TYPE) st.bindType = reinterpret_cast<SQLULEN>(value);
    if (attr == SQL_ATTR_ROW_ARRAY_SIZE) st.arraySize = reinterpret_cast<SQLULEN>(value);
    if (attr == SQL_ATTR_ROWS_FETCHED_PTR) st.rowsFetched = static_cast<SQLULEN*>(value);
    if (attr == SQL_ATTR_ROW_BIND_OFFSET_PTR) st.bindOffset = static_cast<SQLULEN*>(value);
    return r;
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT, SQLLEN* rows) {
    Log("SQLRowCount");
    *rows = st.rows;
    return Ret("SQLRowCount");
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT) {
    Log("SQLMoreResults");
    return Ret("SQLMoreResults", SQL_NO_DATA);
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT) {
    Log("SQLCloseCursor");
    return Ret("SQLCloseCursor");
}

SQLRETURN SQL_API SQLParamData(SQLHSTMT, SQLPOINTER* token) {
    Log("SQLParamData");
    SQLRETURN r = Ret("SQLParamData", SQL_SUCCESS);
    if (r != SQL_SUCCESS) return r;
    if (st.pendingDae.empty()) {
        WriteOutputs();
        return SQL_SUCCESS;
    }
    int param = st.pendingDae.front();
    st.pendingDae.erase(st.pendingDae.begin());
    *token = st.bindings[param].value;
    return SQL_NEED_DATA;
}

SQLRETURN SQL_API SQLPutData(SQLHSTMT, SQLPOINTER data, SQLLEN length) {
    // The bytes' sum lets a test check what arrived without logging megabytes.
    unsigned sum = 0;
    for (SQLLEN i = 0; i < length; ++i)
        sum += static_cast<unsigned char*>(data)[i];
    Log("SQLPutData " + std::to_string(length) + " " + std::to_string(sum));
    return Ret("SQLPutData");
}

SQLRETURN SQL_API SQLBindParameter(SQLHSTMT, SQLUSMALLINT number, SQLSMALLINT io, SQLSMALLINT cType,
                                   SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits, SQLPOINTER value,
                                   SQLLEN bufferLength, SQLLEN* ind) {
    Binding& b = st.bindings[number];
    b = Binding{io, cType, sqlType, digits, size, value, bufferLength, ind};
    std::string line = "SQLBindParameter " + std::to_string(number) + " io=" + std::to_string(io) +
                       " c=" + std::to_string(cType) + " sql=" + std::to_string(sqlType) +
                       " size=" + std::to_string(size) + " digits=" + std::to_string(digits) +
                       " buflen=" + std::to_string(bufferLength) + " ind=" + std::to_string(ind ? *ind : 0);
    if (cType == SQL_C_CHAR && value && ind && *ind >= 0 && reinterpret_cast<intptr_t>(value) > 0x10000)
        line += " value=" + std::string(static_cast<char*>(value), static_cast<size_t>(*ind));
    Log(line);
    return Ret("SQLBindParameter");
}

SQLRETURN SQL_API SQLBindCol(SQLHSTMT, SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER value,
                             SQLLEN length, SQLLEN* ind) {
    Log("SQLBindCol");
    SQLRETURN r = Ret("SQLBindCol");
    if (SQL_SUCCEEDED(r)) st.colBindings[column] = Binding{0, cType, 0, 0, 0, value, length, ind};
    return r;
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT, SQLSMALLINT* count) {
    Log("SQLNumResultCols");
    *count = static_cast<SQLSMALLINT>(st.columns.size());
    return Ret("SQLNumResultCols");
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT, SQLUSMALLINT column, SQLCHAR* name, SQLSMALLINT size,
                                 SQLSMALLINT* nameLength, SQLSMALLINT* type, SQLULEN* columnSize,
                                 SQLSMALLINT* digits, SQLSMALLINT* nullable) {
    Log("SQLDescribeCol");
    if (column < 1 || column > st.columns.size()) return Ret("SQLDescribeCol", SQL_ERROR);
    const auto& c = st.columns[column - 1];
    CopyOut(name, size, nameLength, c.name);
    *type = c.sqlType;
    *columnSize = c.size;
    *digits = 0;
    *nullable = SQL_NULLABLE;
    return Ret("SQLDescribeCol");
}

// The numeric answer is an SQLLEN: the header of a 64-bit build says so, that of a 32-bit one
// declares a plain pointer of the same size.
#ifdef _WIN64
SQLRETURN SQL_API SQLColAttribute(SQLHSTMT, SQLUSMALLINT column, SQLUSMALLINT field, SQLPOINTER, SQLSMALLINT,
                                  SQLSMALLINT*, SQLLEN* numeric) {
#else
SQLRETURN SQL_API SQLColAttribute(SQLHSTMT, SQLUSMALLINT column, SQLUSMALLINT field, SQLPOINTER, SQLSMALLINT,
                                  SQLSMALLINT*, SQLPOINTER numericOut) {
    auto* numeric = static_cast<SQLLEN*>(numericOut);
#endif
    Log("SQLColAttribute");
    if (column < 1 || column > st.columns.size()) return Ret("SQLColAttribute", SQL_ERROR);
    if (numeric) *numeric = field == SQL_DESC_UPDATABLE ? SQL_ATTR_READWRITE_UNKNOWN : SQL_FALSE;
    return Ret("SQLColAttribute");
}

// One value into its bound buffer as a driver would: text cut to the buffer with its terminator,
// the indicator telling the whole length (or what the script forces).
void WriteValue(int column, const std::string& value, uint8_t* target, SQLLEN* ind, const Binding& b) {
    if (value == "~") {
        if (ind) *ind = SQL_NULL_DATA;
        return;
    }
    SQLLEN length = static_cast<SQLLEN>(value.size());
    switch (b.cType) {
    case SQL_C_SLONG: {
        SQLINTEGER v = std::atoi(value.c_str());
        std::memcpy(target, &v, sizeof v);
        length = sizeof v;
        break;
    }
    case SQL_C_SSHORT: {
        SQLSMALLINT v = static_cast<SQLSMALLINT>(std::atoi(value.c_str()));
        std::memcpy(target, &v, sizeof v);
        length = sizeof v;
        break;
    }
    case SQL_C_DOUBLE: {
        double v = std::atof(value.c_str());
        std::memcpy(target, &v, sizeof v);
        length = sizeof v;
        break;
    }
    case SQL_C_CHAR: {
        size_t n = b.bufferLength > 0 ? std::min(value.size(), static_cast<size_t>(b.bufferLength - 1)) : 0;
        std::memcpy(target, value.data(), n);
        if (b.bufferLength > 0) target[n] = 0;
        break;
    }
    default: {
        size_t n = std::min(value.size(), static_cast<size_t>(b.bufferLength));
        std::memcpy(target, value.data(), n);
    }
    }
    auto forced = st.forcedInd.find(column);
    if (ind) *ind = forced != st.forcedInd.end() ? forced->second : length;
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT) {
    Log("SQLFetch");
    ++st.fetches;
    st.getDataPos.clear();
    if (st.failFetch == st.fetches) return SQL_ERROR;
    SQLRETURN r = Ret("SQLFetch", SQL_SUCCESS);
    if (r != SQL_SUCCESS) return r;
    if (st.nextRow >= st.resultRows.size()) {
        if (st.rowsFetched) *st.rowsFetched = 0;
        return SQL_NO_DATA;
    }
    SQLULEN n = 0;
    const intptr_t offset = st.bindOffset ? static_cast<intptr_t>(*st.bindOffset) : 0;
    for (; n < st.arraySize && st.nextRow < st.resultRows.size(); ++n, ++st.nextRow) {
        const auto& row = st.resultRows[st.nextRow];
        for (auto& [column, b] : st.colBindings) {
            if (column < 1 || static_cast<size_t>(column) > row.size()) continue;
            intptr_t step = static_cast<intptr_t>(n * st.bindType) + offset;
            auto* target = static_cast<uint8_t*>(b.value) + step;
            auto* ind = b.ind ? reinterpret_cast<SQLLEN*>(reinterpret_cast<uint8_t*>(b.ind) + step) : nullptr;
            WriteValue(column, row[column - 1], target, ind, b);
        }
    }
    if (st.rowsFetched) *st.rowsFetched = n;
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT, SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER target,
                             SQLLEN length, SQLLEN* ind) {
    Log("SQLGetData");
    SQLRETURN r = Ret("SQLGetData", SQL_SUCCESS);
    if (r != SQL_SUCCESS) return r;
    // Pieces of the current row's value; the forced indicator (SQL_NO_TOTAL) stands for every piece
    // but the last.
    if (st.nextRow == 0 || st.nextRow > st.resultRows.size()) return SQL_NO_DATA;
    const auto& row = st.resultRows[st.nextRow - 1];
    if (column < 1 || column > row.size()) return SQL_ERROR;
    const std::string& value = row[column - 1];
    size_t& pos = st.getDataPos[column];
    if (value == "~") {
        *ind = SQL_NULL_DATA;
        return SQL_SUCCESS;
    }
    if (pos > 0 && pos >= value.size()) return SQL_NO_DATA;
    const size_t remaining = value.size() - pos;
    const size_t room = cType == SQL_C_CHAR ? static_cast<size_t>(length - 1) : static_cast<size_t>(length);
    const size_t n = std::min(remaining, room);
    std::memcpy(target, value.data() + pos, n);
    if (cType == SQL_C_CHAR) static_cast<char*>(target)[n] = 0;
    pos += n;
    auto forced = st.forcedInd.find(column);
    const bool more = remaining > n;
    *ind = more && forced != st.forcedInd.end() ? forced->second : static_cast<SQLLEN>(remaining);
    return more ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetDescField(SQLHDESC, SQLSMALLINT, SQLSMALLINT, SQLPOINTER, SQLINTEGER, SQLINTEGER*) {
    Log("SQLGetDescField");
    return Ret("SQLGetDescField");
}

SQLRETURN SQL_API SQLSetDescField(SQLHDESC, SQLSMALLINT, SQLSMALLINT, SQLPOINTER, SQLINTEGER) {
    Log("SQLSetDescField");
    return Ret("SQLSetDescField");
}

SQLRETURN SQL_API SQLTables(SQLHSTMT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                            SQLCHAR*, SQLSMALLINT) {
    Log("SQLTables");
    return Ret("SQLTables");
}

SQLRETURN SQL_API SQLColumns(SQLHSTMT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                             SQLCHAR*, SQLSMALLINT) {
    Log("SQLColumns");
    return Ret("SQLColumns");
}

SQLRETURN SQL_API SQLProcedures(SQLHSTMT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                SQLSMALLINT) {
    Log("SQLProcedures");
    return Ret("SQLProcedures");
}

SQLRETURN SQL_API SQLProcedureColumns(SQLHSTMT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                      SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
    Log("SQLProcedureColumns");
    return Ret("SQLProcedureColumns");
}

SQLRETURN SQL_API SQLStatistics(SQLHSTMT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                SQLUSMALLINT, SQLUSMALLINT) {
    Log("SQLStatistics");
    return Ret("SQLStatistics");
}

SQLRETURN SQL_API SQLSpecialColumns(SQLHSTMT, SQLUSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                    SQLCHAR*, SQLSMALLINT, SQLUSMALLINT, SQLUSMALLINT) {
    Log("SQLSpecialColumns");
    return Ret("SQLSpecialColumns");
}

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE, SQLSMALLINT record, SQLCHAR* state,
                                SQLINTEGER* native, SQLCHAR* text, SQLSMALLINT size, SQLSMALLINT* length) {
    Log("SQLGetDiagRec " + std::to_string(type));
    bool here = record == 1 && ((st.diagWhere == 1 && type != SQL_HANDLE_ENV) ||
                                (st.diagWhere == 2 && type == SQL_HANDLE_ENV));
    if (!here) return SQL_NO_DATA;
    std::memset(state, 0, 6);
    std::memcpy(state, st.diagState.data(), st.diagState.size() < 5 ? st.diagState.size() : 5);
    *native = st.diagNative;
    CopyOut(text, size, length, st.diagText);
    return SQL_SUCCESS;
}

} // extern "C"
