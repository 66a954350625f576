#pragma once
// String lists: TStrings is the abstract list of strings with attached objects, TStringList the
// concrete one (sorted or not, case-insensitive by default).
#include <vector>

#include "platform/core/Lists.h"
#include "platform/core/Persistent.h"

class TStream;

class TStrings : public TPersistent {
public:
    VZ_CLASS(TStrings, TPersistent)
    TStrings() = default;

    virtual int Add(const AnsiString& s);
    virtual int AddObject(const AnsiString& s, TObject* object);
    void Append(const AnsiString& s) { Add(s); }
    virtual void AddStrings(TStrings* strings);
    virtual void Insert(int index, const AnsiString& s) = 0;
    void InsertObject(int index, const AnsiString& s, TObject* object);
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual void Exchange(int index1, int index2);
    virtual void Move(int curIndex, int newIndex);
    virtual int IndexOf(const AnsiString& s) const;
    // Index of the first "Name=Value" entry whose name matches; -1 when none. Values and
    // SetValues search through it, so a descendant's lookup rule applies to them too.
    virtual int IndexOfName(const AnsiString& name) const;
    int IndexOfObject(TObject* object) const;

    int Count() const { return GetCount(); }
    AnsiString Strings(int index) const { return Get(index); }
    void SetStrings(int index, const AnsiString& s) { Put(index, s); }
    AnsiString operator[](int index) const { return Get(index); }
    TObject* Objects(int index) const { return GetObject(index); }
    void SetObjects(int index, TObject* object) { PutObject(index, object); }

    // Name and value of "Name=Value" entries (split at the first NameValueSeparator).
    AnsiString Names(int index) const;
    AnsiString Values(const AnsiString& name) const;
    // An empty value deletes the entry; a new name is appended.
    void SetValues(const AnsiString& name, const AnsiString& value);
    AnsiString ValueFromIndex(int index) const;
    void SetValueFromIndex(int index, const AnsiString& value);

    // Every string followed by CR LF.
    virtual AnsiString Text() const;
    // Replaces the content by the lines of text: a line ends at CR LF, CR or LF; a break at the
    // very end does not start another line.
    virtual void SetText(std::string_view text);
    // Items separated by Delimiter; items holding blanks, the delimiter or QuoteChar are quoted.
    AnsiString DelimitedText() const;
    void SetDelimitedText(std::string_view text);
    AnsiString CommaText() const;
    void SetCommaText(std::string_view text);
    char Delimiter = ',';
    char QuoteChar = '"';
    char NameValueSeparator = '=';

    // Changes between BeginUpdate and the matching EndUpdate report OnChange once at the end.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    // ANSI text as it is stored; see SetText for the line breaks.
    virtual void LoadFromFile(const AnsiString& fileName);
    virtual void SaveToFile(const AnsiString& fileName);
    virtual void LoadFromStream(TStream* stream);
    virtual void SaveToStream(TStream* stream);

    void Assign(TPersistent* source) override;
    // Case rule of this list (<0, 0, >0); TStringList follows CaseSensitive.
    virtual int CompareStrings(const AnsiString& s1, const AnsiString& s2) const;

protected:
    virtual AnsiString Get(int index) const = 0;
    virtual void Put(int index, const AnsiString& s);
    virtual TObject* GetObject(int index) const {
        (void)index;
        return nullptr;
    }
    virtual void PutObject(int index, TObject* object) {
        (void)index;
        (void)object;
    }
    virtual int GetCount() const = 0;
    // Called with true by the outer BeginUpdate and false by the outer EndUpdate.
    virtual void SetUpdateState(bool updating) { (void)updating; }
    [[noreturn]] static void Error(const char* fmt, int data);

private:
    int updateCount_ = 0;
};

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* list, int index1, int index2)>;

class TStringList : public TStrings {
public:
    VZ_CLASS(TStringList, TStrings)
    TStringList() = default;
    ~TStringList() override;

    // In a sorted list Add puts s in its place and applies Duplicates; an unsorted list appends.
    int Add(const AnsiString& s) override;
    int AddObject(const AnsiString& s, TObject* object) override;
    // EListError "Operation not allowed on sorted list" when Sorted.
    void Insert(int index, const AnsiString& s) override;
    void Delete(int index) override;
    void Clear() override;
    void Exchange(int index1, int index2) override;
    int IndexOf(const AnsiString& s) const override;
    // Binary search of a sorted list: true when found; index is where s is or would go
    // (the first of equal strings).
    virtual bool Find(const AnsiString& s, int& index) const;
    virtual void Sort();
    // Stable sort; compare receives indexes into the list as it was before sorting.
    virtual void CustomSort(const TStringListSortCompare& compare);

    // The string in place, for readers that must not copy (searches over long lists).
    const AnsiString& StringRef(int index) const;
    bool Sorted() const { return sorted_; }
    void SetSorted(bool value);
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool value);
    // dupError raises EListError "String list does not allow duplicates". Only sorted lists
    // look for duplicates.
    TDuplicates Duplicates = dupIgnore;

    int CompareStrings(const AnsiString& s1, const AnsiString& s2) const override;

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    AnsiString Get(int index) const override;
    void Put(int index, const AnsiString& s) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* object) override;
    int GetCount() const override { return static_cast<int>(items_.size()); }
    void SetUpdateState(bool updating) override;
    virtual void Changed();
    virtual void Changing();
    // Every string that enters the list (Add, AddObject, Insert, SetText) passes here.
    virtual void InsertItem(int index, const AnsiString& s, TObject* object);

private:
    struct Item {
        AnsiString string;
        TObject* object;
    };
    void CheckIndex(int index) const;

    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
};
