#include "workbook/model/statisticsfunctions.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "workbook/model/functionargs.h"
#include "workbook/model/subtotalcells.h"

namespace {
using A = TFunctionArgs;

// The numbers of the arguments, or the first error met.
bool Collect(std::span<TCellValue> args, const ICellSource& cells, std::vector<double>& out, TCellValue& result) {
  const TCellError err = A::EachNumber(args, cells, false, [&](double x) { out.push_back(x); });
  if (err == TCellError::None) return true;
  A::SetError(err, result);
  return false;
}

// Sum of squared deviations over (n - ddof).
void Variance(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result, int ddof, bool root) {
  std::vector<double> v;
  if (!Collect(args, cells, v, result)) return;
  if (static_cast<int>(v.size()) <= ddof || v.empty()) return A::SetError(TCellError::Div0, result);
  double mean = 0;
  for (double x : v) mean += x;
  mean /= static_cast<double>(v.size());
  double ss = 0;
  for (double x : v) ss += (x - mean) * (x - mean);
  const double var = ss / static_cast<double>(static_cast<int>(v.size()) - ddof);
  A::SetNumber(root ? std::sqrt(var) : var, result);
}

void StDev(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Variance(a, c, r, 1, true); }
void StDevP(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Variance(a, c, r, 0, true); }
void Var(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Variance(a, c, r, 1, false); }
void VarP(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Variance(a, c, r, 0, false); }

void Median(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  std::vector<double> v;
  if (!Collect(args, cells, v, result)) return;
  if (v.empty()) return A::SetError(TCellError::Num, result);
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  A::SetNumber(n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2, result);
}

void Ranked(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result, bool largest) {
  std::vector<double> v;
  long long k = 0;
  if (!Collect(args.first(1), cells, v, result) || !A::Integer(args[1], k, result)) return;
  if (k < 1 || k > static_cast<long long>(v.size())) return A::SetError(TCellError::Num, result);
  std::sort(v.begin(), v.end());
  A::SetNumber(largest ? v[v.size() - static_cast<std::size_t>(k)] : v[static_cast<std::size_t>(k - 1)], result);
}
void Large(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Ranked(a, c, r, true); }
void Small(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Ranked(a, c, r, false); }

void SumSq(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  double sum = 0;
  const TCellError err = A::EachNumber(args, cells, false, [&](double x) { sum += x * x; });
  if (err != TCellError::None) return A::SetError(err, result);
  A::SetNumber(sum, result);
}

// The cell of a range argument at an offset from its top-left corner; a plain value stands for a
// one-cell range.
void CellAt(const TCellValue& arg, int dRow, int dCol, const ICellSource& cells, TCellValue& out) {
  if (arg.Kind != TValueKind::Range) { out = arg; return; }
  cells.ReadCell(arg.Range.SheetId, arg.Range.Row1 + dRow, arg.Range.Col1 + dCol, out);
  out.FromRef = true;
}

// Rows and columns of a set of equally shaped ranges that hold data: A:A over a 20-row sheet is
// 20 rows, 3:3 over a 14-column sheet 14 columns.
std::pair<int, int> UsedExtent(std::span<TCellValue> ranges, const ICellSource& cells) {
  if (ranges.empty() || ranges[0].Kind != TValueKind::Range) return {1, 1};
  int rows = 0, cols = 0;
  for (const TCellValue& a : ranges) {
    if (a.Kind != TValueKind::Range) { rows = std::max(rows, 1); cols = std::max(cols, 1); continue; }
    TRangeRef r = a.Range;
    if (!cells.ClipRange(r)) continue;
    rows = std::max(rows, std::min(r.Row2, a.Range.Row2) - a.Range.Row1 + 1);
    cols = std::max(cols, std::min(r.Col2, a.Range.Col2) - a.Range.Col1 + 1);
  }
  return {std::min(rows, A::Rows(ranges[0].Range)), std::min(cols, A::Cols(ranges[0].Range))};
}

bool SameShape(std::span<TCellValue> args) {
  auto shape = [](const TCellValue& v) {
    return v.Kind == TValueKind::Range ? std::pair(A::Rows(v.Range), A::Cols(v.Range)) : std::pair(1, 1);
  };
  for (const TCellValue& a : args)
    if (shape(a) != shape(args[0])) return false;
  return true;
}

void SumProduct(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  for (const TCellValue& a : args)
    if (a.IsError()) { result = a; return; }
  if (!SameShape(args)) return A::SetError(TCellError::Value, result);
  const auto [rows, cols] = UsedExtent(args, cells);
  double sum = 0;
  TCellValue cell;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      double p = 1;
      for (const TCellValue& a : args) {
        CellAt(a, r, c, cells, cell);
        if (cell.IsError()) { result = cell; return; }
        p *= cell.Kind == TValueKind::Number || (!cell.FromRef && cell.Kind == TValueKind::Bool) ? cell.Num : 0;
      }
      sum += p;
    }
  A::SetNumber(sum, result);
}

