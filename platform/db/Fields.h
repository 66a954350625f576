#pragma once
// Fields of a dataset: TField reads and writes one column of the dataset's current record
// through the dataset's field-data slots; a class per field type converts the buffer form to
// values. Field definitions (TFieldDef) describe the columns before fields exist.
#include <functional>
#include <vector>

#include "platform/core/Bcd.h"
#include "platform/core/Collections.h"
#include "platform/core/Components.h"
#include "platform/core/Streams.h"
#include "platform/db/DBTypes.h"

class TDataSet;
class TField;
class TFieldDefs;
class TObjectField;
class TFields;

using TFieldNotifyEvent = std::function<void(TField* sender)>;
using TFieldGetTextEvent = std::function<void(TField* sender, AnsiString& text, bool displayText)>;
using TFieldSetTextEvent = std::function<void(TField* sender, const AnsiString& text)>;

// Buffer forms a field exchanges with its dataset (GetData/SetData with nativeFormat True):
// string zero-terminated 8-bit text of Size characters; wide string zero-terminated UTF-16;
// smallint int16, word uint16, integer int32, largeint int64, float and currency double,
// boolean 16-bit (0 false), date int32 day number from 0001-01-01 (day 1), time int32
// milliseconds of the day, date-time double milliseconds since 0001-01-01, BCD and FMTBcd the
// 34-byte decimal record, bytes Size bytes, var bytes 16-bit length and the bytes, variant a
// Variant object. With nativeFormat False, dates and times travel as TDateTime, BCD as
// Currency, wide strings as a WideString to read and a reference to zero-terminated UTF-16 to
// write (DataConvert).
class TField : public TComponent {
public:
    VZ_CLASS(TField, TComponent)
    explicit TField(TComponent* owner);
    // Leaves its dataset.
    ~TField() override;

    TDataSet* DataSet() const { return dataSet_; }
    // Moves the field into another dataset's fields (which must be closed).
    void SetDataSet(TDataSet* value);
    const AnsiString& FieldName() const { return fieldName_; }
    void SetFieldName(const AnsiString& value);
    // Dotted path from the top-level field ("Parent.Child").
    AnsiString FullName() const;
    AnsiString DisplayLabel() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
    void SetDisplayLabel(const AnsiString& value) { displayLabel_ = value; }
    AnsiString DisplayName() const;
    int FieldNo() const { return fieldNo_; }
    TFieldKind FieldKind() const { return fieldKind_; }
    void SetFieldKind(TFieldKind value);
    bool Calculated() const { return fieldKind_ == TFieldKind::fkCalculated; }
    bool Lookup() const { return fieldKind_ == TFieldKind::fkLookup; }
    TFieldType DataType() const { return dataType_; }
    int Size() const { return size_; }
    virtual void SetSize(int value);
    // Bytes of the field's buffer form.
    virtual int DataSize() const { return 0; }
    bool Required = false;
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    bool Visible = true;
    AnsiString DefaultExpression;
    AnsiString Origin;
    TAutoRefreshFlag AutoGenerateValue = arNone;
    TProviderFlags ProviderFlags = pfInUpdate | pfInWhere;
    // Set by writers that change the value outside SetData (blob streams).
    bool Modified = false;
    virtual bool IsBlob() const { return false; }
    bool CanModify() const;
    int Index() const;
    TObjectField* ParentField() const { return parentField_; }
    void SetParentField(TObjectField* value);
    // Position of the field's data in calculated or lookup buffers.
    int Offset() const { return offset_; }

    // Lookup fields: KeyFields of this dataset are looked up in LookupDataSet's
    // LookupKeyFields; the value is LookupResultField of the record found.
    AnsiString KeyFields;
    TDataSet* LookupDataSet() const { return lookupDataSet_; }
    // Follows the lookup dataset so that the field forgets it when it goes.
    void SetLookupDataSet(TDataSet* value);
    AnsiString LookupKeyFields;
    AnsiString LookupResultField;

    // Value in the current record of the dataset's state.
    bool GetData(void* buffer, bool nativeFormat = true);
    void SetData(const void* buffer, bool nativeFormat = true);
    virtual bool IsNull();
    virtual void Clear() { SetData(nullptr); }

