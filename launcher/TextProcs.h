#pragma once
// Small text routines of the launcher; texts are bytes of the ANSI code page.
#include "platform/core/Strings.h"

// Strips leading, then trailing blanks (the blank character only).
AnsiString TrimSpaces(const AnsiString& text);
AnsiString StripLeading(const AnsiString& text, char ch);
AnsiString StripTrailing(const AnsiString& text, char ch);
// The first n characters (the whole text when shorter).
AnsiString LeftStr(const AnsiString& text, int n);
// The last n characters (the whole text when shorter).
AnsiString RightStr(const AnsiString& text, int n);
AnsiString AddBackslash(const AnsiString& text);
AnsiString RemoveBackslash(const AnsiString& text);
// The last character; '\0' for an empty text.
char LastChar(const AnsiString& text);
bool IsBlank(const AnsiString& text);

// Unit start: seeds the random number generator.
void TextProcsInitialize();
