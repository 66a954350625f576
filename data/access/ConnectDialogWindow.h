#pragma once
// The connect dialog's window: the label set's captions, user name, password, a server combo box
// filled by GetServerList, Connect and Cancel. A caller installs ShowConnectDialogWindow as the
// connect dialog hook; the system itself installs none.
#include "data/access/ConnectDialog.h"

constexpr int idConnectUsername = 101;
constexpr int idConnectPassword = 102;
constexpr int idConnectServer = 103;
extern const wchar_t* const ConnectDialogWindowClass;

// Shows the window modally; on Connect the entered values go to the dialog's connection.
bool ShowConnectDialogWindow(TCustomConnectDialog* dialog);
