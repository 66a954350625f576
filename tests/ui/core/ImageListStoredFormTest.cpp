// The image list's stored form: round trips with and without compressed bitmaps, what an empty
// list writes, data holding only the platform's strip, and damaged data.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "PaintSurface.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Filer.h"
#include "platform/core/StreamAdapter.h"
#include "ui/core/Geometry.h"
#include "ui/core/ImageList.h"

namespace {
COLORREF TileColour(int k) {
    return RGB(k * 30 + 10, 200 - k * 20, 90);
}

std::unique_ptr<TBitmap> Strip(int tiles, COLORREF first = 0) {
    auto bitmap = std::make_unique<TBitmap>(16 * tiles, 16, pf24bit);
    for (int k = 0; k < tiles; ++k) {
        bitmap->Canvas().Brush().SetColor(static_cast<TColor>(first ? first : TileColour(k)));
        bitmap->Canvas().FillRect(Rect(16 * k, 0, 16 * k + 16, 16));
    }
    return bitmap;
}

COLORREF PixelOf(TBitmap& bitmap, int x, int y) {
    return static_cast<COLORREF>(bitmap.Canvas().Pixel(x, y)) & 0xFFFFFF;
}

std::string Written(TcxImageList& list, TPersistent* ancestor = nullptr) {
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.Ancestor = ancestor;
    writer.WriteRootComponent(&list);
    return std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

void ReadInto(TcxImageList& list, const std::string& data) {
    TMemoryStream stream;
    stream.WriteBuffer(data.data(), static_cast<int>(data.size()));
    stream.SetPosition(0);
    TReader reader(&stream);
    reader.ReadRootComponent(&list);
}

size_t Occurrences(const std::string& data, const std::string& what) {
    size_t count = 0;
    for (size_t at = data.find(what); at != std::string::npos; at = data.find(what, at + 1))
        ++count;
    return count;
}

// A list of a strip, an image with a mask and an image with a mask colour.
void Fill(TcxImageList& list) {
    auto strip = Strip(3);
    list.AddImage(strip.get(), nullptr);
    auto masked = Strip(1, RGB(0, 0, 255));
    TBitmap mask(16, 16, pf1bit);
    mask.Canvas().Brush().SetColor(clBlack);
    mask.Canvas().FillRect(Rect(0, 0, 16, 16));
    mask.Canvas().Brush().SetColor(clWhite);
    mask.Canvas().FillRect(Rect(0, 0, 8, 16)); // the left half transparent
    list.AddImage(masked.get(), &mask);
    auto keyed = Strip(1, RGB(255, 0, 255));
    keyed->Canvas().Brush().SetColor(clLime);
    keyed->Canvas().FillRect(Rect(4, 4, 12, 12));
    list.AddWithMaskColor(keyed.get(), clFuchsia);
}
} // namespace

TEST(ImageListStoredForm, RoundTripsPlainAndCompressed) {
    for (bool compress : {false, true}) {
        SCOPED_TRACE(compress ? "compressed" : "plain");
        TcxImageList list(16, 16);
        list.SetCompressData(compress);
        Fill(list);
        ASSERT_EQ(list.Count(), 5);
        const std::string data = Written(list);
        EXPECT_EQ(list.FormatVersion, 1);
        // "XDBM" once in every stored Image and Mask when compressing, never otherwise.
        EXPECT_EQ(Occurrences(data, "XDBM"), compress ? 5u + 1u : 0u);

        TcxImageList read; // the default size, 16 x 16, is not stored
        ReadInto(read, data);
        EXPECT_EQ(read.FormatVersion, 1);
        EXPECT_EQ(read.CompressData(), compress);
        EXPECT_EQ(read.Width(), 16);
        ASSERT_EQ(read.Count(), 5);
        ASSERT_EQ(read.ImageInfo()->Count(), 5);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(PixelOf(*read.ImageInfo()->Items(i)->Image(), 5, 5), TileColour(i));
            TBitmap image;
            GetImageListBitmaps(read.Handle(), i, nullptr, &image);
            EXPECT_EQ(PixelOf(image, 5, 5), TileColour(i));
        }
        EXPECT_FALSE(read.ImageInfo()->Items(3)->Mask()->Empty());
        EXPECT_EQ(read.ImageInfo()->Items(4)->MaskColor(), clFuchsia);
        // The masks came back: drawn over red, the transparent parts stay red.
        TPaintSurface s(40, 20, RGB(255, 0, 0));
        read.AlphaBlending = false;
        read.Draw(s.canvas, 0, 0, 3, true);
        read.Draw(s.canvas, 20, 0, 4, true);
        EXPECT_EQ(s.At(3, 8), RGB(255, 0, 0));
        EXPECT_EQ(s.At(12, 8), RGB(0, 0, 255));
        EXPECT_EQ(s.At(21, 1), RGB(255, 0, 0));
        EXPECT_EQ(s.At(28, 8), RGB(0, 255, 0));
    }
}

