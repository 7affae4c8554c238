// Pages added to a finished PDF, read back by poppler: in the places asked for among the old
// pages, with the old document's facts kept and nothing for the reader to repair; and files that
// cannot be added to are refused whole.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>

#include "results/pdfupdate.h"
#include "support/tempfolder.h"
#include "pdftools.h"

namespace {

QByteArray QtPdf(const QStringList& pages) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setTitle("Old document");
  QPainter painter(&writer);
  for (int i = 0; i < pages.size(); ++i) {
    if (i > 0) writer.newPage();
    painter.drawText(QPointF(100, 100), pages[i]);
  }
  painter.end();
  return bytes;
}

// A page of one line of Helvetica, its contents stored as they are.
int Page(TPdfUpdate& update, int font, const QByteArray& text) {
  const QByteArray contents = "BT /H 14 Tf 72 720 Td (" + text + ") Tj ET";
  const int stream = update.AddStream(contents);
  const int page = update.Add("<< /Type /Page /Parent " + QByteArray::number(update.PageTree()) +
                              " 0 R /MediaBox [0 0 612 792] /Resources << /Font << /H " + QByteArray::number(font) +
                              " 0 R >> >> /Contents " + QByteArray::number(stream) + " 0 R >>");
  return page;
}

}  // namespace

TEST(PdfUpdate, AddsPagesWhereAskedAmongTheOldOnes) {
  if (!HavePoppler()) GTEST_SKIP() << "poppler's tools are not installed";
  const QByteArray old = QtPdf({"Old one", "Old two"});
  TPdfUpdate update;
  ASSERT_TRUE(update.Open(old));
  EXPECT_EQ(update.PageCount(), 2);
  const int font = update.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  update.InsertPage(0, Page(update, font, "New first"));
  update.InsertPage(1, Page(update, font, "New second"));
  update.InsertPage(2, Page(update, font, "New last"));
  update.InsertPage(1, Page(update, font, "New third"));
  update.InsertPage(99, Page(update, font, "New after all"));
  TTempFolder tmp;
  const QString path = tmp.Write("updated.pdf", old + update.Finish());

  const TPdfRead info = PdfInfo(path);
  EXPECT_TRUE(info.Errors.isEmpty()) << info.Errors.toStdString();
  EXPECT_TRUE(info.Out.contains(QRegularExpression("Pages:\\s+7\\b"))) << info.Out.toStdString();
  EXPECT_TRUE(info.Out.contains("Old document")) << "the old document's facts stay";
  QStringList pages = PdfText(path).split(QLatin1Char('\f'));
  for (QString& page : pages) page = page.simplified();
  pages.removeAll(QString());
  EXPECT_EQ(pages, QStringList({"New first", "Old one", "New second", "New third", "Old two", "New last", "New after all"}));
}

TEST(PdfUpdate, RefusesWhatItCannotAddTo) {
  const QByteArray good = QtPdf({"Only page"});
  TPdfUpdate update;
  ASSERT_TRUE(update.Open(good));
  const qsizetype tail = good.lastIndexOf("startxref");
  // Changed without moving a byte, so the offsets stay right and only the change is refused.
  const auto changed = [&good](const QByteArray& from, const QByteArray& to) {
    QByteArray bytes = good;
    const qsizetype at = bytes.indexOf(from);
    EXPECT_GE(at, 0) << from.toStdString();
    EXPECT_EQ(from.size(), to.size());
    return at < 0 ? QByteArray() : bytes.replace(at, from.size(), to);
  };
  QByteArray encrypted = good;
  encrypted.insert(encrypted.lastIndexOf("/Root"), "/Encrypt 99 0 R\n");  // after every object
  QByteArray wrongOffset = good;
  wrongOffset.replace(tail, wrongOffset.size() - tail, "startxref\n17\n%%EOF\n");
  const QByteArray nested = changed("/ProcSet [/PDF /Text /ImageB /ImageC]", "/Parent 2 0 R                        ");
  const QByteArray kidIsATree = changed("/Type /Page\n", "/Type /Pages");
  const QByteArray noTree = changed("/Pages 3 0 R", "/Pages 0 0 R");
  for (const QByteArray& bad : {QByteArray(), QByteArray("not a PDF at all"), good.left(tail), good.left(good.size() / 2),
                                encrypted, wrongOffset, nested, kidIsATree, noTree}) {
    EXPECT_FALSE(update.Open(bad)) << bad.right(80).toStdString();
    EXPECT_EQ(update.PageCount(), 0);
  }
}
