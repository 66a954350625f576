// The skin-pack reader and writer over the generated packs, damaged packs and hand-made ones.
#include <gtest/gtest.h>

#include <direct.h>
#include <functional>

#include "ui/skins/SkinPack.h"
#include "SkinTestSupport.h"

using namespace skintest;

namespace {
std::unique_ptr<TdxSkin> LoadBuiltIn(const std::string& name) {
    return std::make_unique<TdxSkin>(name, GetModuleHandle(nullptr), true);
}

void SaveToFile(const std::string& bytes, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
} // namespace

// Every built-in pack reads to its last byte and holds what the generator's manifest lists;
// written again it reads back equal, pixels included, and the generator's reader checks it too.
TEST(SkinPacks, BuiltInPacksMatchTheirManifestsAndRoundTrip) {
    _mkdir(BuildPath("skins-saved").c_str());
    std::vector<std::string> names = BuiltInSkinNames();
    names.push_back("DefaultUserSkinData");
    std::vector<TColor> contentColors; // each skin tells itself by its "FormContent" colour
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string manifestName = name == "DefaultUserSkinData" ? "Office2007Black" : name;
        TResourceStream resource(GetModuleHandle(nullptr), name, "DXSKINS");
        TdxSkin skin(name);
        skin.LoadFromStream(&resource);
        EXPECT_EQ(resource.Position(), resource.Size());
        EXPECT_EQ(skin.Name, manifestName);
        EXPECT_EQ(skin.GroupCount(), 14);
        EXPECT_EQ(skin.ColorCount(), 11);
        const std::string manifest = ReadTextFile(BuildPath("resources/skins/" + manifestName + ".manifest"));
        ASSERT_FALSE(manifest.empty());
        EXPECT_EQ(Dump(skin), manifest);
        TColor content = skin.GetGroupByName("Form")->GetElementByName("FormContent")->Color();
        if (name != "DefaultUserSkinData") {
            EXPECT_EQ(std::count(contentColors.begin(), contentColors.end(), content), 0);
            contentColors.push_back(content);
        }

        TMemoryStream saved;
        skin.SaveToStream(&saved);
        if (name != "DefaultUserSkinData")
            SaveToFile(BytesOf(saved), BuildPath("skins-saved/" + name + ".skinpack"));
        saved.SetPosition(0);
        TdxSkin again("Again");
        again.LoadFromStream(&saved);
        EXPECT_EQ(saved.Position(), saved.Size());
        EXPECT_TRUE(SameSkins(skin, again));
    }
    EXPECT_EQ(ResourceBytes("DefaultUserSkinData"), ResourceBytes("Office2007Black"));
    EXPECT_EQ(contentColors.size(), 21u);
}

// Resource names are found in any letter case; a missing one is the platform's error.
TEST(SkinPacks, ResourcesAreFoundInAnyLetterCase) {
    std::vector<std::string> names = BuiltInSkinNames();
    names.push_back("DefaultUserSkinData");
    for (const std::string& name : names) {
        for (const std::string& asked : {name, UpperCase(name), LowerCase(name)}) {
            SCOPED_TRACE(asked);
            EXPECT_NO_THROW(TResourceStream(GetModuleHandle(nullptr), asked, "DXSKINS"));
        }
    }
    TdxSkin skin("NoSuchSkin");
    EXPECT_THROW(skin.LoadFromResource(GetModuleHandle(nullptr)), EResNotFound);
    EXPECT_EQ(skin.GroupCount(), 0);
}

