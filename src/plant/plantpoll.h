#pragma once
// The control-parameters window's conversation with the plant controller, without widgets: every
// two seconds a poll cycle reads the controller's digital and analogue words, the three loops and
// the ladder stage, and carries out what the user asked for since the last cycle (start or stop
// the ladder, read or write the parameters). One exchange at a time, each given five seconds.
// Nothing waits: each answer starts the next exchange, so the window stays live. A cycle that
// fails (no answer, an error) ends there, says why, and the next poll tries again.
//
// Every word keeps the time it was last answered: one the controller has not answered for within
// the poll time is unavailable (recorded as nothing, shown as such), and after a failed cycle
// nothing is available until it is read again. A connection regained re-reads the parameters
// before the cycle reports "OK". Parameters are written before they are read in a cycle, so a
// read asked for with a write shows what the write left in the controller.

#include <QString>
#include <array>
#include <cstdint>
#include <QStringList>
#include <functional>
#include <map>
#include <vector>

#include "plant/iplclink.h"

class TPlantPoll {
 public:
  static constexpr int PollMs = 2000;     // Timer1
  static constexpr int TimeOutMs = 5000;  // Timer2
  // How long an answered word stays current: one poll and the slack of the poll timer.
  static constexpr int FreshMs = PollMs + 1000;
  static constexpr double PercentScale = 163.86;
  static constexpr double HeaterPercentScale = 163.83;
  // The initialisation parameters, in the order of the window's boxes.
  enum TInit { LowerDivert, TankALevel, TankBLevel, HotWaterTemp, FlowRate, ProductTemp, HotPumpSpeed,
               FeedPumpSpeed1, FeedPumpSpeed2, InitCount };
  struct TLoop {
    double SetPointVal = 0, GainVal = 0, IntVal = 0, DerVal = 0, OutVal = 0;
    bool ModeOff = false;
  };
  // The limits of each initialisation parameter (lower bound 0).
  static double InitLimit(int which);
  static QString StageText(int stage);

  explicit TPlantPoll(IPlcLink& link);
  ~TPlantPoll();

  // Called often by the window's timer: starts a poll cycle when one is due and times out the
  // exchange in progress, both by the clock service.
  void Tick();
  // The comms button: stops or restarts polling (a running cycle finishes first).
  void CommsButtonClick();
  // The ladder and read buttons: the next cycle carries out the request.
  void LadderButtonClick();
  void ReadButtonClick();
  // The write button: the values given are what the user confirmed now; the next cycle writes
  // exactly these, in the controller's order. A click while a write waits replaces its values.
  // `batch` is the caller's name for this write, handed back to OnWritten once it is done.
  void WriteButtonClick(const std::array<TLoop, 3>& loops, const std::array<double, InitCount>& init, int batch = 0);
  // Stops polling for good (the window closes).
  void CloseProcessing();

  // Told after every change the window shows; `parameters` when the gains and the initialisation
  // parameters were read afresh (the editable boxes follow them then only).
  std::function<void(bool parameters)> OnChanged;
  // Told when the controller has taken every word of write `batch`.
  std::function<void(int batch)> OnWritten;

  // Whether the word at `address` was answered within the poll time and not lost since.
  bool Fresh(const QString& address) const;
  // The same for an entry of Analogs (0-5, 8, 9) or Digitals (0-15).
  bool AnalogFresh(int index) const;
  bool DigitalFresh(int index) const;
  // A loop's set point and output words.
  bool LoopFresh(int n) const;
  // The gains and initialisation parameters were read (or written) since the last lost connection.
  bool ParametersKnown() const { return FParametersKnown; }
  // The requests waiting for a cycle, by their buttons' names ("Write Values", "Start Ladder", ...).
  QStringList PendingRequests() const;
  // What became of the last request served or tried ("Values written", ...); empty before any.
  QString Outcome;

  // The window's state.
  bool processing = false, LadderRunning = false, RequestLadderStartStop = false, RequestReadValues = false,
       RequestWriteValues = false, FirstTime = true;
  int stage = 0;
  std::array<TLoop, 3> Loops{};
  int Divert1 = 0;
  double ActualPower1 = 0;
  std::array<double, InitCount> Init{};
  std::array<bool, 16> Digitals{};
  std::array<double, 10> Analogs{};
  QString Messages = QStringLiteral("Establishing communications...");
  // The button states and captions the window mirrors.
  bool CommsOn = true, CommsEnabled = true, LadderEnabled = false, ReadEnabled = false, WriteEnabled = false;
  QString CommsCaption() const { return CommsOn ? QStringLiteral("Stop Comms") : QStringLiteral("Start Comms"); }
  QString LadderCaption() const { return LadderRunning ? QStringLiteral("Stop Ladder") : QStringLiteral("Start Ladder"); }
  // One line for the status bar: empty while all is well.
  QString Fault;
  int CyclesCompleted = 0;

 private:
  struct TStep {
    QString Address;
    bool Write = false;
    qint16 Value = 0;
    std::function<void(qint16)> Apply;  // a read's word
    std::function<void()> After;        // once the exchange succeeded
  };
  void StartCycle(std::int64_t now);
  void BuildCycle();
  void NextStep();
  void ReadDone(qint16 w);
  void WriteDone();
  void ErrorEvent(int code, const QString& text);
  void EndCycle(bool good);
  void Changed(bool parameters = false);
  void Report(const QString& outcome);

  IPlcLink& FLink;
  std::vector<TStep> FSteps;
  std::size_t FStep = 0;
  bool FPolling = true;
  bool FClosed = false;
  bool FParametersRead = false;
  bool FServingRead = false;
  std::int64_t FLastCycle = 0;
  bool FEverPolled = false;
  std::int64_t FExchangeStart = 0;
  std::vector<std::pair<QString, qint16>> FPendingWrites;
  int FPendingBatch = 0;
  // The write this cycle carries out (taken off the queue when the cycle was built).
  std::vector<std::pair<QString, qint16>> FWriting;
  int FWritingBatch = 0;
  bool FWritingDone = false;
  bool FLadderWriting = false;
  bool FLadderTarget = false;  // true: the cycle's ladder write starts it
  bool FParametersKnown = false;
  bool FReread = false;  // the parameters are read by the next cycle (the link was lost)
  std::map<QString, std::int64_t> FAnsweredAt;
  QStringList FOutcomes;
};
