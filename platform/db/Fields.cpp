#include "platform/db/Fields.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "platform/db/DataSet.h"

namespace {
// Scratch for one value in buffer form; small values stay on the stack.
class ValueBuffer {
public:
    explicit ValueBuffer(int size) {
        size_t n = static_cast<size_t>(std::max(size, 0)) + 2;
        if (n > sizeof(local_)) {
            heap_ = std::make_unique<uint8_t[]>(n);
            data_ = heap_.get();
        }
        std::memset(data_, 0, n);
    }
    uint8_t* Data() { return data_; }

private:
    alignas(8) uint8_t local_[64];
    std::unique_ptr<uint8_t[]> heap_;
    uint8_t* data_ = local_;
};

// Cuts text at limit bytes without splitting a double-byte character of the ANSI code page.
size_t CutLength(const AnsiString& text, size_t limit) {
    if (text.size() <= limit) return text.size();
    size_t i = 0;
    while (i < limit) {
        size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[i])) ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return i;
}
} // namespace

// ---- TField ----------------------------------------------------------------------------------

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
    if (parentField_)
        parentField_->Fields().Remove(this);
    else if (dataSet_)
        dataSet_->Fields().Remove(this);
    parentField_ = nullptr;
    dataSet_ = nullptr;
}

void TField::SetDataSet(TDataSet* value) {
    if (value == dataSet_) return;
    if (dataSet_) dataSet_->CheckInactive();
    if (value) value->CheckInactive();
    if (!parentField_ && dataSet_) dataSet_->Fields().Remove(this);
    dataSet_ = value;
    if (!parentField_ && dataSet_) dataSet_->Fields().Add(this);
}

void TField::SetParentField(TObjectField* value) {
    if (value == parentField_) return;
    if (parentField_)
        parentField_->Fields().Remove(this);
    else if (dataSet_)
        dataSet_->Fields().Remove(this);
    parentField_ = value;
    // The flat list names children by their parents.
    if (dataSet_ && dataSet_->fieldList_) dataSet_->fieldList_->Updated = false;
    if (parentField_) {
        dataSet_ = parentField_->DataSet();
        parentField_->Fields().Add(this);
    } else if (dataSet_) {
        dataSet_->Fields().Add(this);
    }
}

void TField::SetFieldName(const AnsiString& value) {
    CheckInactive();
    fieldName_ = value;
    if (dataSet_) dataSet_->FieldList().Updated = false;
}

AnsiString TField::FullName() const {
    return parentField_ ? parentField_->FullName() + "." + fieldName_ : fieldName_;
}

AnsiString TField::DisplayName() const {
    return displayLabel_.empty() ? fieldName_ : displayLabel_;
}

void TField::SetFieldKind(TFieldKind value) {
    if (value == fieldKind_) return;
    CheckInactive();
    fieldKind_ = value;
}

void TField::SetSize(int value) {
    CheckInactive();
    if (value < 0) DatabaseError("Invalid field size", dataSet_);
    size_ = value;
}

void TField::SetDataType(TFieldType value) {
    dataType_ = value;
}

bool TField::CanModify() const {
    if (readOnly_ || fieldKind_ == TFieldKind::fkLookup) return false;
    if (parentField_ && !parentField_->CanModify()) return false;
    return dataSet_ && dataSet_->CanModify();
}

int TField::Index() const {
    if (parentField_) return parentField_->Fields().IndexOf(const_cast<TField*>(this));
    return dataSet_ ? dataSet_->Fields().IndexOf(const_cast<TField*>(this)) : -1;
}

void TField::CheckInactive() {
    if (dataSet_) dataSet_->CheckInactive();
}

bool TField::GetData(void* buffer, bool nativeFormat) {
    if (!dataSet_) DatabaseErrorFmt("Field '%s' has no dataset", DisplayName());
    if (validating_) {
        if (!validateBuffer_) return false;
        if (buffer) {
            if (dataType_ == ftVariant)
                *static_cast<Variant*>(buffer) = *static_cast<const Variant*>(validateBuffer_);
            else if (!nativeFormat && FieldNeedsConversion(dataType_))
                dataSet_->DataConvert(this, validateBuffer_, buffer, false);
            else
                std::memcpy(buffer, validateBuffer_, static_cast<size_t>(DataSize()));
        }
        return true;
    }
    return dataSet_->GetFieldData(this, buffer, nativeFormat);
}

void TField::SetData(const void* buffer, bool nativeFormat) {
    if (!dataSet_) DatabaseErrorFmt("Field '%s' has no dataset", DisplayName());
    dataSet_->SetFieldData(this, buffer, nativeFormat);
}

bool TField::IsNull() {
    return !GetData(nullptr);
}

void TField::AccessError(const char* typeName) {
    throw EDatabaseError(Format("Cannot access field '%s' as type %s", {DisplayName(), typeName}));
}

void TField::RangeError(double value, double min, double max) {
    throw EDatabaseError(Format("%g is not a valid value for field '%s'. The allowed range is %g to %g",
                                {value, DisplayName(), min, max}));
}

Variant TField::GetAsVariant() {
    AccessError("Variant");
}
void TField::SetAsVariant(const Variant& value) {
    if (value.IsEmptyOrNull())
        Clear();
    else
        AccessError("Variant");
}
AnsiString TField::GetAsString() {
    return ClassName();
}
void TField::SetAsString(const AnsiString&) {
    AccessError("String");
}
WideString TField::GetAsWideString() {
    return AnsiToWide(GetAsString());
}
void TField::SetAsWideString(const WideString& value) {
    SetAsString(WideToAnsi(value));
}
int TField::GetAsInteger() {
    AccessError("Integer");
}
void TField::SetAsInteger(int) {
    AccessError("Integer");
}
int64_t TField::GetAsLargeInt() {
    AccessError("LargeInt");
}
void TField::SetAsLargeInt(int64_t) {
    AccessError("LargeInt");
}
double TField::GetAsFloat() {
    AccessError("Float");
}
void TField::SetAsFloat(double) {
    AccessError("Float");
}
Currency TField::GetAsCurrency() {
    return Currency::FromDouble(GetAsFloat());
}
void TField::SetAsCurrency(Currency value) {
    SetAsFloat(value.ToDouble());
}
bool TField::GetAsBoolean() {
    AccessError("Boolean");
}
void TField::SetAsBoolean(bool) {
    AccessError("Boolean");
}
TDateTime TField::GetAsDateTime() {
    AccessError("DateTime");
}
void TField::SetAsDateTime(TDateTime) {
    AccessError("DateTime");
}
TBcd TField::GetAsBCD() {
    AccessError("BCD");
}
void TField::SetAsBCD(const TBcd&) {
    AccessError("BCD");
}
TSQLTimeStamp TField::GetAsSQLTimeStamp() {
    return DateTimeToSQLTimeStamp(GetAsDateTime());
}
void TField::SetAsSQLTimeStamp(const TSQLTimeStamp& value) {
    SetAsDateTime(SQLTimeStampToDateTime(value));
}
TBytes TField::GetAsBytes() {
    AnsiString text = GetAsString();
    return TBytes(text.begin(), text.end());
}
void TField::SetAsBytes(const TBytes& value) {
    SetAsString(AnsiString(value.begin(), value.end()));
}

