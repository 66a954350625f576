#pragma once
// Text rules of the single-line text editors that need no window: character boundaries of ANSI
// text in a double-byte code page, the text that an insertion over a selection gives (with the
// maximum length counted in characters), and the thousands grouping of number texts.
#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"
#include "platform/graphics/Graphics.h"

enum TEditCharCase : uint8_t { ecNormal, ecUpperCase, ecLowerCase };

// --- character boundaries -----------------------------------------------------------------------
// A trail byte of a double-byte character can have the value of a lead byte, so every answer
// below scans from the start of the text. Offsets are byte offsets; a boundary is an offset where
// a character starts, or the text's end. A lead byte at the end without its trail is one
// character of its own.

// The largest boundary not above pos (pos is clamped to 0 .. length).
int CharBoundaryAtOrBefore(std::string_view text, int pos);
// The smallest boundary not below pos.
int CharBoundaryAtOrAfter(std::string_view text, int pos);
bool IsCharBoundary(std::string_view text, int pos);
// The start of the character that ends at or covers the byte before pos (0 at the start).
int PrevCharStart(std::string_view text, int pos);
// The end of the character that starts at or covers pos (length at the end).
int NextCharEnd(std::string_view text, int pos);
// Characters in the text: a double-byte character counts once.
int CharCount(std::string_view text);
// The byte length of the first count characters (the whole text when it has fewer).
int CharsToBytes(std::string_view text, int count);
// The byte length of the longest start of the text that fits size bytes and ends on a boundary.
int FitToBytes(std::string_view text, int size);

// --- insertion ----------------------------------------------------------------------------------
enum TcxTextEditingStyle { tesFreeText, tesListText, tesFixedList, tesNoText };

struct TcxTextInsertion {
    bool Accepted = false;
    AnsiString Text; // the whole text after the insertion
    int Caret = 0;   // byte offset after the inserted part
};

// The text that inserting `inserted` over the selection of `text` gives. The selection is widened
// to character boundaries. In the fixed-list and no-text styles the whole text is replaced. While
// the user types or pastes in the free-text or no-text styles with a maximum length (characters,
// > 0), the inserted text is cut to the room left (at a character boundary) and the text after
// the selection is kept whole; an insertion with no room left is refused, a pure deletion always
// goes through. Typing in the no-text style is refused.
TcxTextInsertion ComposeTextInsertion(TcxTextEditingStyle style, std::string_view text, int selStart,
                                      int selLength, std::string_view inserted, int maxLength, bool userInput);

// --- numbers ------------------------------------------------------------------------------------
// Groups the integer digits of a number text with the settings' thousand separator: leading and
// trailing blanks and an exponent part ("E", either case) are kept as they are, separators already
// there are dropped first.
AnsiString FormatNumberWithThousands(std::string_view text, const TFormatSettings& fs);
// The text without thousand separators is a floating-point number.
bool IsFloatText(std::string_view text, const TFormatSettings& fs);

// --- painting rules -------------------------------------------------------------------------------
// Text layout flags of a single-line text: horizontal left 0, right 2, centre 1 (as TAlignment
// left, right, centre = 0, 1, 2); vertical top 0, bottom 0x20, centre 0x10 (as the editors'
// vertical alignment top, bottom, centre = 0, 1, 2); always single line, no clipping, end ellipsis
// off (0x200, 0x40000, 0x80000).
unsigned TextEditTextFlags(int horzAlignment, int vertAlignment);

// The colours a selection is painted in. A requested colour may be clDefault: with only one of
// them given the other is its RGB inverse; with neither, the system's highlight pair, unless the
// editor's own colour is that highlight already (then white on black).
void TextEditSelectionColors(int32_t requestedBackground, int32_t requestedText, int32_t styleColor,
                             int32_t& background, int32_t& text);

// Bytes of text that a window-text buffer of bufferSize bytes takes (its last byte is the
// terminating zero): never a lone lead byte at the end; 0 for a buffer below 1 byte.
int WindowTextCopyLength(std::string_view text, int bufferSize);
