// The internal record set: block fetching, block linking and navigation that fetches on demand.
#include "data/access/CRRecordSet.h"

AnsiString TCRFieldDesc::GetActualFieldName(TSQLInfo* sqlInfo, int quoteKind) {
    if (quoteKind < 0 || quoteKind > 2) CRAccessAssertFailed("Invalid quote kind", __LINE__);
    if (actualNameSet_[quoteKind]) return actualNames_[quoteKind];
    AnsiString name = SourceName;
    if (quoteKind != 0 || sqlInfo->QuotesNeeded(name)) name = sqlInfo->QuoteName(name);
    actualNames_[quoteKind] = name;
    actualNameSet_[quoteKind] = true;
    return name;
}

// ---------------------------------------------------------------------------------------------

TCRRecordSet::TCRRecordSet() = default;

TCRRecordSet::~TCRRecordSet() {
    // The provider's part is gone already; close what the base can still reach.
    try {
        if (Active) TMemData::Close();
    } catch (...) {
    }
    FreeCommand();
}

void TCRRecordSet::CreateCommandAndTablesInfo() {
    OnAfterExecuteFetch = nullptr;
    OnAfterFetchAll = nullptr;
    CreateCommand();
    tablesInfo_ = std::make_unique<TCRTablesInfo>(GetTableInfoClass());
    longStrings_ = true;
    flatBuffers_ = true;
}

void TCRRecordSet::SetCommand(TCRCommand* value) {
    if (command_.get() != value) command_.reset(value);
}

void TCRRecordSet::FreeCommand() {
    command_.reset();
}

void TCRRecordSet::SetComponent(TObject* value) {
    if (command_) command_->Component = value;
}

TClass TCRRecordSet::GetTableInfoClass() const {
    return command_ ? command_->GetTableInfoClass() : TCRTableInfo::StaticClass();
}

void TCRRecordSet::DoPrepare() {
    command_->Prepare();
}

void TCRRecordSet::DoUnprepare() {
    command_->Unprepare();
}

void TCRRecordSet::DoOpen(bool skipFieldInit) {
    atEndOfData_ = false;
    rowsFetched_ = 0;
    TMemData::DoOpen(skipFieldInit);
    IsEOFFlag = false;
    try {
        ExecFetch(skipFieldInit);
    } catch (...) {
        UndoOpen();
        throw;
    }
}

void TCRRecordSet::UndoOpen() {
    if (!Prepared) DoUnprepare();
    if (command_->GetCursorState() == csExecuted) command_->SetCursorState(csInactive);
}

void TCRRecordSet::DoClose() {
    atEndOfData_ = false;
    TMemData::DoClose();
}

bool TCRRecordSet::GetConvertEOL() const {
    TCRConnection* connection = command_ ? command_->GetConnection() : nullptr;
    return connection && connection->ConvertEOL();
}

void TCRRecordSet::Prepare() {
    if (Prepared) return;
    TMemData::Prepare();
    if (NeedInitFieldsOnPrepare()) {
        try {
            InitFields();
        } catch (...) {
            Prepared = false;
            DoUnprepare();
            throw;
        }
    }
}

void TCRRecordSet::Unprepare() {
    try {
        TMemData::Unprepare();
    } catch (...) {
        tablesInfo_->Clear();
        throw;
    }
    tablesInfo_->Clear();
}

void TCRRecordSet::Disconnect() {
    command_->Unprepare();
    Prepared = false;
}

void TCRRecordSet::ExecCommand() {
    command_->Execute();
    breakFetch_ = false;
}

void TCRRecordSet::ExecFetch(bool disableInitFields) {
    ExecCommand();
    if (!disableInitFields && (!Prepared || FieldDescs().Count() == 0 || NeedInitFieldsOnFetch()))
        InitFields();
    if (fetchAll_)
        FetchAll();
    else
        Fetch(false);
}

void TCRRecordSet::FetchAll() {
    while (Fetch(false)) {
    }
}

bool TCRRecordSet::CanDisconnect() {
    if (!command_) CRAccessAssertFailed("Command is not defined", __LINE__);
    uint8_t state = command_->GetCursorState();
    return state == csInactive || state == csFetched;
}

void TCRRecordSet::DoBeforeFetch(bool& cancel) {
    cancel = breakFetch_;
    if (OnBeforeFetch) OnBeforeFetch(cancel);
    if (cancel && command_->GetCursorState() == csFetchingAll) command_->SetCursorState(csFetching);
}

