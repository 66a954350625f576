#include "ui/skins-forms/SkinController.h"

#include <algorithm>
#include <memory>

#include "platform/core/Win32Boundary.h"
#include "ui/core/PainterRegistry.h"
#include "ui/core/WindowServices.h"
#include "ui/skins-forms/SkinFormController.h"

UINT WM_POSTREDRAW = 0, WM_CHILDCHANGED = 0, WM_POSTCREATE = 0, WM_POSTCHECKRGN = 0, WM_POSTMSGFORMINIT = 0,
     WM_HASOWNSKINENGINE = 0;
TdxControllerClassSelector ControllerClassSelector = nullptr;

namespace {
int unitCount = 0;
std::vector<TdxSkinController*>* skinControllerList = nullptr;
// Owned: a controller is freed when it leaves the list.
std::vector<TdxSkinWinController*>* windowControllerList = nullptr;
HWND utilityWindow = nullptr;
HHOOK callWndProcHook = nullptr;
TFlatSBSetScrollPos savedSetScrollPos = nullptr;
TFlatSBSetScrollInfo savedSetScrollInfo = nullptr;

bool IsDestroying(TComponent* component) {
    return component->HasState(csDestroying);
}

// The form asks to keep its own look.
bool RefusesSkinning(TForm* form) {
    return form && form->HandleAllocated() && CM_REFUSESKINNING &&
           SendMessageA(form->Handle(), CM_REFUSESKINNING, 0, 0) == 1;
}

TcxExtendedStylePainters* Painters() {
    return GetStylePainterRegistry();
}

bool SameText(const AnsiString& a, const char* b) {
    return lstrcmpiA(a.c_str(), b) == 0;
}

// A foreign window's messages reach its controller here.
LRESULT CALLBACK ControllerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TdxSkinWinController* controller = FindControllerByHandle(window);
    if (!controller || !controller->PrevWndProc) return DefWindowProcA(window, message, wParam, lParam);
    const WNDPROC previous = controller->PrevWndProc;
    bool handled = false;
    const LRESULT result = GuardedCall(
        [&] {
            TMessage m{message, wParam, lParam, 0};
            controller->WndProc(m);
            handled = true;
            return m.Result;
        },
        LRESULT(0));
    return handled ? result : CallWindowProcA(previous, window, message, wParam, lParam);
}

void RemoveController(HWND window) {
    if (!windowControllerList) return;
    auto& list = *windowControllerList;
    auto it = std::find_if(list.begin(), list.end(), [&](TdxSkinWinController* c) { return c->Handle == window; });
    if (it == list.end()) return;
    TdxSkinWinController* controller = *it;
    list.erase(it);
    delete controller;
}

void AttachController(TdxSkinWinControllerClass controllerClass, HWND window) {
    if (FindControllerByHandle(window)) return;
    TdxSkinWinController* controller = FindControllerByControl(FindControl(window));
    if (controller) {
        // The control made its window again.
        controller->SetHandle(window);
    } else {
        controller = controllerClass->Create(window);
        controller->ParentController = controller->FindParentController(window);
        windowControllerList->push_back(controller);
    }
    controller->InitSkinPainter();
    controller->Refresh();
}

LRESULT CreateControllerFor(HWND window) {
    if (!window || !windowControllerList) return 0;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return 0;
    TdxSkinWinControllerClass controllerClass = ControllerClassSelector ? ControllerClassSelector(window) : nullptr;
    if (!controllerClass) return 0;
    AttachController(controllerClass, window);
    PostMessageA(window, WM_POSTCHECKRGN, 0, 0);
    return 1;
}

void HandleChildChanged(HWND window) {
    HWND parent = GetParent(window);
    if (!parent || !TdxSkinWinController::IsMDIClient(parent)) return;
    if (HWND frame = GetParent(parent)) SendMessageA(frame, WM_CHILDCHANGED, 0, 0);
}

void HandleWindowCreated(HWND window) {
    if (SendMessageA(window, WM_HASOWNSKINENGINE, 0, 0) != 0) return;
    if (TdxSkinWinController::IsMDIClient(window) || IsWindowUnicode(window))
        PostMessageA(utilityWindow, WM_POSTCREATE, 0, reinterpret_cast<LPARAM>(window));
    else
        CreateControllerFor(window);
}

void HandleWindowDestroyed(HWND window) {
    RemoveController(window);
    HandleChildChanged(window);
}

