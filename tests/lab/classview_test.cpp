// The class view over what stations sent: one tile per station with its state and values, runs
// kept once per id (the newest revision), silent stations greyed, filter and sort, and "Save all
// runs" writing one workbook per station whose sheets hold the runs' exact numbers; the values a
// rig's tiles show are the lecturer's choice, kept in the user's settings.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>

#include "lab/classview.h"
#include "lab/labcollector.h"
#include "lab/labpayload.h"
#include "lab/stationruns.h"
#include "lab/stationtile.h"
#include "lab/tilevalues.h"
#include "platform/services.h"
#include "support/manualclock.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"
#include "workbook/model/workbook.h"

namespace {
QByteArray Status(const QString& station, const QString& state, const QString& rig = QStringLiteral("Airflow")) {
  return TLabPayload::Status({station, QStringLiteral("lab"), rig, QStringLiteral("Exercise 2"), state, QStringLiteral("0.1"), QString(), 0});
}
TLabRun MakeRun(const QString& id, int revision, int rows) {
  TLabRun r;
  r.Id = id;
  r.Revision = revision;
  r.Name = QStringLiteral("Run 1");
  r.Columns = {{QStringLiteral("Time"), QStringLiteral("s")}, {QStringLiteral("P"), QStringLiteral("Pa")}};
  for (int i = 0; i < rows; ++i) r.Rows.push_back({double(i), 101325.0 + i / 7.0});
  return r;
}
using TValueList = std::vector<TLabPayload::TValue>;
void Feed(TLabCollector& c, const QString& station, const QString& rig, const TValueList& values) {
  ASSERT_TRUE(c.Receive(QStringLiteral("quorlex/lab/%1/status").arg(station), Status(station, QStringLiteral("recording"), rig)));
  ASSERT_TRUE(c.Receive(QStringLiteral("quorlex/lab/%1/values").arg(station), TLabPayload::Values({QString(), values})));
}
// The lab of the choice tests: two airflow benches (one without P1) and a demo bench.
void FeedLab(TLabCollector& c) {
  const QString degrees = QStringLiteral("°C");
  Feed(c, QStringLiteral("bench-1"), QStringLiteral("Airflow"),
       {{QStringLiteral("T1"), degrees, 21.25}, {QStringLiteral("T2"), degrees, 22.5}, {QStringLiteral("P1"), QStringLiteral("Pa"), 101.5},
        {QStringLiteral("F1"), QStringLiteral("l/s"), 3.75}});
  Feed(c, QStringLiteral("bench-2"), QStringLiteral("Airflow"),
       {{QStringLiteral("T1"), degrees, 19.0}, {QStringLiteral("T2"), degrees, 20.0}, {QStringLiteral("F1"), QStringLiteral("l/s"), 1.5}});
  Feed(c, QStringLiteral("bench-3"), QStringLiteral("Demo"), {{QStringLiteral("X"), QString(), 7.0}});
}
QStringList ValueLines(const TClassView& view, const QString& station) {
  TStationTile* tile = view.Tile(station);
  return tile ? tile->Texts().mid(3, TTileValues::Shown) : QStringList{QStringLiteral("no tile")};
}
const QString kDash = QString(QChar(0x2014));

void Send(TLabCollector& c, const QString& station, const TLabRun& run) {
  ASSERT_TRUE(c.Receive(QStringLiteral("quorlex/lab/%1/runs/%2").arg(station, run.Id), TLabPayload::Run(run)));
}
}  // namespace

