// Drawing of skin elements: the canvas, the state map, the nine parts, the element and its
// borders, and the element cache.
#include <atomic>

#include "ui/core/Geometry.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/core/Office11Colors.h"
#include "ui/skins/SkinCanvas.h"
#include "ui/skins/SkinModel.h"

namespace {
constexpr int InterpolationModeNearestNeighbor = 5;
constexpr int LinearGradientModeForwardDiagonal = 2;
constexpr int LinearGradientModeBackwardDiagonal = 3;
constexpr int WrapModeTile = 0;
constexpr int kPixelFormat32bppPARGB = 0x000E200B;

std::atomic<uint64_t> elementStampCounter{0};

// Restores the graphics object's interpolation mode when drawing leaves the scope, also on failure.
class TInterpolationScope {
public:
    TInterpolationScope(TdxSkinCanvas& canvas, int mode)
        : canvas_(canvas), saved_(canvas.GetInterpolationMode()) {
        canvas_.SetInterpolationMode(mode);
    }
    ~TInterpolationScope() {
        try {
            canvas_.SetInterpolationMode(saved_);
        } catch (...) {
            // Restoring is best effort; the drawing's own failure, if any, is the one reported.
        }
    }
    TInterpolationScope(const TInterpolationScope&) = delete;
    TInterpolationScope& operator=(const TInterpolationScope&) = delete;

private:
    TdxSkinCanvas& canvas_;
    int saved_;
};

// The graphics object's device context for the length of one GDI call.
class TGraphicsDC {
public:
    explicit TGraphicsDC(GpGraphics* graphics) : graphics_(graphics) {
        CheckGdiPlusStatus(dxGpApi.GdipGetDC(graphics_, &dc_));
    }
    ~TGraphicsDC() { dxGpApi.GdipReleaseDC(graphics_, dc_); }
    TGraphicsDC(const TGraphicsDC&) = delete;
    TGraphicsDC& operator=(const TGraphicsDC&) = delete;
    HDC Handle() const { return dc_; }

private:
    GpGraphics* graphics_;
    HDC dc_ = nullptr;
};
// The colour depth that drawing on dc lands in. A memory DC draws into its selected bitmap, whose
// depth GetDeviceCaps does not tell (it answers the display's), so the bitmap is asked; that also
// spares the display query, several wineserver round trips per paint under Wine.
int TargetBitsPerPixel(HDC dc) {
    if (GetObjectType(dc) == OBJ_MEMDC) {
        BITMAP bitmap;
        HGDIOBJ selected = GetCurrentObject(dc, OBJ_BITMAP);
        if (selected && GetObject(selected, sizeof(bitmap), &bitmap) == sizeof(bitmap))
            return bitmap.bmBitsPixel * bitmap.bmPlanes;
    }
    return GetDeviceCaps(dc, BITSPIXEL);
}

// Opens a paint on dc for r, draws, and closes the paint also when drawing fails.
template <class F> void PaintOn(TdxSkinCanvas& canvas, HDC dc, const TRect& r, F draw) {
    canvas.BeginPaint(dc, r);
    try {
        draw(&canvas);
    } catch (...) {
        canvas.EndPaint();
        throw;
    }
    canvas.EndPaint();
}
} // namespace

uint64_t NextSkinElementStamp() {
    return ++elementStampCounter;
}

// ---------------------------------------------------------------------------------------------
bool TdxSkinCanvas::ForceBuffer = false;

TdxSkinCanvas::~TdxSkinCanvas() {
    if (Graphics) dxGpApi.GdipDeleteGraphics(Graphics);
}

void TdxSkinCanvas::BeginPaint(HDC dc, const TRect& r) {
    interpolationGraphics_ = nullptr;
    Bounds = r;
    SourceDC = dc;
    if (ForceBuffer || TargetBitsPerPixel(dc) <= 16) {
        Buffer = std::make_unique<TcxBitmap>(r, pf32bit);
        HDC bufferDC = Buffer->Canvas().Handle();
        BitBltRect(bufferDC, dc, Buffer->GetImageRect(), TPoint{r.left, r.top}, SRCCOPY);
        SetWindowOrgEx(bufferDC, r.left, r.top, nullptr);
        GpStatus status = dxGpApi.GdipCreateFromHDC(bufferDC, &Graphics);
        if (status != GpOk) {
            Buffer.reset();
            Graphics = nullptr;
            CheckGdiPlusStatus(status);
        }
    } else {
        CheckGdiPlusStatus(dxGpApi.GdipCreateFromHDC(dc, &Graphics));
    }
}

