#pragma once
// The legacy half of the interface facade: opening the kernel-driver devices, deciding which is
// the main card and which the expansion card, and reading and writing their registers and ports
// for sampling, outputs, frequency measurement and the inverter link. Runs synchronously on the
// GUI thread inside the facade's calls. Every failed call closes all devices and shows its text;
// the next operation that needs the devices opens them again.

#include <array>
#include <cstdint>
#include <optional>

#include <QString>

#include "ifd/ifdstate.h"
#include "ifd/legacy/ilegacydriver.h"

class ILegacyHost;
class TRigConfig;

class TLegacyAccess {
 public:
  static constexpr int MultiplexerSettleMs = 16;

  // `rig` may be null (a facade without a rig configuration); `host` may be null.
  TLegacyAccess(TIFDState& state, ILegacyDriver& driver, const TRigConfig* rig, ILegacyHost* host);
  ~TLegacyAccess();

  void OpenPorts();
  void ClosePorts();
  void DisposeHandles();
  // 0: port 3 could not be read; 2: expansion card; 1: main card.
  int CheckDeviceType(THandle HandleNo);
  void SetTransfer();
  void SetFilter();

  void SampleNow();
  bool SetAnalogueValue(int channel, double value);
  bool SetDigitalOutputValueLeg(int digital_line, bool on_off);
  void ResetDigitalOutputs();
  void Watchdog();
  int GetFrequency(int channel);
  void GetTwinFreqs(int channel1, int channel2);
  bool SetDACOutputValue(int channel, int DACNumber, int value, bool invert);
  void SendToInverter(const QByteArray& send);
  QString ReadFromInverter();

  // Register access on the main device for the captures: a failed call reports false and leaves
  // the devices as they are (the caller decides what to close and what to show).
  bool SetMainRAM(int reg, int value) { return FMainHandle > 0 && SetRAM(FMainHandle, reg, value); }
  bool GetMainRAM(int reg, int& word) { return FMainHandle > 0 && GetRAM(FMainHandle, S.MainDevice, reg, word); }
  // The next block of the main card's capture memory: 16 sample pairs (channel one, channel two
  // alternating) as signed counts, a word the answer fell short of read as a raw zero. False when
  // the read failed or fell short.
  static constexpr int CapturePairs = 16;
  // Capture memory holds unsigned counts; 2047 is the zero subtracted.
  static constexpr int CaptureZero = 2047;
  using TCaptureBlock = std::array<int, 2 * CapturePairs>;
  bool GetCaptureBlock(TCaptureBlock& counts);
  // Opens the devices when they are closed; false when they are not to be used at all (a client
  // program leaves them to its server).
  bool OpenWhenNeeded();
  // A status text to the host's panel.
  void Status(int panel, const QString& text);

  THandle MainHandle() const { return FMainHandle; }
  THandle ExpnHandle() const { return FExpnHandle; }
  std::uint8_t Device1() const { return FDevice1; }
  std::uint8_t Device2() const { return FDevice2; }
  bool CheckIfPortsOpen() const { return FCheckIfPortsOpen; }
  bool CheckIfSetInputModeSucceded() const { return FCheckIfSetInputModeSucceded; }

 private:
  bool UsingEXP() const;
  bool UsingIFD() const;
  // A client program leaves the interface to its server: it opens no device and writes nothing.
  bool ClientProgram() const;
  void TwoCardAssignment();
  void SingleCardAssignment();
  void DriverErrors();
  // The status naming a device that did not answer in time, else `otherwise`.
  QString NoAnswerText(const QString& otherwise) const;

  bool SetRAM(THandle h, int reg, int value);
  bool SetPort(THandle h, int port, int value);
  // The output port of `h` (the main or the expansion device) set to `value`, unless the device
  // holds it already: outputs go when they change, not on every call.
  bool WriteOutputs(THandle h, int value);
  // After the devices were opened anew, the output images go out again.
  void RestoreOutputs();
  bool GetPort(THandle h, int port, int& value);
  // One register word: 64-byte read on a VelUSB-kind device, 2-byte read on a DoruzOVA-kind one.
  bool GetRAM(THandle h, std::uint8_t kind, int reg, int& word);
  // Inputs 0-15 in use on the main card or the expansion card; each one read becomes a reading of
  // the sample being gathered (an unsigned count in the registers: 2048 is zero).
  bool ReadInputs(THandle h, std::uint8_t kind, bool expansion, int panel, const QString& error);
  int FGarbledReadings = 0;  // words beyond 12 bits, dropped
  void TakeRaw(bool expansion, int i, int raw);
  void ReadMultiplexed();
  bool WriteOutputPair(THandle h, int lowReg, int slot);
  void SettleWait();
  // Frequency measurement: writing an input's bit to 0x74 starts one, 0x74's low byte reads 0 once
  // the count is ready, and 0x75 holds the count.
  // True when the count is ready; `ok` false when the status could not be read.
  bool FrequencyReady(bool& ok);
  // The count into MainChannelValue[index], the measurement over; false when it could not be read.
  bool CollectFrequency(int index, bool& collecting);
  // A measurement started on inputs 0..7 (any other is none to start); false when it failed.
  bool StartFrequency(int channel, bool& collecting);

  TIFDState& S;
  ILegacyDriver& FDriver;
  const TRigConfig* FRig;
  ILegacyHost* FHost;
  // DoruzOVA0, DoruzOVA1, VelUSB0, VelUSB1
  std::array<THandle, 4> FHandles{};
  std::uint8_t FDevice1 = legacy::KindNone, FDevice2 = legacy::KindNone;
  THandle FMainHandle = 0, FExpnHandle = 0;
  // What each device's output port was last set to; unknown after the devices were closed.
  std::optional<int> FMainOutputsHeld, FExpnOutputsHeld;
  bool FCheckIfPortsOpen = false;
  bool FCheckIfSetInputModeSucceded = false;
};
