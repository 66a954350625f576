#include "ui/core/TextLayout.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstring>
#include <optional>
#include <tuple>

namespace {
HBRUSH patternBrushes[2] = {}; // normal, bold

bool IsSpace(wchar_t c) {
    return c == L' ' || c == L'\t';
}
bool IsLineEnd(wchar_t c) {
    return c == L'\r' || c == L'\n';
}

// Extent of n characters from p, tabs expanded when asked.
SIZE MeasurePiece(HDC dc, const wchar_t* p, int n, bool expandTabs) {
    SIZE size{0, 0};
    if (n <= 0) return size;
    if (expandTabs) {
        if (n <= 4095) {
            const DWORD extent = GetTabbedTextExtentW(dc, p, n, 0, nullptr);
            size.cx = LOWORD(extent);
            size.cy = HIWORD(extent);
        } else {
            RECT r{0, 0, 0, 0};
            DrawTextW(dc, p, n, &r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX);
            size.cx = r.right - r.left;
            size.cy = r.bottom - r.top;
        }
    } else {
        GetTextExtentPoint32W(dc, p, n, &size);
    }
    return size;
}

// End of the next break candidate from p.
int NextBreakCandidate(const wchar_t* text, int length, int p) {
    if (p >= length || IsLineEnd(text[p])) return p;
    if (IsWideCharacter(text[p])) {
        int end = p + 1;
        if (end < length && IsNoStartCharacter(text[end])) ++end;
        return end;
    }
    int q = p + 1;
    while (q < length && !IsSpace(text[q]) && !IsLineEnd(text[q]) && !IsWideCharacter(text[q]))
        ++q;
    return q;
}

int NextLineEnd(const wchar_t* text, int length, int p) {
    while (p < length && !IsLineEnd(text[p]))
        ++p;
    return p;
}

// Consumes a CR with a following LF, or an LF with a following CR.
int SkipLineEnd(const wchar_t* text, int length, int p) {
    if (p >= length) return p;
    if (text[p] == L'\r') return p + 1 < length && text[p + 1] == L'\n' ? p + 2 : p + 1;
    if (text[p] == L'\n') return p + 1 < length && text[p + 1] == L'\r' ? p + 2 : p + 1;
    return p;
}

// Prefix widths of a line from start, measured once per row instead of once per candidate:
// widths[i] is the width of the first i + 1 characters, known up to Fit characters; beyond them
// the text is wider than the row.
class TPrefixWidths {
public:
    TPrefixWidths(HDC dc, const wchar_t* text, int start, int lineEnd, int width)
        : dc_(dc), text_(text), start_(start), lineEnd_(lineEnd), width_(width) {}
    // -1 when the first n characters are wider than the row.
    int Width(int n) {
        while (n > fit_ && !complete_)
            Measure();
        return n <= fit_ ? (n > 0 ? widths_[n - 1] : 0) : -1;
    }
    int Fit() {
        while (!complete_)
            Measure();
        return fit_;
    }

private:
    void Measure() {
        const int available = lineEnd_ - start_;
        chunk_ = std::min(available, chunk_ == 0 ? 256 : 2 * chunk_);
        widths_.assign(std::max(chunk_, 1), 0);
        SIZE size{};
        int fit = 0;
        GetTextExtentExPointW(dc_, text_ + start_, chunk_, std::max(width_, 0), &fit, widths_.data(), &size);
        fit_ = fit;
        complete_ = fit < chunk_ || chunk_ == available;
    }

