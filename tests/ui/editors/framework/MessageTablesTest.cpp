#include <gtest/gtest.h>

#include "FrameworkUnits.h"
#include "ui/editors/framework/DataMessages.h"
#include "ui/editors/framework/EditorStrings.h"
#include "ui/editors/framework/FilterStrings.h"
#include "ui/editors/framework/LibraryStrings.h"

namespace {
TdxProductResourceStrings* Group(const char* name) {
    TdxResourceStringsRepository* repository = GetResourceStringsRepository();
    int index = repository->IndexOfProduct(name);
    return index < 0 ? nullptr : repository->Items(index);
}

AnsiString TextOf(TdxProductResourceStrings* group, const char* name) {
    int index = group->ResStringNames().IndexOf(name);
    return index < 0 ? AnsiString("<missing>") : GetResourceStringText(group->ResStringAddress(index));
}
} // namespace

TEST(MessageTables, EachGroupListsItsNamesInOrderWithTheirTexts) {
    struct Case {
        const char* group;
        int count;
        const char* first;
        const char* last;
        std::vector<std::pair<const char*, AnsiString>> texts;
    } cases[] = {
        {DataMessagesGroup,
         12,
         "cxSDataReadError",
         "cxSDBKeyFieldNotFound",
         {{"cxSDataReadError", "Stream read error"},
          {"cxSDataProviderModeError", "This operation is not supported in provider mode"},
          {"cxSDBKeyFieldNotFound", "Key Field not found"}}},
        {LibraryStringsGroup,
         24,
         "scxCantCreateRegistryKey",
         "cxSDateNow",
         {{"scxCantCreateRegistryKey", "Can't create the registry key: \\%s"},
          {"cxSDateToday", "\xBD\xF1\xCC\xEC"}, // code page 936
          {"cxSDateSaturday", "Saturday"},
          {"cxSDateEOM", "eom"}}},
        {EditorStringsGroup,
         104,
         "cxSEditButtonCancel",
         "cxSSpinEditInvalidNumericValue",
         {{"cxSEditPostError", "An error occured during posting edit value"},
          {"cxSEditCheckBoxGrayed", ""},
          {"cxSDateError", "\xCE\xDE\xD0\xA7\xB5\xC4\xC8\xD5\xC6\xDA"},
          {"scxSEditRepositoryMaskItem", "MaskEdit|Represents a generic masked edit control."},
          {"scxRegExprIncorrectSpace", "The space character is not allowed after '\\'"},
          {"scxRegExprHexNumberExpected", "Hexadecimal number expected but '%s' found"},
          {"scxRegExprTooComplex", "The regular expression is too complex"},
          {"cxSSpinEditInvalidNumericValue", "Invalid numeric value"}}},
        {FilterStringsGroup,
         50,
         "cxSFilterOperatorEqual",
         "cxSFilterBoxNonBlanksCaption",
         {{"cxSFilterOperatorNotBetween", "not between"},
          {"cxSFilterOperatorIsNotNull", "is not blank"},
          {"cxSFilterBoxCustomCaption", "(Custom...)"}}},
        {ExtEditStringsGroup,
         40,
         "scxSEditRepositoryColorComboBoxItem",
         "cxSEditRichEditSelectAllCaption",
         {{"scxSEditRepositoryColorComboBoxItem", "ColorComboBox |Represents a editor with color functionality"},
          {"scxUDAssociated", " is already associated with "},
          {"cxSEditCheckGroupCaptionStateDelimiter", ": "}}},
        {FilterControlStringsGroup,
         33,
         "cxSFilterBoolOperatorAnd",
         "cxSFilterControlDialogFileFilter",
         {{"cxSFilterFooterAddCondition", "press the button to add a new condition"},
          {"cxSFilterDialogOperationOr", "OR"},
          {"cxSFilterControlDialogFileFilter", "Filters (*.flt)|*.flt"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.group);
        TdxProductResourceStrings* group = Group(c.group);
        ASSERT_NE(group, nullptr);
        TStringList& names = group->ResStringNames();
        ASSERT_EQ(names.Count(), c.count);
        EXPECT_EQ(names.Strings(0), c.first);
        EXPECT_EQ(names.Strings(c.count - 1), c.last);
        for (int i = 0; i < names.Count(); ++i)
            for (int j = i + 1; j < names.Count(); ++j)
                EXPECT_NE(group->ResStringAddress(i), group->ResStringAddress(j)) << names.Strings(i).c_str();
        for (const auto& [name, text] : c.texts)
            EXPECT_EQ(TextOf(group, name), text) << name;
    }
    // The group's addresses are the variables the code raises with.
    EXPECT_EQ(
        Group(EditorStringsGroup)
            ->ResStringAddress(Group(EditorStringsGroup)->ResStringNames().IndexOf("scxRegExprNotCompiled")),
        &scxRegExprNotCompiled);
}

TEST(MessageTables, TheUnitEndsRemoveTheirGroups) {
    FinalizeUnits();
    for (const char* name : {DataMessagesGroup, LibraryStringsGroup, EditorStringsGroup, FilterStringsGroup, ExtEditStringsGroup,
                             FilterControlStringsGroup})
        EXPECT_EQ(Group(name), nullptr) << name;
    InitializeUnits(FrameworkTestUnits());
    for (const char* name : {DataMessagesGroup, LibraryStringsGroup, EditorStringsGroup, FilterStringsGroup, ExtEditStringsGroup,
                             FilterControlStringsGroup})
        EXPECT_NE(Group(name), nullptr) << name;
}