    Variant Value() { return GetAsVariant(); }
    void SetValue(const Variant& value) { SetAsVariant(value); }
    virtual Variant GetAsVariant();
    virtual void SetAsVariant(const Variant& value);
    virtual AnsiString GetAsString();
    virtual void SetAsString(const AnsiString& value);
    virtual WideString GetAsWideString();
    virtual void SetAsWideString(const WideString& value);
    virtual int GetAsInteger();
    virtual void SetAsInteger(int value);
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
    virtual TBcd GetAsBCD();
    virtual void SetAsBCD(const TBcd& value);
    virtual TSQLTimeStamp GetAsSQLTimeStamp();
    virtual void SetAsSQLTimeStamp(const TSQLTimeStamp& value);
    virtual TBytes GetAsBytes();
    virtual void SetAsBytes(const TBytes& value);
    AnsiString AsString() { return GetAsString(); }
    WideString AsWideString() { return GetAsWideString(); }
    int AsInteger() { return GetAsInteger(); }
    int64_t AsLargeInt() { return GetAsLargeInt(); }
    double AsFloat() { return GetAsFloat(); }
    Currency AsCurrency() { return GetAsCurrency(); }
    bool AsBoolean() { return GetAsBoolean(); }
    TDateTime AsDateTime() { return GetAsDateTime(); }
    TBcd AsBCD() { return GetAsBCD(); }
    TSQLTimeStamp AsSQLTimeStamp() { return GetAsSQLTimeStamp(); }
    TBytes AsBytes() { return GetAsBytes(); }
    // Text for editing and for display; OnGetText and OnSetText take them over.
    AnsiString Text();
    void SetText(const AnsiString& value);
    AnsiString DisplayText();

    // The value as it was before the current change, as edited, and as stored now.
    Variant OldValue();
    Variant NewValue();
    void SetNewValue(const Variant& value);
    Variant CurValue();

    // Copies the value of another field (nullptr clears).
    void Assign(TPersistent* source) override;
    // OnValidate with the new value in buffer (what GetData answers meanwhile).
    virtual void Validate(const void* buffer);
    // OnChange; the dataset calls it after a value change.
    virtual void Change();
    [[noreturn]] void RangeError(double value, double min, double max);
    // The value of the lookup field from its lookup dataset (the dataset calls it while
    // calculating fields).
    void CalcLookupValue();

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void SetDataType(TFieldType value);
    virtual void GetText(AnsiString& text, bool displayText);
    virtual void SetTextValue(const AnsiString& text);
    [[noreturn]] void AccessError(const char* typeName);
    void CheckInactive();
    // Value and null flag through a native buffer of DataSize bytes.
    bool ReadNative(void* buffer) { return GetData(buffer, true); }
    void PropertyChanged(bool layoutAffected);
    Variant GetStateValue(TDataSetState state);

private:
    friend class TDataSet;
    friend class TFields;
    friend class TFieldDef;
    TDataSet* dataSet_ = nullptr;
    AnsiString fieldName_;
    AnsiString displayLabel_;
    int fieldNo_ = 0;
    TFieldKind fieldKind_ = TFieldKind::fkData;
    TFieldType dataType_ = ftUnknown;
    int size_ = 0;
    bool readOnly_ = false;
    int offset_ = 0;
    TObjectField* parentField_ = nullptr;
    TDataSet* lookupDataSet_ = nullptr;
    const void* validateBuffer_ = nullptr;
    bool validating_ = false;
};

class TStringField : public TField {
public:
    VZ_CLASS(TStringField, TField)
    explicit TStringField(TComponent* owner);
    int DataSize() const override { return Size() + 1; }
    bool FixedChar = false;
    Variant GetAsVariant() override;
    void SetAsVariant(const Variant& value) override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    int GetAsInteger() override;
    void SetAsInteger(int value) override;
    int64_t GetAsLargeInt() override;
    void SetAsLargeInt(int64_t value) override;
    double GetAsFloat() override;
    void SetAsFloat(double value) override;
    bool GetAsBoolean() override;
    void SetAsBoolean(bool value) override;
    TDateTime GetAsDateTime() override;
    void SetAsDateTime(TDateTime value) override;
    TBcd GetAsBCD() override;
    void SetAsBCD(const TBcd& value) override;
};

class TWideStringField : public TStringField {
public:
    VZ_CLASS(TWideStringField, TStringField)
    explicit TWideStringField(TComponent* owner);
    int DataSize() const override { return (Size() + 1) * 2; }
    Variant GetAsVariant() override;
    void SetAsVariant(const Variant& value) override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    WideString GetAsWideString() override;
    void SetAsWideString(const WideString& value) override;
};

