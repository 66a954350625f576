// Text layout: rows as data for a table of texts and flags, and pixels where drawing decides.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "PaintSurface.h"
#include "ui/core/Geometry.h"
#include "ui/core/TextLayout.h"

namespace {
constexpr COLORREF kBack = RGB(255, 255, 255);

// A fixed-pitch Chinese font without smoothing.
class TTestFont {
public:
    explicit TTestFont(HDC dc, int height = -16, int weight = FW_NORMAL) : dc_(dc) {
        font_ = CreateFontW(height, 0, 0, 0, weight, 0, 0, 0, GB2312_CHARSET, 0, 0, NONANTIALIASED_QUALITY,
                            FIXED_PITCH, L"WenQuanYi Micro Hei Mono");
        old_ = SelectObject(dc, font_);
    }
    ~TTestFont() {
        SelectObject(dc_, old_);
        DeleteObject(font_);
    }
    int Width(const std::wstring& text) const {
        SIZE size{};
        GetTextExtentPoint32W(dc_, text.data(), static_cast<int>(text.size()), &size);
        return size.cx;
    }

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ old_;
};

struct TRowData {
    int start, length;
};

std::vector<TRowData> Split(HDC dc, const std::wstring& text, int flags, const TRect& rect, int maxRows = 0,
                            TcxTextRows* keep = nullptr, bool* complete = nullptr) {
    TcxTextLayoutParams params;
    FillTextLayoutParams(dc, flags, params);
    TcxTextRows local;
    TcxTextRows& rows = keep ? *keep : local;
    int count = 0;
    const bool all =
        SplitTextIntoRows(dc, text.data(), static_cast<int>(text.size()), maxRows, count, rows, params, rect);
    if (complete) *complete = all;
    std::vector<TRowData> result;
    for (int i = 0; i < count; ++i)
        result.push_back({rows.Row(i).Start, rows.Row(i).Length});
    return result;
}

std::string Show(const std::vector<TRowData>& rows) {
    std::string s;
    for (const TRowData& r : rows)
        s += "(" + std::to_string(r.start) + "," + std::to_string(r.length) + ")";
    return s;
}
} // namespace

TEST(TextLayout, BreakRulesAsRows) {
    TPaintSurface s(400, 400);
    TTestFont font(s.DC());
    const int w = font.Width(L"a"), W = font.Width(L"中");
    ASSERT_GT(W, w);
    ASSERT_TRUE(IsFarEastLocale()); // so every layout may break between characters
    struct {
        const char* name;
        std::wstring text;
        int flags, width;
        std::string expected;
    } cases[] = {
        {"ideographs wrap anywhere, the full stop stays with the one before", L"一二三四五六。七八",
         txoWordBreak, 6 * W, "(0,5)(5,4)"},
        {"so does the full-width comma", L"一二三四五六，七八", txoWordBreak, 6 * W, "(0,5)(5,4)"},
        {"mixed text", L"ab一二cd", txoWordBreak, 3 * W, "(0,3)(3,3)"},
        {"an over-wide word is cut between characters", L"abcdefghij", txoWordBreak, 4 * w + 1,
         "(0,4)(4,4)(8,2)"},
        {"CR, LF and CRLF end rows", L"ab\rcd\nef\r\ngh", txoWordBreak, 40 * w, "(0,2)(3,2)(6,2)(10,2)"},
        {"LF then CR is one row end", L"ab\n\rcd", txoWordBreak, 40 * w, "(0,2)(4,2)"},
        {"without wrapping only line ends break", L"aaa bbb ccc\rdd", 0, 5 * w, "(0,11)(12,2)"},
        {"left: one space after the wrap skipped", L"aaa  bbb", txoWordBreak, 5 * w, "(0,4)(5,3)"},
        {"centre: the space before removed, one after skipped", L"aaa  bbb", txoWordBreak | txoAlignCenter,
         5 * w, "(0,3)(5,3)"},
        {"right: only the space before removed", L"aaa  bbb", txoWordBreak | txoAlignRight, 5 * w,
         "(0,3)(4,4)"},
        {"one space skipped without the flag", L"aaa    bbb", txoWordBreak, 5 * w, "(0,5)(6,4)"},
        {"all spaces skipped with it", L"aaa    bbb", txoWordBreak | txoSkipWrapSpaces, 5 * w, "(0,5)(7,3)"},
        {"justify wraps without the word-break flag", L"aa bb cc dd", txoAlignJustify, 6 * w, "(0,5)(6,5)"},
        {"single line: one row", L"aaa bbb\rccc", txoSingleLine | txoWordBreak, 5 * w, "(0,7)"},
        {"measuring breaks only at line ends", L"aaa bbb\rccc", txoWordBreak | txoCalcRect, 5 * w,
         "(0,5)(5,2)(8,3)"},
    };
    for (const auto& c : cases) {
        const auto rows = Split(s.DC(), c.text, c.flags, Rect(0, 0, c.width, 400));
        EXPECT_EQ(Show(rows), c.expected) << c.name;
    }
}

