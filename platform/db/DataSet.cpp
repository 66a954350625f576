#include "platform/db/DataSet.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/db/Params.h"

namespace {
// Runs its action when the scope ends, also by an exception (the platform's try/finally).
template <class F> class Finally {
public:
    explicit Finally(F action) : action_(std::move(action)) {}
    // The unwinding test is made only when the action fails: it costs a thread-local lookup,
    // and every scroll runs through here.
    ~Finally() noexcept(false) {
        try {
            action_();
        } catch (...) {
            if (std::uncaught_exceptions() > 0) return; // the first error is the one that leaves
            throw;
        }
    }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    F action_;
};

// A copy of a short list of sources or links taken before telling them (one may leave while
// told), kept inline for the usual few so that every scroll does not allocate.
template <class T> class TListSnapshot {
public:
    explicit TListSnapshot(const std::vector<T*>& list) : count_(list.size()) {
        if (count_ <= std::size(inline_))
            std::copy(list.begin(), list.end(), inline_);
        else
            heap_.assign(list.begin(), list.end());
    }
    T* const* begin() const { return heap_.empty() ? inline_ : heap_.data(); }
    T* const* end() const { return begin() + count_; }

private:
    T* inline_[8];
    std::vector<T*> heap_;
    size_t count_;
};

bool NeedsConversion(TFieldType type) {
    return FieldNeedsConversion(type);
}

bool IsEditMode(TDataSetState state) {
    return state == dsEdit || state == dsInsert || state == dsSetKey;
}

// Field types that compare as one when a persistent field meets its definition.
TFieldType BaseFieldType(TFieldType type) {
    switch (type) {
    case ftCurrency:
        return ftFloat;
    case ftAutoInc:
        return ftInteger;
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
    case ftOraClob:
        return ftBlob;
    case ftFixedChar:
        return ftString;
    default:
        return type;
    }
}

// Scratch for one value in buffer form.
class ScratchBuffer {
public:
    explicit ScratchBuffer(int size) : data_(static_cast<size_t>(std::max(size, 0)) + 8, 0) {}
    uint8_t* Data() { return data_.data(); }

private:
    std::vector<uint8_t> data_;
};
} // namespace

// ---- construction ----------------------------------------------------------------------------

TDataSet::TDataSet(TComponent* owner)
    : TComponent(owner), fields_(std::make_unique<TFields>(this)),
      fieldDefs_(std::make_unique<TFieldDefs>(this)), fieldDefList_(std::make_unique<TFieldDefList>(this)),
      fieldList_(std::make_unique<TFieldList>(this)) {
    fields_->OnChange = [this] {
        if (fieldList_) fieldList_->Updated = false;
    };
}

TDataSet::~TDataSet() {
    Destroying();
    // Descendants have closed already when they override the cursor slots; this closes what is left.
    if (Active()) {
        try {
            SetActive(false);
        } catch (...) {
        }
    }
    while (!dataSources_.empty())
        RemoveDataSource(dataSources_.back());
    DestroyFields();
    for (TRecordBuffer& buffer : buffers_)
        delete[] buffer; // only buffers nobody freed: none normally
    buffers_.clear();
}

// ---- open and close --------------------------------------------------------------------------

void TDataSet::SetActive(bool value) {
    if (HasState(csLoading)) {
        streamedActive_ = value;
        return;
    }
    if (Active() == value) return;
    if (value) {
        DoBeforeOpen();
        try {
            OpenCursor(false);
        } catch (...) {
            internalOpenComplete_ = false;
            try {
                CloseCursor();
            } catch (...) {
            }
            throw;
        }
        OpenCursorComplete();
    } else {
        if (!HasState(csDestroying)) DoBeforeClose();
        SetState(dsInactive);
        CloseCursor();
        if (!HasState(csDestroying)) DoAfterClose();
    }
}

void TDataSet::OpenCursor(bool infoQuery) {
    if (infoQuery)
        InternalInitFieldDefs();
    else if (state_ != dsOpening)
        DoInternalOpen();
}

void TDataSet::DoInternalOpen() {
    defaultFields_ = FieldCount() == 0;
    InternalOpen();
    internalOpenComplete_ = true;
    UpdateBufferCount();
    bof_ = true;
}

void TDataSet::OpenCursorComplete() {
    if (!internalOpenComplete_) {
        SetState(dsInactive);
        CloseCursor();
        return;
    }
    SetState(dsBrowse);
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
}

void TDataSet::CloseCursor() {
    if (blockReadSize_ > 0) blockReadSize_ = 0;
    internalOpenComplete_ = false;
    FreeFieldBuffers();
    ClearBuffers();
    SetBufListSize(0);
    bufferCount_ = 0;
    InternalClose();
    defaultFields_ = false;
}

void TDataSet::CheckActive() {
    if (state_ == dsInactive) DatabaseError("Cannot perform this operation on a closed dataset", this);
}

void TDataSet::CheckInactive() {
    if (Active()) {
        if (HasState(csUpdating) || HasState(csDesigning))
            Close();
        else
            DatabaseError("Cannot perform this operation on an open dataset", this);
    }
}

void TDataSet::Loaded() {
    TComponent::Loaded();
    if (streamedActive_) {
        streamedActive_ = false;
        SetActive(true);
    }
}

void TDataSet::SetState(TDataSetState value) {
    if (state_ == value) return;
    state_ = value;
    modified_ = false;
    DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
    TDataSetState previous = state_;
    state_ = value;
    ++disableCount_;
    return previous;
}

void TDataSet::RestoreState(TDataSetState value) {
    state_ = value;
    --disableCount_;
}

// ---- fields ----------------------------------------------------------------------------------

TFieldDefList& TDataSet::FieldDefList() {
    if (!fieldDefList_->Updated) fieldDefList_->Update();
    return *fieldDefList_;
}

