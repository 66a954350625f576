#include "ui/core/WinXPPainter.h"

#include <algorithm>

#include "platform/graphics/Graphics.h"
#include "ui/core/Geometry.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/core/Office11Colors.h"
#include "ui/core/UltraFlatPainters.h"

namespace {
// Theme parts.
constexpr int BpPushButton = 1;
constexpr int BpRadioButton = 2;
constexpr int BpCheckBox = 3;
constexpr int CpDropDownButton = 1;
constexpr int EbNormalGroupCollapse = 6;
constexpr int EbNormalGroupExpand = 7;
constexpr int HpHeaderItem = 1;
constexpr int HpHeaderItemRight = 3;
constexpr int LvpControlBorder = 5;
constexpr int PpBar = 1;
constexpr int PpChunk = 3;
constexpr int SbpArrowButton = 1;
constexpr int SbpThumbHorizontal = 2;
constexpr int SbpThumbVertical = 3;
constexpr int SbpPageHorizontalUp = 4;
constexpr int SbpPageHorizontalDown = 5;
constexpr int SbpPageVerticalUp = 6;
constexpr int SbpPageVerticalDown = 7;
constexpr int SbpGripperHorizontal = 8;
constexpr int SbpGripperVertical = 9;
constexpr int SbpSizeBox = 10;
constexpr int TabpTabItem = 1;
constexpr int TabpPane = 9;
constexpr int TpButton = 1;
constexpr int TkpTrack = 1;
constexpr int TvpGlyph = 2;
constexpr int WpSmallCloseButton = 19;

// Theme properties.
constexpr int TmtButtonColor = 204;
constexpr int TmtBorderColor = 3801;
constexpr int TmtTextColor = 3803;

void DrawPart(HTHEME theme, TcxCanvas* canvas, int part, int state, const TRect& r) {
    dxUxTheme::DrawThemeBackground(theme, canvas->Handle(), part, state, &r, nullptr);
}

// A measuring DC for the reads that need one.
HDC MeasureDC() {
    return GetSharedScreenCanvas()->Handle();
}

bool ReadColor(TdxThemedObjectType type, int part, int state, int property, TColor& color) {
    HTHEME theme = OpenCachedTheme(type);
    COLORREF value = 0;
    if (!theme || FAILED(dxUxTheme::GetThemeColor(theme, part, state, property, &value))) return false;
    color = static_cast<TColor>(value);
    return true;
}

bool ReadTrueSize(TdxThemedObjectType type, int part, int state, TSize& size) {
    HTHEME theme = OpenCachedTheme(type);
    SIZE value{};
    if (!theme || FAILED(dxUxTheme::GetThemePartSize(theme, MeasureDC(), part, state, TS_TRUE, &value)))
        return false;
    size = TSize{value.cx, value.cy};
    return true;
}

// Insets of the content rectangle of a 100 x 100 box (left, top, right, bottom).
bool ReadContentInsets(TdxThemedObjectType type, int part, int state, TRect& insets) {
    HTHEME theme = OpenCachedTheme(type);
    const RECT box{0, 0, 100, 100};
    RECT content{};
    if (!theme ||
        FAILED(dxUxTheme::GetThemeBackgroundContentRect(theme, MeasureDC(), part, state, &box, &content)))
        return false;
    insets = TRect{content.left, content.top, 100 - content.right, 100 - content.bottom};
    return true;
}

bool IsPartlyTransparent(TdxThemedObjectType type, int part, int state) {
    HTHEME theme = OpenCachedTheme(type);
    return theme && dxUxTheme::IsThemeBackgroundPartiallyTransparent(theme, part, state);
}

// Draws a part turned a quarter: into a bitmap of the area turned, then turned back over it.
void DrawTurnedPart(HTHEME theme, TcxCanvas* canvas, int part, int state, const TRect& r) {
    const int w = GetRectWidth(r), h = GetRectHeight(r);
    if (w <= 0 || h <= 0) return;
    TBitmap bitmap(w, h, pf32bit);
    bitmap.Canvas().CopyRect(Rect(0, 0, w, h), *canvas->Canvas(), r);
    TcxCanvas buffer(&bitmap.Canvas());
    buffer.RotateBitmap(&bitmap, raMinus90, false);
    DrawPart(theme, &buffer, part, state, Rect(0, 0, h, w));
    buffer.RotateBitmap(&bitmap, raPlus90, false);
    canvas->CopyRectFrom(r, bitmap.Canvas(), Rect(0, 0, w, h));
}
} // namespace

