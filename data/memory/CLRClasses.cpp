#include "data/memory/CLRClasses.h"

#include <cstdlib>
#include <cwchar>
#include <new>

#include "platform/core/Exceptions.h"

namespace {

void CheckRange(size_t size, int index, int count) {
    if (index < 0 || count < 0 || static_cast<size_t>(index) + static_cast<size_t>(count) > size)
        throw Exception("Index out of range");
}

// Bytes written into a caller's array must fit: the array is never grown.
void CheckRoom(const TBytes& bytes, int byteIndex, size_t count) {
    if (byteIndex < 0 || static_cast<size_t>(byteIndex) + count > bytes.size())
        throw Exception("Byte array too small");
}

AnsiString Utf8ToAnsi(const uint8_t* data, int count) {
    if (count <= 0) return {};
    return WideToAnsi(AnsiToWide(
        std::string_view(reinterpret_cast<const char*>(data), static_cast<size_t>(count)), CP_UTF8));
}

TBytes ToBytes(const std::string& s) {
    return TBytes(s.begin(), s.end());
}

int g_startCount = 0;

} // namespace

// ---- Encoding (ANSI) -------------------------------------------------------------------------

TBytes Encoding::TextToBytes(const AnsiString& text) const {
    return ToBytes(text);
}

int Encoding::TextRangeToBytes(const AnsiString& text, int charIndex, int charCount, TBytes& bytes,
                               int byteIndex) const {
    if (charCount <= 0) return 0;
    CheckRange(text.size(), charIndex, charCount);
    CheckRoom(bytes, byteIndex, static_cast<size_t>(charCount));
    std::memcpy(bytes.data() + byteIndex, text.data() + charIndex, static_cast<size_t>(charCount));
    return charCount;
}

TBytes Encoding::WideToBytes(const WideString& text) const {
    return TextToBytes(WideToAnsi(text));
}

int Encoding::WideRangeToBytes(const WideString& text, int charIndex, int charCount, TBytes& bytes,
                               int byteIndex) const {
    if (charCount <= 0) return 0;
    CheckRange(text.size(), charIndex, charCount);
    // Only the requested wide characters: a double-byte character takes two ANSI bytes, so wide
    // indexes cannot be applied to the converted text.
    AnsiString part = WideToAnsi(
        std::wstring_view(text).substr(static_cast<size_t>(charIndex), static_cast<size_t>(charCount)));
    CheckRoom(bytes, byteIndex, part.size());
    std::memcpy(bytes.data() + byteIndex, part.data(), part.size());
    return static_cast<int>(part.size());
}

AnsiString Encoding::BytesToText(const TBytes& bytes) const {
    return BytesRangeToText(bytes, 0, static_cast<int>(bytes.size()));
}

AnsiString Encoding::BytesRangeToText(const TBytes& bytes, int index, int count) const {
    if (count <= 0) return {};
    CheckRange(bytes.size(), index, count);
    return PtrToText(bytes.data() + index, count);
}

WideString Encoding::BytesToWide(const TBytes& bytes) const {
    return BytesRangeToWide(bytes, 0, static_cast<int>(bytes.size()));
}

WideString Encoding::BytesRangeToWide(const TBytes& bytes, int index, int count) const {
    if (count <= 0) return {};
    CheckRange(bytes.size(), index, count);
    return PtrToWide(bytes.data() + index, count);
}

int Encoding::MaxByteCount(int charCount) const {
    return charCount;
}

AnsiString Encoding::PtrToText(const uint8_t* data, int count) const {
    if (count <= 0) return {};
    return AnsiString(reinterpret_cast<const char*>(data), static_cast<size_t>(count));
}

WideString Encoding::PtrToWide(const uint8_t* data, int count) const {
    return AnsiToWide(PtrToText(data, count));
}

Encoding* Encoding::GetDefault() {
    static Encoding instance;
    return &instance;
}

Encoding* Encoding::GetUnicode() {
    static UnicodeEncoding instance;
    return &instance;
}

Encoding* Encoding::GetUTF8() {
    static UTF8Encoding instance;
    return &instance;
}

// ---- UnicodeEncoding -------------------------------------------------------------------------

TBytes UnicodeEncoding::TextToBytes(const AnsiString& text) const {
    return WideToBytes(AnsiToWide(text));
}

int UnicodeEncoding::TextRangeToBytes(const AnsiString& text, int charIndex, int charCount, TBytes& bytes,
                                      int byteIndex) const {
    return WideRangeToBytes(AnsiToWide(text), charIndex, charCount, bytes, byteIndex);
}

TBytes UnicodeEncoding::WideToBytes(const WideString& text) const {
    TBytes out(text.size() * 2);
    if (!text.empty()) std::memcpy(out.data(), text.data(), out.size());
    return out;
}

