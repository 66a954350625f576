#include "ui/core/ScrollBar.h"

#include <algorithm>
#include <cstdlib>

#include "ui/core/ControlServices.h"
#include "ui/core/Geometry.h"
#include "ui/core/PainterResources.h"

namespace {
// a * b / c rounded half away from zero, as MulDiv does, in 64 bits: the range of a bar over the
// whole integer span (2^32) does not fit 32 bits.
int64_t MulDiv64(int64_t a, int64_t b, int64_t c) {
    if (c == 0) return -1;
    const int64_t product = a * b;
    const bool negative = (product < 0) != (c < 0);
    const int64_t n = std::llabs(product), d = std::llabs(c);
    const int64_t q = (n + d / 2) / d;
    return negative ? -q : q;
}

constexpr int TrackToleranceAlong = 34;
constexpr int TrackToleranceAcross = 136;
constexpr unsigned FirstRepeatDelay = 400;
constexpr unsigned RepeatInterval = 60;

bool IsRepeatingPart(TcxScrollBarPart part) {
    return part == sbpLineUp || part == sbpLineDown || part == sbpPageUp || part == sbpPageDown;
}
} // namespace

// ---------------------------------------------------------------------------------------------
TcxScrollBarViewInfo::TcxScrollBarViewInfo(TcxScrollBar* scrollBar) : ScrollBar(scrollBar) {}

bool TcxScrollBarViewInfo::Horizontal() const {
    return ScrollBar->Kind() == sbHorizontal;
}

int TcxScrollBarViewInfo::TrackStart() const {
    return Horizontal() ? TopLeftArrowRect.right : TopLeftArrowRect.bottom;
}

int TcxScrollBarViewInfo::TrackEnd() const {
    return Horizontal() ? BottomRightArrowRect.left : BottomRightArrowRect.top;
}

int TcxScrollBarViewInfo::ThumbStart() const {
    return Horizontal() ? ThumbnailRect.left : ThumbnailRect.top;
}

int TcxScrollBarViewInfo::ThumbLength() const {
    return Horizontal() ? ThumbnailRect.right - ThumbnailRect.left : ThumbnailRect.bottom - ThumbnailRect.top;
}

int64_t TcxScrollBarViewInfo::ThumbRange() const {
    const TcxScrollBar& bar = *ScrollBar;
    const int64_t span = static_cast<int64_t>(bar.max_) - bar.min_;
    return bar.pageSize_ > 0 ? span + 1 - bar.pageSize_ : span;
}

void TcxScrollBarViewInfo::ComputePartRects() {
    const int w = ScrollBar->Width(), h = ScrollBar->Height();
    if (Horizontal()) {
        const int a = std::min(GetSystemMetric(SM_CYHSCROLL), w / 2);
        TopLeftArrowRect = TRect{0, 0, a, h};
        BottomRightArrowRect = TRect{w - a, 0, w, h};
    } else {
        const int a = std::min(GetSystemMetric(SM_CXVSCROLL), h / 2);
        TopLeftArrowRect = TRect{0, 0, w, a};
        BottomRightArrowRect = TRect{0, h - a, w, h};
    }
    CalculateThumbnailRect();
}

void TcxScrollBarViewInfo::Recalculate() {
    ThumbnailSize = ScrollBar->GetMinThumbLength();
    ComputePartRects();
}

