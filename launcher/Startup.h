#pragma once
// The launcher's start routine and the start of the main application.
#include "platform/core/Strings.h"

class TFSysLoader;

// The status window while the start routine shows it; null otherwise.
extern TFSysLoader* FSysLoader;

// Guards against a second copy of the launcher.
constexpr const char* LauncherMutexName = "VendrolMutex";
// The main application, in the launcher's own folder.
constexpr const char* MainAppFileName = "Pemblix.exe";
constexpr const char* LauncherTitle = "在线更新";

// Runs the launcher once, start to end, on the calling (GUI) thread; answers the exit code.
// Expects the application object and the globals to exist.
int RunLauncher();

// Starts the main application from the application folder, without arguments.
void RunMainApp();