int ButtonStateToThemeState(TcxButtonPaintState state) {
    static const int states[] = {5, 1, 2, 3, 4};
    return states[state];
}

int ItemStateToThemeState(TcxButtonPaintState state) {
    static const int states[] = {1, 1, 2, 3, 4};
    return states[state];
}

int CheckStateToThemeState(TcxButtonPaintState state, bool checked) {
    return ItemStateToThemeState(state) + (checked ? 4 : 0);
}

int HeaderStateToThemeState(TcxButtonPaintState state) {
    static const int states[] = {1, 1, 2, 3, 1};
    return states[state];
}

int ToolBarStateToThemeState(TcxButtonPaintState state) {
    static const int states[] = {2, 2, 5, 3, 4};
    return states[state];
}

int ScrollArrowToThemeState(TcxArrowPointing direction, TcxButtonPaintState state) {
    return 4 * direction + ItemStateToThemeState(state);
}

const TcxWinXPLookAndFeelPainter* TcxWinXPLookAndFeelPainter::Painter() {
    static const TcxWinXPLookAndFeelPainter painter;
    return &painter;
}

int TcxWinXPLookAndFeelPainter::GetPaintStyle() const {
    return cxPaintStyleNative;
}

TColor TcxWinXPLookAndFeelPainter::GetSchedulerBorderColor() const {
    TColor color;
    if (ReadColor(totComboBox, 1, 1, TmtBorderColor, color)) return color;
    return TcxStandardLookAndFeelPainter::GetSchedulerBorderColor();
}

TColor TcxWinXPLookAndFeelPainter::GetSchedulerViewColor() const {
    return RGB(255, 255, 213);
}

// ---------------------------------------------------------------------------------------------
void TcxWinXPLookAndFeelPainter::PaintArrow(TcxCanvas* canvas, const TRect& r, TcxArrowPointing direction,
                                            TColor color) const {
    TcxCustomLookAndFeelPainter::PaintArrow(canvas, r, direction, color);
}

void TcxWinXPLookAndFeelPainter::PaintArrowButton(TcxCanvas* canvas, const TRect& r,
                                                  TcxButtonPaintState state, TcxArrowPointing direction,
                                                  bool withFrame) const {
    HTHEME theme = OpenCachedTheme(totScrollBar);
    if (!theme) {
        TcxCustomLookAndFeelPainter::PaintArrowButton(canvas, r, state, direction, withFrame);
        return;
    }
    DrawPart(theme, canvas, SbpArrowButton, ScrollArrowToThemeState(direction, state), r);
}

void TcxWinXPLookAndFeelPainter::PaintArrowButtonFrame(TcxCanvas* canvas, const TRect& r,
                                                       TcxButtonPaintState state) const {
    if (HTHEME theme = OpenCachedTheme(totButton))
        DrawPart(theme, canvas, BpPushButton, ButtonStateToThemeState(state), r);
    else
        TcxCustomLookAndFeelPainter::PaintArrowButtonFrame(canvas, r, state);
}

int TcxWinXPLookAndFeelPainter::GetBorderWidth() const {
    return OpenCachedTheme(totListView) ? 1 : TcxStandardLookAndFeelPainter::GetBorderWidth();
}

void TcxWinXPLookAndFeelPainter::PaintControlBorder(TcxCanvas* canvas, const TRect& r) const {
    HTHEME theme = OpenCachedTheme(totListView);
    if (!theme) {
        TcxStandardLookAndFeelPainter::PaintControlBorder(canvas, r);
        return;
    }
    canvas->PushDC();
    canvas->ExcludeFromClip(GrowRect(r, -1, -1));
    DrawPart(theme, canvas, LvpControlBorder, 0, r);
    canvas->PopDC();
}

// ---------------------------------------------------------------------------------------------
TRect TcxWinXPLookAndFeelPainter::AdjustGroupButtonRect(const TRect& r, int count, int index) const {
    const TRect result = TcxStandardLookAndFeelPainter::AdjustGroupButtonRect(r, count, index);
    return IsPartlyTransparent(totButton, BpPushButton, 1) ? GrowRect(result, 1, 1) : result;
}

int TcxWinXPLookAndFeelPainter::GetButtonBorderWidth(TcxButtonPaintState state) const {
    TRect insets;
    if (ReadContentInsets(totButton, BpPushButton, ButtonStateToThemeState(state), insets))
        return insets.left;
    return TcxStandardLookAndFeelPainter::GetButtonBorderWidth(bpsNormal);
}

