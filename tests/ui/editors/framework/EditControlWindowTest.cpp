// The base editor as a control on a real form: activation by a host through keys and the mouse,
// with inner edits over the system's EDIT window (one a platform control, one a window the
// platform does not know), the double-click timer, deactivation and the stored size.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/ui/core/ControlWindows.h"
#include "tests/ui/core/PaintSurface.h"
#include "tests/ui/editors/framework/TestSlotBinding.h"
#include "ui/editors/framework/Edit.h"
#include "ui/editors/framework/EditButtons.h"
#include "ui/editors/framework/FilterEditHelper.h"

namespace {

// An inner edit over the system's EDIT window. As a platform control its window procedure is the
// platform's; a foreign one keeps the EDIT procedure, so that the platform does not know it.
class TTestInnerEdit : public TWinControl, public IcxCustomInnerEdit {
public:
    VZ_CLASS(TTestInnerEdit, TWinControl)
    explicit TTestInnerEdit(TComponent* owner = nullptr) : TWinControl(owner) { SetBounds(2, 2, 80, 18); }
    ~TTestInnerEdit() override {
        Destroying();
        DestroyHandle();
    }
    static inline bool makeForeign = false;
    bool foreign = makeForeign;
    bool readOnly = false;
    TNotifyEvent onChange;
    WNDPROC editProc = nullptr;

    TWinControl* GetControl() override { return this; }
    LRESULT CallNativeWndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        return CallWindowProcA(editProc, Handle(), message, wParam, lParam);
    }
    Variant GetTextValue() override { return Variant(AnsiString()); }
    TNotifyEvent GetOnChange() override { return onChange; }
    bool GetReadOnly() override { return readOnly; }
    void LockInnerBounds(bool) override {}
    void FocusWithoutAutoSelect() override { SetFocus(); }
    void SetTextValue(const Variant&) override {}
    void SetParent(TWinControl* parent) override { TWinControl::SetParent(parent); }
    void SetOnChange(TNotifyEvent handler) override { onChange = std::move(handler); }
    void SetReadOnly(bool value) override { readOnly = value; }

protected:
    void CreateHandle() override {
        if (handle_ || !Parent()) return;
        HWND window = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, left_, top_, width_, height_,
                                      Parent()->Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        editProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
        handle_ = window;
        if (foreign) return;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::StdWndProc));
    }
    void DestroyWindowHandle() override {
        if (!foreign) SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc));
        TWinControl::DestroyWindowHandle();
    }
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        return CallWindowProcA(editProc, handle_, message, wParam, lParam);
    }
    using TWinControl::WndProc;
};

class TValidatingProperties : public TcxCustomEditProperties {
public:
    VZ_CLASS(TValidatingProperties, TcxCustomEditProperties)
    using TcxCustomEditProperties::TcxCustomEditProperties;
    bool NeedsValidation() override { return true; }
};

// A test editor: logs the characters its window takes and the inner edit's messages that pass
// through the subclassing; buttons lie right of x = 100.
class TControlTestEdit : public TcxCustomEdit {
public:
    VZ_CLASS(TControlTestEdit, TcxCustomEdit)
    TControlTestEdit(TComponent* owner, bool isInplace) : TcxCustomEdit(owner, isInplace) {}
    explicit TControlTestEdit(TComponent* owner = nullptr) : TcxCustomEdit(owner, false) {}
    ~TControlTestEdit() override { Destroying(); }

    static inline bool withInnerEdit = false;
    bool hasInner = withInnerEdit;
    std::string chars;         // taken by the key processing
    std::string windowChars;   // reaching the editor's window
    std::set<UINT> innerMessages;
    bool failReplay = false;
    bool fakeButtons = true;
    std::vector<std::string> log;
    int GetButtonIndexAt(TPoint p) override {
        if (fakeButtons) return p.x > 100 ? 0 : -1;
        return TcxCustomEdit::GetButtonIndexAt(p);
    }
    void ButtonDown(int index) override { log.push_back("down " + std::to_string(index)); }
    void ButtonUp(int index) override { log.push_back("up " + std::to_string(index)); }
    TTestInnerEdit* Inner() { return static_cast<TTestInnerEdit*>(InnerControl()); }

protected:
    TClass PropertiesClass() override { return TValidatingProperties::StaticClass(); }
    TClass InnerEditClass() override { return hasInner ? TTestInnerEdit::StaticClass() : nullptr; }
    bool ReplaysActivationKey(char key) override {
        if (failReplay) throw EcxEditError("replay failed");
        return TcxCustomEdit::ReplaysActivationKey(key);
    }
    void WndProc(TMessage& message) override {
        if (message.Msg == WM_CHAR) windowChars += static_cast<char>(message.WParam);
        TcxCustomEdit::WndProc(message);
    }
    using TcxCustomEdit::WndProc;
    bool HandleKeyPress(char& key) override {
        chars += key;
        return true;
    }
    void InnerEditWndProc(TMessage& message) override {
        innerMessages.insert(message.Msg);
        TcxCustomEdit::InnerEditWndProc(message);
    }
};

class EditControlTest : public testing::Test {
protected:
    THostForm form;
    std::unique_ptr<TControlTestEdit> edit;
    std::vector<std::string> errors;

    void SetUp() override {
        Application->OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        form.Show();
        SetActiveWindow(form.Handle());
        PumpMessages();
    }
    void TearDown() override {
        edit.reset();
        TControlTestEdit::withInnerEdit = false;
        TTestInnerEdit::makeForeign = false;
        Application->OnException = nullptr;
        EXPECT_TRUE(errors.empty()) << errors.front();
    }
    // Standalone editors keep the bounds given: auto size has tests of its own.
    TControlTestEdit* Make(bool inplace, bool inner = false, bool foreign = false) {
        TControlTestEdit::withInnerEdit = inner;
        TTestInnerEdit::makeForeign = foreign;
        edit = std::make_unique<TControlTestEdit>(nullptr, inplace);
        edit->EnsureInitialized();
        edit->SetAutoSize(false);
        edit->SetBounds(10, 10, 120, 24);
        edit->SetParent(&form);
        edit->Handle();
        return edit.get();
    }
};

