// update_bench PHASE [PORT]: one phase per run, so that each run's peak memory is its own.
//   idle      the process with the launcher's service units started, nothing else
//   baseline  the plain way to the installed files: the archive mapped once, each entry inflated
//             by zlib in one call into a buffer of its size and written with one WriteFile
//   http      the package request's HTTP exchange alone (the reply's body received, not read)
//   fetch     the package request through TCallService::Invoke (SOAP reply read, bytes held)
//   download  fetch, then the package written to tmptax.zip (a type with no installer)
//   install   the whole "00" road: DownloadAndInstall into a folder
//   unzip     the installer's extraction alone, of the archive already on disk
// The peer (port given) serves the package under the scenario "bench", encoded once and cached.
// update_bench rounds PORT [N]: in one process, N rounds (default 7) that take turns between the
// baseline, the update's steps each timed on its own (the HTTP exchange, decoding the reply,
// writing the package, extracting it) and the whole install; medians and ranges, and each step's
// ratio to the same round's baseline.
#include <ole2.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "launcher/CallService.h"
#include "launcher/CustomServiceEntry.h"
#include "launcher/ModuleFiles.h"
#include "launcher/Globals.h"
#include "launcher/SysConfig.h"
#include "launcher/Utils.h"
#include "launcher/XmlBeanParser.h"
#include "platform/soap/HttpTransport.h"
#include "platform/soap/SoapEnvelope.h"
#include "../BenchRounds.h"

namespace {

std::string Here() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\') + 1);
}

