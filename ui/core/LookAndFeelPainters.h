#pragma once
// Look-and-feel painters: every control draws its frames, buttons, check boxes, headers, scroll
// bars and the like through one. A painter is stateless; each class has one instance, which is
// the class reference (TcxCustomLookAndFeelPainterClass) that controls pass around. All
// operations are virtual, so one operation calling another reaches the descendant's.
#include <array>
#include <cstdint>
#include <functional>

#include "platform/core/DateTime.h"
#include "platform/forms/Forms.h"
#include "ui/core/Canvas.h"

class TCustomImageList;

enum TcxButtonPaintState : uint8_t { bpsDefault, bpsNormal, bpsHot, bpsPressed, bpsDisabled };
enum TcxArrowPointing : uint8_t { apUp, apDown, apLeft, apRight };
enum TcxCheckBoxState : uint8_t { cbsUnchecked, cbsChecked, cbsGrayed };
enum TcxLookAndFeelKind : uint8_t { lfFlat, lfStandard, lfUltraFlat, lfOffice11 };
enum TcxAlignmentVert : uint8_t { vaTop, vaBottom, vaCenter };
enum TcxScrollBarPart : uint8_t { sbpNone, sbpLineUp, sbpLineDown, sbpThumbnail, sbpPageUp, sbpPageDown };
// Completed by the editor buttons.
enum TcxEditBtnKind : int;

// Neighbours of a cell are given as the sides on which they are.
using TcxNeighbors = TcxBorders;

// True when the handler painted the background itself.
using TcxDrawBackgroundEvent = std::function<bool(TObject* sender, TcxCanvas* canvas, const TRect& bounds)>;

// Paint style codes (GetPaintStyle).
constexpr int cxPaintStyleFlat = 0;
constexpr int cxPaintStyleStandard = 1;
constexpr int cxPaintStyleUltraFlat = 2;
constexpr int cxPaintStyleNative = 3;
constexpr int cxPaintStyleOffice11 = 4;

TcxLookAndFeelKind LookAndFeelStyleToKind(int style);

class TcxCustomLookAndFeelPainter;
using TcxCustomLookAndFeelPainterClass = const TcxCustomLookAndFeelPainter*;

// ---------------------------------------------------------------------------------------------
class TcxCustomLookAndFeelPainter : public TObject {
public:
    VZ_CLASS(TcxCustomLookAndFeelPainter, TObject)
    static const TcxCustomLookAndFeelPainter* Painter();

    virtual void FillBackground(TcxCanvas* canvas, const TRect& r, bool transparent, TColor fillColor,
                                TBitmap* tileBitmap) const;
    virtual void PaintDropArrow(TcxCanvas* canvas, const TRect& r, TColor color) const;
    virtual void PaintCellContent(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect,
                                  TcxButtonPaintState state, TAlignment horzAlign, TcxAlignmentVert vertAlign,
                                  bool textWrap, bool ellipsis, const AnsiString& text, TFont* font,
                                  TColor textColor, TColor fillColor,
                                  const TcxDrawBackgroundEvent& onDrawBackground,
                                  bool isFooter = false) const;
    virtual void PaintSchedulerNavButtonFace(TcxCanvas* canvas, const TRect& r, const TRect& arrowRect,
                                             bool next, TcxButtonPaintState state) const;
    virtual TRect CalcFooterCellInnerRect(const TRect& r) const;
    virtual TRect CalcFooterCellTextRect(const TRect& r) const;
    virtual int GetPaintStyle() const;