TEST(ClassView, TilesShowEachStationAndRunsAreKeptOncePerId) {
  TManualClock clock;
  TLabSettings settings;
  settings.Lab = QStringLiteral("lab");
  TClassView view(settings, false);
  TLabCollector& c = view.Collector();
  ASSERT_TRUE(c.Receive(QStringLiteral("quorlex/lab/bench-2/status"), Status(QStringLiteral("bench-2"), QStringLiteral("recording"))));
  ASSERT_TRUE(c.Receive(QStringLiteral("quorlex/lab/bench-1/status"), Status(QStringLiteral("bench-1"), QStringLiteral("idle"), QStringLiteral("Demo"))));
  ASSERT_TRUE(c.Receive(QStringLiteral("quorlex/lab/bench-2/values"),
                        TLabPayload::Values({QString(), {{QStringLiteral("T1"), QStringLiteral("°C"), 21.25},
                                                         {QStringLiteral("T2"), QStringLiteral("°C"), std::nullopt}}})));
  ASSERT_TRUE(c.Receive(QStringLiteral("quorlex/lab/bench-2/alarms"),
                        TLabPayload::Alarm({QString(), QStringLiteral("raised"), QStringLiteral("A"), QStringLiteral("Fan stalled")})));
  // Foreign and broken messages change nothing.
  EXPECT_FALSE(c.Receive(QStringLiteral("quorlex/lab/bench-3/values"), "garbage"));
  EXPECT_FALSE(c.Receive(QStringLiteral("other/lab/bench-3/status"), Status(QStringLiteral("bench-3"), QStringLiteral("idle"))));
  EXPECT_EQ(c.Stations().size(), 2u);

  TStationTile* tile = view.Tile(QStringLiteral("bench-2"));
  ASSERT_NE(tile, nullptr);
  const QStringList texts = tile->Texts();
  EXPECT_TRUE(texts.contains(QStringLiteral("bench-2 - recording"))) << texts.join('|').toStdString();
  EXPECT_TRUE(texts.contains(QStringLiteral("T1 21.25 °C")));
  EXPECT_TRUE(texts.contains(QStringLiteral("T2 ") + QChar(0x2014) + QStringLiteral(" °C")));  // no reading: a dash, not 0
  EXPECT_TRUE(texts.contains(QStringLiteral("Fan stalled")));

  // A run twice, and an older revision after a newer one: one run, the newest.
  Send(c, QStringLiteral("bench-2"), MakeRun(QStringLiteral("r1"), 2, 5));
  Send(c, QStringLiteral("bench-2"), MakeRun(QStringLiteral("r1"), 2, 5));
  Send(c, QStringLiteral("bench-2"), MakeRun(QStringLiteral("r1"), 1, 3));
  // A run whose topic and id disagree is refused.
  EXPECT_FALSE(c.Receive(QStringLiteral("quorlex/lab/bench-2/runs/other"), TLabPayload::Run(MakeRun(QStringLiteral("r9"), 1, 1))));
  ASSERT_EQ(c.Station(QStringLiteral("bench-2"))->Runs.size(), 1u);
  EXPECT_EQ(c.Station(QStringLiteral("bench-2"))->Runs.at(QStringLiteral("r1")).Rows.size(), 5u);
  EXPECT_TRUE(tile->Texts().last().endsWith(QStringLiteral("1 run")));

  // Sorted by name; by state the recording one comes first; a filter hides the others.
  ASSERT_EQ(view.ShownTiles().size(), 2u);
  EXPECT_EQ(view.ShownTiles()[0]->Name(), QStringLiteral("bench-1"));
  view.Sort()->setCurrentIndex(1);
  EXPECT_EQ(view.ShownTiles()[0]->Name(), QStringLiteral("bench-2"));
  view.Filter()->setText(QStringLiteral("demo"));
  ASSERT_EQ(view.ShownTiles().size(), 1u);
  EXPECT_EQ(view.ShownTiles()[0]->Name(), QStringLiteral("bench-1"));

  // Silence greys a tile out; a message brings it back.
  EXPECT_FALSE(tile->Greyed());
  clock.AdvanceMs(TLabCollector::SilentAfterMs + 1000);
  view.Refresh();
  EXPECT_TRUE(tile->Greyed());
  EXPECT_TRUE(tile->Texts()[0].endsWith(QStringLiteral("silent")));
  ASSERT_TRUE(c.Receive(QStringLiteral("quorlex/lab/bench-2/status"), Status(QStringLiteral("bench-2"), QStringLiteral("idle"))));
  EXPECT_FALSE(tile->Greyed());

  // The runs window: a tab per run with its rows.
  TStationRuns runs(*c.Station(QStringLiteral("bench-2")));
  EXPECT_EQ(runs.Tabs()->count(), 1);
}

