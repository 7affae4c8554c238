// Draws the program's icon at the sizes desktops ask for. Usage: drawicon OUTDIR SIZE...
#include <cstdio>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "platform/appicon.h"

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc < 3) {
    std::fputs("usage: drawicon OUTDIR SIZE...\n", stderr);
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(dir);
  for (int i = 2; i < argc; ++i) {
    const int size = QString::fromLatin1(argv[i]).toInt();
    if (size < 8 || size > 1024) {
      std::fprintf(stderr, "drawicon: %s is not a size from 8 to 1024\n", argv[i]);
      return 2;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    TAppIcon::Draw(painter, size);
    painter.end();
    const QString file = QStringLiteral("%1/quorlex-%2.png").arg(dir).arg(size);
    if (!image.save(file, "PNG")) {
      std::fprintf(stderr, "drawicon: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
