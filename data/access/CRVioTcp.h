#pragma once
// The TCP form of the byte transport over WinSock, with host-name resolution under a time-out.
#include <winsock2.h>

#include <cstdint>
#include <functional>

#include "data/access/CRVio.h"
#include "platform/core/Exceptions.h"

// Codes of SocketException beside the WinSock start-up error code.
constexpr int32_t sockConnectFailed = 2003;
constexpr int32_t sockSocketError = 2005;
constexpr int32_t sockWaitFailed = 2006;
constexpr int32_t sockOpenChange = 2007;

class SocketException : public Exception {
public:
    SocketException(AnsiString message, int32_t errorCode)
        : Exception(std::move(message)), ErrorCode(errorCode) {}
    int32_t ErrorCode;
};

class TCRVioTcp : public TCRVio {
public:
    VZ_CLASS(TCRVioTcp, TCRVio)
    TCRVioTcp(const AnsiString& hostName = AnsiString(), int port = 0);
    ~TCRVioTcp() override;

    int GetTimeout() override { return readTimeout_; }
    // The read and the connect time-out.
    void SetTimeout(int seconds) override;
    void Connect() override;
    void Close() override;
    int ReadNoWait(void* buffer, int offset, int count) override;
    int WriteNoWait(const void* buffer, int offset, int count) override;
    // Nothing is written over a closed socket.
    int Write(const void* buffer, int offset, int count) override;
    bool WaitForData(int seconds = -1) override;
    virtual SOCKET SocketHandle() { return socket_; }

    bool IsOpen() const { return socket_ != INVALID_SOCKET; }
    const AnsiString& Host() const { return hostName_; }
    void SetHost(const AnsiString& value);
    int Port() const { return port_; }
    void SetPort(int value);
    int ConnectionTimeout() const { return connectionTimeout_; }
    void SetConnectionTimeout(int seconds) { connectionTimeout_ = seconds; }
    int ReadTimeout() const { return readTimeout_; }
    void SetReadTimeout(int seconds);
    int WriteTimeout() const { return writeTimeout_; }
    void SetWriteTimeout(int seconds);

private:
    AnsiString hostName_;
    uint16_t port_;
    int connectionTimeout_ = 0;
    int writeTimeout_ = 0;
    int readTimeout_ = 30;
    SOCKET socket_ = INVALID_SOCKET;
    bool ResolveAddress(const AnsiString& host, in_addr& address);
};

// How a host name becomes its first IPv4 address (true) or a WinSock error (false). The default
// asks the system; tests hold it to make resolution slow.
using THostNameResolve = std::function<bool(const AnsiString& host, in_addr& address, int& error)>;
void SetHostNameResolveSeam(THostNameResolve resolve);

// Unit start and end: the start makes the process-wide lock around the one WinSock start, which
// lives on after the end.
void CRVioInitialize();
void CRVioFinalize();
