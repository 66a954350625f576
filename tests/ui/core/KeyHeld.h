#pragma once
// A key held down in the calling thread's keyboard state for the life of the object, so that
// the shift state a control reads sees it.
#include <windows.h>

#include <cstring>

// Holds a key down in this thread's keyboard state.
class TKeyHeld {
public:
    explicit TKeyHeld(int key) {
        GetKeyboardState(saved_);
        BYTE state[256];
        std::memcpy(state, saved_, sizeof(state));
        state[key] = 0x80;
        SetKeyboardState(state);
    }
    ~TKeyHeld() { SetKeyboardState(saved_); }

private:
    BYTE saved_[256];
};
