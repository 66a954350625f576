#pragma once
// What a database holds, read by its own command-line client (sqlite3, psql) outside Wine, so that
// a value the ODBC road wrote wrongly cannot be read back "right" by the same road.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "OdbcTestSupport.h"
#include "support/PostgresServer.h"

namespace native {

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a shell script natively and returns its output (stdout and stderr). Wine starts a Unix
// program without a handle to wait on: the script's last act, writing its status file, marks the end.
inline std::string RunScript(const std::string& script) {
    const std::string dir = BuildFolderUnix("native-client");
    CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
    const std::string base = dir + "/run-" + std::to_string(GetCurrentProcessId());
    DeleteFileA(("Z:" + base + ".status").c_str());
    {
        std::ofstream file("Z:" + base + ".sh", std::ios::binary);
        file << "export PATH=/usr/bin:/bin LC_ALL=C.UTF-8\n(\n"
             << script << "\n) > " << base << ".out 2>&1\necho $? > " << base << ".status.tmp\nmv " << base
             << ".status.tmp " << base << ".status\n";
    }
    std::string command = "/bin/sh " + base + ".sh";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return "<not started>";
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    const std::string status = "Z:" + base + ".status";
    for (int i = 0; i < 1200 && GetFileAttributesA(status.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
    std::string out = Slurp("Z:" + base + ".out");
    if (Slurp(status).rfind("0", 0) != 0) out = "<failed> " + out;
    return out;
}

// A script's SQL goes through a file: no quoting of it on any command line.
inline std::string WriteSqlFile(const std::string& sql) {
    const std::string path =
        BuildFolderUnix("native-client") + "/run-" + std::to_string(GetCurrentProcessId()) + ".sql";
    CreateDirectoryA(("Z:" + BuildFolderUnix("native-client")).c_str(), nullptr);
    std::ofstream("Z:" + path, std::ios::binary) << sql << "\n";
    return path;
}

// Rows of a query on an SQLite file (a Unix path), one line each, columns joined by "|".
inline std::string Sqlite(const std::string& file, const std::string& sql) {
    return RunScript("sqlite3 -batch -separator '|' -nullvalue '<null>' '" + file + "' < " +
                     WriteSqlFile(sql));
}

// The same on the private PostgreSQL server, as the test user; NULL prints as "<null>".
inline std::string Psql(const std::string& sql) {
    const PostgresServer& s = PostgresServer::Get();
    return RunScript("PGPASSWORD='" + s.Password + "' psql -X -q -A -t -F '|' -P null='<null>' -h " + s.Host +
                     " -p " + s.Port + " -U '" + s.User + "' -d '" + s.Database + "' -f " +
                     WriteSqlFile(sql));
}

} // namespace native
