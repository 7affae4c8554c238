#pragma once
// The simulated plant controller's data table and what its ladder program does with it: the
// hot-water, heater and feed-pump loops (PID, each on a first-order plant), the tanks, and the
// ladder walking the stages. Words live at file x 256 + element ("N7:22" is word 1814).
// Stepped by the caller with the elapsed time, so tests run it faster than real time.

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class TPlantController {
 public:
  static constexpr int Words = 32 * 256;  // files 0-31
  TPlantController();

  // The word at `reg`; false outside the table.
  bool Read(int reg, std::uint16_t& value) const;
  // Writes a word; the ladder takes in B20:0 (run/stop) and the N18 parameters at once.
  bool Write(int reg, std::uint16_t value);
  std::uint16_t Word(const char* address) const;
  void SetWord(const char* address, std::uint16_t value);

  // Runs the plant and the ladder for `seconds`.
  void Step(double seconds);

  int Stage() const { return FStage; }
  bool LadderRunning() const { return FRunning; }
  // Seconds each timed stage lasts (tests shorten it).
  double StageSeconds = 6;

 private:
  struct TLoopState {
    double Integral = 0, LastError = 0, Out = 0;
  };
  double Pid(int loop, double sp, double pv, double seconds);
  void StartLadder();
  void StopLadder(int idleStage);
  void Publish();

  std::vector<std::uint16_t> FTable;
  bool FRunning = false;
  int FStage = 12;
  double FStageTime = 0;
  std::array<TLoopState, 3> FLoops{};
  double FTankA = 40, FTankB = 30, FHotWater = 18, FProduct = 18, FFlow = 0, FHeaterKw = 0;
};
