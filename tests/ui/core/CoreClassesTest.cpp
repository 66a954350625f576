#include <gtest/gtest.h>

#include "ui/core/CoreClasses.h"

namespace {
class TX : public TObject {
public:
    VZ_CLASS(TX, TObject)
};
class TY : public TX {
public:
    VZ_CLASS(TY, TX)
};
class TZ : public TY {
public:
    VZ_CLASS(TZ, TY)
};
class TOther : public TObject {
public:
    VZ_CLASS(TOther, TObject)
};

std::vector<TClass> Order(const TcxRegisteredClassList& list) {
    std::vector<TClass> result;
    for (int i = 0; i < list.ItemCount(); ++i)
        result.push_back(list.ItemAt(i)->ItemClass);
    return result;
}

AnsiString readError = "Stream read error";
AnsiString writeError = "Stream write error";
int fills = 0;

void FillStrings(TdxProductResourceStrings* product) {
    ++fills;
    product->AddResString("cxSDataReadError", &readError);
    product->AddResString("cxSDataWriteError", &writeError);
}
} // namespace

TEST(ResourceStrings, GroupsAreFilledAtOnceAndRemovedByExactName) {
    TdxResourceStringsRepository* repository = GetResourceStringsRepository();
    EXPECT_EQ(GetResourceStringsRepository(), repository);
    fills = 0;
    repository->AddProduct("cxExtEdit", FillStrings);
    repository->AddProduct("Library", nullptr);
    EXPECT_EQ(fills, 1);
    ASSERT_EQ(repository->Count(), 2);

    TdxProductResourceStrings* group = repository->Items(repository->IndexOfProduct("cxExtEdit"));
    ASSERT_EQ(group->ResStringNames().Count(), 2);
    EXPECT_EQ(group->ResStringNames().Strings(0), "cxSDataReadError");
    EXPECT_EQ(GetResourceStringText(group->ResStringAddress(0)), "Stream read error");
    EXPECT_EQ(group->ResStringAddress(1), &writeError);

    repository->RemoveProduct("CXEXTEDIT"); // case differs: nothing removed
    EXPECT_EQ(repository->Count(), 2);
    repository->RemoveProduct("absent");
    repository->RemoveProduct("cxExtEdit");
    EXPECT_EQ(repository->Count(), 1);
    EXPECT_EQ(repository->IndexOfProduct("cxExtEdit"), -1);
    EXPECT_EQ(repository->IndexOfProduct("Library"), 0);

    CoreClassesFinalize(); // the unit end frees the repository; the next use makes a new one
    EXPECT_EQ(GetResourceStringsRepository()->Count(), 0);
    CoreClassesFinalize();
}

TEST(RegisteredClassList, ClassesComeAfterTheirRegisteredAncestors) {
    struct Case {
        std::vector<TClass> registered;
        std::vector<TClass> expected;
    } cases[] = {
        {{TX::StaticClass(), TZ::StaticClass(), TY::StaticClass()},
         {TX::StaticClass(), TY::StaticClass(), TZ::StaticClass()}},
        {{TZ::StaticClass(), TY::StaticClass()}, {TY::StaticClass(), TZ::StaticClass()}},
        {{TZ::StaticClass(), TOther::StaticClass(), TX::StaticClass()},
         {TX::StaticClass(), TZ::StaticClass(), TOther::StaticClass()}},
        {{TY::StaticClass(), TY::StaticClass()}, {TY::StaticClass(), TY::StaticClass()}}, // duplicates stay
    };
    for (const Case& c : cases) {
        TcxRegisteredClassList list;
        for (TClass aClass : c.registered)
            list.Register(aClass, TOther::StaticClass());
        EXPECT_EQ(Order(list), c.expected);
    }
}

TEST(RegisteredClassList, FindAncestorEntryAndUnregister) {
    TcxRegisteredClassList list;
    list.Register(TX::StaticClass(), TOther::StaticClass());
    list.Register(TY::StaticClass(), TOther::StaticClass());
    list.Register(TY::StaticClass(), TX::StaticClass());

    int index = -1;
    EXPECT_TRUE(list.FindAncestorEntry(TZ::StaticClass(), index));
    EXPECT_EQ(index, 2); // the most specific, found from the end
    index = -1;
    EXPECT_FALSE(list.FindAncestorEntry(TOther::StaticClass(), index));
    EXPECT_EQ(index, -1);

    list.Unregister(TY::StaticClass(), TOther::StaticClass());
    ASSERT_EQ(list.ItemCount(), 2);
    EXPECT_EQ(list.ItemAt(1)->RegisteredClass, TX::StaticClass());
    list.Unregister(TZ::StaticClass(), TX::StaticClass()); // absent pair: nothing
    EXPECT_EQ(list.ItemCount(), 2);
    list.Clear();
    EXPECT_EQ(list.ItemCount(), 0);
}