// A condition such as 5, ">=2", "<>x", "ab*" as COUNTIF and its relatives take it.
class TCriterion {
 public:
  explicit TCriterion(const TCellValue& v) {
    if (v.Kind == TValueKind::Bool) {
      FBoolean = true;
      FNumber = v.Num;
      return;
    }
    if (v.Kind != TValueKind::Text) {
      FNumeric = true;
      FNumber = v.Kind == TValueKind::Empty ? 0 : v.Num;
      return;
    }
    QString s = v.Str;
    for (const char* op : {"<=", ">=", "<>", "<", ">", "="})
      if (s.startsWith(QLatin1String(op))) {
        FOp = QLatin1String(op);
        s = s.mid(FOp.size());
        break;
      }
    double x = 0;
    TCellError err = TCellError::None;
    // "TRUE" and "FALSE" (">FALSE" too) stand for the booleans, which are neither numbers nor texts.
    if (s.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0 || s.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) {
      FBoolean = true;
      FNumber = s.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0 ? 1 : 0;
    } else if (!s.isEmpty() && TFormulaEvaluator::ToNumber(TCellValue::Text(s), x, err)) {
      FNumeric = true;
      FNumber = x;
    } else {
      FText = s;
    }
  }

  bool Matches(const TCellValue& cell) const {
    if (FBoolean) {
      if (cell.Kind != TValueKind::Bool) return FOp == QLatin1String("<>");
      return Test(cell.Num == FNumber ? 0 : cell.Num < FNumber ? -1 : 1);
    }
    if (FNumeric) {
      if (cell.Kind != TValueKind::Number) return FOp == QLatin1String("<>");
      return Test(TFormulaEvaluator::ApproxEqual(cell.Num, FNumber) ? 0 : cell.Num < FNumber ? -1 : 1);
    }
    const bool empty = cell.Kind == TValueKind::Empty || (cell.Kind == TValueKind::Text && cell.Str.isEmpty());
    if (FText.isEmpty()) return FOp == QLatin1String("<>") ? !empty : empty && FOp != QLatin1String("<") && FOp != QLatin1String(">");
    if (FOp == QLatin1String("=") || FOp == QLatin1String("<>")) {
      const bool same = cell.Kind == TValueKind::Text && A::WildcardMatch(FText, cell.Str, false) == 0;
      return FOp == QLatin1String("=") ? same : !same;
    }
    if (cell.Kind != TValueKind::Text) return false;
    return Test(cell.Str.compare(FText, Qt::CaseInsensitive));
  }

 private:
  bool Test(int c) const {
    if (FOp == QLatin1String("<")) return c < 0;
    if (FOp == QLatin1String(">")) return c > 0;
    if (FOp == QLatin1String("<=")) return c <= 0;
    if (FOp == QLatin1String(">=")) return c >= 0;
    if (FOp == QLatin1String("<>")) return c != 0;
    return c == 0;
  }
  QString FOp = QStringLiteral("=");
  bool FNumeric = false, FBoolean = false;
  double FNumber = 0;
  QString FText;
};

