#pragma once
// Forms and the application object: top-level windows over Win32, labels drawn by their parent
// window, the hidden application window that owns forms and message boxes, and the top-level
// error report.
#include <functional>
#include <map>
#include <vector>

#include "platform/core/Components.h"
#include "platform/core/UtilWindow.h"
#include "platform/graphics/Graphics.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsStayOnTop };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
// The side of its parent a control asks to be aligned to. The parent does not place aligned
// children in this layer: controls that size themselves read it.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

class TWinControl;
class TForm;
class TDragObject;
class TDragImageList;

// csPaintCopy: the control is being painted into another control's canvas (a copy of its
// picture), not onto its own window. csLButtonDown: a left press is being handled; csClicked: a
// press began on the control and its release makes a click; csCreating: the window is being made.
enum TControlStateItem { csPaintCopy, csLButtonDown, csClicked, csCreating, csFocusing };
using TControlState = TSmallSet<TControlStateItem>;
// How a control takes the mouse and paints.
enum TControlStyleItem {
    csCaptureMouse,
    csClickEvents,
    csOpaque,
    csFramed,
    csReplicatable,
    csNoDesignVisible,
    csDisplayDragImage,
    csDoubleClicks,
    csParentBackground,
};
using TControlStyle = TSmallSet<TControlStyleItem>;

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSmallSet<TShiftStateItem>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

// Cursor ids: the system's under 0, the program's own above it (the screen's cursor table).
// The drag (-12), no-drop (-13), multi-drag (-16) and hand (-21) ids have no names here: the
// control library names its own cursors so.
using TCursor = int;
enum : TCursor {
    crDefault = 0,
    crNone = -1,
    crArrow = -2,
    crCross = -3,
    crIBeam = -4,
    crSizeNESW = -6,
    crSizeNS = -7,
    crSizeNWSE = -8,
    crSizeWE = -9,
    crUpArrow = -10,
    crHourGlass = -11,
    crHSplit = -14,
    crVSplit = -15,
    crNo = -18,
    crAppStart = -19,
    crSizeAll = -22,
};

// The control messages: CM_ go to a control itself, CN_ are the parent's notifications
// reflected to the child they concern.
enum : UINT {
    CM_BASE = 0xB000,
    CM_ENABLEDCHANGED = CM_BASE + 3,
    CM_DIALOGCHAR = CM_BASE + 6, // WParam: the character of an Alt+key or a dialog key
    CM_VISIBLECHANGED = CM_BASE + 11,
    CM_COLORCHANGED = CM_BASE + 13,
    CM_FONTCHANGED = CM_BASE + 14,
    CM_CURSORCHANGED = CM_BASE + 15,
    CM_CTL3DCHANGED = CM_BASE + 16,
    CM_PARENTCOLORCHANGED = CM_BASE + 9,
    CM_PARENTFONTCHANGED = CM_BASE + 8,
    CM_TEXTCHANGED = CM_BASE + 18,
    CM_MOUSEENTER = CM_BASE + 19,
    CM_MOUSELEAVE = CM_BASE + 20,
    CM_SHOWINGCHANGED = CM_BASE + 22, // the window came to show or stopped showing (Showing)
    CM_SYSCOLORCHANGE = CM_BASE + 25,
    CM_DESIGNHITTEST = CM_BASE + 28,
    CM_HINTSHOW = CM_BASE + 48, // LParam: the THintInfo to fill; result nonzero refuses the hint
    CN_BASE = 0xBC00,
    CN_COMMAND = CN_BASE + WM_COMMAND,
    CN_KEYDOWN = CN_BASE + WM_KEYDOWN,
    CN_KEYUP = CN_BASE + WM_KEYUP,
    CN_CHAR = CN_BASE + WM_CHAR,
    CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN,
    CN_HSCROLL = CN_BASE + WM_HSCROLL,
    CN_VSCROLL = CN_BASE + WM_VSCROLL,
    CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR,
};

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& key, TShiftState shift)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& canClose)>;
// A key (a key-down or system key-down) offered to a form as a shortcut; handled takes it.
using TShortCutEvent = std::function<void(TObject* Sender, WORD key, TShiftState shift, bool& handled)>;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint mousePos, bool& handled)>;
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* source, int x, int y, TDragState state, bool& accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* source, int x, int y)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* target, int x, int y)>;

