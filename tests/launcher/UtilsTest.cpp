#include <gtest/gtest.h>

#include "launcher/AppList.h"
#include "launcher/Globals.h"
#include "launcher/LauncherTestSupport.h"
#include "launcher/Startup.h"
#include "launcher/TextProcs.h"
#include "launcher/Utils.h"
#include "platform/core/Streams.h"
#include "platform/forms/Forms.h"

using namespace launcher_test;

namespace {

// Counts its own destruction, to catch objects freed twice or never.
struct Tracked : TObject {
    static inline int Freed = 0;
    ~Tracked() override { ++Freed; }
};

std::string WaitForFile(const std::string& path, DWORD milliseconds = 15000) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        std::string text = ReadFile(path);
        if (text.find("Time=") != std::string::npos) return text;
        Sleep(20);
    }
    return std::string();
}

} // namespace

TEST(TextProcs, Routines) {
    EXPECT_EQ("a b", TrimSpaces("   a b  "));
    EXPECT_EQ("\ta\t", TrimSpaces(" \ta\t ")); // blanks only, not tabs
    EXPECT_EQ("", TrimSpaces("    "));
    EXPECT_EQ("12300", StripLeading("0012300", '0'));
    EXPECT_EQ("00123", StripTrailing("0012300", '0'));
    EXPECT_EQ("", StripLeading("000", '0'));
    EXPECT_EQ("ab", LeftStr("abc", 2));
    EXPECT_EQ("abc", LeftStr("abc", 5));
    EXPECT_EQ("bc", RightStr("abc", 2));
    EXPECT_EQ("abc", RightStr("abc", 5));
    EXPECT_EQ("abc", RightStr("abc", 3));
    EXPECT_EQ("C:\\a\\", AddBackslash("C:\\a"));
    EXPECT_EQ("C:\\a\\", AddBackslash("C:\\a\\"));
    EXPECT_EQ("C:\\a", RemoveBackslash("C:\\a\\"));
    EXPECT_EQ("C:\\a\\", RemoveBackslash("C:\\a\\\\")); // one only
    EXPECT_EQ("C:\\a", RemoveBackslash("C:\\a"));
    EXPECT_EQ("ABC中文ΑΒ", UpperText("abc中文αβ"));
    EXPECT_EQ('c', LastChar("abc"));
    EXPECT_TRUE(IsBlank("   "));
    EXPECT_TRUE(IsBlank(""));
    EXPECT_FALSE(IsBlank(" x "));
}

