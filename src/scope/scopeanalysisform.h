#pragma once
// "Measure Capture": a capture run of the results table as an oscilloscope reads it. The traces
// with two time and two level cursors, each channel's measurements beside them (copied as text),
// the spectrum of each channel (window, dB or linear, averaged over the table's captures of the
// same length and rate) with its peak read out, and channel B against channel A.

#include <memory>
#include <vector>

#include <QDialog>

#include "scope/capturetrace.h"
#include "scope/scopecursors.h"
#include "scope/scopemeasurements.h"
#include "scope/scopespectrum.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;
class TScopePlot;
class TTableForm;

class TScopeAnalysisForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* Caption = "Measure Capture";
  static constexpr const char* NoCapture = "There is no capture to measure yet. Take one with GO (the oscilloscope "
                                           "captures after the logger's sample), then measure it here.";

  explicit TScopeAnalysisForm(TTableForm* table, QWidget* parent = nullptr);
  ~TScopeAnalysisForm() override;

  // The list of the table's captures made again; the newest shown.
  void ShowNewest();
  // Shows capture run `sheet`; false (and the reason in the window) when it cannot be read.
  bool ShowCapture(int sheet);
  // The measurements of every channel as text (also what Copy puts on the clipboard).
  QString MeasurementsText() const;
  void CopyMeasurements();

  const TCaptureTrace& Trace() const { return FTrace; }
  const TScopeMeasurements& Measurements(int channel) const { return FMeasures[static_cast<std::size_t>(channel)]; }
  const TScopeSpectrum& Spectrum(int channel) const { return *FSpectra[static_cast<std::size_t>(channel)]; }
  TScopeCursors& Cursors() { return FCursors; }
  // The controls and views, for tests and pictures.
  QTabWidget* Tabs() const { return FTabs; }
  QComboBox* CaptureBox() const { return FCaptureBox; }
  QComboBox* WindowBox() const { return FWindowBox; }
  QComboBox* ScaleBox() const { return FScaleBox; }
  QCheckBox* AverageBox() const { return FAverage; }
  QTableWidget* MeasureTable() const { return FTable; }
  TScopePlot* TracePlot() const { return FTracePlot; }
  TScopePlot* SpectrumPlot() const { return FSpectrumPlot; }
  TScopePlot* XYPlot() const { return FXYPlot; }
  QLabel* CursorReadout() const { return FCursorText; }
  QLabel* PeakReadout() const { return FPeakText; }
  QLabel* XYReadout() const { return FXYText; }
  QLabel* Status() const { return FStatus; }

 private:
  void Build();
  void FillMeasurements();
  void RefreshCursorText();
  void RefreshSpectrum();
  void RefreshXY();
  QString UnitsOf(int channel) const;
  // Nothing to show: the reason in place of the traces, the views emptied.
  void ShowNothing(const QString& why);

  TTableForm* FTable0;
  TCaptureTrace FTrace;
  std::vector<TScopeMeasurements> FMeasures;
  std::vector<std::unique_ptr<TScopeSpectrum>> FSpectra;
  TScopeCursors FCursors;
  std::vector<int> FSheets;  // the capture runs listed, by sheet

  QComboBox *FCaptureBox, *FWindowBox, *FScaleBox;
  QCheckBox* FAverage;
  QPushButton* FCopy;
  QTabWidget* FTabs;
  QTableWidget* FTable;
  TScopePlot *FTracePlot, *FSpectrumPlot, *FXYPlot;
  QLabel *FCursorText, *FPeakText, *FXYText, *FStatus;
};
