#include "launcher/ModuleFiles.h"

#include <climits>

#include "platform/core/Win.h"

int VersionNumber(const AnsiString& version) {
    AnsiString digits;
    for (char c : version)
        if (c != '.') digits += c;
    size_t at = 0;
    bool negative = false;
    if (at < digits.size() && (digits[at] == '-' || digits[at] == '+')) negative = digits[at++] == '-';
    if (at == digits.size()) return 0;
    int64_t value = 0;
    for (; at < digits.size(); ++at) {
        char c = digits[at];
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
        if (value > int64_t(INT_MAX) + 1) return 0;
    }
    if (negative) value = -value;
    if (value > INT_MAX || value < INT_MIN) return 0;
    return static_cast<int>(value);
}

bool IsNewerVersion(const AnsiString& remote, const AnsiString& local) {
    return VersionNumber(remote) > VersionNumber(local);
}

namespace {
AnsiString SystemError(const AnsiString& what, DWORD code) {
    return what + " (error " + std::to_string(code) + ")";
}
} // namespace

bool WriteDownload(const AnsiString& fileName, const uint8_t* data, size_t size, AnsiString& error) {
    HANDLE file = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = SystemError("Cannot create \"" + fileName + "\"", GetLastError());
        return false;
    }
    DWORD code = 0;
    for (size_t at = 0; at < size && !code;) {
        DWORD piece = static_cast<DWORD>(std::min<size_t>(size - at, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file, data + at, piece, &written, nullptr) || written == 0)
            code = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        at += written;
    }
    if (!CloseHandle(file) && !code) code = GetLastError();
    if (code) {
        DeleteFileA(fileName.c_str()); // a partial package must not be taken for a whole one
        error = SystemError("Cannot write \"" + fileName + "\"", code);
        return false;
    }
    return true;
}

bool SwapInFile(const AnsiString& source, const AnsiString& target,
                const std::function<bool(const AnsiString&, const AnsiString&)>& copy,
                const std::function<bool()>& check, AnsiString& error) {
    const AnsiString staged = target + ".vzstage";
    const AnsiString aside = target + ".vzold";
    if (!copy(source, staged)) {
        DWORD code = GetLastError();
        DeleteFileA(staged.c_str());
        error = SystemError("Cannot copy \"" + source + "\" to \"" + staged + "\"", code);
        return false;
    }
    const bool hadTarget = GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (hadTarget) {
        SetFileAttributesA(aside.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(aside.c_str());
        if (!MoveFileExA(target.c_str(), aside.c_str(), 0)) {
            error = SystemError("Cannot move \"" + target + "\" aside", GetLastError());
            DeleteFileA(staged.c_str());
            return false;
        }
    }
    auto putBack = [&] {
        if (!hadTarget) return;
        if (!MoveFileExA(aside.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
            error += "; the old file stays as \"" + aside + "\"";
    };
    if (!MoveFileExA(staged.c_str(), target.c_str(), 0)) {
        error = SystemError("Cannot move \"" + staged + "\" to \"" + target + "\"", GetLastError());
        DeleteFileA(staged.c_str());
        putBack();
        return false;
    }
    bool passed = false;
    try {
        passed = check();
        if (!passed) error = "\"" + target + "\" failed its check";
    } catch (const std::exception& e) {
        error = "\"" + target + "\" failed its check: " + e.what();
    }
    if (!passed) {
        DeleteFileA(target.c_str());
        putBack();
        return false;
    }
    if (hadTarget) DeleteFileA(aside.c_str());
    return true;
}

std::vector<TSqlLine> SplitSqlLines(const AnsiString& text) {
    std::vector<TSqlLine> lines;
    size_t start = 0;
    auto take = [&](size_t end) {
        AnsiString line = text.substr(start, end - start);
        size_t tilde = line.find('~');
        if (tilde == AnsiString::npos)
            lines.push_back({"", line});
        else
            lines.push_back({line.substr(0, tilde), line.substr(tilde + 1)});
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        take(i);
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) take(text.size());
    return lines;
}