class TGuidField : public TStringField {
public:
    VZ_CLASS(TGuidField, TStringField)
    explicit TGuidField(TComponent* owner);
};

class TNumericField : public TField {
public:
    VZ_CLASS(TNumericField, TField)
    explicit TNumericField(TComponent* owner) : TField(owner) {}
    AnsiString DisplayFormat;
    AnsiString EditFormat;
};

class TIntegerField : public TNumericField {
public:
    VZ_CLASS(TIntegerField, TNumericField)
    explicit TIntegerField(TComponent* owner);
    int DataSize() const override { return 4; }
    // 0 and 0: no range beyond the type's.
    int MinValue = 0;
    int MaxValue = 0;
    Variant GetAsVariant() override;
    void SetAsVariant(const Variant& value) override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    int GetAsInteger() override;
    void SetAsInteger(int value) override;
    int64_t GetAsLargeInt() override;
    void SetAsLargeInt(int64_t value) override;
    double GetAsFloat() override;
    void SetAsFloat(double value) override;
    Currency GetAsCurrency() override;
    void SetAsCurrency(Currency value) override;
    bool GetAsBoolean() override;
    void SetAsBoolean(bool value) override;
    TBcd GetAsBCD() override;

protected:
    // Reads the value widened to 64 bits; false when null.
    virtual bool ReadValue(int64_t& value);
    virtual void WriteValue(int64_t value);
    // The type's own limits, narrowed by MinValue/MaxValue.
    virtual int64_t TypeMin() const { return INT32_MIN; }
    virtual int64_t TypeMax() const { return INT32_MAX; }
    void CheckRange(int64_t value);
};

class TSmallintField : public TIntegerField {
public:
    VZ_CLASS(TSmallintField, TIntegerField)
    explicit TSmallintField(TComponent* owner);
    int DataSize() const override { return 2; }

protected:
    bool ReadValue(int64_t& value) override;
    void WriteValue(int64_t value) override;
    int64_t TypeMin() const override { return INT16_MIN; }
    int64_t TypeMax() const override { return INT16_MAX; }
};

class TWordField : public TIntegerField {
public:
    VZ_CLASS(TWordField, TIntegerField)
    explicit TWordField(TComponent* owner);
    int DataSize() const override { return 2; }

protected:
    bool ReadValue(int64_t& value) override;
    void WriteValue(int64_t value) override;
    int64_t TypeMin() const override { return 0; }
    int64_t TypeMax() const override { return UINT16_MAX; }
};

class TAutoIncField : public TIntegerField {
public:
    VZ_CLASS(TAutoIncField, TIntegerField)
    explicit TAutoIncField(TComponent* owner);
};

class TLargeintField : public TNumericField {
public:
    VZ_CLASS(TLargeintField, TNumericField)
    explicit TLargeintField(TComponent* owner);
    int DataSize() const override { return 8; }
    int64_t MinValue = 0;
    int64_t MaxValue = 0;
    Variant GetAsVariant() override;
    void SetAsVariant(const Variant& value) override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    int GetAsInteger() override;
    void SetAsInteger(int value) override;
    int64_t GetAsLargeInt() override;
    void SetAsLargeInt(int64_t value) override;
    double GetAsFloat() override;
    void SetAsFloat(double value) override;
    Currency GetAsCurrency() override;
    TBcd GetAsBCD() override;
};

class TFloatField : public TNumericField {
public:
    VZ_CLASS(TFloatField, TNumericField)
    explicit TFloatField(TComponent* owner);
    int DataSize() const override { return 8; }
    bool CurrencyFormat = false;
    int Precision = 15;
    double MinValue = 0;
    double MaxValue = 0;
    Variant GetAsVariant() override;
    void SetAsVariant(const Variant& value) override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    int GetAsInteger() override;
    void SetAsInteger(int value) override;
    int64_t GetAsLargeInt() override;
    void SetAsLargeInt(int64_t value) override;
    double GetAsFloat() override;
    void SetAsFloat(double value) override;
    Currency GetAsCurrency() override;
    void SetAsCurrency(Currency value) override;
    TBcd GetAsBCD() override;
    void SetAsBCD(const TBcd& value) override;
};

