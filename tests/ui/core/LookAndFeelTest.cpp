// Look-and-feel settings as a model: the root, masters, controllers and the painter registry,
// with every listener writing what it hears into one log.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ThemeSeam.h"
#include "ui/core/LookAndFeel.h"
#include "ui/core/Office11Colors.h"
#include "ui/core/PainterResources.h"
#include "ui/core/StandardPainters.h"
#include "ui/core/UltraFlatPainters.h"
#include "ui/core/WinXPPainter.h"

namespace {

using TLog = std::vector<std::string>;

std::string ValuesText(TcxLookAndFeelValues values) {
    std::string text;
    if (values.Contains(lfvKind)) text += "K";
    if (values.Contains(lfvNativeStyle)) text += "N";
    if (values.Contains(lfvSkinName)) text += "S";
    return text;
}

class TLogListener : public TObject, public IcxLookAndFeelListener {
public:
    TLogListener(std::string name, TLog& log) : name_(std::move(name)), log_(log) {}
    TObject* GetListenerObject() override { return this; }
    void LookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues changed) override {
        log_.push_back(name_ + " " + ValuesText(changed));
        if (OnChanged) OnChanged();
    }
    void LookAndFeelDestroying(TcxLookAndFeel*) override { log_.push_back(name_ + " destroying"); }
    std::function<void()> OnChanged;

private:
    std::string name_;
    TLog& log_;
};

// A look and feel with its own listener in the log.
struct TWatched {
    TWatched(std::string name, TLog& log) : listener(name, log) {
        lookAndFeel.AttachChangeListener(&listener);
    }
    TLogListener listener;
    TcxLookAndFeel lookAndFeel;
};

// Tracks its own destruction so that a listener can see whether it is still alive.
class TSkinData : public TObject {
public:
    explicit TSkinData(bool& alive) : alive_(alive) { alive_ = true; }
    ~TSkinData() override { alive_ = false; }

private:
    bool& alive_;
};

class LookAndFeelTest : public testing::Test {
protected:
    void SetUp() override {
        root = GetRootLookAndFeel();
        ASSERT_NE(root, nullptr);
        ASSERT_NE(GetStylePainterRegistry(), nullptr);
        root->ClearAssignedValues();
    }
    void TearDown() override {
        if (root) root->ClearAssignedValues();
        cxUseSkins = true;
    }
    TcxLookAndFeel* root = nullptr;
    TLog log;
    // Painters that stand in for skin painters: any class reference does.
    TcxCustomLookAndFeelPainterClass skinA = TcxFlatLookAndFeelPainter::Painter();
    TcxCustomLookAndFeelPainterClass skinB = TcxStandardLookAndFeelPainter::Painter();
};

TEST_F(LookAndFeelTest, SettingsFlowFromTheRootThroughMastersToListeners) {
    TWatched a("a", log), b("b", log);
    EXPECT_EQ(a.lookAndFeel.Master(), root);
    EXPECT_EQ(root->Master(), nullptr);
    EXPECT_EQ(a.lookAndFeel.GetEffectivePainter(), TcxUltraFlatLookAndFeelPainter::Painter());

    // A new control with nothing assigned under an Office 11 root paints Office 11.
    root->SetKind(lfOffice11);
    TWatched late("late", log);
    EXPECT_EQ(late.lookAndFeel.GetEffectivePainter(), TcxOffice11LookAndFeelPainter::Painter());
    EXPECT_EQ(log, (TLog{"a K", "b K"}));

    // b follows a; its own Kind shuts out the master's Kind but not the skin name.
    log.clear();
    b.lookAndFeel.SetMaster(&a.lookAndFeel);
    EXPECT_EQ(log, TLog{}); // same values: nothing to tell
    b.lookAndFeel.SetKind(lfFlat);
    EXPECT_EQ(log, TLog{"b K"});
    log.clear();
    a.lookAndFeel.SetKind(lfStandard);
    a.lookAndFeel.SetSkinName("Nowhere");
    EXPECT_EQ(log, (TLog{"a K", "a S", "b S"}));
    EXPECT_EQ(b.lookAndFeel.Kind(), lfFlat);
    EXPECT_EQ(b.lookAndFeel.SkinName(), "Nowhere");
    EXPECT_EQ(b.lookAndFeel.GetEffectivePainter(), TcxFlatLookAndFeelPainter::Painter()); // no such skin

    // Setting what it already resolves to marks the value assigned and tells no one.
    log.clear();
    late.lookAndFeel.SetKind(lfOffice11);
    EXPECT_TRUE(late.lookAndFeel.AssignedValues().Contains(lfvKind));
    EXPECT_TRUE(late.lookAndFeel.IsKindStored());
    root->SetKind(lfUltraFlat);
    EXPECT_EQ(log, TLog{}); // a has its own Kind, late too, b follows a

    // Clearing the assigned values reports what changed by it.
    a.lookAndFeel.ClearAssignedValues();
    EXPECT_EQ(log, (TLog{"a KS", "b S"}));
    EXPECT_EQ(a.lookAndFeel.Kind(), lfUltraFlat);

    // An explicit master may be dropped again: back to the root.
    log.clear();
    b.lookAndFeel.SetSkinName("Own");
    b.lookAndFeel.SetMaster(nullptr);
    EXPECT_EQ(b.lookAndFeel.Master(), root);
    b.lookAndFeel.SetMaster(nullptr); // already the root's
    b.lookAndFeel.SetMaster(&b.lookAndFeel);
    EXPECT_EQ(log, TLog{"b S"});
}

