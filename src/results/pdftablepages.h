#pragma once
// The lab report's table pages written as PDF page contents directly, in the standard Courier
// fonts every PDF reader has (nothing embedded), one text object a page with a row a line: a few
// bytes a row where a general-purpose PDF painter positions every glyph on its own. The text stays
// text (selectable, searchable). Only for text the fonts' encoding holds (CanWrite); the pages are
// added to a finished report with TPdfUpdate.

#include <memory>
#include <vector>

#include <QByteArray>
#include <QRectF>
#include <QSizeF>

#include "results/ireporttablepages.h"

struct TReportRun;
struct z_stream_s;
class TPdfUpdate;

class TPdfTablePages : public IReportTablePages {
 public:
  // Pages of `pageSize` points, drawn inside `area` (points from the page's top left).
  TPdfTablePages(const QSizeF& pageSize, const QRectF& area);
  ~TPdfTablePages() override;
  TPdfTablePages(const TPdfTablePages&) = delete;
  TPdfTablePages& operator=(const TPdfTablePages&) = delete;

  // Whether the fonts have every character of the text, or of the run's name, titles and cells.
  static bool CanWrite(const QString& text);
  static bool CanWrite(const TReportRun& run);

  // Pages started from now on go before the report's page `index`.
  void SetPosition(int index) { FPosition = index; }
  int Pages() const { return static_cast<int>(FPages.size()); }
  // Adds every page to the report, each where it was positioned.
  void AddTo(TPdfUpdate& report);

  double CharWidth() const override;
  double Width() const override { return FArea.width(); }
  double TitleWidth(const QString& text) const override;
  QString ElideTitle(const QString& text, double width) const override;
  bool NewPage() override;
  void Heading(const QString& text) override;
  void Titles(const std::vector<QStringList>& lines, const std::vector<double>& left) override;
  bool RowFits() const override;
  void Row(const QString& line) override;
  void Note(const QString& text) override;

 private:
  // Text in the fonts' encoding as a PDF string, `( ... )`.
  void String(const QString& text);
  void Number(double value);
  // A line of text with its baseline `baseline` below the area's top.
  void Line(const char* font, double size, double x, double baseline, const QString& text);
  void EndRows();
  void FinishPage();

  struct TPage {
    int Position;
    bool Packed;
    QByteArray Contents;
  };
  QSizeF FPageSize;
  QRectF FArea;
  int FPosition = 0;
  std::vector<TPage> FPages;
  QByteArray FContents;  // of the page being drawn
  // One compressor for every page: set up and dropped for each, its buffers (a quarter megabyte)
  // would grow and shrink the heap a page at a time.
  std::unique_ptr<z_stream_s> FZip;
  bool FZipReady = false;
  QByteArray FPacked;  // the compressor's output, kept for the next page
  bool FOpen = false, FInRows = false;
  double FY = 0;
};
