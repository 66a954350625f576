#pragma once
// Parameters of statements: a name, a field type, a direction and a Variant value.
#include "platform/core/Collections.h"
#include "platform/core/Streams.h"
#include "platform/db/DBTypes.h"

class TField;
class TParams;
class TStrings;

class TParam : public TCollectionItem {
public:
    VZ_CLASS(TParam, TCollectionItem)
    TParam() = default;
    explicit TParam(TParams* params, TParamType paramType = ptUnknown);

    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& value) { name_ = value; }
    TFieldType DataType() const { return dataType_; }
    // Stores the type; a present value is converted to it.
    virtual void SetDataType(TFieldType value);
    TParamType ParamType() const { return paramType_; }
    void SetParamType(TParamType value) { paramType_ = value; }
    bool Bound = false;
    int Precision = 0;
    int NumericScale = 0;
    // The platform's size (bytes or characters).
    int PlatformSize = 0;

    // Null flag set, or the value Null or empty.
    virtual bool GetIsNull() const;
    bool IsNull() const { return GetIsNull(); }
    virtual void Clear();
    // Setting marks the parameter bound and not null; with ftUnknown the type follows the value.
    virtual Variant GetValue();
    virtual void SetValue(const Variant& value);
    Variant Value() { return GetValue(); }
    Variant AsVariant() { return GetValue(); }
    void SetAsVariant(const Variant& value) { SetValue(value); }

    virtual AnsiString GetAsString();
    virtual void SetAsString(const AnsiString& value);
    virtual WideString GetAsWideString();
    virtual void SetAsWideString(const WideString& value);
    virtual int GetAsInteger();
    virtual void SetAsInteger(int value);
    virtual void SetAsSmallInt(int value);
    virtual void SetAsWord(int value);
    virtual int64_t GetAsLargeInt();
    virtual void SetAsLargeInt(int64_t value);
    virtual double GetAsFloat();
    virtual void SetAsFloat(double value);
    virtual Currency GetAsCurrency();
    virtual void SetAsCurrency(Currency value);
    virtual bool GetAsBoolean();
    virtual void SetAsBoolean(bool value);
    virtual TDateTime GetAsDateTime();
    virtual void SetAsDateTime(TDateTime value);
    virtual void SetAsDate(TDateTime value);
    virtual void SetAsTime(TDateTime value);
    virtual TSQLTimeStamp GetAsSQLTimeStamp();
    virtual void SetAsSQLTimeStamp(const TSQLTimeStamp& value);
    virtual TBcd GetAsBCD();
    virtual void SetAsBCD(const TBcd& value);
    virtual TBytes GetAsBytes();
    virtual void SetAsBytes(const TBytes& value);
    virtual void SetAsMemo(const AnsiString& value);
    virtual void SetAsBlob(const TBytes& value);
    virtual void SetText(const AnsiString& value);
    AnsiString Text() { return GetAsString(); }
    AnsiString AsString() { return GetAsString(); }
    int AsInteger() { return GetAsInteger(); }
    double AsFloat() { return GetAsFloat(); }

    // Type and value of a field / of another parameter.
    void AssignField(TField* field);
    void AssignFieldValue(TField* field, const Variant& value);
    void AssignParam(TParam* param);
    void Assign(TPersistent* source) override;
    // Reads the stream's bytes as the value under blobType.
    void LoadFromStream(TStream* stream, TFieldType blobType);
    AnsiString GetDisplayName() const override {
        return name_.empty() ? TCollectionItem::GetDisplayName() : name_;
    }
    TParams* Params() const;

protected:
    void AssignTo(TPersistent* dest) override;

private:
    AnsiString name_;
    TFieldType dataType_ = ftUnknown;
    TParamType paramType_ = ptUnknown;
    Variant value_;
    bool null_ = true;
};

class TParams : public TCollection {
public:
    VZ_CLASS(TParams, TCollection)
    explicit TParams(TPersistent* owner = nullptr);
    // Parameters of another item class (a descendant of TParam).
    TParams(TPersistent* owner, TClass itemClass);
    TParam* Items(int index) const { return static_cast<TParam*>(TCollection::Items(index)); }
    TParam* operator[](int index) const { return Items(index); }
    // Raises EDatabaseError "Parameter '%s' not found".
    TParam* ParamByName(const AnsiString& name) const;
    TParam* FindParam(const AnsiString& name) const;
    virtual TParam* CreateParam(TFieldType fieldType, const AnsiString& name, TParamType paramType);
    void AddParam(TParam* param);
    void RemoveParam(TParam* param);
    // Values of the parameters of the same names in source.
    void AssignValues(TParams* source);
    bool IsEqual(TParams* other) const;
    void GetParamList(std::vector<TParam*>& list, const AnsiString& paramNames) const;
    TPersistent* GetOwner() override { return owner_; }
    void Assign(TPersistent* source) override;

protected:
    void Update(TCollectionItem* item) override;

private:
    TPersistent* owner_;
};
