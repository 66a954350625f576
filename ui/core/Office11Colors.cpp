#include "ui/core/Office11Colors.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "ui/core/GraphicsRoutines.h"
#include "ui/core/ThemeBinding.h"
#include "ui/core/ThemeManager.h"

TColor Office11LightColor;
TColor Office11DarkColor;
TColor Office11ButtonFaceColor;
TColor Office11TabColor;
TColor Office11GroupByBoxColor;
TColor Office11GripDarkColor;
TColor Office11GripLightColor;
TColor Office11HeaderShadowColor;
TColor Office11HeaderHighlightColor;
TColor Office11FilterBoxColor;
TColor Office11FilterBoxTextColor;
TColor Office11ControlBorderColor;
TColor Office11SelectedBorderColor;
TColor Office11HotColor;
TColor Office11HotDarkColor;
TColor Office11PressedColor;
TColor Office11PressedDarkColor;
TColor Office11TextColor;
TColor Office11DisabledTextColor;
TColor Office11GroupRowColor;
TColor Office11DateSelectionColor;
TColor Office11SchedulerControlColor;
TColor Office11SchedulerBorderColor;

namespace {

constexpr TColor C(int r, int g, int b) {
    return static_cast<TColor>(RGB(r, g, b));
}

// The entries of the three schemes' tables that this system uses (blue, olive, silver).
enum TSchemeEntry {
    seLight = 0,
    seDark = 1,
    seButtonFace = 2,
    seTab = 3,
    seGroupByBox1 = 4,
    seGroupByBox2 = 11,
    seGripDark = 12,
    seGripLight = 13,
    seHeaderShadow = 14,
    seHeaderHighlight = 15,
    seFilterBox = 16,
    seControlBorder = 18,
    seSelectedBorder = 21,
    seHot = 22,
    seHotDark = 23,
    sePressed = 24,
    sePressedDark = 25,
    seText = 30,
    seDisabledText = 31,
    seGroupRow = 32,
    seDateSelection = 33,
    seSchedulerControl = 34,
    seSchedulerBorder = 35,
};
struct TSchemeRow {
    TSchemeEntry Entry;
    TColor Colors[3];
};
const TSchemeRow SchemeTable[] = {
    {seLight, {C(221, 236, 254), C(244, 247, 222), C(243, 244, 250)}},
    {seDark, {C(129, 169, 226), C(183, 198, 145), C(153, 151, 181)}},
    {seButtonFace, {C(158, 190, 245), C(217, 217, 167), C(215, 215, 229)}},
    {seTab, {C(195, 218, 249), C(242, 240, 228), C(243, 243, 247)}},
    {seGroupByBox1, {C(0, 53, 145), C(96, 119, 107), C(118, 116, 146)}},
    {seGroupByBox2, {C(123, 164, 224), C(181, 196, 143), C(147, 145, 176)}},
    {seGripDark, {C(39, 65, 118), C(81, 94, 51), C(84, 84, 117)}},
    {seGripLight, {C(255, 255, 255), C(255, 255, 255), C(255, 255, 255)}},
    {seHeaderShadow, {C(106, 140, 203), C(96, 128, 88), C(110, 109, 143)}},
    {seHeaderHighlight, {C(241, 249, 255), C(244, 247, 222), C(255, 255, 255)}},
    {seFilterBox, {C(42, 102, 201), C(116, 134, 94), C(122, 121, 153)}},
    {seControlBorder, {C(0, 45, 150), C(117, 141, 94), C(124, 124, 148)}},
    {seSelectedBorder, {C(0, 0, 128), C(63, 93, 56), C(75, 75, 111)}},
    {seHot, {C(255, 244, 204), C(255, 244, 204), C(255, 244, 204)}},
    {seHotDark, {C(255, 208, 145), C(255, 208, 145), C(255, 208, 145)}},
    {sePressed, {C(255, 211, 142), C(255, 211, 142), C(255, 211, 142)}},
    {sePressedDark, {C(254, 145, 78), C(254, 145, 78), C(254, 145, 78)}},
    {seText, {C(0, 0, 0), C(0, 0, 0), C(0, 0, 0)}},
    {seDisabledText, {C(141, 141, 141), C(141, 141, 141), C(141, 141, 141)}},
    {seGroupRow, {C(190, 218, 251), C(175, 186, 145), C(229, 229, 235)}},
    {seDateSelection, {C(251, 230, 148), C(251, 230, 148), C(251, 230, 148)}},
    {seSchedulerControl, {C(196, 218, 250), C(242, 241, 228), C(243, 243, 247)}},
    {seSchedulerBorder, {C(0, 45, 150), C(96, 128, 88), C(124, 124, 148)}},
};

int users = 0;
bool schemeInUse = false;
HBRUSH gripDarkBrush = nullptr;
HBRUSH gripLightBrush = nullptr;
std::unique_ptr<TBitmap> expandButtonBitmaps[2]; // collapsed (plus), expanded (minus)
std::unique_ptr<TBitmap> subMenuExpandBitmap;
HMODULE msimg32 = nullptr;
TGradientFillProc gradientFill = nullptr;

TColor SchemeColor(int scheme, TSchemeEntry entry) {
    for (const TSchemeRow& row : SchemeTable)
        if (row.Entry == entry) return row.Colors[scheme - 1];
    return clBlack;
}

TColor RGBOf(TColor color) {
    return static_cast<TColor>(ColorToRGB(color) & 0xFFFFFF);
}

void ComputeOffice11Colors() {
    int scheme = DetectOffice11Scheme();
    schemeInUse = CanUseVisualStyles(0) && scheme != Office11SchemeNone;
    TColor groupByBox1, groupByBox2;
    if (schemeInUse) {
        auto S = [scheme](TSchemeEntry entry) { return SchemeColor(scheme, entry); };
        Office11LightColor = S(seLight);
        Office11DarkColor = S(seDark);
        Office11ButtonFaceColor = S(seButtonFace);
        Office11TabColor = S(seTab);
        groupByBox1 = S(seGroupByBox1);
        groupByBox2 = S(seGroupByBox2);
        Office11GripDarkColor = S(seGripDark);
        Office11GripLightColor = S(seGripLight);
        Office11HeaderShadowColor = S(seHeaderShadow);
        Office11HeaderHighlightColor = S(seHeaderHighlight);
        Office11FilterBoxColor = S(seFilterBox);
        Office11ControlBorderColor = S(seControlBorder);
        Office11SelectedBorderColor = S(seSelectedBorder);
        Office11HotColor = S(seHot);
        Office11HotDarkColor = S(seHotDark);
        Office11PressedColor = S(sePressed);
        Office11PressedDarkColor = S(sePressedDark);
        Office11TextColor = S(seText);
        Office11DisabledTextColor = S(seDisabledText);
        Office11GroupRowColor = S(seGroupRow);
        Office11DateSelectionColor = S(seDateSelection);
        Office11SchedulerControlColor = S(seSchedulerControl);
        Office11SchedulerBorderColor = S(seSchedulerBorder);
        Office11FilterBoxTextColor = clWhite;
    } else {
        Office11LightColor = MixColors(clBtnFace, clWindow, 22);
        Office11DarkColor = MixColors(clBtnFace, clWindow, 96);
        Office11ButtonFaceColor = RGBOf(clBtnFace);
        Office11TabColor = MixColors(clBtnFace, clWindow, 20);
        groupByBox1 = RGBOf(clBtnShadow);
        groupByBox2 = RGBOf(clBtnFace);
        Office11GripDarkColor = MixColors(clBtnShadow, clWindow, 76);
        Office11GripLightColor = RGBOf(clWindow);
        Office11HeaderShadowColor = MixColors(clBtnShadow, clWindow, 70);
        Office11HeaderHighlightColor = clWhite;
        Office11FilterBoxColor = RGBOf(clBtnShadow);
        Office11ControlBorderColor = RGBOf(clBtnShadow);
        Office11SelectedBorderColor = RGBOf(clHighlight);
        Office11HotColor = GetLightPressedSelectionColor();
        Office11HotDarkColor = Office11HotColor;
        Office11PressedColor = GetLightSelectionColor();
        Office11PressedDarkColor = Office11PressedColor;
        Office11TextColor = RGBOf(clBtnText);
        Office11DisabledTextColor = RGBOf(clGrayText);
        Office11GroupRowColor = RGBOf(clBtnFace);
        Office11DateSelectionColor = MixSystemColors(41, 11, 48);
        Office11SchedulerControlColor = Office11ButtonFaceColor;
        Office11SchedulerBorderColor = RGBOf(clBtnShadow);
        Office11FilterBoxTextColor = RGBOf(clBtnHighlight);
    }
    Office11GroupByBoxColor = MixColors(groupByBox1, groupByBox2, 50);
}

} // namespace

