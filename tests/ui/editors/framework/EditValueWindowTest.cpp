// The base editor's value model on a real form: test editors that show their display value as a
// string, a neighbour that takes the focus, keys sent to the focused window, and the application's
// error report recording what reaches the window-procedure boundary.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/core/ControlWindows.h"
#include "tests/ui/core/KeyHeld.h"
#include "tests/ui/editors/framework/TestSlotBinding.h"
#include "ui/editors/framework/Edit.h"
#include "ui/editors/framework/EditButtons.h"
#include "ui/editors/framework/EditRepository.h"

namespace {

Variant Str(const char* s) {
    return Variant(AnsiString(s));
}

// Settings whose answers a test chooses.
class TTestEditProperties : public TcxCustomEditProperties {
public:
    VZ_CLASS(TTestEditProperties, TcxCustomEditProperties)
    using TcxCustomEditProperties::TcxCustomEditProperties;
    bool compares = true;
    bool tracks = false;
    bool remembers = true;
    bool validates = true;
    bool keepsTab = false;
    bool KeepsTabKey() override { return keepsTab; }
    bool NeedsValidation() override { return validates; }
    bool ComparesEditValues() override { return compares; }
    bool TracksDisplayChanges() override { return tracks; }
    bool RemembersEntryValue() override { return remembers; }
};

// Properties of another family: not acceptable to the test editor.
class TOtherProperties : public TcxCustomEditProperties {
public:
    VZ_CLASS(TOtherProperties, TcxCustomEditProperties)
    using TcxCustomEditProperties::TcxCustomEditProperties;
};

class TTestItem : public TcxEditRepositoryItem {
public:
    VZ_CLASS(TTestItem, TcxEditRepositoryItem)
    explicit TTestItem(TComponent* owner = nullptr) : TcxEditRepositoryItem(owner) {}
    TClass GetPropertiesClass() const override { return TTestEditProperties::StaticClass(); }
};

class TOtherItem : public TcxEditRepositoryItem {
public:
    VZ_CLASS(TOtherItem, TcxEditRepositoryItem)
    explicit TOtherItem(TComponent* owner = nullptr) : TcxEditRepositoryItem(owner) {}
    TClass GetPropertiesClass() const override { return TOtherProperties::StaticClass(); }
};

// An editor that shows its value as text: typed characters append to the text, Backspace takes
// the last one off, and the text becomes the edit value on commit.
class TTestEdit : public TcxCustomEdit {
public:
    VZ_CLASS(TTestEdit, TcxCustomEdit)
    TTestEdit(TComponent* owner, bool isInplace) : TcxCustomEdit(owner, isInplace) {}
    explicit TTestEdit(TComponent* owner = nullptr) : TcxCustomEdit(owner, false) {}
    ~TTestEdit() override { Destroying(); }

    TTestEditProperties* TestProperties() { return static_cast<TTestEditProperties*>(OwnProperties()); }
    std::string text;
    int selectAlls = 0;
    int pastes = 0;
    Variant pasteValue = Str("pasted");
    int clicks = 0;
    bool slotBinding = false;

    AnsiString ReadDisplayText() override { return text; }
    void WriteDisplayValue(const Variant& value) override { text = value.IsNull() ? "" : value.AsAnsiString(); }
    void SyncDisplayFromValue() override {
        Variant display;
        ConvertEditToDisplay(EditValue(), display, IsFocusedForConversion());
        WriteDisplayValue(display);
    }
    void SelectAllContent() override { ++selectAlls; }
    void PasteClipboardText() override {
        ++pastes;
        AssignEditValue(pasteValue);
    }
    void ClickDefaultButton() override { ++clicks; }
    using TcxCustomEdit::HandleInnerEditChange;
    using TcxCustomEdit::StoreEditValue;

protected:
    TClass PropertiesClass() override { return TTestEditProperties::StaticClass(); }
    TClass DataBindingClass() override {
        return slotBinding ? TTestSlotBinding::StaticClass() : TcxEditDataBinding::StaticClass();
    }
    void ApplyDisplayValue(const Variant& displayValue) override { StoreEditValue(displayValue, false); }
    bool IsEditingChar(char ch) override { return static_cast<unsigned char>(ch) >= 32; }
    bool IsEditingKey(WORD key, TShiftState) override { return key == VK_DELETE; }
    bool HandleKeyPress(char& key) override {
        if (!TcxCustomEdit::HandleKeyPress(key)) return false;
        if (key == '\b') {
            if (!text.empty()) text.pop_back();
        } else if (static_cast<unsigned char>(key) >= 32) {
            text += key;
        } else {
            return true;
        }
        HandleInnerEditChange();
        return true;
    }
};

int beeps = 0;
void CountBeep() {
    ++beeps;
}

class EditValueTest : public testing::Test {
protected:
    THostForm form;
    std::unique_ptr<TTestEdit> edit;
    std::unique_ptr<TTestEdit> other; // the neighbour that takes the focus
    TTestValueSlot slot;
    std::vector<std::string> events;
    std::vector<std::string> errors;
    TcxEditBeepProc savedBeep = nullptr;