TFieldList& TDataSet::FieldList() {
    if (!fieldList_->Updated) fieldList_->Update();
    return *fieldList_;
}

TField* TDataSet::FindField(const AnsiString& name) {
    if (TField* field = fields_->FindField(name)) return field;
    return FieldList().Find(name);
}

TField* TDataSet::FieldByName(const AnsiString& name) {
    TField* field = FindField(name);
    if (!field) DatabaseErrorFmt("Field '%s' not found", name, this);
    return field;
}

TField* TDataSet::FieldByNumber(int fieldNo) {
    TFieldList& list = FieldList();
    for (int i = 0; i < list.Count(); ++i)
        if (list.Fields(i)->FieldNo() == fieldNo) return list.Fields(i);
    return nullptr;
}

void TDataSet::SetObjectView(bool value) {
    CheckInactive();
    objectView_ = value;
}

void TDataSet::SetSparseArrays(bool value) {
    CheckInactive();
    sparseArrays_ = value;
}

void TDataSet::InitFieldDefs() {
    if (IsCursorOpen()) {
        InternalInitFieldDefs();
        return;
    }
    Finally close([this] { CloseCursor(); });
    OpenCursor(true);
}

void TDataSet::InitFieldDefsFromFields() {
    if (fieldDefs_->Count() > 0) return;
    fieldDefs_->BeginUpdate();
    Finally end([this] { fieldDefs_->EndUpdate(); });
    for (int i = 0; i < fields_->Count(); ++i) {
        TField* field = fields_->Fields(i);
        if (field->FieldKind() != TFieldKind::fkData) continue;
        TFieldDef* def =
            fieldDefs_->Add(field->FieldName(), field->DataType(), field->Size(), field->Required);
        if (field->ReadOnly()) def->SetAttributes(def->Attributes() | faReadonly);
    }
}

void TDataSet::CreateFields() {
    const bool hidden = fieldDefs_->HiddenFields;
    if (objectView_) {
        for (int i = 0; i < fieldDefs_->Count(); ++i) {
            TFieldDef* def = fieldDefs_->Items(i);
            if (def->DataType() != ftUnknown && !((def->Attributes() & faHiddenCol) && !hidden))
                def->CreateField(this);
        }
        return;
    }
    TFieldDefList& list = FieldDefList();
    for (int i = 0; i < list.Count(); ++i) {
        TFieldDef* def = list.FieldDefs(i);
        TFieldType type = def->DataType();
        if (type == ftUnknown || type == ftADT || type == ftArray || type == ftReference || type == ftDataSet)
            continue;
        if ((def->Attributes() & faHiddenCol) && !hidden) continue;
        def->CreateField(this, nullptr, list.Names(i), false);
    }
}

void TDataSet::DestroyFields() {
    fields_->Clear();
}

void TDataSet::CheckFieldCompatibility(TField* field, TFieldDef* fieldDef) {
    if (BaseFieldType(field->DataType()) != BaseFieldType(fieldDef->DataType()))
        DatabaseError(Format("Type mismatch for field '%s', expecting: %s actual: %s",
                             {field->DisplayName(), FieldTypeName(field->DataType()),
                              FieldTypeName(fieldDef->DataType())}),
                      this);
    TFieldType type = field->DataType();
    if ((type == ftBytes || type == ftVarBytes || type == ftBCD || type == ftReference || type == ftFMTBcd) &&
        field->Size() != fieldDef->Size())
        DatabaseError(Format("Size mismatch for field '%s', expecting: %d actual: %d",
                             {field->DisplayName(), field->Size(), fieldDef->Size()}),
                      this);
}

void TDataSet::BindFields(bool binding) {
    calcFieldsSize_ = 0;
    TFieldList& list = FieldList();
    for (int i = 0; i < list.Count(); ++i) {
        TField* field = list.Fields(i);
        if (!binding) {
            field->fieldNo_ = 0;
            field->offset_ = 0;
            continue;
        }
        TFieldKind kind = field->FieldKind();
        if (kind == TFieldKind::fkCalculated || kind == TFieldKind::fkLookup) {
            field->fieldNo_ = -1;
            field->offset_ = calcFieldsSize_;
            calcFieldsSize_ += field->DataSize() + 1;
            if (kind == TFieldKind::fkLookup &&
                (!field->LookupDataSet() || field->KeyFields.empty() || field->LookupKeyFields.empty() ||
                 field->LookupResultField.empty()))
                DatabaseErrorFmt("Lookup information for field '%s' is incomplete", field->DisplayName(),
                                 this);
        } else if (kind == TFieldKind::fkData || kind == TFieldKind::fkInternalCalc) {
            TFieldDef* def = FieldDefList().Find(field->FullName());
            if (!def) DatabaseErrorFmt("Field '%s' not found", field->DisplayName(), this);
            CheckFieldCompatibility(field, def);
            field->fieldNo_ = def->FieldNo();
        }
    }
}

Variant TDataSet::GetFieldValue(const AnsiString& fieldName) {
    return FieldByName(fieldName)->Value();
}

TVariantArray TDataSet::GetFieldValues(const AnsiString& fieldNames) {
    std::vector<TField*> list;
    GetFieldList(list, fieldNames);
    TVariantArray values;
    values.reserve(list.size());
    for (TField* field : list)
        values.push_back(field->Value());
    return values;
}

void TDataSet::SetFieldValue(const AnsiString& fieldName, const Variant& value) {
    FieldByName(fieldName)->SetValue(value);
}

void TDataSet::GetFieldList(std::vector<TField*>& list, const AnsiString& fieldNames) {
    size_t pos = 0;
    while (pos < fieldNames.size()) {
        AnsiString name = ExtractFieldName(fieldNames, pos);
        if (!name.empty()) list.push_back(FieldByName(name));
    }
}

