#pragma once
// The library's scroll bar: arrows, thumb and page areas painted by the look-and-feel painter
// through an off-screen bitmap, auto-repeat on one timer, hot parts, thumb dragging with a
// tolerance around the bar, and the platform's scroll codes.
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/forms/Forms.h"
#include "ui/core/Canvas.h"
#include "ui/core/LookAndFeel.h"
#include "ui/core/ThemeManager.h"
#include "ui/core/WindowServices.h"

enum TScrollBarKind { sbHorizontal, sbVertical };
// In the order of the system's SB_ codes.
enum TScrollCode {
    scLineUp,
    scLineDown,
    scPageUp,
    scPageDown,
    scPosition,
    scTrack,
    scTop,
    scBottom,
    scEndScroll
};
// A line or page step: 16 bits wide.
using TScrollBarInc = int16_t;
using TScrollEvent = std::function<void(TObject* Sender, TScrollCode scrollCode, int& scrollPos)>;

class TcxScrollBar;

// The part rectangles of a bar.
class TcxScrollBarViewInfo : public TObject {
public:
    VZ_CLASS(TcxScrollBarViewInfo, TObject)
    explicit TcxScrollBarViewInfo(TcxScrollBar* scrollBar);

    virtual void ComputePartRects();
    virtual void Recalculate();
    // The thumb and the page areas from the bar's range and position.
    void CalculateThumbnailRect();
    // The position the thumb's place stands for; Position when the thumb cannot move.
    int PositionFromThumbnail() const;
    // Moves the thumb to start at pos (kept between the arrows) and the page areas with it.
    void SetThumbnailPos(int pos);
    // The part at a client point (sbpNone outside them all).
    TcxScrollBarPart PartAt(TPoint point) const;
    TRect PartRect(TcxScrollBarPart part) const;

    TRect BottomRightArrowRect{};
    TRect PageDownRect{};
    TRect PageUpRect{};
    TcxScrollBar* ScrollBar;
    TRect ThumbnailRect{};
    int ThumbnailSize = 0; // the minimal thumb length
    TRect TopLeftArrowRect{};

private:
    bool Horizontal() const;
    // The track between the arrows along the bar's axis.
    int TrackStart() const;
    int TrackEnd() const;
    int ThumbStart() const;
    int ThumbLength() const;
    // The free track's length and the range it stands for.
    int64_t ThumbRange() const;
    void SetPageRects();
};

class TcxScrollBar : public TCustomControl {
public:
    VZ_CLASS(TcxScrollBar, TCustomControl)
    explicit TcxScrollBar(TComponent* owner);
    ~TcxScrollBar() override;

    TScrollBarKind Kind() const { return kind_; }
    void SetKind(TScrollBarKind value);
    TScrollBarInc LargeChange() const { return largeChange_; }
    void SetLargeChange(TScrollBarInc value) { largeChange_ = value; }
    TScrollBarInc SmallChange() const { return smallChange_; }
    void SetSmallChange(TScrollBarInc value) { smallChange_ = value; }
    TcxLookAndFeel& LookAndFeel() { return *lookAndFeel_; }
    int Max() const { return max_; }
    int Min() const { return min_; }
    int PageSize() const { return pageSize_; }
    int Position() const { return position_; }
    void SetMax(int value) { SetScrollValues(min_, value, true, pageSize_, position_); }
    void SetMin(int value) { SetScrollValues(value, max_, true, pageSize_, position_); }
    void SetPageSize(int value) { SetScrollValues(min_, max_, true, value, position_); }
    void SetPosition(int value) { SetScrollValues(min_, max_, true, pageSize_, value); }
    bool UnlimitedTracking = false;
    TNotifyEvent OnChange;
    TScrollEvent OnScroll;

    // Raises EInvalidOperation "Scrollbar property out of range" (changing nothing) when
    // max < min or max < pageSize.
    void SetScrollValues(int min, int max, bool redraw, int pageSize, int position);
    void SetBounds(int left, int top, int width, int height) override;

    TcxScrollBarViewInfo& ViewInfo() const { return *viewInfo_; }
    // The part being pressed (sbpNone when idle) and the part under the mouse.
    TcxScrollBarPart State() const { return state_; }
    TcxScrollBarPart HotPart() const { return hotPart_; }
    TcxTimer& Timer() { return timer_; }
    // The painter of the bar's look and feel for the scroll-bar theme.
    TcxCustomLookAndFeelPainterClass Painter() const;
    // The Ctl3D the bar asks for (the one in force is off under a skin painter).
    bool RealCtl3D() const { return realCtl3D_; }
    void SetCtl3D(bool value) override;
    // The state a part is painted in.
    TcxButtonPaintState GetPartState(TcxScrollBarPart part) const;
    // Runs a scroll code as a click or a message would.
    void Scroll(TScrollCode scrollCode, int scrollPos);
    // Ends a press: the thumb drop, the timer, scEndScroll.
    void CancelScroll();

protected:
    virtual void NotifyChange();
    virtual void PaintParts(TcxCanvas& canvas);
    virtual void PaintPart(TcxCanvas& canvas, const TRect& rect, TcxButtonPaintState state,
                           TcxScrollBarPart part);
    virtual bool HasHotParts();
    virtual void NotifyScroll(TScrollCode scrollCode, int& scrollPos);
    virtual int GetMinThumbLength();

    void Paint() override;
    void WndProc(TMessage& message) override;
    using TCustomControl::WndProc;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void LookAndFeelChanged();

private:
    friend class TcxScrollBarViewInfo;
    void Recalculate();
    void DoTimer();
    void DoScroll(TcxScrollBarPart part);
    void SetHotPart(TcxScrollBarPart part);
    void ThemeChanged();
    void Repaint();

    TScrollBarKind kind_ = sbHorizontal;
    TScrollBarInc largeChange_ = 1;
    TScrollBarInc smallChange_ = 1;
    int max_ = 100;
    int min_ = 0;
    int pageSize_ = 0;
    int position_ = 0;
    std::unique_ptr<TcxLookAndFeel> lookAndFeel_;
    std::unique_ptr<TBitmap> bitmap_;
    std::unique_ptr<TcxCanvas> bitmapCanvas_;
    std::unique_ptr<TcxScrollBarViewInfo> viewInfo_;
    TcxTimer timer_;
    std::unique_ptr<TdxThemeChangedNotificator> themeNotificator_;
    TcxScrollBarPart state_ = sbpNone;
    TcxScrollBarPart hotPart_ = sbpNone;
    TPoint downMousePos_{};
    int savePosition_ = 0;
    int saveThumbnailPos_ = 0;
    bool realCtl3D_ = true;
};