TEST_F(LookAndFeelTest, AMasterThatGoesHandsItsFollowersToTheRoot) {
    TWatched follower("follower", log);
    {
        auto master = std::make_unique<TWatched>("master", log);
        master->lookAndFeel.SetKind(lfStandard);
        follower.lookAndFeel.SetMaster(&master->lookAndFeel);
        EXPECT_EQ(follower.lookAndFeel.Kind(), lfStandard);
        log.clear();
        master.reset();
    }
    // The master's own listener hears of it first, then the follower falls back and reports.
    EXPECT_EQ(log, (TLog{"master destroying", "follower K"}));
    EXPECT_EQ(follower.lookAndFeel.Master(), root);
    EXPECT_EQ(follower.lookAndFeel.Kind(), lfUltraFlat);

    // Assign copies the settings and takes over the source's master.
    TWatched source("source", log), copy("copy", log);
    source.lookAndFeel.SetMaster(&follower.lookAndFeel);
    source.lookAndFeel.SetNativeStyle(false);
    source.lookAndFeel.SetSkinName("");
    log.clear();
    copy.lookAndFeel.Assign(&source.lookAndFeel);
    EXPECT_EQ(copy.lookAndFeel.Master(), &follower.lookAndFeel);
    EXPECT_EQ(copy.lookAndFeel.AssignedValues(), (TcxLookAndFeelValues{lfvNativeStyle, lfvSkinName}));
    EXPECT_TRUE(copy.lookAndFeel.IsEmptySkinNameStored());
    EXPECT_EQ(log, TLog{}); // nothing resolves differently
    follower.lookAndFeel.SetKind(lfOffice11);
    EXPECT_EQ(log, (TLog{"follower K", "source K", "copy K"}));
}

TEST_F(LookAndFeelTest, ControllersEditTheRootAndTheLastOneResetsIt) {
    TWatched control("control", log);
    EXPECT_EQ(RootLookAndFeelControllerCount(), 0);
    auto first = std::make_unique<TcxLookAndFeelController>(nullptr);
    auto second = std::make_unique<TcxLookAndFeelController>(nullptr);
    EXPECT_EQ(RootLookAndFeelControllerCount(), 2);
    EXPECT_EQ(first->Kind(), lfUltraFlat);
    first->SetKind(lfOffice11);
    second->SetSkinName("UserSkin");
    EXPECT_TRUE(root->AssignedValues().Contains(lfvKind));
    EXPECT_EQ(second->Kind(), lfOffice11);
    EXPECT_TRUE(second->IsSkinNameStored());
    EXPECT_EQ(log, (TLog{"control K", "control S"}));

    // A controller listens to the root only.
    control.lookAndFeel.AttachChangeListener(first.get());
    EXPECT_EQ(control.lookAndFeel.ChangeListenerCount(), 1);
    EXPECT_EQ(RootLookAndFeelControllerCount(), 2);

    log.clear();
    first.reset();
    EXPECT_EQ(log, TLog{});
    EXPECT_EQ(root->Kind(), lfOffice11);
    second.reset();
    EXPECT_EQ(RootLookAndFeelControllerCount(), 0);
    EXPECT_EQ(root->AssignedValues(), TcxLookAndFeelValues{});
    EXPECT_EQ(root->Kind(), lfUltraFlat);
    EXPECT_EQ(log, TLog{"control KS"});
}

