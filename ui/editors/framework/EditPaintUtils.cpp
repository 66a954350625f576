#include "ui/editors/framework/EditPaintUtils.h"

#include <algorithm>

#include "ui/core/ImageList.h"
#include "ui/core/Office11Colors.h"
#include "ui/core/StandardPainters.h"
#include "ui/core/ThemeBinding.h"
#include "ui/core/ThemeManager.h"
#include "ui/core/UltraFlatPainters.h"
#include "ui/core/WinXPPainter.h"
#include "ui/editors/framework/Edit.h"
#include "ui/editors/framework/SolidBrushCache.h"

namespace {

bool IsHorizontal(TcxArrowPointing direction) {
    return direction == apLeft || direction == apRight;
}

// One triangle of side size with its apex towards direction, its bounding box at origin.
void DrawTriangle(HDC dc, HBRUSH brush, TPoint origin, int size, TcxArrowPointing direction) {
    for (int i = 0; i < size; ++i) {
        // Line i of the triangle, counted from its base: 2 * (size - i) - 1 pixels long.
        const int length = 2 * (size - i) - 1;
        TRect line{};
        switch (direction) {
        case apUp:
            line = TRect{origin.x + i, origin.y + size - 1 - i, origin.x + i + length, origin.y + size - i};
            break;
        case apDown:
            line = TRect{origin.x + i, origin.y + i, origin.x + i + length, origin.y + i + 1};
            break;
        case apLeft:
            line = TRect{origin.x + size - 1 - i, origin.y + i, origin.x + size - i, origin.y + i + length};
            break;
        case apRight:
            line = TRect{origin.x + i, origin.y + i, origin.x + i + 1, origin.y + i + length};
            break;
        }
        FillRect(dc, &line, brush);
    }
}

} // namespace

void DrawArrows(TcxCanvas& canvas, int size, const TRect& rect, TColor color, bool pressed, int count,
                TcxArrowPointing direction) {
    if (size <= 0 || count < 0) return;
    const int across = 2 * size - 1; // the base of a triangle
    const int along = size;
    const int n = count + 1;
    const bool horizontal = IsHorizontal(direction);
    const int blockWidth = horizontal ? along * n : across;
    const int blockHeight = horizontal ? across : along * n;
    TPoint origin{rect.left + (rect.right - rect.left - blockWidth) / 2,
                  rect.top + (rect.bottom - rect.top - blockHeight) / 2};
    if (pressed) {
        ++origin.x;
        ++origin.y;
    }
    HBRUSH brush = GetCachedSolidBrush(&canvas, color);
    for (int i = 0; i < n; ++i) {
        const TPoint at = horizontal ? TPoint{origin.x + i * along, origin.y} : TPoint{origin.x, origin.y + i * along};
        DrawTriangle(canvas.Handle(), brush, at, size, direction);
    }
}

TSize CalculateArrowSize(TSize area, TcxArrowPointing direction) {
    const int side = std::min(area.cx, area.cy);
    int width = (side - 1) / 2;
    if (width % 2 == 0) ++width;
    const int height = width / 2 + 1;
    if (IsHorizontal(direction)) return TSize{height, width};
    return TSize{width, height};
}

void DrawRectEdges(TcxCanvas& canvas, TRect& rect, int edges, TColor color) {
    if (edges & 1) {
        FillRectByColor(canvas, TRect{rect.left, rect.top, rect.left + 1, rect.bottom}, color);
        ++rect.left;
    }
    if (edges & 2) {
        FillRectByColor(canvas, TRect{rect.left, rect.top, rect.right, rect.top + 1}, color);
        ++rect.top;
    }
    if (edges & 4) {
        FillRectByColor(canvas, TRect{rect.right - 1, rect.top, rect.right, rect.bottom}, color);
        --rect.right;
    }
    if (edges & 8) {
        FillRectByColor(canvas, TRect{rect.left, rect.bottom - 1, rect.right, rect.bottom}, color);
        --rect.bottom;
    }
}

void DrawPolyLine(TcxCanvas& canvas, const TPoint* points, int count, bool brushMode, TColor color) {
    if (!points || count <= 0) return;
    if (!brushMode) {
        canvas.Pen().SetColor(color);
        canvas.DrawPolyline(std::span<const TPoint>(points, static_cast<size_t>(count)));
        return;
    }
    HBRUSH brush = GetCachedSolidBrush(&canvas, color);
    for (int i = 0; i < count; ++i) {
        const TPoint a = points[i];
        const TPoint b = i + 1 < count ? points[i + 1] : points[i];
        const TRect r{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1};
        FillRect(canvas.Handle(), &r, brush);
    }
}

void DrawEditGlyph(TcxCanvas& canvas, int x, int y, TBitmap* glyph, TColor backColor, bool enabled,
                   TBitmap* buffer) {
    if (!IsNonEmptyBitmap(glyph)) return;
    const int width = glyph->Width();
    const int height = glyph->Height();
    const TRect dest{x, y, x + width, y + height};
    if (enabled) {
        // The glyph over its transparent colour; the buffer, when given, composes it first.
        const bool wasTransparent = glyph->Transparent();
        glyph->SetTransparent(true);
        if (buffer) {
            buffer->SetSize(width, height);
            buffer->Canvas().CopyRect(TRect{0, 0, width, height}, *canvas.Canvas(), dest);
            buffer->Canvas().Draw(0, 0, *glyph);
            canvas.Canvas()->CopyRect(dest, buffer->Canvas(), TRect{0, 0, width, height});
        } else {
            canvas.Canvas()->Draw(x, y, *glyph);
        }
        glyph->SetTransparent(wasTransparent);
        return;
    }
    TcxImageList list(width, height);
    list.AddWithMaskColor(glyph, glyph->TransparentColor());
    if (backColor != clEditGlyphNoBackground) FillRectByColor(canvas, dest, backColor);
    DrawImageWithEffect(canvas.Handle(), dest, 1, &list, 0);
}

