#pragma once
// The oscilloscope's capture settings without the window: sample interval and count, trigger mode,
// channel, level and pre-trigger count, the two data channels, the arithmetic and texts derived
// from them, their place in the rig's Configuration.ini and the card configuration built from them.

#include <QString>
#include <QStringList>
#include <vector>

#include "ifd/serial/scopecnfg.h"

class TIniStore;

class TScopeSettings {
 public:
  enum TTriggerMode { Software = 0, Digital = 1, Analogue = 2 };
  static constexpr int NoChannel = -9999;
  static constexpr int MinInterval = 255, MaxInterval = 65790;  // microseconds
  static constexpr int MaxSamples = 8192, MaxPreTrigger = 1000, MaxLevel = 4095;
  static constexpr const char* Section = "Scope";
  static constexpr const char* NoneItem = "none";

  // One source a list offers: "name=channel".
  struct TSource {
    QString Item;
    int Channel = NoChannel;
  };

  // Sample delay value, samples per channel, duration in ms (integer arithmetic, as the card).
  int FSampleInterval = 745;
  int FNumberOfSamples = 1000;
  int FPreTriggerCount = 0;
  int FtrgValMsk = 0;  // digital trigger input + 1; 0 none
  int FTrgLevel = 0;
  int FAIChannelOne = NoChannel, FAIChannelTwo = NoChannel;
  QString FAI1Label, FAI2Label, FDITrgLabel = QStringLiteral("NA");
  TTriggerMode TriggerMode = Software;

  int IntervalUs() const { return FSampleInterval + 255; }
  int Duration() const { return IntervalUs() * FNumberOfSamples / 1000; }
  // The trigger level in volts as shown beside its box: "-5.000 V" for 0, "5.000 V" for 4095.
  static QString VoltText(int level);
  // The summary's trigger lines: type, level, pre-trigger and post-trigger count.
  QStringList TriggerSummary() const;
  static QString ModeText(TTriggerMode mode);

  // The channel of a list item ("name=3" -> 3); NoChannel for "none" or an item without one.
  static int ChannelOf(const QString& item);
  // The item of `sources` whose channel is `channel`, "none" when there is none.
  static QString ItemFor(const std::vector<TSource>& sources, int channel);

  // Reads the section into the fields (channels through the lists, so a channel the rig no longer
  // has reads as none); unknown trigger-mode text leaves the mode as it was.
  void Load(const TIniStore& ini, const std::vector<TSource>& analogue, const std::vector<TSource>& digital);
  void Save(TIniStore& ini) const;

  // The card configuration of these settings for a card in `mode`.
  void FillConfig(TScopeCnfg& cfg, TIFDInputMode mode) const;
};