void TDataSet::GetFieldNames(std::vector<AnsiString>& list) {
    if (fields_->Count() > 0) {
        for (int i = 0; i < fields_->Count(); ++i)
            list.push_back(fields_->Fields(i)->FieldName());
        return;
    }
    fieldDefs_->Update();
    for (int i = 0; i < fieldDefs_->Count(); ++i)
        list.push_back(fieldDefs_->Items(i)->Name());
}

// ---- buffers ---------------------------------------------------------------------------------

TRecordBuffer TDataSet::ActiveBuffer() const {
    return buffers_.empty() ? nullptr : buffers_[static_cast<size_t>(activeRecord_)];
}

void TDataSet::SetBufListSize(int value) {
    auto size = static_cast<size_t>(value);
    while (buffers_.size() < size)
        buffers_.push_back(AllocRecordBuffer());
    while (buffers_.size() > size) {
        TRecordBuffer buffer = buffers_.back();
        buffers_.pop_back();
        FreeRecordBuffer(buffer);
    }
}

void TDataSet::ClearBuffers() {
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = true;
    eof_ = true;
}

void TDataSet::ActivateBuffers() {
    recordCount_ = 1;
    activeRecord_ = 0;
    currentRecord_ = 0;
    bof_ = false;
    eof_ = false;
}

void TDataSet::MoveBuffer(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    TRecordBuffer buffer = buffers_[static_cast<size_t>(curIndex)];
    auto begin = buffers_.begin();
    if (curIndex < newIndex)
        std::move(begin + curIndex + 1, begin + newIndex + 1, begin + curIndex);
    else
        std::move_backward(begin + newIndex, begin + curIndex, begin + curIndex + 1);
    buffers_[static_cast<size_t>(newIndex)] = buffer;
}

void TDataSet::UpdateBufferCount() {
    if (!IsCursorOpen()) return;
    int count = 1;
    for (TDataSource* source : dataSources_)
        for (TDataLink* link : source->dataLinks_)
            count = std::max(count, link->bufferCount_);
    SetBufferCount(count);
}

void TDataSet::SetBufferCount(int value) {
    value = std::max(value, 1);
    if (value == bufferCount_) return;
    if (bufferCount_ > value && recordCount_ > 0) {
        // Keep a window of the new size that holds the active record; the rest recycles.
        int first = std::max(0, activeRecord_ - (value - 1));
        for (int i = 0; i < first; ++i)
            MoveBuffer(0, bufferCount_);
        recordCount_ = std::min(recordCount_ - first, value);
        activeRecord_ -= first;
        currentRecord_ = -1;
        for (TDataSource* source : dataSources_)
            for (TDataLink* link : source->dataLinks_)
                link->firstRecord_ = std::max(0, link->firstRecord_ - first);
    }
    SetBufListSize(value + 1);
    bufferCount_ = value;
    if (HasState(csDestroying)) return;
    GetNextRecords();
    if (recordCount_ < bufferCount_) {
        int added = GetPriorRecords();
        for (TDataSource* source : dataSources_)
            for (TDataLink* link : source->dataLinks_)
                link->firstRecord_ += added;
    }
}

void TDataSet::SetCurrentRecord(int index) {
    if (currentRecord_ == index) return;
    if (!uniDirectional_) {
        TRecordBuffer buffer = buffers_[static_cast<size_t>(index)];
        switch (GetBookmarkFlag(buffer)) {
        case bfCurrent:
        case bfInserted:
            InternalSetToRecord(buffer);
            break;
        case bfBOF:
            InternalFirst();
            break;
        case bfEOF:
            InternalLast();
            break;
        }
    }
    currentRecord_ = index;
}

void TDataSet::UpdateCursorPos() {
    if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

bool TDataSet::GetNextRecord() {
    TGetMode mode = gmNext;
    if (recordCount_ > 0) {
        SetCurrentRecord(recordCount_ - 1);
        if (state_ == dsInsert && currentRecord_ == activeRecord_ &&
            GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
            mode = gmCurrent;
    }
    bool result = GetRecord(buffers_[static_cast<size_t>(recordCount_)], mode, true) == grOK;
    if (result) {
        if (recordCount_ == 0)
            ActivateBuffers();
        else if (recordCount_ < bufferCount_)
            ++recordCount_;
        else
            MoveBuffer(0, recordCount_);
        currentRecord_ = recordCount_ - 1;
    } else {
        CursorPosChanged();
    }
    return result;
}

bool TDataSet::GetPriorRecord() {
    if (uniDirectional_) DatabaseError("Operation not allowed on a unidirectional dataset", this);
    if (recordCount_ > 0) SetCurrentRecord(0);
    bool result = GetRecord(buffers_[static_cast<size_t>(recordCount_)], gmPrior, true) == grOK;
    if (result) {
        if (recordCount_ == 0) {
            ActivateBuffers();
        } else {
            MoveBuffer(recordCount_, 0);
            if (recordCount_ < bufferCount_) {
                ++recordCount_;
                ++activeRecord_;
            }
        }
        currentRecord_ = 0;
    } else {
        CursorPosChanged();
    }
    return result;
}

int TDataSet::GetNextRecords() {
    int count = 0;
    while (recordCount_ < bufferCount_ && GetNextRecord())
        ++count;
    return count;
}

int TDataSet::GetPriorRecords() {
    int count = 0;
    if (uniDirectional_) return 0;
    while (recordCount_ < bufferCount_ && GetPriorRecord())
        ++count;
    return count;
}

// ---- navigation ------------------------------------------------------------------------------

void TDataSet::First() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    {
        Finally done([this] {
            bof_ = true;
            DataEvent(deDataSetChange, 0);
        });
        InternalFirst();
        GetNextRecord();
        GetNextRecords();
    }
    DoAfterScroll();
}

void TDataSet::Last() {
    if (uniDirectional_) DatabaseError("Operation not allowed on a unidirectional dataset", this);
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    {
        Finally done([this] {
            eof_ = true;
            DataEvent(deDataSetChange, 0);
        });
        InternalLast();
        GetPriorRecord();
        GetPriorRecords();
    }
    DoAfterScroll();
}

void TDataSet::Next() {
    MoveBy(1);
}

void TDataSet::Prior() {
    MoveBy(-1);
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int result = 0;
    DoBeforeScroll();
    if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
        bof_ = false;
        eof_ = false;
        int scrollCount = 0;
        {
            Finally done([this, &scrollCount] { DataEvent(deDataSetScroll, scrollCount); });
            while (distance > 0) {
                if (activeRecord_ < recordCount_ - 1) {
                    ++activeRecord_;
                } else {
                    int shift = recordCount_ < bufferCount_ ? 0 : 1;
                    if (!GetNextRecord()) {
                        eof_ = true;
                        break;
                    }
                    scrollCount -= shift;
                    if (activeRecord_ < recordCount_ - 1) ++activeRecord_;
                }
                --distance;
                ++result;
            }
            while (distance < 0) {
                if (activeRecord_ > 0) {
                    --activeRecord_;
                } else {
                    int shift = recordCount_ < bufferCount_ ? 0 : 1;
                    if (!GetPriorRecord()) {
                        bof_ = true;
                        break;
                    }
                    scrollCount += shift;
                    if (activeRecord_ > 0) --activeRecord_;
                }
                ++distance;
                --result;
            }
        }
        DoAfterScroll();
    }
    return result;
}

