#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/core/Streams.h"
#include "platform/graphics/Graphics.h"

namespace {
// The pixel (x, y) of a 32-bit bitmap as a COLORREF, alpha masked off.
COLORREF PixelOf(TBitmap& bitmap, int x, int y) {
    DWORD v = static_cast<const DWORD*>(bitmap.ScanLine(y))[x] & 0xFFFFFF;
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}
} // namespace

TEST(GraphicsColor, SystemColoursAreLookedUpAndOthersPassThrough) {
    EXPECT_EQ(static_cast<uint32_t>(clBtnFace), 0x8000000Fu);
    EXPECT_EQ(clNone, 0x1FFFFFFF);
    EXPECT_EQ(clDefault, 0x20000000);
    struct {
        TColor color;
        int index;
    } system[] = {{clBtnFace, COLOR_BTNFACE},       {clWindow, COLOR_WINDOW},
                  {clHighlight, COLOR_HIGHLIGHT},   {clBtnShadow, COLOR_BTNSHADOW},
                  {cl3DDkShadow, COLOR_3DDKSHADOW}, {clInfoBk, COLOR_INFOBK}};
    for (auto s : system)
        EXPECT_EQ(ColorToRGB(s.color), GetSysColor(s.index)) << s.index;
    EXPECT_EQ(ColorToRGB(clRed), RGB(255, 0, 0));
    EXPECT_EQ(ColorToRGB(0x123456), 0x123456u);
    EXPECT_EQ(ColorToRGB(clNone), 0x1FFFFFFFu);
}

TEST(GraphicsFont, DefaultsAndSizeFollowTheScreen) {
    TFont font;
    EXPECT_EQ(font.Name(), "宋体");
    EXPECT_EQ(font.Height(), -12);
    EXPECT_EQ(font.Charset(), DEFAULT_CHARSET);
    EXPECT_EQ(font.Color(), clWindowText);
    EXPECT_TRUE(font.Style().Empty());
    font.SetSize(12);
    EXPECT_EQ(font.Height(), -MulDiv(12, ScreenPixelsPerInch(), 72));
    EXPECT_EQ(font.Size(), 12);
}

TEST(GraphicsFont, LogFontRoundTripAndHandleAdoption) {
    TFont font;
    font.SetName("Arial");
    font.SetHeight(-20);
    font.SetStyle(TFontStyles{fsBold, fsUnderline});
    font.SetCharset(GB2312_CHARSET);
    font.SetPitch(fpFixed);
    LOGFONTA lf = font.LogFont();
    EXPECT_STREQ(lf.lfFaceName, "Arial");
    EXPECT_EQ(lf.lfHeight, -20);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_EQ(lf.lfItalic, 0);
    EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
    EXPECT_EQ(lf.lfPitchAndFamily & 3, FIXED_PITCH);

    // The handle describes the same font.
    LOGFONTA fromHandle{};
    ASSERT_NE(GetObjectA(font.Handle(), sizeof(fromHandle), &fromHandle), 0);
    EXPECT_STREQ(fromHandle.lfFaceName, "Arial");
    EXPECT_EQ(fromHandle.lfHeight, -20);

    TFont copy;
    lf.lfItalic = 1;
    lf.lfWeight = FW_NORMAL;
    copy.SetColor(clRed);
    copy.SetLogFont(lf);
    EXPECT_EQ(copy.Style(), (TFontStyles{fsItalic, fsUnderline}));
    EXPECT_EQ(copy.Color(), clRed); // a LOGFONT has no colour

    // A handle given to the font is described by it and owned from then on.
    LOGFONTA other = lf;
    std::strcpy(other.lfFaceName, "Tahoma");
    other.lfHeight = -9;
    HFONT handle = CreateFontIndirectA(&other);
    copy.SetHandle(handle);
    EXPECT_EQ(copy.Name(), "Tahoma");
    EXPECT_EQ(copy.Height(), -9);
    EXPECT_EQ(copy.Handle(), handle);
}

TEST(GraphicsFont, ChangesAreReportedAndAssignCopiesEverything) {
    TFont font;
    int changes = 0;
    font.OnChange = [&](TGraphicsObject* sender) {
        EXPECT_EQ(sender, &font);
        ++changes;
    };
    font.SetHeight(-12); // unchanged
    EXPECT_EQ(changes, 0);
    font.SetHeight(-14);
    font.SetColor(clRed);
    font.SetName("Arial");
    EXPECT_EQ(changes, 3);

    TFont copy;
    copy.Assign(&font);
    EXPECT_EQ(copy.Name(), "Arial");
    EXPECT_EQ(copy.Height(), -14);
    EXPECT_EQ(copy.Color(), clRed);
    TBrush brush;
    EXPECT_THROW(copy.Assign(&brush), EConvertError);
}