TEST(ImageListStoredForm, EmptyListWritesNoImageInfo) {
    TcxImageList list(16, 16);
    list.DesignInfo = 0x00400020;
    const std::string data = Written(list);
    EXPECT_EQ(Occurrences(data, "FormatVersion"), 1u);
    EXPECT_EQ(Occurrences(data, "DesignInfo"), 1u);
    EXPECT_EQ(Occurrences(data, "ImageInfo"), 0u);
    TcxImageList read(16, 16);
    ReadInto(read, data);
    EXPECT_EQ(read.DesignInfo, 0x00400020);
    EXPECT_EQ(read.Count(), 0);

    TcxImageList sized(24, 20);
    TcxImageList readSized;
    ReadInto(readSized, Written(sized));
    EXPECT_EQ(readSized.Width(), 24);
    EXPECT_EQ(readSized.Height(), 20);

    // Against an equal ancestor neither DesignInfo nor ImageInfo is written.
    TcxImageList a(16, 16), b(16, 16);
    Fill(a);
    Fill(b);
    const std::string sameAsAncestor = Written(a, &b);
    EXPECT_EQ(Occurrences(sameAsAncestor, "DesignInfo"), 0u);
    EXPECT_EQ(Occurrences(sameAsAncestor, "ImageInfo"), 0u);
    auto extra = Strip(1);
    a.AddImage(extra.get(), nullptr);
    EXPECT_EQ(Occurrences(Written(a, &b), "ImageInfo"), 1u);
}

TEST(ImageListStoredForm, OnlyThePlatformStripIsCaptured) {
    TImageList plain(16, 16);
    auto strip = Strip(3);
    plain.Add(strip.get(), nullptr);
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.WriteSignature("TcxImageList");
    writer.DefineBinaryProperty(
        "Bitmap", nullptr,
        [&](TStream* target) {
            auto* adapter = new TStreamAdapter(target);
            adapter->AddRef();
            ASSERT_TRUE(ImageList_Write(plain.Handle(), adapter));
            adapter->Release();
        },
        true);
    writer.WriteListEnd();
    stream.SetPosition(0);
    TcxImageList read(16, 16);
    TReader reader(&stream);
    reader.ReadRootComponent(&read);
    ASSERT_EQ(read.Count(), 3);
    ASSERT_EQ(read.ImageInfo()->Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(PixelOf(*read.ImageInfo()->Items(i)->Image(), 8, 8), TileColour(i));
}

TEST(ImageListStoredForm, DamagedDataIsAReadError) {
    TcxImageList list(16, 16);
    Fill(list);
    const std::string data = Written(list);
    for (size_t cut : {size_t(3), data.size() / 2, data.size() - 1}) {
        TcxImageList read(16, 16);
        EXPECT_THROW(ReadInto(read, data.substr(0, cut)), EReadError) << cut;
    }
    std::string unknown = data;
    const size_t at = unknown.find("MaskColor");
    ASSERT_NE(at, std::string::npos);
    unknown.replace(at, 9, "MaskColer");
    TcxImageList read(16, 16);
    try {
        ReadInto(read, unknown);
        FAIL() << "no error";
    } catch (const EReadError& e) {
        EXPECT_NE(std::string(e.Message()).find("MaskColer"), std::string::npos) << e.Message();
    }
}
