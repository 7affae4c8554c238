#pragma once
// The messages of the lab network, as JSON with a schema name and a version (docs/lab-network.md).
// Numbers are written in their shortest exact form, so a reading arrives with every digit it was
// recorded with. Decoding refuses anything that is not a message of a known version, with a reason.

#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "lab/labrun.h"

class TLabPayload {
 public:
  static constexpr int Version = 1;

  struct TStatus {
    QString Station, Lab, Rig, Exercise;
    QString State;  // idle, recording, capturing, alarm or offline
    QString Program;
    QString Changed;  // ISO 8601 UTC of the last change of state
    int Runs = 0;     // runs this station has published
  };
  struct TValue {
    QString Name, Units;
    std::optional<double> Value;  // none: no reading for this sample
  };
  struct TValues {
    QString Time;
    std::vector<TValue> Values;
  };
  struct TAlarm {
    QString Time, Event /* raised or cleared */, Name, Text;
  };

  static QByteArray Status(const TStatus& status);
  static QByteArray Values(const TValues& values);
  static QByteArray Alarm(const TAlarm& alarm);
  static QByteArray Run(const TLabRun& run);

  // Each returns false with `error` set for a message that is not JSON, not of this schema, of
  // another version or lacks a field it needs.
  static bool ReadStatus(const QByteArray& bytes, TStatus& status, QString* error = nullptr);
  static bool ReadValues(const QByteArray& bytes, TValues& values, QString* error = nullptr);
  static bool ReadAlarm(const QByteArray& bytes, TAlarm& alarm, QString* error = nullptr);
  static bool ReadRun(const QByteArray& bytes, TLabRun& run, QString* error = nullptr);

  // The current time as the messages carry it.
  static QString Now();
};
