// The library's image list over Wine's comctl32: tiles and items in step, copying, equality and
// drawing with alpha and the disabled looks.
#include <gtest/gtest.h>

#include <memory>

#include "PaintSurface.h"
#include "ui/core/Geometry.h"
#include "ui/core/ImageList.h"

namespace {
constexpr COLORREF kBack = RGB(40, 120, 200);

// Tile k of a strip gets the colour (k * 20 + 10, 200 - k * 20, 77).
COLORREF TileColour(int k) {
    return RGB(k * 20 + 10, 200 - k * 20, 77);
}

std::unique_ptr<TBitmap> Strip(int width, int height, TPixelFormat format = pf24bit) {
    auto bitmap = std::make_unique<TBitmap>(width, height, format);
    int k = 0;
    for (int y = 0; y + 16 <= height; y += 16)
        for (int x = 0; x + 16 <= width; x += 16, ++k) {
            bitmap->Canvas().Brush().SetColor(static_cast<TColor>(TileColour(k)));
            bitmap->Canvas().FillRect(Rect(x, y, x + 16, y + 16));
        }
    if (width % 16) {
        bitmap->Canvas().Brush().SetColor(clYellow);
        bitmap->Canvas().FillRect(Rect(width - width % 16, 0, width, height));
    }
    return bitmap;
}

COLORREF PixelOf(TBitmap& bitmap, int x, int y) {
    return static_cast<COLORREF>(bitmap.Canvas().Pixel(x, y)) & 0xFFFFFF;
}

// The colour of image i as the platform list holds it.
COLORREF PlatformPixel(TCustomImageList& list, int index, int x, int y) {
    TBitmap image;
    GetImageListBitmaps(list.Handle(), index, nullptr, &image);
    return PixelOf(image, x, y);
}

COLORREF Rgb(RGBQUAD q) {
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}
RGBQUAD Quad(COLORREF c, BYTE alpha = 0) {
    return RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), alpha};
}
} // namespace

TEST(ImageList, TilesAndItemsStayInStep) {
    struct {
        int width, height;
        int images;
        int itemWidth; // of every item
    } cases[] = {{16, 16, 1, 16}, {48, 16, 3, 16}, {40, 16, 1, 40}, {48, 32, 6, 16}, {32, 48, 6, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        TcxImageList list(16, 16);
        auto strip = Strip(c.width, c.height);
        EXPECT_EQ(list.AddImage(strip.get(), nullptr), 0);
        ASSERT_EQ(list.Count(), c.images);
        ASSERT_EQ(list.ImageInfo()->Count(), c.images);
        for (int i = 0; i < c.images; ++i) {
            TcxCustomBitmap* item = list.ImageInfo()->Items(i)->Image();
            EXPECT_EQ(item->Width(), c.itemWidth);
            EXPECT_EQ(PixelOf(*item, 3, 3), TileColour(i)) << i;
            EXPECT_EQ(PlatformPixel(list, i, 3, 3), TileColour(i)) << i;
        }
        // A second addition continues behind the first, with a mask colour too.
        EXPECT_EQ(list.AddWithMaskColor(strip.get(), clFuchsia), c.images);
        EXPECT_EQ(list.Count(), 2 * c.images);
        EXPECT_EQ(list.ImageInfo()->Count(), 2 * c.images);
        EXPECT_EQ(list.ImageInfo()->Items(c.images)->MaskColor(), clFuchsia);
    }
    // Narrower than one image: the platform refuses it and nothing is recorded.
    TcxImageList list(16, 16);
    auto narrow = Strip(8, 16);
    EXPECT_EQ(list.AddImage(narrow.get(), nullptr), -1);
    EXPECT_EQ(list.ImageInfo()->Count(), 0);
}

TEST(ImageList, DeleteClearAndChangeLock) {
    TcxImageList list(16, 16);
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    auto strip = Strip(64, 16);
    list.AddImage(strip.get(), nullptr);
    EXPECT_EQ(changes, 1);
    list.DeleteImage(1);
    EXPECT_EQ(changes, 2); // one notification for the platform and the collection
    ASSERT_EQ(list.Count(), 3);
    ASSERT_EQ(list.ImageInfo()->Count(), 3);
    for (int i = 0; i < 3; ++i) {
        const int tile = i == 0 ? 0 : i + 1;
        EXPECT_EQ(PlatformPixel(list, i, 1, 1), TileColour(tile));
        EXPECT_EQ(PixelOf(*list.ImageInfo()->Items(i)->Image(), 1, 1), TileColour(tile));
    }
    list.BeginChange();
    list.BeginChange();
    list.ClearImages();
    list.EndChange(false);
    EXPECT_EQ(changes, 2);
    list.EndChange(true);
    EXPECT_EQ(changes, 3);
    list.EndChange(true); // unbalanced: nothing
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.ImageInfo()->Count(), 0);
}

