#pragma once
// A capture run of the results table read back as the oscilloscope's traces: the interval between
// samples from its "Time (s)" column, and each channel's name and units from its title
// ("Vibration pick-up (V)"). The run keeps both, in the table, its saved file and the journal a
// crash is recovered from, so every measure stays in real units.

#include <vector>

#include <QString>

class TWorkbook;

class TCaptureTrace {
 public:
  struct TChannel {
    QString Name, Units;
    std::vector<double> Values;
  };

  // Reads sheet `sheet` (from 1) of `book`; false, with the reason in `why`, when it holds no
  // capture this can measure (too few rows, times not evenly spaced, a channel cell missing).
  bool Read(const TWorkbook& book, int sheet, QString* why = nullptr);

  // "Name (units)" -> Name, units; a title without a trailing bracket has no units.
  static void SplitTitle(const QString& title, QString* name, QString* units);

  QString Title;
  double Interval = 0;  // seconds
  std::vector<TChannel> Channels;
};
