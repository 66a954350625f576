#include "data/memory/MemDataSet.h"
#include "data/memory/MemDataSetLinks.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "data/memory/Blob.h"
#include "data/memory/BlobStream.h"
#include "data/memory/MemUtils.h"
#include "data/memory/Win32Timer.h"
#include "platform/core/Win32Boundary.h"

namespace {
template <class T> T Load(const void* p) {
    return LoadUnaligned<T>(p, 0);
}
template <class T> void Store(void* p, T v) {
    StoreUnaligned(p, 0, v);
}

// Bytes of at most maxBytes of a zero-terminated text that do not split a double-byte character.
size_t AnsiCutText(const char* text, size_t maxBytes) {
    size_t i = 0;
    while (i < maxBytes && text[i] != 0) {
        size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[i])) && text[i + 1] != 0 ? 2 : 1;
        if (i + step > maxBytes) break;
        i += step;
    }
    return i;
}

// Characters of at most maxChars of a UTF-16 text that do not split a surrogate pair.
size_t WideCutText(const wchar_t* text, size_t maxChars) {
    size_t i = 0;
    while (i < maxChars && text[i] != 0)
        ++i;
    if (i == maxChars && i > 0 && text[i] != 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF) --i;
    return i;
}

bool IsCalcKind(TField* field) {
    return field->FieldKind() == TFieldKind::fkCalculated || field->FieldKind() == TFieldKind::fkLookup;
}

// Item-status bits of the record set from the dataset's set of update statuses.
uint8_t StatusSetToItemBits(TUpdateStatusSet set) {
    uint8_t bits = 0;
    if (set & UpdateStatusBit(TUpdateStatus::usUnmodified)) bits |= usUnmodified;
    if (set & UpdateStatusBit(TUpdateStatus::usModified)) bits |= usModified;
    if (set & UpdateStatusBit(TUpdateStatus::usInserted)) bits |= usInserted;
    if (set & UpdateStatusBit(TUpdateStatus::usDeleted)) bits |= usDeleted;
    return bits;
}

// Whether a dotted definition name exists anywhere under defs (prefix is defs' parent path).
bool DefNameTaken(TFieldDefs& defs, const AnsiString& prefix, const AnsiString& fullName) {
    for (int i = 0; i < defs.Count(); ++i) {
        TFieldDef* def = defs[i];
        AnsiString name = prefix.empty() ? def->Name() : prefix + "." + def->Name();
        if (AnsiSameText(name, fullName)) return true;
        if (def->HasChildDefs() && DefNameTaken(def->ChildDefs(), name, fullName)) return true;
    }
    return false;
}

AnsiString DefFullName(TFieldDef* def) {
    AnsiString name = def->Name();
    for (TFieldDef* p = def->ParentDef(); p; p = p->ParentDef())
        name = p->Name() + "." + name;
    return name;
}
} // namespace

// ---- lifecycle ----

TMemDataSet::TMemDataSet(TComponent* owner)
    : TDataSet(owner), visibleUpdateTypes_(UpdateStatusBit(TUpdateStatus::usModified) |
                                           UpdateStatusBit(TUpdateStatus::usInserted) |
                                           UpdateStatusBit(TUpdateStatus::usUnmodified)) {
    dataLink_ = std::make_unique<TDADetailDataLink>(this);
}

TMemDataSet::~TMemDataSet() {
    detailTimer_.reset();
    dataLink_.reset();
    // Closing here still reaches this class's overrides.
    Destroying();
    try {
        SetActive(false);
    } catch (...) {
        HandleBoundaryException(std::current_exception());
    }
    try {
        if (FIRecordSet) Unprepare();
    } catch (...) {
        HandleBoundaryException(std::current_exception());
    }
    FreeRecordSet();
    service_.reset();
}

void TMemDataSet::CreateRecordSet() {
    SetRecordSet(new TMemData());
}

void TMemDataSet::EnsureRecordSet() {
    if (!FIRecordSet) CreateRecordSet();
}

void TMemDataSet::FreeRecordSet() {
    delete FIRecordSet;
    FIRecordSet = nullptr;
    calcFieldMap_.clear();
}

