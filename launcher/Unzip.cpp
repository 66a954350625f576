// ZIP extraction over zlib: stored and deflated entries of the published format, no ZIP64, no
// encryption. Every entry is read and checked before any target is replaced, so a damaged
// archive leaves the target folder as it was. Entries are unpacked in pieces, so memory stays small
// whatever the archive claims. Each entry is written to a staged file beside its target and
// checked on the way; the targets are replaced only once all are written: a damaged entry, a
// full disk or a refused file never leaves a truncated file among old and new ones.
#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <zlib.h>

#include "launcher/InstallJournal.h"
#include "launcher/Utils.h"
#include "platform/core/Exceptions.h"

namespace {

constexpr uint32_t LocalHeaderSig = 0x04034b50;
constexpr uint32_t CentralHeaderSig = 0x02014b50;
constexpr uint32_t EndOfCentralSig = 0x06054b50;
constexpr uint32_t Zip64LocatorSig = 0x07064b50;
constexpr size_t EndOfCentralSize = 22;
constexpr size_t CentralHeaderSize = 46;
constexpr size_t LocalHeaderSize = 30;

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

[[noreturn]] void Fail(const AnsiString& message) {
    throw Exception(message);
}

[[noreturn]] void FailEntry(const AnsiString& entry, const AnsiString& what) {
    Fail("ZIP entry \"" + entry + "\" " + what);
}

// The archive is mapped, not read: memory stays the same whatever its size.
class TMappedArchive {
public:
    explicit TMappedArchive(const AnsiString& fileName) {
        file_ = CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file_ == INVALID_HANDLE_VALUE) Fail("Cannot open ZIP archive \"" + fileName + "\"");
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file_, &size) || size.QuadPart >= 0x7FFFFFFF)
            Fail("Cannot read ZIP archive \"" + fileName + "\"");
        size_ = static_cast<size_t>(size.QuadPart);
        if (size_ == 0) return; // an empty file cannot be mapped
        mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (mapping_) view_ = static_cast<const uint8_t*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
        if (!view_) Fail("Cannot read ZIP archive \"" + fileName + "\"");
    }
    ~TMappedArchive() {
        if (view_) UnmapViewOfFile(view_);
        if (mapping_) CloseHandle(mapping_);
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    }
    TMappedArchive(const TMappedArchive&) = delete;
    TMappedArchive& operator=(const TMappedArchive&) = delete;
    const uint8_t* Data() const { return view_; }
    size_t Size() const { return size_; }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    HANDLE mapping_ = nullptr;
    const uint8_t* view_ = nullptr;
    size_t size_ = 0;
};

// Entry names are in the system code page unless the archive marks them as UTF-8.
AnsiString EntryName(const uint8_t* p, size_t length, bool utf8) {
    std::string raw(reinterpret_cast<const char*>(p), length);
    if (!utf8) return raw;
    return WideToAnsi(AnsiToWide(raw, CP_UTF8));
}

// The file name alone: stored folders are dropped. Empty for folder entries. The second byte
// of a double-byte character may be a backslash or a bar; it is part of the character.
AnsiString BaseName(const AnsiString& entry) {
    size_t start = 0;
    for (size_t i = 0; i < entry.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(entry[i])) && i + 1 < entry.size()) {
            ++i;
            continue;
        }
        if (entry[i] == '/' || entry[i] == '\\') start = i + 1;
    }
    return entry.substr(start);
}

// Names Windows takes as devices whatever extension follows ("nul.txt" is NUL too).
bool IsDeviceName(const AnsiString& name) {
    AnsiString stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    stem = AnsiUpperCase(stem);
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : devices)
        if (stem == device) return true;
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' &&
           stem[3] <= '9';
}

// A name the target folder can hold as a file of that very name. folder ends in a separator.
bool IsSafeFileName(const AnsiString& name, const AnsiString& folder) {
    if (name.empty() || name.find_first_not_of('.') == AnsiString::npos) return false;
    // Room for the staged and backup names beside the file.
    if (name.size() > 245 || folder.size() + name.size() + 10 >= MAX_PATH) return false;
    if (IsDeviceName(name)) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (IsDBCSLeadByte(c)) {
            if (++i == name.size()) return false; // a lead byte without its second byte
            continue;
        }
        if (c < 0x20 || std::strchr(":*?\"<>|", c)) return false;
    }
    return true;
}

// Packages of the application unpack to far less: more is a damaged or hostile archive.
constexpr uint64_t MaxUnpackedTotal = uint64_t(1) << 30;
// Entries are inflated and written in pieces of this size, never held whole.
constexpr size_t PieceSize = 64 * 1024;

