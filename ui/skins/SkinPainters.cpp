#include "ui/skins/SkinPainters.h"

#include "platform/core/Strings.h"
#include "ui/core/GdiPlusApi.h"
#include "ui/core/LookAndFeel.h"
#include "ui/core/PainterRegistry.h"
#include "ui/skins/SkinPack.h"

namespace {
// The units' skin infos, owned by their registry entries.
TdxSkinLookAndFeelPainterInfo* builtInSkinInfos[dxBuiltInSkinCount] = {};
TdxSkinUserLookAndFeelPainterInfo* userSkinInfo = nullptr;

constexpr const char* kUserSkinName = "UserSkin";
constexpr const char* kUserSkinResource = "DefaultUserSkinData";
constexpr int kPackHeaderSize = 18;

// Registers info under name; the info is freed when the registry refuses it.
template <class Info>
Info* RegisterSkin(const AnsiString& name, TcxCustomLookAndFeelPainterClass painter, const char* resource) {
    auto info = std::make_unique<Info>(new TdxSkin(resource, GetModuleHandle(nullptr), true));
    Info* result = info.get();
    TcxExtendedStylePainters* registry = GetStylePainterRegistry();
    std::unique_ptr<TObject> data(std::move(info));
    if (!registry || !registry->Register(name, painter, std::move(data))) return nullptr;
    return result;
}

void UnregisterSkin(const AnsiString& name) {
    if (TcxExtendedStylePainters* registry = GetStylePainterRegistry()) registry->Unregister(name);
}

template <int Index> void LoadBuiltInSkin() {
    if (!IsGdiPlusAvailable()) return;
    const TdxBuiltInSkin& skin = BuiltInSkin(Index);
    builtInSkinInfos[Index] = RegisterSkin<TdxSkinLookAndFeelPainterInfo>(skin.Name, skin.Painter, skin.Name);
}

template <int Index> void UnloadBuiltInSkin() {
    builtInSkinInfos[Index] = nullptr;
    UnregisterSkin(BuiltInSkin(Index).Name);
}

template <int Index> void BuiltInSkinInitialize() {
    GetUnitsLoader()->RegisterUnit(LoadBuiltInSkin<Index>, UnloadBuiltInSkin<Index>);
}

template <int Index> void BuiltInSkinFinalize() {
    GetUnitsLoader()->UnregisterUnit(UnloadBuiltInSkin<Index>);
}

void LoadUserSkin() {
    if (!IsGdiPlusAvailable()) return;
    userSkinInfo = RegisterSkin<TdxSkinUserLookAndFeelPainterInfo>(
        kUserSkinName, TdxSkinsUserSkinPainter::Painter(), kUserSkinResource);
}

void UnloadUserSkin() {
    userSkinInfo = nullptr;
    UnregisterSkin(kUserSkinName);
}

void UserSkinInitialize() {
    GetUnitsLoader()->RegisterUnit(LoadUserSkin, UnloadUserSkin);
}

void UserSkinFinalize() {
    GetUnitsLoader()->UnregisterUnit(UnloadUserSkin);
}

bool ReadInteger(TStream* stream, int32_t& value) {
    return stream->Read(&value, sizeof(value)) == static_cast<int>(sizeof(value));
}
} // namespace

#define VZ_SKIN_PAINTER_BODY(index, name, Class, unitName)                                                   \
    const Class* Class::Painter() {                                                                          \
        static const Class painter;                                                                          \
        return &painter;                                                                                     \
    }                                                                                                        \
    TdxSkinLookAndFeelPainterInfo* Class::GetSkinInfo() const {                                              \
        return builtInSkinInfos[index];                                                                      \
    }                                                                                                        \
    void Class::GetSkinUnitName(AnsiString& unit) const {                                                    \
        unit = unitName;                                                                                     \
    }
VZ_BUILT_IN_SKINS(VZ_SKIN_PAINTER_BODY)
#undef VZ_SKIN_PAINTER_BODY

