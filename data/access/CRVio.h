#pragma once
// A byte stream to a server: buffered reading and robust writing over two raw operations that
// each form of transport supplies; the extension point through which a connection could tunnel
// its traffic; and the HTTP tunnelling options that take part in a connection's identity.
#include <cstdint>
#include <vector>

#include "platform/core/Components.h"
#include "platform/core/Persistent.h"
#include "platform/core/Strings.h"

class TCRVio : public TObject {
public:
    VZ_CLASS(TCRVio, TObject)
    static constexpr int ReadAheadSize = 16384;

    virtual int GetTimeout() = 0;
    virtual void SetTimeout(int seconds) = 0;
    // The base allocates and resets the read-ahead buffer.
    virtual void Connect();
    virtual void Close() = 0;
    // One raw operation: bytes moved, 0 on error (LastError says why) or a closed peer.
    virtual int ReadNoWait(void* buffer, int offset, int count) = 0;
    virtual int WriteNoWait(const void* buffer, int offset, int count) = 0;
    // Serves the read-ahead buffer first; reads of fewer than 2048 bytes refill it. Stops after
    // the first empty raw read and returns what it has.
    virtual int Read(void* buffer, int offset, int count);
    // Writes until done; the third empty raw write of the call gives up with a short count.
    virtual int Write(const void* buffer, int offset, int count);
    virtual bool WaitForData(int seconds = -1);

    // Empty when the last raw operation succeeded.
    const AnsiString& LastError() const { return lastError_; }

protected:
    AnsiString lastError_;
    // Drops whatever the read-ahead buffer holds.
    void ResetReadAhead() {
        readAheadCount_ = 0;
        readAheadPos_ = 0;
    }

private:
    std::vector<char> readAhead_;
    int readAheadCount_ = 0;
    int readAheadPos_ = 0;
    int ServeReadAhead(char* dest, int count);
};

// Through a handler a connection could move its bytes instead of over its own socket; no form of
// it exists in this system, so the base only marks what a form must supply.
class TCRIOHandler : public TComponent {
public:
    VZ_CLASS(TCRIOHandler, TComponent)
    using TComponent::TComponent;
    virtual void RegisterClient(TObject* client);
    virtual void UnRegisterClient(TObject* client);
    virtual void NotifyHook(TObject*) {}
    virtual bool QueryFlag(int) { return false; }
    virtual AnsiString GetHandlerType() { return AnsiString(); }
    virtual TCRVio* Connect(const AnsiString& server, int port, TObject* hook, TObject* sender) = 0;
    virtual void Disconnect(TCRVio* handle);
    virtual int ReadNoWait(TCRVio* handle, void* buffer, int offset, int count);
    virtual int WriteNoWait(TCRVio* handle, const void* buffer, int offset, int count);
    virtual int Write(TCRVio* handle, const void* buffer, int offset, int count);
    virtual bool WaitForData(TCRVio* handle, int seconds);
    virtual int GetTimeout(TCRVio* handle);
    virtual void SetTimeout(TCRVio* handle, int seconds);
};

struct TCRIOHandlerUtils {
    static void RegisterClient(TCRIOHandler* handler, TObject* client);
    static void UnRegisterClient(TCRIOHandler* handler, TObject* client);
};

class TProxyOptions : public TPersistent {
public:
    VZ_CLASS(TProxyOptions, TPersistent)
    AnsiString Hostname;
    int Port = 0;
    AnsiString Username;
    AnsiString Password;

protected:
    void AssignTo(TPersistent* dest) override;
};

class THttpOptions : public TPersistent {
public:
    VZ_CLASS(THttpOptions, TPersistent)
    THttpOptions();
    ~THttpOptions() override;
    AnsiString Url;
    AnsiString Username;
    AnsiString Password;
    TProxyOptions* ProxyOptions() const { return proxyOptions_; }
    // Copies the values; the options keep their own object.
    void SetProxyOptions(TProxyOptions* value) { proxyOptions_->Assign(value); }
    // Every value equal, case counting; a missing other is never the same.
    bool SameAs(const THttpOptions* other) const;

protected:
    void AssignTo(TPersistent* dest) override;

private:
    TProxyOptions* proxyOptions_;
};
