// The skin painter by pixels over a probe skin whose every frame is one solid colour naming its
// element, image index and state; its colours and metrics; and the inherited path without a skin.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <string>
#include <vector>

#include "SkinPaintersSupport.h"
#include "platform/core/DateTime.h"
#include "ui/core/PainterRegistry.h"

namespace {
// The probe skin registered under "Probe" with the base skin painter, for one test.
class SkinPainterProbe : public testing::Test {
protected:
    void SetUp() override { Register(MakeProbeSkin()); }
    void Register(TdxSkin* skin) {
        std::unique_ptr<TObject> info(new TdxSkinLookAndFeelPainterInfo(skin));
        ASSERT_TRUE(GetStylePainterRegistry()->Register("Probe", TdxSkinLookAndFeelPainter::Painter(),
                                                        std::move(info)));
        ASSERT_NE(painter->GetSkinInfo(), nullptr);
    }
    void TearDown() override { GetStylePainterRegistry()->Unregister("Probe"); }

    const TdxSkinLookAndFeelPainter* painter = TdxSkinLookAndFeelPainter::Painter();
};
} // namespace

TEST_F(SkinPainterProbe, OperationsDrawTheirElementIndexAndState) {
    using TPaint = std::function<void(TcxCanvas*, const TRect&)>;
    struct TCase {
        const char* what;
        TPaint paint;
        const char* element; // nullptr: nothing drawn
        int imageIndex;
        TdxSkinElementState state;
    };
    const TcxCustomLookAndFeelPainter* p = painter;
    const TCase cases[] = {
        {"check box unchecked",
         [p](TcxCanvas* c, const TRect& r) { p->PaintCheckBox(c, r, bpsNormal, cbsUnchecked); }, "Checkbox",
         0, esNormal},
        {"check box checked hot",
         [p](TcxCanvas* c, const TRect& r) { p->PaintCheckBox(c, r, bpsHot, cbsChecked); }, "Checkbox", 1,
         esHot},
        {"check box grayed pressed",
         [p](TcxCanvas* c, const TRect& r) { p->PaintCheckBox(c, r, bpsPressed, cbsGrayed); }, "Checkbox", 2,
         esPressed},
        {"check box default disabled",
         [p](TcxCanvas* c, const TRect& r) { p->PaintCheckBox(c, r, bpsDisabled, cbsChecked); }, "Checkbox",
         1, esDisabled},
        {"check box default state",
         [p](TcxCanvas* c, const TRect& r) { p->PaintCheckBox(c, r, bpsDefault, cbsChecked); }, "Checkbox", 1,
         esNormal},
        {"radio button checked hot",
         [p](TcxCanvas* c, const TRect& r) {
             p->PaintRadioButton(c, r.left, r.top, bpsHot, true, false, clDefault);
         },
         "RadioButton", 1, esHot},
        {"expand button collapsed", [p](TcxCanvas* c, const TRect& r) { p->PaintExpandButton(c, r, false); },
         "PlusMinus", 0, esNormal},
        {"small expand button expanded",
         [p](TcxCanvas* c, const TRect& r) { p->PaintSmallExpandButton(c, r, true, clBlack); }, "PlusMinus",
         1, esNormal},
        {"vertical first arrow",
         [p](TcxCanvas* c, const TRect& r) { p->PaintScrollBarPart(c, false, r, sbpLineUp, bpsNormal); },
         "ScrollButton", 0, esNormal},
        {"vertical second arrow hot",
         [p](TcxCanvas* c, const TRect& r) { p->PaintScrollBarPart(c, false, r, sbpLineDown, bpsHot); },
         "ScrollButton", 1, esHot},
        {"horizontal first arrow",
         [p](TcxCanvas* c, const TRect& r) { p->PaintScrollBarPart(c, true, r, sbpLineUp, bpsNormal); },
         "ScrollButton", 2, esNormal},
        {"horizontal second arrow pressed",
         [p](TcxCanvas* c, const TRect& r) { p->PaintScrollBarPart(c, true, r, sbpLineDown, bpsPressed); },
         "ScrollButton", 3, esPressed},
        {"horizontal thumb",
         [p](TcxCanvas* c, const TRect& r) { p->PaintScrollBarPart(c, true, r, sbpThumbnail, bpsNormal); },
         "ScrollThumbHorz", 0, esNormal},
        {"vertical page",
         [p](TcxCanvas* c, const TRect& r) { p->PaintScrollBarPart(c, false, r, sbpPageDown, bpsNormal); },
         "ScrollContentVert", 0, esNormal},
        {"track disabled",
         [p](TcxCanvas* c, const TRect& r) { p->PaintTrackBarTrack(c, r, TRect{}, false, false, true); },
         "TrackBarTrack", 2, esNormal},
        {"vertical track with selection",
         [p](TcxCanvas* c, const TRect& r) { p->PaintTrackBarTrack(c, r, r, true, true, false); },
         "TrackBarTrackVert", 1, esNormal},
        {"disabled track with selection",
         [p](TcxCanvas* c, const TRect& r) { p->PaintTrackBarTrack(c, r, r, true, false, true); },
         "TrackBarTrack", 3, esNormal},
        {"thumb ticks up",
         [p](TcxCanvas* c, const TRect& r) { p->PaintTrackBarThumb(c, r, bpsHot, true, 0); },
         "TrackBarThumbUp", 0, esHot},
        {"thumb ticks down",
         [p](TcxCanvas* c, const TRect& r) { p->PaintTrackBarThumb(c, r, bpsNormal, true, 1); },
         "TrackBarThumb", 0, esNormal},
        {"thumb both", [p](TcxCanvas* c, const TRect& r) { p->PaintTrackBarThumb(c, r, bpsNormal, true, 2); },
         "TrackBarThumbBoth", 0, esNormal},
        {"vertical thumb up",
         [p](TcxCanvas* c, const TRect& r) { p->PaintTrackBarThumb(c, r, bpsNormal, false, 0); },
         "TrackBarThumbVertUp", 0, esNormal},
        {"vertical thumb both",
         [p](TcxCanvas* c, const TRect& r) { p->PaintTrackBarThumb(c, r, bpsDisabled, false, 2); },
         "TrackBarThumbVertBoth", 0, esDisabled},
        {"splitter hot", [p](TcxCanvas* c, const TRect& r) { p->PaintSplitter(c, r, true, false, false); },
         "Splitter", 0, esHot},
        {"horizontal splitter",
         [p](TcxCanvas* c, const TRect& r) { p->PaintSplitter(c, r, false, true, true); }, "SplitterHorz", 0,
         esNormal},
        {"filter button",
         [p](TcxCanvas* c, const TRect& r) { p->PaintFilterDropButton(c, r, bpsHot, false); }, "FilterButton",
         0, esHot},
        {"filter button active",
         [p](TcxCanvas* c, const TRect& r) { p->PaintFilterDropButton(c, r, bpsPressed, true); },
         "FilterButtonActive", 0, esPressed},
        {"filter close button",
         [p](TcxCanvas* c, const TRect& r) { p->PaintFilterCloseButton(c, r, bpsHot); }, "CloseButton", 0,
         esHot},
        {"progress frame", [p](TcxCanvas* c, const TRect& r) { p->PaintProgressFrame(c, r, false); },
         "ProgressBorder", 0, esNormal},
        {"vertical progress chunk", [p](TcxCanvas* c, const TRect& r) { p->PaintProgressChunk(c, r, true); },
         "ProgressChunkVert", 0, esNormal},
        {"indicator glyph 1", [p](TcxCanvas* c, const TRect& r) { p->PaintIndicatorGlyph(c, r, 1); },
         "IndicatorImages", 0, esNormal},
        {"indicator glyph 3", [p](TcxCanvas* c, const TRect& r) { p->PaintIndicatorGlyph(c, r, 3); },
         "IndicatorImages", 2, esNormal},
        {"indicator glyph 0", [p](TcxCanvas* c, const TRect& r) { p->PaintIndicatorGlyph(c, r, 0); }, nullptr,
         0, esNormal},
        {"customize mark",
         [p](TcxCanvas* c, const TRect& r) { p->PaintIndicatorCustomizeMark(c, r, clBlack); },
         "IndicatorImages", 2, esNormal},
        {"navigator glyph 2",
         [p](TcxCanvas* c, const TRect& r) { p->PaintNavigatorGlyph(c, nullptr, 2, 0, r, true, false); },
         "Navigator", 2, esNormal},
        {"navigator glyph 4",
         [p](TcxCanvas* c, const TRect& r) { p->PaintNavigatorGlyph(c, nullptr, 4, 0, r, true, false); },
         "NavigatorVert", 1, esNormal},
        {"event progress border",
         [p](TcxCanvas* c, const TRect& r) {
             p->PaintEventProgress(c, r, TRect{0, 0, 1, 1}, {}, true);
         },
         "ProgressBorder", 0, esNormal},
        {"event progress chunk",
         [p](TcxCanvas* c, const TRect& r) {
             p->PaintEventProgress(c, TRect{0, 0, 1, 1}, r, {}, true);
         },
         "ProgressChunk", 0, esNormal},
        {"grouped button",
         [p](TcxCanvas* c, const TRect& r) { p->PaintGroupedButton(c, r, bpsHot, 3, 1, clRed); },
         "EditorButton", 0, esHot},
        {"scheduler navigator button",
         [p](TcxCanvas* c, const TRect& r) { p->PaintSchedulerNavigatorButton(c, r, bpsPressed); },
         "EditorButton", 0, esPressed},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TPaintSurface surface(40, 40);
        const TRect r{12, 12, 12 + kFrame, 12 + kFrame};
        c.paint(&surface.cx, r);
        COLORREF expected =
            c.element ? ProbeColor(ElementNumber(c.element), c.imageIndex, c.state) : RGB(255, 255, 255);
        EXPECT_EQ(surface.At(16, 16), expected);
        EXPECT_EQ(surface.At(2, 2), RGB(255, 255, 255));
    }
}

