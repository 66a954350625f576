// TMemDataSet as the detail of a master dataset: the link to the master's data source, the
// optional delay before the detail follows, and the local form in which the record set filters
// the detail's rows by the master's current values.
#include "data/memory/MemDataSetLinks.h"

#include "data/memory/MemDataSet.h"
#include "data/memory/Win32Timer.h"
#include "platform/core/Strings.h"
#include "platform/db/Fields.h"

// ---- the link ----

TDataSet* TDADetailDataLink::GetDetailDataSet() {
    return detail_;
}

void TDADetailDataLink::ActiveChanged() {
    if (detail_->Active() && !detail_->HasState(csDestroying) && Active()) detail_->MasterRecordChanged();
}

void TDADetailDataLink::RecordChanged(TField* field) {
    TDataSet* master = DataSet();
    if (field && (!master || field->DataSet() != master)) return;
    if (!detail_->Active()) return;
    const bool detailEditing = detail_->State() == dsEdit || detail_->State() == dsInsert;
    // Typing into a master being inserted does not move the detail; posting it does.
    if (!field || (!detailEditing && master->State() != dsInsert)) detail_->MasterRecordChanged();
}

void TDADetailDataLink::CheckBrowseMode() {
    if (!detail_->Active()) return;
    TDataSet* master = DataSet();
    const bool detailEditing = detail_->State() == dsEdit || detail_->State() == dsInsert;
    if (!master || master->State() != dsInsert || !detailEditing) detail_->CheckBrowseMode();
}

// ---- the dataset's side ----

TDataSource* TMemDataSet::MasterSource() const {
    return dataLink_ ? dataLink_->DataSource() : nullptr;
}

bool TMemDataSet::HasMasterLink() const {
    return MasterSource() && !masterFields_.empty() && !detailFields_.empty();
}

bool TMemDataSet::IsMasterActive() const {
    TDataSource* source = MasterSource();
    return source && source->DataSet() && source->DataSet()->Active();
}

void TMemDataSet::ChangeMasterLink(const std::function<void()>& change) {
    const bool had = HasMasterLink();
    change();
    InstallLocalMDFilter();
    if (had || HasMasterLink()) RefreshLocalDetail();
}

void TMemDataSet::SetMasterSource(TDataSource* source) {
    if (source == MasterSource()) return;
    if (IsLinkedTo(source)) DatabaseError("Circular datalinks are not allowed", this);
    ChangeMasterLink([&] { dataLink_->SetDataSource(source); });
}

void TMemDataSet::SetMasterFields(const AnsiString& value) {
    if (value != masterFields_) ChangeMasterLink([&] { masterFields_ = value; });
}

void TMemDataSet::SetDetailFields(const AnsiString& value) {
    if (value != detailFields_) ChangeMasterLink([&] { detailFields_ = value; });
}

void TMemDataSet::EnsureDetailTimer() {
    if (detailTimer_) return;
    detailTimer_ = std::make_unique<TWin32Timer>(nullptr);
    detailTimer_->SetEnabled(false);
    detailTimer_->SetOnTimer([this](TObject* sender) { RefreshDetail(sender); });
}

void TMemDataSet::SetDetailDelay(int value) {
    detailDelay_ = value;
    EnsureDetailTimer();
    detailTimer_->SetInterval(static_cast<unsigned>(value < 0 ? 0 : value));
}

void TMemDataSet::GetDetailLinkFields(std::vector<TField*>& masterFields,
                                      std::vector<TField*>& detailFields) {
    masterFields.clear();
    detailFields.clear();
    if (!HasMasterLink() || !IsMasterActive()) return;
    TDataSet* master = MasterSource()->DataSet();
    size_t masterPos = 0, detailPos = 0;
    for (;;) {
        const AnsiString masterName = ExtractFieldName(masterFields_, masterPos);
        const AnsiString detailName = ExtractFieldName(detailFields_, detailPos);
        if (masterName.empty() || detailName.empty()) break;
        TField* masterField = master->FindField(masterName);
        if (!masterField) continue;
        masterFields.push_back(masterField);
        if (TField* detailField = FindField(detailName)) detailFields.push_back(detailField);
    }
}

