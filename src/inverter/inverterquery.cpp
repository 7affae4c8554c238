#include "inverter/inverterquery.h"

#include "ifd/qxifd.h"
#include "platform/iclock.h"
#include "platform/services.h"

TInverterQuery::TInverterQuery(QObject* parent) : QObject(parent) {
  FTimer.setInterval(20);
  connect(&FTimer, &QTimer::timeout, this, &TInverterQuery::Poll);
}

void TInverterQuery::Read(TQXIFD& ifd, const QByteArray& code, TDone done) {
  FIFD = &ifd;
  FDone = std::move(done);
  ifd.SendToInverter("R" + code + " 0000");
  FSentAt = TServices::Clock().TickCountMs();
  FTimer.start();
}

void TInverterQuery::Poll() {
  if (!FDone || TServices::Clock().TickCountMs() - FSentAt < ReplyWaitMs) return;
  FTimer.stop();
  const QString rendered = FIFD ? FIFD->ReadFromInverter() : QString();
  TDone done = std::move(FDone);
  FDone = nullptr;
  done(rendered);
}

void TInverterQuery::Cancel() {
  FTimer.stop();
  FDone = nullptr;
}
