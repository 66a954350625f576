#include <gtest/gtest.h>
#include <ole2.h>

#include <map>

#include "platform/soap/Base64.h"
#include "platform/soap/MsXml.h"
#include "platform/soap/SoapEnvelope.h"

namespace {

class SoapItem : public TRemotable {
public:
    WideString name;
    WideString value;
};

class SoapRecord : public TRemotable {
public:
    TByteDynArray data;
    std::vector<std::unique_ptr<SoapItem>> items;
    WideString code;
};

const wchar_t* const kTypesNs = L"urn:SoapTest";
const wchar_t* const kOpNs = L"http://example.test/wsbs/services/";

class SoapEnvelopeTest : public testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        TRemotableClassInfo item;
        item.Type = typeid(SoapItem);
        item.Name = L"Item";
        item.Namespace = kTypesNs;
        item.Create = [] { return std::make_unique<SoapItem>(); };
        item.Props = {StringProp(L"name", &SoapItem::name), StringProp(L"value", &SoapItem::value)};
        RemClassRegistry().RegisterXSClass(item);
        TRemotableClassInfo rec;
        rec.Type = typeid(SoapRecord);
        rec.Name = L"Record";
        rec.Namespace = kTypesNs;
        rec.Create = [] { return std::make_unique<SoapRecord>(); };
        rec.Props = {BytesProp(L"data", &SoapRecord::data), ArrayProp(L"items", &SoapRecord::items),
                     StringProp(L"code", &SoapRecord::code)};
        RemClassRegistry().RegisterXSClass(rec);
    }
    void TearDown() override {
        RemClassRegistry().UnRegisterXSClass(typeid(SoapItem));
        RemClassRegistry().UnRegisterXSClass(typeid(SoapRecord));
        CoUninitialize();
    }

    static std::unique_ptr<SoapRecord> Sample(int items) {
        auto r = std::make_unique<SoapRecord>();
        r->data = {0x00, 0xFF, 0x10, 0x80, 0x7F};
        r->code = L"税务 <&> \"1\"\r\nend";
        for (int i = 0; i < items; ++i) {
            auto it = std::make_unique<SoapItem>();
            it->name = L"n" + std::to_wstring(i);
            it->value = i == 0 ? L"" : L"值" + std::to_wstring(i);
            r->items.push_back(std::move(it));
        }
        return r;
    }

    static std::unique_ptr<SoapRecord> Read(const std::string& text) {
        std::unique_ptr<TRemotable> obj = ParseSoapResponse(text, typeid(SoapRecord));
        return std::unique_ptr<SoapRecord>(static_cast<SoapRecord*>(obj.release()));
    }

    static std::string Response(const std::string& body) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
               "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\" "
               "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
               "xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\"><e:Body>" +
               body + "</e:Body></e:Envelope>";
    }
};

TEST_F(SoapEnvelopeTest, Base64RoundTripsEveryTailLengthAndReadsWrappedText) {
    for (size_t n = 0; n < 8; ++n) {
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i < n; ++i)
            bytes.push_back(static_cast<uint8_t>(i * 77 + 3));
        std::string text;
        Base64Append(text, bytes.data(), bytes.size());
        EXPECT_EQ(text.size(), (n + 2) / 3 * 4);
        EXPECT_EQ(Base64Decode(text.data(), text.size()), bytes) << n;
    }
    std::string known;
    const uint8_t man[] = {'M', 'a', 'n', 'M', 'a'};
    Base64Append(known, man, 5);
    EXPECT_EQ(known, "TWFuTWE=");
    std::wstring wrapped = L"TW\r\nFu\n TWE=\n";
    EXPECT_EQ(Base64Decode(wrapped.data(), wrapped.size()), std::vector<uint8_t>(man, man + 5));
    // Decoding in place refuses the same texts, and leaves them as they were.
    for (std::string bad :
         {"TWF", "TW=u", "TW!u", "TWFu=", "T===", "TWE=TWFu", "TWFuTWFu\xffTWE=", "TWFuTW", "TWFuTWFu TWE"}) {
        EXPECT_THROW(Base64Decode(bad.data(), bad.size()), Exception) << bad;
        std::string buffer = bad;
        EXPECT_THROW(Base64DecodeInto(buffer.data(), buffer.size(), reinterpret_cast<uint8_t*>(buffer.data())),
                     Exception)
            << bad;
        EXPECT_EQ(buffer, bad);
    }
    std::wstring wide = L"TWFu\x0154WFu";
    EXPECT_THROW(Base64Decode(wide.data(), wide.size()), Exception);
    // The run of base64 at the start of a text, up to the first other character.
    struct Run {
        std::string text;
        size_t length;
        bool decodes;
    };
    for (const Run& run : std::initializer_list<Run>{{"", 0, true},
                                                      {"TWFuTWE=</a>", 8, true},
                                                      {"TW\r\nFu\n TWE=\n<", 13, true},
                                                      {"TWFuTWFuTWFu&amp;", 12, true},
                                                      {"TWFuTWFu\xffTWE=", 8, true},
                                                      {"TWF<", 3, false},
                                                      {"TW=u<", 4, false},
                                                      {"T===", 4, false},
                                                      {"TWFu=", 5, false},
                                                      {"<TWFu", 0, true}}) {
        bool decodes = !run.decodes;
        EXPECT_EQ(Base64Extent(run.text.data(), run.text.size(), decodes), run.length) << run.text;
        EXPECT_EQ(decodes, run.decodes) << run.text;
    }
}

