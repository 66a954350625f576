#include "ui/core/Bitmaps.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/core/Streams.h"
#include "ui/core/GraphicsRoutines.h"

TcxCustomBitmap::TcxCustomBitmap(int width, int height, TPixelFormat pixelFormat) {
    SetupBitmap(width, height, pixelFormat);
}

TcxCustomBitmap::~TcxCustomBitmap() = default;

void TcxCustomBitmap::SetupBitmap(int width, int height, TPixelFormat pixelFormat) {
    cxCanvas_ = std::make_unique<TcxCanvas>(&Canvas());
    BeginUpdate();
    try {
        SetWidth(width);
        SetHeight(height);
        SetPixelFormat(pixelFormat);
    } catch (...) {
        EndUpdate(true);
        throw;
    }
    EndUpdate(true);
}

std::unique_ptr<TcxCustomBitmap> TcxCustomBitmap::CreateSized(TClass bitmapClass, int width, int height,
                                                              TPixelFormat pixelFormat) {
    auto bitmap = bitmapClass->Create<TcxCustomBitmap>();
    bitmap->InitSized(width, height, pixelFormat);
    return bitmap;
}

void TcxCustomBitmap::InitSized(int width, int height, TPixelFormat pixelFormat) {
    BeginUpdate();
    try {
        SetWidth(width);
        SetHeight(height);
        SetPixelFormat(pixelFormat);
    } catch (...) {
        EndUpdate(true);
        throw;
    }
    EndUpdate(true);
}

void TcxCustomBitmap::EndUpdate(bool notify) {
    if (updateCount_ == 0) return;
    --updateCount_;
    if (updateCount_ == 0 && (notify || changePending_)) Changed(this);
}

void TcxCustomBitmap::Changed(TObject* sender) {
    if (IsUpdating()) {
        changePending_ = true;
        return;
    }
    TBitmap::Changed(sender);
    AfterChange();
    changePending_ = false;
}

void TcxCustomBitmap::EraseContent() {
    if (Empty()) return;
    Canvas().Brush().SetColor(clBlack);
    Canvas().FillRect(GetImageRect());
}

void TcxCustomBitmap::ResizeTo(int width, int height) {
    BeginUpdate();
    try {
        SetWidth(width);
        SetHeight(height);
    } catch (...) {
        EndUpdate(false);
        throw;
    }
    EndUpdate(false);
}

void TcxCustomBitmap::CopyBitmap(TBitmap* source, DWORD rop) {
    CopyBitmapRect(source, GetImageRect(), rop, {0, 0});
}

void TcxCustomBitmap::CopyBitmapRect(TBitmap* source, const TRect& destRect, DWORD rop, TPoint srcTopLeft) {
    BitBltRect(Canvas().Handle(), source->Canvas().Handle(), destRect, srcTopLeft, rop);
}

void TcxCustomBitmap::RotateAndFlip(TcxRotationAngle rotation, bool flip) {
    cxCanvas_->RotateBitmap(this, rotation, flip);
}

// ---------------------------------------------------------------------------------------------
namespace {
constexpr int kLongestRun = 125;
constexpr char kSignature[4] = {'X', 'D', 'B', 'M'};
} // namespace

std::vector<uint8_t> cxEncodeRuns(const uint8_t* data, size_t length) {
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < length) {
        uint8_t b = data[i];
        size_t n;
        if (i + 1 < length && data[i + 1] == b) {
            n = 1;
            while (i + n < length && n < kLongestRun && data[i + n] == b)
                ++n;
            out.push_back(static_cast<uint8_t>(n));
            out.push_back(b);
        } else {
            // The literal run leaves out a byte that starts a repeat run.
            n = 1;
            uint8_t prev = b;
            for (size_t j = i + 1; j < length && n < kLongestRun; ++j) {
                if (data[j] != prev) {
                    ++n;
                    prev = data[j];
                } else {
                    --n;
                    break;
                }
            }
            out.push_back(static_cast<uint8_t>(n | 0x80));
            out.insert(out.end(), data + i, data + i + n);
        }
        i += n;
    }
    return out;
}

