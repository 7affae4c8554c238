#include "support/freeport.h"

#include <QTcpServer>

int FreePort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}
