#pragma once
// The provider registry: every known provider name with its description, and one shared provider
// object for each provider unit that registered itself.
#include <memory>
#include <mutex>

#include "data/access/CRLoader.h"
#include "data/access/UniOptions.h"
#include "platform/core/Components.h"
#include "platform/core/Lists.h"

class TParam;
class TBlob;
class TUniProvider;
struct TSQLParserClass;

class TUniProviderDesc : public TObject {
public:
    VZ_CLASS(TUniProviderDesc, TObject)
    TUniProviderDesc() = default;
    ~TUniProviderDesc() override;

    AnsiString ProviderName; // looked up ignoring case
    AnsiString ShortName;    // without blanks; names the unit in the not-registered message
    AnsiString PackageName;
    AnsiString AssemblyName;
    AnsiString SiblingProduct;
    TUniProvider* Provider = nullptr; // owned while registered
};

// Answers of a provider's connect dialog; nothing in this system creates one.
class TConnectDialogService : public TObject {
public:
    VZ_CLASS(TConnectDialogService, TObject)
    TConnectDialogService() = default;

    // Every id is rejected (an assertion naming the id).
    virtual bool SetProp(int prop, const Variant& value);
    virtual bool GetProp(int prop, Variant& value);
    virtual int GetDefaultDatabasePort() { return 1; }
    virtual bool UseDatabaseHistory() { return false; }
    virtual AnsiString GetConnectMode() { return AnsiString(); }
    virtual bool ServerEnabled() { return true; }
    virtual bool UsernameEnabled() { return true; }
    virtual bool PasswordEnabled() { return true; }
    virtual bool DatabaseEnabled() { return true; }
    virtual bool PortEnabled() { return true; }
};

// The alerter of a provider without event notification: every use fails.
class TCRDummyAlerter : public TCRAlerter {
public:
    VZ_CLASS(TCRDummyAlerter, TCRAlerter)
    TCRDummyAlerter() = default;
    void SendEvent(const AnsiString& event, const AnsiString& message) override;
    void Start() override;
    void Stop() override;
};

class TUniProvider : public TComponent {
public:
    VZ_CLASS(TUniProvider, TComponent)
    explicit TUniProvider(TComponent* owner) : TComponent(owner) {}
    ~TUniProvider() override;

    // Class-level: the registered name. The base fails an assertion.
    virtual AnsiString GetProviderName() const;
    virtual bool SupportsDatabase() { return false; }
    virtual bool SupportsPort() { return false; }
    virtual bool IsMultipleTransactionsSupported() { return false; }
    virtual bool TreatsUnknownParamsAsOutput() { return true; }
    virtual bool SupportsPooling() { return true; }
    virtual bool RedescribesStoredProc() { return false; }

    virtual TClass GetConnectionParametersClass() = 0;
    virtual TClass GetConnectionPoolManagerClass() = 0;
    virtual TClass GetInternalConnectionClass() = 0;
    virtual TClass GetServerEnumeratorClass() = 0;
    virtual TClass GetInternalTransactionClass() = 0;
    virtual const TSQLParserClass* GetParserClass() = 0;
    virtual TClass GetInternalCommandClass() = 0;
    virtual TClass GetInternalRecordSetClass() = 0;
    virtual TClass GetDataSetServiceClass() = 0;
    virtual TClass GetScriptProcessorClass() = 0;
    virtual TClass GetLoaderClass() = 0;
    virtual TClass GetAlerterClass();
    virtual TClass GetDumpProcessorClass() = 0;
    virtual TClass GetDataTypesMapClass() = 0;
    virtual TClass GetInternalMetaDataClass() = 0;
    virtual TClass GetConnectDialogServiceClass() = 0;
    virtual TClass GetSqlFormatterClass() = 0;
    // By the parameter's type: ftBlob a compressed blob, ftMemo a blob; else "Unknown data type".
    virtual TClass GetValueObjectClass(const TParam* param);
    // A new object of that class (not Unicode), reference count one.
    virtual TBlob* CreateValueObject(const TParam* param);
    // Applies the option list for obj's kind through obj's own numbered-property setter.
    virtual void ApplyProviderOptions(TObject* obj, TStrings* options);
    virtual TOptionsList* GetConnectionOptionsList() = 0;
    virtual TOptionsList* GetSQLOptionsList() = 0;
    virtual TOptionsList* GetDataSetOptionsList() = 0;
    virtual TOptionsList* GetScriptOptionsList();
    virtual TOptionsList* GetLoaderOptionsList();
    virtual TOptionsList* GetDumpOptionsList();
    virtual TOptionsList* GetAlerterOptionsList();
    virtual AnsiString GetProviderText() { return AnsiString(); }

protected:
    // The list in slot, built once by fill on the first request. Connections of several threads
    // ask at once, so the list is made under the provider's lock and handed out only whole.
    TOptionsList* OptionsList(std::unique_ptr<TOptionsList>& slot, void (*fill)(TOptionsList&));

    std::unique_ptr<TOptionsList> connectionOptions_;
    std::unique_ptr<TOptionsList> sqlOptions_;
    std::unique_ptr<TOptionsList> dataSetOptions_;
    std::unique_ptr<TOptionsList> scriptOptions_;
    std::unique_ptr<TOptionsList> loaderOptions_;
    std::unique_ptr<TOptionsList> dumpOptions_;
    std::unique_ptr<TOptionsList> alerterOptions_;

private:
    std::mutex optionsLock_;
};

// A provider class: its name and a way to make its shared instance.
struct TUniProviderClass {
    AnsiString (*GetProviderName)();
    std::unique_ptr<TUniProvider> (*Create)();
};

class TUniProviders : public TThreadList {
public:
    VZ_CLASS(TUniProviders, TThreadList)
    TUniProviders() = default;
    // Frees the descriptions (the providers have unregistered before).
    ~TUniProviders() override;

    // Ignoring case, first in list order; nullptr when none.
    TUniProviderDesc* FindProviderDesc(const AnsiString& name);
    // Raises "%s is not a valid provider name".
    TUniProviderDesc* GetProviderDesc(const AnsiString& name);
    // nullptr for an unknown or unregistered name.
    TUniProvider* GetProvider(const AnsiString& name);
    // Adds unless the name is there already.
    void AddProviderDesc(const AnsiString& name, const AnsiString& shortName, const AnsiString& packageName,
                         const AnsiString& assemblyName, const AnsiString& siblingProduct);
    void RegisterProvider(const TUniProviderClass& providerClass);
    void UnRegisterProvider(const TUniProviderClass& providerClass);
};

// The process-wide registry, there between the unit's start and end.
extern TUniProviders* UniProviders;
void UniProviderUnitInitialize();
void UniProviderUnitFinalize();

// "Provider is not defined" for an empty name; else the not-registered message for the name.
[[noreturn]] void RaiseProviderNotRegistered(const AnsiString& name);
