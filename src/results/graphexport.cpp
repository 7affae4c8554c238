#include "results/graphexport.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSvgGenerator>

#include "platform/safesave.h"

namespace {

bool InRange(const QSize& size, int dpi) {
  return size.width() >= TGraphExport::MinSide && size.height() >= TGraphExport::MinSide && size.width() <= TGraphExport::MaxSide &&
         size.height() <= TGraphExport::MaxSide && dpi >= TGraphExport::MinDpi && dpi <= TGraphExport::MaxDpi;
}

}  // namespace

bool TGraphExport::ParseSize(const QString& text, QSize& size, int& dpi) {
  static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,6})\\s*[xX\\x{00d7}]\\s*(\\d{1,6})\\s*(?:@?\\s*(\\d{1,5}))?\\s*(?:dpi)?\\s*$"));
  const auto m = form.match(text);
  if (!m.hasMatch()) return false;
  const QSize wanted(m.captured(1).toInt(), m.captured(2).toInt());
  const int resolution = m.captured(3).isEmpty() ? 96 : m.captured(3).toInt();
  if (!InRange(wanted, resolution)) return false;
  size = wanted;
  dpi = resolution;
  return true;
}

bool TGraphExport::Write(const QString& path, const QSize& size, int dpi, const TPaint& paint, QString* error) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  if (!InRange(size, dpi))
    return fail(QStringLiteral("The picture must be %1 to %2 pixels a side at %3 to %4 dots per inch.")
                    .arg(MinSide).arg(MaxSide).arg(MinDpi).arg(MaxDpi));
  const QString suffix = QFileInfo(path).suffix().toLower();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (suffix == QLatin1String("png")) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    const int dotsPerMeter = static_cast<int>(dpi / 0.0254 + 0.5);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    {
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      paint(painter, size);
    }
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) return fail(writer.errorString());
  } else if (suffix == QLatin1String("svg")) {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(dpi);
    svg.setTitle(QStringLiteral("Graph"));
    QPainter painter;
    if (!painter.begin(&svg)) return fail(QStringLiteral("The SVG picture could not be started."));
    paint(painter, size);
    painter.end();
  } else if (suffix == QLatin1String("pdf")) {
    QPdfWriter pdf(&buffer);
    pdf.setResolution(dpi);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / dpi, size.height() * 72.0 / dpi), QPageSize::Point));
    pdf.setTitle(QStringLiteral("Graph"));
    QPainter painter;
    if (!painter.begin(&pdf)) return fail(QStringLiteral("The PDF could not be started."));
    // The page is the picture: paint at its size in the writer's own units.
    const QRect page = pdf.pageLayout().paintRectPixels(pdf.resolution());
    painter.scale(double(page.width()) / size.width(), double(page.height()) / size.height());
    paint(painter, size);
    painter.end();
  } else {
    return fail(QStringLiteral("Graphs are exported as .png, .svg or .pdf files."));
  }
  buffer.close();
  TSafeSave file(path);
  if (!file.Begin() || file.write(bytes) != bytes.size() || !file.Commit()) return fail(file.ErrorText());
  return true;
}
