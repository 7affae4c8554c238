#pragma once
// Formula functions, Lookup and reference at run time: ROW, COLUMN, INDIRECT, OFFSET, XLOOKUP.

#include <span>

#include "workbook/model/formulafunctions.h"

class TReferenceFunctions {
 public:
  static std::span<const TFamilyFunction> Functions();
};
