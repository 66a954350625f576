#include "ui/skins/SkinModel.h"

#include <algorithm>
#include <bit>
#include <array>

#include "ui/skins/SkinCanvas.h"
#include "ui/skins/SkinPack.h"

const AnsiString sdxSkinResourceType = "DXSKINS";
const AnsiString sdxSkinInvalidStreamFormat = "Invalid stream format";
const AnsiString sdxSkinOldVersion = "The skin data version is older than the current Quorvane version.\r\n"
                                     "Skins cannot be loaded due to a version mismatch.";

namespace {
std::vector<TClass>* propertyClasses = nullptr;

// One case-sensitive order for sorting and searching: the byte order of the names.
int CompareNames(const AnsiString& a, const AnsiString& b) {
    return CompareStr(a, b);
}

template <class T> T* TypedItem(const TcxObjectList& list, int index) {
    auto* item = dynamic_cast<T*>(list.ItemAt(index));
    if (!item) throw EInvalidCast("Invalid class typecast");
    return item;
}

// Moves the items of source to the end of dest without freeing them.
void MoveItems(TcxObjectList& source, TcxObjectList& dest) {
    for (int i = 0; i < source.Count(); ++i)
        dest.Add(source.Items(i));
    source.TList::Clear();
}
} // namespace

// ---------------------------------------------------------------------------------------------
TdxSkinCustomPersistentObject::TdxSkinCustomPersistentObject(TPersistent* owner, const AnsiString& name)
    : Name(name), Owner(owner) {}

void TdxSkinCustomPersistentObject::DoChanged() {
    if (OnChange) OnChange(this);
}

std::unique_ptr<TdxSkinCustomPersistentObject> TdxSkinCustomPersistentObject::Clone() {
    auto clone = CreateSkinObject<TdxSkinCustomPersistentObject>(ClassType(), nullptr, Name);
    clone->Assign(this);
    return clone;
}

// ---------------------------------------------------------------------------------------------
TdxSkinPersistent::TdxSkinPersistent(TPersistent* owner, const AnsiString& name)
    : TdxSkinCustomPersistentObject(owner, name) {}

TdxSkinPersistent::~TdxSkinPersistent() = default;

