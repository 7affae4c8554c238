#pragma once
// Where a run's table of the lab report is drawn: pages with a heading, column titles and rows of
// fixed-width text, all measured from the top of the page's printable area. TReportTable lays the
// table out and drives it; one implementation paints through Qt's PDF writer, one writes the page
// contents itself.

#include <vector>

#include <QString>
#include <QStringList>

class IReportTablePages {
 public:
  virtual ~IReportTablePages() = default;
  // Of a cell character (every cell character is as wide) and of the printable area.
  virtual double CharWidth() const = 0;
  virtual double Width() const = 0;
  // What a title line takes across, and the line cut with an ellipsis to fit `width`.
  virtual double TitleWidth(const QString& text) const = 0;
  virtual QString ElideTitle(const QString& text, double width) const = 0;
  // Starts a page, drawing from its top. False when the page could not be added.
  virtual bool NewPage() = 0;
  // The run's name over its table.
  virtual void Heading(const QString& text) = 0;
  // Each column's title lines at `left` (column i at left[i]), bottom-aligned so units line up,
  // and a rule under them.
  virtual void Titles(const std::vector<QStringList>& lines, const std::vector<double>& left) = 0;
  // Whether one more row fits on this page, and the row as one line of text.
  virtual bool RowFits() const = 0;
  virtual void Row(const QString& line) = 0;
  // A line of ordinary text, e.g. that a run has no samples.
  virtual void Note(const QString& text) = 0;
};
