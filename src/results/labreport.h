#pragma once
// The lab report as one PDF: the rig and exercise, the student, the date, the graph with its fits,
// the presentation's questions, a notes box and every run's table, paged with its column titles
// (and so units) repeated on each page. Text is drawn as text, so it can be selected and searched.

#include <functional>
#include <vector>

#include <QPageSize>
#include <QSize>
#include <QString>
#include <QStringList>

class QPainter;

struct TReportRun {
  QString Name;
  QStringList Titles;               // column titles with their units
  std::vector<QStringList> Rows;    // cells as the table shows them
};

struct TReportContent {
  QString Rig, Exercise, Student, When, Notes;
  std::function<void(QPainter& painter, const QSize& size)> Graph;  // none: no graph page
  QStringList Fits;                 // the fits' numbers, one line each
  QStringList Presentation;         // empty when the rig has no questions; lines led by blanks are indented
  std::vector<TReportRun> Runs;
};

class TLabReport {
 public:
  // Told the pages done and the rows written of all; false cancels the report.
  using TProgress = std::function<bool(qint64 rowsDone, qint64 rowsTotal)>;

  // Writes the report to `path` (beside it first, renamed into place). False with `error` set when
  // it cannot be written, and false with an empty `error` when cancelled; either way an older file
  // of that name stays as it was.
  static bool Write(const QString& path, const TReportContent& content, QPageSize::PageSizeId page,
                    const TProgress& progress, QString* error);
  // Letter where the locale's paper is (the United States, Canada and their neighbours), else A4.
  static QPageSize::PageSizeId PageForLocale(const QLocale& locale);
};
