#pragma once
// The progress bar's layout step of the editor framework: the settings copied into the view info,
// the rectangles computed, and the change that needs no repaint recognised.
#include "ui/editors/ProgressBarViewInfo.h"
#include "ui/editors/framework/EditViewData.h"

class TcxCustomProgressBarViewData : public TcxCustomEditViewData {
public:
    VZ_CLASS(TcxCustomProgressBarViewData, TcxCustomEditViewData)
    using TcxCustomEditViewData::TcxCustomEditViewData;
    using TcxCustomEditViewData::ReadProperties;

    virtual void ReadProperties(TcxCustomProgressBarViewInfo* viewInfo);
    virtual int GetTextFlags() { return 0; }
    // Forces the next layout to take every rectangle even after a position change alone.
    bool ForceLayout = false;

    void CalculateLayout(TcxCanvas& canvas, const TRect& bounds, TPoint p, int button, TShiftState shift,
                         TcxCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    void EditValueToViewInfo(TcxCanvas& canvas, const Variant& value, TcxCustomEditViewInfo* viewInfo) override;
    // What auto size adds for the bar: along it the filled part laid out in the editor (with the
    // frame's margin standalone, unless themed) and 3 pixels; across it the font's height.
    TSize GetTextContentSize(TcxCanvas& canvas, const Variant& value, int width) override;

private:
    TcxCustomProgressBarProperties* ProgressProperties() const;
};