struct TEntry {
    AnsiString Name;     // as stored, for messages
    AnsiString FileName; // the name alone, written into the target folder
    uint16_t Method = 0;
    uint32_t Crc = 0;
    uint32_t Packed = 0;
    uint32_t Unpacked = 0;
    size_t LocalOffset = 0;
    size_t DataOffset = 0;
};

class TInflater {
public:
    explicit TInflater(const AnsiString& entry) {
        int rc = inflateInit2(&zs_, -MAX_WBITS);
        if (rc == Z_MEM_ERROR) throw EOutOfMemory("Out of memory");
        if (rc != Z_OK) FailEntry(entry, "cannot be inflated");
    }
    ~TInflater() { inflateEnd(&zs_); }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;
    z_stream* operator->() { return &zs_; }
    z_stream* Get() { return &zs_; }

private:
    z_stream zs_{};
};

// Unpacks the entry piece by piece into sink (null only checks it). The output stops one piece
// past the stated size, so a stream that says little and inflates to much is caught early.
void Extract(const uint8_t* base, const TEntry& e, const std::function<void(const uint8_t*, size_t)>& sink) {
    uLong crc = crc32(0L, Z_NULL, 0);
    uint64_t produced = 0;
    auto take = [&](const uint8_t* p, size_t n) {
        produced += n;
        if (produced > e.Unpacked) FailEntry(e.Name, "is corrupt (size mismatch)");
        crc = crc32(crc, p, static_cast<uInt>(n));
        if (sink) sink(p, n);
    };
    const uint8_t* src = base + e.DataOffset;
    if (e.Method == 0) {
        if (e.Packed != e.Unpacked) FailEntry(e.Name, "is corrupt (size mismatch)");
        for (size_t at = 0; at < e.Packed; at += PieceSize)
            take(src + at, std::min<size_t>(PieceSize, e.Packed - at));
    } else {
        std::vector<uint8_t> piece(PieceSize);
        TInflater zs(e.Name);
        zs->next_in = const_cast<Bytef*>(src);
        zs->avail_in = e.Packed;
        for (;;) {
            zs->next_out = piece.data();
            zs->avail_out = static_cast<uInt>(piece.size());
            int rc = inflate(zs.Get(), Z_NO_FLUSH);
            size_t have = piece.size() - zs->avail_out;
            if (have) take(piece.data(), have);
            if (rc == Z_STREAM_END) break;
            if (rc == Z_OK) continue;
            if (rc == Z_MEM_ERROR) throw EOutOfMemory("Out of memory");
            if (rc == Z_BUF_ERROR && zs->avail_in == 0) FailEntry(e.Name, "is truncated");
            FailEntry(e.Name, "is corrupt (bad compressed data)");
        }
    }
    if (produced != e.Unpacked) FailEntry(e.Name, "is corrupt (size mismatch)");
    if (crc != e.Crc) FailEntry(e.Name, "is corrupt (CRC mismatch)");
}

// Bytes free to this user on the volume that holds folder (or its nearest existing parent, or
// the current folder for a relative path); unknown gives no limit.
uint64_t FreeSpaceFor(const AnsiString& folder) {
    AnsiString path = ExcludeTrailingPathDelimiter(folder);
    while (!path.empty() && !DirectoryExists(path)) {
        AnsiString parent = ExtractFileDir(path);
        if (parent == path) break;
        path = parent;
    }
    ULARGE_INTEGER available{};
    const AnsiString root = path.empty() ? AnsiString() : IncludeTrailingPathDelimiter(path);
    if (!GetDiskFreeSpaceExA(root.empty() ? nullptr : root.c_str(), &available, nullptr, nullptr))
        return UINT64_MAX;
    return available.QuadPart;
}

void WriteEntry(const uint8_t* base, const TEntry& e, const AnsiString& path) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const AnsiString error = "Cannot write \"" + path + "\" from ZIP entry \"" + e.FileName + "\"";
    if (file == INVALID_HANDLE_VALUE) Fail(error);
    try {
        Extract(base, e, [&](const uint8_t* p, size_t n) {
            DWORD written = 0;
            if (!WriteFile(file, p, static_cast<DWORD>(n), &written, nullptr) || written != n) Fail(error);
        });
        // On the disk before it is renamed in: a power cut must not leave an empty target.
        if (!FlushFileBuffers(file)) Fail(error);
    } catch (...) {
        CloseHandle(file);
        throw;
    }
    if (!CloseHandle(file)) Fail(error);
}

[[noreturn]] void FailReplace(const AnsiString& target) {
    Fail("Cannot replace \"" + target + "\" (error " + std::to_string(GetLastError()) + ")");
}

