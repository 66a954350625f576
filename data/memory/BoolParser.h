#pragma once
// Filter expressions: the lexer of filter texts, the nodes of a parsed expression and the helpers
// the evaluation uses.
#include <cstdint>

#include "data/memory/CRParser.h"
#include "data/memory/FieldDescs.h"
#include "platform/core/Variant.h"

// Symbols and keywords of filter texts.
constexpr int bxEqual = 1, bxGreater = 2, bxLess = 3, bxGreaterOrEqual = 4, bxLessOrEqual = 5, bxNotEqual = 6,
              bxLeftParen = 7, bxRightParen = 8, bxMinus = 9, bxPlus = 10, bxLeftBracket = 11,
              bxRightBracket = 12, bxAND = 13, bxFALSE = 14, bxIS = 15, bxLIKE = 16, bxNOT = 17, bxNULL = 18,
              bxOR = 19, bxTRUE = 20;

class TBoolParser : public TParser {
public:
    explicit TBoolParser(const AnsiString& text);

    static const TLexemTable& BoolSymbols();
    static const TLexemTable& BoolKeywords();

protected:
    void InitParser() override;
    // Steps over pairs of single quotes, so a quoted text may hold a doubled quote.
    void SkipToQuoteEnd(char quote, int& pos) override;
};

enum TExpressionType : uint8_t {
    nkEqual = 0,
    nkGreater = 1,
    nkLess = 2,
    nkGreaterOrEqual = 3,
    nkLessOrEqual = 4,
    nkNotEqual = 5,
    nkAnd = 6,
    nkOr = 7,
    nkNot = 8,
    nkField = 9,
    nkValue = 10,
    nkTrue = 11,
    nkFalse = 12,
    nkLike = 13,
    nkNotLike = 14,
};

class TExpressionNode : public TObject {
public:
    VZ_CLASS(TExpressionNode, TObject)
    TExpressionNode* ChainNext = nullptr;
    TExpressionType NodeKind = nkTrue;
    TExpressionNode* LeftNode = nullptr;
    TExpressionNode* RightNode = nullptr;
    TExpressionNode* SpareNode = nullptr;
    TFieldDesc* NodeField = nullptr;
    Variant NodeValue;
};

// "*" and "%" match any run of characters, "_" exactly one; the rest matches itself, case and
// all. The whole text must match the whole pattern. 8-bit text with double-byte characters is
// matched by characters, not bytes.
bool MatchWildcard(const AnsiString& text, const AnsiString& pattern);
bool MatchWildcard(const WideString& text, const WideString& pattern);

// A string becomes a date (locale format first, then the Variant conversion); other values stay.
void CoerceToDateTime(Variant& value);
