// The ODBC road under Wine: functions bound by their plain names at run time (the A-suffixed
// exports of Wine's odbc32 abort the process), the Access keywords accepted by the stand-in driver,
// CP936 text stored and read back unchanged, and a missing database reported, never created.
#include <gtest/gtest.h>

#include "platform/core/Win.h"
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

namespace {

struct Odbc {
    HMODULE lib = LoadLibraryA("odbc32.dll");
    template <class F> F Bind(const char* name) {
        auto p = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
        if (!p) ADD_FAILURE() << "odbc32 lacks " << name;
        return p;
    }
    decltype(&SQLAllocHandle) AllocHandle = Bind<decltype(&SQLAllocHandle)>("SQLAllocHandle");
    decltype(&SQLFreeHandle) FreeHandle = Bind<decltype(&SQLFreeHandle)>("SQLFreeHandle");
    decltype(&SQLSetEnvAttr) SetEnvAttr = Bind<decltype(&SQLSetEnvAttr)>("SQLSetEnvAttr");
    decltype(&SQLDriverConnect) DriverConnect = Bind<decltype(&SQLDriverConnect)>("SQLDriverConnect");
    decltype(&SQLDisconnect) Disconnect = Bind<decltype(&SQLDisconnect)>("SQLDisconnect");
    decltype(&SQLExecDirect) ExecDirect = Bind<decltype(&SQLExecDirect)>("SQLExecDirect");
    decltype(&SQLFetch) Fetch = Bind<decltype(&SQLFetch)>("SQLFetch");
    decltype(&SQLGetData) GetData = Bind<decltype(&SQLGetData)>("SQLGetData");
    decltype(&SQLGetDiagRec) GetDiagRec = Bind<decltype(&SQLGetDiagRec)>("SQLGetDiagRec");

    std::string Diag(SQLSMALLINT type, SQLHANDLE h, std::string* state = nullptr) {
        SQLCHAR st[6] = {}, msg[512] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT len = 0;
        if (!SQL_SUCCEEDED(GetDiagRec(type, h, 1, st, &native, msg, sizeof msg, &len))) return {};
        if (state) *state = reinterpret_cast<char*>(st);
        return std::string(reinterpret_cast<char*>(st)) + " " + reinterpret_cast<char*>(msg);
    }
};

class OdbcEnvironment : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, odbc.lib);
        ASSERT_TRUE(SQL_SUCCEEDED(odbc.AllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)));
        odbc.SetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        ASSERT_TRUE(SQL_SUCCEEDED(odbc.AllocHandle(SQL_HANDLE_DBC, env, &dbc)));
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        dir = std::string(tmp) + "vz odbc " + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir.c_str(), nullptr);
    }
    void TearDown() override {
        if (connected) odbc.Disconnect(dbc);
        odbc.FreeHandle(SQL_HANDLE_DBC, dbc);
        odbc.FreeHandle(SQL_HANDLE_ENV, env);
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do DeleteFileA((dir + "\\" + fd.cFileName).c_str());
            while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryA(dir.c_str());
    }

    SQLRETURN Connect(const std::string& cs) {
        SQLCHAR out[1024];
        SQLSMALLINT outLen = 0;
        SQLRETURN rc = odbc.DriverConnect(dbc, nullptr, (SQLCHAR*)cs.c_str(), SQL_NTS, out, sizeof out, &outLen,
                                          SQL_DRIVER_NOPROMPT);
        connected = SQL_SUCCEEDED(rc);
        return rc;
    }
    void Exec(const std::string& sql) {
        SQLHSTMT st = nullptr;
        ASSERT_TRUE(SQL_SUCCEEDED(odbc.AllocHandle(SQL_HANDLE_STMT, dbc, &st)));
        SQLRETURN rc = odbc.ExecDirect(st, (SQLCHAR*)sql.c_str(), SQL_NTS);
        EXPECT_TRUE(SQL_SUCCEEDED(rc)) << sql << ": " << odbc.Diag(SQL_HANDLE_STMT, st);
        odbc.FreeHandle(SQL_HANDLE_STMT, st);
    }
    std::vector<std::string> Column(const std::string& sql) {
        std::vector<std::string> rows;
        SQLHSTMT st = nullptr;
        odbc.AllocHandle(SQL_HANDLE_STMT, dbc, &st);
        SQLRETURN rc = odbc.ExecDirect(st, (SQLCHAR*)sql.c_str(), SQL_NTS);
        EXPECT_TRUE(SQL_SUCCEEDED(rc)) << sql << ": " << odbc.Diag(SQL_HANDLE_STMT, st);
        while (SQL_SUCCEEDED(odbc.Fetch(st))) {
            char buf[256] = {};
            SQLLEN ind = 0;
            odbc.GetData(st, 1, SQL_C_CHAR, buf, sizeof buf, &ind);
            rows.emplace_back(ind == SQL_NULL_DATA ? "<null>" : buf);
        }
        odbc.FreeHandle(SQL_HANDLE_STMT, st);
        return rows;
    }
    static void MakeEmptyFile(const std::string& path) {
        // A zero-length file is an empty SQLite database.
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        CloseHandle(h);
    }
    static std::string AccessString(const std::string& dbq, const std::string& defaultDir) {
        return "DRIVER={Microsoft Access Driver (*.mdb)};DefaultDir=" + defaultDir + ";DBQ=" + dbq +
               ";UID=;PWD=secret";
    }

    Odbc odbc;
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    bool connected = false;
    std::string dir;
};

