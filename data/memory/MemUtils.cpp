#include "data/memory/MemUtils.h"

#include <cwchar>
#include <zlib.h>

#include "platform/core/Win.h"

TCompressBlockProc CompressProc = &ZCompressBlock;
TCompressBlockProc UncompressProc = &ZUncompressBlock;
bool IsWin9x = false;

namespace {
int g_startCount = 0;

int CompareResult(int r) {
    if (r == 0) throw Exception("Comparison failed");
    return r - 2; // CSTR_LESS_THAN, CSTR_EQUAL, CSTR_GREATER_THAN
}

int CompareA(DWORD flags, const char* a, int aLength, const char* b, int bLength) {
    return CompareResult(
        CompareStringA(LOCALE_USER_DEFAULT, SORT_STRINGSORT | flags, a, aLength, b, bLength));
}

int CompareW(DWORD flags, const wchar_t* a, int aLength, const wchar_t* b, int bLength) {
    Assert(!IsWin9x, "Unicode support on Win9x");
    return CompareResult(
        CompareStringW(LOCALE_USER_DEFAULT, SORT_STRINGSORT | flags, a, aLength, b, bLength));
}

} // namespace

void CopyWideZ(const wchar_t* source, wchar_t* dest) {
    std::wmemcpy(dest, source, std::wcslen(source) + 1);
}

void CopyWideN(const wchar_t* source, wchar_t* dest, int count) {
    if (count > 0) std::wmemmove(dest, source, static_cast<size_t>(count));
    dest[count > 0 ? count : 0] = L'\0';
}

int WideLen(const wchar_t* text) {
    return text ? static_cast<int>(std::wcslen(text)) : 0;
}

char* TrimTrailingBlanks(char* text, int length) {
    if (length < 0) length = static_cast<int>(std::strlen(text));
    char* p = text + length - 1;
    while (p >= text && (*p == ' ' || *p == '\0'))
        *p-- = '\0';
    return p;
}

wchar_t* TrimTrailingBlanksW(wchar_t* text, int length) {
    if (length < 0) length = static_cast<int>(std::wcslen(text));
    wchar_t* p = text + length - 1;
    while (p >= text && (*p == L' ' || *p == L'\0'))
        *p-- = L'\0';
    return p;
}

int ComparePCharStr(const char* a, const char* b) {
    return CompareA(0, a, -1, b, -1);
}
int ComparePCharText(const char* a, const char* b) {
    return CompareA(NORM_IGNORECASE, a, -1, b, -1);
}
int CompareAnsiStr(const char* a, int aLength, const char* b, int bLength) {
    return CompareA(0, a, aLength, b, bLength);
}
int CompareAnsiText(const char* a, int aLength, const char* b, int bLength) {
    return CompareA(NORM_IGNORECASE, a, aLength, b, bLength);
}
int CompareWideStr(const wchar_t* a, const wchar_t* b) {
    return CompareW(0, a, -1, b, -1);
}
int CompareWideText(const wchar_t* a, const wchar_t* b) {
    return CompareW(NORM_IGNORECASE, a, -1, b, -1);
}
int CompareWideStrN(const wchar_t* a, const wchar_t* b, int n) {
    return CompareW(0, a, n, b, n);
}
int CompareWideTextN(const wchar_t* a, const wchar_t* b, int n) {
    return CompareW(NORM_IGNORECASE, a, n, b, n);
}

// Same calendar rules as the platform's date encoding.
bool TryMakeDate(int year, int month, int day, TDateTime& result) {
    return TryEncodeDate(year, month, day, result);
}

bool TryMakeTime(int hour, int minute, int second, int msec, TDateTime& result) {
    return TryEncodeTime(hour, minute, second, msec, result);
}

bool TryMakeDateTime(int year, int month, int day, int hour, int minute, int second, int msec,
                     TDateTime& result) {
    TDateTime date, time;
    if (!TryMakeDate(year, month, day, date) || !TryMakeTime(hour, minute, second, msec, time)) return false;
    result = date < 0 ? date - time : date + time;
    return true;
}

void CheckTimeStamp(const TTimeStamp& stamp) {
    if (stamp.Time < 0 || stamp.Date <= 0)
        throw EConvertError(Format("'%d.%d' is not a valid timestamp", {stamp.Date, stamp.Time}));
}

