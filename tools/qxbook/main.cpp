// qxbook: checks and converts workbooks from the command line.
//   qxbook dump FILE         every non-empty cell with its formula, value and format
//   qxbook eval FILE         "Sheet!A1<TAB>shown value" for every non-empty cell, as our engine computes it
//   qxbook convert IN OUT    writes IN in the format OUT's extension names (.vts .xlsx .txt .csv)
//   qxbook functions         the formula functions the engine knows, one a line
//   qxbook fit FILE X Y MODEL  a curve fitted to two columns of the first sheet: each parameter with
//                            its standard error, R² and the residual SD, one a line
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QCoreApplication>
#include <QStringList>

#include "analysis/curvefit.h"
#include "platform/largepages.h"
#include "workbook/formats/workbookfile.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/formulafunctions.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

namespace {

void Print(const QString& line) {
  const QByteArray bytes = line.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
  std::fputc('\n', stdout);
}

// What was printed reached its destination: a full disk or a closed pipe is a failure, not success.
int Finished() {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "qxbook: cannot write the output: %s\n", std::strerror(errno ? errno : EIO));
    return 1;
  }
  return 0;
}

constexpr const char* kUsage =
    "usage: qxbook dump FILE | qxbook eval FILE | qxbook convert IN OUT | qxbook functions\n"
    "       qxbook fit FILE XCOL YCOL MODEL\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

int Help() {
  std::fputs(kUsage, stdout);
  std::fputs("Checks and converts workbooks (.vts, .xlsx, .ods, .txt, .csv; read by content).\n"
             "  dump FILE         every non-empty cell with its formula, value and format\n"
             "  eval FILE         every non-empty cell as the engine computes and shows it\n"
             "  convert IN OUT    writes IN in the format OUT's extension names (.vts .xlsx .txt .csv)\n"
             "  functions         the formula functions the engine knows, one a line\n"
             "  fit FILE XCOL YCOL MODEL\n"
             "                    fits MODEL (linear, poly2..poly5, exp, power, log, origin) to the\n"
             "                    first sheet's columns XCOL, YCOL (by letter or by the title in row 1)\n"
             "                    and prints each parameter +/- its standard error, R2 and the residual SD\n"
             "  --help, --version\n",
             stdout);
  return Finished();
}

QString OneLine(QString text) {
  return text.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\t'), QStringLiteral("\\t"))
      .replace(QLatin1Char('\n'), QStringLiteral("\\n")).replace(QLatin1Char('\r'), QStringLiteral("\\r"));
}

// Calls visit(sheet index, row, col) for each non-empty cell in sheet, row, column order.
template <typename Visit>
void EachCell(TWorkbook& book, Visit visit) {
  for (int s = 1; s <= book.NumSheets(); ++s) {
    book.SetSheet(s);
    const TSheet& sheet = book.SheetAt(s);
    sheet.ForEachCell([&](int r, int c, const TCell& cell) {
      if (cell.Kind != TCellKind::Empty) visit(s, r, c);
    });
  }
}

QString Where(const TWorkbook& book, int s, int r, int c) {
  return a1::QuoteSheetName(book.SheetName(s)) + QLatin1Char('!') + a1::CellName(r, c);
}

// A column named by its letters ("B", "ab") or by its title in row 1 of the current sheet; 0 none.
int ColumnOf(const TWorkbook& book, const QString& name) {
  const QString wanted = name.trimmed();
  for (int c = 1; c <= book.MaxCol(); ++c)
    if (book.TextRC(1, c).trimmed().compare(wanted, Qt::CaseInsensitive) == 0) return c;
  int column = 0;
  for (const QChar ch : wanted.toUpper()) {
    if (ch < QLatin1Char('A') || ch > QLatin1Char('Z') || column > 100000) return 0;
    column = column * 26 + (ch.unicode() - 'A' + 1);
  }
  return column;
}

