#pragma once
// Fixtures for the skin drawing tests: pictures of known colours made through the model, and an
// element that counts its drawings.
#include <cstring>
#include <memory>
#include <vector>

#include "../core/PaintSurface.h"
#include "ui/skins/SkinCanvas.h"
#include "ui/skins/SkinInfo.h"
#include "ui/skins/SkinModel.h"

namespace skindraw {

// 0xAARRGGBB pixels for a picture; Opaque(c) of a COLORREF.
inline DWORD Opaque(COLORREF c) {
    return 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// Loads the top-down pixels (0xAARRGGBB, pre-multiplied) into the picture.
inline void SetPixels(TdxPNGImage& picture, int width, int height, const std::vector<DWORD>& pixels) {
    TBitmap bitmap(width, height, pf32bit);
    for (int y = 0; y < height; ++y)
        std::memcpy(bitmap.ScanLine(y), &pixels[static_cast<size_t>(y) * width], width * 4);
    picture.LoadFromBitmap(bitmap);
}

// A horizontal strip of solid frames, each frameWidth x height, in the colours given.
inline void SetStrip(TdxSkinImage& image, int frameWidth, int height, const std::vector<COLORREF>& colours) {
    const int width = frameWidth * static_cast<int>(colours.size());
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[static_cast<size_t>(y) * width + x] = Opaque(colours[x / frameWidth]);
    SetPixels(image.Texture(), width, height, pixels);
    image.Changed();
}

// The colour of the nine regions of a picture cut by margins: kPart[column][row].
inline const COLORREF kPart[3][3] = {
    {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200)},
    {RGB(200, 200, 0), RGB(0, 200, 200), RGB(200, 0, 200)},
    {RGB(100, 50, 0), RGB(0, 100, 50), RGB(50, 0, 100)},
};

// A size x size picture whose corners, edges and centre by margin m have the colours of kPart.
inline void SetNinePartPicture(TdxSkinImage& image, int size, int m) {
    std::vector<DWORD> pixels(static_cast<size_t>(size) * size);
    auto band = [&](int v) { return v < m ? 0 : v >= size - m ? 2 : 1; };
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            pixels[static_cast<size_t>(y) * size + x] = Opaque(kPart[band(x)][band(y)]);
    SetPixels(image.Texture(), size, size, pixels);
    image.Margins().AssignRect(TRect{m, m, m, m});
    image.Changed();
}

class TCountingElement : public TdxSkinElement {
public:
    using TdxSkinElement::TdxSkinElement;
    void DrawEx(TdxSkinCanvas* canvas, const TRect& r, int imageIndex, TdxSkinElementState state) override {
        ++Draws;
        TdxSkinElement::DrawEx(canvas, r, imageIndex, state);
    }
    int Draws = 0;
};

inline bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// The group, element and skin-colour references of a skin info and its element tables.
inline std::vector<const void*> SkinInfoElementReferences(TdxSkinInfo& info) {
    std::vector<const void*> refs;
#define VZ_REF(field, ...) refs.push_back(info.field);
    VZ_SKIN_INFO_GROUPS(VZ_REF)
    VZ_SKIN_INFO_BARS(VZ_REF)
    VZ_SKIN_INFO_DOCKING(VZ_REF)
    VZ_SKIN_INFO_BUTTONS(VZ_REF)
    VZ_SKIN_INFO_GROUP_PANELS(VZ_REF)
    VZ_SKIN_INFO_GRID_LINES(VZ_REF)
    VZ_SKIN_INFO_NAVIGATION(VZ_REF)
    VZ_SKIN_INFO_NAVIGATORS(VZ_REF)
    VZ_SKIN_INFO_SCHEDULER(VZ_REF)
    VZ_SKIN_INFO_HEADERS(VZ_REF)
    VZ_SKIN_INFO_PAGE_CONTROL(VZ_REF)
    VZ_SKIN_INFO_PROGRESS(VZ_REF)
    VZ_SKIN_INFO_SCROLL_BARS(VZ_REF)
    VZ_SKIN_INFO_RIBBON(VZ_REF)
    VZ_SKIN_INFO_LAST(VZ_REF)
    VZ_SKIN_INFO_SKIN_COLORS(VZ_REF)
#undef VZ_REF
    for (auto& kind : info.FormFrames)
        for (TdxSkinElement* e : kind)
            refs.push_back(e);
    for (auto& kind : info.FormCaptionButtons)
        for (TdxSkinElement* e : kind)
            refs.push_back(e);
    for (TdxSkinElement* e : info.EditButtonGlyphs)
        refs.push_back(e);
    return refs;
}

} // namespace skindraw

inline bool operator==(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != 0;
}
inline std::ostream& operator<<(std::ostream& os, const RECT& r) {
    return os << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}
