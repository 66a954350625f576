#pragma once
// The editors' strings: buttons, messages, captions, navigator hints, repository item
// descriptions ("name|description"), regular-expression and mask errors (group "cxEditor").
#include "ui/editors/framework/StringTable.h"

#define VZ_EDITOR_STRINGS(X)                                                                                 \
    X(cxSEditButtonCancel, "Cancel")                                                                         \
    X(cxSEditButtonOK, "OK")                                                                                 \
    X(cxSEditDateConvertError, "Could not convert to date")                                                  \
    X(cxSEditInvalidRepositoryItem, "The repository item is not acceptable")                                 \
    X(cxSEditNumericValueConvertError, "Could not convert to numeric value")                                 \
    X(cxSEditPopupCircularReferencingError, "Circular referencing is not allowed")                           \
    X(cxSEditPostError, "An error occured during posting edit value")                                        \
    X(cxSEditTimeConvertError, "Could not convert to time")                                                  \
    X(cxSEditValidateErrorText, "Invalid input value. Use escape key to abandon changes")                    \
    X(cxSEditValueOutOfBounds, "Value out of bounds")                                                        \
    X(cxSEditCheckBoxChecked, "True")                                                                        \
    X(cxSEditCheckBoxGrayed, "")                                                                             \
    X(cxSEditCheckBoxUnchecked, "False")                                                                     \
    X(cxSRadioGroupDefaultCaption, "")                                                                       \
    X(cxSTextTrue, "True")                                                                                   \
    X(cxSTextFalse, "False")                                                                                 \
    X(cxSBlobButtonOK, "&OK")                                                                                \
    X(cxSBlobButtonCancel, "&Cancel")                                                                        \
    X(cxSBlobButtonClose, "&Close")                                                                          \
    X(cxSBlobMemo, "(MEMO)")                                                                                 \
    X(cxSBlobMemoEmpty, "(memo)")                                                                            \
    X(cxSBlobPicture, "(PICTURE)")                                                                           \
    X(cxSBlobPictureEmpty, "(picture)")                                                                      \
    X(cxSMenuItemCaptionCut, "Cu&t")                                                                         \
    X(cxSMenuItemCaptionCopy, "&Copy")                                                                       \
    X(cxSMenuItemCaptionPaste, "&Paste")                                                                     \
    X(cxSMenuItemCaptionDelete, "&Delete")                                                                   \
    X(cxSMenuItemCaptionLoad, "&Load...")                                                                    \
    X(cxSMenuItemCaptionSave, "Save &As...")                                                                 \
    X(cxSDatePopupClear, "清除")                                                                             \
    X(cxSDatePopupNow, "现在")                                                                               \
    X(cxSDatePopupOK, "确定")                                                                                \
    X(cxSDatePopupToday, "今天")                                                                             \
    X(cxSDateError, "无效的日期")                                                                            \
    X(scxSCalcError, "Error")                                                                                \
    X(scxSHyperLinkPrefix, "http:")                                                                          \
    X(scxSHyperLinkDoubleSlash, "//")                                                                        \
    X(cxNavigatorHint_First, "First record")                                                                 \
    X(cxNavigatorHint_Prior, "Prior record")                                                                 \
    X(cxNavigatorHint_PriorPage, "Prior page")                                                               \
    X(cxNavigatorHint_Next, "Next record")                                                                   \
    X(cxNavigatorHint_NextPage, "Next page")                                                                 \
    X(cxNavigatorHint_Last, "Last record")                                                                   \
    X(cxNavigatorHint_Insert, "Insert record")                                                               \
    X(cxNavigatorHint_Append, "Append record")                                                               \
    X(cxNavigatorHint_Delete, "Delete record")                                                               \
    X(cxNavigatorHint_Edit, "Edit record")                                                                   \
    X(cxNavigatorHint_Post, "Post edit")                                                                     \
    X(cxNavigatorHint_Cancel, "Cancel edit")                                                                 \
    X(cxNavigatorHint_Refresh, "Refresh data")                                                               \
    X(cxNavigatorHint_SaveBookmark, "Save bookmark")                                                         \
    X(cxNavigatorHint_GotoBookmark, "Go to bookmark")                                                        \
    X(cxNavigatorHint_Filter, "Filter data")                                                                 \
    X(cxNavigator_DeleteRecordQuestion, "Delete record?")                                                    \
    X(scxSEditRepositoryBlobItem, "BlobEdit|Represents a BLOB editor")                                       \
    X(scxSEditRepositoryButtonItem, "ButtonEdit|Represents an editor with buttons")                          \
    X(scxSEditRepositoryCalcItem, "CalcEdit|Represents an editor with a drop-down calculator")               \
    X(scxSEditRepositoryCheckBoxItem, "CheckBox|Represents a check box")                                     \
    X(scxSEditRepositoryComboBoxItem, "ComboBox|Represents a combo box")                                     \
    X(scxSEditRepositoryCurrencyItem, "CurrencyEdit|Represents a currency editor")                           \
    X(scxSEditRepositoryDateItem, "DateEdit|Represents a date editor")                                       \
    X(scxSEditRepositoryHyperLinkItem, "HyperLink|Represents a hyperlink editor")                            \
    X(scxSEditRepositoryImageComboBoxItem, "ImageComboBox|Represents a combo box with images")               \
    X(scxSEditRepositoryImageItem, "Image|Represents an image editor")                                       \
    X(scxSEditRepositoryLookupComboBoxItem, "LookupComboBox|Represents a lookup combo box")                  \
    X(scxSEditRepositoryMaskItem, "MaskEdit|Represents a generic masked edit control.")                      \
    X(scxSEditRepositoryMemoItem, "Memo|Represents a multi-line text editor")                                \
    X(scxSEditRepositoryMRUItem, "MRUEdit|Represents an editor with a most recently used list")              \
    X(scxSEditRepositoryPopupItem, "PopupEdit|Represents an editor with a popup window")                     \
    X(scxSEditRepositorySpinItem, "SpinEdit|Represents a spin editor")                                       \
    X(scxSEditRepositoryRadioGroupItem, "RadioGroup|Represents a group of radio buttons")                    \
    X(scxSEditRepositoryTextItem, "TextEdit|Represents a single line text editor")                           \
    X(scxSEditRepositoryTimeItem, "TimeEdit|Represents a time editor")                                       \
    X(scxRegExprLine, "Line")                                                                                \
    X(scxRegExprChar, "Char")                                                                                \
    X(scxRegExprNotAssignedSourceStream, "The source stream is not assigned")                                \
    X(scxRegExprEmptySourceStream, "The source stream is empty")                                             \
    X(scxRegExprCantUsePlusQuantifier, "The '+' quantifier cannot be applied here")                          \
    X(scxRegExprCantUseStarQuantifier, "The '*' quantifier cannot be applied here")                          \
    X(scxRegExprCantCreateEmptyAlt, "The alternative should not be empty")                                   \
    X(scxRegExprCantCreateEmptyBlock, "The block should not be empty")                                       \
    X(scxRegExprIllegalSymbol, "Illegal '%s'")                                                               \
    X(scxRegExprIllegalQuantifier, "Illegal quantifier '%s'")                                                \
    X(scxRegExprNotSupportQuantifier, "The parameter quantifiers are not supported")                         \
    X(scxRegExprIllegalIntegerValue, "Illegal integer value")                                                \
    X(scxRegExprTooBigReferenceNumber, "Too big reference number")                                           \
    X(scxRegExprCantCreateEmptyEnum, "Can't create empty enumeration")                                       \
    X(scxRegExprSubrangeOrder, "The starting character of the subrange must be less than the finishing one") \
    X(scxRegExprHexNumberExpected0, "Hexadecimal number expected")                                           \
    X(scxRegExprHexNumberExpected, "Hexadecimal number expected but '%s' found")                             \
    X(scxRegExprMissing, "Missing '%s'")                                                                     \
    X(scxRegExprUnnecessary, "Unnecessary '%s'")                                                             \
    X(scxRegExprIncorrectSpace, "The space character is not allowed after '\\'")                             \
    X(scxRegExprNotCompiled, "Regular expression is not compiled")                                           \
    X(scxRegExprIncorrectParameterQuantifier, "Incorrect parameter quantifier")                              \
    X(scxRegExprCantUseParameterQuantifier, "The parameter quantifier cannot be applied here")               \
    X(scxRegExprTooComplex, "The regular expression is too complex")                                         \
    X(scxMaskEditRegExprError, "Regular expression errors:")                                                 \
    X(scxMaskEditInvalidEditValue, "The edit value is invalid")                                              \
    X(scxMaskEditNoMask, "None")                                                                             \
    X(scxMaskEditIllegalFileFormat, "Illegal file format")                                                   \
    X(scxMaskEditEmptyMaskCollectionFile, "The mask collection file is empty")                               \
    X(scxMaskEditMaskCollectionFiles, "Mask collection files")                                               \
    X(cxSSpinEditInvalidNumericValue, "Invalid numeric value")

VZ_EDITOR_STRINGS(VZ_DECLARE_RES_STRING)

extern const char* const EditorStringsGroup;
void EditorStringsInitialize();
void EditorStringsFinalize();