void TMemDataSet::SetRecordSet(TData* recordSet) {
    if (FIRecordSet && FIRecordSet != recordSet) FreeRecordSet();
    FIRecordSet = recordSet;
    if (recordSet) {
        recordSet->SetCachedUpdates(cachedUpdates_);
        recordSet->LocalUpdate = localUpdate_;
        recordSet->SparseArrays = SparseArrays();
        recordSet->SetVisibleStatuses(StatusSetToItemBits(visibleUpdateTypes_));
        if (auto* memData = dynamic_cast<TMemData*>(recordSet)) memData->SetIndexFieldNames(indexFieldNames_);
        auto updater = [this]() -> TDataSetUpdater* { return service_ ? service_->Updater() : nullptr; };
        recordSet->InsertRecordHook = [updater](void*) {
            if (TDataSetUpdater* u = updater()) u->HandleInsert();
        };
        recordSet->DeleteRecordHook = [updater] {
            if (TDataSetUpdater* u = updater()) u->HandleDelete();
        };
        recordSet->UpdateRecordHook = [updater](void*) {
            if (TDataSetUpdater* u = updater()) u->HandleUpdate();
        };
        recordSet->ApplyRecordHook = [updater](int kind, int& action, bool isLast) {
            if (TDataSetUpdater* u = updater()) u->HandleApplyRecord(kind, action, isLast);
        };
        recordSet->RecordRevertedHook = [updater] {
            if (TDataSetUpdater* u = updater()) u->AfterRevertRecord();
        };
        recordSet->UpdatesAppliedHook = [updater] {
            if (TDataSetUpdater* u = updater()) u->AfterApplyUpdates();
        };
        recordSet->CancellingUpdatesHook = [updater] {
            if (TDataSetUpdater* u = updater()) u->BeforeCancelUpdates();
        };
        recordSet->FieldsInitializedHook = [this] { CreateCalcFieldDescs(); };
        recordSet->CalcFieldsHook = [this](void* dest, void* source) { CalcRecordFields(dest, source); };
        if (Filtered()) InstallFilter();
        InstallLocalMDFilter();
    }
}

void TMemDataSet::SetService(TDataSetService* service) {
    service_.reset(service);
}

void TMemDataSet::EnsureService() {
    TClass serviceClass = GetServiceClass();
    if (service_ && service_->ClassType() == serviceClass) return;
    service_.reset();
    TObject* made = serviceClass->CreateInstance(this);
    auto* service = dynamic_cast<TDataSetService*>(made);
    if (!service) {
        delete made;
        throw EInvalidCast("Invalid class typecast");
    }
    SetService(service);
}

TDataTypesMap& TMemDataSet::DataTypesMap() {
    TClass mapClass = GetDataTypesMapClass();
    if (!dataTypesMap_ || dataTypesMap_->ClassType() != mapClass)
        dataTypesMap_ = mapClass->Create<TDataTypesMap>();
    return *dataTypesMap_;
}

void TMemDataSet::ReopenRecordSet() {
    FIRecordSet->Reopen();
}

void TMemDataSet::Prepare() {
    if (IsPrepared()) return;
    EnsureRecordSet();
    FIRecordSet->Prepare();
    if (service_) service_->PrepareFieldInfo();
    BuildFieldDefs();
}

void TMemDataSet::Unprepare() {
    if (Active()) Close();
    if (FIRecordSet) FIRecordSet->Unprepare();
    if (!HasState(csDestroying)) FieldDefs().Updated = false;
}

// ---- properties ----

void TMemDataSet::SetIndexFieldNames(const AnsiString& value) {
    if (Active()) {
        CheckBrowseMode();
        UpdateCursorPos();
    }
    if (auto* memData = dynamic_cast<TMemData*>(FIRecordSet)) {
        memData->SetIndexFieldNames(value);
        if (Active() && memData->SortColumns().Count() > 0) Resync(0);
    }
    indexFieldNames_ = value;
}

void TMemDataSet::SetCachedUpdates(bool value) {
    if (value == cachedUpdates_) return;
    CheckInactive();
    cachedUpdates_ = value;
    if (FIRecordSet) FIRecordSet->SetCachedUpdates(value);
}

void TMemDataSet::SetLocalUpdate(bool value) {
    localUpdate_ = value;
    if (FIRecordSet) FIRecordSet->LocalUpdate = value;
}

// ---- slots built by the editing, link and filter layers ----

void TMemDataSet::InternalEdit() {
    editing_ = true;
    TRecordBuffer active = ActiveBuffer();
    FreeBufferObjects(active, true);
    if (FIRecordSet->HasComplexFields) {
        UpdateCursorPos();
        FIRecordSet->SeparateStoredRecord(active);
    }
}

void TMemDataSet::InternalCancel() {
    TRecordBuffer active = ActiveBuffer();
    if (editing_)
        FIRecordSet->DiscardRecordChanges(active);
    else if (inserting_ && FIRecordSet->HasComplexFields)
        FIRecordSet->FreeComplexFields(active, true);
    inserting_ = editing_ = false;
}

// ---- field definitions ----

bool TMemDataSet::FieldDefsStillValid() {
    return !FieldDefs().Updated;
}

AnsiString TMemDataSet::GetArrayItemDefName(TFieldDef*, int index, TObjectTypeDesc*) {
    return IntToStr(index);
}

uint16_t TMemDataSet::FieldDefSizeOf(TFieldType fieldType, TFieldDesc* desc) {
    switch (fieldType) {
    case ftString:
    case ftWideString:
    case ftGuid:
        return desc->DeclaredLength == 0 ? 1 : desc->DeclaredLength;
    case ftBytes:
    case ftVarBytes:
        return desc->DeclaredLength;
    default:
        return 0;
    }
}

