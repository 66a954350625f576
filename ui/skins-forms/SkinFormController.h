#pragma once
// The skinned form frame: the form controller answers the non-client messages of a form (or MDI
// client) from the skin's frame geometry, which the non-client info computes.
#include <memory>

#include "ui/skins-forms/SkinController.h"

class TdxSkinFormController;
class TdxSkinFormPainter;

// Caption button indexes.
enum : int { sbIcon = 0, sbHelp = 1, sbMinimize = 2, sbMaximize = 3, sbRestore = 4, sbClose = 5 };
using TdxSkinButtonSet = TSmallSet<int>;

class TdxSkinFormNonClientAreaInfo : public TObject {
public:
    VZ_CLASS(TdxSkinFormNonClientAreaInfo, TObject)
    explicit TdxSkinFormNonClientAreaInfo(TdxSkinFormController* controller);
    ~TdxSkinFormNonClientAreaInfo() override;

    TdxSkinFormController* FormController;
    int SizeType = SIZE_RESTORED;
    bool Active = true;
    TRect BorderRects[4]{};
    TRect FrameSizes{};
    TRect ClientRect{};
    AnsiString Caption;
    TRect CaptionTextRect{};
    TFont CaptionFont;
    AnsiString MDIChildCaption;
    TColor InactiveTextColor = clDefault, ActiveTextColor = clDefault, TextShadowColor = clDefault;
    TSize EdgeSize{};
    bool HasClientEdge = false, HasMenu = false;
    TRect ButtonRects[6]{};
    int PressedButton = 0;
    TdxSkinButtonSet Buttons;
    TdxSkinElementState ButtonStates[6]{};
    bool IsMDIChild = false, IsMDIClient = false;
    TRect MenuBarRect{};
    TdxSkinPainterClass SkinPainter = nullptr;
    TdxSkinInfo* SkinInfo = nullptr;
    TRect ScrollBarRects[3]{};
    TSmallSet<int> ScrollBars;
    TRect ScrollPartRects[2][6]{};
    uint8_t ScrollPartStates[2][6]{};
    SCROLLBARINFO ScrollBarInfos[2]{};
    TSize CornerSize{};
    HICON Icon = nullptr;
    TSize FrameSize{};
    int TrackingBar = 2;
    int HotButton = 0;
    TRect WindowRect{};
    // The window's rectangles and styles; the border widths are read only where the frame uses
    // the system's metrics, and the status and class atom are not read.
    WINDOWINFO WindowInfo{};
    // The mouse as the last mouse message or the tracking timer found it (screen point, left
    // button): the caption buttons and scroll parts take their hot and pressed states from it, so
    // a repaint asks the system for no cursor. Dropped when the window moves or is resized.
    TPoint MousePos{-1, -1};
    bool MouseLeftDown = false;

    virtual void CalculateBorderRects();
    virtual void CalculateFrameSizes();
    virtual void CalculateCaptionButtons();
    virtual void CalculateMetrics();
    virtual void CalculateScrollBars();
    virtual void CalculateScrollParts();
    virtual TdxSkinButtonSet GetButtonSet();
    virtual HRGN CreateClientEdgeRegion();
    virtual HICON GetIcon();
    virtual void Calculate();
    virtual HRGN CreateSkinnedRegion();

    HWND Handle() const;
    // 0 for tool windows, 1 otherwise: the row of the skin's frame elements.
    int Kind() const { return IsToolWindow() ? 0 : 1; }
    bool IsToolWindow() const { return (WindowInfo.dwExStyle & WS_EX_TOOLWINDOW) != 0; }
    bool IsThickFrame() const { return (WindowInfo.dwStyle & WS_THICKFRAME) != 0; }
    bool IsMaximized() const { return (WindowInfo.dwStyle & WS_MAXIMIZE) != 0; }
    bool IsMinimized() const { return (WindowInfo.dwStyle & WS_MINIMIZE) != 0; }
    bool HasBorder() const;
    bool HasCaption() const;
    bool IsDialogFrame() const { return (WindowInfo.dwExStyle & WS_EX_DLGMODALFRAME) != 0; }
    bool ThemeActive();
    bool UsesSystemMetrics();
    bool UsesSkinFrame();

    void SetActive(bool value);
    void SetCaption(const AnsiString& text);
    void SetSizeType(int value);
    bool UpdateMDIChildCaption();
    AnsiString GetFullCaption() const;
    // The hit-test code of a screen point; start is the result to begin with.
    int HitTest(TPoint screenPoint, int start);
    int ButtonUnderMouse();
    int HitCodeToButton(int code) const;
    int UpdatePressedButton(bool reset);
    bool UpdateButtonStates();
    void UpdateCaptionFont();
    bool GetScrollPartUnderMouse(int& bar, int& part);
    void TrimSystemMenu();

    // Forgets the system's non-client metrics (a setting or the theme changed).
    void ResetMetrics();
    // Takes the cursor position and the left button's state for the next calculations.
    void ReadMouse();

protected:
    // Fills WindowInfo from the window's rectangles and styles.
    virtual void ReadWindowInfo();

private:
    void ReadScrollBarInfo(int bar);
    RECT mouseWindowRect_{}; // where the window stood when the mouse was read
    bool metricsRead_ = false;
    NONCLIENTMETRICSA metrics_{};
    LOGFONTA captionLogFont_{};
    int captionFontDelta_ = -1;
    int captionFontHeight_ = 0;
};

class TdxSkinFormController : public TdxSkinWinController {
public:
    VZ_CLASS(TdxSkinFormController, TdxSkinWinController)
    explicit TdxSkinFormController(HWND window);
    ~TdxSkinFormController() override;

    bool PendingNCPaint = false;
    bool HasRegion = false;
    int RedrawLockCount = 0;
    std::unique_ptr<TdxSkinFormPainter> Painter;
    std::unique_ptr<TdxSkinFormNonClientAreaInfo> NonClientInfo;

    bool IsSkinned() override;
    void InitSkinPainter() override;
    void WndProc(TMessage& message) override;
    void MouseLeave() override;
    void Refresh() override;

    virtual void CalculateNonClient();
    virtual void PaintBackground(HDC dc);
    virtual void PaintNonClient();
    virtual void InitMessageForm();
    virtual bool HandleRegisteredMessage(TMessage& message);
    virtual bool HandleSkinnedMessage(TMessage& message);
    virtual void WMDestroy(TMessage& message);
    virtual void WMEraseBkgnd(TMessage& message);
    virtual void WMNCActivate(TMessage& message);
    virtual void WMNCLButtonDown(TMessage& message);
    virtual void WMNCCalcSize(TMessage& message);
    virtual void WMNCHitTest(TMessage& message);
    virtual void WMNCLButtonUp(TMessage& message);
    virtual void WMNCPaint(TMessage& message);
    virtual void WMScroll(TMessage& message);
    virtual void WMSetText(TMessage& message);
    virtual void WMSize(TMessage& message);
    virtual void WMSysCommand(TMessage& message);

    void RedrawNonClient();
    void BeginRedrawLock();
    void EndRedrawLock();
    void SetRegion(bool wanted);
    bool NeedsRegion(int sizeType);
    bool UpdateHotTracking(bool forceRepaint);

    static TdxSkinWinController* Create(HWND window);
};
