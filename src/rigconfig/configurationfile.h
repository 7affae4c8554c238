#pragma once
// The rig's Configuration.ini with its typed switches and defaults. Feature switches are on only
// for the exact value "on"; section and key names match without case.

#include <memory>

#include <QString>

class TIniStore;

struct TScopeSettings {
  int SampleInterval;
  int SampleCount;
  int PreTriggerCount;
  int Channel1;
  int Channel2;
  QString TriggerMode;
  int TriggerChannel;
  int TriggerLevel;
};

class TConfigurationFile {
 public:
  static constexpr const char* SaveFailedText =
      "Configuration could not be updated. The user does not have sufficient privillages.";

  explicit TConfigurationFile(const QString& path);
  ~TConfigurationFile();

  QString FileName() const;
  TIniStore& Store() { return *FStore; }
  const TIniStore& Store() const { return *FStore; }

  bool FeatureOn(const QString& section) const;  // "AUTOPILOT", "Scope", "LOGIC_ENGINE"
  void SetFeature(const QString& section, bool on);
  bool AutopilotFeature() const;
  bool ScopeFeature() const;
  bool LogicEngineFeature() const;

  bool IsVexaMode() const;
  bool QueryVexaAtStartup() const;
  bool InvPrgShow() const;
  bool InvPrgEnable() const;

  int ThreadTimeBase() const;   // IFD tbt, ms
  int GuiRefresh() const;       // IFD guiref
  bool ThreadSelect() const;    // IFD threadsel

  QString HelpSystemPackage() const;
  QString HelpFileName() const;

  TScopeSettings ScopeSettings() const;
  void SetScopeSettings(const TScopeSettings& s);

  // The stored schedules of one analogue output channel (one line, "" when none).
  QString Schedules(int channel) const;
  void SetSchedules(int channel, const QString& line);

  // Saves the file; on failure warns the user and leaves the file (and these values) as they were.
  bool Save();

 private:
  std::unique_ptr<TIniStore> FStore;
};
