#pragma once
// The editors' units in start order, after the editor framework's.
#include <vector>

#include "platform/core/UnitTable.h"

std::vector<UnitEntry> EditorsUnits();
