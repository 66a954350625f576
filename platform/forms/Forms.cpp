#include "platform/forms/Forms.h"

#include <algorithm>
#include <exception>
#include <objbase.h>

#include "platform/core/Exceptions.h"
#include "platform/core/Win32Boundary.h"

TApplication* Application = nullptr;

namespace {

const char* const ApplicationWindowClass = "TApplication";

HINSTANCE ModuleInstance() {
    return GetModuleHandleA(nullptr);
}

bool RegisterWindowClass(const AnsiString& name, WNDPROC proc) {
    WNDCLASSA existing{};
    if (GetClassInfoA(ModuleInstance(), name.c_str(), &existing)) return true;
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = ModuleInstance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = name.c_str();
    wc.style = CS_DBLCLKS;
    return RegisterClassA(&wc) != 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* owner) : TComponent(owner) {
    font_.OnChange = [this](TObject*) {
        // A font set on the control itself ends following the parent.
        if (!followingParent_) parentFont_ = false;
        FontChanged();
    };
}

TControl::~TControl() {
    if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent_) {
        Invalidate();
        parent_->RemoveControl(this);
    }
    if (parent) parent->InsertControl(this);
    ParentFontChanged();
    Invalidate();
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    TRect old = BoundsRect();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    BoundsChanged(old);
}

void TControl::BoundsChanged(const TRect& oldBounds) {
    if (parent_ && parent_->HandleAllocated() && visible_) {
        InvalidateRect(parent_->Handle(), &oldBounds, TRUE);
        Invalidate();
    }
}

void TControl::SetVisible(bool value) {
    if (value == visible_) return;
    if (!value) Invalidate();
    visible_ = value;
    if (value) Invalidate();
}

void TControl::SetCaption(const AnsiString& value) {
    if (value == caption_) return;
    caption_ = value;
    TextChanged();
}

void TControl::SetParentFont(bool value) {
    parentFont_ = value;
    if (value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!parentFont_ || !parent_) return;
    followingParent_ = true;
    font_.Assign(parent_->Font());
    followingParent_ = false;
}

TColor TControl::Color() const {
    return parentColor_ && parent_ ? parent_->Color() : color_;
}

void TControl::SetColor(TColor value) {
    color_ = value;
    parentColor_ = false;
    Invalidate();
}

void TControl::SetParentColor(bool value) {
    parentColor_ = value;
    Invalidate();
}

void TControl::Invalidate() {
    if (!parent_ || !parent_->HandleAllocated() || !visible_) return;
    TRect r = BoundsRect();
    InvalidateRect(parent_->Handle(), &r, TRUE);
}

// ---------------------------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
    parentFont_ = false;
}

TWinControl::~TWinControl() {
    Destroying();
    // Children owned elsewhere (or freed after this window by the owner) must not reach back.
    for (TControl* control : controls_)
        control->parent_ = nullptr;
    controls_.clear();
    DestroyHandle();
}

HWND TWinControl::Handle() {
    if (!handle_) CreateHandle();
    return handle_;
}

void TWinControl::DestroyHandle() {
    if (!handle_) return;
    HWND window = handle_;
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    handle_ = nullptr;
    DestroyWindow(window);
}

void TWinControl::Update() {
    if (handle_) UpdateWindow(handle_);
}

void TWinControl::Invalidate() {
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    control->parent_ = this;
}

void TWinControl::RemoveControl(TControl* control) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    control->parent_ = nullptr;
}

void TWinControl::FontChanged() {
    for (TControl* control : controls_)
        control->ParentFontChanged();
    TControl::FontChanged();
}

HWND TWinControl::CreateWindowHandle(DWORD style, DWORD exStyle, HWND owner, const TRect& bounds) {
    AnsiString className = ClassName();
    if (!RegisterWindowClass(className, &TWinControl::WindowProc)) RaiseLastOSError();
    HWND window = CreateWindowExA(exStyle, className.c_str(), Caption().c_str(), style, bounds.left,
                                  bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, owner,
                                  nullptr, ModuleInstance(), this);
    if (!window) RaiseLastOSError();
    return window;
}

