#pragma once
// One service call: an envelope text in, the reply's data, form and codes out.
#include <map>
#include <memory>

#include "launcher/CustomServiceEntry.h"

class TCallService : public TObject {
public:
    VZ_CLASS(TCallService, TObject)
    TCallService() = default;
    ~TCallService() override;

    // Sends xmlText with the login properties; True when the reply's rtCode is "1".
    bool Call(const AnsiString& sid, const AnsiString& xmlText, const AnsiString& Addr = "");
    // On success the reply's returnData and formData are also copied into entity.
    bool Invoke(const AnsiString& sid, CustomEntity* entity, const AnsiString& Addr = "");
    AnsiString GetResponseText() const { return ResponseText; }

    void AddProp(const AnsiString& name, const AnsiString& value);
    // One ExtProperty per entry in key order; drops the map.
    ArrayOf_tns1_ExtProperty BuildProps();
    std::unique_ptr<CustomEntity> BuildEntity(const AnsiString& xmlText);

    // Fetches one module's package and installs it by moduleType ("00", "20", "90", "99").
    // True when fetched and installed; for another type, when fetched (the download stays).
    bool DownloadAndInstall(const AnsiString& xmlText, const AnsiString& moduleType, int localVersion);
    // Each given the stored download, which they delete (InstallDatabase: when it succeeds).
    bool InstallAppPackage(const AnsiString& fileName);
    bool InstallTemplatePackage(const AnsiString& fileName);
    bool InstallDatabase(const AnsiString& fileName);
    bool RunSqlUpdate(const AnsiString& fileName, int localVersion);

    AnsiString ResponseText;
    AnsiString FormText;
    std::unique_ptr<std::map<AnsiString, AnsiString>> Props; // byte-wise key order
    AnsiString RtCode;
    AnsiString ErrorText;
    // The module being installed, named in the install journal.
    AnsiString ModuleName;

private:
    // A package is held once, by the entity: DownloadAndInstall's call keeps no text copy.
    bool keepResponseText_ = true;
};