TEST_F(SkinPainterProbe, EllipsisDotsBySize) {
    const COLORREF dot = RGB(1, 2, 3);
    struct TCase {
        int size, a, left, top;
    };
    for (TCase c : {TCase{10, 1, 1, 4}, TCase{16, 2, 3, 7}}) {
        SCOPED_TRACE(c.size);
        TPaintSurface surface(c.size, c.size);
        painter->PaintEditButton(&surface.cx, TRect{0, 0, c.size, c.size}, static_cast<TcxEditBtnKind>(3),
                                 bpsNormal);
        int dots = 0;
        for (int i = 0; i < 3; ++i) {
            int left = c.left + i * (c.a + 2);
            EXPECT_TRUE(surface.AllOf(RECT{left, c.top, left + c.a, c.top + c.a}, dot)) << i;
            EXPECT_NE(surface.At(left + c.a, c.top), dot);
        }
        for (int y = 0; y < c.size; ++y)
            for (int x = 0; x < c.size; ++x)
                dots += surface.At(x, y) == dot;
        EXPECT_EQ(dots, 3 * c.a * c.a);
    }
}

// The frame's one-pixel edge colours: kPart[column][row] of the nine-part picture.
TEST_F(SkinPainterProbe, HeaderBordersAndNavigationButtonsAreClippedToR) {
    using skindraw::kPart;
    const TRect r{10, 10, 30, 30};
    struct TCase {
        const char* what;
        std::function<void(TcxCanvas*)> paint;
        bool leftEdge, rightEdge, topEdge; // the picture's edge shows at R's own edge
    };
    const TcxCustomLookAndFeelPainter* p = painter;
    const TCase cases[] = {
        {"header, all borders",
         [&](TcxCanvas* c) {
             p->PaintHeader(c, r, r, TcxNeighbors{}, TcxBorders{bLeft, bTop, bRight, bBottom}, bpsNormal,
                            taLeftJustify, vaCenter, false, false, "", nullptr, clBlack, clDefault);
         },
         true, true, true},
        {"header, no borders",
         [&](TcxCanvas* c) {
             p->PaintHeader(c, r, r, TcxNeighbors{}, TcxBorders{}, bpsNormal, taLeftJustify, vaCenter, false,
                            false, "", nullptr, clBlack, clDefault);
         },
         false, false, false},
        {"previous button",
         [&](TcxCanvas* c) { p->PaintSchedulerNavButtonFace(c, r, TRect{}, false, bpsNormal); }, false, true,
         true},
        {"next button", [&](TcxCanvas* c) { p->PaintSchedulerNavButtonFace(c, r, TRect{}, true, bpsNormal); },
         true, false, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TPaintSurface surface(40, 40);
        c.paint(&surface.cx);
        EXPECT_EQ(surface.At(10, 20) == kPart[0][1], c.leftEdge);
        EXPECT_EQ(surface.At(29, 20) == kPart[2][1], c.rightEdge);
        EXPECT_EQ(surface.At(20, 10) == kPart[1][0], c.topEdge);
        EXPECT_EQ(surface.At(20, 20), kPart[1][1]);
        // Nothing outside R.
        EXPECT_EQ(surface.At(9, 20), RGB(255, 255, 255));
        EXPECT_EQ(surface.At(30, 20), RGB(255, 255, 255));
        EXPECT_EQ(surface.At(20, 9), RGB(255, 255, 255));
        EXPECT_EQ(surface.At(20, 30), RGB(255, 255, 255));
    }
}

TEST_F(SkinPainterProbe, ClockHandsInTheFacesTextColour) {
    const COLORREF hands = RGB(250, 200, 0), face = RGB(0, 0, 120);
    struct TCase {
        int hour;
        TPoint on, off; // a point on the hour hand, and where it would be at the other time
    };
    // R 60 x 60 at (10, 10): centre (40, 40), radii 28.
    for (TCase c : {TCase{3, {58, 40}, {40, 58}}, TCase{6, {40, 58}, {58, 40}}}) {
        SCOPED_TRACE(c.hour);
        TPaintSurface surface(80, 80);
        painter->PaintClock(&surface.cx, TRect{10, 10, 70, 70}, EncodeTime(c.hour, 0, 0, 0), clWhite);
        EXPECT_EQ(surface.At(c.on.x, c.on.y), hands);
        EXPECT_EQ(surface.At(c.off.x, c.off.y), face);
        EXPECT_EQ(surface.At(40, 20), hands); // minute and second hands at 12
        EXPECT_EQ(surface.At(12, 12), face);
        EXPECT_EQ(surface.At(5, 5), RGB(255, 255, 255));
    }
}

// The body's edge around R, the borderless panel inside its content offset, the container border
// one pixel along R.
TEST_F(SkinPainterProbe, GroupBoxBodyAndControlBorder) {
    using skindraw::kPart;
    TPaintSurface surface(40, 40);
    painter->PaintGroupBoxBody(&surface.cx, TRect{10, 10, 30, 30}, 0);
    EXPECT_EQ(surface.At(10, 20), kPart[0][1]);
    EXPECT_EQ(surface.At(11, 20), kPart[1][1]);
    EXPECT_EQ(surface.At(20, 20), ProbeColor(ElementNumber("GroupPanelNoBorder"), 0, esNormal));
    // The borders' widths narrow the inside further.
    TdxSkinElement* body = painter->GetSkinInfo()->GroupPanelTop;
    const int left = 12 + body->Borders().Left().Thin(), top = 12 + body->Borders().Top().Thin();
    EXPECT_EQ(surface.At(left, top), ProbeColor(ElementNumber("GroupPanelNoBorder"), 0, esNormal));
    EXPECT_EQ(surface.At(left - 1, top), kPart[1][1]);
    EXPECT_EQ(surface.At(9, 20), RGB(255, 255, 255));

    TPaintSurface border(40, 40);
    painter->PaintControlBorder(&border.cx, TRect{10, 10, 30, 30});
    for (TPoint p : {TPoint{10, 20}, TPoint{29, 20}, TPoint{20, 10}, TPoint{20, 29}})
        EXPECT_EQ(border.At(p.x, p.y), RGB(7, 77, 177)) << p.x << "," << p.y;
    EXPECT_EQ(border.At(11, 20), RGB(255, 255, 255));
    EXPECT_EQ(border.At(9, 20), RGB(255, 255, 255));
}

TEST_F(SkinPainterProbe, ButtonCaptionColours) {
    EXPECT_EQ(painter->GetButtonGlyphColor(bpsNormal), static_cast<TColor>(RGB(10, 20, 30)));
    EXPECT_EQ(painter->GetButtonGlyphColor(bpsDisabled), static_cast<TColor>(RGB(90, 80, 70)));
    EXPECT_EQ(painter->GetButtonBorderWidth(bpsNormal), 0);
}

TEST_F(SkinPainterProbe, MetricsAreTheElementsFrameSizes) {
    EXPECT_EQ(painter->GetCheckBoxSize().cx, kFrame);
    EXPECT_EQ(painter->GetCheckBoxSize().cy, kFrame);
    EXPECT_EQ(painter->GetRadioButtonSize().cx, kFrame);
    EXPECT_EQ(painter->GetExpandButtonSize(), kFrame);
    EXPECT_EQ(painter->GetNavigatorGlyphSize().cy, kFrame);
    EXPECT_EQ(painter->GetTrackBarTrackWidth(), kFrame);
    EXPECT_EQ(painter->GetMinThumbSize(true), kFrame);
    EXPECT_EQ(painter->GetEditButtonTextIndent(), 1);
    EXPECT_FALSE(painter->PaintsHeaderCellsFirst());
    // Headers leave the shared edge to their left and upper neighbours.
    const TcxBorders all{bLeft, bTop, bRight, bBottom};
    EXPECT_TRUE(painter->GetHeaderBorders(TcxNeighbors{}) == all);
    EXPECT_TRUE(painter->GetHeaderBorders(TcxNeighbors{bLeft, bTop}) == (TcxBorders{bRight, bBottom}));
    EXPECT_TRUE(painter->GetHeaderBorders(TcxNeighbors{bRight}) == all);
    EXPECT_FALSE(painter->PaintsFooterCellsFirst());
    EXPECT_TRUE(painter->PaintsIndicatorCellsFirst());
}

// The user skin's colours against the values in its skin; the Office 2003 answer where a colour
// is missing or clDefault.
TEST(SkinPainterColors, ColoursComeFromTheSkinElseFromOffice2003) {
    ASSERT_NE(UserSkinInfo(), nullptr);
    const TdxSkinLookAndFeelPainter* painter = TdxSkinsUserSkinPainter::Painter();
    const TcxOffice11LookAndFeelPainter* office = TcxOffice11LookAndFeelPainter::Painter();
    TdxSkin* skin = UserSkinInfo()->Skin;
    auto color = [&](const char* name) { return skin->GetColorByName(name)->Value(); };
    TdxSkinElement* content = skin->GetGroupByName("Form")->GetElementByName("FormContent");
    struct TCase {
        const char* what;
        TColor actual, expected;
    };
    const TCase cases[] = {
        {"content", painter->GetContentColor(), color("ContentColor")},
        {"selection", painter->GetSelectionColor(), color("SelectionColor")},
        {"selection text", painter->GetSelectionTextColor(), color("SelectionTextColor")},
        {"header area", painter->GetHeaderAreaColor(), color("HeaderBackgroundColor")},
        {"scheduler border", painter->GetSchedulerBorderColor(), color("ContainerBorderColor")},
        {"edit border hot", painter->GetEditBorderColor(true), color("ContainerHighlightBorderColor")},
        {"size grip area", painter->GetSizeGripAreaColor(), content->Color()},
        {"footer separator", painter->GetFooterSeparatorColor(), painter->GetGridLineColor()},
        {"grid line", painter->GetGridLineColor(),
         skin->GetGroupByName("Grid")->GetElementByName("GridLine")->Color()},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.actual, c.expected);
    }

    // Missing and clDefault colours.
    skin->GetColorByName("ContentEvenColor")->SetValue(clDefault);
    skin->GetColorByName("ContentOddColor")->SetValue(clDefault);
    content->SetColor(clDefault);
    // The inherited operations, which still reach the skin's other colours.
    EXPECT_EQ(painter->GetContentEvenColor(), painter->TcxOffice11LookAndFeelPainter::GetContentEvenColor());
    EXPECT_EQ(painter->GetContentOddColor(), painter->TcxOffice11LookAndFeelPainter::GetContentOddColor());
    EXPECT_EQ(painter->GetSizeGripAreaColor(),
              painter->TcxOffice11LookAndFeelPainter::GetSizeGripAreaColor());
    EXPECT_EQ(UserSkinInfo()->ContentTextColor, nullptr);
    EXPECT_EQ(painter->GetContentTextColor(), office->GetContentTextColor());
    RestoreUserSkin();
}

