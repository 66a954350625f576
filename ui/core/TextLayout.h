#pragma once
// Text laid out and drawn by the library itself: rows broken at words and East-Asian characters
// (closing punctuation stays with the character before it), justified and distributed rows,
// vertical placement, an end ellipsis, a highlighted range and patterned text for rows too small
// to read. Everything works on 16-bit characters; the 8-bit entries convert first.
#include <cstdint>
#include <vector>

#include "platform/core/Strings.h"
#include "platform/graphics/Graphics.h"
#include "ui/core/Canvas.h"

// The flag word.
constexpr int txoAlignLeft = 0x0;
constexpr int txoAlignCenter = 0x1;
constexpr int txoAlignRight = 0x2;
constexpr int txoAlignJustify = 0x3;    // every row but a paragraph's last
constexpr int txoAlignDistribute = 0x4; // every row
constexpr int txoAlignHorzMask = 0x7;
constexpr int txoAlignTop = 0x00;
constexpr int txoAlignVCenter = 0x10;
constexpr int txoAlignBottom = 0x20;
constexpr int txoAlignSpread = 0x30;
constexpr int txoAlignVertMask = 0x30;
constexpr int txoWordBreak = 0x100;
constexpr int txoSingleLine = 0x200;
constexpr int txoExpandTabs = 0x400;
constexpr int txoEndEllipsis = 0x800;
constexpr int txoPatternedText = 0x1000;
constexpr int txoExternalLeading = 0x2000;
constexpr int txoEditControl = 0x4000;
constexpr int txoNoClip = 0x8000;
constexpr int txoAutoIndents = 0x10000;
constexpr int txoCharBreak = 0x20000;
constexpr int txoPreventLeftExceed = 0x40000;
constexpr int txoPreventTopExceed = 0x80000;
constexpr int txoCalcRect = 0x100000;
constexpr int txoCalcRowCount = 0x200000;
constexpr int txoHidePrefix = 0x1000000;
constexpr int txoSkipWrapSpaces = 0x2000000;

enum TcxTextAlignHorz { tahLeft, tahCenter, tahRight, tahJustify, tahDistribute };
enum TcxTextAlignVert { tavTop, tavCenter, tavBottom, tavSpread };

struct TcxTextLayoutParams {
    int TextHeight = 0;
    int ExternalLeading = 0;
    int RowHeight = 0;
    int EllipsisWidth = 0;
    bool Bold = false;
    wchar_t BreakChar = L' ';
    int MaxCharWidth = 0;
    int CharSet = 0;
    TcxTextAlignHorz AlignHorz = tahLeft;
    TcxTextAlignVert AlignVert = tavTop;
    bool WordBreak = false, SingleLine = false, ExpandTabs = false, EndEllipsis = false;
    bool PatternedText = false, EditControl = false, NoClip = false, AutoIndents = false;
    bool CharBreak = false, PreventLeftExceed = false, PreventTopExceed = false;
    bool CalcRect = false, CalcRowCount = false, HidePrefix = false, SkipWrapSpaces = false;
    int OnePixel = 1; // one device pixel in logical units
};

struct TcxTextRow {
    const wchar_t* Text = nullptr;
    int Length = 0;
    int Width = 0;
    int Height = 0;
    int SpaceCount = 0; // breaks for justification
    int Left = 0;
    int Top = 0;
    int Start = 0; // offset of the row in the whole text
};

using TcxDynamicTextRows = std::vector<TcxTextRow>;

// The rows of one text: 32 inline, the rest in the overflow array.
class TcxTextRows {
public:
    static constexpr int InlineCount = 32;
    int Count() const { return count_; }
    // Clears the new last row.
    void SetCount(int count);
    TcxTextRow& Row(int index) {
        return index < InlineCount ? inline_[index] : overflow_[index - InlineCount];
    }
    const TcxTextRow& Row(int index) const {
        return index < InlineCount ? inline_[index] : overflow_[index - InlineCount];
    }
    const TcxDynamicTextRows& Overflow() const { return overflow_; }

