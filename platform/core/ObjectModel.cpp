#include "platform/core/ObjectModel.h"

#include <mutex>
#include <vector>

bool TMetaClass::InheritsFrom(TClass ancestor) const {
    for (TClass c = this; c; c = c->parent_)
        if (c == ancestor) return true;
    return false;
}

TObject* TMetaClass::CreateInstance(TComponent* owner) const {
    if (!factory_) throw EInvalidOperation("Cannot create an instance of abstract class " + name_);
    return factory_(owner);
}

TClass TObject::StaticClass() {
    static const TMetaClass meta("TObject", nullptr, nullptr);
    return &meta;
}

namespace {
struct Registry {
    std::mutex lock;
    std::vector<TClass> classes;
};
Registry& TheRegistry() {
    static Registry registry;
    return registry;
}
} // namespace

void RegisterClass(TClass aClass) {
    if (!aClass) return;
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    for (TClass c : r.classes) {
        if (c == aClass) return;
        if (SameText(c->ClassName(), aClass->ClassName()))
            throw EComponentError(Format("A class named %s already exists", {aClass->ClassName()}));
    }
    r.classes.push_back(aClass);
}

void RegisterClasses(std::initializer_list<TClass> classes) {
    for (TClass c : classes)
        RegisterClass(c);
}

void UnRegisterClass(TClass aClass) {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    std::erase(r.classes, aClass);
}

TClass GetClass(std::string_view className) {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    for (TClass c : r.classes)
        if (SameText(c->ClassName(), className)) return c;
    return nullptr;
}

TClass FindClass(std::string_view className) {
    TClass c = GetClass(className);
    if (!c) throw EClassNotFound(Format("Class %s not found", {className}));
    return c;
}
