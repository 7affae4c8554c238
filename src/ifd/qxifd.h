#pragma once
// The interface-device facade: the one object through which the rest of the program reads and
// drives the interface cards. It keeps the channel values and output images (TIFDState) and runs
// every operation on whichever of its two paths is active: the legacy driver path (TLegacyAccess,
// synchronous) or the serial path (TIFDSerialLink, replies arriving later through the dispatcher).
// The two path objects are its own; callers see one object.

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include "ifd/ifdstate.h"
#include "ifd/legacy/ilegacyhost.h"
#include "ifd/serial/ifdinputmode.h"
#include "ifd/serial/ifdseriallink.h"
#include "ifd/serial/iifdserialhost.h"
#include "ifd/serial/sentoutputbytes.h"

class IFrequencyReader;
class IIFDHost;
class ILegacyDriver;
class TApdComPortEx;
class TIFDConfig;
class TLegacyAccess;
class TLegacyBurst;
class TQrlInfo;
class TRigConfig;
class TScopeCnfg;
class TSerialMessage;

class TQXIFD : public QObject, public TIFDState, private ILegacyHost, private IIFDSerialHost {
  Q_OBJECT
 public:
  static constexpr const char* LoadExerciseQuestion =
      "The software is currently communicating with the equipment.\rLoading a new exercise will interrupt the "
      "communication temporarily\rand reset all the controls to their default.\rDo you wish to load a new exercise?";
  static constexpr const char* TerminateSessionQuestion =
      "The software is currently communicating with the equipment.\rAre you sure you want to terminate the session?";
  // Outputs written one after another get this much time each (resets and shutdown).
  static constexpr int OutputPauseMs = 5;
  // Keeps the window alive for `ms` milliseconds of the program's clock (the waits of the legacy
  // card's captures and output sequences).
  static void Pause(int ms);

  // The rig configuration is the program's (TServices::Rig()); without one the facade stands
  // alone. `host` (the main window) may be null or set later. `driver` null: the device-socket
  // driver. The facade registers itself as the program's facade.
  explicit TQXIFD(QObject* AOwner = nullptr, IIFDHost* host = nullptr, ILegacyDriver* driver = nullptr);
  ~TQXIFD() override;
  TQXIFD(const TQXIFD&) = delete;
  TQXIFD& operator=(const TQXIFD&) = delete;

  void SetHost(IIFDHost* host) { FHost = host; }
  IIFDHost* Host() const { return FHost; }
  const TRigConfig* Rig() const { return FRig; }

  // ---- creation and parameters ----
  // The ports given to this instance at launch ("COMs", and "COMm").
  void TakeLaunchParameters(const TQrlInfo& info);
  void ReadParametersFromRig();
  void WriteParameters();
  // Shows the settings dialog modally with `current_sample_rate` as the interval; the new interval
  // after OK, `current_sample_rate` otherwise.
  int Configure(int current_sample_rate);
  // The settings dialog registers itself while it exists (card identification texts go there).
  void SetConfigDialog(TIFDConfig* dialog);
  TIFDConfig* ConfigDialog() const;

  // ---- channels ----
  void RegisterChannel(int channel_index, int MaxValue);
  int DataForChannel(int channel);
  void ConfirmDigitals();

  // ---- sampling and outputs ----
  void SampleNow();
  bool SetAnalogueValue(int channel_index, double value);
  bool SetDigitalOutputValue(int digital_line, bool on_off);
  bool SetDACOutputValue(int channel, int DACNumber, int value, bool invert);
  void Watchdog();
  int GetFrequency(int channel);
  void GetTwinFreqs(int channel1, int channel2);
  void stopFrequencySampling() { FisFrequencySamplingOn = false; }
  void startFrequencySampling() { FisFrequencySamplingOn = true; }
  // Frequency sources register while they exist; each gets every count that arrives.
  void RegisterFrequencyReader(IFrequencyReader* reader);
  void UnregisterFrequencyReader(IFrequencyReader* reader);
  void reSetFrequencyReaders();
  void StopSetVComDOs() { FForwardVComDOsSet = false; }
  void ResumeSetVComDOs() { FForwardVComDOsSet = true; }
  void ResetAnalogueOutputs();
  void ResetDigitalOutputs();
  void CloseProcessing();
  void SetFilter();
  void SetTransfer();

  // ---- high-speed capture ----
  // Legacy burst: the two inputs, then the whole capture into Ch1Vals / Ch2Vals (2000 each);
  // false when no complete capture was read.
  void SetBurstChannel(int channel1, int channel2);
  bool GetBurst(int trigger);
  // Serial capture: the configuration's command to the master card; the transfer follows the
  // card's end report and is collected by THS_data_SerialConnector.
  void getScopeScan(const TScopeCnfg* ASender);

  // ---- inverter transport ----
  void SendToInverter(const QByteArray& send);
  QString ReadFromInverter();
  // Written as given (no CR) to the first port, only on the serial path with a Vexa.
  void ToInverter_COM(const QByteArray& code);

  // ---- paths ----
  // `ASender`: the main window when it asks, null otherwise.
  void switchIOtoLegacyDriver(const IIFDHost* ASender, bool AForce);
  void switchIOtoIFDVComMaster(const IIFDHost* ASender);
  void switchIOtoIFDVComSlave(const IIFDHost* ASender);
  void ActivateCard(TApdComPortRole role) override;
  void OpenPorts();
  void ClosePorts();
  void DisposeHandles();

