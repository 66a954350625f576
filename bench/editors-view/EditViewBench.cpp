// An editor 300 x 24 with two buttons laid out and painted 1,000 times per look and feel (a built-in
// skin among them), beside a
// window picture of the same size filled and drawn with DrawEdge and two DrawFrameControl buttons;
// and 10,000 mouse moves that change nothing (layout, then the repaint of what changed against the
// last layout, which must invalidate nothing) beside the bare layouts. Rounds take turns; median and range.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchRounds.h"
#include "platform/core/UnitTable.h"
#include "platform/forms/Forms.h"
#include "ui/core/PaintingCoreUnits.h"
#include "ui/editors/framework/EditViewData.h"
#include "ui/editors/framework/EditorFrameworkUnits.h"
#include "ui/skins/SkinsUnits.h"

namespace {

constexpr int Rounds = 7;
constexpr int Repaints = 1000;
constexpr int Moves = 10000;
constexpr int W = 300;
constexpr int H = 24;

// A 32-bit DIB with a canvas on it.
struct TSurface {
    TSurface() {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = W;
        info.bmiHeader.biHeight = -H;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, bitmap);
        canvas.SetHandle(dc);
    }
    ~TSurface() {
        canvas.SetHandle(nullptr);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    HBITMAP bitmap;
    HDC dc;
    HGDIOBJ old;
    TCanvas canvas;
    TcxCanvas cx{&canvas};
};

// An editor's view: properties with two buttons, its style, its view info.
struct TEditorView {
    TcxCustomEditProperties properties;
    TcxEditStyle style{nullptr, false};
    TcxCustomEditViewInfo info;
    TEditorView(TcxEditBorderStyle border, TcxEditButtonStyle buttons, bool native, const char* skin = nullptr) {
        style.SetBorderStyle(border);
        style.SetButtonStyle(buttons);
        style.SetColor(clWindow);
        style.LookAndFeel().SetNativeStyle(native);
        if (skin) style.LookAndFeel().SetSkinName(skin);
        properties.Buttons()->Add()->SetKind(bkEllipsis);
        properties.Buttons()->Add()->SetKind(bkDown);
    }
    void Layout(TcxCanvas& canvas, TPoint p) {
        std::unique_ptr<TcxCustomEditViewData> data = properties.MakeViewData(&style, false);
        data->CalculateLayout(canvas, TRect{0, 0, W, H}, p, -1, TShiftState{}, &info, false);
    }
};

double Repaint(TEditorView& view, TSurface& surface) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < Repaints; ++i) {
        view.Layout(surface.cx, TPoint{-1, -1});
        view.info.DrawOn(surface.cx);
    }
    GdiFlush();
    return BenchSeconds(start);
}

double PlainGdi(TSurface& surface) {
    const int m = GetSystemMetrics(SM_CYHSCROLL);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < Repaints; ++i) {
        RECT r{0, 0, W, H};
        DrawEdge(surface.dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        FillRect(surface.dc, &r, GetSysColorBrush(COLOR_WINDOW));
        RECT first{r.right - 2 * m, r.top, r.right - m, r.bottom};
        RECT second{r.right - m, r.top, r.right, r.bottom};
        DrawFrameControl(surface.dc, &first, DFC_BUTTON, DFCS_BUTTONPUSH);
        DrawFrameControl(surface.dc, &second, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
    }
    GdiFlush();
    return BenchSeconds(start);
}

int invalidatingMoves = 0;

// Each move lays the editor out again and repaints what changed against the last layout, as the
// editor's refresh does.
double MovesWithRepaint(TEditorView& view, TSurface& surface, TWinControl& window) {
    TcxCustomEditViewInfo last;
    view.Layout(surface.cx, TPoint{40, 10});
    last.AssignFromViewInfo(&view.info);
    ValidateRect(window.Handle(), nullptr);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < Moves; ++i) {
        view.Layout(surface.cx, TPoint{40 + i % 100, 10});
        if (view.info.RepaintChanges(&window, view.info.ContentRect, &last)) {
            ++invalidatingMoves;
            last.AssignFromViewInfo(&view.info);
        }
    }
    const double seconds = BenchSeconds(start);
    if (GetUpdateRect(window.Handle(), nullptr, FALSE)) ++invalidatingMoves;
    return seconds;
}

double BareLayouts(TEditorView& view, TSurface& surface) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < Moves; ++i) view.Layout(surface.cx, TPoint{40 + i % 100, 10});
    return BenchSeconds(start);
}

} // namespace

int main() {
    InitializeUnits(JoinUnits({PaintingCoreUnits(), SkinsUnits(), EditorFrameworkUnits()}));
    {
        TSurface surface;
        struct TKind {
            const char* name;
            TcxEditBorderStyle border;
            TcxEditButtonStyle buttons;
            bool native;
            const char* skin;
        };
        const TKind kinds[] = {{"standard", ebs3D, bts3D, false, nullptr},
                               {"flat", ebsFlat, btsFlat, false, nullptr},
                               {"ultraflat", ebsUltraFlat, btsUltraFlat, false, nullptr},
                               {"office11", ebsOffice11, btsOffice11, false, nullptr},
                               {"skin", ebs3D, btsDefault, false, "Black"},
                               {"native", ebs3D, btsDefault, true, nullptr}};
        std::vector<std::unique_ptr<TEditorView>> views;
        std::vector<BenchPhase> phases;
        phases.push_back({"gdi", [&] { return PlainGdi(surface); }, "", {}});
        for (const TKind& kind : kinds) {
            views.push_back(std::make_unique<TEditorView>(kind.border, kind.buttons, kind.native, kind.skin));
            TEditorView* view = views.back().get();
            phases.push_back({kind.name, [view, &surface] { return Repaint(*view, surface); }, "gdi", {}});
        }
        TEditorView moving(ebs3D, bts3D, false);
        TForm window(nullptr);
        window.SetBounds(0, 0, W, H);
        window.HandleNeeded();
        phases.push_back({"bare-layouts", [&] { return BareLayouts(moving, surface); }, "", {}});
        phases.push_back({"moves", [&] { return MovesWithRepaint(moving, surface, window); }, "bare-layouts", {}});
        RunRounds(phases, Rounds);
        std::printf("%d repaints of a %d x %d editor with two buttons, %d rounds (native: %s; skin: %s):\n",
                    Repaints, W, H, Rounds, views.back()->info.UsesTheme ? "themed" : "no theme, drawn standard",
                    views[views.size() - 2]->info.SkinPainter ? "Black" : "not found, drawn standard");
        PrintRounds(phases);
        std::printf("%d mouse moves a round that change nothing: %d invalidated\n", Moves, invalidatingMoves);
    }
    FinalizeUnits();
    return 0;
}