void TdxSkinPersistent::Assign(TPersistent* source) {
    auto* persistent = dynamic_cast<TdxSkinPersistent*>(source);
    if (!persistent) {
        TPersistent::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        ClearList(Properties);
        for (int i = 0; i < persistent->PropertyCount(); ++i)
            AddChild(persistent->PropertyAt(i)->Clone().release(), Properties);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TdxSkinPersistent::Changed() {
    Modified = true;
    Sorted = false;
    if (UpdateCount == 0) DoChanged();
}

void TdxSkinPersistent::Sort() {
    SortList(Properties);
}

void TdxSkinPersistent::ChildChanged(TObject*) {
    Changed();
}

void TdxSkinPersistent::Delete(TdxSkinCustomPersistentObject* item) {
    if (Properties.Remove(item) >= 0) {
        delete item;
        Changed();
    }
}

void TdxSkinPersistent::EndUpdate() {
    if (--UpdateCount == 0) Changed();
}

void TdxSkinPersistent::SetSorted(bool value) {
    if (Sorted == value) return;
    if (value) Sort();
    Sorted = value;
}

TdxSkinProperty* TdxSkinPersistent::AddProperty(const AnsiString& name, TClass propertyClass) {
    auto property = CreateSkinObject<TdxSkinProperty>(propertyClass, this, name);
    TdxSkinProperty* result = property.get();
    AddChild(property.release(), Properties);
    return result;
}

void TdxSkinPersistent::AddChild(TdxSkinCustomPersistentObject* item, TcxObjectList& list) {
    item->Owner = this;
    item->OnChange = [this](TObject* sender) { ChildChanged(sender); };
    list.Add(item);
    Changed();
}

TdxSkinProperty* TdxSkinPersistent::GetPropertyByName(const AnsiString& name) {
    CheckSorted();
    return static_cast<TdxSkinProperty*>(FindInList(Properties, name));
}

TdxSkinProperty* TdxSkinPersistent::PropertyAt(int index) const {
    return TypedItem<TdxSkinProperty>(Properties, index);
}

void TdxSkinPersistent::SortList(TcxObjectList& list) {
    list.Sort([](void* a, void* b) {
        return CompareNames(static_cast<TdxSkinCustomPersistentObject*>(a)->Name,
                            static_cast<TdxSkinCustomPersistentObject*>(b)->Name);
    });
}

TdxSkinCustomPersistentObject* TdxSkinPersistent::FindInList(const TcxObjectList& list,
                                                             const AnsiString& name) {
    int low = 0, high = list.Count() - 1;
    while (low <= high) {
        int mid = (low + high) / 2;
        auto* item = static_cast<TdxSkinCustomPersistentObject*>(list.Items(mid));
        int c = CompareNames(item->Name, name);
        if (c < 0)
            low = mid + 1;
        else if (c > 0)
            high = mid - 1;
        else
            return item;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Properties.
void TdxSkinProperty::ReadFromStream(TStream* stream) {
    Name = ReadPackString(stream);
    ReadData(stream);
}

void TdxSkinProperty::WriteToStream(TStream* stream) {
    WritePackString(stream, ClassName());
    WritePackString(stream, Name);
    WriteData(stream);
}

void TdxSkinProperty::GetDescription(AnsiString& text) {
    text = ClassName();
    for (const char* word : {"TdxSkin", "Property"}) {
        const AnsiString upperWord = UpperCase(word);
        for (;;) {
            size_t at = UpperCase(text).find(upperWord);
            if (at == AnsiString::npos) break;
            text.erase(at, upperWord.size());
        }
    }
}

bool TdxSkinProperty::Compare(TdxSkinProperty*) {
    return false;
}

bool TdxSkinProperty::SameKind(TdxSkinProperty* property) const {
    return property && property->ClassType() == ClassType() && property->Name == Name;
}

#define VZ_VALUE_PROPERTY_ASSIGN(Class)                                                                      \
    void Class::Assign(TPersistent* source) {                                                                \
        if (auto* other = dynamic_cast<Class*>(source))                                                      \
            SetValue(other->Value());                                                                        \
        else                                                                                                 \
            TdxSkinProperty::Assign(source);                                                                 \
    }                                                                                                        \
    bool Class::Compare(TdxSkinProperty* property) {                                                         \
        return SameKind(property) && static_cast<Class*>(property)->Value() == Value();                      \
    }

VZ_VALUE_PROPERTY_ASSIGN(TdxSkinIntegerProperty)
VZ_VALUE_PROPERTY_ASSIGN(TdxSkinBooleanProperty)
VZ_VALUE_PROPERTY_ASSIGN(TdxSkinColor)

void TdxSkinIntegerProperty::ReadData(TStream* stream) {
    value_ = ReadPackInteger(stream);
}
void TdxSkinIntegerProperty::WriteData(TStream* stream) {
    WritePackInteger(stream, value_);
}
void TdxSkinIntegerProperty::SetValue(int value) {
    if (value_ == value) return;
    value_ = value;
    DoChanged();
}

void TdxSkinBooleanProperty::ReadData(TStream* stream) {
    value_ = ReadPackByte(stream) != 0;
}
void TdxSkinBooleanProperty::WriteData(TStream* stream) {
    WritePackByte(stream, value_ ? 1 : 0);
}
void TdxSkinBooleanProperty::SetValue(bool value) {
    if (value_ == value) return;
    value_ = value;
    DoChanged();
}

void TdxSkinColor::ReadData(TStream* stream) {
    value_ = ReadPackInteger(stream);
}
void TdxSkinColor::WriteData(TStream* stream) {
    WritePackInteger(stream, value_);
}
void TdxSkinColor::SetValue(TColor value) {
    if (value_ == value) return;
    value_ = value;
    DoChanged();
}

TdxSkinRectProperty::TdxSkinRectProperty(TPersistent* owner, const AnsiString& name)
    : TdxSkinProperty(owner, name), value_(std::make_unique<TcxRect>(this)) {
    value_->OnChange = [this](TObject*) { DoChanged(); };
}
void TdxSkinRectProperty::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TdxSkinRectProperty*>(source))
        value_->Assign(other->value_.get());
    else
        TdxSkinProperty::Assign(source);
}
bool TdxSkinRectProperty::Compare(TdxSkinProperty* property) {
    return SameKind(property) && static_cast<TdxSkinRectProperty*>(property)->value_->SameAs(*value_);
}
void TdxSkinRectProperty::ReadData(TStream* stream) {
    *value_->GetRectPointer() = ReadPackRect(stream);
}
void TdxSkinRectProperty::WriteData(TStream* stream) {
    WritePackRect(stream, value_->Rect());
}

void TdxSkinSizeProperty::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TdxSkinSizeProperty*>(source)) {
        SetCx(other->cx());
        SetCy(other->cy());
    } else {
        TdxSkinProperty::Assign(source);
    }
}
bool TdxSkinSizeProperty::Compare(TdxSkinProperty* property) {
    if (!SameKind(property)) return false;
    const TSize& other = static_cast<TdxSkinSizeProperty*>(property)->value_;
    return other.cx == value_.cx && other.cy == value_.cy;
}
void TdxSkinSizeProperty::ReadData(TStream* stream) {
    value_ = ReadPackSize(stream);
}
void TdxSkinSizeProperty::WriteData(TStream* stream) {
    WritePackSize(stream, value_);
}
void TdxSkinSizeProperty::SetCx(int value) {
    if (value_.cx == value) return;
    value_.cx = value;
    DoChanged();
}
void TdxSkinSizeProperty::SetCy(int value) {
    if (value_.cy == value) return;
    value_.cy = value;
    DoChanged();
}

