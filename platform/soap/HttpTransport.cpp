#include "platform/soap/HttpTransport.h"

#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

// A response body reserved ahead from its Content-Length, up to this much: growing a large body
// would copy it, holding two copies for a moment.
constexpr DWORD MaxReservedLength = 256u << 20;
// The most asked of one InternetReadFile call; the room kept past the announced length lets the
// last call, which reads nothing, go without growing the body.
constexpr size_t ReadPiece = 1u << 20, EndRoom = 4096;

class Handle {
public:
    explicit Handle(HINTERNET h = nullptr) : h_(h) {}
    ~Handle() {
        if (h_) InternetCloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HINTERNET Get() const { return h_; }

private:
    HINTERNET h_;
};

AnsiString ErrorText(DWORD err) {
    char buf[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                             GetModuleHandleA("wininet.dll"), err, 0, buf, sizeof buf, nullptr);
    if (!n)
        n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, err, 0, buf,
                           sizeof buf, nullptr);
    AnsiString text(buf, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    char code[48];
    std::snprintf(code, sizeof code, "WinInet error %lu", static_cast<unsigned long>(err));
    return text.empty() ? AnsiString(code) : text + " (" + code + ")";
}

[[noreturn]] void Raise(const char* what, DWORD err) {
    // Wine's WinInet hands up a socket time-out as the socket's own error.
    if (err == WSAETIMEDOUT) err = ERROR_INTERNET_TIMEOUT;
    throw ESOAPHTTPException(AnsiString(what) + ": " + ErrorText(err));
}

void SetTimeout(HINTERNET h, DWORD option, unsigned ms) {
    if (!ms) return;
    DWORD value = ms;
    InternetSetOptionA(h, option, &value, sizeof value);
}

void SetTimeouts(HINTERNET h, const THTTPReqResp& node) {
    SetTimeout(h, INTERNET_OPTION_CONNECT_TIMEOUT, node.ConnectTimeout);
    SetTimeout(h, INTERNET_OPTION_SEND_TIMEOUT, node.SendTimeout);
    SetTimeout(h, INTERNET_OPTION_RECEIVE_TIMEOUT, node.ReceiveTimeout);
}

} // namespace

