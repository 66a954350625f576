#include <gtest/gtest.h>

#include "platform/core/Bcd.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FloatText.h"

TEST(FloatTextTest, FixedPointTextWithSeparator) {
    TFormatSettings dot = TFormatSettingsPin::Invariant();
    TFormatSettings comma = dot;
    comma.DecimalSeparator = ',';
    struct Case {
        double value;
        int digits;
        const char* expected;
    } cases[] = {{1.23456, 2, "1.23"}, {1.235, 2, "1.24"}, {9.999, 2, "10.00"},  {-0.05, 1, "-0.1"},
                 {0.004, 2, "0.00"},   {0.006, 2, "0.01"}, {0.6, 0, "1"},        {123456.5, 0, "123457"},
                 {-0.001, 2, "0.00"},  {0, 3, "0.000"},    {1e-20, 4, "0.0000"}, {12.5, 4, "12.5000"}};
    for (const auto& c : cases)
        EXPECT_EQ(FloatToStrFixed(c.value, 18, c.digits, dot), c.expected) << c.value;
    EXPECT_EQ(FloatToStrFixed(1.5, 18, 2, comma), "1,50");
    EXPECT_EQ(FloatToStrFixed(1e30, 18, 2, dot).find('E') != AnsiString::npos, true);
}

TEST(BcdRecordTest, TextRoundTripsThroughTheRecord) {
    TFormatSettings comma = TFormatSettingsPin::Invariant();
    comma.DecimalSeparator = ',';
    const char* texts[] = {"0",
                           "1",
                           "-1",
                           "0.5",
                           "-0.0025",
                           "123456789012345678901234567890.12345",
                           "99999999999999999999999999999999999999999999999999999999999999.9"};
    for (const char* t : texts) {
        TBcdRecord r = StrToBcdRecord(t);
        EXPECT_EQ(RecordToBcd(r).Text(), TBcd::FromString(t).Text()) << t;
    }
    TBcdRecord r = StrToBcdRecord("-12.5");
    EXPECT_EQ(r.Precision, 3);
    EXPECT_EQ(r.SignSpecialPlaces, 0x81);
    EXPECT_EQ(r.Fraction[0], 0x12);
    EXPECT_EQ(r.Fraction[1], 0x50);
    EXPECT_EQ(BcdRecordToStr(r, comma), "-12,5");
    r.Fraction[0] = 0xAB;
    EXPECT_THROW(RecordToBcd(r), EConvertError);
}
