#pragma once
// Builds rig folders for tests: sheets from rows of numbers and texts, written in the native format.

#include <initializer_list>
#include <variant>
#include <vector>

#include <QString>
#include <QStringList>

#include "rigconfig/irigconfighost.h"
#include "support/tempfolder.h"

using TSheetCell = std::variant<std::monostate, double, QString>;
using TSheetRow = std::vector<TSheetCell>;

inline TSheetCell N(double v) { return v; }
inline TSheetCell S(const char* s) { return QString::fromUtf8(s); }
inline const TSheetCell E{};

class TRigBuilder {
 public:
  explicit TRigBuilder(const TTempFolder& folder) : FFolder(folder) {}
  QString Folder() const { return FFolder.Path() + "/"; }
  // Writes rows (row 1 first) to a sheet file of the rig folder; `maxRow` > 0 sets the grid extent.
  QString Sheet(const QString& relative, const std::vector<TSheetRow>& rows, int maxRow = 0) const;
  // A plain general sheet: version, title, capture type, sample count, duration, interval.
  QString General(double version, const char* title, int captureType, int duration, int interval) const;

 private:
  const TTempFolder& FFolder;
};

// Records what loading a rig asks of the main window.
class TRecordingRigHost : public IRigConfigHost {
 public:
  void SetApplicationTitle(const QString& title) override { Calls << "title " + title; }
  void EnableLoadNewExperiment() override { Calls << "load new experiment"; }
  void SetSampleStatus(const QString& text) override { Calls << "status " + text; }
  void SetDuration(int samples) override { Calls << QStringLiteral("duration %1").arg(samples); }
  void SetSampleInterval(int ms) override { Calls << QStringLiteral("interval %1").arg(ms); }
  void DisableLogCommands() override { Calls << "disable log"; }
  void SetAutopilotFeature(bool on) override { Calls << QStringLiteral("autopilot %1").arg(on); }
  void SetScopeFeature(bool on) override { Calls << QStringLiteral("scope %1").arg(on); }
  void CloseSoon() override { Calls << "close soon"; }
  void WidenStatusPanel2(int width) override { Calls << QStringLiteral("panel2 %1").arg(width); }
  QStringList Calls;
};
