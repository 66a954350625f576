#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>
#include <vector>

#include "data/memory/Blob.h"
#include "platform/core/Exceptions.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Releases the blob's one reference at the end of the test.
struct BlobRef {
    explicit BlobRef(TBlob* b) : blob(b) {}
    ~BlobRef() { blob->Release(); }
    TBlob* operator->() const { return blob; }
    TBlob* blob;
};

Bytes ReadAll(TBlob* blob) {
    Bytes out(static_cast<size_t>(blob->GetSize()));
    int64_t n = blob->Read(0, 0, out.data());
    out.resize(static_cast<size_t>(n));
    return out;
}

std::vector<std::pair<int, int>> Pieces(TBlob* blob) {
    std::vector<std::pair<int, int>> out;
    for (PPieceHeader p = blob->GetFirstPiece(); p; p = p->NextPiece)
        out.emplace_back(p->Capacity, p->UsedBytes);
    return out;
}

void CheckChain(TCRBlobData* data) {
    PPieceHeader prev = nullptr;
    for (PPieceHeader p = data->FFirstPiece; p; p = p->NextPiece) {
        ASSERT_EQ(p->OwnerData, data);
        ASSERT_EQ(p->PrevPiece, prev);
        ASSERT_LE(p->UsedBytes, p->Capacity);
        ASSERT_GE(p->UsedBytes, 0);
        prev = p;
    }
}

} // namespace

TEST(BlobTest, LargeWritesAndStreamsMakeFullPieces) {
    Bytes value(100000);
    for (size_t i = 0; i < value.size(); ++i)
        value[i] = static_cast<uint8_t>(i * 7);
    BlobRef blob(new TBlob);
    blob->Write(0, static_cast<int64_t>(value.size()), value.data());
    // A full piece holds 65514 bytes in the 32-bit program (64 KB less its header).
    const int full = DefaultPieceSize, rest = 100000 - DefaultPieceSize;
    EXPECT_EQ(Pieces(blob.blob), (std::vector<std::pair<int, int>>{{full, full}, {full, rest}}));
    EXPECT_EQ(blob->GetSize(), 100000);

    TMemoryStream stream;
    stream.WriteBuffer(value.data(), static_cast<int>(value.size()));
    BlobRef loaded(new TBlob);
    loaded->LoadFromStream(&stream);
    EXPECT_EQ(Pieces(loaded.blob), (std::vector<std::pair<int, int>>{{full, full}, {rest, rest}}));
    EXPECT_EQ(ReadAll(loaded.blob), value);

    TMemoryStream saved;
    saved.WriteBuffer("old content", 11);
    loaded->SaveToStream(&saved);
    ASSERT_EQ(saved.Size(), 100000);
    EXPECT_EQ(0, std::memcmp(saved.Memory(), value.data(), value.size()));

    // Past the end means at the end.
    blob->Write(500000, 3, "xyz");
    EXPECT_EQ(blob->GetSize(), 100003);
    uint8_t tail[3];
    EXPECT_EQ(blob->Read(100000, 10, tail), 3);
    EXPECT_EQ(0, std::memcmp(tail, "xyz", 3));
    EXPECT_EQ(blob->Read(100004, 1, tail), 0);

    blob->Truncate(10);
    EXPECT_EQ(blob->GetSize(), 10);
    EXPECT_EQ(Pieces(blob.blob)[1].second, 0);
    EXPECT_FALSE(blob->IsEmpty());
    blob->Truncate(0);
    EXPECT_TRUE(blob->IsEmpty());
}

