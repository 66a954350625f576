#pragma once
// The off-screen bitmaps of the library: TcxCustomBitmap (a bitmap with its own TcxCanvas,
// batched notification and an optional run-coded stored form) and TcxBitmap (its 32-bit working
// surface with pixel filters).
#include <cstdint>
#include <memory>
#include <vector>

#include "ui/core/Canvas.h"
#include "ui/core/GraphicsRoutines.h"

class TcxCustomBitmap : public TBitmap {
public:
    VZ_CLASS(TcxCustomBitmap, TBitmap)
    TcxCustomBitmap() : TcxCustomBitmap(0, 0, pf24bit) {}
    TcxCustomBitmap(int width, int height, TPixelFormat pixelFormat = pf24bit);
    explicit TcxCustomBitmap(const TRect& rect, TPixelFormat pixelFormat = pf24bit)
        : TcxCustomBitmap(rect.right - rect.left, rect.bottom - rect.top, pixelFormat) {}
    ~TcxCustomBitmap() override;

    // The virtual constructor: a new bitmap of bitmapClass (TcxCustomBitmap or a descendant) of
    // that size; TcxBitmap ignores the pixel format and erases the content.
    static std::unique_ptr<TcxCustomBitmap> CreateSized(TClass bitmapClass, int width, int height,
                                                        TPixelFormat pixelFormat);

    // When set, the stored form is run-coded behind the signature "XDBM".
    bool CompressData = false;
    TcxCanvas* cxCanvas() const { return cxCanvas_.get(); }

    void BeginUpdate() { ++updateCount_; }
    // Delivers one held-back change (or, with notify, a change in any case) when the last update ends.
    void EndUpdate(bool notify = true);
    bool IsUpdating() const { return updateCount_ > 0; }

    void Changed(TObject* sender) override;
    virtual void EraseContent();
    // One notification at most, none when the size stays.
    virtual void ResizeTo(int width, int height);
    TRect GetImageRect() const { return Rect(0, 0, Width(), Height()); }
    void CopyBitmap(TBitmap* source, DWORD rop = SRCCOPY);
    void CopyBitmapRect(TBitmap* source, const TRect& destRect, DWORD rop = SRCCOPY,
                        TPoint srcTopLeft = {0, 0});
    void RotateAndFlip(TcxRotationAngle rotation, bool flip);

    void ReadData(TStream* stream) override;
    void WriteData(TStream* stream) override;

protected:
    struct NoSetup {};
    // For descendants that run their own SetupBitmap, so that their overrides take part.
    explicit TcxCustomBitmap(NoSetup) {}
    virtual void SetupBitmap(int width, int height, TPixelFormat pixelFormat);
    virtual void AfterChange() {}
    // Gives a bitmap made by the class's default constructor its size, as a constructor would.
    virtual void InitSized(int width, int height, TPixelFormat pixelFormat);

private:
    std::unique_ptr<TcxCanvas> cxCanvas_;
    int updateCount_ = 0;
    bool changePending_ = false;
};

// The run coding of the compressed stored form: literal runs of 1 to 125 bytes (control byte
// 0x80 + n), repeat runs of 2 to 125 (control byte n, then the value).
std::vector<uint8_t> cxEncodeRuns(const uint8_t* data, size_t length);

enum TcxBitmapFilter {
    bfDisable = 1,
    bfOpaque = 3,
    bfMask = 4,
    bfGreyAlt = 6,
    bfOpaqueVisible = 7,
    bfFillKey = 9,
    bfClearAlpha = 10,
};

// Always 32 bits per pixel; new and resized content is erased to KeyColor (when its alpha byte is
// set) or black.
class TcxBitmap : public TcxCustomBitmap {
public:
    VZ_CLASS(TcxBitmap, TcxCustomBitmap)
    TcxBitmap() : TcxBitmap(0, 0) {}
    TcxBitmap(int width, int height, TPixelFormat ignored = pf32bit);
    explicit TcxBitmap(const TRect& rect, TPixelFormat ignored = pf32bit)
        : TcxBitmap(rect.right - rect.left, rect.bottom - rect.top, ignored) {}
    static std::unique_ptr<TcxBitmap> CreateWithKey(int width, int height, DWORD keyColor);

    BITMAPINFOHEADER PixelHeader{};
    // Whole 32-bit pixel value (blue, green, red, alpha in memory order).
    DWORD KeyColor = 0;
    // Colours without alpha in pixel order (blue in the low byte).
    std::vector<DWORD> KeyColors;

    void EraseContent() override;
    void ResizeTo(int width, int height) override;

    // All pixels, bottom row first.
    TRGBColors ReadPixels();
    void WritePixels(const TRGBColors& pixels);
    bool IsAlphaUsed();
    bool IsKeyPixel(RGBQUAD pixel) const;
    void ApplyFilter(TcxBitmapFilter filter);

protected:
    struct KeyTag {};
    TcxBitmap(int width, int height, DWORD keyColor, KeyTag);
    void SetupBitmap(int width, int height, TPixelFormat pixelFormat) override;
    void AfterChange() override;
    void InitSized(int width, int height, TPixelFormat pixelFormat) override;
};
