#include "inverter/inverterlink.h"

#include "ifd/qxifd.h"
#include "ifd/serial/serialcommandset.h"
#include "inverter/capturerigs.h"
#include "inverter/iinverterhost.h"
#include "platform/iclock.h"
#include "platform/messagebus.h"
#include "platform/services.h"

TInverterLink::TInverterLink(IInverterHost& host, QObject* parent) : QObject(parent), FHost(host), FQuery(this) {
  FTimer.setInterval(50);
  connect(&FTimer, &QTimer::timeout, this, &TInverterLink::Poll);
}

TQXIFD* TInverterLink::IFD() { return TServices::IFD(); }

void TInverterLink::Start() {
  TQXIFD* ifd = IFD();
  if (!ifd) return;
  FQuery.Cancel();
  ifd->stopFrequencySampling();
  // The card finishes any frequency measurement in hand before the inverter is asked.
  FStep = TStep::Settling;
  FSince = TServices::Clock().TickCountMs();
  FTimer.start();
  FHost.InverterQueryRunning(true);
}

void TInverterLink::SendRead(const QByteArray& code) {
  TQXIFD* ifd = IFD();
  if (!ifd || (!ifd->FvComIOActive && !ifd->FLegIOActive)) return Finish();
  FStep = code == "J01" ? TStep::J01 : code == "H10" ? TStep::H10 : TStep::A05;
  FSerial = ifd->FvComIOActive;
  if (FSerial) {
    ifd->ToInverter_COM(TSerialCommandSet::InverterCommand(inverterframe::Request("R" + code + " 0000")));
    FSince = TServices::Clock().TickCountMs();
    FTimer.start();
  } else {
    FQuery.Read(*ifd, code, [this](const QString& rendered) { Reply(inverterframe::ParseRenderedReply(rendered)); });
  }
}

void TInverterLink::SerialReply(const QByteArray& line) {
  // A reply nobody waits for (after a timeout, or to another program's request) changes nothing.
  if (FStep == TStep::J01 || FStep == TStep::H10 || FStep == TStep::A05) Reply(inverterframe::ParseSerialReply(line));
}

void TInverterLink::Reply(const inverterframe::TReply& reply) {
  if (!reply.ChecksumOk) Post("WM_INVERTER_ERR_CKS_R_FC");
  switch (FStep) {
    case TStep::J01:
      if (!reply.Acknowledged) return Finish();
      Post("WM_INVERTER_SEND_RH10");
      break;
    case TStep::H10:
      FHost.SetInverterType(inverterframe::TypeFromReplies(true, reply.Acknowledged));
      Post("WM_INVERTER_SEND_RA05");
      break;
    case TStep::A05: {
      const std::optional<int> program =
          reply.Acknowledged ? inverterframe::ProgramNumber(FHost.InverterType(), reply.Data) : std::nullopt;
      if (!program) return Finish();
      FHost.SetInverterProgram(*program);
      if (TQXIFD* ifd = IFD()) ifd->reSetFrequencyReaders();
      Post("WM_INVERTER_ACTIVATE_PROGRAMMER");
      break;
    }
    default: return;
  }
  FStep = TStep::Pending;
  FTimer.stop();
}

void TInverterLink::Post(const char* message) { TServices::Bus().PostMessage(QString::fromLatin1(message)); }

void TInverterLink::Activate() {
  const bool wasRunning = Running();
  FStep = TStep::Idle;
  FTimer.stop();
  if (wasRunning) FHost.InverterQueryRunning(false);
  if (TQXIFD* ifd = IFD()) {
    ifd->reSetFrequencyReaders();
    ifd->startFrequencySampling();
  }
}

void TInverterLink::Finish() {
  FQuery.Cancel();
  Activate();
}

void TInverterLink::Poll() {
  const std::int64_t waited = TServices::Clock().TickCountMs() - FSince;
  if (FStep == TStep::Settling && waited >= SettleMs) {
    FTimer.stop();
    SendRead("J01");
  } else if (FSerial && (FStep == TStep::J01 || FStep == TStep::H10 || FStep == TStep::A05) &&
             waited >= ReplyTimeoutMs) {
    Finish();
  }
}

QString TInverterLink::StatusText(TInverterType type, int program, int captureId) {
  QString text;
  if (type == Varnok) text += QStringLiteral("Inverter Type: Varnok; ");
  if (type == Pellor) text += QStringLiteral("Inverter Type: Pellor; ");
  if (program >= 0) text += QStringLiteral("Prog: ") + TCaptureRigs::Name(program) + QStringLiteral("; ");
  text += QStringLiteral("Rig: ") + TCaptureRigs::Name(captureId) + QStringLiteral("; ");
  text += captureId != 0 ? QStringLiteral("On: yes") : QStringLiteral("On: NA");
  return text;
}

QString TInverterLink::MismatchText(int captureId, int program) {
  return QStringLiteral(
             "The detected Vexa inverter program does not match Capture equipment \rconnected to the Vexa. This "
             "could damage the equipment. Please, use  \rthe Vexa Programmer Tool to upload the right program to "
             "the Vexa then \rrestart the application. \r \rCapture Rig: ") +
         TCaptureRigs::Name(captureId) + QStringLiteral(" \rVexa Program: ") + TCaptureRigs::Name(program);
}