// Long texts are read a whole quad at a time: line breaks at any place, inside a quad or
// between, must give the same bytes as the unbroken text.
TEST_F(SoapEnvelopeTest, Base64ReadsLongTextsBrokenAtAnyPlace) {
    std::vector<uint8_t> bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 131 + i / 7);
    std::string text;
    Base64Append(text, bytes.data(), bytes.size());
    ASSERT_EQ(Base64Decode(text.data(), text.size()), bytes);
    for (size_t every : {1, 3, 5, 76}) {
        std::string broken;
        for (size_t i = 0; i < text.size(); ++i) {
            broken += text[i];
            if (i % every == every - 1) broken += "\r\n";
        }
        EXPECT_EQ(Base64Decode(broken.data(), broken.size()), bytes) << every;
        // In place, to the text's start or from further in the same buffer.
        for (size_t from : {0, 5}) {
            std::string buffer = std::string(from, '<') + broken;
            auto* out = reinterpret_cast<uint8_t*>(buffer.data());
            const size_t n = Base64DecodeInto(buffer.data() + from, broken.size(), out);
            EXPECT_EQ(std::vector<uint8_t>(out, out + n), bytes) << every << " " << from;
        }
    }
}

TEST_F(SoapEnvelopeTest, RequestCarriesObjectsAsNumberedMultiReferences) {
    auto record = Sample(3);
    std::vector<TSoapParam> params(2);
    params[0].Name = L"sid";
    params[0].Str = L"9910006";
    params[1].Name = L"param";
    params[1].IsObject = true;
    params[1].Obj = record.get();
    params[1].Type = typeid(SoapRecord);
    std::string text = BuildSoapRequest(kOpNs, L"doService", params);

    TXmlDocument doc;
    ASSERT_TRUE(doc.LoadBytes(text.data(), text.size())) << WideToAnsi(doc.ParseErrorReason());
    TXmlNode env = doc.DocumentElement();
    EXPECT_EQ(env.NodeName(), L"SOAP-ENV:Envelope");
    // Namespace declarations are checked in the text: the DOM's attribute map does not list
    // them reliably everywhere.
    std::string envTag = text.substr(0, text.find('>', text.find("<SOAP-ENV:Envelope")));
    for (const char* decl : {"xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"",
                             "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\"",
                             "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"",
                             "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""})
        EXPECT_NE(envTag.find(decl), std::string::npos) << decl;

    std::vector<TXmlNode> parts = env.ChildNodes();
    ASSERT_EQ(parts.size(), 1u);
    TXmlNode body = parts[0];
    EXPECT_EQ(body.BaseName(), L"Body");
    EXPECT_EQ(body.Attribute(L"SOAP-ENV:encodingStyle"), L"http://schemas.xmlsoap.org/soap/encoding/");
    std::vector<TXmlNode> top = body.ChildNodes();
    ASSERT_EQ(top.size(), 5u); // operation, record, three items
    EXPECT_EQ(top[0].BaseName(), L"doService");
    EXPECT_EQ(top[0].NamespaceURI(), kOpNs);
    std::vector<TXmlNode> args = top[0].ChildNodes();
    ASSERT_EQ(args.size(), 2u);
    EXPECT_EQ(args[0].Text(), L"9910006");
    EXPECT_EQ(args[0].Attribute(L"xsi:type"), L"xsd:string");
    EXPECT_EQ(args[1].Attribute(L"href"), L"#1");
    EXPECT_EQ(top[1].BaseName(), L"Record");
    EXPECT_EQ(top[1].NamespaceURI(), kTypesNs);
    EXPECT_EQ(top[1].Attribute(L"id"), L"1");
    std::vector<TXmlNode> fields = top[1].ChildNodes();
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0].Attribute(L"xsi:type"), L"xsd:base64Binary");
    EXPECT_EQ(fields[0].Text(), L"AP8QgH8=");
    EXPECT_EQ(fields[1].Attribute(L"xsi:type"), L"SOAP-ENC:Array");
    WideString arrayType = fields[1].Attribute(L"SOAP-ENC:arrayType");
    ASSERT_NE(arrayType.find(L':'), WideString::npos);
    EXPECT_EQ(arrayType.substr(arrayType.find(L':')), L":Item[3]");
    // The array's prefix is declared for the namespace of the item class.
    std::string recordTag = text.substr(text.find("id=\"1\""));
    recordTag = recordTag.substr(0, recordTag.find('>'));
    EXPECT_NE(recordTag.find("xmlns:" + WideToAnsi(arrayType.substr(0, arrayType.find(L':'))) +
                             "=\"urn:SoapTest\""),
              std::string::npos)
        << recordTag;
    std::vector<TXmlNode> items = fields[1].ChildNodes();
    ASSERT_EQ(items.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(items[i].Attribute(L"href"), L"#" + std::to_wstring(i + 2));
        EXPECT_EQ(top[i + 2].Attribute(L"id"), std::to_wstring(i + 2));
        EXPECT_EQ(top[i + 2].BaseName(), L"Item");
        EXPECT_EQ(top[i + 2].ChildNodes()[0].Text(), L"n" + std::to_wstring(i));
    }
    EXPECT_EQ(fields[2].Text(), record->code);
}

