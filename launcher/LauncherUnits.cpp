#include "launcher/LauncherUnits.h"

#include <algorithm>

#include "data/access/DataAccessUnits.h"
#include "data/access/providers/ProviderUnits.h"
#include "data/memory/MemoryUnits.h"
#include "launcher/Account.h"
#include "launcher/CustomServiceEntry.h"
#include "launcher/Globals.h"
#include "launcher/SysConfig.h"
#include "launcher/TextProcs.h"
#include "platform/forms/FormsUnits.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/editors/EditorsUnits.h"
#include "ui/editors/framework/EditorFrameworkUnits.h"
#include "ui/skins-forms/SkinFormsUnits.h"
#include "ui/skins/SkinsUnits.h"

std::vector<UnitEntry> LauncherUnits() {
    std::vector<UnitEntry> units =
        JoinUnits({MemoryUnits(), DataAccessUnits(), ProviderUnits(), PaintingCoreUnits(), FormsUnits(),
                   SkinsUnits(), EditorFrameworkUnits(), EditorsUnits(), SkinFormsUnits()});
    units.insert(units.end(), {
                                  {"xProcs", 200, TextProcsInitialize, nullptr},
                                  {"Globals", 210, GlobalsInitialize, GlobalsFinalize},
                                  {"SysConfig", 220, SysConfigInitialize, SysConfigFinalize},
                                  {"unitAccount", 225, AccountInitialize, AccountFinalize},
                                  {"CustomServiceEntry", 230, ServiceEntryInitialize, ServiceEntryFinalize},
                              });
    // The libraries' numbers interleave (the providers around UniProvider, forms inside the
    // painting core); InitializeUnits orders by number, and so does the list for its readers.
    std::stable_sort(units.begin(), units.end(),
                     [](const UnitEntry& a, const UnitEntry& b) { return a.Order < b.Order; });
    return units;
}
