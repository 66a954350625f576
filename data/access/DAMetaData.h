#pragma once
// The metadata component: an in-memory dataset over a catalog kind (tables, columns, indexes ...)
// read through its connection's provider.
#include <memory>

#include "data/access/CRMetaData.h"
#include "data/memory/MemDataSet.h"
#include "platform/core/StringLists.h"

class TCustomDAConnection;
class TDATransaction;

class TDAMetaData : public TMemDataSet {
public:
    VZ_CLASS(TDAMetaData, TMemDataSet)
    explicit TDAMetaData(TComponent* owner);
    ~TDAMetaData() override;

    TCustomDAConnection* Connection() const { return connection_; }
    // Closes the dataset (unless loading) and moves the client registration.
    void SetConnection(TCustomDAConnection* value);
    TDATransaction* Transaction() const { return transaction_; }
    virtual void SetTransaction(TDATransaction* value);
    const AnsiString& MetaDataKind() const { return metaDataKind_; }
    // A changed kind closes the dataset unless the component is being loaded.
    void SetMetaDataKind(const AnsiString& value);
    // Lines NAME=value; any change closes the dataset unless the component is being loaded.
    TStrings* Restrictions() const { return restrictions_.get(); }
    void SetRestrictions(TStrings* value) { restrictions_->Assign(value); }
    // The own transaction where the connection runs several, else the connection's.
    virtual TDATransaction* UsedTransaction();
    TCRMetaData* InternalMetaData() const { return metaData_.get(); }

protected:
    virtual void BeginConnection();
    virtual void EndConnection();
    virtual void ConnectChange(TObject* sender, bool connecting);
    // The reader of the class the connection names.
    void CheckInternalMetaData();

    void OpenCursor(bool infoQuery) override;
    void InternalOpen() override;
    void CloseCursor() override;
    void Notification(TComponent* component, TOperation operation) override;

    bool MultipleTransactions();

private:
    void CloseUnlessLoading();

    TCustomDAConnection* connection_ = nullptr;
    TDATransaction* transaction_ = nullptr;
    AnsiString metaDataKind_;
    std::unique_ptr<TStringList> restrictions_;
    std::unique_ptr<TCRMetaData> metaData_;
};
