// TData: parsing and evaluating filter expressions.
#include <memory>

#include "data/memory/BoolParser.h"
#include "data/memory/Data.h"
#include "data/memory/MemUtils.h"

void TData::RaiseIllegalFilter() {
    throw Exception("Illegal filter expression");
}

TExpressionNode* TData::NewExprNode() {
    auto* node = new TExpressionNode();
    node->ChainNext = FilterNodeChain;
    FilterNodeChain = node;
    return node;
}

void TData::FreeExprNodes() {
    while (FilterNodeChain) {
        TExpressionNode* next = FilterNodeChain->ChainNext;
        delete FilterNodeChain;
        FilterNodeChain = next;
    }
    FilterRoot = nullptr;
}

void TData::NextLexeme() {
    lexemeCode_ = filterParser_->GetNext(lexemeText_);
}

void TData::ParseFilterText(const AnsiString& text) {
    FreeExprNodes();
    if (Trim(text).empty()) return;
    auto parser = std::make_unique<TBoolParser>(text);
    filterParser_ = parser.get();
    try {
        NextLexeme();
        TExpressionNode* root = ParseOrExpr();
        if (lexemeCode_ != lcEnd) RaiseIllegalFilter();
        FilterRoot = root;
    } catch (...) {
        filterParser_ = nullptr;
        FreeExprNodes();
        throw;
    }
    filterParser_ = nullptr;
}

TExpressionNode* TData::ParseOrExpr() {
    TExpressionNode* left = ParseAndExpr();
    while (lexemeCode_ == bxOR) {
        NextLexeme();
        TExpressionNode* right = ParseAndExpr();
        TExpressionNode* node = NewExprNode();
        node->NodeKind = nkOr;
        node->LeftNode = left;
        node->RightNode = right;
        left = node;
    }
    return left;
}

TExpressionNode* TData::ParseAndExpr() {
    TExpressionNode* left = ParseCondition();
    while (lexemeCode_ == bxAND) {
        NextLexeme();
        TExpressionNode* right = ParseCondition();
        TExpressionNode* node = NewExprNode();
        node->NodeKind = nkAnd;
        node->LeftNode = left;
        node->RightNode = right;
        left = node;
    }
    return left;
}

TExpressionNode* TData::ParseCondition() {
    switch (lexemeCode_) {
    case bxLeftParen: {
        NextLexeme();
        TExpressionNode* node = ParseOrExpr();
        if (lexemeCode_ != bxRightParen) RaiseIllegalFilter();
        NextLexeme();
        return node;
    }
    case bxNOT: {
        NextLexeme();
        TExpressionNode* operand = ParseCondition();
        TExpressionNode* node = NewExprNode();
        node->NodeKind = nkNot;
        node->LeftNode = operand;
        return node;
    }
    case bxTRUE:
    case bxFALSE: {
        TExpressionNode* node = NewExprNode();
        node->NodeKind = lexemeCode_ == bxTRUE ? nkTrue : nkFalse;
        NextLexeme();
        return node;
    }
    case bxMinus:
    case bxPlus:
    case bxLeftBracket:
    case bxRightBracket:
    case lcString:
    case lcNumber:
    case lcIdent:
        break;
    default:
        RaiseIllegalFilter();
    }

    TExpressionNode* left = ParseOperand();
    TExpressionType kind;
    switch (lexemeCode_) {
    case bxEqual:
        kind = nkEqual;
        break;
    case bxGreater:
        kind = nkGreater;
        break;
    case bxLess:
        kind = nkLess;
        break;
    case bxGreaterOrEqual:
        kind = nkGreaterOrEqual;
        break;
    case bxLessOrEqual:
        kind = nkLessOrEqual;
        break;
    case bxNotEqual:
        kind = nkNotEqual;
        break;
    case bxLIKE:
        kind = nkLike;
        break;
    case bxNOT:
        NextLexeme();
        if (lexemeCode_ != bxLIKE) RaiseIllegalFilter();
        kind = nkNotLike;
        break;
    case bxIS:
        NextLexeme();
        kind = nkEqual;
        if (lexemeCode_ == bxNOT) {
            NextLexeme();
            kind = nkNotEqual;
        }
        if (lexemeCode_ != bxNULL) RaiseIllegalFilter();
        {
            // The NULL lexeme itself is the right operand.
            TExpressionNode* right = ParseOperand();
            TExpressionNode* node = NewExprNode();
            node->NodeKind = kind;
            node->LeftNode = left;
            node->RightNode = right;
            return node;
        }
    default:
        RaiseIllegalFilter();
    }
    NextLexeme();
    TExpressionNode* right = ParseOperand();
    TExpressionNode* node = NewExprNode();
    node->NodeKind = kind;
    node->LeftNode = left;
    node->RightNode = right;
    return node;
}

