#include "ui/editors/TextEditText.h"

#include <algorithm>

#include "platform/core/Variant.h"

namespace {
int Length(std::string_view text) {
    return static_cast<int>(text.size());
}

// Bytes of the character starting at i.
int CharSize(std::string_view text, int i) {
    return IsDBCSLeadByte(static_cast<BYTE>(text[static_cast<size_t>(i)])) && i + 1 < Length(text) ? 2 : 1;
}
} // namespace

int CharBoundaryAtOrBefore(std::string_view text, int pos) {
    pos = std::clamp(pos, 0, Length(text));
    int i = 0;
    while (i < pos) {
        int next = i + CharSize(text, i);
        if (next > pos) break;
        i = next;
    }
    return i;
}

int CharBoundaryAtOrAfter(std::string_view text, int pos) {
    pos = std::clamp(pos, 0, Length(text));
    int i = 0;
    while (i < pos)
        i += CharSize(text, i);
    return i;
}

bool IsCharBoundary(std::string_view text, int pos) {
    return pos >= 0 && pos <= Length(text) && CharBoundaryAtOrBefore(text, pos) == pos;
}

int PrevCharStart(std::string_view text, int pos) {
    pos = std::clamp(pos, 0, Length(text));
    int i = 0, start = 0;
    while (i < pos) {
        start = i;
        i += CharSize(text, i);
    }
    return start;
}

int NextCharEnd(std::string_view text, int pos) {
    int start = CharBoundaryAtOrBefore(text, pos);
    return start < Length(text) ? start + CharSize(text, start) : start;
}

int CharCount(std::string_view text) {
    int count = 0;
    for (int i = 0; i < Length(text); i += CharSize(text, i))
        ++count;
    return count;
}

int CharsToBytes(std::string_view text, int count) {
    int i = 0;
    for (; i < Length(text) && count > 0; --count)
        i += CharSize(text, i);
    return i;
}

int FitToBytes(std::string_view text, int size) {
    return CharBoundaryAtOrBefore(text, size);
}

TcxTextInsertion ComposeTextInsertion(TcxTextEditingStyle style, std::string_view text, int selStart,
                                      int selLength, std::string_view inserted, int maxLength, bool userInput) {
    TcxTextInsertion result;
    if (userInput && style == tesNoText) return result;
    if (style == tesFixedList || style == tesNoText) {
        selStart = 0;
        selLength = Length(text);
    }
    if (selLength < 0) { // a selection made backwards
        selStart += selLength;
        selLength = -selLength;
    }
    int start = CharBoundaryAtOrBefore(text, selStart);
    int end = selLength == 0 ? start : CharBoundaryAtOrAfter(text, std::max(selStart + selLength, start));
    std::string_view before = text.substr(0, static_cast<size_t>(start));
    std::string_view after = text.substr(static_cast<size_t>(end));
    if (userInput && (style == tesFreeText || style == tesNoText) && maxLength > 0 && !inserted.empty()) {
        int room = maxLength - CharCount(before) - CharCount(after);
        if (room <= 0) return result;
        inserted = inserted.substr(0, static_cast<size_t>(CharsToBytes(inserted, room)));
    }
    result.Accepted = true;
    result.Text.reserve(before.size() + inserted.size() + after.size());
    result.Text.append(before).append(inserted).append(after);
    result.Caret = start + Length(inserted);
    return result;
}

AnsiString FormatNumberWithThousands(std::string_view text, const TFormatSettings& fs) {
    size_t first = 0, last = text.size();
    while (first < last && text[first] == ' ')
        ++first;
    while (last > first && text[last - 1] == ' ')
        --last;
    std::string_view body = text.substr(first, last - first);
    size_t e = body.find_first_of("Ee");
    std::string_view exponent = e == std::string_view::npos ? std::string_view() : body.substr(e);
    std::string_view mantissa = body.substr(0, e == std::string_view::npos ? body.size() : e);
    AnsiString number;
    number.reserve(mantissa.size() + mantissa.size() / 3);
    for (char c : mantissa)
        if (c != fs.ThousandSeparator) number += c;
    size_t point = number.find(fs.DecimalSeparator);
    size_t i = point == AnsiString::npos ? number.size() : point;
    int digits = 0;
    while (i > 0 && number[i - 1] >= '0' && number[i - 1] <= '9') {
        --i;
        if (digits > 0 && digits % 3 == 0) number.insert(i + 1, 1, fs.ThousandSeparator);
        ++digits;
    }
    AnsiString result(text.substr(0, first));
    result.append(number).append(exponent).append(text.substr(last));
    return result;
}

bool IsFloatText(std::string_view text, const TFormatSettings& fs) {
    AnsiString plain;
    for (char c : text)
        if (c != fs.ThousandSeparator) plain += c;
    double value;
    return TryStrToFloat(plain, value, fs);
}

unsigned TextEditTextFlags(int horzAlignment, int vertAlignment) {
    static constexpr unsigned horz[] = {0, 2, 1};
    static constexpr unsigned vert[] = {0, 0x20, 0x10};
    unsigned flags = 0x200 | 0x40000 | 0x80000;
    if (horzAlignment >= 0 && horzAlignment < 3) flags |= horz[horzAlignment];
    if (vertAlignment >= 0 && vertAlignment < 3) flags |= vert[vertAlignment];
    return flags;
}

void TextEditSelectionColors(int32_t requestedBackground, int32_t requestedText, int32_t styleColor,
                             int32_t& background, int32_t& text) {
    auto inverse = [](int32_t color) { return static_cast<int32_t>(ColorToRGB(color) ^ 0xFFFFFF); };
    bool hasBackground = requestedBackground != clDefault;
    bool hasText = requestedText != clDefault;
    if (hasBackground && hasText) {
        background = requestedBackground;
        text = requestedText;
    } else if (hasBackground) {
        background = requestedBackground;
        text = inverse(requestedBackground);
    } else if (hasText) {
        text = requestedText;
        background = inverse(requestedText);
    } else if (styleColor == clHighlight) {
        background = clBlack;
        text = clWhite;
    } else {
        background = clHighlight;
        text = clHighlightText;
    }
}

int WindowTextCopyLength(std::string_view text, int bufferSize) {
    if (bufferSize < 1) return 0;
    return FitToBytes(text, bufferSize - 1);
}
