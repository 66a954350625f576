#include "ui/core/ThemeManager.h"

#include <memory>
#include <string>
#include <vector>

#include "platform/core/UtilWindow.h"
#include "platform/core/Win32Boundary.h"

namespace {

const wchar_t* const DefaultClassNames[ThemedObjectTypeCount] = {
    L"Button",     L"Clock",      L"ComboBox", L"Edit",     L"ExplorerBar", L"Header",    L"ListBox",
    L"ListView",   L"Menu",       L"Page",     L"Progress", L"Rebar",       L"ScrollBar", L"Spin",
    L"StartPanel", L"Status",     L"Tab",      L"TaskBand", L"TaskBar",     L"ToolBar",   L"ToolTip",
    L"TrackBar",   L"TrayNotify", L"TreeView", L"Window"};

struct TdxThemeData {
    HTHEME Handle = nullptr;
    std::wstring ClassList;
};

bool themesActive = false;
TdxThemeData themes[ThemedObjectTypeCount];
std::unique_ptr<std::vector<TdxThemeChangedNotificator*>> notificators;

std::wstring Upper(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

class TdxThemeChangedEventReceiver {
public:
    TdxThemeChangedEventReceiver() {
        window_ = AllocateHWnd([this](TMessage& message) { WndProc(message); });
    }
    ~TdxThemeChangedEventReceiver() {
        DeallocateHWnd(window_);
        themesActive = false;
    }
    HWND Window() const { return window_; }

private:
    void WndProc(TMessage& message) {
        if (message.Msg != WM_THEMECHANGED) {
            message.Result = DefWindowProcA(window_, message.Msg, message.WParam, message.LParam);
            return;
        }
        CloseEveryTheme();
        DefWindowProcA(window_, message.Msg, message.WParam, message.LParam);
        themesActive = dxUxTheme::IsThemeActive() != 0;
        message.Result = 0;
        if (!notificators) return;
        // A notificator may go while others are told; the ones still listed are called.
        std::vector<TdxThemeChangedNotificator*> snapshot = *notificators;
        for (TdxThemeChangedNotificator* notificator : snapshot) {
            if (!notificators) return;
            bool listed = false;
            for (auto* n : *notificators)
                listed = listed || n == notificator;
            if (listed && notificator->OnThemeChanged)
                GuardedCall([&] { notificator->OnThemeChanged(notificator); });
        }
    }

    HWND window_ = nullptr;
};

std::unique_ptr<TdxThemeChangedEventReceiver> receiver;

} // namespace

bool ThemesActive() {
    return themesActive;
}

bool CanUseVisualStyles(TdxThemedObjectTypes mask) {
    if (!themesActive || !dxUxTheme::IsThemeLibraryBound()) return false;
    for (int i = 0; i < ThemedObjectTypeCount; ++i)
        if ((mask & (1u << i)) && !OpenCachedTheme(static_cast<TdxThemedObjectType>(i))) return false;
    return true;
}

bool IsThemeUsable(TdxThemedObjectType type) {
    return themesActive && dxUxTheme::IsThemeLibraryBound() && OpenCachedTheme(type) != nullptr;
}

HTHEME OpenCachedTheme(TdxThemedObjectType type, const wchar_t* classList) {
    if (!CanUseVisualStyles(0)) return nullptr;
    TdxThemeData& data = themes[type];
    if (data.Handle) {
        if (!classList || Upper(classList) == Upper(data.ClassList)) return data.Handle;
        CloseCachedTheme(type);
    }
    std::wstring list = classList                 ? std::wstring(classList)
                        : !data.ClassList.empty() ? data.ClassList
                                                  : std::wstring(DefaultClassNames[type]);
    data.Handle = dxUxTheme::OpenThemeData(nullptr, list.c_str());
    if (data.Handle)
        data.ClassList = list;
    else
        data.ClassList.clear();
    return data.Handle;
}

HRESULT CloseCachedTheme(TdxThemedObjectType type) {
    if (!CanUseVisualStyles(0)) return 1;
    TdxThemeData& data = themes[type];
    if (!data.Handle) return 0;
    HRESULT result = dxUxTheme::CloseThemeData(data.Handle);
    data.Handle = nullptr;
    data.ClassList.clear();
    return result;
}

void CloseEveryTheme() {
    for (TdxThemeData& data : themes)
        if (data.Handle) {
            if (dxUxTheme::IsThemeLibraryBound()) dxUxTheme::CloseThemeData(data.Handle);
            data.Handle = nullptr;
        }
}

HTHEME CachedThemeHandle(TdxThemedObjectType type) {
    return themes[type].Handle;
}

std::wstring CachedThemeClassList(TdxThemedObjectType type) {
    return themes[type].ClassList;
}

const wchar_t* DefaultThemeClassName(TdxThemedObjectType type) {
    return DefaultClassNames[type];
}

TdxThemeChangedNotificator::TdxThemeChangedNotificator() {
    if (notificators) notificators->push_back(this);
}

TdxThemeChangedNotificator::~TdxThemeChangedNotificator() {
    if (!notificators) return;
    for (auto it = notificators->begin(); it != notificators->end(); ++it)
        if (*it == this) {
            notificators->erase(it);
            break;
        }
}

HWND ThemeChangeReceiverWindow() {
    return receiver ? receiver->Window() : nullptr;
}

void ThemeManagerInitialize() {
    if (!dxUxTheme::IsThemeLibraryBound() || receiver) return;
    themesActive = dxUxTheme::IsThemeActive() != 0;
    receiver = std::make_unique<TdxThemeChangedEventReceiver>();
    notificators = std::make_unique<std::vector<TdxThemeChangedNotificator*>>();
}

void ThemeManagerFinalize() {
    if (dxUxTheme::IsThemeLibraryBound()) {
        receiver.reset();
        CloseEveryTheme();
        notificators.reset();
    }
    themesActive = false;
    for (TdxThemeData& data : themes) {
        data.Handle = nullptr;
        data.ClassList.clear();
    }
}