void FillRectByColor(TcxCanvas& canvas, const TRect& rect, TColor color) {
    if (IsRectEmpty(&rect)) return;
    FillRect(canvas.Handle(), &rect, GetCachedSolidBrush(&canvas, color));
}

void FillRectOutside(TcxCanvas& canvas, const TRect& rect, const TRect& inner, TColor color) {
    if (IsRectEmpty(&rect) || EqualRect(&rect, &inner)) return;
    if (IsRectEmpty(&inner)) {
        FillRectByColor(canvas, rect, color);
        return;
    }
    const TRect strips[] = {
        {rect.left, rect.top, inner.left, rect.bottom},
        {inner.left, rect.top, inner.right, inner.top},
        {inner.right, rect.top, rect.right, rect.bottom},
        {inner.left, inner.bottom, inner.right, rect.bottom},
    };
    for (const TRect& strip : strips) FillRectByColor(canvas, strip, color);
}

TcxCustomLookAndFeelPainterClass GetEditPainterClass(bool nativeStyle, TcxLookAndFeelKind kind) {
    if (nativeStyle && CanUseVisualStyles()) return TcxWinXPLookAndFeelPainter::Painter();
    switch (kind) {
    case lfFlat:
        return TcxFlatLookAndFeelPainter::Painter();
    case lfUltraFlat:
        return TcxUltraFlatLookAndFeelPainter::Painter();
    case lfOffice11:
        return TcxOffice11LookAndFeelPainter::Painter();
    default:
        return TcxStandardLookAndFeelPainter::Painter();
    }
}

int GetEditButtonsContentVerticalOffset(TcxCanvas& canvas, TcxEditButtonStyle buttonStyle, bool native) {
    static const int offsets[] = {0, 4, 2, 2, 2, 2, 2};
    const int fallback = offsets[buttonStyle];
    if (!native) return fallback;
    HTHEME theme = OpenCachedTheme(totButton);
    if (!theme) return fallback;
    // The theme's vertical content margins of push-button part 1; a failed call gives the
    // non-native value rather than whatever the output held.
    const RECT bounds{0, 0, 100, 100};
    RECT content{};
    if (FAILED(dxUxTheme::GetThemeBackgroundContentRect(theme, canvas.Handle(), 1, 1, &bounds, &content)))
        return fallback;
    return content.top + (100 - content.bottom);
}

int GetNativeInnerTextEditContentHeightCorrection(TcxCustomEditProperties* properties, bool isInplace) {
    return isInplace && properties && properties->Buttons()->GetVisibleCount() > 0 ? 1 : 0;
}

TColor GetHotBorderColor(bool office11) {
    return office11 ? Office11SelectedBorderColor : clHighlight;
}

TColor GetFlatButtonColor(bool pressed, bool office11) {
    const TcxButtonPaintState state = pressed ? bpsPressed : bpsHot;
    if (office11) return TcxOffice11LookAndFeelPainter::Painter()->GetButtonColor(state);
    return TcxUltraFlatLookAndFeelPainter::Painter()->GetButtonColor(state);
}

TcxLookAndFeelKind ButtonStyleToLookAndFeelKind(TcxEditButtonStyle style) {
    switch (style) {
    case btsFlat:
    case btsSimple:
    case btsHotFlat:
        return lfFlat;
    case btsUltraFlat:
        return lfUltraFlat;
    case btsOffice11:
        return lfOffice11;
    default:
        return lfStandard;
    }
}

TcxLookAndFeelKind GetEditLookAndFeelKind(TcxCustomEdit* edit) {
    if (!edit) return lfStandard;
    TcxCustomEditStyle* style = edit->ActiveEditStyle();
    if (edit->IsInplace()) return style ? style->LookAndFeel().Kind() : lfStandard;
    auto* info = dynamic_cast<TcxCustomEditViewInfo*>(edit->ViewInfo());
    if (!info || info->ButtonInfos.empty()) return lfStandard;
    return ButtonStyleToLookAndFeelKind(info->Button(0)->Data.Style);
}

namespace {
// (library text-out flag, DrawText flag)
constexpr std::pair<int, int> TextFlagPairs[] = {
    {cxTO_VCENTER, DT_VCENTER},     {cxTO_RIGHT, DT_RIGHT},       {cxTO_SINGLELINE, DT_SINGLELINE},
    {cxTO_WORDBREAK, DT_WORDBREAK}, {cxTO_EXPANDTABS, DT_EXPANDTABS}, {cxTO_CALCRECT, DT_CALCRECT},
};
} // namespace

int ConvertTextOutFlagsToDT(int flags) {
    int result = 0;
    for (const auto& [textOut, dt] : TextFlagPairs)
        if (flags & textOut) result |= dt;
    return result;
}

int ConvertDTFlagsToTextOut(int flags) {
    int result = 0;
    for (const auto& [textOut, dt] : TextFlagPairs)
        if (flags & dt) result |= textOut;
    return result;
}

void SetCanvasFontFromLogFont(TcxCanvas& canvas, const LOGFONTA& logFont) {
    HFONT font = CreateFontIndirectA(&logFont);
    if (font) canvas.Font().SetHandle(font);
}

bool GetCanvasLogFont(TcxCanvas& canvas, LOGFONTA& logFont) {
    return ReadLogFont(canvas.Font().Handle(), logFont);
}

void EditPaintUtilsInitialize() {}
void EditPaintUtilsFinalize() {
    FreeDefaultEditStyleController();
}
