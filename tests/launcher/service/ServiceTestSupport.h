#pragma once
// Shared by the service tests: process set-up (COM, globals, settings, service registrations),
// the local tax-service peer that CTest starts (see tools/tax-service), and the error log.
#include <string>
#include <vector>

#include "platform/core/Strings.h"

// "http://127.0.0.1:<port>/<scenario>": the base address that selects a peer scenario.
AnsiString PeerBase(const AnsiString& scenario);
// GET of a control address of the peer ("/control/..."): the body as bytes.
std::string PeerGet(const AnsiString& path);
void PeerReset();

// Lines of ErrorLog.txt beside the test program; ClearErrorLog deletes it.
std::vector<AnsiString> ErrorLogLines();
void ClearErrorLog();
