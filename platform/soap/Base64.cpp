#include "platform/soap/Base64.h"

#include <array>

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

const std::array<std::int8_t, 256>& DecodeTable() {
    static const std::array<std::int8_t, 256> table = [] {
        std::array<std::int8_t, 256> t;
        t.fill(kBad);
        for (int i = 0; i < 64; ++i)
            t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
        for (unsigned char c : {' ', '\t', '\r', '\n'})
            t[c] = kBlank;
        t['='] = kPad;
        return t;
    }();
    return table;
}

// Decodes into o and answers the end of what was written. o may trail the text in one buffer:
// every write lands on characters already read.
template <class Char> std::uint8_t* DecodeTo(const Char* text, std::size_t length, std::uint8_t* o) {
    const std::array<std::int8_t, 256>& table = DecodeTable();
    unsigned acc = 0;
    int held = 0; // symbols in acc
    int pad = 0;
    std::size_t symbols = 0;
    for (std::size_t i = 0; i < length; ++i) {
        // Whole quads of plain symbols, the bulk of a long text, skip the per-symbol checks.
        if (held == 0 && pad == 0) {
            while (i + 4 <= length) {
                const unsigned c0 = static_cast<unsigned>(text[i]), c1 = static_cast<unsigned>(text[i + 1]),
                               c2 = static_cast<unsigned>(text[i + 2]),
                               c3 = static_cast<unsigned>(text[i + 3]);
                if ((c0 | c1 | c2 | c3) >= 256) break;
                const int v0 = table[c0], v1 = table[c1], v2 = table[c2], v3 = table[c3];
                if ((v0 | v1 | v2 | v3) < 0) break;
                const unsigned quad = (static_cast<unsigned>(v0) << 18) | (static_cast<unsigned>(v1) << 12) |
                                      (static_cast<unsigned>(v2) << 6) | static_cast<unsigned>(v3);
                o[0] = static_cast<std::uint8_t>(quad >> 16);
                o[1] = static_cast<std::uint8_t>(quad >> 8);
                o[2] = static_cast<std::uint8_t>(quad);
                o += 3;
                symbols += 4;
                i += 4;
            }
            if (i == length) break;
        }
        const unsigned c = static_cast<unsigned>(text[i]);
        const int v = c < 256 ? table[c] : kBad;
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

// What DecodeTo accepts, read without writing: plain quads a whole quad at a time.
bool IsBase64(const char* text, std::size_t length) {
    const std::array<std::int8_t, 256>& table = DecodeTable();
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    int pad = 0;
    std::size_t symbols = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (pad == 0) {
            while (i + 4 <= length && (table[p[i]] | table[p[i + 1]] | table[p[i + 2]] | table[p[i + 3]]) >= 0) {
                symbols += 4;
                i += 4;
            }
            if (i == length) break;
        }
        const int v = table[p[i]];
        if (v >= 0) {
            if (pad) return false;
            ++symbols;
        } else if (v == kPad) {
            ++pad;
            ++symbols;
        } else if (v != kBlank) {
            return false;
        }
    }
    return symbols % 4 == 0 && pad <= 2;
}

} // namespace

template <class Char> std::vector<std::uint8_t> Base64Decode(const Char* text, std::size_t length) {
    std::vector<std::uint8_t> out(length / 4 * 3 + 3);
    out.resize(static_cast<std::size_t>(DecodeTo(text, length, out.data()) - out.data()));
    return out;
}

std::size_t Base64DecodeInto(const char* text, std::size_t length, std::uint8_t* out) {
    if (!IsBase64(text, length)) throw Exception("Invalid base64 data");
    return static_cast<std::size_t>(DecodeTo(text, length, out) - out);
}

template std::vector<std::uint8_t> Base64Decode<char>(const char*, std::size_t);
template std::vector<std::uint8_t> Base64Decode<wchar_t>(const wchar_t*, std::size_t);
