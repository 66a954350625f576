#pragma once
// Pointer lists. TList holds untyped pointers and owns nothing; TObjectList may own its objects;
// TThreadList guards a TList with a lock.
#include <functional>
#include <mutex>
#include <vector>

#include "platform/core/ObjectModel.h"

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
// What a list that refuses duplicates does with one.
enum TDuplicates { dupIgnore, dupAccept, dupError };
using TListSortCompare = std::function<int(void* item1, void* item2)>;

class TList : public TObject {
public:
    VZ_CLASS(TList, TObject)
    TList() = default;
    ~TList() override;

    int Add(void* item);
    void Insert(int index, void* item);
    void Delete(int index);
    // Index the item had, or -1 when absent.
    int Remove(void* item);
    // Takes the item out without lnDeleted (lnExtracted instead); nullptr when absent.
    void* Extract(void* item);
    int IndexOf(void* item) const;
    virtual void Clear();
    void Exchange(int index1, int index2);
    void Move(int curIndex, int newIndex);
    // Removes nil entries.
    void Pack();
    // Stable sort by compare (<0, 0, >0).
    void Sort(const TListSortCompare& compare);
    void* First() const;
    void* Last() const;

    int Count() const { return static_cast<int>(items_.size()); }
    void SetCount(int count);
    int Capacity() const { return static_cast<int>(items_.capacity()); }
    void SetCapacity(int capacity);
    // Raise EListError "List index out of bounds (<index>)".
    void* Items(int index) const;
    void SetItems(int index, void* item);
    void* operator[](int index) const { return Items(index); }
    // Contiguous storage, valid until the list changes.
    void* const* List() const { return items_.data(); }

protected:
    // Told of every item put in or taken out (not called for nil items).
    virtual void Notify(void* item, TListNotification action);
    [[noreturn]] static void Error(const char* fmt, int data);
    void CheckIndex(int index) const;

private:
    std::vector<void*> items_;
};

// A list of objects that frees the objects it holds when OwnsObjects (the default).
class TObjectList : public TList {
public:
    VZ_CLASS(TObjectList, TList)
    TObjectList() = default;
    explicit TObjectList(bool ownsObjects) : ownsObjects_(ownsObjects) {}
    ~TObjectList() override;

    int Add(TObject* object) { return TList::Add(object); }
    void Insert(int index, TObject* object) { TList::Insert(index, object); }
    int Remove(TObject* object) { return TList::Remove(object); }
    TObject* Extract(TObject* object) { return static_cast<TObject*>(TList::Extract(object)); }
    int IndexOf(TObject* object) const { return TList::IndexOf(object); }
    TObject* Items(int index) const { return static_cast<TObject*>(TList::Items(index)); }
    void SetItems(int index, TObject* object) { TList::SetItems(index, object); }
    TObject* operator[](int index) const { return Items(index); }

    bool OwnsObjects() const { return ownsObjects_; }
    void SetOwnsObjects(bool value) { ownsObjects_ = value; }

protected:
    void Notify(void* item, TListNotification action) override;

private:
    bool ownsObjects_ = true;
};

// A TList reached only between LockList and UnlockList.
class TThreadList : public TObject {
public:
    VZ_CLASS(TThreadList, TObject)
    void Add(void* item);
    void Remove(void* item);
    void Clear();
    TList* LockList();
    void UnlockList();
    // Add with dupError raises EListError "Duplicate item in list".
    TDuplicates Duplicates = dupIgnore;

private:
    std::recursive_mutex lock_;
    TList list_;
};
