// The element cache: one rendering per element, state, index and size, by pixels.
#include <gtest/gtest.h>

#include "SkinDrawingSupport.h"

using namespace skindraw;

namespace {
const COLORREF kRed = RGB(220, 20, 20), kGreen = RGB(20, 220, 20), kBlue = RGB(20, 20, 220);

TEST(SkinElementCache, RendersOnceForOneSizeAtAnyPosition) {
    TCountingElement element(nullptr, "Frame");
    element.SetColor(TColor(kRed));
    TdxSkinElementCache cache;
    TPaintSurface surface(60, 40);
    for (TRect r : {TRect{0, 0, 20, 10}, TRect{30, 20, 50, 30}}) {
        cache.CheckCacheState(&element, r, 0, esNormal);
        cache.Draw(surface.DC(), r);
    }
    EXPECT_EQ(element.Draws, 1);
    EXPECT_TRUE(surface.AllOf(RECT{30, 20, 50, 30}, kRed));
    EXPECT_EQ(surface.Count(kRed), 400);

    cache.CheckCacheState(&element, TRect{0, 0, 20, 11}, 0, esNormal); // another size
    cache.CheckCacheState(&element, TRect{0, 0, 20, 11}, 0, esHot);    // another state
    cache.CheckCacheState(&element, TRect{0, 0, 20, 11}, 1, esHot);    // another index
    EXPECT_EQ(element.Draws, 4);
}

TEST(SkinElementCache, ContentChangeRendersAgain) {
    TCountingElement element(nullptr, "Frame");
    element.SetColor(TColor(kRed));
    TdxSkinElementCache cache;
    cache.CheckCacheState(&element, TRect{0, 0, 10, 10}, 0, esNormal);
    element.SetColor(TColor(kBlue));
    cache.CheckCacheState(&element, TRect{0, 0, 10, 10}, 0, esNormal);
    EXPECT_EQ(element.Draws, 2);
    TPaintSurface surface(10, 10);
    cache.Draw(surface.DC(), TRect{0, 0, 10, 10});
    EXPECT_EQ(surface.Count(kBlue), 100);

    element.Borders().Top().SetColor(TColor(kRed));
    cache.CheckCacheState(&element, TRect{0, 0, 10, 10}, 0, esNormal);
    cache.Draw(surface.DC(), TRect{0, 0, 10, 10});
    EXPECT_EQ(surface.Count(kRed), 10);
}

TEST(SkinElementCache, AnotherPackLoadedIntoTheSkinDrawsItsColours) {
    auto makeSkin = [](COLORREF colour) {
        auto skin = std::make_unique<TdxSkin>("Test");
        skin->AddGroup("Form")->AddElement("FormFrame")->SetColor(TColor(colour));
        return skin;
    };
    std::unique_ptr<TdxSkin> skin = makeSkin(kRed), other = makeSkin(kBlue);
    TMemoryStream pack;
    other->SaveToStream(&pack);
    TdxSkinElementCache cache;
    TPaintSurface surface(10, 10);
    cache.CheckCacheState(skin->GetGroupByName("Form")->GetElementByName("FormFrame"), TRect{0, 0, 10, 10});
    cache.Draw(surface.DC(), TRect{0, 0, 10, 10});
    EXPECT_EQ(surface.Count(kRed), 100);

    pack.SetPosition(0);
    skin->LoadFromStream(&pack);
    cache.CheckCacheState(skin->GetGroupByName("Form")->GetElementByName("FormFrame"), TRect{0, 0, 10, 10});
    cache.Draw(surface.DC(), TRect{0, 0, 10, 10});
    EXPECT_EQ(surface.Count(kBlue), 100);
}

TEST(SkinElementCache, AnElementAtAFreedOnesAddressRendersAgain) {
    TdxSkinElementCache cache;
    TPaintSurface surface(10, 10);
    alignas(TdxSkinElement) unsigned char storage[sizeof(TdxSkinElement)];
    auto* first = new (storage) TdxSkinElement(nullptr, "Frame");
    first->SetColor(TColor(kRed));
    cache.CheckCacheState(first, TRect{0, 0, 10, 10});
    first->~TdxSkinElement();
    auto* second = new (storage) TdxSkinElement(nullptr, "Frame");
    second->SetColor(TColor(kBlue));
    ASSERT_EQ(static_cast<void*>(first), static_cast<void*>(second));
    cache.CheckCacheState(second, TRect{0, 0, 10, 10});
    cache.Draw(surface.DC(), TRect{0, 0, 10, 10});
    EXPECT_EQ(surface.Count(kBlue), 100);
    second->~TdxSkinElement();
}

TEST(SkinElementCache, PictureLoadedStraightIntoATextureRendersAgain) {
    // A 4 x 4 picture of one colour, loaded or streamed as its user would.
    auto picture = [](COLORREF colour) {
        auto png = std::make_unique<TdxPNGImage>();
        SetPixels(*png, 4, 4, std::vector<DWORD>(16, Opaque(colour)));
        return png;
    };
    struct Case {
        const char* name;
        bool glyph;
        bool stream;
    };
    for (const Case& c :
         {Case{"image from a bitmap", false, false}, Case{"image from a stream", false, true},
          Case{"glyph from a bitmap", true, false}, Case{"glyph from a stream", true, true}}) {
        SCOPED_TRACE(c.name);
        TdxSkinElement element(nullptr, "Frame");
        element.SetColor(TColor(kBlue));
        TdxSkinImage& image = c.glyph ? element.Glyph() : element.Image();
        SetStrip(image, 4, 4, {kRed});
        TdxSkinElementCache cache;
        const TRect r{0, 0, 8, 8};
        cache.CheckCacheState(&element, r);
        TPaintSurface surface(8, 8);
        cache.Draw(surface.DC(), r);
        ASSERT_EQ(surface.Count(kRed), 64);

        std::unique_ptr<TdxPNGImage> green = picture(kGreen);
        if (c.stream) {
            TMemoryStream png;
            green->SaveToStream(&png);
            png.SetPosition(0);
            image.Texture().LoadFromStream(&png);
        } else {
            std::unique_ptr<TBitmap> bitmap = green->MakeBitmap();
            image.Texture().LoadFromBitmap(*bitmap);
        }
        cache.CheckCacheState(&element, r);
        cache.Draw(surface.DC(), r);
        EXPECT_EQ(surface.Count(kGreen), 64);
        EXPECT_EQ(surface.Count(kRed), 0);
    }
}

TEST(SkinElementCache, OpaqueAndTransparentCachesDrawWhatRenderDraws) {
    struct Case {
        const char* name;
        uint8_t alpha;
        bool transparent;
    };
    for (const Case& c : {Case{"opaque", 255, false}, Case{"transparent", 100, true}}) {
        SCOPED_TRACE(c.name);
        TdxSkinElement element(nullptr, "Frame");
        if (c.transparent) {
            element.SetColor(TColor(kBlue));
            element.SetAlpha(c.alpha);
            element.Borders().Left().SetColor(TColor(kRed));
        } else {
            SetNinePartPicture(element.Image(), 12, 4);
        }
        const TRect r{3, 4, 43, 24};
        TPaintSurface rendered(50, 30, RGB(0, 255, 0)), cached(50, 30, RGB(0, 255, 0));
        element.Render(rendered.DC(), r, 0, esNormal);
        TdxSkinElementCache cache;
        cache.CheckCacheState(&element, r);
        EXPECT_EQ(cache.IsTransparent, c.transparent);
        EXPECT_EQ(cache.CacheOpaque != nullptr, !c.transparent);
        EXPECT_EQ(cache.Cache != nullptr, c.transparent);
        cache.Draw(cached.DC(), r);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 50; ++x)
                ASSERT_TRUE(Near(rendered.At(x, y), cached.At(x, y), 2)) << x << "," << y;
    }
}

TEST(SkinElementCache, EmptyRectangleKeepsNoCache) {
    TdxSkinElement element(nullptr, "Frame");
    element.SetColor(TColor(kRed));
    TdxSkinElementCache cache;
    cache.CheckCacheState(&element, TRect{5, 5, 5, 9});
    EXPECT_FALSE(cache.Cache || cache.CacheOpaque);
    TPaintSurface surface(10, 10);
    cache.Draw(surface.DC(), TRect{0, 0, 10, 10});
    EXPECT_EQ(surface.Count(RGB(255, 255, 255)), 100);
}
} // namespace
