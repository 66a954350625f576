#include "ui/editors/ProgressBarViewInfo.h"

#include <algorithm>

#include "ui/core/Geometry.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/core/Office11Colors.h"
#include "ui/core/ThemeBinding.h"
#include "ui/core/ThemeManager.h"
#include "ui/editors/framework/Edit.h"

namespace {
constexpr unsigned StepInterval = 30;
// Parts of the themed "Progress" class.
constexpr int ProgressPartBar = 1, ProgressPartBarVert = 2, ProgressPartChunk = 3, ProgressPartChunkVert = 4;
// How far the themed chunk's leading edge lies outside its one-pixel line, so that the line
// shows the chunk's body.
constexpr int ChunkEdgeOutside = 4;

// The part of a bar's length a value takes, kept inside [0, 1] (NaN as 0).
double BarFraction(double value, double range) {
    const double fraction = value / range;
    if (!(fraction > 0)) return 0;
    return fraction > 1 ? 1 : fraction;
}

// The content cut to a value: from the left, or from the bottom for a vertical bar.
TRect CutToValue(const TRect& content, bool vertical, double value, double range) {
    TRect r = content;
    const double fraction = BarFraction(value, range);
    if (vertical)
        r.top += static_cast<int>(GetRectHeight(content) * (1 - fraction));
    else
        r.right = r.left + static_cast<int>(fraction * GetRectWidth(content));
    return r;
}

TRect MoveAlong(const TRect& r, TcxProgressBarOrientation orientation, int offset) {
    return orientation == cxorHorizontal ? ShiftRect(r, offset, 0) : ShiftRect(r, 0, offset);
}

} // namespace

TcxCustomProgressBarViewInfo::TcxCustomProgressBarViewInfo()
    : foregroundImage_(std::make_unique<TBitmap>()), bufferBitmap_(std::make_unique<TcxBitmap>()),
      textMask_(std::make_unique<TBitmap>()) {}

TcxCustomProgressBarViewInfo::~TcxCustomProgressBarViewInfo() = default;

void TcxCustomProgressBarViewInfo::SetAnimationPath(TcxProgressBarAnimationPath value) {
    if (animationPath_ == value) return;
    animationPath_ = value;
    StartAnimation();
}

void TcxCustomProgressBarViewInfo::SetMarquee(bool value) {
    if (marquee_ == value) return;
    marquee_ = value;
    StartAnimation();
}

void TcxCustomProgressBarViewInfo::SetOrientation(TcxProgressBarOrientation value) {
    if (orientation_ == value) return;
    orientation_ = value;
    StartAnimation();
}

void TcxCustomProgressBarViewInfo::SetBarStyle(TcxProgressBarBarStyle value) {
    if (barStyle_ == value) return;
    barStyle_ = value;
    StartAnimation();
}

void TcxCustomProgressBarViewInfo::SetAnimationSpeed(unsigned value) {
    if (animationSpeed_ == value) return;
    animationSpeed_ = value;
    if (stepTimer_) {
        stepTimer_->SetInterval(StepInterval);
        if (value == 0) StopAnimation();
    } else if (value > 0) {
        StartAnimation();
    }
}

void TcxCustomProgressBarViewInfo::ApplyLayout(const TcxProgressBarLayout& layout, bool positionChangedOnly) {
    OverloadVisible = layout.OverloadVisible;
    PeakVisible = layout.PeakVisible;
    BandRect = layout.Band;
    TcxProgressBarLayout shown;
    shown.Track = TrackRect;
    shown.Filled = FilledRect;
    shown.Overload = OverloadRect;
    shown.Peak = PeakRect;
    if (!ProgressBarLayoutChanged(shown, layout, positionChangedOnly)) {
        LayoutChanged = false;
        return;
    }
    FilledRect = layout.Filled;
    if (!SameRects(TrackRect, layout.Track)) {
        TrackRect = layout.Track;
        TrackChanged = true;
    }
    OverloadRect = layout.Overload;
    PeakRect = layout.Peak;
    LayoutChanged = true;
}

int TcxCustomProgressBarViewInfo::LEDLength() const {
    return ProgressBarLEDLength(FilledRect, orientation_, barStyle_, foregroundImage_->Width(),
                                foregroundImage_->Height());
}

bool TcxCustomProgressBarViewInfo::AnimationActive() const {
    return (IsAnimationStyle(barStyle_) || marquee_) && animationSpeed_ > 0 && !DesignMode && !InplaceMode;
}

