#pragma once
// Byte streams: the abstract TStream, streams over Win32 file handles, memory and strings.
#include <cstdint>
#include <vector>

#include "platform/core/ObjectModel.h"

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
constexpr TSeekOrigin soFromBeginning = soBeginning;
constexpr TSeekOrigin soFromCurrent = soCurrent;
constexpr TSeekOrigin soFromEnd = soEnd;

class TStream : public TObject {
public:
    VZ_CLASS(TStream, TObject)
    // Bytes actually read or written (fewer at the end of the stream).
    virtual int Read(void* buffer, int count) = 0;
    virtual int Write(const void* buffer, int count) = 0;
    // New position from the start.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    // All or nothing: EReadError "Stream read error" / EWriteError "Stream write error".
    void ReadBuffer(void* buffer, int count);
    void WriteBuffer(const void* buffer, int count);
    // Copies count bytes from source's position (count 0: all of source from its start).
    int64_t CopyFrom(TStream* source, int64_t count);

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t position) { Seek(position, soBeginning); }
    virtual int64_t Size();
    virtual void SetSize(int64_t newSize);
};

// A stream over a Win32 file handle it does not close.
class THandleStream : public TStream {
public:
    VZ_CLASS(THandleStream, TStream)
    explicit THandleStream(HANDLE handle) : handle_(handle) {}
    HANDLE Handle() const { return handle_; }
    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    // Truncates or extends the file (EStreamError with the system text on failure).
    void SetSize(int64_t newSize) override;

protected:
    HANDLE handle_;
};

// Open modes: one access mode or'ed with one share mode; fmCreate creates or truncates
// (and takes a share mode too; alone it is exclusive).
enum : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareCompat = 0x0000, // exclusive, as on Win32
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,
};

// A file opened through CreateFile with the real share mode. Raises EFOpenError
// "Cannot open file \"<name>\". <system error text>" or EFCreateError "Cannot create file ...".
class TFileStream : public THandleStream {
public:
    VZ_CLASS(TFileStream, THandleStream)
    TFileStream(const AnsiString& fileName, unsigned mode);
    ~TFileStream() override;
    const AnsiString& FileName() const { return fileName_; }

private:
    AnsiString fileName_;
};

// A stream over a block of memory it does not own; writing is refused.
class TCustomMemoryStream : public TStream {
public:
    VZ_CLASS(TCustomMemoryStream, TStream)
    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return size_; }
    void* Memory() const { return memory_; }
    void SaveToStream(TStream* stream);
    void SaveToFile(const AnsiString& fileName);

protected:
    void SetPointer(void* memory, int64_t size) {
        memory_ = memory;
        size_ = size;
    }
    int64_t position_ = 0;

private:
    void* memory_ = nullptr;
    int64_t size_ = 0;
};

// A growable stream in memory. The position may go past the end; writing there fills the gap
// with zeros.
class TMemoryStream : public TCustomMemoryStream {
public:
    VZ_CLASS(TMemoryStream, TCustomMemoryStream)
    int Write(const void* buffer, int count) override;
    void SetSize(int64_t newSize) override;
    void Clear();
    // Replaces the content by all of stream (from its start) / of the file; position 0.
    void LoadFromStream(TStream* stream);
    void LoadFromFile(const AnsiString& fileName);

private:
    std::vector<uint8_t> data_;
};

// A read-only stream over a resource of a module (FindResource); EResNotFound
// "Resource <name> not found" when absent.
class TResourceStream : public TCustomMemoryStream {
public:
    VZ_CLASS(TResourceStream, TCustomMemoryStream)
    TResourceStream(HINSTANCE instance, const AnsiString& resName, const char* resType);
};

// A stream over an AnsiString.
class TStringStream : public TStream {
public:
    VZ_CLASS(TStringStream, TStream)
    explicit TStringStream(AnsiString data = {}) : data_(std::move(data)) {}
    const AnsiString& DataString() const { return data_; }
    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;

private:
    AnsiString data_;
    int64_t position_ = 0;
};

// An object that saves itself into a stream and loads itself from one.
class IStreamPersist {
public:
    virtual ~IStreamPersist() = default;
    virtual void LoadFromStream(TStream* stream) = 0;
    virtual void SaveToStream(TStream* stream) = 0;
};
