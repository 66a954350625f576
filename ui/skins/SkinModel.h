#pragma once
// The object model of one skin: groups of named elements with their picture strips, named colours
// and typed named properties, lazily sorted for binary search, and one change notification per
// outermost update.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "platform/core/Persistent.h"
#include "platform/core/Streams.h"
#include "platform/graphics/Graphics.h"
#include "ui/core/CoreClasses.h"
#include "ui/core/GdiPlusApi.h"
#include "ui/core/GdiPlusClasses.h"
#include "ui/core/Geometry.h"

enum TdxSkinElementState {
    esNormal,
    esHot,
    esPressed,
    esDisabled,
    esActive,
    esFocused,
    esDroppedDown,
    esChecked,
    esHotCheck,
    esActiveDisabled,
    esCheckPressed
};
constexpr int dxSkinElementStateCount = 11;

// Bit n stands for the state of ordinal n; stored as a word.
using TdxSkinElementStates = uint16_t;
constexpr TdxSkinElementStates dxSkinAllStates = (1u << dxSkinElementStateCount) - 1;
constexpr TdxSkinElementStates StateBit(TdxSkinElementState state) {
    return static_cast<TdxSkinElementStates>(1u << state);
}
inline TdxSkinElementStates MakeStates(std::initializer_list<TdxSkinElementState> states) {
    TdxSkinElementStates result = 0;
    for (TdxSkinElementState state : states)
        result |= StateBit(state);
    return result;
}

enum TdxSkinImageLayout { ilHorizontal, ilVertical };
enum TdxSkinStretchMode { smStretch, smTile, smNoResize };
enum TdxSkinGradientMode { gmHorizontal, gmVertical, gmForwardDiagonal, gmBackwardDiagonal };

VZ_EXCEPTION_CLASS(EdxSkin, Exception);

// Texts of the skin library.
extern const AnsiString sdxSkinResourceType; // "DXSKINS"
extern const AnsiString sdxSkinInvalidStreamFormat;
extern const AnsiString sdxSkinOldVersion;

// The next value of the process-wide element stamp counter.
uint64_t NextSkinElementStamp();

class TdxSkin;
class TdxSkinCanvas;
class TdxSkinControlGroup;
class TdxSkinElement;
class TdxSkinProperty;

class IdxSkinChangeListener {
public:
    virtual void SkinChanged(TdxSkin* skin) = 0;

protected:
    ~IdxSkinChangeListener() = default;
};

class IdxSkinInfoSource {
public:
    virtual TdxSkin* GetSkin() = 0;

protected:
    ~IdxSkinInfoSource() = default;
};

// A part an object holds in place, used as the owning pointer it stands for: a pack read makes
// thousands of elements, and a heap block for each of their parts costs more than the part.
template <class T> class TdxSkinInlinePart {
public:
    template <class... Args>
    explicit TdxSkinInlinePart(Args&&... args) : value_(std::forward<Args>(args)...) {}
    TdxSkinInlinePart(const TdxSkinInlinePart&) = delete;
    TdxSkinInlinePart& operator=(const TdxSkinInlinePart&) = delete;

    T* operator->() { return &value_; }
    const T* operator->() const { return &value_; }
    T& operator*() { return value_; }
    const T& operator*() const { return value_; }
    T* get() { return &value_; }

private:
    T value_;
};

// ---------------------------------------------------------------------------------------------
// The named base of every object of a skin. Every class of the model can be made from its class
// reference (CreateSkinObject), so that readers and Clone make objects of the stored class.
class TdxSkinCustomPersistentObject : public TPersistent {
public:
    VZ_CLASS(TdxSkinCustomPersistentObject, TPersistent)
    explicit TdxSkinCustomPersistentObject(TPersistent* owner = nullptr, const AnsiString& name = {});

    TPersistent* GetOwner() override { return Owner; }
    virtual void DoChanged();
    // A new object of this class with no owner and the same name, assigned from this one.
    virtual std::unique_ptr<TdxSkinCustomPersistentObject> Clone();
    template <class T> std::unique_ptr<T> CloneAs() {
        return std::unique_ptr<T>(static_cast<T*>(Clone().release()));
    }

