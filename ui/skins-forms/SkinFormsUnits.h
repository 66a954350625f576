#pragma once
// The skinned-window unit (190): it starts after every library unit, so that every window made
// from then on meets its hook.
#include <vector>

#include "platform/core/UnitTable.h"

std::vector<UnitEntry> SkinFormsUnits();