// Writes every entry to its staged file, then replaces the targets one by one. A replace that
// fails puts back every target replaced before it; staged files and backups never stay. With a
// journal, it is written before the first staged file and removed once every target is replaced
// (or put back); the backups go after it.
void InstallStaged(const uint8_t* base, const std::vector<TEntry>& entries, const AnsiString& folder,
                   TInstallJournal* journal) {
    // A later entry of the same name wins, as it would when overwriting in place.
    std::map<AnsiString, size_t> byTarget;
    std::vector<const TEntry*> order;
    for (const TEntry& e : entries) {
        auto [it, added] = byTarget.emplace(AnsiUpperCase(e.FileName), order.size());
        if (added)
            order.push_back(&e);
        else
            order[it->second] = &e;
    }
    struct TStep {
        AnsiString Target, Staged, Backup;
        bool Written = false, BackedUp = false, Replaced = false;
    };
    std::vector<TStep> steps;
    std::vector<AnsiString> targets;
    for (const TEntry* e : order) {
        steps.push_back(
            {folder + e->FileName, folder + e->FileName + StagedSuffix, folder + e->FileName + BackupSuffix});
        targets.push_back(steps.back().Target);
    }
    if (journal) {
        journal->Write(targets);
        InstallInstant("journal written");
    }
    auto putBack = [&] {
        bool whole = true;
        for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
            // Keep what cannot go back.
            if ((it->Replaced && !DeleteFileA(it->Target.c_str())) ||
                (it->BackedUp && !MoveInstallFile(it->Backup, it->Target, true)))
                whole = false;
        }
        for (const TStep& step : steps)
            if (step.Written) DeleteFileA(step.Staged.c_str());
        // A backup that could not go back keeps the journal: the next start tries again.
        if (journal && whole) journal->Remove();
    };
    try {
        for (size_t i = 0; i < steps.size(); ++i) {
            steps[i].Written = true;
            WriteEntry(base, *order[i], steps[i].Staged);
            InstallInstant("entry staged");
        }
        for (TStep& step : steps) {
            if (GetFileAttributesA(step.Target.c_str()) != INVALID_FILE_ATTRIBUTES) {
                DeleteInstallFile(step.Backup);
                if (!MoveInstallFile(step.Target, step.Backup)) FailReplace(step.Target);
                step.BackedUp = true;
                InstallInstant("moved aside");
            }
            if (!MoveInstallFile(step.Staged, step.Target)) FailReplace(step.Target);
            step.Written = false;
            step.Replaced = true;
            InstallInstant("moved in");
        }
        // Until the journal goes, the next start would put the old files back.
        if (journal) {
            if (!journal->Remove())
                Fail("Cannot remove the install journal (error " + std::to_string(GetLastError()) + ")");
            InstallInstant("journal removed");
        }
    } catch (...) {
        putBack();
        throw;
    }
    // A backup that cannot go (the running launcher's own file) is removed at the next start.
    for (const TStep& step : steps)
        if (step.BackedUp) {
            DeleteInstallFile(step.Backup);
            InstallInstant("backup deleted");
        }
}

