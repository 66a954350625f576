#include "tools/capture/ScreenCapture.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>

namespace screen_capture {

std::vector<COLORREF> CaptureScreen(const RECT& rect) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return {};
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<COLORREF> pixels;
    if (dib && bits) {
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        pixels.resize(static_cast<size_t>(width) * height);
        auto* source = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < pixels.size(); ++i) {
            const uint32_t bgra = source[i];
            pixels[i] = RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
        }
        SelectObject(memory, old);
        DeleteObject(dib);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

namespace {

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
    PutBigEndian(out, static_cast<uint32_t>(crc));
}

} // namespace

bool WritePng(const std::string& path, int width, int height, const std::vector<COLORREF>& pixels) {
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * height) return false;
    // Rows of filter type 0 (none), then red, green, blue.
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(height) * (1 + 3 * static_cast<size_t>(width)));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            const COLORREF c = pixels[static_cast<size_t>(y) * width + x];
            raw.push_back(GetRValue(c));
            raw.push_back(GetGValue(c));
            raw.push_back(GetBValue(c));
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size())) != Z_OK)
        return false;
    packed.resize(packedSize);

    std::vector<uint8_t> header;
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8 bits, RGB, deflate, no filter choice, no interlace
    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", packed);
    PutChunk(file, "IEND", {});

    // Written beside the target and moved in, so a failed write leaves no half picture.
    const std::string part = path + ".part";
    FILE* out = std::fopen(part.c_str(), "wb");
    if (!out) return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed || !MoveFileExA(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(part.c_str());
        return false;
    }
    return true;
}

namespace {

struct Search {
    const std::string* ClassName;
    HWND Found;
};

BOOL CALLBACK MatchVisible(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    char name[256] = {};
    GetClassNameA(window, name, sizeof(name));
    if (*search->ClassName == name && IsWindowVisible(window)) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND FindVisibleWindow(const std::string& className) {
    Search search{&className, nullptr};
    EnumWindows(MatchVisible, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

} // namespace screen_capture
