#pragma once
// Blobs whose value may arrive in a compressed stored form: a 16-byte signature, the
// uncompressed size (32-bit little-endian) and a zlib stream, all in the value's single piece.
#include "data/memory/Blob.h"

enum TCompressBlobMode { cbNone, cbClient, cbServer, cbClientServer };

constexpr int CompressedHeaderSize = 20;
// Values of this size or smaller are never compressed.
constexpr int MinCompressSize = 50;
extern const uint8_t CompressedBlobSignature[16];

class TCompressedBlobData : public TCRBlobData {
public:
    VZ_CLASS(TCompressedBlobData, TCRBlobData)

    int64_t GetSize() override;
    void SetSize(int64_t size) override;
    void Truncate(int64_t size) override;
    int64_t Read(int64_t position, int64_t count, void* dest) override;
    void Write(int64_t position, int64_t count, const void* source) override;

    // The first piece holds more than the header and begins with the signature; anything else is
    // plain bytes. A damaged stored form is refused when read, never served as data.
    bool IsCompressed();
    uint32_t GetUncompressedSize();
    // Brings the value into the wanted form; true when a conversion was attempted.
    bool SetCompressed(bool compress);
    // Stores the bytes compressed when that pays; false leaves the value unchanged.
    bool Compress(const void* source, int size);
    // Expands the stored form into dest (capacity size); size comes back as the bytes produced.
    void Decompress(void* dest, uint32_t& size);

protected:
    void BeforePieceAccess() override;

private:
    // "Invalid compressed blob data" when the stated size is beyond what the stream can expand to.
    void CheckStatedSize();
};

class TCompressedBlob : public TBlob {
public:
    VZ_CLASS(TCompressedBlob, TBlob)
    explicit TCompressedBlob(bool isUnicode = false);
    TCRBlobData* CreateBlobData() override;
    // nil when the blob shares a plain data object.
    TCompressedBlobData* CompressedData() const { return dynamic_cast<TCompressedBlobData*>(blobData_); }
};
