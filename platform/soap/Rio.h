#pragma once
// THTTPRIO: the remote-interface object of a SOAP client. It hands out the client-side object
// of a registered invokable interface and turns its calls into one SOAP exchange each.
#include <memory>
#include <typeindex>
#include <vector>

#include "platform/soap/HttpTransport.h"
#include "platform/soap/Remotable.h"
#include "platform/soap/SoapEnvelope.h"

class THTTPRIO : public std::enable_shared_from_this<THTTPRIO> {
public:
    static std::shared_ptr<THTTPRIO> Create() { return std::shared_ptr<THTTPRIO>(new THTTPRIO()); }

    THTTPReqResp& HTTPWebNode() { return webNode_; }
    const AnsiString& URL() const { return webNode_.URL; }
    void SetURL(const AnsiString& url) { webNode_.URL = url; }
    // WSDL mode settings are held; calls need a URL (WSDL documents are not fetched).
    AnsiString WSDLLocation;
    AnsiString Service;
    AnsiString Port;

    // The client-side object of interface I (which names its IID), or none when I is not registered.
    template <class I> std::shared_ptr<I> As() {
        const TInvokableInterfaceInfo* info = InvRegistry().Find(I::IID);
        if (!info || !info->CreateProxy) return nullptr;
        return std::static_pointer_cast<I>(info->CreateProxy(shared_from_this()));
    }

    // One call: writes the request, posts it, reads the reply's return value.
    std::unique_ptr<TRemotable> Invoke(const GUID& iid, const WideString& operation,
                                       const std::vector<TSoapParam>& params, std::type_index returnType);

private:
    THTTPRIO() = default;
    THTTPReqResp webNode_;
};
