#include "ui/editors/framework/EditorFrameworkUnits.h"

std::vector<UnitEntry> EditorFrameworkUnits() {
    return {};
}
