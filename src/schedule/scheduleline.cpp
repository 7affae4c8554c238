#include "schedule/scheduleline.h"

namespace scheduleline {

namespace {
const QLatin1String kBegin("nextschedule=begin");
const QLatin1String kStop("nextschedule=stop");

bool IsSeparator(QChar c) { return c == QLatin1Char(',') || c.unicode() <= 0x20; }
}  // namespace

QStringList SplitItems(const QString& line, QString* problem) {
  QStringList items;
  const int n = static_cast<int>(line.size());
  int i = 0;
  while (i < n) {
    while (i < n && IsSeparator(line[i])) ++i;
    if (i >= n) break;
    QString item;
    if (line[i] == QLatin1Char('"')) {
      ++i;
      bool closed = false;
      while (i < n) {
        if (line[i] == QLatin1Char('"')) {
          if (i + 1 < n && line[i + 1] == QLatin1Char('"')) {
            item += QLatin1Char('"');
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        item += line[i++];
      }
      if (!closed && problem && problem->isEmpty())
        *problem = QStringLiteral("the quote opened before \"%1\" is never closed").arg(item.left(40));
    } else {
      while (i < n && !IsSeparator(line[i])) item += line[i++];
    }
    // An empty item ("" or a stray comma) carries nothing.
    if (!item.isEmpty()) items << item;
  }
  return items;
}

TReadResult Read(const QString& line) {
  TReadResult result;
  if (line.trimmed().isEmpty()) {
    result.UsedDefault = true;
    result.Schedules << TSchedule(SplitItems(QLatin1String(TSchedule::DefaultText)));
    return result;
  }
  QString problem;
  const QStringList items = SplitItems(line, &problem);
  if (!problem.isEmpty()) result.Problems << problem;
  QStringList collecting;
  bool stopped = false;
  for (const QString& item : items) {
    if (item == kBegin) {
      result.Schedules << TSchedule(collecting);
      collecting.clear();
    } else if (item == kStop) {
      result.Schedules << TSchedule(collecting);
      stopped = true;
      break;
    } else {
      collecting << item;
    }
  }
  // A line cut short keeps what it has: the items after the last marker are taken as a last
  // schedule rather than lost, and the user is told.
  if (!stopped && !collecting.isEmpty()) {
    result.Schedules << TSchedule(collecting);
    result.Problems << QStringLiteral("the line does not end with \"nextschedule=stop\"");
  }
  return result;
}

QString Compose(const QString& editorText, const QList<TSchedule>& stored) {
  QString text = editorText == QLatin1String(TSchedule::DefaultText) ? QString() : editorText;
  for (const TSchedule& s : stored) {
    if (!text.isEmpty()) text = text.trimmed() + QLatin1Char(' ') + TSchedule::Quoted(kBegin) + QLatin1Char(' ');
    for (const QString& item : s.Items()) text += TSchedule::Quoted(item) + QLatin1Char(' ');
  }
  return (text.trimmed() + QLatin1Char(' ') + TSchedule::Quoted(kStop)).trimmed();
}

}  // namespace scheduleline
