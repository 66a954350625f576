#include "ui/core/PainterResources.h"

#include <algorithm>

#include "ui/core/GraphicsRoutines.h"
#include "ui/core/Office11Colors.h"
#include "ui/core/UltraFlatPainters.h"

namespace {

std::unique_ptr<TcxRadioButtonImageList> radioImages;
std::unique_ptr<TImageList> indicatorImages;
std::unique_ptr<TBitmap> scrollBarPatterns[2];

const char* const IndicatorResourceNames[] = {"CX_ARROWBITMAP",    "CX_EDITBITMAP",       "CX_INSERTBITMAP",
                                              "CX_MULTIDOTBITMAP", "CX_MULTIARROWBITMAP", "CX_FILTERBITMAP"};

// Regenerates the radio-button images when the system colours change.
class TSystemPaletteChangedNotifier : public TcxSystemPaletteChangedNotifier {
public:
    VZ_CLASS(TSystemPaletteChangedNotifier, TcxSystemPaletteChangedNotifier)
    TSystemPaletteChangedNotifier() : TcxSystemPaletteChangedNotifier(true) {}
    void FireChanged() override {
        if (radioImages) radioImages->Regenerate();
        TcxSystemPaletteChangedNotifier::FireChanged();
    }
};
std::unique_ptr<TSystemPaletteChangedNotifier> primaryNotifier;

// A black cell of the check-box size with a frame control drawn into it by the system.
std::unique_ptr<TBitmap> SystemRadioCell(TSize cell, UINT state) {
    auto bitmap = std::make_unique<TBitmap>(cell.cx, cell.cy, pf32bit);
    TCanvas& canvas = bitmap->Canvas();
    canvas.Brush().SetColor(clBlack);
    canvas.FillRect(Rect(0, 0, cell.cx, cell.cy));
    RECT r{0, 0, cell.cx, cell.cy};
    DrawFrameControl(canvas.Handle(), &r, DFC_BUTTON, state);
    return bitmap;
}

COLORREF PixelOf(TBitmap& bitmap, int x, int y) {
    return static_cast<COLORREF>(bitmap.Canvas().Pixel(x, y)) & 0xFFFFFF;
}

bool BelowDiagonal(int x, int y, int width, int height) {
    return (height - 1) * (width - 1 - x) < y * (width - 1);
}

bool OnDiagonal(int x, int y, int width, int height) {
    return (height - 1) * (width - 1 - x) == y * (width - 1);
}

} // namespace

// ---------------------------------------------------------------------------------------------

TRect TcxRadioButtonImageList::MeasureRadio(TSize cell) {
    auto mask = SystemRadioCell(cell, DFCS_BUTTONRADIOMASK | DFCS_FLAT);
    int left = -1, right = -1, top = -1, bottom = -1;
    for (int x = 0; x < cell.cx; ++x)
        for (int y = 0; y < cell.cy; ++y)
            if (PixelOf(*mask, x, y) == 0) {
                if (left < 0) left = x;
                right = x + 1;
                break;
            }
    for (int y = 0; y < cell.cy; ++y)
        for (int x = 0; x < cell.cx; ++x)
            if (PixelOf(*mask, x, y) == 0) {
                if (top < 0) top = y;
                bottom = y + 1;
                break;
            }
    if (left < 0 || top < 0) return Rect(0, 0, cell.cx, cell.cy);
    return Rect(left, top, right, bottom);
}

TRect TcxRadioButtonImageList::FindDot(TBitmap& checkedCell, const TRect& box, COLORREF textColor) {
    // Where the system leaves the radio's inside unfilled the runs would go on past the cell.
    auto isDot = [&](int x, int y) { return PixelOf(checkedCell, x, y) == textColor; };
    const int x0 = box.left, y0 = box.top, x1 = box.right, y1 = box.bottom;
    const int w = x1 - x0, h = y1 - y0;
    int sx = x0 + w / 2 - 1, sy = y0 + h / 2 - 2;
    int hx = x0 + w / 2 - 2, hy = y0 + h / 2 - 1;
    auto inBox = [&](int x, int y) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
    if (!inBox(sx, sy) || !inBox(hx, hy)) return Rect(0, 0, 0, 0);
    if (!isDot(sx, sy) || !isDot(hx, hy)) {
        // A smaller dot than the start points assume (Wine draws 4 x 4): scan through the centre.
        sx = hx = x0 + w / 2;
        sy = hy = y0 + h / 2;
        if (!isDot(sx, sy)) return Rect(0, 0, 0, 0);
    }
    int top = sy;
    while (top - 1 >= y0 && isDot(sx, top - 1))
        --top;
    int bottom = top;
    while (bottom + 1 < y1 && isDot(sx, bottom + 1))
        ++bottom;
    int left = hx;
    while (left - 1 >= x0 && isDot(left - 1, hy))
        --left;
    int right = left;
    while (right + 1 < x1 && isDot(right + 1, hy))
        ++right;
    return Rect(left, top, right + 1, bottom + 1);
}

