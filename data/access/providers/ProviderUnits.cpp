#include "data/access/providers/ProviderUnits.h"

#include "data/access/providers/AccessUniProvider.h"
#include "data/access/providers/ODBCCall.h"
#include "data/access/providers/ODBCUniProvider.h"

std::vector<UnitEntry> ProviderUnits() {
    return {
        {"ODBCCall", 35, ODBCCallInitialize, ODBCCallFinalize},
        {"ODBCUniProvider", 37, ODBCUniProviderUnitInitialize, ODBCUniProviderUnitFinalize},
        {"AccessUniProvider", 38, AccessUniProviderUnitInitialize, AccessUniProviderUnitFinalize},
    };
}
