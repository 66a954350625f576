#include "data/access/UniProvider.h"

#include "data/access/CRAccess.h"
#include "data/access/CRConnectionPool.h"
#include "data/access/CRRecordSet.h"
#include "data/access/CRServerEnumerator.h"
#include "data/access/DADump.h"
#include "data/access/DAScript.h"
#include "data/memory/CompressedBlob.h"
#include "platform/core/Strings.h"
#include "platform/db/DBTypes.h"
#include "platform/db/Params.h"

TUniProviders* UniProviders = nullptr;

TUniProviderDesc::~TUniProviderDesc() = default;

bool TConnectDialogService::SetProp(int prop, const Variant& /*value*/) {
    Assert(false, IntToStr(prop));
    return false;
}

bool TConnectDialogService::GetProp(int prop, Variant& /*value*/) {
    Assert(false, IntToStr(prop));
    return false;
}

TUniProvider::~TUniProvider() = default;

AnsiString TUniProvider::GetProviderName() const {
    Assert(false, "Provider has no name");
    return AnsiString();
}

namespace {
[[noreturn]] void RaiseNoNotification() {
    throw Exception("Event notification is not supported by DBMS or provider");
}
} // namespace

void TCRDummyAlerter::SendEvent(const AnsiString&, const AnsiString&) {
    RaiseNoNotification();
}
void TCRDummyAlerter::Start() {
    RaiseNoNotification();
}
void TCRDummyAlerter::Stop() {
    RaiseNoNotification();
}

TClass TUniProvider::GetAlerterClass() {
    return TCRDummyAlerter::StaticClass();
}

TClass TUniProvider::GetValueObjectClass(const TParam* param) {
    switch (param->DataType()) {
    case ftBlob:
        return TCompressedBlob::StaticClass();
    case ftMemo:
        return TBlob::StaticClass();
    default:
        throw Exception("Unknown data type");
    }
}

TBlob* TUniProvider::CreateValueObject(const TParam* param) {
    TClass valueClass = GetValueObjectClass(param);
    if (valueClass == TCompressedBlob::StaticClass()) return new TCompressedBlob(false);
    if (valueClass == TBlob::StaticClass()) return new TBlob(false);
    throw Exception("Unknown data type");
}

void TUniProvider::ApplyProviderOptions(TObject* obj, TStrings* options) {
    // Dataset services join here when their base comes.
    auto apply = [obj, options](TOptionsList* list, auto* target) {
        list->ApplyTo(options, obj,
                      [target](int prop, const Variant& value) { return target->SetProp(prop, value); });
    };
    if (auto* connection = dynamic_cast<TCRConnection*>(obj)) {
        apply(GetConnectionOptionsList(), connection);
    } else if (auto* parameters = dynamic_cast<TCRConnectionParameters*>(obj)) {
        GetConnectionOptionsList()->ApplyTo(options, obj, [parameters](int prop, const Variant& value) {
            parameters->SetSpecific(prop, value);
            return true;
        });
    } else if (auto* enumerator = dynamic_cast<TCRServerEnumerator*>(obj)) {
        apply(GetConnectionOptionsList(), enumerator);
    } else if (auto* service = dynamic_cast<TConnectDialogService*>(obj)) {
        apply(GetConnectionOptionsList(), service);
    } else if (auto* command = dynamic_cast<TCRCommand*>(obj)) {
        apply(GetSQLOptionsList(), command);
    } else if (auto* recordSet = dynamic_cast<TCRRecordSet*>(obj)) {
        apply(GetDataSetOptionsList(), recordSet);
        if (TCRCommand* own = recordSet->GetCommand())
            GetDataSetOptionsList()->ApplyTo(
                options, own, [own](int prop, const Variant& value) { return own->SetProp(prop, value); });
    } else if (auto* script = dynamic_cast<TDAScriptProcessor*>(obj)) {
        apply(GetScriptOptionsList(), script);
    } else if (auto* loader = dynamic_cast<TCRLoader*>(obj)) {
        apply(GetLoaderOptionsList(), loader);
    } else if (dynamic_cast<TDADumpProcessor*>(obj)) {
        // A dump processor takes no numbered property: only the list's checks run.
        GetDumpOptionsList()->ApplyTo(options, obj, [](int, const Variant&) { return false; });
    } else if (auto* alerter = dynamic_cast<TCRAlerter*>(obj)) {
        apply(GetAlerterOptionsList(), alerter);
    }
}

TOptionsList* TUniProvider::OptionsList(std::unique_ptr<TOptionsList>& slot, void (*fill)(TOptionsList&)) {
    std::lock_guard<std::mutex> guard(optionsLock_);
    if (!slot) {
        auto list = std::make_unique<TOptionsList>(GetProviderName());
        if (fill) fill(*list);
        slot = std::move(list);
    }
    return slot.get();
}

