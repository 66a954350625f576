#include <gtest/gtest.h>

#include <vector>

#include "LoopbackPeer.h"
#include "data/access/CRVioTcp.h"

namespace {
// Counts the raw operations and the sizes they were asked for.
class TCountingVio : public TCRVioTcp {
public:
    using TCRVioTcp::TCRVioTcp;
    std::vector<int> Reads;
    int EmptyWrites = 0;
    int ReadNoWait(void* buffer, int offset, int count) override {
        Reads.push_back(count);
        return TCRVioTcp::ReadNoWait(buffer, offset, count);
    }
    int WriteNoWait(const void* buffer, int offset, int count) override {
        int n = TCRVioTcp::WriteNoWait(buffer, offset, count);
        if (n == 0) ++EmptyWrites;
        return n;
    }
};

struct TConnectedPair {
    TLoopbackListener Listener;
    TCountingVio Vio{"127.0.0.1", Listener.Port()};
    SOCKET Peer = INVALID_SOCKET;
    TConnectedPair() {
        Vio.Connect();
        Peer = Listener.Accept();
    }
    ~TConnectedPair() {
        if (Peer != INVALID_SOCKET) closesocket(Peer);
    }
    void PeerSends(int count) {
        std::vector<char> bytes(count);
        for (int i = 0; i < count; ++i)
            bytes[i] = static_cast<char>(i);
        ASSERT_EQ(count, send(Peer, bytes.data(), count, 0));
        ASSERT_TRUE(Vio.WaitForData(5));
        Sleep(50); // let the rest of the bytes arrive behind the first
    }
};

int SocketOption(SOCKET s, int option) {
    DWORD value = 0xFFFFFFFF;
    int size = sizeof value;
    getsockopt(s, SOL_SOCKET, option, reinterpret_cast<char*>(&value), &size);
    return static_cast<int>(value);
}
} // namespace

TEST(CRVioTcp, SmallReadFillsReadAheadAndServesTheRestWithoutRawRead) {
    TConnectedPair pair;
    pair.PeerSends(100);
    char buffer[100] = {};
    EXPECT_EQ(10, pair.Vio.Read(buffer, 0, 10));
    ASSERT_EQ(1u, pair.Vio.Reads.size());
    EXPECT_EQ(TCRVio::ReadAheadSize, pair.Vio.Reads[0]);
    EXPECT_EQ(90, pair.Vio.Read(buffer, 10, 90));
    EXPECT_EQ(1u, pair.Vio.Reads.size());
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(static_cast<char>(i), buffer[i]) << i;
}

TEST(CRVioTcp, LargeReadBypassesReadAhead) {
    TConnectedPair pair;
    pair.PeerSends(4096);
    std::vector<char> buffer(4096);
    EXPECT_EQ(4096, pair.Vio.Read(buffer.data(), 0, 4096));
    ASSERT_FALSE(pair.Vio.Reads.empty());
    EXPECT_EQ(4096, pair.Vio.Reads[0]);
    EXPECT_EQ(static_cast<char>(4095 % 256), buffer[4095]);
}

TEST(CRVioTcp, ReadStopsAtClosedPeer) {
    TConnectedPair pair;
    pair.PeerSends(5);
    closesocket(pair.Peer);
    pair.Peer = INVALID_SOCKET;
    std::vector<char> buffer(3000);
    EXPECT_EQ(5, pair.Vio.Read(buffer.data(), 0, 3000));
}

TEST(CRVioTcp, WriteToPeerThatStopsReadingEndsShortAfterThreeEmptyWrites) {
    TConnectedPair pair;
    pair.Vio.SetWriteTimeout(1);
    std::vector<char> bytes(64 * 1024 * 1024, 'x');
    int written = pair.Vio.Write(bytes.data(), 0, static_cast<int>(bytes.size()));
    EXPECT_LT(written, static_cast<int>(bytes.size()));
    EXPECT_EQ(3, pair.Vio.EmptyWrites);
    EXPECT_NE(AnsiString::npos, pair.Vio.LastError().find("Socket error on write. WSAGetLastError return "));
}

TEST(CRVioTcp, WriteOverClosedSocketWritesNothing) {
    TCountingVio vio("127.0.0.1", 1);
    EXPECT_EQ(0, vio.Write("abc", 0, 3));
    EXPECT_EQ(0, vio.EmptyWrites);
}

TEST(CRVioTcp, EmptyHostReachesLocalhost) {
    TLoopbackListener listener;
    TCRVioTcp vio("", listener.Port());
    vio.Connect();
    SOCKET peer = listener.Accept();
    EXPECT_NE(INVALID_SOCKET, peer);
    closesocket(peer);
}

