// Loader, alerter and cursor bases.
#include "data/access/CRLoader.h"

TClass TCRLoader::GetRecordSetClass() {
    CRAccessAssertFailed("The provider names its record set", __LINE__);
}

void TCRLoader::FillColumn(TCRLoaderColumn* column, TFieldDesc* field) {
    column->Name = field->FieldName;
    column->DataType = field->TypeCode;
    switch (field->TypeCode) {
    case tcInt8:
    case tcInt16:
    case tcInt32:
    case tcFloat:
    case tcUInt16:
    case tcInt64:
    case tcCurrency:
    case tcUInt32:
    case tcBCD:
    case tcFMTBCD:
        column->Precision = field->DeclaredLength;
        column->Scale = field->DeclaredScale;
        break;
    default:
        column->Size = field->DeclaredLength;
        column->DataSize = field->StorageSize;
    }
}

void TCRLoader::InternalPutColumnData(int, int, const Variant&) {}

bool TCRLoader::SetProp(int prop, const Variant&) {
    CRAccessUnknownProp(prop, __LINE__);
}

bool TCRLoader::GetProp(int prop, Variant&) {
    CRAccessUnknownProp(prop, __LINE__);
}

void TCRLoader::CheckTableName() const {
    if (Trim(TableName).empty()) throw Exception("TableName must be defined");
}

void TCRLoader::Prepare() {
    CheckTableName();
    Reset();
    InternalPrepare();
}

void TCRLoader::Reset() {
    lastRow_ = -1;
    loadedRows_ = 0;
}

void TCRLoader::CheckColumnAndRow(int column, int row) const {
    if (column < 0 || column >= columns_.Count()) throw Exception("Invalid column number");
    if (row < 1 || (row != lastRow_ + 1 && row != lastRow_ + 2)) throw Exception("Invalid row number");
}

void TCRLoader::PutColumnData(int column, int row, const Variant& value) {
    CheckColumnAndRow(column, row);
    lastRow_ = row - 1;
    InternalPutColumnData(column, row, value);
}

// ---------------------------------------------------------------------------------------------

void TCRSimpleLoader::InitCommand() {
    CreateCommand();
    // The loader builds the parameter list itself.
    command_->SetProp(prDisableParamScan, true);
}

void TCRSimpleLoader::InternalPrepare() {
    command_->Unprepare();
    command_->SetConnection(connection_);
    TSQLInfo* info = command_->GetSQLInfo();
    AnsiString text;
    text.reserve(1024);
    text += "INSERT INTO ";
    text += info->NormalizeName(TableName, command_->QuoteNames(), false);
    text += "(";
    for (int i = 0; i < columns_.Count(); ++i) {
        if (i > 0) text += ",";
        text += info->NormalizeName(columns_.Items(i)->Name, command_->QuoteNames(), false);
    }
    text += ") VALUES (";
    for (int i = 0; i < columns_.Count(); ++i)
        text += i == 0 ? "?" : ",?";
    text += ")";
    for (int i = command_->ParamCount(); i < columns_.Count(); ++i) {
        auto* param = static_cast<TParamDesc*>(command_->GetParamDescClass()->CreateInstance());
        param->SetDataType(columns_.Items(i)->DataType);
        param->SetSize(columns_.Items(i)->Size);
        param->SetParamType(pdInput);
        command_->Params().Add(param);
    }
    command_->SetSQL(text);
    command_->Prepare();
}

void TCRSimpleLoader::InternalPutColumnData(int column, int, const Variant& value) {
    command_->GetParam(column)->SetValue(value);
}

void TCRSimpleLoader::PutColumnData(int column, int row, const Variant& value) {
    // A rejected call sends nothing: the row is checked before the current one goes.
    CheckColumnAndRow(column, row);
    if (lastRow_ != -1 && row > lastRow_ + 1) {
        LoadRow();
        // A column the next row does not set is NULL, not the sent row's value.
        for (int i = 0; i < command_->ParamCount(); ++i)
            command_->GetParam(i)->SetValue(Variant::Null());
    }
    TCRLoader::PutColumnData(column, row, value);
}

void TCRSimpleLoader::LoadRow() {
    command_->Execute();
    loadedRows_ = lastRow_ + 1;
}

void TCRSimpleLoader::DoLoad() {
    if (lastRow_ >= loadedRows_) LoadRow();
}

void TCRSimpleLoader::Finish() {
    command_->Unprepare();
    TCRLoader::Reset();
}

void TCRSimpleLoader::Reset() {
    TCRLoader::Reset();
    command_->Params().Clear();
}

// ---------------------------------------------------------------------------------------------

bool TCRAlerter::SetProp(int prop, const Variant&) {
    if (prop == prAutoCommit) return true;
    CRAccessUnknownProp(prop, __LINE__);
}

bool TCRAlerter::GetProp(int prop, Variant&) {
    CRAccessUnknownProp(prop, __LINE__);
}