void TMemDataSet::MasterRecordChanged() {
    ReleaseBufferObjects();
    TDataSource* source = MasterSource();
    TDataSet* master = source ? source->DataSet() : nullptr;
    if (!master || !master->Active() || master->State() == dsSetKey) return;
    if (!PrepareLocalMDLinks()) return;
    if (detailTimer_ && detailTimer_->Interval() != 0) {
        detailTimer_->SetEnabled(false);
        detailTimer_->SetEnabled(true);
    } else {
        RefreshDetail(this);
    }
}

void TMemDataSet::RefreshDetail(TObject*) {
    if (detailTimer_) detailTimer_->SetEnabled(false);
    if (!Active() || !UsesLocalMasterDetail()) return;
    FIRecordSet->Refilter();
    Resync(0);
    First();
}

void TMemDataSet::RefreshLocalDetail() {
    if (FIRecordSet) {
        PrepareLocalMDLinks();
        if (FIRecordSet->Active) FIRecordSet->Refilter();
    }
    if (Active()) Resync(0);
}

void TMemDataSet::InstallLocalMDFilter() {
    if (!FIRecordSet) return;
    if (UsesLocalMasterDetail())
        FIRecordSet->ExtraFilterHook = [this](void* record) { return LocalMDFilter(record); };
    else
        FIRecordSet->ExtraFilterHook = nullptr;
}

bool TMemDataSet::BuildLocalMDLinks() {
    localLinks_.clear();
    if (!HasMasterLink() || !IsMasterActive() || !FIRecordSet) return true;
    auto* master = dynamic_cast<TMemDataSet*>(MasterSource()->DataSet());
    if (!master) throw Exception("Master dataset must be inherited from TMemDataSet");
    size_t masterPos = 0, detailPos = 0;
    for (;;) {
        const AnsiString masterName = ExtractFieldName(masterFields_, masterPos);
        const AnsiString detailName = ExtractFieldName(detailFields_, detailPos);
        if (masterName.empty() || detailName.empty()) break;
        TField* masterField = master->FindField(masterName);
        if (!masterField || !FindField(detailName)) continue;
        TFieldDesc* detailDesc = FIRecordSet->FindFieldDesc(detailName);
        if (!detailDesc) throw Exception(Format("Field %s not found", {detailName}));
        if (!master->GetFieldDesc(masterField)) throw Exception(Format("Field %s not found", {masterName}));
        TLocalMDLink link;
        link.DetailFieldNo = detailDesc->Position;
        link.MasterNull = masterField->IsNull();
        // Always a copy: the master's buffers go when it closes, scrolls or reallocates them.
        if (!link.MasterNull)
            VariantToFieldBuffer(masterField->GetAsVariant(), link.Value, true, detailDesc, link.ValueType);
        localLinks_.push_back(std::move(link));
    }
    return true;
}

bool TMemDataSet::LocalMDFilter(void* record) {
    TDataSource* source = MasterSource();
    TDataSet* master = source ? source->DataSet() : nullptr;
    if (master && master->Active() && master->RecordCount() == 0) return false;
    auto* memData = dynamic_cast<TMemData*>(FIRecordSet);
    for (const TLocalMDLink& link : localLinks_) {
        const bool fieldNull = FIRecordSet->GetNull(link.DetailFieldNo, record);
        if (link.MasterNull || fieldNull) {
            if (link.MasterNull != fieldNull) return false;
            continue;
        }
        if (!memData || memData->CompareFieldValues(link.Value.data(), link.ValueType, 0, record,
                                                    FIRecordSet->FieldDescOf(link.DetailFieldNo)) != 0)
            return false;
    }
    return true;
}
