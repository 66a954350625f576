// Loading every generated pack from the resources (TdxSkin.LoadFromStream: model, picture window,
// PNG decoding) beside decoding the same PNG bytes with GDI+ alone (GdipCreateBitmapFromStream
// over an HGLOBAL stream, as the picture reader does). Prints the totals, bytes and allocations
// per picture and the ratio.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/core/UnitTable.h"
#include "ui/core/GdiPlusClasses.h"
#include "ui/core/GraphicsRoutines.h"
#include "ui/skins/SkinModel.h"
#include "ui/skins/SkinsUnits.h"

namespace {
std::atomic<long> allocations{0};
}

void* operator new(size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}

namespace {
using Clock = std::chrono::steady_clock;

const char* const kPacks[] = {"Black",           "Blue",
                              "Caramel",         "Coffee",
                              "GlassOceans",     "iMaginary",
                              "Lilian",          "LiquidSky",
                              "LondonLiquidSky", "McSkin",
                              "DadavAzodo",      "Office2007Black",
                              "Office2007Blue",  "Office2007Green",
                              "Office2007Pink",  "Office2007Silver",
                              "Silver",          "Stardust",
                              "Summer2008",      "Valentine",
                              "Xmas2008Blue",    "DefaultUserSkinData"};

// The PNG pictures of a pack: each is preceded by its int32 size.
std::vector<std::string> PicturesOf(const std::string& pack) {
    static const char signature[] = "\x89PNG\r\n\x1a\n";
    std::vector<std::string> result;
    for (size_t at = pack.find(signature, 0, 8); at != std::string::npos;
         at = pack.find(signature, at + 8, 8)) {
        int32_t size = 0;
        std::memcpy(&size, &pack[at - 4], 4);
        result.push_back(pack.substr(at, static_cast<size_t>(size)));
    }
    return result;
}

// Decodes each picture as the picture reader does (a movable global block under an HGLOBAL
// stream) and keeps the images until the pack's pictures are all decoded, as a loaded skin does.
void DecodeAlone(const std::vector<std::string>& pictures) {
    std::vector<GpImage*> images;
    images.reserve(pictures.size());
    for (const std::string& png : pictures) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, png.size());
        std::memcpy(GlobalLock(block), png.data(), png.size());
        GlobalUnlock(block);
        IStream* stream = nullptr;
        CreateStreamOnHGlobal(block, FALSE, &stream);
        GpImage* image = nullptr;
        if (dxGpApi.GdipCreateBitmapFromStream(stream, &image) != GpOk) std::abort();
        images.push_back(image);
        stream->Release();
        GlobalFree(block);
    }
    for (GpImage* image : images)
        dxGpApi.GdipDisposeImage(image);
}

template <class F> double BestMillis(F f, int batches = 5) {
    double best = 1e30;
    for (int b = 0; b < batches; ++b) {
        auto start = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}
} // namespace

int main() {
    InitializeUnits(SkinsCoreUnits());
    std::vector<std::vector<std::string>> packPictures;
    size_t packBytes = 0, pictureCount = 0, pictureBytes = 0;
    for (const char* name : kPacks) {
        TResourceStream stream(GetModuleHandle(nullptr), name, "DXSKINS");
        std::string bytes(static_cast<size_t>(stream.Size()), '\0');
        stream.ReadBuffer(bytes.data(), static_cast<int>(bytes.size()));
        packBytes += bytes.size();
        packPictures.push_back(PicturesOf(bytes));
        pictureCount += packPictures.back().size();
        for (const std::string& p : packPictures.back())
            pictureBytes += p.size();
    }

    // Each side twice, alternating, so neither gains from running later.
    double alone = 1e30, loaded = 1e30;
    for (int round = 0; round < 2; ++round) {
        alone = std::min(alone, BestMillis([&] {
                             for (const std::vector<std::string>& pictures : packPictures)
                                 DecodeAlone(pictures);
                         }));
        loaded = std::min(loaded, BestMillis([&] {
                              for (const char* name : kPacks)
                                  TdxSkin skin(name, GetModuleHandle(nullptr), true);
                          }));
    }
    long before = allocations.load();
    for (const char* name : kPacks)
        TdxSkin skin(name, GetModuleHandle(nullptr), true);
    long perLoad = allocations.load() - before;

    std::printf("packs: %zu, %zu bytes; pictures: %zu, %zu PNG bytes (%.0f per picture)\n", std::size(kPacks),
                packBytes, pictureCount, pictureBytes, double(pictureBytes) / pictureCount);
    std::printf("GDI+ decoding alone: %8.1f ms\n", alone);
    std::printf("loading the packs:   %8.1f ms  (%.2fx)\n", loaded, loaded / alone);
    std::printf("heap allocations while loading: %ld (%.1f per picture)\n", perLoad,
                double(perLoad) / pictureCount);
    FinalizeUnits();
    return loaded / alone <= 1.2 ? 0 : 1;
}
