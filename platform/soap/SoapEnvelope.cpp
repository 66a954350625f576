#include "platform/soap/SoapEnvelope.h"

#include <cstdint>
#include <deque>
#include <map>
#include <string_view>

#include "platform/soap/Base64.h"
#include "platform/soap/MsXml.h"

const wchar_t* const SSoapEnvelopeNS = L"http://schemas.xmlsoap.org/soap/envelope/";
const wchar_t* const SSoapEncodingNS = L"http://schemas.xmlsoap.org/soap/encoding/";
const wchar_t* const SXMLSchemaNS = L"http://www.w3.org/2001/XMLSchema";
const wchar_t* const SXMLSchemaInstNS = L"http://www.w3.org/2001/XMLSchema-instance";

namespace {

const TRemotableClassInfo& ClassOf(std::type_index type) {
    const TRemotableClassInfo* info = RemClassRegistry().Find(type);
    if (!info) throw Exception(AnsiString("Remotable class not registered: ") + type.name());
    return *info;
}

// ---------------------------------------------------------------- writer

class TRequestWriter {
public:
    std::string Build(const WideString& opNs, const WideString& op, const std::vector<TSoapParam>& params) {
        out_ += "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
        out_ += "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"";
        Utf8(SSoapEnvelopeNS);
        out_ += "\" xmlns:xsd=\"";
        Utf8(SXMLSchemaNS);
        out_ += "\" xmlns:xsi=\"";
        Utf8(SXMLSchemaInstNS);
        out_ += "\" xmlns:SOAP-ENC=\"";
        Utf8(SSoapEncodingNS);
        out_ += "\"><SOAP-ENV:Body SOAP-ENV:encodingStyle=\"";
        Utf8(SSoapEncodingNS);
        out_ += "\">";
        std::string opPrefix = Prefix(opNs);
        out_ += "<" + opPrefix + ":";
        Escaped(op, true);
        out_ += " xmlns:" + opPrefix + "=\"";
        Escaped(opNs, true);
        out_ += "\">";
        for (auto& p : params) {
            if (p.IsObject) {
                Ref(p.Name, p.Obj, p.Type);
            } else {
                StringElement(p.Name, p.Str);
            }
        }
        out_ += "</" + opPrefix + ":";
        Escaped(op, true);
        out_ += ">";
        // Multi-reference elements in id order; writing one may queue more.
        while (!queue_.empty()) {
            auto [id, obj, type] = queue_.front();
            queue_.pop_front();
            MultiRef(id, *obj, ClassOf(type));
        }
        out_ += "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
        return std::move(out_);
    }

private:
    struct Pending {
        int Id;
        const TRemotable* Obj;
        std::type_index Type;
    };

    void Utf8(const WideString& s) { out_ += WideToAnsi(s, CP_UTF8); }

    void Escaped(const WideString& s, bool attribute) {
        std::string u = WideToAnsi(s, CP_UTF8);
        for (char c : u) {
            switch (c) {
            case '&':
                out_ += "&amp;";
                break;
            case '<':
                out_ += "&lt;";
                break;
            case '>':
                out_ += "&gt;";
                break;
            case '\r':
                out_ += "&#xD;";
                break;
            case '"':
                if (attribute) {
                    out_ += "&quot;";
                    break;
                }
                [[fallthrough]];
            default:
                out_ += c;
            }
        }
    }

    std::string Prefix(const WideString& ns) {
        auto it = prefixes_.find(ns);
        if (it != prefixes_.end()) return it->second;
        std::string p = "NS" + std::to_string(prefixes_.size() + 1);
        prefixes_.emplace(ns, p);
        return p;
    }

    void StringElement(const WideString& name, const WideString& value) {
        Open(name);
        out_ += " xsi:type=\"xsd:string\">";
        Escaped(value, false);
        Close(name);
    }

    void Open(const WideString& name) {
        out_ += "<";
        Escaped(name, true);
    }
    void Close(const WideString& name) {
        out_ += "</";
        Escaped(name, true);
        out_ += ">";
    }

