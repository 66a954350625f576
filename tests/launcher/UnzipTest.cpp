#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <vector>

#include "launcher/LauncherTestSupport.h"
#include "launcher/Utils.h"
#include "platform/core/Exceptions.h"

using namespace launcher_test;

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

std::string BuildZip(const std::vector<Entry>& entries, Layout* layout = nullptr) {
    std::string out, central;
    for (const Entry& e : entries) {
        std::string packed = e.Method == 8 ? Deflate(e.Data) : e.Data;
        uint32_t crc =
            crc32(0, reinterpret_cast<const Bytef*>(e.Data.data()), static_cast<uInt>(e.Data.size()));
        uint32_t offset = static_cast<uint32_t>(out.size());
        Put32(out, 0x04034b50);
        Put16(out, 20);
        Put16(out, e.Flags);
        Put16(out, e.Method);
        Put32(out, 0);
        Put32(out, crc);
        Put32(out, static_cast<uint32_t>(packed.size()));
        Put32(out, static_cast<uint32_t>(e.Data.size()));
        Put16(out, static_cast<uint32_t>(e.Name.size()));
        Put16(out, 0);
        out += e.Name + packed;

        Put32(central, 0x02014b50);
        Put16(central, 20);
        Put16(central, 20);
        Put16(central, e.Flags);
        Put16(central, e.Method);
        Put32(central, 0);
        Put32(central, crc);
        Put32(central, static_cast<uint32_t>(packed.size()));
        Put32(central, static_cast<uint32_t>(e.Data.size()));
        Put16(central, static_cast<uint32_t>(e.Name.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0);
        Put32(central, offset);
        central += e.Name;
    }
    if (layout) layout->CentralStart = out.size();
    uint32_t centralOffset = static_cast<uint32_t>(out.size());
    out += central;
    if (layout) layout->EndStart = out.size();
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<uint32_t>(entries.size()));
    Put16(out, static_cast<uint32_t>(entries.size()));
    Put32(out, static_cast<uint32_t>(central.size()));
    Put32(out, centralOffset);
    Put16(out, 0);
    return out;
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
