#include "results/reporttable.h"

#include <algorithm>
#include <cmath>

#include "results/ireporttablepages.h"
#include "results/labreport.h"

// Each column as wide as its longest cell and a gap, at least 8 characters and as wide as the
// longest word of its title, and at most what a line leaves beside the first column; every
// padding blank is a glyph in the PDF, and a long table is mostly glyphs. Bands: the columns that
// fit across a line, each band after the first led by column 0 (the sample number) so its rows
// can be matched up.
TReportTable::TReportTable(const TReportRun& run, const IReportTablePages& pages) : FRun(run) {
  const double charWidth = pages.CharWidth();
  const int lineChars = std::max(20, static_cast<int>((pages.Width() - 4) / charWidth));
  const int columns = std::max<int>(1, static_cast<int>(run.Titles.size()));
  FChars.assign(static_cast<std::size_t>(columns), 8);
  for (const QStringList& row : run.Rows)
    for (int c = 0; c < row.size() && c < columns; ++c)
      FChars[std::size_t(c)] = std::max(FChars[std::size_t(c)], static_cast<int>(row[c].size()) + 2);
  for (int c = 0; c < run.Titles.size() && c < columns; ++c)
    for (const QString& word : run.Titles[c].split(QLatin1Char(' '), Qt::SkipEmptyParts))
      FChars[std::size_t(c)] = std::max(FChars[std::size_t(c)], static_cast<int>(std::ceil((pages.TitleWidth(word) + 4) / charWidth)));
  const int widest = std::max(8, lineChars - (columns > 1 ? FChars[0] : 0));
  for (int& n : FChars) n = std::min(n, widest);
  FChars[0] = std::min(FChars[0], lineChars);
  std::vector<int> band{0};
  int used = FChars[0];
  for (int c = 1; c < columns; ++c) {
    if (used + FChars[std::size_t(c)] > lineChars) {
      FBands.push_back(band);
      band = {0};
      used = FChars[0];
    }
    band.push_back(c);
    used += FChars[std::size_t(c)];
  }
  FBands.push_back(band);
}

qint64 TReportTable::Lines() const {
  return static_cast<qint64>(FRun.Rows.size()) * static_cast<qint64>(FBands.size());
}

bool TReportTable::Write(IReportTablePages& pages, qint64& done, qint64 total, const TProgress& progress,
                         QString* error) const {
  const auto noPage = [error] {
    if (error) *error = QStringLiteral("A page could not be added.");
    return false;
  };
  const double charWidth = pages.CharWidth();
  const int bands = static_cast<int>(FBands.size());
  for (int b = 0; b < bands; ++b) {
    const std::vector<int>& band = FBands[std::size_t(b)];
    if (!pages.NewPage()) return noPage();
    std::vector<double> left{0};
    for (int c : band) left.push_back(left.back() + FChars[std::size_t(c)] * charWidth);
    // The titles wrapped to their columns once for all the band's pages.
    std::vector<QStringList> titleLines;
    for (int c : band) {
      const QString title = c < FRun.Titles.size() ? FRun.Titles[c] : QString();
      const double columnWidth = FChars[std::size_t(c)] * charWidth;
      QStringList lines;
      QString current;
      for (const QString& word : title.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString joined = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
        if (!current.isEmpty() && pages.TitleWidth(joined) > columnWidth - 4) {
          lines << pages.ElideTitle(current, columnWidth - 4);  // a word too long would run into the next title
          current = word;
        } else {
          current = joined;
        }
      }
      if (!current.isEmpty()) lines << pages.ElideTitle(current, columnWidth - 4);
      titleLines.push_back(lines);
    }
    const QString name = bands > 1 ? QStringLiteral("%1, part %2 of %3").arg(FRun.Name).arg(b + 1).arg(bands) : FRun.Name;
    pages.Heading(name);
    pages.Titles(titleLines, left);
    if (FRun.Rows.empty()) pages.Note(QStringLiteral("No samples."));
    QString line;
    line.reserve(static_cast<qsizetype>(left.back() / charWidth) + 1);
    for (const QStringList& row : FRun.Rows) {
      if (!pages.RowFits()) {
        if (progress && !progress(done, total)) {
          if (error) error->clear();
          return false;
        }
        if (!pages.NewPage()) return noPage();
        pages.Heading(name + QStringLiteral(" (continued)"));
        pages.Titles(titleLines, left);
      }
      // One line of fixed-width text a row, each cell padded to its column: drawing the cells one
      // by one is several times slower for tables of thousands of rows, and the line keeps the
      // cells in order when the text is copied out of the PDF.
      line.clear();
      for (int c : band) {
        const QString text = c < row.size() ? row[c] : QString();
        const int n = FChars[std::size_t(c)];
        if (text.size() < n) {
          const qsizetype end = line.size() + n;
          line += text;
          line.resize(end, QLatin1Char(' '));
        } else {
          line += text.left(n - 2) + QStringLiteral("~ ");
        }
      }
      while (line.endsWith(QLatin1Char(' '))) line.chop(1);
      pages.Row(line);
      ++done;
    }
  }
  return true;
}
