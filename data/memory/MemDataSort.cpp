// TMemData: IndexFieldNames, the value comparers, record comparison and sorting the list.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>

#include "data/memory/Blob.h"
#include "data/memory/BoolParser.h"
#include "data/memory/MemData.h"
#include "data/memory/MemUtils.h"
#include "data/memory/SharedObject.h"
#include "platform/core/Bcd.h"

namespace {
template <class T> T Load(const void* p) {
    return LoadUnaligned<T>(p, 0);
}

template <class T> int Sign(T a, T b) {
    return a < b ? -1 : b < a ? 1 : 0;
}

[[noreturn]] void InvalidIndexFieldNames() {
    throw Exception("Invalid IndexFieldNames format!");
}

[[noreturn]] void CannotConvertType() {
    throw EConvertError("Cannot convert type");
}

bool IsSeparator(int code, const AnsiString& lexeme) {
    return code == lcSymbol && (lexeme == ";" || lexeme == ",");
}

template <class S> S TrimRight(S s) {
    size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ')
        --n;
    s.resize(n);
    return s;
}

int OrdinalPChar(const char* a, const char* b) {
    int c = std::strcmp(a, b); // compares as unsigned char
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int OrdinalWide(const wchar_t* a, size_t an, const wchar_t* b, size_t bn) {
    size_t n = std::min(an, bn);
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return static_cast<uint16_t>(a[i]) < static_cast<uint16_t>(b[i]) ? -1 : 1;
    return Sign(an, bn);
}

// The same order for zero-terminated texts, in one pass without measuring them first.
int OrdinalWideZ(const wchar_t* a, const wchar_t* b) {
    for (;; ++a, ++b) {
        const auto x = static_cast<uint16_t>(*a), y = static_cast<uint16_t>(*b);
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}

bool IsNumericVarType(TVarType t) {
    switch (t) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency:
    case 0x000E: // decimal
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return true;
    default:
        return false;
    }
}

// Ordering of two Variants of the same type or both numeric.
int VariantOrder(const Variant& a, const Variant& b) {
    TVarType t = a.VarType();
    if (a.IsEmptyOrNull() || b.IsEmptyOrNull())
        return Sign(a.IsEmptyOrNull() ? 0 : 1, b.IsEmptyOrNull() ? 0 : 1);
    if (a.IsString() && b.IsString()) {
        if (t == varOleStr) return Sign(WideCompareStr(a.AsWideString(), b.AsWideString()), 0);
        return Sign(AnsiCompareStr(a.AsAnsiString(), b.AsAnsiString()), 0);
    }
    if (t == varBoolean) return Sign(a.AsBoolean() ? 1 : 0, b.AsBoolean() ? 1 : 0);
    if (t == varFMTBcd) return TBcd::Compare(a.AsBcd(), b.AsBcd());
    if (t == varSQLTimeStamp) {
        TSQLTimeStamp x = a.AsSQLTimeStamp(), y = b.AsSQLTimeStamp();
        if (int c = Sign(x.Year, y.Year)) return c;
        if (int c = Sign(x.Month, y.Month)) return c;
        if (int c = Sign(x.Day, y.Day)) return c;
        if (int c = Sign(x.Hour, y.Hour)) return c;
        if (int c = Sign(x.Minute, y.Minute)) return c;
        if (int c = Sign(x.Second, y.Second)) return c;
        return Sign(x.Fractions, y.Fractions);
    }
    if (a.IsOrdinal() && b.IsOrdinal()) return Sign(a.AsInt64(), b.AsInt64());
    return Sign(a.AsDouble(), b.AsDouble());
}

// ---- a sort of an array that stays within its bounds whatever the comparison answers ----

constexpr ptrdiff_t InsertionLimit = 16;

template <class T, class Less> void InsertionSort(T* a, ptrdiff_t n, Less& less) {
    for (ptrdiff_t i = 1; i < n; ++i) {
        T x = a[i];
        ptrdiff_t j = i;
        while (j > 0 && less(x, a[j - 1])) {
            a[j] = a[j - 1];
            --j;
        }
        a[j] = x;
    }
}

template <class T, class Less> void SiftDown(T* a, ptrdiff_t root, ptrdiff_t n, Less& less) {
    T x = a[root];
    for (;;) {
        ptrdiff_t child = 2 * root + 1;
        if (child >= n) break;
        if (child + 1 < n && less(a[child], a[child + 1])) ++child;
        if (!less(x, a[child])) break;
        a[root] = a[child];
        root = child;
    }
    a[root] = x;
}

template <class T, class Less> void HeapSort(T* a, ptrdiff_t n, Less& less) {
    for (ptrdiff_t i = n / 2; i-- > 0;)
        SiftDown(a, i, n, less);
    for (ptrdiff_t end = n - 1; end > 0; --end) {
        std::swap(a[0], a[end]);
        SiftDown(a, 0, end, less);
    }
}

// Quicksort with an explicit stack of ranges (the smaller part is sorted first, so the stack
// stays logarithmic) and heapsort once the partitions degrade.
template <class T, class Less> void SortArray(T* a, ptrdiff_t n, Less less) {
    struct Range {
        ptrdiff_t lo, hi;
        int depth;
    };
    int budget = 2;
    for (ptrdiff_t m = n; m > 1; m >>= 1)
        budget += 2;
    Range stack[128];
    int top = 0;
    stack[top++] = {0, n, budget};
    while (top > 0) {
        Range r = stack[--top];
        while (r.hi - r.lo > InsertionLimit) {
            if (r.depth-- == 0 || top >= 126) {
                HeapSort(a + r.lo, r.hi - r.lo, less);
                r.hi = r.lo;
                break;
            }
            ptrdiff_t lo = r.lo, hi = r.hi - 1, mid = lo + (hi - lo) / 2;
            if (less(a[mid], a[lo])) std::swap(a[mid], a[lo]);
            if (less(a[hi], a[mid])) {
                std::swap(a[hi], a[mid]);
                if (less(a[mid], a[lo])) std::swap(a[mid], a[lo]);
            }
            T pivot = a[mid];
            ptrdiff_t i = lo - 1, j = hi + 1;
            for (;;) {
                do
                    ++i;
                while (i < hi && less(a[i], pivot));
                do
                    --j;
                while (j > lo && less(pivot, a[j]));
                if (i >= j) break;
                std::swap(a[i], a[j]);
            }
            ptrdiff_t split = j + 1;
            if (split <= r.lo || split >= r.hi) {
                // Only a comparison that contradicts itself gets here.
                HeapSort(a + r.lo, r.hi - r.lo, less);
                r.hi = r.lo;
                break;
            }
            Range left{r.lo, split, r.depth}, right{split, r.hi, r.depth};
            if (left.hi - left.lo < right.hi - right.lo) {
                stack[top++] = right;
                r = left;
            } else {
                stack[top++] = left;
                r = right;
            }
        }
        if (r.hi - r.lo > 1) InsertionSort(a + r.lo, r.hi - r.lo, less);
    }
}

// Sorts words by their upper 32 bits (a stable radix sort, three passes of 11, 11 and 10 bits;
// a pass is skipped when every word has the same digit there). The lower bits ride along.
void RadixSortHigh32(std::vector<uint64_t>& words) {
    const size_t n = words.size();
    if (n < 2) return;
    if (n < 1024) {
        std::sort(words.begin(), words.end(), [](uint64_t a, uint64_t b) { return (a >> 32) < (b >> 32); });
        return;
    }
    std::vector<uint64_t> scratch(n);
    uint64_t* from = words.data();
    uint64_t* to = scratch.data();
    for (int shift : {32, 43, 54}) {
        const int bits = shift == 54 ? 10 : 11;
        const uint64_t mask = (uint64_t(1) << bits) - 1;
        size_t counts[2048] = {};
        for (size_t i = 0; i < n; ++i)
            ++counts[(from[i] >> shift) & mask];
        if (counts[(from[0] >> shift) & mask] == n) continue;
        size_t sum = 0;
        for (size_t d = 0; d <= mask; ++d) {
            size_t c = counts[d];
            counts[d] = sum;
            sum += c;
        }
        for (size_t i = 0; i < n; ++i) {
            uint64_t w = from[i];
            to[counts[(w >> shift) & mask]++] = w;
        }
        std::swap(from, to);
    }
    if (from != words.data()) std::memcpy(words.data(), from, n * sizeof(uint64_t));
}

// Sort key of the first column, taken once per row.
struct TKeyedItem {
    union {
        int64_t I;
        double D;
        const char* A;
        const wchar_t* W;
    } Key;
    PRowItem Item;
    bool IsNull;
};

enum class TKeyKind { None, Integer, Float, Ansi, Wide };

// A double's bits as a signed word that orders as the number does: the magnitude of a negative
// number reversed, -0 taken as 0 (the two compare equal).
int64_t OrderedDoubleKey(double d) {
    if (d == 0) d = 0;
    int64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits < 0 ? bits ^ INT64_MAX : bits;
}
} // namespace

// ---- IndexFieldNames ----

void TMemData::InitSortColumn(TSortColumn* column) {
    column->IsDescending = 0;
    column->ColumnSortType = stCaseSensitive;
}

void TMemData::SetIndexFieldNames(const AnsiString& text) {
    IndexFieldNames = text;
    if (Active) {
        ParseIndexFieldNames();
        SortItems();
    } else if (Prepared) {
        ParseIndexFieldNames();
    }
}

void TMemData::ParseIndexFieldNames() {
    sortColumns_.Clear();
    if (Trim(IndexFieldNames).empty()) return;
    TBoolParser parser(IndexFieldNames);
    AnsiString lexeme;
    int code = parser.GetNext(lexeme);
    while (code != lcEnd) {
        if (IsSeparator(code, lexeme)) {
            code = parser.GetNext(lexeme);
            continue;
        }
        AnsiString name;
        if (code == lcIdent || code == lcString) {
            name = lexeme;
        } else if (code == bxLeftBracket) {
            // Everything up to "]" is the name, blanks included.
            parser.SkipBlankLexemes = false;
            try {
                code = parser.GetNext(lexeme);
                while (code != bxRightBracket && code != lcEnd) {
                    name += lexeme;
                    code = parser.GetNext(lexeme);
                }
            } catch (...) {
                parser.SkipBlankLexemes = true;
                throw;
            }
            parser.SkipBlankLexemes = true;
        } else {
            InvalidIndexFieldNames();
        }
        TFieldDesc* desc = FindFieldDesc(name);
        if (!desc) throw Exception(Format("Field %s not found", {name}));
        auto* column = new TSortColumn();
        column->ColumnDesc = desc;
        InitSortColumn(column);
        sortColumns_.Add(column);

        bool hasDirection = false, hasType = false;
        code = code == lcEnd ? lcEnd : parser.GetNext(lexeme);
        while (code != lcEnd && !IsSeparator(code, lexeme)) {
            if (code != lcIdent) InvalidIndexFieldNames();
            AnsiString word = UpperCase(lexeme);
            if (word == "ASC" || word == "DESC") {
                if (hasDirection) InvalidIndexFieldNames();
                hasDirection = true;
                column->IsDescending = word == "DESC" ? 1 : 0;
            } else if (word == "CIS" || word == "CS" || word == "BIN") {
                if (hasType) InvalidIndexFieldNames();
                hasType = true;
                column->ColumnSortType = word == "CIS"  ? stCaseInsensitive
                                         : word == "CS" ? stCaseSensitive
                                                        : stBinary;
            } else {
                InvalidIndexFieldNames();
            }
            code = parser.GetNext(lexeme);
        }
    }
}

// ---- text comparers ----

int TMemData::ComparePCharValues(const char* a, const char* b, int flags) {
    if (flags & cfBinary) return OrdinalPChar(a, b);
    if (flags & cfCaseInsensitive) return ComparePCharText(a, b);
    return ComparePCharStr(a, b);
}

int TMemData::CompareAnsiValues(const AnsiString& a, const AnsiString& b, int flags) {
    if (flags & cfBinary) return Sign(a.compare(b), 0);
    if (flags & cfCaseInsensitive)
        return CompareAnsiText(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
    return CompareAnsiStr(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
}

int TMemData::ComparePWideValues(const wchar_t* a, const wchar_t* b, int flags) {
    int n = WideLen(a);
    if (flags & cfBinary) {
        size_t bn = std::min(std::wcslen(b), static_cast<size_t>(n));
        return OrdinalWide(a, static_cast<size_t>(n), b, bn);
    }
    if (flags & cfCaseInsensitive) return CompareWideTextN(a, b, n);
    return CompareWideStrN(a, b, n);
}

int TMemData::CompareWideValues(const WideString& a, const WideString& b, int flags) {
    if (flags & cfBinary) return OrdinalWide(a.data(), a.size(), b.data(), b.size());
    if (flags & cfCaseInsensitive) return CompareWideText(a.c_str(), b.c_str());
    return CompareWideStr(a.c_str(), b.c_str());
}

int TMemData::MatchAnsiValues(const AnsiString& key, const AnsiString& text, int flags) {
    if (flags & cfSubstring) {
        if (flags & cfCaseInsensitive)
            return AnsiUpperCase(text).find(AnsiUpperCase(key)) != AnsiString::npos ? 0 : 1;
        return text.find(key) != AnsiString::npos ? 0 : 1;
    }
    if (flags & cfPartialKey) {
        size_t n = key.empty() ? text.size() : key.size();
        if (text.size() < n) return 1;
        return CompareAnsiValues(key, text.substr(0, n), flags);
    }
    return CompareAnsiValues(key, text, flags);
}

int TMemData::MatchWideValues(const WideString& key, const WideString& text, int flags) {
    if (IsWin9x) return MatchAnsiValues(WideToAnsi(key), WideToAnsi(text), flags);
    if (flags & cfSubstring) {
        if (flags & cfCaseInsensitive)
            return WideUpperCase(text).find(WideUpperCase(key)) != WideString::npos ? 0 : 1;
        return text.find(key) != WideString::npos ? 0 : 1;
    }
    if (flags & cfPartialKey) {
        if (text.size() < key.size()) return 1;
        return ComparePWideValues(key.c_str(), text.c_str(), flags);
    }
    return CompareWideValues(key, text, flags);
}

int TMemData::CompareBytes(const void* value, int valueLength, int flags, int recordLength,
                           const void* recordBytes) {
    auto* v = static_cast<const uint8_t*>(value);
    auto* r = static_cast<const uint8_t*>(recordBytes);
    if (flags & cfSubstring) {
        if (valueLength > recordLength) return 1;
        for (int offset = 0; offset <= recordLength - valueLength; ++offset)
            if (valueLength == 0 || std::memcmp(v, r + offset, static_cast<size_t>(valueLength)) == 0)
                return 0;
        return 1;
    }
    if (flags & cfPartialKey) {
        if (valueLength > recordLength) return 1;
        return valueLength > 0 ? Sign(std::memcmp(v, r, static_cast<size_t>(valueLength)), 0) : 0;
    }
    int n = std::min(valueLength, recordLength);
    if (n > 0)
        if (int c = std::memcmp(v, r, static_cast<size_t>(n))) return c < 0 ? -1 : 1;
    return Sign(valueLength, recordLength);
}

// ---- field values ----

namespace {
// The locale's text form of a number, Boolean or date field, as key comparisons against text use it.
AnsiString ScalarFieldText(TData& data, const uint8_t* field, TFieldDesc* desc) {
    switch (desc->TypeCode) {
    case tcInt8:
        return IntToStr(desc->StorageSize == 2 ? Load<int16_t>(field) : Load<int8_t>(field));
    case tcInt16:
        return IntToStr(Load<int16_t>(field));
    case tcInt32:
        return IntToStr(Load<int32_t>(field));
    case tcInt64:
        return IntToStr(Load<int64_t>(field));
    case tcUInt16:
        return IntToStr(Load<uint16_t>(field));
    case tcUInt32:
        return IntToStr(static_cast<int64_t>(Load<uint32_t>(field)));
    case tcBoolean:
        return Load<uint16_t>(field) ? "True" : "False";
    case tcFloat:
    case tcCurrency:
        return FloatToStr(Load<double>(field));
    default: {
        double d;
        data.DateTimeToExternal(field, desc, dkDateTime, &d);
        return desc->TypeCode == tcDate   ? DateToStr(d)
               : desc->TypeCode == tcTime ? TimeToStr(d)
                                          : DateTimeToStr(d);
    }
    }
}
} // namespace

int TMemData::CompareAnsiTextField(const char* value, int flags, void* record, TFieldDesc* desc) {
    const uint8_t* field = static_cast<const uint8_t*>(record) + desc->RecordOffset;
    bool trim = desc->IsFixedLength ? TrimFixedChar : TrimVarChar;
    AnsiString text;
    switch (desc->TypeCode) {
    case tcString: {
        auto* stored = reinterpret_cast<const char*>(field);
        if (!(flags & (cfPartialKey | cfSubstring)) && !trim) return ComparePCharValues(value, stored, flags);
        text = stored;
        if (trim) text = TrimRight(text);
        break;
    }
    case tcExtString: {
        const char* stored = Load<const char*>(field);
        if (!stored) stored = "";
        if (!(flags & (cfPartialKey | cfSubstring))) return ComparePCharValues(value, stored, flags);
        text = stored;
        break;
    }
    case tcInt8:
    case tcInt16:
    case tcInt32:
    case tcInt64:
    case tcUInt16:
    case tcUInt32:
    case tcBoolean:
    case tcFloat:
    case tcCurrency:
    case tcDate:
    case tcTime:
    case tcDateTime:
        text = ScalarFieldText(*this, field, desc);
        break;
    case tcVariant: {
        auto* holder = Load<TVariantObject*>(field);
        text = holder ? VarToStr(holder->Value) : AnsiString();
        break;
    }
    case tcWideString:
        text = WideToAnsi(reinterpret_cast<const wchar_t*>(field));
        if (trim) text = TrimRight(text);
        break;
    case tcExtWideString: {
        const wchar_t* stored = Load<const wchar_t*>(field);
        text = stored ? WideToAnsi(stored) : AnsiString();
        break;
    }
    case tcBlob:
    case tcMemo:
    case tcWideMemo: {
        auto* blob = Load<TBlob*>(field);
        text = blob ? blob->ReadAsAnsi() : AnsiString();
        break;
    }
    case tcBCD:
        return MatchAnsiValues(value, FloatToStr(static_cast<double>(Load<int64_t>(field)) / 10000.0),
                               flags | cfCaseInsensitive);
    case tcFMTBCD: {
        TBcdRecord bcd;
        std::memcpy(&bcd, field, sizeof bcd);
        return MatchAnsiValues(value, RecordToBcd(bcd).ToString(), flags | cfCaseInsensitive);
    }
    case tcGuid:
        return MatchAnsiValues(value, reinterpret_cast<const char*>(field), flags | cfCaseInsensitive);
    default:
        CannotConvertType();
    }
    AnsiString key = value;
    if ((desc->TypeCode == tcString || desc->TypeCode == tcWideString) && trim) key = TrimRight(key);
    return MatchAnsiValues(key, text, flags);
}

int TMemData::CompareWideTextField(const wchar_t* value, int flags, void* record, TFieldDesc* desc) {
    const uint8_t* field = static_cast<const uint8_t*>(record) + desc->RecordOffset;
    bool trim = desc->IsFixedLength ? TrimFixedChar : TrimVarChar;
    WideString text;
    switch (desc->TypeCode) {
    case tcString:
        text = AnsiToWide(reinterpret_cast<const char*>(field));
        if (trim) text = TrimRight(text);
        break;
    case tcExtString: {
        const char* stored = Load<const char*>(field);
        text = stored ? AnsiToWide(stored) : WideString();
        break;
    }
    case tcInt8:
    case tcInt16:
    case tcInt32:
    case tcInt64:
    case tcUInt16:
    case tcUInt32:
    case tcBoolean:
    case tcFloat:
    case tcCurrency:
    case tcDate:
    case tcTime:
    case tcDateTime:
    case tcVariant:
    case tcBlob:
    case tcMemo: {
        // Numbers, dates, Variants and 8-bit blobs take the same text form as for 8-bit keys.
        if (desc->TypeCode == tcVariant) {
            auto* holder = Load<TVariantObject*>(field);
            text = holder ? VarToWideStr(holder->Value) : WideString();
        } else if (desc->TypeCode == tcBlob || desc->TypeCode == tcMemo) {
            auto* blob = Load<TBlob*>(field);
            text = blob ? (blob->IsUnicode() ? blob->ReadAsWide() : AnsiToWide(blob->ReadAsAnsi()))
                        : WideString();
        } else {
            // Numbers and dates in the locale's text form.
            text = AnsiToWide(ScalarFieldText(*this, field, desc));
        }
        break;
    }
    case tcWideString:
        text = reinterpret_cast<const wchar_t*>(field);
        if (trim) text = TrimRight(text);
        break;
    case tcExtWideString: {
        const wchar_t* stored = Load<const wchar_t*>(field);
        text = stored ? WideString(stored) : WideString();
        break;
    }
    case tcWideMemo: {
        auto* blob = Load<TBlob*>(field);
        text = blob ? blob->ReadAsWide() : WideString();
        break;
    }
    case tcBCD:
        return MatchWideValues(value,
                               AnsiToWide(FloatToStr(static_cast<double>(Load<int64_t>(field)) / 10000.0)),
                               flags | cfCaseInsensitive);
    default:
        CannotConvertType();
    }
    WideString key = value;
    if ((desc->TypeCode == tcString || desc->TypeCode == tcWideString) && trim) key = TrimRight(key);
    return MatchWideValues(key, text, flags);
}

int TMemData::CompareVariantValues(const Variant& a, const Variant& b, int flags) {
    if (a.IsByteArray() || b.IsByteArray()) {
        if (a.IsNull() && b.IsNull()) return 0;
        if (a.IsNull()) return -1;
        if (b.IsNull()) return 1;
        if (a.IsByteArray() && b.IsByteArray()) {
            const TBytes& x = a.Bytes();
            const TBytes& y = b.Bytes();
            if (int c = Sign(x.size(), y.size())) return c;
            return CompareBytes(x.data(), static_cast<int>(x.size()), flags, static_cast<int>(y.size()),
                                y.data());
        }
    } else if (a.VarType() == b.VarType() ||
               (IsNumericVarType(a.VarType()) && IsNumericVarType(b.VarType()))) {
        return VariantOrder(a, b);
    } else if (a.IsString() || b.IsString()) {
        return MatchAnsiValues(VarToStr(a), VarToStr(b), flags);
    }
    return Sign(a.VarType(), b.VarType());
}

int TMemData::CompareFieldValues(const void* value, TDataTypeCode valueType, int flags, void* record,
                                 TFieldDesc* desc) {
    void* field;
    bool mustFree = false;
    if (desc->HasParent()) {
        bool isNull = false;
        field = GetAttributeValue(desc, record, isNull, mustFree);
        if (!field) return 1;
    } else {
        field = static_cast<uint8_t*>(record) + desc->RecordOffset;
    }
    struct FreeScope {
        void* p;
        bool owned;
        ~FreeScope() {
            if (owned) std::free(p);
        }
    } scope{field, mustFree};
    // Attribute values come back on their own; the text comparers read them at offset 0.
    if (desc->HasParent() && (valueType == tcString || valueType == tcGuid || valueType == tcWideString)) {
        if (valueType == tcWideString)
            return MatchWideValues(static_cast<const wchar_t*>(value), static_cast<const wchar_t*>(field),
                                   flags);
        return MatchAnsiValues(static_cast<const char*>(value), static_cast<const char*>(field), flags);
    }
    switch (valueType) {
    case tcString:
    case tcGuid:
        return CompareAnsiTextField(static_cast<const char*>(value), flags, record, desc);
    case tcWideString:
        return CompareWideTextField(static_cast<const wchar_t*>(value), flags, record, desc);
    case tcInt8:
        if (desc->StorageSize == 2) return Sign(Load<int16_t>(value), Load<int16_t>(field));
        return Sign(Load<int8_t>(value), Load<int8_t>(field));
    case tcInt16:
        return Sign(Load<int16_t>(value), Load<int16_t>(field));
    case tcInt32:
        return Sign(Load<int32_t>(value), Load<int32_t>(field));
    case tcInt64:
        return Sign(Load<int64_t>(value), Load<int64_t>(field));
    case tcUInt16:
        return Sign(Load<uint16_t>(value), Load<uint16_t>(field));
    case tcUInt32:
        return Sign(Load<uint32_t>(value), Load<uint32_t>(field));
    case tcFloat:
    case tcCurrency:
        return Sign(Load<double>(value), Load<double>(field));
    case tcDate:
    case tcTime:
    case tcDateTime: {
        double d;
        DateTimeToExternal(field, desc, dkDateTime, &d);
        return Sign(Load<double>(value), d);
    }
    case tcBoolean:
        return Sign(Load<uint16_t>(value) != 0 ? 1 : 0, Load<uint16_t>(field) != 0 ? 1 : 0);
    case tcVariant: {
        auto* a = Load<TVariantObject*>(value);
        auto* b = Load<TVariantObject*>(field);
        return CompareVariantValues(a ? a->Value : Variant(), b ? b->Value : Variant(), flags);
    }
    case tcBytes: {
        auto* v = static_cast<const uint8_t*>(value);
        return CompareBytes(v + 2, Load<uint16_t>(v), flags, desc->DeclaredLength, field);
    }
    case tcVarBytes: {
        auto* v = static_cast<const uint8_t*>(value);
        auto* r = static_cast<const uint8_t*>(field);
        return CompareBytes(v + 2, Load<uint16_t>(v), flags, Load<uint16_t>(r), r + 2);
    }
    case tcExtVarBytes: {
        auto* v = static_cast<const uint8_t*>(value);
        auto* r = Load<const uint8_t*>(field);
        int vn = v ? Load<uint16_t>(v) : 0;
        int rn = r ? Load<uint16_t>(r) : 0;
        return CompareBytes(v ? v + 2 : nullptr, vn, flags, rn, r ? r + 2 : nullptr);
    }
    case tcBCD:
        return Sign(static_cast<int64_t>(std::llround(Load<double>(value) * 10000.0)), Load<int64_t>(field));
    case tcFMTBCD: {
        TBcdRecord x, y;
        std::memcpy(&x, value, sizeof x);
        std::memcpy(&y, field, sizeof y);
        return TBcd::Compare(RecordToBcd(x), RecordToBcd(y));
    }
    case tcSQLTimeStamp: {
        TSQLTimeStamp x, y;
        std::memcpy(&x, value, sizeof x);
        std::memcpy(&y, field, sizeof y);
        return VariantOrder(Variant(x), Variant(y));
    }
    default:
        MEMDATA_ASSERT(false, ("Unknown ValueType = " + IntToStr(valueType)).c_str());
        return 0;
    }
}

int TMemData::CompareRecordField(void* record1, void* record2, int flags, TFieldDesc* desc) {
    bool borrowed = true, isNull1 = false;
    TDataTypeCode valueType = desc->TypeCode;
    void* value = GetComparableValue(record1, desc, borrowed, isNull1, valueType);
    struct FreeScope {
        void* p;
        bool owned;
        ~FreeScope() {
            if (owned) TData::FreeComparableValue(p);
        }
    } scope{value, !borrowed};
    bool isNull2 = desc->HasParent() ? GetAttributeNull(desc, record2) : GetNull(desc->Position, record2);
    if (isNull1 && isNull2) return 0;
    if (isNull1) return (flags & cfNullsLast) ? 1 : -1;
    if (isNull2) return (flags & cfNullsLast) ? -1 : 1;
    return CompareFieldValues(value, valueType, flags, record2, desc);
}

int TMemData::CompareBySortColumn(void* record1, void* record2, TSortColumn* column) {
    int flags = column->ColumnSortType == stCaseInsensitive ? cfCaseInsensitive
                : column->ColumnSortType == stBinary        ? cfBinary
                                                            : 0;
    return CompareRecordField(record1, record2, flags, column->ColumnDesc);
}

int TMemData::CompareRecords(void* record1, void* record2) {
    return CompareRecordsFrom(0, record1, record2);
}

int TMemData::CompareRecordsFrom(int firstColumn, void* record1, void* record2) {
    std::unique_ptr<uint8_t, void (*)(void*)> calc1(nullptr, std::free), calc2(nullptr, std::free);
    for (int i = firstColumn; i < sortColumns_.Count(); ++i) {
        TSortColumn* column = sortColumns_.GetItem(i);
        void* r1 = record1;
        void* r2 = record2;
        if (column->ColumnDesc->FieldKind == fkCalculated) {
            // Calculated-area fields live beyond the stored record: compute them on copies.
            if (!calc1) {
                size_t size = static_cast<size_t>(RecordSize + CalcRecordSize);
                calc1.reset(static_cast<uint8_t*>(std::calloc(size ? size : 1, 1)));
                calc2.reset(static_cast<uint8_t*>(std::calloc(size ? size : 1, 1)));
                if (!calc1 || !calc2) throw EOutOfMemory("Out of memory");
                std::memcpy(calc1.get(), record1, static_cast<size_t>(RecordSize));
                std::memcpy(calc2.get(), record2, static_cast<size_t>(RecordSize));
                if (CalcFieldsHook) {
                    CalcFieldsHook(calc1.get(), record1);
                    CalcFieldsHook(calc2.get(), record2);
                }
            }
            r1 = calc1.get();
            r2 = calc2.get();
        }
        int result = CompareBySortColumn(r1, r2, column);
        if (column->IsDescending) result = -result;
        if (result != 0) return result < 0 ? -1 : 1;
    }
    return 0;
}

// ---- moving items ----

void TMemData::SwapItems(PRowItem left, PRowItem right) {
    if (left == right) return;
    if (right->NextItem() == left) std::swap(left, right);
    auto link = [this](PRowItem a, PRowItem b) {
        if (a)
            a->SetNextItem(b);
        else
            FirstItem = b;
        if (b)
            b->SetPrevItem(a);
        else
            LastItem = a;
    };
    PRowItem lp = left->PrevItem(), ln = left->NextItem();
    PRowItem rp = right->PrevItem(), rn = right->NextItem();
    if (ln == right) {
        link(lp, right);
        link(right, left);
        link(left, rn);
    } else {
        link(lp, right);
        link(right, ln);
        link(rp, left);
        link(left, rn);
    }
    RecNoCache.clear();
}

void TMemData::MoveToSortedPlace(int direction) {
    PRowItem item = CurrentItem;
    if (direction == 0 || !item) return;
    if (direction < 0) {
        while (item->PrevItem() && CompareRecords(item->Record(), item->PrevItem()->Record()) < 0)
            SwapItems(item->PrevItem(), item);
    } else {
        while (item->NextItem() && CompareRecords(item->Record(), item->NextItem()->Record()) > 0)
            SwapItems(item, item->NextItem());
    }
}

void TMemData::SortItems() {
    if (sortColumns_.Count() == 0 || !FirstItem) return;
    std::vector<PRowItem> items;
    SortItemArray(items);
    // Relink in the sorted order and number everything in the same pass (what renumbering
    // everything would do); the records themselves never move. The items now lie scattered in
    // memory, so the next ones are fetched ahead.
    PRowItem prev = nullptr;
    int shown = 0;
    const size_t count = items.size();
    for (size_t i = 0; i < count; ++i) {
        if (i + 8 < count) __builtin_prefetch(items[i + 8], 1);
        PRowItem item = items[i];
        item->SetPrevItem(prev);
        if (prev) prev->SetNextItem(item);
        item->SetItemRecNo(IsItemFilteredOut(item) ? 0 : ++shown);
        prev = item;
    }
    prev->SetNextItem(nullptr);
    FirstItem = items.front();
    LastItem = items.back();
    RecNoCache.clear();
    RecNoBase = 0;
    RecordCount = shown;
}

void TMemData::SortItemArray(std::vector<PRowItem>& items) {
    TSortColumn* first = sortColumns_.GetItem(0);
    TFieldDesc* desc = first->ColumnDesc;
    bool trim = desc->IsFixedLength ? TrimFixedChar : TrimVarChar;
    TKeyKind kind = TKeyKind::None;
    if (!desc->HasParent() && desc->FieldKind != fkCalculated) {
        switch (desc->TypeCode) {
        case tcInt8:
        case tcInt16:
        case tcInt32:
        case tcInt64:
        case tcUInt16:
        case tcUInt32:
        case tcBoolean:
            kind = TKeyKind::Integer;
            break;
        case tcFloat:
        case tcCurrency:
        case tcDate:
        case tcTime:
        case tcDateTime:
            kind = TKeyKind::Float;
            break;
        case tcString:
            if (!trim) kind = TKeyKind::Ansi;
            break;
        case tcExtString:
            kind = TKeyKind::Ansi;
            break;
        case tcWideString:
            if (!trim) kind = TKeyKind::Wide;
            break;
        case tcExtWideString:
            kind = TKeyKind::Wide;
            break;
        default:
            break;
        }
    }
    const size_t reserve = static_cast<size_t>(std::max(RecordCount, 0));
    const bool more = sortColumns_.Count() > 1;
    if (kind == TKeyKind::Integer && desc->TypeCode != tcInt64 && !more) {
        SortByNarrowInteger(items, desc, first->IsDescending != 0);
        return;
    }
    if (kind == TKeyKind::None) {
        items.reserve(reserve);
        for (PRowItem item = FirstItem; item; item = item->NextItem())
            items.push_back(item);
        SortArray(items.data(), static_cast<ptrdiff_t>(items.size()),
                  [this](PRowItem a, PRowItem b) { return CompareRecords(a->Record(), b->Record()) < 0; });
        return;
    }

    // The first column's key is read once per row, in the same walk that collects the items;
    // later columns go through CompareRecords. These codes keep their null flag in the record.
    std::vector<TKeyedItem> keyed;
    keyed.reserve(reserve);
    const int nullFieldNo = desc->Position;
    for (PRowItem item = FirstItem; item; item = item->NextItem()) {
        keyed.emplace_back();
        TKeyedItem& k = keyed.back();
        k.Item = item;
        uint8_t* record = item->Record();
        k.IsNull = NullFlag(record, nullFieldNo);
        const uint8_t* field = record + desc->RecordOffset;
        k.Key.I = 0;
        if (k.IsNull) continue;
        switch (desc->TypeCode) {
        case tcInt8:
            k.Key.I = desc->StorageSize == 2 ? Load<int16_t>(field) : Load<int8_t>(field);
            break;
        case tcInt16:
            k.Key.I = Load<int16_t>(field);
            break;
        case tcInt32:
            k.Key.I = Load<int32_t>(field);
            break;
        case tcInt64:
            k.Key.I = Load<int64_t>(field);
            break;
        case tcUInt16:
            k.Key.I = Load<uint16_t>(field);
            break;
        case tcUInt32:
            k.Key.I = Load<uint32_t>(field);
            break;
        case tcBoolean:
            k.Key.I = Load<uint16_t>(field) != 0 ? 1 : 0;
            break;
        case tcFloat:
        case tcCurrency:
            k.Key.D = Load<double>(field);
            break;
        case tcDate:
        case tcTime:
        case tcDateTime:
            DateTimeToExternal(field, desc, dkDateTime, &k.Key.D);
            break;
        case tcString:
            k.Key.A = reinterpret_cast<const char*>(field);
            break;
        case tcExtString:
            k.Key.A = Load<const char*>(field);
            if (!k.Key.A) k.Key.A = "";
            break;
        case tcWideString:
            k.Key.W = reinterpret_cast<const wchar_t*>(field);
            break;
        default:
            k.Key.W = Load<const wchar_t*>(field);
            if (!k.Key.W) k.Key.W = L"";
            break;
        }
    }
    const bool descending = first->IsDescending != 0;
    const int flags = first->ColumnSortType == stCaseInsensitive ? cfCaseInsensitive
                      : first->ColumnSortType == stBinary        ? cfBinary
                                                                 : 0;
    auto finish = [&](int c, const TKeyedItem& a, const TKeyedItem& b) {
        if (descending) c = -c;
        if (c == 0 && more) c = CompareRecordsFrom(1, a.Item->Record(), b.Item->Record());
        return c < 0;
    };
    auto nulls = [](const TKeyedItem& a, const TKeyedItem& b) {
        return Sign(a.IsNull ? 0 : 1, b.IsNull ? 0 : 1);
    };
    ptrdiff_t n = static_cast<ptrdiff_t>(keyed.size());
    if (kind == TKeyKind::Integer && desc->TypeCode != tcInt64) {
        // Keys of 32 bits or less leave room for nulls at either end and for the direction in
        // the key itself, which makes the comparison a plain integer one.
        for (TKeyedItem& k : keyed) {
            if (k.IsNull)
                k.Key.I = descending ? INT64_MAX : INT64_MIN;
            else if (descending)
                k.Key.I = -k.Key.I;
        }
        SortArray(keyed.data(), n, [&](const TKeyedItem& a, const TKeyedItem& b) {
            if (a.Key.I != b.Key.I) return a.Key.I < b.Key.I;
            return CompareRecordsFrom(1, a.Item->Record(), b.Item->Record()) < 0;
        });
        items.resize(keyed.size());
        for (size_t i = 0; i < keyed.size(); ++i)
            items[i] = keyed[i].Item;
        return;
    }
    switch (kind) {
    case TKeyKind::Integer:
    case TKeyKind::Float: {
        // 64-bit integers and numbers stored as doubles become signed words in sort order,
        // complemented when descending, so that the comparison is a plain integer one. Nulls,
        // all equal in the first column, go apart: first, or last when descending.
        for (TKeyedItem& k : keyed)
            if (!k.IsNull) {
                const int64_t key = kind == TKeyKind::Float ? OrderedDoubleKey(k.Key.D) : k.Key.I;
                k.Key.I = descending ? ~key : key;
            }
        TKeyedItem* split = std::partition(keyed.data(), keyed.data() + n,
                                           [descending](const TKeyedItem& k) { return k.IsNull != descending; });
        TKeyedItem* keys = descending ? keyed.data() : split;
        const ptrdiff_t keyCount = descending ? split - keyed.data() : keyed.data() + n - split;
        SortArray(keys, keyCount, [&](const TKeyedItem& a, const TKeyedItem& b) {
            if (a.Key.I != b.Key.I) return a.Key.I < b.Key.I;
            return more && CompareRecordsFrom(1, a.Item->Record(), b.Item->Record()) < 0;
        });
        if (more)
            SortArray(descending ? split : keyed.data(), n - keyCount, [&](const TKeyedItem& a, const TKeyedItem& b) {
                return CompareRecordsFrom(1, a.Item->Record(), b.Item->Record()) < 0;
            });
        break;
    }
    case TKeyKind::Ansi:
        SortArray(keyed.data(), n, [&](const TKeyedItem& a, const TKeyedItem& b) {
            int c = (a.IsNull || b.IsNull) ? nulls(a, b)
                    : (flags & cfBinary)   ? OrdinalPChar(a.Key.A, b.Key.A)
                                           : ComparePCharValues(a.Key.A, b.Key.A, flags);
            return finish(c, a, b);
        });
        break;
    default:
        SortArray(keyed.data(), n, [&](const TKeyedItem& a, const TKeyedItem& b) {
            int c = 0;
            if (a.IsNull || b.IsNull)
                c = nulls(a, b);
            else if (flags & cfBinary)
                c = OrdinalWideZ(a.Key.W, b.Key.W);
            else if (flags & cfCaseInsensitive)
                c = CompareWideText(a.Key.W, b.Key.W);
            else
                c = CompareWideStr(a.Key.W, b.Key.W);
            return finish(c, a, b);
        });
        break;
    }
    items.resize(keyed.size());
    for (size_t i = 0; i < keyed.size(); ++i)
        items[i] = keyed[i].Item;
}

void TMemData::SortByNarrowInteger(std::vector<PRowItem>& items, TFieldDesc* desc, bool descending) {
    // One column of 32 bits or less: each row becomes a word of its key, mapped to an unsigned
    // number in sort order (reversed when descending), above a reference to its item, and the
    // words are radix-sorted. Nulls are all equal and go first, or last when descending.
    // With 32-bit pointers the word carries the item itself; otherwise its index in the walk.
    constexpr bool itemInWord = sizeof(PRowItem) <= sizeof(uint32_t);
    std::vector<PRowItem> listed;
    std::vector<uint64_t> words;
    std::vector<PRowItem> nulls;
    const size_t reserve = static_cast<size_t>(std::max(RecordCount, 0));
    if (!itemInWord) listed.reserve(reserve);
    words.reserve(reserve);
    const int nullFieldNo = desc->Position;
    const bool isSigned = desc->TypeCode == tcInt8 || desc->TypeCode == tcInt16 || desc->TypeCode == tcInt32;
    const uint32_t flip = descending ? 0xFFFFFFFFu : 0;
    for (PRowItem item = FirstItem; item; item = item->NextItem()) {
        const uint8_t* record = item->Record();
        if (NullFlag(record, nullFieldNo)) {
            nulls.push_back(item);
            continue;
        }
        const uint8_t* field = record + desc->RecordOffset;
        uint32_t key;
        switch (desc->TypeCode) {
        case tcInt8:
            key = static_cast<uint32_t>(
                static_cast<int32_t>(desc->StorageSize == 2 ? Load<int16_t>(field) : Load<int8_t>(field)));
            break;
        case tcInt16:
            key = static_cast<uint32_t>(static_cast<int32_t>(Load<int16_t>(field)));
            break;
        case tcInt32:
            key = static_cast<uint32_t>(Load<int32_t>(field));
            break;
        case tcUInt16:
            key = Load<uint16_t>(field);
            break;
        case tcUInt32:
            key = Load<uint32_t>(field);
            break;
        default: // tcBoolean
            key = Load<uint16_t>(field) != 0 ? 1 : 0;
            break;
        }
        if (isSigned) key ^= 0x80000000u;
        key ^= flip;
        uint32_t low;
        if constexpr (itemInWord) {
            low = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(item));
        } else {
            low = static_cast<uint32_t>(listed.size());
            listed.push_back(item);
        }
        words.push_back(static_cast<uint64_t>(key) << 32 | low);
    }
    RadixSortHigh32(words);
    items.clear();
    items.reserve(words.size() + nulls.size());
    if (!descending) items.insert(items.end(), nulls.begin(), nulls.end());
    for (uint64_t w : words) {
        const uint32_t low = static_cast<uint32_t>(w);
        if constexpr (itemInWord)
            items.push_back(reinterpret_cast<PRowItem>(static_cast<uintptr_t>(low)));
        else
            items.push_back(listed[low]);
    }
    if (descending) items.insert(items.end(), nulls.begin(), nulls.end());
}
