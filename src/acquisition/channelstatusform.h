#pragma once
// "IFD Channel Status": a bar gauge per analogue input with its voltage, its value and its name.

#include <vector>

#include <QWidget>

class QLabel;
class QLineEdit;
class QProgressBar;
class TQXDataList;

class TChannelStatusForm : public QWidget {
  Q_OBJECT
 public:
  explicit TChannelStatusForm(QWidget* parent = nullptr);
  // Builds one column per analogue input of the list.
  void Build(const TQXDataList& list);
  // The current voltages and values.
  void Refresh(const TQXDataList& list);
  int Channels() const { return static_cast<int>(FGauges.size()); }
  const std::vector<QProgressBar*>& Gauges() const { return FGauges; }

 private:
  std::vector<QProgressBar*> FGauges;
  std::vector<QLineEdit*> FVolts, FValues;
};