TEST(RegisteredClasses, DescriptionsSortByTheirVisiblePart) {
    TcxRegisteredClasses classes;
    classes.Register(TX::StaticClass(), "B|a hidden part");
    classes.Register(TY::StaticClass(), "a|z");
    classes.Register(TX::StaticClass(), "first description wins");
    ASSERT_EQ(classes.Count(), 2);
    EXPECT_EQ(classes.GetDescription(0), "B");
    EXPECT_EQ(classes.Items(0), TX::StaticClass());

    classes.EnableSorting(true);
    EXPECT_EQ(classes.Items(0), TY::StaticClass());
    EXPECT_EQ(classes.Items(1), TX::StaticClass());
    classes.Register(TZ::StaticClass(), "A0"); // kept sorted while sorting is on
    EXPECT_EQ(classes.Items(1), TZ::StaticClass());
    EXPECT_EQ(classes.IndexOfClass(TX::StaticClass()), 2);

    classes.Unregister(TZ::StaticClass());
    classes.Unregister(TOther::StaticClass());
    EXPECT_EQ(classes.Count(), 2);
}

TEST(RegisteredClasses, CanRegisterWithTheStoredFormReaders) {
    TcxRegisteredClasses classes(true);
    classes.Register(TOther::StaticClass(), "other");
    EXPECT_EQ(GetClass("TOther"), TOther::StaticClass());
    UnRegisterClass(TOther::StaticClass());
}

TEST(ObjectLinks, LinksReadNilAfterTheirObjectGoesAndTheControllerLivesWithThem) {
    EXPECT_EQ(GetObjectLinkController(), nullptr);
    EXPECT_EQ(CreateObjectLink(nullptr), nullptr);
    EXPECT_EQ(GetObjectLinkController(), nullptr);

    auto object = std::make_unique<TX>();
    TcxObjectLink* a = CreateObjectLink(object.get());
    TcxObjectLink* b = CreateObjectLink(object.get());
    TX other;
    TcxObjectLink* c = CreateObjectLink(&other);
    ASSERT_NE(GetObjectLinkController(), nullptr);
    EXPECT_EQ(GetObjectLinkController()->Links.Count(), 3);

    ResetObjectLinks(object.get());
    object.reset();
    EXPECT_EQ(a->Ref, nullptr);
    EXPECT_EQ(b->Ref, nullptr);
    EXPECT_EQ(c->Ref, &other);
    EXPECT_EQ(GetObjectLinkController()->Links.Count(), 1);

    FreeObjectLink(a); // already out of the list: only the reference is released
    FreeObjectLink(c);
    EXPECT_EQ(GetObjectLinkController()->Links.Count(), 0);
    FreeObjectLink(b);
    EXPECT_EQ(GetObjectLinkController(), nullptr);
    FreeObjectLink(nullptr);

    TcxObjectLink* d = CreateObjectLink(&other);
    EXPECT_NE(GetObjectLinkController(), nullptr);
    FreeObjectLink(d);
    EXPECT_EQ(GetObjectLinkController(), nullptr);
}

TEST(ObjectLinks, ComponentClearsLinksToItselfWhenDestroyed) {
    auto component = std::make_unique<TcxComponent>(nullptr);
    TcxObjectLink* link = CreateObjectLink(component.get());
    component.reset();
    EXPECT_EQ(link->Ref, nullptr);
    FreeObjectLink(link);
    EXPECT_EQ(GetObjectLinkController(), nullptr);
}

TEST(FreeNotificator, ReportsOnlyRemovals) {
    TcxFreeNotificator notificator(nullptr);
    std::vector<TComponent*> freed;
    notificator.OnFreeNotification = [&](TComponent* component) { freed.push_back(component); };
    auto watched = std::make_unique<TComponent>(nullptr);
    auto unwatched = std::make_unique<TComponent>(nullptr);
    TComponent* expected = watched.get();
    notificator.Watch(watched.get());
    notificator.Watch(unwatched.get());
    notificator.Unwatch(unwatched.get());
    notificator.Watch(nullptr);
    unwatched.reset();
    watched.reset();
    ASSERT_EQ(freed.size(), 1u);
    EXPECT_EQ(freed[0], expected);
}

namespace {
LRESULT CALLBACK PassHook(int code, WPARAM wParam, LPARAM lParam) {
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
} // namespace

TEST(ThreadHooks, InstallRefusesAnOccupiedVariable) {
    HHOOK hook = nullptr;
    InstallThreadHook(hook, WH_GETMESSAGE, PassHook);
    ASSERT_NE(hook, nullptr);
    HHOOK installed = hook;
    try {
        InstallThreadHook(hook, WH_GETMESSAGE, PassHook);
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.FileName(), "cxClasses");
        EXPECT_EQ(e.LineNumber(), 2468);
        EXPECT_NE(e.Message().find("Assertion failure"), AnsiString::npos);
    }
    EXPECT_EQ(hook, installed);
    RemoveThreadHook(hook);
    EXPECT_EQ(hook, nullptr);
    RemoveThreadHook(hook);
}

