#include <gtest/gtest.h>

#include "launcher/FSysLoader.h"

// The status window as its stored form describes it, before any window exists.
TEST(FSysLoader, StoredForm) {
    FormsInitialize();
    TFSysLoader* form = nullptr;
    Application->CreateForm(form);
    EXPECT_EQ("FSysLoader", form->Name());
    EXPECT_EQ(bsNone, form->BorderStyle());
    EXPECT_EQ("程序更新...", form->Caption());
    EXPECT_EQ(321, form->ClientWidth());
    EXPECT_EQ(98, form->ClientHeight());
    EXPECT_EQ(clBtnFace, form->Color());
    EXPECT_EQ(poScreenCenter, form->Position());
    EXPECT_EQ("宋体", form->Font().Name());
    EXPECT_EQ(-12, form->Font().Height());
    EXPECT_EQ(ANSI_CHARSET, form->Font().Charset());
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(form->HandleAllocated());

    ASSERT_NE(nullptr, form->lblNote);
    TLabel& note = *form->lblNote;
    EXPECT_EQ(form->lblNote, form->FindComponent("lblNote"));
    EXPECT_EQ(form, note.Parent());
    EXPECT_EQ(9, note.Left());
    EXPECT_EQ(29, note.Top());
    EXPECT_EQ(295, note.Width());
    EXPECT_EQ(25, note.Height());
    EXPECT_EQ(taCenter, note.Alignment());
    EXPECT_FALSE(note.AutoSize());
    EXPECT_TRUE(note.Transparent());
    EXPECT_TRUE(note.WordWrap());
    EXPECT_EQ("正在启动,请稍后 ... ...", note.Caption());
    EXPECT_TRUE(note.ParentFont());
    EXPECT_EQ("宋体", note.Font().Name());

    delete form;
    FormsFinalize();
}
