// The XML text writer: escaping of values and attributes written into the open start tag.
#include <gtest/gtest.h>

#include "data/memory/CRXml.h"

TEST(XmlEscapeTextTest, ReplacesMarkupAndKeepsWhiteSpaceAsReferences) {
    struct Case {
        const wchar_t* text;
        const wchar_t* escaped;
    } cases[] = {
        {L"a<b & 'c'", L"a&#x3c;b &#x26; &#x27;c&#x27;"},
        {L"&amp;", L"&#x26;amp;"}, // already escaped text is escaped again, not taken as markup
        {L"say \"hi\" > 2", L"say &#x22;hi&#x22; &#x3e; 2"},
        {L"a\tb", L"a&#x9;b"},
        {L"line1\r\nline2\n", L"line1&#xD;&#xA;line2&#xA;"},
        {L"申报税务 中文", L"申报税务 中文"},
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WideString(c.escaped), XmlEscapeText(c.text)) << WideToAnsi(c.text);
}

TEST(XmlEscapeTextTest, ControlCharactersAreRefusedByCode) {
    for (wchar_t ch : {L'\x01', L'\x08', L'\x0B', L'\x1F', L'\0'}) {
        WideString text = L"ab";
        text.insert(1, 1, ch);
        try {
            XmlEscapeText(text);
            ADD_FAILURE() << "character " << int(ch) << " escaped";
        } catch (const XmlException& e) {
            char code[16];
            std::snprintf(code, sizeof code, "#x%X", unsigned(ch));
            EXPECT_NE(AnsiString::npos, e.Message().find(code)) << e.Message();
        }
    }
}

TEST(XmlWriterTest, AttributesGoIntoTheOpenStartTagInTheOrderWritten) {
    XmlWriter w;
    w.WriteStartElement(L"root");
    w.WriteAttribute(L"a", L"1");
    w.WriteAttributeString(L"b", L"x<y");
    EXPECT_EQ(L"<root a=\"1\" b=\"x&#x3c;y\">", w.Text());
    w.WriteStartElement(L"child");
    w.WriteAttribute(L"c", L"3");
    EXPECT_EQ(XmlWriter::wsAttribute, w.State());
    w.WriteEndElement();
    w.WriteString(L"text");
    w.WriteEndElement();
    EXPECT_EQ(L"<root a=\"1\" b=\"x&#x3c;y\"><child c=\"3\"/>text</root>", w.Text());

    // A quote character of the caller's choice.
    XmlWriter single(L'\'');
    single.WriteStartElement(L"e");
    single.WriteAttribute(L"q", L"it's");
    single.WriteEndElement();
    EXPECT_EQ(L"<e q='it&#x27;s'/>", single.Text());
}

TEST(XmlWriterTest, AttributeOutsideAStartTagRaisesAndLeavesTheText) {
    auto stateError = "Token WriteAttributeString in state Content would result in an invalid XML document.";
    XmlWriter w;
    w.WriteStartElement(L"root");
    w.WriteAttribute(L"a", L"1");
    w.WriteString(L"content");
    const WideString before = w.Text();
    try {
        w.WriteAttribute(L"b", L"2");
        ADD_FAILURE() << "attribute after content written";
    } catch (const XmlException& e) {
        EXPECT_EQ(stateError, e.Message());
    }
    EXPECT_EQ(before, w.Text());
    EXPECT_EQ(XmlWriter::wsContent, w.State());

    // After a child element has ended, the parent's start tag is closed too.
    w.WriteStartElement(L"c");
    w.WriteEndElement();
    EXPECT_THROW(w.WriteAttribute(L"b", L"2"), XmlException);
    // Before any element there is no tag to write into.
    XmlWriter empty;
    EXPECT_THROW(empty.WriteAttribute(L"a", L"1"), XmlException);
    EXPECT_EQ(L"", empty.Text());
}

TEST(XmlWriterTest, ValueWithAControlCharacterLeavesTheTagAsItWas) {
    XmlWriter w;
    w.WriteStartElement(L"row");
    w.WriteAttribute(L"a", L"1");
    const WideString before = w.Text();
    EXPECT_THROW(w.WriteAttribute(L"b", WideString(L"x\x02y")), XmlException);
    EXPECT_EQ(before, w.Text());
    // The tag still takes attributes after the refusal.
    w.WriteAttribute(L"c", L"3");
    w.WriteEndElement();
    EXPECT_EQ(L"<row a=\"1\" c=\"3\"/>", w.Text());
}
