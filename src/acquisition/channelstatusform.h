#pragma once
// "IFD Channel Status": a bar gauge per analogue input with its voltage, its value and its name.

#include <vector>

#include <QWidget>

class QFrame;
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
  const std::vector<QLineEdit*>& ValueFields() const { return FValues; }
  int ColumnWidth() const { return FColumnWidth; }

 private:
  // Places every column at `width` pixels and sizes the window to them.
  void LayOut(int width);
  int TextWidth(const QString& text) const;

  std::vector<QFrame*> FPanels;
  std::vector<QProgressBar*> FGauges;
  std::vector<QLineEdit*> FVolts, FValues;
  std::vector<QLabel*> FNames;
  int FColumnWidth = 32;
};
