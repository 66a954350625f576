#include "ui/editors/framework/SolidBrushCache.h"

#include <algorithm>

#include "ui/core/LookAndFeel.h"

namespace {
constexpr int SystemBrushCount = 31;

std::unique_ptr<TcxSolidBrushCache> globalCache;
bool systemBrushesTaken = false;
HBRUSH systemBrushes[SystemBrushCount];

// A system colour is 0xFF000000 + index in the stored form of the library and 0x80000000 + index
// in the platform's; both name the same stock brush.
bool IsSystemColor(uint32_t color) {
    return (color >= 0xFF000000u && color < 0xFF000000u + SystemBrushCount) ||
           (color >= 0x80000000u && color < 0x80000000u + SystemBrushCount);
}
} // namespace

TcxSolidBrushCache::TcxSolidBrushCache(int maxDepth)
    : colors_(static_cast<size_t>(std::max(maxDepth, 1))), brushes_(colors_.size()), counts_(colors_.size()),
      maxDepth_(std::max(maxDepth, 1)), notifier_(std::make_unique<TcxSystemPaletteChangedNotifier>()) {
    notifier_->OnSystemPaletteChanged = [this](TObject* sender) { HandlePaletteChange(sender); };
}

TcxSolidBrushCache::~TcxSolidBrushCache() {
    ReleaseAll();
}

HBRUSH TcxSolidBrushCache::GetBrush(TColor color) {
    uint32_t c = static_cast<uint32_t>(color);
    if (systemBrushesTaken && IsSystemColor(c)) return systemBrushes[c & 0xFF];
    auto begin = colors_.begin(), end = colors_.begin() + depth_;
    auto found = std::lower_bound(begin, end, c);
    int index = static_cast<int>(found - begin);
    if (found != end && *found == c) {
        ++counts_[static_cast<size_t>(index)];
        return brushes_[static_cast<size_t>(index)];
    }
    // Make the brush first: a failure leaves the cache as it was.
    HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
    if (!brush) return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    if (depth_ == maxDepth_) {
        auto least = std::min_element(counts_.begin(), counts_.begin() + depth_);
        int victim = static_cast<int>(least - counts_.begin());
        Remove(victim);
        if (victim < index) --index;
    }
    auto at = [index](auto& v) { return v.begin() + index; };
    std::move_backward(at(colors_), colors_.begin() + depth_, colors_.begin() + depth_ + 1);
    std::move_backward(at(brushes_), brushes_.begin() + depth_, brushes_.begin() + depth_ + 1);
    std::move_backward(at(counts_), counts_.begin() + depth_, counts_.begin() + depth_ + 1);
    colors_[static_cast<size_t>(index)] = c;
    brushes_[static_cast<size_t>(index)] = brush;
    counts_[static_cast<size_t>(index)] = 0; // the first lookup is not counted
    ++depth_;
    return brush;
}

void TcxSolidBrushCache::Remove(int index) {
    DeleteObject(brushes_[static_cast<size_t>(index)]);
    auto from = [index](auto& v) { return v.begin() + index; };
    std::move(from(colors_) + 1, colors_.begin() + depth_, from(colors_));
    std::move(from(brushes_) + 1, brushes_.begin() + depth_, from(brushes_));
    std::move(from(counts_) + 1, counts_.begin() + depth_, from(counts_));
    --depth_;
}

void TcxSolidBrushCache::ReleaseAll() {
    for (int i = 0; i < depth_; ++i)
        DeleteObject(brushes_[static_cast<size_t>(i)]);
    depth_ = 0;
}

void TcxSolidBrushCache::HandlePaletteChange(TObject*) {
    ReleaseAll();
}

TcxSolidBrushCache* SolidBrushCache() {
    return globalCache.get();
}

HBRUSH GetCachedSolidBrush(TColor color) {
    return globalCache->GetBrush(color);
}

HBRUSH GetCachedSolidBrush(TCanvas*, TColor color) {
    return GetCachedSolidBrush(color);
}

HBRUSH GetCachedSolidBrush(TcxCanvas*, TColor color) {
    return GetCachedSolidBrush(color);
}

void SolidBrushCacheInitialize() {
    for (int i = 0; i < SystemBrushCount; ++i)
        systemBrushes[i] = GetSysColorBrush(i);
    systemBrushesTaken = true;
    globalCache = std::make_unique<TcxSolidBrushCache>();
}

void SolidBrushCacheFinalize() {
    globalCache.reset();
    systemBrushesTaken = false;
}
