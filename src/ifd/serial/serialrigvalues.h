#pragma once
// The rig values the serial path needs, handed down by whoever owns the rig configuration.

#include <QString>
#include <QStringList>

#include "ifd/serial/ifdinputmode.h"

struct TSerialRigValues {
  bool VexaMode = false;                     // the rig drives Vexa cards (isVexamode)
  TIFDInputMode MasterMode = TIFDInputMode::NONE;  // rigConfIFDmodeMaster
  TIFDInputMode SlaveMode = TIFDInputMode::NONE;   // rigConfIFDmodeSlave
  bool UsingEXP = false;                     // the rig has a second card
  QString Title;                             // application (rig) title
  QString RegistryKey;                       // the rig's per-user key
  // Rig titles whose cards are activated as soon as they identify themselves, without waiting
  // for the mode reply.
  QStringList ImmediateActivationTitles;
};