// The cells meeting every (range, criterion) pair; each gives its offset in the ranges to use(),
// or false when the arguments do not fit together.
template <typename Use>
bool EachMatch(std::span<TCellValue> pairs, const TCellValue* target, const ICellSource& cells, TCellValue& result,
               Use use) {
  std::vector<TCellValue> shapes;
  for (std::size_t i = 0; i < pairs.size(); i += 2) {
    if (pairs[i].Kind != TValueKind::Range) { A::SetError(pairs[i].IsError() ? pairs[i].Err : TCellError::Value, result); return false; }
    if (pairs[i + 1].IsError()) { result = pairs[i + 1]; return false; }
    shapes.push_back(pairs[i]);
  }
  if (target) {
    if (target->Kind != TValueKind::Range) { A::SetError(TCellError::Value, result); return false; }
    shapes.push_back(*target);
  }
  if (!SameShape(shapes)) { A::SetError(TCellError::Value, result); return false; }
  std::vector<TCriterion> criteria;
  for (std::size_t i = 1; i < pairs.size(); i += 2) criteria.emplace_back(pairs[i]);
  const auto [rows, cols] = UsedExtent(shapes, cells);
  TCellValue cell;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      bool all = true;
      for (std::size_t k = 0; k < criteria.size() && all; ++k) {
        CellAt(pairs[2 * k], r, c, cells, cell);
        all = criteria[k].Matches(cell);
      }
      if (all) use(r, c);
    }
  return true;
}

// COUNTIF/COUNTIFS, SUMIF/SUMIFS and AVERAGEIF/AVERAGEIFS: the first form takes (range,
// criterion[, values]), the second (values, range, criterion, ...).
enum class TCondKind { Count, Sum, Average };
void Conditional(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result, TCondKind kind, bool many) {
  std::span<TCellValue> pairs = args;
  const TCellValue* values = nullptr;
  if (many && kind != TCondKind::Count) {
    values = &args[0];
    pairs = args.subspan(1);
  } else if (!many && args.size() > 2) {
    values = &args[2];
    pairs = args.first(2);
  }
  if (pairs.size() % 2) return A::SetError(TCellError::Value, result);
  // SUMIF(range, crit, values): the values range takes the criterion range's shape from its corner.
  TCellValue shaped;
  if (values && !many && values->Kind == TValueKind::Range && pairs[0].Kind == TValueKind::Range) {
    shaped = *values;
    shaped.Range.Row2 = shaped.Range.Row1 + A::Rows(pairs[0].Range) - 1;
    shaped.Range.Col2 = shaped.Range.Col1 + A::Cols(pairs[0].Range) - 1;
    values = &shaped;
  }
  const TCellValue& source = values ? *values : pairs[0];
  double sum = 0;
  long long count = 0;
  TCellValue cell;
  TCellError err = TCellError::None;
  const bool ok = EachMatch(pairs, values, cells, result, [&](int r, int c) {
    if (kind == TCondKind::Count) { ++count; return; }
    CellAt(source, r, c, cells, cell);
    if (cell.IsError() && err == TCellError::None) err = cell.Err;
    if (cell.Kind == TValueKind::Number) { sum += cell.Num; ++count; }
  });
  if (!ok) return;
  if (err != TCellError::None) return A::SetError(err, result);
  switch (kind) {
    case TCondKind::Count: return A::SetNumber(static_cast<double>(count), result);
    case TCondKind::Sum: return A::SetNumber(sum, result);
    case TCondKind::Average:
      if (count == 0) return A::SetError(TCellError::Div0, result);
      return A::SetNumber(sum / static_cast<double>(count), result);
  }
}
void CountIf(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Conditional(a, c, r, TCondKind::Count, false); }
void CountIfs(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Conditional(a, c, r, TCondKind::Count, true); }
void SumIf(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Conditional(a, c, r, TCondKind::Sum, false); }
void SumIfs(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Conditional(a, c, r, TCondKind::Sum, true); }
void AverageIf(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Conditional(a, c, r, TCondKind::Average, false); }
void AverageIfs(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Conditional(a, c, r, TCondKind::Average, true); }

void CountBlank(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  if (args[0].Kind != TValueKind::Range) {
    const bool blank = args[0].Kind == TValueKind::Empty || (args[0].Kind == TValueKind::Text && args[0].Str.isEmpty());
    return A::SetNumber(blank ? 1 : 0, result);
  }
  const TRangeRef& r = args[0].Range;
  double filled = 0;
  A::EachCell(r, cells, [&](int, int, const TCellValue& cell) {
    if (!(cell.Kind == TValueKind::Empty || (cell.Kind == TValueKind::Text && cell.Str.isEmpty()))) ++filled;
    return true;
  });
  A::SetNumber(static_cast<double>(A::Rows(r)) * A::Cols(r) - filled, result);
}