    void SetUp() override {
        beeps = 0;
        savedBeep = SetEditBeepProc(CountBeep);
        Application->OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        form.Show();
        SetActiveWindow(form.Handle());
        PumpMessages();
    }
    void TearDown() override {
        if (edit) {
            EXPECT_EQ(edit->ModifiedStateDepth(), 0);
        }
        edit.reset();
        other.reset();
        Application->OnException = nullptr;
        SetEditBeepProc(savedBeep);
    }
    TTestEdit* Make(bool inplace = false, bool bound = false) {
        edit = std::make_unique<TTestEdit>(nullptr, inplace);
        edit->slotBinding = bound;
        edit->EnsureInitialized();
        if (bound) static_cast<TTestSlotBinding*>(edit->DataBinding())->SetSlot(&slot);
        edit->SetBounds(10, 10, 120, 24);
        edit->SetParent(&form);
        edit->Handle();
        other = std::make_unique<TTestEdit>(nullptr, false);
        other->SetBounds(10, 50, 120, 24);
        other->SetParent(&form);
        other->Handle();
        TcxCustomEditProperties* p = edit->OwnProperties();
        p->OnChange = [this](TObject*) { events.push_back("change"); };
        p->OnEditValueChanged = [this](TObject*) { events.push_back("value"); };
        return edit.get();
    }
    void Key(WORD key) { SendMessageA(GetFocus(), WM_KEYDOWN, key, 0); }
    void Char(char ch) { SendMessageA(GetFocus(), WM_CHAR, static_cast<unsigned char>(ch), 0); }
    void Type(const char* s) {
        for (; *s; ++s) Char(*s);
    }
    // Sets an OnValidate that refuses texts other than digits.
    void DigitsOnly(const char* errorText = "Digits only") {
        edit->OwnProperties()->OnValidate = [errorText](TObject*, Variant& dv, AnsiString& text, bool& error) {
            const std::string s = dv.AsAnsiString();
            error = s.find_first_not_of("0123456789") != std::string::npos;
            if (error) text = errorText;
        };
    }
};

// --- stores ------------------------------------------------------------------------------------------

TEST_F(EditValueTest, StoresGiveEventsByCompareTrackAndUserAction) {
    struct Case {
        bool compares, tracks, user;
        Variant before, after;
        std::vector<std::string> events;
        bool modified;
    } cases[] = {
        // Equal for editing: 1 over 1.0 is no change, yet a program store still clears Modified.
        {true, false, false, Variant(1), Variant(1.0), {}, false},
        {true, false, false, Variant(1), Str("1"), {"value", "change"}, false},
        {true, false, false, Variant::Null(), Variant(5), {"value", "change"}, false},
        {true, true, false, Variant(1), Variant(2), {"value"}, false},
        // Without comparing, a store fires nothing.
        {false, false, false, Variant(1), Variant(2), {}, false},
        {false, true, false, Variant(1), Variant(2), {}, false},
        // A user command store marks the editor modified.
        {true, false, true, Variant(1), Variant(2), {"value", "change"}, true},
        {true, false, true, Variant(1), Variant(1), {}, true},
    };
    for (const Case& c : cases) {
        Make();
        edit->TestProperties()->compares = c.compares;
        edit->TestProperties()->tracks = c.tracks;
        edit->SetEditValue(c.before);
        edit->SetModified(true);
        events.clear();
        if (c.user) {
            // A paste is a user command: its store goes through edit mode and marks a change.
            edit->SetModified(false);
            edit->pasteValue = c.after;
            SendMessageA(edit->Handle(), WM_PASTE, 0, 0);
        } else {
            edit->SetEditValue(c.after);
        }
        EXPECT_EQ(events, c.events) << c.before.AsAnsiString() << " -> " << c.after.AsAnsiString();
        EXPECT_EQ(edit->Modified(), c.modified);
        EXPECT_TRUE(SameText(edit->EditValue().AsAnsiString(), c.after.AsAnsiString()));
        EXPECT_EQ(edit->ModifiedStateDepth(), 0);
        edit.reset();
        other.reset();
    }
}

TEST_F(EditValueTest, StoresUnderALockGiveOneChangeThenOneValueChange) {
    Make();
    for (bool fire : {true, false}) {
        events.clear();
        edit->LockChangeEvents(true);
        edit->LockChangeEvents(true);
        edit->SetEditValue(Variant(1));
        edit->SetEditValue(Variant(2));
        edit->LockChangeEvents(false);
        EXPECT_TRUE(events.empty()); // the inner unlock fires nothing
        edit->SetEditValue(Variant(fire ? 3 : 4));
        edit->LockChangeEvents(false, fire);
        const std::vector<std::string> expected =
            fire ? std::vector<std::string>{"change", "value"} : std::vector<std::string>{};
        EXPECT_EQ(events, expected);
    }
}

TEST_F(EditValueTest, OwnHandlersComeBeforeTheItemsAndTheItemsSettingsRule) {
    Make();
    TTestItem item;
    edit->SetRepositoryItem(&item);
    item.Properties()->OnChange = [this](TObject*) { events.push_back("item change"); };
    item.Properties()->OnEditValueChanged = [this](TObject*) { events.push_back("item value"); };
    events.clear();
    edit->SetEditValue(Variant(7));
    EXPECT_EQ(events, (std::vector<std::string>{"value", "item value", "change", "item change"}));
    // The item's settings are the ones in force: it does not compare, so nothing fires.
    static_cast<TTestEditProperties*>(item.Properties())->compares = false;
    events.clear();
    edit->SetEditValue(Variant(8));
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(edit->GetEffectiveProperties(), item.Properties());
    EXPECT_EQ(item.Properties()->DefaultValuesProvider(), edit->DataBinding()->QueryDefaultValuesProvider());
    EXPECT_EQ(edit->OwnProperties()->DefaultValuesProvider(), nullptr);
    TOtherItem otherItem;
    EXPECT_THROW(edit->SetRepositoryItem(&otherItem), EcxEditError);
    EXPECT_EQ(edit->RepositoryItem(), &item);
    edit->SetRepositoryItem(nullptr);
    EXPECT_EQ(edit->OwnProperties()->DefaultValuesProvider(), edit->DataBinding()->QueryDefaultValuesProvider());
}

TEST_F(EditValueTest, AfterTheItemIsFreedOwnPropertyChangesReachTheEditorAgain) {
    Make();
    auto item = std::make_unique<TTestItem>();
    edit->SetRepositoryItem(item.get());
    edit->SetModified(true);
    item.reset();
    EXPECT_EQ(edit->RepositoryItem(), nullptr);
    EXPECT_EQ(edit->GetEffectiveProperties(), edit->OwnProperties());
    EXPECT_EQ(edit->OwnProperties()->DefaultValuesProvider(), edit->DataBinding()->QueryDefaultValuesProvider());
    // A read-only change of the own settings reaches the editor: a modified editor stops being so.
    edit->OwnProperties()->SetReadOnly(true);
    EXPECT_FALSE(edit->Modified());
}

// --- keys -------------------------------------------------------------------------------------------

TEST_F(EditValueTest, ClearKeyEmptiesTheValueAndMarksItModifiedAndValidated) {
    Make();
    std::vector<WORD> reached;
    edit->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { reached.push_back(key); };
    edit->SetEditValue(Str("12"));
    edit->SetFocus();
    Key(VK_DELETE); // ClearKey 0 matches nothing
    EXPECT_EQ(edit->EditValue().AsAnsiString(), "12");
    edit->OwnProperties()->ClearKey = VK_DELETE;
    Key(VK_DELETE);
    EXPECT_TRUE(edit->EditValue().IsNull());
    EXPECT_TRUE(edit->Modified());
    EXPECT_TRUE(edit->Validated());
    EXPECT_EQ(reached, (std::vector<WORD>{VK_DELETE, VK_DELETE})); // OnKeyDown comes first
}

TEST_F(EditValueTest, ClickShortCutClicksTheDefaultButtonOnlyWhenThereIsOne) {
    Make();
    int keyDowns = 0;
    edit->OnKeyDown = [&](TObject*, WORD&, TShiftState) { ++keyDowns; };
    edit->SetFocus();
    TKeyHeld ctrl(VK_CONTROL);
    Key(VK_RETURN);
    EXPECT_EQ(edit->clicks, 0);
    EXPECT_EQ(keyDowns, 1);
    edit->OwnProperties()->Buttons()->Add();
    static_cast<TcxEditButton*>(edit->OwnProperties()->Buttons()->Items(0))->SetDefault(true);
    PostMessageA(edit->Handle(), WM_CHAR, 'q', 0);
    Key(VK_RETURN);
    EXPECT_EQ(edit->clicks, 1);
    EXPECT_EQ(keyDowns, 1); // the click key does not reach OnKeyDown
    PumpMessages();
    EXPECT_EQ(edit->text, ""); // its pending character was taken off the queue
}

TEST_F(EditValueTest, EscapeRestoresTheEntryValueAndSwallowsItsCharacter) {
    Make();
    std::string pressed;
    edit->OnKeyPress = [&](TObject*, char& key) { pressed += key; };
    edit->SetEditValue(Str("12"));
    edit->SetFocus();
    // Not modified: Escape is an ordinary key and its character reaches OnKeyPress.
    Key(VK_ESCAPE);
    Char('\x1b');
    EXPECT_EQ(pressed, "\x1b");
    Type("3");
    EXPECT_EQ(edit->text, "123");
    EXPECT_TRUE(edit->Modified());
    Key(VK_ESCAPE);
    Char('\x1b');
    EXPECT_EQ(pressed, "\x1b"
                       "3");
    EXPECT_EQ(edit->text, "12");
    EXPECT_EQ(edit->EditValue().AsAnsiString(), "12");
    EXPECT_FALSE(edit->Modified());
    EXPECT_TRUE(edit->ChangedSinceEnter());
    EXPECT_EQ(edit->selectAlls, 1);
}

TEST_F(EditValueTest, ArrowKeysGoToTheHostAndEnterWaitsForValidateOnEnter) {
    Make();
    std::vector<WORD> hosted;
    edit->HostKeyHandler = [&](TObject*, WORD& key, TShiftState) { hosted.push_back(key); };
    edit->SetFocus();
    for (WORD key : {VK_PRIOR, VK_HOME, VK_LEFT, VK_DOWN}) Key(key);
    Key(VK_F5);
    EXPECT_EQ(hosted, (std::vector<WORD>{VK_PRIOR, VK_HOME, VK_LEFT, VK_DOWN}));
    DigitsOnly();
    Type("x");
    Key(VK_RETURN); // ValidateOnEnter is off: nothing is validated
    EXPECT_TRUE(errors.empty());
    EXPECT_FALSE(edit->Validated());
    edit->OwnProperties()->ValidateOnEnter = true;
    Key(VK_RETURN);
    EXPECT_EQ(errors, (std::vector<std::string>{"Digits only"}));
    Char('\b');
    Type("5");
    Key(VK_RETURN);
    EXPECT_TRUE(edit->Validated());
    EXPECT_EQ(edit->EditValue().AsAnsiString(), "5");
}

// --- validation and exit -----------------------------------------------------------------------------

TEST_F(EditValueTest, ValidationOnlyRunsForAModifiedEditor) {
    Make();
    int calls = 0;
    edit->OwnProperties()->OnValidate = [&](TObject*, Variant&, AnsiString&, bool&) { ++calls; };
    EXPECT_TRUE(edit->ValidateValue(true));
    EXPECT_EQ(calls, 0);
    edit->SetModified(true);
    EXPECT_TRUE(edit->ValidateValue(true));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(edit->ValidateValue(true)); // validated since the change
    EXPECT_EQ(calls, 1);
}

TEST_F(EditValueTest, AHandlerThatChangesTheTextAndSetsErrorShowsItSelectsItAndRaises) {
    Make();
    edit->OwnProperties()->BeepOnError = true;
    edit->OwnProperties()->OnValidate = [](TObject*, Variant& dv, AnsiString& text, bool& error) {
        dv = Str("0");
        text = "Use a number";
        error = true;
    };
    edit->SetFocus();
    Type("ab");
    try {
        edit->ValidateValue(true);
        ADD_FAILURE() << "no error";
    } catch (const EcxEditValidationError& e) {
        EXPECT_STREQ(e.what(), "Use a number");
    }
    EXPECT_EQ(edit->text, "0");
    EXPECT_GE(edit->selectAlls, 1);
    EXPECT_EQ(beeps, 1);
    EXPECT_FALSE(edit->Validating());
    EXPECT_TRUE(edit->Modified());
    // Without raising, the changed text still shows and the answer is False.
    Type("c");
    EXPECT_FALSE(edit->ValidateValue(false));
    EXPECT_EQ(edit->text, "0");
    // A handler that empties the error text makes the error silent.
    edit->OwnProperties()->OnValidate = [](TObject*, Variant&, AnsiString& text, bool& error) {
        text.clear();
        error = true;
    };
    EXPECT_THROW(edit->ValidateValue(true), EAbort);
}

TEST_F(EditValueTest, TabOutOfAnInvalidEditorKeepsTheFocusAndReportsTheError) {
    Make();
    DigitsOnly();
    int exits = 0;
    edit->OnExit = [&](TObject*) { ++exits; };
    edit->SetFocus();
    Type("4x");
    Key(VK_TAB);
    EXPECT_EQ(GetFocus(), edit->Handle());
    EXPECT_EQ(errors, (std::vector<std::string>{"Digits only"}));
    EXPECT_EQ(exits, 0);
    EXPECT_TRUE(edit->Modified());
    EXPECT_EQ(edit->text, "4x");
    // Mended, the exit goes through, commits the text and ends not modified.
    Char('\b');
    events.clear();
    Key(VK_TAB);
    EXPECT_EQ(GetFocus(), other->Handle());
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(edit->Modified());
    EXPECT_EQ(edit->EditValue().AsAnsiString(), "4");
    // Caught while the exit ran, fired once at its end: OnChange first.
    EXPECT_EQ(events, (std::vector<std::string>{"change", "value"}));
}

TEST_F(EditValueTest, EnteringStartsNotModifiedAndRemembersTheEntryValue) {
    Make();
    int enters = 0;
    edit->OnEnter = [&](TObject*) { ++enters; };
    edit->SetEditValue(Str("9"));
    edit->SetModified(true);
    edit->SetFocus();
    EXPECT_EQ(enters, 1);
    EXPECT_FALSE(edit->Modified());
    EXPECT_EQ(edit->PrevEditValue().AsAnsiString(), "9");
    EXPECT_EQ(edit->text, "9");
}

TEST_F(EditValueTest, RaisingHandlersLeaveTheModifiedStackEmpty) {
    Make(true);
    edit->OwnProperties()->OnChange = [](TObject*) { throw Exception("change failed"); };
    edit->OwnProperties()->OnEditValueChanged = [](TObject*) { throw Exception("value failed"); };
    EXPECT_THROW(edit->SetEditValue(Variant(1)), Exception);
    EXPECT_EQ(edit->ModifiedStateDepth(), 0);
    // The inplace editor's own pushes around its events are undone too.
    EXPECT_FALSE(edit->Modified());
    edit->OwnProperties()->OnEditValueChanged = nullptr;
    EXPECT_THROW(edit->SetEditValue(Variant(2)), Exception);
    EXPECT_EQ(edit->ModifiedStateDepth(), 0);
    EXPECT_FALSE(edit->Modified());
}

// --- posting ----------------------------------------------------------------------------------------

TEST_F(EditValueTest, AFailingWriteOrHostHandlerRefocusesBeepsOnceAndPropagates) {
    for (bool inplace : {false, true}) {
        Make(inplace, !inplace);
        edit->OwnProperties()->BeepOnError = true;
        edit->HostPostHandler = [](TObject*) { throw Exception("host refused"); };
        // The standalone editor's slot stays out of edit mode: its write fails.
        slot.state = TTestValueSlot::Browsing;
        other->SetFocus();
        edit->SetEditValue(Str("1"));
        edit->SetModified(true);
        beeps = 0;
        EXPECT_THROW(edit->PostValue(false), Exception) << inplace;
        EXPECT_EQ(GetFocus(), edit->Handle()) << inplace;
        EXPECT_EQ(beeps, 1) << inplace;
        EXPECT_TRUE(edit->Modified()) << inplace;
        EXPECT_EQ(edit->EditValue().AsAnsiString(), "1");
        EXPECT_FALSE(edit->Posting());
        EXPECT_TRUE(slot.writes.empty());
        edit.reset();
        other.reset();
    }
}

TEST_F(EditValueTest, AnInplaceHostsSilentAbortStaysSilent) {
    Make(true);
    edit->OwnProperties()->BeepOnError = true;
    edit->HostPostHandler = [](TObject*) { throw EAbort(""); };
    edit->SetModified(true);
    EXPECT_THROW(edit->PostValue(false), EAbort);
    EXPECT_EQ(beeps, 0);
    EXPECT_TRUE(edit->Modified());
    // A host that takes the value clears the inplace editor's change.
    int posts = 0;
    edit->HostPostHandler = [&](TObject*) { ++posts; };
    edit->PostValue(false);
    EXPECT_EQ(posts, 1);
    EXPECT_FALSE(edit->Modified());
    EXPECT_FALSE(edit->ChangedSinceEnter());
}

// --- binding ----------------------------------------------------------------------------------------

TEST_F(EditValueTest, EscapeRestoresTheBoundValueAndAValidExitWritesIt) {
    Make(false, true);
    slot.value = Str("stored");
    edit->SetEditValue(slot.value);
    edit->SetFocus();
    Type("!");
    EXPECT_EQ(slot.state, TTestValueSlot::Editing);
    edit->SetEditValue(Str("other")); // a program store in between does not touch the slot
    edit->SetModified(true);
    Key(VK_ESCAPE);
    EXPECT_EQ(edit->text, "stored");
    Type("2");
    Key(VK_TAB);
    EXPECT_EQ(GetFocus(), other->Handle());
    ASSERT_EQ(slot.writes.size(), 1u);
    EXPECT_EQ(slot.writes[0].AsAnsiString(), "stored2");
    EXPECT_FALSE(edit->Modified());
}

TEST_F(EditValueTest, AReadOnlyBindingDropsCharactersAndAClosedOneIgnoresPaste) {
    Make(false, true);
    slot.readOnly = true;
    edit->SetFocus();
    Type("ab");
    EXPECT_EQ(edit->text, "");
    EXPECT_FALSE(edit->Modified());
    slot.readOnly = false;
    slot.state = TTestValueSlot::Closed;
    SendMessageA(edit->Handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(edit->pastes, 0);
    slot.state = TTestValueSlot::Browsing;
    SendMessageA(edit->Handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(edit->pastes, 1);
    EXPECT_EQ(edit->EditValue().AsAnsiString(), "pasted");
    EXPECT_TRUE(edit->Modified());
    EXPECT_EQ(slot.state, TTestValueSlot::Editing);
}

} // namespace

namespace {

// --- edit mode refused ----------------------------------------------------------------------------

TEST_F(EditValueTest, WhenEditingIsRefusedCharactersDropEditingKeysGoToTheHostAndCommandsStoreNothing) {
    for (bool inplace : {false, true}) {
        Make(inplace);
        int asked = 0;
        int lockDuringAsk = -1;
        edit->OnEditing = [&](TObject*, bool& canEdit) {
            ++asked;
            lockDuringAsk = edit->UpdateLockCount();
            EXPECT_TRUE(edit->EditingCheckActive());
            canEdit = false;
        };
        std::vector<WORD> hosted;
        edit->HostKeyHandler = [&](TObject*, WORD& key, TShiftState) { hosted.push_back(key); };
        edit->SetEditValue(Str("7"));
        edit->SetFocus();
        Type("a");
        EXPECT_EQ(edit->text, "7") << inplace;
        Key(VK_DELETE); // an editing key
        EXPECT_EQ(hosted, std::vector<WORD>{VK_DELETE}) << inplace;
        SendMessageA(edit->Handle(), WM_PASTE, 0, 0);
        EXPECT_EQ(edit->EditValue().AsAnsiString(), "7") << inplace;
        EXPECT_FALSE(edit->Modified()) << inplace;
        EXPECT_EQ(asked, 3) << inplace;
        // An inplace editor takes no values while its host is asked.
        EXPECT_EQ(lockDuringAsk, inplace ? 1 : 0) << inplace;
        EXPECT_FALSE(edit->EditingCheckActive());
        EXPECT_EQ(edit->UpdateLockCount(), 0);
        edit.reset();
        other.reset();
    }
}

TEST_F(EditValueTest, CutCopiesInsteadWhenTheValueIsReadOnly) {
    struct TCutEdit : TTestEdit {
        std::vector<std::string> log;
        void CopySelectionToClipboard() override { log.push_back(UserAction() ? "copy by user" : "copy"); }
        void CutSelectionToClipboard() override { log.push_back(UserAction() ? "cut by user" : "cut"); }
    };
    auto cut = std::make_unique<TCutEdit>();
    cut->SetBounds(10, 10, 100, 20);
    cut->SetParent(&form);
    SendMessageA(cut->Handle(), WM_CUT, 0, 0);
    SendMessageA(cut->Handle(), WM_COPY, 0, 0);
    cut->OwnProperties()->SetReadOnly(true);
    SendMessageA(cut->Handle(), WM_CUT, 0, 0);
    EXPECT_EQ(cut->log, (std::vector<std::string>{"cut by user", "copy", "copy by user"}));
    EXPECT_FALSE(cut->UserAction());
}

TEST_F(EditValueTest, AnInplaceEditorWantsEveryKeyAndDoesNotPostOnExit) {
    for (bool inplace : {false, true}) {
        Make(inplace);
        const LRESULT code = SendMessageA(edit->Handle(), WM_GETDLGCODE, 0, 0);
        const LRESULT all = DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTTAB;
        EXPECT_EQ(code & all, inplace ? all : 0) << inplace;
        int posts = 0;
        edit->HostPostHandler = [&](TObject*) { ++posts; };
        edit->SetFocus();
        Type("5");
        other->SetFocus();
        EXPECT_EQ(posts, 0) << inplace; // the host posts an inplace value itself
        EXPECT_FALSE(edit->Modified()) << inplace;
        EXPECT_EQ(edit->EditValue().AsAnsiString(), "5") << inplace;
        edit.reset();
        other.reset();
    }
}

TEST_F(EditValueTest, TheValueToPostComesFromTheDisplayOnlyWhileFocusedModifiedAndUnvalidated) {
    struct TDisplayEdit : TTestEdit {
        Variant GetValueFromDisplay() override { return Variant(AnsiString("from display")); }
    };
    auto shown = std::make_unique<TDisplayEdit>();
    shown->SetBounds(10, 10, 100, 20);
    shown->SetParent(&form);
    shown->SetEditValue(Str("stored"));
    EXPECT_EQ(shown->GetValueToPost().AsAnsiString(), "stored");
    shown->SetFocus();
    Type("x");
    EXPECT_EQ(shown->GetValueToPost().AsAnsiString(), "from display");
    EXPECT_TRUE(shown->ValidateValue(true));
    EXPECT_EQ(shown->GetValueToPost().AsAnsiString(), "storedx");
}

TEST_F(EditValueTest, LeavingTheOnlyControlOfAFormForAnotherWindowOfItValidatesQuietly) {
    // An editor alone on its form: a focus change that runs no exit processing still validates.
    THostForm single;
    single.Show();
    auto alone = std::make_unique<TTestEdit>();
    alone->SetBounds(10, 10, 100, 20);
    alone->SetParent(&single);
    alone->OwnProperties()->OnValidate = [](TObject*, Variant& dv, AnsiString&, bool& error) {
        error = true;
        dv = Str("fixed");
    };
    alone->SetFocus();
    Type("q");
    // The focus goes to a plain window of the same form, past the editor's exit.
    HWND plain = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 100, 50, 20, single.Handle(), nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ::SetFocus(plain);
    EXPECT_EQ(alone->text, "fixed");
    EXPECT_TRUE(alone->Modified());
    EXPECT_FALSE(alone->Validated());
    DestroyWindow(plain);
    alone.reset();
}

} // namespace

namespace {

TEST_F(EditValueTest, ChangedPropertiesUnvalidateDropAReadOnlyModificationAndPassTransparency) {
    Make();
    edit->SetFocus();
    Type("1");
    ASSERT_TRUE(edit->ValidateValue(true));
    ASSERT_TRUE(edit->Modified());
    edit->OwnProperties()->SetTransparent(true);
    EXPECT_FALSE(edit->Validated());
    EXPECT_TRUE(edit->Modified());
    EXPECT_TRUE(edit->Transparent());
    edit->OwnProperties()->SetReadOnly(true);
    EXPECT_FALSE(edit->Modified());
}

TEST_F(EditValueTest, EscapeWithImmediatePostWritesTheRestoredValueBack) {
    Make(false, true);
    slot.value = Str("kept");
    edit->OwnProperties()->ImmediatePost = true;
    edit->SetEditValue(slot.value);
    edit->SetFocus();
    Type("z");
    Key(VK_ESCAPE);
    EXPECT_EQ(edit->text, "kept");
    ASSERT_EQ(slot.writes.size(), 1u);
    EXPECT_EQ(slot.writes[0].AsAnsiString(), "kept");
}

} // namespace

namespace {

TEST_F(EditValueTest, AFailedPostOnEnterStillFiresTheCaughtEventsAndReportsThePostError) {
    Make(false, true);
    edit->OwnProperties()->ValidateOnEnter = true;
    edit->OwnProperties()->OnChange = [this](TObject*) {
        events.push_back("change");
        throw Exception("change handler failed");
    };
    edit->SetFocus();
    Type("8"); // its OnChange already raises once
    events.clear();
    errors.clear();
    slot.state = TTestValueSlot::Browsing; // the slot left edit mode: the write fails
    Key(VK_RETURN);
    // The caught OnChange fires; its error gives way to the post's, which reaches the report.
    EXPECT_EQ(events, std::vector<std::string>{"change"});
    EXPECT_EQ(errors, (std::vector<std::string>{"The slot is not in edit mode"}));
    EXPECT_EQ(GetFocus(), edit->Handle());
    EXPECT_EQ(edit->EditValue().AsAnsiString(), "8");
    EXPECT_TRUE(edit->Modified());
}

} // namespace

namespace {

TEST_F(EditValueTest, TabLeavesUnlessTheSettingsKeepItOrTheHostTakesIt) {
    struct Case {
        bool keepsTab, hostTakesIt;
        bool leaves;
        int hostCalls;
    } cases[] = {
        {false, false, true, 1},
        {false, true, false, 1},
        {true, false, false, 0},
    };
    for (const Case& c : cases) {
        Make();
        edit->TestProperties()->keepsTab = c.keepsTab;
        int hostCalls = 0;
        edit->HostKeyHandler = [&](TObject*, WORD& key, TShiftState) {
            ++hostCalls;
            if (c.hostTakesIt) key = 0;
        };
        edit->SetFocus();
        Key(VK_TAB);
        EXPECT_EQ(GetFocus(), c.leaves ? other->Handle() : edit->Handle()) << c.keepsTab << c.hostTakesIt;
        EXPECT_EQ(hostCalls, c.hostCalls) << c.keepsTab << c.hostTakesIt;
        edit.reset();
        other.reset();
    }
}

} // namespace
