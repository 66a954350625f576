#pragma once
// SOAP 1.1 rpc/encoded messages: the request writer (objects in multi-reference form, ids from 1)
// and a tolerant reader of the response (href/id, any field order, xsi:nil, wrapped base64).
#include <memory>
#include <string>
#include <string_view>
#include <typeindex>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/soap/Remotable.h"

// A SOAP Fault answered by the server.
class ERemotableException : public Exception {
public:
    ERemotableException(AnsiString message, AnsiString faultCode)
        : Exception(std::move(message)), FaultCode(std::move(faultCode)) {}
    AnsiString FaultCode;
};

struct TSoapParam {
    WideString Name;
    bool IsObject = false;
    WideString Str;                  // xsd:string parameter
    const TRemotable* Obj = nullptr; // remotable parameter, sent by reference
    std::type_index Type = typeid(void);
};

extern const wchar_t* const SSoapEnvelopeNS;
extern const wchar_t* const SSoapEncodingNS;
extern const wchar_t* const SXMLSchemaNS;
extern const wchar_t* const SXMLSchemaInstNS;

// The UTF-8 text of the request envelope.
std::string BuildSoapRequest(const WideString& operationNamespace, const WideString& operation,
                             const std::vector<TSoapParam>& params);

// Reads the response envelope (bytes as received). Answers the return value as a new object of
// the given registered class (none when the response carries xsi:nil). A SOAP Fault raises
// ERemotableException; anything unreadable raises Exception.
std::unique_ptr<TRemotable> ParseSoapResponse(std::string_view body, std::type_index returnType);
// The same, taking the body's storage: it becomes the first long base64 value read, or is let go
// as soon as the body's text is in the DOM. The body is left empty.
std::unique_ptr<TRemotable> ParseSoapResponse(TByteDynArray&& body, std::type_index returnType);
