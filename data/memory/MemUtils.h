#pragma once
// Low-level routines of the record model: moves and fills, locale comparisons answering -1, 0
// or 1, trimming of fixed-length character fields, date construction, variant equality and the
// compression hooks.
#include <cstdint>
#include <cstring>

#include "platform/core/DateTime.h"
#include "platform/core/Exceptions.h"
#include "platform/core/ObjectModel.h"
#include "platform/core/Variant.h"

// ---- memory ----
inline void MoveBytes(const void* source, void* dest, int count) {
    if (count > 0) std::memmove(dest, source, static_cast<size_t>(count));
}
inline void MoveTextChars(const AnsiString& text, void* dest, int count) {
    if (count > 0) std::memmove(dest, text.data(), static_cast<size_t>(count));
}
inline void MoveWideChars(const WideString& text, void* dest, int count) {
    if (count > 0) std::memmove(dest, text.data(), static_cast<size_t>(count));
}
inline void FillBytes(void* address, int count, uint8_t value) {
    if (count > 0) std::memset(address, value, static_cast<size_t>(count));
}
inline void* OffsetPtr(const void* address, int32_t offset) {
    return const_cast<uint8_t*>(static_cast<const uint8_t*>(address) + offset);
}
inline int64_t OffsetPtr64(const void* address, int64_t offset) {
    return static_cast<int64_t>(reinterpret_cast<uintptr_t>(address)) + offset;
}
inline intptr_t PtrDiff(const void* a, const void* b) {
    return static_cast<intptr_t>(reinterpret_cast<uintptr_t>(a) - reinterpret_cast<uintptr_t>(b));
}
inline int ComparePtr(const void* a, const void* b) {
    auto x = reinterpret_cast<uintptr_t>(a), y = reinterpret_cast<uintptr_t>(b);
    return x < y ? -1 : x > y ? 1 : 0;
}
void CopyWideZ(const wchar_t* source, wchar_t* dest);
void CopyWideN(const wchar_t* source, wchar_t* dest, int count);
int WideLen(const wchar_t* text);
// From the end backwards every space or zero becomes zero until another character is met;
// length -1 means up to the terminating zero. Returns the address of the last character left
// (one before the start when all were cleared).
char* TrimTrailingBlanks(char* text, int length);
wchar_t* TrimTrailingBlanksW(wchar_t* text, int length);

// Identity operations: records hold object references as plain pointers.
inline void* HandleFromObject(void* object) {
    return object;
}
inline void* ObjectFromHandle(void* handle) {
    return handle;
}
inline void* PinBuffer(void* buffer) {
    return buffer;
}
inline void UnpinBuffer(void*) {}
inline void FreeObjectHandle(void*) {}
inline const void* FreeStringPtr(const void* p) {
    return p;
}
inline void* BufferResult(void* buffer, int = 0) {
    return buffer;
}

// ---- locale comparison (user's default locale, string sort): -1, 0 or 1 ----
int ComparePCharStr(const char* a, const char* b);
int ComparePCharText(const char* a, const char* b);
int CompareAnsiStr(const char* a, int aLength, const char* b, int bLength);
int CompareAnsiText(const char* a, int aLength, const char* b, int bLength);
int CompareWideStr(const wchar_t* a, const wchar_t* b);
int CompareWideText(const wchar_t* a, const wchar_t* b);
int CompareWideStrN(const wchar_t* a, const wchar_t* b, int n);
int CompareWideTextN(const wchar_t* a, const wchar_t* b, int n);

// ---- dates ----
bool TryMakeDate(int year, int month, int day, TDateTime& result);
bool TryMakeTime(int hour, int minute, int second, int msec, TDateTime& result);
bool TryMakeDateTime(int year, int month, int day, int hour, int minute, int second, int msec,
                     TDateTime& result);
// Raises EConvertError "'%d.%d' is not a valid timestamp".
void CheckTimeStamp(const TTimeStamp& stamp);
TDateTime DateTimeFromTimeStamp(const TTimeStamp& stamp);

// ---- variants and classes ----
bool VariantsEqual(const Variant& a, const Variant& b);
bool IsObjectOfClass(const TObject* object, TClass aClass);
bool IsObjectOfClassByName(const TObject* object, TClass aClass);

// ---- compression hooks ----
VZ_EXCEPTION_CLASS(EZlibError, Exception);
VZ_EXCEPTION_CLASS(ECompressionError, EZlibError);
VZ_EXCEPTION_CLASS(EDecompressionError, EZlibError);

// (destination, in-out destination length, source, source length)
using TCompressBlockProc = void (*)(void* dest, uint32_t& destLength, const void* source,
                                    uint32_t sourceLength);
extern TCompressBlockProc CompressProc;
extern TCompressBlockProc UncompressProc;

void CompressBlock(void* dest, uint32_t& destLength, const void* source, uint32_t sourceLength);
// destLength comes back as the bytes really produced.
void UncompressBlock(void* dest, uint32_t& destLength, const void* source, uint32_t sourceLength);
// Raises Exception "Compressor function is not linked" / "Uncompressor function is not linked".
void CheckCompressionHooks();

// The zlib routines behind the hooks.
void ZCompressBlock(void* dest, uint32_t& destLength, const void* source, uint32_t sourceLength);
void ZUncompressBlock(void* dest, uint32_t& destLength, const void* source, uint32_t sourceLength);

// True on the Windows 9x family.
extern bool IsWin9x;

void MemUtilsStart();
void MemUtilsEnd();
