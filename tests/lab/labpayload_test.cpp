// The lab messages: every number arrives with all its digits, every kind of cell keeps its kind,
// and a message of another schema or version is refused with a reason rather than misread.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <QJsonDocument>
#include <QJsonObject>

#include "lab/labpayload.h"

TEST(LabPayload, RunsKeepEveryDigitAndEveryKindOfCell) {
  TLabRun run;
  run.Id = QStringLiteral("bench-3-20261210T070000000-0000abcd");
  run.Revision = 2;
  run.Station = QStringLiteral("bench-3");
  run.Rig = QStringLiteral("Heat \"exchanger\"");
  run.Exercise = QStringLiteral("Exercise 1: Flow");
  run.Name = QStringLiteral("Run 1");
  run.Ended = QStringLiteral("2026-12-10T07:00:00.000Z");
  run.Columns = {{QStringLiteral("Sample"), QString()}, {QStringLiteral("T1"), QStringLiteral("°C")},
                 {QStringLiteral("Note"), QString()}};
  const double awkward[] = {0.1 + 0.2, 1.0 / 3.0, 5e-324, 1.7976931348623157e308, -0.0, 123456789.12345679, 2.5e-8};
  for (double v : awkward) run.Rows.push_back({v, -v, QStringLiteral("ok")});
  run.Rows.push_back({std::monostate{}, TLabError{QStringLiteral("#DIV/0!")}, QStringLiteral("ünïcode ✓")});

  TLabRun back;
  QString error;
  ASSERT_TRUE(TLabPayload::ReadRun(TLabPayload::Run(run), back, &error)) << error.toStdString();
  EXPECT_EQ(back.Id, run.Id);
  EXPECT_EQ(back.Revision, 2);
  EXPECT_EQ(back.Rig, run.Rig);
  EXPECT_EQ(back.Exercise, run.Exercise);
  EXPECT_EQ(back.Columns, run.Columns);
  ASSERT_EQ(back.Rows.size(), run.Rows.size());
  for (size_t r = 0; r + 1 < run.Rows.size(); ++r) {
    ASSERT_TRUE(std::holds_alternative<double>(back.Rows[r][0]));
    // Bit for bit, not merely close.
    EXPECT_EQ(std::get<double>(back.Rows[r][0]), std::get<double>(run.Rows[r][0])) << r;
    EXPECT_EQ(std::get<double>(back.Rows[r][1]), std::get<double>(run.Rows[r][1])) << r;
  }
  EXPECT_EQ(back.Rows.back(), run.Rows.back());
}

TEST(LabPayload, ValuesStatusAndAlarmsRoundTripAndMissingStaysMissing) {
  TLabPayload::TValues values{QStringLiteral("t"), {{QStringLiteral("T1"), QStringLiteral("°C"), 21.123456789012345},
                                                  {QStringLiteral("P2"), QStringLiteral("bar"), std::nullopt},
                                                  {QStringLiteral("F"), QString(), std::numeric_limits<double>::quiet_NaN()}}};
  TLabPayload::TValues v;
  ASSERT_TRUE(TLabPayload::ReadValues(TLabPayload::Values(values), v));
  ASSERT_EQ(v.Values.size(), 3u);
  EXPECT_EQ(v.Values[0].Value, 21.123456789012345);
  EXPECT_EQ(v.Values[0].Units, QStringLiteral("°C"));
  EXPECT_FALSE(v.Values[1].Value.has_value());  // no reading: never a 0
  EXPECT_FALSE(v.Values[2].Value.has_value());  // not a number: no value rather than invalid JSON

  TLabPayload::TStatus status{QStringLiteral("s1"), QStringLiteral("lab"), QStringLiteral("Rig"), QStringLiteral("Ex"),
                              QStringLiteral("recording"), QStringLiteral("0.1"), QStringLiteral("c"), 4};
  TLabPayload::TStatus s;
  ASSERT_TRUE(TLabPayload::ReadStatus(TLabPayload::Status(status), s));
  EXPECT_EQ(s.State, QStringLiteral("recording"));
  EXPECT_EQ(s.Runs, 4);
  EXPECT_EQ(s.Rig, QStringLiteral("Rig"));

  TLabPayload::TAlarm a;
  ASSERT_TRUE(TLabPayload::ReadAlarm(TLabPayload::Alarm({QStringLiteral("t"), QStringLiteral("raised"), QStringLiteral("High"),
                                                         QStringLiteral("Too hot")}),
                                     a));
  EXPECT_EQ(a.Text, QStringLiteral("Too hot"));
}

TEST(LabPayload, RefusesWhatIsNotAMessageOfThisVersion) {
  QString error;
  TLabRun run;
  EXPECT_FALSE(TLabPayload::ReadRun("not json", run, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(TLabPayload::ReadRun("[1,2]", run, &error));
  // A status is not a run.
  TLabPayload::TStatus status;
  status.State = QStringLiteral("idle");
  EXPECT_FALSE(TLabPayload::ReadRun(TLabPayload::Status(status), run, &error));
  // A later version is not guessed at.
  QJsonObject o = QJsonDocument::fromJson(TLabPayload::Run(TLabRun{QStringLiteral("x")})).object();
  o[QStringLiteral("version")] = TLabPayload::Version + 1;
  EXPECT_FALSE(TLabPayload::ReadRun(QJsonDocument(o).toJson(), run, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("version")));
  // A run without its id could not be told from another.
  o[QStringLiteral("version")] = TLabPayload::Version;
  o.remove(QStringLiteral("id"));
  EXPECT_FALSE(TLabPayload::ReadRun(QJsonDocument(o).toJson(), run, &error));
  TLabPayload::TAlarm alarm;
  EXPECT_FALSE(TLabPayload::ReadAlarm(TLabPayload::Alarm({QString(), QStringLiteral("maybe"), QString(), QString()}), alarm));
}
