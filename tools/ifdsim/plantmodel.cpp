#include "plantmodel.h"

#include <QFile>
#include <QRegularExpression>
#include <cmath>

namespace {
constexpr int kVarOutputs = 0;      // AO0-3, AO100-103
constexpr int kVarDigital = 8;      // DO0-15
constexpr int kVarAnalogue = 24;    // AI slots 0-47
constexpr int kVarFrequency = 72;   // F0-7
constexpr int kVarTime = 80;

int OutputSlot(int channel) {
  if (channel >= 0 && channel <= 3) return channel;
  if (channel >= 100 && channel <= 103) return channel - 96;
  return -1;
}

bool ParseNumber(const QString& text, double* value) {
  bool ok = false;
  *value = text.toDouble(&ok);
  return ok && std::isfinite(*value);
}

QString Where(const TIniFile::TEntry& e, const QString& what) {
  return QStringLiteral("line %1: %2").arg(e.Line).arg(what);
}
}  // namespace

TPlantModel::TPlantModel() { Reset(); }

void TPlantModel::Reset() {
  for (TChannel& c : FAnalogue) c = TChannel();
  for (TChannel& c : FFrequency) c = TChannel();
  for (TDigital& d : FDigital) d = TDigital();
  FMultiplexer = false;
  FStep = 0.05;
  FCardSettings.clear();
  SetSeed(1);
}

void TPlantModel::SetSeed(quint32 seed) {
  FRandom.seed(seed);
  FNormal.reset();
}

int TPlantModel::AnalogueSlot(int channel) {
  if (channel >= 0 && channel <= 31) return channel;
  if (channel >= 100 && channel <= 115) return channel - 68;
  return -1;
}

int TPlantModel::Resolve(const QString& name) {
  if (name == QLatin1String("T")) return kVarTime;
  static const QRegularExpression re(QStringLiteral("^(AO|DO|AI|F)(\\d{1,3})$"));
  const auto m = re.match(name);
  if (!m.hasMatch()) return -1;
  const int n = m.captured(2).toInt();
  const QString kind = m.captured(1);
  if (kind == QLatin1String("AO")) return OutputSlot(n) < 0 ? -1 : kVarOutputs + OutputSlot(n);
  if (kind == QLatin1String("DO")) return n <= 15 ? kVarDigital + n : -1;
  if (kind == QLatin1String("AI")) return AnalogueSlot(n) < 0 ? -1 : kVarAnalogue + AnalogueSlot(n);
  return n <= 7 ? kVarFrequency + n : -1;
}

double TPlantModel::Variable(int index) const {
  if (index < kVarDigital) return FOutputs[index - kVarOutputs];
  if (index < kVarAnalogue) return (FDigitalOutputs >> (index - kVarDigital)) & 1;
  if (index < kVarFrequency) return FAnalogue[index - kVarAnalogue].State;
  if (index < kVarTime) return FFrequency[index - kVarFrequency].State;
  return FTime;
}

bool TPlantModel::LoadFile(const QString& path, QString* error) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
    return false;
  }
  if (!Load(f.readAll(), error)) {
    *error = path + QStringLiteral(", ") + *error;
    return false;
  }
  return true;
}

bool TPlantModel::Load(const QByteArray& text, QString* error) {
  Reset();
  TIniFile ini;
  bool ok = ini.Parse(text, error);
  for (const TIniFile::TSection& s : ini.Sections()) {
    if (!ok) break;
    ok = LoadSection(s, error);
  }
  if (!ok) Reset();
  return ok;
}

bool TPlantModel::LoadSection(const TIniFile::TSection& s, QString* error) {
  static const QRegularExpression re(QStringLiteral("^(ai|di|freq)(\\d{1,3})$"));
  if (s.Name == QLatin1String("cards")) {
    FCardSettings = s.Entries;
    return true;
  }
  if (s.Name == QLatin1String("plant")) {
    for (const TIniFile::TEntry& e : s.Entries) {
      double v = 0;
      if (e.Key == QLatin1String("seed") && ParseNumber(e.Value, &v) && v >= 0 && v < 4294967296.0) {
        SetSeed(quint32(v));
      } else if (e.Key == QLatin1String("multiplexer") &&
                 (e.Value == QLatin1String("yes") || e.Value == QLatin1String("no"))) {
        FMultiplexer = e.Value == QLatin1String("yes");
      } else if (e.Key == QLatin1String("step") && ParseNumber(e.Value, &v) && v >= 0.001 && v <= 10) {
        FStep = v;
      } else {
        *error = Where(e, QStringLiteral("unknown key or bad value in [plant]: %1 = %2").arg(e.Key, e.Value));
        return false;
      }
    }
    return true;
  }
  const auto m = re.match(s.Name);
  const int n = m.hasMatch() ? m.captured(2).toInt() : -1;
  const QString kind = m.captured(1);
  if (kind == QLatin1String("ai") && AnalogueSlot(n) >= 0)
    return LoadChannel(s, FAnalogue[AnalogueSlot(n)], true, error);
  if (kind == QLatin1String("freq") && n >= 0 && n <= 7) return LoadChannel(s, FFrequency[n], false, error);
  if (kind == QLatin1String("di") && n >= 0 && n <= 15) return LoadDigital(s, FDigital[n], error);
  *error = QStringLiteral(
               "line %1: unknown section [%2] (expected plant, cards, ai0-ai31, ai100-ai115, di0-di15 or "
               "freq0-freq7)")
               .arg(s.Line).arg(s.Name);
  return false;
}

