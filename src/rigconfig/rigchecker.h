#pragma once
// Loads a rig without windows, as the program would for each of its exercises, and reports what it
// found and every problem, for rig authors ("quorlex --check-rig FOLDER") and for tests. Errors are
// what makes the program fail or show wrong values; warnings are what the rig can run without (a
// help page that is missing). Nothing is written anywhere: not the rig folder, not the per-user
// settings.

#include <memory>
#include <vector>

#include <QString>
#include <QStringList>
#include <QTextStream>

class TDataSource_Definition;
class TRigConfig;

class TRigChecker {
 public:
  // Writes the report to `out`; true when no error was found (warnings allowed).
  static bool Check(const QString& folder, QTextStream& out);

 private:
  explicit TRigChecker(QTextStream& out) : FOut(out) {}
  bool Run(const QString& folder);
  // Loads exercise `exercise` (the only one of a rig without a list); false without a general sheet.
  bool CheckExercise(const QString& folder, int exercise, int& exerciseCount);
  void CheckDefinitions(TRigConfig& rig);
  // Each controller's row of the controllers sheet names channels of the diagram and a picture
  // that exists.
  void CheckControllers(TRigConfig& rig, const std::vector<std::unique_ptr<TDataSource_Definition>>& defs);
  void CheckRunSheet(const QString& path);
  void CheckFixedValues(const TRigConfig& rig, const std::vector<std::unique_ptr<TDataSource_Definition>>& defs);
  // An exercise with the oscilloscope on needs its two data channels; a capture's time and values
  // shown as a clock would read seconds as days.
  void CheckCaptures(const TRigConfig& rig, const std::vector<std::unique_ptr<TDataSource_Definition>>& defs);
  void CheckPicture(const QString& path, const QString& what);
  void CheckGraphColumns(const TRigConfig& rig);
  void CheckTimeFormats(const TRigConfig& rig, const std::vector<std::unique_ptr<TDataSource_Definition>>& defs);
  void CheckHelp(TRigConfig& rig);
  void Error(const QString& text);
  void Warn(const QString& text);
  QString Short(const QString& path) const;

  QTextStream& FOut;
  QString FPathName;
  QStringList FErrors, FWarnings;
  QStringList FCheckedFiles;  // run and data-source sheets already reported by an earlier exercise
  int FDefinitions = 0, FSkipped = 0;
};