    void Ref(const WideString& name, const TRemotable* obj, std::type_index type) {
        Open(name);
        if (!obj) {
            out_ += " xsi:nil=\"true\"/>";
            return;
        }
        int id = nextId_++;
        queue_.push_back({id, obj, type});
        out_ += " href=\"#" + std::to_string(id) + "\"/>";
    }

    void MultiRef(int id, const TRemotable& obj, const TRemotableClassInfo& cls) {
        // The namespaces this element uses: its own and those of its arrays' elements.
        std::map<WideString, std::string> local;
        local.emplace(cls.Namespace, Prefix(cls.Namespace));
        for (auto& p : cls.Props)
            if (p.Kind == TRemPropKind::ObjectArray) {
                const WideString& ns = ClassOf(p.ElemType).Namespace;
                local.emplace(ns, Prefix(ns));
            }
        std::string prefix = local[cls.Namespace];
        WideString tag = cls.Name;
        out_ += "<" + prefix + ":";
        Escaped(tag, true);
        out_ += " id=\"" + std::to_string(id) + "\" xsi:type=\"" + prefix + ":";
        Escaped(tag, true);
        out_ += "\"";
        for (auto& [ns, pfx] : local) {
            out_ += " xmlns:" + pfx + "=\"";
            Escaped(ns, true);
            out_ += "\"";
        }
        out_ += ">";
        auto& o = const_cast<TRemotable&>(obj);
        for (auto& p : cls.Props) {
            switch (p.Kind) {
            case TRemPropKind::String:
                StringElement(p.Name, p.Str(o));
                break;
            case TRemPropKind::Bytes: {
                const TByteDynArray& bytes = p.Bytes(o);
                Open(p.Name);
                out_ += " xsi:type=\"xsd:base64Binary\">";
                Base64Append(out_, bytes.data(), bytes.size());
                Close(p.Name);
                break;
            }
            case TRemPropKind::ObjectArray: {
                const TRemotableClassInfo& elem = ClassOf(p.ElemType);
                std::vector<TRemotable*> items = p.Elems(o);
                Open(p.Name);
                out_ += " xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"" + local[elem.Namespace] + ":";
                Escaped(elem.Name, true);
                out_ += "[" + std::to_string(items.size()) + "]\">";
                for (TRemotable* item : items)
                    Ref(L"item", item, p.ElemType);
                Close(p.Name);
                break;
            }
            }
        }
        out_ += "</" + prefix + ":";
        Escaped(tag, true);
        out_ += ">";
    }

    std::string out_;
    std::map<WideString, std::string> prefixes_;
    std::deque<Pending> queue_;
    int nextId_ = 1;
};

// ---------------------------------------------------------------- reader

// Long base64 texts are decoded straight from the reply's bytes and kept out of the DOM, which
// would hold them as UTF-16 text and answer them in more UTF-16 copies: a package is held once.
// The DOM keeps a marker in their place.
constexpr size_t LiftedMinimum = 64 * 1024;
const wchar_t LiftedMarker[] = L"#vz-lifted-base64:";

// The body with every long element text of base64 characters that decodes cleanly replaced by
// a marker; the decoded bytes go to lifted. Text that does not decode stays for the reader.
// When the body's own storage is given (owner), the first such text is decoded in place to the
// front of it and the storage becomes that value: a package's bytes take no memory of their own.
std::string LiftBase64(std::string_view body, TByteDynArray* owner, std::vector<TByteDynArray>& lifted) {
    std::string out;
    size_t copied = 0;
    size_t adopted = SIZE_MAX, adoptedLength = 0;
    for (size_t at = body.find('>'); at != std::string_view::npos; at = body.find('>', at)) {
        ++at;
        // A text is lifted whole, up to its element's end, or not at all.
        bool decodes = false;
        const size_t end = at + Base64Extent(body.data() + at, body.size() - at, decodes);
        if (end - at < LiftedMinimum || end == body.size() || body[end] != '<' || !decodes) {
            at = end;
            continue;
        }
        // Everything before the text is copied out first: the bytes are written over it.
        out.append(body, copied, at - copied);
        if (owner && adopted == SIZE_MAX) {
            adoptedLength = Base64DecodeInto(body.data() + at, end - at, owner->data());
            adopted = lifted.size();
            lifted.emplace_back();
        } else {
            lifted.push_back(Base64Decode(body.data() + at, end - at));
        }
        out += WideToAnsi(LiftedMarker + std::to_wstring(lifted.size() - 1), CP_UTF8);
        copied = end;
        at = end;
    }
    if (copied == 0) return {};
    out.append(body, copied, std::string_view::npos);
    if (adopted != SIZE_MAX) {
        owner->resize(adoptedLength);
        lifted[adopted] = std::move(*owner);
        TByteDynArray().swap(*owner);
    }
    return out;
}

class TResponseReader {
public:
    TResponseReader(const TXmlNode& body, std::vector<TByteDynArray>& lifted) : lifted_(lifted) {
        // Every element under the body that carries an id can be the target of an href.
        Index(body);
    }

