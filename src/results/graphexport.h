#pragma once
// The graph as a picture file: PNG at a size in pixels and a resolution, SVG (vectors, text as
// text) or PDF (one page the picture's size, text selectable), chosen by the file's extension.
// Written beside the target and renamed into place, so a failed export leaves an older file intact.

#include <functional>

#include <QSize>
#include <QString>

class QPainter;

class TGraphExport {
 public:
  // Paints the picture into a `size` rectangle at the painter's origin.
  using TPaint = std::function<void(QPainter& painter, const QSize& size)>;

  // False with `error` set when the extension is not .png, .svg or .pdf, the size or resolution is
  // out of range, or the file cannot be written.
  static bool Write(const QString& path, const QSize& size, int dpi, const TPaint& paint, QString* error);
  // "1200 x 800 @ 150" (blanks and the "@" optional) into a size and a resolution; false when it
  // does not read or is out of range (16..10000 pixels a side, 36..1200 dpi).
  static bool ParseSize(const QString& text, QSize& size, int& dpi);
  static constexpr int MinSide = 16, MaxSide = 10000, MinDpi = 36, MaxDpi = 1200;
};
