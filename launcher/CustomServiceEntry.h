#pragma once
// The tax service's web-service interface (one operation, doService), its remotable types, the
// client factory and the one service proxy every call goes through.
#include <memory>
#include <vector>

#include "platform/core/ObjectModel.h"
#include "platform/soap/Remotable.h"

class THTTPRIO;
class ExtProperty;
class SsbExtProperty;

using ArrayOf_tns1_ExtProperty = std::vector<std::unique_ptr<ExtProperty>>;
using SsbArrayOf_tns1_ExtProperty = std::vector<std::unique_ptr<SsbExtProperty>>;

class ExtProperty : public TRemotable {
public:
    WideString name;
    WideString value;
};

// Request and reply record of doService; it owns the properties in props.
class CustomEntity : public TRemotable {
public:
    TByteDynArray casignData;
    TByteDynArray formData;
    TByteDynArray inputData;
    ArrayOf_tns1_ExtProperty props;
    TByteDynArray returnData;
    WideString rtCode;
    WideString rtMsg;
};

class CustomServiceEntry {
public:
    static const GUID IID; // {74B1411F-AE15-2ADF-876B-9FABDF467040}
    virtual ~CustomServiceEntry() = default;
    // The caller owns the answer.
    virtual std::unique_ptr<CustomEntity> doService(const WideString& sid, const CustomEntity* param) = 0;
};

// The second service of the same shape; registered, never called by the launcher.
class SsbExtProperty : public TRemotable {
public:
    WideString name;
    WideString value;
};

class SsbCustomEntity : public TRemotable {
public:
    TByteDynArray casignData;
    TByteDynArray formData;
    TByteDynArray inputData;
    SsbArrayOf_tns1_ExtProperty props;
    TByteDynArray returnData;
    WideString rtCode;
    WideString rtMsg;
};

class SsbCustomServiceEntry {
public:
    static const GUID IID; // {8910E2B7-2A9E-AB59-A874-57E76C935FA6}
    virtual ~SsbCustomServiceEntry() = default;
    virtual std::unique_ptr<SsbCustomEntity> doService(const WideString& sid,
                                                       const SsbCustomEntity* param) = 0;
};

// Namespaces of the two interfaces' operation elements.
extern const wchar_t* const SCustomServiceNamespace;
extern const wchar_t* const SSsbServiceNamespace;

// A client of CustomServiceEntry at Addr (empty: SYSTEM.ServiceURL) + "/services/CustomServiceEntry"
// (+ "?wsdl" in WSDL mode), on the given client or a new one. None when the client does not
// offer the interface.
std::shared_ptr<CustomServiceEntry> GetCustomServiceEntry(bool UseWSDL = false, const AnsiString& Addr = "",
                                                          std::shared_ptr<THTTPRIO> HTTPRIO = nullptr);

// Connect, send and receive time-out of the clients made above, in ms (300000). Tests shorten
// it; 0 restores the default.
unsigned ServiceCallTimeout();
void SetServiceCallTimeout(unsigned ms);

class TBaseServiceProxy : public TObject {
public:
    VZ_CLASS(TBaseServiceProxy, TObject)
    TBaseServiceProxy() = default;
    virtual bool IsCustom() const { return false; }
};

class TServiceProxy : public TBaseServiceProxy {
public:
    VZ_CLASS(TServiceProxy, TBaseServiceProxy)
    TServiceProxy() = default;
    // One doService call. Platform errors are logged and answered with none.
    std::unique_ptr<CustomEntity> CallService(const WideString& sid, const CustomEntity* entity,
                                              const AnsiString& Addr = "");
};

// Null until ServiceEntryInitialize and after ServiceEntryFinalize.
extern TServiceProxy* ServiceProxy;

// Registers the interfaces and remotable types and creates the proxy; Finalize undoes both.
void ServiceEntryInitialize();
void ServiceEntryFinalize();