// MODE(numbers...): the value met most often, the earliest of equals; #N/A when none repeats.
double ModeOf(const std::vector<double>& v, bool& found) {
  std::vector<double> sorted(v);
  std::sort(sorted.begin(), sorted.end());
  std::size_t best = 1;
  double mode = 0;
  found = false;
  for (double x : v) {
    const auto [lo, hi] = std::equal_range(sorted.begin(), sorted.end(), x);
    const auto n = static_cast<std::size_t>(hi - lo);
    if (n > best) { best = n; mode = x; found = true; }
  }
  return mode;
}
void Mode(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  std::vector<double> v;
  if (!Collect(args, cells, v, result)) return;
  bool found = false;
  const double mode = ModeOf(v, found);
  if (!found) return A::SetError(TCellError::NA, result);
  A::SetNumber(mode, result);
}

// AVEDEV (mean absolute deviation) and DEVSQ (sum of squared deviations) about the mean.
void Deviation(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result, bool squared) {
  std::vector<double> v;
  if (!Collect(args, cells, v, result)) return;
  if (v.empty()) return A::SetError(TCellError::Num, result);
  double mean = 0;
  for (double x : v) mean += x;
  mean /= static_cast<double>(v.size());
  double sum = 0;
  for (double x : v) sum += squared ? (x - mean) * (x - mean) : std::fabs(x - mean);
  A::SetNumber(squared ? sum : sum / static_cast<double>(v.size()), result);
}
void AveDev(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Deviation(a, c, r, false); }
void DevSq(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Deviation(a, c, r, true); }

// MAXIFS/MINIFS(values, range, criterion, ...): 0 when no number matches.
void Extreme(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result, bool largest) {
  std::span<TCellValue> pairs = args.subspan(1);
  if (pairs.size() % 2) return A::SetError(TCellError::Value, result);
  double best = 0;
  bool any = false;
  TCellValue cell;
  TCellError err = TCellError::None;
  const bool ok = EachMatch(pairs, &args[0], cells, result, [&](int r, int c) {
    CellAt(args[0], r, c, cells, cell);
    if (cell.IsError() && err == TCellError::None) err = cell.Err;
    if (cell.Kind != TValueKind::Number) return;
    if (!any || (largest ? cell.Num > best : cell.Num < best)) best = cell.Num;
    any = true;
  });
  if (!ok) return;
  if (err != TCellError::None) return A::SetError(err, result);
  A::SetNumber(best, result);
}
void MaxIfs(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Extreme(a, c, r, true); }
void MinIfs(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Extreme(a, c, r, false); }

// The k-th percentile of sorted numbers, inclusive (k in 0..1) or exclusive (k in 1/(n+1)..n/(n+1)).
bool Percentile(std::vector<double> v, double k, bool exclusive, double& out) {
  if (v.empty()) return false;
  std::sort(v.begin(), v.end());
  const double n = static_cast<double>(v.size());
  double pos = exclusive ? (n + 1) * k - 1 : (n - 1) * k;
  if (k < 0 || k > 1 || pos < 0 || pos > n - 1) return false;
  const auto i = static_cast<std::size_t>(std::floor(pos));
  const double frac = pos - static_cast<double>(i);
  out = i + 1 < v.size() ? v[i] + frac * (v[i + 1] - v[i]) : v[i];
  return true;
}

// SUBTOTAL(function, refs...) and AGGREGATE(function, options, refs...[, k]): the function by its
// number over the references. AGGREGATE's options 2, 3, 6 and 7 pass over error values; the others
// (hidden rows) change nothing here, since sheets hide no rows. Both pass over cells that are
// themselves such totals (AGGREGATE with options 0 to 3). References, lone cells included, arrive
// as ranges so that such a cell is seen.
constexpr const char* kSubtotalNames[] = {"AVERAGE", "COUNT", "COUNTA", "MAX", "MIN", "PRODUCT", "STDEV.S", "STDEV.P",
                                          "SUM", "VAR.S", "VAR.P", "MEDIAN", "MODE"};
void Subtotal(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  const TSubtotalCells totals(cells);
  totals.Value(args[0]);
  long long fn = 0;
  if (!A::Integer(args[0], fn, result)) return;
  if (fn > 100) fn -= 100;
  if (fn < 1 || fn > 11) return A::SetError(TCellError::Value, result);
  const TFormulaFunctions::TInfo* info = TFormulaFunctions::Find(QLatin1String(kSubtotalNames[fn - 1]));
  TFormulaFunctions::Call(info->Id, args.subspan(1), totals, result);
}