// A skin info without a skin: every operation takes the Office 2003 path.
TEST(SkinPainterColors, WithoutASkinPaintsAsOffice2003) {
    std::unique_ptr<TObject> info(new TdxSkinLookAndFeelPainterInfo(nullptr));
    ASSERT_TRUE(
        GetStylePainterRegistry()->Register("Empty", TdxSkinLookAndFeelPainter::Painter(), std::move(info)));
    const TcxCustomLookAndFeelPainter* painters[] = {TdxSkinLookAndFeelPainter::Painter(),
                                                     TcxOffice11LookAndFeelPainter::Painter()};
    std::vector<std::unique_ptr<TPaintSurface>> surfaces;
    for (const TcxCustomLookAndFeelPainter* p : painters) {
        surfaces.push_back(std::make_unique<TPaintSurface>(60, 60));
        TcxCanvas* c = &surfaces.back()->cx;
        p->PaintWindowBackground(c, TRect{0, 0, 60, 10});
        p->PaintCheckBox(c, TRect{2, 12, 15, 25}, bpsHot, cbsChecked);
        p->PaintExpandButton(c, TRect{20, 12, 31, 23}, true);
        p->PaintControlBorder(c, TRect{2, 30, 40, 40});
        p->PaintSplitter(c, TRect{45, 12, 50, 50}, true, false, false);
    }
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(surfaces[0]->At(x, y), surfaces[1]->At(x, y)) << x << "," << y;
    EXPECT_EQ(TdxSkinLookAndFeelPainter::Painter()->GetContentColor(),
              TcxOffice11LookAndFeelPainter::Painter()->GetContentColor());
    GetStylePainterRegistry()->Unregister("Empty");
}

