#pragma once
// "Sensor History": the last 101 seconds of every analogue input's value on a line chart, with a
// check box per input to hide or show it.

#include <vector>

#include <QWidget>

class QCheckBox;
class QChart;
class QLineSeries;
class QPushButton;
class QTimer;
class TQXDataList;

class TSensorHistoryForm : public QWidget {
  Q_OBJECT
 public:
  static constexpr int Points = 101;

  explicit TSensorHistoryForm(QWidget* parent = nullptr);
  void Build(const TQXDataList& list);
  // One point per input (the timer does this every second while the window is shown).
  void Sample();

  int SeriesCount() const { return static_cast<int>(FSeries.size()); }
  QLineSeries* Series(int i) const { return FSeries[static_cast<size_t>(i)]; }
  QCheckBox* Check(int i) const { return FChecks[static_cast<size_t>(i)]; }
  void ToggleWidth();
  // A high-speed capture holds the card: no samples are fetched until it ends.
  void Pause();
  void Resume();  // fetching again, when the window is shown
  bool Fetching() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  const TQXDataList* FList = nullptr;
  QChart* FChart;
  QTimer* FTimer;
  bool FPaused = false;
  QPushButton* FWiden;
  std::vector<QLineSeries*> FSeries;
  std::vector<QCheckBox*> FChecks;
  std::vector<std::vector<double>> FHistory;
};