LRESULT CALLBACK CallWndProcHook(int code, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
    if (code < 0) return result;
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    GuardedCall([&] {
        switch (message->message) {
        case WM_CREATE:
        case WM_MDICREATE:
            HandleWindowCreated(message->hwnd);
            break;
        case WM_DESTROY:
        case WM_MDIDESTROY:
            if (message->wParam == 0) HandleWindowDestroyed(message->hwnd);
            break;
        case WM_CHILDACTIVATE:
        case WM_MDIACTIVATE:
            HandleChildChanged(message->hwnd);
            break;
        default:
            break;
        }
    });
    return result;
}

void UtilityWindowProc(TMessage& message) {
    if (message.Msg == WM_POSTCREATE && WM_POSTCREATE) {
        message.Result = CreateControllerFor(reinterpret_cast<HWND>(message.LParam));
        return;
    }
    message.Result = DefWindowProcA(utilityWindow, message.Msg, message.WParam, message.LParam);
}

// A skinned window's scroll bars are drawn by its frame painter: the platform must not draw them.
int WINAPI SetScrollPosHook(HWND window, int bar, int pos, BOOL redraw) {
    return savedSetScrollPos(window, bar, pos, redraw && !IsWindowSkinned(window));
}

int WINAPI SetScrollInfoHook(HWND window, int bar, const SCROLLINFO* info, BOOL redraw) {
    return savedSetScrollInfo(window, bar, info, redraw && !IsWindowSkinned(window));
}
} // namespace

// ---------------------------------------------------------------------------------------------
// TdxSkinController

TdxSkinController::TdxSkinController(TComponent* owner) : TcxLookAndFeelController(owner) {
    if (skinControllerList) skinControllerList->push_back(this);
    RefreshSkinnedWindows();
}

TdxSkinController::~TdxSkinController() {
    // Still listed but destroying: the refresh passes it over.
    Destroying();
    RefreshSkinnedWindows();
    if (skinControllerList)
        skinControllerList->erase(std::remove(skinControllerList->begin(), skinControllerList->end(), this),
                                  skinControllerList->end());
}

bool TdxSkinController::UseSkins() const {
    return cxUseSkins;
}

void TdxSkinController::SetUseSkins(bool value) {
    if (value == cxUseSkins) return;
    cxUseSkins = value;
    if (TcxLookAndFeel* root = GetRootLookAndFeel()) root->UpdateAndNotifyAll();
    RefreshSkinnedWindows();
}

void TdxSkinController::Loaded() {
    TcxLookAndFeelController::Loaded();
    RefreshSkinnedWindows();
}

void TdxSkinController::MasterChanged() {
    TcxLookAndFeelController::MasterChanged();
    RefreshSkinnedWindows();
}

void TdxSkinController::MasterDestroying() {
    TcxLookAndFeelController::MasterDestroying();
    RefreshSkinnedWindows();
}

void TdxSkinController::RefreshSkinnedWindows() {
    RefreshSkinWindowControllers();
}

bool TdxSkinController::DoSkinControl(TWinControl* control) {
    if (!control) return false;
    bool useSkin = true;
    if (OnSkinControl) OnSkinControl(this, control, useSkin);
    return useSkin;
}

TdxSkinPainterClass TdxSkinController::GetFormPainter(TForm* form) {
    AnsiString skinName;
    bool useSkin = false;
    if (!RefusesSkinning(form)) {
        skinName = SkinName();
        useSkin = cxUseSkins && !NativeStyle();
    }
    return DoSkinForm(form, skinName, useSkin);
}

TdxSkinPainterClass TdxSkinController::DoSkinForm(TForm* form, AnsiString& skinName, bool& useSkin) {
    if (!form) return nullptr;
    if (OnSkinForm) OnSkinForm(this, form, skinName, useSkin);
    TcxCustomLookAndFeelPainterClass painter = nullptr;
    if (!useSkin || skinName.empty() || !Painters() || !Painters()->FindPainterOfName(skinName, painter))
        return nullptr;
    return dynamic_cast<TdxSkinPainterClass>(painter);
}

// ---------------------------------------------------------------------------------------------
// TdxSkinWinController

TdxSkinWinController::TdxSkinWinController(HWND window) : Handle(window) {}

void TdxSkinWinController::AfterConstruction() {
    HWND window = Handle;
    Handle = nullptr;
    SetHandle(window);
}

TdxSkinWinController::~TdxSkinWinController() {
    ResetObjectLinks(this);
    DetachChildren();
    StopMouseLeaveTracking(this);
    Unsubclass();
    Handle = nullptr;
    Control = nullptr;
}

bool TdxSkinWinController::IsSkinned() {
    return GetSkinPainter() != nullptr;
}

TdxSkinWinController* TdxSkinWinController::FindParentController(HWND window) {
    return IsMDIClient(window) ? FindControllerByHandle(GetParent(window)) : nullptr;
}

