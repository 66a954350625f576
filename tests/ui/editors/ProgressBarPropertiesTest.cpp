#include <gtest/gtest.h>

#include <functional>

#include "ui/editors/ProgressBar.h"
#include "ui/editors/framework/EditRegistration.h"
#include "ui/editors/framework/EditButtons.h"
#include "ui/editors/framework/FilterEditHelper.h"

namespace {
struct TNotifications {
    explicit TNotifications(TcxCustomEditProperties& properties) {
        properties.ChangedHandler = [this](TObject*) { ++count; };
    }
    int count = 0;
};

struct TRangeState {
    double min, max, overload, peak;
};

using TProgressAction = std::function<void(TcxProgressBarProperties&)>;

TRangeState RangeOf(TcxProgressBarProperties& p) {
    return {p.Min(), p.Max(), p.OverloadValue(), p.PeakValue()};
}
} // namespace

TEST(ProgressBarProperties, MinAndMaxPushEachOtherAndPullOverloadAndPeakIntoRange) {
    struct {
        const char* name;
        TProgressAction before;
        TProgressAction op;
        TRangeState after;
    } cases[] = {
        {"defaults", nullptr, nullptr, {0, 100, 80, 0}},
        {"Min above Max", nullptr, [](auto& p) { p.SetMin(120); }, {120, 120, 120, 120}},
        {"Min below", nullptr, [](auto& p) { p.SetMin(-50); }, {-50, 100, 80, 0}},
        {"Max below overload", nullptr, [](auto& p) { p.SetMax(50); }, {0, 50, 50, 0}},
        {"Max below Min", nullptr, [](auto& p) { p.SetMax(-10); }, {-10, -10, -10, -10}},
        {"Max pulls a high peak down", [](auto& p) { p.SetPeakValue(90); },
         [](auto& p) { p.SetMax(60); }, {0, 60, 60, 60}},
        {"overload above Max", nullptr, [](auto& p) { p.SetOverloadValue(150); }, {0, 100, 100, 0}},
        {"overload below Min", [](auto& p) { p.SetMin(10); },
         [](auto& p) { p.SetOverloadValue(-5); }, {10, 100, 10, 10}},
        {"peak is not clamped", nullptr, [](auto& p) { p.SetPeakValue(150); }, {0, 100, 80, 150}},
        {"Min up pulls overload and peak", [](auto& p) { p.SetPeakValue(5); },
         [](auto& p) { p.SetMin(30); }, {30, 100, 80, 30}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TcxProgressBarProperties p;
        if (c.before) c.before(p);
        if (c.op) c.op(p);
        TRangeState s = RangeOf(p);
        EXPECT_EQ(s.min, c.after.min);
        EXPECT_EQ(s.max, c.after.max);
        EXPECT_EQ(s.overload, c.after.overload);
        EXPECT_EQ(s.peak, c.after.peak);
    }
}

TEST(ProgressBarProperties, SettersSideEffectsAndOneNotificationEach) {
    struct {
        const char* name;
        TProgressAction before;
        TProgressAction op;
        std::function<bool(TcxProgressBarProperties&)> check;
        int notifications;
    } cases[] = {
        {"speed 25 stored as 20", nullptr, [](auto& p) { p.SetAnimationSpeed(25); },
         [](auto& p) { return p.AnimationSpeed() == 20; }, 1},
        {"speed 20 after 25 is no change", [](auto& p) { p.SetAnimationSpeed(25); },
         [](auto& p) { p.SetAnimationSpeed(20); }, [](auto& p) { return p.AnimationSpeed() == 20; }, 0},
        {"animation style sets the animation colour", nullptr,
         [](auto& p) { p.SetBarStyle(cxbsAnimationLEDs); },
         [](auto& p) { return p.BeginColor() == 0x00D328 && p.BarStyle() == cxbsAnimationLEDs; }, 1},
        {"other styles keep the colour", nullptr, [](auto& p) { p.SetBarStyle(cxbsGradientLEDs); },
         [](auto& p) { return p.BeginColor() == 0x800000; }, 1},
        {"marquee shows the text", nullptr, [](auto& p) { p.SetMarquee(true); },
         [](auto& p) { return p.ShowTextStyle() == cxtsText; }, 1},
        {"percent refused while marquee", [](auto& p) { p.SetMarquee(true); },
         [](auto& p) { p.SetShowTextStyle(cxtsPercent); },
         [](auto& p) { return p.ShowTextStyle() == cxtsText; }, 0},
        {"text style without marquee", nullptr, [](auto& p) { p.SetShowTextStyle(cxtsPosition); },
         [](auto& p) { return p.ShowTextStyle() == cxtsPosition; }, 1},
        {"a text chooses the text style", nullptr, [](auto& p) { p.SetText("abc"); },
         [](auto& p) { return p.ShowTextStyle() == cxtsText && p.Text() == "abc"; }, 1},
        {"an empty text keeps the style", [](auto& p) { p.SetText("abc"), p.SetShowTextStyle(cxtsPercent); },
         [](auto& p) { p.SetText(""); }, [](auto& p) { return p.ShowTextStyle() == cxtsPercent; }, 1},
        {"the same colour again", nullptr, [](auto& p) { p.SetBeginColor(0x800000); },
         [](auto&) { return true; }, 0},
        {"peak size 0 refused", nullptr, [](auto& p) { p.SetPeakSize(0); },
         [](auto& p) { return p.PeakSize() == 2; }, 0},
        {"Min and Max moved together notify once", nullptr, [](auto& p) { p.SetMin(500); },
         [](auto& p) { return p.Max() == 500; }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TcxProgressBarProperties p;
        if (c.before) c.before(p);
        TNotifications n(p);
        c.op(p);
        EXPECT_TRUE(c.check(p));
        EXPECT_EQ(n.count, c.notifications);
    }
}

TEST(ProgressBarProperties, StoredOnlyWhenTheFormNeedsTheValue) {
    TcxProgressBarProperties p;
    EXPECT_FALSE(p.IsMaxStored());
    EXPECT_FALSE(p.AssignedValues()->IsMaxStored());
    EXPECT_FALSE(p.IsOverloadValueStored());
    EXPECT_FALSE(p.IsPeakValueStored());
    EXPECT_FALSE(p.IsShowTextStyleStored());

    p.SetMax(0);
    EXPECT_TRUE(p.IsMaxStored());
    EXPECT_TRUE(p.AssignedValues()->Max());
    EXPECT_TRUE(p.AssignedValues()->IsMaxStored()); // Max is 0: the flag alone says it is set
    p.SetMax(40);
    EXPECT_FALSE(p.AssignedValues()->IsMaxStored());
    p.SetMin(-3);
    EXPECT_TRUE(p.AssignedValues()->Min());
    EXPECT_FALSE(p.AssignedValues()->IsMinStored());
    EXPECT_TRUE(p.IsOverloadValueStored()); // pulled down to 0 by Max 0
    p.SetPeakValue(1);
    EXPECT_TRUE(p.IsPeakValueStored());

    p.SetShowTextStyle(cxtsPosition);
    EXPECT_TRUE(p.IsShowTextStyleStored());
    p.SetMarquee(true);
    EXPECT_FALSE(p.IsShowTextStyleStored());

    // Clearing the flag brings the default range back.
    p.AssignedValues()->SetMax(false);
    EXPECT_EQ(p.Max(), 100);
    p.AssignedValues()->SetMin(false);
    EXPECT_EQ(p.Min(), 0);
}

TEST(ProgressBarProperties, AssignCopiesEveryProperty) {
    TcxProgressBarProperties source;
    source.SetAnimationPath(cxapPingPong);
    source.SetAnimationRestartDelay(500);
    source.SetAnimationSpeed(3);
    source.SetBarStyle(cxbsAnimation);
    source.SetBeginColor(0x123456); // after the style, which chose the animation colour
    source.SetBarBevelOuter(cxbvRaised);
    source.SetEndColor(0x654321);
    TBitmap image(3, 4);
    source.SetForegroundImage(&image);
    source.SetMin(-20);
    source.SetMax(200);
    source.SetOrientation(cxorVertical);
    source.SetShowText(false);
    source.SetText("Busy");
    source.SetShowTextStyle(cxtsPosition);
    source.SetTextOrientation(cxorVertical);
    source.SetSolidTextColor(true);
    source.SetTransparentImage(false);
    source.SetBorderWidth(3);
    source.SetOverloadValue(150);
    source.SetShowOverload(true);
    source.SetOverloadBeginColor(0x111111);
    source.SetOverloadEndColor(0x222222);
    source.SetPeakValue(170);
    source.SetShowPeak(true);
    source.SetPeakColor(0x333333);
    source.SetPeakSize(5);

    TcxProgressBarProperties target;
    TNotifications n(target);
    target.Assign(&source);
    EXPECT_EQ(n.count, 1);
    EXPECT_EQ(target.AnimationPath(), cxapPingPong);
    EXPECT_EQ(target.AnimationRestartDelay(), 500u);
    EXPECT_EQ(target.AnimationSpeed(), 3);
    EXPECT_EQ(target.BarStyle(), cxbsAnimation);
    EXPECT_EQ(target.BeginColor(), 0x123456);
    EXPECT_EQ(target.BarBevelOuter(), cxbvRaised);
    EXPECT_EQ(target.EndColor(), 0x654321);
    ASSERT_TRUE(target.HasForegroundImage());
    EXPECT_EQ(target.ForegroundImage()->Width(), 3);
    EXPECT_EQ(target.ForegroundImage()->Height(), 4);
    EXPECT_NE(target.ForegroundImage(), source.ForegroundImage());
    EXPECT_TRUE(target.ImageChanged);
    EXPECT_EQ(target.Min(), -20);
    EXPECT_EQ(target.Max(), 200);
    EXPECT_EQ(target.Orientation(), cxorVertical);
    EXPECT_FALSE(target.ShowText());
    EXPECT_EQ(target.Text(), "Busy");
    EXPECT_EQ(target.ShowTextStyle(), cxtsPosition);
    EXPECT_EQ(target.TextOrientation(), cxorVertical);
    EXPECT_TRUE(target.SolidTextColor());
    EXPECT_FALSE(target.TransparentImage());
    EXPECT_EQ(target.BorderWidth(), 3);
    EXPECT_EQ(target.OverloadValue(), 150);
    EXPECT_TRUE(target.ShowOverload());
    EXPECT_EQ(target.OverloadBeginColor(), 0x111111);
    EXPECT_EQ(target.OverloadEndColor(), 0x222222);
    EXPECT_EQ(target.PeakValue(), 170);
    EXPECT_TRUE(target.ShowPeak());
    EXPECT_EQ(target.PeakColor(), 0x333333);
    EXPECT_EQ(target.PeakSize(), 5);

    // A marquee source: its text style comes along with the flag.
    TcxProgressBarProperties marquee;
    marquee.SetMarquee(true);
    TcxProgressBarProperties second;
    second.Assign(&marquee);
    EXPECT_TRUE(second.Marquee());
    EXPECT_EQ(second.ShowTextStyle(), cxtsText);

    // Without an image at the source the target's image goes.
    TcxProgressBarProperties plain;
    target.Assign(&plain);
    EXPECT_FALSE(target.HasForegroundImage());
}

TEST(ProgressBarProperties, ForegroundImageIsCopiedAndItsChangesNotify) {
    TcxProgressBarProperties p;
    EXPECT_FALSE(p.HasForegroundImage());
    TNotifications n(p);
    TBitmap image(8, 2);
    p.SetForegroundImage(&image);
    EXPECT_EQ(n.count, 1);
    EXPECT_TRUE(p.ImageChanged);
    EXPECT_EQ(p.ForegroundImage()->Width(), 8);
    image.SetSize(9, 9);
    EXPECT_EQ(p.ForegroundImage()->Width(), 8);

    p.ForegroundImage()->SetSize(4, 4);
    EXPECT_GE(n.count, 2);

    p.ImageChanged = false;
    int before = n.count;
    p.SetForegroundImage(nullptr);
    EXPECT_FALSE(p.HasForegroundImage());
    EXPECT_TRUE(p.ImageChanged);
    EXPECT_EQ(n.count, before + 1);
}

TEST(ProgressBarProperties, PeakFollowsTheHighestPositionAndPositionIsKeptInRange) {
    struct {
        double min, max, peakBefore, position;
        double result, peakAfter;
    } peaks[] = {
        {0, 100, 0, 40, 40, 40},      {0, 100, 60, 40, 60, 60},   {0, 100, 150, 40, 100, 150},
        {0, 100, -10, -20, 0, 0},     {10, 50, 30, 70, 70, 70},   {0, 100, 99, 99.5, 99.5, 99.5},
    };
    for (const auto& c : peaks) {
        TcxProgressBarProperties p;
        p.SetMin(c.min);
        p.SetMax(c.max);
        p.SetPeakValue(c.peakBefore);
        EXPECT_EQ(p.UpdatePeak(c.position), c.result) << c.position;
        EXPECT_EQ(p.PeakValue(), c.peakAfter) << c.position;
    }

    struct {
        double min, max, position, adjusted;
    } positions[] = {
        {0, 100, 150, 100}, {0, 100, -1, 0}, {0, 100, 33.3, 33.3}, {20, 20, 1e300, 1e300}, {20, 20, -5, -5},
    };
    for (const auto& c : positions) {
        TcxProgressBarProperties p;
        p.SetMax(c.max);
        p.SetMin(c.min);
        EXPECT_EQ(p.AdjustPosition(c.position), c.adjusted) << c.position;
    }
}

TEST(ProgressBarProperties, EditValuesConvertToNumbersAndDisplayText) {
    struct {
        const char* name;
        Variant value;
        double number;
        const char* percentText;
    } cases[] = {
        {"text", Variant(AnsiString("50")), 50, "50 %"},
        {"exponent", Variant(AnsiString("5e1")), 50, "50 %"},
        {"fraction", Variant(AnsiString("12.5")), 12.5, "12.5 %"},
        {"not a number", Variant(AnsiString("abc")), 0, "0 %"},
        {"partly a number", Variant(AnsiString("12abc")), 0, "0 %"},
        {"null", Variant::Null(), 0, "0 %"},
        {"empty", Variant(), 0, "0 %"},
        {"integer", Variant(7), 7, "7 %"},
        {"double", Variant(-2.25), -2.25, "-2.25 %"},
        {"date", Variant::FromDateTime(45000.5), 45000.5, "45000.5 %"},
    };
    TcxProgressBarProperties p;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ProgressBarValueToNumber(c.value), c.number);
        Variant display;
        p.EditValueToDisplay(c.value, display, false);
        EXPECT_EQ(display.AsDouble(), c.number);
        EXPECT_EQ(p.DisplayText(c.value), c.percentText);
    }
    p.SetShowTextStyle(cxtsPosition);
    EXPECT_EQ(p.DisplayText(Variant(AnsiString("5e1"))), "50");
    EXPECT_EQ(p.FormatDisplayText(Variant(33)), L"33");
}

