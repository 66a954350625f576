// XmlEscapeText on a memo of plain Chinese text and on one full of markup (an XML document kept
// in a memo), beside copying the same text through a string builder. Prints MB/s and the ratios.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "data/memory/CLRClasses.h"
#include "data/memory/CRXml.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class F> double Best(F f, int runs = 3) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto t = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t).count());
    }
    return best;
}

WideString Repeat(const wchar_t* piece, size_t chars) {
    WideString text;
    while (text.size() < chars)
        text += piece;
    return text;
}

void Measure(const char* what, const WideString& text) {
    const double mb = static_cast<double>(text.size() * sizeof(wchar_t)) / (1 << 20);
    volatile size_t sink = 0;
    double copy = Best([&] {
        WideStringBuilder b = WideStringBuilder::CreateWithText(text, static_cast<int>(text.size()));
        sink = sink + static_cast<size_t>(b.ToString().size());
    });
    double escape = Best([&] { sink = sink + XmlEscapeText(text).size(); });
    std::printf("%-28s copy %8.1f MB/s   escape %8.1f MB/s   escape/copy time %6.1fx\n", what, mb / copy,
                mb / escape, escape / copy);
}

} // namespace

int main() {
    const size_t chars = 512 * 1024; // 1 MB of UTF-16
    Measure("plain Chinese text", Repeat(L"纳税人识别号申报表中文内容 ", chars));
    Measure("markup in a memo", Repeat(L"<item name='a&b'>\"x\" < 1 & y > 2</item>\r\n", chars));
    return 0;
}
