#pragma once
// Ultra-flat (one-pixel frames that take the highlight colour under the mouse) and Office 11
// (the Office 2003 colours, gradient headers and bitmap expand buttons) painters.
#include "ui/core/LookAndFeelPainters.h"

class TcxUltraFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
public:
    VZ_CLASS(TcxUltraFlatLookAndFeelPainter, TcxCustomLookAndFeelPainter)
    static const TcxUltraFlatLookAndFeelPainter* Painter();

    int GetPaintStyle() const override;
    TColor GetSchedulerBorderColor() const override;
    int GetBorderWidth() const override;
    void PaintControlBorder(TcxCanvas* canvas, const TRect& r) const override;
    int GetButtonBorderWidth(TcxButtonPaintState state = bpsNormal) const override;
    TColor GetButtonColor(TcxButtonPaintState state) const override;
    TRect CalcButtonFocusRect(TcxCanvas* canvas, const TRect& r) const override;
    TRect CalcButtonGroupBorders(int count, int index) const override;
    int GetButtonTextIndent() const override;
    int GetButtonPressShift() const override;
    TColor GetButtonGlyphColor(TcxButtonPaintState state, TColor fallbackColor = clDefault) const override;
    TcxButtonPaintState MapButtonGlyphState(TcxButtonPaintState state) const override;
    void PaintGroupedButton(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state, int count,
                            int index, TColor fillColor) const override;
    void PaintButtonFrame(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state) const override;
    void PaintButtonGroupFrame(TcxCanvas* canvas, const TRect& r, bool focused, bool hot) const override;
    void PaintExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                           TColor color = clDefault) const override;
    int GetExpandButtonSize() const override;
    bool HasHotButtons() const override;
    void PaintCheckBoxFrame(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state) const override;
    void PaintHeaderSimple(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect,
                           TcxNeighbors adjacent, TcxBorders sides, TcxButtonPaintState state,
                           TAlignment horzAlign, TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis,
                           const AnsiString& text, TFont* font, TColor textColor, TColor fillColor,
                           const TcxDrawBackgroundEvent& onDrawBackground = nullptr) const override;
    void PaintHeaderFrame(TcxCanvas* canvas, const TRect& r, TcxNeighbors adjacent,
                          TcxBorders sides) const override;
    void PaintHeaderSectionFrame(TcxCanvas* canvas, const TRect& r, TcxBorders sides,
                                 TcxButtonPaintState state) const override;
    void PaintHeaderSectionContent(TcxCanvas* canvas, const TRect& r, const TRect& textRect,
                                   TcxButtonPaintState state, TAlignment horzAlign,
                                   TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis,
                                   const AnsiString& text, TFont* font, TColor textColor,
                                   TColor fillColor) const override;
    void PaintSortMark(TcxCanvas* canvas, const TRect& r, bool ascending) const override;
    TcxBorders GetHeaderBorders(TcxNeighbors adjacent) const override;
    int GetHeaderBorderWidth() const override;
    TSize GetSortMarkSize() const override;
    TcxBorders GetFooterBorders() const override;
    int GetFooterBorderWidth() const override;
    int GetFooterCellBorderWidth() const override;
    int GetFooterCellIndent() const override;
    void PaintFooterFrame(TcxCanvas* canvas, const TRect& r) const override;
    void PaintFooterCellFrame(TcxCanvas* canvas, const TRect& r) const override;
    void PaintFilterDropButton(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                               bool filtered) const override;
    TSize GetFilterCloseButtonSize() const override;
    void PaintTabFrame(TcxCanvas* canvas, const TRect& r, TcxBorder side, TcxBorders sides,
                       bool vertical) const override;
    void PaintTabArea(TcxCanvas* canvas, const TRect& r, TcxBorders sides, bool vertical) const override;
    int GetTabBorderWidth(bool vertical) const override;
    void PaintScrollBarPart(TcxCanvas* canvas, bool horizontal, const TRect& r, TcxScrollBarPart part,
                            TcxButtonPaintState state) const override;
    void PaintSchedulerNavButtonFace(TcxCanvas* canvas, const TRect& r, const TRect& arrowRect, bool next,
                                     TcxButtonPaintState state) const override;
    void PaintSchedulerNavigatorButton(TcxCanvas* canvas, const TRect& r,
                                       TcxButtonPaintState state) const override;
    void PaintSchedulerSplitter(TcxCanvas* canvas, const TRect& r, const TcxPaintParams& params,
                                bool horizontal) const override;

    virtual TColor GetFilterDropButtonBorderColor(TcxButtonPaintState state) const;
    virtual TColor GetTabEdgeLightColor() const;
    virtual TColor GetTabEdgeDarkColor() const;
    virtual TColor GetHotFrameColor() const;

protected:
    TcxUltraFlatLookAndFeelPainter() = default;
};

class TcxOffice11LookAndFeelPainter : public TcxUltraFlatLookAndFeelPainter {
public:
    VZ_CLASS(TcxOffice11LookAndFeelPainter, TcxUltraFlatLookAndFeelPainter)
    static const TcxOffice11LookAndFeelPainter* Painter();