class TCurrencyField : public TFloatField {
public:
    VZ_CLASS(TCurrencyField, TFloatField)
    explicit TCurrencyField(TComponent* owner);
};

// BCD with up to four decimals; the value is a Currency.
class TBCDField : public TNumericField {
public:
    VZ_CLASS(TBCDField, TNumericField)
    explicit TBCDField(TComponent* owner);
    int DataSize() const override { return static_cast<int>(sizeof(TBcdRecord)); }
    int Precision = 0;
    Currency MinValue;
    Currency MaxValue;
    Variant GetAsVariant() override;
    void SetAsVariant(const Variant& value) override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    int GetAsInteger() override;
    void SetAsInteger(int value) override;
    int64_t GetAsLargeInt() override;
    double GetAsFloat() override;
    void SetAsFloat(double value) override;
    Currency GetAsCurrency() override;
    void SetAsCurrency(Currency value) override;
    TBcd GetAsBCD() override;
    void SetAsBCD(const TBcd& value) override;
    void SetSize(int value) override; // the scale, 0 to 4
};

class TFMTBCDField : public TNumericField {
public:
    VZ_CLASS(TFMTBCDField, TNumericField)
    explicit TFMTBCDField(TComponent* owner);
    int DataSize() const override { return static_cast<int>(sizeof(TBcdRecord)); }
    int Precision = 0;
    // Empty texts: no range.
    AnsiString MinValue;
    AnsiString MaxValue;
    Variant GetAsVariant() override;
    void SetAsVariant(const Variant& value) override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    int GetAsInteger() override;
    void SetAsInteger(int value) override;
    int64_t GetAsLargeInt() override;
    void SetAsLargeInt(int64_t value) override;
    double GetAsFloat() override;
    void SetAsFloat(double value) override;
    Currency GetAsCurrency() override;
    void SetAsCurrency(Currency value) override;
    TBcd GetAsBCD() override;
    void SetAsBCD(const TBcd& value) override;
};

class TBooleanField : public TField {
public:
    VZ_CLASS(TBooleanField, TField)
    explicit TBooleanField(TComponent* owner);
    int DataSize() const override { return 2; }
    // "True;False" by default.
    AnsiString DisplayValues;
    Variant GetAsVariant() override;
    void SetAsVariant(const Variant& value) override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    bool GetAsBoolean() override;
    void SetAsBoolean(bool value) override;
    int GetAsInteger() override;
    void SetAsInteger(int value) override;
};

class TDateTimeField : public TField {
public:
    VZ_CLASS(TDateTimeField, TField)
    explicit TDateTimeField(TComponent* owner);
    int DataSize() const override { return 8; }
    AnsiString DisplayFormat;
    Variant GetAsVariant() override;
    void SetAsVariant(const Variant& value) override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    double GetAsFloat() override;
    void SetAsFloat(double value) override;
    TDateTime GetAsDateTime() override;
    void SetAsDateTime(TDateTime value) override;
    TSQLTimeStamp GetAsSQLTimeStamp() override;
    void SetAsSQLTimeStamp(const TSQLTimeStamp& value) override;
};

class TDateField : public TDateTimeField {
public:
    VZ_CLASS(TDateField, TDateTimeField)
    explicit TDateField(TComponent* owner);
    int DataSize() const override { return 4; }
};

class TTimeField : public TDateTimeField {
public:
    VZ_CLASS(TTimeField, TDateTimeField)
    explicit TTimeField(TComponent* owner);
    int DataSize() const override { return 4; }
};

class TBinaryField : public TField {
public:
    VZ_CLASS(TBinaryField, TField)
    explicit TBinaryField(TComponent* owner) : TField(owner) {}
    Variant GetAsVariant() override;
    void SetAsVariant(const Variant& value) override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    TBytes GetAsBytes() override;
    void SetAsBytes(const TBytes& value) override;
};

class TBytesField : public TBinaryField {
public:
    VZ_CLASS(TBytesField, TBinaryField)
    explicit TBytesField(TComponent* owner);
    int DataSize() const override { return Size(); }
};

class TVarBytesField : public TBinaryField {
public:
    VZ_CLASS(TVarBytesField, TBinaryField)
    explicit TVarBytesField(TComponent* owner);
    int DataSize() const override { return Size() + 2; }
};

