#pragma once
// One driver device of a card ("VelUSB0", "DoruzOVA1", ...): answers the five control calls with
// the card's registers and ports. A VelUSB-kind device answers register reads with a block (64
// bytes unless the caller asks otherwise) and serves the scan call; a DoruzOVA-kind device answers
// register reads with two bytes and has no scan call.
//
// Registers are bytes; a register read returns the little-endian word starting at the address.
// Reads of 0x50 + 2i give analogue input i as an unsigned count (value + 2048), 0x74/0x75 the
// frequency measurement, 0xBE the next block of capture data; everything else reads back what was
// last written.
//
// Capture: writing 0xAC with bit 7 arms it. Without a trigger it starts at once; with a digital
// trigger mask in 0xBD it starts when one of those inputs is high; with bit 4 (analogue trigger)
// when channel one rises through the level in 0x52/0x53, keeping the pre-trigger count of
// 0x50/0x51 pairs from before. Bit 7 of 0xAC reads set until the capture is over (the sample count
// of 0xBB/0xBC taken; an analogue capture once triggered); writing 0xAC without bit 7 disarms.

#include <QByteArray>
#include <QString>

#include "cardspec.h"

class TInverter;
class TPlantModel;

class TLegacyDevice {
 public:
  enum TCode : quint32 {
    GetSCAN = 0x80002000, GetRAM = 0x80002008, SetRAM = 0x8000200C, GetPort = 0x80002010, SetPort = 0x80002014
  };
  struct TAnswer {
    bool Ok = false;
    QByteArray Data;
  };

  // slot 0: the main card; slot 1: the expansion card (identity port bit 4 set).
  TLegacyDevice(const TCardSpec& spec, int slot, TPlantModel& plant, TInverter& inverter);
  void SetFrequencyGate(double seconds) { FGate = seconds; }

  TAnswer Call(quint32 code, const QByteArray& input, quint32 outSize);
  // A readable form of a call for the log ("SetRAM 0x9a=0x00").
  static QString Describe(quint32 code, const QByteArray& input);

 private:
  QByteArray Read(int address, int size);
  void Write(int address, int value);
  void WritePort(int port, int value);
  int Input(int index);
  void UpdateFrequency();
  void UpdateOutput(int highRegister);

  TCardSpec FSpec;
  int FSlot;
  TPlantModel& FPlant;
  TInverter& FInverter;
  QByteArray FMemory;
  int FPorts[4] = {};
  bool FSingleEnded = true;
  double FGate = 0.1;
  int FFrequencyInput = -1;    // measuring this input until FFrequencyDone
  double FFrequencyDone = 0;
  int FFrequencyCount = 0;
  // The capture's state, brought up to the plant's time when 0xAC or 0xBE is read.
  void UpdateCapture();
  double CaptureInterval() const;
  bool FArmed = false;
  double FArmedAt = 0, FScanned = 0;
  double FTriggerAt = -1;      // -1: not triggered yet
  double FCaptureStart = 0;    // time of the first pair
  qint64 FCapturePair = 0;     // next pair handed out at 0xBE
};
