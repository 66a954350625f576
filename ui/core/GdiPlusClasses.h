#pragma once
// The GDI+ image wrapper and the PNG picture that the skins hold their element images in.
#include <memory>
#include <vector>

#include "platform/graphics/Graphics.h"
#include "ui/core/GdiPlusApi.h"

// 32-bit pixels, bytes blue, green, red, alpha, rows top to bottom. Shared: GDI+ draws straight
// from the buffer an image was made over, so the image holds a reference for its whole life.
using TdxRGBColorsData = std::vector<RGBQUAD>;
using TdxRGBColors = std::shared_ptr<TdxRGBColorsData>;

// Reads the bitmap as a top-down 32-bit array of width x height pixels.
void ReadBitmapBitsTopDown(TBitmap& bitmap, TdxRGBColorsData& pixels);

using TdxGPImageClass = TClass;

class TdxGPImage : public TdxGPBase {
public:
    VZ_CLASS(TdxGPImage, TdxGPBase)
    TdxGPImage() = default;
    ~TdxGPImage() override;

    // Virtual constructors: a new image of imageClass (TdxGPImage or a descendant).
    static std::unique_ptr<TdxGPImage> CreateFromBits(TdxGPImageClass imageClass, int width, int height,
                                                      TdxRGBColors bits, bool hasAlpha);
    static std::unique_ptr<TdxGPImage> CreateFromBitmap(TdxGPImageClass imageClass, TBitmap& bitmap);
    // Empty when GDI+ is off or fewer than 14 bytes remain from the stream's position.
    static std::unique_ptr<TdxGPImage> CreateFromStream(TdxGPImageClass imageClass, TStream* stream);

    // An image of the current image class; shares Bits when there are any.
    std::unique_ptr<TdxGPImage> Clone() const;
    // Encodes the image as PNG at the stream's position.
    void SaveToStream(TStream* stream) const;

    GpImage* Handle() const { return handle_; }
    const TdxRGBColors& Bits() const { return bits_; }
    // GDI+'s dimensions, truncated; 0 x 0 for an empty image.
    int Width() const;
    int Height() const;

protected:
    virtual void LoadFromStream(TStream* stream);
    virtual void InitFromBitmap(TBitmap& bitmap);
    virtual void InitFromBits(int width, int height, TdxRGBColors bits, bool hasAlpha);
    virtual void InitFromStream(TStream* stream);

    TdxRGBColors bits_;
    GpImage* handle_ = nullptr;

private:
    void Dimensions(float& width, float& height) const;
};

// The same image on the ordinary heap, for when GDI+ is not there: it holds pixels but no
// GDI+ image.
class TdxGPNullImage : public TdxGPImage {
public:
    VZ_CLASS(TdxGPNullImage, TdxGPImage)
    static void* operator new(size_t size) { return ::operator new(size); }
    static void operator delete(void* memory) { ::operator delete(memory); }

protected:
    void LoadFromStream(TStream* stream) override;
    void InitFromBits(int width, int height, TdxRGBColors bits, bool hasAlpha) override;
};

// The class every construction uses: TdxGPNullImage, or TdxGPImage once GDI+ is available.
TdxGPImageClass CurrentGPImageClass();

class TdxPNGImage : public TGraphic {
public:
    VZ_CLASS(TdxPNGImage, TGraphic)
    TdxPNGImage() = default;
    ~TdxPNGImage() override;

    void Assign(TPersistent* source) override;
    void Changed(TObject* sender) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;
    bool Empty() const override;
    int Height() const override;
    int Width() const override;
    bool Transparent() const override { return true; }
    void SetHeight(int) override {}
    void SetWidth(int) override {}
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;

    // Equal sizes and, unless either is empty, equal pixels in all four bytes.
    virtual bool SamePixels(TdxPNGImage& other);
    // A new pf32bit bitmap of the picture over background 0; the caller owns it.
    virtual std::unique_ptr<TBitmap> MakeBitmap();
    virtual void LoadFromBitmap(TBitmap& bitmap);
    virtual void PaintOnDC(HDC dc, const TRect& destRect);
    virtual void PaintPartOnDC(HDC dc, const TRect& destRect, const TRect& srcRect);
    virtual void PaintPartOnGraphics(GpGraphics* graphics, const TRect& destRect, const TRect& srcRect);
    void DrawToGraphics(GpGraphics* graphics, const TRect& destRect, const TRect& srcRect);

    // Whether any pixel is not fully opaque; cached until the picture changes.
    bool UsesAlpha();
    // The image, decoded now when the picture still holds its PNG bytes.
    TdxGPImage* Image() const;
    // Whether the picture holds PNG bytes that no use has decoded yet.
    bool Undecoded() const { return pendingSize_ != 0; }
    // Takes the PNG of size bytes at data, which stay readable while keeper lives (a program's
    // resource), checked as a stream read checks it, for a decode on first use without a copy.
    // False, taking nothing, where a stream read would decode at once or the data is no PNG.
    bool KeepPngMemory(const uint8_t* data, size_t size, std::shared_ptr<const void> keeper);

protected:
    void AssignTo(TPersistent* dest) override;

private:
    void SetImage(std::unique_ptr<TdxGPImage> image);
    // Takes checked PNG bytes for a decode on first use; false when the data is not a PNG.
    bool KeepPngData(TStream* stream);

    // Decoding is a first use, not a change: both are filled from const reads without Changed.
    mutable std::unique_ptr<TdxGPImage> image_;
    // Takes checked PNG bytes kept alive by owner.
    void KeepPending(const uint8_t* data, size_t size, std::shared_ptr<const void> owner);
    void DropPending() const;

    // PNG bytes read and checked but not decoded yet (decoding costs far more than the check),
    // with the header's size for size queries; none once decoded. The bytes are a copy of the
    // stream's or a view of memory that pendingOwner_ keeps.
    mutable std::shared_ptr<const void> pendingOwner_;
    mutable const uint8_t* pendingData_ = nullptr;
    mutable size_t pendingSize_ = 0;
    int pendingWidth_ = 0;
    int pendingHeight_ = 0;
    bool alphaUsedCache_ = false;
    bool alphaUsedKnown_ = false;
};

// Unit start and end: the picture format joins through the units loader.
void GdiPlusClassesInitialize();
void GdiPlusClassesFinalize();
