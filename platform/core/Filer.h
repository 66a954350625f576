#pragma once
// The stored form of persistent objects: a reader and a writer of named property values
// (integers, Booleans, binary blocks, collections), which objects name through DefineProperties.
// The container is our own: a signature, the root class name, then property lists; a list is
// name and value pairs ended by an empty name.
#include <cstdint>
#include <functional>

#include "platform/core/Collections.h"
#include "platform/core/Components.h"
#include "platform/core/Streams.h"

class TReader;
class TWriter;
using TReaderProc = std::function<void(TReader& reader)>;
using TWriterProc = std::function<void(TWriter& writer)>;
using TStreamProc = std::function<void(TStream* stream)>;

enum TValueType : uint8_t {
    vaNull = 0,
    vaInteger = 1,
    vaBinary = 2,
    vaCollection = 3,
    vaFalse = 4,
    vaTrue = 5,
    vaString = 6 // a 16-bit length and the ANSI text
};

class TFiler : public TObject {
public:
    VZ_CLASS(TFiler, TObject)
    explicit TFiler(TStream* stream) : stream_(stream) {}

    TStream* Stream() const { return stream_; }
    virtual bool Reading() const = 0;
    // What a written object is compared with (nullptr: nothing); properties equal to it need not be written.
    TPersistent* Ancestor = nullptr;

    // hasData tells the writer whether to write the property; the reader ignores it.
    virtual void DefineProperty(const AnsiString& name, const TReaderProc& readData,
                                const TWriterProc& writeData, bool hasData) = 0;
    virtual void DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData,
                                      const TStreamProc& writeData, bool hasData) = 0;

protected:
    TStream* stream_;
};

class TWriter : public TFiler {
public:
    VZ_CLASS(TWriter, TFiler)
    using TFiler::TFiler;
    bool Reading() const override { return false; }

    void DefineProperty(const AnsiString& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData,
                              const TStreamProc& writeData, bool hasData) override;

    void WriteInteger(int32_t value);
    void WriteBoolean(bool value);
    // Texts longer than 65,535 characters raise EWriteError rather than lose their end.
    void WriteText(const AnsiString& text);
    // Every item with its defined properties.
    void WriteCollection(TCollection* collection);
    // The object's defined properties and the end of the list.
    void WriteProperties(TPersistent* instance);
    // Signature, class name and properties.
    void WriteRootComponent(TComponent* component);
    // The parts of a root, for data put together by hand.
    void WriteSignature(const AnsiString& className);
    void WritePropertyName(const AnsiString& name);
    void WriteListEnd();

private:
    void WriteValueType(TValueType type);
    void WriteString(const AnsiString& text);
};

// Errors in the data raise EReadError naming what was being read.
class TReader : public TFiler {
public:
    VZ_CLASS(TReader, TFiler)
    using TFiler::TFiler;
    bool Reading() const override { return true; }

    void DefineProperty(const AnsiString& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData,
                              const TStreamProc& writeData, bool hasData) override;

    int32_t ReadInteger();
    bool ReadBoolean();
    AnsiString ReadText();
    // Replaces the items by those read.
    void ReadCollection(TCollection* collection);
    void ReadProperties(TPersistent* instance);
    // The component must be of the class stored; it is marked loading while it reads.
    void ReadRootComponent(TComponent* component);
    // The property being read, while its DefineProperties runs.
    const AnsiString& PropertyName() const { return property_; }

private:
    TValueType ReadValueType();
    AnsiString ReadString();
    [[noreturn]] void Invalid(const AnsiString& what);

    AnsiString property_;
    bool handled_ = false;
};