void TdxSkinStringProperty::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TdxSkinStringProperty*>(source))
        SetValue(other->Value());
    else
        TdxSkinProperty::Assign(source);
}
bool TdxSkinStringProperty::Compare(TdxSkinProperty* property) {
    return SameKind(property) &&
           AnsiCompareStr(static_cast<TdxSkinStringProperty*>(property)->value_, value_) == 0;
}
void TdxSkinStringProperty::ReadData(TStream* stream) {
    value_ = ReadPackString(stream);
}
void TdxSkinStringProperty::WriteData(TStream* stream) {
    WritePackString(stream, value_);
}
void TdxSkinStringProperty::SetValue(const AnsiString& value) {
    if (value_ == value) return;
    value_ = value;
    DoChanged();
}

void TdxSkinBorder::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TdxSkinBorder*>(source);
    if (!other) return;
    SetColor(other->color_);
    Kind = other->Kind;
    SetThin(other->thin_);
}
bool TdxSkinBorder::Compare(TdxSkinProperty* property) {
    auto* other = dynamic_cast<TdxSkinBorder*>(property);
    return other && other->ClassType() == ClassType() && other->color_ == color_ && other->thin_ == thin_ &&
           other->Kind == Kind;
}
void TdxSkinBorder::ReadData(TStream* stream) {
    TColor color = ReadPackInteger(stream);
    thin_ = ReadPackInteger(stream);
    SetColor(color);
}
void TdxSkinBorder::WriteData(TStream* stream) {
    WritePackInteger(stream, color_);
    WritePackInteger(stream, thin_);
}
void TdxSkinBorder::SetColor(TColor value) {
    if (color_ == value) return;
    color_ = value;
    DoChanged();
}
void TdxSkinBorder::SetThin(int value) {
    if (thin_ == value) return;
    thin_ = value;
    DoChanged();
}

