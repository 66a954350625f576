#pragma once
// A top-down 32-bit DIB section with a canvas on it, for probing what painting left behind.
#include <gtest/gtest.h>

#include "ui/core/Canvas.h"

class TPaintSurface {
public:
    TPaintSurface(int width, int height, COLORREF background = RGB(255, 255, 255))
        : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top-down: row y at bits_ + y * width
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<DWORD*>(bits);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, bitmap_);
        canvas.SetHandle(dc_);
        Clear(background);
    }
    ~TPaintSurface() {
        canvas.SetHandle(nullptr);
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    TPaintSurface(const TPaintSurface&) = delete;
    TPaintSurface& operator=(const TPaintSurface&) = delete;

    void Clear(COLORREF color) {
        GdiFlush();
        DWORD value = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
        for (int i = 0; i < width_ * height_; ++i)
            bits_[i] = value;
    }
    // The pixel as a COLORREF, alpha masked off.
    COLORREF At(int x, int y) const {
        GdiFlush();
        DWORD v = bits_[y * width_ + x] & 0xFFFFFF;
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // True when every pixel of rect has the colour.
    bool AllOf(const RECT& rect, COLORREF color) const {
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                if (At(x, y) != color) return false;
        return true;
    }
    int Count(COLORREF color) const {
        int count = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                count += At(x, y) == color;
        return count;
    }
    // Bounding box of the pixels of a colour; empty when there are none.
    RECT BoxOf(COLORREF color) const {
        return BoxWhere([color](COLORREF c) { return c == color; });
    }
    // Bounding box of the pixels whose colour passes the test; empty when there are none.
    template <class Test> RECT BoxWhere(Test test) const {
        RECT box{width_, height_, 0, 0};
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (test(At(x, y))) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        if (box.right == 0) box = RECT{0, 0, 0, 0};
        return box;
    }
    int Width() const { return width_; }
    int Height() const { return height_; }
    HDC DC() const { return dc_; }

    TCanvas canvas;
    TcxCanvas cx{&canvas};

private:
    int width_, height_;
    HBITMAP bitmap_ = nullptr;
    DWORD* bits_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

inline COLORREF Sys(TColor color) {
    return ColorToRGB(color) & 0xFFFFFF;
}
