// The text editor's layout and painting without an editor: text rectangle and flags, selection
// colours, size measurement, the inner edit's place, and what the view info leaves on a DIB.
#include <gtest/gtest.h>

#include <memory>

#include "tests/ui/core/PaintSurface.h"
#include "tests/ui/editors/StyledTextProperties.h"
#include "ui/core/Geometry.h"
#include "ui/editors/TextEditViewData.h"

namespace {

inline bool SameRect(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != 0;
}
std::string Show(const RECT& r) {
    return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "}";
}

// A text editor laid out without an editor on a white DIB of its own size.
struct TTextEditLayout {
    explicit TTextEditLayout(int width = 120, int height = 24, bool inplace = false)
        : bounds{0, 0, width, height}, surface(width, height), inplaceMode(inplace) {
        style.SetColor(clWhite);
        style.SetTextColor(clBlack);
    }
    TStyledTextProperties properties;
    TcxEditStyle style{nullptr, false};
    std::unique_ptr<TcxCustomEditViewData> made;
    TcxCustomTextEditViewInfo info;
    TRect bounds;
    TPaintSurface surface;
    bool inplaceMode;

    TcxCustomTextEditViewData& Data() {
        if (!made) made = properties.MakeViewData(&style, inplaceMode);
        return dynamic_cast<TcxCustomTextEditViewData&>(*made);
    }
    void Calculate(const AnsiString& text) {
        Data().CalculateLayout(surface.cx, bounds, TPoint{-1, -1}, -1, TShiftState{}, &info, false);
        Data().EditValueToViewInfo(surface.cx, Variant(text), &info);
    }
    void Paint() {
        surface.Clear(RGB(255, 255, 255));
        info.DrawOn(surface.cx);
    }
    int LineHeight() {
        surface.cx.AssignFont(info.Font());
        return surface.cx.MeasureTextHeight("Zg");
    }
    // Bounding box of every pixel that is neither white nor the given colours.
    RECT InkBox(COLORREF a = RGB(255, 255, 255), COLORREF b = RGB(255, 255, 255)) {
        return surface.BoxWhere([&](COLORREF c) { return c != RGB(255, 255, 255) && c != a && c != b; });
    }
};

// --- selection colours -------------------------------------------------------------------------

TEST(TextEditSelectionColors, ReachTheViewInfoWithTheSelection) {
    TTextEditLayout layout;
    layout.Data().SelStart = 1;
    layout.Data().SelLength = 2;
    layout.Data().SelBackgroundColor = static_cast<TColor>(0x00FF00);
    layout.Calculate("abcd");
    EXPECT_EQ(layout.info.SelStart, 1);
    EXPECT_EQ(layout.info.SelLength, 2);
    EXPECT_EQ(layout.info.SelBackgroundColor, static_cast<TColor>(0x00FF00));
    EXPECT_EQ(layout.info.SelTextColor, static_cast<TColor>(0xFF00FF));
}

// --- text rectangle and flags ------------------------------------------------------------------

TEST(TextEditLayout, ListAndNoTextStylesMoveTheTextOfAStandaloneEditor) {
    struct Row {
        const char* name;
        TcxTextEditingStyle editing;
        bool inplace;
        TAlignment horz;
        TcxEditVertAlignment vert;
        TRect extra; // added to the free-text offsets
    } rows[] = {
        {"free text", tesFreeText, false, taLeftJustify, taTopJustify, {0, 0, 0, 0}},
        {"list text", tesListText, false, taLeftJustify, taTopJustify, {0, 0, 0, 0}},
        {"fixed list, top", tesFixedList, false, taLeftJustify, taTopJustify, {1, 1, 0, 0}},
        {"no text, centred", tesNoText, false, taLeftJustify, taVCenter, {1, 0, 0, 0}},
        {"no text, right", tesNoText, false, taRightJustify, taTopJustify, {0, 1, 1, 0}},
        {"fixed list inplace", tesFixedList, true, taLeftJustify, taTopJustify, {0, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        TTextEditLayout free(120, 40, row.inplace), styled(120, 40, row.inplace);
        for (TTextEditLayout* layout : {&free, &styled}) {
            layout->properties.Alignment()->SetHorz(row.horz);
            layout->properties.Alignment()->SetVert(row.vert);
        }
        styled.properties.Editing = row.editing;
        free.Calculate("x");
        styled.Calculate("x");
        const TRect& f = free.info.TextRect;
        const TRect want{f.left + row.extra.left, f.top + row.extra.top, f.right - row.extra.right, f.bottom};
        EXPECT_TRUE(SameRect(styled.info.TextRect, want))
            << row.name << ": " << Show(styled.info.TextRect) << " want " << Show(want);
        EXPECT_EQ(styled.info.EditingStyle, row.editing) << row.name;
        EXPECT_FALSE(styled.info.HasInnerEdit) << row.name;
    }
}

TEST(TextEditLayout, TextRectangleIsOneLineHighAtLeastWithinTheContent) {
    TTextEditLayout tall(120, 40), low(120, 8);
    tall.Calculate("x");
    low.Calculate("x");
    const TRect& content = tall.info.ContentRect;
    EXPECT_EQ(tall.info.TextRect.top, content.top + 1);
    EXPECT_EQ(tall.info.TextRect.bottom, content.bottom - 3); // the offsets of a standalone editor
    // Too low for a line: as high as the content lets it be, never beyond.
    EXPECT_EQ(low.info.TextRect.bottom, low.info.ContentRect.bottom);
    EXPECT_GT(low.info.TextRect.bottom - low.info.TextRect.top, 0);
}

TEST(TextEditLayout, WrappedTextTurnsMultiLineAndStartsAtTheTopWhenItOverflows) {
    const AnsiString longText = "one two three four five six seven eight nine ten";
    struct Row {
        const char* name;
        int height;
        bool wordWrap;
        AnsiString text;
        int set, cleared;
    } rows[] = {
        {"fits one row", 80, true, "one", txoSingleLine | txoAlignVCenter, txoWordBreak},
        {"wraps and fits", 200, true, longText, txoWordBreak | txoEditControl | txoAlignVCenter, txoSingleLine},
        {"wraps and overflows", 24, true, longText, txoWordBreak, txoSingleLine | txoAlignVertMask},
        {"no wrap asked", 200, false, longText, txoSingleLine | txoAlignVCenter, txoWordBreak},
    };
    for (const Row& row : rows) {
        TTextEditLayout layout(60, row.height);
        layout.properties.Alignment()->SetVert(taVCenter);
        layout.Data().WordWrap = row.wordWrap;
        layout.Calculate(row.text);
        EXPECT_EQ(layout.info.DrawTextFlags & row.set, row.set) << row.name;
        EXPECT_EQ(layout.info.DrawTextFlags & row.cleared, 0) << row.name;
    }
}

TEST(TextEditLayout, DisplayTextIsTransformedOrLeftOut) {
    TTextEditLayout layout;
    layout.properties.SetEchoMode(eemPassword);
    layout.Calculate("中a");
    EXPECT_EQ(layout.info.Text, "**");
    layout.properties.SetEchoMode(eemNormal);
    layout.properties.SetCharCase(ecUpperCase);
    layout.Calculate("ab");
    EXPECT_EQ(layout.info.Text, "AB");
    layout.Data().NoDisplayText = true;
    layout.Calculate("ab");
    EXPECT_EQ(layout.info.Text, "");
}

// --- measurement -------------------------------------------------------------------------------

TEST(TextEditMeasure, SingleLineEmptyAndStyledTexts) {
    TTextEditLayout layout;
    TcxCanvas& cx = layout.surface.cx;
    const int line = [&] {
        cx.AssignFont(*layout.style.GetEffectiveFont());
        return cx.MeasureTextHeight("Zg");
    }();
    const int offsets = layout.Data().SumContentOffsets().cy;
    const int width = cx.MeasureTextWidth("Hello 中文");

    TSize size = layout.Data().MeasureContent(cx, Variant(AnsiString("Hello 中文")), -1);
    EXPECT_EQ(size.cx, width);
    EXPECT_EQ(size.cy, line + offsets);

    size = layout.Data().MeasureContent(cx, Variant(AnsiString()), -1);
    EXPECT_EQ(size.cx, 0);
    EXPECT_EQ(size.cy, line + offsets);
    layout.Data().EmptyTextHasNoHeight = true;
    size = layout.Data().MeasureContent(cx, Variant(AnsiString()), -1);
    EXPECT_EQ(size.cy, 0);

    TTextEditLayout noText;
    noText.properties.Editing = tesNoText;
    size = noText.Data().MeasureContent(cx, Variant(AnsiString("Hello 中文")), -1);
    EXPECT_EQ(size.cx, width + 1);
}

TEST(TextEditMeasure, WrappedTextTakesRowsOfTheWidthLimit) {
    TTextEditLayout layout;
    TcxCanvas& cx = layout.surface.cx;
    cx.AssignFont(*layout.style.GetEffectiveFont());
    const int line = cx.MeasureTextHeight("Zg");
    const int offsets = layout.Data().SumContentOffsets().cy;
    const int word = cx.MeasureTextWidth("wwww");
    layout.Data().WordWrap = true;
    const TSize size = layout.Data().MeasureContent(cx, Variant(AnsiString("wwww wwww wwww")), word + 2);
    EXPECT_EQ(size.cy, 3 * line + offsets);
    EXPECT_LE(size.cx, word + 2);
    EXPECT_GE(size.cx, word);
    // A text with its own line breaks is measured row by row even without wrapping.
    TTextEditLayout plain;
    const TSize lines = plain.Data().MeasureContent(cx, Variant(AnsiString("a\r\nwwww wwww")), -1);
    EXPECT_EQ(lines.cy, 2 * line + offsets);
    EXPECT_EQ(lines.cx, cx.MeasureTextWidth("wwww wwww"));
}

// --- the inner edit's place --------------------------------------------------------------------

TEST(TextEditInnerEditRect, FollowsTheVerticalAlignment) {
    const TRect client{2, 2, 102, 42};
    const TRect offsets{1, 1, 1, 3};
    struct Row {
        TcxEditVertAlignment alignment;
        int lineHeight;
        int top;
    } rows[] = {
        {taTopJustify, 16, 3},
        {taVCenter, 16, 3 + (42 - 3 - 3 - 16) / 2},
        {taBottomJustify, 16, 42 - 16 - 3},
        {taVCenter, 15, 3 + (42 - 3 - 3 - 15) / 2}, // odd free space: truncated
        {taBottomJustify, 60, 3},                    // never above the top offset
        {taVCenter, 60, 3},
    };
    for (const Row& row : rows) {
        const TRect rect = CalcInnerTextEditRect(client, offsets, row.lineHeight, row.alignment);
        EXPECT_EQ(rect.left, 3);
        EXPECT_EQ(rect.right, 3 + 100 - 1 - 1 + 1);
        EXPECT_EQ(rect.top, row.top) << row.alignment << " " << row.lineHeight;
        EXPECT_EQ(rect.bottom, row.top + row.lineHeight);
    }
}

// --- painting ----------------------------------------------------------------------------------

TEST(TextEditPaint, TextLandsInTheTextRectangleByItsVerticalAlignment) {
    struct Row {
        TcxEditVertAlignment vert;
    } rows[] = {{taTopJustify}, {taVCenter}, {taBottomJustify}};
    int tops[3] = {};
    int i = 0;
    for (const Row& row : rows) {
        TTextEditLayout layout(120, 60);
        layout.style.SetBorderStyle(ebsNone);
        layout.properties.Alignment()->SetVert(row.vert);
        layout.Calculate("Zg");
        layout.Paint();
        const RECT ink = layout.InkBox();
        ASSERT_FALSE(IsRectEmpty(&ink)) << row.vert;
        const TRect& text = layout.info.TextRect;
        EXPECT_GE(ink.left, text.left) << row.vert;
        EXPECT_GE(ink.top, text.top) << row.vert;
        EXPECT_LE(ink.bottom, text.bottom) << row.vert;
        tops[i++] = ink.top;
    }
    const int line = TTextEditLayout().LineHeight();
    EXPECT_LT(tops[0] + line / 2, tops[1]);
    EXPECT_LT(tops[1] + line / 2, tops[2]);
}

TEST(TextEditPaint, SelectionOfADoubleByteCharacterIsPaintedInItsColours) {
    constexpr COLORREF SelBack = RGB(0, 160, 0);
    TTextEditLayout layout(160, 24);
    layout.style.SetBorderStyle(ebsNone);
    // Bytes 2..3: the second character of "中文ab".
    layout.Data().SelStart = 2;
    layout.Data().SelLength = 2;
    layout.Data().SelBackgroundColor = static_cast<TColor>(SelBack);
    layout.Data().SelTextColor = clWhite;
    layout.Calculate("中文ab");
    layout.Paint();
    const RECT bar = layout.surface.BoxOf(SelBack);
    ASSERT_FALSE(IsRectEmpty(&bar));
    layout.surface.cx.AssignFont(layout.info.Font());
    const int first = layout.surface.cx.MeasureTextWidth("中");
    const int both = layout.surface.cx.MeasureTextWidth("中文");
    // Measured from where the text row starts.
    const int left = layout.info.TextRows().Row(0).Left;
    // Exactly the second character (the layout's extents may round a pixel apart from GDI's).
    EXPECT_NEAR(bar.left, left + first, 1);
    EXPECT_NEAR(bar.right - bar.left, both - first, 1);
    // Nothing selected: no selection colour at all.
    layout.Data().SelLength = 0;
    layout.Calculate("中文ab");
    layout.Paint();
    EXPECT_EQ(layout.surface.Count(SelBack), 0);
}

TEST(TextEditPaint, FixedListCompletionBarFillsTheContentInHighlight) {
    TTextEditLayout layout(120, 24);
    layout.properties.Editing = tesFixedList;
    layout.Calculate("Apple");
    layout.info.DrawSelectionBar = true;
    layout.Paint();
    TRect bar = layout.info.ContentRect;
    InflateRect(&bar, -1, -1);
    const COLORREF highlight = Sys(clHighlight);
    const RECT box = layout.surface.BoxOf(highlight);
    EXPECT_TRUE(SameRect(box, bar)) << Show(box) << " want " << Show(bar);
    // The text is in the highlight text colour on the bar.
    EXPECT_GT(layout.surface.Count(Sys(clHighlightText)), 0);
    const RECT ink = layout.InkBox(highlight, Sys(clHighlightText));
    EXPECT_FALSE(layout.surface.AllOf(bar, highlight));
    (void)ink;
}

TEST(TextEditPaint, FocusedNoTextEditorDrawsAFocusRectangle) {
    auto paint = [](bool focused, bool innerEditShown) {
        auto layout = std::make_unique<TTextEditLayout>(120, 24);
        layout->properties.Editing = tesNoText;
        layout->Data().Focused = focused;
        layout->Calculate("");
        layout->info.HasInnerEdit = innerEditShown;
        layout->Paint();
        return layout;
    };
    // Focused alike (a focused frame may differ): only the rectangle tells them apart. A visible
    // inner edit shows its own caret and gets none.
    auto plain = paint(true, true);
    auto focused = paint(true, false);
    TRect rect = focused->info.ContentRect;
    InflateRect(&rect, -1, -1);
    int changedOnEdge = 0, changedElsewhere = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 120; ++x) {
            if (plain->surface.At(x, y) == focused->surface.At(x, y)) continue;
            const bool edge = (x == rect.left || x == rect.right - 1 || y == rect.top || y == rect.bottom - 1) &&
                              x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
            ++(edge ? changedOnEdge : changedElsewhere);
        }
    EXPECT_GT(changedOnEdge, (rect.right - rect.left) / 2);
    EXPECT_EQ(changedElsewhere, 0);
    // Not focused: no rectangle either.
    auto unfocused = paint(false, false);
    auto unfocusedInner = paint(false, true);
    int changed = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 120; ++x)
            changed += unfocused->surface.At(x, y) != unfocusedInner->surface.At(x, y);
    EXPECT_EQ(changed, 0);
}

TEST(TextEditPaint, VisibleInnerEditLeavesTheTextToIt) {
    TTextEditLayout layout(120, 24);
    layout.style.SetBorderStyle(ebsNone);
    layout.Calculate("Hello");
    layout.info.HasInnerEdit = true;
    layout.Paint();
    const RECT ink = layout.InkBox();
    EXPECT_TRUE(IsRectEmpty(&ink)) << Show(ink);
}

// --- hint and offset ---------------------------------------------------------------------------

TEST(TextEditHint, ACutTextShowsWhole) {
    const AnsiString longText = "a text far too long for so narrow an editor";
    struct Row {
        const char* name;
        int width;
        AnsiString text;
        TPoint p;
        bool shown;
    } rows[] = {
        {"cut, over the text", 40, longText, {10, 8}, true},
        {"cut, outside the text", 40, longText, {10, 60}, false},
        {"fits", 400, "short", {10, 8}, false},
        {"empty", 40, "", {10, 8}, false},
    };
    for (const Row& row : rows) {
        TTextEditLayout layout(row.width, 22);
        layout.Calculate(row.text);
        bool flag = true;
        AnsiString hint;
        TRect rect{};
        EXPECT_EQ(layout.info.GetHintInfo(row.p, flag, hint, rect), row.shown) << row.name;
        if (!row.shown) continue;
        EXPECT_EQ(hint, row.text) << row.name;
        EXPECT_TRUE(SameRect(rect, layout.info.TextRect)) << row.name;
    }
}

TEST(TextEditOffset, MovesTheTextItsRowsAndTheirRectangle) {
    TTextEditLayout layout(120, 24);
    layout.Calculate("Zg");
    layout.info.PrepareTextRows(layout.surface.cx);
    ASSERT_EQ(layout.info.TextRowCount(), 1);
    const TRect text = layout.info.TextRect;
    const TcxTextRow row = layout.info.TextRows().Row(0);
    layout.info.Offset(5, 7);
    EXPECT_TRUE(SameRect(layout.info.TextRect, ShiftRect(text, 5, 7)));
    EXPECT_TRUE(SameRect(layout.info.TextRowsRect(), ShiftRect(text, 5, 7)));
    EXPECT_EQ(layout.info.TextRows().Row(0).Left, row.Left + 5);
    EXPECT_EQ(layout.info.TextRows().Row(0).Top, row.Top + 7);
}

} // namespace
