// The skin model: lookups, element values, copies, comparison and change notification.
#include <gtest/gtest.h>

#include "SkinTestSupport.h"

using namespace skintest;

namespace {
// The brush colour as GDI+ holds it.
DWORD BrushColor(GpSolidFill* brush) {
    using Getter = GpStatus(WINAPI*)(GpSolidFill*, DWORD*);
    static auto get = reinterpret_cast<Getter>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("gdiplus.dll"), "GdipGetSolidFillColor")));
    DWORD color = 0;
    EXPECT_EQ(get(brush, &color), GpOk);
    return color;
}

std::unique_ptr<TdxSkin> SmallSkin() {
    auto skin = std::make_unique<TdxSkin>("Small");
    skin->AddColor("SelectionColor", 0x00FF00);
    skin->AddProperty<TdxSkinBooleanProperty>("Flat")->SetValue(true);
    TdxSkinControlGroup* group = skin->AddGroup("Common");
    group->AddProperty<TdxSkinSizeProperty>("Grip")->SetCx(3);
    TdxSkinElement* button = group->AddElement("Button");
    button->SetColor(0x808080);
    button->AddProperty<TdxSkinColor>("DisabledText")->SetValue(0x777777);
    group->AddElement("Header");
    skin->AddGroup("Editors")->AddElement("Checkbox")->SetImageCount(3);
    return skin;
}
} // namespace

TEST(SkinModel, LookupsAreCaseSensitiveBinarySearchesOverLazilySortedLists) {
    std::unique_ptr<TdxSkin> skin = SmallSkin();
    TdxSkinControlGroup* common = skin->GetGroupByName("Common");
    ASSERT_NE(common, nullptr);
    struct {
        const char* name;
        bool found;
    } cases[] = {{"Button", true}, {"button", false}, {"Header", true}, {"Head", false}, {"", false}};
    for (auto& c : cases)
        EXPECT_EQ(common->GetElementByName(c.name) != nullptr, c.found) << c.name;
    EXPECT_TRUE(common->Sorted);
    // An add clears the order; the next lookup sorts again and finds the new element.
    common->AddElement("Alpha");
    EXPECT_FALSE(common->Sorted);
    ASSERT_NE(common->GetElementByName("Alpha"), nullptr);
    EXPECT_EQ(common->ElementAt(0)->Name, "Alpha");
    for (int i = 0; i < 40; ++i)
        common->AddElement("E" + std::to_string((i * 17) % 40));
    for (int i = 0; i < 40; ++i)
        EXPECT_NE(common->GetElementByName("E" + std::to_string(i)), nullptr);
    EXPECT_EQ(skin->GetColorByName("SelectionColor")->Value(), 0x00FF00);
    EXPECT_EQ(skin->GetColorByName("selectioncolor"), nullptr);
    EXPECT_NE(skin->GetPropertyByName("Flat"), nullptr);
    EXPECT_THROW(common->ElementAt(99), EListError);
    EXPECT_THROW(skin->GroupAt(-1), EListError);
}

TEST(SkinModel, ElementValues) {
    TdxSkinElement element(nullptr, "E");
    struct {
        int set, expected;
    } counts[] = {{0, 1}, {-3, 1}, {1, 1}, {4, 4}};
    for (auto& c : counts) {
        element.SetImageCount(c.set);
        EXPECT_EQ(element.ImageCount(), c.expected) << c.set;
    }
    // Unset colours make no brush; a real colour makes one with the current alpha.
    for (TColor unset : {clNone, clDefault}) {
        element.SetColor(unset);
        EXPECT_FALSE(element.IsColorAssigned());
        EXPECT_EQ(element.Brush(), nullptr);
    }
    element.SetAlpha(128);
    element.SetColor(0x0000FF); // red in TColor's byte order
    EXPECT_TRUE(element.IsColorAssigned());
    ASSERT_NE(element.Brush(), nullptr);
    EXPECT_EQ(BrushColor(element.Brush()), 0x80FF0000u);
    element.SetAlpha(255);
    EXPECT_EQ(BrushColor(element.Brush()), 0xFFFF0000u);
    EXPECT_FALSE(element.HasAlpha());
    element.SetAlpha(10);
    EXPECT_TRUE(element.HasAlpha());

    AnsiString name;
    element.GetImageFileName(&element.Image(), name);
    EXPECT_EQ(name, "E_Image.png");
    element.GetImageFileName(&element.Glyph(), name);
    EXPECT_EQ(name, "E_Glyph.png");
    element.Image().GetName(name);
    EXPECT_EQ(name, ""); // an empty image has no name
    EXPECT_EQ(SkinElementOrEmpty(nullptr), SkinEmptyElement);
    EXPECT_EQ(SkinElementOrEmpty(&element), &element);
}

