#include "workbook/model/datetimefunctions.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QDate>

#include "platform/iclock.h"
#include "platform/services.h"
#include "workbook/model/functionargs.h"

namespace {
using A = TFunctionArgs;

const QDate kEpoch(1899, 12, 30);  // serial day 0

// The serial of a date, #NUM! before the epoch.
void SetDate(const QDate& d, TCellValue& result) {
  if (!d.isValid()) return A::SetError(TCellError::Num, result);
  const qint64 days = kEpoch.daysTo(d);
  if (days < 0) return A::SetError(TCellError::Num, result);
  A::SetNumber(static_cast<double>(days), result);
}

// The date of a serial argument; false (with #NUM! for a negative or huge one) when it is not one.
bool DateOf(const TCellValue& v, QDate& d, TCellValue& result) {
  double x = 0;
  if (!A::Number(v, x, result)) return false;
  if (x < 0 || x > 2958465) { A::SetError(TCellError::Num, result); return false; }  // past 9999-12-31
  d = kEpoch.addDays(static_cast<qint64>(std::floor(x)));
  return true;
}

// Whole seconds into the day: 23:59:59.9 is still 23 h 59 min 59 s, but a time that misses a whole
// second only by binary representation (TIME(1,2,3)) counts as that second.
bool SecondsOf(const TCellValue& v, long long& s, TCellValue& result) {
  double x = 0;
  if (!A::Number(v, x, result)) return false;
  if (x < 0) { A::SetError(TCellError::Num, result); return false; }
  const double t = (x - std::floor(x)) * 86400.0;
  const double r = std::round(t);
  s = static_cast<long long>(std::abs(t - r) < 1e-6 ? r : std::floor(t)) % 86400;
  return true;
}

// DATE(year, month, day): months and days past their end roll over into the next ones; years
// below 1900 are counted from 1900.
void Date(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  long long y = 0, m = 0, d = 0;
  if (!A::Integer(args[0], y, result) || !A::Integer(args[1], m, result) || !A::Integer(args[2], d, result)) return;
  if (y < 0 || y > 9999) return A::SetError(TCellError::Num, result);
  if (y < 1900) y += 1900;
  SetDate(QDate(static_cast<int>(y), 1, 1).addMonths(static_cast<int>(m - 1)).addDays(d - 1), result);
}

void Time(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  long long h = 0, m = 0, s = 0;
  if (!A::Integer(args[0], h, result) || !A::Integer(args[1], m, result) || !A::Integer(args[2], s, result)) return;
  const double seconds = static_cast<double>(h) * 3600 + static_cast<double>(m) * 60 + static_cast<double>(s);
  if (seconds < 0) return A::SetError(TCellError::Num, result);
  A::SetNumber(std::fmod(seconds, 86400.0) / 86400.0, result);
}

enum class TPart { Year, Month, Day, Hour, Minute, Second };
void Part(std::span<TCellValue> args, TCellValue& result, TPart part) {
  if (part == TPart::Year || part == TPart::Month || part == TPart::Day) {
    QDate d;
    if (!DateOf(args[0], d, result)) return;
    return A::SetNumber(part == TPart::Year ? d.year() : part == TPart::Month ? d.month() : d.day(), result);
  }
  long long s = 0;
  if (!SecondsOf(args[0], s, result)) return;
  A::SetNumber(static_cast<double>(part == TPart::Hour ? s / 3600 : part == TPart::Minute ? s / 60 % 60 : s % 60),
               result);
}
void Year(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { Part(a, r, TPart::Year); }
void Month(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { Part(a, r, TPart::Month); }
void Day(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { Part(a, r, TPart::Day); }
void Hour(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { Part(a, r, TPart::Hour); }
void Minute(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { Part(a, r, TPart::Minute); }
void Second(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { Part(a, r, TPart::Second); }

// WEEKDAY(serial[, type]): type 1 counts Sunday = 1, type 2 Monday = 1, type 3 Monday = 0.
void Weekday(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  QDate d;
  long long type = 1;
  if (!DateOf(args[0], d, result)) return;
  if (args.size() > 1 && !A::Integer(args[1], type, result)) return;
  const int iso = d.dayOfWeek();  // Monday = 1 .. Sunday = 7
  switch (type) {
    case 1: return A::SetNumber(iso % 7 + 1, result);
    case 2: return A::SetNumber(iso, result);
    case 3: return A::SetNumber(iso - 1, result);
    default: return A::SetError(TCellError::Num, result);
  }
}

void Today(std::span<TCellValue>, const ICellSource&, TCellValue& result) {
  A::SetNumber(std::floor(TServices::Clock().Now()), result);
}

void Days(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  QDate end, start;
  if (!DateOf(args[0], end, result) || !DateOf(args[1], start, result)) return;
  A::SetNumber(static_cast<double>(start.daysTo(end)), result);
}

// DAYS360(start, end[, european]): months of 30 days. The US method moves a start on the 31st
// or on the last day of February to the 30th, and an end on the 31st to the 30th when the start
// is then the 30th; the European method moves every 31st to the 30th.
void Days360(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  QDate a, b;
  bool european = false;
  TCellError err = TCellError::None;
  if (!DateOf(args[0], a, result) || !DateOf(args[1], b, result)) return;
  if (args.size() > 2 && !TFormulaEvaluator::ToBool(args[2], european, err)) return A::SetError(err, result);
  int d1 = a.day(), d2 = b.day();
  if (european) {
    d1 = std::min(d1, 30);
    d2 = std::min(d2, 30);
  } else {
    const bool lastFeb1 = a.month() == 2 && d1 == a.daysInMonth();
    const bool lastFeb2 = b.month() == 2 && d2 == b.daysInMonth();
    if (lastFeb1 && lastFeb2) d2 = 30;
    if (lastFeb1 || d1 == 31) d1 = 30;
    if (d1 == 30 && d2 == 31) d2 = 30;
  }
  A::SetNumber((b.year() - a.year()) * 360.0 + (b.month() - a.month()) * 30.0 + (d2 - d1), result);
}

// EDATE: the same day some months on (the month's last day when it is shorter); EOMONTH: the last
// day of the month some months on.
void MonthsOn(std::span<TCellValue> args, TCellValue& result, bool endOfMonth) {
  QDate d;
  long long months = 0;
  if (!DateOf(args[0], d, result) || !A::Integer(args[1], months, result)) return;
  if (months > 120000 || months < -120000) return A::SetError(TCellError::Num, result);
  QDate on = d.addMonths(static_cast<int>(months));
  if (endOfMonth) on = QDate(on.year(), on.month(), on.daysInMonth());
  SetDate(on, result);
}
void EDate(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { MonthsOn(a, r, false); }
void EOMonth(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { MonthsOn(a, r, true); }

// The holiday serials of NETWORKDAYS and WORKDAY's last argument.
bool Holidays(std::span<TCellValue> args, std::size_t at, const ICellSource& cells, std::vector<qint64>& out, TCellValue& result) {
  if (args.size() <= at) return true;
  const TCellError err = A::EachNumber(args.subspan(at, 1), cells, false, [&](double x) { out.push_back(static_cast<qint64>(std::floor(x))); });
  if (err != TCellError::None) { A::SetError(err, result); return false; }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());  // a day listed twice is one holiday
  return true;
}

bool IsWorkday(const QDate& d, const std::vector<qint64>& holidays) {
  return d.dayOfWeek() <= 5 && !std::binary_search(holidays.begin(), holidays.end(), kEpoch.daysTo(d));
}

// NETWORKDAYS(start, end[, holidays]): Mondays to Fridays from start to end, both counted, less
// holidays; negative when end comes first.
void NetworkDays(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  QDate from, to;
  std::vector<qint64> holidays;
  if (!DateOf(args[0], from, result) || !DateOf(args[1], to, result) || !Holidays(args, 2, cells, holidays, result)) return;
  const int sign = from <= to ? 1 : -1;
  if (sign < 0) std::swap(from, to);
  const qint64 days = from.daysTo(to) + 1;
  qint64 count = days / 7 * 5;
  for (QDate d = from.addDays(days / 7 * 7); d <= to; d = d.addDays(1))
    if (d.dayOfWeek() <= 5) ++count;
  for (qint64 h : holidays) {
    const QDate d = kEpoch.addDays(h);
    if (d >= from && d <= to && d.dayOfWeek() <= 5) --count;
  }
  A::SetNumber(static_cast<double>(sign * count), result);
}

// WORKDAY(start, days[, holidays]): the date that many workdays after (before, when negative) start.
void Workday(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  QDate d;
  long long n = 0;
  std::vector<qint64> holidays;
  if (!DateOf(args[0], d, result) || !A::Integer(args[1], n, result) || !Holidays(args, 2, cells, holidays, result)) return;
  if (n > 3000000 || n < -3000000) return A::SetError(TCellError::Num, result);
  const int step = n >= 0 ? 1 : -1;
  for (long long left = n >= 0 ? n : -n; left > 0;) {
    d = d.addDays(step);
    if (IsWorkday(d, holidays)) --left;
  }
  SetDate(d, result);
}

const TFamilyFunction kFunctions[] = {
    {"NETWORKDAYS", 2, 3, NetworkDays}, {"WORKDAY", 2, 3, Workday},
    {"DATE", 3, 3, Date},       {"TIME", 3, 3, Time},       {"YEAR", 1, 1, Year},
    {"MONTH", 1, 1, Month},     {"DAY", 1, 1, Day},         {"HOUR", 1, 1, Hour},
    {"MINUTE", 1, 1, Minute},   {"SECOND", 1, 1, Second},   {"WEEKDAY", 1, 2, Weekday},
    {"TODAY", 0, 0, Today, true}, {"DAYS", 2, 2, Days},     {"DAYS360", 2, 3, Days360},
    {"EDATE", 2, 2, EDate},     {"EOMONTH", 2, 2, EOMonth},
};
}  // namespace

std::span<const TFamilyFunction> TDateTimeFunctions::Functions() { return kFunctions; }
