#include <gtest/gtest.h>

#include "ui/editors/TextEditLookupData.h"
#include "ui/editors/TextEditProperties.h"

namespace {

class TLookupProperties : public TcxCustomTextEditProperties {
public:
    VZ_CLASS(TLookupProperties, TcxCustomTextEditProperties)
    explicit TLookupProperties(TPersistent* owner = nullptr) : TcxCustomTextEditProperties(owner) {}
    TcxTextEditingStyle style = tesFreeText;
    int pageSize = 8;
    TcxTextEditingStyle GetEditingStyle() override { return style; }
    int GetLookupPageSize() override { return pageSize; }
};

// An editor as text and selection: what the lookup passes on is typed as the native control
// types it (over the selection; Backspace deletes the selection or the character before the caret).
class TLookupModel : public IcxTextEditLookupSide {
public:
    explicit TLookupModel(TcxTextEditingStyle style, const char* items) {
        properties.style = style;
        properties.LookupItems()->SetCommaText(items);
        lookup.Side = this;
        lookup.OnSelectItem = [this](TObject*) { ++selectNotices; };
    }

    TLookupProperties properties;
    TcxCustomTextEditLookupData lookup;
    AnsiString text;
    int selStart = 0, selLength = 0;
    bool completion = false;
    bool locked = false;
    bool pending = false;
    int modified = 0, selectNotices = 0;

    TcxCustomTextEditProperties* LookupProperties() override { return &properties; }
    AnsiString LookupText() override { return text; }
    int LookupSelStart() override { return selStart; }
    int LookupSelLength() override { return selLength; }
    void LookupSetText(const AnsiString& value, int start, int length) override {
        text = value;
        LookupSetSelection(start, length);
    }
    void LookupSetSelection(int start, int length) override {
        selStart = start;
        selLength = length;
    }
    bool LookupCompletion() override { return completion; }
    void LookupSetCompletion(bool value) override { completion = value; }
    bool LookupLocked() override { return locked; }
    bool LookupTryEnterEditMode() override { return true; }
    void LookupSetChangePending(bool value) override { pending = value; }
    void LookupMarkModified() override { ++modified; }

