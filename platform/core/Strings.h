#pragma once
// Text types of the platform: AnsiString holds bytes of the ANSI code page (936 on the users'
// machines), WideString holds UTF-16. Both are the standard strings, so they interoperate with
// everything; the conversions go through the system's code-page services.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/core/Win.h"

using AnsiString = std::string;
using WideString = std::wstring;

// Code-page conversions (MultiByteToWideChar / WideCharToMultiByte). codePage 0 is the ANSI one.
WideString AnsiToWide(std::string_view text, unsigned codePage = CP_ACP);
AnsiString WideToAnsi(std::wstring_view text, unsigned codePage = CP_ACP);

// --- trimming and case -------------------------------------------------------------------------
// Trim drops leading and trailing bytes <= ' ' (spaces and control characters).
AnsiString Trim(std::string_view s);
AnsiString TrimLeft(std::string_view s);
AnsiString TrimRight(std::string_view s);
WideString Trim(std::wstring_view s);

// ASCII letters only; bytes of double-byte characters are left as they are.
AnsiString UpperCase(std::string_view s);
AnsiString LowerCase(std::string_view s);
// Case mapping of the system locale (CharUpperBuff / CharLowerBuff).
AnsiString AnsiUpperCase(std::string_view s);
AnsiString AnsiLowerCase(std::string_view s);
// The names the library and the launcher use for the same two conversions.
inline AnsiString UpperText(std::string_view s) { return AnsiUpperCase(s); }
inline AnsiString LowerText(std::string_view s) { return AnsiLowerCase(s); }
WideString WideUpperCase(std::wstring_view s);
WideString WideLowerCase(std::wstring_view s);

// --- comparison: <0, 0, >0 ---------------------------------------------------------------------
// Ordinal byte comparison; CompareText folds ASCII letters only.
int CompareStr(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
// Comparison of the user's locale (CompareString, LOCALE_USER_DEFAULT).
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
int WideCompareStr(std::wstring_view a, std::wstring_view b);
int WideCompareText(std::wstring_view a, std::wstring_view b);

// --- numbers -----------------------------------------------------------------------------------
AnsiString IntToStr(int64_t value);
// Upper-case hexadecimal, padded with zeros to at least digits.
AnsiString IntToHex(int64_t value, int digits);
// Decimal, or hexadecimal with a leading '$' or "0x"; surrounding blanks allowed.
// Raises EConvertError "'<s>' is not a valid integer value".
int StrToInt(std::string_view s);
int64_t StrToInt64(std::string_view s);
int StrToIntDef(std::string_view s, int defaultValue);
bool TryStrToInt(std::string_view s, int& value);
bool TryStrToInt64(std::string_view s, int64_t& value);

// --- substrings (1-based like the rest of the system) ------------------------------------------
// Index of the first occurrence of sub in s, 1-based; 0 when absent (or when sub is empty).
int Pos(std::string_view sub, std::string_view s);
int Pos(std::wstring_view sub, std::wstring_view s);
// count characters from index (1-based); out-of-range parts are clipped.
AnsiString Copy(std::string_view s, int index, int count);
WideString Copy(std::wstring_view s, int index, int count);

enum TReplaceFlags : unsigned { rfNone = 0, rfReplaceAll = 1, rfIgnoreCase = 2 };
constexpr TReplaceFlags operator|(TReplaceFlags a, TReplaceFlags b) {
    return static_cast<TReplaceFlags>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
// rfIgnoreCase compares by the locale's upper case (AnsiUpperCase).
AnsiString StringReplace(std::string_view s, std::string_view oldPattern, std::string_view newPattern,
                         TReplaceFlags flags);

// --- file names (ANSI, double-byte aware: a trail byte 0x5C is not a path delimiter) ----------
constexpr char PathDelim = '\\';
AnsiString IncludeTrailingPathDelimiter(std::string_view path);
AnsiString ExcludeTrailingPathDelimiter(std::string_view path);
// Directory part including the trailing delimiter ("C:\dir\" of "C:\dir\a.txt").
AnsiString ExtractFilePath(std::string_view fileName);
// Directory part without the trailing delimiter.
AnsiString ExtractFileDir(std::string_view fileName);
AnsiString ExtractFileName(std::string_view fileName);
// Extension with its dot (".txt"); empty when none.
AnsiString ExtractFileExt(std::string_view fileName);
AnsiString ChangeFileExt(std::string_view fileName, std::string_view extension);
AnsiString ExpandFileName(std::string_view fileName);
bool FileExists(std::string_view fileName);
bool DirectoryExists(std::string_view directory);
// Creates the directory and every missing parent; true when it exists afterwards.
bool ForceDirectories(std::string_view directory);

// --- Format ------------------------------------------------------------------------------------
// One argument of Format: an integer, a floating-point number, a narrow or wide string, or a pointer.
class FormatArg {
public:
    enum class Kind { Int, Float, Ansi, Wide, Pointer };

    template <class T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, char> && !std::is_same_v<T, wchar_t>) FormatArg(T v)
        : kind_(Kind::Int), int_(static_cast<int64_t>(v)), unsigned_(std::is_unsigned_v<T>) {}
    FormatArg(double v) : kind_(Kind::Float), float_(v) {}
    FormatArg(float v) : kind_(Kind::Float), float_(v) {}
    FormatArg(long double v) : kind_(Kind::Float), float_(static_cast<double>(v)) {}
    FormatArg(char c) : kind_(Kind::Ansi), ansi_(1, c) {}
    FormatArg(const char* s) : kind_(Kind::Ansi), ansi_(s ? s : "") {}
    FormatArg(std::string_view s) : kind_(Kind::Ansi), ansi_(s) {}
    FormatArg(const AnsiString& s) : kind_(Kind::Ansi), ansi_(s) {}
    FormatArg(wchar_t c) : kind_(Kind::Wide), wide_(1, c) {}
    FormatArg(const wchar_t* s) : kind_(Kind::Wide), wide_(s ? s : L"") {}
    FormatArg(const WideString& s) : kind_(Kind::Wide), wide_(s) {}
    FormatArg(const void* p) : kind_(Kind::Pointer), pointer_(p) {}

    Kind kind() const { return kind_; }
    int64_t AsInt() const { return int_; }
    bool IsUnsigned() const { return unsigned_; }
    double AsFloat() const { return float_; }
    const AnsiString& AsAnsi() const { return ansi_; }
    const WideString& AsWide() const { return wide_; }
    const void* AsPointer() const { return pointer_; }

private:
    Kind kind_;
    int64_t int_ = 0;
    bool unsigned_ = false;
    double float_ = 0;
    AnsiString ansi_;
    WideString wide_;
    const void* pointer_ = nullptr;
};

// Formats like the platform's Format: "%" ["index:"] ["-"] [width] ["." precision] type, where
// type is d u x (upper-case hex) e f g n m p s; "%%" is a percent sign. %s takes wide strings too
// (converted to ANSI). An index selects the argument; later unindexed items continue after it.
// A missing or mismatched argument raises EConvertError
// "Format '<fmt>' invalid or incompatible with argument".
AnsiString Format(std::string_view fmt, std::initializer_list<FormatArg> args);
