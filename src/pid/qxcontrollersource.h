#pragma once
// A PID controller on the diagram: a small box with its mode and set point, and a button that
// opens its window. The window owns the controller and runs the control step; this source shows
// it and writes its settings and output into the sample row.

#include <memory>

#include "acquisition/qxsource.h"

class QGroupBox;
class QLabel;
class QPushButton;
class TPIDdisplay;
enum class TProgramType;

class TQXControllerSource : public TQXSource {
  Q_OBJECT
 public:
  enum TKickTimingType { timer_off, timer_on };

  explicit TQXControllerSource(QObject* owner = nullptr);
  ~TQXControllerSource() override;

  // Construction with the program type the data list passes.
  void Create2(TProgramType Aside);
  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  // The button, or a double-click on the box: opens the window, unlocked.
  void DButtonClick();
  QString GetProcessVariableName() const;
  // The hint of the box and the button.
  void SetHints(const QString& hint);

  TProgramType FTypeOfApplication;
  TKickTimingType FkickingType = timer_on;
  bool FCanEditPIDproperties = true;
  QGroupBox* NameControl = nullptr;
  QLabel *StatusControl = nullptr, *SetPointControl = nullptr, *StatusTitle = nullptr, *SetPointTitle = nullptr;
  QPushButton* PIDButton = nullptr;
  std::unique_ptr<TPIDdisplay> PIDdisplay;
  int Index = 0;

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
};
