// The dataset service's column pieces of the rowset XML form, and a whole document written with
// them and read back by the system's XML parser.
#include <gtest/gtest.h>
#include <ole2.h>

#include <cstring>

#include "data/memory/Blob.h"
#include "data/memory/CRXml.h"
#include "platform/core/Bcd.h"
#include "platform/soap/MsXml.h"
#include "tests/data/memory/MemDataSetFixture.h"

namespace {

using Put = std::function<void(TRowsData& d, void* buffer, int fieldNo)>;

template <class T> Put Raw(T value) {
    return [value](TRowsData& d, void* b, int n) { d.PutField(n, b, true, &value); };
}
Put Text(std::string text) {
    return [text](TRowsData& d, void* b, int n) { d.PutField(n, b, true, text.c_str()); };
}
Put Wide(std::wstring text) {
    return [text](TRowsData& d, void* b, int n) {
        const wchar_t* p = text.c_str();
        d.PutField(n, b, true, &p);
    };
}
Put VarBytes(std::vector<uint8_t> bytes) {
    return [bytes](TRowsData& d, void* b, int n) {
        std::vector<uint8_t> v(2 + bytes.size());
        uint16_t length = static_cast<uint16_t>(bytes.size());
        std::memcpy(v.data(), &length, 2);
        std::memcpy(v.data() + 2, bytes.data(), bytes.size());
        d.PutField(n, b, true, v.data());
    };
}
// Raw bytes of a blob in pieces of pieceSize (the stored form of a wide memo is UTF-16).
Put Blob(std::string bytes, int pieceSize = DefaultPieceSize) {
    return [bytes, pieceSize](TRowsData& d, void* b, int n) {
        d.GetFieldBlob(n, b)->GetData()->PieceSize = pieceSize;
        d.WriteBlob(n, b, true, bytes.data(), static_cast<int>(bytes.size()), 0);
    };
}
Put WideBlob(std::wstring text) {
    return Blob(std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)));
}
Put Date(TDateTime value) {
    return Raw<int32_t>(DateTimeToTimeStamp(value).Date);
}
Put Time(TDateTime value) {
    return Raw<int32_t>(DateTimeToTimeStamp(value).Time);
}
Put Stamp(TDateTime value) {
    TTimeStamp ts = DateTimeToTimeStamp(value);
    return Raw<double>(static_cast<double>(ts.Date) * MSecsPerDay + ts.Time);
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char c : bytes) {
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text;
}

std::string LongBytes(size_t count) {
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return bytes;
}

TFormatSettings CommaLocale() {
    TFormatSettings fs = TFormatSettingsPin::Invariant();
    fs.DecimalSeparator = ',';
    fs.ThousandSeparator = '.';
    return fs;
}

// The attributes a writer puts into one element, as text after the element's name.
WideString AttributesOf(const std::function<void(XmlWriter&)>& write) {
    XmlWriter w;
    w.WriteStartElement(L"e");
    write(w);
    w.WriteEndElement();
    const WideString& text = w.Text();
    return text.size() > 4 ? text.substr(3, text.size() - 5) : WideString();
}

} // namespace

