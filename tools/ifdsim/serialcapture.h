#pragma once
// The high-speed capture of a serial card: "HS" configures and arms it, the card captures on its
// own and reports the end position, and "T start,count" streams the readings.
//
// Capture memory is addressed in bytes from 4, four bytes per sample pair. A software or
// digital-input capture starts at address 4, so it ends at 4 + 4*NOS. An analogue-trigger capture
// runs in a ring: it keeps kPreTrigger pairs before the trigger, then PSC pairs after it, and ends
// at 4 + 4*(kPreTrigger + PSC); the host fetches NOS pairs ending there.

#include <QObject>
#include <QString>
#include <QTimer>

class TPlantModel;

class TSerialCapture : public QObject {
  Q_OBJECT
 public:
  enum class TTrigger { Software, OnDigital, OnAnalogue };
  static constexpr int kPreTrigger = 16384;

  // slot: 0 for the master card, 1 for the slave (its inputs are plant channels 100 on).
  TSerialCapture(TPlantModel& plant, int slot, QObject* parent = nullptr);

  // Parses "HSkm,ch1,ch2,isd,n[,x]" (without CR). A Vexa counts its mode digit one higher.
  bool Configure(const QByteArray& command, bool vexa, QString* error);
  void Arm();
  bool Finished() const { return FState == TState::Done; }
  // The readings of a finished capture from byte address `start`: `count` readings alternating
  // channel one and channel two, each "reading, channel code byte, CR".
  QByteArray Transfer(qint64 start, qint64 count, QString* error);

  TTrigger Trigger() const { return FTrigger; }
  int Channel(int which) const { return which == 1 ? FCh1 : FCh2; }
  double IntervalSeconds() const { return (FDelay + 255) * 1e-6; }

 signals:
  void CaptureDone(qint64 endPosition);

 private:
  enum class TState { Idle, Waiting, Capturing, Done };
  void Poll();
  void StartCapturing(double triggerTime, int pairs);
  int Sample(int channel, double t);

  TPlantModel& FPlant;
  int FSlot;
  TTrigger FTrigger = TTrigger::Software;
  bool FDifferential = false;
  int FCh1 = 0, FCh2 = 0, FDelay = 0, FCount = 0, FTriggerInput = 0, FTriggerLevel = 0;
  TState FState = TState::Idle;
  double FBase = 0;           // time of the pair at address 4
  double FScanned = 0;        // analogue trigger: time of the last pair looked at
  QTimer FPollTimer, FDoneTimer;
};
