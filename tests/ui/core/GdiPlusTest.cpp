#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <functional>
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

// ---------------------------------------------------------------------------------------------
// PNG bytes read from a stream are checked at once and decoded on first use.
namespace {
struct PngChunk {
    std::string type, data;
};

uint32_t TestCrc(const std::string& bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return c ^ 0xFFFFFFFFu;
}

void PutBig32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((v >> shift) & 0xFF);
}

std::vector<PngChunk> ChunksOf(const std::string& png) {
    std::vector<PngChunk> chunks;
    for (size_t at = 8; at + 12 <= png.size();) {
        auto* p = reinterpret_cast<const unsigned char*>(png.data() + at);
        size_t length = size_t{p[0]} << 24 | size_t{p[1]} << 16 | size_t{p[2]} << 8 | p[3];
        chunks.push_back({png.substr(at + 4, 4), png.substr(at + 8, length)});
        at += length + 12;
    }
    return chunks;
}

// The chunks with correct lengths and CRCs behind the signature.
std::string PngOf(const std::vector<PngChunk>& chunks) {
    std::string png("\x89PNG\r\n\x1A\n", 8);
    for (const PngChunk& chunk : chunks) {
        PutBig32(png, static_cast<uint32_t>(chunk.data.size()));
        png += chunk.type + chunk.data;
        PutBig32(png, TestCrc(chunk.type + chunk.data));
    }
    return png;
}

// A 5 x 4 picture with opaque, half-transparent and clear pixels, as PNG bytes.
std::string SamplePng() {
    std::vector<DWORD> pixels;
    for (int i = 0; i < 20; ++i)
        pixels.push_back(i % 3 == 0 ? 0xFF000000u | (i * 12) << 16 | 0x80 : i % 3 == 1 ? 0x80400000u : 0);
    TdxPNGImage source;
    source.LoadFromBitmap(*BitmapOf(5, 4, pixels));
    TMemoryStream stream;
    source.SaveToStream(&stream);
    return std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

void LoadBytes(TdxPNGImage& picture, const std::string& bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
    stream.SetPosition(0);
    picture.LoadFromStream(&stream);
}

int decodes = 0;
GpStatus(WINAPI* realDecode)(IStream*, GpImage**) = nullptr;
GpStatus WINAPI CountingDecode(IStream* stream, GpImage** image) {
    ++decodes;
    return realDecode(stream, image);
}

// Counts GDI+ decodes while alive.
struct TDecodeCount {
    TDecodeCount() {
        decodes = 0;
        realDecode = dxGpApi.GdipCreateBitmapFromStream;
        dxGpApi.GdipCreateBitmapFromStream = CountingDecode;
    }
    ~TDecodeCount() { dxGpApi.GdipCreateBitmapFromStream = realDecode; }
};

std::vector<DWORD> SurfacePixels(TPaintSurface& surface, int width, int height) {
    std::vector<DWORD> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(surface.At(x, y));
    return pixels;
}
} // namespace