TFieldType TMemDataSet::FieldTypeOfDataType(TDataTypeCode code) {
    return DataTypesMap().FieldTypeOf(code);
}

void TMemDataSet::InternalInitFieldDefs() {
    EnsureRecordSet();
    if (FIRecordSet->Active) return;
    std::vector<AnsiString> names;
    bool updated = FieldDefs().Updated;
    if (updated) {
        for (int i = 0; i < FIRecordSet->FieldDescs().Count(); ++i)
            names.push_back(FIRecordSet->FieldDescs()[i]->FieldName);
    }
    FIRecordSet->ExplicitInitFields();
    if (updated) {
        TFieldDescs& descs = FIRecordSet->FieldDescs();
        bool same = static_cast<size_t>(descs.Count()) == names.size();
        for (int i = 0; same && i < descs.Count(); ++i)
            same = descs[i]->FieldName == names[static_cast<size_t>(i)];
        if (!same) FieldDefs().Updated = false;
    }
    if (service_) service_->PrepareFieldInfo();
    BuildFieldDefs();
}

void TMemDataSet::BuildFieldDefs() {
    if (!FieldDefsStillValid()) return;
    TFieldDescs& descs = FIRecordSet->FieldDescs();
    TFieldDefs& defs = FieldDefs();
    defs.BeginUpdate();
    try {
        defs.Clear();
        for (int i = 0; i < descs.Count(); ++i) {
            TFieldDesc* desc = descs[i];
            if (desc->IsHiddenObject || desc->FieldKind != fkData) continue;
            if (desc->HasParent() && !desc->ParentDesc->IsHiddenObject) continue;
            TFieldType type = FieldTypeOfDesc(desc);
            if (type == ftUnknown) DatabaseError("Data type is not supported", this);
            int size = FieldDefSizeOf(type, desc);
            auto* def =
                new TFieldDef(&defs, desc->FieldName, type, size, desc->IsRequired && RequiredFields, i + 1);
            TFieldAttributes attributes = def->Attributes();
            if (desc->IsReadOnly) attributes |= faReadonly;
            if (desc->IsHiddenColumn) attributes |= faHiddenCol;
            if (desc->IsFixedLength) attributes |= faFixed;
            def->SetAttributes(attributes);
            switch (type) {
            case ftSmallint:
            case ftInteger:
            case ftFloat:
            case ftLargeint:
                def->SetPrecision(desc->DeclaredLength);
                break;
            case ftBCD:
            case ftFMTBcd:
                def->SetPrecision(desc->DeclaredLength);
                def->SetSize(desc->DeclaredScale);
                break;
            case ftADT:
            case ftArray:
                if (auto* objectType = dynamic_cast<TObjectTypeDesc*>(desc->ObjectTypeRef))
                    BuildChildDefs(def, desc, objectType);
                break;
            default:
                break;
            }
        }
    } catch (...) {
        defs.EndUpdate();
        throw;
    }
    defs.EndUpdate();
    FieldDefList().Update();
    defs.Updated = descs.Count() > 0;
}

void TMemDataSet::BuildChildDefs(TFieldDef* parentDef, TFieldDesc* desc, TObjectTypeDesc* objectType) {
    bool isObject = objectType->DataType == tcObject;
    int elements = isObject || SparseArrays() ? 1 : std::min(objectType->Size, 100);
    AnsiString parentName = DefFullName(parentDef);
    for (int a = 0; a < objectType->AttributeCount(); ++a) {
        TFieldDesc* attribute = objectType->GetAttribute(a);
        for (int e = 0; e < elements; ++e) {
            TFieldType type = FieldTypeOfDataType(attribute->TypeCode);
            int size = type == ftString || type == ftWideString ? attribute->DeclaredLength : 0;
            AnsiString name = isObject ? attribute->FieldName : GetArrayItemDefName(parentDef, e, objectType);
            AnsiString unique = name;
            for (int n = 1; DefNameTaken(FieldDefs(), "", parentName + "." + unique); ++n)
                unique = name + "_" + IntToStr(n);
            TFieldDef* child = parentDef->AddChild();
            child->SetName(unique);
            child->SetDataType(type);
            child->SetSize(size);
            child->SetRequired(false);
            child->SetAttributes(child->Attributes() | (parentDef->Attributes() & faReadonly));
            if (type == ftADT || type == ftArray)
                if (auto* nested = dynamic_cast<TObjectTypeDesc*>(attribute->ObjectTypeRef))
                    BuildChildDefs(child, desc, nested);
        }
    }
}