TDateTime DateTimeFromTimeStamp(const TTimeStamp& stamp) {
    CheckTimeStamp(stamp);
    double days = static_cast<double>(stamp.Date - DateDelta);
    double fraction = static_cast<double>(stamp.Time) / MSecsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

namespace {
bool IsStringKind(const Variant& v) {
    return v.VarType() == varString || v.VarType() == varOleStr;
}
} // namespace

bool VariantsEqual(const Variant& a, const Variant& b) {
    // Wide text compares character by character, case counting.
    if ((a.VarType() == varOleStr && IsStringKind(b)) || (b.VarType() == varOleStr && IsStringKind(a)))
        return a.AsWideString() == b.AsWideString();
    if (a.IsNull() && b.IsNull()) return true;
    if (a.IsNull() || b.IsNull()) return false;
    // An empty string equals only an empty string (not Empty, not 0).
    const bool aEmptyText = IsStringKind(a) && a.AsAnsiString().empty();
    const bool bEmptyText = IsStringKind(b) && b.AsAnsiString().empty();
    if (aEmptyText) return bEmptyText;
    if (bEmptyText) return false;
    if (!a.IsByteArray() && !b.IsByteArray()) {
        try {
            return a == b;
        } catch (const Exception&) {
            return false; // values that cannot be compared are not equal
        }
    }
    if (!a.IsByteArray() || !b.IsByteArray()) return false;
    const TBytes& x = a.Bytes();
    const TBytes& y = b.Bytes();
    return x == y;
}

bool IsObjectOfClassByName(const TObject* object, TClass aClass) {
    if (!object || !aClass) return false;
    for (TClass c = object->ClassType(); c; c = c->ClassParent())
        if (c->ClassName() == aClass->ClassName()) return true;
    return false;
}

bool IsObjectOfClass(const TObject* object, TClass aClass) {
    // A statically linked executable has one copy of every class: the plain inheritance test.
    return object && aClass && object->InheritsFrom(aClass);
}

void CheckCompressionHooks() {
    if (!CompressProc) throw Exception("Compressor function is not linked");
    if (!UncompressProc) throw Exception("Uncompressor function is not linked");
}

void CompressBlock(void* dest, uint32_t& destLength, const void* source, uint32_t sourceLength) {
    Assert(CompressProc != nullptr, "Compressor function is not linked");
    CompressProc(dest, destLength, source, sourceLength);
}

void UncompressBlock(void* dest, uint32_t& destLength, const void* source, uint32_t sourceLength) {
    Assert(UncompressProc != nullptr, "Uncompressor function is not linked");
    UncompressProc(dest, destLength, source, sourceLength);
}

void ZCompressBlock(void* dest, uint32_t& destLength, const void* source, uint32_t sourceLength) {
    z_stream z{};
    z.next_in = static_cast<Bytef*>(const_cast<void*>(source));
    z.avail_in = sourceLength;
    z.next_out = static_cast<Bytef*>(dest);
    z.avail_out = destLength;
    if (deflateInit(&z, Z_DEFAULT_COMPRESSION) < 0) throw ECompressionError("Error");
    int r = deflate(&z, Z_FINISH);
    if (r < 0 && r != Z_BUF_ERROR) {
        deflateEnd(&z);
        throw ECompressionError("Error");
    }
    if (r != Z_STREAM_END) {
        deflateEnd(&z);
        throw EZlibError("ZLib error: target buffer may be too small");
    }
    if (deflateEnd(&z) < 0) throw ECompressionError("Error");
    destLength = static_cast<uint32_t>(z.total_out);
}

void ZUncompressBlock(void* dest, uint32_t& destLength, const void* source, uint32_t sourceLength) {
    z_stream z{};
    z.next_in = static_cast<Bytef*>(const_cast<void*>(source));
    z.avail_in = sourceLength;
    z.next_out = static_cast<Bytef*>(dest);
    z.avail_out = destLength;
    if (inflateInit(&z) < 0) throw EDecompressionError("Error");
    int r = inflate(&z, Z_FINISH);
    const uint32_t produced = static_cast<uint32_t>(z.total_out);
    if (r == Z_BUF_ERROR && z.avail_out == 0) {
        // The output is full and the stream goes on.
        inflateEnd(&z);
        throw EZlibError("ZLib error: target buffer may be too small");
    }
    if (r < 0) {
        inflateEnd(&z);
        throw EDecompressionError("Error");
    }
    if (r != Z_STREAM_END) {
        inflateEnd(&z);
        throw EZlibError("ZLib error: target buffer may be too small");
    }
    if (inflateEnd(&z) < 0) throw EDecompressionError("Error");
    // Callers compare what was really produced with the size they expected.
    destLength = produced;
}

void MemUtilsStart() {
    if (g_startCount++ > 0) return;
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) RaiseLastOSError();
#pragma GCC diagnostic pop
    IsWin9x = info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
    CompressProc = &ZCompressBlock;
    UncompressProc = &ZUncompressBlock;
}

void MemUtilsEnd() {
    if (g_startCount > 0) --g_startCount;
}
