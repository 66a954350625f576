#include "platform/soap/HttpTransport.h"

#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

// The most asked of one InternetReadFile call, and the first room given to a body: past it the
// body grows geometrically by what arrives, so a server announcing more than it sends costs no
// memory. The room kept past the announced length lets the last call, which reads nothing, go
// without growing the body.
constexpr size_t ReadPiece = 1u << 20, EndRoom = 4096;

// One blocking step of the call (the send, the wait for the reply's head, one read) with the
// node's time-out as its own deadline: WinInet does not always report a step that ran out
// (Wine's HttpEndRequest answers success once the receive time-out has passed without a reply).
class Phase {
public:
    explicit Phase(unsigned ms) : ms_(ms), start_(GetTickCount64()) {}
    bool RanOut() const { return ms_ && GetTickCount64() - start_ >= ms_; }
    // What is left of the deadline, at least 1 ms (0 would mean no time-out to WinInet).
    unsigned Left() const {
        const ULONGLONG spent = GetTickCount64() - start_;
        return spent + 1 >= ms_ ? 1u : static_cast<unsigned>(ms_ - spent);
    }

private:
    unsigned ms_;
    ULONGLONG start_;
};

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

    bool headRanOut = false;
    for (;;) {
        INTERNET_BUFFERSA buffers{};
        buffers.dwStructSize = sizeof buffers;
        buffers.dwBufferTotal = static_cast<DWORD>(body.size());
        BOOL ok = HttpSendRequestExA(req.Get(), &buffers, nullptr, 0, 0);
        // The whole body shares the send time-out: each piece is given what is left of it. (Once
        // connected: WinInet may first try a kept connection that no longer serves and connect anew.)
        const Phase send(SendTimeout);
        for (size_t done = 0; ok && done < body.size();) {
            if (SendTimeout) SetTimeout(req.Get(), INTERNET_OPTION_SEND_TIMEOUT, send.Left());
            DWORD piece = static_cast<DWORD>(std::min<size_t>(MaxSinglePostSize, body.size() - done));
            DWORD written = 0;
            ok = InternetWriteFile(req.Get(), body.data() + done, piece, &written);
            if (ok && written == 0) ok = FALSE;
            done += written;
        }
        DWORD err = ok ? ERROR_SUCCESS : GetLastError();
        if (ok && send.RanOut()) ok = FALSE, err = ERROR_INTERNET_TIMEOUT;
        if (ok) {
            const Phase head(ReceiveTimeout);
            ok = HttpEndRequestA(req.Get(), nullptr, 0, 0);
            err = ok ? ERROR_SUCCESS : GetLastError();
            headRanOut = head.RanOut();
        }
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
    // No status line at all is a transport failure, not an HTTP status: the server closed the
    // connection or said nothing until the time-out ran out.
    if (!HttpQueryInfoA(req.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr) ||
        status == 0)
        Raise("Receiving the response failed",
              headRanOut ? ERROR_INTERNET_TIMEOUT : ERROR_HTTP_INVALID_SERVER_RESPONSE);
    response.Status = static_cast<int>(status);
    DWORD length = 0;
    size = sizeof length;
    // The announced length sizes only the first piece: the server may lie.
    const bool announced = HttpQueryInfoA(req.Get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                          &length, &size, nullptr);
    response.Body.reserve((announced ? std::min<size_t>(length, ReadPiece) : ReadPiece) + EndRoom);
    // Read straight into the body's free room, a large piece a call: a 64 KB bounce buffer
    // costs a copy of the whole body and a thousand calls more on a large package.
    try {
        for (size_t held = 0;;) {
            if (held == response.Body.size()) {
                // Double the room, though not past the announced length while it may be true.
                size_t room = response.Body.capacity();
                if (room == held) {
                    room = held * 2;
                    if (announced && length > held) room = std::min<size_t>(room, size_t{length} + EndRoom);
                    room = std::max(room, held + EndRoom);
                    response.Body.reserve(room);
                }
                response.Body.resize(std::min(room, held + ReadPiece));
            }
            DWORD read = 0;
            const DWORD ask = static_cast<DWORD>(std::min<size_t>(response.Body.size() - held, ReadPiece));
            const Phase wait(ReceiveTimeout);
            if (!InternetReadFile(req.Get(), &response.Body[held], ask, &read)) {
                const DWORD err = GetLastError();
                response.Body.resize(held);
                Raise("Reading the response failed", err);
            }
            held += read;
            if (read == 0) {
                response.Body.resize(held);
                // The end of a reply comes at once; nothing after the whole time-out is one.
                if (wait.RanOut()) Raise("Reading the response failed", ERROR_INTERNET_TIMEOUT);
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