TColor TcxWinXPLookAndFeelPainter::GetButtonColor(TcxButtonPaintState state) const {
    TColor color;
    if (ReadColor(totButton, BpPushButton, ButtonStateToThemeState(state), TmtButtonColor, color))
        return color;
    return TcxCustomLookAndFeelPainter::GetButtonColor(state);
}

TRect TcxWinXPLookAndFeelPainter::CalcButtonFocusRect(TcxCanvas* canvas, const TRect& r) const {
    HTHEME theme = OpenCachedTheme(totButton);
    RECT content{};
    if (theme && SUCCEEDED(dxUxTheme::GetThemeBackgroundContentRect(
                     theme, canvas ? canvas->Handle() : MeasureDC(), BpPushButton, 1, &r, &content)))
        return TRect{content.left, content.top, content.right, content.bottom};
    return TcxCustomLookAndFeelPainter::CalcButtonFocusRect(canvas, r);
}

TRect TcxWinXPLookAndFeelPainter::CalcButtonGroupBorders(int count, int index) const {
    TRect insets;
    if (!ReadContentInsets(totButton, BpPushButton, 1, insets))
        return TcxStandardLookAndFeelPainter::CalcButtonGroupBorders(count, index);
    if (IsPartlyTransparent(totButton, BpPushButton, 1)) insets = GrowRect(insets, -1, -1);
    return insets;
}

TColor TcxWinXPLookAndFeelPainter::GetButtonGlyphColor(TcxButtonPaintState state,
                                                       TColor fallbackColor) const {
    TColor color;
    if (ReadColor(totButton, BpPushButton, ButtonStateToThemeState(state), TmtTextColor, color)) return color;
    return TcxCustomLookAndFeelPainter::GetButtonGlyphColor(state, fallbackColor);
}

int TcxWinXPLookAndFeelPainter::GetButtonTextIndent() const {
    return 2;
}

int TcxWinXPLookAndFeelPainter::GetButtonPressShift() const {
    return 0;
}

bool TcxWinXPLookAndFeelPainter::HasHotButtons() const {
    return true;
}

void TcxWinXPLookAndFeelPainter::PaintButton(TcxCanvas* canvas, const TRect& r, const AnsiString& caption,
                                             TcxButtonPaintState state, bool drawBorder, TColor color,
                                             TColor textColor, bool wordWrap) const {
    HTHEME theme = OpenCachedTheme(totButton);
    if (!theme) {
        TcxCustomLookAndFeelPainter::PaintButton(canvas, r, caption, state, drawBorder, color, textColor,
                                                 wordWrap);
        return;
    }
    const int themeState = ButtonStateToThemeState(state);
    DrawPart(theme, canvas, BpPushButton, themeState, r);
    if (!caption.empty())
        dxUxTheme::DrawThemeText(theme, canvas->Handle(), BpPushButton, themeState, caption,
                                 DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0, &r);
}

// ---------------------------------------------------------------------------------------------
void TcxWinXPLookAndFeelPainter::PaintExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                                   TColor color) const {
    HTHEME theme = OpenCachedTheme(totTreeView);
    if (!theme) {
        TcxStandardLookAndFeelPainter::PaintExpandButton(canvas, r, expanded, color);
        return;
    }
    DrawPart(theme, canvas, TvpGlyph, expanded ? 2 : 1, r);
    canvas->ExcludeFromClip(r);
}

bool TcxWinXPLookAndFeelPainter::PaintsExpandButtonFirst() const {
    return false;
}

void TcxWinXPLookAndFeelPainter::PaintGroupExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                                        TcxButtonPaintState state) const {
    HTHEME theme = OpenCachedTheme(totExplorerBar);
    if (!theme) {
        TcxStandardLookAndFeelPainter::PaintGroupExpandButton(canvas, r, expanded, state);
        return;
    }
    // The default state looks normal, like the disabled one.
    static const int states[] = {1, 1, 2, 3, 1};
    DrawPart(theme, canvas, expanded ? EbNormalGroupCollapse : EbNormalGroupExpand, states[state], r);
}

void TcxWinXPLookAndFeelPainter::PaintSmallExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                                        TColor borderColor, TColor color) const {
    if (OpenCachedTheme(totTreeView))
        PaintExpandButton(canvas, r, expanded, clDefault);
    else
        TcxCustomLookAndFeelPainter::PaintSmallExpandButton(canvas, r, expanded, borderColor, color);
}

