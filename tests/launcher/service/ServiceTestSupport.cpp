#include "launcher/service/ServiceTestSupport.h"

#include <gtest/gtest.h>
#include <ole2.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "launcher/CustomServiceEntry.h"
#include "launcher/Globals.h"
#include "launcher/SysConfig.h"
#include "launcher/Utils.h"

namespace {

class ServiceEnvironment : public testing::Environment {
public:
    void SetUp() override {
        CoInitialize(nullptr);
        GlobalsInitialize();
        SysConfigInitialize();
        ServiceEntryInitialize();
    }
    void TearDown() override {
        ServiceEntryFinalize();
        SysConfigFinalize();
        GlobalsFinalize();
        CoUninitialize();
    }
};

[[maybe_unused]] testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new ServiceEnvironment);

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
    PeerGet("/control/reset");
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
