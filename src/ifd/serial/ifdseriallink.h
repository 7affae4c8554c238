#pragma once
// The facade's serial connection: its two card ports, choosing and opening them, identifying the
// master and the slave card, losing them, and the logging/restore switches. The facade owns one
// and calls it; what the link needs from above goes through IIFDSerialHost.

#include <array>
#include <cstdint>
#include <utility>

#include <QObject>
#include <QString>
#include <QTimer>

#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/ifdinputmode.h"
#include "ifd/serial/replycollector.h"

class IIFDSerialHost;
class TQrlInfo;
struct TSerialRigValues;

class TIFDSerialLink : public QObject {
  Q_OBJECT
 public:
  enum class TPortSlot { First, Second };

  static constexpr const char* NoPortWarning =
      "The programm cannot find any available Comm Port on this system. \rPlease, check that USB connector to any "
      "Veltrim device is working \rand check that the device is properly loaded and recognised by \rthe system by "
      "using the device manager.";
  static constexpr const char* SelectPortQuestion =
      "A VCOM port must be selected from the list box of the auto-prompt \rwindow to attempt a connection. \r \rDo "
      "you wish to reattempt the selection and connection now?";
  static constexpr const char* VexaMismatchWarning =
      "The conneced interface is recongnised as an Vexa but the configuration \rsettings are set to drive an Brenna "
      "interface, this might cause the  \rcommunication to fail. \rPlease, select the Vexa mode from the IFD "
      "Configuration Tool and then \rrestart the application and attempt the connection again.";
  static constexpr const char* VexaModelField = "Vexa";
  // A card's line failed: what its status panel shows until the user acts or the card is back.
  static constexpr const char* LostStatus = "IFDVCM: LOST";

  // How long a card has to identify itself after "ARM", and how often a lost card's port is looked
  // for again while sampling.
  static inline int IdentifyTimeoutMs = 3000;
  static inline int ReopenIntervalMs = 1000;
  // A port gets its next "IA" only when the last answer is in, or has been given up after this.
  static inline int AnswerTimeoutMs = 250;

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
  // The slot's card went with its line (the port closed itself) and has not come back yet.
  bool LineLost(TPortSlot slot) const { return FLineLost[Index(slot)]; }
  // What the user is told when no card identified itself on COM `comNumber` in time.
  static QString IdentifyFailureText(int comNumber);

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

  // Replies that could not be applied: garbled numbers, "IA" answers dropped short or values no
  // request asked for.
  void CountReplyError() { ++FReplyErrors; }
  int CommunicationErrors() const;

  // How many of the inputs in use (registered) had no value in the sample just closed, for each
  // card; the status texts say the link is degraded while recent samples missed any.
  void NoteSampleLosses(int missingMain, int registeredMain, int missingAux, int registeredAux);
  // Percentage of the readings missed over the last LossWindow samples of the slot's card.
  int LossPercent(TPortSlot slot) const;
  static constexpr int LossWindow = 20;
  // The status text of a card whose recent samples missed readings.
  static QString DegradedStatus(const QString& status, int lossPercent, int errors);
  // "I" + input was sent to the slot's card and its reply is still due; the reply clears it.
  bool SingleInputRequested(TPortSlot slot, int input);
  // What the user is told, once, when a card answers with more inputs than the rig's mode reads.
  static QString ModeMismatchText(int comNumber, TIFDInputMode rigMode);

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
  using TReplyHandlers = std::pair<TApdComPortEx::TDataHandler, TApdComPortEx::TTriggerHandler>;

  TApdComPortEx*& Slot(TPortSlot slot) { return slot == TPortSlot::First ? FComPort : FComPortAux; }
  static int Index(TPortSlot slot) { return slot == TPortSlot::First ? 0 : 1; }
  // The port's line failed: its card is lost until the port opens again.
  void LoseLine(TPortSlot slot);
  // A lost card's port opened again when it is back (at most once per ReopenIntervalMs); its card
  // is then asked to identify itself.
  void TryToReopen(TPortSlot slot);
  // "ARM" to the slot's port, with the bounded wait for the answer.
  void Identify(TPortSlot slot);
  void IdentificationOverdue(TPortSlot slot);
  void PublishStatus(TPortSlot slot, const QString& text);
  QString StatusOf(TPortSlot slot) const;
  // The bytes and trigger handlers that feed the slot's reply collector, its Vexa mode set from the
  // rig first.
  TReplyHandlers ReplyHandlers(TPortSlot slot);
  void InstallReplyHandlers(TPortSlot slot);
  // "IA" to an open port, its collector told that a new answer follows.
  void RequestInputs(TApdComPortEx* port);
  // An "IA" answer was dropped: the slot's inputs in use are asked one by one, their replies
  // naming the input.
  void AskInputsSingly(TPortSlot slot);
  void ReportModeMismatch(TPortSlot slot);
  // The port's last "IA" answer is still arriving (and not yet given up): a request now would take
  // the rest of it for its own.
  bool InputsPending(TApdComPortEx* port) const;
  // The connection steps shared by both cards.
  void ConnectCard(TPortSlot slot);
  bool IdentifyRole(TApdComPortRole role, const QString& text, const QString& cardMarker,
                    const TSerialRigValues& rig);

  IIFDSerialHost& FHost;
  TApdComPortEx* FComPort = nullptr;
  TApdComPortEx* FComPortAux = nullptr;
  int FReplyErrors = 0;
  bool FHeldPort = false;  // a port of this program opened since the remembered ports were written
  std::array<bool, 2> FLineLost{};
  std::array<std::int64_t, 2> FLastReopen{};
  std::array<std::int64_t, 2> FInputsRequested{};
  std::array<QTimer, 2> FIdentifyTimers;
  std::array<std::uint32_t, 2> FSingleInputsDue{};
  std::array<bool, 2> FAskedForInputs{};  // since the card's mode was set
  std::array<bool, 2> FMismatchReported{};
  struct TLosses {
    int Missing = 0, Registered = 0;
  };
  std::array<std::array<TLosses, LossWindow>, 2> FLosses{};
  std::array<int, 2> FLossAt{};
  TReplyCollector FFirstReplies{false};
  TReplyCollector FSecondReplies{true};
};