LRESULT CALLBACK TWinControl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* control = static_cast<TWinControl*>(create->lpCreateParams);
        control->handle_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    }
    auto* control = reinterpret_cast<TWinControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!control) return DefWindowProcA(window, message, wParam, lParam);
    bool handled = false;
    LRESULT result = GuardedCall(
        [&] {
            LRESULT answer = control->WndProc(message, wParam, lParam);
            handled = true;
            return answer;
        },
        LRESULT(0));
    return handled ? result : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT TWinControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT TWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // WM_PAINT fills the whole face
    case WM_PRINTCLIENT:
        // The theme library asks parents for their background this way.
        PaintWindow(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_PAINT: {
        if (wParam) {
            // Painting into a DC handed over by the caller (a copy of the picture).
            HDC dc = reinterpret_cast<HDC>(wParam);
            int saved = SaveDC(dc);
            PaintWindow(dc);
            RestoreDC(dc, saved);
            return 0;
        }
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(handle_, &ps);
        int saved = SaveDC(dc);
        PaintWindow(dc);
        RestoreDC(dc, saved);
        EndPaint(handle_, &ps);
        return 0;
    }
    default:
        return DefaultHandler(message, wParam, lParam);
    }
}

void TWinControl::PaintWindow(HDC dc) {
    RECT client;
    GetClientRect(handle_, &client);
    HBRUSH face = CreateSolidBrush(ColorToRGB(Color()));
    FillRect(dc, &client, face);
    DeleteObject(face);
    for (TControl* control : controls_) {
        if (!control->Visible() || dynamic_cast<TWinControl*>(control)) continue;
        TRect bounds = control->BoundsRect();
        RECT visible;
        if (!IntersectRect(&visible, &bounds, &client)) continue;
        int saved = SaveDC(dc);
        IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
        SetViewportOrgEx(dc, bounds.left, bounds.top, nullptr);
        {
            TCanvas canvas;
            canvas.SetHandle(dc);
            control->Paint(canvas);
            canvas.SetHandle(nullptr);
        }
        RestoreDC(dc, saved);
    }
}

// ---------------------------------------------------------------------------------------------
// TForm

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    visible_ = false;
    parentColor_ = false;
    color_ = clBtnFace;
    width_ = 320;
    height_ = 240;
}

TForm::~TForm() {
    Destroying();
}

DWORD TForm::Style() const {
    switch (borderStyle_) {
    case bsNone:
        return WS_POPUP | WS_CLIPCHILDREN;
    case bsSingle:
        return WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_BORDER | WS_CLIPCHILDREN;
    case bsDialog:
        return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_CLIPCHILDREN;
    case bsToolWindow:
        return WS_CAPTION | WS_SYSMENU | WS_BORDER | WS_CLIPCHILDREN;
    case bsSizeToolWin:
        return WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
    case bsSizeable:
    default:
        return WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    }
}

DWORD TForm::ExStyle() const {
    DWORD style = 0;
    switch (borderStyle_) {
    case bsDialog:
        style = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow:
    case bsSizeToolWin:
        style = WS_EX_TOOLWINDOW;
        break;
    default:
        break;
    }
    if (formStyle_ == fsStayOnTop) style |= WS_EX_TOPMOST;
    if (alphaBlend_) style |= WS_EX_LAYERED;
    return style;
}

