// The edit list box as a real window on a form: owner drawing read back by WM_PRINT, the select
// notice of clicks and item changes, hot tracking, the wheel, the item count; and the lookup data
// with a shown list (attach, highlight, navigation that moves only the highlight).
#include <gtest/gtest.h>

#include <vector>

#include "tests/ui/core/ControlWindows.h"
#include "tests/ui/core/PaintSurface.h"
#include "tests/ui/editors/StyledTextProperties.h"
#include "ui/editors/EditListBox.h"
#include "ui/editors/TextEditLookupData.h"
#include "ui/editors/TextEditProperties.h"
#include "ui/editors/framework/Edit.h"

namespace {

UINT OneLine() {
    return 1;
}
UINT ThreeLines() {
    return 3;
}

class EditListBoxTest : public testing::Test {
protected:
    THostForm form;
    std::unique_ptr<TcxCustomEditListBox> list = std::make_unique<TcxCustomEditListBox>(nullptr);
    int selectNotices = 0;

    void SetUp() override {
        list->SetBounds(10, 10, 150, 100);
        list->SetColor(clWhite);
        list->Font().SetColor(clBlack);
        list->SetParent(&form);
        list->OnSelectItem = [this](TObject*) { ++selectNotices; };
        for (int i = 0; i < 30; ++i)
            list->Items().Add("item " + std::to_string(i));
        form.Show();
        PumpMessages();
    }
    void TearDown() override { list.reset(); }
    int ItemHeight() { return static_cast<int>(SendMessageA(list->Handle(), LB_GETITEMHEIGHT, 0, 0)); }
};

TEST_F(EditListBoxTest, ItemsAreOwnerDrawnOneTextLineHighAndInsetByTwo) {
    EXPECT_EQ(list->Style(), lbOwnerDrawFixed);
    EXPECT_EQ(list->BorderStyle(), bsNone);
    EXPECT_EQ(ItemHeight(), list->GetItemHeight(0));
    EXPECT_EQ(list->GetItemsHeight(4), 4 * ItemHeight());
    TcxCanvas& screen = *GetSharedScreenCanvas();
    screen.AssignFont(list->Font());
    EXPECT_EQ(list->GetItemHeight(0), screen.MeasureTextHeight("Wg"));
    EXPECT_EQ(list->GetItemWidth(3), screen.MeasureTextWidth("item 3"));

    list->SetItemIndex(1);
    TPaintSurface surface(150, 100, RGB(255, 0, 255));
    SendMessageA(list->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(surface.DC()), PRF_CLIENT | PRF_ERASEBKGND);
    const int h = ItemHeight();
    // Item 0: white with black ink starting two pixels in; item 1: the highlight.
    int inkLeft = 150, inkRows = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 100; ++x)
            if (surface.At(x, y) == RGB(0, 0, 0)) {
                inkLeft = std::min(inkLeft, x);
                ++inkRows;
            }
    EXPECT_GT(inkRows, 0);
    // Two pixels in, and the glyph's own side bearing (a pixel at most).
    EXPECT_GE(inkLeft, 2);
    EXPECT_LE(inkLeft, 3);
    EXPECT_EQ(surface.At(100, h + h / 2), Sys(clHighlight));
}

TEST_F(EditListBoxTest, ClicksAndNewItemIndexesTellTheOwner) {
    list->SetItemIndex(4);
    EXPECT_EQ(list->ItemIndex(), 4);
    EXPECT_EQ(selectNotices, 1);
    // A click on an item: the list's own selection change.
    const int h = ItemHeight();
    SendMouse(*list, WM_LBUTTONDOWN, 20, 2 * h + 1, MK_LBUTTON);
    SendMouse(*list, WM_LBUTTONUP, 20, 2 * h + 1);
    PumpMessages();
    EXPECT_EQ(list->ItemIndex(), 2);
    EXPECT_GE(selectNotices, 2);
}

