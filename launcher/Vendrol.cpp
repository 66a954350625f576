// The launcher program: unit start-up, the start routine, unit shut-down, exit code 0.
#include <exception>

#include "launcher/LauncherUnits.h"
#include "launcher/Startup.h"
#include "platform/core/UnitTable.h"
#include "platform/forms/Forms.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        // Libraries first, bottom layer up; the launcher's own globals last. Shut-down runs in reverse.
        InitializeUnits(LauncherUnits());
        RunLauncher();
    } catch (...) {
        // Nothing may escape into the system's start-up code.
        if (Application) Application->HandleException(std::current_exception());
    }
    try {
        FinalizeUnits();
    } catch (...) {
    }
    return 0;
}
