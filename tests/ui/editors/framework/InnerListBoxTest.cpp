// The inner list box as a real window: alone on a form and inside a container, typed keys by
// sent and posted WM_CHAR (code page 936), its own scroll bars against the native ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/Win32Boundary.h"
#include "tests/ui/core/ControlWindows.h"
#include "tests/ui/core/KeyHeld.h"
#include "tests/ui/core/PaintSurface.h"
#include "ui/editors/framework/InnerListBox.h"

namespace {

// The clock the auto-complete reads.
class TClock {
public:
    TClock() : previous_(SetInnerListBoxTickCountSource(&Source)) { Now() = 0; }
    ~TClock() { SetInnerListBoxTickCountSource(previous_); }
    static DWORD& Now() {
        static DWORD now = 0;
        return now;
    }

private:
    static DWORD Source() { return Now(); }
    TcxTickCountSource previous_;
};

// A container that logs what its inner list hands on and may eat a key.
class TLoggingContainer : public TcxContainer {
public:
    explicit TLoggingContainer(TWinControl* parent) : TcxContainer(nullptr) {
        SetBounds(20, 20, 160, 120);
        SetParent(parent);
    }
    std::string pressed;
    std::vector<WORD> downs;
    WORD eatKeyDown = 0;
    int clicks = 0;

protected:
    void KeyPress(char& key) override { pressed += key; }
    void KeyDown(WORD& key, TShiftState shift) override {
        downs.push_back(key);
        if (key == eatKeyDown) key = 0;
        TcxContainer::KeyDown(key, shift);
    }
    void Click() override { ++clicks; }
};

const char* const Items[] = {"zero",
                             "apple",
                             "ab",
                             "b",
                             "banana",
                             "\xD6\xD0\xCE\xC4" /* 中文 */,
                             "\xD6\xD0"
                             "a" /* 中a */};

class InnerListBoxTest : public testing::Test {
protected:
    THostForm form;
    TClock clock;
    std::unique_ptr<TLoggingContainer> container = std::make_unique<TLoggingContainer>(&form);
    std::unique_ptr<TcxCustomInnerListBox> list = std::make_unique<TcxCustomInnerListBox>(nullptr);

