#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/numbers.h"

using namespace numbers;

TEST(Numbers, RoundingSendsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-3.5), -4);
  EXPECT_EQ(RoundHalfEven(2.5000001), 3);
  EXPECT_EQ(RoundHalfEven(-0.4), 0);
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(RoundHalfEven(1e300), std::numeric_limits<std::int64_t>::max());
}

TEST(Numbers, TruncationDropsTheFraction) {
  EXPECT_EQ(Trunc(2.9), 2);
  EXPECT_EQ(Trunc(-2.9), -2);
  EXPECT_EQ(Trunc(-1e300), std::numeric_limits<std::int64_t>::min());
}

TEST(Numbers, TypedNumbersUseThePointWhateverTheLocale) {
  EXPECT_EQ(ParseTypedNumber("1.5"), 1.5);
  EXPECT_EQ(ParseTypedNumber("  -0.25 "), -0.25);
  EXPECT_EQ(ParseTypedNumber("+3"), 3.0);
  EXPECT_EQ(ParseTypedNumber(".5"), 0.5);
  EXPECT_EQ(ParseTypedNumber("5."), 5.0);
  EXPECT_EQ(ParseTypedNumber("1e3"), 1000.0);
  EXPECT_EQ(ParseTypedNumber("2.5E-1"), 0.25);
  for (const char* bad : {"", " ", "1,5", "abc", "1.2.3", "nan", "inf", "0x10", "1e", "--1", "-", ".", "1e999", "1 2"})
    EXPECT_FALSE(ParseTypedNumber(bad).has_value()) << bad;
}

// Whole numbers take a shorter road than the rest; both must give what the general conversion does.
TEST(Numbers, ExactParsingOfWholeAndOtherNumbers) {
  for (const char* text : {"0", "7", "-7", "000123", "999999999999999", "-999999999999999", "9999999999999999", "12345678901234567890",
                           "1.5", "1e3", "-0.0", "4503599627370497"}) {
    double expected = 0;
    std::from_chars(text, text + std::strlen(text), expected);
    ASSERT_TRUE(ParseExact(text).has_value()) << text;
    EXPECT_EQ(*ParseExact(text), expected) << text;
  }
  EXPECT_TRUE(std::signbit(*ParseExact("-0")));
  for (const char* bad : {"", "-", "1-", "12a", "+1", " 1", "--1", "1e999"}) EXPECT_FALSE(ParseExact(bad).has_value()) << bad;
}

TEST(Numbers, TypedIntegers) {
  EXPECT_EQ(ParseTypedInteger(" 42 "), 42);
  EXPECT_EQ(ParseTypedInteger("-7"), -7);
  for (const char* bad : {"", "4.0", "x", "99999999999999999999", "+"})
    EXPECT_FALSE(ParseTypedInteger(bad).has_value()) << bad;
}

TEST(Numbers, GeneralTextAndShortestRoundTrip) {
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(3), "3");
  EXPECT_EQ(FloatToStr(-2.5), "-2.5");
  EXPECT_EQ(FloatToStr(1e-5), "1E-5");
  EXPECT_EQ(FloatToStr(0.0001), "0.0001");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
  for (double v : {0.1, 1.0 / 3, 2.0 / 3 * 1e-300, -123456.789, 5e-324, 1.7976931348623157e308}) {
    const QString s = FloatToShortest(v);
    EXPECT_EQ(ParseTypedNumber(s), v) << s.toStdString();
  }
  EXPECT_EQ(FloatToShortest(0.1), "0.1");
}
