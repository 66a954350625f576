#include "launcher/InstallJournal.h"

#include <algorithm>

#include "launcher/ModuleFiles.h"
#include "launcher/Utils.h"
#include "platform/core/DateTime.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Win.h"

namespace {

constexpr const char* JournalHead = "VZJOURNAL 1";
constexpr const char* JournalEnd = "end";

std::function<void(const char*)>& InstantSeam() {
    static std::function<void(const char*)> seam;
    return seam;
}

bool PathExists(const AnsiString& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool EndsWithNoCase(const AnsiString& text, const char* suffix) {
    const AnsiString tail = suffix;
    return text.size() > tail.size() &&
           AnsiUpperCase(text.substr(text.size() - tail.size())) == AnsiUpperCase(tail);
}

// Paths inside the folder are kept relative, so a moved installation still settles.
AnsiString Relative(const AnsiString& folder, const AnsiString& path) {
    if (path.size() > folder.size() && AnsiUpperCase(path.substr(0, folder.size())) == AnsiUpperCase(folder))
        return path.substr(folder.size());
    return path;
}
AnsiString Absolute(const AnsiString& folder, const AnsiString& path) {
    const bool rooted = (path.size() > 1 && path[1] == ':') || path.starts_with("\\");
    return rooted ? path : folder + path;
}

std::vector<AnsiString> Split(const AnsiString& line, char separator) {
    std::vector<AnsiString> parts;
    size_t start = 0;
    for (size_t at; (at = line.find(separator, start)) != AnsiString::npos; start = at + 1)
        parts.push_back(line.substr(start, at - start));
    parts.push_back(line.substr(start));
    return parts;
}

struct TSettleEntry {
    AnsiString Target;
    bool HadTarget = false;
};

struct TJournalText {
    bool Known = false;    // the head line is ours
    bool Complete = false; // written whole: renames may have followed
    AnsiString Module;
    std::vector<TSettleEntry> Entries;
};

// Only whole lines count: a line cut by the kill ends the journal. An entry whose staged or
// backup name is not its target's is no entry of ours and is left alone.
TJournalText ParseJournal(const AnsiString& folder, const AnsiString& text) {
    TJournalText journal;
    std::vector<AnsiString> lines;
    size_t start = 0;
    for (size_t at; (at = text.find("\r\n", start)) != AnsiString::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    if (lines.empty() || lines[0] != JournalHead) return journal;
    journal.Known = true;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<AnsiString> parts = Split(lines[i], '\t');
        if (parts.size() == 1 && parts[0] == JournalEnd) {
            journal.Complete = true;
            break;
        }
        if (parts.size() == 2 && parts[0] == "module") {
            journal.Module = parts[1];
        } else if (parts.size() == 4 && (parts[0] == "old" || parts[0] == "new") && !parts[1].empty() &&
                   parts[2] == parts[1] + StagedSuffix && parts[3] == parts[1] + BackupSuffix) {
            journal.Entries.push_back({Absolute(folder, parts[1]), parts[0] == "old"});
        }
    }
    return journal;
}

AnsiString JoinNames(const std::vector<AnsiString>& names) {
    AnsiString text;
    for (const AnsiString& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

// Puts the old files back; answers the error-log line, and in whole whether every file is back.
AnsiString RollBack(const AnsiString& folder, TJournalText& journal, bool& whole) {
    // The database first: without it the next start cannot even read its settings.
    std::stable_partition(journal.Entries.begin(), journal.Entries.end(), [](const TSettleEntry& e) {
        return AnsiUpperCase(ExtractFileName(e.Target)) == "VAZEVOR.MDB";
    });
    std::vector<AnsiString> restored, removed, kept;
    for (const TSettleEntry& e : journal.Entries) {
        const AnsiString staged = e.Target + StagedSuffix;
        const AnsiString backup = e.Target + BackupSuffix;
        const AnsiString name = Relative(folder, e.Target);
        if (journal.Complete && e.HadTarget && PathExists(backup)) {
            // The backup is the only copy of the old file: it goes only by being renamed back.
            SetFileAttributesA(e.Target.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (MoveInstallFile(backup, e.Target, true))
                restored.push_back(name);
            else
                kept.push_back(name + BackupSuffix + " (error " + std::to_string(GetLastError()) + ")");
        } else if (journal.Complete && !e.HadTarget && PathExists(e.Target) && !PathExists(staged)) {
            // Renamed in by the install that did not finish.
            if (DeleteInstallFile(e.Target))
                removed.push_back(name);
            else
                kept.push_back(name + " (error " + std::to_string(GetLastError()) + ")");
        }
        DeleteInstallFile(staged);
    }
    AnsiString line =
        FormatDateTime("yyyy-mm-dd hh:nn:ss zzz", Now()) + "更新[" + journal.Module + "]未完成,";
    line += restored.empty() && removed.empty() ? AnsiString("无文件需恢复")
                                                : "已恢复原文件: " + JoinNames(restored);
    if (!removed.empty()) line += "; 已删除新文件: " + JoinNames(removed);
    if (!kept.empty()) line += "; 无法恢复,保留: " + JoinNames(kept);
    whole = kept.empty();
    return line;
}

// Staged and backup files whose target exists: the target is whole, so they are spare copies.
void RemoveLeftovers(const AnsiString& folder) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*.vz*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const AnsiString name = found.cFileName;
        for (const char* suffix : {StagedSuffix, BackupSuffix}) {
            if (!EndsWithNoCase(name, suffix)) continue;
            const AnsiString target = folder + name.substr(0, name.size() - AnsiString(suffix).size());
            if (PathExists(target) && !(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY))
                DeleteInstallFile(folder + name);
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

} // namespace

TInstallJournal::TInstallJournal(const AnsiString& folder, const AnsiString& module)
    : fileName_(folder + JournalFileName), module_(module) {
    // Tabs and line ends would break the journal's lines.
    for (char& c : module_)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
}

TInstallJournal::~TInstallJournal() = default;

void TInstallJournal::Write(const std::vector<AnsiString>& targets) {
    const AnsiString folder = ExtractFilePath(fileName_);
    AnsiString text = AnsiString(JournalHead) + "\r\nmodule\t" + module_ + "\r\n";
    for (const AnsiString& target : targets) {
        for (const AnsiString& leftover : {target + StagedSuffix, target + BackupSuffix})
            if (!DeleteInstallFile(leftover))
                throw Exception("Cannot remove \"" + leftover + "\" (error " +
                                std::to_string(GetLastError()) + ")");
        const AnsiString name = Relative(folder, target);
        text += AnsiString(PathExists(target) ? "old" : "new") + "\t" + name + "\t" + name + StagedSuffix +
                "\t" + name + BackupSuffix + "\r\n";
    }
    text += AnsiString(JournalEnd) + "\r\n";
    AnsiString error;
    if (!WriteDownload(fileName_, reinterpret_cast<const uint8_t*>(text.data()), text.size(), error, true))
        throw Exception(error);
    written_ = true;
}

bool TInstallJournal::Remove() {
    if (!written_) return true;
    if (!DeleteFileA(fileName_.c_str()) && PathExists(fileName_)) return false;
    written_ = false;
    return true;
}

void SettleInterruptedInstall(const AnsiString& folder) {
    try {
        const AnsiString fileName = folder + JournalFileName;
        if (PathExists(fileName)) {
            TJournalText journal;
            try {
                journal = ParseJournal(folder, ReadWholeFile(fileName));
            } catch (const std::exception& e) {
                // Kept, and so are the backups: a later start may read it.
                AppendErrorLog(FormatDateTime("yyyy-mm-dd hh:nn:ss zzz", Now()) +
                               "更新日志无法读取: " + e.what());
                return;
            }
            bool whole = true;
            const AnsiString line = journal.Known ? RollBack(folder, journal, whole)
                                                  : FormatDateTime("yyyy-mm-dd hh:nn:ss zzz", Now()) +
                                                        "更新日志\"" + fileName + "\"无法识别,未恢复任何文件";
            AppendErrorLog(line);
            // A backup that could not go back is the only copy of its file: the journal stays for
            // the next start, and no leftover is touched.
            if (!whole) return;
            DeleteFileA(fileName.c_str());
        }
        RemoveLeftovers(folder);
        RemoveLeftovers(folder + "Template\\");
    } catch (...) {
        // The start goes on: the update check repairs what the settling could not.
    }
}

bool MoveInstallFile(const AnsiString& from, const AnsiString& to, bool replace) {
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0));
}

bool DeleteInstallFile(const AnsiString& fileName) {
    if (!PathExists(fileName)) return true;
    SetFileAttributesA(fileName.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(fileName.c_str()) || !PathExists(fileName);
}

void InstallInstant(const char* name) {
    if (InstantSeam()) InstantSeam()(name);
}

void SetInstallInstantSeam(std::function<void(const char*)> seam) {
    InstantSeam() = std::move(seam);
}