    void SetUp() override {
        list->SetParent(container.get());
        list->SetContainer(container.get());
        container->SetInnerControl(list.get());
        // A virtual list holds no items: its rows come from its handlers.
        if (!list->IsVirtual())
            for (const char* item : Items)
                list->Items().Add(item);
        form.Show();
        PumpMessages();
    }
    void TearDown() override {
        list.reset();
        container.reset();
    }
    // Auto-complete of one key at a moment of the clock; answers what is left of the key.
    char Type(char key, DWORD at) {
        TClock::Now() = at;
        list->ProcessAutoCompleteChar(key);
        return key;
    }
    // Bytes typed as the keyboard delivers them: queued WM_CHAR, handled by the message loop.
    void Post(const char* bytes, DWORD at) {
        TClock::Now() = at;
        for (const char* p = bytes; *p; ++p)
            PostMessageA(list->Handle(), WM_CHAR, static_cast<BYTE>(*p), 1);
        PumpMessages();
    }
};

TEST_F(InnerListBoxTest, AutoCompleteSearchesWhatWasTypedSinceThePause) {
    struct Key {
        char key;
        DWORD at;
    };
    const struct {
        const char* name;
        std::vector<Key> keys;
        std::string filter;
        int itemIndex;
        char lastKeyLeft;
    } cases[] = {
        {"within the delay", {{'a', 1000}, {'b', 1400}}, "ab", 2, 0},
        {"after the delay", {{'a', 1000}, {'b', 1600}}, "b", 3, 0},
        {"exactly the delay", {{'a', 1000}, {'b', 1500}}, "b", 3, 0},
        {"either case", {{'A', 1000}, {'B', 1100}}, "AB", 2, 0},
        {"clock wrapping", {{'a', 0xFFFFFF00u}, {'b', 0x50}}, "ab", 2, 0},
        {"no match still consumed", {{'a', 1000}, {'x', 1100}}, "ax", 1, 0},
        {"escape passes on", {{'a', 1000}, {VK_ESCAPE, 1100}}, "a\x1b", 1, VK_ESCAPE},
        {"backspace to empty", {{'b', 1000}, {VK_BACK, 1100}}, "", 0, VK_BACK},
        {"backspace keeps the rest",
         {{'b', 1000}, {'a', 1100}, {'n', 1200}, {VK_BACK, 1300}},
         "ba",
         4,
         VK_BACK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        list.reset(new TcxCustomInnerListBox(nullptr));
        SetUp();
        char left = 0;
        for (const Key& key : c.keys)
            left = Type(key.key, key.at);
        EXPECT_EQ(std::string(list->AutoCompleteFilter()), c.filter);
        EXPECT_EQ(list->ItemIndex(), c.itemIndex);
        EXPECT_EQ(left, c.lastKeyLeft);
    }
}

TEST_F(InnerListBoxTest, AutoCompleteOffLeavesKeysAlone) {
    list->AutoComplete = false;
    EXPECT_EQ(Type('b', 1000), 'b');
    EXPECT_EQ(std::string(list->AutoCompleteFilter()), "");
    EXPECT_EQ(list->ItemIndex(), -1);
}

TEST_F(InnerListBoxTest, MultiSelectKeepsOnlyTheFoundItemSelected) {
    list->SetMultiSelect(true);
    list->SetSelected(0, true);
    list->SetSelected(1, true);
    Type('b', 1000);
    EXPECT_EQ(list->SelCount(), 1);
    EXPECT_TRUE(list->Selected(3));
    EXPECT_EQ(list->ItemIndex(), 3);
}

TEST_F(InnerListBoxTest, DoubleByteCharactersAreTypedAndRemovedWhole) {
    Post("\xD6\xD0", 1000);
    EXPECT_EQ(std::string(list->AutoCompleteFilter()), "\xD6\xD0");
    EXPECT_EQ(list->ItemIndex(), 5);
    Post("a", 1100);
    EXPECT_EQ(std::string(list->AutoCompleteFilter()), "\xD6\xD0"
                                                       "a");
    EXPECT_EQ(list->ItemIndex(), 6);
    // The trail byte of 中 has a lead byte's value: only a walk from the start finds 'a' alone.
    Post("\b", 1200);
    EXPECT_EQ(std::string(list->AutoCompleteFilter()), "\xD6\xD0");
    Post("\b", 1300);
    EXPECT_EQ(std::string(list->AutoCompleteFilter()), "");
    EXPECT_EQ(list->ItemIndex(), 0);
}

TEST_F(InnerListBoxTest, LoneLeadByteIsDropped) {
    Type('a', 1000);
    // Sent, not queued: no trail byte follows.
    SendMessageA(list->Handle(), WM_CHAR, 0xD6, 1);
    EXPECT_EQ(std::string(list->AutoCompleteFilter()), "a");
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(Type('\xD6', 1100), 0);
    EXPECT_EQ(std::string(list->AutoCompleteFilter()), "a");
}

TEST_F(InnerListBoxTest, KeysGoToTheContainerFirst) {
    Post("b\t\r", 1000);
    // Tab never reaches the container; Enter does, but no search.
    EXPECT_EQ(container->pressed, "b\r");
    EXPECT_EQ(std::string(list->AutoCompleteFilter()), "b");
    EXPECT_GE(container->clicks, 1);
    container->eatKeyDown = VK_DOWN;
    SendMessageA(list->Handle(), WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(list->ItemIndex(), 3);
    container->eatKeyDown = 0;
    SendMessageA(list->Handle(), WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(list->ItemIndex(), 4);
    EXPECT_EQ(container->downs, (std::vector<WORD>{VK_DOWN, VK_DOWN}));
}

TEST_F(InnerListBoxTest, DialogCodeWantsCharactersAndTabUnlessCtrl) {
    const LRESULT code = SendMessageA(list->Handle(), WM_GETDLGCODE, 0, 0);
    EXPECT_TRUE(code & DLGC_WANTCHARS);
    EXPECT_TRUE(code & DLGC_WANTTAB);
    {
        TKeyHeld ctrl(VK_CONTROL);
        const LRESULT withCtrl = SendMessageA(list->Handle(), WM_GETDLGCODE, 0, 0);
        EXPECT_TRUE(withCtrl & DLGC_WANTCHARS);
        EXPECT_FALSE(withCtrl & DLGC_WANTTAB);
    }
    list->SetContainer(nullptr);
    EXPECT_FALSE(SendMessageA(list->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB);
    list->SetContainer(container.get());
}

TEST_F(InnerListBoxTest, OwnerDrawnItemsAreDrawnThroughTheContainer) {
    std::vector<int> drawn;
    std::vector<TColor> brushes;
    list->SetStyle(lbOwnerDrawFixed);
    list->OnDrawItem = [&](TWinControl*, int index, const TRect&, TOwnerDrawState) {
        drawn.push_back(index);
        brushes.push_back(list->Canvas().Brush().Color());
    };
    list->SetItemIndex(1);
    RedrawWindow(list->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ASSERT_FALSE(drawn.empty());
    for (size_t i = 0; i < drawn.size(); ++i)
        EXPECT_EQ(brushes[i], drawn[i] == 1 ? TColor(clHighlight) : list->Color()) << drawn[i];
    EXPECT_FALSE(list->DrawsFocusRect());
}

TEST_F(InnerListBoxTest, VirtualListFindsTypedTextThroughItsDataFind) {
    for (TListBoxStyle style : {lbVirtual, lbVirtualOwnerDraw}) {
        SCOPED_TRACE(style);
        list.reset(new TcxCustomInnerListBox(nullptr));
        list->SetStyle(style);
        SetUp();
        EXPECT_EQ(list->Count(), 0);
        list->SetCount(1000);
        // Rows "row 0" to "row 999": the first one starting with the text, as a data source
        // would answer (no window search can: the list holds no text).
        std::vector<std::string> asked;
        list->OnDataFind = [&](TWinControl* control, const AnsiString& text) {
            EXPECT_EQ(control, list.get());
            asked.emplace_back(text);
            const std::string prefix = "row ";
            const std::string t(text);
            if (t.size() <= prefix.size() || t.compare(0, prefix.size(), prefix) != 0) return -1;
            return std::stoi(t.substr(prefix.size()));
        };
        PumpMessages();
        EXPECT_EQ(SendMessageA(list->Handle(), LB_GETCOUNT, 0, 0), 1000);
        for (char key : std::string("row 42"))
            EXPECT_EQ(Type(key, 1000), 0) << key;
        EXPECT_EQ(list->ItemIndex(), 42);
        EXPECT_EQ(asked.back(), "row 42");
        // No row found: the key is still consumed and the selection stays.
        EXPECT_EQ(Type('x', 1100), 0);
        EXPECT_EQ(list->ItemIndex(), 42);
        // The rows survive a new window.
        list->RecreateWnd();
        EXPECT_EQ(SendMessageA(list->Handle(), LB_GETCOUNT, 0, 0), 1000);
    }
}

TEST_F(InnerListBoxTest, VirtualListRowsAreDrawnFromTheirDataAndHoldNoItems) {
    list.reset(new TcxCustomInnerListBox(nullptr));
    list->SetStyle(lbVirtual);
    SetUp();
    EXPECT_THROW(list->Items().Add("item"), EListError);
    list->SetCount(3);
    EXPECT_THROW(list->SetCount(-1), EListError);
    EXPECT_EQ(list->Count(), 3);
    std::vector<int> asked;
    list->OnData = [&](TWinControl*, int index, AnsiString& data) {
        asked.push_back(index);
        data = "row";
    };
    RedrawWindow(list->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(asked, (std::vector<int>{0, 1, 2}));
    // Clearing the items of a virtual list empties it.
    list->Items().Clear();
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(SendMessageA(list->Handle(), LB_GETCOUNT, 0, 0), 0);
    // A plain list has no rows of its own to set.
    TListBox plain(nullptr);
    EXPECT_THROW(plain.SetCount(3), EListError);
}

// ---------------------------------------------------------------------------------------------
// Own scroll bars

class InnerListBoxBarsTest : public InnerListBoxTest {
protected:
    // Every own bar shows where and as the native one does.
    void ExpectBarsMatchNative() {
        const struct {
            TcxScrollBar* bar;
            LONG object;
            int kind;
        } bars[] = {{list->HScrollBar(), OBJID_HSCROLL, SB_HORZ},
                    {list->VScrollBar(), OBJID_VSCROLL, SB_VERT}};
        for (const auto& b : bars) {
            SCROLLBARINFO info{};
            info.cbSize = sizeof(info);
            ASSERT_TRUE(GetScrollBarInfo(list->Handle(), b.object, &info));
            const bool shown = (info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) == 0;
            ASSERT_EQ(b.bar->Visible(), shown) << b.kind;
            if (!shown) continue;
            EXPECT_EQ(b.bar->Parent(), container.get());
            POINT origin{b.bar->Left(), b.bar->Top()};
            ClientToScreen(container->Handle(), &origin);
            EXPECT_EQ(origin.x, info.rcScrollBar.left);
            EXPECT_EQ(origin.y, info.rcScrollBar.top);
            EXPECT_EQ(b.bar->Width(), info.rcScrollBar.right - info.rcScrollBar.left);
            SCROLLINFO si{};
            si.cbSize = sizeof(si);
            si.fMask = SIF_ALL;
            ASSERT_TRUE(GetScrollInfo(list->Handle(), b.kind, &si));
            EXPECT_EQ(b.bar->Min(), si.nMin) << b.kind;
            EXPECT_EQ(b.bar->Max(), si.nMax) << b.kind;
            EXPECT_EQ(b.bar->PageSize(), std::min(static_cast<int>(si.nPage), si.nMax)) << b.kind;
            EXPECT_EQ(b.bar->Position(), si.nPos) << b.kind;
        }
    }
    void AddItems(int count) {
        for (int i = 0; i < count; ++i)
            list->Items().Add("item " + std::to_string(i));
    }
    // The container's height that shows about that many lines of the list.
    void ShowLines(int lines) {
        container->SetHeight(lines * list->ItemHeight() + 4);
        PumpMessages();
    }
};

TEST_F(InnerListBoxBarsTest, BarsFollowTheListThroughItsChanges) {
    std::vector<std::string> errors;
    auto previous =
        SetApplicationExceptionHandler([&](const std::exception& e) { errors.push_back(e.what()); });
    const struct {
        const char* name;
        std::function<void()> change;
        bool vertical;
    } steps[] = {
        {"few items", [] {}, false},
        {"added", [&] { AddItems(30); }, true},
        {"scrolled", [&] { list->SetTopIndex(12); }, true},
        {"selected at the end", [&] { list->SetItemIndex(list->Items().Count() - 1); }, true},
        {"deleted", [&] { list->Items().Delete(0); }, true},
        {"wider than the box", [&] { SendMessageA(list->Handle(), LB_SETHORIZONTALEXTENT, 600, 0); }, true},
        {"resized", [&] { container->SetWidth(220); }, true},
        // The range falls below the old page size while the page shrinks too.
        {"list and box shrinking together",
         [&] {
             ShowLines(20);
             list->Items().Clear();
             AddItems(6);
             ShowLines(3);
         },
         true},
        {"reset", [&] { list->Items().Clear(); }, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.change();
        PumpMessages();
        ExpectBarsMatchNative();
        EXPECT_EQ(list->VScrollBar()->Visible(), step.vertical);
    }
    SetApplicationExceptionHandler(previous);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(InnerListBoxBarsTest, BarsFollowTheRowsOfAVirtualList) {
    list.reset(new TcxCustomInnerListBox(nullptr));
    list->SetStyle(lbVirtual);
    SetUp();
    ShowLines(5);
    for (int rows : {3, 40, 400, 30, 0}) {
        SCOPED_TRACE(rows);
        list->SetCount(rows);
        // No message loop in between: the count itself brings the bars along.
        ExpectBarsMatchNative();
        EXPECT_EQ(list->VScrollBar()->Visible(), rows > 5);
    }
}

TEST_F(InnerListBoxBarsTest, BarScrollsMoveTheList) {
    AddItems(30);
    PumpMessages();
    TcxScrollBar* bar = list->VScrollBar();
    ASSERT_TRUE(bar->Visible());
    bar->Scroll(scLineDown, 0);
    EXPECT_EQ(list->TopIndex(), 1);
    int pos = 9;
    bar->OnScroll(bar, scTrack, pos);
    EXPECT_EQ(list->TopIndex(), 9);
    EXPECT_EQ(pos, 9);
    bar->Scroll(scLineUp, 0);
    EXPECT_EQ(list->TopIndex(), 8);
    bar->Scroll(scPageDown, 0);
    EXPECT_GT(list->TopIndex(), 8);
    ExpectBarsMatchNative();
}

TEST_F(InnerListBoxBarsTest, BothBarsPaintTheCorner) {
    AddItems(30);
    SendMessageA(list->Handle(), LB_SETHORIZONTALEXTENT, 600, 0);
    PumpMessages();
    ASSERT_TRUE(list->HScrollBar()->Visible());
    ASSERT_TRUE(list->VScrollBar()->Visible());
    const TRect corner = list->GetSizeGripRect();
    ASSERT_GT(corner.right, corner.left);
    ASSERT_GT(corner.bottom, corner.top);
    RECT window;
    GetWindowRect(list->Handle(), &window);
    const COLORREF marker = RGB(255, 0, 0);
    TPaintSurface surface(window.right - window.left, window.bottom - window.top, marker);
    SendMessageA(list->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(surface.DC()),
                 PRF_NONCLIENT | PRF_CLIENT);
    const TColor grip = container->LookAndFeel().GetEffectivePainter()->GetSizeGripAreaColor();
    EXPECT_EQ(surface.At(corner.left + 2, corner.top + 2), ColorToRGB(grip));
    // The native bars themselves are not printed: the own ones cover them.
    EXPECT_EQ(surface.At(corner.left + 2, corner.top - 5), marker);
}

TEST_F(InnerListBoxBarsTest, WithoutScrollBarInfoTheNativeBarsStay) {
    TGetScrollBarInfoProc saved = SetGetScrollBarInfoProcForTest(nullptr);
    AddItems(30);
    SendMessageA(list->Handle(), LB_SETHORIZONTALEXTENT, 600, 0);
    PumpMessages();
    EXPECT_FALSE(list->HScrollBar()->Visible());
    EXPECT_FALSE(list->VScrollBar()->Visible());
    const TRect corner = list->GetSizeGripRect();
    EXPECT_TRUE(corner.right <= corner.left);
    // The system's own bars show as they are.
    SCROLLBARINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetScrollBarInfo(list->Handle(), OBJID_VSCROLL, &info));
    EXPECT_EQ(info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN), 0u);
    SetGetScrollBarInfoProcForTest(saved);
}

TEST_F(InnerListBoxTest, ClickInAnAutomaticDragContainer) {
    container->SetDragMode(dmAutomatic);
    const int y1 = list->ItemHeight() + 2, y2 = 2 * list->ItemHeight() + 2;
    // The release is waiting: the drag that the press prepares never starts.
    PostMessageA(list->Handle(), WM_LBUTTONUP, 0, PointParam(5, y1));
    SendMouse(*list, WM_LBUTTONDOWN, 5, y1, MK_LBUTTON);
    PumpMessages();
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(container->DragMode(), dmAutomatic);
    EXPECT_EQ(DragObject(), nullptr);
    // Multi-select: a press on a selected item keeps the selection for the drag.
    list->SetMultiSelect(true);
    list->SetSelected(1, true);
    list->SetSelected(2, true);
    PostMessageA(list->Handle(), WM_LBUTTONUP, 0, PointParam(5, y2));
    SendMouse(*list, WM_LBUTTONDOWN, 5, y2, MK_LBUTTON);
    PumpMessages();
    EXPECT_EQ(list->SelCount(), 2);
    EXPECT_EQ(container->DragMode(), dmAutomatic);
    // Without the automatic mode a press selects as usual.
    container->SetDragMode(dmManual);
    SendMouse(*list, WM_LBUTTONDOWN, 5, y2, MK_LBUTTON);
    SendMouse(*list, WM_LBUTTONUP, 5, y2);
    EXPECT_EQ(list->SelCount(), 1);
}

} // namespace
