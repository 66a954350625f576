#include "data/access/providers/ODBCConnectionPool.h"

#include "data/access/CRProps.h"

namespace {
std::mutex managerLock;
TODBCConnectionPoolManager* manager = nullptr;
} // namespace

bool TODBCConnectionParameters::SameAs(const TCRConnectionParameters* other) const {
    if (!TCRConnectionParameters::SameAs(other)) return false;
    auto* odbc = dynamic_cast<const TODBCConnectionParameters*>(other);
    return !odbc || (odbc->DSNType == DSNType && odbc->ConnectionTimeout == ConnectionTimeout);
}

void TODBCConnectionParameters::SetSpecific(int prop, const Variant& value) {
    switch (prop) {
    case prConnectionTimeout:
        ConnectionTimeout = value.AsInteger();
        break;
    case prDSNType:
        DSNType = static_cast<TDSNType>(value.AsInteger());
        break;
    default:
        TCRConnectionParameters::SetSpecific(prop, value);
    }
}

void TODBCConnectionParameters::AssignTo(TPersistent* dest) {
    TCRConnectionParameters::AssignTo(dest);
    if (auto* odbc = dynamic_cast<TODBCConnectionParameters*>(dest)) {
        odbc->DSNType = DSNType;
        odbc->ConnectionTimeout = ConnectionTimeout;
    }
}

TCRConnection* TODBCLocalConnectionPool::NewConnection() {
    auto connection = std::make_unique<TODBCConnection>();
    const TCRConnectionParameters& key = Parameters();
    if (auto* odbc = dynamic_cast<const TODBCConnectionParameters*>(&key)) {
        connection->SetProp(prDSNType, static_cast<uint8_t>(odbc->DSNType));
        connection->SetProp(prConnectionTimeout, odbc->ConnectionTimeout);
    }
    connection->OnError = TakerErrorHandler();
    connection->SetUsername(key.Username);
    connection->SetPassword(key.Password);
    connection->SetServer(key.Server);
    connection->Connect("");
    return connection.release();
}

std::unique_ptr<TCRConnectionPool>
TODBCConnectionPoolManager::CreatePool(const TCRConnectionParameters& parameters) {
    return std::make_unique<TODBCLocalConnectionPool>(this, parameters);
}

TCRConnection* TODBCConnectionPoolManager::PooledConnection(
    const TCRConnectionParameters& parameters,
    const std::function<void(TCRConnectionPool*, const AnsiString&)>& poolNotify) {
    TODBCConnectionPoolManager* current;
    {
        std::lock_guard<std::mutex> guard(managerLock);
        if (!manager) {
            manager = new TODBCConnectionPoolManager();
            manager->PoolNotify = poolNotify;
        }
        current = manager;
    }
    return current->AcquireConnection(parameters);
}

void ODBCConnectionPoolFinalize() {
    std::lock_guard<std::mutex> guard(managerLock);
    delete manager;
    manager = nullptr;
}
