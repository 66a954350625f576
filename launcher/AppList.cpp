#include "launcher/AppList.h"

TAppList::~TAppList() {
    if (ownsObjects_) ClearObjects();
}

void TAppList::SetValue(const AnsiString& name, const AnsiString& value) {
    int index = IndexOf(name);
    if (index < 0) {
        AddObject(name, new TStringObject(value));
        return;
    }
    if (auto* holder = dynamic_cast<TStringObject*>(Objects(index)))
        holder->Value = value;
    else
        SetObjects(index, new TStringObject(value)); // an entry without a holder gets one
}

TObject* TAppList::FindObject(const AnsiString& name) const {
    int index = IndexOf(name);
    return index < 0 ? nullptr : Objects(index);
}

AnsiString TAppList::GetValue(const AnsiString& name) const {
    auto* holder = dynamic_cast<TStringObject*>(FindObject(name));
    return holder ? holder->Value : AnsiString();
}

void TAppList::ClearObjects() {
    ::ClearObjects(this);
}

void ClearObjects(TStrings* list) {
    if (!list) return;
    for (int i = list->Count() - 1; i >= 0; --i) {
        TObject* object = list->Objects(i);
        if (!object) continue;
        // Forget every slot first, so the object is freed exactly once.
        for (int j = 0; j < list->Count(); ++j)
            if (list->Objects(j) == object) list->SetObjects(j, nullptr);
        if (auto* strings = dynamic_cast<TStrings*>(object))
            FreeListAndObjects(strings);
        else
            delete object;
    }
    list->Clear();
}