    HDC dc_;
    const wchar_t* text_;
    int start_, lineEnd_, width_;
    int chunk_ = 0, fit_ = 0;
    bool complete_ = false;
    std::vector<int> widths_;
};

// Breaks one row from start into width; returns where the next row starts.
int BreakRow(HDC dc, const wchar_t* text, int length, int start, int width, const TcxTextLayoutParams& params,
             bool wholeLine, TcxTextRow& row) {
    const bool wrapping =
        !params.SingleLine && !wholeLine &&
        (params.WordBreak || params.AlignHorz == tahJustify || params.AlignHorz == tahDistribute);
    // Tabs need the tabbed measure of each piece; plain text is measured once per row.
    std::optional<TPrefixWidths> prefixes;
    if (wrapping && !params.ExpandTabs)
        prefixes.emplace(dc, text, start, NextLineEnd(text, length, start), width);
    auto tooWide = [&](int end) {
        if (prefixes) return prefixes->Width(end - start) < 0;
        return MeasurePiece(dc, text + start, end - start, params.ExpandTabs).cx > width;
    };
    int rowEnd = start, next = length;
    bool wrapped = false;
    int p = start;
    while (true) {
        if (p >= length) {
            rowEnd = next = length;
            break;
        }
        if (IsLineEnd(text[p])) {
            rowEnd = p;
            next = SkipLineEnd(text, length, p);
            break;
        }
        const int end =
            wrapping && !params.CalcRect ? NextBreakCandidate(text, length, p) : NextLineEnd(text, length, p);
        if (wrapping && tooWide(end)) {
            wrapped = true;
            if (rowEnd > start) {
                next = rowEnd;
            } else if (params.CharBreak) {
                // The longest prefix that fits, at least one character.
                int lo = 1, hi = end - start;
                if (prefixes) {
                    lo = std::clamp(prefixes->Fit(), 1, hi);
                } else {
                    while (lo < hi) {
                        const int mid = (lo + hi + 1) / 2;
                        if (MeasurePiece(dc, text + start, mid, params.ExpandTabs).cx <= width)
                            lo = mid;
                        else
                            hi = mid - 1;
                    }
                }
                rowEnd = next = start + lo;
            } else {
                rowEnd = next = end;
                if (params.EndEllipsis) next = SkipLineEnd(text, length, next);
            }
            break;
        }
        rowEnd = p = end;
    }
    row.Text = text + start;
    row.Start = start;
    row.Length = rowEnd - start;
    row.SpaceCount = 0;
    if (wrapped) {
        const bool trailingSpace = row.Length > 0 && IsSpace(text[rowEnd - 1]);
        const bool followingSpace = next < length && IsSpace(text[next]);
        switch (params.AlignHorz) {
        case tahCenter:
            if (trailingSpace) --row.Length;
            if (followingSpace) ++next;
            break;
        case tahRight:
            if (trailingSpace) --row.Length;
            break;
        default:
            if (followingSpace) ++next;
            break;
        }
        if (params.SkipWrapSpaces)
            while (next < length && IsSpace(text[next]))
                ++next;
    }
    if (params.AlignHorz == tahDistribute || (params.AlignHorz == tahJustify && wrapped)) {
        while (row.Length > 0 && IsSpace(row.Text[row.Length - 1]))
            --row.Length;
        row.SpaceCount = static_cast<int>(std::count_if(row.Text, row.Text + row.Length, IsSpace));
    }
    const int known = prefixes ? prefixes->Width(row.Length) : -1;
    if (known >= 0) {
        row.Width = known;
        row.Height = params.TextHeight;
    } else {
        const SIZE extent = MeasurePiece(dc, row.Text, row.Length, params.ExpandTabs);
        row.Width = extent.cx;
        row.Height = row.Length > 0 ? extent.cy : params.TextHeight;
    }
    return next;
}

bool IsMetafileDC(HDC dc) {
    const DWORD type = GetObjectType(dc);
    return type == OBJ_METADC || type == OBJ_ENHMETADC;
}

void OutRow(HDC dc, int x, int y, const wchar_t* text, int length, const TcxTextLayoutParams& params) {
    if (params.ExpandTabs)
        TabbedTextOutW(dc, x, y, text, length, 0, nullptr, x);
    else
        TextOutW(dc, x, y, text, length);
}

WideString RemovePrefixes(const WideString& text) {
    WideString result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&') {
            if (i + 1 < text.size() && text[i + 1] == L'&') result += L'&', ++i;
            continue;
        }
        result += text[i];
    }
    return result;
}
} // namespace

