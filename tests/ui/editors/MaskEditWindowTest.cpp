// The mask editor on a real form: the three modes through its edit box (keys, characters,
// double-byte pairs, the clipboard), the display of the value with and without the focus, the
// validation when the focus leaves, and the block caret drawn by the system control.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ClipboardText.h"
#include "tests/ui/core/ControlWindows.h"
#include "ui/editors/MaskEdit.h"

namespace {

int beeps = 0;
void CountBeep() { ++beeps; }

class MaskEditWindowTest : public testing::Test {
public:
    THostForm form;
    std::unique_ptr<TcxMaskEdit> edit;
    std::unique_ptr<TcxMaskEdit> other; // takes the focus away
    std::vector<std::string> errors;
    TcxEditBeepProc savedBeep = nullptr;

    void SetUp() override {
        beeps = 0;
        savedBeep = SetEditBeepProc(CountBeep);
        Application->OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        form.Show();
        SetActiveWindow(form.Handle());
        PumpMessages();
        edit = Make(10);
        other = Make(50);
    }
    void TearDown() override {
        edit.reset();
        other.reset();
        Application->OnException = nullptr;
        SetEditBeepProc(savedBeep);
    }
    std::unique_ptr<TcxMaskEdit> Make(int top) {
        auto made = TcxCustomEdit::CreateWithMode<TcxMaskEdit>(nullptr, false);
        made->SetBounds(10, top, 150, 24);
        made->SetParent(&form);
        made->Handle();
        return made;
    }
    void Masked(TcxEditMaskKind kind, const char* mask) {
        edit->Properties()->SetMaskKind(kind);
        edit->Properties()->SetEditMask(mask);
        edit->Properties()->BeepOnError = true;
        Focus(edit.get());
    }
    void Focus(TcxCustomTextEdit* target) {
        target->InnerTextEditControl()->SetFocus();
        PumpMessages();
    }
    HWND Inner() { return edit->InnerTextEditControl()->Handle(); }
    void Key(WORD key) {
        SendMessageA(Inner(), WM_KEYDOWN, key, 1);
        if (key == VK_BACK) SendMessageA(Inner(), WM_CHAR, '\b', 1);
        SendMessageA(Inner(), WM_KEYUP, key, 0xC0000001);
    }
    void Type(const AnsiString& chars) {
        for (char ch : chars) SendMessageA(Inner(), WM_CHAR, static_cast<BYTE>(ch), 1);
    }
};

TEST_F(MaskEditWindowTest, TheStandardModeFillsPositionsAndShowsTheValueByFocus) {
    Masked(emkStandard, "000-00;0");
    edit->SetSelStart(0);
    Type("12x345");
    EXPECT_EQ(edit->Text(), "123-45");
    Key(VK_HOME);
    EXPECT_EQ(edit->SelStart(), 0);
    EXPECT_EQ(edit->SelLength(), 1); // the block caret
    Key(VK_END);
    Key(VK_BACK);
    EXPECT_EQ(edit->Text(), "123-4_");
    Type("9");
    Focus(other.get());
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(VarToStr(edit->EditValue()), "12349");
    EXPECT_EQ(edit->Text(), "12349"); // unfocused: the value without literals
    Focus(edit.get());
    EXPECT_EQ(edit->Text(), "123-49");
    EXPECT_EQ(edit->InnerTextEdit()->GetMaxLength(), 0);
}

TEST_F(MaskEditWindowTest, ExpressionModesRefuseWhatDoesNotFitAndComplete) {
    struct Case {
        TcxEditMaskKind kind;
        const char* mask;
        const char* typed;
        const char* text;
        int beeps;
    } cases[] = {
        {emkRegExpr, "\\d{3}-\\d{0,4}", "12a3-45", "123-45", 1},
        {emkRegExpr, "[ABC]+", "AbD", "AB", 1}, // case-insensitive by default, in the pattern's case
        {emkRegExprEx, "\\d\\d/\\d\\d", "1234", "12/34", 0},
    };
    for (const Case& c : cases) {
        beeps = 0;
        edit->Properties()->SetEditMask("");
        Masked(c.kind, c.mask);
        edit->SetText("");
        Type(c.typed);
        EXPECT_EQ(edit->Text(), c.text) << c.mask;
        EXPECT_EQ(beeps, c.beeps) << c.mask;
        Focus(other.get());
    }
}

TEST_F(MaskEditWindowTest, ADoubleByteCharacterGoesInWholeOrNotAtAll) {
    // "丄" is 0x81 0x41: its trail byte reads as "A".
    struct Case {
        TcxEditMaskKind kind;
        const char* mask;
        const char* text;
    } cases[] = {
        {emkStandard, "LLL;0;_", "___"},
        {emkStandard, "CCC;0;_", "\x81\x41_"},
        {emkRegExpr, "\\w+", ""},
        {emkRegExpr, ".+", "\x81\x41"},
    };
    for (const Case& c : cases) {
        edit->Properties()->SetMaskKind(emkStandard);
        edit->Properties()->SetEditMask("");
        Masked(c.kind, c.mask);
        edit->SetText("");
        edit->SetSelStart(0);
        Type("\x81\x41");
        EXPECT_EQ(edit->Text(), c.text) << c.mask;
        Focus(other.get());
    }
}

TEST_F(MaskEditWindowTest, APasteNearTheEndIsCutToThePositionsLeft) {
    Masked(emkStandard, "0000;0;_");
    edit->SetSelStart(3);
    SetClipboardText("123");
    SendMessageA(Inner(), WM_PASTE, 0, 0);
    EXPECT_EQ(edit->Text(), "___1");
    Key(VK_HOME);
    SetClipboardText("9a8");
    SendMessageA(Inner(), WM_PASTE, 0, 0);
    EXPECT_EQ(edit->Text(), "981_"); // fitted to the mask: what does not fit is skipped
}

TEST_F(MaskEditWindowTest, AnIncompleteValueFailsOnExitUnlessBlanksAreIgnored) {
    Masked(emkStandard, "000;0;_");
    Type("12");
    Focus(other.get());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "The edit value is invalid");
    EXPECT_TRUE(edit->InnerTextEditControl()->Focused()); // the focus went back

