#pragma once
// Formula functions, Number bases and hyperbolic functions: HEX2DEC, DEC2HEX, BIN2DEC, ..., SINH, ..., ATANH.

#include <span>

#include "workbook/model/formulafunctions.h"

class TEngineeringFunctions {
 public:
  static std::span<const TFamilyFunction> Functions();
};
