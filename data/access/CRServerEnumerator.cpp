#include "data/access/CRServerEnumerator.h"

#include <mutex>

#include "platform/core/Exceptions.h"

namespace {
TCRNetManager* netManager = nullptr;

[[noreturn]] void NotLinked() {
    throw Exception("function is not linked");
}

// Stand-ins of the same types for functions the system does not have.
template <class R, class... A> struct TStub;
template <class R, class... A> struct TStub<R(__stdcall*)(A...)> {
    static R __stdcall Call(A...) { NotLinked(); }
};

template <class F> void Bind(F& target, HMODULE library, const char* name) {
    FARPROC proc = library ? GetProcAddress(library, name) : nullptr;
    target = proc ? reinterpret_cast<F>(reinterpret_cast<void*>(proc)) : &TStub<F>::Call;
}
} // namespace

bool TCRServerEnumerator::SetProp(int prop, const Variant&) {
    Assert(false, IntToStr(prop));
    return false;
}

bool TCRServerEnumerator::GetProp(int prop, Variant&) {
    Assert(false, IntToStr(prop));
    return false;
}

void TCRServerEnumerator::GetServerList(TStrings* list) {
    list->Clear();
}

TCRNetManager::TCRNetManager() {
    advapi_ = LoadLibraryA("advapi32.dll");
    netapi_ = LoadLibraryA("netapi32.dll");
    Bind(OpenSCManager, advapi_, "OpenSCManagerA");
    Bind(CloseServiceHandle, advapi_, "CloseServiceHandle");
    Bind(OpenService, advapi_, "OpenServiceA");
    Bind(EnumServicesStatus, advapi_, "EnumServicesStatusA");
    Bind(QueryServiceStatus, advapi_, "QueryServiceStatus");
    Bind(StartService, advapi_, "StartServiceA");
    Bind(ControlService, advapi_, "ControlService");
    Bind(NetServerEnum, netapi_, "NetServerEnum");
    Bind(NetApiBufferFree, netapi_, "NetApiBufferFree");
}

TCRNetManager::~TCRNetManager() {
    ClearCache();
    if (advapi_) FreeLibrary(advapi_);
    if (netapi_) FreeLibrary(netapi_);
}

void TCRNetManager::ClearCache() {
    std::lock_guard<TCriticalSection> guard(Lock);
    for (int i = 0; i < ServerCache.Count(); ++i)
        delete ServerCache.Objects(i);
    ServerCache.Clear();
}

TCRNetManager* CRNetManager() {
    return netManager;
}

void CRNetManagerInitialize() {
    netManager = new TCRNetManager;
}

void CRNetManagerFinalize() {
    delete netManager;
    netManager = nullptr;
}
