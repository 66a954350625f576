#include "ui/skins/SkinPack.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "ui/skins/SkinModel.h"

namespace {
const char kSignature[6] = {'d', 'x', 'S', 'k', 'i', 'n'};

[[noreturn]] void RaiseReadError() {
    throw EReadError("Stream read error");
}

// The resource pack being read, whose pictures keep views of its bytes rather than copies; the
// keeper holds the module that has the resource loaded while any view lives.
struct TResidentPack {
    TCustomMemoryStream* Stream = nullptr;
    std::shared_ptr<const void> Keeper;
};
TResidentPack residentPack;

std::shared_ptr<const void> ModuleKeeper(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, static_cast<LPCSTR>(address), &module))
        return nullptr;
    return std::shared_ptr<const void>(
        module, [](const void* held) { FreeLibrary(static_cast<HMODULE>(const_cast<void*>(held))); });
}

// Names stream as the resident pack while it lives.
class TResidentPackScope {
public:
    explicit TResidentPackScope(TCustomMemoryStream* stream)
        : saved_(std::exchange(residentPack, TResidentPack{stream, ModuleKeeper(stream->Memory())})) {}
    ~TResidentPackScope() { residentPack = std::move(saved_); }
    TResidentPackScope(const TResidentPackScope&) = delete;
    TResidentPackScope& operator=(const TResidentPackScope&) = delete;

private:
    TResidentPack saved_;
};

// A picture of the resident pack kept as a view of its bytes; false where it takes the stream road.
bool KeepResidentPicture(TdxPNGImage& texture, TStream* stream, int64_t position, int32_t size) {
    if (stream != residentPack.Stream) return false;
    const auto* memory = static_cast<const uint8_t*>(residentPack.Stream->Memory());
    return texture.KeepPngMemory(memory + position, static_cast<size_t>(size), residentPack.Keeper);
}

template <class T> T ReadRaw(TStream* stream) {
    T value;
    if (stream->Read(&value, sizeof(value)) != static_cast<int>(sizeof(value))) RaiseReadError();
    return value;
}

template <class T> void WriteRaw(TStream* stream, const T& value) {
    stream->WriteBuffer(&value, sizeof(value));
}

// An ordinal of an enumeration of count values.
template <class E> E ReadOrdinal(TStream* stream, int count) {
    uint8_t value = ReadPackByte(stream);
    if (value >= count) RaiseReadError();
    return static_cast<E>(value);
}
} // namespace

// ---------------------------------------------------------------------------------------------
int TdxSkinPartStream::Read(void* buffer, int count) {
    return Source->Read(buffer, count);
}

int TdxSkinPartStream::Write(const void* buffer, int count) {
    int result = Source->Write(buffer, count);
    End = static_cast<int32_t>(Source->Position());
    return result;
}

int64_t TdxSkinPartStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t target;
    switch (origin) {
    case soBeginning:
        target = Start + offset;
        break;
    case soCurrent:
        target = Source->Position() + offset;
        break;
    default:
        target = End + offset;
        break;
    }
    target = std::min<int64_t>(std::max<int64_t>(target, Start), End);
    Source->SetPosition(target);
    return Source->Position() - Start;
}

void TdxSkinPartStream::Initialize(TStream* source, int32_t start, int32_t end) {
    Source = source;
    SetBounds(start, end);
}

void TdxSkinPartStream::SetBounds(int32_t start, int32_t end) {
    Start = start;
    End = end;
}

TdxSkinPartStream* SkinPartStream() {
    static TdxSkinPartStream stream;
    return &stream;
}

// ---------------------------------------------------------------------------------------------
void CheckPackBytesLeft(TStream* stream, int64_t count) {
    if (count < 0 || stream->Size() - stream->Position() < count) RaiseReadError();
}

AnsiString ReadPackString(TStream* stream) {
    int32_t length = ReadPackInteger(stream);
    if (length <= 0) return {};
    CheckPackBytesLeft(stream, length);
    AnsiString result(static_cast<size_t>(length), '\0');
    stream->ReadBuffer(result.data(), length);
    return result;
}

void WritePackString(TStream* stream, const AnsiString& value) {
    WritePackInteger(stream, static_cast<int32_t>(value.size()));
    if (!value.empty()) stream->WriteBuffer(value.data(), static_cast<int>(value.size()));
}

int32_t ReadPackInteger(TStream* stream) {
    return ReadRaw<int32_t>(stream);
}

void WritePackInteger(TStream* stream, int32_t value) {
    WriteRaw(stream, value);
}

uint8_t ReadPackByte(TStream* stream) {
    return ReadRaw<uint8_t>(stream);
}

