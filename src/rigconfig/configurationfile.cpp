#include "rigconfig/configurationfile.h"

#include "platform/iprompts.h"
#include "platform/services.h"
#include "rigconfig/inistore.h"
#include "rigconfig/settingsnames.h"

namespace ini = settings::ini;

TConfigurationFile::TConfigurationFile(const QString& path) : FStore(std::make_unique<TIniStore>(path)) {}

TConfigurationFile::~TConfigurationFile() = default;

QString TConfigurationFile::FileName() const { return FStore->FileName(); }

bool TConfigurationFile::FeatureOn(const QString& section) const {
  return FStore->ReadString(section, ini::Feature, ini::FeatureOff) == QLatin1String(ini::FeatureOn);
}

void TConfigurationFile::SetFeature(const QString& section, bool on) {
  FStore->WriteString(section, ini::Feature, on ? ini::FeatureOn : ini::FeatureOff);
}

bool TConfigurationFile::AutopilotFeature() const { return FeatureOn(ini::Autopilot); }
bool TConfigurationFile::ScopeFeature() const { return FeatureOn(ini::Scope); }
bool TConfigurationFile::LogicEngineFeature() const { return FeatureOn(ini::LogicEngine); }

bool TConfigurationFile::IsVexaMode() const { return FStore->ReadBool(ini::Vexa, ini::IsVexaMode, false); }
bool TConfigurationFile::QueryVexaAtStartup() const { return FStore->ReadBool(ini::Vexa, ini::QueryVexaAtStartup, false); }
bool TConfigurationFile::InvPrgShow() const { return FStore->ReadBool(ini::Vexa, ini::InvPrgShow, false); }
bool TConfigurationFile::InvPrgEnable() const { return FStore->ReadBool(ini::Vexa, ini::InvPrgEnable, false); }

int TConfigurationFile::ThreadTimeBase() const { return FStore->ReadInteger(ini::IFD, ini::Tbt, ini::TbtDefault); }
int TConfigurationFile::GuiRefresh() const { return FStore->ReadInteger(ini::IFD, ini::Guiref, ini::GuirefDefault); }
bool TConfigurationFile::ThreadSelect() const { return FStore->ReadBool(ini::IFD, ini::Threadsel, false); }

QString TConfigurationFile::HelpSystemPackage() const { return FStore->ReadString(ini::Help, ini::HelpSystemPackage, QString()); }
QString TConfigurationFile::HelpFileName() const { return FStore->ReadString(ini::Help, ini::HelpFileName, QString()); }

TScopeSettings TConfigurationFile::ScopeSettings() const {
  TScopeSettings s;
  s.SampleInterval = FStore->ReadInteger(ini::Scope, ini::ScopeSampleInterval, ini::ScopeSampleIntervalDefault);
  s.SampleCount = FStore->ReadInteger(ini::Scope, ini::ScopeSampleCount, ini::ScopeSampleCountDefault);
  s.PreTriggerCount = FStore->ReadInteger(ini::Scope, ini::ScopePreTriggerCount, ini::ScopePreTriggerCountDefault);
  s.Channel1 = FStore->ReadInteger(ini::Scope, ini::ScopeChannel1, ini::ScopeChannelNone);
  s.Channel2 = FStore->ReadInteger(ini::Scope, ini::ScopeChannel2, ini::ScopeChannelNone);
  s.TriggerMode = FStore->ReadString(ini::Scope, ini::ScopeTriggerMode, ini::ScopeTriggerModeDefault);
  s.TriggerChannel = FStore->ReadInteger(ini::Scope, ini::ScopeTriggerChannel, ini::ScopeChannelNone);
  s.TriggerLevel = FStore->ReadInteger(ini::Scope, ini::ScopeTriggerLevel, ini::ScopeTriggerLevelDefault);
  return s;
}

void TConfigurationFile::SetScopeSettings(const TScopeSettings& s) {
  FStore->WriteInteger(ini::Scope, ini::ScopeSampleInterval, s.SampleInterval);
  FStore->WriteInteger(ini::Scope, ini::ScopeSampleCount, s.SampleCount);
  FStore->WriteInteger(ini::Scope, ini::ScopePreTriggerCount, s.PreTriggerCount);
  FStore->WriteInteger(ini::Scope, ini::ScopeChannel1, s.Channel1);
  FStore->WriteInteger(ini::Scope, ini::ScopeChannel2, s.Channel2);
  FStore->WriteString(ini::Scope, ini::ScopeTriggerMode, s.TriggerMode);
  FStore->WriteInteger(ini::Scope, ini::ScopeTriggerChannel, s.TriggerChannel);
  FStore->WriteInteger(ini::Scope, ini::ScopeTriggerLevel, s.TriggerLevel);
}

QString TConfigurationFile::Schedules(int channel) const {
  return FStore->ReadString(ini::Autopilot, QString::number(channel), QString());
}

void TConfigurationFile::SetSchedules(int channel, const QString& line) {
  FStore->WriteString(ini::Autopilot, QString::number(channel), line);
}

bool TConfigurationFile::Save() {
  if (FStore->UpdateFile()) return true;
  TServices::Prompts().MessageDlg(QString::fromLatin1(SaveFailedText), TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
  return false;
}