namespace {
// Draws the caption into rect as the skin button does, over the button element in face.
void DrawReferenceButton(TcxCanvas* canvas, TdxSkinElement* button, const TRect& face, const TRect& rect,
                         const char* caption, TColor color) {
    button->Render(canvas->GetDCHandle(), face, 0, esNormal);
    canvas->Font().SetColor(color);
    canvas->Brush().SetStyle(bsClear);
    canvas->DrawTextWithFlags(caption, rect, tfShowPrefix | tfAlignVCenter | tfAlignHCenter | tfSingleLine,
                              true);
    canvas->Brush().SetStyle(bsSolid);
}

bool SameRect(TRect a, TRect b) {
    return EqualRect(&a, &b) != 0;
}

bool SamePixels(const TPaintSurface& a, const TPaintSurface& b, int width, int height) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (a.At(x, y) != b.At(x, y)) return false;
    return true;
}
} // namespace

// An odd text height loses its last row; one still below 18 then gains a row on top.
TEST_F(SkinPainterProbe, ButtonTextRectangleByHeight) {
    struct TCase {
        int height;
        TRect expected, naive;
        bool distinct; // the font's height tells the two apart
    };
    const TColor color = RGB(10, 20, 30);
    TdxSkinElement* button = painter->GetSkinInfo()->CommonButton;
    for (TCase c : {TCase{21, {0, 0, 60, 20}, {0, 0, 60, 21}, false},
                    TCase{17, {0, -1, 60, 16}, {0, 0, 60, 17}, true}}) {
        SCOPED_TRACE(c.height);
        const TRect face{0, 0, 60, c.height};
        TPaintSurface painted(60, 30), expected(60, 30), naive(60, 30);
        painter->PaintButton(&painted.cx, face, "Hg", bpsNormal);
        DrawReferenceButton(&expected.cx, button, face, c.expected, "Hg", color);
        DrawReferenceButton(&naive.cx, button, face, c.naive, "Hg", color);
        EXPECT_TRUE(SamePixels(painted, expected, 60, 30));
        EXPECT_GT(painted.Count(RGB(10, 20, 30)), 0);
        if (c.distinct) {
            EXPECT_FALSE(SamePixels(expected, naive, 60, 30));
        }
    }
}