void TDataSet::Resync(TResyncMode mode) {
    if (buffers_.empty()) return; // closed: nothing shown
    TRecordBuffer spare = buffers_[static_cast<size_t>(recordCount_)];
    if (mode & rmExact) {
        CursorPosChanged();
        if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError("Record not found", this);
    } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
               GetRecord(spare, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    int count = (mode & rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
    MoveBuffer(recordCount_, 0);
    ActivateBuffers();
    Finally done([this] { DataEvent(deDataSetChange, 0); });
    while (count > 0 && GetPriorRecord())
        --count;
    GetNextRecords();
    GetPriorRecords();
}

void TDataSet::Refresh() {
    DoBeforeRefresh();
    CheckBrowseMode();
    UpdateCursorPos();
    {
        Finally resync([this] { Resync(0); });
        InternalRefresh();
    }
    DoAfterRefresh();
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    switch (state_) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (modified_)
            Post();
        else
            Cancel();
        break;
    case dsSetKey:
        Post();
        break;
    default:
        break;
    }
}

void TDataSet::DisableControls() {
    if (disableCount_ == 0) {
        disableState_ = state_;
        enableEvent_ = deDataSetChange;
    }
    ++disableCount_;
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0) return;
    if (--disableCount_ == 0) {
        if (disableState_ != state_) DataEvent(deUpdateState, 0);
        if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(enableEvent_, 0);
    }
}

// ---- bookmarks -------------------------------------------------------------------------------

bool TDataSet::BookmarkAvailable() {
    return (state_ == dsBrowse || state_ == dsEdit || state_ == dsInsert) && !IsEmpty() &&
           GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() {
    if (!BookmarkAvailable() || bookmarkSize_ <= 0) return {};
    TBookmark bookmark(static_cast<size_t>(bookmarkSize_));
    GetBookmarkData(ActiveBuffer(), bookmark.data());
    return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty()) return;
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(bookmark.data());
    Resync(rmExact | rmCenter);
    DoAfterScroll();
}

int TDataSet::CompareBookmarks(const void*, const void*) {
    return 0;
}

// ---- editing ---------------------------------------------------------------------------------

void TDataSet::CheckCanModify() {
    if (!GetCanModify()) DatabaseError("Cannot modify a read-only dataset", this);
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeInsert();
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        UpdateCursorPos();
        FreeFieldBuffers();
        SetState(dsBrowse);
        Resync(0);
        throw;
    }
    modified_ = false;
    DataEvent(deDataSetChange, 0);
    DoAfterInsert();
    DoAfterScroll();
}