const TdxBuiltInSkin& BuiltInSkin(int index) {
#define VZ_SKIN_ENTRY(index, name, Class, unitName) {name, Class::Painter(), unitName},
    static const TdxBuiltInSkin skins[dxBuiltInSkinCount] = {VZ_BUILT_IN_SKINS(VZ_SKIN_ENTRY)};
#undef VZ_SKIN_ENTRY
    return skins[index];
}

// ---------------------------------------------------------------------------------------------
void TdxSkinUserLookAndFeelPainterInfo::SkinChanged(TdxSkin* skin) {
    TdxSkinLookAndFeelPainterInfo::SkinChanged(skin);
    if (TcxLookAndFeel* root = GetRootLookAndFeel()) root->UpdateAndNotifyAll();
}

const TdxSkinsUserSkinPainter* TdxSkinsUserSkinPainter::Painter() {
    static const TdxSkinsUserSkinPainter painter;
    return &painter;
}

TdxSkinLookAndFeelPainterInfo* TdxSkinsUserSkinPainter::GetSkinInfo() const {
    return userSkinInfo;
}

void TdxSkinsUserSkinPainter::GetSkinUnitName(AnsiString& unit) const {
    unit = "dxSkinsDefaultPainters";
}

TdxSkinUserLookAndFeelPainterInfo* UserSkinInfo() {
    return userSkinInfo;
}

// ---------------------------------------------------------------------------------------------
void ReadSkinPackName(TStream* stream, AnsiString& name) {
    name = ReadPackString(stream);
}

bool LoadUserSkinAt(TStream* stream, int64_t position) {
    if (!userSkinInfo || !userSkinInfo->Skin) return false;
    stream->SetPosition(position);
    userSkinInfo->Skin->LoadFromStream(stream);
    return true;
}

bool LoadUserSkinFromStream(TStream* stream, const AnsiString& skinName) {
    if (!userSkinInfo || !userSkinInfo->Skin) return false;
    double version = 0;
    if (!ReadPackHeader(stream, version) || version <= 1.0) return false;
    int32_t count = 0;
    // Nothing to load is no load.
    if (!ReadInteger(stream, count) || count <= 0) return false;
    for (int32_t i = 0; i < count; ++i) {
        int32_t size = 0;
        if (!ReadInteger(stream, size)) return false;
        int64_t position = stream->Position();
        double entryVersion = 0;
        if (!ReadPackHeader(stream, entryVersion)) {
            // A plain pack fails here at its first "entry"; a later one is a damaged container.
            if (i == 0) return LoadUserSkinAt(stream, 0);
            return false;
        }
        if (skinName.empty()) return LoadUserSkinAt(stream, position);
        AnsiString name;
        ReadSkinPackName(stream, name);
        if (SameText(name, skinName)) return LoadUserSkinAt(stream, position);
        // Judged only here: a plain pack's first "size" is name text.
        if (size < kPackHeaderSize || position + size > stream->Size()) return false;
        stream->SetPosition(position + size);
    }
    return false;
}

bool LoadUserSkinFromFile(const AnsiString& fileName, const AnsiString& skinName) {
    if (!userSkinInfo) return false;
    TFileStream stream(fileName, fmOpenRead | fmShareDenyNone);
    return LoadUserSkinFromStream(&stream, skinName);
}

// ---------------------------------------------------------------------------------------------
std::vector<UnitEntry> SkinPainterUnits(int firstOrder) {
    std::vector<UnitEntry> units{
        {"dxSkinsDefaultPainters", firstOrder, UserSkinInitialize, UserSkinFinalize}};
#define VZ_SKIN_UNIT(index, name, Class, unitName)                                                           \
    units.insert(units.begin() + 1,                                                                          \
                 UnitEntry{unitName, 0, BuiltInSkinInitialize<index>, BuiltInSkinFinalize<index>});
    VZ_BUILT_IN_SKINS(VZ_SKIN_UNIT)
#undef VZ_SKIN_UNIT
    for (size_t i = 0; i < units.size(); ++i)
        units[i].Order = firstOrder + static_cast<int>(i);
    return units;
}