TEST_F(EditListBoxTest, HotTrackingFollowsTheMouseUnlessOff) {
    const int h = ItemHeight();
    SendMouse(*list, WM_MOUSEMOVE, 30, 3 * h + 2);
    EXPECT_EQ(list->ItemIndex(), 3);
    EXPECT_EQ(selectNotices, 1);
    // The same item again: no new notice.
    SendMouse(*list, WM_MOUSEMOVE, 40, 3 * h + 3);
    EXPECT_EQ(selectNotices, 1);
    list->HotTrack = false;
    SendMouse(*list, WM_MOUSEMOVE, 30, 1 * h + 2);
    EXPECT_EQ(list->ItemIndex(), 3);
}

TEST_F(EditListBoxTest, TheWheelScrollsByTheSystemsLines) {
    struct Row {
        UINT (*lines)();
        int notches;
        int top;
    } rows[] = {{&OneLine, -1, 1}, {&ThreeLines, -2, 6}, {&ThreeLines, 1, 0}};
    for (const Row& row : rows) {
        TWheelScrollLinesSource previous = SetWheelScrollLinesSource(row.lines);
        list->SetTopIndex(0);
        if (row.notches > 0) list->SetTopIndex(2);
        for (int i = 0; i < std::abs(row.notches); ++i) {
            const RECT r = list->BoundsRect();
            POINT center{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            ClientToScreen(form.Handle(), &center);
            SendMessageA(list->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, row.notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA),
                         MAKELPARAM(center.x, center.y));
        }
        SetWheelScrollLinesSource(previous);
        EXPECT_EQ(list->TopIndex(), row.top) << row.notches;
    }
}

TEST_F(EditListBoxTest, ItemCountIsReachedByEmptyItemsOrCuttingTheLast) {
    struct Row {
        int count;
        int want;
        const char* last;
    } rows[] = {{32, 32, ""}, {5, 5, "item 4"}, {0, 0, nullptr}, {-3, 0, nullptr}, {2, 2, ""}};
    for (const Row& row : rows) {
        list->SetItemCount(row.count);
        EXPECT_EQ(list->Items().Count(), row.want) << row.count;
        EXPECT_EQ(SendMessageA(list->Handle(), LB_GETCOUNT, 0, 0), row.want) << row.count;
        if (row.last) EXPECT_EQ(list->Items()[row.want - 1], row.last) << row.count;
    }
}

class TStyledListEdit : public TcxCustomEdit {
public:
    VZ_CLASS(TStyledListEdit, TcxCustomEdit)
    explicit TStyledListEdit(TComponent* owner = nullptr) : TcxCustomEdit(owner, false) {}
    ~TStyledListEdit() override { Destroying(); }

protected:
    TClass PropertiesClass() override { return TStyledTextProperties::StaticClass(); }
};

class TFocusRectListBox : public TcxCustomEditListBox {
public:
    using TcxCustomEditListBox::TcxCustomEditListBox;
    using TcxCustomEditListBox::DrawsFocusRect;
};

TEST(EditListBoxFocusRect, OnlyTheListAndNoTextStylesDrawIt) {
    TStyledListEdit edit;
    auto* properties = dynamic_cast<TStyledTextProperties*>(edit.Properties());
    ASSERT_NE(properties, nullptr);
    TFocusRectListBox list(nullptr);
    EXPECT_FALSE(list.DrawsFocusRect()) << "no editor";
    list.SetEdit(&edit);
    EXPECT_EQ(list.Edit(), &edit);
    struct Row {
        TcxTextEditingStyle style;
        bool draws;
    } rows[] = {{tesFreeText, false}, {tesListText, false}, {tesFixedList, true}, {tesNoText, true}};
    for (const Row& row : rows) {
        properties->Editing = row.style;
        EXPECT_EQ(list.DrawsFocusRect(), row.draws) << row.style;
    }
}

// --- the lookup data with a shown list ---------------------------------------------------------

class TListLookup : public TcxCustomTextEditLookupData {
public:
    VZ_CLASS(TListLookup, TcxCustomTextEditLookupData)
    TClass GetListBoxClass() override { return TcxCustomEditListBox::StaticClass(); }
};

