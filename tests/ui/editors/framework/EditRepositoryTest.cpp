#include <gtest/gtest.h>

#include "TestEditSide.h"
#include "ui/editors/framework/EditError.h"

namespace {
class TcxEditRepositoryTextItem : public TcxEditRepositoryItem {
public:
    VZ_CLASS(TcxEditRepositoryTextItem, TcxEditRepositoryItem)
    using TcxEditRepositoryItem::TcxEditRepositoryItem;
};

class TPlainItem : public TcxEditRepositoryItem {
public:
    VZ_CLASS(TPlainItem, TcxEditRepositoryItem)
    using TcxEditRepositoryItem::TcxEditRepositoryItem;
};

class TWideProperties : public TcxCustomEditProperties {
public:
    VZ_CLASS(TWideProperties, TcxCustomEditProperties)
    using TcxCustomEditProperties::TcxCustomEditProperties;
};

class TWideItem : public TcxEditRepositoryItem {
public:
    VZ_CLASS(TWideItem, TcxEditRepositoryItem)
    using TcxEditRepositoryItem::TcxEditRepositoryItem;
    TClass GetPropertiesClass() const override { return TWideProperties::StaticClass(); }
};

// Logs what reached it; may leave the item (and take another listener with it) when told.
class TLoggingListener : public IcxEditRepositoryItemListener {
public:
    TLoggingListener(std::vector<std::string>& log, const char* name) : log_(log), name_(name) {}
    void ItemRemoved(TcxEditRepositoryItem*) override { log_.push_back(std::string("gone ") + name_); }
    void PropertiesChanged(TcxEditRepositoryItem* sender) override {
        log_.push_back(std::string("changed ") + name_);
        if (leaveWith) {
            sender->RemoveListener(this);
            sender->RemoveListener(leaveWith);
        }
    }
    IcxEditRepositoryItemListener* leaveWith = nullptr;

private:
    std::vector<std::string>& log_;
    const char* name_;
};
} // namespace

TEST(EditRepository, ItemsJoinLeaveAndGoWithTheRepository) {
    TComponent form(nullptr);
    auto repository = std::make_unique<TcxEditRepository>(&form);
    TcxEditRepositoryItem* own = repository->CreateItem(TcxEditRepositoryItem::StaticClass());
    TcxEditRepositoryItem* formOwned = repository->CreateItemEx(TPlainItem::StaticClass(), &form);
    ASSERT_EQ(repository->Count(), 2);
    EXPECT_EQ(repository->GetItem(0), own);
    EXPECT_EQ(own->Owner(), repository.get());
    EXPECT_EQ(formOwned->Owner(), &form);
    EXPECT_TRUE(formOwned->HasParent());
    EXPECT_EQ(formOwned->GetParentComponent(), repository.get());
    EXPECT_THROW(repository->GetItem(2), EListError);

    std::vector<TComponent*> children;
    repository->GetChildren([&](TComponent* child) { children.push_back(child); }, &form);
    EXPECT_EQ(children, std::vector<TComponent*>{formOwned});

    // Moving an item: out of the old repository, into the new one once.
    TcxEditRepository second(nullptr);
    formOwned->SetRepository(&second);
    formOwned->SetRepository(&second);
    EXPECT_EQ(repository->Count(), 1);
    EXPECT_EQ(second.Count(), 1);
    formOwned->SetParentComponent(repository.get());
    EXPECT_EQ(second.Count(), 0);

    // A parent that is not a repository is refused; while loading the parent is left alone.
    EXPECT_THROW(formOwned->SetParentComponent(&form), EcxEditError);
    EXPECT_EQ(formOwned->Repository(), repository.get());
    formOwned->BeginLoading();
    formOwned->SetParentComponent(&second);
    EXPECT_EQ(formOwned->Repository(), repository.get());
    formOwned->Loaded();

    // The repository frees every item, also the one the form owns.
    int formComponents = form.ComponentCount();
    repository.reset();
    EXPECT_EQ(form.ComponentCount(), formComponents - 2);
}

TEST(EditRepository, BaseNameIsTheRepositoryNameAndTheClassSuffix) {
    TcxEditRepository repository(nullptr);
    repository.SetName("R");
    const std::pair<TClass, const char*> cases[] = {
        {TcxEditRepositoryTextItem::StaticClass(), "RTextItem"},
        {TPlainItem::StaticClass(), "R"},
        {TcxEditRepositoryItem::StaticClass(), "RItem"},
    };
    for (const auto& [itemClass, expected] : cases)
        EXPECT_EQ(repository.CreateItem(itemClass)->GetBaseName(), expected) << itemClass->ClassName();
    TcxEditRepositoryTextItem alone(nullptr);
    EXPECT_EQ(alone.GetBaseName(), "TextItem");
}