AnsiString TcxCustomProgressBarViewInfo::GetProgressText() const {
    return ProgressBarText({ShowTextStyle, marquee_, Position, Min, Max, Text});
}

void TcxCustomProgressBarViewInfo::Offset(int dx, int dy) {
    TcxCustomTextEditViewInfo::Offset(dx, dy);
    TrackRect = ShiftRect(TrackRect, dx, dy);
    FilledRect = ShiftRect(FilledRect, dx, dy);
    OverloadRect = ShiftRect(OverloadRect, dx, dy);
    PeakRect = ShiftRect(PeakRect, dx, dy);
}

TRect TcxCustomProgressBarViewInfo::TrackInBuffer() const {
    if (InplaceMode) return MakeRect(0, 0, GetRectWidth(TrackRect), GetRectHeight(TrackRect));
    return TrackRect;
}

TRect TcxCustomProgressBarViewInfo::TextArea() const {
    if (paintingSkinned_) return ShiftRect(TrackRect, -OuterRect.left, -OuterRect.top);
    return TrackInBuffer();
}

TColor TcxCustomProgressBarViewInfo::PainterTextColor() const {
    if (!SkinPainter) return clNone;
    const TColor color = SkinPainter->GetProgressTextColor();
    // clDefault is a painter's way of saying it has no colour of its own.
    return color == clDefault ? clNone : color;
}

// ---------------------------------------------------------------------------------------------
void TcxCustomProgressBarViewInfo::DrawBackgroundAndFrame(TcxCanvas& canvas) {
    DrawEditBackground(canvas, this, true, 0);
}

void TcxCustomProgressBarViewInfo::Paint(TcxCanvas& canvas) {
    if (TrackChanged || bufferBitmap_->Empty()) {
        // Standalone the buffer holds the track at its own place, so that it can be copied from there.
        const TRect t = TrackInBuffer();
        bufferBitmap_->SetSize(std::max<int>(0, t.right), std::max<int>(0, t.bottom));
        TrackChanged = false;
    }
    if (bufferBitmap_->Empty()) return;
    if (SkinPainter) {
        PaintSkinned(canvas);
        return;
    }
    if (!ProgressTheme() && !(InplaceMode && DrawTransparent)) DrawBackgroundAndFrame(canvas);
    PaintProgressBar(canvas);
}

bool TcxCustomProgressBarViewInfo::RepaintChanges(TWinControl* control, const TRect& innerRect,
                                                  TcxContainerViewInfo* old) {
    if (!old && !LayoutChanged && (!ShowText || GetProgressText().empty())) return false;
    return TcxCustomTextEditViewInfo::RepaintChanges(control, innerRect, old);
}

HTHEME TcxCustomProgressBarViewInfo::ProgressTheme() const {
    return NativeLook ? OpenCachedTheme(totProgress) : nullptr;
}

TBitmap* TcxCustomProgressBarViewInfo::ThemeChunkLine(HTHEME theme, const TRect& fill) {
    const bool horizontal = orientation_ == cxorHorizontal;
    const int width = horizontal ? 1 : GetRectWidth(fill);
    const int height = horizontal ? GetRectHeight(fill) : 1;
    if (width <= 0 || height <= 0) return nullptr;
    if (themeChunkBitmap_ && themeChunkBitmap_->Width() == width && themeChunkBitmap_->Height() == height)
        return themeChunkBitmap_.get();
    themeChunkBitmap_ = std::make_unique<TBitmap>(width, height);
    // The chunk's leading edge (its right end, or its top for a vertical bar) lies outside the line.
    const RECT chunk = horizontal ? RECT{0, 0, 1 + ChunkEdgeOutside, height} : RECT{0, -ChunkEdgeOutside, width, 1};
    dxUxTheme::DrawThemeBackground(theme, themeChunkBitmap_->Canvas().Handle(),
                                   horizontal ? ProgressPartChunk : ProgressPartChunkVert, 1, &chunk, nullptr);
    return themeChunkBitmap_.get();
}

