#pragma once
// One row of the rig's data-source sheet, with the calibration pairs of its interface channel from
// the calibration sheet. Reading a row also fills the rig's channel lists and counters.
//
// Rows are numbered by a program-wide count of definitions created: the first reads row 1, the
// next row 2. The first definition of a rig (re)reads both sheets. ResetDefinitionCount starts the
// count again for a second rig load in one process (and for tests).

#include <array>
#include <cstdint>

#include <QString>

#include "rigconfig/datasourcetypes.h"

class TRigConfig;
class TWorkbook;
class IRigConfigHost;

class TDataSource_Definition {
 public:
  static constexpr int MaxCalibrationPairs = 20;
  static constexpr double NoCalibrationValue = -999;
  using TPairArray = std::array<double, MaxCalibrationPairs + 1>;  // indexed 1..20

  // The calibration pairs of `channel` (as stored: outputs as -(channel + 1)) in the calibration
  // sheet `book`, read as a channel reads them at start-up; returns how many were found.
  // `sheet` names the file in error messages.
  static int ReadCalibration(const TWorkbook& book, const QString& sheet, int channel, TPairArray& processed,
                             TPairArray& raw);

  // Reads the next row. Throws EWorkbookError when datasrc.vts or ifdsrc.vts cannot be read (first
  // definition only) or a cell that must hold a number holds text.
  TDataSource_Definition(TRigConfig& rig, IRigConfigHost* host = nullptr);
  // A definition filled in by code rather than read from a sheet (row 0); the count is untouched.
  struct TBlank {};
  TDataSource_Definition(TRigConfig& rig, TBlank);

  static void ResetDefinitionCount();
  static int DefinitionCount();

  int Row() const { return FRow; }

  // Published properties.
  data_Source_types SourceType() const { return FSourceType; }
  int Column() const { return FColumn; }
  int IFD_Channel() const { return FIFD_Channel; }
  int MimicLabel_X_Pos() const { return FMimicLabel_X_Pos; }
  int MimicLabel_Y_Pos() const { return FMimicLabel_Y_Pos; }
  int Mimic_Item_Width() const { return FMimic_Item_Width; }
  QString UnitsLabelText() const { return FUnitsLabelText; }
  QString ShortLabelText() const { return FShortLabelText; }
  QString LongLabelText() const { return FLongLabelText; }
  QString NoColumnHintText() const { return FHintText; }
  int MimicData_X_Pos() const { return FMimicData_X_Pos; }
  int MimicData_Y_Pos() const { return FMimicData_Y_Pos; }
  double InitialVal() const { return FInitialVal; }

  // Calibration pair i (1-based); -999 past the last pair.
  double RawValueAt(int i) const;
  double ProcessedValueAt(int i) const;

  std::int16_t TypeOfFile = 1;
  data_Source_types FSourceType = NO_MORE_DATASRC;
  int FColumn = 0;
  int FIFD_Channel = 0;
  int FMimicLabel_X_Pos = 0, FMimicLabel_Y_Pos = 0;
  QString FUnitsLabelText, FShortLabelText, FLongLabelText, FHintText;
  int FMimicData_X_Pos = 0, FMimicData_Y_Pos = 0;
  int FMimic_Item_Width = 0;
  double FInitialVal = 0;
  int MaxRawValueIndex = 0;
  std::array<double, MaxCalibrationPairs + 1> FRawValue{};        // 1..20
  std::array<double, MaxCalibrationPairs + 1> FProcessedValue{};  // 1..20

 private:
  void ReadSheets();
  void ReadRow();
  void ApplyChannel();
  void LookUpCalibration();

  TRigConfig& FRig;
  IRigConfigHost* FHost;
  int FRow;
};
