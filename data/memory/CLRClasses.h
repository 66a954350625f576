#pragma once
// Portable text, byte and raw-memory utilities of the data layer: encodings between 8-bit text of
// the system code page, UTF-16 and UTF-8; growable string builders; raw memory access.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/core/Strings.h"
#include "platform/core/Variant.h"

// The default encoding: its bytes are the ANSI text itself. Every operation is virtual so that
// the three shared instances can be told apart and used alike.
class Encoding {
public:
    virtual ~Encoding() = default;

    virtual TBytes TextToBytes(const AnsiString& text) const;
    // Writes into bytes from byteIndex; returns the bytes written. The array is never grown:
    // a range that does not fit raises an Exception instead of writing past its end.
    virtual int TextRangeToBytes(const AnsiString& text, int charIndex, int charCount, TBytes& bytes,
                                 int byteIndex) const;
    virtual TBytes WideToBytes(const WideString& text) const;
    virtual int WideRangeToBytes(const WideString& text, int charIndex, int charCount, TBytes& bytes,
                                 int byteIndex) const;
    virtual AnsiString BytesToText(const TBytes& bytes) const;
    virtual AnsiString BytesRangeToText(const TBytes& bytes, int index, int count) const;
    virtual WideString BytesToWide(const TBytes& bytes) const;
    virtual WideString BytesRangeToWide(const TBytes& bytes, int index, int count) const;
    virtual int MaxByteCount(int charCount) const;

    // Raw-buffer forms used by stream readers.
    virtual AnsiString PtrToText(const uint8_t* data, int count) const;
    virtual WideString PtrToWide(const uint8_t* data, int count) const;

    static Encoding* GetDefault();
    static Encoding* GetUnicode();
    static Encoding* GetUTF8();
};

// UTF-16 in machine byte order, two bytes per character.
class UnicodeEncoding : public Encoding {
public:
    TBytes TextToBytes(const AnsiString& text) const override;
    int TextRangeToBytes(const AnsiString& text, int charIndex, int charCount, TBytes& bytes,
                         int byteIndex) const override;
    TBytes WideToBytes(const WideString& text) const override;
    int WideRangeToBytes(const WideString& text, int charIndex, int charCount, TBytes& bytes,
                         int byteIndex) const override;
    AnsiString BytesRangeToText(const TBytes& bytes, int index, int count) const override;
    WideString BytesRangeToWide(const TBytes& bytes, int index, int count) const override;
    int MaxByteCount(int charCount) const override;
    AnsiString PtrToText(const uint8_t* data, int count) const override;
    WideString PtrToWide(const uint8_t* data, int count) const override;
};

class UTF8Encoding : public Encoding {
public:
    TBytes TextToBytes(const AnsiString& text) const override;
    // Range forms are not supported for UTF-8: assertion failure.
    int TextRangeToBytes(const AnsiString& text, int charIndex, int charCount, TBytes& bytes,
                         int byteIndex) const override;
    TBytes WideToBytes(const WideString& text) const override;
    int WideRangeToBytes(const WideString& text, int charIndex, int charCount, TBytes& bytes,
                         int byteIndex) const override;
    AnsiString BytesRangeToText(const TBytes& bytes, int index, int count) const override;
    WideString BytesRangeToWide(const TBytes& bytes, int index, int count) const override;
    int MaxByteCount(int charCount) const override;
    AnsiString PtrToText(const uint8_t* data, int count) const override;
    WideString PtrToWide(const uint8_t* data, int count) const override;
};

// Growable 8-bit text buffer: grows by half its capacity on top of what is needed.
class AnsiStringBuilder {
public:
    explicit AnsiStringBuilder(int capacity = 16);
    void Append(const AnsiString& text);
    void Append(const char* text, int count);
    void AppendChar(char c);
    // 0 empties the builder for reuse without freeing its array.
    void SetLength(int length);
    int Length() const { return length_; }
    int Capacity() const { return static_cast<int>(buffer_.size()); }
    AnsiString ToString() const { return AnsiString(buffer_.data(), static_cast<size_t>(length_)); }

private:
    void Grow(int newCapacity);
    std::vector<char> buffer_;
    int length_ = 0;
};

