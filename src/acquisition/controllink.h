#pragma once
// The digital output a gate, switch or flip drives: the first one with the channel among the rows
// above it. An output that no earlier row defines is reported with the row that names it, and the
// item then drives nothing.

#include <QString>

class TDataSource_Definition;
class TQXDigitalOutputSource;

class TControlLink {
 public:
  static TQXDigitalOutputSource* FindOutput(int channel, const TDataSource_Definition& Source, const QString& what);
  static QString MissingText(int row, const QString& what, const QString& label, int channel);
};