TEST(SkinPacks, LoadOnCreateReadsTheResourceOfTheGivenName) {
    std::unique_ptr<TdxSkin> skin = LoadBuiltIn("imaginary");
    EXPECT_EQ(skin->Name, "iMaginary");
    EXPECT_EQ(skin->TdxSkinCustomPersistentObject::Name, "imaginary");
    ASSERT_NE(skin->GetGroupByName("Form"), nullptr);
    TdxSkinElement* content = skin->GetGroupByName("Form")->GetElementByName("FormContent");
    ASSERT_NE(content, nullptr);
    EXPECT_TRUE(content->IsColorAssigned());
    EXPECT_NE(content->Brush(), nullptr);
    // The painters' image counts and the frames the skin info normalises.
    EXPECT_EQ(skin->GetGroupByName("Editors")->GetElementByName("Checkbox")->ImageCount(), 3);
    EXPECT_EQ(skin->GetGroupByName("Common")->GetElementByName("ScrollButton")->ImageCount(), 4);
    TdxSkinImage& frame = skin->GetGroupByName("Form")->GetElementByName("FormFrameLeft")->Image();
    EXPECT_EQ(frame.States(), MakeStates({esActive, esActiveDisabled}));
    EXPECT_EQ(frame.FrameSize().cx, 4);
    TdxSkinImage& close = skin->GetGroupByName("Form")->GetElementByName("FormButtonClose")->Image();
    EXPECT_TRUE(close.States() & StateBit(esActiveDisabled));
    EXPECT_FALSE(close.States() & StateBit(esActive));
    EXPECT_FALSE(skin->GetGroupByName("Editors")->GetElementByName("SpinUpGlyph")->Glyph().IsEmpty());
}

// ---------------------------------------------------------------------------------------------
namespace {
// A small skin with one picture, saved; the damaged packs are made from its bytes.
std::string VictimPack() {
    TdxSkin skin("Victim");
    skin.SetName("Victim");
    skin.AddColor("ContentColor", 0x123456);
    skin.AddProperty<TdxSkinIntegerProperty>("Level")->SetValue(7);
    TdxSkinElement* element = skin.AddGroup("Common")->AddElement("Target");
    TBitmap bitmap(6, 4, pf32bit);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            static_cast<uint32_t*>(bitmap.ScanLine(y))[x] = 0xFF000000u | (x * 40) << 16 | (y * 60);
    element->Image().Texture().LoadFromBitmap(bitmap);
    element->Image().SetStates(MakeStates({esNormal, esHot}));
    TMemoryStream stream;
    skin.SaveToStream(&stream);
    return BytesOf(stream);
}

size_t Find(const std::string& bytes, const std::string& what) {
    size_t at = bytes.find(what);
    EXPECT_NE(at, std::string::npos) << what;
    return at;
}

void Put32(std::string& bytes, size_t at, int32_t value) {
    bytes.replace(at, 4, reinterpret_cast<const char*>(&value), 4);
}

struct DamageCase {
    const char* name;
    std::function<std::string(std::string)> damage;
    std::function<void(const Exception&)> check; // the error's class and message
};

template <class E> std::function<void(const Exception&)> Is(const char* message) {
    return [message](const Exception& e) {
        EXPECT_NE(dynamic_cast<const E*>(&e), nullptr) << e.Message();
        if (message) {
            EXPECT_EQ(e.Message(), message);
        }
    };
}
} // namespace