TEST(ProgressBarProperties, ClassSlotsAndStoredNames) {
    TcxProgressBarProperties p;
    EXPECT_TRUE(p.ComparesEditValues());
    EXPECT_FALSE(p.DisplayDependsOnFocus());
    EXPECT_EQ(p.GetSupportedOperations(), 0x109u);
    EXPECT_TRUE(p.AssignedValues()->InheritsFrom(TcxProgressBarPropertiesValues::StaticClass()));
    EXPECT_STREQ(ProgressBarBarStyleNames[cxbsAnimationLEDs], "cxbsAnimationLEDs");
    EXPECT_STREQ(ProgressBarBarStyleNames[cxbsBitmap], "cxbsBitmap");
    EXPECT_STREQ(ProgressBarTextStyleNames[cxtsPosition], "cxtsPosition");
    EXPECT_STREQ(ProgressBarBevelOuterNames[cxbvRaised], "cxbvRaised");
    EXPECT_STREQ(ProgressBarAnimationPathNames[cxapPingPong], "cxapPingPong");
    EXPECT_STREQ(ProgressBarOrientationNames[cxorVertical], "cxorVertical");
    for (int s = cxbsSolid; s <= cxbsAnimationLEDs; ++s) {
        auto style = static_cast<TcxProgressBarBarStyle>(s);
        EXPECT_EQ(IsLEDStyle(style), s == 1 || s == 3 || s == 5 || s == 7) << s;
        EXPECT_EQ(IsAnimationStyle(style), s >= 6) << s;
    }
}

