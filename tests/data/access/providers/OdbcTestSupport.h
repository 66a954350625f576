#pragma once
// Helpers of the real-driver tests: statements run and rows read through the binding directly, so
// that what the provider wrote is checked by a second road.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "data/access/DataAccessUnits.h"
#include "data/access/providers/ODBCClasses.h"
#include "data/access/providers/ProviderUnits.h"
#include "platform/core/UnitTable.h"

// The named data-access and provider units, in the program's order.
inline std::vector<UnitEntry> DataAccessUnitsNamed(const std::vector<const char*>& names) {
    return SelectUnits(JoinUnits({DataAccessUnits(), ProviderUnits()}), names);
}

// Starts the named data-access and provider units for the whole test program.
class DataAccessUnitsEnvironment : public testing::Environment {
public:
    explicit DataAccessUnitsEnvironment(std::vector<const char*> names) : names_(std::move(names)) {}
    void SetUp() override { InitializeUnits(DataAccessUnitsNamed(names_)); }
    void TearDown() override { FinalizeUnits(); }

private:
    std::vector<const char*> names_;
};

// The message of the Exception that f raises; "<no error>" when it raises none.
template <class F> std::string MessageOf(F f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "<no error>";
}

// Column values of every row as text; "<null>" for NULL. Failures are test failures.
inline std::vector<std::vector<std::string>> QueryRows(TODBCConnection& connection, const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    TODBCCli* cli = connection.Cli();
    SQLHSTMT stmt = nullptr;
    EXPECT_TRUE(SQL_SUCCEEDED(cli->SQLAllocHandle(SQL_HANDLE_STMT, connection.ConnectionHandle(), &stmt)));
    SQLRETURN r = cli->SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS);
    if (!SQL_SUCCEEDED(r)) {
        std::unique_ptr<EODBCError> e(CreateODBCError(cli, SQL_HANDLE_STMT, stmt, r));
        ADD_FAILURE() << sql << ": " << e->State << " " << e->Message();
    } else {
        SQLSMALLINT columns = 0;
        cli->SQLNumResultCols(stmt, &columns);
        while (SQL_SUCCEEDED(cli->SQLFetch(stmt))) {
            std::vector<std::string> row;
            for (SQLUSMALLINT c = 1; c <= columns; ++c) {
                std::string value;
                SQLLEN ind = 0;
                char buffer[4096];
                // Long values arrive in parts.
                for (;;) {
                    SQLRETURN g = cli->SQLGetData(stmt, c, SQL_C_CHAR, buffer, sizeof buffer, &ind);
                    if (!SQL_SUCCEEDED(g) || ind == SQL_NULL_DATA) break;
                    size_t got = (ind == SQL_NO_TOTAL || ind >= static_cast<SQLLEN>(sizeof buffer))
                                     ? sizeof buffer - 1
                                     : static_cast<size_t>(ind);
                    value.append(buffer, got);
                    if (g == SQL_SUCCESS) break;
                }
                row.push_back(ind == SQL_NULL_DATA ? "<null>" : value);
            }
            rows.push_back(row);
        }
    }
    cli->SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return rows;
}

inline std::string QueryValue(TODBCConnection& connection, const std::string& sql) {
    auto rows = QueryRows(connection, sql);
    return rows.empty() || rows[0].empty() ? "<none>" : rows[0][0];
}

// The first column of the first row read as wide text.
inline std::wstring QueryWideValue(TODBCConnection& connection, const std::string& sql) {
    TODBCCli* cli = connection.Cli();
    SQLHSTMT stmt = nullptr;
    cli->SQLAllocHandle(SQL_HANDLE_STMT, connection.ConnectionHandle(), &stmt);
    std::wstring value = L"<none>";
    if (SQL_SUCCEEDED(cli->SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS)) &&
        SQL_SUCCEEDED(cli->SQLFetch(stmt))) {
        wchar_t buffer[1024] = {};
        SQLLEN ind = 0;
        cli->SQLGetData(stmt, 1, SQL_C_WCHAR, buffer, sizeof buffer, &ind);
        value = ind == SQL_NULL_DATA ? L"<null>" : buffer;
    }
    cli->SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return value;
}

// Runs a statement through the provider's own command (no parameters).
inline void Exec(TODBCConnection& connection, const std::string& sql) {
    connection.ExecSQL(sql);
}

// A folder of the build tree as the native SQLite driver sees it (a Unix path).
inline std::string BuildFolderUnix(const std::string& name) {
    const char* bin = std::getenv("VZ_BINARY_DIR");
    return std::string(bin ? bin : ".") + "/" + name;
}
