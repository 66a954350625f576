// Pixel access through 32-bit device-independent rows and the small colour routines.
#include <gtest/gtest.h>

#include "ui/core/GraphicsRoutines.h"

namespace {

TEST(GraphicsRoutinesTest, PixelsReadAndWrittenInBothRowOrders) {
    TBitmap bitmap(3, 2, pf32bit);
    const COLORREF colors[2][3] = {{RGB(1, 2, 3), RGB(4, 5, 6), RGB(7, 8, 9)},
                                   {RGB(10, 11, 12), RGB(13, 14, 15), RGB(16, 17, 18)}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            bitmap.Canvas().SetPixel(x, y, static_cast<TColor>(colors[y][x])); // its DC stays open

    TRGBColors pixels;
    ReadBitmapPixels(&bitmap, true, pixels);
    ASSERT_EQ(pixels.size(), 6u);
    EXPECT_EQ(pixels[0].rgbRed, 1);
    EXPECT_EQ(pixels[0].rgbBlue, 3);
    EXPECT_EQ(pixels[5].rgbGreen, 17);
    ReadBitmapPixels(&bitmap, false, pixels);
    EXPECT_EQ(pixels[0].rgbRed, 10); // bottom row first
    EXPECT_EQ(pixels[3].rgbRed, 1);

    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = ColorToRGBQuad(static_cast<TColor>(RGB(100 + i, 50, 200 - i)));
    WriteBitmapPixels(&bitmap, pixels, true);
    EXPECT_TRUE(pixels.empty()); // released
    EXPECT_EQ(bitmap.Canvas().Pixel(0, 0) & 0xFFFFFF, RGB(100, 50, 200));
    EXPECT_EQ(bitmap.Canvas().Pixel(2, 1) & 0xFFFFFF, RGB(105, 50, 195));

    TRGBColors bottomUp(6, ColorToRGBQuad(clBlack));
    bottomUp[0] = ColorToRGBQuad(static_cast<TColor>(RGB(9, 9, 9)));
    WriteBitmapPixels(&bitmap, bottomUp, false);
    EXPECT_EQ(bitmap.Canvas().Pixel(0, 1) & 0xFFFFFF, RGB(9, 9, 9));
    EXPECT_EQ(bitmap.Canvas().Pixel(0, 0) & 0xFFFFFF, RGB(0, 0, 0));

    TBitmap empty;
    ReadBitmapPixels(&empty, true, pixels);
    EXPECT_TRUE(pixels.empty());
}

TEST(GraphicsRoutinesTest, NearestScreenColourOfATrueColourScreenIsTheColour) {
    EXPECT_EQ(GetNearestScreenColor(static_cast<TColor>(RGB(12, 34, 56))) & 0xFFFFFF, RGB(12, 34, 56));
    EXPECT_EQ(GetNearestScreenColor(clWindow) & 0xFFFFFF, ColorToRGB(clWindow) & 0xFFFFFF);
    RGBQUAD face = ColorToRGBQuad(clBtnFace, 255);
    EXPECT_EQ(RGB(face.rgbRed, face.rgbGreen, face.rgbBlue), ColorToRGB(clBtnFace) & 0xFFFFFF);
    EXPECT_EQ(face.rgbReserved, 255);
}

} // namespace
