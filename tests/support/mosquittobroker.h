#pragma once
// A real mosquitto broker for one test, on a free loopback port, with optional users, an access
// list and TLS. Stop and Start again keep the port, as a broker restarted by its administrator.

#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class TMosquittoBroker {
 public:
  TMosquittoBroker();
  ~TMosquittoBroker();
  // False (the tests then skip) when no mosquitto is installed.
  static bool Available();

  // Before Start: users (password file) with anonymous access off, an access list's text, TLS files.
  void AddUser(const QString& user, const QString& password);
  void SetAcl(const QString& text);
  void SetTls(const QString& caFile, const QString& certFile, const QString& keyFile);

  bool Start();  // false with the broker's log in Log()
  void Stop();
  bool Running() const;
  int Port() const { return FPort; }
  QString Log() const;
  QString Folder() const { return FDir.path(); }

 private:
  QTemporaryDir FDir;
  int FPort;
  QList<QPair<QString, QString>> FUsers;
  QString FAcl, FCa, FCert, FKey;
  QString FError;
  QProcess FProcess;
};

// Waits, running the event loop, until `done` holds or `ms` pass; returns `done()`.
template <typename F>
bool WaitUntil(F done, int ms = 10000);

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

template <typename F>
bool WaitUntil(F done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}