TcxRadioButtonImageList::TcxRadioButtonImageList() {
    TSize cell = MeasureSystemCheckBoxSize();
    TRect box = MeasureRadio(cell);
    origin_ = Point(box.left, box.top);
    width_ = box.right - box.left;
    height_ = box.bottom - box.top;

    auto checked = SystemRadioCell(cell, DFCS_BUTTONRADIOIMAGE | DFCS_CHECKED | DFCS_FLAT);
    dot_ = FindDot(*checked, box, GetSysColor(COLOR_WINDOWTEXT) & 0xFFFFFF);

    BuildPattern();
    opaqueMask_ = std::make_unique<TBitmap>(width_, height_, pf1bit);
    {
        TCanvas& canvas = opaqueMask_->Canvas();
        canvas.Brush().SetColor(clWhite);
        canvas.FillRect(Rect(0, 0, width_, height_));
        canvas.Brush().SetColor(clBlack);
        canvas.Pen().SetColor(clBlack);
        canvas.RequiredState(false, true, true);
        RoundRect(canvas.Handle(), 0, 0, width_, height_, width_ - 1, height_ - 1);
    }
    images_ = std::make_unique<TImageList>(width_, height_);
    indexMap_.assign(128, -1);
    AddImages();
}

TcxRadioButtonImageList::~TcxRadioButtonImageList() = default;

void TcxRadioButtonImageList::BuildPattern() {
    const int w = width_, h = height_;
    pattern_.assign(static_cast<size_t>(w) * h, rpNone);
    auto at = [&](int x, int y) -> uint8_t& { return pattern_[static_cast<size_t>(y) * w + x]; };

    // The outer ring: the outline of a round rectangle over the whole box.
    TBitmap ring(w, h, pf32bit);
    TCanvas& canvas = ring.Canvas();
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect(Rect(0, 0, w, h));
    canvas.Pen().SetColor(clBlack);
    HGDIOBJ oldBrush = SelectObject(canvas.Handle(), GetStockObject(NULL_BRUSH));
    canvas.RequiredState(false, true, false);
    RoundRect(canvas.Handle(), 0, 0, w, h, w - 1, h - 1);
    SelectObject(canvas.Handle(), oldBrush);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (PixelOf(ring, x, y) == 0) at(x, y) = BelowDiagonal(x, y, w, h) ? rpOuterBottom : rpOuterTop;

    // The body: from the middle column outwards until the ring.
    const int middle = w / 2;
    for (int y = 1; y <= h - 2; ++y) {
        for (int x = middle; x >= 0 && at(x, y) == rpNone; --x)
            at(x, y) = rpBody;
        for (int x = middle + 1; x < w && at(x, y) == rpNone; ++x)
            at(x, y) = rpBody;
    }

    // The inner ring: the body's edge, row-wise and column-wise, on the body as it was.
    std::vector<uint8_t> body = pattern_;
    auto isBody = [&](int x, int y) { return body[static_cast<size_t>(y) * w + x] == rpBody; };
    auto innerRing = [&](int x, int y) {
        if (OnDiagonal(x, y, w, h))
            at(x, y) = x > w / 2 - 1 ? rpInnerBottom : rpInnerTop;
        else
            at(x, y) = BelowDiagonal(x, y, w, h) ? rpInnerBottom : rpInnerTop;
    };
    std::vector<int> rows, columns;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (isBody(x, y)) {
                rows.push_back(y);
                break;
            }
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y)
            if (isBody(x, y)) {
                columns.push_back(x);
                break;
            }
    for (int y : rows) {
        bool edgeRow = y == rows.front() || y == rows.back();
        int first = -1, last = -1;
        for (int x = 0; x < w; ++x)
            if (isBody(x, y)) {
                if (first < 0) first = x;
                last = x;
                if (edgeRow) innerRing(x, y);
            }
        innerRing(first, y);
        innerRing(last, y);
    }
    for (int x : columns) {
        bool edgeColumn = x == columns.front() || x == columns.back();
        int first = -1, last = -1;
        for (int y = 0; y < h; ++y)
            if (isBody(x, y)) {
                if (first < 0) first = y;
                last = y;
                if (edgeColumn) innerRing(x, y);
            }
        innerRing(x, first);
        innerRing(x, last);
    }

    // The dot, in the box's own coordinates.
    if (dot_.right > dot_.left && dot_.bottom > dot_.top) {
        TRect dot = dot_;
        OffsetRect(&dot, -origin_.x, -origin_.y);
        canvas.Brush().SetColor(clWhite);
        canvas.FillRect(Rect(0, 0, w, h));
        canvas.Brush().SetColor(clBlack);
        canvas.RequiredState(false, true, true);
        RoundRect(canvas.Handle(), dot.left, dot.top, dot.right, dot.bottom, dot.right - dot.left - 1,
                  dot.bottom - dot.top - 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (PixelOf(ring, x, y) == 0) at(x, y) = rpDot;
    }
}

