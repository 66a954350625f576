#include <gtest/gtest.h>

#include "ui/core/LookAndFeel.h"
#include "ui/editors/framework/SolidBrushCache.h"

namespace {
bool IsLiveBrush(HBRUSH brush) {
    return GetObjectType(brush) == OBJ_BRUSH;
}

COLORREF BrushColor(HBRUSH brush) {
    LOGBRUSH info{};
    GetObject(brush, sizeof info, &info);
    return info.lbColor;
}
} // namespace

TEST(SolidBrushCache, SystemColorsAreTheStockBrushesAndNeverEnter) {
    TcxSolidBrushCache cache;
    for (int index : {COLOR_SCROLLBAR, COLOR_BTNFACE, COLOR_WINDOW, 30}) {
        HBRUSH stock = GetSysColorBrush(index);
        EXPECT_EQ(cache.GetBrush(SystemColor(index)), stock) << index;
        EXPECT_EQ(cache.GetBrush(static_cast<TColor>(0xFF000000u + static_cast<uint32_t>(index))), stock)
            << index;
    }
    EXPECT_EQ(cache.Depth(), 0);
    EXPECT_EQ(GetCachedSolidBrush(clBtnFace), GetSysColorBrush(COLOR_BTNFACE));
    // One past the system range is an ordinary colour.
    HBRUSH beyond = cache.GetBrush(static_cast<TColor>(0xFF00001Fu));
    EXPECT_TRUE(IsLiveBrush(beyond));
    EXPECT_EQ(cache.Depth(), 1);
}

TEST(SolidBrushCache, BrushesAreSortedCountedAndTheLeastUsedIsEvicted) {
    TcxSolidBrushCache cache(8);
    const TColor colors[] = {0x80, 0x10, 0x70, 0x20, 0x60, 0x30, 0x50, 0x40};
    for (TColor c : colors)
        cache.GetBrush(c);
    HBRUSH brush30 = cache.GetBrush(0x30);
    EXPECT_EQ(BrushColor(brush30), 0x30u);
    EXPECT_EQ(cache.GetBrush(0x30), brush30);
    ASSERT_EQ(cache.Depth(), 8);
    for (int i = 0; i < cache.Depth(); ++i)
        EXPECT_EQ(cache.Colors(i), 0x10 * (i + 1));
    EXPECT_EQ(cache.UseCounts(2), 2u); // 0x30: two lookups after the first
    EXPECT_EQ(cache.UseCounts(0), 0u); // looked up once: not counted

    // Every colour but 0x50 and 0x70 used again: 0x50 (lowest of the least used) goes first.
    for (TColor c : {0x10, 0x20, 0x40, 0x60, 0x80})
        cache.GetBrush(c);
    struct Step {
        TColor added;
        TColor evicted;
        std::vector<TColor> after;
    } steps[] = {
        {0x55, 0x50, {0x10, 0x20, 0x30, 0x40, 0x55, 0x60, 0x70, 0x80}}, // lowest of the two unused; after it
        {0x05, 0x55, {0x05, 0x10, 0x20, 0x30, 0x40, 0x60, 0x70, 0x80}}, // the new one is unused; before it
        {0x90, 0x05, {0x10, 0x20, 0x30, 0x40, 0x60, 0x70, 0x80, 0x90}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.added);
        HBRUSH victim = nullptr;
        for (int i = 0; i < cache.Depth(); ++i)
            if (cache.Colors(i) == s.evicted) victim = cache.Brushes(i);
        ASSERT_NE(victim, nullptr);
        HBRUSH added = cache.GetBrush(s.added);
        EXPECT_EQ(BrushColor(added), static_cast<COLORREF>(s.added));
        EXPECT_FALSE(IsLiveBrush(victim));
        std::vector<TColor> after;
        for (int i = 0; i < cache.Depth(); ++i)
            after.push_back(cache.Colors(i));
        EXPECT_EQ(after, s.after);
    }
}

TEST(SolidBrushCache, TheGlobalCacheHoldsA128thColourAndEvictsForThe129th) {
    TcxSolidBrushCache* cache = SolidBrushCache();
    ASSERT_NE(cache, nullptr);
    cache->ReleaseAll();
    for (TColor c = 1; c <= 128; ++c)
        EXPECT_EQ(BrushColor(GetCachedSolidBrush(c)), static_cast<COLORREF>(c));
    for (TColor c = 2; c <= 128; ++c)
        GetCachedSolidBrush(c);
    EXPECT_EQ(cache->Depth(), 128);
    HBRUSH first = GetCachedSolidBrush(static_cast<TCanvas*>(nullptr), 1);
    GetCachedSolidBrush(static_cast<TcxCanvas*>(nullptr), 1);
    HBRUSH lowest = cache->Brushes(1); // colour 2: counted once, like the others but colour 1
    GetCachedSolidBrush(0x123456);
    EXPECT_EQ(cache->Depth(), 128);
    EXPECT_FALSE(IsLiveBrush(lowest));
    EXPECT_TRUE(IsLiveBrush(first));
    EXPECT_EQ(cache->Colors(0), 1);
    EXPECT_EQ(cache->Colors(1), 3);
    EXPECT_EQ(cache->Colors(127), 0x123456);
}

TEST(SolidBrushCache, APaletteChangeEmptiesTheCache) {
    TcxSolidBrushCache cache;
    HBRUSH red = cache.GetBrush(0x0000FF);
    cache.GetBrush(0x00FF00);
    ASSERT_NE(SystemPaletteChangedListener(), nullptr);
    SendMessageA(SystemPaletteChangedListener()->Window(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(cache.Depth(), 0);
    EXPECT_FALSE(IsLiveBrush(red));
    EXPECT_EQ(BrushColor(cache.GetBrush(0x0000FF)), 0x0000FFu);
    EXPECT_EQ(cache.Depth(), 1);
}
