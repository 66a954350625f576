#include <gtest/gtest.h>

#include "ui/editors/framework/EditButtons.h"
#include "ui/editors/framework/EditProperties.h"
#include "ui/editors/framework/EditRegistration.h"
#include "ui/editors/framework/FilterEditHelper.h"

namespace {
// A small properties tree: text editors and a mask editor derived from them.
class TCustomTextProps : public TcxCustomEditProperties {
public:
    VZ_CLASS(TCustomTextProps, TcxCustomEditProperties)
    using TcxCustomEditProperties::TcxCustomEditProperties;
};
class TTextProps : public TCustomTextProps {
public:
    VZ_CLASS(TTextProps, TCustomTextProps)
    using TCustomTextProps::TCustomTextProps;
};
class TCustomMaskProps : public TCustomTextProps {
public:
    VZ_CLASS(TCustomMaskProps, TCustomTextProps)
    using TCustomTextProps::TCustomTextProps;
};
class TMaskProps : public TCustomMaskProps {
public:
    VZ_CLASS(TMaskProps, TCustomMaskProps)
    using TCustomMaskProps::TCustomMaskProps;
};

class TTextHelper : public TcxCustomFilterEditHelper {
public:
    VZ_CLASS(TTextHelper, TcxCustomFilterEditHelper)
};
class TMaskHelper : public TcxCustomFilterEditHelper {
public:
    VZ_CLASS(TMaskHelper, TcxCustomFilterEditHelper)
};
// Helpers that drop the provider or keep the buttons.
class TDroppingHelper : public TcxCustomFilterEditHelper {
public:
    VZ_CLASS(TDroppingHelper, TcxCustomFilterEditHelper)
    bool KeepsValuesProvider(TcxCustomEditProperties*) const override { return false; }
};

class TProvider : public TcxCustomEditDefaultValuesProvider {
public:
    VZ_CLASS(TProvider, TcxCustomEditDefaultValuesProvider)
};

std::vector<int> Members(const TcxFilterOperators& operators) {
    std::vector<int> result;
    for (size_t i = 0; i < operators.size(); ++i)
        if (operators.test(i)) result.push_back(static_cast<int>(i));
    return result;
}
} // namespace

