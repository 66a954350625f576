#include "ui/core/PopupWindow.h"

#include <algorithm>

#include "ui/core/ControlServices.h"

TcxPopupWindow::TcxPopupWindow(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsNone);
    SetFormStyle(fsStayOnTop);
}

TcxPopupWindow::~TcxPopupWindow() = default;

int TcxPopupWindow::GetFrameThickness() {
    switch (PopupBorderStyle) {
    case pbsFrame:
    case pbsEdge:
        return 1;
    case pbsDoubleEdge:
        return 2;
    default:
        return 0;
    }
}

int TcxPopupWindow::GetBorderSpace(int) {
    return GetFrameThickness() + BorderSpace;
}

TRect TcxPopupWindow::CalcContentRect() {
    TRect rect = Rect(0, 0, ClientWidth(), ClientHeight());
    rect.left += GetBorderSpace(0);
    rect.top += GetBorderSpace(1);
    rect.right -= GetBorderSpace(2);
    rect.bottom -= GetBorderSpace(3);
    return rect;
}

void TcxPopupWindow::FitToContent() {
    if (!Adjustable) return;
    const int left = GetBorderSpace(0), top = GetBorderSpace(1);
    int right = 0, bottom = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* child = Controls(i);
        TRect bounds = child->BoundsRect();
        right = std::max<int>(right, bounds.right);
        bottom = std::max<int>(bottom, bounds.bottom);
        child->SetBounds(bounds.left + left, bounds.top + top, child->Width(), child->Height());
    }
    if (ControlCount() > 0) {
        SetWidth(left + right + GetBorderSpace(2));
        SetHeight(top + bottom + GetBorderSpace(3));
    }
}

TRect TcxPopupWindow::GetOwnerScreenBounds() {
    TRect bounds = OwnerBounds;
    if (OwnerParent) MapRectBetweenWindows(OwnerParent->Handle(), nullptr, bounds);
    return bounds;
}

void TcxPopupWindow::InheritOwnerFont() {
    if (OwnerParent) Font().Assign(OwnerParent->Font());
}

TPoint TcxPopupWindow::ComputePopupPosition() {
    const TRect o = GetOwnerScreenBounds();
    const int w = Width(), h = Height();
    TcxPopupAlignHorz horz = AlignHorz;
    TcxPopupAlignVert vert = AlignVert;
    TPoint p{0, 0}, reference{0, 0};
    auto place = [&] {
        if (horz == phaCenter) reference.x = p.x = (o.left + o.right - w) / 2;
        if (vert == pvaCenter) reference.y = p.y = (o.top + o.bottom - h) / 2;
        if (Direction == pdrVertical) {
            if (horz == phaLeft) reference.x = p.x = o.left;
            if (horz == phaRight) p.x = o.right - w, reference.x = o.right;
            if (vert == pvaTop) p.y = o.top - h, reference.y = o.top;
            if (vert == pvaBottom) reference.y = p.y = o.bottom;
        } else {
            if (horz == phaLeft) p.x = o.left - w, reference.x = o.left;
            if (horz == phaRight) reference.x = p.x = o.right;
            if (vert == pvaTop) reference.y = p.y = o.top;
            if (vert == pvaBottom) p.y = o.bottom - h, reference.y = o.bottom;
        }
    };
    place();
    const TRect wa = GetMonitorWorkAreaAt(reference);
    // Flip only to the side with more room.
    if (Direction == pdrVertical) {
        const bool moreAbove = wa.bottom - o.bottom < o.top - wa.top;
        if (vert == pvaBottom && p.y + h > wa.bottom && moreAbove) {
            vert = pvaTop;
            place();
        } else if (vert == pvaTop && p.y < wa.top && !moreAbove) {
            vert = pvaBottom;
            place();
        }
    } else {
        const bool moreLeft = wa.right - o.right < o.left - wa.left;
        if (horz == phaRight && p.x + w > wa.right && moreLeft) {
            horz = phaLeft;
            place();
        } else if (horz == phaLeft && p.x < wa.left && !moreLeft) {
            horz = phaRight;
            place();
        }
    }
    // The left and top clamps come last: a popup wider than the work area starts at its left edge.
    if (Direction == pdrVertical || horz == phaCenter) {
        if (p.x + w > wa.right) p.x = wa.right - w;
        if (p.x < wa.left) p.x = wa.left;
    }
    if (Direction == pdrHorizontal || vert == pvaCenter) {
        if (p.y + h > wa.bottom) p.y = wa.bottom - h;
        if (p.y < wa.top) p.y = wa.top;
    }
    return p;
}

void TcxPopupWindow::ShowPopup() {
    InheritOwnerFont();
    FitToContent();
    TPoint p = ComputePopupPosition();
    SetBounds(p.x, p.y, Width(), Height());
    Show();
}

void TcxPopupWindow::ClosePopup() {
    Hide();
}