// ---------------------------------------------------------------------------------------------
bool IsFarEastLocale() {
    switch (PRIMARYLANGID(LANGIDFROMLCID(GetSystemDefaultLCID()))) {
    case LANG_CHINESE:
    case LANG_JAPANESE:
    case LANG_KOREAN:
        return true;
    default:
        return false;
    }
}

bool IsWideCharacter(wchar_t c) {
    if (c < 128) return false;
    if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3040 && c <= 0x309F) || (c >= 0x30A0 && c <= 0x30FF) ||
        (c >= 0xAC00 && c <= 0xD7A3))
        return true;
    // What the system code page encodes in more than one byte, asked once per character.
    static uint8_t known[65536]; // 0 unknown, 1 narrow, 2 wide
    uint8_t& answer = known[c];
    if (answer == 0) {
        char bytes[8];
        const int n = WideCharToMultiByte(CP_ACP, 0, &c, 1, bytes, sizeof(bytes), nullptr, nullptr);
        answer = n > 1 ? 2 : 1;
    }
    return answer == 2;
}

bool IsNoStartCharacter(wchar_t c) {
    static const wchar_t list[] = {
        L'!',   L'%',   L')',   L',',   L'.',   L':',   L';',   L'>',   L'?',   L']',   L'}',   0x00A8,
        0x00B0, 0x00B7, 0x02C7, 0x02C9, 0x2013, 0x2014, 0x2015, 0x2016, 0x2018, 0x2019, 0x201D, 0x2022,
        0x2025, 0x2026, 0x2027, 0x2032, 0x2033, 0x2034, 0x2035, 0x2037, 0x2038, 0x2039, 0x203B, 0x203F,
        0x2041, 0x2043, 0x2103, 0x2236, 0x2574, 0x3001, 0x3002, 0x3003, 0x3005, 0x3009, 0x300B, 0x300D,
        0x300F, 0x3011, 0x3015, 0x3017, 0x301E, 0x309B, 0x309C, 0xFE30, 0xFE31, 0xFE33, 0xFE34, 0xFE36,
        0xFE38, 0xFE3A, 0xFE3C, 0xFE3E, 0xFE40, 0xFE42, 0xFE44, 0xFE4F, 0xFE50, 0xFE51, 0xFE52, 0xFE54,
        0xFE55, 0xFE56, 0xFE57, 0xFE5A, 0xFE5C, 0xFE5E, 0xFF01, 0xFF02, 0xFF05, 0xFF07, 0xFF09, 0xFF0C,
        0xFF0D, 0xFF0E, 0xFF1A, 0xFF1B, 0xFF1E, 0xFF1F, 0xFF3D, 0xFF5C, 0xFF5D, 0xFF5E};
    if (c >= 0xFFE0) return true;
    return std::find(std::begin(list), std::end(list), c) != std::end(list);
}

bool IsComplexScriptCharset(int charset, const wchar_t* text, int length) {
    if (length > 0 && text[0] < 0x80) return false;
    if (charset == DEFAULT_CHARSET) {
        CHARSETINFO info{};
        if (TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<uintptr_t>(GetACP())), &info,
                                 TCI_SRCCODEPAGE))
            charset = info.ciCharset;
    }
    return charset == GB2312_CHARSET || charset == CHINESEBIG5_CHARSET || charset == ARABIC_CHARSET;
}

// ---------------------------------------------------------------------------------------------
void TcxTextRows::SetCount(int count) {
    count = std::max(count, 0);
    if (count > InlineCount && static_cast<int>(overflow_.size()) < count - InlineCount)
        overflow_.resize(count - InlineCount + 4);
    count_ = count;
    if (count > 0) Row(count - 1) = TcxTextRow{};
}