void WritePackByte(TStream* stream, uint8_t value) {
    WriteRaw(stream, value);
}

uint16_t ReadPackWord(TStream* stream) {
    return ReadRaw<uint16_t>(stream);
}

double ReadPackDouble(TStream* stream) {
    return ReadRaw<double>(stream);
}

TRect ReadPackRect(TStream* stream) {
    int32_t v[4];
    for (int32_t& side : v)
        side = ReadPackInteger(stream);
    return TRect{v[0], v[1], v[2], v[3]};
}

void WritePackRect(TStream* stream, const TRect& value) {
    for (LONG side : {value.left, value.top, value.right, value.bottom})
        WritePackInteger(stream, side);
}

TSize ReadPackSize(TStream* stream) {
    int32_t cx = ReadPackInteger(stream);
    int32_t cy = ReadPackInteger(stream);
    return TSize{cx, cy};
}

void WritePackSize(TStream* stream, const TSize& value) {
    WritePackInteger(stream, value.cx);
    WritePackInteger(stream, value.cy);
}

bool ReadPackHeader(TStream* stream, double& version) {
    stream->Seek(4, soCurrent);
    char signature[sizeof(kSignature)];
    if (stream->Read(signature, sizeof(signature)) != static_cast<int>(sizeof(signature)) ||
        std::memcmp(signature, kSignature, sizeof(kSignature)) != 0)
        return false;
    version = ReadPackDouble(stream);
    return true;
}

void WritePackHeader(TStream* stream) {
    WritePackInteger(stream, sizeof(kSignature));
    stream->WriteBuffer(kSignature, sizeof(kSignature));
    WriteRaw(stream, dxSkinStreamVersion);
}

void CheckPackVersion(double version) {
    if (version < 1.0) throw EdxSkin(sdxSkinOldVersion);
}

// ---------------------------------------------------------------------------------------------
void TdxSkinPersistent::ReadProperties(TStream* stream) {
    int32_t count = ReadPackInteger(stream);
    for (int32_t i = 0; i < count; ++i) {
        TClass propertyClass = FindClass(ReadPackString(stream));
        if (!propertyClass->InheritsFrom(TdxSkinProperty::StaticClass()))
            throw EClassNotFound(Format("Class %s not found", {propertyClass->ClassName()}));
        AnsiString name = ReadPackString(stream);
        AddProperty(name, propertyClass)->ReadData(stream);
    }
}

void TdxSkinPersistent::WriteProperties(TStream* stream) {
    WritePackInteger(stream, PropertyCount());
    for (int i = 0; i < PropertyCount(); ++i)
        PropertyAt(i)->WriteToStream(stream);
}

void TdxSkinControlGroup::ReadFromStream(TStream* stream, double version) {
    int32_t count = ReadPackInteger(stream);
    for (int32_t i = 0; i < count; ++i)
        AddElement(ReadPackString(stream))->ReadFromStream(stream, version);
    if (version >= 0.91) {
        ReadProperties(stream);
        Changed();
    }
}

void TdxSkinControlGroup::WriteToStream(TStream* stream) {
    WritePackString(stream, Name);
    WritePackInteger(stream, ElementCount());
    for (int i = 0; i < ElementCount(); ++i) {
        WritePackString(stream, ElementAt(i)->Name);
        ElementAt(i)->WriteToStream(stream, dxSkinStreamVersion);
    }
    WriteProperties(stream);
}

void TdxSkinElement::ReadFromStream(TStream* stream, double version) {
    TColor color = ReadPackInteger(stream);
    alpha_ = ReadPackByte(stream);
    // A pack's count below 1 would divide by zero in the frame size; the setter's bound holds.
    imageCount_ = std::max(ReadPackInteger(stream), 1);
    *contentOffset_->GetRectPointer() = ReadPackRect(stream);
    glyph_->ReadFromStream(stream);
    image_->ReadFromStream(stream);
    for (int kind = 0; kind < 4; ++kind) {
        if (version >= 0.92) ReadPackString(stream);
        borders_->Items(kind).ReadFromStream(stream);
    }
    SetColor(color);
    if (version >= 0.93) textColor_ = ReadPackInteger(stream);
    if (version >= 0.94) *minSize_->GetSizePointer() = ReadPackSize(stream);
    if (version >= 0.95) ReadProperties(stream);
}

