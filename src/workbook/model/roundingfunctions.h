#pragma once
// Formula functions, Rounding to a multiple or an integer: FLOOR, CEILING, MROUND, EVEN, ODD; and FACT.

#include <span>

#include "workbook/model/formulafunctions.h"

class TRoundingFunctions {
 public:
  static std::span<const TFamilyFunction> Functions();
};