void TDataSet::Insert() {
    BeginInsertAppend();
    TBookmark current = GetBookmark();
    MoveBuffer(recordCount_, activeRecord_);
    // The buffers moved under the cursor: position it again before use.
    CursorPosChanged();
    TRecordBuffer buffer = ActiveBuffer();
    InitRecord(buffer);
    if (recordCount_ == 0)
        SetBookmarkFlag(buffer, bfBOF);
    else
        SetBookmarkData(buffer, current.empty() ? nullptr : current.data());
    if (recordCount_ < bufferCount_) ++recordCount_;
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer buffer = buffers_[0];
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    recordCount_ = 1;
    bof_ = false;
    GetPriorRecords();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::Edit() {
    if (state_ == dsEdit || state_ == dsInsert) return;
    if (recordCount_ == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeEdit();
    CheckOperation([this] { InternalEdit(); }, OnEditError);
    GetCalcFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    DoAfterEdit();
}

void TDataSet::UpdateRecord() {
    if (!IsEditMode(state_)) DatabaseError("Dataset not in edit or insert mode", this);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::Post() {
    UpdateRecord();
    if (state_ != dsEdit && state_ != dsInsert) return;
    DataEvent(deCheckBrowseMode, 0);
    DoBeforePost();
    CheckOperation([this] { InternalPost(); }, OnPostError);
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(0);
    DoAfterPost();
}

void TDataSet::Cancel() {
    if (state_ != dsEdit && state_ != dsInsert) return;
    DataEvent(deCheckBrowseMode, 0);
    DoBeforeCancel();
    bool scrollEvents = state_ == dsInsert;
    if (scrollEvents) DoBeforeScroll();
    UpdateCursorPos();
    InternalCancel();
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(0);
    DoAfterCancel();
    if (scrollEvents) DoAfterScroll();
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == dsInsert || state_ == dsSetKey) {
        Cancel();
        return;
    }
    if (recordCount_ == 0) DatabaseError("Cannot perform this operation on an empty dataset", this);
    DataEvent(deCheckBrowseMode, 0);
    DoBeforeDelete();
    DoBeforeScroll();
    CheckOperation([this] { InternalDelete(); }, OnDeleteError);
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(0);
    DoAfterDelete();
    DoAfterScroll();
}

void TDataSet::InsertRecord(const TVariantArray& values) {
    Insert();
    for (size_t i = 0; i < values.size() && static_cast<int>(i) < fields_->Count(); ++i)
        if (!values[i].IsEmpty()) fields_->Fields(static_cast<int>(i))->SetValue(values[i]);
    Post();
}

void TDataSet::AppendRecord(const TVariantArray& values) {
    Append();
    for (size_t i = 0; i < values.size() && static_cast<int>(i) < fields_->Count(); ++i)
        if (!values[i].IsEmpty()) fields_->Fields(static_cast<int>(i))->SetValue(values[i]);
    Post();
}

void TDataSet::ClearFields() {
    if (!IsEditMode(state_)) DatabaseError("Dataset not in edit or insert mode", this);
    DataEvent(deCheckBrowseMode, 0);
    FreeFieldBuffers();
    InternalInitRecord(ActiveBuffer());
    if (state_ != dsSetKey) GetCalcFields(ActiveBuffer());
    DataEvent(deRecordChange, 0);
}

void TDataSet::CheckRequiredFields() {
    for (int i = 0; i < fields_->Count(); ++i) {
        TField* field = fields_->Fields(i);
        if (field->Required && !field->ReadOnly() && field->FieldKind() == TFieldKind::fkData &&
            field->IsNull())
            DatabaseErrorFmt("Field '%s' must have a value", field->DisplayName());
    }
}

void TDataSet::CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& errorEvent) {
    for (;;) {
        try {
            UpdateCursorPos();
            operation();
            return;
        } catch (EDatabaseError& e) {
            TDataAction action = daFail;
            if (errorEvent) errorEvent(this, e, action);
            if (action == daFail) throw;
            if (action == daAbort) throw EAbort("Operation aborted");
        }
    }
}

void TDataSet::FreeFieldBuffers() {
    for (int i = 0; i < fields_->Count(); ++i) {
        TField* field = fields_->Fields(i);
        if (field->IsBlob() && field->Modified) {
            CloseBlob(field);
            field->Modified = false;
        }
    }
}

void TDataSet::InternalPost() {
    CheckRequiredFields();
}

// ---- slots with base behaviour ---------------------------------------------------------------

TGetResult TDataSet::GetRecord(TRecordBuffer, TGetMode, bool) {
    return grError;
}
void TDataSet::InternalOpen() {}
void TDataSet::InternalClose() {}
void TDataSet::InternalInitFieldDefs() {}
void TDataSet::InternalHandleException() {}
void TDataSet::InternalGotoBookmark(const void*) {}
void TDataSet::InternalSetToRecord(TRecordBuffer) {}
void TDataSet::InternalInitRecord(TRecordBuffer) {}
void TDataSet::InternalAddRecord(const void*, bool) {}
void TDataSet::InternalDelete() {}
void TDataSet::ClearCalcFields(TRecordBuffer) {}
TBookmarkFlag TDataSet::GetBookmarkFlag(TRecordBuffer) {
    return bfCurrent;
}
void TDataSet::SetBookmarkFlag(TRecordBuffer, TBookmarkFlag) {}
void TDataSet::GetBookmarkData(TRecordBuffer, void*) {}
void TDataSet::SetBookmarkData(TRecordBuffer, const void*) {}

// ---- calculated fields -----------------------------------------------------------------------

void TDataSet::CalculateFields(TRecordBuffer buffer) {
    calcBuffer_ = buffer;
    if (state_ != dsInternalCalc) {
        ClearCalcFields(calcBuffer_);
        for (int i = 0; i < fields_->Count(); ++i) {
            TField* field = fields_->Fields(i);
            if (field->FieldKind() == TFieldKind::fkLookup) field->CalcLookupValue();
        }
    }
    DoOnCalcFields();
}

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
    if (calcFieldsSize_ <= 0) return;
    TDataSetState saved = state_;
    state_ = dsCalcFields;
    Finally restore([this, saved] { state_ = saved; });
    CalculateFields(buffer);
}

void TDataSet::DoOnCalcFields() {
    if (OnCalcFields) OnCalcFields(this);
}

void TDataSet::DoOnNewRecord() {
    if (OnNewRecord) OnNewRecord(this);
}

// ---- events ----------------------------------------------------------------------------------

#define VZ_DATASET_EVENT(Name)                                                                               \
    void TDataSet::Do##Name() {                                                                              \
        if (Name) Name(this);                                                                                \
    }
VZ_DATASET_EVENT(BeforeOpen)
VZ_DATASET_EVENT(AfterOpen)
VZ_DATASET_EVENT(BeforeClose)
VZ_DATASET_EVENT(AfterClose)
VZ_DATASET_EVENT(BeforeInsert)
VZ_DATASET_EVENT(AfterInsert)
VZ_DATASET_EVENT(BeforeEdit)
VZ_DATASET_EVENT(AfterEdit)
VZ_DATASET_EVENT(BeforePost)
VZ_DATASET_EVENT(AfterPost)
VZ_DATASET_EVENT(BeforeCancel)
VZ_DATASET_EVENT(AfterCancel)
VZ_DATASET_EVENT(BeforeDelete)
VZ_DATASET_EVENT(AfterDelete)
VZ_DATASET_EVENT(BeforeScroll)
VZ_DATASET_EVENT(AfterScroll)
VZ_DATASET_EVENT(BeforeRefresh)
VZ_DATASET_EVENT(AfterRefresh)
#undef VZ_DATASET_EVENT