    AnsiString Name;
    TPersistent* Owner;
    int LookupState = 0; // 0 not looked up, 1 found by a skin info, 2 a placeholder it made
    TNotifyEvent OnChange;
};

// A new object of aClass (a descendant of T) with the given owner and name.
template <class T>
std::unique_ptr<T> CreateSkinObject(TClass aClass, TPersistent* owner, const AnsiString& name) {
    std::unique_ptr<T> object = aClass->Create<T>();
    object->Owner = owner;
    object->Name = name;
    return object;
}

// ---------------------------------------------------------------------------------------------
class TdxSkinPersistent : public TdxSkinCustomPersistentObject {
public:
    VZ_CLASS(TdxSkinPersistent, TdxSkinCustomPersistentObject)
    explicit TdxSkinPersistent(TPersistent* owner = nullptr, const AnsiString& name = {});
    ~TdxSkinPersistent() override;

    // Replaces the properties by clones of the source's.
    void Assign(TPersistent* source) override;

    virtual void Changed();
    virtual void Sort();
    virtual void ChildChanged(TObject* sender);
    virtual void Delete(TdxSkinCustomPersistentObject* item);

    void BeginUpdate() { ++UpdateCount; }
    void EndUpdate();
    void CancelUpdate() { --UpdateCount; }
    void CheckSorted() { SetSorted(true); }
    void SetSorted(bool value);

    TdxSkinProperty* AddProperty(const AnsiString& name, TClass propertyClass);
    template <class T> T* AddProperty(const AnsiString& name) {
        return static_cast<T*>(AddProperty(name, T::StaticClass()));
    }
    void AddChild(TdxSkinCustomPersistentObject* item, TcxObjectList& list);
    TdxSkinProperty* GetPropertyByName(const AnsiString& name);
    int PropertyCount() const { return Properties.Count(); }
    TdxSkinProperty* PropertyAt(int index) const;

    void ReadProperties(TStream* stream);
    void WriteProperties(TStream* stream);

    int UpdateCount = 0;
    bool Modified = false;
    TcxObjectList Properties;
    bool Sorted = false;

protected:
    // Frees the items of list and empties it.
    static void ClearList(TcxObjectList& list) { list.Clear(); }
    void SortList(TcxObjectList& list);
    static TdxSkinCustomPersistentObject* FindInList(const TcxObjectList& list, const AnsiString& name);
};

// ---------------------------------------------------------------------------------------------
// Properties.
class TdxSkinProperty : public TdxSkinCustomPersistentObject {
public:
    VZ_CLASS(TdxSkinProperty, TdxSkinCustomPersistentObject)
    using TdxSkinCustomPersistentObject::TdxSkinCustomPersistentObject;

    virtual void ReadData(TStream*) {}
    virtual void ReadFromStream(TStream* stream); // the name, then the data
    virtual void WriteData(TStream*) {}
    virtual void WriteToStream(TStream* stream); // the class name, the name, then the data
    virtual void GetDescription(AnsiString& text);
    virtual bool Compare(TdxSkinProperty* property);

protected:
    // Same name (case-sensitive) and same class.
    bool SameKind(TdxSkinProperty* property) const;
};

class TdxSkinIntegerProperty : public TdxSkinProperty {
public:
    VZ_CLASS(TdxSkinIntegerProperty, TdxSkinProperty)
    using TdxSkinProperty::TdxSkinProperty;
    void Assign(TPersistent* source) override;
    void ReadData(TStream* stream) override;
    void WriteData(TStream* stream) override;
    bool Compare(TdxSkinProperty* property) override;
    int Value() const { return value_; }
    void SetValue(int value);

private:
    int value_ = 0;
};