void TField::GetText(AnsiString& text, bool) {
    text = GetAsString();
}

void TField::SetTextValue(const AnsiString& text) {
    SetAsString(text);
}

AnsiString TField::Text() {
    AnsiString text;
    if (OnGetText)
        OnGetText(this, text, false);
    else
        GetText(text, false);
    return text;
}

AnsiString TField::DisplayText() {
    AnsiString text;
    if (OnGetText)
        OnGetText(this, text, true);
    else
        GetText(text, true);
    return text;
}

void TField::SetText(const AnsiString& value) {
    if (OnSetText)
        OnSetText(this, value);
    else
        SetTextValue(value);
}

Variant TField::GetStateValue(TDataSetState state) {
    if (!dataSet_) DatabaseErrorFmt("Field '%s' has no dataset", DisplayName());
    return dataSet_->GetStateFieldValue(state, this);
}

Variant TField::OldValue() {
    return GetStateValue(dsOldValue);
}
Variant TField::NewValue() {
    return GetStateValue(dsNewValue);
}
Variant TField::CurValue() {
    return GetStateValue(dsCurValue);
}
void TField::SetNewValue(const Variant& value) {
    if (!dataSet_) DatabaseErrorFmt("Field '%s' has no dataset", DisplayName());
    dataSet_->SetStateFieldValue(dsNewValue, this, value);
}

void TField::Assign(TPersistent* source) {
    if (!source) {
        Clear();
        return;
    }
    if (auto* field = dynamic_cast<TField*>(source)) {
        SetValue(field->Value());
        return;
    }
    TComponent::Assign(source);
}

void TField::Validate(const void* buffer) {
    if (!OnValidate) return;
    validateBuffer_ = buffer;
    validating_ = true;
    try {
        OnValidate(this);
    } catch (...) {
        validating_ = false;
        validateBuffer_ = nullptr;
        throw;
    }
    validating_ = false;
    validateBuffer_ = nullptr;
}

void TField::Change() {
    if (OnChange) OnChange(this);
}

void TField::CalcLookupValue() {
    if (!lookupDataSet_ || !lookupDataSet_->Active() || !dataSet_) return;
    SetValue(lookupDataSet_->Lookup(LookupKeyFields, dataSet_->GetFieldValues(KeyFields), LookupResultField));
}

void TField::SetLookupDataSet(TDataSet* value) {
    if (value == lookupDataSet_) return;
    CheckInactive();
    if (lookupDataSet_) lookupDataSet_->RemoveFreeNotification(this);
    lookupDataSet_ = value;
    if (lookupDataSet_) lookupDataSet_->FreeNotification(this);
}

void TField::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == lookupDataSet_) lookupDataSet_ = nullptr;
}

void TField::PropertyChanged(bool layoutAffected) {
    if (dataSet_ && dataSet_->Active())
        dataSet_->DataEvent(layoutAffected ? deLayoutChange : deDataSetChange, 0);
}

// ---- TStringField ----------------------------------------------------------------------------

TStringField::TStringField(TComponent* owner) : TField(owner) {
    SetDataType(ftString);
    TField::SetSize(20);
}

AnsiString TStringField::GetAsString() {
    ValueBuffer buffer(DataSize());
    if (!GetData(buffer.Data())) return {};
    auto* text = reinterpret_cast<const char*>(buffer.Data());
    return AnsiString(text, strnlen(text, static_cast<size_t>(DataSize())));
}

void TStringField::SetAsString(const AnsiString& value) {
    ValueBuffer buffer(DataSize());
    std::memcpy(buffer.Data(), value.data(), CutLength(value, static_cast<size_t>(Size())));
    SetData(buffer.Data());
}

Variant TStringField::GetAsVariant() {
    if (IsNull()) return Variant::Null();
    return GetAsString();
}

void TStringField::SetAsVariant(const Variant& value) {
    if (value.IsEmptyOrNull())
        Clear();
    else
        SetAsString(VarToStr(value));
}

int TStringField::GetAsInteger() {
    AnsiString text = GetAsString();
    int value = 0;
    if (!TryStrToInt(text, value)) throw EConvertError(Format("'%s' is not a valid integer value", {text}));
    return value;
}
void TStringField::SetAsInteger(int value) {
    SetAsString(IntToStr(value));
}
int64_t TStringField::GetAsLargeInt() {
    AnsiString text = GetAsString();
    int64_t value = 0;
    if (!TryStrToInt64(text, value)) throw EConvertError(Format("'%s' is not a valid integer value", {text}));
    return value;
}
void TStringField::SetAsLargeInt(int64_t value) {
    SetAsString(IntToStr(value));
}
double TStringField::GetAsFloat() {
    AnsiString text = GetAsString();
    double value = 0;
    if (!TryStrToFloat(text, value, FormatSettings()))
        throw EConvertError(Format("'%s' is not a valid floating point value", {text}));
    return value;
}
void TStringField::SetAsFloat(double value) {
    SetAsString(FloatToStr(value));
}
bool TStringField::GetAsBoolean() {
    AnsiString text = UpperCase(Trim(GetAsString()));
    return !text.empty() && (text[0] == 'T' || text[0] == 'Y');
}
void TStringField::SetAsBoolean(bool value) {
    SetAsString(value ? "T" : "F");
}
TDateTime TStringField::GetAsDateTime() {
    return StrToDateTime(GetAsString());
}
void TStringField::SetAsDateTime(TDateTime value) {
    SetAsString(DateTimeToStr(value));
}
TBcd TStringField::GetAsBCD() {
    return TBcd::FromString(GetAsString());
}
void TStringField::SetAsBCD(const TBcd& value) {
    SetAsString(value.ToString());
}

// ---- TWideStringField ------------------------------------------------------------------------

TWideStringField::TWideStringField(TComponent* owner) : TStringField(owner) {
    SetDataType(ftWideString);
}

WideString TWideStringField::GetAsWideString() {
    WideString value;
    if (!GetData(&value, false)) return {};
    return value;
}

void TWideStringField::SetAsWideString(const WideString& value) {
    WideString text = value.substr(0, static_cast<size_t>(Size()));
    const wchar_t* reference = text.c_str();
    SetData(&reference, false);
}

AnsiString TWideStringField::GetAsString() {
    return WideToAnsi(GetAsWideString());
}

void TWideStringField::SetAsString(const AnsiString& value) {
    SetAsWideString(AnsiToWide(value));
}

Variant TWideStringField::GetAsVariant() {
    WideString value;
    if (!GetData(&value, false)) return Variant::Null();
    return value;
}