void TDataSet::DataEvent(TDataEvent event, intptr_t info) {
    bool notify = !(ControlsDisabled() || state_ == dsBlockRead);
    switch (event) {
    case deFieldChange: {
        auto* field = reinterpret_cast<TField*>(info);
        if (field->FieldKind() == TFieldKind::fkData || field->FieldKind() == TFieldKind::fkInternalCalc)
            SetModified(true);
        if (state_ != dsSetKey) {
            if (calcFieldsSize_ != 0 && AutoCalcFields && field->FieldKind() == TFieldKind::fkData)
                CalculateFields(ActiveBuffer());
            field->Change();
        }
        break;
    }
    case deFieldListChange:
        fieldList_->Updated = false;
        break;
    case dePropertyChange:
        fieldDefs_->Updated = false;
        break;
    case deLayoutChange:
        fieldList_->Updated = false;
        if (ControlsDisabled()) enableEvent_ = deLayoutChange;
        break;
    case deUpdateState:
        if (ControlsDisabled()) {
            event = deDisabledStateChange;
            info = state_ != dsInactive;
            notify = true;
            enableEvent_ = deLayoutChange;
        }
        break;
    default:
        break;
    }
    if (!notify) return;
    // A source may leave while told: walk a copy.
    TListSnapshot<TDataSource> sources(dataSources_);
    for (TDataSource* source : sources)
        source->DataEvent(event, info);
}

void TDataSet::SetBlockReadSize(int value) {
    if (value > 0) {
        CheckActive();
        SetState(dsBlockRead);
    } else if (state_ == dsBlockRead) {
        SetState(dsBrowse);
    }
    blockReadSize_ = value;
}

void TDataSet::AddDataSource(TDataSource* dataSource) {
    dataSources_.push_back(dataSource);
    dataSource->dataSet_ = this;
    UpdateBufferCount();
    dataSource->UpdateState();
}

void TDataSet::RemoveDataSource(TDataSource* dataSource) {
    dataSource->dataSet_ = nullptr;
    std::erase(dataSources_, dataSource);
    dataSource->UpdateState();
    UpdateBufferCount();
}

// ---- field data ------------------------------------------------------------------------------

bool TDataSet::GetFieldData(TField*, void*) {
    return false;
}

bool TDataSet::GetFieldData(int fieldNo, void* buffer) {
    TField* field = FieldByNumber(fieldNo);
    return field ? GetFieldData(field, buffer) : false;
}

bool TDataSet::GetFieldData(TField* field, void* buffer, bool nativeFormat) {
    if (nativeFormat || !buffer || !NeedsConversion(field->DataType())) return GetFieldData(field, buffer);
    ScratchBuffer native(std::max(field->DataSize(), static_cast<int>(sizeof(TBcdRecord))));
    bool result = GetFieldData(field, native.Data());
    if (result)
        DataConvert(field, native.Data(), buffer, false);
    else if (field->DataType() == ftWideString)
        static_cast<WideString*>(buffer)->clear();
    return result;
}

void TDataSet::SetFieldData(TField*, const void*) {
    DatabaseError("Dataset not in edit or insert mode", this);
}

void TDataSet::SetFieldData(TField* field, const void* buffer, bool nativeFormat) {
    if (nativeFormat || !buffer || !NeedsConversion(field->DataType())) {
        SetFieldData(field, buffer);
        return;
    }
    ScratchBuffer native(std::max(field->DataSize(), static_cast<int>(sizeof(TBcdRecord))));
    DataConvert(field, buffer, native.Data(), true);
    SetFieldData(field, native.Data());
}

void TDataSet::DataConvert(TField* field, const void* source, void* dest, bool toNative) {
    switch (field->DataType()) {
    case ftDate:
    case ftTime:
    case ftDateTime: {
        if (toNative) {
            TDateTime value;
            std::memcpy(&value, source, sizeof(value));
            TTimeStamp stamp = DateTimeToTimeStamp(value);
            if (field->DataType() == ftDate) {
                int32_t days = stamp.Date;
                std::memcpy(dest, &days, 4);
            } else if (field->DataType() == ftTime) {
                int32_t msecs = stamp.Time;
                std::memcpy(dest, &msecs, 4);
            } else {
                double msecs = static_cast<double>(stamp.Date) * MSecsPerDay + stamp.Time;
                std::memcpy(dest, &msecs, 8);
            }
        } else {
            TTimeStamp stamp;
            if (field->DataType() == ftDate) {
                int32_t days;
                std::memcpy(&days, source, 4);
                stamp = TTimeStamp{0, days};
            } else if (field->DataType() == ftTime) {
                int32_t msecs;
                std::memcpy(&msecs, source, 4);
                stamp = TTimeStamp{msecs, DateDelta};
            } else {
                double msecs;
                std::memcpy(&msecs, source, 8);
                double days = std::floor(msecs / MSecsPerDay);
                stamp = TTimeStamp{static_cast<int>(msecs - days * MSecsPerDay), static_cast<int>(days)};
            }
            TDateTime value = TimeStampToDateTime(stamp);
            std::memcpy(dest, &value, sizeof(value));
        }
        break;
    }
    case ftBCD:
        if (toNative) {
            Currency value;
            std::memcpy(&value, source, sizeof(value));
            TBcdRecord record = BcdToRecord(TBcd::FromCurrency(value));
            std::memcpy(dest, &record, sizeof(record));
        } else {
            TBcdRecord record;
            std::memcpy(&record, source, sizeof(record));
            Currency value = RecordToBcd(record).ToCurrency();
            std::memcpy(dest, &value, sizeof(value));
        }
        break;
    case ftWideString:
        if (toNative) {
            const wchar_t* text = *static_cast<const wchar_t* const*>(source);
            size_t length = text ? std::min(std::wcslen(text), static_cast<size_t>(field->Size())) : 0;
            auto* out = static_cast<wchar_t*>(dest);
            if (length) std::memcpy(out, text, length * sizeof(wchar_t));
            out[length] = 0;
        } else {
            const auto* text = static_cast<const wchar_t*>(source);
            size_t length = 0;
            while (length < static_cast<size_t>(field->Size()) && text[length])
                ++length;
            static_cast<WideString*>(dest)->assign(text, length);
        }
        break;
    default:
        std::memcpy(dest, source, static_cast<size_t>(field->DataSize()));
        break;
    }
}

