#pragma once
// Forms and the application object: top-level windows over Win32, labels drawn by their parent
// window, the hidden application window that owns forms and message boxes, and the top-level
// error report.
#include <functional>
#include <map>
#include <vector>

#include "platform/core/Components.h"
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

class TWinControl;

// csPaintCopy: the control is being painted into another control's canvas (a copy of its
// picture), not onto its own window.
enum TControlStateItem { csPaintCopy };
using TControlState = TSmallSet<TControlStateItem>;

// A visual element with bounds inside a parent window. Controls without a window of their own
// (labels) are painted by their parent.
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
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool value);

    const AnsiString& Caption() const { return caption_; }
    void SetCaption(const AnsiString& value);

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

    // Asks the window that shows this control to repaint it.
    virtual void Invalidate();
    // Drawing of a control without its own window, in its own coordinates (0,0 = its corner).
    virtual void Paint(TCanvas& canvas) { (void)canvas; }

protected:
    virtual void TextChanged() { Invalidate(); }
    virtual void FontChanged() { Invalidate(); }
    virtual void BoundsChanged(const TRect& oldBounds);
    // Takes the parent's font (for ParentFont); called when the parent or its font changes.
    void ParentFontChanged();

    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool visible_ = true;
    bool parentFont_ = true;
    bool parentColor_ = true;
    TColor color_ = clBtnFace;

private:
    friend class TWinControl;
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
    // Repaints now what is invalid, when the window exists.
    void Update();
    void Invalidate() override;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    // In z-order, the bottom one first.
    TControl* Controls(int index) const { return controls_.at(index); }
    // The control paints through an off-screen buffer of its own.
    bool DoubleBuffered = false;

protected:
    virtual void CreateHandle() = 0;
    void DestroyHandle();
    // Handles a message of the window; the base paints and passes the rest on.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void PaintWindow(HDC dc);
    void FontChanged() override;
    // Makes the window of a registered class named after this control's class.
    HWND CreateWindowHandle(DWORD style, DWORD exStyle, HWND owner, const TRect& bounds);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND handle_ = nullptr;

private:
    friend class TControl;
    friend TWinControl* FindControl(HWND window);
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);

    std::vector<TControl*> controls_;
};

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
    int PixelsPerInch = 96;
    int TextHeight = 13;
    bool OldCreateOrder = false;

    void Show();
    void Hide();
    void BringToFront();
    void SetVisible(bool value) override;

protected:
    void CreateHandle() override;
    void BoundsChanged(const TRect& oldBounds) override;
    void TextChanged() override;

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
};

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

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    AnsiString title_;
    HWND handle_ = nullptr;
    bool terminated_ = false;
    bool comInitialized_ = false;
};

extern TApplication* Application;

// The control behind a window made by a TWinControl; nullptr for any other window.
TWinControl* FindControl(HWND window);

// The screen: the program's cursor table and the active form.
class TScreen {
public:
    // The cursor under that id; the arrow for an id that was never set.
    HCURSOR Cursors(int id) const;
    void SetCursors(int id, HCURSOR cursor);
    // The form whose window is active, or nullptr.
    TForm* ActiveForm() const;

private:
    std::map<int, HCURSOR> cursors_;
};
TScreen& Screen();

// Mouse settings: the distance the mouse moves with a button down before a drag begins.
struct TMouse {
    int DragThreshold = 5;
};
TMouse& Mouse();

// Unit start and end: create and free the application object, which becomes the handler of
// errors caught at Win32 boundaries.
void FormsInitialize();
void FormsFinalize();
