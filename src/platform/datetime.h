#pragma once
// TDateTime: days since 1899-12-30 as a double, the fraction being the time of day. This is the
// spreadsheet serial date, so times written into sheets and formatted there need no conversion.

#include <QDateTime>

using TDateTime = double;

namespace datetime {

constexpr double MSecsPerDay = 86400000.0;
constexpr double SecsPerDay = 86400.0;

// Whole days of a calendar date; throws std::invalid_argument for an impossible date.
TDateTime EncodeDate(int year, int month, int day);
// Fraction of a day; throws std::invalid_argument for out-of-range fields.
TDateTime EncodeTime(int hour, int min, int sec, int msec);

struct TTimeParts { int hour, min, sec, msec; };
// Time of day of a value, rounded to the nearest millisecond.
TTimeParts DecodeTime(TDateTime value);

TDateTime FromQDateTime(const QDateTime& dt);  // local wall-clock time
QDateTime ToQDateTime(TDateTime value);

}  // namespace datetime
