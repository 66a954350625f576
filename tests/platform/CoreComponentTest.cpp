#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/core/Classes.h"

namespace {
std::vector<AnsiString> journal;

// Records what it is told and when it goes.
class TProbe : public TComponent {
public:
    VZ_CLASS(TProbe, TComponent)
    explicit TProbe(TComponent* owner, const char* name = "") : TComponent(owner) { SetName(name); }
    ~TProbe() override { journal.push_back("free " + Name()); }
    void Notification(TComponent* component, TOperation operation) override {
        journal.push_back(Name() + (operation == opInsert ? " insert " : " remove ") + component->Name());
        TComponent::Notification(component, operation);
    }
    void Loaded() override {
        wasLoading = HasState(csLoading);
        TComponent::Loaded();
    }
    bool wasLoading = false;
};
} // namespace

TEST(CoreComponent, OwnerFreesItsComponentsLastFirstAndTellsTheRest) {
    journal.clear();
    {
        auto owner = std::make_unique<TProbe>(nullptr, "Owner");
        new TProbe(owner.get(), "A");
        auto* b = new TProbe(owner.get(), "B");
        new TProbe(b, "B1");
        EXPECT_EQ(2, owner->ComponentCount());
        EXPECT_EQ(b, owner->Components(1));
        EXPECT_EQ(1, b->ComponentIndex());
        EXPECT_EQ(b, owner->FindComponent("b"));
        EXPECT_EQ(nullptr, owner->FindComponent("B1")); // only directly owned ones
        EXPECT_EQ(nullptr, owner->FindComponent(""));
        // Insertions were announced to the owner and passed on to the owned ones.
        EXPECT_EQ((std::vector<AnsiString>{"Owner insert ", "Owner insert ", "A insert ", "B insert "}),
                  journal);
        journal.clear();
    }
    // The owner's own destructor body first; then its components last-first, each taken out and
    // announced to the rest before it goes, with what it owns. Objects in their destructor no
    // longer reach their own overrides.
    EXPECT_EQ((std::vector<AnsiString>{"free Owner", "A remove B", "free B", "free B1", "free A"}), journal);
}

TEST(CoreComponent, DeletingAnOwnedComponentTakesItOutOfItsOwner) {
    journal.clear();
    TProbe owner(nullptr, "Owner");
    auto* a = new TProbe(&owner, "A");
    new TProbe(&owner, "B");
    journal.clear();
    delete a;
    EXPECT_EQ((std::vector<AnsiString>{"free A", "Owner remove A", "B remove A"}), journal);
    EXPECT_EQ(1, owner.ComponentCount());
    EXPECT_EQ(nullptr, owner.FindComponent("A"));

    // Moving a component to another owner.
    TProbe other(nullptr, "Other");
    TComponent* b = owner.Components(0);
    other.InsertComponent(b);
    EXPECT_EQ(0, owner.ComponentCount());
    EXPECT_EQ(&other, b->Owner());
    owner.InsertComponent(b);
    owner.RemoveComponent(b);
    EXPECT_EQ(nullptr, b->Owner());
    delete b;
}

TEST(CoreComponent, FreeNotificationTellsSubscribersBeforeTheComponentGoes) {
    journal.clear();
    TProbe formA(nullptr, "FormA");
    TProbe formB(nullptr, "FormB");
    auto* source = new TProbe(&formA, "Source");
    auto* link1 = new TProbe(&formB, "Link1");
    auto* link2 = new TProbe(&formB, "Link2");
    source->FreeNotification(link1);
    source->FreeNotification(link2);
    journal.clear();
    delete source;
    // Its destructor body, then the subscribers last-first, then the owner and its other components.
    EXPECT_EQ((std::vector<AnsiString>{"free Source", "Link2 remove Source", "Link1 remove Source",
                                       "FormA remove Source"}),
              journal);

    // The subscription runs both ways, and a removed one is not told.
    auto* source2 = new TProbe(&formA, "Source2");
    source2->FreeNotification(link1);
    source2->FreeNotification(link2);
    source2->RemoveFreeNotification(link2);
    journal.clear();
    delete link1;
    EXPECT_EQ((std::vector<AnsiString>{"free Link1", "Source2 remove Link1", "FormB remove Link1",
                                       "Link2 remove Link1"}),
              journal);
    journal.clear();
    delete source2;
    EXPECT_EQ((std::vector<AnsiString>{"free Source2", "FormA remove Source2"}), journal);
    EXPECT_EQ(link2, formB.FindComponent("Link2"));
}

TEST(CoreComponent, NamesAreValidatedAndUniqueWithinTheOwner) {
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    auto* b = new TComponent(&owner);
    a->SetName("Edit1");
    const struct {
        const char* name;
        const char* error;
    } cases[] = {
        {"edit1", "A component named edit1 already exists"},
        {"1Edit", "'1Edit' is not a valid component name"},
        {"Edit 2", "'Edit 2' is not a valid component name"},
        {"编辑", "'编辑' is not a valid component name"},
        {"_Edit2", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        try {
            b->SetName(c.name);
            EXPECT_EQ(nullptr, c.error) << c.name;
            EXPECT_EQ(c.name, b->Name());
        } catch (const EComponentError& e) {
            ASSERT_NE(nullptr, c.error) << c.name;
            EXPECT_EQ(c.error, e.Message());
        }
    }
    a->SetName("EDIT1"); // a case change of its own name
    EXPECT_EQ("EDIT1", a->Name());
    b->SetName("Dup");
    auto* c = new TComponent(nullptr);
    c->SetName("dup");
    EXPECT_THROW(owner.InsertComponent(c), EComponentError);
    EXPECT_EQ(nullptr, c->Owner());
    delete c;
}

TEST(CoreComponent, StatesForLoadingDesigningAndDestroying) {
    TProbe owner(nullptr, "Owner");
    auto* child = new TProbe(&owner, "Child");
    child->BeginLoading();
    EXPECT_TRUE(child->HasState(csLoading));
    child->Loaded();
    EXPECT_TRUE(child->wasLoading);
    EXPECT_FALSE(child->HasState(csLoading));

    owner.SetDesigning(true);
    EXPECT_TRUE(child->HasState(csDesigning));
    auto* late = new TComponent(&owner);
    EXPECT_TRUE(late->HasState(csDesigning)); // inherits the owner's design state

    struct TWatch : TComponent {
        using TComponent::TComponent;
        ~TWatch() override { destroyingSeen = HasState(csDestroying); }
        bool& destroyingSeen;
        TWatch(TComponent* o, bool& seen) : TComponent(o), destroyingSeen(seen) {}
    };
    bool seen = false;
    {
        TComponent parent(nullptr);
        new TWatch(&parent, seen);
    }
    EXPECT_TRUE(seen); // owned components are marked before any of them goes
}

TEST(CoreComponent, AssignFallsBackToTheSourcesAssignTo) {
    struct TTarget : TPersistent {
        VZ_CLASS(TTarget, TPersistent)
        int value = 0;
    };
    struct TSource : TPersistent {
        VZ_CLASS(TSource, TPersistent)
        void AssignTo(TPersistent* dest) override {
            if (auto* t = dynamic_cast<TTarget*>(dest))
                t->value = 7;
            else
                TPersistent::AssignTo(dest);
        }
    };
    TTarget target;
    TSource source;
    target.Assign(&source);
    EXPECT_EQ(7, target.value);
    try {
        source.Assign(&target);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ("Cannot assign a TTarget to a TSource", e.Message());
    }
}