TEST_F(GdiPlus, APictureDecodedOnFirstUseDrawsAsOneDecodedAtOnce) {
    ASSERT_TRUE(IsGdiPlusAvailable());
    const std::string png = SamplePng();
    struct Case {
        const char* name;
        TRect dest, src;
        bool graphics; // through a caller's GDI+ surface rather than a device context
    } cases[] = {
        {"at its size", Rect(1, 2, 6, 6), Rect(0, 0, 5, 4), false},
        {"stretched", Rect(0, 0, 23, 17), Rect(0, 0, 5, 4), false},
        {"a part shrunk", Rect(3, 3, 5, 4), Rect(1, 1, 5, 3), false},
        {"a part stretched on a caller's surface", Rect(2, 1, 20, 12), Rect(2, 0, 5, 4), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TdxPNGImage early, late;
        LoadBytes(early, png);
        ASSERT_NE(early.Image(), nullptr); // decoded right after the read
        LoadBytes(late, png);
        ASSERT_TRUE(late.Undecoded());
        TPaintSurface a(24, 18, RGB(20, 200, 60)), b(24, 18, RGB(20, 200, 60));
        for (auto [picture, surface] : {std::pair{&early, &a}, std::pair{&late, &b}}) {
            if (c.graphics) {
                GpGraphics* graphics = nullptr;
                ASSERT_EQ(dxGpApi.GdipCreateFromHDC(surface->canvas.Handle(), &graphics), GpOk);
                picture->DrawToGraphics(graphics, c.dest, c.src);
                dxGpApi.GdipDeleteGraphics(graphics);
            } else {
                picture->PaintPartOnDC(surface->canvas.Handle(), c.dest, c.src);
            }
        }
        EXPECT_FALSE(late.Undecoded());
        EXPECT_EQ(SurfacePixels(a, 24, 18), SurfacePixels(b, 24, 18));
        EXPECT_NE(a.Count(RGB(20, 200, 60)), 24 * 18); // something was drawn
    }
}

TEST_F(GdiPlus, FirstUseDecodesOnceAndTheSizeNeedsNoDecode) {
    ASSERT_TRUE(IsGdiPlusAvailable());
    const std::string png = SamplePng();
    TdxPNGImage reference;
    LoadBytes(reference, png);
    const std::vector<DWORD> pixels = PixelsOf(reference);
    TMemoryStream saved;
    reference.SaveToStream(&saved);

    struct Use {
        const char* name;
        std::function<void(TdxPNGImage&)> use;
    } uses[] = {
        {"Draw",
         [](TdxPNGImage& p) {
             TPaintSurface surface(8, 8);
             p.Draw(surface.canvas, Rect(0, 0, 5, 4));
         }},
        {"Assign to another picture",
         [&](TdxPNGImage& p) {
             TdxPNGImage copy;
             copy.Assign(&p);
             EXPECT_EQ(PixelsOf(copy), pixels);
         }},
        {"SaveToStream",
         [&](TdxPNGImage& p) {
             TMemoryStream stream;
             p.SaveToStream(&stream);
             EXPECT_EQ(stream.Size(), saved.Size());
             EXPECT_EQ(std::memcmp(stream.Memory(), saved.Memory(), static_cast<size_t>(saved.Size())), 0);
         }},
        {"MakeBitmap", [&](TdxPNGImage& p) { EXPECT_EQ(PixelsOf(p), pixels); }},
        {"UsesAlpha", [](TdxPNGImage& p) { EXPECT_TRUE(p.UsesAlpha()); }},
        {"SamePixels", [&](TdxPNGImage& p) { EXPECT_TRUE(p.SamePixels(reference)); }},
    };
    for (const Use& u : uses) {
        SCOPED_TRACE(u.name);
        TdxPNGImage picture;
        int changes = 0;
        picture.OnChange = [&](TObject*) { ++changes; };
        TDecodeCount count;
        LoadBytes(picture, png);
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(picture.Width(), 5);
        EXPECT_EQ(picture.Height(), 4);
        EXPECT_FALSE(picture.Empty());
        EXPECT_EQ(decodes, 0);
        u.use(picture);
        EXPECT_EQ(decodes, 1);
        EXPECT_FALSE(picture.Undecoded());
        u.use(picture);
        EXPECT_EQ(decodes, 1);
        EXPECT_EQ(picture.Width(), 5);
        EXPECT_EQ(changes, 1); // decoding is no change
    }
}

// Damaged PNG bytes fail at the read with what is wrong; the picture keeps what it held and
// nothing reaches the decoder.
TEST_F(GdiPlus, DamagedPngBytesAreRefusedWhenRead) {
    ASSERT_TRUE(IsGdiPlusAvailable());
    const std::string good = SamplePng();
    const std::vector<PngChunk> chunks = ChunksOf(good);
    ASSERT_EQ(chunks.front().type, "IHDR");
    ASSERT_EQ(chunks.back().type, "IEND");
    auto without = [&](const char* type) {
        std::vector<PngChunk> kept;
        for (const PngChunk& chunk : chunks)
            if (chunk.type != type) kept.push_back(chunk);
        return PngOf(kept);
    };
    auto withHeader = [&](size_t at, char value) {
        std::vector<PngChunk> changed = chunks;
        changed.front().data[at] = value;
        return PngOf(changed);
    };
    auto inserted = [&](const char* type) {
        std::vector<PngChunk> more = chunks;
        more.insert(more.begin() + 1, PngChunk{type, "xyz"});
        return PngOf(more);
    };
    const size_t idat = good.find("IDAT");
    struct Case {
        const char* name;
        std::string bytes;
        const char* what;
    } cases[] = {
        {"a data byte changed",
         [&] {
             std::string b = good;
             b[idat + 6] ^= 0x40;
             return b;
         }(),
         "the CRC of chunk IDAT"},
        {"a CRC changed",
         [&] {
             std::string b = good;
             b[good.size() - 1] ^= 1;
             return b;
         }(),
         "the CRC of chunk IEND"},
        {"cut inside the image data", good.substr(0, idat + 10), "a chunk runs past the end"},
        {"cut before the end chunk", good.substr(0, good.size() - 12), "cut short"},
        {"a length beyond the bytes",
         [&] {
             std::string b = good;
             b[idat - 4] = 0x7F;
             return b;
         }(),
         "a chunk runs past the end"},
        {"a chunk type that is not letters", inserted("AB1D"), "a chunk type is not four letters"},
        {"no image data", without("IDAT"), "no image data"},
        {"no header", without("IHDR"), "the header chunk is not first and alone"},
        {"width 0", withHeader(3, 0) /* the generated width is below 256 */,
         "the header's size is out of range"},
        {"colour type 5", withHeader(9, 5), "the header's colour type and bit depth"},
        {"interlace method 2", withHeader(12, 2), "the header's compression, filter or interlace"},
        {"an unknown critical chunk", inserted("ABCD"), "unknown critical chunk ABCD"},
    };
    TdxPNGImage picture;
    picture.LoadFromBitmap(*BitmapOf(1, 1, {kOpaqueBlue}));
    TDecodeCount count;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            LoadBytes(picture, c.bytes);
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), std::string("PNG image is not valid: ") + c.what);
        }
        EXPECT_FALSE(picture.Undecoded());
        EXPECT_EQ(PixelsOf(picture), std::vector<DWORD>{kOpaqueBlue});
    }
    EXPECT_EQ(decodes, 0);

    // An unknown chunk that a decoder may skip, and bytes behind the end chunk, are a picture.
    TdxPNGImage reference;
    LoadBytes(reference, good);
    for (const std::string& bytes : {inserted("abCd"), good + "behind"}) {
        LoadBytes(picture, bytes);
        EXPECT_TRUE(picture.Undecoded());
        EXPECT_EQ(PixelsOf(picture), PixelsOf(reference));
    }
}

