#pragma once
// The byte form of a skin (the skin pack): primitive readers and writers and the stream window
// through which pictures reach the PNG reader.
#include <cstdint>

#include "platform/core/Streams.h"
#include "platform/graphics/Graphics.h"

// A window [Start, End) over another stream. Reads are not limited to the window; seeks are.
class TdxSkinPartStream : public TStream {
public:
    VZ_CLASS(TdxSkinPartStream, TStream)
    explicit TdxSkinPartStream(TStream* source = nullptr) : Source(source) {}

    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return End - Start; }

    void Initialize(TStream* source, int32_t start, int32_t end);
    void SetBounds(int32_t start, int32_t end);

    TStream* Source;
    int32_t Start = 0;
    int32_t End = 0;
};

// The one window every picture read goes through.
TdxSkinPartStream* SkinPartStream();

// Every read gets all its bytes or raises EReadError "Stream read error". Lengths are checked
// against the bytes that remain before anything is allocated.
AnsiString ReadPackString(TStream* stream);
void WritePackString(TStream* stream, const AnsiString& value);
int32_t ReadPackInteger(TStream* stream);
void WritePackInteger(TStream* stream, int32_t value);
uint8_t ReadPackByte(TStream* stream);
void WritePackByte(TStream* stream, uint8_t value);
uint16_t ReadPackWord(TStream* stream);
double ReadPackDouble(TStream* stream);
TRect ReadPackRect(TStream* stream);
void WritePackRect(TStream* stream, const TRect& value);
TSize ReadPackSize(TStream* stream);
void WritePackSize(TStream* stream, const TSize& value);
// Raises EReadError unless count bytes remain from the position.
void CheckPackBytesLeft(TStream* stream, int64_t count);

// False (version untouched) when the 6 signature bytes are short or not "dxSkin".
bool ReadPackHeader(TStream* stream, double& version);
void WritePackHeader(TStream* stream);
// EdxSkin with the version message below 1.0.
void CheckPackVersion(double version);

constexpr double dxSkinStreamVersion = 1.02;
