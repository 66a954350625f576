#pragma once
// Root object and class references. A class reference (TClass) points at the class's metaclass
// object, which names the class, knows its parent and can create instances ("virtual
// constructors"). Classes join in with VZ_CLASS(Class, Parent) in a public section of their body.
#include <functional>
#include <memory>
#include <type_traits>

#include "platform/core/Exceptions.h"

class TObject;
class TComponent;
class TMetaClass;
using TClass = const TMetaClass*;

class TMetaClass {
public:
    // Creates an instance; owner is passed to classes constructed from a TComponent* owner.
    using Factory = TObject* (*)(TComponent* owner);

    TMetaClass(const char* name, TClass parent, Factory factory)
        : name_(name), parent_(parent), factory_(factory) {}
    TMetaClass(const TMetaClass&) = delete;
    TMetaClass& operator=(const TMetaClass&) = delete;

    const AnsiString& ClassName() const { return name_; }
    TClass ClassParent() const { return parent_; }
    // True for the class itself and every descendant of ancestor.
    bool InheritsFrom(TClass ancestor) const;
    bool CanCreate() const { return factory_ != nullptr; }

    // A new instance of exactly this class. With an owner the owner frees it; without one the
    // caller owns it (take it into a unique_ptr at once). Raises EInvalidOperation
    // "Cannot create an instance of abstract class <name>" for abstract classes.
    TObject* CreateInstance(TComponent* owner = nullptr) const;
    // Unowned instance checked against T (EInvalidCast when this class does not descend from T).
    template <class T> std::unique_ptr<T> Create() const;

private:
    AnsiString name_;
    TClass parent_;
    Factory factory_;
};

// How VZ_CLASS creates instances: from an owner when the class takes one, else by default.
template <class T> TObject* VzCreateInstance([[maybe_unused]] TComponent* owner) {
    if constexpr (std::is_constructible_v<T, TComponent*>)
        return new T(owner);
    else
        return new T();
}
template <class T> constexpr TMetaClass::Factory VzFactoryOf() {
    if constexpr (std::is_abstract_v<T> ||
                  !(std::is_constructible_v<T, TComponent*> || std::is_default_constructible_v<T>))
        return nullptr;
    else
        return &VzCreateInstance<T>;
}

#define VZ_CLASS(Class, Parent)                                                                              \
    static TClass StaticClass() {                                                                            \
        static const TMetaClass meta(#Class, Parent::StaticClass(), VzFactoryOf<Class>());                   \
        return &meta;                                                                                        \
    }                                                                                                        \
    TClass ClassType() const override {                                                                      \
        return StaticClass();                                                                                \
    }

class TObject {
public:
    TObject() = default;
    virtual ~TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;

    static TClass StaticClass();
    virtual TClass ClassType() const { return StaticClass(); }
    const AnsiString& ClassName() const { return ClassType()->ClassName(); }
    TClass ClassParent() const { return ClassType()->ClassParent(); }
    bool InheritsFrom(TClass ancestor) const { return ClassType()->InheritsFrom(ancestor); }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

template <class T> std::unique_ptr<T> TMetaClass::Create() const {
    if (!InheritsFrom(T::StaticClass())) throw EInvalidCast("Invalid class typecast");
    return std::unique_ptr<T>(static_cast<T*>(CreateInstance(nullptr)));
}

// Registry of classes by name (case-insensitive), for readers that find classes by their stored
// name. Registering the same class again is harmless; another class under a taken name raises
// EComponentError "A class named %s already exists".
void RegisterClass(TClass aClass);
void RegisterClasses(std::initializer_list<TClass> classes);
void UnRegisterClass(TClass aClass);
// nullptr when no class of that name is registered.
TClass GetClass(std::string_view className);
// Raises EClassNotFound "Class <name> not found".
TClass FindClass(std::string_view className);