int TcxWinXPLookAndFeelPainter::GetExpandButtonSize() const {
    TSize size;
    if (ReadTrueSize(totTreeView, TvpGlyph, 2, size)) return size.cx;
    return TcxStandardLookAndFeelPainter::GetExpandButtonSize();
}

int TcxWinXPLookAndFeelPainter::GetSmallExpandButtonSize() const {
    TSize size;
    if (ReadTrueSize(totTreeView, TvpGlyph, 2, size)) return size.cx;
    return TcxCustomLookAndFeelPainter::GetSmallExpandButtonSize();
}

int TcxWinXPLookAndFeelPainter::GetGroupExpandButtonSize() const {
    TSize size;
    if (ReadTrueSize(totExplorerBar, EbNormalGroupExpand, 1, size)) return size.cx;
    return TcxCustomLookAndFeelPainter::GetGroupExpandButtonSize();
}

bool TcxWinXPLookAndFeelPainter::HitGroupExpandButton(const TRect& r, TPoint p) const {
    HTHEME theme = OpenCachedTheme(totExplorerBar);
    HRGN region = nullptr;
    if (!theme ||
        FAILED(
            dxUxTheme::GetThemeBackgroundRegion(theme, MeasureDC(), EbNormalGroupExpand, 1, &r, &region)) ||
        !region)
        return TcxCustomLookAndFeelPainter::HitGroupExpandButton(r, p);
    const bool hit = PtInRegion(region, p.x, p.y);
    DeleteObject(region);
    return hit;
}

// ---------------------------------------------------------------------------------------------
int TcxWinXPLookAndFeelPainter::GetCheckFrameWidth() const {
    return OpenCachedTheme(totButton) ? 0 : TcxCustomLookAndFeelPainter::GetCheckFrameWidth();
}

TSize TcxWinXPLookAndFeelPainter::GetCheckBoxSize() const {
    TSize size;
    if (ReadTrueSize(totButton, BpCheckBox, 5, size)) return size;
    return TcxCustomLookAndFeelPainter::GetCheckBoxSize();
}

void TcxWinXPLookAndFeelPainter::PaintCheckMark(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                                                bool checked, TColor markColor) const {
    if (HTHEME theme = OpenCachedTheme(totButton))
        DrawPart(theme, canvas, BpCheckBox, CheckStateToThemeState(state, checked), r);
    else
        TcxCustomLookAndFeelPainter::PaintCheckMark(canvas, r, state, checked, markColor);
}

void TcxWinXPLookAndFeelPainter::PaintCheckBoxFrame(TcxCanvas* canvas, const TRect& r,
                                                    TcxButtonPaintState state) const {
    if (!OpenCachedTheme(totButton)) TcxStandardLookAndFeelPainter::PaintCheckBoxFrame(canvas, r, state);
}

void TcxWinXPLookAndFeelPainter::PaintRadioButton(TcxCanvas* canvas, int x, int y, TcxButtonPaintState state,
                                                  bool checked, bool flagB, TColor brushColor,
                                                  bool flagA) const {
    HTHEME theme = OpenCachedTheme(totButton);
    if (!theme) {
        TcxStandardLookAndFeelPainter::PaintRadioButton(canvas, x, y, state, checked, flagB, brushColor,
                                                        flagA);
        return;
    }
    const TSize size = GetRadioButtonSize();
    DrawPart(theme, canvas, BpRadioButton, CheckStateToThemeState(state, checked),
             Rect(x, y, x + size.cx, y + size.cy));
}

TSize TcxWinXPLookAndFeelPainter::GetRadioButtonSize() const {
    TSize size;
    if (ReadTrueSize(totButton, BpRadioButton, 1, size)) return size;
    return TcxStandardLookAndFeelPainter::GetRadioButtonSize();
}

