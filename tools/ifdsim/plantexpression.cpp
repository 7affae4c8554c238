#include "plantexpression.h"

#include <QVarLengthArray>
#include <algorithm>
#include <initializer_list>
#include <cmath>

namespace {
struct TFunction {
  const char* Name;
  int MinArgs;
  int MaxArgs;
};
// Call steps refer to this table by index.
const TFunction kFunctions[] = {{"MIN", 2, 16}, {"MAX", 2, 16}, {"ABS", 1, 1},   {"SQRT", 1, 1},
                                {"EXP", 1, 1},  {"SIN", 1, 1},  {"COS", 1, 1},   {"CLAMP", 3, 3},
                                {"IF", 3, 3}};
constexpr int kFunctionCount = sizeof(kFunctions) / sizeof(kFunctions[0]);
}  // namespace

struct TPlantExpression::TParser {
  const QString& Text;
  const TResolver& Resolve;
  QList<TStep>& Out;
  int Pos = 0;
  QString Error;

  void Blank() {
    while (Pos < Text.size() && Text[Pos].isSpace()) ++Pos;
  }
  bool Take(const char* token) {
    Blank();
    const QString t = QString::fromLatin1(token);
    if (!Text.mid(Pos).startsWith(t)) return false;
    Pos += t.size();
    return true;
  }
  bool Fail(const QString& what) {
    if (Error.isEmpty()) Error = QStringLiteral("%1 at position %2 of \"%3\"").arg(what).arg(Pos + 1).arg(Text);
    return false;
  }
  void Emit(TOp op, double value = 0, int index = 0, int args = 0) { Out.append({op, value, index, args}); }

  bool Comparison() {
    if (!Sum()) return false;
    static const struct {
      const char* Token;
      TOp Op;
    } ops[] = {{"<=", TOp::Le}, {">=", TOp::Ge}, {"==", TOp::Eq}, {"!=", TOp::Ne}, {"<", TOp::Lt}, {">", TOp::Gt}};
    for (const auto& o : ops)
      if (Take(o.Token)) {
        if (!Sum()) return false;
        Emit(o.Op);
        return true;
      }
    return true;
  }
  // A left-associative chain of one precedence level: operand (op operand)*.
  bool Chain(bool (TParser::*operand)(), std::initializer_list<std::pair<const char*, TOp>> ops) {
    if (!(this->*operand)()) return false;
    for (;;) {
      const auto it = std::find_if(ops.begin(), ops.end(), [this](const auto& o) { return Take(o.first); });
      if (it == ops.end()) return true;
      if (!(this->*operand)()) return false;
      Emit(it->second);
    }
  }
  bool Sum() { return Chain(&TParser::Product, {{"+", TOp::Add}, {"-", TOp::Sub}}); }
  bool Product() { return Chain(&TParser::Unary, {{"*", TOp::Mul}, {"/", TOp::Div}}); }
  bool Unary() {
    if (Take("-")) {
      if (!Unary()) return false;
      Emit(TOp::Neg);
      return true;
    }
    if (Take("+")) return Unary();
    if (!Primary()) return false;
    if (Take("^")) {
      if (!Unary()) return false;
      Emit(TOp::Pow);
    }
    return true;
  }
  bool Primary() {
    Blank();
    if (Pos >= Text.size()) return Fail(QStringLiteral("value missing"));
    if (Take("(")) {
      if (!Comparison()) return false;
      return Take(")") ? true : Fail(QStringLiteral("\")\" missing"));
    }
    const QChar c = Text[Pos];
    if (c.isDigit() || c == u'.') {
      int end = Pos;
      while (end < Text.size() && (Text[end].isDigit() || Text[end] == u'.')) ++end;
      if (end < Text.size() && (Text[end] == u'e' || Text[end] == u'E')) {
        int e = end + 1;
        if (e < Text.size() && (Text[e] == u'+' || Text[e] == u'-')) ++e;
        if (e < Text.size() && Text[e].isDigit()) {
          end = e;
          while (end < Text.size() && Text[end].isDigit()) ++end;
        }
      }
      bool ok = false;
      const double v = Text.mid(Pos, end - Pos).toDouble(&ok);
      if (!ok) return Fail(QStringLiteral("bad number"));
      Pos = end;
      Emit(TOp::Const, v);
      return true;
    }
    if (c.isLetter() || c == u'_') {
      int end = Pos;
      while (end < Text.size() && (Text[end].isLetterOrNumber() || Text[end] == u'_')) ++end;
      const QString name = Text.mid(Pos, end - Pos).toUpper();
      Pos = end;
      if (Take("(")) return Call(name);
      const int index = Resolve(name);
      if (index < 0) {
        Pos -= name.size();
        return Fail(QStringLiteral("unknown name \"%1\"").arg(name));
      }
      Emit(TOp::Var, 0, index);
      return true;
    }
    return Fail(QStringLiteral("unexpected \"%1\"").arg(c));
  }
  bool Call(const QString& name) {
    int id = -1;
    for (int i = 0; i < kFunctionCount; ++i)
      if (name == QLatin1String(kFunctions[i].Name)) id = i;
    if (id < 0) return Fail(QStringLiteral("unknown function \"%1\"").arg(name));
    int args = 0;
    if (!Take(")")) {
      do {
        if (!Comparison()) return false;
        ++args;
      } while (Take(","));
      if (!Take(")")) return Fail(QStringLiteral("\")\" missing"));
    }
    if (args < kFunctions[id].MinArgs || args > kFunctions[id].MaxArgs)
      return Fail(QStringLiteral("wrong number of arguments for %1").arg(name));
    Emit(TOp::Call, 0, id, args);
    return true;
  }
};

