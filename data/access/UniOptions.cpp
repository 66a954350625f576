#include "data/access/UniOptions.h"

#include <algorithm>

#include "platform/core/Strings.h"

namespace {
// The integer conversion marks a failure with this value.
constexpr int FailedIntValue = -2147483647;

int ParseInt(const AnsiString& text) {
    int value;
    return TryStrToInt(Trim(text), value) ? value : FailedIntValue;
}
} // namespace

TOption::TOption(const AnsiString& name, const Variant& defaultValue,
                 std::initializer_list<TClass> targetClasses, int propId)
    : name_(name), propId_(propId), targetClasses_(targetClasses), defaultValue_(defaultValue) {}

void TOption::CheckText(const AnsiString& text) const {
    if (!IsValidText(text)) throw Exception("Invalid value: " + text + " for option " + name_);
}

AnsiString TIntegerOption::ValueToText(const Variant& value) const {
    return IntToStr(value.AsInteger());
}

Variant TIntegerOption::TextToValue(const AnsiString& text) const {
    return ParseInt(text);
}

bool TIntegerOption::IsValidText(const AnsiString& text) const {
    return ParseInt(text) != FailedIntValue;
}

void TBooleanOption::ListAllowedValues(TStrings* list) const {
    list->Add("False");
    list->Add("True");
}

AnsiString TBooleanOption::ValueToText(const Variant& value) const {
    return value.AsBoolean() ? "True" : "False";
}

Variant TBooleanOption::TextToValue(const AnsiString& text) const {
    return CompareText(Trim(text), "True") == 0;
}

bool TBooleanOption::IsValidText(const AnsiString& text) const {
    AnsiString t = Trim(text);
    return CompareText(t, "True") == 0 || CompareText(t, "False") == 0;
}

TEnumeratorOption::TEnumeratorOption(const AnsiString& name, const TEnumTypeInfo* typeInfo,
                                     const Variant& defaultValue, std::initializer_list<TClass> targetClasses,
                                     int propId)
    : TOption(name, defaultValue, targetClasses, propId), typeInfo_(typeInfo), minValue_(0),
      maxValue_(static_cast<int>(typeInfo->Values.size()) - 1),
      dropsPrefix_(!typeInfo->Name.empty() && typeInfo->Name[0] == '_') {}

void TEnumeratorOption::ListAllowedValues(TStrings* list) const {
    for (int i = minValue_; i <= maxValue_; ++i)
        list->Add(ValueToText(i));
}

AnsiString TEnumeratorOption::ValueToText(const Variant& value) const {
    const AnsiString& name = typeInfo_->Values.at(static_cast<size_t>(value.AsInteger()));
    return dropsPrefix_ ? name.substr(1) : name;
}

int TEnumeratorOption::ValueOf(const AnsiString& text) const {
    AnsiString name = (dropsPrefix_ ? "_" : "") + Trim(text);
    for (int i = minValue_; i <= maxValue_; ++i)
        if (CompareText(typeInfo_->Values[static_cast<size_t>(i)], name) == 0) return i;
    return -1;
}

Variant TEnumeratorOption::TextToValue(const AnsiString& text) const {
    Assert(maxValue_ < 256, "Enumeration too large for an option");
    int value = ValueOf(text);
    if (value < 0) CheckText(text);
    return static_cast<uint8_t>(value);
}

bool TEnumeratorOption::IsValidText(const AnsiString& text) const {
    return ValueOf(text) >= 0;
}

bool SplitOptionLine(const AnsiString& line, TOptionLine& parts) {
    size_t e = line.find('=');
    if (e == AnsiString::npos) return false;
    size_t p = line.find('.');
    if (p == AnsiString::npos || p > e) {
        parts.Provider.clear();
        parts.Option = line.substr(0, e);
    } else {
        parts.Provider = line.substr(0, p);
        parts.Option = line.substr(p + 1, e - p - 1);
    }
    parts.Value = line.substr(e + 1);
    return true;
}

TOptionsList::TOptionsList(const AnsiString& providerName) : providerName_(providerName) {
    SetSorted(true);
    SetCaseSensitive(false);
}

TOptionsList::~TOptionsList() {
    for (int i = 0; i < Count(); ++i)
        delete GetOption(i);
}

void TOptionsList::Add(TOption* option) {
    AddObject(option->Name(), option);
}

void TOptionsList::ApplyTo(TStrings* lines, TObject* obj, const TSetPropFunc& setProp) const {
    for (int i = 0; i < Count(); ++i) {
        const TOption* option = GetOption(i);
        const auto& targets = option->TargetClasses();
        if (std::find(targets.begin(), targets.end(), obj->ClassType()) == targets.end()) continue;
        Variant value = option->DefaultValue();
        TOptionLine parts;
        for (int j = 0; lines && j < lines->Count(); ++j) {
            if (!SplitOptionLine(lines->Strings(j), parts)) continue;
            if (!parts.Provider.empty() && CompareText(parts.Provider, providerName_) != 0) continue;
            if (CompareText(parts.Option, option->Name()) != 0) continue;
            option->CheckText(parts.Value);
            value = option->TextToValue(parts.Value);
            break;
        }
        setProp(option->PropId(), value);
    }
}