void TcxCustomProgressBarViewInfo::PaintTrack(TcxCanvas& destination, TcxCanvas& buffer, const TRect& track) {
    if (DrawTransparent) {
        if (InplaceMode) {
            BitBlt(buffer.Handle(), 0, 0, GetRectWidth(track), GetRectHeight(track), destination.Handle(),
                   TrackRect.left, TrackRect.top, SRCCOPY);
        } else if (Editor) {
            PaintBackgroundBehindControl(Editor, buffer, track, false);
        }
    } else if (!IsAnimationStyle(barStyle_)) {
        buffer.FillRectColor(track, FillColor);
    }
    const HTHEME theme = ProgressTheme();
    if (theme && !InplaceMode && !DrawTransparent) {
        const RECT r = track;
        dxUxTheme::DrawThemeBackground(theme, buffer.Handle(),
                                       orientation_ == cxorHorizontal ? ProgressPartBar : ProgressPartBarVert, 1, &r,
                                       nullptr);
    }
    if (IsAnimationStyle(barStyle_)) {
        if (theme)
            buffer.ApplyClipRegion(TcxRegion::CreateFromHandle(
                                       CreateRoundRectRgn(track.left, track.top, track.right, track.bottom, 2, 2)),
                                   rcmIntersect, false);
        if (!DrawTransparent) PaintGlass(buffer, track, false, ColorToRGB(FillColor));
    }
}

void TcxCustomProgressBarViewInfo::PaintProgressBar(TcxCanvas& canvas) {
    TcxCanvas& buffer = *bufferBitmap_->cxCanvas();

    const TPoint origin = InplaceMode ? TPoint{TrackRect.left, TrackRect.top} : TPoint{0, 0};
    TRect f = ShiftRect(FilledRect, -origin.x, -origin.y);
    TRect o = ShiftRect(OverloadRect, -origin.x, -origin.y);
    TRect p = ShiftRect(PeakRect, -origin.x, -origin.y);
    TRect a = ShiftRect(MoveAlong(BandRect, orientation_, band_.Offset), -origin.x, -origin.y);
    const TRect t = TrackInBuffer();
    const bool horizontal = orientation_ == cxorHorizontal;
    const bool leds = IsLEDStyle(barStyle_);
    const int led = LEDLength();
    if (leds && OverloadVisible && led > 0) {
        if (horizontal) {
            const int cut = GetRectWidth(f) % led;
            f.right -= cut;
            o.left -= cut;
        } else {
            const int cut = GetRectHeight(f) % led;
            f.top += cut;
            o.bottom += cut;
        }
    }
    TRect u = f;
    if (OverloadVisible)
        u = horizontal ? MakeRect(f.left, f.top, o.right, o.bottom) : MakeRect(o.left, o.top, f.right, f.bottom);

    buffer.PushClipRegion();
    PaintTrack(canvas, buffer, t);

    const HTHEME theme = ProgressTheme();
    const TRect all = MakeRect(0, 0, bufferBitmap_->Width(), bufferBitmap_->Height());
    auto clipTo = [&](const TRect& area) {
        if (IsAnimationStyle(barStyle_) && theme) {
            // Only the ends along the bar are cut, so that the round corners stay.
            if (horizontal) {
                buffer.ExcludeFromClip(MakeRect(all.left, all.top, area.left, all.bottom));
                buffer.ExcludeFromClip(MakeRect(area.right, all.top, all.right, all.bottom));
            } else {
                buffer.ExcludeFromClip(MakeRect(all.left, all.top, all.right, area.top));
                buffer.ExcludeFromClip(MakeRect(all.left, area.bottom, all.right, all.bottom));
            }
        } else {
            buffer.IntersectClip(area);
        }
        if (leds)
            for (const TRect& gap : ProgressBarLEDGaps(area, led, orientation_)) buffer.ExcludeFromClip(gap);
    };
    clipTo(u);
    if (marquee_ && !InplaceMode) {
        clipTo(a);
        u = a;
    }

    const bool themedChunk = theme && barStyle_ <= cxbsGradientLEDs;
    if (themedChunk) {
        if (TBitmap* line = ThemeChunkLine(theme, f))
            StretchBlt(buffer.Handle(), f.left, f.top, GetRectWidth(f), GetRectHeight(f), line->Canvas().Handle(), 0, 0,
                       line->Width(), line->Height(), SRCCOPY);
    } else {
        PaintBarStyle(buffer, f, o, t, u, a);
    }
    if (barStyle_ <= cxbsGradientLEDs && !leds) DrawBevel(buffer, u);
    if (leds) DrawLEDBevels(buffer, u, led);
    if (!IsAnimationStyle(barStyle_) && PeakVisible) {
        buffer.ApplyClipRegion(TcxRegion::CreateFromRect(p), rcmAdd, false);
        buffer.FillRectColor(p, PeakColor);
    }
    buffer.PopClipRegion();

    DrawProgressText(buffer);
    // Only the track: the buffer holds it at t, the destination gets it at the track's place.
    BitBlt(canvas.Handle(), TrackRect.left, TrackRect.top, GetRectWidth(t), GetRectHeight(t), buffer.Handle(), t.left,
           t.top, SRCCOPY);
}