void TWideStringField::SetAsVariant(const Variant& value) {
    if (value.IsEmptyOrNull())
        Clear();
    else
        SetAsWideString(VarToWideStr(value));
}

TGuidField::TGuidField(TComponent* owner) : TStringField(owner) {
    SetDataType(ftGuid);
    TField::SetSize(38);
}

// ---- integer fields --------------------------------------------------------------------------

TIntegerField::TIntegerField(TComponent* owner) : TNumericField(owner) {
    SetDataType(ftInteger);
}

bool TIntegerField::ReadValue(int64_t& value) {
    int32_t data = 0;
    if (!GetData(&data)) return false;
    value = data;
    return true;
}

void TIntegerField::WriteValue(int64_t value) {
    CheckRange(value);
    int32_t data = static_cast<int32_t>(value);
    SetData(&data);
}

void TIntegerField::CheckRange(int64_t value) {
    int64_t min = TypeMin(), max = TypeMax();
    if (MinValue != 0 || MaxValue != 0) {
        min = std::max<int64_t>(min, MinValue);
        max = std::min<int64_t>(max, MaxValue);
    }
    if (value < min || value > max)
        RangeError(static_cast<double>(value), static_cast<double>(min), static_cast<double>(max));
}

Variant TIntegerField::GetAsVariant() {
    int64_t value = 0;
    if (!ReadValue(value)) return Variant::Null();
    return Variant::FromInteger(value, DataType() == ftSmallint ? varSmallint : varInteger);
}
void TIntegerField::SetAsVariant(const Variant& value) {
    if (value.IsEmptyOrNull())
        Clear();
    else if (value.IsString())
        SetAsString(value.AsAnsiString());
    else if (value.IsFloat() || value.VarType() == varCurrency)
        SetAsFloat(value.AsDouble());
    else
        WriteValue(value.AsInt64());
}
AnsiString TIntegerField::GetAsString() {
    int64_t value = 0;
    return ReadValue(value) ? IntToStr(value) : AnsiString();
}
void TIntegerField::SetAsString(const AnsiString& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    int64_t number = 0;
    if (!TryStrToInt64(value, number))
        throw EDatabaseError(
            Format("'%s' is not a valid integer value for field '%s'", {value, DisplayName()}));
    WriteValue(number);
}
int TIntegerField::GetAsInteger() {
    int64_t value = 0;
    return ReadValue(value) ? static_cast<int>(value) : 0;
}
void TIntegerField::SetAsInteger(int value) {
    WriteValue(value);
}
int64_t TIntegerField::GetAsLargeInt() {
    int64_t value = 0;
    return ReadValue(value) ? value : 0;
}
void TIntegerField::SetAsLargeInt(int64_t value) {
    WriteValue(value);
}
double TIntegerField::GetAsFloat() {
    return static_cast<double>(GetAsLargeInt());
}
void TIntegerField::SetAsFloat(double value) {
    double rounded = std::round(value);
    if (!(rounded >= -9.2e18 && rounded <= 9.2e18)) {
        int64_t min = MinValue != 0 || MaxValue != 0 ? MinValue : TypeMin();
        int64_t max = MinValue != 0 || MaxValue != 0 ? MaxValue : TypeMax();
        RangeError(value, static_cast<double>(min), static_cast<double>(max));
    }
    WriteValue(static_cast<int64_t>(rounded));
}
Currency TIntegerField::GetAsCurrency() {
    return Currency::FromScaled(GetAsLargeInt() * 10000);
}
void TIntegerField::SetAsCurrency(Currency value) {
    SetAsFloat(value.ToDouble());
}
bool TIntegerField::GetAsBoolean() {
    return GetAsLargeInt() != 0;
}
void TIntegerField::SetAsBoolean(bool value) {
    WriteValue(value ? 1 : 0);
}
TBcd TIntegerField::GetAsBCD() {
    return TBcd::FromInt64(GetAsLargeInt());
}

TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner) {
    SetDataType(ftSmallint);
}
bool TSmallintField::ReadValue(int64_t& value) {
    int16_t data = 0;
    if (!GetData(&data)) return false;
    value = data;
    return true;
}
void TSmallintField::WriteValue(int64_t value) {
    CheckRange(value);
    int16_t data = static_cast<int16_t>(value);
    SetData(&data);
}

TWordField::TWordField(TComponent* owner) : TIntegerField(owner) {
    SetDataType(ftWord);
}
bool TWordField::ReadValue(int64_t& value) {
    uint16_t data = 0;
    if (!GetData(&data)) return false;
    value = data;
    return true;
}
void TWordField::WriteValue(int64_t value) {
    CheckRange(value);
    uint16_t data = static_cast<uint16_t>(value);
    SetData(&data);
}

TAutoIncField::TAutoIncField(TComponent* owner) : TIntegerField(owner) {
    SetDataType(ftAutoInc);
}

// ---- TLargeintField --------------------------------------------------------------------------

TLargeintField::TLargeintField(TComponent* owner) : TNumericField(owner) {
    SetDataType(ftLargeint);
}

int64_t TLargeintField::GetAsLargeInt() {
    int64_t value = 0;
    return GetData(&value) ? value : 0;
}
void TLargeintField::SetAsLargeInt(int64_t value) {
    if ((MinValue != 0 || MaxValue != 0) && (value < MinValue || value > MaxValue))
        RangeError(static_cast<double>(value), static_cast<double>(MinValue), static_cast<double>(MaxValue));
    SetData(&value);
}
Variant TLargeintField::GetAsVariant() {
    int64_t value = 0;
    if (!GetData(&value)) return Variant::Null();
    return value;
}
void TLargeintField::SetAsVariant(const Variant& value) {
    if (value.IsEmptyOrNull())
        Clear();
    else if (value.IsString())
        SetAsString(value.AsAnsiString());
    else if (value.IsFloat())
        SetAsFloat(value.AsDouble());
    else
        SetAsLargeInt(value.AsInt64());
}
AnsiString TLargeintField::GetAsString() {
    int64_t value = 0;
    return GetData(&value) ? IntToStr(value) : AnsiString();
}
void TLargeintField::SetAsString(const AnsiString& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    int64_t number = 0;
    if (!TryStrToInt64(value, number))
        throw EDatabaseError(
            Format("'%s' is not a valid integer value for field '%s'", {value, DisplayName()}));
    SetAsLargeInt(number);
}
int TLargeintField::GetAsInteger() {
    return static_cast<int>(GetAsLargeInt());
}
void TLargeintField::SetAsInteger(int value) {
    SetAsLargeInt(value);
}
double TLargeintField::GetAsFloat() {
    return static_cast<double>(GetAsLargeInt());
}
void TLargeintField::SetAsFloat(double value) {
    double rounded = std::round(value);
    if (!(rounded >= -9.2e18 && rounded <= 9.2e18)) RangeError(value, -9.2e18, 9.2e18);
    SetAsLargeInt(static_cast<int64_t>(rounded));
}
Currency TLargeintField::GetAsCurrency() {
    return Currency::FromDouble(GetAsFloat());
}
TBcd TLargeintField::GetAsBCD() {
    return TBcd::FromInt64(GetAsLargeInt());
}

