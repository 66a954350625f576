// Mask expressions and standard masks beside std::regex of the same language, measured in the same
// run: several rounds each, median and range printed.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <regex>
#include <vector>

#include "platform/core/FormatSettings.h"
#include "ui/editors/RegExpr.h"
#include "ui/editors/StandardMask.h"
#include "ui/editors/TypicalMasks.h"

namespace {

constexpr int Rounds = 7;

struct Timing {
    double median, low, high; // milliseconds per round
};

template <class F> Timing Measure(F f) {
    std::vector<double> times;
    for (int r = 0; r < Rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        f();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

void Print(const char* what, const char* name, const Timing& ours, const Timing& baseline) {
    std::printf("%-26s %-9s %9.2f ms [%8.2f-%8.2f]  baseline %9.2f ms [%8.2f-%8.2f]  ratio %.2f\n", what,
                name, ours.median, ours.low, ours.high, baseline.median, baseline.low, baseline.high,
                ours.median / baseline.median);
}

void Compile(TcxRegExpr& expression, const char* pattern) {
    TStringStream stream(pattern);
    expression.Compile(&stream);
}

volatile int sink;

} // namespace

int main() {
    TFormatSettings settings = TFormatSettingsPin::Invariant();
    settings.DateSeparator = '/';
    TFormatSettingsPin pin{settings};
    std::mt19937 random(51);

    std::printf("%d rounds; median [range] per round\n", Rounds);
    for (size_t m = 0; m < TypicalMasks().size(); ++m) {
        const TypicalMask& mask = TypicalMasks()[m];
        std::vector<std::string> inputs;
        for (int i = 0; i < 100000; ++i)
            inputs.push_back(TypicalInput(m, random));

        // A compiled expression stepped over each input beside regex_match with the regex built once.
        TcxRegExpr expression;
        Compile(expression, mask.pattern);
        const std::regex regex(mask.regex);
        const Timing fed = Measure([&] {
            int valid = 0;
            for (const auto& text : inputs) {
                expression.Restart();
                bool all = true;
                for (char ch : text)
                    if (!(all = expression.Feed(ch))) break;
                valid += all && expression.AtFinal();
            }
            sink = valid;
        });
        const Timing matched = Measure([&] {
            int valid = 0;
            for (const auto& text : inputs)
                valid += std::regex_match(text, regex);
            sink = valid;
        });
        Print("compiled feed / match", mask.name, fed, matched);

        // Validation as the mode does it, compiling for each text, beside building the regex each time.
        const size_t fewer = 10000;
        const Timing compiled = Measure([&] {
            int valid = 0;
            for (size_t i = 0; i < fewer; ++i) {
                TcxRegExpr once;
                Compile(once, mask.pattern);
                bool all = true;
                for (char ch : inputs[i])
                    if (!(all = once.Feed(ch))) break;
                valid += all && once.AtFinal();
            }
            sink = valid;
        });
        const Timing built = Measure([&] {
            int valid = 0;
            for (size_t i = 0; i < fewer; ++i)
                valid += std::regex_match(inputs[i], std::regex(mask.regex));
            sink = valid;
        });
        Print("compile+feed / build+match", mask.name, compiled, built);

        // The standard mask's completeness beside regex_match of its language.
        TcxStandardMask standard;
        standard.SetMask(mask.standard);
        const std::regex standardRegex(mask.standardRegex);
        // IsComplete converts case in place; these masks convert nothing, so the texts are checked as they
        // are.
        std::vector<AnsiString> texts(inputs.begin(), inputs.end());
        const Timing complete = Measure([&] {
            int valid = 0;
            for (auto& text : texts)
                valid += standard.IsComplete(text);
            sink = valid;
        });
        const Timing standardMatched = Measure([&] {
            int valid = 0;
            for (const auto& text : inputs)
                valid += std::regex_match(text, standardRegex);
            sink = valid;
        });
        Print("IsComplete / match", mask.name, complete, standardMatched);
    }

    // Growth: ten times the text should cost about ten times, with sets that do not grow.
    for (const char* pattern : {"(\\d|\\d)+", "\\d*\\d*\\d*"}) {
        auto run = [&](size_t length) {
            TcxRegExpr expression;
            Compile(expression, pattern);
            const std::string digits(length, '5');
            const Timing t = Measure([&] {
                expression.Restart();
                for (char ch : digits)
                    expression.Feed(ch);
            });
            return std::make_pair(t, expression.LargestSet());
        };
        const auto [small, smallSet] = run(1000);
        const auto [large, largeSet] = run(10000);
        std::printf("growth %-12s 1,000: %.3f ms [%.3f-%.3f]  10,000: %.3f ms [%.3f-%.3f]  ratio %.1f  "
                    "largest set %zu/%zu\n",
                    pattern, small.median, small.low, small.high, large.median, large.low, large.high,
                    large.median / small.median, smallSet, largeSet);
    }
    return 0;
}
