#include <gtest/gtest.h>

#include <functional>

#include "PaintSurface.h"

namespace {
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 128, 0);

// A 10 x 10 tile, blue with a red pixel at its origin, so that every copied tile leaves one red mark.
std::unique_ptr<TBitmap> MarkedTile() {
    auto tile = std::make_unique<TBitmap>(10, 10, pf32bit);
    tile->Canvas().Brush().SetColor(clBlue);
    tile->Canvas().FillRect(Rect(0, 0, 10, 10));
    tile->Canvas().SetPixel(0, 0, clRed);
    return tile;
}

bool BoxIs(HRGN region, RECT expected) {
    RECT box{};
    GetRgnBox(region, &box);
    return EqualRect(&box, &expected) != 0;
}
} // namespace

TEST(CanvasFill, FillRectColorHonoursNoneAndDefault) {
    TPaintSurface s(20, 20);
    s.cx.FillRectColor(Rect(0, 0, 20, 20), clNone);
    EXPECT_EQ(s.Count(kWhite), 400);

    s.cx.Brush().SetColor(clBlue);
    s.cx.FillRectColor(Rect(0, 0, 5, 5), clDefault);
    EXPECT_TRUE(s.AllOf(Rect(0, 0, 5, 5), kBlue));

    s.cx.FillRectColor(Rect(5, 5, 10, 10), clRed);
    EXPECT_TRUE(s.AllOf(Rect(5, 5, 10, 10), kRed));
    EXPECT_EQ(s.cx.Brush().Color(), clRed);
    EXPECT_EQ(s.Count(kWhite), 400 - 50);
}

TEST(CanvasFill, TilesAreAlignedToTheLogicalOrigin) {
    struct Case {
        RECT rect;
        int tiles; // red marks left inside the rectangle
    } cases[] = {
        {{5, 5, 20, 20}, 1}, // columns and rows 0 and 1; only tile (1, 1) shows its origin
        {{0, 0, 20, 20}, 4}, // column and row 2 are dropped: 20 mod 10 = 0
        {{0, 0, 21, 21}, 9}, // a pixel of column 2 and row 2 is needed
        {{3, 3, 9, 9}, 0},   // inside one tile
    };
    auto tile = MarkedTile();
    for (const Case& c : cases) {
        TPaintSurface s(40, 40);
        s.cx.FillRectWithBitmap(c.rect, tile.get());
        EXPECT_EQ(s.Count(kRed), c.tiles) << c.rect.left << "," << c.rect.right;
        EXPECT_EQ(s.Count(kWhite), 1600 - (c.rect.right - c.rect.left) * (c.rect.bottom - c.rect.top));
        for (int y = c.rect.top; y < c.rect.bottom; ++y)
            for (int x = c.rect.left; x < c.rect.right; ++x)
                ASSERT_EQ(s.At(x, y), (x % 10 == 0 && y % 10 == 0) ? kRed : kBlue) << x << "," << y;
    }
}

TEST(CanvasFill, NegativeLogicalCoordinatesAreFilledCompletely) {
    // Logical (-5, -5)-(5, 5) lands on device (15, 15)-(25, 25). Truncating division would leave
    // the strips left of and above the origin empty.
    TPaintSurface s(40, 40);
    s.cx.SetWindowOrigin(Point(-20, -20));
    auto tile = MarkedTile();
    s.cx.FillRectWithBitmap(Rect(-5, -5, 5, 5), tile.get());
    EXPECT_EQ(s.Count(kWhite), 1600 - 100);
    EXPECT_EQ(s.At(20, 20), kRed);  // logical origin: first pixel of tile (0, 0)
    EXPECT_EQ(s.At(15, 15), kBlue); // logical (-5, -5): middle of tile (-1, -1)
    EXPECT_EQ(s.Count(kRed), 1);
}

