#pragma once
// "Set Control Parameters": the process-plant controller's three loops, initialisation
// parameters and ladder stage, with the buttons that stop or start the communication and the
// ladder and read or write the parameters. While it exists it is the diagram's source of the
// controller's digital and analogue values (IPlantArrays).

#include <QWidget>
#include <array>
#include <memory>

#include "acquisition/iplantarrays.h"
#include "plant/plantpoll.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class TResultsPrinter;
class TRigConfig;

class TSCADAForm : public QWidget, public IPlantArrays {
  Q_OBJECT
 public:
  // The window talks through `link` (owned) and registers itself as the plant arrays.
  explicit TSCADAForm(std::unique_ptr<IPlcLink> link, QWidget* parent = nullptr);
  ~TSCADAForm() override;
  // The window for a rig: the Modbus link to the host and port of its Configuration.ini.
  static std::unique_ptr<TSCADAForm> ForRig(const TRigConfig& rig, QWidget* parent = nullptr);

  // IPlantArrays
  bool Digitals(int index) const override;
  double Analogs(int index) const override;
  bool DigitalAvailable(int index) const override;
  bool AnalogAvailable(int index) const override;
  void WriteValues(int ColumnNo) override;

  void CommsButtonClick();
  void LadderButtonClick();
  void ReadButtonClick();
  void WriteButtonClick();
  void PrintForm();
  void CloseProcessing();

  // Runs one step of the poll timer (tests drive it with their clock).
  void Timer1Timer();
  TPlantPoll& Poll() { return FPoll; }
  const TPlantPoll& Poll() const { return FPoll; }

  bool CommsButtonEnabled() const;
  bool LadderButtonEnabled() const;
  bool ReadButtonEnabled() const;
  bool WriteButtonEnabled() const;
  QString StatusText() const { return FPoll.Fault; }
  QLineEdit* Box(const QString& name) const;
  // A parameter box holds what the user typed and has not had written yet (a read leaves it be).
  bool Unwritten(const QString& name) const;
  // The message line and the line of pending requests and their outcomes, as shown.
  QString MessagesText() const;
  QString RequestsText() const;
  TResultsPrinter& Printing() { return *FPrinting; }

 signals:
  // A button's state or the fault line changed: the main window follows with its tool buttons
  // and status bar.
  void ButtonsChanged();

 private:
  // Clean: shows the controller's value and follows its reads. Typed: the user's value, kept until
  // written or discarded by Read Values. Writing: taken by a Write click, clean once written.
  enum class TBoxState { Clean, Typed, Writing };
  struct TParamBox {
    QLineEdit* Edit = nullptr;
    double Limit = 100;
    int Decimals = 0;
    QString Name;       // in the message of a refused value
    double* Target = nullptr;
    const double* Read = nullptr;  // the controller's value as last read
    TBoxState State = TBoxState::Clean;
    int Batch = 0;  // the write that takes it
  };
  void Build();
  void Show(bool parameters);
  void ShowParameters();
  void MarkBox(TParamBox& box, TBoxState state);
  void Written(int batch);
  int Unwritten() const;
  int FreshnessSignature() const;
  bool CheckBox(TParamBox& box);
  bool CheckAll();

  std::unique_ptr<IPlcLink> FLink;
  TPlantPoll FPoll;
  QTimer* FTimer;
  std::unique_ptr<TResultsPrinter> FPrinting;
  // The parameters as the user confirmed them (a box that passed its check); written from here.
  std::array<TPlantPoll::TLoop, 3> FLoops{};
  std::array<double, TPlantPoll::InitCount> FInit{};
  std::vector<TParamBox> FParams;
  std::array<QLineEdit*, 3> FSetPoint{}, FOutput{}, FMode{};
  QLineEdit* FDivert1 = nullptr;
  QLineEdit* FActualPower1 = nullptr;
  QLabel* FMessages = nullptr;
  QLabel* FRequests = nullptr;
  int FBatch = 0;
  int FFreshness = -1;
  QLabel* FStatus1 = nullptr;
  QPushButton *FComms = nullptr, *FLadder = nullptr, *FRead = nullptr, *FWrite = nullptr;
  bool FChecking = false;
};