int UnicodeEncoding::WideRangeToBytes(const WideString& text, int charIndex, int charCount, TBytes& bytes,
                                      int byteIndex) const {
    if (charCount <= 0) return 0;
    CheckRange(text.size(), charIndex, charCount);
    size_t n = static_cast<size_t>(charCount) * 2;
    CheckRoom(bytes, byteIndex, n);
    std::memcpy(bytes.data() + byteIndex, text.data() + charIndex, n);
    return static_cast<int>(n);
}

AnsiString UnicodeEncoding::BytesRangeToText(const TBytes& bytes, int index, int count) const {
    return WideToAnsi(BytesRangeToWide(bytes, index, count));
}

WideString UnicodeEncoding::BytesRangeToWide(const TBytes& bytes, int index, int count) const {
    if (count <= 0) return {};
    CheckRange(bytes.size(), index, count);
    return PtrToWide(bytes.data() + index, count);
}

int UnicodeEncoding::MaxByteCount(int charCount) const {
    return charCount * 2;
}

AnsiString UnicodeEncoding::PtrToText(const uint8_t* data, int count) const {
    return WideToAnsi(PtrToWide(data, count));
}

WideString UnicodeEncoding::PtrToWide(const uint8_t* data, int count) const {
    if (count <= 1) return {};
    // An odd last byte is no character.
    WideString out(static_cast<size_t>(count / 2), L'\0');
    std::memcpy(out.data(), data, out.size() * 2);
    return out;
}

// ---- UTF8Encoding ----------------------------------------------------------------------------

TBytes UTF8Encoding::TextToBytes(const AnsiString& text) const {
    return WideToBytes(AnsiToWide(text));
}

int UTF8Encoding::TextRangeToBytes(const AnsiString&, int, int, TBytes&, int) const {
    Assert(false, "UTF8Encoding.TextRangeToBytes is not supported");
    return 0;
}

TBytes UTF8Encoding::WideToBytes(const WideString& text) const {
    return ToBytes(WideToAnsi(text, CP_UTF8));
}

int UTF8Encoding::WideRangeToBytes(const WideString&, int, int, TBytes&, int) const {
    Assert(false, "UTF8Encoding.WideRangeToBytes is not supported");
    return 0;
}

AnsiString UTF8Encoding::BytesRangeToText(const TBytes& bytes, int index, int count) const {
    if (count <= 0) return {};
    CheckRange(bytes.size(), index, count);
    return PtrToText(bytes.data() + index, count);
}

WideString UTF8Encoding::BytesRangeToWide(const TBytes& bytes, int index, int count) const {
    if (count <= 0) return {};
    CheckRange(bytes.size(), index, count);
    return PtrToWide(bytes.data() + index, count);
}

int UTF8Encoding::MaxByteCount(int charCount) const {
    return charCount * 3;
}

AnsiString UTF8Encoding::PtrToText(const uint8_t* data, int count) const {
    return Utf8ToAnsi(data, count);
}

WideString UTF8Encoding::PtrToWide(const uint8_t* data, int count) const {
    if (count <= 0) return {};
    return AnsiToWide(std::string_view(reinterpret_cast<const char*>(data), static_cast<size_t>(count)),
                      CP_UTF8);
}

// ---- builders --------------------------------------------------------------------------------

AnsiStringBuilder::AnsiStringBuilder(int capacity)
    : buffer_(static_cast<size_t>(capacity > 0 ? capacity : 0)) {}

void AnsiStringBuilder::Grow(int newCapacity) {
    buffer_.resize(static_cast<size_t>(newCapacity));
}

void AnsiStringBuilder::Append(const AnsiString& text) {
    Append(text.data(), static_cast<int>(text.size()));
}

void AnsiStringBuilder::Append(const char* text, int count) {
    if (count <= 0) return;
    if (Capacity() - length_ < count) Grow(count + length_ + Capacity() / 2);
    std::memcpy(buffer_.data() + length_, text, static_cast<size_t>(count));
    length_ += count;
}

void AnsiStringBuilder::AppendChar(char c) {
    if (Capacity() - length_ < 1) Grow(length_ + Capacity() / 2 + 1);
    buffer_[static_cast<size_t>(length_++)] = c;
}

void AnsiStringBuilder::SetLength(int length) {
    if (length < 0) length = 0;
    if (Capacity() - length_ < length) Grow(length + length_ + Capacity() / 2);
    length_ = length;
}

WideStringBuilder::WideStringBuilder(int capacity)
    : buffer_(static_cast<size_t>(capacity > 0 ? capacity : 0)) {}

WideStringBuilder WideStringBuilder::CreateWithText(const WideString& text, int capacity) {
    WideStringBuilder b(capacity);
    b.Append(text);
    return b;
}