// ---- TFloatField -----------------------------------------------------------------------------

TFloatField::TFloatField(TComponent* owner) : TNumericField(owner) {
    SetDataType(ftFloat);
}

double TFloatField::GetAsFloat() {
    double value = 0;
    return GetData(&value) ? value : 0;
}
void TFloatField::SetAsFloat(double value) {
    if ((MinValue != 0 || MaxValue != 0) && (value < MinValue || value > MaxValue))
        RangeError(value, MinValue, MaxValue);
    SetData(&value);
}
Variant TFloatField::GetAsVariant() {
    double value = 0;
    if (!GetData(&value)) return Variant::Null();
    return value;
}
void TFloatField::SetAsVariant(const Variant& value) {
    if (value.IsEmptyOrNull())
        Clear();
    else if (value.IsString())
        SetAsString(value.AsAnsiString());
    else
        SetAsFloat(value.AsDouble());
}
AnsiString TFloatField::GetAsString() {
    double value = 0;
    return GetData(&value) ? FloatToStr(value) : AnsiString();
}
void TFloatField::SetAsString(const AnsiString& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    double number = 0;
    if (!TryStrToFloat(value, number, FormatSettings()))
        throw EDatabaseError(
            Format("'%s' is not a valid floating point value for field '%s'", {value, DisplayName()}));
    SetAsFloat(number);
}
int TFloatField::GetAsInteger() {
    return static_cast<int>(std::lround(GetAsFloat()));
}
void TFloatField::SetAsInteger(int value) {
    SetAsFloat(value);
}
int64_t TFloatField::GetAsLargeInt() {
    return std::llround(GetAsFloat());
}
void TFloatField::SetAsLargeInt(int64_t value) {
    SetAsFloat(static_cast<double>(value));
}
Currency TFloatField::GetAsCurrency() {
    return Currency::FromDouble(GetAsFloat());
}
void TFloatField::SetAsCurrency(Currency value) {
    SetAsFloat(value.ToDouble());
}
TBcd TFloatField::GetAsBCD() {
    return TBcd::FromDouble(GetAsFloat());
}
void TFloatField::SetAsBCD(const TBcd& value) {
    SetAsFloat(value.ToDouble());
}

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) {
    SetDataType(ftCurrency);
    CurrencyFormat = true;
}

// ---- TBCDField -------------------------------------------------------------------------------

TBCDField::TBCDField(TComponent* owner) : TNumericField(owner) {
    SetDataType(ftBCD);
    TField::SetSize(4);
}

void TBCDField::SetSize(int value) {
    if (value < 0 || value > 32) DatabaseError("Invalid field size", DataSet());
    TField::SetSize(value);
}

Currency TBCDField::GetAsCurrency() {
    Currency value;
    return GetData(&value, false) ? value : Currency{};
}
void TBCDField::SetAsCurrency(Currency value) {
    if ((MinValue.Value != 0 || MaxValue.Value != 0) &&
        (value.Value < MinValue.Value || value.Value > MaxValue.Value))
        RangeError(value.ToDouble(), MinValue.ToDouble(), MaxValue.ToDouble());
    SetData(&value, false);
}
Variant TBCDField::GetAsVariant() {
    Currency value;
    if (!GetData(&value, false)) return Variant::Null();
    return value;
}
void TBCDField::SetAsVariant(const Variant& value) {
    if (value.IsEmptyOrNull())
        Clear();
    else if (value.IsString())
        SetAsString(value.AsAnsiString());
    else
        SetAsCurrency(value.AsCurrency());
}
AnsiString TBCDField::GetAsString() {
    Currency value;
    return GetData(&value, false) ? TBcd::FromCurrency(value).ToString() : AnsiString();
}
void TBCDField::SetAsString(const AnsiString& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    TBcd number;
    if (!TBcd::TryFromString(value, number))
        throw EDatabaseError(
            Format("'%s' is not a valid floating point value for field '%s'", {value, DisplayName()}));
    SetAsCurrency(number.ToCurrency());
}
namespace {
// A decimal rounded half away from zero into [min, maxExclusive); beyond them an overflow, never
// the wrapped or undefined number a plain conversion would give.
int64_t RoundBcd(const TBcd& value, double min, double maxExclusive) {
    const double rounded = std::round(value.ToDouble());
    if (!(rounded >= min && rounded < maxExclusive)) throw EConvertError("BCD overflow");
    return static_cast<int64_t>(rounded);
}
} // namespace

int TBCDField::GetAsInteger() {
    return static_cast<int>(RoundBcd(GetAsBCD(), -2147483648.0, 2147483648.0));
}
void TBCDField::SetAsInteger(int value) {
    SetAsCurrency(Currency::FromScaled(static_cast<int64_t>(value) * 10000));
}
int64_t TBCDField::GetAsLargeInt() {
    return GetAsCurrency().Value / 10000;
}
double TBCDField::GetAsFloat() {
    return GetAsCurrency().ToDouble();
}
void TBCDField::SetAsFloat(double value) {
    SetAsCurrency(Currency::FromDouble(value));
}
TBcd TBCDField::GetAsBCD() {
    return TBcd::FromCurrency(GetAsCurrency());
}
void TBCDField::SetAsBCD(const TBcd& value) {
    SetAsCurrency(value.ToCurrency());
}

// ---- TFMTBCDField ----------------------------------------------------------------------------

TFMTBCDField::TFMTBCDField(TComponent* owner) : TNumericField(owner) {
    SetDataType(ftFMTBcd);
    TField::SetSize(8);
}