// ---------------------------------------------------------------------------------------------
void TcxWinXPLookAndFeelPainter::PaintThemedCellText(TcxCanvas* canvas, HTHEME theme, int part, int state,
                                                     const TRect&, const TRect& textRect,
                                                     TAlignment horzAlign, TcxAlignmentVert vertAlign,
                                                     bool textWrap, bool ellipsis, bool showPrefix,
                                                     const AnsiString& text, TFont* font, TColor textColor,
                                                     TColor) const {
    if (text.empty()) return;
    if (font) canvas->AssignFont(*font);
    if (textColor != clDefault) canvas->Font().SetColor(textColor);
    TRect r = textRect;
    if (textWrap)
        canvas->AlignMultiLineTextRect(r, text,
                                       vertAlign == vaBottom   ? 1
                                       : vertAlign == vaCenter ? 2
                                                               : 0,
                                       true, showPrefix, true, false);
    DWORD flags = horzAlign == taRightJustify ? DT_RIGHT : horzAlign == taCenter ? DT_CENTER : DT_LEFT;
    flags |= vertAlign == vaBottom ? DT_BOTTOM : vertAlign == vaCenter ? DT_VCENTER : DT_TOP;
    flags |= textWrap ? DT_WORDBREAK : DT_SINGLELINE;
    if (ellipsis) flags |= DT_END_ELLIPSIS;
    if (!showPrefix) flags |= DT_NOPREFIX;
    flags |= DT_EDITCONTROL;
    dxUxTheme::DrawThemeText(theme, canvas->Handle(), part, state, text, flags, 0, &r);
}

void TcxWinXPLookAndFeelPainter::PaintHeader(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect,
                                             TcxNeighbors adjacent, TcxBorders sides,
                                             TcxButtonPaintState state, TAlignment horzAlign,
                                             TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis,
                                             const AnsiString& text, TFont* font, TColor textColor,
                                             TColor fillColor, const TcxDrawBackgroundEvent& onDrawBackground,
                                             bool isLast, bool isGroup) const {
    HTHEME theme = OpenCachedTheme(totHeader);
    if (!theme) {
        TcxCustomLookAndFeelPainter::PaintHeader(canvas, bounds, textRect, adjacent, sides, state, horzAlign,
                                                 vertAlign, textWrap, ellipsis, text, font, textColor,
                                                 fillColor, onDrawBackground, isLast, isGroup);
        return;
    }
    const int themeState = HeaderStateToThemeState(state);
    // The right-end item only for the last header in the normal state of the blue or olive scheme.
    auto rightEnd = [] {
        const int scheme = DetectOffice11Scheme();
        return scheme == Office11SchemeBlue || scheme == Office11SchemeOlive;
    };
    const int part = isLast && themeState == 1 && rightEnd() ? HpHeaderItemRight : HpHeaderItem;
    DrawPart(theme, canvas, part, themeState, bounds);
    const TRect r = state == bpsPressed ? ShiftRect(textRect, 1, 1) : textRect;
    PaintThemedCellText(canvas, theme, part, themeState, bounds, r, horzAlign, vertAlign, textWrap, ellipsis,
                        false, text, font, textColor, fillColor);
}

void TcxWinXPLookAndFeelPainter::HighlightPressedHeader(TcxCanvas*, const TRect&) const {}

void TcxWinXPLookAndFeelPainter::PaintHeaderSection(TcxCanvas* canvas, const TRect& bounds,
                                                    const TRect& textRect, TcxNeighbors adjacent,
                                                    TcxBorders sides, TcxButtonPaintState state,
                                                    TAlignment horzAlign, TcxAlignmentVert vertAlign,
                                                    bool textWrap, bool ellipsis, const AnsiString& text,
                                                    TFont* font, TColor textColor, TColor fillColor) const {
    canvas->FillRectColor(bounds, clBtnFace);
    PaintHeader(canvas, bounds, textRect, adjacent, sides, state, horzAlign, vertAlign, textWrap, ellipsis,
                text, font, textColor, fillColor);
}

void TcxWinXPLookAndFeelPainter::PaintSortMark(TcxCanvas* canvas, const TRect& r, bool ascending) const {
    TcxUltraFlatLookAndFeelPainter::Painter()->PaintSortMark(canvas, r, ascending);
}

int TcxWinXPLookAndFeelPainter::GetHeaderBorderWidth() const {
    TRect insets;
    if (ReadContentInsets(totHeader, HpHeaderItem, 1, insets)) return std::max(1, int(insets.left) / 2);
    return TcxStandardLookAndFeelPainter::GetHeaderBorderWidth();
}

int TcxWinXPLookAndFeelPainter::GetHeaderSectionBorderWidth(TcxButtonPaintState) const {
    return GetHeaderBorderWidth();
}

