#include "engine/base/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace lumivox;

TEST(LeadingNumber, ReadsTheNumberAtTheStartAndStopsAtTheFirstOtherCharacter) {
    EXPECT_DOUBLE_EQ(leadingNumber(u"37.12"), 37.12);
    EXPECT_DOUBLE_EQ(leadingNumber(u" 5%"), 5.0);
    EXPECT_DOUBLE_EQ(leadingNumber(u"00:01:02.03"), 0.0);
    EXPECT_DOUBLE_EQ(leadingNumber(u"12.3412.85"), 12.3412);
    EXPECT_DOUBLE_EQ(leadingNumber(u"\t -4.5kB"), -4.5);
    EXPECT_DOUBLE_EQ(leadingNumber(u"+7"), 7.0);
    EXPECT_DOUBLE_EQ(leadingNumber(u".5"), 0.5);
    EXPECT_DOUBLE_EQ(leadingNumber(u"3."), 3.0);
}

TEST(LeadingNumber, TextWithoutDigitsReadsZero) {
    EXPECT_EQ(leadingNumber(u""), 0.0);
    EXPECT_EQ(leadingNumber(u"N/A"), 0.0);
    EXPECT_EQ(leadingNumber(u"-"), 0.0);
    EXPECT_EQ(leadingNumber(u"."), 0.0);
    EXPECT_EQ(leadingNumber(u"x12"), 0.0);
    EXPECT_EQ(leadingNumber(u"1e5"), 1.0);  // no exponent part
}

TEST(LeadingNumber, HugeDigitRunsGiveInfinityNotZero) {
    const QString nines = QString(400, u'9');
    EXPECT_TRUE(std::isinf(leadingNumber(nines)));
    EXPECT_GT(leadingNumber(nines), 0);
    EXPECT_LT(leadingNumber(QStringLiteral("-") + nines), 0);
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven(204.5), 204.0);
    EXPECT_EQ(roundHalfEven(205.5), 206.0);
    EXPECT_EQ(roundHalfEven(0.5), 0.0);
    EXPECT_EQ(roundHalfEven(1.5), 2.0);
    EXPECT_EQ(roundHalfEven(-0.5), 0.0);
    EXPECT_EQ(roundHalfEven(-1.5), -2.0);
    EXPECT_EQ(roundHalfEven(-2.5), -2.0);
    EXPECT_EQ(roundHalfEven(2.4999), 2.0);
    EXPECT_EQ(roundHalfEven(2.5001), 3.0);
    EXPECT_EQ(roundHalfEven(3600.5), 3600.0);
    EXPECT_EQ(roundHalfEven(-7.2), -7.0);
    EXPECT_TRUE(std::isinf(roundHalfEven(std::numeric_limits<double>::infinity())));
}

TEST(GeneralText, FifteenSignificantDigitsWithoutTrailingZeros) {
    EXPECT_EQ(generalText(0.18048780487804877), "0.180487804878049");
    EXPECT_EQ(generalText(45), "45");
    EXPECT_EQ(generalText(45.00000000000001), "45");  // 0.45 * 100
    EXPECT_EQ(generalText(18.0487804878049), "18.0487804878049");
    EXPECT_EQ(generalText(2.5), "2.5");
    EXPECT_EQ(generalText(100), "100");
    EXPECT_EQ(generalText(0), "0");
    EXPECT_EQ(generalText(-0.0), "0");
    EXPECT_EQ(generalText(-12.25), "-12.25");
    EXPECT_EQ(generalText(0.9999999999999999), "1");
    EXPECT_EQ(generalText(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(generalText(123456789012345678.0), "123456789012346000");
}

TEST(GeneralText, SmallFractionsStayPlainSoTheirFirstCharactersAreMeaningful) {
    // A percent text is cut to four characters; an exponent form would read as 4.65 %.
    EXPECT_EQ(generalText(4.65661287307739e-8).left(4), "0.00");
    EXPECT_EQ(generalText(0.00001), "0.00001");
    EXPECT_EQ(generalText(1e-30), "1e-30");
    EXPECT_EQ(generalText(1e300), "1e+300");
}

TEST(ParseDecimal, AcceptsOnlyAWholeDecimalNumber) {
    EXPECT_EQ(parseDecimal(u"25.48"), 25.48);
    EXPECT_EQ(parseDecimal(u" 03 "), 3.0);
    EXPECT_EQ(parseDecimal(u"-1"), -1.0);
    EXPECT_EQ(parseDecimal(u"7.5"), 7.5);
    EXPECT_FALSE(parseDecimal(u""));
    EXPECT_FALSE(parseDecimal(u"N/A"));
    EXPECT_FALSE(parseDecimal(u"25.48,"));
    EXPECT_FALSE(parseDecimal(u"1.2.3"));
    EXPECT_FALSE(parseDecimal(u"1e3"));
    EXPECT_FALSE(parseDecimal(u"inf"));
    EXPECT_FALSE(parseDecimal(u"0x10"));
    EXPECT_FALSE(parseDecimal(u"+"));
}
