#include "ui/editors/RegExpr.h"

#include <algorithm>

#include "platform/core/FormatSettings.h"
#include "ui/core/CoreClasses.h"
#include "ui/editors/framework/EditorStrings.h"

namespace {

AnsiString Text(const AnsiString& resource) {
    return GetResourceStringText(&resource);
}

AnsiString Text(const AnsiString& resource, const AnsiString& argument) {
    return Format(GetResourceStringText(&resource), {argument});
}

bool IsBlank(char ch) {
    return ch == 0 || ch == '\t' || ch == '\n' || ch == '\f' || ch == '\r' || ch == ' ';
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

int HexValue(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    return -1;
}

const AnsiString QuoteArgument = " ' ";

} // namespace

AnsiString TcxRegExprError::FullMessage() const {
    AnsiString result;
    if (Line > 0) {
        result = Text(scxRegExprLine) + IntToStr(Line);
        if (Char > 0) result += ", " + Text(scxRegExprChar) + IntToStr(Char);
        result += ": ";
    }
    return result + Message;
}

// ---------------------------------------------------------------------------------------------
// Recursive descent over the lexems; collects every error it meets, except that crossing a
// limit ends the parse where it was crossed.
class TcxRegExpr::TParser {
public:
    explicit TParser(TcxRegExpr& owner) : owner_(owner), lexems_(owner.lexems_) {}

    std::unique_ptr<TcxRegExprParserAlts> Parse() {
        auto top = std::make_unique<TcxRegExprParserAlts>();
        try {
            ParseAlts(*top, false);
        } catch (const TooComplex&) {
        }
        return top;
    }

private:
    struct TooComplex {};
    enum class AltEnd { Bar, Close, End };

    const TcxLexem* Peek() const {
        return pos_ < static_cast<size_t>(lexems_.Count()) ? &lexems_[pos_] : nullptr;
    }
    static bool IsOp(const TcxLexem* lexem, char op) {
        return lexem && lexem->Code == cxLexemOperator && lexem->Value[0] == op;
    }
    void Error(const TcxLexem& at, const AnsiString& message) {
        owner_.errors_.Add(at.Line, at.Char, message);
    }
    // Counts states about to be made; past the limit the parse ends here.
    void Count(size_t states, const TcxLexem& at) {
        if (states > cxRegExprMaxStates - states_) {
            Error(at, Text(scxRegExprTooComplex));
            throw TooComplex{};
        }
        states_ += states;
    }

    void ParseAlts(TcxRegExprParserAlts& alts, bool inGroup) {
        while (ParseAlt(alts, inGroup) == AltEnd::Bar) {
        }
    }

    AltEnd ParseAlt(TcxRegExprParserAlts& alts, bool inGroup) {
        const TcxLexem* first = Peek();
        if (!first) {
            owner_.errors_.Add(0, 0, Text(scxRegExprCantCreateEmptyAlt));
            return AltEnd::End;
        }
        if (IsOp(first, '|')) {
            Error(*first, Text(scxRegExprCantCreateEmptyAlt));
            ++pos_;
            return AltEnd::Bar;
        }
        if (inGroup && IsOp(first, ')')) {
            Error(*first, Text(scxRegExprCantCreateEmptyBlock));
            ++pos_;
            return AltEnd::Close;
        }
        TcxRegExprParserAlt alt;
        AltEnd end = AltEnd::End;
        while (const TcxLexem* lexem = Peek()) {
            ++pos_;
            if (lexem->Code == cxLexemOperator) {
                const char op = lexem->Value[0];
                if (op == ')' && inGroup) {
                    end = AltEnd::Close;
                    break;
                }
                if (op == '|') {
                    end = AltEnd::Bar;
                    break;
                }
                switch (op) {
                case '(':
                    ParseGroup(*lexem, alt);
                    break;
                case '*':
                case '+':
                case '?':
                    ApplyQuantifier(alt, *lexem);
                    break;
                case '{':
                    ParseCounted(alt, *lexem);
                    break;
                case '[':
                    ParseSet(alt, *lexem);
                    break;
                case ')':
                case '-':
                case ']':
                case '}':
                    Error(*lexem, Text(scxRegExprIllegalSymbol, lexem->Value));
                    break;
                default:
                    break;
                }
            } else if (lexem->Code == cxLexemInteger) {
                Error(*lexem, Text(scxRegExprIllegalIntegerValue));
            } else if (lexem->Code == cxLexemReference) {
                ParseReference(*lexem, alt);
            } else {
                AddSimple(alt, MakeItem(*lexem), *lexem);
            }
        }
        alts.Items.push_back(std::move(alt));
        return end;
    }