void TCRRecordSet::DoAfterFetch() {
    if (OnAfterFetch) OnAfterFetch();
}

void TCRRecordSet::SetConnection(TCRConnection* value) {
    command_->SetConnection(value);
}

void TCRRecordSet::SetTransaction(TCRTransaction* value) {
    command_->SetTransaction(value);
}

void TCRRecordSet::SetSQL(const AnsiString& value) {
    command_->SetSQL(value);
}

bool TCRRecordSet::SetProp(int prop, const Variant& value) {
    switch (prop) {
    case prUniDirectional:
        uniDirectional_ = value.AsBoolean();
        if (uniDirectional_) fetchAll_ = false;
        return true;
    case prFetchRows:
        fetchRows_ = value.AsInteger();
        return true;
    case prFetchAll:
        if (!lockFetchAll_) fetchAll_ = value.AsBoolean() && !uniDirectional_;
        return true;
    case prLockFetchAll:
        lockFetchAll_ = value.AsBoolean();
        return true;
    case prLongStrings:
        longStrings_ = value.AsBoolean();
        return true;
    case prFlatBuffers:
        flatBuffers_ = value.AsBoolean();
        return true;
    case prIndexFieldNames:
        SetIndexFieldNames(value.AsAnsiString());
        return true;
    case prCompressBlobMode:
        command_->SetProp(prCompressBlobMode, value);
        return true;
    case prExtendedFieldsInfo:
        extendedFieldsInfo_ = value.AsBoolean();
        return true;
    case prDefaultValues:
        defaultValues_ = value.AsBoolean();
        return true;
    case prFieldsOrigin:
        fieldsOrigin_ = value.AsBoolean();
        return true;
    case prReadOnly:
    case prRefreshAfterUpdate:
        return true;
    default:
        CRAccessUnknownProp(prop, __LINE__);
    }
}

bool TCRRecordSet::GetProp(int prop, Variant& value) {
    switch (prop) {
    case prFetchAll:
        value = fetchAll_;
        return true;
    case prRowsFetched:
        value = rowsFetched_;
        return true;
    case prExtendedFieldsInfo:
        value = extendedFieldsInfo_;
        return true;
    case prDefaultValues:
        value = defaultValues_;
        return true;
    case prFieldsOrigin:
        value = fieldsOrigin_;
        return true;
    default:
        CRAccessUnknownProp(prop, __LINE__);
    }
}

// ---- blocks ----

void TCRRecordSet::InitFetchedBlock(PRowBlock block, int count, bool backward) {
    const int recordSize = RecordSize;
    for (int i = 0; i < count; ++i) {
        PRowItem item = block->Item(i, recordSize);
        item->SetOwnerBlock(block);
        item->SetItemMarker(ItemMarkerUsed);
        item->SetRollbackItem(nullptr);
        item->SetItemStatus(isUnmodified);
        item->SetUpdateResult(urNone);
        item->SetFilterState(fsNotChecked);
    }
    if (count > 0) {
        if (!backward) {
            PRowItem last = LastItem;
            // A reused block (unidirectional) may hold the old last item: number from it first.
            int recNo = last ? last->ItemRecNo() + 1 : 1;
            for (int i = 0; i < count; ++i) {
                PRowItem item = block->Item(i, recordSize);
                item->SetPrevItem(last);
                item->SetNextItem(nullptr);
                item->SetItemRecNo(recNo++);
                if (last && last != item) last->SetNextItem(item);
                if (!FirstItem) FirstItem = item;
                last = item;
            }
            LastItem = last;
        } else {
            PRowItem first = FirstItem;
            int recNo = first ? first->ItemRecNo() - 1 : RecordCount;
            for (int i = count - 1; i >= 0; --i) {
                PRowItem item = block->Item(i, recordSize);
                item->SetPrevItem(nullptr);
                item->SetNextItem(first);
                item->SetItemRecNo(recNo--);
                if (first && first != item) first->SetPrevItem(item);
                if (!LastItem) LastItem = item;
                first = item;
            }
            FirstItem = first;
        }
        PRowItem firstNew = block->Item(0, recordSize);
        PRowItem lastNew = block->Item(count - 1, recordSize);
        if (FirstItem) FirstItem->SetPrevItem(nullptr);
        if (LastItem) LastItem->SetNextItem(nullptr);
        CalcFieldsForItems(firstNew, lastNew);
    }
    rowsFetched_ += count;
    BlockFetched(block, count, backward);
    if (block->ItemCount() > count) {
        if (!backward) atEndOfData_ = true;
        TBlockManager& manager = BlockManager();
        for (int i = count; i < block->ItemCount(); ++i) {
            PRowItem item = block->Item(i, recordSize);
            if (HasComplexFields) FreeComplexFields(item->Record(), true);
            item->SetOwnerBlock(block);
            item->SetItemMarker(ItemMarkerFree);
            item->SetRollbackItem(nullptr);
            item->SetItemStatus(isUnmodified);
            item->SetUpdateResult(urNone);
            item->SetPrevItem(nullptr);
            item->SetNextItem(manager.FreeItems);
            if (manager.FreeItems) manager.FreeItems->SetPrevItem(item);
            manager.FreeItems = item;
        }
    }
    block->SetUsedCount(static_cast<uint16_t>(count));
}