  // ---- serial connection ----
  bool OpenVComPort(TIFDSerialLink::TPortSlot port, const QString& name, int Value);
  bool OpenPortAsking(TApdComPortEx& port);
  void ConnectFirstCard();
  void ActivateIFDVComAux();
  void ReleaseSecondPort();
  void CardIdentified(const QString& text, const QString& cardMarker);
  void CardLost(const QString& cardMarker);
  void SetVComLoggingMode();
  void TryToRestoreLogManually();
  void readCaptureRig();
  void listAvailableComPorts();
  // Reads "autocom", "lastcom_m", "lastcom_s" (the settings dialog does so at start-up).
  void ReadLastPorts();
  // Posts the silent reconnect to the main window when the requester is this facade.
  void RequestSilentReconnect(const TQXIFD* ARequester);
  QString getParsedVComPortsValues() const;

  // ---- queries ----
  bool vComPortOpen() const;
  bool vComPortOpenAux() const;
  int vcomPortMaster() const;
  int vcomPortSlave() const;
  QString vcomPortMasterStr() const { return QString::number(vcomPortMaster()); }
  QString vcomPortSlaveStr() const { return QString::number(vcomPortSlave()); }
  bool isVexamode() const;
  bool queryVexaautomatically() const;
  TApdComPortEx* ComPort() const { return FLink->ComPort(); }
  TApdComPortEx* ComPortAux() const { return FLink->ComPortAux(); }
  TIFDSerialLink& SerialLink() { return *FLink; }
  TLegacyAccess& LegacyAccess() { return *FLegacy; }

  // ---- the dispatcher's handlers ----
  void LogDataIn(const QString& AData);
  void LogDataOut(const QString& AData);
  static TSerialMessage SplitCodeAndData(const QString& AData);
  static int CardMarkerToCardRole(const QString& cardmrk);

  // ---- fields (besides TIFDState's) ----
  bool FForwardVComDOsSet = true;
  bool FisFrequencySamplingOn = true;
  int F_CaptureApparatus = 0;
  bool F_SENT_queryVexaautomatically_MESSAGE = false;
  bool F_is_QXIFD_StandAlone = false;

 signals:
  // The first reading of a card arrived (after start-up or the card's activation): the logger
  // shows it at once instead of at its next tick.
  void FirstReadingArrived();

 private:
  std::unique_ptr<TIFDSerialLink> FLink;  // before the references into it

 public:
  // Card state and port choice of the serial path, kept by the link.
  bool& FisVexa;
  bool& FMainCardActive;
  bool& FAuxCardActive;
  bool& FvComMasterIFDided;
  bool& FvComSlaveIFDided;
  TIFDInputMode& fIFDimMaster;
  TIFDInputMode& fIFDimSlave;
  bool& FtryAutoComConnect;
  int& FpreAssignedPortValCOMm;
  int& FpreAssignedPortValCOMs;
  int& FlastPortValCOMm;
  int& FlastPortValCOMs;

 private:
  std::set<int> FReportedChannels;  // invalid channels already reported by DataForChannel

  // ILegacyHost (forwarded to the main window).
  void SetStatusPanel(int panel, const QString& text) override;
  void SetVComToolsOn() override;
  void SetVComToolsOff() override;
  // IIFDSerialHost.
  TSerialRigValues RigValues() const override;
  bool UserClickedForComms() const override;
  void SwitchToLegacyDriverForced() override;
  void ReplyReceived(TApdComPortRole role, const QString& cardMarker, int code, const QString& data) override;
  bool InputInUse(bool auxiliary, int input) const override;
  void VComOneIsSet(const QString& port) override;
  void VComTwoIsSet(const QString& port) override;
  void VComMasterIFDidentified() override;
  void VComSlaveIFDidentified() override;
  void EnableVexamode() override;
  void VComLostMaster() override;
  void VComLostSlave() override;
  void setVComStatusMsg(const QString& text) override;
  void setVComAuxStatusMsg(const QString& text) override;
  void AddDebugMessages(const QStringList& lines) override;
  void ShowCardFirmware(TApdComPortRole role, const QString& text) override;
  void ClearCardFirmware(TApdComPortRole role) override;

  // Reply effects.
  void DigitalInputsReply(TApdComPortRole role, const QString& data);
  void UpperDigitalInputsReply(const QString& data);
  void AnalogueInputsReply(TApdComPortRole role, const QString& data);
  // The reply to "I" + input, asked after an "IA" answer was lost.
  void SingleInputReply(TApdComPortRole role, int input, const QString& data);
  void FrequencyReply(const QString& data);
  // Frequency requests of the serial path: when one went out, and giving up those never answered.
  void NoteFrequencyRequest();
  void GiveUpLostFrequencyRequests();
  // A high-speed capture has ended on the card (`text`: its end report): the transfer starts.
  void StartHighSpeedTransfer(const QString& text);

  void SerialSampleNow();
  // The master's (or the slave's) output bytes the card does not hold yet; with `onlyWritable`
  // nothing when the port or the transmit gate is closed (no command for the log alone).
  void SendDueOutputs(bool slave, bool onlyWritable);
  bool SerialAnalogueValue(int channel_index, double value);
  void SendToPort(TApdComPortEx* port, const QByteArray& command);
  void FrequencyToReaders(int count);
  bool UsingIFD() const;
  bool UsingEXP() const;

  TRigConfig* FRig;
  IIFDHost* FHost;
  std::unique_ptr<ILegacyDriver> FOwnDriver;
  std::unique_ptr<TLegacyAccess> FLegacy;
  std::unique_ptr<TLegacyBurst> FBurst;
  QPointer<TIFDConfig> FConfigDialog;
  std::vector<IFrequencyReader*> FFrequencyReaders;
  TSentOutputBytes FSentOutputs;
  bool FFirstReadingDue = true;  // no reading has arrived since start-up or the card's activation
  std::int64_t FSampleStep = 0;  // sample steps taken
  std::int64_t FFrequencyRequestStep = 0, FFrequencyRequestedMs = 0;
};
