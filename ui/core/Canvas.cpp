#include "ui/core/Canvas.h"

#include <algorithm>

#include "ui/core/GraphicsRoutines.h"

namespace {
// Fills and frames paint in their colour whatever the brush was before: clear, hatched or of a
// bitmap, and also when it already held that colour.
void UseSolidBrush(TBrush& brush, TColor color) {
    brush.SetColor(color);
    if (brush.Style() != bsSolid || brush.Bitmap()) brush.SetStyle(bsSolid);
}

// Tiles must line up with the logical origin also left of and above it.
int FloorDiv(int a, int b) {
    int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

int RectWidth(const TRect& r) {
    return r.right - r.left;
}
int RectHeight(const TRect& r) {
    return r.bottom - r.top;
}
} // namespace

// ---------------------------------------------------------------------------------------------
TcxRegion::TcxRegion() : handle_(CreateRectRgn(0, 0, 0, 0)) {}

TcxRegion::TcxRegion(HRGN handle) : handle_(handle) {}

TcxRegion::TcxRegion(const TRect& rect) : handle_(CreateRectRgnIndirect(&rect)) {}

TcxRegion::TcxRegion(int left, int top, int right, int bottom)
    : handle_(CreateRectRgn(left, top, right, bottom)) {}

TcxRegion::~TcxRegion() {
    if (handle_) DeleteObject(handle_);
}

std::unique_ptr<TcxRegion> TcxRegion::CreateRoundRect(const TRect& rect, int ellipseWidth,
                                                      int ellipseHeight) {
    return CreateRoundRectCoords(rect.left, rect.top, rect.right, rect.bottom, ellipseWidth, ellipseHeight);
}

std::unique_ptr<TcxRegion> TcxRegion::CreateRoundRectCoords(int left, int top, int right, int bottom,
                                                            int ellipseWidth, int ellipseHeight) {
    return std::make_unique<TcxRegion>(
        CreateRoundRectRgn(left + 1, top + 1, right, bottom, ellipseWidth, ellipseHeight));
}

HRGN TcxRegion::ReleaseHandle() {
    HRGN result = handle_;
    handle_ = nullptr;
    return result;
}

void TcxRegion::CombineWith(const TcxRegion& other, TcxRegionCombineMode mode) {
    static const int modes[] = {RGN_COPY, RGN_OR, RGN_DIFF, RGN_AND};
    if (!handle_ || !other.handle_) return;
    if (mode == rcmSet)
        CombineRgn(handle_, other.handle_, nullptr, RGN_COPY);
    else
        CombineRgn(handle_, handle_, other.handle_, modes[mode]);
}

void TcxRegion::CombineWith(std::unique_ptr<TcxRegion> other, TcxRegionCombineMode mode) {
    if (other) CombineWith(*other, mode);
}

bool TcxRegion::IsEmpty() const {
    RECT box{};
    return !handle_ || GetRgnBox(handle_, &box) == NULLREGION;
}

bool TcxRegion::SameAs(const TcxRegion* other) const {
    if (!other) return false;
    if (IsEmpty() && other->IsEmpty()) return true;
    return handle_ && other->handle_ && EqualRgn(handle_, other->handle_);
}

bool TcxRegion::IsEqualHandle(HRGN handle) const {
    if (!handle) return false;
    RECT box{};
    if (IsEmpty() && GetRgnBox(handle, &box) == NULLREGION) return true;
    return handle_ && EqualRgn(handle_, handle);
}

void TcxRegion::Offset(int dx, int dy) {
    if (handle_) OffsetRgn(handle_, dx, dy);
}

// ---------------------------------------------------------------------------------------------
UINT TextFlagsToDrawTextFlags(int flags) {
    UINT result = DT_NOPREFIX;
    if (flags & tfAlignRight) result |= DT_RIGHT;
    if (flags & tfAlignHCenter) result |= DT_CENTER;
    if (flags & tfAlignBottom) result |= DT_BOTTOM;
    if (flags & tfAlignVCenter) result |= DT_VCENTER;
    if (flags & tfSingleLine) result |= DT_SINGLELINE;
    if (flags & tfDontClip) result |= DT_NOCLIP;
    if (flags & tfExpandTabs) result |= DT_EXPANDTABS;
    if (flags & tfShowPrefix) result &= ~static_cast<UINT>(DT_NOPREFIX);
    if (flags & tfWordBreak) {
        result |= DT_WORDBREAK;
        if (!(flags & tfNoCharBreak)) result |= DT_EDITCONTROL;
    }
    if (flags & tfShowEndEllipsis) result |= DT_END_ELLIPSIS;
    if (flags & tfCalcOnly) result |= DT_CALCRECT;
    if (flags & tfShowPathEllipsis) result |= DT_PATH_ELLIPSIS;
    return result;
}

// ---------------------------------------------------------------------------------------------
TcxCanvas::TcxCanvas(TCanvas* canvas) : canvas_(canvas) {}

TcxCanvas::~TcxCanvas() = default;

void TcxCanvas::SetBrushColor(TColor color) {
    if (Brush().Color() != color) Brush().SetColor(color);
}

TPoint TcxCanvas::GetViewportOrigin() {
    TPoint point{};
    GetViewportOrgEx(Handle(), &point);
    return point;
}

TPoint TcxCanvas::GetWindowOrigin() {
    TPoint point{};
    GetWindowOrgEx(Handle(), &point);
    return point;
}

void TcxCanvas::SetWindowOrigin(TPoint origin) {
    SetWindowOrgEx(Handle(), origin.x, origin.y, nullptr);
}

TPoint TcxCanvas::GetDeviceOrigin() {
    TPoint viewport = GetViewportOrigin();
    TPoint window = GetWindowOrigin();
    return TPoint{viewport.x - window.x, viewport.y - window.y};
}

void TcxCanvas::DrawPolygon(std::span<const TPoint> points) {
    canvas_->Polygon(points.data(), static_cast<int>(points.size()));
}

void TcxCanvas::DrawPolyline(std::span<const TPoint> points) {
    canvas_->Polyline(points.data(), static_cast<int>(points.size()));
}

void TcxCanvas::CopyRectFrom(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
    canvas_->CopyRect(dest, source, sourceRect);
}

void TcxCanvas::InvertRectArea(const TRect& rect) {
    SetCanvasCopyMode(DSTINVERT);
    CopyRectFrom(rect, *canvas_, rect);
    SetCanvasCopyMode(SRCCOPY);
}

// ---------------------------------------------------------------------------------------------
void TcxCanvas::FillRectColor(const TRect& rect, TColor color) {
    if (color == clNone) return;
    if (color != clDefault) UseSolidBrush(Brush(), color);
    canvas_->FillRect(rect);
}

void TcxCanvas::FillRectWithBitmap(const TRect& rect, TBitmap* bitmap, bool excludeRect) {
    if (IsRectEmpty(&rect)) return;
    if (!bitmap || bitmap->Empty()) {
        canvas_->FillRect(rect);
    } else {
        const int w = bitmap->Width(), h = bitmap->Height();
        // Floor division: a rectangle reaching left of or above the origin starts with tile -1.
        const int firstColumn = FloorDiv(rect.left, w), lastColumn = FloorDiv(rect.right - 1, w);
        const int firstRow = FloorDiv(rect.top, h), lastRow = FloorDiv(rect.bottom - 1, h);
        TCanvas& source = bitmap->Canvas();
        for (int row = firstRow; row <= lastRow; ++row) {
            for (int column = firstColumn; column <= lastColumn; ++column) {
                TRect tile = Bounds(column * w, row * h, w, h);
                TRect dest{};
                if (!IntersectRect(&dest, &tile, &rect)) continue;
                TRect from = dest;
                OffsetRect(&from, -column * w, -row * h);
                CopyRectFrom(dest, source, from);
            }
        }
    }
    if (excludeRect) ApplyClipRegion(std::make_unique<TcxRegion>(rect), rcmSubtract, true);
}

void TcxCanvas::DrawRectFrame(const TRect& rect, TColor color, int lineWidth, TcxBorders borders,
                              bool excludeFrame) {
    if (IsRectEmpty(&rect) || color == clNone) return;
    if (color != clDefault) UseSolidBrush(Brush(), color);
    if (borders.Contains(bLeft))
        FillRectWithBitmap(
            Rect(rect.left, rect.top, std::min(rect.left + lineWidth, rect.right), rect.bottom), nullptr,
            excludeFrame);
    if (borders.Contains(bRight))
        FillRectWithBitmap(
            Rect(std::max(rect.right - lineWidth, rect.left), rect.top, rect.right, rect.bottom), nullptr,
            excludeFrame);
    if (borders.Contains(bTop))
        FillRectWithBitmap(Rect(rect.left, rect.top, rect.right, std::min(rect.top + lineWidth, rect.bottom)),
                           nullptr, excludeFrame);
    if (borders.Contains(bBottom))
        FillRectWithBitmap(
            Rect(rect.left, std::max(rect.bottom - lineWidth, rect.top), rect.right, rect.bottom), nullptr,
            excludeFrame);
}

void TcxCanvas::FillStrip(const TRect& rect, TColor color) {
    FillRectColor(rect, color);
}

void TcxCanvas::DrawTwoColorFrame(const TRect& rect, TColor leftTopColor, TColor rightBottomColor,
                                  TcxBorders borders, int lineWidth) {
    // Later sides win at the corners: top over top-left, right over top-right, bottom over both.
    if (borders.Contains(bLeft))
        FillStrip(Rect(rect.left, rect.top, rect.left + lineWidth, rect.bottom), leftTopColor);
    if (borders.Contains(bTop))
        FillStrip(Rect(rect.left, rect.top, rect.right, rect.top + lineWidth), leftTopColor);
    if (borders.Contains(bRight))
        FillStrip(Rect(rect.right - lineWidth, rect.top, rect.right, rect.bottom), rightBottomColor);
    if (borders.Contains(bBottom))
        FillStrip(Rect(rect.left, rect.bottom - lineWidth, rect.right, rect.bottom), rightBottomColor);
}

void TcxCanvas::Draw3DEdge(const TRect& rect, bool sunken, bool outer, TcxBorders borders) {
    TColor leftTop, rightBottom;
    if (sunken) {
        leftTop = outer ? clBtnShadow : cl3DDkShadow;
        rightBottom = outer ? clBtnHighlight : cl3DLight;
    } else {
        leftTop = outer ? cl3DLight : clBtnHighlight;
        rightBottom = outer ? cl3DDkShadow : clBtnShadow;
    }
    DrawTwoColorFrame(rect, leftTop, rightBottom, borders, 1);
}

void TcxCanvas::DrawFramedFill(const TRect& rect, const TcxPaintParams& appearance, TcxBorders borders,
                               TColor borderColor, int lineWidth, bool excludeRect) {
    DrawRectFrame(rect, borderColor, lineWidth, borders, excludeRect);
    TRect inside = rect;
    if (borders.Contains(bLeft)) inside.left += lineWidth;
    if (borders.Contains(bTop)) inside.top += lineWidth;
    if (borders.Contains(bRight)) inside.right -= lineWidth;
    if (borders.Contains(bBottom)) inside.bottom -= lineWidth;
    bool hasBitmap = appearance.Bitmap && !appearance.Bitmap->Empty();
    if (appearance.Color == clNone && !hasBitmap) return;
    if (appearance.Color != clNone && appearance.Color != clDefault) SetBrushColor(appearance.Color);
    FillRectWithBitmap(inside, appearance.Bitmap, excludeRect);
}

void TcxCanvas::DrawFocusFrame(const TRect& rect) {
    UseSolidBrush(Brush(), clWhite);
    Font().SetColor(clBlack);
    canvas_->RequiredState(true, false, true);
    canvas_->DrawFocusRect(rect);
}

// ---------------------------------------------------------------------------------------------
TSize TcxCanvas::MeasureTextExtent(const AnsiString& text) {
    TSize size{0, 0};
    canvas_->RequiredState(true, false, false);
    if (!text.empty()) GetTextExtentPoint32A(Handle(), text.data(), static_cast<int>(text.size()), &size);
    return size;
}

int TcxCanvas::MeasureFontHeight(const TFont& font) {
    AssignFont(font);
    return MeasureTextHeight("Qq");
}

void TcxCanvas::RotateFont(int angle) {
    LOGFONTA lf{};
    if (GetObjectA(Font().Handle(), sizeof(lf), &lf) == 0) return;
    lf.lfEscapement = angle * 10;
    if (angle != 0) lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    HFONT rotated = CreateFontIndirectA(&lf);
    if (rotated) Font().SetHandle(rotated);
}

void TcxCanvas::MeasureTextBounds(const AnsiString& text, TRect& rect, int flags) {
    const int w0 = RectWidth(rect), h0 = RectHeight(rect);
    const UINT drawFlags = TextFlagsToDrawTextFlags(flags);
    if (w0 <= 0 && !text.empty()) rect.right = rect.left + 1;
    canvas_->RequiredState(true, false, false);
    if (DrawTextA(Handle(), text.data(), static_cast<int>(text.size()), &rect,
                  (drawFlags & ~static_cast<UINT>(DT_VCENTER)) | DT_CALCRECT) == 0)
        rect = Rect(rect.left, rect.top, rect.left, rect.top);
    const int w1 = RectWidth(rect), h1 = RectHeight(rect);
    if (drawFlags & DT_CENTER)
        OffsetRect(&rect, (w0 - w1) / 2, 0);
    else if (drawFlags & DT_RIGHT)
        OffsetRect(&rect, w0 - w1, 0);
    if (drawFlags & DT_VCENTER)
        OffsetRect(&rect, 0, (h0 - h1) / 2);
    else if (drawFlags & DT_BOTTOM)
        OffsetRect(&rect, 0, h0 - h1);
}

void TcxCanvas::AlignMultiLineTextRect(TRect& rect, const AnsiString& text, int verticalKind, bool wordBreak,
                                       bool showPrefix, bool enabled, bool noCharBreak) {
    if (verticalKind != 1 && verticalKind != 2) return;
    const int d = enabled ? 0 : 1;
    int flags = tfAlignLeft | tfAlignTop;
    if (wordBreak) flags |= tfWordBreak;
    if (showPrefix) flags |= tfShowPrefix;
    if (noCharBreak) flags |= tfNoCharBreak;
    TRect measured = Rect(0, 0, RectWidth(rect) - d, 0);
    MeasureTextBounds(text, measured, flags);
    const int h = RectHeight(measured);
    if (verticalKind == 1)
        rect.top = rect.bottom - (h + d);
    else
        rect.top = (rect.top + rect.bottom - h) / 2;
}

void TcxCanvas::DrawTextWithFlags(const AnsiString& text, TRect rect, int flags, bool enabled) {
    if (text.empty()) return;
    const bool useDrawText =
        !(flags & tfSingleLine) || (flags & (tfShowPrefix | tfShowEndEllipsis | tfShowPathEllipsis));
    const TSize extent = MeasureTextExtent(text);
    if (extent.cx <= RectWidth(rect) && extent.cy <= RectHeight(rect)) flags |= tfDontClip;
    const int d = enabled ? 0 : 1;

    UINT drawFlags = 0, options = 0;
    if (useDrawText) {
        if (!(flags & tfSingleLine) && (flags & (tfAlignBottom | tfAlignVCenter)))
            AlignMultiLineTextRect(rect, text, (flags & tfAlignBottom) ? 1 : 2, (flags & tfWordBreak) != 0,
                                   (flags & tfShowPrefix) != 0, enabled, (flags & tfNoCharBreak) != 0);
        drawFlags = TextFlagsToDrawTextFlags(flags);
    } else {
        if (RectWidth(rect) > extent.cx) {
            if (flags & tfAlignRight)
                rect.left = rect.right - extent.cx - d;
            else if (flags & tfAlignHCenter)
                rect.left = (rect.left + rect.right - extent.cx) / 2;
        }
        if (RectHeight(rect) > extent.cy) {
            if (flags & tfAlignBottom)
                rect.top = rect.bottom - extent.cy - d;
            else if (flags & tfAlignVCenter)
                rect.top = (rect.top + rect.bottom - extent.cy) / 2;
        }
        options = (flags & tfDontClip) ? 0 : ETO_CLIPPED;
    }

    auto draw = [&](TRect r) {
        canvas_->RequiredState(true, false, true);
        HDC dc = Handle();
        if (useDrawText)
            DrawTextA(dc, text.data(), static_cast<int>(text.size()), &r, drawFlags);
        else
            ExtTextOutA(dc, r.left, r.top, options, &r, text.data(), static_cast<UINT>(text.size()), nullptr);
    };

    TBrush savedBrush;
    savedBrush.Assign(Brush());
    const TColor savedColor = Font().Color();
    if (!enabled) {
        Brush().SetStyle(bsClear);
        Font().SetColor(clBtnHighlight);
        TRect shifted = rect;
        OffsetRect(&shifted, 1, 1);
        draw(shifted);
        Font().SetColor(clBtnShadow);
    }
    draw(rect);
    if (Brush().Style() != savedBrush.Style() || Brush().Bitmap() != savedBrush.Bitmap())
        Brush().Assign(savedBrush);
    Font().SetColor(savedColor);
}

// ---------------------------------------------------------------------------------------------
void TcxCanvas::ExcludeFromClip(const TRect& rect) {
    ExcludeClipRect(Handle(), rect.left, rect.top, rect.right, rect.bottom);
}

void TcxCanvas::IntersectClip(const TRect& rect) {
    IntersectClipRect(Handle(), rect.left, rect.top, rect.right, rect.bottom);
}

bool TcxCanvas::IsRectVisible(const TRect& rect) {
    return RectVisible(Handle(), &rect) != FALSE;
}

std::unique_ptr<TcxRegion> TcxCanvas::CopyClipRegion(bool considerOrigin) {
    auto region = std::make_unique<TcxRegion>();
    if (GetClipRgn(Handle(), region->Handle()) != 1) SetRectRgn(region->Handle(), 0, 0, 30000, 30000);
    if (considerOrigin) {
        TPoint origin = GetDeviceOrigin();
        region->Offset(-origin.x, -origin.y);
    }
    return region;
}

void TcxCanvas::ApplyClipRegion(std::unique_ptr<TcxRegion> region, TcxRegionCombineMode mode,
                                bool considerOrigin) {
    if (!region) return;
    if (mode != rcmSet) {
        std::unique_ptr<TcxRegion> clip = CopyClipRegion(considerOrigin);
        clip->CombineWith(std::move(region), mode);
        ApplyClipRegion(std::move(clip), rcmSet, considerOrigin);
        return;
    }
    if (considerOrigin) {
        TPoint origin = GetDeviceOrigin();
        region->Offset(origin.x, origin.y);
    }
    SelectClipRgn(Handle(), region->Handle());
}

void TcxCanvas::ApplyClipRegion(TcxRegion& region, TcxRegionCombineMode mode, bool considerOrigin) {
    if (mode != rcmSet) {
        std::unique_ptr<TcxRegion> clip = CopyClipRegion(considerOrigin);
        clip->CombineWith(region, mode);
        ApplyClipRegion(std::move(clip), rcmSet, considerOrigin);
        return;
    }
    TPoint origin{};
    if (considerOrigin) {
        origin = GetDeviceOrigin();
        region.Offset(origin.x, origin.y);
    }
    SelectClipRgn(Handle(), region.Handle());
    if (considerOrigin) region.Offset(-origin.x, -origin.y);
}

void TcxCanvas::PushClipRegion() {
    savedRegions_.push_back(CopyClipRegion(true));
}

void TcxCanvas::PopClipRegion() {
    if (savedRegions_.empty()) return;
    std::unique_ptr<TcxRegion> region = std::move(savedRegions_.back());
    savedRegions_.pop_back();
    ApplyClipRegion(std::move(region), rcmSet, true);
}

void TcxCanvas::PushDC() {
    savedDCs_.push_back(SaveDC(Handle()));
}

void TcxCanvas::PopDC() {
    if (savedDCs_.empty()) return;
    int saved = savedDCs_.back();
    savedDCs_.pop_back();
    RestoreDC(Handle(), saved);
    // RestoreDC brings back the objects selected at the push: make the canvas select its own again.
    canvas_->Refresh();
}

void TcxCanvas::PushState() {
    PushDC();
    TcxCanvasState state{std::make_unique<TFont>(), std::make_unique<TBrush>(), std::make_unique<TPen>()};
    state.Font->Assign(Font());
    state.Brush->Assign(Brush());
    state.Pen->Assign(Pen());
    savedStates_.push_back(std::move(state));
}

void TcxCanvas::PopState() {
    if (savedStates_.empty()) return;
    TcxCanvasState state = std::move(savedStates_.back());
    savedStates_.pop_back();
    Font().Assign(*state.Font);
    Brush().Assign(*state.Brush);
    Pen().Assign(*state.Pen);
    PopDC();
}

// ---------------------------------------------------------------------------------------------
TScreenCanvas::~TScreenCanvas() {
    FreeHandle();
}

void TScreenCanvas::CreateHandle() {
    window_ = GetDesktopWindow();
    HDC dc = GetDCEx(window_, nullptr, DCX_CACHE | DCX_LOCKWINDOWUPDATE);
    if (dc) SetHandle(dc);
}

void TScreenCanvas::FreeHandle() {
    if (!HandleAllocated()) return;
    HDC dc = handle_;
    SetHandle(nullptr);
    ReleaseDC(window_, dc);
}

TcxScreenCanvas::TcxScreenCanvas() : TcxCanvas(nullptr), screenCanvas_(std::make_unique<TScreenCanvas>()) {
    SetCanvas(screenCanvas_.get());
}

TcxScreenCanvas::~TcxScreenCanvas() {
    SetCanvas(nullptr);
}

namespace {
std::unique_ptr<TcxScreenCanvas>& SharedScreenCanvas() {
    static std::unique_ptr<TcxScreenCanvas> canvas;
    return canvas;
}
} // namespace

TcxScreenCanvas* GetSharedScreenCanvas() {
    auto& canvas = SharedScreenCanvas();
    if (!canvas) canvas = std::make_unique<TcxScreenCanvas>();
    return canvas.get();
}

void FreeSharedScreenCanvas() {
    SharedScreenCanvas().reset();
}

// ---------------------------------------------------------------------------------------------
void TcxCanvas::RotateBitmap(TBitmap* bitmap, TcxRotationAngle rotation, bool flip) {
    if (!bitmap || (rotation == ra0 && !flip)) return;
    const int w = bitmap->Width(), h = bitmap->Height();
    TRGBColors source;
    ReadBitmapPixels(bitmap, true, source);
    TRGBColors target(source.size());
    const bool turned = rotation == raPlus90 || rotation == raMinus90;
    const int targetWidth = turned ? h : w;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int tx = x, ty = y;
            switch (rotation) {
            case ra0:
                ty = h - 1 - y;
                break;
            case raPlus90:
                tx = y;
                ty = flip ? x : w - 1 - x;
                break;
            case raMinus90:
                tx = h - 1 - y;
                ty = flip ? w - 1 - x : x;
                break;
            case ra180:
                tx = w - 1 - x;
                ty = flip ? y : h - 1 - y;
                break;
            }
            target[static_cast<size_t>(ty) * targetWidth + tx] = source[static_cast<size_t>(y) * w + x];
        }
    if (turned) {
        bitmap->SetHeight(0);
        bitmap->SetWidth(h);
        bitmap->SetHeight(w);
    }
    WriteBitmapPixels(bitmap, target, true);
}
