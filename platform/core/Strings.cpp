#include "platform/core/Strings.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/core/Exceptions.h"

WideString AnsiToWide(std::string_view text, unsigned codePage) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    WideString out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

AnsiString WideToAnsi(std::wstring_view text, unsigned codePage) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    AnsiString out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

// --- trimming and case ---------------------------------------------------------------------------

namespace {
bool Blank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// Calls f(index) for every byte that starts a character (skips trail bytes of DBCS pairs).
template <class F> void ForEachLeadByte(std::string_view s, F f) {
    for (size_t i = 0; i < s.size(); ++i) {
        f(i);
        if (IsDBCSLeadByte(static_cast<BYTE>(s[i])) && i + 1 < s.size()) ++i;
    }
}
} // namespace

AnsiString Trim(std::string_view s) {
    return TrimLeft(TrimRight(s));
}

AnsiString TrimLeft(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && Blank(s[i]))
        ++i;
    return AnsiString(s.substr(i));
}

AnsiString TrimRight(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && Blank(s[n - 1]))
        --n;
    return AnsiString(s.substr(0, n));
}

WideString Trim(std::wstring_view s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] <= L' ')
        ++b;
    while (e > b && s[e - 1] <= L' ')
        --e;
    return WideString(s.substr(b, e - b));
}

AnsiString UpperCase(std::string_view s) {
    AnsiString r(s);
    ForEachLeadByte(r, [&](size_t i) {
        if (r[i] >= 'a' && r[i] <= 'z') r[i] = static_cast<char>(r[i] - 'a' + 'A');
    });
    return r;
}

AnsiString LowerCase(std::string_view s) {
    AnsiString r(s);
    ForEachLeadByte(r, [&](size_t i) {
        if (r[i] >= 'A' && r[i] <= 'Z') r[i] = static_cast<char>(r[i] - 'A' + 'a');
    });
    return r;
}

AnsiString AnsiUpperCase(std::string_view s) {
    AnsiString r(s);
    if (!r.empty()) CharUpperBuffA(r.data(), static_cast<DWORD>(r.size()));
    return r;
}

AnsiString AnsiLowerCase(std::string_view s) {
    AnsiString r(s);
    if (!r.empty()) CharLowerBuffA(r.data(), static_cast<DWORD>(r.size()));
    return r;
}

WideString WideUpperCase(std::wstring_view s) {
    WideString r(s);
    if (!r.empty()) CharUpperBuffW(r.data(), static_cast<DWORD>(r.size()));
    return r;
}

WideString WideLowerCase(std::wstring_view s) {
    WideString r(s);
    if (!r.empty()) CharLowerBuffW(r.data(), static_cast<DWORD>(r.size()));
    return r;
}

// --- comparison ------------------------------------------------------------------------------------

int CompareStr(std::string_view a, std::string_view b) {
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareText(std::string_view a, std::string_view b) {
    return CompareStr(UpperCase(a), UpperCase(b));
}

bool SameText(std::string_view a, std::string_view b) {
    return CompareText(a, b) == 0;
}

namespace {
int FromCompareString(int result) {
    // CSTR_LESS_THAN 1, CSTR_EQUAL 2, CSTR_GREATER_THAN 3; 0 is failure.
    if (result == 0) throw EConvertError("CompareString failed");
    return result - 2;
}
} // namespace

int AnsiCompareStr(std::string_view a, std::string_view b) {
    return FromCompareString(CompareStringA(LOCALE_USER_DEFAULT, 0, a.data(), static_cast<int>(a.size()),
                                            b.data(), static_cast<int>(b.size())));
}

int AnsiCompareText(std::string_view a, std::string_view b) {
    return FromCompareString(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                                            static_cast<int>(a.size()), b.data(),
                                            static_cast<int>(b.size())));
}

bool AnsiSameText(std::string_view a, std::string_view b) {
    return AnsiCompareText(a, b) == 0;
}

int WideCompareStr(std::wstring_view a, std::wstring_view b) {
    return FromCompareString(CompareStringW(LOCALE_USER_DEFAULT, 0, a.data(), static_cast<int>(a.size()),
                                            b.data(), static_cast<int>(b.size())));
}

int WideCompareText(std::wstring_view a, std::wstring_view b) {
    return FromCompareString(CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                                            static_cast<int>(a.size()), b.data(),
                                            static_cast<int>(b.size())));
}

// --- numbers -------------------------------------------------------------------------------------

AnsiString IntToStr(int64_t value) {
    return std::to_string(value);
}

