#include "ui/editors/RegExprAutomat.h"

#include <algorithm>
#include <array>

#include "platform/core/FormatSettings.h"

namespace {

// The locale's upper case of each byte, made once (stepping must not call the system per byte).
const std::array<uint8_t, 256>& UpperTable() {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i) {
            const AnsiString upper = AnsiUpperCase(AnsiString(1, static_cast<char>(i)));
            t[static_cast<size_t>(i)] =
                upper.size() == 1 ? static_cast<uint8_t>(upper[0]) : static_cast<uint8_t>(i);
        }
        return t;
    }();
    return table;
}

uint8_t Byte(char ch) {
    return static_cast<uint8_t>(ch);
}

const char CRLF[] = "\r\n";

// Walks the alternatives of a tree with an explicit stack and writes the dump.
void Dump(const TcxRegExprParserAlts& top, AnsiString& out) {
    struct Frame {
        const TcxRegExprParserAlts* alts;
        const TcxRegExprParserBlockItem* block;
        size_t alt, item;
        bool open;
    };
    std::vector<Frame> stack{{&top, nullptr, 0, 0, false}};
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.alt == f.alts->Items.size()) {
            if (f.block) out += "<Finish_Block> --> " + f.block->Quantifier().ToText() + CRLF;
            stack.pop_back();
            continue;
        }
        const TcxRegExprParserAlt& alt = f.alts->Items[f.alt];
        if (!f.open) {
            out += "<Start_Alt>";
            out += CRLF;
            f.open = true;
            f.item = 0;
        }
        if (f.item == alt.size()) {
            out += "<Finish_Alt>";
            out += CRLF;
            ++f.alt;
            f.open = false;
            continue;
        }
        const TcxRegExprParserItem* item = alt[f.item++].get();
        if (const auto* block = item->AsBlock()) {
            out += "<Start_Block>";
            out += CRLF;
            stack.push_back({&block->Alts(), block, 0, 0, false});
        } else {
            out += "item --> " + item->Quantifier().ToText() + CRLF;
        }
    }
}

// Every item under the alternatives, parents before children.
template <class F> void ForEachItem(const TcxRegExprParserAlts& top, F f) {
    std::vector<const TcxRegExprParserAlts*> pending{&top};
    while (!pending.empty()) {
        const TcxRegExprParserAlts* alts = pending.back();
        pending.pop_back();
        for (const auto& alt : alts->Items)
            for (const auto& item : alt) {
                f(*item);
                if (const auto* block = item->AsBlock()) pending.push_back(&block->Alts());
            }
    }
}

// MarkFinal on the last items of each alternative, back to the first that cannot be missed.
void PushLastItems(const TcxRegExprParserAlts& alts, std::vector<TcxRegExprParserItem*>& into) {
    for (const auto& alt : alts.Items)
        for (size_t i = alt.size(); i-- > 0;) {
            into.push_back(alt[i].get());
            if (!alt[i]->Skippable()) break;
        }
}

