#pragma once
// A small dataset of the tests' own over rows kept in a vector, to drive the framework's buffer
// ring, states and field protocol without the record model beneath it. Each row holds every
// column in its buffer form behind a null byte; calculated values follow the row in buffers.
#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "platform/db/DataSet.h"

struct TColumn {
    AnsiString Name;
    TFieldType Type = ftInteger;
    int Size = 0;
    bool Required = false;
};

class TVectorDataSet : public TDataSet {
public:
    VZ_CLASS(TVectorDataSet, TDataSet)
    explicit TVectorDataSet(TComponent* owner = nullptr) : TDataSet(owner) {}
    // Closes while this class's slots are still reachable.
    ~TVectorDataSet() override {
        Destroying();
        Close();
    }

    std::vector<TColumn> Columns;
    bool ReadOnlyData = false;
    int ReadCount = 0;    // records read into buffers
    int CloseCount = 0;   // InternalClose calls
    int LiveBuffers = 0;  // allocated and not yet freed
    int FailNextPost = 0; // posts that fail with a database error before one succeeds

    // Rows are kept raw: one null byte and the buffer form per column.
    static int NativeSize(TFieldType type, int size) {
        switch (type) {
        case ftString:
        case ftFixedChar:
        case ftGuid:
            return size + 1;
        case ftWideString:
            return (size + 1) * 2;
        case ftSmallint:
        case ftWord:
        case ftBoolean:
            return 2;
        case ftInteger:
        case ftAutoInc:
        case ftDate:
        case ftTime:
            return 4;
        case ftBytes:
            return size;
        case ftVarBytes:
            return size + 2;
        case ftBCD:
        case ftFMTBcd:
            return 34;
        case ftBlob:
        case ftMemo:
            return 4;
        default:
            return 8;
        }
    }