TEST(CRVioTcp, DefaultsGiveThirtySecondReceiveTimeoutAndNoSendTimeout) {
    TConnectedPair pair;
    EXPECT_EQ(30, pair.Vio.ReadTimeout());
    EXPECT_EQ(0, pair.Vio.WriteTimeout());
    EXPECT_EQ(0, pair.Vio.ConnectionTimeout());
    EXPECT_EQ(30000, SocketOption(pair.Vio.SocketHandle(), SO_RCVTIMEO));
    EXPECT_EQ(0, SocketOption(pair.Vio.SocketHandle(), SO_SNDTIMEO));
    pair.Vio.SetWriteTimeout(2);
    pair.Vio.SetReadTimeout(5);
    EXPECT_EQ(2000, SocketOption(pair.Vio.SocketHandle(), SO_SNDTIMEO));
    EXPECT_EQ(5000, SocketOption(pair.Vio.SocketHandle(), SO_RCVTIMEO));
}

TEST(CRVioTcp, OpenSocketRefusesHostAndPortChanges) {
    TConnectedPair pair;
    try {
        pair.Vio.SetHost("other");
        FAIL();
    } catch (const SocketException& e) {
        EXPECT_EQ(sockOpenChange, e.ErrorCode);
        EXPECT_EQ("Cannot change Host for open socket.", e.Message());
    }
    try {
        pair.Vio.SetPort(1);
        FAIL();
    } catch (const SocketException& e) {
        EXPECT_EQ(sockOpenChange, e.ErrorCode);
        EXPECT_EQ("Cannot change Port for open socket.", e.Message());
    }
    pair.Vio.Close();
    EXPECT_FALSE(pair.Vio.IsOpen());
    pair.Vio.SetPort(1);
    EXPECT_EQ(1, pair.Vio.Port());
}

TEST(CRVioTcp, ClosedPortGivesConnectFailureAndClosesSocket) {
    int port;
    {
        TLoopbackListener listener;
        port = listener.Port();
    }
    TCRVioTcp vio("127.0.0.1", port);
    try {
        vio.Connect();
        FAIL();
    } catch (const SocketException& e) {
        EXPECT_EQ(sockConnectFailed, e.ErrorCode);
        EXPECT_EQ(0u, e.Message().find("Socket error "));
    }
    EXPECT_FALSE(vio.IsOpen());
    EXPECT_EQ(0u, vio.LastError().find("Socket error on connect. WSAGetLastError return "));
}

TEST(CRVioTcp, SlowResolutionTimesOutAndAbandonedResolverFinishesLater) {
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetHostNameResolveSeam([&](const AnsiString&, in_addr& address, int&) {
        WaitForSingleObject(release, 10000);
        address.s_addr = htonl(INADDR_LOOPBACK);
        SetEvent(finished);
        return true;
    });
    {
        TCRVioTcp vio("slow.invalid", 1);
        vio.SetConnectionTimeout(1);
        DWORD start = GetTickCount();
        try {
            vio.Connect();
            FAIL();
        } catch (const SocketException& e) {
            EXPECT_EQ(sockSocketError, e.ErrorCode);
            EXPECT_EQ(0u, e.Message().find("Socket error "));
        }
        EXPECT_GE(GetTickCount() - start, 900u);
        EXPECT_EQ("Connection timed out", vio.LastError());
        EXPECT_FALSE(vio.IsOpen());
    }
    // The transport is gone; the resolver still finishes into its own result.
    SetEvent(release);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(finished, 5000));
    Sleep(50);
    SetHostNameResolveSeam(nullptr);
    CloseHandle(release);
    CloseHandle(finished);
}

TEST(CRVioTcp, FailedResolutionGivesSocketError) {
    SetHostNameResolveSeam([](const AnsiString&, in_addr&, int& error) {
        error = WSAHOST_NOT_FOUND;
        return false;
    });
    TCRVioTcp vio("nowhere.invalid", 1);
    EXPECT_THROW(vio.Connect(), SocketException);
    EXPECT_EQ("Socket error on connect. WSAGetLastError return 11001($2AF9)", vio.LastError());
    SetHostNameResolveSeam(nullptr);
}

TEST(HttpOptions, AssignCopiesEveryValueAndSameAsComparesThemExactly) {
    THttpOptions a;
    a.Url = "http://h/t";
    a.Username = "u";
    a.Password = "p";
    a.ProxyOptions()->Hostname = "proxy";
    a.ProxyOptions()->Port = 8080;
    a.ProxyOptions()->Username = "pu";
    a.ProxyOptions()->Password = "pp";
    THttpOptions b;
    b.Assign(&a);
    EXPECT_TRUE(a.SameAs(&b));
    EXPECT_EQ(8080, b.ProxyOptions()->Port);
    EXPECT_FALSE(a.SameAs(nullptr));
    b.ProxyOptions()->Password = "PP";
    EXPECT_FALSE(a.SameAs(&b));
    b.ProxyOptions()->Password = "pp";
    b.Username = "U";
    EXPECT_FALSE(a.SameAs(&b));
    TProxyOptions proxy;
    proxy.Hostname = "other";
    b.SetProxyOptions(&proxy);
    EXPECT_EQ("other", b.ProxyOptions()->Hostname);
    EXPECT_NE(&proxy, b.ProxyOptions());
    EXPECT_THROW(proxy.Assign(&a), EConvertError);
}
