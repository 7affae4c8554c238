// Text files as other programs save them, and text files we write that must read back.
#include <gtest/gtest.h>

#include "qstringprinter.h"

#include <QStringEncoder>

#include "support/tempfolder.h"
#include "workbook/formats/delimitedtext.h"
#include "workbook/formats/nativefile.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

namespace {

QByteArray Utf16(const QString& text, bool little) {
  QStringEncoder encoder(little ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE);
  return QByteArray(little ? "\xFF\xFE" : "\xFE\xFF") + QByteArray(encoder.encode(text));
}

// "Unicode text" from a spreadsheet program is UTF-16 behind a byte-order mark, either byte order.
TEST(DelimitedText, Utf16WithAByteOrderMarkIsRead) {
  TTempFolder dir;
  for (bool little : {true, false}) {
    const QByteArray data = Utf16(QStringLiteral("T (°C),Flow\r\n20.5,\"a,b\"\r\n-3,µ\r\n"), little);
    EXPECT_EQ(TDelimitedText::GuessSeparator(data), ',');
    TWorkbook book;
    std::int16_t type = 0;
    book.Read(dir.Write(little ? "le.csv" : "be.csv", data), &type);
    EXPECT_EQ(type, TWorkbook::ftCsv);
    EXPECT_EQ(book.TextRC(1, 1), QStringLiteral("T (°C)"));
    EXPECT_EQ(book.NumberRC(2, 1), 20.5);
    EXPECT_EQ(book.TextRC(2, 2), "a,b");
    EXPECT_EQ(book.NumberRC(3, 1), -3);
    EXPECT_EQ(book.TextRC(3, 2), QStringLiteral("µ"));
    EXPECT_EQ(book.LastRow(), 3);
  }
  // Tabs, and an odd byte at the end that is no UTF-16 at all.
  TWorkbook tabs = TDelimitedText::Read("t.txt", Utf16(QStringLiteral("a\tb\n"), true), '\t');
  EXPECT_EQ(tabs.TextRC(1, 2), "b");
  QByteArray broken = Utf16(QStringLiteral("a\nb\n"), true);
  broken.append('A');
  try {
    TDelimitedText::Read("bad.txt", broken, '\t');
    ADD_FAILURE() << "read without complaint";
  } catch (const EWorkbookError& e) {
    EXPECT_EQ(e.Message(), "bad.txt: line 3: the text is marked as UTF-16 but is not valid UTF-16");
  }
}

// What we write as text must read back: NUL characters are left out and an empty sheet is one
// blank line, and the caller hears what was changed.
TEST(DelimitedText, ExportsAlwaysReadBackAndSayWhatChanged) {
  TTempFolder dir;
  TWorkbook book;
  book.SetTextRC(1, 1, QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
  book.SetTextRC(2, 2, QString(QChar(0)) + QStringLiteral("c"));
  book.SetNumberRC(2, 1, 5);
  for (std::int16_t type : {TWorkbook::ftCsv, TWorkbook::ftTabText}) {
    const QString path = dir.File(type == TWorkbook::ftCsv ? "nul.csv" : "nul.txt");
    const QStringList changes = book.Write(path, type);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0], "2 cells (the first A1) held NUL characters, which a text file cannot hold: they were left out");
    TWorkbook back;
    back.Read(path);
    EXPECT_EQ(back.TextRC(1, 1), "ab");
    EXPECT_EQ(back.TextRC(2, 2), "c");
    EXPECT_EQ(back.NumberRC(2, 1), 5);
  }
  QStringList one;
  TWorkbook single;
  single.SetTextRC(3, 2, QString(QChar(0)));
  TDelimitedText::Write(single, ',', 0, &one);
  EXPECT_EQ(one, QStringList{"cell B3 held NUL characters, which a text file cannot hold: they were left out"});

