// Standard and flat painters: frames by side, expand buttons, scroll-bar parts.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "PainterTestSupport.h"
#include "ui/core/Geometry.h"
#include "ui/core/StandardPainters.h"

namespace {
constexpr COLORREF kBack = RGB(1, 2, 3);
const TcxCustomLookAndFeelPainter* Standard() {
    return TcxStandardLookAndFeelPainter::Painter();
}
const TcxCustomLookAndFeelPainter* Flat() {
    return TcxFlatLookAndFeelPainter::Painter();
}
using PaintFn = std::function<void(TcxCanvas*, const TRect&)>;
const TRingColours kUntouched{kBack, kBack, kBack, kBack};
} // namespace

TEST(ClassicPainters, FramesBySide) {
    struct Case {
        const char* name;
        PaintFn paint;
        std::vector<TRingColours> rings; // from the outside in
    } cases[] = {
        {"standard button",
         [](TcxCanvas* c, const TRect& r) { Standard()->PaintButtonFrame(c, r, bpsNormal); },
         {Ring(clBtnHighlight, cl3DDkShadow), Ring(cl3DLight, clBtnShadow), kUntouched}},
        {"standard hot button",
         [](TcxCanvas* c, const TRect& r) { Standard()->PaintButtonFrame(c, r, bpsHot); },
         {Ring(clBtnHighlight, cl3DDkShadow), Ring(cl3DLight, clBtnShadow), kUntouched}},
        {"standard default button",
         [](TcxCanvas* c, const TRect& r) { Standard()->PaintButtonFrame(c, r, bpsDefault); },
         {Ring(clBlack, clBlack), Ring(clBtnHighlight, cl3DDkShadow), Ring(cl3DLight, clBtnShadow),
          kUntouched}},
        {"standard pressed button",
         [](TcxCanvas* c, const TRect& r) { Standard()->PaintButtonFrame(c, r, bpsPressed); },
         {Ring(clBlack, clBlack), Ring(clBtnShadow, clBtnShadow), kUntouched}},
        {"flat button",
         [](TcxCanvas* c, const TRect& r) { Flat()->PaintButtonFrame(c, r, bpsNormal); },
         {Ring(clBtnHighlight, clBtnShadow), kUntouched}},
        {"flat default button",
         [](TcxCanvas* c, const TRect& r) { Flat()->PaintButtonFrame(c, r, bpsDefault); },
         {Ring(clBlack, clBlack), Ring(clBtnHighlight, clBtnShadow), kUntouched}},
        {"flat pressed button",
         [](TcxCanvas* c, const TRect& r) { Flat()->PaintButtonFrame(c, r, bpsPressed); },
         {Ring(clBtnShadow, clBtnHighlight), kUntouched}},
        {"standard check box",
         [](TcxCanvas* c, const TRect& r) { Standard()->PaintCheckBoxFrame(c, r, bpsNormal); },
         {Ring(cl3DDkShadow, cl3DLight), Ring(clBtnShadow, clBtnHighlight), kUntouched}},
        {"flat check box",
         [](TcxCanvas* c, const TRect& r) { Flat()->PaintCheckBoxFrame(c, r, bpsNormal); },
         {Ring(clBtnShadow, clBtnHighlight), Ring(clWindow, clWindow), kUntouched}},
        {"flat pressed check box",
         [](TcxCanvas* c, const TRect& r) { Flat()->PaintCheckBoxFrame(c, r, bpsPressed); },
         {Ring(clBtnShadow, clBtnHighlight), Ring(clBtnFace, clBtnFace), kUntouched}},
        {"standard control border",
         [](TcxCanvas* c, const TRect& r) { Standard()->PaintControlBorder(c, r); },
         {Ring(clBtnShadow, clBtnHighlight), Ring(cl3DDkShadow, cl3DLight), kUntouched}},
        {"flat control border",
         [](TcxCanvas* c, const TRect& r) { Flat()->PaintControlBorder(c, r); },
         {Ring(clBtnShadow, clBtnHighlight), kUntouched}},
        {"standard header section",
         [](TcxCanvas* c, const TRect& r) {
             Standard()->PaintHeaderSectionFrame(c, r, cxBordersAll, bpsNormal);
         },
         {Ring(clBtnHighlight, cl3DDkShadow), Ring(cl3DLight, clBtnShadow), kUntouched}},
        {"standard pressed header section",
         [](TcxCanvas* c, const TRect& r) {
             Standard()->PaintHeaderSectionFrame(c, r, cxBordersAll, bpsPressed);
         },
         {Ring(clBtnShadow, clBtnShadow), kUntouched}},
        {"flat pressed header section",
         [](TcxCanvas* c, const TRect& r) {
             Flat()->PaintHeaderSectionFrame(c, r, cxBordersAll, bpsPressed);
         },
         {Ring(clBtnShadow, clBtnHighlight), kUntouched}},
        {"standard footer",
         [](TcxCanvas* c, const TRect& r) { Standard()->PaintFooterFrame(c, r); },
         {Ring(clBtnHighlight, clBtnShadow), kUntouched}},
        {"flat footer cell",
         [](TcxCanvas* c, const TRect& r) { Flat()->PaintFooterCellFrame(c, r); },
         {Ring(clBtnShadow, clBtnHighlight), kUntouched}},
        {"standard filter drop button",
         [](TcxCanvas* c, const TRect& r) { Standard()->PaintFilterDropButton(c, r, bpsPressed, false); },
         {Ring(clBtnShadow, clBtnHighlight), Ring(clBtnFace, clBtnFace)}},
        {"standard thumb",
         [](TcxCanvas* c, const TRect& r) {
             Standard()->PaintScrollBarPart(c, false, r, sbpThumbnail, bpsNormal);
         },
         {Ring(clBtnFace, cl3DDkShadow), Ring(clBtnHighlight, clBtnShadow), Ring(clBtnFace, clBtnFace)}},
    };
    for (const Case& c : cases) {
        TPaintSurface s(20, 20, kBack);
        c.paint(&s.cx, Rect(0, 0, 20, 20));
        for (size_t k = 0; k < c.rings.size(); ++k)
            EXPECT_EQ(RingAt(s, 20, 20, static_cast<int>(k)), c.rings[k]) << c.name << ", ring " << k;
    }
}

