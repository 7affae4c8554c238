#include "plantcontroller.h"

#include <algorithm>
#include <cmath>

#include "plant/plcaddress.h"

namespace {
constexpr double kPercent = 163.86;
constexpr double kHeaterPercent = 163.83;
constexpr double kHeaterMaxKw = 9.0;
constexpr double kFlowMax = 1500;  // l/h at full feed pump
// Written parameter words and the words the ladder copies them to (what the window reads back).
const std::pair<const char*, const char*> kCopies[] = {
    {"N18:11", "N7:23"}, {"N18:12", "N7:24"}, {"N18:13", "N7:25"}, {"N18:4", "N7:53"},   {"N18:5", "N7:54"},
    {"N18:6", "N7:55"},  {"N18:16", "N7:83"}, {"N18:17", "N7:84"}, {"N18:18", "N7:85"},  {"N18:9", "N7:115"},
    {"N18:0", "N7:116"}, {"N18:20", "N7:117"}, {"N18:3", "N7:119"}, {"N18:15", "N7:120"}, {"N18:10", "N7:121"},
    {"N18:1", "N7:123"}, {"N18:2", "N7:124"}, {"N18:21", "N7:125"}};
int Reg(const char* address) { return *TPlcAddress::Register(QString::fromLatin1(address)); }
double Signed(std::uint16_t w) { return static_cast<std::int16_t>(w); }
std::uint16_t ToWord(double v) {
  return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0))));
}
}  // namespace

TPlantController::TPlantController() : FTable(Words, 0) {
  // Loop settings x 10 (gain, integral time, derivative time), then the initialisation values.
  const std::pair<const char*, int> defaults[] = {
      {"N7:23", 20},  {"N7:24", 50},   {"N7:25", 0},    {"N7:53", 30},  {"N7:54", 100},  {"N7:55", 5},
      {"N7:83", 15},  {"N7:84", 40},   {"N7:85", 0},    {"N7:115", 60}, {"N7:116", 200}, {"N7:117", 150},
      {"N7:119", 70}, {"N7:120", 600}, {"N7:121", 65},  {"N7:123", 9832}, {"N7:124", 8193}, {"N7:125", 6554}};
  for (const auto& [address, value] : defaults) SetWord(address, static_cast<std::uint16_t>(value));
  StopLadder(12);
  Step(0);
}

bool TPlantController::Read(int reg, std::uint16_t& value) const {
  if (reg < 0 || reg >= Words) return false;
  value = FTable[static_cast<std::size_t>(reg)];
  return true;
}

bool TPlantController::Write(int reg, std::uint16_t value) {
  if (reg < 0 || reg >= Words) return false;
  FTable[static_cast<std::size_t>(reg)] = value;
  if (reg == Reg("B20:0")) {
    if (value == 1 && !FRunning) StartLadder();
    else if (value == 0 && FRunning) StopLadder(12);
  }
  for (const auto& [from, to] : kCopies)
    if (reg == Reg(from)) FTable[static_cast<std::size_t>(Reg(to))] = value;
  return true;
}

std::uint16_t TPlantController::Word(const char* address) const { return FTable[static_cast<std::size_t>(Reg(address))]; }

void TPlantController::SetWord(const char* address, std::uint16_t value) {
  FTable[static_cast<std::size_t>(Reg(address))] = value;
}

void TPlantController::StartLadder() {
  FRunning = true;
  FStage = 1;
  FStageTime = 0;
  FLoops = {};
  SetWord("B20:0", 1);
  Publish();
}

void TPlantController::StopLadder(int idleStage) {
  FRunning = false;
  FStage = idleStage;
  SetWord("B20:0", 0);
  Publish();
}

// Positional PID on the engineering values; the output is a percentage.
double TPlantController::Pid(int loop, double sp, double pv, double seconds) {
  const char* const gains[][3] = {{"N7:23", "N7:24", "N7:25"}, {"N7:53", "N7:54", "N7:55"}, {"N7:83", "N7:84", "N7:85"}};
  const double kp = Signed(Word(gains[loop][0])) / 10;
  const double ti = Signed(Word(gains[loop][1])) / 10;
  const double td = Signed(Word(gains[loop][2])) / 10;
  TLoopState& s = FLoops[static_cast<std::size_t>(loop)];
  const double e = sp - pv;
  if (ti > 0) s.Integral = std::clamp(s.Integral + e * seconds / ti, -100.0, 100.0);
  const double d = seconds > 0 ? (e - s.LastError) / seconds : 0;
  s.LastError = e;
  s.Out = std::clamp(kp * (e + s.Integral + td * d), 0.0, 100.0);
  return s.Out;
}