class TdxSkinBooleanProperty : public TdxSkinProperty {
public:
    VZ_CLASS(TdxSkinBooleanProperty, TdxSkinProperty)
    using TdxSkinProperty::TdxSkinProperty;
    void Assign(TPersistent* source) override;
    void ReadData(TStream* stream) override;
    void WriteData(TStream* stream) override;
    bool Compare(TdxSkinProperty* property) override;
    bool Value() const { return value_; }
    void SetValue(bool value);

private:
    bool value_ = false;
};

class TdxSkinColor : public TdxSkinProperty {
public:
    VZ_CLASS(TdxSkinColor, TdxSkinProperty)
    using TdxSkinProperty::TdxSkinProperty;
    void Assign(TPersistent* source) override;
    void ReadData(TStream* stream) override;
    void WriteData(TStream* stream) override;
    bool Compare(TdxSkinProperty* property) override;
    TColor Value() const { return value_; }
    void SetValue(TColor value);

private:
    TColor value_ = clDefault;
};

class TdxSkinRectProperty : public TdxSkinProperty {
public:
    VZ_CLASS(TdxSkinRectProperty, TdxSkinProperty)
    explicit TdxSkinRectProperty(TPersistent* owner = nullptr, const AnsiString& name = {});
    void Assign(TPersistent* source) override;
    void ReadData(TStream* stream) override;
    void WriteData(TStream* stream) override;
    bool Compare(TdxSkinProperty* property) override;
    TcxRect& Value() { return *value_; }
    const TRect& Rect() const { return value_->Rect(); }

private:
    std::unique_ptr<TcxRect> value_;
};

class TdxSkinSizeProperty : public TdxSkinProperty {
public:
    VZ_CLASS(TdxSkinSizeProperty, TdxSkinProperty)
    using TdxSkinProperty::TdxSkinProperty;
    void Assign(TPersistent* source) override;
    void ReadData(TStream* stream) override;
    void WriteData(TStream* stream) override;
    bool Compare(TdxSkinProperty* property) override;
    int cx() const { return value_.cx; }
    int cy() const { return value_.cy; }
    void SetCx(int value);
    void SetCy(int value);
    const TSize& Value() const { return value_; }

private:
    TSize value_{0, 0};
};

class TdxSkinStringProperty : public TdxSkinProperty {
public:
    VZ_CLASS(TdxSkinStringProperty, TdxSkinProperty)
    using TdxSkinProperty::TdxSkinProperty;
    void Assign(TPersistent* source) override;
    void ReadData(TStream* stream) override;
    void WriteData(TStream* stream) override;
    bool Compare(TdxSkinProperty* property) override;
    const AnsiString& Value() const { return value_; }
    void SetValue(const AnsiString& value);

private:
    AnsiString value_;
};

class TdxSkinBorder : public TdxSkinProperty {
public:
    VZ_CLASS(TdxSkinBorder, TdxSkinProperty)
    using TdxSkinProperty::TdxSkinProperty;
    void Assign(TPersistent* source) override;
    void ReadData(TStream* stream) override;
    void WriteData(TStream* stream) override;
    bool Compare(TdxSkinProperty* property) override;
    // Drawn by the element drawing unit.
    virtual void Draw(HDC dc, const TRect& r);
    virtual void DrawEx(TdxSkinCanvas* canvas, const TRect& r);

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    int Thin() const { return thin_; }
    void SetThin(int value);
    int Kind = 0; // 0 left, 1 top, 2 right, 3 bottom

private:
    TColor color_ = clNone;
    int thin_ = 1;
};

class TdxSkinBorders : public TdxSkinProperty {
public:
    VZ_CLASS(TdxSkinBorders, TdxSkinProperty)
    explicit TdxSkinBorders(TPersistent* owner = nullptr, const AnsiString& name = {});
    void Assign(TPersistent* source) override;
    bool Compare(TdxSkinProperty* property) override;
    virtual void BorderChanged(TObject* sender);

    TdxSkinBorder& Left() { return items_[0]; }
    TdxSkinBorder& Top() { return items_[1]; }
    TdxSkinBorder& Right() { return items_[2]; }
    TdxSkinBorder& Bottom() { return items_[3]; }
    TdxSkinBorder& Items(int kind) { return items_[kind]; }

private:
    TdxSkinBorder items_[4];
};