void ClearTextRows(TcxTextRows& rows) {
    rows.SetCount(0);
}

const TcxTextRow& GetTextRowAt(const TcxTextRows& rows, int index) {
    return rows.Row(index);
}

int GetTextRowsCount(const TcxTextRows& rows) {
    return rows.Count();
}

int GetMaxTextRowWidth(const TcxTextRows& rows, int count) {
    count = std::min(count, rows.Count());
    int widest = 0;
    for (int i = 0; i < count; ++i)
        widest = std::max(widest, rows.Row(i).Width);
    return widest;
}

// ---------------------------------------------------------------------------------------------
void FillTextLayoutParams(HDC dc, int flags, TcxTextLayoutParams& params, double lineSpacing) {
    params = TcxTextLayoutParams{};
    TEXTMETRICW metrics{};
    if (!GetTextMetricsW(dc, &metrics)) {
        TEXTMETRICA ansi{};
        GetTextMetricsA(dc, &ansi);
        metrics.tmHeight = ansi.tmHeight;
        metrics.tmExternalLeading = ansi.tmExternalLeading;
        metrics.tmWeight = ansi.tmWeight;
        metrics.tmBreakChar = static_cast<unsigned char>(ansi.tmBreakChar);
        metrics.tmMaxCharWidth = ansi.tmMaxCharWidth;
        metrics.tmCharSet = ansi.tmCharSet;
    }
    params.TextHeight = metrics.tmHeight;
    params.ExternalLeading = flags & txoExternalLeading ? metrics.tmExternalLeading : 0;
    params.RowHeight =
        static_cast<int>(std::lround((params.TextHeight + params.ExternalLeading) * lineSpacing));
    params.Bold = metrics.tmWeight >= FW_BOLD;
    params.BreakChar = metrics.tmBreakChar;
    params.MaxCharWidth = metrics.tmMaxCharWidth;
    params.CharSet = metrics.tmCharSet;
    const int horz = flags & txoAlignHorzMask;
    params.AlignHorz = horz <= tahDistribute ? TcxTextAlignHorz(horz) : tahLeft;
    params.AlignVert = TcxTextAlignVert((flags & txoAlignVertMask) >> 4);
    params.WordBreak = flags & txoWordBreak;
    params.SingleLine = flags & txoSingleLine;
    params.ExpandTabs = flags & txoExpandTabs;
    params.EndEllipsis = flags & txoEndEllipsis;
    params.EditControl = flags & txoEditControl;
    params.NoClip = flags & txoNoClip;
    params.AutoIndents = flags & txoAutoIndents;
    params.CharBreak = (flags & txoCharBreak) || IsFarEastLocale();
    params.PreventLeftExceed = flags & txoPreventLeftExceed;
    params.PreventTopExceed = flags & txoPreventTopExceed;
    params.CalcRect = flags & txoCalcRect;
    params.CalcRowCount = flags & txoCalcRowCount;
    params.HidePrefix = flags & txoHidePrefix;
    params.SkipWrapSpaces = flags & txoSkipWrapSpaces;
    if (params.EndEllipsis) params.EllipsisWidth = MeasurePiece(dc, L"...", 3, false).cx;
    POINT pixel[2] = {{0, 0}, {1, 1}};
    DPtoLP(dc, pixel, 2);
    params.OnePixel = std::max<int>(1, std::abs(pixel[1].x - pixel[0].x));
    POINT six[2] = {{0, 0}, {0, 6}};
    DPtoLP(dc, six, 2);
    params.PatternedText = (flags & txoPatternedText) && params.TextHeight < std::abs(six[1].y - six[0].y);
}