void TdxSkinCanvas::BeginPaintOnGraphics(GpGraphics* graphics, const TRect& r) {
    interpolationGraphics_ = nullptr;
    Bounds = r;
    SourceDC = nullptr;
    Graphics = graphics;
}

void TdxSkinCanvas::EndPaint() {
    interpolationGraphics_ = nullptr;
    GpGraphics* graphics = Graphics;
    Graphics = nullptr;
    GpStatus status = graphics ? dxGpApi.GdipDeleteGraphics(graphics) : GpOk;
    if (Buffer) {
        std::unique_ptr<TcxBitmap> buffer = std::move(Buffer);
        SetWindowOrgEx(buffer->Canvas().Handle(), 0, 0, nullptr);
        int saved = SaveDC(SourceDC);
        TCanvas canvas;
        canvas.SetHandle(SourceDC);
        canvas.Draw(Bounds.left, Bounds.top, *buffer);
        canvas.SetHandle(nullptr);
        RestoreDC(SourceDC, saved);
    }
    CheckGdiPlusStatus(status);
}

bool TdxSkinCanvas::IsRectVisible(HDC dc, const TRect& r) {
    return !IsEmptyRect(r) && RectVisible(dc, &r);
}

void TdxSkinCanvas::FillRectSolid(const TRect& r, TColor color) {
    TGraphicsDC dc(Graphics);
    HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
    FillRect(dc.Handle(), &r, brush);
    DeleteObject(brush);
}

void TdxSkinCanvas::FillGradient(const TRect& r, TColor color1, TdxSkinGradientMode mode, TColor color2) {
    if (color2 == color1 || color2 == clNone || color2 == clDefault) {
        FillRectSolid(r, color1);
        return;
    }
    if (mode == gmHorizontal || mode == gmVertical) {
        TGraphicsDC dc(Graphics);
        PaintGradient(dc.Handle(), r, color1, color2, mode == gmHorizontal);
        return;
    }
    TdxGpRect rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
    GpLineGradient* brush = nullptr;
    CheckGdiPlusStatus(dxGpApi.GdipCreateLineBrushFromRectI(
        &rect, dxColorToARGB(color1, 255), dxColorToARGB(color2, 255),
        mode == gmForwardDiagonal ? LinearGradientModeForwardDiagonal : LinearGradientModeBackwardDiagonal,
        WrapModeTile, &brush));
    GpStatus status = dxGpApi.GdipFillRectangleI(Graphics, brush, rect.X, rect.Y, rect.Width, rect.Height);
    dxGpApi.GdipDeleteBrush(brush);
    CheckGdiPlusStatus(status);
}

void TdxSkinCanvas::DrawImage(TdxPNGImage& texture, const TRect& dest, const TRect& source) {
    TInterpolationScope nearest(*this, InterpolationModeNearestNeighbor);
    StretchImage(texture, dest, source);
}

// As the picture's own part drawing, but the target of a stretched axis starts a hair before its
// first column or row: mapped back from there, rounding in GDI+ could put that column just before
// the source, and it would stay empty (an 8-pixel picture with margin 1 at width 21, for one).
void TdxSkinCanvas::StretchImage(TdxPNGImage& texture, const TRect& dest, const TRect& source) {
    if (!texture.Image()) return;
    float srcW = static_cast<float>(GetRectWidth(source)), srcH = static_cast<float>(GetRectHeight(source));
    float dstX = static_cast<float>(dest.left), dstY = static_cast<float>(dest.top);
    float dstW = static_cast<float>(GetRectWidth(dest)), dstH = static_cast<float>(GetRectHeight(dest));
    if (srcW < 1 || srcH < 1 || dstW < 1 || dstH < 1) return;
    const float nudge = 1.0f / 64;
    if (dstW > srcW && srcW > 1) {
        srcW -= 1;
        dstX -= nudge;
        dstW += nudge;
    }
    if (dstH > srcH && srcH > 1) {
        srcH -= 1;
        dstY -= nudge;
        dstH += nudge;
    }
    CheckGdiPlusStatus(dxGpApi.GdipDrawImageRectRect(
        Graphics, texture.Image()->Handle(), dstX, dstY, dstW, dstH, static_cast<float>(source.left),
        static_cast<float>(source.top), srcW, srcH, UnitPixel, nullptr, nullptr, nullptr));
}

