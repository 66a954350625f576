#include "platform/core/Streams.h"

#include <algorithm>
#include <cstring>

// --- TStream -------------------------------------------------------------------------------------

void TStream::ReadBuffer(void* buffer, int count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::Size() {
    int64_t pos = Seek(0, soCurrent);
    int64_t size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::SetSize(int64_t) {
    throw EStreamError("Stream size cannot be changed");
}

int64_t TStream::CopyFrom(TStream* source, int64_t count) {
    if (count == 0) {
        source->SetPosition(0);
        count = source->Size();
    }
    const int64_t total = count;
    constexpr int bufferSize = 0xF000;
    std::vector<char> buffer(static_cast<size_t>(std::min<int64_t>(count, bufferSize)));
    while (count > 0) {
        int n = static_cast<int>(std::min<int64_t>(count, bufferSize));
        source->ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        count -= n;
    }
    return total;
}

// --- THandleStream / TFileStream -----------------------------------------------------------------

int THandleStream::Read(void* buffer, int count) {
    DWORD done = 0;
    if (count <= 0 || !ReadFile(handle_, buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
    return static_cast<int>(done);
}

int THandleStream::Write(const void* buffer, int count) {
    DWORD done = 0;
    if (count <= 0 || !WriteFile(handle_, buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
    return static_cast<int>(done);
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
    LARGE_INTEGER distance, result;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(handle_, distance, &result, static_cast<DWORD>(origin))) return -1;
    return result.QuadPart;
}

void THandleStream::SetSize(int64_t newSize) {
    int64_t pos = Position();
    if (Seek(newSize, soBeginning) != newSize || !SetEndOfFile(handle_))
        throw EStreamError(SysErrorMessage(GetLastError()));
    Seek(std::min(pos, newSize), soBeginning);
}

namespace {
DWORD ShareModeOf(unsigned mode) {
    switch (mode & 0xF0) {
    case fmShareDenyWrite:
        return FILE_SHARE_READ;
    case fmShareDenyRead:
        return FILE_SHARE_WRITE;
    case fmShareDenyNone:
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default:
        return 0; // compat and exclusive
    }
}
} // namespace

TFileStream::TFileStream(const AnsiString& fileName, unsigned mode)
    : THandleStream(INVALID_HANDLE_VALUE), fileName_(fileName) {
    if ((mode & fmCreate) == fmCreate) {
        handle_ = CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, ShareModeOf(mode), nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE)
            throw EFCreateError(
                Format("Cannot create file \"%s\". %s", {fileName, SysErrorMessage(GetLastError())}));
        return;
    }
    DWORD access;
    switch (mode & 3) {
    case fmOpenWrite:
        access = GENERIC_WRITE;
        break;
    case fmOpenReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    default:
        access = GENERIC_READ;
        break;
    }
    handle_ = CreateFileA(fileName.c_str(), access, ShareModeOf(mode), nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE)
        throw EFOpenError(Format("Cannot open file \"%s\". %s", {fileName, SysErrorMessage(GetLastError())}));
}

TFileStream::~TFileStream() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

// --- memory streams ------------------------------------------------------------------------------

int TCustomMemoryStream::Read(void* buffer, int count) {
    if (count <= 0 || position_ >= size_) return 0;
    int n = static_cast<int>(std::min<int64_t>(count, size_ - position_));
    std::memcpy(buffer, static_cast<const char*>(memory_) + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int TCustomMemoryStream::Write(const void*, int) {
    return 0;
}

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : size_;
    // Before the start is refused; past the end is allowed.
    if (base + offset >= 0) position_ = base + offset;
    return position_;
}

void TCustomMemoryStream::SaveToStream(TStream* stream) {
    if (size_ > 0) stream->WriteBuffer(memory_, static_cast<int>(size_));
}

void TCustomMemoryStream::SaveToFile(const AnsiString& fileName) {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(&stream);
}

int TMemoryStream::Write(const void* buffer, int count) {
    if (count <= 0) return 0;
    int64_t end = position_ + count;
    if (end > static_cast<int64_t>(data_.size())) {
        if (data_.capacity() < static_cast<size_t>(end))
            data_.reserve(
                std::max<size_t>(static_cast<size_t>(end), data_.capacity() + data_.capacity() / 2));
        data_.resize(static_cast<size_t>(end), 0);
    }
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    SetPointer(data_.data(), static_cast<int64_t>(data_.size()));
    return count;
}

void TMemoryStream::SetSize(int64_t newSize) {
    if (newSize < 0) throw EStreamError("Stream size cannot be negative");
    data_.resize(static_cast<size_t>(newSize), 0);
    SetPointer(data_.empty() ? nullptr : data_.data(), newSize);
    if (position_ > newSize) position_ = newSize;
}

void TMemoryStream::Clear() {
    data_.clear();
    data_.shrink_to_fit();
    SetPointer(nullptr, 0);
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
    stream->SetPosition(0);
    int64_t size = stream->Size();
    SetSize(size);
    if (size > 0) stream->ReadBuffer(data_.data(), static_cast<int>(size));
    position_ = 0;
}

void TMemoryStream::LoadFromFile(const AnsiString& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

TResourceStream::TResourceStream(HINSTANCE instance, const AnsiString& resName, const char* resType) {
    HRSRC info = FindResourceA(instance, resName.c_str(), resType);
    HGLOBAL global = info ? LoadResource(instance, info) : nullptr;
    if (!global) throw EResNotFound(Format("Resource %s not found", {resName}));
    SetPointer(LockResource(global), SizeofResource(instance, info));
}

// --- TStringStream -------------------------------------------------------------------------------

int TStringStream::Read(void* buffer, int count) {
    int64_t size = static_cast<int64_t>(data_.size());
    if (count <= 0 || position_ >= size) return 0;
    int n = static_cast<int>(std::min<int64_t>(count, size - position_));
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int TStringStream::Write(const void* buffer, int count) {
    if (count <= 0) return 0;
    size_t end = static_cast<size_t>(position_) + static_cast<size_t>(count);
    if (end > data_.size()) data_.resize(end, '\0');
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = static_cast<int64_t>(end);
    return count;
}

int64_t TStringStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == soBeginning ? 0
                   : origin == soCurrent ? position_
                                         : static_cast<int64_t>(data_.size());
    if (base + offset >= 0) position_ = base + offset;
    return position_;
}

void TStringStream::SetSize(int64_t newSize) {
    if (newSize < 0) throw EStreamError("Stream size cannot be negative");
    data_.resize(static_cast<size_t>(newSize));
    position_ = std::min(position_, newSize);
}