THTTPResponse THTTPReqResp::Post(const std::string& body) {
    URL_COMPONENTSA parts{};
    char scheme[32], host[256], user[128], pass[128], path[2048], extra[2048];
    parts.dwStructSize = sizeof parts;
    parts.lpszScheme = scheme;
    parts.dwSchemeLength = sizeof scheme;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUserName = user;
    parts.dwUserNameLength = sizeof user;
    parts.lpszPassword = pass;
    parts.dwPasswordLength = sizeof pass;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = sizeof extra;
    if (URL.empty() || !InternetCrackUrlA(URL.c_str(), static_cast<DWORD>(URL.size()), 0, &parts))
        throw ESOAPHTTPException("Invalid URL: '" + URL + "'");
    bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;

    Handle inet(InternetOpenA(Agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!inet.Get()) Raise("InternetOpen", GetLastError());
    SetTimeouts(inet.Get(), *this);

    Handle conn(InternetConnectA(inet.Get(), host, parts.nPort, user[0] ? user : nullptr,
                                 pass[0] ? pass : nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!conn.Get()) Raise("InternetConnect", GetLastError());

    // A followed redirect would turn the POST into a GET and a redirect loop would never end:
    // a 3xx status is an HTTP error like any other.
    DWORD flags =
        INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (secure)
        flags |= INTERNET_FLAG_SECURE | INTERNET_FLAG_IGNORE_CERT_CN_INVALID |
                 INTERNET_FLAG_IGNORE_CERT_DATE_INVALID;
    std::string object = std::string(path) + extra;
    Handle req(HttpOpenRequestA(conn.Get(), "POST", object.c_str(), nullptr, nullptr, nullptr, flags, 0));
    if (!req.Get()) Raise("HttpOpenRequest", GetLastError());
    // Not every WinInet hands the session's time-outs down to its requests (Wine's does not).
    SetTimeouts(req.Get(), *this);

    std::string headers = "SOAPAction: \"" + SoapAction + "\"\r\n";
    headers +=
        UseUTF8InHeader ? "Content-Type: text/xml; charset=\"utf-8\"\r\n" : "Content-Type: text/xml\r\n";
    if (!HttpAddRequestHeadersA(req.Get(), headers.c_str(), static_cast<DWORD>(headers.size()),
                                HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE))
        Raise("HttpAddRequestHeaders", GetLastError());

    for (;;) {
        INTERNET_BUFFERSA buffers{};
        buffers.dwStructSize = sizeof buffers;
        buffers.dwBufferTotal = static_cast<DWORD>(body.size());
        BOOL ok = HttpSendRequestExA(req.Get(), &buffers, nullptr, 0, 0);
        for (size_t done = 0; ok && done < body.size();) {
            DWORD piece = static_cast<DWORD>(std::min<size_t>(MaxSinglePostSize, body.size() - done));
            DWORD written = 0;
            ok = InternetWriteFile(req.Get(), body.data() + done, piece, &written);
            if (ok && written == 0) ok = FALSE;
            done += written;
        }
        if (ok) ok = HttpEndRequestA(req.Get(), nullptr, 0, 0);
        DWORD err = ok ? ERROR_SUCCESS : GetLastError();
        // Let WinInet resolve what it can with the user (proxy log-in, certificates).
        DWORD answer =
            InternetErrorDlg(GetDesktopWindow(), req.Get(), err,
                             FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                 FLAGS_ERROR_UI_FLAGS_GENERATE_DATA,
                             nullptr);
        if (answer == ERROR_INTERNET_FORCE_RETRY) continue;
        if (answer == ERROR_CANCELLED) throw ESOAPHTTPException("The operation was cancelled by the user");
        if (!ok) Raise("Sending the request failed", err);
        break;
    }

    THTTPResponse response;
    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoA(req.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        Raise("Reading the response status failed", GetLastError());
    response.Status = static_cast<int>(status);
    DWORD length = 0;
    size = sizeof length;
    // The announced length only sizes the buffer ahead, within reason: the server may lie.
    if (HttpQueryInfoA(req.Get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size,
                       nullptr))
        response.Body.reserve(std::min<DWORD>(length, MaxReservedLength) + EndRoom);
    // Read straight into the body's free room, a large piece a call: a 64 KB bounce buffer
    // costs a copy of the whole body and a thousand calls more on a large package.
    try {
        for (size_t held = 0;;) {
            if (held == response.Body.size())
                response.Body.resize(std::max(response.Body.capacity(), held + ReadPiece));
            DWORD read = 0;
            const DWORD room = static_cast<DWORD>(std::min<size_t>(response.Body.size() - held, ReadPiece));
            if (!InternetReadFile(req.Get(), &response.Body[held], room, &read)) {
                const DWORD err = GetLastError();
                response.Body.resize(held);
                Raise("Reading the response failed", err);
            }
            held += read;
            if (read == 0) {
                response.Body.resize(held);
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        throw ESOAPHTTPException("The response is too large to be read - '" + URL + "'");
    } catch (const std::length_error&) {
        throw ESOAPHTTPException("The response is too large to be read - '" + URL + "'");
    }
    if (response.Status != 200 && response.Status != 500) {
        char statusText[256] = {};
        DWORD n = sizeof statusText - 1;
        HttpQueryInfoA(req.Get(), HTTP_QUERY_STATUS_TEXT, statusText, &n, nullptr);
        throw ESOAPHTTPException(AnsiString(statusText) + " (" + std::to_string(response.Status) + ") - '" +
                                     URL + "'",
                                 response.Status);
    }
    return response;
}
