#include "launcher/SysConfig.h"

#include "launcher/AppList.h"
#include "launcher/DataDM.h"
#include "launcher/TextProcs.h"
#include "launcher/Utils.h"

TSytemConfig* SystemConfig = nullptr;

TSytemConfig::TSytemConfig() : cache_(new TAppList(false)) {}

TSytemConfig::~TSytemConfig() {
    FreeListAndObjects(cache_);
}

void TSytemConfig::LoadFlags() {
    DynaRow = IsTrueText(ReadKey("OFD.DYNAROW"));
    UseWizard = IsTrueText(ReadKey("TAX.USEWIZARD"));
    QueryCreateAccount = IsTrueText(ReadKey("SYSTEM.QUERYCREATEACCOUNT"));
}

void TSytemConfig::LoadConfig() {
    SetCache(LoadAll());

    auto text = [this](const char* key) { return GetValue(key); };
    auto flag = [this](const char* key) { return IsTrueText(GetValue(key)); };
    auto number = [this](const char* key, int defaultValue) {
        return StrToIntDef(GetValue(key), defaultValue);
    };

    SetServiceURLSecurity(text("SYSTEM.SERVICEURLSECURITY"));

    MainAppID = text("SYSTEM.MAINAPPID");
    MainVersionName = text("SYSTEM.MAINVERSIONNAME");
    AboutTitle = text("UI.ABOUTTITLE");
    LoginTitle = text("UI.LOGINTITLE");
    LoginMemo = text("UI.LOGINMEMO");
    LoginMemoSam = text("UI.LOGINMEMOSAM");
    AccountTitle = text("UI.ACCOUNTTITLE");
    MainTitle = text("UI.MAINTITLE");
    WizardMemo = text("UI.WIZARDMEMO");
    WizardNewFormTitle = text("UI.WIZARDNEWFORMTITLE");
    AppVer = text("SYSTEM.AppVer");
    LoginName = text("LOGIN.LOGINNAME");
    LoginPassword = text("LOGIN.LOGINPASSWORD");
    CommonVersion = text("SYSTEM.COMMONVERSION");
    AccountPwdEncryptType = text("SYSTEM.ACCOUNTPWDENCRYPTTYPE");
    RegionID = text("SYSTEM.REGIONID");
    LoadBplPackages = text("SYSTEM.LOADBPLPACKAGES");
    LogoFileName = text("UI.LOGOFILENAME");
    EncryptPsw = text("TAX.ENCRYPTPSW");
    MainFormClassName = text("UI.MAINFORMCLASSNAME");
    LoginFormClassName = text("UI.LOGINFORMCLASSNAME");
    DefaultAccountType = text("ACCOUNT.DEFAULTACCOUNTTYPE");

    ProxyType = text("PROXY.PROXYTYPE");
    if (ProxyType.empty()) ProxyType = "0";
    ProxyHost = NilText(text("PROXY.HOST"), false);
    ProxyPort = NilText(text("PROXY.PORT"), false);
    ProxyUserName = NilText(text("PROXY.USERNAME"), false);
    ProxyPassword = NilText(text("PROXY.PASSWORD"), false);

    CategoryPageLeftTab = flag("UI.CATEGORYPAGELEFTTAB");
    MultipleModuleTab = flag("UI.MULTIPLEMODULETAB");
    MainFormAsDesktop = flag("UI.MAINFORMASDESKTOP");
    SingleUser = flag("SYSTEM.SINGLEUSER");
    SingleAccount = flag("SYSTEM.SINGLEACCOUNT");
    AllowOnlineTxn = flag("SYSTEM.ALLOWONLINETXN");
    BizDateMode = flag("TAX.BIZDATEMODE");
    CheckCA = flag("SYSTEM.CHECKCA");
    CheckCAOnLogin = flag("SYSTEM.CHECKCAONLOGIN");
    CheckUpdateOnStartup = flag("SYSTEM.CHECKUPDATEONSTARTUP");
    AutoUpdate = flag("SYSTEM.AUTOUPDATE");
    RemenberPassword = flag("LOGIN.REMENBERPASSWORD");
    AutoLogin = flag("LOGIN.AUTOLOGIN");
    QueryWhenReplaceUser = flag("LOGIN.QUERYWHENREPLACEUSER");
    Configurable = flag("SYSTEM.CONFIGURABLE");
    NeedProxyAuthentication = flag("PROXY.NEEDPROXYAUTHENTICATION");
    RealtimeValidateData = flag("TAX.REALTIMEVALIDATEDATA");
    RunOnOSStartup = flag("SYSTEM.RUNONOSSTARTUP");
    LayoutMagnetic = flag("UI.LAYOUTMAGNETIC");
    LayoutHideFromScrn = flag("UI.LAYOUTHIDEFROMSCRN");
    IsAutoMaxBizForm = flag("UI.ISAUTOMAXBIZFORM");
    IsDynamicModule = flag("SYSTEM.ISDYNAMICMODULE");
    AnsiString simpleStyle = text("UI.SIMPLESTYLE");
    SimpleStyle = IsBlank(simpleStyle) || IsTrueText(simpleStyle);

    CheckUpdateInterval = number("SYSTEM.CHECKUPDATEINTERVAL", 0);
    LoginType = number("LOGIN.LOGINTYPE", 0);
    CurrentUpdateVersion = number("SYSTEM.CURRENTUPDATEVERSION", 0);
    SimpleStyleHeight = number("UI.SIMPLESTYLEHEIGHT", 600);
    SimpleStyleWidth = number("UI.SIMPLESTYLEWIDTH", 300);
    SimpleStyleLCWidth = number("UI.SIMPLESTYLELCWIDTH", 315);
    LayoutType = number("UI.LAYOUTTYPE", 0);
    LayoutOrientation = number("UI.LAYOUTORIENTATION", 0);
    MainFormCloseModal = number("SYSTEM.MAINFORMCLOSEMODAL", 0);
    FormInitRight = number("UI.FORMINITRIGHT", -1);
    FormInitLeft = number("UI.FORMINITLEFT", 150);
    FormInitTop = number("UI.FORMINITTOP", 110);
    BizFormWidth = number("UI.BIZFORMWIDTH", 680);
    BizFormHeight = number("UI.BIZFORMHEIGHT", 600);
    MainFormStateWhenMaxBizForm = static_cast<uint8_t>(number("UI.MAINFORMSTATEWHENMAXBIZFORM", 0) & 0xFF);

    AnsiString lastUpdate = text("SYSTEM.LASTUPDATEDATE");
    if (!lastUpdate.empty()) {
        try {
            LastUpdateDate = ParseDateAuto(lastUpdate);
        } catch (const EConvertError&) {
            // A date that does not parse leaves the field as it was.
        }
    }

    SetServiceURLSupport(text("SYSTEM.SERVICEURLSUPPORT"));
    SetEmailServiceURLSecurity(text("SYSTEM.EMAILSERVICEURLSECURITY"));
    SetServiceURLData(text("SYSTEM.SERVICEURLDATA"));
    SetServiceURL(text("SYSTEM.ServiceURL"));
    SetServiceURLQH(text("SYSTEM.SERVICEURLQH"));
}

