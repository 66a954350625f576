#include "data/memory/Blob.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/core/Exceptions.h"

namespace {
constexpr uint8_t BlobMarkerAlive = 221;

uint16_t Marshal_Read16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void Marshal_Write16(uint8_t* p, uint16_t v) {
    std::memcpy(p, &v, sizeof v);
}
} // namespace

bool IsFarEastCodePage() {
    static const bool farEast = [] {
        CPINFO info{};
        return GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
    }();
    return farEast;
}

// ---- TCRBlobData: pieces ---------------------------------------------------------------------

TCRBlobData::~TCRBlobData() {
    Clear();
}

void TCRBlobData::AllocPiece(PPieceHeader& piece, int capacity) {
    Assert(capacity > 0, "Invalid piece capacity");
    void* p = std::malloc(static_cast<size_t>(capacity) + PieceHeaderSize);
    if (!p) throw EOutOfMemory("Out of memory");
    piece = static_cast<PPieceHeader>(p);
    piece->OwnerData = nullptr;
    piece->Capacity = capacity;
    piece->UsedBytes = 0;
    piece->PrevPiece = nullptr;
    piece->NextPiece = nullptr;
}

void TCRBlobData::ReallocPiece(PPieceHeader& piece, int capacity) {
    if (capacity == 0) {
        DeletePiece(piece);
        piece = nullptr;
        return;
    }
    if (capacity == piece->Capacity) return;
    void* p = std::realloc(piece, static_cast<size_t>(capacity) + PieceHeaderSize);
    if (!p) throw EOutOfMemory("Out of memory");
    piece = static_cast<PPieceHeader>(p);
    piece->Capacity = capacity;
    if (piece->UsedBytes > capacity) piece->UsedBytes = capacity;
    if (piece->OwnerData) {
        if (piece->PrevPiece)
            piece->PrevPiece->NextPiece = piece;
        else
            piece->OwnerData->FFirstPiece = piece;
        if (piece->NextPiece) piece->NextPiece->PrevPiece = piece;
    }
}

void TCRBlobData::AppendPiece(PPieceHeader piece) {
    piece->OwnerData = this;
    piece->NextPiece = nullptr;
    if (!FFirstPiece) {
        piece->PrevPiece = nullptr;
        FFirstPiece = piece;
        return;
    }
    PPieceHeader last = FFirstPiece;
    while (last->NextPiece)
        last = last->NextPiece;
    last->NextPiece = piece;
    piece->PrevPiece = last;
}

void TCRBlobData::UnlinkPiece(PPieceHeader piece) {
    Assert(piece->OwnerData == this, "Piece of another owner");
    if (piece->PrevPiece)
        piece->PrevPiece->NextPiece = piece->NextPiece;
    else
        FFirstPiece = piece->NextPiece;
    if (piece->NextPiece) piece->NextPiece->PrevPiece = piece->PrevPiece;
    piece->OwnerData = nullptr;
    piece->PrevPiece = piece->NextPiece = nullptr;
}

void TCRBlobData::DeletePiece(PPieceHeader piece) {
    if (!piece) return;
    if (piece->OwnerData) piece->OwnerData->UnlinkPiece(piece);
    std::free(piece);
}

void TCRBlobData::ShrinkPiece(PPieceHeader& piece) {
    if (piece->UsedBytes < piece->Capacity && piece->UsedBytes > 0) ReallocPiece(piece, piece->UsedBytes);
}

void TCRBlobData::MergePieces() {
    if (!FFirstPiece || !FFirstPiece->NextPiece) return;
    int64_t size = StoredSize();
    if (size > INT32_MAX) throw EOutOfMemory("Out of memory");
    PPieceHeader first = FFirstPiece;
    if (size > first->Capacity) ReallocPiece(first, static_cast<int>(size));
    while (PPieceHeader next = first->NextPiece) {
        std::memcpy(PieceData(first) + first->UsedBytes, PieceData(next),
                    static_cast<size_t>(next->UsedBytes));
        first->UsedBytes += next->UsedBytes;
        DeletePiece(next);
    }
}

int64_t TCRBlobData::StoredSize() const {
    int64_t size = 0;
    for (PPieceHeader p = FFirstPiece; p; p = p->NextPiece)
        size += p->UsedBytes;
    return size;
}

