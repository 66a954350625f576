#pragma once
// The painting core's units, in the program's start order. The forms unit (60) falls between the
// two GDI+ units by its number.
#include <vector>

#include "platform/core/UnitTable.h"

std::vector<UnitEntry> PaintingCoreUnits();
