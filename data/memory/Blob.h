#pragma once
// Large values kept outside record buffers: a chain of pieces held by a shared data object, with
// an optional rollback copy for cached updates.
#include <cstdint>

#include "data/memory/SharedObject.h"
#include "platform/core/Streams.h"
#include "platform/core/Strings.h"

class TCRBlobData;

#pragma pack(push, 1)
// Header in front of every piece's data; a piece is one allocation of Capacity + 22 bytes (the
// header of the 32-bit program; wider with 8-byte pointers).
struct TBlobPieceHeader {
    TCRBlobData* OwnerData;
    int32_t Capacity;
    int32_t UsedBytes;
    TBlobPieceHeader* PrevPiece;
    TBlobPieceHeader* NextPiece;
    uint16_t Spare;
};
#pragma pack(pop)
using PPieceHeader = TBlobPieceHeader*;

constexpr int PieceHeaderSize = static_cast<int>(sizeof(TBlobPieceHeader));
constexpr int DefaultPieceSize = 65536 - PieceHeaderSize; // a full piece with its header is 64 KB
static_assert(sizeof(void*) != 4 || PieceHeaderSize == 22);

inline uint8_t* PieceData(PPieceHeader piece) {
    return reinterpret_cast<uint8_t*>(piece) + PieceHeaderSize;
}

class TCRBlobData : public TSharedObject {
public:
    VZ_CLASS(TCRBlobData, TSharedObject)
    TCRBlobData() = default;
    ~TCRBlobData() override;

    virtual int64_t GetSize();
    virtual void SetSize(int64_t size);
    virtual void Clear();
    virtual void Truncate(int64_t size);
    virtual bool IsEmpty() { return FFirstPiece == nullptr; }
    // count 0 reads to the end; returns the bytes copied.
    virtual int64_t Read(int64_t position, int64_t count, void* dest);
    // A position beyond the size is cut to the size.
    virtual void Write(int64_t position, int64_t count, const void* source);

    static void AllocPiece(PPieceHeader& piece, int capacity);
    void ReallocPiece(PPieceHeader& piece, int capacity);
    void AppendPiece(PPieceHeader piece);
    void UnlinkPiece(PPieceHeader piece);
    void DeletePiece(PPieceHeader piece);
    void ShrinkPiece(PPieceHeader& piece);
    void MergePieces();
    // Gives other the current chain and keeps one piece with a copy of the whole value.
    void MoveToRollback(TCRBlobData* other);

    // 16-bit text: byte position of an 8-bit character position, and the 8-bit length.
    int64_t TranslatePosition(int64_t position);
    int64_t GetAnsiLength();

    void ExpandLineEnds(int unitSize);
    void CollapseLineEnds(int unitSize);

    PPieceHeader FFirstPiece = nullptr;
    int PieceSize = DefaultPieceSize;

protected:
    // Run before the pieces are read as the value itself (a stored form is expanded first).
    virtual void BeforePieceAccess() {}
    // Sum of the used bytes of the chain (the stored bytes, whatever their form).
    int64_t StoredSize() const;

private:
    void ConvertLineEnds(int unitSize, bool expand);
};

class TBlob : public TSharedObject {
public:
    VZ_CLASS(TBlob, TSharedObject)
    explicit TBlob(bool isUnicode = false);
    ~TBlob() override;

    virtual TCRBlobData* CreateBlobData();
    virtual void BeforeRead() {}
    virtual void MakeRollbackCopy();
    virtual int64_t GetSize();
    virtual void SetSize(int64_t size);
    virtual void SetIsUnicode(bool value);
    virtual int64_t GetAnsiLength();
    virtual void DoReset() {}
    virtual int64_t Read(int64_t position, int64_t count, void* dest);
    virtual void Write(int64_t position, int64_t count, const void* source);
    virtual void Clear();
    virtual void Truncate(int64_t size);
    virtual bool IsEmpty();
    virtual void MergePieces();
    virtual void LoadFromStream(TStream* stream);
    virtual void SaveToStream(TStream* stream);
    virtual void Commit();
    virtual void Cancel();

    void CheckValid() const;
    bool IsUnicode() const { return isUnicode_ != 0; }
    void EnableRollback() { rollbackEnabled_ = 1; }
    void SetRollbackEnabled(bool value) { rollbackEnabled_ = value ? 1 : 0; }
    bool RollbackEnabled() const { return rollbackEnabled_ != 0; }
    bool HasRollback() const { return rollbackData_ != nullptr; }
    bool GetShowOldData() const { return savedCurrentData_ != nullptr; }
    void SetShowOldData(bool value);
    // Shares another data object (one reference is added).
    void SetData(TCRBlobData* data);
    TCRBlobData* GetData() const { return blobData_; }
    PPieceHeader GetFirstPiece() const { return blobData_->FFirstPiece; }
    int GetPieceSize() const { return blobData_->PieceSize; }
    void AllocPiece(PPieceHeader& piece, int capacity) { TCRBlobData::AllocPiece(piece, capacity); }
    void ReallocPiece(PPieceHeader& piece, int capacity) { blobData_->ReallocPiece(piece, capacity); }
    void AppendPiece(PPieceHeader piece) { blobData_->AppendPiece(piece); }
    void ShrinkPiece(PPieceHeader& piece) { blobData_->ShrinkPiece(piece); }
    int64_t TranslatePosition(int64_t position);

    AnsiString ReadAsAnsi();
    void WriteAsAnsi(const AnsiString& text);
    WideString ReadAsWide();
    void WriteAsWide(const WideString& text);
    AnsiString GetAsString() { return ReadAsAnsi(); }
    void SetAsString(const AnsiString& text) { WriteAsAnsi(text); }
    void SetAsBytes(const TBytes& bytes);

    void ExpandLineEnds();
    void CollapseLineEnds();

protected:
    // Subclasses pass the data object of their own kind (what their CreateBlobData makes).
    TBlob(bool isUnicode, TCRBlobData* data);
    // The rollback copy in cached mode, taken before the first change.
    void BeforeChange();

    TCRBlobData* blobData_ = nullptr;
    uint8_t isUnicode_ = 0;
    uint8_t rollbackEnabled_ = 0;
    TCRBlobData* rollbackData_ = nullptr;
    TCRBlobData* savedCurrentData_ = nullptr;
    uint8_t blobMarker_ = 0;
};

// True when the system code page uses double-byte characters.
bool IsFarEastCodePage();

// Turns off a blob's rollback copy for the scope: for changes that are not the user's edits.
class TRollbackOff {
public:
    explicit TRollbackOff(TBlob* blob) : blob_(blob), enabled_(blob->RollbackEnabled()) {
        blob->SetRollbackEnabled(false);
    }
    ~TRollbackOff() { blob_->SetRollbackEnabled(enabled_); }
    TRollbackOff(const TRollbackOff&) = delete;
    TRollbackOff& operator=(const TRollbackOff&) = delete;

private:
    TBlob* blob_;
    bool enabled_;
};

// Makes dest's value a copy of source's, read and written a piece at a time.
void CopyBlobValue(TBlob* source, TBlob* dest);
