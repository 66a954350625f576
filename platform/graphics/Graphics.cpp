#include "platform/graphics/Graphics.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/Streams.h"

namespace {
TSysColorSource sysColorSource = nullptr;
}

TSysColorSource SetSysColorSource(TSysColorSource source) {
    TSysColorSource previous = sysColorSource;
    sysColorSource = source;
    return previous;
}

COLORREF ColorToRGB(TColor color) {
    if (color < 0) return sysColorSource ? sysColorSource(color & 0xFF) : GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color);
}

int ScreenPixelsPerInch() {
    static const int ppi = [] {
        HDC dc = GetDC(nullptr);
        int value = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
        if (dc) ReleaseDC(nullptr, dc);
        return value > 0 ? value : 96;
    }();
    return ppi;
}

void TGraphicsObject::Changed() {
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------------------------
// The handle is deleted only after the listeners (the canvases) have let go of it: GDI refuses
// to delete an object that is still selected into a device context.
namespace {
template <typename H> void DropHandle(H& handle) {
    if (handle) DeleteObject(handle);
    handle = nullptr;
}

// Forgets the handle, tells the listeners, then deletes it (stock objects ignore the delete).
template <typename H, typename Notify> void ResetHandle(H& handle, Notify changed) {
    H old = handle;
    handle = nullptr;
    changed();
    if (old) DeleteObject(old);
}

// Assign from another object of the same class, or leave it to TPersistent (which raises).
template <typename T> void AssignSameClass(T& self, TPersistent* source) {
    if (auto* other = dynamic_cast<T*>(source))
        self.Assign(*other);
    else
        self.TPersistent::Assign(source);
}
} // namespace

TFont::TFont() : name_("宋体") {}

TFont::~TFont() {
    DropHandle(handle_);
}

void TFont::Reset() {
    ResetHandle(handle_, [this] { Changed(); });
}

void TFont::Assign(TPersistent* source) {
    AssignSameClass(*this, source);
}

void TFont::Assign(const TFont& source) {
    if (&source == this) return;
    name_ = source.name_;
    height_ = source.height_;
    style_ = source.style_;
    color_ = source.color_;
    charset_ = source.charset_;
    pitch_ = source.pitch_;
    orientation_ = source.orientation_;
    escapement_ = source.escapement_;
    outPrecision_ = source.outPrecision_;
    clipPrecision_ = source.clipPrecision_;
    quality_ = source.quality_;
    weight_ = source.weight_;
    width_ = source.width_;
    Reset();
}

void TFont::SetName(const AnsiString& name) {
    if (name.empty() || name == name_) return;
    name_ = name;
    Reset();
}

void TFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    Reset();
}

int TFont::Size() const {
    return -MulDiv(height_, 72, ScreenPixelsPerInch());
}

void TFont::SetSize(int size) {
    SetHeight(-MulDiv(size, ScreenPixelsPerInch(), 72));
}

void TFont::SetStyle(TFontStyles style) {
    if (style == style_ && weight_ < 0) return;
    style_ = style;
    weight_ = -1;
    Reset();
}

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    // The colour is not part of the GDI font: keep the handle.
    Changed();
}

void TFont::SetCharset(TFontCharset charset) {
    if (charset == charset_) return;
    charset_ = charset;
    Reset();
}

void TFont::SetPitch(TFontPitch pitch) {
    if (pitch == pitch_) return;
    pitch_ = pitch;
    Reset();
}

void TFont::SetOrientation(int orientation) {
    if (orientation == orientation_ && escapement_ == orientation) return;
    orientation_ = orientation;
    escapement_ = orientation;
    Reset();
}

