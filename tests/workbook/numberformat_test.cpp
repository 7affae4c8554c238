#include <gtest/gtest.h>

#include "qstringprinter.h"

#include "platform/datetime.h"
#include "workbook/model/numberformat.h"

namespace {

QString F(const char* code, double v) { return TNumberFormat(code).Format(v); }

TEST(NumberFormat, GeneralShowsElevenSignificantDigits) {
  EXPECT_EQ(TNumberFormat::General(0), "0");
  EXPECT_EQ(TNumberFormat::General(1.0 / 3), "0.33333333333");
  EXPECT_EQ(TNumberFormat::General(-2.5), "-2.5");
  EXPECT_EQ(TNumberFormat::General(0.1 + 0.2), "0.3");
  EXPECT_EQ(TNumberFormat::General(12345678901.0), "12345678901");
  EXPECT_EQ(TNumberFormat::General(123456789012.0), "1.23457E+11");
  EXPECT_EQ(TNumberFormat::General(0.000012345), "0.000012345");
  EXPECT_EQ(TNumberFormat::General(1e-10), "1E-10");
  EXPECT_EQ(F("General", 1e20), "1E+20");
}

TEST(NumberFormat, FixedDecimalsGroupingPercentAndExponent) {
  EXPECT_EQ(F("0", 2.4), "2");
  EXPECT_EQ(F("0", 2.5), "2");  // halves to even, the program's rounding rule
  EXPECT_EQ(F("0", 3.5), "4");
  EXPECT_EQ(F("0.0", -0.04), "0.0");  // no "-0.0"
  EXPECT_EQ(F("0.000000", 1.0 / 3), "0.333333");
  EXPECT_EQ(F("#,##0.00", 1234567.891), "1,234,567.89");
  EXPECT_EQ(F("#,##0.00", -1234.5), "-1,234.50");
  EXPECT_EQ(F("0%", 0.256), "26%");
  EXPECT_EQ(F("0.00%", 0.00123), "0.12%");
  EXPECT_EQ(F("0.00E+00", 12345), "1.23E+04");
  EXPECT_EQ(F("0.00E+00", 0.00012345), "1.23E-04");
  EXPECT_EQ(F("#.##", 0.5), ".5");
  EXPECT_EQ(F("\"T=\"0.0\" s\"", 2.25), "T=2.2 s");
}

TEST(NumberFormat, SectionsChooseByTheSign) {
  EXPECT_EQ(F("0.0;(0.0)", -2), "(2.0)");
  EXPECT_EQ(F("0.0;(0.0)", 2), "2.0");
  EXPECT_EQ(F("0;-0;\"zero\"", 0), "zero");
  EXPECT_EQ(F("0;-0;\"zero\"", -3), "-3");
  EXPECT_EQ(TNumberFormat("0;0;0;\"<\"@\">\"").Format(TCellValue::Text("x")), "<x>");
  EXPECT_EQ(TNumberFormat("@").Format(TCellValue::Text("x")), "x");
  EXPECT_EQ(TNumberFormat("0.00").Format(TCellValue::Text("x")), "x");
  EXPECT_EQ(TNumberFormat("0.00").Format(TCellValue::Error(TCellError::Div0)), "#DIV/0!");
}

TEST(NumberFormat, TimesAndDatesShowDateTimeValues) {
  const TDateTime t = datetime::EncodeTime(13, 5, 9, 0);
  EXPECT_EQ(F("hh:mm:ss", t), "13:05:09");
  EXPECT_EQ(F("h:mm", t), "13:05");
  EXPECT_EQ(F("mm:ss", t), "05:09");
  EXPECT_EQ(F("[h]:mm:ss", 1 + t), "37:05:09");
  EXPECT_EQ(F("hh:mm:ss", datetime::EncodeTime(0, 0, 59, 999)), "00:01:00");  // rounds, never :60
  EXPECT_EQ(F("dd/mm/yyyy", datetime::EncodeDate(2024, 2, 29)), "29/02/2024");
  EXPECT_EQ(F("d mmm yy", datetime::EncodeDate(2024, 2, 9)), "9 Feb 24");
  EXPECT_EQ(F("h:mm AM/PM", datetime::EncodeTime(15, 30, 0, 0)), "3:30 PM");
  EXPECT_EQ(F("mm:ss.0", datetime::EncodeTime(0, 1, 2, 340)), "01:02.3");
}

// Before 1899-12-30 the whole days count back and the fraction is still the time of day; outside
// years 1 to 9999 there is no date to show.
TEST(NumberFormat, DatesBeforeTheEpochFollowTheDateRule) {
  EXPECT_EQ(F("yyyy-mm-dd", -1), "1899-12-29");
  EXPECT_EQ(F("yyyy-mm-dd hh:mm", -1.25), "1899-12-29 06:00");
  EXPECT_EQ(F("yyyy-mm-dd hh:mm", -0.5), "1899-12-30 12:00");
  EXPECT_EQ(F("dd/mm/yyyy", -693593), "01/01/0001");
  EXPECT_EQ(F("yyyy-mm-dd hh:mm:ss", -1.0 - 0.9999999999), "1899-12-30 00:00:00");  // rounds to midnight
  EXPECT_EQ(F("yyyy-mm-dd", datetime::EncodeDate(1850, 7, 4)), "1850-07-04");
  EXPECT_EQ(F("yyyy-mm-dd;\"before\" yyyy-mm-dd", -1), "before 1899-12-29");
  EXPECT_EQ(F("yyyy-mm-dd", -693594), "#NUM!");
  EXPECT_EQ(F("yyyy-mm-dd", -1e300), "#NUM!");
  EXPECT_EQ(F("yyyy-mm-dd", 2958466), "#NUM!");  // after 9999-12-31
  EXPECT_EQ(F("dd/mm/yyyy", 2958465), "31/12/9999");
  EXPECT_EQ(F("[h]:mm", -1.5), "-36:00");  // a duration keeps its sign
}

}  // namespace

