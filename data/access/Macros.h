#pragma once
// Macros: named text pieces written into SQL as "&name", replaced by their values before the
// statement goes to the server.
#include "data/memory/CRParser.h"
#include "platform/core/Collections.h"

class TComponent;
class TStream;

// The macro character, process-wide.
extern char MacroChar;

class TMacro : public TCollectionItem {
public:
    VZ_CLASS(TMacro, TCollectionItem)
    TMacro() = default;

    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& value) { name_ = value; }
    const AnsiString& Value() const { return value_; }
    // A change is stored and the owner told.
    void SetValue(const AnsiString& value);
    bool Active() const { return active_; }
    void SetActive(bool value);
    AnsiString GetDisplayName() const override {
        return name_.empty() ? TCollectionItem::GetDisplayName() : name_;
    }
    // Name, value and active flag compared exactly.
    bool IsEqual(const TMacro& other) const;

protected:
    void AssignTo(TPersistent* dest) override;

private:
    AnsiString name_;
    AnsiString value_;
    bool active_ = true;
};

// What the statement or dataset owning the macros does when one changes.
class TMacrosOwner {
public:
    virtual ~TMacrosOwner() = default;
    // A dataset owner resets only when open and its SQL names the macro; a statement always.
    virtual bool MacrosOwnerIsDataSet() const { return false; }
    virtual bool MacrosOwnerActive() const { return false; }
    virtual AnsiString MacrosOwnerSQL() const { return ""; }
    // The owner's SQL-change reset, without a new macro scan.
    virtual void MacrosChanged() = 0;
};

class TMacros : public TCollection {
public:
    VZ_CLASS(TMacros, TCollection)
    explicit TMacros(TComponent* owner = nullptr);

    TMacro* Items(int index) const { return static_cast<TMacro*>(TCollection::Items(index)); }
    TMacro* operator[](int index) const { return Items(index); }
    TPersistent* GetOwner() override;
    TComponent* OwnerComponent() const { return owner_; }

    const TSQLParserClass* ParserClass() const { return parserClass_; }
    void SetParserClass(const TSQLParserClass* value) { parserClass_ = value; }

    // Names compared ignoring case.
    TMacro* FindMacro(const AnsiString& name) const;
    // Raises "Macro %s not found" for the owner.
    TMacro* MacroByName(const AnsiString& name) const;
    // Rebuilds the collection from the references of sql; macros known already keep their values.
    void Scan(const AnsiString& sql);
    // Replaces every reference by its macro's value; the rest of the text stays byte for byte.
    void Expand(AnsiString& sql);
    virtual void GetMacroValue(TMacro* macro, AnsiString& value);
    bool IsEqual(const TMacros& other) const;
    // The older stored form "Data": values and active flags for the macros already present.
    void ReadData(TStream* stream);

    void NotifyMacroChanged(TMacro* macro);

protected:
    void Update(TCollectionItem* item) override;

private:
    std::unique_ptr<TSQLParser> MakeParser(const AnsiString& sql) const;
    template <class OnRef> void Parse(const AnsiString& sql, bool keepQuotes, OnRef onRef);

    TComponent* owner_;
    const TSQLParserClass* parserClass_;
};
