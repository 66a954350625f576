#pragma once
// The flat GDI+ interface bound by name on first use, and the units loader through which units
// that need GDI+ run their start and end.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/core/ObjectModel.h"
#include "platform/core/Win.h"

#include <objidl.h>

// ---------------------------------------------------------------------------------------------
// Units loader. In a program the initialise procedures run at once; a library module only queues
// them (deferred mode).
using TdxUnitProc = void (*)();

class TdxUnitsLoader : public TObject {
public:
    VZ_CLASS(TdxUnitsLoader, TObject)
    explicit TdxUnitsLoader(bool deferred = false) : deferred_(deferred) {}
    ~TdxUnitsLoader() override; // FinalizeAll

    void RegisterUnit(TdxUnitProc initProc, TdxUnitProc finalizeProc);
    // Runs finalizeProc once when it was registered and forgets it.
    void UnregisterUnit(TdxUnitProc finalizeProc);
    // The registered finalise procedures, last first, when any initialise procedure ran.
    void FinalizeAll();

    bool Deferred() const { return deferred_; }
    bool UnitsInitialized() const { return unitsInitialized_; }
    const std::vector<TdxUnitProc>& PendingInitializers() const { return pendingInitializers_; }
    const std::vector<TdxUnitProc>& PendingFinalizers() const { return pendingFinalizers_; }

private:
    bool deferred_;
    bool unitsInitialized_ = false;
    std::vector<TdxUnitProc> pendingFinalizers_;
    std::vector<TdxUnitProc> pendingInitializers_;
};

// The global loader, made on first use; freed by the binding unit's end.
TdxUnitsLoader* GetUnitsLoader();
// Test hook: the next global loader is made as in a library module (deferred) or a program.
void SetUnitsLoaderDeferredForTest(bool deferred);

// ---------------------------------------------------------------------------------------------
// The GDI+ binding.
using GpStatus = int;
constexpr GpStatus GpOk = 0;
using GpImage = void;
using GpGraphics = void;
using GpBrush = void;
using GpSolidFill = void;
using GpLineGradient = void;
using REAL = float;

struct TdxGpRect {
    INT X, Y, Width, Height;
};

struct TdxGdiplusStartupInput {
    UINT32 GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};

struct TdxGdiplusStartupOutput {
    GpStatus(WINAPI* NotificationHook)(ULONG_PTR* token);
    void(WINAPI* NotificationUnhook)(ULONG_PTR token);
};

struct TdxImageCodecInfo {
    CLSID Clsid;
    GUID FormatID;
    const WCHAR* CodecName;
    const WCHAR* DllName;
    const WCHAR* FormatDescription;
    const WCHAR* FilenameExtension;
    const WCHAR* MimeType;
    DWORD Flags;
    DWORD Version;
    DWORD SigCount;
    DWORD SigSize;
    const BYTE* SigPattern;
    const BYTE* SigMask;
};

constexpr INT PixelFormat32bppPARGB = 0xE200B;
constexpr INT UnitPixel = 2;

