#pragma once
// Pooled ODBC connections: the key with the data source kind and login time-out, and the one
// process-wide manager.
#include "data/access/CRConnectionPool.h"
#include "data/access/providers/ODBCClasses.h"

class TODBCConnectionParameters : public TCRConnectionParameters {
public:
    VZ_CLASS(TODBCConnectionParameters, TCRConnectionParameters)
    TODBCConnectionParameters() = default;

    bool SameAs(const TCRConnectionParameters* other) const override;
    // 1002 ConnectionTimeout and 1004 DSNType.
    void SetSpecific(int prop, const Variant& value) override;

    TDSNType DSNType = ntAuto;
    int ConnectionTimeout = 0; // seconds

protected:
    void AssignTo(TPersistent* dest) override;
};

class TODBCLocalConnectionPool : public TCRLocalConnectionPool {
public:
    VZ_CLASS(TODBCLocalConnectionPool, TCRLocalConnectionPool)
    using TCRLocalConnectionPool::TCRLocalConnectionPool;

protected:
    TCRConnection* NewConnection() override;
};

class TODBCConnectionPoolManager : public TCRConnectionPoolManager {
public:
    VZ_CLASS(TODBCConnectionPoolManager, TCRConnectionPoolManager)
    TODBCConnectionPoolManager() = default;

    std::unique_ptr<TCRConnectionPool> CreatePool(const TCRConnectionParameters& parameters) override;
    // A connection from the process-wide manager, made on first use with the monitor's notify.
    static TCRConnection*
    PooledConnection(const TCRConnectionParameters& parameters,
                     const std::function<void(TCRConnectionPool*, const AnsiString&)>& poolNotify = nullptr);
};

// Frees the process-wide manager (at the unit's end).
void ODBCConnectionPoolFinalize();
