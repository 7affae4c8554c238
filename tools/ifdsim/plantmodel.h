#pragma once
// The rig behind the simulated cards: analogue inputs that follow outputs with first-order lags,
// digital inputs that follow outputs or a timetable, frequency inputs, and the fast waveforms that
// high-speed captures see. Numbering follows the host's channels: analogue inputs 0-31 (16-31
// behind the multiplexer) and 100-115 on the second card, analogue outputs 0-3 and 100-103,
// digital lines 0-15, frequency inputs 0-7. Values are card counts centred on 0.
//
// Time is whatever the clock says (seconds); tests set their own clock, so a step response is
// checked without waiting for it.

#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <random>

#include "inifile.h"
#include "plantexpression.h"

class TPlantModel {
 public:
  using TClock = std::function<double()>;

  TPlantModel();
  // Replaces the model by the one in the text; on failure the model is left flat.
  bool Load(const QByteArray& text, QString* error);
  bool LoadFile(const QString& path, QString* error);
  // The [cards] section: card and fault settings a rig may carry for the simulator.
  const QList<TIniFile::TEntry>& CardSettings() const { return FCardSettings; }

  void SetClock(TClock clock) { FClock = std::move(clock); }
  void SetSeed(quint32 seed);
  // Integrates up to the given time (earlier times are ignored).
  void AdvanceTo(double seconds);
  double Time() const { return FTime; }
  // Brings the model up to the clock and returns the time.
  double Now() {
    Sync();
    return FTime;
  }

  void SetAnalogueOutput(int channel, int counts);  // 0-3, 100-103
  int AnalogueOutput(int channel) const;
  void SetDigitalOutputByte(int firstLine, quint8 value);  // firstLine 0 or 8
  quint8 DigitalOutputByte(int firstLine) const;

  int AnalogueInput(int channel);  // counts -2048..2047, with noise

  // Counting inputs hold the plant still at counts that tell what was served: input k (0-15 of
  // either card; 16-31 as k - 16) reads CountingValue(k, r), r being the number of reads of its
  // card so far, modulo 100. A value recorded from it names its input and its read, so a value
  // on the wrong channel, a repeat or a made-up 0 shows (the counts are never 0).
  void SetCounting(bool on) { FCounting = on; }
  bool Counting() const { return FCounting; }
  static int CountingValue(int input, int read) { return -1550 + 200 * (input % 16) + read % 100; }
  // A new read of card `slot` (0 master, 1 second card) begins: its counting inputs move on.
  void NextRead(int slot) {
    if (slot == 0 || slot == 1) ++FReads[slot];
  }
  quint8 DigitalInputByte(int firstLine);
  bool DigitalInput(int line);
  // A digital input the plant file leaves undefined reads `on` from now on.
  void SetDigitalDefault(int line, bool on);
  int FrequencyCount(int input);   // 0-65535
  // A sample of a high-speed capture of analogue input `channel` taken at time t.
  int CaptureSample(int channel, double t);
  bool HasMultiplexer() const { return FMultiplexer; }

 private:
  enum class TWave { None, Sine, Square };
  struct TChannel {
    bool Defined = false;
    TPlantExpression Source;
    double Gain = 1, Offset = 0, Tau = 0, Noise = 0, State = 0;
    TWave Wave = TWave::None;
    double WaveFrequency = 50, WaveAmplitude = 1000;
    double WaveDuty = 50;  // percent of each period a square wave is high
    double WaveFrequency2 = 0, WaveAmplitude2 = 0;  // a second sine added to the wave
  };
  struct TDigital {
    TPlantExpression Source;
    QList<QPair<double, int>> Schedule;  // (time, value), ascending
    double Period = 0;
  };

  void Reset();
  void Sync();
  void Step(double dt);
  double Variable(int index) const;
  static int Resolve(const QString& name);
  static int AnalogueSlot(int channel);
  int Noisy(const TChannel& c, double value, int lo, int hi);
  bool LoadSection(const TIniFile::TSection& s, QString* error);
  bool LoadChannel(const TIniFile::TSection& s, TChannel& c, bool analogue, QString* error);
  bool LoadDigital(const TIniFile::TSection& s, TDigital& d, QString* error);

  TChannel FAnalogue[48];  // 0-31, then 100-115
  TChannel FFrequency[8];
  TDigital FDigital[16];
  int FOutputs[8] = {};  // 0-3, then 100-103
  quint16 FDigitalOutputs = 0;
  bool FMultiplexer = false;
  double FStep = 0.05;
  double FTime = 0;
  TClock FClock;
  std::mt19937 FRandom;
  std::normal_distribution<double> FNormal{0.0, 1.0};
  QList<TIniFile::TEntry> FCardSettings;
  bool FCounting = false;
  int FReads[2] = {};
};
