#include "data/access/UniMetaData.h"

TDATransaction* TUniMetaData::UsedTransaction() {
    return rememberedTransaction_ ? rememberedTransaction_ : TDAMetaData::UsedTransaction();
}

void TUniMetaData::SetTransaction(TDATransaction* value) {
    if (rememberedTransaction_ && value != rememberedTransaction_ && TDAMetaData::Connection() &&
        MultipleTransactions()) {
        Close();
        rememberedTransaction_ = nullptr;
    }
    TDAMetaData::SetTransaction(value);
}

void TUniMetaData::BeginConnection() {
    TDAMetaData::BeginConnection();
    if (!rememberedTransaction_) rememberedTransaction_ = UsedTransaction();
}

void TUniMetaData::EndConnection() {
    TDAMetaData::EndConnection();
    // Kept while the answer is open.
    if (!FIRecordSet) rememberedTransaction_ = nullptr;
}

void TUniMetaData::OpenCursor(bool infoQuery) {
    try {
        TDAMetaData::OpenCursor(infoQuery);
    } catch (...) {
        ReraiseAsUniError();
    }
}

void TUniMetaData::CloseCursor() {
    try {
        TDAMetaData::CloseCursor();
    } catch (...) {
        rememberedTransaction_ = nullptr;
        ReraiseAsUniError();
    }
    rememberedTransaction_ = nullptr;
}
