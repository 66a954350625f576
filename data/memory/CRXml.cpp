#include "data/memory/CRXml.h"

#include <cstdio>

#include "data/memory/CLRClasses.h"

WideString XmlEscapeText(const WideString& text) {
    bool hasWhite = false;
    for (wchar_t ch : text) {
        if (ch >= 0x20) continue;
        if (ch == L'\t' || ch == L'\n' || ch == L'\r') {
            hasWhite = true;
            continue;
        }
        char message[96];
        std::snprintf(message, sizeof message, "Character #x%X cannot be written to an XML document",
                      static_cast<unsigned>(ch));
        throw XmlException(message);
    }
    WideStringBuilder builder = WideStringBuilder::CreateWithText(text, static_cast<int>(text.size()));
    builder.Replace(L"&", L"&#x26;");
    builder.Replace(L"'", L"&#x27;");
    builder.Replace(L"\"", L"&#x22;");
    builder.Replace(L"<", L"&#x3c;");
    builder.Replace(L">", L"&#x3e;");
    if (hasWhite) {
        builder.Replace(L"\t", L"&#x9;");
        builder.Replace(L"\n", L"&#xA;");
        builder.Replace(L"\r", L"&#xD;");
    }
    return builder.ToString();
}

void XmlWriter::WriteStartDocument() {
    if (!text_.empty()) throw XmlException("The XML declaration must start the document.");
    text_ = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
}

void XmlWriter::CloseStartTag() {
    if (!hasContent_.empty()) hasContent_.back() = true;
}

void XmlWriter::WriteStartElement(const WideString& name) {
    CloseStartTag();
    text_ += L'<';
    text_ += name;
    positions_.push_back(static_cast<int>(text_.size()));
    text_ += L'>';
    names_.push_back(name);
    hasContent_.push_back(false);
    state_ = wsElement;
}

void XmlWriter::WriteEndElement() {
    if (names_.empty()) throw XmlException("No element is open.");
    if (hasContent_.back()) {
        text_ += L"</";
        text_ += names_.back();
        text_ += L'>';
    } else {
        // Only attributes followed the name: the tag closes itself.
        text_.insert(static_cast<size_t>(positions_.back()), 1, L'/');
    }
    positions_.pop_back();
    names_.pop_back();
    hasContent_.pop_back();
    state_ = names_.empty() ? wsStart : wsContent;
}

void XmlWriter::WriteString(const WideString& text) {
    if (names_.empty()) throw XmlException("Text must be written inside an element.");
    WideString escaped = XmlEscapeText(text);
    CloseStartTag();
    text_ += escaped;
    state_ = wsContent;
}

void XmlWriter::WriteAttribute(const WideString& name, const WideString& value) {
    WriteAttributeString(name, value);
}

void XmlWriter::WriteAttributeString(const WideString& name, const WideString& value) {
    if ((state_ != wsAttribute && state_ != wsElement) || positions_.empty())
        throw XmlException(
            "Token WriteAttributeString in state Content would result in an invalid XML document.");
    WideString attribute;
    attribute.reserve(name.size() + value.size() + 4);
    attribute += L' ';
    attribute += name;
    attribute += L'=';
    attribute += quoteChar_;
    attribute += XmlEscapeText(value); // may raise: nothing is written yet
    attribute += quoteChar_;
    int position = positions_.back();
    text_.insert(static_cast<size_t>(position), attribute);
    positions_.back() = position + static_cast<int>(attribute.size());
    state_ = wsAttribute;
}