// A picture kept in place (a program's resource) holds the memory's keeper until it is decoded or
// freed, and is checked and refused as a stream read would check it.
TEST_F(GdiPlus, APictureKeptInPlaceHoldsItsMemoryUntilDecodedOrFreed) {
    ASSERT_TRUE(IsGdiPlusAvailable());
    const std::string png = SamplePng();
    const auto* data = reinterpret_cast<const uint8_t*>(png.data());
    TdxPNGImage reference;
    LoadBytes(reference, png);
    const std::vector<DWORD> pixels = PixelsOf(reference);
    int released = 0;
    auto keeper = [&] { return std::shared_ptr<const void>(data, [&](const void*) { ++released; }); };

    {
        TDecodeCount count;
        TdxPNGImage picture;
        ASSERT_TRUE(picture.KeepPngMemory(data, png.size(), keeper()));
        EXPECT_TRUE(picture.Undecoded());
        EXPECT_EQ(picture.Width(), 5);
        EXPECT_EQ(picture.Height(), 4);
        EXPECT_EQ(released, 0);
        EXPECT_EQ(decodes, 0);
        EXPECT_EQ(PixelsOf(picture), pixels);
        EXPECT_EQ(decodes, 1);
        EXPECT_EQ(released, 1); // the decoded image stands alone
    }
    {
        TdxPNGImage undrawn;
        ASSERT_TRUE(undrawn.KeepPngMemory(data, png.size(), keeper()));
    }
    EXPECT_EQ(released, 2);

    std::string damaged = png;
    damaged[damaged.find("IDAT") + 6] ^= 0x40;
    const std::string notPng = "GIF89a, not a PNG at all";
    TdxPNGImage picture;
    picture.LoadFromBitmap(*BitmapOf(1, 1, {kOpaqueBlue}));
    try {
        picture.KeepPngMemory(reinterpret_cast<const uint8_t*>(damaged.data()), damaged.size(), keeper());
        ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "PNG image is not valid: the CRC of chunk IDAT");
    }
    EXPECT_FALSE(
        picture.KeepPngMemory(reinterpret_cast<const uint8_t*>(notPng.data()), notPng.size(), keeper()));
    EXPECT_FALSE(picture.KeepPngMemory(data, png.size(), nullptr));
    EXPECT_EQ(released, 4); // neither refused memory is held
    EXPECT_FALSE(picture.Undecoded());
    EXPECT_EQ(PixelsOf(picture), std::vector<DWORD>{kOpaqueBlue});
}
