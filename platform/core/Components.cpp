#include "platform/core/Components.h"

#include <algorithm>

bool IsValidIdent(std::string_view ident) {
    auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (ident.empty()) return true;
    if (!alpha(ident[0])) return false;
    return std::all_of(ident.begin() + 1, ident.end(),
                       [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    // Subscribers first: each forgets this component before it goes.
    while (!freeNotifies_.empty()) {
        TComponent* subscriber = freeNotifies_.back();
        freeNotifies_.pop_back();
        subscriber->RemoveNotification(this);
        subscriber->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw EListError(Format("List index out of bounds (%d)", {index}));
    return components_[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
    if (!owner_) return -1;
    auto& list = owner_->components_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : components_)
        if (SameText(c->name_, name)) return c;
    return nullptr;
}

void TComponent::SetName(const AnsiString& newName) {
    if (name_ == newName) return;
    if (!IsValidIdent(newName))
        throw EComponentError(Format("'%s' is not a valid component name", {newName}));
    if (owner_)
        owner_->ValidateRename(this, name_, newName);
    else
        ValidateRename(nullptr, name_, newName);
    ChangeName(newName);
}

void TComponent::ValidateRename(TComponent* component, const AnsiString& curName, const AnsiString& newName) {
    if (component && !newName.empty() && !SameText(curName, newName)) {
        TComponent* other = FindComponent(newName);
        if (other && other != component)
            throw EComponentError(Format("A component named %s already exists", {newName}));
    }
}

void TComponent::InsertComponent(TComponent* component) {
    if (!component || component->owner_ == this) return;
    ValidateRename(component, AnsiString(), component->name_);
    if (component->owner_) component->owner_->RemoveComponent(component);
    InsertOwned(component);
    if (HasState(csDesigning)) component->SetDesigning(true);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (!component || component->owner_ != this) return;
    Notification(component, opRemove);
    RemoveOwned(component);
}

void TComponent::InsertOwned(TComponent* component) {
    components_.push_back(component);
    component->owner_ = this;
}

void TComponent::RemoveOwned(TComponent* component) {
    std::erase(components_, component);
    component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* c = components_.back();
        // Taken out (and everyone told) before it goes, so nobody reaches a half-destroyed one.
        RemoveComponent(c);
        delete c;
    }
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this) return;
    // Components of one owner already hear of each other through the owner.
    if (!owner_ || component->owner_ != owner_) {
        if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
            freeNotifies_.push_back(component);
            component->FreeNotification(this);
        }
    }
    state_ |= csFreeNotification;
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component) return;
    RemoveNotification(component);
    component->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* component) {
    std::erase(freeNotifies_, component);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component) RemoveFreeNotification(component);
    // Pass it on; an owned component may go while it is told, so walk by index from the end.
    for (int i = ComponentCount() - 1; i >= 0; --i) {
        if (i >= ComponentCount()) continue;
        TComponent* c = components_[static_cast<size_t>(i)];
        if (c != component) c->Notification(component, operation);
    }
}

void TComponent::Loaded() {
    state_ &= ~static_cast<TComponentState>(csLoading | csReading);
}

void TComponent::Destroying() {
    if (state_ & csDestroying) return;
    state_ |= csDestroying;
    for (TComponent* c : components_)
        c->Destroying();
}

void TComponent::SetDesigning(bool value, bool setChildren) {
    if (value)
        state_ |= csDesigning;
    else
        state_ &= ~static_cast<TComponentState>(csDesigning);
    if (setChildren)
        for (TComponent* c : components_)
            c->SetDesigning(value, true);
}