void RecolorOffice11SubMenuExpand(TBitmap& bitmap) {
    TColor light = Office11LightColor, dark = Office11DarkColor;
    if (light == dark) dark = light == clBlack ? clWhite : clBlack;
    TCanvas& canvas = bitmap.Canvas();
    TColor background = canvas.Pixel(0, 0);
    int minRed = 255, maxRed = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            TColor pixel = canvas.Pixel(x, y);
            if (pixel == background || pixel == clBlack) continue;
            minRed = std::min(minRed, static_cast<int>(GetRValue(pixel)));
            maxRed = std::max(maxRed, static_cast<int>(GetRValue(pixel)));
        }
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            TColor pixel = canvas.Pixel(x, y);
            if (pixel == background || pixel == clBlack) continue;
            // One red level alone leaves no range to map: it takes the dark end.
            int percent = maxRed > minRed ? MulDiv(GetRValue(pixel) - minRed, 100, maxRed - minRed) : 0;
            canvas.SetPixel(x, y, MixColors(light, dark, percent));
        }
}

namespace {

void FreeOffice11Brushes() {
    if (gripDarkBrush) DeleteObject(gripDarkBrush);
    if (gripLightBrush) DeleteObject(gripLightBrush);
    gripDarkBrush = gripLightBrush = nullptr;
    expandButtonBitmaps[0].reset();
    expandButtonBitmaps[1].reset();
    subMenuExpandBitmap.reset();
}

std::unique_ptr<TBitmap> LoadBitmapResource(const char* name) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->LoadFromResourceName(GetModuleHandleA(nullptr), name);
    return bitmap;
}

