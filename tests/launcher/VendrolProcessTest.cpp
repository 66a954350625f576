// Runs the built Vendrol.exe as the users do and watches its windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "launcher/LauncherTestSupport.h"
#include "launcher/MessageDialogProbe.h"
#include "launcher/Startup.h"
#include "launcher/Utils.h"
#include "tools/capture/ScreenCapture.h"

using namespace launcher_test;

namespace {

const std::string VendrolExe = WinPath(VZ_VENDROL_EXE);
const std::string PemblixExe = WinPath(VZ_PEMBLIX_EXE);
const std::string UICoreDll = WinPath(VZ_SKIN_LIBRARY);

class Child {
public:
    Child(const std::string& exe, const std::string& workingFolder) {
        STARTUPINFOA si{};
        si.cb = sizeof(si);
        std::string line = "\"" + exe + "\"";
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        started_ = CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  workingFolder.c_str(), &si, &info_);
    }
    ~Child() {
        if (!started_) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    bool Started() const { return started_; }
    DWORD Id() const { return info_.dwProcessId; }
    // The exit code, or STILL_ACTIVE when it did not end within the time.
    DWORD Wait(DWORD milliseconds) {
        if (WaitForSingleObject(info_.hProcess, milliseconds) != WAIT_OBJECT_0) return STILL_ACTIVE;
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

private:
    bool started_ = false;
    PROCESS_INFORMATION info_{};
};

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string TextOf(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

struct WindowSearch {
    DWORD ProcessId;
    const std::string* ClassName;
    bool VisibleOnly;
    HWND Found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == s->ProcessId && ClassOf(window) == *s->ClassName &&
        (!s->VisibleOnly || IsWindowVisible(window))) {
        s->Found = window;
        return FALSE;
    }
    return TRUE;
}

// A top-level window of the process with that class, or null.
HWND FindProcessWindow(DWORD processId, const std::string& className, bool visibleOnly = true) {
    WindowSearch search{processId, &className, visibleOnly, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND WaitForWindow(DWORD processId, const std::string& className, DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        if (HWND window = FindProcessWindow(processId, className)) return window;
        Sleep(10);
    }
    return nullptr;
}

using screen_capture::CaptureScreen;

// An icon as drawn at 32 x 32 on white, to compare icons of different processes.
std::vector<COLORREF> IconPixels(HICON icon) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all{0, 0, 32, 32};
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIconEx(memory, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            pixels.push_back(GetPixel(memory, x, y) & 0xFFFFFF);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

int RedPixels(const std::vector<COLORREF>& pixels) {
    return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), [](COLORREF c) {
        return GetRValue(c) > 150 && GetGValue(c) < 100 && GetBValue(c) < 100;
    }));
}

// A launcher installed in its own folder (with a blank in its name), with or without the main
// application and a fresh install's database beside it.
struct Installation {
    explicit Installation(const std::string& name, bool withMainApp, bool withDatabase = false)
        : Folder(name) {
        CopyFileA(VendrolExe.c_str(), (Folder / "Vendrol.exe").c_str(), FALSE);
        if (withMainApp) CopyFileA(PemblixExe.c_str(), (Folder / "Pemblix.exe").c_str(), FALSE);
        if (withDatabase)
            CopyFileA(WinPath(VZ_LOCALDB_DEFAULT).c_str(), (Folder / "VazEvor.mdb").c_str(), FALSE);
        // The skin file is sought in the working folder; runs from here find it.
        CopyFileA(UICoreDll.c_str(), (Folder / "UICore.dll").c_str(), FALSE);
    }
    std::string Exe() const { return Folder / "Vendrol.exe"; }
    TempFolder Folder;
};

} // namespace

