#include "launcher/service/ServiceTestSupport.h"

#include <gtest/gtest.h>
#include <ole2.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <sstream>

#include "launcher/CustomServiceEntry.h"
#include "launcher/Globals.h"
#include "launcher/SysConfig.h"
#include "launcher/Utils.h"

namespace {

// CTest's tax_service_start writes the peer's port under the build tree (a Unix path; Wine
// reaches it through drive Z:).
int PeerPort() {
    static int port = [] {
        const char* bin = std::getenv("VZ_BINARY_DIR");
        std::string path = std::string("Z:") + (bin ? bin : "") + "/tax-service/port";
        std::ifstream in(path);
        int p = 0;
        in >> p;
        return p;
    }();
    if (port <= 0)
        throw std::runtime_error(
            "The tax-service peer is not running: run the tests through ctest, which starts "
            "tools/tax-service/server.py");
    return port;
}

} // namespace

AnsiString PeerBase(const AnsiString& scenario) {
    return "http://127.0.0.1:" + std::to_string(PeerPort()) + "/" + scenario;
}

std::string PeerGet(const AnsiString& path) {
    std::string url = "http://127.0.0.1:" + std::to_string(PeerPort()) + path;
    HINTERNET inet = InternetOpenA("tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET req = InternetOpenUrlA(inet, url.c_str(), nullptr, 0,
                                     INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    std::string body;
    if (req) {
        char buf[4096];
        DWORD n = 0;
        while (InternetReadFile(req, buf, sizeof buf, &n) && n)
            body.append(buf, n);
        InternetCloseHandle(req);
    }
    InternetCloseHandle(inet);
    return body;
}

void PeerReset() {
    PeerPost("/control/reset", "");
}

int PeerPost(const AnsiString& path, const std::string& body, std::string* answer) {
    HINTERNET inet = InternetOpenA("tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET conn = InternetConnectA(inet, "127.0.0.1", static_cast<INTERNET_PORT>(PeerPort()), nullptr,
                                      nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET req = HttpOpenRequestA(conn, "POST", path.c_str(), nullptr, nullptr, nullptr,
                                     INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    DWORD status = 0;
    if (req &&
        HttpSendRequestA(req, nullptr, 0, const_cast<char*>(body.data()), static_cast<DWORD>(body.size()))) {
        DWORD size = sizeof(status);
        HttpQueryInfoA(req, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
        std::string text;
        char buf[4096];
        DWORD n = 0;
        while (InternetReadFile(req, buf, sizeof buf, &n) && n)
            text.append(buf, n);
        if (answer) *answer = text;
    }
    if (req) InternetCloseHandle(req);
    if (conn) InternetCloseHandle(conn);
    InternetCloseHandle(inet);
    return static_cast<int>(status);
}

std::string JsonText(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        // A double-byte character's second byte may be a backslash: it is no escape.
        if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < text.size()) {
            out += text.substr(i++, 2);
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            if (c == '"' || c == '\\') out += '\\';
            out += c;
        }
    }
    return out + "\"";
}

void PeerScenario(const AnsiString& name, const std::string& json) {
    // The test's texts are in the ANSI code page; JSON travels as UTF-8.
    if (PeerPost("/control/scenario/" + name, WideToAnsi(AnsiToWide(json), CP_UTF8)) != 200)
        throw std::runtime_error("the peer refused scenario " + name);
}

std::vector<AnsiString> PeerPackageRequests() {
    std::vector<AnsiString> ids;
    std::istringstream in(PeerGet("/control/packages"));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ids.push_back(line);
    }
    return ids;
}

std::string UnixPath(const AnsiString& windowsPath) {
    using Convert = char*(CDECL*)(LPCWSTR);
    static auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert) throw std::runtime_error("not running under Wine");
    char* unix = convert(AnsiToWide(windowsPath).c_str());
    if (!unix) throw std::runtime_error("no Unix path for " + windowsPath);
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

DiskFullAt::DiskFullAt(const AnsiString& windowsPath) : unix_(UnixPath(windowsPath)) {
    std::string answer;
    if (PeerPost("/control/devfull", unix_, &answer) != 200)
        throw std::runtime_error("no /dev/full link at " + unix_ + ": " + answer);
}

DiskFullAt::~DiskFullAt() {
    PeerPost("/control/unlink", unix_);
}

ImmutableFolder::ImmutableFolder(const AnsiString& windowsPath) : unix_(UnixPath(windowsPath)) {
    std::string answer;
    const int status = PeerPost("/control/immutable/set", unix_, &answer);
    // Only a refusal by the file system or the container may skip a test; anything else (chattr
    // missing, the peer unreachable) is a broken set-up and fails it.
    if (status == 409)
        refused_ = "chattr +i refused on " + unix_ + ": " + answer;
    else if (status != 200)
        throw std::runtime_error("chattr +i failed on " + unix_ + " (" + std::to_string(status) + "): " + answer);
}

ImmutableFolder::~ImmutableFolder() {
    PeerPost("/control/immutable/clear", unix_);
}

std::vector<AnsiString> ErrorLogLines() {
    std::vector<AnsiString> lines;
    std::ifstream in(GetAppPath() + "ErrorLog.txt", std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

void ClearErrorLog() {
    DeleteFileA((GetAppPath() + "ErrorLog.txt").c_str());
}