    static std::unique_ptr<TcxRegExprItem> MakeItem(const TcxLexem& lexem) {
        switch (lexem.Code) {
        case cxLexemAll:
            return std::make_unique<TcxRegExprAll>();
        case cxLexemIdLetter:
            return std::make_unique<TcxRegExprIdLetter>(false);
        case cxLexemNotIdLetter:
            return std::make_unique<TcxRegExprIdLetter>(true);
        case cxLexemDigit:
            return std::make_unique<TcxRegExprDigit>(false);
        case cxLexemNotDigit:
            return std::make_unique<TcxRegExprDigit>(true);
        case cxLexemSpace:
            return std::make_unique<TcxRegExprSpace>(false);
        case cxLexemNotSpace:
            return std::make_unique<TcxRegExprSpace>(true);
        case cxLexemDateSeparator:
            return std::make_unique<TcxRegExprDateSeparator>();
        case cxLexemTimeSeparator:
            return std::make_unique<TcxRegExprTimeSeparator>();
        default:
            return std::make_unique<TcxRegExprSymbol>(lexem.Value[0]);
        }
    }

    void AddSimple(TcxRegExprParserAlt& alt, std::unique_ptr<TcxRegExprItem> item, const TcxLexem& at) {
        Count(1, at);
        alt.push_back(std::make_unique<TcxRegExprParserSimpleItem>(std::move(item)));
    }

    void ParseGroup(const TcxLexem& open, TcxRegExprParserAlt& alt) {
        if (depth_ == cxRegExprMaxNesting) {
            Error(open, Text(scxRegExprTooComplex));
            throw TooComplex{};
        }
        Count(2, open);
        auto block = std::make_unique<TcxRegExprParserBlockItem>();
        owner_.blocks_.push_back(block.get());
        ++depth_;
        ParseAlts(block->Alts(), true);
        --depth_;
        block->UpdateContentEmpty();
        alt.push_back(std::move(block));
    }

    void ApplyQuantifier(TcxRegExprParserAlt& alt, const TcxLexem& lexem) {
        const char op = lexem.Value[0];
        if (alt.empty()) {
            Error(lexem, Text(scxRegExprIllegalQuantifier, lexem.Value));
            return;
        }
        if (op != '?' && alt.back()->MatchesEmpty()) {
            Error(lexem, Text(op == '*' ? scxRegExprCantUseStarQuantifier : scxRegExprCantUsePlusQuantifier));
            return;
        }
        std::unique_ptr<TcxRegExprQuantifier> quantifier;
        if (op == '*')
            quantifier = std::make_unique<TcxRegExprStarQuantifier>();
        else if (op == '+')
            quantifier = std::make_unique<TcxRegExprPlusQuantifier>();
        else
            quantifier = std::make_unique<TcxRegExprQuestionQuantifier>();
        if (!alt.back()->HasPlainQuantifier()) {
            // "a+?" is "(a+)?".
            Count(2, lexem);
            auto block = std::make_unique<TcxRegExprParserBlockItem>();
            block->Alts().Items.emplace_back().push_back(std::move(alt.back()));
            block->UpdateContentEmpty();
            alt.back() = std::move(block);
        }
        alt.back()->ReplaceQuantifier(std::move(quantifier));
    }

    // Bounds above the limit (or past int32) are refused rather than built.
    bool ReadBound(const TcxLexem& lexem, int& value) {
        value = 0;
        for (char digit : lexem.Value) {
            value = value * 10 + (digit - '0');
            if (value > cxRegExprMaxRepeatCount) {
                Error(lexem, Text(scxRegExprIllegalIntegerValue));
                return false;
            }
        }
        return true;
    }

    void SkipBraces() {
        while (const TcxLexem* lexem = Peek()) {
            ++pos_;
            if (IsOp(lexem, '}')) return;
        }
    }