void TCRBlobData::MoveToRollback(TCRBlobData* other) {
    other->Clear();
    if (!FFirstPiece) return;
    int64_t size = StoredSize();
    PPieceHeader copy;
    AllocPiece(copy, static_cast<int>(std::max<int64_t>(size, 1)));
    int offset = 0;
    for (PPieceHeader p = FFirstPiece; p; p = p->NextPiece) {
        std::memcpy(PieceData(copy) + offset, PieceData(p), static_cast<size_t>(p->UsedBytes));
        offset += p->UsedBytes;
    }
    copy->UsedBytes = offset;
    other->FFirstPiece = FFirstPiece;
    for (PPieceHeader p = FFirstPiece; p; p = p->NextPiece)
        p->OwnerData = other;
    FFirstPiece = nullptr;
    AppendPiece(copy);
}

// ---- TCRBlobData: value ----------------------------------------------------------------------

int64_t TCRBlobData::GetSize() {
    return StoredSize();
}

void TCRBlobData::SetSize(int64_t size) {
    int64_t current = GetSize();
    if (size < current) {
        Truncate(size);
    } else if (size > current) {
        int64_t diff = size - current;
        if (diff > INT32_MAX - PieceHeaderSize) throw EOutOfMemory("Out of memory");
        PPieceHeader piece;
        AllocPiece(piece, static_cast<int>(diff));
        std::memset(PieceData(piece), 0, static_cast<size_t>(diff));
        piece->UsedBytes = static_cast<int>(diff);
        AppendPiece(piece);
    }
}

void TCRBlobData::Clear() {
    while (FFirstPiece)
        DeletePiece(FFirstPiece);
}

void TCRBlobData::Truncate(int64_t size) {
    if (size <= 0) {
        Clear();
        return;
    }
    int64_t offset = 0;
    bool cut = false;
    for (PPieceHeader p = FFirstPiece; p; p = p->NextPiece) {
        if (cut) {
            p->UsedBytes = 0; // the memory stays for later writes
            continue;
        }
        if (offset + p->UsedBytes >= size) {
            p->UsedBytes = static_cast<int>(size - offset);
            cut = true;
        }
        offset += p->UsedBytes;
    }
}

int64_t TCRBlobData::Read(int64_t position, int64_t count, void* dest) {
    if (!FFirstPiece || position < 0) return 0;
    const int64_t size = StoredSize();
    if (position > size) return 0;
    if (count <= 0 || position + count > size) count = size - position;
    uint8_t* out = static_cast<uint8_t*>(dest);
    int64_t offset = 0;
    int64_t done = 0;
    for (PPieceHeader p = FFirstPiece; p && done < count; p = p->NextPiece) {
        const int64_t end = offset + p->UsedBytes;
        if (position < end) {
            const int64_t from = position - offset;
            const int64_t n = std::min(end - position, count - done);
            std::memcpy(out + done, PieceData(p) + from, static_cast<size_t>(n));
            done += n;
            position += n;
        }
        offset = end;
    }
    return done;
}

void TCRBlobData::Write(int64_t position, int64_t count, const void* source) {
    if (count <= 0) return;
    const int64_t size = StoredSize();
    if (position > size || position < 0) position = size;
    const uint8_t* in = static_cast<const uint8_t*>(source);
    int64_t remaining = count;
    int64_t offset = 0;
    for (PPieceHeader p = FFirstPiece; p && remaining > 0; p = p->NextPiece) {
        // Only the last piece grows past its used bytes: growing an inner piece would insert
        // bytes before the pieces that follow instead of overwriting them.
        const int64_t extent = p->NextPiece ? p->UsedBytes : p->Capacity;
        if (position >= offset && position < offset + extent) {
            const int64_t from = position - offset;
            const int64_t n = std::min(extent - from, remaining);
            std::memcpy(PieceData(p) + from, in, static_cast<size_t>(n));
            if (from + n > p->UsedBytes) p->UsedBytes = static_cast<int>(from + n);
            in += n;
            position += n;
            remaining -= n;
        }
        offset += p->UsedBytes;
    }
    const int capacity = static_cast<int>(std::min<int64_t>(PieceSize, count));
    while (remaining > 0) {
        PPieceHeader piece;
        AllocPiece(piece, capacity);
        const int n = static_cast<int>(std::min<int64_t>(capacity, remaining));
        std::memcpy(PieceData(piece), in, static_cast<size_t>(n));
        piece->UsedBytes = n;
        AppendPiece(piece);
        in += n;
        remaining -= n;
    }
}

