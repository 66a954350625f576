#pragma once
// The skins' units in start order: the skins core (62), then the user skin and the built-in skins
// from 63 on (SkinPainterUnits).
#include <vector>

#include "platform/core/UnitTable.h"

std::vector<UnitEntry> SkinsUnits();
// The skins core and the painting units it stands on (classes, geometry, graphics, GDI+), for
// programs that read and draw skins without the look-and-feel painters or the skin units.
std::vector<UnitEntry> SkinsCoreUnits();
