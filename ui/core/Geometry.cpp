#include "ui/core/Geometry.h"

#include <algorithm>

void TcxRect::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TcxRect*>(source)) AssignRect(other->rect_);
}

int TcxRect::GetSideValue(int index) const {
    switch (index) {
    case 0:
        return rect_.left;
    case 1:
        return rect_.top;
    case 2:
        return rect_.right;
    default:
        return rect_.bottom;
    }
}

void TcxRect::SetSideValue(int index, int value) {
    TRect r = rect_;
    switch (index) {
    case 0:
        r.left = value;
        break;
    case 1:
        r.top = value;
        break;
    case 2:
        r.right = value;
        break;
    case 3:
        r.bottom = value;
        break;
    default:
        break;
    }
    AssignRect(r);
}

void TcxRect::AssignRect(const TRect& r) {
    if (SameRect(r)) return;
    rect_ = r;
    if (OnChange) OnChange(this);
}

bool TcxRect::SameRect(const TRect& r) const {
    return SameRects(rect_, r);
}

// ---------------------------------------------------------------------------------------------
void TcxSize::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TcxSize*>(source)) {
        SetDimensions(other->AsSize());
        return;
    }
    TPersistent::Assign(source);
}

bool TcxSize::SameAs(const TcxSize& other) const {
    return SameExtents(AsSize(), other.AsSize());
}

void TcxSize::FireChange() {
    if (OnChange) OnChange(this);
}

int TcxSize::GetDimension(int index) const {
    return index == 0 ? size_.cy : size_.cx;
}

void TcxSize::SetDimensions(const TSize& size) {
    TSize clamped{std::max<LONG>(size.cx, 0), std::max<LONG>(size.cy, 0)};
    if (clamped.cx == size_.cx && clamped.cy == size_.cy) return;
    size_ = clamped;
    FireChange();
}

void TcxSize::SetDimension(int index, int value) {
    TSize size = AsSize();
    if (index == 0)
        size.cy = value;
    else
        size.cx = value;
    SetDimensions(size);
}

// ---------------------------------------------------------------------------------------------
TRect CenteredRectWH(const TRect& r, int width, int height) {
    TRect result;
    result.left = (r.left + r.right - width) / 2;
    result.top = (r.top + r.bottom - height) / 2;
    result.right = result.left + width;
    result.bottom = result.top + height;
    return result;
}

namespace {
int geometryUnitCount = 0;
}

void GeometryInitialize() {
    if (geometryUnitCount++ == 0) RegisterClasses({TcxRect::StaticClass()});
}

void GeometryFinalize() {
    if (geometryUnitCount == 0) return;
    if (--geometryUnitCount == 0) UnRegisterClass(TcxRect::StaticClass());
}
