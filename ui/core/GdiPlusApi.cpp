#include "ui/core/GdiPlusApi.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/core/Exceptions.h"

// ---------------------------------------------------------------------------------------------
TdxUnitsLoader::~TdxUnitsLoader() {
    FinalizeAll();
}

void TdxUnitsLoader::RegisterUnit(TdxUnitProc initProc, TdxUnitProc finalizeProc) {
    if (initProc) {
        if (deferred_) {
            pendingInitializers_.push_back(initProc);
        } else {
            unitsInitialized_ = true;
            initProc();
        }
    }
    if (finalizeProc) pendingFinalizers_.push_back(finalizeProc);
}

void TdxUnitsLoader::UnregisterUnit(TdxUnitProc finalizeProc) {
    if (!finalizeProc) return;
    auto found = std::find(pendingFinalizers_.begin(), pendingFinalizers_.end(), finalizeProc);
    if (found == pendingFinalizers_.end()) return;
    pendingFinalizers_.erase(found);
    finalizeProc();
}

void TdxUnitsLoader::FinalizeAll() {
    if (unitsInitialized_) {
        // A finalise procedure may unregister others: take each from the end as it comes.
        while (!pendingFinalizers_.empty()) {
            TdxUnitProc proc = pendingFinalizers_.back();
            pendingFinalizers_.pop_back();
            if (proc) proc();
        }
        unitsInitialized_ = false;
    }
    pendingFinalizers_.clear();
}

namespace {
TdxUnitsLoader* unitsLoader = nullptr;
bool deferredLoader = false; // a program runs the initialise procedures at once
} // namespace

TdxUnitsLoader* GetUnitsLoader() {
    if (!unitsLoader) unitsLoader = new TdxUnitsLoader(deferredLoader);
    return unitsLoader;
}

void SetUnitsLoaderDeferredForTest(bool deferred) {
    deferredLoader = deferred;
}

// ---------------------------------------------------------------------------------------------
TdxGdiPlusApi dxGpApi{};

const char* const dxGdiPlusNames[91] = {
    "GdipAlloc",
    "GdipFree",
    "GdiplusStartup",
    "GdiplusShutdown",
    "GdipCloneBrush",
    "GdipDeleteBrush",
    "GdipGetBrushType",
    "GdipCreateSolidFill",
    "GdipSetSolidFillColor",
    "GdipGetSolidFillColor",
    "GdipCreateLineBrushFromRectI",
    "GdipGetLineRectI",
    "GdipSetLineColors",
    "GdipGetLineColors",
    "GdipSetLineWrapMode",
    "GdipGetLineWrapMode",
    "GdipCreateHatchBrush",
    "GdipGetHatchStyle",
    "GdipGetHatchForegroundColor",
    "GdipGetHatchBackgroundColor",
    "GdipCreatePen1",
    "GdipCreatePen2",
    "GdipClonePen",
    "GdipDeletePen",
    "GdipGetPenFillType",
    "GdipSetPenBrushFill",
    "GdipGetPenBrushFill",
    "GdipSetPenColor",
    "GdipGetPenColor",
    "GdipSetPenMode",
    "GdipGetPenMode",
    "GdipSetPenWidth",
    "GdipGetPenWidth",
    "GdipCreateFromHDC",
    "GdipDeleteGraphics",
    "GdipGetDC",
    "GdipReleaseDC",
    "GdipGraphicsClear",
    "GdipDrawLineI",
    "GdipFillRectangleI",
    "GdipDrawArcI",
    "GdipDrawBezierI",
    "GdipDrawRectangleI",
    "GdipDrawEllipseI",
    "GdipDrawPieI",
    "GdipDrawPolygonI",
    "GdipDrawCurve2I",
    "GdipDrawClosedCurve2I",
    "GdipFillPolygonI",
    "GdipFillEllipseI",
    "GdipFillPieI",
    "GdipFillClosedCurveI",
    "GdipLoadImageFromStream",
    "GdipCreateBitmapFromFile",
    "GdipCreateBitmapFromStream",
    "GdipCreateBitmapFromStreamICM",
    "GdipCreateHBITMAPFromBitmap",
    "GdipLoadImageFromFile",
    "GdipGetImageDimension",
    "GdipDrawImageRectI",
    "GdipDisposeImage",
    "GdipGetImageEncodersSize",
    "GdipGetImageEncoders",
    "GdipSaveImageToStream",
    "GdipCreateBitmapFromHBITMAP",
    "GdipGetEncoderParameterListSize",
    "GdipGetEncoderParameterList",
    "GdipCreateBitmapFromGdiDib",
    "GdipCreateBitmapFromScan0",
    "GdipBitmapLockBits",
    "GdipBitmapUnlockBits",
    "GdipDrawImageRectRectI",
    "GdipDrawImageRectRect",
    "GdipDrawImagePointRect",
    "GdipCloneImage",
    "GdipSetInterpolationMode",
    "GdipGetInterpolationMode",
    "GdipCreateCachedBitmap",
    "GdipDeleteCachedBitmap",
    "GdipDrawCachedBitmap",
    "GdipCreateBitmapFromGraphics",
    "GdipGetImageGraphicsContext",
    "GdipGetImageWidth",
    "GdipGetImageHeight",
    "GdipSetCompositingMode",
    "GdipGetCompositingMode",
    "GdipSetCompositingQuality",
    "GdipGetCompositingQuality",
    "GdipSetSmoothingMode",
    "GdipGetSmoothingMode",
    "GdipCloneBitmapAreaI",
};

