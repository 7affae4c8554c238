// Schedules as text: reading items, splitting and composing the stored line, typed cells, time
// conversions and the run table's values over time.
#include <gtest/gtest.h>

#include "schedule/schedule.h"
#include "schedule/scheduleline.h"
#include "schedule/scheduleruntable.h"
#include "schedule/scheduletime.h"
#include "workbook/qstringprinter.h"

namespace {
const QString kDefault = QLatin1String(TSchedule::DefaultText);
const QString kStop = QStringLiteral("\"nextschedule=stop\"");
}  // namespace

TEST(ScheduleText, DefaultLineGivesThreeSlotsAndTheSixDefaults) {
  const auto read = scheduleline::Read(kDefault + " " + kStop);
  ASSERT_EQ(read.Schedules.size(), 1);
  EXPECT_TRUE(read.Problems.isEmpty());
  const TSchedule& s = read.Schedules[0];
  EXPECT_EQ(s.Slots(), QStringList({"1 s=0", "2 s=0", "3 s=0"}));
  const TSchedule::TParams p = s.Params();
  EXPECT_EQ(p.typechannel, "AO");
  EXPECT_EQ(p.intervalmode, "INC");
  EXPECT_EQ(p.repeat, "NRIP");
  EXPECT_EQ(p.cycles, "0");
  EXPECT_EQ(p.changemode, "STEP");
  EXPECT_EQ(p.nameschedule, "default");
  EXPECT_EQ(TSchedule::Summary(1, p), "[s] AO INC NRIP C:0 STEP name schedule: default");

  // The parameters in another order read the same; commas and bare items read as quoted ones.
  const TSchedule shuffled(scheduleline::SplitItems(
      "\"1 s=0\",\"2 s=0\" \"3 s=0\",params=begin,nameschedule=default,cycles=0,changemode=STEP,"
      "repeat=NRIP,intervalmode=INC,typechannel=AO"));
  EXPECT_EQ(shuffled.Slots(), s.Slots());
  EXPECT_EQ(TSchedule::Summary(1, shuffled.Params()), TSchedule::Summary(1, p));

  // An empty or missing line is the built-in schedule.
  const auto empty = scheduleline::Read("  ");
  EXPECT_TRUE(empty.UsedDefault);
  ASSERT_EQ(empty.Schedules.size(), 1);
  EXPECT_EQ(empty.Schedules[0].Items(), s.Items());
}

TEST(ScheduleText, ItemsSplitByQuotesCommasAndBlanks) {
  EXPECT_EQ(scheduleline::SplitItems("a, b\t\"c d\",,\"say \"\"hi\"\"\"  e"),
            QStringList({"a", "b", "c d", "say \"hi\"", "e"}));
  // Anything before the last marker is a slot; with no marker there are no slots at all.
  const TSchedule twoMarkers(QStringList{"1 s=0", "params=begin", "2 s=3", "params=begin", "cycles=INF"});
  EXPECT_EQ(twoMarkers.Slots(), QStringList({"1 s=0", "params=begin", "2 s=3"}));
  EXPECT_EQ(twoMarkers.Param("cycles"), "INF");
  const TSchedule noMarker(QStringList{"1 s=0", "nameschedule=x"});
  EXPECT_TRUE(noMarker.Slots().isEmpty());
  EXPECT_EQ(noMarker.Param("nameschedule"), "x");
  EXPECT_EQ(noMarker.Param("repeat"), "");
}

TEST(ScheduleText, BrokenLinesAreReportedNotDropped) {
  QString problem;
  EXPECT_EQ(scheduleline::SplitItems("\"1 s=0\" \"2 s=5", &problem), QStringList({"1 s=0", "2 s=5"}));
  EXPECT_FALSE(problem.isEmpty());

  // A line cut short keeps its last schedule and says so.
  const auto noStop = scheduleline::Read("\"1 s=0\" \"params=begin\" \"nextschedule=begin\" \"2 s=0\"");
  ASSERT_EQ(noStop.Schedules.size(), 2);
  EXPECT_EQ(noStop.Schedules[1].Items(), QStringList({"2 s=0"}));
  ASSERT_EQ(noStop.Problems.size(), 1);
  EXPECT_TRUE(noStop.Problems[0].contains("nextschedule=stop"));
  // Items after the stop marker are ignored without complaint.
  const auto afterStop = scheduleline::Read("\"1 s=0\" \"nextschedule=stop\" \"junk\"");
  EXPECT_EQ(afterStop.Schedules.size(), 1);
  EXPECT_TRUE(afterStop.Problems.isEmpty());
}