// --- activation by key ----------------------------------------------------------------------------

TEST_F(EditControlTest, KeyActivationReplaysTheCharacterAndRemovesTheSubclassing) {
    struct Case {
        const char* name;
        bool inner, foreign;
    } cases[] = {{"no inner edit", false, false}, {"platform inner edit", true, false}, {"foreign inner edit", true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make(true, c.inner, c.foreign);
        HWND innerWindow = c.inner ? edit->Inner()->Handle() : nullptr;
        const LONG_PTR procBefore = innerWindow ? GetWindowLongPtrA(innerWindow, GWLP_WNDPROC) : 0;
        TcxCustomEditData* data = nullptr;
        edit->ActivateByKey('x', data);
        EXPECT_EQ(edit->windowChars, "x");
        // Without an inner edit the editor's own key processing takes it.
        EXPECT_EQ(edit->chars, c.inner ? "" : "x");
        EXPECT_TRUE(edit->InplaceActivated());
        EXPECT_FALSE(edit->IsInnerEditSubclassed());
        if (c.inner) {
            // The focus went to the inner edit while it was subclassed.
            EXPECT_TRUE(edit->innerMessages.count(WM_SETFOCUS)) << "messages seen: " << edit->innerMessages.size();
            EXPECT_EQ(GetWindowLongPtrA(innerWindow, GWLP_WNDPROC), procBefore);
            edit->innerMessages.clear();
            SendMessageA(innerWindow, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("after"));
            EXPECT_TRUE(edit->innerMessages.empty());
            char text[16] = {};
            GetWindowTextA(innerWindow, text, sizeof(text));
            EXPECT_STREQ(text, "after");
        }
        edit.reset();
    }
}

TEST_F(EditControlTest, KeyActivationThatFailsStillRemovesTheSubclassing) {
    for (bool foreign : {false, true}) {
        Make(true, true, foreign);
        HWND innerWindow = edit->Inner()->Handle();
        const LONG_PTR procBefore = GetWindowLongPtrA(innerWindow, GWLP_WNDPROC);
        edit->failReplay = true;
        TcxCustomEditData* data = nullptr;
        EXPECT_THROW(edit->ActivateByKey('x', data), EcxEditError);
        EXPECT_FALSE(edit->IsInnerEditSubclassed());
        EXPECT_EQ(GetWindowLongPtrA(innerWindow, GWLP_WNDPROC), procBefore) << foreign;
        EXPECT_EQ(edit->windowChars, "");
        edit.reset();
    }
}

// --- activation by mouse and the double-click timer ----------------------------------------------

TEST_F(EditControlTest, ASecondClickWithinTheDoubleClickTimeIsADoubleClickUnlessOnAButton) {
    struct Case {
        const char* name;
        TShiftState shift;
        int secondX;
        int doubleClicks;
    } cases[] = {
        {"left press, second click in the text", {ssLeft}, 30, 1},
        {"left press, second click on a button", {ssLeft}, 110, 0},
        {"no button, second click in the text", {}, 30, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make(true);
        int doubleClicks = 0;
        edit->OnDblClick = [&](TObject*) { ++doubleClicks; };
        TcxCustomEditData* data = nullptr;
        // (40, 20) in the form's client area: (30, 10) in the editor.
        edit->ActivateByMouse(c.shift, 40, 20, data);
        EXPECT_TRUE(edit->InplaceActivated());
        EXPECT_NE(GetCapture(), edit->Handle()); // the left button is not really down
        EXPECT_EQ(edit->DblClickTimer()->Interval(), GetDoubleClickTime());
        EXPECT_TRUE(edit->DblClickTimer()->Enabled());
        SendMouse(*edit, WM_LBUTTONDOWN, c.secondX, 10, MK_LBUTTON);
        SendMouse(*edit, WM_LBUTTONUP, c.secondX, 10);
        EXPECT_FALSE(edit->DblClickTimer()->Enabled());
        EXPECT_EQ(doubleClicks, c.doubleClicks);
        // A third click is a plain click again.
        SendMouse(*edit, WM_LBUTTONDOWN, 30, 10, MK_LBUTTON);
        SendMouse(*edit, WM_LBUTTONUP, 30, 10);
        EXPECT_EQ(doubleClicks, c.doubleClicks);
        edit.reset();
    }
}

TEST_F(EditControlTest, TheDoubleClickTimerRunsOutByItself) {
    Make(true);
    int doubleClicks = 0;
    edit->OnDblClick = [&](TObject*) { ++doubleClicks; };
    TcxCustomEditData* data = nullptr;
    edit->ActivateByMouse({ssLeft}, 40, 20, data);
    const DWORD end = GetTickCount() + GetDoubleClickTime() * 3 + 500;
    while (edit->DblClickTimer()->Enabled() && GetTickCount() < end) {
        PumpMessages();
        Sleep(10);
    }
    EXPECT_FALSE(edit->DblClickTimer()->Enabled());
    SendMouse(*edit, WM_LBUTTONDOWN, 30, 10, MK_LBUTTON);
    SendMouse(*edit, WM_LBUTTONUP, 30, 10);
    EXPECT_EQ(doubleClicks, 0);
}

// --- buttons by the mouse ------------------------------------------------------------------------

TEST_F(EditControlTest, ButtonPressesReleasesAndClicksFollowTheMouse) {
    enum TStep { Move, Down, Up };
    struct TAction {
        TStep step;
        bool onButton;
    };
    struct Case {
        const char* name;
        std::vector<TAction> actions;
        std::vector<std::string> log;
    } cases[] = {
        {"press and release on the button", {{Move, true}, {Down, true}, {Up, true}}, {"down 0", "up 0", "click 1"}},
        {"press, leave, release outside", {{Down, true}, {Move, false}, {Up, false}}, {"down 0", "up 0"}},
        {"press in the text", {{Down, false}, {Up, false}}, {}},
        {"moves only", {{Move, true}, {Move, false}, {Move, true}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make(false);
        edit->fakeButtons = false;
        TcxEditButton* hidden = edit->OwnProperties()->Buttons()->Add();
        hidden->SetVisible(false); // not in the view info: clicks name the collection index
        edit->OwnProperties()->Buttons()->Add()->SetKind(bkEllipsis);
        edit->OwnProperties()->OnButtonClicked = [this](TObject*, int index) {
            edit->log.push_back("click " + std::to_string(index));
        };
        edit->RefreshAtCursor();
        TcxCustomEditViewInfo* info = edit->EditViewInfo();
        ASSERT_NE(info, nullptr);
        ASSERT_EQ(info->ButtonCount(), 1);
        const TRect b = info->Button(0)->Bounds;
        const TPoint on{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
        const TPoint off{5, 5};
        bool down = false;
        for (const TAction& a : c.actions) {
            const TPoint p = a.onButton ? on : off;
            if (a.step == Down) down = true;
            if (a.step == Up) down = false;
            const UINT message = a.step == Move ? WM_MOUSEMOVE : a.step == Down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            SendMouse(*edit, message, p.x, p.y, down ? MK_LBUTTON : 0);
        }
        EXPECT_EQ(edit->log, c.log);
        ReleaseCapture();
        edit.reset();
    }
}

TEST_F(EditControlTest, DialogCharClicksTheButtonWhoseCaptionHasTheAccelerator) {
    struct Case {
        const char* name;
        WORD ch;
        LRESULT result;
        std::vector<std::string> log;
    } cases[] = {
        {"g of &Go", 'g', 1, {"click 2"}},
        {"G of &Go", 'G', 1, {"click 2"}},
        {"s of a disabled &Stop", 's', 0, {}},
        {"D of R&&D (no accelerator)", 'D', 0, {}},
        {"x of nothing", 'x', 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make(false);
        edit->fakeButtons = false;
        TcxEditButtons* buttons = edit->OwnProperties()->Buttons();
        for (const char* caption : {"&Stop", "R&&D", "&Go"}) {
            TcxEditButton* button = buttons->Add();
            button->SetKind(bkText);
            button->SetCaption(caption);
        }
        buttons->GetItem(0)->SetEnabled(false);
        edit->OwnProperties()->OnButtonClicked = [this](TObject*, int index) {
            edit->log.push_back("click " + std::to_string(index));
        };
        edit->RefreshAtCursor();
        ASSERT_EQ(edit->EditViewInfo()->ButtonCount(), 3);
        EXPECT_EQ(edit->Perform(CM_DIALOGCHAR, c.ch, 0), c.result);
        EXPECT_EQ(edit->log, c.log);
        edit.reset();
    }
}

// --- deactivation ---------------------------------------------------------------------------------

TEST_F(EditControlTest, DeactivationValidatesAndAFailureRaisesAndStaysActive) {
    for (bool valid : {true, false}) {
        SCOPED_TRACE(valid ? "valid" : "invalid");
        Make(true);
        TcxCustomEditData* data = nullptr;
        edit->ActivateInplace(data);
        edit->OwnProperties()->OnValidate = [valid](TObject*, Variant&, AnsiString& text, bool& error) {
            error = !valid;
            text = "refused";
        };
        edit->SetModified(true);
        edit->DblClickTimer()->SetEnabled(true);
        if (valid) {
            EXPECT_TRUE(edit->DeactivateInplace());
            EXPECT_TRUE(edit->Validated());
        } else {
            EXPECT_THROW(edit->DeactivateInplace(), EcxEditValidationError);
            EXPECT_FALSE(edit->Validated());
            EXPECT_TRUE(edit->Modified());
            EXPECT_TRUE(edit->InplaceActivated());
        }
        EXPECT_FALSE(edit->DblClickTimer()->Enabled());
        EXPECT_FALSE(edit->UserAction());
        edit.reset();
    }
}

// --- filter helper on an editor ---------------------------------------------------------------------

// Formats values as "<value>".
class TFormattingProperties : public TValidatingProperties {
public:
    VZ_CLASS(TFormattingProperties, TValidatingProperties)
    using TValidatingProperties::TValidatingProperties;
    WideString FormatDisplayText(const Variant& value) override {
        return L"<" + AnsiToWide(value.AsAnsiString()) + L">";
    }
};

TEST_F(EditControlTest, FilterHelperPreparesTheEditorAndReadsItsValue) {
    Make(false);
    TcxCustomFilterEditHelperClass helper = FilterEditHelperClass<TcxCustomFilterEditHelper>();
    TcxCustomEditProperties source;
    source.Buttons()->Add();
    source.SetReadOnly(true);
    source.OnChange = [](TObject*) {};
    helper->PrepareFilterEditor(edit.get(), &source);
    TcxCustomEditProperties* properties = edit->GetEffectiveProperties();
    EXPECT_EQ(properties->Buttons()->Count(), 0);
    EXPECT_FALSE(properties->ReadOnly());
    EXPECT_FALSE(properties->OnChange);

    edit->SetEditValue(Variant(42));
    TFormattingProperties formatting;
    WideString text;
    Variant value;
    helper->ReadFilterValue(edit.get(), &formatting, text, value);
    EXPECT_EQ(value.AsAnsiString(), "42");
    EXPECT_EQ(text, L"<42>");
    helper->PutFilterValue(edit.get(), &formatting, Variant(7)); // nothing in the base
    EXPECT_EQ(edit->EditValue().AsAnsiString(), "42");
    EXPECT_FALSE(helper->FiltersByDisplayText());
    EXPECT_EQ(helper->FilterEditorClass(), nullptr);
}

// --- stored size ----------------------------------------------------------------------------------

// A filer that records which defined properties would be written.
class TRecordingFiler : public TFiler {
public:
    TRecordingFiler() : TFiler(nullptr) {}
    bool Reading() const override { return false; }
    void DefineProperty(const AnsiString& name, const TReaderProc&, const TWriterProc&, bool hasData) override {
        if (hasData) written.insert(name);
    }
    void DefineBinaryProperty(const AnsiString& name, const TStreamProc&, const TStreamProc&, bool hasData) override {
        if (hasData) written.insert(name);
    }
    std::set<std::string> written;
};

TEST_F(EditControlTest, HeightAndWidthAreStoredUnlessAutoSizedOrAsTheAncestors) {
    struct Case {
        const char* name;
        bool autoSize;
        uint8_t layoutMode;
        int ancestorWidth, ancestorHeight; // 0: no ancestor
        bool height, width;
    } cases[] = {
        {"auto size", true, 0, 0, 0, false, true},
        {"auto size with automatic button widths", true, 2, 0, 0, false, false},
        {"fixed size", false, 0, 0, 0, true, true},
        {"fixed size as the ancestor", false, 0, 120, 24, false, false},
        {"fixed size, ancestor wider", false, 0, 200, 24, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make(false);
        edit->SetAutoSize(c.autoSize);
        edit->OwnProperties()->SetButtonLayoutMode(c.layoutMode);
        edit->SetBounds(10, 10, 120, 24);
        TControlTestEdit ancestor(nullptr);
        ancestor.SetBounds(0, 0, c.ancestorWidth, c.ancestorHeight);
        TRecordingFiler filer;
        if (c.ancestorWidth) filer.Ancestor = &ancestor;
        edit->DefineProperties(&filer);
        EXPECT_EQ(filer.written.count("Height") == 1, c.height);
        EXPECT_EQ(filer.written.count("Width") == 1, c.width);
        edit.reset();
    }
}

TEST_F(EditControlTest, StoredSizeReadsBackThroughTheFiler) {
    Make(false);
    edit->SetAutoSize(false);
    edit->SetBounds(10, 10, 150, 30);
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.WriteRootComponent(edit.get());
    stream.SetPosition(0);
    TControlTestEdit copy(nullptr);
    copy.EnsureInitialized();
    copy.SetAutoSize(false);
    TReader reader(&stream);
    reader.ReadRootComponent(&copy);
    EXPECT_EQ(copy.Width(), 150);
    EXPECT_EQ(copy.Height(), 30);
}

TEST_F(EditControlTest, InplaceEditorsDoNotAutoSize) {
    EXPECT_FALSE(Make(true)->AutoSize());
    edit->SetAutoSize(true);
    EXPECT_FALSE(edit->AutoSize());
    TControlTestEdit standalone(nullptr);
    standalone.EnsureInitialized();
    EXPECT_TRUE(standalone.AutoSize());
}

// --- painting a copy -------------------------------------------------------------------------------

// Shows an integer value as a fill of the client rect in that colour.
class TColorValueViewInfo : public TcxCustomEditViewInfo {
public:
    VZ_CLASS(TColorValueViewInfo, TcxCustomEditViewInfo)
    TColor Shown = clNone;
    void DrawOn(TcxCanvas& canvas) override {
        TcxCustomEditViewInfo::DrawOn(canvas);
        if (Shown != clNone) canvas.FillRectColor(ContentRect, Shown);
    }
};

class TColorValueViewData : public TcxCustomEditViewData {
public:
    VZ_CLASS(TColorValueViewData, TcxCustomEditViewData)
    using TcxCustomEditViewData::TcxCustomEditViewData;
    void EditValueToViewInfo(TcxCanvas&, const Variant& value, TcxCustomEditViewInfo* viewInfo) override {
        static_cast<TColorValueViewInfo*>(viewInfo)->Shown =
            value.IsNull() ? clNone : static_cast<TColor>(value.AsInteger());
    }
};

class TColorValueProperties : public TcxCustomEditProperties {
public:
    VZ_CLASS(TColorValueProperties, TcxCustomEditProperties)
    using TcxCustomEditProperties::TcxCustomEditProperties;
    TcxCustomEditViewDataClass ViewDataClass() const override { return TcxCustomEditViewData::ClassOf<TColorValueViewData>(); }
    TcxContainerViewInfoClass ViewInfoClass() const override {
        return [] { return std::unique_ptr<TcxContainerViewInfo>(std::make_unique<TColorValueViewInfo>()); };
    }
};

// An editor over a value slot; its live view info never shows a value.
class TSlotColorEdit : public TcxCustomEdit {
public:
    VZ_CLASS(TSlotColorEdit, TcxCustomEdit)
    explicit TSlotColorEdit(TComponent* owner = nullptr) : TcxCustomEdit(owner, false) {}
    ~TSlotColorEdit() override { Destroying(); }
    TTestSlotBinding* Binding() { return static_cast<TTestSlotBinding*>(DataBinding()); }

protected:
    TClass PropertiesClass() override { return TColorValueProperties::StaticClass(); }
    TClass DataBindingClass() override { return TTestSlotBinding::StaticClass(); }
};

constexpr COLORREF Backdrop = RGB(255, 0, 255);
constexpr COLORREF Stored = RGB(0, 128, 0);
constexpr COLORREF OwnValue = RGB(0, 0, 200);

class EditPaintCopyTest : public EditControlTest {
protected:
    std::unique_ptr<TSlotColorEdit> slotEdit;
    TTestValueSlot slot;
    void MakeSlotEdit() {
        slotEdit = std::make_unique<TSlotColorEdit>();
        slotEdit->EnsureInitialized();
        slotEdit->SetAutoSize(false);
        slotEdit->SetBounds(10, 10, 60, 24);
        slotEdit->SetParent(&form);
        slotEdit->Binding()->SetSlot(&slot);
        slotEdit->Handle();
        slotEdit->SetEditValue(Variant(static_cast<int>(OwnValue)));
        PumpMessages();
    }
    void TearDown() override {
        slotEdit.reset();
        EditControlTest::TearDown();
    }
    static TPoint Middle(const TcxCustomEditViewInfo* info) {
        return TPoint{(info->ContentRect.left + info->ContentRect.right) / 2,
                      (info->ContentRect.top + info->ContentRect.bottom) / 2};
    }
};

TEST_F(EditPaintCopyTest, DetachedPaintShowsTheStoredValueAndLeavesTheEditorOutOfTheClip) {
    struct Case {
        const char* name;
        TTestValueSlot::TState state;
        bool filled; // the stored value's colour in the middle of the client rect
    } cases[] = {
        {"browsing slot", TTestValueSlot::Browsing, true},
        {"editing slot", TTestValueSlot::Editing, true},
        {"closed slot: no value", TTestValueSlot::Closed, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        slot.value = Variant(static_cast<int>(Stored));
        slot.state = c.state;
        MakeSlotEdit();
        TPaintSurface surface(100, 40, Backdrop);
        slotEdit->PaintDetached(surface.cx);
        const TPoint middle = Middle(slotEdit->EditViewInfo());
        EXPECT_EQ(surface.At(middle.x, middle.y) == Stored, c.filled);
        EXPECT_FALSE(surface.AllOf(TRect{0, 0, 60, 24}, Backdrop)) << "the editor was drawn";
        EXPECT_EQ(surface.Count(OwnValue), 0) << "the editor's own value is not shown";
        EXPECT_EQ(static_cast<TColorValueViewInfo*>(slotEdit->EditViewInfo())->Shown, clNone)
            << "the live view info is left alone";
        // What is painted after the copy keeps off it.
        const COLORREF inside = surface.At(middle.x, middle.y);
        surface.cx.FillRectColor(TRect{0, 0, 100, 40}, clRed);
        EXPECT_EQ(surface.At(middle.x, middle.y), inside);
        EXPECT_EQ(surface.At(80, 30), RGB(255, 0, 0));
        slotEdit.reset();
    }
}

TEST_F(EditPaintCopyTest, PaintMessageDrawsACopyOnlyWhilePaintingACopy) {
    slot.value = Variant(static_cast<int>(Stored));
    MakeSlotEdit();
    for (bool copy : {false, true}) {
        SCOPED_TRACE(copy ? "copy" : "own window");
        TPaintSurface surface(60, 24, Backdrop);
        if (copy) slotEdit->ControlState.Include(csPaintCopy);
        SendMessageA(slotEdit->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(surface.DC()), 0);
        slotEdit->ControlState.Exclude(csPaintCopy);
        const TPoint middle = Middle(slotEdit->EditViewInfo());
        EXPECT_EQ(surface.At(middle.x, middle.y) == Stored, copy);
        EXPECT_FALSE(surface.AllOf(TRect{0, 0, 60, 24}, Backdrop)) << "painted through the view info";
    }
}

// --- parent, name and loading ----------------------------------------------------------------------

class TCountingSlotBinding : public TTestSlotBinding {
public:
    VZ_CLASS(TCountingSlotBinding, TTestSlotBinding)
    int stateChanges = 0;
    int displayRefreshes = 0;
    void EditorStateChanged() override { ++stateChanges; }
    void RefreshDisplayValue() override {
        ++displayRefreshes;
        TTestSlotBinding::RefreshDisplayValue();
    }
};

class TParentingEdit : public TControlTestEdit {
public:
    VZ_CLASS(TParentingEdit, TControlTestEdit)
    using TControlTestEdit::TControlTestEdit;
    TCountingSlotBinding* Binding() { return static_cast<TCountingSlotBinding*>(DataBinding()); }
    int applied = 0;
    void ApplyPropertiesChange(TObject* sender) override {
        ++applied;
        TControlTestEdit::ApplyPropertiesChange(sender);
    }

protected:
    TClass DataBindingClass() override { return TCountingSlotBinding::StaticClass(); }
};

TEST_F(EditControlTest, TheFirstParentAppliesThePropertiesAndShowsTheValueOnce) {
    TParentingEdit parented(nullptr);
    parented.EnsureInitialized();
    EXPECT_TRUE(parented.ParentPending());
    EXPECT_EQ(parented.Binding()->stateChanges, 0);
    const int appliedBefore = parented.applied;
    struct Step {
        const char* name;
        TWinControl* parent;
        int stateChanges, displayRefreshes, applied;
    } steps[] = {
        {"no parent yet", nullptr, 0, 0, 0},
        {"first parent", &form, 1, 1, 1},
        {"taken away", nullptr, 1, 1, 1},
        {"given again", &form, 1, 1, 1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        parented.SetParent(step.parent);
        EXPECT_EQ(parented.Binding()->stateChanges, step.stateChanges);
        EXPECT_EQ(parented.Binding()->displayRefreshes, step.displayRefreshes);
        EXPECT_EQ(parented.applied - appliedBefore, step.applied);
        EXPECT_EQ(parented.ParentPending(), step.stateChanges == 0);
    }
    parented.SetName("Amount");
    EXPECT_EQ(parented.Binding()->stateChanges, 2);
}

TEST_F(EditControlTest, PropertiesChangesSetTheInnerEditsReadOnlyState) {
    TTestValueSlot slot;
    Make(false, true);
    EXPECT_FALSE(edit->Inner()->readOnly);
    struct Case {
        const char* name;
        bool readOnly;
        bool expected;
    } cases[] = {{"read-only properties", true, true}, {"writable again", false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        edit->OwnProperties()->SetReadOnly(c.readOnly);
        EXPECT_EQ(edit->Inner()->readOnly, c.expected);
    }
}

TEST_F(EditControlTest, LoadingRestoresThePropertiesHandlerWithoutFiringChanges) {
    TParentingEdit source(nullptr);
    source.EnsureInitialized();
    source.SetAutoSize(false);
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.WriteRootComponent(&source);
    stream.SetPosition(0);
    TParentingEdit copy(nullptr);
    copy.EnsureInitialized();
    const int appliedBefore = copy.applied;
    int changes = 0;
    copy.OwnProperties()->OnChange = [&changes](TObject*) { ++changes; };
    copy.OwnProperties()->ChangedHandler = nullptr;
    TReader reader(&stream);
    reader.ReadRootComponent(&copy);
    EXPECT_EQ(copy.applied - appliedBefore, 1);
    EXPECT_EQ(copy.Binding()->stateChanges, 1);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(copy.ClickLockCount(), 0);
    EXPECT_FALSE(copy.AreChangeEventsLocked());
    ASSERT_TRUE(copy.OwnProperties()->ChangedHandler);
    copy.OwnProperties()->ChangedHandler(copy.OwnProperties());
    EXPECT_EQ(copy.applied - appliedBefore, 2);
}

// --- hints -------------------------------------------------------------------------------------------

TEST_F(EditControlTest, HintsOfButtonsAndTheEditArea) {
    enum TWhere { OverFirstButton, OverEditArea, OutsideTheBorder };
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, bool>> buttons; // hint, left-aligned
        bool showHint;
        TWhere where;
        const char* text; // nullptr: refused
    } cases[] = {
        {"button hint up to the bar", {{"A|B", false}}, false, OverFirstButton, "A"},
        {"empty button hint takes the editor's", {{"", false}}, true, OverFirstButton, "Editor"},
        {"empty button hint without ShowHint", {{"", false}}, false, OverFirstButton, nullptr},
        {"edit area with ShowHint", {{"A", false}}, true, OverEditArea, "Editor"},
        {"edit area without ShowHint", {{"A", false}}, false, OverEditArea, nullptr},
        {"edit area between left and right buttons", {{"L", true}, {"R", false}}, true, OverEditArea, "Editor"},
        {"edit area beside left buttons only", {{"L", true}, {"M", true}}, true, OverEditArea, "Editor"},
        {"left-aligned button", {{"L|x", true}, {"R", false}}, false, OverFirstButton, "L"},
        {"outside the border rect", {{"A", false}}, true, OutsideTheBorder, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make(false);
        edit->fakeButtons = false;
        edit->SetAutoSize(false);
        edit->SetBounds(10, 10, 160, 24);
        edit->SetHint("Editor|long text");
        edit->SetShowHint(c.showHint);
        for (const auto& [hint, left] : c.buttons) {
            TcxEditButton* button = edit->OwnProperties()->Buttons()->Add();
            button->SetKind(bkEllipsis);
            button->SetWidth(20);
            button->SetLeftAlignment(left);
            button->SetHint(hint);
        }
        edit->RefreshAtPoint(TPoint{-1, -1}, 0, TShiftState{}, false);
        TcxCustomEditViewInfo* info = edit->EditViewInfo();
        ASSERT_EQ(info->ButtonCount(), static_cast<int>(c.buttons.size()));
        // The edit area as the buttons leave it, from their bounds.
        TRect area = info->InnerRect;
        for (int i = 0; i < info->ButtonCount(); ++i) {
            const TRect& b = info->Button(i)->Bounds;
            if (c.buttons[static_cast<size_t>(info->Button(i)->Data.CollectionIndex)].second)
                area.left = std::max(area.left, b.right);
            else
                area.right = std::min(area.right, b.left);
        }
        ASSERT_LT(area.left, area.right);
        THintInfo hint;
        hint.HintControl = edit.get();
        TRect expectedRect{};
        switch (c.where) {
        case OverFirstButton: {
            int index = 0;
            for (int i = 0; i < info->ButtonCount(); ++i)
                if (info->Button(i)->Data.CollectionIndex == 0) index = i;
            expectedRect = info->Button(index)->Bounds;
            hint.CursorPos = TPoint{(expectedRect.left + expectedRect.right) / 2, 12};
            break;
        }
        case OverEditArea:
            expectedRect = area;
            hint.CursorPos = TPoint{(area.left + area.right) / 2, 12};
            break;
        case OutsideTheBorder:
            hint.CursorPos = TPoint{200, 12};
            break;
        }
        const LRESULT result = edit->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&hint));
        if (!c.text) {
            EXPECT_NE(result, 0);
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(hint.HintStr, AnsiString(c.text));
            EXPECT_TRUE(EqualRect(&hint.CursorRect, &expectedRect))
                << hint.CursorRect.left << "," << hint.CursorRect.right << " wanted " << expectedRect.left << ","
                << expectedRect.right;
        }
        edit.reset();
    }
}

TEST(HintWindowTest, MeasuresWrappedTextWithMargins) {
    THintWindow window;
    const TRect one = window.CalcHintRect(1000, "Amount");
    const TRect two = window.CalcHintRect(1000, "Amount\nAmount");
    const TRect wrapped = window.CalcHintRect(one.right - one.left + 5, "Amount Amount");
    EXPECT_GT(one.right, 6);
    EXPECT_GT(one.bottom, 2);
    EXPECT_EQ(two.right, one.right);
    EXPECT_GT(two.bottom, one.bottom);
    EXPECT_EQ(wrapped.bottom, two.bottom);
    const TRect empty = window.CalcHintRect(1000, "");
    EXPECT_EQ(empty.right, 6);
}

} // namespace

namespace {

// --- auto size ---------------------------------------------------------------------------------------

// Content one line of 30 pixels high, whatever the room.
class TTallContentViewData : public TcxCustomEditViewData {
public:
    VZ_CLASS(TTallContentViewData, TcxCustomEditViewData)
    using TcxCustomEditViewData::TcxCustomEditViewData;
    static constexpr int ContentHeight = 30;
    TSize MeasureContent(TcxCanvas&, const Variant&, int) override { return TSize{0, ContentHeight}; }
};

class TTallContentProperties : public TcxCustomEditProperties {
public:
    VZ_CLASS(TTallContentProperties, TcxCustomEditProperties)
    using TcxCustomEditProperties::TcxCustomEditProperties;
    TcxCustomEditViewDataClass ViewDataClass() const override {
        return TcxCustomEditViewData::ClassOf<TTallContentViewData>();
    }
};

// An auto-sizing editor over that content, optionally keeping its right edge.
class TSizingEdit : public TcxCustomEdit {
public:
    VZ_CLASS(TSizingEdit, TcxCustomEdit)
    explicit TSizingEdit(TComponent* owner = nullptr) : TcxCustomEdit(owner, false) {}
    ~TSizingEdit() override { Destroying(); }
    bool keepsRightEdge = false;
    // The client rect of the current layout.
    TRect Client() { return EditViewInfo()->ContentRect; }

protected:
    TClass PropertiesClass() override { return TTallContentProperties::StaticClass(); }
    bool KeepsRightEdge() override { return keepsRightEdge; }
};

int HeightOf(const TRect& r) { return r.bottom - r.top; }

class EditAutoSizeTest : public EditControlTest {
protected:
    std::unique_ptr<TSizingEdit> sized;
    // Placed at (100, 10) 120 x 50 before its window is made.
    TSizingEdit* MakeSized(TAlign align, uint8_t layoutMode = 0, bool keepsRightEdge = false,
                           const char* buttonCaption = nullptr) {
        sized = std::make_unique<TSizingEdit>();
        sized->EnsureInitialized();
        sized->keepsRightEdge = keepsRightEdge;
        sized->OwnProperties()->SetButtonLayoutMode(layoutMode);
        if (buttonCaption) {
            TcxEditButton* button = sized->OwnProperties()->Buttons()->Add();
            button->SetKind(bkText);
            button->SetCaption(buttonCaption);
        }
        sized->SetAlign(align);
        sized->SetBounds(100, 10, 120, 50);
        sized->SetParent(&form);
        sized->Handle();
        return sized.get();
    }
    // The window's place in the form.
    RECT WindowBounds() {
        RECT r;
        GetWindowRect(sized->Handle(), &r);
        MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    void TearDown() override {
        sized.reset();
        EditControlTest::TearDown();
    }
};

TEST_F(EditAutoSizeTest, TheAlignmentDecidesWhichSidesFollowTheContent) {
    struct Case {
        TAlign align;
        bool measuredHeight;
    } cases[] = {{alNone, true}, {alTop, true}, {alBottom, true}, {alLeft, false}, {alRight, false}, {alClient, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.align);
        MakeSized(c.align);
        EXPECT_EQ(sized->Width(), 120);
        if (c.measuredHeight) {
            // Exactly the content's height inside the border.
            EXPECT_EQ(HeightOf(sized->Client()), TTallContentViewData::ContentHeight);
            EXPECT_LT(sized->Height(), 50);
        } else {
            EXPECT_EQ(sized->Height(), 50);
        }
        // Sized by hand, the measured side stays measured.
        const int before = sized->Height();
        sized->SetHeight(80);
        EXPECT_EQ(sized->Height(), c.measuredHeight ? before : 80);
        sized.reset();
    }
}

TEST_F(EditAutoSizeTest, AlignmentAndAutoSizeChangesMeasureAgain) {
    MakeSized(alClient);
    EXPECT_EQ(sized->Height(), 50);
    sized->SetAlign(alNone);
    EXPECT_EQ(HeightOf(sized->Client()), TTallContentViewData::ContentHeight);
    const int measured = sized->Height();
    sized->SetAutoSize(false);
    sized->SetHeight(70);
    EXPECT_EQ(sized->Height(), 70);
    sized->SetAutoSize(true);
    EXPECT_EQ(sized->Height(), measured);
}

TEST_F(EditAutoSizeTest, AutomaticButtonWidthsSizeTheWidthUnlessAlignedToFill) {
    for (TAlign align : {alNone, alLeft, alRight, alTop, alClient}) {
        SCOPED_TRACE(align);
        MakeSized(align, 2);
        TcxEditButton* button = sized->OwnProperties()->Buttons()->Add();
        button->SetKind(bkText);
        button->SetCaption("Go");
        const bool autoWidth = align == alNone || align == alLeft || align == alRight;
        TcxCustomEditViewInfo* info = sized->EditViewInfo();
        ASSERT_EQ(info->ButtonCount(), 1);
        if (autoWidth) {
            // Nothing but the frame and the button.
            const TRect& b = info->Button(0)->Bounds;
            EXPECT_EQ(sized->Width(), (b.right - b.left) + (info->OuterRect.right - info->OuterRect.left) -
                                          (info->InnerRect.right - info->InnerRect.left));
        } else {
            EXPECT_EQ(sized->Width(), 120);
        }
        sized.reset();
    }
}

TEST_F(EditAutoSizeTest, AnEditorKeepingItsRightEdgeGrowsToTheLeftAfterTheFirstSize) {
    for (bool keepsRightEdge : {false, true}) {
        SCOPED_TRACE(keepsRightEdge ? "keeps the right edge" : "keeps the left edge");
        MakeSized(alNone, 2, keepsRightEdge, "A");
        // The first auto width keeps the left edge either way.
        EXPECT_EQ(sized->Left(), 100);
        EXPECT_LT(sized->Width(), 120);
        EXPECT_FALSE(sized->FirstAutoSizePending());
        TcxEditButton* button = sized->OwnProperties()->Buttons()->GetItem(0);
        const int right = sized->Left() + sized->Width();
        const int width = sized->Width();
        button->SetCaption("A much longer caption");
        ASSERT_GT(sized->Width(), width);
        if (keepsRightEdge) {
            EXPECT_EQ(sized->Left() + sized->Width(), right);
        } else {
            EXPECT_EQ(sized->Left(), 100);
        }
        const RECT window = WindowBounds();
        EXPECT_EQ(window.left, sized->Left());
        EXPECT_EQ(window.right, sized->Left() + sized->Width());
        sized.reset();
    }
}

TEST_F(EditAutoSizeTest, AnAutoSizingEditorStoresNoHeight) {
    MakeSized(alNone);
    const int measured = sized->Height();
    ASSERT_NE(measured, 77);
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.WriteRootComponent(sized.get());
    stream.SetPosition(0);
    TSizingEdit copy(nullptr);
    copy.EnsureInitialized();
    copy.SetAutoSize(false);
    copy.SetBounds(0, 0, 40, 77);
    TReader reader(&stream);
    reader.ReadRootComponent(&copy);
    EXPECT_EQ(copy.Width(), 120);
    EXPECT_EQ(copy.Height(), 77);
}

// --- reading, menus, tab order, actions ------------------------------------------------------------

// Notes whether the properties' handler was set while the stored size was read.
class TReadingEdit : public TParentingEdit {
public:
    VZ_CLASS(TReadingEdit, TParentingEdit)
    using TParentingEdit::TParentingEdit;
    int readsWithHandler = 0, reads = 0;
    void SetBounds(int left, int top, int width, int height) override {
        if (HasState(csReading)) {
            ++reads;
            if (OwnProperties()->ChangedHandler) ++readsWithHandler;
        }
        TParentingEdit::SetBounds(left, top, width, height);
    }
};

TEST_F(EditControlTest, ReadingTheStoredFormLeavesThePropertiesWithoutTheirHandler) {
    TReadingEdit source(nullptr);
    source.EnsureInitialized();
    source.SetAutoSize(false);
    source.SetBounds(0, 0, 90, 30);
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.WriteRootComponent(&source);
    stream.SetPosition(0);
    TReadingEdit copy(nullptr);
    copy.EnsureInitialized();
    copy.SetAutoSize(false);
    ASSERT_TRUE(copy.OwnProperties()->ChangedHandler);
    TReader reader(&stream);
    reader.ReadRootComponent(&copy);
    EXPECT_EQ(copy.reads, 2);
    EXPECT_EQ(copy.readsWithHandler, 0);
    EXPECT_TRUE(copy.OwnProperties()->ChangedHandler) << "set again once loaded";
}

TEST_F(EditControlTest, AnInplaceEditorKeepsMenuRequestsOverItsBorderFromItsHost) {
    for (bool inplace : {false, true}) {
        SCOPED_TRACE(inplace ? "inplace" : "standalone");
        Make(inplace);
        edit->SetVisible(true);
        int hostMenus = 0;
        form.OnContextPopup = [&hostMenus](TObject*, TPoint, bool& handled) {
            ++hostMenus;
            handled = true;
        };
        // A request from a point of the host outside the editor.
        const TPoint outside = form.ClientToScreen(TPoint{300, 300});
        SendMessageA(edit->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit->Handle()),
                     PointParam(outside.x, outside.y));
        EXPECT_EQ(hostMenus, inplace ? 0 : 1);
        form.OnContextPopup = nullptr;
        edit.reset();
    }
}

TEST_F(EditControlTest, AShownInplaceEditorTakesItsHostOutOfTheTabOrder) {
    TCustomControl host(nullptr);
    host.SetBounds(0, 0, 200, 60);
    host.SetTabStop(true);
    host.SetParent(&form);
    auto inplace = std::make_unique<TControlTestEdit>(nullptr, true);
    inplace->EnsureInitialized();
    inplace->SetParent(&host);
    struct Step {
        const char* name;
        bool visible;
        bool hostListed;
    } steps[] = {{"shown", true, false}, {"hidden", false, true}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        inplace->SetVisible(step.visible);
        std::vector<TWinControl*> list;
        form.GetTabOrderList(list);
        EXPECT_EQ(std::count(list.begin(), list.end(), &host) == 1, step.hostListed);
    }
    inplace.reset();
}

// A binding that handles the actions named "bound".
class TActionBinding : public TTestSlotBinding {
public:
    VZ_CLASS(TActionBinding, TTestSlotBinding)
    static inline TObject* handled = nullptr;
    bool HandleExecuteAction(TObject* action) override { return action == handled; }
    bool HandleUpdateAction(TObject* action) override { return action == handled; }
};

class TActionEdit : public TControlTestEdit {
public:
    VZ_CLASS(TActionEdit, TControlTestEdit)
    using TControlTestEdit::TControlTestEdit;

protected:
    TClass DataBindingClass() override { return TActionBinding::StaticClass(); }
};

TEST_F(EditControlTest, ActionsTheControlLeavesGoToTheBinding) {
    TActionEdit actionEdit(nullptr);
    actionEdit.EnsureInitialized();
    TObject bound, other;
    TActionBinding::handled = &bound;
    EXPECT_TRUE(actionEdit.ExecuteAction(&bound));
    EXPECT_TRUE(actionEdit.UpdateAction(&bound));
    EXPECT_FALSE(actionEdit.ExecuteAction(&other));
    EXPECT_FALSE(actionEdit.UpdateAction(&other));
    TActionBinding::handled = nullptr;
}

} // namespace

namespace {

// --- skin colours ------------------------------------------------------------------------------------

TEST_F(EditControlTest, ASkinnedEditorShowsTheSkinsBackgroundUnlessItsColourIsAssigned) {
    constexpr COLORREF Assigned = RGB(10, 200, 30);
    struct Case {
        const char* name;
        bool assignColor;
        bool enabled;
        bool unlikeUnskinned; // the skin's colour differs from the unskinned editor's (every skin's editors are white)
    } cases[] = {{"skin colour", false, true, false},
                 {"disabled skin colour", false, false, true},
                 {"assigned colour", true, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make(false);
        edit->fakeButtons = false;
        edit->Style()->LookAndFeel().SetSkinName("Black");
        if (c.assignColor) edit->Style()->SetColor(static_cast<TColor>(Assigned));
        edit->SetEnabled(c.enabled);
        edit->RefreshAtPoint(TPoint{-1, -1}, 0, TShiftState{}, false);
        TcxCustomEditViewInfo* info = edit->EditViewInfo();
        ASSERT_NE(info->SkinPainter, nullptr);
        const COLORREF skin = ColorToRGB(info->SkinPainter->GetEditorBackColor(!c.enabled)) & 0xFFFFFF;
        const COLORREF wanted = c.assignColor ? Assigned : skin;
        TPaintSurface surface(120, 24, Backdrop);
        SendMessageA(edit->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(surface.DC()), 0);
        const TRect client = info->ContentRect;
        EXPECT_TRUE(surface.AllOf(client, wanted));
        // The same editor without the skin.
        edit->Style()->LookAndFeel().SetSkinName("");
        edit->RefreshAtPoint(TPoint{-1, -1}, 0, TShiftState{}, false);
        surface.Clear(Backdrop);
        SendMessageA(edit->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(surface.DC()), 0);
        if (c.unlikeUnskinned) EXPECT_FALSE(surface.AllOf(client, skin));
        edit.reset();
    }
}

} // namespace