    void ParseCounted(TcxRegExprParserAlt& alt, const TcxLexem& brace) {
        auto fail = [&](const TcxLexem* at) {
            Error(at ? *at : brace, Text(scxRegExprIncorrectParameterQuantifier));
            SkipBraces();
        };
        if (alt.empty()) return fail(&brace);
        int n = 0, m = 0;
        bool orMore = false;
        const TcxLexem* lexem = Peek();
        if (!lexem || lexem->Code != cxLexemInteger) return fail(lexem);
        ++pos_;
        if (!ReadBound(*lexem, n)) return SkipBraces();
        m = n;
        lexem = Peek();
        if (IsOp(lexem, ',')) {
            ++pos_;
            lexem = Peek();
            if (IsOp(lexem, '}')) {
                orMore = true;
            } else {
                if (!lexem || lexem->Code != cxLexemInteger) return fail(lexem);
                ++pos_;
                if (!ReadBound(*lexem, m)) return SkipBraces();
                if (m < n) return fail(lexem);
                lexem = Peek();
            }
        }
        if (!IsOp(lexem, '}')) return fail(lexem);
        ++pos_;
        // Starring an item that can match empty would loop, as "*" would.
        if (alt.back()->Skippable() || (orMore && alt.back()->MatchesEmpty())) {
            Error(brace, Text(scxRegExprCantUseParameterQuantifier));
            return;
        }
        Repeat(alt, n, orMore ? -1 : m, brace);
    }

    // Replaces the last item by a group of n copies, then a starred copy (m < 0) or a chain of
    // m - n optional copies, each needing the one before.
    void Repeat(TcxRegExprParserAlt& alt, int n, int m, const TcxLexem& at) {
        std::unique_ptr<TcxRegExprParserItem> item = std::move(alt.back());
        alt.pop_back();
        const size_t copies = static_cast<size_t>(m < 0 ? n + 1 : m);
        const size_t chainGroups = m > n ? static_cast<size_t>(m - n - 1) : 0;
        const size_t size = item->StateCount();
        Count(size * copies + 2 + 2 * chainGroups, at);
        auto group = std::make_unique<TcxRegExprParserBlockItem>();
        TcxRegExprParserAlt& inner = group->Alts().Items.emplace_back();
        for (int k = 0; k < n; ++k)
            inner.push_back(item->MakeCopy());
        if (m < 0) {
            inner.push_back(item->MakeCopy());
            inner.back()->ReplaceQuantifier(std::make_unique<TcxRegExprStarQuantifier>());
        } else if (m > n) {
            std::unique_ptr<TcxRegExprParserItem> chain = item->MakeCopy();
            chain->ReplaceQuantifier(std::make_unique<TcxRegExprQuestionQuantifier>());
            for (int k = m - 1; k > n; --k) {
                auto link = std::make_unique<TcxRegExprParserBlockItem>();
                TcxRegExprParserAlt& linkAlt = link->Alts().Items.emplace_back();
                linkAlt.push_back(item->MakeCopy());
                linkAlt.push_back(std::move(chain));
                link->UpdateContentEmpty();
                link->ReplaceQuantifier(std::make_unique<TcxRegExprQuestionQuantifier>());
                chain = std::move(link);
            }
            inner.push_back(std::move(chain));
        }
        group->UpdateContentEmpty();
        // With no required copy the whole group may be missed, so what precedes it can be final.
        if (n == 0) group->ReplaceQuantifier(std::make_unique<TcxRegExprQuestionQuantifier>());
        alt.push_back(std::move(group));
        // Back-references may still name groups inside the original.
        replaced_.push_back(std::move(item));
    }

    void ParseReference(const TcxLexem& lexem, TcxRegExprParserAlt& alt) {
        const size_t number = static_cast<size_t>(lexem.Value[0] - '0');
        if (number > owner_.blocks_.size()) {
            Error(lexem, Text(scxRegExprTooBigReferenceNumber));
            return;
        }
        const TcxRegExprParserBlockItem* block = owner_.blocks_[number - 1];
        Count(block->StateCount(), lexem);
        alt.push_back(block->MakeCopy());
    }