// A damaged pack gives its error and leaves the skin as it was: content, name and version, with no
// notification of its listeners.
TEST(SkinPacks, DamagedPacksLeaveTheSkinAsItWas) {
    const std::string good = VictimPack();
    const size_t png = Find(good, "\x89PNG");
    const size_t element = Find(good, "Target") + 6; // the element record follows its name
    const size_t image = png - 4 - 29;               // margins, layout, states, stretch, gradient
    const DamageCase cases[] = {
        {"cut in the header", [](std::string b) { return b.substr(0, 12); },
         Is<EReadError>("Stream read error")},
        {"cut in a string", [](std::string b) { return b.substr(0, 18 + 4 + 3); },
         Is<EReadError>("Stream read error")},
        {"cut in an element record", [&](std::string b) { return b.substr(0, element + 3); },
         Is<EReadError>("Stream read error")},
        {"cut in a picture", [&](std::string b) { return b.substr(0, png + 20); },
         Is<EReadError>("Stream read error")},
        {"string length 0x7FFFFFFF",
         [](std::string b) {
             Put32(b, 18, 0x7FFFFFFF);
             return b;
         },
         Is<EReadError>("Stream read error")},
        {"picture size negative",
         [&](std::string b) {
             Put32(b, png - 4, -5);
             return b;
         },
         Is<EReadError>("Stream read error")},
        {"picture size past the end",
         [&](std::string b) {
             Put32(b, png - 4, static_cast<int32_t>(b.size()));
             return b;
         },
         Is<EReadError>("Stream read error")},
        {"state bit above the eleven states",
         [&](std::string b) {
             b[image + 18] = 0x10;
             return b;
         },
         Is<EReadError>("Stream read error")},
        {"layout beyond its enumeration",
         [&](std::string b) {
             b[image + 16] = 2;
             return b;
         },
         Is<EReadError>("Stream read error")},
        {"unregistered property class",
         [](std::string b) {
             size_t at = b.find("TdxSkinIntegerProperty");
             b[at + 21] = 'X';
             return b;
         },
         Is<EClassNotFound>("Class TdxSkinIntegerPropertX not found")},
        {"version 0.99",
         [](std::string b) {
             double v = 0.99;
             b.replace(10, 8, reinterpret_cast<const char*>(&v), 8);
             return b;
         },
         Is<EdxSkin>("The skin data version is older than the current Quorvane version.\r\n"
                     "Skins cannot be loaded due to a version mismatch.")},
        {"wrong signature",
         [](std::string b) {
             b[5] = 'X';
             return b;
         },
         Is<EdxSkin>("Invalid stream format")},
        {"bytes that are not a PNG",
         [&](std::string b) {
             for (size_t i = png; i < png + 24; ++i)
                 b[i] = 'Z';
             return b;
         },
         Is<Exception>(nullptr)},
    };
    std::unique_ptr<TdxSkin> skin = LoadBuiltIn("Blue");
    std::unique_ptr<TdxSkin> before = skin->CloneAs<TdxSkin>();
    std::string log;
    RecordingListener listener("listener", &log);
    skin->AddListener(&listener);
    skin->OnChange = [&](TObject*) { log += "OnChange "; };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TMemoryStream> stream = StreamOf(c.damage(good));
        try {
            skin->LoadFromStream(stream.get());
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            c.check(e);
        }
        EXPECT_EQ(skin->Name, "Blue");
        EXPECT_DOUBLE_EQ(skin->Version, 1.02);
        EXPECT_TRUE(SameSkins(*skin, *before));
        EXPECT_EQ(log, "");
    }
    // The same skin then takes a good pack with one notification.
    std::unique_ptr<TMemoryStream> stream = StreamOf(good);
    skin->LoadFromStream(stream.get());
    EXPECT_EQ(skin->Name, "Victim");
    EXPECT_EQ(skin->GroupCount(), 1);
    EXPECT_EQ(log, "listener OnChange ");
    skin->RemoveListener(&listener);
}

// ---------------------------------------------------------------------------------------------
namespace {
// A 1.01 pack by hand: no gradient fields; a string property; an image count of 0; a picture of
// size 0; the signature length field holds junk.
std::string OldPack(double version) {
    PackWriter w;
    w.Int(-12345).Raw("dxSkin").Double(version).Str("Old");
    w.Int(1).Str("TdxSkinColor").Str("ContentColor").Int(0x00FF00);
    w.Int(1).Str("TdxSkinStringProperty").Str("Motto").Str("kept as it stands");
    w.Int(1).Str("Common").Int(1).Str("Plain");
    w.Int(clDefault).Byte(255).Int(0).Rect(1, 2, 3, 4);
    for (int image = 0; image < 2; ++image) {
        w.Rect(0, 0, 0, 0).Byte(0).Word(1).Byte(0);
        if (version >= 1.02) w.Int(0x0000FF).Int(0x00FF00).Byte(1);
        w.Int(0);
    }
    for (const char* side : {"Left", "Top", "Right", "Bottom"})
        w.Str("TdxSkinBorder").Str(side).Int(clNone).Int(1);
    w.Int(clDefault).Int(0).Int(0).Int(0); // text colour, minimum size, no properties
    w.Int(0);                              // group properties
    return w.bytes;
}
} // namespace

