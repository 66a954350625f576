#pragma once
// What the skin tests share: the built-in pack names, a text form of a skin in the manifest's
// lines, a whole-skin comparison and a small pack writer for hand-made packs.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/core/Streams.h"
#include "ui/skins/SkinModel.h"

namespace skintest {

inline const std::vector<std::string>& BuiltInSkinNames() {
    static const std::vector<std::string> names = {"Black",           "Blue",
                                                   "Caramel",         "Coffee",
                                                   "GlassOceans",     "iMaginary",
                                                   "Lilian",          "LiquidSky",
                                                   "LondonLiquidSky", "McSkin",
                                                   "DadavAzodo",      "Office2007Black",
                                                   "Office2007Blue",  "Office2007Green",
                                                   "Office2007Pink",  "Office2007Silver",
                                                   "Silver",          "Stardust",
                                                   "Summer2008",      "Valentine",
                                                   "Xmas2008Blue"};
    return names;
}

// A folder of the build tree as Wine sees it (drive Z:).
inline std::string BuildPath(const std::string& relative) {
    const char* bin = std::getenv("VZ_BINARY_DIR");
    return std::string("Z:") + (bin ? bin : "") + "/" + relative;
}

inline std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string ResourceBytes(const std::string& name) {
    TResourceStream stream(GetModuleHandle(nullptr), name, "DXSKINS");
    std::string bytes(static_cast<size_t>(stream.Size()), '\0');
    stream.ReadBuffer(bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
}

inline void PropertyLines(std::ostringstream& out, const char* scope, TdxSkinPersistent& owner) {
    for (int i = 0; i < owner.PropertyCount(); ++i) {
        TdxSkinProperty* p = owner.PropertyAt(i);
        out << "prop " << scope << " " << p->ClassName() << " " << p->Name << " ";
        if (auto* v = dynamic_cast<TdxSkinIntegerProperty*>(p))
            out << v->Value();
        else if (auto* b = dynamic_cast<TdxSkinBooleanProperty*>(p))
            out << (b->Value() ? 1 : 0);
        else if (auto* c = dynamic_cast<TdxSkinColor*>(p))
            out << c->Value();
        else if (auto* r = dynamic_cast<TdxSkinRectProperty*>(p))
            out << r->Rect().left << " " << r->Rect().top << " " << r->Rect().right << " "
                << r->Rect().bottom;
        else if (auto* s = dynamic_cast<TdxSkinSizeProperty*>(p))
            out << s->cx() << " " << s->cy();
        else if (auto* t = dynamic_cast<TdxSkinStringProperty*>(p))
            out << t->Value();
        out << "\n";
    }
}

inline void ImageLine(std::ostringstream& out, const char* which, TdxSkinImage& image) {
    const TRect& m = image.Margins().Rect();
    out << "image " << which << " " << m.left << " " << m.top << " " << m.right << " " << m.bottom << " "
        << image.ImageLayout() << " " << image.States() << " " << image.Stretch() << " "
        << image.GradientBeginColor() << " " << image.GradientEndColor() << " " << image.Gradient() << " "
        << image.Texture().Width() << " " << image.Texture().Height() << "\n";
}

// The skin in the manifest's lines, in stored order.
inline std::string Dump(TdxSkin& skin) {
    std::ostringstream out;
    char version[32];
    std::snprintf(version, sizeof(version), "%.2f", skin.Version);
    out << "skin " << skin.Name << " " << version << "\n";
    for (int i = 0; i < skin.ColorCount(); ++i)
        out << "color " << skin.ColorAt(i)->Name << " " << skin.ColorAt(i)->Value() << "\n";
    PropertyLines(out, "skin", skin);
    for (int g = 0; g < skin.GroupCount(); ++g) {
        TdxSkinControlGroup* group = skin.GroupAt(g);
        out << "group " << group->Name << "\n";
        for (int e = 0; e < group->ElementCount(); ++e) {
            TdxSkinElement* el = group->ElementAt(e);
            const TRect& o = el->ContentOffset().Rect();
            out << "element " << el->Name << " " << el->Color() << " " << int(el->Alpha()) << " "
                << el->ImageCount() << " " << o.left << " " << o.top << " " << o.right << " " << o.bottom
                << " " << el->TextColor() << " " << el->MinSize().Width() << " " << el->MinSize().Height()
                << "\n";
            ImageLine(out, "glyph", el->Glyph());
            ImageLine(out, "image", el->Image());
            for (int k = 0; k < 4; ++k)
                out << "border " << k << " " << el->Borders().Items(k).Color() << " "
                    << el->Borders().Items(k).Thin() << "\n";
            PropertyLines(out, "element", *el);
        }
        PropertyLines(out, "group", *group);
    }
    return out.str();
}

inline bool SameProperties(TdxSkinPersistent& a, TdxSkinPersistent& b) {
    if (a.PropertyCount() != b.PropertyCount()) return false;
    for (int i = 0; i < a.PropertyCount(); ++i)
        if (!a.PropertyAt(i)->Compare(b.PropertyAt(i))) return false;
    return true;
}

// Names, versions, colours, properties, groups and every element (pixels included), in order.
inline bool SameSkins(TdxSkin& a, TdxSkin& b) {
    if (a.Name != b.Name || a.Version != b.Version || a.ColorCount() != b.ColorCount() ||
        a.GroupCount() != b.GroupCount() || !SameProperties(a, b))
        return false;
    for (int i = 0; i < a.ColorCount(); ++i)
        if (!a.ColorAt(i)->Compare(b.ColorAt(i))) return false;
    for (int g = 0; g < a.GroupCount(); ++g) {
        TdxSkinControlGroup* ga = a.GroupAt(g);
        TdxSkinControlGroup* gb = b.GroupAt(g);
        if (ga->Name != gb->Name || ga->ElementCount() != gb->ElementCount() || !SameProperties(*ga, *gb))
            return false;
        for (int e = 0; e < ga->ElementCount(); ++e)
            if (!ga->ElementAt(e)->Compare(gb->ElementAt(e))) return false;
    }
    return true;
}

// Little-endian pack bytes by hand.
struct PackWriter {
    std::string bytes;
    PackWriter& Int(int32_t v) {
        bytes.append(reinterpret_cast<const char*>(&v), 4);
        return *this;
    }
    PackWriter& Byte(uint8_t v) {
        bytes.push_back(static_cast<char>(v));
        return *this;
    }
    PackWriter& Word(uint16_t v) {
        bytes.append(reinterpret_cast<const char*>(&v), 2);
        return *this;
    }
    PackWriter& Double(double v) {
        bytes.append(reinterpret_cast<const char*>(&v), 8);
        return *this;
    }
    PackWriter& Str(const std::string& s) {
        Int(static_cast<int32_t>(s.size()));
        bytes += s;
        return *this;
    }
    PackWriter& Raw(const std::string& s) {
        bytes += s;
        return *this;
    }
    PackWriter& Rect(int l, int t, int r, int b) { return Int(l).Int(t).Int(r).Int(b); }
};

inline std::unique_ptr<TMemoryStream> StreamOf(const std::string& bytes) {
    auto stream = std::make_unique<TMemoryStream>();
    if (!bytes.empty()) stream->WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
    stream->SetPosition(0);
    return stream;
}

inline std::string BytesOf(TMemoryStream& stream) {
    return std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

// Counts notifications, writing each into a shared log.
struct RecordingListener : IdxSkinChangeListener {
    RecordingListener(std::string tag, std::string* log) : tag(std::move(tag)), log(log) {}
    void SkinChanged(TdxSkin*) override {
        ++calls;
        if (log) *log += tag + " ";
    }
    std::string tag;
    std::string* log;
    int calls = 0;
};

} // namespace skintest
