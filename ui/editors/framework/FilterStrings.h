#pragma once
// Strings of the filter support, the extended editors and the filter control: three tables, each a
// group of the resource-string repository of its own unit ("cxFilter", "cxExtEdit",
// "cxFilterControl"). The filter operator captions come first, in the order of the operator numbers
// that TcxCustomFilterEditHelper::ListFilterOperators answers.
#include "ui/editors/framework/StringTable.h"

#define VZ_FILTER_STRINGS(X)                                                  \
    X(cxSFilterOperatorEqual, "equals")                                       \
    X(cxSFilterOperatorNotEqual, "does not equal")                            \
    X(cxSFilterOperatorLess, "is less than")                                  \
    X(cxSFilterOperatorLessEqual, "is less than or equal to")                 \
    X(cxSFilterOperatorGreater, "is greater than")                            \
    X(cxSFilterOperatorGreaterEqual, "is greater than or equal to")           \
    X(cxSFilterOperatorLike, "like")                                          \
    X(cxSFilterOperatorNotLike, "not like")                                   \
    X(cxSFilterOperatorBetween, "between")                                    \
    X(cxSFilterOperatorNotBetween, "not between")                             \
    X(cxSFilterOperatorInList, "in")                                          \
    X(cxSFilterOperatorNotInList, "not in")                                   \
    X(cxSFilterOperatorYesterday, "is yesterday")                             \
    X(cxSFilterOperatorToday, "is today")                                     \
    X(cxSFilterOperatorTomorrow, "is tomorrow")                               \
    X(cxSFilterOperatorLast7Days, "is last 7 days")                           \
    X(cxSFilterOperatorLastWeek, "is last week")                              \
    X(cxSFilterOperatorLast14Days, "is last 14 days")                         \
    X(cxSFilterOperatorLastTwoWeeks, "is last two weeks")                     \
    X(cxSFilterOperatorLast30Days, "is last 30 days")                         \
    X(cxSFilterOperatorLastMonth, "is last month")                            \
    X(cxSFilterOperatorLastYear, "is last year")                              \
    X(cxSFilterOperatorPast, "is past")                                       \
    X(cxSFilterOperatorThisWeek, "is this week")                              \
    X(cxSFilterOperatorThisMonth, "is this month")                            \
    X(cxSFilterOperatorThisYear, "is this year")                              \
    X(cxSFilterOperatorNext7Days, "is next 7 days")                           \
    X(cxSFilterOperatorNextWeek, "is next week")                              \
    X(cxSFilterOperatorNext14Days, "is next 14 days")                         \
    X(cxSFilterOperatorNextTwoWeeks, "is next two weeks")                     \
    X(cxSFilterOperatorNext30Days, "is next 30 days")                         \
    X(cxSFilterOperatorNextMonth, "is next month")                            \
    X(cxSFilterOperatorNextYear, "is next year")                              \
    X(cxSFilterOperatorFuture, "is future")                                   \
    X(cxSFilterAndCaption, "and")                                             \
    X(cxSFilterOrCaption, "or")                                               \
    X(cxSFilterNotCaption, "not")                                             \
    X(cxSFilterBlankCaption, "blank")                                         \
    X(cxSFilterOperatorIsNull, "is blank")                                    \
    X(cxSFilterOperatorIsNotNull, "is not blank")                             \
    X(cxSFilterOperatorBeginsWith, "begins with")                             \
    X(cxSFilterOperatorDoesNotBeginWith, "does not begin with")               \
    X(cxSFilterOperatorEndsWith, "ends with")                                 \
    X(cxSFilterOperatorDoesNotEndWith, "does not end with")                   \
    X(cxSFilterOperatorContains, "contains")                                  \
    X(cxSFilterOperatorDoesNotContain, "does not contain")                    \
    X(cxSFilterBoxAllCaption, "(All)")                                        \
    X(cxSFilterBoxCustomCaption, "(Custom...)")                               \
    X(cxSFilterBoxBlanksCaption, "(Blanks)")                                  \
    X(cxSFilterBoxNonBlanksCaption, "(NonBlanks)")