// The shift state of a mouse message's key flags.
TShiftState MouseKeysToShiftState(WPARAM keys);
// Whether caption marks ch as its accelerator ("&G" for g or G; "&&" is a plain ampersand).
bool IsAccel(WORD ch, const AnsiString& caption);
// The shift state from the keyboard now (Shift, Ctrl, Alt).
TShiftState KeyboardShiftState();

// A visual element with bounds inside a parent window. Controls without a window of their own
// (labels) are painted by their parent.
class TControl;

// What a control is asked through CM_HINTSHOW: it may change the text, where the hint goes and
// the rectangle (client coordinates) within which the cursor keeps the hint shown.
struct THintInfo {
    TControl* HintControl = nullptr;
    TPoint HintPos{};
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    TRect CursorRect{};
    TPoint CursorPos{}; // client coordinates of HintControl
    int ReshowTimeout = 0;
    int HideTimeout = 0;
    AnsiString HintStr;
};

// The window that shows a hint, as far as others measure by it: the status font, the text
// wrapped within maxWidth, with the window's margins.
class THintWindow {
public:
    virtual ~THintWindow() = default;
    virtual TRect CalcHintRect(int maxWidth, const AnsiString& hint);
};

class TControl : public TComponent {
public:
    VZ_CLASS(TControl, TComponent)
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    // Asks CanResize first, which may change the size or refuse the whole change.
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    TRect ClientRect() const { return TRect{0, 0, width_, height_}; }
    virtual TRect GetClientRect();

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value);
    // Windowed controls draw sunken 3-D edges while Ctl3D; ParentCtl3D follows the parent.
    bool Ctl3D() const { return ctl3D_; }
    virtual void SetCtl3D(bool value);
    bool ParentCtl3D() const { return parentCtl3D_; }
    void SetParentCtl3D(bool value);

    const AnsiString& Caption() const { return caption_; }
    void SetCaption(const AnsiString& value);
    // The hint: the text before the first "|" is shown, while ShowHint.
    const AnsiString& Hint() const { return hint_; }
    void SetHint(const AnsiString& value) { hint_ = value; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value) { showHint_ = value; }

    // The control's font; while ParentFont it follows the parent's font.
    TFont& Font() { return font_; }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    // Colour of the face; while ParentColor it is the parent's colour.
    TColor Color() const;
    void SetColor(TColor value);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);

    TControlState ControlState;
    TControlStyle ControlStyle;

    // Sends the message through WindowProc (the window need not exist).
    LRESULT Perform(UINT message, WPARAM wParam, LPARAM lParam);
    // Every message of the control goes through here; a skin controller may put its own method
    // in and call the saved one. The default ends in WndProc.
    TWndMethod WindowProc;

    // Asks the window that shows this control to repaint it.
    virtual void Invalidate();
    // Drawing of a control without its own window, in its own coordinates (0,0 = its corner).
    virtual void Paint(TCanvas& canvas) { (void)canvas; }

    TPoint ClientToScreen(TPoint point);
    TPoint ScreenToClient(TPoint point);

    // Scales bounds (and the font unless it follows the parent) by multiplier / divider.
    virtual void ChangeScale(int multiplier, int divider);

    TAlign Align() const { return align_; }
    void SetAlign(TAlign value);

    // Actions aimed at the control: true when it executed (or updated) the action. Nothing here
    // handles one.
    virtual bool ExecuteAction(TObject* action) {
        (void)action;
        return false;
    }
    virtual bool UpdateAction(TObject* action) {
        (void)action;
        return false;
    }

    // Platform drag and drop.
    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode value) { dragMode_ = value; }
    TCursor DragCursor = DefaultDragCursor;
    // Starts a drag of this control: at once, or (threshold >= 0) once the mouse moved that far.
    void BeginDrag(bool immediate, int threshold = -1);
    bool Dragging() const;
    // Ends the running drag of this control, dropping on the target when drop is true.
    void EndDrag(bool drop);
    virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
    virtual void DragDrop(TObject* source, int x, int y);
    // The images shown under the cursor while this control is dragged (nullptr: none). They show
    // over controls with csDisplayDragImage in their style.
    virtual TDragImageList* GetDragImages() { return nullptr; }

    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TContextPopupEvent OnContextPopup;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;
    std::function<void(TObject* Sender, TDragObject*& dragObject)> OnStartDrag;

