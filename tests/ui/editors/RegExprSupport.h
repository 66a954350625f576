#pragma once
// Compiling mask expressions from text in tests.
#include <vector>

#include "platform/core/FormatSettings.h"
#include "ui/editors/RegExpr.h"

inline void CompileText(TcxRegExpr& expression, const AnsiString& pattern) {
    TStringStream stream(pattern);
    expression.Compile(&stream);
}

// The full messages of a failing compile; empty when it compiles.
inline std::vector<AnsiString> CompileErrors(const AnsiString& pattern) {
    TcxRegExpr expression;
    std::vector<AnsiString> messages;
    try {
        CompileText(expression, pattern);
    } catch (const EcxRegExprError& e) {
        for (int i = 0; i < e.Errors().Count(); ++i)
            messages.push_back(e.Errors().Item(i).FullMessage());
    }
    return messages;
}

// Separators that differ from the pattern's symbols, so that a test sees which one matched.
inline TFormatSettings MaskSeparators(char date = '/', char time = ':', char decimal = '.') {
    TFormatSettings settings = TFormatSettingsPin::Invariant();
    settings.DateSeparator = date;
    settings.TimeSeparator = time;
    settings.DecimalSeparator = decimal;
    return settings;
}
