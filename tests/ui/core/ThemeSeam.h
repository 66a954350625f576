#pragma once
// Test settings of the theme seam and the system colours, undone when the scope ends.
#include <map>
#include <string>

#include "platform/graphics/Graphics.h"
#include "ui/core/ThemeBinding.h"
#include "ui/core/ThemeManager.h"

// Answers IsThemeActive, the theme's file and colour names and the Windows version, then tells
// the theme manager that the theme changed so that it asks again.
class TScopedThemeSeam {
public:
    TScopedThemeSeam(bool active, std::wstring fileName, std::wstring colorName, DWORD major = 5,
                     DWORD minor = 1, bool nameFails = false) {
        dxUxTheme::TdxThemeSystemSeam seam;
        seam.IsThemeActive = [active] { return active ? TRUE : FALSE; };
        seam.GetCurrentThemeName = [=](LPWSTR file, int fileChars, LPWSTR color, int colorChars, LPWSTR size,
                                       int sizeChars) -> HRESULT {
            if (nameFails) return E_FAIL;
            lstrcpynW(file, fileName.c_str(), fileChars);
            lstrcpynW(color, colorName.c_str(), colorChars);
            lstrcpynW(size, L"NormalSize", sizeChars);
            return S_OK;
        };
        seam.GetVersion = [major, minor](DWORD& outMajor, DWORD& outMinor) {
            outMajor = major;
            outMinor = minor;
        };
        previous_ = dxUxTheme::SetThemeSystemSeam(std::move(seam));
        NotifyThemeChanged();
    }
    ~TScopedThemeSeam() {
        dxUxTheme::SetThemeSystemSeam(std::move(previous_));
        NotifyThemeChanged();
    }
    static void NotifyThemeChanged() {
        if (HWND receiver = ThemeChangeReceiverWindow()) SendMessageA(receiver, WM_THEMECHANGED, 0, 0);
    }

private:
    dxUxTheme::TdxThemeSystemSeam previous_;
};

// System colours for ColorToRGB from a table; the indices not in it keep the system's values.
class TScopedSysColors {
public:
    explicit TScopedSysColors(std::map<int, COLORREF> colors) {
        Table() = std::move(colors);
        previous_ = SetSysColorSource(&Lookup);
    }
    ~TScopedSysColors() {
        SetSysColorSource(previous_);
        Table().clear();
    }

private:
    static std::map<int, COLORREF>& Table() {
        static std::map<int, COLORREF> table;
        return table;
    }
    static COLORREF Lookup(int index) {
        auto it = Table().find(index);
        return it != Table().end() ? it->second : GetSysColor(index);
    }
    TSysColorSource previous_;
};