TEST(ClassicPainters, BorderWidthsAndSizes) {
    EXPECT_EQ(Standard()->GetButtonBorderWidth(bpsDefault), 3);
    EXPECT_EQ(Standard()->GetButtonBorderWidth(bpsHot), 2);
    EXPECT_EQ(Flat()->GetButtonBorderWidth(bpsDefault), 2);
    EXPECT_EQ(Flat()->GetButtonBorderWidth(bpsPressed), 1);
    EXPECT_EQ(Standard()->GetExpandButtonSize(), 12);
    EXPECT_EQ(Flat()->GetExpandButtonSize(), 11);
    EXPECT_EQ(Standard()->GetBorderWidth(), 2);
    EXPECT_EQ(Flat()->GetBorderWidth(), 1);
    EXPECT_EQ(Standard()->GetHeaderSectionBorderWidth(bpsNormal), 2);
    EXPECT_EQ(Standard()->GetHeaderSectionBorderWidth(bpsPressed), 1);
    EXPECT_EQ(Flat()->GetHeaderSectionBorderWidth(bpsNormal), 1);
    EXPECT_EQ(Standard()->GetSortMarkSize().cx, 8);
    EXPECT_EQ(Flat()->GetSortMarkSize().cy, 7);
    EXPECT_EQ(Standard()->GetSchedulerViewColor(), clWindow);
    EXPECT_EQ(Flat()->GetSchedulerViewColor(), static_cast<TColor>(RGB(255, 255, 213)));
    EXPECT_EQ(Standard()->GetButtonPressShift(), 1);
    EXPECT_EQ(Flat()->GetFooterCellIndent(), 1);
}

TEST(ClassicPainters, DefaultButtonFrameThenFace) {
    TPaintSurface s(40, 20, kBack);
    Standard()->PaintButton(&s.cx, Rect(0, 0, 40, 20), "", bpsDefault);
    EXPECT_EQ(RingAt(s, 40, 20, 0), Ring(clBlack, clBlack));
    EXPECT_EQ(RingAt(s, 40, 20, 3), Ring(clBtnFace, clBtnFace));
}