TEST_F(SoapEnvelopeTest, WriterOutputReadsBackIntact) {
    for (int count : {0, 1, 4}) {
        auto record = Sample(count);
        std::vector<TSoapParam> params(1);
        params[0].Name = L"return";
        params[0].IsObject = true;
        params[0].Obj = record.get();
        params[0].Type = typeid(SoapRecord);
        auto back = Read(BuildSoapRequest(kOpNs, L"doServiceResponse", params));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->data, record->data);
        EXPECT_EQ(back->code, record->code);
        ASSERT_EQ(back->items.size(), record->items.size());
        for (size_t i = 0; i < back->items.size(); ++i) {
            EXPECT_EQ(back->items[i]->name, record->items[i]->name);
            EXPECT_EQ(back->items[i]->value, record->items[i]->value);
        }
    }
}

TEST_F(SoapEnvelopeTest, ReaderToleratesTheFormsServersSend) {
    struct Case {
        const char* what;
        std::string body;
        std::vector<uint8_t> data;
        WideString code;
        size_t items;
    };
    const std::string item =
        "<i xsi:type=\"t:Item\" xmlns:t=\"urn:SoapTest\"><value>v</value><name>n</name></i>";
    std::vector<Case> cases = {
        {"inline return, any order",
         "<r:opResponse xmlns:r=\"urn:x\"><return><code>1</code><data>AQI=</data></return></r:opResponse>",
         {1, 2},
         L"1",
         0},
        {"return by href, other name, wrapped base64",
         "<r:opResponse xmlns:r=\"urn:x\"><opReturn href=\"#id0\"/></r:opResponse>"
         "<multiRef id=\"id0\"><items>" +
             item + item +
             "</items><data>\n  AQ\r\nI=\n</data><code href=\"#c\"/></multiRef>"
             "<multiRef id=\"c\">7</multiRef>",
         {1, 2},
         L"7",
         2},
        {"nil and missing fields",
         "<r:opResponse xmlns:r=\"urn:x\"><return><data xsi:nil=\"true\"/><items "
         "xsi:nil=\"1\"/></return></r:opResponse>",
         {},
         L"",
         0},
        {"unknown fields ignored",
         "<r:opResponse xmlns:r=\"urn:x\"><return><extra>x</extra><code>2</code></return></r:opResponse>",
         {},
         L"2",
         0},
    };
    for (auto& c : cases) {
        auto r = Read(Response(c.body));
        ASSERT_TRUE(r) << c.what;
        EXPECT_EQ(r->data, c.data) << c.what;
        EXPECT_EQ(r->code, c.code) << c.what;
        EXPECT_EQ(r->items.size(), c.items) << c.what;
        if (c.items) {
            EXPECT_EQ(r->items[1]->name, L"n");
            EXPECT_EQ(r->items[1]->value, L"v");
        }
    }
    EXPECT_FALSE(Read(Response("<r:opResponse xmlns:r=\"urn:x\"><return xsi:nil=\"true\"/></r:opResponse>")));
}

