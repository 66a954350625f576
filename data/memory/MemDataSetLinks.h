#pragma once
// The link a detail TMemDataSet keeps to its master's data source.
#include "platform/db/DataSet.h"

class TMemDataSet;

class TDADetailDataLink : public TDetailDataLink {
public:
    VZ_CLASS(TDADetailDataLink, TDetailDataLink)
    explicit TDADetailDataLink(TMemDataSet* detail) : detail_(detail) {}
    TDataSet* GetDetailDataSet() override;

protected:
    void ActiveChanged() override;
    void RecordChanged(TField* field) override;
    // A pending detail edit is posted before the master moves.
    void CheckBrowseMode() override;

private:
    TMemDataSet* detail_;
};
