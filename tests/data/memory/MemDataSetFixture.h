#pragma once
// A record list that makes its rows when it opens, as a provider's record set fetches them, under
// a real TMemDataSet.
#include <functional>
#include <memory>
#include <vector>

#include "data/memory/MemDataSet.h"
#include "tests/data/memory/MemDataTestFixture.h"

class TRowsData : public TTestMemData {
public:
    using Filler = std::function<void(TRowsData& data)>;
    TRowsData(std::vector<FieldSpec> specs, Filler filler)
        : TTestMemData(std::move(specs)), Fill(std::move(filler)) {}
    Filler Fill;
    std::function<void(TFieldDesc* desc)> AdjustDesc;

    // Appends a row whose values set writes into the record buffer (external forms).
    void AddRow(const std::function<void(void* buffer)>& set) {
        void* buffer = nullptr;
        AllocRecBuf(buffer);
        try {
            InitRecordBuf(buffer);
            CreateComplexFields(buffer, true);
            set(buffer);
            AppendRecord(buffer);
        } catch (...) {
            FreeComplexFields(buffer, true);
            FreeRecBuf(buffer);
            throw;
        }
        FreeRecBuf(buffer);
    }

protected:
    void DoInitFields() override {
        TTestMemData::DoInitFields();
        if (AdjustDesc)
            for (int i = 0; i < FieldDescs().Count(); ++i)
                AdjustDesc(FieldDescs()[i]);
    }
    void DoOpen(bool) override {
        InitFields();
        if (Fill) Fill(*this);
        // A provider's record set is at its beginning once opened.
        SetToBegin();
    }
};

// A data link that only asks for buffers.
class TBufferLink : public TDataLink {
public:
    VZ_CLASS(TBufferLink, TDataLink)
};

inline int32_t BufferInt(TMemDataSet& ds, TRecordBuffer buffer, int fieldNo) {
    bool isNull = false;
    int32_t value = 0;
    ds.RecordSet()->GetField(fieldNo, buffer, isNull, &value);
    return isNull ? INT32_MIN : value;
}