void TCRRecordSet::BlockFetched(PRowBlock block, int count, bool backward) {
    if (count == 0) return;
    if (HasFilter() && !fetchAll_) {
        const int recordSize = RecordSize;
        if (!backward) {
            PRowItem first = block->Item(0, recordSize);
            PRowItem prev = first->PrevItem();
            int recNo = prev ? prev->ItemRecNo() : 0;
            for (int i = 0; i < count; ++i) {
                PRowItem item = block->Item(i, recordSize);
                if (!IsItemFilteredOut(item)) {
                    item->SetItemRecNo(++recNo);
                    if (!atEndOfData_) ++RecordCount;
                } else {
                    item->SetItemRecNo(recNo);
                }
            }
        } else {
            PRowItem last = block->Item(count - 1, recordSize);
            PRowItem next = last->NextItem();
            int recNo = next ? next->ItemRecNo() : RecordCount + 1;
            for (int i = count - 1; i >= 0; --i) {
                PRowItem item = block->Item(i, recordSize);
                if (!IsItemFilteredOut(item)) --recNo;
                item->SetItemRecNo(recNo);
            }
        }
    } else if (!backward && !atEndOfData_) {
        RecordCount += count;
    }
}

// ---- navigation ----

void TCRRecordSet::GetNextRecord(void* buffer) {
    if (IsEOF()) return;
    PRowItem item;
    if (!FirstItem) {
        if (!Fetch(false)) {
            CurrentItem = nullptr;
            IsEOFFlag = true;
            return;
        }
        item = FirstItem;
    } else {
        item = CurrentItem ? CurrentItem->NextItem() : FirstItem;
    }
    // Unidirectional lists (and lists that can fetch back) keep only the newest block.
    const bool cut = uniDirectional_ || CanFetchBack();
    for (;;) {
        if (!item) {
            PRowItem remembered = LastItem;
            if (!Fetch(false)) {
                CurrentItem = nullptr;
                IsEOFFlag = true;
                return;
            }
            if (cut) {
                PRowBlock block = LastItem->OwnerBlock();
                FirstItem = block->Item(0, RecordSize);
                FirstItem->SetPrevItem(nullptr);
                LastItem->SetNextItem(nullptr);
            }
            if (cut || !remembered || !remembered->NextItem())
                item = FirstItem;
            else
                item = remembered->NextItem();
        }
        if (!IsItemFilteredOut(item)) break;
        item = item->NextItem();
    }
    IsBOFFlag = false;
    IsEOFFlag = false;
    CurrentItem = item;
    if (buffer) BlockManager().GetRecord(item, buffer);
}

void TCRRecordSet::GetPriorRecord(void* buffer) {
    if (uniDirectional_) {
        IsBOFFlag = true;
        CurrentItem = nullptr;
        return;
    }
    TMemData::GetPriorRecord(buffer);
}

bool TCRRecordSet::Refilter() {
    uint8_t state = command_ ? command_->GetCursorState() : csInactive;
    bool fetching = state >= 1 && state <= 9;
    bool result = TMemData::Refilter();
    if (fetching) IsEOFFlag = false;
    return result;
}

void TCRRecordSet::InitSortColumn(TSortColumn* column) {
    TMemData::InitSortColumn(column);
    TCRConnection* connection = command_ ? command_->GetConnection() : nullptr;
    if (connection) column->ColumnSortType = static_cast<TSortType>(connection->DefaultSortType());
}

void TCRRecordSet::SortItems() {
    if (SortColumns().Count() > 0) FetchAll();
    TMemData::SortItems();
}