TEST(CoreRoutines, TextAndValueHelpers) {
    uint32_t set[8] = {};
    set[65 / 32] |= 1u << (65 % 32);
    set[255 / 32] |= 1u << (255 % 32);
    EXPECT_TRUE(IsInCharSet(65, set));
    EXPECT_TRUE(IsInCharSet(255, set));
    EXPECT_FALSE(IsInCharSet(66, set));
    EXPECT_FALSE(IsInCharSet(0, set));

    EXPECT_EQ(AnsiToWideText("", 936), L"");
    EXPECT_EQ(AnsiToWideText("中文", 936), L"中文");
    EXPECT_EQ(AnsiToWideText("\xE4\xB8\xAD", 65001), L"中");
    EXPECT_EQ(AnsiToWideText("abcdef", CP_ACP, 3), L"abc");

    const AnsiString mixed = "a中";
    EXPECT_EQ(CharByteLength(mixed, 1), 1);
    EXPECT_EQ(CharByteLength(mixed, 2), 2);

    EXPECT_EQ(ExtractDescription("Text|hidden|more"), "Text");
    EXPECT_EQ(ExtractDescription("no bar"), "no bar");
    EXPECT_EQ(ExtractDescription("|x"), "");

    EXPECT_EQ(GetLocaleInfoStr(LOCALE_USER_DEFAULT, 0xFFFF, "fallback"), "fallback");
    EXPECT_FALSE(GetLocaleInfoStr(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, "").empty());

    struct {
        int a, b, middle;
    } middles[] = {{-3, 0, -2}, {3, 0, 1}, {0, 0, 0}, {-4, 0, -2}, {-1, 0, -1}, {5, 6, 5}};
    for (auto m : middles)
        EXPECT_EQ(MiddleOf(m.a, m.b), m.middle) << m.a << "," << m.b;

    char bytes[] = "abcdef";
    CopyBytes(bytes, bytes + 1, 4); // overlapping
    EXPECT_STREQ(bytes, "aabcdf");

    int called = 0;
    std::function<void(TObject*, int)> method = [&](TObject*, int value) { called = value; };
    TX control;
    CallControlMethod(static_cast<TObject*>(&control), 7, method);
    EXPECT_EQ(called, 7);
    CallControlMethod(static_cast<TObject*>(&control), 8, std::function<void(TObject*, int)>());
    EXPECT_EQ(called, 7);
}

TEST(CoreBases, OwnersInterfacesAndOwningLists) {
    TComponent owner(nullptr);
    TcxInterfacedPersistent persistent(&owner);
    EXPECT_EQ(GetPersistentOwner(&persistent), &owner);
    EXPECT_EQ(GetPersistentOwner(nullptr), nullptr);

    TcxIUnknownObject object;
    IUnknown* unknown = nullptr;
    EXPECT_EQ(object.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown, static_cast<IUnknown*>(&object));
    void* none = nullptr;
    EXPECT_EQ(object.QueryInterface(IID_IStream, &none), E_NOINTERFACE);
    EXPECT_EQ(unknown->AddRef(), static_cast<ULONG>(-1));
    EXPECT_EQ(unknown->Release(), static_cast<ULONG>(-1));

    // Items freed by Clear: each link to them reads nil afterwards.
    class TTracked : public TObject {
    public:
        ~TTracked() override { ResetObjectLinks(this); }
    };
    TcxObjectList list;
    auto* first = new TTracked;
    list.Add(first);
    list.Add(new TTracked);
    TcxObjectLink* link = CreateObjectLink(first);
    EXPECT_EQ(list.ItemAt(0), first);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(link->Ref, nullptr);
    FreeObjectLink(link);
}

namespace {
class TLinkedComponent : public TcxComponent {
public:
    using TcxComponent::TcxComponent;
    std::vector<TComponent*> dependsOn;

protected:
    void CollectDesignLinks(TList* list) override {
        for (TComponent* component : dependsOn)
            list->Add(component);
    }
};
} // namespace

TEST(CoreBases, DesignLinksAreRefreshedAfterLoadingAtDesignTimeOnly) {
    TComponent owner(nullptr);
    TComponent a(nullptr), b(nullptr), c(nullptr), d(nullptr);

    auto* running = new TLinkedComponent(&owner); // owned by owner
    running->dependsOn = {&a};
    running->Loaded();
    EXPECT_EQ(running->FakeComponentLink1(), nullptr); // not designing: nothing collected

    auto* designed = new TLinkedComponent(&owner);
    designed->SetDesigning(true);
    designed->dependsOn = {&a, &b, &c, &d};
    designed->Loaded();
    EXPECT_EQ(designed->FakeComponentLink1(), &a);
    EXPECT_EQ(designed->FakeComponentLink2(), &b);
    EXPECT_EQ(designed->FakeComponentLink3(), &c); // only three slots

    designed->dependsOn = {&d};
    designed->Loaded();
    EXPECT_EQ(designed->FakeComponentLink1(), &d);
    EXPECT_EQ(designed->FakeComponentLink2(), nullptr);
    EXPECT_EQ(designed->FakeComponentLink3(), nullptr);

    TLinkedComponent orphan(nullptr); // no owner: nothing collected
    orphan.SetDesigning(true);
    orphan.dependsOn = {&a};
    orphan.Loaded();
    EXPECT_EQ(orphan.FakeComponentLink1(), nullptr);
}