// The entry points the library calls. The binding fills them; tests may put a recorder in
// place of one (and restore it).
struct TdxGdiPlusApi {
    void*(WINAPI* GdipAlloc)(size_t size);
    void(WINAPI* GdipFree)(void* memory);
    GpStatus(WINAPI* GdiplusStartup)(ULONG_PTR* token, const TdxGdiplusStartupInput* input,
                                     TdxGdiplusStartupOutput* output);
    void(WINAPI* GdiplusShutdown)(ULONG_PTR token);
    GpStatus(WINAPI* GdipGetImageEncodersSize)(UINT* count, UINT* size);
    GpStatus(WINAPI* GdipGetImageEncoders)(UINT count, UINT size, TdxImageCodecInfo* encoders);
    GpStatus(WINAPI* GdipCreateBitmapFromScan0)(INT width, INT height, INT stride, INT format, BYTE* scan0,
                                                GpImage** bitmap);
    GpStatus(WINAPI* GdipCreateBitmapFromStream)(IStream* stream, GpImage** bitmap);
    GpStatus(WINAPI* GdipCloneImage)(GpImage* image, GpImage** clone);
    GpStatus(WINAPI* GdipDisposeImage)(GpImage* image);
    GpStatus(WINAPI* GdipGetImageDimension)(GpImage* image, REAL* width, REAL* height);
    GpStatus(WINAPI* GdipSaveImageToStream)(GpImage* image, IStream* stream, const CLSID* encoder,
                                            const void* parameters);
    GpStatus(WINAPI* GdipCreateHBITMAPFromBitmap)(GpImage* bitmap, HBITMAP* result, DWORD background);
    GpStatus(WINAPI* GdipCreateFromHDC)(HDC dc, GpGraphics** graphics);
    GpStatus(WINAPI* GdipDeleteGraphics)(GpGraphics* graphics);
    GpStatus(WINAPI* GdipDrawImageRectRect)(GpGraphics* graphics, GpImage* image, REAL dstX, REAL dstY,
                                            REAL dstWidth, REAL dstHeight, REAL srcX, REAL srcY,
                                            REAL srcWidth, REAL srcHeight, INT srcUnit,
                                            const void* attributes, void* callback, void* callbackData);
    GpStatus(WINAPI* GdipDrawImageRectI)(GpGraphics* graphics, GpImage* image, INT x, INT y, INT width,
                                         INT height);
    GpStatus(WINAPI* GdipGetImageGraphicsContext)(GpImage* image, GpGraphics** graphics);
    GpStatus(WINAPI* GdipGetDC)(GpGraphics* graphics, HDC* dc);
    GpStatus(WINAPI* GdipReleaseDC)(GpGraphics* graphics, HDC dc);
    GpStatus(WINAPI* GdipGetInterpolationMode)(GpGraphics* graphics, INT* mode);
    GpStatus(WINAPI* GdipSetInterpolationMode)(GpGraphics* graphics, INT mode);
    GpStatus(WINAPI* GdipCreateSolidFill)(DWORD color, GpSolidFill** brush);
    GpStatus(WINAPI* GdipSetSolidFillColor)(GpSolidFill* brush, DWORD color);
    GpStatus(WINAPI* GdipCreateLineBrushFromRectI)(const TdxGpRect* rect, DWORD color1, DWORD color2,
                                                   INT mode, INT wrapMode, GpLineGradient** brush);
    GpStatus(WINAPI* GdipFillRectangleI)(GpGraphics* graphics, GpBrush* brush, INT x, INT y, INT width,
                                         INT height);
    GpStatus(WINAPI* GdipDeleteBrush)(GpBrush* brush);
    GpStatus(WINAPI* GdipImageRotateFlip)(GpImage* image, INT rotateFlipType); // benchmarks only
};
extern TdxGdiPlusApi dxGpApi;

// The 91 names that must all be found for GDI+ to count as available, in lookup order.
extern const char* const dxGdiPlusNames[91];

bool IsGdiPlusAvailable();
void LoadGdiPlus();
void UnloadGdiPlus();
bool GdiPlusActive();
// EAssertionFailed "Invalid operation in GDI+" for every status but Ok (also for COM results).
void CheckGdiPlusStatus(GpStatus status);
// 0 and the encoder's CLSID when an encoder of the MIME type (any case) is installed, else 1.
int FindImageEncoderClsid(const AnsiString& mimeType, CLSID& clsid);
// Looks "image/png" up while the stored CLSID is still zero.
void EnsurePngEncoderClsid();
const CLSID& PngEncoderClsid();

// Test hook: a name that the next loads treat as missing (nullptr: none).
void SetGdiPlusMissingNameForTest(const char* name);

// Unit start and end of the binding: registers its pair with the units loader / frees the loader.
void GdiPlusApiInitialize();
void GdiPlusApiFinalize();

// Base of the wrappers of GDI+ objects: their memory comes from GDI+'s own allocator, so GDI+
// must be active before one is made.
class TdxGPBase : public TObject {
public:
    VZ_CLASS(TdxGPBase, TObject)
    static void* operator new(size_t size);
    static void operator delete(void* memory);
};
