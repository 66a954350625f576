// The text editor on a real form: keys and characters through its edit box (the system's EDIT
// window, which counts characters where the editor counts bytes), IME characters and posted
// double-byte pairs, the maximum length, the clipboard, window-text messages, dialog keys, the
// alignment switch while editing, and lookup typing through the control.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "ClipboardText.h"
#include "tests/ui/core/ControlWindows.h"
#include "tests/ui/core/PaintSurface.h"
#include "tests/ui/editors/StyledTextProperties.h"
#include "ui/editors/TextEdit.h"

namespace {

// Records what reaches the system control's own handling.
class TLoggingInnerEdit : public TcxCustomInnerTextEdit {
public:
    VZ_CLASS(TLoggingInnerEdit, TcxCustomInnerTextEdit)
    explicit TLoggingInnerEdit(TComponent* owner = nullptr) : TcxCustomInnerTextEdit(owner) {}
    std::vector<UINT> nativeChars; // WM_CHAR codes the control got

protected:
    LRESULT Native(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CHAR) nativeChars.push_back(static_cast<UINT>(wParam));
        return TcxCustomInnerTextEdit::Native(message, wParam, lParam);
    }
};

class TTestTextEdit : public TcxTextEdit {
public:
    VZ_CLASS(TTestTextEdit, TcxTextEdit)
    using TcxTextEdit::TcxTextEdit;
    TLoggingInnerEdit* Logging() { return static_cast<TLoggingInnerEdit*>(InnerTextEditControl()); }
    void SetEditingStyle(TcxTextEditingStyle style) { static_cast<TStyledTextProperties*>(Properties())->Editing = style; }
    // As the drop-down editors: the navigation keys and the wheel move through the items.
    bool navigates = false;
    bool CanNavigateLookup(bool) override { return navigates; }

protected:
    TClass InnerEditClass() override { return TLoggingInnerEdit::StaticClass(); }
    // The list styles come with list editors: tests choose the style.
    TClass PropertiesClass() override { return TStyledTextProperties::StaticClass(); }
};

// CP936 bytes of the characters the tests type.
constexpr BYTE zhong[] = {0xD6, 0xD0}; // 中
constexpr BYTE wen[] = {0xCE, 0xC4};   // 文
constexpr BYTE guo[] = {0xB9, 0xFA};   // 国
constexpr BYTE luan[] = {0x8A, 0x61};  // 奱: its trail byte is "a"

