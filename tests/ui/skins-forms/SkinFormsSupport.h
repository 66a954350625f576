#pragma once
// The probe skin with a form frame of known colours loaded as the user skin, a skin controller
// that applies it, the theme seam held on, and surfaces to read what was drawn.
#include <gtest/gtest.h>

#include <memory>

#include "../skins-painters/SkinPaintersSupport.h"
#include "ui/core/ThemeBinding.h"
#include "ui/skins-forms/SkinFormPainter.h"

namespace skinforms {

// Frame colours: [side][0 active, 1 inactive]; side 0 left, 1 caption, 2 right, 3 bottom.
inline const COLORREF kFrameColor[4][2] = {{RGB(200, 0, 0), RGB(100, 0, 0)},
                                           {RGB(0, 200, 0), RGB(0, 100, 0)},
                                           {RGB(0, 0, 200), RGB(0, 0, 100)},
                                           {RGB(200, 200, 0), RGB(100, 100, 0)}};
inline const COLORREF kContentColor = RGB(10, 180, 180);
// Caption buttons by state: normal, hot, pressed, disabled, inactive.
inline COLORREF ButtonColor(int index, int state) {
    return RGB(60 + index * 30, 20 + state * 40, 240);
}
inline constexpr int kButtonStateOrder[] = {esNormal, esHot, esPressed, esDisabled, esActiveDisabled};
inline int ButtonStateIndex(TdxSkinElementState state) {
    for (int i = 0; i < 5; ++i)
        if (kButtonStateOrder[i] == state) return i;
    return -1;
}

// The probe skin with the form group: frames of the thickness given (bottom separately).
inline TdxSkin* MakeFormSkin(int border = 4, int bottom = 4) {
    TdxSkin* skin = MakeProbeSkin();
    TdxSkinControlGroup* form = skin->AddGroup("Form");
    const char* frames[4] = {"FormFrameLeft", "FormCaption", "FormFrameRight", "FormFrameBottom"};
    for (int side = 0; side < 4; ++side) {
        TdxSkinElement* element = form->AddElement(frames[side]);
        element->Image().SetStates(MakeStates({esActive, esActiveDisabled}));
        const int width = side == 3 ? 8 : side == 1 ? 8 : border;
        const int height = side == 3 ? bottom : 8;
        skindraw::SetStrip(element->Image(), width, height, {kFrameColor[side][0], kFrameColor[side][1]});
    }
    form->GetElementByName("FormCaption")->SetTextColor(RGB(255, 255, 255));
    const char* buttons[6] = {nullptr, "FormButtonHelp", "FormButtonMinimize", "FormButtonMaximize",
                              "FormButtonRestore", "FormButtonClose"};
    for (int index = 1; index < 6; ++index) {
        TdxSkinElement* element = form->AddElement(buttons[index]);
        element->Image().SetStates(MakeStates({esNormal, esHot, esPressed, esDisabled, esActiveDisabled}));
        std::vector<COLORREF> colours;
        for (int state = 0; state < 5; ++state)
            colours.push_back(ButtonColor(index, state));
        skindraw::SetStrip(element->Image(), 8, 8, colours);
    }
    TdxSkinElement* content = form->AddElement("FormContent");
    content->Image().SetStates(MakeStates({esNormal}));
    skindraw::SetStrip(content->Image(), 8, 8, {kContentColor});
    form->AddProperty<TdxSkinColor>("TextShadowColor")->SetValue(RGB(1, 1, 1));
    form->AddProperty<TdxSkinColor>("TextColorInactive")->SetValue(RGB(128, 128, 128));
    return skin;
}

// Loads the skin as the user skin and puts a skin controller on it; themes count as active, so
// that the frame is the skin's.
class SkinnedForms : public testing::Test {
protected:
    void SetUp() override {
        savedSeam = dxUxTheme::SetThemeSystemSeam(dxUxTheme::TdxThemeSystemSeam{[] { return TRUE; }, {}, {}});
        LoadSkin(MakeFormSkin());
        controller = new TdxSkinController(nullptr);
        controller->SetSkinName("UserSkin");
    }
    void TearDown() override {
        delete controller;
        for (TForm* form : forms)
            delete form;
        RestoreUserSkin();
        dxUxTheme::SetThemeSystemSeam(savedSeam);
        // Posted region checks of freed windows.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    static void LoadSkin(TdxSkin* skin) {
        std::unique_ptr<TdxSkin> owned(skin);
        std::string bytes = SkinBytes(*owned);
        TStringStream stream(bytes);
        ASSERT_TRUE(LoadUserSkinFromStream(&stream, owned->Name));
    }
    // A form of the border style, shown at a place of its own.
    TForm* MakeForm(TFormBorderStyle style, const char* caption = "Probe form", int width = 400, int height = 300) {
        auto* form = new TForm(nullptr);
        forms.push_back(form);
        form->SetBorderStyle(style);
        form->SetCaption(caption);
        form->SetBounds(100, 100, width, height);
        form->Handle();
        return form;
    }
    static TdxSkinFormController* FormControllerOf(TWinControl* control) {
        return dynamic_cast<TdxSkinFormController*>(FindControllerByHandle(control->Handle()));
    }
    static void ProcessMessages() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }

    dxUxTheme::TdxThemeSystemSeam savedSeam;
    TdxSkinController* controller = nullptr;
    std::vector<TForm*> forms;
};

// A top-down 32-bit picture to paint into.
struct TSurface {
    TSurface(int width, int height) : Width(width), Height(height) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        DC = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(DC, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(DC, bitmap_);
        Clear(RGB(0, 0, 0));
    }
    ~TSurface() {
        SelectObject(DC, old_);
        DeleteObject(bitmap_);
        DeleteDC(DC);
    }
    void Clear(COLORREF color) {
        HBRUSH brush = CreateSolidBrush(color);
        RECT all{0, 0, Width, Height};
        FillRect(DC, &all, brush);
        DeleteObject(brush);
    }
    COLORREF Pixel(int x, int y) const {
        GdiFlush();
        const uint32_t v = bits_[y * Width + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    int Count(const RECT& r, COLORREF color) const {
        int count = 0;
        for (int y = std::max(0L, r.top); y < std::min<LONG>(Height, r.bottom); ++y)
            for (int x = std::max(0L, r.left); x < std::min<LONG>(Width, r.right); ++x)
                count += Pixel(x, y) == color;
        return count;
    }
    // Copies the window's own pixels (its window DC) in.
    void CopyWindow(HWND window) {
        RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        HDC dc = GetWindowDC(window);
        BitBlt(DC, 0, 0, Width, Height, dc, 0, 0, SRCCOPY);
        ReleaseDC(window, dc);
    }
    int Width, Height;
    HDC DC;

private:
    HBITMAP bitmap_;
    uint32_t* bits_ = nullptr;
    HGDIOBJ old_;
};

// The non-client area the painter draws for the controller, into a surface of the window's size.
inline void PaintFrame(TdxSkinFormController& controller, TSurface& surface) {
    controller.CalculateNonClient();
    controller.Painter->BeginPaint(surface.DC);
    controller.Painter->PaintNonClient();
    controller.Painter->EndPaint();
}

inline TPoint Middle(const TRect& r) {
    return TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

} // namespace skinforms
