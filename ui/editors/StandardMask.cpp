#include "ui/editors/StandardMask.h"

#include "platform/core/FormatSettings.h"
#include "ui/core/CoreClasses.h"

namespace {

bool IsAsciiLetter(char ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// Bytes of the character at the 0-based offset: 2 for a lead byte with its trail, else 1.
size_t CharLength(const AnsiString& text, size_t at) {
    if (static_cast<uint8_t>(text[at]) < 0x80) return 1;
    return CharByteLength(text, static_cast<int>(at) + 1) == 2 ? 2 : 1;
}

} // namespace

bool TcxStandardMaskManyItem::Check(char& ch) const {
    const bool result = Accepts(ch);
    ApplyCase(ch);
    return result;
}

void TcxStandardMaskManyItem::ApplyCase(char& ch) const {
    if (CaseConversion == cxCaseUpper && ch >= 'a' && ch <= 'z')
        ch = static_cast<char>(ch - 'a' + 'A');
    else if (CaseConversion == cxCaseLower && ch >= 'A' && ch <= 'Z')
        ch = static_cast<char>(ch - 'A' + 'a');
}

bool TcxStandardMaskAlphaItem::Accepts(char ch) const {
    return IsAsciiLetter(ch);
}

bool TcxStandardMaskAlphaNumericItem::Accepts(char ch) const {
    return IsAsciiLetter(ch) || IsDigit(ch);
}

bool TcxStandardMaskNumericItem::Accepts(char ch) const {
    return IsDigit(ch);
}

bool TcxStandardMaskNumericSymbolItem::Accepts(char ch) const {
    return IsDigit(ch) || ch == '+' || ch == '-';
}

void TcxStandardMask::ClearMask() {
    MaskText.clear();
    FillFromEnd = false;
    KeepsLiterals = true;
    BlankChar = '_';
    positions_.clear();
}

void TcxStandardMask::SetMask(const AnsiString& maskText) {
    ClearMask();
    MaskText = maskText;
    AnsiString mask = maskText;
    FillFromEnd = !mask.empty() && mask[0] == '!';
    if (FillFromEnd) mask.erase(0, 1);
    ParseMask(mask);
}

void TcxStandardMask::ParseMask(const AnsiString& mask) {
    uint8_t caseConversion = cxCaseNone;
    const size_t n = mask.size();
    auto literal = [this](char ch) {
        positions_.push_back(std::make_unique<TcxStandardMaskLiteralItem>(ch));
    };
    auto input = [&](auto* item) { positions_.emplace_back(item); };
    for (size_t i = 0; i < n; ++i) {
        const char ch = mask[i];
        // A double-byte literal stays whole: its trail byte may look like a mask character.
        if (CharLength(mask, i) == 2) {
            literal(ch);
            literal(mask[++i]);
            continue;
        }
        switch (ch) {
        case '0':
            input(new TcxStandardMaskNumericItem(caseConversion, false));
            break;
        case '9':
            input(new TcxStandardMaskNumericItem(caseConversion, true));
            break;
        case '#':
            input(new TcxStandardMaskNumericSymbolItem(caseConversion));
            break;
        case 'L':
            input(new TcxStandardMaskAlphaItem(caseConversion, false));
            break;
        case 'l':
            input(new TcxStandardMaskAlphaItem(caseConversion, true));
            break;
        case 'A':
            input(new TcxStandardMaskAlphaNumericItem(caseConversion, false));
            break;
        case 'a':
            input(new TcxStandardMaskAlphaNumericItem(caseConversion, true));
            break;
        case 'C':
            input(new TcxStandardMaskASCIIItem(caseConversion, false));
            break;
        case 'c':
            input(new TcxStandardMaskASCIIItem(caseConversion, true));
            break;
        case '>':
            caseConversion = cxCaseUpper;
            break;
        case '<':
            if (i + 1 < n && mask[i + 1] == '>') {
                caseConversion = cxCaseNone;
                ++i;
            } else {
                caseConversion = cxCaseLower;
            }
            break;
        case '\\':
            if (i + 1 < n) literal(mask[++i]);
            break;
        case '/':
            literal(FormatSettings().DateSeparator);
            break;
        case ':':
            literal(FormatSettings().TimeSeparator);
            break;
        case ';': {
            const size_t rest = n - i - 1;
            const bool flag = rest >= 1 && (mask[i + 1] == '0' || mask[i + 1] == '1');
            if (flag && rest == 1) {
                KeepsLiterals = mask[i + 1] == '1';
                return;
            }
            if (flag && rest == 3 && mask[i + 2] == ';') {
                KeepsLiterals = mask[i + 1] == '1';
                BlankChar = mask[i + 3];
                return;
            }
            literal(ch);
            break;
        }
        default:
            literal(ch);
            break;
        }
    }
}

bool TcxStandardMask::IsLiteral(int index) const {
    return dynamic_cast<const TcxStandardMaskLiteralItem*>(GetItem(index)) != nullptr;
}

AnsiString TcxStandardMask::EmptyDisplayText() const {
    AnsiString result;
    result.reserve(positions_.size());
    for (const auto& item : positions_) {
        const auto* literal = dynamic_cast<const TcxStandardMaskLiteralItem*>(item.get());
        result += literal ? literal->Character : BlankChar;
    }
    return result;
}

AnsiString TcxStandardMask::EmptyValueText() const {
    AnsiString result;
    for (const auto& item : positions_) {
        const auto* literal = dynamic_cast<const TcxStandardMaskLiteralItem*>(item.get());
        if (!literal)
            result += ' ';
        else if (KeepsLiterals)
            result += literal->Character;
    }
    return result;
}

// Places the character of `length` bytes at text[at] into position j (a double-byte character
// also into the next position of the walk); next is where the walk goes on.
bool TcxStandardMask::TryFit(const AnsiString& text, size_t at, size_t length, int j, int step,
                             bool skipLiterals, bool useConvertedChars, AnsiString& result, int& next) const {
    const char original = text[at];
    if (length == 1) {
        char ch = original;
        if (GetItem(j)->Check(ch)) {
            result[static_cast<size_t>(j)] = useConvertedChars ? ch : original;
            next = j + step;
            return true;
        }
        if ((original == BlankChar || original == ' ') && !IsLiteral(j)) {
            next = j + step;
            return true;
        }
        return false;
    }
    // Both bytes in a row, each where its position takes it, neither converted: a refused lead
    // byte must not let its trail byte in as a letter of its own.
    const int other = j + step;
    if (other < 0 || other >= GetCount() || (skipLiterals && IsLiteral(other))) return false;
    const int leadAt = step > 0 ? j : other;
    char lead = text[at], trail = text[at + 1];
    if (!GetItem(leadAt)->Check(lead) || !GetItem(leadAt + 1)->Check(trail)) return false;
    result[static_cast<size_t>(leadAt)] = text[at];
    result[static_cast<size_t>(leadAt) + 1] = text[at + 1];
    next = other + step;
    return true;
}

void TcxStandardMask::FitText(AnsiString& text, bool useConvertedChars, bool matchLiterals) const {
    AnsiString result = EmptyDisplayText();
    const int count = GetCount();
    const bool skipLiterals = !KeepsLiterals && !matchLiterals;
    // Character boundaries are found from the start whichever way the walk goes.
    std::vector<std::pair<size_t, size_t>> chars;
    for (size_t i = 0; i < text.size();) {
        const size_t length = CharLength(text, i);
        chars.emplace_back(i, length);
        i += length;
    }
    const int step = FillFromEnd ? -1 : 1;
    int m = FillFromEnd ? count - 1 : 0;
    for (size_t k = 0; k < chars.size(); ++k) {
        const auto [at, length] = chars[FillFromEnd ? chars.size() - 1 - k : k];
        for (int j = m; j >= 0 && j < count; j += step) {
            if (skipLiterals && IsLiteral(j)) continue;
            if (TryFit(text, at, length, j, step, skipLiterals, useConvertedChars, result, m)) break;
        }
    }
    text = std::move(result);
}

void TcxStandardMask::ExtractValue(AnsiString& text) const {
    AnsiString value;
    const size_t last = std::min(text.size(), positions_.size());
    for (size_t i = 0; i < last; ++i) {
        const bool literal = IsLiteral(static_cast<int>(i));
        if (literal && !KeepsLiterals) continue;
        value += !literal && text[i] == BlankChar ? ' ' : text[i];
    }
    text = std::move(value);
}

bool TcxStandardMask::IsComplete(AnsiString& text) const {
    if (text.size() != positions_.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto* item = positions_[i].get();
        if (CharLength(text, i) == 2) {
            // A double-byte character is checked but never case-converted.
            char lead = text[i], trail = text[i + 1];
            if (!item->Check(lead) || !positions_[i + 1]->Check(trail)) return false;
            ++i;
            continue;
        }
        const char original = text[i];
        if (item->Check(text[i])) continue;
        const auto* input = dynamic_cast<const TcxStandardMaskManyItem*>(item);
        if (!input || !input->IsOptional || (original != BlankChar && original != ' ')) return false;
    }
    return true;
}