TEST(CanvasFill, WithoutBitmapUsesTheBrushAndExcludeProtectsTheArea) {
    TPaintSurface s(20, 20);
    s.cx.Brush().SetColor(clBlue);
    s.cx.FillRectWithBitmap(Rect(0, 0, 10, 10), nullptr, true);
    EXPECT_TRUE(s.AllOf(Rect(0, 0, 10, 10), kBlue));
    s.cx.FillRectColor(Rect(0, 0, 20, 20), clRed);
    EXPECT_TRUE(s.AllOf(Rect(0, 0, 10, 10), kBlue));
    EXPECT_EQ(s.Count(kRed), 400 - 100);

    // An empty rectangle does nothing, not even the exclusion.
    TPaintSurface t(20, 20);
    t.cx.FillRectWithBitmap(Rect(5, 5, 5, 15), nullptr, true);
    t.cx.FillRectColor(Rect(0, 0, 20, 20), clRed);
    EXPECT_EQ(t.Count(kRed), 400);
}

TEST(CanvasFrame, StripsStayInsideTheRectangle) {
    TPaintSurface s(30, 30);
    s.cx.DrawRectFrame(Rect(10, 10, 14, 14), clRed, 10);
    EXPECT_TRUE(s.AllOf(Rect(10, 10, 14, 14), kRed));
    EXPECT_EQ(s.Count(kRed), 16);

    TPaintSurface t(30, 30);
    t.cx.DrawRectFrame(Rect(0, 0, 10, 10), clBlue, 2, TcxBorders{bLeft, bBottom});
    EXPECT_TRUE(t.AllOf(Rect(0, 0, 2, 10), kBlue));
    EXPECT_TRUE(t.AllOf(Rect(0, 8, 10, 10), kBlue));
    EXPECT_TRUE(t.AllOf(Rect(2, 0, 10, 8), kWhite));
    EXPECT_EQ(t.Count(kBlue), 20 + 16);

    t.cx.DrawRectFrame(Rect(0, 0, 10, 10), clNone, 3);
    EXPECT_EQ(t.Count(kBlue), 36);
}

TEST(CanvasFrame, LaterSidesOwnTheCornersOfATwoColourFrame) {
    TPaintSurface s(12, 12);
    s.cx.DrawTwoColorFrame(Rect(1, 1, 11, 11), clRed, clBlue);
    EXPECT_EQ(s.At(1, 1), kRed);   // top over left
    EXPECT_EQ(s.At(10, 1), kBlue); // right over top
    EXPECT_EQ(s.At(1, 10), kBlue); // bottom over left
    EXPECT_EQ(s.At(10, 10), kBlue);
    EXPECT_EQ(s.At(1, 5), kRed);
    EXPECT_EQ(s.At(5, 1), kRed);
    EXPECT_EQ(s.At(10, 5), kBlue);
    EXPECT_EQ(s.At(5, 10), kBlue);
    EXPECT_TRUE(s.AllOf(Rect(2, 2, 10, 10), kWhite));
    EXPECT_EQ(s.At(0, 0), kWhite);
    EXPECT_EQ(s.At(11, 11), kWhite);
}

TEST(CanvasFrame, ThreeDimensionalEdgeColours) {
    struct Case {
        bool sunken, outer;
        TColor leftTop, rightBottom;
    } cases[] = {
        {true, true, clBtnShadow, clBtnHighlight},
        {true, false, cl3DDkShadow, cl3DLight},
        {false, true, cl3DLight, cl3DDkShadow},
        {false, false, clBtnHighlight, clBtnShadow},
    };
    for (const Case& c : cases) {
        TPaintSurface s(10, 10, kGreen);
        s.cx.Draw3DEdge(Rect(0, 0, 10, 10), c.sunken, c.outer);
        EXPECT_EQ(s.At(0, 5), Sys(c.leftTop));
        EXPECT_EQ(s.At(5, 0), Sys(c.leftTop));
        EXPECT_EQ(s.At(9, 5), Sys(c.rightBottom));
        EXPECT_EQ(s.At(5, 9), Sys(c.rightBottom));
        EXPECT_EQ(s.At(5, 5), kGreen);
    }
}

