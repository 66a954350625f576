#pragma once
// Errors of the data-access layers.
#include <cstdint>

#include "platform/db/DBTypes.h"
#include "platform/db/Params.h"

class TObject;

// Base of every error the data-access layers raise. ErrorCode is set by the raising layer (the
// ODBC return code, for example); Component names the component or internal object the error
// belongs to (not owned).
class EDAError : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
    // The connection is lost or unusable.
    virtual bool IsFatalError() const { return false; }
    virtual bool IsKeyViolation() const { return false; }

    int32_t ErrorCode = 0;
    TObject* Component = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Parameters

class TBlob;
class TSharedObject;
class TField;

// Field type 52: fixed-length wide character text, one of the library's types above the platform's.
constexpr TFieldType ftFixedWideChar = static_cast<TFieldType>(52);

// A statement parameter that can also hold a large value as a shared blob, with a size of its
// own, a national-character flag and extended data types.
class TDAParam : public TParam {
public:
    VZ_CLASS(TDAParam, TParam)
    TDAParam();
    ~TDAParam() override;

    // The blob while the data type is object-valued; nullptr otherwise.
    virtual TSharedObject* GetValueObject() const { return valueObject_; }
    // Shares object (one reference is added); nullptr releases the current one.
    virtual void SetValueObject(TSharedObject* object);
    virtual bool TypeNeedsObject(TFieldType type) const { return type == ftBlob || type == ftMemo; }
    virtual bool TypeIsObject(TFieldType type) const { return type == ftBlob || type == ftMemo; }
    virtual bool HoldsObject() const { return TypeIsObject(DataType()); }
    // A changed type frees the blob of the old one and makes one for the new; the sub-type is reset.
    void SetDataType(TFieldType value) override;
    virtual int GetSize() const { return Size; }
    virtual void SetSize(int value) { Size = value; }

    virtual AnsiString GetAsAnsiString();
    virtual void SetAsAnsiString(const AnsiString& value);
    AnsiString GetAsString() override { return GetAsAnsiString(); }
    void SetAsString(const AnsiString& value) override { SetAsAnsiString(value); }
    WideString GetAsWideString() override;
    void SetAsWideString(const WideString& value) override;
    int64_t GetAsLargeInt() override;
    void SetAsLargeInt(int64_t value) override;
    void SetAsBlob(const TBytes& value) override;
    void SetAsMemo(const AnsiString& value) override;
    virtual TBlob* GetAsBlobRef();
    virtual void SetAsBlobRef(TBlob* blob);
    virtual TBlob* GetAsMemoRef();
    virtual void SetAsMemoRef(TBlob* blob);
    Variant GetValue() override;
    // Marks the parameter bound in every case.
    void SetValue(const Variant& value) override;
    void SetText(const AnsiString& value) override;
    bool GetIsNull() const override;
    virtual void SetNational(bool value) { National = value; }
    void Clear() override;

    // Type and value of a field: fixed-length text and long memos are told apart.
    virtual void AssignFieldValue(TField* field, const Variant& value);
    void AssignField(TField* field);
    void AssignParam(TParam* source);
    // From another TDAParam the two share its blob.
    void Assign(TPersistent* source) override;
    // Raises "Data type is not supported" for types other than the blob and memo kinds.
    virtual void LoadFromStream(TStream* stream, TFieldType blobType);

    // The stored form: DataType for the platform's types, "ExtDataType" for the library's.
    bool IsDataTypeStored() const { return DataType() <= ftLastPlatformType; }
    bool IsValueStored();
    // "ExtDataType": the type code when it is above the platform's, else 0 (not written).
    int GetExtDataType() const { return IsDataTypeStored() ? 0 : static_cast<int>(DataType()); }
    void SetExtDataType(int value) { SetDataType(static_cast<TFieldType>(value)); }

    int Size = 0;
    int16_t SubDataType = 0;
    bool National = false;

protected:
    void AssignTo(TPersistent* dest) override;
    virtual void CreateValueObject();
    virtual void FreeValueObject();
    TBlob* Blob() const;

    TSharedObject* valueObject_ = nullptr;
};

class TDAParams : public TParams {
public:
    VZ_CLASS(TDAParams, TParams)
    explicit TDAParams(TPersistent* owner = nullptr);
    // A list of a descendant parameter class.
    TDAParams(TPersistent* owner, TClass itemClass);

    TDAParam* Items(int index) const { return static_cast<TDAParam*>(TParams::Items(index)); }
    TDAParam* operator[](int index) const { return Items(index); }
    TDAParam* ParamByName(const AnsiString& name) const {
        return static_cast<TDAParam*>(TParams::ParamByName(name));
    }
    TDAParam* FindParam(const AnsiString& name) const {
        return static_cast<TDAParam*>(TParams::FindParam(name));
    }
    // The new parameter gets its type through its own setter, so a blob type gets its blob.
    TParam* CreateParam(TFieldType fieldType, const AnsiString& name, TParamType paramType) override;
    // Tells every shared blob of the parameters.
    void NotifyValueObjects();
    void Update(TCollectionItem* item) override;

    // 0 not tracking, 2 tracking, 1 a parameter changed while tracking.
    uint8_t ChangeTracker = 0;
    bool ForwardItemChanges = true;
};

// Where a generated statement's parameter takes its value from.
class TDAParamInfo : public TCollectionItem {
public:
    VZ_CLASS(TDAParamInfo, TCollectionItem)
    TDAParamInfo() = default;
    TField* Field = nullptr;
    bool Old = false;
    int ParamIndex = -1;
};

class TDAParamsInfo : public TCollection {
public:
    VZ_CLASS(TDAParamsInfo, TCollection)
    explicit TDAParamsInfo(TClass itemClass = TDAParamInfo::StaticClass()) : TCollection(itemClass) {}
    TDAParamInfo* Items(int index) const { return static_cast<TDAParamInfo*>(TCollection::Items(index)); }
};
