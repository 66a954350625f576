#include "ui/core/GdiPlusClasses.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/core/StreamAdapter.h"
#include "platform/core/Streams.h"
#include "ui/core/PngData.h"

void ReadBitmapBitsTopDown(TBitmap& bitmap, TdxRGBColorsData& pixels) {
    int width = bitmap.Width(), height = bitmap.Height();
    pixels.assign(static_cast<size_t>(width) * height, RGBQUAD{});
    if (pixels.empty()) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap.Dormant(); // GDI reads a bitmap that no DC holds
    HDC screen = GetDC(nullptr);
    int got = GetDIBits(screen, bitmap.Handle(), 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (got == height) return;
    if (bitmap.PixelFormat() == pf32bit)
        for (int row = 0; row < height; ++row)
            std::memcpy(&pixels[static_cast<size_t>(row) * width], bitmap.ScanLine(row),
                        width * sizeof(RGBQUAD));
}

// ---------------------------------------------------------------------------------------------
TdxGPImage::~TdxGPImage() {
    if (handle_) dxGpApi.GdipDisposeImage(handle_);
}

std::unique_ptr<TdxGPImage> TdxGPImage::CreateFromBits(TdxGPImageClass imageClass, int width, int height,
                                                       TdxRGBColors bits, bool hasAlpha) {
    auto image = imageClass->Create<TdxGPImage>();
    image->InitFromBits(width, height, std::move(bits), hasAlpha);
    return image;
}

std::unique_ptr<TdxGPImage> TdxGPImage::CreateFromBitmap(TdxGPImageClass imageClass, TBitmap& bitmap) {
    auto image = imageClass->Create<TdxGPImage>();
    image->InitFromBitmap(bitmap);
    return image;
}

std::unique_ptr<TdxGPImage> TdxGPImage::CreateFromStream(TdxGPImageClass imageClass, TStream* stream) {
    auto image = imageClass->Create<TdxGPImage>();
    image->InitFromStream(stream);
    return image;
}

void TdxGPImage::InitFromBits(int width, int height, TdxRGBColors bits, bool hasAlpha) {
    bits_ = bits ? std::move(bits) : std::make_shared<TdxRGBColorsData>();
    bits_->resize(static_cast<size_t>(std::max(width, 0)) * std::max(height, 0));
    if (!hasAlpha)
        for (RGBQUAD& pixel : *bits_)
            pixel.rgbReserved = 255;
    if (width <= 0 || height <= 0) return;
    CheckGdiPlusStatus(dxGpApi.GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppPARGB,
                                                         reinterpret_cast<BYTE*>(bits_->data()), &handle_));
}

void TdxGPImage::InitFromBitmap(TBitmap& bitmap) {
    EnsurePngEncoderClsid();
    auto pixels = std::make_shared<TdxRGBColorsData>();
    ReadBitmapBitsTopDown(bitmap, *pixels);
    InitFromBits(bitmap.Width(), bitmap.Height(), pixels, bitmap.PixelFormat() == pf32bit);
}

void TdxGPImage::InitFromStream(TStream* stream) {
    if (!IsGdiPlusAvailable()) return;
    // What remains from the position is the picture; other data may stand before it.
    int64_t remaining = stream->Size() - stream->Position();
    if (remaining < 14) return;
    char head[14];
    int got = stream->Read(head, sizeof(head));
    stream->Seek(-got, soCurrent);
    if (got == 14 && head[0] == 'B' && head[1] == 'M') {
        TBitmap bitmap;
        bitmap.LoadFromStream(stream);
        InitFromBitmap(bitmap);
    } else {
        LoadFromStream(stream);
    }
}

