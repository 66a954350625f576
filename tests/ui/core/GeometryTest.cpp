#include <gtest/gtest.h>

#include "ui/core/Geometry.h"

namespace {
::testing::AssertionResult Is(const TRect& actual, int l, int t, int r, int b) {
    if (SameRects(actual, TRect{l, t, r, b})) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.left << ", " << actual.top << ", " << actual.right
                                         << ", " << actual.bottom << ")";
}
} // namespace

TEST(Geometry, RectangleRoutines) {
    const TRect r{10, 20, 50, 80};
    struct Case {
        const char* name;
        TRect actual;
        TRect expected;
    } cases[] = {
        {"MakeRect", MakeRect(1, 2, 3, 4), {1, 2, 3, 4}},
        {"RectFromOriginSize", RectFromOriginSize(5, 6, 10, 20), {5, 6, 15, 26}},
        {"RectWithBottomRight", RectWithBottomRight(r, TPoint{7, 9}), {10, 20, 7, 9}},
        {"GrowRect", GrowRect(r, 2, 3), {8, 17, 52, 83}},
        {"GrowRect shrinks", GrowRect(r, -5, -5), {15, 25, 45, 75}},
        {"GrowRectSides", GrowRectSides(r, 1, 2, 3, 4), {9, 18, 53, 84}},
        {"ShiftRect", ShiftRect(r, -10, 5), {0, 25, 40, 85}},
        {"ShiftRectByPoint", ShiftRectByPoint(r, TPoint{1, -1}), {11, 19, 51, 79}},
        {"RectWithLeft", RectWithLeft(r, 100, 5), {100, 20, 105, 80}},
        {"RectKeepWidthAtLeft", RectKeepWidthAtLeft(r, -40), {-40, 20, 0, 80}},
        {"RectWithRight", RectWithRight(r, 100, 5), {95, 20, 100, 80}},
        {"RectWithTop", RectWithTop(r, 0, 3), {10, 0, 50, 3}},
        {"RectWithBottom", RectWithBottom(r, 0, 3), {10, -3, 50, 0}},
        {"RectWithWidth", RectWithWidth(r, 1), {10, 20, 11, 80}},
        {"RectWithHeight", RectWithHeight(r, 0), {10, 20, 50, 20}},
        {"RectWithLeftRight", RectWithLeftRight(r, 1, 2), {1, 20, 2, 80}},
        {"RectWithTopBottom", RectWithTopBottom(r, 1, 2), {10, 1, 50, 2}},
        {"CenteredRectWH", CenteredRectWH(TRect{0, 0, 20, 10}, 4, 4), {8, 3, 12, 7}},
        // A box wider than the area: -5 / 2 truncates to -2.
        {"CenteredRectWH truncates", CenteredRectWH(TRect{0, 0, 5, 5}, 10, 10), {-2, -2, 8, 8}},
        {"CenteredRect", CenteredRect(TRect{0, 0, 9, 9}, TSize{3, 4}), {3, 2, 6, 6}},
        {"RectInsideMargins", RectInsideMargins(r, TRect{1, 2, 3, 4}), {11, 22, 47, 76}},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(Is(c.actual, c.expected.left, c.expected.top, c.expected.right, c.expected.bottom))
            << c.name;

    EXPECT_EQ(GetRectWidth(r), 40);
    EXPECT_EQ(GetRectHeight(r), 60);
    EXPECT_FALSE(IsEmptyRect(r));
    EXPECT_TRUE(IsEmptyRect(TRect{0, 0, 0, 5}));
    EXPECT_TRUE(IsEmptyRect(TRect{5, 5, 4, 10}));
    EXPECT_FALSE(SameRects(r, TRect{10, 20, 50, 81}));
}

TEST(Geometry, PointAndExtentRoutines) {
    TPoint p = NegatePoint(TPoint{3, -4});
    EXPECT_EQ(p.x, -3);
    EXPECT_EQ(p.y, 4);
    p = AddPoints(TPoint{1, 2}, TPoint{10, 20});
    EXPECT_TRUE(SameExtents(p, TPoint{11, 22}));
    EXPECT_TRUE(SameExtents(OffsetPoint(p, -11, 1), TPoint{0, 23}));
    EXPECT_TRUE(SameExtents(MakeExtent(3, 4), TSize{3, 4}));
    EXPECT_FALSE(SameExtents(MakeExtent(3, 4), TSize{4, 3}));
    EXPECT_TRUE(SameExtents(MakeExtent<TPoint>(3, 4), TPoint{3, 4}));
}

TEST(GeometryRect, SidesAssignAndChangeNotification) {
    TcxRect rect;
    int changes = 0;
    rect.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &rect);
        ++changes;
    };
    rect.SetLeft(1);
    rect.SetTop(2);
    rect.SetRight(3);
    rect.SetBottom(4);
    EXPECT_EQ(changes, 4);
    EXPECT_TRUE(Is(rect.Rect(), 1, 2, 3, 4));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(rect.GetSideValue(i), i + 1);
    EXPECT_EQ(rect.GetSideValue(9), 4); // any other index reads Bottom

    rect.SetSideValue(7, 100); // unknown side: nothing changes, nothing reported
    rect.SetLeft(1);           // same value: no report
    EXPECT_EQ(changes, 4);

    TcxRect other;
    other.AssignRect(TRect{5, 6, 7, 8});
    rect.Assign(&other);
    EXPECT_EQ(changes, 5);
    EXPECT_TRUE(rect.SameAs(other));

    TcxSize size;
    EXPECT_NO_THROW(rect.Assign(&size)); // other sources are ignored silently
    EXPECT_TRUE(Is(rect.Rect(), 5, 6, 7, 8));

    rect.GetRectPointer()->left = 0; // direct access bypasses notification
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(rect.Left(), 0);
}

