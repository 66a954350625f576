#pragma once
// Value types: how one kind of value is kept in a raw record buffer (its bytes, its Variant, its
// order, its text and its stream form). They are stateless: one shared instance per class, used
// through the class reference TcxValueTypeClass, and registered in a process-wide list.
#include <cstdint>

#include "platform/core/Lists.h"
#include "platform/core/Streams.h"
#include "platform/core/Variant.h"

// A stream with the flag telling whether display text is kept as UTF-16.
struct TcxValueStream {
    TStream* Stream;
    bool UnicodeText;
};

class TcxValueType;
using TcxValueTypeClass = const TcxValueType*;

class TcxValueType : public TObject {
public:
    VZ_CLASS(TcxValueType, TObject)

    // -1, 0 or 1; pointer-holding types compare the values they point to.
    virtual int CompareBuffers(const void* a, const void* b) const;
    virtual void DisposeValue(void* buffer) const;
    static void DisposeText(void* textBuffer);
    virtual int BufferSize() const { return 0; }
    virtual void ValueToVariant(const void* buffer, Variant& value) const;
    // The value's text; empty when its Variant has no text.
    virtual AnsiString DefaultText(const void* buffer) const;
    static AnsiString StoredText(const void* textBuffer);
    virtual void LoadValue(void* buffer, TcxValueStream stream) const;
    static void LoadText(void* textBuffer, TcxValueStream stream);
    virtual void VariantToValue(void* buffer, const Variant& value) const;
    static void StoreText(void* textBuffer, const AnsiString& text);
    virtual void SaveValue(const void* buffer, TcxValueStream stream) const;
    static void SaveText(const void* textBuffer, TcxValueStream stream);
    // The class name without "Tcx" and "ValueType".
    AnsiString TypeCaption() const;
    // Compares two stored values through their Variants.
    virtual int CompareStored(const void* a, const void* b) const;
    void FetchValue(const void* buffer, Variant& value) const { ValueToVariant(buffer, value); }
    virtual TVarType VariantType() const { return varVariant; }
    // True for Null and for every value when VariantType is varVariant; otherwise converts value to
    // VariantType in place. False, value unchanged, when it cannot be converted.
    bool AcceptsVariant(Variant& value) const;
    virtual bool HoldsString() const { return false; }
    virtual void DerefBuffer(const void*& buffer) const;
};

// The shared instance of a value type class.
template <class T> TcxValueTypeClass ValueTypeClass() {
    static const T instance;
    return &instance;
}

class TcxStringValueType : public TcxValueType {
public:
    VZ_CLASS(TcxStringValueType, TcxValueType)
    int CompareBuffers(const void* a, const void* b) const override;
    void DisposeValue(void* buffer) const override;
    int BufferSize() const override { return sizeof(void*); }
    void ValueToVariant(const void* buffer, Variant& value) const override;
    void LoadValue(void* buffer, TcxValueStream stream) const override;
    void VariantToValue(void* buffer, const Variant& value) const override;
    void SaveValue(const void* buffer, TcxValueStream stream) const override;
    TVarType VariantType() const override { return varString; }
    bool HoldsString() const override { return true; }
    void DerefBuffer(const void*& buffer) const override;
};

class TcxWideStringValueType : public TcxStringValueType {
public:
    VZ_CLASS(TcxWideStringValueType, TcxStringValueType)
    int CompareBuffers(const void* a, const void* b) const override;
    void DisposeValue(void* buffer) const override;
    void ValueToVariant(const void* buffer, Variant& value) const override;
    void LoadValue(void* buffer, TcxValueStream stream) const override;
    void VariantToValue(void* buffer, const Variant& value) const override;
    void SaveValue(const void* buffer, TcxValueStream stream) const override;
    TVarType VariantType() const override { return varOleStr; }
};

// A value kept in the buffer as a plain T (Variant type V), read and written by the stream's
// procedures for V; ordered as T.
template <typename T, TVarType V> class TcxPlainValueType : public TcxValueType {
public:
    int CompareBuffers(const void* a, const void* b) const override;
    int BufferSize() const override { return sizeof(T); }
    void ValueToVariant(const void* buffer, Variant& value) const override;
    void LoadValue(void* buffer, TcxValueStream stream) const override;
    void VariantToValue(void* buffer, const Variant& value) const override;
    void SaveValue(const void* buffer, TcxValueStream stream) const override;
    TVarType VariantType() const override { return V; }
};

extern template class TcxPlainValueType<int16_t, varSmallint>;
extern template class TcxPlainValueType<int32_t, varInteger>;
extern template class TcxPlainValueType<uint16_t, varWord>;
extern template class TcxPlainValueType<uint8_t, varBoolean>;
extern template class TcxPlainValueType<double, varDouble>;
extern template class TcxPlainValueType<int64_t, varCurrency>;
extern template class TcxPlainValueType<double, varDate>;
extern template class TcxPlainValueType<int64_t, varInt64>;

