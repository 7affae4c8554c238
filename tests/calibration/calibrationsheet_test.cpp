// The calibration sheet: new points kept in reference order, a channel's row read and rewritten,
// and a store that leaves every other byte of the file as it was and keeps a backup.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "calibration/calibrationpoints.h"
#include "calibration/calibrationsheet.h"
#include "platform/datetime.h"
#include "platform/safesave.h"
#include "workbook/model/workbook.h"
#include "support/tempfolder.h"

namespace {
// Channel 0, 1 (five pairs), 2 and output 0 stored as -1; a second sheet with a formula, and
// formats and headings that a rewrite must keep.
QString WriteSheet(const TTempFolder& tmp) {
  TWorkbook book;
  book.SetSheetName(1, "Calibration");
  const std::vector<std::vector<double>> rows = {{0, 0, -5, 50, 0, 100, 5},
                                                 {1, 0, 0, 10, 1, 20, 2, 30, 3, 40, 4},
                                                 {2, 0, 0.1, 5, 2.5, 10, 0.30000000000000004},
                                                 {-1, 0, 0, 100, 5}};
  for (int r = 0; r < static_cast<int>(rows.size()); ++r)
    for (int c = 0; c < static_cast<int>(rows[static_cast<size_t>(r)].size()); ++c)
      book.SetNumberRC(r + 1, c + 1, rows[static_cast<size_t>(r)][static_cast<size_t>(c)]);
  book.SetNumberFormatRC(3, 2, "0.00");
  book.SetColText(1, "Channel");
  book.SetColWidth(2, 3000);
  book.SetNumSheets(2);
  book.SetSheet(2);
  book.SetSheetName(2, "Notes");
  book.SetTextRC(1, 1, "checked by \"R. Lab\"");
  book.SetFormulaRC(2, 1, "=SUM(Calibration!B1:B4)");
  book.SetSheet(1);
  const QString path = tmp.File("config/ifdsrc.vts");
  QDir().mkpath(tmp.File("config"));
  book.Write(path, TWorkbook::ftNative2);
  return path;
}

// Every line of a native workbook file except the cells of `row` on its first sheet.
QByteArray WithoutRow(const QByteArray& file, int row) {
  const QRegularExpression cellOfRow(QStringLiteral("^cell [A-Z]+%1( |$)").arg(row));
  QByteArray out;
  bool firstSheet = false;
  int sheets = 0;
  for (const QByteArray& line : file.split('\n')) {
    if (line.startsWith("sheet ")) firstSheet = ++sheets == 1;
    if (firstSheet && cellOfRow.match(QString::fromUtf8(line)).hasMatch()) continue;
    out += line + '\n';
  }
  return out;
}

std::vector<double> References(const std::vector<TCalibrationPoint>& points) {
  std::vector<double> out;
  for (const auto& p : points) out.push_back(p.Reference);
  return out;
}
}  // namespace

TEST(CalibrationPoints, KeptInReferenceOrderWithTheirOwnVoltages) {
  TCalibrationPoints points;
  EXPECT_EQ(points.Add({3.0, 50}), 0);
  EXPECT_EQ(points.Add({1.0, 10}), 0);
  EXPECT_EQ(points.Add({2.0, 30}), 1);
  EXPECT_EQ(References(points.Points()), (std::vector<double>{10, 30, 50}));
  EXPECT_EQ(points.At(0).Volts, 1.0);
  EXPECT_EQ(points.At(1).Volts, 2.0);
  EXPECT_EQ(points.At(2).Volts, 3.0);
  // An equal reference goes after the one already there.
  points.Add({2.5, 30});
  EXPECT_EQ(points.At(2).Volts, 2.5);
  points.Remove(0);
  EXPECT_EQ(References(points.Points()), (std::vector<double>{30, 30, 50}));
  // The nearest point on the chart's scale, not in raw units.
  EXPECT_EQ(points.Nearest(2.45, 31, 5, 100), 1);
  for (int i = points.Count(); i < TCalibrationPoints::MaxPoints; ++i) EXPECT_GE(points.Add({0, double(i)}), 0);
  EXPECT_TRUE(points.Full());
  EXPECT_EQ(points.Add({1, 1}), -1);
  EXPECT_EQ(points.Count(), TCalibrationPoints::MaxPoints);
}