TClass TDataSet::GetFieldClass(TFieldType fieldType) {
    return DefaultFieldClass(fieldType);
}

TStream* TDataSet::CreateBlobStream(TField*, TBlobStreamMode) {
    return nullptr;
}

Variant TDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
    if (field->FieldKind() != TFieldKind::fkData && field->FieldKind() != TFieldKind::fkInternalCalc)
        return Variant::Null();
    TDataSetState saved = state_;
    state_ = state;
    Finally restore([this, saved] { state_ = saved; });
    return field->GetAsVariant();
}

void TDataSet::SetStateFieldValue(TDataSetState state, TField* field, const Variant& value) {
    if (field->FieldKind() != TFieldKind::fkData) return;
    TDataSetState saved = state_;
    state_ = state;
    Finally restore([this, saved] { state_ = saved; });
    field->SetAsVariant(value);
}

// ---- filtering and searching -----------------------------------------------------------------

void TDataSet::SetFiltered(bool value) {
    filtered_ = value;
}

void TDataSet::SetFilterText(const AnsiString& value) {
    filterText_ = value;
}

void TDataSet::SetFilterOptions(TFilterOptions value) {
    filterOptions_ = value;
}

void TDataSet::SetOnFilterRecord(const TFilterRecordEvent& value) {
    onFilterRecord_ = value;
}

bool TDataSet::FindRecord(bool, bool) {
    return false;
}

bool TDataSet::Locate(const AnsiString&, const TVariantArray&, TLocateOptions) {
    return false;
}

Variant TDataSet::Lookup(const AnsiString&, const TVariantArray&, const AnsiString&) {
    return Variant::Null();
}

// ---- master/detail ---------------------------------------------------------------------------

void TDataSet::GetDetailLinkFields(std::vector<TField*>& masterFields, std::vector<TField*>& detailFields) {
    masterFields.clear();
    detailFields.clear();
}

void TDataSet::GetDetailDataSets(std::vector<TDataSet*>& list) {
    list.clear();
    for (TDataSource* source : dataSources_)
        for (TDataLink* link : source->dataLinks_)
            if (auto* detail = dynamic_cast<TDetailDataLink*>(link))
                if (TDataSet* dataSet = detail->GetDetailDataSet()) list.push_back(dataSet);
}

bool TDataSet::IsLinkedTo(TDataSource* dataSource) {
    while (dataSource) {
        TDataSet* dataSet = dataSource->DataSet();
        if (!dataSet) break;
        if (dataSet == this) return true;
        if (dataSet->DataSetField()) dataSet = dataSet->DataSetField()->DataSet();
        if (!dataSet) break;
        dataSource = dataSet->GetDataSource();
    }
    return false;
}

// ---- provider support ------------------------------------------------------------------------

void TDataSet::PSEndTransaction(bool) {}
int TDataSet::PSExecuteStatement(const AnsiString&, TParams*, TDataSet**) {
    DatabaseError("SQL not supported", this);
}
void TDataSet::PSExecute() {
    DatabaseError("Execute not supported", this);
}
TIndexDef* TDataSet::PSGetDefaultOrder() {
    return nullptr;
}
AnsiString TDataSet::PSGetKeyFields() {
    AnsiString result;
    for (int i = 0; i < fields_->Count(); ++i) {
        TField* field = fields_->Fields(i);
        if (field->ProviderFlags & pfInKey) {
            if (!result.empty()) result += ';';
            result += field->FieldName();
        }
    }
    return result;
}
TParams* TDataSet::PSGetParams() {
    return nullptr;
}
AnsiString TDataSet::PSGetQuoteChar() {
    return "\"";
}
AnsiString TDataSet::PSGetTableName() {
    return {};
}
bool TDataSet::PSInTransaction() {
    return false;
}
bool TDataSet::PSIsSQLBased() {
    return false;
}
bool TDataSet::PSIsSQLSupported() {
    return false;
}
void TDataSet::PSReset() {}
void TDataSet::PSSetParams(TParams*) {}
void TDataSet::PSSetCommandText(const AnsiString& commandText) {
    if (!commandText.empty()) DatabaseError("SQL not supported", this);
}
void TDataSet::PSStartTransaction() {}
bool TDataSet::PSUpdateRecord(TUpdateKind, TDataSet*) {
    return false;
}

// ---- TDataSource -----------------------------------------------------------------------------

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    Destroying();
    SetDataSet(nullptr);
    while (!dataLinks_.empty())
        RemoveDataLink(dataLinks_.back());
}

void TDataSource::SetDataSet(TDataSet* value) {
    if (value == dataSet_) return;
    if (IsLinkedTo(value)) DatabaseError("Circular datalinks are not allowed", this);
    if (dataSet_) {
        dataSet_->RemoveFreeNotification(this);
        dataSet_->RemoveDataSource(this);
    }
    if (value) {
        value->AddDataSource(this);
        value->FreeNotification(this);
    }
}

void TDataSource::SetEnabled(bool value) {
    enabled_ = value;
    UpdateState();
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) {
    while (dataSet) {
        TDataSource* source = dataSet->GetDataSource();
        if (!source) break;
        if (source == this) return true;
        dataSet = source->DataSet();
    }
    return false;
}