    void ParseSet(TcxRegExprParserAlt& alt, const TcxLexem& bracket) {
        auto set = std::make_unique<TcxRegExprUserEnumeration>(false);
        if (IsOp(Peek(), '^')) {
            set->Inverse = true;
            ++pos_;
        }
        if (const TcxLexem* close = Peek(); IsOp(close, ']')) {
            Error(*close, Text(scxRegExprCantCreateEmptyEnum));
            ++pos_;
            return;
        }
        while (const TcxLexem* lexem = Peek()) {
            ++pos_;
            if (IsOp(lexem, ']')) break;
            if (IsOp(lexem, '-')) {
                Error(*lexem, Text(scxRegExprIllegalSymbol, "-"));
                continue;
            }
            const bool range = IsOp(Peek(), '-') && pos_ + 1 < static_cast<size_t>(lexems_.Count());
            const TcxLexem* finish = range ? &lexems_[pos_ + 1] : nullptr;
            if (finish && !IsOp(finish, ']')) {
                pos_ += 2;
                const auto start = static_cast<uint8_t>(lexem->Value[0]),
                           end = static_cast<uint8_t>(finish->Value[0]);
                if (start < end)
                    set->Add(std::make_unique<TcxRegExprSubrange>(start, end));
                else
                    Error(*lexem, Text(scxRegExprSubrangeOrder));
                continue;
            }
            set->Add(MakeItem(*lexem));
        }
        AddSimple(alt, std::move(set), bracket);
    }