TEST(ScheduleText, ComposingTheStoredLine) {
  const TSchedule def(scheduleline::SplitItems(kDefault));
  const QStringList defaultRows{"1 s=0", "2 s=0", "3 s=0"};
  TSchedule::TParams params;
  params.nameschedule = "default";
  const QString editorDefault = TSchedule::Compose(defaultRows, params, incremental);
  EXPECT_EQ(editorDefault, kDefault);
  // An unchanged default in the editor is not stored a second time.
  EXPECT_EQ(scheduleline::Compose(editorDefault, {def}), kDefault + " " + kStop);

  // The editor's schedule goes first, the stored ones follow in order.
  params.nameschedule = "ramp";
  const QString ramp = TSchedule::Compose({"1 s=0", "2 s=5"}, params, incremental);
  const QString line = scheduleline::Compose(ramp, {def});
  const auto back = scheduleline::Read(line);
  ASSERT_EQ(back.Schedules.size(), 2);
  EXPECT_EQ(back.Schedules[0].Param("nameschedule"), "ramp");
  EXPECT_EQ(back.Schedules[0].Slots(), QStringList({"1 s=0", "2 s=5"}));
  EXPECT_EQ(back.Schedules[1].Items(), def.Items());

  // Deleting the only schedule leaves only the stop marker, which reads as an empty schedule.
  EXPECT_EQ(scheduleline::Compose(QString(), {}), kStop);
  const auto empty = scheduleline::Read(kStop);
  ASSERT_EQ(empty.Schedules.size(), 1);
  EXPECT_TRUE(empty.Schedules[0].Slots().isEmpty());
  EXPECT_EQ(empty.Schedules[0].Params().intervalmode, "");
  EXPECT_EQ(TSchedule::ModeOf(empty.Schedules[0].Params().intervalmode), wrong);

  // CON stays CON; any other interval mode is written as "wrong".
  EXPECT_TRUE(TSchedule::Compose({"1 s=0"}, params, TSchedule::ModeOf("CON")).contains("\"intervalmode=CON\""));
  EXPECT_TRUE(TSchedule::Compose({"1 s=0"}, params, TSchedule::ModeOf("inc")).contains("\"intervalmode=wrong\""));

  // A name with quotes and blanks comes back as it was.
  params.nameschedule = "warm \"up\", then hold";
  const auto quoted = scheduleline::Read(scheduleline::Compose(TSchedule::Compose({"1 s=0"}, params, incremental), {}));
  ASSERT_EQ(quoted.Schedules.size(), 1);
  EXPECT_EQ(quoted.Schedules[0].Param("nameschedule"), params.nameschedule);
  // A pasted line break would split the settings file's line: it is stored as a blank.
  params.nameschedule = "two\nlines";
  EXPECT_TRUE(TSchedule::Compose({"1 s=0"}, params, incremental).contains("\"nameschedule=two lines\""));
}

TEST(ScheduleText, TypedCellsAreNormalised) {
  EXPECT_EQ(scheduletime::NormaliseTimeCell("90", 2), "90 min");
  EXPECT_EQ(scheduletime::NormaliseTimeCell("5 h", 1), "5 s");  // the editor's unit wins
  EXPECT_EQ(scheduletime::NormaliseTimeCell("abc", 0), "0 ms");
  EXPECT_EQ(scheduletime::NormaliseTimeCell("2.5", 1), "0 s");
  EXPECT_EQ(scheduletime::NormaliseValueCell("150", false), "100");  // brought to the limit
  EXPECT_EQ(scheduletime::NormaliseValueCell("150", false, 10, 120), "120");
  EXPECT_EQ(scheduletime::NormaliseValueCell("4", false, 10, 120), "10");
  EXPECT_EQ(scheduletime::NormaliseValueCell("-1", false), "0");
  EXPECT_EQ(scheduletime::NormaliseValueCell("100", false), "100");
  EXPECT_EQ(scheduletime::NormaliseValueCell("150", true), "150");  // a set point is not a percentage
  EXPECT_EQ(scheduletime::NormaliseValueCell("x", true), "0");
  EXPECT_EQ(scheduletime::UnitCode("fortnight"), 1);
  EXPECT_EQ(scheduletime::UnitWord(9), "s");
}

