#pragma once
// TCustomConnection: a connection component with connect events and the datasets that use it.
#include <functional>
#include <vector>

#include "platform/core/Components.h"
#include "platform/db/DBTypes.h"

class TDataSet;
class TStrings;

using TConnectChangeEvent = std::function<void(TObject* sender, bool connecting)>;
using TLoginEvent = std::function<void(TObject* sender, TStrings* loginParams)>;

class TCustomConnection : public TComponent {
public:
    VZ_CLASS(TCustomConnection, TComponent)
    explicit TCustomConnection(TComponent* owner);
    // Descendants disconnect in their own destructor; the base tells the clients it goes.
    ~TCustomConnection() override;

    bool Connected() { return GetConnected(); }
    // True: BeforeConnect, DoConnect, clients told, AfterConnect. False: BeforeDisconnect,
    // clients told, DoDisconnect, AfterDisconnect. While loading the value is kept for Loaded.
    virtual void SetConnected(bool value);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }
    bool LoginPrompt = false;
    void Loaded() override;

    // Datasets among the registered clients.
    int DataSetCount() const;
    TDataSet* DataSets(int index) const;
    int ClientCount() const { return static_cast<int>(clients_.size()); }
    TObject* Clients(int index) const { return clients_[index].first; }
    virtual void RegisterClient(TObject* client, const TConnectChangeEvent& event = nullptr);
    virtual void UnRegisterClient(TObject* client);

    TNotifyEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;
    TLoginEvent OnLogin;

protected:
    virtual void DoConnect() {}
    virtual void DoDisconnect() {}
    virtual bool GetConnected() { return false; }
    // Tells every client (its event, or a dataset's deConnectChange) of a connect or disconnect.
    void SendConnectEvent(bool connecting);
    bool StreamedConnected = false;

private:
    std::vector<std::pair<TObject*, TConnectChangeEvent>> clients_;
};