    void Native(const AnsiString& bytes) {
        for (char c : bytes) {
            if (c == '\b') {
                if (selLength == 0 && selStart > 0) {
                    int start = PrevCharStart(text, selStart);
                    selLength = selStart - start;
                    selStart = start;
                }
                text.erase(static_cast<size_t>(selStart), static_cast<size_t>(selLength));
            } else {
                text.replace(static_cast<size_t>(selStart), static_cast<size_t>(selLength), 1, c);
                ++selStart;
            }
            selLength = 0;
            completion = false;
        }
    }
    // WM_CHAR bytes one by one (a keyboard layout or a posted pair).
    void Type(const AnsiString& bytes) {
        for (char c : bytes)
            Native(lookup.HandleKeyPress(c).PassOn);
    }
    // A character from an IME: the trail byte is known when the lead arrives.
    void TypeIme(const AnsiString& character) {
        if (character.size() == 2) {
            Native(lookup.HandleKeyPress(character[0], character[1]).PassOn);
            Native(lookup.HandleKeyPress(character[1]).PassOn);
        } else {
            Type(character);
        }
    }
    AnsiString Selected() const { return text.substr(static_cast<size_t>(selStart), static_cast<size_t>(selLength)); }
};

struct TypingCase {
    TcxTextEditingStyle style;
    const char* items;
    const char* typed;
    const char* text;
    const char* selected;
    int key;
};

void CheckTyping(const TypingCase& c, bool ime) {
    TLookupModel model(c.style, c.items);
    SCOPED_TRACE(testing::Message() << "style " << c.style << " typed \"" << c.typed << "\"" << (ime ? " by IME" : ""));
    AnsiString typed = c.typed;
    for (int i = 0; i < static_cast<int>(typed.size());) {
        int end = NextCharEnd(typed, i);
        AnsiString character = typed.substr(static_cast<size_t>(i), static_cast<size_t>(end - i));
        if (ime) model.TypeIme(character);
        else model.Type(character);
        i = end;
    }
    EXPECT_EQ(c.text, model.text);
    EXPECT_EQ(c.selected, model.Selected());
    EXPECT_EQ(c.key, model.lookup.CurrentKey());
    EXPECT_FALSE(model.lookup.HoldsLeadByte());
}

TEST(TextEditLookupTyping, PrefixesCompleteInEveryEditingStyle) {
    const char* fruit = "Apple,apricot,Banana";
    const TypingCase cases[] = {
        // The typed part takes the item's case; the tail is selected.
        {tesFreeText, fruit, "A", "Apple", "pple", 0},
        {tesFreeText, fruit, "aP", "Apple", "ple", 0},
        {tesFreeText, fruit, "Apr", "apricot", "icot", 1},
        {tesListText, fruit, "Apr", "apricot", "icot", 1},
        {tesFixedList, fruit, "Apr", "apricot", "icot", 1},
        {tesFixedList, fruit, "b", "Banana", "anana", 2},
        // Nothing found: free text types the character, list styles drop it.
        {tesFreeText, fruit, "Apx", "Apx", "", -1},
        {tesListText, fruit, "Apx", "Apple", "ple", 0},
        {tesFixedList, fruit, "Apx", "Apple", "ple", 0},
        {tesFreeText, fruit, "x", "x", "", -1},
        {tesListText, fruit, "x", "", "", -1},
        // A failed search keeps the fixed list's completion.
        {tesFixedList, fruit, "Apb", "Apple", "ple", 0},
        // Double-byte characters complete whole; their trail bytes never count as letters.
        {tesFreeText, "中国,中文", "中", "中国", "国", 0},
        {tesListText, "中国,中文", "中文", "中文", "", 1},
        {tesListText, "apple,夾子", "奱", "", "", -1},
        {tesFixedList, "apple,夾子", "奱", "", "", -1},
        {tesListText, "apple,夾子", "夾", "夾子", "子", 1},
        {tesFreeText, "apple", "奱", "奱", "", -1},
        {tesFreeText, "apple", "奱a", "奱a", "", -1},
    };
    for (const TypingCase& c : cases) {
        CheckTyping(c, false);
        CheckTyping(c, true);
    }
}

TEST(TextEditLookupTyping, FreeTextKeepsWhatFollowsASelectionInTheMiddle) {
    TLookupModel model(tesFreeText, "\"world cup\"");
    model.text = "hello world";
    model.LookupSetSelection(0, 5);
    model.Type("w");
    EXPECT_EQ("w world", model.text);
    EXPECT_EQ(-1, model.lookup.CurrentKey());
    // A selection reaching the end is replaced by the completion.
    model.text = "hello world";
    model.LookupSetSelection(6, 5);
    model.Type("w");
    EXPECT_EQ("hello w", model.text);
    model.text = "a";
    model.LookupSetSelection(0, 1);
    model.Type("w");
    EXPECT_EQ("world cup", model.text);
    EXPECT_EQ("orld cup", model.Selected());
}

TEST(TextEditLookupTyping, BackspaceTakesAWholeCharacterOfTheTypedPart) {
    TLookupModel model(tesListText, "中国,中文,Apple");
    model.TypeIme("中");
    model.TypeIme("文");
    EXPECT_EQ("中文", model.text);
    model.Type("\b");
    EXPECT_EQ("中国", model.text);
    EXPECT_EQ("国", model.Selected());
    EXPECT_EQ(0, model.lookup.CurrentKey());

    // In the list text style a Backspace without completion selects to the end first.
    TLookupModel list(tesListText, "Apple,Apricot");
    list.text = "Apricot";
    list.LookupSetSelection(3, 0);
    list.Type("\b");
    EXPECT_EQ("Apple", list.text);
    EXPECT_EQ("ple", list.Selected());

    // The fixed list without a completion does nothing.
    TLookupModel fixed(tesFixedList, "Apple");
    fixed.text = "Apple";
    fixed.LookupSetSelection(5, 0);
    TcxLookupKeyResult r = fixed.lookup.HandleKeyPress('\b');
    EXPECT_TRUE(r.Consumed);
    EXPECT_EQ("", r.PassOn);
    EXPECT_EQ("Apple", fixed.text);

    // Without the highlight the fixed list drops Backspace and ends the completion.
    fixed.properties.SetHighlightListSelection(false);
    fixed.completion = true;
    EXPECT_TRUE(fixed.lookup.HandleKeyPress('\b').Consumed);
    EXPECT_FALSE(fixed.completion);
}

TEST(TextEditLookupTyping, AFixedListWithoutHighlightStartsAgainWithTheCharacter) {
    TLookupModel model(tesFixedList, "Apple,Banana");
    model.properties.SetHighlightListSelection(false);
    model.Type("ap");
    EXPECT_EQ("Apple", model.text);
    model.Type("b");
    EXPECT_EQ("Banana", model.text);
    EXPECT_EQ("anana", model.Selected());
    EXPECT_EQ(1, model.lookup.CurrentKey());
    model.Type("x");
    EXPECT_EQ("Banana", model.text); // dropped
    EXPECT_FALSE(model.completion);
}

TEST(TextEditLookupTyping, ALeadByteWaitsForItsTrail) {
    TLookupModel model(tesFreeText, "apple");
    TcxLookupKeyResult lead = model.lookup.HandleKeyPress('\x8A');
    EXPECT_TRUE(lead.Consumed);
    EXPECT_EQ("", lead.PassOn);
    EXPECT_TRUE(model.lookup.HoldsLeadByte());
    TcxLookupKeyResult trail = model.lookup.HandleKeyPress('a');
    EXPECT_EQ("\x8A" "a", trail.PassOn); // both go on together
    EXPECT_FALSE(model.lookup.HoldsLeadByte());

    // Announced by an IME, the lead goes on alone and the trail follows it.
    TcxLookupKeyResult imeLead = model.lookup.HandleKeyPress('\x8A', 'a');
    EXPECT_EQ("\x8A", imeLead.PassOn);
    TcxLookupKeyResult imeTrail = model.lookup.HandleKeyPress('a');
    EXPECT_EQ("a", imeTrail.PassOn);
    EXPECT_EQ(0, model.modified);
}

TEST(TextEditLookupTyping, AChangedKeyMarksTheEditorModified) {
    TLookupModel model(tesListText, "Apple,apricot");
    model.Type("a");
    EXPECT_EQ(1, model.modified);
    model.Type("p");
    EXPECT_EQ(1, model.modified); // still Apple
    model.Type("r");
    EXPECT_EQ(2, model.modified);
}

TEST(TextEditLookupNavigation, TargetsOfEachDirection) {
    const struct {
        TcxEditLookupDirection direction;
        bool cycle;
        int page, from, expected;
    } cases[] = {
        {eldFirst, false, 8, 7, 0},      {eldLast, false, 8, 3, 19},      {eldNext, false, 8, -1, 0},
        {eldNext, false, 8, 3, 4},       {eldNext, false, 8, 19, 19},     {eldNext, true, 8, 19, 0},
        {eldPrev, false, 8, 3, 2},       {eldPrev, false, 8, 0, 0},       {eldPrev, true, 8, 0, 19},
        {eldPrev, false, 8, -1, -1},     {eldPrev, true, 8, -1, 19},      {eldPageUp, false, 8, 3, 0},
        {eldPageUp, false, 8, 10, 3},    {eldPageUp, true, 8, 0, 19},     {eldPageUp, false, 8, -1, -1},
        {eldPageUp, true, 8, -1, 19},    {eldPageDown, false, 8, 3, 10},  {eldPageDown, false, 8, -1, 7},
        {eldPageDown, false, 8, 15, 19}, {eldPageDown, false, 8, 19, 19}, {eldPageDown, true, 8, 19, 0},
        // A page of one item still moves.
        {eldPageDown, false, 1, 3, 4},   {eldPageUp, false, 1, 3, 2},     {eldPageDown, false, 1, -1, 0},
        {eldPageDown, false, 2, 3, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "direction " << c.direction << " cycle " << c.cycle << " page " << c.page
                                        << " from " << c.from);
        TLookupModel model(tesFixedList, "");
        for (int i = 0; i < 20; ++i)
            model.properties.LookupItems()->Add(IntToStr(i));
        model.properties.pageSize = c.page;
        model.lookup.ChangeCurrentKey(c.from);
        model.text = c.from >= 0 ? IntToStr(c.from) : AnsiString();
        int notices = model.selectNotices;
        model.lookup.Navigate(c.direction, c.cycle);
        EXPECT_EQ(c.expected, model.lookup.CurrentKey());
        EXPECT_EQ(c.expected, model.lookup.ItemIndex());
        EXPECT_EQ(c.expected != c.from ? notices + 1 : notices, model.selectNotices);
        EXPECT_FALSE(model.pending);
    }
}

TEST(TextEditLookupSearch, NextSearchDoesNotWrapAndTheStyleDecidesTheKeyOnFailure) {
    const struct {
        TcxTextEditingStyle style;
        bool textChange;
        int keyAfter;
    } cases[] = {
        {tesFreeText, false, -1}, {tesNoText, false, -1}, {tesListText, false, 2},
        {tesListText, true, -1},  {tesFixedList, false, 2}, {tesFixedList, true, -1},
    };
    for (const auto& c : cases) {
        TLookupModel model(c.style, "ab,cd,ab");
        AnsiString text = "AB", tail;
        ASSERT_TRUE(model.lookup.SearchItems(text, tail, false, true));
        EXPECT_EQ(0, model.lookup.CurrentKey());
        ASSERT_TRUE(model.lookup.SearchItems(text, tail, false, true));
        EXPECT_EQ(2, model.lookup.CurrentKey());
        EXPECT_FALSE(model.lookup.SearchItems(text, tail, c.textChange, true)) << c.style;
        EXPECT_EQ(c.keyAfter, model.lookup.CurrentKey()) << c.style << " " << c.textChange;
    }
}

TEST(TextEditLookupSearch, TextChangesLookUpByPrefixOrWholeItem) {
    const struct {
        bool exact;
        const char* text;
        int key;
    } cases[] = {
        {false, "app", 0}, {false, "APPLE", 0}, {true, "app", -1}, {true, "APPLE", 0},
        {true, "banana", 1}, {false, "", -1},   {false, "夾", 2},   {false, "奱", -1},
    };
    for (const auto& c : cases) {
        TLookupModel model(tesFreeText, "Apple,Banana,夾子");
        model.properties.SetExactLookupMatch(c.exact);
        model.text = c.text;
        model.lookup.HandleTextChange();
        EXPECT_EQ(c.key, model.lookup.CurrentKey()) << c.text << (c.exact ? " exact" : "");
    }
    TLookupModel locked(tesFreeText, "Apple");
    locked.locked = true;
    locked.text = "Apple";
    locked.lookup.HandleTextChange();
    EXPECT_EQ(-1, locked.lookup.CurrentKey());
}

TEST(TextEditLookupSearch, SelectNoticesOnKeyChangeAndOnADifferingText) {
    TLookupModel model(tesFreeText, "Apple,Banana");
    model.lookup.ChangeCurrentKey(1);
    EXPECT_EQ(1, model.selectNotices);
    model.text = "Banana";
    model.lookup.ChangeCurrentKey(1);
    EXPECT_EQ(1, model.selectNotices);
    model.text = "banana";
    model.lookup.ChangeCurrentKey(1);
    EXPECT_EQ(2, model.selectNotices);
    model.lookup.ChangeCurrentKey(5); // out of range: ignored
    EXPECT_EQ(1, model.lookup.CurrentKey());
    EXPECT_EQ("Banana", model.lookup.GetItemTextByKey(1));
    EXPECT_EQ("", model.lookup.GetItemTextByKey(7));
    EXPECT_TRUE(model.lookup.IsItemText("APPLE"));
    EXPECT_FALSE(model.lookup.IsItemText("App"));
}

} // namespace
