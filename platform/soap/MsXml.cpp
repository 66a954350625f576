#include "platform/soap/MsXml.h"

#include <ole2.h>
#include <msxml2.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "platform/core/Exceptions.h"

namespace {

// DOMDocument of the Microsoft XML DOM and its IXMLDOMDocument2 interface.
const CLSID kClsidDomDocument = {
    0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const IID kIidDomDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidDomElement = {0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

[[noreturn]] void Fail(const char* what, HRESULT hr) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "XML DOM: %s failed (0x%08lX)", what, static_cast<unsigned long>(hr));
    throw Exception(buf);
}

void Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) Fail(what, hr);
}

// Owns a BSTR for the length of one call.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const WideString& s) : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {
        if (!b_ && !s.empty()) throw Exception("Out of memory");
    }
    ~Bstr() { SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR* Out() { return &b_; }
    BSTR Get() const { return b_; }
    WideString Str() const { return b_ ? WideString(b_, SysStringLen(b_)) : WideString(); }

private:
    BSTR b_ = nullptr;
};

template <class F> WideString ReadBstr(F&& get, const char* what) {
    Bstr b;
    Check(get(b.Out()), what);
    return b.Str();
}

TXmlNode Adopt(IXMLDOMNode* node) {
    return TXmlNode(node, false);
}

std::vector<TXmlNode> ListNodes(IXMLDOMNodeList* list) {
    std::vector<TXmlNode> out;
    if (!list) return out;
    long n = 0;
    list->get_length(&n);
    out.reserve(static_cast<size_t>(n));
    for (long i = 0; i < n; ++i) {
        IXMLDOMNode* item = nullptr;
        if (SUCCEEDED(list->get_item(i, &item)) && item) out.push_back(Adopt(item));
    }
    list->Release();
    return out;
}

IXMLDOMElement* AsElement(IXMLDOMNode* node) {
    IXMLDOMElement* el = nullptr;
    if (node && SUCCEEDED(node->QueryInterface(kIidDomElement, reinterpret_cast<void**>(&el)))) return el;
    return nullptr;
}

// What the start of a document holds before its root element.
enum class TProlog { Clean, DocumentType, NotMarkup };

// Walks the prolog (white space, XML declaration, processing instructions, comments) over code
// units read by unit(i), which answers -1 past the end. Only ASCII markup matters here, so the
// units need not be decoded.
template <class UnitAt> TProlog ScanProlog(UnitAt unit) {
    auto at = [&](size_t i, const char* s) {
        for (; *s; ++s, ++i)
            if (unit(i) != static_cast<unsigned char>(*s)) return false;
        return true;
    };
    auto skipPast = [&](size_t i, const char* end) -> size_t {
        for (; unit(i) >= 0; ++i)
            if (at(i, end)) return i + std::strlen(end);
        return SIZE_MAX;
    };
    size_t i = unit(0) == 0xFEFF ? 1 : 0;
    for (;;) {
        long c;
        while ((c = unit(i)) == ' ' || c == '\t' || c == '\r' || c == '\n')
            ++i;
        if (c != '<') return TProlog::NotMarkup;
        if (at(i, "<?"))
            i = skipPast(i + 2, "?>");
        else if (at(i, "<!--"))
            i = skipPast(i + 4, "-->");
        else if (at(i, "<!"))
            return TProlog::DocumentType; // the only other declaration a prolog may hold
        else
            return TProlog::Clean;
        if (i == SIZE_MAX) return TProlog::Clean; // unterminated: the parser refuses it
    }
}

TProlog ScanProlog(const WideString& text) {
    return ScanProlog([&](size_t i) -> long { return i < text.size() ? static_cast<long>(text[i]) : -1; });
}

// Bytes in any encoding the parser detects by itself: UTF-8 and other ASCII-based encodings,
// UTF-16 and UCS-4 in either byte order, with or without a byte-order mark.
TProlog ScanProlog(const unsigned char* b, size_t size) {
    size_t skip = 0, width = 1;
    bool big = false;
    auto starts = [&](std::initializer_list<int> bytes) {
        if (size < bytes.size()) return false;
        size_t k = 0;
        for (int v : bytes) {
            if (v < 0 ? b[k] == 0 : b[k] != v) return false;
            ++k;
        }
        return true;
    };
    const int x = -1; // any byte but zero
    if (starts({0xEF, 0xBB, 0xBF}))
        skip = 3;
    else if (starts({0x00, 0x00, 0xFE, 0xFF}))
        skip = 4, width = 4, big = true;
    else if (starts({0xFF, 0xFE, 0x00, 0x00}))
        skip = 4, width = 4;
    else if (starts({0xFE, 0xFF}))
        skip = 2, width = 2, big = true;
    else if (starts({0xFF, 0xFE}))
        skip = 2, width = 2;
    else if (starts({0x00, 0x00, 0x00, x}))
        width = 4, big = true;
    else if (starts({x, 0x00, 0x00, 0x00}))
        width = 4;
    else if (starts({0x00, x}))
        width = 2, big = true;
    else if (starts({x, 0x00}))
        width = 2;
    return ScanProlog([&](size_t i) -> long {
        size_t at = skip + i * width;
        if (at + width > size) return -1;
        unsigned long v = 0;
        for (size_t k = 0; k < width; ++k)
            v |= static_cast<unsigned long>(b[at + k]) << (8 * (big ? width - 1 - k : k));
        return static_cast<long>(v);
    });
}

