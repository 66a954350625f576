#include "platform/soap/Base64.h"

#include "platform/core/Exceptions.h"

namespace {
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Value(unsigned c) {
    if (c >= 'A' && c <= 'Z') return static_cast<int>(c - 'A');
    if (c >= 'a' && c <= 'z') return static_cast<int>(c - 'a' + 26);
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0' + 52);
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}
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

template <class Char> std::vector<std::uint8_t> Base64Decode(const Char* text, std::size_t length) {
    std::vector<std::uint8_t> out;
    out.reserve(length / 4 * 3);
    unsigned acc = 0;
    int bits = 0;
    int pad = 0;
    std::size_t symbols = 0;
    for (std::size_t i = 0; i < length; ++i) {
        unsigned c = static_cast<unsigned>(text[i]);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        if (c == '=') {
            ++pad;
            ++symbols;
            continue;
        }
        int v = c < 128 ? Value(c) : -1;
        if (v < 0 || pad) throw Exception("Invalid base64 data");
        ++symbols;
        acc = (acc << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<std::uint8_t>(acc >> bits));
            acc &= (1u << bits) - 1;
        }
    }
    if (symbols % 4 != 0 || pad > 2) throw Exception("Invalid base64 data");
    return out;
}

template std::vector<std::uint8_t> Base64Decode<char>(const char*, std::size_t);
template std::vector<std::uint8_t> Base64Decode<wchar_t>(const wchar_t*, std::size_t);
