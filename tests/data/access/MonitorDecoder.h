#pragma once
// The monitor's side of the wire, for tests: accepts connections on 127.0.0.1 and decodes every
// probe and message on a thread of its own, keeping each message's bytes.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackPeer.h"

struct TDecodedMessage {
    int Connection = 0;             // 1 for the first accepted connection, and so on
    int32_t Type = 0;               // 0: the peer closed the connection here
    std::vector<int32_t> Ints;      // integers after the type, in wire order
    std::vector<std::string> Texts; // texts in wire order, as UTF-8
    std::string Bytes;              // everything from the type on
};

class TMonitorDecoder {
public:
    explicit TMonitorDecoder(int port = 0) : listener_(port) {
        thread_ = std::thread([this] { Run(); });
    }
    ~TMonitorDecoder() {
        stop_ = true;
        thread_.join();
    }
    int Port() const { return listener_.Port(); }

    // Waits until count messages (closings included) have arrived; a copy of all of them.
    std::vector<TDecodedMessage> WaitFor(size_t count, int milliseconds = 10000) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                          [&] { return messages_.size() >= count; });
        return messages_;
    }
    // Waits until the peer has closed a connection.
    std::vector<TDecodedMessage> WaitForClose(int milliseconds = 10000) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] {
            for (auto& m : messages_)
                if (m.Type == 0) return true;
            return false;
        });
        return messages_;
    }
    std::vector<TDecodedMessage> Messages() {
        std::lock_guard<std::mutex> lock(mutex_);
        return messages_;
    }
    int Connections() {
        std::lock_guard<std::mutex> lock(mutex_);
        return connections_;
    }

private:
    TLoopbackListener listener_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<TDecodedMessage> messages_;
    int connections_ = 0;
    volatile bool stop_ = false;

    void Run() {
        while (!stop_) {
            SOCKET peer = listener_.Accept(100);
            if (peer == INVALID_SOCKET) continue;
            int connection;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                connection = ++connections_;
            }
            DWORD limit = 200;
            setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
            Decode(peer, connection);
            closesocket(peer);
        }
    }

    struct TReader {
        SOCKET Peer;
        const volatile bool& Stop;
        std::string* Bytes = nullptr;
        bool Closed = false;
        bool Take(char* dest, int count) {
            int done = 0;
            while (done < count) {
                int n = recv(Peer, dest + done, count - done, 0);
                if (n > 0) {
                    done += n;
                } else if (n == 0 || WSAGetLastError() != WSAETIMEDOUT || Stop) {
                    Closed = true;
                    return false;
                }
            }
            if (Bytes) Bytes->append(dest, count);
            return true;
        }
        int32_t Int() {
            unsigned char b[4] = {};
            Take(reinterpret_cast<char*>(b), 4);
            return static_cast<int32_t>((uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) |
                                        (uint32_t(b[2]) << 8) | b[3]);
        }
        std::string Text() {
            int32_t length = Int();
            std::string text(length > 0 ? length : 0, '\0');
            if (length > 0) Take(text.data(), length);
            return text;
        }
    };

    void Decode(SOCKET peer, int connection) {
        TReader reader{peer, stop_};
        while (!reader.Closed) {
            TDecodedMessage m;
            m.Connection = connection;
            reader.Bytes = &m.Bytes;
            m.Type = reader.Int();
            if (reader.Closed) {
                m = TDecodedMessage{connection, 0, {}, {}, {}};
            } else if (m.Type != 6) {
                auto i = [&] { m.Ints.push_back(reader.Int()); };
                auto t = [&] { m.Texts.push_back(reader.Text()); };
                auto params = [&] {
                    int32_t n = reader.Int();
                    m.Ints.push_back(n);
                    for (int k = 0; k < n && !reader.Closed; ++k)
                        t(), t(), t(), t();
                };
                i();      // process id
                i(), t(); // event type, description
                if (m.Type == 2) t();
                if (m.Type == 4) {
                    i(), i(), i(), t(), i(), t(), i(), t(), i(), t(), t();
                    params();
                    int32_t n = reader.Int();
                    m.Ints.push_back(n);
                    for (int k = 0; k < n && !reader.Closed; ++k)
                        t();
                }
                if (m.Type == 5) {
                    i(), i(), i(), t();
                    params();
                    i();
                }
            }
            std::lock_guard<std::mutex> lock(mutex_);
            messages_.push_back(std::move(m));
            changed_.notify_all();
        }
    }
};