TEST(SkinPacks, OlderAndOddPacksAreAccepted) {
    for (double version : {1.0, 1.01, 1.02}) {
        SCOPED_TRACE(version);
        std::string bytes = OldPack(version) + "tail";
        std::unique_ptr<TMemoryStream> stream = StreamOf(bytes);
        TdxSkin skin("Any");
        skin.LoadFromStream(stream.get());
        EXPECT_EQ(stream->Position(), static_cast<int64_t>(bytes.size() - 4)); // left after the pack
        EXPECT_EQ(skin.Name, "Old");
        EXPECT_DOUBLE_EQ(skin.Version, version);
        auto* motto = dynamic_cast<TdxSkinStringProperty*>(skin.GetPropertyByName("Motto"));
        ASSERT_NE(motto, nullptr);
        EXPECT_EQ(motto->Value(), "kept as it stands");
        TdxSkinElement* plain = skin.GetGroupByName("Common")->GetElementByName("Plain");
        ASSERT_NE(plain, nullptr);
        EXPECT_EQ(plain->ImageCount(), 1);
        EXPECT_TRUE(plain->Image().IsEmpty());
        EXPECT_EQ(plain->ContentOffset().Rect().bottom, 4);
        EXPECT_EQ(plain->Image().GradientBeginColor(), version >= 1.02 ? 0x0000FF : clNone);
        EXPECT_EQ(plain->Image().GradientEndColor(), version >= 1.02 ? 0x00FF00 : clNone);
    }
}

// The writer's layout: header, name, colours, properties, groups; what it writes reads back.
TEST(SkinPacks, WriterLayoutStartsWithTheHeaderAndName) {
    TdxSkin skin("X");
    skin.SetName("Named");
    TMemoryStream stream;
    skin.SaveToStream(&stream);
    PackWriter expected;
    expected.Int(6).Raw("dxSkin").Double(1.02).Str("Named").Int(0).Int(0).Int(0);
    EXPECT_EQ(BytesOf(stream), expected.bytes);
}

// The picture window: seeks are clamped to it, reads are not, writes move its end.
TEST(SkinPacks, PartStreamWindow) {
    std::unique_ptr<TMemoryStream> source = StreamOf("0123456789");
    TdxSkinPartStream part(nullptr);
    part.Initialize(source.get(), 2, 6);
    EXPECT_EQ(part.Size(), 4);
    struct {
        int64_t offset;
        TSeekOrigin origin;
        int64_t result;
    } seeks[] = {
        {0, soBeginning, 0}, {-5, soBeginning, 0}, {9, soBeginning, 4}, {-1, soEnd, 3}, {5, soEnd, 4}};
    for (auto& s : seeks)
        EXPECT_EQ(part.Seek(s.offset, s.origin), s.result);
    part.Seek(3, soBeginning);
    char buffer[4] = {};
    EXPECT_EQ(part.Read(buffer, 4), 4); // past the window's end
    EXPECT_EQ(std::string(buffer, 4), "5678");
    part.Seek(0, soEnd);
    part.Write("ab", 2);
    EXPECT_EQ(part.End, 8);
}

