#pragma once
// Hidden windows that hand their messages to a method of an object: the receivers of broadcast
// messages (theme and system-colour changes) and other helpers that need a window but no form.
#include <functional>

#include "platform/core/Win.h"

struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};
using TWndMethod = std::function<void(TMessage& message)>;

// A hidden top-level window (it receives broadcasts) whose messages go to method; the method
// calls DefWindowProc itself for what it does not handle. An exception raised by the method goes
// to the application's handler and the message answers 0. Raises EOSError when the window cannot
// be made.
HWND AllocateHWnd(TWndMethod method);
// Destroys a window made by AllocateHWnd; nothing for nullptr.
void DeallocateHWnd(HWND window);
