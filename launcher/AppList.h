#pragma once
// A name-keyed list of objects (names compared without regard to case) and its text holder.
#include "platform/core/StringLists.h"

class TStringObject : public TObject {
public:
    VZ_CLASS(TStringObject, TObject)
    TStringObject() = default;
    explicit TStringObject(AnsiString value) : Value(std::move(value)) {}
    AnsiString Value;
};

class TAppList : public TStringList {
public:
    VZ_CLASS(TAppList, TStringList)
    explicit TAppList(bool ownsObjects = false) : ownsObjects_(ownsObjects) {}
    ~TAppList() override;

    bool OwnsObjects() const { return ownsObjects_; }

    // Sets the Value of the first entry called name, appending a new TStringObject when none is.
    void SetValue(const AnsiString& name, const AnsiString& value);
    // The object of the first entry called name; nullptr when there is none.
    TObject* FindObject(const AnsiString& name) const;
    // The Value of that object when it is a TStringObject, else empty.
    AnsiString GetValue(const AnsiString& name) const;
    // Frees every object once (however many entries hold it) and empties the list.
    void ClearObjects();

private:
    bool ownsObjects_;
};

// Frees the objects of any string list: an object held in several entries is freed once, a
// string list held as an object is freed with its own objects. Empties the list.
void ClearObjects(TStrings* list);
// ClearObjects, then frees the list and empties the variable.
template <class T> void FreeListAndObjects(T*& list) {
    if (!list) return;
    ClearObjects(list);
    delete list;
    list = nullptr;
}
