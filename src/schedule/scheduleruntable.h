#pragma once
// The run table of one output: for every slot the time its value ends, counted from the start of
// scheduling, and the value. Values change in steps; after the last slot the output is 0.

#include <cstdint>
#include <vector>

#include <QString>
#include <QStringList>

#include "schedule/schedule.h"

struct TTimeObject {
  std::int64_t EndMs = 0;       // the slot's end in milliseconds from the start
  QString FDsHsMsSsMilsFormat;  // the end as "hh nn ss (zzz)"
  float FvalSingle = 0;         // the slot's value
};

class TScheduleRunTable {
 public:
  // Builds from the editor's slot rows. An incremental schedule's times are durations, added up;
  // a continuous one's are already counted from the start. A schedule whose interval mode is not
  // known, or a slot time that cannot be converted, gives no table and the reason (naming the
  // slot) in `why`.
  bool Build(const QStringList& slotRows, TTimePointMode mode, QString* why = nullptr);

  // The value at `elapsedMs` from the start and the 1-based slot giving it (0 when none: the
  // schedule has run out, or there is no table; the value is then 0).
  double ValueAt(double elapsedMs, int* slotRow = nullptr) const;

  const std::vector<TTimeObject>& Slots() const { return FSlots; }
  bool Empty() const { return FSlots.empty(); }
  // The table's rows as "<ms> ms=<value>" texts.
  QStringList Rows() const;

 private:
  std::vector<TTimeObject> FSlots;
};
