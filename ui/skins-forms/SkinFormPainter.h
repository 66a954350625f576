#pragma once
// Drawing of the skinned windows: the form painter (frame, caption, caption buttons, the form's
// own scroll bars, client background) and the controllers of buttons, panels and frames, which
// draw through the skin painter of the form they sit on.
#include <memory>
#include <string>

#include "ui/core/Canvas.h"
#include "ui/skins/SkinCanvas.h"
#include "ui/skins-forms/SkinFormController.h"

// A memory picture kept between paints, with the description of what it shows: a repaint that
// would draw the same copies it instead of drawing its parts again.
class TdxSkinFramePicture {
public:
    TdxSkinFramePicture() = default;
    TdxSkinFramePicture(const TdxSkinFramePicture&) = delete;
    TdxSkinFramePicture& operator=(const TdxSkinFramePicture&) = delete;
    ~TdxSkinFramePicture() { Free(); }

    // A DC whose picture, compatible with dc, is black over (0, 0, width, height); the picture is
    // made anew only when it must grow. Forgets what it showed.
    HDC Prepare(HDC dc, int width, int height);
    HDC DC() const { return dc_; }
    // Whether it shows what key describes; the key is taken by Keep once it does.
    bool Shows(const std::string& key) const { return dc_ && shown_ && key_ == key; }
    void Keep(std::string key);
    void Free();

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    int width_ = 0, height_ = 0;
    bool shown_ = false;
    std::string key_;
};

class TdxSkinFormPainter : public TObject {
public:
    VZ_CLASS(TdxSkinFormPainter, TObject)
    explicit TdxSkinFormPainter(TdxSkinFormNonClientAreaInfo* nonClientInfo);
    ~TdxSkinFormPainter() override;

    TCanvas Canvas;
    TdxSkinElementCache BorderCaches[4];
    std::unique_ptr<TcxCanvas> CxCanvas;
    HDC DC = nullptr;
    TdxSkinElementCache ButtonCaches[6];
    bool OwnsDC = false;
    TdxSkinPainterClass SkinPainter = nullptr;
    TdxSkinInfo* SkinInfo = nullptr;
    TdxSkinFormNonClientAreaInfo* NonClientInfo;

    virtual void DrawBackground(HDC dc, const TRect& r);
    virtual void DrawScrollBars(HDC dc);
    virtual void DrawScrollBarParts(HDC dc, int bar, const TRect& r);
    virtual void DrawCaption(HDC dc, const TRect& r, TdxSkinElement* element);
    virtual void DrawCaptionButton(HDC dc, const TRect& r, TdxSkinElement* element, int index);
    virtual void DrawClientEdge();
    virtual void DrawMenuSeparator();
    virtual void PaintClientBackground();
    virtual void PaintNonClient();

    // dc nullptr: the window's whole DC, taken here and released by EndPaint.
    void BeginPaint(HDC dc);
    void EndPaint();
    TdxSkinElementState FrameState() const { return NonClientInfo->Active ? esActive : esActiveDisabled; }
    // Any frame element of the kind thinner than 3 pixels (a missing one counts as 0).
    bool HasThinBorders() const;
    // Drops the kept pictures of the caption and the borders.
    void FreePictures();

private:
    void DrawElement(TdxSkinElementCache& cache, TdxSkinElement* element, HDC dc, const TRect& r,
                     TdxSkinElementState state);
    void DrawBorders();
    void DrawThinBorders();
    void DrawBorder(TRect r, int side, bool buffered);
    TdxSkinElement* Frame(int side) const;
    // What the caption strip shows: everything DrawCaption reads.
    std::string CaptionKey(const TRect& r, TdxSkinElement* element) const;

    // 0 active, 1 inactive: switching the activation copies pictures drawn before.
    int StateIndex() const { return NonClientInfo->Active ? 0 : 1; }

    TdxSkinFramePicture captionPictures_[2];
    TdxSkinFramePicture borderPictures_[2][4];
    TdxSkinFramePicture scrollBarBuffer_; // drawn anew every time, kept only to save its making
};

// ---------------------------------------------------------------------------------------------
// Child controls.