bool TdxSkinWinController::CanSkinControl() {
    bool result = cxUseSkins && Control;
    if (Control && skinControllerList) {
        const auto& list = *skinControllerList;
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            if (IsDestroying(*it)) continue;
            result = (*it)->DoSkinControl(Control);
            if (result) break;
        }
    }
    return result;
}

void TdxSkinWinController::CallDefaultProc(TMessage& message) {
    if (PrevWndProc)
        message.Result = CallWindowProcA(PrevWndProc, Handle, message.Msg, message.WParam, message.LParam);
    else if (SavedWindowProc)
        SavedWindowProc(message);
}

void TdxSkinWinController::Subclass() {
    if (!Handle || !CanSubclass()) return;
    Unsubclass();
    if (Control) {
        SavedWindowProc = Control->WindowProc;
        Control->WindowProc = [this](TMessage& message) { WndProc(message); };
    } else {
        PrevWndProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(Handle, GWLP_WNDPROC));
        SetWindowLongPtrA(Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControllerWindowProc));
    }
}

void TdxSkinWinController::Unsubclass() {
    if (!IsSubclassed()) return;
    if (Control && SavedWindowProc) {
        Control->WindowProc = SavedWindowProc;
    } else if (PrevWndProc && IsWindow(Handle)) {
        SetWindowLongPtrA(Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PrevWndProc));
    }
    PrevWndProc = nullptr;
    SavedWindowProc = nullptr;
}

void TdxSkinWinController::DetachChildren() {
    if (!windowControllerList) return;
    for (TdxSkinWinController* controller : *windowControllerList)
        if (controller->ParentController == this) controller->ParentController = nullptr;
}

void TdxSkinWinController::WndProc(TMessage& message) {
    CallDefaultProc(message);
}