    // Colours.
    virtual TColor GetContentColor() const;
    virtual TColor GetContentEvenColor() const;
    virtual TColor GetContentOddColor() const;
    virtual TColor GetContentTextColor() const;
    virtual TColor GetEditorBackColor(bool disabled) const;
    virtual TColor GetEditorTextColor(bool disabled) const;
    virtual TColor GetFilterBoxColor() const;
    virtual TColor GetFilterBoxTextColor() const;
    virtual TColor GetFixedSeparatorColor() const;
    virtual TColor GetFooterColor() const;
    virtual TColor GetFooterTextColor() const;
    virtual TColor GetDetailsSiteColor() const;
    virtual TColor GetGridLineColor() const;
    virtual TColor GetGroupByBoxColor() const;
    virtual TColor GetGroupByBoxTextColor() const;
    virtual TColor GetGroupRowColor() const;
    virtual TColor GetGroupRowTextColor() const;
    virtual TColor GetHeaderAreaColor() const;
    virtual TColor GetHeaderAreaTextColor() const;
    virtual TColor GetHeaderColor() const;
    virtual TColor GetHeaderTextColor() const;
    virtual TColor GetHyperlinkColor() const;
    virtual TColor GetInactiveColor() const;
    virtual TColor GetInactiveTextColor() const;
    virtual TColor GetPreviewTextColor() const;
    virtual TColor GetRecordSeparatorColor() const;
    virtual TColor GetSizeGripAreaColor() const;
    virtual TColor GetCategoryColor() const;
    virtual TColor GetCategoryTextColor() const;
    virtual TColor GetVGridLineColor() const;
    virtual TColor GetBandLineColor() const;
    virtual TColor GetDateNavHeaderColor() const;
    virtual TColor GetDateNavSelColor() const;
    virtual TColor GetDateNavSelTextColor() const;
    virtual TColor GetSchedulerBackColor() const;
    virtual TColor GetSchedulerTextColor() const;
    virtual TColor GetSchedulerBorderColor() const;
    virtual TColor GetSchedulerControlColor() const;
    virtual TColor GetSchedulerNavigatorColor() const;
    virtual TColor GetSchedulerViewColor() const;
    virtual TColor GetSelectedEventTextColor(TColor eventColor, bool selected) const;
    virtual TColor GetEventTextColor() const;
    virtual TColor GetSelectionColor() const;
    virtual TColor GetSelectionTextColor() const;
    virtual TColor GetSeparatorColor() const;
    virtual TColor GetTabColor() const;
    virtual TColor GetTabTextColor() const;
    virtual TColor GetTabsAreaColor() const;
    virtual TColor GetTimeScaleMajorColor() const;
    virtual TColor GetTimeScaleMajorTextColor() const;
    virtual TColor GetTimeScaleMinorColor() const;
    virtual TColor GetTimeScaleMinorTextColor() const;
    virtual TColor GetTimeSelectionBarColor() const;
    virtual TColor GetChartColorA() const;
    virtual TColor GetChartColorB() const;
    virtual TColor GetChartColorC() const;
    virtual TColor GetChartCaptionTextColor() const;
    virtual TColor GetChartColorD() const;
    virtual TColor GetChartInfoBorderColor() const;
    virtual TColor GetChartColorE() const;
    virtual TColor GetChartColorF() const;
    virtual TColor GetChartColorG() const;
    virtual TColor GetChartColorH() const;

    // Arrows and borders.
    virtual void PaintArrow(TcxCanvas* canvas, const TRect& r, TcxArrowPointing direction,
                            TColor color) const;
    virtual void PaintArrowButton(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                                  TcxArrowPointing direction, bool withFrame = true) const;
    virtual void PaintArrowButtonFrame(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state) const;
    virtual void PaintScrollArrow(TcxCanvas* canvas, const TRect& r, TcxArrowPointing direction,
                                  TcxButtonPaintState state) const;
    virtual int GetBorderWidth() const;
    virtual void PaintControlBorder(TcxCanvas* canvas, const TRect& r) const;

    // Buttons.
    virtual TRect AdjustGroupButtonRect(const TRect& r, int count, int index) const;
    virtual int GetButtonBorderWidth(TcxButtonPaintState state = bpsNormal) const;
    virtual TColor GetButtonColor(TcxButtonPaintState state) const;
    virtual TRect CalcButtonFocusRect(TcxCanvas* canvas, const TRect& r) const;
    // Border widths on each side (left, top, right, bottom) of button index of a group of count.
    virtual TRect CalcButtonGroupBorders(int count, int index) const;
    virtual int GetButtonTextIndent() const;
    virtual int GetButtonPressShift() const;
    virtual TColor GetButtonGlyphColor(TcxButtonPaintState state, TColor fallbackColor = clDefault) const;
    virtual TcxButtonPaintState MapButtonGlyphState(TcxButtonPaintState state) const;
    virtual void PaintButton(TcxCanvas* canvas, const TRect& r, const AnsiString& caption,
                             TcxButtonPaintState state, bool drawBorder = true, TColor color = clDefault,
                             TColor textColor = clDefault, bool wordWrap = false) const;
    virtual void PaintGroupedButton(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state, int count,
                                    int index, TColor fillColor) const;
    virtual void PaintButtonFrame(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state) const;
    virtual void PaintButtonGroupFrame(TcxCanvas* canvas, const TRect& r, bool focused, bool hot) const;

