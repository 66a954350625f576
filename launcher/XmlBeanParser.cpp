#include "launcher/XmlBeanParser.h"

#include "launcher/TextProcs.h"

namespace {

const wchar_t kTemplate[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-8\"?><rootVo blhName=\"\" class=\"\"><head></head></rootVo>";

WideString W(const AnsiString& s) {
    return AnsiToWide(s);
}
AnsiString A(const WideString& s) {
    return WideToAnsi(s);
}

bool IsContentName(const WideString& name) {
    return name != L"#comment" && name != L"#text" && name != L"#cdata-section";
}

bool HasContentChild(const TXmlNode& node) {
    for (TXmlNode c = node.FirstChild(); c; c = c.NextSibling())
        if (IsContentName(c.NodeName())) return true;
    return false;
}

bool HasElementChild(const TXmlNode& node) {
    for (TXmlNode c = node.FirstChild(); c; c = c.NextSibling())
        if (c.IsElement()) return true;
    return false;
}

void ReplaceAll(AnsiString& text, const AnsiString& what, const AnsiString& with) {
    for (size_t at = text.find(what); at != AnsiString::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

int64_t ToInt64(const AnsiString& s, int64_t fallback) {
    try {
        size_t used = 0;
        long long v = std::stoll(s, &used, 10);
        return used == s.size() ? v : fallback;
    } catch (...) {
        return fallback;
    }
}

} // namespace

TXMLParser::TXMLParser() : Document(std::make_unique<TXmlDocument>()) {}
TXMLParser::~TXMLParser() = default;

TXmlNode TXMLParser::AddElement(TXmlNode& parent, const AnsiString& name) {
    return parent.AppendChild(Document->CreateElement(W(name)));
}

TXmlNode TXMLParser::SelectNode(const TXmlNode& node, const AnsiString& path) const {
    return node ? node.SelectSingleNode(W(path)) : TXmlNode();
}

std::vector<TXmlNode> TXMLParser::SelectNodeList(const TXmlNode& node, const AnsiString& path) const {
    return node ? node.SelectNodes(W(path)) : std::vector<TXmlNode>();
}

AnsiString TXMLParser::GetChildText(const TXmlNode& node, const AnsiString& name) const {
    TXmlNode child = SelectNode(node, name);
    return child ? A(child.Text()) : AnsiString();
}

void TXMLParser::SetChildText(TXmlNode& node, const AnsiString& name, const AnsiString& value) {
    TXmlNode child = SelectNode(node, name);
    if (!child) child = AddElement(node, name);
    child.SetText(W(value));
}

AnsiString TXMLParser::GetNodeAttribute(const TXmlNode& node, const AnsiString& name) const {
    return node ? A(node.Attribute(W(name))) : AnsiString();
}

void TXMLParser::SetNodeAttribute(TXmlNode& node, const AnsiString& name, const AnsiString& value) {
    node.SetAttribute(W(name), W(value));
}

// ---------------------------------------------------------------- writing

AnsiString TXMLBeanParser::BeanToXml(TCommonXmlBean* bean) {
    TXMLBeanParser parser;
    parser.Write(bean);
    AnsiString text = A(parser.Document->Xml());
    // The DOM drops the encoding from the declaration when it serialises.
    ReplaceAll(text, "<?xml version=\"1.0\"?>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    return text;
}

void TXMLBeanParser::Write(TCommonXmlBean* bean) {
    Document->LoadXML(kTemplate);
    RootNode = Document->DocumentElement();
    TXmlNode head = SelectNode(RootNode, "head");
    if (bean->Head && head) {
        SetChildText(head, "incode", bean->Head->repcode);
        SetChildText(head, "returnMessage", bean->Head->returnMessage);
        WriteNodeLists(head, bean->Head);
    }
    TRequest* request = bean->Request;
    if (request && request->RawXml.empty() && request->Items && request->Items->Count() > 0) {
        TXmlNode properties = AddElement(RootNode, "properties");
        WriteItems(properties, request->Items);
    }
    if (bean->Body) WriteItems(RootNode, bean->Body->Items);
    WriteBodyExtras(bean);
}

void TXMLBeanParser::WriteItems(TXmlNode& node, TStringList* items) {
    if (!items) return;
    for (int i = 0; i < items->Count(); ++i) {
        TObject* entry = items->Objects(i);
        if (TItem* item = ExactlyA<TItem>(entry)) {
            TXmlNode el = AddElement(node, item->Tag);
            if (!item->Name.empty()) SetNodeAttribute(el, "name", item->Name);
            WriteItems(el, item->Items);
            WriteNodeLists(el, item);
        } else if (TItemProperty* cell = ExactlyA<TItemProperty>(entry)) {
            if (cell->Name.find('#') != AnsiString::npos) continue;
            TXmlNode el = AddElement(node, cell->Name);
            if (!cell->Text.empty()) el.SetText(W(cell->Text));
        } else if (TStringList* group = ExactlyA<TStringList>(entry)) {
            for (int j = 0; j < group->Count(); ++j) {
                TItemProperty* p = dynamic_cast<TItemProperty*>(group->Objects(j));
                if (!p) continue;
                TXmlNode el = AddElement(node, "cell");
                SetNodeAttribute(el, "name", p->Name);
                SetNodeAttribute(el, "value", p->GetEffectiveValue());
            }
        }
    }
}

void TXMLBeanParser::WriteNodeLists(TXmlNode& node, TCommonNodeObject* object) {
    if (object->Attributes)
        for (int i = 0; i < object->Attributes->Count(); ++i) {
            AnsiString name = object->Attributes->Strings(i);
            SetNodeAttribute(node, name, object->GetAttr(name));
        }
    if (object->Texts)
        for (int i = 0; i < object->Texts->Count(); ++i) {
            AnsiString name = object->Texts->Strings(i);
            AnsiString trimmed = TrimSpaces(name);
            if (trimmed.empty() || trimmed == "#comment") continue;
            SetChildText(node, name, object->GetText(name));
        }
}

// Raw XML, maps and response items go into a "body" element after everything else, created only
// when a bean carries such content (the launcher's beans never do).
void TXMLBeanParser::WriteBodyExtras(TCommonXmlBean* bean) {
    TRequest* request = bean->Request;
    TResponse* response = bean->Response;
    bool requestRaw = request && !request->RawXml.empty();
    bool requestMap = request && !request->Props.empty();
    bool responseAny = response && (!response->RawXml.empty() || !response->Props.empty() ||
                                    (response->Items && response->Items->Count() > 0));
    if (!requestRaw && !requestMap && !responseAny) return;
    TXmlNode body = SelectNode(RootNode, "body");
    if (!body) body = AddElement(RootNode, "body");
    if (requestRaw) {
        TXmlDocument raw;
        if (!raw.LoadXML(W(request->RawXml))) throw Exception("The request's raw XML is not well-formed");
        CopyInto(body, raw.DocumentElement());
    }
    if (requestMap) {
        TXmlNode el = AddElement(body, "request");
        for (auto& [key, value] : request->Props)
            SetChildText(el, key, value);
    }
    if (responseAny) {
        TXmlNode el = AddElement(body, "response");
        if (!response->RawXml.empty()) {
            TXmlDocument raw;
            if (!raw.LoadXML(W("<response>" + response->RawXml + "</response>")))
                throw Exception("The response's raw XML is not well-formed");
            for (TXmlNode c = raw.DocumentElement().FirstChild(); c; c = c.NextSibling())
                CopyInto(el, c);
        }
        if (response->Items && response->Items->Count() > 0) {
            TXmlNode items = AddElement(el, "items");
            WriteItems(items, response->Items);
        }
        for (auto& [key, value] : response->Props)
            SetChildText(el, key, value);
    }
}

void TXMLBeanParser::CopyInto(TXmlNode& parent, const TXmlNode& source) {
    if (!source.IsElement()) return;
    TXmlNode el = parent.AppendChild(Document->CreateElement(source.NodeName()));
    for (auto& a : source.Attributes())
        el.SetAttribute(a.NodeName(), a.Text());
    if (!HasElementChild(source)) {
        el.SetText(source.Text());
        return;
    }
    for (TXmlNode c = source.FirstChild(); c; c = c.NextSibling())
        CopyInto(el, c);
}

// ---------------------------------------------------------------- reading

std::unique_ptr<TCommonXmlBean> TXMLBeanParser::XmlToBean(const WideString& text) {
    try {
        TXMLBeanParser parser;
        return parser.Read(text);
    } catch (...) {
        return nullptr;
    }
}

std::unique_ptr<TCommonXmlBean> TXMLBeanParser::Read(const WideString& text) {
    size_t first = 0, last = text.size();
    while (first < last && text[first] <= L' ')
        ++first;
    while (last > first && text[last - 1] <= L' ')
        --last;
    if (!Document->LoadXML(text.substr(first, last - first))) return nullptr;
    RootNode = Document->DocumentElement();
    if (!RootNode) return nullptr;
    TXmlNode head = SelectNode(RootNode, "head");
    TXmlNode properties = SelectNode(RootNode, "properties");
    auto bean = std::make_unique<TCommonXmlBean>(true);
    if (head) {
        TService* h = bean->Head;
        h->handler = GetChildText(head, "handler");
        h->action = GetChildText(head, "action");
        h->handleTime = GetChildText(head, "handleTime");
        h->repcode = GetChildText(head, "repcode");
        h->returnMessage = GetChildText(head, "returnMessage");
        h->lastGetTime = GetChildText(head, "lastGetTime");
        if (TXmlNode user = SelectNode(head, "user")) {
            TUser* u = bean->User;
            u->userId = GetChildText(user, "userId");
            u->loginName = GetChildText(user, "loginName");
            u->loginType = GetChildText(user, "loginType");
            u->password = GetChildText(user, "password");
            u->userType = GetChildText(user, "userType");
            u->encryptedPassword = GetChildText(user, "encryptedPassword");
            ReadNodeLists(user, u);
        }
        AnsiString createTime = GetChildText(head, "createTime");
        if (!createTime.empty()) bean->CreateTime = ToInt64(createTime, 0);
    }
    if (properties) ReadMap(properties, bean->Response->Props);
    for (TXmlNode& list : SelectNodeList(RootNode, "arrayList")) {
        TItem* item = bean->Body->AddItem(new TItem("", ""));
        ReadItem(list, item);
    }
    return bean;
}

void TXMLBeanParser::ReadItem(const TXmlNode& node, TItem* item) {
    item->Tag = A(node.NodeName());
    item->Name = GetNodeAttribute(node, "name");
    ReadNodeLists(node, item);
    for (TXmlNode child = node.FirstChild(); child; child = child.NextSibling()) {
        if (!IsContentName(child.NodeName())) continue;
        if (HasContentChild(child)) {
            auto* sub = new TItem("", "");
            item->Items->AddObject("", sub);
            ReadItem(child, sub);
            item->Items->SetStrings(item->Items->Count() - 1, sub->Name.empty() ? sub->Tag : sub->Name);
        } else {
            auto* leaf = new TItemProperty();
            AnsiString name = GetNodeAttribute(child, "name");
            if (child.NodeName() == L"cell" && !name.empty()) {
                leaf->Name = name;
                leaf->Text = A(child.Text());
                leaf->Value = GetNodeAttribute(child, "value");
                leaf->DataType = GetNodeAttribute(child, "dataType");
            } else {
                leaf->Name = A(child.NodeName());
                leaf->Text = A(child.Text());
            }
            item->Items->AddObject(leaf->Name, leaf);
        }
    }
}

void TXMLBeanParser::ReadNodeLists(const TXmlNode& node, TCommonNodeObject* object) {
    for (auto& a : node.Attributes())
        object->AddAttr(A(a.NodeName()), A(a.Text()));
    // Only child nodes without any child node of their own (an element holding text has one).
    for (TXmlNode c = node.FirstChild(); c; c = c.NextSibling()) {
        if (c.HasChildNodes()) continue;
        WideString name = c.NodeName();
        if (name.find(L'#') != WideString::npos) continue;
        object->AddText(A(name), A(c.Text()));
    }
}

void TXMLBeanParser::ReadMap(const TXmlNode& node, std::map<AnsiString, AnsiString>& map) {
    if (!node.HasChildNodes()) return;
    map.clear();
    for (TXmlNode c = node.FirstChild(); c; c = c.NextSibling()) {
        if (!c.IsElement() || c.NodeName() == L"items") continue;
        map[GetNodeAttribute(c, "name")] = GetNodeAttribute(c, "value");
    }
}
