#include "results/labreport.h"

#include <algorithm>

#include <QBuffer>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>

#include "platform/safesave.h"
#include "results/ireporttablepages.h"
#include "results/pdftablepages.h"
#include "results/pdfupdate.h"
#include "results/reporttable.h"

namespace {

// The page in points (the writer runs at 72 dots per inch), inside 15 mm margins.
class TPages {
 public:
  TPages(QPdfWriter& writer, QPainter& painter) : FWriter(writer), FPainter(painter) {
    const QRect page = writer.pageLayout().paintRectPixels(writer.resolution());
    FArea = QRectF(0, 0, page.width(), page.height());
  }
  const QRectF& Area() const { return FArea; }
  double Y = 0;
  int Count = 1;  // pages begun
  bool NewPage() {
    Y = 0;
    if (!FWriter.newPage()) return false;
    ++Count;
    return true;
  }
  // Room for `height` more on this page, else a new one.
  bool Need(double height) { return Y + height <= FArea.height() || NewPage(); }
  void Text(const QString& text, const QFont& font, int flags = Qt::AlignLeft, double indent = 0) {
    FPainter.setFont(font);
    const QFontMetricsF metrics(font);
    const double width = FArea.width() - indent;
    const QRectF bound = metrics.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap | flags, text);
    Need(bound.height());
    FPainter.drawText(QRectF(indent, Y, width, bound.height()), Qt::TextWordWrap | flags, text);
    Y += bound.height();
  }

 private:
  QPdfWriter& FWriter;
  QPainter& FPainter;
  QRectF FArea;
};

// A run's table painted through the writer, for text the report's own table pages cannot write
// (characters beyond the standard fonts) and for a report the pages cannot be added to.
class TQtTablePages : public IReportTablePages {
 public:
  TQtTablePages(TPages& pages, QPainter& painter, const QFont& heading, const QFont& body, const QFont& cell,
                const QFont& titles)
      : FPages(pages), FPainter(painter), FHeading(heading), FBody(body), FCell(cell), FTitles(titles),
        FCellMetrics(cell), FTitleMetrics(titles) {}
  double CharWidth() const override { return FCellMetrics.horizontalAdvance(QLatin1Char('0')); }
  double Width() const override { return FPages.Area().width(); }
  double TitleWidth(const QString& text) const override { return FTitleMetrics.horizontalAdvance(text); }
  QString ElideTitle(const QString& text, double width) const override {
    return FTitleMetrics.elidedText(text, Qt::ElideRight, width);
  }
  bool NewPage() override { return FPages.NewPage(); }
  void Heading(const QString& text) override {
    FPainter.setPen(Qt::black);
    FPages.Text(text, FHeading);
  }
  void Titles(const std::vector<QStringList>& lines, const std::vector<double>& left) override {
    qsizetype rows = 1;
    for (const QStringList& column : lines) rows = std::max(rows, column.size());
    const double height = rows * FTitleMetrics.height() + 2;
    FPainter.setFont(FTitles);
    for (std::size_t i = 0; i < lines.size() && i < left.size(); ++i) {
      // Bottom-aligned, so the units line up under each other.
      double y = FPages.Y + height - 2 - FTitleMetrics.descent() - (lines[i].size() - 1) * FTitleMetrics.height();
      for (const QString& line : lines[i]) {
        FPainter.drawText(QPointF(left[i] + 2, y), line);
        y += FTitleMetrics.height();
      }
    }
    FPages.Y += height;
    FPainter.drawLine(QPointF(0, FPages.Y), QPointF(Width(), FPages.Y));
    FPages.Y += 2;
    FPainter.setFont(FCell);
  }
  bool RowFits() const override { return FPages.Y + RowHeight() <= FPages.Area().height(); }
  void Row(const QString& line) override {
    FPainter.drawText(QPointF(2, FPages.Y + 1 + FCellMetrics.ascent()), line);
    FPages.Y += RowHeight();
  }
  void Note(const QString& text) override { FPages.Text(text, FBody); }

 private:
  double RowHeight() const { return FCellMetrics.height() + 2; }

  TPages& FPages;
  QPainter& FPainter;
  QFont FHeading, FBody, FCell, FTitles;
  QFontMetricsF FCellMetrics, FTitleMetrics;
};

}  // namespace

QPageSize::PageSizeId TLabReport::PageForLocale(const QLocale& locale) {
  switch (locale.territory()) {
    case QLocale::UnitedStates:
    case QLocale::Canada:
    case QLocale::Mexico:
    case QLocale::Chile:
    case QLocale::Colombia:
    case QLocale::CostaRica:
    case QLocale::Guatemala:
    case QLocale::Panama:
    case QLocale::Philippines:
    case QLocale::PuertoRico:
    case QLocale::Venezuela:
      return QPageSize::Letter;
    default:
      return QPageSize::A4;
  }
}