// The skin-library file: a container header and three entries, each a size and a whole pack,
// "DadavAzodo" third; entries are skipped by their sizes and the third reads as a pack.
TEST(SkinPacks, SkinLibraryFileHoldsThreePacksDadavAzodoThird) {
    TFileStream file(BuildPath("resources/skins/UICore.dll"), fmOpenRead | fmShareDenyNone);
    double version = 0;
    ASSERT_TRUE(ReadPackHeader(&file, version));
    EXPECT_GT(version, 1.0);
    ASSERT_EQ(ReadPackInteger(&file), 3);
    const char* const names[] = {"Black", "Blue", "DadavAzodo"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        int32_t size = ReadPackInteger(&file);
        int64_t start = file.Position();
        double packVersion = 0;
        ASSERT_TRUE(ReadPackHeader(&file, packVersion));
        EXPECT_EQ(ReadPackString(&file), name);
        if (std::string(name) == "DadavAzodo") {
            file.SetPosition(start);
            TdxSkin skin("UserSkin");
            skin.LoadFromStream(&file);
            EXPECT_EQ(skin.Name, "DadavAzodo");
            EXPECT_EQ(file.Position(), start + size);
        }
        file.SetPosition(start + size);
    }
    EXPECT_EQ(file.Position(), file.Size());
}