LOGFONTA TFont::LogFont() const {
    LOGFONTA lf{};
    lf.lfHeight = height_;
    lf.lfWidth = width_;
    lf.lfEscapement = escapement_;
    lf.lfOrientation = orientation_;
    lf.lfWeight = weight_ >= 0 ? weight_ : (style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL);
    lf.lfItalic = style_.Contains(fsItalic) ? 1 : 0;
    lf.lfUnderline = style_.Contains(fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = style_.Contains(fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = charset_;
    lf.lfOutPrecision = outPrecision_;
    lf.lfClipPrecision = clipPrecision_;
    lf.lfQuality = quality_;
    lf.lfPitchAndFamily = pitch_ == fpFixed      ? FIXED_PITCH
                          : pitch_ == fpVariable ? VARIABLE_PITCH
                                                 : DEFAULT_PITCH;
    size_t count = std::min(name_.size(), sizeof(lf.lfFaceName) - 1);
    std::memcpy(lf.lfFaceName, name_.data(), count);
    lf.lfFaceName[count] = 0;
    return lf;
}

void TFont::SetLogFont(const LOGFONTA& lf) {
    name_.assign(lf.lfFaceName, strnlen(lf.lfFaceName, sizeof(lf.lfFaceName)));
    height_ = lf.lfHeight;
    width_ = lf.lfWidth;
    escapement_ = lf.lfEscapement;
    orientation_ = lf.lfOrientation;
    TFontStyles style;
    if (lf.lfWeight >= FW_BOLD) style.Include(fsBold);
    if (lf.lfItalic) style.Include(fsItalic);
    if (lf.lfUnderline) style.Include(fsUnderline);
    if (lf.lfStrikeOut) style.Include(fsStrikeOut);
    style_ = style;
    weight_ =
        (lf.lfWeight == FW_NORMAL || lf.lfWeight == FW_BOLD || lf.lfWeight == FW_DONTCARE) ? -1 : lf.lfWeight;
    charset_ = lf.lfCharSet;
    outPrecision_ = lf.lfOutPrecision;
    clipPrecision_ = lf.lfClipPrecision;
    quality_ = lf.lfQuality;
    switch (lf.lfPitchAndFamily & 3) {
    case FIXED_PITCH:
        pitch_ = fpFixed;
        break;
    case VARIABLE_PITCH:
        pitch_ = fpVariable;
        break;
    default:
        pitch_ = fpDefault;
        break;
    }
    Reset();
}

HFONT TFont::Handle() {
    if (!handle_) {
        LOGFONTA lf = LogFont();
        handle_ = CreateFontIndirectA(&lf);
    }
    return handle_;
}

void TFont::SetHandle(HFONT font) {
    if (!font || font == handle_) return;
    LOGFONTA lf{};
    if (GetObjectA(font, sizeof(lf), &lf) == 0) throw Exception("Invalid font handle");
    SetLogFont(lf);
    handle_ = font; // the font now owns the handle it was given
}

// ---------------------------------------------------------------------------------------------
TBrush::~TBrush() {
    DropHandle(handle_);
}

void TBrush::Reset() {
    ResetHandle(handle_, [this] { Changed(); });
}

void TBrush::Assign(TPersistent* source) {
    AssignSameClass(*this, source);
}

void TBrush::Assign(const TBrush& source) {
    if (&source == this) return;
    color_ = source.color_;
    style_ = source.style_;
    bitmap_ = source.bitmap_;
    Reset();
}

void TBrush::SetColor(TColor color) {
    if (color == color_ && style_ != bsClear) return;
    color_ = color;
    if (style_ == bsClear) style_ = bsSolid;
    Reset();
}

void TBrush::SetStyle(TBrushStyle style) {
    if (style == style_ && !bitmap_) return;
    style_ = style;
    bitmap_ = nullptr;
    Reset();
}

void TBrush::SetBitmap(TBitmap* bitmap) {
    if (bitmap == bitmap_) return;
    bitmap_ = bitmap;
    Reset();
}

HBRUSH TBrush::Handle() {
    if (!handle_) {
        if (bitmap_ && !bitmap_->Empty()) {
            handle_ = CreatePatternBrush(bitmap_->Handle());
        } else if (style_ == bsClear) {
            handle_ = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        } else if (style_ == bsSolid) {
            handle_ = CreateSolidBrush(ColorToRGB(color_));
        } else {
            static const int hatches[] = {HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL,
                                          HS_BDIAGONAL,  HS_CROSS,    HS_DIAGCROSS};
            handle_ = CreateHatchBrush(hatches[style_ - bsHorizontal], ColorToRGB(color_));
        }
    }
    return handle_;
}

void TBrush::SetHandle(HBRUSH brush) {
    if (!brush || brush == handle_) return;
    LOGBRUSH lb{};
    if (GetObjectA(brush, sizeof(lb), &lb) == 0) throw Exception("Invalid brush handle");
    bitmap_ = nullptr;
    color_ = static_cast<TColor>(lb.lbColor & 0xFFFFFF);
    if (lb.lbStyle == BS_NULL)
        style_ = bsClear;
    else if (lb.lbStyle == BS_HATCHED && lb.lbHatch <= HS_DIAGCROSS)
        style_ = static_cast<TBrushStyle>(bsHorizontal + lb.lbHatch);
    else
        style_ = bsSolid;
    Reset();
    handle_ = brush;
}

// ---------------------------------------------------------------------------------------------
TPen::~TPen() {
    DropHandle(handle_);
}

void TPen::Reset() {
    ResetHandle(handle_, [this] { Changed(); });
}

void TPen::Assign(TPersistent* source) {
    AssignSameClass(*this, source);
}

void TPen::Assign(const TPen& source) {
    if (&source == this) return;
    color_ = source.color_;
    width_ = source.width_;
    style_ = source.style_;
    mode_ = source.mode_;
    Reset();
}

void TPen::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Reset();
}

void TPen::SetWidth(int width) {
    if (width < 0 || width == width_) return;
    width_ = width;
    Reset();
}

void TPen::SetStyle(TPenStyle style) {
    if (style == style_) return;
    style_ = style;
    Reset();
}

void TPen::SetMode(TPenMode mode) {
    if (mode == mode_) return;
    mode_ = mode;
    Changed(); // the mode is a DC setting, not part of the pen
}

int TPen::Rop2() const {
    static const int codes[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
    return codes[mode_];
}

HPEN TPen::Handle() {
    if (!handle_) {
        LOGPEN lp{};
        lp.lopnStyle = static_cast<UINT>(style_); // the enumeration follows the PS_ codes
        lp.lopnWidth.x = width_;
        lp.lopnColor = ColorToRGB(color_);
        handle_ = CreatePenIndirect(&lp);
    }
    return handle_;
}

void TPen::SetHandle(HPEN pen) {
    if (!pen || pen == handle_) return;
    LOGPEN lp{};
    if (GetObjectA(pen, sizeof(lp), &lp) == 0) throw Exception("Invalid pen handle");
    color_ = static_cast<TColor>(lp.lopnColor & 0xFFFFFF);
    width_ = lp.lopnWidth.x;
    style_ = lp.lopnStyle <= PS_INSIDEFRAME ? static_cast<TPenStyle>(lp.lopnStyle) : psSolid;
    Reset();
    handle_ = pen;
}

// ---------------------------------------------------------------------------------------------
TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()), brush_(std::make_unique<TBrush>()), pen_(std::make_unique<TPen>()) {
    font_->OnChange = [this](TGraphicsObject* sender) { ObjectChanged(sender); };
    brush_->OnChange = [this](TGraphicsObject* sender) { ObjectChanged(sender); };
    pen_->OnChange = [this](TGraphicsObject* sender) { ObjectChanged(sender); };
}

TCanvas::~TCanvas() {
    DeselectHandles();
    font_->OnChange = nullptr;
    brush_->OnChange = nullptr;
    pen_->OnChange = nullptr;
}

void TCanvas::ObjectChanged(TObject* sender) {
    if (!handle_) return;
    if (sender == font_.get() && fontValid_) {
        SelectObject(handle_, GetStockObject(SYSTEM_FONT));
        fontValid_ = false;
    } else if (sender == pen_.get() && penValid_) {
        SelectObject(handle_, GetStockObject(BLACK_PEN));
        penValid_ = false;
    } else if (sender == brush_.get() && brushValid_) {
        SelectObject(handle_, GetStockObject(HOLLOW_BRUSH));
        brushValid_ = false;
    }
}

HDC TCanvas::Handle() {
    if (!handle_) CreateHandle();
    if (!handle_) throw Exception("Canvas does not allow drawing");
    return handle_;
}

void TCanvas::SetHandle(HDC dc) {
    if (dc == handle_) return;
    DeselectHandles();
    handle_ = dc;
}

void TCanvas::DeselectHandles() {
    if (handle_ && (fontValid_ || penValid_ || brushValid_)) {
        SelectObject(handle_, GetStockObject(BLACK_PEN));
        SelectObject(handle_, GetStockObject(HOLLOW_BRUSH));
        SelectObject(handle_, GetStockObject(SYSTEM_FONT));
    }
    fontValid_ = penValid_ = brushValid_ = false;
}

void TCanvas::Refresh() {
    DeselectHandles();
}

void TCanvas::RequiredState(bool font, bool pen, bool brush) {
    HDC dc = Handle();
    if (font && !fontValid_) {
        SelectObject(dc, font_->Handle());
        SetTextColor(dc, ColorToRGB(font_->Color()));
        fontValid_ = true;
    }
    if (pen && !penValid_) {
        SelectObject(dc, pen_->Handle());
        SetROP2(dc, pen_->Rop2());
        penValid_ = true;
    }
    if (brush && !brushValid_) {
        HBRUSH handle = brush_->Handle();
        UnrealizeObject(handle);
        SelectObject(dc, handle);
        if (brush_->Style() == bsSolid && !brush_->Bitmap()) {
            SetBkColor(dc, ColorToRGB(brush_->Color()));
            SetBkMode(dc, OPAQUE);
        } else {
            SetBkColor(dc, ~ColorToRGB(brush_->Color()) & 0xFFFFFF);
            SetBkMode(dc, TRANSPARENT);
        }
        brushValid_ = true;
    }
    // Colours and modes of the DC may have been changed behind our back: refresh the cheap ones.
    if (font) SetTextColor(dc, ColorToRGB(font_->Color()));
    if (pen) SetROP2(dc, pen_->Rop2());
}

void TCanvas::Changing() {
    if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange) OnChange(this);
}

