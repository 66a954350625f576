#pragma once
// The canvas every painting routine of the control library draws through, and the owning
// region wrapper used for clipping.
#include <memory>
#include <span>
#include <vector>

#include "platform/graphics/Graphics.h"

// ---------------------------------------------------------------------------------------------
enum TcxRegionCombineMode { rcmSet, rcmAdd, rcmSubtract, rcmIntersect };

// Owns a region handle.
class TcxRegion {
public:
    TcxRegion();                     // empty (0, 0, 0, 0)
    explicit TcxRegion(HRGN handle); // takes ownership
    explicit TcxRegion(const TRect& rect);
    TcxRegion(int left, int top, int right, int bottom);
    ~TcxRegion();
    TcxRegion(const TcxRegion&) = delete;
    TcxRegion& operator=(const TcxRegion&) = delete;

    static std::unique_ptr<TcxRegion> CreateFromHandle(HRGN handle) {
        return std::make_unique<TcxRegion>(handle);
    }
    static std::unique_ptr<TcxRegion> CreateFromRect(const TRect& rect) {
        return std::make_unique<TcxRegion>(rect);
    }
    static std::unique_ptr<TcxRegion> CreateFromCoords(int left, int top, int right, int bottom) {
        return std::make_unique<TcxRegion>(left, top, right, bottom);
    }
    static std::unique_ptr<TcxRegion> CreateEmpty() { return std::make_unique<TcxRegion>(); }
    // The rounded rectangle starts one pixel in at the left and top: (left + 1, top + 1)-(right, bottom).
    static std::unique_ptr<TcxRegion> CreateRoundRect(const TRect& rect, int ellipseWidth, int ellipseHeight);
    static std::unique_ptr<TcxRegion> CreateRoundRectCoords(int left, int top, int right, int bottom,
                                                            int ellipseWidth, int ellipseHeight);

    HRGN Handle() const { return handle_; }
    HRGN ReleaseHandle(); // the caller owns the handle; this region is left without one

    void CombineWith(const TcxRegion& other, TcxRegionCombineMode mode);
    // The other region is freed afterwards.
    void CombineWith(std::unique_ptr<TcxRegion> other, TcxRegionCombineMode mode);
    bool IsEmpty() const;
    bool SameAs(const TcxRegion* other) const;
    bool IsEqualHandle(HRGN handle) const;
    void Offset(int dx, int dy);

private:
    HRGN handle_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
enum TcxBorder { bLeft, bTop, bRight, bBottom };
using TcxBorders = TSmallSet<TcxBorder>;
constexpr TcxBorders cxBordersAll{bLeft, bTop, bRight, bBottom};

// The look of an area: a colour or a tiled bitmap, and the text drawn on it.
struct TcxPaintParams {
    TBitmap* Bitmap = nullptr;
    TColor Color = clDefault;
    TFont* Font = nullptr;
    TColor TextColor = clDefault;
};

// The library's text flags.
constexpr int tfAlignLeft = 0x0001;
constexpr int tfAlignRight = 0x0002;
constexpr int tfAlignHCenter = 0x0004;
constexpr int tfAlignTop = 0x0008;
constexpr int tfAlignBottom = 0x0010;
constexpr int tfAlignVCenter = 0x0020;
constexpr int tfSingleLine = 0x0040;
constexpr int tfDontClip = 0x0080;
constexpr int tfExpandTabs = 0x0100;
constexpr int tfShowPrefix = 0x0200;
constexpr int tfWordBreak = 0x0400;
constexpr int tfShowEndEllipsis = 0x0800;
constexpr int tfCalcOnly = 0x1000;
constexpr int tfShowPathEllipsis = 0x2000;
constexpr int tfNoCharBreak = 0x4000;

UINT TextFlagsToDrawTextFlags(int flags);

// Quarter turns of a bitmap's picture.
enum TcxRotationAngle { ra0, raPlus90, raMinus90, ra180 };

// ---------------------------------------------------------------------------------------------
class TcxCanvas {
public:
    explicit TcxCanvas(TCanvas* canvas); // not owned
    virtual ~TcxCanvas();
    TcxCanvas(const TcxCanvas&) = delete;
    TcxCanvas& operator=(const TcxCanvas&) = delete;

    TCanvas* Canvas() const { return canvas_; }

    // Access.
    TBrush& GetCanvasBrush() { return canvas_->Brush(); }
    TFont& GetCanvasFont() { return canvas_->Font(); }
    TPen& GetCanvasPen() { return canvas_->Pen(); }
    HDC GetDCHandle() { return canvas_->Handle(); }
    TBrush& Brush() { return GetCanvasBrush(); }
    TFont& Font() { return GetCanvasFont(); }
    TPen& Pen() { return GetCanvasPen(); }
    HDC Handle() { return GetDCHandle(); }
    DWORD CopyMode() const { return canvas_->CopyMode(); }
    void SetCanvasCopyMode(DWORD mode) { canvas_->SetCopyMode(mode); }
    void AssignFont(const TFont& font) { canvas_->Font().Assign(font); }
    void SetPixelColor(int x, int y, TColor color) { canvas_->SetPixel(x, y, color); }
    void SetBrushColor(TColor color);

    // Coordinates.
    TPoint GetViewportOrigin();
    TPoint GetWindowOrigin();
    void SetWindowOrigin(TPoint origin);
    TPoint GetDeviceOrigin(); // viewport origin minus window origin

