#include "platform/db/Params.h"

#include "platform/core/StringLists.h"
#include "platform/db/Fields.h"

namespace {
TFieldType FieldTypeOfVariant(const Variant& value) {
    if (value.IsByteArray()) return ftBlob;
    switch (value.VarType()) {
    case varSmallint:
    case varShortInt:
    case varByte:
        return ftSmallint;
    case varInteger:
        return ftInteger;
    case varWord:
        return ftWord;
    case varLongWord:
    case varInt64:
        return ftLargeint;
    case varSingle:
    case varDouble:
        return ftFloat;
    case varCurrency:
        return ftBCD;
    case varDate:
        return ftDateTime;
    case varBoolean:
        return ftBoolean;
    case varString:
        return ftString;
    case varOleStr:
        return ftWideString;
    case varFMTBcd:
        return ftFMTBcd;
    case varSQLTimeStamp:
        return ftTimeStamp;
    default:
        return ftUnknown;
    }
}
} // namespace

TParam::TParam(TParams* params, TParamType paramType) : paramType_(paramType) {
    SetCollection(params);
}

TParams* TParam::Params() const {
    return static_cast<TParams*>(Collection());
}

void TParam::SetDataType(TFieldType value) {
    dataType_ = value;
}

bool TParam::GetIsNull() const {
    return null_ || value_.IsEmptyOrNull();
}

void TParam::Clear() {
    null_ = true;
    value_ = Variant();
}

Variant TParam::GetValue() {
    return value_;
}

void TParam::SetValue(const Variant& value) {
    if (dataType_ == ftUnknown) dataType_ = FieldTypeOfVariant(value);
    value_ = value;
    Bound = true;
    null_ = false;
}

AnsiString TParam::GetAsString() {
    if (GetIsNull()) return {};
    if (dataType_ == ftBoolean) return GetValue().AsBoolean() ? "True" : "False";
    return VarToStr(GetValue());
}

void TParam::SetAsString(const AnsiString& value) {
    if (dataType_ != ftFixedChar) dataType_ = ftString;
    SetValue(value);
}

WideString TParam::GetAsWideString() {
    return GetIsNull() ? WideString() : VarToWideStr(GetValue());
}

void TParam::SetAsWideString(const WideString& value) {
    dataType_ = ftWideString;
    SetValue(value);
}

int TParam::GetAsInteger() {
    return GetIsNull() ? 0 : GetValue().AsInteger();
}

void TParam::SetAsInteger(int value) {
    dataType_ = ftInteger;
    SetValue(value);
}

void TParam::SetAsSmallInt(int value) {
    dataType_ = ftSmallint;
    SetValue(Variant::FromInteger(value, varSmallint));
}

void TParam::SetAsWord(int value) {
    dataType_ = ftWord;
    SetValue(Variant::FromInteger(value, varInteger));
}

int64_t TParam::GetAsLargeInt() {
    return GetIsNull() ? 0 : GetValue().AsInt64();
}

void TParam::SetAsLargeInt(int64_t value) {
    dataType_ = ftLargeint;
    SetValue(value);
}

double TParam::GetAsFloat() {
    return GetIsNull() ? 0 : GetValue().AsDouble();
}

void TParam::SetAsFloat(double value) {
    dataType_ = ftFloat;
    SetValue(value);
}

Currency TParam::GetAsCurrency() {
    return GetIsNull() ? Currency{} : GetValue().AsCurrency();
}

void TParam::SetAsCurrency(Currency value) {
    dataType_ = ftCurrency;
    SetValue(value);
}

bool TParam::GetAsBoolean() {
    return GetIsNull() ? false : GetValue().AsBoolean();
}

void TParam::SetAsBoolean(bool value) {
    dataType_ = ftBoolean;
    SetValue(value);
}

TDateTime TParam::GetAsDateTime() {
    return GetIsNull() ? 0 : GetValue().AsDateTime();
}

void TParam::SetAsDateTime(TDateTime value) {
    dataType_ = ftDateTime;
    SetValue(Variant::FromDateTime(value));
}

void TParam::SetAsDate(TDateTime value) {
    dataType_ = ftDate;
    SetValue(Variant::FromDateTime(value));
}

void TParam::SetAsTime(TDateTime value) {
    dataType_ = ftTime;
    SetValue(Variant::FromDateTime(value));
}

TSQLTimeStamp TParam::GetAsSQLTimeStamp() {
    return GetIsNull() ? TSQLTimeStamp{} : GetValue().AsSQLTimeStamp();
}

void TParam::SetAsSQLTimeStamp(const TSQLTimeStamp& value) {
    dataType_ = ftTimeStamp;
    SetValue(value);
}

TBcd TParam::GetAsBCD() {
    return GetIsNull() ? TBcd() : GetValue().AsBcd();
}

void TParam::SetAsBCD(const TBcd& value) {
    dataType_ = ftBCD;
    SetValue(value.ToCurrency());
}

TBytes TParam::GetAsBytes() {
    return GetIsNull() ? TBytes() : GetValue().AsBytes();
}

