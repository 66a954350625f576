#pragma once
// A thin owner of the Microsoft XML DOM (DOMDocument through COM, IXMLDOMDocument2): the
// envelope parser and the SOAP reader both work on it. COM must be initialised on the thread.
#include <cstddef>
#include <vector>

#include "platform/core/Strings.h"

struct IXMLDOMNode;
struct IXMLDOMDocument2;

// One DOM node reference (counted by COM); empty when it refers to nothing.
class TXmlNode {
public:
    TXmlNode() = default;
    explicit TXmlNode(IXMLDOMNode* node, bool addRef = true);
    TXmlNode(const TXmlNode& other);
    TXmlNode(TXmlNode&& other) noexcept;
    TXmlNode& operator=(TXmlNode other) noexcept;
    ~TXmlNode();

    explicit operator bool() const { return node_ != nullptr; }
    IXMLDOMNode* Raw() const { return node_; }
    bool SameNode(const TXmlNode& other) const;

    WideString NodeName() const; // qualified name, "#text" and the like for non-elements
    WideString BaseName() const; // local name without prefix
    WideString NamespaceURI() const;
    bool IsElement() const;
    WideString Text() const; // text of the node and its descendants
    void SetText(const WideString& text);

    TXmlNode FirstChild() const;
    TXmlNode NextSibling() const;
    std::vector<TXmlNode> ChildNodes() const;
    bool HasChildNodes() const;
    TXmlNode AppendChild(const TXmlNode& child);

    // Attributes by qualified name; Attribute answers empty text when absent.
    bool HasAttribute(const WideString& name) const;
    WideString Attribute(const WideString& name) const;
    void SetAttribute(const WideString& name, const WideString& value);
    // Attribute nodes in document order (name, value through NodeName/Text).
    std::vector<TXmlNode> Attributes() const;

    TXmlNode SelectSingleNode(const WideString& path) const;
    std::vector<TXmlNode> SelectNodes(const WideString& path) const;

private:
    IXMLDOMNode* node_ = nullptr;
};

// Documents never hold a document type declaration: the text is refused before it is parsed,
// so that no entity is expanded and no external file or address is read.
class TXmlDocument {
public:
    TXmlDocument(); // raises Exception when the DOM cannot be created
    TXmlDocument(const TXmlDocument&) = delete;
    TXmlDocument& operator=(const TXmlDocument&) = delete;
    ~TXmlDocument();

    // False when the text is not well-formed or holds a document type declaration.
    bool LoadXML(const WideString& text);
    // Loads raw bytes so that the parser honours the encoding the document declares.
    bool LoadBytes(const void* data, std::size_t size);
    WideString ParseErrorReason() const;

    TXmlNode DocumentElement() const;
    TXmlNode CreateElement(const WideString& name);
    WideString Xml() const; // the serialised document

private:
    bool Refuse(const wchar_t* reason);
    bool Accept(bool parsed);

    IXMLDOMDocument2* doc_ = nullptr;
    WideString refusal_; // why the last load was refused before parsing; empty otherwise
};
