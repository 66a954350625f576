#pragma once
// The Access provider: the ODBC provider over the Access driver.
#include "data/access/providers/ODBCUniProvider.h"

// Function map and macros of Access; the lists are made when the provider unit starts.
class TAccessFormatter : public TUniSqlFormatter {
public:
    VZ_CLASS(TAccessFormatter, TUniSqlFormatter)
    TAccessFormatter();
};

void AccessUniProviderUnitInitialize();
void AccessUniProviderUnitFinalize();
