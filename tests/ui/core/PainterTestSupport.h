#pragma once
// Helpers shared by the painter tests: frame rings and the scroll-bar page patterns.
#include <memory>
#include <optional>

#include "PaintSurface.h"
#include "ui/core/LookAndFeelPainters.h"

// Colours at the middle of each side of ring k (0 = outermost) of a w x h box at the origin.
struct TRingColours {
    COLORREF left, top, right, bottom;
};
inline TRingColours RingAt(const TPaintSurface& s, int w, int h, int k) {
    return TRingColours{s.At(k, h / 2), s.At(w / 2, k), s.At(w - 1 - k, h / 2), s.At(w / 2, h - 1 - k)};
}
inline TRingColours Ring(TColor leftTop, TColor rightBottom) {
    return TRingColours{Sys(leftTop), Sys(leftTop), Sys(rightBottom), Sys(rightBottom)};
}
inline bool operator==(const TRingColours& a, const TRingColours& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline std::ostream& operator<<(std::ostream& os, const TRingColours& r) {
    return os << std::hex << "{" << r.left << " " << r.top << " " << r.right << " " << r.bottom << "}"
              << std::dec;
}

// The two 8 x 8 page patterns as the shared resources paint them, installed for one test.
class TScrollBarPatterns {
public:
    TScrollBarPatterns() {
        for (int i = 0; i < 2; ++i) {
            patterns_[i] = std::make_unique<TBitmap>(8, 8, pf32bit);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    patterns_[i]->Canvas().SetPixel(x, y, Expected(i, x, y));
            saved_[i] = PainterResources().ScrollBarPatterns[i];
            PainterResources().ScrollBarPatterns[i] = patterns_[i].get();
        }
    }
    ~TScrollBarPatterns() {
        for (int i = 0; i < 2; ++i)
            PainterResources().ScrollBarPatterns[i] = saved_[i];
    }
    static TColor Expected(int pattern, int x, int y) {
        const bool differ = (x % 2) != (y % 2);
        if (pattern == 0) return differ ? clBtnHighlight : clBtnFace;
        return differ ? cl3DDkShadow : clBlack;
    }

private:
    std::unique_ptr<TBitmap> patterns_[2];
    TBitmap* saved_[2]{};
};