// Reads the central directory and checks every entry, its name and its sizes; nothing is
// unpacked yet.
std::vector<TEntry> ReadDirectory(const uint8_t* base, size_t size, const AnsiString& archive,
                                  const AnsiString& folder) {
    // The end record sits in the last 22 bytes plus at most a 65535-byte comment.
    if (size < EndOfCentralSize) Fail(archive + " is not a ZIP archive or is truncated");
    size_t eocd = AnsiString::npos;
    size_t lowest = size > EndOfCentralSize + 0xFFFF ? size - EndOfCentralSize - 0xFFFF : 0;
    for (size_t at = size - EndOfCentralSize + 1; at-- > lowest;) {
        if (Get32(base + at) == EndOfCentralSig && at + EndOfCentralSize + Get16(base + at + 20) <= size) {
            eocd = at;
            break;
        }
    }
    if (eocd == AnsiString::npos) Fail(archive + " is not a ZIP archive or is truncated");
    const uint8_t* end = base + eocd;
    if ((eocd >= 20 && Get32(base + eocd - 20) == Zip64LocatorSig) || Get16(end + 10) == 0xFFFF ||
        Get32(end + 12) == 0xFFFFFFFF || Get32(end + 16) == 0xFFFFFFFF)
        Fail(archive + " uses ZIP64, which is not supported");
    if (Get16(end + 4) != 0 || Get16(end + 6) != 0 || Get16(end + 8) != Get16(end + 10))
        Fail(archive + " spans several disks, which is not supported");
    const size_t count = Get16(end + 10);
    const size_t dirSize = Get32(end + 12);
    const size_t dirOffset = Get32(end + 16);
    if (dirOffset > eocd || dirSize > eocd - dirOffset) Fail(archive + " is truncated or corrupt");

    std::vector<TEntry> entries;
    uint64_t total = 0;
    size_t at = dirOffset;
    for (size_t i = 0; i < count; ++i) {
        if (at + CentralHeaderSize > dirOffset + dirSize || Get32(base + at) != CentralHeaderSig)
            Fail(archive + " has a corrupt central directory");
        const uint8_t* h = base + at;
        const uint16_t flags = Get16(h + 8);
        const size_t nameLength = Get16(h + 28);
        const size_t extraLength = Get16(h + 30);
        const size_t commentLength = Get16(h + 32);
        if (at + CentralHeaderSize + nameLength + extraLength + commentLength > dirOffset + dirSize)
            Fail(archive + " has a corrupt central directory");
        TEntry e;
        e.Name = EntryName(h + CentralHeaderSize, nameLength, (flags & 0x0800) != 0);
        e.Method = Get16(h + 10);
        e.Crc = Get32(h + 16);
        e.Packed = Get32(h + 20);
        e.Unpacked = Get32(h + 24);
        e.LocalOffset = Get32(h + 42);
        at += CentralHeaderSize + nameLength + extraLength + commentLength;

        e.FileName = BaseName(e.Name);
        if (e.FileName.empty()) continue; // a folder
        if (flags & 0x0001) FailEntry(e.Name, "is encrypted, which is not supported");
        if (e.Packed == 0xFFFFFFFF || e.Unpacked == 0xFFFFFFFF || e.LocalOffset == 0xFFFFFFFF)
            FailEntry(e.Name, "uses ZIP64, which is not supported");
        if (e.Method != 0 && e.Method != 8)
            FailEntry(e.Name,
                      "uses compression method " + std::to_string(e.Method) + ", which is not supported");
        if (!IsSafeFileName(e.FileName, folder)) FailEntry(e.Name, "has an invalid file name");

        if (e.LocalOffset > dirOffset || dirOffset - e.LocalOffset < LocalHeaderSize ||
            Get32(base + e.LocalOffset) != LocalHeaderSig)
            FailEntry(e.Name, "is truncated or corrupt (local header)");
        const uint8_t* local = base + e.LocalOffset;
        e.DataOffset = e.LocalOffset + LocalHeaderSize + Get16(local + 26) + Get16(local + 28);
        if (e.DataOffset > dirOffset || dirOffset - e.DataOffset < e.Packed)
            FailEntry(e.Name, "is truncated");

        // Deflate expands at most about 1032 times: a larger stated size is damage.
        if (e.Method == 8 && e.Unpacked / 1032 > e.Packed + 1)
            FailEntry(e.Name, "is corrupt (size mismatch)");
        total += e.Unpacked;
        if (total > MaxUnpackedTotal)
            FailEntry(e.Name, "is too large: the archive unpacks to more than 1 GB");
        entries.push_back(std::move(e));
    }

    // Entries whose data overlap share one stream many times over: a hostile archive.
    std::vector<const TEntry*> byOffset;
    for (const TEntry& e : entries)
        byOffset.push_back(&e);
    std::sort(byOffset.begin(), byOffset.end(),
              [](const TEntry* a, const TEntry* b) { return a->LocalOffset < b->LocalOffset; });
    for (size_t i = 1; i < byOffset.size(); ++i)
        if (byOffset[i]->LocalOffset < byOffset[i - 1]->DataOffset + byOffset[i - 1]->Packed)
            FailEntry(byOffset[i]->Name, "overlaps another entry");

    if (total > FreeSpaceFor(folder))
        Fail(archive + " unpacks to " + std::to_string(total) + " bytes, more than the space left for \"" +
             folder + "\"");
    return entries;
}

} // namespace

bool UnzipAll(const AnsiString& archiveName, const AnsiString& targetFolder, TInstallJournal* journal) {
    const AnsiString archive = "ZIP archive \"" + archiveName + "\"";
    // Separators are found by characters: a folder may end in a double-byte character whose
    // second byte is 0x5C.
    AnsiString folder = targetFolder;
    if (folder.empty() || folder.back() != '/') folder = IncludeTrailingPathDelimiter(folder);
    try {
        TMappedArchive zip(archiveName);
        const std::vector<TEntry> entries = ReadDirectory(zip.Data(), zip.Size(), archive, folder);
        // Entries are checked as they are unpacked into their staged files; no target is
        // replaced before every one has passed.
        const bool existed =
            targetFolder.empty() || DirectoryExists(ExcludeTrailingPathDelimiter(targetFolder));
        if (!targetFolder.empty() && !ForceDirectories(targetFolder))
            Fail("Cannot create folder \"" + targetFolder + "\"");
        try {
            InstallStaged(zip.Data(), entries, folder, journal);
        } catch (...) {
            if (!existed) RemoveDirectoryA(ExcludeTrailingPathDelimiter(targetFolder).c_str());
            throw;
        }
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(archive + " is too large to be unpacked");
    } catch (const std::length_error&) {
        throw EOutOfMemory(archive + " is too large to be unpacked");
    }
    return true;
}
