#include "launcher/Utils.h"

#include <cstring>

#include <shellapi.h>
#include <winver.h>

#include "launcher/TextProcs.h"
#include "platform/core/Exceptions.h"

namespace {

// The program a command line names: the quoted part, or else the longest run of blank-separated
// words that is an existing file, so "C:\Program Files\A\B.exe" never starts "C:\Program".
// Empty when the first word carries no folder: the system's search decides then.
AnsiString ProgramOf(const AnsiString& commandLine) {
    AnsiString line = TrimSpaces(commandLine);
    if (!line.empty() && line[0] == '"') {
        size_t close = line.find('"', 1);
        return line.substr(1, close == AnsiString::npos ? AnsiString::npos : close - 1);
    }
    size_t firstBlank = line.find(' ');
    if (line.substr(0, firstBlank).find_first_of("\\/") == AnsiString::npos) return AnsiString();
    for (size_t end = line.size(); end != AnsiString::npos && end > 0;) {
        AnsiString candidate = line.substr(0, end);
        DWORD attr = GetFileAttributesA(candidate.c_str());
        if (attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY)) return candidate;
        end = line.rfind(' ', end - 1);
    }
    return line; // names no existing file: the start fails rather than guess
}

AnsiString ModuleFileName() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) return AnsiString(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

// Path in a zero-filled buffer followed by the second zero the shell's file operation expects.
std::vector<char> DoubleZeroPath(const AnsiString& path) {
    AnsiString text = RemoveBackslash(path);
    std::vector<char> buffer(text.size() + 2, '\0');
    std::memcpy(buffer.data(), text.data(), text.size());
    return buffer;
}

} // namespace

bool RunProcess(const AnsiString& folder, const AnsiString& commandLine, int showMode) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showMode);
    PROCESS_INFORMATION info{};
    AnsiString program = ProgramOf(commandLine);
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(program.empty() ? nullptr : program.c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return false;
    // The program runs on by itself; nobody waits for it.
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

AnsiString GetTempDir() {
    char buffer[1024] = {};
    DWORD n = GetTempPathA(sizeof(buffer), buffer);
    if (n == 0 || n >= sizeof(buffer)) return AnsiString();
    return AddBackslash(AnsiString(buffer, n));
}

AnsiString NewTempFileName(const AnsiString& prefix) {
    char buffer[MAX_PATH + 1] = {};
    AnsiString folder = GetTempDir();
    if (GetTempFileNameA(folder.c_str(), prefix.c_str(), 0, buffer) == 0) RaiseLastOSError();
    return buffer;
}

std::unique_ptr<TOSFileVersionInfo> ReadFileVersionInfo(const AnsiString& fileName) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &handle);
    if (size == 0) return nullptr;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(fileName.c_str(), 0, size, data.data())) return nullptr;
    auto info = std::make_unique<TOSFileVersionInfo>();
    auto read = [&](const char* name, AnsiString& target) {
        AnsiString path = AnsiString("\\StringFileInfo\\080403A8\\") + name;
        char* value = nullptr;
        UINT length = 0;
        if (VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) && value)
            target = AnsiString(value, strnlen(value, length));
    };
    read("ProductName", info->ProductName);
    read("ProductVersion", info->ProductVersion);
    read("FileDescription", info->FileDescription);
    read("LegalCopyright", info->LegalCopyright);
    read("FileVersion", info->FileVersion);
    read("CompanyName", info->CompanyName);
    read("LegalTradeMarks", info->LegalTradeMarks);
    read("InternalName", info->InternalName);
    read("OriginalFileName", info->OriginalFileName);
    return info;
}

AnsiString GetExeFileVersion() {
    auto info = ReadFileVersionInfo(ModuleFileName());
    return info ? info->FileVersion : AnsiString();
}

AnsiString GetAppPath() {
    return AddBackslash(RemoveBackslash(ExtractFilePath(ModuleFileName())));
}

TDateTime ParseDateAuto(const AnsiString& text) {
    TFormatSettings fs = FormatSettings();
    if (text.find('-') != AnsiString::npos) {
        fs.DateSeparator = '-';
        fs.ShortDateFormat = "yyyy-MM-dd";
    } else if (text.find('/') != AnsiString::npos) {
        fs.DateSeparator = '/';
        fs.ShortDateFormat = "yyyy/MM/dd";
    }
    TDateTime result = 0;
    if (!TryStrToDateTime(text, result, fs))
        throw EConvertError("'" + text + "' is not a valid date and time");
    return result;
}

void AppendErrorLog(const AnsiString& line) {
    // Logging runs inside error handling: it must never raise and hide the error it records.
    try {
        AnsiString fileName = GetAppPath() + "ErrorLog.txt";
        HANDLE file = CreateFileA(fileName.c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
        AnsiString text;
        // A log whose last line lacks its line end gets one first, so the new entry is a line.
        LARGE_INTEGER size{};
        if (GetFileSizeEx(file, &size) && size.QuadPart > 0) {
            LARGE_INTEGER last{};
            last.QuadPart = size.QuadPart - 1;
            char ch = 0;
            DWORD read = 0;
            if (SetFilePointerEx(file, last, nullptr, FILE_BEGIN) && ReadFile(file, &ch, 1, &read, nullptr) &&
                read == 1 && ch != '\n' && ch != '\r')
                text = "\r\n";
        }
        // Every line of the log ends in CR LF, also lines inside a multi-line entry.
        for (size_t i = 0; i < line.size(); ++i) {
            char ch = line[i];
            if (ch == '\r' || ch == '\n') {
                if (ch == '\r' && i + 1 < line.size() && line[i + 1] == '\n') ++i;
                text += "\r\n";
            } else {
                text += ch;
            }
        }
        text += "\r\n";
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
    } catch (...) {
    }
}

bool ShellCopyFile(const AnsiString& source, const AnsiString& target, HWND owner) {
    std::vector<char> from = DoubleZeroPath(source);
    std::vector<char> to = DoubleZeroPath(target);
    SHFILEOPSTRUCTA op{};
    op.hwnd = owner;
    op.wFunc = FO_COPY;
    op.pFrom = from.data();
    op.pTo = to.data();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
    return SHFileOperationA(&op) == 0;
}