TEST(SkinModel, PropertyDescriptionsAndComparison) {
    struct {
        TClass propertyClass;
        const char* description;
    } cases[] = {{TdxSkinColor::StaticClass(), "Color"},
                 {TdxSkinIntegerProperty::StaticClass(), "Integer"},
                 {TdxSkinBooleanProperty::StaticClass(), "Boolean"},
                 {TdxSkinRectProperty::StaticClass(), "Rect"},
                 {TdxSkinSizeProperty::StaticClass(), "Size"},
                 {TdxSkinStringProperty::StaticClass(), "String"},
                 {TdxSkinBorder::StaticClass(), "Border"},
                 {TdxSkinBorders::StaticClass(), "Borders"}};
    for (auto& c : cases) {
        auto property = CreateSkinObject<TdxSkinProperty>(c.propertyClass, nullptr, "P");
        AnsiString text;
        property->GetDescription(text);
        EXPECT_EQ(text, c.description);
    }
    TdxSkinBorders a, b;
    EXPECT_TRUE(a.Compare(&b));
    b.Left().SetColor(0x123456);
    EXPECT_FALSE(a.Compare(&b));
    TdxSkinIntegerProperty one(nullptr, "N"), other(nullptr, "N"), renamed(nullptr, "n");
    EXPECT_TRUE(one.Compare(&other));
    EXPECT_FALSE(one.Compare(&renamed));
    TdxSkinColor sameNameOtherClass(nullptr, "N");
    EXPECT_FALSE(one.Compare(&sameNameOtherClass));
    // The six property classes are found by their stored names.
    for (const char* name : {"TdxSkinIntegerProperty", "TdxSkinBooleanProperty", "TdxSkinColor",
                             "TdxSkinRectProperty", "TdxSkinSizeProperty", "TdxSkinStringProperty"})
        EXPECT_NE(GetClass(name), nullptr) << name;
    EXPECT_EQ(SkinPropertyClasses().size(), 6u);
}

// One notification per outermost update: listeners first to last, then OnChange.
TEST(SkinModel, OneNotificationPerOutermostUpdate) {
    std::unique_ptr<TdxSkin> skin = SmallSkin();
    std::string log;
    RecordingListener first("first", &log), second("second", &log);
    skin->AddListener(&first);
    skin->AddListener(&second);
    skin->OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, skin.get());
        log += "OnChange ";
    };
    skin->BeginUpdate();
    skin->BeginUpdate();
    skin->AddGroup("Grid")->AddElement("GridLine");
    skin->GetGroupByName("Common")->GetElementByName("Button")->SetTextColor(0x101010);
    skin->EndUpdate();
    EXPECT_EQ(log, "");
    skin->EndUpdate();
    EXPECT_EQ(log, "first second OnChange ");
    // A change deep in the tree outside an update reaches the skin once.
    log.clear();
    skin->GetGroupByName("Common")->GetElementByName("Button")->Image().SetStretch(smTile);
    EXPECT_EQ(log, "first second OnChange ");
    // A cancelled update tells nobody.
    log.clear();
    skin->BeginUpdate();
    skin->AddColor("ContentColor", 1);
    skin->CancelUpdate();
    EXPECT_EQ(log, "");
    skin->RemoveListener(&first);
    skin->AddColor("Another", 2);
    EXPECT_EQ(log, "second OnChange ");
    skin->RemoveListener(&second);
}