void TPlantController::Step(double seconds) {
  const double tankASet = Signed(Word("N7:116")), tankBSet = Signed(Word("N7:117"));
  const double hotSet = Signed(Word("N7:119")), flowSet = Signed(Word("N7:120")), productSet = Signed(Word("N7:121"));
  const double feedPre = Signed(Word("N7:124")) / kPercent, feedWash = Signed(Word("N7:125")) / kPercent;
  const double hotPumpMax = Signed(Word("N7:123")) / kPercent;
  double heater = 0, hotPump = 0, feed = 0;
  bool fillA = false, fillB = false, divert = false, product = false, wash = false;
  if (FRunning) {
    FStageTime += seconds;
    bool next = false;
    switch (FStage) {
      case 1: case 2: next = FStageTime >= StageSeconds / 2; break;
      case 3:
        fillA = FTankA < tankASet;
        fillB = FTankB < tankBSet;
        next = !fillA && !fillB;
        break;
      case 4:
        heater = Pid(1, hotSet, FHotWater, seconds);
        next = FHotWater >= hotSet - 1;
        break;
      case 5: case 6:
        heater = Pid(1, hotSet, FHotWater, seconds);
        hotPump = std::min(Pid(0, productSet, FProduct, seconds), hotPumpMax);
        feed = std::min(Pid(2, flowSet, FFlow, seconds), FStage == 5 ? feedPre : 100.0);
        divert = FProduct < Signed(Word("N7:115"));
        product = !divert;
        next = FStageTime >= StageSeconds * (FStage == 5 ? 1 : 2);
        break;
      case 7:
        fillA = FTankA < tankASet;
        next = !fillA;
        break;
      case 8: case 9:
        wash = true;
        feed = feedWash;
        divert = FStage == 8;
        next = FStageTime >= StageSeconds;
        break;
      default: break;
    }
    if (next) {
      FStageTime = 0;
      if (++FStage > 9) StopLadder(10);
    }
  }
  // The plant: tanks fill at 10 mm/s and drain with the feed; water and product settle first-order.
  FHeaterKw += (heater / 100 * kHeaterMaxKw - FHeaterKw) * std::min(1.0, seconds / 2);
  FHotWater += (FHeaterKw * 1.5 - (FHotWater - 18) * 0.05) * seconds;
  const double target = 18 + (FHotWater - 18) * std::min(1.0, hotPump / 50);
  FProduct += (target - FProduct) * std::min(1.0, seconds / 5);
  FFlow += (feed / 100 * kFlowMax - FFlow) * std::min(1.0, seconds / 3);
  FTankA = std::clamp(FTankA + (fillA ? 10 : 0) * seconds - FFlow / 3600 * 2 * seconds, 0.0, 250.0);
  FTankB = std::clamp(FTankB + (fillB ? 10 : 0) * seconds - (wash ? FFlow / 3600 * 2 * seconds : 0), 0.0, 250.0);
  SetWord("N17:3", ToWord(hotPump * kPercent));
  SetWord("N17:4", ToWord(heater * kHeaterPercent));
  SetWord("N17:5", ToWord(feed * kPercent));
  SetWord("N19:7", ToWord(hotPump * kPercent));
  SetWord("N19:8", ToWord(feed * kPercent));
  SetWord("N11:0", ToWord(FTankA));
  SetWord("N11:1", ToWord(FTankB));
  SetWord("N11:2", ToWord(FHeaterKw * 100));
  SetWord("N11:3", ToWord(FHotWater));
  SetWord("N11:4", ToWord(FFlow));
  SetWord("N11:5", ToWord(FProduct));
  SetWord("N7:22", ToWord(productSet));
  SetWord("N7:52", ToWord(hotSet));
  SetWord("N7:82", ToWord(flowSet));
  const int inputs = (FTankA > 20) | (FTankA >= tankASet) << 1 | (FTankB > 20) << 2 | (FTankB >= tankBSet) << 3 |
                     (FHotWater >= hotSet - 1) << 4 | (FProduct >= productSet) << 5 | (FFlow > 50) << 6 | FRunning << 7;
  SetWord("B13:0", static_cast<std::uint16_t>(inputs));
  // Outputs are wired active-low: a clear bit is a running pump or an open valve.
  const int outputs = (feed > 0) | (hotPump > 0) << 1 | (heater > 0) << 2 | fillA << 3 | fillB << 4 | divert << 5 |
                      product << 6 | wash << 7;
  SetWord("B14:0", static_cast<std::uint16_t>(~outputs & 0xFF));
  Publish();
}

void TPlantController::Publish() {
  SetWord("B3:0", static_cast<std::uint16_t>(1 << (FStage - 1)));
  const std::uint16_t mode = FRunning ? 0 : 2;  // bit 1: the loop is off
  for (const char* m : {"N7:20", "N7:50", "N7:80"}) SetWord(m, mode);
}
