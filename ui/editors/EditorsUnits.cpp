#include "ui/editors/EditorsUnits.h"

std::vector<UnitEntry> EditorsUnits() {
    // The standard mask and the mask expressions keep no state between uses.
    return {
        {"cxStandardMask", 95, nullptr, nullptr},
        {"cxRegExpr", 96, nullptr, nullptr},
    };
}