// Assign replaces what the target held; a second Assign duplicates nothing. Clone compares equal.
TEST(SkinModel, AssignReplacesAndCloneComparesEqual) {
    std::unique_ptr<TdxSkin> source = SmallSkin();
    TdxSkin target("Target");
    target.AddGroup("Stale")->AddElement("Old");
    target.AddColor("Stale", 5);
    target.AddProperty<TdxSkinIntegerProperty>("Stale");
    target.Assign(source.get());
    target.Assign(source.get());
    EXPECT_EQ(target.GroupCount(), source->GroupCount());
    EXPECT_EQ(target.ColorCount(), 1);
    EXPECT_EQ(target.PropertyCount(), 1);
    EXPECT_EQ(target.GetGroupByName("Stale"), nullptr);
    TdxSkinControlGroup* common = target.GetGroupByName("Common");
    ASSERT_NE(common, nullptr);
    EXPECT_EQ(common->ElementCount(), 2);
    EXPECT_EQ(common->PropertyCount(), 1);
    EXPECT_EQ(common->GetElementByName("Button")->PropertyCount(), 1);
    EXPECT_EQ(common->Owner, &target);

    std::unique_ptr<TdxSkin> clone = source->CloneAs<TdxSkin>();
    EXPECT_EQ(clone->Name, "Small");
    EXPECT_TRUE(SameSkins(*clone, *source));
    clone->GetGroupByName("Common")->GetElementByName("Button")->SetAlpha(3);
    EXPECT_FALSE(SameSkins(*clone, *source));
    // An element clone carries its picture; Compare looks at the pixels.
    TdxSkinElement* button = source->GetGroupByName("Common")->GetElementByName("Button");
    TBitmap bitmap(4, 2, pf32bit);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            static_cast<uint32_t*>(bitmap.ScanLine(y))[x] = 0xFF102030u + x;
    button->Image().Texture().LoadFromBitmap(bitmap);
    std::unique_ptr<TdxSkinElement> copy = button->CloneAs<TdxSkinElement>();
    EXPECT_TRUE(copy->Compare(button));
    static_cast<uint32_t*>(bitmap.ScanLine(1))[3] = 0xFF000000u;
    copy->Image().Texture().LoadFromBitmap(bitmap);
    EXPECT_FALSE(copy->Compare(button));
}

TEST(SkinModel, ImageStateMap) {
    TdxSkinElement element(nullptr, "E");
    TdxSkinImage& image = element.Image();
    TBitmap bitmap(48, 10, pf32bit);
    image.Texture().LoadFromBitmap(bitmap);
    image.SetStates(MakeStates({esNormal, esHot, esPressed}));
    element.SetImageCount(2);
    EXPECT_EQ(image.StateCount(), 3);
    EXPECT_EQ(image.FrameSize().cx, 8);
    EXPECT_EQ(image.FrameSize().cy, 10);
    EXPECT_EQ(image.StateBounds(esPressed).left, 16);
    EXPECT_EQ(image.StateBounds(esDisabled).left, 0); // not in the strip: slot 0
    image.SetImageLayout(ilVertical);
    EXPECT_EQ(image.FrameSize().cy, 1);
    EXPECT_EQ(image.FrameSize().cx, 48);
}

TEST(SkinModel, DeleteRemovesPropertiesAndColours) {
    std::unique_ptr<TdxSkin> skin = SmallSkin();
    int changes = 0;
    skin->OnChange = [&](TObject*) { ++changes; };
    skin->Delete(skin->GetColorByName("SelectionColor"));
    skin->Delete(skin->GetPropertyByName("Flat"));
    EXPECT_EQ(skin->ColorCount(), 0);
    EXPECT_EQ(skin->PropertyCount(), 0);
    EXPECT_EQ(changes, 2);
}

// A failing listener stops the notification; the skin's update count is restored.
TEST(SkinModel, ListenerFailurePropagatesAfterTheCountIsRestored) {
    struct Failing : IdxSkinChangeListener {
        void SkinChanged(TdxSkin*) override { throw EInvalidOperation("listener failed"); }
    } failing;
    std::string log;
    RecordingListener later("later", &log);
    TdxSkin skin("S");
    skin.AddListener(&failing);
    skin.AddListener(&later);
    EXPECT_THROW(skin.AddGroup("Common"), EInvalidOperation);
    EXPECT_EQ(skin.UpdateCount, 0);
    EXPECT_EQ(log, "");
    skin.RemoveListener(&failing);
    skin.AddGroup("Grid");
    EXPECT_EQ(log, "later ");
    skin.RemoveListener(&later);
}