TEST(DataSetXmlTest, TypeAttributesOfEveryTypeCode) {
    TMemDataSet ds(nullptr);
    ds.EnsureService();
    TDataSetService* service = ds.Service();
    TStringField plain(nullptr);
    TMemoField blob(nullptr);
    struct Case {
        TDataTypeCode code;
        const wchar_t* attributes; // with L = 12, S = 3, N = 20; blob codes with a blob field
    } cases[] = {
        {0, L"dt:type=\"string\""},
        {1, L"dt:type=\"string\" dt:maxLength=\"12\" rs:dbtype=\"str\""},
        {2, L"dt:type=\"i1\" dt:maxLength=\"20\" rs:precision=\"12\""},
        {3, L"dt:type=\"i2\" dt:maxLength=\"20\" rs:precision=\"5\""},
        {4, L"dt:type=\"int\" dt:maxLength=\"20\" rs:precision=\"10\""},
        {5, L"dt:type=\"float\" dt:maxLength=\"20\" rs:precision=\"12\""},
        {6, L"dt:type=\"date\" dt:maxLength=\"20\" rs:scale=\"3\" rs:precision=\"12\""},
        {7, L"dt:type=\"time\" dt:maxLength=\"20\" rs:scale=\"3\" rs:precision=\"12\""},
        {8, L"dt:type=\"datetime\" rs:dbtype=\"variantdate\" dt:maxLength=\"20\" rs:scale=\"3\" "
            L"rs:precision=\"12\""},
        {9, L"dt:type=\"ui2\" dt:maxLength=\"20\" rs:precision=\"12\""},
        {10, L"dt:type=\"boolean\" dt:maxLength=\"20\""},
        {11, L"dt:type=\"i8\" dt:maxLength=\"20\" rs:precision=\"19\""},
        {12, L"dt:type=\"number\" rs:dbtype=\"currency\" dt:maxLength=\"20\" rs:precision=\"12\""},
        {13, L"dt:type=\"bin.hex\" dt:maxLength=\"2147483647\" rs:long=\"true\""},
        {14, L"dt:type=\"string\" dt:maxLength=\"2147483647\" rs:dbtype=\"str\" rs:long=\"true\""},
        {19, L"dt:type=\"string\""},
        {20, L"dt:type=\"string\" dt:maxLength=\"12\" rs:dbtype=\"str\""},
        {21, L"dt:type=\"bin.hex\" dt:maxLength=\"12\""},
        {22, L"dt:type=\"bin.hex\" dt:maxLength=\"12\""},
        {23, L"dt:type=\"bin.hex\" dt:maxLength=\"12\""},
        {24, L"dt:type=\"ui4\" dt:maxLength=\"20\" rs:precision=\"12\""},
        {25, L"dt:type=\"string\" dt:maxLength=\"12\""},
        {26, L"dt:type=\"string\" dt:maxLength=\"12\""},
        {27, L"dt:type=\"number\" rs:dbtype=\"currency\" dt:maxLength=\"20\" rs:precision=\"12\""},
        {28,
         L"dt:type=\"number\" rs:dbtype=\"numeric\" dt:maxLength=\"20\" rs:scale=\"3\" rs:precision=\"12\""},
        {29, L"dt:type=\"uuid\" dt:maxLength=\"16\""},
        {30, L"dt:type=\"string\" dt:maxLength=\"2147483647\" rs:long=\"true\""},
    };
    const WideString longAttr = L" rs:long=\"true\"";
    for (const Case& c : cases) {
        TField* field = c.code == 13 || c.code == 14 || c.code == 30 ? static_cast<TField*>(&blob) : &plain;
        const bool untyped = c.code == 0 || c.code == 19;
        // Fixed length, required and read-only in every combination.
        for (int flags = 0; flags < 8; ++flags) {
            const bool fixed = flags & 1, required = flags & 2, readOnly = flags & 4;
            SCOPED_TRACE(testing::Message() << "code " << c.code << " fixed " << fixed << " required "
                                            << required << " read-only " << readOnly);
            TFieldDesc desc;
            desc.TypeCode = c.code;
            desc.DeclaredLength = 12;
            desc.DeclaredScale = 3;
            desc.StorageSize = 20;
            desc.IsFixedLength = fixed;
            field->Required = required;
            field->SetReadOnly(readOnly);
            WideString expected = c.attributes;
            if (!untyped) {
                if (fixed) {
                    size_t at = expected.find(longAttr);
                    if (at != WideString::npos) expected.erase(at, longAttr.size());
                    expected += L" rs:fixedlength=\"true\"";
                }
                if (required && !readOnly) expected += L" rs:maybenull=\"false\"";
            }
            EXPECT_EQ(expected,
                      AttributesOf([&](XmlWriter& w) { service->WriteFieldXmlType(field, &desc, w); }));
        }
    }
    // A short float is a four-byte real whatever its storage.
    TFieldDesc single;
    single.TypeCode = tcFloat;
    single.DeclaredLength = 7;
    single.StorageSize = 8;
    plain.Required = false;
    EXPECT_EQ(L"dt:type=\"r4\" dt:maxLength=\"4\" rs:precision=\"7\"",
              AttributesOf([&](XmlWriter& w) { service->WriteFieldXmlType(&plain, &single, w); }));

    for (TDataTypeCode code : {15, 16, 17, 18, 31, 32, 40}) {
        TFieldDesc desc;
        desc.TypeCode = code;
        XmlWriter w;
        w.WriteStartElement(L"e");
        try {
            service->WriteFieldXmlType(&plain, &desc, w);
            ADD_FAILURE() << "code " << code << " written";
        } catch (const EDatabaseError& e) {
            EXPECT_NE(AnsiString::npos, e.Message().find("Data type is not supported")) << e.Message();
        }
        EXPECT_EQ(L"<e>", w.Text());
    }
}

