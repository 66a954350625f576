#pragma once
// SQL lexer: cuts a text (or a stream, read in 64 KB chunks) into lexemes with shared codes.
#include <bitset>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "data/memory/CLRClasses.h"
#include "platform/core/Strings.h"

class TStream;

// Lexeme codes shared by every parser; symbols and keywords have codes of 1 and above.
constexpr int lcEnd = 0;
constexpr int lcSymbol = -102;
constexpr int lcIdent = -103;
constexpr int lcNumber = -105;
constexpr int lcString = -106;
constexpr int lcBlank = -107;
constexpr int lcComment = -108;

// SQL keyword codes.
constexpr int lxALL = 100, lxAND = 101, lxAS = 102, lxBEGIN = 103, lxBY = 104, lxCOMMIT = 105, lxDELETE = 106,
              lxDISTINCT = 107, lxEND = 108, lxEXECUTE = 109, lxFETCH = 110, lxFOR = 111, lxFROM = 112,
              lxFULL = 113, lxGROUP = 114, lxHAVING = 115, lxINNER = 116, lxINSERT = 117, lxINTERSECT = 118,
              lxINTO = 119, lxIS = 120, lxJOIN = 121, lxLEFT = 122, lxLIMIT = 123, lxLOCK = 124,
              lxMINUS = 125, lxNOT = 126, lxOFFSET = 127, lxON = 128, lxOR = 130, lxORDER = 131,
              lxOUTER = 132, lxRELEASE = 133, lxRETURNING = 134, lxRIGHT = 135, lxROLLBACK = 136,
              lxSAVEPOINT = 137, lxSELECT = 138, lxSET = 139, lxTO = 140, lxTRANSACTION = 141, lxUNION = 142,
              lxUPDATE = 143, lxWHERE = 144, lxWITH = 145;

// A sorted table of symbol or keyword texts with their codes, plus the set of first characters.
class TLexemTable {
public:
    TLexemTable(std::initializer_list<std::pair<const char*, int>> entries);
    // Code of the text (ASCII letters of the text taken as upper case), or 0 when absent.
    int Find(const char* text, int length) const;
    const AnsiString& TextOf(int code) const;
    bool IsFirstChar(unsigned char c) const { return firstChars_.test(c); }

private:
    std::vector<std::pair<AnsiString, int>> items_;
    std::vector<AnsiString> byCode_;
    std::bitset<256> firstChars_;
};

using TClausesArr = std::vector<int>;

class TParser {
public:
    // String mode.
    explicit TParser(const AnsiString& text);
    // Stream mode: the stream and encoding (nil: the default one) are not owned.
    TParser(TStream* stream, Encoding* encoding);
    virtual ~TParser();
    TParser(const TParser&) = delete;
    TParser& operator=(const TParser&) = delete;

    // Settings; set after creation.
    bool SkipBlankLexemes = true;
    bool SkipCommentLexemes = false;
    bool UpperCaseKeywords = true;
    bool KeepQuotes = false;
    bool AdvancedStrings = false;
    char NumberDecimalChar = '.';

    void SetText(const AnsiString& text);
    virtual void ResetPos();

    // Next lexeme's code; its text through lexeme.
    virtual int GetNext(AnsiString& lexeme);
    int GetNextCode();
    // Reads until the code (or the end); with balance, only outside parentheses.
    int SkipToCode(int code, bool balance = false);
    int SkipToCodeAfterPrefix(int code, int prefixCode, bool balance);
    // Scans (no keyword lookup) for a lexeme equal to text ignoring ASCII case; the position is
    // then just after it.
    bool SkipToLexeme(const AnsiString& text);
    // The last lexeme (with the blanks and comments before it) is read again.
    void RewindLast();

    // 0-based positions.
    int64_t CurrentOffset() const;
    int64_t LastLexemeOffset() const { return scanStart_; }
    int64_t PriorLexemeOffset() const { return priorScanStart_; }
    int64_t LineNumber() const { return line_; }
    int ColumnNumber() const;
    int64_t LastLexemeColumn() const { return scanStart_ - scanLineStart_; }