void FillTextLayoutParamsFromCanvas(TcxCanvas* canvas, int flags, TcxTextLayoutParams& params,
                                    double lineSpacing) {
    canvas->Canvas()->RequiredState(true, false, false); // a valid handle with the font selected
    FillTextLayoutParams(canvas->Handle(), flags, params, lineSpacing);
}

void ApplyTextIndents(const TRect& rect, const TcxTextLayoutParams& params, int leftIndent, TRect& result,
                      int rightIndent) {
    result = rect;
    if (params.AutoIndents) {
        const int d = 2 * params.OnePixel;
        result = TRect{result.left + d, result.top + d, result.right - d, result.bottom - d};
    }
    result.left += leftIndent * params.OnePixel;
    result.right -= rightIndent * params.OnePixel;
}

void RemoveTextIndents(const TRect& rect, const TcxTextLayoutParams& params, int leftIndent, TRect& result,
                       int rightIndent) {
    result = rect;
    result.left -= leftIndent * params.OnePixel;
    result.right += rightIndent * params.OnePixel;
    if (params.AutoIndents) {
        const int d = 2 * params.OnePixel;
        result = TRect{result.left - d, result.top - d, result.right + d, result.bottom + d};
    }
}

// ---------------------------------------------------------------------------------------------
bool SplitTextIntoRows(HDC dc, const wchar_t* text, int length, int maxRows, int& rowCount, TcxTextRows& rows,
                       const TcxTextLayoutParams& params, const TRect& rect) {
    if (text != rows.Text.data()) rows.Text.assign(text, std::max(length, 0));
    text = rows.Text.data();
    ClearTextRows(rows);
    rowCount = 0;
    if (length <= 0) return true;
    const bool measuring = params.CalcRect || params.CalcRowCount;
    if (params.CalcRect && params.SingleLine) {
        rows.SetCount(1);
        TcxTextRow& row = rows.Row(0);
        row.Text = text;
        row.Length = length;
        const SIZE extent = MeasurePiece(dc, text, length, params.ExpandTabs);
        row.Width = extent.cx;
        row.Height = extent.cy;
        rowCount = 1;
        return true;
    }
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const bool ellipsisRow = !params.NoClip && params.EndEllipsis && !measuring &&
                             params.AlignHorz != tahJustify && params.AlignHorz != tahDistribute;
    int start = 0, accumulated = 0;
    while (start < length) {
        const int number = rowCount + 1;
        accumulated += params.RowHeight;
        bool last;
        if (params.SingleLine)
            last = true;
        else if (params.AlignVert == tavTop && !measuring)
            last = params.EditControl && !params.NoClip ? accumulated + params.RowHeight > height
                                                        : accumulated > height;
        else
            last = maxRows >= 1 && number == maxRows;
        if (maxRows >= 1 && number == maxRows) last = true;
        rows.SetCount(number);
        TcxTextRow& row = rows.Row(number - 1);
        // The last visible row with an ellipsis takes the rest of its paragraph, shortened when drawn.
        start = BreakRow(dc, text, length, start, width, params, last && ellipsisRow, row);
        rowCount = number;
        if (last) break;
    }
    return start >= length || params.SingleLine || measuring;
}

bool SplitAnsiTextIntoRows(HDC dc, const AnsiString& text, int maxRows, int& rowCount, TcxTextRows& rows,
                           const TcxTextLayoutParams& params, const TRect& rect) {
    rows.Text = AnsiToWide(text);
    return SplitTextIntoRows(dc, rows.Text.data(), static_cast<int>(rows.Text.size()), maxRows, rowCount,
                             rows, params, rect);
}

bool SplitAnsiTextIntoRowsOnCanvas(TcxCanvas* canvas, const AnsiString& text, int maxRows, int& rowCount,
                                   TcxTextRows& rows, const TcxTextLayoutParams& params, const TRect& rect) {
    canvas->Canvas()->RequiredState(true, false, false);
    return SplitAnsiTextIntoRows(canvas->Handle(), text, maxRows, rowCount, rows, params, rect);
}