#define VZ_EXT_EDIT_STRINGS(X)                                                                               \
    X(scxSEditRepositoryColorComboBoxItem, "ColorComboBox |Represents a editor with color functionality")    \
    X(scxSEditRepositoryFontNameComboBoxItem, "FontNameComboBox |Represents a editor with font functionality") \
    X(scxSEditRepositoryLabelItem, "Label|Represents a Label")                                               \
    X(scxSEditRepositoryProgressBarItem, "ProgressBar|Represents a ProgressBar")                             \
    X(scxSEditRepositoryTrackBarItem, "TrackBar|Represents a TrackBar")                                      \
    X(scxSEditRepositorySpinButtonItem, "SpinButton|Represents a SpinButton")                                \
    X(scxSEditRepositoryCheckComboBox, "CheckComboBox|Represents a CheckComboBox")                           \
    X(scxSEditRepositoryShellComboBoxItem, "ShellComboBox|Represents a combo box with a dropdown shell tree view") \
    X(scxSEditRepositoryCheckGroupItem, "CheckGroup|Represents a group of check boxes")                      \
    X(scxUDAssociated, " is already associated with ")                                                      \
    X(scxHotZoneStyleMediaPlayer9, "MediaPlayer9")                                                           \
    X(scxHotZoneStyleMediaPlayer8, "MediaPlayer8")                                                           \
    X(scxHotZoneStyleXPTaskBar, "XPTaskBar")                                                                 \
    X(scxHotZoneStyleSimple, "Simple")                                                                       \
    X(scxLoadingFonts, "Loading ...")                                                                        \
    X(cxSEditCheckGroupCaptionStateDelimiter, ": ")                                                          \
    X(cxSEditCheckGroupFilterColumnSeparator, "; ")                                                          \
    X(cxSEditCheckGroupChecked, "Checked")                                                                   \
    X(cxSEditCheckGroupGrayed, "Grayed")                                                                     \
    X(cxSEditCheckGroupUnchecked, "Unchecked")                                                               \
    X(cxSCheckComboBoxStatesItemsPropertyDlgCaption, "cxCheckComboBox - CheckStates editor")                 \
    X(cxSCheckGroupStatesItemsPropertyDlgCaption, "cxCheckGroup - CheckStates editor")                       \
    X(cxSCheckComboBoxEmptySelectionText, "None selected")                                                   \
    X(cxSColorComboBoxDefaultDescription, "Color not selected")                                              \
    X(cxSEditRichEditLibraryError, "Cannot load a RichEdit library")                                         \
    X(cxSEditRichEditLineInsertionError, "RichEdit line insertion error")                                    \
    X(cxSEditRichEditLoadFail, "Failed to Load Stream")                                                      \
    X(cxSEditRichEditSaveFail, "Failed to Save Stream")                                                      \
    X(cxSEditRichEditSelectionSaveFail, "Failed to selection Save Stream")                                   \
    X(cxSEditRichEditOleInterfaceFail, "RichEdit: failed to get IRichEditOle interface")                     \
    X(cxSEditRichEditCallBackFail, "RichEdit: failed to set callback")                                       \
    X(cxSEditRichEditLinkFail, "RichEdit: cannot link to an invalid source")                                 \
    X(scxSEditRepositoryRichEditItem, "RichEdit|RichEdit control")                                           \
    X(cxSEditRichEditUndoCaption, "&Undo")                                                                   \
    X(cxSEditRichEditRedoCaption, "&Redo")                                                                   \
    X(cxSEditRichEditCutCaption, "Cu&t")                                                                     \
    X(cxSEditRichEditCopyCaption, "&Copy")                                                                   \
    X(cxSEditRichEditPasteCaption, "&Paste")                                                                 \
    X(cxSEditRichEditDeleteCaption, "&Delete")                                                               \
    X(cxSEditRichEditSelectAllCaption, "Select &All")

#define VZ_FILTER_CONTROL_STRINGS(X)                                                              \
    X(cxSFilterBoolOperatorAnd, "AND")                                                            \
    X(cxSFilterBoolOperatorOr, "OR")                                                              \
    X(cxSFilterBoolOperatorNotAnd, "NOT AND")                                                     \
    X(cxSFilterBoolOperatorNotOr, "NOT OR")                                                       \
    X(cxSFilterRootButtonCaption, "Filter")                                                       \
    X(cxSFilterAddCondition, "Add &Condition")                                                    \
    X(cxSFilterAddGroup, "Add &Group")                                                            \
    X(cxSFilterRemoveRow, "&Remove Row")                                                          \
    X(cxSFilterClearAll, "Clear &All")                                                            \
    X(cxSFilterFooterAddCondition, "press the button to add a new condition")                     \
    X(cxSFilterGroupCaption, "applies to the following conditions")                               \
    X(cxSFilterRootGroupCaption, "<root>")                                                        \
    X(cxSFilterControlNullString, "<empty>")                                                      \
    X(cxSFilterErrorBuilding, "Can't build filter from source")                                   \
    X(cxSFilterDialogCaption, "Custom Filter")                                                    \
    X(cxSFilterDialogInvalidValue, "Invalid value")                                               \
    X(cxSFilterDialogUse, "Use")                                                                  \
    X(cxSFilterDialogSingleCharacter, "to represent any single character")                        \
    X(cxSFilterDialogCharactersSeries, "to represent any series of characters")                   \
    X(cxSFilterDialogOperationAnd, "AND")                                                         \
    X(cxSFilterDialogOperationOr, "OR")                                                           \
    X(cxSFilterDialogRows, "Show rows where:")                                                    \
    X(cxSFilterControlDialogCaption, "Filter builder")                                            \
    X(cxSFilterControlDialogNewFile, "untitled.flt")                                              \
    X(cxSFilterControlDialogOpenDialogCaption, "Open an existing filter")                         \
    X(cxSFilterControlDialogSaveDialogCaption, "Save the active filter to file")                  \
    X(cxSFilterControlDialogActionSaveCaption, "&Save As...")                                     \
    X(cxSFilterControlDialogActionOpenCaption, "&Open...")                                        \
    X(cxSFilterControlDialogActionApplyCaption, "&Apply")                                         \
    X(cxSFilterControlDialogActionOkCaption, "OK")                                                \
    X(cxSFilterControlDialogActionCancelCaption, "Cancel")                                        \
    X(cxSFilterControlDialogFileExt, "flt")                                                       \
    X(cxSFilterControlDialogFileFilter, "Filters (*.flt)|*.flt")

VZ_FILTER_STRINGS(VZ_DECLARE_RES_STRING)
VZ_EXT_EDIT_STRINGS(VZ_DECLARE_RES_STRING)
VZ_FILTER_CONTROL_STRINGS(VZ_DECLARE_RES_STRING)

extern const char* const FilterStringsGroup;
extern const char* const ExtEditStringsGroup;
extern const char* const FilterControlStringsGroup;

void FilterStringsInitialize();
void FilterStringsFinalize();
void ExtEditStringsInitialize();
void ExtEditStringsFinalize();
void FilterControlStringsInitialize();
void FilterControlStringsFinalize();