TEST_F(SkinPainterProbe, DisabledCaptionColourWithoutDisabledTextIsTheButtonsTextColour) {
    GetStylePainterRegistry()->Unregister("Probe");
    Register(MakeProbeSkin(false));
    EXPECT_EQ(painter->GetSkinInfo()->ButtonDisabledText, nullptr);
    EXPECT_EQ(painter->GetButtonGlyphColor(bpsDisabled), static_cast<TColor>(RGB(10, 20, 30)));
    // The caption goes out in that colour: the canvas keeps it afterwards.
    TPaintSurface surface(60, 30);
    painter->PaintButton(&surface.cx, TRect{0, 0, 60, 21}, "Hg", bpsDisabled);
    EXPECT_EQ(surface.cx.Font().Color(), static_cast<TColor>(RGB(10, 20, 30)));
    EXPECT_EQ(surface.Count(RGB(10, 20, 30)), 0); // a disabled caption is drawn embossed
}

// The footer panel shows only in its right and bottom borders inside R, its left border widened
// out of R; the background takes the panel's borders outside R and one row above.
TEST_F(SkinPainterProbe, FooterFrameAndBackground) {
    using skindraw::kPart;
    const COLORREF white = RGB(255, 255, 255);
    const TRect r{10, 10, 30, 30}; // footer offset (3, 0, 2, 4)
    TPaintSurface frame(40, 40);
    painter->PaintFooterFrame(&frame.cx, r);
    EXPECT_EQ(frame.At(29, 20), kPart[2][1]);
    EXPECT_EQ(frame.At(28, 20), kPart[1][1]);
    EXPECT_EQ(frame.At(27, 20), white);
    EXPECT_EQ(frame.At(20, 29), kPart[1][2]);
    EXPECT_EQ(frame.At(20, 26), kPart[1][1]);
    EXPECT_EQ(frame.At(20, 25), white);
    EXPECT_EQ(frame.At(20, 9), white); // the strip above R
    EXPECT_EQ(frame.At(8, 29), kPart[1][2]);
    EXPECT_EQ(frame.At(7, 29), kPart[0][2]);
    EXPECT_EQ(frame.At(6, 29), white);
    EXPECT_EQ(frame.At(30, 20), white);
    // The clip region is back: drawing afterwards reaches the excluded parts.
    frame.cx.FillRectColor(TRect{0, 0, 40, 40}, clBlack);
    EXPECT_EQ(frame.At(20, 20), RGB(0, 0, 0));

    TPaintSurface background(40, 40);
    painter->PaintFooterBackground(&background.cx, r, TcxPaintParams{});
    EXPECT_EQ(background.At(7, 20), kPart[0][1]);
    EXPECT_EQ(background.At(31, 20), kPart[2][1]);
    EXPECT_EQ(background.At(20, 9), kPart[1][0]);
    EXPECT_EQ(background.At(20, 33), kPart[1][2]);
    EXPECT_EQ(background.At(20, 20), kPart[1][1]);
    for (TPoint p : {TPoint{6, 20}, TPoint{32, 20}, TPoint{20, 8}, TPoint{20, 34}})
        EXPECT_EQ(background.At(p.x, p.y), white) << p.x << "," << p.y;
}

