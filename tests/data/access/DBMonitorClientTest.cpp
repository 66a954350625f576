#include <gtest/gtest.h>

#include <atomic>

#include "MonitorDecoder.h"
#include "data/access/DBMonitorClient.h"

namespace {
std::string Be(uint32_t value) {
    return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
}
std::string Str(const std::string& utf8) {
    return Be(static_cast<uint32_t>(utf8.size())) + utf8;
}

// A monitor talking to a decoder, with the tick count in the test's hands.
class DBMonitorClient : public testing::Test {
protected:
    std::atomic<uint32_t> ticks{0x01020304};
    std::string pid = Be(GetCurrentProcessId());

    void SetUp() override {
        SetMonitorTickSource([this] { return ticks.load(); });
    }
    void TearDown() override {
        SetMonitorTickSource(nullptr);
        SetMonitorSendHold(nullptr);
    }
    static void Aim(TDBMonitor& monitor, int port) {
        monitor.Caption = L"Uni";
        monitor.Host = "127.0.0.1";
        monitor.Port = port;
    }
    static void WaitDrained(TDBMonitor& monitor) {
        for (int i = 0; i < 1000 && monitor.QueuedCount() > 0; ++i)
            Sleep(5);
        Sleep(50); // the last message leaves the ring before it is sent
    }
    static TDBMonitorEvent Event(int type, const wchar_t* description) {
        TDBMonitorEvent event;
        event.EventType = type;
        event.Description = description;
        return event;
    }
};
} // namespace

TEST_F(DBMonitorClient, MessagesAreWrittenByteForByte) {
    TMonitorDecoder decoder;
    TDBMonitor monitor;
    Aim(monitor, decoder.Port());

    TDBMonitorEvent start = Event(10, L"ab");
    start.ObjectID = 1000;
    start.ObjectName = L"q";
    start.ObjectType = 3;
    start.ObjectTypeName = L"";
    start.ParentID = 7;
    start.ParentName = L"c";
    start.ParentType = 1;
    start.ParentTypeName = L"TUniConnection";
    start.SQL = L"select '中'";
    start.Params = {{L"p", L"Integer", L"IN", L"1000"}};
    monitor.SendEventStart(start);
    EXPECT_EQ(1, start.EventID);
    TDBMonitorEvent end = Event(10, L"ab");
    end.Failed = true;
    end.ErrorText = L"bad";
    end.RowsAffected = 3;
    monitor.SendEventEnd(end); // id 0: the last event started
    monitor.SendFinished();
    auto got = decoder.WaitFor(7);
    ASSERT_EQ(7u, got.size());

    const std::string startBytes = Be(4) + pid + Be(10) + Str("ab") + Be(1) + Be(0x01020304) + Be(1000) +
                                   Str("q") + Be(3) + Str("") + Be(7) + Str("c") + Be(1) +
                                   Str("TUniConnection") + Str("select '\xE4\xB8\xAD'") + Be(1) + Str("p") +
                                   Str("Integer") + Str("IN") + Str("1000") + Be(0);
    const std::string endBytes =
        Be(5) + pid + Be(10) + Str("ab") + Be(1) + Be(0x01020304) + Be(1) + Str("bad") + Be(0) + Be(3);
    struct {
        int32_t type;
        std::string bytes;
    } expected[] = {
        {2, ""}, // checked below: carries the executable's path
        {4, startBytes},
        {6, Be(6)},
        {5, endBytes},
        {6, Be(6)},
        {1, Be(1) + pid + Be(1) + Str("Uni monitoring is finished")},
        {0, ""}, // the socket is closed after the closing message
    };
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(expected[i].type, got[i].Type) << i;
        EXPECT_EQ(1, got[i].Connection) << i;
        if (!expected[i].bytes.empty()) {
            EXPECT_EQ(expected[i].bytes, got[i].Bytes) << i;
        }
    }
    ASSERT_EQ(2u, got[0].Texts.size());
    EXPECT_EQ("Uni monitoring is started", got[0].Texts[0]);
    EXPECT_NE(std::string::npos, got[0].Texts[1].find("data_access_tests.exe"));
    EXPECT_EQ(0, got[0].Ints[1]); // event type 0
}

TEST_F(DBMonitorClient, IntegersAndTextsEncodeAsDocumented) {
    // 1000 as 00 00 03 E8, "ab" as its length and bytes, "" as a zero length.
    TMonitorDecoder decoder;
    TDBMonitor monitor;
    Aim(monitor, decoder.Port());
    TDBMonitorEvent end = Event(1000, L"");
    end.EventID = 5;
    end.ErrorText = L"ab";
    monitor.SendEventEnd(end);
    auto got = decoder.WaitFor(2);
    ASSERT_EQ(2u, got.size());
    EXPECT_EQ(Be(5) + pid + std::string("\x00\x00\x03\xE8", 4) + std::string(4, '\0') + Be(5) +
                  Be(0x01020304) + Be(0) +
                  std::string("\x00\x00\x00\x02"
                              "ab",
                              6) +
                  Be(0) + Be(0),
              got[1].Bytes);
}