TdxSkinBorders::TdxSkinBorders(TPersistent* owner, const AnsiString& name) : TdxSkinProperty(owner, name) {
    static const char* const names[4] = {"Left", "Top", "Right", "Bottom"};
    for (int kind = 0; kind < 4; ++kind) {
        items_[kind].Owner = this;
        items_[kind].Name = names[kind];
        items_[kind].Kind = kind;
        items_[kind].OnChange = [this](TObject* sender) { BorderChanged(sender); };
    }
}
void TdxSkinBorders::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TdxSkinBorders*>(source))
        for (int kind = 0; kind < 4; ++kind)
            items_[kind].Assign(&other->items_[kind]);
}
bool TdxSkinBorders::Compare(TdxSkinProperty* property) {
    auto* other = dynamic_cast<TdxSkinBorders*>(property);
    if (!other || other->ClassType() != ClassType()) return false;
    for (int kind = 0; kind < 4; ++kind)
        if (!items_[kind].Compare(&other->items_[kind])) return false;
    return true;
}
void TdxSkinBorders::BorderChanged(TObject*) {
    DoChanged();
}

// ---------------------------------------------------------------------------------------------
TdxSkinImage::TdxSkinImage(TdxSkinElement* owner) : Owner(owner), margins_(this) {
    margins_->OnChange = [this](TObject*) { Changed(); };
    // A new picture invalidates the state map and the owner's cached renderings; the owner's
    // listeners hear of it when the image changes.
    texture_->OnChange = [this](TObject*) {
        Dirty = true;
        if (Owner) Owner->Stamp = NextSkinElementStamp();
    };
}

TdxSkinImage::~TdxSkinImage() = default;

TPersistent* TdxSkinImage::GetOwner() {
    return Owner;
}

void TdxSkinImage::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TdxSkinImage*>(source);
    if (!other) return;
    if (other->IsEmpty()) {
        Clear();
    } else {
        texture_->Assign(other->texture_.get());
        other->GetSourceName(SourceName);
        Dirty = true;
    }
    SetGradientBeginColor(other->gradientBeginColor_);
    SetGradientEndColor(other->gradientEndColor_);
    SetGradient(other->gradient_);
    SetImageLayout(other->imageLayout_);
    margins_->Assign(other->margins_.get());
    SetStates(other->states_);
    SetStretch(other->stretch_);
}

void TdxSkinImage::Changed() {
    Dirty = true;
    if (OnChange) OnChange(this);
}

void TdxSkinImage::Recalculate() {
    frameSize_ = TSize{texture_->Width(), texture_->Height()};
    stateCount_ = std::popcount(static_cast<unsigned>(states_));
    int imageCount = Owner ? Owner->ImageCount() : 1;
    if (stateCount_ > 0) {
        if (imageLayout_ == ilHorizontal)
            frameSize_.cx = frameSize_.cx / imageCount / stateCount_;
        else
            frameSize_.cy = frameSize_.cy / imageCount / stateCount_;
    }
}

// Computed from the state map rather than kept per state: thousands of pictures are read at start
// and few are ever drawn.
TRect TdxSkinImage::StateBounds(TdxSkinElementState state) {
    CheckInfo();
    // The strip holds the present states in order: a state's slot is the count of those before it.
    const unsigned bit = 1u << state;
    const int slot = states_ & bit ? std::popcount(static_cast<unsigned>(states_ & (bit - 1))) : 0;
    if (imageLayout_ == ilHorizontal)
        return TRect{slot * frameSize_.cx, 0, (slot + 1) * frameSize_.cx, frameSize_.cy};
    return TRect{0, slot * frameSize_.cy, frameSize_.cx, (slot + 1) * frameSize_.cy};
}

void TdxSkinImage::CheckInfo() {
    if (!Dirty) return;
    Dirty = false;
    Recalculate();
}