protected:
    static constexpr TCursor DefaultDragCursor = -12;
    virtual void TextChanged() { Invalidate(); }
    virtual void FontChanged() { Invalidate(); }
    virtual void BoundsChanged(const TRect& oldBounds);
    // The size SetBounds is about to give; may change it. False keeps the bounds as they are.
    virtual bool CanResize(int& newWidth, int& newHeight) {
        (void)newWidth, (void)newHeight;
        return true;
    }
    // The control's alignment changed: the parent places its children again.
    virtual void RequestAlign();
    // Takes the parent's font (for ParentFont); called when the parent or its font changes.
    void ParentFontChanged();

    // Handles a message; the base answers the control messages and passes the rest on.
    virtual void WndProc(TMessage& message);
    virtual void DefaultHandler(TMessage& message);

    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DoContextPopup(TPoint mousePos, bool& handled);
    // Makes the drag object (nullptr: the platform's); false cancels the drag.
    virtual bool DoStartDrag(TDragObject*& dragObject);
    virtual void DoEndDrag(TObject* target, int x, int y);

    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    bool parentFont_ = true;
    bool parentColor_ = true;
    bool ctl3D_ = true;
    bool parentCtl3D_ = true;
    TColor color_ = clBtnFace;
    TCursor cursor_ = crDefault;
    TDragMode dragMode_ = dmManual;
    TAlign align_ = alNone;

private:
    AnsiString hint_;
    bool showHint_ = false;
    friend class TWinControl;
    friend class TDragObject;
    friend void DragTo(TPoint screenPoint);
    friend void FinishDrag(bool drop);
    TWinControl* parent_ = nullptr;
    AnsiString caption_;
    TFont font_;
    bool followingParent_ = false;
};

// A control with a window of its own; it paints its face and the window-less controls in it.
class TWinControl : public TControl {
public:
    VZ_CLASS(TWinControl, TControl)
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    // The window, made on first use.
    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    // The window exists and the control is visible; a change sends CM_SHOWINGCHANGED.
    bool Showing() const { return handle_ != nullptr && visible_; }
    // The window exists (made now when it can be).
    void HandleNeeded() { Handle(); }
    // Repaints now what is invalid, when the window exists.
    void Update();
    void Invalidate() override;
    TRect GetClientRect() override;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    // In z-order, the bottom one first.
    TControl* Controls(int index) const { return controls_.at(index); }
    // The control paints through an off-screen buffer of its own.
    bool DoubleBuffered = false;
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);
    // The place among the parent's windowed children in the tab order; -1 without a parent.
    int TabOrder() const;
    // Moves the control to that place (clamped to the last one); ignored without a parent.
    void SetTabOrder(int value);
    // The parent's picture shows through the face (csParentBackground in ControlStyle).
    bool ParentBackground() const { return ControlStyle.Contains(csParentBackground); }
    virtual void SetParentBackground(bool value);

    // Focus: the window takes the keyboard; CanFocus when it and its parents are shown and enabled.
    bool Focused() const;
    virtual bool CanFocus();
    virtual void SetFocus();
    // The mouse goes to this window while it holds the capture.
    bool MouseCapture() const;
    void SetMouseCapture(bool value);

    // Tab order: the windowed children in their order, each followed by its own children.
    virtual void GetTabOrderList(std::vector<TWinControl*>& list);
    // Focuses the control after (or before) current among this control's tab order that can
    // take the focus (with a tab stop when checkTabStop); false when there is none.
    bool SelectNext(TWinControl* current, bool goForward, bool checkTabStop);
    // The control after (or before) current in this control's tab order (from the start when
    // current is not in it) that can take the focus: with a tab stop when checkTabStop, a direct
    // child when checkParent; nullptr when there is none.
    TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent);
    // Places the children inside rect; control is the child whose bounds changed (nullptr: all).
    // There is no automatic alignment in this layer: the base leaves the children where they are.
    virtual void AlignControls(TControl* control, TRect& rect) { (void)control, (void)rect; }
    // The part of the client area the children are placed in.
    virtual void AdjustClientRect(TRect& rect) { (void)rect; }
    // Asks this control to place its children after the bounds of control (nullptr: its own, or
    // what their places depend on) changed. Controls that lay out more than their children (the
    // base control's bars and grip) extend it.
    virtual void Realign(TControl* control = nullptr);

    TKeyEvent OnKeyDown;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    std::function<void(TObject* Sender, TShiftState shift, int wheelDelta, TPoint mousePos, bool& handled)>
        OnMouseWheel;