// ---- 16-bit text and 8-bit positions ---------------------------------------------------------

namespace {
int AnsiLengthOf(const wchar_t* text, int count) {
    if (count <= 0) return 0;
    return WideCharToMultiByte(CP_ACP, 0, text, count, nullptr, 0, nullptr, nullptr);
}

WideString PieceWide(PPieceHeader p) {
    WideString w(static_cast<size_t>(p->UsedBytes / 2), L'\0');
    if (!w.empty()) std::memcpy(w.data(), PieceData(p), w.size() * 2);
    return w;
}
} // namespace

int64_t TCRBlobData::GetAnsiLength() {
    BeforePieceAccess();
    if (!IsFarEastCodePage()) return GetSize() / 2;
    int64_t length = 0;
    for (PPieceHeader p = FFirstPiece; p; p = p->NextPiece) {
        WideString w = PieceWide(p);
        length += AnsiLengthOf(w.data(), static_cast<int>(w.size()));
    }
    return length;
}

int64_t TCRBlobData::TranslatePosition(int64_t position) {
    if (!IsFarEastCodePage() || position == 0) return position * 2;
    BeforePieceAccess();
    int64_t ansiLength = 0;
    int64_t byteOffset = 0;
    for (PPieceHeader p = FFirstPiece; p; p = p->NextPiece) {
        WideString w = PieceWide(p);
        ansiLength += AnsiLengthOf(w.data(), static_cast<int>(w.size()));
        byteOffset += p->UsedBytes;
        if (ansiLength == position) return byteOffset;
        if (ansiLength > position) {
            // Take characters back from the piece's end until the 8-bit length fits.
            for (int i = static_cast<int>(w.size()) - 1; i >= 0 && ansiLength > position; --i) {
                ansiLength -= AnsiLengthOf(w.data() + i, 1);
                byteOffset -= 2;
            }
            if (ansiLength == position) return byteOffset;
            break;
        }
    }
    throw Exception("Invalid BLOB position");
}

// ---- line ends -------------------------------------------------------------------------------

void TCRBlobData::ExpandLineEnds(int unitSize) {
    ConvertLineEnds(unitSize, true);
}
void TCRBlobData::CollapseLineEnds(int unitSize) {
    ConvertLineEnds(unitSize, false);
}

void TCRBlobData::ConvertLineEnds(int unitSize, bool expand) {
    const uint32_t CR = 13, LF = 10;
    BeforePieceAccess();
    PPieceHeader input = FFirstPiece;
    FFirstPiece = nullptr;
    for (PPieceHeader p = input; p; p = p->NextPiece)
        p->OwnerData = nullptr;

    int64_t remaining = 0;
    for (PPieceHeader p = input; p; p = p->NextPiece)
        remaining += p->UsedBytes - p->UsedBytes % unitSize;

    PPieceHeader out = nullptr;
    auto room = [&] { return out ? out->Capacity - out->UsedBytes : 0; };
    auto put = [&](uint32_t unit) {
        if (unitSize == 1)
            PieceData(out)[out->UsedBytes] = static_cast<uint8_t>(unit);
        else
            Marshal_Write16(PieceData(out) + out->UsedBytes, static_cast<uint16_t>(unit));
        out->UsedBytes += unitSize;
    };
    auto ensure = [&](int units) {
        if (room() >= units * unitSize) return;
        int capacity;
        if (expand)
            capacity = remaining < PieceSize / 2 ? static_cast<int>(remaining * 2) : PieceSize;
        else
            capacity = static_cast<int>(std::min<int64_t>(remaining, PieceSize));
        capacity = std::max(capacity, units * unitSize);
        PPieceHeader piece;
        AllocPiece(piece, capacity);
        AppendPiece(piece);
        out = piece;
    };

    // Units are read across piece borders, so a CR LF split by a border is still one pair.
    PPieceHeader cur = input;
    int index = 0;
    auto skipEmpty = [&] {
        while (cur && index + unitSize > cur->UsedBytes) {
            PPieceHeader done = cur;
            cur = cur->NextPiece;
            index = 0;
            std::free(done); // consumed pieces are freed at once
        }
    };
    auto unitAt = [&](PPieceHeader p, int i) -> uint32_t {
        return unitSize == 1 ? PieceData(p)[i] : Marshal_Read16(PieceData(p) + i);
    };
    auto peekNext = [&]() -> int64_t {
        // The unit after the current one, or -1 at the end of the value.
        PPieceHeader p = cur;
        int i = index + unitSize;
        while (p && i + unitSize > p->UsedBytes) {
            p = p->NextPiece;
            i = 0;
        }
        return p ? static_cast<int64_t>(unitAt(p, i)) : -1;
    };

    try {
        skipEmpty();
        while (cur) {
            const uint32_t unit = unitAt(cur, index);
            const int64_t next = peekNext();
            int consumed = 1;
            if (unit == CR && next == LF) {
                consumed = 2;
                if (expand) {
                    ensure(2);
                    put(CR);
                    put(LF);
                } else {
                    ensure(1);
                    put(LF);
                }
            } else if (expand && unit == LF) {
                ensure(2);
                put(CR);
                put(LF);
            } else if (expand && unit == CR && next < 0 && unitSize == 1) {
                ensure(2); // a CR ending 8-bit text becomes a whole line end
                put(CR);
                put(LF);
            } else {
                ensure(expand ? 2 : 1);
                put(unit);
            }
            for (int k = 0; k < consumed; ++k) {
                index += unitSize;
                remaining -= unitSize;
                skipEmpty();
            }
        }
    } catch (...) {
        while (cur) {
            PPieceHeader done = cur;
            cur = cur->NextPiece;
            std::free(done);
        }
        throw;
    }
}

