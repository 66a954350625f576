#pragma once
// The compiled form of a mask expression: character classes, quantifiers, states, the parse tree
// that links them, and the automaton that is stepped one typed character at a time.
//
// Trees may be deep (counted repetitions nest their optional copies), so every walk over the
// tree or over pass-through states uses an explicit stack, never one frame per level.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Strings.h"

// ---------------------------------------------------------------------------------------------
// Character classes.
class TcxRegExprItem {
public:
    virtual ~TcxRegExprItem() = default;
    // A case-insensitive symbol replaces ch by its own character.
    virtual bool Match(char& ch, bool caseInsensitive) const = 0;
    virtual std::unique_ptr<TcxRegExprItem> MakeCopy() const = 0;
    // The one character the item stands for right now (symbols and separators).
    virtual bool SingleChar(char& /*ch*/) const { return false; }
};

class TcxRegExprSymbol : public TcxRegExprItem {
public:
    explicit TcxRegExprSymbol(char ch) : ch_(ch) {}
    bool Match(char& ch, bool caseInsensitive) const override;
    std::unique_ptr<TcxRegExprItem> MakeCopy() const override {
        return std::make_unique<TcxRegExprSymbol>(ch_);
    }
    bool SingleChar(char& ch) const override {
        ch = ch_;
        return true;
    }

private:
    char ch_;
};

class TcxRegExprTimeSeparator : public TcxRegExprItem {
public:
    bool Match(char& ch, bool caseInsensitive) const override;
    std::unique_ptr<TcxRegExprItem> MakeCopy() const override {
        return std::make_unique<TcxRegExprTimeSeparator>();
    }
    bool SingleChar(char& ch) const override;
};

class TcxRegExprDateSeparator : public TcxRegExprItem {
public:
    bool Match(char& ch, bool caseInsensitive) const override;
    std::unique_ptr<TcxRegExprItem> MakeCopy() const override {
        return std::make_unique<TcxRegExprDateSeparator>();
    }
    bool SingleChar(char& ch) const override;
};

// Byte codes compare unsigned: "[\x80-\xfe]" holds the lead bytes.
class TcxRegExprSubrange : public TcxRegExprItem {
public:
    TcxRegExprSubrange(uint8_t start, uint8_t finish) : start_(start), finish_(finish) {}
    bool Match(char& ch, bool caseInsensitive) const override;
    std::unique_ptr<TcxRegExprItem> MakeCopy() const override {
        return std::make_unique<TcxRegExprSubrange>(start_, finish_);
    }

private:
    uint8_t start_, finish_;
};

class TcxRegExprEnumeration : public TcxRegExprItem {
public:
    explicit TcxRegExprEnumeration(bool inverse) : Inverse(inverse) {}
    bool Inverse;
};

class TcxRegExprUserEnumeration : public TcxRegExprEnumeration {
public:
    using TcxRegExprEnumeration::TcxRegExprEnumeration;
    void Add(std::unique_ptr<TcxRegExprItem> item) { items_.push_back(std::move(item)); }
    bool Match(char& ch, bool caseInsensitive) const override;
    std::unique_ptr<TcxRegExprItem> MakeCopy() const override;

private:
    std::vector<std::unique_ptr<TcxRegExprItem>> items_;
};

class TcxRegExprDigit : public TcxRegExprEnumeration {
public:
    using TcxRegExprEnumeration::TcxRegExprEnumeration;
    bool Match(char& ch, bool caseInsensitive) const override;
    std::unique_ptr<TcxRegExprItem> MakeCopy() const override {
        return std::make_unique<TcxRegExprDigit>(Inverse);
    }
};

class TcxRegExprIdLetter : public TcxRegExprEnumeration {
public:
    using TcxRegExprEnumeration::TcxRegExprEnumeration;
    bool Match(char& ch, bool caseInsensitive) const override;
    std::unique_ptr<TcxRegExprItem> MakeCopy() const override {
        return std::make_unique<TcxRegExprIdLetter>(Inverse);
    }
};

class TcxRegExprSpace : public TcxRegExprEnumeration {
public:
    using TcxRegExprEnumeration::TcxRegExprEnumeration;
    bool Match(char& ch, bool caseInsensitive) const override;
    std::unique_ptr<TcxRegExprItem> MakeCopy() const override {
        return std::make_unique<TcxRegExprSpace>(Inverse);
    }
};