TExpressionNode* TData::ParseOperand() {
    auto fieldNode = [this](const AnsiString& name) {
        TFieldDesc* desc = FindFieldDesc(name);
        if (!desc) throw Exception(Format("Field %s not found", {name}));
        TExpressionNode* node = NewExprNode();
        node->NodeKind = nkField;
        node->NodeField = desc;
        return node;
    };
    auto valueNode = [this](Variant value) {
        TExpressionNode* node = NewExprNode();
        node->NodeKind = nkValue;
        node->NodeValue = std::move(value);
        return node;
    };

    switch (lexemeCode_) {
    case bxMinus:
    case bxPlus: {
        AnsiString sign = lexemeCode_ == bxMinus ? "-" : "";
        NextLexeme();
        if (lexemeCode_ != lcNumber) RaiseIllegalFilter();
        double v;
        if (!TryStrToFloat(sign + lexemeText_, v, FormatSettings())) RaiseIllegalFilter();
        NextLexeme();
        return valueNode(Variant(v));
    }
    case bxLeftBracket: {
        // Everything up to "]" is the name, blanks included.
        filterParser_->SkipBlankLexemes = false;
        AnsiString name;
        try {
            NextLexeme();
            while (lexemeCode_ != bxRightBracket && lexemeCode_ != lcEnd) {
                name += lexemeText_;
                NextLexeme();
            }
        } catch (...) {
            filterParser_->SkipBlankLexemes = true;
            throw;
        }
        filterParser_->SkipBlankLexemes = true;
        if (lexemeCode_ == bxRightBracket) NextLexeme();
        return fieldNode(name);
    }
    case lcIdent: {
        AnsiString name = lexemeText_;
        NextLexeme();
        while (lexemeCode_ == lcSymbol && lexemeText_ == ".") {
            NextLexeme();
            if (lexemeCode_ != lcIdent) break;
            name += "." + lexemeText_;
            NextLexeme();
        }
        return fieldNode(name);
    }
    case lcString: {
        AnsiString text = StringReplace(lexemeText_, "''", "'", rfReplaceAll);
        NextLexeme();
        return valueNode(Variant(text));
    }
    case lcNumber: {
        int64_t i;
        Variant value;
        if (TryStrToInt64(lexemeText_, i)) {
            value = Variant::FromInteger(i, varInt64);
        } else {
            double d;
            if (!TryStrToFloat(lexemeText_, d, FormatSettings())) RaiseIllegalFilter();
            value = Variant(d);
        }
        NextLexeme();
        return valueNode(value);
    }
    case bxTRUE:
    case bxFALSE: {
        bool v = lexemeCode_ == bxTRUE;
        NextLexeme();
        return valueNode(Variant(v));
    }
    case bxNULL:
        NextLexeme();
        return valueNode(Variant::Null());
    default:
        RaiseIllegalFilter();
    }
}

// ---- evaluation ----

