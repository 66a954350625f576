#include <gtest/gtest.h>

#include "launcher/XmlBeanParser.h"

namespace {

int gFreed = 0;

class CountedItem : public TItem {
public:
    ~CountedItem() override { ++gFreed; }
};

class CountedResponse : public TResponse {
public:
    ~CountedResponse() override { ++gFreed; }
};

TEST(XmlBeanTest, CellsGroupByNameWithoutRegardToCase) {
    TRequest request;
    EXPECT_EQ(request.Items, nullptr); // created by the first cell
    request.AddCell("cell", "id", "42");
    request.AddCell("CELL", "msid", "901");
    request.AddCell("other", "x", "1");
    ASSERT_EQ(request.Items->Count(), 2);
    auto* group = dynamic_cast<TStringList*>(request.Items->Objects(0));
    ASSERT_TRUE(group);
    ASSERT_EQ(group->Count(), 2);
    EXPECT_EQ(static_cast<TItemProperty*>(group->Objects(0))->Name, "id");
    EXPECT_EQ(static_cast<TItemProperty*>(group->Objects(0))->Text, "42");
    EXPECT_EQ(static_cast<TItemProperty*>(group->Objects(1))->Name, "msid");
    EXPECT_EQ(request.GetCellValue("id", false), ""); // groups are not searched
}

TEST(XmlBeanTest, LookupsCountOnlyExactItemsAndCells) {
    TItem root("root", "");
    root.AddItem(new TItem("row", "A"));
    auto* p = new TItemProperty();
    p->Name = "Code";
    p->Text = "text";
    root.Items->AddObject("Code", p);
    root.AddItem(new TRequest()); // a descendant of TItem does not count
    TItem* b = root.AddItem(new TItem("row", "B"));
    EXPECT_EQ(root.ItemAt(0)->Name, "A");
    EXPECT_EQ(root.ItemAt(1), b);
    EXPECT_EQ(root.ItemAt(2), nullptr);
    EXPECT_EQ(root.FindItem("B"), b);
    EXPECT_EQ(root.FindItem("b"), nullptr);
    EXPECT_EQ(root.GetCellValue("CODE", true), "text");
    EXPECT_EQ(root.GetCellValue("CODE", false), "");
    p->Value = "attr";
    EXPECT_EQ(root.GetCellValue("Code", false), "attr");
}

TEST(XmlBeanTest, SharedObjectsAreFreedOnce) {
    gFreed = 0;
    {
        TItem root("root", "");
        auto* shared = new CountedItem();
        root.Items->AddObject("one", shared);
        root.Items->AddObject("two", shared);
    }
    EXPECT_EQ(gFreed, 1);
    gFreed = 0;
    {
        TCommonXmlBean bean(true);
        delete bean.Response;
        bean.Response = new CountedResponse();
        delete bean.Body;
        bean.Body = bean.Response;
    }
    EXPECT_EQ(gFreed, 1);
}

TEST(XmlBeanTest, WriterPutsCellsUnderPropertiesInOrder) {
    TCommonXmlBean bean(true);
    bean.Request->AddCell("cell", "id", "2001");
    bean.Request->AddCell("cell", "msid", "901");
    AnsiString xml = TXMLBeanParser::BeanToXml(&bean);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << xml;
    size_t id = xml.find("<cell name=\"id\" value=\"2001\"");
    size_t msid = xml.find("<cell name=\"msid\" value=\"901\"");
    EXPECT_NE(id, AnsiString::npos) << xml;
    EXPECT_NE(msid, AnsiString::npos) << xml;
    EXPECT_LT(id, msid);

    std::unique_ptr<TCommonXmlBean> back = TXMLBeanParser::XmlToBean(AnsiToWide(xml));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Response->Props["id"], "2001");
    EXPECT_EQ(back->Response->Props["msid"], "901");

    TCommonXmlBean empty(true);
    empty.Head->repcode = "中文码";
    AnsiString plain = TXMLBeanParser::BeanToXml(&empty);
    EXPECT_EQ(plain.find("properties"), AnsiString::npos) << plain;
    EXPECT_NE(plain.find("<incode>中文码</incode>"), AnsiString::npos) << plain;
    EXPECT_NE(plain.find("blhName=\"\""), AnsiString::npos);
}

// Element names of the element children of a node, in order.
std::vector<WideString> ChildNames(const TXmlNode& node) {
    std::vector<WideString> names;
    for (TXmlNode c = node.FirstChild(); c; c = c.NextSibling())
        if (c.IsElement()) names.push_back(c.NodeName());
    return names;
}

TXmlNode Child(const TXmlNode& node, const wchar_t* name) {
    for (TXmlNode c = node.FirstChild(); c; c = c.NextSibling())
        if (c.IsElement() && c.NodeName() == name) return c;
    return {};
}

