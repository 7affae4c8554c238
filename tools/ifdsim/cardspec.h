#pragma once
// What one simulated card is: its kind, how it identifies itself and how it is reached.

#include <QByteArray>

enum class TCardKind { None, Brenna, Vexa };
enum class TInputMode { SingleEnded, Differential };
enum class TLegacyKind { None, VelUsb, DoruzOva };

struct TCardSpec {
  TCardKind Kind = TCardKind::None;
  QByteArray Model;           // four characters, placed where the host reads the model field
  char RoleDigit = '0';       // '0' master, '1' slave; anything else is a card claiming no role
  TInputMode Mode = TInputMode::SingleEnded;  // before any mode command arrives
  TLegacyKind Legacy = TLegacyKind::VelUsb;   // which driver device also serves this card
  QByteArray Firmware = "2.3";

  bool Present() const { return Kind != TCardKind::None; }
  bool IsVexa() const { return Kind == TCardKind::Vexa; }
};
