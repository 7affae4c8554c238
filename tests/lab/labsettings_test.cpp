// The lab settings: kept per user (never in a rig), the password in an owner-only file of its own
// and never in the settings file, addresses and names checked.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "lab/labsettings.h"
#include "lab/laboutbox.h"
#include "platform/safesave.h"
#include "support/tempfolder.h"

TEST(LabSettings, SaveAndLoadKeepThePasswordOutOfTheSettingsFile) {
  TTempFolder temp;
  EXPECT_FALSE(TLabSettings::Load().Enabled);  // off unless someone turns it on
  TLabSettings s;
  s.Enabled = true;
  s.Host = QStringLiteral("broker.lab");
  s.Port = 8883;
  s.Lab = QStringLiteral("room-2");
  s.Station = QStringLiteral("bench 4");
  s.User = QStringLiteral("bench4");
  s.Password = QStringLiteral("s3cret-pässword");
  s.CaFile = QStringLiteral("/etc/ssl/lab-ca.pem");
  QString error;
  ASSERT_TRUE(s.Save(&error)) << error.toStdString();
  EXPECT_TRUE(TLabSettings::SettingsFile().startsWith(temp.Path()));

  const TLabSettings back = TLabSettings::Load();
  EXPECT_TRUE(back.Enabled);
  EXPECT_EQ(back.Host, s.Host);
  EXPECT_EQ(back.Port, 8883);
  EXPECT_EQ(back.Lab, s.Lab);
  EXPECT_EQ(back.User, s.User);
  EXPECT_EQ(back.Password, s.Password);
  EXPECT_TRUE(back.UsesTls());
  EXPECT_FALSE(TTempFolder::Read(TLabSettings::SettingsFile()).contains("s3cret"));
  EXPECT_EQ(QFileInfo(TLabSettings::PasswordFile()).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);

  // No password: no password file left behind.
  s.Password.clear();
  ASSERT_TRUE(s.Save(&error));
  EXPECT_FALSE(QFileInfo::exists(TLabSettings::PasswordFile()));
  EXPECT_TRUE(TLabSettings::Load().Password.isEmpty());
}

TEST(LabSettings, AddressesNamesAndPasswordFiles) {
  QString host;
  int port = 0;
  EXPECT_TRUE(TLabSettings::ParseAddress(QStringLiteral("127.0.0.1:18830"), host, port));
  EXPECT_EQ(host, QStringLiteral("127.0.0.1"));
  EXPECT_EQ(port, 18830);
  EXPECT_TRUE(TLabSettings::ParseAddress(QStringLiteral("[::1]:1883"), host, port));
  EXPECT_EQ(host, QStringLiteral("::1"));
  for (const char* bad : {"broker", "broker:", ":1883", "broker:0", "broker:65536", "broker:12x", "::1:1883", "[::1]1883", "a b:1"})
    EXPECT_FALSE(TLabSettings::ParseAddress(QString::fromLatin1(bad), host, port)) << bad;

  // Names go into topics: the topic wildcards and separators cannot split or widen them.
  EXPECT_EQ(TLabSettings::TopicSafe(QStringLiteral("a/b+c#")), QStringLiteral("a-b-c-"));
  TLabSettings s;
  s.Lab = QStringLiteral("room/1");
  s.Station = QStringLiteral("#");
  EXPECT_EQ(s.TopicRoot(), QStringLiteral("quorlex/room-1/-/"));
  s.Station.clear();
  EXPECT_FALSE(s.StationName().isEmpty());  // the host name

  TTempFolder temp;
  QString password;
  ASSERT_TRUE(TLabSettings::ReadPasswordFile(temp.Write(QStringLiteral("pw"), "first line\r\nsecond\n"), password));
  EXPECT_EQ(password, QStringLiteral("first line"));
  QString error;
  EXPECT_FALSE(TLabSettings::ReadPasswordFile(temp.File(QStringLiteral("missing")), password, &error));
  EXPECT_FALSE(error.isEmpty());
}

TEST(LabOutbox, KeepsMessagesInOrderUntilRemovedAndAFailedWriteLosesNothing) {
  TTempFolder temp;
  TLabOutbox box(temp.File(QStringLiteral("outbox")));
  EXPECT_EQ(box.Count(), 0);
  ASSERT_TRUE(box.Put(QStringLiteral("run-1"), QStringLiteral("quorlex/lab/s/runs/run-1"), "first"));
  ASSERT_TRUE(box.Put(QStringLiteral("run/2"), QStringLiteral("quorlex/lab/s/runs/run-2"), QByteArray("two\nlines\n")));
  std::vector<TLabOutbox::TEntry> pending = box.Pending();
  ASSERT_EQ(pending.size(), 2u);
  EXPECT_EQ(pending[0].Topic, QStringLiteral("quorlex/lab/s/runs/run-1"));
  EXPECT_EQ(pending[0].Payload, QByteArray("first"));
  EXPECT_EQ(pending[1].Payload, QByteArray("two\nlines\n"));  // the message byte for byte

  // A full disk while replacing run-1: the stored copy stays whole.
  {
    TSafeSave::TFaultScope full({3, false, false});
    QString error;
    EXPECT_FALSE(box.Put(QStringLiteral("run-1"), QStringLiteral("t"), "a much longer message", &error));
    EXPECT_FALSE(error.isEmpty());
  }
  EXPECT_EQ(box.Pending()[0].Payload, QByteArray("first"));

  // A stranger's file in the folder is neither sent nor counted.
  temp.Write(QStringLiteral("outbox/notes.txt"), "hello");
  EXPECT_EQ(box.Count(), 2);
  EXPECT_TRUE(box.Remove(pending[0].Name));
  ASSERT_EQ(box.Pending().size(), 1u);
  EXPECT_EQ(box.Pending()[0].Topic, QStringLiteral("quorlex/lab/s/runs/run-2"));
}
