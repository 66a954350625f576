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
// POST to a control address of the peer; the HTTP status and the body.
int PeerPost(const AnsiString& path, const std::string& body, std::string* answer = nullptr);
// text as a JSON string, quotes included.
std::string JsonText(const std::string& text);
// Adds or replaces a peer scenario (its JSON text, in the ANSI code page).
void PeerScenario(const AnsiString& name, const std::string& json);
// Package ids the peer was asked for since its last reset, in order.
std::vector<AnsiString> PeerPackageRequests();

// The Unix path behind a Windows path, as Wine maps it.
std::string UnixPath(const AnsiString& windowsPath);
// A link to /dev/full at the path for the object's life: writes there fail with a full disk.
// Wine cannot delete it (the code under test cannot either); the object removes it.
class DiskFullAt {
public:
    explicit DiskFullAt(const AnsiString& windowsPath);
    ~DiskFullAt();
    DiskFullAt(const DiskFullAt&) = delete;
    DiskFullAt& operator=(const DiskFullAt&) = delete;

private:
    std::string unix_;
};
// A folder made immutable (chattr +i) for the object's life; Refused() tells why it could not be.
class ImmutableFolder {
public:
    explicit ImmutableFolder(const AnsiString& windowsPath);
    ~ImmutableFolder();
    ImmutableFolder(const ImmutableFolder&) = delete;
    ImmutableFolder& operator=(const ImmutableFolder&) = delete;
    const std::string& Refused() const { return refused_; }

private:
    std::string unix_;
    std::string refused_;
};

// Lines of ErrorLog.txt beside the test program; ClearErrorLog deletes it.
std::vector<AnsiString> ErrorLogLines();
void ClearErrorLog();
