#pragma once
// The facade's serial connection: its two card ports, choosing and opening them, identifying the
// master and the slave card, losing them, and the logging/restore switches. The facade owns one
// and calls it; what the link needs from above goes through IIFDSerialHost.

#include <QObject>
#include <QString>

#include "ifd/serial/ifdinputmode.h"
#include "ifd/serial/replycollector.h"

class IIFDSerialHost;
class TApdComPortEx;
class TQrlInfo;

class TIFDSerialLink : public QObject {
  Q_OBJECT
 public:
  enum class TPortSlot { First, Second };

  static const QString& NoPortWarning();
  static const QString& SelectPortQuestion();
  static const QString& VexaMismatchWarning();
  static constexpr const char* VexaModelField = "Vexa";

  explicit TIFDSerialLink(IIFDSerialHost& host, QObject* parent = nullptr);
  ~TIFDSerialLink() override;

  TApdComPortEx* ComPort() const { return FComPort; }
  TApdComPortEx* ComPortAux() const { return FComPortAux; }
  // The port whose card marker is `name` ("ms", "sl", "xx", "yy"), null when none.
  TApdComPortEx* PortNamed(const QString& name) const;

  // Port choice: the ports given at launch, and the ports last used (registry).
  void TakeLaunchParameters(const TQrlInfo& info);
  void ReadLastPorts();
  void WriteLastPorts();

  bool OpenVComPort(TPortSlot slot, const QString& name, int Value);
  bool OpenPortAsking(TApdComPortEx& port);
  void ConnectFirstCard();
  void ActivateIFDVComAux();
  // Close a port, give its card-lost notice, drop its triggers and free it.
  void ReleasePort(TPortSlot slot);
  void ReleaseSecondPort() { ReleasePort(TPortSlot::Second); }

  void CardIdentified(const QString& text, const QString& cardMarker);
  void CardLost(const QString& cardMarker);

  void SetVComLoggingMode();
  void TryToRestoreLogManually();
  void readCaptureRig();
  void listAvailableComPorts();

  // The port part of the facade's ActivateCard: the card's input mode on its port and the "IA"
  // collector sized for it; the card marked active.
  void ApplyCardMode(TApdComPortRole role);
  // The serial sampling requests of one tick.
  void SendSampleRequests();
  // A port's status text to the main window, and the refresh message posted; nothing without the
  // port.
  void PublishMasterStatus();
  void PublishSlaveStatus();

  // "¦COMm=" + master COM number + "¦COMs=" + slave COM number.
  QString getParsedVComPortsValues() const;
  bool vComPortOpen() const;
  bool vComPortOpenAux() const;
  int vcomPortMaster() const;
  int vcomPortSlave() const;

  // The dispatcher's handlers.
  void LogDataIn(const QString& AData);
  void LogDataOut(const QString& AData);

  TReplyCollector& Collector(TPortSlot slot) { return slot == TPortSlot::First ? FFirstReplies : FSecondReplies; }

  // Connection state (the facade reads and clears these).
  bool PortOpenedSuccessfully = false;
  bool FtryAutoComConnect = false;
  int FpreAssignedPortValCOMm = -1;
  int FpreAssignedPortValCOMs = -1;
  int FlastPortValCOMm = -1;
  int FlastPortValCOMs = -1;
  bool FisVexa = false;
  bool FvComMasterIFDided = false;
  bool FvComSlaveIFDided = false;
  bool FMainCardActive = false;
  bool FAuxCardActive = false;
  TIFDInputMode fIFDimMaster = TIFDInputMode::NONE;
  TIFDInputMode fIFDimSlave = TIFDInputMode::NONE;

 private:
  TApdComPortEx*& Slot(TPortSlot slot) { return slot == TPortSlot::First ? FComPort : FComPortAux; }
  void InstallReplyHandlers(TPortSlot slot);
  // The connection steps shared by both cards.
  void ConnectCard(TPortSlot slot);
  bool IdentifyRole(TApdComPortRole role, const QString& text, const QString& cardMarker);
  void PostRefresh(const char* messageName);

  IIFDSerialHost& FHost;
  TApdComPortEx* FComPort = nullptr;
  TApdComPortEx* FComPortAux = nullptr;
  TReplyCollector FFirstReplies{false};
  TReplyCollector FSecondReplies{true};
};
