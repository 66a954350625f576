#pragma once
// Skinned windows: the skin controller component, the per-window controllers that subclass every
// form, MDI client, button and panel of the GUI thread, the thread hook that attaches them as the
// windows are made, and the six registered messages they talk through.
#include <vector>

#include "platform/forms/Forms.h"
#include "ui/core/ControlServices.h"
#include "ui/core/CoreClasses.h"
#include "ui/core/LookAndFeel.h"
#include "ui/skins/SkinPainter.h"

class TdxSkinController;
class TdxSkinWinController;

using TdxSkinPainterClass = const TdxSkinLookAndFeelPainter*;
using TdxSkinFormEvent =
    std::function<void(TObject* Sender, TForm* form, AnsiString& skinName, bool& useSkin)>;
using TdxSkinControlEvent = std::function<void(TObject* Sender, TWinControl* control, bool& useSkin)>;

// Edits the root look and feel, switches skinning on and off for the program and decides form by
// form (OnSkinForm) and control by control (OnSkinControl).
class TdxSkinController : public TcxLookAndFeelController {
public:
    VZ_CLASS(TdxSkinController, TcxLookAndFeelController)
    explicit TdxSkinController(TComponent* owner);
    ~TdxSkinController() override;

    bool UseSkins() const;
    void SetUseSkins(bool value);
    TdxSkinFormEvent OnSkinForm;
    TdxSkinControlEvent OnSkinControl;

    virtual bool DoSkinControl(TWinControl* control);
    virtual TdxSkinPainterClass GetFormPainter(TForm* form);
    virtual TdxSkinPainterClass DoSkinForm(TForm* form, AnsiString& skinName, bool& useSkin);
    void RefreshSkinnedWindows();

protected:
    void Loaded() override;
    void MasterChanged() override;
    void MasterDestroying() override;
};

// Makes a controller of one class for a window.
struct TdxSkinWinControllerClassInfo {
    const char* Name;
    TdxSkinWinController* (*Create)(HWND window);
};
using TdxSkinWinControllerClass = const TdxSkinWinControllerClassInfo*;

// Subclasses one window: a platform control through its WindowProc, any other window (an MDI
// client) through its window procedure.
class TdxSkinWinController : public TcxIUnknownObject, public IcxMouseTrackingCaller {
public:
    VZ_CLASS(TdxSkinWinController, TcxIUnknownObject)
    explicit TdxSkinWinController(HWND window);
    ~TdxSkinWinController() override;
    // The constructor's virtual part: subclass and refresh once the object is whole.
    void AfterConstruction();

    HWND Handle = nullptr;
    TdxSkinPainterClass SkinPainter = nullptr; // chosen for this window itself
    TdxSkinWinController* ParentController = nullptr;
    TWinControl* Control = nullptr;
    TWndMethod SavedWindowProc;
    WNDPROC PrevWndProc = nullptr;

    virtual bool IsSkinned();
    virtual TdxSkinWinController* FindParentController(HWND window);
    virtual bool CanSkinControl();
    virtual bool CanSubclass() { return true; }
    virtual void CallDefaultProc(TMessage& message);
    virtual void Subclass();
    virtual void InitSkinPainter() {}
    virtual void DetachChildren();
    virtual void Unsubclass();
    virtual void WndProc(TMessage& message);
    void MouseLeave() override {}
    virtual void UpdateFrame();
    virtual void Refresh();

    static bool IsMDIChild(HWND window);
    static bool IsMDIClient(HWND window);
    static bool IsMessageForm(HWND window);

    void SetHandle(HWND window);
    TdxSkinPainterClass GetSkinPainter() const;
    bool GetSkinPainterName(AnsiString& name) const;
    bool HasParentController() const { return ParentController != nullptr; }
    bool IsSubclassed() const { return Handle && (PrevWndProc || SavedWindowProc); }
    bool HasGraphicChildren() const;
    void Redraw(bool updateNow);
    TForm* GetForm() const;
    void UpdateSkinPainter();
};

// Form helpers.
struct TdxSkinFormHelper {
    static TForm* GetForm(HWND window);
    static HWND GetActiveMDIChild(HWND window);
    static HWND GetMaximizedMDIChild(HWND window);
    static bool HasClientEdge(HWND window);
    static bool IsLayered(HWND window);
};

// The six registered messages (0 before the unit starts).
extern UINT WM_POSTREDRAW, WM_CHILDCHANGED, WM_POSTCREATE, WM_POSTCHECKRGN, WM_POSTMSGFORMINIT,
    WM_HASOWNSKINENGINE;

// Every live skin controller in creation order; every live window controller.
const std::vector<TdxSkinController*>& SkinControllers();
int WindowControllerCount();
TdxSkinWinController* WindowControllers(int index);

TdxSkinWinController* FindControllerByControl(TWinControl* control);
TdxSkinWinController* FindControllerByHandle(HWND window);
AnsiString GetWindowTextOf(HWND window);
AnsiString GetClassNameOf(HWND window);
bool IsWindowSkinned(HWND window);
void RefreshSkinWindowControllers();
// The controller class a window of this process gets; nullptr for none.
TdxSkinWinControllerClass SelectControllerClass(HWND window);
using TdxControllerClassSelector = TdxSkinWinControllerClass (*)(HWND window);
extern TdxControllerClassSelector ControllerClassSelector;
// The hidden utility window (0 outside the unit).
HWND SkinUtilityWindow();

// The unit: hook, lists, utility window, messages and the flat-scroll-bar replacements.
void SkinFormsInitialize();
void SkinFormsFinalize();