bool TPlantModel::LoadChannel(const TIniFile::TSection& s, TChannel& c, bool analogue, QString* error) {
  c = TChannel();
  c.Defined = true;
  for (const TIniFile::TEntry& e : s.Entries) {
    double v = 0;
    QString why;
    if (e.Key == QLatin1String("source")) {
      if (!c.Source.Parse(e.Value, &TPlantModel::Resolve, &why)) {
        *error = Where(e, why);
        return false;
      }
      continue;
    }
    if (analogue && e.Key == QLatin1String("wave")) {
      if (e.Value == QLatin1String("sine")) c.Wave = TWave::Sine;
      else if (e.Value == QLatin1String("square")) c.Wave = TWave::Square;
      else if (e.Value == QLatin1String("none")) c.Wave = TWave::None;
      else {
        *error = Where(e, QStringLiteral("wave must be sine, square or none, not \"%1\"").arg(e.Value));
        return false;
      }
      continue;
    }
    double* target = nullptr;
    bool positive = false;
    if (e.Key == QLatin1String("gain")) target = &c.Gain;
    else if (e.Key == QLatin1String("offset")) target = &c.Offset;
    else if (e.Key == QLatin1String("initial")) target = &c.State;
    else if (e.Key == QLatin1String("tau")) target = &c.Tau, positive = true;
    else if (e.Key == QLatin1String("noise")) target = &c.Noise, positive = true;
    else if (analogue && e.Key == QLatin1String("wave_frequency")) target = &c.WaveFrequency, positive = true;
    else if (analogue && e.Key == QLatin1String("wave_amplitude")) target = &c.WaveAmplitude, positive = true;
    else if (analogue && e.Key == QLatin1String("wave_duty")) target = &c.WaveDuty, positive = true;
    else if (analogue && e.Key == QLatin1String("wave_frequency2")) target = &c.WaveFrequency2, positive = true;
    else if (analogue && e.Key == QLatin1String("wave_amplitude2")) target = &c.WaveAmplitude2, positive = true;
    if (!target) {
      *error = Where(e, QStringLiteral("unknown key \"%1\" in [%2]").arg(e.Key, s.Name));
      return false;
    }
    if (!ParseNumber(e.Value, &v) || (positive && v < 0)) {
      *error = Where(e, QStringLiteral("%1 needs a%2 number, not \"%3\"")
                            .arg(e.Key, positive ? QStringLiteral(" non-negative") : QString(), e.Value));
      return false;
    }
    if (target == &c.WaveDuty && v > 100) {
      *error = Where(e, QStringLiteral("wave_duty is a percentage from 0 to 100, not \"%1\"").arg(e.Value));
      return false;
    }
    *target = v;
  }
  return true;
}