TFieldDesc* TMemDataSet::GetFieldDesc(TField* field) {
    Assert(FIRecordSet != nullptr, "FIRecordSet must be setted to this time");
    Assert(field != nullptr, "Field cannot be nil");
    Assert(field->DataSet() == this || field->DataSet() == nullptr, "Wrong DataSet");
    TFieldDescs& descs = FIRecordSet->FieldDescs();
    if (field->FieldNo() > 0) return descs.GetItem(field->FieldNo() - 1);
    if (DefaultFields() && Fields().Count() == descs.Count()) return descs.GetItem(Fields().IndexOf(field));
    bool calc = IsCalcKind(field);
    for (int i = 0; i < descs.Count(); ++i) {
        TFieldDesc* desc = descs[i];
        if (calc && desc->FieldKind == fkData) continue;
        if (AnsiSameText(desc->FieldName, field->FieldName())) return desc;
        if (calc && AnsiSameText(desc->SourceName, field->FieldName())) return desc;
    }
    return nullptr;
}

int TMemDataSet::DescPositionOf(TField* field) {
    TFieldDesc* desc = GetFieldDesc(field);
    if (!desc) throw Exception(Format("Field %s not found", {field->FieldName()}));
    return desc->Position;
}

TFieldDesc* TMemDataSet::ValueDesc(TField* field) {
    if (field->FieldNo() > 0) return FIRecordSet->FieldDescOf(field->FieldNo());
    for (const auto& [desc, calcField] : calcFieldMap_)
        if (calcField == field) return desc;
    return FIRecordSet->FieldDescOf(DescPositionOf(field));
}

// ---- calculated fields ----

void TMemDataSet::CreateCalcFieldDescs() {
    calcFieldMap_.clear();
    if (DefaultFields() || Fields().Count() == 0) return;
    TFieldDescs& descs = FIRecordSet->FieldDescs();
    for (int i = 0; i < Fields().Count(); ++i) {
        TField* field = Fields()[i];
        if (!IsCalcKind(field)) continue;
        TObject* made = FIRecordSet->GetFieldDescClass()->CreateInstance();
        auto* desc = dynamic_cast<TFieldDesc*>(made);
        if (!desc) {
            delete made;
            throw EInvalidCast("Invalid class typecast");
        }
        try {
            desc->FieldName = field->FullName();
            desc->SourceName = desc->FieldName;
            desc->Position = static_cast<uint16_t>(descs.Count() + 1);
            desc->TypeCode = DataTypesMap().DataTypeOf(field->DataType());
            switch (field->DataType()) {
            case ftDate:
            case ftTime:
                desc->StorageSize = 2 * field->DataSize();
                break;
            case ftWideString:
                desc->StorageSize = 2 * field->Size() + 2;
                break;
            default:
                desc->StorageSize = field->DataSize();
                break;
            }
            desc->DeclaredLength = static_cast<uint16_t>(field->Size());
            desc->FieldKind = CacheCalcFields ? fkCalculatedInData : fkCalculated;
            descs.Add(desc);
        } catch (...) {
            delete desc;
            throw;
        }
        calcFieldMap_.emplace_back(desc, field);
    }
}

void TMemDataSet::CalcRecordFields(void* buffer, void* source) {
    if (calcFieldMap_.empty()) return;
    size_t recordSize = static_cast<size_t>(FIRecordSet->RecordSize);
    size_t calcSize = static_cast<size_t>(FIRecordSet->CalcRecordSize);
    auto* scratch =
        static_cast<uint8_t*>(std::calloc(recordSize + calcSize + MemRecordInfoSize + MemBookmarkSize, 1));
    if (!scratch) throw EOutOfMemory("Out of memory");
    try {
        std::memcpy(scratch, source ? source : buffer, recordSize);
        GetCalcFields(scratch);
    } catch (...) {
        std::free(scratch);
        throw;
    }
    std::memcpy(buffer, scratch, recordSize + calcSize);
    std::free(scratch);
}

void TMemDataSet::ClearCalcFields(TRecordBuffer buffer) {
    TFieldDescs& descs = FIRecordSet->FieldDescs();
    for (int i = 0; i < descs.Count(); ++i)
        if (descs[i]->FieldKind != fkData) FIRecordSet->SetNull(i + 1, buffer, true);
}

// ---- open and close ----

void TMemDataSet::OpenCursor(bool infoQuery) {
    EnsureRecordSet();
    TDataSet::OpenCursor(infoQuery);
    if (!infoQuery) {
        FreeRecordBuffer(spareBuffer_);
        spareBuffer_ = AllocRecordBuffer();
    }
}

void TMemDataSet::CloseCursor() {
    if (detailTimer_) detailTimer_->SetEnabled(false);
    if (FIRecordSet && FIRecordSet->HasComplexFields && (inserting_ || editing_) && ActiveBuffer()) {
        TRecordBuffer active = ActiveBuffer();
        FreeBufferObjects(active, true);
        FIRecordSet->FreeComplexFields(active, inserting_);
    }
    inserting_ = editing_ = false;
    // Own references go while the descriptors that find them are still there.
    if (FIRecordSet && FIRecordSet->Active) ReleaseBufferObjects();
    FreeRecordBuffer(spareBuffer_);
    TDataSet::CloseCursor();
}