LRESULT TcxPopupWindow::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            // The owner form's caption stays active while the popup has the focus.
            PrevActiveWindow = reinterpret_cast<HWND>(lParam);
            if (PrevActiveWindow) SendMessageA(PrevActiveWindow, WM_NCACTIVATE, TRUE, 0);
        } else {
            ClosePopup();
        }
        return TForm::WndProc(message, wParam, lParam);
    case WM_ACTIVATEAPP:
        if (!wParam) {
            if (PrevActiveWindow) SendMessageA(PrevActiveWindow, WM_NCACTIVATE, FALSE, 0);
            ClosePopup();
        }
        return TForm::WndProc(message, wParam, lParam);
    default:
        return TForm::WndProc(message, wParam, lParam);
    }
}

void TcxPopupWindow::PaintWindow(HDC dc) {
    TForm::PaintWindow(dc);
    TCanvas canvas;
    canvas.SetHandle(dc);
    {
        TcxCanvas cx(&canvas);
        PaintFrame(cx);
    }
    canvas.SetHandle(nullptr);
}

void TcxPopupWindow::PaintFrame(TcxCanvas& canvas) {
    TRect rect = Rect(0, 0, Width(), Height());
    switch (PopupBorderStyle) {
    case pbsFrame:
        canvas.DrawRectFrame(rect, FrameColor);
        break;
    case pbsEdge:
        canvas.DrawTwoColorFrame(rect, clBtnHighlight, clBtnShadow);
        break;
    case pbsDoubleEdge:
        canvas.DrawTwoColorFrame(rect, cl3DLight, cl3DDkShadow);
        InflateRect(&rect, -1, -1);
        canvas.DrawTwoColorFrame(rect, clBtnHighlight, clBtnShadow);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------------------------
TcxCustomDragImage::TcxCustomDragImage(TComponent* owner) : TcxPopupWindow(owner) {
    SetBounds(0, 0, 0, 0);
    SetAlphaBlend(true);
    SetAlphaBlendValue(180);
}

void TcxCustomDragImage::CreateHandle() {
    TForm::CreateHandle();
    // Its parent is the active form, so it goes with it; the screen behind it is saved.
    if (TForm* form = Screen().ActiveForm())
        SetWindowLongPtrA(handle_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(form->Handle()));
    SetClassLongPtrA(handle_, GCL_STYLE, GetClassLongPtrA(handle_, GCL_STYLE) | CS_SAVEBITS);
}

LRESULT TcxCustomDragImage::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) return 1;
    if (message == WM_NCHITTEST) return HTTRANSPARENT;
    return TcxPopupWindow::WndProc(message, wParam, lParam);
}

void TcxCustomDragImage::ShowNoActivate() {
    ShowWindow(Handle(), SW_SHOWNA);
    visible_ = true;
    Update();
}

// ---------------------------------------------------------------------------------------------
TcxSizeFrame::TcxSizeFrame(int frameWidth, TComponent* owner)
    : TcxCustomDragImage(owner), FrameWidth(frameWidth), region_(std::make_unique<TcxRegion>()) {
    SetAlphaBlend(false);
    // An 8 x 8 black-and-white checker.
    checker_ = std::make_unique<TBitmap>(8, 8, pf32bit);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            checker_->Canvas().SetPixel(x, y, (x + y) % 2 ? clWhite : clBlack);
    brush_.SetBitmap(checker_.get());
}

TcxSizeFrame::~TcxSizeFrame() = default;

void TcxSizeFrame::SetFrameRect(const TRect& rect) {
    region_ = std::make_unique<TcxRegion>(0, 0, rect.right - rect.left, rect.bottom - rect.top);
    SetBounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

void TcxSizeFrame::SetBounds(int left, int top, int width, int height) {
    TcxCustomDragImage::SetBounds(left, top, width, height);
    if (!HandleAllocated() || !region_ || 2 * FrameWidth >= width || 2 * FrameWidth >= height) return;
    if (!FillSelection) {
        // The ring: the full rectangle less what stays inside it when moved by the frame width.
        TcxRegion inner(0, 0, width, height);
        const int shifts[4][2] = {{FrameWidth, 0}, {0, FrameWidth}, {-FrameWidth, 0}, {0, -FrameWidth}};
        for (const auto& shift : shifts) {
            TcxRegion moved(0, 0, width, height);
            moved.Offset(shift[0], shift[1]);
            inner.CombineWith(moved, rcmIntersect);
        }
        region_->CombineWith(inner, rcmSubtract);
    }
    HRGN current = CreateRectRgn(0, 0, 0, 0);
    bool same = GetWindowRgn(handle_, current) != ERROR && region_->IsEqualHandle(current);
    DeleteObject(current);
    if (same) return;
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(copy, region_->Handle(), nullptr, RGN_COPY);
    SetWindowRgn(handle_, copy, TRUE); // the window owns the copy
}

void TcxSizeFrame::PaintWindow(HDC dc) {
    TRect client;
    ::GetClientRect(handle_, &client);
    FillRect(dc, &client, brush_.Handle());
}