class WideStringBuilder {
public:
    explicit WideStringBuilder(int capacity = 16);
    static WideStringBuilder CreateWithText(const WideString& text, int capacity);
    void Append(const WideString& text);
    void Append(const wchar_t* text, int count);
    void AppendChar(wchar_t c);
    void SetLength(int length);
    // Replaces every occurrence of oldText (never empty); inserted text is not scanned again.
    void Replace(const WideString& oldText, const WideString& newText);
    int Length() const { return length_; }
    int Capacity() const { return static_cast<int>(buffer_.size()); }
    WideString ToString() const { return WideString(buffer_.data(), static_cast<size_t>(length_)); }

private:
    void Grow(int newCapacity);
    std::vector<wchar_t> buffer_;
    int length_ = 0;
};

struct BitConverter {
    static int64_t DoubleToBits(double value) {
        int64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }
    static double BitsToDouble(int64_t bits) {
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
};

// Raw memory access by address and byte offset; plain loads and stores (unaligned-safe).
struct Marshal {
    static void* AllocMem(size_t size);
    static void* ReallocMem(void* p, size_t size);
    static void FreeMem(void* p);

    template <class T> static T Read(const void* p, int offset) {
        T v;
        std::memcpy(&v, static_cast<const uint8_t*>(p) + offset, sizeof v);
        return v;
    }
    template <class T> static void Write(void* p, int offset, T v) {
        std::memcpy(static_cast<uint8_t*>(p) + offset, &v, sizeof v);
    }
    static uint8_t ReadByte(const void* p, int offset = 0) { return Read<uint8_t>(p, offset); }
    static int16_t ReadInt16(const void* p, int offset = 0) { return Read<int16_t>(p, offset); }
    static int32_t ReadInt32(const void* p, int offset = 0) { return Read<int32_t>(p, offset); }
    static int64_t ReadInt64(const void* p, int offset = 0) { return Read<int64_t>(p, offset); }
    static void* ReadPtr(const void* p, int offset = 0) { return Read<void*>(p, offset); }
    static void WriteByte(void* p, uint8_t v) { Write(p, 0, v); }
    static void WriteInt16(void* p, int16_t v) { Write(p, 0, v); }
    static void WriteInt32(void* p, int32_t v) { Write(p, 0, v); }
    static void WriteInt64(void* p, int64_t v) { Write(p, 0, v); }
    static void WritePtr(void* p, void* v) { Write(p, 0, v); }
    static void WriteByteAt(void* p, int offset, uint8_t v) { Write(p, offset, v); }
    static void WriteInt16At(void* p, int offset, int16_t v) { Write(p, offset, v); }
    static void WriteInt32At(void* p, int offset, int32_t v) { Write(p, offset, v); }
    static void WritePtrAt(void* p, int offset, void* v) { Write(p, offset, v); }

    // length <= 0: up to the terminating zero; else exactly length characters, zeros included.
    static AnsiString PtrToAnsiStr(const void* p, int length = 0);
    static WideString PtrToWideStr(const void* p, int length = 0);
    // Pointer to the characters of the text (no copy); valid while the text lives.
    static const char* AnsiStrToPtr(const AnsiString& text) { return text.c_str(); }
    static const wchar_t* WideStrToPtr(const WideString& text) { return text.c_str(); }
    static void ReleaseStringPtr(const void*) {}

    static void CopyFromPtr(const void* source, int offset, void* dest, int count) {
        if (count > 0)
            std::memmove(dest, static_cast<const uint8_t*>(source) + offset, static_cast<size_t>(count));
    }
    static void CopyToPtr(const void* source, void* dest, int offset, int count) {
        if (count > 0) std::memmove(static_cast<uint8_t*>(dest) + offset, source, static_cast<size_t>(count));
    }
};

// String wrappers; the ANSI forms follow the system locale.
int CompareTextCI(const AnsiString& a, const AnsiString& b);
bool SameTextCI(const AnsiString& a, const AnsiString& b);
AnsiString QuoteText(const AnsiString& text, char quote);
AnsiString DequoteText(const AnsiString& text, char quote);
AnsiString VariantToText(const Variant& value);
inline AnsiString FormatText(std::string_view pattern, std::initializer_list<FormatArg> args) {
    return Format(pattern, args);
}

// The three shared encodings exist between these calls; repeated calls are counted.
void CLRClassesStart();
void CLRClassesEnd();
