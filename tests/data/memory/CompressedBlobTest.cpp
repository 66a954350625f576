#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "data/memory/CompressedBlob.h"
#include "data/memory/MemUtils.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Sample(size_t size, bool repetitive, unsigned seed = 5) {
    std::mt19937 rng(seed);
    Bytes b(size);
    for (size_t i = 0; i < size; ++i)
        b[i] = repetitive ? static_cast<uint8_t>("abcabd"[i % 6]) : static_cast<uint8_t>(rng());
    return b;
}

Bytes Deflate(const Bytes& value) {
    Bytes out(value.size() + 100);
    uint32_t length = static_cast<uint32_t>(out.size());
    ZCompressBlock(out.data(), length, value.data(), static_cast<uint32_t>(value.size()));
    out.resize(length);
    return out;
}

// The stored form: signature, the claimed size, the stream.
Bytes Stored(uint32_t claimedSize, const Bytes& stream) {
    Bytes out(CompressedBlobSignature, CompressedBlobSignature + 16);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(claimedSize >> (8 * i)));
    out.insert(out.end(), stream.begin(), stream.end());
    return out;
}

struct Blob {
    // The stored bytes arrive the way a provider fetches them: appended piece by piece.
    explicit Blob(const Bytes& stored) : blob(new TCompressedBlob) {
        if (stored.empty()) return;
        PPieceHeader piece;
        blob->AllocPiece(piece, static_cast<int>(stored.size()));
        std::memcpy(PieceData(piece), stored.data(), stored.size());
        piece->UsedBytes = static_cast<int>(stored.size());
        blob->AppendPiece(piece);
    }
    ~Blob() { blob->Release(); }
    TCompressedBlobData* data() const { return blob->CompressedData(); }
    Bytes ReadWhole() {
        Bytes out(static_cast<size_t>(blob->GetSize()));
        out.resize(static_cast<size_t>(blob->Read(0, 0, out.data())));
        return out;
    }
    Bytes StoredBytes() {
        Bytes out;
        for (PPieceHeader p = blob->GetFirstPiece(); p; p = p->NextPiece)
            out.insert(out.end(), PieceData(p), PieceData(p) + p->UsedBytes);
        return out;
    }
    TCompressedBlob* blob;
};

void ExpectError(const std::function<void()>& action, const char* message) {
    try {
        action();
        ADD_FAILURE() << "no error, expected " << message;
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), message);
    }
}

} // namespace

TEST(CompressedBlobTest, WholeReadsExpandIntoTheBufferAndKeepTheStoredForm) {
    const Bytes value = Sample(5000, true);
    const Bytes stored = Stored(5000, Deflate(value));
    Blob b(stored);
    EXPECT_TRUE(b.data()->IsCompressed());
    EXPECT_EQ(b.blob->GetSize(), 5000);
    EXPECT_EQ(b.ReadWhole(), value);
    Bytes exact(5000);
    EXPECT_EQ(b.blob->Read(0, 5000, exact.data()), 5000);
    EXPECT_EQ(exact, value);
    EXPECT_EQ(b.StoredBytes(), stored);
}

TEST(CompressedBlobTest, PartialReadsExpandInPlace) {
    const Bytes value = Sample(5000, true);
    Blob b(Stored(5000, Deflate(value)));
    uint8_t part[10];
    EXPECT_EQ(b.blob->Read(100, 10, part), 10);
    EXPECT_EQ(0, std::memcmp(part, value.data() + 100, 10));
    EXPECT_FALSE(b.data()->IsCompressed());
    EXPECT_EQ(b.StoredBytes(), value);
}