void TMemDataSet::ComputeBufferLayout() {
    SetBookmarkSize(MemBookmarkSize);
    recordInfoOffset_ = FIRecordSet->RecordSize + (CacheCalcFields ? 0 : FIRecordSet->CalcRecordSize);
    bookmarkOffset_ = recordInfoOffset_ + MemRecordInfoSize;
    recBufSize_ = bookmarkOffset_ + MemBookmarkSize;
    // Fields the record set hands over as they are, found by number without their descriptor.
    TFieldDescs& descs = FIRecordSet->FieldDescs();
    plainFields_.assign(static_cast<size_t>(descs.Count()) + 1, 0);
    for (int i = 0; i < descs.Count(); ++i) {
        TFieldDesc* desc = descs[i];
        TDataTypeCode code = desc->TypeCode;
        plainFields_[static_cast<size_t>(i) + 1] = !desc->HasParent() && code != tcInt8 &&
                                                   code != tcExtString && code != tcExtWideString &&
                                                   code != tcExtVarBytes;
    }
}

void TMemDataSet::InternalOpen() {
    FIRecordSet->Open();
    if (service_) service_->PrepareFieldInfo();
    BuildFieldDefs();
    if (DefaultFields()) {
        CreateFields();
    } else {
        for (int i = 0; i < FieldDefs().Count(); ++i) {
            TFieldDef* def = FieldDefs()[i];
            if (def->DataType() != ftString) continue;
            TField* field = FindField(def->Name());
            if (field && field->FieldKind() == TFieldKind::fkData) {
                CheckFieldCompatibility(field, def);
                field->SetSize(def->Size());
            }
        }
    }
    if (NumberRange && service_)
        for (int i = 0; i < FieldDefs().Count(); ++i)
            service_->ApplyNumberRange(FieldDefs()[i]);
    BindFields(true);
    auto* memData = dynamic_cast<TMemData*>(FIRecordSet);
    TFieldDescs& descs = FIRecordSet->FieldDescs();
    if (memData && descs.Count() > 0 && descs[descs.Count() - 1]->FieldKind == fkCalculatedInData)
        memData->CalcFieldsForItems();
    if (memData && memData->SortColumns().Count() > 0) memData->SortItems();
    // A local detail opens on the rows of the master's current record.
    if (UsesLocalMasterDetail() && PrepareLocalMDLinks()) FIRecordSet->Refilter();
    ComputeBufferLayout();
    applying_ = false;
}

void TMemDataSet::InternalClose() {
    plainFields_.clear();
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    if (!FIRecordSet) return; // making it failed
    FIRecordSet->Close();
    if (FIRecordSet->FieldDescs().Count() == 0) calcFieldMap_.clear();
}

void TMemDataSet::InternalRefresh() {
    ReleaseBufferObjects();
    ReopenRecordSet();
    auto* memData = dynamic_cast<TMemData*>(FIRecordSet);
    if (memData && memData->SortColumns().Count() > 0) memData->SortItems();
}

void TMemDataSet::InternalHandleException() {
    HandleBoundaryException(std::current_exception());
}

void TMemDataSet::DoAfterOpen() {
    TDataSet::DoAfterOpen();
    DataEvent(deDataSetChange, 0);
}

// ---- record buffers ----

TRecordBuffer TMemDataSet::AllocRecordBuffer() {
    auto* buffer = static_cast<TRecordBuffer>(std::calloc(static_cast<size_t>(recBufSize_), 1));
    if (!buffer) throw EOutOfMemory("Out of memory");
    return buffer;
}

void TMemDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
    if (!buffer) return;
    FreeBufferObjects(buffer, true);
    std::free(buffer);
    buffer = nullptr;
}

void TMemDataSet::FreeBufferObjects(TRecordBuffer buffer, bool withBlobs) {
    if (!buffer || !FIRecordSet) return;
    TMemRecordInfo* info = RecordInfo(buffer);
    if (!info->ObjectsReferenced) return;
    FIRecordSet->FreeComplexFields(buffer, withBlobs);
    info->ObjectsReferenced = 0;
}

void TMemDataSet::ReleaseBufferObjects() {
    if (!TempBuffer()) return; // no buffers allocated
    if (ReferenceOnRead)
        for (int i = 0; i <= BufferCount(); ++i)
            FreeBufferObjects(GetBuffer(i), true);
    FreeBufferObjects(TempBuffer(), true);
}