AnsiString IntToHex(int64_t value, int digits) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*llX", std::clamp(digits, 0, 16),
                  static_cast<unsigned long long>(value));
    return buf;
}

bool TryStrToInt64(std::string_view text, int64_t& value) {
    std::string_view s = text;
    while (!s.empty() && Blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && Blank(s.back()))
        s.remove_suffix(1);
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (!s.empty() && s[0] == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) return false;
    // Accumulate as unsigned so that the most negative value is reachable.
    uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                              : uint64_t(std::numeric_limits<int64_t>::max());
    if (base == 16) limit = std::numeric_limits<uint64_t>::max(); // hex may spell a negative bit pattern
    uint64_t acc = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        if (acc > (limit - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)) return false;
        acc = acc * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    }
    value = negative ? static_cast<int64_t>(0 - acc) : static_cast<int64_t>(acc);
    return true;
}

bool TryStrToInt(std::string_view s, int& value) {
    int64_t v;
    if (!TryStrToInt64(s, v)) return false;
    bool hex = s.find('$') != std::string_view::npos || s.find("0x") != std::string_view::npos ||
               s.find("0X") != std::string_view::npos;
    if (hex && v >= 0 && v <= 0xFFFFFFFFLL) v = static_cast<int32_t>(static_cast<uint32_t>(v));
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return false;
    value = static_cast<int>(v);
    return true;
}

int StrToInt(std::string_view s) {
    int v;
    if (!TryStrToInt(s, v)) throw EConvertError(Format("'%s' is not a valid integer value", {s}));
    return v;
}

int64_t StrToInt64(std::string_view s) {
    int64_t v;
    if (!TryStrToInt64(s, v)) throw EConvertError(Format("'%s' is not a valid integer value", {s}));
    return v;
}

int StrToIntDef(std::string_view s, int defaultValue) {
    int v;
    return TryStrToInt(s, v) ? v : defaultValue;
}

// --- substrings ----------------------------------------------------------------------------------

int Pos(std::string_view sub, std::string_view s) {
    if (sub.empty()) return 0;
    size_t p = s.find(sub);
    return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

int Pos(std::wstring_view sub, std::wstring_view s) {
    if (sub.empty()) return 0;
    size_t p = s.find(sub);
    return p == std::wstring_view::npos ? 0 : static_cast<int>(p) + 1;
}

namespace {
template <class S> S CopyOf(S s, int index, int count) {
    if (index < 1) index = 1;
    int len = static_cast<int>(s.size());
    if (count <= 0 || index > len) return {};
    count = std::min(count, len - index + 1);
    return S(s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count)));
}
} // namespace

AnsiString Copy(std::string_view s, int index, int count) {
    return AnsiString(CopyOf(s, index, count));
}
WideString Copy(std::wstring_view s, int index, int count) {
    return WideString(CopyOf(s, index, count));
}

AnsiString StringReplace(std::string_view s, std::string_view oldPattern, std::string_view newPattern,
                         TReplaceFlags flags) {
    if (oldPattern.empty()) return AnsiString(s);
    bool ignoreCase = (flags & rfIgnoreCase) != 0;
    AnsiString searchIn = ignoreCase ? AnsiUpperCase(s) : AnsiString(s);
    AnsiString pattern = ignoreCase ? AnsiUpperCase(oldPattern) : AnsiString(oldPattern);
    AnsiString result;
    size_t from = 0;
    while (true) {
        size_t p = searchIn.find(pattern, from);
        if (p == AnsiString::npos) break;
        result.append(s.substr(from, p - from));
        result.append(newPattern);
        from = p + pattern.size();
        if (!(flags & rfReplaceAll)) break;
    }
    result.append(s.substr(from));
    return result;
}

// --- file names ----------------------------------------------------------------------------------

namespace {
// Index of the last byte that is one of delims and not the trail byte of a double-byte character.
size_t LastDelimiter(std::string_view delims, std::string_view s) {
    size_t found = std::string_view::npos;
    ForEachLeadByte(s, [&](size_t i) {
        if (delims.find(s[i]) != std::string_view::npos) found = i;
    });
    return found;
}

bool EndsWithDelimiter(std::string_view s) {
    size_t p = LastDelimiter("\\", s);
    return p != std::string_view::npos && p == s.size() - 1;
}
} // namespace

AnsiString IncludeTrailingPathDelimiter(std::string_view path) {
    AnsiString r(path);
    if (!EndsWithDelimiter(r)) r += PathDelim;
    return r;
}