// Blob values are reached through the dataset's blob stream.
class TBlobField : public TField {
public:
    VZ_CLASS(TBlobField, TField)
    explicit TBlobField(TComponent* owner);
    bool IsBlob() const override { return true; }
    int BlobSize();
    bool IsNull() override;
    void Clear() override;
    void LoadFromStream(TStream* stream);
    void SaveToStream(TStream* stream);
    Variant GetAsVariant() override;
    void SetAsVariant(const Variant& value) override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    WideString GetAsWideString() override;
    void SetAsWideString(const WideString& value) override;
    TBytes GetAsBytes() override;
    void SetAsBytes(const TBytes& value) override;
};

class TMemoField : public TBlobField {
public:
    VZ_CLASS(TMemoField, TBlobField)
    explicit TMemoField(TComponent* owner);
    Variant GetAsVariant() override;
};

class TGraphicField : public TBlobField {
public:
    VZ_CLASS(TGraphicField, TBlobField)
    explicit TGraphicField(TComponent* owner);
};

class TVariantField : public TField {
public:
    VZ_CLASS(TVariantField, TField)
    explicit TVariantField(TComponent* owner);
    int DataSize() const override { return static_cast<int>(sizeof(Variant)); }
    Variant GetAsVariant() override;
    void SetAsVariant(const Variant& value) override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    int GetAsInteger() override;
    void SetAsInteger(int value) override;
    int64_t GetAsLargeInt() override;
    double GetAsFloat() override;
    void SetAsFloat(double value) override;
    bool GetAsBoolean() override;
    void SetAsBoolean(bool value) override;
    TDateTime GetAsDateTime() override;
    void SetAsDateTime(TDateTime value) override;
};

// Object fields: only their definitions, children and type names are kept; their values are
// their children's.
class TObjectField : public TField {
public:
    VZ_CLASS(TObjectField, TField)
    explicit TObjectField(TComponent* owner);
    ~TObjectField() override;
    TFields& Fields() { return *fields_; }
    int FieldCount() const;
    AnsiString ObjectType;

private:
    TFields* fields_;
};

class TADTField : public TObjectField {
public:
    VZ_CLASS(TADTField, TObjectField)
    explicit TADTField(TComponent* owner);
};

class TArrayField : public TObjectField {
public:
    VZ_CLASS(TArrayField, TObjectField)
    explicit TArrayField(TComponent* owner);
};

class TDataSetField : public TObjectField {
public:
    VZ_CLASS(TDataSetField, TObjectField)
    explicit TDataSetField(TComponent* owner);
};

class TReferenceField : public TDataSetField {
public:
    VZ_CLASS(TReferenceField, TDataSetField)
    explicit TReferenceField(TComponent* owner);
};

// The default field class of a field type; nullptr for types without one.
TClass DefaultFieldClass(TFieldType type);
// Types whose buffer form differs from the value form of their field class (see TField).
bool FieldNeedsConversion(TFieldType type);

// The fields of a dataset (or of an object field), in order. It owns nothing: fields belong to
// their owner component; Clear frees them.
class TFields : public TObject {
public:
    VZ_CLASS(TFields, TObject)
    explicit TFields(TDataSet* dataSet) : dataSet_(dataSet) {}
    ~TFields() override;
    TDataSet* DataSet() const { return dataSet_; }
    int Count() const { return static_cast<int>(list_.size()); }
    TField* Fields(int index) const;
    TField* operator[](int index) const { return Fields(index); }
    void Add(TField* field);
    void Remove(TField* field);
    // Frees every field.
    void Clear();
    int IndexOf(TField* field) const;
    // By field name ignoring case; nullptr when none.
    TField* FindField(const AnsiString& name) const;
    // Raises EDatabaseError "Field '%s' not found".
    TField* FieldByName(const AnsiString& name) const;
    TField* FieldByNumber(int fieldNo) const;
    void SetFieldIndex(TField* field, int value);
    // Called when the list changes.
    std::function<void()> OnChange;

private:
    TDataSet* dataSet_;
    std::vector<TField*> list_;
};