TEST(TextProcs, BackslashesAreFoundByCharactersNotBytes) {
    // The second bytes of 僜, 錦, 運 and 禱 in code page 936 are 0x5C.
    struct Case {
        const char* Text;
        const char* Added;
        const char* Removed;
    } cases[] = {
        {"C:\\程序僜", "C:\\程序僜\\", "C:\\程序僜"},
        {"C:\\程序僜\\", "C:\\程序僜\\", "C:\\程序僜"},
        {"錦", "錦\\", "錦"},
        {"D:\\運\\禱", "D:\\運\\禱\\", "D:\\運\\禱"},
        {"D:\\禱\\\\", "D:\\禱\\\\", "D:\\禱\\"},
        {"a\\", "a\\", "a"},
        {"\\", "\\", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(c.Added, AddBackslash(c.Text));
        EXPECT_EQ(c.Removed, RemoveBackslash(c.Text));
    }
}

TEST(ParseDateAuto, ReadsIsoAndSlashDatesWhateverTheLocaleOrder) {
    TFormatSettings dayFirst = TFormatSettingsPin::Invariant();
    dayFirst.DateSeparator = '.';
    dayFirst.ShortDateFormat = "dd.mm.yyyy";
    TFormatSettingsPin pin(dayFirst);
    const TDateTime march1 = EncodeDate(2009, 3, 1);
    EXPECT_EQ(march1, ParseDateAuto("2009-03-01"));
    EXPECT_EQ(march1, ParseDateAuto("2009/03/01"));
    EXPECT_EQ(march1, ParseDateAuto("01.03.2009")); // neither: the locale's own format
    EXPECT_DOUBLE_EQ(march1 + EncodeTime(12, 30, 15, 0), ParseDateAuto("2009-03-01 12:30:15"));
    EXPECT_DOUBLE_EQ(march1 + EncodeTime(8, 5, 0, 0), ParseDateAuto("2009/3/1 8:05"));
    for (const char* bad : {"2009-13-45", "yesterday", "", "2009/02/30"}) {
        SCOPED_TRACE(bad);
        try {
            ParseDateAuto(bad);
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_EQ("'" + std::string(bad) + "' is not a valid date and time", e.Message());
        }
    }
}

TEST(AppList, ValuesByNameIgnoringCase) {
    TAppList list(true);
    list.SetValue("SYSTEM.Url", "first");
    list.SetValue("system.url", "second");
    ASSERT_EQ(1, list.Count());
    EXPECT_EQ("second", list.GetValue("System.URL"));
    EXPECT_EQ("", list.GetValue("missing"));
    EXPECT_EQ(nullptr, list.FindObject("missing"));
    // An entry whose object is not a text holder answers empty text.
    list.AddObject("other", new Tracked);
    EXPECT_EQ("", list.GetValue("other"));
    EXPECT_NE(nullptr, list.FindObject("OTHER"));
}

TEST(AppList, ClearObjectsFreesEachObjectOnceAndNestedListsWithTheirs) {
    Tracked::Freed = 0;
    auto* list = new TAppList(false);
    auto* shared = new Tracked;
    list->AddObject("a", shared);
    list->AddObject("b", new Tracked);
    list->AddObject("c", shared);
    list->Add("no object");
    auto* nested = new TStringList;
    auto* inner = new Tracked;
    nested->AddObject("x", inner);
    nested->AddObject("y", inner);
    nested->AddObject("z", new Tracked);
    list->AddObject("nested", nested);
    list->ClearObjects();
    EXPECT_EQ(4, Tracked::Freed);
    EXPECT_EQ(0, list->Count());

    list->AddObject("again", new Tracked);
    FreeListAndObjects(list);
    EXPECT_EQ(nullptr, list);
    EXPECT_EQ(5, Tracked::Freed);
    FreeListAndObjects(list); // an empty variable is left alone

    {
        TAppList owning(true);
        owning.AddObject("p", new Tracked);
        owning.AddObject("q", owning.Objects(0));
    }
    EXPECT_EQ(6, Tracked::Freed);
    {
        TAppList notOwning(false);
        Tracked kept;
        notOwning.AddObject("p", &kept);
    }
    EXPECT_EQ(7, Tracked::Freed); // only `kept` itself, by its scope
}

TEST(Streams, BytesToStreamAndBack) {
    std::vector<uint8_t> bytes = {0, 1, 2, 250, 0, 9};
    auto stream = BytesToStream(bytes);
    EXPECT_EQ(0, stream->Position());
    EXPECT_EQ(6, stream->Size());
    stream->Seek(0, soEnd);
    EXPECT_EQ(bytes, StreamToBytes(*stream)); // read from the start wherever it stands
    EXPECT_TRUE(StreamToBytes(*BytesToStream({})).empty());
}

TEST(Paths, AppPathTempDirAndTempFiles) {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string folder(exe);
    folder.erase(folder.rfind('\\') + 1);
    EXPECT_EQ(folder, GetAppPath());
    // Exactly one separator, counted by characters (the folder may end in a double-byte one).
    std::string once = GetAppPath();
    once.pop_back();
    EXPECT_EQ(once, ExcludeTrailingPathDelimiter(once));

    std::string temp = GetTempDir();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ('\\', temp.back());
    std::string a = NewTempFileName("vzu"), b = NewTempFileName("vzu");
    EXPECT_NE(a, b);
    EXPECT_EQ(0u, a.rfind(temp, 0));
    EXPECT_EQ("vzu", a.substr(temp.size(), 3));
    EXPECT_TRUE(Exists(a));
    EXPECT_EQ("", ReadFile(a));
    DeleteFileA(a.c_str());
    DeleteFileA(b.c_str());
}

TEST(Paths, AppPathOfAFolderEndingInADoubleByteCharacter) {
    // This very program, copied into "...\\程序僜", runs the test above there.
    TempFolder temp("app path");
    const std::string folder = temp / "程序僜";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const std::string copy = folder + "\\tests.exe";
    ASSERT_TRUE(CopyFileA(exe, copy.c_str(), FALSE));
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    std::string line = "\"" + copy + "\" --gtest_filter=Paths.AppPathTempDirAndTempFiles";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessA(copy.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               temp.Path().c_str(), &si, &info));
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &code);
    else
        TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    EXPECT_EQ(0u, code);
}

TEST(Globals, CreatedWithPathsAndEmptyLogin) {
    GlobalsInitialize();
    ASSERT_NE(nullptr, Globals);
    EXPECT_EQ(GetAppPath(), Globals->AppPath);
    EXPECT_EQ(GetTempDir(), Globals->TempPath);
    EXPECT_EQ("", Globals->FileVersion);
    EXPECT_EQ(-1, Globals->LoginType);
    EXPECT_EQ(-1, Globals->LoginState);
    EXPECT_GT(Globals->StartTime, EncodeDate(2020, 1, 1));
    Globals->LoginName = "zhang";
    Globals->LoginState = 1;
    Globals->Logout();
    EXPECT_EQ("zhang", Globals->PreviousLoginName);
    EXPECT_EQ("", Globals->LoginName);
    EXPECT_EQ(-1, Globals->LoginState);

    Tracked::Freed = 0;
    ModuleList->Add(new Tracked);
    ModuleList->Add(new Tracked);
    GlobalsFinalize();
    EXPECT_EQ(2, Tracked::Freed);
    EXPECT_EQ(nullptr, Globals);
}

