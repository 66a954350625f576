#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "PaintSurface.h"
#include "platform/core/Streams.h"
#include "ui/core/Bitmaps.h"

namespace {
using Bytes = std::vector<uint8_t>;

Bytes Repeated(size_t count, uint8_t value) {
    return Bytes(count, value);
}

Bytes Alternating(size_t count) {
    Bytes result(count);
    for (size_t i = 0; i < count; ++i)
        result[i] = i % 2 ? 0x22 : 0x11;
    return result;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes result;
    for (const Bytes& part : parts)
        result.insert(result.end(), part.begin(), part.end());
    return result;
}

DWORD& PixelAt(TBitmap& bitmap, int x, int y) {
    return static_cast<DWORD*>(bitmap.ScanLine(y))[x];
}

Bytes StreamBytes(TMemoryStream& stream) {
    const uint8_t* data = static_cast<const uint8_t*>(stream.Memory());
    return Bytes(data, data + stream.Size());
}
} // namespace

TEST(BitmapRunCoding, KnownSequences) {
    struct {
        const char* name;
        Bytes input;
        Bytes coded;
    } cases[] = {
        {"nothing", {}, {}},
        {"one byte", {0x41}, {0x81, 0x41}},
        {"repeat then last byte", {0x41, 0x41, 0x41, 0x42}, {0x03, 0x41, 0x81, 0x42}},
        {"literal leaves the repeat's first byte", {0x41, 0x42, 0x43, 0x43}, {0x82, 0x41, 0x42, 0x02, 0x43}},
        {"300 equal bytes", Repeated(300, 7), {125, 7, 125, 7, 50, 7}},
        {"126 alternating bytes", Alternating(126), Concat({{0xFD}, Alternating(125), {0x81, 0x22}})},
        {"plain form of an empty bitmap", {0, 0, 0, 0}, {0x04, 0x00}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(cxEncodeRuns(c.input.data(), c.input.size()), c.coded);
    }
}

TEST(BitmapStoredForm, EmptyBitmapIsTwelveBytes) {
    TcxCustomBitmap bitmap;
    bitmap.CompressData = true;
    TMemoryStream stream;
    bitmap.WriteData(&stream);
    EXPECT_EQ(StreamBytes(stream), (Bytes{2, 0, 0, 0, 'X', 'D', 'B', 'M', 1, 0, 4, 0}));
    stream.SetPosition(0);
    TcxCustomBitmap copy(3, 3);
    copy.ReadData(&stream);
    EXPECT_TRUE(copy.Empty());
    EXPECT_EQ(stream.Position(), 12);
}

TEST(BitmapStoredForm, RandomBitmapsRoundTripBehindOtherDataInBothForms) {
    std::mt19937 random(27);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        int width = 1 + static_cast<int>(random() % 40), height = 1 + static_cast<int>(random() % 20);
        TcxBitmap bitmap(width, height);
        // Runs of equal and of random bytes, so that both packet kinds and both run limits occur.
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                PixelAt(bitmap, x, y) =
                    (random() % 3 == 0) ? static_cast<DWORD>(random()) : 0x01010101u * (y % 4);
        for (bool compress : {true, false}) {
            SCOPED_TRACE(compress);
            bitmap.CompressData = compress;
            TMemoryStream plain, stream;
            bitmap.TBitmap::WriteData(&plain);
            stream.WriteBuffer("0123456", 7);
            bitmap.WriteData(&stream);
            int64_t blockEnd = stream.Position();
            stream.WriteBuffer("after", 5);
            const uint8_t* data = static_cast<const uint8_t*>(stream.Memory());
            EXPECT_EQ(std::memcmp(data + 7, compress ? data + 7 : plain.Memory(), 4), 0);
            if (compress) {
                int32_t size;
                std::memcpy(&size, data + 7, 4);
                EXPECT_EQ(size, blockEnd - 7 - 10);
                EXPECT_EQ(std::memcmp(data + 11, "XDBM\x01\x00", 6), 0);
            }

            stream.SetPosition(7);
            TcxCustomBitmap copy;
            copy.ReadData(&stream);
            EXPECT_EQ(stream.Position(), blockEnd);
            TMemoryStream again;
            copy.TBitmap::WriteData(&again);
            EXPECT_EQ(StreamBytes(again), StreamBytes(plain));
        }
    }
}