TColor TcxRadioButtonImageList::MapColor(uint8_t code, TcxLookAndFeelKind kind, TcxButtonPaintState state,
                                         bool checked, bool flagB, bool flagA) const {
    const bool disabled = state == bpsDisabled;
    TColor body;
    switch (kind) {
    case lfOffice11:
        body =
            state == bpsNormal ? clWindow : TcxOffice11LookAndFeelPainter::Painter()->GetButtonColor(state);
        break;
    case lfUltraFlat:
        body = disabled              ? clBtnFace
               : state == bpsHot     ? GetLightPressedSelectionColor()
               : state == bpsPressed ? GetLightSelectionColor()
                                     : clWindow;
        break;
    default:
        body = disabled || state == bpsPressed ? clBtnFace : clWindow;
        break;
    }
    const bool highlighted = flagB || state == bpsHot || state == bpsPressed || (flagA && !disabled);
    switch (code) {
    case rpBody:
        return body;
    case rpDot:
        if (!checked) return body;
        if (disabled) return kind == lfOffice11 ? Office11DisabledTextColor : clBtnShadow;
        return clWindowText;
    case rpOuterTop:
    case rpOuterBottom:
        switch (kind) {
        case lfFlat:
        case lfStandard:
            return code == rpOuterTop ? clBtnShadow : clBtnHighlight;
        case lfUltraFlat:
            return highlighted ? clHighlight : clBtnShadow;
        default:
            return disabled      ? Office11DisabledTextColor
                   : highlighted ? Office11SelectedBorderColor
                                 : clBtnText;
        }
    case rpInnerTop:
    case rpInnerBottom:
        switch (kind) {
        case lfFlat:
            return cl3DLight;
        case lfStandard:
            return code == rpInnerTop ? cl3DDkShadow : cl3DLight;
        default:
            return body;
        }
    default:
        return clNone;
    }
}

int TcxRadioButtonImageList::ImageIndex(TcxLookAndFeelKind kind, TcxButtonPaintState state, bool checked,
                                        bool flagB, bool flagA) const {
    if (state == bpsDefault) state = bpsNormal;
    return indexMap_[state + 8 * kind + 4 * checked + 32 * flagA + 64 * flagB - 1];
}

void TcxRadioButtonImageList::AddImages() {
    TBitmap image(width_, height_, pf32bit);
    for (int flagB = 0; flagB <= 1; ++flagB)
        for (int flagA = 0; flagA <= 1; ++flagA)
            for (int kind = lfFlat; kind <= lfOffice11; ++kind)
                for (int checked = 0; checked <= 1; ++checked)
                    for (int state = bpsNormal; state <= bpsDisabled; ++state) {
                        RGBQUAD colors[7]{};
                        for (uint8_t code = rpOuterTop; code <= rpDot; ++code)
                            colors[code] = ColorToRGBQuad(
                                MapColor(code, static_cast<TcxLookAndFeelKind>(kind),
                                         static_cast<TcxButtonPaintState>(state), checked, flagB, flagA));
                        TRGBColors pixels(pattern_.size());
                        for (size_t i = 0; i < pattern_.size(); ++i)
                            pixels[i] = colors[pattern_[i]];
                        WriteBitmapPixels(&image, pixels, true);
                        indexMap_[state + 8 * kind + 4 * checked + 32 * flagA + 64 * flagB - 1] =
                            images_->Add(&image, opaqueMask_.get());
                    }
}

