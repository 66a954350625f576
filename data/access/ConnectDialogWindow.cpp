#include "data/access/ConnectDialogWindow.h"

#include "platform/core/Win32Boundary.h"

const wchar_t* const ConnectDialogWindowClass = L"VzConnectDialog";

namespace {
struct TWindowState {
    bool Done = false;
    bool Confirmed = false;
};

LRESULT CALLBACK ConnectWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardedCall(
        [&]() -> LRESULT {
            auto* state = reinterpret_cast<TWindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            switch (message) {
            case WM_COMMAND:
                if (state && HIWORD(wParam) == BN_CLICKED &&
                    (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
                    state->Confirmed = LOWORD(wParam) == IDOK;
                    state->Done = true;
                    // A click sent from another thread is handled inside GetMessage, which
                    // then waits on for a posted message: give it one.
                    PostMessageW(window, WM_NULL, 0, 0);
                    return 0;
                }
                break;
            case WM_CLOSE:
                if (state) state->Done = true;
                PostMessageW(window, WM_NULL, 0, 0);
                return 0;
            default:
                break;
            }
            return DefWindowProcW(window, message, wParam, lParam);
        },
        LRESULT(0));
}

void RegisterWindowClass() {
    WNDCLASSW cls{};
    if (GetClassInfoW(GetModuleHandleW(nullptr), ConnectDialogWindowClass, &cls)) return;
    cls.lpfnWndProc = ConnectWindowProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = ConnectDialogWindowClass;
    RegisterClassW(&cls);
}

HWND Child(HWND parent, const wchar_t* cls, const WideString& text, DWORD style, int x, int y, int w, int h,
           int id) {
    HWND child = CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                 nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    return child;
}

WideString TextOf(HWND control) {
    int length = GetWindowTextLengthW(control);
    WideString text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}
} // namespace

bool ShowConnectDialogWindow(TCustomConnectDialog* dialog) {
    TCustomDAConnection* connection = dialog->Connection();
    if (!connection) return false;
    TStringList servers;
    dialog->GetServerList(&servers);

    RegisterWindowClass();
    TWindowState state;
    HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME, ConnectDialogWindowClass, dialog->Caption.c_str(),
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 300, 190,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) RaiseLastOSError();
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    Child(window, L"STATIC", dialog->UsernameLabel, 0, 10, 14, 90, 20, -1);
    Child(window, L"STATIC", dialog->PasswordLabel, 0, 10, 44, 90, 20, -1);
    Child(window, L"STATIC", dialog->ServerLabel, 0, 10, 74, 90, 20, -1);
    Child(window, L"EDIT", AnsiToWide(connection->Username()), WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 100,
          10, 180, 22, idConnectUsername);
    Child(window, L"EDIT", AnsiToWide(connection->Password()),
          WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD, 100, 40, 180, 22, idConnectPassword);
    HWND server =
        Child(window, L"COMBOBOX", WideString(), WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
              100, 70, 180, 200, idConnectServer);
    for (int i = 0; i < servers.Count(); ++i)
        SendMessageW(server, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(AnsiToWide(servers[i]).c_str()));
    SetWindowTextW(server, AnsiToWide(connection->Server()).c_str());
    Child(window, L"BUTTON", dialog->ConnectButton, WS_TABSTOP | BS_DEFPUSHBUTTON, 100, 110, 85, 26, IDOK);
    Child(window, L"BUTTON", dialog->CancelButton, WS_TABSTOP | BS_PUSHBUTTON, 195, 110, 85, 26, IDCANCEL);
    ShowWindow(window, SW_SHOW);

    MSG message;
    while (!state.Done && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (state.Confirmed) {
        connection->SetUsername(WideToAnsi(TextOf(GetDlgItem(window, idConnectUsername))));
        connection->SetPassword(WideToAnsi(TextOf(GetDlgItem(window, idConnectPassword))));
        connection->SetServer(WideToAnsi(TextOf(server)));
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    return state.Confirmed;
}
