#include "data/memory/CompressedBlob.h"

#include <cstring>

#include "data/memory/MemUtils.h"

// {F19D8C39-5558-3849-A652-87CEE0C6DA7E} in binary GUID layout.
const uint8_t CompressedBlobSignature[16] = {0x39, 0x8C, 0x9D, 0xF1, 0x58, 0x55, 0x49, 0x38,
                                             0xA6, 0x52, 0x87, 0xCE, 0xE0, 0xC6, 0xDA, 0x7E};

namespace {
// zlib cannot expand by more than about 1032:1; a header claiming more is not a stored form.
constexpr int64_t MaxInflateRatio = 1040;
constexpr int64_t MaxInflateSlack = 64;

uint32_t ReadLE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void WriteLE32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
} // namespace

bool TCompressedBlobData::IsCompressed() {
    PPieceHeader first = FFirstPiece;
    if (!first || first->UsedBytes <= CompressedHeaderSize) return false;
    return std::memcmp(PieceData(first), CompressedBlobSignature, sizeof CompressedBlobSignature) == 0;
}

void TCompressedBlobData::CheckStatedSize() {
    // A damaged header must not make us allocate what its stream could never produce.
    const int64_t size = ReadLE32(PieceData(FFirstPiece) + 16);
    const int64_t streamLength = StoredSize() - CompressedHeaderSize;
    if (size == 0 || size > INT32_MAX || size > streamLength * MaxInflateRatio + MaxInflateSlack)
        throw Exception("Invalid compressed blob data");
}

uint32_t TCompressedBlobData::GetUncompressedSize() {
    Assert(IsCompressed(), "Blob is not compressed");
    return ReadLE32(PieceData(FFirstPiece) + 16);
}

bool TCompressedBlobData::Compress(const void* source, int size) {
    CheckCompressionHooks();
    PPieceHeader piece;
    AllocPiece(piece, size + size / 5 + 32);
    bool kept = false;
    try {
        uint32_t length = static_cast<uint32_t>(piece->Capacity - CompressedHeaderSize);
        CompressBlock(PieceData(piece) + CompressedHeaderSize, length, source, static_cast<uint32_t>(size));
        piece->UsedBytes = static_cast<int>(length) + CompressedHeaderSize;
        kept = piece->UsedBytes < size;
    } catch (const Exception&) {
        kept = false; // a compressor failure leaves the value expanded
    }
    if (!kept) {
        DeletePiece(piece);
        return false;
    }
    std::memcpy(PieceData(piece), CompressedBlobSignature, sizeof CompressedBlobSignature);
    WriteLE32(PieceData(piece) + 16, static_cast<uint32_t>(size));
    ShrinkPiece(piece);
    if (FFirstPiece) DeletePiece(FFirstPiece);
    AppendPiece(piece);
    return true;
}

void TCompressedBlobData::Decompress(void* dest, uint32_t& size) {
    Assert(FFirstPiece != nullptr, "Blob has no data");
    MergePieces();
    PPieceHeader piece = FFirstPiece;
    if (piece->UsedBytes <= CompressedHeaderSize) throw Exception("Invalid compressed blob size");
    if (std::memcmp(PieceData(piece), CompressedBlobSignature, sizeof CompressedBlobSignature) != 0)
        throw Exception("Invalid compressed blob header");
    CheckCompressionHooks();
    try {
        UncompressBlock(dest, size, PieceData(piece) + CompressedHeaderSize,
                        static_cast<uint32_t>(piece->UsedBytes - CompressedHeaderSize));
    } catch (const Exception&) {
        throw Exception("Invalid compressed blob data");
    }
}

bool TCompressedBlobData::SetCompressed(bool compress) {
    if (!FFirstPiece) return false;
    if (IsCompressed() == compress) return false;
    if (compress) {
        if (StoredSize() > MinCompressSize) {
            MergePieces();
            Compress(PieceData(FFirstPiece), FFirstPiece->UsedBytes);
        }
        return true;
    }
    CheckStatedSize();
    const uint32_t n = GetUncompressedSize();
    PPieceHeader piece;
    AllocPiece(piece, static_cast<int>(n));
    try {
        uint32_t size = n;
        Decompress(PieceData(piece), size);
        // The stream must produce exactly the size its header claims.
        if (size != n) throw Exception("Invalid compressed blob data");
        piece->UsedBytes = static_cast<int>(size);
    } catch (...) {
        DeletePiece(piece);
        throw;
    }
    DeletePiece(FFirstPiece);
    AppendPiece(piece);
    return true;
}

void TCompressedBlobData::BeforePieceAccess() {
    if (IsCompressed()) SetCompressed(false);
}

int64_t TCompressedBlobData::GetSize() {
    if (IsCompressed()) return GetUncompressedSize();
    return StoredSize();
}

void TCompressedBlobData::SetSize(int64_t size) {
    // Resizing a stored form would cut its stream: only clearing or keeping the size leave it.
    if (size != 0 && size != GetSize()) BeforePieceAccess();
    TCRBlobData::SetSize(size);
}

void TCompressedBlobData::Truncate(int64_t size) {
    if (size != 0) BeforePieceAccess();
    TCRBlobData::Truncate(size);
}

int64_t TCompressedBlobData::Read(int64_t position, int64_t count, void* dest) {
    if (IsCompressed()) {
        CheckStatedSize();
        const uint32_t n = GetUncompressedSize();
        if (position == 0 && (count == 0 || count == n)) {
            // Whole reads expand straight into the reader's buffer; the stored form stays.
            uint32_t size = n;
            Decompress(dest, size);
            if (size != n) throw Exception("Invalid compressed blob data");
            return n;
        }
        SetCompressed(false);
    }
    return TCRBlobData::Read(position, count, dest);
}

void TCompressedBlobData::Write(int64_t position, int64_t count, const void* source) {
    if (IsCompressed()) {
        if (position == 0 && count == GetUncompressedSize()) {
            // A whole rewrite replaces the value and stays compressed when that pays.
            Clear();
            if (count > MinCompressSize && Compress(source, static_cast<int>(count))) return;
            TCRBlobData::Write(0, count, source);
            return;
        }
        SetCompressed(false);
    }
    TCRBlobData::Write(position, count, source);
}

TCompressedBlob::TCompressedBlob(bool isUnicode) : TBlob(isUnicode, new TCompressedBlobData) {}

TCRBlobData* TCompressedBlob::CreateBlobData() {
    return new TCompressedBlobData;
}
