#include "platform/soap/Rio.h"

std::unique_ptr<TRemotable> THTTPRIO::Invoke(const GUID& iid, const WideString& operation,
                                             const std::vector<TSoapParam>& params,
                                             std::type_index returnType) {
    const TInvokableInterfaceInfo* info = InvRegistry().Find(iid);
    if (!info) throw Exception("Interface not registered");
    if (webNode_.URL.empty() && !WSDLLocation.empty())
        throw ESOAPHTTPException("No service URL: WSDL documents are not fetched ('" + WSDLLocation + "')");
    webNode_.SoapAction = WideToAnsi(info->SoapAction, CP_UTF8);
    std::string request = BuildSoapRequest(info->Namespace, operation, params);
    THTTPResponse response = webNode_.Post(request);
    if (response.Status == 500) {
        // A fault travels with status 500; anything else there is a plain server error.
        try {
            ParseSoapResponse(std::string_view(reinterpret_cast<const char*>(response.Body.data()),
                                               response.Body.size()),
                              returnType);
        } catch (const ERemotableException&) {
            throw;
        } catch (const Exception&) {
        }
        throw ESOAPHTTPException("Internal Server Error (500) - '" + webNode_.URL + "'", 500);
    }
    return ParseSoapResponse(std::move(response.Body), returnType);
}
