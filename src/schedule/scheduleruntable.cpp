#include "schedule/scheduleruntable.h"

#include "platform/numbers.h"
#include "schedule/scheduletime.h"

bool TScheduleRunTable::Build(const QStringList& slotRows, TTimePointMode mode, QString* why) {
  FSlots.clear();
  if (mode == wrong) {
    if (why) *why = QStringLiteral("its interval mode is neither INC nor CON");
    return false;
  }
  std::vector<TTimeObject> built;
  std::int64_t total = 0;
  for (int i = 0; i < slotRows.size(); ++i) {
    QString reason;
    const auto ms = scheduletime::KeyMilliseconds(scheduletime::RowKey(slotRows[i]), &reason);
    if (!ms) {
      if (why) *why = QStringLiteral("slot %1: %2").arg(i + 1).arg(reason);
      return false;
    }
    total = mode == incremental ? total + *ms : *ms;
    TTimeObject t;
    t.EndMs = total;
    const std::int64_t s = total / 1000;
    t.FDsHsMsSsMilsFormat = QStringLiteral("%1 %2 %3 (%4)")
                                .arg(s / 3600, 2, 10, QLatin1Char('0'))
                                .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                                .arg(s % 60, 2, 10, QLatin1Char('0'))
                                .arg(total % 1000, 3, 10, QLatin1Char('0'));
    t.FvalSingle = static_cast<float>(numbers::ParseTypedNumber(scheduletime::RowValue(slotRows[i])).value_or(0));
    built.push_back(std::move(t));
  }
  FSlots = std::move(built);
  return true;
}

double TScheduleRunTable::ValueAt(double elapsedMs, int* slotRow) const {
  for (size_t i = 0; i < FSlots.size(); ++i)
    if (static_cast<double>(FSlots[i].EndMs) > elapsedMs) {
      if (slotRow) *slotRow = static_cast<int>(i) + 1;
      return FSlots[i].FvalSingle;
    }
  if (slotRow) *slotRow = 0;
  return 0;
}

QStringList TScheduleRunTable::Rows() const {
  QStringList rows;
  for (const TTimeObject& t : FSlots)
    rows << QStringLiteral("%1 ms=%2").arg(t.EndMs).arg(numbers::FloatToShortest(t.FvalSingle));
  return rows;
}