void TcxRadioButtonImageList::Regenerate() {
    images_->Clear();
    AddImages();
}

void TcxRadioButtonImageList::PaintImage(TcxCanvas* canvas, int x, int y, TColor brushColor,
                                         TcxLookAndFeelKind kind, TcxButtonPaintState state, bool checked,
                                         bool flagB, bool flagA) {
    int index = ImageIndex(kind, state, checked, flagB, flagA);
    if (brushColor == clDefault) {
        images_->Draw(*canvas->Canvas(), x, y, index);
        return;
    }
    TBitmap buffer(width_, height_, pf32bit);
    buffer.Canvas().Brush().SetColor(brushColor);
    buffer.Canvas().FillRect(Rect(0, 0, width_, height_));
    images_->Draw(buffer.Canvas(), 0, 0, index);
    canvas->Canvas()->Draw(x, y, buffer);
}

// ---------------------------------------------------------------------------------------------

TcxRadioButtonImageList* GetRadioButtonImages(bool create) {
    if (!radioImages && create) radioImages = std::make_unique<TcxRadioButtonImageList>();
    return radioImages.get();
}

TSize MeasureSystemCheckBoxSize() {
    HBITMAP checkBoxes = LoadBitmapA(nullptr, MAKEINTRESOURCEA(32759)); // OBM_CHECKBOXES
    BITMAP info{};
    TSize size{13, 13};
    if (checkBoxes && GetObjectA(checkBoxes, sizeof(info), &info))
        size = TSize{info.bmWidth / 4, info.bmHeight / 3};
    if (checkBoxes) DeleteObject(checkBoxes);
    return size;
}

void UpdateScrollBarPatterns() {
    const TColor colors[2][2] = {{clBtnFace, clBtnHighlight}, {clBlack, cl3DDkShadow}};
    for (int i = 0; i < 2; ++i) {
        if (!scrollBarPatterns[i]) scrollBarPatterns[i] = std::make_unique<TBitmap>(8, 8, pf32bit);
        TCanvas& canvas = scrollBarPatterns[i]->Canvas();
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                canvas.SetPixel(x, y, colors[i][(x + y) % 2]);
        PainterResources().ScrollBarPatterns[i] = scrollBarPatterns[i].get();
    }
}

void PainterResourcesInitialize() {
    CreateStylePainterRegistry();

    indicatorImages.reset();
    for (const char* name : IndicatorResourceNames) {
        TBitmap glyph;
        glyph.LoadFromResourceName(GetModuleHandleA(nullptr), name);
        if (!indicatorImages) indicatorImages = std::make_unique<TImageList>(glyph.Width(), glyph.Height());
        indicatorImages->AddMasked(&glyph, clWhite);
    }
    PainterResources().IndicatorImages = indicatorImages.get();

    UpdateScrollBarPatterns();
    primaryNotifier = std::make_unique<TSystemPaletteChangedNotifier>();

    TSize checkBox = MeasureSystemCheckBoxSize();
    PainterResources().CheckBoxSize = checkBox;
    TRect radio = TcxRadioButtonImageList::MeasureRadio(checkBox);
    PainterResources().RadioButtonSize = TSize{radio.right - radio.left, radio.bottom - radio.top};
    PainterResources().PaintRadioButtonImage = [](TcxCanvas* canvas, int x, int y, TColor brushColor,
                                                  TcxLookAndFeelKind kind, TcxButtonPaintState state,
                                                  bool checked, bool flagB, bool flagA) {
        GetRadioButtonImages()->PaintImage(canvas, x, y, brushColor, kind, state, checked, flagB, flagA);
    };
}

void PainterResourcesFinalize() {
    TcxPainterResources& resources = PainterResources();
    resources.PaintRadioButtonImage = nullptr;
    primaryNotifier.reset();
    resources.ScrollBarPatterns[0] = resources.ScrollBarPatterns[1] = nullptr;
    scrollBarPatterns[0].reset();
    scrollBarPatterns[1].reset();
    resources.IndicatorImages = nullptr;
    indicatorImages.reset();
    radioImages.reset();
    FreeStylePainterRegistry();
}