    errors.clear();
    edit->Properties()->SetIgnoreMaskBlank(true);
    Key(VK_HOME);
    Key(VK_DELETE);
    Key(VK_RIGHT);
    Key(VK_DELETE);
    EXPECT_EQ(edit->Text(), "___");
    Focus(other.get());
    EXPECT_TRUE(errors.empty());
}

TEST_F(MaskEditWindowTest, LeavingAnExpressionKindClearsTheMask) {
    Masked(emkRegExpr, "\\d+");
    Type("12");
    edit->Properties()->SetMaskKind(emkStandard);
    EXPECT_EQ(edit->Properties()->EditMask(), "");
    EXPECT_EQ(edit->Mode()->KindOfMode(), emkStandard);
    EXPECT_TRUE(edit->CanEditText()); // a plain text editor again
    Type("ab");
    EXPECT_EQ(edit->Text().find("ab") != AnsiString::npos, true);
}

TEST_F(MaskEditWindowTest, TheBlockCaretsCellIsHighlighted) {
    Masked(emkStandard, "000000;0;_");
    edit->SetSelStart(2);
    ASSERT_EQ(edit->SelLength(), 1);
    RedrawWindow(Inner(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    PumpMessages();
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    HDC dc = GetDC(Inner());
    RECT client;
    GetClientRect(Inner(), &client);
    // The highlighted columns, by the x of the first and last highlighted pixel.
    int first = -1, last = -1;
    for (int x = 0; x < client.right; ++x)
        for (int y = 0; y < client.bottom; ++y)
            if (GetPixel(dc, x, y) == highlight) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    ReleaseDC(Inner(), dc);
    SIZE cell{};
    HDC measure = GetDC(Inner());
    HGDIOBJ font = SelectObject(measure, reinterpret_cast<HGDIOBJ>(SendMessageA(Inner(), WM_GETFONT, 0, 0)));
    GetTextExtentPoint32A(measure, "_", 1, &cell);
    SelectObject(measure, font);
    ReleaseDC(Inner(), measure);
    ASSERT_GE(first, 0) << "no highlighted pixel";
    // One cell, the third: two cells of text before it.
    EXPECT_NEAR(last - first + 1, cell.cx, 2);
    const LRESULT margins = SendMessageA(Inner(), EM_GETMARGINS, 0, 0);
    EXPECT_NEAR(first, LOWORD(margins) + 2 * cell.cx, 2);
}

} // namespace
