#include "ui/core/CoreClasses.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------------------------
TdxProductResourceStrings::TdxProductResourceStrings(const AnsiString& name,
                                                     TdxProductResourceStringsInitProc initProc)
    : name_(name), initProc_(initProc), resStringNames_(std::make_unique<TStringList>()) {
    if (initProc_) initProc_(this);
}

TdxProductResourceStrings::~TdxProductResourceStrings() {
    initProc_ = nullptr;
}

// The string list carries the address as its object; the list never frees objects.
void TdxProductResourceStrings::AddResString(const AnsiString& resStringName,
                                             const AnsiString* resStringAddress) {
    resStringNames_->AddObject(resStringName,
                               reinterpret_cast<TObject*>(const_cast<AnsiString*>(resStringAddress)));
}

const AnsiString* TdxProductResourceStrings::ResStringAddress(int index) const {
    return reinterpret_cast<const AnsiString*>(resStringNames_->Objects(index));
}

void TdxResourceStringsRepository::AddProduct(const AnsiString& name,
                                              TdxProductResourceStringsInitProc initProc) {
    products_.Add(new TdxProductResourceStrings(name, initProc));
}

void TdxResourceStringsRepository::RemoveProduct(const AnsiString& name) {
    int index = IndexOfProduct(name);
    if (index >= 0) products_.Delete(index); // the list owns and frees the group
}

int TdxResourceStringsRepository::IndexOfProduct(const AnsiString& name) const {
    for (int i = 0; i < products_.Count(); ++i)
        if (Items(i)->Name() == name) return i;
    return -1;
}

TdxProductResourceStrings* TdxResourceStringsRepository::Items(int index) const {
    return static_cast<TdxProductResourceStrings*>(products_.Items(index));
}

namespace {
std::unique_ptr<TdxResourceStringsRepository>& Repository() {
    static std::unique_ptr<TdxResourceStringsRepository> repository;
    return repository;
}
} // namespace

TdxResourceStringsRepository* GetResourceStringsRepository() {
    auto& repository = Repository();
    if (!repository) repository = std::make_unique<TdxResourceStringsRepository>();
    return repository.get();
}

// ---------------------------------------------------------------------------------------------
bool IsInCharSet(uint8_t ch, const uint32_t set[8]) {
    return (set[ch / 32] >> (ch % 32)) & 1u;
}

WideString AnsiToWideText(const AnsiString& text, int codePage, int length) {
    if (text.empty()) return WideString();
    int count = length < 0 ? static_cast<int>(text.size()) : std::min(length, static_cast<int>(text.size()));
    if (count == 0) return WideString();
    DWORD flags = codePage == CP_UTF8 ? 0 : MB_PRECOMPOSED;
    int needed = MultiByteToWideChar(static_cast<UINT>(codePage), flags, text.data(), count, nullptr, 0);
    if (needed <= 0) return WideString();
    WideString result(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(static_cast<UINT>(codePage), flags, text.data(), count, result.data(), needed);
    return result;
}

AnsiString GetLocaleInfoStr(LCID locale, LCTYPE infoType, const AnsiString& fallback) {
    char buffer[256];
    int length = GetLocaleInfoA(locale, infoType, buffer, sizeof(buffer));
    if (length <= 0) return fallback;
    return AnsiString(buffer, static_cast<size_t>(length - 1));
}

int CharByteLength(const AnsiString& text, int position) {
    if (position < 1 || position > static_cast<int>(text.size())) return 0;
    const char* p = text.c_str() + position - 1;
    return static_cast<int>(CharNextA(p) - p);
}

AnsiString ExtractDescription(const AnsiString& text) {
    size_t bar = text.find('|');
    return bar == AnsiString::npos ? text : text.substr(0, bar);
}

int MiddleOf(int a, int b) {
    long long sum = static_cast<long long>(a) + b;
    long long half = sum / 2;
    if (sum % 2 != 0 && sum < 0) --half;
    return static_cast<int>(half);
}

void CopyBytes(const void* source, void* dest, size_t count) {
    if (count) std::memmove(dest, source, count);
}

// ---------------------------------------------------------------------------------------------
HRESULT STDMETHODCALLTYPE TcxIUnknownObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    return GetInterface(iid, object) ? S_OK : E_NOINTERFACE;
}

