#pragma once
// The settings object: a cache of every SysConfig row keyed "Class.Name" (letter case ignored),
// and the keys the application reads, each converted into its typed field.
#include <cstdint>

#include "platform/core/DateTime.h"
#include "platform/core/ObjectModel.h"
#include "platform/core/Strings.h"

class TAppList;

class TSytemConfig : public TObject {
public:
    VZ_CLASS(TSytemConfig, TObject)
    TSytemConfig();
    ~TSytemConfig() override;

    // The database operations go through DataDM; before it exists there is no database: reads
    // answer nothing and writes are skipped.
    // The three flags, read from the database rather than the cache.
    virtual void LoadFlags();
    // A new cache of every row, then every key into its field (URLs through their setters).
    virtual void LoadConfig();
    virtual void WriteDB(const AnsiString& cls, const AnsiString& name, const AnsiString& value);
    // A new list of every row (keys to TStringObject); the caller owns it.
    virtual TAppList* LoadAll();
    virtual AnsiString ReadDB(const AnsiString& cls, const AnsiString& name);
    // The database only; the cache keeps its value.
    virtual void WriteKey(const AnsiString& key, const AnsiString& value);
    virtual AnsiString ReadKey(const AnsiString& key);
    // Database and cache (the key is added when absent).
    virtual void SetValue(const AnsiString& key, const AnsiString& value);
    // The cached value; empty when the key is absent.
    virtual AnsiString GetValue(const AnsiString& key);

    // Takes the list (keys to TStringObject) as the new cache, freeing the old one.
    void SetCache(TAppList* cache);
    TAppList* Cache() const { return cache_; }

    // The held URLs. A setter given a text other than the held one (case counts) holds it and
    // writes it back under its own key.
    const AnsiString& ServiceURLSecurity() const { return serviceURLSecurity_; }
    const AnsiString& ServiceURLSupport() const { return serviceURLSupport_; }
    const AnsiString& EmailServiceURLSecurity() const { return emailServiceURLSecurity_; }
    const AnsiString& ServiceURLData() const { return serviceURLData_; }
    // The base address of the web service.
    const AnsiString& ServiceURL() const { return serviceURL_; }
    const AnsiString& ServiceURLQH() const { return serviceURLQH_; }
    void SetServiceURLSecurity(const AnsiString& value);
    void SetServiceURLSupport(const AnsiString& value);
    void SetEmailServiceURLSecurity(const AnsiString& value);
    void SetServiceURLData(const AnsiString& value);
    void SetServiceURL(const AnsiString& value);
    void SetServiceURLQH(const AnsiString& value);

    // "SYSTEM.ServiceURL" -> "SYSTEM" and "ServiceURL"; a key without "." has an empty class.
    static AnsiString KeyClass(const AnsiString& key);
    static AnsiString KeyName(const AnsiString& key);
    // "1" or "TRUE" in any letter case, once stripped of surrounding blanks.
    static bool IsTrueText(const AnsiString& text);
    // Stored "nil" reads as empty; toward storage an empty value is written as "nil".
    static AnsiString NilText(const AnsiString& value, bool toStorage);

    // Texts, as stored.
    AnsiString MainAppID, MainVersionName, AboutTitle, LoginTitle, LoginMemo, LoginMemoSam, AccountTitle,
        MainTitle, WizardMemo, WizardNewFormTitle, AppVer, LoginName, LoginPassword, CommonVersion,
        AccountPwdEncryptType, RegionID, LoadBplPackages, LogoFileName, EncryptPsw, MainFormClassName,
        LoginFormClassName, DefaultAccountType;
    // "0" when empty.
    AnsiString ProxyType;
    // Through NilText.
    AnsiString ProxyHost, ProxyPort, ProxyUserName, ProxyPassword;
    bool CategoryPageLeftTab = false, MultipleModuleTab = false, MainFormAsDesktop = false,
         SingleUser = false, SingleAccount = false, AllowOnlineTxn = false, BizDateMode = false,
         CheckCA = false, CheckCAOnLogin = false, CheckUpdateOnStartup = false, AutoUpdate = false,
         RemenberPassword = false, AutoLogin = false, QueryWhenReplaceUser = false, Configurable = false,
         NeedProxyAuthentication = false, RealtimeValidateData = false, RunOnOSStartup = false,
         LayoutMagnetic = false, LayoutHideFromScrn = false, IsAutoMaxBizForm = false,
         IsDynamicModule = false;
    // True when blank.
    bool SimpleStyle = false;
    int32_t CheckUpdateInterval = 0, LoginType = 0;
    int64_t CurrentUpdateVersion = 0;
    int32_t SimpleStyleHeight = 0, SimpleStyleWidth = 0, SimpleStyleLCWidth = 0, LayoutType = 0,
            LayoutOrientation = 0, MainFormCloseModal = 0, FormInitRight = 0, FormInitLeft = 0,
            FormInitTop = 0, BizFormWidth = 0, BizFormHeight = 0;
    uint8_t MainFormStateWhenMaxBizForm = 0;
    // Kept when the stored text does not parse as a date.
    TDateTime LastUpdateDate = 0;
    // Read by LoadFlags.
    bool DynaRow = false, UseWizard = false, QueryCreateAccount = false;

private:
    void SetURL(AnsiString& held, const char* key, const AnsiString& value);

    TAppList* cache_;
    AnsiString serviceURLSecurity_, serviceURLSupport_, emailServiceURLSecurity_, serviceURLData_,
        serviceURL_, serviceURLQH_;
};

// Null until SysConfigInitialize and after SysConfigFinalize.
extern TSytemConfig* SystemConfig;

void SysConfigInitialize();
void SysConfigFinalize();
