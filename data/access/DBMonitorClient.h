#pragma once
// The process-wide sender of monitor messages: traced operations queue their messages in a ring
// under one lock, and one send thread encodes them and writes them to the monitor over TCP,
// connecting lazily and holding off after a failed connect.
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "data/access/CRVioTcp.h"
#include "data/access/DBMonitorMessages.h"
#include "platform/core/Threads.h"

// What a monitor component hands to the client about one traced operation.
struct TDBMonitorEvent {
    int32_t EventID = 0;
    int32_t EventType = 0;
    int32_t ObjectID = 0;
    WideString ObjectName;
    int32_t ObjectType = 0;
    WideString ObjectTypeName;
    int32_t ParentID = 0;
    WideString ParentName;
    int32_t ParentType = 0;
    WideString ParentTypeName;
    WideString Description;
    WideString SQL;
    TMsgSQLParams Params;
    bool Failed = false;
    WideString ErrorText;
    int32_t RowsAffected = 0;
    std::vector<WideString> CallStack;
};

// Encodes into a buffer that grows from 1024 to at most 32768 bytes and writes it through a TCP
// transport.
class TSocketMessagePacker : public TMessagePacker {
public:
    VZ_CLASS(TSocketMessagePacker, TMessagePacker)
    TSocketMessagePacker(const AnsiString& host = AnsiString(), int port = 0);
    ~TSocketMessagePacker() override;

    AnsiString Host;
    int Port;
    int ReconnectTimeout = 5000;
    int SendTimeout = 1000;

    void WriteByte(uint8_t value) override;
    void WriteInteger(int32_t value) override;
    void WriteString(const WideString& value) override;

    // False without trying while the hold-off after a failed connect lasts.
    bool Connect();
    // Writes a probe over an open link: whether the link is still up.
    bool Probe();
    void SendMessage(const TMonitorMessage& message);
    void Close() { vio_->Close(); }
    bool IsOpen() const { return vio_->IsOpen(); }
    int BufferSize() const { return static_cast<int>(buffer_.size()); }

private:
    std::unique_ptr<TCRVioTcp> vio_;
    uint32_t failureTick_ = 0;
    bool connectFailed_ = false;
    std::vector<uint8_t> buffer_;
    int offset_ = 0;
    void EnsureSpace(int count);
    void Flush();
};

class TEventSendThread;

class TDBMonitor : public TObject {
public:
    VZ_CLASS(TDBMonitor, TObject)
    static constexpr int RingSize = 1001;
    TDBMonitor();
    ~TDBMonitor() override;

    WideString Caption;
    AnsiString Host;
    int Port = 0;
    int ReconnectTimeout = 5000;
    int SendTimeout = 1000;
    bool Designing = false;

    void SendStartup();
    void SendFinished();
    // Gives the event the next id (written back into it) and queues its start message.
    void SendEventStart(TDBMonitorEvent& event);
    // An event without an id ends the last event started.
    void SendEventEnd(const TDBMonitorEvent& event);
    TStartupMessage* GetStartupMessage();
    // Messages waiting in the ring.
    int QueuedCount() const;

private:
    friend class TEventSendThread;
    std::unique_ptr<TSocketMessagePacker> packer_;
    std::atomic<int32_t> lastEventID_{0};
    TEventMessage* events_[RingSize] = {};
    // The adding side moves the tail under the lock, the send thread the head without it.
    std::atomic<int> head_{0};
    std::atomic<int> tail_{0};
    std::unique_ptr<TStartupMessage> startupMessage_;
    TCriticalSection addLock_;
    TEvent newMessage_{false, false};
    std::unique_ptr<TEventSendThread> sendThread_;

    void AddEvent(TEventMessage* message);
    // Queues a message built by build; a message whose building fails is freed.
    template <class T, class Build> void Queue(Build build);
    bool EnsureConnected();
    void DrainRing(TEventSendThread& thread);
    void FreeMessage(TEventMessage* message);
};

// The process-wide client, created on first use and freed when the unit ends.
TDBMonitor* GetDBMonitor();
void DBMonitorClientFinalize();

// Seams: the system's millisecond tick count, and a hook the send thread calls before it drains
// the ring (a test holds it there to fill the ring).
void SetMonitorTickSource(std::function<uint32_t()> source);
void SetMonitorSendHold(std::function<void()> hold);
