#pragma once
// Types shared by the dataset framework: field types, dataset states, data events, update kinds
// and the database error.
#include <cstdint>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/Variant.h"

class TComponent;

// Field types in the platform's order; codes above ftFMTBcd (37) are left to the libraries
// built on the framework.
enum TFieldType : int {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftCursor,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet,
    ftOraBlob,
    ftOraClob,
    ftVariant,
    ftInterface,
    ftIDispatch,
    ftGuid,
    ftTimeStamp,
    ftFMTBcd,
};
constexpr int ftLastPlatformType = ftFMTBcd;

// Name of a field type ("String", "Integer" ...); "Unknown" past the platform's list.
const char* FieldTypeName(TFieldType type);

enum TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsCurValue,
    dsBlockRead,
    dsInternalCalc,
    dsOpening,
};

enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
    deFocusControl,
    deParentScroll,
    deConnectChange,
    deReconcileError,
    deDisabledStateChange,
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

// Resync modes (a set).
using TResyncMode = unsigned;
constexpr TResyncMode rmExact = 1;
constexpr TResyncMode rmCenter = 2;

// Scoped: the record model has item-status and update-kind constants of the same names.
enum class TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
enum class TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };
using TUpdateStatusSet = unsigned; // bit 1 << TUpdateStatus
constexpr TUpdateStatusSet UpdateStatusBit(TUpdateStatus status) {
    return 1u << static_cast<unsigned>(status);
}
enum class TUpdateKind { ukModify, ukInsert, ukDelete };
enum TUpdateAction { uaFail, uaAbort, uaSkip, uaRetry, uaApplied };
enum TUpdateMode { upWhereAll, upWhereChanged, upWhereKeyOnly };
// What an error event chooses: raise, end silently (EAbort) or run the operation again.
enum TDataAction { daFail, daAbort, daRetry };

// Locate options (a set).
using TLocateOptions = unsigned;
constexpr TLocateOptions loCaseInsensitive = 1;
constexpr TLocateOptions loPartialKey = 2;

// Filter options (a set).
using TFilterOptions = unsigned;
constexpr TFilterOptions foCaseInsensitive = 1;
constexpr TFilterOptions foNoPartialCompare = 2;

// Provider flags (a set).
using TProviderFlags = unsigned;
constexpr TProviderFlags pfInUpdate = 1;
constexpr TProviderFlags pfInWhere = 2;
constexpr TProviderFlags pfInKey = 4;
constexpr TProviderFlags pfHidden = 8;

enum TAutoRefreshFlag { arNone, arAutoInc, arDefault };
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };
enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

// Field-definition attributes (a set).
using TFieldAttributes = unsigned;
constexpr TFieldAttributes faHiddenCol = 1;
constexpr TFieldAttributes faReadonly = 2;
constexpr TFieldAttributes faRequired = 4;
constexpr TFieldAttributes faLink = 8;
constexpr TFieldAttributes faUnNamed = 16;
constexpr TFieldAttributes faFixed = 32;

// Index options (a set).
using TIndexOptions = unsigned;
constexpr TIndexOptions ixPrimary = 1;
constexpr TIndexOptions ixUnique = 2;
constexpr TIndexOptions ixDescending = 4;
constexpr TIndexOptions ixCaseInsensitive = 8;
constexpr TIndexOptions ixExpression = 16;
constexpr TIndexOptions ixNonMaintained = 32;

// Key values of several fields, one element per field.
using TVariantArray = std::vector<Variant>;

// A record buffer of a dataset.
using TRecordBuffer = uint8_t*;
// A bookmark: a copy of a record buffer's bookmark bytes; empty is no bookmark.
using TBookmark = std::vector<uint8_t>;

class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// Raises EDatabaseError with message, prefixed "<component name>: " when the component has one.
[[noreturn]] void DatabaseError(const AnsiString& message, TComponent* component = nullptr);
// The same with message formatted by a printf-style pattern with one text argument.
[[noreturn]] void DatabaseErrorFmt(const char* pattern, const AnsiString& arg,
                                   TComponent* component = nullptr);
