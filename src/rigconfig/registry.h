#pragma once
// The per-user registry: typed values under keys such as
// "\Software\Veltrim\<rig title>\Version 1.00". Kept in an ini file in the user's configuration
// folder ($XDG_CONFIG_HOME/Veltrim/Quorlex.ini), one group per key. Values keep their type (text,
// integer, real; booleans are integers as in the registry), and reading a value as the wrong type
// raises ERegistryError as the registry does.

#include <optional>
#include <stdexcept>

#include <QString>
#include <QVariant>

class QSettings;

class ERegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TRegistry {
 public:
  // `storePath` overrides the file (tests); empty = the user's store.
  explicit TRegistry(const QString& storePath = QString());
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  static QString DefaultStorePath();
  // "\Software\Veltrim\" + title + "\Version " + version with two decimals.
  static QString RigKey(const QString& title, double productVersion);
  // The version as the key shows it: fixed-point with two decimals after rounding to 3 significant
  // digits (1 -> "1.00", 1.1 -> "1.10", 12.345 -> "12.30").
  static QString VersionText(double productVersion);

  // Opens a key; creates it (and every level above) when `canCreate`. False when absent.
  bool OpenKey(const QString& key, bool canCreate);
  void CloseKey();
  bool KeyExists(const QString& key) const;

  bool ValueExists(const QString& name) const;
  bool DeleteValue(const QString& name);

  QString ReadString(const QString& name) const;   // "" when absent
  int ReadInteger(const QString& name) const;      // throws when absent or not an integer
  bool ReadBool(const QString& name) const;        // throws when absent or not an integer
  double ReadFloat(const QString& name) const;     // throws when absent or not a real

  void WriteString(const QString& name, const QString& value);
  void WriteInteger(const QString& name, int value);
  void WriteBool(const QString& name, bool value);
  void WriteFloat(const QString& name, double value);

  // Read a value, or write `fallback` there and return it when the value is absent.
  QString ReadStringOrCreate(const QString& name, const QString& fallback);
  int ReadIntegerOrCreate(const QString& name, int fallback);
  bool ReadBoolOrCreate(const QString& name, bool fallback);
  double ReadFloatOrCreate(const QString& name, double fallback);
  // Read a value, or `fallback` when absent or of another type; nothing is written.
  int ReadIntegerDef(const QString& name, int fallback) const;
  bool ReadBoolDef(const QString& name, bool fallback) const;

 private:
  enum class TValueType { String, Integer, Float };
  QString Group(const QString& key) const;
  QString ValuePath(const QString& name) const;
  QString Raw(const QString& name, TValueType expected) const;
  void RequireOpenKey() const;
  void Write(const QString& name, TValueType type, const QString& text);

  QSettings* FStore;
  QString FCurrentKey;
};