void TdxGPImage::LoadFromStream(TStream* stream) {
    int64_t remaining = std::max<int64_t>(stream->Size() - stream->Position(), 0);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(remaining));
    if (!block) throw EOutOfMemory("Out of memory");
    IStream* comStream = nullptr;
    try {
        void* memory = GlobalLock(block);
        int got = stream->Read(memory, static_cast<int>(remaining));
        GlobalUnlock(block);
        if (got < remaining) throw EReadError("Stream read error");
        CheckGdiPlusStatus(CreateStreamOnHGlobal(block, FALSE, &comStream) == S_OK ? GpOk : 1);
        GpImage* decoded = nullptr;
        CheckGdiPlusStatus(dxGpApi.GdipCreateBitmapFromStream(comStream, &decoded));
        if (handle_) dxGpApi.GdipDisposeImage(handle_);
        handle_ = decoded;
    } catch (...) {
        if (comStream) comStream->Release();
        GlobalFree(block);
        throw;
    }
    comStream->Release();
    GlobalFree(block);
}

std::unique_ptr<TdxGPImage> TdxGPImage::Clone() const {
    if (bits_ && !bits_->empty()) {
        float width = 0, height = 0;
        Dimensions(width, height);
        return CreateFromBits(CurrentGPImageClass(), static_cast<int>(width), static_cast<int>(height), bits_,
                              true);
    }
    auto clone = CurrentGPImageClass()->Create<TdxGPImage>();
    if (handle_) CheckGdiPlusStatus(dxGpApi.GdipCloneImage(handle_, &clone->handle_));
    return clone;
}

void TdxGPImage::SaveToStream(TStream* stream) const {
    if (!handle_) return;
    IStream* adapter = new TStreamAdapter(stream);
    adapter->AddRef();
    GpStatus status = dxGpApi.GdipSaveImageToStream(handle_, adapter, &PngEncoderClsid(), nullptr);
    adapter->Release();
    CheckGdiPlusStatus(status);
}

void TdxGPImage::Dimensions(float& width, float& height) const {
    width = height = 0;
    if (handle_) CheckGdiPlusStatus(dxGpApi.GdipGetImageDimension(handle_, &width, &height));
}

int TdxGPImage::Width() const {
    float width, height;
    Dimensions(width, height);
    return static_cast<int>(width);
}

int TdxGPImage::Height() const {
    float width, height;
    Dimensions(width, height);
    return static_cast<int>(height);
}

void TdxGPNullImage::LoadFromStream(TStream*) {}

void TdxGPNullImage::InitFromBits(int width, int height, TdxRGBColors bits, bool hasAlpha) {
    bits_ = bits ? std::move(bits) : std::make_shared<TdxRGBColorsData>();
    bits_->resize(static_cast<size_t>(std::max(width, 0)) * std::max(height, 0));
    if (!hasAlpha)
        for (RGBQUAD& pixel : *bits_)
            pixel.rgbReserved = 255;
}

namespace {
TdxGPImageClass currentGPImageClass = nullptr;
}

TdxGPImageClass CurrentGPImageClass() {
    return currentGPImageClass ? currentGPImageClass : TdxGPNullImage::StaticClass();
}

// ---------------------------------------------------------------------------------------------
TdxPNGImage::~TdxPNGImage() = default;

void TdxPNGImage::SetImage(std::unique_ptr<TdxGPImage> image) {
    image_ = std::move(image);
    DropPending();
    Changed(this);
}

TdxGPImage* TdxPNGImage::Image() const {
    if (pendingSize_ != 0) {
        // Decoded as the stream read would have decoded it; the bytes go once the image stands.
        TMemoryStream stream;
        stream.WriteBuffer(pendingData_, static_cast<int>(pendingSize_));
        stream.SetPosition(0);
        image_ = TdxGPImage::CreateFromStream(CurrentGPImageClass(), &stream);
        DropPending();
    }
    return image_.get();
}

namespace {
// Whether a stream read of size bytes would decode with GDI+: other data and other states keep
// the road of a decode at once.
bool DecodesLate(int64_t size) {
    return CurrentGPImageClass() == TdxGPImage::StaticClass() && IsGdiPlusAvailable() && size >= 14 &&
           size <= INT32_MAX;
}
} // namespace

void TdxPNGImage::KeepPending(const uint8_t* data, size_t size, std::shared_ptr<const void> owner) {
    TdxPngHeader header = CheckPngData(data, size);
    image_.reset();
    pendingOwner_ = std::move(owner);
    pendingData_ = data;
    pendingSize_ = size;
    pendingWidth_ = header.Width;
    pendingHeight_ = header.Height;
    Changed(this);
}

