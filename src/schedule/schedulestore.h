#pragma once
// Where an output's schedules live: section AUTOPILOT of the rig's Configuration.ini, one line per
// channel under the channel the editor targets, in decimal. An analogue output is targeted by its
// internal channel -(n+1), so output n's line is under "-(n+1)" and a controller's measured input m
// (whose set point a schedule may drive) stays apart under "m". A line stored under the output's
// own number n is read as well when "-(n+1)" is absent, so files written that way load.

#include <QString>

class TScheduleStore {
 public:
  struct TLoaded {
    QString Line;   // empty when the channel has none stored
    QString Key;    // the key it was read under
    QString Error;  // the file exists but could not be read
  };

  static QString KeyOf(int targetChannel) { return QString::number(targetChannel); }
  static TLoaded Load(const QString& iniPath, int targetChannel);
  // Writes the line under the channel's key through a temporary file. The rest of the file
  // (comments, unknown keys) is kept. False, with the reason, when the file could not be read or
  // written; the file is then as it was.
  static bool Save(const QString& iniPath, int targetChannel, const QString& line, QString* error);
};