namespace {
HMODULE gdiPlusLibrary = nullptr;
bool gdiPlusActive = false;
ULONG_PTR startupToken = 0;
TdxGdiplusStartupOutput startupOutput{};
const TdxGdiplusStartupInput startupInput{1, nullptr, TRUE, FALSE};
CLSID pngEncoderClsid{};
const char* missingNameForTest = nullptr;

FARPROC LookUp(const char* name) {
    // After the first miss nothing more is asked of the system.
    if (!gdiPlusActive) return nullptr;
    FARPROC proc = nullptr;
    if (!(missingNameForTest && std::strcmp(missingNameForTest, name) == 0))
        proc = GetProcAddress(gdiPlusLibrary, name);
    if (!proc) gdiPlusActive = false;
    return proc;
}

template <class F> void Bind(F& target, FARPROC proc) {
    target = reinterpret_cast<F>(reinterpret_cast<void*>(proc));
}

void BindUsed(const char* name, FARPROC proc) {
    TdxGdiPlusApi& a = dxGpApi;
    struct Entry {
        const char* name;
        void (*bind)(TdxGdiPlusApi&, FARPROC);
    };
#define VZ_GP_ENTRY(fn)                                                                                      \
    {                                                                                                        \
#fn, [](TdxGdiPlusApi & api, FARPROC p) { Bind(api.fn, p); }                                         \
    }
    static const Entry entries[] = {
        VZ_GP_ENTRY(GdipAlloc),
        VZ_GP_ENTRY(GdipFree),
        VZ_GP_ENTRY(GdiplusStartup),
        VZ_GP_ENTRY(GdiplusShutdown),
        VZ_GP_ENTRY(GdipGetImageEncodersSize),
        VZ_GP_ENTRY(GdipGetImageEncoders),
        VZ_GP_ENTRY(GdipCreateBitmapFromScan0),
        VZ_GP_ENTRY(GdipCreateBitmapFromStream),
        VZ_GP_ENTRY(GdipCloneImage),
        VZ_GP_ENTRY(GdipDisposeImage),
        VZ_GP_ENTRY(GdipGetImageDimension),
        VZ_GP_ENTRY(GdipSaveImageToStream),
        VZ_GP_ENTRY(GdipCreateHBITMAPFromBitmap),
        VZ_GP_ENTRY(GdipCreateFromHDC),
        VZ_GP_ENTRY(GdipDeleteGraphics),
        VZ_GP_ENTRY(GdipDrawImageRectRect),
        VZ_GP_ENTRY(GdipDrawImageRectI),
        VZ_GP_ENTRY(GdipGetImageGraphicsContext),
        VZ_GP_ENTRY(GdipGetDC),
        VZ_GP_ENTRY(GdipReleaseDC),
        VZ_GP_ENTRY(GdipGetInterpolationMode),
        VZ_GP_ENTRY(GdipSetInterpolationMode),
        VZ_GP_ENTRY(GdipCreateSolidFill),
        VZ_GP_ENTRY(GdipSetSolidFillColor),
        VZ_GP_ENTRY(GdipCreateLineBrushFromRectI),
        VZ_GP_ENTRY(GdipFillRectangleI),
        VZ_GP_ENTRY(GdipDeleteBrush),
    };
#undef VZ_GP_ENTRY
    for (const Entry& entry : entries)
        if (std::strcmp(entry.name, name) == 0) entry.bind(a, proc);
}
} // namespace

bool GdiPlusActive() {
    return gdiPlusActive;
}