TEST(VendrolProgram, SecondCopyEndsAtOnceWithoutAnyWindow) {
    // The first copy's mutex; the folder lacks the main application, so a copy that went on would
    // block in the missing-program message box instead of ending.
    HANDLE first = CreateMutexA(nullptr, TRUE, "VendrolMutex");
    ASSERT_NE(nullptr, first);
    ASSERT_NE(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    Installation install("vendrol second copy", false);
    Child second(install.Exe(), install.Folder.Path());
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(0u, second.Wait(15000));
    ReleaseMutex(first);
    CloseHandle(first);
}

TEST(VendrolProgram, MissingMainAppShowsTheMessageBoxOnly) {
    Installation install("vendrol missing app", false);
    // The working folder holds a Pemblix.exe: the launcher must look in its own folder only.
    TempFolder elsewhere("vendrol other cwd");
    CopyFileA(PemblixExe.c_str(), (elsewhere / "Pemblix.exe").c_str(), FALSE);
    Child launcher(install.Exe(), elsewhere.Path());
    ASSERT_TRUE(launcher.Started());

    HWND box = WaitForWindow(launcher.Id(), "#32770", 15000);
    ASSERT_NE(nullptr, box) << "no message box";
    EXPECT_EQ("在线更新", TextOf(box));
    EXPECT_EQ("主程序丢失，无法进行在线更新,重新安装可以解决此问题.", TextOf(GetDlgItem(box, 0xFFFF)));
    HWND owner = GetWindow(box, GW_OWNER);
    EXPECT_EQ("TApplication", ClassOf(owner));
    // Error icon, OK button only.
    HWND iconControl = GetDlgItem(box, 0x0440);
    ASSERT_NE(nullptr, iconControl);
    Sleep(200); // painted
    RECT iconRect;
    GetWindowRect(iconControl, &iconRect);
    // The error icon is the red one (the warning icon is yellow, the information icon blue).
    EXPECT_GT(RedPixels(CaptureScreen(iconRect)), 200);
    EXPECT_GT(RedPixels(IconPixels(LoadIconA(nullptr, IDI_ERROR))), 200);
    EXPECT_LT(RedPixels(IconPixels(LoadIconA(nullptr, IDI_WARNING))), 50);
    EXPECT_NE(nullptr, GetDlgItem(box, IDOK));
    EXPECT_EQ(nullptr, GetDlgItem(box, IDCANCEL));
    EXPECT_EQ(nullptr, FindProcessWindow(launcher.Id(), "TFSysLoader", false));

    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0u, launcher.Wait(15000));
}

