#include "platform/db/Connection.h"

#include <algorithm>

#include "platform/db/DataSet.h"

TCustomConnection::TCustomConnection(TComponent* owner) : TComponent(owner) {}

TCustomConnection::~TCustomConnection() {
    clients_.clear();
}

void TCustomConnection::SetConnected(bool value) {
    if (HasState(csLoading)) {
        StreamedConnected = value;
        return;
    }
    if (value == GetConnected()) return;
    if (value) {
        if (BeforeConnect) BeforeConnect(this);
        DoConnect();
        SendConnectEvent(true);
        if (AfterConnect) AfterConnect(this);
    } else {
        if (BeforeDisconnect) BeforeDisconnect(this);
        SendConnectEvent(false);
        DoDisconnect();
        if (AfterDisconnect) AfterDisconnect(this);
    }
}

void TCustomConnection::Loaded() {
    TComponent::Loaded();
    if (StreamedConnected) SetConnected(true);
}

int TCustomConnection::DataSetCount() const {
    return static_cast<int>(std::count_if(clients_.begin(), clients_.end(), [](const auto& client) {
        return dynamic_cast<TDataSet*>(client.first) != nullptr;
    }));
}

TDataSet* TCustomConnection::DataSets(int index) const {
    for (const auto& client : clients_)
        if (auto* dataSet = dynamic_cast<TDataSet*>(client.first))
            if (index-- == 0) return dataSet;
    throw EListError(Format("List index out of bounds (%d)", {index}));
}

void TCustomConnection::RegisterClient(TObject* client, const TConnectChangeEvent& event) {
    for (auto& entry : clients_)
        if (entry.first == client) {
            entry.second = event;
            return;
        }
    clients_.emplace_back(client, event);
}

void TCustomConnection::UnRegisterClient(TObject* client) {
    std::erase_if(clients_, [client](const auto& entry) { return entry.first == client; });
}

void TCustomConnection::SendConnectEvent(bool connecting) {
    // A client may unregister while told: walk a copy.
    auto clients = clients_;
    for (const auto& [client, event] : clients) {
        if (event) event(this, connecting);
        if (auto* dataSet = dynamic_cast<TDataSet*>(client)) dataSet->DataEvent(deConnectChange, connecting);
    }
}