AnsiString ExcludeTrailingPathDelimiter(std::string_view path) {
    AnsiString r(path);
    if (EndsWithDelimiter(r)) r.pop_back();
    return r;
}

AnsiString ExtractFilePath(std::string_view fileName) {
    size_t p = LastDelimiter("\\:/", fileName);
    return p == std::string_view::npos ? AnsiString() : AnsiString(fileName.substr(0, p + 1));
}

AnsiString ExtractFileDir(std::string_view fileName) {
    size_t p = LastDelimiter("\\:/", fileName);
    if (p == std::string_view::npos) return {};
    // Keep the delimiter of a root ("C:\", "\").
    if (p > 0 && (fileName[p] == '\\' || fileName[p] == '/') &&
        LastDelimiter("\\:/", fileName.substr(0, p)) != p - 1)
        return AnsiString(fileName.substr(0, p));
    return AnsiString(fileName.substr(0, p + 1));
}

AnsiString ExtractFileName(std::string_view fileName) {
    size_t p = LastDelimiter("\\:/", fileName);
    return AnsiString(p == std::string_view::npos ? fileName : fileName.substr(p + 1));
}

AnsiString ExtractFileExt(std::string_view fileName) {
    size_t p = LastDelimiter(".\\:/", fileName);
    if (p == std::string_view::npos || fileName[p] != '.') return {};
    return AnsiString(fileName.substr(p));
}

AnsiString ChangeFileExt(std::string_view fileName, std::string_view extension) {
    size_t p = LastDelimiter(".\\:/", fileName);
    if (p == std::string_view::npos || fileName[p] != '.') p = fileName.size();
    return AnsiString(fileName.substr(0, p)) + AnsiString(extension);
}

AnsiString ExpandFileName(std::string_view fileName) {
    AnsiString name(fileName);
    char buf[MAX_PATH * 2];
    char* filePart = nullptr;
    DWORD n = GetFullPathNameA(name.c_str(), sizeof buf, buf, &filePart);
    if (n == 0 || n >= sizeof buf) return name;
    return AnsiString(buf, n);
}