// ---------------------------------------------------------------------------------------------
void PositionTextRows(HDC, const TRect& rect, const TcxTextLayoutParams& params, int rowCount,
                      TcxTextRows& rows) {
    rowCount = std::min(rowCount, rows.Count());
    if (rowCount <= 0) return;
    int rowHeight = params.RowHeight, extra = 0;
    const int height = rect.bottom - rect.top, width = rect.right - rect.left;
    if (params.AlignVert == tavSpread && rowCount > 1) {
        const int free = height - params.TextHeight;
        if (free / (rowCount - 1) > params.TextHeight) {
            rowHeight = free / (rowCount - 1);
            extra = free % (rowCount - 1);
        }
    }
    int top;
    switch (params.AlignVert) {
    case tavCenter:
        top = rect.top + (height - rowCount * rowHeight) / 2;
        break;
    case tavBottom:
        top = rect.bottom - rowCount * rowHeight + params.ExternalLeading;
        break;
    default:
        top = rect.top;
        break;
    }
    if (params.PreventTopExceed) top = std::max<int>(top, rect.top);
    for (int i = 0; i < rowCount; ++i) {
        TcxTextRow& row = rows.Row(i);
        int left;
        switch (params.AlignHorz) {
        case tahCenter:
            left = rect.left + (width - row.Width) / 2;
            break;
        case tahRight:
            left = rect.right - row.Width;
            break;
        default:
            left = rect.left;
            break;
        }
        if (params.PreventLeftExceed) left = std::max<int>(left, rect.left);
        row.Left = left;
        row.Top = top;
        top += rowHeight;
        if (extra > 0) {
            ++top;
            --extra;
        }
    }
}