class TcxRegExprAll : public TcxRegExprItem {
public:
    bool Match(char&, bool) const override { return true; }
    std::unique_ptr<TcxRegExprItem> MakeCopy() const override { return std::make_unique<TcxRegExprAll>(); }
};

// ---------------------------------------------------------------------------------------------
// Quantifiers.
class TcxRegExprQuantifier {
public:
    virtual ~TcxRegExprQuantifier() = default;
    virtual bool Skippable() const = 0;
    virtual bool Repeats() const = 0;
    virtual std::unique_ptr<TcxRegExprQuantifier> MakeCopy() const = 0;
    virtual AnsiString ToText() const = 0;
};

template <bool CanMissing, bool CanRepeat, char Print>
class TcxRegExprQuantifierOf : public TcxRegExprQuantifier {
public:
    bool Skippable() const override { return CanMissing; }
    bool Repeats() const override { return CanRepeat; }
    std::unique_ptr<TcxRegExprQuantifier> MakeCopy() const override {
        return std::make_unique<TcxRegExprQuantifierOf>();
    }
    AnsiString ToText() const override { return Print ? AnsiString(1, Print) : AnsiString(); }
};
using TcxRegExprSimpleQuantifier = TcxRegExprQuantifierOf<false, false, 0>;
using TcxRegExprQuestionQuantifier = TcxRegExprQuantifierOf<true, false, '?'>;
using TcxRegExprStarQuantifier = TcxRegExprQuantifierOf<true, true, '*'>;
using TcxRegExprPlusQuantifier = TcxRegExprQuantifierOf<false, true, '+'>;

// ---------------------------------------------------------------------------------------------
// States. A simple state stands for its item just matched; a block state is passed through.
class TcxRegExprSimpleState;

class TcxRegExprState {
public:
    virtual ~TcxRegExprState() = default;
    virtual TcxRegExprSimpleState* AsSimple() { return nullptr; }
    void AddSuccessor(TcxRegExprState* state) { successors_.push_back(state); }
    const std::vector<TcxRegExprState*>& Successors() const { return successors_; }

    // The walk that last reached the state (each set holds a state once).
    uint32_t Mark = 0;

private:
    std::vector<TcxRegExprState*> successors_;
};

class TcxRegExprSimpleState : public TcxRegExprState {
public:
    explicit TcxRegExprSimpleState(std::unique_ptr<TcxRegExprItem> item) : item_(std::move(item)) {}
    TcxRegExprSimpleState* AsSimple() override { return this; }
    TcxRegExprItem* Item() const { return item_.get(); }
    bool AtFinal = false;

private:
    std::unique_ptr<TcxRegExprItem> item_; // none for the automaton's start state
};

class TcxRegExprBlockState : public TcxRegExprState {};

using TcxRegExprStates = std::vector<TcxRegExprSimpleState*>;

// ---------------------------------------------------------------------------------------------
// Parse tree.
class TcxRegExprParserBlockItem;

class TcxRegExprParserItem {
public:
    TcxRegExprParserItem();
    virtual ~TcxRegExprParserItem() = default;
    virtual bool MatchesEmpty() const { return Skippable(); }
    virtual TcxRegExprParserBlockItem* AsBlock() { return nullptr; }
    const TcxRegExprParserBlockItem* AsBlock() const {
        return const_cast<TcxRegExprParserItem*>(this)->AsBlock();
    }
    virtual TcxRegExprState* Entry() = 0;
    virtual TcxRegExprState* Exit() = 0;

    std::unique_ptr<TcxRegExprParserItem> MakeCopy() const;
    AnsiString ToText() const;
    void MarkFinal();
    // States of the item and everything inside it.
    size_t StateCount() const;

    bool Skippable() const { return quantifier_->Skippable(); }
    bool Repeats() const { return quantifier_->Repeats(); }
    bool HasPlainQuantifier() const;
    const TcxRegExprQuantifier& Quantifier() const { return *quantifier_; }
    void ReplaceQuantifier(std::unique_ptr<TcxRegExprQuantifier> quantifier) {
        quantifier_ = std::move(quantifier);
    }

private:
    std::unique_ptr<TcxRegExprQuantifier> quantifier_;
};