TEST(TextLayout, JustifyAndDistributeCountBreaks) {
    TPaintSurface s(400, 400);
    TTestFont font(s.DC());
    const int w = font.Width(L"a");
    for (int align : {txoAlignJustify, txoAlignDistribute}) {
        TcxTextRows rows;
        Split(s.DC(), L"aa bb cc dd \rx y", align, Rect(0, 0, 6 * w, 400), 0, &rows);
        ASSERT_EQ(rows.Count(), 3);
        EXPECT_EQ(rows.Row(0).SpaceCount, 1) << align;
        EXPECT_EQ(rows.Row(0).Length, 5);
        // A paragraph's last row is stretched only when distributing.
        EXPECT_EQ(rows.Row(1).SpaceCount, align == txoAlignDistribute ? 1 : 0);
        EXPECT_EQ(rows.Row(1).Length, align == txoAlignDistribute ? 5 : 6);
        EXPECT_EQ(rows.Row(2).SpaceCount, align == txoAlignDistribute ? 1 : 0);
    }
}

TEST(TextLayout, RowsStopAtTheHeight) {
    TPaintSurface s(400, 400);
    TTestFont font(s.DC());
    TcxTextLayoutParams params;
    FillTextLayoutParams(s.DC(), 0, params);
    const int rh = params.RowHeight;
    const std::wstring text = L"a\rb\rc\rd\re";
    const TRect r = Rect(0, 0, 100, 2 * rh + rh / 2);
    bool complete = true;
    EXPECT_EQ(Split(s.DC(), text, 0, r, 0, nullptr, &complete).size(), 3u); // the third is partly visible
    EXPECT_FALSE(complete);
    EXPECT_EQ(Split(s.DC(), text, txoEditControl, r).size(), 2u); // only rows that fit completely
    EXPECT_EQ(Split(s.DC(), text, txoEditControl | txoNoClip, r).size(), 3u);
    // Other alignments and measuring stop only at maxRows.
    EXPECT_EQ(Split(s.DC(), text, txoAlignVCenter, r).size(), 5u);
    EXPECT_EQ(Split(s.DC(), text, txoAlignVCenter, r, 2).size(), 2u);
    EXPECT_EQ(Split(s.DC(), text, txoCalcRect, r, 0, nullptr, &complete).size(), 5u);
    EXPECT_TRUE(complete);
    EXPECT_EQ(Split(s.DC(), text, 0, r, 1).size(), 1u);
}

TEST(TextLayout, FortyRowsUseTheOverflow) {
    TPaintSurface s(400, 400);
    TTestFont font(s.DC());
    std::wstring text;
    for (int i = 0; i < 40; ++i)
        text += L"ab\r\n";
    TcxTextRows rows;
    Split(s.DC(), text, txoAlignBottom, Rect(0, 0, 100, 100), 0, &rows);
    ASSERT_EQ(rows.Count(), 40);
    EXPECT_GE(rows.Overflow().size(), 8u);
    EXPECT_EQ(&rows.Row(32), &rows.Overflow()[0]);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(rows.Row(i).Start, 4 * i);
        EXPECT_EQ(rows.Row(i).Length, 2);
        EXPECT_EQ(rows.Row(i).Text, rows.Text.data() + 4 * i);
    }
    EXPECT_EQ(GetMaxTextRowWidth(rows, 100), font.Width(L"ab"));
}