// The cell element, its text, and R left out of the clip region for what is drawn later.
TEST_F(SkinPainterProbe, FooterCellExcludesItself) {
    TPaintSurface surface(40, 40);
    painter->PaintFooterCell(&surface.cx, TRect{10, 10, 30, 30}, taLeftJustify, vaTop, false, "", nullptr,
                             clBlack, clDefault);
    EXPECT_TRUE(surface.AllOf(RECT{10, 10, 30, 30}, kFooterCellColor));
    surface.cx.FillRectColor(TRect{0, 0, 40, 40}, clBlack);
    EXPECT_TRUE(surface.AllOf(RECT{10, 10, 30, 30}, kFooterCellColor));
    EXPECT_EQ(surface.At(9, 20), RGB(0, 0, 0));

    TPaintSurface text(60, 30);
    painter->PaintFooterCell(&text.cx, TRect{0, 0, 60, 30}, taLeftJustify, vaTop, false, "Hg", nullptr,
                             RGB(200, 0, 0), clDefault);
    EXPECT_GT(text.Count(RGB(200, 0, 0)), 0);
}

// The text alone, aligned by the flags, in the colour given: no background.
TEST_F(SkinPainterProbe, CellContentIsTheTextAlone) {
    struct TCase {
        TAlignment horz;
        TcxAlignmentVert vert;
        bool ellipsis;
        int flags;
    };
    const TRect textRect{5, 5, 55, 35};
    for (TCase c : {TCase{taLeftJustify, vaTop, false, tfAlignLeft | tfAlignTop},
                    TCase{taRightJustify, vaBottom, false, tfAlignRight | tfAlignBottom},
                    TCase{taCenter, vaCenter, true, tfAlignHCenter | tfAlignVCenter | tfShowEndEllipsis}}) {
        SCOPED_TRACE(c.flags);
        TPaintSurface painted(60, 40), expected(60, 40);
        painter->PaintCellContent(&painted.cx, TRect{0, 0, 60, 40}, textRect, bpsNormal, c.horz, c.vert,
                                  false, c.ellipsis, "Hg", nullptr, RGB(0, 120, 0), RGB(200, 0, 0), nullptr);
        expected.cx.Font().SetColor(RGB(0, 120, 0));
        expected.cx.Brush().SetStyle(bsClear);
        expected.cx.DrawTextWithFlags("Hg", textRect, c.flags | tfSingleLine, true);
        EXPECT_TRUE(SamePixels(painted, expected, 60, 40));
        EXPECT_GT(painted.Count(RGB(0, 120, 0)), 0);
        EXPECT_EQ(painted.Count(RGB(200, 0, 0)), 0);
        EXPECT_EQ(painted.cx.Brush().Style(), bsSolid);
    }
    TPaintSurface empty(60, 40);
    painter->PaintCellContent(&empty.cx, TRect{0, 0, 60, 40}, textRect, bpsNormal, taLeftJustify, vaTop,
                              false, false, "", nullptr, RGB(0, 120, 0), RGB(200, 0, 0), nullptr);
    EXPECT_EQ(empty.Count(RGB(255, 255, 255)), 60 * 40);
}

