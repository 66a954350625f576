#pragma once
// Building blocks of the control library: the resource-string repository, base classes, class
// registries, weak object links, the free-notification relay, thread hooks and small text and
// value routines.
#include <unknwn.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Components.h"
#include "platform/core/Lists.h"
#include "platform/core/StringLists.h"
#include "platform/core/Variant.h"
#include "platform/graphics/Graphics.h"

// ---------------------------------------------------------------------------------------------
// Resource-string repository. A resource string is an AnsiString variable of a string-table unit;
// its address is what the repository lists, so that outside tools can read and replace the text.
class TdxProductResourceStrings;
using TdxProductResourceStringsInitProc = void (*)(TdxProductResourceStrings* product);

class TdxProductResourceStrings : public TObject {
public:
    VZ_CLASS(TdxProductResourceStrings, TObject)
    // Runs initProc at once when it is set.
    TdxProductResourceStrings(const AnsiString& name, TdxProductResourceStringsInitProc initProc);
    ~TdxProductResourceStrings() override;

    void AddResString(const AnsiString& resStringName, const AnsiString* resStringAddress);
    const AnsiString* ResStringAddress(int index) const;

    const AnsiString& Name() const { return name_; }
    TdxProductResourceStringsInitProc InitProc() const { return initProc_; }
    TStringList& ResStringNames() { return *resStringNames_; }

private:
    AnsiString name_;
    TdxProductResourceStringsInitProc initProc_;
    std::unique_ptr<TStringList> resStringNames_;
};

class TdxResourceStringsRepository : public TObject {
public:
    VZ_CLASS(TdxResourceStringsRepository, TObject)
    TdxResourceStringsRepository() = default;

    // Appends a new group (its fill procedure runs at once); names are not checked for duplicates.
    void AddProduct(const AnsiString& name, TdxProductResourceStringsInitProc initProc);
    // Frees the first group of exactly that name (case-sensitive); nothing when absent.
    void RemoveProduct(const AnsiString& name);
    int IndexOfProduct(const AnsiString& name) const;
    TdxProductResourceStrings* Items(int index) const;
    int Count() const { return products_.Count(); }

private:
    TObjectList products_{true};
};

// The global repository, made on first use.
TdxResourceStringsRepository* GetResourceStringsRepository();

// ---------------------------------------------------------------------------------------------
// Text and locale routines.
bool IsInCharSet(uint8_t ch, const uint32_t set[8]);
// Code page 65001 decodes UTF-8; a negative length takes the whole text.
WideString AnsiToWideText(const AnsiString& text, int codePage = CP_ACP, int length = -1);
inline AnsiString StringFromAnsi(const AnsiString& text, int /*codePage*/ = CP_ACP) {
    return text;
}
inline AnsiString StringToAnsi(const AnsiString& text, int /*codePage*/ = CP_ACP) {
    return text;
}
AnsiString GetLocaleInfoStr(LCID locale, LCTYPE infoType, const AnsiString& fallback);
// Bytes of the (possibly double-byte) character at the 1-based position.
int CharByteLength(const AnsiString& text, int position);
inline AnsiString GetResourceStringText(const AnsiString* address) {
    return address ? *address : AnsiString();
}
// The text before the first "|", or all of it.
AnsiString ExtractDescription(const AnsiString& text);

// Small value routines.
inline TSize MakeSize(int cx, int cy) {
    return TSize{cx, cy};
}
// floor((a + b) / 2), also for negative sums.
int MiddleOf(int a, int b);
void CopyBytes(const void* source, void* dest, size_t count); // overlap-safe
template <typename TControl, typename TMethod>
void CallControlMethod(TControl* control, int value, const TMethod& method) {
    if (method) method(control, value);
}
inline TPersistent* GetPersistentOwner(TPersistent* persistent) {
    return persistent ? persistent->GetOwner() : nullptr;
}

enum TcxDirection { dirNone, dirLeft, dirRight, dirUp, dirDown };
using TdxSkinName = AnsiString;

// ---------------------------------------------------------------------------------------------
// Base classes.

// Answers IUnknown but is never freed through it: its owner decides its lifetime.
class TcxIUnknownObject : public TObject, public IUnknown {
public:
    VZ_CLASS(TcxIUnknownObject, TObject)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(-1); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(-1); }

protected:
    // Descendants answer their own interfaces here; the base knows IUnknown only.
    virtual bool GetInterface(REFIID iid, void** object);
};

class TcxInterfacedPersistent : public TPersistent {
public:
    VZ_CLASS(TcxInterfacedPersistent, TPersistent)
    explicit TcxInterfacedPersistent(TPersistent* owner) : Owner(owner) {}
    TPersistent* GetOwner() override { return Owner; }
    TPersistent* Owner;
};

class TcxComponent : public TComponent {
public:
    VZ_CLASS(TcxComponent, TComponent)
    explicit TcxComponent(TComponent* owner);
    ~TcxComponent() override;

    void Loaded() override;