TEST(TextLayout, RowPlacement) {
    TPaintSurface s(400, 400);
    TTestFont font(s.DC());
    TcxTextLayoutParams params;
    FillTextLayoutParams(s.DC(), 0, params);
    const int rh = params.RowHeight, th = params.TextHeight;
    const int w = font.Width(L"a");
    struct {
        const char* name;
        int flags;
        TRect rect;
        int top0, top1, left1;
    } cases[] = {
        {"top left", 0, Rect(10, 20, 110, 120), 20, 20 + rh, 10},
        {"centre", txoAlignVCenter | txoAlignCenter, Rect(10, 20, 110, 120), 20 + (100 - 2 * rh) / 2,
         20 + (100 - 2 * rh) / 2 + rh, 10 + (100 - w) / 2},
        {"bottom right", txoAlignBottom | txoAlignRight, Rect(10, 20, 110, 120), 120 - 2 * rh, 120 - rh,
         110 - w},
        {"spread", txoAlignSpread, Rect(10, 20, 110, 120), 20, 20 + (100 - th), 10},
        {"no higher than the top", txoAlignBottom | txoPreventTopExceed, Rect(10, 20, 110, 21), 20, 20 + rh,
         10},
        {"no further left than the left", txoAlignRight | txoPreventLeftExceed, Rect(10, 20, 11, 120), 20,
         20 + rh, 10},
    };
    for (const auto& c : cases) {
        FillTextLayoutParams(s.DC(), c.flags, params);
        TcxTextRows rows;
        int count = 0;
        const std::wstring text = L"aaa\rb";
        SplitTextIntoRows(s.DC(), text.data(), 5, 0, count, rows, params, Rect(0, 0, 1000, 1000));
        ASSERT_EQ(count, 2);
        PositionTextRows(s.DC(), c.rect, params, count, rows);
        EXPECT_EQ(rows.Row(0).Top, c.top0) << c.name;
        EXPECT_EQ(rows.Row(1).Top, c.top1) << c.name;
        EXPECT_EQ(rows.Row(1).Left, c.left1) << c.name;
    }
}

TEST(TextLayout, IndentsAndParams) {
    TPaintSurface s(100, 100);
    TTestFont font(s.DC());
    TcxTextLayoutParams params;
    FillTextLayoutParams(s.DC(), txoAutoIndents | txoEndEllipsis | txoExternalLeading, params, 1.5);
    EXPECT_EQ(params.OnePixel, 1);
    EXPECT_EQ(params.EllipsisWidth, font.Width(L"..."));
    EXPECT_EQ(params.RowHeight,
              static_cast<int>(std::lround((params.TextHeight + params.ExternalLeading) * 1.5)));
    EXPECT_TRUE(params.CharBreak);
    EXPECT_EQ(params.CharSet, GB2312_CHARSET);
    TRect inner, outer;
    ApplyTextIndents(Rect(0, 0, 50, 40), params, 3, inner, 4);
    EXPECT_TRUE(SameRects(inner, Rect(5, 2, 44, 38)));
    RemoveTextIndents(inner, params, 3, outer, 4);
    EXPECT_TRUE(SameRects(outer, Rect(0, 0, 50, 40)));
    EXPECT_FALSE(IsComplexScriptCharset(GB2312_CHARSET, L"abc", 3));
    EXPECT_TRUE(IsComplexScriptCharset(GB2312_CHARSET, L"中文", 2));
    EXPECT_TRUE(IsComplexScriptCharset(DEFAULT_CHARSET, L"中文", 2)); // code page 936
    EXPECT_FALSE(IsComplexScriptCharset(ANSI_CHARSET, L"中文", 2));
}

