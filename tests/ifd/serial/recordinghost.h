#pragma once
// A serial host for tests: records every call as a line of text and serves settable rig values.

#include <functional>

#include <QStringList>

#include "ifd/serial/iifdserialhost.h"

class TRecordingHost : public IIFDSerialHost {
 public:
  TSerialRigValues Rig;
  bool UserClicked = true;
  QStringList Calls;
  // Runs on SwitchToLegacyDriverForced (a facade releases its ports there).
  std::function<void()> OnLegacySwitch;
  // Runs on every reply handed up, after it is recorded (a facade applies it there).
  std::function<void(TApdComPortRole role, int code, const QString& data)> OnReply;

  TSerialRigValues RigValues() const override { return Rig; }
  bool UserClickedForComms() const override { return UserClicked; }
  void SwitchToLegacyDriverForced() override;
  void ActivateCard(TApdComPortRole role) override;
  void ReplyReceived(TApdComPortRole role, const QString& cardMarker, int code, const QString& data) override;
  void VComOneIsSet(const QString& port) override { Calls << "VComOneIsSet " + port; }
  void VComTwoIsSet(const QString& port) override { Calls << "VComTwoIsSet " + port; }
  void VComMasterIFDidentified() override { Calls << "VComMasterIFDidentified"; }
  void VComSlaveIFDidentified() override { Calls << "VComSlaveIFDidentified"; }
  void EnableVexamode() override { Calls << "EnableVexamode"; }
  void VComLostMaster() override { Calls << "VComLostMaster"; }
  void VComLostSlave() override { Calls << "VComLostSlave"; }
  void setVComStatusMsg(const QString& text) override { Calls << "setVComStatusMsg " + text; }
  void setVComAuxStatusMsg(const QString& text) override { Calls << "setVComAuxStatusMsg " + text; }
  void AddDebugMessages(const QStringList& lines) override { Calls << "AddDebugMessages " + lines.join('|'); }
  void ShowCardFirmware(TApdComPortRole role, const QString& text) override;
  void ClearCardFirmware(TApdComPortRole role) override;

  // The recorded calls starting with `prefix`.
  QStringList CallsStartingWith(const QString& prefix) const;
};
