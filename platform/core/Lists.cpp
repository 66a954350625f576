#include "platform/core/Lists.h"

#include <algorithm>

TList::~TList() {
    // Descendants that react to Notify clear themselves in their own destructors.
}

void TList::Error(const char* fmt, int data) {
    throw EListError(Format(fmt, {data}));
}

void TList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
}

int TList::Add(void* item) {
    items_.push_back(item);
    if (item) Notify(item, lnAdded);
    return Count() - 1;
}

void TList::Insert(int index, void* item) {
    if (index < 0 || index > Count()) Error("List index out of bounds (%d)", index);
    items_.insert(items_.begin() + index, item);
    if (item) Notify(item, lnAdded);
}

void TList::Delete(int index) {
    CheckIndex(index);
    void* item = items_[static_cast<size_t>(index)];
    items_.erase(items_.begin() + index);
    if (item) Notify(item, lnDeleted);
}

int TList::Remove(void* item) {
    int i = IndexOf(item);
    if (i >= 0) Delete(i);
    return i;
}

void* TList::Extract(void* item) {
    int i = IndexOf(item);
    if (i < 0) return nullptr;
    items_.erase(items_.begin() + i);
    if (item) Notify(item, lnExtracted);
    return item;
}

int TList::IndexOf(void* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Clear() {
    // Take items out one by one from the end so that Notify sees a consistent list.
    while (!items_.empty())
        Delete(Count() - 1);
    items_.shrink_to_fit();
}

void TList::Exchange(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
}

void TList::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    void* item = items_[static_cast<size_t>(curIndex)];
    items_.erase(items_.begin() + curIndex);
    items_.insert(items_.begin() + newIndex, item);
}

void TList::Pack() {
    std::erase(items_, nullptr);
}

void TList::Sort(const TListSortCompare& compare) {
    std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

void* TList::First() const {
    return Items(0);
}
void* TList::Last() const {
    return Items(Count() - 1);
}

void TList::SetCount(int count) {
    if (count < 0) Error("List count out of bounds (%d)", count);
    while (Count() > count)
        Delete(Count() - 1);
    items_.resize(static_cast<size_t>(count), nullptr);
}

void TList::SetCapacity(int capacity) {
    if (capacity < Count()) Error("List capacity out of bounds (%d)", capacity);
    items_.reserve(static_cast<size_t>(capacity));
}

void* TList::Items(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)];
}

void TList::SetItems(int index, void* item) {
    CheckIndex(index);
    void* old = items_[static_cast<size_t>(index)];
    if (old == item) return;
    items_[static_cast<size_t>(index)] = item;
    if (old) Notify(old, lnDeleted);
    if (item) Notify(item, lnAdded);
}

void TList::Notify(void*, TListNotification) {}

TObjectList::~TObjectList() {
    Clear();
}

void TObjectList::Notify(void* item, TListNotification action) {
    if (ownsObjects_ && action == lnDeleted) delete static_cast<TObject*>(item);
}

void TThreadList::Add(void* item) {
    std::lock_guard guard(lock_);
    if (Duplicates == dupAccept || list_.IndexOf(item) < 0)
        list_.Add(item);
    else if (Duplicates == dupError)
        throw EListError("Duplicate item in list");
}

void TThreadList::Remove(void* item) {
    std::lock_guard guard(lock_);
    list_.Remove(item);
}

void TThreadList::Clear() {
    std::lock_guard guard(lock_);
    list_.Clear();
}

TList* TThreadList::LockList() {
    lock_.lock();
    return &list_;
}

void TThreadList::UnlockList() {
    lock_.unlock();
}