    std::unique_ptr<TRemotable> ReadObject(const TXmlNode& at, const TRemotableClassInfo& cls, int depth) {
        if (depth > 32) throw Exception("SOAP response: references nest too deep");
        TXmlNode node = Resolve(at);
        if (IsNil(node)) return nullptr;
        std::unique_ptr<TRemotable> obj = cls.Create();
        for (TXmlNode child = node.FirstChild(); child; child = child.NextSibling()) {
            if (!child.IsElement()) continue;
            WideString name = child.BaseName();
            for (auto& p : cls.Props) {
                if (p.Name != name) continue;
                TXmlNode value = Resolve(child);
                bool nil = IsNil(value);
                switch (p.Kind) {
                case TRemPropKind::String:
                    p.Str(*obj) = nil ? WideString() : TextOf(value);
                    break;
                case TRemPropKind::Bytes:
                    if (nil) {
                        p.Bytes(*obj).clear();
                    } else {
                        WideString text = value.Text();
                        if (TByteDynArray* bytes = Lifted(text))
                            p.Bytes(*obj) = std::move(*bytes);
                        else
                            p.Bytes(*obj) = Base64Decode(text.data(), text.size());
                    }
                    break;
                case TRemPropKind::ObjectArray: {
                    std::vector<std::unique_ptr<TRemotable>> items;
                    if (!nil) {
                        const TRemotableClassInfo& elem = ClassOf(p.ElemType);
                        for (TXmlNode item = value.FirstChild(); item; item = item.NextSibling())
                            if (item.IsElement()) items.push_back(ReadObject(item, elem, depth + 1));
                    }
                    p.SetElems(*obj, std::move(items));
                    break;
                }
                }
                break;
            }
        }
        return obj;
    }

    // The node's text, a lifted text given back as base64.
    WideString TextOf(const TXmlNode& node) {
        WideString text = node.Text();
        if (TByteDynArray* bytes = Lifted(text)) {
            std::string b64;
            Base64Append(b64, bytes->data(), bytes->size());
            return AnsiToWide(b64, CP_UTF8);
        }
        return text;
    }

private:
    TByteDynArray* Lifted(const WideString& text) {
        const size_t marker = std::size(LiftedMarker) - 1;
        if (text.size() <= marker || text.compare(0, marker, LiftedMarker) != 0) return nullptr;
        size_t index = 0;
        for (size_t i = marker; i < text.size(); ++i) {
            if (text[i] < L'0' || text[i] > L'9') return nullptr;
            index = index * 10 + static_cast<size_t>(text[i] - L'0');
        }
        return index < lifted_.size() ? &lifted_[index] : nullptr;
    }

    void Index(const TXmlNode& node) {
        for (TXmlNode child = node.FirstChild(); child; child = child.NextSibling()) {
            if (!child.IsElement()) continue;
            if (child.HasAttribute(L"id")) ids_.emplace(child.Attribute(L"id"), child);
            Index(child);
        }
    }