TPoint TCanvas::PenPos() {
    TPoint point{};
    GetCurrentPositionEx(Handle(), &point);
    return point;
}

TRect TCanvas::ClipRect() {
    TRect rect{};
    GetClipBox(Handle(), &rect);
    return rect;
}

TColor TCanvas::Pixel(int x, int y) {
    return static_cast<TColor>(GetPixel(Handle(), x, y));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    Changing();
    ::SetPixel(Handle(), x, y, ColorToRGB(color));
    Changed();
}

void TCanvas::MoveTo(int x, int y) {
    MoveToEx(Handle(), x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
    Changing();
    RequiredState(false, true, true);
    ::LineTo(handle_, x, y);
    Changed();
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    Changing();
    RequiredState(false, true, true);
    ::Rectangle(handle_, left, top, right, bottom);
    Changed();
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    Changing();
    RequiredState(false, true, true);
    ::Ellipse(handle_, left, top, right, bottom);
    Changed();
}

void TCanvas::FillRect(const TRect& rect) {
    Changing();
    RequiredState(false, false, true);
    ::FillRect(handle_, &rect, brush_->Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect& rect) {
    Changing();
    RequiredState(false, false, true);
    ::FrameRect(handle_, &rect, brush_->Handle());
    Changed();
}

void TCanvas::Polygon(const TPoint* points, int count) {
    Changing();
    RequiredState(false, true, true);
    ::Polygon(handle_, points, count);
    Changed();
}

void TCanvas::Polyline(const TPoint* points, int count) {
    Changing();
    RequiredState(false, true, true);
    ::Polyline(handle_, points, count);
    Changed();
}

void TCanvas::TextOut(int x, int y, const AnsiString& text) {
    Changing();
    RequiredState(true, false, true);
    ExtTextOutA(handle_, x, y, static_cast<UINT>(textFlags_), nullptr, text.data(),
                static_cast<UINT>(text.size()), nullptr);
    SIZE size{};
    GetTextExtentPoint32A(handle_, text.data(), static_cast<int>(text.size()), &size);
    MoveToEx(handle_, x + size.cx, y, nullptr);
    Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const AnsiString& text) {
    Changing();
    RequiredState(true, false, true);
    UINT options = ETO_CLIPPED | static_cast<UINT>(textFlags_);
    if (brush_->Style() != bsClear) options |= ETO_OPAQUE;
    ExtTextOutA(handle_, x, y, options, &rect, text.data(), static_cast<UINT>(text.size()), nullptr);
    Changed();
}

TSize TCanvas::TextExtent(const AnsiString& text) {
    RequiredState(true, false, false);
    SIZE size{};
    GetTextExtentPoint32A(handle_, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

void TCanvas::DrawFocusRect(const TRect& rect) {
    Changing();
    RequiredState(false, false, true);
    ::DrawFocusRect(handle_, &rect);
    Changed();
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
    if (graphic.Empty()) return;
    graphic.Draw(*this, Bounds(x, y, graphic.Width(), graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic& graphic) {
    if (graphic.Empty()) return;
    graphic.Draw(*this, rect);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
    Changing();
    RequiredState(false, false, true);
    HDC sourceDC = source.Handle();
    StretchBlt(handle_, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, sourceDC,
               sourceRect.left, sourceRect.top, sourceRect.right - sourceRect.left,
               sourceRect.bottom - sourceRect.top, copyMode_);
    Changed();
}

// ---------------------------------------------------------------------------------------------
namespace {
int BitsOf(TPixelFormat format) {
    switch (format) {
    case pf1bit:
        return 1;
    case pf24bit:
        return 24;
    default:
        return 32;
    }
}

TPixelFormat FormatOfBits(int bits) {
    switch (bits) {
    case 1:
        return pf1bit;
    case 24:
        return pf24bit;
    case 32:
        return pf32bit;
    default:
        return pfCustom;
    }
}

HBITMAP CreateDib(int width, int height, int bits, void** pixels) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height; // bottom-up
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bits);
    info.header.biCompression = BI_RGB;
    if (bits == 1) {
        info.header.biClrUsed = 2;
        info.colors[1] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
    }
    HBITMAP bitmap =
        CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, pixels, nullptr, 0);
    if (!bitmap) throw Exception("Out of system resources");
    return bitmap;
}

// A memory DC that holds one bitmap for the time of a copy.
class TSelectedBitmap {
public:
    explicit TSelectedBitmap(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)) {
        old_ = SelectObject(dc_, bitmap);
    }
    ~TSelectedBitmap() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    HDC DC() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// GetObject reports a DIB section's height without its sign, so a section made top-down looks
// bottom-up. Flip one bit of the first stored row and see which row GDI shows changed.
bool StoredTopDown(HBITMAP bitmap, const DIBSECTION& dib) {
    const bool stated = dib.dsBmih.biHeight < 0;
    const int bottom = dib.dsBm.bmHeight - 1;
    if (bottom < 1) return stated; // one row: either order
    TSelectedBitmap selected(bitmap);
    if (GetCurrentObject(selected.DC(), OBJ_BITMAP) != bitmap) return stated; // held by another DC
    auto* first = static_cast<BYTE*>(dib.dsBm.bmBits);
    const BYTE original = *first;
    GdiFlush();
    const COLORREF top = GetPixel(selected.DC(), 0, 0), last = GetPixel(selected.DC(), 0, bottom);
    *first = original ^ 0x80;
    const COLORREF topAfter = GetPixel(selected.DC(), 0, 0), lastAfter = GetPixel(selected.DC(), 0, bottom);
    *first = original;
    if (topAfter != top) return true;
    if (lastAfter != last) return false;
    return stated; // a palette where both values look alike
}
} // namespace

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format) : pixelFormat_(format) {
    SetSize(width, height);
}

TBitmap::~TBitmap() {
    if (canvas_) canvas_->FreeContext();
    if (handle_) DeleteObject(handle_);
}

void TGraphic::Changed(TObject* /*sender*/) {
    if (OnChange) OnChange(this);
}

namespace {
struct TPictureFormat {
    AnsiString extension; // lower case, no dot
    AnsiString description;
    TGraphicClass graphicClass;
};

std::vector<TPictureFormat>& PictureFormats() {
    static std::vector<TPictureFormat> formats;
    return formats;
}

AnsiString PictureExtension(const AnsiString& extension) {
    AnsiString result = !extension.empty() && extension[0] == '.' ? extension.substr(1) : extension;
    for (char& c : result)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return result;
}

const TPictureFormat* FindPictureFormat(const AnsiString& extension) {
    AnsiString key = PictureExtension(extension);
    for (const TPictureFormat& format : PictureFormats())
        if (format.extension == key) return &format;
    return nullptr;
}
} // namespace

void TPicture::RegisterFileFormat(const AnsiString& extension, const AnsiString& description,
                                  TGraphicClass graphicClass) {
    AnsiString key = PictureExtension(extension);
    auto& formats = PictureFormats();
    std::erase_if(formats, [&](const TPictureFormat& format) { return format.extension == key; });
    formats.push_back({key, description, graphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphicClass) {
    std::erase_if(PictureFormats(),
                  [&](const TPictureFormat& format) { return format.graphicClass == graphicClass; });
}

TGraphicClass TPicture::GraphicClassOf(const AnsiString& extension) {
    const TPictureFormat* format = FindPictureFormat(extension);
    return format ? format->graphicClass : nullptr;
}

AnsiString TPicture::FileFormatDescription(const AnsiString& extension) {
    const TPictureFormat* format = FindPictureFormat(extension);
    return format ? format->description : AnsiString();
}

int TBitmap::BytesPerScanLine() const {
    return ((width_ * BitsOf(pixelFormat_) + 31) / 32) * 4;
}

void TBitmap::Recreate(int width, int height, TPixelFormat format) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (canvas_) canvas_->FreeContext();
    HBITMAP fresh = nullptr;
    void* bits = nullptr;
    if (width > 0 && height > 0) {
        fresh = CreateDib(width, height, BitsOf(format), &bits);
        TSelectedBitmap target(fresh);
        if (canvas_) {
            RECT all{0, 0, width, height};
            ::FillRect(target.DC(), &all, canvas_->Brush().Handle());
        }
        if (handle_) {
            TSelectedBitmap source(handle_);
            BitBlt(target.DC(), 0, 0, std::min(width, width_), std::min(height, height_), source.DC(), 0, 0,
                   SRCCOPY);
        }
        GdiFlush();
    }
    if (handle_) DeleteObject(handle_);
    handle_ = fresh;
    bits_ = bits;
    topDown_ = false;
    width_ = width;
    height_ = height;
    pixelFormat_ = format;
}

void TBitmap::SetSize(int width, int height) {
    if (width == width_ && height == height_) return;
    Recreate(width, height, pixelFormat_);
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format != pf1bit && format != pf24bit && format != pf32bit && format != pfDevice) format = pf32bit;
    if (format == pixelFormat_) return;
    Recreate(width_, height_, format);
    Changed();
}

void* TBitmap::ScanLine(int row) {
    if (!bits_ || row < 0 || row >= height_) throw Exception("Scan line index out of range");
    GdiFlush();
    int stored = topDown_ ? row : height_ - 1 - row;
    return static_cast<BYTE*>(bits_) + static_cast<ptrdiff_t>(stored) * BytesPerScanLine();
}

HBITMAP TBitmap::Handle() {
    return handle_;
}

HBITMAP TBitmap::ReleaseHandle() {
    if (canvas_) canvas_->FreeContext();
    HBITMAP result = handle_;
    handle_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
    return result;
}

void TBitmap::SetHandle(HBITMAP bitmap) {
    if (bitmap == handle_) return;
    if (canvas_) canvas_->FreeContext();
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
    topDown_ = false;
    if (bitmap) {
        DIBSECTION dib{};
        int got = GetObjectA(bitmap, sizeof(dib), &dib);
        if (got == 0) throw Exception("Invalid bitmap handle");
        TPixelFormat format = FormatOfBits(dib.dsBm.bmBitsPixel);
        if (got == sizeof(DIBSECTION) && dib.dsBm.bmBits && format != pfCustom) {
            handle_ = bitmap;
            bits_ = dib.dsBm.bmBits;
            topDown_ = StoredTopDown(bitmap, dib);
            width_ = dib.dsBm.bmWidth;
            height_ = dib.dsBm.bmHeight;
            pixelFormat_ = format;
        } else {
            // A device-dependent or odd bitmap: copy it into a 32-bit DIB section of our own.
            int width = dib.dsBm.bmWidth, height = dib.dsBm.bmHeight;
            TPixelFormat target = dib.dsBm.bmBitsPixel == 1 ? pf1bit : pf32bit;
            void* bits = nullptr;
            HBITMAP fresh = CreateDib(width, height, BitsOf(target), &bits);
            {
                TSelectedBitmap to(fresh);
                TSelectedBitmap from(bitmap);
                BitBlt(to.DC(), 0, 0, width, height, from.DC(), 0, 0, SRCCOPY);
            }
            GdiFlush();
            DeleteObject(bitmap);
            handle_ = fresh;
            bits_ = bits;
            width_ = width;
            height_ = height;
            pixelFormat_ = target;
        }
    }
    Changed();
}

void TBitmap::Assign(TPersistent* source) {
    AssignSameClass(*this, source);
}

void TBitmap::Assign(const TBitmap& source) {
    if (&source == this) return;
    if (canvas_) canvas_->FreeContext();
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
    topDown_ = false;
    pixelFormat_ = source.pixelFormat_;
    if (!source.Empty()) {
        Recreate(source.width_, source.height_, source.pixelFormat_);
        GdiFlush();
        int stride = BytesPerScanLine();
        for (int row = 0; row < height_; ++row) {
            int from = source.topDown_ ? row : source.height_ - 1 - row;
            std::memcpy(static_cast<BYTE*>(bits_) + static_cast<ptrdiff_t>(height_ - 1 - row) * stride,
                        static_cast<const BYTE*>(source.bits_) + static_cast<ptrdiff_t>(from) * stride,
                        stride);
        }
    }
    transparent_ = source.transparent_;
    transparentColor_ = source.transparentColor_;
    Changed();
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(this);
    return *canvas_;
}

TColor TBitmap::TransparentColor() {
    if (transparentColor_ != clDefault) return transparentColor_;
    if (Empty()) return clDefault;
    return Canvas().Pixel(0, height_ - 1);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
    if (Empty()) return;
    HDC target = canvas.Handle();
    HDC source = Canvas().Handle();
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (transparent_) {
        TransparentBlt(target, rect.left, rect.top, width, height, source, 0, 0, width_, height_,
                       ColorToRGB(TransparentColor()));
    } else {
        int oldMode = SetStretchBltMode(target, COLORONCOLOR);
        StretchBlt(target, rect.left, rect.top, width, height, source, 0, 0, width_, height_,
                   canvas.CopyMode());
        SetStretchBltMode(target, oldMode);
    }
}

void TBitmap::Dormant() {
    if (canvas_) canvas_->FreeContext();
}

namespace {
[[noreturn]] void InvalidBitmap() {
    throw EInvalidGraphic("Bitmap image is not valid");
}
} // namespace

void TBitmap::LoadFromBmp(const BYTE* data, size_t size) {
    // Every size is checked before it is used: the file may be damaged or cut short.
    if (size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) InvalidBitmap();
    BITMAPFILEHEADER file;
    std::memcpy(&file, data, sizeof(file));
    if (file.bfType != 0x4D42) InvalidBitmap();
    const BYTE* infoStart = data + sizeof(file);
    size_t infoRoom = size - sizeof(file);
    BITMAPINFOHEADER header;
    std::memcpy(&header, infoStart, sizeof(header));
    if (header.biSize != sizeof(BITMAPINFOHEADER) && header.biSize != sizeof(BITMAPV4HEADER) &&
        header.biSize != sizeof(BITMAPV5HEADER))
        InvalidBitmap();
    if (header.biSize > infoRoom) InvalidBitmap();
    int width = header.biWidth, height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    int bits = header.biBitCount;
    if (width <= 0 || height <= 0 || width > 0x8000 || height > 0x8000 || header.biPlanes != 1)
        InvalidBitmap();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) InvalidBitmap();
    if (header.biCompression != BI_RGB &&
        !(header.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32)))
        InvalidBitmap();
    size_t masks = header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER) ? 12 : 0;
    size_t colors = bits <= 8 ? (header.biClrUsed ? header.biClrUsed : (1u << bits)) : header.biClrUsed;
    if (colors > 256) InvalidBitmap();
    size_t infoSize = header.biSize + masks + colors * sizeof(RGBQUAD);
    if (infoSize > infoRoom) InvalidBitmap();
    size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    size_t imageSize = stride * height;
    if (file.bfOffBits < sizeof(file) + infoSize || file.bfOffBits > size ||
        size - file.bfOffBits < imageSize)
        InvalidBitmap();

    // GDI converts the rows into a DIB section of one of our three depths.
    std::vector<BYTE> info(infoStart, infoStart + infoSize);
    reinterpret_cast<BITMAPINFOHEADER*>(info.data())->biSizeImage = 0;
    TPixelFormat format = bits == 1 ? pf1bit : bits == 24 ? pf24bit : pf32bit;
    void* pixels = nullptr;
    HBITMAP fresh = CreateDib(width, height, BitsOf(format), &pixels);
    if (format == pf1bit) {
        // Keep the file's two colours.
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, fresh);
        SetDIBColorTable(dc, 0, static_cast<UINT>(std::min<size_t>(colors, 2)),
                         reinterpret_cast<const RGBQUAD*>(info.data() + header.biSize));
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    HDC screen = GetDC(nullptr);
    int copied = SetDIBits(screen, fresh, 0, height, data + file.bfOffBits,
                           reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (copied != height) {
        DeleteObject(fresh);
        InvalidBitmap();
    }
    GdiFlush();
    if (canvas_) canvas_->FreeContext();
    if (handle_) DeleteObject(handle_);
    handle_ = fresh;
    bits_ = pixels;
    topDown_ = false;
    width_ = width;
    height_ = height;
    pixelFormat_ = format;
    Changed();
}

