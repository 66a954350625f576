#pragma once
// The classic masked-edit mask ("(000)000-0000;0;_"): a row of positions that fits typed or
// assigned text into the mask, strips the mask from a display text and tells whether it is filled.
// Texts are ANSI bytes; a double-byte character takes two positions in a row.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/core/Strings.h"

class TcxStandardMaskCustomItem {
public:
    virtual ~TcxStandardMaskCustomItem() = default;
    // May change ch (case conversion of input positions).
    virtual bool Check(char& ch) const = 0;
};

class TcxStandardMaskLiteralItem : public TcxStandardMaskCustomItem {
public:
    explicit TcxStandardMaskLiteralItem(char character) : Character(character) {}
    bool Check(char& ch) const override { return ch == Character; }
    char Character;
};

// 0 upper, 1 lower, 2 none.
enum : uint8_t { cxCaseUpper = 0, cxCaseLower = 1, cxCaseNone = 2 };

class TcxStandardMaskManyItem : public TcxStandardMaskCustomItem {
public:
    TcxStandardMaskManyItem(uint8_t caseConversion, bool isOptional)
        : CaseConversion(caseConversion), IsOptional(isOptional) {}
    bool Check(char& ch) const override;
    uint8_t CaseConversion;
    bool IsOptional;

protected:
    virtual bool Accepts(char ch) const = 0;
    void ApplyCase(char& ch) const;
};

class TcxStandardMaskAlphaItem : public TcxStandardMaskManyItem {
public:
    using TcxStandardMaskManyItem::TcxStandardMaskManyItem;

protected:
    bool Accepts(char ch) const override;
};

class TcxStandardMaskAlphaNumericItem : public TcxStandardMaskManyItem {
public:
    using TcxStandardMaskManyItem::TcxStandardMaskManyItem;

protected:
    bool Accepts(char ch) const override;
};

class TcxStandardMaskASCIIItem : public TcxStandardMaskManyItem {
public:
    using TcxStandardMaskManyItem::TcxStandardMaskManyItem;

protected:
    bool Accepts(char) const override { return true; }
};

class TcxStandardMaskNumericItem : public TcxStandardMaskManyItem {
public:
    using TcxStandardMaskManyItem::TcxStandardMaskManyItem;

protected:
    bool Accepts(char ch) const override;
};

class TcxStandardMaskNumericSymbolItem : public TcxStandardMaskManyItem {
public:
    explicit TcxStandardMaskNumericSymbolItem(uint8_t caseConversion)
        : TcxStandardMaskManyItem(caseConversion, true) {}

protected:
    bool Accepts(char ch) const override;
};

class TcxStandardMask {
public:
    TcxStandardMask() = default;
    ~TcxStandardMask() { ClearMask(); }
    TcxStandardMask(const TcxStandardMask&) = delete;
    TcxStandardMask& operator=(const TcxStandardMask&) = delete;

    void ClearMask();
    void SetMask(const AnsiString& maskText);
    int GetCount() const { return static_cast<int>(positions_.size()); }
    TcxStandardMaskCustomItem* GetItem(int index) const {
        return positions_.at(static_cast<size_t>(index)).get();
    }
    bool IsLiteral(int index) const;

    // Rewrites text as a display text of exactly GetCount characters.
    void FitText(AnsiString& text, bool useConvertedChars, bool matchLiterals) const;
    // Rewrites a display text as the value text.
    void ExtractValue(AnsiString& text) const;
    // Converts the case of text in place, as the positions' checks do.
    bool IsComplete(AnsiString& text) const;
    AnsiString EmptyValueText() const;
    AnsiString EmptyDisplayText() const;

    char BlankChar = '_';
    bool FillFromEnd = false;
    bool KeepsLiterals = true;
    AnsiString MaskText;

private:
    void ParseMask(const AnsiString& mask);
    bool TryFit(const AnsiString& text, size_t at, size_t length, int j, int step, bool skipLiterals,
                bool useConvertedChars, AnsiString& result, int& next) const;

    std::vector<std::unique_ptr<TcxStandardMaskCustomItem>> positions_;
};