// ---------------------------------------------------------------------------------------------
// A picture strip of state frames.
class TdxSkinImage : public TPersistent {
public:
    VZ_CLASS(TdxSkinImage, TPersistent)
    explicit TdxSkinImage(TdxSkinElement* owner = nullptr);
    ~TdxSkinImage() override;

    TPersistent* GetOwner() override;
    void Assign(TPersistent* source) override; // from another image only

    virtual void Changed();
    // The state map: FrameSize, StateCount, StateBounds.
    virtual void Recalculate();
    // Drawn by the element drawing unit.
    virtual void DrawPart(TdxSkinCanvas* canvas, const TRect& dest, bool isCenter, bool resize,
                          const TRect& source);
    virtual bool Compare(TdxSkinImage* image);
    virtual void Draw(HDC dc, const TRect& r, int imageIndex, TdxSkinElementState state);
    virtual void DrawEx(TdxSkinCanvas* canvas, const TRect& r, int imageIndex, TdxSkinElementState state);

    void ReadFromStream(TStream* stream);
    void WriteToStream(TStream* stream);

    void Clear();
    bool IsEmpty() const;
    void GetName(AnsiString& name) const;
    void GetSourceName(AnsiString& name) const;
    // Recomputes the state map when something changed it.
    void CheckInfo();
    // The frame of a state for an image index: the state's frame moved past imageIndex blocks.
    TRect GetStateBounds(int imageIndex, TdxSkinElementState state);
    // A state the strip lacks becomes its first present state.
    TdxSkinElementState ValidateState(TdxSkinElementState state);
    // The nine parts of r (k = column x 3 + row) by the margins; a part is computed only while its
    // present flag is set, which then says whether it is non-empty. With shrink, margins wider or
    // higher than r shrink in proportion and their parts become resized.
    void CalculatePartRects(const TRect& r, TRect parts[9], bool present[9], bool shrink);

    TdxSkinGradientMode Gradient() const { return gradient_; }
    void SetGradient(TdxSkinGradientMode value);
    TColor GradientBeginColor() const { return gradientBeginColor_; }
    void SetGradientBeginColor(TColor value);
    TColor GradientEndColor() const { return gradientEndColor_; }
    void SetGradientEndColor(TColor value);
    TdxSkinImageLayout ImageLayout() const { return imageLayout_; }
    void SetImageLayout(TdxSkinImageLayout value);
    TdxSkinElementStates States() const { return states_; }
    void SetStates(TdxSkinElementStates value);
    TdxSkinStretchMode Stretch() const { return stretch_; }
    void SetStretch(TdxSkinStretchMode value);
    TcxRect& Margins() { return *margins_; }
    void SetMargins(TcxRect* value) { margins_->Assign(value); }
    TdxPNGImage& Texture() { return *texture_; }
    const TSize& FrameSize() {
        CheckInfo();
        return frameSize_;
    }
    int StateCount() {
        CheckInfo();
        return stateCount_;
    }
    // The frame of a state in the first image block; a state the strip lacks has the first frame.
    TRect StateBounds(TdxSkinElementState state);

    bool Dirty = true;
    TNotifyEvent OnChange;
    TdxSkinElement* Owner;
    bool PartResized[3][3] = {}; // [column, row]; set by the element drawing unit
    AnsiString SourceName;

private:
    TdxSkinElement* SkinElement() const { return Owner; }

    TdxSkinGradientMode gradient_ = gmHorizontal;
    TColor gradientBeginColor_ = clNone;
    TColor gradientEndColor_ = clNone;
    TdxSkinImageLayout imageLayout_ = ilHorizontal;
    TdxSkinInlinePart<TcxRect> margins_;
    TSize frameSize_{0, 0};
    int stateCount_ = 0;
    TdxSkinElementStates states_ = 0;
    TdxSkinStretchMode stretch_ = smStretch;
    TdxSkinInlinePart<TdxPNGImage> texture_;
};