class TdxSkinCustomControlViewInfo : public TObject {
public:
    VZ_CLASS(TdxSkinCustomControlViewInfo, TObject)
    explicit TdxSkinCustomControlViewInfo(TdxSkinWinController* controller) : OwnerController(controller) {}
    virtual void Initialize() {}
    TdxSkinWinController* OwnerController;
    TRect GetBounds() const;
    bool IsEnabled() const { return IsWindowEnabled(OwnerController->Handle) != FALSE; }
    bool IsFocused() const { return GetFocus() == OwnerController->Handle; }
    bool IsMouseOver() const;
};

class TdxSkinButtonViewInfo : public TdxSkinCustomControlViewInfo {
public:
    VZ_CLASS(TdxSkinButtonViewInfo, TdxSkinCustomControlViewInfo)
    using TdxSkinCustomControlViewInfo::TdxSkinCustomControlViewInfo;
    void Initialize() override;
    AnsiString Caption;
    bool Pressed = false;
    uint8_t State = 1; // the painters' button state: 1 normal, 2 hot, 3 pressed, 4 disabled
    virtual void SetPressed(bool value);
    virtual void SetHot(bool value);
    void SetState(uint8_t state);
    void UpdateFromEnabled();
};

class TdxSkinCustomControlPainter : public TObject {
public:
    VZ_CLASS(TdxSkinCustomControlPainter, TObject)
    explicit TdxSkinCustomControlPainter(TdxSkinCustomControlViewInfo* viewInfo);
    ~TdxSkinCustomControlPainter() override;
    TCanvas Canvas;
    std::unique_ptr<TcxCanvas> CxCanvas;
    HDC DC = nullptr;
    bool OwnsDC = false;
    TdxSkinCustomControlViewInfo* ViewInfo;

    void BeginPaint(HDC dc);
    void EndPaint();
    void DrawParentBackground();
    void DrawButton(const AnsiString& text, const TRect& r, uint8_t state);
    void DrawFocusRect(const TRect& r);
};

class TdxSkinCustomController : public TdxSkinWinController {
public:
    VZ_CLASS(TdxSkinCustomController, TdxSkinWinController)
    explicit TdxSkinCustomController(HWND window);
    ~TdxSkinCustomController() override;
    std::unique_ptr<TdxSkinCustomControlPainter> Painter;
    std::unique_ptr<TdxSkinCustomControlViewInfo> ViewInfo;

    TdxSkinWinController* FindParentController(HWND window) override;
    void InitSkinPainter() override {}
    void WndProc(TMessage& message) override;
    virtual TdxSkinCustomControlViewInfo* CreateViewInfo();
    virtual bool WMEraseBkgnd(TMessage& message);
    virtual bool WMPaint(TMessage& message);
    virtual void Paint(HDC dc) { (void)dc; }
    // The construction that calls the virtual parts; the class's Create uses it.
    void Build();
};

class TdxSkinButtonController : public TdxSkinCustomController {
public:
    VZ_CLASS(TdxSkinButtonController, TdxSkinCustomController)
    using TdxSkinCustomController::TdxSkinCustomController;
    void WndProc(TMessage& message) override;
    void MouseLeave() override;
    TdxSkinCustomControlViewInfo* CreateViewInfo() override;
    void Paint(HDC dc) override;
    TdxSkinButtonViewInfo& Info() { return static_cast<TdxSkinButtonViewInfo&>(*ViewInfo); }
    static TdxSkinWinController* Create(HWND window);
};

class TdxSkinPanelController : public TdxSkinCustomController {
public:
    VZ_CLASS(TdxSkinPanelController, TdxSkinCustomController)
    using TdxSkinCustomController::TdxSkinCustomController;
    bool Painting = false;
    void WndProc(TMessage& message) override;
    bool WMEraseBkgnd(TMessage& message) override;
    bool WMPaint(TMessage& message) override;
    void Paint(HDC dc) override;
    static TdxSkinWinController* Create(HWND window);
};

// Frames take their form's painter; no platform class routes a control here yet.
class TdxSkinFrameController : public TdxSkinFormController {
public:
    VZ_CLASS(TdxSkinFrameController, TdxSkinFormController)
    using TdxSkinFormController::TdxSkinFormController;
    TdxSkinWinController* FindParentController(HWND window) override;
    void InitSkinPainter() override {}
};

extern const TdxSkinWinControllerClassInfo dxSkinFormControllerClass, dxSkinButtonControllerClass,
    dxSkinPanelControllerClass;
