#pragma once
// Mask expressions: the pattern language of the mask editor's expression kinds, compiled from a
// stream into an automaton that answers, one typed character at a time, whether the text so far
// still fits.
#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Streams.h"
#include "ui/editors/RegExprAutomat.h"
#include "ui/editors/framework/EditError.h"

struct TcxLexem {
    int Line = 0;
    int Char = 0;
    int Code = 0;
    AnsiString Value;
};

enum : int {
    cxLexemLiteral = 0,
    cxLexemOperator = 1,
    cxLexemInteger = 2,
    cxLexemAll = 3,
    cxLexemIdLetter = 4,
    cxLexemNotIdLetter = 5,
    cxLexemDigit = 6,
    cxLexemNotDigit = 7,
    cxLexemSpace = 8,
    cxLexemNotSpace = 9,
    cxLexemReference = 10,
    cxLexemDateSeparator = 11,
    cxLexemTimeSeparator = 12,
};

class TcxLexems {
public:
    void Add(const TcxLexem& lexem) { items_.push_back(lexem); }
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    TcxLexem Item(int index) const { return items_.at(static_cast<size_t>(index)); }
    const TcxLexem& operator[](size_t index) const { return items_[index]; }

private:
    std::vector<TcxLexem> items_;
};

struct TcxRegExprError {
    int Line = 0;
    int Char = 0;
    AnsiString Message;
    // "Line1, Char3: Illegal ')'"; the bare message without a position.
    AnsiString FullMessage() const;
};

class TcxRegExprErrors {
public:
    void Add(int line, int ch, const AnsiString& message) { items_.push_back({line, ch, message}); }
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    const TcxRegExprError& Item(int index) const { return items_.at(static_cast<size_t>(index)); }

private:
    std::vector<TcxRegExprError> items_;
};

// A failed compile; carries its own copy of the errors (the expression may compile again).
class EcxRegExprError : public EcxEditError {
public:
    explicit EcxRegExprError(TcxRegExprErrors errors)
        : EcxEditError(AnsiString()), errors_(std::move(errors)) {}
    const TcxRegExprErrors& Errors() const { return errors_; }

private:
    TcxRegExprErrors errors_;
};

// Limits that keep hostile patterns from exhausting stack or memory.
constexpr int cxRegExprMaxRepeatCount = 1000;
constexpr int cxRegExprMaxNesting = 100;
constexpr size_t cxRegExprMaxStates = 100000;
constexpr size_t cxRegExprMaxLinks = 1000000;

class TcxRegExpr {
public:
    TcxRegExpr();
    ~TcxRegExpr();
    TcxRegExpr(const TcxRegExpr&) = delete;
    TcxRegExpr& operator=(const TcxRegExpr&) = delete;

    // Raises EcxRegExprError with every error of the failing phase.
    void Compile(TStream* stream);
    bool IsCompiled() const { return compiled_; }

    // True when ch fits; ch may take the pattern's case.
    bool Feed(char& ch);
    // The characters that fit, as typed; a double-byte character fits whole or not at all.
    AnsiString FeedText(const AnsiString& text);
    bool StepBack();
    void Restart();
    bool AtStart() const;
    bool AtFinal() const;
    bool UpdateOn() const { return updateOn_; }
    void SetUpdateOn(bool value);
    // The source when compiled, else null.
    TStream* GetSourceStream() { return compiled_ ? source_.get() : nullptr; }

    const TcxRegExprErrors& Errors() const { return errors_; }
    const TcxLexems& Lexems() const { return lexems_; }
    // The parse tree, one line per alternative boundary, group boundary and item.
    AnsiString ToText() const;
    // The largest state set reached since the compile.
    size_t LargestSet() const;

    bool CaseInsensitive = false;
    std::function<void()> OnForcedCharRemoved;
    std::function<void(char)> OnForcedCharAdded;

private:
    class TParser;
    void Clear();
    void Lex();
    void CheckCompiled() const;
    [[noreturn]] void RaiseErrors();
    bool ReadChar(char& ch);
    bool PeekChar(char& ch) const;
    void AddLexem(int line, int ch, int code, const AnsiString& value);
    void AddErrorHere(const AnsiString& message, bool pastEnd = false);
    void LexQuoted();
    void LexEscape(int line, int col);
    void LexBrackets();
    void LexBraces();
    void SkipBlanks();

    std::unique_ptr<TcxRegExprAutomat> automat_;
    std::vector<TcxRegExprParserBlockItem*> blocks_;
    TcxRegExprErrors errors_;
    TcxLexems lexems_;
    std::unique_ptr<TMemoryStream> source_;
    AnsiString text_;
    size_t readPos_ = 0;
    int line_ = 1;
    int char_ = 0;
    bool firstCompile_ = true;
    bool compiled_ = false;
    bool updateOn_ = false;
};
