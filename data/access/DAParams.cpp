// Parameters of the data-access layer: blob-valued parameters over a shared TBlob.
#include "data/access/DBAccess.h"
#include "data/memory/Blob.h"
#include "platform/core/StringLists.h"
#include "platform/db/Fields.h"

namespace {
void DBAccessAssert(bool condition, const AnsiString& message, int line) {
    if (!condition) throw EAssertionFailed(message, "DBAccess", line);
}
} // namespace

TDAParam::TDAParam() {
    Bound = true;
}

TDAParam::~TDAParam() {
    FreeValueObject();
}

TBlob* TDAParam::Blob() const {
    auto* blob = dynamic_cast<TBlob*>(valueObject_);
    DBAccessAssert(blob != nullptr, "Value object is not a blob", __LINE__);
    return blob;
}

void TDAParam::SetValueObject(TSharedObject* object) {
    // The new reference first: object may be the one held now.
    if (object) object->AddRef();
    FreeValueObject();
    valueObject_ = object;
    // The parameter no longer counts as null at the platform's level.
    if (object) TParam::SetValue(Variant("Object"));
}

void TDAParam::CreateValueObject() {
    DBAccessAssert(valueObject_ == nullptr, "Value object already exists", __LINE__);
    if (DataType() == ftBlob || DataType() == ftMemo) valueObject_ = new TBlob(false);
}

void TDAParam::FreeValueObject() {
    TSharedObject::Free(valueObject_);
    valueObject_ = nullptr;
}

void TDAParam::SetDataType(TFieldType value) {
    if (value == DataType()) return;
    if (TypeNeedsObject(DataType())) FreeValueObject();
    TParam::SetDataType(value);
    SubDataType = 0;
    if (TypeNeedsObject(value)) CreateValueObject();
}

AnsiString TDAParam::GetAsAnsiString() {
    if (HoldsObject()) return GetIsNull() ? AnsiString() : Blob()->ReadAsAnsi();
    if (GetIsNull()) return AnsiString();
    // Dates show the date alone, in the short date format.
    if (DataType() == ftDate || DataType() == ftDateTime) return DateToStr(TParam::GetValue().AsDateTime());
    return TParam::GetAsString();
}

void TDAParam::SetAsAnsiString(const AnsiString& value) {
    if (HoldsObject())
        Blob()->WriteAsAnsi(value);
    else if (DataType() == ftWideString || DataType() == ftFixedWideChar)
        SetAsWideString(AnsiToWide(value));
    else
        TParam::SetAsString(value);
}

WideString TDAParam::GetAsWideString() {
    if (HoldsObject()) return GetIsNull() ? WideString() : Blob()->ReadAsWide();
    if (GetIsNull()) return WideString();
    if (DataType() == ftDate || DataType() == ftDateTime)
        return AnsiToWide(DateToStr(TParam::GetValue().AsDateTime()));
    return TParam::GetValue().AsWideString();
}

void TDAParam::SetAsWideString(const WideString& value) {
    if (HoldsObject())
        Blob()->WriteAsWide(value);
    else
        TParam::SetValue(Variant(value));
}

int64_t TDAParam::GetAsLargeInt() {
    return GetIsNull() ? 0 : GetValue().AsInt64();
}

void TDAParam::SetAsLargeInt(int64_t value) {
    SetDataType(ftLargeint);
    SetValue(Variant(value));
}

void TDAParam::SetAsBlob(const TBytes& value) {
    SetDataType(ftBlob);
    Blob()->WriteAsAnsi(AnsiString(value.begin(), value.end()));
}

void TDAParam::SetAsMemo(const AnsiString& value) {
    SetDataType(ftMemo);
    DBAccessAssert(valueObject_ != nullptr, "Value object does not exist", __LINE__);
    Blob()->WriteAsAnsi(value);
}

TBlob* TDAParam::GetAsBlobRef() {
    if (DataType() == ftUnknown) SetDataType(ftBlob);
    return HoldsObject() ? Blob() : nullptr;
}

TBlob* TDAParam::GetAsMemoRef() {
    if (DataType() == ftUnknown) SetDataType(ftMemo);
    return HoldsObject() ? Blob() : nullptr;
}

void TDAParam::SetAsBlobRef(TBlob* blob) {
    FreeValueObject();
    // The platform's setter: no new blob is made for the one given.
    TParam::SetDataType(ftBlob);
    SetValueObject(blob);
}

void TDAParam::SetAsMemoRef(TBlob* blob) {
    FreeValueObject();
    TParam::SetDataType(ftMemo);
    SetValueObject(blob);
}

Variant TDAParam::GetValue() {
    if (HoldsObject()) return Variant(Blob()->GetAsString());
    return TParam::GetValue();
}

