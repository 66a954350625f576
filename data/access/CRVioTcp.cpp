#include "data/access/CRVioTcp.h"

#include <ws2tcpip.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/core/Threads.h"

namespace {
// Made on first use and kept to the end of the process: a transport may connect from a thread
// (the monitor client's sender) in a program that never started or already ended this unit.
TCriticalSection& StartLock() {
    static TCriticalSection lock;
    return lock;
}
bool winSockStarted = false;
THostNameResolve resolveSeam;

AnsiString SocketErrorText(const char* what, int error) {
    return Format("Socket error on %s. WSAGetLastError return %d($%X)", {what, error, error});
}

void StartWinSock() {
    std::lock_guard<TCriticalSection> guard(StartLock());
    if (winSockStarted) return;
    WSADATA data;
    int code = WSAStartup(MAKEWORD(2, 2), &data);
    if (code != 0) throw SocketException(Format("WSAStartup failed. Error code %d", {code}), code);
    // Never shut down: other transports may still be open when the unit ends.
    winSockStarted = true;
}

bool SystemResolve(const AnsiString& host, in_addr& address, int& error) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int code = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (code != 0 || !found) {
        error = code != 0 ? code : WSAHOST_NOT_FOUND;
        return false;
    }
    address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

bool Resolve(const AnsiString& host, in_addr& address, int& error) {
    return resolveSeam ? resolveSeam(host, address, error) : SystemResolve(host, address, error);
}

// What a resolver thread and the connect that waits for it share. The connect may give up and
// go; the thread then writes into this object alone, which lives until both have let it go.
struct TResolveResult {
    TEvent Done{true, false};
    in_addr Address{};
    int Error = 0;
    bool Found = false;
};

class THostNameResolver : public TThread {
public:
    THostNameResolver(AnsiString host, std::shared_ptr<TResolveResult> result)
        : TThread(true), host_(std::move(host)), result_(std::move(result)) {
        FreeOnTerminate = true;
    }

protected:
    void Execute() override {
        in_addr address{};
        int error = 0;
        bool found = Resolve(host_, address, error);
        result_->Address = address;
        result_->Error = error;
        result_->Found = found;
        result_->Done.SetEvent();
    }

private:
    AnsiString host_;
    std::shared_ptr<TResolveResult> result_;
};
} // namespace

void SetHostNameResolveSeam(THostNameResolve resolve) {
    resolveSeam = std::move(resolve);
}

TCRVioTcp::TCRVioTcp(const AnsiString& hostName, int port)
    : hostName_(hostName), port_(static_cast<uint16_t>(port)) {}

TCRVioTcp::~TCRVioTcp() {
    if (IsOpen()) Close();
}

void TCRVioTcp::SetHost(const AnsiString& value) {
    if (IsOpen()) throw SocketException("Cannot change Host for open socket.", sockOpenChange);
    hostName_ = value;
}

void TCRVioTcp::SetPort(int value) {
    if (IsOpen()) throw SocketException("Cannot change Port for open socket.", sockOpenChange);
    port_ = static_cast<uint16_t>(value);
}

void TCRVioTcp::SetTimeout(int seconds) {
    SetReadTimeout(seconds);
    connectionTimeout_ = seconds;
}

void TCRVioTcp::SetReadTimeout(int seconds) {
    if (seconds == readTimeout_) return;
    readTimeout_ = seconds;
    if (IsOpen()) {
        DWORD ms = static_cast<DWORD>(seconds) * 1000;
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
    }
}

void TCRVioTcp::SetWriteTimeout(int seconds) {
    if (seconds == writeTimeout_) return;
    writeTimeout_ = seconds;
    if (IsOpen() && seconds >= 1) {
        DWORD ms = static_cast<DWORD>(seconds) * 1000;
        setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
    }
}

bool TCRVioTcp::ResolveAddress(const AnsiString& host, in_addr& address) {
    unsigned long dotted = inet_addr(host.c_str());
    if (dotted != INADDR_NONE || host == "255.255.255.255") {
        address.s_addr = dotted;
        return true;
    }
    if (connectionTimeout_ <= 0) {
        int error = 0;
        if (Resolve(host, address, error)) return true;
        lastError_ = SocketErrorText("connect", error);
        return false;
    }
    auto result = std::make_shared<TResolveResult>();
    auto* resolver = new THostNameResolver(host, result);
    resolver->Start();
    // An abandoned resolver finishes on its own and frees itself; it is never killed, since it
    // may hold the system's resolver locks.
    if (result->Done.WaitFor(static_cast<DWORD>(connectionTimeout_) * 1000) != wrSignaled) {
        lastError_ = "Connection timed out";
        return false;
    }
    if (!result->Found) {
        lastError_ = SocketErrorText("connect", result->Error);
        return false;
    }
    address = result->Address;
    return true;
}

void TCRVioTcp::Connect() {
    Assert(!IsOpen());
    TCRVio::Connect();
    StartWinSock();
    AnsiString host = hostName_.empty() ? AnsiString("localhost") : hostName_;
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET) {
        int error = WSAGetLastError();
        throw SocketException(Format("Socket error %d", {error}), sockSocketError);
    }
    try {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port_);
        if (!ResolveAddress(host, address.sin_addr))
            throw SocketException(Format("Socket error %d", {WSAGetLastError()}), sockSocketError);
        if (::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == SOCKET_ERROR) {
            int error = WSAGetLastError();
            if (error != WSAEWOULDBLOCK) {
                lastError_ = SocketErrorText("connect", error);
                throw SocketException(Format("Socket error %d", {error}), sockConnectFailed);
            }
        }
        BOOL on = TRUE;
        setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
        setsockopt(socket_, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
        // Through the setters, so that the socket gets the values already stored.
        int readTimeout = readTimeout_;
        int writeTimeout = writeTimeout_;
        readTimeout_ = -1;
        writeTimeout_ = -1;
        SetReadTimeout(readTimeout);
        SetWriteTimeout(writeTimeout);
    } catch (...) {
        Close();
        throw;
    }
}

void TCRVioTcp::Close() {
    if (!IsOpen()) return;
    shutdown(socket_, SD_BOTH);
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
}

int TCRVioTcp::ReadNoWait(void* buffer, int offset, int count) {
    int n = recv(socket_, static_cast<char*>(buffer) + offset, count, 0);
    if (n == SOCKET_ERROR) {
        int error = WSAGetLastError();
        lastError_ = SocketErrorText("read", error);
        return 0;
    }
    lastError_.clear();
    return n;
}

int TCRVioTcp::WriteNoWait(const void* buffer, int offset, int count) {
    int n = send(socket_, static_cast<const char*>(buffer) + offset, count, 0);
    if (n == SOCKET_ERROR) {
        int error = WSAGetLastError();
        lastError_ = SocketErrorText("write", error);
        return 0;
    }
    lastError_.clear();
    return n;
}

int TCRVioTcp::Write(const void* buffer, int offset, int count) {
    if (!IsOpen()) return 0;
    return TCRVio::Write(buffer, offset, count);
}

bool TCRVioTcp::WaitForData(int seconds) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    timeval limit{seconds, 0};
    int n = select(0, &readable, nullptr, nullptr, seconds < 0 ? nullptr : &limit);
    if (n == SOCKET_ERROR) {
        int error = WSAGetLastError();
        lastError_ = Format("Socket error on select. WSAGetLastError return %d($%X)", {error, error});
        throw SocketException(AnsiString(), sockWaitFailed);
    }
    return n > 0;
}

void CRVioInitialize() {
    StartLock();
}

void CRVioFinalize() {}
