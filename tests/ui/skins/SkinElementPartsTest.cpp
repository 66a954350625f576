// An element's parts (pictures, borders, offsets, sizes) are held inside it; the canvas and the
// GDI+ brush of a translucent fill are made when first needed. These check that each part still
// tells its element of a change, that a clone's parts are its own, that the brush fills with the
// colour its assignment resolved, and that no brush outlives its element.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

#include "SkinDrawingSupport.h"
#include "ui/core/GdiPlusApi.h"

using namespace skindraw;

namespace {
struct PartChange {
    const char* part;
    std::function<void(TdxSkinElement&)> change;
};

const std::vector<PartChange>& PartChanges() {
    static const std::vector<PartChange> changes = {
        {"image margins", [](TdxSkinElement& e) { e.Image().Margins().SetLeft(3); }},
        {"image states",
         [](TdxSkinElement& e) {
             e.Image().SetStates(MakeStates({esNormal, esHot}));
         }},
        {"glyph stretch", [](TdxSkinElement& e) { e.Glyph().SetStretch(smTile); }},
        {"glyph picture", [](TdxSkinElement& e) { SetStrip(e.Glyph(), 2, 2, {RGB(1, 2, 3)}); }},
        {"content offset", [](TdxSkinElement& e) { e.ContentOffset().SetBottom(4); }},
        {"minimum size", [](TdxSkinElement& e) { e.MinSize().SetWidth(9); }},
        {"left border colour", [](TdxSkinElement& e) { e.Borders().Left().SetColor(TColor(RGB(9, 9, 9))); }},
        {"bottom border width", [](TdxSkinElement& e) { e.Borders().Bottom().SetThin(3); }},
    };
    return changes;
}

// GDI+ solid brushes made and deleted while a TBrushCount lives.
int brushesMade = 0;
int brushesAlive = 0;
decltype(dxGpApi.GdipCreateSolidFill) realCreateFill = nullptr;
decltype(dxGpApi.GdipDeleteBrush) realDeleteBrush = nullptr;

GpStatus WINAPI CountCreateFill(DWORD argb, GpSolidFill** brush) {
    GpStatus status = realCreateFill(argb, brush);
    if (status == GpOk) ++brushesMade, ++brushesAlive;
    return status;
}
GpStatus WINAPI CountDeleteBrush(GpBrush* brush) {
    --brushesAlive;
    return realDeleteBrush(brush);
}

struct TBrushCount {
    TBrushCount() {
        brushesMade = brushesAlive = 0;
        realCreateFill = std::exchange(dxGpApi.GdipCreateSolidFill, CountCreateFill);
        realDeleteBrush = std::exchange(dxGpApi.GdipDeleteBrush, CountDeleteBrush);
    }
    ~TBrushCount() {
        dxGpApi.GdipCreateSolidFill = realCreateFill;
        dxGpApi.GdipDeleteBrush = realDeleteBrush;
    }
};

COLORREF DarkFace(int index) {
    return index == COLOR_BTNFACE ? RGB(0, 0, 255) : GetSysColor(index);
}
COLORREF LightFace(int index) {
    return index == COLOR_BTNFACE ? RGB(0, 255, 0) : GetSysColor(index);
}
} // namespace

TEST(SkinElementParts, EachPartsChangeReachesTheElement) {
    for (const PartChange& change : PartChanges()) {
        SCOPED_TRACE(change.part);
        TdxSkinElement element(nullptr, "Element");
        int changes = 0;
        element.OnChange = [&](TObject* sender) {
            EXPECT_EQ(sender, &element);
            ++changes;
        };
        const uint64_t stamp = element.Stamp;
        change.change(element);
        EXPECT_GT(changes, 0);
        EXPECT_NE(element.Stamp, stamp);
    }
}

