#include "recordinghost.h"

namespace {
QString RoleName(TApdComPortRole role) {
  return role == TApdComPortRole::ms ? "ms" : role == TApdComPortRole::sl ? "sl" : "na";
}
}  // namespace

void TRecordingHost::SwitchToLegacyDriverForced() {
  Calls << "SwitchToLegacyDriverForced";
  if (OnLegacySwitch) OnLegacySwitch();
}

void TRecordingHost::ActivateCard(TApdComPortRole role) { Calls << "ActivateCard " + RoleName(role); }

void TRecordingHost::ReplyReceived(TApdComPortRole role, const QString& cardMarker, int code, const QString& data) {
  Calls << QStringLiteral("Reply %1 %2 %3 %4").arg(RoleName(role), cardMarker).arg(code).arg(data);
  if (OnReply) OnReply(role, code, data);
}

void TRecordingHost::ShowCardFirmware(TApdComPortRole role, const QString& text) {
  Calls << "ShowCardFirmware " + RoleName(role) + " " + text;
}

void TRecordingHost::ClearCardFirmware(TApdComPortRole role) { Calls << "ClearCardFirmware " + RoleName(role); }

QStringList TRecordingHost::CallsStartingWith(const QString& prefix) const {
  QStringList matching;
  for (const QString& call : Calls)
    if (call.startsWith(prefix)) matching << call;
  return matching;
}