TEST(ScheduleText, SlotTimesBeyond32BitMillisecondsAreRefused) {
  EXPECT_EQ(scheduletime::KeyMilliseconds("2147483 s").value_or(-1), 2147483000);
  EXPECT_EQ(scheduletime::KeyMilliseconds("24 day").value_or(-1), 24LL * 86400000);
  QString why;
  EXPECT_FALSE(scheduletime::KeyMilliseconds("25 day", &why));
  EXPECT_TRUE(why.contains("25 day"));
  EXPECT_FALSE(scheduletime::KeyMilliseconds("99999999999999999 h"));
  EXPECT_FALSE(scheduletime::KeyMilliseconds("-3 s"));
  EXPECT_FALSE(scheduletime::KeyMilliseconds("soon"));

  TScheduleRunTable table;
  EXPECT_FALSE(table.Build({"1 s=0", "600 h=5"}, incremental, &why));
  EXPECT_TRUE(why.startsWith("slot 2")) << why.toStdString();
  EXPECT_TRUE(table.Empty());
}

TEST(ScheduleRun, IncrementalSlotsAddUpAndContinuousOnesAreAlreadyCounted) {
  TScheduleRunTable inc;
  ASSERT_TRUE(inc.Build({"1 s=0", "2 s=0", "3 s=0"}, incremental));
  EXPECT_EQ(inc.Rows(), QStringList({"1000 ms=0", "3000 ms=0", "6000 ms=0"}));
  EXPECT_EQ(inc.Slots()[2].FDsHsMsSsMilsFormat, "00 00 06 (000)");

  // 0 for the first second, 5 until 3 s, 10 until 6 s, then 0; the same from a CON schedule
  // that counts its times from the start.
  TScheduleRunTable con;
  ASSERT_TRUE(inc.Build({"1 s=0", "2 s=5", "3 s=10"}, incremental));
  ASSERT_TRUE(con.Build({"1000 ms=0", "3 s=5", "6 s=10"}, continuos));
  const std::pair<double, double> expected[] = {{0, 0},     {999, 0},   {1000, 5}, {2999, 5},
                                                {3000, 10}, {5999, 10}, {6000, 0}};
  for (const auto& [ms, value] : expected) {
    EXPECT_EQ(inc.ValueAt(ms), value) << ms;
    EXPECT_EQ(con.ValueAt(ms), value) << ms;
  }
  int row = -1;
  inc.ValueAt(3500, &row);
  EXPECT_EQ(row, 3);
  inc.ValueAt(60000, &row);
  EXPECT_EQ(row, 0);

  // A value that is not a number runs as 0; an unknown interval mode does not run.
  ASSERT_TRUE(inc.Build({"1 s=lots"}, incremental));
  EXPECT_EQ(inc.ValueAt(10), 0);
  QString why;
  EXPECT_FALSE(inc.Build({"1 s=5"}, wrong, &why));
  EXPECT_FALSE(why.isEmpty());
}

// Whatever a line holds, reading it is orderly, and what was read is written back so that it
// reads the same (schedules without items aside: they carry nothing).
TEST(ScheduleText, AnyLineReadsAndWritesBackTheSame) {
  const QStringList pieces = {"\"", "\"\"", ",", " ", "\t", "=", "1 s", "x", "params=begin", "nextschedule=begin",
                              "nextschedule=stop", "\"nextschedule=begin\"", "nameschedule=a b", "é"};
  auto nonEmpty = [](const QList<TSchedule>& all) {
    QList<QStringList> items;
    for (const TSchedule& s : all)
      if (!s.Items().isEmpty()) items << s.Items();
    return items;
  };
  std::uint32_t seed = 12345;
  for (int round = 0; round < 3000; ++round) {
    QString line;
    const int length = static_cast<int>(seed % 24);
    for (int i = 0; i < length; ++i) {
      seed = seed * 1664525u + 1013904223u;
      line += pieces[static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(pieces.size()))];
    }
    seed = seed * 1664525u + 1013904223u;
    const auto read = scheduleline::Read(line);
    const QString written = scheduleline::Compose(QString(), read.Schedules);
    const auto again = scheduleline::Read(written);
    ASSERT_TRUE(again.Problems.isEmpty()) << line.toStdString() << " -> " << written.toStdString();
    ASSERT_EQ(nonEmpty(again.Schedules), nonEmpty(read.Schedules)) << line.toStdString();
    ASSERT_EQ(scheduleline::Compose(QString(), again.Schedules), written);
  }
}
