#include "platform/soap/Base64.h"

#include <array>
#include <type_traits>

#include "platform/core/Exceptions.h"

namespace {
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

void Base64Append(std::string& out, const std::uint8_t* data, std::size_t size) {
    std::size_t start = out.size();
    out.resize(start + (size + 2) / 3 * 4);
    char* p = out.data() + start;
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        unsigned v = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
        *p++ = kAlphabet[v >> 18];
        *p++ = kAlphabet[(v >> 12) & 63];
        *p++ = kAlphabet[(v >> 6) & 63];
        *p++ = kAlphabet[v & 63];
    }
    if (i < size) {
        unsigned v = data[i] << 16;
        if (i + 1 < size) v |= data[i + 1] << 8;
        *p++ = kAlphabet[v >> 18];
        *p++ = kAlphabet[(v >> 12) & 63];
        *p++ = i + 1 < size ? kAlphabet[(v >> 6) & 63] : '=';
        *p++ = '=';
    }
}

namespace {

// Per character: its 6-bit value, or one of these.
constexpr std::int8_t kBlank = -2, kPad = -3, kBad = -1;
// In the shifted tables: not a symbol.
constexpr std::uint32_t kNoSymbol = 0x80000000u;

struct TDecodeTables {
    std::array<std::int8_t, 256> Class;
    // A symbol's value moved to its place in a quad's 24 bits, for each of the four places.
    std::array<std::array<std::uint32_t, 256>, 4> Shifted;
};

const TDecodeTables& DecodeTables() {
    static const TDecodeTables tables = [] {
        TDecodeTables t;
        t.Class.fill(kBad);
        for (auto& place : t.Shifted)
            place.fill(kNoSymbol);
        for (int i = 0; i < 64; ++i) {
            const auto c = static_cast<unsigned char>(kAlphabet[i]);
            t.Class[c] = static_cast<std::int8_t>(i);
            for (int place = 0; place < 4; ++place)
                t.Shifted[place][c] = static_cast<std::uint32_t>(i) << (18 - 6 * place);
        }
        for (unsigned char c : {' ', '\t', '\r', '\n'})
            t.Class[c] = kBlank;
        t.Class['='] = kPad;
        return t;
    }();
    return tables;
}

// Decodes into o and answers the end of what was written. o may trail the text in one buffer:
// every write lands on characters already read.
template <class Char> std::uint8_t* DecodeTo(const Char* text, std::size_t length, std::uint8_t* o) {
    const TDecodeTables& tables = DecodeTables();
    const auto& [s0, s1, s2, s3] = tables.Shifted;
    unsigned acc = 0;
    int held = 0; // symbols in acc
    int pad = 0;
    std::size_t symbols = 0;
    for (std::size_t i = 0; i < length; ++i) {
        // Whole quads of plain symbols, the bulk of a long text, skip the per-symbol checks.
        if (held == 0 && pad == 0) {
            while (i + 4 <= length) {
                const auto c0 = static_cast<std::make_unsigned_t<Char>>(text[i]),
                           c1 = static_cast<std::make_unsigned_t<Char>>(text[i + 1]),
                           c2 = static_cast<std::make_unsigned_t<Char>>(text[i + 2]),
                           c3 = static_cast<std::make_unsigned_t<Char>>(text[i + 3]);
                if constexpr (sizeof(Char) > 1)
                    if ((c0 | c1 | c2 | c3) >= 256) break;
                const std::uint32_t quad = s0[c0] | s1[c1] | s2[c2] | s3[c3];
                if (quad & kNoSymbol) break;
                o[0] = static_cast<std::uint8_t>(quad >> 16);
                o[1] = static_cast<std::uint8_t>(quad >> 8);
                o[2] = static_cast<std::uint8_t>(quad);
                o += 3;
                symbols += 4;
                i += 4;
            }
            if (i == length) break;
        }
        const auto c = static_cast<std::make_unsigned_t<Char>>(text[i]);
        const int v = c < 256 ? tables.Class[c] : kBad;
        if (v >= 0) {
            if (pad) throw Exception("Invalid base64 data");
            acc = (acc << 6) | static_cast<unsigned>(v);
            ++symbols;
            if (++held == 4) {
                *o++ = static_cast<std::uint8_t>(acc >> 16);
                *o++ = static_cast<std::uint8_t>(acc >> 8);
                *o++ = static_cast<std::uint8_t>(acc);
                acc = 0;
                held = 0;
            }
        } else if (v == kPad) {
            ++pad;
            ++symbols;
        } else if (v != kBlank) {
            throw Exception("Invalid base64 data");
        }
    }
    if (symbols % 4 != 0 || pad > 2) throw Exception("Invalid base64 data");
    if (held == 2) *o++ = static_cast<std::uint8_t>(acc >> 4);
    if (held == 3) {
        *o++ = static_cast<std::uint8_t>(acc >> 10);
        *o++ = static_cast<std::uint8_t>(acc >> 2);
    }
    return o;
}

} // namespace

template <class Char> std::vector<std::uint8_t> Base64Decode(const Char* text, std::size_t length) {
    std::vector<std::uint8_t> out(length / 4 * 3 + 3);
    out.resize(static_cast<std::size_t>(DecodeTo(text, length, out.data()) - out.data()));
    return out;
}

std::size_t Base64Extent(const char* text, std::size_t length, bool& decodes) {
    const std::array<std::int8_t, 256>& table = DecodeTables().Class;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    int pad = 0;
    bool symbolAfterPad = false;
    std::size_t symbols = 0, i = 0;
    for (; i < length; ++i) {
        if (pad == 0) {
            while (i + 4 <= length && (table[p[i]] | table[p[i + 1]] | table[p[i + 2]] | table[p[i + 3]]) >= 0) {
                symbols += 4;
                i += 4;
            }
            if (i == length) break;
        }
        const int v = table[p[i]];
        if (v >= 0) {
            symbolAfterPad = symbolAfterPad || pad;
            ++symbols;
        } else if (v == kPad) {
            ++pad;
            ++symbols;
        } else if (v != kBlank) {
            break;
        }
    }
    decodes = !symbolAfterPad && symbols % 4 == 0 && pad <= 2;
    return i;
}

std::size_t Base64DecodeInto(const char* text, std::size_t length, std::uint8_t* out) {
    bool decodes = false;
    if (Base64Extent(text, length, decodes) != length || !decodes) throw Exception("Invalid base64 data");
    return static_cast<std::size_t>(DecodeTo(text, length, out) - out);
}

template std::vector<std::uint8_t> Base64Decode<char>(const char*, std::size_t);
template std::vector<std::uint8_t> Base64Decode<wchar_t>(const wchar_t*, std::size_t);
