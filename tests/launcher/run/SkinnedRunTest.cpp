// The launcher's look as users see it: the skin-library file of the working folder styles the
// status window and the message dialogs; without it, or with its entry damaged, the start ends
// with the error report before any update check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "launcher/MessageDialogProbe.h"
#include "launcher/data/LocalDbSupport.h"
#include "launcher/run/LauncherProcess.h"
#include "launcher/service/ServiceTestSupport.h"
#include "platform/core/Streams.h"
#include "ui/core/GdiPlusClasses.h"

using namespace launcher_test;
using namespace launcher_data_test;

namespace {

const std::string SkinLibrary = WinPath(VZ_SKIN_LIBRARY);

COLORREF FormContent(const std::string& pack) {
    const long colour = ManifestColour(SkinLibrary, pack, "FormContent");
    EXPECT_GE(colour, 0) << "no FormContent line in the manifest of " << pack;
    return static_cast<COLORREF>(colour);
}

// The generated skin-library file cut into its header and entries (each a 32-bit size and a
// pack), and put together again with some entries left out or damaged.
struct SkinLibraryFile {
    std::string Head; // signature and version, without the count
    std::vector<std::string> Packs;

    explicit SkinLibraryFile(const std::string& bytes) {
        const size_t headSize = 4 + 6 + 8;
        Head = bytes.substr(0, headSize);
        int32_t count = 0;
        std::memcpy(&count, bytes.data() + headSize, 4);
        size_t at = headSize + 4;
        for (int i = 0; i < count; ++i) {
            int32_t size = 0;
            std::memcpy(&size, bytes.data() + at, 4);
            Packs.push_back(bytes.substr(at + 4, static_cast<size_t>(size)));
            at += 4 + static_cast<size_t>(size);
        }
    }
    std::string Bytes() const {
        auto put = [](std::string& out, int32_t value) {
            out.append(reinterpret_cast<const char*>(&value), 4);
        };
        std::string out = Head;
        put(out, static_cast<int32_t>(Packs.size()));
        for (const std::string& pack : Packs) {
            put(out, static_cast<int32_t>(pack.size()));
            out += pack;
        }
        return out;
    }
};

// Whatever the launcher showed during one run, read as it showed it.
struct Seen {
    std::vector<COLORREF> StatusFace; // at the probe points, empty when no status window showed
    std::vector<std::string> Reports; // the system message boxes' texts
    int Dialogs = 0;
    std::string DialogText;
    COLORREF DialogFace = CLR_INVALID;
    std::vector<COLORREF> CaptionStrip; // one row through the middle of the dialog's caption
    DWORD ExitCode = STILL_ACTIVE;
};

// Client points of the status window away from the note's text, and at the hidden bar's place.
const POINT StatusProbes[] = {{2, 2}, {318, 95}, {160, 8}, {12, 70}, {158, 78}, {300, 86}};

std::string BoxText(HWND box) {
    char text[1024] = {};
    GetWindowTextA(GetDlgItem(box, 0xFFFF), text, sizeof(text));
    return text;
}

HWND FindOwnWindow(DWORD processId, const char* className) {
    struct Search {
        DWORD Id;
        const char* Name;
        HWND Found;
    } search{processId, className, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            char name[64] = {};
            GetClassNameA(window, name, sizeof(name));
            if (pid != s->Id || std::strcmp(name, s->Name) != 0 || !IsWindowVisible(window)) return TRUE;
            s->Found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

class SkinnedRun : public LauncherRunFolder {
protected:
    void SetUp() override {
        LauncherRunFolder::SetUp();
        DeleteFileA((app + "\\UICore.dll").c_str());
    }

    // Runs the launcher in workingFolder; the status window is read, then the held scenario let
    // go; dialogs and boxes are read and closed with OK.
    Seen Run(const std::string& workingFolder, const std::string& held,
             const std::vector<std::string>& texts) {
        Seen seen;
        PROCESS_INFORMATION pi;
        if (!StartLauncher(app, temp, pi, workingFolder)) return seen;
        const DWORD start = GetTickCount();
        bool released = false;
        while (WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT) {
            if (HWND status = FindOwnWindow(pi.dwProcessId, "TFSysLoader");
                status && seen.StatusFace.empty()) {
                Sleep(300); // painted by the launcher's one pass of messages
                const ClientShot shot = CaptureClient(status);
                for (const POINT& p : StatusProbes)
                    seen.StatusFace.push_back(shot.At(p.x, p.y));
            }
            if (!released && (!seen.StatusFace.empty() || GetTickCount() - start > 30000)) {
                PeerPost("/control/release/" + held, "");
                released = true;
            }
            if (HWND dialog = FindMessageDialog(pi.dwProcessId)) {
                Sleep(300);
                ++seen.Dialogs;
                const ClientShot shot = CaptureClient(dialog);
                seen.DialogFace = shot.At(3, 3);
                seen.DialogText = ReadDialogText(dialog, texts);
                RECT frame;
                GetWindowRect(dialog, &frame);
                POINT client{0, 0};
                ClientToScreen(dialog, &client);
                const RECT strip{frame.left, frame.top + (client.y - frame.top) / 2, frame.right,
                                 frame.top + (client.y - frame.top) / 2 + 1};
                seen.CaptionStrip = screen_capture::CaptureScreen(strip);
                PressDialogOk(dialog);
                for (int i = 0; i < 100 && IsWindowVisible(dialog); ++i)
                    Sleep(20);
            }
            if (HWND box = FindOwnWindow(pi.dwProcessId, "#32770")) {
                Sleep(100);
                seen.Reports.push_back(BoxText(box));
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                for (int i = 0; i < 100 && IsWindow(box); ++i)
                    Sleep(20);
            }
            if (GetTickCount() - start > 90000) {
                ADD_FAILURE() << "Vendrol.exe did not end";
                TerminateProcess(pi.hProcess, 99);
                break;
            }
        }
        if (!released) PeerPost("/control/release/" + held, "");
        GetExitCodeProcess(pi.hProcess, &seen.ExitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return seen;
    }

    bool MainAppStarted() { return Exists(app + "\\Pemblix.started.txt"); }
};

} // namespace

TEST_F(SkinnedRun, TheWorkingFoldersSkinFileDecidesTheLook) {
    const std::string generated = ReadFile(SkinLibrary);
    SkinLibraryFile library(generated);
    ASSERT_EQ(library.Packs.size(), 3u);
    SkinLibraryFile withoutDadav = library;
    withoutDadav.Packs.pop_back();
    SkinLibraryFile damaged = library;
    damaged.Packs[2] = damaged.Packs[2].substr(0, damaged.Packs[2].size() / 2);

    const COLORREF dadav = FormContent("DadavAzodo"), seed = FormContent("Office2007Black");
    const COLORREF buttonFace = GetSysColor(COLOR_BTNFACE) & 0xFFFFFF;
    ASSERT_NE(dadav, seed);
    const std::string held = R"({"mode": "held", "modules": [], "hold": 60})";
    const std::string refused = R"({"rtCode": "2", "rtMsg": "纳税人识别号不存在"})";
    enum Outcome { Completes, ErrorReport, Refused };
    struct TCase {
        const char* what;
        bool inRunFolder;        // the working folder is the run folder, else a folder of its own
        const std::string* file; // its "UICore.dll"; none when null
        const std::string& scenario;
        Outcome outcome;
        COLORREF face; // of the status window or the dialog
    };
    const std::string bytesWithout = withoutDadav.Bytes(), bytesDamaged = damaged.Bytes();
    const TCase cases[] = {
        {"another folder with the generated file", false, &generated, held, Completes, dadav},
        {"a folder without the file", false, nullptr, held, ErrorReport, 0},
        {"a file without DadavAzodo", false, &bytesWithout, held, Completes, seed},
        {"a damaged DadavAzodo entry", false, &bytesDamaged, held, ErrorReport, 0},
        {"the run folder, the request refused", true, &generated, refused, Refused, dadav},
    };
    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = "skin" + std::to_string(++n);
        TempFolder elsewhere("vendrol skin cwd " + std::to_string(n));
        const std::string working = c.inRunFolder ? app : elsewhere.Path();
        DeleteFileA((app + "\\UICore.dll").c_str());
        if (c.file) WriteFile(working + "\\UICore.dll", *c.file);
        DeleteFileA((app + "\\Pemblix.started.txt").c_str());
        ServeAs(name, c.scenario);
        PeerReset();

        const Seen seen = Run(working, name, {"纳税人识别号不存在"});
        EXPECT_EQ(seen.ExitCode, 0u);
        EXPECT_EQ(MainAppStarted(), c.outcome == Completes);
        switch (c.outcome) {
        case Completes:
            ASSERT_EQ(seen.StatusFace.size(), std::size(StatusProbes)) << "no status window";
            for (size_t i = 0; i < seen.StatusFace.size(); ++i) {
                SCOPED_TRACE("probe " + std::to_string(i));
                EXPECT_EQ(seen.StatusFace[i], c.face);
                EXPECT_NE(seen.StatusFace[i], buttonFace);
                EXPECT_NE(seen.StatusFace[i], c.face == dadav ? seed : dadav);
            }
            EXPECT_TRUE(seen.Reports.empty());
            EXPECT_EQ(seen.Dialogs, 0);
            EXPECT_EQ(PeerGet("/control/count"), "1");
            break;
        case ErrorReport:
            ASSERT_EQ(seen.Reports.size(), 1u);
            if (!c.file) {
                EXPECT_NE(seen.Reports[0].find("UICore.dll"), std::string::npos) << seen.Reports[0];
            }
            EXPECT_TRUE(seen.StatusFace.empty()) << "a status window showed";
            EXPECT_EQ(seen.Dialogs, 0);
            EXPECT_EQ(PeerGet("/control/count"), "0") << "an update check ran";
            break;
        case Refused: {
            EXPECT_TRUE(seen.Reports.empty());
            ASSERT_EQ(seen.Dialogs, 1);
            EXPECT_EQ(seen.DialogText, "纳税人识别号不存在");
            EXPECT_EQ(seen.DialogFace, c.face);
            ASSERT_FALSE(seen.CaptionStrip.empty());
            // The skin paints the caption: none of the system's caption colours shows in it.
            for (int system : {COLOR_ACTIVECAPTION, COLOR_GRADIENTACTIVECAPTION, COLOR_INACTIVECAPTION,
                               COLOR_GRADIENTINACTIVECAPTION}) {
                const COLORREF colour = GetSysColor(system) & 0xFFFFFF;
                EXPECT_EQ(std::count(seen.CaptionStrip.begin(), seen.CaptionStrip.end(), colour), 0)
                    << "system caption colour " << system;
            }
            break;
        }
        }
        DeleteFileA((working + "\\UICore.dll").c_str());
    }
}

// The capture tool as ./scripts/run starts it beside the launcher: it waits for the status
// window, held on screen by the peer, and writes it as it shows.
TEST_F(SkinnedRun, TheCaptureToolWritesTheStatusWindowAsShown) {
    WriteFile(app + "\\UICore.dll", ReadFile(SkinLibrary));
    ServeAs("skincapture", R"({"mode": "held", "modules": [], "hold": 60})");
    PeerReset();
    const std::string png = app + "\\status-window.png";
    const std::string tool = WinPath(VZ_WINDOW_CAPTURE_EXE);
    std::string line = "\"" + tool + "\" TFSysLoader \"" + png + "\" 60000";
    std::vector<char> cmd(line.begin(), line.end());
    cmd.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION capture{};
    ASSERT_TRUE(CreateProcessA(tool.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, app.c_str(),
                               &si, &capture));
    PROCESS_INFORMATION launcher{};
    ASSERT_TRUE(StartLauncher(app, temp, launcher));
    const DWORD toolEnded = WaitForSingleObject(capture.hProcess, 60000);
    DWORD toolCode = STILL_ACTIVE;
    GetExitCodeProcess(capture.hProcess, &toolCode);
    // The window's size while it is still held on screen.
    RECT shown{};
    if (HWND status = FindOwnWindow(launcher.dwProcessId, "TFSysLoader")) GetWindowRect(status, &shown);
    PeerPost("/control/release/skincapture", "");
    EXPECT_EQ(WaitForSingleObject(launcher.hProcess, 60000), WAIT_OBJECT_0);
    for (PROCESS_INFORMATION* pi : {&capture, &launcher}) {
        if (WaitForSingleObject(pi->hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi->hProcess, 99);
        CloseHandle(pi->hThread);
        CloseHandle(pi->hProcess);
    }
    ASSERT_EQ(toolEnded, WAIT_OBJECT_0);
    EXPECT_EQ(toolCode, 0u);
    EXPECT_EQ(shown.right - shown.left, 321);
    EXPECT_TRUE(MainAppStarted());

    // Read back through GDI+, a decoder other than the writer.
    TdxPNGImage picture;
    {
        TFileStream file(png, fmOpenRead | fmShareDenyNone);
        picture.LoadFromStream(&file);
    }
    ASSERT_EQ(picture.Width(), 321);
    ASSERT_EQ(picture.Height(), 98);
    std::unique_ptr<TBitmap> bitmap = picture.MakeBitmap();
    auto pixel = [&](int x, int y) {
        const uint32_t bgra = static_cast<const uint32_t*>(bitmap->ScanLine(y))[x];
        return static_cast<COLORREF>(RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF));
    };
    EXPECT_EQ(pixel(2, 2), FormContent("DadavAzodo"));
    EXPECT_EQ(pixel(160, 80), FormContent("DadavAzodo"));
}