protected:
    virtual void CreateHandle() = 0;
    void DestroyHandle();
    virtual void DestroyWindowHandle();
    void WndProc(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;
    // The old form of WndProc that descendants override; the base paints and passes the rest on.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void PaintWindow(HDC dc);
public:
    // Paints the controls without windows of this one into dc (client coordinates).
    void PaintControls(HDC dc);
protected:
    void FontChanged() override;
    // Makes the window of a registered class named after this control's class. With a system
    // class to build on (superClass), the class takes that class's window data and the messages
    // this control leaves alone go to that class's window procedure.
    HWND CreateWindowHandle(DWORD style, DWORD exStyle, HWND owner, const TRect& bounds,
                            const char* superClass = nullptr);
    static LRESULT CALLBACK StdWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Makes the windows of windowed children once this window exists.
    void CreateChildHandles();

    virtual void KeyDown(WORD& key, TShiftState shift);
    // True when the wheel was handled here; else the parent gets the message.
    virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos);
    virtual void Resize() {}

    HWND handle_ = nullptr;
    bool tabStop_ = false;
    // The system class's window procedure of a superclassed control (nullptr: DefWindowProc).
    WNDPROC defWndProc_ = nullptr;

private:
    friend class TControl;
    friend TWinControl* FindControl(HWND window);
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void MouseMessage(TMessage& message);

    std::vector<TControl*> controls_;
    // The windowed children in tab order (by default the order they joined in).
    std::vector<TWinControl*> tabList_;
    bool mouseInside_ = false;
};

// What the window of a custom control is made with.
struct TCreateParams {
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    // A system window class the control's own class is built on ("BUTTON"); nullptr for none.
    const char* SuperClass = nullptr;
};

// A windowed child control that paints itself on its Canvas. Its window is made once it has a
// parent whose window exists, and made again (RecreateWnd) when its creation parameters change.
class TCustomControl : public TWinControl {
public:
    VZ_CLASS(TCustomControl, TWinControl)
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;

    TCanvas& Canvas() { return canvas_; }
    void SetParent(TWinControl* parent) override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool value) override;
    void RecreateWnd();

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    void CreateHandle() override;
    void BoundsChanged(const TRect& oldBounds) override;
    void PaintWindow(HDC dc) override;
    using TControl::Paint;
    // Paints the face on Canvas; the base fills it with Color.
    virtual void Paint();
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    using TWinControl::WndProc;

private:
    TCanvas canvas_;
};

// The form or frame-less top window a control sits on.
TForm* GetParentForm(TControl* control);

// What a form designer offers the controls on the form it edits.
class IDesignerNotify {
public:
    virtual ~IDesignerNotify() = default;
    // The form was changed at design time.
    virtual void Modified() = 0;
};

