#include "platform/core/Filer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/core/Exceptions.h"

namespace {
constexpr char kSignature[4] = {'V', 'Z', 'F', '1'};
}

// ---------------------------------------------------------------------------------------------
void TWriter::WriteValueType(TValueType type) {
    stream_->WriteBuffer(&type, 1);
}

void TWriter::WriteString(const AnsiString& text) {
    const uint16_t length = static_cast<uint16_t>(std::min<size_t>(text.size(), 0xFFFF));
    stream_->WriteBuffer(&length, sizeof(length));
    if (length) stream_->WriteBuffer(text.data(), length);
}

void TWriter::WritePropertyName(const AnsiString& name) {
    WriteString(name);
}

void TWriter::WriteListEnd() {
    WriteString("");
}

void TWriter::WriteSignature(const AnsiString& className) {
    stream_->WriteBuffer(kSignature, sizeof(kSignature));
    WriteString(className);
}

void TWriter::DefineProperty(const AnsiString& name, const TReaderProc&, const TWriterProc& writeData,
                             bool hasData) {
    if (!hasData || !writeData) return;
    WritePropertyName(name);
    writeData(*this);
}

void TWriter::DefineBinaryProperty(const AnsiString& name, const TStreamProc&, const TStreamProc& writeData,
                                   bool hasData) {
    if (!hasData || !writeData) return;
    WritePropertyName(name);
    TMemoryStream data;
    writeData(&data);
    WriteValueType(vaBinary);
    const uint32_t size = static_cast<uint32_t>(data.Size());
    stream_->WriteBuffer(&size, sizeof(size));
    if (size) stream_->WriteBuffer(data.Memory(), static_cast<int>(size));
}

void TWriter::WriteInteger(int32_t value) {
    WriteValueType(vaInteger);
    stream_->WriteBuffer(&value, sizeof(value));
}

void TWriter::WriteText(const AnsiString& text) {
    if (text.size() > 0xFFFF) throw EWriteError("Stream write error");
    WriteValueType(vaString);
    WriteString(text);
}

void TWriter::WriteBoolean(bool value) {
    WriteValueType(value ? vaTrue : vaFalse);
}

void TWriter::WriteCollection(TCollection* collection) {
    WriteValueType(vaCollection);
    for (int i = 0; i < collection->Count(); ++i) {
        const uint8_t item = 1;
        stream_->WriteBuffer(&item, 1);
        WriteProperties(collection->Items(i));
    }
    const uint8_t end = 0;
    stream_->WriteBuffer(&end, 1);
}

void TWriter::WriteProperties(TPersistent* instance) {
    instance->DefineProperties(this);
    WriteListEnd();
}

void TWriter::WriteRootComponent(TComponent* component) {
    WriteSignature(component->ClassName());
    WriteProperties(component);
}

// ---------------------------------------------------------------------------------------------
void TReader::Invalid(const AnsiString& what) {
    throw EReadError(property_.empty() ? what : "Error reading " + property_ + ": " + what);
}

TValueType TReader::ReadValueType() {
    uint8_t type = 0;
    stream_->ReadBuffer(&type, 1);
    if (type > vaString) Invalid("Invalid property value");
    return static_cast<TValueType>(type);
}

AnsiString TReader::ReadString() {
    uint16_t length = 0;
    stream_->ReadBuffer(&length, sizeof(length));
    AnsiString text(length, '\0');
    if (length) stream_->ReadBuffer(text.data(), length);
    return text;
}

void TReader::DefineProperty(const AnsiString& name, const TReaderProc& readData, const TWriterProc&, bool) {
    if (handled_ || !readData || name != property_) return;
    handled_ = true;
    readData(*this);
}

void TReader::DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData, const TStreamProc&,
                                   bool) {
    if (handled_ || !readData || name != property_) return;
    handled_ = true;
    if (ReadValueType() != vaBinary) Invalid("Invalid property value");
    uint32_t size = 0;
    stream_->ReadBuffer(&size, sizeof(size));
    if (size > stream_->Size() - stream_->Position()) Invalid("Stream read error");
    TMemoryStream data;
    if (size) data.CopyFrom(stream_, size);
    data.SetPosition(0);
    readData(&data);
}

int32_t TReader::ReadInteger() {
    if (ReadValueType() != vaInteger) Invalid("Invalid property value");
    int32_t value = 0;
    stream_->ReadBuffer(&value, sizeof(value));
    return value;
}

AnsiString TReader::ReadText() {
    if (ReadValueType() != vaString) Invalid("Invalid property value");
    return ReadString();
}

bool TReader::ReadBoolean() {
    const TValueType type = ReadValueType();
    if (type != vaTrue && type != vaFalse) Invalid("Invalid property value");
    return type == vaTrue;
}

void TReader::ReadCollection(TCollection* collection) {
    if (ReadValueType() != vaCollection) Invalid("Invalid property value");
    const AnsiString property = property_;
    collection->BeginUpdate();
    try {
        collection->Clear();
        for (;;) {
            uint8_t marker = 0;
            stream_->ReadBuffer(&marker, 1);
            if (marker == 0) break;
            if (marker != 1) Invalid("Invalid property value");
            ReadProperties(collection->Add());
            property_ = property;
        }
    } catch (...) {
        collection->EndUpdate();
        throw;
    }
    collection->EndUpdate();
}

void TReader::ReadProperties(TPersistent* instance) {
    for (;;) {
        property_ = ReadString();
        if (property_.empty()) break;
        handled_ = false;
        instance->DefineProperties(this);
        if (!handled_)
            throw EReadError("Error reading " + AnsiString(instance->ClassName()) + "." + property_ +
                             ": Property " + property_ + " does not exist");
    }
}

void TComponent::ReadState(TReader& reader) {
    reader.ReadProperties(this);
}

void TReader::ReadRootComponent(TComponent* component) {
    char signature[4] = {};
    stream_->ReadBuffer(signature, sizeof(signature));
    if (std::memcmp(signature, kSignature, sizeof(signature)) != 0) throw EReadError("Invalid stream format");
    const AnsiString className = ReadString();
    if (className != component->ClassName())
        throw EReadError("Stored class " + className + " does not match " + component->ClassName());
    component->BeginLoading();
    try {
        component->ReadState(*this);
    } catch (...) {
        component->Loaded();
        throw;
    }
    component->Loaded();
}