void TBitmap::LoadFromStream(TStream* stream) {
    // The file header says how long the file is; read no further than that.
    BITMAPFILEHEADER file{};
    int64_t start = stream->Position();
    if (stream->Read(&file, sizeof(file)) != sizeof(file) || file.bfType != 0x4D42 ||
        file.bfSize < sizeof(file) + sizeof(BITMAPINFOHEADER) ||
        static_cast<int64_t>(file.bfSize) > stream->Size() - start) {
        stream->SetPosition(start);
        InvalidBitmap();
    }
    std::vector<BYTE> data(file.bfSize);
    std::memcpy(data.data(), &file, sizeof(file));
    int rest = static_cast<int>(file.bfSize - sizeof(file));
    if (stream->Read(data.data() + sizeof(file), rest) != rest) InvalidBitmap();
    LoadFromBmp(data.data(), data.size());
}

void TBitmap::SaveToStream(TStream* stream) {
    if (Empty()) return;
    GdiFlush();
    int bits = BitsOf(pixelFormat_);
    RGBQUAD colors[2] = {};
    int colorCount = 0;
    if (bits == 1) {
        colorCount = 2;
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, handle_);
        GetDIBColorTable(dc, 0, 2, colors);
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    int stride = BytesPerScanLine();
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width_;
    header.biHeight = height_;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bits);
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(stride * height_);
    header.biClrUsed = static_cast<DWORD>(colorCount);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = static_cast<DWORD>(sizeof(file) + sizeof(header) + colorCount * sizeof(RGBQUAD));
    file.bfSize = file.bfOffBits + header.biSizeImage;
    stream->WriteBuffer(&file, sizeof(file));
    stream->WriteBuffer(&header, sizeof(header));
    if (colorCount) stream->WriteBuffer(colors, colorCount * static_cast<int>(sizeof(RGBQUAD)));
    for (int row = height_ - 1; row >= 0; --row)
        stream->WriteBuffer(ScanLine(row), stride);
}

