// Image lists over the common controls, drawn into a top-down DIB and probed by pixels.
#include <gtest/gtest.h>

#include <vector>

#include "platform/graphics/ImageList.h"

namespace {

const COLORREF Red = RGB(255, 0, 0), Blue = RGB(0, 0, 255), White = RGB(255, 255, 255), Black = RGB(0, 0, 0);

// A 4 x 4 picture: the left half blue, the right half white.
std::unique_ptr<TBitmap> HalfBlue() {
    auto bitmap = std::make_unique<TBitmap>(4, 4, pf32bit);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            bitmap->Canvas().SetPixel(x, y, x < 2 ? static_cast<TColor>(Blue) : static_cast<TColor>(White));
    return bitmap;
}

COLORREF At(TBitmap& target, int x, int y) {
    return static_cast<COLORREF>(target.Canvas().Pixel(x, y)) & 0xFFFFFF;
}

void FillWith(TBitmap& target, COLORREF color) {
    target.Canvas().Brush().SetColor(static_cast<TColor>(color));
    target.Canvas().FillRect(Rect(0, 0, target.Width(), target.Height()));
}

TEST(ImageListTest, AddsWithAMaskColourOrAMaskAndDrawsTransparently) {
    TImageList list(4, 4);
    EXPECT_EQ(list.Count(), 0);
    auto picture = HalfBlue();
    EXPECT_EQ(list.AddMasked(picture.get(), static_cast<TColor>(White)), 0);

    TBitmap mask(4, 4, pf1bit); // black opaque, white transparent: only the top row shows
    FillWith(mask, White);
    mask.Canvas().Brush().SetColor(clBlack);
    mask.Canvas().FillRect(Rect(0, 0, 4, 1));
    EXPECT_EQ(list.Add(picture.get(), &mask), 1);
    EXPECT_EQ(list.Count(), 2);
    // The caller's bitmap is left as it was.
    EXPECT_EQ(At(*picture, 3, 3), White);

    TBitmap target(12, 6, pf32bit);
    FillWith(target, Red);
    list.Draw(target.Canvas(), 0, 0, 0);
    list.Draw(target.Canvas(), 6, 0, 1);
    EXPECT_EQ(At(target, 0, 2), Blue);
    EXPECT_EQ(At(target, 3, 2), Red); // the mask colour is transparent
    EXPECT_EQ(At(target, 6, 0), Blue);
    EXPECT_EQ(At(target, 9, 0), White);  // opaque by the mask
    EXPECT_EQ(At(target, 6, 2), Red);    // transparent by the mask
    list.Draw(target.Canvas(), 0, 0, 5); // no such image: nothing
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(ImageListTest, DisabledImagesAreEmbossedThroughTheMask) {
    TImageList list(4, 4);
    auto picture = HalfBlue();
    list.AddMasked(picture.get(), static_cast<TColor>(White));
    TBitmap target(8, 8, pf32bit);
    FillWith(target, Red);
    list.Draw(target.Canvas(), 1, 1, 0, false);
    COLORREF shadow = ColorToRGB(clBtnShadow) & 0xFFFFFF, highlight = ColorToRGB(clBtnHighlight) & 0xFFFFFF;
    EXPECT_EQ(At(target, 1, 1), shadow);
    EXPECT_EQ(At(target, 2, 4), shadow);
    EXPECT_EQ(At(target, 3, 2), highlight); // the highlight shows right of the shape
    EXPECT_EQ(At(target, 2, 5), highlight); // and below it
    EXPECT_EQ(At(target, 4, 2), Red);
    EXPECT_EQ(At(target, 0, 0), Red);
}

class TRecordingImageList : public TImageList {
public:
    TRecordingImageList() : TImageList(4, 4) {}
    std::vector<std::pair<int, bool>> Calls;

protected:
    void DoDraw(int index, TCanvas& canvas, int x, int y, UINT style, bool enabled) override {
        Calls.push_back({index, enabled});
        TImageList::DoDraw(index, canvas, x, y, style, enabled);
    }
};

TEST(ImageListTest, DrawingGoesThroughTheVirtualDoDraw) {
    TRecordingImageList list;
    auto picture = HalfBlue();
    list.AddMasked(picture.get(), static_cast<TColor>(White));
    TBitmap target(4, 4, pf32bit);
    list.Draw(target.Canvas(), 0, 0, 0, true);
    list.Draw(target.Canvas(), 0, 0, 0, false);
    list.Draw(target.Canvas(), 0, 0, 1, true); // out of range: not drawn
    EXPECT_EQ(list.Calls, (std::vector<std::pair<int, bool>>{{0, true}, {0, false}}));
}

} // namespace
