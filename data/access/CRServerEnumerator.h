#pragma once
// Listing the servers a provider can reach, and the operating system's service-control and
// server-enumeration functions bound by name.
#include "platform/core/StringLists.h"
#include "platform/core/Threads.h"
#include "platform/core/Variant.h"

class TCRServerEnumerator : public TObject {
public:
    VZ_CLASS(TCRServerEnumerator, TObject)
    TCRServerEnumerator() = default;
    virtual bool SetProp(int prop, const Variant& value);
    virtual bool GetProp(int prop, Variant& value);
    // The base only empties the list.
    virtual void GetServerList(TStrings* list);
};

// The process-wide holder of the service-control and server-enumeration functions. Nothing in
// the system calls them; a missing one raises "function is not linked" when called.
class TCRNetManager : public TObject {
public:
    VZ_CLASS(TCRNetManager, TObject)
    TCRNetManager();
    ~TCRNetManager() override;

    using TOpenSCManager = void*(__stdcall*)(const char*, const char*, unsigned long);
    using TCloseServiceHandle = int(__stdcall*)(void*);
    using TOpenService = void*(__stdcall*)(void*, const char*, unsigned long);
    using TEnumServicesStatus = int(__stdcall*)(void*, unsigned long, unsigned long, void*, unsigned long,
                                                unsigned long*, unsigned long*, unsigned long*);
    using TQueryServiceStatus = int(__stdcall*)(void*, void*);
    using TStartService = int(__stdcall*)(void*, unsigned long, const char**);
    using TControlService = int(__stdcall*)(void*, unsigned long, void*);
    using TNetServerEnum = unsigned long(__stdcall*)(const wchar_t*, unsigned long, uint8_t**, unsigned long,
                                                     unsigned long*, unsigned long*, unsigned long,
                                                     const wchar_t*, unsigned long*);
    using TNetApiBufferFree = unsigned long(__stdcall*)(void*);

    TOpenSCManager OpenSCManager;
    TCloseServiceHandle CloseServiceHandle;
    TOpenService OpenService;
    TEnumServicesStatus EnumServicesStatus;
    TQueryServiceStatus QueryServiceStatus;
    TStartService StartService;
    TControlService ControlService;
    TNetServerEnum NetServerEnum;
    TNetApiBufferFree NetApiBufferFree;

    // The cached server list, whose objects belong to it.
    TStringList ServerCache;
    // Empties the cache and frees its objects.
    void ClearCache();
    TCriticalSection Lock;

private:
    HMODULE advapi_ = nullptr;
    HMODULE netapi_ = nullptr;
};

TCRNetManager* CRNetManager();
void CRNetManagerInitialize();
void CRNetManagerFinalize();