TEST_F(SkinPainterProbe, SizeGripOverItsFill) {
    TPaintSurface surface(40, 40);
    painter->PaintSizeGrip(&surface.cx, TRect{10, 10, 30, 30}, RGB(0, 99, 0));
    EXPECT_EQ(surface.At(11, 11), RGB(0, 99, 0));
    EXPECT_EQ(surface.At(28, 28), RGB(0, 99, 0));
    EXPECT_TRUE(surface.AllOf(RECT{18, 18, 22, 22}, kSizeGripColor));
    EXPECT_EQ(surface.At(9, 9), RGB(255, 255, 255));
    EXPECT_EQ(painter->GetSizeGripSize().cx, 4);
}

// Header cells through the header element: the simple header, the indicator cell raised into the
// cell above, the month header sharing its edge with the left neighbour.
TEST_F(SkinPainterProbe, HeaderLikeCells) {
    using skindraw::kPart;
    const COLORREF white = RGB(255, 255, 255);
    const TRect r{10, 10, 30, 30};
    TPaintSurface simple(40, 40), full(40, 40);
    painter->PaintHeaderSimple(&simple.cx, r, r, TcxNeighbors{}, TcxBorders{bLeft, bRight}, bpsHot,
                               taLeftJustify, vaTop, false, false, "Hg", nullptr, RGB(0, 0, 200), clDefault);
    painter->PaintHeader(&full.cx, r, r, TcxNeighbors{}, TcxBorders{bLeft, bRight}, bpsHot, taLeftJustify,
                         vaTop, false, false, "Hg", nullptr, RGB(0, 0, 200), clDefault, nullptr, true, true);
    EXPECT_TRUE(SamePixels(simple, full, 40, 40));
    EXPECT_EQ(simple.At(10, 25), kPart[0][1]);

    const int width = painter->GetHeaderBorderWidth();
    for (bool plain : {false, true}) {
        SCOPED_TRACE(plain);
        TPaintSurface cell(40, 40);
        if (plain)
            painter->PaintIndicatorCellPlain(&cell.cx, r, 1, clDefault);
        else
            painter->PaintIndicatorCell(&cell.cx, r, 1, clDefault);
        EXPECT_EQ(cell.At(20, 10 - width), kPart[1][1]); // the top edge is the cell above's
        EXPECT_EQ(cell.At(20, 9 - width), white);
        EXPECT_EQ(cell.At(10, 25), kPart[0][1]);
        EXPECT_EQ(cell.At(29, 25), kPart[2][1]);
        EXPECT_EQ(cell.At(20, 29), kPart[1][2]);
        EXPECT_EQ(cell.At(20, 20), ProbeColor(ElementNumber("IndicatorImages"), 0, esNormal));
    }

    TPaintSurface month(40, 40);
    const TRect wide{10, 10, 31, 30};
    painter->PaintMonthHeader(&month.cx, wide, "", TcxNeighbors{bLeft}, TcxPaintParams{}, 3, 2);
    EXPECT_EQ(month.At(10, 12), kPart[1][1]);
    EXPECT_EQ(month.At(30, 12), kPart[2][1]);
    EXPECT_EQ(month.At(20, 10), kPart[1][0]);
    EXPECT_GT(month.Count(RGB(0, 0, 0)), 0); // the arrows
    EXPECT_EQ(month.At(9, 12), white);
}

