#pragma once
// TBlobStream: reads and writes a blob field of the dataset's current record buffer through the
// record set's blob operations. In the old-value state it reads the blob as it was before the
// edit.
#include "platform/db/Fields.h"

class TMemDataSet;

class TBlobStream : public TStream {
public:
    VZ_CLASS(TBlobStream, TStream)
    // Writing modes need an editing state and a modifiable field ("Dataset not in edit or insert
    // mode", "Field '%s' cannot be modified"); bmWrite empties the blob at once. Without a
    // current record the stream stays closed: nothing is transferred and the size is 0.
    TBlobStream(TBlobField* field, TBlobStreamMode mode);
    // A modified stream marks the field modified and tells the dataset of the change.
    ~TBlobStream() override;

    // At or past the end, or for count <= 0, nothing is read (0).
    int Read(void* buffer, int count) override;
    // count <= 0 writes nothing; past the end the gap is filled with zeros.
    int Write(const void* buffer, int count) override;
    // A position before the start is refused: the position is kept.
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return GetBlobSize(); }
    void SetSize(int64_t newSize) override;
    // Cuts the blob at the current position.
    void Truncate();
    int GetBlobSize();

private:
    bool UseRollback() const;

    TBlobField* field_;
    TMemDataSet* dataSet_;
    void* buffer_ = nullptr;
    uint16_t fieldNo_;
    bool modified_ = false;
    bool opened_ = false;
    int32_t position_ = 0;
    TBlobStreamMode mode_;
};
