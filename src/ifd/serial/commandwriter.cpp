#include "ifd/serial/commandwriter.h"

#include <atomic>

#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/availableports.h"

namespace {
std::atomic<bool> gGateOpen{true};
}

bool TCommandWriter::TransmitGateOpen() { return gGateOpen.load(); }
void TCommandWriter::SetTransmitGateOpen(bool open) { gGateOpen = open; }

void TCommandWriter::SendCommand(TApdComPortEx* port, const QByteArray& text) {
  if (port && TransmitGateOpen()) WriteToPort(port, text);
}

void TCommandWriter::WriteToPort(TApdComPortEx* port, const QByteArray& text) {
  if (!port || text.isEmpty()) return;
  TAvailablePorts::LogDataOut(*port, QString::fromLatin1(text));
  if (port->IsOpen()) port->Write(text);
}

void TCommandWriter::SendRequest(TApdComPortEx* port, const QByteArray& text) {
  if (port && port->IsOpen()) SendCommand(port, text);
}
