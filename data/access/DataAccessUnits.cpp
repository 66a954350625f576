#include "data/access/DataAccessUnits.h"

#include "data/access/CRVioTcp.h"
#include "data/access/DAConnection.h"
#include "data/access/DBMonitorClient.h"
#include "data/access/MTSCall.h"
#include "data/access/UniProvider.h"

std::vector<UnitEntry> DataAccessUnits() {
    return {
        {"MTSCall", 30, MTSCallInitialize, MTSCallFinalize},
        {"CRVioTcp", 31, CRVioInitialize, CRVioFinalize},
        {"DBAccess", 32, DBAccessInitialize, DBAccessFinalize},
        {"DBMonitorClient", 33, nullptr, DBMonitorClientFinalize},
        {"UniProvider", 36, UniProviderUnitInitialize, UniProviderUnitFinalize},
    };
}
