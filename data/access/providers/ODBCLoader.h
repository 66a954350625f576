#pragma once
// The ODBC provider's loader: one prepared INSERT over an ODBC command, executed once per row.
#include "data/access/CRLoader.h"

class TODBCLoader : public TCRSimpleLoader {
public:
    VZ_CLASS(TODBCLoader, TCRSimpleLoader)
    TODBCLoader();

    void CreateCommand() override;
    TClass GetRecordSetClass() override;
};
