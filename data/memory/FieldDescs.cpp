#include "data/memory/FieldDescs.h"

#include "data/memory/SharedObject.h"
#include "platform/core/Exceptions.h"

int DataTypeStorageSize(TDataTypeCode code, int declaredLength) {
    switch (code) {
    case tcString:
    case tcGuid:
        return declaredLength + 1;
    case tcInt8:
        return 1;
    case tcInt16:
    case tcUInt16:
    case tcBoolean:
        return 2;
    case tcInt32:
    case tcUInt32:
        return 4;
    case tcFloat:
    case tcDate:
    case tcTime:
    case tcDateTime:
    case tcInt64:
    case tcCurrency:
    case tcBCD:
        return 8;
    case tcBlob:
    case tcMemo:
    case tcWideMemo:
    case tcObject:
    case tcReference:
    case tcArray:
    case tcTable:
    case tcVariant:
    case tcExtString:
    case tcExtVarBytes:
    case tcExtWideString:
    case tcCursor:
        return static_cast<int>(sizeof(void*));
    case tcBytes:
        return declaredLength;
    case tcVarBytes:
        return 2 + declaredLength;
    case tcWideString:
        return (declaredLength + 1) * 2;
    case tcFMTBCD:
        return 34;
    case tcSQLTimeStamp:
        return 16;
    default:
        return 0;
    }
}

TFieldDesc::~TFieldDesc() {
    if (ObjectTypeRef) ObjectTypeRef->Release();
}

TFieldDescs::~TFieldDescs() {
    Clear();
}

void TFieldDescs::Clear() {
    for (int i = 0; i < Count(); ++i) {
        delete GetItem(i);
        SetItems(i, nullptr);
    }
    TList::Clear();
}

TFieldDesc* TFieldDescs::FindDesc(const AnsiString& name) const {
    bool isPath = name.find_first_of(".[") != AnsiString::npos;
    for (int i = 0; i < Count(); ++i) {
        TFieldDesc* desc = GetItem(i);
        if (desc && !desc->HasParent() && AnsiSameText(desc->FieldName, name)) return desc;
    }
    for (int i = 0; i < Count(); ++i) {
        TFieldDesc* desc = GetItem(i);
        if (!desc) continue;
        if (isPath ? AnsiSameText(desc->SourceName, name)
                   : desc->HasParent() && AnsiSameText(desc->FieldName, name))
            return desc;
    }
    return nullptr;
}

TFieldDesc* TFieldDescs::DescByName(const AnsiString& name) const {
    TFieldDesc* desc = FindDesc(name);
    if (!desc) throw Exception(Format("Field %s not found", {name}));
    return desc;
}
