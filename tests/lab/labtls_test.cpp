// TLS with certificates the test makes itself (its own CA, a server certificate for 127.0.0.1):
// a station trusting that CA connects and its run arrives; one trusting another CA refuses the
// broker and says so, keeping its run waiting.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

#include "lab/labstation.h"
#include "support/mosquittobroker.h"
#include "support/tempfolder.h"
#include "fakelabrig.h"

namespace {
bool OpenSsl(const QString& folder, const QStringList& arguments) {
  QProcess p;
  p.setWorkingDirectory(folder);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(QStringLiteral("openssl"), arguments);
  return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A CA named `name` in folder/<name>.crt and .key.
bool MakeCa(const QString& folder, const QString& name) {
  return OpenSsl(folder, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out", name + ".crt",
                          "-days", "2", "-subj", "/CN=" + name});
}
}  // namespace

TEST(LabTls, AStationTrustingTheLabsCaConnectsAnotherRefusesTheBroker) {
  if (!TMosquittoBroker::Available() || QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty())
    GTEST_SKIP() << "mosquitto or openssl is not installed";
  TTempFolder temp;
  const QString d = temp.Path();
  temp.Write(QStringLiteral("san.ext"), "subjectAltName=IP:127.0.0.1\n");
  ASSERT_TRUE(MakeCa(d, QStringLiteral("labca")));
  ASSERT_TRUE(MakeCa(d, QStringLiteral("otherca")));
  ASSERT_TRUE(OpenSsl(d, {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=127.0.0.1"}));
  ASSERT_TRUE(OpenSsl(d, {"x509", "-req", "-in", "server.csr", "-CA", "labca.crt", "-CAkey", "labca.key", "-CAcreateserial",
                          "-out", "server.crt", "-days", "2", "-extfile", "san.ext"}));
  TMosquittoBroker broker;
  broker.SetTls(temp.File("labca.crt"), temp.File("server.crt"), temp.File("server.key"));
  ASSERT_TRUE(broker.Start()) << broker.Log().toStdString();

  TFakeLabRig rig;
  rig.AddRun(4, 2.5);
  TLabSettings s;
  s.Enabled = true;
  s.Host = QStringLiteral("127.0.0.1");
  s.Port = broker.Port();
  s.Station = QStringLiteral("bench-tls");
  s.CaFile = temp.File("otherca.crt");
  {
    TLabStation station(s, rig, temp.File("outbox"));
    station.Start();
    station.RunEnded(1);
    ASSERT_TRUE(WaitUntil([&] { return station.Connection().State() == TLabConnection::TState::TlsFailure; }))
        << station.StatusText().toStdString();
    EXPECT_EQ(station.StatusText(), QStringLiteral("Lab: TLS failure (1 run waiting)"));
    station.Finish();
  }
  s.CaFile = temp.File("labca.crt");
  TFakeLabRig fresh;
  TLabStation station(s, fresh, temp.File("outbox"));
  station.Start();
  ASSERT_TRUE(WaitUntil([&] { return station.Waiting() == 0; }, 15000)) << station.StatusText().toStdString();
  EXPECT_EQ(station.StatusText(), QStringLiteral("Lab: connected"));
}
