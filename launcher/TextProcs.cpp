#include "launcher/TextProcs.h"

#include <cstdlib>

#include "platform/core/Win.h"

AnsiString TrimSpaces(const AnsiString& text) {
    return StripTrailing(StripLeading(text, ' '), ' ');
}

AnsiString StripLeading(const AnsiString& text, char ch) {
    size_t start = text.find_first_not_of(ch);
    return start == AnsiString::npos ? AnsiString() : text.substr(start);
}

AnsiString StripTrailing(const AnsiString& text, char ch) {
    size_t last = text.find_last_not_of(ch);
    return last == AnsiString::npos ? AnsiString() : text.substr(0, last + 1);
}

AnsiString LeftStr(const AnsiString& text, int n) {
    if (n <= 0) return AnsiString();
    return text.substr(0, static_cast<size_t>(n));
}

AnsiString RightStr(const AnsiString& text, int n) {
    if (n <= 0) return AnsiString();
    if (static_cast<size_t>(n) >= text.size()) return text;
    return text.substr(text.size() - static_cast<size_t>(n));
}

// Walked by characters: the second byte of a double-byte character may be 0x5C.
AnsiString AddBackslash(const AnsiString& text) {
    return IncludeTrailingPathDelimiter(text);
}

AnsiString RemoveBackslash(const AnsiString& text) {
    return ExcludeTrailingPathDelimiter(text);
}

char LastChar(const AnsiString& text) {
    return text.empty() ? '\0' : text.back();
}

bool IsBlank(const AnsiString& text) {
    return TrimSpaces(text).empty();
}

void TextProcsInitialize() {
    std::srand(static_cast<unsigned>(GetTickCount()));
}