uint32_t Get32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The archive mapped into memory once; every local entry inflated whole (raw deflate, or stored
// bytes taken as they are) into one buffer of the size its header gives and written to its file
// in one call.
bool InflateAll(const std::string& archive, const std::string& folder) {
    HANDLE file = CreateFileA(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    const auto* zip = static_cast<const uint8_t*>(mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr);
    bool ok = zip != nullptr;
    const size_t length = static_cast<size_t>(size.QuadPart);
    std::vector<uint8_t> out;
    for (size_t at = 0; ok && at + 30 <= length && Get32(zip + at) == 0x04034b50;) {
        const uint8_t* h = zip + at;
        const uint32_t packed = Get32(h + 18), unpacked = Get32(h + 22);
        const size_t nameLength = h[26] | (h[27] << 8), extra = h[28] | (h[29] << 8);
        std::string name(reinterpret_cast<const char*>(h + 30), nameLength);
        name = name.substr(name.find_last_of('/') + 1);
        const uint8_t* data = h + 30 + nameLength + extra;
        const uint8_t* bytes = data;
        if ((h[8] | (h[9] << 8)) == 8) {
            out.resize(unpacked);
            z_stream zs{};
            inflateInit2(&zs, -MAX_WBITS);
            zs.next_in = const_cast<Bytef*>(data);
            zs.avail_in = packed;
            zs.next_out = out.data();
            zs.avail_out = unpacked;
            ok = inflate(&zs, Z_FINISH) == Z_STREAM_END && zs.total_out == unpacked;
            inflateEnd(&zs);
            bytes = out.data();
        }
        HANDLE target = CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        ok = ok && target != INVALID_HANDLE_VALUE && WriteFile(target, bytes, unpacked, &written, nullptr) &&
             written == unpacked;
        if (target != INVALID_HANDLE_VALUE) CloseHandle(target);
        at = static_cast<size_t>(data - zip) + packed;
    }
    if (zip) UnmapViewOfFile(zip);
    if (mapping) CloseHandle(mapping);
    CloseHandle(file);
    return ok;
}

AnsiString PackageRequest() {
    TCommonXmlBean bean(true);
    bean.Request->AddCell("cell", "id", "1");
    bean.Request->AddCell("cell", "msid", "901");
    return TXMLBeanParser::BeanToXml(&bean);
}

// The package request's HTTP exchange: the reply's body received, not read.
THTTPResponse PackageExchange() {
    TCallService call;
    std::unique_ptr<CustomEntity> entity = call.BuildEntity(PackageRequest());
    std::vector<TSoapParam> params(2);
    params[0].Name = L"sid";
    params[0].Str = L"9910006";
    params[1].Name = L"param";
    params[1].IsObject = true;
    params[1].Obj = entity.get();
    params[1].Type = typeid(CustomEntity);
    THTTPReqResp node;
    node.URL = SystemConfig->ServiceURL() + "/services/CustomServiceEntry";
    node.UseUTF8InHeader = true;
    return node.Post(BuildSoapRequest(L"http://www.vazevor.com/wsbs/services/", L"doService", params));
}

using Clock = std::chrono::steady_clock;

// The update's steps one after the other, each timed: what DownloadAndInstall does for a "00"
// package, with the calls it makes.
bool TimedSteps(const std::string& folder, double seconds[4]) {
    auto t = Clock::now();
    THTTPResponse response = PackageExchange();
    seconds[0] = BenchSeconds(t);
    if (response.Status != 200) return false;
    t = Clock::now();
    std::unique_ptr<TRemotable> reply = ParseSoapResponse(std::move(response.Body), typeid(CustomEntity));
    seconds[1] = BenchSeconds(t);
    auto* entity = dynamic_cast<CustomEntity*>(reply.get());
    if (!entity || entity->rtCode != L"1") return false;
    const AnsiString package = GetTempDir() + "tmptax.zip";
    AnsiString error;
    t = Clock::now();
    bool ok = WriteDownload(package, entity->returnData.data(), entity->returnData.size(), error);
    seconds[2] = BenchSeconds(t);
    reply.reset();
    t = Clock::now();
    ok = ok && UnzipAll(package, folder);
    seconds[3] = BenchSeconds(t);
    DeleteFileA(package.c_str());
    return ok;
}

int Rounds(const std::string& folder, int rounds) {
    const char* names[] = {"HTTP exchange", "decode", "write", "extraction", "whole install"};
    std::vector<BenchPhase> phases;
    phases.push_back({"baseline", nullptr, "", {}});
    for (const char* name : names)
        phases.push_back({name, nullptr, "baseline", {}});
    bool ok = true;
    for (int r = 0; r < rounds && ok; ++r)
        for (int turn = 0; turn < 3 && ok; ++turn)
            switch ((turn + r) % 3) {
            case 0: {
                auto t = Clock::now();
                ok = InflateAll(Here() + "bench50.zip", folder);
                phases[0].Times.push_back(BenchSeconds(t));
                break;
            }
            case 1: {
                double seconds[4] = {};
                ok = TimedSteps(folder, seconds);
                for (int i = 0; i < 4; ++i)
                    phases[static_cast<size_t>(i) + 1].Times.push_back(seconds[i]);
                break;
            }
            default: {
                TCallService call;
                auto t = Clock::now();
                ok = call.DownloadAndInstall(PackageRequest(), "00", 0);
                phases[5].Times.push_back(BenchSeconds(t));
                break;
            }
            }
    if (!ok) {
        std::printf("rounds FAILED\n");
        return 1;
    }
    std::printf("%d rounds in one process taking turns: median [range]; each step's ratio to the same round's "
                "plain inflate-and-write\n",
                rounds);
    PrintRounds(phases);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string phase = argc > 1 ? argv[1] : "install";
    const std::string port = argc > 2 ? argv[2] : "0";
    CoInitialize(nullptr);
    GlobalsInitialize();
    SysConfigInitialize();
    ServiceEntryInitialize();
    const std::string folder = Here() + "installed\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    Globals->AppPath = folder;
    SystemConfig->SetServiceURL("http://127.0.0.1:" + port + "/bench");

    const auto start = std::chrono::steady_clock::now();
    bool ok = true;
    if (phase == "rounds") {
        ok = Rounds(folder, argc > 3 ? std::max(1, std::atoi(argv[3])) : 7) == 0;
    } else if (phase == "baseline") {
        ok = InflateAll(Here() + "bench50.zip", folder);
    } else if (phase == "http") {
        THTTPResponse response = PackageExchange();
        ok = response.Status == 200 && response.Body.size() > 50000000;
    } else if (phase == "fetch") {
        TCallService call;
        ok = call.Call("9910006", PackageRequest());
    } else if (phase == "download") {
        TCallService call;
        ok = call.DownloadAndInstall(PackageRequest(), "XX", 0);
        DeleteFileA((GetTempDir() + "tmptax.zip").c_str());
    } else if (phase == "unzip") {
        ok = UnzipAll(Here() + "bench50.zip", folder);
    } else if (phase == "install") {
        TCallService call;
        ok = call.DownloadAndInstall(PackageRequest(), "00", 0);
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-9s %8.0f ms%s\n", phase.c_str(), ms, ok ? "" : "  FAILED");
    ServiceEntryFinalize();
    SysConfigFinalize();
    GlobalsFinalize();
    return ok ? 0 : 1;
}