bool TdxSkinImage::Compare(TdxSkinImage* image) {
    if (!image) return false;
    return imageLayout_ == image->imageLayout_ && IsEmpty() == image->IsEmpty() &&
           states_ == image->states_ && gradient_ == image->gradient_ &&
           gradientBeginColor_ == image->gradientBeginColor_ &&
           gradientEndColor_ == image->gradientEndColor_ && stretch_ == image->stretch_ &&
           FrameSize().cx == image->FrameSize().cx && FrameSize().cy == image->FrameSize().cy &&
           margins_->SameAs(*image->margins_) && texture_->SamePixels(*image->texture_);
}

void TdxSkinImage::Clear() {
    TMemoryStream nothing; // an empty stream empties the picture
    texture_->LoadFromStream(&nothing);
    SourceName.clear();
    Changed();
}

bool TdxSkinImage::IsEmpty() const {
    return SourceName.empty() && texture_->Empty();
}

void TdxSkinImage::GetName(AnsiString& name) const {
    name.clear();
    if (!IsEmpty() && Owner) Owner->GetImageFileName(const_cast<TdxSkinImage*>(this), name);
}

void TdxSkinImage::GetSourceName(AnsiString& name) const {
    name = SourceName;
    if (name.empty() && !IsEmpty() && Owner) {
        AnsiString path, file;
        Owner->GetPath(path);
        GetName(file);
        name = path + file;
    }
}

#define VZ_IMAGE_SETTER(Setter, Type, field)                                                                 \
    void TdxSkinImage::Setter(Type value) {                                                                  \
        if (field == value) return;                                                                          \
        field = value;                                                                                       \
        Changed();                                                                                           \
    }
VZ_IMAGE_SETTER(SetGradient, TdxSkinGradientMode, gradient_)
VZ_IMAGE_SETTER(SetGradientBeginColor, TColor, gradientBeginColor_)
VZ_IMAGE_SETTER(SetGradientEndColor, TColor, gradientEndColor_)
VZ_IMAGE_SETTER(SetImageLayout, TdxSkinImageLayout, imageLayout_)
VZ_IMAGE_SETTER(SetStates, TdxSkinElementStates, states_)
VZ_IMAGE_SETTER(SetStretch, TdxSkinStretchMode, stretch_)

// ---------------------------------------------------------------------------------------------
TdxSkinElement::TdxSkinElement(TPersistent* owner, const AnsiString& name)
    : TdxSkinPersistent(owner, name), borders_(this, "Borders"), contentOffset_(this), glyph_(this),
      image_(this), minSize_(this) {
    auto childChanged = [this](TObject* sender) { ChildChanged(sender); };
    image_->OnChange = childChanged;
    contentOffset_->OnChange = childChanged;
    glyph_->OnChange = childChanged;
    borders_->OnChange = childChanged;
    minSize_->OnChange = childChanged;
}

TdxSkinCanvas* TdxSkinElement::Canvas() const {
    if (!canvas_) canvas_ = std::make_unique<TdxSkinCanvas>();
    return canvas_.get();
}

GpSolidFill* TdxSkinElement::Brush() const {
    if (!brush_ && brushWanted_ && GdiPlusActive())
        CheckGdiPlusStatus(dxGpApi.GdipCreateSolidFill(brushColor_, &brush_));
    return brush_;
}

TdxSkinElement::~TdxSkinElement() {
    if (brush_ && GdiPlusActive()) dxGpApi.GdipDeleteBrush(brush_);
}

void TdxSkinElement::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TdxSkinElement*>(source)) {
        BeginUpdate();
        try {
            image_->Assign(other->image_.get());
            glyph_->Assign(other->glyph_.get());
            SetColor(other->color_);
            SetAlpha(other->alpha_);
            contentOffset_->Assign(other->contentOffset_.get());
            SetImageCount(other->imageCount_);
            borders_->Assign(other->borders_.get());
            minSize_->Assign(other->minSize_.get());
            SetTextColor(other->textColor_);
            TdxSkinPersistent::Assign(source);
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
    } else {
        TdxSkinPersistent::Assign(source);
    }
}

