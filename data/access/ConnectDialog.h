#pragma once
// The component that asks for user name, password and server before a connection opens: its
// captions in eight languages, the last login and the server history in the per-user registry,
// and the dialog window left to a process-wide hook.
#include <functional>
#include <memory>

#include "data/access/CRServerEnumerator.h"
#include "data/access/DAConnection.h"

class TCustomConnectDialog;

// Shows the dialog; answers whether the user confirmed. Nothing in the system installs one.
using TConnectDialogHook = std::function<bool(TCustomConnectDialog* dialog)>;
void SetConnectDialogHook(TConnectDialogHook hook);

class TCustomConnectDialog : public TComponent {
public:
    VZ_CLASS(TCustomConnectDialog, TComponent)
    explicit TCustomConnectDialog(TComponent* owner);
    ~TCustomConnectDialog() override;

    TCustomDAConnection* Connection() const { return connection_; }
    void SetConnection(TCustomDAConnection* value);
    int LabelSet() const { return labelSet_; }
    virtual void SetLabelSet(int value);
    WideString Caption, UsernameLabel, PasswordLabel, ServerLabel, ConnectButton, CancelButton;
    bool SavePassword = false;
    bool StoreLogin = true;
    bool NeedServerHistoryOnly = true;

    virtual TClass EnumeratorClass();
    virtual void SetEnumerator(std::unique_ptr<TCRServerEnumerator> value);
    virtual AnsiString KeyRoot() { return AnsiString(); }
    virtual AnsiString ServerValueName() { return "Server"; }
    virtual AnsiString HistoryKey() { return KeyRoot() + "Connect"; }
    virtual void SaveServerHistory();
    virtual void LoadServerHistory(TStrings* list);
    virtual void SaveLogin();
    virtual void LoadLogin();
    virtual bool Execute();
    virtual void GetServerList(TStrings* list);

    // The maker's current name in registry paths, and the former one of older locations.
    static constexpr const char* MakerName = "Vendrol";
    static constexpr const char* FormerMakerName = "Vendrolsoft";

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TCustomDAConnection* connection_ = nullptr;
    int labelSet_ = 0;
    std::unique_ptr<TCRServerEnumerator> enumerator_;
    AnsiString LoginKey();
};