// A top-level window owned by the application window.
class TForm : public TWinControl {
public:
    VZ_CLASS(TForm, TWinControl)
    explicit TForm(TComponent* owner);
    ~TForm() override;

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition value) { position_ = value; }
    // fsStayOnTop keeps the window above every window that is not topmost itself.
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle value);
    // A layered window of constant opacity AlphaBlendValue (255 opaque) while AlphaBlend is set.
    bool AlphaBlend() const { return alphaBlend_; }
    void SetAlphaBlend(bool value);
    BYTE AlphaBlendValue() const { return alphaBlendValue_; }
    void SetAlphaBlendValue(BYTE value);
    int ClientWidth() const;
    int ClientHeight() const;
    void SetClientWidth(int value);
    void SetClientHeight(int value);
    // The designer that edits the form; nullptr outside design time.
    IDesignerNotify* Designer = nullptr;
    // The control that has (or last had) the focus on this form.
    TWinControl* ActiveControl = nullptr;
    // Makes control the active control and gives it the focus when the form's window is active.
    void FocusControl(TWinControl* control);
    int PixelsPerInch = 96;
    int TextHeight = 13;
    bool OldCreateOrder = false;

    void Show();
    void Hide();
    void BringToFront();
    void SetVisible(bool value) override;
    // Shows the form with every other window of the program disabled and runs the messages
    // until ModalResult is set (or the window goes); answers ModalResult and hides the form.
    int ShowModal();
    int ModalResult = 0;
    // A modal form ends with mrCancel; another form hides when CloseQuery agrees.
    void Close();
    // Whether the form may close: OnCloseQuery decides, true without one.
    virtual bool CloseQuery();
    TCloseQueryEvent OnCloseQuery;
    // The form sees the key-downs of its controls before they do (a key it sets to 0 goes no further).
    bool KeyPreview = false;
    // Asked, before a key-down reaches the focused control of the form, whether the key is a
    // shortcut of the form; true takes the key. The base asks OnShortCut.
    virtual bool IsShortCut(WORD key, TShiftState shift);
    TShortCutEvent OnShortCut;
    void Invalidate() override;

protected:
    void CreateHandle() override;
    void BoundsChanged(const TRect& oldBounds) override;
    void TextChanged() override;
    // The face is filled in WM_ERASEBKGND (where a skin may draw its own); WM_PAINT draws the
    // controls without windows over it.
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    using TWinControl::WndProc;
    void PaintWindow(HDC dc) override;

private:
    void FrameSize(int& dx, int& dy) const;
    DWORD Style() const;
    DWORD ExStyle() const;
    void PlaceOnScreen();

    void ApplyExStyle();

    TFormBorderStyle borderStyle_ = bsSizeable;
    TPosition position_ = poDesigned;
    TFormStyle formStyle_ = fsNormal;
    bool alphaBlend_ = false;
    BYTE alphaBlendValue_ = 255;
    bool placed_ = false;
    bool modal_ = false;
    TSize designedClient_{-1, -1}; // set by SetClientWidth / SetClientHeight
};

// Modal results: what a modal form ended with (ShowModal's answer).
enum : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

// The system's push button ("BUTTON") as a control of its own window class, "TButton". A click
// fires OnClick and hands ModalResult to the form it sits on.
class TButton : public TCustomControl {
public:
    VZ_CLASS(TButton, TCustomControl)
    explicit TButton(TComponent* owner);
    int ModalResult = mrNone;
    // Several lines of caption (BS_MULTILINE).
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool Default() const { return default_; }
    void SetDefault(bool value);
    TNotifyEvent OnClick;
    virtual void Click();

protected:
    void CreateParams(TCreateParams& params) override;
    void TextChanged() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    using TWinControl::WndProc;

private:
    bool wordWrap_ = false;
    bool default_ = false;
};

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// A panel: its face, up to two bevels around it and a caption in one line, aligned.
// ParentBackground (csParentBackground) shows the parent's background in place of the face.
class TCustomPanel : public TCustomControl {
public:
    VZ_CLASS(TCustomPanel, TCustomControl)
    explicit TCustomPanel(TComponent* owner);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    // The text flags of the caption for this panel's alignment (DT_LEFT, DT_RIGHT, DT_CENTER).
    UINT AlignmentFlags() const;

protected:
    void Paint() override;

private:
    TAlignment alignment_ = taCenter;
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
};