TEST(ErrorLog, AppendsCrLfLinesAndNeverRaises) {
    const std::string log = GetAppPath() + "ErrorLog.txt";
    SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(log.c_str());
    AppendErrorLog("2009-03-01 调用服务失败");
    EXPECT_EQ("2009-03-01 调用服务失败\r\n", ReadFile(log));
    AppendErrorLog("second\nwith a break");
    EXPECT_EQ("2009-03-01 调用服务失败\r\nsecond\r\nwith a break\r\n", ReadFile(log));

    // A log whose last line has no line end still gets one line more.
    WriteFile(log, "one\r\ntwo\r\nthree");
    AppendErrorLog("four");
    EXPECT_EQ("one\r\ntwo\r\nthree\r\nfour\r\n", ReadFile(log));

    // A locked log, and a folder in the log's place: nothing raised, nothing lost.
    {
        HANDLE lock = CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, lock);
        EXPECT_NO_THROW(AppendErrorLog("while locked"));
        CloseHandle(lock);
    }
    EXPECT_EQ("one\r\ntwo\r\nthree\r\nfour\r\n", ReadFile(log));
    DeleteFileA(log.c_str());
    ASSERT_TRUE(CreateDirectoryA(log.c_str(), nullptr));
    EXPECT_NO_THROW(AppendErrorLog("cannot be written"));
    RemoveDirectoryA(log.c_str());
}

TEST(ShellCopyFile, CopiesPathsOfAnyLength) {
    TempFolder temp("shell copy");
    std::string deep = temp.Path();
    for (int i = 0; i < 4; ++i) {
        deep += "\\a rather long folder name number " + std::to_string(i);
        CreateDirectoryA(deep.c_str(), nullptr);
    }
    ASSERT_GT(deep.size(), 160u);
    WriteFile(deep + "\\VazEvor.download", "database bytes");
    EXPECT_TRUE(ShellCopyFile(deep + "\\VazEvor.download", temp / "VazEvor.mdb", nullptr));
    EXPECT_EQ("database bytes", ReadFile(temp / "VazEvor.mdb"));
    EXPECT_TRUE(ShellCopyFile(temp / "VazEvor.mdb", deep + "\\copy back.mdb", nullptr));
    EXPECT_EQ("database bytes", ReadFile(deep + "\\copy back.mdb"));
    EXPECT_FALSE(ShellCopyFile(temp / "missing.mdb", temp / "x.mdb", nullptr));
}

TEST(ShellCopyFile, PathsEndingInADoubleByteCharacterWithABackslashSecondByte) {
    TempFolder temp("shell copy 僜");
    const std::string from = temp / "来源僜", to = temp / "目标僜";
    ASSERT_TRUE(CreateDirectoryA(from.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(to.c_str(), nullptr));
    WriteFile(from + "\\数据僜", "database bytes");
    // A file named with 僜 last, onto a new name and into a folder with and without a separator.
    EXPECT_TRUE(ShellCopyFile(from + "\\数据僜", to + "\\副本錦", nullptr));
    EXPECT_TRUE(ShellCopyFile(from + "\\数据僜", to, nullptr));
    WriteFile(from + "\\第二.mdb", "second");
    EXPECT_TRUE(ShellCopyFile(from + "\\第二.mdb", to + "\\", nullptr));
    EXPECT_EQ("database bytes", ReadFile(to + "\\副本錦"));
    EXPECT_EQ("database bytes", ReadFile(to + "\\数据僜"));
    EXPECT_EQ("second", ReadFile(to + "\\第二.mdb"));
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((temp.Path() + "\\*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    int entries = 0;
    do
        ++entries;
    while (FindNextFileA(find, &found));
    FindClose(find);
    EXPECT_EQ(4, entries); // ".", "..", and the two folders: nothing beside them
}

TEST(RunProcess, StartsTheProgramNamedEvenBehindABlank) {
    // "...\run main\my app\Pemblix.exe" unquoted; the decoy "...\run main\my.exe" must not start.
    TempFolder parent("run main");
    const std::string app = parent / "my app";
    CreateDirectoryA(app.c_str(), nullptr);
    const std::string pemblix = WinPath(VZ_PEMBLIX_EXE);
    ASSERT_TRUE(CopyFileA(pemblix.c_str(), (app + "\\Pemblix.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(pemblix.c_str(), (parent / "my.exe").c_str(), FALSE));

    FormsInitialize();
    GlobalsInitialize();
    Globals->AppPath = app + "\\";
    RunMainApp();
    EXPECT_TRUE(Application->Terminated());

    std::string record = WaitForFile(app + "\\Pemblix.started.txt");
    EXPECT_NE(std::string::npos, record.find("Folder=" + app + "\r\n")) << record;
    EXPECT_NE(std::string::npos, record.find("CommandLine=" + app + "\\Pemblix.exe\r\n")) << record;
    EXPECT_NE(std::string::npos, record.find("ShowMode=1\r\n")) << record;
    Sleep(300);
    EXPECT_FALSE(Exists(parent / "Pemblix.started.txt")) << "the decoy was started";

    EXPECT_FALSE(RunProcess(app, app + "\\NoSuchProgram.exe", SW_SHOWNORMAL));
    GlobalsFinalize();
    FormsFinalize();
}