void LoadGdiPlus() {
    if (gdiPlusActive) return;
    if (!gdiPlusLibrary) {
        UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
        gdiPlusLibrary = LoadLibraryA("gdiplus.dll");
        SetErrorMode(oldMode);
    }
    gdiPlusActive = gdiPlusLibrary != nullptr;
    if (!gdiPlusActive) return;
    dxGpApi = TdxGdiPlusApi{};
    for (const char* name : dxGdiPlusNames)
        BindUsed(name, LookUp(name));
    if (gdiPlusActive)
        Bind(dxGpApi.GdipImageRotateFlip, GetProcAddress(gdiPlusLibrary, "GdipImageRotateFlip"));
    if (!gdiPlusActive) return;
    startupToken = 0;
    if (dxGpApi.GdiplusStartup(&startupToken, &startupInput, &startupOutput) != GpOk ||
        (startupOutput.NotificationHook && startupOutput.NotificationHook(&startupToken) != GpOk)) {
        gdiPlusActive = false;
        startupOutput = TdxGdiplusStartupOutput{};
    }
}

void UnloadGdiPlus() {
    if (gdiPlusActive) {
        if (startupOutput.NotificationUnhook) startupOutput.NotificationUnhook(startupToken);
        dxGpApi.GdiplusShutdown(startupToken);
        startupOutput = TdxGdiplusStartupOutput{};
    }
    if (gdiPlusLibrary) FreeLibrary(gdiPlusLibrary);
    gdiPlusLibrary = nullptr;
    gdiPlusActive = false;
    pngEncoderClsid = CLSID{};
}

bool IsGdiPlusAvailable() {
    if (!gdiPlusActive) LoadGdiPlus();
    return gdiPlusActive;
}

void SetGdiPlusMissingNameForTest(const char* name) {
    missingNameForTest = name;
}

void CheckGdiPlusStatus(GpStatus status) {
    if (status != GpOk) throw EAssertionFailed("Invalid operation in GDI+", "dxGDIPlusApi", 1003);
}

int FindImageEncoderClsid(const AnsiString& mimeType, CLSID& clsid) {
    if (!IsGdiPlusAvailable()) return 1;
    UINT count = 0, size = 0;
    if (dxGpApi.GdipGetImageEncodersSize(&count, &size) != GpOk || count == 0 || size == 0) return 1;
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<TdxImageCodecInfo*>(buffer.data());
    if (dxGpApi.GdipGetImageEncoders(count, size, encoders) != GpOk) return 1;
    for (UINT i = 0; i < count; ++i) {
        const WCHAR* mime = encoders[i].MimeType;
        if (!mime) continue;
        char narrow[128] = {};
        WideCharToMultiByte(CP_ACP, 0, mime, -1, narrow, sizeof(narrow) - 1, nullptr, nullptr);
        if (lstrcmpiA(narrow, mimeType.c_str()) == 0) {
            clsid = encoders[i].Clsid;
            return 0;
        }
    }
    return 1;
}

void EnsurePngEncoderClsid() {
    if (pngEncoderClsid.Data1 == 0 && pngEncoderClsid.Data2 == 0 && pngEncoderClsid.Data3 == 0)
        FindImageEncoderClsid("image/png", pngEncoderClsid);
}

const CLSID& PngEncoderClsid() {
    return pngEncoderClsid;
}

// ---------------------------------------------------------------------------------------------
void* TdxGPBase::operator new(size_t size) {
    void* memory = GdiPlusActive() && dxGpApi.GdipAlloc ? dxGpApi.GdipAlloc(size) : nullptr;
    if (!memory) throw std::bad_alloc();
    return memory;
}

void TdxGPBase::operator delete(void* memory) {
    if (memory) dxGpApi.GdipFree(memory);
}

// ---------------------------------------------------------------------------------------------
namespace {
void GdiPlusUnitInitialize() {
    // The library itself is loaded on first use.
    gdiPlusActive = false;
}
} // namespace

void GdiPlusApiInitialize() {
    GetUnitsLoader()->RegisterUnit(GdiPlusUnitInitialize, UnloadGdiPlus);
}

void GdiPlusApiFinalize() {
    TdxUnitsLoader* loader = unitsLoader;
    unitsLoader = nullptr;
    if (loader && loader->Deferred() && gdiPlusActive && !loader->PendingFinalizers().empty()) {
        delete loader;
        throw Exception("Need call dxFinalizeGDIPlus before free library!");
    }
    delete loader;
}
