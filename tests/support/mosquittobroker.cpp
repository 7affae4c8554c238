#include "support/mosquittobroker.h"

#include <unistd.h>

#include <QFile>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTextStream>

#include "support/freeport.h"

namespace {
QString Mosquitto() {
  QString path = QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
  if (path.isEmpty()) path = QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin")});
  return path;
}
}  // namespace

TMosquittoBroker::TMosquittoBroker() : FPort(FreePort()) {}

TMosquittoBroker::~TMosquittoBroker() { Stop(); }

bool TMosquittoBroker::Available() { return !Mosquitto().isEmpty(); }

void TMosquittoBroker::AddUser(const QString& user, const QString& password) { FUsers.append({user, password}); }
void TMosquittoBroker::SetAcl(const QString& text) { FAcl = text; }
void TMosquittoBroker::SetTls(const QString& caFile, const QString& certFile, const QString& keyFile) {
  FCa = caFile;
  FCert = certFile;
  FKey = keyFile;
}

bool TMosquittoBroker::Start() {
  if (Running()) return true;
  const QString conf = FDir.filePath(QStringLiteral("mosquitto.conf"));
  QFile f(conf);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  QTextStream out(&f);
  // Sessions and their queued messages survive a restart, as on a lab's broker.
  out << "per_listener_settings false\npersistence true\npersistence_location " << FDir.path() << "/\nlog_dest stderr\nlog_type error\nlog_type warning\n"
      << "listener " << FPort << " 127.0.0.1\n";
  // Started as root the broker would drop to its own user, which cannot read this test's folder.
  if (geteuid() == 0) out << "user root\n";
  if (!FCa.isEmpty()) out << "cafile " << FCa << "\ncertfile " << FCert << "\nkeyfile " << FKey << "\n";
  if (FUsers.isEmpty()) {
    out << "allow_anonymous true\n";
  } else {
    const QString passwords = FDir.filePath(QStringLiteral("passwords"));
    QFile::remove(passwords);
    QFile(passwords).open(QIODevice::WriteOnly);
    for (const auto& [user, password] : FUsers) {
      QProcess tool;
      tool.setProcessChannelMode(QProcess::MergedChannels);
      tool.start(QStringLiteral("mosquitto_passwd"), {QStringLiteral("-b"), passwords, user, password});
      if (!tool.waitForFinished(10000) || tool.exitCode() != 0) {
        FError = QStringLiteral("mosquitto_passwd: ") + QString::fromUtf8(tool.readAll());
        return false;
      }
    }
    out << "allow_anonymous false\npassword_file " << passwords << "\n";
  }
  if (!FAcl.isEmpty()) {
    const QString acl = FDir.filePath(QStringLiteral("acl"));
    QFile a(acl);
    if (!a.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    a.write(FAcl.toUtf8());
    a.close();
    out << "acl_file " << acl << "\n";
  }
  out.flush();
  f.close();
  FProcess.setProcessChannelMode(QProcess::MergedChannels);
  FProcess.start(Mosquitto(), {QStringLiteral("-c"), conf});
  if (!FProcess.waitForStarted(5000)) return false;
  // Up once it accepts connections.
  for (int i = 0; i < 100; ++i) {
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(FPort));
    if (s.waitForConnected(100)) return true;
    if (FProcess.state() == QProcess::NotRunning) return false;
    QThread::msleep(50);
  }
  return false;
}

void TMosquittoBroker::Stop() {
  if (FProcess.state() == QProcess::NotRunning) return;
  FProcess.terminate();
  if (!FProcess.waitForFinished(5000)) {
    FProcess.kill();
    FProcess.waitForFinished(2000);
  }
}

bool TMosquittoBroker::Running() const { return FProcess.state() == QProcess::Running; }

QString TMosquittoBroker::Log() const { return FError + QString::fromUtf8(const_cast<QProcess&>(FProcess).readAll()); }