TEST(CanvasFrame, FramedFillFillsInsideTheFrame) {
    TPaintSurface s(20, 20);
    TcxPaintParams appearance;
    appearance.Color = clBlue;
    s.cx.DrawFramedFill(Rect(0, 0, 10, 10), appearance, TcxBorders{bLeft, bTop}, clRed, 2);
    EXPECT_TRUE(s.AllOf(Rect(0, 0, 2, 10), kRed));
    EXPECT_TRUE(s.AllOf(Rect(0, 0, 10, 2), kRed));
    EXPECT_TRUE(s.AllOf(Rect(2, 2, 10, 10), kBlue));
    EXPECT_EQ(s.Count(kWhite), 400 - 100);
}

TEST(CanvasShapes, InvertRectAreaInvertsAndRestoresCopyMode) {
    TPaintSurface s(10, 10);
    s.cx.InvertRectArea(Rect(2, 2, 5, 5));
    EXPECT_TRUE(s.AllOf(Rect(2, 2, 5, 5), RGB(0, 0, 0)));
    EXPECT_EQ(s.Count(kWhite), 100 - 9);
    EXPECT_EQ(s.cx.CopyMode(), static_cast<DWORD>(SRCCOPY));
}

// ---------------------------------------------------------------------------------------------
TEST(CanvasClip, DefaultClipRegionIsTheLargeRectangleMovedByTheOrigin) {
    TPaintSurface s(10, 10);
    EXPECT_TRUE(BoxIs(s.cx.CopyClipRegion(false)->Handle(), Rect(0, 0, 30000, 30000)));

    s.cx.SetWindowOrigin(Point(-20, -30));
    EXPECT_EQ(s.cx.GetDeviceOrigin().x, 20);
    EXPECT_EQ(s.cx.GetDeviceOrigin().y, 30);
    EXPECT_TRUE(BoxIs(s.cx.CopyClipRegion(true)->Handle(), Rect(-20, -30, 29980, 29970)));
}

TEST(CanvasClip, PushAndPopRestoreTheClipInLogicalCoordinates) {
    TPaintSurface s(40, 40);
    s.cx.SetWindowOrigin(Point(-10, -10));
    s.cx.IntersectClip(Rect(-10, -10, 20, 20)); // device (0, 0)-(30, 30)
    s.cx.PushClipRegion();
    s.cx.IntersectClip(Rect(0, 0, 5, 5)); // device (10, 10)-(15, 15)
    EXPECT_TRUE(s.cx.IsRectVisible(Rect(1, 1, 2, 2)));
    EXPECT_FALSE(s.cx.IsRectVisible(Rect(6, 6, 8, 8)));
    s.cx.FillRectColor(Rect(-10, -10, 30, 30), clRed);
    EXPECT_EQ(s.Count(kRed), 25);
    EXPECT_TRUE(s.AllOf(Rect(10, 10, 15, 15), kRed));

    s.cx.PopClipRegion();
    s.cx.FillRectColor(Rect(-10, -10, 30, 30), clBlue);
    EXPECT_EQ(s.Count(kBlue), 900);
    EXPECT_TRUE(s.AllOf(Rect(0, 0, 30, 30), kBlue));

    s.cx.PopClipRegion(); // empty stack: nothing happens
    s.cx.FillRectColor(Rect(-10, -10, 30, 30), clGreen);
    EXPECT_EQ(s.Count(kGreen), 900);
}