    // Only there for the form designer: the components this one depends on.
    TComponent* FakeComponentLink1() const { return fakeLinks_[0]; }
    TComponent* FakeComponentLink2() const { return fakeLinks_[1]; }
    TComponent* FakeComponentLink3() const { return fakeLinks_[2]; }
    void SetFakeComponentLink1(TComponent* value) { fakeLinks_[0] = value; }
    void SetFakeComponentLink2(TComponent* value) { fakeLinks_[1] = value; }
    void SetFakeComponentLink3(TComponent* value) { fakeLinks_[2] = value; }

protected:
    virtual void CollectDesignLinks(TList* list);
    void RefreshDesignLinks();

private:
    TComponent* fakeLinks_[3] = {nullptr, nullptr, nullptr};
};

// A list that owns its objects.
class TcxObjectList : public TList {
public:
    VZ_CLASS(TcxObjectList, TList)
    TcxObjectList() = default;
    ~TcxObjectList() override;
    void Clear() override; // frees every item, first to last, then empties the list
    TObject* ItemAt(int index) const { return static_cast<TObject*>(Items(index)); }
};

// ---------------------------------------------------------------------------------------------
// Class registries.
class TcxRegisteredClassListItemData : public TObject {
public:
    VZ_CLASS(TcxRegisteredClassListItemData, TObject)
    TClass ItemClass = nullptr;
    TClass RegisteredClass = nullptr;
};

// Pairs kept so that a class comes after its registered ancestors: a lookup from the end finds
// the most specific registration.
class TcxRegisteredClassList : public TObject {
public:
    VZ_CLASS(TcxRegisteredClassList, TObject)
    TcxRegisteredClassList() = default;
    ~TcxRegisteredClassList() override;

    virtual bool FindAncestorEntry(TClass itemClass, int& index) const;
    virtual void Register(TClass itemClass, TClass registeredClass);
    virtual void Unregister(TClass itemClass, TClass registeredClass);
    void Clear();
    int ItemCount() const { return items_.Count(); }
    TcxRegisteredClassListItemData* ItemAt(int index) const {
        return static_cast<TcxRegisteredClassListItemData*>(items_.Items(index));
    }

private:
    TList items_;
};

class TcxRegisteredClasses;

class TcxRegisteredClassesStringList : public TStringList {
public:
    VZ_CLASS(TcxRegisteredClassesStringList, TStringList)
    TcxRegisteredClassesStringList() = default;
    TcxRegisteredClasses* Owner = nullptr;
};

// Classes with descriptions ("visible text|hidden part").
class TcxRegisteredClasses : public TObject {
public:
    VZ_CLASS(TcxRegisteredClasses, TObject)
    explicit TcxRegisteredClasses(bool callsRegisterClass = false);
    ~TcxRegisteredClasses() override;

    // Nothing when the class is listed already (the first description stays).
    void Register(TClass aClass, const AnsiString& description);
    void Unregister(TClass aClass);
    void EnableSorting(bool value);
    void Clear();

    int Count() const { return items_->Count(); }
    TClass Items(int index) const;
    AnsiString GetDescription(int index) const;
    int IndexOfClass(TClass aClass) const;
    bool Sorted() const { return sorted_; }
    bool CallsRegisterClass() const { return callsRegisterClass_; }

    virtual int CompareDescriptions(int index1, int index2) const;
    virtual void SortByDescription();

private:
    bool callsRegisterClass_;
    bool sorted_ = false;
    std::unique_ptr<TcxRegisteredClassesStringList> items_;
};

// ---------------------------------------------------------------------------------------------
// Weak links: a holder keeps a link to an object that may die while it works, tests Ref after
// the risky call, then frees the link. Destructors of such objects call ResetObjectLinks.
class TcxObjectLink : public TObject {
public:
    VZ_CLASS(TcxObjectLink, TObject)
    TcxObjectLink() = default;
    TObject* Ref = nullptr;
};

class TcxObjectLinkController : public TObject {
public:
    VZ_CLASS(TcxObjectLinkController, TObject)
    TList Links; // live links, not owned
};

// nullptr for a nil object. The link belongs to the caller until FreeObjectLink.
TcxObjectLink* CreateObjectLink(TObject* object);
void FreeObjectLink(TcxObjectLink* link);
void ResetObjectLinks(TObject* object);
// The controller while links exist; nullptr otherwise.
TcxObjectLinkController* GetObjectLinkController();

// ---------------------------------------------------------------------------------------------
// Tells OnFreeNotification about every watched component that goes.
class TcxFreeNotificator : public TComponent {
public:
    VZ_CLASS(TcxFreeNotificator, TComponent)
    explicit TcxFreeNotificator(TComponent* owner) : TComponent(owner) {}
    void Watch(TComponent* component);
    void Unwatch(TComponent* component);
    std::function<void(TComponent* component)> OnFreeNotification;

protected:
    void Notification(TComponent* component, TOperation operation) override;
};

// ---------------------------------------------------------------------------------------------
// Hooks of the calling thread. InstallThreadHook raises EAssertionFailed when hook is taken.
void InstallThreadHook(HHOOK& hook, int hookId, HOOKPROC hookProc);
void RemoveThreadHook(HHOOK& hook);

// Unit end: frees the resource-string repository.
void CoreClassesInitialize();
void CoreClassesFinalize();