class TListSide : public IcxTextEditLookupSide {
public:
    TcxTextEditProperties properties;
    AnsiString text;
    int selectNotices = 0;
    TcxCustomTextEditProperties* LookupProperties() override { return &properties; }
    AnsiString LookupText() override { return text; }
    int LookupSelStart() override { return 0; }
    int LookupSelLength() override { return 0; }
    void LookupSetText(const AnsiString& value, int, int) override { text = value; }
    void LookupSetSelection(int, int) override {}
    bool LookupCompletion() override { return false; }
    void LookupSetCompletion(bool) override {}
    bool LookupLocked() override { return false; }
    bool LookupTryEnterEditMode() override { return true; }
    void LookupSetChangePending(bool) override {}
    void LookupMarkModified() override {}
};

class LookupListTest : public testing::Test {
protected:
    THostForm form;
    TListSide side;
    TListLookup lookup;

    void SetUp() override {
        for (int i = 0; i < 20; ++i)
            side.properties.LookupItems()->Add("entry " + std::to_string(i));
        lookup.Side = &side;
        lookup.OnSelectItem = [this](TObject*) {
            ++side.selectNotices;
            side.text = lookup.GetItemTextByKey(lookup.GetCurrentKey());
        };
        form.Show();
    }
};

TEST_F(LookupListTest, AttachedListTakesTheItemsAndFollowsTheHighlight) {
    lookup.AttachList(&form);
    TcxCustomEditListBox* list = lookup.List();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(lookup.GetListControl(), list);
    EXPECT_EQ(list->Owner(), &form);
    EXPECT_EQ(list->Items().Count(), 20);
    lookup.PlaceList(TRect{0, 0, 120, 80});
    list->SetVisible(true);
    PumpMessages();
    EXPECT_EQ(list->Width(), 120);

    // Over a shown list navigation moves only the highlight.
    lookup.Navigate(eldPageDown, false);
    EXPECT_EQ(lookup.ItemIndex(), 7);
    EXPECT_EQ(list->ItemIndex(), 7);
    EXPECT_EQ(lookup.CurrentKey(), -1);
    EXPECT_EQ(side.selectNotices, 0);
    // Picking it commits it.
    lookup.CommitListItem();
    EXPECT_EQ(lookup.CurrentKey(), 7);
    EXPECT_EQ(side.text, "entry 7");
    // A choice in the list is the new highlight.
    list->SetItemIndex(3);
    EXPECT_EQ(lookup.ItemIndex(), 3);
    // With the text following at once, navigation changes the item.
    side.properties.SetImmediateUpdateText(true);
    lookup.Navigate(eldNext, false);
    EXPECT_EQ(lookup.CurrentKey(), 4);
    EXPECT_EQ(side.text, "entry 4");
    // A hidden list leaves navigation to the current item as well.
    side.properties.SetImmediateUpdateText(false);
    list->SetVisible(false);
    lookup.Navigate(eldFirst, false);
    EXPECT_EQ(lookup.CurrentKey(), 0);
}

TEST_F(LookupListTest, NoHighlightScrollsTheListToTheTopAndAFreedListIsForgotten) {
    lookup.AttachList(&form);
    TcxCustomEditListBox* list = lookup.List();
    lookup.PlaceList(TRect{0, 0, 120, 60});
    list->SetVisible(true);
    lookup.ChangeCurrentKey(Variant(15));
    lookup.RestoreListHighlight();
    EXPECT_EQ(list->ItemIndex(), 15);
    EXPECT_GT(list->TopIndex(), 0);
    lookup.ChangeCurrentKey(Variant(-1));
    lookup.RestoreListHighlight();
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_EQ(list->TopIndex(), 0);
    // The owner frees the list: the lookup no longer reaches it.
    delete list;
    EXPECT_EQ(lookup.List(), nullptr);
    lookup.Navigate(eldLast, false);
    EXPECT_EQ(lookup.CurrentKey(), 19);
}

} // namespace