TGetResult TMemDataSet::GetRecord(TRecordBuffer buffer, TGetMode getMode, bool) {
    FreeBufferObjects(buffer, true);
    switch (getMode) {
    case gmCurrent:
        FIRecordSet->GetRecord(buffer);
        break;
    case gmNext:
        FIRecordSet->GetNextRecord(buffer);
        break;
    case gmPrior:
        FIRecordSet->GetPriorRecord(buffer);
        break;
    }
    if (FIRecordSet->IsBOF()) return grBOF;
    if (FIRecordSet->IsEOF()) return grEOF;
    TMemRecordInfo* info = RecordInfo(buffer);
    info->RecordNumber = FIRecordSet->GetRecNo();
    info->UpdateStatus = FIRecordSet->GetItemStatus();
    info->BookmarkFlag = bfCurrent;
    if (ReferenceOnRead && FIRecordSet->HasComplexFields) {
        FIRecordSet->AddRefComplexFields(buffer);
        info->ObjectsReferenced = 1;
    }
    if (!CacheCalcFields) GetCalcFields(buffer);
    FIRecordSet->FillBookmark(reinterpret_cast<TRowBookmark*>(buffer + bookmarkOffset_));
    return grOK;
}

void TMemDataSet::InternalInitRecord(TRecordBuffer buffer) {
    FreeBufferObjects(buffer, true);
    FIRecordSet->InitRecordBuf(buffer);
    if (FIRecordSet->HasComplexFields) FIRecordSet->CreateComplexFields(buffer, true);
}

void TMemDataSet::InitRecord(TRecordBuffer buffer) {
    TDataSet::InitRecord(buffer);
    TMemRecordInfo* info = RecordInfo(buffer);
    info->RecordNumber = 0;
    info->UpdateStatus = static_cast<uint8_t>(TUpdateStatus::usInserted);
    info->BookmarkFlag = bfInserted;
    if (spareBuffer_) FIRecordSet->InitRecordBuf(spareBuffer_);
}

TBookmarkFlag TMemDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
    return static_cast<TBookmarkFlag>(RecordInfo(buffer)->BookmarkFlag);
}

void TMemDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) {
    RecordInfo(buffer)->BookmarkFlag = static_cast<uint8_t>(value);
}

void TMemDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
    std::memcpy(data, buffer + bookmarkOffset_, MemBookmarkSize);
}

void TMemDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
    std::memcpy(buffer + bookmarkOffset_, data, MemBookmarkSize);
}

void TMemDataSet::InternalGotoBookmark(const void* bookmark) {
    FIRecordSet->GotoBookmark(static_cast<const TRowBookmark*>(bookmark));
}

void TMemDataSet::InternalSetToRecord(TRecordBuffer buffer) {
    InternalGotoBookmark(buffer + bookmarkOffset_);
}

bool TMemDataSet::BookmarkValid(const void* bookmark) {
    return FIRecordSet && bookmark &&
           FIRecordSet->IsBookmarkValid(static_cast<const TRowBookmark*>(bookmark));
}

int TMemDataSet::CompareBookmarks(const void* a, const void* b) {
    if (!FIRecordSet) return 0;
    if (!a || !b) return a == b ? 0 : a ? 1 : -1;
    return FIRecordSet->CompareBookmarkRecs(static_cast<const TRowBookmark*>(a),
                                            static_cast<const TRowBookmark*>(b));
}

void TMemDataSet::InternalFirst() {
    FIRecordSet->SetToBegin();
}

void TMemDataSet::InternalLast() {
    FIRecordSet->SetToEnd();
}

void TMemDataSet::InternalAddRecord(const void* buffer, bool append) {
    if (append)
        FIRecordSet->AppendRecord(const_cast<void*>(buffer));
    else
        FIRecordSet->InsertRecord(const_cast<void*>(buffer));
}

int TMemDataSet::GetRecordCount() {
    return Active() && FIRecordSet ? FIRecordSet->GetRecordCount() : 0;
}

int TMemDataSet::GetRecNo() {
    void* buffer = nullptr;
    if (!CurrentRecordBuffer(buffer)) return 0;
    return RecordInfo(static_cast<TRecordBuffer>(buffer))->RecordNumber;
}

void TMemDataSet::SetRecNoSlot(int value) {
    CheckBrowseMode();
    DoBeforeScroll();
    FIRecordSet->SetRecNo(value);
    Resync(0);
    DoAfterScroll();
}

void TMemDataSet::SetBlockReadSize(int value) {
    if (value != BlockReadSize() && (value > 0 || value < -1)) UpdateCursorPos();
    TDataSet::SetBlockReadSize(value);
}

TUpdateStatus TMemDataSet::UpdateStatus() {
    if (!cachedUpdates_ || IsEmpty()) return TUpdateStatus::usUnmodified;
    TRecordBuffer buffer = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
    return static_cast<TUpdateStatus>(RecordInfo(buffer)->UpdateStatus);
}

// ---- current record buffer ----