  TWorkbook empty;
  const QString path = dir.File("empty.csv");
  EXPECT_EQ(empty.Write(path, TWorkbook::ftCsv), QStringList{"the sheet is empty: the file holds one blank line"});
  EXPECT_EQ(TTempFolder::Read(path), "\n");
  TWorkbook back;
  back.SetNumberRC(1, 1, 1);
  back.Read(path);
  EXPECT_EQ(back.LastRow(), 0);
  // Workbook formats keep everything and have nothing to report.
  EXPECT_TRUE(book.Write(dir.File("nul.vts"), TWorkbook::ftNative3).isEmpty());
}

// Text from older and Windows programs: lines ending in CR alone, and the Windows 8-bit encoding,
// which is read and reported.
TEST(DelimitedText, CrLineEndsAndWindowsTextAreRead) {
  TTempFolder dir;
  TWorkbook mac;
  EXPECT_TRUE(mac.Read(dir.Write("mac.csv", "a,b\r1,2\r3,4\r")).isEmpty());
  EXPECT_EQ(mac.LastRow(), 3);
  EXPECT_EQ(mac.NumberRC(3, 2), 4);
  TWorkbook windows;
  const QStringList notes = windows.Read(dir.Write("win.csv", "T \xB0""C,\x80 cost\n\x93q\x94,5\n"));
  EXPECT_EQ(windows.TextRC(1, 1), QStringLiteral("T °C"));
  EXPECT_EQ(windows.TextRC(1, 2), QStringLiteral("€ cost"));
  EXPECT_EQ(windows.TextRC(2, 1), QStringLiteral("“q”"));
  EXPECT_EQ(windows.NumberRC(2, 2), 5);
  ASSERT_EQ(notes.size(), 1);
  EXPECT_EQ(notes[0], dir.File("win.csv") + ": line 1: the text is not UTF-8; it was read as Windows-1252 (Western European)");
}

// Numbers written as people write them, with every digit kept.
TEST(DelimitedText, NumbersAreWrittenAsPlainDecimals) {
  TWorkbook book;
  const double values[] = {100000, 1e14, 123456789012345, 0.0001, 0.1, 1.0 / 3, 1e15, 1e-6, -2.5e7};
  for (int i = 0; i < 9; ++i) book.SetNumberRC(i + 1, 1, values[i]);
  const QByteArray text = TDelimitedText::Write(book, ',');
  EXPECT_EQ(text, "100000\n100000000000000\n123456789012345\n0.0001\n0.1\n0.3333333333333333\n1e+15\n1e-06\n-25000000\n");
  TWorkbook back = TDelimitedText::Read("back.csv", text, ',');
  for (int i = 0; i < 9; ++i) EXPECT_EQ(back.NumberRC(i + 1, 1), values[i]) << i;
}

// A .vts cut short is refused as cut short, whatever the cut left looking wrong.
TEST(NativeFile, ATruncatedFileIsNamedTruncated) {
  const QByteArray whole = "quorlex-workbook 1\nsheet \"Run 1\"\ncell A1 \"a long text\"\ncell A2 12.5\nend\n";
  for (int cut : {40, 45, 60, 65, 70}) {
    try {
      TNativeFile::Read("run.vts", whole.left(cut));
      ADD_FAILURE() << cut;
    } catch (const EWorkbookError& e) {
      EXPECT_TRUE(e.Message().startsWith("run.vts: line ")) << e.Message().toStdString();
      EXPECT_TRUE(e.Message().endsWith("it is truncated")) << cut << ": " << e.Message().toStdString();
    }
  }
  try {
    TNativeFile::Read("run.vts", "quorlex-workbook 1\nsheet \"Run 1\"\ncell A1 \"unclosed\nend\n");
    ADD_FAILURE();
  } catch (const EWorkbookError& e) {
    EXPECT_EQ(e.Message(), "run.vts: line 3: unterminated text");  // inside the file: a real fault
  }
}

}  // namespace