void TdxSkinWinController::UpdateFrame() {
    if (Handle)
        SetWindowPos(Handle, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TdxSkinWinController::Refresh() {
    Subclass();
    UpdateFrame();
    Redraw(HasGraphicChildren());
}

bool TdxSkinWinController::IsMDIChild(HWND window) {
    // The platform's forms have no MDI styles: a child of an MDI client is one.
    HWND parent = GetParent(window);
    return parent && (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0 && IsMDIClient(parent);
}

bool TdxSkinWinController::IsMDIClient(HWND window) {
    return SameText(GetClassNameOf(window), "MDICLIENT");
}

bool TdxSkinWinController::IsMessageForm(HWND window) {
    return SameText(GetClassNameOf(window), "TMessageForm");
}

void TdxSkinWinController::SetHandle(HWND window) {
    Unsubclass();
    Handle = window;
    Control = FindControl(window);
    Refresh();
}

TdxSkinPainterClass TdxSkinWinController::GetSkinPainter() const {
    const TdxSkinWinController* top = this;
    while (top->ParentController)
        top = top->ParentController;
    return top->SkinPainter;
}

bool TdxSkinWinController::GetSkinPainterName(AnsiString& name) const {
    return Painters() && SkinPainter && Painters()->FindNameOfPainter(SkinPainter, name);
}

bool TdxSkinWinController::HasGraphicChildren() const {
    if (!Control) return false;
    for (int i = 0; i < Control->ControlCount(); ++i)
        if (!dynamic_cast<TWinControl*>(Control->Controls(i))) return true;
    return false;
}

void TdxSkinWinController::Redraw(bool updateNow) {
    if (Handle)
        RedrawWindow(Handle, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | (updateNow ? RDW_UPDATENOW : 0));
}

TForm* TdxSkinWinController::GetForm() const {
    if (Control) return dynamic_cast<TForm*>(Control);
    return dynamic_cast<TForm*>(FindControl(Handle));
}

void TdxSkinWinController::UpdateSkinPainter() {
    if (!skinControllerList) return;
    const std::vector<TdxSkinController*> list = *skinControllerList;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        TdxSkinController* component = *it;
        if (IsDestroying(component)) continue;
        if (!SkinPainter) {
            SkinPainter = component->GetFormPainter(GetForm());
        } else if (RefusesSkinning(GetForm())) {
            SkinPainter = nullptr;
        } else {
            AnsiString name;
            bool found = GetSkinPainterName(name);
            SkinPainter = component->DoSkinForm(GetForm(), name, found);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Form helpers

TForm* TdxSkinFormHelper::GetForm(HWND window) {
    return dynamic_cast<TForm*>(FindControl(window));
}

HWND TdxSkinFormHelper::GetActiveMDIChild(HWND window) {
    // MDI frames are windows with an MDI client child.
    HWND client = FindWindowExA(window, nullptr, "MDICLIENT", nullptr);
    return client ? reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0)) : nullptr;
}

HWND TdxSkinFormHelper::GetMaximizedMDIChild(HWND window) {
    HWND child = GetActiveMDIChild(window);
    return child && IsZoomed(child) ? child : nullptr;
}

bool TdxSkinFormHelper::HasClientEdge(HWND window) {
    return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
}

bool TdxSkinFormHelper::IsLayered(HWND window) {
    HWND owner = window;
    if (HWND parent = GetParent(window); parent && TdxSkinWinController::IsMDIClient(parent))
        owner = GetParent(parent);
    return owner && (GetWindowLongPtrA(owner, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

// ---------------------------------------------------------------------------------------------

const std::vector<TdxSkinController*>& SkinControllers() {
    static const std::vector<TdxSkinController*> none;
    return skinControllerList ? *skinControllerList : none;
}

int WindowControllerCount() {
    return windowControllerList ? static_cast<int>(windowControllerList->size()) : 0;
}

TdxSkinWinController* WindowControllers(int index) {
    return windowControllerList->at(static_cast<size_t>(index));
}

TdxSkinWinController* FindControllerByControl(TWinControl* control) {
    if (!control || !windowControllerList) return nullptr;
    for (TdxSkinWinController* controller : *windowControllerList)
        if (controller->Control == control) return controller;
    return nullptr;
}

TdxSkinWinController* FindControllerByHandle(HWND window) {
    if (!windowControllerList) return nullptr;
    for (TdxSkinWinController* controller : *windowControllerList)
        if (controller->Handle == window) return controller;
    return nullptr;
}

AnsiString GetWindowTextOf(HWND window) {
    if (TWinControl* control = FindControl(window)) return control->Caption();
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied = SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(length + 1),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
    return text;
}

AnsiString GetClassNameOf(HWND window) {
    char name[256];
    const int length = GetClassNameA(window, name, sizeof(name));
    return length > 0 ? AnsiString(name, static_cast<size_t>(length)) : AnsiString();
}

bool IsWindowSkinned(HWND window) {
    TdxSkinWinController* controller = FindControllerByHandle(window);
    return controller && controller->IsSkinned();
}

void RefreshSkinWindowControllers() {
    if (!windowControllerList) return;
    const std::vector<TdxSkinWinController*> list = *windowControllerList;
    for (TdxSkinWinController* controller : list) {
        controller->SkinPainter = nullptr;
        if (!controller->HasParentController() && dynamic_cast<TdxSkinFormController*>(controller))
            controller->UpdateSkinPainter();
    }
    for (TdxSkinWinController* controller : list)
        if (FindControllerByHandle(controller->Handle) == controller) controller->Refresh();
}

HWND SkinUtilityWindow() {
    return utilityWindow;
}

void SkinFormsInitialize() {
    if (unitCount++ > 0) return;
    ControllerClassSelector = &SelectControllerClass;
    savedSetScrollPos = FlatSBSetScrollPos;
    savedSetScrollInfo = FlatSBSetScrollInfo;
    FlatSBSetScrollPos = &SetScrollPosHook;
    FlatSBSetScrollInfo = &SetScrollInfoHook;
    skinControllerList = new std::vector<TdxSkinController*>();
    utilityWindow = AllocateHWnd(&UtilityWindowProc);
    InstallThreadHook(callWndProcHook, WH_CALLWNDPROC, &CallWndProcHook);
    WM_POSTREDRAW = RegisterWindowMessageA("WM_POSTREDRAW");
    WM_CHILDCHANGED = RegisterWindowMessageA("WM_CHILDCHANGED");
    WM_POSTCREATE = RegisterWindowMessageA("WM_POSTCREATE");
    WM_POSTCHECKRGN = RegisterWindowMessageA("WM_POSTCHECKRGN");
    WM_POSTMSGFORMINIT = RegisterWindowMessageA("WM_POSTMSGFORMINIT");
    WM_HASOWNSKINENGINE = RegisterWindowMessageA("WM_HASOWNSKINENGINE");
    windowControllerList = new std::vector<TdxSkinWinController*>();
}

void SkinFormsFinalize() {
    if (unitCount == 0 || --unitCount > 0) return;
    FlatSBSetScrollPos = savedSetScrollPos;
    FlatSBSetScrollInfo = savedSetScrollInfo;
    RemoveThreadHook(callWndProcHook);
    // Freed from the first on; each puts its window back as it was.
    while (!windowControllerList->empty()) {
        TdxSkinWinController* controller = windowControllerList->front();
        windowControllerList->erase(windowControllerList->begin());
        delete controller;
    }
    delete skinControllerList;
    skinControllerList = nullptr;
    delete windowControllerList;
    windowControllerList = nullptr;
    DeallocateHWnd(utilityWindow);
    utilityWindow = nullptr;
    ControllerClassSelector = nullptr;
}