void TcxScrollBarViewInfo::CalculateThumbnailRect() {
    ThumbnailRect = TRect{};
    PageUpRect = PageDownRect = TRect{};
    const TcxScrollBar& bar = *ScrollBar;
    if (!bar.Enabled()) return;
    const int start = TrackStart();
    const int t = TrackEnd() - start;
    const int64_t position = static_cast<int64_t>(bar.position_) - bar.min_;
    int length = 0;
    int64_t offset = 0;
    if (bar.pageSize_ > 0) {
        const int64_t range = static_cast<int64_t>(bar.max_) - bar.min_ + 1;
        if (t < ThumbnailSize || bar.max_ == bar.min_) return;
        length = static_cast<int>(std::min<int64_t>(t, MulDiv64(bar.pageSize_, t, range)));
        length = std::max(length, ThumbnailSize);
        // When the page covers the whole range nothing is left to scroll: the thumb stays put.
        const int64_t r = range - bar.pageSize_;
        offset = r <= 0 ? 0 : MulDiv64(t - length, std::min(position, r), r);
    } else {
        length = GetSystemMetric(Horizontal() ? SM_CXHTHUMB : SM_CYVTHUMB);
        if (t < length) return;
        const int64_t span = static_cast<int64_t>(bar.max_) - bar.min_;
        offset = t - length <= 0 || span == 0 ? 0 : MulDiv64(t - length, position, span);
    }
    offset = std::clamp<int64_t>(offset, 0, std::max(0, t - length));
    const int thumbStart = start + static_cast<int>(offset);
    if (Horizontal())
        ThumbnailRect = TRect{thumbStart, 0, thumbStart + length, bar.Height()};
    else
        ThumbnailRect = TRect{0, thumbStart, bar.Width(), thumbStart + length};
    SetPageRects();
}

void TcxScrollBarViewInfo::SetPageRects() {
    PageUpRect = PageDownRect = TRect{};
    if (IsEmptyRect(ThumbnailRect)) return;
    const int w = ScrollBar->Width(), h = ScrollBar->Height();
    if (Horizontal()) {
        PageUpRect = TRect{TrackStart(), 0, ThumbnailRect.left, h};
        PageDownRect = TRect{ThumbnailRect.right, 0, TrackEnd(), h};
    } else {
        PageUpRect = TRect{0, TrackStart(), w, ThumbnailRect.top};
        PageDownRect = TRect{0, ThumbnailRect.bottom, w, TrackEnd()};
    }
}

int TcxScrollBarViewInfo::PositionFromThumbnail() const {
    const TcxScrollBar& bar = *ScrollBar;
    const int free = TrackEnd() - TrackStart() - ThumbLength();
    // A thumb that fills the track stands for no position of its own.
    if (IsEmptyRect(ThumbnailRect) || free <= 0) return bar.position_;
    const int64_t range = std::max<int64_t>(ThumbRange(), 0);
    const int64_t value = bar.min_ + MulDiv64(range, ThumbStart() - TrackStart(), free);
    return static_cast<int>(std::clamp<int64_t>(value, bar.min_, bar.max_));
}

void TcxScrollBarViewInfo::SetThumbnailPos(int pos) {
    if (IsEmptyRect(ThumbnailRect)) return;
    const int length = ThumbLength();
    pos = std::max(TrackStart(), std::min(pos, TrackEnd() - length));
    if (Horizontal()) {
        ThumbnailRect.left = pos;
        ThumbnailRect.right = pos + length;
    } else {
        ThumbnailRect.top = pos;
        ThumbnailRect.bottom = pos + length;
    }
    SetPageRects();
}

TRect TcxScrollBarViewInfo::PartRect(TcxScrollBarPart part) const {
    switch (part) {
    case sbpLineUp:
        return TopLeftArrowRect;
    case sbpLineDown:
        return BottomRightArrowRect;
    case sbpThumbnail:
        return ThumbnailRect;
    case sbpPageUp:
        return PageUpRect;
    case sbpPageDown:
        return PageDownRect;
    default:
        return TRect{};
    }
}

TcxScrollBarPart TcxScrollBarViewInfo::PartAt(TPoint point) const {
    for (TcxScrollBarPart part : {sbpLineUp, sbpLineDown, sbpThumbnail, sbpPageUp, sbpPageDown}) {
        const TRect r = PartRect(part);
        if (PtInRect(&r, point)) return part;
    }
    return sbpNone;
}

