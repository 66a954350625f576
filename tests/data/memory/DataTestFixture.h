#pragma once
// A record set whose fields are described by a list given by the test, and a record buffer that
// owns its complex fields.
#include <vector>

#include "data/memory/Data.h"

struct FieldSpec {
    const char* Name;
    TDataTypeCode Code;
    int Length = 0;
    int Scale = 0;
    uint8_t Kind = fkData;
};

class TTestData : public TData {
public:
    TTestData() = default;
    explicit TTestData(std::vector<FieldSpec> specs) : Specs(std::move(specs)) { InitFields(); }
    std::vector<FieldSpec> Specs;
    int DoOpenCalls = 0;
    bool FailOpen = false;

protected:
    void DoInitFields() override {
        for (const auto& s : Specs) {
            auto* d = new TFieldDesc();
            d->FieldName = s.Name;
            d->SourceName = s.Name;
            d->TypeCode = s.Code;
            d->DeclaredLength = static_cast<uint16_t>(s.Length);
            d->DeclaredScale = static_cast<int16_t>(s.Scale);
            d->FieldKind = s.Kind;
            d->StorageSize = DataTypeStorageSize(s.Code, s.Length);
            FieldDescs().Add(d);
        }
    }
    void DoOpen(bool) override {
        ++DoOpenCalls;
        if (FailOpen) throw Exception("open failed");
    }
};

class TRecord {
public:
    explicit TRecord(TData& data, bool withBlobs = true) : data_(data), withBlobs_(withBlobs) {
        data_.AllocRecBuf(buffer_);
        data_.InitRecordBuf(buffer_);
        data_.CreateComplexFields(buffer_, withBlobs_);
    }
    ~TRecord() {
        data_.FreeComplexFields(buffer_, withBlobs_);
        data_.FreeRecBuf(buffer_);
    }
    TRecord(const TRecord&) = delete;
    TRecord& operator=(const TRecord&) = delete;
    void* get() const { return buffer_; }
    operator void*() const { return buffer_; }

private:
    TData& data_;
    bool withBlobs_;
    void* buffer_ = nullptr;
};