void TSytemConfig::WriteDB(const AnsiString& cls, const AnsiString& name, const AnsiString& value) {
    if (DataDM) DataDM->SetSysConfig(cls, name, value);
}

TAppList* TSytemConfig::LoadAll() {
    return DataDM ? DataDM->LoadSysConfig() : new TAppList(false);
}

AnsiString TSytemConfig::ReadDB(const AnsiString& cls, const AnsiString& name) {
    return DataDM ? DataDM->GetSysConfig(cls, name) : AnsiString();
}

void TSytemConfig::WriteKey(const AnsiString& key, const AnsiString& value) {
    WriteDB(KeyClass(key), KeyName(key), value);
}

AnsiString TSytemConfig::ReadKey(const AnsiString& key) {
    return ReadDB(KeyClass(key), KeyName(key));
}

void TSytemConfig::SetValue(const AnsiString& key, const AnsiString& value) {
    WriteKey(key, value);
    if (!cache_) cache_ = new TAppList(false);
    cache_->SetValue(key, value);
}

AnsiString TSytemConfig::GetValue(const AnsiString& key) {
    return cache_ ? cache_->GetValue(key) : AnsiString();
}

void TSytemConfig::SetCache(TAppList* cache) {
    if (cache == cache_) return;
    FreeListAndObjects(cache_);
    cache_ = cache;
}

void TSytemConfig::SetURL(AnsiString& held, const char* key, const AnsiString& value) {
    if (value == held) return;
    held = value;
    WriteKey(key, value);
}

void TSytemConfig::SetServiceURLSecurity(const AnsiString& value) {
    SetURL(serviceURLSecurity_, "SYSTEM.SERVICEURLSECURITY", value);
}

void TSytemConfig::SetServiceURLSupport(const AnsiString& value) {
    SetURL(serviceURLSupport_, "SYSTEM.SERVICEURLSUPPORT", value);
}

void TSytemConfig::SetEmailServiceURLSecurity(const AnsiString& value) {
    SetURL(emailServiceURLSecurity_, "SYSTEM.EMAILSERVICEURLSECURITY", value);
}

void TSytemConfig::SetServiceURLData(const AnsiString& value) {
    SetURL(serviceURLData_, "SYSTEM.SERVICEURLDATA", value);
}

void TSytemConfig::SetServiceURL(const AnsiString& value) {
    SetURL(serviceURL_, "SYSTEM.ServiceURL", value);
}

void TSytemConfig::SetServiceURLQH(const AnsiString& value) {
    SetURL(serviceURLQH_, "SYSTEM.SERVICEURLQH", value);
}

AnsiString TSytemConfig::KeyClass(const AnsiString& key) {
    size_t dot = key.find('.');
    return dot == AnsiString::npos ? AnsiString() : key.substr(0, dot);
}

AnsiString TSytemConfig::KeyName(const AnsiString& key) {
    size_t dot = key.find('.');
    return dot == AnsiString::npos ? key : key.substr(dot + 1);
}

bool TSytemConfig::IsTrueText(const AnsiString& text) {
    AnsiString stripped = TrimSpaces(text);
    return stripped == "1" || UpperCase(stripped) == "TRUE";
}

AnsiString TSytemConfig::NilText(const AnsiString& value, bool toStorage) {
    if (toStorage) return value.empty() ? AnsiString("nil") : value;
    return value == "nil" ? AnsiString() : value;
}

void SysConfigInitialize() {
    if (!SystemConfig) SystemConfig = new TSytemConfig();
}

void SysConfigFinalize() {
    delete SystemConfig;
    SystemConfig = nullptr;
}
