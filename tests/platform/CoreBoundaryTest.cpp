#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/core/Strings.h"
#include "platform/core/UnitTable.h"
#include "platform/core/Win32Boundary.h"

namespace {
constexpr UINT WM_THROW = WM_APP + 1;
constexpr UINT WM_ABORT = WM_APP + 2;
constexpr UINT WM_ANSWER = WM_APP + 3;

LRESULT CALLBACK ThrowingProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return GuardedCall(
        [&]() -> LRESULT {
            switch (msg) {
            case WM_THROW:
                throw EConvertError("thrown in the window procedure");
            case WM_ABORT:
                throw EAbort("quiet");
            case WM_ANSWER:
                return 42;
            default:
                return DefWindowProcA(wnd, msg, wParam, lParam);
            }
        },
        LRESULT(-1));
}

// A real top-level window with the guarded procedure; the handler records what reaches it.
class BoundaryTest : public testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ThrowingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VzBoundaryTest";
        RegisterClassA(&wc);
        wnd = CreateWindowA("VzBoundaryTest", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                            nullptr);
        ASSERT_NE(nullptr, wnd);
        previous =
            SetApplicationExceptionHandler([this](const std::exception& e) { handled.push_back(e.what()); });
    }
    void TearDown() override {
        SetApplicationExceptionHandler(previous);
        DestroyWindow(wnd);
    }
    HWND wnd = nullptr;
    std::vector<AnsiString> handled;
    TApplicationExceptionHandler previous;
};
} // namespace

TEST_F(BoundaryTest, ExceptionInWindowProcedureReachesTheHandler) {
    EXPECT_EQ(-1, SendMessageA(wnd, WM_THROW, 0, 0));
    EXPECT_EQ(std::vector<AnsiString>{"thrown in the window procedure"}, handled);
    EXPECT_EQ(42, SendMessageA(wnd, WM_ANSWER, 0, 0));
    // EAbort ends the operation without a report.
    EXPECT_EQ(-1, SendMessageA(wnd, WM_ABORT, 0, 0));
    EXPECT_EQ(1u, handled.size());
    // Posted messages come through the message loop's dispatch.
    PostMessageA(wnd, WM_THROW, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, wnd, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    EXPECT_EQ(2u, handled.size());
}

TEST_F(BoundaryTest, CarriedExceptionIsRethrownAfterSendMessageReturns) {
    bool returned = false;
    try {
        TExceptionCarrier::Run([&] {
            LRESULT r = SendMessageA(wnd, WM_THROW, 0, 0);
            returned = true;
            EXPECT_EQ(-1, r);
        });
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ("thrown in the window procedure", e.Message());
    }
    EXPECT_TRUE(returned);
    EXPECT_TRUE(handled.empty());
    EXPECT_EQ(nullptr, TExceptionCarrier::Active());
    EXPECT_EQ(42, TExceptionCarrier::Run([&] { return SendMessageA(wnd, WM_ANSWER, 0, 0); }));
}

namespace {
struct EnumContext {
    int calls = 0;
};
BOOL CALLBACK ThrowingEnumProc(HWND, LPARAM param) {
    return GuardedCall(
        [&]() -> BOOL {
            auto* c = reinterpret_cast<EnumContext*>(param);
            ++c->calls;
            throw std::runtime_error("callback " + std::to_string(c->calls));
        },
        TRUE); // keep enumerating: only the first error is kept
}
} // namespace

TEST_F(BoundaryTest, CarrierAroundAnEnumerationCallbackKeepsTheFirstError) {
    EnumContext context;
    TExceptionCarrier carrier;
    EnumWindows(ThrowingEnumProc, reinterpret_cast<LPARAM>(&context));
    EXPECT_GE(context.calls, 1);
    EXPECT_TRUE(carrier.HasException());
    try {
        carrier.Rethrow();
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ("callback 1", e.what());
    }
    EXPECT_FALSE(carrier.HasException());
}

namespace {
std::vector<AnsiString> unitLog;
void StartA() {
    unitLog.push_back("start A");
}
void EndA() {
    unitLog.push_back("end A");
}
void StartB() {
    unitLog.push_back("start B");
}
void EndB() {
    unitLog.push_back("end B");
    throw Exception("end B failed");
}
void StartC() {
    unitLog.push_back("start C");
}
void EndC() {
    unitLog.push_back("end C");
}
void StartFails() {
    throw Exception("cannot start");
}
} // namespace

TEST(CoreUnitTable, StartsInOrderAndEndsInReverse) {
    unitLog.clear();
    const UnitEntry table[] = {
        {"C", 30, StartC, EndC},
        {"A", 10, StartA, EndA},
        {"B", 20, StartB, EndB},
        {"NoEnd", 25, nullptr, nullptr},
    };
    InitializeUnits(table);
    EXPECT_TRUE(UnitsInitialized());
    EXPECT_EQ((std::vector<AnsiString>{"start A", "start B", "start C"}), unitLog);
    EXPECT_THROW(InitializeUnits(table), EInvalidOperation);
    unitLog.clear();
    // Every unit ends even though B fails; B's error comes afterwards.
    try {
        FinalizeUnits();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ("end B failed", e.Message());
    }
    EXPECT_EQ((std::vector<AnsiString>{"end C", "end B", "end A"}), unitLog);
    EXPECT_FALSE(UnitsInitialized());
    unitLog.clear();
    FinalizeUnits(); // nothing left
    EXPECT_TRUE(unitLog.empty());
}

TEST(CoreUnitTable, FailedStartUndoesTheStartedUnits) {
    unitLog.clear();
    try {
        InitializeUnits({{"A", 1, StartA, EndA}, {"Bad", 2, StartFails, EndB}, {"C", 3, StartC, EndC}});
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ("cannot start", e.Message());
    }
    EXPECT_EQ((std::vector<AnsiString>{"start A", "end A"}), unitLog);
    EXPECT_FALSE(UnitsInitialized());
    EXPECT_THROW(InitializeUnits({{"A", 1, StartA, EndA}, {"C", 1, StartC, EndC}}), EInvalidOperation);
    EXPECT_FALSE(UnitsInitialized());
}

TEST(CoreUnitTable, SelectedUnitsKeepTheTableOrderAndJoinedListsTheirs) {
    const std::vector<UnitEntry> table =
        JoinUnits({{{"A", 10, StartA, EndA}, {"B", 20, StartB, EndB}}, {}, {{"C", 30, StartC, EndC}}});
    const auto names = [](const std::vector<UnitEntry>& units) {
        std::vector<std::string> out;
        for (const UnitEntry& unit : units)
            out.push_back(std::string(unit.Name) + ":" + std::to_string(unit.Order));
        return out;
    };
    EXPECT_EQ((std::vector<std::string>{"A:10", "B:20", "C:30"}), names(table));
    // Asked in another order, answered in the table's.
    const std::vector<UnitEntry> selected = SelectUnits(table, {"C", "A"});
    EXPECT_EQ((std::vector<std::string>{"A:10", "C:30"}), names(selected));
    EXPECT_EQ(StartC, selected[1].Initialize);
    EXPECT_TRUE(SelectUnits(table, {}).empty());
    // A misspelt name is an error, not a unit silently left out.
    try {
        SelectUnits(table, {"A", "D"});
        FAIL();
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ("No unit D in the table", e.Message());
    }
}
