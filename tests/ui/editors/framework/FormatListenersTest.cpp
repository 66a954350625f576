#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/core/FormatSettings.h"
#include "platform/core/Win32Boundary.h"
#include "platform/forms/Forms.h"
#include "ui/editors/framework/Formats.h"

namespace {

class TLog : public std::vector<AnsiString> {};

class TFormatListener : public IcxLocaleFormatListener {
public:
    TFormatListener(TLog& log, AnsiString name) : log_(log), name_(std::move(name)) {}
    void FormatChanged() override {
        log_.push_back("format " + name_);
        if (OnFormatChanged) OnFormatChanged();
    }
    std::function<void()> OnFormatChanged;

protected:
    TLog& log_;
    AnsiString name_;
};

class TTimeListener : public TFormatListener, public IcxTimeChangeListener {
public:
    using TFormatListener::TFormatListener;
    void TimeChanged() override { log_.push_back("time " + name_); }
};

// Sends a message to every top-level window, as the system does when the user changes settings.
// The system sends the wide form; Wine's ANSI broadcast of WM_SETTINGCHANGE garbles the section.
void Broadcast(UINT message, WPARAM wParam, const wchar_t* section) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, message, wParam, reinterpret_cast<LPARAM>(section), SMTO_ABORTIFHUNG,
                        5000, &result);
}

void BroadcastIntl() {
    Broadcast(WM_SETTINGCHANGE, 0, L"intl");
}

// An application object for the test's lifetime, as the program has one.
class TTestApplication {
public:
    TTestApplication() : saved_(Application) { Application = &app_; }
    ~TTestApplication() { Application = saved_; }
    TApplication& operator*() { return app_; }

private:
    TApplication app_{nullptr};
    TApplication* saved_;
};

TFormatSettings Pinned() {
    TFormatSettings settings = TFormatSettingsPin::Invariant();
    settings.ShortDateFormat = "'pinned' d.m.yy";
    settings.LongTimeFormat = "hh:nn";
    return settings;
}

TEST(FormatListeners, FirstListenerMakesTheWindowAndTheLastFreesIt) {
    TFormatSettingsPin pin{Pinned()};
    TcxFormatController controller;
    TLog log;
    TFormatListener a(log, "a"), b(log, "b");
    EXPECT_EQ(controller.WindowHandle(), nullptr);
    controller.AddListener(&a);
    const HWND window = controller.WindowHandle();
    ASSERT_TRUE(IsWindow(window));
    // a top-level window, not a message-only one: broadcasts reach only those
    EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
    controller.AddListener(&b);
    controller.AddListener(&a);
    EXPECT_EQ(controller.WindowHandle(), window);
    controller.RemoveListener(&a);
    EXPECT_TRUE(IsWindow(window));
    controller.RemoveListener(&b);
    EXPECT_EQ(controller.WindowHandle(), nullptr);
    EXPECT_FALSE(IsWindow(window));
    controller.RemoveListener(&b);
}

TEST(FormatListeners, RegionalChangeRereadsTheSettingsAndTellsEachListenerOnceInOrder) {
    TFormatSettingsPin pin{Pinned()};
    TTestApplication app;
    TcxFormatController controller;
    TLog log;
    TFormatListener a(log, "a"), b(log, "b");
    TTimeListener c(log, "c");
    controller.AddListener(&b);
    controller.AddListener(&c);
    controller.AddListener(&a);
    controller.AddListener(&b);
    ASSERT_EQ(controller.DateEditFormat(), "'pinned' dd.mm.yy");

    BroadcastIntl();
    EXPECT_EQ(log, (TLog{{"format b", "format c", "format a"}}));
    const TFormatSettings system = GetLocaleFormatSettings();
    EXPECT_EQ(FormatSettings().ShortDateFormat, system.ShortDateFormat);
    EXPECT_EQ(controller.DateEditFormat(), GetDateEditFormat(system.ShortDateFormat));

    // other sections and other settings are not regional changes
    log.clear();
    Broadcast(WM_SETTINGCHANGE, 0, L"Policy");
    Broadcast(WM_SETTINGCHANGE, SPI_SETWORKAREA, L"intl");
    EXPECT_TRUE(log.empty());
    for (auto* listener : std::vector<IcxLocaleFormatListener*>{&a, &b, &c})
        controller.RemoveListener(listener);
}

TEST(FormatListeners, WithoutUpdateFormatSettingsTheSettingsStayButFormatsAreRebuilt) {
    TFormatSettingsPin pin{Pinned()};
    TTestApplication app;
    (*app).UpdateFormatSettings = false;
    TcxFormatController controller;
    TLog log;
    TFormatListener a(log, "a");
    controller.AddListener(&a);
    FormatSettings().ShortDateFormat = "yyyy-m-d";
    BroadcastIntl();
    EXPECT_EQ(log, (TLog{{"format a"}}));
    EXPECT_EQ(FormatSettings().ShortDateFormat, "yyyy-m-d");
    EXPECT_EQ(controller.DateEditFormat(), "yyyy-mm-dd");
    controller.RemoveListener(&a);
}

TEST(FormatListeners, TimeChangeReachesTimeListenersOnly) {
    TFormatSettingsPin pin{Pinned()};
    TcxFormatController controller;
    TLog log;
    TFormatListener a(log, "a");
    TTimeListener b(log, "b"), c(log, "c");
    controller.AddListener(&a);
    controller.AddListener(&b);
    controller.AddListener(&c);
    Broadcast(WM_TIMECHANGE, 0, nullptr);
    EXPECT_EQ(log, (TLog{{"time b", "time c"}}));
    EXPECT_EQ(SendMessageA(controller.WindowHandle(), WM_TIMECHANGE, 0, 0), 0);
    EXPECT_EQ(log.size(), 4u);
    for (auto* listener : std::vector<IcxLocaleFormatListener*>{&a, &b, &c})
        controller.RemoveListener(listener);
}

TEST(FormatListeners, ListenerErrorReachesTheApplicationsHandler) {
    TFormatSettingsPin pin{Pinned()};
    std::vector<AnsiString> errors;
    TApplicationExceptionHandler saved =
        SetApplicationExceptionHandler([&](const std::exception& error) { errors.push_back(error.what()); });
    TcxFormatController controller;
    TLog log;
    TFormatListener a(log, "a");
    a.OnFormatChanged = [] { throw Exception("listener failed"); };
    controller.AddListener(&a);
    BroadcastIntl();
    SetApplicationExceptionHandler(saved);
    EXPECT_EQ(errors, (std::vector<AnsiString>{"listener failed"}));
    EXPECT_EQ(log, (TLog{{"format a"}}));
    controller.RemoveListener(&a);
}

TEST(FormatListeners, ListenersMayLeaveWhileBeingTold) {
    TFormatSettingsPin pin{Pinned()};
    TcxFormatController controller;
    TLog log;
    TFormatListener a(log, "a"), b(log, "b");
    // the first removes both: the second is not told, and the window goes once the message ends
    a.OnFormatChanged = [&] {
        controller.RemoveListener(&a);
        controller.RemoveListener(&b);
    };
    controller.AddListener(&a);
    controller.AddListener(&b);
    const HWND window = controller.WindowHandle();
    BroadcastIntl();
    EXPECT_EQ(log, (TLog{{"format a"}}));
    EXPECT_EQ(controller.WindowHandle(), nullptr);
    EXPECT_FALSE(IsWindow(window));
}

} // namespace
