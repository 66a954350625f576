#pragma once
// The HTTP node of a SOAP client: one POST over WinInet per call.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Exceptions.h"

// An HTTP status other than success, or a transport failure (refused, reset, time-out).
class ESOAPHTTPException : public Exception {
public:
    ESOAPHTTPException(AnsiString message, int statusCode = 0)
        : Exception(std::move(message)), StatusCode(statusCode) {}
    int StatusCode;
};

struct THTTPResponse {
    int Status = 0;
    std::vector<std::uint8_t> Body; // as received
};

class THTTPReqResp {
public:
    AnsiString URL;
    AnsiString SoapAction; // sent quoted: an empty action gives SOAPAction: ""
    AnsiString Agent = "Vendrol SOAP 1.0";
    unsigned ConnectTimeout = 0; // ms; 0 keeps WinInet's default
    unsigned SendTimeout = 0;
    unsigned ReceiveTimeout = 0;
    bool UseUTF8InHeader = false; // names charset="utf-8" in the Content-Type

    // Largest piece of a body handed to WinInet at once.
    static constexpr unsigned MaxSinglePostSize = 32768;

    // Posts the body and answers the status and the whole response body. Transport failures
    // raise ESOAPHTTPException.
    THTTPResponse Post(const std::string& body);
};