    // Shapes.
    void MoveTo(int x, int y) { canvas_->MoveTo(x, y); }
    void LineTo(int x, int y) { canvas_->LineTo(x, y); }
    void DrawPolygon(std::span<const TPoint> points);
    void DrawPolyline(std::span<const TPoint> points);
    void DrawGraphic(int x, int y, TGraphic& graphic) { canvas_->Draw(x, y, graphic); }
    void CopyRectFrom(const TRect& dest, TCanvas& source, const TRect& sourceRect);
    void CopyRectFrom(const TRect& dest, TcxCanvas& source, const TRect& sourceRect) {
        CopyRectFrom(dest, *source.Canvas(), sourceRect);
    }
    void InvertRectArea(const TRect& rect);
    // Turns the bitmap's pixels (raPlus90 counter-clockwise, raMinus90 clockwise) and mirrors them
    // (upside down after ra0, left to right after ra180, transposed after raPlus90); draws nothing here.
    void RotateBitmap(TBitmap* bitmap, TcxRotationAngle rotation, bool flip);

    // Fills and frames. clNone draws nothing; clDefault keeps the brush colour.
    void FillRectColor(const TRect& rect, TColor color);
    // Tiles aligned to the logical origin; excludeRect takes the filled area out of the clip.
    void FillRectWithBitmap(const TRect& rect, TBitmap* bitmap, bool excludeRect = false);
    void DrawRectFrame(const TRect& rect, TColor color, int lineWidth = 1, TcxBorders borders = cxBordersAll,
                       bool excludeFrame = false);
    void DrawTwoColorFrame(const TRect& rect, TColor leftTopColor, TColor rightBottomColor,
                           TcxBorders borders = cxBordersAll, int lineWidth = 1);
    void Draw3DEdge(const TRect& rect, bool sunken, bool outer = true, TcxBorders borders = cxBordersAll);
    void DrawFramedFill(const TRect& rect, const TcxPaintParams& appearance, TcxBorders borders,
                        TColor borderColor, int lineWidth = 1, bool excludeRect = false);
    void DrawFocusFrame(const TRect& rect);

    // Text.
    void DrawTextWithFlags(const AnsiString& text, TRect rect, int flags, bool enabled = true);
    void MeasureTextBounds(const AnsiString& text, TRect& rect, int flags);
    TSize MeasureTextExtent(const AnsiString& text);
    int MeasureTextWidth(const AnsiString& text) { return MeasureTextExtent(text).cx; }
    int MeasureTextHeight(const AnsiString& text) { return MeasureTextExtent(text).cy; }
    int MeasureFontHeight(const TFont& font);
    void RotateFont(int angle);
    // Moves the top of rect so that DrawText, which aligns only single lines vertically, puts a
    // multi-line text at the bottom (verticalKind 1) or the centre (2).
    void AlignMultiLineTextRect(TRect& rect, const AnsiString& text, int verticalKind, bool wordBreak,
                                bool showPrefix, bool enabled, bool noCharBreak);

    // Clipping, in logical coordinates.
    void ExcludeFromClip(const TRect& rect);
    void IntersectClip(const TRect& rect);
    bool IsRectVisible(const TRect& rect);
    // A region the caller owns; (0, 0, 30000, 30000) when the device context has no clip region.
    std::unique_ptr<TcxRegion> CopyClipRegion(bool considerOrigin = true);
    // Takes the region and frees it.
    void ApplyClipRegion(std::unique_ptr<TcxRegion> region, TcxRegionCombineMode mode = rcmSet,
                         bool considerOrigin = true);
    // Leaves the caller's region as it was.
    void ApplyClipRegion(TcxRegion& region, TcxRegionCombineMode mode = rcmSet, bool considerOrigin = true);
    void PushClipRegion();
    void PopClipRegion();

    // State. Every push has to be matched by a pop.
    void PushDC();
    void PopDC();
    void PushState();
    void PopState();

protected:
    void SetCanvas(TCanvas* canvas) { canvas_ = canvas; }

private:
    struct TcxCanvasState {
        std::unique_ptr<TFont> Font;
        std::unique_ptr<TBrush> Brush;
        std::unique_ptr<TPen> Pen;
    };

    void FillStrip(const TRect& rect, TColor color);

    TCanvas* canvas_;
    std::vector<int> savedDCs_;
    std::vector<std::unique_ptr<TcxRegion>> savedRegions_;
    std::vector<TcxCanvasState> savedStates_;
};

// ---------------------------------------------------------------------------------------------
// A canvas over the whole screen: a cached DC of the desktop window, made on first use.
class TScreenCanvas : public TCanvas {
public:
    TScreenCanvas() = default;
    ~TScreenCanvas() override;
    void FreeHandle();

protected:
    void CreateHandle() override;

private:
    HWND window_ = nullptr;
};

class TcxScreenCanvas : public TcxCanvas {
public:
    TcxScreenCanvas();
    ~TcxScreenCanvas() override;

private:
    std::unique_ptr<TScreenCanvas> screenCanvas_;
};

// The one shared screen canvas, for measuring text and for transfers that need a DC but no window.
TcxScreenCanvas* GetSharedScreenCanvas();
// Frees the shared screen canvas (graphics unit end).
void FreeSharedScreenCanvas();
