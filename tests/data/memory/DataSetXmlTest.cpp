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

namespace {

// A whole rowset document over the service's pieces, in the frame a writer of the form chooses:
// columns whose names are no XML names are written as c<number> with rs:name.
WideString ColumnName(TField* field) {
    for (char ch : field->FieldName())
        if (!(std::isalnum(static_cast<unsigned char>(ch)) || ch == '_'))
            return L"c" + std::to_wstring(field->Index());
    return AnsiToWide(field->FieldName());
}

WideString WriteRowset(TMemDataSet& ds) {
    TDataSetService* service = ds.Service();
    XmlWriter w;
    w.WriteStartDocument();
    w.WriteStartElement(L"xml");
    w.WriteAttribute(L"xmlns:s", L"uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
    w.WriteAttribute(L"xmlns:dt", L"uuid:C2F41010-65B3-11d1-A29F-00AA00C14882");
    w.WriteAttribute(L"xmlns:rs", L"urn:schemas-microsoft-com:rowset");
    w.WriteAttribute(L"xmlns:z", L"#RowsetSchema");
    w.WriteStartElement(L"s:Schema");
    w.WriteAttribute(L"id", L"RowsetSchema");
    w.WriteStartElement(L"s:ElementType");
    w.WriteAttribute(L"name", L"row");
    w.WriteAttribute(L"content", L"eltOnly");
    for (int i = 0; i < ds.FieldCount(); ++i) {
        TField* field = ds.Fields()[i];
        TFieldDesc* desc = ds.GetFieldDesc(field);
        WideString name = ColumnName(field);
        w.WriteStartElement(L"s:AttributeType");
        service->WriteFieldXmlAttrs(field, desc, w,
                                    name == AnsiToWide(field->FieldName()) ? AnsiString() : WideToAnsi(name));
        w.WriteStartElement(L"s:datatype");
        service->WriteFieldXmlType(field, desc, w);
        w.WriteEndElement();
        w.WriteEndElement();
    }
    w.WriteStartElement(L"s:extends");
    w.WriteAttribute(L"type", L"rs:rowbase");
    w.WriteEndElement();
    w.WriteEndElement();
    w.WriteEndElement();
    w.WriteStartElement(L"rs:data");
    for (ds.First(); !ds.Eof(); ds.Next()) {
        w.WriteStartElement(L"z:row");
        for (int i = 0; i < ds.FieldCount(); ++i) {
            TField* field = ds.Fields()[i];
            // A null value has no attribute: its text would read as 0 or 1899-12-30.
            if (field->IsNull()) continue;
            w.WriteAttribute(ColumnName(field), service->FieldValueToXmlText(field, ds.GetFieldDesc(field)));
        }
        w.WriteEndElement();
    }
    w.WriteEndElement();
    w.WriteEndElement();
    return w.Text();
}

TXmlNode Child(const TXmlNode& parent, const wchar_t* name) {
    for (const TXmlNode& node : parent.ChildNodes())
        if (node.NodeName() == name) return node;
    return TXmlNode();
}

std::vector<TXmlNode> Children(const TXmlNode& parent, const wchar_t* name) {
    std::vector<TXmlNode> result;
    for (const TXmlNode& node : parent.ChildNodes())
        if (node.NodeName() == name) result.push_back(node);
    return result;
}

using Pairs = std::vector<std::pair<WideString, WideString>>;

// Attribute pairs as the writer put them into one element, references resolved by hand.
Pairs WrittenAttributes(const std::function<void(XmlWriter&)>& write) {
    WideString text = AttributesOf(write);
    Pairs pairs;
    size_t at = 0;
    while (at < text.size()) {
        size_t eq = text.find(L"=\"", at);
        size_t end = text.find(L'"', eq + 2);
        WideString value;
        for (size_t i = eq + 2; i < end; ++i) {
            if (text[i] == L'&') {
                size_t semi = text.find(L';', i);
                value +=
                    static_cast<wchar_t>(std::wcstoul(text.substr(i + 3, semi - i - 3).c_str(), nullptr, 16));
                i = semi;
            } else {
                value += text[i];
            }
        }
        pairs.emplace_back(text.substr(at, eq - at), value);
        at = end + 2;
    }
    return pairs;
}

Pairs ParsedAttributes(const TXmlNode& node) {
    Pairs pairs;
    for (const TXmlNode& a : node.Attributes())
        pairs.emplace_back(a.NodeName(), a.Text());
    return pairs;
}

std::string UnHex(const WideString& text) {
    std::string bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        bytes += static_cast<char>(std::wcstoul(text.substr(i, 2).c_str(), nullptr, 16));
    return bytes;
}

TDateTime XmlDate(const WideString& text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    EXPECT_EQ(6, std::swscanf(text.c_str(), L"%4d-%2d-%2dT%2d:%2d:%2d", &y, &mo, &d, &h, &mi, &s))
        << WideToAnsi(text);
    return EncodeDateTime(y, mo, d, h, mi, s, 0);
}

// The value a row attribute reads back as, compared with the field's own.
void ExpectSameValue(TMemDataSet& ds, TField* field, const WideString& text) {
    SCOPED_TRACE(field->FieldName());
    switch (ds.GetFieldDesc(field)->TypeCode) {
    case tcInt8:
    case tcInt16:
    case tcInt32:
    case tcUInt16:
    case tcInt64:
    case tcUInt32:
        EXPECT_EQ(field->AsLargeInt(), std::wcstoll(text.c_str(), nullptr, 10));
        break;
    case tcFloat:
        EXPECT_EQ(field->AsFloat(), std::wcstod(text.c_str(), nullptr)) << WideToAnsi(text); // exactly
        break;
    case tcDate:
    case tcDateTime:
        EXPECT_EQ(field->AsDateTime(), XmlDate(text));
        break;
    case tcTime:
        EXPECT_EQ(field->AsDateTime(), XmlDate(L"1899-12-30T" + text));
        break;
    case tcBoolean:
        EXPECT_EQ(field->AsBoolean() ? L"True" : L"False", text);
        break;
    case tcCurrency:
    case tcBCD:
        EXPECT_EQ(field->AsCurrency(), TBcd::FromString(WideToAnsi(text)).ToCurrency());
        break;
    case tcFMTBCD:
        EXPECT_EQ(field->AsBCD(), TBcd::FromString(WideToAnsi(text)));
        break;
    case tcBlob:
    case tcBytes:
    case tcVarBytes:
    case tcExtVarBytes: {
        TBytes bytes = field->GetAsBytes();
        EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == UnHex(text));
        break;
    }
    case tcWideMemo:
        EXPECT_TRUE(ds.GetBlobOfField(field)->ReadAsWide() == text);
        break;
    default:
        EXPECT_EQ(field->AsWideString(), text);
        break;
    }
}

struct ComScope {
    ComScope() { CoInitialize(nullptr); }
    ~ComScope() { CoUninitialize(); }
};

} // namespace

