// The packs read at start keep their pictures' PNG bytes: a picture decodes on its first use and
// draws as one decoded at once, a damaged picture fails when its pack is read, and skins freed
// undrawn leave no GDI+ image behind.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "../core/PaintSurface.h"
#include "SkinPaintersSupport.h"
#include "ui/core/GdiPlusApi.h"
#include "ui/core/GdiPlusClasses.h"
#include "ui/skins/SkinModel.h"

namespace {
// GDI+ images made and disposed while a TImageCount lives: every road by which ours are made.
int imagesAlive = 0;
int decodes = 0;
decltype(dxGpApi.GdipCreateBitmapFromStream) realFromStream = nullptr;
decltype(dxGpApi.GdipCreateBitmapFromScan0) realFromScan0 = nullptr;
decltype(dxGpApi.GdipCloneImage) realClone = nullptr;
decltype(dxGpApi.GdipDisposeImage) realDispose = nullptr;

GpStatus Made(GpStatus status) {
    if (status == GpOk) ++imagesAlive;
    return status;
}
GpStatus WINAPI CountFromStream(IStream* stream, GpImage** image) {
    ++decodes;
    return Made(realFromStream(stream, image));
}
GpStatus WINAPI CountFromScan0(INT width, INT height, INT stride, INT format, BYTE* scan0, GpImage** image) {
    return Made(realFromScan0(width, height, stride, format, scan0, image));
}
GpStatus WINAPI CountClone(GpImage* image, GpImage** clone) {
    return Made(realClone(image, clone));
}
GpStatus WINAPI CountDispose(GpImage* image) {
    --imagesAlive;
    return realDispose(image);
}

struct TImageCount {
    TImageCount() {
        imagesAlive = decodes = 0;
        realFromStream = std::exchange(dxGpApi.GdipCreateBitmapFromStream, CountFromStream);
        realFromScan0 = std::exchange(dxGpApi.GdipCreateBitmapFromScan0, CountFromScan0);
        realClone = std::exchange(dxGpApi.GdipCloneImage, CountClone);
        realDispose = std::exchange(dxGpApi.GdipDisposeImage, CountDispose);
    }
    ~TImageCount() {
        dxGpApi.GdipCreateBitmapFromStream = realFromStream;
        dxGpApi.GdipCreateBitmapFromScan0 = realFromScan0;
        dxGpApi.GdipCloneImage = realClone;
        dxGpApi.GdipDisposeImage = realDispose;
    }
};

// Renders every element of the group with a picture, one under another, into a fresh surface.
std::vector<COLORREF> RenderGroup(TdxSkin& skin, const char* groupName, int& rendered) {
    TdxSkinControlGroup* group = skin.GetGroupByName(groupName);
    EXPECT_NE(group, nullptr);
    if (!group) return {};
    const int width = 37, height = 23;
    TPaintSurface surface(width, height * group->ElementCount(), RGB(30, 160, 90));
    rendered = 0;
    for (int i = 0; i < group->ElementCount(); ++i) {
        TdxSkinElement* element = group->ElementAt(i);
        if (element->Image().IsEmpty() && element->Glyph().IsEmpty()) continue;
        element->Render(surface.canvas.Handle(), Rect(0, i * height, width, (i + 1) * height), 0, esNormal);
        ++rendered;
    }
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height * group->ElementCount(); ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(surface.At(x, y));
    return pixels;
}

// The pictured elements of a few groups of a and b draw the same pixels.
void ExpectSameDrawing(TdxSkin& a, TdxSkin& b) {
    for (const char* group : {"Common", "Editors", "Form"}) {
        SCOPED_TRACE(group);
        int renderedA = 0, renderedB = 0;
        std::vector<COLORREF> pixelsA = RenderGroup(a, group, renderedA);
        std::vector<COLORREF> pixelsB = RenderGroup(b, group, renderedB);
        EXPECT_GT(renderedA, 0);
        EXPECT_EQ(renderedA, renderedB);
        EXPECT_TRUE(pixelsA == pixelsB);
    }
}

bool AnyUndecoded(TdxSkin& skin) {
    for (int g = 0; g < skin.GroupCount(); ++g)
        for (int e = 0; e < skin.GroupAt(g)->ElementCount(); ++e) {
            TdxSkinElement* element = skin.GroupAt(g)->ElementAt(e);
            if (element->Image().Texture().Undecoded() || element->Glyph().Texture().Undecoded()) return true;
        }
    return false;
}
} // namespace