// ---------------------------------------------------------------------------------------------
TcxScrollBar::TcxScrollBar(TComponent* owner) : TCustomControl(owner) {
    bitmap_ = std::make_unique<TBitmap>(1, 1, pf32bit);
    bitmapCanvas_ = std::make_unique<TcxCanvas>(&bitmap_->Canvas());
    lookAndFeel_ = std::make_unique<TcxLookAndFeel>(this);
    lookAndFeel_->OnChanged = [this](TcxLookAndFeel*, TcxLookAndFeelValues) { LookAndFeelChanged(); };
    viewInfo_ = std::make_unique<TcxScrollBarViewInfo>(this);
    ControlStyle = TControlStyle{csCaptureMouse, csFramed, csOpaque};
    themeNotificator_ = std::make_unique<TdxThemeChangedNotificator>();
    themeNotificator_->OnThemeChanged = [this](TObject*) { ThemeChanged(); };
    timer_.SetEnabled(false);
    timer_.SetInterval(FirstRepeatDelay);
    timer_.SetOnTimer([this](TObject*) { DoTimer(); });
    SetBounds(0, 0, 121, GetSystemMetric(SM_CYHSCROLL));
    Recalculate();
}

TcxScrollBar::~TcxScrollBar() {
    Destroying();
    timer_.SetEnabled(false);
    DestroyHandle();
}

void TcxScrollBar::Recalculate() {
    viewInfo_->Recalculate();
}

TcxCustomLookAndFeelPainterClass TcxScrollBar::Painter() const {
    return lookAndFeel_->ChoosePainterForThemedType(totScrollBar);
}

void TcxScrollBar::SetKind(TScrollBarKind value) {
    if (value == kind_) return;
    kind_ = value;
    if (HasState(csLoading))
        Recalculate();
    else
        SetBounds(Left(), Top(), Height(), Width());
    Invalidate();
}

void TcxScrollBar::SetBounds(int left, int top, int width, int height) {
    const bool changed = width != Width() || height != Height() || left != Left() || top != Top();
    TCustomControl::SetBounds(left, top, width, height);
    if (changed && width > 0 && height > 0) {
        bitmap_->SetSize(width, height);
        Recalculate();
    }
}

void TcxScrollBar::SetScrollValues(int min, int max, bool redraw, int pageSize, int position) {
    if (max < min || max < pageSize) throw EInvalidOperation("Scrollbar property out of range");
    redraw = redraw && HandleAllocated();
    position = std::clamp(position, min, max);
    if (min == min_ && max == max_ && pageSize == pageSize_ && position == position_) return;
    min_ = min;
    max_ = max;
    pageSize_ = pageSize;
    if (position == position_) {
        viewInfo_->CalculateThumbnailRect();
        if (redraw) Repaint();
        return;
    }
    SetEnabled(true);
    position_ = position;
    viewInfo_->CalculateThumbnailRect();
    if (redraw) Repaint();
    NotifyChange();
}

void TcxScrollBar::NotifyChange() {
    if (OnChange) OnChange(this);
}

void TcxScrollBar::NotifyScroll(TScrollCode scrollCode, int& scrollPos) {
    if (OnScroll) OnScroll(this, scrollCode, scrollPos);
}

int TcxScrollBar::GetMinThumbLength() {
    return Painter()->GetMinThumbSize(kind_ == sbVertical);
}

bool TcxScrollBar::HasHotParts() {
    return Painter()->HasHotButtons();
}

void TcxScrollBar::Repaint() {
    if (!HandleAllocated()) return;
    Invalidate();
    Update();
}

void TcxScrollBar::Scroll(TScrollCode scrollCode, int) {
    int64_t pos = position_;
    switch (scrollCode) {
    case scLineUp:
        pos -= smallChange_;
        break;
    case scLineDown:
        pos += smallChange_;
        break;
    case scPageUp:
        pos -= largeChange_;
        break;
    case scPageDown:
        pos += largeChange_;
        break;
    case scTop:
        pos = min_;
        break;
    case scBottom:
        pos = max_;
        break;
    default:
        break;
    }
    int scrollPos = static_cast<int>(std::clamp<int64_t>(pos, min_, max_));
    NotifyScroll(scrollCode, scrollPos);
    scrollPos = std::clamp(scrollPos, min_, max_);
    if (scrollPos == position_) return;
    if (scrollCode == scTrack) {
        position_ = scrollPos;
        // A held thumb stays under the mouse.
        if (state_ != sbpThumbnail) viewInfo_->CalculateThumbnailRect();
        Repaint();
    } else {
        SetScrollValues(min_, max_, true, pageSize_, scrollPos);
    }
}

