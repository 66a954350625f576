#pragma once
// The launcher's whole unit table, in start order: the libraries bottom layer up, then the
// launcher's own units. A library's new unit goes into that library's list only.
#include <vector>

#include "platform/core/UnitTable.h"

std::vector<UnitEntry> LauncherUnits();