void MakeOffice11Brushes() {
    FreeOffice11Brushes();
    gripDarkBrush = CreateSolidBrush(ColorToRGB(Office11GripDarkColor));
    gripLightBrush = CreateSolidBrush(ColorToRGB(Office11GripLightColor));
    expandButtonBitmaps[0] = LoadBitmapResource("DXEXPANDBUTTON_PLUS");
    expandButtonBitmaps[1] = LoadBitmapResource("DXEXPANDBUTTON_MINUS");
    subMenuExpandBitmap = LoadBitmapResource("DXSUBMENUEXPAND");
    RecolorOffice11SubMenuExpand(*subMenuExpandBitmap);
}

void FillWithBrush(HDC dc, TRect rect, HBRUSH brush) {
    ::FillRect(dc, &rect, brush);
}

} // namespace

HBRUSH Office11GripDarkBrush() {
    return gripDarkBrush;
}

HBRUSH Office11GripLightBrush() {
    return gripLightBrush;
}

TBitmap* Office11ExpandButtonBitmap(bool expanded) {
    return expandButtonBitmaps[expanded ? 1 : 0].get();
}

TBitmap* Office11SubMenuExpandBitmap() {
    return subMenuExpandBitmap.get();
}

void AcquireOffice11Colors() {
    if (users == 0) {
        ComputeOffice11Colors();
        MakeOffice11Brushes();
    }
    ++users;
}

void ReloadOffice11Colors() {
    ComputeOffice11Colors();
    if (users > 0) MakeOffice11Brushes();
}

void DropOffice11Colors() {
    if (users == 0) return;
    if (--users == 0) FreeOffice11Brushes();
}

int Office11ColorsUsers() {
    return users;
}

