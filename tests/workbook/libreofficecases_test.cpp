// Our formula results against LibreOffice Calc's on the same sheet: cases of our own, with the
// results LibreOffice gave kept beside them (formula_cases_libreoffice.txt).
#include <gtest/gtest.h>

#include <cmath>

#include <QFile>

#include "platform/numbers.h"
#include "qstringprinter.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"

namespace {
const QString kCases = QStringLiteral(QUORLEX_SOURCE_DIR "/tests/workbook/formula_cases_libreoffice.txt");

// Empty when they agree, else what differs.
QString Disagreement(const TCellValue& ours, const QString& theirs) {
  if (theirs.startsWith(QLatin1Char('#'))) {
    if (ours.IsError() && ours.ToText() == theirs) return {};
  } else if (const auto n = numbers::ParseTypedNumber(theirs); n && !theirs.isEmpty()) {
    // LibreOffice writes 15 significant digits; booleans come as 1 and 0.
    if ((ours.Kind == TValueKind::Number || ours.Kind == TValueKind::Bool) &&
        std::abs(ours.Num - *n) <= 1e-13 * std::max(1.0, std::abs(*n)))
      return {};
  } else if (ours.Kind == TValueKind::Text && ours.Str == theirs) {
    return {};
  }
  return QStringLiteral("ours %1, LibreOffice %2").arg(ours.Kind == TValueKind::Number ? numbers::FloatToStr(ours.Num) : ours.ToText() + (ours.Kind == TValueKind::Text ? ours.Str : QString()), theirs);
}
}  // namespace

TEST(LibreOfficeCases, EveryCaseGivesLibreOfficesResult) {
  QFile file(kCases);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
  TWorkbook book;
  struct TCase { int Row, Col; QString Formula, Result; };
  std::vector<TCase> cases;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).chopped(1);
    if (line.startsWith(QLatin1Char('#')) || line.isEmpty()) continue;
    const QStringList f = line.split(QLatin1Char('\t'));
    ASSERT_GE(f.size(), 3) << line.toStdString();
    const auto cell = a1::ParseCellName(f[1]);
    ASSERT_TRUE(cell) << line.toStdString();
    if (f[0] == QLatin1String("data")) {
      if (f[2].isEmpty()) continue;
      if (const auto n = numbers::ParseTypedNumber(f[2])) book.SetNumberRC(cell->Row, cell->Col, *n);
      else book.SetTextRC(cell->Row, cell->Col, f[2]);
    } else {
      ASSERT_EQ(f.size(), 4) << line.toStdString();
      cases.push_back({cell->Row, cell->Col, f[2], f[3]});
    }
  }
  ASSERT_GT(cases.size(), 150u);
  for (const TCase& c : cases) book.SetFormulaRC(c.Row, c.Col, c.Formula);
  int agreed = 0;
  for (const TCase& c : cases) {
    const QString why = Disagreement(book.ValueRC(c.Row, c.Col), c.Result);
    EXPECT_TRUE(why.isEmpty()) << c.Formula.toStdString() << ": " << why.toStdString();
    agreed += why.isEmpty();
  }
  RecordProperty("agreed", agreed);
}