TEST(NumberFormat, ConditionsPickTheirSection) {
  EXPECT_EQ(F("[>100]\"big \"0;[<10]\"small \"0.0;\"mid \"0", 150), "big 150");
  EXPECT_EQ(F("[>100]\"big \"0;[<10]\"small \"0.0;\"mid \"0", 5), "small 5.0");
  EXPECT_EQ(F("[>100]\"big \"0;[<10]\"small \"0.0;\"mid \"0", 50), "mid 50");
  EXPECT_EQ(F("[<10]\"small \"0.0;\"mid \"0", -3), "-small 3.0") << "the minus leads, as without conditions";
  EXPECT_EQ(F("[Red][<=-1]0.00;[Blue]0", -2), "-2.00");
  EXPECT_EQ(F("[Red][<=-1]0.00;[Blue]0", 7), "7");
}

TEST(NumberFormat, FractionsPaddingAndScaling) {
  EXPECT_EQ(F("# ?/?", 1.5), "1 1/2");
  EXPECT_EQ(F("# ?/?", 0.75), " 3/4");
  EXPECT_EQ(F("# ?/?", 3), "3    ");
  EXPECT_EQ(F("# ?/?", 0), "0");
  EXPECT_EQ(F("# ??/??", 2.3333333), "2  1/3 ");
  EXPECT_EQ(F("# ??/??", -0.3125), "-  5/16");
  EXPECT_EQ(F("?/8", 0.3), "2/8");
  EXPECT_EQ(F("# ?/4", 1.74), "1 3/4");
  EXPECT_EQ(F("?/?", 1.5), "3/2");
  // '?' holds a place with a space, so columns of numbers line up on the point.
  EXPECT_EQ(F("???.??", 1.5), "  1.5 ");
  EXPECT_EQ(F("0.0?", 2.5), "2.5 ");
  EXPECT_EQ(F("0.0#", 2.5), "2.5");
  // Trailing commas scale by a thousand each; a comma between placeholders groups.
  EXPECT_EQ(F("0,", 12345), "12");
  EXPECT_EQ(F("0.0,,", 1234567), "1.2");
  EXPECT_EQ(F("#,##0,\" k\"", 1234567), "1,235 k");
  EXPECT_EQ(F("#,##0", 1234567), "1,234,567");
}

TEST(NumberFormat, OneLetterMorningAndAfternoon) {
  EXPECT_EQ(F("h:mm a/p", 0.25), "6:00 a");
  EXPECT_EQ(F("h:mm A/P", 0.75), "6:00 P");
  EXPECT_EQ(F("hh:mm AM/PM", 0.75), "06:00 PM");
}
