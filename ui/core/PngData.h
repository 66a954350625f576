#pragma once
// The structure of PNG bytes, checked without decoding: what a picture keeps until it is first used.
#include <cstddef>
#include <cstdint>

// True when the bytes begin with the 8-byte PNG signature.
bool HasPngSignature(const uint8_t* data, size_t size);

struct TdxPngHeader {
    int Width = 0;
    int Height = 0;
    uint8_t BitDepth = 0;
    uint8_t ColorType = 0;
};

// Checks the signature, every chunk's length and CRC, the header chunk first and valid, a palette
// where the colour type needs one, image data, and the end chunk; bytes after the end chunk are
// left alone, as decoders do. Raises EInvalidGraphic "PNG image is not valid: <what>" otherwise.
TdxPngHeader CheckPngData(const uint8_t* data, size_t size);
