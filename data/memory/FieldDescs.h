#pragma once
// Field descriptors: what a column of a record set is called, its data type code, how many bytes
// it takes in a record buffer and where it lies there.
#include <cstdint>

#include "data/memory/SharedObject.h"
#include "platform/core/Lists.h"
#include "platform/core/Strings.h"

// Internal data type codes.
using TDataTypeCode = uint16_t;
constexpr TDataTypeCode tcUnknown = 0;
constexpr TDataTypeCode tcString = 1;
constexpr TDataTypeCode tcInt8 = 2;
constexpr TDataTypeCode tcInt16 = 3;
constexpr TDataTypeCode tcInt32 = 4;
constexpr TDataTypeCode tcFloat = 5;
constexpr TDataTypeCode tcDate = 6;
constexpr TDataTypeCode tcTime = 7;
constexpr TDataTypeCode tcDateTime = 8;
constexpr TDataTypeCode tcUInt16 = 9;
constexpr TDataTypeCode tcBoolean = 10;
constexpr TDataTypeCode tcInt64 = 11;
constexpr TDataTypeCode tcCurrency = 12;
constexpr TDataTypeCode tcBlob = 13;
constexpr TDataTypeCode tcMemo = 14;
constexpr TDataTypeCode tcObject = 15;
constexpr TDataTypeCode tcReference = 16;
constexpr TDataTypeCode tcArray = 17;
constexpr TDataTypeCode tcTable = 18;
constexpr TDataTypeCode tcVariant = 19;
constexpr TDataTypeCode tcExtString = 20;
constexpr TDataTypeCode tcBytes = 21;
constexpr TDataTypeCode tcVarBytes = 22;
constexpr TDataTypeCode tcExtVarBytes = 23;
constexpr TDataTypeCode tcUInt32 = 24;
constexpr TDataTypeCode tcWideString = 25;
constexpr TDataTypeCode tcExtWideString = 26;
constexpr TDataTypeCode tcBCD = 27;
constexpr TDataTypeCode tcFMTBCD = 28;
constexpr TDataTypeCode tcGuid = 29;
constexpr TDataTypeCode tcWideMemo = 30;
constexpr TDataTypeCode tcSQLTimeStamp = 31;
constexpr TDataTypeCode tcCursor = 32;
constexpr TDataTypeCode tcLastCode = tcCursor;

// Bytes a value of the code takes in a record buffer; declaredLength counts characters of a
// string and bytes of a byte field. Reference slots are pointer-sized.
int DataTypeStorageSize(TDataTypeCode code, int declaredLength);

// Field kinds.
constexpr uint8_t fkData = 0;
constexpr uint8_t fkCalculatedInData = 1;
constexpr uint8_t fkCalculated = 2;

class TFieldDesc : public TObject {
public:
    VZ_CLASS(TFieldDesc, TObject)
    TFieldDesc() = default;
    ~TFieldDesc() override;

    bool HasParent() const { return ParentDesc != nullptr; }

    AnsiString FieldName;
    AnsiString SourceName;
    TDataTypeCode TypeCode = tcUnknown;
    int16_t SubTypeCode = 0;
    uint16_t DeclaredLength = 0;
    int16_t DeclaredScale = 0;
    uint16_t Position = 0;
    int16_t SourcePosition = 0;
    int32_t StorageSize = 0;
    int32_t RecordOffset = 0;
    bool IsRequired = false;
    bool IsReadOnly = false;
    bool IsKeyField = false;
    bool IsFixedLength = false;
    bool IsHiddenColumn = false;
    // One reference is owned and released with the descriptor.
    TSharedObject* ObjectTypeRef = nullptr;
    TFieldDesc* ParentDesc = nullptr;
    bool IsHiddenObject = false;
    bool NameClash = false;
    uint8_t FieldKind = fkData;
    bool IsAutoIncrement = false;
};

// The descriptors of one record set, in field order; owns them.
class TFieldDescs : public TList {
public:
    VZ_CLASS(TFieldDescs, TList)
    TFieldDescs() = default;
    ~TFieldDescs() override;

    TFieldDesc* GetItem(int index) const { return static_cast<TFieldDesc*>(Items(index)); }
    TFieldDesc* operator[](int index) const { return GetItem(index); }
    // Top-level fields by name first; then attributes by name, or any descriptor by its source
    // path when the name is a path. Case is ignored. nullptr when none matches.
    TFieldDesc* FindDesc(const AnsiString& name) const;
    // FindDesc, raising "Field %s not found" when nothing matches.
    TFieldDesc* DescByName(const AnsiString& name) const;
    void Clear() override;
};

// Shared description of an object, reference, array or table type: its code, the element count
// of an array type and the attribute descriptors, which it owns.
class TObjectTypeDesc : public TSharedObject {
public:
    VZ_CLASS(TObjectTypeDesc, TSharedObject)
    TDataTypeCode DataType = tcObject;
    int32_t Size = 0;
    TFieldDescs Attributes;
    TFieldDesc* GetAttribute(int index) const { return Attributes.GetItem(index); }
    int AttributeCount() const { return Attributes.Count(); }
};
