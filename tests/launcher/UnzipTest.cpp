#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>
#include <set>
#include <vector>

#include "launcher/LauncherTestSupport.h"
#include "launcher/Utils.h"
#include "platform/core/Exceptions.h"

using namespace launcher_test;

// Heap use of this test program, counted so that tests can bound what one call holds at most.
// An allocation larger than FailAbove runs out of memory on purpose.
namespace heap {
std::atomic<size_t> Live{0};
std::atomic<size_t> Peak{0};
std::atomic<size_t> FailAbove{SIZE_MAX};
constexpr size_t Header = 16;

void* Allocate(size_t n) {
    if (n > FailAbove) throw std::bad_alloc();
    auto* block = static_cast<char*>(std::malloc(n + Header));
    if (!block) throw std::bad_alloc();
    *reinterpret_cast<size_t*>(block) = n;
    size_t live = Live += n;
    for (size_t peak = Peak; live > peak && !Peak.compare_exchange_weak(peak, live);) {
    }
    return block + Header;
}

void Free(void* p) noexcept {
    if (!p) return;
    char* block = static_cast<char*>(p) - Header;
    Live -= *reinterpret_cast<size_t*>(block);
    std::free(block);
}

// The most the heap grew above its level at the start while f ran.
template <class F> size_t PeakGrowthOf(F f) {
    size_t start = Live;
    Peak = start;
    f();
    return Peak - start;
}
} // namespace heap

void* operator new(size_t n) {
    return heap::Allocate(n);
}
void* operator new[](size_t n) {
    return heap::Allocate(n);
}
void operator delete(void* p) noexcept {
    heap::Free(p);
}
void operator delete[](void* p) noexcept {
    heap::Free(p);
}
void operator delete(void* p, size_t) noexcept {
    heap::Free(p);
}
void operator delete[](void* p, size_t) noexcept {
    heap::Free(p);
}