bool TdxSkinElement::CompareProperties(TdxSkinElement* element) {
    if (PropertyCount() != element->PropertyCount()) return false;
    for (int i = 0; i < PropertyCount(); ++i)
        if (!PropertyAt(i)->Compare(element->PropertyAt(i))) return false;
    return true;
}

void TdxSkinElement::GetImageFileName(TdxSkinImage* image, AnsiString& name) {
    name = TdxSkinCustomPersistentObject::Name + (image == image_.get() ? "_Image.png" : "_Glyph.png");
}

bool TdxSkinElement::Compare(TdxSkinElement* element) {
    return element && element->Name == Name && element->color_ == color_ &&
           element->imageCount_ == imageCount_ && element->alpha_ == alpha_ &&
           element->textColor_ == textColor_ && element->minSize_->SameAs(*minSize_) &&
           element->contentOffset_->SameAs(*contentOffset_) && borders_->Compare(element->borders_.get()) &&
           CompareProperties(element) && image_->Compare(element->image_.get()) &&
           glyph_->Compare(element->glyph_.get());
}

TdxSkinControlGroup* TdxSkinElement::GetGroup() const {
    return dynamic_cast<TdxSkinControlGroup*>(Owner);
}

void TdxSkinElement::GetPath(AnsiString& path) const {
    TdxSkinControlGroup* group = GetGroup();
    path = (group ? group->Name : AnsiString()) + "\\";
}

bool TdxSkinElement::HasAlpha() {
    if (image_->IsEmpty()) return alpha_ < 255;
    return image_->Texture().UsesAlpha();
}

void TdxSkinElement::SetAlpha(uint8_t value) {
    if (alpha_ == value) return;
    alpha_ = value;
    SetColor(color_);
}

void TdxSkinElement::SetColor(TColor value) {
    color_ = value;
    isColorAssigned_ = value != clDefault && value != clNone;
    if (isColorAssigned_ && IsGdiPlusAvailable()) {
        // The colour is resolved now, as the brush would have taken it; the brush itself waits.
        brushColor_ = dxColorToARGB(value, alpha_);
        brushWanted_ = true;
        if (brush_) CheckGdiPlusStatus(dxGpApi.GdipSetSolidFillColor(brush_, brushColor_));
    }
    DoChanged();
}

void TdxSkinElement::SetImageCount(int value) {
    value = std::max(value, 1);
    if (imageCount_ == value) return;
    imageCount_ = value;
    image_->Dirty = true;
    glyph_->Dirty = true;
    DoChanged();
}

void TdxSkinElement::SetTextColor(TColor value) {
    textColor_ = value;
    DoChanged();
}

// ---------------------------------------------------------------------------------------------
TdxSkinControlGroup::TdxSkinControlGroup(TPersistent* owner, const AnsiString& name)
    : TdxSkinPersistent(owner, name) {}

TdxSkinControlGroup::~TdxSkinControlGroup() = default;

