#pragma once
// Where this machine's lab network is and who this station is. Kept per machine (the system-wide
// settings) or per user, never in a rig folder: a rig is copied between machines, a station name
// and a password are not. The password lives in a file of its own, readable by its owner only, so
// the settings file can be shown or shared without it.

#include <QString>
#include <QStringList>

class TLabSettings {
 public:
  bool Enabled = false;  // off by default: a single PC needs no network
  QString Host;
  int Port = 1883;
  QString Lab = QStringLiteral("lab");
  QString Station;  // empty: the host name
  QString User;
  QString Password;
  QString CaFile;    // TLS is on when a CA file is named
  QString CertFile;  // optional client certificate and key
  QString KeyFile;

  // The user's settings over the machine's; the password from its own file.
  static TLabSettings Load();
  // Writes the user's settings and the password file (owner-only). False with `error` set when a
  // write failed; the previous files are then as they were.
  bool Save(QString* error = nullptr) const;

  // The station's name as published: the setting, else this machine's host name; characters
  // that have a meaning in topics (/ + #) become '-'.
  QString StationName() const;
  static QString TopicSafe(const QString& name);
  // "quorlex/<lab>/<station>/"
  QString TopicRoot() const;
  bool UsesTls() const { return !CaFile.isEmpty(); }

  // "HOST:PORT" ("[::1]:1883" for an IPv6 address); false when it is not one.
  static bool ParseAddress(const QString& text, QString& host, int& port);
  // A password file's first line, without its line end; false with `error` when unreadable.
  static bool ReadPasswordFile(const QString& path, QString& password, QString* error = nullptr);

  // The files the settings are kept in (for the options dialog and the documentation).
  static QString SettingsFile();
  static QString PasswordFile();
};