    // Expand buttons.
    virtual void PaintExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                   TColor color = clDefault) const;
    virtual bool PaintsExpandButtonFirst() const;
    virtual void PaintGroupExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded,
                                        TcxButtonPaintState state) const;
    virtual void PaintSmallExpandButton(TcxCanvas* canvas, const TRect& r, bool expanded, TColor borderColor,
                                        TColor color = clDefault) const;
    virtual int GetExpandButtonSize() const;
    virtual int GetGroupExpandButtonSize() const;
    virtual bool HasHotButtons() const;
    virtual bool HitGroupExpandButton(const TRect& r, TPoint p) const;
    virtual int GetSmallExpandButtonSize() const;

    // Check boxes and radio buttons.
    virtual int GetCheckFrameWidth() const;
    virtual TColor GetCheckBoxColor(TcxButtonPaintState state) const;
    virtual TSize GetCheckBoxSize() const;
    virtual void PaintCheckMark(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state, bool checked,
                                TColor markColor) const;
    virtual void PaintCheckBoxFrame(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state) const;
    virtual void PaintTwoStateCheckBox(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                                       bool checked) const;
    virtual void PaintCheckBox(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                               TcxCheckBoxState checkState) const;
    // flagA highlights the ring unless disabled, flagB always.
    virtual void PaintRadioButton(TcxCanvas* canvas, int x, int y, TcxButtonPaintState state, bool checked,
                                  bool flagB, TColor brushColor, bool flagA = false) const;
    virtual TSize GetRadioButtonSize() const;

    // Headers.
    virtual void PaintHeader(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect,
                             TcxNeighbors adjacent, TcxBorders sides, TcxButtonPaintState state,
                             TAlignment horzAlign, TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis,
                             const AnsiString& text, TFont* font, TColor textColor, TColor fillColor,
                             const TcxDrawBackgroundEvent& onDrawBackground = nullptr, bool isLast = false,
                             bool isGroup = false) const;
    virtual void PaintHeaderSimple(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect,
                                   TcxNeighbors adjacent, TcxBorders sides, TcxButtonPaintState state,
                                   TAlignment horzAlign, TcxAlignmentVert vertAlign, bool textWrap,
                                   bool ellipsis, const AnsiString& text, TFont* font, TColor textColor,
                                   TColor fillColor,
                                   const TcxDrawBackgroundEvent& onDrawBackground = nullptr) const;
    virtual void PaintHeaderFrame(TcxCanvas* canvas, const TRect& r, TcxNeighbors adjacent,
                                  TcxBorders sides) const;
    virtual void HighlightPressedHeader(TcxCanvas* canvas, const TRect& r) const;
    virtual void PaintHeaderSection(TcxCanvas* canvas, const TRect& bounds, const TRect& textRect,
                                    TcxNeighbors adjacent, TcxBorders sides, TcxButtonPaintState state,
                                    TAlignment horzAlign, TcxAlignmentVert vertAlign, bool textWrap,
                                    bool ellipsis, const AnsiString& text, TFont* font, TColor textColor,
                                    TColor fillColor) const;
    virtual void PaintHeaderSectionFrame(TcxCanvas* canvas, const TRect& r, TcxBorders sides,
                                         TcxButtonPaintState state) const;
    virtual void PaintHeaderSectionContent(TcxCanvas* canvas, const TRect& r, const TRect& textRect,
                                           TcxButtonPaintState state, TAlignment horzAlign,
                                           TcxAlignmentVert vertAlign, bool textWrap, bool ellipsis,
                                           const AnsiString& text, TFont* font, TColor textColor,
                                           TColor fillColor) const;
    virtual void PaintHeaderSectionText(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                                        TAlignment horzAlign, TcxAlignmentVert vertAlign, bool textWrap,
                                        bool ellipsis, const AnsiString& text, TFont* font,
                                        TColor textColor) const;
    virtual void PaintHeaderSeparator(TcxCanvas* canvas, const TRect& r, int indent, TColor color,
                                      const TcxPaintParams& params) const;
    virtual void PaintSortMark(TcxCanvas* canvas, const TRect& r, bool ascending) const;
    virtual TcxBorders GetHeaderBorders(TcxNeighbors adjacent) const;
    virtual int GetHeaderBorderWidth() const;
    virtual TRect CalcHeaderOuterRect(const TRect& r, TcxNeighbors adjacent, TcxBorders sides) const;
    virtual TRect CalcHeaderInnerRect(const TRect& r, TcxBorders sides) const;
    virtual bool PaintsHeaderCellsFirst() const;
    virtual int CalcHeaderHeight(int fontHeight) const;
    virtual int GetHeaderSectionBorderWidth(TcxButtonPaintState state) const;
    virtual TRect CalcHeaderSectionTextRect(const TRect& r, TcxButtonPaintState state) const;
    virtual TRect CalcHeaderSectionInnerRect(const TRect& r, TcxButtonPaintState state) const;
    virtual int CalcHeaderWidth(TcxCanvas* canvas, TcxBorders sides, const AnsiString& text,
                                TFont* font) const;
    virtual bool HasHotHeaders() const;
    virtual TSize GetSortMarkAreaSize() const;
    virtual TSize GetSortMarkSize() const;

    // Grid parts: group-by box and footers.
    virtual void PaintGroupByBox(TcxCanvas* canvas, const TRect& r, bool transparent, TColor fillColor,
                                 TBitmap* tileBitmap) const;
    virtual TcxBorders GetFooterBorders() const;
    virtual int GetFooterBorderWidth() const;
    virtual int GetFooterCellBorderWidth() const;
    virtual int GetFooterCellIndent() const;
    virtual bool PaintsFooterCellsFirst() const;
    virtual TColor GetFooterSeparatorColor() const;
    virtual int GetFooterSeparatorWidth() const;
    virtual void PaintFooterCell(TcxCanvas* canvas, const TRect& bounds, TAlignment horzAlign,
                                 TcxAlignmentVert vertAlign, bool textWrap, const AnsiString& text,
                                 TFont* font, TColor textColor, TColor fillColor,
                                 const TcxDrawBackgroundEvent& onDrawBackground = nullptr) const;
    virtual void PaintFooterFrame(TcxCanvas* canvas, const TRect& r) const;
    virtual void PaintFooterCellFrame(TcxCanvas* canvas, const TRect& r) const;
    virtual void PaintFooterBackground(TcxCanvas* canvas, const TRect& r, const TcxPaintParams& params) const;
    virtual void PaintFooterSeparator(TcxCanvas* canvas, const TRect& r) const;

    // Filter box.
    virtual void PaintFilterToggle(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                                   bool checked) const;
    virtual void PaintFilterCloseButton(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state) const;
    virtual void PaintFilterDropButton(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                                       bool filtered) const;
    virtual void PaintFilterPanel(TcxCanvas* canvas, const TRect& r, bool transparent, TColor fillColor,
                                  TBitmap* tileBitmap) const;
    virtual TSize GetFilterToggleSize() const;
    virtual TSize GetFilterCloseButtonSize() const;
    virtual TSize GetFilterDropButtonSize() const;

    // Windows and tabs.
    virtual void PaintWindowBackground(TcxCanvas* canvas, const TRect& r) const;
    virtual int GetPopupBorderKind() const;
    virtual void PaintTab(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state, bool vertical) const;
    // Paints the edge side of a tab whose border set is sides.
    virtual void PaintTabFrame(TcxCanvas* canvas, const TRect& r, TcxBorder side, TcxBorders sides,
                               bool vertical) const;
    virtual void PaintTabArea(TcxCanvas* canvas, const TRect& r, TcxBorders sides, bool vertical) const;
    virtual bool CanPaintTab(bool vertical) const;
    virtual bool HasHotTabs(bool vertical) const;
    virtual int GetTabBorderWidth(bool vertical) const;

    // Row indicator.
    virtual void PaintIndicatorCustomizeMark(TcxCanvas* canvas, const TRect& r, TColor color) const;
    // Kinds 1 to 6: arrow, edit, insert, multi-dot, multi-arrow, filter; 0 draws nothing.
    virtual void PaintIndicatorGlyph(TcxCanvas* canvas, const TRect& r, int kind) const;
    virtual void PaintIndicatorCell(TcxCanvas* canvas, const TRect& r, int kind, TColor color,
                                    const TcxDrawBackgroundEvent& onDrawBackground = nullptr,
                                    bool isLast = false) const;
    virtual void PaintIndicatorCellPlain(TcxCanvas* canvas, const TRect& r, int kind, TColor color,
                                         const TcxDrawBackgroundEvent& onDrawBackground = nullptr) const;
    virtual bool PaintsIndicatorCellsFirst() const;

    // Scroll bars and size grip.
    virtual int GetMinThumbSize(bool vertical) const;
    virtual void PaintScrollBarPart(TcxCanvas* canvas, bool horizontal, const TRect& r, TcxScrollBarPart part,
                                    TcxButtonPaintState state) const;
    virtual TSize GetSizeGripSize() const;
    virtual void PaintSizeGrip(TcxCanvas* canvas, const TRect& r, TColor fillColor) const;

    // Scheduler.
    virtual void CalcNavButtonRects(bool next, bool collapsed, TSize prevTextSize, TSize nextTextSize,
                                    TRect& bounds, TRect& textRect, TRect& arrowRect) const;
    // arrows: 1 left, 2 right, 3 both; arrowInset: distance of each arrow from its side.
    virtual void PaintMonthHeader(TcxCanvas* canvas, const TRect& bounds, const AnsiString& text,
                                  TcxNeighbors neighbors, const TcxPaintParams& params, int arrows,
                                  int arrowInset,
                                  const TcxDrawBackgroundEvent& onDrawBackground = nullptr) const;
    virtual void PaintSchedulerBorder(TcxCanvas* canvas, const TRect& r) const;
    virtual void PaintEventProgress(TcxCanvas* canvas, const TRect& r, const TRect& progressRect,
                                    const TcxPaintParams& params, bool framed) const;
    virtual void PaintSchedulerNavButton(TcxCanvas* canvas, const TRect& r, bool next,
                                         TcxButtonPaintState state, const AnsiString& text,
                                         const TRect& textRect, const TRect& arrowRect) const;
    virtual void PaintNavButtonArrow(TcxCanvas* canvas, const TRect& r, bool next, TColor color) const;
    virtual void PaintSchedulerNavigatorButton(TcxCanvas* canvas, const TRect& r,
                                               TcxButtonPaintState state) const;
    virtual void PaintSchedulerSplitter(TcxCanvas* canvas, const TRect& r, const TcxPaintParams& params,
                                        bool horizontal) const;
    virtual TRect GetEventProgressMargins() const;
    // sides: border widths (left, top, right, bottom).
    virtual void GetNavButtonMetrics(bool next, TRect& sides, TSize& arrowSize) const;
    virtual int GetChartInfoBorderWidth() const;
    virtual void PaintClock(TcxCanvas* canvas, const TRect& r, TDateTime time, TColor fillColor) const;

    // Editors and navigator.
    virtual void PaintEditButton(TcxCanvas* canvas, const TRect& r, TcxEditBtnKind buttonKind,
                                 TcxButtonPaintState state) const;
    virtual int GetEditButtonTextIndent() const;
    virtual TSize GetEditButtonMinSize() const;
    virtual TColor GetEditButtonTextColor() const;
    virtual TColor GetEditBorderColor(bool hot) const;
    virtual void PaintNavigatorGlyph(TcxCanvas* canvas, TCustomImageList* imageList, int imageIndex,
                                     int buttonIndex, const TRect& glyphRect, bool enabled,
                                     bool userGlyphs) const;
    virtual TSize GetNavigatorGlyphSize() const;

    // Progress bar, group box, panel, track bar, splitter.
    virtual void PaintProgressFrame(TcxCanvas* canvas, const TRect& r, bool vertical) const;
    virtual void PaintProgressChunk(TcxCanvas* canvas, const TRect& r, bool vertical) const;
    virtual TRect GetProgressBorders(bool vertical) const;
    virtual TColor GetProgressTextColor() const;
    virtual void PaintGroupBoxBackground(TcxCanvas* canvas, const TRect& bounds, const TRect& r) const;
    virtual void PaintGroupBoxCaption(TcxCanvas* canvas, const TRect& r, int captionSide) const;
    virtual void PaintGroupBoxBody(TcxCanvas* canvas, const TRect& r, int captionSide) const;
    virtual TRect GetGroupBoxBorders(bool caption, int captionSide) const;
    // captionSide: 0 top, 1 bottom, 2 left, 3 right.
    virtual TColor GetGroupBoxTextColor(int captionSide = 0) const;
    virtual bool IsGroupBoxSeeThrough(bool caption, int captionSide) const;
    virtual void PaintPanelBackground(TcxCanvas* canvas, TWinControl* control, const TRect& r, TColor color1,
                                      TColor color2) const;
    virtual void PaintPanelFrame(TcxCanvas* canvas, const TRect& r) const;
    virtual void PaintPanelCaption(TcxCanvas* canvas, const TRect& r, int captionSide) const;
    virtual void PaintPanelBody(TcxCanvas* canvas, const TRect& r, bool withBorder = false) const;
    virtual TRect GetPanelBorders() const;
    virtual TColor GetPanelTextColor() const;
    virtual void PaintTrackBarTrack(TcxCanvas* canvas, const TRect& r, const TRect& selRect, bool selected,
                                    bool enabled, bool horizontal) const;
    // tickSide: 0, 1 or 2 for ticks on the top/left, the bottom/right or both.
    virtual void PaintTrackBarThumb(TcxCanvas* canvas, const TRect& r, TcxButtonPaintState state,
                                    bool horizontal, int tickSide) const;
    virtual TSize GetTrackBarThumbSize(bool horizontal) const;
    virtual TColor GetTrackBarTickColor(bool forText) const;
    virtual int GetTrackBarTrackWidth() const;
    virtual void PaintSplitter(TcxCanvas* canvas, const TRect& r, bool hot, bool pressed,
                               bool horizontal) const;
    virtual TSize GetSplitterExtent(bool horizontal) const;

    // Routines every painter shares; the metrics they read are still the painter's.
    void PaintMonthHeaderArrows(TcxCanvas* canvas, TRect r, int arrows, int arrowInset, TColor color) const;
    void PaintSortArrow(TcxCanvas* canvas, const TRect& r, TColor color1, TColor color2,
                        bool ascending) const;
    static TcxArrowPointing GetArrowForScrollPart(bool horizontal, TcxScrollBarPart part);
    // The triangle of an arrow: P0, apex P1, P2. arrowSize 0 takes a size from the rectangle.
    static std::array<TPoint, 3> CalcArrowPoints(TRect r, TcxArrowPointing direction, bool proportional,
                                                 int arrowSize = 0);
    // Where a push button writes its caption: one pixel higher in small buttons, as the system's own.
    static TRect CalcButtonCaptionRect(const TRect& face, bool pressed, int pressShift);
    static void PaintExpandCross(TcxCanvas* canvas, const TRect& r, bool expanded, TColor color);

protected:
    TcxCustomLookAndFeelPainter() = default;
    // A scroll-bar page area in the first shared pattern, or the second one when pressed.
    static void FillScrollBarPage(TcxCanvas* canvas, const TRect& r, bool pressed);
};

// ---------------------------------------------------------------------------------------------
// The images and measurements that every painter draws with. The painter resources unit makes
// them at its start, fills them in here and frees them at its end; until then painters draw
// without them.
struct TcxPainterResources {
    TSize CheckBoxSize{13, 13};                  // one cell of the system's check-box bitmap
    TBitmap* ScrollBarPatterns[2]{};             // page area, pressed page area (8 x 8)
    TCustomImageList* IndicatorImages = nullptr; // indicator kinds 1-6 as images 0-5
    TSize RadioButtonSize{0, 0};                 // size of the shared radio-button images
    // Draws the radio-button image of the combination at (x, y).
    std::function<void(TcxCanvas* canvas, int x, int y, TColor brushColor, TcxLookAndFeelKind kind,
                       TcxButtonPaintState state, bool checked, bool flagB, bool flagA)>
        PaintRadioButtonImage;
};
TcxPainterResources& PainterResources();