// ---- TBlob -----------------------------------------------------------------------------------

TBlob::TBlob(bool isUnicode) : TBlob(isUnicode, new TCRBlobData) {}

TBlob::TBlob(bool isUnicode, TCRBlobData* data)
    : blobData_(data), isUnicode_(isUnicode ? 1 : 0), blobMarker_(BlobMarkerAlive) {}

TBlob::~TBlob() {
    blobMarker_ = 0;
    if (savedCurrentData_) {
        // Put the current data back so that every object is released once.
        blobData_ = savedCurrentData_;
        savedCurrentData_ = nullptr;
    }
    TSharedObject::Free(blobData_);
    TSharedObject::Free(rollbackData_);
}

TCRBlobData* TBlob::CreateBlobData() {
    return new TCRBlobData;
}

void TBlob::CheckValid() const {
    if (blobMarker_ != BlobMarkerAlive) throw Exception("Invalid BLOB");
}

void TBlob::MakeRollbackCopy() {
    if (!rollbackEnabled_) throw Exception("Blob must be in cached mode");
    TCRBlobData* rollback = CreateBlobData();
    try {
        blobData_->MoveToRollback(rollback);
    } catch (...) {
        rollback->Release();
        throw;
    }
    TSharedObject::Free(rollbackData_);
    rollbackData_ = rollback;
}

void TBlob::BeforeChange() {
    if (rollbackEnabled_ && !rollbackData_) MakeRollbackCopy();
}

int64_t TBlob::GetSize() {
    return blobData_->GetSize();
}
void TBlob::SetSize(int64_t size) {
    blobData_->SetSize(size);
}

void TBlob::SetIsUnicode(bool value) {
    if (IsUnicode() == value) return;
    if (GetSize() > 0) throw Exception("Cannot change IsUnicode if Size > 0");
    isUnicode_ = value ? 1 : 0;
}

int64_t TBlob::GetAnsiLength() {
    Assert(IsUnicode(), "Blob is not Unicode");
    BeforeRead();
    return blobData_->GetAnsiLength();
}

int64_t TBlob::Read(int64_t position, int64_t count, void* dest) {
    CheckValid();
    BeforeRead();
    return blobData_->Read(position, count, dest);
}

void TBlob::Write(int64_t position, int64_t count, const void* source) {
    CheckValid();
    BeforeChange();
    blobData_->Write(position, count, source);
}

void TBlob::Clear() {
    if (IsEmpty()) return;
    BeforeChange();
    blobData_->Clear();
}

void TBlob::Truncate(int64_t size) {
    BeforeChange();
    blobData_->Truncate(size);
}

bool TBlob::IsEmpty() {
    return blobData_->IsEmpty();
}
void TBlob::MergePieces() {
    blobData_->MergePieces();
}

void TBlob::LoadFromStream(TStream* stream) {
    Clear();
    const int64_t size = stream->Size();
    if (size <= 0) return;
    stream->SetPosition(0);
    std::vector<uint8_t> buffer(static_cast<size_t>(GetPieceSize()));
    int64_t position = 0;
    for (;;) {
        int n = stream->Read(buffer.data(), static_cast<int>(buffer.size()));
        if (n <= 0) break;
        Write(position, n, buffer.data());
        position += n;
    }
}