// After Truncate and SetSize an inner piece has room past its used bytes; a write must overwrite
// the bytes that follow, not insert before them.
TEST(BlobTest, WriteOverwritesAfterTruncateAndGrow) {
    BlobRef blob(new TBlob);
    Bytes value(100000, 'a');
    blob->Write(0, 100000, value.data());
    blob->Truncate(10);
    blob->SetSize(20); // 10 zero bytes in a third piece
    blob->Write(10, 5, "12345");
    EXPECT_EQ(blob->GetSize(), 20);
    Bytes expected(10, 'a');
    for (char c : AnsiString("12345"))
        expected.push_back(static_cast<uint8_t>(c));
    expected.resize(20, 0);
    EXPECT_EQ(ReadAll(blob.blob), expected);
    blob->Write(18, 4, "WXYZ");
    expected.resize(18);
    for (char c : AnsiString("WXYZ"))
        expected.push_back(static_cast<uint8_t>(c));
    EXPECT_EQ(ReadAll(blob.blob), expected);
}

TEST(BlobTest, RandomOperationsMatchAByteVector) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 40; ++round) {
        BlobRef blob(new TBlob);
        blob->EnableRollback();
        blob->GetData()->PieceSize = 1 + static_cast<int>(rng() % 9);
        Bytes model;
        std::optional<Bytes> old;
        auto beforeChange = [&] {
            if (!old) old = model;
        };
        for (int step = 0; step < 200; ++step) {
            const int op = static_cast<int>(rng() % 9);
            const int64_t size = static_cast<int64_t>(model.size());
            if (op <= 2) { // write
                int64_t pos = static_cast<int64_t>(rng() % (size + 5));
                int64_t count = static_cast<int64_t>(rng() % 20);
                Bytes data(static_cast<size_t>(count));
                for (auto& b : data)
                    b = static_cast<uint8_t>(rng());
                blob->Write(pos, count, data.data());
                beforeChange(); // even an empty write takes the rollback copy
                if (count > 0) {
                    if (pos > size) pos = size;
                    if (model.size() < static_cast<size_t>(pos + count))
                        model.resize(static_cast<size_t>(pos + count));
                    std::copy(data.begin(), data.end(), model.begin() + pos);
                }
            } else if (op == 3) { // truncate
                int64_t to = static_cast<int64_t>(rng() % (size + 2));
                blob->Truncate(to);
                beforeChange();
                if (to < size) model.resize(static_cast<size_t>(to));
            } else if (op == 4) { // SetSize: no rollback copy
                int64_t to = static_cast<int64_t>(rng() % (size + 15));
                blob->SetSize(to);
                model.resize(static_cast<size_t>(to), 0);
            } else if (op == 5) { // partial read
                int64_t pos = static_cast<int64_t>(rng() % (size + 3));
                int64_t count = static_cast<int64_t>(rng() % 15);
                Bytes got(64, 0xCC);
                int64_t n = blob->Read(pos, count, got.data());
                int64_t want = pos > size ? 0 : (count == 0 ? size - pos : std::min(count, size - pos));
                ASSERT_EQ(n, want) << "round " << round << " step " << step;
                for (int64_t i = 0; i < n; ++i)
                    ASSERT_EQ(got[static_cast<size_t>(i)], model[static_cast<size_t>(pos + i)]);
            } else if (op == 6) {
                blob->Commit();
                old.reset();
            } else if (op == 7) {
                blob->Cancel();
                if (old) {
                    model = *old;
                    old.reset();
                }
                blob->GetData()->PieceSize = 1 + static_cast<int>(rng() % 9);
            } else { // clear
                const bool wasEmpty = blob->IsEmpty();
                blob->Clear();
                if (!wasEmpty) {
                    beforeChange();
                    model.clear();
                }
            }
            CheckChain(blob->GetData());
            ASSERT_EQ(blob->GetSize(), static_cast<int64_t>(model.size()))
                << "round " << round << " step " << step;
            ASSERT_EQ(ReadAll(blob.blob), model) << "round " << round << " step " << step;
            ASSERT_EQ(blob->HasRollback(), old.has_value());
            if (old) {
                blob->SetShowOldData(true);
                ASSERT_EQ(ReadAll(blob.blob), *old);
                blob->SetShowOldData(false);
            }
        }
    }
}