class TcxSmallintValueType : public TcxPlainValueType<int16_t, varSmallint> {
public:
    VZ_CLASS(TcxSmallintValueType, TcxValueType)
};

class TcxIntegerValueType : public TcxPlainValueType<int32_t, varInteger> {
public:
    VZ_CLASS(TcxIntegerValueType, TcxValueType)
};

class TcxWordValueType : public TcxPlainValueType<uint16_t, varWord> {
public:
    VZ_CLASS(TcxWordValueType, TcxValueType)
};

// One byte, 0 or not.
class TcxBooleanValueType : public TcxPlainValueType<uint8_t, varBoolean> {
public:
    VZ_CLASS(TcxBooleanValueType, TcxValueType)
    AnsiString DefaultText(const void* buffer) const override;
};

class TcxFloatValueType : public TcxPlainValueType<double, varDouble> {
public:
    VZ_CLASS(TcxFloatValueType, TcxValueType)
};

// The scaled 64-bit integer.
class TcxCurrencyValueType : public TcxPlainValueType<int64_t, varCurrency> {
public:
    VZ_CLASS(TcxCurrencyValueType, TcxValueType)
};

class TcxDateTimeValueType : public TcxPlainValueType<double, varDate> {
public:
    VZ_CLASS(TcxDateTimeValueType, TcxValueType)
    AnsiString DefaultText(const void* buffer) const override;
};

class TcxLargeIntValueType : public TcxPlainValueType<int64_t, varInt64> {
public:
    VZ_CLASS(TcxLargeIntValueType, TcxValueType)
};

// The buffer holds a packed BCD record: precision, sign (bit 7) and scale, 32 bytes of digits.
class TcxFMTBcdValueType : public TcxValueType {
public:
    VZ_CLASS(TcxFMTBcdValueType, TcxValueType)
    int CompareBuffers(const void* a, const void* b) const override;
    int BufferSize() const override { return 34; }
    void ValueToVariant(const void* buffer, Variant& value) const override;
    AnsiString DefaultText(const void* buffer) const override;
    void VariantToValue(void* buffer, const Variant& value) const override;
    TVarType VariantType() const override { return varFMTBcd; }
};

class TcxSQLTimeStampValueType : public TcxValueType {
public:
    VZ_CLASS(TcxSQLTimeStampValueType, TcxValueType)
    int CompareBuffers(const void* a, const void* b) const override;
    int BufferSize() const override { return sizeof(TSQLTimeStamp); }
    void ValueToVariant(const void* buffer, Variant& value) const override;
    void VariantToValue(void* buffer, const Variant& value) const override;
    TVarType VariantType() const override { return varSQLTimeStamp; }
};

class TcxVariantValueType : public TcxValueType {
public:
    VZ_CLASS(TcxVariantValueType, TcxValueType)
    int CompareBuffers(const void* a, const void* b) const override;
    void DisposeValue(void* buffer) const override;
    int BufferSize() const override { return sizeof(void*); }
    void ValueToVariant(const void* buffer, Variant& value) const override;
    void VariantToValue(void* buffer, const Variant& value) const override;
    void DerefBuffer(const void*& buffer) const override;
};

// An object reference in the integer order; its Variant is pointer-wide (varInteger on 32-bit,
// varInt64 on 64-bit). Disposing frees the object; it is not streamed.
class TcxObjectValueType : public TcxIntegerValueType {
public:
    VZ_CLASS(TcxObjectValueType, TcxIntegerValueType)
    int CompareBuffers(const void* a, const void* b) const override;
    void DisposeValue(void* buffer) const override;
    int BufferSize() const override { return sizeof(void*); }
    void ValueToVariant(const void* buffer, Variant& value) const override;
    void LoadValue(void*, TcxValueStream) const override {}
    void VariantToValue(void* buffer, const Variant& value) const override;
    void SaveValue(const void*, TcxValueStream) const override {}
    TVarType VariantType() const override { return sizeof(void*) == 4 ? varInteger : varInt64; }
};

class TcxValueTypeClassList : public TObject {
public:
    VZ_CLASS(TcxValueTypeClassList, TObject)
    // Once per class.
    void RegisterClass(TcxValueTypeClass valueType);
    void UnregisterClass(TcxValueTypeClass valueType);
    int Count() const { return static_cast<int>(items_.size()); }
    TcxValueTypeClass Items(int index) const { return items_[static_cast<size_t>(index)]; }
    // By TypeCaption; nullptr when absent.
    TcxValueTypeClass ItemByCaption(const AnsiString& caption) const;

private:
    std::vector<TcxValueTypeClass> items_;
};

// The process-wide list, made on first use and freed at the unit's end.
TcxValueTypeClassList* cxValueTypeClassList();

void ValueTypesInitialize();
void ValueTypesFinalize();