void TcxCustomBitmap::WriteData(TStream* stream) {
    if (!CompressData) {
        TBitmap::WriteData(stream);
        return;
    }
    TMemoryStream plain;
    TBitmap::WriteData(&plain);
    std::vector<uint8_t> coded =
        cxEncodeRuns(static_cast<const uint8_t*>(plain.Memory()), static_cast<size_t>(plain.Size()));
    int64_t start = stream->Position();
    stream->SetPosition(start + 10);
    if (!coded.empty()) stream->WriteBuffer(coded.data(), static_cast<int>(coded.size()));
    int64_t end = stream->Position();
    int32_t size = static_cast<int32_t>(end - start - 10);
    uint16_t version = 1;
    stream->SetPosition(start);
    stream->WriteBuffer(&size, sizeof(size));
    stream->WriteBuffer(kSignature, sizeof(kSignature));
    stream->WriteBuffer(&version, sizeof(version));
    stream->SetPosition(end);
}

void TcxCustomBitmap::ReadData(TStream* stream) {
    int64_t start = stream->Position();
    uint8_t header[10];
    if (stream->Read(header, sizeof(header)) != sizeof(header) ||
        std::memcmp(header + 4, kSignature, 4) != 0) {
        stream->SetPosition(start);
        TBitmap::ReadData(stream);
        return;
    }
    int32_t size;
    std::memcpy(&size, header, sizeof(size));
    // Packets end with the block: what is stored behind it is not ours, even when a damaged
    // packet claims more. The plain-form reader then reports the damage.
    const int64_t end = start + 10 + std::max<int32_t>(size, 0);
    TMemoryStream plain;
    std::vector<uint8_t> run;
    for (;;) {
        int64_t position = stream->Position();
        if (position >= end) break;
        uint8_t control;
        if (stream->Read(&control, 1) != 1) break;
        int count = control & 0x7F;
        int room = static_cast<int>(end - position - 1);
        if (control & 0x80) {
            run.resize(static_cast<size_t>(std::min(count, room)));
            int got = run.empty() ? 0 : stream->Read(run.data(), static_cast<int>(run.size()));
            if (got > 0) plain.WriteBuffer(run.data(), got);
            if (got < static_cast<int>(run.size())) break;
        } else {
            uint8_t value;
            if (room < 1 || stream->Read(&value, 1) != 1) break;
            run.assign(static_cast<size_t>(count), value);
            if (count) plain.WriteBuffer(run.data(), count);
        }
    }
    if (stream->Position() > end) stream->SetPosition(end);
    plain.SetPosition(0);
    TBitmap::ReadData(&plain);
}

// ---------------------------------------------------------------------------------------------
TcxBitmap::TcxBitmap(int width, int height, TPixelFormat) : TcxCustomBitmap(NoSetup{}) {
    SetupBitmap(width, height, pf32bit);
    EraseContent();
}

TcxBitmap::TcxBitmap(int width, int height, DWORD keyColor, KeyTag) : TcxCustomBitmap(NoSetup{}) {
    SetupBitmap(width, height, pf32bit);
    KeyColor = keyColor;
    EraseContent();
}

std::unique_ptr<TcxBitmap> TcxBitmap::CreateWithKey(int width, int height, DWORD keyColor) {
    return std::unique_ptr<TcxBitmap>(new TcxBitmap(width, height, keyColor, KeyTag{}));
}

void TcxBitmap::SetupBitmap(int width, int height, TPixelFormat pixelFormat) {
    PixelHeader = BITMAPINFOHEADER{};
    PixelHeader.biSize = sizeof(BITMAPINFOHEADER);
    PixelHeader.biWidth = width;
    PixelHeader.biHeight = height;
    PixelHeader.biPlanes = 1;
    PixelHeader.biBitCount = 32;
    PixelHeader.biCompression = BI_RGB;
    KeyColors.clear();
    TcxCustomBitmap::SetupBitmap(width, height, pixelFormat);
}

void TcxBitmap::InitSized(int width, int height, TPixelFormat) {
    ResizeTo(width, height);
}

