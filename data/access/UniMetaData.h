#pragma once
// The unified metadata component: catalog answers through the provider of a TUniConnection, every
// data-access error raised as EUniError.
#include "data/access/DAMetaData.h"
#include "data/access/UniConnection.h"

class TUniMetaData : public TDAMetaData {
public:
    VZ_CLASS(TUniMetaData, TDAMetaData)
    explicit TUniMetaData(TComponent* owner = nullptr) : TDAMetaData(owner) {}

    TUniConnection* Connection() const { return dynamic_cast<TUniConnection*>(TDAMetaData::Connection()); }
    // The transaction one use of the connection works in, kept from its start to the close.
    TDATransaction* UsedTransaction() override;
    // Another transaction than the remembered one closes the dataset first, where the connection
    // runs several.
    void SetTransaction(TDATransaction* value) override;
    TDATransaction* RememberedTransaction() const { return rememberedTransaction_; }

protected:
    void BeginConnection() override;
    void EndConnection() override;
    void OpenCursor(bool infoQuery) override;
    void CloseCursor() override;

private:
    TDATransaction* rememberedTransaction_ = nullptr;
};
