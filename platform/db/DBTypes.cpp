#include "platform/db/DBTypes.h"

#include "platform/core/Components.h"

namespace {
const char* const kFieldTypeNames[] = {
    "Unknown",    "String",    "SmallInt",  "Integer",    "Word",      "Boolean",     "Float",   "Currency",
    "BCD",        "Date",      "Time",      "DateTime",   "Bytes",     "VarBytes",    "AutoInc", "Blob",
    "Memo",       "Graphic",   "FmtMemo",   "ParadoxOle", "DBaseOle",  "TypedBinary", "Cursor",  "FixedChar",
    "WideString", "LargeInt",  "ADT",       "Array",      "Reference", "DataSet",     "OraBlob", "OraClob",
    "Variant",    "Interface", "IDispatch", "Guid",       "TimeStamp", "FMTBcd",
};
static_assert(std::size(kFieldTypeNames) == ftLastPlatformType + 1);
} // namespace

const char* FieldTypeName(TFieldType type) {
    int index = static_cast<int>(type);
    return index >= 0 && index <= ftLastPlatformType ? kFieldTypeNames[index] : "Unknown";
}

void DatabaseError(const AnsiString& message, TComponent* component) {
    if (component && !component->Name().empty()) throw EDatabaseError(component->Name() + ": " + message);
    throw EDatabaseError(message);
}

void DatabaseErrorFmt(const char* pattern, const AnsiString& arg, TComponent* component) {
    DatabaseError(Format(pattern, {arg}), component);
}