TEST_F(DBMonitorClient, StartupPrecedesFirstMessageAfterEachReconnect) {
    TMonitorDecoder decoder;
    TDBMonitor monitor;
    Aim(monitor, decoder.Port());
    monitor.SendStartup(); // the startup message itself is not preceded by another
    TDBMonitorEvent e = Event(2, L"connect");
    monitor.SendEventStart(e);
    monitor.SendFinished();
    decoder.WaitFor(5);
    monitor.SendFinished(); // the link is down: not sent
    monitor.SendEventStart(e);
    std::vector<std::pair<int, int>> want = {{1, 2}, {1, 6}, {1, 4}, {1, 6}, {1, 1}, {1, 0}, {2, 2}, {2, 4}};
    auto got = decoder.WaitFor(8);
    std::vector<std::pair<int, int>> seen;
    for (auto& m : got)
        seen.push_back({m.Connection, m.Type});
    EXPECT_EQ(want, seen);
}

TEST_F(DBMonitorClient, WithoutListenerMessagesAreDroppedAndNoConnectIsTriedForTheHoldOff) {
    int port;
    {
        TLoopbackListener closed;
        port = closed.Port();
    }
    TDBMonitor monitor;
    Aim(monitor, port);
    TDBMonitorEvent e = Event(10, L"x");
    monitor.SendEventStart(e);
    WaitDrained(monitor);

    TMonitorDecoder decoder(port);
    ticks += 4999;
    monitor.SendEventStart(e);
    WaitDrained(monitor);
    Sleep(200);
    EXPECT_EQ(0, decoder.Connections());

    ticks += 1;
    monitor.SendEventStart(e);
    auto got = decoder.WaitFor(2);
    ASSERT_EQ(2u, got.size());
    EXPECT_EQ(2, got[0].Type);
    EXPECT_EQ(4, got[1].Type);
    EXPECT_EQ(3, got[1].Ints[2]); // the third event: the first two were dropped
}

TEST_F(DBMonitorClient, RingHoldsThousandMessagesAndDropsTheNext) {
    TMonitorDecoder decoder;
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetMonitorSendHold([release] { WaitForSingleObject(release, 20000); });
    {
        TDBMonitor monitor;
        Aim(monitor, decoder.Port());
        TDBMonitorEvent e = Event(10, L"x");
        for (int i = 0; i < 1001; ++i)
            monitor.SendEventStart(e);
        EXPECT_EQ(1000, monitor.QueuedCount());
        SetEvent(release);
        // startup, then 1000 starts with a probe before each but the first (2000 messages take a
        // while on a loaded machine)
        auto got = decoder.WaitFor(1 + 1000 + 999, 60000);
        ASSERT_EQ(2000u, got.size());
        int starts = 0;
        int32_t lastId = 0;
        for (auto& m : got)
            if (m.Type == 4) ++starts, lastId = m.Ints[2];
        EXPECT_EQ(1000, starts);
        EXPECT_EQ(1000, lastId);
    }
    CloseHandle(release);
}

TEST_F(DBMonitorClient, LongTextArrivesWhole) {
    TMonitorDecoder decoder;
    TDBMonitor monitor;
    Aim(monitor, decoder.Port());
    TDBMonitorEvent e = Event(10, L"x");
    e.SQL.assign(20000, L'\u00E9'); // 40000 bytes of UTF-8
    e.Params = {{L"n", L"String", L"IN", std::wstring(10000, L'中')}};
    monitor.SendEventStart(e);
    auto got = decoder.WaitFor(2);
    ASSERT_EQ(2u, got.size());
    ASSERT_EQ(4, got[1].Type);
    std::string sql;
    for (int i = 0; i < 20000; ++i)
        sql += "\xC3\xA9";
    EXPECT_EQ(sql, got[1].Texts[5]);
    EXPECT_EQ(30000u, got[1].Texts[9].size());
}

TEST(DBMonitorGlobal, ProcessWideClientIsCreatedOnceAndFreedAtTheEnd) {
    TDBMonitor* monitor = GetDBMonitor();
    EXPECT_EQ(monitor, GetDBMonitor());
    EXPECT_EQ(5000, monitor->ReconnectTimeout);
    EXPECT_EQ(1000, monitor->SendTimeout);
    DBMonitorClientFinalize();
}
