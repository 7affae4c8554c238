#include "rigconfig/datasource_definition.h"

#include "platform/iprompts.h"
#include "platform/services.h"
#include "rigconfig/irigconfighost.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

namespace {
int gDefinitionCount = 0;

bool IsChannelBound(data_Source_types k) {
  return k == IFD_DATASRC || k == ANALOGUE_OUT_DATASRC || k == HEATER_CONTROLLER_DATASRC ||
         k == CONDUCTIVITY_DATASRC || k == REMOTE_SETPOINT_DATASRC || k == DAC_DATASRC;
}
bool IsOutputKind(data_Source_types k) {
  return k == ANALOGUE_OUT_DATASRC || k == HEATER_CONTROLLER_DATASRC || k == REMOTE_SETPOINT_DATASRC ||
         k == DAC_DATASRC;
}
}  // namespace

void TDataSource_Definition::ResetDefinitionCount() { gDefinitionCount = 0; }
int TDataSource_Definition::DefinitionCount() { return gDefinitionCount; }

TDataSource_Definition::TDataSource_Definition(TRigConfig& rig, IRigConfigHost* host)
    : FRig(rig), FHost(host), FRow(++gDefinitionCount) {
  if (FRow == 1) ReadSheets();
  ReadRow();
}

TDataSource_Definition::TDataSource_Definition(TRigConfig& rig, TBlank) : FRig(rig), FHost(nullptr), FRow(0) {}

void TDataSource_Definition::ReadSheets() {
  FRig.Using_IFD = false;
  FRig.Using_EXP = false;
  FRig.MaxSourceColumn = 0;
  // A failed read leaves the count where it was, so the next attempt reads the sheets again.
  try {
    FRig.VCF1Ctrl1->Read(FRig.DataSrc_Spreadsheet, &TypeOfFile);
    FRig.VCF1Ctrl2->Read(FRig.IFDSrc_Spreadsheet, &TypeOfFile);
  } catch (...) {
    --gDefinitionCount;
    throw;
  }
  FRig.OutputChannelNames.clear();
  FRig.InputChannelNames.clear();
  FRig.InputChannelNumbers.fill(0);
  FRig.OutputChannelNumbers.fill(0);
  FRig.DAC_Count = 0;
  FRig.Input_Count = 0;
  FRig.Output_Count = 0;
  FRig.Controller_Count = 0;
  FRig.ReleaseOffsetMenu = true;
}

void TDataSource_Definition::ReadRow() {
  const TWorkbook& book = *FRig.VCF1Ctrl1;
  if (book.LastRow() < FRow) {
    FSourceType = NO_MORE_DATASRC;
    return;
  }
  const QString sheet = FRig.DataSrc_Spreadsheet;
  auto num = [&](int col) { return TRigConfig::SheetInteger(book, FRow, col, sheet); };
  const int code = num(1);
  FSourceType = DataSourceTypeFromCode(code);
  switch (code) {
    case 4: ++FRig.Input_Count; break;
    case 9:
    case 11: ++FRig.Output_Count; break;
    case 13: ++FRig.Controller_Count; break;
    case 23: FRig.UsingSCADA = true; break;
    case 28: ++FRig.FreqCount; break;
    case 29: ++FRig.DAC_Count; break;
    case 40: FRig.ReleaseOffsetMenu = false; break;
    default: break;
  }
  if (FSourceType == NO_MORE_DATASRC)
    TServices::Prompts().MessageDlg(QStringLiteral("Error at row %1 in datasrc.vts").arg(FRow),
                                    TMsgDlgType::mtInformation, TMsgDlgButtons::OK);

  FColumn = num(2);
  // The sample row has the results table's columns; 0 writes nothing.
  if (FColumn < 0 || FColumn > a1::MaxCols)
    throw EWorkbookError(sheet, QStringLiteral("row %1, column 2").arg(FRow),
                         QStringLiteral("column %1 is outside the results table (0 to %2)").arg(FColumn).arg(a1::MaxCols));
  FIFD_Channel = num(3);
  FMimicLabel_X_Pos = num(7);
  FMimicLabel_Y_Pos = num(8);
  FMimicData_X_Pos = num(5);
  FMimicData_Y_Pos = num(6);
  FMimic_Item_Width = num(13);
  FInitialVal = TRigConfig::SheetNumber(book, FRow, 4, sheet);
  FLongLabelText = book.TextRC(FRow, 9);
  FUnitsLabelText = book.TextRC(FRow, 11);
  FShortLabelText = book.TextRC(FRow, 10);
  FHintText = book.MaxCol() >= 12 ? book.TextRC(FRow, 12) : QString();

  if (FSourceType == NO_MORE_DATASRC) return;
  ApplyChannel();
}

