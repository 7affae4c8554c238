#include "lab/tilevalues.h"

#include <algorithm>

#include <QLocale>
#include <QSettings>
#include <QUrl>

#include "lab/labsettings.h"

namespace {
const QString kGroup = QStringLiteral("ClassViewValues");

// Rig titles may hold '/' and '\', which a settings key would take as groups.
QString KeyFor(const QString& rig) { return QString::fromLatin1(QUrl::toPercentEncoding(rig.isEmpty() ? QStringLiteral("-") : rig)); }
QString RigFor(const QString& key) {
  const QString rig = QUrl::fromPercentEncoding(key.toLatin1());
  return rig == QLatin1String("-") ? QString() : rig;
}
QString Dash() { return QString(QChar(0x2014)); }
}  // namespace

TTileValues TTileValues::Load() {
  QSettings s(TLabSettings::SettingsFile(), QSettings::IniFormat);
  TTileValues r;
  s.beginGroup(kGroup);
  for (const QString& key : s.childKeys()) r.Choose(RigFor(key), s.value(key).toStringList());
  s.endGroup();
  return r;
}

bool TTileValues::Save(QString* error) const {
  QSettings s(TLabSettings::SettingsFile(), QSettings::IniFormat);
  s.remove(kGroup);
  s.beginGroup(kGroup);
  for (const auto& [rig, names] : FByRig) s.setValue(KeyFor(rig), names);
  s.endGroup();
  s.sync();
  if (s.status() != QSettings::NoError) {
    if (error) *error = QStringLiteral("Cannot write %1.").arg(s.fileName());
    return false;
  }
  return true;
}

QStringList TTileValues::Chosen(const QString& rig) const {
  const auto it = FByRig.find(rig);
  return it == FByRig.end() ? QStringList() : it->second;
}

void TTileValues::Choose(const QString& rig, const QStringList& names) {
  QStringList kept;
  for (const QString& n : names)
    if (!n.isEmpty() && !kept.contains(n) && kept.size() < Shown) kept << n;
  if (kept.isEmpty())
    FByRig.erase(rig);
  else
    FByRig[rig] = kept;
}

QStringList TTileValues::Lines(const TLabPayload::TValues& values, const QStringList& chosen) {
  auto line = [](const QString& name, const std::optional<double>& value, const QString& units) {
    return QStringLiteral("%1 %2 %3").arg(name, value ? QLocale::c().toString(*value, 'g', 6) : Dash(), units).trimmed();
  };
  QStringList r;
  if (chosen.isEmpty()) {
    for (const TLabPayload::TValue& v : values.Values) {
      if (r.size() == Shown) break;
      r << line(v.Name, v.Value, v.Units);
    }
    return r;
  }
  for (const QString& name : chosen) {
    const auto it = std::find_if(values.Values.begin(), values.Values.end(), [&](const TLabPayload::TValue& v) { return v.Name == name; });
    r << (it == values.Values.end() ? line(name, std::nullopt, QString()) : line(it->Name, it->Value, it->Units));
  }
  return r;
}
