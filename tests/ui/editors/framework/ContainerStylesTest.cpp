#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/core/Filer.h"
#include "platform/core/Streams.h"
#include "ui/editors/framework/Container.h"
#include "ui/editors/framework/ContainerStyles.h"

namespace {

constexpr TColor OwnColor = 0x0000FF;        // red
constexpr TColor NormalColor = 0x00FF00;     // green
constexpr TColor ControllerColor = 0xFF0000; // blue
constexpr TColor ChainColor = 0x00FFFF;      // yellow
constexpr TColor ParentFormColor = 0xFFFF00; // aqua

// A container that starts with its parent's colour, like a check box.
class TParentColoredContainer : public TcxContainer {
public:
    explicit TParentColoredContainer(TComponent* owner) : TcxContainer(owner) {}
    bool DefaultParentColor() override { return true; }
};

class THostlessForm : public TForm {
public:
    THostlessForm() : TForm(nullptr) { SetColor(ParentFormColor); }
};

enum TOwnerKind { okNone, okContainer, okParentColored, okParentColorOn };
enum TSetAt { saNowhere, saOwn, saNormal, saController, saChain };

struct TResolveCase {
    const char* name;
    TcxContainerStyleValue value;
    TcxContainerStyleState state;
    TSetAt setAt;
    TOwnerKind owner;
    bool controlColor; // GetControlColor in place of the published Color
    TColor expected;
};

void SetValue(TcxContainerStyle* style, TcxContainerStyleValue value, TColor color) {
    switch (value) {
    case svBorderColor:
        style->SetBorderColor(color);
        break;
    case svColor:
        style->SetColor(color);
        break;
    default:
        style->SetTextColor(color);
        break;
    }
}

TColor Resolve(TcxContainerStyle* style, TcxContainerStyleValue value, bool controlColor) {
    switch (value) {
    case svBorderColor:
        return style->BorderColor();
    case svColor:
        return controlColor ? style->GetControlColor() : style->GetColor();
    default:
        return style->GetTextColor();
    }
}

class TResolveTest : public testing::TestWithParam<TResolveCase> {};

TEST_P(TResolveTest, ValueComesFromOwnBitControllerChainOrFallback) {
    const TResolveCase& c = GetParam();
    TcxStyleController chain(nullptr), controller(nullptr);
    controller.Style()->SetStyleController(&chain);
    THostlessForm form;
    std::unique_ptr<TcxContainerStyles> freeStyles;
    std::unique_ptr<TcxContainer> container;
    TcxContainerStyles* styles;
    if (c.owner == okNone) {
        freeStyles = std::make_unique<TcxContainerStyles>(nullptr, TcxContainerStyle::Class());
        styles = freeStyles.get();
    } else {
        container.reset(c.owner == okParentColored ? new TParentColoredContainer(nullptr) : new TcxContainer(nullptr));
        container->SetParent(&form);
        if (c.owner == okParentColorOn) container->SetParentColor(true);
        styles = &container->StateStyles();
    }
    styles->Normal()->SetStyleController(&controller);
    TcxContainerStyle* style = styles->Style(c.state);
    switch (c.setAt) {
    case saOwn:
        SetValue(style, c.value, OwnColor);
        break;
    case saNormal:
        SetValue(styles->Normal(), c.value, NormalColor);
        break;
    case saController:
        SetValue(controller.Styles().Style(c.state), c.value, ControllerColor);
        SetValue(chain.Styles().Style(c.state), c.value, ChainColor);
        break;
    case saChain:
        SetValue(chain.Styles().Style(c.state), c.value, ChainColor);
        break;
    default:
        break;
    }
    EXPECT_EQ(Resolve(style, c.value, c.controlColor), c.expected);
    // A colour of the style's own becomes the control's and ends ParentColor; others leave it on.
    if (c.owner == okParentColorOn) EXPECT_EQ(container->ParentColor(), c.setAt != saOwn);
    EXPECT_EQ(style->IsStyleValueAssigned(c.value), c.setAt == saOwn || c.setAt == saController || c.setAt == saChain);
    container.reset();
}

const TResolveCase ResolveCases[] = {
    {"BorderColorNormalFallback", svBorderColor, csNormal, saNowhere, okNone, false, clWindowFrame},
    {"BorderColorDisabledFallback", svBorderColor, csDisabled, saNowhere, okNone, false, clBtnShadow},
    {"BorderColorFocusedTakesNormal", svBorderColor, csFocused, saNormal, okNone, false, NormalColor},
    {"BorderColorHotOwn", svBorderColor, csHot, saOwn, okNone, false, OwnColor},
    {"BorderColorFocusedFromController", svBorderColor, csFocused, saController, okNone, false, ControllerColor},
    {"BorderColorFocusedFromChain", svBorderColor, csFocused, saChain, okNone, false, ChainColor},
    {"BorderColorNormalFromChain", svBorderColor, csNormal, saChain, okContainer, false, ChainColor},
    {"ColorFreeStyleFallback", svColor, csNormal, saNowhere, okNone, false, clBtnFace},
    {"ColorContainerFallback", svColor, csNormal, saNowhere, okContainer, false, clWindow},
    {"ColorParentColoredFallback", svColor, csNormal, saNowhere, okParentColored, false, clBtnFace},
    {"ColorDisabledFallback", svColor, csDisabled, saNowhere, okContainer, false, clBtnFace},
    {"ColorDisabledParentColoredTakesNormal", svColor, csDisabled, saNormal, okParentColored, false, NormalColor},
    {"ColorFocusedTakesNormal", svColor, csFocused, saNormal, okContainer, false, NormalColor},
    {"ColorHotFromController", svColor, csHot, saController, okContainer, false, ControllerColor},
    {"ColorParentColorBeforeController", svColor, csNormal, saChain, okParentColorOn, false, ParentFormColor},
    {"ControlColorOwnBeforeParent", svColor, csNormal, saOwn, okParentColorOn, true, OwnColor},
    {"ControlColorParentBeforeFallback", svColor, csNormal, saNowhere, okParentColorOn, true, ParentFormColor},
    {"ControlColorControllerBeforeParent", svColor, csNormal, saChain, okParentColorOn, true, ChainColor},
    {"TextColorNormalFromFont", svTextColor, csNormal, saNowhere, okNone, false, clWindowText},
    {"TextColorDisabledFallback", svTextColor, csDisabled, saNowhere, okNone, false, clBtnShadow},
    {"TextColorHotTakesNormal", svTextColor, csHot, saNormal, okNone, false, NormalColor},
    {"TextColorFocusedFromController", svTextColor, csFocused, saController, okContainer, false, ControllerColor},
};
INSTANTIATE_TEST_SUITE_P(Styles, TResolveTest, testing::ValuesIn(ResolveCases),
                         [](const testing::TestParamInfo<TResolveCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------------------------
struct TBorderCase {
    TcxContainerBorderStyle normal;
    TcxContainerBorderStyle raised;
};

TEST(ContainerStyle, StateStylesRaiseTheNormalBorderOnlyWithHotTracking) {
    const TBorderCase cases[] = {
        {cbsNone, cbsFlat},   {cbsSingle, cbsThick},         {cbsThick, cbsThick},        {cbsFlat, cbs3D},
        {cbs3D, cbs3D},       {cbsUltraFlat, cbsUltraFlat}, {cbsOffice11, cbsOffice11},
    };
    TcxContainerStyles styles(nullptr, TcxContainerStyle::Class());
    for (const TBorderCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "normal border " << c.normal);
        styles.Normal()->SetBorderStyle(c.normal);
        styles.Normal()->SetHotTrack(true);
        EXPECT_EQ(styles.Focused()->BorderStyle(), c.raised);
        EXPECT_EQ(styles.Hot()->BorderStyle(), c.raised);
        EXPECT_EQ(styles.Disabled()->BorderStyle(), c.normal);
        styles.Normal()->SetHotTrack(false);
        EXPECT_EQ(styles.Focused()->BorderStyle(), c.normal);
        EXPECT_EQ(styles.Hot()->BorderStyle(), c.normal);
        EXPECT_EQ(styles.Disabled()->BorderStyle(), c.normal);
    }
    // A state style's own border wins over the raised one.
    styles.Normal()->SetHotTrack(true);
    styles.Hot()->SetBorderStyle(cbsSingle);
    EXPECT_EQ(styles.Hot()->BorderStyle(), cbsSingle);
}

TEST(ContainerStyle, NormalBorderFallsBackByLookAndFeelKind) {
    const std::pair<TcxLookAndFeelKind, TcxContainerBorderStyle> cases[] = {
        {lfFlat, cbsFlat}, {lfStandard, cbs3D}, {lfUltraFlat, cbsUltraFlat}, {lfOffice11, cbsOffice11}};
    TcxContainerStyles styles(nullptr, TcxContainerStyle::Class());
    for (auto [kind, border] : cases) {
        styles.Normal()->LookAndFeel().SetKind(kind);
        EXPECT_EQ(styles.Normal()->BorderStyle(), border) << kind;
        EXPECT_EQ(styles.Disabled()->BorderStyle(), border) << kind;
    }
}

TEST(ContainerStyle, NormalOwnedValuesSetOnAStateStyleLandInTheNormalStyle) {
    TcxContainerStyles styles(nullptr, TcxContainerStyle::Class());
    int normalNotified = 0;
    styles.Normal()->OnChanged = [&](TObject*) { ++normalNotified; };
    styles.Hot()->SetEdges(TcxBorders{bLeft, bTop});
    EXPECT_EQ(styles.Normal()->Edges(), (TcxBorders{bLeft, bTop}));
    EXPECT_NE(styles.Normal()->AssignedValues() & StyleValueBit(svEdges), 0u);
    EXPECT_EQ(styles.Hot()->AssignedValues() & StyleValueBit(svEdges), 0u);
    EXPECT_EQ(styles.Focused()->Edges(), (TcxBorders{bLeft, bTop}));
    styles.Disabled()->SetShadow(true);
    styles.Focused()->SetTransparentBorder(false);
    styles.Hot()->SetHotTrack(false);
    EXPECT_TRUE(styles.Normal()->Shadow());
    EXPECT_FALSE(styles.Normal()->TransparentBorder());
    EXPECT_FALSE(styles.Normal()->HotTrack());
    EXPECT_EQ(normalNotified, 4);
    // Setting a value the style already owns with the same value changes nothing.
    styles.Hot()->SetEdges(TcxBorders{bLeft, bTop});
    EXPECT_EQ(normalNotified, 4);
}

TEST(ContainerStyle, AttachingAControllerThatLeadsBackIsRefused) {
    TcxStyleController first(nullptr), second(nullptr);
    first.Style()->SetStyleController(&second);
    second.Style()->SetStyleController(&first);
    EXPECT_EQ(first.Style()->StyleController(), &second);
    EXPECT_EQ(second.Style()->StyleController(), nullptr);
    EXPECT_EQ(first.ListenerCount(), 0);
    // A style may not take its own controller either.
    first.Style()->SetStyleController(&first);
    EXPECT_EQ(first.Style()->StyleController(), &second);
}

TEST(ContainerStyle, ControllerChangesReachEveryListenerAndItsLookAndFeel) {
    TcxStyleController controller(nullptr);
    TcxContainer a(nullptr), b(nullptr);
    a.Style()->SetStyleController(&controller);
    b.Style()->SetStyleController(&controller);
    EXPECT_EQ(controller.ListenerCount(), 2);
    EXPECT_EQ(a.FakeStyleController(), &controller);
    controller.Style()->LookAndFeel().SetKind(lfOffice11);
    EXPECT_EQ(a.Style()->LookAndFeel().Kind(), lfOffice11);
    EXPECT_EQ(a.Style()->BorderStyle(), cbsOffice11);
    controller.Style()->SetColor(ControllerColor);
    EXPECT_EQ(a.Color(), ControllerColor);
    EXPECT_EQ(b.Color(), ControllerColor);
    // The controller's font becomes the style's font while the style has none of its own.
    controller.Style()->Font()->SetSize(15);
    EXPECT_EQ(a.Style()->Font()->Size(), 15);
    EXPECT_EQ(a.Style()->AssignedValues() & StyleValueBit(svFont), 0u);
    EXPECT_TRUE(a.Style()->IsStyleValueAssigned(svFont));
    a.Style()->SetStyleController(nullptr);
    EXPECT_EQ(controller.ListenerCount(), 1);
    EXPECT_EQ(a.Color(), clWindow);
}

TEST(ContainerStyle, DestroyingAControllerNotifiesEachContainerOnceAndFallsBack) {
    auto controller = std::make_unique<TcxStyleController>(nullptr);
    controller->Style()->SetColor(ControllerColor);
    controller->Style()->SetBorderStyle(cbsSingle);
    TcxContainer a(nullptr), b(nullptr);
    int aNotified = 0, bNotified = 0;
    a.Style()->SetStyleController(controller.get());
    b.Style()->SetStyleController(controller.get());
    a.StateStyles().SetOnChanged([&](TObject*) { ++aNotified; });
    b.StateStyles().SetOnChanged([&](TObject*) { ++bNotified; });
    EXPECT_EQ(a.Style()->GetColor(), ControllerColor);
    controller.reset();
    EXPECT_EQ(aNotified, 1);
    EXPECT_EQ(bNotified, 1);
    EXPECT_EQ(a.Style()->StyleController(), nullptr);
    EXPECT_EQ(a.Style()->GetColor(), clWindow);
    EXPECT_EQ(b.Style()->BorderStyle(), cbsUltraFlat);
}

// A style whose standard controller is a test's own, as the editor styles have one.
TcxStyleController*& TestStandardController() {
    static TcxStyleController* controller = nullptr;
    return controller;
}

class TStandardControlledStyle : public TcxContainerStyle {
public:
    TStandardControlledStyle(TPersistent* owner, bool direct, TcxContainerStyle* parent, TcxContainerStyleState state)
        : TcxContainerStyle(owner, direct, parent, state) {
        if (state == csNormal) AttachStandardStyleController();
    }

protected:
    TcxStyleController* StandardStyleController() const override { return TestStandardController(); }
};

TcxContainerStyleClass StandardControlledStyleClass() {
    return [](TPersistent* owner, bool direct, TcxContainerStyle* parent, TcxContainerStyleState state) {
        return std::make_unique<TStandardControlledStyle>(owner, direct, parent, state);
    };
}

TEST(ContainerStyle, StandardControllerGoingFirstLeavesItsListenersWithNone) {
    auto standard = std::make_unique<TcxStyleController>(nullptr);
    TestStandardController() = standard.get();
    standard->Style()->SetColor(ControllerColor);
    auto other = std::make_unique<TcxStyleController>(nullptr);
    auto styles = std::make_unique<TcxContainerStyles>(nullptr, StandardControlledStyleClass());
    auto moved = std::make_unique<TcxContainerStyles>(nullptr, StandardControlledStyleClass());
    moved->Normal()->SetStyleController(other.get());
    EXPECT_EQ(styles->Normal()->ActiveStyleController(), standard.get());
    EXPECT_EQ(styles->Normal()->StyleController(), nullptr); // the standard one reads as none
    EXPECT_EQ(styles->Normal()->GetColor(), ControllerColor);
    // Another controller going hands its listeners to the standard one.
    other.reset();
    EXPECT_EQ(moved->Normal()->ActiveStyleController(), standard.get());
    EXPECT_EQ(standard->ListenerCount(), 2);
    // The standard one going (at unit end) leaves them with none, not with itself.
    standard.reset();
    EXPECT_EQ(styles->Normal()->ActiveStyleController(), nullptr);
    EXPECT_EQ(moved->Normal()->ActiveStyleController(), nullptr);
    EXPECT_EQ(styles->Normal()->GetColor(), clBtnFace);
    TestStandardController() = nullptr;
    styles.reset(); // must not reach the freed controller
    moved.reset();
}

TEST(ContainerStyle, IsFontAssignedReadFalseStillMarksTheFontAssigned) {
    TMemoryStream stream;
    {
        TWriter writer(&stream);
        writer.WritePropertyName("IsFontAssigned");
        writer.WriteBoolean(false);
        writer.WriteListEnd();
    }
    stream.SetPosition(0);
    TcxContainerStyles styles(nullptr, TcxContainerStyle::Class());
    TReader reader(&stream);
    reader.ReadProperties(styles.Normal());
    EXPECT_NE(styles.Normal()->AssignedValues() & StyleValueBit(svFont), 0u);
}

TEST(ContainerStyle, IsFontAssignedIsWrittenWithTheStoredFont) {
    TcxContainerStyles styles(nullptr, TcxContainerStyle::Class());
    auto written = [&] {
        TMemoryStream stream;
        TWriter writer(&stream);
        writer.WriteProperties(styles.Normal());
        return stream.Size();
    };
    const auto withoutFont = written();
    styles.Normal()->Font()->SetSize(12);
    EXPECT_GT(written(), withoutFont);
}

TEST(ContainerStyle, NestedUpdatesNotifyOnceAtTheOutermostEnd) {
    TcxContainerStyles styles(nullptr, TcxContainerStyle::Class());
    int notified = 0;
    styles.Normal()->OnChanged = [&](TObject*) { ++notified; };
    TcxContainerStyle* style = styles.Normal();
    style->StartUpdate();
    style->SetColor(OwnColor);
    style->StartUpdate();
    style->SetBorderStyle(cbsThick);
    style->SetTextColor(NormalColor);
    style->FinishUpdate();
    EXPECT_EQ(notified, 0);
    style->FinishUpdate();
    EXPECT_EQ(notified, 1);
    style->FinishUpdate(); // unbalanced: nothing
    EXPECT_EQ(notified, 1);
    // An update without changes ends silently.
    style->StartUpdate();
    style->FinishUpdate();
    EXPECT_EQ(notified, 1);
}

TEST(ContainerStyle, AssignCopiesValuesAndBitsWithOneNotification) {
    TcxContainerStyles source(nullptr, TcxContainerStyle::Class()), dest(nullptr, TcxContainerStyle::Class());
    source.Normal()->SetColor(OwnColor);
    source.Normal()->SetEdges(TcxBorders{bTop});
    source.Normal()->SetShadow(true);
    source.Normal()->Font()->SetSize(14);
    int notified = 0;
    dest.Normal()->OnChanged = [&](TObject*) { ++notified; };
    dest.Normal()->Assign(source.Normal());
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(dest.Normal()->AssignedValues(), source.Normal()->AssignedValues());
    EXPECT_EQ(dest.Normal()->GetColor(), OwnColor);
    EXPECT_EQ(dest.Normal()->Edges(), TcxBorders{bTop});
    EXPECT_TRUE(dest.Normal()->Shadow());
    EXPECT_EQ(dest.Normal()->Font()->Size(), 14);
}

TEST(ContainerStyle, DirectAccessStyleCarriesValuesWithoutNotifying) {
    TcxContainerStyle style(nullptr, true);
    int notified = 0;
    style.OnChanged = [&](TObject*) { ++notified; };
    EXPECT_EQ(style.AssignedValues(), (1u << 10) - 1);
    EXPECT_EQ(style.BorderColor(), clDefault);
    EXPECT_TRUE(style.TransparentBorder());
    EXPECT_EQ(style.BorderStyle(), cbsUltraFlat); // still falls back
    TFont font;
    style.SetFont(&font);
    EXPECT_EQ(style.Font(), &font);
    style.SetColor(OwnColor);
    EXPECT_EQ(style.GetColor(), OwnColor);
    EXPECT_EQ(notified, 0);
}

TEST(ContainerStyle, ValueNamesAndPublishedProperties) {
    TcxContainerStyle style(nullptr, false);
    AnsiString name;
    ASSERT_TRUE(style.FindStyleValueName(svTransparentBorder, name));
    EXPECT_EQ(name, "TransparentBorder");
    EXPECT_FALSE(style.FindStyleValueName(10, name));
    EXPECT_EQ(style.FindStyleValueIndex("textcolor"), svTextColor);
    EXPECT_EQ(style.FindStyleValueIndex("Nothing"), -1);
    EXPECT_TRUE(style.IsPropertyPublished("BorderColor"));
    EXPECT_FALSE(style.IsPropertyPublished("Edges"));
    EXPECT_FALSE(style.IsPropertyPublished("LookAndFeel"));
    EXPECT_TRUE(style.IsPropertyPublished("lookAndFeel")); // these two names compare by case
    EXPECT_TRUE(style.IsPropertyPublished("Anything"));
    EXPECT_FALSE(style.IsStyleValueAssigned(svTransparentBorder));
    style.SetTransparentBorder(false);
    EXPECT_FALSE(style.IsStyleValueAssigned(svTransparentBorder)); // never answered
}

TEST(ContainerStyle, ResetToDefaultsClearsValuesAndTheLookAndFeel) {
    TcxContainer container(nullptr);
    container.Style()->SetColor(OwnColor);
    container.Style()->SetBorderStyle(cbsThick);
    container.Style()->LookAndFeel().SetKind(lfFlat);
    container.Style()->ResetToDefaults();
    EXPECT_EQ(container.Style()->AssignedValues(), 0u);
    EXPECT_EQ(container.Style()->LookAndFeel().AssignedValues(), TcxLookAndFeelValues{});
    EXPECT_TRUE(container.ParentFont());
    EXPECT_FALSE(container.ParentColor());
    TParentColoredContainer checkLike(nullptr);
    checkLike.Style()->ResetToDefaults();
    EXPECT_TRUE(checkLike.ParentColor());
}

} // namespace
