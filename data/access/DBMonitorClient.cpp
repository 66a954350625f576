#include "data/access/DBMonitorClient.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include <shellapi.h>

namespace {
std::function<uint32_t()> tickSource;
std::function<void()> sendHold;
TDBMonitor* dbMonitor = nullptr;

uint32_t Ticks() {
    return tickSource ? tickSource() : GetTickCount();
}

constexpr int maxBuffer = 32768;

WideString ExecutableName() {
    // The program's path as the command line gives it, else the module holding this code.
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    WideString name;
    if (args && count > 0) name = args[0];
    if (args) LocalFree(args);
    if (name.empty()) {
        wchar_t path[MAX_PATH + 1] = {};
        HMODULE module = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&ExecutableName), &module);
        DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
        name.assign(path, n);
    }
    return name;
}

WideString CaptionText(const char* format, const WideString& caption) {
    return AnsiToWide(Format(format, {WideToAnsi(caption)}));
}
} // namespace

class TEventSendThread : public TThread {
public:
    explicit TEventSendThread(TDBMonitor& monitor) : TThread(true), monitor_(monitor) {}
    ~TEventSendThread() override {
        Terminate();
        monitor_.newMessage_.SetEvent();
        WaitFor();
    }

protected:
    void Execute() override {
        while (!Terminated()) {
            monitor_.newMessage_.WaitFor(INFINITE);
            if (Terminated()) break;
            if (sendHold) sendHold();
            monitor_.DrainRing(*this);
        }
    }

private:
    TDBMonitor& monitor_;
};

// --- packer ---------------------------------------------------------------------------------------

TSocketMessagePacker::TSocketMessagePacker(const AnsiString& host, int port)
    : Host(host), Port(port), vio_(std::make_unique<TCRVioTcp>(host, port)), buffer_(1024) {}

TSocketMessagePacker::~TSocketMessagePacker() = default;

void TSocketMessagePacker::EnsureSpace(int count) {
    int length = static_cast<int>(buffer_.size());
    if (length - offset_ >= count) return;
    if (length < maxBuffer) buffer_.resize(std::min(std::max(offset_ + count, 2 * length), maxBuffer));
    if (static_cast<int>(buffer_.size()) - offset_ < count) Flush();
}

void TSocketMessagePacker::Flush() {
    int written = vio_->Write(buffer_.data(), 0, offset_);
    if (written < offset_)
        throw SocketException(Format("Socket error %d", {WSAGetLastError()}), sockSocketError);
    offset_ = 0;
}

void TSocketMessagePacker::WriteByte(uint8_t value) {
    EnsureSpace(1);
    buffer_[offset_++] = value;
}

void TSocketMessagePacker::WriteInteger(int32_t value) {
    EnsureSpace(4);
    auto u = static_cast<uint32_t>(value);
    buffer_[offset_++] = static_cast<uint8_t>(u >> 24);
    buffer_[offset_++] = static_cast<uint8_t>(u >> 16);
    buffer_[offset_++] = static_cast<uint8_t>(u >> 8);
    buffer_[offset_++] = static_cast<uint8_t>(u);
}

void TSocketMessagePacker::WriteString(const WideString& value) {
    AnsiString utf8 = WideToAnsi(value, CP_UTF8);
    WriteInteger(static_cast<int32_t>(utf8.size()));
    size_t done = 0;
    // Long texts go across several flushes.
    while (done < utf8.size()) {
        int rest = static_cast<int>(utf8.size() - done);
        EnsureSpace(rest);
        int n = std::min(rest, static_cast<int>(buffer_.size()) - offset_);
        std::memcpy(buffer_.data() + offset_, utf8.data() + done, n);
        offset_ += n;
        done += n;
    }
}

bool TSocketMessagePacker::Connect() {
    if (connectFailed_ && Ticks() - failureTick_ < static_cast<uint32_t>(ReconnectTimeout)) return false;
    try {
        vio_->SetHost(Host.empty() ? AnsiString("localhost") : Host);
        vio_->SetPort(Port == 0 ? 1000 : Port);
        vio_->Connect();
        vio_->SetWriteTimeout(SendTimeout / 1000);
        connectFailed_ = false;
        return true;
    } catch (const SocketException&) {
        vio_->Close();
        connectFailed_ = true;
        failureTick_ = Ticks();
        return false;
    }
}

bool TSocketMessagePacker::Probe() {
    if (!vio_->IsOpen()) return false;
    offset_ = 0;
    try {
        WriteInteger(mtProbe);
        Flush();
    } catch (const SocketException&) {
        vio_->Close();
    }
    return vio_->IsOpen();
}

void TSocketMessagePacker::SendMessage(const TMonitorMessage& message) {
    offset_ = 0;
    try {
        WriteInteger(message.MessageType());
        message.Write(*this);
        Flush();
    } catch (const SocketException&) {
        vio_->Close();
    }
}

// --- monitor --------------------------------------------------------------------------------------

TDBMonitor::TDBMonitor() = default;

