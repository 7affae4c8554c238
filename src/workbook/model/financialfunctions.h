#pragma once
// Formula functions, Financial: FV, PV, PMT, NPER, RATE, NPV.

#include <span>

#include "workbook/model/formulafunctions.h"

class TFinancialFunctions {
 public:
  static std::span<const TFamilyFunction> Functions();
};
