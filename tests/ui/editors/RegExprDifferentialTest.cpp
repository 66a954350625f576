#include <gtest/gtest.h>

#include <regex>

#include "RegExprSupport.h"
#include "TypicalMasks.h"

namespace {

// "All fed and final" of the mask expression answers as std::regex_match of the same language.
TEST(RegExprDifferential, TypicalMasksAgreeWithRegexMatch) {
    TFormatSettingsPin pin{MaskSeparators('/')};
    std::mt19937 random(51);
    for (size_t m = 0; m < TypicalMasks().size(); ++m) {
        const TypicalMask& mask = TypicalMasks()[m];
        TcxRegExpr expression;
        CompileText(expression, mask.pattern);
        const std::regex regex(mask.regex);
        int matches = 0;
        for (int i = 0; i < 2000; ++i) {
            const std::string text = TypicalInput(m, random);
            expression.Restart();
            bool fed = true;
            for (char ch : text)
                fed = fed && expression.Feed(ch);
            const bool expected = std::regex_match(text, regex);
            matches += expected;
            ASSERT_EQ(fed && expression.AtFinal(), expected) << mask.name << " \"" << text << "\"";
        }
        // Both answers occur often enough to mean something.
        EXPECT_GT(matches, 500) << mask.name;
        EXPECT_LT(matches, 1500) << mask.name;
    }
}

} // namespace