void TcxBitmap::AfterChange() {
    PixelHeader.biWidth = Width();
    PixelHeader.biHeight = Height();
}

void TcxBitmap::EraseContent() {
    if (KeyColor >> 24)
        ApplyFilter(bfFillKey);
    else
        TcxCustomBitmap::EraseContent();
}

void TcxBitmap::ResizeTo(int width, int height) {
    TcxCustomBitmap::ResizeTo(width, height);
    EraseContent();
}

TRGBColors TcxBitmap::ReadPixels() {
    TRGBColors pixels(static_cast<size_t>(Width()) * Height());
    if (pixels.empty()) return pixels;
    Dormant(); // GDI reads and writes bitmaps that no DC holds
    GetDIBits(GetSharedScreenCanvas()->Handle(), Handle(), 0, Height(), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&PixelHeader), DIB_RGB_COLORS);
    return pixels;
}

void TcxBitmap::WritePixels(const TRGBColors& pixels) {
    if (pixels.empty() || pixels.size() < static_cast<size_t>(Width()) * Height()) return;
    Dormant();
    SetDIBits(GetSharedScreenCanvas()->Handle(), Handle(), 0, Height(), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&PixelHeader), DIB_RGB_COLORS);
}

bool TcxBitmap::IsAlphaUsed() {
    for (const RGBQUAD& pixel : ReadPixels())
        if (pixel.rgbReserved != 0) return true;
    return false;
}

namespace {
DWORD PixelValue(RGBQUAD pixel) {
    DWORD value;
    std::memcpy(&value, &pixel, sizeof(value));
    return value;
}

RGBQUAD PixelOf(DWORD value) {
    RGBQUAD pixel;
    std::memcpy(&pixel, &value, sizeof(pixel));
    return pixel;
}

// Weighted grey levels in single precision, halves to even.
VZ_SINGLE_PRECISION BYTE GreyLevel(const RGBQUAD& p) {
    return static_cast<BYTE>(ClampColorChannel(
        static_cast<int>(std::lrintf(0.299f * p.rgbRed + 0.587f * p.rgbGreen + 0.114f * p.rgbBlue))));
}

// Red has the smallest weight here.
VZ_SINGLE_PRECISION BYTE GreyLevelAlt(const RGBQUAD& p) {
    return static_cast<BYTE>(ClampColorChannel(
        static_cast<int>(std::lrintf(0.0729f * p.rgbRed + 0.7146f * p.rgbGreen + 0.2125f * p.rgbBlue))));
}
} // namespace

bool TcxBitmap::IsKeyPixel(RGBQUAD pixel) const {
    DWORD value = PixelValue(pixel);
    if (value == KeyColor) return true;
    for (DWORD key : KeyColors)
        if ((value & 0xFFFFFF) == key) return true;
    return false;
}

void TcxBitmap::ApplyFilter(TcxBitmapFilter filter) {
    TRGBColors pixels = ReadPixels();
    const int width = Width(), height = Height();
    const RGBQUAD shadow = ColorToRGBQuad(clBtnShadow, 0xC0);
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y) {
            RGBQUAD& p = pixels[static_cast<size_t>(y) * width + x];
            switch (filter) {
            case bfDisable:
                if (IsKeyPixel(p)) break;
                p.rgbRed = p.rgbGreen = p.rgbBlue = GreyLevel(p);
                BlendPixel(shadow, p, 238);
                break;
            case bfOpaque:
                p.rgbReserved = 255;
                break;
            case bfMask:
                p = PixelOf(IsKeyPixel(p) ? 0xFFFFFFFF : 0);
                break;
            case bfGreyAlt:
                if (IsKeyPixel(p)) break;
                p.rgbRed = p.rgbGreen = p.rgbBlue = GreyLevelAlt(p);
                break;
            case bfOpaqueVisible:
                if (!IsKeyPixel(p) && p.rgbReserved == 0) p.rgbReserved = 255;
                break;
            case bfFillKey:
                p = PixelOf(KeyColor);
                break;
            case bfClearAlpha:
                p.rgbReserved = 0;
                break;
            }
        }
    WritePixels(pixels);
    Changed(this);
}
