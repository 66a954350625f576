#include "ui/skins-forms/SkinFormsUnits.h"

#include "ui/skins-forms/SkinController.h"

std::vector<UnitEntry> SkinFormsUnits() {
    return {{"dxSkinsForm", 190, SkinFormsInitialize, SkinFormsFinalize}};
}
