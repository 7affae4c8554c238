#pragma once
// Formula functions, Text: FIND, SEARCH, SUBSTITUTE, REPLACE, REPT, EXACT, PROPER, CHAR, CODE (LEFT, MID, LEN and the like are with the basic functions).

#include <span>

#include "workbook/model/formulafunctions.h"

class TTextFunctions {
 public:
  static std::span<const TFamilyFunction> Functions();
};
