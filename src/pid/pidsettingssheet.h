#pragma once
// The controllers' settings sheet (one row per controller): channels, action, cycle time, the
// default and the saved settings, the cascade column, the block-diagram picture and the kind.
// Read afresh for every use, as the user may have saved another controller's row meanwhile.

#include <optional>

#include <QString>

#include "workbook/model/workbook.h"

struct TPIDTerms {
  double SetPoint = 0, ProportionalBand = 0, IntegralTime = 0, DerivativeTime = 0;
  bool AllZero() const { return SetPoint == 0 && ProportionalBand == 0 && IntegralTime == 0 && DerivativeTime == 0; }
};

struct TPIDRow {
  int MeasuredChannel = 0;
  int ControlledChannel = 0;  // -(n+1): analogue-type output n; n: digital output n
  int Direction = 1;
  int CycleTime = 0;
  TPIDTerms Defaults, Saved;
  std::optional<int> ExternalSetPointColumn;  // cascade
  QString DiagramName;
  bool Reflux = false;
  bool Configurable = false;
};

class TPIDSettingsSheet {
 public:
  explicit TPIDSettingsSheet(QString path) : FPath(std::move(path)) {}

  // Reads the file; false with a message naming it when it cannot be read.
  bool Read(QString* error);
  TPIDRow Row(int index) const;
  // The saved settings of a row, or its defaults when all four saved ones are 0.
  static TPIDTerms Live(const TPIDRow& row) { return row.Saved.AllZero() ? row.Defaults : row.Saved; }
  // Reads the file, puts the four settings into the row's saved columns and writes the file back
  // (through a temporary file). False with a message when either step fails; the file is then as
  // it was.
  bool Save(int index, const TPIDTerms& terms, QString* error);
  const QString& Path() const { return FPath; }

 private:
  QString FPath;
  TWorkbook FBook;
};
