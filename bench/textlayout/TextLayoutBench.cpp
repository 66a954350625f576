// DrawFormattedText of 20,000 characters of mixed Chinese and Latin text wrapped into 300 pixels,
// beside DrawTextW with DT_WORDBREAK of the same text and rectangle; then counting the rows of
// 200,000 characters against 20,000. Prints milliseconds and the ratios.
#include <cstdio>
#include <string>

#include "BenchTiming.h"
#include "ui/core/TextLayout.h"

namespace {
std::wstring MixedText(size_t length) {
    static const wchar_t* pieces[] = {L"纳税申报表", L" tax ",           L"已经提交。", L"return filed ",
                                      L"增值税，",   L"amount 1234.56 ", L"请核对",     L"\r\n"};
    std::wstring text;
    for (size_t i = 0; text.size() < length; ++i)
        text += pieces[(i * 7 + i / 3) % 8];
    text.resize(length);
    return text;
}

} // namespace

int main() {
    TextLayoutInitialize();
    TBitmap surface(320, 10000, pf32bit);
    HDC dc = surface.Canvas().Handle();
    HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, DEFAULT_QUALITY, 0,
                             L"WenQuanYi Micro Hei");
    HGDIOBJ oldFont = SelectObject(dc, font);

    const std::wstring text = MixedText(20000);
    const RECT bounds{0, 0, 300, 10000}; // tall enough for every row
    const double drawText = BestTime<std::milli>([&] {
        RECT r = bounds;
        DrawTextW(dc, text.data(), static_cast<int>(text.size()), &r, DT_WORDBREAK | DT_NOPREFIX);
    });
    const double formatted = BestTime<std::milli>([&] {
        TRect r = bounds;
        DrawFormattedText(dc, text, r, 1.0, clDefault, 0, 0, 0, clDefault, clDefault, nullptr, 0, 0,
                          txoWordBreak);
    });
    std::printf(
        "20000 characters into 300 px: DrawTextW %.1f ms, DrawFormattedText %.1f ms (%.2fx, target 2x)\n",
        drawText, formatted, formatted / drawText);

    const std::wstring longText = MixedText(200000);
    auto count = [&](const std::wstring& t) {
        TRect r = bounds;
        return DrawFormattedText(dc, t, r, 1.0, clDefault, 0, 0, 0, clDefault, clDefault, nullptr, 0, 0,
                                 txoWordBreak | txoCalcRowCount | txoAlignVCenter);
    };
    int shortRows = 0, longRows = 0;
    const double countShort = BestTime<std::milli>([&] { shortRows = count(text); });
    const double countLong = BestTime<std::milli>([&] { longRows = count(longText); }, 1, 3);
    std::printf("row counting: 20000 characters %.1f ms (%d rows), 200000 characters %.1f ms (%d rows) "
                "(%.2fx, target at most 11x)\n",
                countShort, shortRows, countLong, longRows, countLong / countShort);
    const bool ok = formatted <= 2.0 * drawText && countLong <= 11.0 * countShort;
    std::printf("%s\n", ok ? "within the targets" : "OUTSIDE the targets");

    SelectObject(dc, oldFont);
    DeleteObject(font);
    TextLayoutFinalize();
    return 0;
}