    int RowCount() const { return static_cast<int>(rows_.size()); }
    // The stored row index a buffer holds (-1 for none).
    int RowOfBuffer(TRecordBuffer buffer) const {
        int id = BookmarkOf(buffer);
        for (size_t i = 0; i < ids_.size(); ++i)
            if (ids_[i] == id) return static_cast<int>(i);
        return -1;
    }
    int Cursor() const { return cursor_; }
    // Adds a row of integer and string columns without the editing protocol (dataset closed).
    void AddRawRow(const std::vector<Variant>& values) {
        Layout();
        std::vector<uint8_t> row(static_cast<size_t>(recordSize_), 0);
        for (size_t i = 0; i < values.size() && i < Columns.size(); ++i) {
            if (values[i].IsEmptyOrNull()) continue;
            uint8_t* place = row.data() + offsets_[i];
            place[0] = 1;
            if (Columns[i].Type == ftInteger) {
                int32_t value = values[i].AsInteger();
                std::memcpy(place + 1, &value, 4);
            } else {
                AnsiString text = values[i].AsAnsiString().substr(0, static_cast<size_t>(Columns[i].Size));
                std::memcpy(place + 1, text.data(), text.size());
            }
        }
        rows_.push_back(std::move(row));
        ids_.push_back(nextId_++);
    }

protected:
    TRecordBuffer AllocRecordBuffer() override {
        ++LiveBuffers;
        auto* buffer = new uint8_t[static_cast<size_t>(BufferSize())];
        std::memset(buffer, 0, static_cast<size_t>(BufferSize()));
        return buffer;
    }
    void FreeRecordBuffer(TRecordBuffer& buffer) override {
        if (buffer) --LiveBuffers;
        delete[] buffer;
        buffer = nullptr;
    }
    bool IsCursorOpen() override { return open_; }
    void InternalInitFieldDefs() override {
        FieldDefs().Clear();
        int no = 1;
        for (const TColumn& column : Columns)
            new TFieldDef(&FieldDefs(), column.Name, column.Type, column.Size, column.Required, no++);
        FieldDefs().Updated = true;
    }
    void InternalOpen() override {
        InternalInitFieldDefs();
        Layout();
        if (DefaultFields()) CreateFields();
        BindFields(true);
        SetBookmarkSize(4);
        cursor_ = -1;
        open_ = true;
    }
    void InternalClose() override {
        ++CloseCount;
        BindFields(false);
        if (DefaultFields()) DestroyFields();
        open_ = false;
    }
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool) override {
        if (mode == gmNext) ++cursor_;
        if (mode == gmPrior) --cursor_;
        if (cursor_ < 0) {
            cursor_ = -1;
            return grBOF;
        }
        if (cursor_ >= RowCount()) {
            cursor_ = RowCount();
            return grEOF;
        }
        ++ReadCount;
        std::memcpy(buffer, rows_[static_cast<size_t>(cursor_)].data(), static_cast<size_t>(recordSize_));
        Info(buffer).RecNo = cursor_;
        Info(buffer).Flag = bfCurrent;
        SetId(buffer, ids_[static_cast<size_t>(cursor_)]);
        GetCalcFields(buffer);
        return grOK;
    }
    void InternalFirst() override { cursor_ = -1; }
    void InternalLast() override { cursor_ = RowCount(); }
    void InternalGotoBookmark(const void* bookmark) override {
        int id = 0;
        std::memcpy(&id, bookmark, 4);
        for (size_t i = 0; i < ids_.size(); ++i)
            if (ids_[i] == id) cursor_ = static_cast<int>(i);
    }
    void InternalSetToRecord(TRecordBuffer buffer) override {
        int id = BookmarkOf(buffer);
        InternalGotoBookmark(&id);
    }
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override {
        return static_cast<TBookmarkFlag>(Info(buffer).Flag);
    }
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) override { Info(buffer).Flag = value; }
    void GetBookmarkData(TRecordBuffer buffer, void* data) override {
        std::memcpy(data, buffer + idOffset_, 4);
    }
    void SetBookmarkData(TRecordBuffer buffer, const void* data) override {
        int id = -1;
        if (data) std::memcpy(&id, data, 4);
        SetId(buffer, id);
    }
    void InternalInitRecord(TRecordBuffer buffer) override {
        std::memset(buffer, 0, static_cast<size_t>(recordSize_));
    }
    void ClearCalcFields(TRecordBuffer buffer) override {
        std::memset(buffer + recordSize_, 0, static_cast<size_t>(CalcFieldsSize()));
    }
    int GetRecordCount() override { return RowCount(); }
    int GetRecNo() override {
        if (IsEmpty() || State() == dsInsert) return -1;
        return Info(ActiveBuffer()).RecNo + 1;
    }
    void SetRecNoSlot(int value) override {
        CheckBrowseMode();
        if (value < 1 || value > RowCount()) return;
        DoBeforeScroll();
        cursor_ = value - 1;
        Resync(0);
        DoAfterScroll();
    }
    bool IsSequenced() override { return true; }
    bool GetCanModify() override { return !ReadOnlyData; }
    void InternalPost() override {
        TDataSet::InternalPost();
        if (FailNextPost > 0) {
            --FailNextPost;
            DatabaseError("Post failed", this);
        }
        if (State() == dsInsert)
            InternalAddRecord(ActiveBuffer(), GetBookmarkFlag(ActiveBuffer()) == bfEOF);
        else
            std::memcpy(rows_[static_cast<size_t>(cursor_)].data(), ActiveBuffer(),
                        static_cast<size_t>(recordSize_));
    }
    void InternalAddRecord(const void* buffer, bool append) override {
        std::vector<uint8_t> row(static_cast<const uint8_t*>(buffer),
                                 static_cast<const uint8_t*>(buffer) + recordSize_);
        if (append || cursor_ >= RowCount()) cursor_ = RowCount();
        if (cursor_ < 0) cursor_ = 0;
        rows_.insert(rows_.begin() + cursor_, std::move(row));
        ids_.insert(ids_.begin() + cursor_, nextId_++);
    }
    void InternalDelete() override {
        rows_.erase(rows_.begin() + cursor_);
        ids_.erase(ids_.begin() + cursor_);
    }

