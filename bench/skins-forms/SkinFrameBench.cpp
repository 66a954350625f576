// Repainting the non-client area of a skinned 400 x 300 dialog (geometry and drawing, 1,000 times)
// beside plain GDI drawing a frame of the same parts into the same window DC: four strips, six
// button pictures and the caption text. Also shown: the geometry alone, repaints that switch the
// activation each time, and repaints that each show another caption text, so that the caption
// strip kept from the last paint cannot be copied.
#include <cstdio>

#include "../BenchRounds.h"
#include "platform/core/UnitTable.h"
#include "platform/forms/FormsUnits.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/core/ThemeBinding.h"
#include "ui/skins-forms/SkinFormPainter.h"
#include "ui/skins-forms/SkinFormsUnits.h"
#include "ui/skins/SkinsUnits.h"

namespace {
constexpr int kRepaints = 1000;

double SkinnedRepaints(TdxSkinFormController& controller) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRepaints; ++i)
        controller.RedrawNonClient();
    GdiFlush();
    return BenchSeconds(start);
}

// Every repaint in the other activation state: the pictures kept for both states are copied.
double ActivationRepaints(TdxSkinFormController& controller) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRepaints; ++i) {
        controller.NonClientInfo->SetActive(i % 2 == 0);
        controller.RedrawNonClient();
    }
    controller.NonClientInfo->SetActive(true);
    GdiFlush();
    return BenchSeconds(start);
}

// Every repaint with another caption text: the caption strip is drawn anew each time, as after any
// change of what it shows.
double CaptionRepaints(TdxSkinFormController& controller) {
    const AnsiString saved = controller.NonClientInfo->Caption;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRepaints; ++i) {
        controller.NonClientInfo->Caption = i % 2 ? "Bench dialog" : "Bench dialog 2";
        controller.RedrawNonClient();
    }
    GdiFlush();
    const double seconds = BenchSeconds(start);
    controller.NonClientInfo->Caption = saved;
    return seconds;
}

// The share of the frame's geometry in a repaint.
double Geometry(TdxSkinFormController& controller) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRepaints; ++i)
        controller.CalculateNonClient();
    return BenchSeconds(start);
}

double PlainRepaints(HWND window, HDC buttons) {
    RECT w;
    GetWindowRect(window, &w);
    const int width = w.right - w.left, height = w.bottom - w.top;
    HBRUSH frame = CreateSolidBrush(RGB(90, 110, 140));
    HBRUSH caption = CreateSolidBrush(RGB(60, 80, 120));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRepaints; ++i) {
        HDC dc = GetWindowDC(window);
        const RECT strips[4] = {{0, 0, width, 26}, {0, 26, 4, height}, {width - 4, 26, width, height},
                                {0, height - 4, width, height}};
        FillRect(dc, &strips[0], caption);
        for (int s = 1; s < 4; ++s)
            FillRect(dc, &strips[s], frame);
        for (int b = 0; b < 6; ++b)
            BitBlt(dc, width - 24 * (b + 1), 4, 18, 18, buttons, 0, 0, SRCCOPY);
        RECT text{8, 0, width - 150, 26};
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, "Bench dialog", -1, &text, DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        ReleaseDC(window, dc);
    }
    GdiFlush();
    DeleteObject(frame);
    DeleteObject(caption);
    return BenchSeconds(start);
}
} // namespace

int main() {
    InitializeUnits(JoinUnits({PaintingCoreUnits(), FormsUnits(), SkinsUnits(), SkinFormsUnits()}));
    // Themes on: the frame is the skin's own.
    dxUxTheme::SetThemeSystemSeam(dxUxTheme::TdxThemeSystemSeam{[] { return TRUE; }, {}, {}});
    auto* skins = new TdxSkinController(nullptr);
    skins->SetSkinName("UserSkin");
    auto* form = new TForm(nullptr);
    form->SetBorderStyle(bsDialog);
    form->SetCaption("Bench dialog");
    form->SetBounds(100, 100, 400, 300);
    form->Show();
    auto* controller = dynamic_cast<TdxSkinFormController*>(FindControllerByHandle(form->Handle()));
    if (!controller || !controller->IsSkinned()) {
        std::printf("the dialog is not skinned\n");
        return 1;
    }
    HDC screen = GetDC(nullptr);
    HDC buttons = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, 18, 18);
    HGDIOBJ old = SelectObject(buttons, picture);
    ReleaseDC(nullptr, screen);

    std::vector<BenchPhase> phases = {
        {"plain GDI", [&] { return PlainRepaints(form->Handle(), buttons); }, "", {}},
        {"skinned", [&] { return SkinnedRepaints(*controller); }, "plain GDI", {}},
        {"geometry only", [&] { return Geometry(*controller); }, "plain GDI", {}},
        {"activation", [&] { return ActivationRepaints(*controller); }, "plain GDI", {}},
        {"caption text", [&] { return CaptionRepaints(*controller); }, "plain GDI", {}},
    };
    RunRounds(phases, 7);
    std::printf("Non-client repaint of a 400 x 300 dialog, %d times, 7 rounds (median [range]):\n", kRepaints);
    PrintRounds(phases);

    SelectObject(buttons, old);
    DeleteObject(picture);
    DeleteDC(buttons);
    delete form;
    delete skins;
    FinalizeUnits();
    return 0;
}
