// COM numbers, the port table and the port choice; the port object's roles and status text.
#include <gtest/gtest.h>

#include "fakeportbench.h"
#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/availableports.h"
#include "ifd/serial/comporttable.h"

TEST(ComPortTable, OverridesParseAndMalformedEntriesAreSkipped) {
  QStringList warnings;
  const auto entries = TComPortTable::ParseOverrides(
      "COM3=/tmp/a, com4 = /tmp/b,COM0=/x,COM51=/y,COMx=/z,COM5=,junk,,COM6=/tmp/c", &warnings);
  EXPECT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries.at(3), "/tmp/a");
  EXPECT_EQ(entries.at(4), "/tmp/b");
  EXPECT_EQ(entries.at(6), "/tmp/c");
  EXPECT_EQ(warnings.size(), 5);
}

TEST(ComPortTable, SystemPortsNumberedByPathAndOverridden) {
  TTempFolder folder;
  const QString sim = folder.Write("master", "");
  TComPortTable table;
  table.Build({"/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyUSB0"}, "COM2=" + sim + ",COM9=" + folder.File("gone"));
  EXPECT_EQ(table.PathOf(1), "/dev/ttyACM0");
  EXPECT_EQ(table.PathOf(2), sim);
  EXPECT_EQ(table.PathOf(3), "/dev/ttyUSB1");
  // An override whose path does not exist (the simulator is not running) is no present port.
  EXPECT_EQ(table.PresentNumbers(), (QList<int>{1, 2, 3}));
  EXPECT_FALSE(table.IsPresent(9));
  EXPECT_FALSE(table.IsPresent(0));
  EXPECT_FALSE(table.IsPresent(51));
  const QStringList text = table.PortTableText();
  ASSERT_EQ(text.size(), 51);
  EXPECT_EQ(text[0], "UCOM=0");
  EXPECT_EQ(text[2], "COM2=1");
  EXPECT_EQ(text[9], "COM9=0");
  // An override naming a system port's path takes that port over instead of listing it twice.
  table.Build({"/dev/ttyUSB0"}, "COM7=/dev/ttyUSB0");
  EXPECT_FALSE(table.IsPresent(1));
  EXPECT_EQ(table.PathOf(7), "/dev/ttyUSB0");
}

TEST(AvailablePorts, ChoosesTheFirstPortNotTakenByTheOther) {
  TFakePortBench bench;
  EXPECT_EQ(TAvailablePorts::FirstFreePort(), 0);
  EXPECT_EQ(TAvailablePorts::ChoosePortNumber(-1), 0);
  bench.AddPort(3);
  EXPECT_EQ(TAvailablePorts::ChoosePortNumber(-1), 3);
  EXPECT_EQ(TAvailablePorts::ChoosePortNumber(3), 0);
  bench.AddPort(4);
  EXPECT_EQ(TAvailablePorts::ChoosePortNumber(3), 4);
  EXPECT_EQ(TAvailablePorts::ChoosePortNumber(4), 3);
  EXPECT_EQ(TAvailablePorts::SecondFreePort(), 4);
  EXPECT_EQ(TAvailablePorts::ListAvailablePorts(), (QStringList{"List Of Available Com Ports", "COM3=3", "COM4=4"}));
  bench.RemovePort(3);
  EXPECT_EQ(TAvailablePorts::ChoosePortNumber(4), 0);
}

TEST(ApdComPortEx, RolesAndStatusText) {
  TFakePortBench bench;
  bench.AddPort(5);
  TApdComPortEx port;
  EXPECT_EQ(port.Role(), TApdComPortRole::na);
  EXPECT_EQ(port.Mode(), TIFDInputMode::NONE);
  EXPECT_FALSE(port.Locked());
  EXPECT_EQ(port.Baud(), 38400);
  EXPECT_EQ(port.DataBits(), 8);
  EXPECT_EQ(port.StopBits(), 1);
  EXPECT_EQ(port.Parity(), 'N');
  EXPECT_EQ(port.InSize(), 32768);
  EXPECT_EQ(port.ComPortNumberStr(), "-1");
  EXPECT_EQ(port.StatusText(), "IFD: vCOM Closed");
  port.SetComNumber(5);
  ASSERT_EQ(port.Open(), TApdComPortEx::TOpenResult::Opened);
  EXPECT_EQ(port.StatusText(), "IFD: vCOM(5)na");
  port.AssignMasterRole();
  EXPECT_EQ(port.Name(), "ms");
  EXPECT_EQ(port.StatusText(), "IFD: vCOM(5)m");
  port.SetMode(TIFDInputMode::SE);
  port.ReleaseMasterRole();
  EXPECT_EQ(port.Name(), "xx");
  EXPECT_EQ(port.Mode(), TIFDInputMode::NONE);
  port.AssignSlaveRole();
  EXPECT_EQ(port.StatusText(), "IFD: vCOM(5)s");
  port.ReleaseSlaveRole();
  EXPECT_EQ(port.Name(), "yy");
}

TEST(ApdComPortEx, OpenFailuresAreTold) {
  TFakePortBench bench;
  bench.AddPort(3);
  TApdComPortEx port;
  port.SetComNumber(4);
  EXPECT_EQ(port.Open(), TApdComPortEx::TOpenResult::InvalidPort);
  port.SetComNumber(3);
  bench.Line(3).OpenError = "Permission denied";
  EXPECT_EQ(port.Open(), TApdComPortEx::TOpenResult::Failed);
  EXPECT_EQ(port.LastErrorMessage(), "Permission denied");
  bench.Line(3).OpenError.clear();
  ASSERT_EQ(port.Open(), TApdComPortEx::TOpenResult::Opened);
  // One device, one port object: a second would steal the first one's replies.
  TApdComPortEx second;
  second.SetComNumber(3);
  EXPECT_EQ(second.Open(), TApdComPortEx::TOpenResult::Failed);
  EXPECT_TRUE(second.LastErrorMessage().contains("already in use"));
  port.Close();
  EXPECT_EQ(second.Open(), TApdComPortEx::TOpenResult::Opened);
}

TEST(ApdComPortEx, TriggersIgnoreLetterCaseAndSpanReads) {
  TApdComPortEx port;
  const std::uint16_t ok = port.AddDataTrigger("ok\r");
  QList<std::uint16_t> seen;
  QByteArray data;
  port.SetOnTriggerAvail([&](TApdComPortEx&, std::uint16_t h) { seen << h; });
  port.SetOnDataAvail([&](TApdComPortEx&, const QByteArray& b) { data += b; });
  port.ReceiveBytes("xO");
  port.ReceiveBytes("K");
  port.ReceiveBytes("\ryy");
  EXPECT_EQ(seen, QList<std::uint16_t>{ok});
  EXPECT_EQ(data, QByteArray("xOK\ryy"));
  EXPECT_TRUE(port.RemoveTrigger(ok));
  EXPECT_FALSE(port.RemoveTrigger(ok));
  port.ReceiveBytes("ok\r");
  EXPECT_EQ(seen.size(), 1);
}
