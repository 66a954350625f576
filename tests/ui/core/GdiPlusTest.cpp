#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "PaintSurface.h"
#include "platform/core/Streams.h"
#include "ui/core/GdiPlusClasses.h"

namespace {
// ---------------------------------------------------------------------------------------------
std::string unitLog;
void InitA() {
    unitLog += "iA ";
}
void InitB() {
    unitLog += "iB ";
}
void FinA() {
    unitLog += "fA ";
}
void FinB() {
    unitLog += "fB ";
}
void FinC() {
    unitLog += "fC ";
}

struct LoaderCase {
    const char* name;
    bool deferred;
    void (*steps)(TdxUnitsLoader& loader);
    const char* logBeforeFree;
    const char* logAfterFree;
};

const LoaderCase loaderCases[] = {
    {"init runs at once, ends last first", false,
     [](TdxUnitsLoader& l) {
         l.RegisterUnit(InitA, FinA);
         l.RegisterUnit(InitB, FinB);
     },
     "iA iB ", "iA iB fB fA "},
    {"no init: nothing initialised, no end runs", false,
     [](TdxUnitsLoader& l) { l.RegisterUnit(nullptr, FinA); }, "", ""},
    {"unregister runs once and forgets", false,
     [](TdxUnitsLoader& l) {
         l.RegisterUnit(InitA, FinA);
         l.RegisterUnit(nullptr, FinB);
         l.UnregisterUnit(FinA);
         l.UnregisterUnit(FinA);
         l.UnregisterUnit(FinC);
         l.UnregisterUnit(nullptr);
     },
     "iA fA ", "iA fA fB "},
    {"deferred queues the init", true,
     [](TdxUnitsLoader& l) {
         l.RegisterUnit(InitA, FinA);
         EXPECT_EQ(l.PendingInitializers().size(), 1u);
     },
     "", ""},
    {"nil ends are skipped", false,
     [](TdxUnitsLoader& l) {
         l.RegisterUnit(InitA, nullptr);
         l.RegisterUnit(nullptr, FinC);
     },
     "iA ", "iA fC "},
};
} // namespace

TEST(UnitsLoader, RegistrationTable) {
    for (const LoaderCase& c : loaderCases) {
        SCOPED_TRACE(c.name);
        unitLog.clear();
        {
            TdxUnitsLoader loader(c.deferred);
            c.steps(loader);
            EXPECT_EQ(unitLog, c.logBeforeFree);
        }
        EXPECT_EQ(unitLog, c.logAfterFree);
    }
}

TEST(UnitsLoader, FinalizeAllClearsTheList) {
    unitLog.clear();
    TdxUnitsLoader loader;
    loader.RegisterUnit(InitA, FinA);
    loader.FinalizeAll();
    loader.FinalizeAll();
    EXPECT_EQ(unitLog, "iA fA ");
    EXPECT_FALSE(loader.UnitsInitialized());
}

// ---------------------------------------------------------------------------------------------
namespace {
// The GDI+ binding and the PNG unit started as the program starts them.
class GdiPlus : public testing::Test {
protected:
    static void SetUpTestSuite() {
        GdiPlusApiInitialize();
        GdiPlusClassesInitialize();
    }
    static void TearDownTestSuite() {
        GdiPlusClassesFinalize();
        GdiPlusApiFinalize();
    }
};

constexpr DWORD kOpaqueRed = 0xFFFF0000;
constexpr DWORD kOpaqueBlue = 0xFF0000FF;

// A pf32bit bitmap from top-down pixel values (0xAARRGGBB, pre-multiplied).
std::unique_ptr<TBitmap> BitmapOf(int width, int height, const std::vector<DWORD>& pixels) {
    auto bitmap = std::make_unique<TBitmap>(width, height, pf32bit);
    for (int y = 0; y < height; ++y)
        std::memcpy(bitmap->ScanLine(y), &pixels[static_cast<size_t>(y) * width], width * 4);
    return bitmap;
}

std::vector<DWORD> PixelsOf(TdxPNGImage& png) {
    std::unique_ptr<TBitmap> bitmap = png.MakeBitmap();
    TdxRGBColorsData colors;
    ReadBitmapBitsTopDown(*bitmap, colors);
    std::vector<DWORD> result(colors.size());
    std::memcpy(result.data(), colors.data(), colors.size() * 4);
    return result;
}

void WriteJunk(TStream& stream, int count) {
    std::vector<BYTE> junk(count, 0x42); // 'B' on purpose
    if (count > 1) junk[1] = 'M';
    stream.WriteBuffer(junk.data(), count);
}
} // namespace

