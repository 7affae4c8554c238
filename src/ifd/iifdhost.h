#pragma once
// What the interface facade asks of the main window: connection and card events for its status
// bar and tools, the status texts of the serial cards, and the questions it needs answered (was
// the connection asked for by the user, is a new exercise being loaded). The main window
// implements it; the legacy path's status texts come through the same object.

#include <QString>
#include <QStringList>

#include "ifd/legacy/ilegacyhost.h"

class IIFDHost : public ILegacyHost {
 public:
  // Serial ports opened, cards identified, their modes active, cards lost.
  virtual void VComOneIsSet(const QString& port) = 0;
  virtual void VComTwoIsSet(const QString& port) = 0;
  virtual void VComMasterIFDidentified() = 0;
  virtual void VComSlaveIFDidentified() = 0;
  virtual void EnableVexamode() = 0;
  virtual void vComMasterIFDmode() = 0;
  virtual void vComSlaveIFDmode() = 0;
  virtual void VComLostMaster() = 0;
  virtual void VComLostSlave() = 0;

  // Capture-rig identity read from a Vexa's digital inputs (0-15); an inverter reply line.
  virtual void setCaptureID(int id) = 0;
  virtual void vComInverterDataBack(const QString& text) = 0;

  virtual void CleanUpBeforeLeavingVCom() = 0;
  virtual void CleanUpAfterLeavingVCom() = 0;

  // Connection texts of the first and second card, copied to the status bar on the refresh messages.
  virtual void setVComStatusMsg(const QString& text) = 0;
  virtual void setVComAuxStatusMsg(const QString& text) = 0;
  virtual void AddDebugMessages(const QStringList& lines) = 0;

  // The last connection request came from the connection button (not a silent reconnect).
  virtual bool UserClickedForComms() const = 0;
  // The window is closing to load another exercise.
  virtual bool ChangingExercise() const = 0;
};
