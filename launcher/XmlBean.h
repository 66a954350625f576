#pragma once
// The message envelope in memory: a head with service fields and a user, a request and a
// response, and a body of item lists. Every text is bytes of the system code page.
#include <cstdint>
#include <map>

#include "platform/core/ObjectModel.h"
#include "platform/core/StringLists.h"

class TNameValue : public TObject {
public:
    VZ_CLASS(TNameValue, TObject)
    TNameValue() = default;
    TNameValue(AnsiString name, AnsiString value) : Name(std::move(name)), Value(std::move(value)) {}
    AnsiString Name;
    AnsiString Value;
};

// Base of every node: texts of child elements and attributes, each a list of owned TNameValue.
class TCommonNodeObject : public TObject {
public:
    VZ_CLASS(TCommonNodeObject, TObject)
    TCommonNodeObject();
    ~TCommonNodeObject() override;

    void AddAttr(const AnsiString& name, const AnsiString& value);
    void AddText(const AnsiString& name, const AnsiString& value);
    // The value of the first entry of that name (letter case ignored); empty when none.
    AnsiString GetAttr(const AnsiString& name) const;
    AnsiString GetText(const AnsiString& name) const;

    TStringList* Texts = nullptr;
    TStringList* Attributes = nullptr;

protected:
    struct NoLists {};
    explicit TCommonNodeObject(NoLists) {}
};

class TService : public TCommonNodeObject {
public:
    VZ_CLASS(TService, TCommonNodeObject)
    AnsiString handler;
    AnsiString handleTime;
    AnsiString action;
    AnsiString repcode;
    AnsiString returnMessage;
    AnsiString lastGetTime;
};

class TUser : public TCommonNodeObject {
public:
    VZ_CLASS(TUser, TCommonNodeObject)
    AnsiString userId;
    AnsiString loginName;
    AnsiString password;
    AnsiString loginType;
    AnsiString userType;
    AnsiString encryptedPassword;
};

class TItemProperty : public TObject {
public:
    VZ_CLASS(TItemProperty, TObject)
    AnsiString Name;
    AnsiString DataType;
    AnsiString Value; // from a value attribute
    AnsiString Text;  // from element text
    // Value when it is not empty, else Text.
    AnsiString GetEffectiveValue() const { return Value.empty() ? Text : Value; }
};

// An element with children. Items holds TItem, TItemProperty and groups (TStringList of
// TItemProperty), all owned.
class TItem : public TCommonNodeObject {
public:
    VZ_CLASS(TItem, TCommonNodeObject)
    TItem() : TItem("", "") {}
    TItem(AnsiString tag, AnsiString name);
    ~TItem() override;

    // Appends a cell to the group (found without regard to case, else added).
    void AddCell(const AnsiString& group, const AnsiString& name, const AnsiString& value);
    // Appends item keyed by its tag; the list owns it. Answers item.
    TItem* AddItem(TItem* item);
    // The first entry that is exactly a TItem named name (case-sensitive); none when absent.
    TItem* FindItem(const AnsiString& name) const;
    // The index-th entry that is exactly a TItem; none when there are fewer.
    TItem* ItemAt(int index) const;
    // Effective value of the first TItemProperty called name; groups are not searched.
    AnsiString GetCellValue(const AnsiString& name, bool ignoreCase) const;

    AnsiString Tag;
    AnsiString Name;
    TStringList* Items = nullptr;

protected:
    explicit TItem(NoLists n) : TCommonNodeObject(n) {}
    void EnsureItems();
};

// Request part of a bean. Items and the node lists stay absent until something is added.
class TRequest : public TItem {
public:
    VZ_CLASS(TRequest, TItem)
    TRequest() : TItem(NoLists{}) {}
    std::map<AnsiString, AnsiString> Props; // byte-wise key order
    AnsiString RawXml;
};

class TResponse : public TRequest {
public:
    VZ_CLASS(TResponse, TRequest)
    TResponse() = default;
};

class TCommonXmlBean : public TObject {
public:
    VZ_CLASS(TCommonXmlBean, TObject)
    TCommonXmlBean() : TCommonXmlBean(true) {}
    explicit TCommonXmlBean(bool withHead);
    ~TCommonXmlBean() override;

    TService* Head = nullptr;
    TUser* User = nullptr;
    TItem* Body = nullptr;
    TRequest* Request = nullptr;
    TResponse* Response = nullptr;
    int64_t CreateTime = 0;
};

// Exact class tests on list entries: descendants do not count.
template <class T> T* ExactlyA(TObject* object) {
    return object && object->ClassType() == T::StaticClass() ? static_cast<T*>(object) : nullptr;
}