    int GetPaintStyle() const override;
    void PaintCellContent(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect,
                          TcxButtonPaintState state, TAlignment horzAlign, TcxAlignmentVert vertAlign,
                          bool textWrap, bool ellipsis, const AnsiString& text, TFont* font, TColor textColor,
                          TColor fillColor, const TcxDrawBackgroundEvent& onDrawBackground,
                          bool isFooter = false) const override;
    void PaintSchedulerNavButtonFace(TcxCanvas* canvas, const TRect& r, const TRect& arrowRect, bool next,
                                     TcxButtonPaintState state) const override;
    TColor GetFilterBoxColor() const override;
    TColor GetFilterBoxTextColor() const override;
    TColor GetFooterColor() const override;
    TColor GetFooterTextColor() const override;
    TColor GetGroupByBoxColor() const override;
    TColor GetGroupByBoxTextColor() const override;
    TColor GetGroupRowColor() const override;
    TColor GetHeaderAreaColor() const override;
    TColor GetHeaderColor() const override;
    TColor GetDateNavHeaderColor() const override;
    TColor GetDateNavSelColor() const override;
    TColor GetDateNavSelTextColor() const override;
    TColor GetSchedulerBorderColor() const override;
    TColor GetSchedulerControlColor() const override;
    TColor GetTabColor() const override;
    TColor GetTabsAreaColor() const override;
    TColor GetTimeScaleMinorColor() const override;
    TColor GetTimeSelectionBarColor() const override;
    void PaintControlBorder(TcxCanvas* canvas, const TRect& r) const override;
    TColor GetButtonColor(TcxButtonPaintState state) const override;
    TColor GetButtonGlyphColor(TcxButtonPaintState state, TColor fallbackColor = clDefault) const override;
    void PaintButtonFrame(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state) const override;
    void PaintExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                           TColor color = clDefault) const override;
    bool PaintsExpandButtonFirst() const override;
    void PaintSmallExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded, TColor borderColor,
                                TColor color = clDefault) const override;
    int GetExpandButtonSize() const override;
    int GetSmallExpandButtonSize() const override;
    TColor GetCheckBoxColor(TcxButtonPaintState state) const override;
    void PaintHeader(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect, TcxNeighbors adjacent,
                     TcxBorders sides, TcxButtonPaintState state, TAlignment horzAlign,
                     TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis, const AnsiString& text,
                     TFont* font, TColor textColor, TColor fillColor,
                     const TcxDrawBackgroundEvent& onDrawBackground = nullptr, bool isLast = false,
                     bool isGroup = false) const override;
    void PaintHeaderFrame(TcxCanvas* canvas, const TRect& r, TcxNeighbors adjacent,
                          TcxBorders sides) const override;
    void PaintHeaderSection(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect,
                            TcxNeighbors adjacent, TcxBorders sides, TcxButtonPaintState state,
                            TAlignment horzAlign, TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis,
                            const AnsiString& text, TFont* font, TColor textColor,
                            TColor fillColor) const override;
    void PaintSortMark(TcxCanvas* canvas, const TRect& r, bool ascending) const override;
    TcxBorders GetHeaderBorders(TcxNeighbors adjacent) const override;
    int GetHeaderBorderWidth() const override;
    bool HasHotHeaders() const override;
    TColor GetFooterSeparatorColor() const override;
    void PaintScrollBarPart(TcxCanvas* canvas, bool horizontal, const TRect& r, TcxScrollBarPart part,
                            TcxButtonPaintState state) const override;
    void PaintSizeGrip(TcxCanvas* canvas, const TRect& r, TColor fillColor) const override;
    void PaintMonthHeader(TcxCanvas* canvas, const TRect& bounds, const AnsiString& text,
                          TcxNeighbors neighbors, const TcxPaintParams& params, int arrows, int arrowInset,
                          const TcxDrawBackgroundEvent& onDrawBackground = nullptr) const override;
    void PaintSchedulerBorder(TcxCanvas* canvas, const TRect& r) const override;
    void PaintSchedulerNavigatorButton(TcxCanvas* canvas, const TRect& r,
                                       TcxButtonPaintState state) const override;
    void PaintPanelBackground(TcxCanvas* canvas, TWinControl* control, const TRect& r, TColor color1,
                              TColor color2) const override;
    TColor GetFilterDropButtonBorderColor(TcxButtonPaintState state) const override;
    TColor GetTabEdgeLightColor() const override;
    TColor GetTabEdgeDarkColor() const override;
    TColor GetHotFrameColor() const override;

    virtual TColor GetHeaderGradientEndColor() const;
    virtual TColor GetHeaderShadowEdgeColor() const;
    virtual TColor GetHeaderLightEdgeColor() const;
    virtual TColor GetHeaderGradientStartColor() const;

protected:
    TcxOffice11LookAndFeelPainter() = default;
};
