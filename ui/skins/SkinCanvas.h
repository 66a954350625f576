#pragma once
// The drawing surface of one element paint: a GDI+ graphics object on the target device context,
// or on a 32-bit buffer when the device has 16 bits per pixel or less.
#include <memory>

#include "platform/core/ObjectModel.h"
#include "ui/core/Bitmaps.h"
#include "ui/core/GdiPlusApi.h"
#include "ui/core/GdiPlusClasses.h"
#include "ui/skins/SkinModel.h"

class TdxSkinCanvas : public TObject {
public:
    VZ_CLASS(TdxSkinCanvas, TObject)
    TdxSkinCanvas() = default;
    ~TdxSkinCanvas() override;

    void BeginPaint(HDC dc, const TRect& r);
    void BeginPaintOnGraphics(GpGraphics* graphics, const TRect& r);
    void EndPaint();
    static bool IsRectVisible(HDC dc, const TRect& r);

    void FillRectSolid(const TRect& r, TColor color);
    void FillGradient(const TRect& r, TColor color1, TdxSkinGradientMode mode, TColor color2);
    void DrawImage(TdxPNGImage& texture, const TRect& dest, const TRect& source);
    void StretchImage(TdxPNGImage& texture, const TRect& dest, const TRect& source);
    void TileImage(TdxPNGImage& texture, const TRect& dest, const TRect& source);
    int GetInterpolationMode();
    void SetInterpolationMode(int mode);

    std::unique_ptr<TcxBitmap> Buffer;
    GpGraphics* Graphics = nullptr;
    TRect Bounds{};
    HDC SourceDC = nullptr;

    // Test hook: paint through the 32-bit buffer whatever the device's depth.
    static bool ForceBuffer;

private:
    // The graphics object's interpolation mode as last read or set; valid for that object only.
    GpGraphics* interpolationGraphics_ = nullptr;
    int interpolationMode_ = 0;
};

// The rendering of one element at one size, for elements drawn often at one size.
class TdxSkinElementCache : public TObject {
public:
    VZ_CLASS(TdxSkinElementCache, TObject)
    TdxSkinElementCache() = default;
    ~TdxSkinElementCache() override;

    void CheckCacheState(TdxSkinElement* element, const TRect& r, int imageIndex = 0,
                         TdxSkinElementState state = esNormal);
    void Draw(HDC dc, const TRect& r);
    void FreeCache();

    GpImage* Cache = nullptr; // a 32bppPARGB bitmap
    std::unique_ptr<TcxBitmap> CacheOpaque;
    TdxSkinElement* Element = nullptr;
    int ImageIndex = 0;
    bool IsTransparent = false;
    TRect Bounds{};
    TdxSkinElementState State = esNormal;
    // The element's stamp at the last rendering: content changes and reused addresses render again.
    uint64_t ElementStamp = 0;
};