    TXmlNode Resolve(const TXmlNode& node) {
        TXmlNode current = node;
        for (int hops = 0; current.HasAttribute(L"href"); ++hops) {
            WideString href = current.Attribute(L"href");
            if (hops > 16 || href.empty() || href[0] != L'#') throw Exception("SOAP response: bad href");
            auto it = ids_.find(href.substr(1));
            if (it == ids_.end())
                throw Exception("SOAP response: no element with id " + WideToAnsi(href.substr(1)));
            current = it->second;
        }
        return current;
    }

    static bool IsNil(const TXmlNode& node) {
        for (auto& a : node.Attributes()) {
            if (a.BaseName() == L"nil" && a.NamespaceURI() == SXMLSchemaInstNS) {
                WideString v = a.Text();
                return v == L"true" || v == L"1";
            }
        }
        return false;
    }

    std::map<WideString, TXmlNode> ids_;
    std::vector<TByteDynArray>& lifted_;
};

TXmlNode FirstElement(const TXmlNode& parent, const wchar_t* baseName = nullptr) {
    for (TXmlNode c = parent.FirstChild(); c; c = c.NextSibling())
        if (c.IsElement() && (!baseName || c.BaseName() == baseName)) return c;
    return {};
}

} // namespace

std::string BuildSoapRequest(const WideString& operationNamespace, const WideString& operation,
                             const std::vector<TSoapParam>& params) {
    return TRequestWriter().Build(operationNamespace, operation, params);
}

namespace {

// owned, when given, is the body's storage: it becomes a long base64 value or is let go once
// the DOM holds its text.
std::unique_ptr<TRemotable> Parse(std::string_view body, TByteDynArray* owned, std::type_index returnType) {
    const TRemotableClassInfo& cls = ClassOf(returnType);
    std::vector<TByteDynArray> lifted;
    // With anything lifted, the owned body has become the first value and is empty here.
    std::string rest = LiftBase64(body, owned, lifted);
    // A body whose text was lifted may have been written over: only the rest is read.
    const std::string_view text = lifted.empty() ? body : std::string_view(rest);
    TXmlDocument doc;
    const bool loaded = doc.LoadBytes(text.data(), text.size());
    if (owned) TByteDynArray().swap(*owned);
    std::string().swap(rest);
    if (!loaded) throw Exception("Invalid SOAP response: " + WideToAnsi(doc.ParseErrorReason()));
    TXmlNode env = doc.DocumentElement();
    if (!env || env.BaseName() != L"Envelope" || env.NamespaceURI() != SSoapEnvelopeNS)
        throw Exception("Invalid SOAP response: no SOAP envelope");
    TXmlNode body_ = FirstElement(env, L"Body");
    if (!body_) throw Exception("Invalid SOAP response: no SOAP body");
    TResponseReader reader(body_, lifted);
    TXmlNode fault = FirstElement(body_, L"Fault");
    if (fault && fault.NamespaceURI() == SSoapEnvelopeNS) {
        TXmlNode code = FirstElement(fault, L"faultcode");
        TXmlNode text = FirstElement(fault, L"faultstring");
        throw ERemotableException(text ? WideToAnsi(reader.TextOf(text)) : AnsiString(),
                                  code ? WideToAnsi(code.Text()) : AnsiString());
    }
    // The response element is the first body element that is not a multi-reference target.
    TXmlNode response;
    for (TXmlNode c = body_.FirstChild(); c; c = c.NextSibling())
        if (c.IsElement() && !c.HasAttribute(L"id")) {
            response = c;
            break;
        }
    if (!response) throw Exception("Invalid SOAP response: no response element");
    TXmlNode ret = FirstElement(response, L"return");
    if (!ret) ret = FirstElement(response);
    if (!ret) throw Exception("Invalid SOAP response: no return value");
    return reader.ReadObject(ret, cls, 0);
}

} // namespace

std::unique_ptr<TRemotable> ParseSoapResponse(std::string_view body, std::type_index returnType) {
    return Parse(body, nullptr, returnType);
}

std::unique_ptr<TRemotable> ParseSoapResponse(TByteDynArray&& body, std::type_index returnType) {
    return Parse(std::string_view(reinterpret_cast<const char*>(body.data()), body.size()), &body, returnType);
}