const wchar_t kDocumentTypeRefused[] = L"A document type declaration is not accepted";

} // namespace

TXmlNode::TXmlNode(IXMLDOMNode* node, bool addRef) : node_(node) {
    if (node_ && addRef) node_->AddRef();
}
TXmlNode::TXmlNode(const TXmlNode& other) : node_(other.node_) {
    if (node_) node_->AddRef();
}
TXmlNode::TXmlNode(TXmlNode&& other) noexcept : node_(other.node_) {
    other.node_ = nullptr;
}
TXmlNode& TXmlNode::operator=(TXmlNode other) noexcept {
    std::swap(node_, other.node_);
    return *this;
}
TXmlNode::~TXmlNode() {
    if (node_) node_->Release();
}

bool TXmlNode::SameNode(const TXmlNode& other) const {
    if (!node_ || !other.node_) return node_ == other.node_;
    IUnknown* a = nullptr;
    IUnknown* b = nullptr;
    node_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
    other.node_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
    bool same = a == b;
    if (a) a->Release();
    if (b) b->Release();
    return same;
}

WideString TXmlNode::NodeName() const {
    return ReadBstr([&](BSTR* b) { return node_->get_nodeName(b); }, "nodeName");
}
WideString TXmlNode::BaseName() const {
    return ReadBstr([&](BSTR* b) { return node_->get_baseName(b); }, "baseName");
}
WideString TXmlNode::NamespaceURI() const {
    return ReadBstr([&](BSTR* b) { return node_->get_namespaceURI(b); }, "namespaceURI");
}
bool TXmlNode::IsElement() const {
    DOMNodeType t = NODE_INVALID;
    node_->get_nodeType(&t);
    return t == NODE_ELEMENT;
}
WideString TXmlNode::Text() const {
    return ReadBstr([&](BSTR* b) { return node_->get_text(b); }, "text");
}
void TXmlNode::SetText(const WideString& text) {
    Bstr b(text);
    Check(node_->put_text(b.Get()), "put_text");
}

TXmlNode TXmlNode::FirstChild() const {
    IXMLDOMNode* c = nullptr;
    node_->get_firstChild(&c);
    return Adopt(c);
}
TXmlNode TXmlNode::NextSibling() const {
    IXMLDOMNode* c = nullptr;
    node_->get_nextSibling(&c);
    return Adopt(c);
}
std::vector<TXmlNode> TXmlNode::ChildNodes() const {
    IXMLDOMNodeList* list = nullptr;
    Check(node_->get_childNodes(&list), "childNodes");
    return ListNodes(list);
}
bool TXmlNode::HasChildNodes() const {
    VARIANT_BOOL has = VARIANT_FALSE;
    node_->hasChildNodes(&has);
    return has == VARIANT_TRUE;
}
TXmlNode TXmlNode::AppendChild(const TXmlNode& child) {
    IXMLDOMNode* out = nullptr;
    Check(node_->appendChild(child.node_, &out), "appendChild");
    return Adopt(out);
}

bool TXmlNode::HasAttribute(const WideString& name) const {
    IXMLDOMNamedNodeMap* map = nullptr;
    if (FAILED(node_->get_attributes(&map)) || !map) return false;
    Bstr b(name);
    IXMLDOMNode* attr = nullptr;
    map->getNamedItem(b.Get(), &attr);
    map->Release();
    if (!attr) return false;
    attr->Release();
    return true;
}

WideString TXmlNode::Attribute(const WideString& name) const {
    IXMLDOMNamedNodeMap* map = nullptr;
    if (FAILED(node_->get_attributes(&map)) || !map) return {};
    Bstr b(name);
    IXMLDOMNode* attr = nullptr;
    map->getNamedItem(b.Get(), &attr);
    map->Release();
    if (!attr) return {};
    return Adopt(attr).Text();
}

void TXmlNode::SetAttribute(const WideString& name, const WideString& value) {
    IXMLDOMElement* el = AsElement(node_);
    if (!el) throw Exception("XML DOM: attributes need an element");
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    Bstr b(name);
    HRESULT hr = el->setAttribute(b.Get(), v);
    VariantClear(&v);
    el->Release();
    Check(hr, "setAttribute");
}

