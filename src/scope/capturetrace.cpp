#include "scope/capturetrace.h"

#include <cmath>

#include "workbook/model/workbook.h"

namespace {
TCellValue At(const TWorkbook& book, int sheet, int row, int col) {
  const TSheet& s = book.SheetAt(sheet);
  const TCell* cell = s.Find(row, col);
  return cell ? book.CellValue(s, *cell) : TCellValue{};
}
bool Fail(QString* why, const QString& text) {
  if (why) *why = text;
  return false;
}
}  // namespace

void TCaptureTrace::SplitTitle(const QString& title, QString* name, QString* units) {
  const QString t = title.trimmed();
  const qsizetype open = t.lastIndexOf(QLatin1Char('('));
  if (t.endsWith(QLatin1Char(')')) && open > 0) {
    *name = t.left(open).trimmed();
    *units = t.mid(open + 1, t.size() - open - 2).trimmed();
  } else {
    *name = t;
    units->clear();
  }
}

bool TCaptureTrace::Read(const TWorkbook& book, int sheet, QString* why) {
  Channels.clear();
  Interval = 0;
  if (sheet < 1 || sheet > book.NumSheets()) return Fail(why, QStringLiteral("there is no such run"));
  Title = book.SheetName(sheet);
  if (At(book, sheet, 1, 2).Str.trimmed() != QLatin1String("Time (s)"))
    return Fail(why, QStringLiteral("\"%1\" is not a capture: it has no \"Time (s)\" column").arg(Title));
  int rows = 0;
  while (At(book, sheet, rows + 2, 2).Kind == TValueKind::Number) ++rows;
  if (rows < 2) return Fail(why, QStringLiteral("\"%1\" holds fewer than two samples").arg(Title));
  const double first = At(book, sheet, 2, 2).Num, last = At(book, sheet, rows + 1, 2).Num;
  Interval = (last - first) / (rows - 1);
  if (!(Interval > 0)) return Fail(why, QStringLiteral("the times of \"%1\" do not go forward").arg(Title));
  // Evenly spaced, or the spectrum and the frequencies would be wrong.
  for (int r = 3; r <= rows + 1; ++r) {
    const double step = At(book, sheet, r, 2).Num - At(book, sheet, r - 1, 2).Num;
    if (std::fabs(step - Interval) > 1e-6 * Interval + 1e-12)
      return Fail(why, QStringLiteral("the samples of \"%1\" are not evenly spaced (row %2)").arg(Title).arg(r));
  }
  for (int c = 3;; ++c) {
    const TCellValue head = At(book, sheet, 1, c);
    if (head.Kind != TValueKind::Text || head.Str.trimmed().isEmpty()) break;
    TChannel channel;
    SplitTitle(head.Str, &channel.Name, &channel.Units);
    channel.Values.reserve(static_cast<std::size_t>(rows));
    for (int r = 2; r <= rows + 1; ++r) {
      const TCellValue v = At(book, sheet, r, c);
      if (v.Kind != TValueKind::Number)
        return Fail(why, QStringLiteral("\"%1\" has no reading in row %2 of \"%3\"").arg(Title).arg(r).arg(channel.Name));
      channel.Values.push_back(v.Num);
    }
    Channels.push_back(std::move(channel));
  }
  if (Channels.empty()) return Fail(why, QStringLiteral("\"%1\" has no channel columns").arg(Title));
  return true;
}
