#include "lab/labsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QSettings>
#include <QStandardPaths>

#include "platform/safesave.h"

namespace {
constexpr const char* kOrganisation = "Veltrim";
constexpr const char* kApplication = "lab";

QSettings UserSettings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QString::fromLatin1(kOrganisation),
                   QString::fromLatin1(kApplication));
}
}  // namespace

QString TLabSettings::SettingsFile() { return UserSettings().fileName(); }

QString TLabSettings::PasswordFile() {
  return QFileInfo(SettingsFile()).absolutePath() + QStringLiteral("/lab.password");
}

TLabSettings TLabSettings::Load() {
  // A user scope QSettings falls back to the system-wide file for keys the user has not set.
  QSettings s = UserSettings();
  TLabSettings r;
  s.beginGroup(QStringLiteral("Lab"));
  r.Enabled = s.value(QStringLiteral("Enabled"), false).toBool();
  r.Host = s.value(QStringLiteral("Host")).toString().trimmed();
  bool ok = false;
  const int port = s.value(QStringLiteral("Port"), 1883).toInt(&ok);
  r.Port = ok && port > 0 && port < 65536 ? port : 1883;
  r.Lab = s.value(QStringLiteral("Lab"), QStringLiteral("lab")).toString().trimmed();
  if (r.Lab.isEmpty()) r.Lab = QStringLiteral("lab");
  r.Station = s.value(QStringLiteral("Station")).toString().trimmed();
  r.User = s.value(QStringLiteral("User")).toString();
  r.CaFile = s.value(QStringLiteral("CaFile")).toString();
  r.CertFile = s.value(QStringLiteral("CertFile")).toString();
  r.KeyFile = s.value(QStringLiteral("KeyFile")).toString();
  s.endGroup();
  if (QFileInfo::exists(PasswordFile())) ReadPasswordFile(PasswordFile(), r.Password);
  return r;
}

bool TLabSettings::Save(QString* error) const {
  auto fail = [error](const QString& text) {
    if (error) *error = text;
    return false;
  };
  // The password first: a settings file naming a user whose password was not stored would
  // only fail later, at the broker.
  const QString passwordFile = PasswordFile();
  if (!QDir().mkpath(QFileInfo(passwordFile).absolutePath()))
    return fail(QStringLiteral("Cannot create the folder %1.").arg(QFileInfo(passwordFile).absolutePath()));
  if (Password.isEmpty()) {
    if (QFileInfo::exists(passwordFile) && !QFile::remove(passwordFile))
      return fail(QStringLiteral("Cannot remove %1.").arg(passwordFile));
  } else {
    TSafeSave file(passwordFile);
    // A new file is made owner-only; the rename keeps that mode for the temporary's content.
    if (!file.Begin(0600)) return fail(file.ErrorText());
    const QByteArray bytes = Password.toUtf8() + '\n';
    if (file.write(bytes) != bytes.size() || !file.Commit()) return fail(file.ErrorText());
    QFile::setPermissions(passwordFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  }
  QSettings s = UserSettings();
  s.beginGroup(QStringLiteral("Lab"));
  s.setValue(QStringLiteral("Enabled"), Enabled);
  s.setValue(QStringLiteral("Host"), Host);
  s.setValue(QStringLiteral("Port"), Port);
  s.setValue(QStringLiteral("Lab"), Lab);
  s.setValue(QStringLiteral("Station"), Station);
  s.setValue(QStringLiteral("User"), User);
  s.setValue(QStringLiteral("CaFile"), CaFile);
  s.setValue(QStringLiteral("CertFile"), CertFile);
  s.setValue(QStringLiteral("KeyFile"), KeyFile);
  s.endGroup();
  s.sync();
  if (s.status() != QSettings::NoError) return fail(QStringLiteral("Cannot write %1.").arg(s.fileName()));
  return true;
}

QString TLabSettings::TopicSafe(const QString& name) {
  QString r = name.trimmed();
  for (QChar& c : r)
    if (c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('#') || c.unicode() < 32) c = QLatin1Char('-');
  return r.isEmpty() ? QStringLiteral("-") : r;
}

QString TLabSettings::StationName() const {
  return TopicSafe(Station.isEmpty() ? QHostInfo::localHostName() : Station);
}

QString TLabSettings::TopicRoot() const {
  return QStringLiteral("quorlex/%1/%2/").arg(TopicSafe(Lab), StationName());
}

bool TLabSettings::ParseAddress(const QString& text, QString& host, int& port) {
  const QString t = text.trimmed();
  QString h, p;
  if (t.startsWith(QLatin1Char('['))) {
    const int close = t.indexOf(QStringLiteral("]:"));
    if (close < 0) return false;
    h = t.mid(1, close - 1);
    p = t.mid(close + 2);
  } else {
    const int colon = t.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0 || t.indexOf(QLatin1Char(':')) != colon) return false;
    h = t.left(colon);
    p = t.mid(colon + 1);
  }
  bool ok = false;
  const int n = p.toInt(&ok);
  if (!ok || n <= 0 || n > 65535 || h.isEmpty() || h.contains(QLatin1Char(' '))) return false;
  host = h;
  port = n;
  return true;
}

bool TLabSettings::ReadPasswordFile(const QString& path, QString& password, QString* error) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    if (error) *error = QStringLiteral("Cannot read the password file %1: %2").arg(path, f.errorString());
    return false;
  }
  QByteArray line = f.readLine(4096);
  while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
  password = QString::fromUtf8(line);
  return true;
}
