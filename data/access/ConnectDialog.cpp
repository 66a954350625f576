#include "data/access/ConnectDialog.h"

#include "data/memory/Data.h"
#include "platform/db/DBTypes.h"

namespace {
TConnectDialogHook dialogHook;

// Names a host application starts with when it is a development environment.
const char* const developmentHosts[] = {"VendrolStudio", "VendrolDesigner"};

bool IsDevelopmentHost(const AnsiString& host) {
    for (const char* name : developmentHosts)
        if (host.compare(0, std::strlen(name), name) == 0) return true;
    return false;
}

bool SameText(const AnsiString& a, const AnsiString& b) {
    return UpperCase(a) == UpperCase(b);
}

// The current path, or the older location with the former maker name, for reading.
HKEY OpenForReading(const AnsiString& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) return key;
    AnsiString upper = UpperCase(path);
    size_t at = upper.find(UpperCase(TCustomConnectDialog::MakerName));
    if (at == AnsiString::npos) return nullptr;
    AnsiString older = path.substr(0, at) + TCustomConnectDialog::FormerMakerName +
                       path.substr(at + std::strlen(TCustomConnectDialog::MakerName));
    if (RegOpenKeyExA(HKEY_CURRENT_USER, older.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) return key;
    return nullptr;
}

HKEY OpenForWriting(const AnsiString& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

bool ReadValue(HKEY key, const AnsiString& name, AnsiString& value) {
    char buffer[1024];
    DWORD size = sizeof buffer;
    DWORD type = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    value.assign(buffer, size > 0 && buffer[size - 1] == '\0' ? size - 1 : size);
    return true;
}

void WriteValue(HKEY key, const AnsiString& name, const AnsiString& value) {
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

WideString LoadCaption(UINT id) {
    // This module's string table, as wide text (set 6 has a letter code page 936 lacks).
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&LoadCaption), &module);
    wchar_t buffer[51] = {};
    int n = LoadStringW(module, id, buffer, 51);
    return WideString(buffer, n > 0 ? n : 0);
}
} // namespace

void SetConnectDialogHook(TConnectDialogHook hook) {
    dialogHook = std::move(hook);
}

TCustomConnectDialog::TCustomConnectDialog(TComponent* owner) : TComponent(owner) {
    SetLabelSet(1);
}

TCustomConnectDialog::~TCustomConnectDialog() {
    SetConnection(nullptr);
}

void TCustomConnectDialog::SetConnection(TCustomDAConnection* value) {
    if (connection_ == value) return;
    if (connection_) connection_->RemoveFreeNotification(this);
    connection_ = value;
    if (connection_) connection_->FreeNotification(this);
}

void TCustomConnectDialog::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == connection_) connection_ = nullptr;
}

void TCustomConnectDialog::SetLabelSet(int value) {
    labelSet_ = value;
    if (value == 0) return;
    static const int bases[] = {100, 200, 300, 400, 500, 600, 0, 700};
    int base = value >= 1 && value <= 8 ? bases[value - 1] : 100;
    WideString* captions[] = {&Caption,     &UsernameLabel, &PasswordLabel,
                              &ServerLabel, &ConnectButton, &CancelButton};
    for (int i = 0; i < 6; ++i)
        *captions[i] = LoadCaption(static_cast<UINT>(base + i));
}

TClass TCustomConnectDialog::EnumeratorClass() {
    Assert(false, "Must be overrided");
    return nullptr;
}

void TCustomConnectDialog::SetEnumerator(std::unique_ptr<TCRServerEnumerator> value) {
    if (value.get() != enumerator_.get()) enumerator_ = std::move(value);
}

AnsiString TCustomConnectDialog::LoginKey() {
    return KeyRoot() + "Connect\\" + GetHostAppName();
}

void TCustomConnectDialog::LoadServerHistory(TStrings* list) {
    HKEY key = OpenForReading(HistoryKey());
    if (!key) return;
    list->Clear();
    for (int i = 1;; ++i) {
        AnsiString value;
        if (!ReadValue(key, Format("%s %d", {ServerValueName(), i}), value)) break;
        list->Add(value);
    }
    RegCloseKey(key);
}

void TCustomConnectDialog::SaveServerHistory() {
    if (!connection_ || connection_->Server().empty()) return;
    TStringList history;
    LoadServerHistory(&history);
    HKEY key = OpenForWriting(HistoryKey());
    if (!key) return;
    AnsiString current = connection_->Server();
    WriteValue(key, Format("%s %d", {ServerValueName(), 1}), current);
    int number = 2;
    for (int i = 0; i < history.Count(); ++i)
        if (!SameText(history[i], current))
            WriteValue(key, Format("%s %d", {ServerValueName(), number++}), history[i]);
    RegCloseKey(key);
}

void TCustomConnectDialog::LoadLogin() {
    HKEY key = OpenForReading(LoginKey());
    if (!key) return;
    bool development = IsDevelopmentHost(GetHostAppName());
    if (!development || connection_->Username().empty()) {
        AnsiString value;
        if (ReadValue(key, "Username", value)) connection_->SetUsername(value);
        if (ReadValue(key, "Server", value)) connection_->SetServer(value);
    }
    RegCloseKey(key);
}

void TCustomConnectDialog::SaveLogin() {
    HKEY key = OpenForWriting(LoginKey());
    if (!key) return;
    WriteValue(key, "Username", connection_->Username());
    WriteValue(key, "Server", connection_->Server());
    RegCloseKey(key);
}

bool TCustomConnectDialog::Execute() {
    if (!connection_) DatabaseError("Connection is not defined");
    AnsiString username = connection_->Username();
    AnsiString password = connection_->Password();
    AnsiString server = connection_->Server();
    if (StoreLogin) {
        LoadLogin();
        bool development = IsDevelopmentHost(GetHostAppName());
        if ((!SavePassword && !development) || !SameText(connection_->Username(), username))
            connection_->SetPassword(AnsiString());
    }
    bool confirmed = dialogHook ? dialogHook(this) : false;
    if (confirmed && StoreLogin) {
        SaveServerHistory();
        SaveLogin();
    }
    if (!confirmed) {
        connection_->SetUsername(username);
        connection_->SetPassword(password);
        connection_->SetServer(server);
    }
    return confirmed;
}

void TCustomConnectDialog::GetServerList(TStrings* list) {
    if (!NeedServerHistoryOnly) {
        TClass wanted = EnumeratorClass();
        if (!enumerator_ || enumerator_->ClassType() != wanted)
            enumerator_.reset(static_cast<TCRServerEnumerator*>(wanted->CreateInstance(nullptr)));
        enumerator_->GetServerList(list);
        if (list->Count() > 0) return;
    }
    LoadServerHistory(list);
}
