#pragma once
// The forms unit; its number falls between the painting core's GDI+ units (PaintingCoreUnits).
#include <vector>

#include "platform/core/UnitTable.h"

std::vector<UnitEntry> FormsUnits();
