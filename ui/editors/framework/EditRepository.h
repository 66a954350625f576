#pragma once
// The editor repository: components that each hold one properties object, which any number of
// editors use through their RepositoryItem; the editors listen to the item.
#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Components.h"

class TcxCustomEditProperties;
class TcxEditRepository;
class TcxEditRepositoryItem;

// What an item tells the editors that use it (TcxCustomEdit implements it).
class IcxEditRepositoryItemListener {
public:
    // The item is going away: the editor's RepositoryItem becomes nil without asking the item
    // for anything more, and its own properties take over again.
    virtual void ItemRemoved(TcxEditRepositoryItem* sender) = 0;
    // The item's properties changed.
    virtual void PropertiesChanged(TcxEditRepositoryItem* sender) = 0;

protected:
    ~IcxEditRepositoryItemListener() = default;
};

class TcxEditRepositoryItem : public TComponent {
public:
    VZ_CLASS(TcxEditRepositoryItem, TComponent)
    explicit TcxEditRepositoryItem(TComponent* owner);
    // Tells every listener (last first), leaves its repository, frees its properties.
    ~TcxEditRepositoryItem() override;

    // Made from GetPropertiesClass on first use, owned by this item; their changes reach
    // PropertiesChanged.
    TcxCustomEditProperties* Properties();
    // Assigns into the properties.
    void SetProperties(TcxCustomEditProperties* value);
    TcxEditRepository* Repository() const { return repository_; }
    // Leaves the old repository's items and joins the new one's (once).
    void SetRepository(TcxEditRepository* value);
    TNotifyEvent PropertiesEvents; // stored, never called

    // Tells every listener, from the last to the first.
    virtual void PropertiesChanged();
    virtual void AddListener(IcxEditRepositoryItemListener* listener);
    virtual void RemoveListener(IcxEditRepositoryItemListener* listener);
    int ListenerCount() const { return static_cast<int>(listeners_.size()); }
    // The properties class of the item's editor.
    virtual TClass GetPropertiesClass() const;
    // The name proposed for new items: the repository's name and the part of the class name
    // after "TcxEditRepository".
    virtual AnsiString GetBaseName() const;

    // The repository is the item's parent in the stored form.
    TComponent* GetParentComponent() const;
    bool HasParent() const { return repository_ != nullptr; }
    // Ignored while loading; otherwise value must be a repository (EcxEditError else).
    void SetParentComponent(TComponent* value);

private:
    void HandlePropertiesChange(TObject*) { PropertiesChanged(); }

    std::unique_ptr<TcxCustomEditProperties> properties_;
    TcxEditRepository* repository_ = nullptr;
    std::vector<IcxEditRepositoryItemListener*> listeners_; // not owned
};

class TcxEditRepository : public TComponent {
public:
    VZ_CLASS(TcxEditRepository, TComponent)
    explicit TcxEditRepository(TComponent* owner) : TComponent(owner) {}
    // Frees every item, last first (also those another component owns).
    ~TcxEditRepository() override;

    // A new item of itemClass owned by the repository / by owner, in this repository.
    virtual TcxEditRepositoryItem* CreateItem(TClass itemClass);
    virtual TcxEditRepositoryItem* CreateItemEx(TClass itemClass, TComponent* owner);
    int Count() const { return static_cast<int>(items_.size()); }
    // EListError outside 0 .. Count - 1.
    TcxEditRepositoryItem* GetItem(int index) const;
    // The items whose owner is root, for writing the stored form.
    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const;

private:
    friend class TcxEditRepositoryItem;
    std::vector<TcxEditRepositoryItem*> items_; // not owned through this list
};