TOptionsList* TUniProvider::GetScriptOptionsList() {
    return OptionsList(scriptOptions_, nullptr);
}
TOptionsList* TUniProvider::GetLoaderOptionsList() {
    return OptionsList(loaderOptions_, nullptr);
}
TOptionsList* TUniProvider::GetDumpOptionsList() {
    return OptionsList(dumpOptions_, nullptr);
}
TOptionsList* TUniProvider::GetAlerterOptionsList() {
    return OptionsList(alerterOptions_, nullptr);
}

TUniProviders::~TUniProviders() {
    TList* list = LockList();
    for (int i = 0; i < list->Count(); ++i)
        delete static_cast<TUniProviderDesc*>(list->Items(i));
    list->Clear();
    UnlockList();
}

namespace {
struct ListLock {
    explicit ListLock(TThreadList* owner) : owner_(owner), list(owner->LockList()) {}
    ~ListLock() { owner_->UnlockList(); }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;
    TThreadList* owner_;
    TList* list;
};
} // namespace

TUniProviderDesc* TUniProviders::FindProviderDesc(const AnsiString& name) {
    ListLock lock(this);
    for (int i = 0; i < lock.list->Count(); ++i) {
        auto* desc = static_cast<TUniProviderDesc*>(lock.list->Items(i));
        if (CompareText(desc->ProviderName, name) == 0) return desc;
    }
    return nullptr;
}

TUniProviderDesc* TUniProviders::GetProviderDesc(const AnsiString& name) {
    TUniProviderDesc* desc = FindProviderDesc(name);
    if (!desc) throw Exception(Format("%s is not a valid provider name", {name}));
    return desc;
}

TUniProvider* TUniProviders::GetProvider(const AnsiString& name) {
    TUniProviderDesc* desc = FindProviderDesc(name);
    return desc ? desc->Provider : nullptr;
}

void TUniProviders::AddProviderDesc(const AnsiString& name, const AnsiString& shortName,
                                    const AnsiString& packageName, const AnsiString& assemblyName,
                                    const AnsiString& siblingProduct) {
    ListLock lock(this);
    if (FindProviderDesc(name)) return;
    auto desc = std::make_unique<TUniProviderDesc>();
    desc->ProviderName = name;
    desc->ShortName = shortName;
    desc->PackageName = packageName;
    desc->AssemblyName = assemblyName;
    desc->SiblingProduct = siblingProduct;
    lock.list->Add(desc.release());
}

void TUniProviders::RegisterProvider(const TUniProviderClass& providerClass) {
    ListLock lock(this);
    TUniProviderDesc* desc = GetProviderDesc(providerClass.GetProviderName());
    std::unique_ptr<TUniProvider> provider = providerClass.Create();
    delete desc->Provider;
    desc->Provider = provider.release();
}

void TUniProviders::UnRegisterProvider(const TUniProviderClass& providerClass) {
    ListLock lock(this);
    if (TUniProviderDesc* desc = FindProviderDesc(providerClass.GetProviderName())) {
        delete desc->Provider;
        desc->Provider = nullptr;
    }
}

void UniProviderUnitInitialize() {
    // Name, short name, package; the two other descriptive texts are kept empty.
    static const char* const rows[][3] = {
        {"Access", "Access", "accessprovider"},
        {"Advantage", "Advantage", "adsprovider"},
        {"ASE", "ASE", "aseprovider"},
        {"DB2", "DB2", "db2provider"},
        {"DBF", "DBF", "dbfprovider"},
        {"InterBase", "InterBase", "ibprovider"},
        {"MySQL", "MySQL", "myprovider"},
        {"NexusDB", "NexusDB", "nexusprovider"},
        {"ODBC", "ODBC", "odbcprovider"},
        {"Oracle", "Oracle", "oraprovider"},
        {"PostgreSQL", "PostgreSQL", "pgprovider"},
        {"SQL Server", "SQLServer", "msprovider"},
        {"SQLite", "SQLite", "liteprovider"},
    };
    auto registry = std::make_unique<TUniProviders>();
    for (const auto& row : rows)
        registry->AddProviderDesc(row[0], row[1], row[2], "", "");
    UniProviders = registry.release();
}

void UniProviderUnitFinalize() {
    delete UniProviders;
    UniProviders = nullptr;
}

void RaiseProviderNotRegistered(const AnsiString& name) {
    if (name.empty()) DatabaseError("Provider is not defined");
    TUniProviderDesc* desc = UniProviders->GetProviderDesc(name);
    throw Exception(
        Format("%s provider is not registered. You should add the %s unit to the uses clause of any "
               "unit in your project or place the %s component on the form.",
               {desc->ProviderName, desc->ShortName + "UniProvider", "T" + desc->ShortName + "UniProvider"}));
}