TBcd TFMTBCDField::GetAsBCD() {
    TBcdRecord record;
    return GetData(&record) ? RecordToBcd(record) : TBcd();
}
void TFMTBCDField::SetAsBCD(const TBcd& value) {
    if (!MinValue.empty() && TBcd::Compare(value, TBcd::FromString(MinValue)) < 0)
        RangeError(value.ToDouble(), TBcd::FromString(MinValue).ToDouble(),
                   TBcd::FromString(MaxValue).ToDouble());
    if (!MaxValue.empty() && TBcd::Compare(value, TBcd::FromString(MaxValue)) > 0)
        RangeError(value.ToDouble(), TBcd::FromString(MinValue).ToDouble(),
                   TBcd::FromString(MaxValue).ToDouble());
    TBcdRecord record = BcdToRecord(value);
    SetData(&record);
}
Variant TFMTBCDField::GetAsVariant() {
    TBcdRecord record;
    if (!GetData(&record)) return Variant::Null();
    return RecordToBcd(record);
}
void TFMTBCDField::SetAsVariant(const Variant& value) {
    if (value.IsEmptyOrNull())
        Clear();
    else if (value.IsString())
        SetAsString(value.AsAnsiString());
    else
        SetAsBCD(value.AsBcd());
}
AnsiString TFMTBCDField::GetAsString() {
    TBcdRecord record;
    return GetData(&record) ? RecordToBcd(record).ToString() : AnsiString();
}
void TFMTBCDField::SetAsString(const AnsiString& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    TBcd number;
    if (!TBcd::TryFromString(value, number))
        throw EDatabaseError(
            Format("'%s' is not a valid floating point value for field '%s'", {value, DisplayName()}));
    SetAsBCD(number);
}
int TFMTBCDField::GetAsInteger() {
    return static_cast<int>(RoundBcd(GetAsBCD(), -2147483648.0, 2147483648.0));
}
void TFMTBCDField::SetAsInteger(int value) {
    SetAsBCD(TBcd::FromInt64(value));
}
int64_t TFMTBCDField::GetAsLargeInt() {
    return RoundBcd(GetAsBCD(), -9.2233720368547758e18, 9.2233720368547758e18);
}
void TFMTBCDField::SetAsLargeInt(int64_t value) {
    SetAsBCD(TBcd::FromInt64(value));
}
double TFMTBCDField::GetAsFloat() {
    return GetAsBCD().ToDouble();
}
void TFMTBCDField::SetAsFloat(double value) {
    SetAsBCD(TBcd::FromDouble(value));
}
Currency TFMTBCDField::GetAsCurrency() {
    return GetAsBCD().ToCurrency();
}
void TFMTBCDField::SetAsCurrency(Currency value) {
    SetAsBCD(TBcd::FromCurrency(value));
}

// ---- TBooleanField ---------------------------------------------------------------------------

TBooleanField::TBooleanField(TComponent* owner) : TField(owner), DisplayValues("True;False") {
    SetDataType(ftBoolean);
}

bool TBooleanField::GetAsBoolean() {
    uint16_t value = 0;
    return GetData(&value) && value != 0;
}
void TBooleanField::SetAsBoolean(bool value) {
    uint16_t data = value ? 0xFFFF : 0;
    SetData(&data);
}
Variant TBooleanField::GetAsVariant() {
    uint16_t value = 0;
    if (!GetData(&value)) return Variant::Null();
    return value != 0;
}
void TBooleanField::SetAsVariant(const Variant& value) {
    if (value.IsEmptyOrNull())
        Clear();
    else if (value.IsString())
        SetAsString(value.AsAnsiString());
    else
        SetAsBoolean(value.AsBoolean());
}
AnsiString TBooleanField::GetAsString() {
    uint16_t value = 0;
    if (!GetData(&value)) return {};
    size_t split = DisplayValues.find(';');
    AnsiString trueText = DisplayValues.substr(0, split);
    AnsiString falseText = split == AnsiString::npos ? AnsiString() : DisplayValues.substr(split + 1);
    return value != 0 ? trueText : falseText;
}
void TBooleanField::SetAsString(const AnsiString& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    size_t split = DisplayValues.find(';');
    AnsiString trueText = DisplayValues.substr(0, split);
    AnsiString falseText = split == AnsiString::npos ? AnsiString() : DisplayValues.substr(split + 1);
    // A leading part of either text names it, as users type it.
    auto matches = [&value](const AnsiString& text) {
        return AnsiSameText(value, text.substr(0, std::min(value.size(), text.size()))) &&
               value.size() <= text.size();
    };
    if (matches(falseText))
        SetAsBoolean(false);
    else if (matches(trueText))
        SetAsBoolean(true);
    else
        throw EDatabaseError(
            Format("'%s' is not a valid boolean value for field '%s'", {value, DisplayName()}));
}
int TBooleanField::GetAsInteger() {
    return GetAsBoolean() ? 1 : 0;
}
void TBooleanField::SetAsInteger(int value) {
    SetAsBoolean(value != 0);
}

// ---- date and time fields --------------------------------------------------------------------

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) {
    SetDataType(ftDateTime);
}

TDateTime TDateTimeField::GetAsDateTime() {
    TDateTime value = 0;
    return GetData(&value, false) ? value : 0;
}
void TDateTimeField::SetAsDateTime(TDateTime value) {
    SetData(&value, false);
}
Variant TDateTimeField::GetAsVariant() {
    TDateTime value = 0;
    if (!GetData(&value, false)) return Variant::Null();
    return Variant::FromDateTime(value);
}
void TDateTimeField::SetAsVariant(const Variant& value) {
    if (value.IsEmptyOrNull())
        Clear();
    else if (value.IsString())
        SetAsString(value.AsAnsiString());
    else
        SetAsDateTime(value.AsDateTime());
}
AnsiString TDateTimeField::GetAsString() {
    TDateTime value = 0;
    if (!GetData(&value, false)) return {};
    if (!DisplayFormat.empty()) return FormatDateTime(DisplayFormat, value);
    switch (DataType()) {
    case ftDate:
        return DateToStr(value);
    case ftTime:
        return TimeToStr(value);
    default:
        return DateTimeToStr(value);
    }
}
void TDateTimeField::SetAsString(const AnsiString& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    TDateTime parsed = 0;
    bool ok = DataType() == ftDate   ? TryStrToDate(value, parsed, FormatSettings())
              : DataType() == ftTime ? TryStrToTime(value, parsed, FormatSettings())
                                     : TryStrToDateTime(value, parsed, FormatSettings());
    if (!ok) throw EConvertError(Format("'%s' is not a valid date and time", {value}));
    SetAsDateTime(parsed);
}
double TDateTimeField::GetAsFloat() {
    return GetAsDateTime();
}
void TDateTimeField::SetAsFloat(double value) {
    SetAsDateTime(value);
}
TSQLTimeStamp TDateTimeField::GetAsSQLTimeStamp() {
    TDateTime value = 0;
    return GetData(&value, false) ? DateTimeToSQLTimeStamp(value) : TSQLTimeStamp{};
}
void TDateTimeField::SetAsSQLTimeStamp(const TSQLTimeStamp& value) {
    SetAsDateTime(SQLTimeStampToDateTime(value));
}

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) {
    SetDataType(ftDate);
}

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) {
    SetDataType(ftTime);
}

// ---- binary fields ---------------------------------------------------------------------------