// ---------------------------------------------------------------------------------------------
// Pixels.
namespace {
int Draw(TPaintSurface& s, const std::wstring& text, TRect& r, int flags, int hlLength = 0, int hlStart = 0,
         TColor hlText = clDefault, TColor hlBack = clDefault, int maxRows = 0) {
    return DrawFormattedText(s.DC(), text, r, 1.0, static_cast<TColor>(RGB(0, 0, 0)), 0, 0, maxRows, hlText,
                             hlBack, nullptr, hlLength, hlStart, flags);
}
// The rightmost column holding a non-background pixel in rows [top, bottom).
int RightmostInk(const TPaintSurface& s, int top, int bottom) {
    for (int x = s.Width() - 1; x >= 0; --x)
        for (int y = top; y < bottom; ++y)
            if (s.At(x, y) != kBack) return x;
    return -1;
}
} // namespace

TEST(TextLayoutDrawing, JustifiedRowsReachTheRightEdge) {
    TPaintSurface s(300, 200, kBack);
    TTestFont font(s.DC());
    TcxTextLayoutParams params;
    FillTextLayoutParams(s.DC(), 0, params);
    const int rh = params.RowHeight, w = font.Width(L"a");
    TRect r = Rect(0, 0, 20 * w, 200);
    Draw(s, L"aaaa bb cc dddd eee ff ggg hh", r, txoAlignJustify | txoWordBreak);
    const int right = RightmostInk(s, 0, rh);
    EXPECT_GE(right, 20 * w - w); // the first row's last letter ends at the edge
    EXPECT_LT(right, 20 * w);
    EXPECT_LT(RightmostInk(s, rh, 2 * rh), 20 * w - 3 * w); // the paragraph's last row is not stretched
}

TEST(TextLayoutDrawing, HighlightCoversTheCharacters) {
    TPaintSurface s(300, 60, kBack);
    TTestFont font(s.DC());
    const int w = font.Width(L"a");
    TRect r = Rect(0, 0, 300, 60);
    Draw(s, L"abcdefgh", r, 0, 3, 2, static_cast<TColor>(RGB(255, 255, 255)),
         static_cast<TColor>(RGB(0, 0, 255)));
    const RECT blue = s.BoxOf(RGB(0, 0, 255));
    EXPECT_EQ(blue.left, 2 * w);
    EXPECT_EQ(blue.right, 5 * w);
    EXPECT_EQ(blue.top, 0);
    // Outside the highlight the text is black on the background.
    EXPECT_LT(s.BoxOf(RGB(0, 0, 0)).left, 2 * w);
    int lettersInside = 0; // the highlighted letters in the highlight text colour
    for (int y = blue.top; y < blue.bottom; ++y)
        for (int x = blue.left; x < blue.right; ++x)
            lettersInside += s.At(x, y) == RGB(255, 255, 255);
    EXPECT_GT(lettersInside, 5);
    EXPECT_FALSE(s.AllOf(Rect(blue.left, blue.top, blue.right, blue.bottom), RGB(0, 0, 0)));

    // A highlight beyond the text is ignored; one past its end is cut.
    s.Clear(kBack);
    r = Rect(0, 0, 300, 60);
    Draw(s, L"abcdefgh", r, 0, 3, 8, clWhite, static_cast<TColor>(RGB(0, 0, 255)));
    EXPECT_EQ(s.Count(RGB(0, 0, 255)), 0);
    s.Clear(kBack);
    r = Rect(0, 0, 300, 60);
    Draw(s, L"abcdefgh", r, 0, 50, 6, clWhite, static_cast<TColor>(RGB(0, 0, 255)));
    EXPECT_EQ(s.BoxOf(RGB(0, 0, 255)).left, 6 * w);
    EXPECT_EQ(s.BoxOf(RGB(0, 0, 255)).right, 8 * w);
}

// The rule as it stands: GB2312 text that starts with an ideograph counts as complex script, so
// the highlight of a Chinese row is mirrored from the row's right end.
TEST(TextLayoutDrawing, HighlightInAChineseRowIsMirrored) {
    TPaintSurface s(300, 60, kBack);
    TTestFont font(s.DC());
    const int W = font.Width(L"中");
    TRect r = Rect(0, 0, 300, 60);
    Draw(s, L"一二三四五", r, 0, 1, 0, clWhite, static_cast<TColor>(RGB(0, 0, 255)));
    const RECT blue = s.BoxOf(RGB(0, 0, 255));
    EXPECT_EQ(blue.left, 4 * W); // over the fifth character, not the first
    EXPECT_EQ(blue.right, 5 * W);
}

