#pragma once
// The ODBC provider's dump processor: tables are read forward only and never written through.
#include "data/access/DADump.h"

class TCustomODBCDumpProcessor : public TDADumpProcessor {
public:
    VZ_CLASS(TCustomODBCDumpProcessor, TDADumpProcessor)
    using TDADumpProcessor::TDADumpProcessor;
    std::unique_ptr<TCustomDADataSet> NewQuery() override;
};
