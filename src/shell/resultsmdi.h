#pragma once
// "Diagram": the mimic of the rig on its backdrop picture. Creating it assembles the acquisition
// core: the interface facade, the data list with every source, and the logger panel whose tick
// then runs the program.

#include <memory>

#include <QPixmap>
#include <QWidget>

class TQXDataList;
class TQXIFD;
class TQXLoggerPanel;
class TRigConfig;
class TMaster;

class TResultsMDI : public QWidget {
  Q_OBJECT
 public:
  explicit TResultsMDI(TMaster& master, QWidget* parent = nullptr);
  ~TResultsMDI() override;

  // Builds the core for the rig. On an error the message is shown and the steps after it do not
  // run (no tick); false then.
  bool Assemble(TRigConfig& rig);

  TQXIFD* IFD() const { return FIFD.get(); }
  TQXLoggerPanel* Logger() const { return FLogger.get(); }
  TQXDataList* DataList() const { return FDataList.get(); }
  const QPixmap& Backdrop() const { return FBackdrop; }

 protected:
  void focusInEvent(QFocusEvent* event) override;

 private:
  TMaster& FMaster;
  QWidget* FPanel;
  QPixmap FBackdrop;
  std::unique_ptr<TQXIFD> FIFD;
  std::unique_ptr<TQXDataList> FDataList;
  std::unique_ptr<TQXLoggerPanel> FLogger;
};
