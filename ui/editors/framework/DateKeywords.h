#pragma once
// Smart date text: the keywords ("today", weekday names, "bom", "now", ...) that date editors
// accept in place of a date, in the user's language, and their place in the date masks.
#include <vector>

#include "platform/core/Strings.h"

// Text that the mask expressions read literally: every run without apostrophes goes in single
// quotes and every apostrophe becomes \'.
AnsiString QuoteRegExprText(const AnsiString& text);

// The keywords from today to end of month, with "now" last when withNow; read from the
// library's strings on each call, so that replaced texts take effect at the next build.
std::vector<AnsiString> GetSmartDateKeywords(bool withNow);

// The mask expression that accepts what mask accepts, or a keyword optionally followed by a
// sign and one to four digits (a day offset). An empty mask gives the keywords alone.
AnsiString AddSmartDateAlternatives(const AnsiString& mask, bool withNow);