void TdxSkinCanvas::TileImage(TdxPNGImage& texture, const TRect& dest, const TRect& source) {
    TInterpolationScope nearest(*this, InterpolationModeNearestNeighbor);
    const int sw = GetRectWidth(source), sh = GetRectHeight(source);
    const int dw = GetRectWidth(dest), dh = GetRectHeight(dest);
    if (sw <= 0 || sh <= 0) return;
    int columns = dw / sw - (dw % sw == 0 ? 1 : 0);
    int rows = dh / sh - (dh % sh == 0 ? 1 : 0);
    for (int row = 0; row <= rows; ++row) {
        TRect tile{0, dest.top + row * sh, 0, dest.top + row * sh + sh};
        TRect part = source;
        if (tile.bottom > dest.bottom) {
            part.bottom -= tile.bottom - dest.bottom;
            tile.bottom = dest.bottom;
        }
        for (int column = 0; column <= columns; ++column) {
            tile.left = dest.left + column * sw;
            tile.right = tile.left + sw;
            part.right = source.right;
            if (tile.right > dest.right) {
                part.right -= tile.right - dest.right;
                tile.right = dest.right;
            }
            texture.DrawToGraphics(Graphics, tile, part);
        }
    }
}

int TdxSkinCanvas::GetInterpolationMode() {
    if (interpolationGraphics_ != Graphics) {
        int mode = 0;
        CheckGdiPlusStatus(dxGpApi.GdipGetInterpolationMode(Graphics, &mode));
        interpolationMode_ = mode;
        interpolationGraphics_ = Graphics;
    }
    return interpolationMode_;
}

void TdxSkinCanvas::SetInterpolationMode(int mode) {
    // Every corner and tile switches the mode and back: skip the calls that change nothing.
    if (interpolationGraphics_ == Graphics && interpolationMode_ == mode) return;
    CheckGdiPlusStatus(dxGpApi.GdipSetInterpolationMode(Graphics, mode));
    interpolationMode_ = mode;
    interpolationGraphics_ = Graphics;
}

// ---------------------------------------------------------------------------------------------
TRect TdxSkinImage::GetStateBounds(int imageIndex, TdxSkinElementState state) {
    TRect r = StateBounds(state);
    if (imageIndex > 0) {
        if (imageLayout_ == ilHorizontal)
            OffsetRect(&r, imageIndex * stateCount_ * frameSize_.cx, 0);
        else
            OffsetRect(&r, 0, imageIndex * stateCount_ * frameSize_.cy);
    }
    return r;
}

TdxSkinElementState TdxSkinImage::ValidateState(TdxSkinElementState state) {
    if (states_ == 0 || (states_ & StateBit(state))) return state;
    for (int s = 0; s < dxSkinElementStateCount; ++s)
        if (states_ & (1u << s)) return static_cast<TdxSkinElementState>(s);
    return state;
}

void TdxSkinImage::CalculatePartRects(const TRect& r, TRect parts[9], bool present[9], bool shrink) {
    TRect m = margins_->Rect();
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 3; ++row)
            PartResized[column][row] = column == 1 || row == 1;
    if (shrink) {
        int s = m.left + m.right;
        int d = s - GetRectWidth(r);
        if (d > 0) {
            for (int row = 0; row < 3; ++row)
                PartResized[0][row] = PartResized[2][row] = true;
            m.left -= MulDiv(m.left, d, s);
            m.right -= MulDiv(m.right, d, s);
        }
        s = m.top + m.bottom;
        d = s - GetRectHeight(r);
        if (d > 0) {
            for (int column = 0; column < 3; ++column)
                PartResized[column][0] = PartResized[column][2] = true;
            m.top -= MulDiv(m.top, d, s);
            m.bottom -= MulDiv(m.bottom, d, s);
        }
    }
    TRect in = RectInsideMargins(r, m);
    in.left = std::min(in.left, r.right);
    in.right = std::min(std::max(in.right, in.left), r.right);
    in.top = std::min(in.top, r.bottom);
    in.bottom = std::min(std::max(in.bottom, in.top), r.bottom);
    const int xs[4] = {r.left, in.left, in.right, r.right};
    const int ys[4] = {r.top, in.top, in.bottom, r.bottom};
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 3; ++row) {
            int k = column * 3 + row;
            if (!present[k]) continue;
            parts[k] = TRect{xs[column], ys[row], xs[column + 1], ys[row + 1]};
            present[k] = !IsEmptyRect(parts[k]);
        }
}

