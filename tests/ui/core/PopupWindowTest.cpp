#include <gtest/gtest.h>

#include <string>

#include "PaintSurface.h"
#include "ui/core/ControlServices.h"
#include "ui/core/PopupWindow.h"

namespace {
TRect seamWorkArea = Rect(0, 0, 800, 600);
TRect SeamWorkArea(TPoint) {
    return seamWorkArea;
}

class WorkAreaSeam {
public:
    WorkAreaSeam() : previous_(SetWorkAreaSource(SeamWorkArea)) {}
    ~WorkAreaSeam() { SetWorkAreaSource(previous_); }

private:
    TWorkAreaSource previous_;
};

// What the window shows now, read back from its device context.
COLORREF WindowPixel(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}
} // namespace

TEST(PopupPosition, FlipsOnlyToTheRoomierSideAndClamps) {
    WorkAreaSeam seam;
    struct {
        const char* name;
        TcxPopupDirection direction;
        TcxPopupAlignHorz horz;
        TcxPopupAlignVert vert;
        TRect owner;
        int width, height;
        TPoint expected;
    } cases[] = {
        {"below the owner", pdrVertical, phaLeft, pvaBottom, Rect(100, 100, 200, 120), 150, 100, {100, 120}},
        {"above the owner", pdrVertical, phaRight, pvaTop, Rect(100, 300, 200, 320), 150, 100, {50, 200}},
        {"no room below, more above: flips",
         pdrVertical,
         phaLeft,
         pvaBottom,
         Rect(100, 290, 200, 520),
         150,
         100,
         {100, 190}},
        {"no room below, less above: stays",
         pdrVertical,
         phaLeft,
         pvaBottom,
         Rect(100, 80, 200, 500),
         150,
         150,
         {100, 500}},
        {"no room above, less below: stays",
         pdrVertical,
         phaLeft,
         pvaTop,
         Rect(100, 50, 200, 560),
         150,
         100,
         {100, -50}},
        {"past the right edge",
         pdrVertical,
         phaLeft,
         pvaBottom,
         Rect(750, 100, 790, 120),
         150,
         100,
         {650, 120}},
        {"wider than the work area",
         pdrVertical,
         phaLeft,
         pvaBottom,
         Rect(300, 100, 400, 120),
         900,
         100,
         {0, 120}},
        {"centred", pdrVertical, phaCenter, pvaBottom, Rect(100, 100, 200, 120), 50, 30, {125, 120}},
        {"centred on both axes",
         pdrHorizontal,
         phaCenter,
         pvaCenter,
         Rect(100, 100, 200, 120),
         50,
         30,
         {125, 95}},
        {"right of the owner",
         pdrHorizontal,
         phaRight,
         pvaTop,
         Rect(100, 100, 200, 120),
         150,
         100,
         {200, 100}},
        {"no room right: flips left",
         pdrHorizontal,
         phaRight,
         pvaTop,
         Rect(700, 100, 780, 120),
         150,
         100,
         {550, 100}},
        {"left of the owner, clamped vertically",
         pdrHorizontal,
         phaLeft,
         pvaTop,
         Rect(300, 550, 400, 570),
         150,
         100,
         {150, 500}},
        {"bottom-aligned beside the owner",
         pdrHorizontal,
         phaRight,
         pvaBottom,
         Rect(100, 200, 200, 260),
         150,
         100,
         {200, 160}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TcxPopupWindow popup;
        popup.Direction = c.direction;
        popup.AlignHorz = c.horz;
        popup.AlignVert = c.vert;
        popup.OwnerBounds = c.owner;
        popup.SetBounds(0, 0, c.width, c.height);
        TPoint p = popup.ComputePopupPosition();
        EXPECT_EQ(p.x, c.expected.x);
        EXPECT_EQ(p.y, c.expected.y);
    }
}

TEST(PopupPosition, OwnerBoundsAreInTheOwnerParentsCoordinates) {
    WorkAreaSeam seam;
    TForm owner(nullptr);
    owner.SetBorderStyle(bsNone);
    owner.SetBounds(200, 150, 300, 200);
    TcxPopupWindow popup;
    popup.OwnerParent = &owner;
    popup.OwnerBounds = Rect(10, 20, 110, 40);
    popup.SetBounds(0, 0, 80, 60);
    TRect screen = popup.GetOwnerScreenBounds();
    EXPECT_EQ(screen.left, 210);
    EXPECT_EQ(screen.bottom, 190);
    TPoint p = popup.ComputePopupPosition();
    EXPECT_EQ(p.x, 210);
    EXPECT_EQ(p.y, 190);
}

TEST(PopupWindow, FitsToItsContentInsideTheBorderSpace) {
    TcxPopupWindow popup;
    popup.PopupBorderStyle = pbsFrame;
    popup.BorderSpace = 2;
    EXPECT_EQ(popup.GetFrameThickness(), 1);
    EXPECT_EQ(popup.GetBorderSpace(0), 3);
    TLabel a(&popup), b(&popup);
    a.SetParent(&popup);
    b.SetParent(&popup);
    a.SetBounds(0, 0, 30, 10);
    b.SetBounds(5, 20, 50, 15);
    popup.FitToContent();
    EXPECT_EQ(a.Left(), 3);
    EXPECT_EQ(b.Top(), 23);
    EXPECT_EQ(popup.Width(), 3 + 55 + 3);
    EXPECT_EQ(popup.Height(), 3 + 35 + 3);
    TRect content = popup.CalcContentRect();
    EXPECT_EQ(content.left, 3);
    EXPECT_EQ(content.right, 61 - 3);

    popup.Adjustable = false;
    a.SetBounds(0, 0, 100, 100);
    popup.FitToContent();
    EXPECT_EQ(popup.Width(), 61);
    popup.PopupBorderStyle = pbsDoubleEdge;
    EXPECT_EQ(popup.GetFrameThickness(), 2);
}

TEST(PopupWindow, ARealPopupIsTopmostAndPaintsItsFrame) {
    WorkAreaSeam seam;
    TcxPopupWindow popup;
    popup.PopupBorderStyle = pbsFrame;
    popup.FrameColor = clRed;
    popup.OwnerBounds = Rect(300, 280, 360, 300);
    popup.SetBounds(0, 0, 60, 40);
    popup.ShowPopup();
    HWND window = popup.Handle();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    RECT placed;
    GetWindowRect(window, &placed);
    EXPECT_EQ(placed.left, 300);
    EXPECT_EQ(placed.top, 300);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(WindowPixel(window, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(WindowPixel(window, 59, 39), RGB(255, 0, 0));
    EXPECT_EQ(WindowPixel(window, 30, 0), RGB(255, 0, 0));
    EXPECT_EQ(WindowPixel(window, 1, 1), Sys(clBtnFace));

    popup.PopupBorderStyle = pbsDoubleEdge;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(WindowPixel(window, 0, 0), Sys(cl3DLight));
    EXPECT_EQ(WindowPixel(window, 59, 39), Sys(cl3DDkShadow));
    EXPECT_EQ(WindowPixel(window, 1, 1), Sys(clBtnHighlight));
    EXPECT_EQ(WindowPixel(window, 58, 38), Sys(clBtnShadow));
    EXPECT_EQ(WindowPixel(window, 2, 2), Sys(clBtnFace));

    popup.ClosePopup();
    EXPECT_FALSE(IsWindowVisible(window));
}

TEST(DragImage, TranslucentAndTransparentToTheMouse) {
    TcxCustomDragImage image;
    EXPECT_EQ(image.Width(), 0);
    EXPECT_TRUE(image.AlphaBlend());
    EXPECT_EQ(image.AlphaBlendValue(), 180);
    image.SetBounds(10, 10, 30, 20);
    HWND window = image.Handle();
    EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    BYTE alpha = 0;
    DWORD flags = 0;
    if (GetLayeredWindowAttributes(window, nullptr, &alpha, &flags)) {
        EXPECT_EQ(alpha, 180);
    }
    EXPECT_EQ(SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(15, 15)), HTTRANSPARENT);
    EXPECT_EQ(SendMessageA(window, WM_ERASEBKGND, 0, 0), 1);
    EXPECT_NE(GetClassLongA(window, GCL_STYLE) & CS_SAVEBITS, 0u);
    image.ShowNoActivate();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_NE(GetActiveWindow(), window);
}

TEST(SizeFrame, RingOrFullRegion) {
    struct {
        const char* name;
        int frameWidth;
        bool fill;
        bool holeInRegion;
    } cases[] = {
        {"ring", 3, false, false},
        {"filled selection", 3, true, true},
        {"too small for a ring", 20, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TcxSizeFrame frame(c.frameWidth);
        EXPECT_FALSE(frame.AlphaBlend());
        frame.FillSelection = c.fill;
        frame.Handle();
        frame.SetFrameRect(Rect(100, 100, 160, 140));
        EXPECT_EQ(frame.Width(), 60);
        HRGN region = frame.Region().Handle();
        EXPECT_TRUE(PtInRegion(region, 1, 1));
        EXPECT_TRUE(PtInRegion(region, 58, 38));
        EXPECT_EQ(PtInRegion(region, 20, 20) != FALSE, c.holeInRegion);
        EXPECT_EQ(PtInRegion(region, c.frameWidth, c.frameWidth) != FALSE, c.holeInRegion);
        EXPECT_TRUE(PtInRegion(region, c.frameWidth - 1, 20));
        HRGN window = CreateRectRgn(0, 0, 0, 0);
        if (!c.holeInRegion) {
            ASSERT_NE(GetWindowRgn(frame.Handle(), window), ERROR);
            EXPECT_FALSE(PtInRegion(window, 20, 20));
            EXPECT_TRUE(PtInRegion(window, 1, 20));
        }
        DeleteObject(window);
    }
}

// ---------------------------------------------------------------------------------------------
#include "ui/core/GraphicsRoutines.h"
#include "ui/core/ThemeBinding.h"
#include "ui/core/UltraFlatPainters.h"
#include "ui/core/WinXPPainter.h"

namespace {
// A child window of its parent form; it remembers whether it was painted as a copy.
class TChildWindow : public TWinControl {
public:
    TChildWindow(TWinControl* parent, const TRect& bounds, DWORD style = 0)
        : TWinControl(nullptr), style_(style) {
        SetParent(parent);
        SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
        Handle();
    }
    bool paintedAsCopy = false;

protected:
    void CreateHandle() override {
        CreateWindowHandle(WS_CHILD | WS_VISIBLE | style_, 0, Parent()->Handle(), BoundsRect());
    }
    void PaintWindow(HDC dc) override {
        paintedAsCopy = ControlState.Contains(csPaintCopy);
        TWinControl::PaintWindow(dc);
    }

private:
    DWORD style_;
};

struct BackgroundScene {
    TForm parent{nullptr};
    std::unique_ptr<TChildWindow> sibling, control;
    BackgroundScene() {
        parent.SetBorderStyle(bsNone);
        parent.SetColor(clRed);
        parent.SetBounds(100, 100, 200, 150);
        parent.Handle();
        sibling = std::make_unique<TChildWindow>(&parent, Rect(0, 0, 30, 30), WS_BORDER);
        sibling->SetColor(clBlue);
        control = std::make_unique<TChildWindow>(&parent, Rect(10, 10, 60, 40));
    }
};
} // namespace

TEST(BackgroundBehindControl, FromTheParentAndFromABorderedSibling) {
    BackgroundScene scene;
    {
        TPaintSurface surface(50, 30);
        PaintBackgroundBehindControl(scene.control.get(), surface.cx, Rect(0, 0, 50, 30), false);
        EXPECT_EQ(surface.Count(RGB(255, 0, 0)), 50 * 30);
        EXPECT_FALSE(scene.parent.ControlState.Contains(csPaintCopy));
        EXPECT_FALSE(scene.sibling->paintedAsCopy);
    }
    {
        TPaintSurface surface(50, 30);
        PaintBackgroundBehindControl(scene.control.get(), surface.cx, Rect(0, 0, 50, 30), true);
        EXPECT_TRUE(scene.sibling->paintedAsCopy);
        EXPECT_EQ(surface.At(5, 5), RGB(0, 0, 255));   // parent (15, 15): inside the sibling
        EXPECT_EQ(surface.At(18, 18), RGB(0, 0, 255)); // its last client pixel
        EXPECT_EQ(surface.At(25, 5), RGB(255, 0, 0));  // parent (35, 15): beside it
        EXPECT_EQ(surface.At(5, 25), RGB(255, 0, 0));  // below it
        COLORREF frame = surface.At(19, 5);            // parent (29, 15): the sibling's frame
        EXPECT_NE(frame, RGB(0, 0, 255));
        EXPECT_NE(frame, RGB(255, 0, 0));
        EXPECT_EQ(surface.At(19, 19), frame);
    }
}

TEST(BackgroundBehindControl, ParentBackgroundAndTheOffice11Panel) {
    BackgroundScene scene;
    scene.parent.DoubleBuffered = true;
    TPaintSurface surface(50, 30);
    PaintParentBackground(scene.control.get(), surface.cx, Rect(0, 0, 20, 10));
    EXPECT_EQ(surface.At(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(surface.At(19, 9), RGB(255, 0, 0));

    surface.Clear(RGB(255, 255, 255));
    TcxOffice11LookAndFeelPainter::Painter()->PaintPanelBackground(&surface.cx, scene.control.get(),
                                                                   Rect(0, 0, 50, 30), clDefault, clDefault);
    EXPECT_EQ(surface.At(25, 15), RGB(255, 0, 0));
}

TEST(BackgroundBehindControl, NativePanelTakesTheParentBackground) {
    BackgroundScene scene;
    scene.parent.DoubleBuffered = true;
    TPaintSurface surface(50, 30);
    TcxWinXPLookAndFeelPainter::Painter()->PaintPanelBackground(&surface.cx, scene.control.get(),
                                                                Rect(0, 0, 50, 30), clDefault, clDefault);
    EXPECT_EQ(surface.At(25, 15), RGB(255, 0, 0));
    TcxWinXPLookAndFeelPainter::Painter()->PaintPanelBackground(&surface.cx, scene.control.get(),
                                                                Rect(0, 0, 50, 30), clLime, clDefault);
    EXPECT_EQ(surface.At(25, 15), RGB(0, 255, 0));
}

namespace {
// A form that logs the caption activation it is told about.
class TOwnerForm : public TForm {
public:
    TOwnerForm() : TForm(nullptr) {
        SetBounds(50, 50, 300, 200);
        Handle();
    }
    std::string log;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_NCACTIVATE) log += wParam ? "nc-on " : "nc-off ";
        return TForm::WndProc(message, wParam, lParam);
    }
};
} // namespace

TEST(PopupWindow, KeepsTheOwnerCaptionActiveAndClosesOnDeactivation) {
    WorkAreaSeam seam;
    TOwnerForm owner;
    owner.Show();
    SetActiveWindow(owner.Handle());
    ASSERT_EQ(GetActiveWindow(), owner.Handle());
    owner.log.clear();

    TcxPopupWindow popup;
    popup.OwnerParent = &owner;
    popup.OwnerBounds = Rect(10, 10, 100, 30);
    popup.SetBounds(0, 0, 80, 50);
    popup.ShowPopup();
    ASSERT_EQ(GetActiveWindow(), popup.Handle());
    EXPECT_EQ(popup.PrevActiveWindow, owner.Handle());
    EXPECT_NE(owner.log.find("nc-on"), std::string::npos);
    EXPECT_TRUE(IsWindowVisible(popup.Handle()));

    SetActiveWindow(owner.Handle());
    EXPECT_FALSE(IsWindowVisible(popup.Handle()));

    popup.ShowPopup();
    owner.log.clear();
    SendMessageA(popup.Handle(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(owner.log.substr(0, 7), "nc-off ");
    EXPECT_FALSE(IsWindowVisible(popup.Handle()));
}

TEST(SizeFrame, PaintsACheckerPattern) {
    TcxSizeFrame frame(2);
    frame.SetFrameRect(Rect(10, 10, 26, 26));
    frame.Handle();
    TPaintSurface surface(16, 16, RGB(0, 128, 0));
    SendMessageA(frame.Handle(), WM_PAINT, reinterpret_cast<WPARAM>(surface.DC()), 0);
    EXPECT_EQ(surface.Count(RGB(0, 128, 0)), 0);
    EXPECT_EQ(surface.Count(RGB(0, 0, 0)), 128);
    EXPECT_EQ(surface.Count(RGB(255, 255, 255)), 128);
    EXPECT_NE(surface.At(0, 0), surface.At(1, 0));
    EXPECT_EQ(surface.At(0, 0), surface.At(1, 1));
}

TEST(BackgroundBehindControl, ThemedParentsDrawThroughTheThemeLibrary) {
    if (!dxUxTheme::IsThemeLibraryBound()) GTEST_SKIP() << "uxtheme is not bound in this prefix";
    BackgroundScene scene;
    TPaintSurface surface(50, 30);
    PaintParentBackground(scene.control.get(), surface.cx, Rect(0, 0, 50, 30));
    EXPECT_EQ(surface.At(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(surface.At(49, 29), RGB(255, 0, 0));
}
