#include <gtest/gtest.h>

#include <memory>

#include "ui/editors/framework/Edit.h"
#include "ui/editors/framework/EditStyles.h"

namespace {

// The four styles of an owner, made as an editor makes them.
struct TEditStyleSet {
    explicit TEditStyleSet(TPersistent* owner = nullptr) : styles(owner, TcxEditStyle::Class()) {}
    TcxEditStyle* Get(TcxContainerStyleState state) { return static_cast<TcxEditStyle*>(styles.Style(state)); }
    TcxContainerStyles styles;
};

struct TReadCase {
    const char* name;
    TcxContainerStyleState state;
    bool own;              // the style itself assigns btsUltraFlat
    bool controllerState;  // the controller's style of the same state assigns btsFlat
    bool controllerNormal; // the controller's normal style assigns btsOffice11
    bool normal;           // the editor's normal style assigns btsHotFlat
    TcxEditButtonStyle expected;
};

class TEditStyleReadTest : public testing::TestWithParam<TReadCase> {};

TEST_P(TEditStyleReadTest, ButtonStyleComesFromTheFirstStyleThatAssignsIt) {
    const TReadCase& c = GetParam();
    TcxEditStyleController controller(nullptr);
    TEditStyleSet set;
    set.Get(csNormal)->SetStyleController(&controller);
    if (c.own) set.Get(c.state)->SetButtonStyle(btsUltraFlat);
    if (c.controllerState) static_cast<TcxEditStyle*>(controller.Styles().Style(c.state))->SetButtonStyle(btsFlat);
    if (c.controllerNormal) controller.Style()->SetButtonStyle(btsOffice11);
    if (c.normal) set.Get(csNormal)->SetButtonStyle(btsHotFlat);
    EXPECT_EQ(set.Get(c.state)->ButtonStyle(), c.expected);
    const bool assigned = c.own || c.controllerState;
    EXPECT_EQ(set.Get(c.state)->IsStyleValueAssigned(svButtonStyle), assigned);
}

const TReadCase ReadCases[] = {
    {"OwnWins", csFocused, true, true, true, true, btsUltraFlat},
    {"ControllerForTheSameState", csFocused, false, true, true, true, btsFlat},
    {"StateFallsBackToTheNormalStyle", csFocused, false, false, false, true, btsHotFlat},
    {"NormalStyleReadsTheControllersNormal", csHot, false, false, true, false, btsOffice11},
    {"NothingAssignedIsDefault", csDisabled, false, false, false, false, btsDefault},
    {"NormalOwn", csNormal, true, false, true, false, btsUltraFlat},
    {"NormalFromController", csNormal, false, true, false, false, btsFlat},
};
INSTANTIATE_TEST_SUITE_P(EditStyles, TEditStyleReadTest, testing::ValuesIn(ReadCases),
                         [](const testing::TestParamInfo<TReadCase>& info) { return info.param.name; });

TEST(EditStyles, ValuesSetOnAStateStyleLandInTheNormalStyleExceptButtonStyle) {
    TEditStyleSet set;
    TcxEditStyle* hot = set.Get(csHot);
    TcxEditStyle* normal = set.Get(csNormal);
    int changes = 0;
    set.styles.SetOnChanged([&](TObject*) { ++changes; });
    hot->SetGradient(true);
    hot->SetButtonTransparency(ebtHideInactive);
    hot->SetGradientDirection(dirLeft);
    hot->SetPopupBorderStyle(epbsFlat);
    hot->SetButtonStyle(btsSimple);
    const TcxContainerStyleValues passed = StyleValueBit(svGradient) | StyleValueBit(svButtonTransparency) |
                                           StyleValueBit(svGradientDirection) | StyleValueBit(svPopupBorderStyle);
    EXPECT_EQ(normal->AssignedValues() & passed, passed);
    EXPECT_EQ(hot->AssignedValues() & passed, 0u);
    EXPECT_TRUE(normal->Gradient());
    EXPECT_EQ(normal->ButtonTransparency(), ebtHideInactive);
    EXPECT_EQ(normal->GradientDirection(), dirLeft);
    EXPECT_EQ(normal->PopupBorderStyle(), epbsFlat);
    // ButtonStyle stays in the style it was set on.
    EXPECT_EQ(hot->ButtonStyle(), btsSimple);
    EXPECT_EQ(normal->ButtonStyle(), btsDefault);
    // The state style reads the passed values through its fallback.
    EXPECT_TRUE(hot->Gradient());
    EXPECT_EQ(changes, 5);
    // The same value again changes nothing.
    hot->SetButtonStyle(btsSimple);
    hot->SetGradient(true);
    EXPECT_EQ(changes, 5);
}

TEST(EditStyles, DefaultsNamesAndUnpublishedValues) {
    TEditStyleSet set;
    TcxEditStyle* normal = set.Get(csNormal);
    EXPECT_EQ(normal->GradientDirection(), dirDown);
    EXPECT_EQ(normal->PopupBorderStyle(), epbsDefault);
    EXPECT_EQ(normal->ButtonTransparency(), ebtNone);
    EXPECT_FALSE(normal->Gradient());
    EXPECT_FALSE(normal->GradientButtons());
    EXPECT_TRUE(normal->HasPopupCloseButton());
    EXPECT_EQ(normal->CountStyleValues(), 16);
    EXPECT_EQ(normal->GetUnpublishedStyleValues(), 64120u);
    const char* names[] = {"ButtonStyle", "ButtonTransparency", "PopupBorderStyle",
                           "GradientButtons", "Gradient", "GradientDirection"};
    for (int i = 0; i < 6; ++i) {
        AnsiString name;
        ASSERT_TRUE(normal->FindStyleValueName(svButtonStyle + i, name));
        EXPECT_EQ(name, AnsiString(names[i]));
        EXPECT_EQ(normal->FindStyleValueIndex(names[i]), svButtonStyle + i);
    }
    AnsiString name;
    EXPECT_TRUE(normal->FindStyleValueName(svBorderColor, name));
    EXPECT_EQ(name, AnsiString("BorderColor"));
    EXPECT_FALSE(normal->FindStyleValueName(16, name));
    // The popup close flag is the normal style's.
    normal->PopupCloseFlag = false;
    EXPECT_FALSE(set.Get(csFocused)->HasPopupCloseButton());
}

TEST(EditStyles, DirectAccessReadsTheOwnFieldOrTheFallback) {
    TcxEditStyle style(nullptr, true);
    EXPECT_EQ(style.ActiveStyleController(), nullptr);
    style.SetButtonStyle(btsOffice11);
    EXPECT_EQ(style.ButtonStyle(), btsOffice11);
    EXPECT_TRUE(style.IsStyleValueAssigned(svButtonStyle));
    // A direct-access state style does not reach a base style: it stores what it is given.
    TcxEditStyle state(nullptr, true, &style, csHot);
    state.SetGradient(true);
    EXPECT_TRUE(state.Gradient());
}

TEST(EditStyles, StandaloneStylesGetTheDefaultControllerInplaceOnesNone) {
    TEditStyleSet set;
    EXPECT_EQ(set.Get(csNormal)->StyleController(), nullptr); // only the standard one applies
    EXPECT_NE(GetDefaultEditStyleController(), nullptr);
    // The default controller's style settings reach every standalone editor.
    GetDefaultEditStyleController()->Style()->SetButtonStyle(btsHotFlat);
    EXPECT_EQ(set.Get(csNormal)->ButtonStyle(), btsHotFlat);

    auto inplace = TcxCustomEdit::CreateWithMode<TcxCustomEdit>(nullptr, true);
    TcxEditStyle inplaceStyle(inplace.get(), false);
    EXPECT_EQ(inplaceStyle.ButtonStyle(), btsDefault);
    EXPECT_FALSE(inplaceStyle.IsStyleValueAssigned(svButtonStyle));

    GetDefaultEditStyleController()->Style()->SetAssignedValues(0);
    EXPECT_EQ(set.Get(csNormal)->ButtonStyle(), btsDefault);
}

TEST(EditStyles, AssignCopiesTheEditValuesWithOneNotification) {
    TEditStyleSet from, to;
    from.Get(csNormal)->SetButtonStyle(btsUltraFlat);
    from.Get(csNormal)->SetGradient(true);
    from.Get(csNormal)->SetPopupBorderStyle(epbsFrame3D);
    from.Get(csNormal)->SetBorderStyle(ebsThick);
    from.Get(csNormal)->PopupCloseFlag = false;
    int changes = 0;
    to.styles.SetOnChanged([&](TObject*) { ++changes; });
    to.Get(csNormal)->Assign(from.Get(csNormal));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(to.Get(csNormal)->ButtonStyle(), btsUltraFlat);
    EXPECT_TRUE(to.Get(csNormal)->Gradient());
    EXPECT_EQ(to.Get(csNormal)->PopupBorderStyle(), epbsFrame3D);
    EXPECT_EQ(to.Get(csNormal)->BorderStyle(), ebsThick);
    EXPECT_FALSE(to.Get(csNormal)->HasPopupCloseButton());
}

TEST(EditStyles, FreeingTheDefaultControllerLeavesStylesWithoutOne) {
    {
        TEditStyleSet set;
        GetDefaultEditStyleController()->Style()->SetButtonStyle(btsFlat);
        EXPECT_EQ(set.Get(csNormal)->ButtonStyle(), btsFlat);
        FreeDefaultEditStyleController();
        EXPECT_EQ(set.Get(csNormal)->ButtonStyle(), btsDefault);
        EXPECT_EQ(set.Get(csNormal)->ActiveStyleController(), nullptr);
    }
    // The next use makes a fresh one.
    EXPECT_NE(GetDefaultEditStyleController(), nullptr);
    EXPECT_EQ(GetDefaultEditStyleController()->Style()->ButtonStyle(), btsDefault);
}

} // namespace