TEST(DataSetXmlTest, NamingAndFlagAttributes) {
    auto* data = new TRowsData({{"ID", tcInt32}, {"Tax Code", tcString, 10}}, nullptr);
    data->AdjustDesc = [](TFieldDesc* d) {
        if (d->FieldName == "ID") {
            d->IsKeyField = 1;
            d->IsAutoIncrement = 1;
        }
    };
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(data);
    ds.Open();
    TDataSetService* service = ds.Service();
    TField* id = ds.FieldByName("ID");
    TField* code = ds.FieldByName("Tax Code");
    struct Case {
        TField* field;
        const char* name;
        const char* sourceName;
        bool required, readOnly;
        const wchar_t* attributes;
    } cases[] = {
        {id, "", "ID", false, false,
         L"name=\"ID\" rs:number=\"1\" rs:nullable=\"true\" rs:writeunknown=\"true\" rs:basecolumn=\"ID\" "
         L"rs:keycolumn=\"true\" rs:autoincrement=\"true\""},
        {id, "", "", true, true,
         L"name=\"ID\" rs:number=\"1\" rs:keycolumn=\"true\" rs:autoincrement=\"true\""},
        {code, "c1", "TAX_CODE", false, false,
         L"name=\"c1\" rs:name=\"Tax Code\" rs:number=\"2\" rs:nullable=\"true\" rs:writeunknown=\"true\" "
         L"rs:basecolumn=\"TAX_CODE\""},
        {code, "", "", true, false, L"name=\"Tax Code\" rs:number=\"2\" rs:writeunknown=\"true\""},
        {code, "", "", false, true, L"name=\"Tax Code\" rs:number=\"2\""},
        {code, "", "a&b", false, true, L"name=\"Tax Code\" rs:number=\"2\" rs:basecolumn=\"a&#x26;b\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToAnsi(c.attributes));
        TFieldDesc* desc = ds.GetFieldDesc(c.field);
        desc->SourceName = c.sourceName;
        c.field->Required = c.required;
        c.field->SetReadOnly(c.readOnly);
        EXPECT_EQ(WideString(c.attributes),
                  AttributesOf([&](XmlWriter& w) { service->WriteFieldXmlAttrs(c.field, desc, w, c.name); }));
    }
}

TEST(DataSetXmlTest, ValueTextOfEveryTypeCodeOnADecimalCommaLocale) {
    TFormatSettingsPin pin(CommaLocale());
    const std::string longBlob = LongBytes(100000);
    struct Case {
        const char* name;
        TDataTypeCode code;
        int length, scale;
        Put put;
        const wchar_t* text; // nullptr: the hex of longBlob
    } cases[] = {
        {"I1", tcInt8, 0, 0, Raw<int8_t>(-128), L"-128"},
        {"I2", tcInt16, 0, 0, Raw<int16_t>(-31000), L"-31000"},
        {"I4", tcInt32, 0, 0, Raw<int32_t>(-2000000000), L"-2000000000"},
        {"U2", tcUInt16, 0, 0, Raw<uint16_t>(65535), L"65535"},
        {"I8", tcInt64, 0, 0, Raw<int64_t>(-1234567890123456789LL), L"-1234567890123456789"},
        {"U4", tcUInt32, 0, 0, Raw<uint32_t>(4000000000u), L"4000000000"},
        {"F", tcFloat, 15, 0, Raw<double>(1.5), L"1.5"},
        {"FSUM", tcFloat, 15, 0, Raw<double>(0.1 + 0.2), L"0.30000000000000004"},
        {"FTENTH", tcFloat, 15, 0, Raw<double>(0.1), L"0.1"},
        {"FTHIRD", tcFloat, 15, 0, Raw<double>(-1.0 / 3), L"-0.3333333333333333"},
        {"FBIG", tcFloat, 15, 0, Raw<double>(1.5e20), L"1.5E+20"},
        {"D", tcDate, 0, 0, Date(EncodeDate(99, 1, 2)), L"0099-01-02T00:00:00"},
        {"DT", tcDateTime, 0, 0, Stamp(EncodeDateTime(2008, 3, 5, 7, 8, 9, 500)), L"2008-03-05T07:08:09"},
        {"T", tcTime, 0, 0, Time(EncodeTime(7, 8, 9, 500)), L"07:08:09"},
        {"BT", tcBoolean, 0, 0, Raw<int16_t>(1), L"True"},
        {"BF", tcBoolean, 0, 0, Raw<int16_t>(0), L"False"},
        {"CUR", tcCurrency, 0, 0, Raw<double>(1234.5), L"1234.5"},
        {"BCD", tcBCD, 10, 4, Raw<int64_t>(-123456), L"-12.3456"},
        {"FMT", tcFMTBCD, 20, 3, Raw<TBcdRecord>(StrToBcdRecord("-12345.678")), L"-12345.678"},
        {"BLOB", tcBlob, 0, 0, Blob(longBlob, 4096), nullptr},
        {"BYTES", tcBytes, 3, 0, Text("xy\x7f"), L"78797F"},
        {"VBYTES", tcVarBytes, 4, 0, VarBytes({0x00, 0xAB, 0x0F}), L"00AB0F"},
        {"XBYTES", tcExtVarBytes, 4, 0, VarBytes({0xFF, 0x10}), L"FF10"},
        {"S", tcString, 20, 0, Text("纳税人 \"A\""), L"纳税人 \"A\""},
        {"XS", tcExtString, 20, 0, Text("申报"), L"申报"},
        {"W", tcWideString, 8, 0, Wide(L"中文 \x0E01"), L"中文 \x0E01"},
        {"XW", tcExtWideString, 8, 0, Wide(L"汉字"), L"汉字"},
        {"G", tcGuid, 38, 0, Text("{01234567-89AB-CDEF-0123-456789ABCDEF}"),
         L"{01234567-89AB-CDEF-0123-456789ABCDEF}"},
        {"MEMO", tcMemo, 0, 0, Blob("备注\r\nline"), L"备注\r\nline"},
        // Thai and a character beyond the 16-bit plane are not in the ANSI code page.
        {"WMEMO", tcWideMemo, 0, 0, WideBlob(L"备注 \x0E01 \xD83D\xDE00"), L"备注 \x0E01 \xD83D\xDE00"},
    };
    std::vector<FieldSpec> specs;
    for (const Case& c : cases)
        specs.push_back({c.name, c.code, c.length, c.scale});
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(new TRowsData(specs, [&](TRowsData& d) {
        d.AddRow([&](void* b) {
            for (size_t i = 0; i < std::size(cases); ++i)
                cases[i].put(d, b, static_cast<int>(i) + 1);
        });
    }));
    ds.Open();
    ASSERT_NE(nullptr, ds.GetBlobOfField(ds.FieldByName("BLOB"))->GetFirstPiece()->NextPiece); // pieces
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TField* field = ds.FieldByName(c.name);
        WideString expected = c.text ? WideString(c.text) : AnsiToWide(Hex(longBlob));
        WideString text = ds.Service()->FieldValueToXmlText(field, ds.GetFieldDesc(field));
        EXPECT_EQ(expected.size(), text.size());
        EXPECT_TRUE(expected == text) << WideToAnsi(text.substr(0, 80));
    }
}

TEST(DataSetXmlTest, DateTextsPadEveryPartWithZeros) {
    EXPECT_EQ("0001-01-01T00:00:00", XmlDateTimeText(EncodeDate(1, 1, 1)));
    EXPECT_EQ("9999-12-31T23:59:59", XmlDateTimeText(EncodeDateTime(9999, 12, 31, 23, 59, 59, 999)));
    EXPECT_EQ("1899-12-30T00:00:00", XmlDateTimeText(0));
    EXPECT_EQ("00:00:00", XmlTimeText(0));
    EXPECT_EQ("23:05:01", XmlTimeText(EncodeDateTime(2020, 1, 1, 23, 5, 1, 999)));
}
