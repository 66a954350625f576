#pragma once
// Collections: ordered lists of items of one class that the collection creates and owns, each
// knowing its place and telling the collection when it changes.
#include <vector>

#include "platform/core/Persistent.h"

class TCollection;

class TCollectionItem : public TPersistent {
public:
    VZ_CLASS(TCollectionItem, TPersistent)
    TCollectionItem() = default;
    // Joins collection (when given) at its end.
    explicit TCollectionItem(TCollection* collection);
    // Leaves its collection.
    ~TCollectionItem() override;

    TCollection* Collection() const { return collection_; }
    // Moves the item from its collection into another (nullptr: into none).
    virtual void SetCollection(TCollection* value);
    int Index() const;
    // Moves the item to another position of its collection.
    virtual void SetIndex(int value);
    // Unique number within the collection, given when the item joins.
    int ID() const { return id_; }
    // The class name unless a descendant names the item.
    virtual AnsiString GetDisplayName() const { return ClassName(); }
    AnsiString DisplayName() const { return GetDisplayName(); }
    TPersistent* GetOwner() override;

protected:
    // Tells the collection of a change of this item (allItems: of the whole collection).
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
    int id_ = 0;
};

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
public:
    VZ_CLASS(TCollection, TPersistent)
    // itemClass must descend from TCollectionItem.
    explicit TCollection(TClass itemClass);
    // Frees every item.
    ~TCollection() override;

    TClass ItemClass() const { return itemClass_; }
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises EListError "List index out of bounds (<index>)".
    TCollectionItem* Items(int index) const;
    TCollectionItem* operator[](int index) const { return Items(index); }

    // A new item of the item class at the end / at index.
    TCollectionItem* Add();
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    TCollectionItem* FindItemID(int id) const;
    // Item and items' Update calls are held back until the outermost EndUpdate, which runs one.
    virtual void BeginUpdate();
    virtual void EndUpdate();
    int UpdateCount() const { return updateCount_; }
    // From another collection: the same number of items, each assigned from its counterpart.
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() override { return nullptr; }

protected:
    // Told of a change of item (nullptr: of the whole collection) outside update blocks.
    virtual void Update(TCollectionItem* item);
    virtual void Notify(TCollectionItem* item, TCollectionNotification action);
    // Runs Update(nullptr) unless updates are held back.
    void Changed();
    // Position changes and membership go through these.
    virtual void InsertItem(TCollectionItem* item);
    virtual void RemoveItem(TCollectionItem* item);

private:
    friend class TCollectionItem;
    TClass itemClass_;
    std::vector<TCollectionItem*> items_; // owned
    int updateCount_ = 0;
    int nextId_ = 0;
};

// A collection that names its owner.
class TOwnedCollection : public TCollection {
public:
    VZ_CLASS(TOwnedCollection, TCollection)
    TOwnedCollection(TPersistent* owner, TClass itemClass) : TCollection(itemClass), owner_(owner) {}
    TPersistent* GetOwner() override { return owner_; }

private:
    TPersistent* owner_;
};