TEST(BlobTest, CachedModeCommitCancelAndOldData) {
    BlobRef blob(new TBlob);
    blob->SetAsString("first");
    EXPECT_THROW(blob->MakeRollbackCopy(), Exception);
    blob->SetShowOldData(true); // nothing to show: unchanged
    EXPECT_FALSE(blob->GetShowOldData());
    blob->EnableRollback();
    blob->Write(0, 6, "second");
    EXPECT_EQ(blob->GetAsString(), "second");
    blob->SetShowOldData(true);
    EXPECT_EQ(blob->GetAsString(), "first");
    blob->SetShowOldData(false);
    blob->Cancel();
    EXPECT_EQ(blob->GetAsString(), "first");
    EXPECT_FALSE(blob->HasRollback());
    blob->Write(5, 3, "!!!");
    blob->Commit();
    EXPECT_EQ(blob->GetAsString(), "first!!!");
    blob->Cancel();
    EXPECT_EQ(blob->GetAsString(), "first!!!");

    // Shared data: both blobs see one value.
    BlobRef other(new TBlob);
    other->SetData(blob->GetData());
    EXPECT_EQ(other->GetAsString(), "first!!!");
    EXPECT_EQ(blob->GetData()->RefCount(), 2);
}

// Committing while the old value is shown (a reader left it on) must not leave the blob on the
// released rollback copy: the current value stays and is the one kept.
TEST(BlobTest, CommitWhileOldDataIsShownKeepsTheCurrentValue) {
    BlobRef blob(new TBlob);
    blob->SetAsString("old");
    blob->EnableRollback();
    blob->WriteAsAnsi("new value");
    blob->SetShowOldData(true);
    ASSERT_EQ(blob->GetAsString(), "old");
    blob->Commit();
    EXPECT_FALSE(blob->GetShowOldData());
    EXPECT_FALSE(blob->HasRollback());
    EXPECT_EQ(blob->GetAsString(), "new value");
    blob->Write(0, 3, "NEW");
    EXPECT_EQ(blob->GetAsString(), "NEW value");
    blob->Cancel();
    EXPECT_EQ(blob->GetAsString(), "new value");
}

TEST(BlobTest, IsUnicodeAndTextConversions) {
    BlobRef blob(new TBlob);
    blob->SetIsUnicode(true);
    EXPECT_TRUE(blob->IsUnicode());
    blob->WriteAsAnsi("a中b");
    EXPECT_EQ(blob->GetSize(), 6);
    EXPECT_EQ(blob->ReadAsWide(), L"a中b");
    EXPECT_EQ(blob->ReadAsAnsi(), "a中b");
    try {
        blob->SetIsUnicode(false);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot change IsUnicode if Size > 0");
    }
    BlobRef ansi(new TBlob);
    ansi->WriteAsWide(L"文x");
    EXPECT_EQ(ansi->GetSize(), 3);
    EXPECT_EQ(ansi->ReadAsWide(), L"文x");
    ansi->SetAsBytes(TBytes{0, 1, 2});
    EXPECT_EQ(ansi->GetSize(), 3);
    EXPECT_THROW(ansi->GetAnsiLength(), EAssertionFailed);
}

TEST(BlobTest, DoubleBytePositionsOfWideText) {
    BlobRef blob(new TBlob(true));
    blob->GetData()->PieceSize = 4;       // two characters a piece
    const WideString text = L"a中b文文c"; // 8-bit: a(1) 中(2) b(1) 文(2) 文(2) c(1) = 9
    for (size_t i = 0; i < text.size(); ++i)
        blob->Write(static_cast<int64_t>(i * 2), 2, &text[i]);
    EXPECT_EQ(blob->GetAnsiLength(), 9);
    struct Case {
        int position;
        int64_t bytes; // -1: inside a character or past the end
    } cases[] = {{0, 0}, {1, 2},  {2, -1}, {3, 4},  {4, 6},  {5, -1},
                 {6, 8}, {7, -1}, {8, 10}, {9, 12}, {10, -1}};
    for (const Case& c : cases) {
        if (c.bytes >= 0) {
            EXPECT_EQ(blob->TranslatePosition(c.position), c.bytes) << c.position;
        } else {
            EXPECT_THROW(blob->TranslatePosition(c.position), Exception) << c.position;
        }
    }
}

