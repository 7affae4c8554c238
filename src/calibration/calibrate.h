#pragma once
// "Calibrate": records, for one interface channel at a time, pairs of a live sensor voltage and the
// reference value the sensor measures there, and stores them as the channel's row of the rig's
// calibration sheet. On closing after a store it puts the new calibration into use at once when
// that is safe (no run recording, input channels only), otherwise it offers a restart.

#include <set>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "calibration/calibrationpoints.h"
#include "workbook/model/workbook.h"

class QChart;
class QComboBox;
class QLineEdit;
class QLineSeries;
class QProgressBar;
class QPushButton;
class QScatterSeries;
class QTableWidget;
class QTimer;
class QValueAxis;
class TQXDataList;
class TQXIFDAnalogueSource;

class TCalibrate : public QWidget {
  Q_OBJECT
 public:
  static constexpr int GridRows = 20;
  enum TFreezeState { fsLive = 1, fsFrozen = 2 };

  explicit TCalibrate(QWidget* parent = nullptr);

  // The calibration sheet written and the data list whose channels are offered; by default the
  // rig's and the program's own.
  void SetSheetPath(const QString& path) { FSheetPath = path; }
  void SetDataList(const TQXDataList* list) { FList = list; }

  // ---- operations, as the window's controls trigger them ----
  void FormShow();
  void Input_SensorChange(int index);
  void Sensor_ReadingTimer();
  void Reference_InputEnter();
  // False (the field selected again) when the text is not a number.
  bool Reference_InputExit();
  void FreezeClick();
  void PlotClick();
  // A click on the chart at (volts, reference): the nearest new point may be deleted.
  void Calibrate_ChartPointSelected(double volts, double reference);
  void DirectButtonClick();
  void PlotButtonClick();
  void RevertButtonClick();
  // False when nothing was stored because the user declined or the save failed.
  bool ApplyClick();
  void okClick();
  void CancelClick();
  void HelpClick();

  // ---- state other parts and tests read ----
  QStringList SensorNames() const;
  int Channel = 0;
  int Current_IFDSource_Channel = 0;
  std::vector<int> Channel_array;
  double Input_ref_Value = 0;
  QString Input_Volt_Value;
  TFreezeState freezestate = fsLive;
  bool Direct = false;
  bool Save_Data = false;
  bool Restart_Machine = false;
  const TCalibrationPoints& NewPoints() const { return FNew; }
  const std::vector<TCalibrationPoint>& StoredPoints() const { return FStored; }
  TWorkbook IFDSRC_File;

  QComboBox* Input_Sensor;
  QChart* CalibrateChart;
  QLineEdit* Reference_Input;
  QLineEdit* Voltage_Input;
  QProgressBar* Calibrate_Gauge;
  QPushButton *FreezeButton, *PlotPointButton, *DirectButton, *OkButton, *ApplyButton, *CancelButton, *HelpButton;
  QWidget* DirectPanel;
  QTableWidget* Grid;
  QPushButton *GridPlotButton, *RevertButton;
  QTimer* Sensor_Reading;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Reset();
  void LoadStored();
  // The channel's stored points read afresh from the sheet into FStored; throws EWorkbookError.
  void ReadStored();
  void RedrawNew();
  void RedrawStored();
  void FitAxes();
  void FillGrid(const std::vector<TCalibrationPoint>& points);
  void SetLive(bool live);
  void FinishClosing();
  // The stored calibrations put into the channels' conversion tables; false when that cannot be
  // done safely now.
  bool CanApplyNow() const;
  bool ApplyNow();
  QString SheetPath() const;
  const TQXDataList* List() const;

  QString FSheetPath;
  const TQXDataList* FList = nullptr;
  QPointer<TQXIFDAnalogueSource> Data;
  std::vector<QPointer<TQXIFDAnalogueSource>> FSources;
  TCalibrationPoints FNew;
  std::vector<TCalibrationPoint> FStored;
  std::set<int> FStoredChannels;  // channels stored since the window was shown
  QScatterSeries *FStoredSeries, *FNewSeries;
  QLineSeries* FStoredLine;
  QValueAxis *FAxisX, *FAxisY;
  bool FInReferenceCheck = false;
  // Whether the reference field's text has been read since it last changed, and how.
  enum class TReferenceState { Unread, Read, Refused } FReference = TReferenceState::Unread;
  bool FClosing = false;
  bool FStoreFailed = false;
};
