// The scroll bar under a built-in skin: the skin draws its own edges, so the 3-D frame is off while
// the skin paints it and the wanted value comes back when the skin goes.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "../core/ControlWindows.h"
#include "ui/core/ScrollBar.h"
#include "ui/skins/SkinPainters.h"

namespace {

struct TCtl3DStep {
    const char* name;
    std::function<void(TcxScrollBar& bar, TcxLookAndFeel& master)> change;
    bool skinned; // the bar paints with a skin painter
    bool ctl3D;
    bool realCtl3D;
};

void RunSteps(TcxScrollBar& bar, TcxLookAndFeel& master, const std::vector<TCtl3DStep>& steps) {
    for (const TCtl3DStep& step : steps) {
        SCOPED_TRACE(step.name);
        step.change(bar, master);
        EXPECT_EQ(step.skinned, bar.LookAndFeel().SkinPainter() != nullptr);
        if (step.skinned) EXPECT_EQ(bar.LookAndFeel().SkinPainter(), bar.Painter());
        EXPECT_EQ(step.ctl3D, bar.Ctl3D());
        EXPECT_EQ(step.realCtl3D, bar.RealCtl3D());
    }
}

} // namespace

TEST(SkinnedScrollBar, Ctl3DIsOffWhileASkinPaintsTheBar) {
    THostForm form;
    TcxLookAndFeel master;
    TcxScrollBar bar(nullptr);
    bar.SetParent(&form);
    form.Show();
    RunSteps(
        bar, master,
        {
            {"plain", [](TcxScrollBar&, TcxLookAndFeel&) {}, false, true, true},
            {"skinned", [](TcxScrollBar& b, TcxLookAndFeel&) { b.LookAndFeel().SetSkinName("Black"); }, true,
             false, true},
            {"Ctl3D off while skinned", [](TcxScrollBar& b, TcxLookAndFeel&) { b.SetCtl3D(false); }, true,
             false, false},
            {"Ctl3D on while skinned", [](TcxScrollBar& b, TcxLookAndFeel&) { b.SetCtl3D(true); }, true,
             false, true},
            {"another skin", [](TcxScrollBar& b, TcxLookAndFeel&) { b.LookAndFeel().SetSkinName("Blue"); },
             true, false, true},
            {"skin gone", [](TcxScrollBar& b, TcxLookAndFeel&) { b.LookAndFeel().SetSkinName(""); }, false,
             true, true},
            {"Ctl3D off plain", [](TcxScrollBar& b, TcxLookAndFeel&) { b.SetCtl3D(false); }, false, false,
             false},
            {"skinned with Ctl3D off",
             [](TcxScrollBar& b, TcxLookAndFeel&) { b.LookAndFeel().SetSkinName("Black"); }, true, false,
             false},
            {"skin gone, Ctl3D stays off",
             [](TcxScrollBar& b, TcxLookAndFeel&) { b.LookAndFeel().SetSkinName(""); }, false, false, false},
        });
    // The skinned bar paints through its window without trouble.
    bar.LookAndFeel().SetSkinName("Black");
    bar.Invalidate();
    bar.Update();
    EXPECT_FALSE(bar.Ctl3D());
}

TEST(SkinnedScrollBar, ASkinOfTheMasterLookAndFeelCountsToo) {
    THostForm form;
    TcxLookAndFeel master;
    TcxScrollBar bar(nullptr);
    bar.SetParent(&form);
    bar.LookAndFeel().SetMaster(&master);
    RunSteps(bar, master,
             {
                 {"master plain", [](TcxScrollBar&, TcxLookAndFeel&) {}, false, true, true},
                 {"master skinned", [](TcxScrollBar&, TcxLookAndFeel& m) { m.SetSkinName("Black"); }, true,
                  false, true},
                 {"master's skin gone", [](TcxScrollBar&, TcxLookAndFeel& m) { m.SetSkinName(""); }, false,
                  true, true},
             });
    bar.LookAndFeel().SetMaster(nullptr);
}