void TdxPNGImage::DropPending() const {
    pendingOwner_.reset();
    pendingData_ = nullptr;
    pendingSize_ = 0;
}

bool TdxPNGImage::KeepPngData(TStream* stream) {
    int64_t remaining = stream->Size() - stream->Position();
    if (!DecodesLate(remaining)) return false;
    uint8_t signature[8];
    int got = stream->Read(signature, sizeof(signature));
    stream->Seek(-got, soCurrent);
    if (!HasPngSignature(signature, static_cast<size_t>(got))) return false;
    auto bytes = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(remaining));
    if (stream->Read(bytes->data(), static_cast<int>(remaining)) < remaining)
        throw EReadError("Stream read error");
    KeepPending(bytes->data(), bytes->size(), bytes);
    return true;
}

bool TdxPNGImage::KeepPngMemory(const uint8_t* data, size_t size, std::shared_ptr<const void> keeper) {
    if (!keeper || size > INT32_MAX || !DecodesLate(static_cast<int64_t>(size)) ||
        !HasPngSignature(data, size))
        return false;
    KeepPending(data, size, std::move(keeper));
    return true;
}

void TdxPNGImage::Assign(TPersistent* source) {
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        LoadFromBitmap(*bitmap);
    } else if (auto* png = dynamic_cast<TdxPNGImage*>(source)) {
        if (png == this) return;
        // A picture without an image empties the target.
        SetImage(png->Image() ? png->Image()->Clone() : nullptr);
    } else {
        TGraphic::Assign(source);
    }
}

void TdxPNGImage::AssignTo(TPersistent* dest) {
    if (auto* png = dynamic_cast<TdxPNGImage*>(dest)) {
        png->Assign(this);
    } else if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
        std::unique_ptr<TBitmap> made = MakeBitmap();
        bitmap->Assign(*made);
    } else {
        TGraphic::AssignTo(dest);
    }
}

void TdxPNGImage::Changed(TObject* sender) {
    alphaUsedKnown_ = false;
    TGraphic::Changed(sender);
}

void TdxPNGImage::Draw(TCanvas& canvas, const TRect& rect) {
    PaintOnDC(canvas.Handle(), rect);
}

// An undecoded picture answers from its header: the same size GDI+ reports once decoded.
int TdxPNGImage::Width() const {
    if (pendingSize_ != 0) return pendingWidth_;
    return image_ ? image_->Width() : 0;
}

int TdxPNGImage::Height() const {
    if (pendingSize_ != 0) return pendingHeight_;
    return image_ ? image_->Height() : 0;
}

bool TdxPNGImage::Empty() const {
    return Width() < 1 || Height() < 1;
}

void TdxPNGImage::LoadFromStream(TStream* stream) {
    if (stream->Size() != 0 && KeepPngData(stream)) return;
    if (stream->Size() != 0)
        SetImage(TdxGPImage::CreateFromStream(CurrentGPImageClass(), stream));
    else
        SetImage(nullptr);
}

void TdxPNGImage::SaveToStream(TStream* stream) {
    TdxGPImage* image = Image();
    if (!image) return;
    TMemoryStream encoded;
    image->SaveToStream(&encoded);
    encoded.SaveToStream(stream);
}

void TdxPNGImage::LoadFromBitmap(TBitmap& bitmap) {
    IsGdiPlusAvailable();
    SetImage(TdxGPImage::CreateFromBitmap(CurrentGPImageClass(), bitmap));
}

std::unique_ptr<TBitmap> TdxPNGImage::MakeBitmap() {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    if (TdxGPImage* image = Image(); image && image->Handle()) {
        HBITMAP handle = nullptr;
        CheckGdiPlusStatus(dxGpApi.GdipCreateHBITMAPFromBitmap(image->Handle(), &handle, 0));
        bitmap->SetHandle(handle);
        bitmap->SetPixelFormat(pf32bit);
    }
    return bitmap;
}

