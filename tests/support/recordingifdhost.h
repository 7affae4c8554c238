#pragma once
// A main window for the interface facade and its settings dialog in tests: records every call as a
// line of text ("VComOneIsSet 3", "SetStatusPanel 3 IFD: OK") and answers the facade's questions
// from settable fields.

#include <QStringList>

#include "ifd/iifdconfighost.h"
#include "ifd/iifdhost.h"

class TRecordingIFDHost : public IIFDHost, public IIFDConfigHost {
 public:
  bool UserClicked = false;
  bool LoadingExercise = false;
  bool ScopeOn = false;
  bool SchedulerOn = false;
  QStringList Calls;

  // The recorded calls starting with `prefix`.
  QStringList CallsStartingWith(const QString& prefix) const;

  void SetStatusPanel(int panel, const QString& text) override;
  void SetVComToolsOn() override { Calls << "SetVComToolsOn"; }
  void SetVComToolsOff() override { Calls << "SetVComToolsOff"; }
  void VComOneIsSet(const QString& port) override { Calls << "VComOneIsSet " + port; }
  void VComTwoIsSet(const QString& port) override { Calls << "VComTwoIsSet " + port; }
  void VComMasterIFDidentified() override { Calls << "VComMasterIFDidentified"; }
  void VComSlaveIFDidentified() override { Calls << "VComSlaveIFDidentified"; }
  void EnableVexamode() override { Calls << "EnableVexamode"; }
  void vComMasterIFDmode() override { Calls << "vComMasterIFDmode"; }
  void vComSlaveIFDmode() override { Calls << "vComSlaveIFDmode"; }
  void VComLostMaster() override { Calls << "VComLostMaster"; }
  void VComLostSlave() override { Calls << "VComLostSlave"; }
  void setCaptureID(int id) override { Calls << "setCaptureID " + QString::number(id); }
  void vComInverterDataBack(const QString& text) override { Calls << "vComInverterDataBack " + text; }
  void CleanUpBeforeLeavingVCom() override { Calls << "CleanUpBeforeLeavingVCom"; }
  void CleanUpAfterLeavingVCom() override { Calls << "CleanUpAfterLeavingVCom"; }
  void setVComStatusMsg(const QString& text) override { Calls << "setVComStatusMsg " + text; }
  void setVComAuxStatusMsg(const QString& text) override { Calls << "setVComAuxStatusMsg " + text; }
  void AddDebugMessages(const QStringList& lines) override { Calls << "AddDebugMessages " + lines.join('|'); }
  bool UserClickedForComms() const override { return UserClicked; }
  bool ChangingExercise() const override { return LoadingExercise; }

  bool ScopeEnabled() const override { return ScopeOn; }
  bool SchedulerEnabled() const override { return SchedulerOn; }
  void Show_Vexa_items(bool show) override { Calls << QStringLiteral("Show_Vexa_items %1").arg(show); }
  void Enable_Vexa_items(bool enable) override { Calls << QStringLiteral("Enable_Vexa_items %1").arg(enable); }
  void ifdSettingsAppliedNotify() override { Calls << "ifdSettingsAppliedNotify"; }
  void ShellHelpContents() override { Calls << "ShellHelpContents"; }
};