TEST(GraphicsBitmap, PixelFormatsAndScanLines) {
    struct {
        TPixelFormat format;
        int width;
        int bytesPerLine;
    } cases[] = {{pf1bit, 33, 8}, {pf24bit, 5, 16}, {pf32bit, 5, 20}};
    for (auto c : cases) {
        TBitmap bitmap;
        bitmap.SetPixelFormat(c.format);
        bitmap.SetSize(c.width, 3);
        EXPECT_EQ(bitmap.PixelFormat(), c.format);
        EXPECT_EQ(bitmap.BytesPerScanLine(), c.bytesPerLine);
        DIBSECTION dib{};
        ASSERT_EQ(GetObjectA(bitmap.Handle(), sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
        EXPECT_EQ(dib.dsBm.bmBitsPixel, c.format == pf1bit ? 1 : c.format == pf24bit ? 24 : 32);
        EXPECT_THROW(bitmap.ScanLine(3), Exception);
        EXPECT_THROW(bitmap.ScanLine(-1), Exception);
    }

    // Row 0 is the top row whatever the storage order.
    TBitmap bitmap(4, 3, pf32bit);
    bitmap.Canvas().Brush().SetColor(clWhite);
    bitmap.Canvas().FillRect(Rect(0, 0, 4, 3));
    bitmap.Canvas().SetPixel(1, 0, clRed);
    EXPECT_EQ(PixelOf(bitmap, 1, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(bitmap, 1, 2), RGB(255, 255, 255));
    static_cast<DWORD*>(bitmap.ScanLine(2))[3] = 0x0000FF; // blue, written directly
    EXPECT_EQ(bitmap.Canvas().Pixel(3, 2), static_cast<TColor>(RGB(0, 0, 255)));
}

TEST(GraphicsBitmap, ResizeKeepsThePictureAndAssignCopiesIt) {
    TBitmap bitmap(4, 4, pf32bit);
    bitmap.Canvas().Brush().SetColor(clRed);
    bitmap.Canvas().FillRect(Rect(0, 0, 4, 4));
    bitmap.Canvas().Brush().SetColor(clBlue); // the new area takes the brush
    bitmap.SetSize(6, 5);
    EXPECT_EQ(PixelOf(bitmap, 3, 3), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(bitmap, 5, 4), RGB(0, 0, 255));

    int changes = 0;
    TBitmap copy;
    copy.OnChange = [&](TObject*) { ++changes; };
    copy.Assign(&bitmap);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(copy.Width(), 6);
    EXPECT_EQ(copy.Height(), 5);
    EXPECT_EQ(PixelOf(copy, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(copy, 5, 4), RGB(0, 0, 255));

    copy.SetSize(0, 0);
    EXPECT_TRUE(copy.Empty());
    EXPECT_EQ(copy.Handle(), nullptr);
}

TEST(GraphicsBitmap, ForeignHandlesBecomeDibSections) {
    HDC screen = GetDC(nullptr);
    HBITMAP ddb = CreateCompatibleBitmap(screen, 7, 3);
    ReleaseDC(nullptr, screen);
    TBitmap bitmap;
    bitmap.SetHandle(ddb);
    EXPECT_EQ(bitmap.Width(), 7);
    EXPECT_EQ(bitmap.Height(), 3);
    EXPECT_NO_THROW(bitmap.ScanLine(2));

    HBITMAP released = bitmap.ReleaseHandle();
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_NE(released, nullptr);
    DeleteObject(released);
}

// GetObject does not tell a top-down section from a bottom-up one; the adopted bitmap must.
TEST(GraphicsBitmap, AdoptedSectionsKeepTheirRowOrder) {
    for (bool topDown : {true, false}) {
        for (bool sameRows : {false, true}) {
            SCOPED_TRACE(std::string(topDown ? "top-down" : "bottom-up") + (sameRows ? ", rows alike" : ""));
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            info.bmiHeader.biWidth = 2;
            info.bmiHeader.biHeight = topDown ? -2 : 2;
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            info.bmiHeader.biCompression = BI_RGB;
            void* bits = nullptr;
            HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
            ASSERT_NE(section, nullptr);
            // The top row red, the bottom row blue (or green too), in memory order.
            const DWORD topValue = 0xFF0000, bottomValue = sameRows ? 0xFF0000 : 0x0000FF;
            DWORD* rows[2] = {static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + 2};
            DWORD* top = topDown ? rows[0] : rows[1];
            DWORD* bottom = topDown ? rows[1] : rows[0];
            top[0] = top[1] = topValue;
            bottom[0] = bottom[1] = bottomValue;

            TBitmap bitmap;
            bitmap.SetHandle(section);
            EXPECT_EQ(bitmap.ScanLine(0), static_cast<void*>(top));
            EXPECT_EQ(bitmap.ScanLine(1), static_cast<void*>(bottom));
            EXPECT_EQ(PixelOf(bitmap, 1, 0), RGB(255, 0, 0));
            // A pixel written through the scan line shows at that row through GDI.
            static_cast<DWORD*>(bitmap.ScanLine(0))[0] = 0x00FF00;
            EXPECT_EQ(GetPixel(bitmap.Canvas().Handle(), 0, 0) & 0xFFFFFF, RGB(0, 255, 0));
            EXPECT_EQ(GetPixel(bitmap.Canvas().Handle(), 0, 1) & 0xFFFFFF,
                      sameRows ? RGB(255, 0, 0) : RGB(0, 0, 255));

            TBitmap copy;
            copy.Assign(bitmap);
            HDC dc = copy.Canvas().Handle();
            EXPECT_EQ(GetPixel(dc, 0, 0) & 0xFFFFFF, RGB(0, 255, 0));
            EXPECT_EQ(GetPixel(dc, 1, 0) & 0xFFFFFF, RGB(255, 0, 0));
            EXPECT_EQ(GetPixel(dc, 1, 1) & 0xFFFFFF, sameRows ? RGB(255, 0, 0) : RGB(0, 0, 255));
            EXPECT_EQ(PixelOf(copy, 0, 0), RGB(0, 255, 0));
        }
    }
}

TEST(GraphicsCanvas, ObjectChangesReachTheDeviceContext) {
    TBitmap bitmap(10, 10, pf32bit);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush().SetColor(clRed);
    canvas.FillRect(Rect(0, 0, 10, 10));
    canvas.Brush().SetColor(clBlue); // selected brush replaced
    canvas.FillRect(Rect(0, 0, 5, 10));
    EXPECT_EQ(PixelOf(bitmap, 2, 2), RGB(0, 0, 255));
    EXPECT_EQ(PixelOf(bitmap, 7, 2), RGB(255, 0, 0));

    canvas.Brush().SetStyle(bsClear);
    canvas.FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(PixelOf(bitmap, 7, 2), RGB(255, 0, 0));

    canvas.Pen().SetColor(clLime);
    canvas.MoveTo(0, 9);
    canvas.LineTo(10, 9);
    EXPECT_EQ(PixelOf(bitmap, 5, 9), RGB(0, 255, 0));
    EXPECT_EQ(canvas.PenPos().x, 10);

    // A pattern brush tiles its bitmap.
    TBitmap pattern(2, 2, pf32bit);
    pattern.Canvas().Brush().SetColor(clWhite);
    pattern.Canvas().FillRect(Rect(0, 0, 2, 2));
    pattern.Canvas().SetPixel(0, 0, clBlack);
    canvas.Brush().SetBitmap(&pattern);
    canvas.FillRect(Rect(0, 0, 4, 4));
    EXPECT_EQ(PixelOf(bitmap, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(PixelOf(bitmap, 2, 2), RGB(0, 0, 0));
    EXPECT_EQ(PixelOf(bitmap, 1, 0), RGB(255, 255, 255));

    TCanvas bare;
    EXPECT_FALSE(bare.HandleAllocated());
    EXPECT_THROW(bare.Handle(), Exception);
}

namespace {
std::unique_ptr<TBitmap> Sample(TPixelFormat format) {
    auto bitmap = std::make_unique<TBitmap>(5, 3, format);
    bitmap->Canvas().Brush().SetColor(clRed);
    bitmap->Canvas().FillRect(Rect(0, 0, 5, 3));
    bitmap->Canvas().SetPixel(4, 0, clBlue);
    bitmap->Canvas().SetPixel(0, 2, clLime);
    return bitmap;
}
} // namespace

TEST(GraphicsBitmapStream, SavedFilesOpenInTheSystemReader) {
    char dir[MAX_PATH], name[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "bmp", 0, name);
    for (TPixelFormat format : {pf24bit, pf32bit}) {
        SCOPED_TRACE(format);
        auto bitmap = Sample(format);
        {
            TFileStream file(name, fmCreate);
            bitmap->SaveToStream(&file);
        }
        HBITMAP loaded = static_cast<HBITMAP>(
            LoadImageA(nullptr, name, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        ASSERT_NE(loaded, nullptr);
        TBitmap reread;
        reread.SetHandle(loaded);
        ASSERT_EQ(reread.Width(), 5);
        ASSERT_EQ(reread.Height(), 3);
        HDC dc = reread.Canvas().Handle();
        EXPECT_EQ(GetPixel(dc, 4, 0), RGB(0, 0, 255));
        EXPECT_EQ(GetPixel(dc, 0, 2), RGB(0, 255, 0));
        EXPECT_EQ(GetPixel(dc, 2, 1), RGB(255, 0, 0));
    }
    DeleteFileA(name);
}

TEST(GraphicsBitmapStream, StoredFormRoundTripsBehindOtherData) {
    for (TPixelFormat format : {pf1bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(format);
        auto bitmap = Sample(format);
        if (format == pf32bit) static_cast<DWORD*>(bitmap->ScanLine(1))[1] = 0x80402010; // alpha kept
        TMemoryStream stream;
        stream.WriteBuffer("head", 4);
        bitmap->WriteData(&stream);
        stream.WriteBuffer("tail", 4);
        int32_t count = 0;
        std::memcpy(&count, static_cast<BYTE*>(stream.Memory()) + 4, 4);
        EXPECT_EQ(count, stream.Size() - 12);
        EXPECT_EQ(std::memcmp(static_cast<BYTE*>(stream.Memory()) + 8, "BM", 2), 0);

        stream.SetPosition(4);
        TBitmap copy;
        int changes = 0;
        copy.OnChange = [&](TObject*) { ++changes; };
        copy.ReadData(&stream);
        EXPECT_EQ(stream.Position(), stream.Size() - 4);
        EXPECT_EQ(changes, 1);
        ASSERT_EQ(copy.Width(), 5);
        EXPECT_EQ(copy.PixelFormat(), format);
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(std::memcmp(copy.ScanLine(y), bitmap->ScanLine(y), bitmap->BytesPerScanLine()), 0);
    }
    TBitmap empty;
    TMemoryStream stream;
    empty.WriteData(&stream);
    EXPECT_EQ(stream.Size(), 4);
    stream.SetPosition(0);
    auto filled = Sample(pf24bit);
    filled->ReadData(&stream);
    EXPECT_TRUE(filled->Empty());
}

TEST(GraphicsBitmapStream, DamagedFilesRaiseAndKeepThePicture) {
    TMemoryStream good;
    Sample(pf24bit)->SaveToStream(&good);
    const BYTE* bytes = static_cast<const BYTE*>(good.Memory());
    std::vector<BYTE> file(bytes, bytes + good.Size());
    struct {
        const char* name;
        size_t offset;
        std::vector<BYTE> value;
        size_t keep; // 0: all
    } cases[] = {
        {"no signature", 0, {'X'}, 0},        {"cut short", 0, {}, 40},
        {"header size", 14, {99}, 0},         {"bit depth", 28, {7}, 0},
        {"rows past the end", 10, {0xF0}, 0}, {"huge width", 18, {0, 0, 0, 0x7F}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<BYTE> damaged = file;
        std::copy(c.value.begin(), c.value.end(), damaged.begin() + c.offset);
        if (c.keep) damaged.resize(c.keep);
        TMemoryStream stream;
        int32_t count = static_cast<int32_t>(damaged.size());
        stream.WriteBuffer(&count, 4);
        stream.WriteBuffer(damaged.data(), count);
        stream.SetPosition(0);
        TBitmap target(2, 2, pf32bit);
        EXPECT_THROW(target.ReadData(&stream), EInvalidGraphic);
        EXPECT_EQ(target.Width(), 2);
        stream.SetPosition(4);
        EXPECT_THROW(target.LoadFromStream(&stream), EInvalidGraphic);
    }
    // A count beyond the end of the stream.
    TMemoryStream stream;
    int32_t count = 0x7FFFFFF0;
    stream.WriteBuffer(&count, 4);
    stream.WriteBuffer(file.data(), static_cast<int>(file.size()));
    stream.SetPosition(0);
    TBitmap target(2, 2, pf32bit);
    EXPECT_THROW(target.ReadData(&stream), EInvalidGraphic);
    EXPECT_EQ(target.Width(), 2);
}
