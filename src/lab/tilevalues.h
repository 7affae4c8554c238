#pragma once
// Which live values a station's tile shows, chosen by the lecturer per rig: the stations of one rig
// publish the same names, so one choice serves them all. Kept in the user's settings (never in a
// rig folder) so it is there again when the class view is next opened. A rig with no choice shows
// the first values its stations publish.

#include <map>

#include <QString>
#include <QStringList>

#include "lab/labpayload.h"

class TTileValues {
 public:
  static constexpr int Shown = 3;

  // The choices stored in the user's settings.
  static TTileValues Load();
  // False with `error` set when the settings could not be written.
  bool Save(QString* error = nullptr) const;

  // The names chosen for a rig, in the order shown; empty when none were chosen.
  QStringList Chosen(const QString& rig) const;
  // At most `Shown` names; blanks and repeats are dropped; none: back to the first published.
  void Choose(const QString& rig, const QStringList& names);

  // A tile's lines: "name value units" for each chosen value, a dash for a value the station did
  // not send or has no reading for.
  static QStringList Lines(const TLabPayload::TValues& values, const QStringList& chosen);

 private:
  std::map<QString, QStringList> FByRig;
};