void DrawTextRowsHighlighted(HDC dc, const TRect& rect, const TcxTextLayoutParams& params, bool textWasCut,
                             TColor highlightTextColor, TColor highlightBackColor, int highlightLength,
                             int highlightStart, int rowCount, TcxTextRows& rows) {
    rowCount = std::min(rowCount, rows.Count());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    HBRUSH highlightBrush = nullptr;
    if (highlightLength >= 1 && highlightBackColor != clNone && highlightBackColor != clDefault)
        highlightBrush = CreateSolidBrush(ColorToRGB(highlightBackColor));
    const bool useClip = !IsMetafileDC(dc);
    const int width = rect.right - rect.left;
    std::vector<int> extents;
    for (int i = 0; i < rowCount; ++i) {
        TcxTextRow& row = rows.Row(i);
        const bool lastRow = i == rowCount - 1;
        if (row.Length == 0) {
            if (lastRow && textWasCut && params.EndEllipsis) OutRow(dc, row.Left, row.Top, L"...", 3, params);
            continue;
        }
        const RECT band{rect.left, row.Top, rect.right, row.Top + params.RowHeight};
        if (!RectVisible(dc, &band)) continue;
        if (params.PatternedText) {
            const int top = row.Top + params.OnePixel;
            const int bottom = std::max(row.Top + params.RowHeight - params.OnePixel, top + params.OnePixel);
            const RECT extent{row.Left, top, std::min<int>(row.Left + row.Width, rect.right), bottom};
            const COLORREF oldBack = SetBkColor(dc, ColorToRGB(clWindow));
            FillRect(dc, &extent, TextPatternBrush(params.Bold));
            SetBkColor(dc, oldBack);
            continue;
        }
        const bool ellipsis = lastRow && params.EndEllipsis && (textWasCut || row.Width > width);
        const bool justified =
            !ellipsis && row.SpaceCount > 0 &&
            (params.AlignHorz == tahDistribute || (params.AlignHorz == tahJustify && row.SpaceCount > 0));
        const int saved = SaveDC(dc);
        if (justified) SetTextJustification(dc, std::max(0, width - row.Width), row.SpaceCount);
        if (!params.NoClip && useClip &&
            (row.Width > width || band.top < rect.top || band.bottom > rect.bottom))
            IntersectClipRect(dc, rect.left, std::max<int>(band.top, rect.top), rect.right,
                              std::min<int>(band.bottom, rect.bottom));
        int length = row.Length, rowWidth = row.Width;
        if (ellipsis) {
            // The characters that fit beside the ellipsis, at least one when left-aligned.
            const int room = width - params.EllipsisWidth;
            int fit = 0;
            SIZE ignored{};
            GetTextExtentExPointW(dc, row.Text, length, std::max(room, 0), &fit, nullptr, &ignored);
            if (fit < 1 && params.AlignHorz == tahLeft) fit = 1;
            length = std::min(fit, length);
            rowWidth = MeasurePiece(dc, row.Text, length, params.ExpandTabs).cx;
        }
        bool highlightReachesEnd = false;
        if (highlightBrush) {
            const int a = std::max(highlightStart, row.Start) - row.Start;
            const int b = std::min(highlightStart + highlightLength, row.Start + length) - row.Start;
            if (a < b) {
                extents.assign(length, 0);
                SIZE size{};
                int fit = 0;
                GetTextExtentExPointW(dc, row.Text, length, INT_MAX, &fit, extents.data(), &size);
                int x1 = a > 0 ? extents[a - 1] : 0, x2 = extents[b - 1];
                if (IsComplexScriptCharset(params.CharSet, row.Text, length)) {
                    const int w = extents[length - 1];
                    std::tie(x1, x2) = std::make_pair(w - x2, w - x1);
                }
                const RECT marked{row.Left + x1, row.Top, row.Left + x2, row.Top + params.RowHeight};
                FillRect(dc, &marked, highlightBrush);
                // Without clip regions (metafiles) the row is drawn once, over the highlight fill.
                if (useClip) {
                    const int inner = SaveDC(dc);
                    IntersectClipRect(dc, marked.left, marked.top, marked.right, marked.bottom);
                    const COLORREF oldText = SetTextColor(dc, ColorToRGB(highlightTextColor));
                    OutRow(dc, row.Left, row.Top, row.Text, length, params);
                    SetTextColor(dc, oldText);
                    RestoreDC(dc, inner);
                    ExcludeClipRect(dc, marked.left, marked.top, marked.right, marked.bottom);
                }
                highlightReachesEnd = b == length;
            }
        }
        OutRow(dc, row.Left, row.Top, row.Text, length, params);
        if (ellipsis) {
            SetTextJustification(dc, 0, 0);
            const int x = row.Left + rowWidth;
            const COLORREF oldText =
                highlightReachesEnd ? SetTextColor(dc, ColorToRGB(highlightTextColor)) : CLR_INVALID;
            if (!params.NoClip && x + params.EllipsisWidth > rect.right) {
                const RECT clip{x, row.Top, rect.right, row.Top + params.RowHeight};
                ExtTextOutW(dc, x, row.Top, ETO_CLIPPED, &clip, L"...", 3, nullptr);
            } else {
                TextOutW(dc, x, row.Top, L"...", 3);
            }
            if (oldText != CLR_INVALID) SetTextColor(dc, oldText);
        }
        RestoreDC(dc, saved);
        SetTextJustification(dc, 0, 0);
    }
    if (highlightBrush) DeleteObject(highlightBrush);
    SetBkMode(dc, oldMode);
}

