#include "rigconfig/registry.h"

#include <cmath>
#include <cstdint>

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include "platform/numbers.h"

namespace {
// Each value is stored as "<type>:<text>" so types survive the ini file.
const QString kSz = QStringLiteral("sz:");
const QString kDword = QStringLiteral("dword:");
const QString kReal = QStringLiteral("real:");
// Every key holds this marker so that an empty key exists, as a registry key does.
const QString kKeyMarker = QStringLiteral("(key)");

QString Normalised(QString key) {
  key.replace(QLatin1Char('/'), QLatin1Char('\\'));
  while (key.startsWith(QLatin1Char('\\'))) key.remove(0, 1);
  while (key.endsWith(QLatin1Char('\\'))) key.chop(1);
  return key;
}
}  // namespace

TRegistry::TRegistry(const QString& storePath)
    : FStore(new QSettings(storePath.isEmpty() ? DefaultStorePath() : storePath, QSettings::IniFormat)) {}

TRegistry::~TRegistry() {
  FStore->sync();
  delete FStore;
}

QString TRegistry::DefaultStorePath() {
  QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
  return base + QStringLiteral("/Veltrim/Quorlex.ini");
}

QString TRegistry::VersionText(double productVersion) {
  if (!std::isfinite(productVersion)) return QStringLiteral("0.00");
  double v = productVersion;
  if (v != 0) {
    // keep 3 significant digits before fixing two decimals
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(v))));
    const double scale = std::pow(10.0, 2 - magnitude);
    v = std::nearbyint(v * scale) / scale;
  }
  return QString::number(v, 'f', 2);
}

QString TRegistry::RigKey(const QString& title, double productVersion) {
  return QStringLiteral("\\Software\\Veltrim\\") + title + QStringLiteral("\\Version ") + VersionText(productVersion);
}

QString TRegistry::Group(const QString& key) const {
  // QSettings groups nest with "/"; a "/" inside a rig title must not split it.
  QString g = Normalised(key);
  g.replace(QLatin1Char('/'), QStringLiteral("%2F"));
  g.replace(QLatin1Char('\\'), QLatin1Char('/'));
  return g;
}

QString TRegistry::ValuePath(const QString& name) const {
  QString n = name;
  n.replace(QLatin1Char('/'), QStringLiteral("%2F"));
  n.replace(QLatin1Char('\\'), QStringLiteral("%5C"));
  return Group(FCurrentKey) + QLatin1Char('/') + n;
}

bool TRegistry::KeyExists(const QString& key) const {
  return FStore->contains(Group(key) + QLatin1Char('/') + kKeyMarker);
}

bool TRegistry::OpenKey(const QString& key, bool canCreate) {
  const QString norm = Normalised(key);
  if (!KeyExists(norm)) {
    if (!canCreate) return false;
    const QStringList levels = norm.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QString path;
    for (const QString& level : levels) {
      path += (path.isEmpty() ? QString() : QStringLiteral("\\")) + level;
      FStore->setValue(Group(path) + QLatin1Char('/') + kKeyMarker, QString());
    }
    FStore->sync();
  }
  FCurrentKey = norm;
  return true;
}

void TRegistry::CloseKey() {
  FStore->sync();
  FCurrentKey.clear();
}

void TRegistry::RequireOpenKey() const {
  if (FCurrentKey.isEmpty()) throw ERegistryError("no registry key is open");
}

bool TRegistry::ValueExists(const QString& name) const {
  return !FCurrentKey.isEmpty() && FStore->contains(ValuePath(name));
}

bool TRegistry::DeleteValue(const QString& name) {
  if (!ValueExists(name)) return false;
  FStore->remove(ValuePath(name));
  return true;
}

QString TRegistry::Raw(const QString& name, TValueType expected) const {
  RequireOpenKey();
  const QString stored = FStore->value(ValuePath(name)).toString();
  const QString& prefix = expected == TValueType::String ? kSz : expected == TValueType::Integer ? kDword : kReal;
  if (!stored.startsWith(prefix))
    throw ERegistryError(QStringLiteral("Invalid data type for '%1'").arg(name).toStdString());
  return stored.mid(prefix.size());
}

QString TRegistry::ReadString(const QString& name) const {
  if (!ValueExists(name)) return QString();
  return Raw(name, TValueType::String);
}

int TRegistry::ReadInteger(const QString& name) const {
  const auto v = numbers::ParseTypedInteger(Raw(name, TValueType::Integer));
  if (!v || *v < INT32_MIN || *v > INT32_MAX)
    throw ERegistryError(QStringLiteral("Invalid data type for '%1'").arg(name).toStdString());
  return static_cast<int>(*v);
}

bool TRegistry::ReadBool(const QString& name) const { return ReadInteger(name) != 0; }

double TRegistry::ReadFloat(const QString& name) const {
  const auto v = numbers::ParseTypedNumber(Raw(name, TValueType::Float));
  if (!v) throw ERegistryError(QStringLiteral("Invalid data type for '%1'").arg(name).toStdString());
  return *v;
}

void TRegistry::Write(const QString& name, TValueType type, const QString& text) {
  RequireOpenKey();
  const QString& prefix = type == TValueType::String ? kSz : type == TValueType::Integer ? kDword : kReal;
  FStore->setValue(ValuePath(name), prefix + text);
  FStore->sync();
}

void TRegistry::WriteString(const QString& name, const QString& value) { Write(name, TValueType::String, value); }
void TRegistry::WriteInteger(const QString& name, int value) {
  Write(name, TValueType::Integer, QString::number(value));
}
void TRegistry::WriteBool(const QString& name, bool value) { WriteInteger(name, value ? 1 : 0); }
void TRegistry::WriteFloat(const QString& name, double value) {
  Write(name, TValueType::Float, numbers::FloatToShortest(value));
}

QString TRegistry::ReadStringOrCreate(const QString& name, const QString& fallback) {
  if (ValueExists(name)) return ReadString(name);
  WriteString(name, fallback);
  return fallback;
}
int TRegistry::ReadIntegerOrCreate(const QString& name, int fallback) {
  if (ValueExists(name)) return ReadInteger(name);
  WriteInteger(name, fallback);
  return fallback;
}
bool TRegistry::ReadBoolOrCreate(const QString& name, bool fallback) {
  if (ValueExists(name)) return ReadBool(name);
  WriteBool(name, fallback);
  return fallback;
}
double TRegistry::ReadFloatOrCreate(const QString& name, double fallback) {
  if (ValueExists(name)) return ReadFloat(name);
  WriteFloat(name, fallback);
  return fallback;
}

int TRegistry::ReadIntegerDef(const QString& name, int fallback) const {
  if (!ValueExists(name)) return fallback;
  try {
    return ReadInteger(name);
  } catch (const ERegistryError&) {
    return fallback;
  }
}

bool TRegistry::ReadBoolDef(const QString& name, bool fallback) const {
  return ReadIntegerDef(name, fallback ? 1 : 0) != 0;
}
