#pragma once
// The built-in functions: their names, argument counts and implementations over evaluated
// arguments. IF and IFERROR are compiled to jumps and never called here.

#include <cstdint>
#include <span>
#include <vector>

#include <QString>
#include <QStringList>

#include "workbook/model/cellvalue.h"

class ICellSource;

enum class TFunc : std::uint16_t {
  Unknown, If, IfError, And, Or, Not, Sum, Average, Min, Max, Count, Abs, Sqrt, Exp, Ln, Log, Log10,
  Power, Pi, Sin, Cos, Tan, Asin, Acos, Atan, Atan2, Degrees, Radians, Int, Round, RoundUp,
  RoundDown, Trunc, Mod, Sign, IsBlank, IsNumber, IsText, IsError, Concatenate, Text, Value, Now,
  Choose, VLookup, True, False, Len, Upper, Lower, Trim, Left, Right, Mid, Counta, Product,
  FirstFamilyFunction = 1000,  // functions of the families below follow, in table order
};

// A function kept with its family in a file of its own, computed from its evaluated arguments.
using TFunctionImpl = void (*)(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result);
struct TFamilyFunction {
  const char* Name;
  int MinArgs, MaxArgs;
  TFunctionImpl Impl;
  bool Volatile = false;  // reads the clock or cells it names at run time: recomputed on every recalculation
  bool RefArgs = false;   // a lone cell argument is passed as a reference (a 1x1 range), not its value
};

class TFormulaFunctions {
 public:
  struct TInfo { TFunc Id; const char* Name; int MinArgs; int MaxArgs; bool Volatile = false; bool RefArgs = false; };
  // The function of that name (any case), or nullptr.
  static const TInfo* Find(const QString& name);
  // Every function's name, in alphabetical order (the documentation's list is made from it).
  static QStringList Names();

  // Computes the function on its arguments (ranges still as ranges) into result.
  static void Call(TFunc f, std::span<TCellValue> args, const ICellSource& cells, TCellValue& result);

 private:
  // The family functions, numbered from FirstFamilyFunction.
  static const std::vector<TFamilyFunction>& Families();
  static const std::vector<TInfo>& FamilyInfos();
};
