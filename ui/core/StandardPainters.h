#pragma once
// The two classic painters: standard (two-pixel 3-D frames, the system's scroll-bar arrows) and
// flat (one-pixel 3-D frames).
#include "ui/core/LookAndFeelPainters.h"

class TcxStandardLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
public:
    VZ_CLASS(TcxStandardLookAndFeelPainter, TcxCustomLookAndFeelPainter)
    static const TcxStandardLookAndFeelPainter* Painter();

    int GetPaintStyle() const override;
    TColor GetSchedulerViewColor() const override;
    int GetBorderWidth() const override;
    void PaintControlBorder(TcxCanvas* canvas, const TRect& r) const override;
    int GetButtonBorderWidth(TcxButtonPaintState state = bpsNormal) const override;
    int GetButtonTextIndent() const override;
    int GetButtonPressShift() const override;
    void PaintButtonFrame(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state) const override;
    void PaintExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                           TColor color = clDefault) const override;
    void PaintGroupExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                TcxButtonPaintState state) const override;
    int GetExpandButtonSize() const override;
    void PaintCheckBoxFrame(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state) const override;
    void PaintHeaderFrame(TcxCanvas* canvas, const TRect& r, TcxNeighbors adjacent,
                          TcxBorders sides) const override;
    void PaintHeaderSectionFrame(TcxCanvas* canvas, const TRect& r, TcxBorders sides,
                                 TcxButtonPaintState state) const override;
    int GetHeaderSectionBorderWidth(TcxButtonPaintState state) const override;
    void PaintSortMark(TcxCanvas* canvas, const TRect& r, bool ascending) const override;
    int GetHeaderBorderWidth() const override;
    TSize GetSortMarkSize() const override;
    int GetFooterBorderWidth() const override;
    int GetFooterCellBorderWidth() const override;
    int GetFooterCellIndent() const override;
    void PaintFooterFrame(TcxCanvas* canvas, const TRect& r) const override;
    void PaintFooterCellFrame(TcxCanvas* canvas, const TRect& r) const override;
    void PaintFilterDropButton(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                               bool filtered) const override;
    void PaintTabFrame(TcxCanvas* canvas, const TRect& r, TcxBorder side, TcxBorders sides,
                       bool vertical) const override;
    void PaintTabArea(TcxCanvas* canvas, const TRect& r, TcxBorders sides, bool vertical) const override;
    int GetTabBorderWidth(bool vertical) const override;
    void PaintScrollBarPart(TcxCanvas* canvas, bool horizontal, const TRect& r, TcxScrollBarPart part,
                            TcxButtonPaintState state) const override;
    void PaintMonthHeader(TcxCanvas* canvas, const TRect& bounds, const AnsiString& text,
                          TcxNeighbors neighbors, const TcxPaintParams& params, int arrows, int arrowInset,
                          const TcxDrawBackgroundEvent& onDrawBackground = nullptr) const override;
    void PaintSchedulerSplitter(TcxCanvas* canvas, const TRect& r, const TcxPaintParams& params,
                                bool horizontal) const override;

protected:
    TcxStandardLookAndFeelPainter() = default;
};

class TcxFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
public:
    VZ_CLASS(TcxFlatLookAndFeelPainter, TcxCustomLookAndFeelPainter)
    static const TcxFlatLookAndFeelPainter* Painter();

    int GetPaintStyle() const override;
    int GetBorderWidth() const override;
    void PaintControlBorder(TcxCanvas* canvas, const TRect& r) const override;
    int GetButtonBorderWidth(TcxButtonPaintState state = bpsNormal) const override;
    int GetButtonTextIndent() const override;
    int GetButtonPressShift() const override;
    void PaintButtonFrame(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state) const override;
    void PaintExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                           TColor color = clDefault) const override;
    int GetExpandButtonSize() const override;
    void PaintCheckBoxFrame(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state) const override;
    void PaintHeaderFrame(TcxCanvas* canvas, const TRect& r, TcxNeighbors adjacent,
                          TcxBorders sides) const override;
    void PaintHeaderSectionFrame(TcxCanvas* canvas, const TRect& r, TcxBorders sides,
                                 TcxButtonPaintState state) const override;
    void PaintSortMark(TcxCanvas* canvas, const TRect& r, bool ascending) const override;
    int GetHeaderBorderWidth() const override;
    TSize GetSortMarkSize() const override;
    int GetFooterBorderWidth() const override;
    int GetFooterCellBorderWidth() const override;
    int GetFooterCellIndent() const override;
    void PaintFooterFrame(TcxCanvas* canvas, const TRect& r) const override;
    void PaintFooterCellFrame(TcxCanvas* canvas, const TRect& r) const override;
    void PaintFilterDropButton(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                               bool filtered) const override;
    void PaintTabFrame(TcxCanvas* canvas, const TRect& r, TcxBorder side, TcxBorders sides,
                       bool vertical) const override;
    void PaintTabArea(TcxCanvas* canvas, const TRect& r, TcxBorders sides, bool vertical) const override;
    int GetTabBorderWidth(bool vertical) const override;
    void PaintScrollBarPart(TcxCanvas* canvas, bool horizontal, const TRect& r, TcxScrollBarPart part,
                            TcxButtonPaintState state) const override;
    void PaintSchedulerSplitter(TcxCanvas* canvas, const TRect& r, const TcxPaintParams& params,
                                bool horizontal) const override;

protected:
    TcxFlatLookAndFeelPainter() = default;
};
