#pragma once
// Envelope XML (root rootVo, head, properties, arrayList) to and from TCommonXmlBean, over the
// Microsoft XML DOM.
#include <memory>
#include <vector>

#include "launcher/XmlBean.h"
#include "platform/soap/MsXml.h"

class TXMLParser : public TObject {
public:
    VZ_CLASS(TXMLParser, TObject)
    TXMLParser();
    ~TXMLParser() override;

    TXmlNode AddElement(TXmlNode& parent, const AnsiString& name);
    TXmlNode SelectNode(const TXmlNode& node, const AnsiString& path) const;
    std::vector<TXmlNode> SelectNodeList(const TXmlNode& node, const AnsiString& path) const;
    // Empty text when the node or the child is absent.
    AnsiString GetChildText(const TXmlNode& node, const AnsiString& name) const;
    void SetChildText(TXmlNode& node, const AnsiString& name, const AnsiString& value);
    AnsiString GetNodeAttribute(const TXmlNode& node, const AnsiString& name) const;
    void SetNodeAttribute(TXmlNode& node, const AnsiString& name, const AnsiString& value);

    TXmlNode RootNode;
    std::unique_ptr<TXmlDocument> Document;
};

class TXMLBeanParser : public TXMLParser {
public:
    VZ_CLASS(TXMLBeanParser, TXMLParser)
    TXMLBeanParser() = default;

    static AnsiString BeanToXml(TCommonXmlBean* bean);
    // None when the text cannot be read.
    static std::unique_ptr<TCommonXmlBean> XmlToBean(const WideString& text);

private:
    void Write(TCommonXmlBean* bean);
    void WriteItems(TXmlNode& node, TStringList* items);
    void WriteNodeLists(TXmlNode& node, TCommonNodeObject* object);
    void WriteBodyExtras(TCommonXmlBean* bean);
    void CopyInto(TXmlNode& parent, const TXmlNode& source);
    std::unique_ptr<TCommonXmlBean> Read(const WideString& text);
    void ReadItem(const TXmlNode& node, TItem* item);
    void ReadNodeLists(const TXmlNode& node, TCommonNodeObject* object);
    void ReadMap(const TXmlNode& node, std::map<AnsiString, AnsiString>& map);
};