std::vector<TXmlNode> TXmlNode::Attributes() const {
    std::vector<TXmlNode> out;
    IXMLDOMNamedNodeMap* map = nullptr;
    if (FAILED(node_->get_attributes(&map)) || !map) return out;
    long n = 0;
    map->get_length(&n);
    for (long i = 0; i < n; ++i) {
        IXMLDOMNode* a = nullptr;
        if (SUCCEEDED(map->get_item(i, &a)) && a) out.push_back(Adopt(a));
    }
    map->Release();
    return out;
}

TXmlNode TXmlNode::SelectSingleNode(const WideString& path) const {
    if (!node_) return {};
    Bstr b(path);
    IXMLDOMNode* out = nullptr;
    node_->selectSingleNode(b.Get(), &out);
    return Adopt(out);
}

std::vector<TXmlNode> TXmlNode::SelectNodes(const WideString& path) const {
    if (!node_) return {};
    Bstr b(path);
    IXMLDOMNodeList* list = nullptr;
    node_->selectNodes(b.Get(), &list);
    return ListNodes(list);
}

TXmlDocument::TXmlDocument() {
    HRESULT hr = CoCreateInstance(kClsidDomDocument, nullptr, CLSCTX_INPROC_SERVER, kIidDomDocument2,
                                  reinterpret_cast<void**>(&doc_));
    if (FAILED(hr)) Fail("creating DOMDocument", hr);
    doc_->put_async(VARIANT_FALSE);
    // Where the DOM honours them, these keep it from reading a declaration at all; the checks in
    // the loads below hold where it does not.
    doc_->put_validateOnParse(VARIANT_FALSE);
    doc_->put_resolveExternals(VARIANT_FALSE);
    Bstr prohibit(WideString(L"ProhibitDTD"));
    VARIANT on;
    VariantInit(&on);
    on.vt = VT_BOOL;
    on.boolVal = VARIANT_TRUE;
    doc_->setProperty(prohibit.Get(), on);
}

TXmlDocument::~TXmlDocument() {
    if (doc_) doc_->Release();
}

bool TXmlDocument::Refuse(const wchar_t* reason) {
    refusal_ = reason;
    // Leave no earlier document behind.
    Bstr empty(WideString{});
    VARIANT_BOOL ok = VARIANT_FALSE;
    doc_->loadXML(empty.Get(), &ok);
    return false;
}

bool TXmlDocument::Accept(bool parsed) {
    if (!parsed) return false;
    // Whatever the prolog scan could not see, the parsed document still tells.
    IXMLDOMDocumentType* type = nullptr;
    if (SUCCEEDED(doc_->get_doctype(&type)) && type) {
        type->Release();
        return Refuse(kDocumentTypeRefused);
    }
    return true;
}

bool TXmlDocument::LoadXML(const WideString& text) {
    refusal_.clear();
    if (ScanProlog(text) == TProlog::DocumentType) return Refuse(kDocumentTypeRefused);
    Bstr b(text);
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT hr = doc_->loadXML(b.Get(), &ok);
    return Accept(SUCCEEDED(hr) && ok == VARIANT_TRUE);
}

bool TXmlDocument::LoadBytes(const void* data, std::size_t size) {
    refusal_.clear();
    switch (ScanProlog(static_cast<const unsigned char*>(data), size)) {
    case TProlog::DocumentType:
        return Refuse(kDocumentTypeRefused);
    case TProlog::NotMarkup:
        // Not XML in an encoding told by its first bytes (an EBCDIC text, say), which the scan
        // cannot read for a declaration.
        return Refuse(L"The text does not begin with XML markup");
    case TProlog::Clean:
        break;
    }
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size));
    if (!array) throw Exception("Out of memory");
    void* dest = nullptr;
    SafeArrayAccessData(array, &dest);
    if (size) std::memcpy(dest, data, size);
    SafeArrayUnaccessData(array);
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ARRAY | VT_UI1;
    v.parray = array;
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT hr = doc_->load(v, &ok);
    VariantClear(&v);
    return Accept(SUCCEEDED(hr) && ok == VARIANT_TRUE);
}

WideString TXmlDocument::ParseErrorReason() const {
    if (!refusal_.empty()) return refusal_;
    IXMLDOMParseError* err = nullptr;
    if (FAILED(doc_->get_parseError(&err)) || !err) return {};
    Bstr b;
    err->get_reason(b.Out());
    err->Release();
    return b.Str();
}

TXmlNode TXmlDocument::DocumentElement() const {
    IXMLDOMElement* el = nullptr;
    doc_->get_documentElement(&el);
    if (!el) return {};
    IXMLDOMNode* node = nullptr;
    el->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(&node));
    el->Release();
    return Adopt(node);
}

TXmlNode TXmlDocument::CreateElement(const WideString& name) {
    Bstr b(name);
    IXMLDOMElement* el = nullptr;
    Check(doc_->createElement(b.Get(), &el), "createElement");
    IXMLDOMNode* node = nullptr;
    el->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(&node));
    el->Release();
    return Adopt(node);
}

WideString TXmlDocument::Xml() const {
    return ReadBstr([&](BSTR* b) { return doc_->get_xml(b); }, "xml");
}
