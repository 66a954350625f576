#include "data/access/CRVio.h"

#include <algorithm>
#include <cstring>

#include "platform/core/Exceptions.h"

namespace {
const char* const notOverridden = "Not overriden in an inherited class";
} // namespace

void TCRVio::Connect() {
    readAhead_.resize(ReadAheadSize);
    ResetReadAhead();
}

int TCRVio::ServeReadAhead(char* dest, int count) {
    int n = std::min(count, readAheadCount_ - readAheadPos_);
    if (n <= 0) return 0;
    std::memcpy(dest, readAhead_.data() + readAheadPos_, n);
    readAheadPos_ += n;
    if (readAheadPos_ >= readAheadCount_) ResetReadAhead();
    return n;
}

int TCRVio::Read(void* buffer, int offset, int count) {
    char* dest = static_cast<char*>(buffer) + offset;
    int done = ServeReadAhead(dest, count);
    if (count - done > 0 && count - done < 2048 && !readAhead_.empty()) {
        int got = ReadNoWait(readAhead_.data(), 0, ReadAheadSize);
        if (got > 0) {
            readAheadCount_ = got;
            readAheadPos_ = 0;
            done += ServeReadAhead(dest + done, count - done);
        }
    }
    while (done < count) {
        int got = ReadNoWait(dest, done, count - done);
        if (got <= 0) {
            Sleep(10);
            break;
        }
        done += got;
    }
    return done;
}

int TCRVio::Write(const void* buffer, int offset, int count) {
    int done = 0;
    int empty = 0;
    while (done < count) {
        int n = WriteNoWait(buffer, offset + done, count - done);
        if (n <= 0) {
            // Empty writes count for the whole call: the third one gives up.
            if (++empty >= 3) break;
            Sleep(10);
            continue;
        }
        done += n;
    }
    return done;
}

bool TCRVio::WaitForData(int) {
    Assert(false);
    return false;
}

void TCRIOHandler::RegisterClient(TObject*) {}
void TCRIOHandler::UnRegisterClient(TObject*) {}
void TCRIOHandler::Disconnect(TCRVio*) {
    Assert(false, notOverridden);
}
int TCRIOHandler::ReadNoWait(TCRVio*, void*, int, int) {
    Assert(false, notOverridden);
    return 0;
}
int TCRIOHandler::WriteNoWait(TCRVio*, const void*, int, int) {
    Assert(false, notOverridden);
    return 0;
}
int TCRIOHandler::Write(TCRVio*, const void*, int, int) {
    Assert(false, notOverridden);
    return 0;
}
bool TCRIOHandler::WaitForData(TCRVio*, int) {
    Assert(false, notOverridden);
    return false;
}
int TCRIOHandler::GetTimeout(TCRVio*) {
    Assert(false, notOverridden);
    return 0;
}
void TCRIOHandler::SetTimeout(TCRVio*, int) {
    Assert(false, notOverridden);
}

void TCRIOHandlerUtils::RegisterClient(TCRIOHandler* handler, TObject* client) {
    handler->RegisterClient(client);
}
void TCRIOHandlerUtils::UnRegisterClient(TCRIOHandler* handler, TObject* client) {
    handler->UnRegisterClient(client);
}

void TProxyOptions::AssignTo(TPersistent* dest) {
    auto* target = dynamic_cast<TProxyOptions*>(dest);
    if (!target) {
        TPersistent::AssignTo(dest);
        return;
    }
    target->Hostname = Hostname;
    target->Port = Port;
    target->Username = Username;
    target->Password = Password;
}

THttpOptions::THttpOptions() : proxyOptions_(new TProxyOptions) {}
THttpOptions::~THttpOptions() {
    delete proxyOptions_;
}

bool THttpOptions::SameAs(const THttpOptions* other) const {
    if (!other) return false;
    const TProxyOptions& a = *proxyOptions_;
    const TProxyOptions& b = *other->proxyOptions_;
    return Url == other->Url && Username == other->Username && Password == other->Password &&
           a.Hostname == b.Hostname && a.Port == b.Port && a.Username == b.Username &&
           a.Password == b.Password;
}

void THttpOptions::AssignTo(TPersistent* dest) {
    auto* target = dynamic_cast<THttpOptions*>(dest);
    if (!target) {
        TPersistent::AssignTo(dest);
        return;
    }
    target->Url = Url;
    target->Username = Username;
    target->Password = Password;
    target->proxyOptions_->Assign(proxyOptions_);
}