TEST(ImageList, AssignGetImageAndCopy) {
    TcxImageList source(16, 16);
    auto strip = Strip(48, 16);
    source.AddImage(strip.get(), nullptr);

    TcxImageList copy(8, 8);
    copy.Assign(&source);
    EXPECT_EQ(copy.Width(), 16);
    ASSERT_EQ(copy.Count(), 3);
    ASSERT_EQ(copy.ImageInfo()->Count(), 3);
    EXPECT_EQ(PlatformPixel(copy, 2, 5, 5), TileColour(2));
    EXPECT_EQ(PixelOf(*copy.ImageInfo()->Items(2)->Image(), 5, 5), TileColour(2));

    TImageList plain(16, 16);
    plain.Add(strip.get(), nullptr);
    TcxImageList fromPlain(16, 16);
    fromPlain.Assign(&plain);
    ASSERT_EQ(fromPlain.Count(), 3);
    ASSERT_EQ(fromPlain.ImageInfo()->Count(), 3);
    EXPECT_EQ(PixelOf(*fromPlain.ImageInfo()->Items(1)->Image(), 2, 2), TileColour(1));

    TBitmap notAList(4, 4);
    EXPECT_NO_THROW(copy.Assign(&notAList));
    EXPECT_NO_THROW(copy.Assign(nullptr));
    EXPECT_EQ(copy.Count(), 3);

    TBitmap image(5, 5, pf32bit);
    for (int index : {-1, 3}) {
        copy.GetImage(index, &image, nullptr);
        EXPECT_EQ(image.Width(), 5) << index;
    }
    copy.GetImage(1, &image, nullptr);
    EXPECT_EQ(image.Width(), 16);
    EXPECT_EQ(PixelOf(image, 8, 8), TileColour(1));

    TcxImageInfo info;
    copy.CopyImageInfo(7, &info);
    EXPECT_TRUE(info.Image()->Empty());
    EXPECT_EQ(info.MaskColor, clNone);
    copy.CopyImageInfo(2, &info);
    EXPECT_EQ(PixelOf(*info.Image(), 0, 0), TileColour(2));
}

TEST(ImageList, ListsEqual) {
    auto strip = Strip(32, 16);
    TcxImageList a(16, 16), b(16, 16), empty1(16, 16), empty2(16, 16);
    a.AddImage(strip.get(), nullptr);
    b.AddImage(strip.get(), nullptr);
    EXPECT_TRUE(ImageListsEqual(&empty1, &empty2));
    EXPECT_TRUE(ImageListsEqual(&a, &b));
    EXPECT_FALSE(ImageListsEqual(&a, &empty1));
    strip->Canvas().SetPixel(20, 9, clWhite); // one pixel of the second image
    TcxImageList c(16, 16);
    c.AddImage(strip.get(), nullptr);
    EXPECT_FALSE(ImageListsEqual(&a, &c));
    b.AddImage(strip.get(), nullptr);
    EXPECT_FALSE(ImageListsEqual(&a, &b));
}

// ---------------------------------------------------------------------------------------------
namespace {
// A 16 x 16 image with alpha: transparent around a pre-multiplied square at (4, 4)-(12, 12).
constexpr RGBQUAD kSquare{30, 60, 100, 128};

std::unique_ptr<TBitmap> AlphaImage() {
    auto bitmap = std::make_unique<TBitmap>(16, 16, pf32bit);
    for (int y = 0; y < 16; ++y) {
        auto* row = static_cast<RGBQUAD*>(bitmap->ScanLine(y));
        for (int x = 0; x < 16; ++x)
            row[x] = x >= 4 && x < 12 && y >= 4 && y < 12 ? kSquare : RGBQUAD{0, 0, 0, 0};
    }
    bitmap->Changed(bitmap.get());
    return bitmap;
}

// Red square at (4, 4)-(12, 12) on fuchsia, without alpha.
std::unique_ptr<TBitmap> PlainImage() {
    auto bitmap = std::make_unique<TBitmap>(16, 16, pf24bit);
    bitmap->Canvas().Brush().SetColor(clFuchsia);
    bitmap->Canvas().FillRect(Rect(0, 0, 16, 16));
    bitmap->Canvas().Brush().SetColor(clRed);
    bitmap->Canvas().FillRect(Rect(4, 4, 12, 12));
    return bitmap;
}

RGBQUAD Filtered(RGBQUAD pixel, TcxBitmapFilter filter) {
    TcxBitmap one(1, 1);
    TRGBColors pixels{pixel};
    one.WritePixels(pixels);
    one.ApplyFilter(filter);
    return one.ReadPixels()[0];
}
} // namespace

