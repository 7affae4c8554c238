#pragma once
// A number format code as spreadsheets write them ("0.00", "#,##0.00", "0%", "0.00E+00",
// "hh:mm:ss", "[h]:mm:ss", "dd/mm/yyyy", "@", "\"lit\"0", "0.0;(0.0);\"zero\"", "[>100]0;0.0", "# ?/?",
// "0.0,," (thousands scaling), "h:mm a/p") parsed once and
// applied to values. Digits are rounded from the exact binary value with ties to even, the rule
// the whole program uses; the decimal point is always ".".

#include <vector>

#include <QString>

#include "workbook/model/cellvalue.h"

class TNumberFormat {
 public:
  explicit TNumberFormat(const QString& code = QString());

  QString Code() const { return FCode; }
  // True when the format shows a calendar date (a year, month or day) for some value.
  bool ShowsDates() const;
  QString Format(const TCellValue& value) const;
  QString Format(double value) const;

  // General: up to 11 significant digits; numbers from 1E+11 on and below 1E-9 in exponent form.
  static QString General(double value);

 private:
  enum class TTok { Literal, Digit, Dot, Comma, Percent, Exp, At, General, Year, Month, MonthName, Day,
                    WeekDay, Hour, Minute, Second, ElapsedHour, ElapsedMinute, ElapsedSecond, AmPm };
  struct TToken { TTok Kind; QString Text; int Width = 0; bool Flag = false; };
  struct TSection {
    std::vector<TToken> Tokens;
    bool IsDate = false;      // any date or time code
    bool IsCalendar = false;  // a year, month or day code: the value is a moment, not a duration
    bool HasText = false;
    bool HasCond = false;     // "[>100]": used for the values that meet the condition
    QString CondOp;
    double CondValue = 0;
    bool Meets(double v) const;
  };

  static TSection ParseSection(const QString& code);
  QString FormatNumberSection(const TSection& s, double v, bool autoMinus) const;
  QString FormatDateSection(const TSection& s, double v) const;
  // "# ?/?", "?/8": a whole part (if any) and a fraction of at most that many digits, or of that
  // denominator. -1 when the section is no fraction.
  static int FractionSlash(const TSection& s);
  QString FormatFractionSection(const TSection& s, int slash, double v, bool autoMinus) const;
  const TSection* PickSection(double& v, bool& autoMinus) const;

  QString FCode;
  bool FGeneral = true;
  std::vector<TSection> FSections;
};