namespace {

// The report in memory. Tables whose text the standard fonts hold are written as pages of their
// own (`ownTables`) and added to what the painter made; `*refused` is set when they cannot be
// added to it, to write the report again painting every table. False as TLabReport::Write says.
bool Compose(const TReportContent& content, QPageSize::PageSizeId page, const TLabReport::TProgress& progress,
             bool ownTables, QByteArray& bytes, QString* error, bool* refused) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  // Made in memory, then saved: the writer's many small writes would each be a system call on the
  // file. Nothing is reserved: a large buffer grows without copying, and reserving room for
  // painted tables measured slower.
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(72);
  writer.setPageSize(QPageSize(page));
  writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
  writer.setTitle(QStringLiteral("Lab report: %1").arg(content.Exercise.isEmpty() ? content.Rig : content.Exercise));
  writer.setCreator(QStringLiteral("Quorlex"));
  QPainter painter;
  if (!painter.begin(&writer)) return fail(QStringLiteral("The PDF could not be started."));
  TPages pages(writer, painter);
  const double width = pages.Area().width();
  QFont title(QStringLiteral("DejaVu Sans"));
  title.setPixelSize(20);
  title.setBold(true);
  // No shaping, so no ligatures: "fl" as one glyph would not be found by a search for "flow".
  title.setStyleStrategy(QFont::PreferNoShaping);
  QFont heading = title;
  heading.setPixelSize(13);
  QFont body = title;
  body.setBold(false);
  body.setPixelSize(10);
  QFont cell(QStringLiteral("DejaVu Sans Mono"));
  cell.setStyleHint(QFont::Monospace);
  cell.setStyleStrategy(QFont::PreferNoShaping);
  cell.setPixelSize(8);
  QFont cellBold = body;
  cellBold.setPixelSize(8);
  cellBold.setBold(true);

  // Each run's table laid out for where it will be drawn.
  TQtTablePages painted(pages, painter, heading, body, cell, cellBold);
  const QRect area = writer.pageLayout().paintRectPixels(72);
  TPdfTablePages own(writer.pageLayout().fullRectPoints().size(), QRectF(area));
  std::vector<bool> ownRun;
  std::vector<TReportTable> tables;
  qint64 total = 0, done = 0;
  for (const TReportRun& run : content.Runs) {
    ownRun.push_back(ownTables && TPdfTablePages::CanWrite(run));
    tables.emplace_back(run, ownRun.back() ? static_cast<const IReportTablePages&>(own) : painted);
    total += tables.back().Lines();
  }
  if (progress && !progress(0, total)) {
    painter.end();
    return fail({});
  }

  pages.Text(QStringLiteral("Lab report"), title);
  pages.Y += 6;
  const std::pair<QString, QString> facts[] = {{QStringLiteral("Rig"), content.Rig},
                                               {QStringLiteral("Exercise"), content.Exercise},
                                               {QStringLiteral("Student"), content.Student},
                                               {QStringLiteral("Date"), content.When}};
  for (const auto& [name, value] : facts)
    if (!value.isEmpty()) pages.Text(name + QStringLiteral(": ") + value, body);

  if (content.Graph) {
    pages.Y += 10;
    pages.Text(QStringLiteral("Graph"), heading);
    // Laid out as on a screen 900 pixels wide, then scaled to the page's width.
    const QSize laid(900, 560);
    const double scale = width / laid.width();
    pages.Need(laid.height() * scale);
    painter.save();
    painter.translate(0, pages.Y);
    painter.scale(scale, scale);
    content.Graph(painter, laid);
    painter.restore();
    pages.Y += laid.height() * scale + 6;
  }
  if (!content.Fits.isEmpty()) {
    pages.Text(QStringLiteral("Fits"), heading);
    for (const QString& line : content.Fits) pages.Text(line, body);
  }
  if (!content.Presentation.isEmpty()) {
    pages.Y += 8;
    pages.Text(QStringLiteral("Questions"), heading);
    // A line that starts with blanks belongs to the one above it (an answer under its question):
    // indented, so a wrapped answer stays clear of the questions.
    bool wasUnder = false;
    for (const QString& line : content.Presentation) {
      const bool under = line.startsWith(QLatin1Char(' '));
      if (wasUnder && !under) pages.Y += 4;  // a little room between one question's answers and the next
      wasUnder = under;
      pages.Text(under ? line.trimmed() : line, body, Qt::AlignLeft, under ? 18 : 0);
    }
  }
  pages.Y += 8;
  pages.Text(QStringLiteral("Notes"), heading);
  {
    const QFontMetricsF metrics(body);
    const QRectF bound = metrics.boundingRect(QRectF(0, 0, width - 12, 1e6), Qt::TextWordWrap, content.Notes);
    const double height = std::max(120.0, bound.height() + 12);
    pages.Need(height);
    painter.setPen(Qt::black);
    painter.drawRect(QRectF(0, pages.Y, width, height));
    painter.setFont(body);
    painter.drawText(QRectF(6, pages.Y + 6, width - 12, height - 12), Qt::TextWordWrap, content.Notes);
    pages.Y += height;
  }

  // Every run on pages of its own, its titles at the top of each. Columns that do not fit across
  // the page go on to further pages of their own (each led by the run's first column), so no
  // number is ever cut.
  for (std::size_t k = 0; k < tables.size(); ++k) {
    own.SetPosition(pages.Count);
    QString why;
    if (!tables[k].Write(ownRun[k] ? static_cast<IReportTablePages&>(own) : painted, done, total, progress, &why)) {
      painter.end();
      return fail(why);
    }
  }
  if (!painter.end()) return fail(QStringLiteral("The PDF could not be finished."));
  buffer.close();
  if (own.Pages() > 0) {
    TPdfUpdate update;
    if (!update.Open(bytes)) {
      *refused = true;
      return false;
    }
    own.AddTo(update);
    bytes += update.Finish();
  }
  return !progress || progress(total, total) || fail({});
}

}  // namespace

bool TLabReport::Write(const QString& path, const TReportContent& content, QPageSize::PageSizeId page,
                       const TProgress& progress, QString* error) {
  QByteArray bytes;
  bool refused = false;
  if (!Compose(content, page, progress, true, bytes, error, &refused)) {
    if (!refused) return false;
    bytes.clear();
    if (!Compose(content, page, progress, false, bytes, error, &refused)) return false;
  }
  TSafeSave file(path);
  if (!file.Begin() || file.write(bytes) != bytes.size() || !file.Commit()) {
    if (error) *error = file.ErrorText();
    return false;
  }
  return true;
}
