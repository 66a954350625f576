#pragma once
// The units the editor framework's tests start: the painting core, then the framework's own.
#include <vector>

#include "platform/core/UnitTable.h"

std::vector<UnitEntry> FrameworkTestUnits();