TEST_F(LookAndFeelTest, AListenerThatLeavesDuringANotificationDoesNotMakeOthersMissIt) {
    TcxLookAndFeel lookAndFeel;
    TLogListener first("first", log), second("second", log), third("third", log);
    lookAndFeel.AttachChangeListener(&first);
    lookAndFeel.AttachChangeListener(&second);
    lookAndFeel.AttachChangeListener(&third);
    lookAndFeel.AttachChangeListener(&second); // listed once
    lookAndFeel.AttachChangeListener(nullptr);
    first.OnChanged = [&] { lookAndFeel.DetachChangeListener(&first); };
    lookAndFeel.SetKind(lfFlat);
    EXPECT_EQ(log, (TLog{"first K", "second K", "third K"}));
    log.clear();
    lookAndFeel.SetKind(lfStandard);
    EXPECT_EQ(log, (TLog{"second K", "third K"}));
    lookAndFeel.DetachChangeListener(&second);
    lookAndFeel.DetachChangeListener(&third);
}

TEST_F(LookAndFeelTest, RegistryListsPaintersByNameAndLooksAndFeelsFollowIt) {
    TcxExtendedStylePainters* registry = GetStylePainterRegistry();
    const int before = registry->Count();
    TWatched skinned("skinned", log), plain("plain", log);
    bool zetaAlive = false, dupAlive = false, alphaAlive = false;
    ASSERT_TRUE(registry->Register("Zeta", skinA, std::make_unique<TSkinData>(zetaAlive)));
    EXPECT_EQ(log, TLog{}); // nobody uses a skin yet
    skinned.lookAndFeel.SetSkinName("zeta");
    EXPECT_EQ(skinned.lookAndFeel.GetEffectivePainter(), skinA);
    EXPECT_EQ(skinned.lookAndFeel.SkinPainter(), skinA);
    EXPECT_EQ(log, TLog{"skinned S"});

    // A name that differs only in letter case is refused; the caller keeps its data.
    log.clear();
    std::unique_ptr<TObject> duplicate = std::make_unique<TSkinData>(dupAlive);
    EXPECT_FALSE(registry->Register("zETA", skinB, std::move(duplicate)));
    ASSERT_NE(duplicate, nullptr);
    EXPECT_TRUE(dupAlive);
    EXPECT_EQ(log, TLog{});

    // Sorted by the locale's order whatever the order of registration; lookups ignore case.
    ASSERT_TRUE(registry->Register("alpha", skinB, std::make_unique<TSkinData>(alphaAlive)));
    ASSERT_TRUE(registry->Register("Beta", skinA, nullptr));
    // Users of a skin painter re-evaluate everything on each change of the list.
    EXPECT_EQ(log, (TLog{"skinned KNS", "skinned KNS"}));
    std::vector<AnsiString> names;
    for (int i = 0; i < registry->Count(); ++i)
        names.push_back(registry->Names(i));
    std::vector<AnsiString> sorted = names;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const AnsiString& x, const AnsiString& y) { return AnsiCompareStr(x, y) < 0; });
    EXPECT_EQ(names, sorted);
    TcxCustomLookAndFeelPainterClass found = nullptr;
    EXPECT_TRUE(registry->FindPainterOfName("ALPHA", found));
    EXPECT_EQ(found, skinB);
    AnsiString name;
    EXPECT_TRUE(registry->FindNameOfPainter(skinA, name));
    EXPECT_EQ(name, "Beta"); // the first in list order of the two names of skinA
    TObject* data = nullptr;
    EXPECT_TRUE(registry->FindDataOfPainter(skinB, data));
    EXPECT_FALSE(registry->FindNameOfPainter(TcxOffice11LookAndFeelPainter::Painter(), name));
    EXPECT_EQ(name, "");

    // Skins switched off: the Kind painter, though the name is registered.
    cxUseSkins = false;
    skinned.lookAndFeel.UpdateAndNotifyAll();
    EXPECT_EQ(skinned.lookAndFeel.GetEffectivePainter(), TcxUltraFlatLookAndFeelPainter::Painter());
    cxUseSkins = true;
    skinned.lookAndFeel.UpdateAndNotifyAll();
    EXPECT_EQ(skinned.lookAndFeel.GetEffectivePainter(), skinA);

    // Unregistering tells the listeners while the entry's data still lives; the look and feel
    // that used the painter falls back to its Kind painter.
    bool aliveWhenTold = false;
    skinned.listener.OnChanged = [&] { aliveWhenTold = zetaAlive; };
    log.clear();
    EXPECT_TRUE(registry->Unregister("ZETA"));
    EXPECT_TRUE(aliveWhenTold);
    EXPECT_FALSE(zetaAlive);
    EXPECT_EQ(log, TLog{"skinned KNS"});
    EXPECT_EQ(skinned.lookAndFeel.GetEffectivePainter(), TcxUltraFlatLookAndFeelPainter::Painter());
    EXPECT_FALSE(registry->Unregister("Zeta"));
    skinned.listener.OnChanged = nullptr;

    EXPECT_TRUE(registry->Unregister("alpha"));
    EXPECT_FALSE(alphaAlive);
    EXPECT_TRUE(registry->Unregister("beta"));
    EXPECT_EQ(registry->Count(), before);
    EXPECT_EQ(log, TLog{"skinned KNS"}); // skinned no longer uses a skin; plain never did
}

