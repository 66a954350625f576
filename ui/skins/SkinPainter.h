#pragma once
// The skin look-and-feel painter: the Office 2003 painter that draws with a skin's elements and
// colours wherever its skin info has them, and takes the inherited path wherever it has not.
#include "ui/core/UltraFlatPainters.h"
#include "ui/skins/SkinInfo.h"

// The skin info registered with a skin painter.
class TdxSkinLookAndFeelPainterInfo : public TdxSkinInfo {
public:
    VZ_CLASS(TdxSkinLookAndFeelPainterInfo, TdxSkinInfo)
    explicit TdxSkinLookAndFeelPainterInfo(TdxSkin* skin) : TdxSkinInfo(skin) {}
};

TdxSkinElementState ButtonStateToSkinState(TcxButtonPaintState state);

class TdxSkinLookAndFeelPainter : public TcxOffice11LookAndFeelPainter {
public:
    VZ_CLASS(TdxSkinLookAndFeelPainter, TcxOffice11LookAndFeelPainter)
    static const TdxSkinLookAndFeelPainter* Painter();

    // The data the painter registry holds for this painter; nil when it is not registered.
    virtual TdxSkinLookAndFeelPainterInfo* GetSkinInfo() const;
    virtual void GetSkinUnitName(AnsiString& name) const;
    // "CloseButton" or "EditorButton" of "Editors" in r; false, drawing nothing, without it.
    virtual bool PaintEditButtonBackground(TcxCanvas* canvas, const TRect& r, TdxSkinElementState state,
                                           bool isCloseButton) const;

    TColor GetContentColor() const override;
    TColor GetContentEvenColor() const override;
    TColor GetContentOddColor() const override;
    TColor GetContentTextColor() const override;
    TColor GetDetailsSiteColor() const override;
    TColor GetEditorBackColor(bool disabled) const override;
    TColor GetEditorTextColor(bool disabled) const override;
    TColor GetHeaderAreaColor() const override;
    TColor GetSelectionColor() const override;
    TColor GetSelectionTextColor() const override;
    void PaintWindowBackground(TcxCanvas* canvas, const TRect& r) const override;

    // Colours.
    TColor GetFilterBoxTextColor() const override;
    TColor GetFixedSeparatorColor() const override;
    TColor GetRecordSeparatorColor() const override;
    TColor GetGridLineColor() const override;
    TColor GetGroupRowColor() const override;
    TColor GetGroupRowTextColor() const override;
    TColor GetGroupByBoxTextColor() const override;
    TColor GetHeaderAreaTextColor() const override;
    TColor GetHeaderColor() const override;
    TColor GetHeaderTextColor() const override;
    TColor GetSeparatorColor() const override;
    TColor GetSchedulerBackColor() const override;
    TColor GetSchedulerControlColor() const override;
    TColor GetSchedulerBorderColor() const override;
    TColor GetSchedulerNavigatorColor() const override;
    TColor GetEventTextColor() const override;
    TColor GetSelectedEventTextColor(TColor eventColor, bool selected) const override;
    TColor GetSizeGripAreaColor() const override;
    TColor GetCategoryColor() const override;
    TColor GetCategoryTextColor() const override;
    TColor GetVGridLineColor() const override;
    TColor GetBandLineColor() const override;
    TColor GetEditButtonTextColor() const override;
    TColor GetEditBorderColor(bool hot) const override;
    TColor GetFooterSeparatorColor() const override;
    TColor GetButtonGlyphColor(TcxButtonPaintState state, TColor fallbackColor = clDefault) const override;
    TColor GetGroupBoxTextColor(int captionSide = 0) const override;