void TdxSkinImage::Draw(HDC dc, const TRect& r, int imageIndex, TdxSkinElementState state) {
    CheckInfo();
    if (frameSize_.cx < 1 || frameSize_.cy < 1 || !TdxSkinCanvas::IsRectVisible(dc, r)) return;
    TdxSkinCanvas canvas;
    PaintOn(canvas, dc, r, [&](TdxSkinCanvas* c) { DrawEx(c, r, imageIndex, state); });
}

void TdxSkinImage::DrawEx(TdxSkinCanvas* canvas, const TRect& r, int imageIndex, TdxSkinElementState state) {
    if (IsEmpty()) return;
    CheckInfo();
    state = ValidateState(state);
    if (frameSize_.cx < 1 || frameSize_.cy < 1) return;
    const TRect source = GetStateBounds(imageIndex, state);
    if (stretch_ == smNoResize) {
        canvas->DrawImage(*texture_, CenteredRect(r, frameSize_), source);
        return;
    }
    bool present[9];
    std::fill(std::begin(present), std::end(present), true);
    TRect sourceParts[9], destParts[9];
    CalculatePartRects(source, sourceParts, present, false);
    CalculatePartRects(r, destParts, present, true);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            int k = column * 3 + row;
            if (present[k]) DrawPart(canvas, destParts[k], k == 4, PartResized[column][row], sourceParts[k]);
        }
}

void TdxSkinImage::DrawPart(TdxSkinCanvas* canvas, const TRect& dest, bool isCenter, bool resize,
                            const TRect& source) {
    if (gradientBeginColor_ != clNone && isCenter)
        canvas->FillGradient(dest, gradientBeginColor_, gradient_, gradientEndColor_);
    else if (!resize)
        canvas->DrawImage(*texture_, dest, source);
    else if (stretch_ == smTile)
        canvas->TileImage(*texture_, dest, source);
    else
        canvas->StretchImage(*texture_, dest, source);
}

// ---------------------------------------------------------------------------------------------
void TdxSkinBorder::DrawEx(TdxSkinCanvas* canvas, const TRect& r) {
    if (color_ == clNone) return;
    TRect strip = r;
    switch (Kind) {
    case 0:
        strip.right = r.left + thin_;
        break;
    case 1:
        strip.bottom = r.top + thin_;
        break;
    case 2:
        strip.left = r.right - thin_;
        break;
    default:
        strip.top = r.bottom - thin_;
        break;
    }
    canvas->FillRectSolid(strip, color_);
}

void TdxSkinBorder::Draw(HDC dc, const TRect& r) {
    if (color_ == clNone) return;
    TdxSkinCanvas canvas;
    PaintOn(canvas, dc, r, [&](TdxSkinCanvas* c) { DrawEx(c, r); });
}

// ---------------------------------------------------------------------------------------------
void TdxSkinElement::Changed() {
    Stamp = NextSkinElementStamp();
    TdxSkinPersistent::Changed();
}

void TdxSkinElement::DoChanged() {
    Stamp = NextSkinElementStamp();
    TdxSkinPersistent::DoChanged();
}

void TdxSkinElement::Render(HDC dc, const TRect& r, int imageIndex, TdxSkinElementState state) {
    TdxSkinCanvas& canvas = *Canvas();
    if (!canvas.IsRectVisible(dc, r)) return;
    PaintOn(canvas, dc, r, [&](TdxSkinCanvas* c) { DrawEx(c, r, imageIndex, state); });
}