using TcxRegExprParserAlt = std::vector<std::unique_ptr<TcxRegExprParserItem>>;

// Owns its alternatives; frees deep trees without a frame per level.
class TcxRegExprParserAlts {
public:
    TcxRegExprParserAlts() = default;
    ~TcxRegExprParserAlts();
    TcxRegExprParserAlts(const TcxRegExprParserAlts&) = delete;
    TcxRegExprParserAlts& operator=(const TcxRegExprParserAlts&) = delete;

    std::vector<TcxRegExprParserAlt> Items;
    AnsiString ToText() const;
};

class TcxRegExprParserSimpleItem : public TcxRegExprParserItem {
public:
    explicit TcxRegExprParserSimpleItem(std::unique_ptr<TcxRegExprItem> item)
        : state_(std::make_unique<TcxRegExprSimpleState>(std::move(item))) {}
    TcxRegExprSimpleState* State() const { return state_.get(); }
    TcxRegExprState* Entry() override { return state_.get(); }
    TcxRegExprState* Exit() override { return state_.get(); }

private:
    std::unique_ptr<TcxRegExprSimpleState> state_;
};

class TcxRegExprParserBlockItem : public TcxRegExprParserItem {
public:
    TcxRegExprParserBlockItem();
    bool MatchesEmpty() const override { return Skippable() || contentEmpty_; }
    TcxRegExprParserBlockItem* AsBlock() override { return this; }
    TcxRegExprState* Entry() override { return start_.get(); }
    TcxRegExprState* Exit() override { return finish_.get(); }
    TcxRegExprParserAlts& Alts() { return alts_; }
    const TcxRegExprParserAlts& Alts() const { return alts_; }
    // Call once the alternatives are complete: whether one of them can match empty.
    void UpdateContentEmpty();

private:
    friend class TcxRegExprParserItem;
    TcxRegExprParserAlts alts_;
    std::unique_ptr<TcxRegExprBlockState> start_, finish_;
    bool contentEmpty_ = false;
};

// ---------------------------------------------------------------------------------------------
// The automaton: the current set of states and the history of earlier sets.
class TcxRegExprAutomat {
public:
    // Links the tree's states (false, with nothing linked, when that takes more than maxLinks).
    static bool BuildTransitions(TcxRegExprParserAlts& top, TcxRegExprSimpleState& start, size_t maxLinks);

    TcxRegExprAutomat(std::unique_ptr<TcxRegExprParserAlts> top,
                      std::unique_ptr<TcxRegExprSimpleState> start);
    TcxRegExprAutomat(const TcxRegExprAutomat&) = delete;
    TcxRegExprAutomat& operator=(const TcxRegExprAutomat&) = delete;

    // One step; a refused character keeps position and history.
    bool Feed(char& ch, bool caseInsensitive);
    bool StepBack();
    void Restart();
    bool AtStart() const { return depth_ == 0; }
    bool AtFinal() const;
    // Types the characters the expression forces from here.
    void AutoComplete(const std::function<void(char)>& added);
    // Takes back the forced characters typed last.
    void RemoveForced(const std::function<void()>& removed);
    AnsiString ToText() const { return top_->ToText(); }
    // The largest set reached since the automaton was made.
    size_t LargestSet() const { return largestSet_; }

private:
    TcxRegExprStates& SetAt(size_t index);
    uint32_t NextWalk();
    // Simple states reached from the successors of `from` (matching ch unless expandOnly).
    void Walk(const TcxRegExprStates& from, char* ch, bool caseInsensitive, TcxRegExprStates& into);
    static bool ForcedChar(const TcxRegExprStates& set, char& ch);
    static bool HasFinal(const TcxRegExprStates& set);

    std::unique_ptr<TcxRegExprParserAlts> top_;
    std::unique_ptr<TcxRegExprSimpleState> start_;
    std::vector<TcxRegExprState*> allStates_;
    // sets_[0..depth_-1] is the history, sets_[depth_] the current set; later ones are kept for reuse.
    std::vector<TcxRegExprStates> sets_;
    size_t depth_ = 0;
    TcxRegExprStates scratch_;
    std::vector<TcxRegExprState*> stack_;
    uint32_t walk_ = 0;
    size_t largestSet_ = 1;
};
