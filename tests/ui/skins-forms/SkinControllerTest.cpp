// Which windows get a controller and of what kind, the skin controller component's switches and
// events, and what the unit puts back when it ends.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "SkinFormsSupport.h"
#include "ui/core/WindowServices.h"

using namespace skinforms;

namespace {
// A form that keeps its own look, or answers the skin engine question.
class TPlainForm : public TForm {
public:
    VZ_CLASS(TPlainForm, TForm)
    using TForm::TForm;
    UINT Answered = 0;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == Answered && Answered) return 1;
        return TForm::WndProc(message, wParam, lParam);
    }
    using TForm::WndProc;
};

class TBigButton : public TButton {
public:
    VZ_CLASS(TBigButton, TButton)
    using TButton::TButton;
};

std::string KindOf(HWND window) {
    TdxSkinWinController* controller = FindControllerByHandle(window);
    if (!controller) return "none";
    if (dynamic_cast<TdxSkinButtonController*>(controller)) return "button";
    if (dynamic_cast<TdxSkinPanelController*>(controller)) return "panel";
    if (dynamic_cast<TdxSkinFormController*>(controller)) return "form";
    return "other";
}
} // namespace

TEST_F(SkinnedForms, NewWindowsGetTheControllerOfTheirKind) {
    TForm* form = MakeForm(bsSizeable);
    struct TCase {
        const char* what;
        std::function<HWND()> make;
        const char* kind;
        bool skinned;
    };
    const TCase cases[] = {
        {"form", [&] { return form->Handle(); }, "form", true},
        {"message dialog", [&] { forms.push_back(CreateMessageDialog("Text", mtError)); return forms.back()->Handle(); },
         "form", true},
        {"button",
         [&] {
             auto* b = new TButton(form);
             b->SetParent(form);
             return b->Handle();
         },
         "button", true},
        {"button descendant",
         [&] {
             auto* b = new TBigButton(form);
             b->SetParent(form);
             return b->Handle();
         },
         "none", false},
        {"panel",
         [&] {
             auto* p = new TPanel(form);
             p->SetParent(form);
             return p->Handle();
         },
         "panel", true},
        {"raw system button",
         [&] {
             return CreateWindowExA(0, "BUTTON", "x", WS_CHILD, 0, 0, 10, 10, form->Handle(), nullptr, nullptr,
                                    nullptr);
         },
         "none", false},
        {"raw MDI client",
         [&] {
             CLIENTCREATESTRUCT ccs{nullptr, 1000};
             return CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 100, 100,
                                    form->Handle(), nullptr, nullptr, &ccs);
         },
         "form", true},
        {"form with a skin engine of its own",
         [&] {
             auto* own = new TPlainForm(nullptr);
             own->Answered = WM_HASOWNSKINENGINE;
             forms.push_back(own);
             return own->Handle();
         },
         "none", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        HWND window = c.make();
        ProcessMessages(); // the MDI client's controller is made from a posted message
        EXPECT_EQ(KindOf(window), c.kind);
        EXPECT_EQ(IsWindowSkinned(window), c.skinned);
    }
    // The MDI client paints with its frame form's painter.
    HWND client = FindWindowExA(form->Handle(), nullptr, "MDICLIENT", nullptr);
    EXPECT_EQ(FindControllerByHandle(client)->ParentController, FindControllerByHandle(form->Handle()));
    // A message dialog's labels turn transparent (posted after the controller is made).
    auto* dialog = static_cast<TMessageForm*>(forms[1]);
    EXPECT_TRUE(dialog->Message->Transparent());
    // Only a child's own WM_DESTROY removes its controller, never WM_MDIDESTROY's with a child.
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, client, nullptr, nullptr, nullptr);
    const int count = WindowControllerCount();
    SendMessageA(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0);
    EXPECT_EQ(WindowControllerCount(), count);
    DestroyWindow(client);
    EXPECT_EQ(WindowControllerCount(), count - 1);
    EXPECT_EQ(FindControllerByHandle(client), nullptr);
}

TEST_F(SkinnedForms, RecreatedWindowKeepsAController) {
    TForm* form = MakeForm(bsDialog);
    auto* button = new TButton(form);
    button->SetParent(form);
    const HWND old = button->Handle();
    button->SetWordWrap(true); // made again
    ASSERT_NE(button->Handle(), old);
    EXPECT_EQ(KindOf(button->Handle()), "button");
    EXPECT_TRUE(IsWindowSkinned(button->Handle()));
    EXPECT_EQ(FindControllerByHandle(old), nullptr);
}

TEST_F(SkinnedForms, UseSkinsSwitchesEveryWindowAndNotifiesOnlyOnChange) {
    TForm* form = MakeForm(bsDialog);
    int notifications = 0;
    GetRootLookAndFeel()->OnChanged = [&](TcxLookAndFeel*, TcxLookAndFeelValues) { ++notifications; };
    controller->SetUseSkins(true);
    EXPECT_EQ(notifications, 0);
    EXPECT_TRUE(IsWindowSkinned(form->Handle()));
    controller->SetUseSkins(false);
    EXPECT_GE(notifications, 1);
    EXPECT_FALSE(IsWindowSkinned(form->Handle()));
    controller->SetUseSkins(true);
    EXPECT_TRUE(IsWindowSkinned(form->Handle()));
    GetRootLookAndFeel()->OnChanged = nullptr;
}

