#pragma once
// The native painter: draws through the visual-style library and falls back to the standard
// painter (or the base class) where a theme does not open. Answers read from a theme fall back
// the same way when the read fails, so a partial theme never yields undefined colours or sizes.
#include "ui/core/StandardPainters.h"
#include "ui/core/ThemeManager.h"

class TcxWinXPLookAndFeelPainter : public TcxStandardLookAndFeelPainter {
public:
    VZ_CLASS(TcxWinXPLookAndFeelPainter, TcxStandardLookAndFeelPainter)
    static const TcxWinXPLookAndFeelPainter* Painter();

    int GetPaintStyle() const override;
    TColor GetSchedulerBorderColor() const override;
    TColor GetSchedulerViewColor() const override;

    // Arrows and borders.
    void PaintArrow(TcxCanvas* canvas, const TRect& r, TcxArrowPointing direction,
                    TColor color) const override;
    void PaintArrowButton(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                          TcxArrowPointing direction, bool withFrame = true) const override;
    void PaintArrowButtonFrame(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state) const override;
    int GetBorderWidth() const override;
    void PaintControlBorder(TcxCanvas* canvas, const TRect& r) const override;

    // Buttons.
    TRect AdjustGroupButtonRect(const TRect& r, int count, int index) const override;
    int GetButtonBorderWidth(TcxButtonPaintState state = bpsNormal) const override;
    TColor GetButtonColor(TcxButtonPaintState state) const override;
    TRect CalcButtonFocusRect(TcxCanvas* canvas, const TRect& r) const override;
    TRect CalcButtonGroupBorders(int count, int index) const override;
    TColor GetButtonGlyphColor(TcxButtonPaintState state, TColor fallbackColor = clDefault) const override;
    int GetButtonTextIndent() const override;
    int GetButtonPressShift() const override;
    bool HasHotButtons() const override;
    void PaintButton(TcxCanvas* canvas, const TRect& r, const AnsiString& caption, TcxButtonPaintState state,
                     bool drawBorder = true, TColor color = clDefault, TColor textColor = clDefault,
                     bool wordWrap = false) const override;

