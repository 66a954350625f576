#pragma once
// The in-memory data units, in the program's start order.
#include <vector>

#include "platform/core/UnitTable.h"

std::vector<UnitEntry> MemoryUnits();