TEST(ClassicPainters, HeaderFrameCornersNextToNeighbours) {
    for (const TcxCustomLookAndFeelPainter* p : {Standard(), Flat()}) {
        TPaintSurface s(20, 20, kBack);
        p->PaintHeaderFrame(&s.cx, Rect(0, 0, 20, 20), TcxNeighbors{}, cxBordersAll);
        EXPECT_EQ(s.At(0, 1), Sys(clBtnHighlight));
        EXPECT_EQ(s.At(19, 0), Sys(clBtnShadow));
        EXPECT_EQ(s.At(19, 1), Sys(clBtnShadow));
        p->PaintHeaderFrame(&s.cx, Rect(0, 0, 20, 20), TcxNeighbors{bLeft, bRight}, cxBordersAll);
        EXPECT_EQ(s.At(0, 1), Sys(clBtnFace));
        EXPECT_EQ(s.At(0, 18), Sys(clBtnFace));
        EXPECT_EQ(s.At(0, 10), Sys(clBtnHighlight));
        EXPECT_EQ(s.At(19, 0), Sys(clBtnHighlight));
        EXPECT_EQ(s.At(19, 1), Sys(clBtnFace));
        EXPECT_EQ(s.At(19, 18), Sys(clBtnFace));
        EXPECT_EQ(s.At(19, 10), Sys(clBtnShadow));
    }
}

TEST(ClassicPainters, ExpandButtonsLeaveTheirBoxOutOfTheClip) {
    struct Case {
        const TcxCustomLookAndFeelPainter* painter;
        int size;
        TRingColours outer;
    } cases[] = {{Standard(), 12, Ring(clBtnHighlight, cl3DDkShadow)},
                 {Flat(), 11, Ring(clBtnHighlight, clBtnShadow)}};
    for (const Case& c : cases) {
        TPaintSurface s(20, 20, kBack);
        c.painter->PaintExpandButton(&s.cx, Rect(0, 0, c.size, c.size), false, clDefault);
        EXPECT_EQ(RingAt(s, c.size, c.size, 0), c.outer) << c.size;
        EXPECT_EQ(s.At(2, 2), Sys(clBtnFace)) << c.size;
        EXPECT_GE(s.Count(Sys(clBtnText)), 9) << c.size;
        // Painting over the whole surface now keeps the button.
        s.cx.FillRectColor(Rect(0, 0, 20, 20), clRed);
        EXPECT_EQ(s.At(0, 0), Sys(clBtnHighlight)) << c.size;
        EXPECT_EQ(s.At(c.size, c.size), RGB(255, 0, 0)) << c.size;
    }
    TPaintSurface s(20, 20, kBack);
    Standard()->PaintExpandButton(&s.cx, Rect(0, 0, 12, 12), true, clBlue);
    EXPECT_EQ(RingAt(s, 12, 12, 1).right, Sys(clBtnShadow));
    EXPECT_EQ(s.At(2, 2), RGB(0, 0, 255));
}

TEST(ClassicScrollBar, PagesArePatterns) {
    TScrollBarPatterns patterns;
    for (const TcxCustomLookAndFeelPainter* p : {Standard(), Flat()})
        for (TcxButtonPaintState state : {bpsNormal, bpsHot, bpsPressed}) {
            TPaintSurface s(16, 16, kBack);
            p->PaintScrollBarPart(&s.cx, false, Rect(0, 0, 16, 16), sbpPageDown, state);
            const int pattern = state == bpsPressed ? 1 : 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    ASSERT_EQ(s.At(x, y), Sys(TScrollBarPatterns::Expected(pattern, x, y)))
                        << p->ClassName() << " " << state << " " << x << "," << y;
            EXPECT_EQ(s.cx.Brush().Bitmap(), nullptr);
            EXPECT_EQ(s.cx.Brush().Style(), bsSolid);
        }
}

TEST(ClassicScrollBar, DisabledThumbAndEmptyPartsDrawNothing) {
    for (const TcxCustomLookAndFeelPainter* p : {Standard(), Flat()}) {
        TPaintSurface s(16, 16, kBack);
        p->PaintScrollBarPart(&s.cx, false, Rect(0, 0, 16, 16), sbpThumbnail, bpsDisabled);
        p->PaintScrollBarPart(&s.cx, true, Rect(0, 0, 0, 16), sbpLineUp, bpsNormal);
        EXPECT_EQ(s.Count(kBack), 256) << p->ClassName();
    }
}

TEST(ClassicScrollBar, HotPartsLookNormal) {
    TScrollBarPatterns patterns;
    for (const TcxCustomLookAndFeelPainter* p : {Standard(), Flat()})
        for (TcxScrollBarPart part : {sbpLineUp, sbpLineDown, sbpThumbnail, sbpPageUp})
            for (bool horizontal : {false, true}) {
                TPaintSurface hot(17, 17, kBack), normal(17, 17, kBack);
                p->PaintScrollBarPart(&hot.cx, horizontal, Rect(0, 0, 17, 17), part, bpsHot);
                p->PaintScrollBarPart(&normal.cx, horizontal, Rect(0, 0, 17, 17), part, bpsNormal);
                int differences = 0;
                for (int y = 0; y < 17; ++y)
                    for (int x = 0; x < 17; ++x)
                        differences += hot.At(x, y) != normal.At(x, y);
                EXPECT_EQ(differences, 0) << p->ClassName() << " part " << part;
                EXPECT_LT(normal.Count(kBack), 17 * 17) << p->ClassName() << " part " << part;
            }
}