TRect TcxWinXPLookAndFeelPainter::CalcHeaderSectionInnerRect(const TRect& r,
                                                             TcxButtonPaintState state) const {
    if (!OpenCachedTheme(totHeader)) return TcxCustomLookAndFeelPainter::CalcHeaderSectionInnerRect(r, state);
    const int width = GetHeaderSectionBorderWidth(state);
    return GrowRect(r, -width, -width);
}

bool TcxWinXPLookAndFeelPainter::HasHotHeaders() const {
    return true;
}

TSize TcxWinXPLookAndFeelPainter::GetSortMarkSize() const {
    return TcxUltraFlatLookAndFeelPainter::Painter()->GetSortMarkSize();
}

// ---------------------------------------------------------------------------------------------
void TcxWinXPLookAndFeelPainter::PaintFooterFrame(TcxCanvas* canvas, const TRect& r) const {
    HTHEME theme = OpenCachedTheme(totEdit);
    if (!theme) {
        TcxStandardLookAndFeelPainter::PaintFooterFrame(canvas, r);
        return;
    }
    RECT content{};
    dxUxTheme::DrawThemeEdge(theme, canvas->Handle(), 0, 0, &r, BDR_SUNKENINNER, BF_RECT, &content);
}

void TcxWinXPLookAndFeelPainter::PaintFooterCell(TcxCanvas* canvas, const TRect& bounds, TAlignment horzAlign,
                                                 TcxAlignmentVert vertAlign, bool textWrap,
                                                 const AnsiString& text, TFont* font, TColor textColor,
                                                 TColor fillColor,
                                                 const TcxDrawBackgroundEvent& onDrawBackground) const {
    HTHEME theme = OpenCachedTheme(totTrackBar);
    if (!theme) {
        TcxCustomLookAndFeelPainter::PaintFooterCell(canvas, bounds, horzAlign, vertAlign, textWrap, text,
                                                     font, textColor, fillColor, onDrawBackground);
        return;
    }
    DrawPart(theme, canvas, TkpTrack, 1, bounds);
    PaintThemedCellText(canvas, theme, TkpTrack, 1, bounds, CalcFooterCellTextRect(bounds), horzAlign,
                        vertAlign, textWrap, false, false, text, font, textColor, fillColor);
}

int TcxWinXPLookAndFeelPainter::GetFooterBorderWidth() const {
    return OpenCachedTheme(totEdit) ? 1 : TcxStandardLookAndFeelPainter::GetFooterBorderWidth();
}

int TcxWinXPLookAndFeelPainter::GetFooterCellIndent() const {
    return OpenCachedTheme(totTrackBar) ? 1 : TcxStandardLookAndFeelPainter::GetFooterCellIndent();
}

int TcxWinXPLookAndFeelPainter::GetFooterCellBorderWidth() const {
    TRect insets;
    if (ReadContentInsets(totTrackBar, TkpTrack, 1, insets)) return insets.left;
    return TcxStandardLookAndFeelPainter::GetFooterCellBorderWidth();
}

bool TcxWinXPLookAndFeelPainter::PaintsFooterCellsFirst() const {
    return false;
}

// ---------------------------------------------------------------------------------------------
void TcxWinXPLookAndFeelPainter::PaintFilterCloseButton(TcxCanvas* canvas, const TRect& r,
                                                        TcxButtonPaintState state) const {
    if (HTHEME theme = OpenCachedTheme(totWindow))
        DrawPart(theme, canvas, WpSmallCloseButton, ItemStateToThemeState(state), r);
    else
        TcxCustomLookAndFeelPainter::PaintFilterCloseButton(canvas, r, state);
}

void TcxWinXPLookAndFeelPainter::PaintFilterDropButton(TcxCanvas* canvas, const TRect& r,
                                                       TcxButtonPaintState state, bool filtered) const {
    if (HTHEME theme = OpenCachedTheme(totComboBox))
        DrawPart(theme, canvas, CpDropDownButton, ItemStateToThemeState(state), r);
    else
        TcxStandardLookAndFeelPainter::PaintFilterDropButton(canvas, r, state, filtered);
}

TSize TcxWinXPLookAndFeelPainter::GetFilterToggleSize() const {
    TSize size;
    if (ReadTrueSize(totButton, BpCheckBox, 5, size)) return size;
    return TcxCustomLookAndFeelPainter::GetFilterToggleSize();
}

TSize TcxWinXPLookAndFeelPainter::GetFilterCloseButtonSize() const {
    TSize size;
    if (ReadTrueSize(totWindow, WpSmallCloseButton, 1, size)) return size;
    return TcxCustomLookAndFeelPainter::GetFilterCloseButtonSize();
}