bool TPlantModel::LoadDigital(const TIniFile::TSection& s, TDigital& d, QString* error) {
  d = TDigital();
  for (const TIniFile::TEntry& e : s.Entries) {
    QString why;
    if (e.Key == QLatin1String("source")) {
      if (!d.Source.Parse(e.Value, &TPlantModel::Resolve, &why)) {
        *error = Where(e, why);
        return false;
      }
    } else if (e.Key == QLatin1String("period")) {
      if (!ParseNumber(e.Value, &d.Period) || d.Period < 0) {
        *error = Where(e, QStringLiteral("period needs a non-negative number of seconds"));
        return false;
      }
    } else if (e.Key == QLatin1String("schedule")) {
      for (const QString& item : e.Value.split(u',', Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(u':');
        double t = 0, v = 0;
        if (parts.size() != 2 || !ParseNumber(parts[0].trimmed(), &t) || !ParseNumber(parts[1].trimmed(), &v) ||
            (v != 0 && v != 1) || t < 0 || (!d.Schedule.isEmpty() && t <= d.Schedule.last().first)) {
          *error = Where(e, QStringLiteral("schedule items are time:value with rising times and values 0 "
                                           "or 1, not \"%1\"")
                                .arg(item.trimmed()));
          return false;
        }
        d.Schedule.append({t, int(v)});
      }
    } else {
      *error = Where(e, QStringLiteral("unknown key \"%1\" in [%2]").arg(e.Key, s.Name));
      return false;
    }
  }
  if (!d.Source.IsEmpty() && !d.Schedule.isEmpty()) {
    *error = QStringLiteral("line %1: [%2] takes either a source or a schedule, not both").arg(s.Line).arg(s.Name);
    return false;
  }
  return true;
}

void TPlantModel::Sync() {
  if (FClock) AdvanceTo(FClock());
}

void TPlantModel::AdvanceTo(double seconds) {
  if (!(seconds > FTime)) return;
  double dt = seconds - FTime;
  // Steps keep coupled lags (one input following another) close to the continuous response; a
  // long idle gap is covered in a bounded number of steps.
  const double step = std::max(FStep, dt / 20000);
  while (dt > 0) {
    const double h = std::min(step, dt);
    Step(h);
    dt -= h;
  }
  FTime = seconds;
}

void TPlantModel::Step(double dt) {
  auto values = [this](int i) { return Variable(i); };
  double next[48 + 8];
  for (int i = 0; i < 56; ++i) {
    TChannel& c = i < 48 ? FAnalogue[i] : FFrequency[i - 48];
    next[i] = c.State;
    if (!c.Defined) continue;
    const double input = c.Source.IsEmpty() ? 0 : c.Source.Evaluate(values);
    const double target = c.Gain * input + c.Offset;
    if (!std::isfinite(target)) continue;  // keep the last good value through a bad moment
    next[i] = c.Tau <= 0 ? target : c.State + (target - c.State) * (1 - std::exp(-dt / c.Tau));
  }
  for (int i = 0; i < 56; ++i) (i < 48 ? FAnalogue[i] : FFrequency[i - 48]).State = next[i];
  FTime += dt;
}

void TPlantModel::SetAnalogueOutput(int channel, int counts) {
  const int slot = OutputSlot(channel);
  if (slot < 0) return;
  Sync();
  FOutputs[slot] = std::clamp(counts, -2048, 2047);
}

int TPlantModel::AnalogueOutput(int channel) const {
  const int slot = OutputSlot(channel);
  return slot < 0 ? 0 : FOutputs[slot];
}

void TPlantModel::SetDigitalOutputByte(int firstLine, quint8 value) {
  Sync();
  const int shift = firstLine >= 8 ? 8 : 0;
  FDigitalOutputs = quint16((FDigitalOutputs & ~(0xFF << shift)) | (value << shift));
}

quint8 TPlantModel::DigitalOutputByte(int firstLine) const {
  return quint8(FDigitalOutputs >> (firstLine >= 8 ? 8 : 0));
}

int TPlantModel::Noisy(const TChannel& c, double value, int lo, int hi) {
  if (c.Noise > 0) value += c.Noise * FNormal(FRandom);
  return int(std::clamp(std::lround(value), long(lo), long(hi)));
}

int TPlantModel::AnalogueInput(int channel) {
  const int slot = AnalogueSlot(channel);
  if (slot < 0) return 0;
  if (FCounting) return CountingValue(channel % 100, FReads[channel >= 100 ? 1 : 0]);
  Sync();
  const TChannel& c = FAnalogue[slot];
  return Noisy(c, c.State, -2048, 2047);
}

int TPlantModel::FrequencyCount(int input) {
  if (input < 0 || input > 7) return 0;
  Sync();
  const TChannel& c = FFrequency[input];
  return Noisy(c, c.State, 0, 65535);
}

bool TPlantModel::DigitalInput(int line) {
  if (line < 0 || line > 15) return false;
  Sync();
  const TDigital& d = FDigital[line];
  if (!d.Source.IsEmpty()) {
    const double v = d.Source.Evaluate([this](int i) { return Variable(i); });
    return std::isfinite(v) && v != 0;
  }
  if (d.Schedule.isEmpty()) return false;
  const double t = d.Period > 0 ? std::fmod(FTime, d.Period) : FTime;
  int value = 0;
  for (const auto& [at, v] : d.Schedule)
    if (at <= t) value = v;
  return value != 0;
}

void TPlantModel::SetDigitalDefault(int line, bool on) {
  if (line < 0 || line > 15) return;
  TDigital& d = FDigital[line];
  if (d.Source.IsEmpty() && d.Schedule.isEmpty()) d.Schedule = {{0.0, on ? 1 : 0}};
}

quint8 TPlantModel::DigitalInputByte(int firstLine) {
  quint8 b = 0;
  for (int i = 0; i < 8; ++i)
    if (DigitalInput(firstLine + i)) b |= quint8(1 << i);
  return b;
}

int TPlantModel::CaptureSample(int channel, double t) {
  const int slot = AnalogueSlot(channel);
  if (slot < 0) return 0;
  Sync();
  const TChannel& c = FAnalogue[slot];
  double v = c.State;
  const double phase = 2 * M_PI * c.WaveFrequency * t;
  if (c.Wave == TWave::Sine) v += c.WaveAmplitude * std::sin(phase);
  if (c.Wave == TWave::Square) {
    // Half and half as it always was; any other duty from the fraction of the period.
    const bool high = c.WaveDuty == 50 ? std::sin(phase) >= 0
                                       : c.WaveFrequency * t - std::floor(c.WaveFrequency * t) < c.WaveDuty / 100;
    v += high ? c.WaveAmplitude : -c.WaveAmplitude;
  }
  if (c.Wave != TWave::None && c.WaveAmplitude2 > 0) v += c.WaveAmplitude2 * std::sin(2 * M_PI * c.WaveFrequency2 * t);
  return Noisy(c, v, -2048, 2047);
}