void TDataSource_Definition::ApplyChannel() {
  if (IsChannelBound(FSourceType)) {
    FRig.Using_IFD = true;
    const int channel = FIFD_Channel;
    if (channel >= 100 && channel <= 198 && FSourceType != HEATER_CONTROLLER_DATASRC &&
        FSourceType != REMOTE_SETPOINT_DATASRC && FSourceType != DAC_DATASRC) {
      FRig.Using_EXP = true;
      if (FHost) FHost->WidenStatusPanel2(250);
    }
    if (channel >= 8 && channel <= 15) FRig.UsingSingleEndedChannels = true;
    if (channel >= 108 && channel <= 115) FRig.UsingSingleEndedChannelsForSlave = true;
    if (IsOutputKind(FSourceType)) {
      FIFD_Channel = -(channel + 1);
      const int index = static_cast<int>(FRig.OutputChannelNames.size());
      FRig.OutputChannelNames << FLongLabelText;
      if (index < TRigConfig::MaxChannelEntries) FRig.OutputChannelNumbers[static_cast<size_t>(index)] = FIFD_Channel;
    } else {
      const int index = static_cast<int>(FRig.InputChannelNames.size());
      FRig.InputChannelNames << FLongLabelText;
      if (index < TRigConfig::MaxChannelEntries) FRig.InputChannelNumbers[static_cast<size_t>(index)] = FIFD_Channel;
    }
    LookUpCalibration();
  } else if (FSourceType == DIGITAL_IN_DATASRC) {
    FRig.Using_IFD = true;
  } else if (FSourceType == DIGITAL_OUT_DATASRC) {
    FRig.Using_IFD = true;
    const int index = static_cast<int>(FRig.OutputChannelNames.size());
    FRig.OutputChannelNames << FLongLabelText;
    if (index < TRigConfig::MaxChannelEntries) FRig.OutputChannelNumbers[static_cast<size_t>(index)] = FIFD_Channel;
  }
}

void TDataSource_Definition::LookUpCalibration() {
  MaxRawValueIndex = ReadCalibration(*FRig.VCF1Ctrl2, FRig.IFDSrc_Spreadsheet, FIFD_Channel, FProcessedValue, FRawValue);
}

int TDataSource_Definition::ReadCalibration(const TWorkbook& book, const QString& sheet, int channel,
                                            TPairArray& processed, TPairArray& raw) {
  int count = 0;
  const int pairs = book.LastCol() / 2;
  for (int r = 1; r <= book.LastRow(); ++r) {
    if (TRigConfig::SheetInteger(book, r, 1, sheet) != channel) continue;
    for (int i = 1; i <= pairs && count < MaxCalibrationPairs; ++i) {
      ++count;
      processed[static_cast<size_t>(count)] = TRigConfig::SheetNumber(book, r, 2 * i, sheet);
      raw[static_cast<size_t>(count)] = TRigConfig::SheetNumber(book, r, 2 * i + 1, sheet);
      if (i >= 3 && processed[static_cast<size_t>(count)] == 0 && raw[static_cast<size_t>(count)] == 0) {
        --count;
        break;
      }
    }
    break;  // later rows of the same channel are not looked at
  }
  return count;
}

double TDataSource_Definition::RawValueAt(int i) const {
  if (i < 1 || i > MaxRawValueIndex) return NoCalibrationValue;
  return FRawValue[static_cast<size_t>(i)];
}

double TDataSource_Definition::ProcessedValueAt(int i) const {
  if (i < 1 || i > MaxRawValueIndex) return NoCalibrationValue;
  return FProcessedValue[static_cast<size_t>(i)];
}
