// Parameters of the data-access layer: blob-valued types over a shared blob, the accessors by
// kind of type, assignment from parameters and fields, streams and the stored data type.
#include <gtest/gtest.h>

#include "data/access/DBAccess.h"
#include "data/memory/Blob.h"
#include "platform/core/StringLists.h"
#include "platform/db/Fields.h"

namespace {

TEST(DAParam, NewParameterIsBoundWithoutBlob) {
    TDAParams params;
    auto* p = static_cast<TDAParam*>(params.CreateParam(ftUnknown, "a", ptInput));
    EXPECT_TRUE(p->Bound);
    EXPECT_EQ(nullptr, p->GetValueObject());
    EXPECT_FALSE(p->National);
    auto* blob = static_cast<TDAParam*>(params.CreateParam(ftMemo, "m", ptInput));
    EXPECT_NE(nullptr, blob->GetAsMemoRef());
    EXPECT_TRUE(blob->GetIsNull());
    EXPECT_EQ(blob, params.ParamByName("M"));
    EXPECT_EQ(nullptr, params.FindParam("none"));
    EXPECT_THROW(params.ParamByName("none"), EDatabaseError);
}

TEST(DAParam, SharedBlobLivesUntilBothParametersReleaseIt) {
    TDAParams params;
    auto* a = static_cast<TDAParam*>(params.CreateParam(ftBlob, "a", ptInput));
    auto* b = static_cast<TDAParam*>(params.CreateParam(ftUnknown, "b", ptInput));
    TBlob* blob = a->GetAsBlobRef();
    blob->SetAsString("shared");
    b->SetAsBlobRef(blob);
    EXPECT_EQ(2, blob->RefCount());
    EXPECT_EQ("shared", b->GetAsString());
    a->SetAsString("changed");
    EXPECT_EQ("changed", b->GetAsString());
    a->SetDataType(ftString); // a lets go of the blob
    EXPECT_EQ(1, blob->RefCount());
    EXPECT_EQ("changed", b->GetAsString());

    TDAParam c;
    c.Assign(b); // assignment from a TDAParam shares the blob too
    EXPECT_EQ(blob, c.GetValueObject());
    EXPECT_EQ(2, blob->RefCount());
}

TEST(DAParam, ObjectValuedAccessorsGoThroughTheBlob) {
    TDAParam p;
    p.SetDataType(ftMemo);
    p.SetValue(AnsiString(""));
    EXPECT_TRUE(p.GetIsNull()); // zero bytes are null even after a value was set
    EXPECT_TRUE(p.Bound);
    p.SetValue(AnsiString("中文 memo"));
    EXPECT_FALSE(p.GetIsNull());
    EXPECT_EQ("中文 memo", p.GetAsString());
    EXPECT_EQ(L"中文 memo", p.GetAsWideString());
    EXPECT_EQ("中文 memo", p.GetValue().AsAnsiString());
    p.SetValue(Variant(TBytes{'a', 0, 'b'}));
    EXPECT_EQ(3, p.GetAsMemoRef()->GetSize());
    p.Clear();
    EXPECT_TRUE(p.GetIsNull());
    p.SetText("text");
    EXPECT_EQ("text", p.GetAsString());

    // Changing the type frees the old blob and makes a new empty one; the same type keeps it.
    TBlob* before = p.GetAsMemoRef();
    p.SetDataType(ftMemo);
    EXPECT_EQ(before, p.GetAsMemoRef());
    EXPECT_EQ("text", p.GetAsString());
    p.SetDataType(ftBlob);
    EXPECT_TRUE(p.GetIsNull());
    EXPECT_EQ("", p.GetAsString());
}

TEST(DAParam, PlainTypesGoThroughThePlatform) {
    TFormatSettings fs = TFormatSettingsPin::Invariant();
    TFormatSettingsPin pin(fs);
    TDAParam p;
    p.SetDataType(ftDateTime);
    p.SetValue(Variant::FromDateTime(EncodeDateTime(2009, 3, 1, 14, 30, 0, 0)));
    EXPECT_EQ("2009-03-01", p.GetAsString());
    EXPECT_EQ(L"2009-03-01", p.GetAsWideString());

    TDAParam w;
    w.SetDataType(ftFixedWideChar);
    w.SetAsString("中文");
    EXPECT_EQ(varOleStr, w.GetValue().VarType());
    EXPECT_EQ(L"中文", w.GetAsWideString());

    TDAParam big;
    EXPECT_EQ(0, big.GetAsLargeInt());
    big.SetAsLargeInt(int64_t{1} << 40);
    EXPECT_EQ(ftLargeint, big.DataType());
    EXPECT_EQ(int64_t{1} << 40, big.GetAsLargeInt());

    TDAParam empty;
    empty.SetDataType(ftString);
    EXPECT_EQ("", empty.GetAsString());
    EXPECT_TRUE(empty.GetIsNull());
}

TEST(DAParam, FieldsGiveTheirTypes) {
    struct Case {
        const char* name;
        TField* field;
        TFieldType expected;
        bool blob;
    };
    TStringField fixed(nullptr);
    fixed.FixedChar = true;
    TWideStringField wideFixed(nullptr);
    wideFixed.FixedChar = true;
    TMemoField longMemo(nullptr);
    longMemo.SetSize(300);
    TMemoField memo(nullptr);
    memo.SetSize(255);
    TStringField plain(nullptr);
    Case cases[] = {
        {"fixed char", &fixed, ftFixedChar, false},  {"fixed wide char", &wideFixed, ftFixedWideChar, false},
        {"memo of 300", &longMemo, ftString, false}, {"memo of 255", &memo, ftMemo, true},
        {"string", &plain, ftString, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDAParam p;
        p.AssignFieldValue(c.field, AnsiString("abc"));
        EXPECT_EQ(c.expected, p.DataType());
        EXPECT_EQ(c.blob, p.GetValueObject() != nullptr);
        EXPECT_EQ("abc", p.GetAsString());
        p.AssignFieldValue(c.field, Null());
        EXPECT_TRUE(p.GetIsNull());
    }
}

TEST(DAParam, AssignFromParametersAndStrings) {
    TParam plain;
    plain.SetName("p");
    plain.SetParamType(ptOutput);
    plain.SetDataType(ftMemo);
    plain.SetValue(AnsiString("from a plain parameter"));
    TDAParam p;
    p.Assign(&plain);
    EXPECT_EQ("p", p.Name());
    EXPECT_EQ(ptOutput, p.ParamType());
    EXPECT_EQ(ftMemo, p.DataType());
    EXPECT_EQ("from a plain parameter", p.GetAsMemoRef()->ReadAsAnsi());

    TDAParam source;
    source.SetDataType(ftInteger);
    source.SetValue(42);
    source.Size = 7;
    source.National = true;
    TDAParam copy;
    copy.SetParamType(ptInput);
    copy.Assign(&source);
    EXPECT_EQ(42, copy.GetAsInteger());
    EXPECT_EQ(7, copy.Size);
    EXPECT_TRUE(copy.National);
    EXPECT_EQ(ptInput, copy.ParamType()); // kept: it was set

    TStringList lines;
    lines.Add("one");
    lines.Add("two");
    TDAParam memo;
    memo.Assign(&lines);
    EXPECT_EQ(ftMemo, memo.DataType());
    EXPECT_EQ(lines.Text(), memo.GetAsString());
}

TEST(DAParam, LoadFromStreamTakesOnlyBlobKinds) {
    TMemoryStream stream;
    stream.WriteBuffer("stream bytes", 12);
    TDAParam p;
    p.LoadFromStream(&stream, ftBlob); // rewinds first
    EXPECT_EQ("stream bytes", p.GetAsString());
    TDAParam q;
    q.SetDataType(ftInteger);
    try {
        q.LoadFromStream(&stream, ftString);
        FAIL() << "loaded";
    } catch (const Exception& e) {
        EXPECT_EQ("Data type is not supported", e.Message());
    }
    EXPECT_EQ(ftInteger, q.DataType());
}

TEST(DAParam, AssignFromAStreamPersistingObjectNeedsABlobType) {
    struct Saved : TPersistent, IStreamPersist {
        void LoadFromStream(TStream*) override {}
        void SaveToStream(TStream* stream) override { stream->WriteBuffer("saved", 5); }
    } source;
    TDAParam blob;
    blob.SetDataType(ftBlob);
    blob.Assign(&source);
    EXPECT_EQ("saved", blob.GetAsString());
    TDAParam integer;
    integer.SetDataType(ftInteger);
    integer.SetValue(5);
    try {
        integer.Assign(&source);
        FAIL() << "assigned";
    } catch (const Exception& e) {
        EXPECT_EQ("Data type is not supported", e.Message());
    }
    EXPECT_EQ(5, integer.GetAsInteger());
}

TEST(DAParam, ExtendedTypesTravelAsExtDataType) {
    struct Case {
        TFieldType type;
        bool dataTypeStored;
        int ext;
    } cases[] = {{ftFixedWideChar, false, 52}, {ftFMTBcd, true, 0}, {ftString, true, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        TDAParam p;
        p.SetDataType(c.type);
        EXPECT_EQ(c.dataTypeStored, p.IsDataTypeStored());
        EXPECT_EQ(c.ext, p.GetExtDataType());
        if (c.ext) {
            TDAParam read;
            read.SetExtDataType(p.GetExtDataType());
            EXPECT_EQ(c.type, read.DataType());
        }
    }
    TDAParam bytes;
    bytes.SetValue(Variant(TBytes{1, 2}));
    EXPECT_FALSE(bytes.IsValueStored());
    TDAParam text;
    text.SetValue(AnsiString("x"));
    EXPECT_TRUE(text.IsValueStored());
}

TEST(DAParams, ChangeTrackerAndForwarding) {
    TDAParams params;
    params.CreateParam(ftInteger, "a", ptInput);
    params.ChangeTracker = 2;
    params.Update(params.Items(0));
    EXPECT_EQ(1, params.ChangeTracker);
    params.ChangeTracker = 0;
    params.Update(nullptr);
    EXPECT_EQ(0, params.ChangeTracker);

    struct Counted : TBlob {
        int* notified;
        explicit Counted(int* n) : notified(n) {}
        void DoNotify() override { ++*notified; }
    };
    int notified = 0;
    auto* p = static_cast<TDAParam*>(params.CreateParam(ftUnknown, "b", ptInput));
    auto* blob = new Counted(&notified);
    p->SetAsBlobRef(blob);
    blob->Release();
    params.NotifyValueObjects();
    EXPECT_EQ(1, notified);
}

TEST(DAParamsInfo, ItemsDescribeWhereValuesComeFrom) {
    TDAParamsInfo info;
    auto* item = static_cast<TDAParamInfo*>(info.Add());
    EXPECT_EQ(nullptr, item->Field);
    EXPECT_FALSE(item->Old);
    EXPECT_EQ(-1, item->ParamIndex);
    EXPECT_EQ(item, info.Items(0));
}

} // namespace