    // Sizes and metrics.
    int GetButtonBorderWidth(TcxButtonPaintState state = bpsNormal) const override;
    int GetExpandButtonSize() const override;
    int GetMinThumbSize(bool vertical) const override;
    TSize GetSizeGripSize() const override;
    TSize GetRadioButtonSize() const override;
    TSize GetCheckBoxSize() const override;
    TSize GetEditButtonMinSize() const override;
    int GetEditButtonTextIndent() const override;
    TSize GetNavigatorGlyphSize() const override;
    TSize GetFilterCloseButtonSize() const override;
    TSize GetTrackBarThumbSize(bool horizontal) const override;
    int GetTrackBarTrackWidth() const override;
    TSize GetSplitterExtent(bool horizontal) const override;
    TRect GetProgressBorders(bool vertical) const override;
    TcxBorders GetHeaderBorders(TcxNeighbors adjacent) const override;
    int GetFooterCellBorderWidth() const override;
    TRect GetEventProgressMargins() const override;
    TRect CalcButtonGroupBorders(int count, int index) const override;
    void GetNavButtonMetrics(bool next, TRect& sides, TSize& arrowSize) const override;
    void CalcNavButtonRects(bool next, bool collapsed, TSize prevTextSize, TSize nextTextSize, TRect& bounds,
                            TRect& textRect, TRect& arrowRect) const override;
    TRect GetGroupBoxBorders(bool caption, int captionSide) const override;
    bool IsGroupBoxSeeThrough(bool caption, int captionSide) const override;
    bool PaintsHeaderCellsFirst() const override;
    bool PaintsFooterCellsFirst() const override;
    bool PaintsIndicatorCellsFirst() const override;

