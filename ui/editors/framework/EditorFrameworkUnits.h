#pragma once
// The editor framework's units in start order, after the skins' (85 on).
#include <vector>

#include "platform/core/UnitTable.h"

std::vector<UnitEntry> EditorFrameworkUnits();