bool TMemDataSet::CurrentRecordBuffer(void*& buffer) {
    buffer = nullptr;
    switch (State()) {
    case dsBrowse:
        if (applying_)
            buffer = applyNewBuffer_;
        else if (!IsEmpty())
            buffer = ActiveBuffer();
        break;
    case dsBlockRead:
        if (!IsEmpty()) buffer = ActiveBuffer();
        break;
    case dsEdit:
    case dsInsert:
        buffer = ActiveBuffer();
        break;
    case dsCalcFields:
        buffer = CalcBuffer();
        break;
    case dsFilter:
        buffer = filterBuffer_;
        break;
    case dsNewValue:
        buffer = NewValueBuffer();
        break;
    case dsOldValue:
        buffer = OldValueBuffer();
        break;
    default:
        break;
    }
    return buffer != nullptr;
}

void* TMemDataSet::OldValueBuffer() {
    // While applying, the old values are those of the change at hand, not of the row under the
    // cursor.
    if (applying_) return applyOldBuffer_;
    UpdateCursorPos();
    FIRecordSet->GetOldRecord(spareBuffer_);
    return spareBuffer_;
}

void* TMemDataSet::NewValueBuffer() {
    return applying_ ? applyNewBuffer_ : ActiveBuffer();
}

// ---- field values ----

bool TMemDataSet::ReadFieldValue(TFieldDesc* desc, void* record, void* dest, int sizeLimit) {
    int fieldNo = desc->Position;
    TDataTypeCode code = desc->TypeCode;
    bool special = code == tcInt8 || code == tcExtString || code == tcExtWideString || code == tcExtVarBytes;
    if (!dest || !special || desc->HasParent()) {
        bool isNull = false;
        FIRecordSet->GetField(fieldNo, record, isNull, dest);
        return !isNull;
    }
    const uint8_t* slot = static_cast<const uint8_t*>(record) + desc->RecordOffset;
    size_t limit = static_cast<size_t>(sizeLimit > 0 ? sizeLimit : 0);
    switch (desc->TypeCode) {
    case tcInt8: {
        // The smallint field reads two bytes: widen with the sign.
        if (FIRecordSet->GetNull(fieldNo, record)) return false;
        Store<int16_t>(dest, static_cast<int8_t>(*slot));
        return true;
    }
    case tcExtString: {
        // The stored text may be longer than the field's buffer: cut at Size, whole characters.
        if (FIRecordSet->GetNull(fieldNo, record) || FIRecordSet->GetConvertEOL()) break;
        auto* text = Load<const char*>(slot);
        auto* out = static_cast<char*>(dest);
        size_t n = text ? AnsiCutText(text, limit) : 0;
        if (n) std::memcpy(out, text, n);
        out[n] = 0;
        if (FIRecordSet->TrimVarChar && !desc->IsFixedLength) TrimTrailingBlanks(out, -1);
        return true;
    }
    case tcExtWideString: {
        if (FIRecordSet->GetNull(fieldNo, record) || FIRecordSet->GetConvertEOL()) break;
        auto* text = Load<const wchar_t*>(slot);
        auto* out = static_cast<wchar_t*>(dest);
        size_t n = text ? WideCutText(text, limit) : 0;
        if (n) std::memcpy(out, text, n * sizeof(wchar_t));
        out[n] = 0;
        if (FIRecordSet->TrimVarChar && !desc->IsFixedLength) TrimTrailingBlanksW(out, -1);
        return true;
    }
    case tcExtVarBytes: {
        if (FIRecordSet->GetNull(fieldNo, record)) return false;
        auto* bytes = Load<const uint8_t*>(slot);
        uint16_t length = bytes ? Load<uint16_t>(bytes) : 0;
        if (length > limit) length = static_cast<uint16_t>(limit);
        Store<uint16_t>(dest, length);
        if (length) std::memcpy(static_cast<uint8_t*>(dest) + 2, bytes + 2, length);
        return true;
    }
    default:
        break;
    }
    bool isNull = false;
    FIRecordSet->GetField(fieldNo, record, isNull, dest);
    return !isNull;
}

bool TMemDataSet::GetFieldData(TField* field, void* buffer) {
    void* record = nullptr;
    if (!CurrentRecordBuffer(record)) return false;
    if (field->FieldNo() <= 0) {
        switch (State()) {
        case dsBrowse:
        case dsEdit:
        case dsInsert:
        case dsCalcFields:
        case dsFilter:
        case dsBlockRead:
            break;
        default:
            return false;
        }
    } else if (static_cast<size_t>(field->FieldNo()) < plainFields_.size() &&
               plainFields_[field->FieldNo()]) {
        bool isNull = false;
        FIRecordSet->GetField(field->FieldNo(), record, isNull, buffer);
        return !isNull;
    }
    return ReadFieldValue(ValueDesc(field), record, buffer, field->Size());
}

bool TMemDataSet::GetFieldData(int fieldNo, void* buffer) {
    void* record = nullptr;
    if (!CurrentRecordBuffer(record)) return false;
    TFieldDesc* desc = FIRecordSet->FieldDescOf(fieldNo);
    return ReadFieldValue(desc, record, buffer, desc->DeclaredLength == 0 ? 1 : desc->DeclaredLength);
}

