#pragma once
// Provider-specific options: typed option objects grouped in a list per kind of internal object.
// A list checks the text lines "Provider.Name=Value" of a component and passes each value to the
// internal object as a numbered property.
#include <functional>
#include <vector>

#include "platform/core/ObjectModel.h"
#include "platform/core/StringLists.h"
#include "platform/core/Variant.h"

// The enumeration an enumerator option takes its value names from.
struct TEnumTypeInfo {
    AnsiString Name;                // the type's name; a leading "_" hides the names' first letter
    std::vector<AnsiString> Values; // value names from the lowest value up
};

class TOption : public TObject {
public:
    VZ_CLASS(TOption, TObject)
    TOption(const AnsiString& name, const Variant& defaultValue, std::initializer_list<TClass> targetClasses,
            int propId);

    virtual void ListAllowedValues(TStrings* /*list*/) const {}
    virtual AnsiString ValueToText(const Variant& value) const { return value.AsAnsiString(); }
    virtual Variant TextToValue(const AnsiString& text) const { return text; }
    virtual bool IsValidText(const AnsiString& /*text*/) const { return true; }
    // Raises "Invalid value: <text> for option <name>".
    virtual void CheckText(const AnsiString& text) const;
    virtual void ListValues(TStrings* list) const { ListAllowedValues(list); }

    const AnsiString& Name() const { return name_; }
    int PropId() const { return propId_; }
    const std::vector<TClass>& TargetClasses() const { return targetClasses_; }
    const Variant& DefaultValue() const { return defaultValue_; }

private:
    AnsiString name_;
    int propId_;
    std::vector<TClass> targetClasses_;
    Variant defaultValue_;
};

class TStringOption : public TOption {
public:
    VZ_CLASS(TStringOption, TOption)
    using TOption::TOption;
};

class TIntegerOption : public TOption {
public:
    VZ_CLASS(TIntegerOption, TOption)
    using TOption::TOption;
    AnsiString ValueToText(const Variant& value) const override;
    Variant TextToValue(const AnsiString& text) const override;
    bool IsValidText(const AnsiString& text) const override;
};

class TBooleanOption : public TOption {
public:
    VZ_CLASS(TBooleanOption, TOption)
    using TOption::TOption;
    void ListAllowedValues(TStrings* list) const override;
    AnsiString ValueToText(const Variant& value) const override;
    Variant TextToValue(const AnsiString& text) const override;
    bool IsValidText(const AnsiString& text) const override;
};

class TEnumeratorOption : public TOption {
public:
    VZ_CLASS(TEnumeratorOption, TOption)
    TEnumeratorOption(const AnsiString& name, const TEnumTypeInfo* typeInfo, const Variant& defaultValue,
                      std::initializer_list<TClass> targetClasses, int propId);

    void ListAllowedValues(TStrings* list) const override;
    AnsiString ValueToText(const Variant& value) const override;
    // The value of the name, as a byte value.
    Variant TextToValue(const AnsiString& text) const override;
    bool IsValidText(const AnsiString& text) const override;

    const TEnumTypeInfo* TypeInfo() const { return typeInfo_; }
    int MinValue() const { return minValue_; }
    int MaxValue() const { return maxValue_; }
    bool DropsPrefix() const { return dropsPrefix_; }

private:
    // Index of the value named text (after Trim and the prefix), -1 when none.
    int ValueOf(const AnsiString& text) const;

    const TEnumTypeInfo* typeInfo_;
    int minValue_;
    int maxValue_;
    bool dropsPrefix_;
};

// Parts of an option line. A line without "=" has none.
struct TOptionLine {
    AnsiString Provider;
    AnsiString Option;
    AnsiString Value;
};
// A "." after the first "=" belongs to the value; nothing is trimmed.
bool SplitOptionLine(const AnsiString& line, TOptionLine& parts);

using TSetPropFunc = std::function<bool(int prop, const Variant& value)>;

// Options by name (sorted, ignoring case); owns them.
class TOptionsList : public TStringList {
public:
    VZ_CLASS(TOptionsList, TStringList)
    explicit TOptionsList(const AnsiString& providerName);
    ~TOptionsList() override;

    void Add(TOption* option); // takes ownership
    TOption* GetOption(int index) const { return static_cast<TOption*>(Objects(index)); }
    // Sets every option whose targets hold exactly obj's class: from its first matching line, or
    // its default when no line names it. An invalid value raises and stops the application.
    void ApplyTo(TStrings* lines, TObject* obj, const TSetPropFunc& setProp) const;

    const AnsiString& ProviderName() const { return providerName_; }

private:
    using TStringList::Add;
    AnsiString providerName_;
};
