#include "ui/editors/framework/EditRepository.h"

#include <algorithm>
#include <string>

#include "ui/editors/framework/EditError.h"
#include "ui/editors/framework/EditProperties.h"

TcxEditRepositoryItem::TcxEditRepositoryItem(TComponent* owner) : TComponent(owner) {}

TcxEditRepositoryItem::~TcxEditRepositoryItem() {
    Destroying();
    // A listener may leave the list while it is told (or others with it): each round takes the
    // last one still there and drops it first, so nobody is told twice and nothing is skipped.
    while (!listeners_.empty()) {
        IcxEditRepositoryItemListener* listener = listeners_.back();
        listeners_.pop_back();
        listener->ItemRemoved(this);
    }
    SetRepository(nullptr);
    properties_.reset();
}

TcxCustomEditProperties* TcxEditRepositoryItem::Properties() {
    if (!properties_) {
        properties_ = TcxCustomEditProperties::Create(GetPropertiesClass(), this);
        properties_->ChangedHandler = [this](TObject* sender) { HandlePropertiesChange(sender); };
    }
    return properties_.get();
}

void TcxEditRepositoryItem::SetProperties(TcxCustomEditProperties* value) {
    Properties()->Assign(value);
}

TClass TcxEditRepositoryItem::GetPropertiesClass() const {
    return TcxCustomEditProperties::StaticClass();
}

void TcxEditRepositoryItem::PropertiesChanged() {
    // From the last to the first; a listener that leaves (or takes others with it) meanwhile is
    // not told again and those after it in the order are still told.
    std::vector<IcxEditRepositoryItemListener*> pending(listeners_.rbegin(), listeners_.rend());
    for (IcxEditRepositoryItemListener* listener : pending)
        if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end())
            listener->PropertiesChanged(this);
}

void TcxEditRepositoryItem::AddListener(IcxEditRepositoryItemListener* listener) {
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void TcxEditRepositoryItem::RemoveListener(IcxEditRepositoryItemListener* listener) {
    std::erase(listeners_, listener);
}

AnsiString TcxEditRepositoryItem::GetBaseName() const {
    static const AnsiString prefix = "TcxEditRepository";
    const AnsiString& className = ClassName();
    AnsiString suffix;
    size_t at = className.find(prefix);
    if (at != AnsiString::npos) suffix = className.substr(at + prefix.size());
    return (repository_ ? repository_->Name() : AnsiString()) + suffix;
}

void TcxEditRepositoryItem::SetRepository(TcxEditRepository* value) {
    if (repository_ == value) return;
    if (repository_) std::erase(repository_->items_, this);
    repository_ = value;
    if (value && std::find(value->items_.begin(), value->items_.end(), this) == value->items_.end())
        value->items_.push_back(this);
}

TComponent* TcxEditRepositoryItem::GetParentComponent() const {
    return repository_;
}

void TcxEditRepositoryItem::SetParentComponent(TComponent* value) {
    if (HasState(csLoading)) return;
    auto* repository = dynamic_cast<TcxEditRepository*>(value);
    if (value && !repository) throw EcxEditError(value->ClassName() + " is not a TcxEditRepository");
    SetRepository(repository);
}

// ---------------------------------------------------------------------------------------------
TcxEditRepository::~TcxEditRepository() {
    Destroying();
    while (!items_.empty())
        delete items_.back(); // each leaves the list as it goes
}

TcxEditRepositoryItem* TcxEditRepository::CreateItem(TClass itemClass) {
    return CreateItemEx(itemClass, this);
}

TcxEditRepositoryItem* TcxEditRepository::CreateItemEx(TClass itemClass, TComponent* owner) {
    if (!itemClass || !itemClass->InheritsFrom(TcxEditRepositoryItem::StaticClass()))
        throw EInvalidCast("Invalid class typecast");
    auto* item = static_cast<TcxEditRepositoryItem*>(itemClass->CreateInstance(owner));
    item->SetRepository(this);
    return item;
}

TcxEditRepositoryItem* TcxEditRepository::GetItem(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<size_t>(index)];
}

void TcxEditRepository::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const {
    for (TcxEditRepositoryItem* item : items_)
        if (item->Owner() == root) proc(item);
}