TEST(ClassicScrollBar, PressedStandardArrowIsTheSystemGlyphOnePixelLowerRight) {
    for (TcxScrollBarPart part : {sbpLineUp, sbpLineDown}) {
        TPaintSurface painted(17, 17, kBack), system(17, 17, kBack);
        Standard()->PaintScrollBarPart(&painted.cx, false, Rect(0, 0, 17, 17), part, bpsPressed);
        RECT glyph = Rect(1, 1, 18, 18);
        DrawFrameControl(system.DC(), &glyph, DFC_SCROLL,
                         (part == sbpLineUp ? DFCS_SCROLLUP : DFCS_SCROLLDOWN) | DFCS_FLAT);
        EXPECT_EQ(RingAt(painted, 17, 17, 0), Ring(clBtnShadow, clBtnShadow));
        EXPECT_EQ(RingAt(painted, 17, 17, 1), Ring(clBtnFace, clBtnFace));
        for (int y = 2; y < 15; ++y)
            for (int x = 2; x < 15; ++x)
                ASSERT_EQ(painted.At(x, y), system.At(x, y)) << x << "," << y;
        EXPECT_GT(painted.Count(Sys(clBtnText)), 0);
    }
    // Not pressed: the glyph in place with a raised border.
    TPaintSurface painted(17, 17, kBack), system(17, 17, kBack);
    Standard()->PaintScrollBarPart(&painted.cx, true, Rect(0, 0, 17, 17), sbpLineDown, bpsNormal);
    RECT glyph = Rect(0, 0, 17, 17);
    DrawFrameControl(system.DC(), &glyph, DFC_SCROLL, DFCS_SCROLLRIGHT);
    EXPECT_EQ(RingAt(painted, 17, 17, 0), Ring(clBtnFace, cl3DDkShadow));
    for (int y = 2; y < 15; ++y)
        for (int x = 2; x < 15; ++x)
            ASSERT_EQ(painted.At(x, y), system.At(x, y)) << x << "," << y;
}

TEST(ClassicScrollBar, FlatArrowIsAButtonWithATriangle) {
    TPaintSurface s(17, 17, kBack);
    Flat()->PaintScrollBarPart(&s.cx, false, Rect(0, 0, 17, 17), sbpLineUp, bpsNormal);
    EXPECT_EQ(RingAt(s, 17, 17, 0), Ring(clBtnHighlight, clBtnShadow));
    EXPECT_EQ(s.At(3, 3), Sys(clBtnFace));
    EXPECT_GT(s.Count(Sys(clBtnText)), 5);
    TPaintSurface disabled(17, 17, kBack);
    Flat()->PaintScrollBarPart(&disabled.cx, false, Rect(0, 0, 17, 17), sbpLineUp, bpsDisabled);
    EXPECT_EQ(disabled.Count(Sys(clBtnText)), 0);
    EXPECT_GT(disabled.Count(Sys(clBtnShadow)), 5);
}

TEST(ClassicPainters, TabEdgesAndMonthHeader) {
    TPaintSurface s(30, 30, kBack);
    // Top edge of a horizontal tab: one pixel shorter at each end, black pixels below its ends.
    Standard()->PaintTabFrame(&s.cx, Rect(5, 5, 25, 6), bTop, cxBordersAll, false);
    EXPECT_EQ(s.At(5, 5), kBack);
    EXPECT_EQ(s.At(6, 5), Sys(clBtnHighlight));
    EXPECT_EQ(s.At(24, 5), kBack);
    EXPECT_EQ(s.At(5, 6), RGB(0, 0, 0));
    EXPECT_EQ(s.At(24, 6), RGB(0, 0, 0));
    Standard()->PaintTabFrame(&s.cx, Rect(25, 5, 26, 25), bRight, cxBordersAll, false);
    EXPECT_EQ(s.At(25, 6), kBack);
    EXPECT_EQ(s.At(25, 7), Sys(clBtnShadow));
    EXPECT_EQ(s.At(25, 24), kBack);

    TPaintSurface m(40, 20, kBack);
    TcxPaintParams params;
    params.Color = clWhite;
    Standard()->PaintMonthHeader(&m.cx, Rect(0, 0, 40, 20), "", TcxNeighbors{bLeft}, params, 3, 6);
    EXPECT_EQ(m.At(20, 0), RGB(0, 0, 0));
    EXPECT_EQ(m.At(39, 10), RGB(0, 0, 0));
    EXPECT_EQ(m.At(0, 3), Sys(clBtnHighlight)); // no black side next to the left neighbour
    EXPECT_GT(m.Count(Sys(clWindowText)), 4);   // the arrows
}