public:
    bool GetFieldData(TField* field, void* buffer) override {
        const uint8_t* record = CurrentBuffer();
        if (!record) return false;
        const uint8_t* place = FieldPlace(record, field);
        if (!place || place[0] == 0) return false;
        if (buffer) std::memcpy(buffer, place + 1, static_cast<size_t>(Bytes(field)));
        if (field->IsBlob()) {
            // An empty blob reads as null, as the record model's blobs do.
            int32_t number = 0;
            std::memcpy(&number, place + 1, 4);
            return !blobs_[static_cast<size_t>(number - 1)].empty() || buffer != nullptr;
        }
        return true;
    }
    using TDataSet::GetFieldData;
    void SetFieldData(TField* field, const void* buffer) override {
        TDataSetState state = State();
        if (state != dsEdit && state != dsInsert && state != dsSetKey && state != dsCalcFields &&
            state != dsFilter && state != dsNewValue && state != dsInternalCalc)
            DatabaseError("Dataset not in edit or insert mode", this);
        if (field->FieldNo() > 0 && state == dsCalcFields)
            DatabaseError("Dataset not in edit or insert mode", this);
        if (field->ReadOnly() && state != dsSetKey && state != dsFilter)
            DatabaseErrorFmt("Field '%s' cannot be modified", field->DisplayName());
        field->Validate(buffer);
        auto* record = const_cast<uint8_t*>(CurrentBuffer());
        uint8_t* place = const_cast<uint8_t*>(FieldPlace(record, field));
        place[0] = buffer ? 1 : 0;
        std::memset(place + 1, 0, static_cast<size_t>(Bytes(field)));
        if (buffer) std::memcpy(place + 1, buffer, static_cast<size_t>(Bytes(field)));
        if (state != dsCalcFields && state != dsFilter && state != dsNewValue)
            DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
    }
    using TDataSet::SetFieldData;
    Variant GetStateFieldValue(TDataSetState state, TField* field) override {
        if (state == dsOldValue && State() == dsInsert) return Variant::Null();
        return TDataSet::GetStateFieldValue(state, field);
    }
    Variant Lookup(const AnsiString& keyFields, const TVariantArray& keyValues,
                   const AnsiString& resultFields) override {
        std::vector<TField*> keys;
        GetFieldList(keys, keyFields);
        TField* result = FieldByName(resultFields);
        TDataSetState saved = SetTempState(dsFilter);
        Variant found = Variant::Null();
        for (auto& row : rows_) {
            filterRecord_ = row.data();
            bool match = true;
            for (size_t i = 0; i < keys.size() && match; ++i)
                match = i < keyValues.size() && keys[i]->Value() == keyValues[i];
            if (match) {
                found = result->Value();
                break;
            }
        }
        filterRecord_ = nullptr;
        RestoreState(saved);
        return found;
    }
    // Blobs live beside the rows; a blob column holds the 1-based number of its text (0: null).
    TStream* CreateBlobStream(TField* field, TBlobStreamMode mode) override {
        if (mode != bmRead && State() != dsEdit && State() != dsInsert)
            DatabaseError("Dataset not in edit or insert mode", this);
        int32_t number = 0;
        bool present = GetFieldData(field, &number);
        if (mode != bmRead && !present) {
            blobs_.emplace_back();
            number = static_cast<int32_t>(blobs_.size());
            SetFieldData(field, &number);
        }
        return new TBlobText(this, field,
                             present || mode != bmRead ? &blobs_[static_cast<size_t>(number - 1)] : nullptr,
                             mode);
    }
    TDataSetState EnterTempState(TDataSetState state) { return SetTempState(state); }
    void LeaveTempState(TDataSetState state) { RestoreState(state); }

