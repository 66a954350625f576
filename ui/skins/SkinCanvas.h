#pragma once
// The drawing surface of one element paint. The element drawing unit gives it its operations;
// the model only owns one per element.
#include "platform/core/ObjectModel.h"

class TdxSkinCanvas : public TObject {
public:
    VZ_CLASS(TdxSkinCanvas, TObject)
    TdxSkinCanvas() = default;
};