TEST(XmlBeanTest, ModuleListRequestHasTheEnvelopeStructure) {
    TCommonXmlBean bean(true);
    bean.Request->AddCell("cell", "msid", "900");
    AnsiString xml = TXMLBeanParser::BeanToXml(&bean);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << xml;
    TXmlDocument doc;
    ASSERT_TRUE(doc.LoadXML(AnsiToWide(xml))) << xml;
    TXmlNode root = doc.DocumentElement();
    EXPECT_EQ(root.NodeName(), L"rootVo");
    EXPECT_TRUE(root.HasAttribute(L"blhName"));
    EXPECT_EQ(root.Attribute(L"blhName"), L"");
    EXPECT_TRUE(root.HasAttribute(L"class"));
    EXPECT_EQ(root.Attribute(L"class"), L"");
    EXPECT_EQ(ChildNames(root), (std::vector<WideString>{L"head", L"properties"}));
    TXmlNode head = Child(root, L"head");
    EXPECT_EQ(ChildNames(head), (std::vector<WideString>{L"incode", L"returnMessage"}));
    EXPECT_EQ(head.Text(), L"");
    TXmlNode properties = Child(root, L"properties");
    ASSERT_EQ(ChildNames(properties), std::vector<WideString>{L"cell"});
    TXmlNode cell = Child(properties, L"cell");
    EXPECT_EQ(cell.Attribute(L"name"), L"msid");
    EXPECT_EQ(cell.Attribute(L"value"), L"900");
}

TEST(XmlBeanTest, WriterRulesForBodyItems) {
    TCommonXmlBean bean(true);
    bean.Head->returnMessage = "消息";
    auto* list = bean.Body->AddItem(new TItem("arrayList", "list1"));
    auto* row = list->AddItem(new TItem("row", ""));
    auto addLeaf = [](TItem* item, const char* name, const char* text, const char* value) {
        auto* p = new TItemProperty();
        p->Name = name;
        p->Text = text;
        p->Value = value; // never written for a leaf
        item->Items->AddObject(name, p);
    };
    addLeaf(row, "moduleType", "20", "ignored");
    addLeaf(row, "empty", "", "");
    addLeaf(row, "a#b", "skipped", "");
    row->Items->AddObject("other", new TNameValue("x", "y")); // not an entry kind: skipped
    row->AddAttr("kind", "m");
    row->AddText("note", "备注");
    row->AddText("#comment", "skipped");
    row->AddText("  ", "skipped");
    list->AddCell("grp", "id", "7"); // a group writes cells, not its own name

    AnsiString xml = TXMLBeanParser::BeanToXml(&bean);
    TXmlDocument doc;
    ASSERT_TRUE(doc.LoadXML(AnsiToWide(xml))) << xml;
    TXmlNode root = doc.DocumentElement();
    EXPECT_EQ(ChildNames(root), (std::vector<WideString>{L"head", L"arrayList"})) << xml;
    EXPECT_EQ(Child(Child(root, L"head"), L"returnMessage").Text(), L"消息");
    TXmlNode arrayList = Child(root, L"arrayList");
    EXPECT_EQ(arrayList.Attribute(L"name"), L"list1");
    EXPECT_EQ(ChildNames(arrayList), (std::vector<WideString>{L"row", L"cell"})) << xml;
    TXmlNode rowEl = Child(arrayList, L"row");
    EXPECT_FALSE(rowEl.HasAttribute(L"name"));
    EXPECT_EQ(rowEl.Attribute(L"kind"), L"m");
    EXPECT_EQ(ChildNames(rowEl), (std::vector<WideString>{L"moduleType", L"empty", L"note"})) << xml;
    EXPECT_EQ(Child(rowEl, L"moduleType").Text(), L"20");
    EXPECT_FALSE(Child(rowEl, L"empty").HasChildNodes());
    EXPECT_EQ(Child(rowEl, L"note").Text(), L"备注");
    TXmlNode cell = Child(arrayList, L"cell");
    EXPECT_EQ(cell.Attribute(L"name"), L"id");
    EXPECT_EQ(cell.Attribute(L"value"), L"7");
}