bool TcxIUnknownObject::GetInterface(REFIID iid, void** object) {
    if (IsEqualIID(iid, IID_IUnknown)) {
        *object = static_cast<IUnknown*>(this);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
TcxComponent::TcxComponent(TComponent* owner) : TComponent(owner) {}

TcxComponent::~TcxComponent() {
    Destroying();
    ResetObjectLinks(this);
}

void TcxComponent::Loaded() {
    TComponent::Loaded();
    RefreshDesignLinks();
}

void TcxComponent::CollectDesignLinks(TList* /*list*/) {}

void TcxComponent::RefreshDesignLinks() {
    if (!HasState(csDesigning) || HasState(csDestroying) || !Owner()) return;
    TList list;
    CollectDesignLinks(&list);
    for (int i = 0; i < 3; ++i)
        fakeLinks_[i] = i < list.Count() ? static_cast<TComponent*>(list.Items(i)) : nullptr;
}

TcxObjectList::~TcxObjectList() {
    Clear();
}

void TcxObjectList::Clear() {
    for (int i = 0; i < Count(); ++i)
        delete ItemAt(i);
    TList::Clear();
}

// ---------------------------------------------------------------------------------------------
TcxRegisteredClassList::~TcxRegisteredClassList() {
    Clear();
}

bool TcxRegisteredClassList::FindAncestorEntry(TClass itemClass, int& index) const {
    for (int i = ItemCount() - 1; i >= 0; --i) {
        TClass entry = ItemAt(i)->ItemClass;
        if (itemClass->InheritsFrom(entry)) {
            index = i;
            return true;
        }
        if (entry->InheritsFrom(itemClass)) index = i; // walking down: ends at the first descendant
    }
    return false;
}

void TcxRegisteredClassList::Register(TClass itemClass, TClass registeredClass) {
    auto* item = new TcxRegisteredClassListItemData;
    item->ItemClass = itemClass;
    item->RegisteredClass = registeredClass;
    int index = -1;
    if (FindAncestorEntry(itemClass, index))
        items_.Insert(index + 1, item);
    else if (index != -1)
        items_.Insert(index, item);
    else
        items_.Add(item);
}

void TcxRegisteredClassList::Unregister(TClass itemClass, TClass registeredClass) {
    for (int i = ItemCount() - 1; i >= 0; --i) {
        TcxRegisteredClassListItemData* item = ItemAt(i);
        if (item->ItemClass == itemClass && item->RegisteredClass == registeredClass) {
            items_.Delete(i);
            delete item;
        }
    }
}

void TcxRegisteredClassList::Clear() {
    for (int i = 0; i < ItemCount(); ++i)
        delete ItemAt(i);
    items_.Clear();
}

// ---------------------------------------------------------------------------------------------
// The string list carries the class reference as its object; the list never frees objects.
namespace {
TObject* ClassAsObject(TClass aClass) {
    return reinterpret_cast<TObject*>(const_cast<TMetaClass*>(aClass));
}
} // namespace

TcxRegisteredClasses::TcxRegisteredClasses(bool callsRegisterClass)
    : callsRegisterClass_(callsRegisterClass), items_(std::make_unique<TcxRegisteredClassesStringList>()) {
    items_->Owner = this;
}

TcxRegisteredClasses::~TcxRegisteredClasses() {
    Clear();
}

TClass TcxRegisteredClasses::Items(int index) const {
    return reinterpret_cast<TClass>(items_->Objects(index));
}

int TcxRegisteredClasses::IndexOfClass(TClass aClass) const {
    return items_->IndexOfObject(ClassAsObject(aClass));
}

void TcxRegisteredClasses::Register(TClass aClass, const AnsiString& description) {
    if (IndexOfClass(aClass) >= 0) return;
    items_->AddObject(description, ClassAsObject(aClass));
    if (sorted_) SortByDescription();
    if (callsRegisterClass_) RegisterClass(aClass);
}

void TcxRegisteredClasses::Unregister(TClass aClass) {
    int index = IndexOfClass(aClass);
    if (index >= 0) items_->Delete(index);
}

void TcxRegisteredClasses::EnableSorting(bool value) {
    if (value == sorted_) return;
    sorted_ = value;
    if (sorted_) SortByDescription();
}

void TcxRegisteredClasses::Clear() {
    items_->Clear();
}

AnsiString TcxRegisteredClasses::GetDescription(int index) const {
    return ExtractDescription(items_->Strings(index));
}

int TcxRegisteredClasses::CompareDescriptions(int index1, int index2) const {
    return AnsiCompareText(GetDescription(index1), GetDescription(index2));
}

void TcxRegisteredClasses::SortByDescription() {
    items_->CustomSort([](TStringList* list, int index1, int index2) {
        return static_cast<TcxRegisteredClassesStringList*>(list)->Owner->CompareDescriptions(index1, index2);
    });
}

// ---------------------------------------------------------------------------------------------
namespace {
TcxObjectLinkController* linkController = nullptr;
int linkControllerReferences = 0;
} // namespace

TcxObjectLinkController* GetObjectLinkController() {
    return linkController;
}

TcxObjectLink* CreateObjectLink(TObject* object) {
    if (!object) return nullptr;
    if (linkControllerReferences++ == 0) linkController = new TcxObjectLinkController;
    auto* link = new TcxObjectLink;
    link->Ref = object;
    linkController->Links.Add(link);
    return link;
}

void FreeObjectLink(TcxObjectLink* link) {
    if (!link) return;
    if (link->Ref && linkController) linkController->Links.Remove(link); // a cleared link is out already
    delete link;
    if (linkControllerReferences > 0 && --linkControllerReferences == 0) {
        delete linkController;
        linkController = nullptr;
    }
}

void ResetObjectLinks(TObject* object) {
    if (!linkController) return;
    TList& links = linkController->Links;
    for (int i = links.Count() - 1; i >= 0; --i) {
        auto* link = static_cast<TcxObjectLink*>(links.Items(i));
        if (link->Ref == object) {
            link->Ref = nullptr;
            links.Delete(i);
        }
    }
}

// ---------------------------------------------------------------------------------------------
void TcxFreeNotificator::Watch(TComponent* component) {
    if (component) component->FreeNotification(this);
}

void TcxFreeNotificator::Unwatch(TComponent* component) {
    if (component) component->RemoveFreeNotification(this);
}

void TcxFreeNotificator::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && OnFreeNotification) OnFreeNotification(component);
}

// ---------------------------------------------------------------------------------------------
void InstallThreadHook(HHOOK& hook, int hookId, HOOKPROC hookProc) {
    if (hook) throw EAssertionFailed("Assertion failure", "cxClasses", 2468);
    hook = SetWindowsHookExA(hookId, hookProc, nullptr, GetCurrentThreadId());
}

void RemoveThreadHook(HHOOK& hook) {
    if (hook) UnhookWindowsHookEx(hook);
    hook = nullptr;
}

void CoreClassesInitialize() {}

void CoreClassesFinalize() {
    Repository().reset();
}