TDBMonitor::~TDBMonitor() {
    sendThread_.reset();
    // What the thread did not send is not sent, but freed.
    for (int i = head_; i != tail_; i = i == RingSize - 1 ? 0 : i + 1)
        FreeMessage(events_[i]);
}

void TDBMonitor::FreeMessage(TEventMessage* message) {
    if (message != startupMessage_.get()) delete message;
}

int TDBMonitor::QueuedCount() const {
    int count = tail_ - head_;
    return count < 0 ? count + RingSize : count;
}

void TDBMonitor::AddEvent(TEventMessage* message) {
    std::lock_guard<TCriticalSection> guard(addLock_);
    int tail = tail_;
    int next = tail == RingSize - 1 ? 0 : tail + 1;
    if (next == head_) {
        // Full: the message is dropped.
        FreeMessage(message);
        return;
    }
    events_[tail] = message;
    tail_ = next;
    newMessage_.SetEvent();
    if (!sendThread_) {
        sendThread_ = std::make_unique<TEventSendThread>(*this);
        sendThread_->Start();
    }
}

template <class T, class Build> void TDBMonitor::Queue(Build build) {
    auto message = std::make_unique<T>();
    message->ProcessId = static_cast<int32_t>(GetCurrentProcessId());
    build(*message);
    AddEvent(message.release());
}

TStartupMessage* TDBMonitor::GetStartupMessage() {
    if (!startupMessage_) {
        auto message = std::make_unique<TStartupMessage>();
        message->ProcessId = static_cast<int32_t>(GetCurrentProcessId());
        message->EventType = 0;
        message->Description = CaptionText("%s monitoring is started", Caption);
        message->ExeName = ExecutableName();
        startupMessage_ = std::move(message);
    }
    return startupMessage_.get();
}

void TDBMonitor::SendStartup() {
    AddEvent(GetStartupMessage());
}

void TDBMonitor::SendFinished() {
    Queue<TEventMessage>([&](TEventMessage& m) {
        m.EventType = 1;
        m.Description = CaptionText("%s monitoring is finished", Caption);
    });
}

void TDBMonitor::SendEventStart(TDBMonitorEvent& event) {
    event.EventID = ++lastEventID_;
    Queue<TEventStartMessage>([&](TEventStartMessage& m) {
        m.EventType = event.EventType;
        m.Description = event.Description;
        m.EventID = event.EventID;
        m.StartTime = Ticks();
        m.ObjectID = event.ObjectID;
        m.ObjectName = event.ObjectName;
        m.ObjectType = event.ObjectType;
        m.ObjectTypeName = event.ObjectTypeName;
        m.ParentID = event.ParentID;
        m.ParentName = event.ParentName;
        m.ParentType = event.ParentType;
        m.ParentTypeName = event.ParentTypeName;
        m.SQL = event.SQL;
        m.Params = event.Params;
        m.CallStack = event.CallStack;
    });
}

void TDBMonitor::SendEventEnd(const TDBMonitorEvent& event) {
    Queue<TEventEndMessage>([&](TEventEndMessage& m) {
        m.EventType = event.EventType;
        m.Description = event.Description;
        m.EndTime = Ticks();
        m.EventID = event.EventID != 0 ? event.EventID : lastEventID_.load();
        m.Failed = event.Failed;
        m.ErrorText = event.ErrorText;
        m.Params = event.Params;
        m.RowsAffected = event.RowsAffected;
    });
}

bool TDBMonitor::EnsureConnected() {
    if (packer_ && packer_->Probe()) return true;
    if (!packer_) packer_ = std::make_unique<TSocketMessagePacker>();
    packer_->Host = Host;
    packer_->Port = Port;
    packer_->ReconnectTimeout = ReconnectTimeout;
    packer_->SendTimeout = SendTimeout;
    return packer_->Connect();
}

void TDBMonitor::DrainRing(TEventSendThread& thread) {
    while (head_ != tail_ && !thread.Terminated()) {
        int head = head_;
        TEventMessage* message = events_[head];
        bool wasUp = packer_ && packer_->Probe();
        bool send = message->EventType == 1 ? wasUp : (wasUp || EnsureConnected());
        if (send) {
            // A fresh link hears who is talking first.
            if (!wasUp && message->EventType != 0) packer_->SendMessage(*GetStartupMessage());
            packer_->SendMessage(*message);
            if (message->EventType == 1) packer_->Close();
        }
        FreeMessage(message);
        head_ = head == RingSize - 1 ? 0 : head + 1;
    }
}

TDBMonitor* GetDBMonitor() {
    if (!dbMonitor) dbMonitor = new TDBMonitor;
    return dbMonitor;
}

void DBMonitorClientFinalize() {
    delete dbMonitor;
    dbMonitor = nullptr;
}

void SetMonitorTickSource(std::function<uint32_t()> source) {
    tickSource = std::move(source);
}

void SetMonitorSendHold(std::function<void()> hold) {
    sendHold = std::move(hold);
}
