#include <gtest/gtest.h>

#include <memory>

#include "platform/core/Classes.h"

namespace {
class TempFile {
public:
    explicit TempFile(const char* name) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        path = IncludeTrailingPathDelimiter(temp) + IntToStr(GetCurrentProcessId()) + "_" + name;
        TFileStream create(path, fmCreate);
        create.WriteBuffer("0123456789", 10);
    }
    ~TempFile() { DeleteFileA(path.c_str()); }
    AnsiString path;
};

const char* ModeName(unsigned mode) {
    static AnsiString text;
    text = Format("access %d share %x", {mode & 3, mode & 0xF0});
    return text.c_str();
}
} // namespace

TEST(CoreFileStream, SecondOpenIsDeniedOrAllowedByShareMode) {
    const struct {
        unsigned first, second;
        bool allowed;
    } cases[] = {
        {fmOpenRead | fmShareCompat, fmOpenRead | fmShareDenyNone, false},
        {fmOpenRead | fmShareExclusive, fmOpenRead | fmShareDenyNone, false},
        {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyNone, true},
        {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyWrite, true},
        {fmOpenRead | fmShareDenyWrite, fmOpenWrite | fmShareDenyNone, false},
        {fmOpenRead | fmShareDenyNone, fmOpenReadWrite | fmShareDenyNone, true},
        {fmOpenReadWrite | fmShareDenyNone, fmOpenRead | fmShareDenyWrite, false}, // first already writes
        {fmOpenReadWrite | fmShareDenyRead, fmOpenRead | fmShareDenyNone, false},
        {fmOpenReadWrite | fmShareDenyRead, fmOpenWrite | fmShareDenyNone, true},
        {fmOpenRead | fmShareDenyNone, fmCreate, false},
        {fmOpenRead | fmShareDenyNone, fmOpenRead | fmShareCompat, false},
    };
    for (const auto& c : cases) {
        TempFile file("share.bin");
        TFileStream first(file.path, c.first);
        bool allowed = true;
        try {
            TFileStream second(file.path, c.second);
        } catch (const EStreamError&) {
            allowed = false;
        }
        EXPECT_EQ(c.allowed, allowed) << ModeName(c.first) << " then " << ModeName(c.second);
    }
}

TEST(CoreFileStream, OpenErrorsNameTheFileAndTheSystemReason) {
    TempFile file("locked.bin");
    AnsiString missing = file.path + ".missing";
    try {
        TFileStream s(missing, fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ("Cannot open file \"" + missing + "\". " + SysErrorMessage(ERROR_FILE_NOT_FOUND),
                  e.Message());
    }
    TFileStream holder(file.path, fmOpenRead | fmShareExclusive);
    try {
        TFileStream s(file.path, fmCreate);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ("Cannot create file \"" + file.path + "\". " + SysErrorMessage(ERROR_SHARING_VIOLATION),
                  e.Message());
    }
}

TEST(CoreFileStream, ReadsWritesSeeksAndResizes) {
    TempFile file("rw.bin");
    TFileStream s(file.path, fmOpenReadWrite | fmShareDenyNone);
    EXPECT_EQ(10, s.Size());
    char buf[4] = {};
    s.SetPosition(2);
    s.ReadBuffer(buf, 3);
    EXPECT_EQ("234", AnsiString(buf, 3));
    EXPECT_EQ(8, s.Seek(-2, soFromEnd));
    EXPECT_EQ(2, s.Read(buf, 4)); // short read at the end
    EXPECT_THROW(s.ReadBuffer(buf, 1), EReadError);
    s.WriteBuffer("ab", 2);
    EXPECT_EQ(12, s.Size());
    s.SetSize(5);
    EXPECT_EQ(5, s.Size());
    EXPECT_EQ(5, s.Position());

    TFileStream readOnly(file.path, fmOpenRead | fmShareDenyNone);
    try {
        readOnly.WriteBuffer("x", 1);
        FAIL();
    } catch (const EWriteError& e) {
        EXPECT_EQ("Stream write error", e.Message());
    }
}

TEST(CoreMemoryStream, GrowsSeeksAndCopies) {
    TMemoryStream m;
    EXPECT_EQ(0, m.Size());
    m.WriteBuffer("hello", 5);
    EXPECT_EQ(5, m.Position());
    m.SetPosition(8); // past the end: the gap is zero-filled by the next write
    m.WriteBuffer("!", 1);
    EXPECT_EQ(9, m.Size());
    EXPECT_EQ(AnsiString("hello\0\0\0!", 9), AnsiString(static_cast<char*>(m.Memory()), 9));
    char c;
    EXPECT_EQ(0, m.Read(&c, 1));
    try {
        m.ReadBuffer(&c, 1);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ("Stream read error", e.Message());
    }
    EXPECT_EQ(9, m.Seek(-100, soFromCurrent)); // before the start: stays

    TStringStream source("abcdef");
    source.SetPosition(4);
    TMemoryStream copy;
    EXPECT_EQ(6, copy.CopyFrom(&source, 0)); // 0: the whole source from its start
    EXPECT_EQ(AnsiString("abcdef"), AnsiString(static_cast<char*>(copy.Memory()), 6));
    source.SetPosition(1);
    TStringStream part;
    part.CopyFrom(&source, 2);
    EXPECT_EQ("bc", part.DataString());
    EXPECT_THROW(part.CopyFrom(&source, 10), EReadError);

    copy.SetSize(3);
    EXPECT_EQ(3, copy.Size());
    copy.Clear();
    EXPECT_EQ(0, copy.Size());
    EXPECT_EQ(0, copy.Position());
}

TEST(CoreMemoryStream, FileRoundTrip) {
    TempFile file("mem.bin");
    TMemoryStream m;
    m.LoadFromFile(file.path);
    EXPECT_EQ(10, m.Size());
    EXPECT_EQ(0, m.Position());
    m.SetPosition(10);
    m.WriteBuffer("AB", 2);
    m.SaveToFile(file.path);
    TMemoryStream again;
    again.LoadFromFile(file.path);
    EXPECT_EQ(AnsiString("0123456789AB"), AnsiString(static_cast<char*>(again.Memory()), 12));
    EXPECT_THROW(TResourceStream(GetModuleHandleA(nullptr), "NO_SUCH_RESOURCE", MAKEINTRESOURCEA(10)),
                 EResNotFound);
}