// ---------------------------------------------------------------------------------------------
void TcxWinXPLookAndFeelPainter::PaintTab(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                                          bool vertical) const {
    HTHEME theme = OpenCachedTheme(totTab);
    if (!theme) {
        TcxStandardLookAndFeelPainter::PaintTab(canvas, r, state, vertical);
        return;
    }
    if (vertical)
        DrawTurnedPart(theme, canvas, TabpTabItem, ItemStateToThemeState(state), r);
    else
        DrawPart(theme, canvas, TabpTabItem, ItemStateToThemeState(state), r);
}

void TcxWinXPLookAndFeelPainter::PaintTabFrame(TcxCanvas* canvas, const TRect& r, TcxBorder side,
                                               TcxBorders sides, bool vertical) const {
    if (!OpenCachedTheme(totTab))
        TcxStandardLookAndFeelPainter::PaintTabFrame(canvas, r, side, sides, vertical);
}

void TcxWinXPLookAndFeelPainter::PaintTabArea(TcxCanvas* canvas, const TRect& r, TcxBorders sides,
                                              bool vertical) const {
    if (HTHEME theme = OpenCachedTheme(totTab))
        DrawPart(theme, canvas, TabpPane, 0, r);
    else
        TcxStandardLookAndFeelPainter::PaintTabArea(canvas, r, sides, vertical);
}

bool TcxWinXPLookAndFeelPainter::CanPaintTab(bool vertical) const {
    return OpenCachedTheme(totTab) ? true : TcxStandardLookAndFeelPainter::CanPaintTab(vertical);
}

bool TcxWinXPLookAndFeelPainter::HasHotTabs(bool vertical) const {
    return OpenCachedTheme(totTab) ? true : TcxStandardLookAndFeelPainter::HasHotTabs(vertical);
}

int TcxWinXPLookAndFeelPainter::GetTabBorderWidth(bool vertical) const {
    return OpenCachedTheme(totTab) ? 1 : TcxStandardLookAndFeelPainter::GetTabBorderWidth(vertical);
}

// ---------------------------------------------------------------------------------------------
void TcxWinXPLookAndFeelPainter::PaintIndicatorCell(TcxCanvas* canvas, const TRect& r, int kind, TColor color,
                                                    const TcxDrawBackgroundEvent& onDrawBackground,
                                                    bool isLast) const {
    TcxFlatLookAndFeelPainter::Painter()->PaintIndicatorCell(canvas, r, kind, color, onDrawBackground,
                                                             isLast);
}

int TcxWinXPLookAndFeelPainter::GetMinThumbSize(bool vertical) const {
    constexpr int least = 8;
    HTHEME theme = OpenCachedTheme(totScrollBar);
    if (!theme) return least;
    const int part = vertical ? SbpGripperVertical : SbpGripperHorizontal;
    SIZE minimum{}, trueSize{};
    if (FAILED(dxUxTheme::GetThemePartSize(theme, MeasureDC(), part, 0, TS_MIN, &minimum))) return least;
    const int minLength = vertical ? minimum.cy : minimum.cx;
    int result = minLength;
    if (SUCCEEDED(dxUxTheme::GetThemePartSize(theme, MeasureDC(), part, 0, TS_TRUE, &trueSize)))
        result = std::max<int>(vertical ? trueSize.cy : trueSize.cx, minLength + 4);
    return std::max(result, least);
}

void TcxWinXPLookAndFeelPainter::PaintScrollBarPart(TcxCanvas* canvas, bool horizontal, const TRect& r,
                                                    TcxScrollBarPart part, TcxButtonPaintState state) const {
    if (IsEmptyRect(r)) return;
    HTHEME theme = OpenCachedTheme(totScrollBar);
    if (!theme) {
        TcxStandardLookAndFeelPainter::PaintScrollBarPart(canvas, horizontal, r, part, state);
        return;
    }
    switch (part) {
    case sbpLineUp:
    case sbpLineDown:
        PaintArrowButton(canvas, r, state, GetArrowForScrollPart(horizontal, part), true);
        break;
    case sbpThumbnail:
        DrawPart(theme, canvas, horizontal ? SbpThumbHorizontal : SbpThumbVertical,
                 ItemStateToThemeState(state), r);
        DrawPart(theme, canvas, horizontal ? SbpGripperHorizontal : SbpGripperVertical, 0, r);
        break;
    case sbpPageUp:
        DrawPart(theme, canvas, horizontal ? SbpPageHorizontalUp : SbpPageVerticalUp,
                 ItemStateToThemeState(state), r);
        break;
    case sbpPageDown:
        DrawPart(theme, canvas, horizontal ? SbpPageHorizontalDown : SbpPageVerticalDown,
                 ItemStateToThemeState(state), r);
        break;
    default:
        break;
    }
}