TEST(ClassView, SaveAllRunsWritesOneWorkbookPerStationWithExactNumbers) {
  TTempFolder temp;
  TScriptedPrompts prompts;
  TLabSettings settings;
  TClassView view(settings, false);
  TLabCollector& c = view.Collector();
  prompts.ExpectMessage(QStringLiteral("No station has sent a run yet."));
  view.SaveAllRuns();

  TLabRun first = MakeRun(QStringLiteral("a"), 1, 4), second = MakeRun(QStringLiteral("b"), 1, 2);
  second.Name = QStringLiteral("Run 1");  // the same name again: the sheet is numbered
  first.Rows[1][1] = std::monostate{};    // a missing reading stays missing
  Send(c, QStringLiteral("bench:1"), first);
  Send(c, QStringLiteral("bench:1"), second);
  Send(c, QStringLiteral("bench-2"), MakeRun(QStringLiteral("c"), 1, 3));
  const QString folder = temp.File(QStringLiteral("runs"));
  prompts.ExpectSaveFile(folder);
  view.SaveAllRuns();
  EXPECT_TRUE(prompts.MessageTexts().size() == 1) << prompts.MessageTexts().join('|').toStdString();

  TWorkbook book;
  book.Read(folder + QStringLiteral("/bench_1.xlsx"));
  ASSERT_EQ(book.NumSheets(), 2);
  EXPECT_EQ(book.SheetName(1), QStringLiteral("Run 1"));
  EXPECT_NE(book.SheetName(2), QStringLiteral("Run 1"));
  book.SetSheet(1);
  EXPECT_EQ(book.TextRC(1, 2), QStringLiteral("P (Pa)"));
  EXPECT_EQ(book.NumberRC(5, 2), std::get<double>(first.Rows[3][1]));
  EXPECT_EQ(book.ValueRC(3, 2).Kind, TValueKind::Empty);
  TWorkbook other;
  other.Read(folder + QStringLiteral("/bench-2.xlsx"));
  EXPECT_EQ(other.NumSheets(), 1);
}