TEST(VendrolProgram, ShowsTheStatusWindowCentredForThePauseThenEnds) {
    Installation install("vendrol status run", true, true);
    TempFolder elsewhere("vendrol run cwd"); // started from another working folder
    CopyFileA(UICoreDll.c_str(), (elsewhere / "UICore.dll").c_str(), FALSE);
    Child launcher(install.Exe(), elsewhere.Path());
    ASSERT_TRUE(launcher.Started());

    HWND status = WaitForWindow(launcher.Id(), "TFSysLoader", 15000);
    ASSERT_NE(nullptr, status) << "no status window";
    DWORD shownAt = GetTickCount();
    Sleep(200); // painted by the launcher's one pass of messages

    RECT r;
    GetWindowRect(status, &r);
    EXPECT_EQ(321, r.right - r.left);
    EXPECT_EQ(98, r.bottom - r.top);
    EXPECT_NEAR((GetSystemMetrics(SM_CXSCREEN) - 321) / 2, r.left, 1);
    EXPECT_NEAR((GetSystemMetrics(SM_CYSCREEN) - 98) / 2, r.top, 1);
    LONG style = GetWindowLongA(status, GWL_STYLE);
    EXPECT_EQ(0, style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME));
    EXPECT_EQ("程序更新...", TextOf(status));
    EXPECT_EQ("TApplication", ClassOf(GetWindow(status, GW_OWNER)));
    EXPECT_EQ(std::string(LauncherTitle), TextOf(GetWindow(status, GW_OWNER)));

    // The face as the screen shows it: the user skin's form content colour (the skin-library
    // file's DadavAzodo, not the button face the stored form names), and the note's text centred
    // in the label's box (9,29)-(304,54).
    std::vector<COLORREF> shot = CaptureScreen(r);
    const long skinned = ManifestColour(UICoreDll, "DadavAzodo", "FormContent");
    ASSERT_GE(skinned, 0) << "no FormContent colour in DadavAzodo's manifest";
    const COLORREF face = static_cast<COLORREF>(skinned);
    EXPECT_NE(face, GetSysColor(COLOR_BTNFACE) & 0xFFFFFF);
    auto pixel = [&](int x, int y) { return shot[static_cast<size_t>(y) * 321 + x]; };
    EXPECT_EQ(face, pixel(2, 2));
    EXPECT_EQ(face, pixel(318, 95));
    EXPECT_EQ(face, pixel(160, 80));
    int leftmost = 1000, rightmost = -1, inkTop = 1000, inkBottom = -1;
    for (int y = 0; y < 98; ++y)
        for (int x = 0; x < 321; ++x)
            if (pixel(x, y) != face) {
                leftmost = std::min(leftmost, x);
                rightmost = std::max(rightmost, x);
                inkTop = std::min(inkTop, y);
                inkBottom = std::max(inkBottom, y);
            }
    ASSERT_GE(rightmost, 0) << "no text drawn";
    EXPECT_GE(leftmost, 9);
    EXPECT_LE(rightmost, 304);
    EXPECT_GE(inkTop, 29);
    EXPECT_LE(inkBottom, 54);
    EXPECT_NEAR(160, (leftmost + rightmost) / 2, 4) << "text not centred";
    EXPECT_GT(rightmost - leftmost, 100) << "text too short for the note";

    // It stays for the pause; then the update check finds no service at the fresh install's
    // address, says so, and the run ends without starting the main application.
    HWND box = WaitForWindow(launcher.Id(), "TMessageForm", 30000);
    ASSERT_NE(nullptr, box) << "no message of the update check";
    EXPECT_GE(GetTickCount() - shownAt, 900u);
    Sleep(300); // painted
    EXPECT_EQ("网络异常，请确认！", ReadDialogText(box, {"网络异常，请确认！"}));
    EXPECT_EQ(std::string(LauncherTitle), TextOf(box));
    EXPECT_EQ("OK", TextOf(DialogButton(box)));
    PressDialogOk(box);
    EXPECT_EQ(0u, launcher.Wait(15000));
    EXPECT_FALSE(Exists(install.Folder / "Pemblix.started.txt"));
}

TEST(VendrolProgram, WithoutItsDatabaseTheRunEndsSilently) {
    Installation install("vendrol no database", true);
    Child launcher(install.Exe(), install.Folder.Path());
    ASSERT_TRUE(launcher.Started());
    EXPECT_EQ(0u, launcher.Wait(15000));
    EXPECT_FALSE(Exists(install.Folder / "Pemblix.started.txt"));
}

TEST(VendrolProgram, VersionResourceCarriesTheNineStrings) {
    auto info = ReadFileVersionInfo(VendrolExe);
    ASSERT_NE(nullptr, info);
    EXPECT_EQ("1.0.0.1", info->FileVersion);
    EXPECT_EQ("1.0.0.1", info->ProductVersion);
    EXPECT_EQ("在线更新", info->ProductName);
    EXPECT_EQ("在线更新程序", info->FileDescription);
    EXPECT_EQ("版权所有 (C) Vendrol", info->LegalCopyright);
    EXPECT_EQ("Vendrol", info->CompanyName);
    EXPECT_EQ("Vendrol", info->LegalTradeMarks);
    EXPECT_EQ("Vendrol", info->InternalName);
    EXPECT_EQ("Vendrol.exe", info->OriginalFileName);
    // No version resource, and no file at all.
    EXPECT_EQ(nullptr, ReadFileVersionInfo(PemblixExe));
    EXPECT_EQ(nullptr, ReadFileVersionInfo(PemblixExe + ".missing"));
    EXPECT_EQ("", GetExeFileVersion()); // the test program has none
}
