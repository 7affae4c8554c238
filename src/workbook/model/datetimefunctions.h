#pragma once
// Formula functions, Dates and times as serial days since 1899-12-30 (the fraction is the time of day): DATE, TIME, YEAR, MONTH, DAY, HOUR, MINUTE, SECOND, WEEKDAY, TODAY, DAYS, DAYS360, EDATE, EOMONTH.

#include <span>

#include "workbook/model/formulafunctions.h"

class TDateTimeFunctions {
 public:
  static std::span<const TFamilyFunction> Functions();
};
