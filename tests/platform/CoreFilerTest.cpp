// The reader and writer of stored properties: values of every kind, collections, the ancestor
// rule left to the objects, and clear errors for damaged or foreign data.
#include <gtest/gtest.h>

#include <string>

#include "platform/core/Exceptions.h"
#include "platform/core/Filer.h"

namespace {
class TNote : public TCollectionItem {
public:
    VZ_CLASS(TNote, TCollectionItem)
    int32_t Value = 0;
    std::string Blob;
    AnsiString Title;
    void DefineProperties(TFiler* filer) override {
        filer->DefineProperty(
            "Title", [this](TReader& r) { Title = r.ReadText(); }, [this](TWriter& w) { w.WriteText(Title); },
            !Title.empty());
        filer->DefineProperty(
            "Value", [this](TReader& r) { Value = r.ReadInteger(); },
            [this](TWriter& w) { w.WriteInteger(Value); }, Value != 0);
        filer->DefineBinaryProperty(
            "Blob",
            [this](TStream* s) {
                Blob.assign(static_cast<size_t>(s->Size()), '\0');
                if (!Blob.empty()) s->ReadBuffer(Blob.data(), static_cast<int>(Blob.size()));
            },
            [this](TStream* s) { s->WriteBuffer(Blob.data(), static_cast<int>(Blob.size())); },
            !Blob.empty());
    }
};

class TNoteBook : public TComponent {
public:
    VZ_CLASS(TNoteBook, TComponent)
    explicit TNoteBook(TComponent* owner = nullptr) : TComponent(owner) {}
    bool Flag = false;
    TCollection Notes{TNote::StaticClass()};
    void DefineProperties(TFiler* filer) override {
        filer->DefineProperty(
            "Flag", [this](TReader& r) { Flag = r.ReadBoolean(); },
            [this](TWriter& w) { w.WriteBoolean(Flag); }, true);
        filer->DefineProperty(
            "Notes", [this](TReader& r) { r.ReadCollection(&Notes); },
            [this](TWriter& w) { w.WriteCollection(&Notes); }, Notes.Count() > 0);
    }
};

std::string Write(TNoteBook& book) {
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.WriteRootComponent(&book);
    return std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

void Read(TNoteBook& book, const std::string& data) {
    TMemoryStream stream;
    if (!data.empty()) stream.WriteBuffer(data.data(), static_cast<int>(data.size()));
    stream.SetPosition(0);
    TReader reader(&stream);
    reader.ReadRootComponent(&book);
}
} // namespace

TEST(CoreFiler, RoundTripOfEveryKind) {
    TNoteBook book;
    book.Flag = true;
    static_cast<TNote*>(book.Notes.Add())->Value = -7;
    auto* second = static_cast<TNote*>(book.Notes.Add());
    second->Blob = std::string("a\0b", 3);
    second->Title = "标题";
    book.Notes.Add();
    const std::string data = Write(book);
    EXPECT_EQ(data.substr(0, 4), "VZF1");
    EXPECT_EQ(Write(book), data); // deterministic

    TNoteBook read;
    static_cast<TNote*>(read.Notes.Add())->Value = 99; // replaced
    Read(read, data);
    EXPECT_TRUE(read.Flag);
    ASSERT_EQ(read.Notes.Count(), 3);
    EXPECT_EQ(static_cast<TNote*>(read.Notes.Items(0))->Value, -7);
    EXPECT_EQ(static_cast<TNote*>(read.Notes.Items(1))->Blob, std::string("a\0b", 3));
    EXPECT_EQ(static_cast<TNote*>(read.Notes.Items(1))->Title, AnsiString("标题"));
    EXPECT_EQ(static_cast<TNote*>(read.Notes.Items(2))->Value, 0);
    EXPECT_FALSE(read.HasState(csLoading));
}

TEST(CoreFiler, DamagedOrForeignDataIsAReadError) {
    TNoteBook book;
    static_cast<TNote*>(book.Notes.Add())->Blob = "some bytes";
    const std::string data = Write(book);
    for (size_t cut = 0; cut < data.size(); cut += 3) {
        TNoteBook read;
        EXPECT_THROW(Read(read, data.substr(0, cut)), EReadError) << cut;
    }
    std::string foreign = data;
    foreign[0] = 'X';
    TNoteBook read;
    EXPECT_THROW(Read(read, foreign), EReadError);
    std::string renamed = data;
    renamed.replace(renamed.find("Flag"), 4, "Flog");
    try {
        Read(read, renamed);
        FAIL() << "no error";
    } catch (const EReadError& e) {
        EXPECT_EQ(std::string(e.Message()), "Error reading TNoteBook.Flog: Property Flog does not exist");
    }
    // A binary block claiming more than the data holds.
    std::string longer = data;
    const size_t at = longer.find("Blob") + 4 + 1;
    longer[at + 3] = 0x7F;
    EXPECT_THROW(Read(read, longer), EReadError);
}

TEST(CoreFiler, TextsKeepTheirKindAndLength) {
    TNoteBook book;
    static_cast<TNote*>(book.Notes.Add())->Title = "x";
    std::string data = Write(book);
    // A text where an integer is read, and an integer where a text is read.
    std::string asInteger = data;
    asInteger.replace(asInteger.find("Title"), 5, "Value");
    TNoteBook read;
    EXPECT_THROW(Read(read, asInteger), EReadError);
    static_cast<TNote*>(book.Notes.Items(0))->Title.clear();
    static_cast<TNote*>(book.Notes.Items(0))->Value = 5;
    std::string asText = Write(book);
    asText.replace(asText.find("Value"), 5, "Title");
    EXPECT_THROW(Read(read, asText), EReadError);
    // A text too long for its length field is refused rather than cut.
    static_cast<TNote*>(book.Notes.Items(0))->Title = AnsiString(70000, 'a');
    EXPECT_THROW(Write(book), EWriteError);
}