void TBlob::SaveToStream(TStream* stream) {
    stream->SetSize(0);
    stream->SetPosition(0);
    std::vector<uint8_t> buffer(static_cast<size_t>(GetPieceSize()));
    int64_t position = 0;
    for (;;) {
        int64_t n = Read(position, static_cast<int64_t>(buffer.size()), buffer.data());
        if (n <= 0) break;
        stream->WriteBuffer(buffer.data(), static_cast<int>(n));
        position += n;
    }
}

void TBlob::Commit() {
    // While old data is shown the current data object is the rollback copy: put the saved data
    // back first, or releasing the copy would leave the blob on freed data.
    SetShowOldData(false);
    TSharedObject::Free(rollbackData_);
    rollbackData_ = nullptr;
}

void TBlob::Cancel() {
    if (!rollbackData_) return;
    SetShowOldData(false);
    TSharedObject::Free(blobData_);
    blobData_ = rollbackData_;
    rollbackData_ = nullptr;
}

void TBlob::SetShowOldData(bool value) {
    if (value) {
        if (!savedCurrentData_ && rollbackData_) {
            savedCurrentData_ = blobData_;
            blobData_ = rollbackData_;
        }
    } else if (savedCurrentData_) {
        blobData_ = savedCurrentData_;
        savedCurrentData_ = nullptr;
    }
}

void TBlob::SetData(TCRBlobData* data) {
    if (data == blobData_) return;
    Assert(!savedCurrentData_, "Cannot replace the data while old data is shown");
    Assert(data != nullptr, "Blob data is nil");
    data->AddRef();
    TSharedObject::Free(blobData_);
    blobData_ = data;
}

int64_t TBlob::TranslatePosition(int64_t position) {
    Assert(IsUnicode(), "Blob is not Unicode");
    BeforeRead();
    return blobData_->TranslatePosition(position);
}

AnsiString TBlob::ReadAsAnsi() {
    if (IsUnicode()) return WideToAnsi(ReadAsWide());
    AnsiString text(static_cast<size_t>(GetSize()), '\0');
    int64_t n = Read(0, 0, text.data());
    text.resize(static_cast<size_t>(n));
    return text;
}

void TBlob::WriteAsAnsi(const AnsiString& text) {
    if (IsUnicode()) {
        WriteAsWide(AnsiToWide(text));
        return;
    }
    Clear();
    Write(0, static_cast<int64_t>(text.size()), text.data());
}

WideString TBlob::ReadAsWide() {
    if (!IsUnicode()) return AnsiToWide(ReadAsAnsi());
    WideString text(static_cast<size_t>(GetSize() / 2), L'\0');
    std::vector<uint8_t> bytes(static_cast<size_t>(GetSize()));
    int64_t n = Read(0, 0, bytes.data());
    text.resize(static_cast<size_t>(n / 2));
    if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * 2);
    return text;
}

void TBlob::WriteAsWide(const WideString& text) {
    if (!IsUnicode()) {
        WriteAsAnsi(WideToAnsi(text));
        return;
    }
    Clear();
    Write(0, static_cast<int64_t>(text.size()) * 2, text.data());
}

void TBlob::SetAsBytes(const TBytes& bytes) {
    Clear();
    Write(0, static_cast<int64_t>(bytes.size()), bytes.data());
}

void TBlob::ExpandLineEnds() {
    CheckValid();
    BeforeRead();
    BeforeChange();
    blobData_->ExpandLineEnds(IsUnicode() ? 2 : 1);
}

void TBlob::CollapseLineEnds() {
    CheckValid();
    BeforeRead();
    BeforeChange();
    blobData_->CollapseLineEnds(IsUnicode() ? 2 : 1);
}

void CopyBlobValue(TBlob* source, TBlob* dest) {
    dest->Clear();
    std::vector<uint8_t> piece(static_cast<size_t>(DefaultPieceSize));
    const int64_t size = source->GetSize();
    for (int64_t at = 0; at < size;) {
        const int64_t got = source->Read(at, static_cast<int64_t>(piece.size()), piece.data());
        if (got <= 0) break;
        dest->Write(at, got, piece.data());
        at += got;
    }
}
