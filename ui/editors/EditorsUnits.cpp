#include "ui/editors/EditorsUnits.h"

std::vector<UnitEntry> EditorsUnits() {
    // The standard mask and the mask expressions keep no state between uses.
    return {
        {"cxStandardMask", 101, nullptr, nullptr},
        {"cxRegExpr", 102, nullptr, nullptr},
    };
}