void TdxSkinControlGroup::Assign(TPersistent* source) {
    BeginUpdate();
    try {
        if (auto* other = dynamic_cast<TdxSkinControlGroup*>(source)) {
            ClearList(Elements);
            for (int i = 0; i < other->ElementCount(); ++i)
                AddChild(other->ElementAt(i)->Clone().release(), Elements);
        }
        TdxSkinPersistent::Assign(source);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TdxSkinControlGroup::Sort() {
    TdxSkinPersistent::Sort();
    SortList(Elements);
}

TdxSkinElement* TdxSkinControlGroup::AddElementOfClass(const AnsiString& name, TClass elementClass) {
    auto element = CreateSkinObject<TdxSkinElement>(elementClass, this, name);
    TdxSkinElement* result = element.get();
    AddChild(element.release(), Elements);
    return result;
}

TdxSkinElement* TdxSkinControlGroup::GetElementByName(const AnsiString& name) {
    CheckSorted();
    return static_cast<TdxSkinElement*>(FindInList(Elements, name));
}

TdxSkinElement* TdxSkinControlGroup::ElementAt(int index) const {
    return TypedItem<TdxSkinElement>(Elements, index);
}

TdxSkin* TdxSkinControlGroup::GetSkin() const {
    return dynamic_cast<TdxSkin*>(Owner);
}

// ---------------------------------------------------------------------------------------------
TdxSkin::TdxSkin(const AnsiString& name, HMODULE module, bool loadOnCreate)
    : TdxSkinPersistent(nullptr, name), Name(name) {
    if (loadOnCreate) LoadFromResource(module);
}

TdxSkin::~TdxSkin() = default;

void TdxSkin::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TdxSkin*>(source);
    BeginUpdate();
    try {
        if (other) {
            ClearList(Colors);
            ClearList(Groups);
            for (int i = 0; i < other->ColorCount(); ++i)
                AddChild(other->ColorAt(i)->Clone().release(), Colors);
            for (int i = 0; i < other->GroupCount(); ++i)
                AddChild(other->GroupAt(i)->Clone().release(), Groups);
        }
        TdxSkinPersistent::Assign(source);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TdxSkin::DoChanged() {
    NotifyListeners();
    if (OnChange) OnChange(this);
}

void TdxSkin::Sort() {
    TdxSkinPersistent::Sort();
    SortList(Groups);
    SortList(Colors);
}

void TdxSkin::Delete(TdxSkinCustomPersistentObject* item) {
    TdxSkinPersistent::Delete(item);
    if (Colors.Remove(item) >= 0) {
        delete item;
        Changed();
    }
}

std::unique_ptr<TdxSkinCustomPersistentObject> TdxSkin::Clone() {
    auto clone = CreateSkinObject<TdxSkin>(ClassType(), nullptr, Name);
    clone->Name = Name;
    clone->Assign(this);
    return clone;
}

TdxSkinColor* TdxSkin::AddColor(const AnsiString& name, TColor value) {
    BeginUpdate();
    TdxSkinColor* color = nullptr;
    try {
        auto created = std::make_unique<TdxSkinColor>(this, name);
        color = created.get();
        AddChild(created.release(), Colors);
        color->SetValue(value);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    return color;
}

TdxSkinControlGroup* TdxSkin::AddGroup(const AnsiString& name) {
    auto group = std::make_unique<TdxSkinControlGroup>(this, name);
    TdxSkinControlGroup* result = group.get();
    AddChild(group.release(), Groups);
    return result;
}

TdxSkinColor* TdxSkin::GetColorByName(const AnsiString& name) {
    CheckSorted();
    return static_cast<TdxSkinColor*>(FindInList(Colors, name));
}

TdxSkinControlGroup* TdxSkin::GetGroupByName(const AnsiString& name) {
    CheckSorted();
    return static_cast<TdxSkinControlGroup*>(FindInList(Groups, name));
}

TdxSkinColor* TdxSkin::ColorAt(int index) const {
    return TypedItem<TdxSkinColor>(Colors, index);
}

TdxSkinControlGroup* TdxSkin::GroupAt(int index) const {
    return TypedItem<TdxSkinControlGroup>(Groups, index);
}

void TdxSkin::Clear() {
    ClearList(Groups);
    ClearList(Colors);
    ClearList(Properties);
    Changed();
}

void TdxSkin::AddListener(IdxSkinChangeListener* listener) {
    Listeners.push_back(listener);
}

void TdxSkin::RemoveListener(IdxSkinChangeListener* listener) {
    auto at = std::find(Listeners.begin(), Listeners.end(), listener);
    if (at != Listeners.end()) Listeners.erase(at);
}

void TdxSkin::NotifyListeners() {
    ++UpdateCount;
    try {
        // A listener may remove itself: walk a copy.
        std::vector<IdxSkinChangeListener*> listeners = Listeners;
        for (IdxSkinChangeListener* listener : listeners)
            listener->SkinChanged(this);
    } catch (...) {
        --UpdateCount;
        throw;
    }
    --UpdateCount;
}

void TdxSkin::TakeContent(TdxSkin& source) {
    BeginUpdate();
    ClearList(Groups);
    ClearList(Colors);
    ClearList(Properties);
    auto adopt = [this](TcxObjectList& from, TcxObjectList& to) {
        for (int i = 0; i < from.Count(); ++i) {
            auto* item = static_cast<TdxSkinCustomPersistentObject*>(from.Items(i));
            item->Owner = this;
            item->OnChange = [this](TObject* sender) { ChildChanged(sender); };
        }
        MoveItems(from, to);
    };
    adopt(source.Colors, Colors);
    adopt(source.Properties, Properties);
    adopt(source.Groups, Groups);
    Name = source.Name;
    Version = source.Version;
    Changed();
    EndUpdate();
}

// ---------------------------------------------------------------------------------------------
TdxSkinElement* SkinEmptyElement = nullptr;

TdxSkinElement* SkinElementOrEmpty(TdxSkinElement* element) {
    return element ? element : SkinEmptyElement;
}

const std::vector<TClass>& SkinPropertyClasses() {
    static const std::vector<TClass> none;
    return propertyClasses ? *propertyClasses : none;
}

void RegisterSkinPropertyClass(TClass propertyClass) {
    if (propertyClasses) propertyClasses->push_back(propertyClass);
    RegisterClass(propertyClass);
}

DWORD dxColorToARGB(TColor color, uint8_t alpha) {
    COLORREF rgb = ColorToRGB(color);
    return (static_cast<DWORD>(alpha) << 24) | (static_cast<DWORD>(GetRValue(rgb)) << 16) |
           (static_cast<DWORD>(GetGValue(rgb)) << 8) | GetBValue(rgb);
}

namespace {
std::array<TClass, 3> StructureClasses() {
    return {TdxSkinControlGroup::StaticClass(), TdxSkinElement::StaticClass(), TdxSkinImage::StaticClass()};
}

void SkinUnitLoad() {
    SkinEmptyElement = new TdxSkinEmptyElement(nullptr, "");
    propertyClasses = new std::vector<TClass>();
    SkinPartStream()->Initialize(nullptr, 0, 0);
    for (TClass aClass : StructureClasses())
        RegisterClass(aClass);
    for (TClass aClass : {TdxSkinIntegerProperty::StaticClass(), TdxSkinColor::StaticClass(),
                          TdxSkinRectProperty::StaticClass(), TdxSkinSizeProperty::StaticClass(),
                          TdxSkinBooleanProperty::StaticClass(), TdxSkinStringProperty::StaticClass()})
        RegisterSkinPropertyClass(aClass);
    if (IsGdiPlusAvailable()) EnsurePngEncoderClsid();
}

void SkinUnitUnload() {
    if (propertyClasses)
        for (TClass aClass : *propertyClasses)
            UnRegisterClass(aClass);
    delete propertyClasses;
    propertyClasses = nullptr;
    for (TClass aClass : StructureClasses())
        UnRegisterClass(aClass);
    SkinPartStream()->Initialize(nullptr, 0, 0);
    delete SkinEmptyElement;
    SkinEmptyElement = nullptr;
}
} // namespace

void SkinModelInitialize() {
    GetUnitsLoader()->RegisterUnit(SkinUnitLoad, SkinUnitUnload);
}

void SkinModelFinalize() {
    GetUnitsLoader()->UnregisterUnit(SkinUnitUnload);
}