void TcxCustomProgressBarViewInfo::PaintSkinned(TcxCanvas& canvas) {
    const int width = GetRectWidth(OuterRect), height = GetRectHeight(OuterRect);
    if (width <= 0 || height <= 0) return;
    if (!skinBitmap_) skinBitmap_ = std::make_unique<TcxBitmap>();
    if (skinBitmap_->Width() != width || skinBitmap_->Height() != height) skinBitmap_->SetSize(width, height);
    TcxCanvas& bitmap = *skinBitmap_->cxCanvas();
    const TRect b = MakeRect(0, 0, width, height);
    if (InplaceMode || !Editor)
        bitmap.FillRectColor(b, FillColor);
    else
        PaintBackgroundBehindControl(Editor, bitmap, b, false);

    const bool vertical = orientation_ == cxorVertical;
    const TRect borders = SkinPainter->GetProgressBorders(vertical);
    const TRect k = MakeRect(b.left + borders.left, b.top + borders.top, b.right - borders.right,
                             b.bottom - borders.bottom);
    const double range = Range();
    TRect fill;
    if (!marquee_ || InplaceMode)
        fill = CutToValue(k, vertical, Value(), range);
    else
        fill = ShiftRect(MoveAlong(BandRect, orientation_, band_.Offset), -OuterRect.left, -OuterRect.top);

    SkinPainter->PaintProgressFrame(&bitmap, b, vertical);
    bitmap.PushClipRegion();
    bitmap.IntersectClip(k);
    SkinPainter->PaintProgressChunk(&bitmap, fill, vertical);
    if (OverloadVisible) {
        // Past the threshold up to the fill's end: right of it, or above it for a vertical bar.
        const TRect threshold = CutToValue(k, vertical, OverloadValue - Min, range);
        TRect over = fill;
        if (vertical)
            over.bottom = std::min(fill.bottom, threshold.top);
        else
            over.left = std::max(fill.left, threshold.right);
        if (!IsEmptyRect(over)) bitmap.InvertRectArea(over);
    }
    bitmap.PopClipRegion();

    paintingSkinned_ = true;
    DrawProgressText(bitmap);
    paintingSkinned_ = false;
    BitBlt(canvas.Handle(), OuterRect.left, OuterRect.top, width, height, bitmap.Handle(), 0, 0, SRCCOPY);
}

void TcxCustomProgressBarViewInfo::PaintBarStyle(TcxCanvas& buffer, const TRect& f, const TRect& o, const TRect& t,
                                                 const TRect& u, const TRect& a) {
    const bool horizontal = orientation_ == cxorHorizontal;
    switch (barStyle_) {
    case cxbsSolid:
    case cxbsLEDs:
        buffer.FillRectColor(f, BeginColor);
        if (OverloadVisible) buffer.FillRectColor(o, OverloadBeginColor);
        break;
    case cxbsGradient:
    case cxbsGradientLEDs:
        if (horizontal)
            PaintGradient(buffer.Handle(), t, BeginColor, EndColor, true);
        else
            PaintGradient(buffer.Handle(), t, EndColor, BeginColor, false);
        if (OverloadVisible) {
            const TRect over = MakeRect(o.left, t.top, t.right, o.bottom);
            if (horizontal)
                PaintGradient(buffer.Handle(), over, OverloadBeginColor, OverloadEndColor, true);
            else
                PaintGradient(buffer.Handle(), over, OverloadEndColor, OverloadBeginColor, false);
        }
        break;
    case cxbsBitmap:
    case cxbsBitmapLEDs:
        if (!foregroundImage_->Empty()) buffer.FillRectWithBitmap(u, foregroundImage_.get());
        break;
    case cxbsAnimation:
    case cxbsAnimationLEDs:
        if (!(marquee_ && DesignMode)) PaintGlass(buffer, u, true, BeginColor);
        if (!marquee_) PaintAnimatedBand(buffer, a, u);
        break;
    }
}