TEST(ProgressBarProperties, RegisteredWhileTheUnitRuns) {
    TcxRegisteredClasses* list = GetEditPropertiesClassList();
    const TClass bar = TcxProgressBarProperties::StaticClass();
    const TcxCustomFilterEditHelperClass helper = FilterEditHelperClass<TcxFilterProgressBarHelper>();
    int index = list->IndexOfClass(bar);
    ASSERT_GE(index, 0);
    EXPECT_EQ(list->GetDescription(index), "ProgressBar");
    EXPECT_EQ(GetFilterEditsController()->FindHelper(bar), helper);
    EXPECT_NE(GetFilterEditsController()->FindHelper(TcxTextEditProperties::StaticClass()), helper);
    ProgressBarUnitFinalize();
    EXPECT_LT(list->IndexOfClass(bar), 0);
    EXPECT_EQ(GetFilterEditsController()->FindHelper(bar), nullptr);
    ProgressBarUnitInitialize();
    EXPECT_GE(list->IndexOfClass(bar), 0);
    EXPECT_EQ(GetFilterEditsController()->FindHelper(bar), helper);
}

TEST(ProgressBarProperties, FiltersEditANumberWithinTheBarsRange) {
    const TcxCustomFilterEditHelperClass helper = GetFilterEditsController()->FindHelper(
        TcxProgressBarProperties::StaticClass());
    ASSERT_NE(helper, nullptr);
    EXPECT_TRUE(helper->KeepsButtons());
    struct {
        bool extended;
        unsigned long long operators;
    } lists[] = {{false, 0x67E}, {true, 0x67E | 0x7800}};
    for (const auto& l : lists) {
        TcxFilterOperators operators;
        operators.set(20); // whatever the list held before goes
        helper->ListFilterOperators(nullptr, operators, l.extended);
        EXPECT_EQ(operators.to_ullong(), l.operators) << l.extended;
    }

    struct {
        const char* name;
        double min, max;
    } ranges[] = {{"default range", 0, 100}, {"negative range", -50, -10}, {"empty range", 7, 7}};
    for (const auto& r : ranges) {
        SCOPED_TRACE(r.name);
        TcxProgressBarProperties bar;
        bar.SetMax(r.max);
        bar.SetMin(r.min);
        bar.Buttons()->Clear();
        TcxTextEditProperties filter;
        filter.SetReadOnly(true);
        helper->SetUpFilterProperties(&filter, &bar, helper->KeepsButtons());
        EXPECT_EQ(filter.Buttons()->Count(), 2);
        EXPECT_EQ(filter.MinValue(), r.min);
        EXPECT_EQ(filter.MaxValue(), r.max);
        EXPECT_TRUE(filter.AssignedValues()->MinValue());
        EXPECT_TRUE(filter.AssignedValues()->MaxValue());
        EXPECT_FALSE(filter.ReadOnly());
    }
}