TEST(TextLayoutDrawing, PatternedRowsHoldOnlyThePatternColours) {
    TPaintSurface s(200, 60, kBack);
    TTestFont font(s.DC(), -4);
    TRect r = Rect(0, 0, 200, 60);
    const COLORREF ink = RGB(0, 0, 0), window = ColorToRGB(clWindow) & 0xFFFFFF;
    Draw(s, L"some small text\rand more", r, txoPatternedText);
    int inked = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x) {
            const COLORREF c = s.At(x, y);
            ASSERT_TRUE(c == kBack || c == ink || c == window) << x << "," << y;
            inked += c == ink;
        }
    EXPECT_GT(inked, 10);
    // Checkerboard: neighbours inside a bar differ.
    const RECT box = s.BoxOf(ink);
    EXPECT_NE(s.At(box.left + 2, box.top + 1), s.At(box.left + 3, box.top + 1));
}

TEST(TextLayoutDrawing, NothingPassesTheRightEdgeAfterAnEllipsis) {
    for (int flags : {txoEndEllipsis, txoEndEllipsis | txoWordBreak}) {
        TPaintSurface s(300, 60, kBack);
        TTestFont font(s.DC());
        const int w = font.Width(L"a");
        TRect r = Rect(0, 0, 10 * w + 3, 18);
        Draw(s, L"abcdefghijklmnopqrstuvwxyz abc def", r, flags);
        const int right = RightmostInk(s, 0, 60);
        EXPECT_GT(right, 7 * w) << flags;
        EXPECT_LT(right, 10 * w + 3) << flags;
    }
}

TEST(TextLayoutDrawing, MeasuredRectangleHoldsEverythingDrawn) {
    TPaintSurface s(400, 200, kBack);
    TTestFont font(s.DC());
    const std::wstring text = L"first row\rsecond, longer row 中文。\rthird";
    TRect measured = Rect(10, 10, 300, 10);
    const int height = Draw(s, text, measured, txoCalcRect);
    EXPECT_EQ(s.Count(kBack), 400 * 200); // measuring draws nothing
    EXPECT_EQ(height, measured.bottom - measured.top);
    TRect drawn = measured;
    Draw(s, text, drawn, 0);
    const RECT ink = s.BoxOf(RGB(0, 0, 0));
    EXPECT_GE(ink.left, measured.left);
    EXPECT_LE(ink.right, measured.right);
    EXPECT_GE(ink.top, measured.top);
    EXPECT_LE(ink.bottom, measured.bottom);
    EXPECT_EQ(measured.right - measured.left, font.Width(L"second, longer row 中文。"));
}

TEST(TextLayoutDrawing, ResultsAndTheEightBitEntry) {
    TPaintSurface s(300, 200, kBack);
    TTestFont font(s.DC());
    TcxTextLayoutParams params;
    FillTextLayoutParams(s.DC(), 0, params);
    TRect r = Rect(0, 0, 300, 200);
    EXPECT_EQ(Draw(s, L"", r, 0), 0);
    EXPECT_EQ(Draw(s, L"a\rb\rc", r, txoCalcRowCount), 3);
    EXPECT_EQ(s.Count(kBack), 300 * 200);
    EXPECT_EQ(Draw(s, L"a\rb\rc", r, 0), 2 * params.RowHeight + params.TextHeight);
    EXPECT_EQ(Draw(s, L"&", r, txoHidePrefix), 0);
    s.Clear(kBack);
    r = Rect(0, 0, 300, 200);
    EXPECT_EQ(DrawFormattedTextAnsi(s.DC(), "中文&&x", r, txoHidePrefix | txoCalcRect), params.TextHeight);
    EXPECT_EQ(r.right, font.Width(L"中文&x"));
    TRect unusable = Rect(0, 0, 0, 10);
    EXPECT_EQ(Draw(s, L"abc", unusable, 0), 0);
}