TBytes TBinaryField::GetAsBytes() {
    ValueBuffer buffer(DataSize());
    if (!GetData(buffer.Data())) return {};
    if (DataType() == ftVarBytes) {
        uint16_t length = 0;
        std::memcpy(&length, buffer.Data(), 2);
        length = static_cast<uint16_t>(std::min<int>(length, Size()));
        return TBytes(buffer.Data() + 2, buffer.Data() + 2 + length);
    }
    return TBytes(buffer.Data(), buffer.Data() + DataSize());
}
void TBinaryField::SetAsBytes(const TBytes& value) {
    ValueBuffer buffer(DataSize());
    size_t count = std::min(value.size(), static_cast<size_t>(Size()));
    if (DataType() == ftVarBytes) {
        auto length = static_cast<uint16_t>(count);
        std::memcpy(buffer.Data(), &length, 2);
        if (count) std::memcpy(buffer.Data() + 2, value.data(), count);
    } else if (count) {
        std::memcpy(buffer.Data(), value.data(), count);
    }
    SetData(buffer.Data());
}
Variant TBinaryField::GetAsVariant() {
    if (IsNull()) return Variant::Null();
    return GetAsBytes();
}
void TBinaryField::SetAsVariant(const Variant& value) {
    if (value.IsEmptyOrNull())
        Clear();
    else
        SetAsBytes(value.AsBytes());
}
AnsiString TBinaryField::GetAsString() {
    TBytes bytes = GetAsBytes();
    return AnsiString(bytes.begin(), bytes.end());
}
void TBinaryField::SetAsString(const AnsiString& value) {
    SetAsBytes(TBytes(value.begin(), value.end()));
}

TBytesField::TBytesField(TComponent* owner) : TBinaryField(owner) {
    SetDataType(ftBytes);
    TField::SetSize(16);
}

TVarBytesField::TVarBytesField(TComponent* owner) : TBinaryField(owner) {
    SetDataType(ftVarBytes);
    TField::SetSize(16);
}

// ---- blob fields -----------------------------------------------------------------------------

TBlobField::TBlobField(TComponent* owner) : TField(owner) {
    SetDataType(ftBlob);
}

TBytes TBlobField::GetAsBytes() {
    if (!DataSet()) DatabaseErrorFmt("Field '%s' has no dataset", DisplayName());
    std::unique_ptr<TStream> stream(DataSet()->CreateBlobStream(this, bmRead));
    if (!stream) return {};
    TBytes bytes;
    uint8_t chunk[4096];
    for (int n; (n = stream->Read(chunk, sizeof(chunk))) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + n);
    return bytes;
}
void TBlobField::SetAsBytes(const TBytes& value) {
    if (!DataSet()) DatabaseErrorFmt("Field '%s' has no dataset", DisplayName());
    std::unique_ptr<TStream> stream(DataSet()->CreateBlobStream(this, bmWrite));
    if (stream && !value.empty()) stream->WriteBuffer(value.data(), static_cast<int>(value.size()));
}
int TBlobField::BlobSize() {
    if (!DataSet()) return 0;
    std::unique_ptr<TStream> stream(DataSet()->CreateBlobStream(this, bmRead));
    return stream ? static_cast<int>(stream->Size()) : 0;
}
bool TBlobField::IsNull() {
    if (Modified) return BlobSize() == 0;
    return TField::IsNull();
}
void TBlobField::Clear() {
    if (!DataSet()) DatabaseErrorFmt("Field '%s' has no dataset", DisplayName());
    std::unique_ptr<TStream> stream(DataSet()->CreateBlobStream(this, bmWrite));
}
void TBlobField::LoadFromStream(TStream* stream) {
    TBytes bytes;
    uint8_t chunk[4096];
    for (int n; (n = stream->Read(chunk, sizeof(chunk))) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + n);
    SetAsBytes(bytes);
}
void TBlobField::SaveToStream(TStream* stream) {
    TBytes bytes = GetAsBytes();
    if (!bytes.empty()) stream->WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
}
Variant TBlobField::GetAsVariant() {
    if (IsNull()) return Variant::Null();
    return GetAsBytes();
}
void TBlobField::SetAsVariant(const Variant& value) {
    if (value.IsEmptyOrNull())
        Clear();
    else if (value.IsByteArray())
        SetAsBytes(value.Bytes());
    else if (value.VarType() == varOleStr)
        SetAsWideString(value.AsWideString());
    else
        SetAsString(VarToStr(value));
}
AnsiString TBlobField::GetAsString() {
    TBytes bytes = GetAsBytes();
    return AnsiString(bytes.begin(), bytes.end());
}
void TBlobField::SetAsString(const AnsiString& value) {
    SetAsBytes(TBytes(value.begin(), value.end()));
}
WideString TBlobField::GetAsWideString() {
    return AnsiToWide(GetAsString());
}
void TBlobField::SetAsWideString(const WideString& value) {
    SetAsString(WideToAnsi(value));
}

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner) {
    SetDataType(ftMemo);
}
Variant TMemoField::GetAsVariant() {
    if (IsNull()) return Variant::Null();
    return GetAsString();
}

TGraphicField::TGraphicField(TComponent* owner) : TBlobField(owner) {
    SetDataType(ftGraphic);
}

// ---- TVariantField ---------------------------------------------------------------------------

TVariantField::TVariantField(TComponent* owner) : TField(owner) {
    SetDataType(ftVariant);
}

Variant TVariantField::GetAsVariant() {
    Variant value;
    if (!GetData(&value)) return Variant::Null();
    return value;
}
void TVariantField::SetAsVariant(const Variant& value) {
    if (value.IsEmptyOrNull())
        Clear();
    else
        SetData(&value);
}
AnsiString TVariantField::GetAsString() {
    return VarToStr(GetAsVariant());
}
void TVariantField::SetAsString(const AnsiString& value) {
    SetAsVariant(value);
}
int TVariantField::GetAsInteger() {
    Variant value = GetAsVariant();
    return value.IsEmptyOrNull() ? 0 : value.AsInteger();
}
void TVariantField::SetAsInteger(int value) {
    SetAsVariant(value);
}
int64_t TVariantField::GetAsLargeInt() {
    Variant value = GetAsVariant();
    return value.IsEmptyOrNull() ? 0 : value.AsInt64();
}
double TVariantField::GetAsFloat() {
    Variant value = GetAsVariant();
    return value.IsEmptyOrNull() ? 0 : value.AsDouble();
}
void TVariantField::SetAsFloat(double value) {
    SetAsVariant(value);
}
bool TVariantField::GetAsBoolean() {
    Variant value = GetAsVariant();
    return value.IsEmptyOrNull() ? false : value.AsBoolean();
}
void TVariantField::SetAsBoolean(bool value) {
    SetAsVariant(value);
}
TDateTime TVariantField::GetAsDateTime() {
    Variant value = GetAsVariant();
    return value.IsEmptyOrNull() ? 0 : value.AsDateTime();
}
void TVariantField::SetAsDateTime(TDateTime value) {
    SetAsVariant(Variant::FromDateTime(value));
}

// ---- object fields ---------------------------------------------------------------------------

TObjectField::TObjectField(TComponent* owner) : TField(owner), fields_(new TFields(nullptr)) {}

TObjectField::~TObjectField() {
    fields_->Clear();
    delete fields_;
}

int TObjectField::FieldCount() const {
    return fields_->Count();
}