void MarkFinalFrom(std::vector<TcxRegExprParserItem*> pending) {
    while (!pending.empty()) {
        TcxRegExprParserItem* item = pending.back();
        pending.pop_back();
        if (auto* block = item->AsBlock())
            PushLastItems(block->Alts(), pending);
        else
            static_cast<TcxRegExprParserSimpleItem*>(item)->State()->AtFinal = true;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
bool TcxRegExprSymbol::Match(char& ch, bool caseInsensitive) const {
    if (ch == ch_) return true;
    if (!caseInsensitive) return false;
    const auto& upper = UpperTable();
    if (upper[Byte(ch)] != upper[Byte(ch_)]) return false;
    ch = ch_;
    return true;
}

bool TcxRegExprTimeSeparator::Match(char& ch, bool) const {
    return ch == FormatSettings().TimeSeparator;
}

bool TcxRegExprTimeSeparator::SingleChar(char& ch) const {
    ch = FormatSettings().TimeSeparator;
    return true;
}

bool TcxRegExprDateSeparator::Match(char& ch, bool) const {
    return ch == FormatSettings().DateSeparator;
}

bool TcxRegExprDateSeparator::SingleChar(char& ch) const {
    ch = FormatSettings().DateSeparator;
    return true;
}

bool TcxRegExprSubrange::Match(char& ch, bool) const {
    return start_ <= Byte(ch) && Byte(ch) <= finish_;
}

bool TcxRegExprUserEnumeration::Match(char& ch, bool caseInsensitive) const {
    for (const auto& item : items_)
        if (item->Match(ch, caseInsensitive)) return !Inverse;
    return Inverse;
}

std::unique_ptr<TcxRegExprItem> TcxRegExprUserEnumeration::MakeCopy() const {
    auto copy = std::make_unique<TcxRegExprUserEnumeration>(Inverse);
    for (const auto& item : items_)
        copy->Add(item->MakeCopy());
    return copy;
}

bool TcxRegExprDigit::Match(char& ch, bool) const {
    return (ch >= '0' && ch <= '9') != Inverse;
}

bool TcxRegExprIdLetter::Match(char& ch, bool) const {
    const bool letter =
        (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '_';
    return letter != Inverse;
}

bool TcxRegExprSpace::Match(char& ch, bool) const {
    const bool blank = ch == 0 || ch == '\t' || ch == '\n' || ch == '\f' || ch == '\r' || ch == ' ';
    return blank != Inverse;
}

// ---------------------------------------------------------------------------------------------
TcxRegExprParserItem::TcxRegExprParserItem() : quantifier_(std::make_unique<TcxRegExprSimpleQuantifier>()) {}

bool TcxRegExprParserItem::HasPlainQuantifier() const {
    return dynamic_cast<const TcxRegExprSimpleQuantifier*>(quantifier_.get()) != nullptr;
}

std::unique_ptr<TcxRegExprParserItem> TcxRegExprParserItem::MakeCopy() const {
    auto copyOne = [](const TcxRegExprParserItem& item) -> std::unique_ptr<TcxRegExprParserItem> {
        std::unique_ptr<TcxRegExprParserItem> copy;
        if (const auto* block = item.AsBlock()) {
            auto b = std::make_unique<TcxRegExprParserBlockItem>();
            b->contentEmpty_ = block->contentEmpty_;
            copy = std::move(b);
        } else {
            const auto* simple = static_cast<const TcxRegExprParserSimpleItem*>(&item);
            copy = std::make_unique<TcxRegExprParserSimpleItem>(simple->State()->Item()->MakeCopy());
        }
        copy->ReplaceQuantifier(item.Quantifier().MakeCopy());
        return copy;
    };
    auto root = copyOne(*this);
    // Pairs of (original block, its copy) whose alternatives are still to copy.
    std::vector<std::pair<const TcxRegExprParserBlockItem*, TcxRegExprParserBlockItem*>> pending;
    std::vector<TcxRegExprParserBlockItem*> copies;
    if (const auto* block = AsBlock()) pending.emplace_back(block, root->AsBlock());
    while (!pending.empty()) {
        auto [source, target] = pending.back();
        pending.pop_back();
        copies.push_back(target);
        for (const auto& alt : source->Alts().Items) {
            TcxRegExprParserAlt& copyAlt = target->Alts().Items.emplace_back();
            for (const auto& item : alt) {
                copyAlt.push_back(copyOne(*item));
                if (const auto* block = item->AsBlock())
                    pending.emplace_back(block, copyAlt.back()->AsBlock());
            }
        }
    }
    // Children come after their parents: a group copied while still open gets its emptiness now.
    for (auto it = copies.rbegin(); it != copies.rend(); ++it)
        (*it)->UpdateContentEmpty();
    return root;
}

AnsiString TcxRegExprParserItem::ToText() const {
    AnsiString out;
    if (const auto* block = AsBlock()) {
        out += "<Start_Block>";
        out += CRLF;
        Dump(block->Alts(), out);
        out += "<Finish_Block> --> " + Quantifier().ToText() + CRLF;
    } else {
        out += "item --> " + Quantifier().ToText() + CRLF;
    }
    return out;
}

void TcxRegExprParserItem::MarkFinal() {
    MarkFinalFrom({this});
}

size_t TcxRegExprParserItem::StateCount() const {
    const auto* block = AsBlock();
    if (!block) return 1;
    size_t count = 2;
    ForEachItem(block->Alts(), [&](const TcxRegExprParserItem& item) { count += item.AsBlock() ? 2 : 1; });
    return count;
}

TcxRegExprParserAlts::~TcxRegExprParserAlts() {
    std::vector<std::unique_ptr<TcxRegExprParserItem>> pending;
    auto takeItems = [&](std::vector<TcxRegExprParserAlt>& alts) {
        for (auto& alt : alts)
            for (auto& item : alt)
                pending.push_back(std::move(item));
        alts.clear();
    };
    takeItems(Items);
    while (!pending.empty()) {
        std::unique_ptr<TcxRegExprParserItem> item = std::move(pending.back());
        pending.pop_back();
        if (auto* block = item->AsBlock()) takeItems(block->Alts().Items);
    }
}

AnsiString TcxRegExprParserAlts::ToText() const {
    AnsiString out;
    Dump(*this, out);
    return out;
}

TcxRegExprParserBlockItem::TcxRegExprParserBlockItem()
    : start_(std::make_unique<TcxRegExprBlockState>()), finish_(std::make_unique<TcxRegExprBlockState>()) {}

void TcxRegExprParserBlockItem::UpdateContentEmpty() {
    contentEmpty_ = std::any_of(alts_.Items.begin(), alts_.Items.end(), [](const TcxRegExprParserAlt& alt) {
        return std::all_of(alt.begin(), alt.end(), [](const auto& item) { return item->MatchesEmpty(); });
    });
}

// ---------------------------------------------------------------------------------------------
bool TcxRegExprAutomat::BuildTransitions(TcxRegExprParserAlts& top, TcxRegExprSimpleState& start,
                                         size_t maxLinks) {
    size_t links = 0;
    auto link = [&](TcxRegExprState* from, TcxRegExprState* to) {
        from->AddSuccessor(to);
        return ++links <= maxLinks;
    };
    // Links one list of alternatives: inside a group (owner) or the top level (owner null).
    auto connect = [&](TcxRegExprParserAlts& alts, TcxRegExprParserBlockItem* owner) {
        TcxRegExprState* entry = owner ? owner->Entry() : &start;
        bool someAltSkippable = false;
        for (auto& alt : alts.Items) {
            const size_t n = alt.size();
            for (size_t i = 0; i < n; ++i) {
                TcxRegExprState* exit = alt[i]->Exit();
                for (size_t j = i + 1; j < n; ++j) {
                    if (!link(exit, alt[j]->Entry())) return false;
                    if (!alt[j]->Skippable()) break;
                }
                if (alt[i]->Repeats() && !link(exit, alt[i]->Entry())) return false;
            }
            if (owner)
                for (size_t i = n; i-- > 0;) {
                    if (!link(alt[i]->Exit(), owner->Exit())) return false;
                    if (!alt[i]->Skippable()) break;
                }
            bool allSkippable = true;
            for (auto& item : alt) {
                if (!link(entry, item->Entry())) return false;
                if (!item->Skippable()) {
                    allSkippable = false;
                    break;
                }
            }
            someAltSkippable = someAltSkippable || allSkippable;
        }
        if (owner && someAltSkippable && !link(owner->Entry(), owner->Exit())) return false;
        if (!owner) start.AtFinal = someAltSkippable;
        return true;
    };
    if (!connect(top, nullptr)) return false;
    std::vector<TcxRegExprParserBlockItem*> blocks;
    ForEachItem(top, [&](const TcxRegExprParserItem& item) {
        if (item.AsBlock()) blocks.push_back(const_cast<TcxRegExprParserItem&>(item).AsBlock());
    });
    for (auto* block : blocks)
        if (!connect(block->Alts(), block)) return false;
    std::vector<TcxRegExprParserItem*> last;
    PushLastItems(top, last);
    MarkFinalFrom(std::move(last));
    return true;
}

TcxRegExprAutomat::TcxRegExprAutomat(std::unique_ptr<TcxRegExprParserAlts> top,
                                     std::unique_ptr<TcxRegExprSimpleState> start)
    : top_(std::move(top)), start_(std::move(start)) {
    allStates_.push_back(start_.get());
    ForEachItem(*top_, [&](const TcxRegExprParserItem& item) {
        auto& mutableItem = const_cast<TcxRegExprParserItem&>(item);
        allStates_.push_back(mutableItem.Entry());
        if (mutableItem.Exit() != mutableItem.Entry()) allStates_.push_back(mutableItem.Exit());
    });
    Restart();
}

TcxRegExprStates& TcxRegExprAutomat::SetAt(size_t index) {
    if (sets_.size() <= index) sets_.resize(index + 1);
    return sets_[index];
}

uint32_t TcxRegExprAutomat::NextWalk() {
    if (++walk_ == 0) {
        for (auto* state : allStates_)
            state->Mark = 0;
        walk_ = 1;
    }
    return walk_;
}

void TcxRegExprAutomat::Walk(const TcxRegExprStates& from, char* ch, bool caseInsensitive,
                             TcxRegExprStates& into) {
    const uint32_t walk = NextWalk();
    into.clear();
    for (auto* state : from) {
        const auto& successors = state->Successors();
        for (auto it = successors.rbegin(); it != successors.rend(); ++it)
            stack_.push_back(*it);
        // Depth first, in successor order: each state is kept once, where it is first reached.
        while (!stack_.empty()) {
            TcxRegExprState* next = stack_.back();
            stack_.pop_back();
            if (next->Mark == walk) continue;
            next->Mark = walk;
            if (auto* simple = next->AsSimple()) {
                if (simple->Item() && (!ch || simple->Item()->Match(*ch, caseInsensitive)))
                    into.push_back(simple);
            } else {
                const auto& more = next->Successors();
                for (auto it = more.rbegin(); it != more.rend(); ++it)
                    stack_.push_back(*it);
            }
        }
    }
}

bool TcxRegExprAutomat::ForcedChar(const TcxRegExprStates& set, char& ch) {
    if (set.empty()) return false;
    for (size_t i = 0; i < set.size(); ++i) {
        char one;
        const TcxRegExprItem* item = set[i]->Item();
        if (!item || !item->SingleChar(one) || (i > 0 && one != ch)) return false;
        ch = one;
    }
    return true;
}

bool TcxRegExprAutomat::HasFinal(const TcxRegExprStates& set) {
    return std::any_of(set.begin(), set.end(), [](const TcxRegExprSimpleState* s) { return s->AtFinal; });
}

bool TcxRegExprAutomat::Feed(char& ch, bool caseInsensitive) {
    TcxRegExprStates& next = SetAt(depth_ + 1);
    Walk(sets_[depth_], &ch, caseInsensitive, next);
    if (next.empty()) return false;
    ++depth_;
    largestSet_ = std::max(largestSet_, next.size());
    return true;
}

bool TcxRegExprAutomat::StepBack() {
    if (depth_ == 0) return false;
    --depth_;
    return true;
}

void TcxRegExprAutomat::Restart() {
    depth_ = 0;
    SetAt(0).assign(1, start_.get());
}

bool TcxRegExprAutomat::AtFinal() const {
    return HasFinal(sets_[depth_]);
}

void TcxRegExprAutomat::AutoComplete(const std::function<void(char)>& added) {
    // Each forced character moves to new states; more than there are states would be a cycle.
    for (size_t guard = allStates_.size(); guard > 0 && !HasFinal(sets_[depth_]); --guard) {
        TcxRegExprStates& next = SetAt(depth_ + 1);
        Walk(sets_[depth_], nullptr, false, next);
        char ch;
        if (!ForcedChar(next, ch)) break;
        ++depth_;
        largestSet_ = std::max(largestSet_, next.size());
        if (added) added(ch);
    }
}

void TcxRegExprAutomat::RemoveForced(const std::function<void()>& removed) {
    char ch;
    while (depth_ > 0 && ForcedChar(sets_[depth_], ch)) {
        const TcxRegExprStates& previous = sets_[depth_ - 1];
        if (HasFinal(previous)) break;
        Walk(previous, nullptr, false, scratch_);
        if (!ForcedChar(scratch_, ch)) break;
        --depth_;
        if (removed) removed();
    }
}