TEST(FilterEditsController, NearestRegisteredAncestorAnswersAndTheLastUnregistrationFrees) {
    TcxCustomFilterEditHelperClass text = FilterEditHelperClass<TTextHelper>();
    TcxCustomFilterEditHelperClass mask = FilterEditHelperClass<TMaskHelper>();
    ASSERT_FALSE(FilterEditsControllerExists());

    GetFilterEditsController()->Register(TTextProps::StaticClass(), text);
    // Kept under the parent class, so the whole text family finds it.
    EXPECT_EQ(GetFilterEditsController()->ItemAt(0)->ItemClass, TCustomTextProps::StaticClass());
    struct Case {
        TClass asked;
        TcxCustomFilterEditHelperClass before, after;
    } cases[] = {
        {TTextProps::StaticClass(), text, text},
        {TMaskProps::StaticClass(), text, mask},
        {TCustomMaskProps::StaticClass(), text, mask}, // the mask pair lies under this parent
        {TcxCustomEditProperties::StaticClass(), nullptr, nullptr},
        {nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetFilterEditsController()->FindHelper(c.asked), c.before)
            << (c.asked ? c.asked->ClassName().c_str() : "nil");
    GetFilterEditsController()->Register(TMaskProps::StaticClass(), mask);
    for (const Case& c : cases)
        EXPECT_EQ(GetFilterEditsController()->FindHelper(c.asked), c.after)
            << (c.asked ? c.asked->ClassName().c_str() : "nil");

    GetFilterEditsController()->Unregister(TMaskProps::StaticClass(), mask);
    ASSERT_TRUE(FilterEditsControllerExists());
    EXPECT_EQ(GetFilterEditsController()->FindHelper(TMaskProps::StaticClass()), text);
    GetFilterEditsController()->Unregister(TTextProps::StaticClass(), text);
    EXPECT_FALSE(FilterEditsControllerExists());
    // The next use makes an empty one.
    EXPECT_EQ(GetFilterEditsController()->ItemCount(), 0);
    EXPECT_EQ(GetFilterEditsController()->FindHelper(TMaskProps::StaticClass()), nullptr);
    FreeFilterEditsController();
}

TEST(FilterEditHelper, OperatorsByValueTypeAndExtension) {
    TcxCustomFilterEditHelperClass helper = FilterEditHelperClass<TcxCustomFilterEditHelper>();
    struct Case {
        const char* name;
        TcxValueTypeClass type;
        bool extended;
        std::vector<int> expected;
    } cases[] = {
        {"integer", ValueTypeClass<TcxIntegerValueType>(), false, {1, 2, 3, 4, 5, 6, 9, 10}},
        {"integer extended", ValueTypeClass<TcxIntegerValueType>(), true, {1, 2, 3, 4, 5, 6, 9, 10, 11, 12, 13, 14}},
        {"string", ValueTypeClass<TcxStringValueType>(), false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"wide string extended", ValueTypeClass<TcxWideStringValueType>(), true,
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
        {"no type", nullptr, false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
    };
    for (const Case& c : cases) {
        TcxFilterOperators operators;
        operators.set(39); // whatever the caller held goes
        helper->ListFilterOperators(c.type, operators, c.extended);
        EXPECT_EQ(Members(operators), c.expected) << c.name;
    }
}

TEST(FilterEditHelper, CheckFilterValueConvertsOrRefuses) {
    TcxCustomFilterEditHelperClass helper = FilterEditHelperClass<TcxCustomFilterEditHelper>();
    struct Case {
        const char* name;
        TcxValueTypeClass type;
        Variant value;
        bool accepted;
        TVarType typeAfter;
    } cases[] = {
        {"text of a number", ValueTypeClass<TcxIntegerValueType>(), Variant(AnsiString("42")), true, varInteger},
        {"not a number", ValueTypeClass<TcxIntegerValueType>(), Variant(AnsiString("4x")), false, varString},
        {"null", ValueTypeClass<TcxIntegerValueType>(), Variant::Null(), true, varNull},
        {"no type", nullptr, Variant(AnsiString("4x")), true, varString},
    };
    for (const Case& c : cases) {
        Variant value = c.value;
        EXPECT_EQ(helper->CheckFilterValue(c.type, value), c.accepted) << c.name;
        EXPECT_EQ(value.VarType(), c.typeAfter) << c.name;
    }
}

TEST(FilterEditHelper, SetUpFilterPropertiesMakesAPlainEditableCopy) {
    TProvider provider;
    TcxCustomEditProperties source;
    source.OnChange = [](TObject*) {};
    source.OnButtonClicked = [](TObject*, int) {};
    source.OnValidate = [](TObject*, Variant&, AnsiString&, bool&) {};
    source.OnEditValueChanged = [](TObject*) {};
    source.SetReadOnly(true);
    source.BeepOnError = true;
    source.AllowMouseWheel = false;
    source.Alignment()->SetHorz(taRightJustify);
    source.Alignment()->SetVert(taVCenter);
    source.Buttons()->Add();
    source.SetDefaultValuesProvider(&provider);

    struct Case {
        const char* name;
        TcxCustomFilterEditHelperClass helper;
        bool keepButtons;
        int buttons;
        bool provider;
    } cases[] = {
        {"base", FilterEditHelperClass<TcxCustomFilterEditHelper>(), false, 0, true},
        {"buttons kept", FilterEditHelperClass<TcxCustomFilterEditHelper>(), true, 1, true},
        {"provider dropped", FilterEditHelperClass<TDroppingHelper>(), false, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TcxCustomEditProperties copy;
        c.helper->SetUpFilterProperties(&copy, &source, c.keepButtons);
        EXPECT_FALSE(copy.OnChange);
        EXPECT_FALSE(copy.OnButtonClicked);
        EXPECT_FALSE(copy.OnValidate);
        EXPECT_FALSE(copy.OnEditValueChanged);
        EXPECT_FALSE(copy.ReadOnly());
        EXPECT_TRUE(copy.IsReadOnlyStored());
        EXPECT_TRUE(copy.ValidateOnEnter);
        EXPECT_FALSE(copy.BeepOnError);
        EXPECT_FALSE(copy.AllowMouseWheel); // the rest is the source's
        EXPECT_EQ(copy.Alignment()->Horz(), taLeftJustify);
        EXPECT_EQ(copy.Alignment()->Vert(), taTopJustify);
        EXPECT_EQ(copy.Buttons()->Count(), c.buttons);
        EXPECT_EQ(copy.DefaultValuesProvider() != nullptr, c.provider);
        copy.SetDefaultValuesProvider(nullptr);
    }
    // The source keeps its handlers.
    EXPECT_TRUE(source.OnChange);
    source.SetDefaultValuesProvider(nullptr);
    FilterEditHelperClass<TcxCustomFilterEditHelper>()->ClearPropertiesEvents(nullptr);
}

TEST(EditPropertiesClassList, SortedByDescriptionWithoutPlatformRegistration) {
    TcxRegisteredClasses* list = GetEditPropertiesClassList();
    EXPECT_TRUE(list->Sorted());
    EXPECT_FALSE(list->CallsRegisterClass());
    list->Register(TTextProps::StaticClass(), "TextEdit|Represents a single line text editor");
    list->Register(TMaskProps::StaticClass(), "MaskEdit|Represents a generic masked edit control.");
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Items(0), TMaskProps::StaticClass());
    EXPECT_EQ(list->Items(1), TTextProps::StaticClass());
    list->Unregister(TTextProps::StaticClass());
    list->Unregister(TMaskProps::StaticClass());
    EXPECT_EQ(list->Count(), 0);
}

TEST(EditUnit, LoadsTheMouseWheelCursor) {
    HCURSOR own = LoadCursorA(GetModuleHandleA(nullptr), "CXEDIT_MOUSEWHEEL");
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(Screen().Cursors(crcxEditMouseWheel), own);
    EXPECT_NE(Screen().Cursors(crcxEditMouseWheel), LoadCursorA(nullptr, IDC_ARROW));
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(own, &info));
    EXPECT_EQ(info.xHotspot, 16u);
    EXPECT_EQ(info.yHotspot, 16u);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
}

TEST(EditHelpers, SmallRoutines) {
    for (char ch : {'\0', '\t', '\n', '\f', '\r', ' '})
        EXPECT_TRUE(IsBlankChar(ch)) << int(ch);
    for (char ch : {'a', '\v', '\x1F', '\xA1', '_'})
        EXPECT_FALSE(IsBlankChar(ch)) << int(ch);

    const std::pair<int, TShiftState> buttons[] = {
        {0, {}}, {1, {ssLeft}}, {2, {ssRight}}, {3, {ssMiddle}}, {7, {}}};
    for (const auto& [button, shift] : buttons)
        EXPECT_EQ(MouseButtonToShiftState(button).Bits(), shift.Bits()) << button;
    EXPECT_EQ(ButtonToShiftState(mbLeft).Bits(), TShiftState{ssLeft}.Bits());
    EXPECT_EQ(ButtonToShiftState(mbRight).Bits(), TShiftState{ssRight}.Bits());
    EXPECT_EQ(ButtonToShiftState(mbMiddle).Bits(), TShiftState{ssMiddle}.Bits());

    TSize size{10, 40};
    EnlargeSizeTo(size, TSize{20, 30});
    EXPECT_EQ(size.cx, 20);
    EXPECT_EQ(size.cy, 40);

    struct Case {
        const char* name;
        Variant a, b;
        bool editEqual, sameTypeAndValue;
    } values[] = {
        {"1 and 1.0", Variant(1), Variant(1.0), true, false},
        {"\"1\" and 1", Variant(AnsiString("1")), Variant(1), false, false},
        {"same text", Variant(AnsiString("ab")), Variant(AnsiString("ab")), true, true},
        {"null and null", Variant::Null(), Variant::Null(), true, true},
        {"null and 0", Variant::Null(), Variant(0), false, false},
    };
    for (const Case& c : values) {
        EXPECT_EQ(EditValuesEqual(c.a, c.b), c.editEqual) << c.name;
        EXPECT_EQ(VarSameTypeAndValue(c.a, c.b), c.sameTypeAndValue) << c.name;
    }

    HRGN empty = CreateRectRgn(0, 0, 0, 0);
    HRGN box = CreateRectRgn(5, 5, 10, 10);
    EXPECT_TRUE(IsRegionEmpty(empty));
    EXPECT_FALSE(IsRegionEmpty(box));
    UniteRegions(empty, box);
    RECT united{};
    GetRgnBox(empty, &united);
    EXPECT_EQ(united.left, 5);
    EXPECT_EQ(united.bottom, 10);
    DeleteObject(empty);
    DeleteObject(box);

    TComponent owner(nullptr);
    TcxCustomEditProperties properties(&owner);
    EXPECT_EQ(FindOwningComponent(properties.Buttons()), &owner);
    EXPECT_EQ(FindOwningComponent(&owner), &owner);
    TcxCustomEditProperties loose;
    EXPECT_EQ(FindOwningComponent(&loose), nullptr);
    EXPECT_EQ(FindOwningComponent(nullptr), nullptr);
}