TEST(ClassicPainters, SchedulerSplitters) {
    TcxPaintParams params;
    params.Color = clRed;
    struct Case {
        const TcxCustomLookAndFeelPainter* painter;
        std::vector<TColor> rows; // from the top of a 6-pixel horizontal splitter
    } cases[] = {
        {Standard(), {clBtnFace, clBtnHighlight, clRed, clRed, clBtnShadow, cl3DDkShadow}},
        {Flat(), {clBtnHighlight, clRed, clRed, clRed, clRed, clBtnShadow}},
    };
    for (const Case& c : cases) {
        TPaintSurface s(20, 6, kBack);
        c.painter->PaintSchedulerSplitter(&s.cx, Rect(2, 0, 18, 6), params, true);
        for (int y = 0; y < 6; ++y)
            EXPECT_EQ(s.At(10, y), Sys(c.rows[y])) << c.painter->ClassName() << " row " << y;
        TPaintSurface v(6, 20, kBack);
        c.painter->PaintSchedulerSplitter(&v.cx, Rect(0, 2, 6, 18), params, false);
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(v.At(x, 10), Sys(c.rows[x])) << c.painter->ClassName() << " column " << x;
    }
}

TEST(ClassicPainters, GroupExpandButtonTakesTheFlatFrames) {
    TPaintSurface standard(20, 20, kBack), flat(20, 20, kBack);
    Standard()->PaintGroupExpandButton(&standard.cx, Rect(0, 0, 20, 20), true, bpsNormal);
    Flat()->PaintGroupExpandButton(&flat.cx, Rect(0, 0, 20, 20), true, bpsNormal);
    EXPECT_EQ(RingAt(standard, 20, 20, 0), Ring(clBtnHighlight, clBtnShadow));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(standard.At(x, y), flat.At(x, y)) << x << "," << y;
    // Two chevrons of 5 x 4 pixels, 4 rows apart, centred; pointing up: the apex row is the top.
    EXPECT_TRUE(SameRects(standard.BoxOf(Sys(clBtnText)), Rect(7, 6, 12, 14)));
    EXPECT_EQ(standard.At(9, 6), Sys(clBtnText));
    EXPECT_NE(standard.At(7, 6), Sys(clBtnText));
    TPaintSurface down(20, 20, kBack);
    Flat()->PaintGroupExpandButton(&down.cx, Rect(0, 0, 20, 20), false, bpsNormal);
    EXPECT_EQ(down.At(7, 6), Sys(clBtnText));
    EXPECT_NE(down.At(9, 6), Sys(clBtnText));
}

TEST(ClassicPainters, SizeGripIsTheSystemGlyphOnTheFill) {
    TPaintSurface painted(20, 20, kBack), system(20, 20, kBack);
    Standard()->PaintSizeGrip(&painted.cx, Rect(2, 2, 18, 18), clRed);
    system.cx.FillRectColor(Rect(2, 2, 18, 18), clRed);
    RECT r = Rect(2, 2, 18, 18);
    DrawFrameControl(system.DC(), &r, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(painted.At(x, y), system.At(x, y)) << x << "," << y;
    EXPECT_EQ(painted.At(0, 0), kBack);
}

TEST(ClassicPainters, FilterDropArrowIsBlueWhenFiltered) {
    for (bool filtered : {false, true}) {
        TPaintSurface s(15, 15, kBack);
        Flat()->PaintFilterDropButton(&s.cx, Rect(0, 0, 15, 15), bpsNormal, filtered);
        EXPECT_EQ(s.At(3, 3), Sys(clBtnFace));
        EXPECT_EQ(s.Count(RGB(0, 0, 255)), filtered ? 16 : 0); // a 13 x 13 inside: X = 7, Y = 4
        EXPECT_EQ(s.Count(Sys(clBtnText)), filtered ? 0 : 16);
    }
}