TADTField::TADTField(TComponent* owner) : TObjectField(owner) {
    SetDataType(ftADT);
}

TArrayField::TArrayField(TComponent* owner) : TObjectField(owner) {
    SetDataType(ftArray);
    TField::SetSize(10);
}

TDataSetField::TDataSetField(TComponent* owner) : TObjectField(owner) {
    SetDataType(ftDataSet);
}

TReferenceField::TReferenceField(TComponent* owner) : TDataSetField(owner) {
    SetDataType(ftReference);
}

bool FieldNeedsConversion(TFieldType type) {
    return type == ftDate || type == ftTime || type == ftDateTime || type == ftBCD || type == ftWideString;
}

TClass DefaultFieldClass(TFieldType type) {
    switch (type) {
    case ftString:
    case ftFixedChar:
        return TStringField::StaticClass();
    case ftSmallint:
        return TSmallintField::StaticClass();
    case ftInteger:
        return TIntegerField::StaticClass();
    case ftWord:
        return TWordField::StaticClass();
    case ftBoolean:
        return TBooleanField::StaticClass();
    case ftFloat:
        return TFloatField::StaticClass();
    case ftCurrency:
        return TCurrencyField::StaticClass();
    case ftBCD:
        return TBCDField::StaticClass();
    case ftDate:
        return TDateField::StaticClass();
    case ftTime:
        return TTimeField::StaticClass();
    case ftDateTime:
        return TDateTimeField::StaticClass();
    case ftBytes:
        return TBytesField::StaticClass();
    case ftVarBytes:
        return TVarBytesField::StaticClass();
    case ftAutoInc:
        return TAutoIncField::StaticClass();
    case ftBlob:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
        return TBlobField::StaticClass();
    case ftMemo:
    case ftOraClob:
        return TMemoField::StaticClass();
    case ftGraphic:
        return TGraphicField::StaticClass();
    case ftWideString:
        return TWideStringField::StaticClass();
    case ftLargeint:
        return TLargeintField::StaticClass();
    case ftADT:
        return TADTField::StaticClass();
    case ftArray:
        return TArrayField::StaticClass();
    case ftReference:
        return TReferenceField::StaticClass();
    case ftDataSet:
        return TDataSetField::StaticClass();
    case ftVariant:
        return TVariantField::StaticClass();
    case ftGuid:
        return TGuidField::StaticClass();
    case ftFMTBcd:
        return TFMTBCDField::StaticClass();
    default:
        return nullptr;
    }
}

// ---- TFields ---------------------------------------------------------------------------------

TFields::~TFields() {
    // Fields outlive the list only through their owners; forget them.
    for (TField* field : list_) {
        if (field->parentField_ == nullptr) field->dataSet_ = nullptr;
    }
}

TField* TFields::Fields(int index) const {
    if (index < 0 || index >= Count()) DatabaseError("Field index out of range", dataSet_);
    return list_[static_cast<size_t>(index)];
}

void TFields::Add(TField* field) {
    list_.push_back(field);
    if (OnChange) OnChange();
}

void TFields::Remove(TField* field) {
    auto it = std::find(list_.begin(), list_.end(), field);
    if (it == list_.end()) return;
    list_.erase(it);
    if (OnChange) OnChange();
}

void TFields::Clear() {
    while (!list_.empty()) {
        TField* field = list_.back();
        list_.pop_back();
        field->dataSet_ = nullptr;
        field->parentField_ = nullptr;
        delete field;
    }
    if (OnChange) OnChange();
}

int TFields::IndexOf(TField* field) const {
    auto it = std::find(list_.begin(), list_.end(), field);
    return it == list_.end() ? -1 : static_cast<int>(it - list_.begin());
}

TField* TFields::FindField(const AnsiString& name) const {
    for (TField* field : list_)
        if (AnsiSameText(field->FieldName(), name)) return field;
    return nullptr;
}

TField* TFields::FieldByName(const AnsiString& name) const {
    TField* field = FindField(name);
    if (!field) DatabaseErrorFmt("Field '%s' not found", name, dataSet_);
    return field;
}

TField* TFields::FieldByNumber(int fieldNo) const {
    for (TField* field : list_)
        if (field->FieldNo() == fieldNo) return field;
    return nullptr;
}

void TFields::SetFieldIndex(TField* field, int value) {
    int current = IndexOf(field);
    if (current < 0) return;
    value = std::clamp(value, 0, Count() - 1);
    list_.erase(list_.begin() + current);
    list_.insert(list_.begin() + value, field);
    if (OnChange) OnChange();
}

// ---- TFieldDef, TFieldDefs -------------------------------------------------------------------

TFieldDef::TFieldDef(TFieldDefs* owner, const AnsiString& name, TFieldType dataType, int size, bool required,
                     int fieldNo)
    : name_(name), dataType_(dataType), size_(size), fieldNo_(fieldNo) {
    if (required) attributes_ |= faRequired;
    SetCollection(owner);
}

TFieldDef::~TFieldDef() {
    delete childDefs_;
}

TFieldDefs* TFieldDef::Owner() const {
    return static_cast<TFieldDefs*>(Collection());
}

void TFieldDef::SetName(const AnsiString& value) {
    name_ = value;
    Changed(false);
}
void TFieldDef::SetDataType(TFieldType value) {
    dataType_ = value;
    Changed(false);
}
void TFieldDef::SetSize(int value) {
    size_ = value;
    Changed(false);
}
void TFieldDef::SetPrecision(int value) {
    precision_ = value;
    Changed(false);
}
void TFieldDef::SetAttributes(TFieldAttributes value) {
    attributes_ = value;
    Changed(false);
}
void TFieldDef::SetRequired(bool value) {
    SetAttributes(value ? (attributes_ | faRequired) : (attributes_ & ~faRequired));
}

TFieldDefs& TFieldDef::ChildDefs() {
    if (!childDefs_) childDefs_ = new TFieldDefs(this);
    return *childDefs_;
}

bool TFieldDef::HasChildDefs() const {
    return childDefs_ && childDefs_->Count() > 0;
}

TFieldDef* TFieldDef::AddChild() {
    return ChildDefs().AddFieldDef();
}

TFieldDef* TFieldDef::ParentDef() const {
    return Owner() ? Owner()->ParentDef() : nullptr;
}

TClass TFieldDef::FieldClass() const {
    TDataSet* dataSet = Owner() ? Owner()->DataSet() : nullptr;
    return dataSet ? dataSet->GetFieldClass(dataType_) : DefaultFieldClass(dataType_);
}