void Aggregate(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  const TSubtotalCells totals(cells);
  totals.Value(args[0]);
  totals.Value(args[1]);
  long long fn = 0, options = 0;
  if (!A::Integer(args[0], fn, result) || !A::Integer(args[1], options, result)) return;
  if (fn < 1 || fn > 19 || options < 0 || options > 7) return A::SetError(TCellError::Value, result);
  const bool skipErrors = options == 2 || options == 3 || options == 6 || options == 7;
  const ICellSource& seen = options <= 3 ? static_cast<const ICellSource&>(totals) : cells;
  std::span<TCellValue> refs = args.subspan(2);
  double k = 0;
  if (fn >= 14) {
    if (refs.size() < 2) return A::SetError(TCellError::Value, result);
    totals.Value(refs.back());
    if (!A::Number(refs.back(), k, result)) return;
    refs = refs.first(refs.size() - 1);
  }
  std::vector<double> v;
  const TCellError err = A::EachNumber(refs, seen, skipErrors, [&](double x) { v.push_back(x); });
  if (err != TCellError::None) return A::SetError(err, result);
  if (fn <= 13) {
    // The numbers, passed as typed values, to the function of that number.
    std::vector<TCellValue> values;
    values.reserve(v.size());
    for (double x : v) values.push_back(TCellValue::Number(x));
    if (values.empty()) values.emplace_back();
    const TFormulaFunctions::TInfo* info = TFormulaFunctions::Find(QLatin1String(kSubtotalNames[fn - 1]));
    return TFormulaFunctions::Call(info->Id, values, cells, result);
  }
  double out = 0;
  bool ok = false;
  if (fn == 14 || fn == 15) {
    const long long rank = static_cast<long long>(std::ceil(k));
    ok = rank >= 1 && rank <= static_cast<long long>(v.size());
    if (ok) {
      std::sort(v.begin(), v.end());
      out = fn == 14 ? v[v.size() - static_cast<std::size_t>(rank)] : v[static_cast<std::size_t>(rank - 1)];
    }
  } else {
    const bool quartile = fn == 17 || fn == 19;
    const double q = quartile ? std::trunc(k) / 4 : k;
    ok = (!quartile || (k >= 0 && k <= 4)) && Percentile(v, q, fn >= 18, out);
  }
  if (!ok) return A::SetError(TCellError::Num, result);
  A::SetNumber(out, result);
}

constexpr int kMany = 255;
const TFamilyFunction kFunctions[] = {
    {"MODE", 1, kMany, Mode},        {"MODE.SNGL", 1, kMany, Mode},     {"AVEDEV", 1, kMany, AveDev},
    {"DEVSQ", 1, kMany, DevSq},      {"MAXIFS", 3, kMany, MaxIfs},      {"MINIFS", 3, kMany, MinIfs},
    {"SUBTOTAL", 2, kMany, Subtotal, false, true}, {"AGGREGATE", 3, kMany, Aggregate, false, true},
    {"STDEV", 1, kMany, StDev},      {"STDEV.S", 1, kMany, StDev},      {"STDEVP", 1, kMany, StDevP},
    {"STDEV.P", 1, kMany, StDevP},   {"VAR", 1, kMany, Var},            {"VAR.S", 1, kMany, Var},
    {"VARP", 1, kMany, VarP},        {"VAR.P", 1, kMany, VarP},         {"MEDIAN", 1, kMany, Median},
    {"LARGE", 2, 2, Large},          {"SMALL", 2, 2, Small},            {"SUMSQ", 1, kMany, SumSq},
    {"SUMPRODUCT", 1, kMany, SumProduct}, {"COUNTIF", 2, 2, CountIf},  {"COUNTIFS", 2, kMany, CountIfs},
    {"SUMIF", 2, 3, SumIf},          {"SUMIFS", 3, kMany, SumIfs},      {"AVERAGEIF", 2, 3, AverageIf},
    {"AVERAGEIFS", 3, kMany, AverageIfs}, {"COUNTBLANK", 1, 1, CountBlank},
};
}  // namespace

std::span<const TFamilyFunction> TStatisticsFunctions::Functions() { return kFunctions; }