    TcxRegExpr& owner_;
    const TcxLexems& lexems_;
    size_t pos_ = 0;
    size_t states_ = 0;
    int depth_ = 0;
    std::vector<std::unique_ptr<TcxRegExprParserItem>> replaced_;
};

// ---------------------------------------------------------------------------------------------
TcxRegExpr::TcxRegExpr() : source_(std::make_unique<TMemoryStream>()) {}

TcxRegExpr::~TcxRegExpr() = default;

void TcxRegExpr::Clear() {
    source_->Clear();
    errors_.Clear();
    lexems_.Clear();
    blocks_.clear();
    automat_.reset();
    text_.clear();
    readPos_ = 0;
    line_ = 1;
    char_ = 0;
    compiled_ = false;
}

void TcxRegExpr::RaiseErrors() {
    throw EcxRegExprError(errors_);
}

void TcxRegExpr::Compile(TStream* stream) {
    if (!firstCompile_) Clear();
    firstCompile_ = false;
    try {
        if (!stream) throw EStreamError("no stream");
        source_->LoadFromStream(stream);
    } catch (const Exception&) {
        source_->Clear();
        errors_.Add(0, 0, Text(scxRegExprNotAssignedSourceStream));
        RaiseErrors();
    }
    text_.assign(static_cast<const char*>(source_->Memory()), static_cast<size_t>(source_->Size()));
    if (std::all_of(text_.begin(), text_.end(), IsBlank)) {
        errors_.Add(0, 0, Text(scxRegExprEmptySourceStream));
        RaiseErrors();
    }
    Lex();
    if (errors_.Count() > 0) RaiseErrors();

    std::unique_ptr<TcxRegExprParserAlts> top = TParser(*this).Parse();
    blocks_.clear(); // they named groups of the parse only
    if (errors_.Count() > 0) RaiseErrors();
    auto start = std::make_unique<TcxRegExprSimpleState>(nullptr);
    if (!TcxRegExprAutomat::BuildTransitions(*top, *start, cxRegExprMaxLinks)) {
        errors_.Add(0, 0, Text(scxRegExprTooComplex));
        RaiseErrors();
    }
    automat_ = std::make_unique<TcxRegExprAutomat>(std::move(top), std::move(start));
    compiled_ = true;
    if (updateOn_) automat_->AutoComplete(OnForcedCharAdded);
}

// --- lexer -------------------------------------------------------------------------------------
bool TcxRegExpr::ReadChar(char& ch) {
    if (readPos_ >= text_.size()) return false;
    ch = text_[readPos_++];
    if (ch == '\r') ++line_;
    if (ch == '\n')
        char_ = 0;
    else
        ++char_;
    return true;
}

bool TcxRegExpr::PeekChar(char& ch) const {
    if (readPos_ >= text_.size()) return false;
    ch = text_[readPos_];
    return true;
}

void TcxRegExpr::SkipBlanks() {
    char ch;
    while (PeekChar(ch) && IsBlank(ch))
        ReadChar(ch);
}

void TcxRegExpr::AddLexem(int line, int ch, int code, const AnsiString& value) {
    lexems_.Add({line, ch, code, value});
}

void TcxRegExpr::AddErrorHere(const AnsiString& message, bool pastEnd) {
    errors_.Add(line_, pastEnd ? char_ + 1 : char_, message);
}

void TcxRegExpr::Lex() {
    int open = 0;
    char ch;
    while (ReadChar(ch)) {
        const int line = line_, col = char_;
        switch (ch) {
        case '\'':
            LexQuoted();
            break;
        case '(':
            ++open;
            AddLexem(line, col, cxLexemOperator, "(");
            break;
        case ')':
            --open;
            AddLexem(line, col, cxLexemOperator, ")");
            break;
        case '*':
        case '+':
        case '?':
        case '|':
            AddLexem(line, col, cxLexemOperator, AnsiString(1, ch));
            break;
        case '.':
            AddLexem(line, col, cxLexemAll, ".");
            break;
        case '/':
            AddLexem(line, col, cxLexemDateSeparator, "/");
            break;
        case ':':
            AddLexem(line, col, cxLexemTimeSeparator, ":");
            break;
        case '[':
            AddLexem(line, col, cxLexemOperator, "[");
            LexBrackets();
            break;
        case '{':
            AddLexem(line, col, cxLexemOperator, "{");
            LexBraces();
            break;
        case '\\':
            LexEscape(line, col);
            break;
        default:
            if (!IsBlank(ch)) AddLexem(line, col, cxLexemLiteral, AnsiString(1, ch));
            break;
        }
    }
    if (open > 0) errors_.Add(0, 0, Text(scxRegExprMissing, ")"));
    if (open < 0) errors_.Add(0, 0, Text(scxRegExprUnnecessary, ")"));
}

void TcxRegExpr::LexQuoted() {
    char ch;
    while (true) {
        if (!ReadChar(ch)) {
            AddErrorHere(Text(scxRegExprMissing, QuoteArgument), true);
            return;
        }
        const int line = line_, col = char_;
        if (ch == '\'') {
            char next;
            if (!PeekChar(next) || next != '\'') return;
            ReadChar(next);
        }
        AddLexem(line, col, cxLexemLiteral, AnsiString(1, ch));
    }
}

void TcxRegExpr::LexEscape(int line, int col) {
    char ch;
    if (!ReadChar(ch)) {
        errors_.Add(line, col, Text(scxRegExprIllegalSymbol, "\\"));
        return;
    }
    auto literal = [&](char value) { AddLexem(line, col, cxLexemLiteral, AnsiString(1, value)); };
    if (ch >= '1' && ch <= '9') return AddLexem(line, col, cxLexemReference, AnsiString(1, ch));
    if (IsBlank(ch)) return AddErrorHere(Text(scxRegExprIncorrectSpace));
    switch (ch) {
    case 'd':
        return AddLexem(line, col, cxLexemDigit, "d");
    case 'D':
        return AddLexem(line, col, cxLexemNotDigit, "D");
    case 'w':
        return AddLexem(line, col, cxLexemIdLetter, "w");
    case 'W':
        return AddLexem(line, col, cxLexemNotIdLetter, "W");
    case 's':
        return AddLexem(line, col, cxLexemSpace, "s");
    case 'S':
        return AddLexem(line, col, cxLexemNotSpace, "S");
    case 'a':
        return literal('\a');
    case 'e':
        return literal('\x1b');
    case 'f':
        return literal('\f');
    case 'n':
        return literal('\n');
    case 'r':
        return literal('\r');
    case 't':
        return literal('\t');
    case 'p':
        return literal(FormatSettings().DecimalSeparator);
    case 'x': {
        int value = 0;
        for (int k = 0; k < 2; ++k) {
            char digit;
            if (!ReadChar(digit)) return AddErrorHere(Text(scxRegExprHexNumberExpected0), true);
            if (HexValue(digit) < 0)
                return AddErrorHere(Text(scxRegExprHexNumberExpected, AnsiString(1, digit)));
            value = value * 16 + HexValue(digit);
        }
        return literal(static_cast<char>(value));
    }
    default:
        return literal(ch);
    }
}

void TcxRegExpr::LexBrackets() {
    bool first = true;
    char ch;
    while (true) {
        if (!ReadChar(ch)) return AddErrorHere(Text(scxRegExprMissing, "]"), true);
        if (IsBlank(ch)) continue;
        const int line = line_, col = char_;
        const bool atFirst = first;
        first = false;
        switch (ch) {
        case '\'':
            LexQuoted();
            break;
        case '/':
            AddLexem(line, col, cxLexemDateSeparator, "/");
            break;
        case ':':
            AddLexem(line, col, cxLexemTimeSeparator, ":");
            break;
        case '\\':
            LexEscape(line, col);
            break;
        case ']':
            return AddLexem(line, col, cxLexemOperator, "]");
        case '^':
            AddLexem(line, col, atFirst ? cxLexemOperator : cxLexemLiteral, "^");
            break;
        case '-': {
            if (atFirst) {
                AddLexem(line, col, cxLexemLiteral, "-");
                break;
            }
            SkipBlanks();
            char next;
            if (!PeekChar(next)) {
                AddLexem(line, col, cxLexemOperator, "-");
                return AddErrorHere(Text(scxRegExprMissing, "]"), true);
            }
            AddLexem(line, col, next == ']' ? cxLexemLiteral : cxLexemOperator, "-");
            break;
        }
        default:
            AddLexem(line, col, cxLexemLiteral, AnsiString(1, ch));
            break;
        }
    }
}

void TcxRegExpr::LexBraces() {
    char ch;
    while (true) {
        if (!ReadChar(ch)) return AddErrorHere(Text(scxRegExprMissing, "}"), true);
        if (IsBlank(ch)) continue;
        const int line = line_, col = char_;
        if (IsDigit(ch)) {
            AnsiString digits(1, ch);
            char next;
            while (PeekChar(next) && IsDigit(next)) {
                ReadChar(next);
                digits += next;
            }
            AddLexem(line, col, cxLexemInteger, digits);
        } else if (ch == ',') {
            AddLexem(line, col, cxLexemOperator, ",");
        } else if (ch == '}') {
            return AddLexem(line, col, cxLexemOperator, "}");
        } else {
            AddErrorHere(Text(scxRegExprIllegalSymbol, ch == '\'' ? QuoteArgument : AnsiString(1, ch)));
        }
    }
}

// --- stepping ----------------------------------------------------------------------------------
void TcxRegExpr::CheckCompiled() const {
    if (!compiled_) throw EcxEditError(Text(scxRegExprNotCompiled));
}

bool TcxRegExpr::Feed(char& ch) {
    CheckCompiled();
    if (!automat_->Feed(ch, CaseInsensitive)) return false;
    if (updateOn_ && !automat_->AtFinal()) automat_->AutoComplete(OnForcedCharAdded);
    return true;
}

AnsiString TcxRegExpr::FeedText(const AnsiString& text) {
    CheckCompiled();
    AnsiString accepted;
    for (size_t i = 0; i < text.size();) {
        const size_t length = static_cast<uint8_t>(text[i]) < 0x80                 ? 1
                              : CharByteLength(text, static_cast<int>(i) + 1) == 2 ? 2
                                                                                   : 1;
        char lead = text[i];
        if (automat_->Feed(lead, CaseInsensitive)) {
            char trail = length == 2 ? text[i + 1] : 0;
            if (length == 1 || automat_->Feed(trail, CaseInsensitive))
                accepted.append(text, i, length);
            else
                automat_->StepBack(); // half a character is no character
        }
        i += length;
    }
    return accepted;
}

bool TcxRegExpr::StepBack() {
    CheckCompiled();
    if (updateOn_) automat_->RemoveForced(OnForcedCharRemoved);
    return automat_->StepBack();
}

void TcxRegExpr::Restart() {
    CheckCompiled();
    automat_->Restart();
}

bool TcxRegExpr::AtStart() const {
    CheckCompiled();
    return automat_->AtStart();
}

bool TcxRegExpr::AtFinal() const {
    CheckCompiled();
    return automat_->AtFinal();
}

void TcxRegExpr::SetUpdateOn(bool value) {
    updateOn_ = value;
    if (value && compiled_) automat_->AutoComplete(OnForcedCharAdded);
}

AnsiString TcxRegExpr::ToText() const {
    return automat_ ? automat_->ToText() : AnsiString();
}

size_t TcxRegExpr::LargestSet() const {
    return automat_ ? automat_->LargestSet() : 0;
}