bool FileExists(std::string_view fileName) {
    DWORD attr = GetFileAttributesA(AnsiString(fileName).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(std::string_view directory) {
    DWORD attr = GetFileAttributesA(AnsiString(directory).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(std::string_view directory) {
    AnsiString dir = ExcludeTrailingPathDelimiter(directory);
    if (dir.empty()) return false;
    if (DirectoryExists(dir)) return true;
    AnsiString parent = ExtractFileDir(dir);
    // A drive ("C:") or a root that does not exist cannot be made.
    if (parent.empty() || parent == dir || (dir.size() < 3 && dir.back() == ':')) return false;
    if (!ForceDirectories(parent)) return false;
    return CreateDirectoryA(dir.c_str(), nullptr) || DirectoryExists(dir);
}

// --- Format --------------------------------------------------------------------------------------

namespace {
[[noreturn]] void FormatError(std::string_view fmt) {
    throw EConvertError("Format '" + AnsiString(fmt) + "' invalid or incompatible with argument");
}

AnsiString Pad(AnsiString s, int width, bool left) {
    if (width > 0 && static_cast<int>(s.size()) < width) {
        AnsiString fill(static_cast<size_t>(width) - s.size(), ' ');
        s = left ? s + fill : fill + s;
    }
    return s;
}

// Digits of an integer with at least precision digits; the sign goes before the zeros.
AnsiString IntDigits(const FormatArg& a, bool asUnsigned, int precision) {
    bool negative = !asUnsigned && !a.IsUnsigned() && a.AsInt() < 0;
    uint64_t mag = negative ? 0 - static_cast<uint64_t>(a.AsInt()) : static_cast<uint64_t>(a.AsInt());
    if (asUnsigned && !a.IsUnsigned() && a.AsInt() < 0 && a.AsInt() >= INT32_MIN)
        mag = static_cast<uint32_t>(a.AsInt()); // a negative 32-bit int prints as its unsigned value
    AnsiString digits = std::to_string(mag);
    if (precision > static_cast<int>(digits.size())) digits.insert(0, precision - digits.size(), '0');
    return negative ? "-" + digits : digits;
}

AnsiString FloatText(double v, char type, int precision) {
    char buf[512];
    switch (type) {
    case 'F':
    case 'N':
    case 'M': {
        if (precision < 0) precision = 2;
        std::snprintf(buf, sizeof buf, "%.*f", std::min(precision, 18), v);
        AnsiString s = buf;
        if (type == 'F') return s;
        // Thousands separators for 'n' and 'm'.
        size_t start = s[0] == '-' ? 1 : 0;
        size_t dot = s.find('.');
        if (dot == AnsiString::npos) dot = s.size();
        for (size_t i = dot; i > start + 3; i -= 3)
            s.insert(i - 3, 1, ',');
        return s;
    }
    case 'E': {
        if (precision < 0 || precision > 18) precision = 15;
        std::snprintf(buf, sizeof buf, "%.*E", std::max(precision - 1, 0), v);
        // Three exponent digits, as the platform writes them.
        AnsiString s = buf;
        size_t e = s.find('E');
        if (e != AnsiString::npos && s.size() - e == 4) s.insert(e + 2, 1, '0');
        return s;
    }
    default: { // 'G'
        if (precision <= 0 || precision > 18) precision = 15;
        std::snprintf(buf, sizeof buf, "%.*G", precision, v);
        return buf;
    }
    }
}
} // namespace

AnsiString Format(std::string_view fmt, std::initializer_list<FormatArg> args) {
    const FormatArg* argv = args.begin();
    const int argc = static_cast<int>(args.size());
    AnsiString out;
    int next = 0;
    size_t i = 0;
    while (i < fmt.size()) {
        char c = fmt[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        ++i;
        if (i < fmt.size() && fmt[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // ["index:"] ["-"] [width] ["." precision] type; width and precision may be '*'.
        auto readNumber = [&](int& value) -> bool {
            if (i < fmt.size() && fmt[i] == '*') {
                ++i;
                if (next >= argc || argv[next].kind() != FormatArg::Kind::Int) FormatError(fmt);
                value = static_cast<int>(argv[next++].AsInt());
                return true;
            }
            if (i >= fmt.size() || fmt[i] < '0' || fmt[i] > '9') return false;
            value = 0;
            while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
                value = std::min(value * 10 + (fmt[i] - '0'), 100000);
                ++i;
            }
            return true;
        };
        int number = -1;
        bool left = false;
        int width = -1, precision = -1;
        if (readNumber(number)) {
            if (i < fmt.size() && fmt[i] == ':') {
                next = number;
                ++i;
                number = -1;
            }
        }
        if (number < 0) {
            if (i < fmt.size() && fmt[i] == '-') {
                left = true;
                ++i;
            }
            readNumber(width);
        } else {
            width = number;
        }
        if (i < fmt.size() && fmt[i] == '.') {
            ++i;
            if (!readNumber(precision)) precision = 0;
        }
        if (i >= fmt.size()) FormatError(fmt);
        char type = static_cast<char>(std::toupper(static_cast<unsigned char>(fmt[i])));
        ++i;
        if (next < 0 || next >= argc) FormatError(fmt);
        const FormatArg& a = argv[next++];
        using K = FormatArg::Kind;
        AnsiString text;
        switch (type) {
        case 'D':
        case 'U':
            if (a.kind() != K::Int) FormatError(fmt);
            text = IntDigits(a, type == 'U', precision);
            break;
        case 'X': {
            if (a.kind() != K::Int) FormatError(fmt);
            uint64_t v = static_cast<uint64_t>(a.AsInt());
            if (!a.IsUnsigned() && a.AsInt() < 0 && a.AsInt() >= INT32_MIN)
                v = static_cast<uint32_t>(a.AsInt());
            char buf[32];
            std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
            text = buf;
            if (precision > static_cast<int>(text.size())) text.insert(0, precision - text.size(), '0');
            break;
        }
        case 'E':
        case 'F':
        case 'G':
        case 'N':
        case 'M':
            if (a.kind() != K::Float) FormatError(fmt);
            text = FloatText(a.AsFloat(), type, precision);
            break;
        case 'P': {
            if (a.kind() != K::Pointer) FormatError(fmt);
            char buf[32];
            std::snprintf(buf, sizeof buf, "%08lX",
                          static_cast<unsigned long>(reinterpret_cast<uintptr_t>(a.AsPointer())));
            text = buf;
            break;
        }
        case 'S':
            if (a.kind() == K::Ansi)
                text = a.AsAnsi();
            else if (a.kind() == K::Wide)
                text = WideToAnsi(a.AsWide());
            else
                FormatError(fmt);
            if (precision >= 0 && precision < static_cast<int>(text.size())) text.resize(precision);
            break;
        default:
            FormatError(fmt);
        }
        out += Pad(std::move(text), width, left);
    }
    return out;
}
