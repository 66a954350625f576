#include <gtest/gtest.h>

#include "PaintSurface.h"

namespace {
// Pixel (x, y) of a W x H picture carries the value 10 x + y + 1 in its blue channel.
std::unique_ptr<TBitmap> Numbered(int w, int h) {
    auto bitmap = std::make_unique<TBitmap>(w, h, pf32bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bitmap->Canvas().SetPixel(x, y, RGB(0, 0, 10 * x + y + 1));
    return bitmap;
}
int ValueAt(TBitmap& bitmap, int x, int y) {
    return GetBValue(ColorToRGB(bitmap.Canvas().Pixel(x, y)));
}
} // namespace

TEST(CanvasRotateBitmap, QuarterTurnsAndMirrors) {
    const int w = 3, h = 2;
    struct Case {
        TcxRotationAngle rotation;
        bool flip;
        int width, height;
        // Where source pixel (x, y) lands.
        TPoint (*target)(int x, int y);
    } cases[] = {
        {ra0, true, 3, 2, [](int x, int y) { return Point(x, h - 1 - y); }},
        {raPlus90, false, 2, 3, [](int x, int y) { return Point(y, w - 1 - x); }},
        {raPlus90, true, 2, 3, [](int x, int y) { return Point(y, x); }},
        {raMinus90, false, 2, 3, [](int x, int y) { return Point(h - 1 - y, x); }},
        {raMinus90, true, 2, 3, [](int x, int y) { return Point(h - 1 - y, w - 1 - x); }},
        {ra180, false, 3, 2, [](int x, int y) { return Point(w - 1 - x, h - 1 - y); }},
        {ra180, true, 3, 2, [](int x, int y) { return Point(w - 1 - x, y); }},
    };
    TcxCanvas canvas(GetSharedScreenCanvas()->Canvas());
    for (const Case& c : cases) {
        auto bitmap = Numbered(w, h);
        canvas.RotateBitmap(bitmap.get(), c.rotation, c.flip);
        ASSERT_EQ(bitmap->Width(), c.width) << c.rotation << c.flip;
        ASSERT_EQ(bitmap->Height(), c.height) << c.rotation << c.flip;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                TPoint p = c.target(x, y);
                EXPECT_EQ(ValueAt(*bitmap, p.x, p.y), 10 * x + y + 1)
                    << c.rotation << c.flip << " " << x << y;
            }
    }
    // No turn and no mirror leaves the bitmap alone.
    auto bitmap = Numbered(w, h);
    canvas.RotateBitmap(bitmap.get(), ra0, false);
    EXPECT_EQ(ValueAt(*bitmap, 2, 1), 22);
    // A quarter turn and the opposite one give the picture back.
    canvas.RotateBitmap(bitmap.get(), raPlus90, false);
    canvas.RotateBitmap(bitmap.get(), raMinus90, false);
    EXPECT_EQ(bitmap->Width(), 3);
    EXPECT_EQ(ValueAt(*bitmap, 2, 1), 22);
    EXPECT_EQ(ValueAt(*bitmap, 0, 1), 2);
}