TEST_F(GdiPlus, WineBindsEveryNameAndRegistersPng) {
    ASSERT_TRUE(IsGdiPlusAvailable());
    EXPECT_EQ(CurrentGPImageClass(), TdxGPImage::StaticClass());
    EXPECT_EQ(TPicture::GraphicClassOf("png"), TdxPNGImage::StaticClass());
    EXPECT_EQ(TPicture::FileFormatDescription(".PNG"), "PNG graphics from Korvanta");
    EXPECT_EQ(GetClass("TdxPNGImage"), TdxPNGImage::StaticClass());
    EXPECT_NE(PngEncoderClsid().Data1, 0u);
    CLSID none{};
    EXPECT_EQ(FindImageEncoderClsid("image/none", none), 1);
    CLSID upper{};
    EXPECT_EQ(FindImageEncoderClsid("IMAGE/PNG", upper), 0);
    EXPECT_TRUE(IsEqualCLSID(upper, PngEncoderClsid()));
    EXPECT_THROW(CheckGdiPlusStatus(2), EAssertionFailed);
    try {
        CheckGdiPlusStatus(7);
    } catch (const EAssertionFailed& e) {
        EXPECT_NE(std::string(e.Message().c_str()).find("Invalid operation in GDI+"), std::string::npos);
        EXPECT_EQ(e.LineNumber(), 1003);
    }
}

namespace {
int gdipAllocCalls = 0;
void*(WINAPI* realGdipAlloc)(size_t) = nullptr;
void* WINAPI CountingGdipAlloc(size_t size) {
    ++gdipAllocCalls;
    return realGdipAlloc(size);
}
} // namespace

TEST_F(GdiPlus, ImagesComeFromGdiPlusMemoryNullImagesFromTheHeap) {
    ASSERT_TRUE(IsGdiPlusAvailable());
    realGdipAlloc = dxGpApi.GdipAlloc;
    dxGpApi.GdipAlloc = CountingGdipAlloc;
    gdipAllocCalls = 0;
    {
        auto image = TdxGPImage::CreateFromBits(TdxGPImage::StaticClass(), 2, 2, nullptr, false);
        EXPECT_EQ(gdipAllocCalls, 1);
        EXPECT_EQ(image->Width(), 2);
        auto null = TdxGPImage::CreateFromBits(TdxGPNullImage::StaticClass(), 2, 2, nullptr, false);
        EXPECT_EQ(gdipAllocCalls, 1);
        EXPECT_EQ(null->Handle(), nullptr);
        EXPECT_EQ((*null->Bits())[3].rgbReserved, 255);
    }
    dxGpApi.GdipAlloc = realGdipAlloc;
}

TEST_F(GdiPlus, MissingNameLeavesGdiPlusOffAndPicturesNull) {
    auto red = BitmapOf(1, 1, {kOpaqueRed});
    TMemoryStream png;
    {
        TdxPNGImage source;
        source.LoadFromBitmap(*red);
        source.SaveToStream(&png);
    }
    for (const char* missing : {"GdipAlloc", "GdipDrawImageRectRect", "GdipCloneBitmapAreaI"}) {
        SCOPED_TRACE(missing);
        GdiPlusClassesFinalize();
        UnloadGdiPlus();
        SetGdiPlusMissingNameForTest(missing);
        GdiPlusClassesInitialize();
        EXPECT_FALSE(GdiPlusActive());
        EXPECT_EQ(CurrentGPImageClass(), TdxGPNullImage::StaticClass());
        EXPECT_EQ(TPicture::GraphicClassOf("PNG"), nullptr);

        TdxPNGImage picture;
        png.SetPosition(0);
        picture.LoadFromStream(&png);
        ASSERT_NE(picture.Image(), nullptr);
        EXPECT_EQ(picture.Image()->ClassType(), TdxGPNullImage::StaticClass());
        EXPECT_TRUE(picture.Empty());
    }
    SetGdiPlusMissingNameForTest(nullptr);
    GdiPlusClassesFinalize();
    GdiPlusClassesInitialize();
    EXPECT_TRUE(GdiPlusActive());
    EXPECT_EQ(CurrentGPImageClass(), TdxGPImage::StaticClass());
}