TEST_F(LookAndFeelTest, NativeStyleNeedsActiveThemesElseSkinOrKind) {
    TcxExtendedStylePainters* registry = GetStylePainterRegistry();
    TcxLookAndFeel lookAndFeel;
    lookAndFeel.SetKind(lfStandard);
    lookAndFeel.SetNativeStyle(true);
    {
        TScopedThemeSeam off(false, L"", L"");
        lookAndFeel.UpdateAndNotifyAll();
        EXPECT_EQ(lookAndFeel.GetEffectivePainter(), TcxStandardLookAndFeelPainter::Painter());
        ASSERT_TRUE(registry->Register("Native fallback", skinA, nullptr));
        lookAndFeel.SetNativeStyle(false);
        lookAndFeel.SetSkinName("native FALLBACK");
        lookAndFeel.SetNativeStyle(true);
        EXPECT_EQ(lookAndFeel.GetEffectivePainter(), skinA) << "the skin, as themes are off";
        EXPECT_EQ(lookAndFeel.SkinPainter(), skinA);
    }
    if (CanUseVisualStyles(0)) {
        lookAndFeel.UpdateAndNotifyAll();
        EXPECT_EQ(lookAndFeel.GetEffectivePainter(), TcxWinXPLookAndFeelPainter::Painter());
        EXPECT_EQ(lookAndFeel.SkinPainter(), nullptr); // no skin lookup under native style
        EXPECT_EQ(lookAndFeel.ChoosePainterForThemedType(totScrollBar),
                  IsThemeUsable(totScrollBar) ? TcxWinXPLookAndFeelPainter::Painter()
                                              : TcxStandardLookAndFeelPainter::Painter());
    }
    registry->Unregister("Native fallback");
}

// Notifiers that log their name and the Office 11 button face they see.
class TLogNotifier : public TcxSystemPaletteChangedNotifier {
public:
    TLogNotifier(std::string name, bool primary, TLog& log)
        : TcxSystemPaletteChangedNotifier(primary), name_(std::move(name)), log_(log) {}
    void FireChanged() override {
        char face[16];
        wsprintfA(face, " %06X", static_cast<unsigned>(ColorToRGB(Office11ButtonFaceColor)));
        log_.push_back(name_ + face);
    }

private:
    std::string name_;
    TLog& log_;
};

TEST_F(LookAndFeelTest, SystemColourChangeRefreshesOffice11ThenPrimaryThenOthersLastToFirst) {
    TcxSystemPaletteChangedListener* listener = SystemPaletteChangedListener();
    ASSERT_NE(listener, nullptr);
    TLogNotifier normal1("normal1", false, log), primary1("primary1", true, log),
        normal2("normal2", false, log), primary2("primary2", true, log);
    TcxRadioButtonImageList* radio = GetRadioButtonImages();
    const int w = radio->Size().cx;

    {
        TScopedThemeSeam off(false, L"", L"");
        TScopedSysColors colors({{COLOR_BTNFACE, RGB(10, 20, 30)}, {COLOR_WINDOW, RGB(200, 210, 220)}});
        SendMessageA(listener->Window(), WM_SYSCOLORCHANGE, 0, 0);
        EXPECT_EQ(log, (TLog{"primary2 1E140A", "primary1 1E140A", "normal2 1E140A", "normal1 1E140A"}));

        // The radio images were made again with the new window colour.
        TBitmap target(w, radio->Size().cy, pf32bit);
        radio->Images()->Draw(target.Canvas(), 0, 0,
                              radio->ImageIndex(lfStandard, bpsNormal, false, false, false));
        EXPECT_EQ(target.Canvas().Pixel(w / 2, 2) & 0xFFFFFF, RGB(200, 210, 220));
    }
    // The real colours again for the tests that follow.
    SendMessageA(listener->Window(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(ColorToRGB(Office11ButtonFaceColor), ColorToRGB(clBtnFace));
}

} // namespace
