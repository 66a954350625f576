#pragma once
// The XML text writer through which a dataset writes its column descriptions: the document is
// built as wide text; attributes go into the open start tag, before its closing bracket.
#include <cstdint>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/Strings.h"

class XmlException : public Exception {
public:
    using Exception::Exception;
};

// Text safe inside an attribute value (either quote) or element content. TAB, LF and CR are
// written as character references so that a parser's attribute normalisation keeps them; other
// characters below U+0020 cannot appear in an XML 1.0 document and raise XmlException.
WideString XmlEscapeText(const WideString& text);

class XmlWriter {
public:
    // States of the writer: attributes are accepted in the first two only.
    enum : uint8_t { wsAttribute = 0, wsContent = 1, wsStart = 2, wsElement = 3 };

    explicit XmlWriter(wchar_t quoteChar = L'"') : quoteChar_(quoteChar) {}

    // The XML declaration; only at the start of the document.
    void WriteStartDocument();
    // "<name>", open for attributes until content or a child element follows.
    void WriteStartElement(const WideString& name);
    // Ends the innermost open element: "/>" when nothing followed its attributes.
    void WriteEndElement();
    // Escaped text as the content of the open element.
    void WriteString(const WideString& text);

    void WriteAttribute(const WideString& name, const WideString& value);
    // Raises XmlException outside an open start tag (or for text XML cannot hold) and then
    // leaves the document as it was.
    void WriteAttributeString(const WideString& name, const WideString& value);

    const WideString& Text() const { return text_; }
    uint8_t State() const { return state_; }
    wchar_t QuoteChar() const { return quoteChar_; }

private:
    // The open start tag is followed by content: its bracket stays where it is.
    void CloseStartTag();

    WideString text_;
    wchar_t quoteChar_;
    uint8_t state_ = wsStart;
    // Top: where the next attribute of the open start tag goes (just before its ">").
    std::vector<int> positions_;
    std::vector<WideString> names_;
    // Whether each open element has had content or children.
    std::vector<bool> hasContent_;
};