class TPanel : public TCustomPanel {
public:
    VZ_CLASS(TPanel, TCustomPanel)
    using TCustomPanel::TCustomPanel;
};

// Draws a 3-D frame of the given width inside rect and shrinks rect by it.
void Frame3D(HDC dc, TRect& rect, TColor topColor, TColor bottomColor, int width);

// A line of text drawn by its parent window.
class TLabel : public TControl {
public:
    VZ_CLASS(TLabel, TControl)
    explicit TLabel(TComponent* owner);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout value);
    // '&' marks the next character as an accelerator (drawn underlined) while true.
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);

    void Paint(TCanvas& canvas) override;

protected:
    void TextChanged() override;
    void FontChanged() override;

private:
    UINT DrawFlags() const;
    void AdjustSize();

    TAlignment alignment_ = taLeftJustify;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool transparent_ = false;
    TTextLayout layout_ = tlTop;
    bool showAccelChar_ = true;
};

// The application object: COM on the GUI thread, the hidden window that owns the forms and the
// message boxes, the forms it created, and the top-level error report.
class TApplication : public TComponent {
public:
    VZ_CLASS(TApplication, TComponent)
    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    // Joins the thread to a single-threaded COM apartment.
    void Initialize();
    const AnsiString& Title() const { return title_; }
    void SetTitle(const AnsiString& value);
    // The hidden application window, made on first use.
    HWND Handle();

    // A form owned by the application; reference holds it once it is built. A class with
    // AfterConstruction (a data module) gets that call once it is built and referenced.
    template <class T> void CreateForm(T*& reference) {
        reference = nullptr;
        reference = new T(this);
        if constexpr (requires { reference->AfterConstruction(); }) {
            // As with a failing constructor, a module whose OnCreate raises is freed.
            try {
                reference->AfterConstruction();
            } catch (...) {
                delete reference;
                reference = nullptr;
                throw;
            }
        }
    }
    // Handles every pending message of the thread once, then returns.
    void ProcessMessages();
    // Handles one message of the thread, waiting for one when none is queued; WM_QUIT ends the
    // program (Terminated, and the quit message is posted again for the outer loop).
    void HandleMessage();
    // Asks the message loop to end; without a running loop only Terminated changes.
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }

    // Message box owned by the application window.
    int MessageBox(const AnsiString& text, const AnsiString& caption, UINT flags);

    // The top-level error report: OnException when set, else a message box with the title and
    // the error text. EAbort passes silently.
    void HandleException(const std::exception& error);
    void HandleException(std::exception_ptr error);
    void ShowException(const std::exception& error);
    std::function<void(const std::exception& error)> OnException;
    // Whether a change of the user's regional settings reads the format settings again.
    bool UpdateFormatSettings = true;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    AnsiString title_;
    HWND handle_ = nullptr;
    bool terminated_ = false;
    bool comInitialized_ = false;
};

extern TApplication* Application;

// The plain message dialog: the application's title as caption, the text, an OK button.
void ShowMessage(const AnsiString& text);

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
// The program's own message dialog: a bsDialog form of class "TMessageForm" with the text in a
// label and an OK button (ModalResult mrOk); the caller owns it.
class TMessageForm : public TForm {
public:
    VZ_CLASS(TMessageForm, TForm)
    explicit TMessageForm(TComponent* owner);
    TLabel* Message = nullptr;
    TButton* OkButton = nullptr;
};
TMessageForm* CreateMessageDialog(const AnsiString& text, TMsgDlgType type);
// Shows CreateMessageDialog's dialog modally and answers its modal result.
int MessageDlg(const AnsiString& text, TMsgDlgType type);

