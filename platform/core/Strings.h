#pragma once
// Text types of the platform: AnsiString holds bytes of the ANSI code page (936 on the users'
// machines), WideString holds UTF-16. Both are the standard strings, so they interoperate with
// everything; the conversions go through the system's code-page services.
#include <string>
#include <string_view>

#include "platform/core/Win.h"

using AnsiString = std::string;
using WideString = std::wstring;

// Code-page conversions (MultiByteToWideChar / WideCharToMultiByte). codePage 0 is the ANSI one.
WideString AnsiToWide(std::string_view text, unsigned codePage = CP_ACP);
AnsiString WideToAnsi(std::wstring_view text, unsigned codePage = CP_ACP);
