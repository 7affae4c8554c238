#pragma once
// One run's table in the lab report: columns of fixed-width text, in bands of the columns that fit
// across a page, written page by page with the run's name and column titles (and so units) at the
// top of each.

#include <functional>
#include <vector>

#include <QString>

struct TReportRun;
class IReportTablePages;

class TReportTable {
 public:
  // Told the rows written of all; false cancels.
  using TProgress = std::function<bool(qint64 rowsDone, qint64 rowsTotal)>;

  // Laid out for the lines and fonts of `pages`.
  TReportTable(const TReportRun& run, const IReportTablePages& pages);
  // Rows to write: each band writes every row again.
  qint64 Lines() const;
  // Every band on pages of its own. Progress is told at each page break, `done` counting on from
  // where the report was. False with `error` set when a page could not be added, and false with
  // `error` empty when cancelled.
  bool Write(IReportTablePages& pages, qint64& done, qint64 total, const TProgress& progress, QString* error) const;

 private:
  const TReportRun& FRun;
  // Each column's width in characters, and the columns of each band.
  std::vector<int> FChars;
  std::vector<std::vector<int>> FBands;
};