TEST_F(GdiPlus, TransparentAndOpaquePixelsRoundTripThroughPngBehindOtherData) {
    ASSERT_TRUE(IsGdiPlusAvailable());
    auto bitmap = BitmapOf(3, 2, {kOpaqueRed, 0, kOpaqueBlue, 0, 0xFF00FF00, 0xFFFFFFFF});
    TdxPNGImage source;
    source.LoadFromBitmap(*bitmap);
    EXPECT_EQ(source.Width(), 3);
    EXPECT_EQ(source.Height(), 2);
    EXPECT_TRUE(source.UsesAlpha());

    TMemoryStream stream;
    WriteJunk(stream, 100);
    source.SaveToStream(&stream);
    const BYTE* bytes = static_cast<const BYTE*>(stream.Memory());
    EXPECT_EQ(std::memcmp(bytes + 100, "\x89PNG", 4), 0);

    stream.SetPosition(100);
    TdxPNGImage copy;
    copy.LoadFromStream(&stream);
    EXPECT_TRUE(copy.SamePixels(source));
    EXPECT_EQ(PixelsOf(copy), (std::vector<DWORD>{kOpaqueRed, 0, kOpaqueBlue, 0, 0xFF00FF00, 0xFFFFFFFF}));

    TdxPNGImage other;
    other.LoadFromBitmap(*BitmapOf(3, 2, {kOpaqueRed, 0, kOpaqueBlue, 0, 0xFF00FF00, 0xFFFFFFFE}));
    EXPECT_FALSE(copy.SamePixels(other));
    TdxPNGImage empty1, empty2, small;
    small.LoadFromBitmap(*BitmapOf(1, 1, {kOpaqueRed}));
    EXPECT_TRUE(empty1.SamePixels(empty2));
    EXPECT_FALSE(copy.SamePixels(small));
}

TEST_F(GdiPlus, BitmapStreamsGoThroughThePlatformLoaderAndStayOpaque) {
    ASSERT_TRUE(IsGdiPlusAvailable());
    TBitmap rgb(4, 3, pf24bit);
    rgb.Canvas().Brush().SetColor(clRed);
    rgb.Canvas().FillRect(Rect(0, 0, 4, 3));
    rgb.Canvas().SetPixel(3, 2, clBlue);
    TMemoryStream stream;
    WriteJunk(stream, 7);
    rgb.SaveToStream(&stream);
    stream.SetPosition(7);

    TdxPNGImage picture;
    picture.LoadFromStream(&stream);
    ASSERT_EQ(picture.Width(), 4);
    ASSERT_EQ(picture.Height(), 3);
    EXPECT_TRUE(picture.Image()->Bits()); // built from pixels, not decoded by GDI+
    EXPECT_FALSE(picture.UsesAlpha());
    std::vector<DWORD> pixels = PixelsOf(picture);
    EXPECT_EQ(pixels[0], kOpaqueRed);
    EXPECT_EQ(pixels[11], kOpaqueBlue);
}

TEST_F(GdiPlus, ShortRemaindersGiveEmptyImagesWithoutMovingTheStream) {
    ASSERT_TRUE(IsGdiPlusAvailable());
    // Behind 20 bytes of other data only 10 remain: nothing may be read from before the position.
    TMemoryStream stream;
    WriteJunk(stream, 30);
    for (int64_t position : {17, 20, 29}) {
        SCOPED_TRACE(position);
        stream.SetPosition(position);
        auto image = TdxGPImage::CreateFromStream(CurrentGPImageClass(), &stream);
        EXPECT_EQ(image->Handle(), nullptr);
        EXPECT_FALSE(image->Bits());
        EXPECT_EQ(stream.Position(), position);
    }
    TMemoryStream empty;
    TdxPNGImage picture;
    picture.LoadFromStream(&empty);
    EXPECT_EQ(picture.Image(), nullptr);
    EXPECT_TRUE(picture.Empty());

    // A damaged "BM" file is the platform loader's error.
    stream.SetPosition(0);
    EXPECT_THROW(picture.LoadFromStream(&stream), EInvalidGraphic);
}

namespace {
struct DrawCall {
    float dst[4];
    float src[4];
    int unit;
};
std::vector<DrawCall> drawCalls;
GpStatus WINAPI RecordDraw(GpGraphics*, GpImage*, REAL dx, REAL dy, REAL dw, REAL dh, REAL sx, REAL sy,
                           REAL sw, REAL sh, INT unit, const void*, void*, void*) {
    drawCalls.push_back({{dx, dy, dw, dh}, {sx, sy, sw, sh}, unit});
    return GpOk;
}
} // namespace

