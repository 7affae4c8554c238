#pragma once
// Formula functions, Statistics: spread (STDEV, VAR and their population forms), MEDIAN, LARGE, SMALL, SUMSQ, SUMPRODUCT, and counts, sums and averages of the cells meeting conditions (COUNTIF, SUMIF, AVERAGEIF and their several-condition forms).

#include <span>

#include "workbook/model/formulafunctions.h"

class TStatisticsFunctions {
 public:
  static std::span<const TFamilyFunction> Functions();
};