// The rows below the titles where both columns hold numbers; a row with either cell empty or text
// is left out, as the graph leaves it out.
int Fit(TWorkbook& book, const QStringList& args) {
  const auto model = TFitModel::Parse(args[4]);
  if (!model) {
    std::fprintf(stderr, "qxbook: %s: unknown model (use %s)\n", qPrintable(args[4]),
                 qPrintable(TFitModel::Names().join(QStringLiteral(", "))));
    return 2;
  }
  book.Read(args[1]);
  book.SetSheet(1);
  const int xc = ColumnOf(book, args[2]), yc = ColumnOf(book, args[3]);
  for (const auto& [column, name] : {std::pair{xc, args[2]}, std::pair{yc, args[3]}})
    if (column == 0) {
      std::fprintf(stderr, "qxbook: %s: no such column (give its letter or its title)\n", qPrintable(name));
      return 2;
    }
  std::vector<double> x, y;
  for (int r = 2; r <= book.MaxRow(); ++r) {
    const TCellValue a = book.ValueRC(r, xc), b = book.ValueRC(r, yc);
    if (a.Kind != TValueKind::Number || b.Kind != TValueKind::Number) continue;
    x.push_back(a.Num);
    y.push_back(b.Num);
  }
  try {
    for (const QString& line : TCurveFit::Fit(*model, x, y).Lines()) Print(line);
  } catch (const EFitError& e) {
    std::fprintf(stderr, "qxbook: %s\n", qPrintable(e.Message()));
    return 1;
  }
  return Finished();
}

}  // namespace

int main(int argc, char** argv) {
  TLargePages::Adopt(argv);
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) return Help();
  if (args.size() == 1 && (args[0] == QLatin1String("--version") || args[0] == QLatin1String("-v"))) {
    std::puts("qxbook " QUORLEX_VERSION);
    return Finished();
  }
  if (args.size() == 1 && args[0] == QLatin1String("functions")) {
    for (const QString& name : TFormulaFunctions::Names()) Print(name);
    return Finished();
  }
  if (args.size() < 2) return Usage();
  const QString command = args[0];
  try {
    TWorkbook book;
    if (command == QLatin1String("dump") && args.size() == 2) {
      for (const QString& note : book.Read(args[1])) std::fprintf(stderr, "qxbook: %s\n", qPrintable(note));
      for (int s = 1; s <= book.NumSheets(); ++s) {
        book.SetSheet(s);
        Print(QStringLiteral("sheet %1: %2 rows x %3 columns").arg(a1::QuoteSheetName(book.SheetName(s))).arg(book.MaxRow()).arg(book.MaxCol()));
        for (int c = 1; c <= book.MaxCol(); ++c)
          if (!book.ColText(c).isEmpty()) Print(QStringLiteral("  heading %1: %2").arg(a1::ColumnName(c), OneLine(book.ColText(c))));
      }
      EachCell(book, [&](int s, int r, int c) {
        QString line = Where(book, s, r, c) + QLatin1Char('\t') + OneLine(book.EntryRC(r, c));
        if (!book.FormulaRC(r, c).isEmpty()) line += QStringLiteral("\t-> ") + OneLine(book.TextRC(r, c));
        if (book.NumberFormatRC(r, c) != QLatin1String("General")) line += QStringLiteral("\t[") + book.NumberFormatRC(r, c) + QLatin1Char(']');
        const TCell* cell = book.SheetAt(s).Find(r, c);
        if (const TFormula* code = cell ? book.FormulaCode(*cell) : nullptr; code && code->Kept)
          line += code->ArrayRows > 0 ? QStringLiteral("\t(array formula, not recalculated: the value saved with the file)")
                                      : QStringLiteral("\t(not recalculated: the value saved with the file)");
        else if (code && code->ArrayRows > 0)
          line += QStringLiteral("\t(array formula filling %1:%2)")
                      .arg(a1::CellName(r, c), a1::CellName(r + code->ArrayRows - 1, c + std::max(code->ArrayCols, 1) - 1));
        Print(line);
      });
      return Finished();
    }
    if (command == QLatin1String("eval") && args.size() == 2) {
      book.Read(args[1]);
      EachCell(book, [&](int s, int r, int c) { Print(Where(book, s, r, c) + QLatin1Char('\t') + OneLine(book.FormattedTextRC(r, c))); });
      return Finished();
    }
    if (command == QLatin1String("convert") && args.size() == 3) {
      const std::int16_t type = TWorkbookFile::TypeForExtension(args[2]);
      if (type == 0) {
        std::fprintf(stderr, "qxbook: %s: unknown extension (use .vts, .xlsx, .txt or .csv)\n", qPrintable(args[2]));
        return 2;
      }
      for (const QString& note : book.Read(args[1])) std::fprintf(stderr, "qxbook: %s\n", qPrintable(note));
      for (const QString& change : book.Write(args[2], type)) std::fprintf(stderr, "qxbook: %s: %s\n", qPrintable(args[2]), qPrintable(change));
      return 0;
    }
    if (command == QLatin1String("fit") && args.size() == 5) return Fit(book, args);
    return Usage();
  } catch (const EWorkbookError& e) {
    std::fprintf(stderr, "qxbook: %s\n", e.what());
    return 1;
  }
}
