#include "data/access/Macros.h"

#include "platform/core/Components.h"
#include "platform/core/Streams.h"
#include "platform/db/DBTypes.h"

char MacroChar = '&';

void TMacro::SetValue(const AnsiString& value) {
    if (value == value_) return;
    value_ = value;
    Changed(false);
}

void TMacro::SetActive(bool value) {
    if (value == active_) return;
    active_ = value;
    Changed(false);
}

bool TMacro::IsEqual(const TMacro& other) const {
    return name_ == other.name_ && value_ == other.value_ && active_ == other.active_;
}

void TMacro::AssignTo(TPersistent* dest) {
    auto* macro = dynamic_cast<TMacro*>(dest);
    if (!macro) {
        TCollectionItem::AssignTo(dest);
        return;
    }
    macro->name_ = name_;
    macro->SetValue(value_);
    macro->SetActive(active_);
}

TMacros::TMacros(TComponent* owner)
    : TCollection(TMacro::StaticClass()), owner_(owner),
      parserClass_(ParserClassOf<TSQLParser>("TSQLParser")) {}

TPersistent* TMacros::GetOwner() {
    return owner_;
}

TMacro* TMacros::FindMacro(const AnsiString& name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(Items(i)->Name(), name)) return Items(i);
    return nullptr;
}

TMacro* TMacros::MacroByName(const AnsiString& name) const {
    TMacro* macro = FindMacro(name);
    if (!macro) DatabaseErrorFmt("Macro %s not found", name, owner_);
    return macro;
}

std::unique_ptr<TSQLParser> TMacros::MakeParser(const AnsiString& sql) const {
    auto parser = parserClass_->Create(sql);
    parser->SkipBlankLexemes = false;
    parser->UpperCaseKeywords = false;
    return parser;
}

// Reads sql token by token and calls onRef(name, start, end) for each reference (start at the macro
// character, end past the name); callers copy the spans between references as they stand.
template <class OnRef> void TMacros::Parse(const AnsiString& sql, bool keepQuotes, OnRef onRef) {
    auto parser = MakeParser(sql);
    parser->KeepQuotes = keepQuotes;
    const bool numeric = parserClass_->AllowNumericMacro();
    auto isName = [](int code) { return code == lcIdent || code >= 100; };
    AnsiString lexeme;
    for (;;) {
        int code = parser->GetNext(lexeme);
        if (code == lcEnd) return;
        if (!(code == lcSymbol && lexeme.size() == 1 && lexeme[0] == MacroChar &&
              parser->IsMacroAllowed(code)))
            continue;
        const int start = static_cast<int>(parser->CurrentOffset()) - 1;
        code = parser->GetNext(lexeme);
        if (isName(code)) {
            onRef(lexeme, start, static_cast<int>(parser->CurrentOffset()));
        } else if (code == lcNumber && numeric) {
            AnsiString name = lexeme;
            int end = static_cast<int>(parser->CurrentOffset());
            AnsiString next;
            int nextCode = parser->GetNext(next);
            if (isName(nextCode) && parser->LastLexemeOffset() == end) {
                name += next;
                end = static_cast<int>(parser->CurrentOffset());
            } else if (nextCode != lcEnd) {
                parser->RewindLast();
            }
            onRef(name, start, end);
        } else if (code == lcEnd) {
            return;
        }
        // Any other token ends the reference and starts none.
    }
}

void TMacros::Scan(const AnsiString& sql) {
    if (sql.find(MacroChar) == AnsiString::npos) {
        if (Count() > 0) Clear();
        return;
    }
    TMacros scratch(nullptr);
    scratch.parserClass_ = parserClass_;
    Parse(sql, false, [&](const AnsiString& name, int, int) {
        if (scratch.FindMacro(name)) return;
        auto* macro = static_cast<TMacro*>(scratch.Add());
        if (TMacro* known = FindMacro(name))
            macro->Assign(known);
        else
            macro->SetName(name);
    });
    if (!IsEqual(scratch)) Assign(&scratch);
}

void TMacros::Expand(AnsiString& sql) {
    if (sql.find(MacroChar) == AnsiString::npos) return;
    AnsiString result;
    size_t copied = 0;
    Parse(sql, true, [&](const AnsiString& name, int start, int end) {
        result.append(sql, copied, static_cast<size_t>(start) - copied);
        if (TMacro* macro = FindMacro(name)) {
            AnsiString value;
            GetMacroValue(macro, value);
            result += value;
        }
        copied = static_cast<size_t>(end);
    });
    result.append(sql, copied, AnsiString::npos);
    sql = std::move(result);
}

void TMacros::GetMacroValue(TMacro* macro, AnsiString& value) {
    value = macro->Active() ? macro->Value() : AnsiString();
}

bool TMacros::IsEqual(const TMacros& other) const {
    if (&other == this) return true;
    if (other.Count() != Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (!Items(i)->IsEqual(*other.Items(i))) return false;
    return true;
}

void TMacros::Update(TCollectionItem* item) {
    TCollection::Update(item);
    NotifyMacroChanged(static_cast<TMacro*>(item));
}

void TMacros::NotifyMacroChanged(TMacro* macro) {
    if (UpdateCount() > 0 || !owner_) return;
    auto* owner = dynamic_cast<TMacrosOwner*>(owner_);
    if (!owner) return;
    if (owner->MacrosOwnerIsDataSet() && owner->MacrosOwnerActive() && macro) {
        // Macro names match ignoring case, so the reference is sought the same way.
        const AnsiString sql = UpperText(owner->MacrosOwnerSQL());
        const AnsiString reference = UpperText(AnsiString(1, MacroChar) + macro->Name());
        if (sql.find(reference) == AnsiString::npos) return;
    }
    owner->MacrosChanged();
}

void TMacros::ReadData(TStream* stream) {
    auto readByte = [stream] {
        uint8_t b = 0;
        stream->ReadBuffer(&b, 1);
        return b;
    };
    const bool withActive = readByte() == 'd';
    if (withActive) readByte();
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        AnsiString name(readByte(), '\0');
        if (!name.empty()) stream->ReadBuffer(name.data(), static_cast<int>(name.size()));
        uint8_t len[2];
        stream->ReadBuffer(len, 2);
        AnsiString value(static_cast<size_t>(len[0] | len[1] << 8), '\0');
        if (!value.empty()) stream->ReadBuffer(value.data(), static_cast<int>(value.size()));
        const bool active = withActive ? readByte() != 0 : true;
        TMacro* macro = MacroByName(name);
        macro->SetValue(value);
        if (withActive) macro->SetActive(active);
    }
}