void TcxScrollBar::DoScroll(TcxScrollBarPart part) {
    static const TScrollCode codes[] = {scEndScroll, scLineUp, scLineDown, scTrack, scPageUp, scPageDown};
    Scroll(codes[part], position_);
}

void TcxScrollBar::CancelScroll() {
    if (state_ == sbpNone) return;
    if (state_ == sbpThumbnail) {
        position_ = viewInfo_->PositionFromThumbnail();
        Scroll(scPosition, position_);
    }
    timer_.SetEnabled(false);
    state_ = hotPart_ = sbpNone;
    Scroll(scEndScroll, position_);
    viewInfo_->CalculateThumbnailRect();
    Invalidate();
}

void TcxScrollBar::SetHotPart(TcxScrollBarPart part) {
    if (part == hotPart_) return;
    hotPart_ = part;
    if (HasHotParts() || state_ != sbpNone) Repaint();
}

void TcxScrollBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    const TcxScrollBarPart part = viewInfo_->PartAt(TPoint{x, y});
    if (part == sbpNone) return;
    if (part == sbpThumbnail) {
        downMousePos_ = TPoint{x, y};
        savePosition_ = position_;
        saveThumbnailPos_ =
            kind_ == sbHorizontal ? viewInfo_->ThumbnailRect.left : viewInfo_->ThumbnailRect.top;
        Scroll(scTrack, position_);
    }
    state_ = hotPart_ = part;
    if (IsRepeatingPart(part)) {
        DoScroll(part);
        timer_.SetInterval(FirstRepeatDelay);
        timer_.SetEnabled(true);
    }
    Repaint();
}

void TcxScrollBar::MouseMove(TShiftState shift, int x, int y) {
    TCustomControl::MouseMove(shift, x, y);
    const TPoint p{x, y};
    if (state_ != sbpThumbnail) {
        const TcxScrollBarPart part = viewInfo_->PartAt(p);
        if (IsRepeatingPart(state_)) timer_.SetEnabled(part == state_);
        SetHotPart(part);
        return;
    }
    const TRect tolerance = kind_ == sbHorizontal
                                ? TRect{-TrackToleranceAlong, -TrackToleranceAcross,
                                        Width() + TrackToleranceAlong, Height() + TrackToleranceAcross}
                                : TRect{-TrackToleranceAcross, -TrackToleranceAlong,
                                        Width() + TrackToleranceAcross, Height() + TrackToleranceAlong};
    if (UnlimitedTracking || PtInRect(&tolerance, p)) {
        const int delta = kind_ == sbHorizontal ? x - downMousePos_.x : y - downMousePos_.y;
        viewInfo_->SetThumbnailPos(saveThumbnailPos_ + delta);
        position_ = viewInfo_->PositionFromThumbnail();
    } else {
        // Too far off the bar: back to where the drag began.
        if (position_ != savePosition_) SetScrollValues(min_, max_, true, pageSize_, savePosition_);
        viewInfo_->CalculateThumbnailRect();
    }
    Scroll(scTrack, position_);
    Repaint();
}

void TcxScrollBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseUp(button, shift, x, y);
    CancelScroll();
    SetHotPart(viewInfo_->PartAt(TPoint{x, y}));
}

void TcxScrollBar::DoTimer() {
    if (MouseCapture() && IsRepeatingPart(state_)) {
        if (timer_.Interval() != RepeatInterval) timer_.SetInterval(RepeatInterval);
        DoScroll(state_);
        TPoint cursor = GetCursorPosOrInvalid();
        if (HandleAllocated()) cursor = ScreenToClient(cursor);
        timer_.SetEnabled(viewInfo_->PartAt(cursor) == state_);
    } else {
        CancelScroll();
    }
}

TcxButtonPaintState TcxScrollBar::GetPartState(TcxScrollBarPart part) const {
    auto* self = const_cast<TcxScrollBar*>(this);
    if (!Enabled()) return bpsDisabled;
    if (part == sbpThumbnail && !self->HasHotParts()) return bpsNormal;
    if (state_ != sbpNone) return part == state_ && part == hotPart_ ? bpsPressed : bpsNormal;
    return part == hotPart_ && !HasState(csDesigning) ? bpsHot : bpsNormal;
}

