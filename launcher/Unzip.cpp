// ZIP extraction over zlib: stored and deflated entries of the published format, no ZIP64, no
// encryption. Every entry is read and checked before any file is written, so a damaged archive
// leaves the target folder as it was.
#include <cstring>
#include <zlib.h>

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

std::vector<uint8_t> ReadWholeFile(const AnsiString& fileName) {
    HANDLE file = CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail("Cannot open ZIP archive \"" + fileName + "\"");
    std::vector<uint8_t> data;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < 0x7FFFFFFF;
    if (ok) {
        data.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = data.empty() || (ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &read, nullptr) &&
                              read == data.size());
    }
    CloseHandle(file);
    if (!ok) Fail("Cannot read ZIP archive \"" + fileName + "\"");
    return data;
}

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

bool IsSafeFileName(const AnsiString& name) {
    if (name.empty() || name == "." || name == "..") return false;
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

std::vector<uint8_t> Inflate(const AnsiString& entry, const uint8_t* src, size_t srcLength,
                             size_t outLength) {
    std::vector<uint8_t> out(outLength);
    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) FailEntry(entry, "cannot be inflated");
    zs.next_in = const_cast<Bytef*>(src);
    zs.avail_in = static_cast<uInt>(srcLength);
    // One spare byte tells a longer stream apart from one of exactly the stated size.
    uint8_t spare = 0;
    zs.next_out = out.empty() ? &spare : out.data();
    zs.avail_out = out.empty() ? 1 : static_cast<uInt>(out.size());
    int rc = inflate(&zs, Z_FINISH);
    if (rc == Z_BUF_ERROR && zs.avail_out == 0 && !out.empty()) {
        zs.next_out = &spare;
        zs.avail_out = 1;
        rc = inflate(&zs, Z_FINISH);
    }
    size_t produced = out.empty() ? (zs.avail_out == 0 ? 1 : 0) : zs.total_out;
    inflateEnd(&zs);
    if (rc != Z_STREAM_END) {
        if (rc == Z_BUF_ERROR && zs.avail_in == 0) FailEntry(entry, "is truncated");
        FailEntry(entry, "is corrupt (bad compressed data)");
    }
    if (produced != outLength) FailEntry(entry, "is corrupt (size mismatch)");
    return out;
}

struct TExtracted {
    AnsiString FileName;
    std::vector<uint8_t> Data;
};

void CreateFolders(const AnsiString& folder) {
    AnsiString path = folder;
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    if (path.empty()) return;
    DWORD attr = GetFileAttributesA(path.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES) {
        if (attr & FILE_ATTRIBUTE_DIRECTORY) return;
        Fail("Cannot create folder \"" + path + "\"");
    }
    size_t slash = path.find_last_of("\\/");
    if (slash != AnsiString::npos && slash > 0 && path[slash - 1] != ':')
        CreateFolders(path.substr(0, slash));
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        Fail("Cannot create folder \"" + path + "\"");
}

void WriteWholeFile(const AnsiString& path, const AnsiString& entry, const std::vector<uint8_t>& data) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail("Cannot write \"" + path + "\" from ZIP entry \"" + entry + "\"");
    DWORD written = 0;
    bool ok =
        data.empty() || (WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
                         written == data.size());
    CloseHandle(file);
    if (!ok) Fail("Cannot write \"" + path + "\" from ZIP entry \"" + entry + "\"");
}

} // namespace

bool UnzipAll(const AnsiString& archiveName, const AnsiString& targetFolder) {
    const std::vector<uint8_t> zip = ReadWholeFile(archiveName);
    const uint8_t* base = zip.data();
    const size_t size = zip.size();
    const AnsiString archive = "ZIP archive \"" + archiveName + "\"";

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

    std::vector<TExtracted> files;
    size_t at = dirOffset;
    for (size_t i = 0; i < count; ++i) {
        if (at + CentralHeaderSize > dirOffset + dirSize || Get32(base + at) != CentralHeaderSig)
            Fail(archive + " has a corrupt central directory");
        const uint8_t* h = base + at;
        const uint16_t flags = Get16(h + 8);
        const uint16_t method = Get16(h + 10);
        const uint32_t crc = Get32(h + 16);
        const uint32_t packed = Get32(h + 20);
        const uint32_t unpacked = Get32(h + 24);
        const size_t nameLength = Get16(h + 28);
        const size_t extraLength = Get16(h + 30);
        const size_t commentLength = Get16(h + 32);
        const uint32_t localOffset = Get32(h + 42);
        if (at + CentralHeaderSize + nameLength + extraLength + commentLength > dirOffset + dirSize)
            Fail(archive + " has a corrupt central directory");
        const AnsiString entry = EntryName(h + CentralHeaderSize, nameLength, (flags & 0x0800) != 0);
        at += CentralHeaderSize + nameLength + extraLength + commentLength;

        const AnsiString fileName = BaseName(entry);
        if (fileName.empty()) continue; // a folder
        if (flags & 0x0001) FailEntry(entry, "is encrypted, which is not supported");
        if (packed == 0xFFFFFFFF || unpacked == 0xFFFFFFFF || localOffset == 0xFFFFFFFF)
            FailEntry(entry, "uses ZIP64, which is not supported");
        if (method != 0 && method != 8)
            FailEntry(entry,
                      "uses compression method " + std::to_string(method) + ", which is not supported");
        if (!IsSafeFileName(fileName)) FailEntry(entry, "has an invalid file name");

        if (localOffset > dirOffset || dirOffset - localOffset < LocalHeaderSize ||
            Get32(base + localOffset) != LocalHeaderSig)
            FailEntry(entry, "is truncated or corrupt (local header)");
        const uint8_t* local = base + localOffset;
        const size_t dataOffset = localOffset + LocalHeaderSize + Get16(local + 26) + Get16(local + 28);
        if (dataOffset > dirOffset || dirOffset - dataOffset < packed) FailEntry(entry, "is truncated");

        // Deflate expands at most about 1032 times: a larger stated size is damage, and must not
        // be allocated ahead.
        if (method == 8 && unpacked / 1032 > packed + 1) FailEntry(entry, "is corrupt (size mismatch)");
        std::vector<uint8_t> data;
        if (method == 0) {
            if (packed != unpacked) FailEntry(entry, "is corrupt (size mismatch)");
            data.assign(base + dataOffset, base + dataOffset + packed);
        } else {
            data = Inflate(entry, base + dataOffset, packed, unpacked);
        }
        uLong actual = crc32(0L, Z_NULL, 0);
        if (!data.empty()) actual = crc32(actual, data.data(), static_cast<uInt>(data.size()));
        if (actual != crc) FailEntry(entry, "is corrupt (CRC mismatch)");
        files.push_back({fileName, std::move(data)});
    }

    CreateFolders(targetFolder);
    AnsiString folder = targetFolder;
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) folder += '\\';
    for (const TExtracted& file : files)
        WriteWholeFile(folder + file.FileName, file.FileName, file.Data);
    return true;
}
