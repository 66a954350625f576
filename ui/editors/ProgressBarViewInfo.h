#pragma once
// How a progress bar is drawn: the track, the filled part in its bar style, the overload part,
// the peak mark, LEDs, bevels and the text, all into a buffer that reaches the screen in one copy;
// and the band that the animation styles and the marquee mode move along the bar by timer.
#include <functional>
#include <memory>

#include "ui/core/Bitmaps.h"
#include "ui/core/WindowServices.h"
#include "ui/editors/ProgressBarLayout.h"
#include "ui/editors/TextEditViewInfo.h"

class TcxCustomProgressBarViewInfo : public TcxCustomTextEditViewInfo {
public:
    VZ_CLASS(TcxCustomProgressBarViewInfo, TcxCustomTextEditViewInfo)
    TcxCustomProgressBarViewInfo();
    ~TcxCustomProgressBarViewInfo() override;

    // Copies of the settings (colours as RGB).
    TcxProgressBarAnimationPath AnimationPath() const { return animationPath_; }
    void SetAnimationPath(TcxProgressBarAnimationPath value);
    unsigned AnimationRestartDelay = 0;
    unsigned AnimationSpeed() const { return animationSpeed_; }
    void SetAnimationSpeed(unsigned value);
    TColor BeginColor = 0x800000;
    TcxProgressBarBevelOuter BarBevelOuter = cxbvNone;
    TColor EndColor = 0xFFFFFF;
    bool Marquee() const { return marquee_; }
    void SetMarquee(bool value);
    double Max = 100, Min = 0;
    double Position = 0;
    TBitmap& ForegroundImage() { return *foregroundImage_; }
    TcxProgressBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TcxProgressBarOrientation value);
    bool ShowText = true;
    TcxProgressBarTextStyle ShowTextStyle = cxtsPercent;
    TcxProgressBarOrientation TextOrientation = cxorHorizontal;
    bool SolidTextColor = false;
    TcxProgressBarBarStyle BarStyle() const { return barStyle_; }
    void SetBarStyle(TcxProgressBarBarStyle value);
    int BorderWidth = 0;
    double OverloadValue = 80;
    TColor OverloadBeginColor = 0x8080FF, OverloadEndColor = 0xFF00FF;
    bool ShowOverload = false;
    double PeakValue = 0;
    TColor PeakColor = 0x0000FF;
    int PeakSize = 2;
    bool ShowPeak = false;

    // Set by the layout.
    bool OverloadVisible = false, PeakVisible = false, DrawTransparent = false;
    bool LayoutChanged = false, TrackChanged = false;
    TRect TrackRect{}, FilledRect{}, OverloadRect{}, PeakRect{}, BandRect{};
    // The themed progress track is in force (no overload, no margin).
    bool NativeLook = false;

    // Takes a new layout: everything unless only the position changed and nothing moved.
    void ApplyLayout(const TcxProgressBarLayout& layout, bool positionChangedOnly);

    // The band's place along the bar and its direction.
    int BandOffset() const { return band_.Offset; }
    int BandDirection() const { return band_.Direction; }
    TcxTimer* StepTimer() const { return stepTimer_.get(); }
    TcxTimer* PauseTimer() const { return pauseTimer_.get(); }
    TcxBitmap* BufferBitmap() const { return bufferBitmap_.get(); }
    TcxBitmap* SkinBitmap() const { return skinBitmap_.get(); }
    TBitmap* ThemeChunkBitmap() const { return themeChunkBitmap_.get(); }
    // The editor's immediate repaint, run at each animation step.
    std::function<void()> OnRepaint;

    // Derived values.
    double Range() const { return ProgressBarRange(Min, Max); }
    double Value() const { return ProgressBarValue(marquee_, Position, Min, Max); }
    int Percent() const { return ProgressBarPercent(Value(), Range()); }
    int Margin() const { return NativeLook || InplaceMode || SkinPainter ? 0 : 2; }
    int LEDLength() const;
    bool AnimationActive() const;
    AnsiString GetProgressText() const;

    // Every call paints in full.
    void Paint(TcxCanvas& canvas);
    // The editor's window paints the bar.
    void DrawContainer(TcxCanvas& canvas) override { Paint(canvas); }
    // Nothing to invalidate after a position change that moved nothing and shows no text.
    bool RepaintChanges(TWinControl* control, const TRect& innerRect, TcxContainerViewInfo* old) override;
    virtual int GetBandLength() { return cxProgressBarBandLength; }
    virtual int GetBandDirection() { return 1; }
    virtual void PaintProgressBar(TcxCanvas& canvas);
    // Through the skin painter: its frame, its chunk up to the value, the overload part inverted.
    void PaintSkinned(TcxCanvas& canvas);
    void PaintText(TcxCanvas& canvas) override { DrawProgressText(canvas); }
    void DrawProgressText(TcxCanvas& canvas);
    void Offset(int dx, int dy) override;
    void GetHintText(TPoint, AnsiString& text) override { text.clear(); }
    // The bar paints itself (above): neither the text editor's content nor its hint.
    bool GetHintInfo(TPoint p, bool& flag, AnsiString& text, TRect& rect) override {
        return TcxCustomEditViewInfo::GetHintInfo(p, flag, text, rect);
    }

    void StartAnimation();
    void StopAnimation();
    void ResetBand();
    void StepBand();
    void StartPause();
    void StopPause();
    void AnimationTick();

