#include "ui/editors/EditorsUnits.h"

std::vector<UnitEntry> EditorsUnits() {
    return {};
}