namespace {

// A small ZIP writer, so each test states exactly the archive it feeds in.
struct Entry {
    std::string Name;
    std::string Data;
    uint16_t Method = 8;
    uint16_t Flags = 0;
};

void Put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::string Deflate(const std::string& data) {
    z_stream zs{};
    deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&zs, data.size()) + 16, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

// Offsets of interesting fields of the first central header, for tests that damage them.
struct Layout {
    size_t CentralStart = 0;
    size_t EndStart = 0;
};

// Entries as the central directory states them, each pointing at a local header by offset.
struct RawEntry {
    std::string Name;
    uint32_t LocalOffset;
    uint32_t Crc;
    uint32_t Packed;
    uint32_t Unpacked;
    uint16_t Method = 8;
    uint16_t Flags = 0;
};

std::string LocalHeader(const RawEntry& e) {
    std::string out;
    Put32(out, 0x04034b50);
    Put16(out, 20);
    Put16(out, e.Flags);
    Put16(out, e.Method);
    Put32(out, 0);
    Put32(out, e.Crc);
    Put32(out, e.Packed);
    Put32(out, e.Unpacked);
    Put16(out, static_cast<uint32_t>(e.Name.size()));
    Put16(out, 0);
    return out + e.Name;
}

// body holds the local headers and data; the central directory and end record follow it.
std::string FinishZip(std::string body, const std::vector<RawEntry>& entries, Layout* layout = nullptr) {
    std::string central;
    for (const RawEntry& e : entries) {
        Put32(central, 0x02014b50);
        Put16(central, 20);
        Put16(central, 20);
        Put16(central, e.Flags);
        Put16(central, e.Method);
        Put32(central, 0);
        Put32(central, e.Crc);
        Put32(central, e.Packed);
        Put32(central, e.Unpacked);
        Put16(central, static_cast<uint32_t>(e.Name.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0);
        Put32(central, e.LocalOffset);
        central += e.Name;
    }
    if (layout) layout->CentralStart = body.size();
    const uint32_t centralOffset = static_cast<uint32_t>(body.size());
    body += central;
    if (layout) layout->EndStart = body.size();
    Put32(body, 0x06054b50);
    Put16(body, 0);
    Put16(body, 0);
    Put16(body, static_cast<uint32_t>(entries.size()));
    Put16(body, static_cast<uint32_t>(entries.size()));
    Put32(body, static_cast<uint32_t>(central.size()));
    Put32(body, centralOffset);
    Put16(body, 0);
    return body;
}

std::string BuildZip(const std::vector<Entry>& entries, Layout* layout = nullptr) {
    std::string body;
    std::vector<RawEntry> raw;
    for (const Entry& e : entries) {
        std::string packed = e.Method == 8 ? Deflate(e.Data) : e.Data;
        uint32_t crc =
            crc32(0, reinterpret_cast<const Bytef*>(e.Data.data()), static_cast<uInt>(e.Data.size()));
        raw.push_back({e.Name, static_cast<uint32_t>(body.size()), crc, static_cast<uint32_t>(packed.size()),
                       static_cast<uint32_t>(e.Data.size()), e.Method, e.Flags});
        body += LocalHeader(raw.back()) + packed;
    }
    return FinishZip(body, raw, layout);
}

// A raw deflate stream of mib MiB of zeros, made by repeating one independently compressed
// MiB, so that archives of gigabytes are made in a moment. crc receives the data's CRC.
std::string ZeroStream(uint32_t mib, uint32_t& crc) {
    const std::string zeros(1 << 20, '\0');
    z_stream zs{};
    deflateInit2(&zs, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string chunk(deflateBound(&zs, zeros.size()) + 64, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    zs.avail_in = static_cast<uInt>(zeros.size());
    zs.next_out = reinterpret_cast<Bytef*>(chunk.data());
    zs.avail_out = static_cast<uInt>(chunk.size());
    deflate(&zs, Z_FULL_FLUSH); // ends on a byte boundary and refers to nothing before it
    chunk.resize(zs.total_out);
    deflateEnd(&zs);
    const uLong chunkCrc =
        crc32(0, reinterpret_cast<const Bytef*>(zeros.data()), static_cast<uInt>(zeros.size()));
    std::string out;
    out.reserve(chunk.size() * mib + 2);
    crc = 0;
    for (uint32_t i = 0; i < mib; ++i) {
        out += chunk;
        crc = static_cast<uint32_t>(crc32_combine(crc, chunkCrc, zeros.size()));
    }
    out += std::string("\x03\x00", 2); // an empty final block
    return out;
}

// count entries that all point at the one stream of mib MiB of zeros.
std::string SharedStreamZip(uint32_t mib, int count) {
    uint32_t crc = 0;
    const std::string stream = ZeroStream(mib, crc);
    const uint32_t size = mib << 20;
    std::vector<RawEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back({std::to_string(i) + ".bin", 0, crc, static_cast<uint32_t>(stream.size()), size});
    return FinishZip(LocalHeader(entries[0]) + stream, entries);
}

// count entries of mib MiB of zeros each, each with its own copy of the stream. statedMib, when
// given, is the size the headers claim.
std::string ZeroEntriesZip(uint32_t mib, int count, uint32_t statedMib = 0) {
    uint32_t crc = 0;
    const std::string stream = ZeroStream(mib, crc);
    const uint32_t size = (statedMib ? statedMib : mib) << 20;
    std::string body;
    std::vector<RawEntry> entries;
    for (int i = 0; i < count; ++i) {
        const std::string name = std::to_string(i) + ".bin";
        entries.push_back(
            {name, static_cast<uint32_t>(body.size()), crc, static_cast<uint32_t>(stream.size()), size});
        body += LocalHeader(entries.back()) + stream;
    }
    return FinishZip(body, entries);
}

// The names in a folder, "." and ".." left out.
std::set<std::string> NamesIn(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.insert(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

void Set16(std::string& zip, size_t at, uint32_t v) {
    zip[at] = static_cast<char>(v & 0xFF);
    zip[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Set32(std::string& zip, size_t at, uint32_t v) {
    Set16(zip, at, v & 0xFFFF);
    Set16(zip, at + 2, v >> 16);
}

std::string ErrorOf(const std::string& archive, const std::string& target) {
    try {
        UnzipAll(archive, target);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

} // namespace

TEST(UnzipAll, FlattensFoldersAndReadsStoredAndDeflatedEntries) {
    TempFolder temp("unzip flat");
    std::string big(100000, 'x');
    for (size_t i = 0; i < big.size(); i += 7)
        big[i] = static_cast<char>('a' + i % 26);
    WriteFile(temp / "pkg.zip", BuildZip({{"bin/", "", 0},
                                          {"bin/deep/nested/App.dll", big, 8},
                                          {"readme.txt", "stored text", 0},
                                          {"data\\empty.dat", "", 8},
                                          {"docs/中文.txt", "中文内容", 8}}));
    std::string target = temp / "target\\sub";
    EXPECT_TRUE(UnzipAll(temp / "pkg.zip", target));
    EXPECT_EQ(big, ReadFile(target + "\\App.dll"));
    EXPECT_EQ("stored text", ReadFile(target + "\\readme.txt"));
    EXPECT_TRUE(Exists(target + "\\empty.dat"));
    EXPECT_EQ("", ReadFile(target + "\\empty.dat"));
    EXPECT_EQ("中文内容", ReadFile(target + "\\中文.txt"));
    // Stored folders are not restored.
    EXPECT_FALSE(Exists(target + "\\bin"));
    EXPECT_FALSE(Exists(target + "\\docs"));
}

TEST(UnzipAll, OverwritesExistingFiles) {
    TempFolder temp("unzip overwrite");
    WriteFile(temp / "App.dll", std::string(5000, 'o'));
    WriteFile(temp / "keep.txt", "untouched");
    WriteFile(temp / "pkg.zip", BuildZip({{"x/App.dll", "new", 8}}));
    UnzipAll(temp / "pkg.zip", temp.Path() + "\\");
    EXPECT_EQ("new", ReadFile(temp / "App.dll"));
    EXPECT_EQ("untouched", ReadFile(temp / "keep.txt"));
}

TEST(UnzipAll, ReadsAnArchiveMadeByPythonZipfile) {
    // Made at build time by a different ZIP writer than ours.
    std::string fixture = WinPath(VZ_LAUNCHER_FIXTURES) + "\\python.zip";
    TempFolder temp("unzip python");
    ASSERT_TRUE(UnzipAll(fixture, temp.Path()));
    EXPECT_EQ("deflated line\r\n", ReadFile(temp / "deflated.txt").substr(0, 15));
    EXPECT_EQ("stored", ReadFile(temp / "stored.bin"));
    EXPECT_EQ("utf-8 name", ReadFile(temp / "名称.txt"));
}

TEST(UnzipAll, DoubleByteNamesKeepTheirSecondByte) {
    // The second bytes of "僜" and "億" in code page 936 are '\\' and '|'.
    TempFolder temp("unzip dbcs");
    WriteFile(temp / "pkg.zip", BuildZip({{"dir/僜.txt", "one", 8}, {"億元.txt", "two", 0}}));
    std::string target = temp / "target";
    EXPECT_TRUE(UnzipAll(temp / "pkg.zip", target));
    EXPECT_EQ("one", ReadFile(target + "\\僜.txt"));
    EXPECT_EQ("two", ReadFile(target + "\\億元.txt"));
    EXPECT_FALSE(Exists(target + "\\.txt"));
}

TEST(UnzipAll, EntryNamesCannotEscapeTheTargetFolder) {
    TempFolder temp("unzip escape");
    std::string target = temp / "target";
    WriteFile(temp / "pkg.zip", BuildZip({{"../../evil.txt", "a", 0}, {"C:\\abs\\evil2.txt", "b", 0}}));
    UnzipAll(temp / "pkg.zip", target);
    EXPECT_EQ("a", ReadFile(target + "\\evil.txt"));
    EXPECT_EQ("b", ReadFile(target + "\\evil2.txt"));
    EXPECT_FALSE(Exists(temp / "evil.txt"));

    for (const char* name : {"..", "x/..", "C:evil.txt", "a/file:stream"}) {
        SCOPED_TRACE(name);
        WriteFile(temp / "bad.zip", BuildZip({{name, "x", 0}}));
        EXPECT_NE(std::string::npos, ErrorOf(temp / "bad.zip", target).find("has an invalid file name"));
    }
}

TEST(UnzipAll, BadArchivesRaiseAClearErrorAndWriteNothing) {
    Layout layout;
    const std::vector<Entry> good = {{"ok.txt", "fine", 8}, {"dir/App.dll", std::string(3000, 'q'), 8}};
    const std::string base = BuildZip(good, &layout);
    // Field offsets in the second central header (the App.dll entry).
    const size_t second = layout.CentralStart + 46 + 6;
    struct Case {
        const char* Name;
        std::function<std::string()> Make;
        const char* Error;
    } cases[] = {
        {"not a zip", [] { return std::string("just some text, not an archive at all"); },
         "is not a ZIP archive"},
        {"empty file", [] { return std::string(); }, "is not a ZIP archive"},
        {"cut in the middle", [&] { return base.substr(0, base.size() / 2); },
         "is not a ZIP archive or is truncated"},
        {"cut end record", [&] { return base.substr(0, base.size() - 5); },
         "is not a ZIP archive or is truncated"},
        {"encrypted",
         [&] {
             std::string z = base;
             Set16(z, second + 8, 1);
             return z;
         },
         "ZIP entry \"dir/App.dll\" is encrypted"},
        {"unknown method",
         [&] {
             std::string z = base;
             Set16(z, second + 10, 14);
             return z;
         },
         "ZIP entry \"dir/App.dll\" uses compression method 14"},
        {"zip64 sizes",
         [&] {
             std::string z = base;
             Set32(z, second + 20, 0xFFFFFFFF);
             return z;
         },
         "ZIP entry \"dir/App.dll\" uses ZIP64"},
        {"zip64 end record",
         [&] {
             std::string z = base;
             Set32(z, layout.EndStart + 16, 0xFFFFFFFF);
             return z;
         },
         "uses ZIP64"},
        {"bad crc",
         [&] {
             std::string z = base;
             Set32(z, second + 16, 0x12345678);
             return z;
         },
         "ZIP entry \"dir/App.dll\" is corrupt (CRC mismatch)"},
        {"damaged data",
         [&] {
             std::string z = base;
             size_t data = z.find("dir/App.dll") + 11;
             for (size_t i = 0; i < 8; ++i)
                 z[data + i] = static_cast<char>(0xFF);
             return z;
         },
         "ZIP entry \"dir/App.dll\" is corrupt"},
        {"size larger than data",
         [&] {
             std::string z = base;
             Set32(z, second + 20, 0x00100000);
             return z;
         },
         "ZIP entry \"dir/App.dll\" is truncated"},
        {"stated size far beyond what the data can hold",
         [&] {
             std::string z = base;
             Set32(z, second + 24, 0x7FFFFFF0);
             return z;
         },
         "ZIP entry \"dir/App.dll\" is corrupt (size mismatch)"},
        {"bad local header offset",
         [&] {
             std::string z = base;
             Set32(z, second + 42, 3);
             return z;
         },
         "ZIP entry \"dir/App.dll\" is truncated or corrupt"},
        {"central directory cut",
         [&] {
             std::string z = base;
             Set16(z, layout.EndStart + 8, 3);
             Set16(z, layout.EndStart + 10, 3);
             return z;
         },
         "has a corrupt central directory"},
    };
    TempFolder temp("unzip bad");
    std::string target = temp / "target";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteFile(temp / "bad.zip", c.Make());
        std::string error = ErrorOf(temp / "bad.zip", target);
        EXPECT_NE(std::string::npos, error.find(c.Error)) << error;
        // Nothing is written from an archive that fails anywhere.
        EXPECT_FALSE(Exists(target + "\\ok.txt"));
    }
    EXPECT_NE(std::string::npos, ErrorOf(temp / "missing.zip", target).find("Cannot open ZIP archive"));
}

TEST(UnzipAll, FoldersEndingInADoubleByteCharacterWithABackslashSecondByte) {
    // "僜" is 0x83 0x5C in code page 936: its second byte is not a separator.
    for (const char* suffix : {"", "\\"}) {
        SCOPED_TRACE(suffix);
        TempFolder temp("unzip 僜");
        WriteFile(temp / "pkg.zip", BuildZip({{"bin/c.txt", "inside", 8}, {"d.txt", "too", 0}}));
        // Existing, and not yet made (with a parent that does not exist either).
        for (const std::string& folder : {temp / "程序僜", temp / "新建僜\\子目录錦"}) {
            if (folder == temp / "程序僜") CreateDirectoryA(folder.c_str(), nullptr);
            EXPECT_TRUE(UnzipAll(temp / "pkg.zip", folder + suffix));
            EXPECT_EQ("inside", ReadFile(folder + "\\c.txt"));
            EXPECT_EQ("too", ReadFile(folder + "\\d.txt"));
            EXPECT_EQ((std::set<std::string>{"c.txt", "d.txt"}), NamesIn(folder));
        }
        EXPECT_EQ((std::set<std::string>{"pkg.zip", "程序僜", "新建僜"}), NamesIn(temp.Path()));
        EXPECT_EQ((std::set<std::string>{"子目录錦"}), NamesIn(temp / "新建僜"));
    }
}

TEST(UnzipAll, NamesWindowsCannotHoldAsFilesAreRefusedBeforeAnythingIsWritten) {
    TempFolder temp("unzip names");
    const std::string target = temp / "target";
    CreateDirectoryA(target.c_str(), nullptr);
    WriteFile(target + "\\keep.txt", "kept");
    const std::string tooLong = std::string(MAX_PATH - target.size() - 5, 'n') + ".txt";
    for (const std::string& name :
         {std::string("NUL"), std::string("nul.txt"), std::string("dir/CON"), std::string("com1.log"),
          std::string("Lpt9"), std::string("aux .dat"), std::string("conout$"), std::string("..."),
          std::string("x/...."), std::string(256, 'a'), tooLong}) {
        SCOPED_TRACE(name);
        WriteFile(temp / "bad.zip", BuildZip({{"good.txt", "fine", 8}, {name, "lost", 0}}));
        EXPECT_NE(std::string::npos, ErrorOf(temp / "bad.zip", target).find("has an invalid file name"));
        EXPECT_EQ((std::set<std::string>{"keep.txt"}), NamesIn(target));
    }
    // Names that only look alike are files.
    WriteFile(temp / "ok.zip", BuildZip({{"console.txt", "1", 8}, {"com10", "2", 0}, {"nul_x", "3", 0}}));
    EXPECT_TRUE(UnzipAll(temp / "ok.zip", target));
    EXPECT_EQ((std::set<std::string>{"keep.txt", "console.txt", "com10", "nul_x"}), NamesIn(target));
}

TEST(UnzipAll, BombsRaiseThePlatformErrorWithTheHeapBounded) {
    TempFolder temp("unzip bombs");
    const std::string target = temp / "target";
    struct Case {
        const char* Name;
        std::function<std::string()> Make;
        const char* Error;
    } cases[] = {
        {"entries sharing one 700 MiB stream", [] { return SharedStreamZip(700, 10); }, "is too large"},
        {"one entry of 3814 MiB", [] { return ZeroEntriesZip(3814, 1); }, "is too large"},
        {"14 entries of 700 MiB", [] { return ZeroEntriesZip(700, 14); }, "is too large"},
        {"two entries sharing one small stream", [] { return SharedStreamZip(1, 2); },
         "overlaps another entry"},
        {"a stream far longer than stated", [] { return ZeroEntriesZip(100, 1, 1); },
         "is corrupt (size mismatch)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteFile(temp / "bomb.zip", c.Make());
        std::string error;
        // The extraction holds at most a piece buffer and its entry table, never the data.
        EXPECT_LT(heap::PeakGrowthOf([&] { error = ErrorOf(temp / "bomb.zip", target); }), 256u * 1024);
        EXPECT_NE(std::string::npos, error.find(c.Error)) << error;
        EXPECT_FALSE(Exists(target));
    }
}

TEST(UnzipAll, LargeEntriesAreWrittenInPieces) {
    TempFolder temp("unzip large");
    WriteFile(temp / "big.zip", ZeroEntriesZip(64, 2));
    const std::string target = temp / "target";
    EXPECT_LT(heap::PeakGrowthOf([&] { EXPECT_TRUE(UnzipAll(temp / "big.zip", target)); }), 256u * 1024);
    for (const char* name : {"\\0.bin", "\\1.bin"}) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ASSERT_TRUE(GetFileAttributesExA((target + name).c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(64u << 20, data.nFileSizeLow);
    }
}

TEST(UnzipAll, RunningOutOfMemoryIsThePlatformsError) {
    TempFolder temp("unzip memory");
    WriteFile(temp / "pkg.zip", BuildZip({{"a.txt", std::string(200000, 'a'), 8}}));
    heap::FailAbove = 16 * 1024;
    try {
        UnzipAll(temp / "pkg.zip", temp / "target");
        ADD_FAILURE() << "no error";
    } catch (const EOutOfMemory& e) {
        EXPECT_NE(std::string::npos, e.Message().find("is too large to be unpacked")) << e.Message();
    } catch (...) {
        ADD_FAILURE() << "not the platform's exception";
    }
    heap::FailAbove = SIZE_MAX;
    EXPECT_FALSE(Exists(temp / "target"));
}
