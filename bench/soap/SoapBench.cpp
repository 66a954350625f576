// soap_bench baseline|read|write: one phase per run, so that each run's peak memory is its own.
//   baseline  plain base64 decoding of the 20 MB payload's text
//   read      the same payload as returnData of a SOAP reply, through ParseSoapResponse
//   write     a request carrying the 20 MB payload, through BuildSoapRequest
// Prints the time of the phase and the process's private bytes (in use before it, peak after it).
// Wine's peak counter does not follow every allocation, so read the memory figures on Windows.
#include <ole2.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform/soap/Base64.h"
#include "platform/soap/SoapEnvelope.h"

namespace {

class Payload : public TRemotable {
public:
    TByteDynArray returnData;
    WideString rtCode;
};

double PeakMB() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return static_cast<double>(pmc.PeakPagefileUsage) / (1024.0 * 1024.0);
}

double CurrentMB() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return static_cast<double>(pmc.PagefileUsage) / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "read";
    CoInitialize(nullptr);
    TRemotableClassInfo info;
    info.Type = typeid(Payload);
    info.Name = L"CustomEntity";
    info.Namespace = L"urn:CustomService";
    info.Create = [] { return std::make_unique<Payload>(); };
    info.Props = {BytesProp(L"returnData", &Payload::returnData), StringProp(L"rtCode", &Payload::rtCode)};
    RemClassRegistry().RegisterXSClass(info);

    const size_t size = 20u * 1024 * 1024;
    TByteDynArray bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    bool baseline = !std::strcmp(mode, "baseline"), read = !std::strcmp(mode, "read");
    // Only what the phase needs is built, and transient copies are gone before it starts.
    std::string wrapped; // 76-character lines, as servers send it
    if (baseline || read) {
        std::string b64;
        Base64Append(b64, bytes.data(), bytes.size());
        if (read)
            wrapped = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><e:Envelope "
                      "xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><r:doServiceResponse "
                      "xmlns:r=\"urn:x\"><return><rtCode>1</rtCode><returnData>";
        wrapped.reserve(wrapped.size() + b64.size() + b64.size() / 76 + 200);
        for (size_t i = 0; i < b64.size(); i += 76)
            wrapped.append(b64, i, 76).append("\n");
        if (read) wrapped += "</returnData></return></r:doServiceResponse></e:Body></e:Envelope>";
    }
    Payload request;
    if (!baseline && !read) request.returnData = std::move(bytes);

    double current = CurrentMB();

    auto start = std::chrono::steady_clock::now();
    bool ok = false;
    if (baseline) {
        std::vector<uint8_t> out = Base64Decode(wrapped.data(), wrapped.size());
        ok = out == bytes;
    } else if (read) {
        std::unique_ptr<TRemotable> obj = ParseSoapResponse(wrapped, typeid(Payload));
        ok = obj && static_cast<Payload*>(obj.get())->returnData == bytes;
    } else {
        TSoapParam p;
        p.Name = L"param";
        p.IsObject = true;
        p.Obj = &request;
        p.Type = typeid(Payload);
        std::string text = BuildSoapRequest(L"http://x/wsbs/services/", L"doService", {p});
        ok = text.size() > size;
    }
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    double after = PeakMB();
    std::printf(
        "%-8s %s  %8.1f ms  peak private %7.1f MB, in use before the phase %7.1f MB: the phase adds up to "
        "%7.1f MB\n",
        mode, ok ? "ok  " : "FAIL", ms, after, current, after - current);
    CoUninitialize();
    return ok ? 0 : 1;
}