// ---------------------------------------------------------------------------------------------
int DrawFormattedText(HDC dc, const WideString& source, TRect& rect, double lineSpacing, TColor textColor,
                      int rightIndent, int leftIndent, int maxRows, TColor highlightTextColor,
                      TColor highlightBackColor, TFont* font, int highlightLength, int highlightStart,
                      int flags) {
    if (source.empty()) return 0;
    HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);
    const COLORREF oldColor = GetTextColor(dc);
    if (font) {
        SelectObject(dc, font->Handle());
        SetTextColor(dc, ColorToRGB(font->Color()));
    }
    if (textColor != clDefault) SetTextColor(dc, ColorToRGB(textColor));
    struct Restore {
        HDC dc;
        HGDIOBJ font;
        COLORREF color;
        ~Restore() {
            SelectObject(dc, font);
            SetTextColor(dc, color);
        }
    } restore{dc, oldFont, oldColor};

    TcxTextLayoutParams params;
    FillTextLayoutParams(dc, flags, params, lineSpacing);
    TRect textRect;
    ApplyTextIndents(rect, params, leftIndent, textRect, rightIndent);
    const int width = textRect.right - textRect.left, height = textRect.bottom - textRect.top;
    if (params.CalcRect ? width <= 0 : width < 1 || height < 1) return 0;
    TcxTextRows rows;
    rows.Text = params.HidePrefix ? RemovePrefixes(source) : source;
    if (rows.Text.empty()) return 0;
    const int length = static_cast<int>(rows.Text.size());
    int rowCount = 0;
    const bool textWasCut =
        !SplitTextIntoRows(dc, rows.Text.data(), length, maxRows, rowCount, rows, params, textRect);
    if (rowCount == 0) return 0;
    if (params.CalcRect) {
        if (maxRows > 0) rowCount = std::min(rowCount, maxRows);
        textRect.right = textRect.left + GetMaxTextRowWidth(rows, rowCount);
        if (!params.SingleLine) {
            SplitTextIntoRows(dc, rows.Text.data(), length, maxRows, rowCount, rows, params, textRect);
            if (maxRows > 0) rowCount = std::min(rowCount, maxRows);
        }
        PositionTextRows(dc, textRect, params, rowCount, rows);
        textRect.bottom = rows.Row(rowCount - 1).Top + params.TextHeight;
        RemoveTextIndents(textRect, params, leftIndent, rect, rightIndent);
    } else {
        PositionTextRows(dc, textRect, params, rowCount, rows);
        if (highlightStart < 0 || highlightStart >= length)
            highlightLength = 0;
        else
            highlightLength = std::min(highlightLength, length - highlightStart);
        if (!params.CalcRowCount)
            DrawTextRowsHighlighted(dc, textRect, params, textWasCut, highlightTextColor, highlightBackColor,
                                    highlightLength, highlightStart, rowCount, rows);
    }
    if (params.CalcRowCount) return rowCount;
    const int textHeight = rows.Row(rowCount - 1).Top + params.TextHeight - textRect.top;
    return textHeight != 0 ? textHeight : rowCount;
}

int DrawFormattedTextAnsi(HDC dc, const AnsiString& text, TRect& rect, int flags, double lineSpacing,
                          TFont* font, int rightIndent, int leftIndent, int maxRows) {
    return DrawFormattedText(dc, AnsiToWide(text), rect, lineSpacing, clDefault, rightIndent, leftIndent,
                             maxRows, clDefault, clDefault, font, 0, 0, flags);
}

// ---------------------------------------------------------------------------------------------
HBRUSH TextPatternBrush(bool bold) {
    return patternBrushes[bold ? 1 : 0];
}

void TextLayoutInitialize() {
    WORD checker[8], solid[8];
    for (int i = 0; i < 8; ++i) {
        checker[i] = i % 2 == 0 ? 0x55 : 0xAA;
        solid[i] = 0;
    }
    const WORD* bits[2] = {checker, solid};
    for (int i = 0; i < 2; ++i) {
        HBITMAP pattern = CreateBitmap(8, 8, 1, 1, bits[i]);
        patternBrushes[i] = CreatePatternBrush(pattern);
        DeleteObject(pattern);
    }
}

void TextLayoutFinalize() {
    for (HBRUSH& brush : patternBrushes) {
        if (brush) DeleteObject(brush);
        brush = nullptr;
    }
}
