#include "platform/datetime.h"

#include <cmath>
#include <stdexcept>

namespace datetime {

namespace {
const QDate kEpoch(1899, 12, 30);
}

TDateTime EncodeDate(int year, int month, int day) {
  const QDate d(year, month, day);
  if (!d.isValid()) throw std::invalid_argument("invalid date");
  return static_cast<double>(kEpoch.daysTo(d));
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
    throw std::invalid_argument("invalid time");
  return ((hour * 3600.0 + min * 60.0 + sec) * 1000.0 + msec) / MSecsPerDay;
}

TTimeParts DecodeTime(TDateTime value) {
  const double frac = std::fabs(value - std::trunc(value));
  long long ms = std::llround(frac * MSecsPerDay);
  if (ms >= static_cast<long long>(MSecsPerDay)) ms = static_cast<long long>(MSecsPerDay) - 1;
  TTimeParts p{};
  p.hour = static_cast<int>(ms / 3600000);
  p.min = static_cast<int>(ms / 60000 % 60);
  p.sec = static_cast<int>(ms / 1000 % 60);
  p.msec = static_cast<int>(ms % 1000);
  return p;
}

TDateTime FromQDateTime(const QDateTime& dt) {
  const QDateTime local = dt.toLocalTime();
  const QTime t = local.time();
  return kEpoch.daysTo(local.date()) + t.msecsSinceStartOfDay() / MSecsPerDay;
}

QDateTime ToQDateTime(TDateTime value) {
  const double days = std::floor(value);
  const long long ms = std::llround((value - days) * MSecsPerDay);
  return QDateTime(kEpoch.addDays(static_cast<qint64>(days)), QTime(0, 0)).addMSecs(ms);
}

}  // namespace datetime
