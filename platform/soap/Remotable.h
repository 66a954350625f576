#pragma once
// Remotable objects and the registries that give them (and the invokable interfaces) their wire
// names and namespaces. A remotable class describes its fields once; the SOAP writer and reader
// walk that description.
#include <cstdint>
#include <functional>
#include <memory>
#include <typeindex>
#include <vector>

#include "platform/core/Strings.h"

using TByteDynArray = std::vector<std::uint8_t>;

class TRemotable {
public:
    TRemotable() = default;
    TRemotable(const TRemotable&) = delete;
    TRemotable& operator=(const TRemotable&) = delete;
    virtual ~TRemotable() = default;
};

enum class TRemPropKind { String, Bytes, ObjectArray };

// One field of a remotable class, in wire order.
struct TRemProp {
    WideString Name;
    TRemPropKind Kind = TRemPropKind::String;
    std::function<WideString&(TRemotable&)> Str;
    std::function<TByteDynArray&(TRemotable&)> Bytes;
    // Arrays of owned objects: the element class, a reader of the elements and a setter.
    std::type_index ElemType = typeid(void);
    std::function<std::vector<TRemotable*>(TRemotable&)> Elems;
    std::function<void(TRemotable&, std::vector<std::unique_ptr<TRemotable>>)> SetElems;
};

struct TRemotableClassInfo {
    std::type_index Type = typeid(void);
    WideString Name;
    WideString Namespace;
    std::function<std::unique_ptr<TRemotable>()> Create;
    std::vector<TRemProp> Props;
};

struct TRemotableArrayInfo {
    std::type_index Type = typeid(void);
    std::type_index ElemType = typeid(void);
    WideString Name;
    WideString Namespace;
};

// Field descriptions from members, for the classes' registrations.
template <class T> TRemProp StringProp(const wchar_t* name, WideString T::*field) {
    TRemProp p;
    p.Name = name;
    p.Kind = TRemPropKind::String;
    p.Str = [field](TRemotable& o) -> WideString& { return static_cast<T&>(o).*field; };
    return p;
}

template <class T> TRemProp BytesProp(const wchar_t* name, TByteDynArray T::*field) {
    TRemProp p;
    p.Name = name;
    p.Kind = TRemPropKind::Bytes;
    p.Bytes = [field](TRemotable& o) -> TByteDynArray& { return static_cast<T&>(o).*field; };
    return p;
}

template <class T, class E>
TRemProp ArrayProp(const wchar_t* name, std::vector<std::unique_ptr<E>> T::*field) {
    TRemProp p;
    p.Name = name;
    p.Kind = TRemPropKind::ObjectArray;
    p.ElemType = typeid(E);
    p.Elems = [field](TRemotable& o) {
        std::vector<TRemotable*> out;
        for (auto& e : static_cast<T&>(o).*field)
            out.push_back(e.get());
        return out;
    };
    p.SetElems = [field](TRemotable& o, std::vector<std::unique_ptr<TRemotable>> elems) {
        auto& dest = static_cast<T&>(o).*field;
        dest.clear();
        for (auto& e : elems)
            dest.emplace_back(static_cast<E*>(e.release()));
    };
    return p;
}

class TRemotableClassRegistry {
public:
    void RegisterXSClass(TRemotableClassInfo info);
    void RegisterXSInfo(TRemotableArrayInfo info);
    void UnRegisterXSClass(std::type_index type);
    const TRemotableClassInfo* Find(std::type_index type) const;
    const TRemotableArrayInfo* FindArray(std::type_index type) const;

private:
    std::vector<TRemotableClassInfo> classes_;
    std::vector<TRemotableArrayInfo> arrays_;
};

TRemotableClassRegistry& RemClassRegistry();

class THTTPRIO;

// An invokable interface: its id, the namespace of its operation elements, and the factory of
// the client-side object that turns its calls into SOAP messages over a THTTPRIO.
struct TInvokableInterfaceInfo {
    GUID Iid{};
    WideString Name;
    WideString Namespace;
    WideString WSDLEncoding;
    WideString SoapAction;
    std::function<std::shared_ptr<void>(std::shared_ptr<THTTPRIO>)> CreateProxy;
};

class TInvokableRegistry {
public:
    void RegisterInterface(TInvokableInterfaceInfo info);
    void RegisterDefaultSOAPAction(const GUID& iid, const WideString& action);
    void UnRegisterInterface(const GUID& iid);
    const TInvokableInterfaceInfo* Find(const GUID& iid) const;

private:
    std::vector<TInvokableInterfaceInfo> interfaces_;
};

TInvokableRegistry& InvRegistry();