TEST(CanvasClip, ApplyClipRegionCombinesWithTheCurrentClip) {
    struct Case {
        TcxRegionCombineMode mode;
        int painted;
    } cases[] = {
        {rcmSet, 25},       // only the region
        {rcmAdd, 125},      // (0,0)-(10,10) plus (15,15)-(20,20)
        {rcmSubtract, 100}, // the region lies outside the clip
        {rcmIntersect, 0},
    };
    for (const Case& c : cases) {
        TPaintSurface s(30, 30);
        s.cx.IntersectClip(Rect(0, 0, 10, 10));
        s.cx.ApplyClipRegion(TcxRegion::CreateFromCoords(15, 15, 20, 20), c.mode);
        s.cx.FillRectColor(Rect(0, 0, 30, 30), clRed);
        EXPECT_EQ(s.Count(kRed), c.painted) << c.mode;
    }

    // The caller's region is left where it was when it is not handed over.
    TPaintSurface s(30, 30);
    s.cx.SetWindowOrigin(Point(-5, -5));
    TcxRegion keep(0, 0, 4, 4);
    s.cx.ApplyClipRegion(keep, rcmSet);
    EXPECT_TRUE(BoxIs(keep.Handle(), Rect(0, 0, 4, 4)));
    s.cx.FillRectColor(Rect(-5, -5, 25, 25), clRed);
    EXPECT_TRUE(s.AllOf(Rect(5, 5, 9, 9), kRed));
    EXPECT_EQ(s.Count(kRed), 16);

    s.cx.ExcludeFromClip(Rect(0, 0, 2, 4));
    s.cx.FillRectColor(Rect(-5, -5, 25, 25), clBlue);
    EXPECT_EQ(s.Count(kBlue), 8);
}

TEST(CanvasState, PushStateAndPopStateRoundTrip) {
    TPaintSurface s(20, 20);
    s.cx.Font().SetName("Arial");
    s.cx.Font().SetColor(clRed);
    s.cx.Brush().SetColor(clBlue);
    s.cx.Pen().SetWidth(3);

    s.cx.PushState();
    s.cx.Font().SetName("Courier New");
    s.cx.Font().SetColor(clGreen);
    s.cx.Brush().SetStyle(bsClear);
    s.cx.Pen().SetWidth(1);
    s.cx.IntersectClip(Rect(0, 0, 5, 5));
    s.cx.PopState();

    EXPECT_EQ(s.cx.Font().Name(), "Arial");
    EXPECT_EQ(s.cx.Font().Color(), clRed);
    EXPECT_EQ(s.cx.Brush().Style(), bsSolid);
    EXPECT_EQ(s.cx.Brush().Color(), clBlue);
    EXPECT_EQ(s.cx.Pen().Width(), 3);
    // The DC is restored too: the clip set inside is gone, and drawing uses the restored brush.
    s.cx.FillRectColor(Rect(0, 0, 20, 20), clDefault);
    EXPECT_EQ(s.Count(kBlue), 400);
}

TEST(CanvasState, PopStateWithoutStateLeavesTheDCStackAlone) {
    TPaintSurface s(20, 20);
    s.cx.PushDC();
    s.cx.IntersectClip(Rect(0, 0, 5, 5));
    s.cx.PopState(); // nothing saved: must not pop the DC
    s.cx.FillRectColor(Rect(0, 0, 20, 20), clRed);
    EXPECT_EQ(s.Count(kRed), 25);
    s.cx.PopDC();
    s.cx.FillRectColor(Rect(0, 0, 20, 20), clBlue);
    EXPECT_EQ(s.Count(kBlue), 400);
    s.cx.PopDC(); // empty stack: nothing happens
}

// ---------------------------------------------------------------------------------------------
TEST(Region, CombineModes) {
    struct Case {
        TcxRegionCombineMode mode;
        bool at2, at7, at12; // is (x, x) inside afterwards
    } cases[] = {
        {rcmSet, false, true, true},
        {rcmAdd, true, true, true},
        {rcmSubtract, true, false, false},
        {rcmIntersect, false, true, false},
    };
    for (const Case& c : cases) {
        TcxRegion region(0, 0, 10, 10);
        region.CombineWith(TcxRegion::CreateFromCoords(5, 5, 15, 15), c.mode);
        EXPECT_EQ(PtInRegion(region.Handle(), 2, 2) != 0, c.at2) << c.mode;
        EXPECT_EQ(PtInRegion(region.Handle(), 7, 7) != 0, c.at7) << c.mode;
        EXPECT_EQ(PtInRegion(region.Handle(), 12, 12) != 0, c.at12) << c.mode;
    }
}