TEST(BitmapStoredForm, DamagedBlockStopsAtItsEnd) {
    TcxBitmap bitmap(6, 4);
    bitmap.CompressData = true;
    TMemoryStream stream;
    bitmap.WriteData(&stream);
    int64_t blockEnd = stream.Position();
    // What follows the block would complete the last packet.
    TMemoryStream tail;
    stream.SetPosition(blockEnd - 3);
    tail.CopyFrom(&stream, 3);
    stream.SetPosition(blockEnd);
    stream.CopyFrom(&tail, 0);
    int32_t size;
    stream.SetPosition(0);
    stream.ReadBuffer(&size, 4);
    size -= 3;
    stream.SetPosition(0);
    stream.WriteBuffer(&size, 4);

    stream.SetPosition(0);
    TcxCustomBitmap copy(2, 2);
    EXPECT_THROW(copy.ReadData(&stream), Exception);
    EXPECT_EQ(stream.Position(), blockEnd - 3);
    EXPECT_EQ(copy.Width(), 2);

    // A negative size: nothing is decoded and the stream stays behind the header.
    stream.SetPosition(0);
    size = -100;
    stream.WriteBuffer(&size, 4);
    stream.SetPosition(0);
    EXPECT_THROW(copy.ReadData(&stream), Exception);
    EXPECT_EQ(stream.Position(), 10);
}

TEST(BitmapNotification, NestedUpdatesNotifyOnce) {
    TcxCustomBitmap bitmap(4, 4);
    int changes = 0;
    bitmap.OnChange = [&](TObject*) { ++changes; };
    bitmap.BeginUpdate();
    bitmap.BeginUpdate();
    bitmap.SetWidth(5);
    bitmap.SetHeight(6);
    bitmap.EndUpdate(false);
    EXPECT_EQ(changes, 0);
    bitmap.EndUpdate(false);
    EXPECT_EQ(changes, 1);
    bitmap.EndUpdate(true); // no update open: nothing
    EXPECT_EQ(changes, 1);

    bitmap.ResizeTo(5, 6);
    EXPECT_EQ(changes, 1);
    bitmap.ResizeTo(7, 8);
    EXPECT_EQ(changes, 2);
    bitmap.RotateAndFlip(ra0, false);
    EXPECT_EQ(changes, 2);
    bitmap.BeginUpdate();
    bitmap.EndUpdate(true);
    EXPECT_EQ(changes, 3);
}

TEST(BitmapWorkingSurface, AlwaysThirtyTwoBitsAndErased) {
    TcxBitmap bitmap(3, 2, pf24bit);
    EXPECT_EQ(bitmap.PixelFormat(), pf32bit);
    EXPECT_EQ(bitmap.PixelHeader.biWidth, 3);
    EXPECT_EQ(bitmap.PixelHeader.biHeight, 2);
    EXPECT_FALSE(bitmap.IsAlphaUsed());
    PixelAt(bitmap, 1, 1) = 0xFF102030;
    EXPECT_TRUE(bitmap.IsAlphaUsed());
    bitmap.ResizeTo(3, 2);
    EXPECT_EQ(PixelAt(bitmap, 1, 1), 0u); // black with alpha 0
    bitmap.ResizeTo(4, 5);
    EXPECT_EQ(bitmap.PixelHeader.biWidth, 4);
    EXPECT_EQ(bitmap.PixelHeader.biHeight, 5);

    auto keyed = TcxBitmap::CreateWithKey(2, 2, 0x80112233);
    EXPECT_EQ(PixelAt(*keyed, 0, 0), 0x80112233u);
    EXPECT_EQ(PixelAt(*keyed, 1, 1), 0x80112233u);
    TcxBitmap empty;
    EXPECT_FALSE(empty.IsAlphaUsed());
}

