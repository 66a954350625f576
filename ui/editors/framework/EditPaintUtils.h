#pragma once
// Drawing routines the editors share: arrows, edges, glyphs, fills, text-flag conversion, and
// the look-and-feel answers that depend on an editor's buttons.
#include <windows.h>

#include "platform/graphics/Graphics.h"
#include "ui/core/Canvas.h"
#include "ui/core/LookAndFeelPainters.h"
#include "ui/editors/framework/EditStyles.h"

class TcxCustomEdit;
class TcxCustomEditProperties;

// The no-background value of DrawEditGlyph.
constexpr TColor clEditGlyphNoBackground = static_cast<TColor>(536870911);

// Text-out flags of the library.
constexpr int cxTO_VCENTER = 1;
constexpr int cxTO_RIGHT = 2;
constexpr int cxTO_SINGLELINE = 16;
constexpr int cxTO_WORDBREAK = 32;
constexpr int cxTO_CALCRECT = 256;
constexpr int cxTO_EXPANDTABS = 512;

// count + 1 triangles of side size, side by side for directions apLeft and apRight, else stacked,
// centred in rect (one pixel right and down when pressed).
void DrawArrows(TcxCanvas& canvas, int size, const TRect& rect, TColor color, bool pressed, int count,
                TcxArrowPointing direction);
// From the smaller side S: width (S - 1) div 2 made odd, height width div 2 + 1; swapped for
// apLeft and apRight.
TSize CalculateArrowSize(TSize area, TcxArrowPointing direction);
// Edges: 1 left, 2 top, 4 right, 8 bottom. Each drawn edge shrinks rect.
void DrawRectEdges(TcxCanvas& canvas, TRect& rect, int edges, TColor color);
void DrawPolyLine(TcxCanvas& canvas, const TPoint* points, int count, bool brushMode, TColor color);
// Enabled: the glyph over its transparent colour (through buffer when given); disabled: its
// disabled look over backColor unless that is clEditGlyphNoBackground.
void DrawEditGlyph(TcxCanvas& canvas, int x, int y, TBitmap* glyph, TColor backColor, bool enabled,
                   TBitmap* buffer = nullptr);
void FillRectByColor(TcxCanvas& canvas, const TRect& rect, TColor color);
// Rect less inner (four strips), all of rect when inner is empty; nothing when rect is empty or
// equal to inner.
void FillRectOutside(TcxCanvas& canvas, const TRect& rect, const TRect& inner, TColor color);
TcxCustomLookAndFeelPainterClass GetEditPainterClass(bool nativeStyle, TcxLookAndFeelKind kind);
int GetEditButtonsContentVerticalOffset(TcxCanvas& canvas, TcxEditButtonStyle buttonStyle, bool native);
int GetNativeInnerTextEditContentHeightCorrection(TcxCustomEditProperties* properties, bool isInplace);
TColor GetHotBorderColor(bool office11);
TColor GetFlatButtonColor(bool pressed, bool office11);
TcxLookAndFeelKind GetEditLookAndFeelKind(TcxCustomEdit* edit);
// The look-and-feel kind a button style is drawn like.
TcxLookAndFeelKind ButtonStyleToLookAndFeelKind(TcxEditButtonStyle style);
int ConvertTextOutFlagsToDT(int flags);
int ConvertDTFlagsToTextOut(int flags);
void SetCanvasFontFromLogFont(TcxCanvas& canvas, const LOGFONTA& logFont);
bool GetCanvasLogFont(TcxCanvas& canvas, LOGFONTA& logFont);
inline bool CharIsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// The paint utilities unit: its end frees the default edit style controller when the editor
// unit's end left it.
void EditPaintUtilsInitialize();
void EditPaintUtilsFinalize();
