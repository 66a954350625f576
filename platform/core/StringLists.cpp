#include "platform/core/StringLists.h"

#include <algorithm>
#include <numeric>

#include "platform/core/Streams.h"

// --- TStrings ------------------------------------------------------------------------------------

void TStrings::Error(const char* fmt, int data) {
    throw EListError(Format(fmt, {data}));
}

int TStrings::Add(const AnsiString& s) {
    int index = GetCount();
    Insert(index, s);
    return index;
}

int TStrings::AddObject(const AnsiString& s, TObject* object) {
    int index = Add(s);
    PutObject(index, object);
    return index;
}

void TStrings::AddStrings(TStrings* strings) {
    BeginUpdate();
    try {
        for (int i = 0; i < strings->Count(); ++i)
            AddObject(strings->Get(i), strings->GetObject(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::InsertObject(int index, const AnsiString& s, TObject* object) {
    Insert(index, s);
    PutObject(index, object);
}

void TStrings::Put(int index, const AnsiString& s) {
    TObject* object = GetObject(index);
    Delete(index);
    InsertObject(index, s, object);
}

void TStrings::Exchange(int index1, int index2) {
    BeginUpdate();
    try {
        AnsiString s = Get(index1);
        TObject* o = GetObject(index1);
        Put(index1, Get(index2));
        PutObject(index1, GetObject(index2));
        Put(index2, s);
        PutObject(index2, o);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    BeginUpdate();
    try {
        AnsiString s = Get(curIndex);
        TObject* o = GetObject(curIndex);
        Delete(curIndex);
        InsertObject(newIndex, s, o);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int TStrings::CompareStrings(const AnsiString& s1, const AnsiString& s2) const {
    return AnsiCompareText(s1, s2);
}

int TStrings::IndexOf(const AnsiString& s) const {
    for (int i = 0; i < GetCount(); ++i)
        if (CompareStrings(Get(i), s) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(const AnsiString& name) const {
    for (int i = 0; i < GetCount(); ++i) {
        AnsiString s = Get(i);
        size_t p = s.find(NameValueSeparator);
        if (p != AnsiString::npos && CompareStrings(s.substr(0, p), name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(TObject* object) const {
    for (int i = 0; i < GetCount(); ++i)
        if (GetObject(i) == object) return i;
    return -1;
}

AnsiString TStrings::Names(int index) const {
    AnsiString s = Get(index);
    size_t p = s.find(NameValueSeparator);
    return p == AnsiString::npos ? AnsiString() : s.substr(0, p);
}

AnsiString TStrings::Values(const AnsiString& name) const {
    int i = IndexOfName(name);
    return i < 0 ? AnsiString() : ValueFromIndex(i);
}

void TStrings::SetValues(const AnsiString& name, const AnsiString& value) {
    int i = IndexOfName(name);
    if (!value.empty()) {
        AnsiString entry = name + NameValueSeparator + value;
        if (i < 0)
            Add(entry);
        else
            Put(i, entry);
    } else if (i >= 0) {
        Delete(i);
    }
}

AnsiString TStrings::ValueFromIndex(int index) const {
    AnsiString s = Get(index);
    size_t p = s.find(NameValueSeparator);
    return p == AnsiString::npos ? AnsiString() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(int index, const AnsiString& value) {
    if (value.empty() && index >= 0) {
        Delete(index);
        return;
    }
    if (index < 0) {
        Add(AnsiString(1, NameValueSeparator) + value);
        return;
    }
    Put(index, Names(index) + NameValueSeparator + value);
}

AnsiString TStrings::Text() const {
    AnsiString r;
    for (int i = 0; i < GetCount(); ++i) {
        r += Get(i);
        r += "\r\n";
    }
    return r;
}

void TStrings::SetText(std::string_view text) {
    BeginUpdate();
    try {
        Clear();
        size_t i = 0;
        while (i < text.size()) {
            size_t start = i;
            while (i < text.size() && text[i] != '\r' && text[i] != '\n')
                ++i;
            Add(AnsiString(text.substr(start, i - start)));
            if (i < text.size() && text[i] == '\r') ++i;
            if (i < text.size() && text[i] == '\n') ++i;
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

AnsiString TStrings::DelimitedText() const {
    AnsiString r;
    for (int i = 0; i < GetCount(); ++i) {
        AnsiString s = Get(i);
        bool quote = s.empty() && GetCount() == 1;
        for (char c : s)
            if (static_cast<unsigned char>(c) <= ' ' || c == Delimiter || c == QuoteChar) quote = true;
        if (i > 0) r += Delimiter;
        if (quote) {
            r += QuoteChar;
            for (char c : s) {
                if (c == QuoteChar) r += QuoteChar;
                r += c;
            }
            r += QuoteChar;
        } else {
            r += s;
        }
    }
    return r;
}

void TStrings::SetDelimitedText(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    BeginUpdate();
    try {
        Clear();
        size_t i = 0;
        while (i < text.size() && blank(text[i]))
            ++i;
        while (i < text.size()) {
            AnsiString item;
            if (text[i] == QuoteChar) {
                ++i;
                while (i < text.size()) {
                    if (text[i] == QuoteChar) {
                        if (i + 1 < text.size() && text[i + 1] == QuoteChar) {
                            item += QuoteChar;
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    item += text[i++];
                }
            } else {
                while (i < text.size() && !blank(text[i]) && text[i] != Delimiter)
                    item += text[i++];
            }
            Add(item);
            while (i < text.size() && blank(text[i]))
                ++i;
            if (i < text.size() && text[i] == Delimiter) {
                ++i;
                while (i < text.size() && blank(text[i]))
                    ++i;
                // A delimiter at the very end stands before an empty item.
                if (i == text.size()) Add(AnsiString());
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

AnsiString TStrings::CommaText() const {
    struct Restore {
        TStrings* self;
        char d, q;
        ~Restore() {
            self->Delimiter = d;
            self->QuoteChar = q;
        }
    };
    auto* self = const_cast<TStrings*>(this);
    Restore restore{self, Delimiter, QuoteChar};
    self->Delimiter = ',';
    self->QuoteChar = '"';
    return DelimitedText();
}

void TStrings::SetCommaText(std::string_view text) {
    char d = Delimiter, q = QuoteChar;
    Delimiter = ',';
    QuoteChar = '"';
    try {
        SetDelimitedText(text);
    } catch (...) {
        Delimiter = d;
        QuoteChar = q;
        throw;
    }
    Delimiter = d;
    QuoteChar = q;
}

void TStrings::BeginUpdate() {
    if (updateCount_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

void TStrings::LoadFromFile(const AnsiString& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TStrings::SaveToFile(const AnsiString& fileName) {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(&stream);
}

void TStrings::LoadFromStream(TStream* stream) {
    int64_t size = stream->Size() - stream->Position();
    AnsiString text(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
    if (!text.empty()) stream->ReadBuffer(text.data(), static_cast<int>(text.size()));
    SetText(text);
}

void TStrings::SaveToStream(TStream* stream) {
    AnsiString text = Text();
    if (!text.empty()) stream->WriteBuffer(text.data(), static_cast<int>(text.size()));
}

void TStrings::Assign(TPersistent* source) {
    if (auto* strings = dynamic_cast<TStrings*>(source)) {
        if (strings == this) return;
        BeginUpdate();
        try {
            Clear();
            Delimiter = strings->Delimiter;
            QuoteChar = strings->QuoteChar;
            NameValueSeparator = strings->NameValueSeparator;
            AddStrings(strings);
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
        return;
    }
    TPersistent::Assign(source);
}

// --- TStringList ---------------------------------------------------------------------------------

TStringList::~TStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
}

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool updating) {
    // The outer BeginUpdate reports the coming change and the outer EndUpdate the change made.
    if (updating) {
        if (OnChanging) OnChanging(this);
    } else {
        if (OnChange) OnChange(this);
    }
}

int TStringList::CompareStrings(const AnsiString& s1, const AnsiString& s2) const {
    return caseSensitive_ ? AnsiCompareStr(s1, s2) : AnsiCompareText(s1, s2);
}

bool TStringList::Find(const AnsiString& s, int& index) const {
    int lo = 0, hi = GetCount() - 1;
    bool found = false;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = CompareStrings(items_[static_cast<size_t>(mid)].string, s);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) found = true;
        }
    }
    index = lo;
    return found;
}

int TStringList::Add(const AnsiString& s) {
    return AddObject(s, nullptr);
}

int TStringList::AddObject(const AnsiString& s, TObject* object) {
    int index;
    if (!sorted_) {
        index = GetCount();
    } else if (Find(s, index)) {
        if (Duplicates == dupIgnore) return index;
        if (Duplicates == dupError) throw EListError("String list does not allow duplicates");
    }
    InsertItem(index, s, object);
    return index;
}

void TStringList::Insert(int index, const AnsiString& s) {
    if (sorted_) throw EListError("Operation not allowed on sorted list");
    if (index < 0 || index > GetCount()) Error("List index out of bounds (%d)", index);
    InsertItem(index, s, nullptr);
}

void TStringList::InsertItem(int index, const AnsiString& s, TObject* object) {
    Changing();
    items_.insert(items_.begin() + index, Item{s, object});
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    items_.clear();
    Changed();
}

void TStringList::Exchange(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    Changing();
    std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
    Changed();
}

int TStringList::IndexOf(const AnsiString& s) const {
    if (!sorted_) return TStrings::IndexOf(s);
    int index;
    return Find(s, index) ? index : -1;
}

AnsiString TStringList::Get(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].string;
}

const AnsiString& TStringList::StringRef(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].string;
}

void TStringList::Put(int index, const AnsiString& s) {
    if (sorted_) throw EListError("Operation not allowed on sorted list");
    CheckIndex(index);
    Changing();
    items_[static_cast<size_t>(index)].string = s;
    Changed();
}

TObject* TStringList::GetObject(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].object;
}

void TStringList::PutObject(int index, TObject* object) {
    CheckIndex(index);
    Changing();
    items_[static_cast<size_t>(index)].object = object;
    Changed();
}

void TStringList::Sort() {
    CustomSort([](TStringList* list, int a, int b) {
        return list->CompareStrings(list->items_[static_cast<size_t>(a)].string,
                                    list->items_[static_cast<size_t>(b)].string);
    });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
    if (GetCount() < 2) return;
    std::vector<int> order(items_.size());
    std::iota(order.begin(), order.end(), 0);
    // The items stay in place while compare looks at them by index.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(this, a, b) < 0; });
    Changing();
    std::vector<Item> sortedItems;
    sortedItems.reserve(items_.size());
    for (int i : order)
        sortedItems.push_back(std::move(items_[static_cast<size_t>(i)]));
    items_ = std::move(sortedItems);
    Changed();
}

void TStringList::SetSorted(bool value) {
    if (sorted_ == value) return;
    if (value) Sort();
    sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
    if (caseSensitive_ == value) return;
    caseSensitive_ = value;
    if (sorted_) Sort();
}
