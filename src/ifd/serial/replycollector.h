#pragma once
// The reply buffers of one of the facade's two ports and its two handlers in logging mode: the
// bytes handler keeps the printable reply text (and in Vexa mode the raw bytes too); the trigger
// handler turns the text gathered before a terminator into a message of the port.

#include <cstdint>

#include <QByteArray>

class TApdComPortEx;

class TReplyCollector {
 public:
  // A reply is a few dozen bytes; text piling up without a terminator (noise, a card in the wrong
  // mode) is cut to its newest part so it cannot grow without bound.
  static constexpr qsizetype MaxPendingBytes = 4096;

  // `auxiliary`: the second port, whose "IA" values go to the auxiliary collector.
  explicit TReplyCollector(bool auxiliary) : FAuxiliary(auxiliary) {}

  // Vexa mode follows the rig's setting, not what the card reported.
  void SetVexaMode(bool on) { FVexaMode = on; }
  bool VexaMode() const { return FVexaMode; }

  void BytesReceived(TApdComPortEx& port, const QByteArray& bytes);
  void TriggerMatched(TApdComPortEx& port, std::uint16_t handle);

  // The text and raw bytes gathered since the last terminator ("" once consumed).
  QByteArray PendingText() const { return FConsumed ? QByteArray() : FText; }

 private:
  void Consume();
  bool Keeps(unsigned char byte) const;

  bool FAuxiliary;
  bool FVexaMode = false;
  bool FConsumed = true;
  QByteArray FText;
  QByteArray FRaw;
  unsigned char FPrevious = 0;
};