    // Drawing.
    void PaintControlBorder(TcxCanvas* canvas, const TRect& r) const override;
    void PaintButtonGroupFrame(TcxCanvas* canvas, const TRect& r, bool focused, bool hot) const override;
    void PaintExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                           TColor color = clDefault) const override;
    void PaintSmallExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded, TColor borderColor,
                                TColor color = clDefault) const override;
    void PaintScrollBarPart(TcxCanvas* canvas, bool horizontal, const TRect& r, TcxScrollBarPart part,
                            TcxButtonPaintState state) const override;
    void PaintSizeGrip(TcxCanvas* canvas, const TRect& r, TColor fillColor) const override;
    void PaintRadioButton(TcxCanvas* canvas, int x, int y, TcxButtonPaintState state, bool checked,
                          bool flagB, TColor brushColor, bool flagA = false) const override;
    void PaintCheckBox(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                       TcxCheckBoxState checkState) const override;
    void PaintNavigatorGlyph(TcxCanvas* canvas, TCustomImageList* imageList, int imageIndex, int buttonIndex,
                             const TRect& glyphRect, bool enabled, bool userGlyphs) const override;
    void PaintProgressFrame(TcxCanvas* canvas, const TRect& r, bool vertical) const override;
    void PaintProgressChunk(TcxCanvas* canvas, const TRect& r, bool vertical) const override;
    void PaintGroupByBox(TcxCanvas* canvas, const TRect& r, bool transparent, TColor fillColor,
                         TBitmap* tileBitmap) const override;
    void PaintFilterCloseButton(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state) const override;
    void PaintFilterDropButton(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                               bool filtered) const override;
    void PaintFilterPanel(TcxCanvas* canvas, const TRect& r, bool transparent, TColor fillColor,
                          TBitmap* tileBitmap) const override;
    void PaintTrackBarTrack(TcxCanvas* canvas, const TRect& r, const TRect& selRect, bool selected,
                            bool enabled, bool horizontal) const override;
    void PaintTrackBarThumb(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state, bool horizontal,
                            int tickSide) const override;
    void PaintSplitter(TcxCanvas* canvas, const TRect& r, bool hot, bool pressed,
                       bool horizontal) const override;
    void PaintIndicatorCustomizeMark(TcxCanvas* canvas, const TRect& r, TColor color) const override;
    void PaintIndicatorGlyph(TcxCanvas* canvas, const TRect& r, int kind) const override;
    void PaintSchedulerNavigatorButton(TcxCanvas* canvas, const TRect& r,
                                       TcxButtonPaintState state) const override;
    void PaintGroupBoxBackground(TcxCanvas* canvas, const TRect& bounds, const TRect& r) const override;
    void PaintGroupBoxCaption(TcxCanvas* canvas, const TRect& r, int captionSide) const override;
    void PaintGroupBoxBody(TcxCanvas* canvas, const TRect& r, int captionSide) const override;
    void PaintPanelFrame(TcxCanvas* canvas, const TRect& r) const override;
    void PaintGroupedButton(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state, int count,
                            int index, TColor fillColor) const override;
    void PaintHeaderSeparator(TcxCanvas* canvas, const TRect& r, int indent, TColor color,
                              const TcxPaintParams& params) const override;
    void PaintEventProgress(TcxCanvas* canvas, const TRect& r, const TRect& progressRect,
                            const TcxPaintParams& params, bool framed) const override;
    void PaintButton(TcxCanvas* canvas, const TRect& r, const AnsiString& caption, TcxButtonPaintState state,
                     bool drawBorder = true, TColor color = clDefault, TColor textColor = clDefault,
                     bool wordWrap = false) const override;
    void PaintEditButton(TcxCanvas* canvas, const TRect& r, TcxEditBtnKind buttonKind,
                         TcxButtonPaintState state) const override;
    void PaintHeader(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect, TcxNeighbors adjacent,
                     TcxBorders sides, TcxButtonPaintState state, TAlignment horzAlign,
                     TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis, const AnsiString& text,
                     TFont* font, TColor textColor, TColor fillColor,
                     const TcxDrawBackgroundEvent& onDrawBackground = nullptr, bool isLast = false,
                     bool isGroup = false) const override;
    void PaintCellContent(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect,
                          TcxButtonPaintState state, TAlignment horzAlign, TcxAlignmentVert vertAlign,
                          bool textWrap, bool ellipsis, const AnsiString& text, TFont* font, TColor textColor,
                          TColor fillColor, const TcxDrawBackgroundEvent& onDrawBackground,
                          bool isFooter = false) const override;
    void PaintFooterFrame(TcxCanvas* canvas, const TRect& r) const override;
    void PaintHeaderSimple(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect,
                           TcxNeighbors adjacent, TcxBorders sides, TcxButtonPaintState state,
                           TAlignment horzAlign, TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis,
                           const AnsiString& text, TFont* font, TColor textColor, TColor fillColor,
                           const TcxDrawBackgroundEvent& onDrawBackground = nullptr) const override;
    void PaintFooterCell(TcxCanvas* canvas, const TRect& bounds, TAlignment horzAlign,
                         TcxAlignmentVert vertAlign, bool textWrap, const AnsiString& text, TFont* font,
                         TColor textColor, TColor fillColor,
                         const TcxDrawBackgroundEvent& onDrawBackground = nullptr) const override;
    void PaintFooterBackground(TcxCanvas* canvas, const TRect& r,
                               const TcxPaintParams& params) const override;
    void PaintPanelBody(TcxCanvas* canvas, const TRect& r, bool withBorder = false) const override;
    void PaintIndicatorCell(TcxCanvas* canvas, const TRect& r, int kind, TColor color,
                            const TcxDrawBackgroundEvent& onDrawBackground = nullptr,
                            bool isLast = false) const override;
    void PaintIndicatorCellPlain(TcxCanvas* canvas, const TRect& r, int kind, TColor color,
                                 const TcxDrawBackgroundEvent& onDrawBackground = nullptr) const override;
    void PaintMonthHeader(TcxCanvas* canvas, const TRect& bounds, const AnsiString& text,
                          TcxNeighbors neighbors, const TcxPaintParams& params, int arrows, int arrowInset,
                          const TcxDrawBackgroundEvent& onDrawBackground = nullptr) const override;
    void PaintClock(TcxCanvas* canvas, const TRect& r, TDateTime time, TColor fillColor) const override;
    void PaintSchedulerNavButtonFace(TcxCanvas* canvas, const TRect& r, const TRect& arrowRect, bool next,
                                     TcxButtonPaintState state) const override;

protected:
    TdxSkinLookAndFeelPainter() = default;
};