void TcxCustomProgressBarViewInfo::DrawBevel(TcxCanvas& canvas, const TRect& r) {
    if (BarBevelOuter == cxbvNone) return;
    const UINT edge = BarBevelOuter == cxbvLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER;
    TRect rect = r;
    DrawEdge(canvas.Handle(), &rect, edge, BF_LEFT | BF_TOP);
    rect = r;
    DrawEdge(canvas.Handle(), &rect, edge, BF_RIGHT | BF_BOTTOM);
}

void TcxCustomProgressBarViewInfo::DrawLEDBevels(TcxCanvas& canvas, const TRect& fill, int ledLength) {
    if (BarBevelOuter == cxbvNone) return;
    for (const TRect& cell : ProgressBarLEDCells(fill, ledLength, orientation_)) DrawBevel(canvas, cell);
}

void TcxCustomProgressBarViewInfo::PaintGlass(TcxCanvas& canvas, const TRect& r, bool bar, TColor color) {
    canvas.FillRectColor(r, color);
    for (const TcxGlassStrip& strip : ProgressBarGlassStrips(r, bar, color, orientation_))
        if (!IsEmptyRect(strip.Rect)) PaintGradient(canvas.Handle(), strip.Rect, strip.From, strip.To, strip.Horizontal);
}

void TcxCustomProgressBarViewInfo::PaintAnimatedBand(TcxCanvas& canvas, const TRect& band, const TRect& fill) {
    if (!AnimationActive()) {
        StopAnimation();
        return;
    }
    if (!stepTimer_) {
        if (animationSpeed_ > 0) StartAnimation();
        return;
    }
    const HDC dc = canvas.Handle();
    const int half = GetBandLength() / 2;
    auto lighten = [](COLORREF pixel, int amount) { return LightenColor(static_cast<TColor>(pixel), amount); };
    auto amountAt = [half](int pos, int middle) {
        if (pos < middle - 5) return 60 + (middle - 5 - pos) * 40 / std::max(1, half - 5);
        if (pos > middle + 5) return 60 + (pos - middle - 5) * 40 / std::max(1, half - 5);
        return 60;
    };
    canvas.PushClipRegion();
    if (orientation_ == cxorHorizontal) {
        const int m = band.left + half;
        for (int y = band.top; y < band.top + 6 && y < band.bottom; ++y) {
            const COLORREF k = GetPixel(dc, fill.left + 1, y);
            if (k == CLR_INVALID) continue;
            const TColor k60 = lighten(k, 60);
            PaintGradient(dc, MakeRect(m - 2 * half, y, m - 5, y + 1), static_cast<TColor>(k), k60, true);
            FillRectSolid(dc, MakeRect(m - 5, y, m + 5, y + 1), k60);
            PaintGradient(dc, MakeRect(m + 5, y, m + 2 * half, y + 1), k60, static_cast<TColor>(k), true);
        }
        canvas.IntersectClip(band);
        for (int x = band.left; x < band.right; ++x) {
            const COLORREF pixel = GetPixel(dc, x, band.top + 6);
            if (pixel == CLR_INVALID) continue;
            FillRectSolid(dc, MakeRect(x, band.top + 6, x + 1, band.bottom), lighten(pixel, amountAt(x, m)));
        }
    } else {
        const int m = band.top + half;
        for (int x = band.left; x < band.left + 6 && x < band.right; ++x) {
            const COLORREF k = GetPixel(dc, x, fill.bottom - 2);
            if (k == CLR_INVALID) continue;
            const TColor k60 = lighten(k, 60);
            PaintGradient(dc, MakeRect(x, m - 2 * half, x + 1, m - 5), static_cast<TColor>(k), k60, false);
            FillRectSolid(dc, MakeRect(x, m - 5, x + 1, m + 5), k60);
            PaintGradient(dc, MakeRect(x, m + 5, x + 1, m + 2 * half), k60, static_cast<TColor>(k), false);
        }
        canvas.IntersectClip(band);
        for (int y = band.top; y < band.bottom; ++y) {
            const COLORREF pixel = GetPixel(dc, band.left + 6, y);
            if (pixel == CLR_INVALID) continue;
            FillRectSolid(dc, MakeRect(band.left + 6, y, band.right, y + 1), lighten(pixel, amountAt(y, m)));
        }
    }
    canvas.PopClipRegion();
}

