#include "data/memory/BlobStream.h"

#include <vector>

#include "data/memory/MemDataSet.h"

TBlobStream::TBlobStream(TBlobField* field, TBlobStreamMode mode)
    : field_(field), dataSet_(dynamic_cast<TMemDataSet*>(field->DataSet())),
      fieldNo_(static_cast<uint16_t>(field->FieldNo())), mode_(mode) {
    if (!dataSet_) throw EInvalidCast("Invalid class typecast");
    if (!dataSet_->CurrentRecordBuffer(buffer_)) return;
    if (mode != bmRead && !field->Modified) {
        if (field->ReadOnly()) DatabaseErrorFmt("Field '%s' cannot be modified", field->DisplayName());
        TDataSetState state = dataSet_->State();
        if (state != dsEdit && state != dsInsert && state != dsNewValue)
            DatabaseError("Dataset not in edit or insert mode");
    }
    opened_ = true;
    if (mode == bmWrite) Truncate();
}

TBlobStream::~TBlobStream() {
    if (opened_ && modified_) field_->Modified = true;
    if (modified_) {
        try {
            dataSet_->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field_));
        } catch (...) {
            // A destructor cannot report it; the value itself is written already.
        }
    }
}

bool TBlobStream::UseRollback() const {
    return dataSet_->State() == dsOldValue;
}

int TBlobStream::Read(void* buffer, int count) {
    if (!opened_ || count <= 0) return 0;
    TData* data = dataSet_->RecordSet();
    int size = data->GetBlobSize(fieldNo_, buffer_, false, UseRollback());
    // At or past the end there is nothing; the record set would read "to the end" for 0.
    if (position_ >= size) return 0;
    int read = data->ReadBlob(fieldNo_, buffer_, false, UseRollback(), buffer, count, position_);
    position_ += read;
    return read;
}

int TBlobStream::Write(const void* buffer, int count) {
    if (!opened_ || count <= 0) return 0;
    TData* data = dataSet_->RecordSet();
    int size = data->GetBlobSize(fieldNo_, buffer_, false, false);
    if (position_ > size) {
        // The record set appends at the end: the gap up to the position becomes zeros.
        std::vector<char> zeros(static_cast<size_t>(position_ - size), 0);
        data->WriteBlob(fieldNo_, buffer_, false, zeros.data(), static_cast<int>(zeros.size()), size);
    }
    data->WriteBlob(fieldNo_, buffer_, false, buffer, count, position_);
    position_ += count;
    modified_ = true;
    return count;
}

int64_t TBlobStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t target = position_;
    switch (origin) {
    case soBeginning:
        target = offset;
        break;
    case soCurrent:
        target = position_ + offset;
        break;
    case soEnd:
        target = GetBlobSize() + offset;
        break;
    }
    if (target >= 0 && target <= INT32_MAX) position_ = static_cast<int32_t>(target);
    return position_;
}

void TBlobStream::SetSize(int64_t newSize) {
    if (!opened_) return;
    if (newSize < 0 || newSize > INT32_MAX) throw EStreamError("Invalid stream size");
    dataSet_->RecordSet()->SetBlobSize(fieldNo_, buffer_, false, UseRollback(), static_cast<int>(newSize));
    modified_ = true;
}

void TBlobStream::Truncate() {
    if (!opened_) return;
    dataSet_->RecordSet()->TruncateBlob(fieldNo_, buffer_, false, position_);
    modified_ = true;
}

int TBlobStream::GetBlobSize() {
    if (!opened_) return 0;
    return dataSet_->RecordSet()->GetBlobSize(fieldNo_, buffer_, false, UseRollback());
}
