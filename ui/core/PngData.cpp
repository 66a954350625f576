#include "ui/core/PngData.h"

#include <array>
#include <cstring>

#include "platform/graphics/Graphics.h"

namespace {
const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

[[noreturn]] void Invalid(const AnsiString& what) {
    throw EInvalidGraphic("PNG image is not valid: " + what);
}

uint32_t Big32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Eight tables, so that the CRC takes eight bytes a step: the packs' pictures are checked at start.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

const CrcTables& Tables() {
    static const CrcTables tables = [] {
        CrcTables t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][n] = c;
        }
        for (uint32_t n = 0; n < 256; ++n)
            for (size_t k = 1; k < 8; ++k)
                t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
        return t;
    }();
    return tables;
}

uint32_t Crc32(const uint8_t* p, size_t size) {
    const CrcTables& t = Tables();
    uint32_t c = 0xFFFFFFFFu;
    for (; size >= 8; p += 8, size -= 8) {
        uint32_t lo = c ^ (uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24);
        c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
            t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
    }
    for (; size > 0; ++p, --size)
        c = t[0][(c ^ *p) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

AnsiString TypeName(const uint8_t* type) {
    AnsiString name;
    for (int i = 0; i < 4; ++i) {
        bool letter = (type[i] >= 'A' && type[i] <= 'Z') || (type[i] >= 'a' && type[i] <= 'z');
        if (!letter) Invalid("a chunk type is not four letters");
        name += static_cast<char>(type[i]);
    }
    return name;
}

bool ValidDepth(uint8_t colorType, uint8_t depth) {
    switch (colorType) {
    case 0:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

TdxPngHeader ReadHeader(const uint8_t* data, uint32_t length) {
    if (length != 13) Invalid("the header chunk is not 13 bytes");
    uint32_t width = Big32(data), height = Big32(data + 4);
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu)
        Invalid("the header's size is out of range");
    TdxPngHeader header;
    header.Width = static_cast<int>(width);
    header.Height = static_cast<int>(height);
    header.BitDepth = data[8];
    header.ColorType = data[9];
    if (!ValidDepth(header.ColorType, header.BitDepth)) Invalid("the header's colour type and bit depth");
    if (data[10] != 0 || data[11] != 0 || data[12] > 1) Invalid("the header's compression, filter or interlace");
    return header;
}
} // namespace

bool HasPngSignature(const uint8_t* data, size_t size) {
    return size >= sizeof(kSignature) && std::memcmp(data, kSignature, sizeof(kSignature)) == 0;
}

TdxPngHeader CheckPngData(const uint8_t* data, size_t size) {
    if (!HasPngSignature(data, size)) Invalid("no PNG signature");
    TdxPngHeader header;
    bool palette = false, imageData = false;
    size_t at = sizeof(kSignature);
    for (bool first = true;; first = false) {
        if (size - at < 12) Invalid("cut short");
        uint32_t length = Big32(data + at);
        if (length > 0x7FFFFFFFu || length > size - at - 12) Invalid("a chunk runs past the end");
        const uint8_t* type = data + at + 4;
        const uint8_t* body = type + 4;
        AnsiString name = TypeName(type);
        if (Crc32(type, length + 4) != Big32(body + length)) Invalid("the CRC of chunk " + name);
        at += length + 12;
        if (first != (name == "IHDR")) Invalid("the header chunk is not first and alone");
        if (first) {
            header = ReadHeader(body, length);
        } else if (name == "PLTE") {
            palette = true;
        } else if (name == "IDAT") {
            if (header.ColorType == 3 && !palette) Invalid("image data before the palette");
            imageData = true;
        } else if (name == "IEND") {
            if (!imageData) Invalid("no image data");
            return header;
        } else if (!(type[0] & 0x20)) {
            Invalid("unknown critical chunk " + name);
        }
    }
}