TEST(DataSetXmlTest, RowsetDocumentReadsBackThroughTheXmlParser) {
    ComScope com;
    TFormatSettingsPin pin(CommaLocale());
    const std::string longBlob = LongBytes(70000);
    const std::string tricky = "纳税人 \"甲\" & 'B' <x>\r\nline\ttab";
    struct Column {
        const char* name;
        TDataTypeCode code;
        int length, scale;
        Put first, second; // second row: nullptr leaves the value null
    } columns[] = {
        {"ID", tcInt32, 0, 0, Raw<int32_t>(1), Raw<int32_t>(2)},
        {"Tax Code", tcString, 40, 0, Text(tricky), nullptr},
        {"I1", tcInt8, 3, 0, Raw<int8_t>(-5), nullptr},
        {"I2", tcInt16, 0, 0, Raw<int16_t>(-300), nullptr},
        {"F", tcFloat, 15, 0, Raw<double>(0.1 + 0.2), Raw<double>(-2.5e-300)},
        {"D", tcDate, 0, 0, Date(EncodeDate(99, 12, 31)), nullptr},
        {"T", tcTime, 0, 0, Time(EncodeTime(7, 8, 9, 0)), nullptr},
        {"DT", tcDateTime, 0, 0, Stamp(EncodeDateTime(2008, 3, 5, 23, 59, 58, 0)), nullptr},
        {"U2", tcUInt16, 5, 0, Raw<uint16_t>(65535), nullptr},
        {"BOOL", tcBoolean, 0, 0, Raw<int16_t>(1), Raw<int16_t>(0)},
        {"I8", tcInt64, 0, 0, Raw<int64_t>(INT64_MIN), nullptr},
        {"CUR", tcCurrency, 19, 0, Raw<double>(-1234.5678), nullptr},
        {"BLOB", tcBlob, 0, 0, Blob(longBlob, 8192), nullptr},
        {"MEMO", tcMemo, 0, 0, Blob(tricky), nullptr},
        {"V", tcVariant, 0, 0, Raw<Variant>(Variant(int64_t(77))), nullptr},
        {"XS", tcExtString, 20, 0, Text("申报 <&>"), nullptr},
        {"BYTES", tcBytes, 3, 0, Text("a\x01\xff"), nullptr},
        {"VBYTES", tcVarBytes, 4, 0, VarBytes({0, 1, 2}), nullptr},
        {"XBYTES", tcExtVarBytes, 4, 0, VarBytes({0xAB}), nullptr},
        {"U4", tcUInt32, 10, 0, Raw<uint32_t>(4000000000u), nullptr},
        {"W", tcWideString, 20, 0, Wide(L"中文 \"'\r\n\x0E01"), nullptr},
        {"XW", tcExtWideString, 20, 0, Wide(L"汉字&"), nullptr},
        {"BCD", tcBCD, 10, 4, Raw<int64_t>(-123456), nullptr},
        {"FMT", tcFMTBCD, 20, 3, Raw<TBcdRecord>(StrToBcdRecord("-12345.678")), nullptr},
        {"G", tcGuid, 38, 0, Text("{01234567-89AB-CDEF-0123-456789ABCDEF}"), nullptr},
        {"WMEMO", tcWideMemo, 0, 0, WideBlob(L"备注\r\n\xD83D\xDE00"), nullptr},
    };
    std::vector<FieldSpec> specs;
    for (const Column& c : columns)
        specs.push_back({c.name, c.code, c.length, c.scale});
    auto* data = new TRowsData(specs, [&](TRowsData& d) {
        d.AddRow([&](void* b) {
            for (size_t i = 0; i < std::size(columns); ++i)
                columns[i].first(d, b, static_cast<int>(i) + 1);
        });
        d.AddRow([&](void* b) {
            for (size_t i = 0; i < std::size(columns); ++i)
                if (columns[i].second) columns[i].second(d, b, static_cast<int>(i) + 1);
        });
    });
    data->AdjustDesc = [](TFieldDesc* d) {
        if (d->FieldName == "ID") {
            d->IsKeyField = 1;
            d->IsRequired = 1;
        }
        if (d->FieldName == "G") d->IsFixedLength = 1;
    };
    TMemDataSet ds(nullptr);
    ds.SetRecordSet(data);
    ds.Open();

    const WideString text = WriteRowset(ds);
    TXmlDocument doc;
    ASSERT_TRUE(doc.LoadXML(text)) << WideToAnsi(doc.ParseErrorReason());
    TXmlNode root = doc.DocumentElement();
    TXmlNode elementType = Child(Child(root, L"s:Schema"), L"s:ElementType");
    std::vector<TXmlNode> attributeTypes = Children(elementType, L"s:AttributeType");
    ASSERT_EQ(ds.FieldCount(), static_cast<int>(attributeTypes.size()));
    for (int i = 0; i < ds.FieldCount(); ++i) {
        TField* field = ds.Fields()[i];
        TFieldDesc* desc = ds.GetFieldDesc(field);
        SCOPED_TRACE(field->FieldName());
        WideString name = ColumnName(field);
        AnsiString given = name == AnsiToWide(field->FieldName()) ? AnsiString() : WideToAnsi(name);
        EXPECT_EQ(
            WrittenAttributes([&](XmlWriter& w) { ds.Service()->WriteFieldXmlAttrs(field, desc, w, given); }),
            ParsedAttributes(attributeTypes[i]));
        EXPECT_EQ(WrittenAttributes([&](XmlWriter& w) { ds.Service()->WriteFieldXmlType(field, desc, w); }),
                  ParsedAttributes(Child(attributeTypes[i], L"s:datatype")));
    }
    EXPECT_EQ(L"c1", attributeTypes[1].Attribute(L"name"));
    EXPECT_EQ(L"Tax Code", attributeTypes[1].Attribute(L"rs:name"));

    std::vector<TXmlNode> rows = Children(Child(root, L"rs:data"), L"z:row");
    ASSERT_EQ(2u, rows.size());
    ds.First();
    for (const TXmlNode& row : rows) {
        for (int i = 0; i < ds.FieldCount(); ++i) {
            TField* field = ds.Fields()[i];
            WideString name = ColumnName(field);
            ASSERT_EQ(!field->IsNull(), row.HasAttribute(name)) << field->FieldName();
            if (!field->IsNull()) ExpectSameValue(ds, field, row.Attribute(name));
        }
        ds.Next();
    }
    // The line breaks and the tab of the text came back as written.
    EXPECT_EQ(AnsiToWide(tricky), rows[0].Attribute(L"c1"));
    EXPECT_EQ(AnsiToWide(tricky), rows[0].Attribute(L"MEMO"));
}