private:
    // Blob columns hold a 4-byte blob number.
    static int Bytes(TField* field) { return field->IsBlob() ? 4 : field->DataSize(); }
    class TBlobText : public TStream {
    public:
        TBlobText(TVectorDataSet* dataSet, TField* field, AnsiString* text, TBlobStreamMode mode)
            : dataSet_(dataSet), field_(field), text_(text) {
            if (mode == bmWrite && text_) {
                text_->clear();
                modified_ = true;
            }
        }
        ~TBlobText() override {
            if (!modified_) return;
            field_->Modified = true;
            dataSet_->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field_));
        }
        int Read(void* buffer, int count) override {
            if (!text_ || count <= 0 || position_ >= static_cast<int64_t>(text_->size())) return 0;
            int n =
                static_cast<int>(std::min<int64_t>(count, static_cast<int64_t>(text_->size()) - position_));
            std::memcpy(buffer, text_->data() + position_, static_cast<size_t>(n));
            position_ += n;
            return n;
        }
        int Write(const void* buffer, int count) override {
            if (!text_ || count <= 0) return 0;
            if (text_->size() < static_cast<size_t>(position_ + count))
                text_->resize(static_cast<size_t>(position_ + count));
            std::memcpy(text_->data() + position_, buffer, static_cast<size_t>(count));
            position_ += count;
            modified_ = true;
            return count;
        }
        int64_t Seek(int64_t offset, TSeekOrigin origin) override {
            int64_t size = text_ ? static_cast<int64_t>(text_->size()) : 0;
            position_ = origin == soBeginning ? offset
                        : origin == soCurrent ? position_ + offset
                                              : size + offset;
            return position_;
        }

    private:
        TVectorDataSet* dataSet_;
        TField* field_;
        AnsiString* text_;
        int64_t position_ = 0;
        bool modified_ = false;
    };
#pragma pack(push, 1)
    struct TInfo {
        int32_t RecNo;
        uint8_t Flag;
    };
#pragma pack(pop)
    int BufferSize() const {
        return idOffset_ + 4;
    }
    TInfo& Info(TRecordBuffer buffer) const {
        return *reinterpret_cast<TInfo*>(buffer + infoOffset_);
    }
    int BookmarkOf(TRecordBuffer buffer) const {
        int id = 0;
        std::memcpy(&id, buffer + idOffset_, 4);
        return id;
    }
    void SetId(TRecordBuffer buffer, int id) {
        std::memcpy(buffer + idOffset_, &id, 4);
    }
    void Layout() {
        offsets_.clear();
        recordSize_ = 0;
        for (const TColumn& column : Columns) {
            offsets_.push_back(recordSize_);
            recordSize_ += 1 + NativeSize(column.Type, column.Size);
        }
        for (auto& row : rows_)
            row.resize(static_cast<size_t>(recordSize_));
        infoOffset_ = recordSize_ + CalcFieldsSizeForLayout();
        idOffset_ = infoOffset_ + static_cast<int>(sizeof(TInfo));
    }
    // Calculated area: one null byte and the data of every calculated or lookup field.
    int CalcFieldsSizeForLayout() {
        int size = 0;
        for (int i = 0; i < Fields().Count(); ++i) {
            TField* field = Fields()[i];
            if (field->FieldKind() == TFieldKind::fkCalculated || field->FieldKind() == TFieldKind::fkLookup)
                size += field->DataSize() + 1;
        }
        return size;
    }
    const uint8_t* CurrentBuffer() {
        switch (State()) {
        case dsBrowse:
        case dsBlockRead:
            return IsEmpty() ? nullptr : ActiveBuffer();
        case dsEdit:
        case dsInsert:
        case dsNewValue:
            return ActiveBuffer();
        case dsCalcFields:
            return CalcBuffer();
        case dsFilter:
            return filterRecord_;
        case dsOldValue:
            if (cursor_ < 0 || cursor_ >= RowCount()) return nullptr;
            UpdateCursorPos();
            return rows_[static_cast<size_t>(cursor_)].data();
        default:
            return nullptr;
        }
    }
    const uint8_t* FieldPlace(const uint8_t* record, TField* field) const {
        if (!record) return nullptr;
        if (field->FieldNo() > 0) return record + offsets_[static_cast<size_t>(field->FieldNo() - 1)];
        if (State() == dsFilter || State() == dsOldValue) return nullptr;
        return record + recordSize_ + field->Offset();
    }

    std::deque<AnsiString> blobs_;
    std::vector<std::vector<uint8_t>> rows_;
    std::vector<int> ids_;
    std::vector<int> offsets_;
    int nextId_ = 1;
    int cursor_ = -1;
    int recordSize_ = 0;
    int infoOffset_ = 0;
    int idOffset_ = 4;
    bool open_ = false;
    const uint8_t* filterRecord_ = nullptr;
};
