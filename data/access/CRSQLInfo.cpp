#include "data/access/CRSQLInfo.h"

#include <algorithm>

#include "data/access/CRAccess.h"
#include "data/memory/CRParser.h"
#include "platform/core/Lists.h"

namespace {

bool IsWordLexeme(int code, const AnsiString& lexeme) {
    if (code <= 0 || lexeme.empty()) return false;
    unsigned char c = static_cast<unsigned char>(lexeme[0]);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

// A symbol lexeme with the given text (symbols found in the table or single unknown characters).
bool IsSym(int code, const AnsiString& lexeme, const char* text) {
    if (code == lcEnd || code == lcIdent || code == lcNumber || code == lcString || code == lcBlank ||
        code == lcComment)
        return false;
    return lexeme == text;
}

bool IsJoinWord(int code) {
    return code == lxFULL || code == lxINNER || code == lxJOIN || code == lxLEFT || code == lxOUTER ||
           code == lxRIGHT;
}

bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}

bool LetterAllowed(char c, int identCase) {
    switch (identCase) {
    case icUpper:
        return IsUpper(c);
    case icLower:
        return IsLower(c);
    default:
        return IsUpper(c) || IsLower(c);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TCRTableInfo / TCRTablesInfo

void TCRTableInfo::SetTableName(const AnsiString& value) {
    tableName_ = value;
    if (owner_) owner_->RebuildNameIndex();
}

void TCRTableInfo::SetTableAlias(const AnsiString& value) {
    tableAlias_ = value;
    if (owner_) owner_->RebuildAliasIndex();
}

TCRTablesInfo::TCRTablesInfo(TClass tableInfoClass)
    : tableInfoClass_(tableInfoClass ? tableInfoClass : TCRTableInfo::StaticClass()) {}

TCRTablesInfo::~TCRTablesInfo() = default;

void TCRTablesInfo::EndUpdate() {
    --updateCount_;
    RebuildNameIndex();
    RebuildAliasIndex();
}

int TCRTablesInfo::Add(TCRTableInfo* item) {
    std::unique_ptr<TCRTableInfo> owned(item);
    item->owner_ = this;
    item->index_ = Count();
    items_.push_back(std::move(owned));
    RebuildNameIndex();
    RebuildAliasIndex();
    return item->index_;
}

TCRTableInfo* TCRTablesInfo::AddNew() {
    std::unique_ptr<TCRTableInfo> item = tableInfoClass_->Create<TCRTableInfo>();
    item->owner_ = this;
    TCRTableInfo* result = item.get();
    Add(item.release());
    return result;
}

void TCRTablesInfo::Clear() {
    items_.clear();
    RebuildNameIndex();
    RebuildAliasIndex();
}

TCRTableInfo* TCRTablesInfo::Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
    return items_[static_cast<size_t>(index)].get();
}

void TCRTablesInfo::SetCaseSensitive(bool value) {
    caseSensitive_ = value;
    // The index order depends on the comparison.
    RebuildNameIndex();
    RebuildAliasIndex();
}

int TCRTablesInfo::CompareNames(const AnsiString& a, const AnsiString& b) const {
    return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

void TCRTablesInfo::RebuildNameIndex() {
    RebuildIndex(nameIndex_, false);
}
void TCRTablesInfo::RebuildAliasIndex() {
    RebuildIndex(aliasIndex_, true);
}

void TCRTablesInfo::RebuildIndex(Index& index, bool byAlias) {
    if (updateCount_ != 0) return;
    index.clear();
    for (auto& item : items_)
        index.emplace_back(byAlias ? item->tableAlias_ : item->tableName_, item.get());
    std::stable_sort(index.begin(), index.end(),
                     [this](const auto& a, const auto& b) { return CompareNames(a.first, b.first) < 0; });
}

int TCRTablesInfo::Find(const Index& index, const AnsiString& text, bool byAlias) const {
    if (updateCount_ != 0) {
        for (auto& item : items_) {
            const AnsiString& value = byAlias ? item->tableAlias_ : item->tableName_;
            if (caseSensitive_ ? value == text : AnsiSameText(value, text)) return item->index_;
        }
        return -1;
    }
    auto it =
        std::lower_bound(index.begin(), index.end(), text, [this](const auto& entry, const AnsiString& t) {
            return CompareNames(entry.first, t) < 0;
        });
    if (it != index.end() && CompareNames(it->first, text) == 0) return it->second->index_;
    return -1;
}

int TCRTablesInfo::FindByName(const AnsiString& name) const {
    return Find(nameIndex_, name, false);
}
int TCRTablesInfo::FindByAlias(const AnsiString& alias) const {
    return Find(aliasIndex_, alias, true);
}

// ---------------------------------------------------------------------------------------------
// TColumnsInfo

int TColumnsInfo::Add(TColumnInfo* item) {
    items_.emplace_back(item);
    return Count() - 1;
}

void TColumnsInfo::Insert(int index, TColumnInfo* item) {
    std::unique_ptr<TColumnInfo> owned(item);
    if (index < 0 || index > Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
    items_.insert(items_.begin() + index, std::move(owned));
}

void TColumnsInfo::Delete(int index) {
    Items(index);
    items_.erase(items_.begin() + index);
}

TColumnInfo* TColumnsInfo::Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
    return items_[static_cast<size_t>(index)].get();
}

// ---------------------------------------------------------------------------------------------
// TSQLInfo: names

std::unique_ptr<TSQLInfo> TSQLInfo::CreateOf(TClass sqlInfoClass, const TSQLParserClass* parserClass) {
    std::unique_ptr<TSQLInfo> info = sqlInfoClass->Create<TSQLInfo>();
    info->SetParserClass(parserClass);
    return info;
}

bool TSQLInfo::FirstCharNeedsQuote(char c, int identCase) const {
    return !LetterAllowed(c, identCase);
}

bool TSQLInfo::NextCharNeedsQuote(char c, int identCase) const {
    if (c == '$' || c == '_' || (c >= '0' && c <= '9')) return false;
    return !LetterAllowed(c, identCase);
}

AnsiString TSQLInfo::Quote(const AnsiString& name, char leftQuote, char rightQuote) const {
    if (IsQuoted(name)) return name;
    return AnsiString(1, leftQuote) + name + rightQuote;
}

AnsiString TSQLInfo::UnQuote(const AnsiString& name) const {
    if (IsQuoted(name)) return name.substr(1, name.size() - 2);
    return name;
}

bool TSQLInfo::IsQuoted(const AnsiString& name) const {
    return name.size() > 1 && name.front() == LeftQuote() && name.back() == RightQuote();
}

bool TSQLInfo::QuotesNeeded(const AnsiString& name) const {
    if (name.empty()) return false;
    int identCase = IdentCase();
    if (FirstCharNeedsQuote(name[0], identCase)) return true;
    for (size_t i = 1; i < name.size(); ++i)
        if (NextCharNeedsQuote(name[i], identCase)) return true;
    return false;
}

AnsiString TSQLInfo::NormalizeName(const AnsiString& name, bool quoteNames, bool unquote) const {
    return NormalizeNameQuoted(name, LeftQuote(), RightQuote(), quoteNames, unquote);
}

AnsiString TSQLInfo::NormalizeNameQuoted(const AnsiString& name, char leftQuote, char rightQuote,
                                         bool quoteNames, bool unquote) const {
    if (name.empty()) return AnsiString();

    size_t separator = AnsiString::npos;
    if (name[0] == leftQuote) {
        size_t p = name.find(AnsiString{rightQuote, '.'}, 1);
        if (p != AnsiString::npos) separator = p + 1;
    } else {
        separator = name.find('.');
    }
    if (separator != AnsiString::npos)
        return NormalizeNameQuoted(name.substr(0, separator), leftQuote, rightQuote, quoteNames, unquote) +
               "." +
               NormalizeNameQuoted(name.substr(separator + 1), leftQuote, rightQuote, quoteNames, unquote);

    AnsiString result = name;
    if (!quoteNames && !IsQuoted(result)) {
        if (IdentCase() == icUpper)
            result = AnsiUpperCase(result);
        else if (IdentCase() == icLower)
            result = AnsiLowerCase(result);
    }
    // Whether quotes are needed is judged on the bare name, so that a quoted name that needs
    // none loses its quotes.
    if (unquote || (!quoteNames && !QuotesNeeded(UnQuote(result)))) return UnQuote(result);
    return Quote(result, leftQuote, rightQuote);
}

void TSQLInfo::SplitObjectName(const AnsiString& fullName, AnsiString& name, AnsiString& schema,
                               AnsiString& catalog, AnsiString& dbLink) const {
    name.clear();
    schema.clear();
    catalog.clear();
    dbLink.clear();
    AnsiString* parts[] = {&name, &schema, &catalog};
    int found = 0;
    bool inQuotes = false;
    const char left = LeftQuote();
    const char right = RightQuote();
    int pieceEnd = static_cast<int>(fullName.size()); // one past the current piece
    for (int i = static_cast<int>(fullName.size()) - 1; i >= -1 && found < 3; --i) {
        if (i >= 0) {
            char c = fullName[static_cast<size_t>(i)];
            if (!inQuotes && c == right) {
                inQuotes = true;
                continue;
            }
            if (inQuotes) {
                if (c == left) inQuotes = false;
                continue;
            }
            if (c != '.') continue;
        }
        *parts[found++] =
            fullName.substr(static_cast<size_t>(i + 1), static_cast<size_t>(pieceEnd - (i + 1)));
        pieceEnd = i;
    }
}

AnsiString TSQLInfo::NamesFromList(const std::vector<AnsiString>& list) const {
    AnsiString result;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i > 0) result += ';';
        result += list[i];
    }
    return result;
}

void TSQLInfo::NamesToList(const AnsiString& text, std::vector<AnsiString>& list) const {
    AnsiString s = Trim(text);
    list.clear();
    size_t start = 0;
    while (start <= s.size()) {
        size_t end = s.find_first_of(",;", start);
        if (end == AnsiString::npos) end = s.size();
        AnsiString piece = Trim(std::string_view(s).substr(start, end - start));
        if (!piece.empty()) list.push_back(piece);
        start = end + 1;
    }
}

// ---------------------------------------------------------------------------------------------
// TSQLInfo: parsing

std::unique_ptr<TSQLParser> TSQLInfo::CreateParser(const AnsiString& text) const {
    if (!parserClass_) CRAccessAssertFailed("SQL info has no parser class", __LINE__);
    return parserClass_->Create(text);
}

void TSQLInfo::AfterColumnName(TSQLParser& /*parser*/, int& /*code*/, AnsiString& /*lexeme*/) const {}

void TSQLInfo::ParseTablesInfo(const AnsiString& sql, TCRTablesInfo& tablesInfo) const {
    tablesInfo.Clear();
    std::unique_ptr<TSQLParser> parser = CreateParser(sql);
    parser->SkipBlankLexemes = true;
    parser->SkipCommentLexemes = true;
    tablesInfo.BeginUpdate();
    struct EndUpdate {
        TCRTablesInfo& t;
        ~EndUpdate() { t.EndUpdate(); }
    } endUpdate{tablesInfo};

    AnsiString lexeme;
    int code;
    do
        code = parser->GetNext(lexeme);
    while (code != lcEnd && code != lxSELECT);
    if (code == lcEnd) return;

    int depth = 0;
    for (;;) {
        code = parser->GetNext(lexeme);
        if (code == lcEnd) return;
        if (IsSym(code, lexeme, "("))
            ++depth;
        else if (IsSym(code, lexeme, ")"))
            --depth;
        else if (code == lxFROM && depth == 0)
            break;
    }
    code = parser->GetNext(lexeme);
    ParseTableList(*parser, code, lexeme, false, tablesInfo);
}

void TSQLInfo::ParseTableList(TSQLParser& parser, int& code, AnsiString& lexeme, bool inBrackets,
                              TCRTablesInfo& tablesInfo) const {
    // Skips a bracketed part whose "(" has been read; stops after the matching ")".
    auto skipBrackets = [&]() {
        int depth = 1;
        while (depth > 0) {
            code = parser.GetNext(lexeme);
            if (code == lcEnd) return;
            if (IsSym(code, lexeme, "("))
                ++depth;
            else if (IsSym(code, lexeme, ")"))
                --depth;
        }
        code = parser.GetNext(lexeme);
    };

    for (;;) {
        if (code == lcEnd || IsSym(code, lexeme, ")") || (!inBrackets && parser.IsClause(code))) return;
        if (IsJoinWord(code) || IsSym(code, lexeme, ",")) {
            code = parser.GetNext(lexeme);
            continue;
        }
        if (IsSym(code, lexeme, "(")) {
            code = parser.GetNext(lexeme);
            if (code == lxSELECT) {
                // A sub-query adds no table; step back into the bracket count after the SELECT.
                int depth = 1;
                while (code != lcEnd) {
                    if (IsSym(code, lexeme, "("))
                        ++depth;
                    else if (IsSym(code, lexeme, ")") && --depth == 0)
                        break;
                    code = parser.GetNext(lexeme);
                }
            } else {
                ParseTableList(parser, code, lexeme, true, tablesInfo);
            }
            if (IsSym(code, lexeme, ")")) code = parser.GetNext(lexeme);
        } else {
            AnsiString name;
            while (code == lcIdent || IsWordLexeme(code, lexeme) || IsSym(code, lexeme, ".")) {
                bool wasDot = IsSym(code, lexeme, ".");
                name += lexeme;
                code = parser.GetNext(lexeme);
                if (!wasDot && !IsSym(code, lexeme, ".")) break;
            }
            if (!name.empty()) {
                if (code == lxAS) code = parser.GetNext(lexeme);
                AnsiString alias;
                bool aliasKeyword = IsWordLexeme(code, lexeme) && code != lxJOIN && code != lxINNER &&
                                    code != lxLEFT && code != lxRIGHT && code != lxFULL && code != lxON &&
                                    !parser.IsClause(code);
                if (code == lcIdent || aliasKeyword) {
                    alias = lexeme;
                    code = parser.GetNext(lexeme);
                }
                if (!IsSym(code, lexeme, "(")) {
                    TCRTableInfo* table = tablesInfo.AddNew();
                    table->SetTableName(NormalizeName(name, false, false));
                    table->SetTableAlias(NormalizeName(alias, false, false));
                }
            }
        }
        // The rest of the item: its ON condition and any bracketed parts.
        while (code != lcEnd) {
            if (IsSym(code, lexeme, ",")) {
                code = parser.GetNext(lexeme);
                break;
            }
            if (code == lxFULL || code == lxINNER || code == lxJOIN || code == lxLEFT || code == lxRIGHT) {
                code = parser.GetNext(lexeme);
                break;
            }
            if (IsSym(code, lexeme, ")") || (!inBrackets && parser.IsClause(code))) break;
            if (IsSym(code, lexeme, "(")) {
                skipBrackets();
                continue;
            }
            code = parser.GetNext(lexeme);
        }
    }
}

void TSQLInfo::ParseColumnsInfo(const AnsiString& sql, TColumnsInfo& columnsInfo) const {
    std::unique_ptr<TSQLParser> parser = CreateParser(sql);
    parser->SkipBlankLexemes = true;
    parser->SkipCommentLexemes = true;

    AnsiString lexeme;
    int code;
    do
        code = parser->GetNext(lexeme);
    while (code != lcEnd && code != lxSELECT);
    if (code == lcEnd) return;
    code = parser->GetNext(lexeme);

    auto isNameLexeme = [&]() { return code == lcIdent || (IsWordLexeme(code, lexeme) && code != lxFROM); };
    // Identifier, number, string, keyword or ")": a word after one of these is a candidate alias.
    auto isOperand = [&]() {
        return code == lcIdent || code == lcNumber || code == lcString || IsWordLexeme(code, lexeme) ||
               IsSym(code, lexeme, ")");
    };

    for (;;) {
        while (parser->IsSelectModifier(code))
            code = parser->GetNext(lexeme);

        AnsiString name, table, alias, expr;
        bool isExpr = false;
        // Whether the lexeme read before the current one was an operand; the candidate name and
        // alias count too, so a word after a dropped candidate alias becomes the next candidate.
        bool prevOperand = false;
        if (isNameLexeme() || IsSym(code, lexeme, "*")) {
            name = lexeme;
            prevOperand = isOperand();
            code = parser->GetNext(lexeme);
            for (int step = 0; step < 3 && IsSym(code, lexeme, "."); ++step) {
                code = parser->GetNext(lexeme);
                table = table.empty() ? name : table + "." + name;
                name = lexeme;
                prevOperand = isOperand();
                code = parser->GetNext(lexeme);
            }
            AfterColumnName(*parser, code, lexeme);
            if (code == lxAS) code = parser->GetNext(lexeme);
            if (isNameLexeme()) {
                alias = lexeme;
                prevOperand = true;
                code = parser->GetNext(lexeme);
            }
        }

        int depth = 0;
        AnsiString pendingAlias;
        while (code != lcEnd && ((!IsSym(code, lexeme, ",") && code != lxFROM) || depth != 0)) {
            if (!isExpr) {
                isExpr = true;
                expr = table.empty() ? name : table + "." + name;
                alias.clear();
            } else if (!pendingAlias.empty()) {
                expr += pendingAlias;
                pendingAlias.clear();
            }
            bool closing = IsSym(code, lexeme, ")");
            if (IsSym(code, lexeme, "("))
                ++depth;
            else if (closing)
                --depth;
            if (depth == 0) {
                if (code == lxAS) {
                    code = parser->GetNext(lexeme);
                    continue; // AS does not count as the previous lexeme
                }
                if ((code == lcIdent || IsWordLexeme(code, lexeme)) && prevOperand)
                    pendingAlias = lexeme;
                else
                    expr += lexeme;
            }
            prevOperand = isOperand();
            code = parser->GetNext(lexeme);
        }
        if (!pendingAlias.empty()) alias = pendingAlias;

        if (!isExpr && table.empty() && parser->IsNullWord(name)) {
            isExpr = true;
            expr = name;
        }

        auto* column = new TColumnInfo();
        columnsInfo.Add(column);
        if (isExpr) {
            column->Expr = expr;
        } else {
            column->Name = NormalizeName(name, false, true);
            column->Table = NormalizeName(table, false, true);
        }
        column->TableIndex = -1;
        column->Alias = NormalizeName(alias, false, true);

        if (code == lcEnd || code == lxFROM) return;
        code = parser->GetNext(lexeme); // after the ","
    }
}