TField* TFieldDef::CreateField(TComponent* owner, TObjectField* parentField, const AnsiString& fieldName,
                               bool createChildren) {
    TClass fieldClass = FieldClass();
    if (!fieldClass) DatabaseErrorFmt("Field '%s' is of an unknown type", name_);
    auto* field = static_cast<TField*>(fieldClass->CreateInstance(owner));
    try {
        field->SetSize(size_);
        field->SetFieldName(fieldName.empty() ? name_ : fieldName);
        field->Required = Required();
        field->SetReadOnly((attributes_ & faReadonly) != 0);
        field->SetDataType(dataType_);
        field->fieldNo_ = fieldNo_;
        if (auto* bcd = dynamic_cast<TBCDField*>(field)) bcd->Precision = precision_;
        if (auto* fmt = dynamic_cast<TFMTBCDField*>(field)) fmt->Precision = precision_;
        if (auto* flt = dynamic_cast<TFloatField*>(field); flt && precision_ > 0) flt->Precision = precision_;
        if ((attributes_ & faHiddenCol) != 0) field->Visible = false;
        if (parentField) {
            field->SetParentField(parentField);
        } else {
            TDataSet* dataSet = Owner() ? Owner()->DataSet() : nullptr;
            field->SetDataSet(dataSet);
        }
        if (createChildren && HasChildDefs())
            if (auto* objectField = dynamic_cast<TObjectField*>(field))
                for (int i = 0; i < childDefs_->Count(); ++i)
                    childDefs_->Items(i)->CreateField(owner, objectField);
    } catch (...) {
        delete field;
        throw;
    }
    return field;
}

void TFieldDef::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TFieldDef*>(source);
    if (!other) {
        TCollectionItem::Assign(source);
        return;
    }
    name_ = other->name_;
    dataType_ = other->dataType_;
    size_ = other->size_;
    precision_ = other->precision_;
    attributes_ = other->attributes_;
    fieldNo_ = other->fieldNo_;
    InternalCalcField = other->InternalCalcField;
    if (other->HasChildDefs())
        ChildDefs().Assign(other->childDefs_);
    else if (childDefs_)
        childDefs_->Clear();
    Changed(false);
}

TFieldDefs::TFieldDefs(TPersistent* owner) : TOwnedCollection(owner, TFieldDef::StaticClass()) {
    if (auto* dataSet = dynamic_cast<TDataSet*>(owner)) {
        dataSet_ = dataSet;
    } else if (auto* def = dynamic_cast<TFieldDef*>(owner)) {
        parentDef_ = def;
        dataSet_ = def->Owner() ? def->Owner()->DataSet() : nullptr;
    }
}

TFieldDef* TFieldDefs::Add(const AnsiString& name, TFieldType dataType, int size, bool required) {
    if (name.empty()) DatabaseError("Field name missing", dataSet_);
    if (IndexOf(name) >= 0) DatabaseErrorFmt("Duplicate field name '%s'", name, dataSet_);
    TFieldDef* def = AddFieldDef();
    def->SetName(name);
    def->SetDataType(dataType);
    def->SetSize(size);
    def->SetRequired(required);
    def->SetFieldNo(Count());
    return def;
}

int TFieldDefs::IndexOf(const AnsiString& name) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(Items(i)->Name(), name)) return i;
    return -1;
}

TFieldDef* TFieldDefs::FindDef(const AnsiString& name) const {
    int index = IndexOf(name);
    return index < 0 ? nullptr : Items(index);
}

TFieldDef* TFieldDefs::Find(const AnsiString& name) const {
    TFieldDef* def = FindDef(name);
    if (!def) DatabaseErrorFmt("Field '%s' not found", name, dataSet_);
    return def;
}

void TFieldDefs::Update() {
    if (dataSet_ && !Updated) dataSet_->InitFieldDefs();
}

void TFieldDefs::Update(TCollectionItem*) {
    if (dataSet_ && dataSet_->fieldDefList_) dataSet_->fieldDefList_->Updated = false;
}

void TFieldDefs::Notify(TCollectionItem*, TCollectionNotification) {
    if (dataSet_ && dataSet_->fieldDefList_) dataSet_->fieldDefList_->Updated = false;
}

// ---- TFieldDefList, TFieldList ---------------------------------------------------------------

void TFieldDefList::Add(TFieldDefs& defs, const AnsiString& prefix) {
    for (int i = 0; i < defs.Count(); ++i) {
        TFieldDef* def = defs.Items(i);
        AnsiString name = prefix + def->Name();
        items_.emplace_back(name, def);
        if (def->HasChildDefs()) Add(def->ChildDefs(), name + ".");
    }
}

void TFieldDefList::Update() {
    items_.clear();
    Add(dataSet_->FieldDefs(), "");
    Updated = true;
}

int TFieldDefList::Count() {
    if (!Updated) Update();
    return static_cast<int>(items_.size());
}

TFieldDef* TFieldDefList::FieldDefs(int index) {
    if (index < 0 || index >= Count()) DatabaseError("Field index out of range", dataSet_);
    return items_[static_cast<size_t>(index)].second;
}

const AnsiString& TFieldDefList::Names(int index) {
    if (index < 0 || index >= Count()) DatabaseError("Field index out of range", dataSet_);
    return items_[static_cast<size_t>(index)].first;
}

int TFieldDefList::IndexOf(const AnsiString& name) {
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(items_[static_cast<size_t>(i)].first, name)) return i;
    return -1;
}

TFieldDef* TFieldDefList::Find(const AnsiString& name) {
    int index = IndexOf(name);
    return index < 0 ? nullptr : items_[static_cast<size_t>(index)].second;
}

TFieldDef* TFieldDefList::FieldByName(const AnsiString& name) {
    TFieldDef* def = Find(name);
    if (!def) DatabaseErrorFmt("Field '%s' not found", name, dataSet_);
    return def;
}

void TFieldList::Add(TFields& fields) {
    for (int i = 0; i < fields.Count(); ++i) {
        TField* field = fields[i];
        items_.emplace_back(field->FullName(), field);
        if (auto* objectField = dynamic_cast<TObjectField*>(field)) Add(objectField->Fields());
    }
}

void TFieldList::Update() {
    items_.clear();
    Add(dataSet_->Fields());
    Updated = true;
}

int TFieldList::Count() {
    if (!Updated) Update();
    return static_cast<int>(items_.size());
}

TField* TFieldList::Fields(int index) {
    if (index < 0 || index >= Count()) DatabaseError("Field index out of range", dataSet_);
    return items_[static_cast<size_t>(index)].second;
}

TField* TFieldList::Find(const AnsiString& name) {
    Count();
    for (auto& [fullName, field] : items_)
        if (AnsiSameText(fullName, name)) return field;
    return nullptr;
}

TField* TFieldList::FieldByName(const AnsiString& name) {
    TField* field = Find(name);
    if (!field) DatabaseErrorFmt("Field '%s' not found", name, dataSet_);
    return field;
}

AnsiString ExtractFieldName(const AnsiString& names, size_t& pos) {
    size_t end = names.find(';', pos);
    if (end == AnsiString::npos) end = names.size();
    AnsiString name = Trim(std::string_view(names).substr(pos, end - pos));
    pos = end < names.size() ? end + 1 : end;
    return name;
}
