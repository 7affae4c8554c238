#pragma once
// One serial interface card: cuts the incoming bytes into commands, acts on them against the plant
// and answers each with reply frames "data, code byte 0x80-0xA0, CR". It knows nothing about the
// line it sits on; the link feeds it bytes and sends its frames.

#include <QByteArray>
#include <QObject>
#include <QString>

#include "cardspec.h"
#include "serialcapture.h"

class TInverter;
class TPlantModel;

class TSerialCard : public QObject {
  Q_OBJECT
 public:
  // slot 0: the card wired as master (inputs 0-15, outputs 0-3, lines 0-15);
  // slot 1: the second card (inputs 100-115, outputs 100-103, lines 8-15).
  TSerialCard(const TCardSpec& spec, int slot, TPlantModel& plant, TInverter& inverter, QObject* parent = nullptr);

  void Receive(const QByteArray& bytes);
  void SetAnswerArm(bool answer) { FAnswerArm = answer; }
  // A transfer ends after this many bytes (0: whole), as on a line that fails mid-transfer.
  void SetTransferCut(int bytes) { FTransferCut = bytes; }
  // The identification text: model field, one character, role digit, one character at its end.
  QByteArray IdentificationText() const;
  TInputMode Mode() const { return FMode; }
  int Filter() const { return FFilter; }

  static QByteArray Frame(const QByteArray& data, int code);

 signals:
  void CommandReceived(const QByteArray& command);
  void Reply(const QByteArray& frame);
  void Problem(const QString& text);

 private:
  void Handle(const QByteArray& command);
  void HandleInverter(const QByteArray& frame);
  bool HandleOutput(const QByteArray& command);
  bool HandleRead(const QByteArray& command);
  bool HandleCapture(const QByteArray& command);
  void Send(const QByteArray& data, int code) { emit Reply(Frame(data, code)); }
  void Refuse(const QByteArray& command, const QString& why);
  int DigitalLine(int cardLine) const;

  TCardSpec FSpec;
  int FSlot;
  TPlantModel& FPlant;
  TInverter& FInverter;
  TSerialCapture FCapture;
  TInputMode FMode;
  int FFilter = 0;
  bool FAnswerArm = true;
  int FTransferCut = 0;
  QByteArray FBuffer;
  bool FDiscarding = false;
};