// ---------------------------------------------------------------------------------------------
class TdxSkinElement : public TdxSkinPersistent {
public:
    VZ_CLASS(TdxSkinElement, TdxSkinPersistent)
    explicit TdxSkinElement(TPersistent* owner = nullptr, const AnsiString& name = {});
    ~TdxSkinElement() override;

    void Assign(TPersistent* source) override;

    virtual bool CompareProperties(TdxSkinElement* element);
    virtual void GetImageFileName(TdxSkinImage* image, AnsiString& name);
    virtual void ReadFromStream(TStream* stream, double version);
    virtual void WriteToStream(TStream* stream, double version);
    virtual bool Compare(TdxSkinElement* element);
    // Drawn by the element drawing unit.
    virtual void Render(HDC dc, const TRect& r, int imageIndex, TdxSkinElementState state);

    TdxSkinControlGroup* GetGroup() const;
    void GetPath(AnsiString& path) const;
    TSize GetImageSize() { return Image().FrameSize(); }
    bool HasAlpha();
    virtual void DrawEx(TdxSkinCanvas* canvas, const TRect& r, int imageIndex, TdxSkinElementState state);
    virtual void DrawColor(TdxSkinCanvas* canvas, const TRect& r);
    void Changed() override;
    void DoChanged() override;

    // New at creation and at every change of the element or its parts, from one process-wide
    // counter: an element cache compares it, as a new element may take a freed one's address.
    uint64_t Stamp = NextSkinElementStamp();

    uint8_t Alpha() const { return alpha_; }
    void SetAlpha(uint8_t value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    int ImageCount() const { return imageCount_; }
    void SetImageCount(int value);
    TColor TextColor() const { return textColor_; }
    void SetTextColor(TColor value);
    bool IsColorAssigned() const { return isColorAssigned_; }
    // The GDI+ solid brush of Color and Alpha; nullptr until a colour is assigned. Made on first
    // use (only translucent fills need it), with the colour the last assignment gave it.
    GpSolidFill* Brush() const;

    TdxSkinBorders& Borders() { return *borders_; }
    void SetBorders(TdxSkinBorders* value) { borders_->Assign(value); }
    // Made on the element's first paint.
    TdxSkinCanvas* Canvas() const;
    TcxRect& ContentOffset() { return *contentOffset_; }
    void SetContentOffset(TcxRect* value) { contentOffset_->Assign(value); }
    TdxSkinImage& Glyph() { return *glyph_; }
    void SetGlyph(TdxSkinImage* value) { glyph_->Assign(value); }
    TdxSkinImage& Image() { return *image_; }
    void SetImage(TdxSkinImage* value) { image_->Assign(value); }
    TcxSize& MinSize() { return *minSize_; }
    void SetMinSize(TcxSize* value) { minSize_->Assign(value); }

private:
    uint8_t alpha_ = 255;
    TdxSkinInlinePart<TdxSkinBorders> borders_;
    mutable GpSolidFill* brush_ = nullptr;
    DWORD brushColor_ = 0;     // what the brush is to fill with, once it is made
    bool brushWanted_ = false; // a colour was assigned while GDI+ was on
    mutable std::unique_ptr<TdxSkinCanvas> canvas_;
    TColor color_ = clDefault;
    TdxSkinInlinePart<TcxRect> contentOffset_;
    TdxSkinInlinePart<TdxSkinImage> glyph_;
    TdxSkinInlinePart<TdxSkinImage> image_;
    int imageCount_ = 1;
    bool isColorAssigned_ = false;
    TdxSkinInlinePart<TcxSize> minSize_;
    TColor textColor_ = clDefault;
};

// Stands in for a missing element; the control painters draw it then.
class TdxSkinEmptyElement : public TdxSkinElement {
public:
    VZ_CLASS(TdxSkinEmptyElement, TdxSkinElement)
    using TdxSkinElement::TdxSkinElement;
    void Render(HDC dc, const TRect& r, int imageIndex, TdxSkinElementState state) override;
};

// ---------------------------------------------------------------------------------------------
class TdxSkinControlGroup : public TdxSkinPersistent {
public:
    VZ_CLASS(TdxSkinControlGroup, TdxSkinPersistent)
    explicit TdxSkinControlGroup(TPersistent* owner = nullptr, const AnsiString& name = {});
    ~TdxSkinControlGroup() override;

