#include "schedule/schedulestore.h"

#include "rigconfig/configurationfile.h"
#include "rigconfig/inistore.h"
#include "rigconfig/settingsnames.h"

TScheduleStore::TLoaded TScheduleStore::Load(const QString& iniPath, int targetChannel) {
  TLoaded loaded;
  const TConfigurationFile file(iniPath);
  loaded.Error = file.Store().LoadError();
  loaded.Key = KeyOf(targetChannel);
  if (file.Store().ValueExists(QLatin1String(settings::ini::Autopilot), loaded.Key)) {
    loaded.Line = file.Schedules(targetChannel);
  } else if (targetChannel < 0) {
    const int outputNumber = -(targetChannel + 1);
    if (file.Store().ValueExists(QLatin1String(settings::ini::Autopilot), KeyOf(outputNumber))) {
      loaded.Key = KeyOf(outputNumber);
      loaded.Line = file.Schedules(outputNumber);
    }
  }
  return loaded;
}

bool TScheduleStore::Save(const QString& iniPath, int targetChannel, const QString& line, QString* error) {
  TConfigurationFile file(iniPath);
  // Writing a file that could not be read would replace everything else in it.
  if (!file.Store().LoadError().isEmpty()) {
    if (error) *error = file.Store().LoadError();
    return false;
  }
  file.SetSchedules(targetChannel, line);
  return file.Store().UpdateFile(error);
}