TEST(GeometrySize, DimensionsAreClampedAndStoredOnlyWhenSet) {
    TcxSize size;
    int changes = 0;
    size.OnChange = [&](TObject*) { ++changes; };
    size.SetWidth(-5); // clamps to 0, which it already was
    EXPECT_EQ(size.Width(), 0);
    EXPECT_EQ(changes, 0);

    size.SetHeight(7);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(size.IsDimensionStored(1));
    EXPECT_TRUE(size.IsDimensionStored(0));

    size.SetDimensions(TSize{-1, -1});
    EXPECT_EQ(size.Height(), 0);
    EXPECT_EQ(changes, 2);

    TcxSize other;
    other.SetDimensions(TSize{3, 4});
    size.Assign(&other);
    EXPECT_TRUE(size.SameAs(other));
    EXPECT_EQ(size.AsSize().cx, 3);
    EXPECT_EQ(size.AsSize().cy, 4);

    TcxRect rect;
    EXPECT_THROW(size.Assign(&rect), EConvertError);
}

// A size that computes its values: AsSize and SameAs read through the virtual getter.
class TComputedSize : public TcxSize {
public:
    int GetDimension(int index) const override { return index == 0 ? 11 : 22; }
};

TEST(GeometrySize, ComputedDimensionsAreHonoured) {
    TComputedSize computed;
    TcxSize plain;
    plain.Assign(&computed);
    EXPECT_EQ(plain.Width(), 22);
    EXPECT_EQ(plain.Height(), 11);
    EXPECT_TRUE(plain.SameAs(computed));
}

TEST(GeometryUnit, RectClassIsFoundByNameWhileTheUnitRuns) {
    GeometryInitialize();
    GeometryInitialize();
    EXPECT_EQ(GetClass("TcxRect"), TcxRect::StaticClass());
    GeometryFinalize();
    EXPECT_EQ(GetClass("TcxRect"), TcxRect::StaticClass()); // only the last end acts
    GeometryFinalize();
    EXPECT_EQ(GetClass("TcxRect"), nullptr);
}
