#pragma once
// The module update check: asks the service for the modules, installs every newer one, records
// its version and starts the main application.
#include "platform/core/Strings.h"

class TFSysLoader;

constexpr const char* UpdateServiceId = "9910006";
constexpr const char* NetworkErrorText = "网络异常，请确认！";
constexpr const char* DownloadFileName = "tmptax.zip";

// True when the check reached its end and started the main application; False on an early end
// (its message shown). Errors of the version statements pass through.
bool CheckUpdates(TFSysLoader* loader);