TEST(Region, EmptinessEqualityOffsetAndRoundRect) {
    TcxRegion empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_FALSE(empty.SameAs(nullptr));
    TcxRegion otherEmpty(5, 5, 5, 9);
    EXPECT_TRUE(empty.SameAs(&otherEmpty));

    TcxRegion a(Rect(0, 0, 10, 10)), b(2, 2, 12, 12);
    EXPECT_FALSE(a.IsEmpty());
    EXPECT_FALSE(a.SameAs(&b));
    b.Offset(-2, -2);
    EXPECT_TRUE(a.SameAs(&b));
    EXPECT_TRUE(a.IsEqualHandle(b.Handle()));

    auto round = TcxRegion::CreateRoundRect(Rect(0, 0, 10, 10), 4, 4);
    HRGN expected = CreateRoundRectRgn(1, 1, 10, 10, 4, 4);
    EXPECT_TRUE(round->IsEqualHandle(expected));
    DeleteObject(expected);

    HRGN released = a.ReleaseHandle();
    EXPECT_EQ(a.Handle(), nullptr);
    DeleteObject(released);
}

TEST(CanvasState, DrawingAfterPopDCUsesTheCanvasObjects) {
    // RestoreDC puts back the brush and pen selected at PushDC; the canvas must not go on
    // believing that its current ones are still selected.
    TPaintSurface s(30, 10);
    s.cx.Brush().SetColor(clBlue);
    s.cx.Pen().SetColor(clBlue);
    s.canvas.Rectangle(0, 0, 10, 10);
    EXPECT_TRUE(s.AllOf(Rect(0, 0, 10, 10), kBlue));

    s.cx.PushDC();
    s.cx.Brush().SetColor(clRed);
    s.cx.Pen().SetColor(clRed);
    s.canvas.Rectangle(10, 0, 20, 10);
    EXPECT_TRUE(s.AllOf(Rect(10, 0, 20, 10), kRed));
    s.cx.PopDC();

    const TPoint square[] = {{20, 0}, {29, 0}, {29, 9}, {20, 9}};
    s.cx.DrawPolygon(square);
    EXPECT_TRUE(s.AllOf(Rect(20, 0, 30, 10), kRed));

    // Nothing of the canvas selected at PushDC: the DC's own objects come back.
    TPaintSurface t(20, 10, kGreen);
    t.cx.PushDC();
    t.cx.Brush().SetColor(clRed);
    t.cx.Pen().SetColor(clRed);
    t.canvas.Rectangle(0, 0, 10, 10);
    t.cx.PopDC();
    t.canvas.Rectangle(10, 0, 20, 10);
    EXPECT_TRUE(t.AllOf(Rect(0, 0, 20, 10), kRed));
}

TEST(CanvasFrame, FocusFrameIsAnXorDottedRectangle) {
    TPaintSurface s(20, 20);
    s.cx.Brush().SetColor(clRed);
    s.cx.DrawFocusFrame(Rect(2, 2, 18, 18));
    EXPECT_EQ(s.cx.Brush().Color(), clWhite);
    EXPECT_EQ(s.cx.Font().Color(), clBlack);
    // Dots on the outline only, none inside or outside it.
    const int dots = 400 - s.Count(kWhite);
    EXPECT_GT(dots, 0);
    EXPECT_TRUE(s.AllOf(Rect(3, 3, 17, 17), kWhite));
    EXPECT_TRUE(s.AllOf(Rect(0, 0, 20, 2), kWhite));
    EXPECT_TRUE(s.AllOf(Rect(0, 18, 20, 20), kWhite));
    // Drawn again, it takes itself away.
    s.cx.DrawFocusFrame(Rect(2, 2, 18, 18));
    EXPECT_EQ(s.Count(kWhite), 400);
}