// Long base64 texts take a road around the DOM; what is read must not depend on it.
TEST_F(SoapEnvelopeTest, LongBase64TextsReadAsShortOnesDo) {
    TByteDynArray bytes(300000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    std::string b64;
    Base64Append(b64, bytes.data(), bytes.size());
    std::string wrapped;
    for (size_t at = 0; at < b64.size(); at += 76)
        wrapped += b64.substr(at, 76) + "\r\n";
    // A string field of base64 characters alone, as long: read as the text it is.
    const std::string letters(70000, 'A');
    const std::string in = "<r:opResponse xmlns:r=\"urn:x\"><return href=\"#1\"/></r:opResponse>"
                           "<multiRef id=\"1\"><code>" +
                           letters + "</code><data>" + wrapped + "</data></multiRef>";
    auto r = Read(Response(in));
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->data == bytes);
    EXPECT_EQ(WideString(letters.begin(), letters.end()), r->code);
    // A long text with other characters near its end is no base64 and reads as text.
    r = Read(Response("<r:opResponse xmlns:r=\"urn:x\"><return><code>" + letters +
                      "&amp;AAAA</code></return></r:opResponse>"));
    ASSERT_TRUE(r);
    EXPECT_EQ(WideString(letters.begin(), letters.end()) + L"&AAAA", r->code);
    // Owned bodies read alike: the first long value takes the body's storage, the next its own;
    // a long text that fails only at its end is left whole for the reader.
    const std::string cut = b64.substr(0, b64.size() - 5);
    for (const std::string& text :
         {in, "<r:opResponse xmlns:r=\"urn:x\"><return><code>" + cut + "</code><data>" + wrapped +
                  "</data></return></r:opResponse>"}) {
        const std::string response = Response(text);
        TByteDynArray body(response.begin(), response.end());
        std::unique_ptr<TRemotable> moved = ParseSoapResponse(std::move(body), typeid(SoapRecord));
        auto* record = static_cast<SoapRecord*>(moved.get());
        EXPECT_TRUE(record->data == bytes);
        EXPECT_EQ(text == in ? WideString(letters.begin(), letters.end()) : WideString(cut.begin(), cut.end()),
                  record->code);
        EXPECT_EQ(body.capacity(), 0u); // taken or freed
    }
    // Cut to a length that is no multiple of 4, it still fails as base64.
    EXPECT_THROW(Read(Response("<r:opResponse xmlns:r=\"urn:x\"><return><data>" +
                               b64.substr(0, b64.size() - 5) + "</data></return></r:opResponse>")),
                 Exception);
    // A fault's text of that kind reads unchanged too.
    try {
        Read(Response("<e:Fault><faultcode>e:Server</faultcode><faultstring>" + letters +
                      "</faultstring></e:Fault>"));
        ADD_FAILURE() << "no fault raised";
    } catch (const ERemotableException& e) {
        EXPECT_EQ(letters, e.Message());
    }
}

TEST_F(SoapEnvelopeTest, FaultsAndUnreadableResponsesRaise) {
    try {
        // The body is UTF-8 on the wire; narrow literals here are the ANSI code page.
        Read(Response("<e:Fault><faultcode>e:Server</faultcode><faultstring>" +
                      WideToAnsi(L"服务暂停", CP_UTF8) + "</faultstring></e:Fault>"));
        FAIL() << "no fault raised";
    } catch (const ERemotableException& e) {
        EXPECT_EQ(e.Message(), "服务暂停");
        EXPECT_EQ(e.FaultCode, "e:Server");
    }
    for (std::string bad : {std::string("<e:Envelope"), std::string("<a/>"), Response(""),
                            Response("<r:x xmlns:r=\"urn:x\"><return href=\"#none\"/></r:x>"),
                            Response("<r:x xmlns:r=\"urn:x\"><return><data>A*==</data></return></r:x>")}) {
        EXPECT_THROW(Read(bad), Exception) << bad;
    }
}