bool TMemDataSet::GetFieldData(TField* field, void* buffer, bool nativeFormat) {
    if (field->DataType() != ftWideString || !buffer) {
        // Every field read comes this way: the native form needs no conversion step.
        if (nativeFormat) return GetFieldData(field, buffer);
        return TDataSet::GetFieldData(field, buffer, nativeFormat);
    }
    std::vector<uint8_t> scratch(static_cast<size_t>(2 * field->Size() + 18), 0);
    bool notNull = GetFieldData(field, scratch.data());
    auto* out = static_cast<WideString*>(buffer);
    if (notNull)
        *out = WideString(reinterpret_cast<const wchar_t*>(scratch.data()));
    else
        out->clear();
    return notNull;
}

void TMemDataSet::SetFieldData(TField* field, const void* buffer) {
    TDataSetState state = State();
    switch (state) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue:
    case dsInternalCalc:
        break;
    default:
        DatabaseError("Dataset not in edit or insert mode", this);
    }
    void* record = nullptr;
    CurrentRecordBuffer(record);
    TFieldDesc* desc;
    if (field->FieldNo() > 0) {
        if (state == dsCalcFields) DatabaseError("Dataset not in edit or insert mode", this);
        if (field->ReadOnly() && state != dsSetKey && state != dsFilter && !WritingDefaults)
            DatabaseErrorFmt("Field '%s' cannot be modified", field->DisplayName());
        desc = FIRecordSet->FieldDescOf(field->FieldNo());
        int8_t narrow = 0;
        if (desc->TypeCode == tcInt8 && buffer) {
            // One byte holds -128..127; anything else would be stored wrapped.
            int16_t value = Load<int16_t>(buffer);
            if (value < INT8_MIN || value > INT8_MAX) field->RangeError(value, INT8_MIN, INT8_MAX);
            narrow = static_cast<int8_t>(value);
        }
        field->Validate(buffer);
        if (field->FieldKind() != TFieldKind::fkInternalCalc && record) {
            const void* source = desc->TypeCode == tcInt8 && buffer ? &narrow : buffer;
            FIRecordSet->PutField(desc->Position, record, false, source);
        }
    } else {
        desc = ValueDesc(field);
        if (record) FIRecordSet->PutField(desc->Position, record, false, buffer);
    }
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue)
        DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

void TMemDataSet::SetFieldData(TField* field, const void* buffer, bool nativeFormat) {
    if (field->DataType() == ftWideString)
        SetFieldData(field, buffer);
    else
        TDataSet::SetFieldData(field, buffer, nativeFormat);
}

void TMemDataSet::DataConvert(TField* field, const void* source, void* dest, bool toNative) {
    // The record keeps BCD as a 64-bit integer scaled by 10000, the form of a Currency.
    if (field->DataType() == ftBCD)
        std::memcpy(dest, source, 8);
    else
        TDataSet::DataConvert(field, source, dest, toNative);
}

Variant TMemDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
    if (state == dsOldValue && (inserting_ || State() == dsInsert)) return Variant::Null();
    return TDataSet::GetStateFieldValue(state, field);
}

TClass TMemDataSet::GetFieldClass(TFieldType fieldType) {
    EnsureService();
    return service_->FieldClassOfType(fieldType);
}

TStream* TMemDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
    auto* blobField = dynamic_cast<TBlobField*>(field);
    if (!blobField) throw EInvalidCast("Invalid class typecast");
    return new TBlobStream(blobField, mode);
}

// ---- blobs ----

TBlob* TMemDataSet::GetBlobOfDesc(TFieldDesc* desc) {
    if (!FIRecordSet->IsBlobDataType(desc->TypeCode)) DatabaseError("Field is not BLOB");
    void* record = nullptr;
    if (!CurrentRecordBuffer(record)) return nullptr;
    return FIRecordSet->GetFieldBlob(desc->Position, record);
}

TBlob* TMemDataSet::GetBlobOfField(TField* field) {
    if (!Active()) return nullptr;
    return GetBlobOfDesc(ValueDesc(field));
}

TBlob* TMemDataSet::GetBlobByName(const AnsiString& name) {
    return GetBlobOfDesc(FIRecordSet->FieldDescByName(name));
}

// ---- assignment ----

void TMemDataSet::AssignTo(TPersistent* dest) {
    auto* target = dynamic_cast<TMemDataSet*>(dest);
    if (!target) {
        TDataSet::AssignTo(dest);
        return;
    }
    target->SetCachedUpdates(cachedUpdates_);
    target->RequiredFields = RequiredFields;
    target->SetLocalUpdate(localUpdate_);
    target->SetMasterFields(masterFields_);
    target->SetDetailFields(detailFields_);
    target->SetDetailDelay(detailDelay_);
}
