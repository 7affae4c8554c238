#pragma once
// What the serial link needs from above: the facade's card activation and reply effects, its path
// switch, and the main window's connection calls. The facade implements it (forwarding the window
// calls when the main window exists); tests implement it with a recorder.

#include <QString>
#include <QtGlobal>
#include <QStringList>

#include "ifd/serial/ifdinputmode.h"
#include "ifd/serial/serialrigvalues.h"

class IIFDSerialHost {
 public:
  virtual ~IIFDSerialHost() = default;

  virtual TSerialRigValues RigValues() const = 0;
  // The last connection request came from the user's button (not a silent reconnect).
  virtual bool UserClickedForComms() const = 0;

  // The facade: fall back to the driver path without asking.
  virtual void SwitchToLegacyDriverForced() = 0;
  // The facade: a card's mode is active (mode reply, or at once for a Vexa master).
  virtual void ActivateCard(TApdComPortRole role) = 0;
  // The facade: analogue input `input` of the master card (auxiliary false) or the slave card is
  // read by a source.
  virtual bool InputInUse(bool auxiliary, int input) const {
    Q_UNUSED(auxiliary);
    Q_UNUSED(input);
    return false;
  }
  // The facade: every incoming message the link does not handle itself (all but identification).
  virtual void ReplyReceived(TApdComPortRole role, const QString& cardMarker, int code, const QString& data) = 0;

  // The main window.
  virtual void VComOneIsSet(const QString& port) = 0;
  virtual void VComTwoIsSet(const QString& port) = 0;
  virtual void VComMasterIFDidentified() = 0;
  virtual void VComSlaveIFDidentified() = 0;
  virtual void EnableVexamode() = 0;
  virtual void VComLostMaster() = 0;
  virtual void VComLostSlave() = 0;
  virtual void setVComStatusMsg(const QString& text) = 0;
  virtual void setVComAuxStatusMsg(const QString& text) = 0;
  virtual void AddDebugMessages(const QStringList& lines) = 0;

  // The interface settings dialog, when it exists: the identification text of a card shown (and
  // the firmware-issue note hidden), or cleared when the card is lost.
  virtual void ShowCardFirmware(TApdComPortRole role, const QString& text) = 0;
  virtual void ClearCardFirmware(TApdComPortRole role) = 0;
};
