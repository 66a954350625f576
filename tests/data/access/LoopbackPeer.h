#pragma once
// A listening TCP socket on 127.0.0.1 with a port the system chooses, for tests of clients that
// connect out.
#include <winsock2.h>

#include <stdexcept>

class TLoopbackListener {
public:
    // Port 0: one the system chooses.
    explicit TLoopbackListener(int port = 0) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<u_short>(port));
        if (bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(socket_, 8) != 0)
            throw std::runtime_error("cannot listen on 127.0.0.1");
        int size = sizeof address;
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~TLoopbackListener() {
        Close();
        WSACleanup();
    }
    TLoopbackListener(const TLoopbackListener&) = delete;
    TLoopbackListener& operator=(const TLoopbackListener&) = delete;

    int Port() const { return port_; }
    SOCKET Handle() const { return socket_; }
    // The next connection, or INVALID_SOCKET when none comes within the time.
    SOCKET Accept(int milliseconds = 5000) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket_, &readable);
        timeval limit{milliseconds / 1000, (milliseconds % 1000) * 1000};
        if (select(0, &readable, nullptr, nullptr, &limit) <= 0) return INVALID_SOCKET;
        return accept(socket_, nullptr, nullptr);
    }
    // Stops listening: the port is closed from now on.
    void Close() {
        if (socket_ != INVALID_SOCKET) closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }

private:
    SOCKET socket_ = INVALID_SOCKET;
    int port_ = 0;
};
