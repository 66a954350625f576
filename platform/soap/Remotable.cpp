#include "platform/soap/Remotable.h"

#include <algorithm>
#include <cstring>

TRemotableClassRegistry& RemClassRegistry() {
    static TRemotableClassRegistry registry;
    return registry;
}

TInvokableRegistry& InvRegistry() {
    static TInvokableRegistry registry;
    return registry;
}

void TRemotableClassRegistry::RegisterXSClass(TRemotableClassInfo info) {
    UnRegisterXSClass(info.Type);
    classes_.push_back(std::move(info));
}

void TRemotableClassRegistry::RegisterXSInfo(TRemotableArrayInfo info) {
    std::erase_if(arrays_, [&](const TRemotableArrayInfo& a) { return a.Type == info.Type; });
    arrays_.push_back(std::move(info));
}

void TRemotableClassRegistry::UnRegisterXSClass(std::type_index type) {
    std::erase_if(classes_, [&](const TRemotableClassInfo& c) { return c.Type == type; });
    std::erase_if(arrays_, [&](const TRemotableArrayInfo& a) { return a.Type == type; });
}

const TRemotableClassInfo* TRemotableClassRegistry::Find(std::type_index type) const {
    for (auto& c : classes_)
        if (c.Type == type) return &c;
    return nullptr;
}

const TRemotableArrayInfo* TRemotableClassRegistry::FindArray(std::type_index type) const {
    for (auto& a : arrays_)
        if (a.Type == type) return &a;
    return nullptr;
}

void TInvokableRegistry::RegisterInterface(TInvokableInterfaceInfo info) {
    UnRegisterInterface(info.Iid);
    interfaces_.push_back(std::move(info));
}

void TInvokableRegistry::RegisterDefaultSOAPAction(const GUID& iid, const WideString& action) {
    for (auto& i : interfaces_)
        if (IsEqualGUID(i.Iid, iid)) i.SoapAction = action;
}

void TInvokableRegistry::UnRegisterInterface(const GUID& iid) {
    std::erase_if(interfaces_,
                  [&](const TInvokableInterfaceInfo& i) { return IsEqualGUID(i.Iid, iid) != 0; });
}

const TInvokableInterfaceInfo* TInvokableRegistry::Find(const GUID& iid) const {
    for (auto& i : interfaces_)
        if (IsEqualGUID(i.Iid, iid)) return &i;
    return nullptr;
}