TEST(SkinLateDecode, StartingTheUnitsDecodesNothingAndFreeingThemLeavesNoImage) {
    const std::vector<UnitEntry> units = SkinPainterUnits(63);
    StopSkinUnits(units);
    {
        TImageCount count;
        StartSkinUnits(units);
        EXPECT_EQ(decodes, 0);
        ASSERT_NE(UserSkinInfo(), nullptr);
        EXPECT_TRUE(AnyUndecoded(*UserSkinInfo()->Skin));
        StopSkinUnits(units);
        EXPECT_EQ(imagesAlive, 0);

        // With some pictures drawn, and so decoded, the same holds.
        StartSkinUnits(units);
        TdxSkin& blue =
            *dynamic_cast<const TdxSkinLookAndFeelPainter*>(BuiltInSkin(1).Painter)->GetSkinInfo()->Skin;
        ASSERT_EQ(blue.Name, "Blue");
        int rendered = 0;
        RenderGroup(blue, "Common", rendered);
        EXPECT_GT(rendered, 0);
        EXPECT_GT(decodes, 0);
        EXPECT_GT(imagesAlive, 0);
        StopSkinUnits(units);
        EXPECT_EQ(imagesAlive, 0);
    }
    StartSkinUnits(units);
}

TEST(SkinLateDecode, PicturesDecodedOnFirstUseDrawAsPicturesDecodedAtOnce) {
    const HMODULE module = GetModuleHandle(nullptr);
    for (const char* name : {"Blue", "Office2007Black"}) {
        SCOPED_TRACE(name);
        TdxSkin late(name, module, true), early(name, module, true);
        ASSERT_TRUE(AnyUndecoded(late));
        for (int g = 0; g < early.GroupCount(); ++g)
            for (int e = 0; e < early.GroupAt(g)->ElementCount(); ++e) {
                TdxSkinElement* element = early.GroupAt(g)->ElementAt(e);
                element->Image().Texture().Image();
                element->Glyph().Texture().Image();
            }
        ASSERT_FALSE(AnyUndecoded(early));
        ExpectSameDrawing(late, early);
    }
}

// A damaged picture of a built-in pack fails as the pack is read, with what is wrong, rather than
// when it is first drawn; neither a fresh skin nor the user skin takes any of the pack.
TEST(SkinLateDecode, ADamagedBuiltInPictureFailsWhenItsPackIsRead) {
    std::string bytes = PackBytes("Blue");
    const size_t idat = bytes.find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    bytes[idat + 8] ^= 0x20;
    const char* expected = "PNG image is not valid: the CRC of chunk IDAT";

    TdxSkin fresh("Blue");
    TStringStream stream(bytes);
    try {
        fresh.LoadFromStream(&stream);
        ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), expected);
    }
    EXPECT_EQ(fresh.GroupCount(), 0);

    ASSERT_NE(UserSkinInfo(), nullptr);
    TdxSkin& user = *UserSkinInfo()->Skin;
    const std::string before = SkinBytes(user);
    TSkinNotificationCounter notifications(&user);
    TStringStream file(Container({Entry(bytes)}));
    try {
        LoadUserSkinFromStream(&file, "Blue");
        ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), expected);
    }
    EXPECT_EQ(notifications.Count, 0);
    EXPECT_TRUE(SkinBytes(user) == before);
}

// A pack read from its resource keeps its pictures in the resource's memory; a pack read from a
// stream keeps copies. Both draw alike, and the same bytes save alike.
TEST(SkinLateDecode, APackReadFromItsResourceDrawsAsItsBytesReadFromAStream) {
    for (const char* name : {"Blue", "DefaultUserSkinData"}) {
        SCOPED_TRACE(name);
        TdxSkin resident(name, GetModuleHandle(nullptr), true), copied(name);
        TStringStream stream(PackBytes(name));
        copied.LoadFromStream(&stream);
        ASSERT_TRUE(AnyUndecoded(resident));
        ASSERT_TRUE(AnyUndecoded(copied));
        ExpectSameDrawing(resident, copied);
        EXPECT_TRUE(SkinBytes(resident) == SkinBytes(copied));
    }
}