void TdxSkinElement::DrawEx(TdxSkinCanvas* canvas, const TRect& r, int imageIndex,
                            TdxSkinElementState state) {
    if (image_->IsEmpty()) {
        TRect inner = r;
        for (int kind = 0; kind < 4; ++kind) {
            TdxSkinBorder& border = borders_->Items(kind);
            if (border.Color() == clNone) continue;
            border.DrawEx(canvas, r);
            switch (kind) {
            case 0:
                inner.left += border.Thin();
                break;
            case 1:
                inner.top += border.Thin();
                break;
            case 2:
                inner.right -= border.Thin();
                break;
            default:
                inner.bottom -= border.Thin();
                break;
            }
        }
        DrawColor(canvas, inner);
    } else {
        DrawColor(canvas, r);
        image_->DrawEx(canvas, r, imageIndex, state);
    }
    glyph_->DrawEx(canvas, RectInsideMargins(r, contentOffset_->Rect()), imageIndex, state);
}

void TdxSkinElement::DrawColor(TdxSkinCanvas* canvas, const TRect& r) {
    if (!isColorAssigned_) return;
    if (!image_->IsEmpty() && image_->Stretch() != smNoResize && !HasAlpha()) return;
    if (IsEmptyRect(r)) return;
    if (alpha_ == 255)
        canvas->FillRectSolid(r, color_);
    else if (GpSolidFill* brush = Brush())
        dxGpApi.GdipFillRectangleI(canvas->Graphics, brush, r.left, r.top, r.right - r.left,
                                   r.bottom - r.top);
}

void TdxSkinEmptyElement::Render(HDC dc, const TRect& r, int, TdxSkinElementState) {
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FrameRect(dc, &r, red);
    DeleteObject(red);
}

// ---------------------------------------------------------------------------------------------
TdxSkinElementCache::~TdxSkinElementCache() {
    FreeCache();
}

void TdxSkinElementCache::CheckCacheState(TdxSkinElement* element, const TRect& r, int imageIndex,
                                          TdxSkinElementState state) {
    if (element == Element && element && element->Stamp == ElementStamp && state == State &&
        imageIndex == ImageIndex && GetRectWidth(r) == GetRectWidth(Bounds) &&
        GetRectHeight(r) == GetRectHeight(Bounds))
        return;
    FreeCache();
    Element = element;
    ElementStamp = element ? element->Stamp : 0;
    ImageIndex = imageIndex;
    Bounds = r;
    State = state;
    if (!element || IsEmptyRect(r)) return;
    IsTransparent = element->HasAlpha();
    const TRect r0{0, 0, GetRectWidth(r), GetRectHeight(r)};
    TdxSkinCanvas canvas;
    if (IsTransparent) {
        CheckGdiPlusStatus(dxGpApi.GdipCreateBitmapFromScan0(r0.right, r0.bottom, 0, kPixelFormat32bppPARGB,
                                                             nullptr, &Cache));
        GpGraphics* graphics = nullptr;
        CheckGdiPlusStatus(dxGpApi.GdipGetImageGraphicsContext(Cache, &graphics));
        canvas.BeginPaintOnGraphics(graphics, r0);
    } else {
        CacheOpaque = std::make_unique<TcxBitmap>(r0, pf32bit);
        canvas.BeginPaint(CacheOpaque->Canvas().Handle(), r0);
    }
    try {
        element->DrawEx(&canvas, r0, imageIndex, state);
    } catch (...) {
        canvas.EndPaint();
        FreeCache();
        Element = nullptr;
        throw;
    }
    canvas.EndPaint();
}

void TdxSkinElementCache::Draw(HDC dc, const TRect& r) {
    if (CacheOpaque) {
        BitBltRect(dc, CacheOpaque->Canvas().Handle(), r, TPoint{0, 0}, SRCCOPY);
    } else if (Cache) {
        GpGraphics* graphics = nullptr;
        CheckGdiPlusStatus(dxGpApi.GdipCreateFromHDC(dc, &graphics));
        GpStatus status =
            dxGpApi.GdipDrawImageRectI(graphics, Cache, r.left, r.top, r.right - r.left, r.bottom - r.top);
        dxGpApi.GdipDeleteGraphics(graphics);
        CheckGdiPlusStatus(status);
    }
}

void TdxSkinElementCache::FreeCache() {
    if (Cache) {
        GpImage* cache = Cache;
        Cache = nullptr;
        if (GdiPlusActive()) dxGpApi.GdipDisposeImage(cache);
    }
    CacheOpaque.reset();
}