TEST(EditRepository, ItemPropertiesComeFromTheItemsClassAndTellListenersLastFirst) {
    TWideItem item(nullptr);
    EXPECT_EQ(item.Properties()->ClassType(), TWideProperties::StaticClass());
    EXPECT_EQ(item.Properties()->Owner, &item);

    std::vector<std::string> log;
    TLoggingListener a(log, "a"), b(log, "b"), c(log, "c");
    item.AddListener(&a);
    item.AddListener(&b);
    item.AddListener(&b);
    item.AddListener(&c);
    EXPECT_EQ(item.ListenerCount(), 3);
    item.Properties()->SetReadOnly(true);
    EXPECT_EQ(log, (std::vector<std::string>{"changed c", "changed b", "changed a"}));

    // A listener that leaves while told, taking the next one with it: nobody is told twice and
    // the one that left early is skipped.
    log.clear();
    c.leaveWith = &b;
    item.Properties()->SetAutoSelect(false);
    EXPECT_EQ(log, (std::vector<std::string>{"changed c", "changed a"}));
    EXPECT_EQ(item.ListenerCount(), 1);

    // Assigned properties reach the listeners once.
    log.clear();
    TcxCustomEditProperties source;
    source.SetMaxValue(4);
    item.SetProperties(&source);
    EXPECT_EQ(item.Properties()->MaxValue(), 4.0);
    EXPECT_EQ(log, std::vector<std::string>{"changed a"});
}

TEST(EditRepository, AGoingItemTellsEveryListenerAndChangesNoMore) {
    std::vector<std::string> log;
    TLoggingListener a(log, "a"), b(log, "b");
    auto item = std::make_unique<TcxEditRepositoryItem>(nullptr);
    item->AddListener(&a);
    item->AddListener(&b);
    item.reset();
    EXPECT_EQ(log, (std::vector<std::string>{"gone b", "gone a"}));
}

TEST(EditRepository, AfterAFreedItemOwnPropertyChangesReachTheEditor) {
    TcxEditRepository repository(nullptr);
    TcxEditRepositoryItem* item = repository.CreateItem(TWideItem::StaticClass());
    TTestEditSide edit, other;
    TcxCustomEditProperties* own = edit.OwnProperties();
    IcxEditDefaultValuesProvider* provider = edit.Binding()->QueryDefaultValuesProvider();
    ASSERT_EQ(own->DefaultValuesProvider(), provider);

    edit.SetRepositoryItem(item);
    other.SetRepositoryItem(item);
    EXPECT_EQ(edit.applied.back(), item->Properties());
    // While the item serves, the own properties are dormant and the item's reach both editors.
    EXPECT_EQ(own->DefaultValuesProvider(), nullptr);
    edit.applied.clear();
    own->SetAutoSelect(false);
    EXPECT_TRUE(edit.applied.empty());
    EXPECT_EQ(edit.EffectiveProperties(), item->Properties());
    item->Properties()->SetReadOnly(true);
    EXPECT_EQ(edit.applied, std::vector<TObject*>{item->Properties()});
    EXPECT_EQ(other.applied.back(), item->Properties());

    delete item;
    EXPECT_EQ(edit.RepositoryItem(), nullptr);
    EXPECT_EQ(repository.Count(), 0);
    EXPECT_EQ(own->DefaultValuesProvider(), provider);
    EXPECT_EQ(edit.EffectiveProperties(), own);
    edit.applied.clear();
    own->SetReadOnly(true);
    EXPECT_EQ(edit.applied, std::vector<TObject*>{own});
    EXPECT_TRUE(own->ReadOnly());
}

TEST(EditRepository, AFreedBindingProviderLeavesTheSharedItemProperties) {
    TcxEditRepositoryItem item(nullptr);
    auto edit = std::make_unique<TTestEditSide>();
    edit->SetRepositoryItem(&item);
    // Asking for the effective properties hands this editor's provider to the shared ones.
    edit->EffectiveProperties();
    ASSERT_NE(item.Properties()->DefaultValuesProvider(), nullptr);
    edit.reset();
    EXPECT_EQ(item.Properties()->DefaultValuesProvider(), nullptr);
    EXPECT_EQ(item.ListenerCount(), 0);
    EXPECT_FALSE(item.Properties()->ReadOnly());
}
