#include "calibration/calibrationsheet.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/safesave.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

int TCalibrationSheet::FindRow(const TWorkbook& book, int channel, const QString& sheetName) {
  for (int r = 1; r <= book.LastRow(); ++r)
    if (TRigConfig::SheetInteger(book, r, 1, sheetName) == channel) return r;
  return 0;
}

std::vector<TCalibrationPoint> TCalibrationSheet::StoredPoints(const TWorkbook& book, int channel,
                                                               const QString& sheetName) {
  std::vector<TCalibrationPoint> points;
  const int row = FindRow(book, channel, sheetName);
  if (row == 0) return points;
  for (int k = 1; k <= MaxStoredPairs; ++k) {
    if (book.TextRC(row, 2 * k).isEmpty()) break;
    points.push_back({TRigConfig::SheetNumber(book, row, 2 * k + 1, sheetName),
                      TRigConfig::SheetNumber(book, row, 2 * k, sheetName)});
  }
  return points;
}

void TCalibrationSheet::WriteRow(TWorkbook& book, int channel, const std::vector<TCalibrationPoint>& points,
                                 const QString& sheetName) {
  int row = FindRow(book, channel, sheetName);
  if (row == 0) {
    row = book.LastRow() + 1;
    book.SetNumberRC(row, 1, channel);
  }
  const int lastCol = book.LastCol();
  if (lastCol >= 2) book.ClearRange(row, 2, row, lastCol);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const int col = 2 * static_cast<int>(i + 1);
    book.SetNumberRC(row, col, points[i].Reference);
    book.SetNumberRC(row, col + 1, points[i].Volts);
  }
}

QString TCalibrationSheet::BackupName(const QString& path, TDateTime when) {
  const QFileInfo info(path);
  const QString stamp = datetime::ToQDateTime(when).toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString name = info.completeBaseName() + QLatin1Char('-') + stamp;
  if (!info.suffix().isEmpty()) name += QLatin1Char('.') + info.suffix();
  return info.dir().filePath(name);
}

namespace {
// A copy of `path` under a name not yet taken, written and synced before the original is touched.
bool WriteBackup(const QString& path, TDateTime now, QString& error) {
  QFile source(path);
  if (!source.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("%1 cannot be read: %2").arg(path, source.errorString());
    return false;
  }
  const QByteArray bytes = source.readAll();
  if (source.error() != QFileDevice::NoError) {
    error = QStringLiteral("%1 cannot be read: %2").arg(path, source.errorString());
    return false;
  }
  QString target = TCalibrationSheet::BackupName(path, now);
  const QFileInfo info(target);
  for (int n = 2; QFileInfo::exists(target); ++n)
    target = info.dir().filePath(QStringLiteral("%1-%2.%3").arg(info.completeBaseName()).arg(n).arg(info.suffix()));
  TSafeSave save(target);
  if (!save.Begin() || save.write(bytes) != bytes.size() || !save.Commit()) {
    error = QStringLiteral("The backup %1 could not be written: %2").arg(target, save.ErrorText());
    return false;
  }
  return true;
}
}  // namespace

bool TCalibrationSheet::Store(const QString& path, int channel, const std::vector<TCalibrationPoint>& points,
                              TDateTime now, QString& error) {
  try {
    TWorkbook book;
    book.Read(path);
    const QString name = QFileInfo(path).fileName();
    WriteRow(book, channel, points, name);
    if (!WriteBackup(path, now, error)) return false;
    book.Write(path, TWorkbook::ftNative2);
  } catch (const EWorkbookError& e) {
    error = e.Message();
    return false;
  }
  return true;
}
