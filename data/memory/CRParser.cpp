#include "data/memory/CRParser.h"

#include <algorithm>
#include <cstring>

#include "platform/core/Exceptions.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Streams.h"

namespace {

constexpr int ChunkSize = 65536;
constexpr int64_t MaxTextLength = 2147483647;

inline unsigned char U(char c) {
    return static_cast<unsigned char>(c);
}
inline unsigned char UpAscii(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

// Table text against a lexeme whose ASCII letters count as upper case; a prefix orders first.
int CompareWithLexeme(const AnsiString& tableText, const char* lexeme, int length) {
    const size_t n = std::min(tableText.size(), static_cast<size_t>(length));
    for (size_t i = 0; i < n; ++i) {
        unsigned char a = U(tableText[i]);
        unsigned char b = UpAscii(U(lexeme[i]));
        if (a != b) return a < b ? -1 : 1;
    }
    if (tableText.size() == static_cast<size_t>(length)) return 0;
    return tableText.size() < static_cast<size_t>(length) ? -1 : 1;
}

bool SameAsciiText(const char* a, size_t aLength, const AnsiString& b) {
    if (aLength != b.size()) return false;
    for (size_t i = 0; i < aLength; ++i)
        if (UpAscii(U(a[i])) != UpAscii(U(b[i]))) return false;
    return true;
}

// Length of the complete UTF-8 text at the start of data; an incomplete last sequence waits.
size_t CompleteUtf8Length(const uint8_t* data, size_t count) {
    size_t i = count;
    size_t back = 0;
    while (i > 0 && back < 4) {
        --i;
        ++back;
        uint8_t b = data[i];
        if ((b & 0xC0) == 0x80) continue; // continuation byte
        size_t need = (b & 0x80) == 0      ? 1
                      : (b & 0xE0) == 0xC0 ? 2
                      : (b & 0xF0) == 0xE0 ? 3
                      : (b & 0xF8) == 0xF0 ? 4
                                           : 1;
        return back < need ? i : count;
    }
    return count;
}

} // namespace

// ---- TLexemTable -----------------------------------------------------------------------------

TLexemTable::TLexemTable(std::initializer_list<std::pair<const char*, int>> entries) {
    for (const auto& [text, code] : entries) {
        Assert(code > 0, "Lexeme code must be positive");
        items_.emplace_back(text, code);
        firstChars_.set(U(text[0]));
        if (static_cast<size_t>(code) >= byCode_.size()) byCode_.resize(static_cast<size_t>(code) + 1);
        byCode_[static_cast<size_t>(code)] = text;
    }
    std::sort(items_.begin(), items_.end());
}

int TLexemTable::Find(const char* text, int length) const {
    if (length <= 0 || !firstChars_.test(UpAscii(U(text[0])))) return 0;
    size_t lo = 0, hi = items_.size();
    while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        int c = CompareWithLexeme(items_[mid].first, text, length);
        if (c == 0) return items_[mid].second;
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return 0;
}

const AnsiString& TLexemTable::TextOf(int code) const {
    static const AnsiString empty;
    if (code < 0 || static_cast<size_t>(code) >= byCode_.size()) return empty;
    return byCode_[static_cast<size_t>(code)];
}

// ---- TParser ---------------------------------------------------------------------------------

const TLexemTable& TParser::BaseSymbols() {
    static const TLexemTable table{{"!", 1},  {"\"", 2}, {"#", 3},  {"$", 4},  {"%", 5},  {"&", 6},
                                   {"'", 7},  {"(", 8},  {")", 9},  {"*", 10}, {"+", 11}, {",", 12},
                                   {"-", 13}, {".", 14}, {"/", 15}, {":", 16}, {";", 17}, {"<", 18},
                                   {"=", 19}, {">", 20}, {"?", 21}, {"@", 22}, {"[", 23}, {"\\", 24},
                                   {"]", 25}, {"^", 26}, {"_", 27}, {"`", 28}};
    return table;
}

const TLexemTable& TParser::BaseKeywords() {
    static const TLexemTable table{{"AND", 29}, {"NOT", 30}, {"OR", 31}};
    return table;
}

TParser::TParser(const AnsiString& text) : text_(text) {
    InitParser();
}

TParser::TParser(TStream* stream, Encoding* encoding)
    : stream_(stream), encoding_(encoding ? encoding : Encoding::GetDefault()) {
    int64_t remaining = stream_->Size() - stream_->Position();
    streamRemaining_ = remaining > 0 ? remaining : 0;
    int64_t chars = encoding_ == Encoding::GetUnicode() ? streamRemaining_ / 2 : streamRemaining_;
    // Positions within the chunks are 32-bit: the text is cut at the largest length they can reach.
    if (chars > MaxTextLength)
        streamRemaining_ = encoding_ == Encoding::GetUnicode() ? MaxTextLength * 2 : MaxTextLength;
    chunk_.reset(new uint8_t[ChunkSize]);
    InitParser();
}

TParser::~TParser() = default;

void TParser::InitParser() {
    symbolTable_ = &BaseSymbols();
    keywordTable_ = &BaseKeywords();
    commentBegin_ = "/*";
    commentEnd_ = "*/";
    NumberDecimalChar = FormatSettings().DecimalSeparator;
    SkipBlankLexemes = true;
    UpperCaseKeywords = true;
    KeepQuotes = false;
    ResetPos();
}

void TParser::ResetPos() {
    pos_ = 0;
    lexemeStart_ = 0;
    lexemeLength_ = 0;
    line_ = 0;
    lineStart_ = chunkOffset_;
    scanStart_ = priorScanStart_ = scanLineStart_ = chunkOffset_;
    scanLine_ = 0;
}

void TParser::SetText(const AnsiString& text) {
    text_ = text;
    stream_ = nullptr;
    chunkOffset_ = 0;
    ResetPos();
}

bool TParser::IsBlank(char c) const {
    return c == 9 || c == 10 || c == 13 || c == 32;
}

bool TParser::IsSymbol(char c) const {
    unsigned char u = U(c);
    return (u >= 33 && u <= 47) || (u >= 58 && u <= 64) || (u >= 91 && u <= 94) || u == 96 ||
           (u >= 123 && u <= 126);
}

bool TParser::IsAlpha(char c) const {
    unsigned char u = U(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 128;
}

bool TParser::IsDigit(char c) const {
    return c >= '0' && c <= '9';
}
bool TParser::IsStringQuote(char c) const {
    return c == '\'' || c == '"';
}
bool TParser::IsIdentQuote(char) const {
    return false;
}

bool TParser::IsLineCommentStart(char c, int pos) {
    return c == '/' && CharAt(pos + 1) == '/' && CharAvailable(pos + 2);
}

bool TParser::ReadChunk() {
    if (!stream_ || (streamRemaining_ <= 0 && pendingBytes_.empty())) return false;
    int want = static_cast<int>(std::min<int64_t>(ChunkSize, streamRemaining_));
    int got = want > 0 ? stream_->Read(chunk_.get(), want) : 0;
    if (got <= 0) {
        streamRemaining_ = 0;
        got = 0;
    } else {
        streamRemaining_ -= got;
    }
    const bool last = streamRemaining_ <= 0;
    if (encoding_ == Encoding::GetDefault()) {
        if (got == 0) return false;
        text_.append(reinterpret_cast<const char*>(chunk_.get()), static_cast<size_t>(got));
        return true;
    }
    // Bytes of a character cut by the chunk border wait for the next chunk.
    TBytes bytes;
    bytes.swap(pendingBytes_);
    bytes.insert(bytes.end(), chunk_.get(), chunk_.get() + got);
    if (bytes.empty()) return false;
    size_t complete = bytes.size();
    if (!last) {
        if (encoding_ == Encoding::GetUnicode())
            complete &= ~static_cast<size_t>(1);
        else if (encoding_ == Encoding::GetUTF8())
            complete = CompleteUtf8Length(bytes.data(), bytes.size());
    }
    pendingBytes_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(complete), bytes.end());
    text_ += encoding_->PtrToText(bytes.data(), static_cast<int>(complete));
    return true;
}

bool TParser::CharAvailable(int pos) {
    while (pos >= static_cast<int>(text_.size())) {
        if (!ReadChunk()) return false;
    }
    return pos >= 0;
}

char TParser::CharAt(int pos) {
    return CharAvailable(pos) ? text_[static_cast<size_t>(pos)] : '\0';
}

// Drops the text before the scan position once it is large; absolute offsets stay unchanged.
void TParser::Rebase() {
    if (pos_ < ChunkSize) return;
    text_.erase(0, static_cast<size_t>(pos_));
    chunkOffset_ += pos_;
    pos_ = 0;
}

int64_t TParser::CurrentOffset() const {
    return chunkOffset_ + pos_;
}

int TParser::ColumnNumber() const {
    return static_cast<int>(CurrentOffset() - lineStart_);
}

bool TParser::SkipLineEnd(int& pos) {
    char c = CharAt(pos);
    if (c == '\r') {
        pos += CharAt(pos + 1) == '\n' ? 2 : 1;
    } else if (c == '\n') {
        pos += 1;
    } else {
        return false;
    }
    ++line_;
    lineStart_ = chunkOffset_ + pos;
    return true;
}

void TParser::SkipToCharLines(char c, int& pos) {
    while (CharAvailable(pos)) {
        char ch = text_[static_cast<size_t>(pos)];
        if (ch == c) return;
        if (!SkipLineEnd(pos)) ++pos;
    }
}

void TParser::SkipToChar(char c, int& pos) {
    if (pos >= static_cast<int>(text_.size())) return;
    const void* hit = std::memchr(text_.data() + pos, c, text_.size() - static_cast<size_t>(pos));
    pos =
        hit ? static_cast<int>(static_cast<const char*>(hit) - text_.data()) : static_cast<int>(text_.size());
}

void TParser::SkipToQuoteEnd(char quote, int& pos) {
    if (AdvancedStrings || stream_)
        SkipToCharLines(quote, pos);
    else
        SkipToChar(quote, pos);
}

int TParser::ScanLexeme(bool) {
    if (stream_) Rebase();
    priorScanStart_ = scanStart_;
    scanStart_ = chunkOffset_ + pos_;
    scanLine_ = line_;
    scanLineStart_ = lineStart_;
    lexemeStart_ = pos_;
    lexemeLength_ = 0;

    auto matchAt = [this](const AnsiString& marker, int pos) {
        if (marker.empty() || !CharAvailable(pos + static_cast<int>(marker.size()) - 1)) return false;
        return text_.compare(static_cast<size_t>(pos), marker.size(), marker) == 0;
    };

    for (;;) {
        int start = pos_;
        while (CharAvailable(pos_) && IsBlank(text_[static_cast<size_t>(pos_)]))
            if (!SkipLineEnd(pos_)) ++pos_;
        if (pos_ > start && !SkipBlankLexemes) {
            lexemeStart_ = start;
            lexemeLength_ = pos_ - start;
            return lcBlank;
        }
        lexemeStart_ = pos_;
        if (!CharAvailable(pos_)) return lcEnd;

        start = pos_;
        const char c = text_[static_cast<size_t>(pos_)];
        bool comment = false;
        if (IsLineCommentStart(c, pos_)) {
            pos_ += 2;
            while (CharAvailable(pos_) && text_[static_cast<size_t>(pos_)] != '\r' &&
                   text_[static_cast<size_t>(pos_)] != '\n')
                ++pos_;
            comment = true;
        } else if (matchAt(commentBegin_, pos_)) {
            // The end marker may share the start marker's last character: "/*/" is whole.
            int p = pos_ + 1;
            for (;;) {
                if (!CharAvailable(p)) break;
                if (matchAt(commentEnd_, p)) {
                    p += static_cast<int>(commentEnd_.size());
                    break;
                }
                if (!SkipLineEnd(p)) ++p;
            }
            pos_ = p;
            comment = true;
        }
        if (comment) {
            if (SkipCommentLexemes) continue;
            lexemeStart_ = start;
            lexemeLength_ = pos_ - start;
            return lcComment;
        }

        if (IsSymbol(c)) {
            const bool stringQuote = IsStringQuote(c);
            if (stringQuote || IsIdentQuote(c)) {
                int p = pos_ + 1;
                SkipToQuoteEnd(c, p);
                const int contentEnd = std::min(p, static_cast<int>(text_.size()));
                if (CharAvailable(p)) ++p; // the closing quote
                pos_ = p;
                if (stringQuote && !KeepQuotes) {
                    lexemeStart_ = start + 1;
                    lexemeLength_ = contentEnd - start - 1;
                } else {
                    lexemeStart_ = start;
                    lexemeLength_ = pos_ - start;
                }
                return stringQuote ? lcString : lcIdent;
            }
            int code = 0;
            int length = 0;
            for (int l = 1;; ++l) {
                int found = symbolTable_->Find(text_.data() + start, l);
                if (!found) break;
                code = found;
                length = l;
                if (!CharAvailable(start + l) || !IsSymbol(text_[static_cast<size_t>(start + l)])) break;
            }
            if (code > 0) {
                pos_ = start + length;
                lexemeLength_ = length;
                return code;
            }
            pos_ = start + 1;
            lexemeLength_ = 1;
            return lcSymbol;
        }

        if (IsAlpha(c) || c == '_') {
            int p = pos_ + 1;
            while (CharAvailable(p)) {
                char ch = text_[static_cast<size_t>(p)];
                if (!(IsAlpha(ch) || IsDigit(ch) || ch == '_')) break;
                ++p;
            }
            pos_ = p;
            lexemeLength_ = p - start;
            return lcIdent;
        }

        if (IsDigit(c)) {
            int p = pos_ + 1;
            while (CharAvailable(p) && IsDigit(text_[static_cast<size_t>(p)]))
                ++p;
            if (CharAt(p) == NumberDecimalChar && CharAvailable(p + 1) &&
                IsDigit(text_[static_cast<size_t>(p + 1)])) {
                p += 2;
                while (CharAvailable(p) && IsDigit(text_[static_cast<size_t>(p)]))
                    ++p;
            }
            pos_ = p;
            lexemeLength_ = p - start;
            return lcNumber;
        }

        AnsiString message = "Parser: The unknown symbol '";
        message += c;
        message += "'  $";
        message += IntToHex(U(c), 4);
        throw Exception(message);
    }
}

int TParser::GetNext(AnsiString& lexeme) {
    int code = ScanLexeme(true);
    if (code > 0) {
        lexeme = symbolTable_->TextOf(code);
        return code;
    }
    lexeme.assign(text_, static_cast<size_t>(lexemeStart_), static_cast<size_t>(lexemeLength_));
    if (code == lcIdent) {
        int keyword = keywordTable_->Find(lexeme.data(), static_cast<int>(lexeme.size()));
        if (keyword > 0) {
            code = keyword;
            if (UpperCaseKeywords) lexeme = UpperText(lexeme);
        }
    }
    return code;
}

int TParser::GetNextCode() {
    AnsiString lexeme;
    return GetNext(lexeme);
}

int TParser::SkipToCode(int code, bool balance) {
    int depth = 0;
    AnsiString lexeme;
    for (;;) {
        int c = GetNext(lexeme);
        if (c == lcEnd) return c;
        if (balance && c == lcSymbol) {
            if (lexeme == "(")
                ++depth;
            else if (lexeme == ")")
                --depth;
        }
        if (c == code && (!balance || depth == 0)) return c;
    }
}

int TParser::SkipToCodeAfterPrefix(int code, int prefixCode, bool balance) {
    int c;
    do {
        c = GetNextCode();
    } while (c == lcBlank || c == lcComment);
    if (c == prefixCode) return SkipToCode(code, balance);
    if (c != code && c != lcEnd) return SkipToCode(code, false);
    return c;
}

bool TParser::SkipToLexeme(const AnsiString& text) {
    for (;;) {
        int code = ScanLexeme(false);
        if (code == lcEnd) return false;
        if (code > 0) {
            if (SameAsciiText(symbolTable_->TextOf(code).data(), symbolTable_->TextOf(code).size(), text))
                return true;
        } else if (code == lcIdent || code == lcNumber || code == lcSymbol) {
            if (SameAsciiText(text_.data() + lexemeStart_, static_cast<size_t>(lexemeLength_), text))
                return true;
        }
    }
}

void TParser::RewindLast() {
    pos_ = static_cast<int>(scanStart_ - chunkOffset_);
}

// ---- TSQLParser ------------------------------------------------------------------------------

const TLexemTable& TSQLParser::SQLSymbols() {
    static const TLexemTable table{{"*", 1}, {"=", 2}, {":", 3}, {",", 4}, {".", 5}, {"/", 6}, {";", 7}};
    return table;
}

const TLexemTable& TSQLParser::SQLKeywords() {
    static const TLexemTable table{
        {"ALL", 100},       {"AND", 101},     {"AS", 102},        {"BEGIN", 103}, {"BY", 104},
        {"COMMIT", 105},    {"DELETE", 106},  {"DISTINCT", 107},  {"END", 108},   {"EXECUTE", 109},
        {"FETCH", 110},     {"FOR", 111},     {"FROM", 112},      {"FULL", 113},  {"GROUP", 114},
        {"HAVING", 115},    {"INNER", 116},   {"INSERT", 117},    {"INTO", 119},  {"IS", 120},
        {"JOIN", 121},      {"LEFT", 122},    {"LIMIT", 123},     {"LOCK", 124},  {"MINUS", 125},
        {"NOT", 126},       {"OFFSET", 127},  {"ON", 128},        {"OR", 130},    {"ORDER", 131},
        {"OUTER", 132},     {"RELEASE", 133}, {"RETURNING", 134}, {"RIGHT", 135}, {"ROLLBACK", 136},
        {"SAVEPOINT", 137}, {"SELECT", 138},  {"SET", 139},       {"TO", 140},    {"TRANSACTION", 141},
        {"UNION", 142},     {"UPDATE", 143},  {"WHERE", 144},     {"WITH", 145}};
    return table;
}

// InitParser is virtual: each class whose InitParser differs runs it again in its constructor.
TSQLParser::TSQLParser(const AnsiString& text) : TParser(text) {
    InitParser();
}

TSQLParser::TSQLParser(TStream* stream, Encoding* encoding) : TParser(stream, encoding) {
    InitParser();
}

void TSQLParser::InitParser() {
    TParser::InitParser();
    symbolTable_ = &SQLSymbols();
    keywordTable_ = &SQLKeywords();
    clauses_ = {lxWHERE, lxGROUP, lxHAVING, lxUNION, lxINTERSECT, lxMINUS, lxORDER};
}

bool TSQLParser::IsAlpha(char c) const {
    return TParser::IsAlpha(c) || c == '#' || c == '$';
}
bool TSQLParser::IsStringQuote(char c) const {
    return c == '\'';
}
bool TSQLParser::IsIdentQuote(char c) const {
    return c == '"';
}

bool TSQLParser::IsLineCommentStart(char c, int pos) {
    return c == '-' && CharAt(pos + 1) == '-' && InText(pos + 2);
}

int TSQLParser::ClauseIndex(int code) const {
    Assert(!clauses_.empty(), "Clause table is empty");
    for (size_t i = 0; i < clauses_.size(); ++i)
        if (clauses_[i] == code) return static_cast<int>(i);
    return -1;
}

int TSQLParser::CompareClauses(int code1, int code2) const {
    int a = ClauseIndex(code1);
    int b = ClauseIndex(code2);
    if (a < 0 || b < 0) return -2;
    return a < b ? -1 : a > b ? 1 : 0;
}
