// A run's table written as PDF pages of its own in the standard fonts, added to a report and read
// back by poppler: every cell in its row and order, the titles with their units on every page,
// the characters PDF strings must escape, and which text those fonts cannot show.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>

#include "results/labreport.h"
#include "results/pdftablepages.h"
#include "results/pdfupdate.h"
#include "results/reporttable.h"
#include "support/tempfolder.h"
#include "pdftools.h"

namespace {

// The run's table after a one-page report, as a file; `pages` tells how many table pages there were.
QString Written(const TTempFolder& tmp, const TReportRun& run, int* pages = nullptr) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(72);
  writer.setPageSize(QPageSize(QPageSize::A4));
  {
    QPainter painter(&writer);
    painter.drawText(QPointF(50, 50), "Front page");
  }
  buffer.close();
  TPdfTablePages own(QSizeF(595, 842), QRectF(43, 43, 509, 756));
  own.SetPosition(1);
  const TReportTable table(run, own);
  qint64 done = 0;
  QString error;
  EXPECT_TRUE(table.Write(own, done, table.Lines(), {}, &error)) << error.toStdString();
  EXPECT_EQ(done, table.Lines());
  if (pages) *pages = own.Pages();
  TPdfUpdate update;
  EXPECT_TRUE(update.Open(bytes));
  own.AddTo(update);
  return tmp.Write("table.pdf", bytes + update.Finish());
}

}  // namespace

TEST(PdfTablePages, KnowsWhichTextTheStandardFontsShow) {
  for (const QString& text : {QStringLiteral("12.5"), QStringLiteral("T1 Tank (°C)"), QStringLiteral("µS/cm"),
                              QStringLiteral("m³/h ±2"), QStringLiteral("5 € – “quoted” …"), QString()})
    EXPECT_TRUE(TPdfTablePages::CanWrite(text)) << text.toStdString();
  for (const QString& text : {QStringLiteral("ΔT (K)"), QStringLiteral("温度"), QStringLiteral("a\tb"), QStringLiteral("x\ny"),
                              QStringLiteral("ok ≈ 3")})
    EXPECT_FALSE(TPdfTablePages::CanWrite(text)) << text.toStdString();
  TReportRun run{"Run 1", {"Sample", "T (°C)"}, {{"1", "20.5"}, {"2", "21.0"}}};
  EXPECT_TRUE(TPdfTablePages::CanWrite(run));
  run.Rows[1][1] = QStringLiteral("21 Ω");
  EXPECT_FALSE(TPdfTablePages::CanWrite(run)) << "one cell is enough to paint the run instead";
  run.Rows[1][1] = "21.0";
  run.Name = QStringLiteral("Прогон");
  EXPECT_FALSE(TPdfTablePages::CanWrite(run));
}

TEST(PdfTablePages, EveryRowUnderItsTitlesOnPagesOfItsOwn) {
  if (!HavePoppler()) GTEST_SKIP() << "poppler's tools are not installed";
  TTempFolder tmp;
  TReportRun run;
  run.Name = "Run (3) \\ cooling";
  // Short cells under long title words, which widen their columns.
  run.Titles = {"Sample", "T1 Tank (°C)", "Conductivity (µS/cm)", "Insulation", "Note"};
  for (int i = 1; i <= 200; ++i)
    run.Rows.push_back({QString::number(i), QString::number(20 + i * 0.125, 'f', 3), QStringLiteral("%1.5").arg(i * 7),
                        i % 2 ? QStringLiteral("(ok)") : QStringLiteral("a\\b"), QStringLiteral("x%1").arg(i)});
  int pages = 0;
  const QString path = Written(tmp, run, &pages);
  const TPdfRead info = PdfInfo(path);
  EXPECT_TRUE(info.Errors.isEmpty()) << info.Errors.toStdString();
  EXPECT_TRUE(info.Out.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\b").arg(pages + 1)))) << info.Out.toStdString();
  EXPECT_GE(pages, 3);

  const QStringList text = PdfText(path).split(QLatin1Char('\f'));
  ASSERT_GE(text.size(), pages + 1);
  EXPECT_TRUE(text[0].contains("Front page"));
  QString all;
  for (int p = 1; p <= pages; ++p) {
    // Each page headed with the run's name and the titles with their units.
    const QString page = text[p];
    EXPECT_TRUE(page.trimmed().startsWith(p == 1 ? run.Name : run.Name + " (continued)")) << page.left(120).toStdString();
    for (const QString& title : {"T1 Tank", "(°C)", "Conductivity", "(µS/cm)", "Insulation", "Note"})
      EXPECT_TRUE(page.contains(title)) << p << " " << title.toStdString();
    all += page;
  }
  // Every row once, its cells in order on one line, the escaped characters as they were.
  for (const QStringList& row : run.Rows) {
    QString pattern = "(?m)^\\s*" + QRegularExpression::escape(row[0]);
    for (int c = 1; c < row.size(); ++c) pattern += "\\s+" + QRegularExpression::escape(row[c]);
    EXPECT_EQ(all.count(QRegularExpression(pattern + "\\s*$")), 1) << row.join(' ').toStdString();
  }
}

TEST(PdfTablePages, ALongNameStaysOnItsLineAndAnEmptyRunSaysSo) {
  if (!HavePoppler()) GTEST_SKIP() << "poppler's tools are not installed";
  TTempFolder tmp;
  const QString name = "Run 12 of the afternoon session with the counter-flow exchanger and the spare pump, repeated";
  // A title word wider than any column may be is cut short, and says so.
  const QString word = QString(150, QLatin1Char('W'));
  const QString path = Written(tmp, TReportRun{name, {"Sample", "T (°C) " + word}, {}});
  const QString text = PdfText(path);
  EXPECT_TRUE(text.contains(name)) << text.toStdString();
  EXPECT_TRUE(text.contains("No samples."));
  EXPECT_TRUE(text.contains(QRegularExpression("\\bW{20,}…"))) << text.toStdString();
  EXPECT_FALSE(text.contains(word));
}
