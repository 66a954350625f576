#pragma once
// A transaction coordinated by the distributed transaction coordinator: it begins a coordinator
// transaction and enlists every connection of its list in it.
#include "data/access/CRAccess.h"
#include "data/access/MTSCall.h"

class TMTSTransaction : public TCRTransaction {
public:
    VZ_CLASS(TMTSTransaction, TCRTransaction)
    TMTSTransaction() = default;
    ~TMTSTransaction() override;

    bool AddConnection(TCRConnection* connection) override;
    bool RemoveConnection(TCRConnection* connection) override;
    void StartTransaction() override;
    void Commit() override;
    void Rollback() override;
    void Savepoint(const AnsiString& name) override;
    void ReleaseSavepoint(const AnsiString& name) override;
    void RollbackToSavepoint(const AnsiString& name) override;

    virtual void StartMTSTransaction();
    virtual void CompleteMTSTransaction(bool commit);
    virtual void EnlistConnection(TCRConnection* connection);
    virtual void UnEnlistConnection(TCRConnection* connection);

    // The current coordinator transaction, for a provider's Enlist.
    ICRTransactionSC* Transaction() const { return transaction_; }

private:
    ICRTransactionDispenserSC* dispenser_ = nullptr; // kept until destruction
    ICRTransactionSC* transaction_ = nullptr;
};