// The values the skin info reads exist with the class it reads them as (a wrong class would be an
// invalid-cast error at start); the elements it looks up without a placeholder are absent.
TEST(SkinPacks, PacksHoldTheValuesTheSkinInfoReads) {
    struct Lookup {
        const char* group;   // nullptr: the skin itself
        const char* element; // nullptr: the group's own property
        const char* name;
        TClass propertyClass;
    };
    const TClass C = TdxSkinColor::StaticClass(), I = TdxSkinIntegerProperty::StaticClass(),
                 B = TdxSkinBooleanProperty::StaticClass();
    const Lookup lookups[] = {
        {"Bars", nullptr, "DisabledTextColor", C},
        {"Bars", "ScreenTipWindow", "ScreenTipItem", C},
        {"Bars", "ScreenTipWindow", "ScreenTipTitleItem", C},
        {"Common", "Button", "DisabledText", C},
        {"Docking", nullptr, "TabHeaderTextColor", C},
        {"Docking", nullptr, "TabHeaderTextColorActive", C},
        {"Docking", "DockWindowCaption", "InactiveCaptionTextColor", C},
        {"Docking", nullptr, "ActiveTabHeaderDownGrow", I},
        {"Docking", nullptr, "ActiveTabHeaderHGrow", I},
        {"Docking", nullptr, "ActiveTabHeaderUpGrow", I},
        {"Editors", nullptr, "BackgroundColor", C},
        {"Editors", nullptr, "BackgroundDisabledColor", C},
        {"Editors", nullptr, "TextColor", C},
        {"Editors", nullptr, "TextDisabledColor", C},
        {"Form", nullptr, "TextColorInactive", C},
        {"Form", nullptr, "TextShadowColor", C},
        {"Form", "FormCaption", "FontDelta", I},
        {"PageControl", "TabHeader", "TextColor", C},
        {"PageControl", "TabHeader", "TextColorSelected", C},
        {"PageControl", "TabHeader", "TextColorDisabled", C},
        {"PageControl", "TabHeader", "TextColorHot", C},
        {"PageControl", nullptr, "RowIndentFar", I},
        {"PageControl", nullptr, "RowIndentNear", I},
        {"PageControl", nullptr, "SelectedHeaderDownGrow", I},
        {"PageControl", nullptr, "SelectedHeaderHGrow", I},
        {"PageControl", nullptr, "SelectedHeaderUpGrow", I},
        {"PageControl", nullptr, "HeaderDownGrow", I},
        {"Scheduler", nullptr, "NavigatorColor", C},
        {"Scheduler", "Appointment", "BorderSize", I},
        {"Scheduler", "Appointment", "SeparatorColor", C},
        {"NavPane", "Caption", "Height", I},
        {"NavPane", "Caption", "FontSize", I},
        {"Ribbon", nullptr, "AppMenuExtraPaneColor", C},
        {"Ribbon", nullptr, "ButtonDisabled", C},
        {"Ribbon", nullptr, "TabHeaderDownGrow", I},
        {"Ribbon", "FormCaption", "TextColorInactive", C},
        {"Ribbon", "FormCaption", "DocumentNameTextColor", C},
        {"Ribbon", "FormCaption", "FontDelta", I},
        {"Ribbon", "Tab", "TextColorSelected", C},
        {"Ribbon", "StatusBarButton", "TextColor", C},
        {"Ribbon", "StatusBarButton", "TextColorHot", C},
        {"Ribbon", "StatusBarButton", "TextColorDisabled", C},
        {"Ribbon", "QATAboveBackground", "DisplayCustomizeButtonOutsideQAT", B},
        {"Ribbon", "QATAboveBackground", "IndentBeforeCustomizeButton", I},
        {"Ribbon", "QATInRibbonBackground", "DisplayCustomizeButtonOutsideQAT", B},
        {"Ribbon", "QATInRibbonBackground", "IndentBeforeCustomizeButton", I},
        {"Ribbon", "QATInRibbonBackground", "Offset", I},
        {"Ribbon", "FormAppButton", "RightIndent", I},
    };
    const char* const skinColors[] = {"ContainerBorderColor",  "ContainerHighlightBorderColor",
                                      "ContentColor",          "ContentEvenColor",
                                      "ContentOddColor",       "DockControlHiddenBarTextColor",
                                      "HeaderBackgroundColor", "HeaderBackgroundTextColor",
                                      "LayoutControlColor",    "SelectionColor",
                                      "SelectionTextColor"};
    for (const char* skinName : {"Black", "DadavAzodo"}) {
        std::unique_ptr<TdxSkin> skin = LoadBuiltIn(skinName);
        for (const Lookup& l : lookups) {
            SCOPED_TRACE(std::string(skinName) + " " + l.group + " " + (l.element ? l.element : "") + " " +
                         l.name);
            TdxSkinPersistent* owner = skin->GetGroupByName(l.group);
            ASSERT_NE(owner, nullptr);
            if (l.element) owner = static_cast<TdxSkinControlGroup*>(owner)->GetElementByName(l.element);
            ASSERT_NE(owner, nullptr);
            TdxSkinProperty* property = owner->GetPropertyByName(l.name);
            ASSERT_NE(property, nullptr);
            EXPECT_EQ(property->ClassType(), l.propertyClass);
        }
        for (const char* color : skinColors)
            EXPECT_NE(skin->GetColorByName(color), nullptr) << color;
        EXPECT_EQ(skin->GetColorByName("ContentTextColor"), nullptr);
        EXPECT_EQ(skin->GetGroupByName("Bars")->GetElementByName("MainMenuCustomize"), nullptr);
        EXPECT_EQ(skin->GetGroupByName("Bars")->GetElementByName("MainMenuDrag"), nullptr);
        EXPECT_EQ(skin->GetGroupByName("Scheduler")->GetElementByName("TimeGridCurrentTimeIndicator"),
                  nullptr);
        // All six property classes occur in a pack.
        std::vector<std::string> classes;
        auto collect = [&](TdxSkinPersistent& p) {
            for (int i = 0; i < p.PropertyCount(); ++i)
                classes.push_back(p.PropertyAt(i)->ClassName());
        };
        collect(*skin);
        for (int g = 0; g < skin->GroupCount(); ++g) {
            collect(*skin->GroupAt(g));
            for (int e = 0; e < skin->GroupAt(g)->ElementCount(); ++e)
                collect(*skin->GroupAt(g)->ElementAt(e));
        }
        for (TClass propertyClass : SkinPropertyClasses())
            EXPECT_NE(std::count(classes.begin(), classes.end(), propertyClass->ClassName()), 0)
                << propertyClass->ClassName();
    }
}