void TParam::SetAsBytes(const TBytes& value) {
    if (dataType_ == ftUnknown) dataType_ = ftBytes;
    SetValue(value);
}

void TParam::SetAsMemo(const AnsiString& value) {
    dataType_ = ftMemo;
    SetValue(value);
}

void TParam::SetAsBlob(const TBytes& value) {
    dataType_ = ftBlob;
    SetValue(value);
}

void TParam::SetText(const AnsiString& value) {
    SetValue(value);
}

void TParam::AssignField(TField* field) {
    if (!field) return;
    AssignFieldValue(field, field->Value());
    name_ = field->FieldName();
}

void TParam::AssignFieldValue(TField* field, const Variant& value) {
    if (!field) return;
    TFieldType type = field->DataType();
    if (type == ftAutoInc) type = ftInteger;
    if (type == ftFixedChar) type = ftString;
    SetDataType(type);
    if (value.IsEmptyOrNull())
        Clear();
    else
        SetValue(value);
    Bound = true;
}

void TParam::AssignParam(TParam* param) {
    if (!param) return;
    dataType_ = param->DataType();
    value_ = param->value_;
    null_ = param->null_;
    Bound = param->Bound;
    name_ = param->Name();
    if (paramType_ == ptUnknown) paramType_ = param->ParamType();
    Precision = param->Precision;
    NumericScale = param->NumericScale;
    PlatformSize = param->PlatformSize;
}

void TParam::Assign(TPersistent* source) {
    if (auto* param = dynamic_cast<TParam*>(source))
        AssignParam(param);
    else if (auto* field = dynamic_cast<TField*>(source))
        AssignField(field);
    else if (auto* strings = dynamic_cast<TStrings*>(source))
        SetAsMemo(strings->Text());
    else
        TCollectionItem::Assign(source);
}

void TParam::AssignTo(TPersistent* dest) {
    if (auto* field = dynamic_cast<TField*>(dest))
        field->SetValue(GetValue());
    else
        TCollectionItem::AssignTo(dest);
}

void TParam::LoadFromStream(TStream* stream, TFieldType blobType) {
    int64_t size = stream->Size() - stream->Position();
    TBytes bytes(static_cast<size_t>(size > 0 ? size : 0));
    if (!bytes.empty()) stream->ReadBuffer(bytes.data(), static_cast<int>(bytes.size()));
    dataType_ = blobType;
    if (blobType == ftMemo || blobType == ftString || blobType == ftFixedChar || blobType == ftOraClob ||
        blobType == ftFmtMemo)
        SetValue(AnsiString(bytes.begin(), bytes.end()));
    else
        SetValue(bytes);
}

TParams::TParams(TPersistent* owner) : TParams(owner, TParam::StaticClass()) {}

TParams::TParams(TPersistent* owner, TClass itemClass) : TCollection(itemClass), owner_(owner) {}

TParam* TParams::FindParam(const AnsiString& name) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(Items(i)->Name(), name)) return Items(i);
    return nullptr;
}

TParam* TParams::ParamByName(const AnsiString& name) const {
    TParam* param = FindParam(name);
    if (!param) {
        auto* component = dynamic_cast<TComponent*>(owner_);
        DatabaseErrorFmt("Parameter '%s' not found", name, component);
    }
    return param;
}

TParam* TParams::CreateParam(TFieldType fieldType, const AnsiString& name, TParamType paramType) {
    auto* param = static_cast<TParam*>(Add());
    param->SetName(name);
    param->SetParamType(paramType);
    param->SetDataType(fieldType);
    return param;
}

void TParams::AddParam(TParam* param) {
    param->SetCollection(this);
}

void TParams::RemoveParam(TParam* param) {
    param->SetCollection(nullptr);
}

void TParams::AssignValues(TParams* source) {
    if (!source) return;
    for (int i = 0; i < source->Count(); ++i)
        if (TParam* param = FindParam(source->Items(i)->Name())) param->Assign(source->Items(i));
}

bool TParams::IsEqual(TParams* other) const {
    if (!other || other->Count() != Count()) return false;
    for (int i = 0; i < Count(); ++i) {
        TParam* a = Items(i);
        TParam* b = other->Items(i);
        if (a->Name() != b->Name() || a->DataType() != b->DataType() || a->ParamType() != b->ParamType() ||
            a->Bound != b->Bound || a->IsNull() != b->IsNull() || !(a->Value() == b->Value()))
            return false;
    }
    return true;
}

void TParams::GetParamList(std::vector<TParam*>& list, const AnsiString& paramNames) const {
    size_t pos = 0;
    while (pos < paramNames.size()) {
        AnsiString name = ExtractFieldName(paramNames, pos);
        if (!name.empty()) list.push_back(ParamByName(name));
    }
}

void TParams::Assign(TPersistent* source) {
    if (auto* params = dynamic_cast<TParams*>(source)) {
        BeginUpdate();
        try {
            Clear();
            for (int i = 0; i < params->Count(); ++i)
                Add()->Assign(params->Items(i));
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
        return;
    }
    TCollection::Assign(source);
}

void TParams::Update(TCollectionItem* item) {
    TCollection::Update(item);
}