void TDAParam::SetValue(const Variant& value) {
    if (HoldsObject()) {
        if (value.IsByteArray())
            Blob()->SetAsBytes(value.Bytes());
        else
            Blob()->SetAsString(VarToStr(value));
        Bound = true;
    } else
        TParam::SetValue(value);
}

void TDAParam::SetText(const AnsiString& value) {
    if (HoldsObject())
        Blob()->SetAsString(value);
    else
        TParam::SetText(value);
}

bool TDAParam::GetIsNull() const {
    if (HoldsObject()) {
        auto* blob = dynamic_cast<TBlob*>(valueObject_);
        return !blob || blob->GetSize() == 0;
    }
    return TParam::GetIsNull();
}

void TDAParam::Clear() {
    if (HoldsObject())
        Blob()->Clear();
    else
        TParam::Clear();
}

void TDAParam::AssignFieldValue(TField* field, const Variant& value) {
    if (!field) return;
    TFieldType type = field->DataType();
    auto* stringField = dynamic_cast<TStringField*>(field);
    if (type == ftString && stringField && stringField->FixedChar)
        type = ftFixedChar;
    else if (type == ftWideString && stringField && stringField->FixedChar)
        type = ftFixedWideChar;
    else if (type == ftMemo && field->Size() > 255)
        type = ftString;
    SetDataType(type);
    if (value.IsNull())
        Clear();
    else
        SetValue(value);
}

void TDAParam::AssignField(TField* field) {
    if (!field) return;
    AssignFieldValue(field, field->Value());
    SetName(field->FieldName());
}

void TDAParam::AssignParam(TParam* source) {
    if (!source) return;
    SetDataType(source->DataType());
    if (source->IsNull())
        Clear();
    else if (!HoldsObject() || !dynamic_cast<TDAParam*>(source))
        // A plain parameter's value goes into the blob; a TDAParam's blob is shared by Assign.
        SetValue(source->GetValue());
    SetName(source->Name());
    if (ParamType() == ptUnknown) SetParamType(source->ParamType());
}

void TDAParam::Assign(TPersistent* source) {
    if (auto* param = dynamic_cast<TDAParam*>(source)) {
        AssignParam(param);
        Size = param->Size;
        PlatformSize = param->PlatformSize;
        if (param->GetValueObject()) SetValueObject(param->GetValueObject());
        National = param->National;
    } else if (auto* plain = dynamic_cast<TParam*>(source))
        AssignParam(plain);
    else if (auto* field = dynamic_cast<TField*>(source))
        AssignField(field);
    else if (auto* strings = dynamic_cast<TStrings*>(source))
        SetAsMemo(strings->Text());
    else if (auto* persist = dynamic_cast<IStreamPersist*>(source)) {
        TFieldType type = DataType();
        if (type != ftBlob && type != ftMemo && type != ftOraBlob && type != ftOraClob)
            throw Exception("Data type is not supported");
        TMemoryStream stream;
        persist->SaveToStream(&stream);
        LoadFromStream(&stream, type);
    } else
        TParam::Assign(source);
}

void TDAParam::AssignTo(TPersistent* dest) {
    if (auto* field = dynamic_cast<TField*>(dest))
        field->SetValue(GetValue());
    else
        TParam::AssignTo(dest);
}

void TDAParam::LoadFromStream(TStream* stream, TFieldType blobType) {
    if (blobType != ftBlob && blobType != ftMemo && blobType != ftOraBlob && blobType != ftOraClob)
        throw Exception("Data type is not supported");
    SetDataType(blobType);
    stream->SetPosition(0);
    DBAccessAssert(valueObject_ != nullptr, "Data type is not supported", __LINE__);
    Blob()->LoadFromStream(stream);
}

bool TDAParam::IsValueStored() {
    return Bound && !VarIsArray(TParam::GetValue());
}

// ---------------------------------------------------------------------------------------------

TDAParams::TDAParams(TPersistent* owner) : TParams(owner, TDAParam::StaticClass()) {}

TDAParams::TDAParams(TPersistent* owner, TClass itemClass) : TParams(owner, itemClass) {}

TParam* TDAParams::CreateParam(TFieldType fieldType, const AnsiString& name, TParamType paramType) {
    TParam* param = TParams::CreateParam(ftUnknown, name, paramType);
    param->SetDataType(fieldType);
    return param;
}

void TDAParams::NotifyValueObjects() {
    for (int i = 0; i < Count(); ++i)
        if (TSharedObject* object = Items(i)->GetValueObject()) object->DoNotify();
}

void TDAParams::Update(TCollectionItem* item) {
    if (ChangeTracker == 2) ChangeTracker = 1;
    if (ForwardItemChanges) TParams::Update(item);
}