TEST(BlobTest, LineEnds) {
    struct Case {
        AnsiString value;
        bool expand;
        AnsiString expected;
    } cases[] = {
        {"a\nb", true, "a\r\nb"},    {"a\r\nb", true, "a\r\nb"},
        {"a\r", true, "a\r\n"},      {"\n\n", true, "\r\n\r\n"},
        {"a\rb", true, "a\rb"},      {"a\r\nb\r\n", false, "a\nb\n"},
        {"a\rb\n", false, "a\rb\n"}, {"", true, ""},
        {"\r\n\r", false, "\n\r"},
    };
    for (int pieceSize : {1, 2, 3, DefaultPieceSize}) {
        for (const Case& c : cases) {
            BlobRef blob(new TBlob);
            blob->GetData()->PieceSize = pieceSize;
            // Small pieces, or a byte a piece: pairs are split at every place.
            if (pieceSize == DefaultPieceSize)
                for (size_t i = 0; i < c.value.size(); ++i)
                    blob->Write(static_cast<int64_t>(i), 1, &c.value[i]);
            else
                blob->Write(0, static_cast<int64_t>(c.value.size()), c.value.data());
            if (c.expand)
                blob->ExpandLineEnds();
            else
                blob->CollapseLineEnds();
            EXPECT_EQ(blob->ReadAsAnsi(), c.expected) << pieceSize << " " << c.value.size();
            CheckChain(blob->GetData());
        }
    }
    // Wide text: a CR LF split across two pieces collapses to one LF; a final CR stays.
    BlobRef wide(new TBlob(true));
    wide->GetData()->PieceSize = 4;
    const WideString text = L"a\r\nb\r";
    for (size_t i = 0; i < text.size(); ++i)
        wide->Write(static_cast<int64_t>(i * 2), 2, &text[i]);
    wide->CollapseLineEnds();
    EXPECT_EQ(wide->ReadAsWide(), L"a\nb\r");
    wide->ExpandLineEnds();
    EXPECT_EQ(wide->ReadAsWide(), L"a\r\nb\r");

    // Cached mode: the conversion keeps the old value for Cancel.
    BlobRef cached(new TBlob);
    cached->SetAsString("x\ny");
    cached->EnableRollback();
    cached->ExpandLineEnds();
    EXPECT_EQ(cached->GetAsString(), "x\r\ny");
    cached->Cancel();
    EXPECT_EQ(cached->GetAsString(), "x\ny");
}

// A write after expansion lands where it should even though inner pieces are partly used.
TEST(BlobTest, WriteAfterExpansionOverwrites) {
    BlobRef blob(new TBlob);
    blob->GetData()->PieceSize = 4;
    AnsiString value = "abc\ndefg\nh";
    blob->Write(0, static_cast<int64_t>(value.size()), value.data());
    blob->ExpandLineEnds();
    AnsiString expanded = blob->GetAsString();
    ASSERT_EQ(expanded, "abc\r\ndefg\r\nh");
    ASSERT_LT(blob->GetFirstPiece()->UsedBytes, blob->GetFirstPiece()->Capacity);
    blob->Write(0, static_cast<int64_t>(expanded.size()), AnsiString(expanded.size(), 'z').data());
    EXPECT_EQ(blob->GetAsString(), AnsiString(expanded.size(), 'z'));
}

TEST(SharedObjectTest, ReleaseCountsDownAndRefusesDeadCounts) {
    auto* v = new TVariantObject(Variant(5));
    v->AddRef();
    EXPECT_EQ(v->RefCount(), 2);
    v->Release();
    EXPECT_EQ(v->RefCount(), 1);
    EXPECT_EQ(v->Value.AsInteger(), 5);
    EXPECT_EQ(v->GetHandle(), static_cast<void*>(v));
    TSharedObject::Free(nullptr);
    v->Release();
}