void TcxCustomProgressBarViewInfo::DrawProgressText(TcxCanvas& canvas) {
    if (!ShowText) return;
    const AnsiString text = GetProgressText();
    if (text.empty()) return;
    const TRect x = TextArea();
    const bool vertical = TextOrientation == cxorVertical;
    // The GDI font is made again only when what it looks like changed.
    TFont& font = canvas.Font();
    const TFont& wanted = Font();
    if (font.Name() != wanted.Name() || font.Height() != wanted.Height() || !(font.Style() == wanted.Style()) ||
        font.Charset() != wanted.Charset() || font.Pitch() != wanted.Pitch())
        font.Assign(wanted);
    font.SetOrientation(vertical ? 2700 : 0);
    const TColor painterColor = PainterTextColor();
    const TColor textColor = painterColor != clNone ? painterColor : TextColor;
    font.SetColor(textColor);
    canvas.Brush().SetStyle(bsClear);
    const TSize size = canvas.MeasureTextExtent(text);
    const int width = vertical ? size.cy : size.cx;
    const int height = vertical ? size.cx : size.cy;
    // Centred in the track from its own corner.
    const int left = x.left + (GetRectWidth(x) - width) / 2;
    const int top = x.top + (GetRectHeight(x) - height) / 2;
    const int originX = vertical ? left + width : left;
    canvas.Canvas()->RequiredState(true, false, false);
    SetBkMode(canvas.Handle(), TRANSPARENT);
    if (SolidTextColor || SkinPainter) {
        SetTextColor(canvas.Handle(), ColorToRGB(textColor));
        TextOutA(canvas.Handle(), originX, top, text.c_str(), static_cast<int>(text.size()));
        return;
    }
    // Black text on white, inverted, then XORed over the picture: each text pixel shows the inverse
    // of what lies under it, bar or track.
    const int w = std::max(1, GetRectWidth(x)), h = std::max(1, GetRectHeight(x));
    textMask_->SetSize(w, h);
    const HDC mask = textMask_->Canvas().Handle();
    PatBlt(mask, 0, 0, w, h, WHITENESS);
    HGDIOBJ oldFont = SelectObject(mask, canvas.Font().Handle());
    SetBkMode(mask, TRANSPARENT);
    SetTextColor(mask, RGB(0, 0, 0));
    TextOutA(mask, originX - x.left, top - x.top, text.c_str(), static_cast<int>(text.size()));
    SelectObject(mask, oldFont);
    PatBlt(mask, 0, 0, w, h, DSTINVERT);
    BitBlt(canvas.Handle(), x.left, x.top, w, h, mask, 0, 0, SRCINVERT);
}

// ---------------------------------------------------------------------------------------------
void TcxCustomProgressBarViewInfo::StartAnimation() {
    stepTimer_.reset();
    if (!AnimationActive()) return;
    stepTimer_ = std::make_unique<TcxTimer>();
    stepTimer_->SetEnabled(false);
    stepTimer_->SetInterval(StepInterval);
    stepTimer_->SetOnTimer([this](TObject*) { AnimationTick(); });
    stepTimer_->SetEnabled(true);
    ResetBand();
}

void TcxCustomProgressBarViewInfo::StopAnimation() {
    stepTimer_.reset();
    pauseTimer_.reset();
}

void TcxCustomProgressBarViewInfo::ResetBand() {
    band_.SetRange(OuterRect, orientation_, Value(), Range());
    band_.Reset(animationPath_, orientation_, GetBandDirection(), GetBandLength());
}

void TcxCustomProgressBarViewInfo::StepBand() {
    if (pauseTimer_) return;
    band_.SetRange(OuterRect, orientation_, Value(), Range());
    if (band_.Step(animationPath_, orientation_, animationSpeed_, GetBandDirection(), GetBandLength())) StartPause();
}

void TcxCustomProgressBarViewInfo::StartPause() {
    pauseTimer_.reset();
    if (AnimationRestartDelay == 0) return;
    pauseTimer_ = std::make_unique<TcxTimer>();
    pauseTimer_->SetEnabled(false);
    pauseTimer_->SetInterval(AnimationRestartDelay);
    pauseTimer_->SetOnTimer([this](TObject*) { StopPause(); });
    pauseTimer_->SetEnabled(true);
}

void TcxCustomProgressBarViewInfo::StopPause() {
    pauseTimer_.reset();
}

void TcxCustomProgressBarViewInfo::AnimationTick() {
    if (!AnimationActive()) {
        // Frees the step timer from inside its own tick.
        StopAnimation();
        return;
    }
    if (!stepTimer_) return;
    StepBand();
    if (OnRepaint) OnRepaint();
}