TEST(CalibrationSheet, ReadsAndRewritesOnlyTheChannelsRow) {
  TTempFolder tmp;
  TWorkbook book;
  book.Read(WriteSheet(tmp));
  EXPECT_EQ(TCalibrationSheet::FindRow(book, -1, "ifdsrc.vts"), 4);
  EXPECT_EQ(TCalibrationSheet::FindRow(book, 7, "ifdsrc.vts"), 0);
  const auto stored = TCalibrationSheet::StoredPoints(book, 1, "ifdsrc.vts");
  ASSERT_EQ(stored.size(), 5u);
  EXPECT_EQ(stored[4].Reference, 40);
  EXPECT_EQ(stored[4].Volts, 4);
  EXPECT_TRUE(TCalibrationSheet::StoredPoints(book, 7, "ifdsrc.vts").empty());

  // Three points over five: exactly three pairs remain.
  TCalibrationSheet::WriteRow(book, 1, {{0.5, 1}, {1.5, 2}, {2.5, 3}}, "ifdsrc.vts");
  EXPECT_EQ(book.NumberRC(2, 1), 1);
  EXPECT_EQ(book.NumberRC(2, 6), 3);
  EXPECT_EQ(book.NumberRC(2, 7), 2.5);
  for (int c = 8; c <= 11; ++c) EXPECT_EQ(book.TextRC(2, c), "") << c;
  EXPECT_EQ(TCalibrationSheet::StoredPoints(book, 1, "ifdsrc.vts").size(), 3u);

  // A channel without a row gets a new one; no other channel's row is touched.
  TCalibrationSheet::WriteRow(book, 7, {{1, 2}}, "ifdsrc.vts");
  EXPECT_EQ(book.NumberRC(5, 1), 7);
  EXPECT_EQ(book.NumberRC(5, 2), 2);
  EXPECT_EQ(book.NumberRC(1, 4), 50);
  EXPECT_EQ(book.NumberRC(4, 1), -1);
}

TEST(CalibrationSheet, StoreChangesNoOtherByteAndKeepsTheOldFile) {
  TTempFolder tmp;
  const QString path = WriteSheet(tmp);
  const QByteArray before = TTempFolder::Read(path);
  const TDateTime when = datetime::EncodeDate(2026, 12, 9) + datetime::EncodeTime(14, 5, 9, 0);
  QString error;
  ASSERT_TRUE(TCalibrationSheet::Store(path, 2, {{0.25, 0}, {4.75, 90}}, when, error)) << error.toStdString();
  const QByteArray after = TTempFolder::Read(path);
  EXPECT_NE(before, after);
  EXPECT_EQ(WithoutRow(after, 3), WithoutRow(before, 3));
  EXPECT_TRUE(after.contains("cell A3 2\ncell B3 format \"0.00\" 0\ncell C3 0.25\ncell D3 90\ncell E3 4.75\ncell A4 -1\n"))
      << after.toStdString();

  const QString backup = TCalibrationSheet::BackupName(path, when);
  EXPECT_EQ(QFileInfo(backup).fileName(), "ifdsrc-20261209-140509.vts");
  EXPECT_EQ(TTempFolder::Read(backup), before);
  // A second store in the same second keeps both earlier files.
  ASSERT_TRUE(TCalibrationSheet::Store(path, 2, {{1, 1}}, when, error));
  EXPECT_EQ(TTempFolder::Read(backup), before);
  EXPECT_EQ(TTempFolder::Read(tmp.File("config/ifdsrc-20261209-140509-2.vts")), after);
}

TEST(CalibrationSheet, AFailedStoreLeavesTheSheetAsItWas) {
  TTempFolder tmp;
  const QString path = WriteSheet(tmp);
  const QByteArray before = TTempFolder::Read(path);
  QString error;
  {
    TSafeSave::TFaultScope full({.FailAfterBytes = 10});
    EXPECT_FALSE(TCalibrationSheet::Store(path, 1, {{1, 1}, {2, 2}}, 45000, error));
  }
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(TTempFolder::Read(path), before);
  {
    TSafeSave::TFaultScope rename({.FailRename = true});
    EXPECT_FALSE(TCalibrationSheet::Store(path, 1, {{1, 1}, {2, 2}}, 45001, error));
  }
  EXPECT_EQ(TTempFolder::Read(path), before);

  // A sheet that does not read is refused and left alone.
  const QByteArray broken = before.left(before.size() - 4);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(broken) == broken.size());
  f.close();
  error.clear();
  EXPECT_FALSE(TCalibrationSheet::Store(path, 1, {{1, 1}}, 45002, error));
  EXPECT_TRUE(error.contains("ifdsrc.vts")) << error.toStdString();
  EXPECT_EQ(TTempFolder::Read(path), broken);
  EXPECT_FALSE(TCalibrationSheet::Store(tmp.File("config/none.vts"), 1, {{1, 1}}, 45002, error));
}
