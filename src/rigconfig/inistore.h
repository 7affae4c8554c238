#pragma once
// An ini file held in memory: section and key names match without case, values are kept and
// compared exactly, and comments and keys the program does not know survive a save. Saving writes
// a temporary file and renames it, so a failed save leaves the previous file as it was.

#include <memory>

#include <QString>
#include <QStringList>

namespace inistore_detail {
struct TImpl;
}

class TIniStore {
 public:
  // Loads `path` when it exists; a missing file is an empty store. Check LoadError() for a file
  // that exists but could not be read.
  explicit TIniStore(const QString& path);
  ~TIniStore();
  TIniStore(const TIniStore&) = delete;
  TIniStore& operator=(const TIniStore&) = delete;

  // Creates an empty file at `path` when none exists, then opens it (the "ini.ini" beside the
  // executable). False in LoadError() terms when the file could not be created.
  static std::unique_ptr<TIniStore> OpenCreating(const QString& path);

  QString FileName() const { return FPath; }
  QString LoadError() const { return FLoadError; }

  bool SectionExists(const QString& section) const;
  bool ValueExists(const QString& section, const QString& key) const;
  QStringList Sections() const;
  QStringList Keys(const QString& section) const;

  QString ReadString(const QString& section, const QString& key, const QString& fallback) const;
  // Decimal, or "$"/"0x" hexadecimal; `fallback` when absent or not a whole number.
  int ReadInteger(const QString& section, const QString& key, int fallback) const;
  // A whole number, non-zero = true; `fallback` when absent or not a whole number.
  bool ReadBool(const QString& section, const QString& key, bool fallback) const;

  void WriteString(const QString& section, const QString& key, const QString& value);
  void WriteInteger(const QString& section, const QString& key, int value);
  void WriteBool(const QString& section, const QString& key, bool value);  // 1 / 0
  void DeleteKey(const QString& section, const QString& key);
  void EraseSection(const QString& section);

  // Writes the whole store to the file. On failure returns false with the reason in `error`, the
  // file is untouched and the store is reloaded from it, so memory and file agree again.
  bool UpdateFile(QString* error = nullptr);
  // Re-reads the file, dropping unsaved changes.
  void Reload();

 private:
  std::unique_ptr<inistore_detail::TImpl> FImpl;
  QString FPath;
  QString FLoadError;
};
