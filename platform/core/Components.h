#pragma once
// Components: named objects in an ownership tree. A component frees the components it owns
// when it goes, and tells its owner and its free-notification subscribers before it goes.
#include <vector>

#include "platform/core/Persistent.h"

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag : unsigned {
    csLoading = 0x001,
    csReading = 0x002,
    csWriting = 0x004,
    csDestroying = 0x008,
    csDesigning = 0x010,
    csAncestor = 0x020,
    csUpdating = 0x040,
    csFixups = 0x080,
    csFreeNotification = 0x100,
    csInline = 0x200,
};
using TComponentState = unsigned; // a set of TComponentStateFlag

class TReader;

class TComponent : public TPersistent {
public:
    VZ_CLASS(TComponent, TPersistent)
    // With an owner the owner frees this component; without one the creator owns it.
    explicit TComponent(TComponent* owner);
    // A descendant's destructor body runs first, while its owned components are still there;
    // then the subscribers are told (last first), the owned components go (last first, each
    // announced to the rest before it goes), and the owner is told. Once its destructor has begun
    // a component's own overrides are no longer reached.
    ~TComponent() override;

    TComponent* Owner() const { return owner_; }
    TPersistent* GetOwner() override { return owner_; }
    const AnsiString& Name() const { return name_; }
    // Empty or an identifier (letter or '_', then letters, digits, '_'), unique among the owner's
    // components ignoring case. Raises EComponentError "'<name>' is not a valid component name"
    // or "A component named <name> already exists".
    virtual void SetName(const AnsiString& newName);
    int Tag = 0;
    // Where a designer placed the component; stored, not used at run time.
    int32_t DesignInfo = 0;

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;
    // Position in the owner's Components, -1 without an owner.
    int ComponentIndex() const;
    // Owned component of that name (case-insensitive); nullptr when none or name is empty.
    TComponent* FindComponent(std::string_view name) const;

    // Takes component into this owner (out of its previous one) and tells everyone owned.
    void InsertComponent(TComponent* component);
    // Releases component without freeing it; the caller owns it afterwards.
    void RemoveComponent(TComponent* component);
    // Frees every owned component, last first.
    void DestroyComponents();

    // Asks to be told (Notification opRemove) when component goes, and tells it when this one goes.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);
    // Told when component is inserted into or removed from this owner, or when a component this
    // one subscribed to goes. The base forgets a removed subscriber and passes the news on to
    // every owned component.
    virtual void Notification(TComponent* component, TOperation operation);

    TComponentState ComponentState() const { return state_; }
    bool HasState(TComponentStateFlag flag) const { return (state_ & flag) != 0; }
    // Stored-form construction: marks the component as loading; Loaded ends it.
    void BeginLoading() { state_ |= csLoading | csReading; }
    // Called once the stored properties are set; the base clears csLoading.
    virtual void Loaded();
    // Reads the component's stored properties from reader (Filer.cpp).
    virtual void ReadState(TReader& reader);
    // Marks this component and all it owns as going. Called by the destructor; a descendant
    // calls it first in its own destructor when its code checks csDestroying.
    void Destroying();
    void SetDesigning(bool value, bool setChildren = true);

protected:
    // Refuses newName when another owned component has it.
    virtual void ValidateRename(TComponent* component, const AnsiString& curName, const AnsiString& newName);
    virtual void ChangeName(const AnsiString& newName) { name_ = newName; }

private:
    void InsertOwned(TComponent* component);
    void RemoveOwned(TComponent* component);
    void RemoveNotification(TComponent* component);

    TComponent* owner_ = nullptr;
    AnsiString name_;
    TComponentState state_ = 0;
    std::vector<TComponent*> components_;   // owned
    std::vector<TComponent*> freeNotifies_; // not owned
};

// True for "" and identifiers: a letter or '_', then letters, digits or '_'.
bool IsValidIdent(std::string_view ident);
