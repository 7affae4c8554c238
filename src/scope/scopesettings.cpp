#include "scope/scopesettings.h"

#include "rigconfig/inistore.h"

namespace {
const char* const kModeTexts[] = {"Software Trigger", "Digital Trigger", "Analogue Trigger"};
}

QString TScopeSettings::VoltText(int level) {
  return QString::number(level / 4095.0 * 10.0 - 5.0, 'f', 3) + QStringLiteral(" V");
}

QString TScopeSettings::ModeText(TTriggerMode mode) { return QString::fromLatin1(kModeTexts[mode]); }

QStringList TScopeSettings::TriggerSummary() const {
  const QString na = QStringLiteral("n/a");
  const QString n = QString::number(FNumberOfSamples);
  switch (TriggerMode) {
    case Digital: return {FDITrgLabel, na, na, n};
    case Analogue:
      return {QStringLiteral("Analogue"), QStringLiteral("%1 (%2)").arg(FTrgLevel).arg(VoltText(FTrgLevel)),
              QString::number(FPreTriggerCount), QString::number(FNumberOfSamples - FPreTriggerCount)};
    case Software: break;
  }
  return {QStringLiteral("Software"), na, na, n};
}

int TScopeSettings::ChannelOf(const QString& item) {
  const qsizetype eq = item.lastIndexOf(QLatin1Char('='));
  if (eq < 0) return NoChannel;
  bool ok = false;
  const int channel = item.mid(eq + 1).trimmed().toInt(&ok);
  return ok ? channel : NoChannel;
}

QString TScopeSettings::ItemFor(const std::vector<TSource>& sources, int channel) {
  for (const TSource& s : sources)
    if (s.Channel == channel) return s.Item;
  return QString::fromLatin1(NoneItem);
}

void TScopeSettings::Load(const TIniStore& ini, const std::vector<TSource>& analogue,
                          const std::vector<TSource>& digital) {
  const QString sec = QString::fromLatin1(Section);
  FSampleInterval = qBound(MinInterval, ini.ReadInteger(sec, QStringLiteral("Sample Interval"), 745) + 255,
                           MaxInterval) - 255;
  FNumberOfSamples = qBound(1, ini.ReadInteger(sec, QStringLiteral("Sample Count"), 1000), MaxSamples);
  FPreTriggerCount = qBound(0, ini.ReadInteger(sec, QStringLiteral("Pre Trigger Count"), 0), MaxPreTrigger);
  const auto channel = [&](const char* key, QString& label) {
    const int stored = ini.ReadInteger(sec, QString::fromLatin1(key), NoChannel);
    label = ItemFor(analogue, stored == NoChannel ? NoChannel : std::abs(stored));
    return ChannelOf(label);
  };
  FAIChannelOne = channel("Channel 1", FAI1Label);
  FAIChannelTwo = channel("Channel 2", FAI2Label);
  const QString mode = ini.ReadString(sec, QStringLiteral("Trigger Mode"), ModeText(Software));
  if (mode == ModeText(Software)) TriggerMode = Software;
  if (mode == ModeText(Analogue)) TriggerMode = Analogue;
  if (mode == ModeText(Digital)) {
    TriggerMode = Digital;
    const int trigger = ini.ReadInteger(sec, QStringLiteral("Trigger Channel"), NoChannel);
    const QString item = ItemFor(digital, trigger);
    const int input = ChannelOf(item);
    FtrgValMsk = input == NoChannel ? 0 : input + 1;
    FDITrgLabel = input == NoChannel ? QStringLiteral("NA") : item;
  }
  FTrgLevel = qBound(0, ini.ReadInteger(sec, QStringLiteral("Trigger Level"), 0), MaxLevel);
}

void TScopeSettings::Save(TIniStore& ini) const {
  const QString sec = QString::fromLatin1(Section);
  ini.WriteInteger(sec, QStringLiteral("Sample Interval"), FSampleInterval);
  ini.WriteInteger(sec, QStringLiteral("Sample Count"), FNumberOfSamples);
  ini.WriteInteger(sec, QStringLiteral("Pre Trigger Count"), FPreTriggerCount);
  ini.WriteInteger(sec, QStringLiteral("Channel 1"), -FAIChannelOne);
  ini.WriteInteger(sec, QStringLiteral("Channel 2"), -FAIChannelTwo);
  ini.WriteString(sec, QStringLiteral("Trigger Mode"), ModeText(TriggerMode));
  ini.WriteInteger(sec, QStringLiteral("Trigger Channel"), FtrgValMsk - 1);
  ini.WriteInteger(sec, QStringLiteral("Trigger Level"), FTrgLevel);
}

void TScopeSettings::FillConfig(TScopeCnfg& cfg, TIFDInputMode mode) const {
  cfg.InputMode = mode;
  cfg.TrType = static_cast<TypeTrigger>(TriggerMode);
  cfg.TrLevel = FTrgLevel;
  cfg.PSC = FNumberOfSamples - FPreTriggerCount;
  cfg.TrChl = FtrgValMsk - 1;
  cfg.CH1 = FAIChannelOne;
  cfg.CH2 = FAIChannelTwo;
  cfg.NOS = FNumberOfSamples;
  cfg.ISD = FSampleInterval;
  cfg.ErrorFlag = false;
}