void TForm::ApplyExStyle() {
    if (!handle_) return;
    SetWindowLongA(handle_, GWL_EXSTYLE, static_cast<LONG>(ExStyle()));
    if (alphaBlend_) SetLayeredWindowAttributes(handle_, 0, alphaBlendValue_, LWA_ALPHA);
    SetWindowPos(handle_, formStyle_ == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm::SetFormStyle(TFormStyle value) {
    if (value == formStyle_) return;
    formStyle_ = value;
    ApplyExStyle();
}

void TForm::SetAlphaBlend(bool value) {
    if (value == alphaBlend_) return;
    alphaBlend_ = value;
    ApplyExStyle();
}

void TForm::SetAlphaBlendValue(BYTE value) {
    if (value == alphaBlendValue_) return;
    alphaBlendValue_ = value;
    if (alphaBlend_ && handle_) SetLayeredWindowAttributes(handle_, 0, alphaBlendValue_, LWA_ALPHA);
}

void TForm::FrameSize(int& dx, int& dy) const {
    RECT r{0, 0, 100, 100};
    AdjustWindowRectEx(&r, Style(), FALSE, ExStyle());
    dx = (r.right - r.left) - 100;
    dy = (r.bottom - r.top) - 100;
}

int TForm::ClientWidth() const {
    int dx, dy;
    FrameSize(dx, dy);
    return width_ - dx;
}

int TForm::ClientHeight() const {
    int dx, dy;
    FrameSize(dx, dy);
    return height_ - dy;
}

void TForm::SetClientWidth(int value) {
    int dx, dy;
    FrameSize(dx, dy);
    SetWidth(value + dx);
}

void TForm::SetClientHeight(int value) {
    int dx, dy;
    FrameSize(dx, dy);
    SetHeight(value + dy);
}

void TForm::SetBorderStyle(TFormBorderStyle value) {
    if (value == borderStyle_) return;
    // The client area keeps its size; the frame around it changes.
    int clientWidth = ClientWidth();
    int clientHeight = ClientHeight();
    borderStyle_ = value;
    int dx, dy;
    FrameSize(dx, dy);
    width_ = clientWidth + dx;
    height_ = clientHeight + dy;
    if (handle_) {
        SetWindowLongA(handle_, GWL_STYLE, static_cast<LONG>(Style() | (visible_ ? WS_VISIBLE : 0)));
        SetWindowLongA(handle_, GWL_EXSTYLE, static_cast<LONG>(ExStyle()));
        SetWindowPos(handle_, nullptr, left_, top_, width_, height_,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
}

void TForm::PlaceOnScreen() {
    if (placed_) return;
    placed_ = true;
    switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
    case poMainFormCenter:
    case poOwnerFormCenter: {
        int screenWidth = GetSystemMetrics(position_ == poDesktopCenter ? SM_CXVIRTUALSCREEN : SM_CXSCREEN);
        int screenHeight = GetSystemMetrics(position_ == poDesktopCenter ? SM_CYVIRTUALSCREEN : SM_CYSCREEN);
        left_ = (screenWidth - width_) / 2;
        top_ = (screenHeight - height_) / 2;
        break;
    }
    default:
        break;
    }
}

void TForm::CreateHandle() {
    PlaceOnScreen();
    HWND owner = Application ? Application->Handle() : nullptr;
    CreateWindowHandle(Style(), ExStyle(), owner, BoundsRect());
    if (alphaBlend_) SetLayeredWindowAttributes(handle_, 0, alphaBlendValue_, LWA_ALPHA);
}

void TForm::BoundsChanged(const TRect& oldBounds) {
    (void)oldBounds;
    if (handle_) SetWindowPos(handle_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::TextChanged() {
    if (handle_) SetWindowTextA(handle_, Caption().c_str());
}

void TForm::SetVisible(bool value) {
    visible_ = value;
    if (value)
        ShowWindow(Handle(), SW_SHOWNORMAL);
    else if (handle_)
        ShowWindow(handle_, SW_HIDE);
}

void TForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TForm::Hide() {
    SetVisible(false);
}

void TForm::BringToFront() {
    if (handle_) SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// ---------------------------------------------------------------------------------------------
// TLabel

TLabel::TLabel(TComponent* owner) : TControl(owner) {
    width_ = 65;
    height_ = 17;
}

void TLabel::SetAlignment(TAlignment value) {
    alignment_ = value;
    Invalidate();
}

void TLabel::SetAutoSize(bool value) {
    autoSize_ = value;
    AdjustSize();
}

void TLabel::SetWordWrap(bool value) {
    wordWrap_ = value;
    AdjustSize();
    Invalidate();
}

void TLabel::SetTransparent(bool value) {
    transparent_ = value;
    Invalidate();
}

void TLabel::SetLayout(TTextLayout value) {
    layout_ = value;
    Invalidate();
}

void TLabel::SetShowAccelChar(bool value) {
    showAccelChar_ = value;
    AdjustSize();
    Invalidate();
}

void TLabel::TextChanged() {
    AdjustSize();
    Invalidate();
}

void TLabel::FontChanged() {
    AdjustSize();
    Invalidate();
}

UINT TLabel::DrawFlags() const {
    UINT flags = DT_EXPANDTABS;
    if (wordWrap_) flags |= DT_WORDBREAK;
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    if (alignment_ == taCenter) flags |= DT_CENTER;
    if (alignment_ == taRightJustify) flags |= DT_RIGHT;
    return flags;
}

// With AutoSize the label takes the size of its text (its width stays when it wraps).
void TLabel::AdjustSize() {
    if (!autoSize_ || HasState(csLoading)) return;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    RECT r{0, 0, wordWrap_ ? width_ : 0, 0};
    AnsiString text = Caption().empty() ? AnsiString(" ") : Caption();
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DrawFlags() | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    SetBounds(left_, top_, wordWrap_ ? width_ : r.right - r.left, r.bottom - r.top);
}

void TLabel::Paint(TCanvas& canvas) {
    HDC dc = canvas.Handle();
    RECT r{0, 0, width_, height_};
    if (!transparent_) {
        HBRUSH face = CreateSolidBrush(ColorToRGB(Color()));
        FillRect(dc, &r, face);
        DeleteObject(face);
    }
    if (Caption().empty()) return;
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Font().Color()));
    const AnsiString& text = Caption();
    if (layout_ != tlTop) {
        RECT measure = r;
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &measure, DrawFlags() | DT_CALCRECT);
        int textHeight = measure.bottom - measure.top;
        int offset = layout_ == tlCenter ? (height_ - textHeight) / 2 : height_ - textHeight;
        OffsetRect(&r, 0, offset);
    }
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DrawFlags());
    SelectObject(dc, old);
}

// ---------------------------------------------------------------------------------------------
// TApplication

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication() {
    Destroying();
    DestroyComponents(); // the forms go before the window that owns them
    if (handle_) {
        SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
        handle_ = nullptr;
    }
    if (comInitialized_) CoUninitialize();
}

void TApplication::Initialize() {
    if (comInitialized_) return;
    // S_FALSE: this thread already had the apartment; it still needs its matching uninitialise.
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comInitialized_ = SUCCEEDED(hr);
}

void TApplication::SetTitle(const AnsiString& value) {
    title_ = value;
    if (handle_) SetWindowTextA(handle_, title_.c_str());
}

HWND TApplication::Handle() {
    if (handle_) return handle_;
    if (!RegisterWindowClass(ApplicationWindowClass, &TApplication::WindowProc)) RaiseLastOSError();
    // Hidden: it only owns the forms and the message boxes and carries the title.
    handle_ = CreateWindowExA(0, ApplicationWindowClass, title_.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU,
                              0, 0, 0, 0, nullptr, nullptr, ModuleInstance(), nullptr);
    if (!handle_) RaiseLastOSError();
    return handle_;
}

LRESULT CALLBACK TApplication::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int TApplication::MessageBox(const AnsiString& text, const AnsiString& caption, UINT flags) {
    return ::MessageBoxA(Handle(), text.c_str(), caption.c_str(), flags);
}

void ShowMessage(const AnsiString& text) {
    if (Application)
        Application->MessageBox(text, Application->Title(), MB_OK);
    else
        ::MessageBoxA(nullptr, text.c_str(), "", MB_OK);
}

void TApplication::HandleException(const std::exception& error) {
    if (dynamic_cast<const EAbort*>(&error)) return;
    if (OnException) {
        try {
            OnException(error);
            return;
        } catch (...) {
            // A failing handler falls back to the plain report.
        }
    }
    ShowException(error);
}

void TApplication::HandleException(std::exception_ptr error) {
    try {
        if (error) std::rethrow_exception(error);
    } catch (const std::exception& e) {
        HandleException(e);
    } catch (...) {
        HandleException(Exception("Unknown error"));
    }
}

void TApplication::ShowException(const std::exception& error) {
    AnsiString text = error.what();
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    if (!text.empty() && text.back() != '.') text += '.';
    HWND owner = nullptr;
    try {
        owner = Handle();
    } catch (...) {
    }
    ::MessageBoxA(owner, text.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
}

void FormsInitialize() {
    if (Application) return;
    Application = new TApplication(nullptr);
    SetApplicationExceptionHandler([](const std::exception& error) {
        if (Application) Application->HandleException(error);
    });
}

void FormsFinalize() {
    if (!Application) return;
    SetApplicationExceptionHandler(nullptr);
    delete Application;
    Application = nullptr;
}

TWinControl* FindControl(HWND window) {
    if (!window) return nullptr;
    auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    if (proc != reinterpret_cast<WNDPROC>(&TWinControl::WindowProc)) return nullptr;
    return reinterpret_cast<TWinControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

HCURSOR TScreen::Cursors(int id) const {
    auto found = cursors_.find(id);
    return found != cursors_.end() && found->second ? found->second : LoadCursorA(nullptr, IDC_ARROW);
}

void TScreen::SetCursors(int id, HCURSOR cursor) {
    cursors_[id] = cursor;
}

TForm* TScreen::ActiveForm() const {
    return dynamic_cast<TForm*>(FindControl(GetActiveWindow()));
}

TScreen& Screen() {
    static TScreen screen;
    return screen;
}

TMouse& Mouse() {
    static TMouse mouse;
    return mouse;
}
