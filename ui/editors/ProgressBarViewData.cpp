#include "ui/editors/ProgressBarViewData.h"

#include <climits>

#include "ui/core/Geometry.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/editors/framework/Edit.h"

TcxCustomProgressBarProperties* TcxCustomProgressBarViewData::ProgressProperties() const {
    return dynamic_cast<TcxCustomProgressBarProperties*>(Properties);
}

void TcxCustomProgressBarViewData::ReadProperties(TcxCustomProgressBarViewInfo* vi) {
    TcxCustomProgressBarProperties* p = ProgressProperties();
    if (!p) return;
    vi->SetAnimationPath(p->AnimationPath());
    vi->AnimationRestartDelay = p->AnimationRestartDelay();
    vi->SetAnimationSpeed(p->AnimationSpeed());
    vi->BeginColor = ColorToRGB(p->BeginColor());
    vi->EndColor = ColorToRGB(p->EndColor());
    vi->BarBevelOuter = p->BarBevelOuter();
    vi->SetMarquee(p->Marquee());
    vi->Min = p->Min();
    vi->Max = p->Max();
    vi->SetOrientation(p->Orientation());
    vi->ShowText = p->ShowText();
    vi->ShowTextStyle = p->ShowTextStyle();
    vi->Text = p->Text();
    vi->TextOrientation = p->TextOrientation();
    vi->SolidTextColor = p->SolidTextColor();
    vi->SetBarStyle(p->BarStyle());
    vi->BorderWidth = p->BorderWidth();
    vi->OverloadValue = p->OverloadValue();
    vi->OverloadBeginColor = ColorToRGB(p->OverloadBeginColor());
    vi->OverloadEndColor = ColorToRGB(p->OverloadEndColor());
    vi->ShowOverload = p->ShowOverload();
    vi->PeakValue = p->UpdatePeak(vi->Position);
    vi->PeakColor = ColorToRGB(p->PeakColor());
    vi->PeakSize = p->PeakSize();
    vi->ShowPeak = p->ShowPeak();
    vi->DrawTransparent = InplaceMode ? vi->Transparent : (Edit && Edit->Transparent());
    vi->NativeLook = NativeLook;
}

void TcxCustomProgressBarViewData::CalculateLayout(TcxCanvas& canvas, const TRect& bounds, TPoint p, int button,
                                                   TShiftState shift, TcxCustomEditViewInfo* viewInfo,
                                                   bool isMouseEvent) {
    TcxCustomEditViewData::CalculateLayout(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    if (bounds.right == INT_MAX || bounds.bottom == INT_MAX) return;
    auto* vi = dynamic_cast<TcxCustomProgressBarViewInfo*>(viewInfo);
    TcxCustomProgressBarProperties* properties = ProgressProperties();
    if (!vi || !properties) return;
    if (vi->DrawFont) vi->Font().Assign(*vi->DrawFont);
    ReadProperties(vi);

    TcxProgressBarLayoutInput in;
    in.Bounds = bounds;
    in.ClientRect = vi->ContentRect;
    in.InPlace = InplaceMode;
    in.NativeLook = vi->NativeLook;
    in.BarStyle = vi->BarStyle();
    in.Orientation = vi->Orientation();
    in.BorderWidth = vi->BorderWidth;
    in.Marquee = vi->Marquee();
    in.Min = vi->Min;
    in.Max = vi->Max;
    in.Position = vi->Position;
    in.ShowOverload = vi->ShowOverload;
    in.OverloadValue = vi->OverloadValue;
    in.ShowPeak = vi->ShowPeak;
    in.PeakValue = vi->PeakValue;
    in.PeakSize = vi->PeakSize;
    const TcxProgressBarLayout layout = CalculateProgressBarLayout(in);

    TBitmap& image = vi->ForegroundImage();
    if (properties->ImageChanged || image.Empty()) {
        if (properties->HasForegroundImage())
            image.Assign(*properties->ForegroundImage());
        else
            image.SetSize(0, 0);
        properties->ImageChanged = false;
        if (properties->TransparentImage() && !image.Empty()) {
            // Flattened once over the background, so that painting tiles it as it is.
            TBitmap flat(image.Width(), image.Height());
            RECT all{0, 0, image.Width(), image.Height()};
            HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(vi->FillColor)));
            FillRect(flat.Canvas().Handle(), &all, brush);
            DeleteObject(brush);
            image.SetTransparent(true);
            flat.Canvas().Draw(0, 0, image);
            image.SetTransparent(false);
            image.Assign(flat);
        }
    }

    vi->ApplyLayout(layout, properties->PositionChanged && !ForceLayout);
    properties->PositionChanged = false;
}

void TcxCustomProgressBarViewData::EditValueToViewInfo(TcxCanvas&, const Variant& value,
                                                       TcxCustomEditViewInfo* viewInfo) {
    auto* vi = dynamic_cast<TcxCustomProgressBarViewInfo*>(viewInfo);
    TcxCustomProgressBarProperties* properties = ProgressProperties();
    if (!vi || !properties) return;
    vi->Position = IsDesigning ? 30.0 : ProgressBarValueToNumber(value);
    vi->Position = properties->AdjustPosition(vi->Position);
}

TSize TcxCustomProgressBarViewData::GetTextContentSize(TcxCanvas& canvas, const Variant& value, int width) {
    TSize size = TcxCustomEditViewData::GetTextContentSize(canvas, value, width);
    int filled = 0;
    if (Edit)
        if (auto* vi = dynamic_cast<TcxCustomProgressBarViewInfo*>(Edit->EditViewInfo()))
            filled = GetRectWidth(vi->FilledRect);
    size.cx += filled + (InplaceMode || NativeLook ? 0 : 4) + 3;
    if (Style) size.cy += canvas.MeasureFontHeight(*Style->GetEffectiveFont());
    return size;
}

// The properties' class slots: their view data and view info.
TcxCustomEditViewDataClass TcxCustomProgressBarProperties::ViewDataClass() const {
    return TcxCustomEditViewData::ClassOf<TcxCustomProgressBarViewData>();
}

TcxContainerViewInfoClass TcxCustomProgressBarProperties::ViewInfoClass() const {
    return []() -> std::unique_ptr<TcxContainerViewInfo> { return std::make_unique<TcxCustomProgressBarViewInfo>(); };
}
