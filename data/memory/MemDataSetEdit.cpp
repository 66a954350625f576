// TMemDataSet: inserting, editing, posting, deleting and cancelling records, default values of new
// records, and applying, committing and reverting cached updates through the updater.
#include <cstring>
#include <vector>

#include "data/memory/Blob.h"
#include "data/memory/MemDataSet.h"
#include "platform/db/Fields.h"

namespace {
// Removes the enclosing quotes of a default expression; doubled quotes inside become single.
AnsiString DequotedDefault(const AnsiString& text) {
    const std::string s = text.c_str();
    if (s.size() < 2 || s.front() != '\'' || s.back() != '\'') return text;
    std::string out;
    for (size_t i = 1; i + 1 < s.size(); ++i) {
        out += s[i];
        if (s[i] == '\'' && i + 2 < s.size() && s[i + 1] == '\'') ++i;
    }
    return AnsiString(out.c_str());
}
} // namespace

void TMemDataSet::PostToUpdater() {
    TDataSetUpdater* updater = service_ ? service_->Updater() : nullptr;
    if (!updater) return;
    if (State() == dsEdit)
        updater->HandleUpdate();
    else
        updater->HandleInsert();
}

void TMemDataSet::ApplyDefaultValues() {
    WritingDefaults = true;
    try {
        for (int i = 0; i < Fields().Count(); ++i) {
            TField* field = Fields().Fields(i);
            if (field->DefaultExpression.empty()) continue;
            field->SetAsString(DequotedDefault(field->DefaultExpression));
        }
    } catch (...) {
        WritingDefaults = false;
        throw;
    }
    WritingDefaults = false;
}

void TMemDataSet::DoOnNewRecord() {
    ApplyDefaultValues();
    try {
        TDataSet::DoOnNewRecord();
    } catch (...) {
        InternalCancel();
        throw;
    }
    TDataSource* source = dataLink_ ? dataLink_->DataSource() : nullptr;
    TDataSet* master = source ? source->DataSet() : nullptr;
    if (!master || !master->Active() || masterFields_.empty() || detailFields_.empty()) return;
    size_t masterPos = 0, detailPos = 0;
    for (;;) {
        AnsiString masterName = ExtractFieldName(masterFields_, masterPos);
        AnsiString detailName = ExtractFieldName(detailFields_, detailPos);
        if (masterName.empty() || detailName.empty()) break;
        TField* masterField = master->FindField(masterName);
        TField* detailField = FindField(detailName);
        if (!masterField || !detailField || detailField->ReadOnly()) continue;
        // A master being inserted has no key yet: its null clears the detail field.
        if (masterField->IsNull())
            detailField->Clear();
        else if (dynamic_cast<TLargeintField*>(detailField))
            detailField->SetAsLargeInt(masterField->GetAsVariant().AsInt64());
        else
            detailField->Assign(masterField);
    }
}

void TMemDataSet::InternalPost() {
    TDataSet::InternalPost();
    TRecordBuffer active = ActiveBuffer();
    TFieldDescs& descs = FIRecordSet->FieldDescs();
    for (int i = 0; i < Fields().Count(); ++i) {
        TField* field = Fields().Fields(i);
        if (field->FieldKind() != TFieldKind::fkData || field->FieldNo() <= 0 ||
            field->FieldNo() > descs.Count())
            continue;
        TFieldDesc* desc = descs[field->FieldNo() - 1];
        if (!FIRecordSet->IsBlobDataType(desc->TypeCode)) continue;
        TBlob* blob = FIRecordSet->ReadBlobRef(field->FieldNo(), active);
        if (blob && blob->HasRollback()) field->Modified = true;
    }
    if (State() == dsEdit) {
        UpdateCursorPos();
        FIRecordSet->PostEditedRecord(active);
    } else {
        // Before the record that was current at Insert, or at the end for Append.
        switch (GetBookmarkFlag(active)) {
        case bfEOF:
            FIRecordSet->SetToEnd();
            break;
        case bfBOF:
            FIRecordSet->SetToBegin();
            break;
        default:
            InternalSetToRecord(active);
            break;
        }
        FIRecordSet->InsertRecord(active);
    }
    inserting_ = editing_ = false;
}

void TMemDataSet::InternalDelete() {
    if (!GetCanModify()) DatabaseError("Cannot modify a read-only dataset", this);
    UpdateCursorPos();
    FIRecordSet->DeleteRecord();
    inserting_ = editing_ = false;
}

void TMemDataSet::Cancel() {
    if (!FIRecordSet) return;
    const bool editing = State() == dsEdit || State() == dsInsert;
    if (!editing || !FIRecordSet->HasComplexFields || !ActiveBuffer()) {
        TDataSet::Cancel();
        return;
    }
    // The cancel events may still read the record: its objects live until they are done.
    std::vector<uint8_t> copy(ActiveBuffer(), ActiveBuffer() + recBufSize_);
    FIRecordSet->AddRefComplexFields(copy.data());
    try {
        TDataSet::Cancel();
    } catch (...) {
        FIRecordSet->FreeComplexFields(copy.data(), true);
        throw;
    }
    FIRecordSet->FreeComplexFields(copy.data(), true);
}

// ---- cached updates ----

void TMemDataSet::CheckCachedUpdates() {
    if (!cachedUpdates_) DatabaseError("Not in cached update mode", this);
}

int TMemDataSet::CurrentUpdateResult() {
    UpdateCursorPos();
    return FIRecordSet->GetItemUpdateResult();
}

void TMemDataSet::ApplyCachedUpdatesOf(uint8_t kinds) {
    CheckActive();
    ReleaseBufferObjects();
    if (State() != dsBrowse) Post();
    CheckCachedUpdates();
    UpdateCursorPos();
    RunApplyPass([this, kinds] { FIRecordSet->ApplyCachedUpdates(kinds); });
}

void TMemDataSet::CommitCachedUpdates() {
    CheckActive();
    CheckCachedUpdates();
    ReleaseBufferObjects();
    UpdateCursorPos();
    RunApplyPass([this] { FIRecordSet->CommitCachedUpdates(); });
}

void TMemDataSet::RunApplyPass(const std::function<void()>& pass) {
    applyNewBuffer_ = AllocRecordBuffer();
    applyOldBuffer_ = AllocRecordBuffer();
    applying_ = true;
    auto finish = [this] {
        applying_ = false;
        FIRecordSet->SetApplyBuffers(nullptr, nullptr);
        // The record set filled only the records; their objects are its own.
        RecordInfo(applyNewBuffer_)->ObjectsReferenced = 0;
        RecordInfo(applyOldBuffer_)->ObjectsReferenced = 0;
        FreeRecordBuffer(applyNewBuffer_);
        FreeRecordBuffer(applyOldBuffer_);
    };
    try {
        FIRecordSet->SetApplyBuffers(applyNewBuffer_, applyOldBuffer_);
        pass();
    } catch (...) {
        finish();
        Resync(0);
        throw;
    }
    finish();
    Resync(0);
}

void TMemDataSet::RevertCurrentRecord() {
    CheckActive();
    FreeBufferObjects(ActiveBuffer(), true);
    if (State() == dsEdit || State() == dsInsert || State() == dsSetKey) Cancel();
    CheckCachedUpdates();
    UpdateCursorPos();
    FIRecordSet->RevertCurrentRecord();
    Resync(0);
}