bool TPlantExpression::Parse(const QString& text, const TResolver& resolve, QString* error) {
  FProgram.clear();
  TParser p{text, resolve, FProgram, 0, {}};
  bool ok = p.Comparison();
  p.Blank();
  if (ok && p.Pos < text.size()) ok = p.Fail(QStringLiteral("unexpected \"%1\"").arg(text[p.Pos]));
  if (!ok) {
    FProgram.clear();
    *error = p.Error;
  }
  return ok;
}

static double CallFunction(int id, const double* a, int n) {
  switch (id) {
    case 0:
    case 1: {
      double r = a[0];
      for (int i = 1; i < n; ++i) r = id == 0 ? std::min(r, a[i]) : std::max(r, a[i]);
      return r;
    }
    case 2: return std::fabs(a[0]);
    case 3: return std::sqrt(a[0]);
    case 4: return std::exp(a[0]);
    case 5: return std::sin(a[0]);
    case 6: return std::cos(a[0]);
    case 7: return std::clamp(a[0], std::min(a[1], a[2]), std::max(a[1], a[2]));
    default: return a[0] != 0 ? a[1] : a[2];
  }
}

double TPlantExpression::Evaluate(const TValues& values) const {
  QVarLengthArray<double, 32> stack;
  for (const TStep& s : FProgram) {
    if (s.Op == TOp::Const) {
      stack.append(s.Value);
      continue;
    }
    if (s.Op == TOp::Var) {
      stack.append(values(s.Index));
      continue;
    }
    if (s.Op == TOp::Neg) {
      stack.back() = -stack.back();
      continue;
    }
    if (s.Op == TOp::Call) {
      const qsizetype base = stack.size() - s.Args;
      const double r = CallFunction(s.Index, stack.data() + base, s.Args);
      stack.resize(base);
      stack.append(r);
      continue;
    }
    const double b = stack.back();
    stack.removeLast();
    double& a = stack.back();
    switch (s.Op) {
      case TOp::Add: a += b; break;
      case TOp::Sub: a -= b; break;
      case TOp::Mul: a *= b; break;
      case TOp::Div: a = b == 0 ? NAN : a / b; break;
      case TOp::Pow: a = std::pow(a, b); break;
      case TOp::Lt: a = a < b; break;
      case TOp::Le: a = a <= b; break;
      case TOp::Gt: a = a > b; break;
      case TOp::Ge: a = a >= b; break;
      case TOp::Eq: a = a == b; break;
      case TOp::Ne: a = a != b; break;
      default: break;
    }
  }
  if (stack.isEmpty()) return 0;
  return std::isfinite(stack.back()) ? stack.back() : NAN;
}