    WideString Text; // what the rows point into

private:
    int count_ = 0;
    TcxTextRow inline_[InlineCount];
    TcxDynamicTextRows overflow_;
};

void FillTextLayoutParams(HDC dc, int flags, TcxTextLayoutParams& params, double lineSpacing = 1.0);
void FillTextLayoutParamsFromCanvas(TcxCanvas* canvas, int flags, TcxTextLayoutParams& params,
                                    double lineSpacing = 1.0);
void ApplyTextIndents(const TRect& rect, const TcxTextLayoutParams& params, int leftIndent, TRect& result,
                      int rightIndent);
void RemoveTextIndents(const TRect& rect, const TcxTextLayoutParams& params, int leftIndent, TRect& result,
                       int rightIndent);

// False when text remains that did not fit (multi-row, not measuring). The rows point into
// rows.Text, which takes a copy of text unless it is already rows.Text.
bool SplitTextIntoRows(HDC dc, const wchar_t* text, int length, int maxRows, int& rowCount, TcxTextRows& rows,
                       const TcxTextLayoutParams& params, const TRect& rect);
bool SplitAnsiTextIntoRows(HDC dc, const AnsiString& text, int maxRows, int& rowCount, TcxTextRows& rows,
                           const TcxTextLayoutParams& params, const TRect& rect);
bool SplitAnsiTextIntoRowsOnCanvas(TcxCanvas* canvas, const AnsiString& text, int maxRows, int& rowCount,
                                   TcxTextRows& rows, const TcxTextLayoutParams& params, const TRect& rect);
void PositionTextRows(HDC dc, const TRect& rect, const TcxTextLayoutParams& params, int rowCount,
                      TcxTextRows& rows);
void DrawTextRowsHighlighted(HDC dc, const TRect& rect, const TcxTextLayoutParams& params, bool textWasCut,
                             TColor highlightTextColor, TColor highlightBackColor, int highlightLength,
                             int highlightStart, int rowCount, TcxTextRows& rows);

int GetMaxTextRowWidth(const TcxTextRows& rows, int count);
void ClearTextRows(TcxTextRows& rows);
const TcxTextRow& GetTextRowAt(const TcxTextRows& rows, int index);
int GetTextRowsCount(const TcxTextRows& rows);

// The row count with txoCalcRowCount, else the text height (the row count when that is 0); 0 for
// an empty text. With txoCalcRect the rectangle is fitted to the text and nothing is drawn.
int DrawFormattedText(HDC dc, const WideString& text, TRect& rect, double lineSpacing, TColor textColor,
                      int rightIndent, int leftIndent, int maxRows, TColor highlightTextColor,
                      TColor highlightBackColor, TFont* font, int highlightLength, int highlightStart,
                      int flags);
// Without highlighting, in the current text colour.
int DrawFormattedTextAnsi(HDC dc, const AnsiString& text, TRect& rect, int flags, double lineSpacing = 1.0,
                          TFont* font = nullptr, int rightIndent = 0, int leftIndent = 0, int maxRows = 0);

// Decides whether highlight extents are mirrored: False when the text starts with a character
// below 0x80; else True for the GB2312, Big5 and Arabic charsets (DEFAULT_CHARSET taken as the
// system's).
bool IsComplexScriptCharset(int charset, const wchar_t* text, int length);
// Characters that never start a row after a wide character.
bool IsNoStartCharacter(wchar_t c);
bool IsWideCharacter(wchar_t c);
// The system locale is Chinese, Japanese or Korean.
bool IsFarEastLocale();

// The two 8 x 8 pattern brushes of patterned text: checkerboard for normal text, solid for bold.
HBRUSH TextPatternBrush(bool bold);

void TextLayoutInitialize();
void TextLayoutFinalize();
