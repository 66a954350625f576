#pragma once
// Colours, fonts, brushes, pens, canvases and DIB-section bitmaps over GDI.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>

#include "platform/core/Persistent.h"
#include "platform/core/Strings.h"
#include "platform/core/Win.h"

// ---------------------------------------------------------------------------------------------
// Plain geometry of the platform: the Win32 records themselves.
using TRect = RECT;
using TPoint = POINT;
using TSize = SIZE;

inline TRect Rect(int left, int top, int right, int bottom) {
    return TRect{left, top, right, bottom};
}
inline TRect Bounds(int left, int top, int width, int height) {
    return TRect{left, top, left + width, top + height};
}
inline TPoint Point(int x, int y) {
    return TPoint{x, y};
}

// ---------------------------------------------------------------------------------------------
// Colours. A TColor is an RGB value (0x00BBGGRR), a system colour (0x80000000 | COLOR_xxx) or
// one of the markers clNone and clDefault.
using TColor = int32_t;

constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0x80000000u | static_cast<uint32_t>(index));
}

constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SystemColor(COLOR_MENU);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
constexpr TColor clHotLight = SystemColor(COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SystemColor(COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SystemColor(COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SystemColor(COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SystemColor(COLOR_MENUBAR);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// RGB of a colour: system colours are looked up now, every other value is returned as it is.
COLORREF ColorToRGB(TColor color);

// Where ColorToRGB looks system colours up: GetSysColor unless a test sets another source.
// GDI's own drawing (frame controls, themes) keeps the system's real colours.
using TSysColorSource = COLORREF (*)(int index);
// Returns the previous source; nullptr restores GetSysColor.
TSysColorSource SetSysColorSource(TSysColorSource source);

// ---------------------------------------------------------------------------------------------
// Small ordered sets of enumerators (the font styles and the like).
template <typename E> class TSmallSet {
public:
    constexpr TSmallSet() = default;
    constexpr TSmallSet(std::initializer_list<E> items) {
        for (E item : items)
            bits_ |= Bit(item);
    }
    constexpr bool Contains(E item) const { return (bits_ & Bit(item)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TSmallSet& Include(E item) {
        bits_ |= Bit(item);
        return *this;
    }
    constexpr TSmallSet& Exclude(E item) {
        bits_ &= ~Bit(item);
        return *this;
    }
    constexpr uint32_t Bits() const { return bits_; }
    static constexpr TSmallSet FromBits(uint32_t bits) {
        TSmallSet result;
        result.bits_ = bits;
        return result;
    }
    friend constexpr TSmallSet operator|(TSmallSet a, TSmallSet b) { return FromBits(a.bits_ | b.bits_); }
    friend constexpr TSmallSet operator&(TSmallSet a, TSmallSet b) { return FromBits(a.bits_ & b.bits_); }
    friend constexpr TSmallSet operator-(TSmallSet a, TSmallSet b) { return FromBits(a.bits_ & ~b.bits_); }
    friend constexpr bool operator==(TSmallSet a, TSmallSet b) { return a.bits_ == b.bits_; }

private:
    static constexpr uint32_t Bit(E item) { return 1u << static_cast<unsigned>(item); }
    uint32_t bits_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Graphics objects: each keeps its own data and makes its GDI handle on first use.
class TGraphicsObject : public TPersistent {
public:
    VZ_CLASS(TGraphicsObject, TPersistent)
    TGraphicsObject() = default;

    std::function<void(TGraphicsObject* sender)> OnChange;

protected:
    virtual void Changed();
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSmallSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = BYTE;

// Screen pixels per logical inch (font size <-> height).
int ScreenPixelsPerInch();

class TFont : public TGraphicsObject {
public:
    VZ_CLASS(TFont, TGraphicsObject)
    TFont(); // "宋体", Height -12, DEFAULT_CHARSET, clWindowText
    ~TFont() override;

    void Assign(const TFont& source);
    void Assign(TPersistent* source) override;

    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& name);
    int Height() const { return height_; }
    void SetHeight(int height);
    int Size() const; // points; from Height at the screen resolution
    void SetSize(int size);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontCharset Charset() const { return charset_; }
    void SetCharset(TFontCharset charset);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch);
    int Orientation() const { return orientation_; } // tenths of a degree
    void SetOrientation(int orientation);

    // The font handle, made on first use and owned by the font.
    HFONT Handle();
    // Takes the description of a foreign handle (the handle itself stays the caller's).
    void SetHandle(HFONT font);

    LOGFONTA LogFont() const;
    void SetLogFont(const LOGFONTA& logFont); // keeps Color

private:
    void Reset();

    AnsiString name_;
    int height_ = -12;
    TFontStyles style_;
    TColor color_ = clWindowText;
    TFontCharset charset_ = DEFAULT_CHARSET;
    TFontPitch pitch_ = fpDefault;
    int orientation_ = 0;
    // Extra LOGFONT fields kept when a font comes from a LOGFONT.
    LONG escapement_ = 0;
    BYTE outPrecision_ = OUT_DEFAULT_PRECIS;
    BYTE clipPrecision_ = CLIP_DEFAULT_PRECIS;
    BYTE quality_ = DEFAULT_QUALITY;
    LONG weight_ = -1; // -1: from Style
    LONG width_ = 0;
    HFONT handle_ = nullptr;
};

class TBitmap;

enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

class TBrush : public TGraphicsObject {
public:
    VZ_CLASS(TBrush, TGraphicsObject)
    TBrush() = default;
    ~TBrush() override;

    void Assign(const TBrush& source);
    void Assign(TPersistent* source) override;

    TColor Color() const { return color_; }
    void SetColor(TColor color); // a solid colour ends a clear style
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);
    // Pattern bitmap (not owned); while set it decides the brush.
    TBitmap* Bitmap() const { return bitmap_; }
    void SetBitmap(TBitmap* bitmap);

    HBRUSH Handle();
    void SetHandle(HBRUSH brush); // adopts the description of a foreign brush

private:
    void Reset();

    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    TBitmap* bitmap_ = nullptr;
    HBRUSH handle_ = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

class TPen : public TGraphicsObject {
public:
    VZ_CLASS(TPen, TGraphicsObject)
    TPen() = default;
    ~TPen() override;

    void Assign(const TPen& source);
    void Assign(TPersistent* source) override;

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    void SetWidth(int width);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode mode);
    int Rop2() const; // the R2_ code of Mode

    HPEN Handle();
    void SetHandle(HPEN pen);

private:
    void Reset();

    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
    HPEN handle_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
class TStream;

class TGraphic : public TPersistent {
public:
    VZ_CLASS(TGraphic, TPersistent)
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const = 0;
    // Draws the picture stretched into rect of the canvas.
    virtual void Draw(class TCanvas& canvas, const TRect& rect) = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    virtual bool Transparent() const { return false; }
    // The picture's file form, from and to the stream's position.
    virtual void LoadFromStream(TStream* stream) = 0;
    virtual void SaveToStream(TStream* stream) = 0;

    // Reports a change of the picture through OnChange.
    virtual void Changed(TObject* sender);
    TNotifyEvent OnChange;
};
VZ_EXCEPTION_CLASS(EInvalidGraphic, Exception);

using TGraphicClass = TClass;

// Picture formats by file extension, for readers that pick the graphic class of a file.
class TPicture {
public:
    // Extensions compare without case and without a leading dot; a later registration of the
    // same extension replaces the earlier one.
    static void RegisterFileFormat(const AnsiString& extension, const AnsiString& description,
                                   TGraphicClass graphicClass);
    // Drops every extension of the class.
    static void UnregisterGraphicClass(TGraphicClass graphicClass);
    // nullptr / empty when the extension is not registered.
    static TGraphicClass GraphicClassOf(const AnsiString& extension);
    static AnsiString FileFormatDescription(const AnsiString& extension);
};

// A canvas over a device context. The plain canvas is given its DC (SetHandle); derived
// canvases make theirs on first use (CreateHandle).
class TCanvas : public TPersistent {
public:
    VZ_CLASS(TCanvas, TPersistent)
    TCanvas();
    ~TCanvas() override;

    HDC Handle(); // made on demand
    void SetHandle(HDC dc);
    bool HandleAllocated() const { return handle_ != nullptr; }

    TFont& Font() { return *font_; }
    TBrush& Brush() { return *brush_; }
    TPen& Pen() { return *pen_; }
    void SetFont(const TFont& font) { font_->Assign(font); }
    void SetBrush(const TBrush& brush) { brush_->Assign(brush); }
    void SetPen(const TPen& pen) { pen_->Assign(pen); }

    DWORD CopyMode() const { return copyMode_; }
    void SetCopyMode(DWORD rop) { copyMode_ = rop; }
    TPoint PenPos();
    void SetPenPos(TPoint point) { MoveTo(point.x, point.y); }
    int TextFlags() const { return textFlags_; }
    void SetTextFlags(int flags) { textFlags_ = flags; }

    TRect ClipRect();
    TColor Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
    void Ellipse(int left, int top, int right, int bottom);
    void FillRect(const TRect& rect);
    void FrameRect(const TRect& rect);
    void Polygon(const TPoint* points, int count);
    void Polyline(const TPoint* points, int count);
    void TextOut(int x, int y, const AnsiString& text);
    void TextRect(const TRect& rect, int x, int y, const AnsiString& text);
    TSize TextExtent(const AnsiString& text);
    int TextWidth(const AnsiString& text) { return TextExtent(text).cx; }
    int TextHeight(const AnsiString& text) { return TextExtent(text).cy; }
    void Draw(int x, int y, TGraphic& graphic);
    void StretchDraw(const TRect& rect, TGraphic& graphic);
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);
    void DrawFocusRect(const TRect& rect);
    void Refresh(); // drops the selected objects so that they are selected again

    // Makes the handle valid and selects the font, pen and brush asked for; for callers that
    // draw with GDI directly.
    void RequiredState(bool font, bool pen, bool brush);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    virtual void CreateHandle() {}
    void Changing();
    void Changed();
    void DeselectHandles();
    HDC handle_ = nullptr;

private:
    void ObjectChanged(TObject* sender);

    std::unique_ptr<TFont> font_;
    std::unique_ptr<TBrush> brush_;
    std::unique_ptr<TPen> pen_;
    bool fontValid_ = false;
    bool penValid_ = false;
    bool brushValid_ = false;
    HGDIOBJ oldFont_ = nullptr;
    HGDIOBJ oldPen_ = nullptr;
    HGDIOBJ oldBrush_ = nullptr;
    DWORD copyMode_ = SRCCOPY;
    int textFlags_ = 0;
};

// ---------------------------------------------------------------------------------------------
enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

class TBitmapCanvas;

// A bitmap held in a DIB section. Rows are stored bottom-up as GDI does by default; ScanLine
// hides that. Changing the size or the pixel format keeps the picture where it fits.
class TBitmap : public TGraphic {
public:
    VZ_CLASS(TBitmap, TGraphic)
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = pf32bit);
    ~TBitmap() override;

    void Assign(const TBitmap& source);
    void Assign(TPersistent* source) override;

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Empty() const override { return width_ == 0 || height_ == 0; }
    void Draw(TCanvas& canvas, const TRect& rect) override;
    void SetWidth(int width) override { SetSize(width, height_); }
    void SetHeight(int height) override { SetSize(width_, height); }
    void SetSize(int width, int height);
    TPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TPixelFormat format); // pf1bit, pf24bit, pf32bit; others map to pf32bit
    bool Monochrome() const { return pixelFormat_ == pf1bit; }
    void SetMonochrome(bool value) { SetPixelFormat(value ? pf1bit : pf32bit); }

    // First byte of a row; rows are 32-bit aligned.
    void* ScanLine(int row);
    int BytesPerScanLine() const;

    HBITMAP Handle();               // nullptr while empty
    HBITMAP ReleaseHandle();        // the caller owns the handle; the bitmap becomes empty
    void SetHandle(HBITMAP bitmap); // takes ownership; copied into a DIB section when needed
    // The bitmap resource of that name in the module; EResNotFound when it is not there.
    void LoadFromResourceName(HINSTANCE instance, const AnsiString& name);
    TCanvas& Canvas();
    bool HandleAllocated() const { return handle_ != nullptr; }
    // Gives back the canvas's device context; the picture stays.
    virtual void Dormant();

    // A standard BMP file (file header "BM", info header, colour table, rows bottom-up) at the
    // stream's position. Loading takes 1-, 24- and 32-bit pictures as they are and converts the
    // other depths to 32 bits; a damaged file raises EInvalidGraphic and leaves the bitmap as it was.
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override; // nothing for an empty bitmap
    // The stored form: a 32-bit byte count, then the BMP file (the count 0 alone when empty).
    virtual void ReadData(TStream* stream);
    virtual void WriteData(TStream* stream);

    // Drawing with a transparent colour (the bottom-left pixel when TransparentColor is clDefault).
    bool Transparent() const override { return transparent_; }
    void SetTransparent(bool value) { transparent_ = value; }
    TColor TransparentColor();
    void SetTransparentColor(TColor color) { transparentColor_ = color; }

    using TGraphic::Changed;

private:
    friend class TBitmapCanvas;
    void Recreate(int width, int height, TPixelFormat format);
    void Changed() { Changed(this); }
    void LoadFromBmp(const BYTE* data, size_t size);

    int width_ = 0;
    int height_ = 0;
    TPixelFormat pixelFormat_ = pfDevice;
    HBITMAP handle_ = nullptr;
    void* bits_ = nullptr;
    bool topDown_ = false; // adopted DIB sections may store their rows top-down
    bool transparent_ = false;
    TColor transparentColor_ = clDefault;
    std::unique_ptr<TBitmapCanvas> canvas_;
};

// The canvas of a bitmap: a memory DC made on first use with the bitmap selected into it.
class TBitmapCanvas : public TCanvas {
public:
    VZ_CLASS(TBitmapCanvas, TCanvas)
    explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}
    ~TBitmapCanvas() override;
    void FreeContext();

protected:
    void CreateHandle() override;

private:
    TBitmap* bitmap_;
    HDC memoryDC_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
};
