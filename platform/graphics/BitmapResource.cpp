// Bitmaps from the program's resources.
#include "platform/core/Exceptions.h"
#include "platform/graphics/Graphics.h"

void TBitmap::LoadFromResourceName(HINSTANCE instance, const AnsiString& name) {
    auto bitmap =
        static_cast<HBITMAP>(LoadImageA(instance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap) throw EResNotFound(Format("Resource %s not found", {name}));
    SetHandle(bitmap);
}