bool TdxPNGImage::UsesAlpha() {
    if (!alphaUsedKnown_) {
        std::unique_ptr<TBitmap> bitmap = MakeBitmap();
        TdxRGBColorsData pixels;
        ReadBitmapBitsTopDown(*bitmap, pixels);
        alphaUsedCache_ = false;
        for (const RGBQUAD& pixel : pixels)
            if (pixel.rgbReserved != 255) {
                alphaUsedCache_ = true;
                break;
            }
        alphaUsedKnown_ = true;
    }
    return alphaUsedCache_;
}

bool TdxPNGImage::SamePixels(TdxPNGImage& other) {
    if (Width() != other.Width() || Height() != other.Height()) return false;
    if (Empty() || other.Empty()) return true;
    std::unique_ptr<TBitmap> mine = MakeBitmap(), theirs = other.MakeBitmap();
    TdxRGBColorsData a, b;
    ReadBitmapBitsTopDown(*mine, a);
    ReadBitmapBitsTopDown(*theirs, b);
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(RGBQUAD)) == 0;
}

void TdxPNGImage::PaintOnDC(HDC dc, const TRect& destRect) {
    PaintPartOnDC(dc, destRect, Rect(0, 0, Width(), Height()));
}

void TdxPNGImage::PaintPartOnDC(HDC dc, const TRect& destRect, const TRect& srcRect) {
    if (!Image()) return;
    GpGraphics* graphics = nullptr;
    CheckGdiPlusStatus(dxGpApi.GdipCreateFromHDC(dc, &graphics));
    try {
        PaintPartOnGraphics(graphics, destRect, srcRect);
    } catch (...) {
        dxGpApi.GdipDeleteGraphics(graphics);
        throw;
    }
    dxGpApi.GdipDeleteGraphics(graphics);
}

void TdxPNGImage::DrawToGraphics(GpGraphics* graphics, const TRect& destRect, const TRect& srcRect) {
    if (Image()) PaintPartOnGraphics(graphics, destRect, srcRect);
}

void TdxPNGImage::PaintPartOnGraphics(GpGraphics* graphics, const TRect& destRect, const TRect& srcRect) {
    TdxGPImage* image = Image();
    if (!image) return;
    float srcW = static_cast<float>(srcRect.right - srcRect.left);
    float srcH = static_cast<float>(srcRect.bottom - srcRect.top);
    float dstW = static_cast<float>(destRect.right - destRect.left);
    float dstH = static_cast<float>(destRect.bottom - destRect.top);
    if (srcW < 1 || srcH < 1 || dstW < 1 || dstH < 1) return;
    // A stretched part takes one source pixel less, so the edge does not blend with what lies beyond.
    if (dstW > srcW && srcW > 1) srcW -= 1;
    if (dstH > srcH && srcH > 1) srcH -= 1;
    CheckGdiPlusStatus(dxGpApi.GdipDrawImageRectRect(
        graphics, image->Handle(), static_cast<float>(destRect.left), static_cast<float>(destRect.top), dstW,
        dstH, static_cast<float>(srcRect.left), static_cast<float>(srcRect.top), srcW, srcH, UnitPixel,
        nullptr, nullptr, nullptr));
}

// ---------------------------------------------------------------------------------------------
namespace {
void PngUnitInitialize() {
    currentGPImageClass = TdxGPNullImage::StaticClass();
    if (IsGdiPlusAvailable()) {
        EnsurePngEncoderClsid();
        currentGPImageClass = TdxGPImage::StaticClass();
        RegisterClass(TdxPNGImage::StaticClass());
        TPicture::RegisterFileFormat("PNG", "PNG graphics from Korvanta", TdxPNGImage::StaticClass());
    }
}

void PngUnitFinalize() {
    TPicture::UnregisterGraphicClass(TdxPNGImage::StaticClass());
    UnRegisterClass(TdxPNGImage::StaticClass());
    currentGPImageClass = nullptr;
}
} // namespace

void GdiPlusClassesInitialize() {
    GetUnitsLoader()->RegisterUnit(PngUnitInitialize, PngUnitFinalize);
}

void GdiPlusClassesFinalize() {
    GetUnitsLoader()->UnregisterUnit(PngUnitFinalize);
}