void TdxSkinElement::WriteToStream(TStream* stream, double) {
    WritePackInteger(stream, color_);
    WritePackByte(stream, alpha_);
    WritePackInteger(stream, imageCount_);
    WritePackRect(stream, contentOffset_->Rect());
    glyph_->WriteToStream(stream);
    image_->WriteToStream(stream);
    for (int kind = 0; kind < 4; ++kind)
        borders_->Items(kind).WriteToStream(stream);
    WritePackInteger(stream, textColor_);
    WritePackSize(stream, *minSize_->GetSizePointer());
    WriteProperties(stream);
}

void TdxSkinImage::ReadFromStream(TStream* stream) {
    TdxSkinControlGroup* group = Owner ? Owner->GetGroup() : nullptr;
    TdxSkin* skin = group ? group->GetSkin() : nullptr;
    double version = skin ? skin->Version : dxSkinStreamVersion;
    *margins_->GetRectPointer() = ReadPackRect(stream);
    imageLayout_ = ReadOrdinal<TdxSkinImageLayout>(stream, 2);
    uint16_t states = ReadPackWord(stream);
    if (states & ~dxSkinAllStates) RaiseReadError();
    states_ = states;
    stretch_ = ReadOrdinal<TdxSkinStretchMode>(stream, 3);
    if (version >= 1.02) {
        gradientBeginColor_ = ReadPackInteger(stream);
        gradientEndColor_ = ReadPackInteger(stream);
        gradient_ = ReadOrdinal<TdxSkinGradientMode>(stream, 4);
    }
    int32_t size = ReadPackInteger(stream);
    CheckPackBytesLeft(stream, size);
    int64_t position = stream->Position();
    if (size > 0 && !KeepResidentPicture(*texture_, stream, position, size)) {
        TdxSkinPartStream* window = SkinPartStream();
        window->Initialize(stream, static_cast<int32_t>(position), static_cast<int32_t>(position + size));
        try {
            texture_->LoadFromStream(window);
        } catch (...) {
            window->Initialize(nullptr, 0, 0);
            throw;
        }
        window->Initialize(nullptr, 0, 0);
    }
    stream->SetPosition(position + size);
    Dirty = true;
}

void TdxSkinImage::WriteToStream(TStream* stream) {
    WritePackRect(stream, margins_->Rect());
    WritePackByte(stream, static_cast<uint8_t>(imageLayout_));
    stream->WriteBuffer(&states_, sizeof(states_));
    WritePackByte(stream, static_cast<uint8_t>(stretch_));
    WritePackInteger(stream, gradientBeginColor_);
    WritePackInteger(stream, gradientEndColor_);
    WritePackByte(stream, static_cast<uint8_t>(gradient_));
    TMemoryStream picture;
    if (!IsEmpty()) texture_->SaveToStream(&picture);
    WritePackInteger(stream, static_cast<int32_t>(picture.Size()));
    if (picture.Size() > 0) stream->WriteBuffer(picture.Memory(), static_cast<int>(picture.Size()));
}

// ---------------------------------------------------------------------------------------------
void TdxSkin::ReadPack(TStream* stream) {
    if (!ReadPackHeader(stream, Version)) throw EdxSkin(sdxSkinInvalidStreamFormat);
    Name = ReadPackString(stream);
    CheckPackVersion(Version);
    BeginUpdate();
    int32_t colorCount = ReadPackInteger(stream);
    for (int32_t i = 0; i < colorCount; ++i) {
        if (Version >= 0.92) ReadPackString(stream);
        AnsiString name = ReadPackString(stream);
        AddColor(name, ReadPackInteger(stream));
    }
    ReadProperties(stream);
    int32_t groupCount = ReadPackInteger(stream);
    for (int32_t i = 0; i < groupCount; ++i)
        AddGroup(ReadPackString(stream))->ReadFromStream(stream, Version);
    CancelUpdate();
}

void TdxSkin::LoadFromStream(TStream* stream) {
    if (!IsGdiPlusAvailable()) return;
    // Read apart, so a damaged pack neither clears this skin nor calls its listeners.
    TdxSkin fresh;
    fresh.ReadPack(stream);
    TakeContent(fresh);
}

void TdxSkin::SaveToStream(TStream* stream) {
    WritePackHeader(stream);
    WritePackString(stream, Name);
    WritePackInteger(stream, ColorCount());
    for (int i = 0; i < ColorCount(); ++i)
        ColorAt(i)->WriteToStream(stream);
    WriteProperties(stream);
    WritePackInteger(stream, GroupCount());
    for (int i = 0; i < GroupCount(); ++i)
        GroupAt(i)->WriteToStream(stream);
}

void TdxSkin::LoadFromResource(HMODULE module) {
    TResourceStream stream(module, Name, sdxSkinResourceType.c_str());
    TResidentPackScope resident(&stream);
    LoadFromStream(&stream);
}
