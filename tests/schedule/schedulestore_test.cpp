// Stored schedules in Configuration.ini: the line comes back exactly as written, the rest of the
// file survives, either key form loads, and a failed save changes nothing.
#include <gtest/gtest.h>

#include <QFile>

#include "rigconfig/inistore.h"
#include "schedule/scheduleline.h"
#include "schedule/schedulestore.h"
#include "support/tempfolder.h"
#include "workbook/qstringprinter.h"

namespace {
const QByteArray kFile =
    "; the rig's switches\n"
    "[AUTOPILOT]\n"
    "feature = on\n"
    "; output 0 as another program wrote it, under the output's own number\n"
    "0 = \"5 s=20\" \"params=begin\" \"nameschedule=legacy\" \"nextschedule=stop\"\n"
    "colour = blue\n"
    "\n"
    "[Custom]\n"
    "; kept\n"
    "answer = 42\n";
}  // namespace

TEST(ScheduleStore, QuotedLinesRoundTripAndTheRestOfTheFileSurvives) {
  TTempFolder tmp;
  const QString path = tmp.Write("Configuration.ini", kFile);

  // Output 0 is targeted as -1; its line under "0" loads while "-1" is absent.
  TScheduleStore::TLoaded legacy = TScheduleStore::Load(path, -1);
  EXPECT_EQ(legacy.Key, "0");
  EXPECT_EQ(legacy.Line, "\"5 s=20\" \"params=begin\" \"nameschedule=legacy\" \"nextschedule=stop\"");
  // A controller's measured input 0 is its own key.
  EXPECT_EQ(TScheduleStore::Load(path, 0).Key, "0");
  EXPECT_TRUE(TScheduleStore::Load(path, -3).Line.isEmpty());

  const QString line = scheduleline::Compose(TSchedule::Compose({"1 s=0", "2 s=5"}, TSchedule::TParams(), incremental),
                                             scheduleline::Read(legacy.Line).Schedules);
  ASSERT_TRUE(line.startsWith('"') && line.endsWith('"'));
  QString error;
  ASSERT_TRUE(TScheduleStore::Save(path, -1, line, &error)) << error.toStdString();

  // The stored line is handed back unchanged, quotes and all, and now wins over the old key.
  const TScheduleStore::TLoaded again = TScheduleStore::Load(path, -1);
  EXPECT_EQ(again.Key, "-1");
  EXPECT_EQ(again.Line, line);
  const QString text = QString::fromUtf8(TTempFolder::Read(path));
  for (const char* kept : {"; the rig's switches", "; output 0 as another program wrote it", "colour", "[Custom]",
                           "; kept", "answer", "nameschedule=legacy"})
    EXPECT_TRUE(text.contains(kept)) << kept;
  TIniStore store(path);
  EXPECT_EQ(store.ReadString("custom", "ANSWER", ""), "42");
  EXPECT_EQ(store.ReadString("autopilot", "feature", ""), "on");
  EXPECT_EQ(scheduleline::Read(store.ReadString("AUTOPILOT", "-1", "")).Schedules.size(), 2);
}

TEST(ScheduleStore, AFailedSaveLeavesTheFileAsItWas) {
  TTempFolder tmp;
  const QString path = tmp.Write("Configuration.ini", kFile);
  QFile::setPermissions(path, QFileDevice::ReadOwner);
  QString error;
  EXPECT_FALSE(TScheduleStore::Save(path, -1, "\"nextschedule=stop\"", &error));
  EXPECT_FALSE(error.isEmpty());
  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  EXPECT_EQ(TTempFolder::Read(path), kFile);

  // A folder that is not there is reported too.
  EXPECT_FALSE(TScheduleStore::Save(tmp.File("missing/Configuration.ini"), -1, "\"nextschedule=stop\"", &error));
  EXPECT_TRUE(error.contains("folder"));
}