// The flat-scroll-bar procedures the form scroll bars call; a skin library may put its own in
// place (they start as the system's SetScrollPos and SetScrollInfo).
using TFlatSBSetScrollPos = int(WINAPI*)(HWND window, int bar, int pos, BOOL redraw);
using TFlatSBSetScrollInfo = int(WINAPI*)(HWND window, int bar, const SCROLLINFO* info, BOOL redraw);
extern TFlatSBSetScrollPos FlatSBSetScrollPos;
extern TFlatSBSetScrollInfo FlatSBSetScrollInfo;

// The control behind a window made by a TWinControl; nullptr for any other window.
TWinControl* FindControl(HWND window);
// Before a key message is translated: offers WM_KEYDOWN, WM_KEYUP, WM_CHAR and WM_SYSKEYDOWN to
// the control of its window as CN_KEYDOWN, CN_KEYUP, CN_CHAR and CN_SYSKEYDOWN; true when the
// control consumed it (the message then goes no further). Every message loop of the program calls it.
bool IsKeyMessageConsumed(const MSG& msg);

// The screen: the program's cursor table, the screen cursor and the active form.
class TScreen {
public:
    // The cursor under that id: the system's cursors for the ids under 0, the program's table
    // above; the arrow for an id that was never set.
    HCURSOR Cursors(int id) const;
    void SetCursors(int id, HCURSOR cursor);
    // While not crDefault, this cursor is shown everywhere in the program.
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value);
    // The form whose window is active, or nullptr.
    TForm* ActiveForm() const;

private:
    std::map<int, HCURSOR> cursors_;
    TCursor cursor_ = crDefault;
};
TScreen& Screen();

// Mouse settings: the distance the mouse moves with a button down before a drag begins, and the
// lines a wheel notch scrolls (WHEEL_PAGESCROLL: a screen per notch).
struct TMouse {
    int DragThreshold = 5;
    UINT ScrollLines() const;
};
TMouse& Mouse();
// Test seam: where the wheel's lines come from (nullptr: the system setting). Returns the previous.
using TWheelScrollLinesSource = UINT (*)();
TWheelScrollLinesSource SetWheelScrollLinesSource(TWheelScrollLinesSource source);

// System metrics as the controls read them; a test seam may answer some of them (return -1 to
// leave one to the system). Returns the previous source.
int GetSystemMetric(int index);
using TSystemMetricsSource = int (*)(int index);
TSystemMetricsSource SetSystemMetricsSource(TSystemMetricsSource source);

// ---------------------------------------------------------------------------------------------
// Platform drag and drop. The drag object belongs to the drag: it is freed when the drag ends.
class TDragObject : public TObject {
public:
    VZ_CLASS(TDragObject, TObject)
    TDragObject() = default;
    TPoint DragPos{}; // the cursor, screen coordinates
    TControl* DragTarget = nullptr;
    bool Cancelling = false;
    // The cursor over the target (accepted or not) at the target's client point.
    virtual TCursor GetDragCursor(bool accepted, int x, int y);
    // The drag ended on target (nullptr when none), dropped when accepted.
    virtual void Finished(TObject* target, int x, int y, bool accepted);
    // Hides the running drag's image while something paints beneath it, and shows it again.
    virtual void HideDragImage();
    virtual void ShowDragImage();
};

class TDragControlObject : public TDragObject {
public:
    VZ_CLASS(TDragControlObject, TDragObject)
    explicit TDragControlObject(TControl* control) : Control(control) {}
    TControl* Control;
    TCursor GetDragCursor(bool accepted, int x, int y) override;
};

// The object of the running drag, or nullptr.
TDragObject* DragObject();
// Moves the running drag to a screen point: finds the target and asks it (DragOver).
void DragTo(TPoint screenPoint);
// Ends the running drag; drop: the target takes it when it accepted.
void FinishDrag(bool drop);

// Unit start and end: create and free the application object, which becomes the handler of
// errors caught at Win32 boundaries.
void FormsInitialize();
void FormsFinalize();