TEST(SkinElementParts, AClonesPartsAreItsOwn) {
    for (const PartChange& change : PartChanges()) {
        SCOPED_TRACE(change.part);
        TdxSkinElement element(nullptr, "Element");
        element.SetColor(TColor(RGB(10, 20, 30)));
        std::unique_ptr<TdxSkinElement> clone = element.CloneAs<TdxSkinElement>();
        ASSERT_TRUE(clone->Compare(&element));
        int originalChanges = 0;
        element.OnChange = [&](TObject*) { ++originalChanges; };
        change.change(*clone);
        EXPECT_FALSE(clone->Compare(&element));
        EXPECT_EQ(originalChanges, 0);
        // Assigned back, the original takes the changed part over.
        element.Assign(clone.get());
        EXPECT_TRUE(clone->Compare(&element));
    }
}

// The brush of a translucent fill is made at the first such fill, yet with the system colour as it
// stood when the colour was assigned, as a brush made at the assignment would have it.
TEST(SkinElementParts, TranslucentFillUsesTheColourResolvedWhenAssigned) {
    TSysColorSource saved = SetSysColorSource(DarkFace);
    TdxSkinElement element(nullptr, "Half");
    element.SetColor(clBtnFace);
    element.SetAlpha(128);
    SetSysColorSource(LightFace);
    TPaintSurface surface(20, 20, RGB(255, 0, 0));
    element.Render(surface.DC(), TRect{0, 0, 20, 20}, 0, esNormal);
    SetSysColorSource(saved);
    EXPECT_TRUE(Near(surface.At(10, 10), RGB(127, 0, 128), 2)) << std::hex << surface.At(10, 10);
}

TEST(SkinElementParts, BrushesAreMadeOnlyForTranslucentFillsAndFreedWithTheirElements) {
    TBrushCount count;
    {
        auto skin = std::make_unique<TdxSkin>("Blue", GetModuleHandle(nullptr), true);
        ASSERT_GT(skin->GroupCount(), 0);
        EXPECT_EQ(brushesMade, 0);
        // Every coloured element of a group filled translucent: one brush each, made once.
        TdxSkinControlGroup* group = skin->GetGroupByName("Common");
        ASSERT_NE(group, nullptr);
        int coloured = 0;
        TPaintSurface surface(16, 16);
        for (int i = 0; i < group->ElementCount(); ++i) {
            TdxSkinElement* element = group->ElementAt(i);
            if (!element->IsColorAssigned()) continue;
            ++coloured;
            element->SetAlpha(100);
            EXPECT_NE(element->Brush(), nullptr);
            EXPECT_EQ(element->Brush(), element->Brush());
        }
        EXPECT_GT(coloured, 0);
        EXPECT_EQ(brushesMade, coloured);
        // A later colour goes into the brush there is.
        TdxSkinElement* first = nullptr;
        for (int i = 0; i < group->ElementCount() && !first; ++i)
            if (group->ElementAt(i)->IsColorAssigned()) first = group->ElementAt(i);
        first->SetColor(TColor(RGB(0, 0, 255)));
        first->Image().Clear();
        first->Glyph().Clear();
        first->Render(surface.DC(), TRect{0, 0, 16, 16}, 0, esNormal);
        EXPECT_EQ(brushesMade, coloured);
        EXPECT_TRUE(Near(surface.At(8, 8), RGB(255 - 100, 255 - 100, 255), 3))
            << std::hex << surface.At(8, 8);
    }
    EXPECT_EQ(brushesAlive, 0);
}

TEST(SkinElementParts, AnElementNeverFilledTranslucentHasNoBrushButAColourKeepsOne) {
    TBrushCount count;
    {
        TdxSkinElement element(nullptr, "Plain");
        element.SetColor(TColor(RGB(1, 2, 3)));
        EXPECT_EQ(brushesMade, 0);
        // As before: a colour once assigned leaves a brush, also after clNone.
        element.SetColor(clNone);
        EXPECT_NE(element.Brush(), nullptr);
        EXPECT_EQ(brushesMade, 1);
    }
    {
        TdxSkinElement unassigned(nullptr, "None");
        EXPECT_EQ(unassigned.Brush(), nullptr);
    }
    EXPECT_EQ(brushesAlive, 0);
}