namespace {
bool IsDateCode(TDataTypeCode code) {
    return code == tcDate || code == tcTime || code == tcDateTime;
}

void UpperCaseString(Variant& v) {
    if (v.VarType() == varOleStr)
        v = Variant(WideUpperCase(v.AsWideString()));
    else if (v.VarType() == varString)
        v = Variant(AnsiUpperCase(v.AsAnsiString()));
}

bool Wildcard(const Variant& text, const Variant& pattern) {
    if (text.VarType() == varOleStr || pattern.VarType() == varOleStr)
        return MatchWildcard(text.AsWideString(), pattern.AsWideString());
    return MatchWildcard(text.AsAnsiString(), pattern.AsAnsiString());
}

// Ordering of two non-null values: text by the locale, numbers and dates by value; a text
// against a number compares as numbers (its conversion error propagates).
int CompareValues(const Variant& a, const Variant& b) {
    if (a.IsString() && b.IsString()) {
        if (a.VarType() == varOleStr || b.VarType() == varOleStr)
            return WideCompareStr(a.AsWideString(), b.AsWideString());
        return AnsiCompareStr(a.AsAnsiString(), b.AsAnsiString());
    }
    TVarType ta = a.VarType(), tb = b.VarType();
    bool intA = a.IsOrdinal() && ta != varBoolean, intB = b.IsOrdinal() && tb != varBoolean;
    if (intA && intB) {
        int64_t x = a.AsInt64(), y = b.AsInt64();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    double x = a.AsDouble(), y = b.AsDouble();
    return x < y ? -1 : x > y ? 1 : 0;
}
} // namespace

Variant TData::OperandValue(TExpressionNode* node) {
    if (node->NodeKind == nkField) {
        Variant v;
        GetFieldAsVariant(node->NodeField->Position, FilterRecord, v);
        return v;
    }
    return node->NodeValue;
}

bool TData::EvalComparison(TExpressionNode* node) {
    MEMDATA_ASSERT(node->LeftNode && node->RightNode, "Comparison without operands");
    Variant left = OperandValue(node->LeftNode);
    Variant right = OperandValue(node->RightNode);
    if (node->LeftNode->NodeKind == nkField && IsDateCode(node->LeftNode->NodeField->TypeCode))
        CoerceToDateTime(right);
    if (node->RightNode->NodeKind == nkField && IsDateCode(node->RightNode->NodeField->TypeCode))
        CoerceToDateTime(left);
    if (FilterCaseInsensitive) {
        UpperCaseString(left);
        UpperCaseString(right);
    }
    bool anyNull = left.IsEmptyOrNull() || right.IsEmptyOrNull();
    switch (node->NodeKind) {
    case nkEqual:
    case nkNotEqual:
    case nkLike:
    case nkNotLike: {
        bool like = node->NodeKind == nkLike || node->NodeKind == nkNotLike;
        bool result;
        // Null never goes through wildcard matching: X IS NULL must not match an empty text.
        if (!anyNull && !FilterNoPartialCompare && (left.IsString() || (like && right.IsString())))
            result = Wildcard(left, right);
        else
            result = left == right;
        return node->NodeKind == nkEqual || node->NodeKind == nkLike ? result : !result;
    }
    default:
        break;
    }
    if (anyNull) return false;
    int c = CompareValues(left, right);
    switch (node->NodeKind) {
    case nkGreater:
        return c > 0;
    case nkLess:
        return c < 0;
    case nkGreaterOrEqual:
        return c >= 0;
    case nkLessOrEqual:
        return c <= 0;
    default:
        MEMDATA_ASSERT(false, "Invalid comparison");
        return false;
    }
}

bool TData::EvalExprNode(TExpressionNode* node) {
    MEMDATA_ASSERT(node != nullptr, "Expression node is nil");
    switch (node->NodeKind) {
    case nkEqual:
    case nkGreater:
    case nkLess:
    case nkGreaterOrEqual:
    case nkLessOrEqual:
    case nkNotEqual:
    case nkLike:
    case nkNotLike:
        return EvalComparison(node);
    case nkAnd:
        return EvalExprNode(node->LeftNode) && EvalExprNode(node->RightNode);
    case nkOr:
        return EvalExprNode(node->LeftNode) || EvalExprNode(node->RightNode);
    case nkNot:
        return !EvalExprNode(node->LeftNode);
    case nkTrue:
        return true;
    case nkFalse:
        return false;
    default:
        MEMDATA_ASSERT(false, "Invalid expression node");
        return false;
    }
}