void TDataSource::Edit() {
    if (AutoEdit && state_ == dsBrowse && dataSet_) dataSet_->Edit();
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == dataSet_) {
        dataSet_->RemoveDataSource(this);
    }
}

void TDataSource::UpdateState() {
    SetState(enabled_ && dataSet_ ? dataSet_->State() : dsInactive);
}

void TDataSource::SetState(TDataSetState value) {
    if (state_ == value) return;
    TDataSetState prior = state_;
    state_ = value;
    NotifyLinks(deUpdateState, prior);
    if (OnStateChange) OnStateChange(this);
}

void TDataSource::NotifyLinks(TDataEvent event, intptr_t info) {
    // Detail datasets hear first, then controls; a link may leave while told.
    TListSnapshot<TDataLink> links(dataLinks_);
    // The class check is the metaclass walk: a dynamic_cast per link and event costs more than
    // the rest of a scroll.
    auto isDetail = [](TDataLink* link) { return link->InheritsFrom(TDetailDataLink::StaticClass()); };
    auto stillLinked = [this](TDataLink* link, size_t at) {
        return (at < dataLinks_.size() && dataLinks_[at] == link) ||
               std::find(dataLinks_.begin(), dataLinks_.end(), link) != dataLinks_.end();
    };
    bool details = false;
    for (TDataLink* link : links)
        details = details || isDetail(link);
    size_t at = 0;
    if (details)
        for (TDataLink* link : links) {
            if (stillLinked(link, at) && isDetail(link)) link->DataEvent(event, info);
            ++at;
        }
    at = 0;
    for (TDataLink* link : links) {
        if (stillLinked(link, at) && (!details || !isDetail(link))) link->DataEvent(event, info);
        ++at;
    }
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (state_ == dsInactive && event != deDisabledStateChange) return;
    NotifyLinks(event, info);
    switch (event) {
    case deFieldChange:
        if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(info));
        break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange) OnDataChange(this, nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData) OnUpdateData(this);
        break;
    default:
        break;
    }
}

void TDataSource::AddDataLink(TDataLink* link) {
    dataLinks_.push_back(link);
    link->dataSource_ = this;
    if (dataSet_) dataSet_->UpdateBufferCount();
    link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
    link->dataSource_ = nullptr;
    std::erase(dataLinks_, link);
    link->UpdateState();
    if (dataSet_) dataSet_->UpdateBufferCount();
}

// ---- TDataLink -------------------------------------------------------------------------------

TDataLink::~TDataLink() {
    if (dataSource_) dataSource_->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* value) {
    if (value == dataSource_) return;
    if (dataSource_) dataSource_->RemoveDataLink(this);
    if (value) value->AddDataLink(this);
}

TDataSet* TDataLink::DataSet() const {
    return dataSource_ ? dataSource_->DataSet() : nullptr;
}

int TDataLink::ActiveRecord() const {
    TDataSet* dataSet = DataSet();
    if (!dataSet || dataSource_->State() == dsSetKey) return 0;
    return dataSet->activeRecord_ - firstRecord_;
}

void TDataLink::SetActiveRecord(int value) {
    TDataSet* dataSet = DataSet();
    if (dataSet && dataSource_->State() != dsSetKey) dataSet->activeRecord_ = value + firstRecord_;
}

int TDataLink::RecordCount() const {
    TDataSet* dataSet = DataSet();
    if (!dataSet) return 0;
    if (dataSource_->State() == dsSetKey) return 1;
    return std::min(dataSet->recordCount_ - firstRecord_, bufferCount_);
}

void TDataLink::SetBufferCount(int value) {
    value = std::max(value, 1);
    if (value == bufferCount_) return;
    bufferCount_ = value;
    TDataSet* dataSet = DataSet();
    if (active_ && dataSet) {
        dataSet->UpdateBufferCount();
        UpdateRange();
    }
}

void TDataLink::UpdateRange() {
    // Keeps the active record within this link's window.
    TDataSet* dataSet = DataSet();
    if (!dataSet) return;
    int active = dataSet->activeRecord_;
    if (active - firstRecord_ >= bufferCount_) firstRecord_ = active - bufferCount_ + 1;
    if (active < firstRecord_) firstRecord_ = active;
    firstRecord_ = std::max(0, firstRecord_);
}

bool TDataLink::Edit() {
    if (dataSource_ && !ReadOnly) dataSource_->Edit();
    return editing_;
}

void TDataLink::UpdateRecord() {
    updating_ = true;
    try {
        UpdateData();
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
}

void TDataLink::SetActive(bool value) {
    if (active_ == value) return;
    active_ = value;
    if (value)
        UpdateRange();
    else
        firstRecord_ = 0;
    ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
    if (editing_ == value) return;
    editing_ = value;
    EditingChanged();
}

void TDataLink::UpdateState() {
    SetActive(dataSource_ && dataSource_->State() != dsInactive);
    SetEditing(dataSource_ && IsEditMode(dataSource_->State()) && !ReadOnly);
}

void TDataLink::DataEvent(TDataEvent event, intptr_t info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (event == deDisabledStateChange) {
        if (info)
            UpdateState();
        else
            SetActive(false);
        return;
    }
    if (!active_) return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
        int count = 0;
        if (dataSource_->State() != dsSetKey) {
            int active = DataSet()->activeRecord_;
            int first = firstRecord_ + static_cast<int>(info);
            int last = first + bufferCount_ - 1;
            if (active > last)
                count = active - last;
            else if (active < first)
                count = active - first;
            firstRecord_ = first + count;
        }
        if (event == deDataSetChange)
            DataSetChanged();
        else if (event == deDataSetScroll)
            DataSetScrolled(count);
        else
            LayoutChanged();
        break;
    }
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(reinterpret_cast<TField**>(info));
        break;
    default:
        break;
    }
}