int DetectOffice11Scheme() {
    if (!CanUseVisualStyles(0)) return Office11SchemeNone;
    std::wstring fileName(1024, L'\0'), colorName(1024, L'\0'), sizeName(1024, L'\0');
    if (FAILED(dxUxTheme::GetCurrentThemeName(fileName.data(), 1024, colorName.data(), 1024, sizeName.data(),
                                              1024)))
        return Office11SchemeNone;
    fileName.resize(wcsnlen(fileName.c_str(), 1024));
    colorName.resize(wcsnlen(colorName.c_str(), 1024));
    auto upper = [](std::wstring text) {
        if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
        return text;
    };
    size_t slash = fileName.find_last_of(L"\\/:");
    std::wstring file = upper(slash == std::wstring::npos ? fileName : fileName.substr(slash + 1));
    DWORD major = 0, minor = 0;
    dxUxTheme::GetWindowsVersion(major, minor);
    if (file != L"LUNA.MSSTYLES" && major <= 5) return Office11SchemeNone;
    std::wstring color = upper(colorName);
    if (color == L"NORMALCOLOR") return Office11SchemeBlue;
    if (color == L"HOMESTEAD") return Office11SchemeOlive;
    if (color == L"METALLIC") return Office11SchemeSilver;
    return Office11SchemeNone;
}

bool Office11SchemeInUse() {
    return schemeInUse;
}

TColor MixColors(TColor color1, TColor color2, int percent) {
    COLORREF c1 = ColorToRGB(color1), c2 = ColorToRGB(color2);
    auto channel = [&](int shift) {
        int value =
            MulDiv((c2 >> shift) & 0xFF, 100 - percent, 100) + MulDiv((c1 >> shift) & 0xFF, percent, 100);
        return std::min(value, 255);
    };
    return GetNearestScreenColor(static_cast<TColor>(RGB(channel(0), channel(8), channel(16))));
}

TColor DarkenColor(TColor color, int percent) {
    COLORREF rgb = ColorToRGB(color);
    auto channel = [&](int shift) { return static_cast<int>(((rgb >> shift) & 0xFF) * percent / 100.0); };
    return static_cast<TColor>(RGB(channel(0), channel(8), channel(16)));
}

TColor LightenColor(TColor color, int percent) {
    COLORREF rgb = ColorToRGB(color);
    auto channel = [&](int shift) {
        return static_cast<int>(
            std::trunc(255 - percent / 100.0 * (255 - static_cast<int>((rgb >> shift) & 0xFF))));
    };
    return static_cast<TColor>(RGB(channel(0), channel(8), channel(16)));
}

void PaintGradient(HDC dc, const TRect& rect, TColor color1, TColor color2, bool horizontal) {
    COLORREF from = ColorToRGB(color1) & 0xFFFFFF, to = ColorToRGB(color2) & 0xFFFFFF;
    if (from == to) {
        FillRectSolid(dc, rect, static_cast<TColor>(from));
        return;
    }
    if (gradientFill) {
        TRIVERTEX vertices[2] = {
            {rect.left, rect.top, static_cast<COLOR16>(GetRValue(from) << 8),
             static_cast<COLOR16>(GetGValue(from) << 8), static_cast<COLOR16>(GetBValue(from) << 8), 0},
            {rect.right, rect.bottom, static_cast<COLOR16>(GetRValue(to) << 8),
             static_cast<COLOR16>(GetGValue(to) << 8), static_cast<COLOR16>(GetBValue(to) << 8), 0}};
        GRADIENT_RECT mesh{0, 1};
        gradientFill(dc, vertices, 2, &mesh, 1, horizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
        return;
    }
    int extent = horizontal ? rect.right - rect.left : rect.bottom - rect.top;
    int bands = std::min(extent, 256);
    if (bands <= 0) return;
    // The bands are laid out as one line of pixels and stretched across the rectangle in one call:
    // the same pixels as a fill per band, without 256 trips through GDI.
    std::vector<RGBQUAD> line(static_cast<size_t>(extent));
    int reached = 0;
    for (int i = 0; i < bands; ++i) {
        int start = MulDiv(i, extent, bands), end = MulDiv(i + 1, extent, bands);
        if (end > start) {
            // One band alone has no step to divide: it is the first colour.
            auto channel = [&](int shift) {
                int a = (from >> shift) & 0xFF, b = (to >> shift) & 0xFF;
                return static_cast<BYTE>(bands > 1 ? a + MulDiv(i, b - a, bands - 1) : a);
            };
            std::fill(line.begin() + start, line.begin() + end,
                      RGBQUAD{channel(16), channel(8), channel(0), 0});
            reached = end;
        }
        if (end >= extent) break;
    }
    if (reached <= 0) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    if (horizontal) {
        // One row stretched down the rectangle.
        info.bmiHeader.biWidth = reached;
        info.bmiHeader.biHeight = -1;
        int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, rect.left, rect.top, reached, rect.bottom - rect.top, 0, 0, reached, 1, line.data(),
                      &info, DIB_RGB_COLORS, SRCCOPY);
        SetStretchBltMode(dc, oldMode);
        return;
    }
    // Rows of one colour each, copied a slice at a time through a buffer on the stack (a large
    // heap block per call costs more than the copy).
    const int width = rect.right - rect.left;
    if (width <= 0) return;
    constexpr int bufferPixels = 4096;
    if (width > bufferPixels) {
        info.bmiHeader.biWidth = 1;
        info.bmiHeader.biHeight = -reached;
        int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, rect.left, rect.top, width, reached, 0, 0, 1, reached, line.data(), &info,
                      DIB_RGB_COLORS, SRCCOPY);
        SetStretchBltMode(dc, oldMode);
        return;
    }
    RGBQUAD buffer[bufferPixels];
    const int sliceRows = bufferPixels / width;
    info.bmiHeader.biWidth = width;
    for (int top = 0; top < reached; top += sliceRows) {
        const int rows = std::min(sliceRows, reached - top);
        for (int y = 0; y < rows; ++y)
            std::fill_n(buffer + y * width, width, line[top + y]);
        info.bmiHeader.biHeight = -rows;
        SetDIBitsToDevice(dc, rect.left, rect.top + top, width, rows, 0, 0, 0, rows, buffer, &info,
                          DIB_RGB_COLORS);
    }
}

