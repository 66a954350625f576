#pragma once
// The data-access units, in the program's start order. The providers' units (ProviderUnits)
// fall between them by their numbers.
#include <vector>

#include "platform/core/UnitTable.h"

std::vector<UnitEntry> DataAccessUnits();
