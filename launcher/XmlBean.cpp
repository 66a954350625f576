#include "launcher/XmlBean.h"

#include "launcher/AppList.h"

namespace {

TStringList* NewList() {
    return new TStringList();
}

AnsiString FirstValue(const TStringList* list, const AnsiString& name) {
    if (!list) return {};
    int i = list->IndexOf(name);
    if (i < 0) return {};
    auto* nv = dynamic_cast<TNameValue*>(list->Objects(i));
    return nv ? nv->Value : AnsiString();
}

AnsiString AsciiUpper(AnsiString s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

} // namespace

TCommonNodeObject::TCommonNodeObject() : Texts(NewList()), Attributes(NewList()) {}

TCommonNodeObject::~TCommonNodeObject() {
    FreeListAndObjects(Texts);
    FreeListAndObjects(Attributes);
}

void TCommonNodeObject::AddAttr(const AnsiString& name, const AnsiString& value) {
    if (!Attributes) Attributes = NewList();
    Attributes->AddObject(name, new TNameValue(name, value));
}

void TCommonNodeObject::AddText(const AnsiString& name, const AnsiString& value) {
    if (!Texts) Texts = NewList();
    Texts->AddObject(name, new TNameValue(name, value));
}

AnsiString TCommonNodeObject::GetAttr(const AnsiString& name) const {
    return FirstValue(Attributes, name);
}
AnsiString TCommonNodeObject::GetText(const AnsiString& name) const {
    return FirstValue(Texts, name);
}

TItem::TItem(AnsiString tag, AnsiString name)
    : Tag(std::move(tag)), Name(std::move(name)), Items(NewList()) {}

TItem::~TItem() {
    FreeListAndObjects(Items);
}

void TItem::EnsureItems() {
    if (!Items) Items = NewList();
}

void TItem::AddCell(const AnsiString& group, const AnsiString& name, const AnsiString& value) {
    EnsureItems();
    TStringList* cells = nullptr;
    // Only a group answers to the group's name; an item or cell of that name is left alone.
    for (int i = 0; i < Items->Count() && !cells; ++i)
        if (Items->CompareStrings(Items->Strings(i), group) == 0)
            cells = ExactlyA<TStringList>(Items->Objects(i));
    if (!cells) {
        cells = new TStringList();
        Items->AddObject(group, cells);
    }
    auto* cell = new TItemProperty();
    cell->Name = name;
    cell->Text = value;
    cells->AddObject(name, cell);
}

TItem* TItem::AddItem(TItem* item) {
    EnsureItems();
    Items->AddObject(item->Tag, item);
    return item;
}

TItem* TItem::FindItem(const AnsiString& name) const {
    if (!Items) return nullptr;
    for (int i = 0; i < Items->Count(); ++i)
        if (TItem* item = ExactlyA<TItem>(Items->Objects(i)); item && item->Name == name) return item;
    return nullptr;
}

TItem* TItem::ItemAt(int index) const {
    if (!Items || index < 0) return nullptr;
    for (int i = 0; i < Items->Count(); ++i)
        if (TItem* item = ExactlyA<TItem>(Items->Objects(i)); item && index-- == 0) return item;
    return nullptr;
}

AnsiString TItem::GetCellValue(const AnsiString& name, bool ignoreCase) const {
    if (!Items) return {};
    AnsiString wanted = ignoreCase ? AsciiUpper(name) : name;
    for (int i = 0; i < Items->Count(); ++i) {
        TItemProperty* cell = ExactlyA<TItemProperty>(Items->Objects(i));
        if (!cell) continue;
        if ((ignoreCase ? AsciiUpper(cell->Name) : cell->Name) == wanted) return cell->GetEffectiveValue();
    }
    return {};
}

TCommonXmlBean::TCommonXmlBean(bool withHead) {
    if (withHead) {
        Head = new TService();
        User = new TUser();
    }
    Body = new TItem("", "");
    Request = new TRequest();
    Response = new TResponse();
}

TCommonXmlBean::~TCommonXmlBean() {
    delete Head;
    delete User;
    // Body may be the request or the response itself: free that object once.
    if (Body && Body == Response) {
        Response = nullptr;
    } else if (Body && Body == Request) {
        Request = nullptr;
    }
    delete Body;
    delete Request;
    delete Response;
}