void TcxWinXPLookAndFeelPainter::PaintSizeGrip(TcxCanvas* canvas, const TRect& r, TColor fillColor) const {
    HTHEME theme = OpenCachedTheme(totScrollBar);
    if (!theme) {
        TcxStandardLookAndFeelPainter::PaintSizeGrip(canvas, r, fillColor);
        return;
    }
    canvas->FillRectColor(r, fillColor);
    DrawPart(theme, canvas, SbpSizeBox, 1, r);
}

// ---------------------------------------------------------------------------------------------
void TcxWinXPLookAndFeelPainter::PaintMonthHeader(TcxCanvas* canvas, const TRect& bounds,
                                                  const AnsiString& text, TcxNeighbors neighbors,
                                                  const TcxPaintParams& params, int arrows, int arrowInset,
                                                  const TcxDrawBackgroundEvent& onDrawBackground) const {
    TcxCustomLookAndFeelPainter::PaintMonthHeader(canvas, bounds, text, neighbors, params, arrows, arrowInset,
                                                  onDrawBackground);
}

void TcxWinXPLookAndFeelPainter::PaintEventProgress(TcxCanvas* canvas, const TRect& r,
                                                    const TRect& progressRect, const TcxPaintParams& params,
                                                    bool framed) const {
    HTHEME theme = OpenCachedTheme(totProgress);
    if (!theme) {
        TcxStandardLookAndFeelPainter::PaintEventProgress(canvas, r, progressRect, params, framed);
        return;
    }
    DrawPart(theme, canvas, PpBar, 1, r);
    DrawPart(theme, canvas, PpChunk, 1, progressRect);
}

TRect TcxWinXPLookAndFeelPainter::GetEventProgressMargins() const {
    return TRect{3, 3, 3, 3};
}

void TcxWinXPLookAndFeelPainter::PaintSchedulerNavButtonFace(TcxCanvas* canvas, const TRect& r,
                                                             const TRect& arrowRect, bool next,
                                                             TcxButtonPaintState state) const {
    HTHEME theme = OpenCachedTheme(totTab);
    if (!theme) {
        TcxStandardLookAndFeelPainter::PaintSchedulerNavButtonFace(canvas, r, arrowRect, next, state);
        return;
    }
    DrawTurnedPart(theme, canvas, TabpTabItem, ItemStateToThemeState(state), r);
    PaintNavButtonArrow(canvas, arrowRect, next, GetButtonGlyphColor(state, clDefault));
}

void TcxWinXPLookAndFeelPainter::PaintSchedulerNavigatorButton(TcxCanvas* canvas, const TRect& r,
                                                               TcxButtonPaintState state) const {
    if (HTHEME theme = OpenCachedTheme(totToolBar))
        DrawPart(theme, canvas, TpButton, ToolBarStateToThemeState(state), r);
    else
        TcxStandardLookAndFeelPainter::PaintSchedulerNavigatorButton(canvas, r, state);
}

void TcxWinXPLookAndFeelPainter::PaintSchedulerSplitter(TcxCanvas* canvas, const TRect& r,
                                                        const TcxPaintParams& params, bool horizontal) const {
    TColor border;
    if (!OpenCachedTheme(totListView) || !ReadColor(totComboBox, 1, 1, TmtBorderColor, border)) {
        TcxStandardLookAndFeelPainter::PaintSchedulerSplitter(canvas, r, params, horizontal);
        return;
    }
    canvas->DrawFramedFill(r, params, horizontal ? TcxBorders{bTop, bBottom} : TcxBorders{bLeft, bRight},
                           border);
}

// ---------------------------------------------------------------------------------------------
void TcxWinXPLookAndFeelPainter::PaintPanelBackground(TcxCanvas* canvas, TWinControl* control, const TRect& r,
                                                      TColor color1, TColor) const {
    if (color1 == clDefault) {
        if (control) PaintParentBackground(control, *canvas, r);
    } else
        canvas->FillRectColor(r, color1);
}
