// The system's EDIT control in an ANSI window counts positions and its limit in UTF-16 units, one
// a character of code page 936: byte offsets of the editor's text translate through CharCount
// and CharsToBytes, and a limit in characters is the editor's MaxLength.
#include <gtest/gtest.h>

#include "ui/editors/TextEditText.h"

namespace {

class TNativeEdit {
public:
    TNativeEdit() {
        window = CreateWindowExA(0, "EDIT", "", WS_POPUP | ES_AUTOHSCROLL, 0, 0, 200, 24, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    }
    ~TNativeEdit() {
        if (window) DestroyWindow(window);
    }
    TNativeEdit(const TNativeEdit&) = delete;
    TNativeEdit& operator=(const TNativeEdit&) = delete;

    void SetText(const AnsiString& text) { SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())); }
    AnsiString Text() {
        char buffer[256] = {};
        SendMessageA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
        return buffer;
    }
    // Text typed over the selection, as the control's own replacement (which keeps the limit).
    void Type(const AnsiString& text) {
        SendMessageA(window, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    }
    std::pair<int, int> Selection() {
        DWORD start = 0, end = 0;
        SendMessageA(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {static_cast<int>(start), static_cast<int>(end)};
    }

    HWND window;
};

TEST(NativeEditPositions, SelectionOffsetsCountCharacters) {
    TNativeEdit edit;
    ASSERT_NE(nullptr, edit.window);
    const AnsiString text = "a中文b";
    edit.SetText(text);
    const struct {
        int byteStart, byteEnd;
        const char* replaced; // the text after typing "x" over the selection
    } cases[] = {{1, 3, "ax文b"}, {3, 5, "a中xb"}, {0, 6, "x"}, {6, 6, "a中文bx"}, {1, 5, "axb"}};
    for (const auto& c : cases) {
        edit.SetText(text);
        int start = CharCount(text.substr(0, static_cast<size_t>(c.byteStart)));
        int end = CharCount(text.substr(0, static_cast<size_t>(c.byteEnd)));
        SendMessageA(edit.window, EM_SETSEL, static_cast<WPARAM>(start), end);
        EXPECT_EQ(std::make_pair(start, end), edit.Selection());
        edit.Type("x");
        AnsiString after = edit.Text();
        EXPECT_EQ(c.replaced, after) << c.byteStart << ".." << c.byteEnd;
        // The caret after the typed character, back in bytes.
        EXPECT_EQ(c.byteStart + 1, CharsToBytes(after, edit.Selection().first));
    }
}

TEST(NativeEditPositions, TheLimitCountsCharacters) {
    TNativeEdit edit;
    ASSERT_NE(nullptr, edit.window);
    SendMessageA(edit.window, EM_LIMITTEXT, 3, 0);
    edit.Type("中文");
    EXPECT_EQ("中文", edit.Text());
    edit.Type("中");
    EXPECT_EQ("中文中", edit.Text());
    edit.Type("文");
    EXPECT_EQ("中文中", edit.Text());
    // The editor's own rule for the same limit agrees.
    EXPECT_FALSE(ComposeTextInsertion(tesFreeText, "中文中", 6, 0, "文", 3, true).Accepted);
}

} // namespace
