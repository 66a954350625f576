#include <gtest/gtest.h>

#include "ui/editors/framework/EditButtons.h"

namespace {
// A collection with two buttons that counts the changes reaching its owner.
struct TButtonsFixture : testing::Test {
    TButtonsFixture() {
        first = buttons.Add();
        second = buttons.Add();
        buttons.OnChange = [this](TObject* sender) {
            EXPECT_EQ(sender, &buttons);
            ++changes;
        };
    }
    TcxEditButtons buttons;
    TcxEditButton* first;
    TcxEditButton* second;
    int changes = 0;
};
} // namespace

TEST_F(TButtonsFixture, NewButtonsHaveTheirDefaults) {
    EXPECT_EQ(first->Kind(), bkDown);
    EXPECT_EQ(first->ContentAlignment(), taCenter);
    EXPECT_TRUE(first->Enabled());
    EXPECT_TRUE(first->Visible());
    EXPECT_TRUE(first->Stretchable());
    EXPECT_FALSE(first->Default());
    EXPECT_FALSE(first->LeftAlignment());
    EXPECT_EQ(first->Width(), 0);
    EXPECT_EQ(first->CaptionColor(), clBtnText);
    EXPECT_FALSE(first->IsTagStored());
    EXPECT_EQ(buttons.GetVisibleCount(), 2);
    EXPECT_EQ(buttons.GetItem(1), second);
    EXPECT_EQ(TcxEditButtons::ButtonClass(), TcxEditButton::StaticClass());
}

TEST_F(TButtonsFixture, SettersReportOnlyRealChanges) {
    using TSet = void (*)(TcxEditButton&);
    const std::pair<const char*, TSet> cases[] = {
        {"Caption", [](TcxEditButton& b) { b.SetCaption("&Go"); }},
        {"ContentAlignment", [](TcxEditButton& b) { b.SetContentAlignment(taLeftJustify); }},
        {"Enabled", [](TcxEditButton& b) { b.SetEnabled(false); }},
        {"Kind", [](TcxEditButton& b) { b.SetKind(bkGlyph); }},
        {"LeftAlignment", [](TcxEditButton& b) { b.SetLeftAlignment(true); }},
        {"Stretchable", [](TcxEditButton& b) { b.SetStretchable(false); }},
        {"Tag", [](TcxEditButton& b) { b.SetButtonTag(7); }},
        {"CaptionColor", [](TcxEditButton& b) { b.SetCaptionColor(clRed); }},
        {"Visible", [](TcxEditButton& b) { b.SetVisible(false); }},
        {"Width", [](TcxEditButton& b) { b.SetWidth(20); }},
        {"Default", [](TcxEditButton& b) { b.SetDefault(true); }},
    };
    for (const auto& [name, set] : cases) {
        changes = 0;
        set(*first);
        EXPECT_EQ(changes, 1) << name;
        set(*first);
        EXPECT_EQ(changes, 1) << name << " again";
    }
    EXPECT_EQ(buttons.GetVisibleCount(), 1);
    EXPECT_TRUE(first->IsTagStored());
}

TEST_F(TButtonsFixture, OnlyOneButtonIsDefault) {
    first->SetDefault(true);
    changes = 0;
    second->SetDefault(true);
    EXPECT_FALSE(first->Default());
    EXPECT_TRUE(second->Default());
    EXPECT_EQ(changes, 1);
    second->SetDefault(false);
    EXPECT_FALSE(second->Default());
    EXPECT_EQ(changes, 2);
}

TEST_F(TButtonsFixture, ShownCaptionDropsAcceleratorMarks) {
    const std::pair<const char*, const char*> cases[] = {
        {"&OK", "OK"}, {"A&&B", "A&B"}, {"Save &As...", "Save As..."},
        {"", ""},      {"&&&X", "&X"},  {"End&", "End"},
    };
    for (const auto& [caption, shown] : cases) {
        first->SetCaption(caption);
        EXPECT_EQ(first->Caption(), caption);
        EXPECT_EQ(first->ShownCaption(), shown) << caption;
    }
}

TEST_F(TButtonsFixture, GlyphIsMadeOnReadCopiedOnSetAndFreedForNil) {
    EXPECT_FALSE(first->HasGlyph());
    TBitmap picture(5, 4);
    first->SetGlyph(&picture);
    EXPECT_EQ(changes, 1);
    ASSERT_TRUE(first->HasGlyph());
    EXPECT_NE(first->Glyph(), &picture);
    EXPECT_EQ(first->Glyph()->Width(), 5);
    // A change of the glyph itself reaches the collection.
    first->Glyph()->SetSize(8, 8);
    EXPECT_GE(changes, 2);
    int before = changes;
    first->SetGlyph(nullptr);
    EXPECT_FALSE(first->HasGlyph());
    EXPECT_EQ(changes, before + 1);
    EXPECT_TRUE(first->Glyph()->Empty());
    EXPECT_TRUE(first->HasGlyph());
}

TEST_F(TButtonsFixture, NegativeWidthIsIgnored) {
    first->SetWidth(12);
    changes = 0;
    first->SetWidth(-1);
    EXPECT_EQ(first->Width(), 12);
    EXPECT_EQ(changes, 0);
    first->SetWidth(0);
    EXPECT_EQ(first->Width(), 0);
}

TEST_F(TButtonsFixture, AssignCopiesEveryFieldInOneChange) {
    TcxEditButtons others;
    TcxEditButton* source = others.Add();
    source->SetCaption("&Find");
    source->SetContentAlignment(taRightJustify);
    source->SetDefault(true);
    source->SetEnabled(false);
    TBitmap picture(3, 3);
    source->SetGlyph(&picture);
    source->SetHint("Find it|Long text");
    source->SetKind(bkText);
    source->SetLeftAlignment(true);
    source->SetStretchable(false);
    source->SetButtonTag(9);
    source->SetCaptionColor(clBlue);
    source->SetVisible(false);
    source->SetWidth(30);

    changes = 0;
    first->Assign(source);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(first->Caption(), "&Find");
    EXPECT_EQ(first->ShownCaption(), "Find");
    EXPECT_EQ(first->ContentAlignment(), taRightJustify);
    EXPECT_TRUE(first->Default());
    EXPECT_FALSE(first->Enabled());
    ASSERT_TRUE(first->HasGlyph());
    EXPECT_EQ(first->Glyph()->Width(), 3);
    EXPECT_EQ(first->Hint(), "Find it|Long text");
    EXPECT_EQ(first->Kind(), bkText);
    EXPECT_TRUE(first->LeftAlignment());
    EXPECT_FALSE(first->Stretchable());
    EXPECT_EQ(first->ButtonTag(), 9);
    EXPECT_EQ(first->CaptionColor(), clBlue);
    EXPECT_FALSE(first->Visible());
    EXPECT_EQ(first->Width(), 30);

    // The whole collection: as many buttons, each a copy.
    TcxEditButtons copy;
    copy.Assign(&buttons);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.GetItem(0)->Kind(), bkText);
    EXPECT_EQ(copy.GetItem(1)->Kind(), bkDown);
}