// The Unix path behind a Windows path, written as Wine's Z: drive sees it.
std::string ZDrivePath(const std::string& winPath) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, winPath.c_str(), -1, wide, MAX_PATH);
    char* unixPath = toUnix(wide);
    if (!unixPath) return {};
    std::string z = "Z:" + std::string(unixPath);
    HeapFree(GetProcessHeap(), 0, unixPath);
    for (char& c : z)
        if (c == '/') c = '\\';
    return z;
}

TEST_F(OdbcEnvironment, AccessKeywordsReachSqliteFileAndKeepCp936Text) {
    std::string file = dir + "\\VazEvor.mdb";
    MakeEmptyFile(file);
    const std::string text = "在线更新 ABC 正在启动";
    struct Case {
        const char* name;
        std::string dbq;
    } cases[] = {{"drive letter path", file}, {"Z: path", ZDrivePath(file)}, {"relative to DefaultDir", "VazEvor.mdb"}};
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.dbq.empty());
        SQLRETURN rc = Connect(AccessString(c.dbq, dir));
        ASSERT_TRUE(SQL_SUCCEEDED(rc)) << odbc.Diag(SQL_HANDLE_DBC, dbc);
        if (row == 0) Exec("CREATE TABLE SysConfig (Class VARCHAR(50), Name VARCHAR(50), SysVal VARCHAR(255))");
        ++row;
        Exec("INSERT INTO SysConfig VALUES ('SYSTEM', 'Row" + std::to_string(row) + "', '" + text + "')");
        auto values = Column("SELECT SysVal FROM SysConfig ORDER BY Name");
        ASSERT_EQ(static_cast<size_t>(row), values.size());
        for (const auto& v : values) EXPECT_EQ(text, v);
        odbc.Disconnect(dbc);
        connected = false;
    }
    // Everything went into the one file the connection strings named: nothing else was created.
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    int files = 0;
    do
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    while (FindNextFileA(h, &fd));
    FindClose(h);
    EXPECT_EQ(1, files);
}

TEST_F(OdbcEnvironment, MissingDatabaseIsAnErrorAndNoFileIsCreated) {
    std::string file = dir + "\\Missing.mdb";
    SQLRETURN rc = Connect(AccessString(file, dir));
    EXPECT_FALSE(SQL_SUCCEEDED(rc));
    std::string state;
    std::string diag = odbc.Diag(SQL_HANDLE_DBC, dbc, &state);
    EXPECT_EQ(5u, state.size()) << diag;
    // The driver itself refused the file (not the driver manager failing to load the driver).
    EXPECT_NE("IM", state.substr(0, 2)) << diag;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(file.c_str()));
}

TEST_F(OdbcEnvironment, BothAccessDriverNamesAreRegistered) {
    std::string file = dir + "\\Both.mdb";
    MakeEmptyFile(file);
    for (const char* driver : {"Microsoft Access Driver (*.mdb)", "Microsoft Access Driver (*.mdb, *.accdb)"}) {
        SCOPED_TRACE(driver);
        std::string cs = std::string("DRIVER={") + driver + "};DBQ=" + file + ";PWD=x;Exclusive=0;ExtendedAnsiSQL=1";
        ASSERT_TRUE(SQL_SUCCEEDED(Connect(cs))) << odbc.Diag(SQL_HANDLE_DBC, dbc);
        odbc.Disconnect(dbc);
        connected = false;
    }
}

} // namespace
