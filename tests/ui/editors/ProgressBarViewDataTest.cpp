#include <gtest/gtest.h>

#include "ui/core/Geometry.h"
#include "ui/editors/ProgressBarViewData.h"

namespace {
struct TLayoutRig {
    TcxProgressBarProperties properties;
    std::unique_ptr<TcxCustomEditViewData> data = properties.MakeViewData(nullptr, false);
    std::unique_ptr<TcxContainerViewInfo> info = properties.ViewInfoClass()();
    TBitmap surface{10, 10};
    TcxCanvas canvas{&surface.Canvas()};

    TcxCustomProgressBarViewInfo& ViewInfo() { return *dynamic_cast<TcxCustomProgressBarViewInfo*>(info.get()); }
    void Show(double position, bool positionOnly) {
        properties.PositionChanged = positionOnly;
        auto* vi = &ViewInfo();
        data->EditValueToViewInfo(canvas, Variant(position), vi);
        data->CalculateLayout(canvas, MakeRect(0, 0, 297, 21), TPoint{-1, -1}, -1, TShiftState(), vi, false);
    }
};
} // namespace

TEST(ProgressBarViewData, LaysOutFromThePropertiesAndSkipsWhatMovedNothing) {
    TLayoutRig rig;
    ASSERT_NE(dynamic_cast<TcxCustomProgressBarViewData*>(rig.data.get()), nullptr);
    rig.properties.SetBarStyle(cxbsGradientLEDs);
    rig.properties.SetShowPeak(true);
    rig.Show(33.3, false);
    TcxCustomProgressBarViewInfo& vi = rig.ViewInfo();
    EXPECT_EQ(vi.BarStyle(), cxbsGradientLEDs);
    EXPECT_EQ(vi.BeginColor, 0x800000);
    const TRect client = vi.ContentRect;
    ASSERT_GT(GetRectWidth(client), 0);
    EXPECT_EQ(vi.FilledRect.left, client.left);
    EXPECT_EQ(GetRectWidth(vi.FilledRect), static_cast<int>(GetRectWidth(client) * 33.3 / 100));
    EXPECT_TRUE(vi.LayoutChanged);
    EXPECT_TRUE(vi.TrackChanged);

    // A position change within the same pixel: nothing to repaint.
    rig.Show(33.3001, true);
    EXPECT_FALSE(vi.LayoutChanged);
    EXPECT_FALSE(rig.properties.PositionChanged);
    rig.Show(80, true);
    EXPECT_TRUE(vi.LayoutChanged);
    const TRect peakAt80 = vi.PeakRect;
    // Lowered, the peak mark stays at the highest position shown.
    rig.Show(20, true);
    EXPECT_EQ(rig.properties.PeakValue(), 80);
    EXPECT_EQ(vi.PeakRect.left, peakAt80.left);
    EXPECT_LT(vi.FilledRect.right, peakAt80.left);
}