AnsiString ClipboardText() {
    AnsiString text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// The keyboard state GetKeyState answers while the scope lasts.
class TKeysDown {
public:
    explicit TKeysDown(std::initializer_list<int> keys) {
        GetKeyboardState(saved_);
        BYTE state[256];
        std::memcpy(state, saved_, sizeof state);
        state[VK_SHIFT] = state[VK_CONTROL] = 0;
        for (int key : keys) state[key] = 0x80;
        SetKeyboardState(state);
    }
    ~TKeysDown() { SetKeyboardState(saved_); }

private:
    BYTE saved_[256];
};

class TextEditWindowTest : public testing::Test {
public:
    THostForm form;
    std::unique_ptr<TTestTextEdit> edit;
    std::unique_ptr<TTestTextEdit> other; // takes the focus away

    void SetUp() override {
        form.Show();
        SetActiveWindow(form.Handle());
        PumpMessages();
        edit = Make(10, false);
        other = Make(50, false);
        Focus(edit.get());
    }
    void TearDown() override {
        edit.reset();
        other.reset();
    }
    std::unique_ptr<TTestTextEdit> Make(int top, bool inplace) {
        std::unique_ptr<TTestTextEdit> made = TcxCustomEdit::CreateWithMode<TTestTextEdit>(nullptr, inplace);
        made->SetBounds(10, top, 150, 24);
        made->SetParent(&form);
        made->Handle();
        return made;
    }
    void Focus(TcxCustomTextEdit* target) {
        target->InnerTextEditControl()->SetFocus();
        PumpMessages();
    }
    HWND Inner() { return edit->InnerTextEditControl()->Handle(); }
    void Key(WORD key, bool shift = false, bool ctrl = false) {
        TKeysDown state(shift && ctrl ? std::initializer_list<int>{VK_SHIFT, VK_CONTROL}
                        : shift       ? std::initializer_list<int>{VK_SHIFT}
                        : ctrl        ? std::initializer_list<int>{VK_CONTROL}
                                      : std::initializer_list<int>{});
        SendMessageA(Inner(), WM_KEYDOWN, key, 1);
        if (key == VK_BACK) SendMessageA(Inner(), WM_CHAR, '\b', 1);
        SendMessageA(Inner(), WM_KEYUP, key, 0xC0000001);
    }
    void Char(char ch) { SendMessageA(Inner(), WM_CHAR, static_cast<BYTE>(ch), 1); }
    void ImeChar(const BYTE (&ch)[2]) {
        PostMessageA(Inner(), WM_IME_CHAR, static_cast<WPARAM>(ch[0] << 8 | ch[1]), 1);
        PumpMessages();
    }
    void PostedPair(const BYTE (&ch)[2]) {
        PostMessageA(Inner(), WM_CHAR, ch[0], 1);
        PostMessageA(Inner(), WM_CHAR, ch[1], 1);
        PumpMessages();
    }
    void SentPair(const BYTE (&ch)[2]) {
        SendMessageA(Inner(), WM_CHAR, ch[0], 1);
        SendMessageA(Inner(), WM_CHAR, ch[1], 1);
    }
    void Show(const AnsiString& text, int selStart, int selLength = 0) {
        edit->SetText(text);
        edit->SetSelStart(selStart);
        edit->SetSelLength(selLength);
    }
};

AnsiString Cp936(std::initializer_list<const BYTE*> chars) {
    AnsiString text;
    for (const BYTE* ch : chars) text.append(reinterpret_cast<const char*>(ch), 2);
    return text;
}

// --- keys -----------------------------------------------------------------------------------------
TEST_F(TextEditWindowTest, CaretKeysMoveOverWholeCharacters) {
    const AnsiString text = "a" + Cp936({zhong}) + "b"; // a中b: 中 takes bytes 1 and 2
    struct Step {
        WORD key;
        bool shift;
        int selStart, selLength;
    };
    Show(text, 4);
    const Step steps[] = {
        {VK_LEFT, false, 3, 0}, {VK_LEFT, false, 1, 0},   {VK_RIGHT, false, 3, 0},
        {VK_LEFT, true, 1, 2},  {VK_RIGHT, false, 3, 0}, // a selection collapses to its end
        {VK_LEFT, true, 1, 2},  {VK_LEFT, false, 1, 0},  // ... or its start
        {VK_HOME, false, 0, 0}, {VK_END, false, 4, 0},
    };
    int index = 0;
    for (const Step& step : steps) {
        Key(step.key, step.shift);
        EXPECT_EQ(edit->Text(), text) << index;
        EXPECT_EQ(edit->SelStart(), step.selStart) << index;
        EXPECT_EQ(edit->SelLength(), step.selLength) << index;
        ++index;
    }
}

TEST_F(TextEditWindowTest, BackspaceAndDeleteTakeWholeCharacters) {
    const AnsiString text = "a" + Cp936({zhong}) + "b";
    const struct {
        WORD key;
        int caret;
        const char* result;
        int selStart;
    } cases[] = {
        {VK_BACK, 3, "ab", 1}, {VK_DELETE, 1, "ab", 1}, {VK_BACK, 1, "\xD6\xD0" "b", 0},
        {VK_DELETE, 3, "a\xD6\xD0", 3}, {VK_BACK, 0, "a\xD6\xD0" "b", 0}, {VK_DELETE, 4, "a\xD6\xD0" "b", 4},
    };
    for (const auto& c : cases) {
        Show(text, c.caret);
        Key(c.key);
        EXPECT_EQ(edit->Text(), c.result) << c.key << " at " << c.caret;
        EXPECT_EQ(edit->SelStart(), c.selStart) << c.key << " at " << c.caret;
        EXPECT_EQ(edit->SelLength(), 0);
    }
}

TEST_F(TextEditWindowTest, KeysThatChangeNothingGoToTheHost) {
    std::vector<WORD> hostKeys;
    edit->HostKeyHandler = [&](TObject*, WORD& key, TShiftState) { hostKeys.push_back(key); };
    Show("ab", 0);
    for (WORD key : {VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_LEFT, VK_HOME}) Key(key);
    EXPECT_EQ(hostKeys, (std::vector<WORD>{VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_LEFT, VK_HOME}));
    hostKeys.clear();
    Key(VK_RIGHT); // moves the caret: the control's own
    EXPECT_TRUE(hostKeys.empty());
    EXPECT_EQ(edit->SelStart(), 1);
    EXPECT_EQ(edit->Text(), "ab");
}

// --- double-byte input ------------------------------------------------------------------------------
TEST_F(TextEditWindowTest, ImeCharactersAndPairsGiveOneText) {
    const AnsiString expected = Cp936({zhong, wen});
    const struct {
        const char* way;
        void (TextEditWindowTest::*type)(const BYTE (&)[2]);
    } ways[] = {{"ime", &TextEditWindowTest::ImeChar},
                {"posted pair", &TextEditWindowTest::PostedPair},
                {"sent pair", &TextEditWindowTest::SentPair}};
    for (const auto& way : ways) {
        Show("", 0);
        (this->*way.type)(zhong);
        (this->*way.type)(wen);
        EXPECT_EQ(edit->Text(), expected) << way.way;
        EXPECT_EQ(edit->SelStart(), 4) << way.way;
        EXPECT_EQ(edit->SelLength(), 0) << way.way;
        // Both characters of each IME character arrived: nothing is pending any more.
        EXPECT_EQ(edit->InnerTextEditControl()->ImeCharsPending(), 0) << way.way;
        EXPECT_EQ(edit->InnerTextEdit()->GetPendingImeByte(), '\0') << way.way;
    }
}

TEST_F(TextEditWindowTest, WhileAnImeCharacterArrivesTheSelectionIsTheOneItFound) {
    Show("abc", 1, 1);
    // The character is announced but not yet delivered.
    SendMessageA(Inner(), WM_IME_CHAR, static_cast<WPARAM>(zhong[0] << 8 | zhong[1]), 1);
    EXPECT_EQ(edit->InnerTextEdit()->GetPendingImeByte(), static_cast<char>(zhong[1]));
    EXPECT_EQ(edit->InnerTextEdit()->GetSelStart(), 1);
    EXPECT_EQ(edit->InnerTextEdit()->GetSelLength(), 1);
    PumpMessages();
    EXPECT_EQ(edit->Text(), "a" + Cp936({zhong}) + "c");
    EXPECT_EQ(edit->SelStart(), 3);
}

TEST_F(TextEditWindowTest, MaxLengthCountsCharacters) {
    edit->Properties()->SetMaxLength(3);
    Show("", 0);
    ImeChar(zhong);
    ImeChar(wen);
    ImeChar(guo);
    EXPECT_EQ(edit->Text(), Cp936({zhong, wen, guo}));
    ImeChar(wen);
    PostedPair(wen);
    Char('x');
    EXPECT_EQ(edit->Text(), Cp936({zhong, wen, guo}));
    EXPECT_EQ(edit->SelStart(), 6);
}

// --- clipboard ----------------------------------------------------------------------------------------
TEST_F(TextEditWindowTest, PasteKeepsTheTextAfterTheSelectionWithinMaxLength) {
    for (bool focused : {true, false}) {
        Focus(focused ? edit.get() : other.get());
        edit->Properties()->SetMaxLength(5);
        Show("abcde", 1, 2);
        SetClipboardText("xyz");
        SendMessageA(Inner(), WM_PASTE, 0, 0);
        EXPECT_EQ(edit->Text(), "axyde") << focused;
        EXPECT_EQ(edit->SelStart(), 3) << focused;
        // No room at all: nothing changes.
        Show("abcde", 5);
        SendMessageA(Inner(), WM_PASTE, 0, 0);
        EXPECT_EQ(edit->Text(), "abcde") << focused;
        EXPECT_EQ(edit->SelStart(), 5) << focused;
        EXPECT_EQ(ClipboardText(), "xyz");
    }
}

TEST_F(TextEditWindowTest, CutAndCopyTakeTheSelection) {
    const AnsiString text = "a" + Cp936({zhong}) + "b";
    for (bool focused : {true, false}) {
        Focus(focused ? edit.get() : other.get());
        Show(text, 1, 2);
        SetClipboardText("");
        SendMessageA(Inner(), WM_COPY, 0, 0);
        EXPECT_EQ(ClipboardText(), Cp936({zhong})) << focused;
        EXPECT_EQ(edit->Text(), text);
        SetClipboardText("");
        SendMessageA(Inner(), WM_CUT, 0, 0);
        EXPECT_EQ(ClipboardText(), Cp936({zhong})) << focused;
        EXPECT_EQ(edit->Text(), "ab") << focused;
        EXPECT_EQ(edit->SelStart(), 1) << focused;
    }
}

TEST_F(TextEditWindowTest, ReadOnlyCutOnlyCopiesAndPasteDoesNothing) {
    edit->Properties()->SetReadOnly(true);
    Show("abc", 0, 2);
    SetClipboardText("");
    SendMessageA(Inner(), WM_CUT, 0, 0);
    EXPECT_EQ(ClipboardText(), "ab");
    EXPECT_EQ(edit->Text(), "abc");
    SendMessageA(Inner(), WM_PASTE, 0, 0);
    EXPECT_EQ(edit->Text(), "abc");
}

TEST_F(TextEditWindowTest, APasswordIsNeitherCopiedNorCut) {
    edit->Properties()->SetEchoMode(eemPassword);
    for (bool focused : {true, false}) {
        Focus(focused ? edit.get() : other.get());
        Show("secret", 0, 3);
        SetClipboardText("kept");
        SendMessageA(Inner(), WM_COPY, 0, 0);
        SendMessageA(Inner(), WM_CUT, 0, 0);
        EXPECT_EQ(ClipboardText(), "kept") << focused;
        EXPECT_EQ(edit->Text(), "secret") << focused;
    }
    // Pasting into it still works.
    Focus(edit.get());
    Show("secret", 6);
    SendMessageA(Inner(), WM_PASTE, 0, 0);
    EXPECT_EQ(edit->Text(), "secretkept");
}

TEST_F(TextEditWindowTest, ClearDeletesTheSelectionUnlessTheListRefusesTheRest) {
    Show("a" + Cp936({zhong}) + "b", 1, 2);
    SendMessageA(Inner(), WM_CLEAR, 0, 0);
    EXPECT_EQ(edit->Text(), "ab");
    EXPECT_EQ(edit->SelStart(), 1);
    edit->SetEditingStyle(tesListText);
    TStringList list;
    list.Add("apple");
    edit->Properties()->SetLookupItems(&list);
    Show("apple", 1, 2);
    SendMessageA(Inner(), WM_CLEAR, 0, 0); // "ale" is no item
    EXPECT_EQ(edit->Text(), "apple");
    Show("apple", 0, 5);
    SendMessageA(Inner(), WM_CLEAR, 0, 0); // an empty text is always taken
    EXPECT_EQ(edit->Text(), "");
}

// --- window text ----------------------------------------------------------------------------------------
TEST_F(TextEditWindowTest, WindowTextFitsSmallBuffersAtCharacterBoundaries) {
    edit->SetText("a" + Cp936({zhong}) + "b");
    EXPECT_EQ(SendMessageA(edit->Handle(), WM_GETTEXTLENGTH, 0, 0), 4);
    const struct {
        int size;
        const char* text;
    } cases[] = {{1, ""}, {2, "a"}, {3, "a"}, {4, "a\xD6\xD0"}, {5, "a\xD6\xD0" "b"}, {10, "a\xD6\xD0" "b"}};
    for (const auto& c : cases) {
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        const LRESULT copied = SendMessageA(edit->Handle(), WM_GETTEXT, static_cast<WPARAM>(c.size),
                                            reinterpret_cast<LPARAM>(buffer));
        EXPECT_EQ(copied, static_cast<LRESULT>(std::strlen(c.text))) << c.size;
        EXPECT_STREQ(buffer, c.text) << c.size;
        EXPECT_EQ(buffer[c.size], '#') << "nothing written past the buffer, size " << c.size;
    }
    char untouched = '#';
    EXPECT_EQ(SendMessageA(edit->Handle(), WM_GETTEXT, 0, reinterpret_cast<LPARAM>(&untouched)), 0);
    EXPECT_EQ(untouched, '#');
}

TEST_F(TextEditWindowTest, SetTextSetsTheValueAndAReentryGoesToTheDefaultHandler) {
    int nested = 0;
    LRESULT nestedResult = 0;
    edit->Properties()->OnChange = [&](TObject*) {
        if (nested++ == 0)
            nestedResult = SendMessageA(edit->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("inner"));
    };
    EXPECT_EQ(SendMessageA(edit->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("outer")), 1);
    EXPECT_EQ(edit->Text(), "outer");
    EXPECT_EQ(edit->EditValue().AsAnsiString(), "outer");
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(nestedResult, TRUE);
}

// --- dialog keys ------------------------------------------------------------------------------------------
TEST_F(TextEditWindowTest, DialogCodesAndTheKeysTheEditBoxSwallows) {
    std::unique_ptr<TTestTextEdit> inplace = Make(90, true);
    const struct {
        const char* name;
        bool inplace;
        bool beepOnEnter;
        bool dialogKey;
        char key;
        bool reachesControl;
    } cases[] = {
        {"standalone enter", false, true, false, '\r', true},
        {"standalone enter, no beep", false, false, false, '\r', false},
        {"standalone escape", false, true, false, '\x1b', true},
        {"standalone escape, no beep", false, false, false, '\x1b', true},
        {"dialog-key enter", false, true, true, '\r', false},
        // The editor drops the flag for Escape before it sees the key.
        {"dialog-key escape", false, true, true, '\x1b', true},
        {"inplace enter", true, true, false, '\r', false},
        {"inplace escape", true, true, false, '\x1b', false},
        {"standalone tab", false, true, false, '\t', false},
        {"inplace tab", true, true, false, '\t', false},
        {"letter", false, true, false, 'q', true},
    };
    for (const auto& c : cases) {
        TTestTextEdit* target = c.inplace ? inplace.get() : edit.get();
        target->BeepOnEnter = c.beepOnEnter;
        target->DialogKeyPending = c.dialogKey;
        TLoggingInnerEdit* inner = target->Logging();
        inner->nativeChars.clear();
        SendMessageA(inner->Handle(), WM_CHAR, static_cast<BYTE>(c.key), 1);
        const bool reached = !inner->nativeChars.empty() && inner->nativeChars.back() == static_cast<BYTE>(c.key);
        EXPECT_EQ(reached, c.reachesControl) << c.name;
        EXPECT_FALSE(target->DialogKeyPending) << c.name;
    }
    const LRESULT standalone = SendMessageA(edit->InnerTextEditControl()->Handle(), WM_GETDLGCODE, 0, 0);
    EXPECT_TRUE(standalone & DLGC_WANTCHARS);
    EXPECT_FALSE(standalone & DLGC_WANTALLKEYS);
    EXPECT_FALSE(standalone & DLGC_WANTTAB);
    const LRESULT cell = SendMessageA(inplace->InnerTextEditControl()->Handle(), WM_GETDLGCODE, 0, 0);
    EXPECT_TRUE(cell & DLGC_WANTCHARS);
    EXPECT_TRUE(cell & DLGC_WANTALLKEYS);
}

// --- alignment while editing ------------------------------------------------------------------------------
TEST_F(TextEditWindowTest, ARightAlignedEditorEditsLeftAlignedAndItsSwitchingClickStartsADoubleClick) {
    Focus(other.get());
    edit->Properties()->Alignment()->SetHorz(taRightJustify);
    edit->Properties()->SetUseLeftAlignmentOnEditing(true);
    TcxCustomInnerTextEdit* inner = edit->InnerTextEditControl();
    EXPECT_EQ(inner->Alignment(), taRightJustify);
    int doubleClicks = 0;
    edit->OnDblClick = [&](TObject*) { ++doubleClicks; };
    SendMouse(*inner, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    SendMouse(*inner, WM_LBUTTONUP, 5, 5);
    PumpMessages();
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(inner->Alignment(), taLeftJustify);
    EXPECT_TRUE(inner->ClickFocused());
    EXPECT_TRUE(inner->DblClickTimer()->Enabled());
    SendMouse(*inner, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    SendMouse(*inner, WM_LBUTTONUP, 5, 5);
    EXPECT_EQ(doubleClicks, 1);
    Focus(other.get());
    EXPECT_EQ(inner->Alignment(), taRightJustify);
    EXPECT_FALSE(inner->DblClickTimer()->Enabled());
}

TEST_F(TextEditWindowTest, TheEditBoxSitsAtTheTopCentreOrBottomOfATallEditor) {
    edit->SetAutoSize(false);
    edit->SetBounds(10, 10, 150, 60);
    TcxCustomInnerTextEdit* inner = edit->InnerTextEditControl();
    std::vector<TRect> placed;
    for (TcxEditVertAlignment vert : {taTopJustify, taVCenter, taBottomJustify}) {
        edit->Properties()->Alignment()->SetVert(vert);
        PumpMessages();
        placed.push_back(inner->BoundsRect());
    }
    const TRect content = edit->EditViewInfo()->ContentRect;
    const int height = placed[0].bottom - placed[0].top;
    ASSERT_GT(height, 8);
    ASSERT_GT(content.bottom - content.top, 2 * height) << "the editor leaves room to move in";
    for (const TRect& r : placed) {
        EXPECT_EQ(r.bottom - r.top, height);
        EXPECT_EQ(r.left, placed[0].left);
        EXPECT_EQ(r.right, placed[0].right);
        EXPECT_GE(r.top, content.top);
        EXPECT_LE(r.bottom, content.bottom);
    }
    EXPECT_LE(placed[0].top - content.top, 2);
    EXPECT_LE(content.bottom - placed[2].bottom, 2);
    // Centred: as far from the top as from the bottom, give or take the rounding.
    EXPECT_LE(std::abs((placed[1].top - content.top) - (content.bottom - placed[1].bottom)), 2);
    // The real window is where the control says.
    RECT window;
    GetWindowRect(inner->Handle(), &window);
    MapWindowPoints(nullptr, edit->Handle(), reinterpret_cast<POINT*>(&window), 2);
    EXPECT_EQ(TRect(window), placed[2]);
}

// --- painting without the edit box -----------------------------------------------------------------------
class TextEditPaintWindowTest : public TextEditWindowTest {
public:
    std::unique_ptr<TPaintSurface> Print(TcxCustomTextEdit* target) {
        PumpMessages();
        auto surface = std::make_unique<TPaintSurface>(target->Width(), target->Height(), RGB(1, 2, 3));
        SendMessageA(target->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface->DC()), PRF_CLIENT);
        return surface;
    }
    // Pixels of the row that differ from the content's fill.
    static int Marked(const TPaintSurface& surface, int y, int left, int right, COLORREF fill) {
        int marked = 0;
        for (int x = left; x < right; ++x) marked += surface.At(x, y) != fill;
        return marked;
    }
};

TEST_F(TextEditPaintWindowTest, AFocusedFixedListShowsItsTextOnAHighlightBar) {
    Focus(other.get());
    edit->SetEditingStyle(tesFixedList);
    TStringList list;
    list.Add("Apple");
    edit->Properties()->SetLookupItems(&list);
    edit->RefreshProperties();
    edit->SetText("Apple");
    EXPECT_FALSE(edit->InnerTextEditControl()->Visible());
    const TRect content = edit->EditViewInfo()->ContentRect;
    const int y = (content.top + content.bottom) / 2;
    const int x = content.right - 6; // right of the text
    auto unfocused = Print(edit.get());
    EXPECT_NE(unfocused->At(x, y), Sys(clHighlight));
    edit->SetFocus();
    PumpMessages();
    ASSERT_TRUE(edit->Focused());
    auto focused = Print(edit.get());
    EXPECT_EQ(focused->At(x, y), Sys(clHighlight));
    const RECT bar = focused->BoxOf(Sys(clHighlight));
    EXPECT_LE(bar.left, content.left + 2);
    EXPECT_GE(bar.right, content.right - 2);
}

TEST_F(TextEditPaintWindowTest, AFocusedNoTextEditorDrawsAFocusRectangle) {
    Focus(other.get());
    edit->SetEditingStyle(tesNoText);
    edit->RefreshProperties();
    const TRect content = edit->EditViewInfo()->ContentRect;
    const COLORREF fill = Sys(edit->EditViewInfo()->FillColor);
    // The focus rectangle runs a pixel inside the content.
    const int y = content.top + 1;
    auto before = Print(edit.get());
    EXPECT_EQ(Marked(*before, y, content.left + 2, content.right - 2, fill), 0);
    edit->SetFocus();
    PumpMessages();
    ASSERT_TRUE(edit->Focused());
    auto after = Print(edit.get());
    EXPECT_GT(Marked(*after, y, content.left + 2, content.right - 2, fill), (content.right - content.left) / 4);
}

// --- the spell checker's calls -----------------------------------------------------------------------------
class TCountingSpellChecker : public IcxSpellCheckerHook {
public:
    int redraws = 0, resets = 0, selections = 0, texts = 0;
    void Redraw(TcxCustomTextEdit*) override { ++redraws; }
    void Reset(TcxCustomTextEdit*) override { ++resets; }
    void SelectionChanged(TcxCustomTextEdit*) override { ++selections; }
    void TextChanged(TcxCustomTextEdit*) override { ++texts; }
    bool OwnsWindow(HWND) override { return false; }
};

TEST_F(TextEditWindowTest, ARegisteredSpellCheckerHearsRedrawsResetsSelectionsAndTextChanges) {
    TCountingSpellChecker checker;
    IcxSpellCheckerHook* previous = SetSpellCheckerHook(&checker);
    Show("one two", 0);
    EXPECT_GE(checker.texts, 1);
    checker = TCountingSpellChecker{};
    InvalidateRect(Inner(), nullptr, TRUE);
    UpdateWindow(Inner());
    EXPECT_GE(checker.redraws, 1);
    edit->SetBounds(10, 10, 180, 24);
    PumpMessages();
    EXPECT_GE(checker.resets, 1);
    checker = TCountingSpellChecker{};
    Key(VK_RIGHT, true); // a selection of one: told at the key's release
    EXPECT_EQ(checker.selections, 1);
    Key(VK_HOME); // no selection any more
    Key(VK_END);  // still none: nothing to tell
    EXPECT_EQ(checker.selections, 2);
    SetSpellCheckerHook(previous);
}

// --- lookup typing ----------------------------------------------------------------------------------------
class TextEditLookupWindowTest : public TextEditWindowTest {
protected:
    void Items(std::initializer_list<AnsiString> items) {
        TStringList list;
        for (const AnsiString& item : items) list.Add(item);
        edit->Properties()->SetLookupItems(&list);
    }
};

TEST_F(TextEditLookupWindowTest, TypedLettersCompleteTheFirstItemInEveryStyle) {
    for (TcxTextEditingStyle style : {tesFreeText, tesListText}) {
        edit->SetEditingStyle(style);
        Items({"Apple", "apricot", "Banana"});
        Show("", 0);
        Char('a');
        Char('p');
        EXPECT_EQ(edit->Text(), "Apple") << style;
        EXPECT_EQ(edit->SelStart(), 2) << style;
        EXPECT_EQ(edit->SelLength(), 3) << style;
        EXPECT_EQ(edit->ItemIndex(), 0) << style;
        Char('r');
        EXPECT_EQ(edit->Text(), "apricot") << style;
        EXPECT_EQ(edit->SelStart(), 3) << style;
        EXPECT_EQ(edit->SelLength(), 4) << style;
        EXPECT_EQ(edit->ItemIndex(), 1) << style;
        // Enter while a completion shows selects the whole text.
        Key(VK_RETURN);
        EXPECT_EQ(edit->SelStart(), 0) << style;
        EXPECT_EQ(edit->SelLength(), 7) << style;
        Char('z');
        // Free text takes what no item starts with; a list style drops it.
        EXPECT_EQ(edit->Text(), style == tesFreeText ? "z" : "apricot") << style;
    }
}

TEST_F(TextEditLookupWindowTest, ImeCharactersCompleteAndBackspaceTakesAWholeCharacter) {
    Items({Cp936({zhong, guo}), Cp936({zhong, wen})});
    Show("", 0);
    ImeChar(zhong);
    EXPECT_EQ(edit->Text(), Cp936({zhong, guo}));
    EXPECT_EQ(edit->SelStart(), 2);
    EXPECT_EQ(edit->SelLength(), 2);
    ImeChar(wen);
    EXPECT_EQ(edit->Text(), Cp936({zhong, wen}));
    EXPECT_EQ(edit->SelStart(), 4);
    EXPECT_EQ(edit->ItemIndex(), 1);
    Key(VK_BACK);
    EXPECT_EQ(edit->Text(), Cp936({zhong, guo}));
    EXPECT_EQ(edit->SelStart(), 2);
    EXPECT_EQ(edit->SelLength(), 2);
}

TEST_F(TextEditLookupWindowTest, ADoubleByteCharacterIsNeverSearchedAsItsTrailByte) {
    edit->SetEditingStyle(tesListText);
    for (auto type : {&TextEditWindowTest::ImeChar, &TextEditWindowTest::PostedPair, &TextEditWindowTest::SentPair}) {
        Items({"apple", "banana"});
        Show("", 0);
        edit->SetItemIndexValue(-1);
        (this->*type)(luan);
        EXPECT_EQ(edit->Text(), "");
        EXPECT_EQ(edit->ItemIndex(), -1);
    }
    // In free text the character goes to the control whole.
    edit->SetEditingStyle(tesFreeText);
    for (auto type : {&TextEditWindowTest::ImeChar, &TextEditWindowTest::PostedPair, &TextEditWindowTest::SentPair}) {
        Show("", 0);
        (this->*type)(luan);
        EXPECT_EQ(edit->Text(), Cp936({luan}));
        EXPECT_EQ(edit->ItemIndex(), -1);
    }
}

TEST_F(TextEditLookupWindowTest, FreeTextKeepsWhatFollowsASelectionInTheMiddle) {
    Items({"world cup"});
    Show("hello world", 0, 5);
    Char('w');
    EXPECT_EQ(edit->Text(), "w world");
    EXPECT_EQ(edit->SelStart(), 1);
}

TEST_F(TextEditLookupWindowTest, NavigationKeysAndTheWheelMoveThroughTheItemsWithoutCycling) {
    TStringList list;
    for (int i = 0; i < 20; ++i) list.Add(AnsiString("item") + char('a' + i));
    edit->Properties()->SetLookupItems(&list);
    edit->navigates = true;
    Show("", 0);
    const struct {
        WORD key;
        bool ctrl;
        int index;
    } steps[] = {{VK_DOWN, false, 0}, {VK_NEXT, false, 7}, {VK_DOWN, false, 8}, {VK_PRIOR, false, 1},
                 {VK_UP, false, 0},   {VK_UP, false, 0},   {VK_NEXT, true, 19}, {VK_DOWN, false, 19},
                 {VK_PRIOR, true, 0}};
    for (const auto& step : steps) {
        Key(step.key, false, step.ctrl);
        EXPECT_EQ(edit->ItemIndex(), step.index) << step.key;
        EXPECT_EQ(edit->Text(), list[step.index]) << step.key;
    }
    const POINT screen{20, 20};
    SendMessageA(edit->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(screen.x, screen.y));
    EXPECT_EQ(edit->ItemIndex(), 1);
    SendMessageA(edit->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    EXPECT_EQ(edit->ItemIndex(), 0);
    EXPECT_TRUE(edit->Modified());
}

} // namespace