    // Expand buttons.
    void PaintExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                           TColor color = clDefault) const override;
    bool PaintsExpandButtonFirst() const override;
    void PaintGroupExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                TcxButtonPaintState state) const override;
    void PaintSmallExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded, TColor borderColor,
                                TColor color = clDefault) const override;
    int GetExpandButtonSize() const override;
    int GetSmallExpandButtonSize() const override;
    int GetGroupExpandButtonSize() const override;
    bool HitGroupExpandButton(const TRect& r, TPoint p) const override;

    // Check boxes and radio buttons.
    int GetCheckFrameWidth() const override;
    TSize GetCheckBoxSize() const override;
    void PaintCheckMark(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state, bool checked,
                        TColor markColor) const override;
    void PaintCheckBoxFrame(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state) const override;
    void PaintRadioButton(TcxCanvas* canvas, int x, int y, TcxButtonPaintState state, bool checked,
                          bool flagB, TColor brushColor, bool flagA = false) const override;
    TSize GetRadioButtonSize() const override;

    // Headers.
    void PaintHeader(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect, TcxNeighbors adjacent,
                     TcxBorders sides, TcxButtonPaintState state, TAlignment horzAlign,
                     TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis, const AnsiString& text,
                     TFont* font, TColor textColor, TColor fillColor,
                     const TcxDrawBackgroundEvent& onDrawBackground = nullptr, bool isLast = false,
                     bool isGroup = false) const override;
    void HighlightPressedHeader(TcxCanvas* canvas, const TRect& r) const override;
    void PaintHeaderSection(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect,
                            TcxNeighbors adjacent, TcxBorders sides, TcxButtonPaintState state,
                            TAlignment horzAlign, TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis,
                            const AnsiString& text, TFont* font, TColor textColor,
                            TColor fillColor) const override;
    void PaintSortMark(TcxCanvas* canvas, const TRect& r, bool ascending) const override;
    int GetHeaderBorderWidth() const override;
    int GetHeaderSectionBorderWidth(TcxButtonPaintState state) const override;
    TRect CalcHeaderSectionInnerRect(const TRect& r, TcxButtonPaintState state) const override;
    bool HasHotHeaders() const override;
    TSize GetSortMarkSize() const override;

    // Footers.
    void PaintFooterFrame(TcxCanvas* canvas, const TRect& r) const override;
    void PaintFooterCell(TcxCanvas* canvas, const TRect& bounds, TAlignment horzAlign,
                         TcxAlignmentVert vertAlign, bool textWrap, const AnsiString& text, TFont* font,
                         TColor textColor, TColor fillColor,
                         const TcxDrawBackgroundEvent& onDrawBackground = nullptr) const override;
    int GetFooterBorderWidth() const override;
    int GetFooterCellIndent() const override;
    int GetFooterCellBorderWidth() const override;
    bool PaintsFooterCellsFirst() const override;

    // Filter box.
    void PaintFilterCloseButton(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state) const override;
    void PaintFilterDropButton(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                               bool filtered) const override;
    TSize GetFilterToggleSize() const override;
    TSize GetFilterCloseButtonSize() const override;

    // Tabs.
    void PaintTab(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state, bool vertical) const override;
    void PaintTabFrame(TcxCanvas* canvas, const TRect& r, TcxBorder side, TcxBorders sides,
                       bool vertical) const override;
    void PaintTabArea(TcxCanvas* canvas, const TRect& r, TcxBorders sides, bool vertical) const override;
    bool CanPaintTab(bool vertical) const override;
    bool HasHotTabs(bool vertical) const override;
    int GetTabBorderWidth(bool vertical) const override;

    // Indicator, scroll bars, size grip.
    void PaintIndicatorCell(TcxCanvas* canvas, const TRect& r, int kind, TColor color,
                            const TcxDrawBackgroundEvent& onDrawBackground = nullptr,
                            bool isLast = false) const override;
    int GetMinThumbSize(bool vertical) const override;
    void PaintScrollBarPart(TcxCanvas* canvas, bool horizontal, const TRect& r, TcxScrollBarPart part,
                            TcxButtonPaintState state) const override;
    void PaintSizeGrip(TcxCanvas* canvas, const TRect& r, TColor fillColor) const override;

    // Scheduler.
    void PaintMonthHeader(TcxCanvas* canvas, const TRect& bounds, const AnsiString& text,
                          TcxNeighbors neighbors, const TcxPaintParams& params, int arrows, int arrowInset,
                          const TcxDrawBackgroundEvent& onDrawBackground = nullptr) const override;
    void PaintEventProgress(TcxCanvas* canvas, const TRect& r, const TRect& progressRect,
                            const TcxPaintParams& params, bool framed) const override;
    TRect GetEventProgressMargins() const override;
    void PaintSchedulerNavButtonFace(TcxCanvas* canvas, const TRect& r, const TRect& arrowRect, bool next,
                                     TcxButtonPaintState state) const override;
    void PaintSchedulerNavigatorButton(TcxCanvas* canvas, const TRect& r,
                                       TcxButtonPaintState state) const override;
    void PaintSchedulerSplitter(TcxCanvas* canvas, const TRect& r, const TcxPaintParams& params,
                                bool horizontal) const override;

    // Panel.
    void PaintPanelBackground(TcxCanvas* canvas, TWinControl* control, const TRect& r, TColor color1,
                              TColor color2) const override;

    // Writes text through the theme: the canvas takes the font and the text colour, a wrapped text
    // rectangle is first fitted to the text; bounds and fillColor are not read.
    virtual void PaintThemedCellText(TcxCanvas* canvas, HTHEME theme, int part, int state,
                                     const TRect& bounds, const TRect& textRect, TAlignment horzAlign,
                                     TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis,
                                     bool showPrefix, const AnsiString& text, TFont* font, TColor textColor,
                                     TColor fillColor) const;

protected:
    TcxWinXPLookAndFeelPainter() = default;
};

// Theme state numbers of the painter states.
int ButtonStateToThemeState(TcxButtonPaintState state);
int CheckStateToThemeState(TcxButtonPaintState state, bool checked);
int HeaderStateToThemeState(TcxButtonPaintState state);
int ToolBarStateToThemeState(TcxButtonPaintState state);
// Tab item, filter buttons, unchecked check box, scroll thumb and track: normal 1 ... disabled 4.
int ItemStateToThemeState(TcxButtonPaintState state);
int ScrollArrowToThemeState(TcxArrowPointing direction, TcxButtonPaintState state);
