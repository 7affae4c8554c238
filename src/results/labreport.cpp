#include "results/labreport.h"

#include <algorithm>

#include <QBuffer>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>

#include "platform/safesave.h"

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
  bool NewPage() {
    Y = 0;
    return FWriter.newPage();
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

// Each column as wide as its longest cell and a gap, at least 8 characters for its title and at
// most what a line leaves beside the first column; every padding blank is a glyph in the PDF, and
// a long table is mostly glyphs. Bands: the columns that fit across a line, each band after the
// first led by column 0 (the sample number) so its rows can be matched up.
struct TLayout {
  std::vector<int> Chars;
  std::vector<std::vector<int>> Bands;
};

TLayout Layout(const TReportRun& run, int lineChars) {
  TLayout layout;
  const int columns = std::max<int>(1, static_cast<int>(run.Titles.size()));
  layout.Chars.assign(static_cast<std::size_t>(columns), 8);
  for (const QStringList& row : run.Rows)
    for (int c = 0; c < row.size() && c < columns; ++c)
      layout.Chars[std::size_t(c)] = std::max(layout.Chars[std::size_t(c)], static_cast<int>(row[c].size()) + 2);
  const int widest = std::max(8, lineChars - (columns > 1 ? layout.Chars[0] : 0));
  for (int& n : layout.Chars) n = std::min(n, widest);
  layout.Chars[0] = std::min(layout.Chars[0], lineChars);
  std::vector<int> band{0};
  int used = layout.Chars[0];
  for (int c = 1; c < columns; ++c) {
    if (used + layout.Chars[std::size_t(c)] > lineChars) {
      layout.Bands.push_back(band);
      band = {0};
      used = layout.Chars[0];
    }
    band.push_back(c);
    used += layout.Chars[std::size_t(c)];
  }
  layout.Bands.push_back(band);
  return layout;
}

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

bool TLabReport::Write(const QString& path, const TReportContent& content, QPageSize::PageSizeId page,
                       const TProgress& progress, QString* error) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  // Made in memory, then saved: the writer's many small writes would each be a system call on the
  // file. Room for a long report is reserved up front; growing by copying costs more than the PDF.
  qint64 cells = 0;
  for (const TReportRun& run : content.Runs) cells += static_cast<qint64>(run.Rows.size()) * run.Titles.size();
  QByteArray bytes;
  bytes.reserve(static_cast<qsizetype>(std::min<qint64>(cells * 8 + (1 << 20), qint64(1) << 30)));
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

  // Column widths and the bands of columns that fit across a page, for every run.
  const QFontMetricsF cellMetrics(cell);
  const double rowHeight = cellMetrics.height() + 2;
  const double charWidth = cellMetrics.horizontalAdvance(QLatin1Char('0'));
  const int lineChars = std::max(20, static_cast<int>((width - 4) / charWidth));
  std::vector<TLayout> layouts;
  qint64 total = 0, done = 0;
  for (const TReportRun& run : content.Runs) {
    layouts.push_back(Layout(run, lineChars));
    total += static_cast<qint64>(run.Rows.size()) * static_cast<qint64>(layouts.back().Bands.size());
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
  const QFontMetricsF boldMetrics(cellBold);
  for (std::size_t k = 0; k < content.Runs.size(); ++k) {
    const TReportRun& run = content.Runs[k];
    const TLayout& layout = layouts[k];
    const int bands = static_cast<int>(layout.Bands.size());
    for (int b = 0; b < bands; ++b) {
      const std::vector<int>& band = layout.Bands[std::size_t(b)];
      if (!pages.NewPage()) return fail(QStringLiteral("A page could not be added."));
      std::vector<double> left{0};
      for (int c : band) left.push_back(left.back() + layout.Chars[std::size_t(c)] * charWidth);
      // The titles wrapped to their columns once; each page draws the lines at points (a wrapping
      // box per title per page costs a layout and a clip each time).
      std::vector<QStringList> titleLines;
      int titleRows = 1;
      for (int c : band) {
        const QString title = c < run.Titles.size() ? run.Titles[c] : QString();
        const double columnWidth = layout.Chars[std::size_t(c)] * charWidth;
        QStringList lines;
        QString current;
        for (const QString& word : title.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
          const QString joined = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
          if (!current.isEmpty() && boldMetrics.horizontalAdvance(joined) > columnWidth - 4) {
            lines << current;
            current = word;
          } else {
            current = joined;
          }
        }
        if (!current.isEmpty()) lines << boldMetrics.elidedText(current, Qt::ElideRight, columnWidth - 4);
        titleRows = std::max(titleRows, static_cast<int>(lines.size()));
        titleLines.push_back(lines);
      }
      const double titleHeight = titleRows * boldMetrics.height() + 2;
      const QString name = bands > 1 ? QStringLiteral("%1, part %2 of %3").arg(run.Name).arg(b + 1).arg(bands) : run.Name;
      auto header = [&](bool continued) {
        painter.setPen(Qt::black);
        pages.Text(name + (continued ? QStringLiteral(" (continued)") : QString()), heading);
        painter.setFont(cellBold);
        for (std::size_t i = 0; i < titleLines.size(); ++i) {
          const QStringList& lines = titleLines[i];
          // Bottom-aligned, so the units line up under each other.
          double y = pages.Y + titleHeight - 2 - boldMetrics.descent() - (lines.size() - 1) * boldMetrics.height();
          for (const QString& line : lines) {
            painter.drawText(QPointF(left[i] + 2, y), line);
            y += boldMetrics.height();
          }
        }
        pages.Y += titleHeight;
        painter.drawLine(QPointF(0, pages.Y), QPointF(width, pages.Y));
        pages.Y += 2;
        painter.setFont(cell);
      };
      header(false);
      if (run.Rows.empty()) pages.Text(QStringLiteral("No samples."), body);
      for (const QStringList& row : run.Rows) {
        if (pages.Y + rowHeight > pages.Area().height()) {
          if (progress && !progress(done, total)) {
            painter.end();
            return fail({});
          }
          if (!pages.NewPage()) return fail(QStringLiteral("A page could not be added."));
          header(true);
        }
        // One line of fixed-width text a row, each cell padded to its column: drawing the cells one
        // by one is several times slower for tables of thousands of rows, and the line keeps the
        // cells in order when the text is copied out of the PDF.
        QString line;
        line.reserve(static_cast<qsizetype>(left.back() / charWidth) + 1);
        for (int c : band) {
          const QString text = c < row.size() ? row[c] : QString();
          const int n = layout.Chars[std::size_t(c)];
          line += text.size() < n ? text.leftJustified(n) : text.left(n - 2) + QStringLiteral("~ ");
        }
        while (line.endsWith(QLatin1Char(' '))) line.chop(1);
        painter.drawText(QPointF(2, pages.Y + 1 + cellMetrics.ascent()), line);
        pages.Y += rowHeight;
        ++done;
      }
    }
  }
  if (!painter.end()) return fail(QStringLiteral("The PDF could not be finished."));
  if (progress && !progress(total, total)) return fail({});
  buffer.close();
  TSafeSave file(path);
  if (!file.Begin() || file.write(bytes) != bytes.size() || !file.Commit()) return fail(file.ErrorText());
  return true;
}