// The text (ASCII here) in a wider encoding, low byte first or last, with or without a BOM.
std::string Widen(const std::string& text, size_t width, bool bigEndian, bool bom) {
    std::string out;
    auto put = [&](unsigned long c) {
        for (size_t k = 0; k < width; ++k)
            out += static_cast<char>((c >> (8 * (bigEndian ? width - 1 - k : k))) & 0xFF);
    };
    if (bom) put(0xFEFF);
    for (unsigned char c : text)
        put(c);
    return out;
}

TEST_F(SoapEnvelopeTest, DocumentTypeDeclarationsAreRefusedBeforeParsingInEveryEncoding) {
    const std::string body =
        "<r:opResponse xmlns:r=\"urn:x\"><return><code>&e;</code></return></r:opResponse>";
    auto envelope = [&](const char* decl, const std::string& prolog) {
        return std::string(decl) + prolog +
               "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body>" + body +
               "</e:Body></e:Envelope>";
    };
    // Entities that would take long to expand or read a local file, and a bare declaration.
    const std::string expand = "<!DOCTYPE e:Envelope [<!ENTITY a \"" + std::string(1000, 'x') +
                               "\"><!ENTITY e \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>";
    const std::string external = "<!DOCTYPE e:Envelope [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>";
    const std::string bare = "<!DOCTYPE e:Envelope>";
    const char* utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    const char* utf16 = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>";
    const char* ucs4 = "<?xml version=\"1.0\" encoding=\"UCS-4\"?>";
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::vector<Case> cases = {
        {"UTF-8, internal entity", envelope(utf8, expand)},
        {"UTF-8, external entity", envelope(utf8, external)},
        {"no XML declaration, blank lines first", envelope("", "\r\n\r\n" + bare)},
        {"UTF-8 BOM, comment and instruction first",
         "\xEF\xBB\xBF" + envelope(utf8, "\n<!-- <x> -->\n<?pi a?>" + external)},
        {"UTF-16LE with BOM", Widen(envelope(utf16, expand), 2, false, true)},
        {"UTF-16BE with BOM", Widen(envelope(utf16, bare), 2, true, true)},
        {"UTF-16LE without BOM", Widen(envelope(utf16, external), 2, false, false)},
        {"UTF-16BE without BOM", Widen(envelope("", " " + bare), 2, true, false)},
        {"UCS-4LE", Widen(envelope(ucs4, expand), 4, false, false)},
        {"UCS-4BE with BOM", Widen(envelope(ucs4, external), 4, true, true)},
    };
    for (auto& c : cases) {
        try {
            Read(c.bytes);
            ADD_FAILURE() << c.what << ": read";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Invalid SOAP response: A document type declaration is not accepted")
                << c.what;
        }
        TXmlDocument doc;
        EXPECT_FALSE(doc.LoadBytes(c.bytes.data(), c.bytes.size())) << c.what;
        EXPECT_FALSE(doc.DocumentElement()) << c.what;
    }
    // The same markup where it is no declaration reads as before.
    const std::string plain = "<r:opResponse xmlns:r=\"urn:x\"><return><code><![CDATA[<!DOCTYPE "
                              "x>]]></code></return></r:opResponse>";
    auto clean = [&](const char* decl, const std::string& prolog) {
        return std::string(decl) + prolog +
               "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body>" + plain +
               "</e:Body></e:Envelope>";
    };
    for (const std::string& ok :
         {clean(utf8, "<!-- <!DOCTYPE e:Envelope> --><?pi <!DOCTYPE?>"),
          Widen(clean(utf16, "\n"), 2, false, true), Widen(clean(utf16, ""), 2, true, false)}) {
        auto r = Read(ok);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->code, L"<!DOCTYPE x>");
    }
    // A text that is not XML in any encoding its first bytes tell is refused unread.
    const std::string ebcdic = "\x4C\x6F\xA7\x94\x93\x40";
    EXPECT_THROW(Read(ebcdic), Exception);
}

} // namespace
