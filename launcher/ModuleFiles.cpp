#include "launcher/ModuleFiles.h"

#include <climits>

#include "launcher/InstallJournal.h"
#include "platform/core/Exceptions.h"
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

bool FlushFile(const AnsiString& fileName) {
    HANDLE file = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool flushed = FlushFileBuffers(file);
    const DWORD code = GetLastError();
    CloseHandle(file);
    SetLastError(code);
    return flushed;
}

AnsiString ReadWholeFile(const AnsiString& fileName) {
    HANDLE file = CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw Exception("Cannot open file \"" + fileName + "\"");
    AnsiString text;
    char buffer[65536];
    DWORD n = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &n, nullptr)) && n)
        text.append(buffer, n);
    CloseHandle(file);
    if (!ok) throw Exception("Cannot read file \"" + fileName + "\"");
    return text;
}

bool WriteDownload(const AnsiString& fileName, const uint8_t* data, size_t size, AnsiString& error,
                   bool flush) {
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
    if (flush && !code && !FlushFileBuffers(file)) code = GetLastError();
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
                const std::function<bool()>& check, AnsiString& error, TInstallJournal* journal) {
    const AnsiString staged = target + StagedSuffix;
    const AnsiString aside = target + BackupSuffix;
    if (journal) {
        try {
            journal->Write({target});
        } catch (const std::exception& e) {
            error = e.what();
            return false;
        }
        InstallInstant("journal written");
    }
    auto abandon = [&] {
        DeleteFileA(staged.c_str());
        if (journal) journal->Remove();
    };
    if (!copy(source, staged) || !FlushFile(staged)) {
        DWORD code = GetLastError();
        abandon();
        error = SystemError("Cannot copy \"" + source + "\" to \"" + staged + "\"", code);
        return false;
    }
    InstallInstant("staged");
    const bool hadTarget = GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (hadTarget) {
        DeleteInstallFile(aside);
        if (!MoveInstallFile(target, aside)) {
            error = SystemError("Cannot move \"" + target + "\" aside", GetLastError());
            abandon();
            return false;
        }
        InstallInstant("moved aside");
    }
    auto putBack = [&] {
        if (hadTarget && !MoveInstallFile(aside, target, true)) {
            error += "; the old file stays as \"" + aside + "\"";
            return; // the journal stays: the next start puts it back
        }
        if (journal) journal->Remove();
    };
    if (!MoveInstallFile(staged, target)) {
        error = SystemError("Cannot move \"" + staged + "\" to \"" + target + "\"", GetLastError());
        DeleteFileA(staged.c_str());
        putBack();
        return false;
    }
    InstallInstant("moved in");
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
    InstallInstant("checked");
    if (journal) {
        // Until the journal goes, the next start would put the old file back.
        if (!journal->Remove()) {
            error = SystemError("Cannot remove the install journal", GetLastError());
            return false;
        }
        InstallInstant("journal removed");
    }
    if (hadTarget) {
        DeleteInstallFile(aside);
        InstallInstant("backup deleted");
    }
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
