#pragma once
// The providers' units, in the program's start order; their numbers interleave with
// DataAccessUnits (the ODBC binding before UniProvider, the providers after it).
#include <vector>

#include "platform/core/UnitTable.h"

std::vector<UnitEntry> ProviderUnits();
