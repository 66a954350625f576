// Theme binding and the cache of theme handles over Wine's uxtheme and the prefix's own theme.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ThemeSeam.h"
#include "platform/core/Win32Boundary.h"
#include "ui/core/ThemeManager.h"

namespace {

// The themed tests need the theme library and a theme class that opens; they say why they skip.
#define REQUIRE_THEME_CLASS(type)                                                                            \
    do {                                                                                                     \
        if (!dxUxTheme::IsThemeLibraryBound()) GTEST_SKIP() << "UxTheme.dll did not load";                   \
        if (!ThemesActive()) GTEST_SKIP() << "no visual style is active in this prefix";                     \
        if (!OpenCachedTheme(type))                                                                          \
            GTEST_SKIP() << "the theme class of type " << int(type) << " does not open in this prefix";      \
    } while (0)

TEST(ThemeBindingTest, BindsTheLibraryAndAnswersTheVersionTest) {
    ASSERT_TRUE(dxUxTheme::IsThemeLibraryBound());
    EXPECT_NE(dxUxTheme::ThemeEntryPoint("OpenThemeData"), nullptr);
    EXPECT_NE(dxUxTheme::ThemeEntryPoint("IsThemeActive"), nullptr);
    EXPECT_EQ(dxUxTheme::ThemeEntryPoint("NoSuchEntry"), nullptr);

    struct Case {
        DWORD major, minor;
        bool xp;
    };
    for (Case c : {Case{4, 10, false}, Case{5, 0, false}, Case{5, 1, true}, Case{5, 2, true},
                   Case{6, 0, true}, Case{10, 0, true}}) {
        dxUxTheme::TdxThemeSystemSeam seam;
        seam.GetVersion = [c](DWORD& major, DWORD& minor) {
            major = c.major;
            minor = c.minor;
        };
        auto previous = dxUxTheme::SetThemeSystemSeam(seam);
        EXPECT_EQ(dxUxTheme::IsOSAtLeastXP(), c.xp) << c.major << "." << c.minor;
        dxUxTheme::SetThemeSystemSeam(previous);
    }
}

TEST(ThemeManagerTest, CachesOneHandlePerTypeWhateverTheCaseOfTheClassList) {
    REQUIRE_THEME_CLASS(totButton);
    HTHEME button = OpenCachedTheme(totButton);
    EXPECT_EQ(OpenCachedTheme(totButton), button);
    EXPECT_EQ(OpenCachedTheme(totButton, L"button"), button);
    EXPECT_EQ(OpenCachedTheme(totButton, L"BUTTON"), button);
    EXPECT_TRUE(IsThemeUsable(totButton));
    EXPECT_TRUE(CanUseVisualStyles(ThemedTypeBit(totButton)));

    // A mask asks every type in it to open.
    TdxThemedObjectTypes opening = 0;
    for (int i = 0; i < ThemedObjectTypeCount; ++i) {
        auto type = static_cast<TdxThemedObjectType>(i);
        bool opens = OpenCachedTheme(type) != nullptr;
        EXPECT_EQ(CanUseVisualStyles(ThemedTypeBit(type)), opens)
            << testing::PrintToString(std::wstring(DefaultThemeClassName(type)));
        if (opens) opening |= ThemedTypeBit(type);
    }
    EXPECT_TRUE(CanUseVisualStyles(opening));
    EXPECT_EQ(CanUseVisualStyles(0x1FFFFFF), opening == 0x1FFFFFF);

    // Another class list replaces the handle and is remembered.
    HTHEME other = OpenCachedTheme(totButton, L"NoSuchClass;Button");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(CachedThemeClassList(totButton), L"NoSuchClass;Button");
    EXPECT_EQ(CloseCachedTheme(totButton), S_OK);
    EXPECT_EQ(CachedThemeHandle(totButton), nullptr);
    EXPECT_EQ(CachedThemeClassList(totButton), L"");
    EXPECT_EQ(CloseCachedTheme(totButton), 0); // nothing open

    // A class that does not open gives 0 and forgets its list.
    EXPECT_EQ(OpenCachedTheme(totClock, L"NoSuchThemeClassAtAll"), nullptr);
    EXPECT_EQ(CachedThemeClassList(totClock), L"");
}

TEST(ThemeManagerTest, ThemeChangeClosesHandlesReopensWithTheStoredListAndTellsNotificators) {
    REQUIRE_THEME_CLASS(totWindow);
    ASSERT_NE(OpenCachedTheme(totWindow, L"NoSuchClass;Window"), nullptr);
    ASSERT_NE(OpenCachedTheme(totHeader), nullptr);

    std::vector<std::string> log;
    std::vector<std::string> handled;
    auto previousHandler =
        SetApplicationExceptionHandler([&](const std::exception& error) { handled.push_back(error.what()); });
    {
        TdxThemeChangedNotificator first, second, third;
        first.OnThemeChanged = [&](TObject*) {
            // Handles are closed before anyone hears of the change.
            log.push_back(CachedThemeHandle(totWindow) ? "first: open" : "first: closed");
        };
        second.OnThemeChanged = [&](TObject*) {
            log.push_back("second");
            throw std::runtime_error("second failed");
        };
        third.OnThemeChanged = [&](TObject*) { log.push_back("third"); };
        TScopedThemeSeam::NotifyThemeChanged();
    }
    SetApplicationExceptionHandler(previousHandler);
    EXPECT_EQ(log, (std::vector<std::string>{"first: closed", "second", "third"}));
    EXPECT_EQ(handled, (std::vector<std::string>{"second failed"}));

    EXPECT_EQ(CachedThemeHandle(totHeader), nullptr);
    EXPECT_EQ(CachedThemeClassList(totWindow), L"NoSuchClass;Window"); // kept for reopening
    EXPECT_NE(OpenCachedTheme(totWindow), nullptr);
    EXPECT_EQ(CachedThemeClassList(totWindow), L"NoSuchClass;Window");
    CloseCachedTheme(totWindow);
}

TEST(ThemeManagerTest, ThemesSwitchedOffLeaveNothingUsable) {
    ASSERT_TRUE(dxUxTheme::IsThemeLibraryBound());
    {
        TScopedThemeSeam off(false, L"luna.msstyles", L"NormalColor");
        EXPECT_FALSE(ThemesActive());
        EXPECT_FALSE(CanUseVisualStyles(0));
        EXPECT_FALSE(IsThemeUsable(totButton));
        EXPECT_EQ(OpenCachedTheme(totButton), nullptr);
        EXPECT_EQ(CloseCachedTheme(totButton), 1);
    }
    EXPECT_EQ(ThemesActive(), dxUxTheme::IsThemeActive() != 0);
}

} // namespace
