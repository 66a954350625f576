#pragma once
// Rectangle and size values that components publish, and the pure rectangle and point routines
// of every painter and layout calculation. Right and Bottom are exclusive.
#include "platform/core/Persistent.h"
#include "platform/graphics/Graphics.h"

class TcxRect : public TPersistent {
public:
    VZ_CLASS(TcxRect, TPersistent)
    explicit TcxRect(TPersistent* owner = nullptr) : owner_(owner) {}

    void Assign(TPersistent* source) override; // only from another TcxRect; others are ignored
    TPersistent* GetOwner() override { return owner_; }

    int Left() const { return rect_.left; }
    int Top() const { return rect_.top; }
    int Right() const { return rect_.right; }
    int Bottom() const { return rect_.bottom; }
    void SetLeft(int value) { SetSideValue(0, value); }
    void SetTop(int value) { SetSideValue(1, value); }
    void SetRight(int value) { SetSideValue(2, value); }
    void SetBottom(int value) { SetSideValue(3, value); }
    const TRect& Rect() const { return rect_; }

    int GetSideValue(int index) const;
    void SetSideValue(int index, int value);
    // Stores r and reports OnChange, unless r is the stored rectangle.
    void AssignRect(const TRect& r);
    bool SameRect(const TRect& r) const;
    bool SameAs(const TcxRect& other) const { return SameRect(other.rect_); }
    // Direct access for loaders that fill the value without notification.
    TRect* GetRectPointer() { return &rect_; }

    TNotifyEvent OnChange;

private:
    TPersistent* owner_;
    TRect rect_{0, 0, 0, 0};
};

class TcxSize : public TPersistent {
public:
    VZ_CLASS(TcxSize, TPersistent)
    explicit TcxSize(TPersistent* owner = nullptr) : owner_(owner) {}

    // From another TcxSize; any other source raises the assignment error.
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() override { return owner_; }

    int Height() const { return GetDimension(0); }
    int Width() const { return GetDimension(1); }
    void SetHeight(int value) { SetDimension(0, value); }
    void SetWidth(int value) { SetDimension(1, value); }

    // (Width, Height) read through GetDimension, so computed sizes are honoured.
    TSize AsSize() const { return TSize{GetDimension(1), GetDimension(0)}; }
    bool SameAs(const TcxSize& other) const;
    TSize* GetSizePointer() { return &size_; }

    virtual void FireChange();
    virtual int GetDimension(int index) const; // 0: Height, other: Width
    virtual bool IsDimensionStored(int index) const { return GetDimension(index) != 0; }
    // Negative members become 0; a change reports OnChange.
    virtual void SetDimensions(const TSize& size);

    TNotifyEvent OnChange;

private:
    void SetDimension(int index, int value);

    TPersistent* owner_;
    TSize size_{0, 0};
};

// Rectangle and point routines; each returns a new value.
inline int GetRectWidth(const TRect& r) {
    return r.right - r.left;
}
inline int GetRectHeight(const TRect& r) {
    return r.bottom - r.top;
}
inline bool IsEmptyRect(const TRect& r) {
    return !(r.left < r.right && r.top < r.bottom);
}
inline bool SameRects(const TRect& a, const TRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline TRect MakeRect(int left, int top, int right, int bottom) {
    return TRect{left, top, right, bottom};
}
inline TRect RectFromOriginSize(int left, int top, int width, int height) {
    return TRect{left, top, left + width, top + height};
}
inline TRect RectWithBottomRight(const TRect& r, TPoint p) {
    return TRect{r.left, r.top, p.x, p.y};
}
inline TRect GrowRect(const TRect& r, int dx, int dy) {
    return TRect{r.left - dx, r.top - dy, r.right + dx, r.bottom + dy};
}
inline TRect GrowRectSides(const TRect& r, int dLeft, int dTop, int dRight, int dBottom) {
    return TRect{r.left - dLeft, r.top - dTop, r.right + dRight, r.bottom + dBottom};
}
inline TRect ShiftRect(const TRect& r, int dx, int dy) {
    return TRect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}
inline TRect ShiftRectByPoint(const TRect& r, TPoint p) {
    return ShiftRect(r, p.x, p.y);
}
inline TRect RectWithLeft(const TRect& r, int x, int width) {
    return TRect{x, r.top, x + width, r.bottom};
}
inline TRect RectKeepWidthAtLeft(const TRect& r, int x) {
    return RectWithLeft(r, x, GetRectWidth(r));
}
inline TRect RectWithRight(const TRect& r, int x, int width) {
    return TRect{x - width, r.top, x, r.bottom};
}
inline TRect RectWithTop(const TRect& r, int y, int height) {
    return TRect{r.left, y, r.right, y + height};
}
inline TRect RectWithBottom(const TRect& r, int y, int height) {
    return TRect{r.left, y - height, r.right, y};
}
inline TRect RectWithWidth(const TRect& r, int width) {
    return TRect{r.left, r.top, r.left + width, r.bottom};
}
inline TRect RectWithHeight(const TRect& r, int height) {
    return TRect{r.left, r.top, r.right, r.top + height};
}
inline TRect RectWithLeftRight(const TRect& r, int left, int right) {
    return TRect{left, r.top, right, r.bottom};
}
inline TRect RectWithTopBottom(const TRect& r, int top, int bottom) {
    return TRect{r.left, top, r.right, bottom};
}
// Centres a width x height box in r; the halving truncates toward zero.
TRect CenteredRectWH(const TRect& r, int width, int height);
inline TRect CenteredRect(const TRect& r, TSize size) {
    return CenteredRectWH(r, size.cx, size.cy);
}
inline TRect RectInsideMargins(const TRect& r, const TRect& m) {
    return TRect{r.left + m.left, r.top + m.top, r.right - m.right, r.bottom - m.bottom};
}
inline TPoint NegatePoint(TPoint p) {
    return TPoint{-p.x, -p.y};
}
inline TPoint AddPoints(TPoint p, TPoint q) {
    return TPoint{p.x + q.x, p.y + q.y};
}
inline TPoint OffsetPoint(TPoint p, int dx, int dy) {
    return TPoint{p.x + dx, p.y + dy};
}
template <typename T = TSize> T MakeExtent(int a, int b) {
    return T{a, b};
}
inline bool SameExtents(TSize a, TSize b) {
    return a.cx == b.cx && a.cy == b.cy;
}
inline bool SameExtents(TPoint a, TPoint b) {
    return a.x == b.x && a.y == b.y;
}

// Unit start and end: TcxRect is known to stored-form readers by name in between.
void GeometryInitialize();
void GeometryFinalize();
