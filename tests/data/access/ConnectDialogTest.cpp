#include <gtest/gtest.h>

#include "TestProvider.h"
#include <thread>

#include "data/access/ConnectDialog.h"
#include "ConnectWindowDriver.h"
#include "data/access/ConnectDialogWindow.h"

namespace {
class TLoginConnection : public TCustomDAConnection {
public:
    VZ_CLASS(TLoginConnection, TCustomDAConnection)
    TLoginConnection() : TCustomDAConnection(nullptr) { LoginPrompt = false; }

protected:
    TClass GetInternalConnectionClass() override { return TTestConnection::StaticClass(); }
    TClass GetInternalCommandClass() override { return TTestCommand::StaticClass(); }
};

// Keeps its registry under a test key, removed afterwards.
class TTestConnectDialog : public TCustomConnectDialog {
public:
    VZ_CLASS(TTestConnectDialog, TCustomConnectDialog)
    using TCustomConnectDialog::TCustomConnectDialog;
    static AnsiString Root() { return "Software\\vz-tests-" + IntToStr(GetCurrentProcessId()); }
    AnsiString KeyRoot() override { return Root() + "\\Vendrol\\Uni\\"; }
};

AnsiString ReadString(const AnsiString& path, const char* name) {
    char buffer[256] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS)
        return "<none>";
    return buffer;
}

void WriteString(const AnsiString& path, const char* name, const AnsiString& value) {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

class ConnectDialog : public testing::Test {
protected:
    TLoginConnection connection;
    TTestConnectDialog dialog{nullptr};
    void SetUp() override { dialog.SetConnection(&connection); }
    void TearDown() override {
        SetConnectDialogHook(nullptr);
        RegDeleteTreeA(HKEY_CURRENT_USER, TTestConnectDialog::Root().c_str());
    }
};
} // namespace

TEST_F(ConnectDialog, ConfirmedServerGoesFirstInTheHistory) {
    AnsiString history = dialog.HistoryKey();
    WriteString(history, "Server 1", "A");
    WriteString(history, "Server 2", "B");
    WriteString(history, "Server 3", "C");
    SetConnectDialogHook([&](TCustomConnectDialog*) {
        connection.SetServer("b");
        return true;
    });
    EXPECT_TRUE(dialog.Execute());
    TStringList list;
    dialog.GetServerList(&list);
    ASSERT_EQ(3, list.Count());
    EXPECT_EQ("b", list[0]);
    EXPECT_EQ("A", list[1]);
    EXPECT_EQ("C", list[2]);
    EXPECT_EQ("<none>", ReadString(history, "Server 4"));
    EXPECT_EQ("b", ReadString(dialog.KeyRoot() + "Connect\\", "Server"));
}

TEST_F(ConnectDialog, CancelPutsTheLoginBackAndThePasswordIsEmptyWhenShown) {
    connection.SetUsername("u");
    connection.SetPassword("secret");
    connection.SetServer("s");
    AnsiString shownPassword = "<not shown>";
    SetConnectDialogHook([&](TCustomConnectDialog*) {
        shownPassword = connection.Password();
        connection.SetUsername("other");
        connection.SetServer("elsewhere");
        return false;
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ("", shownPassword);
    EXPECT_EQ("u", connection.Username());
    EXPECT_EQ("secret", connection.Password());
    EXPECT_EQ("s", connection.Server());
    EXPECT_EQ("<none>", ReadString(dialog.HistoryKey(), "Server 1"));
}

TEST_F(ConnectDialog, LoginIsReadFromTheFormerPathAndWrittenToTheCurrent) {
    AnsiString former = TTestConnectDialog::Root() + "\\Vendrolsoft\\Uni\\Connect\\";
    WriteString(former, "Username", "old");
    WriteString(former, "Server", "oldhost");
    AnsiString seen;
    SetConnectDialogHook([&](TCustomConnectDialog*) {
        seen = connection.Username() + "@" + connection.Server();
        return true;
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ("old@oldhost", seen);
    EXPECT_EQ("old", ReadString(dialog.KeyRoot() + "Connect\\", "Username"));
    EXPECT_EQ("oldhost", ReadString(dialog.KeyRoot() + "Connect\\", "Server"));
}

TEST_F(ConnectDialog, WithoutConnectionOrHook) {
    EXPECT_FALSE(dialog.Execute()); // no hook: not confirmed
    dialog.SetConnection(nullptr);
    try {
        dialog.Execute();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ("Connection is not defined", e.Message());
    }
}

TEST(ConnectDialogLabels, CaptionsComeFromTheStringTable) {
    TTestConnectDialog dialog(nullptr);
    EXPECT_EQ(L"Connect", dialog.Caption);
    EXPECT_EQ(L"Cancel", dialog.CancelButton);
    dialog.SetLabelSet(6);
    EXPECT_EQ(L"Iniciar Sess\u00E3o", dialog.Caption);
    EXPECT_EQ(L"Nome do Usu\u00E1rio", dialog.UsernameLabel);
    dialog.SetLabelSet(7);
    EXPECT_EQ(L"\u0421\u043E\u0435\u0434\u0438\u043D\u0435\u043D\u0438\u0435", dialog.Caption);
    dialog.SetLabelSet(5);
    EXPECT_EQ(L"Uiytkowhik", dialog.UsernameLabel);
    dialog.SetLabelSet(42);
    EXPECT_EQ(L"Server", dialog.ServerLabel);
}

TEST(ConnectDialogConnection, FreedConnectionIsForgotten) {
    TTestConnectDialog dialog(nullptr);
    auto connection = std::make_unique<TLoginConnection>();
    dialog.SetConnection(connection.get());
    connection.reset();
    EXPECT_EQ(nullptr, dialog.Connection());
}

TEST_F(ConnectDialog, WindowTakesTheEnteredLogin) {
    AnsiString history = dialog.HistoryKey();
    WriteString(history, "Server 1", "A");
    WriteString(history, "Server 2", "B");
    connection.SetUsername("u");
    connection.SetPassword("secret");
    SetConnectDialogHook(ShowConnectDialogWindow);
    const DWORD mainThread = GetCurrentThreadId();
    for (bool confirm : {false, true}) {
        std::wstring shownPassword = L"<none>";
        std::thread user([&] {
            HWND window = WaitForConnectWindow(L"Connect");
            if (!window) PostThreadMessageW(mainThread, WM_QUIT, 0, 0); // ends the window's loop
            ASSERT_NE(nullptr, window);
            wchar_t text[64] = {};
            GetWindowTextW(GetDlgItem(window, idConnectPassword), text, 64);
            shownPassword = text;
            SendMessageW(GetDlgItem(window, idConnectUsername), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(L"bob"));
            SendMessageW(GetDlgItem(window, idConnectPassword), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(L"pw"));
            SendMessageW(GetDlgItem(window, idConnectServer), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(L"B"));
            ClickConnectWindowButton(window, confirm ? IDOK : IDCANCEL);
            CloseIfStillOpen(window);
        });
        bool confirmed = dialog.Execute();
        user.join();
        EXPECT_EQ(confirm, confirmed);
        EXPECT_EQ(L"", shownPassword);
        if (confirm) {
            EXPECT_EQ("bob", connection.Username());
            EXPECT_EQ("pw", connection.Password());
            EXPECT_EQ("B", connection.Server());
            EXPECT_EQ("B", ReadString(history, "Server 1"));
            EXPECT_EQ("A", ReadString(history, "Server 2"));
        } else {
            EXPECT_EQ("u", connection.Username());
            EXPECT_EQ("secret", connection.Password());
            EXPECT_EQ("", connection.Server());
        }
    }
}
