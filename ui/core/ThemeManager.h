#pragma once
// One open theme handle per kind of themed control, opened on first request, closed when the
// user switches themes and reopened with the same class list on the next request.
#include <cstdint>
#include <string>

#include "platform/core/Lists.h"
#include "ui/core/ThemeBinding.h"

enum TdxThemedObjectType {
    totButton,
    totClock,
    totComboBox,
    totEdit,
    totExplorerBar,
    totHeader,
    totListBox,
    totListView,
    totMenu,
    totPage,
    totProgress,
    totRebar,
    totScrollBar,
    totSpin,
    totStartPanel,
    totStatus,
    totTab,
    totTaskBand,
    totTaskBar,
    totToolBar,
    totToolTip,
    totTrackBar,
    totTrayNotify,
    totTreeView,
    totWindow
};
constexpr int ThemedObjectTypeCount = 25;
// A set of themed types: bit i for the type of index i.
using TdxThemedObjectTypes = uint32_t;
constexpr TdxThemedObjectTypes ThemedTypeBit(TdxThemedObjectType type) {
    return 1u << static_cast<unsigned>(type);
}

// The last answer of IsThemeActive (at start and after each theme change).
bool ThemesActive();
// Themes are active and the library loaded; with a mask, every type in it must also open.
bool CanUseVisualStyles(TdxThemedObjectTypes mask = 0);
bool IsThemeUsable(TdxThemedObjectType type);
// The cached handle of the type (0 when visual styles are not usable or the class does not
// open). classList nullptr: the cached handle, or the stored class list, or the default name.
HTHEME OpenCachedTheme(TdxThemedObjectType type, const wchar_t* classList = nullptr);
// 1 when visual styles are not usable, 0 when the type has no open handle, else CloseThemeData's result.
HRESULT CloseCachedTheme(TdxThemedObjectType type);
// Closes every open handle, keeping the class lists for reopening.
void CloseEveryTheme();
// What the cache holds for a type now (no opening).
HTHEME CachedThemeHandle(TdxThemedObjectType type);
std::wstring CachedThemeClassList(TdxThemedObjectType type);
// The default theme class name of a type ("Button" ... "Window").
const wchar_t* DefaultThemeClassName(TdxThemedObjectType type);

// Told of every theme change while it lives (only while the library is loaded).
class TdxThemeChangedNotificator : public TObject {
public:
    VZ_CLASS(TdxThemeChangedNotificator, TObject)
    TdxThemeChangedNotificator();
    ~TdxThemeChangedNotificator() override;

    TNotifyEvent OnThemeChanged;
};

// The hidden window that receives WM_THEMECHANGED; nullptr without the library.
HWND ThemeChangeReceiverWindow();

// Unit start: the default class names; with the library, ThemesActive, the receiver window
// and the notificator list. Unit end: the receiver (clearing ThemesActive), every theme closed.
void ThemeManagerInitialize();
void ThemeManagerFinalize();
