#pragma once
// Options > Lab Network: where the lab's broker is and who this station is, with a "Test
// connection" button that tries the settings as they stand in the dialog and says what happened.

#include <memory>

#include <QDialog>

#include "lab/labsettings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TLabConnection;

class TLabSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TLabSettingsDialog(const TLabSettings& settings, QWidget* parent = nullptr);
  ~TLabSettingsDialog() override;

  // The settings as the dialog's fields hold them.
  TLabSettings Settings() const;
  // Starts a test of the fields' settings; the answer appears in TestResult() (and TestDone).
  void TestConnection();
  QString TestResult() const;
  // OK: the settings saved; a failed save is told and the dialog stays open.
  void accept() override;

 signals:
  void TestDone(const QString& text);

 private:
  TLabSettings FInitial;
  QCheckBox* FEnabled;
  QLineEdit *FHost, *FLab, *FStation, *FUser, *FPassword, *FCaFile, *FCertFile, *FKeyFile;
  QSpinBox* FPort;
  QPushButton* FTest;
  QLabel* FResult;
  std::unique_ptr<TLabConnection> FProbe;
};