TEST(XmlBeanTest, ReaderTable) {
    struct Case {
        const char* what;
        const wchar_t* text;
        std::function<void(TCommonXmlBean&)> check;
    };
    std::vector<Case> cases = {
        {"head only",
         L"<rootVo><head><repcode>1</repcode><returnMessage>好</returnMessage><createTime>123</createTime></"
         L"head></rootVo>",
         [](TCommonXmlBean& b) {
             EXPECT_EQ(b.Head->repcode, "1");
             EXPECT_EQ(b.Head->returnMessage, "好");
             EXPECT_EQ(b.CreateTime, 123);
             EXPECT_EQ(b.Body->Items->Count(), 0);
         }},
        {"leading blank lines",
         L"\r\n  \n<?xml version=\"1.0\" "
         L"encoding=\"UTF-8\"?><rootVo><head><createTime>x1</createTime></head></rootVo>\n",
         [](TCommonXmlBean& b) { EXPECT_EQ(b.CreateTime, 0); }},
        {"element cells and attribute cells",
         L"<rootVo><arrayList name=\"list1\"><row><moduleType>20</moduleType></row>"
         L"<row><cell name=\"id\" value=\"\">text</cell><cell name=\"v\" value=\"attr\" "
         L"dataType=\"S\">t</cell></row></arrayList></rootVo>",
         [](TCommonXmlBean& b) {
             TItem* list = b.Body->FindItem("list1");
             ASSERT_TRUE(list);
             EXPECT_EQ(b.Body->Items->Strings(0), "");
             TItem* row0 = list->ItemAt(0);
             ASSERT_TRUE(row0);
             auto* leaf = dynamic_cast<TItemProperty*>(row0->Items->Objects(0));
             ASSERT_TRUE(leaf);
             EXPECT_EQ(leaf->Name, "moduleType");
             EXPECT_EQ(leaf->Text, "20");
             EXPECT_EQ(leaf->Value, "");
             TItem* row1 = list->ItemAt(1);
             ASSERT_TRUE(row1);
             EXPECT_EQ(row1->GetCellValue("id", false), "text");
             EXPECT_EQ(row1->GetCellValue("v", false), "attr");
         }},
        {"repeated property keeps the later value",
         L"<rootVo><properties><cell name=\"a\" value=\"1\"/><items/><cell name=\"a\" "
         L"value=\"2\"/></properties></rootVo>",
         [](TCommonXmlBean& b) {
             EXPECT_EQ(b.Response->Props.size(), 1u);
             EXPECT_EQ(b.Response->Props["a"], "2");
         }},
        {"user",
         L"<rootVo><head><user loginType=\"1\"><loginName>李四</loginName><empty/></user></head></rootVo>",
         [](TCommonXmlBean& b) {
             EXPECT_EQ(b.User->loginName, "李四");
             EXPECT_EQ(b.User->GetAttr("LOGINTYPE"), "1");
             // Texts take only child nodes without children of their own: <empty/>, not
             // <loginName>, whose text is a child node.
             ASSERT_EQ(b.User->Texts->Count(), 1);
             EXPECT_EQ(b.User->Texts->Strings(0), "empty");
             EXPECT_EQ(b.User->GetText("loginName"), "");
         }},
    };
    for (auto& c : cases) {
        std::unique_ptr<TCommonXmlBean> bean = TXMLBeanParser::XmlToBean(c.text);
        ASSERT_TRUE(bean) << c.what;
        SCOPED_TRACE(c.what);
        c.check(*bean);
    }
    for (const wchar_t* bad : {L"", L"<rootVo>", L"not xml", L"<a></b>"})
        EXPECT_FALSE(TXMLBeanParser::XmlToBean(bad)) << WideToAnsi(bad);
}

TEST(XmlBeanTest, EnvelopesWithADocumentTypeDeclarationAreNotRead) {
    const WideString head = L"<head><repcode>1</repcode><returnMessage>&e;</returnMessage></head>";
    // An entity of 50,000 characters used 200 times: 10 million characters once expanded.
    WideString uses;
    for (int i = 0; i < 200; ++i)
        uses += L"&e;";
    const WideString expand = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE rootVo [<!ENTITY e \"" +
                              WideString(50000, L'x') + L"\">]><rootVo><head><returnMessage>" + uses +
                              L"</returnMessage></head></rootVo>";
    for (const WideString& text : std::vector<WideString>{
             expand,
             L"\r\n  <?xml version=\"1.0\"?>\n<!-- list -->\n<!DOCTYPE rootVo [<!ENTITY e SYSTEM "
             L"\"file:///etc/passwd\">]><rootVo>" +
                 head + L"</rootVo>",
             L"\xFEFF<!DOCTYPE rootVo><rootVo><head><repcode>1</repcode></head></rootVo>"})
        EXPECT_FALSE(TXMLBeanParser::XmlToBean(text)) << WideToAnsi(text.substr(0, 80));
    // Only a declaration is refused, not its text elsewhere.
    std::unique_ptr<TCommonXmlBean> bean = TXMLBeanParser::XmlToBean(
        L"<!-- <!DOCTYPE rootVo> --><rootVo><head><returnMessage><![CDATA[<!DOCTYPE x>]]></returnMessage>"
        L"</head></rootVo>");
    ASSERT_TRUE(bean);
    EXPECT_EQ(bean->Head->returnMessage, "<!DOCTYPE x>");
}

} // namespace