void TcxScrollBar::PaintPart(TcxCanvas& canvas, const TRect& rect, TcxButtonPaintState state,
                             TcxScrollBarPart part) {
    Painter()->PaintScrollBarPart(&canvas, kind_ == sbHorizontal, rect, part, state);
}

void TcxScrollBar::PaintParts(TcxCanvas& canvas) {
    const TcxScrollBarViewInfo& info = *viewInfo_;
    if (IsEmptyRect(info.ThumbnailRect))
        PaintPart(canvas, ClientRect(), bpsNormal, sbpPageUp);
    else
        PaintPart(canvas, info.ThumbnailRect, GetPartState(sbpThumbnail), sbpThumbnail);
    PaintPart(canvas, info.TopLeftArrowRect, GetPartState(sbpLineUp), sbpLineUp);
    PaintPart(canvas, info.BottomRightArrowRect, GetPartState(sbpLineDown), sbpLineDown);
    if (!IsEmptyRect(info.PageUpRect)) PaintPart(canvas, info.PageUpRect, GetPartState(sbpPageUp), sbpPageUp);
    if (!IsEmptyRect(info.PageDownRect))
        PaintPart(canvas, info.PageDownRect, GetPartState(sbpPageDown), sbpPageDown);
}

void TcxScrollBar::Paint() {
    if (bitmap_->Width() != Width() || bitmap_->Height() != Height()) bitmap_->SetSize(Width(), Height());
    PaintParts(*bitmapCanvas_);
    BitBlt(Canvas().Handle(), 0, 0, Width(), Height(), bitmap_->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TcxScrollBar::LookAndFeelChanged() {
    // Skins draw their own edges: the 3-D frame is off under them and comes back after.
    ctl3D_ = lookAndFeel_->SkinPainter() ? false : realCtl3D_;
    Recalculate();
    Invalidate();
}

void TcxScrollBar::SetCtl3D(bool value) {
    // Under a skin the value in force is already off: turning it off changes nothing there, but
    // the wish must hold once the skin goes.
    realCtl3D_ = value;
    TCustomControl::SetCtl3D(value);
}

void TcxScrollBar::ThemeChanged() {
    Recalculate();
    UpdateScrollBarPatterns();
    Invalidate();
    // A new theme may want the bar elsewhere: the parent places its children again.
    if (Parent()) Parent()->Realign();
}

void TcxScrollBar::WndProc(TMessage& message) {
    switch (message.Msg) {
    case CM_CTL3DCHANGED:
        realCtl3D_ = ctl3D_;
        LookAndFeelChanged();
        break;
    case CM_SYSCOLORCHANGE:
        UpdateScrollBarPatterns();
        break;
    case CN_CTLCOLORSCROLLBAR:
        UpdateScrollBarPatterns();
        message.Result = HandleAllocated()
                             ? DefWindowProcA(Handle(), WM_CTLCOLORSCROLLBAR, message.WParam, message.LParam)
                             : 0;
        return;
    case CM_ENABLEDCHANGED:
        Recalculate();
        if (!Enabled()) CancelScroll();
        Invalidate();
        break;
    case CM_VISIBLECHANGED:
        if (!message.WParam) CancelScroll();
        break;
    case WM_CANCELMODE:
        CancelScroll();
        break;
    case CN_HSCROLL:
    case CN_VSCROLL:
        Scroll(static_cast<TScrollCode>(LOWORD(message.WParam)), position_);
        message.Result = 0;
        return;
    case CM_MOUSEENTER:
        if (HasHotParts() || IsRepeatingPart(state_)) Invalidate();
        break;
    case CM_MOUSELEAVE:
        if (state_ != sbpThumbnail) hotPart_ = sbpNone;
        if (HasHotParts() || IsRepeatingPart(state_)) Invalidate();
        break;
    default:
        break;
    }
    TCustomControl::WndProc(message);
}