TEST_F(GdiPlus, StretchedPartsTakeOneSourcePixelLess) {
    ASSERT_TRUE(IsGdiPlusAvailable());
    TdxPNGImage one, sixteen;
    one.LoadFromBitmap(*BitmapOf(1, 1, {kOpaqueRed}));
    sixteen.LoadFromBitmap(*BitmapOf(16, 16, std::vector<DWORD>(256, kOpaqueBlue)));
    struct Case {
        TdxPNGImage* picture;
        TRect dest;
        TRect src;
        bool drawn;
        float srcW, srcH;
    } cases[] = {
        {&one, Rect(0, 0, 10, 10), Rect(0, 0, 1, 1), true, 1, 1},
        {&sixteen, Rect(5, 6, 37, 38), Rect(0, 0, 16, 16), true, 15, 15},
        {&sixteen, Rect(0, 0, 16, 16), Rect(0, 0, 16, 16), true, 16, 16},
        {&sixteen, Rect(0, 0, 8, 8), Rect(0, 0, 16, 16), true, 16, 16},
        {&sixteen, Rect(0, 0, 32, 8), Rect(2, 3, 18, 19), true, 15, 16},
        {&sixteen, Rect(0, 0, 0, 10), Rect(0, 0, 16, 16), false, 0, 0},
        {&sixteen, Rect(0, 0, 10, 10), Rect(4, 4, 4, 8), false, 0, 0},
    };
    auto real = dxGpApi.GdipDrawImageRectRect;
    dxGpApi.GdipDrawImageRectRect = RecordDraw;
    TPaintSurface surface(40, 40);
    for (const Case& c : cases) {
        drawCalls.clear();
        c.picture->PaintPartOnDC(surface.DC(), c.dest, c.src);
        ASSERT_EQ(drawCalls.size(), c.drawn ? 1u : 0u);
        if (!c.drawn) continue;
        const DrawCall& call = drawCalls[0];
        EXPECT_EQ(call.dst[0], c.dest.left);
        EXPECT_EQ(call.dst[1], c.dest.top);
        EXPECT_EQ(call.dst[2], c.dest.right - c.dest.left);
        EXPECT_EQ(call.dst[3], c.dest.bottom - c.dest.top);
        EXPECT_EQ(call.src[0], c.src.left);
        EXPECT_EQ(call.src[1], c.src.top);
        EXPECT_EQ(call.src[2], c.srcW);
        EXPECT_EQ(call.src[3], c.srcH);
        EXPECT_EQ(call.unit, UnitPixel);
    }
    dxGpApi.GdipDrawImageRectRect = real;
}

TEST_F(GdiPlus, DrawingBlendsPerPixelAlpha) {
    ASSERT_TRUE(IsGdiPlusAvailable());
    TdxPNGImage picture;
    picture.LoadFromBitmap(*BitmapOf(2, 2, {kOpaqueRed, 0, 0, kOpaqueBlue}));
    TPaintSurface surface(10, 10, RGB(255, 255, 255));
    surface.canvas.Draw(3, 4, picture);
    EXPECT_EQ(surface.At(3, 4), RGB(255, 0, 0));
    EXPECT_EQ(surface.At(4, 4), RGB(255, 255, 255));
    EXPECT_EQ(surface.At(3, 5), RGB(255, 255, 255));
    EXPECT_EQ(surface.At(4, 5), RGB(0, 0, 255));
    EXPECT_EQ(surface.At(5, 5), RGB(255, 255, 255));
}

TEST_F(GdiPlus, AssignBetweenPicturesAndBitmaps) {
    ASSERT_TRUE(IsGdiPlusAvailable());
    TdxPNGImage picture;
    picture.Assign(BitmapOf(2, 1, {kOpaqueRed, 0}).get());
    int changes = 0;
    TdxPNGImage copy;
    copy.OnChange = [&](TObject*) { ++changes; };
    copy.Assign(&picture);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(copy.SamePixels(picture));
    EXPECT_TRUE(copy.UsesAlpha());

    TBitmap target;
    target.Assign(&copy);
    EXPECT_EQ(target.Width(), 2);
    EXPECT_EQ(target.PixelFormat(), pf32bit);

    TdxPNGImage empty;
    copy.Assign(&empty);
    EXPECT_EQ(copy.Image(), nullptr);
    EXPECT_EQ(changes, 2);

    TFont font;
    EXPECT_THROW(copy.Assign(&font), EConvertError);
}

TEST_F(GdiPlus, ALibraryMustFinalizeGdiPlusBeforeItIsFreed) {
    GdiPlusClassesFinalize();
    GdiPlusApiFinalize();
    UnloadGdiPlus();

    SetUnitsLoaderDeferredForTest(true);
    GdiPlusApiInitialize();
    GdiPlusClassesInitialize();
    EXPECT_EQ(GetUnitsLoader()->PendingInitializers().size(), 2u); // queued, not run
    EXPECT_EQ(CurrentGPImageClass(), TdxGPNullImage::StaticClass());
    ASSERT_TRUE(IsGdiPlusAvailable());
    GdiPlusClassesFinalize(); // its end was registered: it runs once
    try {
        GdiPlusApiFinalize();
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Need call dxFinalizeGDIPlus before free library!");
    }
    UnloadGdiPlus();

    SetUnitsLoaderDeferredForTest(false);
    GdiPlusApiInitialize();
    GdiPlusClassesInitialize();
    EXPECT_EQ(CurrentGPImageClass(), TdxGPImage::StaticClass());
}