    // Replaces the elements and properties by clones of the source's.
    void Assign(TPersistent* source) override;
    void Sort() override;

    virtual void ReadFromStream(TStream* stream, double version);
    virtual void WriteToStream(TStream* stream);

    TdxSkinElement* AddElement(const AnsiString& name) {
        return AddElementOfClass(name, TdxSkinElement::StaticClass());
    }
    TdxSkinElement* AddElementOfClass(const AnsiString& name, TClass elementClass);
    TdxSkinElement* GetElementByName(const AnsiString& name);
    int ElementCount() const { return Elements.Count(); }
    TdxSkinElement* ElementAt(int index) const;
    TdxSkin* GetSkin() const;

    TcxObjectList Elements;
};

// ---------------------------------------------------------------------------------------------
class TdxSkin : public TdxSkinPersistent {
public:
    VZ_CLASS(TdxSkin, TdxSkinPersistent)
    // With loadOnCreate the pack of the resource "DXSKINS"/name of module is read at once.
    explicit TdxSkin(const AnsiString& name = {}, HMODULE module = nullptr, bool loadOnCreate = false);
    ~TdxSkin() override;

    // Replaces colours, groups and properties by clones of the source's.
    void Assign(TPersistent* source) override;
    void DoChanged() override;
    void Sort() override;
    void Delete(TdxSkinCustomPersistentObject* item) override;
    // A skin of the same class named after this skin's own Name, assigned from this one.
    std::unique_ptr<TdxSkinCustomPersistentObject> Clone() override;

    virtual void LoadFromResource(HMODULE module);
    // Replaces the whole content by the pack at the stream's position. The pack is read apart
    // first: on any error the skin, its name and version included, stays as it was.
    virtual void LoadFromStream(TStream* stream);
    virtual void SaveToStream(TStream* stream);

    TdxSkinColor* AddColor(const AnsiString& name, TColor value);
    TdxSkinControlGroup* AddGroup(const AnsiString& name);
    TdxSkinColor* GetColorByName(const AnsiString& name);
    TdxSkinControlGroup* GetGroupByName(const AnsiString& name);
    int ColorCount() const { return Colors.Count(); }
    TdxSkinColor* ColorAt(int index) const;
    int GroupCount() const { return Groups.Count(); }
    TdxSkinControlGroup* GroupAt(int index) const;
    void Clear();
    void SetName(const AnsiString& name) { Name = name; }

    void AddListener(IdxSkinChangeListener* listener);
    void RemoveListener(IdxSkinChangeListener* listener);
    void NotifyListeners();

    TcxObjectList Colors;
    TcxObjectList Groups;
    std::vector<IdxSkinChangeListener*> Listeners;
    // The skin's own name and event, apart from the inherited ones: the inherited Name keeps the
    // name given at creation (the resource name), this one is the name read from a pack.
    AnsiString Name;
    TNotifyEvent OnChange;
    double Version = 1.02;

private:
    // Reads the pack into this (fresh) skin.
    void ReadPack(TStream* stream);
    // Takes over the content of source inside one update.
    void TakeContent(TdxSkin& source);
};

// AElement, or SkinEmptyElement when it is nil.
TdxSkinElement* SkinElementOrEmpty(TdxSkinElement* element);
extern TdxSkinElement* SkinEmptyElement;
// The registered property classes, in registration order.
const std::vector<TClass>& SkinPropertyClasses();
void RegisterSkinPropertyClass(TClass propertyClass);
// The colour GDI+ draws for a TColor and an alpha: alpha, red, green, blue from the high byte down.
DWORD dxColorToARGB(TColor color, uint8_t alpha);

// Unit start and end: the model's globals are made through the units loader.
void SkinModelInitialize();
void SkinModelFinalize();
