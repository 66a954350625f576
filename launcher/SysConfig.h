#pragma once
// The settings object: a cache of every SysConfig row keyed "Class.Name" (letter case ignored).
#include "platform/core/ObjectModel.h"
#include "platform/core/Strings.h"

class TAppList;

class TSytemConfig : public TObject {
public:
    VZ_CLASS(TSytemConfig, TObject)
    TSytemConfig();
    ~TSytemConfig() override;

    // The cached value; empty when the key is absent.
    virtual AnsiString GetValue(const AnsiString& key);

    // Takes the list (keys to TStringObject) as the new cache, freeing the old one.
    void SetCache(TAppList* cache);
    TAppList* Cache() const { return cache_; }

    // The base address of the web service, without a trailing "/".
    const AnsiString& ServiceURL() const { return serviceURL_; }
    // Holds the address; writing it back to the database comes with the database layer.
    void SetServiceURL(const AnsiString& value) { serviceURL_ = value; }

    // "SYSTEM.ServiceURL" -> "SYSTEM" and "ServiceURL"; a key without "." has an empty class.
    static AnsiString KeyClass(const AnsiString& key);
    static AnsiString KeyName(const AnsiString& key);

private:
    TAppList* cache_;
    AnsiString serviceURL_;
};

// Null until SysConfigInitialize and after SysConfigFinalize.
extern TSytemConfig* SystemConfig;

void SysConfigInitialize();
void SysConfigFinalize();
