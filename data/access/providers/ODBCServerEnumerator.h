#pragma once
// The ODBC provider's server list: the data source names the driver manager knows.
#include "data/access/CRServerEnumerator.h"

class TODBCServerEnumerator : public TCRServerEnumerator {
public:
    VZ_CLASS(TODBCServerEnumerator, TCRServerEnumerator)
    void GetServerList(TStrings* list) override;
};
