#include "data/access/providers/ODBCDumpProcessor.h"

#include "data/access/DADataSet.h"

std::unique_ptr<TCustomDADataSet> TCustomODBCDumpProcessor::NewQuery() {
    std::unique_ptr<TCustomDADataSet> query = TDADumpProcessor::NewQuery();
    query->SetReadOnly(true);
    query->SetUniDirectional(true);
    return query;
}
