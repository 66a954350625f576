#include <gtest/gtest.h>

#include "ui/editors/ProgressBarEdit.h"

namespace {
std::unique_ptr<TcxProgressBar> MakeProgressBar(bool inPlace = false) {
    return TcxCustomEdit::CreateWithMode<TcxProgressBar>(nullptr, inPlace);
}
} // namespace

TEST(ProgressBarEdit, DefaultsOfTheControl) {
    auto bar = MakeProgressBar();
    EXPECT_EQ(bar->Width(), 121);
    EXPECT_EQ(bar->Height(), 21);
    EXPECT_FALSE(bar->ControlStyle.Contains(csCaptureMouse));
    EXPECT_FALSE(bar->ControlStyle.Contains(csClickEvents));
    EXPECT_FALSE(bar->ControlStyle.Contains(csDoubleClicks));
    EXPECT_FALSE(bar->CanFocus());
    EXPECT_FALSE(bar->CanFocusOnClick());
    EXPECT_TRUE(bar->DefaultParentColor());
    EXPECT_TRUE(bar->Properties()->InheritsFrom(TcxProgressBarProperties::StaticClass()));
    EXPECT_EQ(bar->Position(), 0);
}

TEST(ProgressBarEdit, PositionIsKeptInRangeExceptWhileLoading) {
    struct {
        const char* name;
        double min, max, position;
        bool loading;
        double editValue, shown, afterCheck;
    } cases[] = {
        {"inside", 0, 100, 40, false, 40, 40, 40},
        {"above", 0, 100, 150, false, 100, 100, 100},
        {"below", 0, 100, -5, false, 0, 0, 0},
        {"loading keeps it", 0, 100, 150, true, 150, 100, 100},
        {"loading below", 10, 20, 5, true, 5, 10, 10},
        {"empty range: no clamp", 20, 20, 1e300, false, 1e300, 1e300, 1e300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto bar = MakeProgressBar();
        bar->Properties()->SetMax(c.max);
        bar->Properties()->SetMin(c.min);
        if (c.loading) bar->BeginLoading();
        bar->SetPosition(c.position);
        EXPECT_EQ(bar->EditValue().AsDouble(), c.editValue);
        EXPECT_EQ(bar->Position(), c.shown);
        bar->CheckEditValue();
        EXPECT_FALSE(bar->CheckingEditValue());
        EXPECT_EQ(bar->EditValue().AsDouble(), c.afterCheck);
    }
}

TEST(ProgressBarEdit, EditValuesAndPropertyChangesMoveThePosition) {
    auto bar = MakeProgressBar();
    struct {
        Variant value;
        double shown;
    } values[] = {{Variant(AnsiString("50")), 50}, {Variant(AnsiString("5e1")), 50},
                  {Variant(AnsiString("abc")), 0}, {Variant::Null(), 0}, {Variant(250), 100}};
    for (const auto& v : values) {
        bar->SetEditValue(v.value);
        EXPECT_EQ(bar->Position(), v.shown) << v.value.AsAnsiString();
    }
    bar->SetPosition(80);
    bar->Properties()->SetMax(50); // a standalone bar checks its value against the new range
    EXPECT_EQ(bar->EditValue().AsDouble(), 50);
    EXPECT_EQ(bar->Position(), 50);

    // In place the host owns the value: only the shown position follows.
    auto cell = MakeProgressBar(true);
    cell->SetEditValue(Variant(80));
    cell->Properties()->SetMax(50);
    EXPECT_EQ(cell->EditValue().AsDouble(), 80);
    EXPECT_EQ(cell->Position(), 50);

    // Properties assigned through the published setter.
    TcxProgressBarProperties other;
    other.SetBarStyle(cxbsLEDs);
    bar->SetProperties(&other);
    EXPECT_EQ(bar->Properties()->BarStyle(), cxbsLEDs);
}