void TBitmap::ReadData(TStream* stream) {
    int32_t count = 0;
    stream->ReadBuffer(&count, sizeof(count));
    if (count < 0) InvalidBitmap();
    if (count == 0) {
        if (canvas_) canvas_->FreeContext();
        if (handle_) DeleteObject(handle_);
        handle_ = nullptr;
        bits_ = nullptr;
        width_ = height_ = 0;
        Changed();
        return;
    }
    // The count bounds the file: take exactly that many bytes, whatever the file header claims.
    if (count > stream->Size() - stream->Position()) InvalidBitmap();
    std::vector<BYTE> data(static_cast<size_t>(count));
    if (stream->Read(data.data(), count) != count) InvalidBitmap();
    BITMAPFILEHEADER file{};
    if (data.size() >= sizeof(file)) std::memcpy(&file, data.data(), sizeof(file));
    LoadFromBmp(data.data(), std::min<size_t>(data.size(), file.bfSize));
}

void TBitmap::WriteData(TStream* stream) {
    TMemoryStream file;
    SaveToStream(&file);
    int32_t count = static_cast<int32_t>(file.Size());
    stream->WriteBuffer(&count, sizeof(count));
    if (count) stream->WriteBuffer(file.Memory(), count);
}

TBitmapCanvas::~TBitmapCanvas() {
    FreeContext();
}

void TBitmapCanvas::CreateHandle() {
    if (!bitmap_->handle_) return;
    memoryDC_ = CreateCompatibleDC(nullptr);
    oldBitmap_ = SelectObject(memoryDC_, bitmap_->handle_);
    SetHandle(memoryDC_);
}

void TBitmapCanvas::FreeContext() {
    if (!memoryDC_) return;
    SetHandle(nullptr);
    SelectObject(memoryDC_, oldBitmap_);
    DeleteDC(memoryDC_);
    memoryDC_ = nullptr;
    oldBitmap_ = nullptr;
}
