#include "ui/editors/EditorsUnits.h"

#include "ui/editors/CheckBox.h"
#include "ui/editors/MaskEditProperties.h"
#include "ui/editors/ProgressBar.h"
#include "ui/editors/TextEditProperties.h"

std::vector<UnitEntry> EditorsUnits() {
    // The standard mask and the mask expressions keep no state between uses.
    return {
        {"cxTextEdit", 100, TextEditInitialize, TextEditFinalize},
        {"cxStandardMask", 101, nullptr, nullptr},
        {"cxRegExpr", 102, nullptr, nullptr},
        {"cxMaskEdit", 103, MaskEditInitialize, MaskEditFinalize},
        {"cxCheckBox", 106, CheckBoxUnitInitialize, CheckBoxUnitFinalize},
        {"cxProgressBar", 107, ProgressBarUnitInitialize, ProgressBarUnitFinalize},
    };
}
