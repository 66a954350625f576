#pragma once
// A record list with fields given by the test, and helpers to build rows and read them back.
#include <cstring>
#include <string>
#include <vector>

#include "data/memory/MemData.h"
#include "tests/data/memory/DataTestFixture.h"

class TTestMemData : public TMemData {
public:
    explicit TTestMemData(std::vector<FieldSpec> specs) : Specs(std::move(specs)) { InitFields(); }
    std::vector<FieldSpec> Specs;
    int FetchCalls = 0;

    bool Fetch(bool backward) override {
        ++FetchCalls;
        return TMemData::Fetch(backward);
    }

protected:
    void DoInitFields() override {
        for (const auto& s : Specs) {
            auto* d = new TFieldDesc();
            d->FieldName = s.Name;
            d->SourceName = s.Name;
            d->TypeCode = s.Code;
            d->DeclaredLength = static_cast<uint16_t>(s.Length);
            d->DeclaredScale = static_cast<int16_t>(s.Scale);
            d->FieldKind = s.Kind;
            d->StorageSize = DataTypeStorageSize(s.Code, s.Length);
            FieldDescs().Add(d);
        }
    }
};

// Field values as the tests set them: nullptr in Text or IsNull marks null.
struct TestValue {
    bool IsNull = false;
    int64_t Int = 0;
    double Float = 0;
    std::string Text;
    std::wstring Wide;
    static TestValue Null() {
        TestValue v;
        v.IsNull = true;
        return v;
    }
};

inline void PutTestValue(TData& data, void* record, int fieldNo, const TestValue& v) {
    TFieldDesc* desc = data.FieldDescOf(fieldNo);
    if (v.IsNull) {
        data.SetNull(fieldNo, record, true);
        return;
    }
    switch (desc->TypeCode) {
    case tcString:
    case tcExtString:
        data.PutField(fieldNo, record, true, v.Text.c_str());
        break;
    case tcWideString:
    case tcExtWideString: {
        const wchar_t* p = v.Wide.c_str();
        data.PutField(fieldNo, record, true, &p);
        break;
    }
    case tcInt32: {
        int32_t i = static_cast<int32_t>(v.Int);
        data.PutField(fieldNo, record, true, &i);
        break;
    }
    case tcInt16: {
        int16_t i = static_cast<int16_t>(v.Int);
        data.PutField(fieldNo, record, true, &i);
        break;
    }
    case tcInt64: {
        int64_t i = v.Int;
        data.PutField(fieldNo, record, true, &i);
        break;
    }
    case tcDateTime: { // external form: milliseconds of the time stamp
        TTimeStamp ts = DateTimeToTimeStamp(v.Float);
        double ms = static_cast<double>(ts.Date) * MSecsPerDay + ts.Time;
        data.PutField(fieldNo, record, true, &ms);
        break;
    }
    case tcFloat: {
        double d = v.Float;
        data.PutField(fieldNo, record, true, &d);
        break;
    }
    default:
        throw Exception("unsupported test field");
    }
}

inline int32_t ReadInt32(TData& data, void* record, int fieldNo) {
    bool isNull = false;
    int32_t v = 0;
    data.GetField(fieldNo, record, isNull, &v);
    return isNull ? INT32_MIN : v;
}

inline std::string ReadText(TData& data, void* record, int fieldNo) {
    bool isNull = false;
    std::vector<char> buffer(static_cast<size_t>(data.FieldDescOf(fieldNo)->DeclaredLength) + 2, 0);
    TFieldDesc* desc = data.FieldDescOf(fieldNo);
    if (desc->TypeCode == tcExtString) {
        if (data.GetNull(fieldNo, record)) return "<null>";
        auto* p = LoadUnaligned<const char*>(static_cast<uint8_t*>(record) + desc->RecordOffset, 0);
        return p ? p : "";
    }
    data.GetField(fieldNo, record, isNull, buffer.data());
    return isNull ? "<null>" : std::string(buffer.data());
}

// A record buffer filled from values, freed with its complex fields.
class TRow {
public:
    TRow(TData& data, const std::vector<TestValue>& values) : record_(data) {
        for (size_t i = 0; i < values.size(); ++i)
            PutTestValue(data, record_, static_cast<int>(i) + 1, values[i]);
    }
    operator void*() const { return record_.get(); }

private:
    TRecord record_;
};

// Builds a record from values and hands it to insert (or append); the stored row then owns the
// record's heap texts and objects, so only the buffer itself is freed here.
inline void StoreRow(TMemData& data, const std::vector<TestValue>& values, bool append = true) {
    void* buffer = nullptr;
    data.AllocRecBuf(buffer);
    try {
        data.InitRecordBuf(buffer);
        data.CreateComplexFields(buffer, true);
        for (size_t i = 0; i < values.size(); ++i)
            PutTestValue(data, buffer, static_cast<int>(i) + 1, values[i]);
        if (append)
            data.AppendRecord(buffer);
        else
            data.InsertRecord(buffer);
    } catch (...) {
        data.FreeRecBuf(buffer);
        throw;
    }
    data.FreeRecBuf(buffer);
}

inline TestValue I(int64_t v) {
    TestValue t;
    t.Int = v;
    return t;
}
inline TestValue S(const std::string& s) {
    TestValue t;
    t.Text = s;
    return t;
}
inline TestValue W(const std::wstring& s) {
    TestValue t;
    t.Wide = s;
    return t;
}
inline TestValue F(double d) {
    TestValue t;
    t.Float = d;
    return t;
}