TEST_F(SkinnedForms, LastComponentDecidesFirstAndEarlierOnesRefineThroughTheirEvent) {
    TForm* form = MakeForm(bsDialog);
    auto* later = new TdxSkinController(nullptr);
    // The later component turns skinning off for this form; the earlier one hears no painter.
    later->OnSkinForm = [&](TObject*, TForm*, AnsiString& name, bool& use) {
        name = "Black";
        use = true;
    };
    AnsiString heardName;
    bool heardFound = false;
    controller->OnSkinForm = [&](TObject*, TForm* f, AnsiString& name, bool& use) {
        if (f != form) return;
        heardName = name;
        heardFound = use;
    };
    RefreshSkinWindowControllers();
    TdxSkinWinController* formController = FindControllerByHandle(form->Handle());
    EXPECT_EQ(heardName, "Black");
    EXPECT_TRUE(heardFound);
    AnsiString name;
    ASSERT_TRUE(formController->GetSkinPainterName(name));
    EXPECT_EQ(name, "Black");
    delete later;
    ASSERT_TRUE(formController->GetSkinPainterName(name));
    EXPECT_EQ(name, "UserSkin");
    // Freeing the last component leaves every window plain.
    delete controller;
    controller = nullptr;
    EXPECT_FALSE(IsWindowSkinned(form->Handle()));
}

TEST_F(SkinnedForms, FormRefusingSkinsStaysPlain) {
    auto* form = new TPlainForm(nullptr);
    forms.push_back(form);
    form->Answered = CM_REFUSESKINNING;
    form->Handle();
    EXPECT_EQ(KindOf(form->Handle()), "form");
    EXPECT_FALSE(IsWindowSkinned(form->Handle()));
    form->Answered = 0;
    RefreshSkinWindowControllers();
    EXPECT_TRUE(IsWindowSkinned(form->Handle()));
}

namespace {
BOOL lastRedraw = TRUE;
int WINAPI RecordScrollPos(HWND, int, int, BOOL redraw) {
    lastRedraw = redraw;
    return 0;
}
int WINAPI RecordScrollInfo(HWND, int, const SCROLLINFO*, BOOL redraw) {
    lastRedraw = redraw;
    return 0;
}
} // namespace

TEST_F(SkinnedForms, UnitEndRestoresHookProceduresAndWindowsAndFlatScrollBarsSkipSkinnedRedraws) {
    TForm* form = MakeForm(bsSizeable);
    TForm* plain = MakeForm(bsSizeable);
    // The unit is started again over recording procedures, so that the replacements call them.
    SkinFormsFinalize();
    const TFlatSBSetScrollPos systemPos = FlatSBSetScrollPos;
    const TFlatSBSetScrollInfo systemInfo = FlatSBSetScrollInfo;
    FlatSBSetScrollPos = &RecordScrollPos;
    FlatSBSetScrollInfo = &RecordScrollInfo;
    SkinFormsInitialize();
    delete controller;
    controller = new TdxSkinController(nullptr);
    controller->SetSkinName("UserSkin");
    delete form;
    forms.erase(forms.begin());
    form = MakeForm(bsSizeable);
    ASSERT_TRUE(IsWindowSkinned(form->Handle()));
    SCROLLINFO info{sizeof(info), SIF_POS, 0, 0, 0, 3, 0};
    for (auto call : {std::function<void(HWND)>([](HWND w) { FlatSBSetScrollPos(w, SB_VERT, 3, TRUE); }),
                      std::function<void(HWND)>([&](HWND w) { FlatSBSetScrollInfo(w, SB_VERT, &info, TRUE); })}) {
        lastRedraw = TRUE;
        call(form->Handle());
        EXPECT_FALSE(lastRedraw);
        // A window without a controller: what the caller asked.
        HWND foreign = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        call(foreign);
        EXPECT_TRUE(lastRedraw);
        DestroyWindow(foreign);
    }
    // The end puts the procedures, the hook and the windows back.
    auto* button = new TButton(form);
    button->SetParent(form);
    const WNDPROC formProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(form->Handle(), GWLP_WNDPROC));
    CLIENTCREATESTRUCT ccs{nullptr, 1000};
    HWND client = CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD, 0, 0, 100, 100, form->Handle(), nullptr, nullptr,
                                  &ccs);
    const LONG_PTR clientClassProc = GetClassLongPtrA(client, GCLP_WNDPROC);
    ProcessMessages();
    ASSERT_NE(FindControllerByHandle(client), nullptr);
    EXPECT_NE(GetWindowLongPtrA(client, GWLP_WNDPROC), clientClassProc);
    delete controller;
    controller = nullptr;
    SkinFormsFinalize();
    EXPECT_EQ(FlatSBSetScrollPos, &RecordScrollPos);
    EXPECT_EQ(FlatSBSetScrollInfo, &RecordScrollInfo);
    EXPECT_EQ(GetWindowLongPtrA(client, GWLP_WNDPROC), clientClassProc);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(form->Handle(), GWLP_WNDPROC)), formProc);
    EXPECT_EQ(FindControllerByHandle(form->Handle()), nullptr);
    // No hook: a new window gets nothing, and every message still reaches the form.
    TForm* late = MakeForm(bsDialog);
    EXPECT_EQ(FindControllerByHandle(late->Handle()), nullptr);
    EXPECT_EQ(WindowControllerCount(), 0);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    SendMessageA(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    DestroyWindow(client);
    FlatSBSetScrollPos = systemPos;
    FlatSBSetScrollInfo = systemInfo;
    SkinFormsInitialize();
    controller = new TdxSkinController(nullptr);
    controller->SetSkinName("UserSkin");
    (void)plain;
}