void FillRectSolid(HDC dc, const TRect& rect, TColor color) {
    HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
    FillWithBrush(dc, rect, brush);
    DeleteObject(brush);
}

void PaintOffice11SizeGrip(HDC dc, const TRect& rect, TColor darkColor, TColor lightColor) {
    HBRUSH dark = darkColor == clDefault ? nullptr : CreateSolidBrush(ColorToRGB(darkColor));
    HBRUSH light = lightColor == clDefault ? nullptr : CreateSolidBrush(ColorToRGB(lightColor));
    HBRUSH darkBrush = dark ? dark : gripDarkBrush;
    HBRUSH lightBrush = light ? light : gripLightBrush;
    if (darkBrush && lightBrush) {
        // Rows of 3, 2 and 1 fingers from the bottom up, each 4 pixels right of the one below.
        for (int row = 0; row < 3; ++row) {
            TRect line =
                Rect(rect.right - 12 + 4 * row, rect.bottom - 3 - 4 * row, rect.right, rect.bottom - 4 * row);
            int extent = line.right - line.left;
            int rest = extent % 4;
            int x = line.left + (rest < 2 ? rest : rest / 2);
            for (; x + 4 <= line.right; x += 4) {
                TRect cell = Rect(x + 1, line.top + 1, x + 3, line.top + 3);
                FillWithBrush(dc, cell, lightBrush);
                FillWithBrush(dc, Rect(cell.left - 1, cell.top - 1, cell.right - 1, cell.bottom - 1),
                              darkBrush);
            }
        }
    }
    if (dark) DeleteObject(dark);
    if (light) DeleteObject(light);
}

TGradientFillProc GradientFillEntry() {
    return gradientFill;
}

TGradientFillProc SetGradientFillEntry(TGradientFillProc entry) {
    TGradientFillProc previous = gradientFill;
    gradientFill = entry;
    return previous;
}

void Office11ColorsInitialize() {
    if (msimg32) return;
    msimg32 = LoadLibraryA("msimg32.dll");
    if (msimg32)
        gradientFill = reinterpret_cast<TGradientFillProc>(
            reinterpret_cast<void*>(GetProcAddress(msimg32, "GradientFill")));
}

void Office11ColorsFinalize() {
    FreeOffice11Brushes();
    users = 0;
    gradientFill = nullptr;
    if (msimg32) FreeLibrary(msimg32);
    msimg32 = nullptr;
}