// Field definitions.
class TFieldDef : public TCollectionItem {
public:
    VZ_CLASS(TFieldDef, TCollectionItem)
    TFieldDef() = default;
    TFieldDef(TFieldDefs* owner, const AnsiString& name, TFieldType dataType, int size, bool required,
              int fieldNo);
    ~TFieldDef() override;

    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& value);
    TFieldType DataType() const { return dataType_; }
    void SetDataType(TFieldType value);
    int Size() const { return size_; }
    void SetSize(int value);
    int Precision() const { return precision_; }
    void SetPrecision(int value);
    TFieldAttributes Attributes() const { return attributes_; }
    void SetAttributes(TFieldAttributes value);
    bool Required() const { return (attributes_ & faRequired) != 0; }
    void SetRequired(bool value);
    int FieldNo() const { return fieldNo_; }
    void SetFieldNo(int value) { fieldNo_ = value; }
    bool InternalCalcField = false;
    // Children of object and array definitions (made on first use).
    TFieldDefs& ChildDefs();
    bool HasChildDefs() const;
    TFieldDef* AddChild();
    TFieldDef* ParentDef() const;
    // Collection this definition belongs to, typed.
    TFieldDefs* Owner() const;
    TClass FieldClass() const;
    // A field of FieldClass for this definition, in the definition's dataset.
    TField* CreateField(TComponent* owner, TObjectField* parentField = nullptr,
                        const AnsiString& fieldName = "", bool createChildren = true);
    AnsiString GetDisplayName() const override { return name_; }
    void Assign(TPersistent* source) override;

private:
    AnsiString name_;
    TFieldType dataType_ = ftUnknown;
    int size_ = 0;
    int precision_ = 0;
    TFieldAttributes attributes_ = 0;
    int fieldNo_ = 0;
    TFieldDefs* childDefs_ = nullptr; // owned
};

class TFieldDefs : public TOwnedCollection {
public:
    VZ_CLASS(TFieldDefs, TOwnedCollection)
    // owner: the dataset or the parent definition.
    explicit TFieldDefs(TPersistent* owner);
    TFieldDef* Items(int index) const { return static_cast<TFieldDef*>(TCollection::Items(index)); }
    TFieldDef* operator[](int index) const { return Items(index); }
    TFieldDef* AddFieldDef() { return static_cast<TFieldDef*>(Add()); }
    TFieldDef* Add(const AnsiString& name, TFieldType dataType, int size = 0, bool required = false);
    using TCollection::Add;
    // By name ignoring case: -1 / nullptr when absent; Find raises "Field '%s' not found".
    int IndexOf(const AnsiString& name) const;
    TFieldDef* Find(const AnsiString& name) const;
    TFieldDef* FindDef(const AnsiString& name) const;
    TDataSet* DataSet() const { return dataSet_; }
    TFieldDef* ParentDef() const { return parentDef_; }
    // Up to date with the dataset's columns; Update asks the dataset to build them when not.
    bool Updated = false;
    void Update();
    bool HiddenFields = false;

protected:
    void Update(TCollectionItem* item) override;
    void Notify(TCollectionItem* item, TCollectionNotification action) override;

private:
    TDataSet* dataSet_ = nullptr;
    TFieldDef* parentDef_ = nullptr;
};

// Every field definition, children included, under its dotted name ("Parent.Child").
class TFieldDefList : public TObject {
public:
    VZ_CLASS(TFieldDefList, TObject)
    explicit TFieldDefList(TDataSet* dataSet) : dataSet_(dataSet) {}
    void Update();
    bool Updated = false;
    int Count();
    TFieldDef* FieldDefs(int index);
    const AnsiString& Names(int index);
    TFieldDef* Find(const AnsiString& name);
    TFieldDef* FieldByName(const AnsiString& name);
    int IndexOf(const AnsiString& name);

private:
    void Add(TFieldDefs& defs, const AnsiString& prefix);
    TDataSet* dataSet_;
    std::vector<std::pair<AnsiString, TFieldDef*>> items_;
};

// Every field, children of object fields included, under its full name.
class TFieldList : public TObject {
public:
    VZ_CLASS(TFieldList, TObject)
    explicit TFieldList(TDataSet* dataSet) : dataSet_(dataSet) {}
    void Update();
    bool Updated = false;
    int Count();
    TField* Fields(int index);
    TField* Find(const AnsiString& name);
    TField* FieldByName(const AnsiString& name);

private:
    void Add(TFields& fields);
    TDataSet* dataSet_;
    std::vector<std::pair<AnsiString, TField*>> items_;
};

// The i-th ";"-separated name of a field-name list (pos advances past it).
AnsiString ExtractFieldName(const AnsiString& names, size_t& pos);