protected:
    // The editor's background and frame; the standalone paint draws them first.
    virtual void DrawBackgroundAndFrame(TcxCanvas& canvas);

private:
    // The themed "Progress" class, when the native look is on and the theme opens it.
    HTHEME ProgressTheme() const;
    // One line of the themed chunk across the bar, made again only when its size changes.
    TBitmap* ThemeChunkLine(HTHEME theme, const TRect& fill);
    // The fill in the bar style, drawn by hand: f the filled part, o the overload part, t the
    // track, u the fill area, a the band.
    void PaintBarStyle(TcxCanvas& buffer, const TRect& f, const TRect& o, const TRect& t, const TRect& u,
                       const TRect& a);
    void PaintTrack(TcxCanvas& destination, TcxCanvas& buffer, const TRect& track);
    void PaintGlass(TcxCanvas& canvas, const TRect& r, bool bar, TColor color);
    void PaintAnimatedBand(TcxCanvas& canvas, const TRect& band, const TRect& fill);
    void DrawBevel(TcxCanvas& canvas, const TRect& r);
    void DrawLEDBevels(TcxCanvas& canvas, const TRect& fill, int ledLength);
    // Where the track lies in the buffer.
    TRect TrackInBuffer() const;
    // Where the text is centred: the track in the buffer, or in the skin bitmap, which holds the bounds.
    TRect TextArea() const;
    // The text colour a skin painter asks for; clNone when it leaves it to the editor.
    TColor PainterTextColor() const;

    TcxProgressBarAnimationPath animationPath_ = cxapCycle;
    unsigned animationSpeed_ = 10;
    bool marquee_ = false;
    TcxProgressBarOrientation orientation_ = cxorHorizontal;
    TcxProgressBarBarStyle barStyle_ = cxbsSolid;
    TcxProgressBarBandMotion band_;
    std::unique_ptr<TcxTimer> stepTimer_;
    std::unique_ptr<TcxTimer> pauseTimer_;
    std::unique_ptr<TBitmap> foregroundImage_;
    std::unique_ptr<TcxBitmap> bufferBitmap_;
    std::unique_ptr<TcxBitmap> skinBitmap_;
    std::unique_ptr<TBitmap> themeChunkBitmap_;
    bool paintingSkinned_ = false;
    // The text in black on white, kept between paints.
    std::unique_ptr<TBitmap> textMask_;
};