TEST(ImageListDrawing, EnabledAlphaBlendsOverTheBackground) {
    TcxImageList list(16, 16);
    auto image = AlphaImage();
    list.AddImage(image.get(), nullptr);
    TPaintSurface s(40, 40, kBack);
    list.Draw(s.canvas, 10, 10, 0, true);
    RGBQUAD expected = Quad(kBack);
    BlendPixel(kSquare, expected, 255);
    EXPECT_EQ(s.At(18, 18), Rgb(expected));
    EXPECT_EQ(s.At(14, 21), Rgb(expected));
    EXPECT_EQ(s.At(12, 12), kBack); // transparent part
    EXPECT_EQ(s.At(25, 25), kBack);
}

TEST(ImageListDrawing, DisabledWithAlphaIsGreyAtAlpha151) {
    TcxImageList list(16, 16);
    auto image = AlphaImage();
    list.AddImage(image.get(), nullptr);
    TPaintSurface s(40, 40, kBack);
    list.Draw(s.canvas, 10, 10, 0, false);
    RGBQUAD expected = Quad(kBack);
    BlendPixel(Filtered(kSquare, bfGreyAlt), expected, 151);
    EXPECT_EQ(s.At(18, 18), Rgb(expected));
    EXPECT_EQ(s.At(12, 12), kBack);
}

TEST(ImageListDrawing, DisabledWithoutAlphaHasAHighlightEdge) {
    TcxImageList list(16, 16);
    auto image = PlainImage();
    list.AddWithMaskColor(image.get(), clFuchsia);
    TPaintSurface s(40, 40, kBack);
    list.Draw(s.canvas, 10, 10, 0, false);
    RGBQUAD expected = Quad(kBack);
    BlendPixel(Filtered(RGBQUAD{0, 0, 255, 255}, bfDisable), expected, 255);
    const COLORREF highlight = Sys(clBtnHighlight);
    EXPECT_EQ(s.At(17, 17), Rgb(expected)); // inside the shape
    EXPECT_EQ(s.At(22, 17), highlight);     // just right of its edge
    EXPECT_EQ(s.At(17, 22), highlight);     // just below it
    EXPECT_EQ(s.At(22, 22), highlight);
    EXPECT_EQ(s.At(23, 17), kBack);
    EXPECT_EQ(s.At(14, 22), kBack); // the upper-left neighbour is not part of the shape
    EXPECT_EQ(s.At(13, 13), kBack);
}

TEST(ImageListDrawing, WithoutAlphaBlendingThePlatformDraws) {
    TcxImageList list(16, 16);
    TImageList plain(16, 16);
    auto image = PlainImage();
    list.AddWithMaskColor(image.get(), clFuchsia);
    plain.AddMasked(image.get(), clFuchsia);
    list.AlphaBlending = false;
    for (bool enabled : {true, false}) {
        TPaintSurface ours(40, 40, kBack), platform(40, 40, kBack);
        list.Draw(ours.canvas, 10, 10, 0, enabled);
        plain.Draw(platform.canvas, 10, 10, 0, enabled);
        int differences = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                differences += ours.At(x, y) != platform.At(x, y);
        EXPECT_EQ(differences, 0) << enabled;
        EXPECT_NE(ours.At(17, 17), kBack);
    }
}

// A 40 x 16 bitmap is one item holding all of it, but one image: its top-left 16 x 16.
TEST(ImageListDrawing, AnItemLargerThanOneImageDrawsItsTopLeftImage) {
    TBitmap wide(40, 16, pf32bit);
    for (int y = 0; y < 16; ++y) {
        auto* row = static_cast<RGBQUAD*>(wide.ScanLine(y));
        for (int x = 0; x < 40; ++x)
            row[x] = x < 8 ? RGBQUAD{0, 0, 255, 255} : RGBQUAD{255, 0, 0, 255}; // red, then blue
    }
    wide.Changed(&wide);
    TcxImageList list(16, 16);
    ASSERT_EQ(list.AddImage(&wide, nullptr), 0);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.ImageInfo()->Items(0)->Image()->Width(), 40);
    TBitmap image;
    list.GetImage(0, &image, nullptr);
    EXPECT_EQ(image.Width(), 16);
    TPaintSurface s(40, 40, kBack);
    list.Draw(s.canvas, 10, 10, 0, true);
    EXPECT_EQ(s.At(17, 15), RGB(255, 0, 0)); // column 7: still red, not squeezed
    EXPECT_EQ(s.At(18, 15), RGB(0, 0, 255));
    EXPECT_EQ(s.At(25, 15), RGB(0, 0, 255));
    EXPECT_EQ(s.At(26, 15), kBack);
}