void WideStringBuilder::Grow(int newCapacity) {
    buffer_.resize(static_cast<size_t>(newCapacity));
}

void WideStringBuilder::Append(const WideString& text) {
    Append(text.data(), static_cast<int>(text.size()));
}

void WideStringBuilder::Append(const wchar_t* text, int count) {
    if (count <= 0) return;
    if (Capacity() - length_ < count) Grow(count + length_ + Capacity() / 2);
    std::memcpy(buffer_.data() + length_, text, static_cast<size_t>(count) * sizeof(wchar_t));
    length_ += count;
}

void WideStringBuilder::AppendChar(wchar_t c) {
    if (Capacity() - length_ < 1) Grow(length_ + Capacity() / 2 + 1);
    buffer_[static_cast<size_t>(length_++)] = c;
}

void WideStringBuilder::SetLength(int length) {
    if (length < 0) length = 0;
    if (Capacity() - length_ < length) Grow(length + length_ + Capacity() / 2);
    length_ = length;
}

void WideStringBuilder::Replace(const WideString& oldText, const WideString& newText) {
    if (oldText.empty() || length_ == 0) return;
    const int oldLen = static_cast<int>(oldText.size());
    const wchar_t* text = buffer_.data();
    // One pass into a new array: moving the tail at every occurrence made text full of
    // replacements take quadratic time.
    std::vector<wchar_t> result;
    int copied = 0; // characters of the old text already in result
    for (int i = 0; i + oldLen <= length_;) {
        if (text[i] != oldText[0] ||
            std::wmemcmp(text + i, oldText.data(), static_cast<size_t>(oldLen)) != 0) {
            ++i;
            continue;
        }
        if (result.empty()) result.reserve(static_cast<size_t>(length_) + newText.size() * 4 + 16);
        result.insert(result.end(), text + copied, text + i);
        result.insert(result.end(), newText.begin(), newText.end());
        i += oldLen; // the inserted text is not scanned again
        copied = i;
    }
    if (copied == 0) return; // no occurrence
    result.insert(result.end(), text + copied, text + length_);
    length_ = static_cast<int>(result.size());
    if (result.empty()) result.resize(1); // never an array without storage
    buffer_ = std::move(result);
}

// ---- Marshal ---------------------------------------------------------------------------------

void* Marshal::AllocMem(size_t size) {
    void* p = std::calloc(size ? size : 1, 1);
    if (!p) throw EOutOfMemory("Out of memory");
    return p;
}

void* Marshal::ReallocMem(void* p, size_t size) {
    void* q = std::realloc(p, size ? size : 1);
    if (!q) throw EOutOfMemory("Out of memory");
    return q;
}

void Marshal::FreeMem(void* p) {
    std::free(p);
}

AnsiString Marshal::PtrToAnsiStr(const void* p, int length) {
    if (!p) return {};
    const char* s = static_cast<const char*>(p);
    return length <= 0 ? AnsiString(s) : AnsiString(s, static_cast<size_t>(length));
}

WideString Marshal::PtrToWideStr(const void* p, int length) {
    if (!p) return {};
    const wchar_t* s = static_cast<const wchar_t*>(p);
    return length <= 0 ? WideString(s) : WideString(s, static_cast<size_t>(length));
}

// ---- string wrappers -------------------------------------------------------------------------

int CompareTextCI(const AnsiString& a, const AnsiString& b) {
    return AnsiCompareText(a, b);
}
bool SameTextCI(const AnsiString& a, const AnsiString& b) {
    return AnsiSameText(a, b);
}

AnsiString QuoteText(const AnsiString& text, char quote) {
    AnsiString out;
    out.reserve(text.size() + 2);
    out += quote;
    for (char c : text) {
        out += c;
        if (c == quote) out += c;
    }
    out += quote;
    return out;
}

AnsiString DequoteText(const AnsiString& text, char quote) {
    if (text.empty() || text[0] != quote) return text;
    AnsiString out;
    size_t i = 1;
    while (i < text.size()) {
        if (text[i] == quote) {
            if (i + 1 < text.size() && text[i + 1] == quote) {
                out += quote;
                i += 2;
                continue;
            }
            break; // closing quote: the rest is dropped
        }
        out += text[i++];
    }
    return out.empty() ? text : out;
}

AnsiString VariantToText(const Variant& value) {
    return VarToStr(value);
}

void CLRClassesStart() {
    if (g_startCount++ == 0) {
        // The shared encodings are function-local objects: touching them creates them once.
        Encoding::GetDefault();
        Encoding::GetUnicode();
        Encoding::GetUTF8();
    }
}

void CLRClassesEnd() {
    if (g_startCount > 0) --g_startCount;
}