TEST(CanvasFill, FillsAndFramesLeaveASolidBrushOfTheirColourWhateverItWasBefore) {
    struct Routine {
        const char* Name;
        TColor Asked; // the colour the brush must hold afterwards
        std::function<void(TPaintSurface&)> Draw;
        std::function<void(TPaintSurface&)> Check;
    } routines[] = {
        {"FillRectColor", clRed, [](TPaintSurface& s) { s.cx.FillRectColor(Rect(2, 2, 8, 8), clRed); },
         [](TPaintSurface& s) { EXPECT_TRUE(s.AllOf(Rect(2, 2, 8, 8), kRed)); }},
        {"DrawRectFrame", clRed, [](TPaintSurface& s) { s.cx.DrawRectFrame(Rect(0, 0, 10, 10), clRed, 2); },
         [](TPaintSurface& s) {
             EXPECT_TRUE(s.AllOf(Rect(0, 0, 10, 2), kRed));
             EXPECT_TRUE(s.AllOf(Rect(0, 0, 2, 10), kRed));
             EXPECT_TRUE(s.AllOf(Rect(8, 0, 10, 10), kRed));
             EXPECT_TRUE(s.AllOf(Rect(0, 8, 10, 10), kRed));
             EXPECT_TRUE(s.AllOf(Rect(2, 2, 8, 8), kWhite));
         }},
        {"DrawTwoColorFrame", clGreen,
         [](TPaintSurface& s) { s.cx.DrawTwoColorFrame(Rect(0, 0, 10, 10), clRed, clGreen); },
         [](TPaintSurface& s) {
             EXPECT_TRUE(s.AllOf(Rect(0, 0, 9, 1), kRed));
             EXPECT_TRUE(s.AllOf(Rect(0, 0, 1, 9), kRed));
             EXPECT_TRUE(s.AllOf(Rect(9, 0, 10, 10), kGreen));
             EXPECT_TRUE(s.AllOf(Rect(0, 9, 10, 10), kGreen));
         }},
        {"DrawFocusFrame", clWhite, [](TPaintSurface& s) { s.cx.DrawFocusFrame(Rect(0, 0, 10, 10)); },
         [](TPaintSurface& s) {
             EXPECT_GT(400 - s.Count(kWhite), 0); // the dots show on white
             EXPECT_TRUE(s.AllOf(Rect(1, 1, 9, 9), kWhite));
             EXPECT_EQ(GetBkColor(s.DC()), kWhite);
         }},
    };
    for (const Routine& r : routines) {
        const TColor other = r.Asked == clBlue ? clRed : clBlue;
        struct Before {
            const char* Name;
            TColor Color;
            TBrushStyle Style;
        } befores[] = {{"clear, of the colour", r.Asked, bsClear},
                       {"clear, of another colour", other, bsClear},
                       {"solid, of another colour", other, bsSolid},
                       {"hatched, of the colour", r.Asked, bsCross}};
        for (const Before& b : befores) {
            SCOPED_TRACE(std::string(r.Name) + ", " + b.Name);
            TPaintSurface s(20, 20);
            s.cx.Brush().SetColor(b.Color);
            s.cx.Brush().SetStyle(b.Style);
            r.Draw(s);
            r.Check(s);
            EXPECT_EQ(s.cx.Brush().Style(), bsSolid);
            EXPECT_EQ(s.cx.Brush().Color(), r.Asked);
            // The brush the device context holds fills in that colour too.
            s.canvas.FillRect(Rect(12, 12, 20, 20));
            EXPECT_TRUE(s.AllOf(Rect(12, 12, 20, 20), Sys(r.Asked)));
        }
    }
}
