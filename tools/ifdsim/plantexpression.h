#pragma once
// A small arithmetic expression over named plant variables ("0.8*AO0 + 20", "DO3", "AI0 > 500"),
// compiled once to a postfix program so evaluating it on every plant step costs little.
// Operators: + - * / ^, comparisons < <= > >= == != (giving 1 or 0), parentheses; functions
// min, max, abs, sqrt, exp, sin, cos, clamp(x, lo, hi), if(c, a, b). Names are case-insensitive.

#include <QList>
#include <QString>
#include <functional>

class TPlantExpression {
 public:
  // Maps a name (upper case) to a variable index, or -1 when the name is unknown.
  using TResolver = std::function<int(const QString& name)>;
  using TValues = std::function<double(int index)>;

  bool Parse(const QString& text, const TResolver& resolve, QString* error);
  // Non-finite results (a division by zero, the root of a negative number) come back as NaN;
  // the caller decides what to keep.
  double Evaluate(const TValues& values) const;
  bool IsEmpty() const { return FProgram.isEmpty(); }

 private:
  enum class TOp { Const, Var, Neg, Add, Sub, Mul, Div, Pow, Lt, Le, Gt, Ge, Eq, Ne, Call };
  struct TStep {
    TOp Op;
    double Value = 0;
    int Index = 0;  // variable index, or function id for Call
    int Args = 0;
  };
  struct TParser;

  QList<TStep> FProgram;
};