TEST(ClassView, ChosenValuesChangeTheTilesOfTheirRigAndSurviveANewView) {
  TTempFolder temp;
  TScriptedPrompts prompts;
  TLabSettings settings;
  {
    TClassView view(settings, false);
    prompts.ExpectMessage(QStringLiteral("No station has sent live values yet."));
    view.ChooseValues();

    FeedLab(view.Collector());
    // No choice yet: the first three each station sends.
    EXPECT_EQ(ValueLines(view, QStringLiteral("bench-1")),
              QStringList({QStringLiteral("T1 21.25 °C"), QStringLiteral("T2 22.5 °C"), QStringLiteral("P1 101.5 Pa")}));

    // Two rigs: which one, then F1 and P1 and no third.
    prompts.ExpectChoice(0).ExpectChoice(4).ExpectChoice(3).ExpectChoice(0);
    view.ChooseValues();
    ASSERT_EQ(prompts.Records().size(), 5u);
    EXPECT_EQ(prompts.Records()[1].Items,
              QStringList({QStringLiteral("Airflow"), QStringLiteral("Demo")}));
    // Every name the rig's stations send is offered, also one only bench-1 sends.
    EXPECT_EQ(prompts.Records()[2].Items.mid(1),
              QStringList({QStringLiteral("T1"), QStringLiteral("T2"), QStringLiteral("P1"), QStringLiteral("F1")}));
    EXPECT_EQ(prompts.Records()[3].Items.mid(1), QStringList({QStringLiteral("T1"), QStringLiteral("T2"), QStringLiteral("P1")}));
    EXPECT_EQ(ValueLines(view, QStringLiteral("bench-1")).mid(0, 2), QStringList({QStringLiteral("F1 3.75 l/s"), QStringLiteral("P1 101.5 Pa")}));
    // bench-2 sends no P1: a dash, never a number of another value or a 0.
    EXPECT_EQ(ValueLines(view, QStringLiteral("bench-2")).mid(0, 2), QStringList({QStringLiteral("F1 1.5 l/s"), QStringLiteral("P1 ") + kDash}));
    EXPECT_TRUE(view.Tile(QStringLiteral("bench-3"))->Texts().contains(QStringLiteral("X 7")));  // another rig: unchanged

    // Cancelled half way: the choice stays as it was.
    prompts.ExpectChoice(1).ExpectChoice(std::nullopt);
    view.ChooseValuesFor(QStringLiteral("Airflow"));
    EXPECT_EQ(view.TileValues().Chosen(QStringLiteral("Airflow")), QStringList({QStringLiteral("F1"), QStringLiteral("P1")}));
    EXPECT_EQ(prompts.Pending(), 0);
  }
  EXPECT_TRUE(TTempFolder::Read(TLabSettings::SettingsFile()).contains("F1"));
  {
    // A new class view (the lecturer's next lesson): the same values.
    TClassView view(settings, false);
    FeedLab(view.Collector());
    EXPECT_EQ(ValueLines(view, QStringLiteral("bench-2")).mid(0, 2), QStringList({QStringLiteral("F1 1.5 l/s"), QStringLiteral("P1 ") + kDash}));
    // The earlier choice is offered first; the first item goes back to the first three sent.
    prompts.ExpectChoice(0);
    view.ChooseValuesFor(QStringLiteral("Airflow"));
    EXPECT_EQ(ValueLines(view, QStringLiteral("bench-2")),
              QStringList({QStringLiteral("T1 19 °C"), QStringLiteral("T2 20 °C"), QStringLiteral("F1 1.5 l/s")}));
  }
  TClassView again(settings, false);
  EXPECT_TRUE(again.TileValues().Chosen(QStringLiteral("Airflow")).isEmpty());
}

TEST(ClassView, TileValueChoicesKeepAwkwardNamesAndLimits) {
  TTempFolder temp;
  TTileValues values;
  // Titles with settings separators, names with list separators, repeats and too many names.
  const QString rig = QStringLiteral("Rig A/B\\C, room 2");
  values.Choose(rig, {QStringLiteral("Flow, total"), QString(), QStringLiteral("Flow, total"), QStringLiteral("T\\"),
                      QStringLiteral("P"), QStringLiteral("Q")});
  values.Choose(QString(), {QStringLiteral("X")});
  values.Choose(QStringLiteral("Demo"), {QStringLiteral("Y")});
  values.Choose(QStringLiteral("Demo"), {});  // back to no choice
  QString error;
  ASSERT_TRUE(values.Save(&error)) << error.toStdString();
  const TTileValues back = TTileValues::Load();
  EXPECT_EQ(back.Chosen(rig), QStringList({QStringLiteral("Flow, total"), QStringLiteral("T\\"), QStringLiteral("P")}));
  EXPECT_EQ(back.Chosen(QString()), QStringList({QStringLiteral("X")}));
  EXPECT_TRUE(back.Chosen(QStringLiteral("Demo")).isEmpty());
  EXPECT_TRUE(back.Chosen(QStringLiteral("Rig A")).isEmpty());

  // A reading with no value and a name the station does not send both show a dash.
  const TLabPayload::TValues sent{QString(), {{QStringLiteral("P"), QStringLiteral("bar"), std::nullopt}, {QStringLiteral("Q"), QString(), 0.0}}};
  EXPECT_EQ(TTileValues::Lines(sent, {QStringLiteral("Q"), QStringLiteral("P"), QStringLiteral("R")}),
            QStringList({QStringLiteral("Q 0"), QStringLiteral("P ") + kDash + QStringLiteral(" bar"), QStringLiteral("R ") + kDash}));
}
