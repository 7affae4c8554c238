#pragma once
// Sending commands to a card: the transmit gate (closed while a high-speed capture owns the line)
// and the write itself, which hands every text to the outgoing log.

#include <QByteArray>

class TApdComPortEx;

class TCommandWriter {
 public:
  static bool TransmitGateOpen();
  static void SetTransmitGateOpen(bool open);

  // Through the gate: written (and logged) only while the gate is open.
  static void SendCommand(TApdComPortEx* port, const QByteArray& text);
  // Written when the port is open, logged in any case. A failed write closes the port, tells the
  // user, and logs the write-failure mark; the port's lost handler follows.
  static void WriteToPort(TApdComPortEx* port, const QByteArray& text);
  // A read request: only for an open port (a closed port's requests are not even logged).
  static void SendRequest(TApdComPortEx* port, const QByteArray& text);
};
