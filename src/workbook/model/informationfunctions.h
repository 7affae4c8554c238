#pragma once
// Formula functions, Information and choice: ISNA, ISERR, ISLOGICAL, NA, T, N, TYPE, ERROR.TYPE, IFS, SWITCH.

#include <span>

#include "workbook/model/formulafunctions.h"

class TInformationFunctions {
 public:
  static std::span<const TFamilyFunction> Functions();
};