TEST(BitmapRotation, AllEightTurnsOfThreeByTwo) {
    // Source (x, y) holds 10 * y + x + 1; each case maps the source to the target position.
    struct {
        TcxRotationAngle rotation;
        bool flip;
        int targetWidth;
        int (*tx)(int x, int y);
        int (*ty)(int x, int y);
    } cases[] = {
        {ra0, false, 3, [](int x, int) { return x; }, [](int, int y) { return y; }},
        {ra0, true, 3, [](int x, int) { return x; }, [](int, int y) { return 1 - y; }},
        {raPlus90, false, 2, [](int, int y) { return y; }, [](int x, int) { return 2 - x; }},
        {raPlus90, true, 2, [](int, int y) { return y; }, [](int x, int) { return x; }},
        {raMinus90, false, 2, [](int, int y) { return 1 - y; }, [](int x, int) { return x; }},
        {raMinus90, true, 2, [](int, int y) { return 1 - y; }, [](int x, int) { return 2 - x; }},
        {ra180, false, 3, [](int x, int) { return 2 - x; }, [](int, int y) { return 1 - y; }},
        {ra180, true, 3, [](int x, int) { return 2 - x; }, [](int, int y) { return y; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rotation << " " << c.flip);
        TcxBitmap bitmap(3, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                PixelAt(bitmap, x, y) = 0xFF000000u | (10 * y + x + 1);
        bitmap.RotateAndFlip(c.rotation, c.flip);
        ASSERT_EQ(bitmap.Width(), c.targetWidth);
        ASSERT_EQ(bitmap.Height(), 6 / c.targetWidth);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(PixelAt(bitmap, c.tx(x, y), c.ty(x, y)), 0xFF000000u | (10 * y + x + 1));
    }
}

TEST(BitmapFilters, KeyAndOtherPixels) {
    const DWORD key = 0x00123456, listed = 0x80ABCDEF, other = 0x000A64C8 /* R 10 G 100 B 200 */,
                half = 0x40102030;
    const COLORREF shadowRgb = GetSysColor(COLOR_BTNSHADOW);
    auto disabled = [&](DWORD pixel) {
        double grey = std::nearbyint(0.299 * ((pixel >> 16) & 0xFF) + 0.587 * ((pixel >> 8) & 0xFF) +
                                     0.114 * (pixel & 0xFF));
        double k = 238 / 255.0, inverse = 1 - 0xC0 * k / 255;
        auto ch = [&](int s, double d) { return static_cast<DWORD>(std::nearbyint(s * k + d * inverse)); };
        return (ch(0xC0, (pixel >> 24)) << 24) | (ch(GetRValue(shadowRgb), grey) << 16) |
               (ch(GetGValue(shadowRgb), grey) << 8) | ch(GetBValue(shadowRgb), grey);
    };
    struct {
        TcxBitmapFilter filter;
        DWORD otherAfter, halfAfter, keyAfter, listedAfter;
    } cases[] = {
        {bfDisable, disabled(other), disabled(half), key, listed},
        {bfOpaque, 0xFF0A64C8, 0xFF102030, 0xFF123456, 0xFFABCDEF},
        {bfMask, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF},
        // 0.0729 R + 0.7146 G + 0.2125 B: red has the smallest weight.
        {bfGreyAlt, 0x00737373, 0x40222222, key, listed},
        {bfOpaqueVisible, 0xFF0A64C8, half, key, listed},
        {bfFillKey, key, key, key, key},
        {bfClearAlpha, 0x000A64C8, 0x00102030, key, 0x00ABCDEF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        TcxBitmap bitmap(2, 2);
        bitmap.KeyColor = key;
        bitmap.KeyColors = {0xABCDEF};
        PixelAt(bitmap, 0, 0) = other;
        PixelAt(bitmap, 1, 0) = half;
        PixelAt(bitmap, 0, 1) = key;
        PixelAt(bitmap, 1, 1) = listed;
        int changes = 0;
        bitmap.OnChange = [&](TObject*) { ++changes; };
        bitmap.ApplyFilter(c.filter);
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(PixelAt(bitmap, 0, 0), c.otherAfter);
        EXPECT_EQ(PixelAt(bitmap, 1, 0), c.halfAfter);
        EXPECT_EQ(PixelAt(bitmap, 0, 1), c.keyAfter);
        EXPECT_EQ(PixelAt(bitmap, 1, 1), c.listedAfter);
    }
}

TEST(BitmapCopy, CopiesAreasWithTheRasterOperation) {
    TcxBitmap source(4, 4);
    PixelAt(source, 2, 1) = 0x00FF0000;
    TcxBitmap target(4, 4);
    target.CopyBitmapRect(&source, Rect(0, 0, 2, 2), SRCCOPY, {1, 0});
    EXPECT_EQ(PixelAt(target, 1, 1) & 0xFFFFFF, 0xFF0000u);
    target.CopyBitmap(&source, NOTSRCCOPY);
    EXPECT_EQ(PixelAt(target, 2, 1) & 0xFFFFFF, 0x00FFFFu);
    EXPECT_EQ(PixelAt(target, 0, 0) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(BitmapWorkingSurface, VirtualConstructorByClass) {
    auto plain = TcxCustomBitmap::CreateSized(TcxCustomBitmap::StaticClass(), 5, 4, pf24bit);
    EXPECT_EQ(plain->ClassType(), TcxCustomBitmap::StaticClass());
    EXPECT_EQ(plain->Width(), 5);
    EXPECT_EQ(plain->PixelFormat(), pf24bit);
    ASSERT_NE(plain->cxCanvas(), nullptr);

    auto working = TcxCustomBitmap::CreateSized(TcxBitmap::StaticClass(), 3, 2, pf24bit);
    auto* bitmap = dynamic_cast<TcxBitmap*>(working.get());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->PixelFormat(), pf32bit);
    EXPECT_EQ(bitmap->PixelHeader.biWidth, 3);
    EXPECT_EQ(bitmap->PixelHeader.biHeight, 2);
    EXPECT_FALSE(bitmap->IsAlphaUsed());
}
