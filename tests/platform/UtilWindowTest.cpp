// Hidden windows that hand their messages to a method.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/core/UtilWindow.h"
#include "platform/core/Win32Boundary.h"

namespace {

TEST(UtilWindowTest, MessagesReachTheMethodAndErrorsStopAtTheWindow) {
    std::vector<UINT> seen;
    HWND window = AllocateHWnd([&](TMessage& message) {
        seen.push_back(message.Msg);
        if (message.Msg == WM_USER + 1) throw std::runtime_error("handler failed");
        if (message.Msg == WM_USER) {
            message.Result = static_cast<LRESULT>(message.WParam + message.LParam);
            return;
        }
        message.Result = DefWindowProcA(nullptr, message.Msg, message.WParam, message.LParam);
    });
    ASSERT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetParent(window), nullptr); // top-level: broadcasts reach it

    EXPECT_EQ(SendMessageA(window, WM_USER, 40, 2), 42);

    std::vector<std::string> handled;
    auto previous =
        SetApplicationExceptionHandler([&](const std::exception& error) { handled.push_back(error.what()); });
    EXPECT_EQ(SendMessageA(window, WM_USER + 1, 0, 0), 0);
    SetApplicationExceptionHandler(previous);
    EXPECT_EQ(handled, (std::vector<std::string>{"handler failed"}));

    DeallocateHWnd(window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_NE(std::find(seen.begin(), seen.end(), UINT(WM_USER)), seen.end());
    DeallocateHWnd(nullptr); // harmless
}

} // namespace