    // Character at a position of the current chunk (0-based); 0 beyond the end of text. Reads
    // further chunks as needed; positions stay valid for the whole scan.
    char CharAt(int pos);

protected:
    virtual void InitParser();
    virtual bool IsBlank(char c) const;
    virtual bool IsSymbol(char c) const;
    virtual bool IsAlpha(char c) const;
    virtual bool IsDigit(char c) const;
    virtual bool IsStringQuote(char c) const;
    virtual bool IsIdentQuote(char c) const;
    virtual bool IsLineCommentStart(char c, int pos);
    // Moves pos to the next occurrence of c (or past the end), counting line ends.
    virtual void SkipToCharLines(char c, int& pos);
    // The same as a plain search, without line counting (string mode).
    virtual void SkipToChar(char c, int& pos);
    virtual void SkipToQuoteEnd(char quote, int& pos);

    // True when pos lies within the text (reading more of the stream when needed).
    bool InText(int pos) { return CharAvailable(pos); }
    // Counts a line end at pos (CR LF, CR or LF) and moves past it; false when none is there.
    bool SkipLineEnd(int& pos);

    const TLexemTable* symbolTable_ = nullptr;
    const TLexemTable* keywordTable_ = nullptr;
    AnsiString commentBegin_ = "/*";
    AnsiString commentEnd_ = "*/";

    // Base tables, for subclasses that extend them.
    static const TLexemTable& BaseSymbols();
    static const TLexemTable& BaseKeywords();

private:
    int ScanLexeme(bool lookupKeywords);
    bool CharAvailable(int pos);
    bool ReadChunk();
    void Rebase();

    AnsiString text_;
    int pos_ = 0;
    int lexemeStart_ = 0;
    int lexemeLength_ = 0;
    // Stream mode.
    TStream* stream_ = nullptr;
    Encoding* encoding_ = nullptr;
    int64_t streamRemaining_ = 0;
    TBytes pendingBytes_; // an incomplete UTF-8 sequence carried to the next chunk
    std::unique_ptr<uint8_t[]> chunk_;
    int64_t chunkOffset_ = 0; // absolute offset of text_[0]
    // Lines and scan starts (absolute, 0-based).
    int64_t line_ = 0;
    int64_t lineStart_ = 0;
    int64_t scanStart_ = 0;
    int64_t priorScanStart_ = 0;
    int64_t scanLineStart_ = 0;
    int64_t scanLine_ = 0;
};

class TSQLParser : public TParser {
public:
    explicit TSQLParser(const AnsiString& text);
    TSQLParser(TStream* stream, Encoding* encoding);

    bool IsClause(int code) const { return ClauseIndex(code) >= 0; }
    int ClauseIndex(int code) const;
    // -2 when either is no clause; else -1, 0 or 1 by their order in the clause table.
    int CompareClauses(int code1, int code2) const;
    virtual bool IsMacroAllowed(int code) const { return code != lcString; }
    static bool AllowNumericMacro() { return false; }
    virtual bool IsSelectModifier(int code) const { return code == lxALL || code == lxDISTINCT; }
    virtual bool IsNullWord(const AnsiString& text) const { return text == "NULL"; }
    virtual bool ExtraOption() const { return false; }

    static const TLexemTable& SQLSymbols();
    static const TLexemTable& SQLKeywords();

protected:
    void InitParser() override;
    bool IsAlpha(char c) const override;
    bool IsStringQuote(char c) const override;
    bool IsIdentQuote(char c) const override;
    bool IsLineCommentStart(char c, int pos) override;

    TClausesArr clauses_;
};

// Class reference of a parser: providers name their parser class through it.
struct TSQLParserClass {
    const char* ClassName;
    std::unique_ptr<TSQLParser> (*Create)(const AnsiString& text);
    std::unique_ptr<TSQLParser> (*CreateFromStream)(TStream* stream, Encoding* encoding);
    bool (*AllowNumericMacro)();
};

template <class T> const TSQLParserClass* ParserClassOf(const char* name) {
    static const TSQLParserClass c{
        name, [](const AnsiString& text) -> std::unique_ptr<TSQLParser> { return std::make_unique<T>(text); },
        [](TStream* stream, Encoding* encoding) -> std::unique_ptr<TSQLParser> {
            return std::make_unique<T>(stream, encoding);
        },
        &T::AllowNumericMacro};
    return &c;
}
