#pragma once
// Formula functions, Lookup and reference: INDEX, MATCH, HLOOKUP, ROWS, COLUMNS (VLOOKUP is with the basic functions).

#include <span>

#include "workbook/model/formulafunctions.h"

class TLookupFunctions {
 public:
  static std::span<const TFamilyFunction> Functions();
};
