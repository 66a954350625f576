#pragma once
// A cache of solid GDI brushes for the colours painting asks for again and again: up to a fixed
// number of brushes sorted by colour, the least used one evicted when full. System colours are
// served by the system's own stock brushes and never enter the cache.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/Graphics.h"

class TcxCanvas;
class TcxSystemPaletteChangedNotifier;

class TcxSolidBrushCache : public TObject {
public:
    VZ_CLASS(TcxSolidBrushCache, TObject)
    explicit TcxSolidBrushCache(int maxDepth = 128);
    ~TcxSolidBrushCache() override;
    TcxSolidBrushCache(const TcxSolidBrushCache&) = delete;
    TcxSolidBrushCache& operator=(const TcxSolidBrushCache&) = delete;

    // The brush belongs to the cache: select it, never delete it.
    HBRUSH GetBrush(TColor color);
    // Deletes every cached brush.
    void ReleaseAll();

    int Depth() const { return depth_; }
    int MaxDepth() const { return maxDepth_; }
    // Colour, brush and use count of entry 0 .. Depth - 1 (ascending colours).
    TColor Colors(int index) const { return static_cast<TColor>(colors_[static_cast<size_t>(index)]); }
    HBRUSH Brushes(int index) const { return brushes_[static_cast<size_t>(index)]; }
    uint32_t UseCounts(int index) const { return counts_[static_cast<size_t>(index)]; }

protected:
    virtual void HandlePaletteChange(TObject* sender);

private:
    void Remove(int index);

    std::vector<uint32_t> colors_;
    std::vector<HBRUSH> brushes_;
    std::vector<uint32_t> counts_;
    int depth_ = 0;
    int maxDepth_;
    std::unique_ptr<TcxSystemPaletteChangedNotifier> notifier_;
};

// The global cache (between the unit's start and end).
HBRUSH GetCachedSolidBrush(TColor color);
HBRUSH GetCachedSolidBrush(TCanvas* canvas, TColor color);
HBRUSH GetCachedSolidBrush(TcxCanvas* canvas, TColor color);
TcxSolidBrushCache* SolidBrushCache();

void SolidBrushCacheInitialize();
void SolidBrushCacheFinalize();