TEST_F(SkinPainterProbe, PanelBodyAndItsBorder) {
    using skindraw::kPart;
    const COLORREF body = ProbeColor(ElementNumber("GroupPanelNoBorder"), 0, esNormal);
    TPaintSurface plain(40, 40), framed(40, 40);
    painter->PaintPanelBody(&plain.cx, TRect{10, 10, 30, 30});
    EXPECT_TRUE(plain.AllOf(RECT{10, 10, 30, 30}, body));
    EXPECT_EQ(plain.At(9, 20), RGB(255, 255, 255));
    painter->PaintPanelBody(&framed.cx, TRect{10, 10, 30, 30}, true);
    EXPECT_EQ(framed.At(10, 20), kPart[0][1]);
    EXPECT_EQ(framed.At(20, 29), kPart[1][2]);
    EXPECT_EQ(framed.At(11, 20), body);
    EXPECT_EQ(framed.At(9, 20), RGB(255, 255, 255));
}

TEST_F(SkinPainterProbe, NavigationButtonAndGroupMetrics) {
    TRect sides{};
    TSize arrow{};
    for (bool next : {false, true}) {
        SCOPED_TRACE(next);
        painter->GetNavButtonMetrics(next, sides, arrow);
        EXPECT_TRUE(SameRect(sides, TRect{2, 3, 4, 5}));
        EXPECT_EQ(arrow.cx, 6);
        EXPECT_EQ(arrow.cy, 5);
    }
    // Narrower than the element's least width: widened away from the edge the button stands on.
    struct TCase {
        bool next;
        TRect bounds;
        int left, right;
    };
    for (TCase c : {TCase{false, {100, 0, 110, 200}, 100, 130}, TCase{true, {100, 0, 110, 200}, 80, 110},
                    TCase{true, {100, 0, 140, 200}, 100, 140}}) {
        SCOPED_TRACE(c.next);
        TRect bounds = c.bounds, text{}, arrowRect{};
        painter->CalcNavButtonRects(c.next, false, TSize{10, 10}, TSize{10, 10}, bounds, text, arrowRect);
        EXPECT_EQ(bounds.left, c.left);
        EXPECT_EQ(bounds.right, c.right);
        EXPECT_GE(arrowRect.left, c.left + 2);
        EXPECT_LE(arrowRect.right, c.right - 4);
    }
    // (13 - 8) div 2 and (11 - 8) div 2 around every button of the group.
    EXPECT_TRUE(SameRect(painter->CalcButtonGroupBorders(3, 1), TRect{2, 1, 2, 1}));
    EXPECT_EQ(painter->GetGroupBoxTextColor(2), static_cast<TColor>(RGB(3, 4, 5)));
    EXPECT_EQ(painter->GetGroupBoxTextColor(3), static_cast<TColor>(RGB(6, 7, 8)));
}

// A skin without "ProgressChunk" draws the skin info's placeholder, a red cross, not the Office
// 2003 chunk.
TEST(SkinPainterPlaceholders, MissingProgressChunkDrawsARedCross) {
    auto* skin = new TdxSkin("NoChunk");
    skin->Name = "NoChunk";
    skin->AddGroup("Editors");
    std::unique_ptr<TObject> info(new TdxSkinLookAndFeelPainterInfo(skin));
    ASSERT_TRUE(GetStylePainterRegistry()->Register("NoChunk", TdxSkinLookAndFeelPainter::Painter(),
                                                    std::move(info)));
    TPaintSurface skinned(40, 40), office(40, 40);
    TdxSkinLookAndFeelPainter::Painter()->PaintProgressChunk(&skinned.cx, TRect{4, 4, 36, 36}, false);
    TcxOffice11LookAndFeelPainter::Painter()->PaintProgressChunk(&office.cx, TRect{4, 4, 36, 36}, false);
    GetStylePainterRegistry()->Unregister("NoChunk");
    EXPECT_TRUE(skindraw::Near(skinned.At(20, 20), RGB(255, 0, 0), 40));
    EXPECT_TRUE(skindraw::Near(skinned.At(8, 8), RGB(255, 0, 0), 40));
    EXPECT_TRUE(skindraw::Near(skinned.At(8, 32), RGB(255, 0, 0), 40));
    EXPECT_FALSE(skindraw::Near(skinned.At(20, 8), RGB(255, 0, 0), 40));
    EXPECT_FALSE(SamePixels(skinned, office, 40, 40));
    EXPECT_EQ(skinned.At(2, 2), RGB(255, 255, 255));
}
