#include "platform/forms/FormsUnits.h"

#include "platform/forms/Forms.h"

std::vector<UnitEntry> FormsUnits() {
    return {{"Forms", 60, FormsInitialize, FormsFinalize}};
}