// Damaged stored forms raise and keep their pieces; whole and partial reads alike.
TEST(CompressedBlobTest, DamagedStoredForms) {
    const Bytes value = Sample(5000, true);
    Bytes corrupt = Stored(5000, Deflate(value));
    for (size_t i = 30; i < corrupt.size(); i += 7)
        corrupt[i] ^= 0x5A;
    const Bytes shortStream = Stored(5000, Deflate(Sample(4000, true))); // inflates short
    const Bytes longStream = Stored(3000, Deflate(value));               // inflates past its size
    const Bytes truncated = [&] {
        Bytes s = Stored(5000, Deflate(value));
        s.resize(s.size() - 10);
        return s;
    }();
    struct Case {
        const char* name;
        Bytes stored;
        const char* message;
    } cases[] = {
        {"corrupt", corrupt, "Invalid compressed blob data"},
        {"short", shortStream, "Invalid compressed blob data"},
        {"long", longStream, "Invalid compressed blob data"},
        {"truncated", truncated, "Invalid compressed blob data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Blob b(c.stored);
        ASSERT_TRUE(b.data()->IsCompressed());
        Bytes buffer(static_cast<size_t>(b.blob->GetSize()) + 16);
        ExpectError([&] { b.blob->Read(0, 0, buffer.data()); }, c.message);
        ExpectError([&] { b.blob->Read(10, 5, buffer.data()); }, c.message);
        ExpectError([&] { b.data()->SetCompressed(false); }, c.message);
        EXPECT_EQ(b.StoredBytes(), c.stored);
        EXPECT_TRUE(b.data()->IsCompressed());
    }
}

// A value that begins with the signature is a stored form whatever size it states; a damaged
// one is refused when read, before its stated size is allocated, and never served as the data.
TEST(CompressedBlobTest, DamagedHeadersAreRefusedNotServed) {
    const Bytes stream = Deflate(Sample(100, true));
    const uint32_t sizes[] = {0, 0xFFFFFFFFu, 0x7FFFFFFFu, static_cast<uint32_t>(stream.size() * 2000)};
    for (uint32_t size : sizes) {
        SCOPED_TRACE(size);
        const Bytes v = Stored(size, stream);
        Blob b(v);
        EXPECT_TRUE(b.data()->IsCompressed());
        EXPECT_EQ(b.blob->GetSize(), static_cast<int64_t>(size));
        Bytes out(256);
        ExpectError([&] { b.blob->Read(0, 0, out.data()); }, "Invalid compressed blob data");
        ExpectError([&] { b.blob->Read(1, 5, out.data()); }, "Invalid compressed blob data");
        ExpectError([&] { b.data()->SetCompressed(false); }, "Invalid compressed blob data");
        EXPECT_EQ(b.StoredBytes(), v);
    }
    // Up to the header's size nothing is a stored form.
    const Bytes plain[] = {
        Bytes(CompressedBlobSignature, CompressedBlobSignature + 16),
        Stored(5, {}),
    };
    for (const Bytes& v : plain) {
        Blob b(v);
        EXPECT_FALSE(b.data()->IsCompressed()) << v.size();
        EXPECT_EQ(b.ReadWhole(), v);
    }
    // One byte more than the header is a stored form; its stream is no stream.
    Blob tiny(Stored(5, {0x78}));
    EXPECT_TRUE(tiny.data()->IsCompressed());
    Bytes out(5);
    ExpectError([&] { tiny.blob->Read(0, 0, out.data()); }, "Invalid compressed blob data");
}

TEST(CompressedBlobTest, WholeRewritesStayCompressedWhenThatPays) {
    const Bytes value = Sample(1000, true);
    {
        Blob b(Stored(1000, Deflate(value)));
        const Bytes repetitive = Sample(1000, true, 9);
        b.blob->Write(0, 1000, repetitive.data());
        EXPECT_TRUE(b.data()->IsCompressed());
        EXPECT_EQ(b.ReadWhole(), repetitive);
    }
    {
        Blob b(Stored(1000, Deflate(value)));
        const Bytes random = Sample(1000, false);
        b.blob->Write(0, 1000, random.data());
        EXPECT_FALSE(b.data()->IsCompressed());
        EXPECT_EQ(b.ReadWhole(), random);
    }
    {
        // Any other write expands first.
        Blob b(Stored(1000, Deflate(value)));
        b.blob->Write(10, 3, "xyz");
        EXPECT_FALSE(b.data()->IsCompressed());
        Bytes expected = value;
        std::memcpy(expected.data() + 10, "xyz", 3);
        EXPECT_EQ(b.ReadWhole(), expected);
    }
}

TEST(CompressedBlobTest, SizesTruncateAndSetCompressed) {
    const Bytes value = Sample(1000, true);
    {
        Blob b(Stored(1000, Deflate(value)));
        b.blob->Truncate(10);
        EXPECT_FALSE(b.data()->IsCompressed());
        EXPECT_EQ(b.ReadWhole(), Bytes(value.begin(), value.begin() + 10));
    }
    {
        Blob b(Stored(1000, Deflate(value)));
        b.blob->SetSize(1000); // same size: the stored form stays
        EXPECT_TRUE(b.data()->IsCompressed());
        b.blob->SetSize(1200); // growing expands first, then appends zeros
        Bytes expected = value;
        expected.resize(1200, 0);
        EXPECT_EQ(b.ReadWhole(), expected);
        b.blob->SetSize(0);
        EXPECT_TRUE(b.blob->IsEmpty());
    }
    {
        Blob b({});
        EXPECT_FALSE(b.data()->SetCompressed(true));
        const Bytes fifty = Sample(50, true);
        b.blob->Write(0, 50, fifty.data());
        EXPECT_TRUE(b.data()->SetCompressed(true));
        EXPECT_FALSE(b.data()->IsCompressed());
        b.blob->Write(50, 950, value.data() + 50);
        EXPECT_TRUE(b.data()->SetCompressed(true));
        EXPECT_TRUE(b.data()->IsCompressed());
        EXPECT_FALSE(b.data()->SetCompressed(true));
        EXPECT_LT(b.StoredBytes().size(), 1000u);
        Bytes expected(fifty);
        expected.insert(expected.end(), value.begin() + 50, value.end());
        EXPECT_TRUE(b.data()->SetCompressed(false));
        EXPECT_EQ(b.ReadWhole(), expected);
    }
}

TEST(CompressedBlobTest, CachedModeKeepsTheStoredFormAsOldValue) {
    const Bytes value = Sample(2000, true);
    const Bytes stored = Stored(2000, Deflate(value));
    Blob b(stored);
    b.blob->EnableRollback();
    b.blob->Write(0, 3, "new");
    b.blob->SetShowOldData(true);
    EXPECT_EQ(b.ReadWhole(), value);
    b.blob->SetShowOldData(false);
    b.blob->Cancel();
    EXPECT_TRUE(b.data()->IsCompressed());
    EXPECT_EQ(b.ReadWhole(), value);
}

TEST(CompressedBlobTest, LineEndsExpandTheStoredFormFirst) {
    AnsiString text;
    for (int i = 0; i < 200; ++i)
        text += "line\n";
    const Bytes value(text.begin(), text.end());
    Blob b(Stored(static_cast<uint32_t>(value.size()), Deflate(value)));
    b.blob->ExpandLineEnds();
    AnsiString expected;
    for (int i = 0; i < 200; ++i)
        expected += "line\r\n";
    EXPECT_EQ(b.blob->ReadAsAnsi(), expected);
}
