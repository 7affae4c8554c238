#pragma once
// The rig's calibration sheet as the calibration window sees it: one row per channel, column 1 the
// channel as the source stores it (outputs as -(channel + 1)), then pairs of columns (reference
// value, volts). Storing a channel rewrites that row only, keeps the previous file as a dated
// backup beside it and replaces the file atomically.

#include <vector>

#include <QString>

#include "platform/datetime.h"

class TWorkbook;

struct TCalibrationPoint {
  double Volts = 0;
  double Reference = 0;
};

class TCalibrationSheet {
 public:
  // Pairs shown for a stored row; a stored row is read up to its first empty reference cell.
  static constexpr int MaxStoredPairs = 26;

  // The first row whose column 1 holds `channel`, searched as a channel finds its calibration at
  // start-up; 0 when none does. Throws EWorkbookError when a column-1 cell is not a number.
  static int FindRow(const TWorkbook& book, int channel, const QString& sheetName);
  // The stored points of `channel`, in sheet order (empty without a row).
  static std::vector<TCalibrationPoint> StoredPoints(const TWorkbook& book, int channel, const QString& sheetName);
  // Puts `points` into the channel's row, emptying the rest of it; a channel without a row gets a
  // new one after the last used row, so no other channel's calibration is overwritten.
  static void WriteRow(TWorkbook& book, int channel, const std::vector<TCalibrationPoint>& points,
                       const QString& sheetName);

  // Reads the sheet at `path` afresh, rewrites the channel's row and saves it as a native workbook,
  // after copying the previous file to BackupName(path, now). False with `error` set when anything
  // failed; the file is then as it was.
  static bool Store(const QString& path, int channel, const std::vector<TCalibrationPoint>& points, TDateTime now,
                    QString& error);
  // "ifdsrc.vts" saved at 2026-12-09 14:05:09 -> "ifdsrc-20261209-140509.vts" in the same folder.
  static QString BackupName(const QString& path, TDateTime when);
};
